// The output task list driving a conversion engine that only records its
// calls and keeps job records the test writes (and the real engine): first
// start, pause, resume, start of the checked rows, the end of tasks, the
// file-exists policy, the destination the row shows, writes and uploads, a
// refused task and the list's destruction.

#define OUTPUT_TASK_TEST_PROGRAM "test_vmoutputtaskmgr_engine"
#include "OutputTaskTestEngine.h"

#include "Basilvo/Basilvo.h"
#include "AppConfigure/CAppFixedInfo.h"
#include "AppConfigure/CAppVariableInfo.h"
#include "ConvertTaskInfo2.h"
#include "IAVConverter.h"
#include "IAVManager.h"
#include "IAccurateTrimManager.h"
#include "IProfile.h"
#include "YoutubeUpload/CUploadAfterTask.h"
#include "YoutubeUpload/IYoutubeUpload.h"
#include "ProjectData/cdcmediasrcmgr.h"
#include "ProjectData/cmediasourceitem.h"
#include "OutputTask/cmmoutputtask.h"
#include "OutputTask/COutputTaskQueue.h"
#include "ProjectData/csourcedata.h"
#include "ProjectData/ctimelineitem.h"
#include "OutputTask/vmoutputtaskitem.h"
#include "OutputTask/vmoutputtaskmgr.h"
#include "OutputTask/vmoutputtasknameedt.h"
#include "OutputTask/youtubeaccount.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QProgressBar>
#include <QUrl>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <map>
#include <unistd.h>
#include <memory>
#include <string>
#include <vector>

using namespace OutputTaskTest;

namespace {

// The profile area releases the copies the list hands it; here nothing shows them.
void ReleaseShownProfiles(VMOutPutTaskMgr& list)
{
    QObject::connect(&list, &VMOutPutTaskMgr::signal_SettingSelectedOutputTaskItemProfile, [](IProfile* p, bool, bool) {
        if (p)
            p->Release();
    });
}

struct ListUnderTest
{
    RecordingConverter engine;
    QTemporaryDir out;
    std::unique_ptr<VMOutPutTaskMgr> list;

    explicit ListUnderTest(int policy = 0)
    {
        Media& m = TheMedia();
        CAppVariableInfo::GetInstance()->SetInfoValue("OutputPath", out.path());
        CAppVariableInfo::GetInstance()->SetInfoValue("OutputFileExist", policy);
        list = std::make_unique<VMOutPutTaskMgr>();
        list->setAfterTaskAction(MakeUploadAfterTask);
        list->setAVManager(m.manager);
        list->setAVConverter(&engine);
        ReleaseShownProfiles(*list);
        list->setTimeLineItem(m.timeline.get());
        list->setIProfile(m.profile.get());
        list->updateOutputMgrWidget();
    }
    VMOutputTaskItem* add() { return list->addOutputTask(); }
    void start(VMOutputTaskItem* row, bool on = true) { list->slot_mOutputTaskItemStartConvert(row, on); }
    Moorland::ConvertTaskInfo2* record(VMOutputTaskItem* row)
    {
        return row->getMOutputTask()->GetBaseConvertTaskInfo();
    }
};

} // namespace

TEST(OutputTaskEngine, StartPauseResumeAndTheEndOfTasks)
{
    ASSERT_TRUE(TheMedia().ok);
    ListUnderTest t;
    VMOutputTaskItem* a = t.add();
    VMOutputTaskItem* b = t.add();
    t.start(a);
    ASSERT_NE(t.record(a), nullptr) << GetQuentaException()->GetExceptionMsg();
    t.start(b);
    ASSERT_NE(t.record(b), nullptr);
    EXPECT_EQ(t.engine.count("Start"), 1) << "two starts, one engine start";
    EXPECT_EQ(t.list->runningTaskCount(), 2);
    EXPECT_TRUE(a->isConverting());

    const int idA = a->getMOutputTask()->GetConvertTaskID();
    t.start(a, false);
    EXPECT_EQ(t.engine.count("Pause " + std::to_string(idA)), 1);
    EXPECT_EQ(t.list->runningTaskCount(), 2) << "a paused task still counts";
    t.record(a)->SetState(Moorland::CONVERT_TASK_PAUSED);
    t.start(a, true);
    EXPECT_EQ(t.engine.count("Resume " + std::to_string(idA)), 1);
    EXPECT_EQ(t.engine.count("Start"), 1);

    // The ends as the engine writes them into the records, seen by the poll.
    t.record(a)->SetState(Moorland::CONVERT_TASK_FINISHED);
    ASSERT_TRUE(QTest::qWaitFor([&] { return t.list->runningTaskCount() == 1; }, 3000));
    EXPECT_EQ(t.engine.count("Stop 0"), 0);
    t.record(b)->SetState(Moorland::CONVERT_TASK_FAILED);
    ASSERT_TRUE(QTest::qWaitFor([&] { return t.list->runningTaskCount() == 0; }, 3000));
    EXPECT_EQ(t.engine.count("Stop 0"), 1) << "both ended, one engine stop";
    EXPECT_EQ(t.list->runningTaskCount(), 0);

    // A later first start starts the engine again.
    VMOutputTaskItem* c = t.add();
    t.start(c);
    EXPECT_EQ(t.engine.count("Start"), 2);
}

TEST(OutputTaskEngine, UploadTaskCountsUntilItsUploadEnds)
{
    ASSERT_TRUE(TheMedia().ok);
    std::unique_ptr<IProfile, ProfileRelease> upload(CreateProfile());
    ASSERT_TRUE(upload && upload->LoadFile((kBin + "/profile/4003.xml").c_str()));
    ListUnderTest t;
    t.list->setIProfile(upload.get());
    VMOutputTaskItem* row = t.add();
    ASSERT_TRUE(row->getMOutputTask()->IsYoutubeTask());
    // Without a stored account the upload starts unticked; the user ticks it.
    EXPECT_FALSE(row->getMOutputTask()->GetUploadtoYoutube());
    row->getMOutputTask()->GetYoutubeInfo()->SetEnableUpload(true);
    t.start(row);
    ASSERT_NE(t.record(row), nullptr) << GetQuentaException()->GetExceptionMsg();

    t.list->queue()->conversionFinished(row->getMOutputTask());
    EXPECT_EQ(t.list->runningTaskCount(), 1) << "still uploading: the quit question must come";
    EXPECT_EQ(t.engine.count("Stop 0"), 0);
    t.list->queue()->uploadEnded(row->getMOutputTask());
    EXPECT_EQ(t.list->runningTaskCount(), 0);
    EXPECT_EQ(t.engine.count("Stop 0"), 0) << "the end of an upload does not stop the engine";

    // The engine stayed started: the next first start makes no StartConvert.
    t.list->setIProfile(TheMedia().profile.get());
    VMOutputTaskItem* next = t.add();
    t.start(next);
    EXPECT_EQ(t.engine.count("Start"), 1);
    t.list->setIProfile(nullptr);
}

TEST(OutputTaskEngine, StartCheckedSkipsRunningRows)
{
    ASSERT_TRUE(TheMedia().ok);
    ListUnderTest t;
    VMOutputTaskItem* running = t.add();
    VMOutputTaskItem* paused = t.add();
    VMOutputTaskItem* fresh = t.add();
    t.start(running);
    t.start(paused);
    t.start(paused, false);
    t.record(paused)->SetState(Moorland::CONVERT_TASK_PAUSED);
    for (VMOutputTaskItem* row : t.list->taskItems())
        row->setOutputTaskItemChecked(true);
    t.engine.calls.clear();
    auto* button = t.list->findChild<QToolButton*>("btnStartCheckedTaskLst");
    EXPECT_TRUE(button->isEnabled());
    QTest::mouseClick(button, Qt::LeftButton);
    const std::string resume = "Resume " + std::to_string(paused->getMOutputTask()->GetConvertTaskID());
    ASSERT_EQ(t.engine.calls.size(), 2u) << t.engine.calls.front();
    EXPECT_EQ(t.engine.calls[0], resume);
    EXPECT_EQ(t.engine.calls[1].rfind("Add ", 0), 0u);
    EXPECT_NE(t.record(fresh), nullptr);
    EXPECT_EQ(t.list->runningTaskCount(), 3);
    EXPECT_FALSE(button->isEnabled()) << "nothing checked is left to start";
    (void)running;
}

TEST(OutputTaskEngine, FileExistsPolicy)
{
    ASSERT_TRUE(TheMedia().ok);
    struct Case
    {
        int policy;
        bool runs;
        const char* name;
    };
    const Case cases[] = {{0, true, "Holiday_1"}, {1, true, "Holiday"}, {2, false, "Holiday"}};
    for (const Case& c : cases) {
        ListUnderTest t(c.policy);
        QFile existing(QDir(t.out.path()).filePath("Holiday.mp4"));
        ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
        existing.close();
        VMOutputTaskItem* row = t.add();
        ASSERT_EQ(row->getMOutputTask()->GetTaskDstName(), "Holiday");
        t.start(row);
        EXPECT_EQ(t.record(row) != nullptr, c.runs) << c.policy;
        EXPECT_EQ(row->getMOutputTask()->GetTaskDstName().toStdString(), c.name) << c.policy;
        EXPECT_EQ(t.engine.count("Start"), c.runs ? 1 : 0);
        EXPECT_EQ(t.list->runningTaskCount(), c.runs ? 1 : 0);
        if (!c.runs) {
            EXPECT_TRUE(t.engine.calls.empty());
            EXPECT_FALSE(row->isConverting());
            EXPECT_TRUE(row->findChild<QToolButton*>("btnFailInfo")->isVisibleTo(row));
        }
    }
}

TEST(OutputTaskEngine, RefusedTaskFailsOnItsRowAndStaysStartable)
{
    ASSERT_TRUE(TheMedia().ok);
    ListUnderTest t;
    t.engine.refuse = true;
    VMOutputTaskItem* row = t.add();
    row->setOutputTaskItemChecked(true);
    t.start(row);
    EXPECT_EQ(t.record(row), nullptr);
    EXPECT_EQ(t.engine.count("Start"), 0);
    EXPECT_EQ(t.list->runningTaskCount(), 0);
    EXPECT_TRUE(row->findChild<QToolButton*>("btnFailInfo")->isVisibleTo(row));
    EXPECT_TRUE(t.list->findChild<QToolButton*>("btnStartCheckedTaskLst")->isEnabled());
    QTest::qWait(2000); // the row's poll must not touch a record that is not there
    t.engine.refuse = false;
    t.start(row);
    EXPECT_NE(t.record(row), nullptr);
    EXPECT_EQ(t.engine.count("Start"), 1);
}

TEST(OutputTaskEngine, DescriptionThatCannotBeWrittenFailsTheRow)
{
    ASSERT_TRUE(TheMedia().ok);
    ListUnderTest t;
    VMOutputTaskItem* row = t.add();
    // No timeline attached: the task cannot write its description.
    VMOutPutTaskMgr bare;
    RecordingConverter engine;
    bare.setAVConverter(&engine);
    ReleaseShownProfiles(bare);
    bare.setIProfile(TheMedia().profile.get());
    VMOutputTaskItem* lone = bare.addOutputTask();
    bare.slot_mOutputTaskItemStartConvert(lone, true);
    EXPECT_EQ(lone->getMOutputTask()->GetBaseConvertTaskInfo(), nullptr);
    EXPECT_TRUE(engine.calls.empty());
    EXPECT_EQ(bare.runningTaskCount(), 0);
    EXPECT_TRUE(lone->findChild<QToolButton*>("btnFailInfo")->isVisibleTo(lone));
    (void)row;
}

TEST(OutputTaskEngine, DestroyingTheListEndsRunningTasks)
{
    ASSERT_TRUE(TheMedia().ok);
    ListUnderTest t;
    t.start(t.add());
    t.list.reset();
    ASSERT_GE(t.engine.calls.size(), 2u);
    EXPECT_EQ(t.engine.calls[t.engine.calls.size() - 2], "StopAll");
    EXPECT_EQ(t.engine.calls.back(), "Stop 1");

    ListUnderTest idle;
    idle.add();
    idle.list.reset();
    EXPECT_TRUE(idle.engine.calls.empty());
}

TEST(OutputTaskEngine, RunningTaskAlwaysAsksAndLeavesTheEngine)
{
    ASSERT_TRUE(TheMedia().ok);
    ListUnderTest t;
    // Even with the question switched off for tasks that do not run.
    CAppVariableInfo::GetInstance()->SetInfoValue("DeleteOutputTaskOption", false);
    CAppVariableInfo::GetInstance()->SetInfoValue("DeleteOutputTaskResult", true);
    VMOutputTaskItem* row = t.add();
    VMOutputTaskItem* idle = t.add();
    t.start(row);
    ASSERT_NE(t.record(row), nullptr);
    const int id = row->getMOutputTask()->GetConvertTaskID();

    t.list->slot_showRightMenu(row, QPoint(0, 0));
    EXPECT_EQ(t.list->selectedTaskItem(), row);
    auto* menu = t.list->findChild<QMenu*>();
    ASSERT_NE(menu, nullptr);
    EXPECT_FALSE(menu->actions()[1]->isEnabled()) << "a started task is not renamed";
    menu->hide();

    {
        GuiTest::BoxWatcher yes;
        t.list->slot_delteOutputTask();
        QTest::qWait(50);
        EXPECT_EQ(yes.texts, QStringList{"Are you sure you want to delete is conversion Output task?"});
    }
    EXPECT_EQ(t.engine.count("Remove " + std::to_string(id)), 1);
    EXPECT_EQ(t.list->runningTaskCount(), 0);
    EXPECT_EQ(t.list->taskItems(), QList<VMOutputTaskItem*>{idle});
    {
        GuiTest::BoxWatcher watch;
        t.list->slot_delteOutputTask();
        EXPECT_TRUE(watch.texts.isEmpty()) << "the stored answer deletes a task that does not run";
    }
    EXPECT_TRUE(t.list->taskItems().isEmpty());
    EXPECT_EQ(t.engine.count("Remove " + std::to_string(id)), 1);
    CAppVariableInfo::GetInstance()->SetInfoValue("DeleteOutputTaskOption", true);
}

// The real engine and convworker: two tasks finish and their files play;
// then a new task whose name is taken in the output folder is renamed or
// refused by the policy.
TEST(OutputTaskEngine, RealEngineConvertsTwoTasksAndAppliesThePolicy)
{
    ASSERT_TRUE(TheMedia().ok);
    if (access((kBin + "/convworker").c_str(), X_OK) != 0)
        GTEST_SKIP() << "convworker is not built";
    Media& m = TheMedia();
    QTemporaryDir out;
    CAppVariableInfo::GetInstance()->SetInfoValue("OutputPath", out.path());
    CAppVariableInfo::GetInstance()->SetInfoValue("OutputFileExist", 0);
    Moorland::IAVConverter* engine = CreateAVConverter(nullptr);
    ASSERT_NE(engine, nullptr);
    engine->SetMaxRunProgressCount(2);
    engine->SetUseCPUCore(1);
    {
        VMOutPutTaskMgr list;
        ReleaseShownProfiles(list);
        list.setAVManager(m.manager);
        list.setAVConverter(engine);
        list.setTimeLineItem(m.timeline.get());
        list.setIProfile(m.profile.get());
        list.updateOutputMgrWidget();
        VMOutputTaskItem* a = list.addOutputTask();
        VMOutputTaskItem* b = list.addOutputTask();
        list.slot_mOutputTaskItemStartConvert(a, true);
        list.slot_mOutputTaskItemStartConvert(b, true);
        ASSERT_EQ(list.runningTaskCount(), 2);
        QElapsedTimer timer;
        timer.start();
        while (list.runningTaskCount() > 0 && timer.elapsed() < 240000)
            QTest::qWait(100);
        ASSERT_EQ(list.runningTaskCount(), 0);
        for (VMOutputTaskItem* row : {a, b}) {
            const Moorland::ConvertTaskInfo2* rec = row->getMOutputTask()->GetBaseConvertTaskInfo();
            ASSERT_NE(rec, nullptr);
            EXPECT_EQ(rec->GetState(), Moorland::CONVERT_TASK_FINISHED);
            const QString file = row->getMOutputTask()->GetTaskDstFilePath();
            EXPECT_TRUE(GuiTest::Run("ffprobe -v error -show_entries stream=codec_type -of csv=p=0 '" +
                                     file.toStdString() + "' | grep -q video"))
                << file.toStdString();
        }
        EXPECT_TRUE(QFileInfo::exists(QDir(out.path()).filePath("Holiday.mp4")));

        list.removeTaskItem(a);
        list.removeTaskItem(b);
        VMOutputTaskItem* again = list.addOutputTask();
        ASSERT_EQ(again->getMOutputTask()->GetTaskDstName(), "Holiday");
        CAppVariableInfo::GetInstance()->SetInfoValue("OutputFileExist", 2);
        list.slot_mOutputTaskItemStartConvert(again, true);
        EXPECT_EQ(again->getMOutputTask()->GetBaseConvertTaskInfo(), nullptr);
        EXPECT_EQ(list.runningTaskCount(), 0);
        CAppVariableInfo::GetInstance()->SetInfoValue("OutputFileExist", 0);
        list.slot_mOutputTaskItemStartConvert(again, true);
        EXPECT_EQ(again->getMOutputTask()->GetTaskDstName(), "Holiday_1");
        EXPECT_TRUE(again->getMOutputTask()->GetTaskDstFilePath().endsWith("/Holiday_1.mp4"));
        timer.restart();
        while (list.runningTaskCount() > 0 && timer.elapsed() < 240000)
            QTest::qWait(100);
        EXPECT_TRUE(QFileInfo::exists(QDir(out.path()).filePath("Holiday_1.mp4")));
    }
    engine->Release();
}

namespace {

// A list on the screen over the real engine, whose rows the test starts with
// a click on their start button and waits for.
struct RealEngineList
{
    QTemporaryDir out;
    Moorland::IAVConverter* engine = CreateAVConverter(nullptr);
    std::unique_ptr<VMOutPutTaskMgr> list = std::make_unique<VMOutPutTaskMgr>();

    RealEngineList(const CTimelineItem* timeline, IProfile* profile)
    {
        CAppVariableInfo::GetInstance()->SetInfoValue("OutputPath", out.path());
        CAppVariableInfo::GetInstance()->SetInfoValue("OutputFileExist", 0);
        CAppVariableInfo::GetInstance()->SetInfoValue("YoutubeAccountInfo", QString());
        ReleaseShownProfiles(*list);
        list->setAfterTaskAction(MakeUploadAfterTask);
        list->setAVManager(TheMedia().manager);
        list->setAVConverter(engine);
        list->setTimeLineItem(timeline);
        list->setIProfile(profile);
        list->updateOutputMgrWidget();
        list->resize(700, 300);
        list->show();
    }
    ~RealEngineList()
    {
        list.reset();
        if (engine)
            engine->Release();
    }
    VMOutputTaskItem* addByClick()
    {
        QTest::mouseClick(list->findChild<QToolButton*>("btnAddOutPutTask"), Qt::LeftButton);
        return list->taskItems().isEmpty() ? nullptr : list->taskItems().last();
    }
    void startByClick(VMOutputTaskItem* row)
    {
        auto* start = row->findChild<QToolButton*>("btnStopOrStart");
        // A row joins a shown list once the events have run.
        ASSERT_TRUE(QTest::qWaitFor([&] { return start->isVisible(); }, 2000));
        QTest::mouseClick(start, Qt::LeftButton);
    }
    bool waitForState(VMOutputTaskItem* row, int state, int ms = 120000)
    {
        return QTest::qWaitFor(
            [&] {
                const Moorland::ConvertTaskInfo2* rec = row->getMOutputTask()->GetBaseConvertTaskInfo();
                return rec && rec->GetState() == state && list->runningTaskCount() == 0;
            },
            ms);
    }
    // The text of the box the row's failure button opens.
    QString failureBoxText(VMOutputTaskItem* row)
    {
        GuiTest::BoxWatcher box;
        QTest::mouseClick(row->findChild<QToolButton*>("btnFailInfo"), Qt::LeftButton);
        QTest::qWait(50);
        return box.texts.join("\n");
    }
};

} // namespace

// A job that fails in convworker (a damaged clip, copied losslessly) shows the
// worker's own reason on its row, with the job's log to open.
TEST(OutputTaskEngine, FailedJobShowsTheWorkersReasonAndItsLog)
{
    ASSERT_TRUE(TheMedia().ok);
    if (access((kBin + "/convworker").c_str(), X_OK) != 0)
        GTEST_SKIP() << "convworker is not built";
    Media& m = TheMedia();
    // Five seconds by its header, two by its data: the file is cut after the
    // import took it whole, as a copy broken off later would be (a file
    // already cut is refused at import).
    const QString damaged = m.dir.filePath("Damaged.avi");
    ASSERT_TRUE(GuiTest::MakeClip(damaged, false, 5.0));
    QSignalSpy done(m.importer.get(), &CDCMediaSrcMgr::signal_OnAllFilesImportFinished);
    const size_t before = m.library.GetSourceDataItems().size();
    ASSERT_TRUE(m.importer->ImportMediaFiles(QStringList{damaged}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return m.library.GetSourceDataItems().size() > before; }, 60000));
    {
        QFile cut(damaged);
        ASSERT_TRUE(cut.resize(cut.size() * 2 / 5));
    }
    CTimelineItem timeline;
    timeline.SetAVManager(m.manager);
    ASSERT_TRUE(timeline.AppendItem(m.library.GetSourceDataItems().back()));
    std::unique_ptr<IProfile, ProfileRelease> lossless(CreateProfile());
    ASSERT_TRUE(lossless && lossless->LoadFile((kBin + "/profile/3101.xml").c_str()));

    RealEngineList t(&timeline, lossless.get());
    VMOutputTaskItem* row = t.addByClick();
    ASSERT_NE(row, nullptr);
    t.startByClick(row);
    ASSERT_NE(row->getMOutputTask()->GetBaseConvertTaskInfo(), nullptr) << row->failureMessage().toStdString();
    ASSERT_TRUE(t.waitForState(row, Moorland::CONVERT_TASK_FAILED));
    QTest::qWait(600);
    auto* fail = row->findChild<QToolButton*>("btnFailInfo");
    ASSERT_TRUE(fail->isVisible());
    EXPECT_EQ(fail->toolTip(), "Conversion failed");
    const QString text = t.failureBoxText(row);
    // The worker's own words: which file, and that it is cut short.
    EXPECT_TRUE(text.contains("Damaged.avi") && text.contains("cut short")) << text.toStdString();
    EXPECT_FALSE(text.contains("Quenta Exception Code")) << "the reason, not the record's dump";
    const QString log = row->getMOutputTask()->GetConvertLogPath();
    ASSERT_FALSE(log.isEmpty());
    EXPECT_TRUE(row->failureMessage().contains(QUrl::fromLocalFile(log).toString(QUrl::FullyEncoded)))
        << row->failureMessage().toStdString();
    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << log.toStdString();
    EXPECT_GT(file.size(), 0);
}

// A lossless row whose cut can't fall at the exact picture (no MPEG-4
// encoder for the pictures there) says so while it runs and once it is done.
TEST(OutputTaskEngine, LosslessRowSaysWhereItsCutFallsBack)
{
    ASSERT_TRUE(TheMedia().ok);
    if (access((kBin + "/convworker").c_str(), X_OK) != 0)
        GTEST_SKIP() << "convworker is not built";
    CAppVariableInfo::GetInstance()->SetInfoValue("LosslessOutputMode", 0);
    CTimelineItem timeline;
    timeline.SetAVManager(TheMedia().manager);
    ASSERT_TRUE(timeline.AppendItem(TheMedia().library.GetSourceDataItems().front()));
    ASSERT_TRUE(timeline.SetItemTrimStartPos(timeline.getItemByIndex(0), CBaseTime(1.3)));
    std::unique_ptr<IProfile, ProfileRelease> lossless(CreateProfile());
    ASSERT_TRUE(lossless && lossless->LoadFile((kBin + "/profile/3001.xml").c_str()));
    RealEngineList t(&timeline, lossless.get());
    VMOutputTaskItem* row = t.addByClick();
    ASSERT_NE(row, nullptr);
    t.startByClick(row);
    ASSERT_TRUE(t.waitForState(row, Moorland::CONVERT_TASK_FINISHED)) << row->failureMessage().toStdString();
    auto* bar = row->findChild<QProgressBar*>("pgBarOutPutItemConvert");
    ASSERT_TRUE(QTest::qWaitFor([&] { return bar->value() == bar->maximum(); }, 5000));
    EXPECT_TRUE(bar->toolTip().startsWith("Conversion succeed\n")) << bar->toolTip().toStdString();
    EXPECT_TRUE(bar->toolTip().contains("start at their next key picture")) << bar->toolTip().toStdString();
    // The task keeps the verdict as data; the row words it in the language
    // the user switches to, its state and the verdict alike.
    const LosslessVerdict verdict = row->getMOutputTask()->GetLosslessVerdict();
    ASSERT_EQ(verdict.size(), 1);
    EXPECT_EQ(verdict.front().kind, int32_t(Moorland::LosslessNoticeKind::CutsAtNextKeyPicture));
    const char* const fallsBack =
        "No encoder here for the pictures at a cut: the clips start at their next key picture";
    for (const char* lang : {"de_DE", "zh_CN"}) {
        SCOPED_TRACE(lang);
        QTranslator language;
        ASSERT_TRUE(language.load(QStringLiteral(FABLECUT_BIN_DIR "/language/fablecut_") + lang + ".qm"));
        const QString words = language.translate("VMOutputTaskItem", fallsBack);
        const QString state = language.translate("VMOutputTaskItem", "Conversion succeed", "转换成功");
        ASSERT_FALSE(words.isEmpty() || state.isEmpty()) << "no translation";
        QCoreApplication::installTranslator(&language);
        EXPECT_TRUE(QTest::qWaitFor([&] { return bar->toolTip() == state + "\n" + words; }, 5000))
            << bar->toolTip().toStdString();
        EXPECT_EQ(row->getMOutputTask()->GetLosslessNotice(), words);
        QCoreApplication::removeTranslator(&language);
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return bar->toolTip() == QString("Conversion succeed\n") + fallsBack; }, 5000))
        << bar->toolTip().toStdString();
}

// A full temporary folder, whether it filled before the task was added or
// after: the start click fails the row with where room is missing, and the
// program lives. A task added while there was room converts once there is
// room again.
TEST(OutputTaskEngine, AFullTemporaryFolderFailsTheRowWithWhereRoomIsMissing)
{
    ASSERT_TRUE(TheMedia().ok);
    if (access((kBin + "/convworker").c_str(), X_OK) != 0)
        GTEST_SKIP() << "convworker is not built";
    for (bool fullWhenAdded : {false, true}) {
        SCOPED_TRACE(fullWhenAdded ? "full when the task is added" : "filled after the task was added");
        QTemporaryDir scratch;
        const std::string tmp = scratch.filePath("tmp").toStdString();
        ASSERT_EQ(::mkdir(tmp.c_str(), 0700), 0);
        // A small file system of the test's own stands for the full disk.
        if (::mount("tmpfs", tmp.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=64m,mode=0700") != 0)
            GTEST_SKIP() << "this test mounts a small tmpfs as the temporary folder, which needs root (as CI has)";
        struct Unmount
        {
            std::string dir;
            ~Unmount() { ::umount2(dir.c_str(), MNT_DETACH); }
        } unmount{tmp};
        const QByteArray oldTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", QByteArray::fromStdString(tmp));
        const std::string filler = tmp + "/filler";
        const auto fill = [&] {
            struct statvfs st;
            const int fd = ::open(filler.c_str(), O_RDWR | O_CREAT, 0600);
            const bool ok = fd >= 0 && ::statvfs(tmp.c_str(), &st) == 0 &&
                            ::posix_fallocate(fd, 0, off_t(st.f_bavail) * off_t(st.f_frsize)) == 0;
            if (fd >= 0)
                ::close(fd);
            return ok;
        };
        {
            RealEngineList t(TheMedia().timeline.get(), TheMedia().profile.get());
            if (fullWhenAdded) {
                ASSERT_TRUE(fill());
            }
            VMOutputTaskItem* row = t.addByClick();
            ASSERT_NE(row, nullptr);
            if (!fullWhenAdded) {
                ASSERT_TRUE(fill());
            }

            t.startByClick(row);
            EXPECT_EQ(row->getMOutputTask()->GetBaseConvertTaskInfo(), nullptr);
            EXPECT_EQ(t.list->runningTaskCount(), 0);
            ASSERT_TRUE(row->findChild<QToolButton*>("btnFailInfo")->isVisible());
            const QString text = t.failureBoxText(row);
            EXPECT_TRUE(
                text.contains(QString::fromStdString("No space left in " + tmp + " for the conversion's work files")))
                << text.toStdString();

            if (!fullWhenAdded) {
                ASSERT_EQ(::unlink(filler.c_str()), 0);
                t.startByClick(row);
                ASSERT_NE(row->getMOutputTask()->GetBaseConvertTaskInfo(), nullptr)
                    << row->failureMessage().toStdString();
                EXPECT_TRUE(t.waitForState(row, Moorland::CONVERT_TASK_FINISHED));
            }
        }
        if (oldTmp.isNull())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", oldTmp);
    }
}

// A conversion that finished is shown finished when the upload that follows
// it cannot log in; the upload's failure shows beside it.
TEST(OutputTaskEngine, FinishedConversionStaysFinishedWhenItsUploadFails)
{
    ASSERT_TRUE(TheMedia().ok);
    if (access((kBin + "/convworker").c_str(), X_OK) != 0)
        GTEST_SKIP() << "convworker is not built";
    std::unique_ptr<IProfile, ProfileRelease> upload(CreateProfile());
    ASSERT_TRUE(upload && upload->LoadFile((kBin + "/profile/4003.xml").c_str()));
    RealEngineList t(TheMedia().timeline.get(), upload.get());
    VMOutputTaskItem* row = t.addByClick();
    ASSERT_NE(row, nullptr);
    ASSERT_TRUE(row->getMOutputTask()->IsYoutubeTask());
    // The user ticked the upload without having an account.
    row->getMOutputTask()->GetYoutubeInfo()->SetEnableUpload(true);
    t.startByClick(row);
    ASSERT_TRUE(t.waitForState(row, Moorland::CONVERT_TASK_FINISHED)) << row->failureMessage().toStdString();
    auto* fail = row->findChild<QToolButton*>("btnFailInfo");
    ASSERT_TRUE(QTest::qWaitFor([&] { return fail->isVisible(); }, 10000));
    auto* bar = row->findChild<QProgressBar*>("pgBarOutPutItemConvert");
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_EQ(bar->text(), "100%");
    EXPECT_EQ(bar->toolTip(), "Conversion succeed");
    EXPECT_EQ(fail->toolTip(), "Upload failed");
    EXPECT_EQ(t.failureBoxText(row), "The file was not uploaded: no upload service is configured.");
    EXPECT_TRUE(QFileInfo(row->getMOutputTask()->GetTaskDstFilePath()).size() > 0);
    EXPECT_EQ(t.list->getOutputTaskCount(), 0) << "a finished task is no reason for the quit question";
}

// Pictures of the list with rows in every state, in English, German and
// Chinese, for a look by eye: written only when FABLECUT_SCREENSHOT_DIR names
// a folder.
TEST(OutputTaskEngine, Screenshots)
{
    const QString dir = qEnvironmentVariable("FABLECUT_SCREENSHOT_DIR");
    if (dir.isEmpty())
        GTEST_SKIP() << "FABLECUT_SCREENSHOT_DIR is not set";
    ASSERT_TRUE(TheMedia().ok);
    ListUnderTest t(0);
    t.list->resize(700, 520);
    t.list->show();
    VMOutputTaskItem* fresh = t.add();
    VMOutputTaskItem* running = t.add();
    VMOutputTaskItem* paused = t.add();
    VMOutputTaskItem* failed = t.add();
    VMOutputTaskItem* done = t.add();
    VMOutputTaskItem* refused = t.add();
    t.start(running);
    t.record(running)->SetPercent(42);
    t.start(paused);
    t.start(paused, false);
    t.record(paused)->SetState(Moorland::CONVERT_TASK_PAUSED);
    t.engine.refuse = true;
    t.start(failed);
    t.engine.refuse = false;
    t.start(done);
    t.record(done)->SetState(Moorland::CONVERT_TASK_FINISHED);
    QFile taken(QDir(t.out.path()).filePath(refused->getMOutputTask()->GetTaskDstName() + ".mp4"));
    ASSERT_TRUE(taken.open(QIODevice::WriteOnly));
    taken.close();
    CAppVariableInfo::GetInstance()->SetInfoValue("OutputFileExist", 2);
    t.start(refused);
    CAppVariableInfo::GetInstance()->SetInfoValue("OutputFileExist", 0);
    t.list->selectTaskItem(fresh);
    QTest::qWait(700);
    ASSERT_TRUE(t.list->grab().save(dir + "/outputtasks_en.png"));
    for (const char* lang : {"de_DE", "zh_CN"}) {
        QTranslator tr;
        ASSERT_TRUE(tr.load(QStringLiteral(FABLECUT_BIN_DIR "/language/fablecut_") + lang + ".qm"));
        QCoreApplication::installTranslator(&tr);
        QTest::qWait(100);
        ASSERT_TRUE(t.list->grab().save(dir + "/outputtasks_" + lang + ".png"));
        QCoreApplication::removeTranslator(&tr);
    }
}

namespace {

// An uploader that only records the file it is asked to send.
struct SourceRecordingUploader : IYoutubeUpload
{
    struct Task : IYoutubeUploadTask
    {
        bool SetTaskInfo(TaskInfoType type, const char* text) override
        {
            info[type] = text ? text : "";
            return true;
        }
        const char* GetTaskInfo(TaskInfoType type) override
        {
            auto it = info.find(type);
            return it == info.end() ? nullptr : it->second.c_str();
        }
        bool SetVideoCategory(YoutubeVideoCategory) override { return true; }
        YoutubeVideoCategory GetVideoCategory() override { return YOUTUBE_CATEGORY_UNDEFINED; }
        bool SetAccessType(YoutubeVideoAccessType) override { return true; }
        YoutubeVideoAccessType GetAccessType() override { return YOUTUBE_ACCESS_PUBLIC; }
        std::map<TaskInfoType, std::string> info;
    };
    void Free() override { delete this; }
    bool Init() override { return true; }
    bool SetYoutubeAcccountInfo(const char*, const char*) override { return true; }
    bool SetDevKey(const char*) override { return true; }
    bool SetClientID(const char*) override { return true; }
    IYoutubeUploadTask* CreateUploadTask() override
    {
        tasks.push_back(std::make_unique<Task>());
        return tasks.back().get();
    }
    void SetCallBack(IUploadCallBack*) override {}
    void StartUpload() override
    {
        sent = tasks.empty() ? std::string() : tasks.back()->info[Task::TASK_INFO_SOURCE_FILE];
    }
    void ContinueUpload(bool) override {}
    void CancelUpload() override {}
    int UploadTasksCount() override { return int(tasks.size()); }
    int IndexofTask(IYoutubeUploadTask*) override { return 0; }
    int CurrentTaskIndex() override { return 0; }

    std::vector<std::unique_ptr<Task>> tasks;
    static inline std::string sent;
};

IYoutubeUpload* MakeSourceRecordingUploader()
{
    return new SourceRecordingUploader;
}

} // namespace

// The task composes its destination once: the name typed into the row, made
// free in the output folder, is the file the engine writes, the row shows
// and the upload after the conversion sends.
TEST(OutputTaskEngine, TheDestinationTheRowShowsIsTheOneWrittenAndUploaded)
{
    ASSERT_TRUE(TheMedia().ok);
    std::unique_ptr<IProfile, ProfileRelease> upload(CreateProfile());
    ASSERT_TRUE(upload && upload->LoadFile((kBin + "/profile/4003.xml").c_str()));
    CAppVariableInfo* settings = CAppVariableInfo::GetInstance();
    settings->SetInfoValue("YoutubeLoginHost", "127.0.0.1");
    settings->SetInfoValue("YoutubeUploadHost", "127.0.0.1");
    settings->SetInfoValue("YoutubeAccountInfo",
                           YoutubeAccount::Encode("someone@example.org", "secret", YoutubeAccount::AccountKey()));
    ListUnderTest t;
    t.list->setAfterTaskAction(
        [] { return std::unique_ptr<IOutputTaskAction>(new CUploadAfterTask(MakeSourceRecordingUploader)); });
    t.list->setIProfile(upload.get());
    t.list->resize(700, 300);
    t.list->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(t.list.get()));
    QFile taken(QDir(t.out.path()).filePath("Beach.mp4"));
    ASSERT_TRUE(taken.open(QIODevice::WriteOnly));
    taken.close();

    QTest::mouseClick(t.list->findChild<QToolButton*>("btnAddOutPutTask"), Qt::LeftButton);
    ASSERT_EQ(t.list->taskItems().size(), 1);
    VMOutputTaskItem* row = t.list->taskItems().front();
    CMMOutputTask* task = row->getMOutputTask();
    ASSERT_TRUE(task->GetUploadtoYoutube());
    auto* name = row->findChild<VMOutputTaskNameEdt*>("ledtOutputItemName");
    ASSERT_TRUE(QTest::qWaitFor([&] { return name->isVisible(); }, 2000));
    QTest::mouseDClick(name, Qt::LeftButton);
    ASSERT_TRUE(name->hasFocus());
    QTest::keyClicks(name, "Beach");
    QTest::keyClick(name, Qt::Key_Return);
    EXPECT_EQ(row->getOutputTaskItemName(), "Beach.mp4");
    EXPECT_EQ(task->DestinationFilePath(), QDir(t.out.path()).filePath("Beach.mp4")) << "before the start";

    auto* start = row->findChild<QToolButton*>("btnStopOrStart");
    QTest::mouseMove(row);
    ASSERT_TRUE(QTest::qWaitFor([&] { return start->isVisible(); }, 2000));
    QTest::mouseClick(start, Qt::LeftButton);
    ASSERT_NE(t.record(row), nullptr) << row->failureMessage().toStdString();
    const QString written = QDir(t.out.path()).filePath("Beach_1.mp4");
    EXPECT_EQ(t.engine.count("Add " + written.toStdString()), 1);
    EXPECT_EQ(row->getOutputTaskItemName(), "Beach_1.mp4");
    EXPECT_EQ(task->DestinationFilePath(), written);
    // A folder chosen after the start is not the started task's.
    settings->SetInfoValue("OutputPath", QDir::tempPath());
    EXPECT_EQ(task->DestinationFilePath(), written);

    SourceRecordingUploader::sent.clear();
    t.record(row)->SetPercent(100);
    t.record(row)->SetState(Moorland::CONVERT_TASK_FINISHED);
    ASSERT_TRUE(QTest::qWaitFor([] { return !SourceRecordingUploader::sent.empty(); }, 10000));
    EXPECT_EQ(SourceRecordingUploader::sent, written.toStdString());
    settings->SetInfoValue("YoutubeAccountInfo", QString());
}
