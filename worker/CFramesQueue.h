#pragma once

// The bounded queues between a job's decoding thread and its encoding
// thread. Every node is made at construction and reused; neither side ever
// blocks: a full queue refuses a push, an empty one answers a pop with
// nothing after a 1 ms sleep. Frames in a queue belong to the queue until
// popped; the destructor frees whatever is still queued.

#include "MoorlandMediaInfo.h"

#include <deque>

namespace Moorland {

class IRawVideoFrame;
class IRawAudioFrame;

// Pairs of one picture and one block of sound (either may be null).
class CFramesQueue
{
public:
    explicit CFramesQueue(unsigned capacity);
    ~CFramesQueue();
    CFramesQueue(const CFramesQueue&) = delete;
    CFramesQueue& operator=(const CFramesQueue&) = delete;

    // False when full; two nulls are taken at once and stored nowhere.
    bool Push(IRawVideoFrame* video, IRawAudioFrame* audio);
    // The oldest pair; both null (after a 1 ms sleep) when empty.
    void Pop(IRawVideoFrame** video, IRawAudioFrame** audio);
    int GetCount();
    // The lock: the transcode loop holds it around the muxer's statistics.
    void* GetCritical() const { return m_lock; }

private:
    struct Node
    {
        IRawVideoFrame* video = nullptr;
        IRawAudioFrame* audio = nullptr;
    };
    std::deque<Node*> m_queue;
    std::deque<Node*> m_free;
    void* m_lock;
};

// Single frames tagged with their output stream and kind.
class CFramesQueue2
{
public:
    explicit CFramesQueue2(unsigned capacity);
    ~CFramesQueue2();
    CFramesQueue2(const CFramesQueue2&) = delete;
    CFramesQueue2& operator=(const CFramesQueue2&) = delete;

    bool Push(void* frame, int streamIndex, StreamType type);
    // Only *frame is set (null) when the queue is empty.
    void Pop(void** frame, int* streamIndex, StreamType* type);
    int GetCount();
    void* GetCritical() const { return m_lock; }

private:
    struct Node
    {
        void* frame = nullptr;
        int streamIndex = 0;
        StreamType type = StreamTypeUnknown;
    };
    std::deque<Node*> m_queue;
    std::deque<Node*> m_free;
    void* m_lock;
};

// Frees a raw frame of the media layer by its kind (video and audio only).
void FreeRawFrame(void* frame, StreamType type);

} // namespace Moorland
