#include "CShardMemStream.h"

#include "Basilvo/Basilvo.h"
#include "CBaseException.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

using QuentaBased::CShardMemStream;

namespace {

const unsigned int kFail = static_cast<unsigned int>(-1);

long long FileSize(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}

void WriteFile(const std::string& path, std::size_t size, char fill)
{
    std::ofstream(path, std::ios::binary) << std::string(size, fill);
}

std::string ProgramFolder()
{
    char buffer[PATH_MAX] = {};
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    std::string exe(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
    return exe.substr(0, exe.rfind('/') + 1);
}

void ExpectRecorded(int code, const char* message)
{
    EXPECT_EQ(code, GetQuentaException()->GetExceptionCode());
    EXPECT_STREQ(message, GetQuentaException()->GetExceptionMsg());
}

class ShardMemTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/qbshmXXXXXX";
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        m_dir = tmpl;
        GetQuentaException()->Clear();
    }
    void TearDown() override { std::system(("rm -rf '" + m_dir + "'").c_str()); }
    std::string Path(const char* name) const { return m_dir + "/" + name; }

    std::string m_dir;
};

} // namespace

TEST_F(ShardMemTest, CreatingSizesTheBackingFile)
{
    struct Case
    {
        const char* what;
        long long existing; // -1: no file yet
        unsigned int size;
        long long fileAfter;
    };
    const std::vector<Case> cases = {
        {"new file", -1, 100, 4160},
        {"new file, whole blocks", -1, 128, 128 + 4096},
        {"short file lengthened", 900, 1000, 1028},
        {"file one short", 999, 1000, 1063},
        {"file exactly the size", 1000, 1000, 1000},
        {"longer file untouched", 5000, 1000, 5000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = Path("region.dat");
        unlink(path.c_str());
        if (c.existing >= 0)
            WriteFile(path, static_cast<std::size_t>(c.existing), 'k');
        CShardMemStream* stream = new CShardMemStream(path.c_str(), c.size, QuentaBased::smCreate);
        EXPECT_EQ(0, GetQuentaException()->GetExceptionCode()) << GetQuentaException()->GetExceptionMsg();
        EXPECT_EQ(c.size, stream->GetSize());
        EXPECT_EQ(0, stream->GetPosition());
        EXPECT_EQ(c.fileAfter, FileSize(path));
        // Old contents stay; what was appended reads as zeros.
        std::vector<char> bytes(c.size);
        ASSERT_EQ(c.size, stream->Read(bytes.data(), c.size));
        for (unsigned int i = 0; i < c.size; ++i)
            ASSERT_EQ(static_cast<long long>(i) < c.existing ? 'k' : '\0', bytes[i]) << i;
        stream->Free();
        EXPECT_EQ(c.fileAfter, FileSize(path)); // the backing file outlives the stream
    }
}

TEST_F(ShardMemTest, RefusedConstructionLeavesAnInvalidStream)
{
    const std::string good = Path("good.dat");
    const std::string tiny = Path("tiny.dat");
    WriteFile(tiny, 10, 'x');
    struct Case
    {
        const char* what;
        const char* name;
        unsigned int size;
        int mode;
        int code;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"empty name", "", 100, 0, QB_ERR_BAD_PARAM, "Bad param"},
        {"null name", nullptr, 100, 0, QB_ERR_BAD_PARAM, "Bad param"},
        {"size 0", good.c_str(), 0, 0, QB_ERR_BAD_PARAM, "Bad param"},
        {"mode 2", good.c_str(), 100, 2, QB_ERR_BAD_PARAM, "Bad param"},
        {"open without file", "/nonexistent-qb/none-such-region.dat", 100, 1, QB_ERR_UNEXPECTED,
         "can't open sharedData"},
        // Mapping past the end of the file would fault on first access.
        {"open a file shorter than the region", tiny.c_str(), 100, 1, QB_ERR_UNEXPECTED, "mmap file failed"},
        {"create in a folder that cannot exist", "/nonexistent-qb/none-such-region.dat", 100, 0, QB_ERR_UNEXPECTED,
         "create file failed and read execute file path shard data failed too"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        GetQuentaException()->Clear();
        CShardMemStream* stream = new CShardMemStream(c.name, c.size, static_cast<QuentaBased::SharedMemMode>(c.mode));
        ExpectRecorded(c.code, c.message);
        char byte = 0;
        EXPECT_EQ(kFail, stream->Write("a", 1));
        EXPECT_EQ(kFail, stream->Read(&byte, 1));
        EXPECT_EQ(-1, stream->SetPosition(0));
        EXPECT_EQ(-1, stream->Seek(0, soFromBeginning));
        EXPECT_EQ(nullptr, stream->GetPointer(1));
        EXPECT_EQ(nullptr, stream->MallocMem(0));
        stream->Free();
    }
    EXPECT_EQ(-1, FileSize(good));
    EXPECT_EQ(10, FileSize(tiny));
}

TEST_F(ShardMemTest, TransfersPositionsAndPointers)
{
    CShardMemStream* stream = new CShardMemStream(Path("t.dat").c_str(), 64, QuentaBased::smCreate);
    std::string data(64, '\0');
    for (int i = 0; i < 64; ++i)
        data[i] = static_cast<char>('A' + i % 26);
    EXPECT_EQ(64u, stream->Write(data.data(), 64));
    EXPECT_TRUE(stream->Eof());
    GetQuentaException()->Clear();
    EXPECT_EQ(kFail, stream->Write("x", 1));
    EXPECT_EQ(kFail, stream->Write("x", 0));
    EXPECT_EQ(0, GetQuentaException()->GetExceptionCode()); // range refusals record nothing

    struct SeekCase
    {
        long long offset;
        int origin;
        long long result; // -1: refused
        int code;
        const char* message;
    };
    const std::vector<SeekCase> seeks = {
        {0, 2, 64, 0, ""},
        {1, 2, -1, QB_ERR_END_OF_DATA, "Position can't large than end"},
        {-4, 2, 60, 0, ""},
        {-10, 1, 50, 0, ""},
        {-51, 1, -1, QB_ERR_END_OF_DATA, "Position can't large than end"},
        {-1, 0, -1, QB_ERR_END_OF_DATA, "Position can't large than end"},
        // Would land on 5 if the target were cut to 32 bits.
        {(1LL << 32) + 5, 0, -1, QB_ERR_END_OF_DATA, "Position can't large than end"},
        {(1LL << 32) - 45, 1, -1, QB_ERR_END_OF_DATA, "Position can't large than end"},
        // Sums past the 64-bit range are refused, not wrapped.
        {LLONG_MAX, 1, -1, QB_ERR_END_OF_DATA, "Position can't large than end"},
        {LLONG_MAX, 2, -1, QB_ERR_END_OF_DATA, "Position can't large than end"},
        {LLONG_MIN, 1, -1, QB_ERR_END_OF_DATA, "Position can't large than end"},
        {7, 3, -1, QB_ERR_UNEXPECTED, "Unexpected error"}, // no such origin
        {10, 0, 10, 0, ""},
    };
    for (const SeekCase& s : seeks) {
        SCOPED_TRACE(testing::Message() << s.offset << " from " << s.origin);
        GetQuentaException()->Clear();
        const long long before = stream->GetPosition();
        EXPECT_EQ(s.result, stream->Seek(s.offset, static_cast<QuentaBased::SeekOrigin>(s.origin)));
        EXPECT_EQ(s.result < 0 ? before : s.result, stream->GetPosition());
        ExpectRecorded(s.code, s.message);
    }

    char out[8] = {};
    EXPECT_EQ(4u, stream->Read(out, 4));
    EXPECT_EQ("KLMN", std::string(out, 4));
    EXPECT_EQ(14, stream->GetPosition());
    EXPECT_EQ(kFail, stream->Read(out, 51)); // all or nothing
    EXPECT_EQ(14, stream->GetPosition());
    EXPECT_EQ(kFail, stream->Read(nullptr, 1));
    ExpectRecorded(QB_ERR_BAD_POINTER, "Bad pointer");

    EXPECT_EQ(-1, stream->SetPosition(65));
    EXPECT_EQ(-1, stream->SetPosition(-1));
    EXPECT_EQ(0, stream->SetPosition(0));
    char* first = static_cast<char*>(stream->MallocMem(16));
    char* second = static_cast<char*>(stream->GetPointer(16));
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(first + 16, second);
    EXPECT_EQ('A', first[0]);
    EXPECT_EQ(32, stream->GetPosition());
    EXPECT_EQ(nullptr, stream->MallocMem(33));
    EXPECT_EQ(nullptr, stream->GetPointer(0xFFFFFFFFu)); // no wrap-around either
    EXPECT_EQ(32, stream->GetPosition());
    EXPECT_NE(nullptr, stream->MallocMem(32));
    EXPECT_TRUE(stream->Eof());

    EXPECT_FALSE(stream->SetSize(10));
    EXPECT_FALSE(stream->IsStream());
    EXPECT_EQ(0, stream->CopyFrom(stream, 4));
    ExpectRecorded(QB_ERR_UNEXPECTED, "CShardMemStream::CopyFrom not implement");
    stream->Free();
    EXPECT_EQ(0, GetQuentaException()->GetExceptionCode());
}

TEST_F(ShardMemTest, ProcessesShareTheRegion)
{
    const std::string path = Path("job.dat");
    CShardMemStream* creator = new CShardMemStream(path.c_str(), 256, QuentaBased::smCreate);
    ASSERT_EQ(0, GetQuentaException()->GetExceptionCode());
    ASSERT_EQ(5u, creator->Write("hello", 5));

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        CShardMemStream opener(path.c_str(), 256, QuentaBased::smOpen);
        char got[5] = {};
        int status = opener.Read(got, 5) == 5 && std::memcmp(got, "hello", 5) == 0 ? 0 : 1;
        if (opener.Seek(100, soFromBeginning) != 100 || opener.Write("world", 5) != 5)
            status = 2;
        if (opener.DeleteSharedFile()) // the opening side does not know the file
            status = 3;
        _exit(status);
    }
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(0, WEXITSTATUS(status));

    char got[5] = {};
    EXPECT_EQ(100, creator->Seek(100, soFromBeginning));
    EXPECT_EQ(5u, creator->Read(got, 5));
    EXPECT_EQ("world", std::string(got, 5));
    EXPECT_TRUE(creator->DeleteSharedFile());
    EXPECT_EQ(-1, FileSize(path));
    creator->Free();
}

TEST_F(ShardMemTest, ProgramFolderFileServesWhenTheNameCannotBeCreated)
{
    const std::string fallback = ProgramFolder() + "qbshm_fallback_region.dat";
    WriteFile(fallback, 512, 'p');
    // A file that can never be created there (even with every permission).
    const std::string name = "/proc/qbshm_fallback_region.dat";

    CShardMemStream* stream = new CShardMemStream(name.c_str(), 200, QuentaBased::smCreate);
    EXPECT_EQ(0, GetQuentaException()->GetExceptionCode()) << GetQuentaException()->GetExceptionMsg();
    char byte = 0;
    EXPECT_EQ(1u, stream->Read(&byte, 1));
    EXPECT_EQ('p', byte);
    stream->Free();
    EXPECT_EQ(512, FileSize(fallback)); // used unchanged

    // Too short for the region: refused rather than mapped past its end.
    stream = new CShardMemStream(name.c_str(), 4096, QuentaBased::smCreate);
    ExpectRecorded(QB_ERR_UNEXPECTED, "mmap file failed");
    EXPECT_EQ(kFail, stream->Read(&byte, 1));
    stream->Free();

    stream = new CShardMemStream(name.c_str(), 512, QuentaBased::smOpen);
    EXPECT_EQ(0, GetQuentaException()->GetExceptionCode());
    EXPECT_EQ(1u, stream->Read(&byte, 1));
    stream->Free();
    unlink(fallback.c_str());
}
