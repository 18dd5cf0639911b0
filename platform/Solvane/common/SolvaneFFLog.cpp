#include "SolvaneFFLog.h"

#include "Basilvo/Basilvo.h"
#include "Basilvo/QuentaLogger.h"

extern "C" {
#include <libavutil/log.h>
}

#include <cstdarg>
#include <map>
#include <mutex>

namespace Solvane {

namespace {

std::mutex& OwnersLock()
{
    static std::mutex lock;
    return lock;
}

std::map<const void*, std::string>& Owners()
{
    static std::map<const void*, std::string> owners;
    return owners;
}

// The file an object's message is about: the object's own name, else that of
// the context it belongs to (a demuxer's I/O, a decoder's threads).
std::string OwnerOf(void* object)
{
    std::lock_guard<std::mutex> hold(OwnersLock());
    for (int depth = 0; object && depth < 4; ++depth) {
        auto it = Owners().find(object);
        if (it != Owners().end())
            return it->second;
        const AVClass* cls = *static_cast<AVClass**>(object);
        if (!cls || cls->parent_log_context_offset <= 0)
            break;
        object = *reinterpret_cast<void**>(static_cast<char*>(object) + cls->parent_log_context_offset);
    }
    return std::string();
}

void Callback(void* object, int level, const char* format, va_list args)
{
    if (level > AV_LOG_WARNING)
        return;
    char line[1024];
    int prefix = 1;
    va_list copy;
    va_copy(copy, args);
    av_log_format_line2(object, level, format, copy, line, sizeof(line), &prefix);
    va_end(copy);
    std::string text = line;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    if (text.empty())
        return;
    const std::string owner = object ? OwnerOf(object) : std::string();
    if (!owner.empty())
        text = owner + ": " + text;
    const LogLevel ours = level <= AV_LOG_ERROR ? LOG_ERROR : LOG_WARN;
    if (IQuentaLogger* logger = GetQuentaLogger())
        logger->Log(ours, "FFmpeg", text.c_str(), nullptr, 0);
}

} // namespace

void InstallFFLog()
{
    static std::once_flag once;
    std::call_once(once, [] {
        av_log_set_level(AV_LOG_WARNING);
        av_log_set_callback(Callback);
    });
}

void NameFFLogOwner(const void* object, const std::string& path)
{
    if (!object)
        return;
    std::lock_guard<std::mutex> hold(OwnersLock());
    Owners()[object] = path;
}

void ForgetFFLogOwner(const void* object)
{
    if (!object)
        return;
    std::lock_guard<std::mutex> hold(OwnersLock());
    Owners().erase(object);
}

void CFFLogName::Set(const void* object, const std::string& path)
{
    ForgetFFLogOwner(m_object);
    m_object = object;
    NameFFLogOwner(object, path);
}

} // namespace Solvane
