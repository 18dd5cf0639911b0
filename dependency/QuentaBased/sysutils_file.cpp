#include "sysutils_file.h"

#include "Basilvo/Basilvo.h"
#include "sysutils_string.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace QuentaBased {

namespace {

constexpr unsigned short kCreateMode = 0xFFFF;

} // namespace

int file_create(const std::string& name)
{
    return QB_GUARDED(-1, {
        if (name.empty())
            QB_THROW(QB_ERR_BAD_PARAM, "filename can't be empty");
        const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0666);
        if (fd == -1)
            QB_THROW_ERRNO(QB_ERR_FILE_IO, "file_create error, filename is " + name, errno);
        return fd;
    });
}

int file_open(const std::string& name, unsigned short mode)
{
    if (mode == kCreateMode)
        return file_create(name);
    return QB_GUARDED(-1, {
        int access = 0;
        switch (mode & 3) {
        case 0: access = O_RDONLY; break;
        case 1: access = O_WRONLY; break;
        case 2: access = O_RDWR; break;
        default:
            QB_THROW(QB_ERR_BAD_PARAM, "file_open error: bad access mode, filename = " + name);
        }
        // O_EXCL means nothing without O_CREAT, and opening must never create
        // the file: one plain open of an existing file.
        const int fd = ::open(name.c_str(), access, 0666);
        if (fd == -1)
            QB_THROW_ERRNO(QB_ERR_FILE_IO, "file_open error, filename = " + name, errno);
        GetQuentaException()->Clear();
        return fd;
    });
}

void file_close(int fd)
{
    QB_GUARDED_VOID({
        if (::close(fd) != 0)
            QB_THROW_ERRNO(QB_ERR_FILE_IO, "file_close error", errno);
        GetQuentaException()->Clear();
    });
}

long long file_seek(int fd, long long offset, int origin)
{
    return QB_GUARDED(-1LL, {
        const off_t pos = ::lseek(fd, static_cast<off_t>(offset), origin);
        if (pos == static_cast<off_t>(-1))
            QB_THROW_ERRNO(QB_ERR_FILE_IO, "file_seek error", errno);
        return static_cast<long long>(pos);
    });
}

bool file_set_current_end(int fd)
{
    return QB_GUARDED(false, {
        // Without a position there is no end to set: truncating to 0 instead
        // would throw the file's content away.
        const off_t pos = ::lseek(fd, 0, SEEK_CUR);
        if (pos < 0)
            QB_THROW_ERRNO(QB_ERR_FILE_IO, "file_set_current_end", errno);
        if (::ftruncate(fd, pos) != 0)
            QB_THROW_ERRNO(QB_ERR_FILE_IO, "file_set_current_end", errno);
        return true;
    });
}

int file_write(int fd, const void* buffer, unsigned int count)
{
    return QB_GUARDED(-1, {
        if (buffer == nullptr)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        const ssize_t n = ::write(fd, buffer, count);
        if (n == -1)
            QB_THROW_ERRNO(QB_ERR_FILE_IO, "file_write error", errno);
        return static_cast<int>(n);
    });
}

int file_read(int fd, void* buffer, unsigned int count)
{
    return QB_GUARDED(-1, {
        if (buffer == nullptr)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        const ssize_t n = ::read(fd, buffer, count);
        if (n == 0)
            QB_THROW(QB_ERR_END_OF_DATA, "End of file");
        if (n == -1)
            QB_THROW_ERRNO(QB_ERR_FILE_IO, "file_read error", errno);
        return static_cast<int>(n);
    });
}

bool file_delete(const std::string& name)
{
    return QB_GUARDED(false, {
        if (::unlink(name.c_str()) != 0)
            QB_THROW_ERRNO(QB_ERR_FILE_IO, "file_delete error, filename = " + name, errno);
        GetQuentaException()->Clear();
        return true;
    });
}

bool move_file(const std::string& from, const std::string& to)
{
    return QB_GUARDED(false, {
        if (::rename(from.c_str(), to.c_str()) != 0)
            QB_THROW_ERRNO(QB_ERR_FILE_IO, "move_file error, filename = " + from, errno);
        return true;
    });
}

bool file_exists(const char* path)
{
    GetQuentaException()->Clear();
    return QB_GUARDED(false, {
        if (path == nullptr)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        struct stat st;
        if (::stat(path, &st) != 0)
            QB_THROW(QB_ERR_UNEXPECTED, std::string("file_exist: Can't stat the file, path = ") + path);
        return true;
    });
}

std::string GetLastQuentaExpAsText()
{
    IQuentaException* record = GetQuentaException();
    const int code = record->GetExceptionCode();
    if (code == 0)
        return std::string();
    int line = -1;
    const char* file = record->GetExceptionSource(&line);
    const char* msg = record->GetExceptionMsg();
    return "[!!! Exception Code: " + IntToStr(code) + "\nMsg: " + (msg ? msg : "") +
           "\nFile: " + (file ? file : "") + "\nLine: " + IntToStr(line) + " !!!]";
}

std::string FormatQuentaExp(const CBaseException& e, std::string format)
{
    int line = -1;
    const char* file = e.GetExceptionSource(&line);
    // The source path is the build machine's: it need not exist here, so the
    // name is cut from the text rather than resolved on disk.
    const std::string source = file ? file : "";
    const size_t slash = source.rfind('/');
    const std::string fileName = slash == std::string::npos ? source : source.substr(slash + 1);
    return Format(format, fileName.c_str(), line, e.GetExceptionMsg());
}

} // namespace QuentaBased
