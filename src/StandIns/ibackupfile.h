#pragma once

// The camcorder file backuper's interface. The backuper itself comes with
// camcorder import; until then CreateBackuper() has none to give.

#include <cstddef>
#include <cstdint>

enum BackupThreadPriority { BackupPriorityLowest = 0, BackupPriorityLow = 1, BackupPriorityNormal = 2,
                            BackupPriorityHigh = 3, BackupPriorityHighest = 4 };

#pragma pack(push, 1)
struct BackupProgressInfo
{
    uint64_t nTotalBytes;
    uint64_t nDoneBytes;
    uint32_t nTotalFiles;
    uint32_t nDoneFiles;
    char sCurFile[260]; // UTF-8, zero-terminated
    int32_t nState;
};
#pragma pack(pop)
static_assert(offsetof(BackupProgressInfo, nTotalBytes) == 0, "BackupProgressInfo layout");
static_assert(offsetof(BackupProgressInfo, nDoneBytes) == 8, "BackupProgressInfo layout");
static_assert(offsetof(BackupProgressInfo, nTotalFiles) == 16, "BackupProgressInfo layout");
static_assert(offsetof(BackupProgressInfo, nDoneFiles) == 20, "BackupProgressInfo layout");
static_assert(offsetof(BackupProgressInfo, sCurFile) == 24, "BackupProgressInfo layout");
static_assert(offsetof(BackupProgressInfo, nState) == 284, "BackupProgressInfo layout");
static_assert(sizeof(BackupProgressInfo) == 288, "BackupProgressInfo layout");

class IBackupFile
{
public:
    enum State { StateIdle = 0, StateCopying = 1, StateFinished = 2, StateStopped = 4 };

    virtual void AddBackupFile(const char* path) = 0;
    virtual void ClearBackupFilesList() = 0;
    virtual void Free() = 0;
    virtual const BackupProgressInfo* GetBackupProgressInfo() = 0;
    virtual int GetState() = 0;
    virtual int GetSucceedFileCount() = 0;
    virtual const char* GetSucceedFilePath(int index) = 0;
    virtual bool ResetBackupState() = 0;
    virtual void SetBackupDestPath(const char* folder) = 0;
    virtual bool SetBackupThreadPriority(BackupThreadPriority priority) = 0;
    virtual bool StartBackupFiles() = 0;
    virtual bool StopBackup() = 0;

protected:
    virtual ~IBackupFile() = default;
};

// Null, with the reason in the calling thread's last-error record.
IBackupFile* CreateBackuper();
