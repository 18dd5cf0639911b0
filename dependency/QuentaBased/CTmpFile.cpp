#include "CTmpFile.h"

#include "CBaseException.h"
#include "sysutils_path.h"
#include "sysutils_string.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <random>

namespace QuentaBased {

namespace {

const char kPrefix[] = "tmpf";
const int kAttempts = 100;

std::string TempFolder()
{
    const char* env = std::getenv("TMPDIR");
    struct stat st;
    if (env != nullptr && *env != '\0' && stat(env, &st) == 0 && S_ISDIR(st.st_mode))
        return env;
    return "/tmp";
}

std::string UniquePart()
{
    static std::mutex lock;
    static std::mt19937_64 generator([] {
        std::random_device device;
        const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
        return (static_cast<std::uint64_t>(device()) << 32) ^ static_cast<std::uint64_t>(now) ^
               static_cast<std::uint64_t>(getpid());
    }());
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::uint64_t bits;
    {
        std::lock_guard<std::mutex> guard(lock);
        bits = generator();
    }
    std::string part;
    for (int i = 0; i < 8; ++i) {
        part += digits[bits % 62];
        bits /= 62;
    }
    return part;
}

} // namespace

std::string CreateTempFile(const std::string& folder, const std::string& extension)
{
    std::string dir = folder.empty() ? TempFolder() : folder;
    if (dir.back() != '/')
        dir += '/';
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const std::string path = dir + kPrefix + UniquePart() + extension;
        struct stat st;
        if (lstat(path.c_str(), &st) != 0) {
            if (errno == ENOENT)
                return path;
            break; // a folder we cannot look into will not get better
        }
    }
    QB_THROW(QB_ERR_UNEXPECTED, "Unexpected error");
}

CTmpFile::CTmpFile(const std::string& folder, const std::string& extension) : m_path(CreateTempFile(folder, extension))
{}

CTmpFile::CTmpFile(const std::string& extension, const char* name) : m_path(CreateTempFile("", extension))
{
    if (name != nullptr)
        m_path = extract_file_path(m_path) + name + extract_file_ext(m_path);
}

CTmpFile::~CTmpFile()
{
    if (m_owned)
        unlink(m_path.c_str());
}

} // namespace QuentaBased
