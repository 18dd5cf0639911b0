#include "sysutils.h"
#include "Basilvo/Basilvo.h"
#include "CBaseException.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

using namespace QuentaBased;

namespace {

class PathFunctions : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/fc_path_XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        char* real = realpath(tmpl, nullptr);
        m_dir = real;
        std::free(real);
        ASSERT_EQ(0, mkdir((m_dir + "/sub").c_str(), 0777));
        std::ofstream(m_dir + "/sub/file.txt") << "x";
        ASSERT_EQ(0, symlink((m_dir + "/sub/file.txt").c_str(), (m_dir + "/link").c_str()));
        GetQuentaException()->Clear();
    }
    void TearDown() override { std::system(("rm -rf '" + m_dir + "'").c_str()); }

    std::string m_dir;
};

std::string ExpandMessage(const std::string& path)
{
    try {
        expand_path(path.c_str());
    } catch (const CBaseException& e) {
        EXPECT_EQ(QB_ERR_UNEXPECTED, e.GetCode());
        return e.GetMsg();
    }
    return "no exception";
}

} // namespace

TEST_F(PathFunctions, ExpandResolvesAndToleratesMissingComponents)
{
    struct Case
    {
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {m_dir + "/sub/../sub/", m_dir + "/sub/"},
        {m_dir + "/sub/./file.txt", m_dir + "/sub/file.txt"},
        {m_dir + "/link", m_dir + "/sub/file.txt"},
        {m_dir + "/sub/new.txt", m_dir + "/sub/new.txt"},
        {m_dir + "/gone/deeper/x.txt", m_dir + "/gone"},
        {"/", "/"},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.out, expand_path(c.in.c_str())) << c.in;

    const std::string throughFile = m_dir + "/sub/file.txt/inner";
    EXPECT_EQ("Can't expand path, path = " + throughFile, ExpandMessage(throughFile));
}

TEST_F(PathFunctions, FolderAndNameParts)
{
    char* cwd = getcwd(nullptr, 0);
    ASSERT_EQ(0, chdir((m_dir + "/sub").c_str()));
    EXPECT_EQ(m_dir + "/sub/", extract_file_path("file.txt"));
    EXPECT_EQ(m_dir + "/sub/", expand_path("./"));
    ASSERT_EQ(0, chdir(cwd));
    std::free(cwd);

    EXPECT_EQ("/", extract_file_path(""));
    EXPECT_EQ(m_dir + "/sub/", extract_file_path(m_dir + "/link"));
    EXPECT_EQ("file.txt", extract_file_name(m_dir + "/link"));
    EXPECT_EQ("", extract_file_name(m_dir + "/sub/"));

    EXPECT_EQ("", extract_file_name(m_dir + "/sub/file.txt/inner"));
    EXPECT_EQ(QB_ERR_UNEXPECTED, GetQuentaException()->GetExceptionCode());
}

TEST_F(PathFunctions, UniqueFileNames)
{
    const std::string base = m_dir + "/sub/file.txt";
    EXPECT_EQ(m_dir + "/sub/free.txt", GetUnicodeFileName(m_dir + "/sub/free.txt"));
    EXPECT_EQ(0, GetQuentaException()->GetExceptionCode());
    EXPECT_EQ(m_dir + "/sub/file_0.txt", GetUnicodeFileName(base));
    std::ofstream(m_dir + "/sub/file_0.txt") << "x";
    EXPECT_EQ(m_dir + "/sub/file_1.txt", GetUnicodeFileName(base));

    std::ofstream(m_dir + "/sub/noext") << "x";
    EXPECT_EQ(m_dir + "/sub/noext_0", GetUnicodeFileName(m_dir + "/sub/noext"));

    // Long names are never cut by a formatting limit.
    const std::string longName = m_dir + "/sub/" + std::string(200, 'n') + ".mov";
    std::ofstream(longName) << "x";
    EXPECT_EQ(m_dir + "/sub/" + std::string(200, 'n') + "_0.mov", GetUnicodeFileName(longName));
}

TEST_F(PathFunctions, UniqueFileNameFailsWhenEveryVariantIsTaken)
{
    const std::string base = m_dir + "/sub/f.txt";
    std::ofstream(base) << "x";
    for (int i = 0; i <= 39998; ++i)
        std::ofstream(m_dir + "/sub/f_" + std::to_string(i) + ".txt");
    EXPECT_EQ(m_dir + "/sub/f_39999.txt", GetUnicodeFileName(base)) << "the last variant is still free";

    std::ofstream(m_dir + "/sub/f_39999.txt");
    try {
        const std::string taken = GetUnicodeFileName(base);
        FAIL() << "handed out " << taken << ", which exists";
    } catch (const CBaseException& e) {
        EXPECT_EQ(QB_ERR_UNEXPECTED, e.GetCode());
        EXPECT_EQ("No free file name, name = " + base, std::string(e.GetMsg()));
    }
}

TEST(Environment, GetSetDeleteAndLoadPath)
{
    const std::string name = "FC_TEST_VARIABLE";
    unsetenv(name.c_str());
    std::string value = "untouched";
    errno = 0;
    EXPECT_FALSE(get_environment_variable(name, value));
    EXPECT_EQ("untouched", value);
    EXPECT_EQ(QB_ERR_NOT_FOUND, GetQuentaException()->GetExceptionCode());
    EXPECT_EQ(0u, std::string(GetQuentaException()->GetExceptionMsg())
                      .find("get_environment_variable error, name = FC_TEST_VARIABLE: errno: "));

    EXPECT_TRUE(set_environment_variable(name, "v1"));
    EXPECT_EQ(0, GetQuentaException()->GetExceptionCode());
    EXPECT_TRUE(get_environment_variable(name, value));
    EXPECT_EQ("v1", value);
    EXPECT_TRUE(delete_environment_variable(name));
    EXPECT_TRUE(delete_environment_variable(name)) << "deleting an unset name is no failure";
    EXPECT_EQ(nullptr, getenv(name.c_str()));

    EXPECT_FALSE(set_environment_variable("BAD=NAME", "v"));
    EXPECT_EQ(QB_ERR_UNEXPECTED, GetQuentaException()->GetExceptionCode());
    EXPECT_EQ("set_environment_variable error: errno: " + std::to_string(EINVAL) + " " + std::strerror(EINVAL),
              std::string(GetQuentaException()->GetExceptionMsg()));

    const char* saved = getenv("LD_LIBRARY_PATH");
    const std::string savedValue = saved ? saved : "";
    struct Case
    {
        const char* before;
        const char* after;
    };
    const Case cases[] = {
        {nullptr, ":/opt/fc"},
        {"/a:/opt/fc", "/a:/opt/fc"},
        {"/a:/opt/fcx", "/a:/opt/fcx:/opt/fc"},
    };
    for (const Case& c : cases) {
        if (c.before)
            setenv("LD_LIBRARY_PATH", c.before, 1);
        else
            unsetenv("LD_LIBRARY_PATH");
        dll_set_load_path("/opt/fc");
        EXPECT_STREQ(c.after, getenv("LD_LIBRARY_PATH"));
    }
    if (saved)
        setenv("LD_LIBRARY_PATH", savedValue.c_str(), 1);
    else
        unsetenv("LD_LIBRARY_PATH");

    const char* home = getenv("HOME");
    EXPECT_EQ(home ? home : "", get_home_path());
}

TEST(ProgramAndLibraries, ExecutableAndDynamicLoading)
{
    const std::string exe = get_executable_path();
    EXPECT_EQ(FABLECUT_TEST_BIN_DIR "/test_sysutils_path", exe);
    EXPECT_EQ(std::string(FABLECUT_TEST_BIN_DIR) + "/", extract_file_path(exe));

    EXPECT_EQ(nullptr, load_dll("/nonexistent/libnothing.so"));
    void* lib = load_dll(FABLECUT_BIN_DIR "/libBasilvo.so");
    ASSERT_NE(nullptr, lib);
    EXPECT_NE(nullptr, get_proc_addr(lib, "GetQuentaLogger"));
    EXPECT_EQ(nullptr, get_proc_addr(lib, "NoSuchSymbol"));
    EXPECT_EQ(0, free_dll(lib));
}
