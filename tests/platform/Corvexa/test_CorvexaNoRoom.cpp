// The engine of libCorvexa.so with the real convworker when the temporary
// folder is full or nearly so: the process that hosts the engine lives, and
// a task either finishes or says where room is missing. The temporary folder
// is a small tmpfs of the test's own; a machine where the test cannot mount
// one skips it (exit code 77).

#include "RealWorker.h"

#include "Basilvo/Basilvo.h"
#include "Basilvo/QuentaLogger.h"
#include "ConvertTaskInfo2.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

using namespace CorvexaTest;

namespace {

// A tmpfs of the given size mounted on a folder while the object lives.
class SmallTmpfs
{
public:
    SmallTmpfs(const std::string& sDir, const std::string& sSize) : m_sDir(sDir)
    {
        ::mkdir(sDir.c_str(), 0700);
        m_bMounted = ::mount("tmpfs", sDir.c_str(), "tmpfs", MS_NOSUID | MS_NODEV,
                             ("size=" + sSize + ",mode=0700").c_str()) == 0;
    }
    ~SmallTmpfs()
    {
        if (m_bMounted)
            ::umount2(m_sDir.c_str(), MNT_DETACH);
        ::rmdir(m_sDir.c_str());
    }
    bool Mounted() const { return m_bMounted; }

    uint64_t Free() const
    {
        struct statvfs st;
        return ::statvfs(m_sDir.c_str(), &st) == 0 ? uint64_t(st.f_bavail) * st.f_frsize : 0;
    }
    // Takes all but nBytes of what is free with a file of the test's own.
    bool LeaveFree(uint64_t nBytes)
    {
        const uint64_t nFree = Free();
        if (nFree < nBytes)
            return false;
        const std::string sFiller = m_sDir + "/filler" + std::to_string(m_nFillers++);
        const int fd = ::open(sFiller.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
        const bool bOk = fd >= 0 && (nFree == nBytes || ::posix_fallocate(fd, 0, off_t(nFree - nBytes)) == 0);
        if (fd >= 0)
            ::close(fd);
        return bOk && Free() == nBytes;
    }

private:
    std::string m_sDir;
    bool m_bMounted = false;
    int m_nFillers = 0;
};

class CorvexaNoRoom : public RealWorkerSuite
{
protected:
    static void SetUpTestSuite()
    {
        // The test's mounts are seen by this process and its children only,
        // and vanish with it however it ends.
        if (::unshare(CLONE_NEWNS) == 0)
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr);
        char tmpl[] = "/tmp/corvexa-noroom-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        s_sDir = tmpl;
        {
            SmallTmpfs probe(s_sDir + "/probe", "64k");
            if (!probe.Mounted()) {
                std::printf("SKIPPED: this test mounts small tmpfs file systems as its temporary folder, and this "
                            "process may not mount (it needs root, as CI has)\n");
                std::fflush(stdout);
                std::system(("rm -rf '" + s_sDir + "'").c_str());
                std::_Exit(77);
            }
        }
        GetQuentaLogger()->SetLogFile((s_sDir + "/engine.log").c_str(), false);
        ASSERT_TRUE(MakeSource(s_sDir + "/source.mp4", 2));
    }
    static void TearDownTestSuite() { EndSuite(s_sDir); }
    static std::string s_sDir;
};

std::string CorvexaNoRoom::s_sDir;

} // namespace

TEST_F(CorvexaNoRoom, AFullTemporaryFolderFailsTheTaskWithWhereRoomIsMissingAndTheProgramLives)
{
    constexpr uint64_t KB = 1024, MB = 1024 * KB;
    constexpr int64_t kPlenty = -1;
    struct Case
    {
        const char* name;
        const char* size;        // of the temporary folder's file system
        int64_t free;            // left free before the first task; kPlenty: all of it
        bool fillAfterFirstTask; // then nothing is left for a second task and the start
        bool converts;           // the first task
        bool deadEngine = false; // a dead engine's folder, its job file written only in part
    };
    const Case cases[] = {
        {"nothing free", "1m", 0, false, false},
        {"48 KB free", "1m", int64_t(48 * KB), false, false},
        {"room for the engine's folder, none for its job file", "16m", int64_t(4 * MB), false, false},
        {"plenty free", "64m", kPlenty, false, true},
        {"filled once the engine has its job file", "64m", kPlenty, true, true},
        {"nothing free, and a dead engine's job file with holes", "1m", 0, false, false, true},
    };
    ProfilePtr profile(MakeProfile("mpeg4"));
    ASSERT_TRUE(profile);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string sTmp = s_sDir + "/tmp";
        SmallTmpfs tmpfs(sTmp, c.size);
        ASSERT_TRUE(tmpfs.Mounted());
        const std::string sDead = sTmp + "/fablecut-conv-dead01";
        if (c.deadEngine) {
            // Its first page written, the rest of its table never reached.
            ASSERT_EQ(::mkdir(sDead.c_str(), 0700), 0);
            std::ofstream(sDead + "/owner") << "1\n";
            const int fd = ::open((sDead + "/jobs.share").c_str(), O_RDWR | O_CREAT, 0600);
            ASSERT_GE(fd, 0);
            const uint32_t nCapacity = (8u << 20) - 4;
            EXPECT_EQ(::pwrite(fd, &nCapacity, 4, 0), 4);
            EXPECT_EQ(::ftruncate(fd, 8 << 20), 0);
            ::close(fd);
        }
        if (c.free != kPlenty) {
            ASSERT_TRUE(tmpfs.LeaveFree(uint64_t(c.free))) << tmpfs.Free();
        }
        ScopedTmpDir tmpdir(sTmp);
        const std::string sNoRoom = "No space left in " + sTmp + " for the conversion's work files";
        const std::string sDest = s_sDir + "/out.mp4";
        ::unlink(sDest.c_str());
        {
            EnginePtr engine(CreateAVConverter(nullptr));
            ASSERT_TRUE(engine);
            GetQuentaException()->Clear();
            const std::string sSource = s_sDir + "/source.mp4";
            const int nId = engine->AddConvertTask(sSource.c_str(), sDest.c_str(), profile.get(), false, "");
            if (!c.converts) {
                EXPECT_EQ(nId, -1);
                EXPECT_EQ(std::string(GetQuentaException()->GetExceptionMsg()), sNoRoom);
                struct stat st;
                EXPECT_NE(::lstat(sDead.c_str(), &st), 0) << "a dead engine's folder is taken over";
                continue;
            }
            ASSERT_GE(nId, 0) << GetQuentaException()->GetExceptionMsg();
            if (c.fillAfterFirstTask) {
                ASSERT_TRUE(tmpfs.LeaveFree(0));
                GetQuentaException()->Clear();
                const std::string sSecond = s_sDir + "/second.mp4";
                EXPECT_EQ(engine->AddConvertTask(sSource.c_str(), sSecond.c_str(), profile.get(), false, ""), -1);
                EXPECT_EQ(std::string(GetQuentaException()->GetExceptionMsg()), sNoRoom);
            }
            // Starting takes room in the job file for the worker's working
            // names: on a full file system too.
            ASSERT_TRUE(engine->StartConvert());
            Moorland::ConvertTaskInfo2* pRecord = engine->GetConvertTaskInfo(nId);
            ASSERT_TRUE(WaitFor([&] { return pRecord->GetState() == 4 || pRecord->GetState() == 5; }, 120000));
            EXPECT_EQ(pRecord->GetState(), 5) << engine->GetConvertTaskFailure(nId);
            EXPECT_EQ(VideoAndLength(sDest), "mpeg4,2");
        }
        // What the engine and its worker made in the temporary folder went with them.
        std::string sLeft;
        for (const std::string& sPath : Tree(sTmp)) {
            if (sPath.rfind("filler", 0) != 0)
                sLeft += sPath + " ";
        }
        EXPECT_EQ(sLeft, "");
    }
}
