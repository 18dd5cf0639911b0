#include "CAVEncodingThread.h"

#include "Basilvo/Basilvo.h"
#include "CBaseException.h"
#include "CheckedCalls.h"
#include "IAVExporter.h"
#include "IRawAudioFrame.h"
#include "IRawVideoFrame.h"

namespace Moorland {

namespace {
const unsigned kInfinite = 0xFFFFFFFFu;

[[noreturn]] void FailWrite(const char* message)
{
    ThrowRecordedOr(message, __LINE__, "AVConverterSubProcess");
}

// An encoding thread's loop: `writeNext` waits for, pops and writes one
// entry, false once the queue is finished and empty or closed. Gives 1
// after a cancel or a failed write, whose record stays, and closes the
// queue then, so that the producer stops at its next push; else 0 with a
// clear record.
template <class Queue, class WriteNext>
int RunEncodingLoop(const std::atomic<bool>& cancel, Queue* queue, WriteNext writeNext)
{
    bool failed = false;
    try {
        while (writeNext()) {
            if (cancel)
                throw CBaseException(QB_ERR_UNEXPECTED, "Cancel", __LINE__, "AVConverterSubProcess");
        }
        if (cancel)
            throw CBaseException(QB_ERR_UNEXPECTED, "Cancel", __LINE__, "AVConverterSubProcess");
    } catch (...) {
        QuentaBased::RecordCurrentException(__LINE__, "AVConverterSubProcess");
        failed = true;
    }
    if (failed || cancel) {
        queue->Close();
        return 1;
    }
    GetQuentaException()->Clear();
    return 0;
}
} // namespace

CAVEncodingThread::CAVEncodingThread(int videoId, int audioId, CFramesQueue* queue, IEncodingMuxer* muxer)
    : m_videoId(videoId), m_audioId(audioId), m_muxer(muxer), m_queue(queue)
{
    Resume();
}

CAVEncodingThread::~CAVEncodingThread()
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

void CAVEncodingThread::Complete()
{
    m_complete = true;
    m_queue->Finish();
    Wait(kInfinite);
}

void CAVEncodingThread::Cancel()
{
    m_cancel = true;
    m_queue->Close();
    Wait(kInfinite);
}

int CAVEncodingThread::Execute()
{
    return RunEncodingLoop(m_cancel, m_queue, [this] {
        IRawVideoFrame* video = nullptr;
        IRawAudioFrame* audio = nullptr;
        if (!m_queue->PopWait(&video, &audio))
            return false;
        // Whatever happens below, the popped frames are freed.
        struct Release {
            IRawVideoFrame*& v;
            IRawAudioFrame*& a;
            ~Release()
            {
                if (v)
                    v->Free();
                if (a)
                    a->Free();
            }
        } release{video, audio};
        if (video && m_videoId != -1) {
            GetQuentaException()->Clear();
            if (!m_muxer->WriteVideo(m_videoId, video))
                FailWrite("Can't write video");
        }
        if (audio && m_audioId != -1) {
            GetQuentaException()->Clear();
            if (!m_muxer->WriteAudio(m_audioId, audio))
                FailWrite("Can't write audio");
        }
        return true;
    });
}

CAVEncodingThread2::CAVEncodingThread2(SMItemInfo* items, int count, CFramesQueue2* queue, IMultiMuxer2* muxer)
    : m_items(items), m_count(count), m_muxer(muxer), m_queue(queue)
{
    Resume();
}

CAVEncodingThread2::~CAVEncodingThread2()
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

void CAVEncodingThread2::Complete()
{
    m_complete = true;
    m_queue->Finish();
    Wait(kInfinite);
}

void CAVEncodingThread2::Cancel()
{
    m_cancel = true;
    m_queue->Close();
    Wait(kInfinite);
}

int CAVEncodingThread2::Execute()
{
    return RunEncodingLoop(m_cancel, m_queue, [this] {
        void* frame = nullptr;
        int index = -1;
        StreamType type = StreamTypeUnknown;
        if (!m_queue->PopWait(&frame, &index, &type))
            return false;
        if (frame && (type == StreamTypeVideo || type == StreamTypeAudio)) {
            GetQuentaException()->Clear();
            const bool ok = m_muxer->WriteFrame(index, false, type, frame);
            FreeRawFrame(frame, type);
            if (!ok)
                FailWrite(type == StreamTypeVideo ? "Can't write video" : "Can't write audio");
        }
        return true;
    });
}

} // namespace Moorland
