#include "Basilvo/QuentaLogger.h"
#include "Basilvo/Basilvo.h"
#include "CBaseException.h"
#include "quenta_base_streams.h"
#include "sysutils.h"

#include <gtest/gtest.h>

#include <atomic>
#include <ctime>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace QuentaBased;

namespace {

// What the logger writes goes here. Its Write can be told to fail the way a
// broken file does, to log on its own, or to throw.
class CaptureStream : public CQuentaStreamImpl
{
public:
    enum Mode { Normal, FailLikeAFile, LogAgain, Throw };

    unsigned int Write(const void* buffer, unsigned int count) override
    {
        ++entered;
        switch (mode) {
        case FailLikeAFile:
            // The write of a closed descriptor records its error on this thread.
            return static_cast<unsigned int>(file_write(-1, buffer, count));
        case LogAgain: GetQuentaLogger()->Log(LOG_ERROR, "inner", "inner", nullptr, 0); break;
        case Throw: throw std::runtime_error("disk gone");
        case Normal: break;
        }
        text.append(static_cast<const char*>(buffer), count);
        return count;
    }
    unsigned int Read(void*, unsigned int) override { return STREAM_ERROR; }
    long long Seek(long long, SeekOrigin) override { return 0; }
    bool Eof() override { return true; }

    std::string text;
    std::atomic<int> entered{0};
    Mode mode = Normal;
};

CaptureStream* gCapture = nullptr; // lives for the process, like any log stream

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t pos = 0;
    for (size_t end; (end = text.find("\r\n", pos)) != std::string::npos; pos = end + 2)
        lines.push_back(text.substr(pos, end + 2 - pos));
    EXPECT_EQ(pos, text.size()) << "every line ends in CR LF";
    return lines;
}

// The part of a line behind the time and thread fields.
std::string Tail(const std::string& line)
{
    const size_t at = line.find("] [LV=");
    return at == std::string::npos ? line : line.substr(at + 3);
}

class Logger : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (gCapture == nullptr) {
            gCapture = new CaptureStream();
            ASSERT_TRUE(GetQuentaLogger()->SetLogStream(gCapture));
        }
        gCapture->text.clear();
        gCapture->entered = 0;
        gCapture->mode = CaptureStream::Normal;
        GetQuentaLogger()->EnableLog(true);
        GetQuentaLogger()->EnableExpLog(true);
        GetQuentaException()->Clear();
    }
    void TearDown() override
    {
        GetQuentaLogger()->EnableLog(true);
        GetQuentaLogger()->EnableExpLog(true);
    }
    IQuentaLogger* L() { return GetQuentaLogger(); }
};

int Guarded(int code)
{
    return QB_GUARDED(-1, {
        QB_THROW(code, "inner failure");
        return 0;
    });
}

int GuardedTwice()
{
    return QB_GUARDED(-1, {
        if (Guarded(QB_ERR_FILE_IO) == -1)
            ThrowLastError();
        return 0;
    });
}

} // namespace

TEST_F(Logger, LineFormat)
{
    L()->Log(LOG_WARN, "main", "a\nb\rc", nullptr, 0);
    const std::vector<std::string> lines = Lines(gCapture->text);
    ASSERT_EQ(1u, lines.size());
    const std::string& line = lines[0];
    // "[TM=" + the asctime form without its line feed, e.g. "Wed Dec  9 19:47:09 2026".
    ASSERT_EQ(0u, line.find("[TM="));
    const std::string time = line.substr(4, 24);
    struct tm parsed = {};
    const char* end = strptime(time.c_str(), "%a %b %e %H:%M:%S %Y", &parsed);
    ASSERT_NE(nullptr, end) << time;
    EXPECT_EQ('\0', *end) << time;
    EXPECT_EQ("] [TH=" + std::to_string(gettid()) + "] [LV=WARN ] [FR=main] [MG=a\\nb\\rc] [BN=NULL]\r\n",
              line.substr(28));

    struct Case
    {
        LogLevel level;
        const char* from;
        const char* msg;
        std::string tail;
    };
    const Case cases[] = {
        {LOG_DEBUG, "x", "y", "LV=DEBUG] [FR=x] [MG=y] [BN=NULL]\r\n"},
        {LOG_INFO, nullptr, nullptr, "LV=INFO ] [FR=NULL] [MG=NULL] [BN=NULL]\r\n"},
        {LOG_EXP, "e", "", "LV=EXP  ] [FR=e] [MG=] [BN=NULL]\r\n"},
        {LOG_ERROR, "back\\slash", "tab\t", "LV=ERROR] [FR=back\\slash] [MG=tab\t] [BN=NULL]\r\n"},
        {LOG_FATAL, "f", "g", "LV=FATAL] [FR=f] [MG=g] [BN=NULL]\r\n"},
    };
    for (const Case& c : cases) {
        gCapture->text.clear();
        L()->Log(c.level, c.from, c.msg, nullptr, 0);
        EXPECT_EQ(c.tail, Tail(gCapture->text));
    }
}

TEST_F(Logger, ByteDump)
{
    std::vector<unsigned char> big(1500);
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<unsigned char>(i);
    std::string first1024;
    for (size_t i = 0; i < 1024; ++i) {
        static const char d[] = "0123456789ABCDEF";
        first1024 += d[big[i] >> 4];
        first1024 += d[big[i] & 15];
        first1024 += ' ';
    }
    const unsigned char two[] = {0x0A, 0xFF};
    struct Case
    {
        const unsigned char* bin;
        unsigned int len;
        std::string dump;
    };
    const Case cases[] = {
        {two, 2, "0A FF "},
        {two, 0, "NULL"},
        {nullptr, 5, "NULL"},
        {big.data(), 1500, first1024},
    };
    for (const Case& c : cases) {
        gCapture->text.clear();
        L()->Log(LOG_INFO, "d", "m", c.bin, c.len);
        EXPECT_EQ("LV=INFO ] [FR=d] [MG=m] [BN=" + c.dump + "]\r\n", Tail(gCapture->text)) << c.len;
    }
}

TEST_F(Logger, SwitchesLevelsAndStreamRules)
{
    struct Case
    {
        bool log;
        bool exp;
        int level;
        bool written;
    };
    const Case cases[] = {
        {true, true, 6, false},        {true, true, -1, false},         {true, false, LOG_EXP, false},
        {true, false, LOG_WARN, true}, {false, true, LOG_FATAL, false}, {false, true, LOG_EXP, false},
        {true, true, LOG_EXP, true},
    };
    for (const Case& c : cases) {
        gCapture->text.clear();
        L()->EnableLog(c.log);
        L()->EnableExpLog(c.exp);
        EXPECT_EQ(c.exp, L()->IsExpLogEnabled());
        L()->Log(static_cast<LogLevel>(c.level), "s", "m", nullptr, 0);
        EXPECT_EQ(c.written, !gCapture->text.empty()) << c.log << c.exp << c.level;
    }

    CaptureStream other;
    EXPECT_FALSE(L()->SetLogStream(&other));
    EXPECT_FALSE(L()->SetLogStream(nullptr));
    EXPECT_FALSE(L()->SetLogFile("/tmp/never-used.log", false));
    EXPECT_FALSE(L()->SetLogFile(nullptr, false));
    EXPECT_EQ(gCapture, L()->GetLogStream());
    EXPECT_EQ(nullptr, L()->GetLogFile());
    EXPECT_FALSE(L()->IsLogging(nullptr));
    unsigned int writer = 12345;
    L()->Log(LOG_INFO, "s", "m", nullptr, 0);
    EXPECT_FALSE(L()->IsLogging(&writer));
    EXPECT_EQ(static_cast<unsigned int>(gettid()), writer) << "the last writer stays known";
}

TEST_F(Logger, CopiedErrorsAreLoggedAsExp)
{
    CBaseException e(10021013, "file_read error\nsecond", 12, "src/file.cpp");
    GetQuentaException()->Copy(&e);
    std::vector<std::string> lines = Lines(gCapture->text);
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ("LV=EXP  ] [FR=File: src/file.cpp Line: 12] [MG=file_read error\\nsecond] [BN=NULL]\r\n", Tail(lines[0]));

    gCapture->text.clear();
    GetQuentaException()->SetException(1, "direct", 1, "f");
    GetQuentaException()->Clear();
    EXPECT_EQ("", gCapture->text) << "storing or clearing a record never logs";

    L()->EnableExpLog(false);
    GetQuentaException()->Copy(&e);
    EXPECT_EQ("", gCapture->text);
    L()->EnableExpLog(true);

    // One failure carried through two boundaries is logged at both.
    EXPECT_EQ(-1, GuardedTwice());
    lines = Lines(gCapture->text);
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ(lines[0].substr(lines[0].find("[LV=")), lines[1].substr(lines[1].find("[LV=")));

    // Standard and unknown exceptions are recorded without a line.
    gCapture->text.clear();
    EXPECT_EQ(-1, QB_GUARDED(-1, {
        throw std::runtime_error("std");
        return 0;
    }));
    EXPECT_EQ(QB_ERR_STD_EXCEPTION, GetQuentaException()->GetExceptionCode());
    EXPECT_EQ("", gCapture->text);
}

TEST_F(Logger, FailingWriteNeitherRecursesNorBlocks)
{
    gCapture->mode = CaptureStream::FailLikeAFile;
    L()->Log(LOG_ERROR, "x", "y", nullptr, 0);
    EXPECT_EQ(1, gCapture->entered.load()) << "the write's own error is not logged again";
    EXPECT_EQ(QB_ERR_FILE_IO, GetQuentaException()->GetExceptionCode());
    EXPECT_EQ(0u, std::string(GetQuentaException()->GetExceptionMsg()).find("file_write error: errno: "));

    gCapture->mode = CaptureStream::LogAgain;
    gCapture->entered = 0;
    L()->Log(LOG_ERROR, "x", "y", nullptr, 0);
    EXPECT_EQ(1, gCapture->entered.load()) << "a stream that logs while writing is not re-entered";

    gCapture->mode = CaptureStream::Throw;
    gCapture->entered = 0;
    L()->Log(LOG_ERROR, "x", "y", nullptr, 0);
    EXPECT_EQ(1, gCapture->entered.load());
    EXPECT_FALSE(L()->IsLogging(nullptr));

    // The mutex was released on every way out: another thread can still write.
    gCapture->mode = CaptureStream::Normal;
    gCapture->text.clear();
    std::thread other([] { GetQuentaLogger()->Log(LOG_INFO, "other", "thread", nullptr, 0); });
    other.join();
    EXPECT_EQ("LV=INFO ] [FR=other] [MG=thread] [BN=NULL]\r\n", Tail(gCapture->text));
}

TEST_F(Logger, LinesFromManyThreadsStayWhole)
{
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 50; ++i) {
                const std::string msg = "t" + std::to_string(t) + "-" + std::to_string(i);
                GetQuentaLogger()->Log(LOG_DEBUG, "mt", msg.c_str(), nullptr, 0);
            }
        });
    for (auto& t : threads)
        t.join();
    const std::vector<std::string> lines = Lines(gCapture->text);
    ASSERT_EQ(200u, lines.size());
    for (const std::string& line : lines) {
        const std::string tail = Tail(line);
        const size_t dash = tail.find('-');
        EXPECT_EQ(0u, tail.find("LV=DEBUG] [FR=mt] [MG=t")) << line;
        ASSERT_NE(std::string::npos, dash) << line;
        EXPECT_EQ("] [BN=NULL]\r\n", tail.substr(tail.find(']', dash))) << line;
    }
}
