#pragma once

// Where a Seek offset counts from; the same values go to file_seek.
enum SeekOrigin {
    soFromBeginning = 0,
    soFromCurrent = 1,
    soFromEnd = 2,
};

// The one byte-stream abstraction: 64-bit positions and sizes, 32-bit counts.
// Never deleted through this interface: a stream destroys itself with Free.
class IQuentaStream
{
public:
    // -1 on failure.
    virtual long long GetPosition() = 0;
    virtual long long SetPosition(long long position) = 0;
    virtual long long GetSize() = 0;
    virtual bool SetSize(long long size) = 0;
    // Bytes moved; -1 (all bits set) on failure.
    virtual unsigned int Read(void* buffer, unsigned int count) = 0;
    virtual unsigned int Write(const void* buffer, unsigned int count) = 0;
    // The new position, -1 on failure.
    virtual long long Seek(long long offset, SeekOrigin origin) = 0;
    // Count 0 copies the whole source from its start. Bytes copied, -1 on failure.
    virtual long long CopyFrom(IQuentaStream* src, long long count) = 0;
    virtual bool IsStream() = 0;
    virtual bool Eof() = 0;
    virtual void Free() = 0;

protected:
    ~IQuentaStream() = default;
};

namespace QuentaBased {
using ::IQuentaStream;
using ::SeekOrigin;
using ::soFromBeginning;
using ::soFromCurrent;
using ::soFromEnd;
} // namespace QuentaBased
