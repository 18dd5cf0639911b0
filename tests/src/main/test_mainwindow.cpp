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
#include "SourcePage/vtrackview.h"

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
#include <QFile>
#include <QFrame>
#include <QGraphicsView>
#include <QMenuBar>
#include <QRegularExpression>
#include <QSet>
#include <QSlider>

#include <gtest/gtest.h>

#include <cmath>
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

// A menu text as shown: without its mnemonic marker, in either of the two
// forms ("&File", "文件(&F)").
QString MenuWords(QString text)
{
    text.remove(QRegularExpression("\\(&.\\)$"));
    return text.remove('&');
}

// The mnemonic letter of a menu text, or 0 when it has none or more than one.
QChar Mnemonic(const QString& text)
{
    QChar found;
    int count = 0;
    for (int i = 0; i + 1 < text.size(); ++i)
        if (text[i] == '&') {
            if (text[i + 1] == '&') {
                ++i;
                continue;
            }
            found = text[i + 1].toLower();
            ++count;
        }
    return count == 1 ? found : QChar();
}

// Contrast ratio of two colours by their relative luminance.
double Contrast(QColor a, QColor b)
{
    auto lum = [](QColor c) {
        auto lin = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * lin(c.redF()) + 0.7152 * lin(c.greenF()) + 0.0722 * lin(c.blueF());
    };
    const double x = lum(a), y = lum(b);
    return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
}

} // namespace

TEST(MainWindow, StartSettingsAreCorrectedAndStored)
{
    CAppVariableInfo* s = Settings();
    const struct
    {
        QVariant stored;
        int given;
        int kept;
    } maxRun[] = {{0, 4, 4}, {5, 4, 4}, {-3, 4, 4}, {1, 1, 1}, {3, 3, 3}, {"many", 4, 4}};
    for (const auto& c : maxRun) {
        s->SetInfoValue("MaxRunProgressCount", c.stored);
        EXPECT_EQ(c.given, MainWindow::ApplyMaxRunProgressCount(s)) << c.stored.toString().toStdString();
        EXPECT_EQ(c.kept, s->GetInfoValue("MaxRunProgressCount", QVariant()).toInt());
    }
    const struct
    {
        int stored;
        int given;
        int kept;
    } cores[] = {{-1, 1, -1}, {0, 8, 0}, {-5, 8, 0}, {12, 8, 8}, {3, 3, 3}, {8, 8, 8}};
    for (const auto& c : cores) {
        s->SetInfoValue("UseCPUCore", c.stored);
        EXPECT_EQ(c.given, MainWindow::ApplyUseCPUCore(s, 8)) << c.stored;
        EXPECT_EQ(c.kept, s->GetInfoValue("UseCPUCore", QVariant()).toInt()) << c.stored;
    }
    const struct
    {
        int stored;
        const char* decoder;
        int kept;
    } decoders[] = {// (The settings store itself keeps the hardware choices 1 and 2 only
                    // where those decoders exist.)
                    {4, "X264_DECODER", 4},
                    {3, "X264_DECODER", 4},
                    {8, "X264_DECODER", 4},
                    {0, "X264_DECODER", 4}};
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
    const struct
    {
        int x, y;
        QSize window;
        QPoint expected;
    } cases[] = {
        {448, 190, defaults, {448, 190}},    {2000, 100, defaults, {448, 100}},
        {1920, 100, defaults, {448, 100}},   {-50, 100, {800, 600}, {-50, 100}},
        {-800, 100, {800, 600}, {448, 100}}, {100, 1200, defaults, {100, 190}},
        {100, -700, defaults, {100, 190}},   {0, 0, defaults, {0, 0}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, MainWindow::PlacedPosition(c.x, c.y, c.window, desktop, defaults)) << c.x << "," << c.y;
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
    const struct
    {
        int entry;
        const char* file;
        const char* tools;
        const char* cancel;
        const char* tip;
    } cases[] = {
        {1, "Datei", "Extras", "Abbrechen", "Importieren/Bearbeiten"},
        {2, "文件", "工具", "取消", "导入/编辑"},
        {0, "File", "Tools", "Cancel", "Import/Edit"},
    };
    for (const auto& c : cases) {
        entries[c.entry]->trigger();
        QCoreApplication::processEvents();
        EXPECT_EQ(QString::fromUtf8(c.file), MenuWords(window->fileMenu()->title()));
        EXPECT_EQ(QString::fromUtf8(c.tools), MenuWords(window->toolsMenu()->title()));
        EXPECT_EQ(QString::fromUtf8(c.tip), window->form()->btnSourcePage->toolTip());
        EXPECT_EQ(QString::fromUtf8(c.cancel), window->importDialog()->findChild<QPushButton*>()->text().remove('&'));
        EXPECT_EQ("Help", MenuWords(window->helpMenu()->title()).toStdString());
        QStringList help;
        for (QAction* a : window->helpMenu()->actions())
            help << MenuWords(a->text());
        EXPECT_TRUE(help.contains("Help"));
        EXPECT_TRUE(help.contains("About"));
        EXPECT_EQ("Preference", MenuWords(window->toolsMenu()->actions().value(0)->text()).toStdString());
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

// In every language each menu entry has one mnemonic, no two entries of a menu
// share it, and Alt with a menu bar letter opens that menu.
TEST(MainWindow, EveryMenuHasMnemonicsInEveryLanguage)
{
    CAppVariableInfo* s = Settings();
    s->SetInfoValue("LastUseLanguage", "en_US");
    auto window = MakeWindow();
    window->show();
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    const QList<QAction*> entries = window->languageGroup()->actions();
    ASSERT_EQ(3, entries.size());
    const struct
    {
        int entry;
        Qt::Key file, tools, help;
    } languages[] = {{0, Qt::Key_F, Qt::Key_T, Qt::Key_H},
                     {1, Qt::Key_D, Qt::Key_X, Qt::Key_H},
                     {2, Qt::Key_F, Qt::Key_T, Qt::Key_H}};
    for (const auto& l : languages) {
        entries[l.entry]->trigger();
        QCoreApplication::processEvents();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        const std::string lang = entries[l.entry]->data().toString().toStdString();
        // Every menu of the program (the language list names languages in
        // their own words and has no letters).
        QList<QPair<QString, QStringList>> menus;
        QStringList bar;
        for (QAction* a : window->menuBar()->actions())
            bar << a->text();
        menus << qMakePair(QString("menu bar"), bar);
        int seen = 0;
        for (QWidget* w : QApplication::allWidgets()) {
            auto* menu = qobject_cast<QMenu*>(w);
            if (!menu)
                continue;
            QStringList texts;
            for (QAction* a : menu->actions())
                if (!a->isSeparator() && !window->languageGroup()->actions().contains(a))
                    texts << a->text();
            if (texts.isEmpty())
                continue;
            ++seen;
            const QObject* owner = menu->parent();
            menus << qMakePair(menu->title().isEmpty() ? QString(owner ? owner->metaObject()->className() : "menu")
                                                       : MenuWords(menu->title()),
                               texts);
        }
        EXPECT_GE(seen, 9) << "the window's, the timeline's, the task list's and the library's menus";
        for (const auto& menu : menus) {
            QSet<QChar> letters;
            for (const QString& text : menu.second) {
                const QChar letter = Mnemonic(text);
                EXPECT_FALSE(letter.isNull()) << lang << " " << menu.first.toStdString() << ": " << text.toStdString();
                EXPECT_FALSE(letters.contains(letter))
                    << lang << " " << menu.first.toStdString() << ": " << text.toStdString() << " repeats a letter";
                letters << letter;
            }
        }
        const struct
        {
            Qt::Key key;
            QMenu* menu;
        } opens[] = {{l.file, window->fileMenu()}, {l.tools, window->toolsMenu()}, {l.help, window->helpMenu()}};
        for (const auto& o : opens) {
            // As the display delivers them: each key to the focus, and the
            // releases to the menu once it has opened and grabbed the keys.
            auto target = [&]() -> QWidget* {
                if (QWidget* popup = QApplication::activePopupWidget())
                    return popup;
                return QApplication::focusWidget() ? QApplication::focusWidget() : window.get();
            };
            QTest::keyPress(target(), Qt::Key_Alt, Qt::AltModifier);
            QTest::keyPress(target(), o.key, Qt::AltModifier);
            QTest::keyRelease(target(), o.key, Qt::AltModifier);
            QTest::keyRelease(target(), Qt::Key_Alt, Qt::NoModifier);
            EXPECT_TRUE(QTest::qWaitFor([&] { return o.menu->isVisible(); }, 2000))
                << lang << ": Alt+" << QKeySequence(o.key).toString().toStdString();
            // Escape closes the menu, a second one leaves the menu bar.
            QTest::keyClick(target(), Qt::Key_Escape);
            QTest::keyClick(target(), Qt::Key_Escape);
            ASSERT_TRUE(QTest::qWaitFor([&] { return !o.menu->isVisible(); }, 2000));
            // The offscreen display gives the activation back to no window.
            QApplication::setActiveWindow(window.get());
            ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        }
    }
    entries[0]->trigger();
}

// The keys the zoom buttons name change the zoom while the timeline has the
// focus: "+" (and "=") one step in, "-" one step out.
TEST(MainWindow, ZoomKeysZoomTheTimeline)
{
    auto window = MakeWindow();
    window->show();
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    VTimeLineView* panel = window->form()->pgSource->GetTimeLineView();
    auto* zoom = panel->findChild<QSlider*>("sldZoom");
    zoom->setValue(6);
    QGraphicsView* track = panel->getTrackView();
    QTest::mouseClick(track->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    ASSERT_TRUE(track->hasFocus());
    const struct
    {
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        int step;
    } keys[] = {{Qt::Key_Plus, Qt::ShiftModifier, 7},
                {Qt::Key_Plus, Qt::KeypadModifier, 8},
                {Qt::Key_Equal, Qt::NoModifier, 9},
                {Qt::Key_Minus, Qt::NoModifier, 8},
                {Qt::Key_Minus, Qt::KeypadModifier, 7}};
    for (const auto& k : keys) {
        QTest::keyClick(track, k.key, k.mods);
        EXPECT_EQ(k.step, zoom->value()) << QKeySequence(k.key).toString().toStdString();
    }
}

// Tab puts a frame around the focused widget that stands out from the ground
// around it by at least 3:1, measured on the window's picture.
TEST(MainWindow, KeyboardFocusIsFramedVisibly)
{
    auto window = MakeWindow();
    // The skin, as the program lays it over the whole application.
    QFile css(QStringLiteral(FABLECUT_BIN_DIR "/skins/default/skin.css"));
    ASSERT_TRUE(css.open(QIODevice::ReadOnly));
    const QString sheet = QString::fromLatin1(css.readAll());
    qApp->setStyleSheet(QString(sheet).replace("%skinpath%", FABLECUT_BIN_DIR "/skins/default"));
    window->resize(1100, 760);
    window->show();
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    int framed = 0;
    for (int i = 0; i < 12; ++i) {
        QWidget* before = QApplication::focusWidget();
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window.get(), Qt::Key_Tab);
        QCoreApplication::processEvents();
        QWidget* focused = QApplication::focusWidget();
        if (!focused || focused == before || focused == window.get())
            continue;
        QFrame* frame = window->findChild<QFrame*>("keyFocusFrame");
        ASSERT_NE(frame, nullptr) << focused->metaObject()->className();
        ASSERT_TRUE(frame->isVisible()) << focused->metaObject()->className();
        const QRect ring(frame->mapTo(window.get(), QPoint(0, 0)), frame->size());
        EXPECT_TRUE(ring.contains(QRect(focused->mapTo(window.get(), QPoint(0, 0)), focused->size())));
        const QImage shot = window->grab().toImage();
        // The frame's left edge at its middle and the ground outside it, or
        // its right edge where the left one lies past the window's edge.
        const int y = ring.center().y();
        const bool left = ring.left() >= 1;
        const QColor edge = shot.pixelColor(left ? ring.left() + 1 : ring.right() - 1, y);
        const QColor ground = shot.pixelColor(left ? ring.left() - 1 : ring.right() + 1, y);
        EXPECT_GE(Contrast(edge, ground), 3.0) << focused->objectName().toStdString() << " "
                                               << edge.name().toStdString() << " on " << ground.name().toStdString();
        ++framed;
    }
    EXPECT_GT(framed, 0) << "Tab reached no widget";
    // A click takes the frame away again.
    QTest::mouseClick(window->form()->pgSource->GetTimeLineView()->getTrackView()->viewport(), Qt::LeftButton);
    QFrame* frame = window->findChild<QFrame*>("keyFocusFrame");
    EXPECT_TRUE(!frame || !frame->isVisible());
    qApp->setStyleSheet(QString());
}
