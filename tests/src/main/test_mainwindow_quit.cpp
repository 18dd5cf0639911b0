// Closing the main window while the output page holds tasks: the question
// comes for any task, a finished one included, and never for an empty list.

#include "../MainPages/GuiTestApp.h"

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
#include "OutputTask/vmoutputtaskitem.h"
#include "OutputTask/vmoutputtaskmgr.h"

#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>
#include <unistd.h>

using Fablecut::MainWindow;

namespace {

// The profile catalogue lies beside the program, as the build lays it out.
void ShipFromBuild(const QString& name)
{
    const QString target = QCoreApplication::applicationDirPath() + "/" + name;
    if (QFileInfo::exists(target))
        return;
    const QString temp = target + ".part" + QString::number(getpid());
    GuiTest::Run("cp -r '" + std::string(FABLECUT_BIN_DIR) + "/" + name.toStdString() + "' '" + temp.toStdString() +
                 "'");
    if (::rename(temp.toLocal8Bit().constData(), target.toLocal8Bit().constData()) != 0)
        GuiTest::Run("rm -rf '" + temp.toStdString() + "'");
}

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

const QString kQuestion = "Some output tasks are still running, are you sure you want to quit?";

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

TEST(MainWindowQuit, OnlyAFinishedTaskStillAsks)
{
    if (access(FABLECUT_BIN_DIR "/convworker", X_OK) != 0)
        GTEST_SKIP() << "convworker is not built";
    auto window = MakeWindow();
    window->run();
    const QString out = GuiTest::TempRoot() + "/out";
    QDir().mkpath(out);
    CAppVariableInfo::GetInstance()->SetInfoValue("OutputPath", out);
    CAppVariableInfo::GetInstance()->SetInfoValue("OutputFileExist", 0);

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
    QTest::mouseClick(row->findChild<QToolButton*>("btnStopOrStart"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] {
        const Moorland::ConvertTaskInfo2* rec = row->getMOutputTask()->GetBaseConvertTaskInfo();
        return rec && rec->GetState() == Moorland::CONVERT_TASK_FINISHED && list->runningTaskCount() == 0;
    }, 120000)) << row->failureMessage().toStdString();

    GuiTest::BoxWatcher boxes;
    window->close();
    QTest::qWait(100);
    EXPECT_EQ(boxes.texts, QStringList{kQuestion});
}
