#pragma once

#include <cstdint>
#include <deque>

namespace QuentaBased {

// A first-in, first-out queue of bytes between a producer and a consumer.
// Every pushed block becomes a chunk of its own; pops take any number of bytes
// across chunks. Built with a lock it may be shared by threads; without one,
// by one thread at a time.
class CDataBuffer2
{
public:
    struct DataNode
    {
        void* data;             // malloc'ed, owned by the queue
        std::uint32_t position; // bytes of this chunk already taken
        std::uint32_t size;
    };

    // True gives the queue its own (recursive) lock.
    explicit CDataBuffer2(bool locked);
    ~CDataBuffer2();

    CDataBuffer2(const CDataBuffer2&) = delete;
    CDataBuffer2& operator=(const CDataBuffer2&) = delete;

    // Copies the bytes in behind everything held. A null pointer or zero length
    // adds nothing. Throws 10021007 "No enough memory" and leaves the queue as
    // it was when the copy cannot be held.
    void Push(const void* data, unsigned long len);
    // Like Push, but the bytes come out before everything already held.
    void PushFront(const void* data, unsigned long len);
    // Takes up to len bytes from the front; a null buffer drops them. Returns
    // how many were taken.
    unsigned long Pop(void* buffer, unsigned long len);
    unsigned long GetDataSize();
    void Clear();

private:
    void Add(const void* data, unsigned long len, bool front);

    std::deque<DataNode> m_chunks;
    std::uint32_t m_dataSize = 0;
    void* m_lock = nullptr; // critical-section handle, null when unlocked
};

} // namespace QuentaBased
