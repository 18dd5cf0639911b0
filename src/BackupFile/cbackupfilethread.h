#pragma once

// One run of the file backuper: copies its own copy of the list into its own
// copy of the folder, holding the backuper's lock for the whole run.

#include "CQuentaBasedThread.h"
#include "CXMutex.h"
#include "ibackupfile.h"

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

// The read and write the run goes through; a test may put failing ones in.
struct BackupFileIo
{
    int (*read)(int fd, void* buffer, unsigned int count);
    int (*write)(int fd, const void* buffer, unsigned int count);
};
// Null restores the system's own.
void SetBackupFileIo(const BackupFileIo* io);

// The record the run writes; the caller takes consistent copies of it.
struct BackupProgressShared
{
    std::mutex lock;
    BackupProgressInfo info{};
};

class CBackupFileThread : public QuentaBased::CQuentaBasedThread
{
public:
    static constexpr unsigned int kBufferSize = 14194304;

    CBackupFileThread(BackupProgressShared* progress, std::vector<std::string> files, std::string destFolder,
                      std::vector<std::string>& succeeded, QuentaBased::CXMutex* lock);
    ~CBackupFileThread() override;

    void Pause() { m_pause = true; }
    void Continue() { m_pause = false; }
    void Stop()
    {
        m_stop = true;
        m_pause = false;
    }
    void setFileExistPolicy(int policy) { m_policy = policy; }
    // False for a value outside 0..4. Takes effect when the run begins; a
    // raise the system refuses leaves the default.
    bool SetThreadPriority(int priority);

protected:
    int Execute() override;

private:
    enum class Outcome { Copied, Skipped, Failed, Stopped };
    Outcome copyOne(const std::string& source, char* buffer);
    template <typename F> void update(F&& change)
    {
        std::lock_guard<std::mutex> guard(m_progress->lock);
        change(m_progress->info);
    }

    BackupProgressShared* m_progress;
    std::vector<std::string> m_files;
    std::string m_dest;
    std::atomic<bool> m_pause{false};
    std::atomic<bool> m_stop{false};
    QuentaBased::CXMutex* m_lock;
    int m_policy = 0;
    int m_nice = 0;
    bool m_setNice = false;
    std::vector<std::string>& m_succeeded;
};
