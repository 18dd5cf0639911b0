#include "MemFileMapping.h"

#include "Basilvo/Basilvo.h"
#include "CBaseException.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <atomic>
#include <random>
#include <thread>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

using Moorland::ConvertTaskInfo2;

namespace {

std::string MakeTempDir()
{
    char sTemplate[] = "/tmp/jobfile_test_XXXXXX";
    char* p = ::mkdtemp(sTemplate);
    return p ? std::string(p) : std::string();
}

std::vector<unsigned char> ReadFile(const std::string& sPath)
{
    std::vector<unsigned char> bytes;
    int fd = ::open(sPath.c_str(), O_RDONLY);
    if (fd < 0)
        return bytes;
    unsigned char buf[4096];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) > 0)
        bytes.insert(bytes.end(), buf, buf + n);
    ::close(fd);
    return bytes;
}

void WriteFile(const std::string& sPath, const std::vector<unsigned char>& bytes)
{
    int fd = ::open(sPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    ::close(fd);
}

pid_t SpawnHelper(const std::vector<std::string>& args)
{
    std::string sProgram = std::string(FABLECUT_TEST_BIN_DIR) + "/JobFileWorkerHelper";
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(sProgram.c_str()));
    for (const std::string& s : args)
        argv.push_back(const_cast<char*>(s.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (::posix_spawn(&pid, sProgram.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    return pid;
}

int WaitHelper(pid_t pid)
{
    if (pid <= 0)
        return -100;
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -101;
    return WEXITSTATUS(status);
}

class JobFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_sDir = MakeTempDir();
        ASSERT_FALSE(m_sDir.empty());
        m_sPath = m_sDir + "/jobs.share";
        GetQuentaException()->Clear();
    }
    void TearDown() override
    {
        CMemFileMapping::FreeInstance();
        ::unlink(m_sPath.c_str());
        ::rmdir(m_sDir.c_str());
    }
    CMemFileMapping* Create(uint32_t nSize) { return CMemFileMapping::CreateInstance(nSize, m_sPath); }
    uint32_t LinkOf(const void* p, CMemFileMapping* pFile)
    {
        void* pData = nullptr;
        pFile->ReadData(0, 0, &pData);
        return static_cast<uint32_t>(static_cast<const unsigned char*>(p) - static_cast<unsigned char*>(pData));
    }

    std::string m_sDir;
    std::string m_sPath;
};

} // namespace

// Two processes on one file: the engine writes two jobs, a worker process
// updates one of them and fails it; the engine sees exactly those changes.
TEST_F(JobFileTest, WorkerProcessReportsIntoItsOwnRecordOnly)
{
    struct Case
    {
        const char* sName;
        uint32_t nErrorCapacity; // block reserved by the engine for job 0
        int nPresetState;        // state the engine leaves before the worker runs
        int nWorkerStartState;   // 0: the worker does not touch the state first
        size_t nMsgLength;
        int nExpectExit;
        int nExpectState;
        size_t nExpectTextLength; // 0: no text
    };
    const Case cases[] = {
        {"long message cut to 999", 1000, 0, 1, 5000, 0, 4, 999},
        {"short message", 1000, 0, 1, 10, 0, 4, 76},
        {"paused job fails", 1000, 0, 2, 10, 0, 4, 76},
        {"block smaller than the text", 40, 0, 1, 10, 0, 4, 39},
        {"no block reserved: text refused", 0, 0, 1, 10, 3, 4, 0},
        {"cancel requested: nothing written", 1000, 3, 0, 10, 3, 3, 0},
        {"finished: nothing written", 1000, 5, 0, 10, 3, 5, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sName);
        const uint32_t nSize = 4096;
        CMemFileMapping* pFile = Create(nSize);
        ASSERT_NE(pFile, nullptr);
        ASSERT_TRUE(pFile->ReserveJobTable(2));
        ConvertTaskInfo2* pJob0 = pFile->AddJob(0, "file:///in/a.mkv?movieid=0", "/out/a.mp4", c.nErrorCapacity);
        ConvertTaskInfo2* pJob1 = pFile->AddJob(1, "file:///in/b.mkv", "/out/b.mp4");
        ASSERT_NE(pJob0, nullptr);
        ASSERT_NE(pJob1, nullptr);
        pJob0->TaskID = 11;
        pJob1->TaskID = 12;
        pJob0->TrimLength = 5000;
        if (c.nPresetState)
            pJob0->SetState(c.nPresetState);

        std::vector<unsigned char> before = ReadFile(m_sPath);
        pid_t pid = SpawnHelper(
            {m_sPath, std::to_string(nSize), "0", std::to_string(c.nWorkerStartState), std::to_string(c.nMsgLength)});
        ASSERT_GT(pid, 0);
        // Watch the state as the engine does: once it reads 4, the whole
        // error text is already in place.
        int nExit = -100;
        bool bReaped = false;
        while (!bReaped) {
            if (pJob0->GetState() == 4) {
                const char* sNow = pFile->GetText(pJob0->ErrorText);
                EXPECT_EQ(sNow ? std::strlen(sNow) : 0, c.nExpectTextLength);
                break;
            }
            int status = 0;
            if (::waitpid(pid, &status, WNOHANG) == pid) {
                bReaped = true;
                nExit = WIFEXITED(status) ? WEXITSTATUS(status) : -101;
            }
        }
        if (!bReaped)
            nExit = WaitHelper(pid);
        EXPECT_EQ(nExit, c.nExpectExit);
        std::vector<unsigned char> after = ReadFile(m_sPath);
        ASSERT_EQ(before.size(), after.size());

        EXPECT_EQ(pJob0->GetState(), c.nExpectState);
        EXPECT_EQ(pJob0->TaskID, 11);
        EXPECT_EQ(pJob0->TrimLength, 5000);
        EXPECT_DOUBLE_EQ(pJob0->GetPercent(), 42.5);
        EXPECT_DOUBLE_EQ(pJob0->GetElapsedTime(), 12.25);
        EXPECT_EQ(pJob0->GetBytesWritten(), int64_t(5) << 33);
        EXPECT_EQ(pJob0->GetEstimatedSize(), -7);
        EXPECT_EQ(pJob0->DiscPhase, 9);
        // No process address ever reaches the file.
        EXPECT_EQ(pJob0->WorkNames | pJob0->WorkNamesCapacity | pJob0->Profile | pJob0->DstStream, 0u);

        const char* sError = pFile->GetText(pJob0->ErrorText);
        size_t nTextLength = sError ? std::strlen(sError) : 0;
        EXPECT_EQ(nTextLength, c.nExpectTextLength);
        if (c.nExpectTextLength > 0) {
            std::string sExpect = "Quenta Exception Code: 10021017\nMsg: <";
            EXPECT_EQ(std::string(sError).substr(0, sExpect.size()), sExpect.substr(0, c.nExpectTextLength));
        }
        if (c.nExpectTextLength == 76) {
            EXPECT_STREQ(sError, "Quenta Exception Code: 10021017\nMsg: <mmmmmmmmm\nFile: JobRunner.cpp\nLine: 77");
        }

        // Every byte outside job 0's record and its error block is as the
        // engine left it: job 1 and all texts are intact.
        uint32_t nRecord = LinkOf(pJob0, pFile);
        uint32_t nBlock = pJob0->ErrorText;
        uint32_t nBlockEnd = nBlock + (c.nErrorCapacity ? c.nErrorCapacity : 0);
        for (size_t i = 4; i < after.size(); ++i) {
            uint32_t nData = static_cast<uint32_t>(i - 4);
            bool bOwn = (nData >= nRecord && nData < nRecord + sizeof(ConvertTaskInfo2)) ||
                        (nData >= nBlock && nData < nBlockEnd);
            if (!bOwn && before[i] != after[i]) {
                ADD_FAILURE() << "byte at data offset " << nData << " changed";
                break;
            }
        }
        EXPECT_STREQ(pFile->GetText(pJob1->SrcPathText), "file:///in/b.mkv");
        EXPECT_STREQ(pFile->GetText(pJob1->DstPathText), "/out/b.mp4");
        EXPECT_STREQ(pFile->GetText(pJob1->ErrorText), "");
        EXPECT_EQ(pJob1->GetState(), 0);
        CMemFileMapping::FreeInstance();
    }
}

TEST_F(JobFileTest, WorkerFindsItsJobThroughTheTable)
{
    CMemFileMapping* pFile = Create(4096);
    ASSERT_TRUE(pFile->ReserveJobTable(3));
    ASSERT_NE(pFile->AddJob(2, "src two", "dst two"), nullptr);
    ASSERT_NE(pFile->AddJob(0, "src zero", "dst zero"), nullptr);
    pFile->AddJob(3, "past the table", "x");
    EXPECT_EQ(GetQuentaException()->GetExceptionCode(), QB_ERR_INDEX);

    CMemFileMapping* pOpened = CMemFileMapping::OpenFileMap(m_sPath, 4096 + 64);
    ASSERT_NE(pOpened, nullptr);
    EXPECT_EQ(pOpened->GetCapacity(), 4092u);
    EXPECT_EQ(pOpened->GetFree(), 0u);
    Moorland::ConvertTaskLocal job;
    ASSERT_TRUE(pOpened->GetJob(2, job));
    EXPECT_STREQ(job.SrcPath, "src two");
    EXPECT_STREQ(job.DstPath, "dst two");
    ASSERT_TRUE(pOpened->GetJob(0, job));
    EXPECT_STREQ(job.SrcPath, "src zero");

    struct Bad
    {
        uint32_t nIndex;
        int nCode;
    };
    for (Bad b : {Bad{1, QB_ERR_NOT_FOUND}, Bad{100, QB_ERR_NOT_FOUND}, Bad{1023, QB_ERR_INDEX},
                  Bad{0x40000000u, QB_ERR_INDEX}, Bad{0xFFFFFFFFu, QB_ERR_INDEX}}) {
        SCOPED_TRACE(b.nIndex);
        GetQuentaException()->Clear();
        EXPECT_EQ(pOpened->GetJobRecord(b.nIndex), nullptr);
        EXPECT_EQ(GetQuentaException()->GetExceptionCode(), b.nCode);
    }
    // The opener never allocates over what the creator holds.
    uint32_t nLink = 0;
    EXPECT_FALSE(pOpened->AssignText(nLink, "x"));
    EXPECT_EQ(nLink, 0u);
    EXPECT_EQ(pOpened->MallcMemory(1), 0u);
    delete pOpened;
}

TEST_F(JobFileTest, ReadDataStaysInsideTheDataArea)
{
    CMemFileMapping* pFile = Create(104); // capacity 100
    struct Case
    {
        uint32_t nOffset, nLength;
        bool bOk;
    };
    const Case cases[] = {
        {0, 100, true},  {96, 4, true},   {100, 0, true},          {97, 4, false},
        {101, 0, false}, {0, 101, false}, {4, 0xFFFFFFFFu, false}, {0xFFFFFFFFu, 2, false},
    };
    void* pData = nullptr;
    ASSERT_TRUE(pFile->ReadData(0, 0, &pData));
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.nOffset) + "+" + std::to_string(c.nLength));
        void* p = reinterpret_cast<void*>(1);
        EXPECT_EQ(pFile->ReadData(c.nOffset, c.nLength, &p), c.bOk);
        EXPECT_EQ(p, c.bOk ? static_cast<unsigned char*>(pData) + c.nOffset : nullptr);
    }
    EXPECT_FALSE(pFile->ReadData(0, 4, nullptr));
    EXPECT_EQ(GetQuentaException()->GetExceptionCode(), QB_ERR_BAD_POINTER);
    int nLine = 0;
    EXPECT_STREQ(GetQuentaException()->GetExceptionSource(&nLine), "MemFileMapping");
    // A table entry of 0 names nothing.
    EXPECT_EQ(CMemFileMapTypePtr(0).GetPtr(), nullptr);
    EXPECT_EQ(CMemFileMapTypePtr(100).GetPtr(), nullptr);
    EXPECT_EQ(CMemFileMapTypePtr(99).GetPtr(), static_cast<unsigned char*>(pData) + 99);
}

TEST_F(JobFileTest, ArenaCursorsAndExactFit)
{
    CMemFileMapping* pFile = Create(68); // capacity 64
    EXPECT_EQ(pFile->GetFree(), 64u);
    // A block at data offset 0 would read as null: refused, nothing taken.
    EXPECT_EQ(pFile->MallcMemory(64), 0u);
    EXPECT_EQ(pFile->GetFree(), 64u);
    uint32_t nLink = 0;
    EXPECT_FALSE(pFile->AssignText(nLink, std::string(63, 'a').c_str()));
    EXPECT_EQ(nLink, 0u);
    EXPECT_EQ(GetQuentaException()->GetExceptionCode(), QB_ERR_DEST_SMALL);

    const char table[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    void* pLow = nullptr;
    ASSERT_TRUE(pFile->InsertData(table, 8, &pLow));
    EXPECT_EQ(pFile->GetFree(), 56u);
    void* pBlock = nullptr;
    EXPECT_EQ(pFile->MallcMemory(16, &pBlock), 48u);
    EXPECT_EQ(pFile->MallcMemory(40), 8u); // exactly the free bytes
    EXPECT_EQ(pFile->GetFree(), 0u);
    EXPECT_EQ(pFile->MallcMemory(1), 0u);
    EXPECT_FALSE(pFile->InsertData(table, 1));
    EXPECT_FALSE(pFile->InsertData(nullptr, 0));

    // Giving back more than was appended stops at data offset 0.
    EXPECT_TRUE(pFile->ReleaseData(1000));
    EXPECT_EQ(pFile->GetFree(), 8u);
    ASSERT_TRUE(pFile->InsertData(table, 8, &pLow));
    EXPECT_EQ(LinkOf(pLow, pFile), 0u);
}

TEST_F(JobFileTest, TextAssignmentRules)
{
    CMemFileMapping* pFile = Create(260);
    const char pad[4] = {};
    ASSERT_TRUE(pFile->InsertData(pad, 4));
    CSharedString text("hello");
    uint32_t nFirst = text.GetLink();
    ASSERT_NE(nFirst, 0u);
    EXPECT_EQ(pFile->GetFree(), 256u - 4 - 6);

    struct Step
    {
        const char* sAssign;
        bool bOk;
        const char* sStored; // null: the link is null
        bool bSameLink;
    };
    const Step steps[] = {
        {"hello", true, "hello", true},                          // same text: nothing changes
        {"HELLO", true, "HELLO", true},                          // same length: in place
        {"abc", true, "abc", true},                              // shorter: in place
        {"abcd", false, "abc", true},                            // longer than stored: refused, kept
        {nullptr, true, nullptr, false},                         // null: the link only
        {"a new longer text", true, "a new longer text", false}, // fresh block
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.sAssign ? s.sAssign : "(null)");
        uint32_t nFree = pFile->GetFree();
        GetQuentaException()->Clear();
        EXPECT_EQ(text.Assign(s.sAssign), s.bOk);
        if (!s.bOk) {
            EXPECT_EQ(GetQuentaException()->GetExceptionCode(), QB_ERR_DEST_SMALL);
        }
        if (s.sStored)
            EXPECT_STREQ(text.c_str(), s.sStored);
        else
            EXPECT_EQ(text.GetLink(), 0u);
        if (s.bSameLink) {
            EXPECT_EQ(text.GetLink(), nFirst);
            EXPECT_EQ(pFile->GetFree(), nFree);
        }
    }
    EXPECT_EQ(pFile->GetFree(), 256u - 4 - 6 - 18);
}

TEST_F(JobFileTest, SecondGetInstanceKeepsTheFirst)
{
    // Creating again over the same path replaces the instance and keeps the file.
    Create(64);
    CMemFileMapping* pFirst = Create(128);
    struct stat st;
    ASSERT_EQ(::stat(m_sPath.c_str(), &st), 0);
    EXPECT_EQ(pFirst->GetCapacity(), 124u);
    EXPECT_EQ(CMemFileMapping::GetInstance(64, "/nonexistent/other.share"), pFirst);
    EXPECT_EQ(CMemFileMapping::GetInstance(0, nullptr), pFirst);
    CMemFileMapping::FreeInstance();
    EXPECT_NE(::stat(m_sPath.c_str(), &st), 0) << "the creator deletes its job file";

    GetQuentaException()->Clear();
    EXPECT_EQ(CMemFileMapping::GetInstance(64, "/nonexistent/other.share"), nullptr);
    EXPECT_EQ(GetQuentaException()->GetExceptionCode(), QB_ERR_UNEXPECTED);
    EXPECT_NE(std::string(GetQuentaException()->GetExceptionMsg()).find("can't open sharedData"), std::string::npos);
    int nLine = 0;
    EXPECT_STREQ(GetQuentaException()->GetExceptionSource(&nLine), "MemFileMapping");
    // Texts without a mapped file are refused, not written anywhere.
    CSharedString orphan;
    EXPECT_FALSE(orphan.Assign("text"));
    EXPECT_EQ(orphan.GetLink(), 0u);
}

TEST_F(JobFileTest, CreatorWithoutPathMakesItsOwnFile)
{
    CMemFileMapping* pFile = CMemFileMapping::GetInstance(1000, nullptr);
    ASSERT_NE(pFile, nullptr);
    EXPECT_TRUE(pFile->IsCreator());
    EXPECT_EQ(pFile->GetCapacity(), 996u);
    std::string sPath = pFile->GetFileName();
    EXPECT_EQ(sPath.substr(sPath.size() - 6), ".share");
    struct stat st;
    ASSERT_EQ(::stat(sPath.c_str(), &st), 0);
    EXPECT_GE(st.st_size, 1000);
    CMemFileMapping::FreeInstance();
    EXPECT_NE(::stat(sPath.c_str(), &st), 0);
}

// Writing a page of a shared mapping that has no block behind it ends the
// process with SIGBUS when the file system is full: a new arena owns all its
// blocks before anything is written, and is empty whatever the file held.
TEST_F(JobFileTest, ANewArenaHasEveryBlockReservedAndReadsEmpty)
{
    const uint32_t nSize = 1u << 20;
    {
        std::ofstream stale(m_sPath, std::ios::binary);
        stale << std::string(4096, 'x');
    }
    ASSERT_EQ(::truncate(m_sPath.c_str(), nSize), 0);
    CMemFileMapping* pFile = Create(nSize);
    ASSERT_NE(pFile, nullptr);
    struct stat st;
    ASSERT_EQ(::stat(m_sPath.c_str(), &st), 0);
    EXPECT_GE(uint64_t(st.st_blocks) * 512, uint64_t(st.st_size)) << "no holes";
    void* pData = nullptr;
    ASSERT_TRUE(pFile->ReadData(0, pFile->GetCapacity(), &pData));
    const auto* p = static_cast<const unsigned char*>(pData);
    EXPECT_EQ(std::count(p, p + pFile->GetCapacity(), 0), static_cast<long>(pFile->GetCapacity()));
}

TEST(JobErrorText, ComposedFromTheErrorRecord)
{
    CBaseException error(10021013, "file_write error", 321, "quenta_base_streams.cpp");
    EXPECT_EQ(Moorland::ComposeJobErrorText(&error),
              "Quenta Exception Code: 10021013\nMsg: file_write error\nFile: quenta_base_streams.cpp\nLine: 321");
    CBaseException huge(1, std::string(5000, 'x'), 1, "f");
    std::string sText = Moorland::ComposeJobErrorText(&huge);
    EXPECT_EQ(sText.size(), 999u);
    EXPECT_EQ(sText.substr(0, 30), "Quenta Exception Code: 1\nMsg: ");
}

// Random and damaged job files: every job index is looked up and every text
// it links is read. Nothing may touch memory outside the mapping.
TEST_F(JobFileTest, DamagedFilesAreReadSafely)
{
    std::mt19937 rng(20261209);
    // A sound file as the starting point for the damaged ones.
    CMemFileMapping* pFile = Create(2048);
    ASSERT_TRUE(pFile->ReserveJobTable(4));
    for (uint32_t i = 0; i < 4; ++i)
        ASSERT_NE(pFile->AddJob(i, "file:///movie.mkv?movieid=0", "/out/movie.mp4", 100), nullptr);
    std::vector<unsigned char> sound = ReadFile(m_sPath);
    CMemFileMapping::FreeInstance();
    ASSERT_GE(sound.size(), 2048u);

    auto ReadAll = [](CMemFileMapping* p) {
        size_t nSeen = 0;
        for (uint32_t i = 0; i < p->GetCapacity() / 4 + 2; ++i) {
            Moorland::ConvertTaskLocal job;
            if (p->GetJob(i, job)) {
                nSeen += std::strlen(job.SrcPath) + std::strlen(job.DstPath);
                const char* sError = p->GetText(job.pRecord->ErrorText);
                nSeen += sError ? std::strlen(sError) : 0;
                nSeen += static_cast<size_t>(job.pRecord->GetState() + job.pRecord->GetPercent());
            }
            ConvertTaskInfo2* pRecord = p->GetJobRecord(i);
            if (pRecord)
                p->WriteJobErrorText(pRecord, "damaged");
        }
        return nSeen;
    };

    for (int round = 0; round < 150; ++round) {
        std::vector<unsigned char> bytes;
        uint32_t nMapSize;
        switch (round % 3) {
        case 0: // random bytes of a random length
            bytes.resize(rng() % 600);
            for (unsigned char& b : bytes)
                b = static_cast<unsigned char>(rng());
            nMapSize = rng() % 1200;
            break;
        case 1: // the sound file cut short
            bytes.assign(sound.begin(), sound.begin() + rng() % sound.size());
            nMapSize = 2048;
            break;
        default: // the sound file with some words overwritten
            bytes = sound;
            for (int k = 0; k < 8; ++k) {
                size_t nAt = rng() % (bytes.size() - 4);
                uint32_t nValue = (rng() % 2) ? rng() : rng() % 2100;
                std::memcpy(&bytes[nAt], &nValue, 4);
            }
            nMapSize = static_cast<uint32_t>(bytes.size());
            break;
        }
        WriteFile(m_sPath, bytes);
        CMemFileMapping* pOpened = CMemFileMapping::OpenFileMap(m_sPath, nMapSize);
        if (!pOpened)
            continue;
        EXPECT_LE(pOpened->GetCapacity() + 4, bytes.size());
        ReadAll(pOpened);
        delete pOpened;
    }
}

// The engine's cancel may land at any moment of a worker's failure report;
// whenever it wins, the record must end cancelled and without an error text.
// A second thread plays the engine and cancels the instant the text shows up,
// which is the moment the report is between its text and its state change.
TEST_F(JobFileTest, CancelDuringFailureReportLeavesNoText)
{
    CMemFileMapping* pFile = Create(8192);
    ASSERT_NE(pFile, nullptr);
    ASSERT_TRUE(pFile->ReserveJobTable(2));
    ConvertTaskInfo2* pRecord = pFile->AddJob(0, "/in/a.mkv", "/out/a.mp4");
    ASSERT_NE(pRecord, nullptr);
    CBaseException error(10021017, "decoder failed", 7, "JobRunner.cpp");

    {
        int nCancelled = 0;
        int nFailed = 0;
        // The engine thread lives through all rounds and is already watching
        // when each report starts.
        std::atomic<int> nRound{-1};
        std::atomic<int> nArmed{-1};
        std::atomic<int> nDone{-1};
        const int kRounds = 3000;
        std::thread engine([&] {
            for (int r = 0; r < kRounds; ++r) {
                while (nRound.load() != r) {
                }
                nArmed = r;
                for (;;) {
                    const char* sText = pFile->GetText(pRecord->ErrorText);
                    if ((sText && *sText) || pRecord->GetState() != 1)
                        break;
                }
                pRecord->ChangeState(1, 3);
                nDone = r;
            }
        });
        for (int i = 0; i < kRounds; ++i) {
            ASSERT_TRUE(pFile->WriteJobErrorText(pRecord, ""));
            pRecord->SetState(1);
            nRound = i;
            while (nArmed.load() != i) {
            }
            const bool bReported = Moorland::ReportJobFailure(pFile, pRecord, &error);
            while (nDone.load() != i) {
            }
            const char* sText = pFile->GetText(pRecord->ErrorText);
            const std::string sLeft = sText ? sText : "";
            if (pRecord->GetState() == 3) {
                ++nCancelled;
                EXPECT_FALSE(bReported);
                EXPECT_EQ("", sLeft) << "round " << i;
            } else {
                ++nFailed;
                EXPECT_EQ(4, pRecord->GetState());
                EXPECT_EQ(0u, sLeft.find("Quenta Exception Code: 10021017"));
            }
        }
        engine.join();
        RecordProperty("cancelled", nCancelled);
        EXPECT_GT(nFailed, 0);
    }
}

namespace {

int OpenDescriptors()
{
    int n = 0;
    if (DIR* d = ::opendir("/proc/self/fd")) {
        while (::readdir(d))
            ++n;
        ::closedir(d);
    }
    return n;
}

} // namespace

TEST_F(JobFileTest, FailedConstructionClosesTheFile)
{
    // A file shorter than the asked size is refused after it was opened.
    WriteFile(m_sPath, std::vector<unsigned char>(16, 0));
    const int nBefore = OpenDescriptors();
    for (int i = 0; i < 3; ++i) {
        try {
            CMemFileMapping mapping(m_sPath, 4096);
            ADD_FAILURE() << "a short file was mapped";
        } catch (const CBaseException& e) {
            EXPECT_EQ(QB_ERR_UNEXPECTED, e.GetCode());
        }
    }
    EXPECT_EQ(nBefore, OpenDescriptors());
}
