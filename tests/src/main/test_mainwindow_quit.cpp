// Closing the main window while the output page holds tasks: the question
// comes only while a task is still in the engine's care, never for an empty
// list or finished tasks.

#include "MainWindowTestKit.h"

#include "AppConfigure/CAppVariableInfo.h"
#include "ConvertTaskInfo2.h"
#include "ProjectData/cdcmediasrcmgr.h"
#include "OutputTask/cmmoutputtask.h"
#include "ProjectData/csourcedata.h"
#include "ProjectData/ctimelineitem.h"
#include "ProjectData/isourcedataitem.h"
#include "main/mainwindow.h"
#include "ui_mainwindow.h"
#include "ExportPage/vexportpage.h"
#include "ExportPage/vprofilemanagerwidget.h"
#include "OutputTask/vmoutputtaskitem.h"
#include "OutputTask/vmoutputtaskmgr.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QTimer>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>
#include <unistd.h>

using Fablecut::MainWindow;

namespace {

using MainWindowTest::ShipFromBuild;

std::unique_ptr<MainWindow> MakeWindow()
{
    GuiTest::App("test_mainwindow_quit");
    for (const char* name : {"all_profile.xml", "profile", "ICON"})
        ShipFromBuild(name);
    CAppVariableInfo* settings = CAppVariableInfo::GetInstance();
    settings->SetInfoValue("CurSkinPath", QStringLiteral(FABLECUT_BIN_DIR "/skins/default"));
    IVantrel* platform = CreateVantrel();
    platform->GetLanguageProvider()->LoadLanguages(QStringLiteral(FABLECUT_BIN_DIR "/language"));
    platform->GetLanguageProvider()->SetLanguage("en_US");
    auto window = std::make_unique<MainWindow>(platform, nullptr);
    EXPECT_TRUE(window->StartupError().isEmpty()) << window->StartupError().toStdString();
    return window;
}

} // namespace

TEST(MainWindowQuit, AnEmptyListClosesWithoutAQuestion)
{
    auto window = MakeWindow();
    window->run();
    GuiTest::BoxWatcher boxes;
    EXPECT_TRUE(window->close());
    QTest::qWait(100);
    EXPECT_TRUE(boxes.texts.isEmpty());
}

// The user picks another output folder while an unstarted task is selected,
// where a file of the task's name already lies: the task is renamed by that
// folder's contents and written into it, the old folder stays empty, and with
// every task finished the window closes without asking.
TEST(MainWindowQuit, TheChosenFolderIsWhereTheTaskWritesAndFinishedTasksCloseQuietly)
{
    if (access(FABLECUT_BIN_DIR "/convworker", X_OK) != 0)
        GTEST_SKIP() << "convworker is not built";
    GuiTest::App("test_mainwindow_quit");
    const QString before = GuiTest::TempRoot() + "/before";
    const QString chosen = GuiTest::TempRoot() + "/chosen";
    QDir().mkpath(before);
    QDir().mkpath(chosen);
    CAppVariableInfo::GetInstance()->SetInfoValue("OutputPath", before);
    CAppVariableInfo::GetInstance()->SetInfoValue("OutputFileExist", 0);
    auto window = MakeWindow();
    window->run();

    const QString clip = GuiTest::TempRoot() + "/Quit.avi";
    ASSERT_TRUE(GuiTest::MakeClip(clip, true, 1.0));
    ASSERT_TRUE(window->mediaSrcMgr()->ImportMediaFiles(QStringList{clip}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->sourceData()->GetSourceDataItems().empty(); }, 60000));

    VExportPage* page = window->form()->pgExport;
    VMOutPutTaskMgr* list = page->taskList();
    auto* timeline = const_cast<CTimelineItem*>(list->timeLineItem());
    ASSERT_NE(timeline, nullptr);
    ASSERT_TRUE(timeline->AppendItem(window->sourceData()->GetSourceDataItems().front()));
    page->updateOutputResListWidget();

    QTest::mouseClick(list->findChild<QToolButton*>("btnAddOutPutTask"), Qt::LeftButton);
    ASSERT_EQ(list->taskItems().size(), 1);
    VMOutputTaskItem* row = list->taskItems().front();
    list->selectTaskItem(row);
    CMMOutputTask* task = row->getMOutputTask();
    const QString name = task->GetTaskDstName();
    QFile taken(QDir(chosen).filePath(name + task->GetDstFileExt()));
    ASSERT_TRUE(taken.open(QIODevice::WriteOnly));
    taken.close();

    // Browse..., and the folder chooser answered as a user answers it.
    bool chooserSeen = false;
    QTimer chooser;
    chooser.setInterval(30);
    QObject::connect(&chooser, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QFileDialog*>(w); dialog && dialog->isVisible()) {
                chooserSeen = true;
                dialog->setDirectory(chosen);
                QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
            }
    });
    chooser.start();
    QTest::mouseClick(page->profileArea()->findChild<QToolButton*>("btnBrowse"), Qt::LeftButton);
    chooser.stop();
    ASSERT_TRUE(chooserSeen);
    EXPECT_EQ(QDir(page->profileArea()->findChild<QLineEdit*>("edtOutputPath")->text()).absolutePath().toStdString(),
              QDir(chosen).absolutePath().toStdString());

    QTest::mouseClick(row->findChild<QToolButton*>("btnStopOrStart"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const Moorland::ConvertTaskInfo2* rec = task->GetBaseConvertTaskInfo();
            return rec && rec->GetState() == Moorland::CONVERT_TASK_FINISHED && list->runningTaskCount() == 0;
        },
        120000))
        << row->failureMessage().toStdString();

    EXPECT_EQ(task->GetTaskDstName().toStdString(), (name + "_1").toStdString())
        << "the name check looked into the folder shown";
    const QFileInfo written(task->GetTaskDstFilePath());
    EXPECT_EQ(written.absolutePath().toStdString(), QDir(chosen).absolutePath().toStdString());
    EXPECT_GT(written.size(), 0);
    EXPECT_TRUE(GuiTest::Run("ffprobe -v error -select_streams v -show_entries stream=codec_type -of csv=p=0 '" +
                             written.absoluteFilePath().toStdString() + "' | grep -q video"));
    EXPECT_TRUE(QDir(before).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty())
        << "nothing lands in the folder shown when the task was added";

    GuiTest::BoxWatcher boxes;
    EXPECT_TRUE(window->close());
    QTest::qWait(100);
    EXPECT_TRUE(boxes.texts.isEmpty()) << boxes.texts.join("|").toStdString();
}
