// A disc job asked to pause, to go on and to stop, as the output task asks
// through the conversion engine, which writes each request into the job
// record its real worker watches. The disc creator authors on a thread of
// its own and cannot hold: the pause is turned down and the task goes on;
// the cancel stops it, and nothing of the disc is left.

#include "../../MediaTestFolder.h"
#include "../../platform/Corvexa/RealWorker.h"

#include "ConvertTaskInfo2.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <string>

using namespace CorvexaTest;

TEST(CDiscJob, APauseIsTurnedDownAndACancelLeavesNothing)
{
    if (access(kWorker.c_str(), X_OK) != 0)
        GTEST_SKIP() << "convworker is not built";
    MediaTest::Folder folder("disc-requests");
    ASSERT_FALSE(folder.Dir().empty());
    // A second of Blu-ray sized video, as several titles, so that the task
    // is still encoding when the cancel comes.
    ASSERT_TRUE(MediaTest::Run(folder.FFmpeg() +
                               "-f lavfi -i testsrc2=size=1920x1080:rate=24000/1001:duration=1 "
                               "-f lavfi -i sine=frequency=440:sample_rate=48000:duration=1 -ac 2 "
                               "-c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -b:a 64k title.mkv"));
    // The folder the user chose for the disc, empty.
    const std::string output = folder.Path("out");
    ASSERT_TRUE(MediaTest::Run("mkdir '" + output + "'"));
    const std::string project = folder.Path("disc.project");
    {
        std::ofstream text(project);
        text << "output=" << output << "\n";
        for (int i = 0; i < 6; ++i)
            text << "title=" << folder.Path("title.mkv") << "\n";
    }
    ProfilePtr profile(MakeProfile("libx264"));
    ASSERT_TRUE(profile);
    profile->GetParams()->SetInt("remux", 4);
    profile->GetParams()->SetInt("DiscType", 2);
    EnginePtr engine(CreateAVConverter(nullptr));
    ASSERT_TRUE(engine);
    const int task =
        engine->AddConvertTask(project.c_str(), folder.Path("unused.m2ts").c_str(), profile.get(), false, "");
    ASSERT_GE(task, 0);
    ASSERT_TRUE(engine->StartConvert());
    Moorland::ConvertTaskInfo2* record = engine->GetConvertTaskInfo(task);
    ASSERT_NE(record, nullptr);
    ASSERT_TRUE(WaitFor([&] { return record->GetState() == 1 && record->GetPercent() > 0.0; }, 60000))
        << "state " << record->GetState() << ": " << engine->GetConvertTaskFailure(task);

    ASSERT_TRUE(engine->PauseConvertTask(task));
    EXPECT_TRUE(WaitFor([&] { return record->GetState() != 2; }, 5000));
    EXPECT_EQ(record->GetState(), 1) << "the pause is turned down";
    const double percent = record->GetPercent();
    EXPECT_TRUE(WaitFor([&] { return record->GetPercent() > percent || record->GetState() != 1; }, 10000));
    EXPECT_EQ(record->GetState(), 1) << "the task goes on";
    EXPECT_GT(record->GetPercent(), percent) << "the task goes on";
    // The resume finds no pause to lift: the task runs on as it was.
    ASSERT_TRUE(engine->ResumeConvertTask(task));
    EXPECT_EQ(record->GetState(), 1);
    EXPECT_EQ(record->DiscPhase, 1) << "still encoding when the cancel comes";

    ASSERT_TRUE(engine->StopAllConvertTasks());
    EXPECT_TRUE(WaitFor([] { return WorkerPids().empty(); }, 20000)) << "the worker ends at the cancel";
    EXPECT_EQ(record->GetState(), 3);
    EXPECT_EQ(engine->GetConvertTaskFailure(task), "");
    EXPECT_LT(record->GetPercent(), 85.0);
    EXPECT_EQ(Joined(Tree(output)), "") << "a cancelled disc job leaves nothing";
    EXPECT_NE(access(folder.Path("unused.m2ts").c_str(), F_OK), 0);
}
