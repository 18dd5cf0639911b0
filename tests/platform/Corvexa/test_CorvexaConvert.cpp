// The engine of libCorvexa.so with the real convworker beside it: real media
// in, real files out, checked with ffprobe.

#include "Basilvo/Basilvo.h"
#include "Basilvo/QuentaLogger.h"
#include "ConvertTaskInfo2.h"
#include "CorvexaTestUtil.h"
#include "../../ProbeOutput.h"
#include "IAVConverter.h"
#include "IProfile.h"
#include "WorkNames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <regex>
#include <spawn.h>
#include <sstream>
#include <string>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
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

// Waits for what the engine and its workers do in the end; the deadline only
// bounds a hang, a busy machine may take many times a quiet one's time.
bool WaitFor(const std::function<bool()>& done, int nMilliseconds = 180000)
{
    return CorvexaTest::WaitFor(done, nMilliseconds);
}

using MediaTest::Capture;

// "codec_type=codec_name,width,height" per stream and the container duration.
struct Probe
{
    std::string sStreams;
    double dDuration = 0;
};

// One ffprobe run: the tool takes longer to start than to answer.
Probe ProbeFile(const std::string& sPath)
{
    Probe probe;
    const std::string sCommand =
        "ffprobe -v error -show_entries stream=codec_type,codec_name,width,height:format=duration -of csv '" + sPath +
        "' 2>&1";
    std::istringstream lines(Capture(sCommand));
    for (std::string sLine; std::getline(lines, sLine);) {
        if (sLine.rfind("stream,", 0) == 0)
            probe.sStreams += sLine.substr(7) + "\n";
        else if (sLine.rfind("format,", 0) == 0)
            probe.dDuration = std::atof(sLine.c_str() + 7);
        else
            probe.sStreams += sLine + "\n";
    }
    return probe;
}

// The names in a folder, sorted, one a line, as "ls -A" gives them. Read here
// rather than by a shell: the waits below ask every few milliseconds, and a
// shell started that often takes a core from the worker being waited for.
std::string Listing(const std::string& sDir)
{
    std::vector<std::string> names;
    if (DIR* pDir = opendir(sDir.c_str())) {
        while (const dirent* pEntry = readdir(pDir)) {
            const std::string sName = pEntry->d_name;
            if (sName != "." && sName != "..")
                names.push_back(sName);
        }
        closedir(pDir);
    }
    std::sort(names.begin(), names.end());
    std::string s;
    for (const std::string& sName : names)
        s += sName + "\n";
    return s;
}

// The first name in a folder that starts and ends as given, with its folder;
// "" when there is none.
std::string FirstNamed(const std::string& sDir, const std::string& sStart, const std::string& sEnd)
{
    std::istringstream names(Listing(sDir));
    for (std::string sName; std::getline(names, sName);) {
        if (sName.size() >= sStart.size() + sEnd.size() && sName.compare(0, sStart.size(), sStart) == 0 &&
            sName.compare(sName.size() - sEnd.size(), sEnd.size(), sEnd) == 0)
            return sDir + "/" + sName;
    }
    return std::string();
}

long FileSize(const std::string& sPath)
{
    struct stat st;
    return stat(sPath.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : -1;
}

using CorvexaTest::ProcessStopped;

// The engine's job file's data area (4 bytes into the mapping this process
// has of it), where a record's links lead.
const unsigned char* JobData()
{
    std::ifstream maps("/proc/self/maps");
    std::string sLine;
    while (std::getline(maps, sLine)) {
        if (sLine.find("/jobs.share") != std::string::npos) {
            const uintptr_t nBase = std::stoull(sLine.substr(0, sLine.find('-')), nullptr, 16);
            return reinterpret_cast<const unsigned char*>(nBase + 4);
        }
    }
    return nullptr;
}

// A job's failure text.
std::string JobText(const ConvertTaskInfo2* pRecord)
{
    const unsigned char* pData = JobData();
    if (!pRecord || pRecord->ErrorText == 0 || !pData)
        return std::string();
    return reinterpret_cast<const char*>(pData + pRecord->ErrorText);
}

// Whether the job's worker has noted a working file in its record (its
// temporary folder is noted first). A file it made and has not noted yet is
// one nobody can prove its own: a worker killed in that moment leaves it,
// and the tests that kill one wait past it.
bool WorkNoted(const ConvertTaskInfo2* pRecord)
{
    const unsigned char* pData = JobData();
    if (!pRecord || !pData || pRecord->WorkNames == 0)
        return false;
    const unsigned char* pBlock = pData + pRecord->WorkNames;
    const auto* pHead = reinterpret_cast<const Moorland::WorkNamesHead*>(pBlock);
    const uint32_t nUsed = __atomic_load_n(&pHead->Used, __ATOMIC_ACQUIRE);
    for (uint32_t nAt = sizeof(Moorland::WorkNamesHead); nAt + sizeof(Moorland::WorkNameEntry) <= nUsed + 8;) {
        Moorland::WorkNameEntry entry;
        std::memcpy(&entry, pBlock + nAt, sizeof entry);
        if (entry.Kind == Moorland::WORK_NAME_FILE)
            return true;
        nAt += (sizeof entry + entry.NameBytes + 3u) & ~3u;
    }
    return false;
}

// Pictures, and pictures a second as the stream states them.
std::pair<long, double> Pictures(const std::string& sPath)
{
    const std::string sCount = Capture("ffprobe -v error -select_streams v:0 -count_frames -show_entries "
                                       "stream=nb_read_frames -of csv=p=0 '" +
                                       sPath + "' 2>/dev/null");
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
    bool Ends(int nId)
    {
        return WaitFor([&] { return State(nId) == 4 || State(nId) == 5; });
    }
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
    auto written = [&] { return FileSize(FirstNamed(s_sDir, "paused.part-", ".mp4")); };
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
    enum Ending {
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
            ASSERT_TRUE(WaitFor([&] { return !Listing(sDir).empty(); })) << EngineLog();
            ASSERT_TRUE(WaitFor([&] { return WorkNoted(m_pEngine->GetConvertTaskInfo(nId)); })) << EngineLog();
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
                ASSERT_TRUE(WaitFor([&] { return ProcessStopped(nPid); }));
                break;
            case Quit:
                m_pEngine.reset(); // waits for its workers
                EXPECT_TRUE(ProcessStopped(nPid));
                break;
            }
            EXPECT_TRUE(WaitFor([&] { return Listing(sDir).empty(); })) << Listing(sDir) << EngineLog();
        }
    }
}

// What a user keeps beside an output "out.mp4": names like its working
// names (an older build's exact working name among them, with the worker's
// process id), links to the user's own folder and file, and folders named
// like the disc creators' working ones. Made while the job's worker runs.
class UserFiles
{
public:
    UserFiles(const std::string& sDir, const std::string& sOutside, const std::string& sPid)
        : m_sDir(sDir), m_sOutside(sOutside)
    {
        const std::string p = sPid;
        for (const std::string& sName :
             {"out.part-" + p + ".mp4", "out(1).part-" + p + ".mp4", "out(2).part-" + p + ".mp4",
              "out-notes.part-" + p + ".mp4", "x_out.part-" + p + ".mp4", "out.part-" + p + ".mkv",
              std::string("out.mp4.part"), std::string("out.part-1a2b3c4d.mp4"), std::string("out.old.mp4")})
            m_files[sName] = "the user's " + sName + "\n";
        for (const char* sFolder : {"BDMV.old", "BDMV.part", "VIDEO_TS.old", "DVD.part", "out.part"})
            m_files[std::string(sFolder) + "/kept.txt"] = std::string("inside ") + sFolder + "\n";
        m_files[".fablecut-disc.log"] = "the user's notes\n";
        for (const auto& file : m_files) {
            const size_t nSlash = file.first.find('/');
            if (nSlash != std::string::npos)
                ::mkdir((m_sDir + "/" + file.first.substr(0, nSlash)).c_str(), 0755);
            std::ofstream(m_sDir + "/" + file.first) << file.second;
        }
        // The user's own folder and file elsewhere, reached by links under
        // working-like names.
        ::mkdir(m_sOutside.c_str(), 0755);
        std::ofstream(m_sOutside + "/precious.txt") << "precious\n";
        m_links["out.part-" + p + "-folder"] = m_sOutside;
        m_links["out(3).part-" + p + ".mp4"] = m_sOutside + "/precious.txt";
        m_links["BDMV"] = m_sOutside;
        for (const auto& link : m_links)
            ::symlink(link.second.c_str(), (m_sDir + "/" + link.first).c_str());
    }

    // Every byte of the user's is where it was; the names returned are what
    // else the folder holds.
    std::vector<std::string> ExpectIntact() const
    {
        for (const auto& file : m_files)
            EXPECT_EQ(ReadFile(m_sDir + "/" + file.first), file.second) << file.first;
        for (const auto& link : m_links) {
            char buf[4096];
            const ssize_t n = ::readlink((m_sDir + "/" + link.first).c_str(), buf, sizeof buf);
            EXPECT_EQ(n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string(), link.second) << link.first;
        }
        EXPECT_EQ(ReadFile(m_sOutside + "/precious.txt"), "precious\n");
        EXPECT_EQ(Capture("ls -A '" + m_sOutside + "' | tr '\\n' ' '"), "precious.txt ");
        std::vector<std::string> others;
        std::istringstream names(Capture("ls -A '" + m_sDir + "'"));
        for (std::string sName; std::getline(names, sName);) {
            const std::string sTop = sName;
            bool bMine = m_links.count(sTop) > 0;
            for (const auto& file : m_files)
                bMine = bMine || file.first == sTop || file.first.rfind(sTop + "/", 0) == 0;
            if (!bMine)
                others.push_back(sTop);
        }
        for (const auto& file : m_files) {
            const size_t nSlash = file.first.find('/');
            if (nSlash != std::string::npos) {
                EXPECT_EQ(Capture("ls -A '" + m_sDir + "/" + file.first.substr(0, nSlash) + "'"), "kept.txt\n")
                    << file.first;
            }
        }
        return others;
    }

private:
    static std::string ReadFile(const std::string& sPath) { return CorvexaTest::ReadFile(sPath); }

    std::string m_sDir;
    std::string m_sOutside;
    std::map<std::string, std::string> m_files;
    std::map<std::string, std::string> m_links;
};

std::string Joined(const std::vector<std::string>& names)
{
    std::string s;
    for (const std::string& n : names)
        s += n + " ";
    return s;
}

// The working files in a folder: what the outputs' workers write under.
std::string WorkingFiles(const std::string& sDir)
{
    static const std::regex working("^out(\\([0-9]+\\))?\\.part-[a-z0-9]{8}\\.mp4$");
    std::string sFound;
    std::istringstream names(Listing(sDir));
    for (std::string sName; std::getline(names, sName);) {
        if (std::regex_match(sName, working))
            sFound += sName + "\n";
    }
    return sFound;
}

TEST_F(CorvexaConvertTest, EveryUserByteBesideTheOutputSurvivesEveryJobAndEveryEnding)
{
    // A source cut short: its job fails once it has written part of its
    // output. Its one cluster starts well before the file's last seconds,
    // which the look for a cut when it is opened reads.
    const std::string sCut = s_sDir + "/cut.mkv";
    ASSERT_EQ(std::system(("ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=320x240:rate=25:duration=12 "
                           "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=12 -c:v libx264 "
                           "-preset ultrafast -pix_fmt yuv420p -c:a aac -b:a 64k -cluster_time_limit 60000 "
                           "-cluster_size_limit 50000000 '" +
                           sCut + "' && truncate -s $(( $(stat -c %s '" + sCut + "') * 55 / 100 )) '" + sCut + "'")
                              .c_str()),
              0);
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
    enum Ending {
        Success,
        Failure,
        Cancel,
        KillWorker, // kill -9 of the worker
        KillEngine, // kill -9 of the engine's process, then another engine starts
    };
    const char* const endings[] = {"success", "failure", "cancel", "kill-worker", "kill-engine"};
    for (const Kind& k : kinds) {
        for (Ending ending : {Success, Failure, Cancel, KillWorker, KillEngine}) {
            SCOPED_TRACE(std::string(k.name) + ", " + endings[ending]);
            const std::string sDir = s_sDir + "/users-" + k.name + "-" + endings[ending];
            const std::string sOutside = sDir + "-elsewhere";
            ASSERT_EQ(std::system(("rm -rf '" + sDir + "' '" + sOutside + "' && mkdir '" + sDir + "'").c_str()), 0);
            m_pEngine.reset(CreateAVConverter(nullptr));
            m_pProfile->GetParams()->SetDouble("ExportPerFileSize", k.split);
            m_pProfile->GetParams()->SetInt("remux", k.remux);
            const std::string sDest = sDir + "/out.mp4";
            const std::string sSource = ending == Failure ? sCut : s_sSource;
            int nId = -1;
            pid_t nHost = 0;
            std::string sPid;
            if (ending == KillEngine) {
                const std::string sPidFile = sDir + "-host.pid";
                const std::string sProfile = m_pProfile->GetText();
                std::string sOptions = "pause";
                sOptions += k.twoPass ? ",two-pass" : "";
                sOptions += k.remux ? ",remux" : "";
                const char* argv[] = {kHostHelper.c_str(), kWorker.c_str(),  sSource.c_str(),  sDest.c_str(),
                                      sProfile.c_str(),    sPidFile.c_str(), sOptions.c_str(), nullptr};
                ASSERT_EQ(posix_spawn(&nHost, argv[0], nullptr, nullptr, const_cast<char**>(argv), environ), 0);
                ASSERT_TRUE(WaitFor([&] {
                    std::ifstream in(sPidFile);
                    return static_cast<bool>(std::getline(in, sPid));
                }));
            } else {
                nId = m_pEngine->AddConvertTask(sSource.c_str(), sDest.c_str(), m_pProfile.get(), k.twoPass, "");
                ASSERT_GE(nId, 0);
                m_pEngine->StartConvert();
                ASSERT_TRUE(WaitFor([&] { return State(nId) != 0; }));
                ASSERT_TRUE(m_pEngine->PauseConvertTask(nId));
                sPid = std::to_string(WorkerPid());
            }
            ASSERT_NE(sPid, "0");
            ASSERT_TRUE(WaitFor([&] { return !WorkingFiles(sDir).empty(); })) << EngineLog();
            if (nId >= 0) {
                ASSERT_TRUE(WaitFor([&] { return WorkNoted(m_pEngine->GetConvertTaskInfo(nId)); })) << EngineLog();
            }
            UserFiles users(sDir, sOutside, sPid);
            const int nPid = std::atoi(sPid.c_str());
            bool bOutput = false;
            switch (ending) {
            case Success:
            case Failure:
                ASSERT_TRUE(m_pEngine->ResumeConvertTask(static_cast<unsigned>(nId)));
                ASSERT_TRUE(Ends(nId));
                EXPECT_EQ(State(nId), ending == Success ? 5 : 4) << JobText(m_pEngine->GetConvertTaskInfo(nId));
                bOutput = ending == Success;
                break;
            case Cancel:
                ASSERT_TRUE(m_pEngine->StopAllConvertTasks());
                ASSERT_TRUE(WaitFor([&] { return ProcessStopped(nPid); }));
                EXPECT_EQ(State(nId), 3);
                break;
            case KillWorker:
                ASSERT_EQ(kill(nPid, SIGKILL), 0);
                ASSERT_TRUE(Ends(nId));
                EXPECT_EQ(State(nId), 4);
                break;
            case KillEngine: {
                ASSERT_EQ(kill(nHost, SIGKILL), 0);
                int status;
                ASSERT_EQ(waitpid(nHost, &status, 0), nHost);
                ASSERT_TRUE(WaitFor([&] { return ProcessStopped(nPid); }));
                // The next engine clears what the dead one's worker left.
                EXPECT_GE(m_pEngine->AddConvertTask(s_sSource.c_str(), (sDir + "-next.mp4").c_str(), m_pProfile.get(),
                                                    false, ""),
                          0);
                break;
            }
            }
            // What the engine removes after a worker's end is gone by the
            // time the task shows it.
            const std::vector<std::string> others = users.ExpectIntact();
            if (bOutput) {
                ASSERT_FALSE(others.empty());
                for (const std::string& sName : others)
                    EXPECT_TRUE(sName == "out.mp4" ||
                                (sName.rfind("out(", 0) == 0 && sName.find(".part") == std::string::npos))
                        << sName;
                EXPECT_GT(ProbeFile(sDir + "/" + others.front()).dDuration, 1.0) << others.front();
            } else {
                EXPECT_EQ(Joined(others), "") << EngineLog();
            }
        }
    }
}

TEST_F(CorvexaConvertTest, AnOutputNamedLikeAnotherTasksWorkingFileTakesNothingFromIt)
{
    const std::string sDir = s_sDir + "/twins";
    ASSERT_EQ(std::system(("rm -rf '" + sDir + "' && mkdir '" + sDir + "'").c_str()), 0);
    m_pProfile->GetParams()->SetDouble("ExportPerFileSize", 0);
    m_pProfile->GetParams()->SetInt("remux", 0);
    const std::string sFirst = sDir + "/out.mp4";
    const int nFirst = m_pEngine->AddConvertTask(s_sSource.c_str(), sFirst.c_str(), m_pProfile.get(), false, "");
    ASSERT_GE(nFirst, 0);
    m_pEngine->StartConvert();
    ASSERT_TRUE(WaitFor([&] { return State(nFirst) != 0; }));
    ASSERT_TRUE(m_pEngine->PauseConvertTask(nFirst));
    ASSERT_TRUE(WaitFor([&] { return !WorkingFiles(sDir).empty(); }));
    std::string sWorking = WorkingFiles(sDir);
    sWorking = sDir + "/" + sWorking.substr(0, sWorking.find('\n'));

    // The second task's output is the first one's working file.
    const int nSecond = m_pEngine->AddConvertTask(s_sSource.c_str(), sWorking.c_str(), m_pProfile.get(), false, "");
    ASSERT_TRUE(Ends(nSecond));
    EXPECT_EQ(State(nSecond), 5) << JobText(m_pEngine->GetConvertTaskInfo(nSecond));
    ASSERT_TRUE(m_pEngine->ResumeConvertTask(static_cast<unsigned>(nFirst)));
    ASSERT_TRUE(Ends(nFirst));
    // The first task's file was taken from under it: it fails, and neither
    // moves nor deletes the second task's finished output.
    EXPECT_EQ(State(nFirst), 4);
    EXPECT_NE(JobText(m_pEngine->GetConvertTaskInfo(nFirst)).find("was taken away from under its working name"),
              std::string::npos)
        << JobText(m_pEngine->GetConvertTaskInfo(nFirst));
    EXPECT_EQ(FileSize(sFirst), -1);
    EXPECT_NEAR(ProbeFile(sWorking).dDuration, 4.0, 0.1) << "the second task's output is whole where it was put";
}

TEST_F(CorvexaConvertTest, AWholeOutputThatCannotBePutInPlaceIsKeptAndItsNameGiven)
{
    const std::string sDir = s_sDir + "/blocked";
    ASSERT_EQ(std::system(("rm -rf '" + sDir + "' && mkdir '" + sDir + "'").c_str()), 0);
    m_pProfile->GetParams()->SetDouble("ExportPerFileSize", 0);
    m_pProfile->GetParams()->SetInt("remux", 0);
    const std::string sDest = sDir + "/out.mp4";
    const int nId = m_pEngine->AddConvertTask(s_sSource.c_str(), sDest.c_str(), m_pProfile.get(), false, "");
    m_pEngine->StartConvert();
    ASSERT_TRUE(WaitFor([&] { return State(nId) != 0; }));
    ASSERT_TRUE(m_pEngine->PauseConvertTask(nId));
    ASSERT_TRUE(WaitFor([&] { return !WorkingFiles(sDir).empty(); }));
    std::string sWorking = WorkingFiles(sDir);
    sWorking = sDir + "/" + sWorking.substr(0, sWorking.find('\n'));
    // Meanwhile the user makes a folder under the output's name.
    ASSERT_EQ(mkdir(sDest.c_str(), 0755), 0);
    std::ofstream(sDest + "/mine.txt") << "mine\n";
    ASSERT_TRUE(m_pEngine->ResumeConvertTask(static_cast<unsigned>(nId)));
    ASSERT_TRUE(Ends(nId));
    EXPECT_EQ(State(nId), 4);
    const std::string sText = JobText(m_pEngine->GetConvertTaskInfo(nId));
    EXPECT_NE(sText.find("the whole output is kept as " + sWorking), std::string::npos) << sText;
    EXPECT_NEAR(ProbeFile(sWorking).dDuration, 4.0, 0.1) << "the engine leaves the kept output alone";
    EXPECT_EQ(CorvexaTest::ReadFile(sDest + "/mine.txt"), "mine\n");
}

// An engine hosted in a process of its own, with TMPDIR given, its one task
// held once its worker runs; optionally in a pid namespace of its own.
struct HostedEngine
{
    enum Namespace {
        ThisOne,
        // Its own, counted as "sh", two short programs, then the engine, so
        // that two such namespaces give their engines and workers the same
        // process ids.
        OwnCounted,
        OwnBare, // its own, the engine its first process
    };
    pid_t nProcess = 0;
    std::string sPidFile;

    void Start(const std::string& sTmp, const std::string& sSource, const std::string& sDest,
               const std::string& sProfile, Namespace ns)
    {
        // Beside the output's folder, not in it.
        sPidFile = sDest.substr(0, sDest.rfind('/')) + ".host-pid";
        std::vector<std::string> args;
        if (ns == OwnCounted)
            args = {"/usr/bin/unshare",
                    "--pid",
                    "--fork",
                    "--kill-child",
                    "/bin/sh",
                    "-c",
                    "/bin/true; /bin/true; \"$0\" \"$@\"; :"};
        else if (ns == OwnBare)
            args = {"/usr/bin/unshare", "--pid", "--fork", "--kill-child"};
        for (const std::string& sArg : {kHostHelper, kWorker, sSource, sDest, sProfile, sPidFile, std::string("pause")})
            args.push_back(sArg);
        std::vector<char*> argv;
        for (std::string& sArg : args)
            argv.push_back(&sArg[0]);
        argv.push_back(nullptr);
        std::vector<std::string> env;
        for (char** p = environ; *p; ++p) {
            if (std::strncmp(*p, "TMPDIR=", 7) != 0)
                env.push_back(*p);
        }
        env.push_back("TMPDIR=" + sTmp);
        std::vector<char*> envp;
        for (std::string& sVar : env)
            envp.push_back(&sVar[0]);
        envp.push_back(nullptr);
        ASSERT_EQ(posix_spawn(&nProcess, argv[0], nullptr, nullptr, argv.data(), envp.data()), 0);
    }
    // The worker's process id as its namespace counts it; "" until it runs.
    std::string WorkerPid() const
    {
        std::ifstream in(sPidFile);
        std::string sPid;
        std::getline(in, sPid);
        return sPid;
    }
    void Kill()
    {
        if (nProcess <= 0)
            return;
        kill(nProcess, SIGKILL);
        int status;
        waitpid(nProcess, &status, 0);
        nProcess = 0;
    }
    ~HostedEngine() { Kill(); }
};

TEST_F(CorvexaConvertTest, EnginesInOtherPidNamespacesAndReusedWorkerPidsTakeNothingLive)
{
    if (std::system("unshare --pid --fork --kill-child true >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "no pid namespace can be made here: unshare --pid needs root or user namespaces";
    const std::string sTmp = s_sDir + "/ns-tmp";
    const std::string sShared = s_sDir + "/ns-shared";
    const std::string sHere = s_sDir + "/ns-here";
    const std::string sJudge = s_sDir + "/ns-judge";
    ASSERT_EQ(std::system(("rm -rf '" + sTmp + "' '" + sShared + "' '" + sHere + "' '" + sJudge + "' && mkdir '" +
                           sTmp + "' '" + sShared + "' '" + sHere + "' '" + sJudge + "'")
                              .c_str()),
              0);
    m_pProfile->GetParams()->SetDouble("ExportPerFileSize", 0);
    m_pProfile->GetParams()->SetInt("remux", 0);
    const std::string sProfile = m_pProfile->GetText();
    auto working = [](const std::string& sDir) {
        std::string s = WorkingFiles(sDir);
        return s.empty() ? s : sDir + "/" + s.substr(0, s.find('\n'));
    };
    auto engineFolders = [&sTmp] { return Capture("ls -A '" + sTmp + "' | grep -c '^fablecut-conv-'"); };

    // An engine of this namespace, at work.
    HostedEngine here;
    here.Start(sTmp, s_sSource, sHere + "/out.mp4", sProfile, HostedEngine::ThisOne);
    ASSERT_TRUE(WaitFor([&] { return !working(sHere).empty(); })) << EngineLog();
    const std::string sHereWorking = working(sHere);

    // An engine in a namespace of its own is killed with its worker while
    // its output is under a working name.
    HostedEngine dead;
    dead.Start(sTmp, s_sSource, sShared + "/out.mp4", sProfile, HostedEngine::OwnCounted);
    // Killed once it writes its output: by then the worker has noted it (a
    // worker killed between making the file and noting it leaves it).
    ASSERT_TRUE(WaitFor([&] { return !working(sShared).empty() && FileSize(working(sShared)) > 0; }));
    const std::string sDeadWorking = working(sShared);
    const std::string sDeadWorkerPid = dead.WorkerPid();
    dead.Kill();

    // Another one, counted the same way, writes the same output: its worker
    // has the process id the dead one's had.
    HostedEngine twin;
    twin.Start(sTmp, s_sSource, sShared + "/out.mp4", sProfile, HostedEngine::OwnCounted);
    ASSERT_TRUE(WaitFor([&] { return !twin.WorkerPid().empty() && working(sShared) != sDeadWorking; }));
    std::string sTwinWorking;
    ASSERT_TRUE(WaitFor([&] {
        for (std::istringstream names(WorkingFiles(sShared)); std::getline(names, sTwinWorking);) {
            sTwinWorking = sShared + "/" + sTwinWorking;
            if (sTwinWorking != sDeadWorking)
                return true;
        }
        return false;
    }));
    RecordProperty("dead_worker_pid", sDeadWorkerPid);
    RecordProperty("twin_worker_pid", twin.WorkerPid());
    EXPECT_EQ(engineFolders(), "2\n") << "the dead engine's folder went when the next one started";

    // A third, in a namespace where none of the others' process ids name
    // them, starts: it judges every engine folder.
    HostedEngine judge;
    judge.Start(sTmp, s_sSource, sJudge + "/out.mp4", sProfile, HostedEngine::OwnBare);
    ASSERT_TRUE(WaitFor([&] { return !judge.WorkerPid().empty(); }));
    EXPECT_GE(FileSize(sHereWorking), 0) << "a live engine's work is not taken";
    EXPECT_GE(FileSize(sTwinWorking), 0) << "a live worker whose process id a dead one had keeps its file";
    EXPECT_EQ(FileSize(sDeadWorking), -1) << "the dead engine's leftover goes, by its exact name";
    EXPECT_EQ(engineFolders(), "3\n") << "the live engines keep their folders";
    EXPECT_EQ(Capture("ls -A '" + sShared + "'"), sTwinWorking.substr(sShared.size() + 1) + "\n");

    // Its worker is killed with it once it writes its output, which it has
    // noted by then.
    ASSERT_TRUE(WaitFor([&] { return !working(sJudge).empty() && FileSize(working(sJudge)) > 0; }));
    here.Kill();
    twin.Kill();
    judge.Kill();
    // A namespace's processes die a moment after the program that made it:
    // the engines' locks tell when.
    auto allLocksFree = [&sTmp] {
        std::istringstream folders(Listing(sTmp));
        for (std::string sFolder; std::getline(folders, sFolder);) {
            if (sFolder.rfind("fablecut-conv-", 0) != 0)
                continue;
            sFolder = sTmp + "/" + sFolder;
            const int fd = open((sFolder + "/lock").c_str(), O_RDONLY | O_CLOEXEC);
            const bool bFree = fd < 0 || flock(fd, LOCK_EX | LOCK_NB) == 0;
            if (fd >= 0)
                close(fd);
            if (!bFree)
                return false;
        }
        return true;
    };
    // An engine's lock goes as it dies, a moment before its workers do.
    auto noWorkerLeft = [&sTmp] {
        std::istringstream pids(Listing("/proc"));
        for (std::string sPid; std::getline(pids, sPid);) {
            if (sPid.find_first_not_of("0123456789") != std::string::npos)
                continue;
            const std::string sCommand = CorvexaTest::ReadFile("/proc/" + sPid + "/cmdline");
            if (sCommand.find(sTmp + "/fablecut-conv-") != std::string::npos)
                return false;
        }
        return true;
    };
    ASSERT_TRUE(WaitFor([&] { return allLocksFree() && noWorkerLeft(); }));
    // All dead now: the next engine clears every folder and leftover.
    const char* sOld = std::getenv("TMPDIR");
    const std::string sSaved = sOld ? sOld : "";
    setenv("TMPDIR", sTmp.c_str(), 1);
    m_pEngine.reset(CreateAVConverter(nullptr));
    EXPECT_GE(Add("after-namespaces"), 0);
    sOld ? setenv("TMPDIR", sSaved.c_str(), 1) : unsetenv("TMPDIR");
    EXPECT_EQ(engineFolders(), "1\n");
    for (const std::string& sDir : {sHere, sShared, sJudge})
        EXPECT_EQ(Capture("ls -A '" + sDir + "'"), "") << sDir;
}

TEST_F(CorvexaConvertTest, WorkerStopsWhenTheEngineProcessIsKilledAndTheNextEngineRemovesWhatItLeft)
{
    const std::string sPidFile = s_sDir + "/host.pid";
    const std::string sDest = Dest("orphan");
    const std::string sProfile = m_pProfile->GetText();
    const char* argv[] = {kHostHelper.c_str(), kWorker.c_str(), s_sSource.c_str(), sDest.c_str(), sProfile.c_str(),
                          sPidFile.c_str(),    nullptr};
    pid_t nHost;
    ASSERT_EQ(posix_spawn(&nHost, argv[0], nullptr, nullptr, const_cast<char**>(argv), environ), 0);
    std::string sPid;
    ASSERT_TRUE(WaitFor([&] {
        std::ifstream in(sPidFile);
        return static_cast<bool>(std::getline(in, sPid));
    }));
    int nWorker = std::atoi(sPid.c_str());
    ASSERT_GT(nWorker, 0);
    std::string sWorking;
    ASSERT_TRUE(WaitFor([&] {
        sWorking = FirstNamed(s_sDir, "orphan.part-", ".mp4");
        return !sWorking.empty();
    }));
    ASSERT_EQ(kill(nHost, SIGKILL), 0);
    int status;
    ASSERT_EQ(waitpid(nHost, &status, 0), nHost);
    EXPECT_TRUE(WaitFor([&] { return ProcessStopped(nWorker); }));
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
    bool sound;         // the output holds sound
    bool fails = false; // with the source named as damaged
};

} // namespace

TEST_F(CorvexaConvertTest, ShippedProfilesApplyToAPlainFileAsToATimeline)
{
    const std::string sFF = "cd '" + s_sDir + "' && ffmpeg -nostdin -v error -y ";
    const std::string sPictures = "-f lavfi -i testsrc2=size=320x240:rate=25:duration=2 ";
    const std::string sSound = "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=2 ";
    ASSERT_EQ(std::system((sFF + sPictures + sSound +
                           "-c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac "
                           "direct25.mp4")
                              .c_str()),
              0);
    ASSERT_EQ(std::system((sFF + sPictures + "-c:v libx264 -preset ultrafast -pix_fmt yuv420p silent25.mp4").c_str()),
              0);
    // Stopped half-way: its header still counts every picture.
    ASSERT_EQ(std::system((sFF + sPictures + sSound +
                           "-c:v mpeg4 -q:v 5 -c:a libmp3lame -b:a 64k full.avi && "
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
