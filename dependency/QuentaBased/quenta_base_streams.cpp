#include "quenta_base_streams.h"

#include "Basilvo/Basilvo.h"
#include "CBaseException.h"
#include "MallocAllocator.h"
#include "sysutils_file.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace QuentaBased {

namespace {

constexpr long long kCopyChunk = 61440;
constexpr long long kMemoryDelta = 0x2000;
constexpr unsigned short kCreateMode = 0xFFFF;
constexpr unsigned short kReadMode = 0x20;

void ClearRecord()
{
    GetQuentaException()->Clear();
}

// Runs `work` on a file stream and closes it. Closing clears the record on
// success, so a failure of `work` is put back afterwards: the caller must
// still see why the load or save failed.
template <typename F> bool WithFileStream(const std::string& path, unsigned short mode, F&& work)
{
    bool ok = false;
    CBaseException reason(0, "", -1, "");
    {
        CFileStream file(path, mode);
        ok = work(file);
        if (!ok)
            reason = CBaseException(GetQuentaException());
    }
    if (!ok && reason.GetCode() != 0) {
        int line = -1;
        const char* source = reason.GetExceptionSource(&line);
        GetQuentaException()->SetException(reason.GetCode(), reason.GetMsg(), line, source);
    }
    return ok;
}

} // namespace

// --- CQuentaStreamImpl ---------------------------------------------------------

CQuentaStreamImpl::~CQuentaStreamImpl() = default;

long long CQuentaStreamImpl::GetPosition()
{
    return Seek(0, soFromCurrent);
}

long long CQuentaStreamImpl::SetPosition(long long position)
{
    return Seek(position, soFromBeginning);
}

long long CQuentaStreamImpl::GetSize()
{
    const long long position = Seek(0, soFromCurrent);
    if (position == -1)
        return -1;
    const long long size = Seek(0, soFromEnd);
    Seek(position, soFromBeginning);
    return size;
}

bool CQuentaStreamImpl::SetSize(long long)
{
    return false;
}

long long CQuentaStreamImpl::CopyFrom(IQuentaStream* src, long long count)
{
    MallocAllocator buffer;
    const long long result = QB_GUARDED(-1LL, {
        if (count < 0)
            QB_THROW(QB_ERR_BAD_PARAM, "Count can't be less than zero");
        if (src == nullptr)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        if (count == 0) {
            src->SetPosition(0);
            count = src->GetSize();
            if (count < 0)
                return -1LL;
        }
        const long long chunk = std::min(count, kCopyChunk);
        if (chunk > 0)
            buffer.Malloc(static_cast<unsigned long>(chunk));
        long long remaining = count;
        while (remaining > 0) {
            const auto n = static_cast<unsigned int>(std::min(chunk, remaining));
            const unsigned int got = src->Read(buffer.data, n);
            if (got == STREAM_ERROR)
                return -1LL;
            // A source that has run dry ends the copy; only what was read is written.
            if (got == 0)
                break;
            const unsigned int put = Write(buffer.data, got);
            if (put == STREAM_ERROR)
                return -1LL;
            remaining -= put;
            if (put < got)
                break;
        }
        ClearRecord();
        return count - remaining;
    });
    buffer.Release();
    return result;
}

bool CQuentaStreamImpl::IsStream()
{
    return false;
}

void CQuentaStreamImpl::Free()
{
    ClearRecord();
    QB_GUARDED_VOID({ delete this; });
}

// --- CCustomMemoryStream -------------------------------------------------------

CCustomMemoryStream::~CCustomMemoryStream()
{
    std::free(m_memory);
    m_memory = nullptr;
}

void CCustomMemoryStream::SetPointer(void* block, long long size)
{
    if (size < 0)
        QB_THROW(QB_ERR_BAD_PARAM, "Size can't be less than zero");
    m_memory = block;
    m_size = size;
}

long long CCustomMemoryStream::GetSize()
{
    // Held directly: a position left negative by Seek must not hide the size.
    return m_size;
}

unsigned int CCustomMemoryStream::Read(void* buffer, unsigned int count)
{
    return QB_GUARDED(STREAM_ERROR, {
        ClearRecord();
        if (buffer == nullptr)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        if (m_position < 0)
            return STREAM_ERROR;
        if (m_position > m_size)
            QB_THROW(QB_ERR_END_OF_DATA, "self Buffer is end");
        const long long n = std::min<long long>(count, m_size - m_position);
        if (n > 0)
            std::memcpy(buffer, static_cast<const char*>(m_memory) + m_position, static_cast<size_t>(n));
        m_position += n;
        return static_cast<unsigned int>(n);
    });
}

long long CCustomMemoryStream::Seek(long long offset, SeekOrigin origin)
{
    return QB_GUARDED(-1LL, {
        long long base;
        switch (origin) {
        case soFromBeginning: base = 0; break;
        case soFromCurrent: base = m_position; break;
        case soFromEnd: base = m_size; break;
        default: QB_THROW(QB_ERR_UNEXPECTED, "Unexpected error");
        }
        // A huge offset must not wrap round to a small position.
        long long target;
        if (__builtin_add_overflow(base, offset, &target) || target > m_size)
            QB_THROW(QB_ERR_END_OF_DATA, "Position can't large than end");
        m_position = target;
        ClearRecord();
        return m_position;
    });
}

bool CCustomMemoryStream::Eof()
{
    if (m_memory == nullptr)
        return true;
    return GetPosition() == m_size;
}

bool CCustomMemoryStream::SaveToStream(IQuentaStream* dst)
{
    return QB_GUARDED(false, {
        ClearRecord();
        if (dst == nullptr)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        if (m_size <= 0)
            return false;
        // The whole stream, whatever position it was left at.
        if (Seek(0, soFromBeginning) == -1)
            return false;
        return dst->CopyFrom(this, m_size) == m_size;
    });
}

bool CCustomMemoryStream::SaveToFile(const std::string& path)
{
    return QB_GUARDED(false, {
        ClearRecord();
        return WithFileStream(path, kCreateMode, [this](CFileStream& file) { return SaveToStream(&file); });
    });
}

// --- CMemoryStream -------------------------------------------------------------

CMemoryStream::~CMemoryStream()
{
    QB_GUARDED_VOID({ Clear(); });
}

void* CMemoryStream::Realloc(long long& capacity)
{
    return QB_GUARDED(static_cast<void*>(nullptr), {
        ClearRecord();
        if (capacity > 0 && capacity != m_size)
            capacity = (capacity + kMemoryDelta - 1) / kMemoryDelta * kMemoryDelta;
        if (capacity == m_capacity)
            return m_memory;
        if (capacity <= 0) {
            std::free(m_memory);
            m_memory = nullptr;
            return static_cast<void*>(nullptr);
        }
        if (static_cast<unsigned long long>(capacity) > 0xFFFFFFFFull)
            QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
        MallocAllocator block;
        if (m_capacity == 0)
            return block.Malloc(static_cast<unsigned long>(capacity));
        // On failure the allocator keeps the current block, which stays ours.
        block.data = m_memory;
        block.size = static_cast<unsigned int>(m_capacity);
        return block.Realloc(static_cast<unsigned long>(capacity));
    });
}

bool CMemoryStream::SetCapacity(long long capacity)
{
    if (capacity < m_size)
        capacity = m_size;
    void* block = Realloc(capacity);
    if (block == nullptr && capacity > 0)
        return false;
    m_memory = block;
    m_capacity = block == nullptr ? 0 : capacity;
    return true;
}

void CMemoryStream::Clear()
{
    m_size = 0;
    m_position = 0;
    long long capacity = 0;
    Realloc(capacity);
    m_memory = nullptr;
    m_capacity = 0;
}

bool CMemoryStream::SetSize(long long size)
{
    return QB_GUARDED(false, {
        ClearRecord();
        if (size < 0)
            QB_THROW(QB_ERR_BAD_PARAM, "Size can't be less than zero");
        const long long oldPosition = m_position;
        long long capacity = size;
        void* block = Realloc(capacity);
        if (block == nullptr && capacity > 0)
            return false;
        m_memory = block;
        m_capacity = block == nullptr ? 0 : capacity;
        m_size = size;
        if (oldPosition > size)
            Seek(0, soFromEnd);
        return true;
    });
}

unsigned int CMemoryStream::Write(const void* buffer, unsigned int count)
{
    return QB_GUARDED(STREAM_ERROR, {
        if (m_position < 0)
            QB_THROW(QB_ERR_BAD_PARAM, "Count can't less than zero");
        const long long end = m_position + count;
        if (end == 0)
            QB_THROW(QB_ERR_DEST_SMALL, "Dest buffer is not enough");
        if (count > 0 && buffer == nullptr)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        if (end > m_size) {
            if (end > m_capacity) {
                long long capacity = end;
                void* block = Realloc(capacity);
                if (block == nullptr)
                    return STREAM_ERROR; // the old block and its data stay
                m_memory = block;
                m_capacity = capacity;
            }
            m_size = end;
        }
        if (count > 0)
            std::memcpy(static_cast<char*>(m_memory) + m_position, buffer, count);
        m_position = end;
        ClearRecord();
        return count;
    });
}

bool CMemoryStream::LoadFromStream(IQuentaStream* src)
{
    return QB_GUARDED(false, {
        if (src == nullptr)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        src->SetPosition(0);
        const long long n = src->GetSize();
        if (n <= 0)
            QB_THROW(QB_ERR_SOURCE_EMPTY, "Soure Stream is empty");
        if (!SetSize(n))
            return false;
        Seek(0, soFromBeginning);
        return CopyFrom(src, n) != -1;
    });
}

bool CMemoryStream::LoadFromFile(const std::string& path)
{
    return QB_GUARDED(false, {
        ClearRecord();
        return WithFileStream(path, kReadMode, [this](CFileStream& file) { return LoadFromStream(&file); });
    });
}

// --- CHandleStream -------------------------------------------------------------

CHandleStream::CHandleStream(int descriptor) : m_handle(descriptor)
{
    if (descriptor == -1)
        QB_THROW(QB_ERR_BAD_PARAM, "CHandleStream::CHandleStream: bad file handle");
}

CHandleStream::~CHandleStream() = default;

unsigned int CHandleStream::Read(void* buffer, unsigned int count)
{
    const int n = file_read(m_handle, buffer, count);
    if (n == -1) {
        if (GetQuentaException()->GetExceptionCode() == QB_ERR_END_OF_DATA)
            m_eof = true;
        return STREAM_ERROR;
    }
    return static_cast<unsigned int>(n);
}

unsigned int CHandleStream::Write(const void* buffer, unsigned int count)
{
    m_eof = false;
    const int n = file_write(m_handle, buffer, count);
    return n == -1 ? STREAM_ERROR : static_cast<unsigned int>(n);
}

long long CHandleStream::Seek(long long offset, SeekOrigin origin)
{
    m_eof = false;
    return file_seek(m_handle, offset, static_cast<int>(origin));
}

bool CHandleStream::Eof()
{
    return m_eof;
}

bool CHandleStream::SetSize(long long size)
{
    const bool ok = QB_GUARDED(false, {
        if (Seek(size, soFromBeginning) == -1)
            QB_THROW(QB_ERR_FILE_IO, "Stream Size less than Seek");
        if (!file_set_current_end(m_handle) && GetQuentaException()->GetExceptionCode() != 0)
            ThrowLastError();
        return true;
    });
    Seek(0, soFromBeginning);
    m_eof = false;
    return ok;
}

int CHandleStream::GetHandle()
{
    ClearRecord();
    return m_handle;
}

// --- CFileStream ---------------------------------------------------------------

int file_open_exp(const std::string& path, unsigned short mode)
{
    const int fd = file_open(path, mode);
    if (fd == -1 && GetQuentaException()->GetExceptionCode() != 0)
        ThrowLastError();
    return fd;
}

CFileStream::CFileStream(const std::string& path, unsigned short mode) : CHandleStream(file_open_exp(path, mode)) {}

CFileStream::~CFileStream()
{
    if (m_handle != 0)
        file_close(m_handle);
}

} // namespace QuentaBased
