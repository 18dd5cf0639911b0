#include "CFFDiscTask.h"

#include "CBaseException.h"
#include "CProcessLauncher.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sstream>

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

void CFFDiscTask::RemoveTree(const std::string& path)
{
    if (DIR* dir = ::opendir(path.c_str())) {
        while (const dirent* e = ::readdir(dir)) {
            const std::string name = e->d_name;
            if (name == "." || name == "..")
                continue;
            const std::string child = path + "/" + name;
            struct stat st;
            if (::lstat(child.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
                RemoveTree(child);
            else
                ::unlink(child.c_str());
        }
        ::closedir(dir);
    }
    ::rmdir(path.c_str());
}

void CFFDiscTask::ReplaceFolder(const std::string& part, const std::string& folder)
{
    const std::string old = folder + ".old";
    RemoveTree(old);
    struct stat st;
    if (::lstat(folder.c_str(), &st) == 0 && ::rename(folder.c_str(), old.c_str()) != 0)
        QB_THROW_ERRNO(QB_ERR_FILE_IO, "Can't replace the folder " + folder, errno);
    if (::rename(part.c_str(), folder.c_str()) != 0) {
        const int err = errno;
        ::rename(old.c_str(), folder.c_str());
        QB_THROW_ERRNO(QB_ERR_FILE_IO, "Can't move the finished folder to " + folder, err);
    }
    RemoveTree(old);
}

void CFFDiscTask::RunProgram(const std::vector<std::string>& args, const std::vector<std::string>& env)
{
    CheckCancel();
    const std::string errors = m_project.output + "/.fablecut-disc.log";
    QuentaBased::CProcessLauncher::Options options;
    options.args = args;
    options.searchPath = true;
    options.environment = env;
    options.redirections = {
        QuentaBased::CProcessLauncher::Redirection::ToFile(1, "/dev/null", O_WRONLY),
        QuentaBased::CProcessLauncher::Redirection::ToFile(2, errors, O_WRONLY | O_CREAT | O_TRUNC, 0644),
    };
    // A cancel ends whatever the tool has started too.
    options.newProcessGroup = true;
    QuentaBased::CProcessLauncher child;
    if (!child.Start(options)) {
        ::unlink(errors.c_str());
        QB_THROW(QB_ERR_UNEXPECTED, child.ErrorText());
    }
    while (!child.WaitEnded(20)) {
        if (m_cancel) {
            child.KillAndCollect();
            ::unlink(errors.c_str());
            QB_THROW(QB_ERR_UNEXPECTED, "Cancel");
        }
    }
    const std::string said = Tail(errors);
    ::unlink(errors.c_str());
    switch (child.GetState()) {
    case QuentaBased::CProcessLauncher::State::Exited:
        if (child.ExitCode() != 0)
            QB_THROW(QB_ERR_UNEXPECTED, args[0] + " failed: " + said);
        break;
    case QuentaBased::CProcessLauncher::State::Signalled:
        QB_THROW(QB_ERR_UNEXPECTED, args[0] + " crashed with " + child.DescribeEnd() + ": " + said);
    default:
        QB_THROW(QB_ERR_UNEXPECTED, "Lost the program " + args[0]);
    }
}

} // namespace Solvane
