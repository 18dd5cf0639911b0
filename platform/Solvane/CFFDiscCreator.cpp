#include "CFFDiscCreator.h"

#include "CBaseException.h"
#include "CFFTranscode.h"
#include "sysplatform.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

extern char** environ;

namespace Solvane {

namespace {
std::string Trim(const std::string& s)
{
    const size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos)
        return "";
    const size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

std::string Tail(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    std::string s = Trim(text.str());
    if (s.size() > 200)
        s = s.substr(s.size() - 200);
    return s;
}
} // namespace

CFFDVDCreator::CFFDVDCreator(Moorland::IAVManager* manager) : m_manager(manager) {}

CFFDVDCreator::~CFFDVDCreator()
{
    m_cancel = true;
    if (m_thread.joinable())
        m_thread.join();
}

bool CFFDVDCreator::LoadProjectFile(const char* path)
{
    return QB_GUARDED(false, {
        if (!path)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        std::ifstream in(path);
        if (!in)
            QB_THROW(QB_ERR_FILE_IO, std::string("Can't read the disc project ") + path);
        m_titles.clear();
        std::string line;
        while (std::getline(in, line)) {
            line = Trim(line);
            if (line.empty() || line[0] == '#')
                continue;
            const size_t eq = line.find('=');
            if (eq == std::string::npos)
                QB_THROW(QB_ERR_BAD_PARAM, "Bad line in the disc project: " + line);
            const std::string key = Trim(line.substr(0, eq)), value = Trim(line.substr(eq + 1));
            if (key == "output")
                m_output = value;
            else if (key == "image")
                m_image = value;
            else if (key == "standard")
                m_pal = value != "NTSC" && value != "ntsc";
            else if (key == "aspect")
                m_wide = value != "4:3";
            else if (key == "title")
                m_titles.push_back(value);
            else
                QB_THROW(QB_ERR_BAD_PARAM, "Unknown key in the disc project: " + key);
        }
        if (m_output.empty() || m_titles.empty())
            QB_THROW(QB_ERR_BAD_PARAM, std::string("The disc project names no output or no title: ") + path);
        m_loaded = true;
        return true;
    });
}

void CFFDVDCreator::Set(uint8_t phase, uint8_t step, double percent)
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_status.phase = phase;
    m_status.step = step;
    m_status.percent = percent;
}

bool CFFDVDCreator::StartTask()
{
    return QB_GUARDED(false, {
        if (!m_loaded)
            QB_THROW(QB_ERR_UNEXPECTED, "No disc project is loaded");
        if (m_thread.joinable())
            QB_THROW(QB_ERR_UNEXPECTED, "The disc task has started already");
        {
            std::lock_guard<std::mutex> hold(m_lock);
            m_status = Moorland::DiscCreatorStatus{};
            m_status.state = 1;
        }
        m_thread = std::thread(&CFFDVDCreator::Run, this);
        return true;
    });
}

bool CFFDVDCreator::CancelTask()
{
    m_cancel = true;
    return true;
}

const Moorland::DiscCreatorStatus* CFFDVDCreator::GetTaskStatus()
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_public = m_status;
    return &m_public;
}

void CFFDVDCreator::Release()
{
    delete this;
}

void CFFDVDCreator::RunProgram(const std::vector<std::string>& args)
{
    const std::string errors = m_output + "/.fablecut-disc.log";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<std::string> env;
    for (char** e = environ; e && *e; ++e) {
        if (std::strncmp(*e, "VIDEO_FORMAT=", 13) != 0)
            env.push_back(*e);
    }
    env.push_back(std::string("VIDEO_FORMAT=") + (m_pal ? "PAL" : "NTSC"));
    std::vector<char*> envp;
    for (std::string& e : env)
        envp.push_back(&e[0]);
    envp.push_back(nullptr);
    pid_t pid = 0;
    const int err = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (err != 0)
        QB_THROW(QB_ERR_UNEXPECTED, "Can't run " + args[0] + ": " + std::strerror(err));
    int status = 0;
    for (;;) {
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid)
            break;
        if (r < 0)
            QB_THROW(QB_ERR_UNEXPECTED, "Lost the program " + args[0]);
        if (m_cancel) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            QB_THROW(QB_ERR_UNEXPECTED, "Cancel");
        }
        QuentaBased::QuentaBased_Sleep(20);
    }
    const std::string said = Tail(errors);
    ::unlink(errors.c_str());
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        QB_THROW(QB_ERR_UNEXPECTED, args[0] + " failed: " + said);
}

void CFFDVDCreator::Run()
{
    std::vector<std::string> encoded;
    try {
        if (::mkdir(m_output.c_str(), 0755) != 0 && errno != EEXIST)
            QB_THROW_ERRNO(QB_ERR_FILE_IO, "Can't create the folder " + m_output, errno);
        ExportSettings s;
        s.format = "dvd";
        s.video.present = true;
        s.video.codec = "mpeg2video";
        s.video.width = 720;
        s.video.height = m_pal ? 576 : 480;
        s.video.frameRate = m_pal ? 25.0 : 30000.0 / 1001.0;
        s.video.bitrateKbps = 5000;
        s.video.aspect = m_wide ? "16:9" : "4:3";
        s.audio.present = true;
        s.audio.codec = "ac3";
        s.audio.bitrate = 192000;
        s.audio.sampleRate = 48000;
        s.audio.channels = 2;
        const size_t count = m_titles.size();
        for (size_t i = 0; i < count; ++i) {
            const std::string mpg = m_output + "/title" + std::to_string(i + 1) + ".mpg";
            encoded.push_back(mpg);
            Set(1, static_cast<uint8_t>(i + 1), 85.0 * i / count);
            const bool done = TranscodeToFile(m_manager, m_titles[i], nullptr, s, mpg, 0, -1, [&](double f) {
                Set(1, static_cast<uint8_t>(i + 1), 85.0 * (i + f) / count);
                return !m_cancel;
            });
            if (!done || m_cancel)
                QB_THROW(QB_ERR_UNEXPECTED, "Cancel");
        }
        Set(2, 1, 85.0);
        const std::string video = std::string(m_pal ? "pal" : "ntsc") + "+" + (m_wide ? "16:9" : "4:3");
        for (const std::string& mpg : encoded)
            RunProgram({"dvdauthor", "-o", m_output, "-t", "-v", video, "-a", "ac3", mpg});
        Set(2, 2, 92.0);
        RunProgram({"dvdauthor", "-o", m_output, "-T"});
        for (const std::string& mpg : encoded)
            ::unlink(mpg.c_str());
        if (!m_image.empty()) {
            Set(3, 1, 95.0);
            RunProgram({"genisoimage", "-dvd-video", "-quiet", "-V", "FABLECUT", "-o", m_image, m_output});
        }
        std::lock_guard<std::mutex> hold(m_lock);
        m_status.percent = 100.0;
        m_status.state = 5;
    } catch (...) {
        for (const std::string& mpg : encoded)
            ::unlink(mpg.c_str());
        std::string text = "Disc creator task failed";
        try {
            throw;
        } catch (const CBaseException& e) {
            text = e.GetMsg();
        } catch (const std::exception& e) {
            text = e.what();
        } catch (...) {
        }
        std::lock_guard<std::mutex> hold(m_lock);
        std::snprintf(m_status.errorText, sizeof m_status.errorText, "%s", text.c_str());
        m_status.state = 4;
    }
}

} // namespace Solvane
