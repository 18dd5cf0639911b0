#pragma once

// The foundation's byte streams: the common base, memory streams, and the
// streams over a file descriptor.

#include "IQuentaStream.h"

#include <string>

namespace QuentaBased {

// Failure value of Read and Write.
constexpr unsigned int STREAM_ERROR = 0xFFFFFFFFu;

// Position and size through Seek, and the chunked copy. A stream that cannot
// change its size refuses SetSize.
class CQuentaStreamImpl : public IQuentaStream
{
public:
    long long GetPosition() override;
    long long SetPosition(long long position) override;
    // Puts the position back where it was.
    long long GetSize() override;
    bool SetSize(long long size) override;
    long long CopyFrom(IQuentaStream* src, long long count) override;
    bool IsStream() override;
    // Clears the record, then destroys the object; errors on the way are recorded.
    void Free() override;
    virtual ~CQuentaStreamImpl();
};

// A stream over one heap block (malloc) that it owns.
class CCustomMemoryStream : public CQuentaStreamImpl
{
public:
    ~CCustomMemoryStream() override;

    void* GetMemory() const { return m_memory; }
    long long GetSize() override;
    unsigned int Read(void* buffer, unsigned int count) override;
    long long Seek(long long offset, SeekOrigin origin) override;
    bool Eof() override;
    // Writes the whole stream, from its start, into `dst`.
    bool SaveToStream(IQuentaStream* dst);
    // Creates or empties the file.
    bool SaveToFile(const std::string& path);

protected:
    CCustomMemoryStream() = default;
    // Throws 10021010 "Size can't be less than zero"; the position stays.
    void SetPointer(void* block, long long size);

    void* m_memory = nullptr;
    long long m_size = 0;
    long long m_position = 0;
};

// A memory stream that grows its block in steps of 8192 bytes.
class CMemoryStream : public CCustomMemoryStream
{
public:
    CMemoryStream() = default;
    ~CMemoryStream() override;

    long long GetCapacity() const { return m_capacity; }
    // A capacity below the size is raised to the size: the data never outgrows the block.
    bool SetCapacity(long long capacity);
    // Frees the block: size, position and capacity 0.
    void Clear();
    bool SetSize(long long size) override;
    unsigned int Write(const void* buffer, unsigned int count) override;
    // The stream ends positioned at its end.
    bool LoadFromStream(IQuentaStream* src);
    bool LoadFromFile(const std::string& path);

protected:
    // Returns the block for the (possibly rounded) capacity; null for 0, or on
    // failure with 10021007 recorded and the current block untouched.
    virtual void* Realloc(long long& capacity);

private:
    long long m_capacity = 0;
};

// A stream over a descriptor somebody else opened; it closes nothing.
class CHandleStream : public CQuentaStreamImpl
{
public:
    // Throws 10021010 for a descriptor of -1.
    explicit CHandleStream(int descriptor);
    ~CHandleStream() override;

    unsigned int Read(void* buffer, unsigned int count) override;
    unsigned int Write(const void* buffer, unsigned int count) override;
    long long Seek(long long offset, SeekOrigin origin) override;
    // True only after a Read that met the end of the file.
    bool Eof() override;
    // Cuts or extends the file; the position is 0 afterwards.
    bool SetSize(long long size) override;
    // Virtual, behind the destructor: wrappers of a stream may answer their own descriptor.
    virtual int GetHandle();

protected:
    int m_handle;
    bool m_eof = false;
};

// A file opened by path and mode word (see file_open), closed on destruction.
class CFileStream : public CHandleStream
{
public:
    // Throws the recorded file_open error when the file cannot be opened.
    CFileStream(const std::string& path, unsigned short mode);
    ~CFileStream() override;
};

// file_open that throws the recorded error instead of returning -1.
int file_open_exp(const std::string& path, unsigned short mode);

} // namespace QuentaBased
