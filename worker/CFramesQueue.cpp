#include "CFramesQueue.h"

#include "CXMutex.h"
#include "IRawAudioFrame.h"
#include "IRawVideoFrame.h"
#include "sysplatform.h"

namespace Moorland {


void FreeRawFrame(void* frame, StreamType type)
{
    if (!frame)
        return;
    if (type == StreamTypeVideo)
        static_cast<IRawVideoFrame*>(frame)->Free();
    else if (type == StreamTypeAudio)
        static_cast<IRawAudioFrame*>(frame)->Free();
}

template <class Node>
CReusedNodes<Node>::CReusedNodes(unsigned capacity) : m_lock(QuentaBased::init_critical())
{
    for (unsigned i = 0; i < capacity; ++i)
        m_free.push_back(new Node);
}

template <class Node>
CReusedNodes<Node>::~CReusedNodes()
{
    QuentaBased::delete_critical(m_lock);
    for (Node* n : m_queue)
        delete n;
    for (Node* n : m_free)
        delete n;
}

template <class Node>
bool CReusedNodes<Node>::Push(const Node& value)
{
    {
        std::lock_guard<std::mutex> hold(m_mutex);
        if (m_free.empty() || m_closed)
            return false;
        Node* n = m_free.front();
        m_free.pop_front();
        *n = value;
        m_queue.push_back(n);
    }
    m_changed.notify_all();
    return true;
}

template <class Node>
bool CReusedNodes<Node>::Pop(Node* value)
{
    {
        std::lock_guard<std::mutex> hold(m_mutex);
        if (m_queue.empty())
            return false;
        Node* n = m_queue.front();
        m_queue.pop_front();
        *value = *n;
        *n = Node{};
        m_free.push_back(n);
    }
    m_changed.notify_all();
    return true;
}

template <class Node>
bool CReusedNodes<Node>::PushWait(const Node& value)
{
    {
        std::unique_lock<std::mutex> hold(m_mutex);
        m_changed.wait(hold, [this] { return m_closed || !m_free.empty(); });
        if (m_closed)
            return false;
        Node* n = m_free.front();
        m_free.pop_front();
        *n = value;
        m_queue.push_back(n);
    }
    m_changed.notify_all();
    return true;
}

template <class Node>
bool CReusedNodes<Node>::PopWait(Node* value)
{
    {
        std::unique_lock<std::mutex> hold(m_mutex);
        m_changed.wait(hold, [this] { return m_closed || m_finished || !m_queue.empty(); });
        if (m_closed || m_queue.empty())
            return false;
        Node* n = m_queue.front();
        m_queue.pop_front();
        *value = *n;
        *n = Node{};
        m_free.push_back(n);
    }
    m_changed.notify_all();
    return true;
}

template <class Node>
void CReusedNodes<Node>::Close()
{
    {
        std::lock_guard<std::mutex> hold(m_mutex);
        m_closed = true;
    }
    m_changed.notify_all();
}

template <class Node>
void CReusedNodes<Node>::Finish()
{
    {
        std::lock_guard<std::mutex> hold(m_mutex);
        m_finished = true;
    }
    m_changed.notify_all();
}

template <class Node>
bool CReusedNodes<Node>::IsClosed()
{
    std::lock_guard<std::mutex> hold(m_mutex);
    return m_closed;
}

template <class Node>
int CReusedNodes<Node>::GetCount()
{
    std::lock_guard<std::mutex> hold(m_mutex);
    return static_cast<int>(m_queue.size());
}

CFramesQueue::CFramesQueue(unsigned capacity) : m_nodes(capacity)
{
}

CFramesQueue::~CFramesQueue()
{
    m_nodes.ForEachQueued([](Node& n) {
        if (n.video)
            n.video->Free();
        if (n.audio)
            n.audio->Free();
    });
}

bool CFramesQueue::Push(IRawVideoFrame* video, IRawAudioFrame* audio)
{
    if (!video && !audio)
        return true;
    return m_nodes.Push(Node{video, audio});
}

bool CFramesQueue::PushWait(IRawVideoFrame* video, IRawAudioFrame* audio)
{
    if (!video && !audio)
        return !m_nodes.IsClosed();
    if (m_nodes.PushWait(Node{video, audio}))
        return true;
    if (video)
        video->Free();
    if (audio)
        audio->Free();
    return false;
}

bool CFramesQueue::PopWait(IRawVideoFrame** video, IRawAudioFrame** audio)
{
    Node n;
    const bool got = m_nodes.PopWait(&n);
    *video = n.video;
    *audio = n.audio;
    return got;
}

void CFramesQueue::Pop(IRawVideoFrame** video, IRawAudioFrame** audio)
{
    Node n;
    if (m_nodes.Pop(&n)) {
        *video = n.video;
        *audio = n.audio;
        return;
    }
    *video = nullptr;
    *audio = nullptr;
    QuentaBased::QuentaBased_Sleep(1);
}

int CFramesQueue::GetCount()
{
    return m_nodes.GetCount();
}

CFramesQueue2::CFramesQueue2(unsigned capacity) : m_nodes(capacity)
{
}

CFramesQueue2::~CFramesQueue2()
{
    m_nodes.ForEachQueued([](Node& n) { FreeRawFrame(n.frame, n.type); });
}

bool CFramesQueue2::Push(void* frame, int streamIndex, StreamType type)
{
    if (!frame)
        return true;
    return m_nodes.Push(Node{frame, streamIndex, type});
}

bool CFramesQueue2::PushWait(void* frame, int streamIndex, StreamType type)
{
    if (!frame)
        return !m_nodes.IsClosed();
    if (m_nodes.PushWait(Node{frame, streamIndex, type}))
        return true;
    FreeRawFrame(frame, type);
    return false;
}

bool CFramesQueue2::PopWait(void** frame, int* streamIndex, StreamType* type)
{
    Node n;
    const bool got = m_nodes.PopWait(&n);
    *frame = n.frame;
    *streamIndex = n.streamIndex;
    *type = n.type;
    return got;
}

void CFramesQueue2::Pop(void** frame, int* streamIndex, StreamType* type)
{
    Node n;
    if (m_nodes.Pop(&n)) {
        *frame = n.frame;
        *streamIndex = n.streamIndex;
        *type = n.type;
        return;
    }
    *frame = nullptr;
    QuentaBased::QuentaBased_Sleep(1);
}

int CFramesQueue2::GetCount()
{
    return m_nodes.GetCount();
}

void CFramesQueue::Close()
{
    m_nodes.Close();
}

void CFramesQueue::Finish()
{
    m_nodes.Finish();
}

bool CFramesQueue::IsClosed()
{
    return m_nodes.IsClosed();
}

void CFramesQueue2::Close()
{
    m_nodes.Close();
}

void CFramesQueue2::Finish()
{
    m_nodes.Finish();
}

bool CFramesQueue2::IsClosed()
{
    return m_nodes.IsClosed();
}

} // namespace Moorland
