#include "CMultiStreamJob.h"

#include "CAVEncodingThread.h"
#include "CFramesQueue.h"
#include "CJobContext.h"
#include "CJobProfile.h"
#include "CProgressReporter.h"
#include "EncoderHandOff.h"
#include "JobRules.h"
#include "Moorlan.h"
#include "StreamStatist.h"
#include "SteadyTime.h"
#include "sysplatform.h"
#include "moorlan_src_misc.h"
#include "moorlan_srcutils/moorlan_url.h"
#include "profile_multi.h"
#include "sysutils.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace Moorland {

namespace {
const char* const kSource = "CMultiStreamJob";
#define RAISE(code, message) throw CBaseException((code), (message), __LINE__, kSource)
const unsigned kQueueCapacity = 30;
// Codecs of a multi-stream output that carry a display aspect of their own.
const char* const kMultiAspectCodecs = "xvid,h264,mpeg1video,mpeg2video,dvvideo,h263,wvc1,wmv3";
} // namespace

CMultiStreamJob::CMultiStreamJob(CJobContext& job) : m_job(job) {}

void CMultiStreamJob::ChooseItems()
{
    CSourceURL address(m_job.SourcePath());
    SMItemInfo* items = nullptr;
    const int parsed = CheckedCallIf([&] { return ParserUrlToSMItemInfo(address.GetURL(), &items); },
                                     [](int count) { return count < 0; }, "bad Params", __LINE__, kSource);
    m_items.reset(items);
    m_itemCount = parsed;
}

void CMultiStreamJob::DoMultiExportExecute()
{
    const ConvertTaskLocal& local = m_job.Job();
    CSourceURL address(m_job.SourcePath());
    ChooseItems();

    CJobProfile profile(local.Profile);
    if (!profile.HasFormat())
        RAISE(QB_ERR_UNEXPECTED, "Bad profile format");
    std::string importerName = local.ImporterName ? local.ImporterName : address.GetProtocol();
    if (importerName.empty())
        importerName = "FFImporter";
    Released<IAVImporter> importer(
        CheckedCall([&] { return m_job.Manager()->CreateImporterByName(importerName.c_str()); },
                    "Can't create importer for the file", __LINE__, kSource));
    CheckedCall([&] { return importer->Open(address.GetFilePath().c_str()); }, "Can't Open Importer", __LINE__,
                kSource);
    Released<IAVExporter> exporter(CheckedCall([&] { return m_job.Manager()->CreateExporterByName("FFExporter"); },
                                               "Can't create exporter FFExporter", __LINE__, kSource));
    const bool useOrgAspect = m_job.Plan().useOrgAspect;

    // The multi-stream settings live in the job profile; the view over them
    // goes when the settings are complete.
    std::unique_ptr<CMultiProfile> multi(new CMultiProfile());
    CheckedCall([&] { return multi->SetProfile(local.Profile); }, "Bad profile format", __LINE__, kSource);
    const int profileStreams = multi->GetStreamCount();
    if (m_itemCount <= 0) {
        if (profileStreams <= 0)
            RAISE(QB_ERR_UNEXPECTED, "Bad profile format");
        m_items.reset(new SMItemInfo[profileStreams]);
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
            // A ProRes job writes the display aspect as text.
            if (m_job.Plan().prores || (!codec.empty() && QuentaBased::StrPos(kMultiAspectCodecs, 0, codec) >= 0)) {
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

    m_job.OpenJobOutput(exporter.get());
    IMultiMuxer2* muxer = CheckedCall([&] { return exporter->GetMultiMuxer(); }, "Can't get the muxer of the exporter",
                                      __LINE__, kSource);
    if (m_job.AllProcessors())
        muxer->SetEncodingThreads(QuentaBased::get_cpu_count());
    // Copied pictures are written once: only an encoded one takes two passes.
    bool encodesPicture = false;
    for (int i = 0; i < m_itemCount; ++i)
        encodesPicture = encodesPicture || (m_items[i].eStreamType == StreamTypeVideo && !m_items[i].bCompress);
    m_job.SettleOnStreams(encodesPicture, true);
    const int passes = m_job.Plan().passes;
    CheckedCall([&] { return muxer->SetEncodingPass(passes); }, "Can't SetEncodingPass", __LINE__, kSource);
    // Every stream keeps its place against the others from the range's start.
    muxer->SetTimeOrigin(static_cast<int64_t>(m_job.Plan().trimStartMs) * Moorland::kTicksPerMs);

    auto makeSource = [&]() {
        Released<IAVSource2> source(
            CheckedCall([&] { return importer->CreateMultiSource(address.GetMovieID(), m_items.get(), m_itemCount); },
                        "No movie found in the source", __LINE__, kSource));
        // Every pass starts at the trim start, the first one too.
        if (m_job.Plan().trimStartMs != 0)
            SeekToTrimStart(source.get(), m_job.Plan().trimStartMs, kSource);
        return source;
    };
    Released<IAVSource2> source = makeSource();
    GiveStreamHeaders(source.get(), muxer);
    m_lastSubtitleTime.assign(static_cast<size_t>(m_itemCount), INT64_MIN);
    m_preReadSubtitle = false;
    m_job.Manager()->SetOption("UsePreReadSubtitle", "FALSE");
    m_job.Manager()->SetOption("ReadSubtitleOnly", "FALSE");

    for (int p = 0; p < passes; ++p) {
        if (p > 0) {
            source.reset();
            source = makeSource();
        }
        CheckedCall([&] { return muxer->BeginWriting(); }, "Can't BeginWriting", __LINE__, kSource);
        DoMultiExport(source.get(), muxer, p, passes);
        CheckedReport([&] { muxer->EndWriting(); });
        if (m_job.Cancelled())
            break;
    }
    exporter->Close();
    if (m_job.Plan().prores && !m_job.Cancelled())
        m_job.TimecodeStep();
    CheckOutput(movie);
    m_job.Finish();
}

void CMultiStreamJob::GiveStreamHeaders(IAVSource2* source, IMultiMuxer2* muxer)
{
    for (int i = 0; i < m_itemCount; ++i) {
        const StreamType type = m_items[i].eStreamType;
        if (!m_items[i].bCompress || type < StreamTypeVideo || type > StreamTypeSubtitle)
            continue;
        int size = 0;
        const uint8_t* header = source->GetStreamHeader(i, &size);
        if (header && size > 0)
            muxer->SetStreamHeader(i, header, size);
        // A stream without a described format is written from its header alone.
        AudioFormatInfo format{};
        if (type == StreamTypeAudio && CheckedEnd([&] { return source->GetAudioFormat(i, &format); }))
            muxer->SetAudioFormat(i, &format);
    }
}

void CMultiStreamJob::CheckOutput(MovieInfo* movie)
{
    // The output holds each chosen stream as long as its source stream, as
    // every job's output must; the first picture and sound streams tell.
    double promised[2] = {-1.0, -1.0};
    for (int i = 0; i < m_itemCount; ++i) {
        const StreamType type = m_items[i].eStreamType;
        if ((type == StreamTypeVideo || type == StreamTypeAudio) && promised[type - StreamTypeVideo] < 0)
            promised[type - StreamTypeVideo] = CJobContext::PromisedSeconds(movie, m_items[i].nStreamID, i);
    }
    m_job.CheckOutput(promised[0], promised[1]);
}

void CMultiStreamJob::DoMultiExport(IAVSource2* source, IMultiMuxer2* muxer, int pass, int passCount)
{
    ConvertTaskInfo2* record = m_job.Record();
    SMItemInfo* items = m_items.get();
    const int count = m_itemCount;
    CAVStatist statist(items, count);
    bool copiedTaken = false;
    record->SetDuration(JobDuration(source->GetDuration(), m_job.Plan().trimStartMs, m_job.Plan().trimLengthMs));
    std::unique_ptr<CFramesQueue> queue;
    std::unique_ptr<CAVEncodingThread2> thread;
    if (m_job.TwoThreads()) {
        queue.reset(new CFramesQueue(kQueueCapacity));
        thread.reset(new CAVEncodingThread2(items, count, queue.get(), muxer));
    }
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
    // Subtitles alone are few: every one of them moves the figures.
    CProgressReporter progress(record, m_job.Clock(), pass, passCount, m_job.DataRateStatistics(),
                               allSubtitles ? 1 : CProgressReporter::kInterval);
    if (pass + 1 < passCount)
        progress.WritesNoBytes();

    // The streams whose frames go to the encoding thread.
    std::vector<char> encodedBeside(static_cast<size_t>(count > 0 ? count : 0), 0);
    PassRange range(m_job.Plan().trimStartMs, m_job.Plan().trimLengthMs);

    RunBesideEncoder(m_job, thread.get(), [&] {
        m_job.RunLoop(
            &progress,
            [&] {
                CJobContext::LoopUnit unit;
                FrameInfo info{};
                info.frame = nullptr;
                info.streamIndex = -1;
                info.carried1 = -1;
                info.carried2 = -1;
                info.type = 0;
                if (!CheckedEnd([&] { return source->ReadFrame(&info, 0, -1); })) {
                    progress.EndPass();
                    unit.more = false;
                    return unit;
                }
                const int index = info.streamIndex;
                const StreamType type = static_cast<StreamType>(info.type);
                if (info.frame && index >= 0 && index < count &&
                    !TakeFrame(info, statist, range, copiedTaken, &unit.reachedMs))
                    return unit;
                const bool queued = thread && !info.compressed && (type == StreamTypeVideo || type == StreamTypeAudio);
                if (!queued) {
                    if (info.frame)
                        CheckedCall([&] { return muxer->WriteFrame(index, info.compressed, info.type, info.frame); },
                                    type == StreamTypeVideo   ? "Can't write video"
                                    : type == StreamTypeAudio ? "Can't write audio"
                                                              : "Can't write subtitle",
                                    __LINE__, kSource);
                } else if (info.frame) {
                    // The source keeps its frames until its next read: the queue
                    // gets its own, a picture sharing the source's pixels where it
                    // can and the sound moved out of the source's frame.
                    CQueuedFrames frames;
                    frames.streamIndex = index;
                    if (index >= 0 && index < count)
                        encodedBeside[static_cast<size_t>(index)] = 1;
                    if (type == StreamTypeVideo)
                        frames.video.reset(ShareOrClone(static_cast<IRawVideoFrame*>(info.frame)));
                    else
                        frames.audio.reset(static_cast<IRawAudioFrame*>(info.frame)->Take());
                    if (!queue->PushWait(std::move(frames)))
                        ThrowEncodingThreadEnd(thread.get());
                }
                WriteDueSubtitles(statist, muxer, subtitles);
                return unit;
            },
            [&] {
                if (!progress.WritesFigures())
                    return true;
                // The output has got as far as its slowest stream. The encoding
                // thread's streams are told by the thread itself; the streams
                // copied here are asked of the muxer.
                uint64_t sum = 0;
                uint32_t written = 0;
                for (int i = 0; i < count; ++i) {
                    if (items[i].eStreamType == StreamTypeSubtitle && !allSubtitles)
                        continue;
                    uint64_t bytes = 0;
                    uint32_t ms = 0;
                    if (encodedBeside[static_cast<size_t>(i)])
                        thread->GetStatistics(i, &bytes, &ms);
                    else
                        muxer->GetDataRateStats(i, &bytes, &ms);
                    sum += bytes;
                    if (ms != 0 && (written == 0 || ms < written))
                        written = ms;
                }
                progress.ReportPosition(written, sum);
                return true;
            });
    });
}

bool CMultiStreamJob::TakeFrame(const FrameInfo& info, CAVStatist& statist, PassRange& range, bool& copiedTaken,
                                int64_t* reachedMs)
{
    const int index = info.streamIndex;
    const StreamType type = static_cast<StreamType>(info.type);
    int64_t atMs = INT64_MIN;
    if (m_items[index].bCompress && info.compressed) {
        auto* packet = static_cast<ICompressedFrame*>(info.frame);
        // Copied sound that ends before the range (a seek lands early) and
        // cues that start before it stay out of it.
        const int64_t pts = packet->GetPresentTimeStamp();
        const bool before = type == StreamTypeSubtitle
                                ? pts < range.start100ns
                                : pts + std::max<int64_t>(packet->GetDuration(), 0) <= range.start100ns;
        if (range.start100ns != 0 && type != StreamTypeVideo && pts != COMPRESSED_NO_TIME && before)
            return false;
        if (!packet->IsKeyFrame() && !copiedTaken)
            return false;
        const int64_t decoded = packet->GetDecompressTimeStamp();
        atMs = (decoded != COMPRESSED_NO_TIME ? decoded : pts) / Moorland::kTicksPerMs;
        if (type == StreamTypeSubtitle) {
            const int64_t t = std::max(pts, m_lastSubtitleTime[index]);
            m_lastSubtitleTime[index] = t;
            packet->SetTimeStamp(t, t);
        }
        const int64_t dts = packet->GetDecompressTimeStamp();
        if (dts != COMPRESSED_NO_TIME) {
            const int64_t r = statist.UpDateStreamStatist(0, dts / Moorland::kTicksPerMs, index, type);
            if (r != 0)
                packet->SetTimeStamp(r, packet->GetPresentTimeStamp());
        }
        copiedTaken = true;
    } else if (type == StreamTypeAudio) {
        const int64_t t = static_cast<IRawAudioFrame*>(info.frame)->GetTimeStamp();
        if (t != INT64_MIN) {
            statist.UpDateStreamStatist(0, t / Moorland::kTicksPerMs, index, type);
            atMs = t / Moorland::kTicksPerMs;
        }
    } else if (type == StreamTypeVideo) {
        atMs = static_cast<IRawVideoFrame*>(info.frame)->GetTimeStamp();
        statist.UpDateStreamStatist(0, atMs, index, type);
    }
    if (atMs == INT64_MIN || (type != StreamTypeVideo && type != StreamTypeAudio))
        return true;
    (type == StreamTypeVideo ? range.video : range.audio).Add(atMs);
    if (range.firstMs == INT64_MIN)
        range.firstMs = atMs;
    auto reached = [&range](const CSteadyTime& s) { return s.Any() ? s.Last() - range.firstMs : -1; };
    *reachedMs = Together(reached(range.video), reached(range.audio), 2000);
    // Read on until the slower stream reached the range's end, the faster
    // one stops there.
    return range.lengthMs == -1 || atMs - range.firstMs <= range.lengthMs;
}

void CMultiStreamJob::WriteDueSubtitles(CAVStatist& statist, IMultiMuxer2* muxer, int subtitles)
{
    for (int k = 0; k < subtitles; ++k) {
        int index = -1;
        StreamType type = StreamTypeUnknown;
        if (!m_preReadSubtitle) {
            ICompressedFrame* filler = statist.CheckConstructFrame2(&index, &type);
            if (!filler)
                break;
            CheckedCall([&] { return muxer->WriteFrame(index, true, type, filler); }, "Can't write subtitle", __LINE__,
                        kSource);
            continue;
        }
        const int64_t front = m_preRead.GetFontDecompressTimeStamp();
        int64_t limit = -1;
        if (ICompressedFrame* filler = statist.CheckConstructFrame3(&index, &type, front, &limit))
            CheckedCall([&] { return muxer->WriteFrame(index, true, type, filler); }, "Can't write subtitle", __LINE__,
                        kSource);
        FrameInfo queued{};
        if (front == -1 || limit == -1 || front > limit || !m_preRead.ReadFrame(&queued))
            continue;
        auto* packet = static_cast<ICompressedFrame*>(queued.frame);
        const StreamType queuedType = static_cast<StreamType>(queued.type);
        statist.UpDateStreamStatist(0, packet->GetDecompressTimeStamp() / Moorland::kTicksPerMs, queued.streamIndex,
                                    queuedType);
        CheckedCall([&] { return muxer->WriteFrame(queued.streamIndex, queued.compressed, queued.type, packet); },
                    "Can't write subtitle", __LINE__, kSource);
    }
}

void CMultiStreamJob::DoPreReadSubtitle(IAVSource2* source, int baseIndex)
{
    m_preRead.SetBaseIndex(baseIndex);
    // A read ahead of the pass: no figures of its own.
    m_job.RunLoop(
        nullptr,
        [&] {
            CJobContext::LoopUnit unit;
            FrameInfo info{};
            info.frame = nullptr;
            info.streamIndex = -1;
            info.carried1 = -1;
            info.carried2 = -1;
            info.type = 0;
            if (!CheckedEnd([&] { return source->ReadFrame(&info, 0, -1); })) {
                unit.more = false;
                return unit;
            }
            if (info.type == StreamTypeSubtitle && info.compressed)
                m_preRead.Push(&info);
            return unit;
        },
        [] { return true; });
}

} // namespace Moorland
