#include "CJobContext.h"

#include "CJobProfile.h"
#include "CTimecodeStep.h"
#include "EditDescriptionSource.h"
#include "IRawAudioFrame.h"
#include "IRawVideoFrame.h"
#include "ISimpleEditTimeLine.h"
#include "JobRules.h"
#include "Moorlan.h"
#include "moorlan_src_misc.h"
#include "moorlan_srcutils/moorlan_framerate.h"
#include "moorlan_srcutils/moorlan_url.h"
#include "sysplatform.h"
#include "sysutils.h"
#include "WorkNames.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Moorland {

namespace {
const char* const kSource = "CJobContext";
// How far short of a trim range's end (ms) the last frame read may start:
// the length of a picture or a block of sound, with room.
const int64_t kRangeEndTolerance = 300;
#define RAISE(code, message) throw CBaseException((code), (message), __LINE__, kSource)
} // namespace

CJobContext::CJobContext(IAVManager* manager, bool allProcessors, bool twoThreads, bool dataRateStatistics,
                         const ConvertTaskLocal& job, CMemFileMapping* file)
    : m_manager(manager), m_allProcessors(allProcessors), m_twoThreads(twoThreads),
      m_dataRateStatistics(dataRateStatistics), m_job(job), m_file(file), m_watch(job.pRecord, m_clock)
{}

CJobContext::~CJobContext()
{
    DiscardOutputs();
}

void CJobContext::Finish()
{
    ConvertTaskInfo2* r = Record();
    if (Cancelled())
        return;
    // What the job wrote is what lies on disk, whatever the last progress
    // figure said: every part of a split, every stream of a multi-stream
    // output, the last pass of two.
    if (!m_job.DstStream && !m_staged.empty()) {
        int64_t bytes = 0;
        for (const Staged& staged : m_staged) {
            struct stat st
            {
            };
            if (stat(staged.made.path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
                bytes += static_cast<int64_t>(st.st_size);
        }
        r->SetBytesWritten(bytes);
    }
    CommitOutputs();
    // The output is whole and in place: a cancel that came while it was
    // put there came too late, and the job ends finished rather than
    // cancelled beside a finished file.
    if (!r->ChangeState(CONVERT_TASK_RUNNING, CONVERT_TASK_FINISHED) &&
        !r->ChangeState(CONVERT_TASK_PAUSED, CONVERT_TASK_FINISHED))
        r->ChangeState(CONVERT_TASK_CANCEL, CONVERT_TASK_FINISHED);
}

Released<IAVSource> CJobContext::OpenSource(const std::string& address, int* movieId, int* videoId, int* audioId,
                                            MovieInfo** movie, const std::string& failure)
{
    return Released<IAVSource>(CheckedCall(
        [&] {
            return m_manager->CreateSourceFromAddress(address.c_str(), m_job.ImporterName, movieId, videoId, audioId,
                                                      movie);
        },
        failure, __LINE__, kSource));
}

Released<IAVSource> CJobContext::OpenTrimmedSource(const std::string& address, int* movieId, int* videoId, int* audioId,
                                                   MovieInfo** movie, const std::string& failure)
{
    Released<IAVSource> source = OpenSource(address, movieId, videoId, audioId, movie, failure);
    if (m_plan.trimStartMs != 0)
        SeekToTrimStart(source.get(), m_plan.trimStartMs, kSource);
    return source;
}

CJobContext::PacketSource CJobContext::OpenPacketSource(CSourceURL& address)
{
    const char* importerName = m_job.ImporterName;
    std::string name = importerName && *importerName ? importerName : address.GetProtocol();
    if (name.empty())
        name = "FFImporter";
    PacketSource opened;
    opened.importer.reset(CheckedCall([&] { return m_manager->CreateImporterByName(name.c_str()); },
                                      "Can't create importer for the file", __LINE__, kSource));
    IAVImporter* importer = opened.importer.get();
    CheckedCall([&] { return importer->Open(address.GetFilePath().c_str()); }, "Can't Open Importer", __LINE__,
                kSource);

    MovieInfo* movie = nullptr;
    int m = address.GetMovieID();
    const uint32_t count = importer->GetMovieCount();
    for (uint32_t i = 0; i < count && !movie; ++i) {
        MovieInfo* info = importer->GetMovieInfoAt(i);
        if (info && (m == -2 || info->id == m))
            movie = info;
    }
    if (!movie)
        RAISE(QB_ERR_UNEXPECTED, "No movie found in the source");
    m = movie->id;
    auto pick = [movie](int id, StreamType type) {
        if (id == -2)
            return GetFirstStreamID(movie, nullptr, type);
        if (id != -1 && !GetStreamInfo(movie, id))
            RAISE(QB_ERR_BAD_PARAM, "Bad stream id");
        return id;
    };
    const int v = pick(address.GetVideoStreamID(), StreamTypeVideo);
    const int a = pick(address.GetAudioStreamID(), StreamTypeAudio);
    int ids[2];
    int n = 0;
    if (v != -1)
        ids[n++] = v;
    if (a != -1)
        ids[n++] = a;
    if (n == 0)
        RAISE(QB_ERR_BAD_PARAM, "No video or audio streams");
    opened.packets.reset(CheckedCall([&] { return importer->CreatePacketSource(m, n, ids); },
                                     "No movie found in the source", __LINE__, kSource));
    opened.movieId = m;
    opened.videoId = v;
    opened.audioId = a;
    opened.movie = movie;
    if (m_plan.trimStartMs != 0)
        SeekToTrimStart(opened.packets.get(), m_plan.trimStartMs, kSource);
    return opened;
}

Released<IAVExporter> CJobContext::CreateExporter(CJobProfile& profile)
{
    std::string name = profile.GetExporterName();
    if (name.empty())
        name = "FFExporter";
    return Released<IAVExporter>(CheckedCall([&] { return m_manager->CreateExporterByName(name.c_str()); },
                                             "Can't create exporter " + name, __LINE__, kSource));
}

void CJobContext::OpenJobOutput(IAVExporter* exporter, const std::string* fileName)
{
    CheckedCall([&] { return exporter->SetProfile(m_job.Profile); }, "Can't set profile for exporter", __LINE__,
                kSource);
    if (m_job.DstStream) {
        CheckedCall([&] { return exporter->OpenOutputStream(m_job.DstStream); }, "Can't open exporter", __LINE__,
                    kSource);
    } else if (fileName) {
        // A part of a split: its own name, never the job's destination.
        const std::string working = Stage(*fileName);
        CheckedCall([&] { return exporter->Open(working.c_str()); },
                    "converter can not open exporter, filename:" + *fileName, __LINE__, kSource);
    } else {
        const std::string working = WorkingPath();
        CheckedCall([&] { return exporter->Open(working.c_str()); }, "Can't open exporter", __LINE__, kSource);
    }
}

Released<IAVExporter> CJobContext::PrepareOutput(CJobProfile& profile, MovieInfo* movie, int videoId, int audioId,
                                                 bool remux, const std::string* fileName)
{
    Released<IAVExporter> exporter = CreateExporter(profile);
    CompleteProfile(profile, movie, videoId, audioId, remux);
    OpenJobOutput(exporter.get(), fileName);
    return exporter;
}

CJobContext::JobOutput CJobContext::OpenOutput(CJobProfile& profile, MovieInfo* movie, int videoId, int audioId,
                                               bool remux)
{
    SettleOnStreams(videoId != -1, audioId != -1);
    profile.SetAVInclude(m_plan.streams);
    JobOutput output;
    output.exporter = PrepareOutput(profile, movie, videoId, audioId, remux);
    MovieInfo* out = output.exporter->GetOutputMovieInfo();
    output.videoId = out ? GetFirstStreamID(out, nullptr, StreamTypeVideo) : -1;
    output.audioId = out ? GetFirstStreamID(out, nullptr, StreamTypeAudio) : -1;
    output.videoSeconds = PromisedSeconds(movie, videoId, output.videoId);
    output.audioSeconds = PromisedSeconds(movie, audioId, output.audioId);
    m_promisedVideoSeconds = output.videoSeconds;
    m_promisedAudioSeconds = output.audioSeconds;
    return output;
}

std::string CJobContext::Stage(const std::string& finalPath)
{
    for (const auto& staged : m_staged) {
        if (staged.finalName == finalPath)
            return staged.workingName;
    }
    const std::string local = QuentaBased::utf8_to_local(finalPath.c_str());
    struct stat st
    {
    };
    if (lstat(local.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
        RAISE(QB_ERR_FILE_IO, "The output " + finalPath +
                                  " is there as something other than a file: nothing is "
                                  "written over it");
    Staged staged;
    staged.finalName = finalPath;
    // The name goes into the record before the file appears under it, so
    // that whoever cleans up after a killed worker knows exactly which file
    // was its own, whenever the worker was killed.
    CWorkNames names(m_file, Record());
    staged.made = QuentaBased::create_working_file(local, nullptr, [&](const QuentaBased::made_entry& made) {
        if (!names.Reserved())
            return;
        if (staged.handle)
            names.SetState(staged.handle, WORK_NAME_GONE); // that name was taken: never made
        staged.handle = names.Note(WORK_NAME_FILE, made);
        if (staged.handle == 0)
            RAISE(QB_ERR_DEST_SMALL,
                  "The job makes more output files than it can keep track of: " + finalPath + " is not written");
    });
    staged.workingName = QuentaBased::local_to_utf8(staged.made.path.c_str());
    m_staged.push_back(staged);
    return staged.workingName;
}

void CJobContext::Drop(const Staged& staged)
{
    QuentaBased::remove_made_file(staged.made);
    if (staged.handle)
        CWorkNames(m_file, Record()).SetState(staged.handle, WORK_NAME_GONE);
}

void CJobContext::Unstage(const std::string& finalPath)
{
    for (auto it = m_staged.begin(); it != m_staged.end(); ++it) {
        if (it->finalName == finalPath) {
            Drop(*it);
            m_staged.erase(it);
            return;
        }
    }
}

std::string CJobContext::WorkingPath()
{
    return Stage(DestinationPath());
}

std::string CJobContext::WrittenPath() const
{
    const std::string destination = DestinationPath();
    for (const auto& staged : m_staged) {
        if (staged.finalName == destination)
            return staged.workingName;
    }
    return destination;
}

void CJobContext::CommitOutputs()
{
    CWorkNames names(m_file, Record());
    while (!m_staged.empty()) {
        const Staged& staged = m_staged.front();
        // Whatever now lies under the working name is renamed only when it
        // is the file made for this output: another program's file put there
        // meanwhile is neither moved nor deleted.
        if (!QuentaBased::is_made_entry(staged.made, false)) {
            const std::string message = "The output " + staged.finalName +
                                        " was taken away from under its working "
                                        "name " +
                                        staged.workingName + " while it was written: nothing is put in place";
            if (staged.handle)
                names.SetState(staged.handle, WORK_NAME_GONE);
            m_staged.erase(m_staged.begin());
            RAISE(QB_ERR_FILE_IO, message);
        }
        const std::string to = QuentaBased::utf8_to_local(staged.finalName.c_str());
        if (::rename(staged.made.path.c_str(), to.c_str()) != 0) {
            const int err = errno;
            // The outputs are whole: they stay where they are, the user's
            // now, and the text says where.
            std::string kept;
            for (const Staged& whole : m_staged) {
                if (whole.handle)
                    names.SetState(whole.handle, WORK_NAME_KEPT);
                kept += (kept.empty() ? "" : ", ") + whole.workingName;
            }
            const std::string finalName = staged.finalName;
            m_staged.clear();
            throw CBaseException(
                QB_ERR_FILE_IO,
                QuentaBased::ErrnoMessage("Can't put the finished output in place as " + finalName, err) +
                    "; the whole output is kept as " + kept,
                __LINE__, kSource);
        }
        if (staged.handle)
            names.SetState(staged.handle, WORK_NAME_GONE);
        m_staged.erase(m_staged.begin());
    }
}

std::string CJobContext::FinalNames(std::string text) const
{
    for (const auto& staged : m_staged) {
        for (size_t at = text.find(staged.workingName); at != std::string::npos;
             at = text.find(staged.workingName, at + staged.finalName.size()))
            text.replace(at, staged.workingName.size(), staged.finalName);
    }
    return text;
}

void CJobContext::DiscardOutputs()
{
    for (const auto& staged : m_staged)
        Drop(staged);
    m_staged.clear();
}

IEncodingMuxer* CJobContext::EncodingMuxerOf(IAVExporter* exporter)
{
    IEncodingMuxer* muxer = CheckedCall([&] { return exporter->GetEncodingMuxer(); },
                                        "Can't get the muxer of the exporter", __LINE__, kSource);
    if (m_allProcessors)
        muxer->SetEncodingThreads(QuentaBased::get_cpu_count());
    return muxer;
}

void CJobContext::CompleteProfile(CJobProfile& profile, MovieInfo* movie, int videoId, int audioId, bool remux)
{
    StreamInfo* sv = videoId != -1 && movie ? GetStreamInfo(movie, videoId) : nullptr;
    if (sv && profile.HasVideo()) {
        const double asked = remux ? 0.0 : profile.GetFrameRate();
        double rate = CompleteFrameRate(asked, FrameRateNum(sv->frameRate), FrameRateDen(sv->frameRate));
        // A rate taken from a variable-rate source is written as a standard one.
        if (!remux && std::fabs(asked) < 0.00001)
            rate = StandardFrameRate(rate);
        profile.SetFrameRate(rate);
        if (remux || profile.GetWidth() <= 0 || profile.GetHeight() <= 0) {
            profile.SetWidth(sv->width);
            profile.SetHeight(sv->height);
        }
        if (m_plan.useOrgAspect && profile.GetAspect().empty()) {
            const double dar = DisplayAspect(*sv);
            const std::string codec = profile.GetVideoCodec();
            if (m_plan.prores || (!codec.empty() && QuentaBased::StrPos(kAspectCodecs, 0, codec) >= 0)) {
                profile.SetAspect(QuentaBased::IntToStr(static_cast<int>(dar * 90)) + ":90");
            } else {
                int w = 0, h = 0;
                FitToAspect(profile.GetWidth(), profile.GetHeight(), dar, &w, &h);
                profile.SetWidth(w);
                profile.SetHeight(h);
                profile.SetAspect("");
            }
        }
        if (profile.GetVideoBitrate() == 0) {
            if (sv->bitRate > 0)
                profile.SetVideoBitrate(sv->bitRate / 1000);
            else
                profile.SetVideoBitrate(MoorlandMapBitrateCode(profile.GetVideoCodec().c_str(), profile.GetWidth(),
                                                               profile.GetHeight(), 2));
        }
        if (remux) {
            if (!sv->codecName || !*sv->codecName)
                RAISE(QB_ERR_MEDIA, "Not supported video codec");
            profile.SetVideoCodec(sv->codecName);
        }
    }
    StreamInfo* sa = audioId != -1 && movie ? GetStreamInfo(movie, audioId) : nullptr;
    if (sa && profile.HasAudio()) {
        if (remux || profile.GetAudioBitrate() == 0)
            profile.SetAudioBitrate(sa->bitRate > 0 ? sa->bitRate : 128000);
        if (remux || profile.GetChannels() == 0)
            profile.SetChannels(sa->channels > 0 ? sa->channels : 2);
        if (remux || profile.GetSampleRate() == 0)
            profile.SetSampleRate(sa->sampleRate > 0 ? sa->sampleRate : 44100);
        if (remux) {
            if (!sa->codecName || !*sa->codecName)
                RAISE(QB_ERR_MEDIA, "Not supported audio codec");
            profile.SetAudioCodec(sa->codecName);
        }
    }
}

void CJobContext::Reached(int64_t ms)
{
    m_reachedMs = std::max(m_reachedMs, ms);
}

void CJobContext::CheckSourceEnd(uint32_t sourceMs, int64_t lastMs)
{
    // A source whose frames stop well before its stated end was cut short or
    // damaged: its output would be a truncated movie shown as finished. A
    // length FFmpeg only guessed from the bit rate states nothing.
    if (ManagerProperty(m_manager, "LengthGuessed") == "1")
        return;
    // Where the source got to is where the last picture and sound it gave
    // end: a source may hand several seconds of sound in one block, the
    // rest of a clip's sound after its last picture.
    lastMs = std::max({lastMs, m_gaveVideoMs, m_gaveAudioMs});
    // A job of one kind of stream reads that stream to its own end: a
    // recording's sound may well end before its pictures.
    int64_t endMs = sourceMs;
    if (m_plan.trimStartMs == 0) {
        if (m_promisedVideoSeconds < 0 && m_promisedAudioSeconds > 0 && m_gaveAudioFirstMs >= 0)
            endMs = std::min<int64_t>(endMs, m_gaveAudioFirstMs + std::llround(m_promisedAudioSeconds * 1000));
        else if (m_promisedAudioSeconds < 0 && m_promisedVideoSeconds > 0 && m_gaveVideoFirstMs >= 0)
            endMs = std::min<int64_t>(endMs, m_gaveVideoFirstMs + std::llround(m_promisedVideoSeconds * 1000));
    }
    // A range that ends inside the source is read to its end, which no
    // stated length blurs: a source cut inside the range fails too.
    int64_t tolerance = std::max<int64_t>(1000, endMs / 10);
    const int64_t rangeEndMs = int64_t(m_plan.trimStartMs) + m_plan.trimLengthMs;
    if (m_plan.trimLengthMs != -1 && rangeEndMs < endMs) {
        endMs = rangeEndMs;
        tolerance = kRangeEndTolerance;
    }
    if (endMs > 0 && lastMs + tolerance < endMs)
        RAISE(QB_ERR_MEDIA,
              QuentaBased::Format("The source %s ended at %.1f s of its %.1f s: it is damaged or cut short",
                                  SourceName().c_str(), lastMs / 1000.0, endMs / 1000.0));
}

void CJobContext::Gave(IRawVideoFrame* video, IRawAudioFrame* audio)
{
    // The end is the last one's, not the latest time seen: one stray time
    // in the source is not a length.
    if (video) {
        const int64_t at = video->GetTimeStamp();
        if (m_gaveVideoFirstMs < 0)
            m_gaveVideoFirstMs = std::max<int64_t>(at, 0);
        m_gaveVideoMs = std::max<int64_t>(at + video->GetDuration(), m_gaveVideoFirstMs);
    }
    if (audio && audio->GetSampleRate() > 0 && audio->GetTimeStamp() != INT64_MIN) {
        const int64_t at = audio->GetTimeStamp() / Moorland::kTicksPerMs;
        if (m_gaveAudioFirstMs < 0)
            m_gaveAudioFirstMs = std::max<int64_t>(at, 0);
        const int64_t end = at + int64_t(audio->GetSampleCount()) * 1000 / audio->GetSampleRate();
        m_gaveAudioMs = std::max(end, m_gaveAudioFirstMs);
    }
}

double CJobContext::PromisedSeconds(MovieInfo* movie, int sourceId, int outputId)
{
    if (sourceId == -1 || outputId == -1)
        return -1.0;
    const StreamInfo* s = movie ? GetStreamInfo(movie, sourceId) : nullptr;
    return s && s->duration > 0 ? s->duration : 0.0;
}

void CJobContext::FinishOutput(const JobOutput& output)
{
    const std::string drm = ManagerProperty(m_manager, "drmErrorCode");
    if (!drm.empty())
        RAISE(QB_ERR_UNEXPECTED, drm);
    // The timecode step writes the movie anew in a program of its own: what
    // the exporter wrote is not what lies there then.
    const bool rewritten = m_plan.prores && !Cancelled();
    if (rewritten)
        TimecodeStep();
    CheckOutput(output.videoSeconds, output.audioSeconds, rewritten ? nullptr : output.exporter.get(), output.videoId,
                output.audioId);
    Finish();
}

void CJobContext::TimecodeStep()
{
    CTimecodeStep step(m_manager, WrittenPath());
    const bool written = step.WriteTimecodeToProRes();
    // The step writes the file anew and renames it over the working one:
    // that file is the job's own from now on.
    const std::string destination = DestinationPath();
    for (Staged& staged : m_staged) {
        struct stat st
        {
        };
        if (staged.finalName != destination || lstat(staged.made.path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        staged.made.device = static_cast<unsigned long long>(st.st_dev);
        staged.made.inode = static_cast<unsigned long long>(st.st_ino);
        if (staged.handle)
            CWorkNames(m_file, Record()).Renote(staged.handle, staged.made);
    }
    // A source without a timecode only loses the track; a program that had
    // to be killed is reported, not shown as a finished job.
    if (!written && step.TimedOut())
        QuentaBased::ThrowLastError();
}

std::string CJobContext::SourceName()
{
    const std::string path = SourcePath();
    std::vector<std::string> files;
    // An edit description may name another one as its clip (a task's
    // description holds the timeline's): its clips are followed a few deep.
    std::function<void(const std::string&, int)> collect = [&](const std::string& description, int depth) {
        Released<IAVImporter> importer(m_manager->CreateImporterByName(kSimpleEditImporterName));
        auto* timeline =
            importer ? static_cast<ISimpleEditTimeLine*>(importer->GetInterface("ISimpleEditTimeLine")) : nullptr;
        if (!timeline || !importer->Open(description.c_str()))
            return;
        for (int i = 0; i < timeline->GetClipCount(); ++i) {
            SimpleEditClipEntry entry{};
            if (!timeline->GetClip(i, &entry) || !entry.sourceAddress)
                continue;
            const std::string file = CSourceURL(entry.sourceAddress).GetFilePath();
            const bool nested = IsEditDescriptionSource(entry.importerName, entry.sourceAddress);
            if (nested && depth < 4)
                collect(file, depth + 1);
            else if (!nested && std::find(files.begin(), files.end(), file) == files.end())
                files.push_back(file);
        }
    };
    if (IsEditDescription(m_job.ImporterName, path)) {
        collect(CSourceURL(path).GetFilePath(), 0);
        ClearRecordedError(); // a description that can't be read leaves the path as the name
    }
    if (files.empty())
        return path;
    std::string names = files.front();
    for (size_t i = 1; i < files.size() && i < 3; ++i)
        names += ", " + files[i];
    if (files.size() > 3)
        names += QuentaBased::Format(" and %d other files", static_cast<int>(files.size() - 3));
    return names;
}

} // namespace Moorland
