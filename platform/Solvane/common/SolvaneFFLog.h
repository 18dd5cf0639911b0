#pragma once

// FFmpeg's own warnings and errors go to the system log, each line naming the
// file it is about, instead of to the console or nowhere.

#include <string>

namespace Solvane {

// Installs the callback once per process (later calls do nothing).
void InstallFFLog();

// Names the file an FFmpeg object (format or codec context) works on, so that
// its messages name it; Forget before the object is freed.
void NameFFLogOwner(const void* object, const std::string& path);
void ForgetFFLogOwner(const void* object);

// Keeps an object named for its lifetime.
class CFFLogName
{
public:
    CFFLogName() = default;
    CFFLogName(const void* object, const std::string& path) { Set(object, path); }
    ~CFFLogName() { Set(nullptr, std::string()); }
    CFFLogName(const CFFLogName&) = delete;
    CFFLogName& operator=(const CFFLogName&) = delete;
    void Set(const void* object, const std::string& path);

private:
    const void* m_object = nullptr;
};

} // namespace Solvane
