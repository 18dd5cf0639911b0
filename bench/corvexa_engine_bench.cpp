// Four conversions of a 10 s 1080p clip through the conversion engine at
// limits 1, 2 and 4, against the ffmpeg program running the same four jobs
// with the same limit; with the engine's own processor use while its tasks
// run (the process does nothing else: the main thread polls the records every
// 500 ms as the task rows do).
//
//   corvexa_engine_bench [WORK_FOLDER]
//
// Run it from an optimised build: convworker and the libraries are taken from
// the build's bin folder.

#include "CAVConverter.h"
#include "ConvertTaskInfo2.h"
#include "IProfile.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

const int kTasks = 4;

double Now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double ProcessCpuSeconds()
{
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

bool Run(const std::string& command)
{
    return std::system(command.c_str()) == 0;
}

struct EngineRun
{
    double dWall = 0;
    double dEngineCpu = 0;
    int nFinished = 0;
};

EngineRun RunEngine(const std::string& sWorker, IProfile* pProfile, const std::string& sSource,
                    const std::string& sFolder, int nLimit)
{
    auto* pEngine = new Moorland::CAVConverter(nullptr, sWorker);
    pEngine->SetMaxRunProgressCount(nLimit);
    pEngine->SetUseCPUCore(static_cast<int>(std::thread::hardware_concurrency()));
    std::vector<int> ids;
    for (int i = 0; i < kTasks; ++i) {
        std::string sDest = sFolder + "/engine" + std::to_string(nLimit) + "_" + std::to_string(i) + ".mp4";
        ids.push_back(pEngine->AddConvertTask(sSource.c_str(), sDest.c_str(), pProfile, false, ""));
    }
    EngineRun run;
    const double dCpu0 = ProcessCpuSeconds();
    const double t0 = Now();
    pEngine->StartConvert();
    for (;;) {
        int nEnded = 0;
        run.nFinished = 0;
        for (int id : ids) {
            Moorland::ConvertTaskInfo2* pRecord = pEngine->GetConvertTaskInfo(id);
            int nState = pRecord ? pRecord->GetState() : Moorland::CONVERT_TASK_FAILED;
            nEnded += nState == Moorland::CONVERT_TASK_FAILED || nState == Moorland::CONVERT_TASK_FINISHED;
            run.nFinished += nState == Moorland::CONVERT_TASK_FINISHED;
        }
        if (nEnded == kTasks && pEngine->GetLiveWorkerCount() == 0)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    run.dWall = Now() - t0;
    run.dEngineCpu = ProcessCpuSeconds() - dCpu0;
    pEngine->Release();
    return run;
}

// The same four jobs with the ffmpeg program, at most nLimit at a time.
double RunFfmpeg(const std::string& sSource, const std::string& sFolder, int nLimit)
{
    const double t0 = Now();
    int nRunning = 0;
    for (int i = 0; i < kTasks; ++i) {
        if (nRunning == nLimit) {
            int status;
            wait(&status);
            --nRunning;
        }
        std::string sDest = sFolder + "/ffmpeg" + std::to_string(nLimit) + "_" + std::to_string(i) + ".mp4";
        const char* argv[] = {"ffmpeg", "-nostdin", "-v",      "error",       "-y",   "-i",    sSource.c_str(),
                              "-c:v",   "libx264",  "-preset", "medium",      "-b:v", "4000k", "-c:a",
                              "aac",    "-b:a",     "128k",    sDest.c_str(), nullptr};
        pid_t pid;
        if (posix_spawnp(&pid, "ffmpeg", nullptr, nullptr, const_cast<char**>(argv), environ) == 0)
            ++nRunning;
    }
    while (nRunning-- > 0) {
        int status;
        wait(&status);
    }
    return Now() - t0;
}

} // namespace

int main(int argc, char** argv)
{
    std::string sFolder = argc > 1 ? argv[1] : "";
    if (sFolder.empty()) {
        char tmpl[] = "/tmp/corvexa-bench-XXXXXX";
        if (!mkdtemp(tmpl))
            return 1;
        sFolder = tmpl;
    }
    const std::string sSource = sFolder + "/source1080.mp4";
    if (!Run("ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=1920x1080:rate=25:duration=10 "
             "-f lavfi -i sine=frequency=440:sample_rate=48000:duration=10 -c:v libx264 -preset veryfast "
             "-b:v 8000k -pix_fmt yuv420p -c:a aac -b:a 192k '" +
             sSource + "'")) {
        std::fprintf(stderr, "cannot make the source clip\n");
        return 1;
    }

    IProfile* pProfile = CreateProfile();
    if (!pProfile)
        return 1;
    pProfile->GetFileProfile()->SetFileExt(".mp4");
    pProfile->GetFileProfile()->SetMuxerName("mp4");
    pProfile->GetFileProfile()->SetAVInclude(0);
    pProfile->GetFileProfile()->SetExporter("FFExporter");
    pProfile->GetDesc()->SetFormatName("MP4");
    pProfile->GetVideoProfile()->SetCodecName("h264");
    pProfile->GetVideoProfile()->SetBitrate(4000);
    pProfile->GetParams()->SetString("ff:video:preset", "medium");
    pProfile->GetAudioProfile()->SetCodecName("aac");
    pProfile->GetAudioProfile()->SetBitrate(128000);

    const std::string sWorker = std::string(FABLECUT_BIN_DIR) + "/convworker";
    std::printf("four 10 s 1080p tasks (libx264 medium 4 Mbit/s, AAC 128 kbit/s), %u processors\n",
                std::thread::hardware_concurrency());
    std::printf("%-6s %12s %12s %8s %14s %12s\n", "limit", "engine s", "ffmpeg s", "ratio", "engine cpu s",
                "engine cpu");
    for (int nLimit : {1, 2, 4}) {
        // Two rounds, taking each side's best: a shared machine's load
        // changes while they run.
        EngineRun run;
        double dFfmpeg = 0;
        for (int nRound = 0; nRound < 2; ++nRound) {
            EngineRun one = RunEngine(sWorker, pProfile, sSource, sFolder, nLimit);
            if (nRound == 0 || one.dWall < run.dWall)
                run = one;
            double dOne = RunFfmpeg(sSource, sFolder, nLimit);
            if (nRound == 0 || dOne < dFfmpeg)
                dFfmpeg = dOne;
        }
        std::printf("%-6d %12.2f %12.2f %8.3f %14.3f %11.3f%%%s\n", nLimit, run.dWall, dFfmpeg, run.dWall / dFfmpeg,
                    run.dEngineCpu, 100.0 * run.dEngineCpu / run.dWall,
                    run.nFinished == kTasks ? "" : "  (some tasks failed)");
    }
    pProfile->Release();
    if (argc <= 1)
        Run("rm -rf '" + sFolder + "'");
    return 0;
}
