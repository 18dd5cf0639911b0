#include "sysutils.h"
#include "Basilvo/Basilvo.h"
#include "CBaseException.h"
#include "ScratchFiles.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace QuentaBased;

// While set, the position query of every descriptor fails, as it can for a
// descriptor the system cannot place (this test's own stand-in for lseek).
static bool g_failPositionQuery = false;

extern "C" off_t lseek(int fd, off_t offset, int whence) noexcept
{
    if (g_failPositionQuery && whence == SEEK_CUR) {
        errno = EOVERFLOW;
        return -1;
    }
    return static_cast<off_t>(::syscall(SYS_lseek, fd, offset, whence));
}

namespace {

using QuentaTest::Code;
using QuentaTest::Msg;

std::string SysTail(int err)
{
    return std::string(": errno: ") + std::to_string(err) + " " + std::strerror(err);
}

class FileFunctions : public QuentaTest::ScratchFolder
{
protected:
    FileFunctions() : ScratchFolder("fc_file_") {}

    long long SizeOf(const std::string& name) const
    {
        struct stat st;
        return ::stat(Path(name).c_str(), &st) == 0 ? st.st_size : -1;
    }
};

} // namespace

TEST_F(FileFunctions, OpenModes)
{
    Put("f", "old content");
    struct Case { unsigned short mode; int accmode; };
    const Case cases[] = {{0, O_RDONLY}, {0x20, O_RDONLY}, {0x21, O_WRONLY}, {2, O_RDWR}, {0xFFFF, O_RDWR}};
    for (const Case& c : cases) {
        const int fd = file_open(Path("f"), c.mode);
        ASSERT_GE(fd, 0) << c.mode;
        EXPECT_EQ(c.accmode, fcntl(fd, F_GETFL) & O_ACCMODE) << c.mode;
        file_close(fd);
    }
    EXPECT_EQ(0, SizeOf("f")) << "0xFFFF empties an existing file";

    const unsigned short badModes[] = {3, 0x0007};
    for (unsigned short mode : badModes) {
        EXPECT_EQ(-1, file_open(Path("f"), mode));
        EXPECT_EQ(QB_ERR_BAD_PARAM, Code());
        EXPECT_EQ("file_open error: bad access mode, filename = " + Path("f"), Msg());
    }
    EXPECT_EQ(-1, file_open("", 0xFFFF));
    EXPECT_EQ(QB_ERR_BAD_PARAM, Code());
    EXPECT_EQ("filename can't be empty", Msg());
}

TEST_F(FileFunctions, OpenFailureMessageAndClearOnSuccess)
{
    // Longer than any fixed formatting buffer: the name must survive whole.
    const std::string missing = Path(std::string(300, 'm'));
    EXPECT_EQ(-1, file_open(missing, 0));
    EXPECT_EQ(QB_ERR_FILE_IO, Code());
    EXPECT_EQ("file_open error, filename = " + missing + SysTail(ENAMETOOLONG), Msg());

    const std::string absent = Path("absent");
    EXPECT_EQ(-1, file_open(absent, 0));
    EXPECT_EQ("file_open error, filename = " + absent + SysTail(ENOENT), Msg());
    EXPECT_FALSE(file_exists(absent.c_str())) << "opening for writing must not create";
    EXPECT_EQ(-1, file_open(absent, 0x21));
    EXPECT_FALSE(file_exists(absent.c_str()));

    Put("present", "x");
    EXPECT_EQ(-1, file_open(absent, 0));
    const int fd = file_open(Path("present"), 0);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(0, Code()) << "a successful open clears the record";
    file_close(fd);

    EXPECT_EQ(-1, file_create(Path("no/such/dir")));
    EXPECT_EQ(QB_ERR_FILE_IO, Code());
    EXPECT_EQ("file_create error, filename is " + Path("no/such/dir") + SysTail(ENOENT), Msg());
}

TEST_F(FileFunctions, ReadWriteSeekAndTruncate)
{
    const int fd = file_create(Path("data"));
    ASSERT_GE(fd, 0);
    EXPECT_EQ(0, file_write(fd, "", 0));
    EXPECT_EQ(0, Code()) << "writing nothing records nothing";
    EXPECT_EQ(5, file_write(fd, "hello", 5));
    EXPECT_EQ(5, file_seek(fd, 0, 2));
    EXPECT_EQ(1, file_seek(fd, 1, 0));

    char buf[16] = {};
    EXPECT_EQ(4, file_read(fd, buf, sizeof(buf)));
    EXPECT_STREQ("ello", buf);
    struct ReadCase { unsigned int count; };
    for (unsigned int count : {16u, 0u}) {
        GetQuentaException()->Clear();
        EXPECT_EQ(-1, file_read(fd, buf, count));
        EXPECT_EQ(QB_ERR_END_OF_DATA, Code());
        EXPECT_EQ("End of file", Msg());
    }
    EXPECT_EQ(-1, file_read(fd, nullptr, 1));
    EXPECT_EQ(QB_ERR_BAD_POINTER, Code());
    EXPECT_EQ(-1, file_write(fd, nullptr, 1));
    EXPECT_EQ("Bad pointer", Msg());

    EXPECT_EQ(-1, file_seek(fd, -1, 0));
    EXPECT_EQ("file_seek error" + SysTail(EINVAL), Msg());

    struct TruncCase { long long at; long long size; };
    for (const TruncCase& c : {TruncCase{3, 3}, TruncCase{200, 200}}) {
        ASSERT_EQ(c.at, file_seek(fd, c.at, 0));
        EXPECT_TRUE(file_set_current_end(fd));
        EXPECT_EQ(c.size, SizeOf("data"));
    }
    // A failed position query fails the call and leaves the file alone
    // (it used to cut the file to nothing).
    g_failPositionQuery = true;
    EXPECT_FALSE(file_set_current_end(fd));
    g_failPositionQuery = false;
    EXPECT_EQ("file_set_current_end" + SysTail(EOVERFLOW), Msg());
    EXPECT_EQ(200, SizeOf("data"));
    file_close(fd);
    EXPECT_EQ(0, Code());
    EXPECT_EQ("", GetLastQuentaExpAsText()) << "file_close clears";

    EXPECT_EQ(-1, file_read(fd, buf, 1));
    EXPECT_EQ("file_read error" + SysTail(EBADF), Msg());
    EXPECT_EQ(-1, file_write(fd, "x", 1));
    EXPECT_EQ("file_write error" + SysTail(EBADF), Msg());
    EXPECT_FALSE(file_set_current_end(fd));
    EXPECT_EQ("file_set_current_end" + SysTail(EBADF), Msg());
    file_close(fd);
    EXPECT_EQ("file_close error" + SysTail(EBADF), Msg());
}

TEST_F(FileFunctions, DeleteMoveAndExists)
{
    Put("a", "A");
    Put("b", "B");
    EXPECT_TRUE(move_file(Path("a"), Path("b")));
    EXPECT_EQ("A", Get("b")) << "the target is replaced";
    EXPECT_FALSE(move_file(Path("a"), Path("c")));
    EXPECT_EQ(QB_ERR_FILE_IO, Code());
    EXPECT_EQ("move_file error, filename = " + Path("a") + SysTail(ENOENT), Msg());

    EXPECT_TRUE(file_exists(m_dir.c_str())) << "a folder counts";
    EXPECT_EQ(0, Code());
    EXPECT_FALSE(file_delete(m_dir));
    EXPECT_EQ(QB_ERR_FILE_IO, Code());
    EXPECT_EQ(0u, Msg().find("file_delete error, filename = " + m_dir + ": errno: "));
    EXPECT_TRUE(file_delete(Path("b")));
    EXPECT_EQ(0, Code());

    const std::string longMissing = Path(std::string(400, 'q'));
    EXPECT_FALSE(file_exists(longMissing.c_str()));
    EXPECT_EQ(QB_ERR_UNEXPECTED, Code());
    EXPECT_EQ("file_exist: Can't stat the file, path = " + longMissing, Msg());
    EXPECT_FALSE(file_exists(nullptr));
    EXPECT_EQ(QB_ERR_BAD_POINTER, Code());
}

TEST(ErrorTexts, LastErrorAndFormattedError)
{
    GetQuentaException()->SetException(10021013, "file_read error", 42, "/src/dir/sysutils.cpp");
    EXPECT_EQ("[!!! Exception Code: 10021013\nMsg: file_read error\nFile: /src/dir/sysutils.cpp\nLine: 42 !!!]",
              GetLastQuentaExpAsText());
    GetQuentaException()->Clear();
    EXPECT_EQ("", GetLastQuentaExpAsText());

    const CBaseException e(5, "boom", 7, "/nowhere/deep/streams.cpp");
    EXPECT_EQ("streams.cpp:7 boom", FormatQuentaExp(e, "%s:%d %s"));
}

TEST_F(FileFunctions, WritingOpensRefuseWhatIsNoRegularFileAtOnce)
{
    const std::string fifo = Path("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(::mkdir(Path("folder").c_str(), 0700), 0);
    for (const std::string& path : {fifo, Path("folder"), std::string("/dev/null")}) {
        SCOPED_TRACE(path);
        // Each would block, or write where no file is; none may.
        EXPECT_EQ(file_create(path), -1);
        EXPECT_EQ(file_open(path, 1), -1);
        EXPECT_EQ(file_open(path, 2), -1);
        EXPECT_NE(std::string(Msg()).find(path), std::string::npos) << Msg();
    }
    const int fd = file_open("/dev/null", 0);
    EXPECT_GE(fd, 0) << "reading is not refused";
    file_close(fd);
}

TEST_F(FileFunctions, StagedNamesKeepTheExtensionLastAndAreRemovedByTheirWriter)
{
    const struct
    {
        const char* path;
        const char* staged;
    } names[] = {
        {"/v/film.mp4", "/v/film.part-42.mp4"},
        {"/v/film", "/v/film.part-42"},
        {"/v.d/film", "/v.d/film.part-42"},
        {"/v/film.2024.mkv", "/v/film.2024.part-42.mkv"},
        {"film.avi", "film.part-42.avi"},
    };
    for (const auto& n : names)
        EXPECT_EQ(staged_file_name(n.path, 42), n.staged) << n.path;

    const std::string out = Path("out.mp4");
    for (const char* name : {"out.part-42.mp4", "out(0).part-42.mp4", "out(1).part-42.mp4", "out.part-43.mp4",
                             "out.mp4", "other.part-42.mp4", "out.part-42.mkv"})
        Put(name, "x");
    ASSERT_EQ(::mkdir(Path("out(2).part-42.mp4").c_str(), 0700), 0);
    EXPECT_EQ(remove_staged_files(out, 42), 3);
    for (const char* gone : {"out.part-42.mp4", "out(0).part-42.mp4", "out(1).part-42.mp4"})
        EXPECT_EQ(SizeOf(gone), -1) << gone;
    for (const char* kept : {"out.part-43.mp4", "out.mp4", "other.part-42.mp4", "out.part-42.mkv"})
        EXPECT_EQ(SizeOf(kept), 1) << kept;
    struct stat st;
    EXPECT_EQ(::stat(Path("out(2).part-42.mp4").c_str(), &st), 0) << "only files go";
}
