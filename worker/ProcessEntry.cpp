// convworker: runs one conversion job of the job file the conversion engine
// names on its command line, and reports the outcome only through the job's
// record. Exit code 0 after a job ran (whatever its outcome), -1 when none
// could be started.

#include "AVConverterSubProcess.h"
#include "Basilvo/Basilvo.h"
#include "Basilvo/QuentaLogger.h"
#include "CBaseException.h"
#include "CJobProfile.h"
#include "MemFileMapping.h"
#include "ConvWorkerCommandLine.h"
#include "sysutils.h"

#include <dlfcn.h>

#include <cstdio>
#include <string>

namespace {

void* sp_dllHandle = nullptr;

std::string LoaderText()
{
    const char* text = ::dlerror();
    return text ? text : "";
}

[[noreturn]] void LoadFailure(const char* format, const std::string& reason)
{
    char message[256];
    std::snprintf(message, sizeof(message), format, reason.c_str());
    throw CBaseException(QB_ERR_UNEXPECTED, message, __LINE__, "ProcessEntry");
}

std::string ProgramFolder()
{
    return QuentaBased::include_path_backslash(
        QuentaBased::extract_file_path(QuentaBased::get_executable_path()).c_str());
}

} // namespace

Moorland::IAVManager* GetAVManager(const char* folder, QuentaBased::IMessageHandler* handler)
{
    const std::string library = ProgramFolder() + "libSolvane.so";
    sp_dllHandle = QuentaBased::load_dll(library.c_str());
    if (!sp_dllHandle)
        LoadFailure("cannot load Solvane,%s", LoaderText());
    using CreateFn = Moorland::IAVManager* (*)(const char*, QuentaBased::IMessageHandler*);
    auto create = reinterpret_cast<CreateFn>(QuentaBased::get_proc_addr(sp_dllHandle, "CreateAVManager"));
    if (!create)
        LoadFailure("can not find function address(CreateAVManager),%s", LoaderText());
    return create(folder, handler);
}

namespace {

// What main makes, released on every way out of it.
struct WorkerObjects
{
    Moorland::IAVManager* manager = nullptr;
    IProfile* profile = nullptr;
    ~WorkerObjects()
    {
        if (profile)
            Moorland::CJobProfile::Release(profile);
        if (manager)
            manager->Release();
        if (sp_dllHandle)
            QuentaBased::free_dll(sp_dllHandle);
        sp_dllHandle = nullptr;
    }
};

} // namespace

int main(int argc, char** argv)
{
    Moorland::WorkerCommandLine line;
    if (!Moorland::ParseWorkerCommandLine(argc, argv, line))
        return -1;
    GetQuentaLogger()->SetLogFile(line.logFile.c_str(), false);
    try {
        const std::string folder = ProgramFolder();
        WorkerObjects made;
        // A missing library or symbol ends the worker before the record is touched.
        made.manager = GetAVManager(folder.c_str(), nullptr);
        made.profile = Moorland::CJobProfile::Create();
        Moorland::IAVManager* manager = made.manager;
        IProfile* profile = made.profile;
        if (!manager || !profile)
            return -1;
        const std::string profileFile = QuentaBased::utf8_to_local(line.profileFile.c_str());
        manager->ApplyConfigString(line.config.c_str());
        if (!Moorland::CJobProfile::Load(profile, profileFile)) {
            std::fprintf(stderr, "convworker: %s\n", GetQuentaException()->GetExceptionMsg());
            return -1;
        }
        CMemFileMapping* file = CMemFileMapping::GetInstance(line.mappingSize, line.jobFile.c_str());
        if (!file)
            return -1;
        Moorland::ConvertTaskLocal job;
        if (line.jobIndex < 0 || !file->GetJob(static_cast<uint32_t>(line.jobIndex), job))
            return -1;
        job.Profile = profile;
        job.ImporterName = line.importerName.empty() ? nullptr : line.importerName.c_str();
        GetQuentaLogger()->Log(LOG_INFO, "SourcePath", job.SrcPath, nullptr, 0);
        GetQuentaLogger()->Log(LOG_INFO, "DestationPath", job.DstPath, nullptr, 0);
        Moorland::CAVConverterSubProcess task(manager, line.allProcessors, line.twoThreads, line.dataRateStatistics,
                                              job, file);
        task.Execute();
        return 0;
    } catch (...) {
        QuentaBased::RecordCurrentException(__LINE__, "ProcessEntry");
        std::fprintf(stderr, "convworker: %s\n", GetQuentaException()->GetExceptionMsg());
        return -1;
    }
}
