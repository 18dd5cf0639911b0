#include "VMainWindow.h"

#include "QWidgetResizeHandler.h"
#include "VBaseDialog.h"
#include "VBaseTitleBar.h"

#include <QApplication>
#include <QEvent>
#include <QFrame>
#include <QMenuBar>
#include <QVBoxLayout>

VMainWindow::VMainWindow(QWidget* parent) : QMainWindow(parent, Qt::WindowFlags())
{
    systemTitleBar = false;
    cornerRadius = 13;
    setObjectName(QStringLiteral("VMainWindow"));
    setOwnFrameFlags();
    setMouseTracking(true);

    centralArea = new QWidget(this);
    titleBar = new VBaseTitleBar(this);
    mainMenuBar = new QMenuBar(this);
    mainMenuBar->setObjectName(QStringLiteral("mainMenuBar"));
    QMainWindow::setMenuBar(mainMenuBar);
    contentWidget = new QWidget(centralArea);

    menuFrame = new QFrame(centralArea, Qt::FramelessWindowHint);
    menuFrame->setObjectName(QStringLiteral("menuFrame"));
    menuFrame->setMouseTracking(true);
    menuFrame->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

    menuFrameLayout = new QVBoxLayout();
    menuFrameLayout->setMenuBar(mainMenuBar);
    menuFrameLayout->setSpacing(0);
    menuFrameLayout->setContentsMargins(0, 0, 0, 0);
    menuFrame->setLayout(menuFrameLayout);

    titleBar->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    QVBoxLayout* centralLayout = new QVBoxLayout(centralArea);
    centralLayout->addWidget(titleBar);
    centralLayout->addWidget(menuFrame);
    centralLayout->addWidget(contentWidget);
    centralLayout->setSpacing(1);
    centralLayout->setContentsMargins(0, 0, 0, 0);
    setCentralWidget(centralArea);

    resizeHandler = new QtBased::QWidgetResizeHandler(this);
    connect(titleBar, &VBaseTitleBar::signal_isMaximize, this, &VMainWindow::slot_isMaximize);
    setSystemTitleBar(true);
    resizeHandler->setActive(QtBased::QWidgetResizeHandler::Any, false);
    resizeHandler->setMovingEnabled(false);
}

VMainWindow::~VMainWindow() = default;

void VMainWindow::setOwnFrameFlags()
{
    setWindowFlags(Qt::FramelessWindowHint);
    for (Qt::WindowType hint : {Qt::WindowSystemMenuHint, Qt::WindowMinimizeButtonHint, Qt::WindowMaximizeButtonHint,
                                Qt::WindowCloseButtonHint})
        setWindowFlags(windowFlags() | hint);
}

void VMainWindow::setSystemTitleBar(bool bOn)
{
    if (bOn == systemTitleBar)
        return;
    const bool wasVisible = isVisible();
    systemTitleBar = bOn;
    if (bOn) {
        QMainWindow::setMenuBar(mainMenuBar);
        setWindowFlags(windowFlags() ^ Qt::FramelessWindowHint);
        titleBar->hide();
        menuFrame->hide();
    } else {
        // The menu bar moves from the main window's own slot into the strip.
        menuFrameLayout->setMenuBar(mainMenuBar);
        setOwnFrameFlags();
        titleBar->show();
        menuFrame->show();
    }
    if (wasVisible)
        showNormal();
}

void VMainWindow::setMovingEnabled(bool bEnable)
{
    resizeHandler->setMovingEnabled(bEnable);
}

void VMainWindow::setResizeEnabled(bool bEnable)
{
    if (bEnable)
        resizeHandler->setActive(QtBased::QWidgetResizeHandler::Any, true);
    else
        resizeHandler->setActive(QtBased::QWidgetResizeHandler::Resize, false);
}

void VMainWindow::slot_isMaximize(bool bMaximized)
{
    setMovingEnabled(!bMaximized);
    setResizeEnabled(!bMaximized);
}

void VMainWindow::setFixedSizeWidget(bool bFixed)
{
    setResizeEnabled(!bFixed);
    titleBar->setFixedSizeWidget(bFixed);
}

void VMainWindow::setDisMovingRect(const QRect& rect)
{
    resizeHandler->setDisMovingRect(rect);
}

bool VMainWindow::isMaximized() const
{
    return titleBar->IsWindowNormal();
}

void VMainWindow::showMaximized()
{
    titleBar->showWindowMaximized();
}

void VMainWindow::showMinimized()
{
    titleBar->on_btnMinimize_clicked();
}

void VMainWindow::setWindowIcon(const QIcon& icon)
{
    QMainWindow::setWindowIcon(icon);
    titleBar->setWindowIcon(icon);
    QApplication::setWindowIcon(icon);
}

void VMainWindow::setWindowTitle(const QString& sTitle)
{
    titleBar->setWindowTitle(sTitle);
    QMainWindow::setWindowTitle(sTitle);
}

void VMainWindow::updateSkin() {}

void VMainWindow::ReTranslate()
{
    titleBar->ReTranslate();
}

bool VMainWindow::event(QEvent* e)
{
    if (e->type() == QEvent::LanguageChange)
        titleBar->ReTranslate();
    return QMainWindow::event(e);
}

void VMainWindow::resizeEvent(QResizeEvent* e)
{
    QMainWindow::resizeEvent(e);
    setMask(VBaseDialog::cornerMask(size(), cornerRadius));
}
