#include "CAVEncodingThread.h"

#include "Basilvo/Basilvo.h"
#include "CBaseException.h"
#include "IAVExporter.h"
#include "IRawAudioFrame.h"
#include "IRawVideoFrame.h"

namespace Moorland {

namespace {
const unsigned kInfinite = 0xFFFFFFFFu;

[[noreturn]] void FailWrite(const char* message)
{
    if (GetQuentaException()->GetExceptionCode() != 0)
        QuentaBased::ThrowLastError();
    throw CBaseException(QB_ERR_UNEXPECTED, message, __LINE__, "AVConverterSubProcess");
}

// An encoding thread's loop: `writeNext` pops and writes one entry until the
// thread is told to complete and the queue is empty. Gives 1 after a cancel
// or a failed write, whose record stays; else 0 with a clear record.
template <class Queue, class WriteNext>
int RunEncodingLoop(const std::atomic<bool>& cancel, const std::atomic<bool>& complete, Queue* queue,
                    WriteNext writeNext)
{
    bool failed = false;
    try {
        for (;;) {
            writeNext();
            if (cancel)
                throw CBaseException(QB_ERR_UNEXPECTED, "Cancel", __LINE__, "AVConverterSubProcess");
            if (complete && queue->GetCount() == 0)
                break;
        }
    } catch (...) {
        QuentaBased::RecordCurrentException(__LINE__, "AVConverterSubProcess");
        failed = true;
    }
    if (failed || cancel)
        return 1;
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
    m_cancel = true;
    Wait(kInfinite);
}

void CAVEncodingThread::Complete()
{
    m_complete = true;
    Wait(kInfinite);
}

void CAVEncodingThread::Cancel()
{
    m_cancel = true;
    Wait(kInfinite);
}

int CAVEncodingThread::Execute()
{
    return RunEncodingLoop(m_cancel, m_complete, m_queue, [this] {
        IRawVideoFrame* video = nullptr;
        IRawAudioFrame* audio = nullptr;
        m_queue->Pop(&video, &audio);
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
    });
}

CAVEncodingThread2::CAVEncodingThread2(SMItemInfo* items, int count, CFramesQueue2* queue, IMultiMuxer2* muxer)
    : m_items(items), m_count(count), m_muxer(muxer), m_queue(queue)
{
    Resume();
}

CAVEncodingThread2::~CAVEncodingThread2()
{
    m_cancel = true;
    Wait(kInfinite);
}

void CAVEncodingThread2::Complete()
{
    m_complete = true;
    Wait(kInfinite);
}

void CAVEncodingThread2::Cancel()
{
    m_cancel = true;
    Wait(kInfinite);
}

int CAVEncodingThread2::Execute()
{
    return RunEncodingLoop(m_cancel, m_complete, m_queue, [this] {
        void* frame = nullptr;
        int index = -1;
        StreamType type = StreamTypeUnknown;
        m_queue->Pop(&frame, &index, &type);
        if (frame && (type == StreamTypeVideo || type == StreamTypeAudio)) {
            GetQuentaException()->Clear();
            const bool ok = m_muxer->WriteFrame(index, false, type, frame);
            FreeRawFrame(frame, type);
            if (!ok)
                FailWrite(type == StreamTypeVideo ? "Can't write video" : "Can't write audio");
        }
    });
}

} // namespace Moorland
