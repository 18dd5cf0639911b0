#pragma once

#include "CXMutex.h"
#include "cbackupfilethread.h"
#include "ibackupfile.h"

#include <memory>
#include <string>
#include <vector>

class CBackupFile : public IBackupFile
{
public:
    CBackupFile();

    void Free() override;
    int AddBackupFile(const char* path) override;
    int ClearBackupFilesList() override;
    int RemoveBackupFile(const char* path) override;
    int SetBackupDestPath(const char* folder) override;
    int64_t GetDiskFreeRoom(const char* path) override;
    int64_t GetBackupFilesTotalSize() override;
    int StartBackupFiles() override;
    int ResetBackupState() override;
    const BackupProgressInfo* GetBackupProgressInfo() override;
    int GetState() override;
    int PauseBackup() override;
    int ContinueBackup() override;
    int StopBackup() override;
    int SetBackupThreadPriority(BackupThreadPriority priority) override;
    void SetBackupFileExistPolicy(BackuFileExistPolicy policy) override;
    int GetSucceedFileCount() const override;
    const char* GetSucceedFilePath(int index) const override;

private:
    virtual ~CBackupFile();
    int stateNow() const;
    void setState(int state);
    int64_t totalSizeLocked();

    std::vector<std::string> m_files;
    std::string m_dest;
    // The run writes m_progress; callers get consistent copies in m_snapshot.
    mutable BackupProgressShared m_progress;
    BackupProgressInfo m_snapshot{};
    std::unique_ptr<CBackupFileThread> m_thread;
    QuentaBased::CXMutex m_lock;
    int m_priority = 0;
    int m_policy = 0;
    std::vector<std::string> m_succeeded;
};
