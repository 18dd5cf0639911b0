#include "CLockedFolder.h"

#include "CBaseException.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace QuentaBased {

namespace {

const char* const kLock = "lock";
// Written once the lock is held: a folder with a free lock but without it is
// one another process is still making.
const char* const kOwner = "owner";

// The files directly in `folder` other than the lock; subfolders and what
// they hold are never taken.
void RemoveFilesIn(const std::string& folder)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    std::vector<std::string> names;
    while (struct dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != ".." && name != kLock)
            names.push_back(name);
    }
    ::closedir(dir);
    for (const std::string& name : names) {
        struct stat st
        {
        };
        const std::string path = folder + "/" + name;
        if (::lstat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode))
            ::unlink(path.c_str());
    }
}

} // namespace

std::string CLockedFolder::TempFolder()
{
    const char* tmp = std::getenv("TMPDIR");
    std::string dir = (tmp && *tmp) ? tmp : "/tmp";
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    return dir;
}

CLockedFolder::CLockedFolder(const std::string& prefix, const std::string& parent)
{
    std::string path = (parent.empty() ? TempFolder() : parent) + "/" + prefix + "XXXXXX";
    if (!::mkdtemp(&path[0]))
        QB_THROW_ERRNO(QB_ERR_FILE_IO, "Can't create a folder in " + (parent.empty() ? TempFolder() : parent), errno);
    const std::string lock = path + "/" + kLock;
    const int folderFd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
    // Blocking: a process judging the new folder holds its lock a moment.
    const int fd = folderFd < 0 || ::flock(folderFd, LOCK_EX) != 0
                       ? -1
                       : ::open(lock.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0 || ::flock(fd, LOCK_EX) != 0) {
        const int err = errno;
        if (fd >= 0)
            ::close(fd);
        if (folderFd >= 0)
            ::close(folderFd);
        ::unlink(lock.c_str());
        ::rmdir(path.c_str());
        QB_THROW_ERRNO(QB_ERR_FILE_IO, "Can't lock the folder " + path, err);
    }
    const std::string owner = std::to_string(::getpid()) + "\n";
    const int ownerFd = ::open((path + "/" + kOwner).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (ownerFd < 0) {
        const int err = errno;
        ::close(fd);
        ::close(folderFd);
        ::unlink(lock.c_str());
        ::rmdir(path.c_str());
        QB_THROW_ERRNO(QB_ERR_FILE_IO, "Can't mark the folder " + path, err);
    }
    const ssize_t n = ::write(ownerFd, owner.data(), owner.size());
    (void)n; // the id is for people reading the folder; the lock decides
    ::close(ownerFd);
    m_path = path;
    m_folder = folderFd;
    m_lock = fd;
}

CLockedFolder::~CLockedFolder()
{
    RemoveFilesIn(m_path);
    ::unlink((m_path + "/" + kLock).c_str());
    ::rmdir(m_path.c_str());
    ::close(m_lock);
    ::close(m_folder);
}

int CLockedFolder::RemoveAbandoned(const std::string& prefix, const std::function<void(const std::string&)>& clear,
                                   const std::string& parent)
{
    const std::string where = parent.empty() ? TempFolder() : parent;
    DIR* dir = ::opendir(where.c_str());
    if (!dir)
        return 0;
    std::vector<std::string> folders;
    while (struct dirent* entry = ::readdir(dir)) {
        if (std::strncmp(entry->d_name, prefix.c_str(), prefix.size()) == 0)
            folders.push_back(where + "/" + entry->d_name);
    }
    ::closedir(dir);
    int removed = 0;
    for (const std::string& folder : folders) {
        // A link is never opened: O_NOFOLLOW refuses it.
        const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0)
            continue;
        struct stat st
        {
        };
        if (::fstat(fd, &st) != 0 || st.st_uid != ::geteuid() || ::flock(fd, LOCK_EX | LOCK_NB) != 0 ||
            ::fstatat(fd, kOwner, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            ::close(fd);
            continue;
        }
        // A lock file that can be opened is honoured too: a program that
        // judges by it holds it and nothing else. One replaced, removed or
        // unreadable says nothing, and the folder's lock decides.
        const int lockFd = ::openat(fd, kLock, O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (lockFd >= 0 && ::flock(lockFd, LOCK_EX | LOCK_NB) != 0) {
            ::close(lockFd);
            ::close(fd);
            continue;
        }
        if (clear)
            clear(folder);
        RemoveFilesIn(folder);
        ::unlink((folder + "/" + kLock).c_str());
        if (::rmdir(folder.c_str()) == 0)
            ++removed;
        if (lockFd >= 0)
            ::close(lockFd);
        ::close(fd);
    }
    return removed;
}

} // namespace QuentaBased
