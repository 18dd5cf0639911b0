// A source file that vanishes while the program runs (its folder renamed, as
// when a disk is unplugged) keeps its library item and its timeline clip
// with the clip's edits: both are shown missing, a conversion is refused
// naming the file, and everything works again once the file is back at its
// path, also after the library was saved and read while the file was gone.

#include "MainWindowTestKit.h"
#include "../../ProbeOutput.h"

#include "AppConfigure/CAppVariableInfo.h"
#include "ConvertTaskInfo2.h"
#include "ExportPage/vexportpage.h"
#include "MainPages/mediashowimagedelegate.h"
#include "MainPages/vicondisplayview.h"
#include "MainPages/vresourcelib.h"
#include "MainPages/vsourcerpage.h"
#include "MainPages/vsourceworkspace.h"
#include "OutputTask/cmmoutputtask.h"
#include "OutputTask/vmoutputtaskitem.h"
#include "OutputTask/vmoutputtaskmgr.h"
#include "ProjectData/cclipsettingschange.h"
#include "ProjectData/cdcmediasrcmgr.h"
#include "ProjectData/cmediasourceitem.h"
#include "ProjectData/cmprojectmgr.h"
#include "ProjectData/csourcedata.h"
#include "ProjectData/ctimelineitem.h"
#include "SourcePage/vclipitem.h"
#include "SourcePage/vtimelineview.h"
#include "SourcePage/vtrackscene.h"
#include "SourcePage/vtrackview.h"
#include "main/mainwindow.h"
#include "ui_mainwindow.h"

#include <QDragEnterEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>
#include <unistd.h>

using Fablecut::MainWindow;

namespace {

using MainWindowTest::ShipFromBuild;

QString DefaultLibraryFile()
{
    CAppVariableInfo* s = CAppVariableInfo::GetInstance();
    return s->GetAppHomePath() + "/" + s->GetInfoDefaultValue("MediaLibAutoSaveName").toString();
}

std::unique_ptr<MainWindow> MakeWindow()
{
    for (const char* name : {"all_profile.xml", "profile", "ICON"})
        ShipFromBuild(name);
    CAppVariableInfo::GetInstance()->SetInfoValue("CurSkinPath", QStringLiteral(FABLECUT_BIN_DIR "/skins/default"));
    IVantrel* platform = CreateVantrel();
    platform->GetLanguageProvider()->LoadLanguages(QStringLiteral(FABLECUT_BIN_DIR "/language"));
    platform->GetLanguageProvider()->SetLanguage("en_US");
    auto window = std::make_unique<MainWindow>(platform, nullptr);
    EXPECT_TRUE(window->StartupError().isEmpty()) << window->StartupError().toStdString();
    window->run();
    return window;
}

VResourceLib* Library(MainWindow* w)
{
    return w->form()->pgSource->GetSourceWorkSpace()->GetResourceLib();
}

// The mean grey level of the cell's thumbnail box as the grid draws it.
double ThumbnailLevel(VIconDisplayView* grid, QTableWidgetItem* cell)
{
    auto* delegate = static_cast<MediaShowImageDelegate*>(grid->itemDelegate());
    const QRect box = delegate->thumbnailRect(grid->visualItemRect(cell));
    const QImage shot = grid->viewport()->grab().toImage();
    double sum = 0;
    int n = 0;
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x, ++n)
            sum += qGray(shot.pixel(x, y));
    return n ? sum / n : 0;
}

bool Rename(const QString& from, const QString& to)
{
    return ::rename(from.toLocal8Bit().constData(), to.toLocal8Bit().constData()) == 0;
}

} // namespace

TEST(VanishedSource, KeepsItsClipAndEditsRefusesToConvertAndComesBackWithItsFile)
{
    GuiTest::App("test_mainwindow_vanished");
    if (access(FABLECUT_BIN_DIR "/convworker", X_OK) != 0)
        GTEST_SKIP() << "convworker is not built";
    QFile::remove(DefaultLibraryFile());
    const QString root = GuiTest::TempRoot() + "/vanish";
    const QString disk = root + "/usb", away = root + "/usb-unplugged", out = root + "/out";
    const QString clip = disk + "/holiday.mp4";
    QDir().mkpath(disk);
    QDir().mkpath(out);
    ASSERT_TRUE(GuiTest::MakeClip(clip, true, 2.0));
    CAppVariableInfo::GetInstance()->SetInfoValue("OutputPath", out);
    CAppVariableInfo::GetInstance()->SetInfoValue("OutputFileExist", 0);

    GuiTest::BoxWatcher boxes;
    auto window = MakeWindow();
    VResourceLib* lib = Library(window.get());
    window->form()->pgSource->slot_MediasLib_importSelected({clip});
    ASSERT_EQ(1, window->sourceData()->GetSourceDataItemsCount());
    VIconDisplayView* grid = lib->iconView();
    ASSERT_NE(grid->getItemByFullPath(clip), nullptr);

    // The library item goes to the timeline as the user drags it: picked in
    // the grid, dropped on the track.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualItemRect(grid->getItemByFullPath(clip)).center());
    std::unique_ptr<QMimeData> payload(grid->mimeData({}));
    ASSERT_NE(payload, nullptr);
    VTimeLineView* panel = window->form()->pgSource->GetTimeLineView();
    VTrackView* track = panel->getTrackView();
    MainWindowTest::DropOnTrack(track, payload.get());
    VTrackScene* scene = panel->getScene();
    const CTimelineItem* line = scene->getTimeLineItem();
    ASSERT_TRUE(QTest::qWaitFor([&] { return line->ChildItemsCount() == 1; }, 5000));

    // The user's edits: half a second trimmed off the start, the sound muted.
    CMProjectMgr* mgr = scene->getProjectMgr();
    Fablecut::ISourceDataItem* onLine = line->getItemByIndex(0);
    ASSERT_TRUE(mgr->slot_SetItemTrimStartPoint(onLine, CBaseTime(0.5)));
    CClipSettingsChange mute;
    mute.mute = true;
    ASSERT_TRUE(mgr->ChangeClipSettings(onLine, mute));
    scene->updateClipsTime(false);

    VExportPage* page = window->form()->pgExport;
    VMOutPutTaskMgr* tasks = page->taskList();
    page->updateOutputResListWidget();
    QTest::mouseClick(tasks->findChild<QToolButton*>("btnAddOutPutTask"), Qt::LeftButton);
    ASSERT_EQ(1, tasks->taskItems().size());
    VMOutputTaskItem* row = tasks->taskItems().front();
    tasks->selectTaskItem(row);

    const double shownLevel = ThumbnailLevel(grid, grid->getItemByFullPath(clip));

    // The disk goes.
    ASSERT_TRUE(Rename(disk, away));
    ASSERT_TRUE(QTest::qWaitFor([&] { return lib->missingFiles() == QStringList{clip}; }, 5000));
    QApplication::processEvents();
    EXPECT_EQ(1, window->sourceData()->GetSourceDataItemsCount()) << "the library item stays";
    QTableWidgetItem* cell = grid->getItemByFullPath(clip);
    ASSERT_NE(cell, nullptr);
    EXPECT_TRUE(cell->data(VIconDisplayView::RoleMissing).toBool());
    EXPECT_TRUE(cell->toolTip().contains("The file no longer exists: " + clip)) << cell->toolTip().toStdString();
    EXPECT_LT(ThumbnailLevel(grid, cell), shownLevel * 0.7) << "the thumbnail is dimmed under its mark";
    ASSERT_EQ(1, line->ChildItemsCount()) << "the clip stays on the timeline";
    EXPECT_EQ(onLine, line->getItemByIndex(0));
    EXPECT_NEAR(0.5, onLine->GetTrimStartPoint().ToSeconds(), 1e-6);
    EXPECT_TRUE(dynamic_cast<Fablecut::CMediaSourceItem*>(onLine)->GetMute());
    ASSERT_EQ(1, scene->getClipItems().size());
    EXPECT_TRUE(scene->getClipItems().front()->isSourceMissing());
    ASSERT_TRUE(QTest::qWaitFor([&] { return boxes.names.contains("vanishedClipsMessageBox"); }, 3000));
    EXPECT_TRUE(boxes.texts.last().contains("holiday.mp4")) << boxes.texts.last().toStdString();

    // Its conversion is refused with the reason; the task can be started again.
    QTest::mouseClick(row->findChild<QToolButton*>("btnStopOrStart"), Qt::LeftButton);
    EXPECT_EQ(nullptr, row->getMOutputTask()->GetBaseConvertTaskInfo());
    EXPECT_TRUE(row->failureMessage().contains("no longer exist")) << row->failureMessage().toStdString();
    EXPECT_TRUE(row->failureMessage().contains(clip)) << row->failureMessage().toStdString();
    EXPECT_TRUE(QDir(out).entryList(QDir::Files).isEmpty());
    // A task added while the file is gone says the same.
    QTest::mouseClick(tasks->findChild<QToolButton*>("btnAddOutPutTask"), Qt::LeftButton);
    ASSERT_EQ(2, tasks->taskItems().size());
    VMOutputTaskItem* later = tasks->taskItems().back();
    tasks->selectTaskItem(later);
    QTest::mouseClick(later->findChild<QToolButton*>("btnStopOrStart"), Qt::LeftButton);
    EXPECT_EQ(nullptr, later->getMOutputTask()->GetBaseConvertTaskInfo());
    EXPECT_TRUE(later->failureMessage().contains(clip)) << later->failureMessage().toStdString();
    tasks->selectTaskItem(row);

    // The disk comes back: the marks go and the task converts the edited clip.
    ASSERT_TRUE(Rename(away, disk));
    ASSERT_TRUE(QTest::qWaitFor([&] { return lib->missingFiles().isEmpty(); }, 5000));
    QApplication::processEvents();
    EXPECT_FALSE(grid->getItemByFullPath(clip)->data(VIconDisplayView::RoleMissing).toBool());
    EXPECT_FALSE(scene->getClipItems().front()->isSourceMissing());
    EXPECT_NEAR(shownLevel, ThumbnailLevel(grid, grid->getItemByFullPath(clip)), 1.0);
    QTest::mouseClick(row->findChild<QToolButton*>("btnStopOrStart"), Qt::LeftButton);
    ASSERT_NE(nullptr, row->getMOutputTask()->GetBaseConvertTaskInfo()) << row->failureMessage().toStdString();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const Moorland::ConvertTaskInfo2* rec = row->getMOutputTask()->GetBaseConvertTaskInfo();
            return rec && rec->GetState() == Moorland::CONVERT_TASK_FINISHED && tasks->runningTaskCount() == 0;
        },
        120000))
        << row->failureMessage().toStdString();
    tasks->selectTaskItem(later);
    QTest::mouseClick(later->findChild<QToolButton*>("btnStopOrStart"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const Moorland::ConvertTaskInfo2* rec = later->getMOutputTask()->GetBaseConvertTaskInfo();
            return rec && rec->GetState() == Moorland::CONVERT_TASK_FINISHED && tasks->runningTaskCount() == 0;
        },
        120000))
        << later->failureMessage().toStdString();
    for (VMOutputTaskItem* done : {row, later}) {
        const std::string output = done->getMOutputTask()->GetTaskDstFilePath().toStdString();
        const auto probed = MediaTest::ProbeFile(output, "codec_type", "format=duration");
        ASSERT_TRUE(probed.format.count("duration")) << output;
        EXPECT_NEAR(1.5, std::atof(probed.format.at("duration").c_str()), 0.15) << "the trim went into " << output;
    }

    // Saved while the file is gone, and read by the next start.
    ASSERT_TRUE(Rename(disk, away));
    ASSERT_TRUE(QTest::qWaitFor([&] { return lib->missingFiles() == QStringList{clip}; }, 5000));
    QSignalSpy saved(window->mediaSrcMgr(), &CDCMediaSrcMgr::signal_SaveMediaSrcFileFinished);
    QTest::qWait(100); // a save scheduled by the conversion's end finishes first
    ASSERT_TRUE(window->mediaSrcMgr()->SaveMediaSourcetoFile(DefaultLibraryFile()));
    ASSERT_TRUE(saved.wait(5000));
    EXPECT_TRUE(saved.last().at(0).toBool());
    window.reset();
    boxes.texts.clear();

    window = MakeWindow();
    lib = Library(window.get());
    ASSERT_EQ(1, window->sourceData()->GetSourceDataItemsCount()) << "the item survives the restart";
    EXPECT_EQ(clip, window->sourceData()->GetSourceDataItemByIndex(0)->GetSrcFileFullPath());
    ASSERT_TRUE(QTest::qWaitFor([&] { return lib->missingFiles() == QStringList{clip}; }, 5000));
    QApplication::processEvents();
    EXPECT_TRUE(lib->iconView()->getItemByFullPath(clip)->data(VIconDisplayView::RoleMissing).toBool());
    for (const QString& text : boxes.texts)
        EXPECT_FALSE(text.contains("holiday")) << "nothing is reported lost: " << text.toStdString();
    ASSERT_TRUE(Rename(away, disk));
    ASSERT_TRUE(QTest::qWaitFor([&] { return lib->missingFiles().isEmpty(); }, 5000));
    QApplication::processEvents();
    EXPECT_FALSE(lib->iconView()->getItemByFullPath(clip)->data(VIconDisplayView::RoleMissing).toBool());
    window.reset();
}
