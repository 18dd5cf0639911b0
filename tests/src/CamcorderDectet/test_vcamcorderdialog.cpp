#include "FakeCamcorders.h"
#include "GuiTestApp.h"

#include "AppConfigure/AppConfigDefines.h"
#include "AppConfigure/CAppVariableInfo.h"
#include "CamcorderDectet/ccamdetectwatcher.h"
#include "ui_vimportfileswidget.h"
#include "CamcorderDectet/vcamcorderdialog.h"
#include "CamcorderDectet/vimportfileswidget.h"
#include "Preview/vmpreviewplayer.h"
#include "CamcorderDectet/vselectcamcorderwidget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// The application with its settings in a home folder of its own. Nothing is
// copied beside the test program: other tests share that folder.
QApplication* App()
{
    static int argc = 1;
    static char name[] = "test_vcamcorderdialog";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        const QString home = GuiTest::TempRoot() + "/home";
        QDir().mkpath(home);
        setenv("HOME", home.toLocal8Bit().constData(), 1);
        setenv("XDG_DATA_HOME", (home + "/.local/share").toLocal8Bit().constData(), 1);
        return new QApplication(argc, argv);
    }();
    return app;
}

QPushButton* Button(VCamcorderDialog& w, const char* name)
{
    return w.findChild<QPushButton*>(name);
}

QStringList Shown(QListWidget* list)
{
    QStringList names;
    for (int i = 0; i < list->count(); ++i)
        if (!list->item(i)->isHidden())
            names << list->item(i)->text();
    return names;
}

QStringList Texts(QListWidget* list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

const CCamcorderInfo* AddCamcorder(FakeCamcorders& cams, const QString& name, const QStringList& videos,
                                   const char* maker = "Sony Corp.")
{
    const QString root = cams.Avchd(name, videos);
    return cams.detector->CheckDiskStructure(root.toStdString(), maker, name.toStdString(), "");
}

} // namespace

TEST(VCamcorderDialog, OpeningWithNoneOneOrTwoCamcorders)
{
    App();
    FakeCamcorders cams;
    VCamcorderDialog wizard(cams.detector.get(), nullptr, Qt::Dialog);
    {
        GuiTest::BoxWatcher boxes;
        bool shown = true;
        wizard.show(shown);
        EXPECT_FALSE(shown);
        EXPECT_FALSE(wizard.isVisible());
        EXPECT_EQ(QStringList{"No camcorder is connected"}, boxes.texts);
    }
    // One camcorder: straight to page 2, Back disabled, every file ticked.
    AddCamcorder(cams, "ONE", {"00001.MTS", "00002.MTS"});
    bool shown = false;
    wizard.show(shown);
    ASSERT_TRUE(shown);
    EXPECT_EQ(2, wizard.step());
    EXPECT_TRUE(wizard.importFilesPage()->isVisible());
    EXPECT_FALSE(wizard.selectCamcorderPage()->isVisible());
    EXPECT_FALSE(Button(wizard, "btnBack")->isEnabled());
    EXPECT_EQ("Start", Button(wizard, "btnNext")->text());
    EXPECT_EQ(2, wizard.importFilesPage()->getSelectedFileList().size());
    EXPECT_EQ("ONE      Sony Corp.", wizard.importFilesPage()->form()->lblCamcorderName->text());
    wizard.reject();
    EXPECT_FALSE(wizard.isVisible());
    EXPECT_EQ(0, wizard.step());

    // Two: page 1 first; Next goes to page 2, where Back is enabled and leads back.
    AddCamcorder(cams, "TWO", {"00009.MTS"});
    wizard.show(shown);
    ASSERT_TRUE(shown);
    EXPECT_EQ(0, wizard.step());
    EXPECT_EQ("Next", Button(wizard, "btnNext")->text());
    VSelectCamcorderWidget* page1 = wizard.selectCamcorderPage();
    ASSERT_EQ(2, page1->lstvCamcorder->count());
    // Same maker, told apart by their tool tips.
    EXPECT_EQ(page1->lstvCamcorder->item(0)->text(), page1->lstvCamcorder->item(1)->text());
    page1->lstvCamcorder->setCurrentRow(1);
    EXPECT_EQ(QStringList{"00009.MTS"}, Texts(page1->lstvVideoFiles));
    QTest::mouseClick(Button(wizard, "btnNext"), Qt::LeftButton);
    EXPECT_EQ(2, wizard.step());
    EXPECT_TRUE(Button(wizard, "btnBack")->isEnabled());
    EXPECT_EQ(QStringList{"00009.MTS"}, Texts(wizard.importFilesPage()->form()->lstvImportFiles));
    QTest::mouseClick(Button(wizard, "btnBack"), Qt::LeftButton);
    EXPECT_EQ(0, wizard.step());
    EXPECT_EQ(cams.detector->GetCamCorder(1)->rootPath, page1->getSelectedRootPath().toStdString());
    wizard.reject();
}

TEST(VCamcorderDialog, NextNeedsACamcorderWithVideos)
{
    App();
    FakeCamcorders cams;
    VCamcorderDialog wizard(cams.detector.get(), nullptr, Qt::Dialog); // its first scan finds no mounts
    AddCamcorder(cams, "A", {"1.MTS"});
    AddCamcorder(cams, "EMPTY", {});
    bool shown = false;
    wizard.show(shown);
    ASSERT_TRUE(shown);
    VSelectCamcorderWidget* page1 = wizard.selectCamcorderPage();
    GuiTest::BoxWatcher boxes;
    page1->lstvCamcorder->clearSelection();
    QTest::mouseClick(Button(wizard, "btnNext"), Qt::LeftButton);
    EXPECT_EQ(0, wizard.step());
    page1->lstvCamcorder->setCurrentRow(1);
    QTest::mouseClick(Button(wizard, "btnNext"), Qt::LeftButton);
    EXPECT_EQ(0, wizard.step());
    ASSERT_EQ(2, boxes.texts.size());
    EXPECT_EQ("Please select a camcorder first.", boxes.texts[0]);
    EXPECT_TRUE(boxes.texts[1].startsWith("This camcorder does not contain any video file"));
    wizard.reject();
}

TEST(VCamcorderDialog, StartGivesImportOrBackupWithTheTickedFiles)
{
    App();
    FakeCamcorders cams;
    VCamcorderDialog wizard(cams.detector.get(), nullptr, Qt::Dialog);
    AddCamcorder(cams, "CAM", {"00001.MTS", "00002.MTS", "00003.MTS"});
    QSignalSpy accepted(&wizard, &QDialog::accepted);
    VImportFilesWidget* page2 = wizard.importFilesPage();
    struct Case
    {
        bool backup;
        QList<int> unticked;
        CamcorderExportType type;
    };
    const Case cases[] = {
        {false, {1}, CamcorderExportImport}, {true, {}, CamcorderExportBackup}, {false, {0, 2}, CamcorderExportImport}};
    QString backupPath;
    for (const Case& c : cases) {
        bool shown = false;
        wizard.show(shown);
        ASSERT_TRUE(shown);
        QListWidget* files = page2->form()->lstvImportFiles;
        QStringList expected;
        for (int i = 0; i < files->count(); ++i) {
            if (c.unticked.contains(i))
                files->item(i)->setCheckState(Qt::Unchecked);
            else
                expected << files->item(i)->data(Qt::UserRole).toString();
        }
        page2->form()->cbxBackUp->setChecked(c.backup);
        EXPECT_EQ(c.backup, page2->form()->frmBackupDst->isEnabled());
        QTest::mouseClick(Button(wizard, "btnNext"), Qt::LeftButton);
        EXPECT_FALSE(wizard.isVisible());
        const CamcorderExportData data = wizard.getExportData();
        EXPECT_EQ(c.type, data.exportType);
        EXPECT_EQ(expected, data.fileList);
        if (c.backup) {
            backupPath = data.backupPath;
            EXPECT_TRUE(QDir(backupPath).exists());
            EXPECT_EQ(backupPath, CAppVariableInfo::GetInstance()
                                      ->GetInfoValue(STR_VARIABLECONFG_NAME_VIDEO_BACKUP_PATH, QVariant())
                                      .toString());
        } else {
            EXPECT_EQ(backupPath, data.backupPath); // the earlier folder stays in the record
        }
    }
    EXPECT_EQ(3, accepted.count());

    // Start follows the ticks within the page's 100 ms poll.
    bool shown = false;
    wizard.show(shown);
    QListWidget* files = page2->form()->lstvImportFiles;
    page2->form()->cbxCheckAll->setChecked(false);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !Button(wizard, "btnNext")->isEnabled(); }, 10000));
    files->item(1)->setCheckState(Qt::Checked);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Button(wizard, "btnNext")->isEnabled(); }, 10000));
    EXPECT_FALSE(page2->form()->cbxCheckAll->isChecked());
    files->item(0)->setCheckState(Qt::Checked);
    files->item(2)->setCheckState(Qt::Checked);
    EXPECT_TRUE(QTest::qWaitFor([&] { return page2->form()->cbxCheckAll->isChecked(); }, 10000));
    QTest::mouseClick(Button(wizard, "btnCancel"), Qt::LeftButton);
    EXPECT_EQ(3, accepted.count());
}

TEST(VCamcorderDialog, GroupingsByDateAndType)
{
    App();
    FakeCamcorders cams("AVCHD\tSD_VIDEO");
    const QString root = cams.dir + "/CAM";
    const QDateTime y2020(QDate(2020, 5, 1), QTime(12, 0));
    const QDateTime y2021a(QDate(2021, 3, 4), QTime(12, 0));
    const QDateTime y2021b(QDate(2021, 3, 9), QTime(12, 0));
    FakeCamcorders::Video(root + "/AVCHD/A/00001.MTS", y2020);
    FakeCamcorders::Video(root + "/AVCHD/B/00001.MTS", y2021a); // one name in two folders
    FakeCamcorders::Video(root + "/AVCHD/B/00002.MTS", y2021b);
    FakeCamcorders::Video(root + "/SD_VIDEO/MOV001.MOD", y2021b);
    VCamcorderDialog wizard(cams.detector.get(), nullptr, Qt::Dialog);
    ASSERT_NE(nullptr, cams.detector->CheckDiskStructure(root.toStdString(), "", "", ""));
    bool shown = false;
    wizard.show(shown);
    ASSERT_TRUE(shown);
    Ui::VImportFilesWidget* form = wizard.importFilesPage()->form();
    EXPECT_EQ(root, form->lblCamcorderName->text()); // no maker: the root path
    EXPECT_EQ(QStringList{""}, Texts(form->lstvClassifyOptions));
    struct Case
    {
        int index;
        QStringList options;
        QString pick;
        QStringList shown;
    };
    const Case cases[] = {
        {1, {"2021", "2020"}, "2020", {"00001.MTS"}},
        {2, {"2021/03", "2020/05"}, "2021/03", {"00001.MTS", "00002.MTS", "MOV001.MOD"}},
        {3, {"2021/03/09", "2021/03/04", "2020/05/01"}, "2021/03/04", {"00001.MTS"}},
        {4, {"MOD", "MTS"}, "MOD", {"MOV001.MOD"}},
        {0, {""}, "", {"00001.MTS", "00001.MTS", "00002.MTS", "MOV001.MOD"}},
    };
    for (const Case& c : cases) {
        form->cbbxClassifyOptions->setCurrentIndex(c.index);
        EXPECT_EQ(c.options, Texts(form->lstvClassifyOptions)) << c.index;
        const QList<QListWidgetItem*> match = form->lstvClassifyOptions->findItems(c.pick, Qt::MatchExactly);
        ASSERT_EQ(1, match.size());
        form->lstvClassifyOptions->setCurrentItem(match.first());
        EXPECT_EQ(c.shown, Shown(form->lstvImportFiles)) << c.index;
    }
    // A group hides files but keeps their ticks; "Check All" touches only shown files.
    form->cbbxClassifyOptions->setCurrentIndex(4);
    form->lstvClassifyOptions->setCurrentRow(0); // MOD
    form->cbxCheckAll->setChecked(false);
    const QStringList ticked = wizard.importFilesPage()->getSelectedFileList();
    EXPECT_EQ(3, ticked.size());
    EXPECT_FALSE(ticked.join('\n').contains("MOV001.MOD"));
    wizard.reject();
}

TEST(VCamcorderDialog, RemovalsWhileOpenAndAFailingPreview)
{
    App();
    FakeCamcorders cams;
    const QString a = cams.Avchd("A", {"1.MTS"});
    const QString b = cams.Avchd("B", {"2.MTS"});
    cams.Mount(a, 17);
    cams.Mount(b, 33);
    CCamDetectWatcher watcher(cams.detector.get(), nullptr);
    VCamcorderDialog wizard(cams.detector.get(), nullptr, Qt::Dialog);
    QObject::connect(&watcher, &CCamDetectWatcher::signal_OnCamCorderConnect, &wizard,
                     &VCamcorderDialog::slot_OnCamCorderConnect);
    QObject::connect(&watcher, &CCamDetectWatcher::signal_OnCamCorderDisConnect, &wizard,
                     &VCamcorderDialog::slot_OnCamCorderDisConnect);
    watcher.InstallConnectionCallBack();
    bool shown = false;
    wizard.show(shown);
    ASSERT_TRUE(shown);
    ASSERT_EQ(2, wizard.selectCamcorderPage()->lstvCamcorder->count());
    wizard.selectCamcorderPage()->lstvCamcorder->setCurrentRow(0);
    QTest::mouseClick(Button(wizard, "btnNext"), Qt::LeftButton);
    ASSERT_EQ(2, wizard.step());

    GuiTest::BoxWatcher boxes;
    QSignalSpy gone(&watcher, &CCamDetectWatcher::signal_OnCamCorderDisConnect);
    cams.Unmount(b);
    ASSERT_TRUE(QTest::qWaitFor([&] { return gone.count() == 1; }, 5000));
    QTest::qWait(100);
    EXPECT_EQ(QStringList{"The camcorder is disconnected!"}, boxes.texts);
    EXPECT_TRUE(wizard.isVisible());
    EXPECT_EQ(2, wizard.step());
    EXPECT_EQ(QStringList{"1.MTS"}, Texts(wizard.importFilesPage()->form()->lstvImportFiles));

    // A file the player cannot open is reported, and nothing leaves the slot.
    CAppVariableInfo::GetInstance()->SetInfoValue(STR_APPVARINFO_SHOWINFO_CAMCORDER_PLAY, false);
    QListWidget* files = wizard.importFilesPage()->form()->lstvImportFiles;
    files->setCurrentRow(0);
    wizard.importFilesPage()->form()->importPlayer->Play(); // the player's own play button
    ASSERT_TRUE(QTest::qWaitFor([&] { return boxes.texts.size() == 2; }, 10000));
    EXPECT_TRUE(boxes.texts[1].startsWith("The video cannot be previewed")) << boxes.texts[1].toStdString();

    // The last camcorder going closes the wizard without a message of its own.
    QSignalSpy rejected(&wizard, &QDialog::rejected);
    cams.Unmount(a);
    ASSERT_TRUE(QTest::qWaitFor([&] { return gone.count() == 2; }, 5000));
    QTest::qWait(100);
    EXPECT_EQ(1, rejected.count());
    EXPECT_FALSE(wizard.isVisible());
    EXPECT_EQ(2, boxes.texts.size());

    // Connected again while the wizard is hidden: it lists it at the next opening.
    cams.Mount(a, 17);
    QSignalSpy back(&watcher, &CCamDetectWatcher::signal_OnCamCorderConnect);
    ASSERT_TRUE(QTest::qWaitFor([&] { return back.count() == 1; }, 5000));
    wizard.show(shown);
    EXPECT_TRUE(shown);
    EXPECT_EQ(2, wizard.step());
    wizard.reject();
}
