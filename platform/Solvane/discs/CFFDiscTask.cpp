#include "CFFDiscTask.h"

#include "CBaseException.h"
#include "CProcessLauncher.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
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
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_puttingInPlace)
        return false;
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

void CFFDiscTask::BeginPuttingInPlace()
{
    std::lock_guard<std::mutex> hold(m_lock);
    CheckCancel();
    m_puttingInPlace = true;
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

void CFFDiscTask::CheckReplaceable(const std::string& folder, const std::string& discFile)
{
    struct stat st;
    if (::lstat(folder.c_str(), &st) != 0) {
        // Nothing there, or a file where a folder on the way should be
        // (which making the folder then reports).
        if (errno == ENOENT || errno == ENOTDIR)
            return;
        QB_THROW_ERRNO(QB_ERR_FILE_IO, "Can't look at the folder " + folder, errno);
    }
    if (S_ISLNK(st.st_mode))
        QB_THROW(QB_ERR_FILE_IO, folder + " is a link: the disc is not written through it, and nothing it leads to "
                                          "is changed. Choose another output folder or remove the link.");
    if (!S_ISDIR(st.st_mode))
        QB_THROW(QB_ERR_FILE_IO, folder + " is there as something other than a folder: it is left as it is. Choose "
                                          "another output folder.");
    bool empty = true;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* e = ::readdir(dir)) {
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) {
                empty = false;
                break;
            }
        }
        ::closedir(dir);
    } else {
        QB_THROW_ERRNO(QB_ERR_FILE_IO, "Can't look into the folder " + folder, errno);
    }
    if (empty)
        return;
    if (!discFile.empty() && ::lstat((folder + "/" + discFile).c_str(), &st) == 0 && S_ISREG(st.st_mode))
        return;
    QB_THROW(QB_ERR_FILE_IO, folder + " holds files that are not a disc: they are left as they are. Choose another "
                                      "output folder.");
}

void CFFDiscTask::ReplaceFolder(const QuentaBased::made_entry& part, const std::string& folder,
                                const std::string& discFile)
{
    CheckReplaceable(folder, discFile);
    struct stat st;
    QuentaBased::made_entry old;
    if (::lstat(folder.c_str(), &st) == 0) {
        // The earlier folder is moved onto an empty folder made for it, so
        // no name a user has is taken; it is removed once the new one is in
        // place, judged by what it was when it was moved.
        old = QuentaBased::create_working_folder(folder + ".old");
        const QuentaBased::made_entry aside = old;
        if (::rename(folder.c_str(), old.path.c_str()) != 0) {
            const int err = errno;
            QuentaBased::remove_made_folder(aside);
            QB_THROW_ERRNO(QB_ERR_FILE_IO, "Can't replace the folder " + folder, err);
        }
        old.device = static_cast<unsigned long long>(st.st_dev);
        old.inode = static_cast<unsigned long long>(st.st_ino);
    }
    if (::rename(part.path.c_str(), folder.c_str()) != 0) {
        const int err = errno;
        if (!old.path.empty())
            ::rename(old.path.c_str(), folder.c_str());
        QB_THROW_ERRNO(QB_ERR_FILE_IO, "Can't move the finished folder to " + folder, err);
    }
    if (!old.path.empty())
        QuentaBased::remove_made_folder(old);
}

void CFFDiscTask::RunProgram(const std::vector<std::string>& args, const std::vector<std::string>& env)
{
    CheckCancel();
    // The tool's last words go to a file of the task's own beside the disc.
    const QuentaBased::made_entry log = QuentaBased::create_working_file(m_project.output + "/.fablecut-disc.log");
    const std::string errors = log.path;
    QuentaBased::CProcessLauncher::Options options;
    options.args = args;
    options.searchPath = true;
    options.environment = env;
    options.redirections = {
        QuentaBased::CProcessLauncher::Redirection::ToFile(1, "/dev/null", O_WRONLY),
        QuentaBased::CProcessLauncher::Redirection::ToFile(2, errors, O_WRONLY | O_TRUNC | O_NOFOLLOW, 0644),
    };
    // A cancel ends whatever the tool has started too.
    options.newProcessGroup = true;
    QuentaBased::CProcessLauncher child;
    if (!child.Start(options)) {
        QuentaBased::remove_made_file(log);
        QB_THROW(QB_ERR_UNEXPECTED, child.ErrorText());
    }
    while (!child.WaitEnded(20)) {
        if (m_cancel) {
            child.KillAndCollect();
            QuentaBased::remove_made_file(log);
            QB_THROW(QB_ERR_UNEXPECTED, "Cancel");
        }
    }
    const std::string said = Tail(errors);
    QuentaBased::remove_made_file(log);
    switch (child.GetState()) {
    case QuentaBased::CProcessLauncher::State::Exited:
        if (child.ExitCode() != 0)
            QB_THROW(QB_ERR_UNEXPECTED, args[0] + " failed: " + said);
        break;
    case QuentaBased::CProcessLauncher::State::Signalled:
        QB_THROW(QB_ERR_UNEXPECTED, args[0] + " crashed with " + child.DescribeEnd() + ": " + said);
    default: QB_THROW(QB_ERR_UNEXPECTED, "Lost the program " + args[0]);
    }
}

} // namespace Solvane
