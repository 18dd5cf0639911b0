// A stand-in for convworker in the engine's tests. It reads the worker's
// command line by the worker's own rules (a decimal count, then words joined
// by blanks until the text holds the count, trailing blanks trimmed), takes
// its record from the job file and plays one job as its profile file says:
// lines of key=value.
//   duration_ms=N      copy the source to the destination over about N ms
//   exit_at_start=C    exit with code C before touching the record
//   crash_after_ms=N   die by SIGSEGV after N ms of work
//   exit_after_ms=N    exit with exit_code (default 0) after N ms, no outcome
//   fail_after_ms=N    write an error text and state 4 after N ms
//   ignore_cancel=1    keep working when the state becomes 3
//   report=PATH        write what it was started with to PATH first
//   start_delay_ms=N   wait N ms before taking the job (state 1)
//   note_working=N     make N working files beside the destination and note
//                      them in the record, as the real worker does, and
//                      leave them there
// Pause (2) holds the work; cancel (3) ends it with the state left at 3.
// The profile file it was given is copied beside the destination, with
// ".profile" added to its name.

#include "ConvertTaskInfo2.h"
#include "MemFileMapping.h"
#include "WorkNames.h"
#include "sysutils_file.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sched.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

struct Args
{
    int nIndex = 0;
    int flags[3] = {0, 0, 0};
    std::string texts[4];
    uint32_t nMapSize = 0;
    std::string sLog;
};

bool ReadCounted(int argc, char** argv, int& i, std::string& out)
{
    if (i >= argc)
        return false;
    size_t n = std::strtoul(argv[i++], nullptr, 10);
    out.clear();
    while (out.size() < n && i < argc) {
        out += argv[i++];
        out += ' ';
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return true;
}

bool ParseArgs(int argc, char** argv, Args& a)
{
    if (argc - 1 < 14)
        return false;
    a.nIndex = std::atoi(argv[1]);
    for (int k = 0; k < 3; ++k)
        a.flags[k] = std::atoi(argv[2 + k]);
    int i = 5;
    for (int k = 0; k < 4; ++k) {
        if (!ReadCounted(argc, argv, i, a.texts[k]))
            return false;
    }
    if (i >= argc)
        return false;
    a.nMapSize = static_cast<uint32_t>(std::strtoul(argv[i++], nullptr, 10));
    return ReadCounted(argc, argv, i, a.sLog);
}

std::map<std::string, std::string> ReadProfile(const std::string& sPath)
{
    std::map<std::string, std::string> values;
    std::ifstream in(sPath);
    std::string sLine;
    while (std::getline(in, sLine)) {
        size_t eq = sLine.find('=');
        if (eq != std::string::npos)
            values[sLine.substr(0, eq)] = sLine.substr(eq + 1);
    }
    return values;
}

long Value(const std::map<std::string, std::string>& values, const char* sKey, long nDefault)
{
    auto it = values.find(sKey);
    return it == values.end() ? nDefault : std::atol(it->second.c_str());
}

void Sleep(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace

int main(int argc, char** argv)
{
    Args a;
    if (!ParseArgs(argc, argv, a))
        return 255;
    std::map<std::string, std::string> profile = ReadProfile(a.texts[1]);
    if (profile.empty())
        return 255;

    if (profile.count("report")) {
        cpu_set_t set;
        CPU_ZERO(&set);
        sched_getaffinity(0, sizeof set, &set);
        std::ofstream out(profile["report"]);
        out << "index=" << a.nIndex << "\nallcpu=" << a.flags[0] << "\ntwothreads=" << a.flags[1]
            << "\nstats=" << a.flags[2] << "\njobfile=" << a.texts[0] << "\nconfig=" << a.texts[2]
            << "\nimporter=" << a.texts[3] << "\nmapsize=" << a.nMapSize << "\nlog=" << a.sLog
            << "\ncpus=" << CPU_COUNT(&set) << "\n";
    }
    if (profile.count("exit_at_start"))
        return static_cast<int>(Value(profile, "exit_at_start", 0));

    CMemFileMapping* pFile = CMemFileMapping::GetInstance(a.nMapSize, a.texts[0].c_str());
    if (!pFile)
        return 255;
    Moorland::ConvertTaskLocal job;
    if (!pFile->GetJob(static_cast<uint32_t>(a.nIndex), job))
        return 255;
    Moorland::ConvertTaskInfo2* pRecord = job.pRecord;
    Sleep(static_cast<int>(Value(profile, "start_delay_ms", 0)));
    // As the real job object does: the job is taken with state 1.
    pRecord->SetState(Moorland::CONVERT_TASK_RUNNING);

    for (long n = Value(profile, "note_working", 0); n > 0; --n) {
        Moorland::CWorkNames names(pFile, pRecord);
        names.Note(Moorland::WORK_NAME_FILE, QuentaBased::create_working_file(job.DstPath));
    }
    {
        std::ifstream in(a.texts[1], std::ios::binary);
        std::ofstream out(std::string(job.DstPath) + ".profile", std::ios::binary);
        out << in.rdbuf();
    }
    FILE* pSrc = std::fopen(job.SrcPath, "rb");
    FILE* pDst = std::fopen(job.DstPath, "wb");
    if (!pSrc || !pDst) {
        pFile->WriteJobErrorText(pRecord, "fake worker: cannot open the source or the destination");
        pRecord->ChangeState(Moorland::CONVERT_TASK_RUNNING, Moorland::CONVERT_TASK_FAILED);
        return 0;
    }
    std::fseek(pSrc, 0, SEEK_END);
    long nSize = std::ftell(pSrc);
    std::fseek(pSrc, 0, SEEK_SET);

    const long nDuration = Value(profile, "duration_ms", 200);
    const long nCrashAt = Value(profile, "crash_after_ms", -1);
    const long nExitAt = Value(profile, "exit_after_ms", -1);
    const long nFailAt = Value(profile, "fail_after_ms", -1);
    const bool bIgnoreCancel = Value(profile, "ignore_cancel", 0) != 0;
    const int nStepMs = 10;
    const long nSteps = nDuration / nStepMs > 0 ? nDuration / nStepMs : 1;
    long nWorked = 0;
    std::vector<char> buffer(static_cast<size_t>(nSize / nSteps + 1));
    for (long step = 0; step < nSteps; ++step) {
        int32_t nState = pRecord->GetState();
        while (nState == Moorland::CONVERT_TASK_PAUSED) {
            Sleep(5);
            nState = pRecord->GetState();
        }
        if (nState == Moorland::CONVERT_TASK_CANCEL && !bIgnoreCancel) {
            std::fclose(pDst);
            std::fclose(pSrc);
            return 0;
        }
        if (nCrashAt >= 0 && nWorked >= nCrashAt) {
            // A real crash: no sanitizer report turning it into an exit.
            std::signal(SIGSEGV, SIG_DFL);
            std::raise(SIGSEGV);
        }
        if (nExitAt >= 0 && nWorked >= nExitAt)
            std::_Exit(static_cast<int>(Value(profile, "exit_code", 0)));
        if (nFailAt >= 0 && nWorked >= nFailAt) {
            pFile->WriteJobErrorText(pRecord, "fake worker: the job failed as asked");
            pRecord->ChangeState(nState, Moorland::CONVERT_TASK_FAILED);
            return 0;
        }
        size_t n = std::fread(buffer.data(), 1, buffer.size(), pSrc);
        std::fwrite(buffer.data(), 1, n, pDst);
        Sleep(nStepMs);
        nWorked += nStepMs;
        pRecord->SetElapsedTime(nWorked / 1000.0);
        pRecord->SetPercent(100.0 * (step + 1) / nSteps);
    }
    std::vector<char> rest(4096);
    size_t n;
    while ((n = std::fread(rest.data(), 1, rest.size(), pSrc)) > 0)
        std::fwrite(rest.data(), 1, n, pDst);
    std::fclose(pSrc);
    std::fclose(pDst);
    pRecord->SetPercent(100.0);
    pRecord->ChangeState(Moorland::CONVERT_TASK_RUNNING, Moorland::CONVERT_TASK_FINISHED);
    return 0;
}
