#include "GuiTestApp.h"

#include "../ProjectData/ProjectDataTestMedia.h"
#include "ProjectData/cmprojectmgr.h"
#include "ProjectData/cdcmediasrcmgr.h"
#include "ProjectData/csourcedata.h"

#include "ProjectData/cmediasourceitem.h"
#include "ProjectData/ctimelineitem.h"
#include "BackupFile/cbackupfilethread.h"
#include "BackupFile/ibackupfile.h"
#include "sysutils_file.h"
#include "FakeCamcorders.h"
#include "CamcorderDectet/vcamcorderdialog.h"
#include "AppConfigure/AppConfigDefines.h"
#include "AppConfigure/CAppVariableInfo.h"
#include "ui_vimportfileswidget.h"
#include "CamcorderDectet/vimportfileswidget.h"
#include "Preview/vdcmainplayer.h"
#include "MainPages/vsourcerpage.h"
#include "SourcePage/vtimelineview.h"
#include "SourcePage/vtimelinegotoedit.h"
#include "SourcePage/vtrackscene.h"
#include "SourcePage/vtrackview.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QToolButton>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTranslator>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

using Fablecut::CMediaSourceItem;
using Fablecut::ISourceDataItem;

namespace {

QApplication* App()
{
    return GuiTest::App("test_vsourcerpage");
}

struct ReportCase
{
    const char* what;
    QStringList failed;        // code 0
    QStringList refused;       // code 1
    QStringList expectedBoxes; // plain texts that must appear, one per box
    int boxes;
};

} // namespace

TEST(VSourcerPage, ImportErrTextEscapesNamesAndSubstitutesOnce)
{
    App();
    const QString text = VSourcerPage::ImportErrText({"/m/a%4<b>.mov", "/m/x.mov", "/m/x.mov"}, "help@fablecut.example",
                                                     "/home/u/Log/fablecut.log", "3d8ee8");
    EXPECT_TRUE(text.contains("following 3 files")) << text.toStdString();
    EXPECT_TRUE(text.contains("a%4&lt;b&gt;.mov  ,  x.mov  ,  x.mov")) << text.toStdString();
    EXPECT_TRUE(text.contains("href=\"mailto:help@fablecut.example\"style=\"color:#3d8ee8\""));
    EXPECT_TRUE(text.contains("href=\"file:///home/u/Log/fablecut.log\"style=\"color:#3d8ee8\""));
    EXPECT_FALSE(text.contains("%9"));
    EXPECT_TRUE(VSourcerPage::ImportErrText({}, "a", "b", "c").isEmpty());

    // Without a support address no empty mail link is offered; the log stays.
    const QString logOnly = VSourcerPage::ImportErrText({"/m/x.mov"}, "", "/home/u/Log/fablecut.log", "3d8ee8");
    EXPECT_FALSE(logOnly.contains("mailto:")) << logOnly.toStdString();
    EXPECT_TRUE(logOnly.contains(
        "href=\"file:///home/u/Log/fablecut.log\"style=\"color:#3d8ee8\">/home/u/Log/fablecut.log</a>"))
        << logOnly.toStdString();
    EXPECT_FALSE(logOnly.contains("%"));
}

TEST(VSourcerPage, TakeFileListBySuffix)
{
    QStringList from{"/a/clip.TiVo", "/a/clip.tivo.mpg", "/a/x.TIVO", "/a/clip.TiVo", "/a/y.mov"};
    QStringList taken;
    VSourcerPage::takeFileListBySuffix(from, taken, "tivo");
    EXPECT_EQ((QStringList{"/a/clip.TiVo", "/a/x.TIVO", "/a/clip.TiVo"}), taken);
    EXPECT_EQ((QStringList{"/a/clip.tivo.mpg", "/a/y.mov"}), from);
}

TEST(VSourcerPage, FailureReportAfterImportEnds)
{
    App();
    const std::vector<ReportCase> cases = {
        {"nothing failed", {}, {}, {}, 0},
        {"a failure, a TiVo file and an image",
         {"/a/x.mov", "/a/show.TiVo"},
         {"/a/pic.png"},
         {"following 2 files so far : \n\"x.mov , pic.png\"", "Can not import TIVO files"},
         2},
        {"a refused TiVo file is a plain failure", {}, {"/a/rec.tivo"}, {"following 1 files", ""}, 1},
        {"only TiVo files", {"/a/one.tivo"}, {}, {"Can not import TIVO files"}, 1},
        {"a doubled path counts twice",
         {"/a/x.mov", "/a/x.mov"},
         {},
         {"following 2 files so far : \n\"x.mov , x.mov\""},
         1},
        {"a name holding a marker shows literally", {"/a/a%4<b>.mov"}, {}, {"\"a%4<b>.mov\""}, 1},
    };
    for (const ReportCase& c : cases) {
        VSourcerPage page(nullptr);
        QProgressDialog dialog;
        page.SetImportDialog(&dialog);
        GuiTest::BoxWatcher boxes;
        for (const QString& path : c.failed)
            page.slot_OnSingleFileImportFailed(path, "error", 0);
        for (const QString& path : c.refused)
            page.slot_OnSingleFileImportFailed(path, "refused", 1);
        page.slot_OnSingleFileImportFailed("/a/ignored.mov", "other", 2);
        page.slot_OnAllFilesImportFinished(true);
        ASSERT_EQ(c.boxes, boxes.texts.size()) << c.what;
        for (int i = 0; i < c.boxes; ++i) {
            EXPECT_EQ("importErrMessageBox", boxes.names[i].toStdString()) << c.what;
            EXPECT_TRUE(boxes.texts[i].contains(c.expectedBoxes[i])) << c.what << ": " << boxes.texts[i].toStdString();
            EXPECT_FALSE(boxes.texts[i].contains("ignored.mov")) << c.what;
        }
        EXPECT_TRUE(page.failedFiles().isEmpty());
        EXPECT_TRUE(page.refusedFiles().isEmpty());
        EXPECT_FALSE(dialog.isVisible());
    }
}

namespace {

// A media manager whose library's file lies in `dir`, wired to the page as
// the main window wires them: each refused file and the end of the import
// reach the page, which reports the refusals in a message box.
struct ReportedImport
{
    explicit ReportedImport(const QString& dir)
    {
        mgr.SetSourceStructure(&library);
        mgr.SetDefaultLibraryFile(dir + "/default.fml");
        page.SetImportDialog(&dialog);
        QObject::connect(&mgr, &CDCMediaSrcMgr::signal_OnSingleFileImportFailed, &page,
                         &VSourcerPage::slot_OnSingleFileImportFailed);
        QObject::connect(&mgr, &CDCMediaSrcMgr::signal_OnAllFilesImportFinished, &page,
                         &VSourcerPage::slot_OnAllFilesImportFinished);
    }
    MediaTest::ManagerHolder media;
    Fablecut::CSourceData library;
    CDCMediaSrcMgr mgr{nullptr, media.manager};
    VSourcerPage page{nullptr};
    QProgressDialog dialog;
};

} // namespace

// A file the import refuses is named in the report with the reason the
// import gave, after the report's own sentence; the whole file imported
// beside it is not named.
TEST(VSourcerPage, TheImportReportTellsWhyEachFileWasRefused)
{
    App();
    ASSERT_TRUE(PDTest::Media::Get().Ok());
    const QString dir = QString::fromStdString(PDTest::Media::Get().Dir()) + "/report";
    QDir(dir).removeRecursively();
    ASSERT_TRUE(QDir().mkpath(dir));
    const QString whole = dir + "/holiday.mp4";
    ASSERT_TRUE(QFile::copy(QString::fromStdString(PDTest::Media::Get().Clip()), whole));
    const QString cut = dir + "/beach.mp4";
    {
        QFile from(whole);
        ASSERT_TRUE(from.open(QIODevice::ReadOnly));
        QFile to(cut);
        ASSERT_TRUE(to.open(QIODevice::WriteOnly));
        to.write(from.read(from.size() / 3));
    }
    const QString picture = dir + "/pic.png";
    ASSERT_TRUE(QFile::copy(QString::fromStdString(PDTest::Media::Get().Picture()), picture));

    ReportedImport wired(dir);
    GuiTest::BoxWatcher boxes;
    ASSERT_TRUE(wired.mgr.ImportMediaFiles({whole, cut, picture}));
    for (int i = 0; i < 3000 && boxes.texts.isEmpty(); ++i)
        QTest::qWait(20);
    ASSERT_EQ(1, boxes.texts.size());
    const QString text = boxes.texts[0];
    const int sentence = text.indexOf("can not import the following 2 files");
    const int cutLine = text.indexOf("\nbeach.mp4: ");
    EXPECT_GE(sentence, 0) << text.toStdString();
    EXPECT_GT(cutLine, sentence) << text.toStdString();
    const QString reason = text.mid(cutLine + 12).section('\n', 0, 0).trimmed();
    EXPECT_FALSE(reason.isEmpty()) << text.toStdString();
    EXPECT_FALSE(reason.contains("Exception")) << "only the message speaks to the user: " << reason.toStdString();
    EXPECT_TRUE(text.contains("\npic.png: pictures are not imported as media files")) << text.toStdString();
    EXPECT_FALSE(text.contains("holiday.mp4")) << text.toStdString();
    EXPECT_EQ(1u, wired.library.GetSourceDataItems().size());
}

// The German report gives its reasons in German: a file cut short and a file
// gone before its turn, said as what they mean rather than as error numbers.
TEST(VSourcerPage, TheGermanImportReportGivesGermanReasons)
{
    App();
    ASSERT_TRUE(PDTest::Media::Get().Ok());
    const QString dir = QString::fromStdString(PDTest::Media::Get().Dir()) + "/report_de";
    QDir(dir).removeRecursively();
    ASSERT_TRUE(QDir().mkpath(dir));
    const QString whole = QString::fromStdString(PDTest::Media::Get().Clip());
    const QString cut = dir + "/beach.mp4";
    {
        QFile from(whole);
        ASSERT_TRUE(from.open(QIODevice::ReadOnly));
        QFile to(cut);
        ASSERT_TRUE(to.open(QIODevice::WriteOnly));
        to.write(from.read(from.size() / 3));
    }
    const QString gone = dir + "/gone.mp4";

    QTranslator german;
    ASSERT_TRUE(german.load(QStringLiteral(FABLECUT_BIN_DIR "/language/fablecut_de_DE.qm")));
    QCoreApplication::installTranslator(&german);
    ReportedImport wired(dir);
    GuiTest::BoxWatcher boxes;
    ASSERT_TRUE(wired.mgr.ImportMediaFiles({cut, gone}));
    for (int i = 0; i < 3000 && boxes.texts.isEmpty(); ++i)
        QTest::qWait(20);
    QCoreApplication::removeTranslator(&german);
    ASSERT_EQ(1, boxes.texts.size());
    const QString text = boxes.texts[0];
    EXPECT_TRUE(text.contains("\nbeach.mp4: es ist keine Mediendatei, oder sie ist beschädigt")) << text.toStdString();
    EXPECT_TRUE(text.contains("\ngone.mp4: die Datei " + QDir::toNativeSeparators(gone) + " gibt es nicht mehr"))
        << text.toStdString();
    EXPECT_FALSE(text.contains("errno")) << text.toStdString();
    EXPECT_FALSE(text.contains("error")) << text.toStdString();
}

TEST(VSourcerPage, ARefusedImportOpensNoDialogAndLeavesTheRunningOneAlone)
{
    App();
    VSourcerPage page(nullptr);
    QProgressDialog dialog;
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    page.SetImportDialog(&dialog);
    QSignalSpy cancels(&page, &VSourcerPage::signal_canceledImportSource);
    GuiTest::BoxWatcher boxes;
    // The manager refuses at once: no dialog runs, the user is told.
    QObject::connect(&page, &VSourcerPage::signal_MediasLib_importSelected, &page,
                     [&page] { page.slot_InitImporterFailed(); });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &dialog, &QProgressDialog::cancel);
    guard.start(3000);
    page.slot_MediasLib_importSelected({"/a/one.mov", "/a/two.mov"});
    EXPECT_TRUE(guard.isActive()) << "the dialog waited for an import that never started";
    EXPECT_EQ(0, cancels.count());
    ASSERT_EQ(1, boxes.texts.size());
    EXPECT_TRUE(boxes.texts[0].contains("Another import is still running"));
}

TEST(VSourcerPage, RefusalDuringARunningImportKeepsItsDialog)
{
    App();
    VSourcerPage page(nullptr);
    QProgressDialog dialog;
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    page.SetImportDialog(&dialog);
    QSignalSpy cancels(&page, &VSourcerPage::signal_canceledImportSource);
    GuiTest::BoxWatcher boxes;
    bool stillOpen = false;
    QTimer::singleShot(100, &page, [&] {
        // A second request (for example from the project manager) is refused.
        page.slot_InitImporterFailed();
        stillOpen = dialog.isVisible();
        page.slot_BeforeImportSingleFile("/a/one.mov", 2, 1);
        page.slot_OnAllFilesImportFinished(true);
    });
    page.slot_MediasLib_importSelected({"/a/one.mov", "/a/two.mov"});
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(2, dialog.maximum());
    // Only the end's own close emits canceled(), after the import ended.
    EXPECT_LE(cancels.count(), 1);
}

namespace {

struct HandOver : ::testing::Test
{
    std::unique_ptr<VSourcerPage> page;
    CMediaSourceItem clip;
    CTimelineItem timelineItem; // a timeline of no clips, handed over as the track hands it
    IDCPlaySourceItem* clipSource = nullptr;
    IDCPlaySourceItem* timeline = nullptr;
    VDCMainPlayer* player = nullptr;
    VTimeLineView* view = nullptr;

    void SetUp() override
    {
        App();
        page.reset(new VSourcerPage(nullptr));
        player = page->GetMainPlayer();
        view = page->GetTimeLineView();
        clipSource = static_cast<IDCPlaySourceItem*>(clip.GetInterFace("DC_PLAYSOURCE_INTERFACE"));
        timeline = static_cast<IDCPlaySourceItem*>(timelineItem.GetInterFace("DC_PLAYSOURCE_INTERFACE"));
        ASSERT_NE(nullptr, clipSource);
    }

    // How many deliveries one play-time signal of the player makes.
    int Deliveries()
    {
        // Each delivery moves the track's play head, which asks the ruler to repaint.
        QSignalSpy moved(view->getTrackView(), &VTrackView::signal_rulerAnchorMoved);
        emit player->signal_mainplayer_playtimechanged(CBaseTime(1.0));
        return moved.count();
    }
};

} // namespace

TEST_F(HandOver, EventsDecideWhatThePlayerHolds)
{
    struct Step
    {
        const char* what;
        std::function<void()> act;
        IDCPlaySourceItem* const* held;
        bool hold;
        int deliveries;
    };
    IDCPlaySourceItem* none = nullptr;
    bool focusFlag = true;
    const std::vector<Step> steps = {
        {"seek on the timeline loads and connects it", [&] { page->slot_seekToCurTime(timeline, 2.0, false); },
         &timeline, true, 1},
        {"a second seek connects nothing more", [&] { page->slot_seekToCurTime(timeline, 3.0, true); }, &timeline, true,
         1},
        {"playing a library clip cuts the timeline off", [&] { page->slot_MediasLib_itemPlay(&clip); }, &clipSource,
         false, 0},
        {"a focus request with the flag set loads without connecting",
         [&] { focusFlag = page->slot_playerFocusChangeToTimeLineView(timeline, true); }, &timeline, false, 0},
        {"the emptied timeline is unloaded, connections stay as they were",
         [&] { page->slot_TimeLineItemChildCountIsZero(timeline, true); }, &none, false, 0},
        {"seeking again after emptying connects once", [&] { page->slot_seekToCurTime(timeline, 0.0, false); },
         &timeline, true, 1},
        {"emptied again, then sought again: still one delivery",
         [&] {
             page->slot_TimeLineItemChildCountIsZero(timeline, true);
             page->slot_seekToCurTime(timeline, 0.0, false);
         },
         &timeline, true, 1},
        {"a changed timeline is unloaded and cut off", [&] { page->slot_updateAVsouceData(timeline); }, &none, false,
         0},
        {"playing a null item empties the player", [&] { page->slot_MediasLib_itemPlay(nullptr); }, &none, false, 0},
    };
    for (const Step& step : steps) {
        step.act();
        EXPECT_EQ(*step.held, player->GetSourceItem()) << step.what;
        EXPECT_EQ(step.hold, view->getTrackView()->isTimeLineViewHoldThePlayer()) << step.what;
        EXPECT_EQ(step.deliveries, Deliveries()) << step.what;
    }
    EXPECT_FALSE(focusFlag);
}

// The track asks the page by call: a press on a clip hands the main player
// the timeline, and the split button cuts the clip under the play head.
TEST_F(HandOver, ThePressAndTheSplitButtonReachThePlayer)
{
    PDTest::RecordingManager media;
    CMProjectMgr mgr(nullptr, &media);
    PDTest::MovieRecord movie(1, {PDTest::Video(1, 320, 240, 10.0)});
    CMediaSourceItem source;
    source.SetSrcFileFullPath("/m/a.mp4");
    Moorland::MovieInfo* list[] = {movie.get()};
    source.SetMovieInfos(list, 1);
    view->setProjectMgr(&mgr);
    page->resize(1000, 700);
    page->show();
    QApplication::processEvents();

    // A time typed for the empty timeline takes the player from a library clip.
    page->slot_MediasLib_itemPlay(&clip);
    ASSERT_EQ(clipSource, player->GetSourceItem());
    VTimelineGotoEdit* edit = view->getTimeEdit();
    edit->setFocus();
    edit->setFocusTime(QStringLiteral("none"));
    edit->setText(QStringLiteral("00:00:02"));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(static_cast<const IDCPlaySourceItem*>(mgr.GetTimelineItem()), player->GetSourceItem())
        << "the empty timeline is handed to the player";

    ASSERT_TRUE(mgr.slot_InsertItemsByIndex({&source, &source}));
    VTrackView* track = view->getTrackView();
    const QPoint onFirst = track->mapFromScene(QPointF(4.0, 40.0));
    QTest::mouseMove(track->viewport(), onFirst);
    QTest::mouseClick(track->viewport(), Qt::LeftButton, Qt::NoModifier, onFirst);
    EXPECT_EQ(static_cast<const IDCPlaySourceItem*>(mgr.GetTimelineItem()), player->GetSourceItem())
        << "a press on a clip hands the player the timeline";

    QSignalSpy changes(&mgr, &CMProjectMgr::signal_TimelineChanged);
    track->slot_setAnchorPos(4.0, false);
    QTest::mouseClick(view->findChild<QToolButton*>("btnSplit"), Qt::LeftButton);
    EXPECT_EQ(1, changes.count());
    ASSERT_EQ(3, mgr.GetTimelineItem()->ChildItemsCount());
    EXPECT_NEAR(4.01, mgr.GetTimelineItem()->getItemByIndex(1)->GetStartPoint().ToSeconds(), 1e-6);
    EXPECT_EQ(3, view->getScene()->getClipItems().size()) << "the track follows the split";
    // The page goes before the manager: its player and track point into the timeline.
    page.reset();
}

TEST_F(HandOver, DeletingTheHeldClipUnloadsItBeforeItsDeletionRequest)
{
    CMediaSourceItem other;
    page->slot_MediasLib_itemPlay(&clip);
    QList<const IDCPlaySourceItem*> heldAtRequest;
    QList<ISourceDataItem*> requested;
    QObject::connect(page.get(), &VSourcerPage::signal_MediasLib_DelSelected, [&](ISourceDataItem* item) {
        heldAtRequest << player->GetSourceItem();
        requested << item;
    });
    page->slot_MediasDetails_DeleteSelectedItem({&other, &clip, &other});
    EXPECT_EQ((QList<ISourceDataItem*>{&other, &clip, &other}), requested);
    EXPECT_EQ(clipSource, heldAtRequest[0]);
    EXPECT_EQ(nullptr, heldAtRequest[1]);
}

namespace {

// Reads that take a while, so that a cancel lands in the middle of a run.
int SlowRead(int fd, void* buffer, unsigned int count)
{
    QThread::msleep(300);
    return QuentaBased::file_read(fd, buffer, count);
}
const BackupFileIo kSlowIo = {&SlowRead, &QuentaBased::file_write};

struct BackupCase
{
    const char* what;
    QStringList folderNames; // sources that are folders: their read fails
    QStringList takenNames;  // names already in the backup folder
    bool cancelAfterFirstPoll;
    bool missingFolder;   // the backup folder does not exist
    QStringList imported; // file names
    const char* message;  // a box text that must appear, or ""
};

} // namespace

TEST(VSourcerPage, BackupThroughTheBackuper)
{
    App();
    const std::vector<BackupCase> cases = {
        {"all copied", {}, {}, false, false, {"a.mts", "b.mts", "c.mts"}, ""},
        {"one file failing", {"b.mts"}, {}, false, false, {"a.mts", "c.mts"}, "could not be backed up"},
        {"names taken in the backup folder", {}, {"a.mts", "c.mts"}, false, false, {"a_0.mts", "b.mts", "c_0.mts"}, ""},
        {"cancel", {}, {}, true, false, {}, ""},
        {"no backup folder", {}, {}, false, true, {}, "cannot be backed up to"},
    };
    int round = 0;
    for (const BackupCase& c : cases) {
        const QString src = GuiTest::TempRoot() + "/cam" + QString::number(round);
        const QString dest = GuiTest::TempRoot() + "/backup" + QString::number(round++);
        QDir().mkpath(src);
        if (!c.missingFolder)
            QDir().mkpath(dest);
        QStringList files;
        for (const char* name : {"a.mts", "b.mts", "c.mts"}) {
            if (c.folderNames.contains(name)) {
                QDir().mkpath(src + "/" + name);
            } else {
                QFile f(src + "/" + name);
                ASSERT_TRUE(f.open(QIODevice::WriteOnly));
                f.write("clip");
            }
            if (c.takenNames.contains(name)) {
                QFile f(dest + "/" + name);
                ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            }
            files << src + "/" + name;
        }
        SetBackupFileIo(c.cancelAfterFirstPoll ? &kSlowIo : nullptr);
        auto pagePtr = std::make_unique<VSourcerPage>(nullptr);
        VSourcerPage& page = *pagePtr;
        QProgressDialog dialog;
        dialog.setAutoClose(false);
        dialog.setAutoReset(false);
        page.SetBackupProgressDlg(&dialog);
        FakeCamcorders cams;
        VCamcorderDialog wizard(cams.detector.get(), nullptr, Qt::Dialog);
        page.SetCamcorderDlg(&wizard);
        CamcorderExportData data;
        data.exportType = CamcorderExportBackup;
        data.backupPath = dest;
        data.fileList = files;
        wizard.setExportData(data);
        QList<QStringList> requests;
        QObject::connect(&page, &VSourcerPage::signal_MediasLib_importSelected,
                         [&requests](QStringList paths) { requests << paths; });
        GuiTest::BoxWatcher boxes;
        if (c.cancelAfterFirstPoll)
            QTimer::singleShot(900, &dialog, [&dialog] {
                // The user's way: the dialog's own button, which is what
                // tells the page; QProgressDialog::cancel() tells nobody.
                if (QPushButton* button = dialog.findChild<QPushButton*>())
                    QTest::mouseClick(button, Qt::LeftButton);
            });
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, &dialog, &QProgressDialog::cancel);
        guard.start(20000);
        emit wizard.accepted();
        EXPECT_TRUE(guard.isActive()) << c.what << ": the backup dialog never ended";
        QStringList imported;
        for (const QStringList& request : requests)
            for (const QString& path : request) {
                EXPECT_TRUE(path.startsWith(dest)) << c.what;
                imported << QFileInfo(path).fileName();
            }
        EXPECT_EQ(c.imported, imported) << c.what;
        EXPECT_LE(requests.size(), 1) << c.what;
        const QString all = boxes.texts.join('\n');
        if (*c.message)
            EXPECT_TRUE(all.contains(c.message)) << c.what << ": " << all.toStdString();
        else
            EXPECT_TRUE(boxes.texts.isEmpty()) << c.what << ": " << all.toStdString();
        if (c.cancelAfterFirstPoll) {
            pagePtr.reset(); // waits for the copy thread
            // Stopped within a block: the rest is not copied, the file being
            // copied is not left half written.
            const QFileInfoList left = QDir(dest).entryInfoList(QDir::Files);
            EXPECT_LT(left.size(), 3) << c.what;
            for (const QFileInfo& f : left)
                EXPECT_EQ(4, f.size()) << c.what << ": " << f.fileName().toStdString();
        }
    }
    SetBackupFileIo(nullptr);
}

namespace {

struct ShownFolderCase
{
    const char* what;
    const char* typed;    // typed into "Backup to:" ("" leaves the field as it opens)
    bool storedIsDeleted; // the stored backup folder is deleted before the wizard opens
    bool refused;         // refused with a message, nothing copied anywhere
};

QStringList FilesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

} // namespace

TEST(VSourcerPage, BackupGoesToTheFolderShownInTheWizardOrIsRefused)
{
    App();
    const QString root = GuiTest::TempRoot() + "/shown";
    const QString typed = root + "/typed";
    const QString stored = root + "/stored";
    QDir().mkpath(typed);
    // "/proc/1" is a folder no user may create files in, root included.
    const ShownFolderCase cases[] = {
        {"a typed folder", "typed", false, false},
        {"a folder that cannot be written", "/proc/1", false, true},
        {"a typed relative folder", "relative/folder", false, true},
        {"the stored folder deleted", "", true, false},
    };
    FakeCamcorders cams;
    const QString cam = cams.Avchd("CAM", {"00001.MTS", "00002.MTS"});
    CAppVariableInfo* settings = CAppVariableInfo::GetInstance();
    // One page for every case: it keeps its backuper from run to run, as in the program.
    VSourcerPage page(nullptr);
    QProgressDialog dialog;
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    page.SetBackupProgressDlg(&dialog);
    page.show();
    for (const ShownFolderCase& c : cases) {
        QDir().mkpath(stored);
        settings->SetInfoValue(STR_VARIABLECONFG_NAME_VIDEO_BACKUP_PATH, stored);
        VCamcorderDialog wizard(cams.detector.get(), nullptr, Qt::Dialog);
        // The wizard looks the volumes over when it is made: the camcorder comes after.
        cams.detector->CheckDiskStructure(cam.toStdString(), "Sony Corp.", "CAM", "");
        page.SetCamcorderDlg(&wizard);
        if (c.storedIsDeleted)
            QDir(stored).removeRecursively();
        QList<QStringList> requests;
        const auto connection = QObject::connect(&page, &VSourcerPage::signal_MediasLib_importSelected,
                                                 [&requests](QStringList paths) { requests << paths; });
        const QStringList typedBefore = FilesIn(typed);
        GuiTest::BoxWatcher boxes;

        QToolButton* camButton = page.findChild<QToolButton*>("btnImportCamRes");
        ASSERT_TRUE(camButton);
        QTest::mouseClick(camButton, Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return wizard.isVisible(); }, 5000))
            << c.what << ": " << boxes.texts.join(" / ").toStdString();
        Ui::VImportFilesWidget* form = wizard.importFilesPage()->form();
        QTest::mouseClick(form->cbxBackUp, Qt::LeftButton, {}, QPoint(6, form->cbxBackUp->height() / 2));
        ASSERT_TRUE(form->cbxBackUp->isChecked()) << c.what;
        if (*c.typed) {
            const QString folder = QString(c.typed) == "typed" ? typed : QString(c.typed);
            form->edtBackupPath->setFocus();
            QTest::keyClick(form->edtBackupPath, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(form->edtBackupPath, folder);
        }
        const QString shown = form->edtBackupPath->text();
        EXPECT_TRUE(!c.storedIsDeleted || shown != stored) << c.what << ": the deleted folder is still shown";
        // Start: the backup runs behind its dialog inside this click.
        QTest::mouseClick(wizard.findChild<QPushButton*>("btnNext"), Qt::LeftButton);
        EXPECT_FALSE(dialog.isVisible()) << c.what;
        QObject::disconnect(connection);
        const QString all = boxes.texts.join('\n');
        if (c.refused) {
            EXPECT_TRUE(requests.isEmpty()) << c.what;
            EXPECT_TRUE(all.contains("cannot be backed up to")) << c.what << ": " << all.toStdString();
            EXPECT_EQ(typedBefore, FilesIn(typed)) << c.what << ": copied into an earlier folder";
            EXPECT_TRUE(FilesIn(stored).isEmpty()) << c.what;
        } else {
            ASSERT_EQ(1, requests.size()) << c.what << ": " << all.toStdString();
            QStringList names;
            for (const QString& path : requests[0]) {
                EXPECT_EQ(QDir(shown).absolutePath(), QFileInfo(path).absolutePath()) << c.what;
                names << QFileInfo(path).fileName();
            }
            EXPECT_EQ((QStringList{"00001.MTS", "00002.MTS"}), names) << c.what;
        }
        page.SetCamcorderDlg(nullptr);
    }
}

TEST(VSourcerPage, NoBackuperRefusesTheBackupWithAMessage)
{
    App();
    VSourcerPage page(nullptr);
    page.SetBackuper(nullptr);
    QProgressDialog dialog;
    page.SetBackupProgressDlg(&dialog);
    QSignalSpy requests(&page, &VSourcerPage::signal_MediasLib_importSelected);
    GuiTest::BoxWatcher boxes;
    page.slot_performBackupFiles({"/cam/a.mts"}, GuiTest::TempRoot());
    EXPECT_EQ(0, requests.count());
    ASSERT_EQ(1, boxes.texts.size());
    EXPECT_TRUE(boxes.texts[0].contains("no file backuper"));
}
