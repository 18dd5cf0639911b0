// The engine of libCorvexa.so with the real convworker after the faults that
// leave files behind: two-pass jobs killed while their statistics are being
// written, and the lock file of an engine's folder replaced, removed or made
// unreadable. What a killed job made goes, by the exact names it noted;
// what a live engine holds, and every file of the user's, stays.

#include "RealWorker.h"

#include "Basilvo/Basilvo.h"
#include "Basilvo/QuentaLogger.h"
#include "ConvertTaskInfo2.h"

#include <gtest/gtest.h>

#include <csignal>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <string>
#include <vector>

extern char** environ;

using namespace CorvexaTest;

namespace {

class CorvexaLeftovers : public RealWorkerSuite
{
protected:
    static void SetUpTestSuite()
    {
        char tmpl[] = "/tmp/corvexa-leftovers-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        s_sDir = tmpl;
        GetQuentaLogger()->SetLogFile((s_sDir + "/engine.log").c_str(), false);
        ASSERT_TRUE(MakeSource(Source(4), 4));
        ASSERT_TRUE(MakeSource(Source(12), 12));
    }
    static void TearDownTestSuite() { EndSuite(s_sDir); }

    static std::string Source(int nSeconds) { return s_sDir + "/source" + std::to_string(nSeconds) + ".mp4"; }
    static std::string EngineLog() { return ReadFile(s_sDir + "/engine.log"); }
    // A fresh folder of the test's.
    static std::string Folder(const std::string& sName)
    {
        const std::string sPath = s_sDir + "/" + sName;
        EXPECT_EQ(std::system(("rm -rf '" + sPath + "' && mkdir '" + sPath + "'").c_str()), 0);
        return sPath;
    }

    // An engine in a process of its own running one task, held paused
    // unless bRun; its worker's process id.
    static pid_t Host(const std::string& sSource, const std::string& sDest, IProfile* pProfile, bool bTwoPass,
                      bool bRun, int* pWorker)
    {
        static int nHosts = 0;
        const std::string sPidFile = s_sDir + "/host" + std::to_string(++nHosts) + ".pid";
        const std::string sProfile = pProfile->GetText();
        const std::string sOptions = std::string(bRun ? "" : "pause") + (bTwoPass ? ",two-pass" : "");
        const char* argv[] = {kHostHelper.c_str(), kWorker.c_str(),  sSource.c_str(),  sDest.c_str(),
                              sProfile.c_str(),    sPidFile.c_str(), sOptions.c_str(), nullptr};
        pid_t nHost = 0;
        if (posix_spawn(&nHost, argv[0], nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
            return 0;
        std::string sPid;
        WaitFor(
            [&] {
                std::ifstream in(sPidFile);
                return static_cast<bool>(std::getline(in, sPid));
            },
            60000);
        *pWorker = std::atoi(sPid.c_str());
        return nHost;
    }
    static void KillHost(pid_t nHost, int nWorker)
    {
        ASSERT_EQ(kill(nHost, SIGKILL), 0);
        int status;
        ASSERT_EQ(waitpid(nHost, &status, 0), nHost);
        ASSERT_TRUE(WaitFor([&] { return ProcessStopped(nWorker); }, 5000)) << "the worker dies with its engine";
    }

    static std::string s_sDir;
};

std::string CorvexaLeftovers::s_sDir;

// Names a user may keep in the temporary folder that look like a job's:
// made before the job runs, checked byte for byte after it.
class UsersTmpFiles
{
public:
    explicit UsersTmpFiles(const std::string& sDir) : m_sDir(sDir)
    {
        ::mkdir((sDir + "/fablecut-job.part-a1b2c3").c_str(), 0700);
        for (const char* sName : {"fablecut-2pass-a1b2c3", "fablecut-2pass-a1b2c3.mbtree", "fablecut-2pass-a1b2c3.temp",
                                  "fablecut-job.part-a1b2c3/notes.txt", "x264_2pass.log"})
            m_files[sName] = std::string("the user's ") + sName + "\n";
        for (const auto& file : m_files)
            std::ofstream(sDir + "/" + file.first) << file.second;
    }
    // What else the folder holds, apart from live engines' folders.
    std::string ExpectIntactAndListOthers() const
    {
        for (const auto& file : m_files)
            EXPECT_EQ(ReadFile(m_sDir + "/" + file.first), file.second) << file.first;
        std::string sOthers;
        for (const std::string& sPath : Tree(m_sDir)) {
            if (!m_files.count(sPath) && sPath != "fablecut-job.part-a1b2c3/" && sPath.rfind("fablecut-conv-", 0) != 0)
                sOthers += sPath + " ";
        }
        return sOthers;
    }

private:
    std::string m_sDir;
    std::map<std::string, std::string> m_files;
};

// The first file below sDir whose name ends so; "" when there is none.
std::string FindEnding(const std::string& sDir, const std::string& sEnd)
{
    for (const std::string& sPath : Tree(sDir)) {
        if (sPath.size() >= sEnd.size() && sPath.compare(sPath.size() - sEnd.size(), sEnd.size(), sEnd) == 0)
            return sPath;
    }
    return std::string();
}

// The folders of engines in a temporary folder.
std::vector<std::string> EngineFolders(const std::string& sTmp)
{
    std::vector<std::string> folders;
    for (const std::string& sPath : Tree(sTmp)) {
        if (sPath.rfind("fablecut-conv-", 0) == 0 && sPath.back() == '/' && sPath.find('/') == sPath.size() - 1)
            folders.push_back(sTmp + "/" + sPath.substr(0, sPath.size() - 1));
    }
    return folders;
}

} // namespace

TEST_F(CorvexaLeftovers, AKilledTwoPassJobLeavesNoStatisticsAndTakesNothingElse)
{
    enum Ending {
        Finishes,
        WorkerKilled, // kill -9 of the worker in its first pass
        EngineKilled, // kill -9 of the engine's process, then another engine starts
    };
    const char* const endings[] = {"finishes", "worker-killed", "engine-killed"};
    struct Codec
    {
        const char* name;
        const char* probed;
        const char* statistics; // a file its encoder keeps while its passes run; null: none
    };
    // The x264 encoder keeps its statistics in files; MPEG-4 part 2's are
    // handed over in memory.
    const Codec codecs[] = {{"libx264", "h264", ".mbtree"}, {"mpeg4", "mpeg4", nullptr}};
    for (const Codec& codec : codecs) {
        ProfilePtr profile(MakeProfile(codec.name));
        ASSERT_TRUE(profile);
        for (Ending ending : {Finishes, WorkerKilled, EngineKilled}) {
            SCOPED_TRACE(std::string(codec.name) + ", " + endings[ending]);
            const std::string sTmp = Folder(std::string("tmp-") + codec.name + "-" + endings[ending]);
            const std::string sOut = Folder(std::string("out-") + codec.name + "-" + endings[ending]);
            const std::string sDest = sOut + "/out.mp4";
            ScopedTmpDir tmpdir(sTmp);
            const UsersTmpFiles users(sTmp);
            EnginePtr engine(CreateAVConverter(nullptr));
            ASSERT_TRUE(engine);
            int nId = -1;
            pid_t nHost = 0;
            int nWorker = 0;
            if (ending == EngineKilled) {
                nHost = Host(Source(12), sDest, profile.get(), true, true, &nWorker);
                ASSERT_GT(nHost, 0);
            } else {
                nId = engine->AddConvertTask(Source(12).c_str(), sDest.c_str(), profile.get(), true, "");
                ASSERT_GE(nId, 0);
                ASSERT_TRUE(engine->StartConvert());
                ASSERT_TRUE(WaitFor([&] { return WorkerPids().size() == 1; }, 60000));
                nWorker = WorkerPids().front();
            }
            ASSERT_GT(nWorker, 0);
            if (ending != Finishes && codec.statistics) {
                // Held the moment its encoder has statistics files: while the
                // first pass writes them (".mbtree.temp") or the second reads
                // them (".mbtree").
                const auto statistics = [&] {
                    return FindEnding(sTmp, std::string(codec.statistics) + ".temp") +
                           FindEnding(sTmp, codec.statistics);
                };
                ASSERT_TRUE(WaitFor([&] { return !statistics().empty(); }, 60000)) << Joined(Tree(sTmp)) << EngineLog();
                ASSERT_EQ(kill(nWorker, SIGSTOP), 0);
                ASSERT_NE(statistics(), "") << "held while they are there";
            }
            switch (ending) {
            case Finishes: {
                Moorland::ConvertTaskInfo2* pRecord = engine->GetConvertTaskInfo(nId);
                ASSERT_TRUE(WaitFor([&] { return pRecord->GetState() == 4 || pRecord->GetState() == 5; }, 180000));
                EXPECT_EQ(pRecord->GetState(), 5) << engine->GetConvertTaskFailure(nId);
                EXPECT_EQ(VideoAndLength(sDest), std::string(codec.probed) + ",12");
                break;
            }
            case WorkerKilled: {
                ASSERT_EQ(kill(nWorker, SIGKILL), 0);
                Moorland::ConvertTaskInfo2* pRecord = engine->GetConvertTaskInfo(nId);
                ASSERT_TRUE(WaitFor([&] { return pRecord->GetState() == 4; }, 20000));
                break;
            }
            case EngineKilled:
                KillHost(nHost, nWorker);
                // The next engine clears what the dead one's worker left.
                EXPECT_GE(
                    engine->AddConvertTask(Source(4).c_str(), (sOut + "-next.mp4").c_str(), profile.get(), false, ""),
                    0);
                EXPECT_EQ(EngineFolders(sTmp).size(), 1u) << "the dead engine's folder is gone";
                break;
            }
            // What the engine removes after a worker's end is gone by the
            // time the task shows it.
            EXPECT_EQ(users.ExpectIntactAndListOthers(), "") << EngineLog();
            EXPECT_EQ(Joined(Tree(sOut)), ending == Finishes ? "out.mp4 " : "");
        }
    }
}

TEST_F(CorvexaLeftovers, ALockFileTamperedWithNeverGivesALiveEngineAwayAndADeadOnesFolderIsTakenOver)
{
    enum Tamper {
        Replaced,
        Removed,
        Unreadable,
    };
    const char* const tampers[] = {"replaced", "removed", "unreadable"};
    ProfilePtr profile(MakeProfile("mpeg4"));
    ASSERT_TRUE(profile);
    for (Tamper tamper : {Replaced, Removed, Unreadable}) {
        for (bool bAlive : {true, false}) {
            SCOPED_TRACE(std::string(tampers[tamper]) + (bAlive ? ", live engine" : ", dead engine"));
            const std::string sName = std::string(tampers[tamper]) + (bAlive ? "-live" : "-dead");
            const std::string sTmp = Folder("tmp-" + sName);
            const std::string sOut = Folder("out-" + sName);
            ScopedTmpDir tmpdir(sTmp);
            // The first engine's task is held paused while its output is
            // being written.
            EnginePtr first;
            int nFirst = -1;
            pid_t nHost = 0;
            int nWorker = 0;
            if (bAlive) {
                first.reset(CreateAVConverter(nullptr));
                ASSERT_TRUE(first);
                nFirst =
                    first->AddConvertTask(Source(4).c_str(), (sOut + "/first.mp4").c_str(), profile.get(), false, "");
                ASSERT_GE(nFirst, 0);
                first->StartConvert();
                ASSERT_TRUE(WaitFor([&] { return first->GetConvertTaskInfo(nFirst)->GetState() != 0; }, 60000));
                ASSERT_TRUE(first->PauseConvertTask(nFirst));
            } else {
                nHost = Host(Source(4), sOut + "/first.mp4", profile.get(), false, false, &nWorker);
                ASSERT_GT(nHost, 0);
            }
            ASSERT_TRUE(WaitFor([&] { return !Tree(sOut).empty(); }, 60000)) << EngineLog();
            if (!bAlive)
                KillHost(nHost, nWorker);
            const std::vector<std::string> folders = EngineFolders(sTmp);
            ASSERT_EQ(folders.size(), 1u);
            const std::string sLock = folders.front() + "/lock";
            switch (tamper) {
            case Replaced: // as an editor saves: a new file renamed over the old one
                std::ofstream(sLock + ".new") << "";
                ASSERT_EQ(::rename((sLock + ".new").c_str(), sLock.c_str()), 0);
                break;
            case Removed: ASSERT_EQ(::unlink(sLock.c_str()), 0); break;
            case Unreadable: ASSERT_EQ(::chmod(sLock.c_str(), 0), 0); break;
            }

            // A second engine starts, and looks for dead engines' folders.
            EnginePtr second(CreateAVConverter(nullptr));
            ASSERT_TRUE(second);
            const int nSecond =
                second->AddConvertTask(Source(4).c_str(), (sOut + "/second.mp4").c_str(), profile.get(), false, "");
            ASSERT_GE(nSecond, 0);
            second->StartConvert();
            struct stat st;
            EXPECT_EQ(::stat((folders.front() + "/jobs.share").c_str(), &st) == 0, bAlive);
            if (bAlive) {
                ASSERT_TRUE(first->ResumeConvertTask(nFirst));
                Moorland::ConvertTaskInfo2* pRecord = first->GetConvertTaskInfo(nFirst);
                ASSERT_TRUE(WaitFor([&] { return pRecord->GetState() == 4 || pRecord->GetState() == 5; }, 120000));
                EXPECT_EQ(pRecord->GetState(), 5) << first->GetConvertTaskFailure(nFirst) << EngineLog();
                EXPECT_EQ(VideoAndLength(sOut + "/first.mp4"), "mpeg4,4");
            }
            Moorland::ConvertTaskInfo2* pSecond = second->GetConvertTaskInfo(nSecond);
            ASSERT_TRUE(WaitFor([&] { return pSecond->GetState() == 4 || pSecond->GetState() == 5; }, 120000));
            EXPECT_EQ(pSecond->GetState(), 5) << second->GetConvertTaskFailure(nSecond);
            // The dead engine's worker's unfinished output went with its folder.
            EXPECT_EQ(Joined(Tree(sOut)), bAlive ? "first.mp4 second.mp4 " : "second.mp4 ") << EngineLog();
            first.reset();
            second.reset();
            EXPECT_EQ(Joined(Tree(sTmp)), "") << "every engine's folder goes with it";
        }
    }
}
