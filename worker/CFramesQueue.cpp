#include "CFramesQueue.h"

namespace Moorland {

CFramesQueue::CFramesQueue(unsigned capacity) : m_slots(capacity > 0 ? capacity : 1)
{
}

CFramesQueue::~CFramesQueue() = default;

void CFramesQueue::TakeFront(CQueuedFrames* frames)
{
    *frames = std::move(m_slots[m_head]);
    m_slots[m_head] = CQueuedFrames();
    m_head = (m_head + 1) % m_slots.size();
    --m_count;
}

void CFramesQueue::PutBack(CQueuedFrames&& frames)
{
    m_slots[(m_head + m_count) % m_slots.size()] = std::move(frames);
    ++m_count;
}

bool CFramesQueue::Push(CQueuedFrames&& frames)
{
    if (frames.Empty())
        return true;
    {
        std::lock_guard<std::mutex> hold(m_mutex);
        if (m_closed || m_count == m_slots.size())
            return false;
        PutBack(std::move(frames));
    }
    m_changed.notify_all();
    return true;
}

bool CFramesQueue::Pop(CQueuedFrames* frames)
{
    {
        std::lock_guard<std::mutex> hold(m_mutex);
        if (m_count == 0)
            return false;
        TakeFront(frames);
    }
    m_changed.notify_all();
    return true;
}

bool CFramesQueue::PushWait(CQueuedFrames&& frames)
{
    // Freed outside the lock when refused.
    CQueuedFrames refused;
    {
        std::unique_lock<std::mutex> hold(m_mutex);
        if (frames.Empty())
            return !m_closed;
        m_changed.wait(hold, [this] { return m_closed || m_count < m_slots.size(); });
        if (m_closed) {
            refused = std::move(frames);
            return false;
        }
        PutBack(std::move(frames));
    }
    m_changed.notify_all();
    return true;
}

bool CFramesQueue::PopWait(CQueuedFrames* frames)
{
    {
        std::unique_lock<std::mutex> hold(m_mutex);
        m_changed.wait(hold, [this] { return m_closed || m_finished || m_count > 0; });
        if (m_closed || m_count == 0)
            return false;
        TakeFront(frames);
    }
    m_changed.notify_all();
    return true;
}

void CFramesQueue::Close()
{
    std::vector<CQueuedFrames> dropped;
    {
        std::lock_guard<std::mutex> hold(m_mutex);
        m_closed = true;
        dropped.reserve(m_count);
        while (m_count > 0) {
            dropped.emplace_back();
            TakeFront(&dropped.back());
        }
    }
    m_changed.notify_all();
    // `dropped` frees the frames outside the lock.
}

void CFramesQueue::Finish()
{
    {
        std::lock_guard<std::mutex> hold(m_mutex);
        m_finished = true;
    }
    m_changed.notify_all();
}

bool CFramesQueue::IsClosed()
{
    std::lock_guard<std::mutex> hold(m_mutex);
    return m_closed;
}

int CFramesQueue::GetCount()
{
    std::lock_guard<std::mutex> hold(m_mutex);
    return static_cast<int>(m_count);
}

} // namespace Moorland
