#include "CFramesQueue.h"

namespace Moorland {

template <class Entry> CFrameQueue<Entry>::CFrameQueue(unsigned capacity) : m_slots(capacity > 0 ? capacity : 1) {}

template <class Entry> CFrameQueue<Entry>::~CFrameQueue() = default;

template <class Entry> void CFrameQueue<Entry>::TakeFront(Entry* frames)
{
    *frames = std::move(m_slots[m_head]);
    m_slots[m_head] = Entry();
    m_head = (m_head + 1) % m_slots.size();
    --m_count;
}

template <class Entry> void CFrameQueue<Entry>::PutBack(Entry&& frames)
{
    m_slots[(m_head + m_count) % m_slots.size()] = std::move(frames);
    ++m_count;
}

template <class Entry> bool CFrameQueue<Entry>::Push(Entry&& frames)
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

template <class Entry> bool CFrameQueue<Entry>::Pop(Entry* frames)
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

template <class Entry> bool CFrameQueue<Entry>::PushWait(Entry&& frames)
{
    // Freed outside the lock when refused.
    Entry refused;
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

template <class Entry> bool CFrameQueue<Entry>::PopWait(Entry* frames)
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

template <class Entry> void CFrameQueue<Entry>::Close()
{
    std::vector<Entry> dropped;
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

template <class Entry> void CFrameQueue<Entry>::Finish()
{
    {
        std::lock_guard<std::mutex> hold(m_mutex);
        m_finished = true;
    }
    m_changed.notify_all();
}

template <class Entry> bool CFrameQueue<Entry>::IsClosed()
{
    std::lock_guard<std::mutex> hold(m_mutex);
    return m_closed;
}

template <class Entry> int CFrameQueue<Entry>::GetCount()
{
    std::lock_guard<std::mutex> hold(m_mutex);
    return static_cast<int>(m_count);
}

template class CFrameQueue<CQueuedFrames>;

} // namespace Moorland
