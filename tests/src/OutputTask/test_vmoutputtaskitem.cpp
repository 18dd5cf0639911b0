// The output task row over a job record of the test's own, polled by the
// queue: what each state shows and reports, renaming in place, the failure
// box, and the upload the task carries, made through a recording uploader.

#include "../MainPages/GuiTestApp.h"

#include "Basilvo/Basilvo.h"
#include "AppConfigure/CAppFixedInfo.h"
#include "AppConfigure/CAppVariableInfo.h"
#include "OutputTask/COutputTaskQueue.h"
#include "ConvertTaskInfo2.h"
#include "IProfile.h"
#include "YoutubeUpload/CUploadAfterTask.h"
#include "YoutubeUpload/IYoutubeUpload.h"
#include "OutputTask/cmmoutputtask.h"
#include "OutputTask/vmoutputtaskitem.h"
#include "OutputTask/vmoutputtasknameedt.h"
#include "OutputTask/youtubeaccount.h"

#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QLabel>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTranslator>
#include <QToolButton>

#include "IAccurateTrimManager.h"
#include "OutputTask/LosslessVerdict.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>

// The recording uploader the task's upload makes.
IYoutubeUpload* MakeFakeUploader();

namespace {

// One recorded upload task.
struct FakeUploadTask : IYoutubeUploadTask
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
    bool SetVideoCategory(YoutubeVideoCategory c) override
    {
        category = c;
        return true;
    }
    YoutubeVideoCategory GetVideoCategory() override { return category; }
    bool SetAccessType(YoutubeVideoAccessType a) override
    {
        access = a;
        return true;
    }
    YoutubeVideoAccessType GetAccessType() override { return access; }

    std::map<TaskInfoType, std::string> info;
    YoutubeVideoCategory category = YOUTUBE_CATEGORY_UNDEFINED;
    YoutubeVideoAccessType access = YOUTUBE_ACCESS_PUBLIC;
};

// Records what the row asks of the uploader; sends nothing anywhere.
struct FakeUploader : IYoutubeUpload
{
    void Free() override
    {
        ++freed;
        last = nullptr;
        delete this;
    }
    bool Init() override { return true; }
    bool SetYoutubeAcccountInfo(const char* u, const char* p) override
    {
        user = u;
        password = p;
        return true;
    }
    bool SetDevKey(const char*) override { return true; }
    bool SetClientID(const char* id) override
    {
        clientId = id;
        return true;
    }
    IYoutubeUploadTask* CreateUploadTask() override
    {
        tasks.push_back(std::make_unique<FakeUploadTask>());
        return tasks.back().get();
    }
    void SetCallBack(IUploadCallBack* cb) override { callback = cb; }
    void StartUpload() override { ++starts; }
    void ContinueUpload(bool) override {}
    void CancelUpload() override {}
    int UploadTasksCount() override { return int(tasks.size()); }
    int IndexofTask(IYoutubeUploadTask*) override { return 0; }
    int CurrentTaskIndex() override { return 0; }

    std::string user, password, clientId;
    std::vector<std::unique_ptr<FakeUploadTask>> tasks;
    IUploadCallBack* callback = nullptr;
    int starts = 0;
    static inline FakeUploader* last = nullptr;
    static inline int made = 0;
    static inline int freed = 0;
    // The factory makes no uploader while this is set.
    static inline bool unavailable = false;
};

CAppVariableInfo* Settings()
{
    static CAppVariableInfo* settings = [] {
        GuiTest::App("test_vmoutputtaskitem");
        CAppFixedInfo::GetInstance()->ReadInfos();
        CAppVariableInfo* s = CAppVariableInfo::GetInstance();
        s->ReadInfos();
        s->InitInfos();
        return s;
    }();
    return settings;
}

struct ProfileReleaser
{
    void operator()(IProfile* p) const { p->Release(); }
};

std::unique_ptr<IProfile, ProfileReleaser> UploadProfile()
{
    std::unique_ptr<IProfile, ProfileReleaser> p(CreateProfile());
    const char* text = R"(<?xml version="1.0" encoding="UTF-8" ?>
<Profile>
  <Desc ID="701" BaseID="0" Name="Video site" FormatName="MP4" Comment="" />
  <File Ext=".mp4" Muxer="mp4" AVInclude="0" Remux="0" Exporter="FFExporter" />
  <Video Codec="h264" Width="1280" Height="720" FrameRate="0" Bitrate="2500" />
  <Audio Codec="aac" Bitrate="128000" SampleRate="44100" Channels="2" />
  <Params><Param Key="YoutubeUpload" Value="1" /></Params>
</Profile>)";
    EXPECT_TRUE(p->LoadText(text));
    return p;
}

class TaskRow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Settings();
        // A service and an account to upload with: the stand-in uploader is
        // asked only when both are there.
        Settings()->SetInfoValue("YoutubeLoginHost", "127.0.0.1");
        Settings()->SetInfoValue("YoutubeUploadHost", "127.0.0.1");
        Settings()->SetInfoValue("YoutubeAccountInfo",
                                 YoutubeAccount::Encode("someone@example.org", "secret", YoutubeAccount::AccountKey()));
        std::memset(&m_record, 0, sizeof m_record);
        m_queue = std::make_unique<COutputTaskQueue>();
        m_task = new CMMOutputTask(nullptr, nullptr, nullptr);
        m_task->SetOutputDstName("clip");
        m_task->SetAfterAction(std::make_unique<CUploadAfterTask>(MakeFakeUploader));
        m_queue->append(m_task);
        m_row = std::make_unique<VMOutputTaskItem>(m_task, m_queue.get());
    }
    void TearDown() override
    {
        m_row.reset();
        m_queue.reset();
        m_task = nullptr;
    }
    // Starts the row as the task list does after handing the job over; the
    // queue polls the record from then on.
    void Start()
    {
        m_task->SetBaseConvertTaskInfo(&m_record);
        m_queue->follow(m_task);
        m_row->setConvertStart(true);
        m_row->setBtnStartConvertVisible(true);
    }
    // An upload task whose conversion finished: the queue's uploader once
    // the poll has seen the end.
    FakeUploader* FinishUploadTask()
    {
        m_row->setIProfile(m_profile.get());
        EXPECT_TRUE(m_task->IsYoutubeTask());
        Start();
        const int before = FakeUploader::made;
        m_record.SetPercent(100);
        m_record.SetState(Moorland::CONVERT_TASK_FINISHED);
        EXPECT_TRUE(WaitFor([&] { return FakeUploader::made == before + 1; }));
        return FakeUploader::made == before + 1 ? FakeUploader::last : nullptr;
    }
    template <typename T> T* Child(const char* name)
    {
        T* child = m_row->findChild<T*>(name);
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    // Runs the event loop until `done` or five seconds.
    template <typename F> static bool WaitFor(F done)
    {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < 5000)
            QTest::qWait(20);
        return done();
    }

    Moorland::ConvertTaskInfo2 m_record;
    std::unique_ptr<COutputTaskQueue> m_queue;
    CMMOutputTask* m_task = nullptr;
    std::unique_ptr<VMOutputTaskItem> m_row;
    std::unique_ptr<IProfile, ProfileReleaser> m_profile = UploadProfile();
};

} // namespace

IYoutubeUpload* MakeFakeUploader()
{
    if (FakeUploader::unavailable)
        return nullptr;
    ++FakeUploader::made;
    FakeUploader::last = new FakeUploader;
    return FakeUploader::last;
}

struct StateCase
{
    int state;
    double percent;
    int bar;
    bool barVisible;
    bool startVisible;
    bool failVisible;
    const char* barTip;
    int finished, failed;
};

TEST_F(TaskRow, PolledStatesBecomeWhatTheRowShows)
{
    const StateCase cases[] = {
        {1, 99.9, 99, true, true, false, "Converting", 0, 0},
        {2, 40, 40, true, true, false, "Pause", 0, 0},
        {3, 41, 41, true, true, false, "Converting", 0, 0},
        {4, 42, 42, false, false, true, "Converting", 0, 1},
        {5, 100, 100, true, false, false, "Conversion succeed", 1, 0},
        {9, 43, 43, true, true, false, "Converting", 0, 0},
    };
    for (const StateCase& c : cases) {
        SCOPED_TRACE(c.state);
        SetUp();
        m_row->show();
        QSignalSpy finished(m_queue.get(), &COutputTaskQueue::taskFinished);
        QSignalSpy failed(m_queue.get(), &COutputTaskQueue::taskFailed);
        Start();
        auto* bar = Child<QProgressBar>("pgBarOutPutItemConvert");
        EXPECT_TRUE(bar->isVisible());
        EXPECT_FALSE(Child<VMOutputTaskNameEdt>("ledtOutputItemName")->isEnabled());
        m_record.SetPercent(c.percent);
        m_record.SetState(c.state);
        ASSERT_TRUE(WaitFor([&] { return bar->value() == c.bar; }));
        // Long enough for two more polls: a finished or failed row polls no more.
        QTest::qWait(1200);
        EXPECT_EQ(bar->text(), QString("%1%").arg(c.bar));
        EXPECT_EQ(bar->isVisible(), c.barVisible);
        EXPECT_EQ(Child<QToolButton>("btnStopOrStart")->isVisible(), c.startVisible);
        EXPECT_EQ(Child<QToolButton>("btnFailInfo")->isVisible(), c.failVisible);
        EXPECT_EQ(bar->toolTip(), c.barTip);
        EXPECT_EQ(finished.count(), c.finished);
        EXPECT_EQ(failed.count(), c.failed);
        EXPECT_EQ(m_queue->isPolled(m_task), c.finished + c.failed == 0);
        EXPECT_EQ(m_queue->runningCount(), c.finished + c.failed == 0 ? 1 : 0);
        if (c.state == 4) {
            EXPECT_EQ(Child<QToolButton>("btnFailInfo")->toolTip(), "Conversion failed");
            EXPECT_TRUE(m_row->failureMessage().contains(QUrl::fromLocalFile(Settings()->GetAppLogPath()).toString()));
            EXPECT_TRUE(m_row->failureMessage().startsWith("Output task failed,please send the following log file"));
        }
        TearDown();
    }
}

TEST_F(TaskRow, PauseAndRefusedStart)
{
    Start();
    auto* start = Child<QToolButton>("btnStopOrStart");
    EXPECT_TRUE(start->isChecked());
    EXPECT_EQ(start->toolTip(), "Pause");
    m_row->setConvertStart(false);
    EXPECT_EQ(Child<QProgressBar>("pgBarOutPutItemConvert")->toolTip(), "Pause");
    EXPECT_FALSE(Child<VMOutputTaskNameEdt>("ledtOutputItemName")->isEnabled());
    EXPECT_TRUE(m_row->isConverting());
    m_row->giveUpConvertTheTaskItem("The file exists");
    m_row->startConvertTaskFailed(false);
    EXPECT_FALSE(start->isChecked());
    EXPECT_EQ(start->toolTip(), "Start");
    EXPECT_FALSE(Child<QToolButton>("btnFailInfo")->isHidden());
    EXPECT_EQ(Child<QToolButton>("btnFailInfo")->toolTip(), "Conversion canceled");

    QSignalSpy checked(m_row.get(), &VMOutputTaskItem::signal_CheckedChanged);
    m_row->setOutputTaskItemChecked(true);
    m_row->findChild<QCheckBox*>("ckbxOutPutItem")->setCheckState(Qt::PartiallyChecked);
    m_row->setOutputTaskItemChecked(false);
    ASSERT_EQ(checked.count(), 2);
    EXPECT_TRUE(checked.at(0).at(1).toBool());
    EXPECT_FALSE(checked.at(1).at(1).toBool());
    EXPECT_FALSE(m_row->isOutputTaskItemChecked());
}

TEST_F(TaskRow, FailureBoxShowsShortMessagesAsCaptionAndLongOnesAsRichText)
{
    for (int length : {71, 72}) {
        SCOPED_TRACE(length);
        m_row->giveUpConvertTheTaskItem(QString(length, 'x'));
        bool captionShown = false, richShown = false;
        QTimer::singleShot(50, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (!w->isVisible() || !w->inherits("VRichMessageBox"))
                    continue;
                captionShown = w->findChild<QLabel*>("lblCaption")->isVisibleTo(w);
                richShown = w->findChild<QTextBrowser*>("edtRich")->isVisibleTo(w);
                static_cast<QDialog*>(w)->accept();
            }
        });
        QMetaObject::invokeMethod(m_row.get(), "on_btnFailInfo_clicked");
        EXPECT_EQ(captionShown, length == 71);
        EXPECT_EQ(richShown, length == 72);
    }
}

TEST_F(TaskRow, RenamingInPlace)
{
    m_row->setOutputTaskItemName("holiday");
    auto* name = Child<VMOutputTaskNameEdt>("ledtOutputItemName");
    EXPECT_EQ(m_row->getOutputTaskItemName(), "holiday" + m_task->GetDstFileExt());
    EXPECT_EQ(name->toolTip(), "holiday" + m_task->GetDstFileExt()) << "the whole name, however narrow the row";
    QSignalSpy renamed(m_row.get(), &VMOutputTaskItem::signal_mOutputTaskItemReNameFinished);
    QSignalSpy selected(m_row.get(), &VMOutputTaskItem::signal_selectedOutputTaskItem);
    m_row->show();
    QTest::mouseClick(name, Qt::LeftButton);
    EXPECT_EQ(selected.count(), 1);
    EXPECT_EQ(name->focusPolicy(), Qt::NoFocus);
    // Renaming to nothing restores the name and tells nobody.
    emit name->signal_reNameTaskItem();
    EXPECT_EQ(name->text(), "holiday");
    name->setText("");
    emit name->signal_reNameTaskItemFinished();
    EXPECT_EQ(name->text(), "holiday" + m_task->GetDstFileExt());
    EXPECT_EQ(renamed.count(), 0);
    name->setText("sunset");
    emit name->signal_reNameTaskItemFinished();
    EXPECT_EQ(renamed.count(), 1);
    EXPECT_EQ(m_row->getOutputTaskItemName(), "sunset");
}

TEST_F(TaskRow, FinishedUploadTaskUploadsWithTheAccountStoredMeanwhile)
{
    Settings()->SetInfoValue("YoutubeAccountInfo", QString());
    m_row->setIProfile(m_profile.get());
    ASSERT_TRUE(m_task->IsYoutubeTask());
    m_task->GetYoutubeInfo()->SetTitle(QString::fromUtf8("Ferien am Meer ☀"));
    m_task->GetYoutubeInfo()->SetCategory(YOUTUBE_CATEGORY_TRAVEL);
    const QString folder = QDir::tempPath();
    Settings()->SetInfoValue("OutputPath", folder);
    Start();
    // Entered while converting.
    Settings()->SetInfoValue("YoutubeAccountInfo",
                             YoutubeAccount::Encode(QString::fromUtf8("Zoë\tx"), "p\\w", YoutubeAccount::AccountKey()));
    const int before = FakeUploader::made;
    m_record.SetPercent(100);
    m_record.SetState(Moorland::CONVERT_TASK_FINISHED);
    ASSERT_TRUE(WaitFor([&] { return FakeUploader::made == before + 1; }));
    FakeUploader* up = FakeUploader::last;
    ASSERT_NE(up, nullptr);
    ASSERT_NE(up->callback, nullptr);
    EXPECT_EQ(up->clientId, "FC-EDITOR-1");
    EXPECT_EQ(up->user, "Zoë\tx");
    EXPECT_EQ(up->password, "p\\w");
    EXPECT_EQ(up->starts, 1);
    ASSERT_EQ(up->tasks.size(), 1u);
    FakeUploadTask& task = *up->tasks.front();
    EXPECT_EQ(QString::fromStdString(task.info[IYoutubeUploadTask::TASK_INFO_SOURCE_FILE]),
              QDir::toNativeSeparators(folder) + "/" + m_row->getOutputTaskItemName());
    EXPECT_EQ(QString::fromStdString(task.info[IYoutubeUploadTask::TASK_INFO_TITLE]),
              QString::fromUtf8("Ferien am Meer ☀"));
    EXPECT_EQ(task.category, YOUTUBE_CATEGORY_TRAVEL);
    auto* bar = Child<QProgressBar>("pgBarOutPutItemConvert");
    EXPECT_FALSE(bar->isEnabled());
    EXPECT_EQ(bar->toolTip(), "Starting upload");

    // Three GiB, half of it sent.
    const qint64 total = 3LL << 30;
    EXPECT_EQ(m_queue->runningCount(), 1) << "uploading";
    up->callback->OnUploadTaskProgressChanged(&task, total / 2, total);
    EXPECT_TRUE(bar->isEnabled());
    EXPECT_EQ(bar->toolTip(), "uploading");
    EXPECT_EQ(bar->text(), "50%");
    up->callback->OnUploadTaskProgressChanged(&task, total, total);
    EXPECT_EQ(bar->text(), "100%");
    QSignalSpy over(m_queue.get(), &COutputTaskQueue::uploadSucceeded);
    up->callback->OnUploadTaskSucceed(&task);
    EXPECT_EQ(bar->toolTip(), "Upload succeed");
    EXPECT_EQ(over.count(), 1);
    EXPECT_EQ(m_queue->runningCount(), 0);
    // The queue owns the uploader: it goes with the task, not with the row.
    const int freed = FakeUploader::freed;
    m_row.reset();
    EXPECT_EQ(FakeUploader::freed, freed);
    m_queue->remove(m_task);
    EXPECT_EQ(FakeUploader::freed, freed + 1);
}

struct ReasonCase
{
    int reason;
    const char* message; // the start of the failure message; null: unchanged
    bool logKept;
};

TEST_F(TaskRow, UploadFailuresByReason)
{
    const ReasonCase cases[] = {
        {4, "Login authentication fails, the account information is incorrect", false},
        {5, "Upload failed", false},
        {7, "Connection timeout", false},
        {8, "Connection timeout", false},
        {9, "Upload file movie.mp4 failed,the following log file", true},
        {10, "Upload file movie.mp4 failed,the following log file", true},
        {11, "Upload file movie.mp4 failed,the following log file", true},
        {12, "Upload file movie.mp4 failed,the following log file", true},
        {6, nullptr, false},
    };
    QTemporaryDir dir;
    FakeUploader* up = FinishUploadTask();
    ASSERT_NE(up, nullptr);
    ASSERT_NE(up->callback, nullptr);
    for (const ReasonCase& c : cases) {
        SCOPED_TRACE(c.reason);
        const QString log = dir.path() + "/upload.log";
        QFile f(log);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("reply");
        f.close();
        FakeUploadTask task;
        task.SetTaskInfo(IYoutubeUploadTask::TASK_INFO_ERROR_LOG, log.toUtf8().constData());
        task.SetTaskInfo(IYoutubeUploadTask::TASK_INFO_SOURCE_FILE, (dir.path() + "/movie.mp4").toUtf8().constData());
        m_row->giveUpConvertTheTaskItem("before");
        QSignalSpy over(m_queue.get(), &COutputTaskQueue::uploadFailed);
        up->callback->OnUploadTaskFailed(&task, IYoutubeUpload::UploadFaildReason(c.reason));
        EXPECT_EQ(over.count(), 1);
        EXPECT_TRUE(m_row->failureMessage().startsWith(c.message ? c.message : "before"))
            << m_row->failureMessage().toStdString();
        EXPECT_EQ(QFile::exists(log), c.logKept);
        if (c.logKept)
            EXPECT_TRUE(m_row->failureMessage().contains(log));
        EXPECT_EQ(Child<QToolButton>("btnFailInfo")->toolTip(), "Upload failed");
        QFile::remove(log);
    }
    up->callback->OnUploadInitFailed(IYoutubeUpload::UPLOAD_LOGIN_FAILED);
    EXPECT_EQ(m_row->failureMessage(), "Youtube Login Failed");
    // The conversion still shows finished beside the upload's failure.
    auto* bar = Child<QProgressBar>("pgBarOutPutItemConvert");
    EXPECT_EQ(bar->text(), "100%");
    EXPECT_EQ(bar->toolTip(), "Conversion succeed");
    EXPECT_EQ(m_queue->runningCount(), 0);
}

// An upload that cannot even begin leaves the task finished and no longer in
// the engine's care: nothing would ever report its end.
TEST_F(TaskRow, UploadThatCannotBeginEndsTheTask)
{
    m_row->setIProfile(m_profile.get());
    ASSERT_TRUE(m_task->GetUploadtoYoutube());
    m_row->show();
    Start();
    FakeUploader::unavailable = true;
    QSignalSpy finished(m_queue.get(), &COutputTaskQueue::taskFinished);
    QSignalSpy started(m_queue.get(), &COutputTaskQueue::uploadStarted);
    m_record.SetPercent(100);
    m_record.SetState(Moorland::CONVERT_TASK_FINISHED);
    const bool ended = WaitFor([&] { return finished.count() == 1; });
    FakeUploader::unavailable = false;
    ASSERT_TRUE(ended);
    EXPECT_EQ(started.count(), 0);
    EXPECT_EQ(m_queue->runningCount(), 0);
    auto* bar = Child<QProgressBar>("pgBarOutPutItemConvert");
    EXPECT_TRUE(bar->isEnabled());
    EXPECT_EQ(bar->text(), "100%");
    EXPECT_EQ(bar->toolTip(), "Conversion succeed");
    EXPECT_TRUE(Child<QToolButton>("btnFailInfo")->isHidden());
}

TEST_F(TaskRow, NameEditorEditsOnlyAfterALeftDoubleClick)
{
    m_row->show();
    auto* name = Child<VMOutputTaskNameEdt>("ledtOutputItemName");
    QSignalSpy begun(name, &VMOutputTaskNameEdt::signal_reNameTaskItem);
    QSignalSpy ended(name, &VMOutputTaskNameEdt::signal_reNameTaskItemFinished);
    QTest::mouseDClick(name, Qt::RightButton);
    EXPECT_EQ(begun.count(), 0);
    EXPECT_EQ(name->focusPolicy(), Qt::NoFocus);
    QTest::mouseDClick(name, Qt::LeftButton);
    EXPECT_EQ(begun.count(), 1);
    EXPECT_EQ(name->focusPolicy(), Qt::ClickFocus);
    QApplication::setActiveWindow(m_row.get());
    name->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(name->hasFocus());
    QTest::keyClick(name, Qt::Key_Return);
    EXPECT_EQ(ended.count(), 1);
    EXPECT_EQ(name->focusPolicy(), Qt::NoFocus);
}

TEST_F(TaskRow, RightPressAsksForTheMenuOnly)
{
    m_row->show();
    QSignalSpy menu(m_row.get(), &VMOutputTaskItem::signal_showRightMenu);
    QSignalSpy pressed(m_row.get(), &QToolButton::pressed);
    QTest::mousePress(m_row.get(), Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_EQ(menu.count(), 1);
    EXPECT_EQ(menu.at(0).at(1).toPoint(), m_row->mapToGlobal(QPoint(5, 5)));
    EXPECT_EQ(pressed.count(), 0);
    QTest::mouseRelease(m_row.get(), Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
}

// A name longer than its field shows its start, cut at the end: a name of
// letters followed by dots fills the field with ink like a name of letters
// only, never like one of dots.
TEST_F(TaskRow, LongNameShowsItsStart)
{
    m_row->resize(420, 56);
    m_row->show();
    auto* name = Child<VMOutputTaskNameEdt>("ledtOutputItemName");
    auto ink = [&](const QString& text) {
        m_row->setOutputTaskItemName(text);
        QTest::qWait(20);
        const QImage image = name->grab().toImage();
        QHash<QRgb, int> counts;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                ++counts[image.pixel(x, y)];
        int most = 0;
        for (int n : counts)
            most = std::max(most, n);
        return image.width() * image.height() - most;
    };
    const int wide = ink(QString(80, 'W'));
    const int narrow = ink(QString(80, '.'));
    const int mixed = ink(QString(40, 'W') + QString(60, '.'));
    ASSERT_GT(wide, 2 * narrow);
    EXPECT_GT(mixed, (wide + narrow) / 2) << "the start of the name is shown";
    EXPECT_EQ(name->toolTip(), QString(40, 'W') + QString(60, '.') + m_task->GetDstFileExt());
}

// A failure is kept as what failed and put into words when it is shown: one
// made while the program spoke German reads in Chinese once the user has
// switched, in the box the failure button opens and on the button itself.
TEST_F(TaskRow, FailureTextsFollowTheLanguageTheyAreShownIn)
{
    struct Case
    {
        const char* name;
        const char* source; // the words, as the row's own translations hold them
        const char* comment;
        const char* tip;
        const char* tipComment;
        std::function<void()> fail;
    };
    auto finishUpload = [this] {
        m_row->setIProfile(m_profile.get());
        Start();
        m_record.SetPercent(100);
        m_record.SetState(Moorland::CONVERT_TASK_FINISHED);
    };
    const Case cases[] = {
        {"no upload service", "The file was not uploaded: no upload service is configured.", nullptr, "Upload failed",
         "上传失败",
         [&] {
             Settings()->SetInfoValue("YoutubeLoginHost", QString());
             finishUpload();
         }},
        {"upload timed out", "Connection timeout", "连接超时", "Upload failed", "上传失败",
         [&] {
             const int before = FakeUploader::made;
             finishUpload();
             ASSERT_TRUE(WaitFor([&] { return FakeUploader::made == before + 1 && FakeUploader::last->callback; }));
             FakeUploadTask task;
             FakeUploader::last->callback->OnUploadTaskFailed(&task, IYoutubeUpload::UPLOAD_TIMEOUT);
         }},
        {"conversion failed", "Output task failed,please send the following log file to us<br><br> %1",
         "输出任务失败，请将以下日志文件发送给我们", "Conversion failed", "转换失败",
         [this] {
             Start();
             m_record.SetState(Moorland::CONVERT_TASK_FAILED);
         }},
    };
    QTranslator german, chinese;
    ASSERT_TRUE(german.load(QStringLiteral(FABLECUT_BIN_DIR "/language/fablecut_de_DE.qm")));
    ASSERT_TRUE(chinese.load(QStringLiteral(FABLECUT_BIN_DIR "/language/fablecut_zh_CN.qm")));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        m_row->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_row.get()));
        QCoreApplication::installTranslator(&german);
        c.fail();
        auto* info = Child<QToolButton>("btnFailInfo");
        ASSERT_TRUE(WaitFor([&] { return info->isVisible(); }));
        for (QTranslator* language : {&german, &chinese}) {
            if (language == &chinese) {
                QCoreApplication::removeTranslator(&german);
                QCoreApplication::installTranslator(&chinese);
                QTest::qWait(10);
            }
            const QString words = language->translate("VMOutputTaskItem", c.source, c.comment);
            ASSERT_FALSE(words.isEmpty()) << "no translation";
            const QString shown = words.section('%', 0, 0).section('<', 0, 0);
            EXPECT_TRUE(m_row->failureMessage().startsWith(shown)) << m_row->failureMessage().toStdString();
            GuiTest::BoxWatcher box;
            QTest::mouseClick(info, Qt::LeftButton);
            ASSERT_TRUE(WaitFor([&] { return !box.texts.isEmpty(); }));
            EXPECT_TRUE(box.texts.front().startsWith(shown)) << box.texts.front().toStdString();
            EXPECT_EQ(info->toolTip(), language->translate("VMOutputTaskItem", c.tip, c.tipComment));
        }
        QCoreApplication::removeTranslator(&chinese);
        Settings()->SetInfoValue("YoutubeLoginHost", "127.0.0.1");
        TearDown();
    }
}

// What a lossless task's output can't keep is kept as kinds and figures and
// reads in the user's language, the names in it as the media layer gave them.
TEST_F(TaskRow, LosslessNoticesReadInTheUsersLanguage)
{
    QTranslator german, chinese;
    ASSERT_TRUE(german.load(QStringLiteral(FABLECUT_BIN_DIR "/language/fablecut_de_DE.qm")));
    ASSERT_TRUE(chinese.load(QStringLiteral(FABLECUT_BIN_DIR "/language/fablecut_zh_CN.qm")));
    LosslessNote turnNote;
    turnNote.kind = int32_t(Moorland::LosslessNoticeKind::TurnKeptAsTag);
    turnNote.container = "MKV";
    LosslessNote soundNote;
    soundNote.kind = int32_t(Moorland::LosslessNoticeKind::SoundLeftOut);
    soundNote.container = "M2TS";
    soundNote.codec = "vorbis";
    const QString turn = "MKV keeps the clip's turn only as a \"rotate\" tag, which other players don't read";
    const QString sound = "M2TS can't hold the vorbis sound: it is left out";
    EXPECT_EQ(LosslessVerdictWords({turnNote}).toStdString(), turn.toStdString());
    EXPECT_EQ(LosslessVerdictWords({turnNote, soundNote}).toStdString(), (turn + "\n" + sound).toStdString());
    for (QTranslator* language : {&german, &chinese}) {
        QCoreApplication::installTranslator(language);
        const QString words = LosslessVerdictWords({turnNote});
        EXPECT_NE(words.toStdString(), turn.toStdString());
        EXPECT_TRUE(words.startsWith("MKV ")) << words.toStdString();
        EXPECT_TRUE(words.contains("rotate")) << words.toStdString();
        const QString left = LosslessVerdictWords({soundNote});
        EXPECT_NE(left.toStdString(), sound.toStdString());
        EXPECT_TRUE(left.contains("M2TS") && left.contains("vorbis")) << left.toStdString();
        QCoreApplication::removeTranslator(language);
    }
}
