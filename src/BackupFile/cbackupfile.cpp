#include "cbackupfile.h"

#include "Basilvo.h"
#include "CBaseException.h"
#include "sysutils_dir.h"
#include "sysutils_file.h"
#include "sysutils_string.h"
#include "utility/utility.h"

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <cstdint>

#include <algorithm>

using namespace QuentaBased;

IBackupFile* CreateBackuper()
{
    GetQuentaException()->Clear();
    return QB_GUARDED(static_cast<IBackupFile*>(nullptr), { return static_cast<IBackupFile*>(new CBackupFile); });
}

CBackupFile::CBackupFile() = default;

CBackupFile::~CBackupFile()
{
    // Deleting the thread waits for a run to end; it is not stopped.
    m_thread.reset();
}

void CBackupFile::Free()
{
    delete this;
}

int CBackupFile::stateNow() const
{
    std::lock_guard<std::mutex> guard(m_progress.lock);
    return m_progress.info.nState;
}

void CBackupFile::setState(int state)
{
    std::lock_guard<std::mutex> guard(m_progress.lock);
    m_progress.info.nState = state;
}

int CBackupFile::AddBackupFile(const char* path)
{
    GetQuentaException()->Clear();
    return QB_GUARDED(0, {
        if (!path)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        if (!file_exists(path))
            QB_THROW(QB_ERR_NOT_FOUND, std::string("File ") + path + " Not exist");
        m_files.push_back(path);
        return 1;
    });
}

int CBackupFile::ClearBackupFilesList()
{
    GetQuentaException()->Clear();
    m_files.clear();
    return 1;
}

int CBackupFile::RemoveBackupFile(const char* path)
{
    GetQuentaException()->Clear();
    return QB_GUARDED(0, {
        const auto it = path ? std::find(m_files.begin(), m_files.end(), std::string(path)) : m_files.end();
        if (it == m_files.end())
            QB_THROW(QB_ERR_NOT_FOUND, "The request resource does not exist");
        m_files.erase(it);
        return 1;
    });
}

int CBackupFile::SetBackupDestPath(const char* folder)
{
    GetQuentaException()->Clear();
    // A refused folder also forgets the previous one: the next run must not
    // silently copy into a folder the caller no longer names.
    m_dest.clear();
    return QB_GUARDED(0, {
        if (!folder)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        const std::string dest = include_path_backslash(folder);
        if (!dir_exists(dest.c_str()))
            QB_THROW(QB_ERR_NOT_FOUND, "directory " + dest + " Not exist");
        if (!is_dir_can_write(dest.c_str()))
            QB_THROW(QB_ERR_FILE_IO, "Can not get write property of directory " + dest + " ");
        m_dest = dest;
        return 1;
    });
}

int64_t CBackupFile::GetDiskFreeRoom(const char* path)
{
    GetQuentaException()->Clear();
    return QB_GUARDED(int64_t(0), {
        struct statvfs st;
        if (!path || ::statvfs(path, &st) != 0)
            QB_THROW(QB_ERR_UNEXPECTED, "Can not Detect Disk FreeRoom");
        // Only the blocks this user may fill count.
        return static_cast<int64_t>(static_cast<uint64_t>(st.f_bavail) * st.f_frsize / 1024);
    });
}

int64_t CBackupFile::totalSizeLocked()
{
    int64_t total = 0;
    for (size_t i = m_files.size(); i-- > 0;) {
        const int fd = file_open(m_files[i], 0);
        if (fd < 0) {
            m_files.erase(m_files.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
        }
        // A folder's "end" is no size (some file systems answer the largest offset).
        struct stat st;
        const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
        const long long end = regular ? file_seek(fd, 0, 2) : 0;
        if (end > 0)
            total = end > INT64_MAX - total ? INT64_MAX : total + end;
        file_close(fd);
    }
    std::lock_guard<std::mutex> guard(m_progress.lock);
    m_progress.info.llTotalBytes = total;
    return total;
}

int64_t CBackupFile::GetBackupFilesTotalSize()
{
    GetQuentaException()->Clear();
    if (stateNow() == BACKUP_STATE_RUNNING) {
        std::lock_guard<std::mutex> guard(m_progress.lock);
        return m_progress.info.llTotalBytes;
    }
    if (!m_lock.Lock(200)) {
        GetQuentaException()->SetException(QB_ERR_PROCESS_STATE, "Cannot get data lock", __LINE__, __FILE__);
        return 0;
    }
    const int64_t total = QB_GUARDED(int64_t(0), { return totalSizeLocked(); });
    m_lock.Unlock();
    return total;
}

int CBackupFile::StartBackupFiles()
{
    GetQuentaException()->Clear();
    if (!m_lock.Lock(1000)) {
        GetQuentaException()->SetException(QB_ERR_PROCESS_STATE, "Cannot get data lock", __LINE__, __FILE__);
        return 0;
    }
    const int result = QB_GUARDED(0, {
        if (stateNow() != BACKUP_STATE_READY)
            QB_THROW(QB_ERR_PROCESS_STATE, "Backup State not ready");
        // Without a folder the copies would land in "/".
        if (m_dest.empty())
            QB_THROW(QB_ERR_NOT_FOUND, "No backup folder is set");
        totalSizeLocked();
        setState(BACKUP_STATE_RUNNING);
        try {
            m_thread.reset();
            {
                std::lock_guard<std::mutex> guard(m_progress.lock);
                m_progress.info.nTotalFiles = static_cast<int32_t>(m_files.size());
                m_progress.info.llBackedUpBytes = 0;
            }
            m_succeeded.clear();
            m_thread = std::make_unique<CBackupFileThread>(&m_progress, m_files, m_dest, m_succeeded, &m_lock);
            if (m_priority != 0)
                m_thread->SetThreadPriority(m_priority);
            m_thread->setFileExistPolicy(m_policy);
        } catch (...) {
            // A start that fails leaves the backuper ready to be started again.
            m_thread.reset();
            setState(BACKUP_STATE_READY);
            throw;
        }
        return 1;
    });
    m_lock.Unlock();
    if (result && m_thread)
        m_thread->Resume();
    return result;
}

int CBackupFile::ResetBackupState()
{
    GetQuentaException()->Clear();
    if (stateNow() == BACKUP_STATE_RUNNING) {
        GetQuentaException()->SetException(QB_ERR_PROCESS_STATE, "Running", __LINE__, __FILE__);
        return 0;
    }
    setState(BACKUP_STATE_READY);
    m_succeeded.clear();
    return 1;
}

const BackupProgressInfo* CBackupFile::GetBackupProgressInfo()
{
    std::lock_guard<std::mutex> guard(m_progress.lock);
    m_snapshot = m_progress.info;
    return &m_snapshot;
}

int CBackupFile::GetState()
{
    return stateNow();
}

int CBackupFile::PauseBackup()
{
    if (stateNow() != BACKUP_STATE_RUNNING || !m_thread)
        return 0;
    m_thread->Pause();
    return 1;
}

int CBackupFile::ContinueBackup()
{
    if (stateNow() != BACKUP_STATE_RUNNING || !m_thread)
        return 0;
    m_thread->Continue();
    return 1;
}

int CBackupFile::StopBackup()
{
    if (stateNow() != BACKUP_STATE_RUNNING || !m_thread)
        return 0;
    m_thread->Stop();
    return 1;
}

int CBackupFile::SetBackupThreadPriority(BackupThreadPriority priority)
{
    m_priority = (priority >= 0 && priority <= 4) ? static_cast<int>(priority) : 0;
    return 1;
}

void CBackupFile::SetBackupFileExistPolicy(BackuFileExistPolicy policy)
{
    m_policy = static_cast<int>(policy);
}

int CBackupFile::GetSucceedFileCount() const
{
    const int state = [this] {
        std::lock_guard<std::mutex> guard(m_progress.lock);
        return m_progress.info.nState;
    }();
    if (state != BACKUP_STATE_FINISHED && state != BACKUP_STATE_STOPPED)
        return 0;
    return static_cast<int>(m_succeeded.size());
}

const char* CBackupFile::GetSucceedFilePath(int index) const
{
    if (index < 0 || index >= GetSucceedFileCount())
        return nullptr;
    return m_succeeded[static_cast<size_t>(index)].c_str();
}
