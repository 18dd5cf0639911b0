#include "WidgetTestApp.h"

#include "dialogs/QWidgetResizeHandler.h"
#include "dialogs/VBaseDialog.h"
#include "dialogs/VBaseTitleBar.h"
#include "dialogs/VMainWindow.h"

#include <QGuiApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSet>
#include <QStyle>
#include <QTemporaryDir>
#include <QSignalSpy>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const Qt::WindowFlags kAllFive = Qt::FramelessWindowHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                                 Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint;

QToolButton* button(QWidget* bar, const char* name)
{
    return bar->findChild<QToolButton*>(QString::fromLatin1(name));
}

void doubleClick(QWidget* bar, Qt::MouseButton b)
{
    QMouseEvent e(QEvent::MouseButtonDblClick, QPointF(40, 10), b, b, Qt::NoModifier);
    QCoreApplication::sendEvent(bar, &e);
}

QRect availableArea()
{
    return QGuiApplication::primaryScreen()->availableGeometry();
}

} // namespace

TEST(VBaseDialog, WindowFlagsAfterConstructionAndTitleBarSwitch)
{
    // The message box's way: created with all five hints, it starts with the
    // window system's frame and none of the button hints.
    VBaseDialog dlg(nullptr, Qt::Window | kAllFive);
    EXPECT_TRUE(dlg.isSystemTitleBar());
    EXPECT_TRUE(dlg.getTitleBar()->isHidden());
    const Qt::WindowFlags start = dlg.windowFlags();
    EXPECT_FALSE(start & Qt::FramelessWindowHint);
    EXPECT_FALSE(start & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(start & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(start & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(dlg.getResizeHandler()->isActive());
    EXPECT_FALSE(dlg.getResizeHandler()->isMovingEnabled());

    dlg.setSystemTitleBar(true);
    EXPECT_EQ(dlg.windowFlags(), start) << "a repeated switch changes nothing";

    dlg.setSystemTitleBar(false);
    EXPECT_TRUE(dlg.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(dlg.windowFlags() & Qt::WindowSystemMenuHint);
    EXPECT_FALSE(dlg.getTitleBar()->isHidden());

    dlg.setSystemTitleBar(true);
    const Qt::WindowFlags back = dlg.windowFlags();
    EXPECT_FALSE(back & Qt::FramelessWindowHint);
    EXPECT_TRUE(back & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(back & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(back & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(dlg.getTitleBar()->isHidden());
}

TEST(VBaseDialog, ReturnAndEnterAreSwallowedEscapeRejects)
{
    VBaseDialog dlg(nullptr, Qt::Window | kAllFive);
    auto* layout = new QVBoxLayout;
    auto* ok = new QPushButton(QStringLiteral("OK"));
    ok->setDefault(true);
    layout->addWidget(ok);
    dlg.setLayout(layout);
    EXPECT_EQ(dlg.getContentWidget()->layout(), layout) << "the layout goes to the content";
    QSignalSpy clicked(ok, &QPushButton::clicked);
    QSignalSpy finished(&dlg, &QDialog::finished);

    dlg.show();
    for (int key : {Qt::Key_Return, Qt::Key_Enter}) {
        QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(&dlg, &e);
    }
    EXPECT_EQ(clicked.count(), 0);
    EXPECT_EQ(finished.count(), 0);
    EXPECT_TRUE(dlg.isVisible());

    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(&dlg, &esc);
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(finished.at(0).at(0).toInt(), int(QDialog::Rejected));
}

TEST(VBaseDialog, BottomCornersRoundedTopCornersSquare)
{
    struct Case
    {
        int radius;
        QPoint point;
        bool inside;
    };
    const Case cases[] = {
        {13, {0, 0}, true},    {13, {199, 0}, true}, {13, {0, 99}, false}, {13, {199, 99}, false},
        {13, {100, 99}, true}, {13, {0, 50}, true},  {0, {0, 99}, true},   {0, {199, 99}, true},
    };
    for (const Case& c : cases) {
        VBaseDialog dlg(nullptr, Qt::Window | kAllFive);
        dlg.setCornerRadius(c.radius);
        dlg.setFixedSize(200, 100);
        dlg.show();
        EXPECT_EQ(dlg.mask().contains(c.point), c.inside)
            << "radius " << c.radius << " at " << c.point.x() << "," << c.point.y();
    }
}

TEST(VBaseDialog, MenuBarSitsInTheContentLayoutAndHandsOverItsCorners)
{
    VBaseDialog dlg(nullptr, Qt::Window | kAllFive);
    dlg.setLayout(new QVBoxLayout);
    QMenuBar* first = dlg.menuBar();
    EXPECT_EQ(dlg.menuBar(), first) << "created once";
    EXPECT_EQ(dlg.getContentWidget()->layout()->menuBar(), first);
    auto* corner = new QPushButton(QStringLiteral("corner"));
    first->setCornerWidget(corner, Qt::TopRightCorner);

    QPointer<QMenuBar> old(first);
    auto* second = new QMenuBar(&dlg);
    dlg.setMenuBar(second);
    EXPECT_EQ(dlg.getContentWidget()->layout()->menuBar(), second);
    EXPECT_EQ(second->cornerWidget(Qt::TopRightCorner), corner);
    EXPECT_TRUE(first->isHidden());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(old.isNull()) << "the old bar is deleted after the current event";
}

TEST(VBaseTitleBar, MaximiseAndRestoreReturnToTheExactGeometry)
{
    VBaseDialog dlg(nullptr, Qt::Window | kAllFive);
    dlg.setSystemTitleBar(false);
    dlg.setGeometry(37, 41, 300, 200);
    dlg.show();
    VBaseTitleBar* bar = dlg.getTitleBar();
    QSignalSpy maxSpy(bar, &VBaseTitleBar::signal_isMaximize);

    doubleClick(bar, Qt::RightButton);
    EXPECT_EQ(dlg.geometry(), QRect(37, 41, 300, 200)) << "right double click does nothing";
    EXPECT_EQ(maxSpy.count(), 0);

    doubleClick(bar, Qt::LeftButton);
    EXPECT_EQ(dlg.geometry(), availableArea());
    EXPECT_TRUE(bar->IsWindowNormal());
    EXPECT_TRUE(button(bar, "maximizeButton")->isHidden());
    EXPECT_FALSE(button(bar, "restoreButton")->isHidden());
    EXPECT_FALSE(dlg.getResizeHandler()->isActive(QtBased::QWidgetResizeHandler::Resize));
    EXPECT_FALSE(dlg.getResizeHandler()->isMovingEnabled());

    doubleClick(bar, Qt::LeftButton);
    EXPECT_EQ(dlg.geometry(), QRect(37, 41, 300, 200));
    EXPECT_FALSE(bar->IsWindowNormal());
    EXPECT_FALSE(button(bar, "maximizeButton")->isHidden());
    EXPECT_TRUE(button(bar, "restoreButton")->isHidden());
    // Restoring turns moving and resizing on, even though they were off before.
    EXPECT_TRUE(dlg.getResizeHandler()->isActive(QtBased::QWidgetResizeHandler::Resize));
    EXPECT_TRUE(dlg.getResizeHandler()->isMovingEnabled());

    ASSERT_EQ(maxSpy.count(), 2);
    EXPECT_TRUE(maxSpy.at(0).at(0).toBool());
    EXPECT_FALSE(maxSpy.at(1).at(0).toBool());
}

TEST(VBaseTitleBar, FixedSizeAndCloseOnlyBarsDoNotMaximise)
{
    VBaseDialog dlg(nullptr, Qt::Window | kAllFive);
    dlg.setSystemTitleBar(false);
    dlg.setGeometry(10, 10, 300, 200);
    dlg.show();
    VBaseTitleBar* bar = dlg.getTitleBar();

    dlg.setFixedSizeWidget(true);
    doubleClick(bar, Qt::LeftButton);
    EXPECT_EQ(dlg.geometry(), QRect(10, 10, 300, 200));
    dlg.setFixedSizeWidget(false);

    dlg.setOnlyCloseButton(true);
    EXPECT_TRUE(button(bar, "minimizeButton")->isHidden());
    EXPECT_FALSE(button(bar, "closeButton")->isHidden());
    EXPECT_FALSE(dlg.getResizeHandler()->isActive(QtBased::QWidgetResizeHandler::Resize));
    EXPECT_TRUE(dlg.getResizeHandler()->isMovingEnabled());
    doubleClick(bar, Qt::LeftButton);
    EXPECT_EQ(dlg.geometry(), QRect(10, 10, 300, 200));

    // Turning the switch off shows both maximise and restore; resizing stays off.
    dlg.setOnlyCloseButton(false);
    EXPECT_FALSE(button(bar, "maximizeButton")->isHidden());
    EXPECT_FALSE(button(bar, "restoreButton")->isHidden());
    EXPECT_FALSE(dlg.getResizeHandler()->isActive(QtBased::QWidgetResizeHandler::Resize));
}

TEST(VBaseTitleBar, ButtonsNamesTooltipsAndOptionalButtons)
{
    VBaseDialog dlg(nullptr, Qt::Window | kAllFive);
    VBaseTitleBar* bar = dlg.getTitleBar();
    EXPECT_EQ(bar->height(), 26);
    struct Case
    {
        const char* name;
        const char* tip;
        bool hidden;
    };
    const Case cases[] = {
        {"minimizeButton", "Minimize", false}, {"maximizeButton", "Maximize", false},
        {"restoreButton", "Restore", true},    {"closeButton", "Close", false},
        {"helpButton", "Help", true},          {"preferenceButton", "Preference", true},
    };
    for (const Case& c : cases) {
        QToolButton* b = button(bar, c.name);
        ASSERT_NE(b, nullptr) << c.name;
        EXPECT_EQ(b->toolTip(), QString::fromLatin1(c.tip));
        EXPECT_EQ(b->isHidden(), c.hidden) << c.name;
        EXPECT_EQ(b->focusPolicy(), Qt::NoFocus);
    }

    QSignalSpy help(bar, &VBaseTitleBar::signal_btnHelp_clicked);
    QSignalSpy pref(bar, &VBaseTitleBar::signal_preference_clicked);
    bar->ShowHelpButton(true);
    bar->ShowPreferenceButton(true);
    button(bar, "helpButton")->click();
    button(bar, "preferenceButton")->click();
    EXPECT_EQ(help.count(), 1);
    EXPECT_EQ(pref.count(), 1);

    dlg.setWindowTitle(QStringLiteral("Caption"));
    EXPECT_EQ(bar->findChild<QLabel*>(QStringLiteral("title"))->text(), QStringLiteral("Caption"));
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Caption"));
}

namespace {

// Distinct colours in what the button draws: a blank square has one or two.
int DrawnColours(QWidget* w)
{
    const QImage image = w->grab().toImage();
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            colours.insert(image.pixel(x, y));
    return colours.size();
}

} // namespace

TEST(VBaseTitleBar, ButtonsShowAGlyphWithoutASkinAndTakeTheSkinsImage)
{
    VBaseDialog dlg(nullptr, Qt::Window | kAllFive);
    dlg.setSystemTitleBar(false);
    VBaseTitleBar* bar = dlg.getTitleBar();
    const struct
    {
        const char* name;
        QStyle::StandardPixmap glyph;
    } cases[] = {
        {"minimizeButton", QStyle::SP_TitleBarMinButton},     {"maximizeButton", QStyle::SP_TitleBarMaxButton},
        {"restoreButton", QStyle::SP_TitleBarNormalButton},   {"closeButton", QStyle::SP_TitleBarCloseButton},
        {"helpButton", QStyle::SP_TitleBarContextHelpButton},
    };
    for (const auto& c : cases) {
        QToolButton* b = button(bar, c.name);
        ASSERT_FALSE(b->icon().isNull()) << c.name;
        const QSize size(12, 12);
        EXPECT_EQ(b->icon().pixmap(size).toImage(),
                  b->style()->standardIcon(c.glyph, nullptr, b).pixmap(size).toImage())
            << c.name;
        EXPECT_GT(DrawnColours(b), 3) << c.name << " draws a blank square";
    }
    QToolButton* preference = button(bar, "preferenceButton");
    EXPECT_FALSE(preference->text().isEmpty()) << "no glyph stands for settings: it reads as text";

    // A skin's image replaces the glyph.
    QTemporaryDir dir;
    QImage skin(12, 12, QImage::Format_ARGB32);
    skin.fill(qRgb(200, 30, 40));
    ASSERT_TRUE(skin.save(dir.filePath("close.png")));
    bar->setStyleSheet(
        QStringLiteral("QToolButton#closeButton { qproperty-icon: url(%1); }").arg(dir.filePath("close.png")));
    QToolButton* close = button(bar, "closeButton");
    close->ensurePolished();
    EXPECT_EQ(close->icon().pixmap(QSize(12, 12)).toImage().pixel(6, 6), qRgb(200, 30, 40));
}

TEST(VBaseTitleBar, CloseButtonRejectsAModalDialog)
{
    VBaseDialog dlg(nullptr, Qt::Window | kAllFive);
    dlg.setSystemTitleBar(false);
    QTimer::singleShot(0, [&] { button(dlg.getTitleBar(), "closeButton")->click(); });
    EXPECT_EQ(dlg.exec(), int(QDialog::Rejected));
}

TEST(VBaseTitleBar, MinimiseOfAModalDialogMinimisesItsParentToo)
{
    QWidget parent;
    parent.show();
    VBaseDialog dlg(&parent, Qt::Window | kAllFive);
    dlg.setSystemTitleBar(false);
    dlg.setModal(true);
    dlg.show();
    QSignalSpy minimize(&dlg, &VBaseDialog::signal_minimize);
    dlg.getTitleBar()->on_btnMinimize_clicked();
    EXPECT_EQ(minimize.count(), 1);
    EXPECT_TRUE(dlg.windowState() & Qt::WindowMinimized);
    EXPECT_TRUE(parent.windowState() & Qt::WindowMinimized);

    dlg.getTitleBar()->showWindowMaximized();
    EXPECT_FALSE(dlg.windowState() & Qt::WindowMinimized) << "maximising restores it first";
    EXPECT_EQ(dlg.geometry(), availableArea());
}

TEST(VBaseDialog, RaisingAModalDialogRestoresItsMinimisedParent)
{
    struct Case
    {
        const char* what;
        bool modal;
        bool parentMinimised;
        bool parentRestored;
    };
    const Case cases[] = {
        {"modal over a minimised parent", true, true, true},
        {"modeless over a minimised parent", false, true, false},
        {"modal over a normal parent", true, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QWidget parent;
        parent.show();
        if (c.parentMinimised)
            parent.showMinimized();
        VBaseDialog dlg(&parent, Qt::Window | kAllFive);
        dlg.setModal(c.modal);
        dlg.show();
        dlg.raise();
        EXPECT_EQ(bool(parent.windowState() & Qt::WindowMinimized), c.parentMinimised && !c.parentRestored);
        EXPECT_TRUE(parent.isVisible());
    }
    VBaseDialog orphan(nullptr, Qt::Window | kAllFive);
    orphan.setModal(true);
    orphan.show();
    EXPECT_NO_FATAL_FAILURE(orphan.raise());
}

TEST(VMainWindow, MenuBarMovesBetweenStripAndMainWindow)
{
    VMainWindow win;
    QMenuBar* bar = win.menuBar();
    EXPECT_EQ(bar->objectName(), QStringLiteral("mainMenuBar"));
    EXPECT_EQ(bar->parentWidget(), &win);
    EXPECT_TRUE(win.getTitleBar()->isHidden());
    EXPECT_FALSE(win.windowFlags() & Qt::FramelessWindowHint);

    win.setSystemTitleBar(false);
    EXPECT_EQ(bar->parentWidget(), static_cast<QWidget*>(win.getMenuFrame()));
    EXPECT_TRUE(win.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_FALSE(win.getTitleBar()->isHidden());

    win.setSystemTitleBar(true);
    EXPECT_EQ(bar->parentWidget(), &win);
    EXPECT_EQ(win.QMainWindow::menuBar(), bar);
    EXPECT_FALSE(win.windowFlags() & Qt::FramelessWindowHint);
}

TEST(VMainWindow, MaximisedStateIsTheTitleBarsAndDisMovingRectStopsMoves)
{
    VMainWindow win;
    win.setSystemTitleBar(false);
    win.setGeometry(20, 20, 500, 400);
    win.show();
    win.showMaximized();
    EXPECT_TRUE(win.isMaximized());
    EXPECT_EQ(win.geometry(), availableArea());
    QToolButton* restore = button(win.getTitleBar(), "restoreButton");
    restore->click();
    EXPECT_FALSE(win.isMaximized());
    EXPECT_EQ(win.geometry(), QRect(20, 20, 500, 400));

    win.setResizeEnabled(true);
    win.setMovingEnabled(true);
    win.setDisMovingRect(QRect(0, 60, 500, 340));
    auto send = [&](QEvent::Type t, QPoint local, Qt::MouseButtons held) {
        QMouseEvent e(t, QPointF(local), QPointF(local), QPointF(win.mapToGlobal(local)),
                      t == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held, Qt::NoModifier);
        QCoreApplication::sendEvent(&win, &e);
    };
    // A drag starting in the content area leaves the window where it is ...
    send(QEvent::MouseButtonPress, {250, 200}, Qt::LeftButton);
    send(QEvent::MouseMove, {290, 230}, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, {290, 230}, Qt::NoButton);
    EXPECT_EQ(win.pos(), QPoint(20, 20));
    // ... one starting on the title bar moves it.
    send(QEvent::MouseButtonPress, {250, 20}, Qt::LeftButton);
    send(QEvent::MouseMove, {290, 50}, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, {290, 50}, Qt::NoButton);
    EXPECT_EQ(win.pos(), QPoint(60, 50));
}
