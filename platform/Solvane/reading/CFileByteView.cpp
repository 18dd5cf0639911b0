#include "CFileByteView.h"

#include "CBaseException.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace Solvane {

CFileByteView::CFileByteView(const std::string& path) : m_path(path)
{
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0)
        QB_THROW_ERRNO(QB_ERR_FILE_IO, "open " + path + " error", errno);
}

CFileByteView::~CFileByteView()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

long long CFileByteView::GetPosition()
{
    return Seek(0, soFromCurrent);
}

long long CFileByteView::SetPosition(long long position)
{
    return Seek(position, soFromBeginning);
}

long long CFileByteView::GetSize()
{
    struct stat info;
    return QB_GUARDED(-1LL, {
        if (fstat(m_fd, &info) != 0)
            QB_THROW_ERRNO(QB_ERR_FILE_IO, "fstat error", errno);
        return static_cast<long long>(info.st_size);
    });
}

bool CFileByteView::SetSize(long long)
{
    return QB_GUARDED(false, {
        QB_THROW(QB_ERR_FILE_IO, "The source's bytes are read-only");
        return false;
    });
}

unsigned int CFileByteView::Read(void* buffer, unsigned int count)
{
    return QB_GUARDED(static_cast<unsigned int>(-1), {
        if (!buffer && count)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        ssize_t n;
        do {
            n = ::read(m_fd, buffer, count);
        } while (n < 0 && errno == EINTR);
        if (n < 0)
            QB_THROW_ERRNO(QB_ERR_FILE_IO, "read error", errno);
        return static_cast<unsigned int>(n);
    });
}

unsigned int CFileByteView::Write(const void*, unsigned int)
{
    return QB_GUARDED(static_cast<unsigned int>(-1), {
        QB_THROW(QB_ERR_FILE_IO, "The source's bytes are read-only");
        return 0u;
    });
}

long long CFileByteView::Seek(long long offset, SeekOrigin origin)
{
    return QB_GUARDED(-1LL, {
        const int whence = origin == soFromCurrent ? SEEK_CUR : (origin == soFromEnd ? SEEK_END : SEEK_SET);
        off_t at = ::lseek(m_fd, static_cast<off_t>(offset), whence);
        if (at < 0)
            QB_THROW_ERRNO(QB_ERR_FILE_IO, "lseek error", errno);
        return static_cast<long long>(at);
    });
}

long long CFileByteView::CopyFrom(IQuentaStream*, long long)
{
    return QB_GUARDED(-1LL, {
        QB_THROW(QB_ERR_FILE_IO, "The source's bytes are read-only");
        return 0LL;
    });
}

bool CFileByteView::Eof()
{
    const long long size = GetSize();
    const long long at = GetPosition();
    return size < 0 || at < 0 || at >= size;
}

} // namespace Solvane
