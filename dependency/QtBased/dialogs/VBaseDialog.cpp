#include "VBaseDialog.h"

#include "QWidgetResizeHandler.h"
#include "VBaseTitleBar.h"

#include <QEvent>
#include <QKeyEvent>
#include <QMenuBar>
#include <QRegion>
#include <QVBoxLayout>

VBaseDialog::VBaseDialog(QWidget* parent, Qt::WindowFlags flags) : QDialog(parent, flags)
{
    cornerRadius = 13;
    setFocusPolicy(Qt::ClickFocus);
    resizeHandler = new QtBased::QWidgetResizeHandler(this);
    mainLayout = new QVBoxLayout();
    contentWidget = new QWidget(this);
    titleBar = new VBaseTitleBar(this);
    mainLayout->addWidget(titleBar);
    mainLayout->addWidget(contentWidget);
    mainLayout->setSpacing(0);
    mainLayout->setContentsMargins(0, 0, 0, 0);
    QDialog::setLayout(mainLayout);
    systemTitleBar = false;
    createdMenuBar = nullptr;
    setContentsMargins(5, 3, 5, 3);
    connect(titleBar, &VBaseTitleBar::signal_isMaximize, this, &VBaseDialog::slot_isMaximize);
    setSystemTitleBar(true);
    resizeHandler->setActive(QtBased::QWidgetResizeHandler::Any, false);
    resizeHandler->setMovingEnabled(false);
}

VBaseDialog::~VBaseDialog() = default;

void VBaseDialog::setSystemTitleBar(bool bOn)
{
    if (bOn == systemTitleBar)
        return;
    const bool wasVisible = isVisible();
    systemTitleBar = bOn;
    // One hint per change, as the window system sees each flag change on its own.
    if (bOn) {
        for (Qt::WindowType hint : {Qt::FramelessWindowHint, Qt::WindowSystemMenuHint, Qt::WindowMinimizeButtonHint,
                                    Qt::WindowMaximizeButtonHint, Qt::WindowCloseButtonHint})
            setWindowFlags(windowFlags() ^ hint);
    } else {
        setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
        setWindowFlags(windowFlags() | Qt::WindowSystemMenuHint);
    }
    titleBar->setVisible(!bOn);
    if (wasVisible)
        showNormal();
}

void VBaseDialog::updateSkin() {}

void VBaseDialog::setOnlyCloseButton(bool bOnly)
{
    titleBar->setOnlyCloseButton(bOnly);
    setResizeEnabled(false);
    setMovingEnabled(true);
}

void VBaseDialog::setMovingEnabled(bool bEnable)
{
    resizeHandler->setMovingEnabled(bEnable);
}

void VBaseDialog::setResizeEnabled(bool bEnable)
{
    if (bEnable)
        resizeHandler->setActive(QtBased::QWidgetResizeHandler::Any, true);
    else
        resizeHandler->setActive(QtBased::QWidgetResizeHandler::Resize, false);
}

void VBaseDialog::slot_isMaximize(bool bMaximized)
{
    setMovingEnabled(!bMaximized);
    setResizeEnabled(!bMaximized);
}

void VBaseDialog::setFixedSizeWidget(bool bFixed)
{
    setResizeEnabled(!bFixed);
    titleBar->setFixedSizeWidget(bFixed);
}

void VBaseDialog::setWindowIconAndTitleVisible(bool bVisible)
{
    titleBar->setWindowIconAndTitleVisible(bVisible);
}

void VBaseDialog::setEnableCloseButton(bool bEnable)
{
    titleBar->setEnableCloseButton(bEnable);
}

void VBaseDialog::Retranslate()
{
    titleBar->ReTranslate();
}

void VBaseDialog::setWindowIcon(const QIcon& icon)
{
    QDialog::setWindowIcon(icon);
    titleBar->setWindowIcon(icon);
}

void VBaseDialog::setWindowTitle(const QString& sTitle)
{
    titleBar->setWindowTitle(sTitle);
    QDialog::setWindowTitle(sTitle);
}

void VBaseDialog::setLayout(QLayout* layout)
{
    contentWidget->setLayout(layout);
}

void VBaseDialog::NotificationMinimize()
{
    emit signal_minimize();
}

void VBaseDialog::setModal(bool bModal)
{
    QDialog::setModal(bModal);
    QObject* owner = parent();
    if (!owner)
        return;
    if (bModal) {
        connect(this, SIGNAL(signal_minimize()), owner, SLOT(showMinimized()), Qt::UniqueConnection);
        connect(this, SIGNAL(signal_minimizetoNormal()), owner, SLOT(showNormal()), Qt::UniqueConnection);
    } else {
        disconnect(this, SIGNAL(signal_minimize()), owner, SLOT(showMinimized()));
        disconnect(this, SIGNAL(signal_minimizetoNormal()), owner, SLOT(showNormal()));
    }
}

void VBaseDialog::raise()
{
    QDialog::raise();
    QWidget* owner = parentWidget();
    if (isModal() && owner && owner->isMinimized())
        owner->showNormal();
}

void VBaseDialog::showMinimized()
{
    QDialog::showMinimized();
}

void VBaseDialog::setMenuBar(QMenuBar* menuBar)
{
    QLayout* layout = contentWidget->layout();
    if (!layout)
        return;
    QMenuBar* old = qobject_cast<QMenuBar*>(layout->menuBar());
    if (old && old != menuBar) {
        if (menuBar) {
            menuBar->setCornerWidget(old->cornerWidget(Qt::TopLeftCorner), Qt::TopLeftCorner);
            menuBar->setCornerWidget(old->cornerWidget(Qt::TopRightCorner), Qt::TopRightCorner);
        }
        old->hide();
        old->deleteLater();
        if (old == createdMenuBar)
            createdMenuBar = nullptr;
    }
    layout->setMenuBar(menuBar);
}

QMenuBar* VBaseDialog::menuBar()
{
    if (!createdMenuBar) {
        createdMenuBar = new QMenuBar(this);
        setMenuBar(createdMenuBar);
    }
    return createdMenuBar;
}

bool VBaseDialog::event(QEvent* e)
{
    if (e->type() == QEvent::LanguageChange)
        titleBar->ReTranslate();
    return QDialog::event(e);
}

void VBaseDialog::keyPressEvent(QKeyEvent* e)
{
    // Return and Enter never trigger a default button nor close the dialog.
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

QRegion VBaseDialog::cornerMask(const QSize& size, int r)
{
    const int w = size.width();
    const int h = size.height();
    if (r <= 0)
        return QRegion(0, 0, w, h);
    const int d = 2 * r;
    QRegion mask(r, 0, w - d, h);
    mask += QRegion(0, r, w, h - d);
    mask += QRegion(0, 0, d, d);
    mask += QRegion(w - d, 0, d, d);
    mask += QRegion(0, h - d, d, d, QRegion::Ellipse);
    mask += QRegion(w - d, h - d, d, d, QRegion::Ellipse);
    return mask;
}

void VBaseDialog::resizeEvent(QResizeEvent* e)
{
    QDialog::resizeEvent(e);
    setMask(cornerMask(size(), cornerRadius));
}
