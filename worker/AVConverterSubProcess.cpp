#include "AVConverterSubProcess.h"

#include "Basilvo/Basilvo.h"
#include "CBaseException.h"
#include "CJobProfile.h"
#include "CSubProcess.h"
#include "CXMutex.h"
#include "CheckedCalls.h"
#include "IAccurateTrimManager.h"
#include "IDiscCreator.h"
#include "IQuentaStream.h"
#include "JobValueChecks.h"
#include "ISimpleEditTimeLine.h"
#include "MemFileMapping.h"
#include "Moorlan.h"
#include "moorlan_src_misc.h"
#include "profile_multi.h"
#include "moorlan_srcutils/moorlan_framerate.h"
#include "moorlan_srcutils/moorlan_url.h"
#include "quenta_base_streams.h"
#include "sysplatform.h"
#include "sysutils.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

namespace Moorland {

namespace {

const char* const kSource = "AVConverterSubProcess";
const uint64_t kNoLimit = ~uint64_t(0);

// The thread's recorded error when one is there, else our own message.
[[noreturn]] void FailAt(int line, const std::string& message, int code = QB_ERR_UNEXPECTED)
{
    ThrowRecordedOr(message, line, kSource, code);
}
#define FAIL(...) FailAt(__LINE__, __VA_ARGS__)
#define RAISE(code, message) throw CBaseException((code), (message), __LINE__, kSource)

void ClearError()
{
    GetQuentaException()->Clear();
}

// The producer's way out when the encoding thread closed the queue: the
// thread's own reason (a refused write names its file and cause), else the
// job was cancelled. Waits for the thread's end, where its reason is kept.
template <class Thread>
[[noreturn]] void ThrowEncodingThreadEnd(Thread* thread)
{
    thread->Cancel();
    CBaseException failure(thread->GetThreadException());
    if (failure.GetCode() != 0)
        throw failure;
    throw CBaseException(QB_ERR_UNEXPECTED, "Cancel", __LINE__, kSource);
}

// A trimmed job starts where its trim starts: a seek that fails would give
// the output from the wrong range, so it fails the job.
template <class Source>
void SeekToTrimStart(Source* source, int32_t trimStartMs)
{
    ClearError();
    if (!source->Seek(static_cast<uint32_t>(trimStartMs)))
        FailAt(__LINE__, QuentaBased::Format("Can't seek to the trim start at %.3f s", trimStartMs / 1000.0));
}


class CriticalScope
{
public:
    explicit CriticalScope(void* lock) : m_lock(lock)
    {
        if (m_lock)
            QuentaBased::enter_critical(m_lock);
    }
    ~CriticalScope()
    {
        if (m_lock)
            QuentaBased::leave_critical(m_lock);
    }
    CriticalScope(const CriticalScope&) = delete;
    CriticalScope& operator=(const CriticalScope&) = delete;

private:
    void* m_lock;
};

const char* const kProResCodecs[] = {
    "Apple InterMediate Codec(AIC)", "Apple ProRes 422", "Apple ProRes 422(HQ)", "Apple ProRes 422(LT)",
    "Apple ProRes 422(Proxy)", "Apple ProRes 4444", "DVCPRO HD 1080i50", "DVCPRO HD 1080i60",
    "DVCPRO HD 1080p25", "DVCPRO HD 1080p30", "DVCPRO HD 720p50", "DVCPRO HD 720p60", "HDV 1080i50",
    "HDV 1080i60", "HDV 1080p24", "HDV 1080p25", "HDV 1080p30", "HDV 720p24", "HDV 720p25", "HDV 720p30",
    "HDV 720p50", "HDV 720p60", "DV - PAL", "DV/DVCPRO - NTSC", "DVCPRO - PAL", "DVCPRO50 NTSC",
    "DVCPRO50 PAL", "Avid DNxHD Codec", "XDCAM EX 1080i50", "XDCAM EX 1080i60", "XDCAM EX 1080p24",
    "XDCAM EX 1080p25", "XDCAM EX 1080p30", "XDCAM EX 720p24", "XDCAM EX 720p25", "XDCAM EX 720p30",
    "XDCAM EX 720p50", "XDCAM EX 720p60", "XDCAM HD 1080i50", "XDCAM HD 1080i60", "XDCAM HD 1080p24",
    "XDCAM HD 1080p25", "XDCAM HD 1080p30", "XDCAM HD422 1080i50", "XDCAM HD422 1080i60",
    "XDCAM HD422 1080p24", "XDCAM HD422 1080p25", "XDCAM HD422 1080p30", "XDCAM HD422 720p24",
    "XDCAM HD422 720p25", "XDCAM HD422 720p30", "XDCAM HD422 720p50", "XDCAM HD422 720p60",
};
static_assert(sizeof(kProResCodecs) / sizeof(kProResCodecs[0]) == 53, "the professional codec table");

// Codecs that carry a display aspect of their own instead of a resized picture.
const char* const kAspectCodecs = "xvid,h264,mpeg1video,mpeg2video,dvvideo,h263,dnxhd";

// A named text value of the media manager's current source, empty when none.
std::string ManagerProperty(IAVManager* manager, const char* name, bool* found = nullptr)
{
    int length = 0;
    ClearError();
    const bool ok = manager->GetProperty(name, nullptr, &length);
    if (found)
        *found = ok;
    if (length <= 0)
        return std::string();
    std::vector<char> buffer(static_cast<size_t>(length) + 2, '\0');
    manager->GetProperty(name, buffer.data(), &length);
    return std::string(buffer.data());
}

// The display aspect of a picture stream: its sample aspect times its size,
// or the size alone for square (or unknown) samples.
double DisplayAspect(const StreamInfo& s)
{
    const uint32_t x = s.aspect >> 16, y = s.aspect & 0xFFFF;
    if (s.height <= 0)
        return 1.0;
    if (x == 0 || y == 0)
        return static_cast<double>(s.width) / s.height;
    return (static_cast<double>(x) * s.width) / (static_cast<double>(y) * s.height);
}

// The profile's stream selection on the source address: 1 sound only, 2 picture only.
// Whether the job's source is an edit description (a timeline).
bool IsEditDescription(const char* importerName, const std::string& path)
{
    if (importerName && std::strcmp(importerName, "SimpleEditImporter") == 0)
        return true;
    const std::string file = CSourceURL(path).GetFilePath();
    return file.size() > 5 && file.compare(file.size() - 5, 5, ".seix") == 0;
}

void ChooseStreams(CSourceURL& address, int avInclude)
{
    if (avInclude == 1)
        address.SetVideoStreamID(-1);
    else if (avInclude == 2)
        address.SetAudioStreamID(-1);
}

} // namespace

// --- helpers ----------------------------------------------------------------

CJobClock::CJobClock() : m_start(QuentaBased::QuentaBased_GetTicks()) {}

void CJobClock::Pause()
{
    if (m_paused)
        return;
    m_carried += QuentaBased::QuentaBased_GetTicks() - m_start;
    m_paused = true;
}

void CJobClock::Resume()
{
    if (!m_paused)
        return;
    m_start = QuentaBased::QuentaBased_GetTicks();
    m_paused = false;
}

uint32_t CJobClock::Milliseconds() const
{
    uint64_t ms = m_carried + (m_paused ? 0 : QuentaBased::QuentaBased_GetTicks() - m_start);
    return static_cast<uint32_t>(std::min<uint64_t>(ms, UINT32_MAX));
}

double JobDuration(uint32_t sourceMs, int32_t trimStartMs, int32_t trimLengthMs)
{
    const double d = sourceMs / 1000.0;
    const double s = trimStartMs / 1000.0;
    double duration;
    if (trimLengthMs == -1) {
        duration = d - s;
    } else {
        const double l = trimLengthMs / 1000.0;
        duration = s + l > d ? d - s : l;
    }
    return duration < 0.001 ? 1.0 : duration;
}

double CompleteFrameRate(double r, uint32_t num, uint32_t den)
{
    if (std::fabs(r) < 0.00001)
        r = den == 0 ? static_cast<double>(num) : static_cast<double>(num) / den;
    if (r < 1.0 || r > 120.0)
        return 30.0;
    const double x = r * 10000.0;
    const int64_t d = static_cast<int64_t>(x) % 10;
    return d <= 4 ? (x - d) / 10000.0 : (x + 10 - d) / 10000.0;
}

void FitToAspect(int w, int h, double aspect, int* outWidth, int* outHeight)
{
    if (h == 0) {
        *outWidth = *outHeight = 0;
        return;
    }
    const double ratio = static_cast<double>(w) / h;
    double nw = w, nh = h;
    if (ratio > aspect) {
        nw = h * aspect;
    } else if (ratio < aspect) {
        nh = w / aspect;
    }
    *outWidth = static_cast<int>(nw) & ~1;
    *outHeight = static_cast<int>(nh) & ~1;
}

IAVImporter* CreateCompressedSource(IAVManager* manager, CSourceURL& address, const char* importerName,
                                    IAVCompressedSource** source, int* movieId, int* videoId, int* audioId,
                                    MovieInfo** movieInfo)
{
    std::string name = importerName && *importerName ? importerName : address.GetProtocol();
    if (name.empty())
        name = "FFImporter";
    ClearError();
    Released<IAVImporter> importer(manager->CreateImporterByName(name.c_str()));
    if (!importer)
        FAIL("Can't create importer for the file");
    ClearError();
    if (!importer->Open(address.GetFilePath().c_str()))
        FAIL("Can't Open Importer");

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
    ClearError();
    *source = importer->CreatePacketSource(m, n, ids);
    if (!*source)
        FAIL("No movie found in the source");
    *movieId = m;
    *videoId = v;
    *audioId = a;
    *movieInfo = movie;
    return importer.release();
}

// --- the job object ---------------------------------------------------------

CAVConverterSubProcess::CAVConverterSubProcess(IAVManager* manager, bool allProcessors, bool twoThreads,
                                               bool dataRateStatistics, const ConvertTaskLocal& job,
                                               CMemFileMapping* file)
    : m_manager(manager), m_dataRateStatistics(dataRateStatistics), m_allProcessors(allProcessors),
      m_twoThreads(twoThreads), m_job(job), m_file(file)
{
    if (Record())
        Record()->SetState(CONVERT_TASK_RUNNING);
}

CAVConverterSubProcess::~CAVConverterSubProcess()
{
    delete[] m_items;
}

void CAVConverterSubProcess::Cancel()
{
    Record()->SetState(CONVERT_TASK_CANCEL);
}

void CAVConverterSubProcess::Pause(bool pause)
{
    Record()->SetState(pause ? CONVERT_TASK_PAUSED : CONVERT_TASK_RUNNING);
}

int CAVConverterSubProcess::WaitWhilePaused(CJobClock& clock)
{
    int state = Record()->GetState();
    while (state == CONVERT_TASK_PAUSED) {
        clock.Pause();
        QuentaBased::QuentaBased_Sleep(100);
        state = Record()->GetState();
    }
    clock.Resume();
    return state;
}

void CAVConverterSubProcess::Finish()
{
    ConvertTaskInfo2* r = Record();
    if (!r->ChangeState(CONVERT_TASK_RUNNING, CONVERT_TASK_FINISHED))
        r->ChangeState(CONVERT_TASK_PAUSED, CONVERT_TASK_FINISHED);
}

bool CAVConverterSubProcess::IsProResCodec(const char* name)
{
    if (!name)
        return false;
    for (const char* codec : kProResCodecs) {
        if (std::strcmp(codec, name) == 0)
            return true;
    }
    return false;
}

int CAVConverterSubProcess::Execute()
{
    try {
        if (!Record() || !m_manager)
            RAISE(QB_ERR_BAD_POINTER, "Bad pointer");
        m_carriedBytes = 0;
        m_carriedMs = 0;
        m_partLimit = 0;
        m_partReserve = 5242880;
        m_clock = CJobClock();
        CSourceURL address(m_job.SrcPath ? m_job.SrcPath : "");
        CJobProfile profile(m_job.Profile);
        CheckJobValues(m_manager, m_job, m_file, profile.HasParams() ? profile.GetIntParam("remux") : 0);
        if (!profile.HasFormat())
            RAISE(QB_ERR_UNEXPECTED, "Bad profile format");
        int remux = 0;
        bool multiStream = false;
        int64_t perFileSize = 0;
        bool useOrgAspect = false;
        if (profile.HasParams()) {
            remux = profile.GetIntParam("remux");
            multiStream = profile.GetIntParam("MultiStream") == 1;
            const double size = profile.GetDoubleParam("ExportPerFileSize");
            perFileSize = size >= 9.2e18 ? INT64_MAX : static_cast<int64_t>(size);
            useOrgAspect = profile.GetIntParam("use_org_video_aspect") != 0;
        }
        const bool prores = profile.HasVideo() && IsProResCodec(profile.GetVideoCodec().c_str());
        if (prores)
            m_twoThreads = false;

        if (perFileSize > 0) {
            m_partLimit = static_cast<uint64_t>(perFileSize);
            const int result = DoExportBySize();
            if (result == 0) {
                if (prores)
                    TimecodeStep();
                Finish();
            }
            return result;
        }
        // A timeline is one picture and one sound stream: a multi-stream
        // profile converts it as a plain one.
        if (multiStream && !IsEditDescription(m_job.ImporterName, m_job.SrcPath ? m_job.SrcPath : "")) {
            DoMultiExportExecute(prores);
            if (prores)
                TimecodeStep();
            Finish();
            return 1;
        }
        if (remux == 3) {
            if (DoAccurateTrim())
                return 0;
            QuentaBased::ThrowLastError();
        }
        if (remux == 4) {
            DoDiscCreator();
            return 0;
        }
        return DoDirect(address, profile, remux, useOrgAspect, prores);
    } catch (...) {
        QuentaBased::RecordCurrentException(__LINE__, kSource);
        if (Record())
            ReportJobFailure(m_file, Record(), GetQuentaException());
        RemoveFailedOutput();
        return 1;
    }
}

void CAVConverterSubProcess::RemoveFailedOutput()
{
    if (!m_outputOpened || !Record() || Record()->GetState() != CONVERT_TASK_FAILED || !m_job.DstPath ||
        m_job.DstStream)
        return;
    // Only a file this job wrote; never a device or a folder.
    const std::string path = QuentaBased::utf8_to_local(m_job.DstPath);
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        std::remove(path.c_str());
}

std::string CAVConverterSubProcess::SourceName()
{
    const std::string path = m_job.SrcPath ? m_job.SrcPath : "";
    std::vector<std::string> files;
    // An edit description may name another one as its clip (a task's
    // description holds the timeline's): its clips are followed a few deep.
    std::function<void(const std::string&, int)> collect = [&](const std::string& description, int depth) {
        Released<IAVImporter> importer(m_manager->CreateImporterByName("SimpleEditImporter"));
        auto* timeline = importer ? static_cast<ISimpleEditTimeLine*>(importer->GetInterface("ISimpleEditTimeLine"))
                                  : nullptr;
        if (!timeline || !importer->Open(description.c_str()))
            return;
        for (int i = 0; i < timeline->GetClipCount(); ++i) {
            SimpleEditClipEntry entry{};
            if (!timeline->GetClip(i, &entry) || !entry.sourceAddress)
                continue;
            const std::string file = CSourceURL(entry.sourceAddress).GetFilePath();
            const bool nested = entry.importerName && std::strcmp(entry.importerName, "SimpleEditImporter") == 0;
            if (nested && depth < 4)
                collect(file, depth + 1);
            else if (!nested && std::find(files.begin(), files.end(), file) == files.end())
                files.push_back(file);
        }
    };
    if (IsEditDescription(m_job.ImporterName, path)) {
        collect(CSourceURL(path).GetFilePath(), 0);
        ClearError(); // a description that can't be read leaves the path as the name
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

void CAVConverterSubProcess::CheckOutput(double videoSeconds, double audioSeconds)
{
    ConvertTaskInfo2* record = Record();
    if (record->GetState() == CONVERT_TASK_CANCEL || !m_job.DstPath || m_job.DstStream)
        return;
    const bool wantVideo = videoSeconds >= 0;
    const bool wantAudio = audioSeconds >= 0;
    if (!wantVideo && !wantAudio)
        return;
    const bool lengthGuessed = ManagerProperty(m_manager, "LengthGuessed") == "1";
    // The lengths the source promised for what this job converts.
    auto promised = [&](double seconds) {
        if (seconds <= 0)
            seconds = record->GetDuration() + record->TrimStart / 1000.0;
        // A length the source only estimated (VBR sound without a header)
        // is no promise: what the source really gave is the measure then.
        if (m_reachedMs >= 0 && lengthGuessed)
            seconds = std::min(seconds, m_reachedMs / 1000.0);
        seconds -= record->TrimStart / 1000.0;
        if (record->TrimLength != -1)
            seconds = std::min(seconds, record->TrimLength / 1000.0);
        return seconds;
    };
    ClearError();
    Released<IAVImporter> importer(m_manager->CreateImporter(m_job.DstPath));
    if (!importer)
        FAIL(std::string("The output ") + m_job.DstPath + " can't be read back");
    MovieInfo* movie = importer->GetMovieCount() > 0 ? importer->GetMovieInfoAt(0) : nullptr;
    const StreamInfo* video = nullptr;
    const StreamInfo* audio = nullptr;
    for (uint32_t i = 0; movie && i < movie->streamCount; ++i) {
        const StreamInfo& s = movie->streams[i];
        if (s.type == StreamTypeVideo && !video)
            video = &s;
        else if (s.type == StreamTypeAudio && !audio)
            audio = &s;
    }
    if (!video && !audio)
        RAISE(QB_ERR_MEDIA, std::string("The output ") + m_job.DstPath + " holds no picture or sound");
    if (wantVideo && !video)
        RAISE(QB_ERR_MEDIA, std::string("The output ") + m_job.DstPath + " holds no picture");
    if (wantAudio && !audio)
        RAISE(QB_ERR_MEDIA, std::string("The output ") + m_job.DstPath + " holds no sound");
    // Encoders and containers round a stream's end by a picture or a block
    // of sound; anything shorter than that is lost material.
    const uint64_t rate = video ? video->frameRate : 0;
    const double picture = rate && FrameRateNum(rate) ? double(FrameRateDen(rate)) / FrameRateNum(rate) : 0.04;
    const double tolerance = std::max(0.15, 2 * picture);
    auto check = [&](const StreamInfo* s, double seconds, const char* what) {
        const double want = promised(seconds);
        if (s && s->duration > 0 && want > 0 && s->duration + tolerance < want)
            RAISE(QB_ERR_MEDIA, QuentaBased::Format("The output %s holds %.2f s of %s of the %.2f s %s gives",
                                                    m_job.DstPath, s->duration, what, want, SourceName().c_str()));
    };
    if (wantVideo)
        check(video, videoSeconds, "pictures");
    if (wantAudio)
        check(audio, audioSeconds, "sound");
}

void CAVConverterSubProcess::CompleteProfile(CJobProfile& profile, MovieInfo* movie, int videoId, int audioId,
                                             bool remux, bool useOrgAspect, bool prores)
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
        if (useOrgAspect && profile.GetAspect().empty()) {
            const double dar = DisplayAspect(*sv);
            const std::string codec = profile.GetVideoCodec();
            if (prores || (!codec.empty() && QuentaBased::StrPos(kAspectCodecs, 0, codec) >= 0)) {
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

int CAVConverterSubProcess::DoDirect(CSourceURL& address, CJobProfile& profile, int remux, bool useOrgAspect,
                                     bool prores)
{
    ConvertTaskInfo2* record = Record();
    const int avInclude = profile.GetAVInclude();
    ChooseStreams(address, avInclude);
    const std::string url = address.GetURL();

    int movieId = -1, videoId = -1, audioId = -1;
    MovieInfo* movie = nullptr;
    Released<IAVImporter> importer;
    Released<IAVCompressedSource> packets;
    Released<IAVSource> source;
    if (remux == 1) {
        IAVCompressedSource* p = nullptr;
        importer.reset(CreateCompressedSource(m_manager, address, m_job.ImporterName, &p, &movieId, &videoId,
                                              &audioId, &movie));
        packets.reset(p);
        if (record->TrimStart != 0)
            SeekToTrimStart(packets.get(), record->TrimStart);
    } else {
        ClearError();
        source.reset(m_manager->CreateSourceFromAddress(url.c_str(), m_job.ImporterName, &movieId, &videoId,
                                                        &audioId, &movie));
        if (!source)
            FAIL("No movie found in the source");
    }
    if (remux == 2) {
        DoCopy(source.get());
        Finish();
        return 0;
    }
    if (remux != 1 && record->TrimStart != 0)
        SeekToTrimStart(source.get(), record->TrimStart);

    // A source without sound gives a file without a sound track, not an
    // empty one that players and some muxers refuse.
    if (avInclude == 0 && audioId == -1 && videoId != -1)
        profile.SetAVInclude(2);
    std::string exporterName = profile.GetExporterName();
    if (exporterName.empty())
        exporterName = "FFExporter";
    ClearError();
    Released<IAVExporter> exporter(m_manager->CreateExporterByName(exporterName.c_str()));
    if (!exporter)
        FAIL("Can't create exporter " + exporterName);
    CompleteProfile(profile, movie, videoId, audioId, remux == 1, useOrgAspect, prores);
    OpenJobOutput(exporter.get());
    MovieInfo* out = exporter->GetOutputMovieInfo();
    const int outVideo = out ? GetFirstStreamID(out, nullptr, StreamTypeVideo) : -1;
    const int outAudio = out ? GetFirstStreamID(out, nullptr, StreamTypeAudio) : -1;
    // Taken now: a later pass opens the source again and its record goes.
    auto promised = [movie](int id, int outId) {
        if (id == -1 || outId == -1)
            return -1.0;
        const StreamInfo* s = movie ? GetStreamInfo(movie, id) : nullptr;
        return s && s->duration > 0 ? s->duration : 0.0;
    };
    const double videoSeconds = promised(videoId, outVideo), audioSeconds = promised(audioId, outAudio);

    // An outside call that returns nothing reports through the record.
    auto checkEnd = [](auto&& end) {
        ClearError();
        end();
        if (GetQuentaException()->GetExceptionCode() != 0)
            QuentaBased::ThrowLastError();
    };
    if (remux == 1) {
        ClearError();
        INoEncodingMuxer* muxer = exporter->GetNoEncodingMuxer();
        if (!muxer)
            FAIL("Can't get the muxer of the exporter");
        if (videoId != -1 && outVideo != -1) {
            int size = 0;
            const uint8_t* header = packets->GetStreamHeader(videoId, &size);
            if (header && size > 0)
                muxer->SetStreamHeader(outVideo, header, size);
        }
        if (audioId != -1 && outAudio != -1) {
            int size = 0;
            const uint8_t* header = packets->GetStreamHeader(audioId, &size);
            if (header && size > 0)
                muxer->SetStreamHeader(outAudio, header, size);
            AudioFormatInfo format{};
            if (packets->GetAudioFormat(audioId, &format))
                muxer->SetAudioFormat(outAudio, &format);
        }
        ClearError();
        if (!muxer->BeginWriting() && GetQuentaException()->GetExceptionCode() != 0)
            QuentaBased::ThrowLastError();
        DoReMux(packets.get(), videoId, outVideo, audioId, outAudio, muxer);
        checkEnd([muxer] { muxer->EndWriting(); });
    } else {
        IEncodingMuxer* muxer = EncodingMuxerOf(exporter.get());
        const int passes = avInclude == 1 ? 1 : std::max(record->Pass, 0);
        ClearError();
        if (!muxer->SetEncodingPass(passes))
            FAIL("Can't SetEncodingPass");
        for (int i = 0; i < passes; ++i) {
            if (i > 0) {
                source.reset();
                ClearError();
                source.reset(m_manager->CreateSourceFromAddress(url.c_str(), m_job.ImporterName, nullptr, nullptr,
                                                                nullptr, nullptr));
                if (!source)
                    FAIL("No movie found in the source");
                if (record->TrimStart != 0)
                    SeekToTrimStart(source.get(), record->TrimStart);
            }
            ClearError();
            if (!muxer->BeginWriting())
                FAIL("Can't BeginWriting");
            if (!DoExport(source.get(), outVideo, outAudio, i, passes, muxer, kNoLimit))
                QuentaBased::ThrowLastError();
            checkEnd([muxer] { muxer->EndWriting(); });
            if (record->GetState() == CONVERT_TASK_CANCEL)
                break;
        }
    }
    exporter->Close();

    bool found = false;
    const std::string drm = ManagerProperty(m_manager, "drmErrorCode", &found);
    if (!drm.empty())
        RAISE(QB_ERR_UNEXPECTED, drm);
    if (prores && record->GetState() != CONVERT_TASK_CANCEL)
        TimecodeStep();
    CheckOutput(videoSeconds, audioSeconds);
    // What is on disk, whatever the last progress figure said.
    struct stat st {};
    if (m_job.DstPath && !m_job.DstStream && stat(m_job.DstPath, &st) == 0 && S_ISREG(st.st_mode))
        record->SetBytesWritten(static_cast<int64_t>(st.st_size));
    Finish();
    return 0;
}

void CAVConverterSubProcess::CheckSourceEnd(uint32_t sourceMs, int64_t lastMs)
{
    // A source whose frames stop well before its stated end was cut short or
    // damaged: its output would be a truncated movie shown as finished. A
    // length FFmpeg only guessed from the bit rate states nothing.
    if (ManagerProperty(m_manager, "LengthGuessed") == "1")
        return;
    const int64_t tolerance = std::max<int64_t>(1000, sourceMs / 10);
    if (Record()->TrimLength == -1 && sourceMs > 0 && lastMs + tolerance < sourceMs)
        RAISE(QB_ERR_MEDIA, QuentaBased::Format("The source %s ended at %.1f s of its %.1f s: it is damaged or cut short",
                                                SourceName().c_str(), lastMs / 1000.0,
                                                sourceMs / 1000.0));
}

bool CAVConverterSubProcess::DoExport(IAVSource* source, int videoId, int audioId, int pass, int passCount,
                                      IEncodingMuxer* muxer, uint64_t byteLimit)
{
    ConvertTaskInfo2* record = Record();
    int mode = videoId == -1 ? AVReadAudioOnly : (audioId == -1 ? AVReadVideoOnly : AVReadBoth);
    const uint32_t sourceMs = source->GetDuration();
    record->SetDuration(JobDuration(sourceMs, record->TrimStart, record->TrimLength));
    m_partFrames = false;
    const bool limited = byteLimit != kNoLimit;
    // Statistics are needed for the progress figures and for a byte limit.
    const bool statistics = m_dataRateStatistics || limited;

    std::unique_ptr<CFramesQueue> queue;
    std::unique_ptr<CAVEncodingThread> thread;
    if (m_twoThreads) {
        queue.reset(new CFramesQueue(30));
        thread.reset(new CAVEncodingThread(videoId, audioId, queue.get(), muxer));
    }
    m_queue = queue.get();
    m_thread = thread.get();

    const bool ok = QB_GUARDED_VOID({
        uint32_t cycle = 0;
        int lastVideo = 0, lastAudio = 0;
        int first = INT_MIN;
        bool limitReached = false;
        for (;;) {
            const int state = WaitWhilePaused(m_clock);
            if (state == CONVERT_TASK_CANCEL)
                break;
            IRawAudioFrame* audio = nullptr;
            IRawVideoFrame* video = nullptr;
            void* other = nullptr;
            ClearError();
            if (!source->ReadFrames(&audio, &video, &other, mode)) {
                // False is the end of the source or a failure: only the
                // end goes on to finish the output.
                if (GetQuentaException()->GetExceptionCode() != 0)
                    QuentaBased::ThrowLastError();
                if (first != INT_MIN)
                    m_reachedMs = std::max<int64_t>(m_reachedMs, std::max(lastVideo, lastAudio));
                // Judged by where the source got to, also in an earlier part.
                CheckSourceEnd(sourceMs, std::max<int64_t>(m_reachedMs, 0));
                std::fputs("sub process avsource end\n", stderr);
                // The end of a first pass is half the job, not all of it.
                record->SetPercent(100.0 * (pass + 1) / passCount);
                break;
            }
            m_partFrames = true;
            if (video) {
                lastVideo = video->GetTimeStamp();
                if (first == INT_MIN)
                    first = lastVideo;
            }
            if (audio) {
                lastAudio = static_cast<int>(audio->GetTimeStamp() / 10000);
                if (first == INT_MIN)
                    first = lastAudio;
            }
            if (videoId != -1 && audioId != -1)
                mode = lastVideo > lastAudio ? AVReadAudioOnly : AVReadVideoOnly;
            ++cycle;
            if (statistics && cycle % 160 == 0) {
                uint32_t position = 0;
                uint64_t videoBytes = 0, audioBytes = 0;
                {
                    CriticalScope hold(queue ? queue->GetCritical() : nullptr);
                    if (videoId != -1)
                        muxer->GetDataRateStats(videoId, &videoBytes, &position);
                    if (audioId != -1)
                        muxer->GetDataRateStats(audioId, &audioBytes, videoId == -1 ? &position : nullptr);
                }
                const uint64_t written = videoBytes + audioBytes;
                if (m_dataRateStatistics) {
                    const double elapsed = m_clock.Seconds();
                    const double duration = record->GetDuration();
                    record->SetElapsedTime(elapsed);
                    record->SetBytesWritten(static_cast<int64_t>(written + m_carriedBytes));
                    const double p = (m_carriedMs + static_cast<double>(position)) / (10.0 * duration);
                    double percent = p / passCount + (100 * pass) / passCount;
                    if (percent > 100.0)
                        percent = 100.0;
                    record->SetPercent(percent);
                    if (p > 0.01) {
                        record->SetEstimatedSize(
                            static_cast<int64_t>(static_cast<double>(written + m_carriedBytes) / (p / 100)));
                        if (percent > 0)
                            record->SetRemainingTime(elapsed / (percent / 100) - elapsed);
                    }
                }
                if (limited && written >= byteLimit) {
                    m_carriedBytes += written;
                    m_carriedMs += position;
                    limitReached = true;
                }
            }
            // Hand-off: the frames of this cycle go into this output, also
            // when this cycle filled a part.
            if (thread) {
                IRawVideoFrame* v = video && videoId != -1 ? video->Clone() : nullptr;
                IRawAudioFrame* a = audio && audioId != -1 ? audio->Clone() : nullptr;
                // Waits for room; a closed queue (the encoder failed or
                // was cancelled) has freed the frames.
                if (!queue->PushWait(v, a))
                    ThrowEncodingThreadEnd(thread.get());
            } else {
                if (video && videoId != -1) {
                    ClearError();
                    if (!muxer->WriteVideo(videoId, video))
                        FAIL("Can't write video");
                }
                if (audio && audioId != -1) {
                    ClearError();
                    if (!muxer->WriteAudio(audioId, audio))
                        FAIL("Can't write audio");
                }
            }
            if (limitReached) {
                m_reachedMs = std::max<int64_t>(m_reachedMs, std::max(lastVideo, lastAudio));
                break;
            }
            if (record->TrimLength != -1 && first != INT_MIN) {
                const int reached = videoId != -1 ? lastVideo - first : lastAudio - first;
                if (reached >= record->TrimLength)
                    break;
            }
        }
    });

    bool result = ok;
    if (thread) {
        // A cancel or a failure here stops the encoder at once; else it
        // writes what is queued.
        if (!ok || record->GetState() == CONVERT_TASK_CANCEL)
            thread->Cancel();
        thread->Complete();
        queue.reset();
        CBaseException threadError(thread->GetThreadException());
        thread.reset();
        if (result && threadError.GetCode() != 0) {
            GetQuentaException()->Copy(&threadError);
            result = false;
        }
    }
    m_queue = nullptr;
    m_thread = nullptr;
    // A cancel ends the pass; what the encoder says about it is no failure.
    if (record->GetState() == CONVERT_TASK_CANCEL)
        return true;
    return result;
}

void CAVConverterSubProcess::OpenJobOutput(IAVExporter* exporter)
{
    ClearError();
    if (!exporter->SetProfile(m_job.Profile))
        FAIL("Can't set profile for exporter");
    ClearError();
    const bool opened = m_job.DstStream ? exporter->OpenOutputStream(m_job.DstStream)
                                        : exporter->Open(m_job.DstPath ? m_job.DstPath : "");
    if (!opened)
        FAIL("Can't open exporter");
    m_outputOpened = true;
}

IEncodingMuxer* CAVConverterSubProcess::EncodingMuxerOf(IAVExporter* exporter)
{
    ClearError();
    IEncodingMuxer* muxer = exporter->GetEncodingMuxer();
    if (!muxer)
        FAIL("Can't get the muxer of the exporter");
    if (m_allProcessors)
        muxer->SetEncodingThreads(QuentaBased::get_cpu_count());
    return muxer;
}

IAVExporter* CAVConverterSubProcess::PrepareExporter(std::string fileName)
{
    Released<IAVSource> source;
    return QB_GUARDED(static_cast<IAVExporter*>(nullptr), {
        ConvertTaskInfo2* record = Record();
        CSourceURL address(m_job.SrcPath ? m_job.SrcPath : "");
        CJobProfile profile(m_job.Profile);
        if (!profile.HasFormat())
            RAISE(QB_ERR_UNEXPECTED, "Bad profile format");
        const bool useOrgAspect = profile.HasParams() && profile.GetIntParam("use_org_video_aspect") != 0;
        const int avInclude = profile.GetAVInclude();
        ChooseStreams(address, avInclude);
        int movieId = -1, videoId = -1, audioId = -1;
        MovieInfo* movie = nullptr;
        ClearError();
        source.reset(m_manager->CreateSourceFromAddress(address.GetURL().c_str(), m_job.ImporterName, &movieId,
                                                        &videoId, &audioId, &movie));
        if (!source)
            FAIL("No movie found in the source " + address.GetURL());
        if (record->TrimStart != 0)
            SeekToTrimStart(source.get(), record->TrimStart);
        std::string name = profile.GetExporterName();
        if (name.empty())
            name = "FFExporter";
        ClearError();
        Released<IAVExporter> exporter(m_manager->CreateExporterByName(name.c_str()));
        if (!exporter)
            FAIL("Can't create exporter " + name);
        CompleteProfile(profile, movie, videoId, audioId, false, useOrgAspect,
                        IsProResCodec(profile.GetVideoCodec().c_str()));
        ClearError();
        if (!exporter->SetProfile(m_job.Profile))
            FAIL("Can't set profile for exporter");
        ClearError();
        if (m_job.DstStream) {
            if (!exporter->OpenOutputStream(m_job.DstStream))
                FAIL("Can't open exporter");
        } else if (!exporter->Open(fileName.c_str())) {
            FAIL("converter can not open exporter, filename:" + fileName);
        }
        return exporter.release();
    });
}

int CAVConverterSubProcess::DoExportBySize()
{
    try {
        ConvertTaskInfo2* record = Record();
        if (!m_job.DstPath && !m_job.DstStream)
            RAISE(QB_ERR_BAD_POINTER, "Bad pointer");
        uint64_t limit = m_partLimit - static_cast<uint64_t>(m_partReserve);
        if (m_partLimit <= static_cast<uint64_t>(m_partReserve))
            limit = kNoLimit; // a setting within the reserve gives one part without a limit
        m_partLimit = limit;
        const std::string destination = m_job.DstPath ? m_job.DstPath : "";
        const std::string extension = QuentaBased::extract_file_ext(destination);
        const std::string base = QuentaBased::change_file_ext(destination, "");

        CSourceURL address(m_job.SrcPath ? m_job.SrcPath : "");
        CJobProfile profile(m_job.Profile);
        if (!profile.HasFormat())
            RAISE(QB_ERR_UNEXPECTED, "Bad profile format");
        const int avInclude = profile.GetAVInclude();
        ChooseStreams(address, avInclude);
        int movieId = -1, videoId = -1, audioId = -1;
        MovieInfo* movie = nullptr;
        ClearError();
        Released<IAVSource> source(m_manager->CreateSourceFromAddress(address.GetURL().c_str(), m_job.ImporterName,
                                                                      &movieId, &videoId, &audioId, &movie));
        if (!source)
            FAIL("No movie found in the source");
        if (record->TrimStart != 0)
            SeekToTrimStart(source.get(), record->TrimStart);

        int n = 0;
        int written = 0;
        while (!source->IsEndOfStream()) {
            std::string part = base + "(" + QuentaBased::IntToStr(n) + ")" + extension;
            ++n;
            while (QuentaBased::file_exists(part.c_str())) {
                part = base + "(" + QuentaBased::IntToStr(n) + ")" + extension;
                ++n;
            }
            Released<IAVExporter> exporter(PrepareExporter(part));
            if (!exporter) // the recorded reason (a vanished source, say) comes first
                FAIL("converter can not open exporter, name:" + part);
            MovieInfo* out = exporter->GetOutputMovieInfo();
            const int outVideo = out ? GetFirstStreamID(out, nullptr, StreamTypeVideo) : -1;
            const int outAudio = out ? GetFirstStreamID(out, nullptr, StreamTypeAudio) : -1;
            IEncodingMuxer* muxer = EncodingMuxerOf(exporter.get());
            ClearError();
            // Each part is written in one run: a further pass would read the
            // source's next stretch, not this part's again.
            if (!muxer->SetEncodingPass(1))
                FAIL("Can't SetEncodingPass");
            ClearError();
            if (!muxer->BeginWriting())
                FAIL("Can't BeginWriting");
            if (!DoExport(source.get(), outVideo, outAudio, 0, 1, muxer, m_partLimit))
                QuentaBased::ThrowLastError();
            ClearError();
            muxer->EndWriting();
            if (GetQuentaException()->GetExceptionCode() != 0)
                QuentaBased::ThrowLastError();
            exporter->Close();
            // A part begun when the one before filled at the source's last
            // picture holds nothing: it goes, the series is complete.
            if (!m_partFrames && written > 0) {
                if (!m_job.DstStream)
                    ::unlink(part.c_str());
                break;
            }
            ++written;
            // A cancel ends the series after the part being written.
            if (record->GetState() == CONVERT_TASK_CANCEL)
                break;
        }
        return 0;
    } catch (...) {
        QuentaBased::RecordCurrentException(__LINE__, kSource);
        ReportJobFailure(m_file, Record(), GetQuentaException());
        return -1;
    }
}

void CAVConverterSubProcess::DoReMux(IAVCompressedSource* source, int videoId, int videoOut, int audioId,
                                     int audioOut, INoEncodingMuxer* muxer)
{
    ConvertTaskInfo2* record = Record();
    const uint32_t sourceMs = source->GetDuration();
    record->SetDuration(JobDuration(sourceMs, record->TrimStart, record->TrimLength));
    uint64_t videoBytes = 0, audioBytes = 0;
    uint32_t counter = 0;
    int64_t base = INT64_MIN, last = 0;
    bool waitKey = true;
    for (;;) {
        if (WaitWhilePaused(m_clock) == CONVERT_TASK_CANCEL)
            break;
        int id = -1, reserved = 0;
        ClearError();
        ICompressedFrame* p = source->ReadPacket(&id, &reserved);
        if (!p) {
            if (GetQuentaException()->GetExceptionCode() != 0)
                QuentaBased::ThrowLastError();
            CheckSourceEnd(sourceMs, std::min<int64_t>(last / 10000, INT_MAX));
            break;
        }
        const bool chosen = (videoOut != -1 && id == videoId) || (audioOut != -1 && id == audioId);
        if (chosen) {
            (id == videoId ? videoBytes : audioBytes) += p->GetSize();
            const int64_t d = p->GetDecompressTimeStamp();
            if (d != COMPRESSED_NO_TIME) {
                if (base == INT64_MIN)
                    base = d;
                if (d > last)
                    last = d;
            }
        }
        const int64_t position = base != INT64_MIN ? (last - base) / 10000 : 0;
        if (++counter % 600 == 0) {
            const double elapsed = m_clock.Seconds();
            const uint64_t written = videoBytes + audioBytes;
            record->SetElapsedTime(elapsed);
            record->SetBytesWritten(static_cast<int64_t>(written));
            double percent = position / (10.0 * record->GetDuration());
            if (percent > 100.0)
                percent = 100.0;
            record->SetPercent(percent);
            if (percent > 0.01) {
                record->SetEstimatedSize(static_cast<int64_t>(static_cast<double>(written) / (percent / 100)));
                record->SetRemainingTime(elapsed / (percent / 100) - elapsed);
            }
        }
        if (base != INT64_MIN) {
            const int64_t pts = p->GetPresentTimeStamp();
            const int64_t dts = p->GetDecompressTimeStamp();
            p->SetTimeStamp(pts == COMPRESSED_NO_TIME ? pts : pts - base, dts == COMPRESSED_NO_TIME ? dts : dts - base);
        }
        if (id == videoId) {
            if (waitKey && !p->IsKeyFrame())
                continue;
            waitKey = false;
            ClearError();
            if (!muxer->WritePacket(videoOut, p))
                FAIL("Can't write video");
        } else if (id == audioId) {
            ClearError();
            if (!muxer->WritePacket(audioOut, p))
                FAIL("Can't write audio");
        }
        if (record->TrimLength != -1 && position >= record->TrimLength)
            break;
    }
    if (record->GetState() == CONVERT_TASK_CANCEL)
        RAISE(QB_ERR_UNEXPECTED, "Cancel");
    record->SetPercent(100.0);
}

void CAVConverterSubProcess::DoCopy(IAVSource* source)
{
    ConvertTaskInfo2* record = Record();
    if (!source)
        RAISE(QB_ERR_BAD_POINTER, "Bad pointer");
    auto* in = static_cast<IQuentaStream*>(source->GetInterface("IQuentaStream"));
    if (!in)
        RAISE(QB_ERR_UNEXPECTED, "The source not support directly copy");
    IQuentaStream* out = m_job.DstStream;
    std::unique_ptr<QuentaBased::CFileStream> file;
    if (!out) {
        if (!m_job.DstPath)
            RAISE(QB_ERR_BAD_POINTER, "Bad pointer");
        file.reset(new QuentaBased::CFileStream(m_job.DstPath, 0xFFFF));
        out = file.get();
    }
    if (!in->IsStream())
        in->Seek(0, soFromBeginning);
    int64_t total = in->GetSize();
    if (total == 0)
        total = 1;
    std::vector<unsigned char> buffer(65536);
    double duration = source->GetDuration() / 1000.0;
    record->SetDuration(duration == 0.0 ? 1.0 : duration);
    uint64_t blocks = 0;
    int64_t bytes = 0;
    for (;;) {
        if (in->Eof())
            break;
        if (WaitWhilePaused(m_clock) == CONVERT_TASK_CANCEL)
            break;
        ClearError();
        const unsigned n = in->Read(buffer.data(), static_cast<unsigned>(buffer.size()));
        if (n == static_cast<unsigned>(-1))
            FAIL(std::string("Can't read the source ") + (m_job.SrcPath ? m_job.SrcPath : ""), QB_ERR_FILE_IO);
        if (n == 0)
            break;
        ClearError();
        const unsigned w = out->Write(buffer.data(), n);
        if (w != n)
            FAIL(std::string("Can't write to ") + (m_job.DstPath ? m_job.DstPath : "the output stream"), QB_ERR_FILE_IO);
        bytes += n;
        if (++blocks % 60 == 0) {
            record->SetElapsedTime(m_clock.Seconds());
            record->SetBytesWritten(bytes);
            double percent = (bytes * 1000 / total) / 10.0;
            record->SetPercent(percent > 100.0 ? 100.0 : percent);
        }
    }
    record->SetBytesWritten(bytes);
    if (record->GetState() != CONVERT_TASK_CANCEL)
        record->SetPercent(100.0);
}

bool CAVConverterSubProcess::DoAccurateTrim()
{
    return QB_GUARDED(false, {
        if (!m_manager || !Record())
            RAISE(QB_ERR_BAD_POINTER, "Bad pointer");
        const std::string destination = QuentaBased::utf8_to_local(m_job.DstPath ? m_job.DstPath : "");
        ClearError();
        Released<IAccurateTrimManager> trim(m_manager->CreateAccurateTrimManager(destination.c_str()));
        if (!trim)
            FAIL("can not create accurate trim manager");
        ClearError();
        if (!trim->SetSource(m_job.SrcPath, m_job.ImporterName, m_job.Profile) || !trim->SetTaskInfo(Record()))
            FAIL("DoAccurateTrim error.");
        ClearError();
        if (!trim->OpenFile())
            FAIL("AccurateTrim Open to file error.");
        ClearError();
        if (!trim->WriteFile(Record()))
            FAIL("AccurateTrim Write file error.");
        ClearError();
        if (!trim->CloseFile()) {
            if (GetQuentaException()->GetExceptionCode() == 0)
                RAISE(QB_ERR_UNEXPECTED, "AccurateTrim Close file error.");
            QuentaBased::ThrowLastError();
        }
        return true;
    });
}

void CAVConverterSubProcess::DoDiscCreator()
{
    ConvertTaskInfo2* record = Record();
    Released<IDiscCreator> creator;
    try {
        CJobProfile profile(m_job.Profile);
        if (!m_manager || !record || !profile.HasParams())
            RAISE(QB_ERR_BAD_POINTER, "Bad pointer");
        const int type = profile.GetIntParam("DiscType");
        const char* name = type == 1 ? "IDVDCreator" : type == 2 ? "IBDCreator" : nullptr;
        if (!name)
            RAISE(QB_ERR_UNEXPECTED, "Unknown disc type");
        ClearError();
        creator.reset(m_manager->CreateDiscCreator(name));
        if (!creator)
            FAIL("can not create disc creator manager");
        ClearError();
        if (!creator->LoadProjectFile(m_job.SrcPath ? m_job.SrcPath : ""))
            FAIL("Load disc creator project file failed");
        // A cancel that came before the start stays a cancel.
        if (record->GetState() == CONVERT_TASK_CANCEL)
            return;
        uint64_t phaseStart = QuentaBased::QuentaBased_GetTicks();
        double phaseElapsed = 0.0;
        bool phaseChanged = false;
        ClearError();
        if (!creator->StartTask())
            FAIL("Start disc creator task failed");
        for (;;) {
            const DiscCreatorStatus* status = creator->GetTaskStatus();
            if (!status)
                RAISE(QB_ERR_UNEXPECTED, "Disc creator task failed");
            const int state = record->GetState();
            if (state == CONVERT_TASK_CANCEL) {
                try {
                    if (status->phase == 4 && (status->step == 3 || status->step == 4))
                        RAISE(QB_ERR_UNEXPECTED, "Disc creator Prohibit Cancel operator");
                    if (!creator->CancelTask())
                        RAISE(QB_ERR_UNEXPECTED, "Disc creator Cancel failed");
                } catch (const CBaseException& e) {
                    GetQuentaException()->Copy(const_cast<CBaseException*>(&e));
                    record->SetState(CONVERT_TASK_RUNNING);
                    continue;
                }
                record->SetState(CONVERT_TASK_CANCEL);
                return;
            }
            if (state == CONVERT_TASK_PAUSED) {
                CBaseException refusal(QB_ERR_UNEXPECTED, "Burn Prohibit Pause operator", __LINE__, kSource);
                GetQuentaException()->Copy(&refusal);
                record->SetState(CONVERT_TASK_RUNNING);
                continue;
            }
            record->SetPercent(status->percent);
            record->DiscValue = status->statusWord;
            record->DiscStep = status->step;
            const uint64_t now = QuentaBased::QuentaBased_GetTicks();
            if (status->phase != record->DiscPhase) {
                record->DiscPhase = status->phase;
                phaseStart = now;
                phaseElapsed = record->GetElapsedTime();
                phaseChanged = true;
            }
            if (status->state == CONVERT_TASK_FAILED) {
                std::string text = status->errorText[0] ? status->errorText : "Disc creator task failed";
                RAISE(QB_ERR_UNEXPECTED, text);
            }
            if (status->state == CONVERT_TASK_FINISHED) {
                record->SetPercent(100.0);
                Finish();
                return;
            }
            const double t = (now - phaseStart) / 1000.0;
            record->SetElapsedTime(phaseElapsed + t);
            if (phaseChanged)
                record->SetRemainingTime(600.0);
            else if (status->percent > 0)
                record->SetRemainingTime(t * 100 / status->percent - t);
            QuentaBased::QuentaBased_Sleep(100);
        }
    } catch (...) {
        creator.reset();
        QuentaBased::RecordCurrentException(__LINE__, kSource);
        // The creator's own reason is the one a user can act on.
        CBaseException reason(GetQuentaException());
        throw CBaseException(QB_ERR_UNEXPECTED, std::string("Creator Disc failed: ") + reason.GetMsg(), __LINE__,
                             kSource);
    }
}

void CAVConverterSubProcess::TimecodeStep()
{
    m_timecodeTimedOut = false;
    // A source without a timecode only loses the track; a program that had
    // to be killed is reported, not shown as a finished job.
    if (!WriteTimecodeToProRes() && m_timecodeTimedOut)
        QuentaBased::ThrowLastError();
}

bool CAVConverterSubProcess::WriteTimecodeToProRes()
{
    return QB_GUARDED(false, {
        bool found = false;
        const std::string timecodeText = ManagerProperty(m_manager, "MXFTimecode", &found);
        const int timecode = QuentaBased::StrToInt(timecodeText);
        if (!found || timecode == 0)
            RAISE(QB_ERR_UNEXPECTED, "source has no time code");
        const std::string rateText = ManagerProperty(m_manager, "MXFOrigFramerate");
        if (rateText.empty())
            RAISE(QB_ERR_UNEXPECTED, "have no frame rate info");
        const std::vector<std::string> parts = QuentaBased::StrSplit(rateText, ",");
        if (parts.size() != 2)
            RAISE(QB_ERR_UNEXPECTED, "wrong frame rate :" + rateText);
        const int num = QuentaBased::StrToInt(parts[0]);
        const int den = QuentaBased::StrToInt(parts[1]);
        if (den == 0)
            RAISE(QB_ERR_UNEXPECTED, "divide zero error framerate:" + rateText);
        // The destination travels as one quoted argument word, never through a shell.
        std::string path = m_job.DstPath ? m_job.DstPath : "";
        std::string quoted;
        for (char c : path) {
            if (c == '"' || c == '\\')
                quoted += '\\';
            quoted += c;
        }
        const long long rate = static_cast<long long>(static_cast<double>(num) / den * 10000.0);
        const std::string command = "Tesquil \"" + quoted + "\" " + std::to_string(rate) + " " + std::to_string(timecode);
        CSubProcess child(command);
        if (!child.RunBackgroundly(false))
            RAISE(QB_ERR_UNEXPECTED, "cannot run Tesquil Process");
        if (!child.Wait(29000)) {
            child.Terminate(1);
            // Tesquil writes beside the movie and renames only when done.
            ::unlink((path + ".tesquil.tmp").c_str());
            m_timecodeTimedOut = true;
            RAISE(QB_ERR_UNEXPECTED, "Tesquil Process deadlock: " + path);
        }
        unsigned code = 0;
        child.GetExitCode(code);
        if (code != 0)
            RAISE(QB_ERR_UNEXPECTED, QuentaBased::Format("Append mov timecode failed. err code:%d", static_cast<int>(code)));
        return true;
    });
}

void CAVConverterSubProcess::DoMultiExportExecute(bool useAspectText)
{
    ConvertTaskInfo2* record = Record();
    CSourceURL address(m_job.SrcPath ? m_job.SrcPath : "");
    delete[] m_items;
    m_items = nullptr;
    m_itemCount = 0;
    SMItemInfo* items = nullptr;
    ClearError();
    const int parsed = ParserUrlToSMItemInfo(address.GetURL(), &items);
    if (parsed < 0)
        FAIL("bad Params");
    m_items = items;
    m_itemCount = parsed;

    CJobProfile profile(m_job.Profile);
    if (!profile.HasFormat())
        RAISE(QB_ERR_UNEXPECTED, "Bad profile format");
    std::string importerName = m_job.ImporterName ? m_job.ImporterName : address.GetProtocol();
    if (importerName.empty())
        importerName = "FFImporter";
    ClearError();
    Released<IAVImporter> importer(m_manager->CreateImporterByName(importerName.c_str()));
    if (!importer)
        FAIL("Can't create importer for the file");
    ClearError();
    if (!importer->Open(address.GetFilePath().c_str()))
        FAIL("Can't Open Importer");
    ClearError();
    Released<IAVExporter> exporter(m_manager->CreateExporterByName("FFExporter"));
    if (!exporter)
        FAIL("Can't create exporter FFExporter");
    const bool useOrgAspect = profile.HasParams() && profile.GetIntParam("use_org_video_aspect") != 0;

    // The multi-stream settings live in the job profile; the view over them
    // goes when the settings are complete.
    std::unique_ptr<CMultiProfile> multi(new CMultiProfile());
    if (!multi->SetProfile(m_job.Profile))
        FAIL("Bad profile format");
    const int profileStreams = multi->GetStreamCount();
    if (m_itemCount <= 0) {
        delete[] m_items;
        m_items = nullptr;
        m_itemCount = 0;
        if (profileStreams <= 0)
            RAISE(QB_ERR_UNEXPECTED, "Bad profile format");
        m_items = new SMItemInfo[profileStreams];
        m_itemCount = profileStreams;
        for (int i = 0; i < profileStreams; ++i) {
            const ProfileInfo* st = multi->GetStreamInfo(i);
            m_items[i].nStreamID = i;
            m_items[i].eStreamType = st->nStreamType;
            m_items[i].bCompress = st->bRemux;
        }
    }
    const uint32_t movieCount = importer->GetMovieCount();
    MovieInfo* movie = movieCount > 0 ? importer->GetMovieInfoAt(movieCount - 1) : nullptr;
    int videoIndex = -1;
    StreamInfo* sv = nullptr;
    if (movie && GetFirstStreamID(movie, &videoIndex, StreamTypeVideo) != -1 && videoIndex >= 0)
        sv = &movie->streams[videoIndex];
    auto setText = [](char*& field, const std::string& text) {
        std::free(field);
        field = ::strdup(text.c_str());
    };
    for (int i = 0; i < profileStreams; ++i) {
        ProfileInfo* st = multi->GetStreamInfo(i);
        // A copied stream is written in the source's own codec and size.
        if (i < m_itemCount && st->bRemux && movie) {
            StreamInfo* src = GetStreamInfo(movie, m_items[i].nStreamID);
            if (!src)
                continue;
            if (src->codecName && (!st->pszCodecName || !*st->pszCodecName))
                setText(st->pszCodecName, src->codecName);
            if (st->nStreamType == StreamTypeVideo) {
                st->nWidth = src->width;
                st->nHeight = src->height;
                st->dFrameRate = CompleteFrameRate(0.0, FrameRateNum(src->frameRate), FrameRateDen(src->frameRate));
            } else if (st->nStreamType == StreamTypeAudio) {
                st->nSampleRate = src->sampleRate;
                st->nChannels = src->channels;
            }
            multi->SetStreamInfo(i, st);
            continue;
        }
        if (st->nStreamType != StreamTypeVideo || !sv)
            continue;
        if (st->nWidth <= 0 || st->nHeight <= 0) {
            st->nWidth = sv->width;
            st->nHeight = sv->height;
        }
        if (st->dFrameRate < 0.00001) {
            const uint32_t num = FrameRateNum(sv->frameRate), den = FrameRateDen(sv->frameRate);
            st->dFrameRate = den == 0 ? num : static_cast<double>(num) / den;
        }
        const std::string aspect = st->pszAspect ? st->pszAspect : "";
        if (useOrgAspect && (aspect.empty() || aspect[0] == '0')) {
            const double dar = DisplayAspect(*sv);
            const std::string codec = st->pszCodecName ? st->pszCodecName : "";
            if (useAspectText ||
                (!codec.empty() && QuentaBased::StrPos("xvid,h264,mpeg1video,mpeg2video,dvvideo,h263,wvc1,wmv3", 0,
                                                       codec) >= 0)) {
                setText(st->pszAspect, QuentaBased::IntToStr(static_cast<int>(dar * 90.0)) + ":90");
            } else {
                int width = st->nWidth, height = st->nHeight;
                FitToAspect(width, height, dar, &width, &height);
                st->nWidth = width;
                st->nHeight = height;
                setText(st->pszAspect, "");
            }
        }
        multi->SetStreamInfo(i, st);
    }
    multi.reset();

    OpenJobOutput(exporter.get());
    ClearError();
    IMultiMuxer2* muxer = exporter->GetMultiMuxer();
    if (!muxer)
        FAIL("Can't get the muxer of the exporter");
    if (m_allProcessors)
        muxer->SetEncodingThreads(QuentaBased::get_cpu_count());
    const int passes = std::max(record->Pass, 0);
    ClearError();
    if (!muxer->SetEncodingPass(passes))
        FAIL("Can't SetEncodingPass");

    auto makeSource = [&]() {
        ClearError();
        Released<IAVSource2> source(importer->CreateMultiSource(address.GetMovieID(), m_items, m_itemCount));
        if (!source)
            FAIL("No movie found in the source");
        // Every pass starts at the trim start, the first one too.
        if (record->TrimStart != 0)
            SeekToTrimStart(source.get(), record->TrimStart);
        return source;
    };
    Released<IAVSource2> source = makeSource();
    for (int i = 0; i < m_itemCount; ++i) {
        const StreamType type = m_items[i].eStreamType;
        if (!m_items[i].bCompress || type < StreamTypeVideo || type > StreamTypeSubtitle)
            continue;
        int size = 0;
        const uint8_t* header = source->GetStreamHeader(i, &size);
        if (header && size > 0)
            muxer->SetStreamHeader(i, header, size);
        AudioFormatInfo format{};
        if (type == StreamTypeAudio && source->GetAudioFormat(i, &format))
            muxer->SetAudioFormat(i, &format);
    }
    m_lastSubtitleTime.assign(static_cast<size_t>(m_itemCount), INT64_MIN);
    m_preReadSubtitle = false;
    m_manager->SetOption("UsePreReadSubtitle", "FALSE");
    m_manager->SetOption("ReadSubtitleOnly", "FALSE");

    for (int p = 0; p < passes; ++p) {
        if (p > 0) {
            source.reset();
            source = makeSource();
        }
        ClearError();
        if (!muxer->BeginWriting())
            FAIL("Can't BeginWriting");
        DoMultiExport(source.get(), m_items, m_itemCount, muxer, p, passes);
        ClearError();
        muxer->EndWriting();
        if (GetQuentaException()->GetExceptionCode() != 0)
            QuentaBased::ThrowLastError();
        if (record->GetState() == CONVERT_TASK_CANCEL)
            break;
    }
    exporter->Close();
}

void CAVConverterSubProcess::DoMultiExport(IAVSource2* source, SMItemInfo* items, int count, IMultiMuxer2* muxer,
                                           int pass, int passCount)
{
    ConvertTaskInfo2* record = Record();
    CAVStatist statist(items, count);
    uint32_t frames = 0;
    bool copiedTaken = false;
    record->SetDuration(JobDuration(source->GetDuration(), record->TrimStart, record->TrimLength));
    std::unique_ptr<CFramesQueue2> queue;
    std::unique_ptr<CAVEncodingThread2> thread;
    if (m_twoThreads) {
        queue.reset(new CFramesQueue2(30));
        thread.reset(new CAVEncodingThread2(items, count, queue.get(), muxer));
    }
    m_queue2 = queue.get();
    m_thread2 = thread.get();
    int subtitles = 0;
    bool allSubtitles = count > 0;
    for (int i = 0; i < count; ++i) {
        if (items[i].eStreamType == StreamTypeSubtitle)
            ++subtitles;
        else
            allSubtitles = false;
    }
    if (m_lastSubtitleTime.size() < static_cast<size_t>(count))
        m_lastSubtitleTime.resize(static_cast<size_t>(count), INT64_MIN);

    const bool ok = QB_GUARDED_VOID({
        for (;;) {
            if (WaitWhilePaused(m_clock) == CONVERT_TASK_CANCEL)
                break;
            FrameInfo info{};
            info.frame = nullptr;
            info.streamIndex = -1;
            info.carried1 = -1;
            info.carried2 = -1;
            info.type = 0;
            ClearError();
            if (!source->ReadFrame(&info, 0, -1)) {
                if (GetQuentaException()->GetExceptionCode() != 0)
                    QuentaBased::ThrowLastError();
                break;
            }
            const int index = info.streamIndex;
            if (info.frame && index >= 0 && index < count) {
                const StreamType type = static_cast<StreamType>(info.type);
                if (items[index].bCompress && info.compressed) {
                    auto* packet = static_cast<ICompressedFrame*>(info.frame);
                    if (!packet->IsKeyFrame() && !copiedTaken)
                        continue;
                    if (type == StreamTypeSubtitle) {
                        const int64_t t = std::max(packet->GetPresentTimeStamp(), m_lastSubtitleTime[index]);
                        m_lastSubtitleTime[index] = t;
                        packet->SetTimeStamp(t, t);
                    }
                    const int64_t dts = packet->GetDecompressTimeStamp();
                    if (dts != COMPRESSED_NO_TIME) {
                        const int64_t r = statist.UpDateStreamStatist(0, dts / 10000, index, type);
                        if (r != 0)
                            packet->SetTimeStamp(r, packet->GetPresentTimeStamp());
                    }
                    copiedTaken = true;
                } else if (type == StreamTypeAudio) {
                    const int64_t t = static_cast<IRawAudioFrame*>(info.frame)->GetTimeStamp();
                    if (t != INT64_MIN)
                        statist.UpDateStreamStatist(0, t / 10000, index, type);
                } else if (type == StreamTypeVideo) {
                    statist.UpDateStreamStatist(0, static_cast<IRawVideoFrame*>(info.frame)->GetTimeStamp(), index, type);
                }
            }
            const StreamType type = static_cast<StreamType>(info.type);
            const bool queued = thread && !info.compressed && (type == StreamTypeVideo || type == StreamTypeAudio);
            ++frames;
            const uint32_t interval = allSubtitles ? 1 : 200;
            if (m_dataRateStatistics && frames % interval == 0) {
                uint64_t sum = 0;
                uint32_t written = 0;
                {
                    CriticalScope hold(queued ? queue->GetCritical() : nullptr);
                    for (int i = 0; i < count; ++i) {
                        if (items[i].eStreamType == StreamTypeSubtitle && !allSubtitles)
                            continue;
                        uint64_t bytes = 0;
                        uint32_t ms = 0;
                        muxer->GetDataRateStats(i, &bytes, &ms);
                        sum += bytes;
                        if (ms != 0 && (written == 0 || ms < written))
                            written = ms;
                    }
                }
                const double elapsed = m_clock.Seconds();
                record->SetElapsedTime(elapsed);
                record->SetBytesWritten(static_cast<int64_t>(sum));
                const double q = written / (10.0 * record->GetDuration());
                double percent = (100 * pass) / passCount + q / passCount;
                if (percent > 100.0)
                    percent = 100.0;
                record->SetPercent(percent);
                const uint32_t estimate = allSubtitles ? 1 : 800;
                if (frames % estimate == 0 && q > 0.01) {
                    record->SetEstimatedSize(static_cast<int64_t>(static_cast<double>(sum) / (q / 100)));
                    if (percent > 0)
                        record->SetRemainingTime(elapsed / (percent / 100) - elapsed);
                }
            }
            if (!queued) {
                ClearError();
                if (info.frame && !muxer->WriteFrame(index, info.compressed, info.type, info.frame))
                    FAIL(type == StreamTypeVideo ? "Can't write video" : type == StreamTypeAudio ? "Can't write audio"
                                                                                                  : "Can't write subtitle");
            } else {
                void* copy = type == StreamTypeVideo ? static_cast<void*>(static_cast<IRawVideoFrame*>(info.frame)->Clone())
                                                     : static_cast<void*>(static_cast<IRawAudioFrame*>(info.frame)->Clone());
                if (!queue->PushWait(copy, index, type))
                    ThrowEncodingThreadEnd(thread.get());
            }
            for (int k = 0; k < subtitles; ++k) {
                int fillIndex = -1;
                StreamType fillType = StreamTypeUnknown;
                ICompressedFrame* filler = statist.CheckConstructFrame2(&fillIndex, &fillType);
                if (!filler)
                    break;
                ClearError();
                if (!muxer->WriteFrame(fillIndex, true, fillType, filler))
                    FAIL("Can't write subtitle");
            }
            if (record->GetState() == CONVERT_TASK_CANCEL)
                break;
        }
    });
    bool result = ok;
    if (thread) {
        // A cancel or a failure here stops the encoder at once; else it
        // writes what is queued.
        if (!ok || record->GetState() == CONVERT_TASK_CANCEL)
            thread->Cancel();
        thread->Complete();
        queue.reset();
        CBaseException threadError(thread->GetThreadException());
        thread.reset();
        if (result && threadError.GetCode() != 0 && record->GetState() != CONVERT_TASK_CANCEL) {
            GetQuentaException()->Copy(&threadError);
            result = false;
        }
    }
    m_queue2 = nullptr;
    m_thread2 = nullptr;
    // A failed pass fails the job; a cancelled one ends it with what was written.
    if (!result && record->GetState() != CONVERT_TASK_CANCEL)
        QuentaBased::ThrowLastError();
}

} // namespace Moorland
