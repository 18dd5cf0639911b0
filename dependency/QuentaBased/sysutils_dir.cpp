#include "sysutils_dir.h"

#include "Basilvo/Basilvo.h"
#include "CBaseException.h"
#include "sysutils_file.h"
#include "sysutils_path.h"
#include "sysutils_string.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace QuentaBased {

namespace {

bool IsDots(const char* name)
{
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

unsigned char EntryType(const find_data& h)
{
    if (h.current->d_type != DT_UNKNOWN)
        return h.current->d_type;
    struct stat st;
    if (::lstat((h.folder + h.current->d_name).c_str(), &st) != 0)
        return DT_UNKNOWN;
    return static_cast<unsigned char>(IFTODT(st.st_mode));
}

// Moves to the next matching entry other than "." and "..". `dotsMatched`
// tells whether a skipped "." or ".." would have matched the pattern.
bool NextEntry(find_data* h, bool& dotsMatched)
{
    for (;;) {
        h->current = ::readdir(h->dir);
        if (h->current == nullptr) {
            h->type = DT_UNKNOWN;
            return false;
        }
        const bool matches = StrMatch(h->current->d_name, h->pattern.c_str());
        if (IsDots(h->current->d_name)) {
            dotsMatched = dotsMatched || matches;
            continue;
        }
        if (matches) {
            h->type = EntryType(*h);
            return true;
        }
    }
}

// An empty path resolves to "/" (expand_path gives "" and the listing adds the
// slash), so without this check a caller's missing value would list or delete
// from the root. The root itself is never deleted either.
void RefuseEmptyOrRoot(const char* path, const char* operation)
{
    if (path[0] == '\0')
        QB_THROW(QB_ERR_BAD_PARAM, std::string(operation) + ": empty path");
}

bool IsRoot(const char* path)
{
    const std::string resolved = expand_path(path);
    return resolved.find_first_not_of('/') == std::string::npos;
}

} // namespace

find_data::~find_data()
{
    if (dir != nullptr) {
        ::closedir(dir);
        dir = nullptr;
    }
}

find_data* find_first(const char* folder, const char* pattern)
{
    if (folder == nullptr || pattern == nullptr)
        QB_THROW(QB_ERR_BAD_POINTER, "File path or pattern can't not be null");
    RefuseEmptyOrRoot(folder, "find_first");
    std::unique_ptr<find_data> handle(new find_data());
    handle->folder = include_path_backslash(expand_path(folder).c_str());
    const std::string notFound = "No file can be found, path = " + handle->folder;
    handle->pattern = pattern;
    handle->dir = ::opendir(handle->folder.c_str());
    if (handle->dir == nullptr)
        QB_THROW_ERRNO(QB_ERR_UNEXPECTED, notFound, errno);
    bool dotsMatched = false;
    if (!NextEntry(handle.get(), dotsMatched)) {
        if (dotsMatched)
            QB_THROW(QB_ERR_NOT_FOUND, notFound);
        QB_THROW_ERRNO(QB_ERR_UNEXPECTED, notFound, errno);
    }
    return handle.release();
}

bool find_next(find_data* handle)
{
    return QB_GUARDED(false, {
        if (handle == nullptr)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        bool dotsMatched = false;
        if (handle->dir == nullptr || !NextEntry(handle, dotsMatched))
            QB_THROW_ERRNO(QB_ERR_UNEXPECTED, "find_next error", errno);
        return true;
    });
}

void find_close(find_data* handle)
{
    delete handle;
}

std::string find_get_path(find_data* handle)
{
    if (handle == nullptr || handle->current == nullptr)
        return std::string();
    return handle->folder + handle->current->d_name;
}

bool find_is_folder(find_data* handle)
{
    if (handle == nullptr || handle->current == nullptr)
        return false;
    return (handle->type & 4) != 0;
}

bool dir_exists(const char* path)
{
    GetQuentaException()->Clear();
    return QB_GUARDED(false, {
        if (path == nullptr)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        struct stat st;
        if (::stat(path, &st) != 0)
            QB_THROW(QB_ERR_UNEXPECTED, std::string("dir_exist: Can't stat the directory, dir = ") + path);
        if (!S_ISDIR(st.st_mode))
            QB_THROW(QB_ERR_UNEXPECTED, std::string("dir_exist: It's not a directory, dir = ") + path);
        return true;
    });
}

void make_dir(const char* path)
{
    if (path == nullptr)
        QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
    const std::string failure = std::string("Can't create directory, DirName = ") + path;
    // A backslash is an ordinary file-name character on this system.
    std::string prefix = path[0] == '/' ? "/" : "";
    for (const std::string& piece : StrSplit(path, "/")) {
        prefix += piece + "/";
        if (::mkdir(prefix.c_str(), 0777) == 0)
            continue;
        if (errno != EEXIST)
            QB_THROW(QB_ERR_UNEXPECTED, failure);
        struct stat st;
        if (::stat(prefix.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            QB_THROW(QB_ERR_UNEXPECTED, failure);
    }
}

void delete_dir(const char* path)
{
    QB_GUARDED_VOID({
        if (path == nullptr)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        RefuseEmptyOrRoot(path, "delete_dir");
        // A link is removed itself: what it points to lies outside the tree.
        struct stat st;
        if (::lstat(path, &st) == 0 && S_ISLNK(st.st_mode)) {
            file_delete(path);
            return;
        }
        if (IsRoot(path))
            QB_THROW(QB_ERR_BAD_PARAM, std::string("delete_dir: refusing to delete the root folder, path = ") + path);
        find_data* listing = nullptr;
        QB_GUARDED_VOID({ listing = find_first(path, "*"); });
        if (listing != nullptr) {
            do {
                if (IsDots(listing->current->d_name))
                    continue;
                const std::string entry = find_get_path(listing);
                if (find_is_folder(listing))
                    delete_dir(entry.c_str());
                else
                    file_delete(entry);
            } while (find_next(listing));
            find_close(listing);
        } else if (!dir_exists(path)) {
            if (file_exists(path))
                file_delete(path);
            return;
        }
        if (IsRoot(path))
            QB_THROW(QB_ERR_BAD_PARAM, std::string("delete_dir: refusing to delete the root folder, path = ") + path);
        if (::rmdir(path) != 0)
            QB_THROW(QB_ERR_UNEXPECTED, std::string("War: Remove ") + path + " folder is failed");
    });
}

} // namespace QuentaBased
