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
#include <vector>

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
    struct Case
    {
        unsigned short mode;
        int accmode;
    };
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
    struct ReadCase
    {
        unsigned int count;
    };
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

    struct TruncCase
    {
        long long at;
        long long size;
    };
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

namespace {

// Random parts handed out in turn, so a test can put a user's file under
// the very name the next working file would get.
std::vector<std::string> g_parts;
size_t g_nextPart = 0;
std::string NextPart()
{
    return g_nextPart < g_parts.size() ? g_parts[g_nextPart++] : "zzzzzzzz";
}

} // namespace

TEST_F(FileFunctions, WorkingNamesKeepTheExtensionLastAndNeverTakeAUsersName)
{
    const struct
    {
        const char* name;
        const char* working;
    } names[] = {
        {"film.mp4", "film.part-aaaa1111.mp4"},
        {"film", "film.part-aaaa1111"},
        {"film.2024.mkv", "film.2024.part-aaaa1111.mkv"},
    };
    for (const auto& n : names) {
        g_parts = {"aaaa1111"};
        g_nextPart = 0;
        const made_entry made = create_working_file(Path(n.name), NextPart);
        EXPECT_EQ(made.path, Path(n.working));
        EXPECT_EQ(SizeOf(n.working), 0);
        EXPECT_TRUE(is_made_entry(made, false));
        EXPECT_TRUE(remove_made_file(made));
        EXPECT_EQ(SizeOf(n.working), -1);
    }

    // The exact working name is the user's already, as a file, a link to a
    // file, a folder and a link to nowhere: each is left as it is and the
    // next name taken.
    Put("mine.txt", "the user's\n");
    Put("out.part-taken001.mp4", "the user's\n");
    ASSERT_EQ(::symlink(Path("mine.txt").c_str(), Path("out.part-taken002.mp4").c_str()), 0);
    ASSERT_EQ(::mkdir(Path("out.part-taken003.mp4").c_str(), 0700), 0);
    ASSERT_EQ(::symlink(Path("nowhere").c_str(), Path("out.part-taken004.mp4").c_str()), 0);
    g_parts = {"taken001", "taken002", "taken003", "taken004", "free0005"};
    g_nextPart = 0;
    const made_entry made = create_working_file(Path("out.mp4"), NextPart);
    EXPECT_EQ(made.path, Path("out.part-free0005.mp4"));
    EXPECT_EQ(Get("out.part-taken001.mp4"), "the user's\n");
    EXPECT_EQ(Get("mine.txt"), "the user's\n");
    EXPECT_EQ(SizeOf("nowhere"), -1) << "a dangling link is not followed to make a file";
    struct stat st;
    EXPECT_EQ(::lstat(Path("out.part-taken004.mp4").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));

    // No name free at all: a failure with the reason, nothing touched.
    g_parts = std::vector<std::string>(200, "taken001");
    g_nextPart = 0;
    EXPECT_THROW(create_working_file(Path("out.mp4"), NextPart), CBaseException);
    EXPECT_EQ(Get("out.part-taken001.mp4"), "the user's\n");
}

// A noted working file is known by whoever keeps the note before it can be
// seen under its name: a process killed between the two leaves nothing
// unnoted behind. A taken name is noted, found taken and left alone, and the
// next one noted; a refusing note leaves no file.
TEST_F(FileFunctions, AWorkingFileIsNotedBeforeItsNameAppears)
{
    Put("out.part-taken001.mp4", "the user's\n");
    g_parts = {"taken001", "free0002"};
    g_nextPart = 0;
    std::vector<made_entry> notes;
    std::vector<bool> seenWhenNoted;
    const made_entry made = create_working_file(Path("out.mp4"), NextPart, [&](const made_entry& entry) {
        notes.push_back(entry);
        seenWhenNoted.push_back(is_made_entry(entry, false));
    });
    EXPECT_EQ(made.path, Path("out.part-free0002.mp4"));
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0].path, Path("out.part-taken001.mp4"));
    EXPECT_FALSE(is_made_entry(notes[0], false)) << "the user's file is not what was noted";
    EXPECT_EQ(notes[1].path, made.path);
    EXPECT_EQ(notes[1].device, made.device);
    EXPECT_EQ(notes[1].inode, made.inode);
    EXPECT_FALSE(seenWhenNoted[1]) << "noted before it appeared under its name";
    EXPECT_TRUE(is_made_entry(made, false));
    EXPECT_EQ(SizeOf("out.part-free0002.mp4"), 0);
    EXPECT_EQ(Get("out.part-taken001.mp4"), "the user's\n");
    EXPECT_TRUE(remove_made_file(made));

    // A note that refuses: no file under any name.
    g_parts = {"refused3"};
    g_nextPart = 0;
    EXPECT_THROW(create_working_file(Path("out.mp4"), NextPart,
                                     [](const made_entry&) { throw CBaseException(1, "no room", __LINE__, "test"); }),
                 CBaseException);
    EXPECT_EQ(SizeOf("out.part-refused3.mp4"), -1);
}

TEST_F(FileFunctions, WhatWasMadeIsRemovedOnlyWhileItIsStillWhatWasMade)
{
    enum Then {
        Untouched,      // still the file or folder made: removed
        ReplacedByFile, // a user's file took the name: stays
        ReplacedByLink, // a link to a user's folder took the name: stays, and what it leads to
        RenamedAway,    // put in place under its final name: nothing under the name, the output stays
    };
    struct Case
    {
        const char* name;
        bool folder;
        Then then;
        bool removed;
    };
    const Case cases[] = {
        {"file untouched", false, Untouched, true},
        {"file replaced by a user's file", false, ReplacedByFile, false},
        {"file replaced by a link", false, ReplacedByLink, false},
        {"file renamed into place", false, RenamedAway, false},
        {"folder untouched", true, Untouched, true},
        {"folder replaced by a user's folder", true, ReplacedByFile, false},
        {"folder replaced by a link to a user's folder", true, ReplacedByLink, false},
        {"folder renamed into place", true, RenamedAway, false},
    };
    ASSERT_EQ(::mkdir(Path("users").c_str(), 0700), 0);
    Put("users/keep.txt", "the user's\n");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string base = Path(std::string("x") + std::to_string(&c - cases));
        const made_entry made = c.folder ? create_working_folder(base) : create_working_file(base + ".mp4");
        if (c.folder) {
            // What the job wrote inside, and a link to the user's folder.
            std::ofstream(made.path + "/written") << "ours";
            ASSERT_EQ(::mkdir((made.path + "/sub").c_str(), 0700), 0);
            ASSERT_EQ(::symlink(Path("users").c_str(), (made.path + "/sub/link").c_str()), 0);
        }
        const std::string finalName = base + ".final";
        switch (c.then) {
        case Untouched: break;
        case ReplacedByFile: {
            // Made before the working one goes, as a user's file is.
            const std::string theirs = base + ".theirs";
            if (c.folder) {
                ASSERT_EQ(::mkdir(theirs.c_str(), 0700), 0);
                std::ofstream(theirs + "/users-own") << "the user's\n";
            } else {
                std::ofstream(theirs) << "the user's\n";
            }
            ASSERT_EQ(std::system(("rm -rf '" + made.path + "'").c_str()), 0);
            ASSERT_EQ(::rename(theirs.c_str(), made.path.c_str()), 0);
            break;
        }
        case ReplacedByLink:
            ASSERT_EQ(std::system(("rm -rf '" + made.path + "'").c_str()), 0);
            ASSERT_EQ(::symlink(Path(c.folder ? "users" : "users/keep.txt").c_str(), made.path.c_str()), 0);
            break;
        case RenamedAway: ASSERT_EQ(::rename(made.path.c_str(), finalName.c_str()), 0); break;
        }
        const bool removed = c.folder ? remove_made_folder(made) : remove_made_file(made);
        EXPECT_EQ(removed, c.removed);
        struct stat st;
        EXPECT_EQ(::lstat(made.path.c_str(), &st) == 0, c.then == ReplacedByFile || c.then == ReplacedByLink);
        if (c.then == RenamedAway) {
            EXPECT_EQ(::lstat(finalName.c_str(), &st), 0);
        }
        if (c.then == ReplacedByFile) {
            EXPECT_EQ(Get(made.path.substr(Path("").size()) + (c.folder ? "/users-own" : "")), "the user's\n");
        }
        EXPECT_EQ(Get("users/keep.txt"), "the user's\n") << "nothing is followed into the user's folder";
    }
}
