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

// The nodes behind both queues, oldest first, under one critical section;
// a popped node goes back to the free list cleared.
template <class Node>
class CReusedNodes
{
public:
    explicit CReusedNodes(unsigned capacity);
    ~CReusedNodes();
    CReusedNodes(const CReusedNodes&) = delete;
    CReusedNodes& operator=(const CReusedNodes&) = delete;

    // False when no node is free.
    bool Push(const Node& value);
    // False when nothing is queued.
    bool Pop(Node* value);
    int GetCount();
    void* GetCritical() const { return m_lock; }
    // Visits the queued values without the lock (for the owner's destructor).
    template <class F>
    void ForEachQueued(F visit)
    {
        for (Node* n : m_queue)
            visit(*n);
    }

private:
    std::deque<Node*> m_queue;
    std::deque<Node*> m_free;
    void* m_lock;
};

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
    void* GetCritical() const { return m_nodes.GetCritical(); }

private:
    struct Node
    {
        IRawVideoFrame* video = nullptr;
        IRawAudioFrame* audio = nullptr;
    };
    CReusedNodes<Node> m_nodes;
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
    void* GetCritical() const { return m_nodes.GetCritical(); }

private:
    struct Node
    {
        void* frame = nullptr;
        int streamIndex = 0;
        StreamType type = StreamTypeUnknown;
    };
    CReusedNodes<Node> m_nodes;
};

// Frees a raw frame of the media layer by its kind (video and audio only).
void FreeRawFrame(void* frame, StreamType type);

} // namespace Moorland
