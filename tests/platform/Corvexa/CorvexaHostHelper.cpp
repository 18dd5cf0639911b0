// A program that hosts a conversion engine for the tests that kill the
// engine's process: it starts one task, writes its worker's process id to a
// file and then waits to be killed.
//   CorvexaHostHelper WORKER SOURCE DEST PROFILE_TEXT PID_FILE [OPTIONS]
// OPTIONS, separated by commas: "pause" holds the task once its worker
// runs, "two-pass" makes it a two-pass job, "remux" a remux.

#include "CAVConverter.h"
#include "ConvertTaskInfo2.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc != 6 && argc != 7)
        return 2;
    const std::string sWorker = argv[1];
    const std::string sProfile = argv[4];
    const std::string sOptions = argc == 7 ? argv[6] : "";
    const bool bPause = sOptions.find("pause") != std::string::npos;
    const bool bTwoPass = sOptions.find("two-pass") != std::string::npos;
    Moorland::JobPlan plan;
    plan.kind =
        sOptions.find("remux") != std::string::npos ? Moorland::JobKind::PacketRemux : Moorland::JobKind::Transcode;
    plan.passes = bTwoPass ? 2 : 1;
    auto* pEngine = new Moorland::CAVConverter(nullptr, sWorker);
    int nId = pEngine->AddTask(
        argv[2], argv[3],
        [&sProfile](const std::string& sPath) {
            std::ofstream out(sPath);
            out << sProfile << "\n";
        },
        "", plan);
    if (nId < 0)
        return 3;
    pEngine->StartConvert();
    for (int i = 0; i < 2000; ++i) {
        int nPid = pEngine->GetWorkerPid(nId);
        Moorland::ConvertTaskInfo2* pRecord = pEngine->GetConvertTaskInfo(nId);
        if (nPid > 0 && pRecord && pRecord->GetState() == Moorland::CONVERT_TASK_RUNNING) {
            if (bPause)
                pEngine->PauseConvertTask(nId);
            std::string sTmp = std::string(argv[5]) + ".tmp";
            {
                std::ofstream out(sTmp);
                out << nPid << "\n";
            }
            std::rename(sTmp.c_str(), argv[5]);
            for (;;)
                ::pause();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return 4;
}
