#include "CFramesQueue.h"

#include "CXMutex.h"
#include "IRawAudioFrame.h"
#include "IRawVideoFrame.h"
#include "sysplatform.h"

namespace Moorland {

namespace {
// Holds a critical section for one scope.
class CriticalScope
{
public:
    explicit CriticalScope(void* lock) : m_lock(lock) { QuentaBased::enter_critical(m_lock); }
    ~CriticalScope() { QuentaBased::leave_critical(m_lock); }
    CriticalScope(const CriticalScope&) = delete;
    CriticalScope& operator=(const CriticalScope&) = delete;

private:
    void* m_lock;
};
} // namespace

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
    CriticalScope hold(m_lock);
    if (m_free.empty())
        return false;
    Node* n = m_free.front();
    m_free.pop_front();
    *n = value;
    m_queue.push_back(n);
    return true;
}

template <class Node>
bool CReusedNodes<Node>::Pop(Node* value)
{
    CriticalScope hold(m_lock);
    if (m_queue.empty())
        return false;
    Node* n = m_queue.front();
    m_queue.pop_front();
    *value = *n;
    *n = Node{};
    m_free.push_back(n);
    return true;
}

template <class Node>
int CReusedNodes<Node>::GetCount()
{
    CriticalScope hold(m_lock);
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

} // namespace Moorland
