#include "CTmpFile.h"

#include "CBaseException.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <set>
#include <string>
#include <vector>

using QuentaBased::CTmpFile;

namespace {

bool Exists(const std::string& path)
{
    return access(path.c_str(), F_OK) == 0;
}

bool StartsWith(const std::string& text, const std::string& head)
{
    return text.compare(0, head.size(), head) == 0;
}

bool EndsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

class TmpFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const char* old = std::getenv("TMPDIR");
        m_hadTmpdir = old != nullptr;
        if (m_hadTmpdir)
            m_oldTmpdir = old;
        char tmpl[] = "/tmp/qbtmpXXXXXX";
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        m_dir = tmpl;
        setenv("TMPDIR", m_dir.c_str(), 1);
    }
    void TearDown() override
    {
        if (m_hadTmpdir)
            setenv("TMPDIR", m_oldTmpdir.c_str(), 1);
        else
            unsetenv("TMPDIR");
        std::system(("rm -rf '" + m_dir + "'").c_str());
    }

    std::string m_dir;
    bool m_hadTmpdir = false;
    std::string m_oldTmpdir;
};

} // namespace

TEST_F(TmpFileTest, NamesAndPlaces)
{
    const std::string other = m_dir + "/other";
    ASSERT_EQ(0, mkdir(other.c_str(), 0755));
    struct Case
    {
        const char* what;
        std::string path;
        std::string head; // the path begins with it
        std::string tail; // and ends with it
    };
    const std::vector<Case> cases = {
        {"temporary folder", CTmpFile(".mp4", nullptr).GetFilePathName(), m_dir + "/tmpf", ".mp4"},
        {"own name", CTmpFile(".mp4", "clip").GetFilePathName(), m_dir + "/clip.mp4", "clip.mp4"},
        {"given folder", CTmpFile(other, std::string(".seix")).GetFilePathName(), other + "/tmpf", ".seix"},
        {"given folder with slash", CTmpFile(other + "/", std::string(".xml")).GetFilePathName(), other + "/tmpf",
         ".xml"},
        {"empty folder", CTmpFile(std::string(), std::string(".ts")).GetFilePathName(), m_dir + "/tmpf", ".ts"},
        {"no extension", CTmpFile(std::string(), std::string()).GetFilePathName(), m_dir + "/tmpf", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_TRUE(StartsWith(c.path, c.head)) << c.path;
        EXPECT_TRUE(EndsWith(c.path, c.tail)) << c.path;
        EXPECT_EQ(std::string::npos, c.path.find("//")) << c.path;
        EXPECT_FALSE(Exists(c.path)); // only a name is made
    }

    std::set<std::string> names;
    for (int i = 0; i < 500; ++i)
        names.insert(QuentaBased::CreateTempFile(m_dir, ".tmp"));
    EXPECT_EQ(500u, names.size());
}

TEST_F(TmpFileTest, OwnershipDecidesDeletion)
{
    for (int owned = 0; owned < 2; ++owned) {
        SCOPED_TRACE(owned);
        std::string path;
        {
            CTmpFile tmp(".dat", nullptr);
            path = tmp.GetFilePathName();
            std::ofstream(path) << "data";
            tmp.SetOwned(owned != 0);
        }
        EXPECT_EQ(owned == 0, Exists(path));
    }
    // Deleting a file that was never made is no error and makes nothing.
    std::string neverPath;
    EXPECT_NO_THROW({
        CTmpFile neverMade(".dat", nullptr);
        neverPath = neverMade.GetFilePathName();
        neverMade.SetOwned(true);
    });
    EXPECT_FALSE(neverPath.empty());
    EXPECT_FALSE(Exists(neverPath));
}

TEST_F(TmpFileTest, NoNameInAFolderThatCannotHoldOne)
{
    const std::string file = m_dir + "/plain";
    std::ofstream(file) << "x";
    try {
        CTmpFile tmp(file + "/sub", std::string(".mp4"));
        ADD_FAILURE() << tmp.GetFilePathName();
    } catch (const CBaseException& e) {
        EXPECT_EQ(QB_ERR_UNEXPECTED, e.GetCode());
        EXPECT_STREQ("Unexpected error", e.GetMsg());
    }
}
