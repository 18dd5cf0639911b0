#include "CDataBuffer2.h"

#include "CBaseException.h"
#include "CXMutex.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace QuentaBased {

namespace {

// Enters the queue's lock, if it has one, for one scope.
class Section
{
public:
    explicit Section(void* lock) : m_lock(lock)
    {
        if (m_lock != nullptr)
            enter_critical(m_lock);
    }
    ~Section()
    {
        if (m_lock != nullptr)
            leave_critical(m_lock);
    }
    Section(const Section&) = delete;
    Section& operator=(const Section&) = delete;

private:
    void* m_lock;
};

} // namespace

CDataBuffer2::CDataBuffer2(bool locked)
{
    if (locked)
        m_lock = init_critical();
}

CDataBuffer2::~CDataBuffer2()
{
    Clear();
    if (m_lock != nullptr)
        delete_critical(m_lock);
}

void CDataBuffer2::Push(const void* data, unsigned long len)
{
    Add(data, len, false);
}

void CDataBuffer2::PushFront(const void* data, unsigned long len)
{
    Add(data, len, true);
}

void CDataBuffer2::Add(const void* data, unsigned long len, bool front)
{
    if (len == 0 || data == nullptr)
        return;
    // Sizes are counted in 32 bits: a block that cannot be counted cannot be held.
    if (len > std::numeric_limits<std::uint32_t>::max())
        QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
    void* block = std::malloc(len);
    if (block == nullptr)
        QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
    std::memcpy(block, data, len);
    const DataNode node = {block, 0, static_cast<std::uint32_t>(len)};

    Section section(m_lock);
    if (len > std::numeric_limits<std::uint32_t>::max() - m_dataSize) {
        std::free(block);
        QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
    }
    try {
        if (front)
            m_chunks.push_front(node);
        else
            m_chunks.push_back(node);
    } catch (...) {
        std::free(block);
        throw;
    }
    m_dataSize += static_cast<std::uint32_t>(len);
}

unsigned long CDataBuffer2::Pop(void* buffer, unsigned long len)
{
    Section section(m_lock);
    unsigned char* out = static_cast<unsigned char*>(buffer);
    unsigned long taken = 0;
    while (taken < len && !m_chunks.empty()) {
        DataNode& chunk = m_chunks.front();
        const unsigned long unread = chunk.size - chunk.position;
        const unsigned char* from = static_cast<const unsigned char*>(chunk.data) + chunk.position;
        if (taken + unread > len) {
            // The request ends inside this chunk: the rest stays for the next Pop.
            const unsigned long part = len - taken;
            if (out != nullptr)
                std::memcpy(out + taken, from, part);
            chunk.position += static_cast<std::uint32_t>(part);
            m_dataSize -= static_cast<std::uint32_t>(part);
            return len;
        }
        if (out != nullptr)
            std::memcpy(out + taken, from, unread);
        taken += unread;
        m_dataSize -= static_cast<std::uint32_t>(unread);
        std::free(chunk.data);
        m_chunks.pop_front();
    }
    return taken;
}

unsigned long CDataBuffer2::GetDataSize()
{
    Section section(m_lock);
    return m_dataSize;
}

void CDataBuffer2::Clear()
{
    Section section(m_lock);
    for (DataNode& chunk : m_chunks)
        std::free(chunk.data);
    m_chunks.clear();
    m_dataSize = 0;
}

} // namespace QuentaBased
