#pragma once

// The file backuper: copies a list of files into one folder on a thread of
// its own, reporting through a record the caller polls.

#include <cstddef>
#include <cstdint>

enum BackupState {
    BACKUP_STATE_READY = 0,
    BACKUP_STATE_RUNNING = 1,
    BACKUP_STATE_FINISHED = 2, // the whole list was worked through
    BACKUP_STATE_STOPPED = 4,
};

// 0 leaves the copy thread at the system's default; 1 to 4 ask for a lower
// or higher share of the processor (1 lower, 2 higher, 3 lowest, 4 highest).
enum BackupThreadPriority {
    BACKUP_PRIORITY_DEFAULT = 0,
    BACKUP_PRIORITY_LOW = 1,
    BACKUP_PRIORITY_HIGH = 2,
    BACKUP_PRIORITY_LOWEST = 3,
    BACKUP_PRIORITY_HIGHEST = 4,
};

// What a run does when the destination name is taken; other values act as 1.
enum BackuFileExistPolicy {
    BACKUP_EXIST_RENAME = 0, // name_0.ext, name_1.ext ...
    BACKUP_EXIST_OVERWRITE = 1,
    BACKUP_EXIST_SKIP = 2,
};

#pragma pack(push, 1)
struct BackupProgressInfo
{
    int64_t llTotalBytes;
    int64_t llBackedUpBytes;
    int32_t nTotalFiles;
    int32_t nBackedUpFiles;  // copied or skipped
    char szCurrentFile[260]; // UTF-8 source path, cut to fit, zero-terminated
    int32_t nState;          // a BackupState
};
#pragma pack(pop)
static_assert(offsetof(BackupProgressInfo, llTotalBytes) == 0, "BackupProgressInfo layout");
static_assert(offsetof(BackupProgressInfo, llBackedUpBytes) == 8, "BackupProgressInfo layout");
static_assert(offsetof(BackupProgressInfo, nTotalFiles) == 16, "BackupProgressInfo layout");
static_assert(offsetof(BackupProgressInfo, nBackedUpFiles) == 20, "BackupProgressInfo layout");
static_assert(offsetof(BackupProgressInfo, szCurrentFile) == 24, "BackupProgressInfo layout");
static_assert(offsetof(BackupProgressInfo, nState) == 284, "BackupProgressInfo layout");
static_assert(sizeof(BackupProgressInfo) == 288, "BackupProgressInfo layout");

// Results marked int are 1 for success, 0 with the error in the calling
// thread's last-error record.
class IBackupFile
{
public:
    virtual void Free() = 0;
    virtual int AddBackupFile(const char* path) = 0;
    virtual int ClearBackupFilesList() = 0;
    virtual int RemoveBackupFile(const char* path) = 0;
    virtual int SetBackupDestPath(const char* folder) = 0;
    // Units of 1024 bytes the user may still use on the path's volume.
    virtual int64_t GetDiskFreeRoom(const char* path) = 0;
    virtual int64_t GetBackupFilesTotalSize() = 0;
    virtual int StartBackupFiles() = 0;
    virtual int ResetBackupState() = 0;
    // The same address for the backuper's life; each call refreshes it with
    // a consistent picture of the run.
    virtual const BackupProgressInfo* GetBackupProgressInfo() = 0;
    virtual int GetState() = 0;
    virtual int PauseBackup() = 0;
    virtual int ContinueBackup() = 0;
    virtual int StopBackup() = 0;
    virtual int SetBackupThreadPriority(BackupThreadPriority priority) = 0;
    virtual void SetBackupFileExistPolicy(BackuFileExistPolicy policy) = 0;
    virtual int GetSucceedFileCount() const = 0;
    virtual const char* GetSucceedFilePath(int index) const = 0;

protected:
    ~IBackupFile() = default;
};

// Null with the reason recorded.
IBackupFile* CreateBackuper();
