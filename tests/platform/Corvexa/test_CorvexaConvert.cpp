// The engine of libCorvexa.so with the real convworker beside it: real media
// in, real files out, checked with ffprobe.

#include "Basilvo/Basilvo.h"
#include "Basilvo/QuentaLogger.h"
#include "ConvertTaskInfo2.h"
#include "CorvexaTestUtil.h"
#include "IAVConverter.h"
#include "IProfile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

extern char** environ;

using Moorland::ConvertTaskInfo2;
using Moorland::IAVConverter;

namespace {

using CorvexaTest::kHostHelper;
const std::string kWorker = std::string(FABLECUT_BIN_DIR) + "/convworker";

bool WaitFor(const std::function<bool()>& done, int nMilliseconds = 60000)
{
    return CorvexaTest::WaitFor(done, nMilliseconds);
}

std::string Capture(const std::string& sCommand)
{
    std::string sOut;
    if (FILE* p = popen(sCommand.c_str(), "r")) {
        char buf[512];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0)
            sOut.append(buf, n);
        pclose(p);
    }
    return sOut;
}

// "codec_type=codec_name,width,height" per stream and the container duration.
struct Probe
{
    std::string sStreams;
    double dDuration = 0;
};

Probe ProbeFile(const std::string& sPath)
{
    Probe probe;
    probe.sStreams = Capture("ffprobe -v error -show_entries stream=codec_type,codec_name,width,height -of csv=p=0 '" +
                             sPath + "' 2>&1");
    probe.dDuration = std::atof(
        Capture("ffprobe -v error -show_entries format=duration -of csv=p=0 '" + sPath + "' 2>/dev/null").c_str());
    return probe;
}

long FileSize(const std::string& sPath)
{
    struct stat st;
    return stat(sPath.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : -1;
}

using CorvexaTest::ProcessStopped;

// A job's failure text: it lies in the engine's job file, linked from the
// start of its data area (4 bytes into the mapping this process has of it).
std::string JobText(const ConvertTaskInfo2* pRecord)
{
    if (!pRecord || pRecord->ErrorText == 0)
        return std::string();
    std::ifstream maps("/proc/self/maps");
    std::string sLine;
    while (std::getline(maps, sLine)) {
        if (sLine.find("/jobs.share") != std::string::npos) {
            const uintptr_t nBase = std::stoull(sLine.substr(0, sLine.find('-')), nullptr, 16);
            return reinterpret_cast<const char*>(nBase + 4 + pRecord->ErrorText);
        }
    }
    return std::string();
}

// Pictures, and pictures a second as the stream states them.
std::pair<long, double> Pictures(const std::string& sPath)
{
    const std::string sCount = Capture("ffprobe -v error -select_streams v:0 -count_frames -show_entries "
                                       "stream=nb_read_frames -of csv=p=0 '" + sPath + "' 2>/dev/null");
    const std::string sRate =
        Capture("ffprobe -v error -select_streams v:0 -show_entries stream=r_frame_rate -of csv=p=0 '" + sPath +
                "' 2>/dev/null");
    int nNum = 0, nDen = 1;
    std::sscanf(sRate.c_str(), "%d/%d", &nNum, &nDen);
    return {std::atol(sCount.c_str()), nDen > 0 ? double(nNum) / nDen : 0.0};
}

struct EngineReleaser
{
    void operator()(IAVConverter* p) const { p->Release(); }
};
struct ProfileReleaser
{
    void operator()(IProfile* p) const { p->Release(); }
};

class CorvexaConvertTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        char tmpl[] = "/tmp/corvexa-convert-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        s_sDir = tmpl;
        s_sSource = s_sDir + "/source.mp4";
        // The engine writes what its workers report into the program's log.
        GetQuentaLogger()->SetLogFile((s_sDir + "/engine.log").c_str(), false);
        ASSERT_EQ(std::system(("ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=320x240:rate=25:duration=4 "
                               "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=4 -c:v libx264 "
                               "-preset ultrafast -pix_fmt yuv420p -c:a aac -b:a 64k '" +
                               s_sSource + "'")
                                  .c_str()),
                  0);
    }
    static void TearDownTestSuite()
    {
        GetQuentaLogger()->SetLogFile("", false);
        std::system(("rm -rf '" + s_sDir + "'").c_str());
    }
    // What the engine logged, for a failure's message.
    static std::string EngineLog()
    {
        std::ifstream in(s_sDir + "/engine.log");
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }

    void SetUp() override
    {
        if (access(kWorker.c_str(), X_OK) != 0)
            GTEST_SKIP() << "convworker is not built";
        m_pEngine.reset(CreateAVConverter(nullptr));
        ASSERT_TRUE(m_pEngine);
        m_pProfile.reset(CreateProfile());
        ASSERT_TRUE(m_pProfile);
        IProfile* p = m_pProfile.get();
        p->GetDesc()->SetFormatName("MP4");
        p->GetFileProfile()->SetFileExt(".mp4");
        p->GetFileProfile()->SetMuxerName("mp4");
        p->GetFileProfile()->SetAVInclude(0);
        p->GetFileProfile()->SetExporter("FFExporter");
        p->GetVideoProfile()->SetCodecName("mpeg4");
        p->GetVideoProfile()->SetWidth(0);
        p->GetVideoProfile()->SetHeight(0);
        p->GetVideoProfile()->SetBitrate(600);
        p->GetAudioProfile()->SetCodecName("aac");
        p->GetAudioProfile()->SetBitrate(64000);
    }

    std::string Dest(const std::string& sName) const { return s_sDir + "/" + sName + ".mp4"; }
    int Add(const std::string& sName)
    {
        return m_pEngine->AddConvertTask(s_sSource.c_str(), Dest(sName).c_str(), m_pProfile.get(), false, "");
    }
    int State(int nId) { return m_pEngine->GetConvertTaskInfo(nId)->GetState(); }
    bool Ends(int nId) { return WaitFor([&] { return State(nId) == 4 || State(nId) == 5; }); }
    void ExpectConverted(const std::string& sName)
    {
        Probe probe = ProbeFile(Dest(sName));
        EXPECT_NE(probe.sStreams.find("mpeg4,video,320,240"), std::string::npos) << sName << ": " << probe.sStreams;
        EXPECT_NE(probe.sStreams.find("aac,audio"), std::string::npos) << sName << ": " << probe.sStreams;
        EXPECT_NEAR(probe.dDuration, 4.0, 0.1) << sName;
    }

    static std::string s_sDir;
    static std::string s_sSource;
    std::unique_ptr<IAVConverter, EngineReleaser> m_pEngine;
    std::unique_ptr<IProfile, ProfileReleaser> m_pProfile;
};

std::string CorvexaConvertTest::s_sDir;
std::string CorvexaConvertTest::s_sSource;

TEST_F(CorvexaConvertTest, ThreeTasksWithALimitOfTwoAllConvert)
{
    m_pEngine->SetMaxRunProgressCount(2);
    m_pEngine->SetUseCPUCore(1);
    int ids[3] = {Add("three0"), Add("three1"), Add("three2")};
    ASSERT_GE(ids[2], 0);
    ASSERT_TRUE(m_pEngine->StartConvert());
    bool bThirdWaited = false;
    int nMostRunning = 0;
    ASSERT_TRUE(WaitFor([&] {
        int nRunning = 0, nEnded = 0;
        for (int id : ids) {
            int s = State(id);
            nRunning += s == 1 || s == 2;
            nEnded += s == 4 || s == 5;
        }
        nMostRunning = std::max(nMostRunning, nRunning);
        // A worker writes 1 only once it has taken its job, which a loaded
        // machine delays: one of the first two at work is enough to see the
        // third still waiting.
        if (nRunning >= 1 && State(ids[2]) == 0)
            bThirdWaited = true;
        return nEnded == 3;
    }));
    EXPECT_TRUE(bThirdWaited);
    EXPECT_LE(nMostRunning, 2);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(State(ids[i]), 5) << i << "\n" << EngineLog();
        EXPECT_EQ(m_pEngine->GetConvertTaskInfo(ids[i])->GetPercent(), 100.0) << i;
        ExpectConverted("three" + std::to_string(i));
    }
}

TEST_F(CorvexaConvertTest, PausedTaskHoldsAndResumesToAValidOutput)
{
    m_pEngine->SetUseCPUCore(1);
    int nId = Add("paused");
    m_pEngine->StartConvert();
    // The output grows under its working name until it is whole.
    auto written = [&] { return FileSize(Capture("ls " + s_sDir + "/paused.part-*.mp4 2>/dev/null | tr -d '\\n'")); };
    ASSERT_TRUE(WaitFor([&] { return State(nId) != 0 && written() > 0; }));
    ASSERT_EQ(State(nId), 1) << EngineLog();
    ASSERT_TRUE(m_pEngine->PauseConvertTask(nId));
    ASSERT_EQ(State(nId), 2);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const long nHeld = written();
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    EXPECT_EQ(written(), nHeld) << "a paused worker writes nothing";
    EXPECT_EQ(FileSize(Dest("paused")), -1) << "nothing under the final name before the end";
    EXPECT_EQ(State(nId), 2);
    ASSERT_TRUE(m_pEngine->ResumeConvertTask(nId));
    ASSERT_TRUE(Ends(nId));
    EXPECT_EQ(State(nId), 5);
    ExpectConverted("paused");
}

// The engine's only convworker child; 0 when there is none. The shell that
// lists the children is a child too, so pick by name.
int WorkerPid()
{
    std::string sChildren = Capture("cat /proc/" + std::to_string(getpid()) + "/task/*/children");
    std::istringstream children(sChildren);
    for (int nChild; children >> nChild;) {
        std::ifstream comm("/proc/" + std::to_string(nChild) + "/comm");
        std::string sName;
        if (std::getline(comm, sName) && sName == "convworker")
            return nChild;
    }
    return 0;
}

TEST_F(CorvexaConvertTest, KilledWorkerIsReportedFailed)
{
    int nId = Add("killed");
    m_pEngine->StartConvert();
    ConvertTaskInfo2* pRecord = m_pEngine->GetConvertTaskInfo(nId);
    ASSERT_TRUE(WaitFor([&] { return pRecord->GetState() != 0; }));
    ASSERT_EQ(pRecord->GetState(), 1) << EngineLog();
    const int nPid = WorkerPid();
    ASSERT_GT(nPid, 0);
    ASSERT_EQ(kill(nPid, SIGKILL), 0);
    ASSERT_TRUE(Ends(nId));
    EXPECT_EQ(pRecord->GetState(), 4);
    const std::string sText = JobText(pRecord);
    EXPECT_NE(sText.find("signal 9 (Killed)"), std::string::npos) << sText;
}

TEST_F(CorvexaConvertTest, AKilledWorkerADeletedRunningTaskOrAQuitLeavesNoFileUnderAnyName)
{
    struct Kind
    {
        const char* name;
        bool twoPass;
        double split;
        int remux;
    };
    const Kind kinds[] = {
        {"plain", false, 0, 0},
        {"two-pass", true, 0, 0},
        {"split", false, 5242880.0 + 100000.0, 0},
        {"remux", false, 0, 1},
    };
    enum Ending
    {
        Killed,  // kill -9 of the worker
        Deleted, // the running task is removed
        Quit,    // the program ends while the task runs
    };
    const char* const endings[] = {"killed", "deleted", "quit"};
    for (const Kind& k : kinds) {
        for (Ending ending : {Killed, Deleted, Quit}) {
            SCOPED_TRACE(std::string(k.name) + ", " + endings[ending]);
            const std::string sDir = s_sDir + "/gone-" + k.name + "-" + endings[ending];
            ASSERT_EQ(std::system(("rm -rf '" + sDir + "' && mkdir '" + sDir + "'").c_str()), 0);
            m_pEngine.reset(CreateAVConverter(nullptr));
            m_pProfile->GetParams()->SetDouble("ExportPerFileSize", k.split);
            m_pProfile->GetParams()->SetInt("remux", k.remux);
            const std::string sDest = sDir + "/out.mp4";
            int nId = m_pEngine->AddConvertTask(s_sSource.c_str(), sDest.c_str(), m_pProfile.get(), k.twoPass, "");
            ASSERT_GE(nId, 0);
            m_pEngine->StartConvert();
            // Held as soon as the worker has its job, so that even a fast
            // remux is caught while its output is being written.
            ASSERT_TRUE(WaitFor([&] { return State(nId) != 0; }));
            ASSERT_TRUE(m_pEngine->PauseConvertTask(nId));
            ASSERT_EQ(State(nId), 2) << EngineLog();
            ASSERT_TRUE(WaitFor([&] { return !Capture("ls -A '" + sDir + "'").empty(); })) << EngineLog();
            const int nPid = WorkerPid();
            ASSERT_GT(nPid, 0);
            switch (ending) {
            case Killed:
                ASSERT_EQ(kill(nPid, SIGKILL), 0);
                ASSERT_TRUE(Ends(nId));
                EXPECT_EQ(State(nId), 4);
                break;
            case Deleted:
                ASSERT_TRUE(m_pEngine->RemoveConvertTask(nId));
                ASSERT_TRUE(WaitFor([&] { return ProcessStopped(nPid); }, 20000));
                break;
            case Quit:
                m_pEngine.reset(); // waits for its workers
                EXPECT_TRUE(ProcessStopped(nPid));
                break;
            }
            EXPECT_TRUE(WaitFor([&] { return Capture("ls -A '" + sDir + "'").empty(); }, 5000))
                << Capture("ls -A '" + sDir + "'") << EngineLog();
        }
    }
}

TEST_F(CorvexaConvertTest, WorkerStopsWhenTheEngineProcessIsKilledAndTheNextEngineRemovesWhatItLeft)
{
    const std::string sPidFile = s_sDir + "/host.pid";
    const std::string sDest = Dest("orphan");
    const std::string sProfile = m_pProfile->GetText();
    const char* argv[] = {kHostHelper.c_str(), kWorker.c_str(), s_sSource.c_str(), sDest.c_str(),
                          sProfile.c_str(), sPidFile.c_str(), nullptr};
    pid_t nHost;
    ASSERT_EQ(posix_spawn(&nHost, argv[0], nullptr, nullptr, const_cast<char**>(argv), environ), 0);
    std::string sPid;
    ASSERT_TRUE(WaitFor([&] {
        std::ifstream in(sPidFile);
        return static_cast<bool>(std::getline(in, sPid));
    }));
    int nWorker = std::atoi(sPid.c_str());
    ASSERT_GT(nWorker, 0);
    const std::string sWorking = s_sDir + "/orphan.part-" + sPid + ".mp4";
    ASSERT_TRUE(WaitFor([&] { return FileSize(sWorking) >= 0; }));
    ASSERT_EQ(kill(nHost, SIGKILL), 0);
    int status;
    ASSERT_EQ(waitpid(nHost, &status, 0), nHost);
    EXPECT_TRUE(WaitFor([&] { return ProcessStopped(nWorker); }, 3000));
    // The next engine removes what the dead one's worker left.
    ASSERT_GE(FileSize(sWorking), 0) << "the dead worker's file is there";
    EXPECT_GE(Add("after-orphan"), 0);
    EXPECT_EQ(FileSize(sWorking), -1);
    EXPECT_EQ(FileSize(sDest), -1);
}

} // namespace

namespace {

// A plain file and a shipped profile, the way the engine is handed them
// directly.
struct DirectRow
{
    const char* source;
    int profile;
    const char* ext;
    bool sound;          // the output holds sound
    bool fails = false;  // with the source named as damaged
};

} // namespace

TEST_F(CorvexaConvertTest, ShippedProfilesApplyToAPlainFileAsToATimeline)
{
    const std::string sFF = "cd '" + s_sDir + "' && ffmpeg -nostdin -v error -y ";
    const std::string sPictures = "-f lavfi -i testsrc2=size=320x240:rate=25:duration=2 ";
    const std::string sSound = "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=2 ";
    ASSERT_EQ(std::system((sFF + sPictures + sSound + "-c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac "
                                                      "direct25.mp4").c_str()),
              0);
    ASSERT_EQ(std::system((sFF + sPictures + "-c:v libx264 -preset ultrafast -pix_fmt yuv420p silent25.mp4").c_str()),
              0);
    // Stopped half-way: its header still counts every picture.
    ASSERT_EQ(std::system((sFF + sPictures + sSound + "-c:v mpeg4 -q:v 5 -c:a libmp3lame -b:a 64k full.avi && "
                                                      "head -c $(( $(stat -c %s full.avi) / 2 )) full.avi > half.avi")
                              .c_str()),
              0);
    const DirectRow rows[] = {
        {"direct25.mp4", 1201, ".mp4", true},  // PSP at 29.97
        {"silent25.mp4", 1201, ".mp4", true},  // PSP wants a sound track, of silence here
        {"direct25.mp4", 206, ".ts", true},    // 29.97 in a transport stream
        {"half.avi", 301, ".mp3", true, true}, // sound only, of a cut file
    };
    m_pEngine->SetMaxRunProgressCount(2);
    m_pEngine->SetUseCPUCore(1);
    std::vector<int> ids;
    std::vector<std::unique_ptr<IProfile, ProfileReleaser>> profiles;
    for (const DirectRow& row : rows) {
        profiles.emplace_back(CreateProfile());
        ASSERT_TRUE(profiles.back()->LoadFile(
            (std::string(FABLECUT_BIN_DIR) + "/profile/" + std::to_string(row.profile) + ".xml").c_str()));
        const std::string sOut = s_sDir + "/direct" + std::to_string(ids.size()) + row.ext;
        ids.push_back(m_pEngine->AddConvertTask((s_sDir + "/" + row.source).c_str(), sOut.c_str(),
                                                profiles.back().get(), false, ""));
        ASSERT_GE(ids.back(), 0);
    }
    ASSERT_TRUE(m_pEngine->StartConvert());
    for (size_t i = 0; i < ids.size(); ++i) {
        const DirectRow& row = rows[i];
        const std::string sName = std::string(row.source) + " with " + std::to_string(row.profile);
        const std::string sOut = s_sDir + "/direct" + std::to_string(i) + row.ext;
        ASSERT_TRUE(Ends(ids[i])) << sName;
        ConvertTaskInfo2* pRecord = m_pEngine->GetConvertTaskInfo(ids[i]);
        if (row.fails) {
            const std::string sText = JobText(pRecord);
            EXPECT_EQ(pRecord->GetState(), 4) << sName << ": a cut source never finishes short";
            EXPECT_NE(sText.find(s_sDir + "/" + row.source), std::string::npos) << sText;
            EXPECT_NE(sText.find("the data ends at"), std::string::npos) << sText;
            continue;
        }
        ASSERT_EQ(pRecord->GetState(), 5) << sName << ": " << JobText(pRecord) << "\n" << EngineLog();
        // As many pictures as the stated rate gives for the source's 2 s.
        const auto pictures = Pictures(sOut);
        EXPECT_NEAR(pictures.second, 29.97, 0.01) << sName;
        EXPECT_NEAR(double(pictures.first), 2.0 * pictures.second, 1.5) << sName;
        const std::string sStreams = ProbeFile(sOut).sStreams;
        EXPECT_EQ(sStreams.find("audio") != std::string::npos, row.sound) << sName << ": " << sStreams;
        EXPECT_EQ(Capture("ffmpeg -nostdin -v error -xerror -i '" + sOut + "' -f null - 2>&1; echo rc=$?"), "rc=0\n")
            << sName;
    }
}
