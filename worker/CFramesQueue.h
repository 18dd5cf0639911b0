#pragma once

// The bounded queues between a job's decoding thread and its encoding
// thread. Every node is made at construction and reused. The waiting calls
// block: a push while the queue is full, a pop while it is empty, until
// the other side acts or the queue is closed. Either side closes it when it
// fails, which wakes the other at once: a failed encoder stops the decoder
// within one frame, and the reverse. Frames given to a queue belong to it
// until popped; a refused waiting push and the destructor free them.
#include "MoorlandMediaInfo.h"

#include <condition_variable>
#include <deque>
#include <mutex>

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

    // False when no node is free or the queue is closed.
    bool Push(const Node& value);
    // False when nothing is queued.
    bool Pop(Node* value);
    // Waits while every node is taken; false once the queue is closed.
    bool PushWait(const Node& value);
    // Waits while nothing is queued; false once the queue is closed, or
    // finished and empty.
    bool PopWait(Node* value);
    // A failure on either side: waiting calls return false from now on.
    void Close();
    // The producer gives nothing more: pops take what is left, then end.
    void Finish();
    bool IsClosed();
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
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_closed = false;
    bool m_finished = false;
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
    // Waits for room; false when closed, the frames then freed.
    bool PushWait(IRawVideoFrame* video, IRawAudioFrame* audio);
    // Waits for a pair; false when closed, or finished and empty.
    bool PopWait(IRawVideoFrame** video, IRawAudioFrame** audio);
    void Close();
    void Finish();
    bool IsClosed();
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
    // As CFramesQueue's waiting calls; a refused raw frame is freed.
    bool PushWait(void* frame, int streamIndex, StreamType type);
    bool PopWait(void** frame, int* streamIndex, StreamType* type);
    void Close();
    void Finish();
    bool IsClosed();
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
