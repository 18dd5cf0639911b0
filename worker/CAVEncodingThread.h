#pragma once

// The encoding side of a two-thread job: a thread that waits for frames on a
// frame queue and writes them to the muxer; each popped frame is its own
// and goes after its write. It keeps the muxer's figures for the producer. It ends when told to complete and the queue is empty, when cancelled
// ("Cancel", which closes the queue), or at the first write the muxer
// refuses, closing the queue so that the producer stops: a frame that can't
// be written fails the job rather than go missing from the output.

#include "CFramesQueue.h"
#include "CQuentaBasedThread.h"
#include "MultiUtils.h"

#include <atomic>
#include <cstdint>
#include <memory>

namespace Moorland {

class IEncodingMuxer;
class IMultiMuxer2;

class CAVEncodingThread : public QuentaBased::CQuentaBasedThread
{
public:
    // Starts the thread at once. Ids of -1: that kind is only freed.
    CAVEncodingThread(int videoId, int audioId, CFramesQueue* queue, IEncodingMuxer* muxer);
    ~CAVEncodingThread() override;

    // Finishes (Complete) or closes (Cancel) the queue, then waits without
    // limit for the thread's end.
    void Complete();
    void Cancel();
    // What the muxer had written after the thread's latest write, as the
    // thread itself read it: bytes of the picture and the sound stream and
    // the time reached (ms; the picture stream's, else the sound's). Any
    // thread may ask; the figures of one call may be one write apart.
    void GetStatistics(uint64_t* videoBytes, uint64_t* audioBytes, uint32_t* position) const;

protected:
    int Execute() override;

private:
    void PublishStatistics();

    int m_videoId;
    int m_audioId;
    IEncodingMuxer* m_muxer;
    CFramesQueue* m_queue;
    std::atomic<bool> m_cancel{false};
    std::atomic<bool> m_complete{false};
    std::atomic<uint64_t> m_videoBytes{0};
    std::atomic<uint64_t> m_audioBytes{0};
    std::atomic<uint32_t> m_position{0};
};

class CAVEncodingThread2 : public QuentaBased::CQuentaBasedThread
{
public:
    CAVEncodingThread2(SMItemInfo* items, int count, CFramesQueue2* queue, IMultiMuxer2* muxer);
    ~CAVEncodingThread2() override;

    void Complete();
    void Cancel();
    // What the muxer had written of stream `index` after the thread's latest
    // write to it, as the thread itself read it (zero before the first).
    // Any thread may ask.
    void GetStatistics(int index, uint64_t* bytes, uint32_t* ms) const;

protected:
    int Execute() override;

private:
    struct StreamFigures
    {
        std::atomic<uint64_t> bytes{0};
        std::atomic<uint32_t> ms{0};
    };

    SMItemInfo* m_items;
    int m_count;
    IMultiMuxer2* m_muxer;
    CFramesQueue2* m_queue;
    std::unique_ptr<StreamFigures[]> m_figures;
    std::atomic<bool> m_cancel{false};
    std::atomic<bool> m_complete{false};
};

} // namespace Moorland
