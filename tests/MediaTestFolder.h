#pragma once

// What the media tests of several folders share: a temporary folder their
// fixtures are made in with the ffmpeg program, and a media manager made
// for one test.

#include "Basilvo/Basilvo.h"
#include "IAVManager.h"

#include <cstdlib>
#include <string>

namespace MediaTest {

inline bool Run(const std::string& command) { return std::system(command.c_str()) == 0; }

// A folder "/tmp/<prefix>-XXXXXX", removed with all in it at the end; its
// Dir() stays empty when none could be made.
class Folder
{
public:
    explicit Folder(const std::string& prefix)
    {
        std::string tmpl = "/tmp/" + prefix + "-XXXXXX";
        if (mkdtemp(&tmpl[0]))
            m_dir = tmpl;
    }
    ~Folder()
    {
        if (!m_dir.empty())
            Run("rm -rf '" + m_dir + "'");
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    const std::string& Dir() const { return m_dir; }
    std::string Path(const char* name) const { return m_dir + "/" + name; }
    // The start of an ffmpeg command that runs in the folder.
    std::string FFmpeg() const { return "cd '" + m_dir + "' && ffmpeg -nostdin -v error -y "; }

private:
    std::string m_dir;
};

// A manager made for the test, released at its end.
struct ManagerHolder
{
    Moorland::IAVManager* manager = CreateAVManager("/tmp/", nullptr);
    ~ManagerHolder()
    {
        if (manager)
            manager->Release();
    }
    Moorland::IAVManager* operator->() const { return manager; }
};

} // namespace MediaTest
