#pragma once

// "IQuentaStream" of a file source: the file's own bytes, read-only, for a
// stream copy. Owned by the source that hands it out and closed with it, so
// its Free does nothing.

#include "IQuentaStream.h"

#include <string>

namespace Solvane {

class CFileByteView final : public IQuentaStream
{
public:
    // Throws the file error when the file can't be opened.
    explicit CFileByteView(const std::string& path);
    ~CFileByteView();
    CFileByteView(const CFileByteView&) = delete;
    CFileByteView& operator=(const CFileByteView&) = delete;

    long long GetPosition() override;
    long long SetPosition(long long position) override;
    long long GetSize() override;
    bool SetSize(long long size) override;
    unsigned int Read(void* buffer, unsigned int count) override;
    unsigned int Write(const void* buffer, unsigned int count) override;
    long long Seek(long long offset, SeekOrigin origin) override;
    long long CopyFrom(IQuentaStream* src, long long count) override;
    bool IsStream() override { return false; }
    bool Eof() override;
    void Free() override {}

private:
    int m_fd = -1;
    std::string m_path;
};

} // namespace Solvane
