// The conversion engine driven with FakeConvWorker, a stand-in worker that
// reads the real command line and record but only copies bytes, so that
// scheduling, pause, cancel and crashes can be played exactly.

#include "CAVConverter.h"
#include "CorvexaTestUtil.h"
#include "ConvertTaskInfo2.h"
#include "IAVManager.h"
#include "IProfile.h"
#include "MemFileMapping.h"
#include "WorkNames.h"

#include "Basilvo/Basilvo.h"
#include "CBaseException.h"

#include <gtest/gtest.h>

#include <sched.h>

#include <chrono>
#include <csignal>
#include <dirent.h>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <spawn.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

using Moorland::CAVConverter;
using Moorland::ConvertTaskInfo2;

namespace {

const std::string kFakeWorker = std::string(FABLECUT_TEST_BIN_DIR) + "/FakeConvWorker";
using CorvexaTest::kHostHelper;

struct EngineReleaser
{
    void operator()(CAVConverter* p) const { p->Release(); }
};
using EnginePtr = std::unique_ptr<CAVConverter, EngineReleaser>;

bool WaitFor(const std::function<bool()>& done, int nMilliseconds = 20000)
{
    return CorvexaTest::WaitFor(done, nMilliseconds);
}

using CorvexaTest::ProcessStopped;
using CorvexaTest::ReadFile;

// The temporary folder the engine makes its own folder in, for one scope.
struct TmpDir
{
    const char* sOld = std::getenv("TMPDIR");
    std::string sSaved = sOld ? sOld : "";
    explicit TmpDir(const std::string& sNew) { setenv("TMPDIR", sNew.c_str(), 1); }
    ~TmpDir() { sOld ? setenv("TMPDIR", sSaved.c_str(), 1) : unsetenv("TMPDIR"); }
};

class CAVConverterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/corvexa-test-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        m_sDir = tmpl;
        m_sSource = m_sDir + "/source.bin";
        std::string sBytes;
        for (int i = 0; i < 200000; ++i)
            sBytes += static_cast<char>((i * 7919) >> 3);
        std::ofstream(m_sSource, std::ios::binary) << sBytes;
    }
    void TearDown() override { std::system(("rm -rf '" + m_sDir + "'").c_str()); }

    EnginePtr NewEngine(const std::string& sWorker = kFakeWorker)
    {
        return EnginePtr(new CAVConverter(nullptr, sWorker));
    }
    std::string Dest(int n) const { return m_sDir + "/out" + std::to_string(n) + ".bin"; }
    int Add(CAVConverter& engine, const std::string& sProfile, int nOut, const char* sImporter = "")
    {
        return engine.AddTask(
            m_sSource.c_str(), Dest(nOut).c_str(),
            [&sProfile](const std::string& sPath) { std::ofstream(sPath) << sProfile << "\n"; }, sImporter);
    }
    static int State(CAVConverter& engine, int nId) { return engine.GetConvertTaskInfo(nId)->GetState(); }
    static std::string ErrorText(CAVConverter& engine, int nId)
    {
        // The record's text lies in the engine's job file, reached here the
        // way the worker does.
        ConvertTaskInfo2* pRecord = engine.GetConvertTaskInfo(nId);
        std::unique_ptr<CMemFileMapping> pFile(CMemFileMapping::OpenFileMap(engine.GetJobFilePath(), 8u << 20));
        const char* sText = pFile ? pFile->GetText(pRecord->ErrorText) : nullptr;
        return sText ? sText : "";
    }
    // The worker took its job and the engine knows its process.
    static bool Running(CAVConverter& engine, int nId)
    {
        return State(engine, nId) == Moorland::CONVERT_TASK_RUNNING && engine.GetWorkerPid(nId) != 0;
    }
    bool Ends(CAVConverter& engine, int nId, int nState)
    {
        return WaitFor([&] { return State(engine, nId) == nState && engine.GetWorkerPid(nId) == 0; });
    }

    std::string m_sDir;
    std::string m_sSource;
};

TEST_F(CAVConverterTest, RunsAtMostTheLimitAtOnceAndTheRestWaitTheirTurn)
{
    EnginePtr engine = NewEngine();
    engine->SetMaxRunProgressCount(2);
    int ids[3];
    for (int i = 0; i < 3; ++i)
        ids[i] = Add(*engine, "duration_ms=1500", i);
    ASSERT_GE(ids[0], 0);
    ASSERT_GE(ids[2], 0);

    // Nothing runs before the start.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(engine->GetLiveWorkerCount(), 0);
    EXPECT_EQ(State(*engine, ids[0]), 0);

    ASSERT_TRUE(engine->StartConvert());
    ASSERT_TRUE(WaitFor([&] { return State(*engine, ids[0]) == 1 && State(*engine, ids[1]) == 1; }));
    EXPECT_EQ(State(*engine, ids[2]), 0) << "the third waits for a free place";
    int nMost = 0;
    ASSERT_TRUE(WaitFor([&] {
        nMost = std::max(nMost, engine->GetLiveWorkerCount());
        for (int id : ids) {
            if (State(*engine, id) != Moorland::CONVERT_TASK_FINISHED)
                return false;
        }
        return engine->GetLiveWorkerCount() == 0;
    }));
    EXPECT_EQ(nMost, 2);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(ReadFile(Dest(i)), ReadFile(m_sSource)) << i;
        EXPECT_EQ(engine->GetConvertTaskInfo(ids[i])->GetPercent(), 100.0);
    }

    // A task added while the run lasts starts by itself.
    int nLate = Add(*engine, "duration_ms=50", 3);
    EXPECT_TRUE(Ends(*engine, nLate, Moorland::CONVERT_TASK_FINISHED));
}

TEST_F(CAVConverterTest, RecordCarriesTheTaskIdPassesAndPathsForTheWorker)
{
    EnginePtr engine = NewEngine();
    Moorland::JobPlan twoPasses;
    twoPasses.passes = 2;
    int nId = engine->AddTask(
        m_sSource.c_str(), Dest(0).c_str(), [](const std::string& sPath) { std::ofstream(sPath) << "x=1\n"; },
        "SimpleEditImporter", twoPasses);
    ConvertTaskInfo2* pRecord = engine->GetConvertTaskInfo(nId);
    ASSERT_NE(pRecord, nullptr);
    EXPECT_EQ(pRecord->TaskID, nId);
    EXPECT_EQ(pRecord->Pass, 2);
    EXPECT_EQ(pRecord->TrimStart, 0);
    EXPECT_EQ(pRecord->TrimLength, -1);
    EXPECT_EQ(pRecord->ErrorTextCapacity, 1000u);
    ASSERT_TRUE(pRecord->HasJobKind());
    EXPECT_EQ(pRecord->GetJobKind(), Moorland::JobKind::Transcode);

    std::unique_ptr<CMemFileMapping> pFile(CMemFileMapping::OpenFileMap(engine->GetJobFilePath(), 8u << 20));
    ASSERT_TRUE(pFile);
    EXPECT_STREQ(pFile->GetText(pRecord->SrcPathText), m_sSource.c_str());
    EXPECT_STREQ(pFile->GetText(pRecord->DstPathText), Dest(0).c_str());

    // The profile's "remux" is read once, here: the record tells the worker.
    for (int nRemux : {0, 1, 2, 3, 4, 9}) {
        IProfile* pProfile = CreateProfile();
        ASSERT_NE(pProfile, nullptr);
        pProfile->GetParams()->SetInt("remux", nRemux);
        const int nKindTask = engine->AddConvertTask(m_sSource.c_str(), Dest(2).c_str(), pProfile, false, "");
        pProfile->Release();
        ConvertTaskInfo2* pKinded = engine->GetConvertTaskInfo(nKindTask);
        ASSERT_NE(pKinded, nullptr) << nRemux;
        EXPECT_EQ(pKinded->GetJobKind(), Moorland::JobKindFromRemux(nRemux)) << nRemux;
        engine->RemoveConvertTask(nKindTask);
    }
    // So are the split and multi-stream parameters, before "remux".
    struct Planned
    {
        const char* key;
        double value;
        Moorland::JobKind kind;
    };
    for (const Planned& p : {Planned{"ExportPerFileSize", 20971520.0, Moorland::JobKind::SplitBySize},
                             Planned{"MultiStream", 1, Moorland::JobKind::MultiStream}}) {
        IProfile* pProfile = CreateProfile();
        ASSERT_NE(pProfile, nullptr);
        pProfile->GetParams()->SetInt("remux", 1);
        if (std::string(p.key) == "MultiStream")
            pProfile->GetParams()->SetInt(p.key, static_cast<int>(p.value));
        else
            pProfile->GetParams()->SetDouble(p.key, p.value);
        const int nTask = engine->AddConvertTask(m_sSource.c_str(), Dest(2).c_str(), pProfile, true, "");
        pProfile->Release();
        Moorland::JobPlan plan;
        ASSERT_TRUE(Moorland::ReadJobPlan(engine->GetConvertTaskInfo(nTask), &plan)) << p.key;
        EXPECT_EQ(plan.kind, p.kind) << p.key;
        // A split writes each part as it goes: one pass, whatever was asked.
        EXPECT_EQ(plan.passes, p.kind == Moorland::JobKind::SplitBySize ? 1 : 2) << p.key;
        EXPECT_EQ(plan.perFileBytes, p.kind == Moorland::JobKind::SplitBySize ? 20971520 : 0) << p.key;
        engine->RemoveConvertTask(nTask);
    }

    EXPECT_EQ(engine->GetConvertTaskInfo(nId + 100), nullptr);
    EXPECT_NE(GetQuentaException()->GetExceptionCode(), 0);
    // No profile, no task.
    EXPECT_EQ(engine->AddConvertTask(m_sSource.c_str(), Dest(1).c_str(), nullptr, false, ""), -1);
    EXPECT_EQ(GetQuentaException()->GetExceptionCode(), QB_ERR_BAD_POINTER);
    EXPECT_EQ(engine->AddTask(
                  nullptr, Dest(1).c_str(), [](const std::string&) {}, ""),
              -1);
    // A profile writer that leaves no file is a failure, not a task.
    EXPECT_EQ(engine->AddTask(
                  m_sSource.c_str(), Dest(1).c_str(), [](const std::string&) {}, ""),
              -1);
    EXPECT_EQ(GetQuentaException()->GetExceptionCode(), QB_ERR_FILE_IO);
}

TEST_F(CAVConverterTest, WorkerLoadsTheEnginesOwnCopyOfTheProfile)
{
    EnginePtr engine = NewEngine();
    IProfile* pProfile = CreateProfile();
    ASSERT_NE(pProfile, nullptr);
    pProfile->GetDesc()->SetFormatName("MP4");
    pProfile->GetVideoProfile()->SetBitrate(2500);
    int nId = engine->AddConvertTask(m_sSource.c_str(), Dest(0).c_str(), pProfile, false, "");
    ASSERT_GE(nId, 0);
    // The caller's object may change or go before the task runs.
    pProfile->GetVideoProfile()->SetBitrate(100);
    pProfile->Release();
    engine->StartConvert();
    ASSERT_TRUE(Ends(*engine, nId, Moorland::CONVERT_TASK_FINISHED));

    IProfile* pLoaded = CreateProfile();
    ASSERT_TRUE(pLoaded->LoadFile((Dest(0) + ".profile").c_str()));
    EXPECT_STREQ(pLoaded->GetDesc()->GetFormatName(), "MP4");
    EXPECT_EQ(pLoaded->GetVideoProfile()->GetBitrate(), 2500);
    pLoaded->Release();
}

TEST_F(CAVConverterTest, WorkerIsStartedWithTheCommandLineItReadsBack)
{
    // A temporary folder with a blank in its name puts one into every path
    // the line carries.
    const std::string sTmp = m_sDir + "/my temp";
    ASSERT_EQ(mkdir(sTmp.c_str(), 0700), 0);
    TmpDir tmpDir(sTmp);
    // The worker's media manager gets the program's decoder choice, never
    // the TiVo key: a command line is readable by every user.
    Moorland::IAVManager* pManager = CreateAVManager("/tmp/", nullptr);
    ASSERT_NE(pManager, nullptr);
    pManager->SetOption("SELECTED_DECODER", "X264_DECODER");
    pManager->SetOption("TiVoMediaAccessKey", "0123456789");
    EnginePtr engine(new CAVConverter(pManager, kFakeWorker));

    struct Case
    {
        int nCores;
        const char* sImporter;
        const char* sAllCpu;
        const char* sCpus; // "" any
    };
    // A worker the engine does not pin runs on the processors this process
    // may use, which a cpuset or taskset can make fewer than the machine has.
    cpu_set_t ownSet;
    CPU_ZERO(&ownSet);
    ASSERT_EQ(::sched_getaffinity(0, sizeof ownSet, &ownSet), 0);
    const int nCpus = CPU_COUNT(&ownSet);
    const Case cases[] = {
        {1, "", "0", "1"},
        {0, "SimpleEditImporter", "1", ""},
    };
    engine->StartConvert();
    int n = 0;
    for (const Case& c : cases) {
        engine->SetUseCPUCore(c.nCores);
        const std::string sReport = m_sDir + "/report" + std::to_string(n) + ".txt";
        int nId = Add(*engine, "duration_ms=20\nreport=" + sReport, n, c.sImporter);
        ASSERT_TRUE(Ends(*engine, nId, Moorland::CONVERT_TASK_FINISHED)) << ErrorText(*engine, nId);
        std::map<std::string, std::string> report;
        std::istringstream in(ReadFile(sReport));
        std::string sLine;
        while (std::getline(in, sLine))
            report[sLine.substr(0, sLine.find('='))] = sLine.substr(sLine.find('=') + 1);
        EXPECT_EQ(report["jobfile"], engine->GetJobFilePath());
        EXPECT_NE(report["jobfile"].find("my temp"), std::string::npos);
        EXPECT_EQ(report["importer"], c.sImporter);
        EXPECT_EQ(report["config"], "SELECTED_DECODER=X264_DECODER;FFmpegVersion=0");
        EXPECT_EQ(report["mapsize"], std::to_string(8u << 20));
        EXPECT_EQ(report["stats"], "1");
        EXPECT_EQ(report["allcpu"], c.sAllCpu) << c.nCores;
        if (*c.sCpus)
            EXPECT_EQ(report["cpus"], c.sCpus);
        else
            EXPECT_EQ(report["cpus"], std::to_string(nCpus));
        EXPECT_NE(report["log"].find("my temp"), std::string::npos);
        ++n;
    }
    engine.reset();
    pManager->Release();
}

TEST_F(CAVConverterTest, PauseHoldsTheWorkerAndResumeFinishesTheSameOutput)
{
    EnginePtr engine = NewEngine();
    int nId = Add(*engine, "duration_ms=1500", 0);
    engine->StartConvert();
    ConvertTaskInfo2* pRecord = engine->GetConvertTaskInfo(nId);
    ASSERT_TRUE(WaitFor([&] { return pRecord->GetPercent() > 5.0; }));

    ASSERT_TRUE(engine->PauseConvertTask(nId));
    EXPECT_EQ(pRecord->GetState(), Moorland::CONVERT_TASK_PAUSED);
    // The worker sees the pause at its next state check: let the percent
    // settle before holding it.
    double dHeld = -1;
    ASSERT_TRUE(WaitFor(
        [&] {
            const double dBefore = pRecord->GetPercent();
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
            dHeld = pRecord->GetPercent();
            return dHeld == dBefore;
        },
        5000));
    EXPECT_LT(dHeld, 100.0);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(pRecord->GetPercent(), dHeld) << "a paused worker does no work";
    EXPECT_NE(engine->GetWorkerPid(nId), 0);

    // Resume takes the id pause took; the record's first word holds it too.
    int32_t nKey;
    std::memcpy(&nKey, pRecord, 4);
    EXPECT_EQ(nKey, nId);
    ASSERT_TRUE(engine->ResumeConvertTask(nId));
    EXPECT_EQ(pRecord->GetState(), Moorland::CONVERT_TASK_RUNNING);
    ASSERT_TRUE(Ends(*engine, nId, Moorland::CONVERT_TASK_FINISHED));
    EXPECT_EQ(ReadFile(Dest(0)), ReadFile(m_sSource));
    // An ended task is neither paused nor resumed.
    EXPECT_FALSE(engine->PauseConvertTask(nId));
    EXPECT_FALSE(engine->ResumeConvertTask(nId));
}

TEST_F(CAVConverterTest, PauseBeforeTheStartKeepsTheTaskQueuedUntilResumed)
{
    EnginePtr engine = NewEngine();
    engine->SetMaxRunProgressCount(1);
    int nFirst = Add(*engine, "duration_ms=100", 0);
    int nSecond = Add(*engine, "duration_ms=100", 1);
    ASSERT_TRUE(engine->PauseConvertTask(nSecond));
    EXPECT_EQ(State(*engine, nSecond), Moorland::CONVERT_TASK_PAUSED);
    engine->StartConvert();
    ASSERT_TRUE(Ends(*engine, nFirst, Moorland::CONVERT_TASK_FINISHED));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(engine->GetWorkerPid(nSecond), 0) << "a paused task is not started";
    EXPECT_EQ(State(*engine, nSecond), Moorland::CONVERT_TASK_PAUSED);

    ASSERT_TRUE(engine->ResumeConvertTask(nSecond));
    EXPECT_TRUE(Ends(*engine, nSecond, Moorland::CONVERT_TASK_FINISHED));
}

TEST_F(CAVConverterTest, PauseAskedBeforeTheWorkerTookItsJobIsNotLost)
{
    // The worker writes 1 when it takes its job; a pause written before that
    // would be overwritten, so the engine writes it once the worker is in.
    EnginePtr engine = NewEngine();
    int nId = Add(*engine, "start_delay_ms=400\nduration_ms=4000", 0);
    engine->StartConvert();
    ASSERT_TRUE(WaitFor([&] { return engine->GetWorkerPid(nId) != 0; }));
    ASSERT_EQ(State(*engine, nId), 0);
    ASSERT_TRUE(engine->PauseConvertTask(nId));
    ASSERT_TRUE(WaitFor([&] { return State(*engine, nId) == Moorland::CONVERT_TASK_PAUSED; }, 5000));
    // The worker sees the pause at its next state check, which a loaded
    // machine may delay: wait for the percent to settle before holding it.
    double dHeld = -1;
    ASSERT_TRUE(WaitFor(
        [&] {
            const double dBefore = engine->GetConvertTaskInfo(nId)->GetPercent();
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
            dHeld = engine->GetConvertTaskInfo(nId)->GetPercent();
            return dHeld == dBefore;
        },
        5000));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(State(*engine, nId), Moorland::CONVERT_TASK_PAUSED);
    EXPECT_EQ(engine->GetConvertTaskInfo(nId)->GetPercent(), dHeld);
    EXPECT_LT(dHeld, 50.0);
    ASSERT_TRUE(engine->ResumeConvertTask(nId));
    EXPECT_TRUE(Ends(*engine, nId, Moorland::CONVERT_TASK_FINISHED));
}

TEST_F(CAVConverterTest, WorkerThatEndsWithoutAnOutcomeIsReportedFailedWithReadableText)
{
    struct Case
    {
        const char* sProfile;
        const char* sExpected; // in the error text
    };
    const Case cases[] = {
        {"duration_ms=2000\ncrash_after_ms=50", "ended by signal 11 (Segmentation fault)"},
        {"duration_ms=2000\nexit_after_ms=50\nexit_code=3", "ended without finishing the job (exit code 3)"},
        {"duration_ms=2000\nexit_after_ms=50", "(exit code 0)"},
        {"exit_at_start=255", "could not start the job (exit code 255)"},
        // The worker's own failure keeps its own text.
        {"duration_ms=2000\nfail_after_ms=50", "fake worker: the job failed as asked"},
    };
    EnginePtr engine = NewEngine();
    engine->SetMaxRunProgressCount(4);
    engine->StartConvert();
    int n = 0;
    for (const Case& c : cases) {
        int nId = Add(*engine, c.sProfile, n++);
        ASSERT_TRUE(Ends(*engine, nId, Moorland::CONVERT_TASK_FAILED)) << c.sProfile;
        EXPECT_NE(ErrorText(*engine, nId).find(c.sExpected), std::string::npos) << c.sProfile << "\n"
                                                                                << ErrorText(*engine, nId);
    }
}

TEST_F(CAVConverterTest, WorkerKilledFromOutsideIsReportedFailed)
{
    EnginePtr engine = NewEngine();
    int nId = Add(*engine, "duration_ms=5000", 0);
    engine->StartConvert();
    ASSERT_TRUE(WaitFor([&] { return Running(*engine, nId); }));
    int nPid = engine->GetWorkerPid(nId);
    ASSERT_EQ(kill(nPid, SIGKILL), 0);
    ASSERT_TRUE(Ends(*engine, nId, Moorland::CONVERT_TASK_FAILED));
    std::string sText = ErrorText(*engine, nId);
    EXPECT_NE(sText.find("signal 9 (Killed)"), std::string::npos) << sText;
    EXPECT_EQ(sText.rfind("Quenta Exception Code: ", 0), 0u) << "the worker's own text format";
    // Collected: no zombie is left.
    EXPECT_TRUE(WaitFor([&] { return MediaTest::ProcState(nPid) == 0; }));
}

TEST_F(CAVConverterTest, TasksThatCannotRunFailAtOnceWithTheReason)
{
    EnginePtr missing = NewEngine(m_sDir + "/no-such-worker");
    int nId = Add(*missing, "duration_ms=10", 0);
    missing->StartConvert();
    ASSERT_TRUE(Ends(*missing, nId, Moorland::CONVERT_TASK_FAILED));
    std::string sText = ErrorText(*missing, nId);
    EXPECT_NE(sText.find("no-such-worker"), std::string::npos) << sText;
    EXPECT_NE(sText.find("No such file or directory"), std::string::npos) << sText;

    // A lossless output whose clips cannot be joined unchanged.
    EnginePtr engine = NewEngine();
    int nLossless = engine->AddTask(
        m_sSource.c_str(), CAVConverter::kNoLosslessDestination,
        [](const std::string& sPath) { std::ofstream(sPath) << "x=1\n"; }, "");
    ASSERT_GE(nLossless, 0);
    EXPECT_EQ(State(*engine, nLossless), Moorland::CONVERT_TASK_FAILED);
    EXPECT_NE(ErrorText(*engine, nLossless).find("cannot be output losslessly"), std::string::npos);
    engine->StartConvert();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(engine->GetWorkerPid(nLossless), 0);
}

TEST_F(CAVConverterTest, CancelAndRemoveStopWorkersWithoutWaitingForThem)
{
    EnginePtr engine = NewEngine();
    engine->SetCancelGrace(2000);
    engine->SetMaxRunProgressCount(3);
    int nObeys = Add(*engine, "duration_ms=5000", 0);
    int nStubborn = Add(*engine, "duration_ms=20000\nignore_cancel=1", 1);
    int nQueued = Add(*engine, "duration_ms=5000", 2);
    ASSERT_TRUE(engine->PauseConvertTask(nQueued));
    engine->StartConvert();
    ASSERT_TRUE(WaitFor([&] { return Running(*engine, nObeys) && Running(*engine, nStubborn); }));
    int nStubbornPid = engine->GetWorkerPid(nStubborn);

    // StopAll: a worker that ignores the cancel is killed after the grace.
    auto t0 = std::chrono::steady_clock::now();
    ASSERT_TRUE(engine->StopAllConvertTasks());
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(1000));
    EXPECT_TRUE(Ends(*engine, nObeys, Moorland::CONVERT_TASK_CANCEL));
    EXPECT_TRUE(Ends(*engine, nStubborn, Moorland::CONVERT_TASK_CANCEL));
    EXPECT_EQ(State(*engine, nQueued), Moorland::CONVERT_TASK_CANCEL);
    EXPECT_TRUE(ProcessStopped(nStubbornPid));
    EXPECT_EQ(engine->GetLiveWorkerCount(), 0);

    // Remove: the record is no longer handed out at once; the worker is
    // stopped and collected in the background.
    int nRunning = Add(*engine, "duration_ms=20000\nignore_cancel=1", 3);
    ASSERT_TRUE(WaitFor([&] { return Running(*engine, nRunning); }));
    int nPid = engine->GetWorkerPid(nRunning);
    t0 = std::chrono::steady_clock::now();
    ASSERT_TRUE(engine->RemoveConvertTask(nRunning));
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(1000));
    EXPECT_EQ(engine->GetConvertTaskInfo(nRunning), nullptr);
    EXPECT_FALSE(engine->RemoveConvertTask(nRunning));
    EXPECT_TRUE(WaitFor([&] { return engine->GetLiveWorkerCount() == 0; }));
    EXPECT_TRUE(WaitFor([&] { return MediaTest::ProcState(nPid) == 0; }));
}

TEST_F(CAVConverterTest, ReleaseLeavesNoWorkerBehind)
{
    EnginePtr engine = NewEngine();
    int nId = Add(*engine, "duration_ms=20000\nignore_cancel=1", 0);
    int nWaiting = Add(*engine, "start_delay_ms=20000", 1);
    engine->StartConvert();
    ASSERT_TRUE(WaitFor([&] { return Running(*engine, nId) && engine->GetWorkerPid(nWaiting) != 0; }));
    int nPids[] = {engine->GetWorkerPid(nId), engine->GetWorkerPid(nWaiting)};
    const std::string sFolder = engine->GetJobFilePath().substr(0, engine->GetJobFilePath().rfind('/'));
    engine.reset();
    for (int nPid : nPids)
        EXPECT_EQ(MediaTest::ProcState(nPid), 0) << "worker " << nPid << " left";
    struct stat st;
    EXPECT_NE(stat(sFolder.c_str(), &st), 0) << "the engine's folder is removed";
}

TEST_F(CAVConverterTest, AnEndedWorkersLeftoversGoByTheNamesItNotedAndNothingElse)
{
    EnginePtr engine = NewEngine();
    const int nId = Add(*engine, "duration_ms=60000\nnote_working=2", 0);
    ASSERT_TRUE(engine->StartConvert());
    ASSERT_TRUE(WaitFor([&] { return Running(*engine, nId); }));
    ConvertTaskInfo2* pRecord = engine->GetConvertTaskInfo(nId);
    ASSERT_NE(pRecord->WorkNames, 0u) << "the engine reserved the worker its block";
    const uint32_t nBlock = pRecord->WorkNames;
    std::unique_ptr<CMemFileMapping> pFile(CMemFileMapping::OpenFileMap(engine->GetJobFilePath(), 8u << 20));
    ASSERT_TRUE(pFile);
    std::vector<Moorland::CWorkNames::Entry> noted;
    ASSERT_TRUE(WaitFor([&] {
        noted = Moorland::CWorkNames(pFile.get(), pRecord).Entries();
        return noted.size() == 2;
    }));
    // The user puts a file of their own under the second noted name, and
    // others named like the worker's beside them.
    const std::string sPid = std::to_string(engine->GetWorkerPid(nId));
    const std::string sTheirs = noted[1].made.path + ".theirs";
    std::ofstream(sTheirs) << "the user's\n";
    ASSERT_EQ(rename(sTheirs.c_str(), noted[1].made.path.c_str()), 0);
    const std::vector<std::string> users = {Dest(0) + ".part-" + sPid, m_sDir + "/out0.part-" + sPid + ".bin",
                                            m_sDir + "/out0(1).part-" + sPid + ".bin"};
    for (const std::string& sUser : users)
        std::ofstream(sUser) << "the user's\n";

    ASSERT_EQ(kill(engine->GetWorkerPid(nId), SIGKILL), 0);
    ASSERT_TRUE(Ends(*engine, nId, Moorland::CONVERT_TASK_FAILED));
    struct stat st;
    EXPECT_NE(lstat(noted[0].made.path.c_str(), &st), 0) << "the worker's own file goes";
    EXPECT_EQ(ReadFile(noted[1].made.path), "the user's\n") << "a file put under its name since stays";
    for (const std::string& sUser : users)
        EXPECT_EQ(ReadFile(sUser), "the user's\n") << sUser;
    EXPECT_EQ(pRecord->WorkNames, 0u) << "the block is given back";

    // The next worker gets the same block, emptied; a worker that ends
    // without taking its working files away has them removed too.
    const int nNext = Add(*engine, "duration_ms=300\nnote_working=1", 1);
    ASSERT_TRUE(WaitFor([&] { return Running(*engine, nNext); }));
    EXPECT_EQ(engine->GetConvertTaskInfo(nNext)->WorkNames, nBlock);
    std::vector<Moorland::CWorkNames::Entry> next;
    ASSERT_TRUE(WaitFor([&] {
        next = Moorland::CWorkNames(pFile.get(), engine->GetConvertTaskInfo(nNext)).Entries();
        return !next.empty();
    }));
    EXPECT_EQ(next.size(), 1u);
    ASSERT_TRUE(Ends(*engine, nNext, Moorland::CONVERT_TASK_FINISHED));
    EXPECT_NE(lstat(next[0].made.path.c_str(), &st), 0);
    EXPECT_EQ(ReadFile(noted[1].made.path), "the user's\n");
}

TEST_F(CAVConverterTest, WorkersDieWithTheEngineProcessAndTheNextEngineClearsItsFolder)
{
    const std::string sPidFile = m_sDir + "/worker.pid";
    const std::string sDest = Dest(0);
    const std::string sTmp = m_sDir + "/tmp";
    ASSERT_EQ(mkdir(sTmp.c_str(), 0700), 0);
    const char* argv[] = {kHostHelper.c_str(),
                          kFakeWorker.c_str(),
                          m_sSource.c_str(),
                          sDest.c_str(),
                          "duration_ms=60000",
                          sPidFile.c_str(),
                          nullptr};
    pid_t nHost;
    {
        TmpDir tmpDir(sTmp);
        ASSERT_EQ(posix_spawn(&nHost, argv[0], nullptr, nullptr, const_cast<char**>(argv), environ), 0);
    }
    ASSERT_TRUE(WaitFor([&] { return !ReadFile(sPidFile).empty(); }));
    int nWorker = std::atoi(ReadFile(sPidFile).c_str());
    ASSERT_GT(nWorker, 0);
    EXPECT_FALSE(ProcessStopped(nWorker));

    ASSERT_EQ(kill(nHost, SIGKILL), 0);
    int status;
    ASSERT_EQ(waitpid(nHost, &status, 0), nHost);
    EXPECT_TRUE(WaitFor([&] { return ProcessStopped(nWorker); }, 3000)) << "worker " << nWorker << " outlived";

    auto folders = [&sTmp] {
        std::vector<std::string> names;
        if (DIR* pDir = opendir(sTmp.c_str())) {
            while (dirent* pEntry = readdir(pDir)) {
                if (pEntry->d_name[0] != '.')
                    names.push_back(pEntry->d_name);
            }
            closedir(pDir);
        }
        return names;
    };
    const std::vector<std::string> left = folders();
    ASSERT_EQ(left.size(), 1u) << "the dead engine's folder stays until another engine starts";
    TmpDir tmpDir(sTmp);
    EnginePtr engine = NewEngine();
    ASSERT_GE(Add(*engine, "duration_ms=10", 1), 0);
    const std::vector<std::string> now = folders();
    ASSERT_EQ(now.size(), 1u);
    EXPECT_NE(now[0], left[0]);
}

} // namespace
