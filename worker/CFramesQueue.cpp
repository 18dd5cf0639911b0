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

CFramesQueue::CFramesQueue(unsigned capacity) : m_lock(QuentaBased::init_critical())
{
    for (unsigned i = 0; i < capacity; ++i)
        m_free.push_back(new Node);
}

CFramesQueue::~CFramesQueue()
{
    QuentaBased::delete_critical(m_lock);
    for (Node* n : m_queue) {
        if (n->video)
            n->video->Free();
        if (n->audio)
            n->audio->Free();
        delete n;
    }
    for (Node* n : m_free)
        delete n;
}

bool CFramesQueue::Push(IRawVideoFrame* video, IRawAudioFrame* audio)
{
    if (!video && !audio)
        return true;
    CriticalScope hold(m_lock);
    if (m_free.empty())
        return false;
    Node* n = m_free.front();
    m_free.pop_front();
    n->video = video;
    n->audio = audio;
    m_queue.push_back(n);
    return true;
}

void CFramesQueue::Pop(IRawVideoFrame** video, IRawAudioFrame** audio)
{
    {
        CriticalScope hold(m_lock);
        if (!m_queue.empty()) {
            Node* n = m_queue.front();
            m_queue.pop_front();
            *video = n->video;
            *audio = n->audio;
            n->video = nullptr;
            n->audio = nullptr;
            m_free.push_back(n);
            return;
        }
    }
    *video = nullptr;
    *audio = nullptr;
    QuentaBased::QuentaBased_Sleep(1);
}

int CFramesQueue::GetCount()
{
    CriticalScope hold(m_lock);
    return static_cast<int>(m_queue.size());
}

CFramesQueue2::CFramesQueue2(unsigned capacity) : m_lock(QuentaBased::init_critical())
{
    for (unsigned i = 0; i < capacity; ++i)
        m_free.push_back(new Node);
}

CFramesQueue2::~CFramesQueue2()
{
    QuentaBased::delete_critical(m_lock);
    for (Node* n : m_queue) {
        FreeRawFrame(n->frame, n->type);
        delete n;
    }
    for (Node* n : m_free)
        delete n;
}

bool CFramesQueue2::Push(void* frame, int streamIndex, StreamType type)
{
    if (!frame)
        return true;
    CriticalScope hold(m_lock);
    if (m_free.empty())
        return false;
    Node* n = m_free.front();
    m_free.pop_front();
    n->frame = frame;
    n->streamIndex = streamIndex;
    n->type = type;
    m_queue.push_back(n);
    return true;
}

void CFramesQueue2::Pop(void** frame, int* streamIndex, StreamType* type)
{
    {
        CriticalScope hold(m_lock);
        if (!m_queue.empty()) {
            Node* n = m_queue.front();
            m_queue.pop_front();
            *frame = n->frame;
            *streamIndex = n->streamIndex;
            *type = n->type;
            n->frame = nullptr;
            m_free.push_back(n);
            return;
        }
    }
    *frame = nullptr;
    QuentaBased::QuentaBased_Sleep(1);
}

int CFramesQueue2::GetCount()
{
    CriticalScope hold(m_lock);
    return static_cast<int>(m_queue.size());
}

} // namespace Moorland
