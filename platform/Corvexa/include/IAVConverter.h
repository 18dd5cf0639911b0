#pragma once

// The conversion engine of libCorvexa: one object per run, created with the
// media manager. It takes output tasks, writes each task's job record into
// the job file it owns and starts convworker for every task it runs.

#include <string>

class IProfile;

namespace Moorland {

class IAVManager;
struct ConvertTaskInfo2;

class IAVConverter
{
public:
    // Submits one task; the engine keeps its own copy of the profile's text.
    // Returns the new task's id, or -1 after recording the failure.
    virtual int AddConvertTask(const char* sSrcPathUtf8, const char* sDestPathUtf8, IProfile* pProfile, bool bTwoPass,
                               const char* sImporterName) = 0;
    // Starts running the queued tasks (the first start of a run); tasks
    // added while the run lasts start by themselves, as the limit allows.
    virtual bool StartConvert() = 0;
    // Ends the run: 0 when the last running task finished or failed, 1 when
    // the caller goes away while tasks still run (after StopAllConvertTasks).
    // Queued tasks then wait for the next start; with 1 every task is
    // cancelled as by StopAllConvertTasks.
    virtual bool StopConvert(int nReason) = 0;
    // Resumes a paused task: the id PauseConvertTask took (the record's
    // first word holds the same).
    virtual bool ResumeConvertTask(int nTaskId) = 0;
    // Writes 2 into the task's record; the worker holds at its next check. A
    // task that has not started yet stays queued until it is resumed.
    virtual bool PauseConvertTask(int nTaskId) = 0;
    // Forgets the task; a worker still running is cancelled and collected in
    // the background. Its record is no longer handed out.
    virtual bool RemoveConvertTask(int nTaskId) = 0;
    // Cancels every task (state 3); workers that do not end within a grace
    // of a few seconds are killed. The records stay readable.
    virtual bool StopAllConvertTasks() = 0;
    // The task's job record inside the mapped job file, null for an unknown
    // id. The engine hands it out while it keeps the task; the bytes stay
    // mapped until the engine is released.
    virtual ConvertTaskInfo2* GetConvertTaskInfo(int nTaskId) = 0;
    // Most conversions that run at the same time (1 to 4).
    virtual void SetMaxRunProgressCount(int nCount) = 0;
    // Processor cores one conversion may use: a worker started later runs on
    // that many processors (the ones running workers use least), or on all.
    virtual void SetUseCPUCore(int nCores) = 0;
    // Why a failed task failed, in the words its worker (or the engine)
    // gave: the message of its job record's error text, without the code and
    // source place. Empty when the task has not failed or is unknown.
    virtual std::string GetConvertTaskFailure(int /*nTaskId*/) { return std::string(); }
    // The task's own log, written by its worker; empty for an unknown task.
    // The file stays while the engine keeps the task.
    virtual std::string GetConvertTaskLogPath(int /*nTaskId*/) { return std::string(); }
    // Frees the engine. Conversions still running are cancelled and, after a
    // grace of a few seconds, killed: no worker outlives the engine.
    virtual void Release() = 0;

protected:
    virtual ~IAVConverter() = default;
};

} // namespace Moorland

// Exported by libCorvexa. Returns null after recording the failure.
extern "C" __attribute__((visibility("default"))) Moorland::IAVConverter*
CreateAVConverter(Moorland::IAVManager* pManager);
