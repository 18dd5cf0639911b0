// Plays the worker's side of a job file from a process of its own:
//   JobFileWorkerHelper <path> <size> <job index> <start state> <message length>
// Opens the file, marks the job running (unless start state is 0, which
// leaves the state as the engine wrote it), writes progress figures and then
// fails the job with an error message of the given length.
// Exit codes: 0 failure reported with its text, 3 reported without its text
// or not at all, 2 the job could not be found.

#include "MemFileMapping.h"

#include "Basilvo/Basilvo.h"
#include "CBaseException.h"

#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 6)
        return 1;
    uint32_t nSize = static_cast<uint32_t>(std::strtoul(argv[2], nullptr, 10));
    uint32_t nIndex = static_cast<uint32_t>(std::strtoul(argv[3], nullptr, 10));
    int nStartState = std::atoi(argv[4]);
    size_t nMsgLength = std::strtoul(argv[5], nullptr, 10);

    CMemFileMapping* pFile = CMemFileMapping::GetInstance(nSize, argv[1]);
    if (!pFile)
        return 2;
    Moorland::ConvertTaskLocal job;
    if (!pFile->GetJob(nIndex, job))
        return 2;
    Moorland::ConvertTaskInfo2* pRecord = job.pRecord;
    if (nStartState != 0)
        pRecord->SetState(nStartState);
    pRecord->SetElapsedTime(12.25);
    pRecord->SetDuration(60.0);
    pRecord->SetPercent(42.5);
    pRecord->SetBytesWritten(int64_t(5) << 33);
    pRecord->SetEstimatedSize(-7);
    pRecord->DiscPhase = 9;

    std::string sMsg(nMsgLength, 'm');
    if (nMsgLength > 0)
        sMsg[0] = '<';
    GetQuentaException()->SetException(10021017, sMsg.c_str(), 77, "JobRunner.cpp");
    bool bReported = Moorland::ReportJobFailure(pFile, pRecord, GetQuentaException());
    CMemFileMapping::FreeInstance();
    return bReported ? 0 : 3;
}
