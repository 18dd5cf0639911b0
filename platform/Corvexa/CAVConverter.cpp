#include "CAVConverter.h"

#include "CWorkerProcess.h"
#include "EngineFiles.h"
#include "ConvertTaskInfo2.h"
#include "IAVManager.h"
#include "IProfile.h"
#include "JobProfileFile.h"
#include "MemFileMapping.h"
#include "WorkNames.h"
#include "WorkerCommandLine.h"

#include "Basilvo/Basilvo.h"
#include "Basilvo/QuentaLogger.h"
#include "CBaseException.h"
#include "CLockedFolder.h"
#include "sysplatform.h"
#include "sysutils_file.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Moorland {

namespace {

constexpr uint32_t kErrorTextCapacity = 1000;
// Room for the names of the working files one worker makes at once (a split
// into a few hundred parts). Blocks are taken only for running workers and
// reused once their workers have ended.
constexpr uint32_t kWorkNamesCapacity = 64u << 10;
// Less room than this left where a task's profile could not be written is
// a full temporary folder: the task's profile and its worker's log need it.
constexpr uint64_t kTaskFilesRoom = 1u << 20;
// At Release a worker gets this long to end on its own after the cancel.
constexpr uint64_t kReleaseGraceMs = 3000;
// Without a process descriptor, ended workers are noticed by polling.
constexpr int kPollWithoutPidFdMs = 100;
// A pause asked before the worker took its job is written once it has.
constexpr int kPendingPauseCheckMs = 50;

const char* const kSource = "Corvexa";
const char* const kFolderPrefix = "fablecut-conv-";

void Log(LogLevel level, const std::string& sMessage)
{
    if (IQuentaLogger* pLogger = GetQuentaLogger())
        pLogger->Log(level, kSource, sMessage.c_str(), nullptr, 0);
}

std::string TempFolder()
{
    const char* sTmp = std::getenv("TMPDIR");
    std::string sDir = (sTmp && *sTmp) ? sTmp : "/tmp";
    while (sDir.size() > 1 && sDir.back() == '/')
        sDir.pop_back();
    return sDir;
}

// Writes nState over any of the given states; false when the record shows
// another state (the worker's own outcome) by then.
bool ChangeStateFrom(ConvertTaskInfo2* pRecord, std::initializer_list<int32_t> from, int32_t nState)
{
    for (;;) {
        int32_t nNow = pRecord->GetState();
        if (std::find(from.begin(), from.end(), nNow) == from.end())
            return false;
        if (pRecord->ChangeState(nNow, nState))
            return true;
    }
}

// The message of a job's error text ("Quenta Exception Code: ...\nMsg: ...
// \nFile: ...\nLine: ..."); a text of another shape is taken whole.
std::string MessageOfErrorText(const std::string& sText)
{
    const std::string sMsg = "\nMsg: ";
    const size_t nStart = sText.find(sMsg);
    if (sText.rfind("Quenta Exception Code: ", 0) != 0 || nStart == std::string::npos)
        return sText;
    const size_t nFrom = nStart + sMsg.size();
    const size_t nFile = sText.rfind("\nFile: ");
    return sText.substr(nFrom, nFile != std::string::npos && nFile >= nFrom ? nFile - nFrom : std::string::npos);
}

} // namespace

const char* const CAVConverter::kNoLosslessDestination = "*?";

struct CAVConverter::Task
{
    int nId = 0;
    uint32_t nIndex = 0;
    ConvertTaskInfo2* pRecord = nullptr;
    std::string sProfileFile;
    std::string sLogFile;
    std::string sImporter;
    std::string sManagerConfig;
    std::vector<int> cpus;
    bool bStarted = false;      // a worker was (or is being) started
    bool bStarting = false;     // the monitor is starting it right now, unlocked
    bool bDone = false;         // the outcome is in the record
    bool bHold = false;         // paused before it started: not started while set
    bool bPausePending = false; // paused before its worker took the job
    bool bCancel = false;
    uint64_t nKillAt = 0; // ticks; 0: no deadline
    std::unique_ptr<CWorkerProcess> pWorker;

    bool HasLiveWorker() const { return bStarting || (pWorker && !bDone); }
};

CAVConverter::CAVConverter(IAVManager* pManager, const std::string& sWorkerPath)
    : m_pManager(pManager), m_sWorkerPath(sWorkerPath)
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) == 0) {
        for (int n = 0; n < CPU_SETSIZE; ++n) {
            if (CPU_ISSET(n, &set))
                m_allowedCpus.push_back(n);
        }
    }
    if (m_allowedCpus.empty()) {
        for (int n = 0; n < QuentaBased::get_cpu_count(); ++n)
            m_allowedCpus.push_back(n);
    }
}

CAVConverter::~CAVConverter()
{
    // Release has stopped the monitor: every worker has been collected.
    for (auto& entry : m_tasks)
        RemoveTaskFiles(*entry.second);
    for (auto& pTask : m_retiring)
        RemoveTaskFiles(*pTask);
    m_tasks.clear();
    m_retiring.clear();
    if (m_pJobFile) {
        std::string sPath = m_pJobFile->GetFileName();
        m_pJobFile.reset();
        ::unlink(sPath.c_str());
    }
    m_pFolder.reset();
    if (m_nWakeFd >= 0)
        ::close(m_nWakeFd);
}

void CAVConverter::Release()
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_bQuit = true;
        for (auto& entry : m_tasks)
            RequestCancelLocked(*entry.second, kReleaseGraceMs);
        const uint64_t nDeadline = QuentaBased::QuentaBased_GetTicks() + kReleaseGraceMs;
        for (auto& pTask : m_retiring) {
            if (pTask->nKillAt == 0 || pTask->nKillAt > nDeadline)
                pTask->nKillAt = nDeadline;
        }
    }
    if (m_monitor.joinable()) {
        Wake();
        m_monitor.join();
    }
    delete this;
}

// ---------------------------------------------------------------------------
// Tasks

int CAVConverter::AddConvertTask(const char* sSrcPathUtf8, const char* sDestPathUtf8, IProfile* pProfile, bool bTwoPass,
                                 const char* sImporterName)
{
    if (!pProfile) {
        return QB_GUARDED(-1, {
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
            return -1;
        });
    }
    // The job is planned here, once, and the plan goes with it in its record.
    JobSource source;
    source.path = sSrcPathUtf8;
    source.importerName = sImporterName;
    source.twoPass = bTwoPass;
    source.manager = m_pManager;
    const JobPlan plan = PlanJob(pProfile, source);
    return AddTask(
        sSrcPathUtf8, sDestPathUtf8, [pProfile](const std::string& sPath) { SaveJobProfile(pProfile, sPath); },
        sImporterName, plan);
}

int CAVConverter::AddTask(const char* sSrcPathUtf8, const char* sDestPathUtf8, const ProfileWriter& writeProfile,
                          const char* sImporterName, const JobPlan& plan)
{
    return QB_GUARDED(-1, {
        if (!sSrcPathUtf8 || !sDestPathUtf8 || !writeProfile)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        if (!*sSrcPathUtf8 || !*sDestPathUtf8)
            QB_THROW(QB_ERR_BAD_PARAM, "Bad param");

        std::unique_ptr<Task> pTask(new Task);
        {
            std::lock_guard<std::mutex> guard(m_lock);
            EnsureJobFileLocked();
            if (m_nNextIndex >= kMaxJobs)
                QB_THROW(QB_ERR_DEST_SMALL, "the conversion engine takes no more tasks in this run; restart the "
                                            "program to convert more");
            pTask->nId = m_nNextId++;
        }
        const std::string sBase = m_sFolder + "/task" + std::to_string(pTask->nId);
        pTask->sProfileFile = sBase + ".profile";
        pTask->sLogFile = sBase + ".log";
        pTask->sImporter = sImporterName ? sImporterName : "";
        pTask->sManagerConfig = BuildManagerConfig();

        // The worker reads the profile from the engine's own copy: the
        // caller's object may change or go before the task runs.
        try {
            writeProfile(pTask->sProfileFile);
        } catch (...) {
            ::unlink(pTask->sProfileFile.c_str());
            ThrowWhenNoRoom(m_sFolder, TempFolder(), kTaskFilesRoom);
            throw;
        }
        struct stat st;
        if (::stat(pTask->sProfileFile.c_str(), &st) != 0 || st.st_size == 0) {
            ::unlink(pTask->sProfileFile.c_str());
            QB_THROW(QB_ERR_FILE_IO, "the job profile could not be written to " + pTask->sProfileFile);
        }

        std::lock_guard<std::mutex> guard(m_lock);
        if (m_bQuit) {
            ::unlink(pTask->sProfileFile.c_str());
            QB_THROW(QB_ERR_UNEXPECTED, "the conversion engine is shutting down");
        }
        ConvertTaskInfo2* pRecord = m_pJobFile->AddJob(m_nNextIndex, sSrcPathUtf8, sDestPathUtf8, kErrorTextCapacity);
        if (!pRecord) {
            ::unlink(pTask->sProfileFile.c_str());
            QuentaBased::ThrowLastError();
        }
        pTask->nIndex = m_nNextIndex++;
        pTask->pRecord = pRecord;
        pRecord->TaskID = pTask->nId;
        WriteJobPlan(pRecord, plan);
        pRecord->SetState(0);

        if (std::strcmp(sDestPathUtf8, kNoLosslessDestination) == 0)
            FailTaskLocked(*pTask, "The timeline cannot be output losslessly: its clips differ in their stream "
                                   "parameters, so they cannot be joined without converting. Choose a profile "
                                   "that converts.");
        const int nId = pTask->nId;
        Log(LOG_INFO, "task " + std::to_string(nId) + " added: " + sSrcPathUtf8 + " -> " + sDestPathUtf8);
        m_tasks.emplace(nId, std::move(pTask));
        Wake();
        return nId;
    });
}

ConvertTaskInfo2* CAVConverter::GetConvertTaskInfo(int nTaskId)
{
    return QB_GUARDED(static_cast<ConvertTaskInfo2*>(nullptr), {
        std::lock_guard<std::mutex> guard(m_lock);
        Task* pTask = FindLocked(nTaskId);
        if (!pTask)
            QB_THROW(QB_ERR_NOT_FOUND, "no conversion task " + std::to_string(nTaskId));
        return pTask->pRecord;
    });
}

bool CAVConverter::StartConvert()
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_bStarted = true;
    }
    Wake();
    return true;
}

bool CAVConverter::StopConvert(int nReason)
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_bStarted = false;
        if (nReason == 1) {
            for (auto& entry : m_tasks)
                RequestCancelLocked(*entry.second, m_nCancelGraceMs);
        }
    }
    Wake();
    return true;
}

bool CAVConverter::StopAllConvertTasks()
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        for (auto& entry : m_tasks)
            RequestCancelLocked(*entry.second, m_nCancelGraceMs);
    }
    Wake();
    return true;
}

bool CAVConverter::PauseConvertTask(int nTaskId)
{
    return QB_GUARDED(false, {
        std::lock_guard<std::mutex> guard(m_lock);
        Task* pTask = FindLocked(nTaskId);
        if (!pTask)
            QB_THROW(QB_ERR_NOT_FOUND, "no conversion task " + std::to_string(nTaskId));
        if (pTask->bDone || pTask->bCancel)
            QB_THROW(QB_ERR_PROCESS_STATE, "the conversion task " + std::to_string(nTaskId) + " has ended");
        if (!pTask->bStarted) {
            pTask->bHold = true;
            ChangeStateFrom(pTask->pRecord, {0}, CONVERT_TASK_PAUSED);
        } else if (!ChangeStateFrom(pTask->pRecord, {CONVERT_TASK_RUNNING}, CONVERT_TASK_PAUSED) &&
                   pTask->pRecord->GetState() == 0) {
            // The worker has not taken its job yet and would write 1 over a
            // 2 now: the monitor writes the pause once it has.
            pTask->bPausePending = true;
            Wake();
        }
        return true;
    });
}

bool CAVConverter::ResumeConvertTask(int nTaskId)
{
    return QB_GUARDED(false, {
        std::lock_guard<std::mutex> guard(m_lock);
        Task* pTask = FindLocked(nTaskId);
        if (!pTask)
            QB_THROW(QB_ERR_NOT_FOUND, "no conversion task " + std::to_string(nTaskId));
        if (pTask->bDone || pTask->bCancel)
            QB_THROW(QB_ERR_PROCESS_STATE, "the conversion task " + std::to_string(nTaskId) + " has ended");
        if (!pTask->bStarted) {
            pTask->bHold = false;
            ChangeStateFrom(pTask->pRecord, {CONVERT_TASK_PAUSED}, 0);
        } else {
            pTask->bPausePending = false;
            ChangeStateFrom(pTask->pRecord, {CONVERT_TASK_PAUSED}, CONVERT_TASK_RUNNING);
        }
        Wake();
        return true;
    });
}

bool CAVConverter::RemoveConvertTask(int nTaskId)
{
    return QB_GUARDED(false, {
        std::unique_ptr<Task> pGone;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            auto it = m_tasks.find(nTaskId);
            if (it == m_tasks.end())
                QB_THROW(QB_ERR_NOT_FOUND, "no conversion task " + std::to_string(nTaskId));
            std::unique_ptr<Task> pTask = std::move(it->second);
            m_tasks.erase(it);
            RequestCancelLocked(*pTask, m_nCancelGraceMs);
            if (pTask->HasLiveWorker())
                m_retiring.push_back(std::move(pTask)); // collected by the monitor
            else
                pGone = std::move(pTask);
        }
        if (pGone)
            RemoveTaskFiles(*pGone);
        Wake();
        return true;
    });
}

void CAVConverter::SetMaxRunProgressCount(int nCount)
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_nMaxRun = std::min(4, std::max(1, nCount));
    }
    Wake();
}

void CAVConverter::SetUseCPUCore(int nCores)
{
    std::lock_guard<std::mutex> guard(m_lock);
    const int nAll = static_cast<int>(m_allowedCpus.size());
    m_nCores = (nCores <= 0 || nCores >= nAll) ? 0 : nCores;
}

std::string CAVConverter::GetConvertTaskFailure(int nTaskId)
{
    std::lock_guard<std::mutex> guard(m_lock);
    Task* pTask = FindLocked(nTaskId);
    if (!pTask || !m_pJobFile || pTask->pRecord->GetState() != CONVERT_TASK_FAILED)
        return std::string();
    const char* sText = m_pJobFile->GetText(pTask->pRecord->ErrorText);
    return sText ? MessageOfErrorText(sText) : std::string();
}

std::string CAVConverter::GetConvertTaskLogPath(int nTaskId)
{
    std::lock_guard<std::mutex> guard(m_lock);
    Task* pTask = FindLocked(nTaskId);
    return pTask ? pTask->sLogFile : std::string();
}

void CAVConverter::SetCancelGrace(unsigned int nMilliseconds)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_nCancelGraceMs = nMilliseconds;
}

int CAVConverter::GetWorkerPid(int nTaskId)
{
    std::lock_guard<std::mutex> guard(m_lock);
    Task* pTask = FindLocked(nTaskId);
    if (!pTask || !pTask->pWorker || pTask->bDone)
        return 0;
    return pTask->pWorker->GetPid();
}

int CAVConverter::GetLiveWorkerCount()
{
    std::lock_guard<std::mutex> guard(m_lock);
    return LiveWorkersLocked(true);
}

std::string CAVConverter::GetJobFilePath()
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_pJobFile ? m_pJobFile->GetFileName() : std::string();
}

// ---------------------------------------------------------------------------
// Inside

CAVConverter::Task* CAVConverter::FindLocked(int nTaskId) const
{
    auto it = m_tasks.find(nTaskId);
    return it == m_tasks.end() ? nullptr : it->second.get();
}

void CAVConverter::EnsureJobFileLocked()
{
    if (m_pJobFile)
        return;
    if (!m_pFolder) {
        // The folders of engines that have died (their workers died with
        // them) go, with what their workers left under working names.
        QuentaBased::CLockedFolder::RemoveAbandoned(kFolderPrefix, RemoveDeadEngineJobs, TempFolder());
        try {
            m_pFolder.reset(new QuentaBased::CLockedFolder(kFolderPrefix, TempFolder()));
        } catch (...) {
            ThrowWhenNoRoom(TempFolder(), TempFolder(), kTaskFilesRoom);
            throw;
        }
        m_sFolder = m_pFolder->Path();
    }
    std::unique_ptr<CMemFileMapping> pFile = CreateJobFile(m_sFolder, TempFolder());
    if (m_nWakeFd < 0) {
        m_nWakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (m_nWakeFd < 0) {
            const int err = errno;
            const std::string sPath = pFile->GetFileName();
            pFile.reset();
            ::unlink(sPath.c_str());
            QB_THROW_ERRNO(QB_ERR_UNEXPECTED, "eventfd error", err);
        }
    }
    m_pJobFile = std::move(pFile);
    // Workers are started from this thread and die with it, so it lives as
    // long as the engine.
    m_monitor = std::thread(&CAVConverter::MonitorMain, this);
}

std::string CAVConverter::BuildManagerConfig() const
{
    // The worker's media manager takes the decoder choices the program gave
    // ours; the decoder version is always named, so the setting is never
    // empty. The TiVo access key stays out: a command line is readable by
    // every user of the machine.
    std::string sConfig;
    auto option = [this](const char* sName) -> std::string {
        const char* sValue = m_pManager ? m_pManager->GetOption(sName) : nullptr;
        return sValue ? sValue : "";
    };
    std::string sDecoder = option("SELECTED_DECODER");
    if (!sDecoder.empty() && sDecoder.find_first_of(";\n ") == std::string::npos)
        sConfig += "SELECTED_DECODER=" + sDecoder + ";";
    std::string sVersion = option("FFmpegVersion");
    if (sVersion.empty() || sVersion.find_first_of(";\n ") != std::string::npos)
        sVersion = "0";
    sConfig += "FFmpegVersion=" + sVersion;
    return sConfig;
}

std::vector<int> CAVConverter::ChooseCpusLocked() const
{
    if (m_nCores <= 0)
        return std::vector<int>();
    // The processors the running workers use least.
    std::map<int, int> use;
    for (int n : m_allowedCpus)
        use[n] = 0;
    for (const auto& entry : m_tasks) {
        if (entry.second->HasLiveWorker()) {
            for (int n : entry.second->cpus)
                ++use[n];
        }
    }
    std::vector<int> order(m_allowedCpus);
    std::stable_sort(order.begin(), order.end(), [&use](int a, int b) { return use[a] < use[b]; });
    order.resize(static_cast<size_t>(m_nCores));
    std::sort(order.begin(), order.end());
    return order;
}

void CAVConverter::FailTaskLocked(Task& task, const std::string& sMessage)
{
    CBaseException error(QB_ERR_UNEXPECTED, sMessage, __LINE__, kSource);
    std::string sText = ComposeJobErrorText(&error);
    // The text first: a reader that sees 4 finds it in place.
    if (m_pJobFile)
        m_pJobFile->WriteJobErrorText(task.pRecord, sText.c_str());
    ChangeStateFrom(task.pRecord, {0, CONVERT_TASK_RUNNING, CONVERT_TASK_PAUSED}, CONVERT_TASK_FAILED);
    task.bDone = true;
    Log(LOG_ERROR, "task " + std::to_string(task.nId) + " failed: " + sMessage);
}

void CAVConverter::RequestCancelLocked(Task& task, uint64_t nGraceMs)
{
    if (task.bDone)
        return;
    task.bCancel = true;
    if (!task.bStarted) {
        ChangeStateFrom(task.pRecord, {0, CONVERT_TASK_PAUSED}, CONVERT_TASK_CANCEL);
        task.bDone = true;
        return;
    }
    if (task.bStarting)
        return; // StartWorker sees the cancel when it has the worker
    if (task.pRecord->GetState() == 0) {
        // The worker has not taken its job: nothing is written yet, and it
        // would write 1 over a cancel.
        task.pWorker->SendSignal(SIGKILL);
        ChangeStateFrom(task.pRecord, {0}, CONVERT_TASK_CANCEL);
        return;
    }
    ChangeStateFrom(task.pRecord, {CONVERT_TASK_RUNNING, CONVERT_TASK_PAUSED}, CONVERT_TASK_CANCEL);
    const uint64_t nDeadline = QuentaBased::QuentaBased_GetTicks() + nGraceMs;
    if (task.nKillAt == 0 || task.nKillAt > nDeadline)
        task.nKillAt = nDeadline;
}

void CAVConverter::OnWorkerEndedLocked(Task& task)
{
    task.bDone = true;
    const std::string sId = std::to_string(task.nId);
    const std::string sEnd = task.pWorker->DescribeEnd();
    // A worker puts its outputs in place before it reports them finished;
    // what it still had under working names (killed, or ended short) goes,
    // by the exact names it noted.
    for (const std::string& sGone : CWorkNames(m_pJobFile.get(), task.pRecord).RemoveMade())
        Log(LOG_INFO, "task " + sId + ": removed " + sGone + ", which its worker left unfinished");
    ReturnWorkNamesLocked(task);
    switch (task.pRecord->GetState()) {
    case CONVERT_TASK_FINISHED: Log(LOG_INFO, "task " + sId + " finished"); return;
    case CONVERT_TASK_FAILED: {
        const char* sText = m_pJobFile->GetText(task.pRecord->ErrorText);
        Log(LOG_ERROR, "task " + sId + " failed: " + (sText ? sText : "") + " (worker log " + task.sLogFile + ")");
        return;
    }
    case CONVERT_TASK_CANCEL: Log(LOG_INFO, "task " + sId + " cancelled; the worker ended with " + sEnd); return;
    default: break;
    }
    if (task.bCancel) {
        // Killed after its grace, or it ended before it saw the cancel.
        ChangeStateFrom(task.pRecord, {0, CONVERT_TASK_RUNNING, CONVERT_TASK_PAUSED}, CONVERT_TASK_CANCEL);
        Log(LOG_INFO, "task " + sId + " cancelled; the worker ended with " + sEnd);
        return;
    }
    std::string sMessage;
    if (task.pWorker->EndedBySignal())
        sMessage = "The conversion worker stopped unexpectedly: it was ended by " + sEnd + ".";
    else if (task.pRecord->GetState() == 0)
        sMessage = "The conversion worker could not start the job (" + sEnd + ").";
    else
        sMessage = "The conversion worker ended without finishing the job (" + sEnd + ").";
    std::string sTail = FileTail(task.sLogFile, 2048);
    FailTaskLocked(task, sMessage);
    if (!sTail.empty())
        Log(LOG_ERROR, "task " + sId + ": the end of the worker's log " + task.sLogFile + ":\n" + sTail);
}

void CAVConverter::StartWorker(std::unique_lock<std::mutex>& lock, Task& task)
{
    WorkerJobArguments job;
    job.sWorkerPath = m_sWorkerPath;
    job.nJobIndex = task.nIndex;
    task.cpus = ChooseCpusLocked();
    job.bAllProcessors = task.cpus.empty();
    job.bTwoThreads = task.cpus.empty() ? m_allowedCpus.size() > 1 : task.cpus.size() > 1;
    job.bStatistics = true;
    job.sJobFile = m_pJobFile->GetFileName();
    job.sProfileFile = task.sProfileFile;
    job.sManagerConfig = task.sManagerConfig;
    job.sImporterName = task.sImporter;
    job.nMapSize = kJobFileSize;
    job.sLogFile = task.sLogFile;

    if (!ReserveWorkNamesLocked(task))
        Log(LOG_WARN, "task " + std::to_string(task.nId) +
                          ": no room in the job file for the names of its working "
                          "files; a worker killed now leaves them behind");
    task.bStarted = true;
    task.bStarting = true;
    std::vector<int> cpus = task.cpus;
    lock.unlock();
    std::unique_ptr<CWorkerProcess> pWorker;
    std::string sError;
    try {
        pWorker.reset(new CWorkerProcess(BuildWorkerCommandLine(job), cpus));
    } catch (const CBaseException& e) {
        sError = e.GetMsg();
    } catch (const std::exception& e) {
        sError = e.what();
    }
    lock.lock();
    task.bStarting = false;
    if (!pWorker) {
        ReturnWorkNamesLocked(task);
        FailTaskLocked(task, "The conversion worker could not be started: " + sError);
        return;
    }
    Log(LOG_INFO, "task " + std::to_string(task.nId) + " runs in worker " + std::to_string(pWorker->GetPid()));
    task.pWorker = std::move(pWorker);
    if (task.bCancel) {
        task.bCancel = false;
        RequestCancelLocked(task, m_nCancelGraceMs);
    }
}

int CAVConverter::LiveWorkersLocked(bool bIncludeRetiring) const
{
    int n = 0;
    for (const auto& entry : m_tasks)
        n += entry.second->HasLiveWorker() ? 1 : 0;
    if (bIncludeRetiring) {
        for (const auto& pTask : m_retiring)
            n += pTask->HasLiveWorker() ? 1 : 0;
    }
    return n;
}

void CAVConverter::ServiceLocked(std::unique_lock<std::mutex>& lock)
{
    const uint64_t nNow = QuentaBased::QuentaBased_GetTicks();
    auto service = [&](Task& task) {
        if (!task.pWorker || task.bDone)
            return;
        if (task.pWorker->CheckEnded()) {
            OnWorkerEndedLocked(task);
            return;
        }
        if (task.nKillAt != 0 && nNow >= task.nKillAt) {
            Log(LOG_WARN, "task " + std::to_string(task.nId) + ": the worker did not end after the cancel; killed");
            task.pWorker->SendSignal(SIGKILL);
            task.nKillAt = 0;
        }
        // A pause asked before the worker took its job is written once it
        // has (written once: a worker may turn a pause down by writing 1).
        if (task.bPausePending && task.pRecord->GetState() != 0) {
            task.bPausePending = false;
            if (!task.bCancel)
                ChangeStateFrom(task.pRecord, {CONVERT_TASK_RUNNING}, CONVERT_TASK_PAUSED);
        }
    };
    for (auto& entry : m_tasks)
        service(*entry.second);
    for (auto& pTask : m_retiring)
        service(*pTask);

    std::vector<std::unique_ptr<Task>> gone;
    for (auto it = m_retiring.begin(); it != m_retiring.end();) {
        if (!(*it)->HasLiveWorker()) {
            gone.push_back(std::move(*it));
            it = m_retiring.erase(it);
        } else {
            ++it;
        }
    }
    for (auto& pTask : gone)
        RemoveTaskFiles(*pTask);

    // Start queued tasks up to the limit; a paused worker keeps its place.
    while (m_bStarted && !m_bQuit && LiveWorkersLocked(false) < m_nMaxRun) {
        Task* pNext = nullptr;
        for (auto& entry : m_tasks) {
            Task& task = *entry.second;
            if (!task.bStarted && !task.bDone && !task.bHold && !task.bCancel) {
                pNext = &task;
                break;
            }
        }
        if (!pNext)
            break;
        StartWorker(lock, *pNext);
    }
}

int CAVConverter::NextTimeoutLocked() const
{
    const uint64_t nNow = QuentaBased::QuentaBased_GetTicks();
    int nTimeout = -1;
    auto shorten = [&nTimeout](int n) {
        if (nTimeout < 0 || n < nTimeout)
            nTimeout = n;
    };
    auto consider = [&](const Task& task) {
        if (!task.pWorker || task.bDone)
            return;
        if (task.pWorker->GetWaitHandle() < 0)
            shorten(kPollWithoutPidFdMs);
        if (task.nKillAt != 0)
            shorten(task.nKillAt > nNow ? static_cast<int>(std::min<uint64_t>(task.nKillAt - nNow, 60000)) : 0);
        if (task.bPausePending)
            shorten(kPendingPauseCheckMs);
    };
    for (const auto& entry : m_tasks)
        consider(*entry.second);
    for (const auto& pTask : m_retiring)
        consider(*pTask);
    return nTimeout;
}

void CAVConverter::MonitorMain()
{
    std::vector<pollfd> fds;
    for (;;) {
        int nTimeout;
        {
            std::unique_lock<std::mutex> lock(m_lock);
            QB_GUARDED_VOID({ ServiceLocked(lock); });
            if (!lock.owns_lock())
                lock.lock();
            if (m_bQuit && LiveWorkersLocked(true) == 0)
                break;
            fds.clear();
            fds.push_back(pollfd{m_nWakeFd, POLLIN, 0});
            auto add = [&fds](const Task& task) {
                if (task.pWorker && !task.bDone && task.pWorker->GetWaitHandle() >= 0)
                    fds.push_back(pollfd{task.pWorker->GetWaitHandle(), POLLIN, 0});
            };
            for (const auto& entry : m_tasks)
                add(*entry.second);
            for (const auto& pTask : m_retiring)
                add(*pTask);
            nTimeout = NextTimeoutLocked();
        }
        int r = ::poll(fds.data(), fds.size(), nTimeout);
        if (r > 0 && (fds[0].revents & POLLIN)) {
            uint64_t nCount;
            while (::read(m_nWakeFd, &nCount, sizeof nCount) > 0) {
            }
        }
    }
}

void CAVConverter::Wake()
{
    if (m_nWakeFd < 0)
        return;
    uint64_t nOne = 1;
    ssize_t n;
    do {
        n = ::write(m_nWakeFd, &nOne, sizeof nOne);
    } while (n < 0 && errno == EINTR);
}

bool CAVConverter::ReserveWorkNamesLocked(Task& task)
{
    uint32_t nLink = 0;
    if (!m_freeWorkNames.empty()) {
        nLink = m_freeWorkNames.back();
        m_freeWorkNames.pop_back();
    } else {
        // The arena's blocks lie on any byte: one word more keeps the
        // block on a 4-byte boundary.
        const uint32_t nBlock = m_pJobFile->MallcMemory(kWorkNamesCapacity + 4);
        if (nBlock == 0)
            return false;
        nLink = (nBlock + 3u) & ~3u;
    }
    if (!CWorkNames::Reserve(m_pJobFile.get(), task.pRecord, nLink, kWorkNamesCapacity)) {
        m_freeWorkNames.push_back(nLink);
        return false;
    }
    return true;
}

void CAVConverter::ReturnWorkNamesLocked(Task& task)
{
    const uint32_t nLink = task.pRecord->WorkNames;
    if (nLink == 0)
        return;
    task.pRecord->WorkNames = 0;
    task.pRecord->WorkNamesCapacity = 0;
    m_freeWorkNames.push_back(nLink);
}

void CAVConverter::RemoveTaskFiles(const Task& task) const
{
    if (!task.sProfileFile.empty())
        ::unlink(task.sProfileFile.c_str());
    if (!task.sLogFile.empty())
        ::unlink(task.sLogFile.c_str());
}

} // namespace Moorland
