#pragma once

// The bounded queue between a job's decoding thread and its encoding
// thread. Its slots are made at construction and reused. The waiting calls
// block: a push while the queue is full, a pop while it is empty, until the
// other side acts or the queue is closed. Either side closes it when it
// fails, which wakes the other at once: a failed encoder stops the decoder
// within one frame, and the reverse. The queue owns the frames given to it
// until they are popped; a refused waiting push, a close and the destructor
// free them.
#include "IRawAudioFrame.h"
#include "IRawVideoFrame.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

namespace Moorland {

// Owners of raw frames: a frame is given back with Free, which releases it
// when it belongs to its holder.
struct FrameFree
{
    void operator()(IRawVideoFrame* f) const
    {
        if (f)
            f->Free();
    }
    void operator()(IRawAudioFrame* f) const
    {
        if (f)
            f->Free();
    }
};
using OwnedVideoFrame = std::unique_ptr<IRawVideoFrame, FrameFree>;
using OwnedAudioFrame = std::unique_ptr<IRawAudioFrame, FrameFree>;

// One queue entry: a picture, a block of sound or both, with the output
// stream they go to (the multi-stream writer's index; -1 when the encoder
// knows its streams itself).
struct CQueuedFrames
{
    OwnedVideoFrame video;
    OwnedAudioFrame audio;
    int streamIndex = -1;

    bool Empty() const { return !video && !audio; }
};

// `Entry` is what one slot holds: it is movable, default-constructs empty
// and tells whether it is (Empty).
template <class Entry> class CFrameQueue
{
public:
    explicit CFrameQueue(unsigned capacity);
    ~CFrameQueue();
    CFrameQueue(const CFrameQueue&) = delete;
    CFrameQueue& operator=(const CFrameQueue&) = delete;

    // Without waiting: false when full or closed, the frames then staying
    // with the caller. An empty entry is taken at once and stored nowhere.
    bool Push(Entry&& frames);
    // Without waiting: false when nothing is queued.
    bool Pop(Entry* frames);
    // Waits for room; false once the queue is closed, the frames then freed.
    bool PushWait(Entry&& frames);
    // Waits for an entry; false once the queue is closed, or finished and empty.
    bool PopWait(Entry* frames);
    // A failure on either side: the queued frames are freed and the waiting
    // calls return false from now on.
    void Close();
    // The producer gives nothing more: pops take what is left, then end.
    void Finish();
    bool IsClosed();
    int GetCount();
    // The queue's lock: the producer holds it around its statistics calls,
    // so they never meet a push or a pop half done.
    std::mutex& GetCritical() { return m_mutex; }

private:
    // Takes the oldest entry; the lock is held.
    void TakeFront(Entry* frames);
    void PutBack(Entry&& frames);

    std::vector<Entry> m_slots;
    size_t m_head = 0;
    size_t m_count = 0;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_closed = false;
    bool m_finished = false;
};

extern template class CFrameQueue<CQueuedFrames>;

// Every job's queue; the multi-stream export tags its frames with their
// stream index.
using CFramesQueue = CFrameQueue<CQueuedFrames>;

} // namespace Moorland
