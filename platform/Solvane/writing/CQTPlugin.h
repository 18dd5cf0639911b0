#pragma once

// The QuickTime plug-in libCOrlendar.so, loaded at run time from this
// library's own folder. The plug-in records its failures through the
// process's error service, in the calling thread's own record.

#include <string>

class IOrlendar;

namespace Solvane {

// libCOrlendar.so, loaded for as long as an exporter holds it.
class CQTPlugin
{
public:
    CQTPlugin(); // throws when the plug-in or one of its functions is missing
    ~CQTPlugin();
    CQTPlugin(const CQTPlugin&) = delete;
    CQTPlugin& operator=(const CQTPlugin&) = delete;

    IOrlendar* Create() const;
    // Throws the plug-in's recorded error, or `fallback` when it recorded none.
    [[noreturn]] void ThrowError(const std::string& fallback) const;
    // True when the plug-in recorded an error on this thread.
    bool HasError() const;

private:
    void* m_handle = nullptr;
    IOrlendar* (*m_create)() = nullptr;
};

} // namespace Solvane
