// How the disc creators run their authoring tools: what a failing, crashing
// or missing tool leaves in the task's status, and that a cancel ends the
// tool together with whatever it started.

#include "CFFDiscTask.h"
#include "../../../ProcState.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using MediaTest::ProcState;

namespace {

// A creator whose work is running one tool.
class ToolTask final : public Solvane::CFFDiscTask
{
public:
    ToolTask(std::vector<std::string> args, std::vector<std::string> env)
        : CFFDiscTask(nullptr), m_args(std::move(args)), m_env(std::move(env))
    {}
    ~ToolTask() override { Stop(); }

private:
    void Run() override { RunProgram(m_args, m_env); }

    std::vector<std::string> m_args;
    std::vector<std::string> m_env;
};

class DiscTaskTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/disctaskXXXXXX";
        ASSERT_NE(nullptr, ::mkdtemp(tmpl));
        m_dir = tmpl;
        m_project = m_dir + "/disc.project";
        std::ofstream(m_project) << "output=" << m_dir << "\ntitle=" << m_dir << "/none.mp4\n";
    }
    void TearDown() override { std::system(("rm -rf '" + m_dir + "'").c_str()); }

    std::string Read(const std::string& name)
    {
        std::ifstream in(m_dir + "/" + name);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // Polls the task until it leaves state 1; the final status.
    static Moorland::DiscCreatorStatus Finish(ToolTask& task)
    {
        for (int i = 0; i < 1000; ++i) {
            const Moorland::DiscCreatorStatus* s = task.GetTaskStatus();
            if (s->state != 1)
                return *s;
            ::usleep(10 * 1000);
        }
        return *task.GetTaskStatus();
    }

    std::string m_dir;
    std::string m_project;
};

} // namespace

TEST_F(DiscTaskTest, ToolOutcomes)
{
    struct Case
    {
        const char* name;
        std::vector<std::string> args;
        std::vector<std::string> env;
        uint8_t state;
        std::string errorText;
    };
    const std::vector<Case> cases = {
        {"success, its output kept from the status", {"sh", "-c", "echo chatter; echo notes >&2; exit 0"}, {}, 5, ""},
        {"failure names its last words",
         {"sh", "-c", "echo chatter; echo \"bad $DISC_WORD\" >&2; exit 2"},
         {"DISC_WORD=input"},
         4,
         "sh failed: bad input"},
        {"crash names its signal",
         {"sh", "-c", "echo dying >&2; kill -SEGV $$"},
         {},
         4,
         "sh crashed with signal 11 (Segmentation fault): dying"},
        {"missing tool",
         {"no-such-authoring-tool"},
         {},
         4,
         "Can't run no-such-authoring-tool: No such file or directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ToolTask task(c.args, c.env);
        ASSERT_TRUE(task.LoadProjectFile(m_project.c_str()));
        ASSERT_TRUE(task.StartTask());
        const Moorland::DiscCreatorStatus s = Finish(task);
        EXPECT_EQ(c.state, s.state);
        EXPECT_EQ(c.errorText, std::string(s.errorText));
        EXPECT_NE(0, ::access((m_dir + "/.fablecut-disc.log").c_str(), F_OK)) << "the tool's log stays behind";
    }
}

TEST_F(DiscTaskTest, CancelEndsTheToolAndWhatItStarted)
{
    ToolTask task({"sh", "-c", "sleep 30 & echo $! > \"$0.pid\"; echo $$ > \"$0.tool\"; wait", m_dir + "/run"}, {});
    ASSERT_TRUE(task.LoadProjectFile(m_project.c_str()));
    ASSERT_TRUE(task.StartTask());
    for (int i = 0; i < 500 && (Read("run.pid").empty() || Read("run.tool").empty()); ++i)
        ::usleep(10 * 1000);
    const int helper = std::atoi(Read("run.pid").c_str());
    const int tool = std::atoi(Read("run.tool").c_str());
    ASSERT_GT(helper, 0);
    ASSERT_GT(tool, 0);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(task.CancelTask());
    const Moorland::DiscCreatorStatus s = Finish(task);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(4, s.state);
    EXPECT_EQ("Cancel", std::string(s.errorText));
    EXPECT_EQ(0, ProcState(tool)) << "the tool was not collected";
    bool helperEnded = false;
    for (int i = 0; i < 300 && !helperEnded; ++i) {
        const char state = ProcState(helper);
        helperEnded = state == 0 || state == 'Z' || state == 'X';
        if (!helperEnded)
            ::usleep(10 * 1000);
    }
    EXPECT_TRUE(helperEnded) << "what the tool started outlived the cancel";
    if (!helperEnded)
        ::kill(helper, SIGKILL);
}
