// The output task queue alone, without a widget, against an engine that
// records its calls: what it asks of the engine as its tasks start, pause,
// resume, end, upload and go, how often it polls a record, and a task the
// engine refuses.

#define OUTPUT_TASK_TEST_PROGRAM "test_COutputTaskQueue"
#include "OutputTaskTestEngine.h"

#include "Basilvo/Basilvo.h"
#include "OutputTask/COutputTaskQueue.h"
#include "YoutubeUpload/CUploadAfterTask.h"

#include <QTest>

#include <gtest/gtest.h>

using namespace OutputTaskTest;

// The queue alone, without a widget: what it asks of the engine as its tasks
// start, pause, resume, end, upload and go, and what it counts as running.
TEST(OutputTaskQueue, EngineCallsAndRunningTasks)
{
    ASSERT_TRUE(TheMedia().ok);
    RecordingConverter engine;
    std::unique_ptr<IProfile, ProfileRelease> upload(CreateProfile());
    ASSERT_TRUE(upload && upload->LoadFile((kBin + "/profile/4003.xml").c_str()));
    {
        COutputTaskQueue queue;
        queue.setAVConverter(&engine);
        CMMOutputTask* a = QueueTask("queue_a");
        CMMOutputTask* b = QueueTask("queue_b");
        CMMOutputTask* u = QueueTask("queue_u", upload.get());
        u->GetYoutubeInfo()->SetEnableUpload(true);
        u->SetAfterAction(MakeUploadAfterTask());
        for (CMMOutputTask* t : {a, b, u})
            queue.append(t);
        EXPECT_EQ(queue.count(), 3);
        for (CMMOutputTask* t : {a, b, u}) {
            QString why;
            ASSERT_TRUE(queue.submit(t, &why)) << why.toStdString();
            EXPECT_FALSE(COutputTaskQueue::isStartable(t));
        }
        EXPECT_EQ(engine.count("Start"), 1) << "one engine start for three tasks";
        EXPECT_EQ(queue.runningCount(), 3);

        // A paused task stays in the engine's care and may be started again.
        queue.pause(a);
        EXPECT_EQ(engine.count("Pause " + std::to_string(a->GetConvertTaskID())), 1);
        a->GetBaseConvertTaskInfo()->SetState(Moorland::CONVERT_TASK_PAUSED);
        EXPECT_TRUE(COutputTaskQueue::isStartable(a));
        EXPECT_EQ(queue.runningCount(), 3);
        queue.resume(a);
        EXPECT_EQ(engine.count("Resume " + std::to_string(a->GetConvertTaskID())), 1);

        queue.conversionFinished(a);
        queue.conversionFailed(b);
        queue.conversionFinished(u);
        EXPECT_EQ(queue.runningCount(), 1) << "the upload task stays until its upload ends";
        EXPECT_EQ(engine.count("Stop 0"), 0);
        queue.uploadEnded(u);
        EXPECT_EQ(queue.runningCount(), 0);
        EXPECT_EQ(engine.count("Stop 0"), 0) << "the end of an upload does not stop the engine";
        EXPECT_EQ(queue.count(), 3) << "ended tasks stay in the list";

        // Removing a task the engine no longer runs makes no engine call;
        // removing a running one takes it out of the engine.
        engine.calls.clear();
        queue.remove(b);
        EXPECT_TRUE(engine.calls.empty());
        CMMOutputTask* c = QueueTask("queue_c");
        queue.append(c);
        ASSERT_TRUE(queue.submit(c));
        EXPECT_EQ(engine.count("Start"), 0) << "the engine stayed started after the upload";
        const int id = c->GetConvertTaskID();
        queue.remove(c);
        EXPECT_EQ(engine.count("Remove " + std::to_string(id)), 1);
        EXPECT_EQ(queue.count(), 2);

        // Going away while a task still runs ends everything in the engine.
        CMMOutputTask* d = QueueTask("queue_d");
        queue.append(d);
        ASSERT_TRUE(queue.submit(d));
        engine.calls.clear();
    }
    ASSERT_EQ(engine.calls.size(), 2u);
    EXPECT_EQ(engine.calls[0], "StopAll");
    EXPECT_EQ(engine.calls[1], "Stop 1");
}

// The queue alone drives its tasks from their records: one timer polls every
// converting task every 500 ms, a paused task is not polled, a finished
// upload task is uploaded (without an account the upload fails at its start)
// and stays finished, and a failure comes with the engine's reason and log.
TEST(OutputTaskQueue, PollsRecordsThenUploadsAFinishedTask)
{
    ASSERT_TRUE(TheMedia().ok);
    CAppVariableInfo::GetInstance()->SetInfoValue("YoutubeAccountInfo", QString());
    RecordingConverter engine;
    std::unique_ptr<IProfile, ProfileRelease> upload(CreateProfile());
    ASSERT_TRUE(upload && upload->LoadFile((kBin + "/profile/4003.xml").c_str()));
    COutputTaskQueue queue;
    queue.setAVConverter(&engine);
    CMMOutputTask* u = QueueTask("poll_u", upload.get());
    u->GetYoutubeInfo()->SetEnableUpload(true);
    u->SetAfterAction(MakeUploadAfterTask());
    CMMOutputTask* p = QueueTask("poll_p");
    queue.append(u);
    queue.append(p);

    QElapsedTimer clock;
    clock.start();
    std::map<CMMOutputTask*, std::vector<qint64>> pollTimes;
    std::map<CMMOutputTask*, double> lastPercent;
    QObject::connect(&queue, &COutputTaskQueue::taskPolled, [&](CMMOutputTask* t, int, double percent) {
        pollTimes[t].push_back(clock.elapsed());
        lastPercent[t] = percent;
    });
    QSignalSpy finished(&queue, &COutputTaskQueue::taskFinished);
    QSignalSpy failed(&queue, &COutputTaskQueue::taskFailed);
    QSignalSpy uploadStarted(&queue, &COutputTaskQueue::uploadStarted);
    QSignalSpy uploadFailed(&queue, &COutputTaskQueue::uploadFailed);
    QSignalSpy uploadSucceeded(&queue, &COutputTaskQueue::uploadSucceeded);
    for (CMMOutputTask* t : {u, p}) {
        QString why;
        ASSERT_TRUE(queue.submit(t, &why)) << why.toStdString();
        EXPECT_TRUE(queue.isPolled(t));
    }
    u->GetBaseConvertTaskInfo()->SetPercent(37);
    // A task just handed over is looked at often for its first second; then the beat holds.
    const qint64 beat = COutputTaskQueue::kFirstLooksMs + COutputTaskQueue::kPollInterval;
    ASSERT_TRUE(QTest::qWaitFor([&] { return clock.elapsed() > beat + 1100; }, 5000));
    EXPECT_EQ(lastPercent[u], 37);
    for (CMMOutputTask* t : {u, p}) {
        const std::vector<qint64>& times = pollTimes[t];
        int counted = 0;
        for (size_t i = 1; i < times.size(); ++i) {
            if (times[i - 1] < beat)
                continue;
            ++counted;
            EXPECT_GE(times[i] - times[i - 1], 400) << "one poll every 500 ms, not more often";
        }
        EXPECT_GE(counted, 1);
    }

    queue.pause(p);
    EXPECT_FALSE(queue.isPolled(p));
    const size_t pausedPolls = pollTimes[p].size();
    QTest::qWait(1200);
    EXPECT_EQ(pollTimes[p].size(), pausedPolls) << "a paused task is not polled";
    EXPECT_EQ(queue.runningCount(), 2);

    u->GetBaseConvertTaskInfo()->SetPercent(100);
    u->GetBaseConvertTaskInfo()->SetState(Moorland::CONVERT_TASK_FINISHED);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !uploadFailed.isEmpty(); }, 10000));
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(finished.at(0).at(0).value<CMMOutputTask*>(), u);
    EXPECT_EQ(uploadStarted.count(), 0) << "no service to send to: nothing begins";
    EXPECT_EQ(uploadFailed.count(), 1);
    EXPECT_EQ(uploadFailed.at(0).at(0).value<CMMOutputTask*>(), u);
    EXPECT_EQ(uploadFailed.at(0).at(1).toInt(), int(COutputTaskQueue::UPLOAD_NO_SERVICE));
    EXPECT_TRUE(uploadFailed.at(0).at(2).toBool()) << "refused before anything was sent";
    EXPECT_EQ(uploadSucceeded.count(), 0);
    EXPECT_EQ(failed.count(), 0) << "the conversion stays finished whatever the upload does";
    EXPECT_EQ(u->GetBaseConvertTaskInfo()->GetState(), Moorland::CONVERT_TASK_FINISHED);
    EXPECT_FALSE(queue.isPolled(u));
    EXPECT_EQ(queue.runningCount(), 1) << "the paused task only";
    EXPECT_EQ(engine.count("Stop 0"), 0);

    queue.resume(p);
    EXPECT_TRUE(queue.isPolled(p));
    engine.failures[p->GetConvertTaskID()] = "The source ended early";
    p->GetBaseConvertTaskInfo()->SetState(Moorland::CONVERT_TASK_FAILED);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !failed.isEmpty(); }, 3000));
    EXPECT_EQ(failed.at(0).at(0).value<CMMOutputTask*>(), p);
    EXPECT_EQ(failed.at(0).at(1).toString(), "The source ended early");
    EXPECT_EQ(failed.at(0).at(2).toString(), QString("/tmp/job%1.log").arg(p->GetConvertTaskID()));
    EXPECT_EQ(queue.runningCount(), 0);
    EXPECT_EQ(engine.count("Stop 0"), 1);
    const size_t endedPolls = pollTimes[p].size() + pollTimes[u].size();
    QTest::qWait(1200);
    EXPECT_EQ(pollTimes[p].size() + pollTimes[u].size(), endedPolls) << "ended tasks are not polled";
    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(failed.count(), 1);
}

// A record that shows every picture done is near its end: the queue looks
// for the end often from then on, so the finish shows when it is there, and
// goes back to its beat when no task is ending.
TEST(OutputTaskQueue, LooksForTheEndOftenOnceATaskHasDoneItsPictures)
{
    ASSERT_TRUE(TheMedia().ok);
    RecordingConverter engine;
    COutputTaskQueue queue;
    queue.setAVConverter(&engine);
    CMMOutputTask* ending = QueueTask("ending");
    CMMOutputTask* other = QueueTask("other");
    queue.append(ending);
    queue.append(other);
    QElapsedTimer clock;
    clock.start();
    std::vector<qint64> polls;
    QObject::connect(&queue, &COutputTaskQueue::taskPolled, [&](CMMOutputTask* t, int, double) {
        if (t == ending)
            polls.push_back(clock.elapsed());
    });
    QSignalSpy finished(&queue, &COutputTaskQueue::taskFinished);
    for (CMMOutputTask* t : {ending, other})
        ASSERT_TRUE(queue.submit(t));
    ending->GetBaseConvertTaskInfo()->SetPercent(100);
    ASSERT_TRUE(QTest::qWaitFor([&] { return polls.size() >= 6; }, 5000));
    const size_t seen = polls.size();
    // Past the first poll that saw 100 %, the polls come fast.
    EXPECT_LE(polls[seen - 1] - polls[seen - 4], 3 * 150) << "the end is looked for often";
    clock.restart();
    ending->GetBaseConvertTaskInfo()->SetState(Moorland::CONVERT_TASK_FINISHED);
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() == 1; }, 3000));
    EXPECT_LT(clock.elapsed(), 250) << "the finish shows soon after the record says so";
    // The other task at 40 % is polled at the usual beat again, once its
    // first second is over.
    QTest::qWait(COutputTaskQueue::kFirstLooksMs);
    polls.clear();
    std::vector<qint64> otherPolls;
    QObject::connect(&queue, &COutputTaskQueue::taskPolled, [&](CMMOutputTask* t, int, double) {
        if (t == other)
            otherPolls.push_back(clock.elapsed());
    });
    other->GetBaseConvertTaskInfo()->SetPercent(40);
    ASSERT_TRUE(QTest::qWaitFor([&] { return otherPolls.size() >= 3; }, 5000));
    EXPECT_GE(otherPolls[2] - otherPolls[1], 400) << "one poll every 500 ms while nothing is ending";
}

// A task just handed over is looked at soon, and its pace is judged from
// where it started: a job that is done in a fraction of the beat shows
// finished when it is, not at the next beat.
TEST(OutputTaskQueue, LooksSoonAtATaskJustHandedOver)
{
    ASSERT_TRUE(TheMedia().ok);
    RecordingConverter engine;
    COutputTaskQueue queue;
    queue.setAVConverter(&engine);
    CMMOutputTask* quick = QueueTask("quick");
    queue.append(quick);
    QSignalSpy finished(&queue, &COutputTaskQueue::taskFinished);
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(queue.submit(quick));
    Moorland::ConvertTaskInfo2* record = quick->GetBaseConvertTaskInfo();
    record->SetState(Moorland::CONVERT_TASK_RUNNING);
    record->SetPercent(70);
    QTest::qWait(COutputTaskQueue::kFirstPollInterval + 20);
    record->SetPercent(100);
    record->SetState(Moorland::CONVERT_TASK_FINISHED);
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() == 1; }, 3000));
    EXPECT_LT(clock.elapsed(), COutputTaskQueue::kPollInterval) << "seen finished before the beat";
}

// The next look at a running task comes at the beat, sooner when at the
// pace since the last look its pictures are done before the beat.
TEST(OutputTaskQueue, LooksSoonerAsThePicturesNearTheirEnd)
{
    const int beat = COutputTaskQueue::kPollInterval, end = COutputTaskQueue::kEndPollInterval;
    const struct
    {
        double percent, previous;
        int waited, next;
    } cases[] = {
        {100.0, 90.0, beat, end}, // the pictures are done
        {30.0, -1.0, beat, beat}, // the first look: no pace yet
        {40.0, 40.0, beat, beat}, // no progress
        {30.0, 40.0, beat, beat}, // a second pass starts lower
        {60.0, 40.0, beat, beat}, // 20 % a beat: the end is two beats off
        {90.0, 80.0, beat, beat}, // 10 % a beat: exactly a beat off
        {95.0, 80.0, beat, 166},  // 15 % a beat: 5 % is a third of one
        {99.9, 80.0, beat, end},  // due at once: the end poll
        {97.0, 95.0, 100, 150},   // after a short wait the pace is judged on it
    };
    for (const auto& c : cases)
        EXPECT_EQ(COutputTaskQueue::nextPollInterval(c.percent, c.previous, c.waited), c.next)
            << c.percent << " after " << c.previous << " " << c.waited << " ms before";
}

TEST(OutputTaskQueue, TaskThatCannotBeSubmittedStaysStartableWithItsReason)
{
    ASSERT_TRUE(TheMedia().ok);
    RecordingConverter engine;
    COutputTaskQueue queue;
    queue.setAVConverter(&engine);
    // A task without a timeline is refused before the engine sees it.
    auto* bare = new CMMOutputTask(TheMedia().manager, nullptr, nullptr);
    bare->SetProfile(TheMedia().profile.get());
    queue.append(bare);
    QString why;
    EXPECT_FALSE(queue.submit(bare, &why));
    EXPECT_TRUE(why.contains("no timeline")) << why.toStdString();
    EXPECT_TRUE(engine.calls.empty());
    EXPECT_EQ(queue.runningCount(), 0);
    EXPECT_TRUE(COutputTaskQueue::isStartable(bare));
}
