#include "CFFDiscTask.h"

#include "CBaseException.h"
#include "sysplatform.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

extern char** environ;

namespace Solvane {

namespace {

std::string Tail(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    std::string s = text.str();
    const size_t b = s.find_first_not_of(" \t\r\n");
    const size_t e = s.find_last_not_of(" \t\r\n");
    s = b == std::string::npos ? "" : s.substr(b, e - b + 1);
    if (s.size() > 200)
        s = s.substr(s.size() - 200);
    return s;
}

} // namespace

CFFDiscTask::CFFDiscTask(Moorland::IAVManager* manager) : m_manager(manager) {}

CFFDiscTask::~CFFDiscTask()
{
    Stop();
}

void CFFDiscTask::Stop()
{
    m_cancel = true;
    if (m_thread.joinable())
        m_thread.join();
}

bool CFFDiscTask::LoadProjectFile(const char* path)
{
    return QB_GUARDED(false, {
        m_project = ReadDiscProject(path);
        m_loaded = true;
        return true;
    });
}

bool CFFDiscTask::StartTask()
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
        m_thread = std::thread(&CFFDiscTask::Body, this);
        return true;
    });
}

bool CFFDiscTask::CancelTask()
{
    m_cancel = true;
    return true;
}

const Moorland::DiscCreatorStatus* CFFDiscTask::GetTaskStatus()
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_public = m_status;
    return &m_public;
}

void CFFDiscTask::Release()
{
    delete this;
}

void CFFDiscTask::CheckCancel() const
{
    if (m_cancel)
        QB_THROW(QB_ERR_UNEXPECTED, "Cancel");
}

void CFFDiscTask::Set(uint8_t phase, uint8_t step, double percent)
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_status.phase = phase;
    m_status.step = step;
    m_status.percent = percent;
}

void CFFDiscTask::Body()
{
    std::string text;
    try {
        Run();
        std::lock_guard<std::mutex> hold(m_lock);
        m_status.percent = 100.0;
        m_status.state = 5;
        return;
    } catch (const CBaseException& e) {
        text = e.GetMsg();
    } catch (const std::exception& e) {
        text = e.what();
    } catch (...) {
    }
    if (text.empty())
        text = "Disc creator task failed";
    std::lock_guard<std::mutex> hold(m_lock);
    std::snprintf(m_status.errorText, sizeof m_status.errorText, "%s", text.c_str());
    m_status.state = 4;
}

void CFFDiscTask::RunProgram(const std::vector<std::string>& args, const std::vector<std::string>& env)
{
    CheckCancel();
    const std::string errors = m_project.output + "/.fablecut-disc.log";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<std::string> vars;
    for (char** e = environ; e && *e; ++e) {
        bool replaced = false;
        for (const std::string& v : env) {
            const size_t eq = v.find('=');
            replaced = replaced || std::strncmp(*e, v.c_str(), eq + 1) == 0;
        }
        if (!replaced)
            vars.push_back(*e);
    }
    vars.insert(vars.end(), env.begin(), env.end());
    std::vector<char*> envp;
    for (std::string& v : vars)
        envp.push_back(&v[0]);
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
            ::unlink(errors.c_str());
            QB_THROW(QB_ERR_UNEXPECTED, "Cancel");
        }
        QuentaBased::QuentaBased_Sleep(20);
    }
    const std::string said = Tail(errors);
    ::unlink(errors.c_str());
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        QB_THROW(QB_ERR_UNEXPECTED, args[0] + " failed: " + said);
}

} // namespace Solvane
