#include "sysutils_file.h"

#include "Basilvo/Basilvo.h"
#include "sysutils_string.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <random>
#include <vector>

namespace QuentaBased {

namespace {

constexpr unsigned short kCreateMode = 0xFFFF;

// Opens `name` for writing only when it is a regular file: a FIFO would block
// the program until some reader came, a device or a folder is nothing the
// program may write over. The test runs on the opened file, so what is
// checked is what is written.
int OpenRegularForWriting(const std::string& name, int flags, const char* what)
{
    const int fd = ::open(name.c_str(), flags | O_NONBLOCK | O_NOCTTY, 0666);
    // A FIFO without a reader refuses a non-blocking writer this way.
    if (fd == -1 && errno == ENXIO)
        QB_THROW(QB_ERR_FILE_IO, std::string(what) + name + ": not a regular file");
    if (fd == -1)
        QB_THROW_ERRNO(QB_ERR_FILE_IO, std::string(what) + name, errno);
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        QB_THROW(QB_ERR_FILE_IO, std::string(what) + name + ": not a regular file");
    }
    const int status = ::fcntl(fd, F_GETFL);
    if (status != -1)
        ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK);
    return fd;
}

} // namespace

int file_create(const std::string& name)
{
    return QB_GUARDED(-1, {
        if (name.empty())
            QB_THROW(QB_ERR_BAD_PARAM, "filename can't be empty");
        return OpenRegularForWriting(name, O_RDWR | O_CREAT | O_TRUNC, "file_create error, filename is ");
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
        default: QB_THROW(QB_ERR_BAD_PARAM, "file_open error: bad access mode, filename = " + name);
        }
        // O_EXCL means nothing without O_CREAT, and opening must never create
        // the file: one plain open of an existing file.
        const int fd = access == O_RDONLY ? ::open(name.c_str(), access, 0666)
                                          : OpenRegularForWriting(name, access, "file_open error, filename = ");
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

namespace {

struct PathParts
{
    std::string folder; // with its closing '/', or empty
    std::string stem;
    std::string ext; // with its dot, or empty
};

PathParts SplitPath(const std::string& path)
{
    PathParts p;
    const size_t slash = path.rfind('/');
    p.folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) {
        p.stem = name;
    } else {
        p.stem = name.substr(0, dot);
        p.ext = name.substr(dot);
    }
    return p;
}

std::string RandomPart()
{
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char bytes[8] = {};
    std::random_device device;
    for (unsigned char& b : bytes)
        b = static_cast<unsigned char>(device());
    std::string part;
    for (unsigned char b : bytes)
        part += kChars[b % (sizeof kChars - 1)];
    return part;
}

// Removes the folder `name` in `parent` and its content without following
// any link: each level is opened with O_NOFOLLOW and its entries are taken
// apart relative to it.
bool RemoveTreeAt(int parent, const char* name)
{
    const int fd = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return false;
    }
    std::vector<std::string> names;
    while (struct dirent* entry = ::readdir(dir)) {
        const std::string n = entry->d_name;
        if (n != "." && n != "..")
            names.push_back(n);
    }
    for (const std::string& n : names) {
        struct stat st
        {
        };
        if (::fstatat(fd, n.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISDIR(st.st_mode))
            RemoveTreeAt(fd, n.c_str());
        else
            ::unlinkat(fd, n.c_str(), 0);
    }
    ::closedir(dir);
    return ::unlinkat(parent, name, AT_REMOVEDIR) == 0;
}

made_entry MadeEntry(const std::string& path, const struct stat& st)
{
    made_entry entry;
    entry.path = path;
    entry.device = static_cast<unsigned long long>(st.st_dev);
    entry.inode = static_cast<unsigned long long>(st.st_ino);
    return entry;
}

} // namespace

namespace {

// Closes the descriptor whatever leaves the scope.
struct FdCloser
{
    int fd = -1;
    ~FdCloser()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// Gives the open, still nameless file `fd` (of O_TMPFILE) a working name
// beside `p`, told first to `note`. A taken name is left alone and the next
// tried. The entry made; an empty path where the file system can't give a
// nameless file a name (the caller then makes it the plain way).
made_entry NameNamelessFile(int fd, const PathParts& p, std::string (*random_part)(), const working_file_note& note)
{
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0)
        return {};
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    int err = EEXIST;
    for (int attempt = 0; attempt < 100 && err == EEXIST; ++attempt) {
        const made_entry made =
            MadeEntry(p.folder + p.stem + ".part-" + (random_part ? random_part() : RandomPart()) + p.ext, st);
        note(made);
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, made.path.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return made;
        err = errno;
    }
    if (err == EEXIST)
        QB_THROW_ERRNO(QB_ERR_FILE_IO, "Can't create the file " + p.folder + p.stem + p.ext, err);
    return {};
}

} // namespace

made_entry create_working_file(const std::string& path, std::string (*random_part)(), const working_file_note& note)
{
    const PathParts p = SplitPath(path);
    if (note) {
        // Made without a name, noted, then named: whoever notes it knows the
        // file before it can be seen, so a process killed at any moment
        // leaves nothing unnoted behind.
        FdCloser nameless{::open(p.folder.empty() ? "." : p.folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666)};
        if (nameless.fd >= 0) {
            made_entry made = NameNamelessFile(nameless.fd, p, random_part, note);
            if (!made.path.empty())
                return made;
        }
    }
    int err = EEXIST;
    // A taken name is someone's file: the next name is tried, never that
    // one emptied.
    for (int attempt = 0; attempt < 100 && err == EEXIST; ++attempt) {
        const std::string working = p.folder + p.stem + ".part-" + (random_part ? random_part() : RandomPart()) + p.ext;
        const int fd = ::open(working.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0) {
            err = errno;
            continue;
        }
        struct stat st
        {
        };
        if (::fstat(fd, &st) != 0) {
            err = errno;
            ::close(fd);
            ::unlink(working.c_str());
            break;
        }
        ::close(fd);
        const made_entry made = MadeEntry(working, st);
        if (note) {
            try {
                note(made);
            } catch (...) {
                ::unlink(working.c_str());
                throw;
            }
        }
        return made;
    }
    QB_THROW_ERRNO(QB_ERR_FILE_IO, "Can't create the file " + path, err);
}

made_entry create_working_folder(const std::string& path)
{
    std::string working = path + ".part-XXXXXX";
    if (!::mkdtemp(&working[0]))
        QB_THROW_ERRNO(QB_ERR_FILE_IO, "Can't create a working folder beside " + path, errno);
    struct stat st
    {
    };
    if (::lstat(working.c_str(), &st) != 0) {
        const int err = errno;
        ::rmdir(working.c_str());
        QB_THROW_ERRNO(QB_ERR_FILE_IO, "Can't create a working folder beside " + path, err);
    }
    return MadeEntry(working, st);
}

bool is_made_entry(const made_entry& entry, bool folder)
{
    struct stat st
    {
    };
    if (entry.path.empty() || ::lstat(entry.path.c_str(), &st) != 0)
        return false;
    if (folder ? !S_ISDIR(st.st_mode) : !S_ISREG(st.st_mode))
        return false;
    return static_cast<unsigned long long>(st.st_dev) == entry.device &&
           static_cast<unsigned long long>(st.st_ino) == entry.inode;
}

bool remove_made_file(const made_entry& entry)
{
    return is_made_entry(entry, false) && ::unlink(entry.path.c_str()) == 0;
}

bool remove_made_folder(const made_entry& entry)
{
    if (entry.path.empty())
        return false;
    const PathParts p = SplitPath(entry.path);
    const std::string name = p.stem + p.ext;
    const int parent = ::open(p.folder.empty() ? "." : p.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (parent < 0)
        return false;
    // Judged relative to the parent that is then taken apart, so a folder
    // swapped for a link between the two steps is not followed.
    struct stat st
    {
    };
    bool removed = false;
    if (::fstatat(parent, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode) &&
        static_cast<unsigned long long>(st.st_dev) == entry.device &&
        static_cast<unsigned long long>(st.st_ino) == entry.inode)
        removed = RemoveTreeAt(parent, name.c_str());
    ::close(parent);
    return removed;
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
    return "[!!! Exception Code: " + IntToStr(code) + "\nMsg: " + (msg ? msg : "") + "\nFile: " + (file ? file : "") +
           "\nLine: " + IntToStr(line) + " !!!]";
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
