#include "Basilvo/QuentaLogger.h"
#include "Basilvo/Basilvo.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The logger's stream can be set once per process, so each case runs in a child.
int InChild(const std::string& path, bool append, bool expectOk)
{
    const pid_t pid = fork();
    if (pid == 0) {
        IQuentaLogger* logger = GetQuentaLogger();
        const bool ok = logger->SetLogFile(path.c_str(), append);
        bool good = ok == expectOk;
        if (ok) {
            logger->Log(LOG_INFO, "child", "line", nullptr, 0);
            good = good && !logger->SetLogFile(path.c_str(), false) && !logger->SetLogStream(nullptr) &&
                   logger->GetLogFile() != nullptr && path == logger->GetLogFile();
        } else {
            logger->Log(LOG_FATAL, "nowhere", "to go", nullptr, 0); // no stream: nothing happens
            good = good && logger->GetLogFile() == nullptr && logger->GetLogStream() == nullptr &&
                   GetQuentaException()->GetExceptionCode() == 10021013;
        }
        _exit(good ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Read(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

TEST(LoggerFile, CreateEmptyOrAppend)
{
    char tmpl[] = "/tmp/fc_log_XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(tmpl));
    const std::string dir = tmpl;
    const std::string logPath = dir + "/app.log";
    const std::string tail = "[LV=INFO ] [FR=child] [MG=line] [BN=NULL]\r\n";

    struct Case
    {
        bool existing;
        bool append;
        bool oldKept;
    };
    const Case cases[] = {{true, false, false}, {true, true, true}, {false, true, false}, {false, false, false}};
    for (const Case& c : cases) {
        std::remove(logPath.c_str());
        if (c.existing)
            std::ofstream(logPath) << "old\n";
        ASSERT_EQ(0, InChild(logPath, c.append, true)) << c.existing << c.append;
        const std::string content = Read(logPath);
        const std::string expectStart = c.oldKept ? "old\n[TM=" : "[TM=";
        EXPECT_EQ(0u, content.find(expectStart)) << content;
        ASSERT_GE(content.size(), tail.size());
        EXPECT_EQ(tail, content.substr(content.size() - tail.size())) << content;
    }

    EXPECT_EQ(0, InChild(dir + "/missing/dir/app.log", false, false));
    std::system(("rm -rf '" + dir + "'").c_str());
}
