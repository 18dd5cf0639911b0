#pragma once

// The conversion engine. It owns one job file for the run (created with the
// first task, in a folder of its own under the temporary folder), writes one
// record per task, and runs one convworker per task on a monitor thread of
// its own, never more at once than the limit of simultaneous conversions.
//
// The record's state word is the channel to the worker: 0 waiting (queued, or
// the worker has not taken the job yet), then the worker's 1, 4 and 5; the
// engine writes 2 to pause, 1 to resume and 3 to cancel. A worker that ends
// without writing 4 or 5 is marked failed by the engine, with a text naming
// its exit code or signal. Calls from the program only write records and wake
// the monitor: none waits for a worker, except Release, which stops what
// still runs (a short grace, then a kill) so that nothing outlives the engine.

#include "IAVConverter.h"
#include "JobPlan.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CMemFileMapping;
namespace QuentaBased {
class CLockedFolder;
}

namespace Moorland {

class CWorkerProcess;

class CAVConverter : public IAVConverter
{
public:
    // sWorkerPath: the convworker program to start for each task.
    CAVConverter(IAVManager* pManager, const std::string& sWorkerPath);

    int AddConvertTask(const char* sSrcPathUtf8, const char* sDestPathUtf8, IProfile* pProfile, bool bTwoPass,
                       const char* sImporterName) override;
    bool StartConvert() override;
    bool StopConvert(int nReason) override;
    bool ResumeConvertTask(int nTaskId) override;
    bool PauseConvertTask(int nTaskId) override;
    bool RemoveConvertTask(int nTaskId) override;
    bool StopAllConvertTasks() override;
    ConvertTaskInfo2* GetConvertTaskInfo(int nTaskId) override;
    void SetMaxRunProgressCount(int nCount) override;
    void SetUseCPUCore(int nCores) override;
    std::string GetConvertTaskFailure(int nTaskId) override;
    std::string GetConvertTaskLogPath(int nTaskId) override;
    void Release() override;

    // AddConvertTask with the job profile written by writeProfile into the
    // path it is given (the engine's own copy, read by the worker) and the
    // job's plan, which the record carries to the worker as it stands.
    using ProfileWriter = std::function<void(const std::string& sPath)>;
    int AddTask(const char* sSrcPathUtf8, const char* sDestPathUtf8, const ProfileWriter& writeProfile,
                const char* sImporterName, const JobPlan& plan = JobPlan());

    // How long a cancelled worker may take to end on its own before it is
    // killed (milliseconds).
    void SetCancelGrace(unsigned int nMilliseconds);
    // The task's worker process id; 0 when none runs.
    int GetWorkerPid(int nTaskId);
    // Workers alive, removed tasks' included.
    int GetLiveWorkerCount();
    // The job file, empty before the first task.
    std::string GetJobFilePath();

    // What the destination "*?" stands for: a lossless output of clips whose
    // streams cannot be joined unchanged.
    static const char* const kNoLosslessDestination;

private:
    struct Task;

    ~CAVConverter() override;

    void EnsureJobFileLocked();
    std::string BuildManagerConfig() const;
    std::vector<int> ChooseCpusLocked() const;
    void FailTaskLocked(Task& task, const std::string& sMessage);
    void RequestCancelLocked(Task& task, uint64_t nGraceMs);
    void OnWorkerEndedLocked(Task& task);
    void StartWorker(std::unique_lock<std::mutex>& lock, Task& task);
    void ServiceLocked(std::unique_lock<std::mutex>& lock);
    int LiveWorkersLocked(bool bIncludeRetiring) const;
    int NextTimeoutLocked() const;
    Task* FindLocked(int nTaskId) const;
    void RemoveTaskFiles(const Task& task) const;
    // The block a worker notes its working names in: reserved before it
    // starts, given back once it has ended and what it left is removed.
    bool ReserveWorkNamesLocked(Task& task);
    void ReturnWorkNamesLocked(Task& task);
    void MonitorMain();
    void Wake();

    IAVManager* m_pManager;
    std::string m_sWorkerPath;

    mutable std::mutex m_lock;
    std::map<int, std::unique_ptr<Task>> m_tasks;  // by id: the queue order
    std::vector<std::unique_ptr<Task>> m_retiring; // removed, worker still ending
    std::unique_ptr<CMemFileMapping> m_pJobFile;
    // The engine's own folder, locked while the engine lives.
    std::unique_ptr<QuentaBased::CLockedFolder> m_pFolder;
    std::string m_sFolder;
    std::vector<uint32_t> m_freeWorkNames;
    uint32_t m_nNextIndex = 0;
    int m_nNextId = 1;
    bool m_bStarted = false;
    bool m_bQuit = false;
    int m_nMaxRun = 4;
    int m_nCores = 0; // 0: every processor
    uint64_t m_nCancelGraceMs = 8000;
    std::vector<int> m_allowedCpus;

    std::thread m_monitor;
    std::atomic<int> m_nWakeFd{-1};
};

} // namespace Moorland
