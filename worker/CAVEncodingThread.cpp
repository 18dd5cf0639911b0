#include "CAVEncodingThread.h"

#include "Basilvo/Basilvo.h"
#include "CBaseException.h"
#include "CheckedCalls.h"
#include "IAVExporter.h"

namespace Moorland {

namespace {
const unsigned kInfinite = 0xFFFFFFFFu;
const char* const kSource = "CAVEncodingThread";
} // namespace

CEncodingMuxerWriter::CEncodingMuxerWriter(int videoId, int audioId, IEncodingMuxer* muxer)
    : m_videoId(videoId), m_audioId(audioId), m_muxer(muxer)
{}

void CEncodingMuxerWriter::Write(const CQueuedFrames& frames)
{
    if (frames.video && m_videoId != -1)
        CheckedCall([&] { return m_muxer->WriteVideo(m_videoId, frames.video.get()); }, "Can't write video", __LINE__,
                    kSource);
    if (frames.audio && m_audioId != -1)
        CheckedCall([&] { return m_muxer->WriteAudio(m_audioId, frames.audio.get()); }, "Can't write audio", __LINE__,
                    kSource);
    uint64_t videoBytes = 0, audioBytes = 0;
    uint32_t position = 0;
    if (m_videoId != -1)
        m_muxer->GetDataRateStats(m_videoId, &videoBytes, &position);
    if (m_audioId != -1)
        m_muxer->GetDataRateStats(m_audioId, &audioBytes, m_videoId == -1 ? &position : nullptr);
    m_videoBytes.store(videoBytes, std::memory_order_relaxed);
    m_audioBytes.store(audioBytes, std::memory_order_relaxed);
    m_position.store(position, std::memory_order_relaxed);
}

void CEncodingMuxerWriter::GetStatistics(uint64_t* videoBytes, uint64_t* audioBytes, uint32_t* position) const
{
    *videoBytes = m_videoBytes.load(std::memory_order_relaxed);
    *audioBytes = m_audioBytes.load(std::memory_order_relaxed);
    *position = m_position.load(std::memory_order_relaxed);
}

CMultiMuxerWriter::CMultiMuxerWriter(SMItemInfo* items, int count, IMultiMuxer2* muxer)
    : m_items(items), m_count(count), m_muxer(muxer),
      m_figures(new StreamFigures[static_cast<size_t>(count > 0 ? count : 0)])
{}

void CMultiMuxerWriter::Write(const CQueuedFrames& frames)
{
    if (frames.video)
        CheckedCall([&] { return m_muxer->WriteFrame(frames.streamIndex, false, StreamTypeVideo, frames.video.get()); },
                    "Can't write video", __LINE__, kSource);
    else if (frames.audio)
        CheckedCall([&] { return m_muxer->WriteFrame(frames.streamIndex, false, StreamTypeAudio, frames.audio.get()); },
                    "Can't write audio", __LINE__, kSource);
    if ((frames.video || frames.audio) && frames.streamIndex >= 0 && frames.streamIndex < m_count) {
        uint64_t bytes = 0;
        uint32_t ms = 0;
        m_muxer->GetDataRateStats(frames.streamIndex, &bytes, &ms);
        StreamFigures& figures = m_figures[static_cast<size_t>(frames.streamIndex)];
        figures.bytes.store(bytes, std::memory_order_relaxed);
        figures.ms.store(ms, std::memory_order_relaxed);
    }
}

void CMultiMuxerWriter::GetStatistics(int index, uint64_t* bytes, uint32_t* ms) const
{
    const bool known = index >= 0 && index < m_count;
    if (bytes)
        *bytes = known ? m_figures[static_cast<size_t>(index)].bytes.load(std::memory_order_relaxed) : 0;
    if (ms)
        *ms = known ? m_figures[static_cast<size_t>(index)].ms.load(std::memory_order_relaxed) : 0;
}

template <class Writer> CEncodingThread<Writer>::~CEncodingThread()
{
    // A thread still running is cancelled; one that ended leaves the queue
    // as it is.
    unsigned code = 0;
    if (!GetExitCode(code)) {
        m_cancel = true;
        m_queue->Close();
    }
    Wait(kInfinite);
}

template <class Writer> void CEncodingThread<Writer>::Complete()
{
    m_complete = true;
    m_queue->Finish();
    Wait(kInfinite);
}

template <class Writer> void CEncodingThread<Writer>::Cancel()
{
    m_cancel = true;
    m_queue->Close();
    Wait(kInfinite);
}

// Gives 1 after a cancel or a failed write, whose record stays, and closes
// the queue then, so that the producer stops at its next push; else 0 with
// a clear record.
template <class Writer> int CEncodingThread<Writer>::Execute()
{
    bool failed = false;
    try {
        if (m_begin)
            m_begin();
        for (;;) {
            CQueuedFrames frames;
            if (!m_queue->PopWait(&frames))
                break;
            // Whatever happens below, the popped frames go with `frames`.
            m_writer.Write(frames);
            if (m_cancel)
                throw CBaseException(QB_ERR_UNEXPECTED, "Cancel", __LINE__, kSource);
        }
        if (m_cancel)
            throw CBaseException(QB_ERR_UNEXPECTED, "Cancel", __LINE__, kSource);
    } catch (...) {
        QuentaBased::RecordCurrentException(__LINE__, kSource);
        failed = true;
    }
    if (failed || m_cancel) {
        m_queue->Close();
        return 1;
    }
    GetQuentaException()->Clear();
    return 0;
}

template class CEncodingThread<CEncodingMuxerWriter>;
template class CEncodingThread<CMultiMuxerWriter>;

} // namespace Moorland
