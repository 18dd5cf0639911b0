#include "WorkerCommandLine.h"

#include "CBaseException.h"

#include <gtest/gtest.h>

using Moorland::BuildWorkerCommandLine;
using Moorland::WorkerJobArguments;

namespace {

WorkerJobArguments Job()
{
    WorkerJobArguments job;
    job.sWorkerPath = "/opt/fc/convworker";
    job.nJobIndex = 7;
    job.bAllProcessors = true;
    job.bTwoThreads = false;
    job.bStatistics = true;
    job.sJobFile = "/tmp/a b/jobs.share";
    job.sProfileFile = "/tmp/a b/task8.profile";
    job.sManagerConfig = "FFmpegVersion=0";
    job.nMapSize = 8388608;
    job.sLogFile = "/tmp/a b/task8.log";
    return job;
}

TEST(WorkerCommandLine, CountedStringsAreOneElementEachAndAnEmptyTextIsItsCountAlone)
{
    WorkerJobArguments job = Job();
    const std::vector<std::string> expected = {"/opt/fc/convworker",
                                               "7",
                                               "1",
                                               "0",
                                               "1",
                                               "19",
                                               "/tmp/a b/jobs.share",
                                               "22",
                                               "/tmp/a b/task8.profile",
                                               "15",
                                               "FFmpegVersion=0",
                                               "0",
                                               "8388608",
                                               "18",
                                               "/tmp/a b/task8.log"};
    EXPECT_EQ(BuildWorkerCommandLine(job), expected);
    // 14 words after the program: the fewest the worker takes.
    EXPECT_EQ(expected.size() - 1, 14u);

    job.sImporterName = "SimpleEditImporter";
    std::vector<std::string> args = BuildWorkerCommandLine(job);
    ASSERT_EQ(args.size(), 16u);
    EXPECT_EQ(args[11], "18");
    EXPECT_EQ(args[12], "SimpleEditImporter");
}

TEST(WorkerCommandLine, RefusesLinesTheWorkerWouldMisread)
{
    struct Case
    {
        const char* sWhat;
        void (*change)(WorkerJobArguments&);
    };
    const Case cases[] = {
        {"no manager setting and no log: 12 words",
         [](WorkerJobArguments& j) {
             j.sManagerConfig.clear();
             j.sLogFile.clear();
         }},
        {"trailing blank the worker trims", [](WorkerJobArguments& j) { j.sProfileFile += " "; }},
        {"no job file", [](WorkerJobArguments& j) { j.sJobFile.clear(); }},
        {"no mapping size", [](WorkerJobArguments& j) { j.nMapSize = 0; }},
    };
    for (const Case& c : cases) {
        WorkerJobArguments job = Job();
        c.change(job);
        EXPECT_THROW(BuildWorkerCommandLine(job), CBaseException) << c.sWhat;
    }
}

} // namespace
