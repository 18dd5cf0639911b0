#pragma once

#include "IQuentaStream.h"

#include <string>

namespace QuentaBased {

enum SharedMemMode : int {
    smCreate = 0,
    smOpen = 1,
};

// A fixed-size region of a file mapped shared, so that every process mapping
// the same file sees the same bytes. The creating side makes or lengthens the
// backing file; the opening side needs a file that already holds the size.
// There is no lock: the processes agree on their own protocol, and records
// laid out in the region use fixed-width fields.
class CShardMemStream final : public IQuentaStream
{
public:
    // Never throws: a failure is left in the calling thread's last-error
    // record and the stream stays invalid (every transfer refuses).
    CShardMemStream(const char* name, unsigned int size, SharedMemMode mode);

    long long GetPosition() override;
    long long SetPosition(long long position) override;
    long long GetSize() override;
    bool SetSize(long long size) override;
    // All or nothing; -1 when the transfer does not fit before the end.
    unsigned int Read(void* buffer, unsigned int count) override;
    unsigned int Write(const void* buffer, unsigned int count) override;
    long long Seek(long long offset, SeekOrigin origin) override;
    // Not available: records 10021008 and returns 0.
    long long CopyFrom(IQuentaStream* src, long long count) override;
    bool IsStream() override;
    bool Eof() override;
    void Free() override;

    // Hands out `n` bytes of the region at the position and moves past them;
    // null when they do not fit.
    void* GetPointer(unsigned int n);
    void* MallocMem(unsigned int n);
    // Removes the backing file; only the creating side knows it.
    bool DeleteSharedFile();

    // Unmaps the region and closes the file; the backing file stays. Streams
    // handed around as IQuentaStream are destroyed with Free instead.
    ~CShardMemStream();

    CShardMemStream(const CShardMemStream&) = delete;
    CShardMemStream& operator=(const CShardMemStream&) = delete;

private:
    void CreateSharedMem();
    void OpenSharedMem();
    void MapView();
    bool Fits(unsigned long long count) const;

    std::string m_name;
    unsigned int m_size = 0;
    unsigned int m_position = 0;
    void* m_view = nullptr;
    bool m_valid = false;
    std::string m_filePath;
    int m_fd = -1;
};

} // namespace QuentaBased
