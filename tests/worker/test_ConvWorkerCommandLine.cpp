// The worker's command line: counted strings, flags, and the word counts
// that must be refused before any word past the end is read.

#include "ConvWorkerCommandLine.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

using Moorland::ParseWorkerCommandLine;
using Moorland::WorkerCommandLine;

namespace {

bool Parse(const std::string& line, WorkerCommandLine& out)
{
    std::vector<std::string> words{"convworker"};
    std::istringstream in(line);
    std::string w;
    while (in >> w)
        words.push_back(w);
    std::vector<const char*> argv;
    for (const std::string& s : words)
        argv.push_back(s.c_str());
    return ParseWorkerCommandLine(static_cast<int>(argv.size()), argv.data(), out);
}

TEST(WorkerCommandLine, ReadsEveryItemInOrder)
{
    WorkerCommandLine c;
    ASSERT_TRUE(Parse("3 1 0 2 13 /tmp/jobs.map 15 /tmp/my profile 8 a=1;b=2 10 FFImporter 65536 9 /tmp/w.log", c));
    EXPECT_EQ(c.jobIndex, 3);
    EXPECT_TRUE(c.allProcessors);
    EXPECT_FALSE(c.twoThreads);
    EXPECT_TRUE(c.dataRateStatistics);
    EXPECT_EQ(c.jobFile, "/tmp/jobs.map");
    EXPECT_EQ(c.profileFile, "/tmp/my profile");
    EXPECT_EQ(c.config, "a=1;b=2");
    EXPECT_EQ(c.importerName, "FFImporter");
    EXPECT_EQ(c.mappingSize, 65536u);
    EXPECT_EQ(c.logFile, "/tmp/w.log");
}

TEST(WorkerCommandLine, CountedStringsAndFlags)
{
    struct Case
    {
        const char* line;
        bool ok;
        const char* jobFile;
        const char* profile;
        const char* importer;
        bool flag;
    };
    const Case cases[] = {
        // 13 words after the program name are refused; one more word is taken.
        {"0 0 0 0 1 j 1 p 0 0 4096 0", false, "", "", "", false},
        {"0 0 0 0 1 j 1 p 0 0 4096 0 x", false, "", "", "", false},
        {"0 1 0 0 1 j 1 p 0 1 I 4096 0 extra", true, "j", "p", "I", true},
        // A count smaller than the word still takes the whole word.
        {"0 x 0 0 3 /tmp/job.map 1 p 0 0 4096 0 extra words", true, "/tmp/job.map", "p", "", false},
        // A count larger than the text swallows the next count.
        {"0 0 0 0 9 a b 1 p 0 0 0 4096 0", false, "", "", "", false},
        // Words that run out before a count or the mapping size.
        {"0 0 0 0 50 a b c d e f g h i j", false, "", "", "", false},
        {"0 0 0 0 1 a 1 b 1 c 3 d e 4096", false, "", "", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        WorkerCommandLine out;
        ASSERT_EQ(Parse(c.line, out), c.ok);
        if (!c.ok)
            continue;
        EXPECT_EQ(out.jobFile, c.jobFile);
        EXPECT_EQ(out.profileFile, c.profile);
        EXPECT_EQ(out.importerName, c.importer);
        EXPECT_EQ(out.allProcessors, c.flag);
        EXPECT_EQ(out.logFile, "");
    }
    const char* none[] = {"convworker"};
    WorkerCommandLine out;
    EXPECT_FALSE(ParseWorkerCommandLine(1, none, out));
    EXPECT_FALSE(ParseWorkerCommandLine(15, nullptr, out));
}

} // namespace
