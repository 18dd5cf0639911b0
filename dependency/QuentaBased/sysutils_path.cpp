#include "sysutils_path.h"

#include "Basilvo/Basilvo.h"
#include "CBaseException.h"
#include "sysutils_file.h"
#include "sysutils_string.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dlfcn.h>
#include <memory>
#include <unistd.h>
#include <vector>

namespace QuentaBased {

namespace {

struct FreeDeleter
{
    void operator()(char* p) const { std::free(p); }
};

// realpath of `path`, or "" with errno set.
std::string RealPath(const std::string& path)
{
    std::unique_ptr<char, FreeDeleter> resolved(::realpath(path.c_str(), nullptr));
    return resolved ? std::string(resolved.get()) : std::string();
}

std::string CurrentFolder()
{
    std::unique_ptr<char, FreeDeleter> cwd(::getcwd(nullptr, 0));
    return cwd ? std::string(cwd.get()) : std::string();
}

// Resolves the longest existing prefix and keeps the first missing component
// behind it; components below that are dropped.
std::string ResolveTolerant(const std::string& path)
{
    std::string full = path;
    if (full[0] != '/')
        full = include_path_backslash(CurrentFolder().c_str()) + full;
    std::string resolved = RealPath(full);
    if (!resolved.empty())
        return resolved;
    if (errno != ENOENT)
        QB_THROW(QB_ERR_UNEXPECTED, "Can't expand path, path = " + path);

    const std::vector<std::string> parts = StrSplit(full, "/");
    std::string prefix = "/";
    std::string resolvedPrefix = "/";
    for (const std::string& part : parts) {
        const std::string next = prefix + part;
        std::string r = RealPath(next);
        if (r.empty()) {
            if (errno != ENOENT)
                QB_THROW(QB_ERR_UNEXPECTED, "Can't expand path, path = " + path);
            return include_path_backslash(resolvedPrefix.c_str()) + part;
        }
        resolvedPrefix = r;
        prefix = next + "/";
    }
    return resolvedPrefix;
}

} // namespace

std::string get_executable_path()
{
    std::vector<char> buffer(4096, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0)
        return std::string();
    return std::string(buffer.data(), static_cast<size_t>(n));
}

std::string get_home_path()
{
    std::string home;
    get_environment_variable("HOME", home);
    return home;
}

std::string expand_path(const char* path)
{
    if (path == nullptr)
        QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
    const std::string given(path);
    if (given.empty())
        return std::string();
    std::string result = ResolveTolerant(given);
    if (given.back() == '/')
        result = include_path_backslash(result.c_str());
    return result;
}

std::string extract_file_path(const std::string& path)
{
    const std::string resolved = expand_path(path.c_str());
    const int slash = StrRPos(resolved, 0xFFFFFFFFu, "/");
    if (slash < 0)
        return include_path_backslash(resolved.c_str());
    return LeftStr(resolved, static_cast<unsigned int>(slash) + 1);
}

std::string extract_file_name(const std::string& path)
{
    return QB_GUARDED(std::string(), {
        const std::string resolved = expand_path(path.c_str());
        const int slash = StrRPos(resolved, 0xFFFFFFFFu, "/");
        if (slash < 0)
            return resolved;
        return SubStr(resolved, static_cast<unsigned int>(slash) + 1, 0xFFFFFFFFu);
    });
}

std::string GetUnicodeFileName(const std::string& name)
{
    std::string candidate = expand_path(name.c_str());
    const std::string ext = extract_file_ext(name);
    const std::string stem = change_file_ext(candidate, "");
    // Built without Format, so long paths are never cut.
    for (int counter = 0; file_exists(candidate.c_str()); ++counter) {
        // Handing back a taken name would let the caller overwrite that file.
        if (counter > 39999)
            QB_THROW(QB_ERR_UNEXPECTED, "No free file name, name = " + name);
        candidate = stem + "_" + IntToStr(counter) + ext;
    }
    GetQuentaException()->Clear();
    return candidate;
}

bool get_environment_variable(const std::string& name, std::string& value)
{
    return QB_GUARDED(false, {
        const int err = errno;
        const char* found = ::getenv(name.c_str());
        if (found == nullptr)
            QB_THROW_ERRNO(QB_ERR_NOT_FOUND, "get_environment_variable error, name = " + name, err);
        value.clear();
        value = found;
        return true;
    });
}

bool set_environment_variable(const std::string& name, const std::string& value)
{
    return QB_GUARDED(false, {
        if (::setenv(name.c_str(), value.c_str(), 1) != 0)
            QB_THROW_ERRNO(QB_ERR_UNEXPECTED, "set_environment_variable error", errno);
        GetQuentaException()->Clear();
        return true;
    });
}

bool delete_environment_variable(const std::string& name)
{
    return QB_GUARDED(false, {
        ::unsetenv(name.c_str());
        GetQuentaException()->Clear();
        return true;
    });
}

void dll_set_load_path(const std::string& folder)
{
    std::string value;
    get_environment_variable("LD_LIBRARY_PATH", value);
    for (const std::string& piece : StrSplit(value, ":"))
        if (piece == folder)
            return;
    value += ":" + folder;
    set_environment_variable("LD_LIBRARY_PATH", value);
}

void* load_dll(const char* path)
{
    if (path == nullptr)
        return nullptr;
    return ::dlopen(path, RTLD_LAZY);
}

void* get_proc_addr(void* handle, const char* name)
{
    if (handle == nullptr || name == nullptr)
        return nullptr;
    return ::dlsym(handle, name);
}

int free_dll(void* handle)
{
    if (handle == nullptr)
        return -1;
    return ::dlclose(handle);
}

} // namespace QuentaBased
