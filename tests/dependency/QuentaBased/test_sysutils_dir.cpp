#include "sysutils.h"
#include "Basilvo/Basilvo.h"
#include "CBaseException.h"
#include "ScratchFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <set>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace QuentaBased;

namespace {

using QuentaTest::Code;
using QuentaTest::Msg;

bool Exists(const std::string& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

class Directories : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/fc_dir_XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        char* real = realpath(tmpl, nullptr);
        m_dir = real;
        std::free(real);
        GetQuentaException()->Clear();
    }
    void TearDown() override
    {
        std::system(("chmod -R u+w '" + m_dir + "' 2>/dev/null; rm -rf '" + m_dir + "'").c_str());
    }

    std::string P(const std::string& rel) const { return m_dir + "/" + rel; }
    void Touch(const std::string& rel) const { std::ofstream(P(rel)) << "x"; }
    void Dir(const std::string& rel) const { ASSERT_EQ(0, ::mkdir(P(rel).c_str(), 0777)); }

    // Runs find_first and returns the thrown code and message.
    std::pair<int, std::string> FindFailure(const std::string& folder, const char* pattern)
    {
        try {
            find_data* h = find_first(folder.c_str(), pattern);
            find_close(h);
        } catch (const CBaseException& e) {
            return {e.GetCode(), e.GetMsg()};
        }
        return {0, ""};
    }

    std::string m_dir;
};

} // namespace

TEST_F(Directories, ListingMatchesPatternsAndNeverYieldsDots)
{
    Touch("clip.mts");
    Touch("other.MOV");
    Touch("notes.txt");
    Dir("sub");

    struct Case
    {
        const char* pattern;
        std::set<std::string> names;
    };
    const Case cases[] = {
        {"*", {"clip.mts", "other.MOV", "notes.txt", "sub"}},
        {"*.MTS", {"clip.mts"}},
        {"*.mov", {"other.MOV"}},
        {"s?b", {"sub"}},
    };
    for (const Case& c : cases) {
        std::set<std::string> seen;
        find_data* h = find_first(m_dir.c_str(), c.pattern);
        ASSERT_NE(nullptr, h);
        EXPECT_EQ(m_dir + "/", h->folder);
        do {
            const std::string path = find_get_path(h);
            const std::string name = path.substr(m_dir.size() + 1);
            EXPECT_EQ(name == "sub", find_is_folder(h)) << name;
            seen.insert(name);
        } while (find_next(h));
        EXPECT_EQ(QB_ERR_UNEXPECTED, Code());
        EXPECT_EQ(0u, Msg().find("find_next error: errno: "));
        EXPECT_FALSE(find_next(h)) << "the end stays the end";
        find_close(h);
        EXPECT_EQ(c.names, seen) << c.pattern;
    }
    find_close(nullptr);
    EXPECT_FALSE(find_next(nullptr));
    EXPECT_EQ(QB_ERR_BAD_POINTER, Code());
}

TEST_F(Directories, ListingFailures)
{
    Dir("empty");
    Touch("file");
    struct Case
    {
        std::string folder;
        const char* pattern;
        int code;
        std::string msgStart;
    };
    const Case cases[] = {
        {P("empty"), "*", QB_ERR_NOT_FOUND, "No file can be found, path = " + P("empty") + "/"},
        {m_dir, "*.none", QB_ERR_UNEXPECTED, "No file can be found, path = " + m_dir + "/: errno: "},
        {P("missing"), "*", QB_ERR_UNEXPECTED, "No file can be found, path = " + P("missing") + "/: errno: 2 "},
        {P("file/inner"), "*", QB_ERR_UNEXPECTED, "Can't expand path, path = " + P("file/inner")},
    };
    for (const Case& c : cases) {
        const auto failure = FindFailure(c.folder, c.pattern);
        EXPECT_EQ(c.code, failure.first) << c.folder;
        EXPECT_EQ(0u, failure.second.find(c.msgStart)) << failure.second;
    }
    EXPECT_EQ("No file can be found, path = " + P("empty") + "/", FindFailure(P("empty"), "*").second);
    EXPECT_EQ(QB_ERR_BAD_POINTER, FindFailure(m_dir, nullptr).first);
    EXPECT_EQ("File path or pattern can't not be null", FindFailure(m_dir, nullptr).second);
}

TEST_F(Directories, DirExists)
{
    Touch("file");
    ASSERT_EQ(0, symlink(m_dir.c_str(), P("link").c_str()));
    GetQuentaException()->SetException(1, "stale", 1, "x");
    EXPECT_TRUE(dir_exists(m_dir.c_str()));
    EXPECT_EQ(0, Code()) << "cleared before the work";
    EXPECT_TRUE(dir_exists(P("link").c_str()));

    struct Case
    {
        std::string path;
        std::string msg;
    };
    const Case cases[] = {
        {P("file"), "dir_exist: It's not a directory, dir = " + P("file")},
        {P("missing"), "dir_exist: Can't stat the directory, dir = " + P("missing")},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(dir_exists(c.path.c_str()));
        EXPECT_EQ(QB_ERR_UNEXPECTED, Code());
        EXPECT_EQ(c.msg, Msg());
    }
    EXPECT_FALSE(dir_exists(nullptr));
    EXPECT_EQ(QB_ERR_BAD_POINTER, Code());
}

TEST_F(Directories, MakeDir)
{
    make_dir(m_dir.c_str());
    make_dir("");

    char* cwd = getcwd(nullptr, 0);
    ASSERT_EQ(0, chdir(m_dir.c_str()));
    make_dir("a/b/c");
    ASSERT_EQ(0, chdir(cwd));
    std::free(cwd);
    EXPECT_TRUE(dir_exists(P("a/b/c").c_str()));

    make_dir(P("x//y/./z/").c_str());
    EXPECT_TRUE(dir_exists(P("x/y/z").c_str()));
    make_dir(P("back\\slash").c_str());
    EXPECT_TRUE(dir_exists(P("back\\slash").c_str())) << "a backslash belongs to the folder name";
    EXPECT_FALSE(Exists(P("back")));

    Touch("a/file");
    const std::string blocked = P("a/file/deeper");
    try {
        make_dir(blocked.c_str());
        FAIL() << "a file in the way must throw";
    } catch (const CBaseException& e) {
        EXPECT_EQ(QB_ERR_UNEXPECTED, e.GetCode());
        EXPECT_EQ("Can't create directory, DirName = " + blocked, std::string(e.GetMsg()));
    }
    try {
        make_dir(nullptr);
        FAIL();
    } catch (const CBaseException& e) {
        EXPECT_EQ(QB_ERR_BAD_POINTER, e.GetCode());
    }
}

TEST_F(Directories, DeleteTreesFilesAndMissingPaths)
{
    Dir("tree");
    Dir("tree/empty");
    Dir("tree/full");
    Dir("tree/full/deeper");
    Touch("tree/a");
    Touch("tree/full/b");
    Touch("tree/full/deeper/c");
    delete_dir(P("tree").c_str());
    EXPECT_FALSE(Exists(P("tree")));

    Touch("single");
    delete_dir(P("single").c_str());
    EXPECT_FALSE(Exists(P("single")));

    Dir("empty");
    delete_dir(P("empty").c_str());
    EXPECT_FALSE(Exists(P("empty")));

    delete_dir(P("missing").c_str());
    EXPECT_EQ(QB_ERR_UNEXPECTED, Code());
    EXPECT_EQ("file_exist: Can't stat the file, path = " + P("missing"), Msg());

    delete_dir(nullptr);
    EXPECT_EQ(QB_ERR_BAD_POINTER, Code());
}

TEST_F(Directories, DeleteNeverFollowsLinksOutOfTheTree)
{
    Dir("outside");
    Touch("outside/precious");
    Dir("tree");
    Touch("tree/own");
    ASSERT_EQ(0, symlink(P("outside").c_str(), P("tree/link").c_str()));
    ASSERT_EQ(0, symlink(P("outside/precious").c_str(), P("tree/filelink").c_str()));
    delete_dir(P("tree").c_str());
    EXPECT_FALSE(Exists(P("tree")));
    EXPECT_TRUE(Exists(P("outside/precious")));

    // Handed a link itself, only the link goes.
    ASSERT_EQ(0, symlink(P("outside").c_str(), P("toplink").c_str()));
    delete_dir(P("toplink").c_str());
    EXPECT_FALSE(Exists(P("toplink")));
    EXPECT_TRUE(Exists(P("outside/precious")));
}

// Runs `body` in a child process and returns its exit code (-1 when it did
// not exit normally). Used where the work must happen under another root or
// another user, so that nothing outside the test folder is ever at risk.
template <class Body> int InChild(Body body)
{
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(body());
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

TEST_F(Directories, DeleteKeepsFolderThatCannotBeEmptied)
{
    // A sub-folder without write permission keeps its file; the super-user
    // ignores permissions, so the deletion then runs as an ordinary user.
    Dir("tree");
    Dir("tree/locked");
    Touch("tree/locked/kept");
    const std::string tree = P("tree");
    const bool asRoot = ::geteuid() == 0;
    if (asRoot)
        ASSERT_EQ(0, std::system(("chown -R 65534:65534 '" + m_dir + "'").c_str()));
    ASSERT_EQ(0, ::chmod(P("tree/locked").c_str(), 0555));

    auto attempt = [&]() {
        if (asRoot && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            return 2;
        GetQuentaException()->Clear();
        delete_dir(tree.c_str());
        if (Code() != QB_ERR_UNEXPECTED || Msg() != "War: Remove " + tree + " folder is failed")
            return 3;
        return 0;
    };
    EXPECT_EQ(0, asRoot ? InChild(attempt) : attempt());
    EXPECT_TRUE(Exists(P("tree/locked/kept")));
}

TEST_F(Directories, EmptyOrRootPathIsRefused)
{
    // An empty path used to resolve to "/".
    const auto failure = FindFailure("", "*");
    EXPECT_EQ(QB_ERR_BAD_PARAM, failure.first);
    EXPECT_EQ("find_first: empty path", failure.second);

    if (::geteuid() != 0)
        GTEST_SKIP() << "the deletion is tried under a root of its own, which needs the super-user";
    // The child's root is the test folder, so even a broken guard could only
    // remove the test's own marker.
    Dir("jail");
    Touch("jail/marker");
    const std::string jail = P("jail");
    struct Case
    {
        const char* path;
        const char* msg;
    };
    const Case cases[] = {
        {"", "delete_dir: empty path"},
        {"/", "delete_dir: refusing to delete the root folder, path = /"},
        {"//.", "delete_dir: refusing to delete the root folder, path = //."},
    };
    for (const Case& c : cases) {
        const int result = InChild([&]() {
            if (::chroot(jail.c_str()) != 0 || ::chdir("/") != 0)
                return 2;
            GetQuentaException()->Clear();
            delete_dir(c.path);
            if (Code() != QB_ERR_BAD_PARAM || Msg() != c.msg)
                return 3;
            return 0;
        });
        EXPECT_EQ(0, result) << "path \"" << c.path << "\"";
        EXPECT_TRUE(Exists(P("jail/marker"))) << "path \"" << c.path << "\"";
    }
}
