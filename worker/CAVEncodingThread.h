#pragma once

// The encoding side of a two-thread job: a thread that waits for frames on a
// frame queue and hands them to the job's muxer; each popped frame is its
// own and goes after its write. It keeps the muxer's figures for the
// producer. It ends when told to complete and the queue is empty, when
// cancelled ("Cancel", which closes the queue), or at the first write the
// muxer refuses, closing the queue so that the producer stops: a frame that
// can't be written fails the job rather than go missing from the output.
//
// One thread for every kind of output; what differs is how a popped entry is
// written and which figures are kept, the thread's Writer:
// CEncodingMuxerWriter for one picture and one sound stream,
// CMultiMuxerWriter for the tagged streams of a multi-stream job.

#include "CFramesQueue.h"
#include "CQuentaBasedThread.h"
#include "MultiUtils.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

namespace Moorland {

class IEncodingMuxer;
class IMultiMuxer2;

// The picture and sound stream of an encoding muxer (ids of -1: that kind
// is only freed).
class CEncodingMuxerWriter
{
public:
    CEncodingMuxerWriter(int videoId, int audioId, IEncodingMuxer* muxer);
    // Writes what the entry holds; throws when the muxer refuses.
    void Write(const CQueuedFrames& frames);
    // What the muxer had written after the latest write, as the thread read
    // it: bytes of the picture and the sound stream and the time reached
    // (ms; the picture stream's, else the sound's). The figures of one call
    // may be one write apart.
    void GetStatistics(uint64_t* videoBytes, uint64_t* audioBytes, uint32_t* position) const;

private:
    int m_videoId;
    int m_audioId;
    IEncodingMuxer* m_muxer;
    std::atomic<uint64_t> m_videoBytes{0};
    std::atomic<uint64_t> m_audioBytes{0};
    std::atomic<uint32_t> m_position{0};
};

// The streams of a multi-stream muxer; each entry names its stream index.
class CMultiMuxerWriter
{
public:
    CMultiMuxerWriter(SMItemInfo* items, int count, IMultiMuxer2* muxer);
    void Write(const CQueuedFrames& frames);
    // What the muxer had written of stream `index` after the latest write to
    // it (zero before the first).
    void GetStatistics(int index, uint64_t* bytes, uint32_t* ms) const;

private:
    struct StreamFigures
    {
        std::atomic<uint64_t> bytes{0};
        std::atomic<uint32_t> ms{0};
    };

    SMItemInfo* m_items;
    int m_count;
    IMultiMuxer2* m_muxer;
    std::unique_ptr<StreamFigures[]> m_figures;
};

template <class Writer> class CEncodingThread : public QuentaBased::CQuentaBasedThread
{
public:
    // Starts the thread at once; `streams` and `count` are the writer's
    // (a picture and a sound stream id, or the stream items and their count).
    // `begin`, when given, runs on the thread before the first frame is
    // taken (opening the encoders while the producer reads its first
    // frames); a throw from it fails the thread as a refused write does.
    template <class Streams, class Count, class Muxer>
    CEncodingThread(Streams streams, Count count, CFramesQueue* queue, Muxer* muxer,
                    std::function<void()> begin = nullptr)
        : m_writer(streams, count, muxer), m_queue(queue), m_begin(std::move(begin))
    {
        Resume();
    }
    ~CEncodingThread() override;

    // Finishes (Complete) or closes (Cancel) the queue, then waits without
    // limit for the thread's end.
    void Complete();
    void Cancel();
    // The writer's figures; any thread may ask.
    template <class... Args> void GetStatistics(Args... args) const { m_writer.GetStatistics(args...); }

protected:
    int Execute() override;

private:
    Writer m_writer;
    CFramesQueue* m_queue;
    std::function<void()> m_begin;
    std::atomic<bool> m_cancel{false};
    std::atomic<bool> m_complete{false};
};

extern template class CEncodingThread<CEncodingMuxerWriter>;
extern template class CEncodingThread<CMultiMuxerWriter>;

using CAVEncodingThread = CEncodingThread<CEncodingMuxerWriter>;
using CAVEncodingThread2 = CEncodingThread<CMultiMuxerWriter>;

} // namespace Moorland
