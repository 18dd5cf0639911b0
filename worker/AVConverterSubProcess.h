#pragma once

// The job of one convworker process: reads the job profile, decides the kind
// of job, carries it out through the media manager and reports the outcome
// in the job record only: state 5 for a finished job, the error text and
// state 4 for a failed one. A cancel request (state 3) is never overwritten.
// Each kind of job is a class of its own under jobs/; this class holds the
// dispatch between them and the one error boundary around all of them.

#include "ConvertTaskInfo2.h"
#include "IAVManager.h"
#include "jobs/CJobContext.h"
#include "jobs/JobRules.h"

class CMemFileMapping;

namespace Moorland {

class CAVConverterSubProcess
{
public:
    // Sets the record's state to 1. `file` is the job file holding the record.
    CAVConverterSubProcess(IAVManager* manager, bool allProcessors, bool twoThreads, bool dataRateStatistics,
                           const ConvertTaskLocal& job, CMemFileMapping* file);
    virtual ~CAVConverterSubProcess();
    CAVConverterSubProcess(const CAVConverterSubProcess&) = delete;
    CAVConverterSubProcess& operator=(const CAVConverterSubProcess&) = delete;

    // Runs the job. 0, or 1 after a failure; the outcome is in the record.
    virtual int Execute();
    void Cancel();
    void Pause(bool pause);

    static bool IsProResCodec(const char* name) { return Moorland::IsProResCodec(name); }

private:
    // Picks the job kind and runs it; throws on a failure.
    void DoDirect();

    CJobContext m_context;
};

} // namespace Moorland
