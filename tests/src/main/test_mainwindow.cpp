#include "../MainPages/GuiTestApp.h"

#include "dialogs/AboutDialog.h"
#include "AppConfigure/CAppVariableInfo.h"
#include "ProjectData/cdcmediasrcmgr.h"
#include "ProjectData/csourcedata.h"
#include "ProjectData/isourcedataitem.h"
#include "main/mainwindow.h"
#include "ui_mainwindow.h"
#include "ExportPage/vexportpage.h"
#include "OutputTask/vmoutputtaskmgr.h"
#include "ProjectData/vimportmedialibdialog.h"
#include "MainPages/vresourcelib.h"
#include "MainPages/vsourcerpage.h"
#include "MainPages/vsourceworkspace.h"
#include "SourcePage/vtimelineview.h"

#include <QAction>
#include <QActionGroup>
#include <QListWidget>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>

using Fablecut::MainWindow;

namespace {

CAppVariableInfo* Settings()
{
    GuiTest::App("test_mainwindow");
    return CAppVariableInfo::GetInstance();
}

// A main window as the program builds it, with its skin and languages from
// the build's program folder.
std::unique_ptr<MainWindow> MakeWindow()
{
    CAppVariableInfo* settings = Settings();
    settings->SetInfoValue("CurSkinPath", QStringLiteral(FABLECUT_BIN_DIR "/skins/default"));
    IVantrel* platform = CreateVantrel();
    platform->GetLanguageProvider()->LoadLanguages(QStringLiteral(FABLECUT_BIN_DIR "/language"));
    platform->GetLanguageProvider()->SetLanguage("en_US");
    auto window = std::make_unique<MainWindow>(platform, nullptr);
    EXPECT_TRUE(window->StartupError().isEmpty()) << window->StartupError().toStdString();
    return window;
}

} // namespace

TEST(MainWindow, StartSettingsAreCorrectedAndStored)
{
    CAppVariableInfo* s = Settings();
    const struct { QVariant stored; int given; int kept; } maxRun[] = {
        {0, 4, 4}, {5, 4, 4}, {-3, 4, 4}, {1, 1, 1}, {3, 3, 3}, {"many", 4, 4}};
    for (const auto& c : maxRun) {
        s->SetInfoValue("MaxRunProgressCount", c.stored);
        EXPECT_EQ(c.given, MainWindow::ApplyMaxRunProgressCount(s)) << c.stored.toString().toStdString();
        EXPECT_EQ(c.kept, s->GetInfoValue("MaxRunProgressCount", QVariant()).toInt());
    }
    const struct { int stored; int given; int kept; } cores[] = {
        {-1, 1, -1}, {0, 8, 0}, {-5, 8, 0}, {12, 8, 8}, {3, 3, 3}, {8, 8, 8}};
    for (const auto& c : cores) {
        s->SetInfoValue("UseCPUCore", c.stored);
        EXPECT_EQ(c.given, MainWindow::ApplyUseCPUCore(s, 8)) << c.stored;
        EXPECT_EQ(c.kept, s->GetInfoValue("UseCPUCore", QVariant()).toInt()) << c.stored;
    }
    const struct { int stored; const char* decoder; int kept; } decoders[] = {
        // (The settings store itself keeps the hardware choices 1 and 2 only
        // where those decoders exist.)
        {4, "X264_DECODER", 4}, {3, "X264_DECODER", 4},
        {8, "X264_DECODER", 4}, {0, "X264_DECODER", 4}};
    for (const auto& c : decoders) {
        s->SetInfoValue("H264DecoderIndex", c.stored);
        EXPECT_EQ(c.decoder, MainWindow::ApplyDecoderIndex(s).toStdString()) << c.stored;
        EXPECT_EQ(c.kept, s->GetInfoValue("H264DecoderIndex", QVariant()).toInt()) << c.stored;
    }
}

TEST(MainWindow, PlacementOnTheDesktop)
{
    const QSize defaults(1024, 700);
    const QSize desktop(1920, 1080);
    const struct { int x, y; QSize window; QPoint expected; } cases[] = {
        {448, 190, defaults, {448, 190}},
        {2000, 100, defaults, {448, 100}},
        {1920, 100, defaults, {448, 100}},
        {-50, 100, {800, 600}, {-50, 100}},
        {-800, 100, {800, 600}, {448, 100}},
        {100, 1200, defaults, {100, 190}},
        {100, -700, defaults, {100, 190}},
        {0, 0, defaults, {0, 0}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, MainWindow::PlacedPosition(c.x, c.y, c.window, desktop, defaults))
            << c.x << "," << c.y;
}

TEST(MainWindow, LayoutComesBackAgainstThisDesktop)
{
    CAppVariableInfo* s = Settings();
    const QSize desktop = QGuiApplication::primaryScreen()->virtualGeometry().size();
    const int dw = s->GetInfoDefaultValue("MainWindowWidth").toInt();
    const int dh = s->GetInfoDefaultValue("MainWindowHeight").toInt();
    ASSERT_GT(dw, 0);
    const QPoint centre((desktop.width() - dw) / 2, (desktop.height() - dh) / 2);
    const struct
    {
        const char* what;
        bool firstRun;
        bool maximised;
        int x, y, w, h;
        QPoint pos;
        QSize size;
    } cases[] = {
        {"first run", true, false, 0, 0, 0, 0, centre, {dw, dh}},
        {"too small", false, false, 10, 20, 300, 200, {10, 20}, {dw, dh}},
        {"larger", false, false, 10, 20, dw + 40, dh + 30, {10, 20}, {dw + 40, dh + 30}},
        {"x beyond the desktop", false, false, desktop.width() + 80, 20, dw, dh, {centre.x(), 20}, {dw, dh}},
        {"x = -50", false, false, -50, 20, dw, dh, {-50, 20}, {dw, dh}},
    };
    for (const auto& c : cases) {
        for (const char* key : {"MainWindowPosX", "MainWindowPosY", "MainWindowWidth", "MainWindowHeight"})
            s->Reset(key);
        s->SetInfoValue("MainWindowMaximise", c.maximised);
        if (!c.firstRun) {
            s->SetInfoValue("MainWindowPosX", c.x);
            s->SetInfoValue("MainWindowPosY", c.y);
            s->SetInfoValue("MainWindowWidth", c.w);
            s->SetInfoValue("MainWindowHeight", c.h);
        } else {
            // A fresh store has no position: the caller's centre applies.
            s->SetInfoValue("MainWindowPosX", QVariant());
            s->SetInfoValue("MainWindowPosY", QVariant());
            s->SetInfoValue("MainWindowWidth", QVariant());
            s->SetInfoValue("MainWindowHeight", QVariant());
        }
        auto window = MakeWindow();
        EXPECT_EQ(c.size, window->size()) << c.what;
        if (!c.firstRun)
            EXPECT_EQ(c.pos, window->pos()) << c.what;
        window.reset(); // saves
        EXPECT_EQ(c.size.width(), s->GetInfoValue("MainWindowWidth", QVariant()).toInt()) << c.what;
    }
    // Saved maximised: opens maximised; the size before stays stored.
    s->SetInfoValue("MainWindowWidth", dw + 10);
    s->SetInfoValue("MainWindowMaximise", true);
    {
        auto window = MakeWindow();
        EXPECT_TRUE(window->isMaximized());
    }
    EXPECT_TRUE(s->GetInfoValue("MainWindowMaximise", false).toBool());
    EXPECT_EQ(dw + 10, s->GetInfoValue("MainWindowWidth", QVariant()).toInt());
    s->SetInfoValue("MainWindowMaximise", false);
}

TEST(MainWindow, UnmaximisingAfterAMaximisedSessionGivesTheSavedLayout)
{
    CAppVariableInfo* s = Settings();
    const int dw = s->GetInfoDefaultValue("MainWindowWidth").toInt();
    const int dh = s->GetInfoDefaultValue("MainWindowHeight").toInt();
    const QSize desktop = QGuiApplication::primaryScreen()->virtualGeometry().size();
    const QPoint centre((desktop.width() - dw) / 2, (desktop.height() - dh) / 2);
    const struct
    {
        const char* what;
        bool stored; // a normal layout was saved before the maximised session
        QPoint pos;
        QSize size;
    } cases[] = {
        {"saved before maximising", true, {30, 40}, {dw + 60, dh + 20}},
        {"never saved: the defaults", false, centre, {dw, dh}},
    };
    for (const auto& c : cases) {
        for (const char* key : {"MainWindowPosX", "MainWindowPosY", "MainWindowWidth", "MainWindowHeight"})
            s->SetInfoValue(key, QVariant());
        if (c.stored) {
            s->SetInfoValue("MainWindowPosX", c.pos.x());
            s->SetInfoValue("MainWindowPosY", c.pos.y());
            s->SetInfoValue("MainWindowWidth", c.size.width());
            s->SetInfoValue("MainWindowHeight", c.size.height());
        }
        s->SetInfoValue("MainWindowMaximise", true);
        auto window = MakeWindow();
        ASSERT_TRUE(QTest::qWaitFor([&] { return window->isMaximized(); }, 5000)) << c.what;
        // The user un-maximises the window (the window manager's button).
        window->setWindowState(window->windowState() & ~Qt::WindowMaximized);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !window->isMaximized(); }, 5000)) << c.what;
        QTest::qWait(50);
        EXPECT_EQ(c.size, window->size()) << c.what;
        // (A test screen smaller than the default size keeps a window from
        // standing above or left of it.)
        const bool onScreen = c.pos.x() >= 0 && c.pos.y() >= 0;
        if (onScreen)
            EXPECT_EQ(c.pos, window->pos()) << c.what;
        window.reset(); // saves
        EXPECT_FALSE(s->GetInfoValue("MainWindowMaximise", true).toBool()) << c.what;
        EXPECT_EQ(c.size.width(), s->GetInfoValue("MainWindowWidth", QVariant()).toInt()) << c.what;
        EXPECT_EQ(c.size.height(), s->GetInfoValue("MainWindowHeight", QVariant()).toInt()) << c.what;
        if (onScreen)
            EXPECT_EQ(c.pos.x(), s->GetInfoValue("MainWindowPosX", QVariant()).toInt()) << c.what;
    }
    s->SetInfoValue("MainWindowMaximise", false);
}

TEST(MainWindow, StartUpLeavesTheImportPageShownAndNoDialogOpen)
{
    auto window = MakeWindow();
    Ui::MainWindow* ui = window->form();
    EXPECT_TRUE(ui->btnSourcePage->isChecked());
    EXPECT_TRUE(ui->btnTest->isHidden());
    EXPECT_EQ(ui->pgSource, ui->stackedWidget->currentWidget());
    ASSERT_NE(nullptr, window->aboutBox());
    ASSERT_NE(nullptr, window->importDialog());
    ASSERT_NE(nullptr, window->backupDialog());
    EXPECT_EQ(ui->pgSource->GetTimeLineView()->getTimeLineItem(), ui->pgExport->taskList()->timeLineItem());
    window->run();
    EXPECT_EQ(nullptr, window->loadDialog());
    // Qt shows a progress dialog by itself 4 s after it is made.
    QTest::qWait(4500);
    EXPECT_FALSE(window->importDialog()->isVisible());
    EXPECT_FALSE(window->backupDialog()->isVisible());
    QTest::mouseClick(ui->btnExportPage, Qt::LeftButton);
    EXPECT_EQ(ui->pgExport, ui->stackedWidget->currentWidget());
    QTest::mouseClick(ui->btnSourcePage, Qt::LeftButton);
    EXPECT_EQ(ui->pgSource, ui->stackedWidget->currentWidget());
}

TEST(MainWindow, LanguageSwitchRetranslatesAndIsStored)
{
    CAppVariableInfo* s = Settings();
    s->SetInfoValue("LastUseLanguage", "en_US");
    auto window = MakeWindow();
    QList<QAction*> entries = window->languageGroup()->actions();
    ASSERT_EQ(3, entries.size());
    EXPECT_TRUE(entries[0]->isChecked());
    const struct { int entry; const char* file; const char* tools; const char* cancel; const char* tip; } cases[] = {
        {1, "Datei", "Extras", "Abbrechen", "Importieren/Bearbeiten"},
        {2, "文件", "工具", "取消", "导入/编辑"},
        {0, "File", "Tools", "Cancel", "Import/Edit"},
    };
    for (const auto& c : cases) {
        entries[c.entry]->trigger();
        QCoreApplication::processEvents();
        EXPECT_EQ(QString::fromUtf8(c.file), window->fileMenu()->title());
        EXPECT_EQ(QString::fromUtf8(c.tools), window->toolsMenu()->title());
        EXPECT_EQ(QString::fromUtf8(c.tip), window->form()->btnSourcePage->toolTip());
        EXPECT_EQ(QString::fromUtf8(c.cancel),
                  window->importDialog()->findChild<QPushButton*>()->text().remove('&'));
        EXPECT_EQ("Help", window->helpMenu()->title().toStdString());
        QStringList help;
        for (QAction* a : window->helpMenu()->actions())
            help << a->text();
        EXPECT_TRUE(help.contains("Help"));
        EXPECT_TRUE(help.contains("About"));
        EXPECT_EQ("Preference", window->toolsMenu()->actions().value(0)->text().toStdString());
        EXPECT_EQ(entries[c.entry]->data().toString(), s->GetInfoValue("LastUseLanguage", QVariant()).toString());
        int checked = 0;
        for (QAction* a : entries)
            checked += a->isChecked() ? 1 : 0;
        EXPECT_EQ(1, checked);
    }
}

TEST(MainWindow, ReloadFailureListsEveryPathNumbered)
{
    Settings();
    const QString text = MainWindow::ReloadFailureText({"/a.mov", "/b<c>.mov"});
    EXPECT_TRUE(text.contains("following 2 meida sources  load failed:<br>1./a.mov<br>2./b&lt;c&gt;.mov"))
        << text.toStdString();
}

TEST(MainWindow, BusyLoadAndExportEndWithoutHanging)
{
    auto window = MakeWindow();
    window->run();
    CDCMediaSrcMgr* mgr = window->mediaSrcMgr();
    const QString dir = GuiTest::TempRoot();
    GuiTest::BoxWatcher boxes;
    QTimer guard;
    guard.setSingleShot(true);
    guard.start(20000);

    // The library-file thread is busy with a save: a list import is refused
    // and the user told; no load dialog waits.
    ASSERT_TRUE(mgr->SaveMediaSourcetoFile(dir + "/busy.fml"));
    window->slot_LoadMediaSourcefromFile(dir + "/busy.fml");
    EXPECT_EQ(nullptr, window->loadDialog());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !boxes.texts.isEmpty(); }, 5000));
    EXPECT_TRUE(boxes.texts.last().contains("busy")) << boxes.texts.last().toStdString();

    // An export while it is busy is refused with a message too.
    QTest::qWait(300);
    ASSERT_TRUE(mgr->SaveMediaSourcetoFile(dir + "/busy2.fml"));
    const int before = boxes.texts.size();
    window->slot_ExportMediaLibrary(dir + "/export.fml");
    ASSERT_TRUE(QTest::qWaitFor([&] { return boxes.texts.size() > before; }, 5000));
    EXPECT_TRUE(boxes.texts.last().contains("busy"));

    // An export that cannot be written is reported.
    QTest::qWait(300);
    const int before2 = boxes.texts.size();
    window->slot_ExportMediaLibrary("/nonexistent-folder/x/list.fml");
    ASSERT_TRUE(QTest::qWaitFor([&] { return boxes.texts.size() > before2; }, 5000));
    EXPECT_TRUE(boxes.texts.last().contains("could not be written")) << boxes.texts.last().toStdString();

    // A list that loads ends its dialog.
    QTest::qWait(300);
    window->slot_LoadMediaSourcefromFile(dir + "/busy.fml");
    EXPECT_EQ(nullptr, window->loadDialog());
    EXPECT_TRUE(guard.isActive());
}

TEST(MainWindow, QuitRequestClosesAndEndsTheLoop)
{
    auto window = MakeWindow();
    window->run();
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(7); });
    guard.start(5000);
    window->QuitApp(IProductConfig::QuitByTerminate);
    EXPECT_EQ(0, QApplication::exec());
    EXPECT_FALSE(window->isVisible());
}

TEST(MainWindow, NoPlatformEndsStartUpWithAMessageInsteadOfACrash)
{
    Settings();
    MainWindow window(nullptr, nullptr);
    EXPECT_FALSE(window.StartupError().isEmpty());
    EXPECT_TRUE(window.StartupError().contains("Bad pointer")) << window.StartupError().toStdString();
    EXPECT_EQ(nullptr, window.mediaSrcMgr());
    window.run(); // does nothing: no reload dialog waits
    EXPECT_FALSE(window.isVisible());
}

// Shrunk as far as it goes, the window still shows the output page whole in
// every language: each profile page's name inside the name bar, the task
// list at its own width.
TEST(MainWindow, TheSmallestWindowKeepsTheOutputPageWhole)
{
    Settings()->SetInfoValue("LastUseLanguage", "en_US");
    auto window = MakeWindow();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    window->resize(100, 100);
    QTest::qWait(50);
    QTest::mouseClick(window->form()->btnExportPage, Qt::LeftButton);
    VExportPage* page = window->form()->pgExport;
    auto* names = page->findChild<QListWidget*>("lstPageNames");
    ASSERT_NE(names, nullptr);
    QWidget* list = page->taskList();
    QList<QAction*> entries = window->languageGroup()->actions();
    ASSERT_EQ(3, entries.size());
    for (int e : {1, 2, 0}) {
        entries[e]->trigger();
        QTest::qWait(50);
        SCOPED_TRACE(entries[e]->data().toString().toStdString());
        window->resize(100, 100);
        QTest::qWait(50);
        EXPECT_GE(list->width(), list->minimumWidth());
        ASSERT_GT(names->count(), 0);
        for (int i = 0; i < names->count(); ++i) {
            QListWidgetItem* item = names->item(i);
            if (item->isHidden())
                continue;
            const QRect r = names->visualItemRect(item);
            EXPECT_TRUE(r.left() >= 0 && r.right() < names->viewport()->width())
                << item->text().toStdString() << " at " << r.x() << "+" << r.width() << " in "
                << names->viewport()->width();
            EXPECT_GE(r.width(), names->fontMetrics().horizontalAdvance(item->text())) << item->text().toStdString();
        }
    }
}
