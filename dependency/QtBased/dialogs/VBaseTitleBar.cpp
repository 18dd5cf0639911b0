#include "VBaseTitleBar.h"

#include "VBaseDialog.h"

#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QSpacerItem>
#include <QStyle>
#include <QToolButton>

namespace {

QToolButton* makeButton(QWidget* parent, const char* name)
{
    QToolButton* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setFocusPolicy(Qt::NoFocus);
    // Flat as in a window frame: without an image nothing but an empty square
    // would be drawn.
    button->setAutoRaise(true);
    return button;
}

// The glyph a button shows until a skin gives it an image of its own (a skin
// sets the buttons' "icon" property, which replaces this one).
void giveStandardGlyph(QToolButton* button, QStyle::StandardPixmap glyph)
{
    if (!button->icon().isNull())
        return;
    button->setIcon(button->style()->standardIcon(glyph, nullptr, button));
    button->setIconSize(QSize(12, 12));
}

} // namespace

VBaseTitleBar::VBaseTitleBar(QWidget* parent) : QWidget(parent), controlledWindow(parent)
{
    QHBoxLayout* layout = new QHBoxLayout(this);
    setWindowFlags(Qt::WindowFlags());
    minimizeToHide = false;

    iconButton = makeButton(this, "icon");

    titleLabel = new QLabel(this);
    titleLabel->setObjectName(QStringLiteral("title"));
    titleLabel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    titleLabel->setFixedHeight(17);
    titleLabel->setText(QStringLiteral("Windows Title"));
    titleLabel->setFocusPolicy(Qt::NoFocus);

    minimizeButton = makeButton(this, "minimizeButton");
    maximizeButton = makeButton(this, "maximizeButton");
    closeButton = makeButton(this, "closeButton");
    restoreButton = makeButton(this, "restoreButton");
    helpButton = makeButton(this, "helpButton");
    preferenceButton = makeButton(this, "preferenceButton");

    connect(closeButton, &QToolButton::clicked, this, &VBaseTitleBar::on_btnClose_clicked);
    connect(minimizeButton, &QToolButton::clicked, this, &VBaseTitleBar::on_btnMinimize_clicked);
    connect(maximizeButton, &QToolButton::clicked, this, &VBaseTitleBar::on_btnMaximize_clicked);
    connect(restoreButton, &QToolButton::clicked, this, &VBaseTitleBar::on_btnMaximize_clicked);
    connect(helpButton, &QToolButton::clicked, this, &VBaseTitleBar::signal_btnHelp_clicked);
    connect(preferenceButton, &QToolButton::clicked, this, &VBaseTitleBar::signal_preference_clicked);

    for (QToolButton* button :
         {minimizeButton, maximizeButton, closeButton, restoreButton, helpButton, preferenceButton}) {
        button->setMinimumHeight(16);
        button->setMaximumHeight(16);
    }

    giveStandardGlyph(minimizeButton, QStyle::SP_TitleBarMinButton);
    giveStandardGlyph(maximizeButton, QStyle::SP_TitleBarMaxButton);
    giveStandardGlyph(restoreButton, QStyle::SP_TitleBarNormalButton);
    giveStandardGlyph(closeButton, QStyle::SP_TitleBarCloseButton);
    giveStandardGlyph(helpButton, QStyle::SP_TitleBarContextHelpButton);

    ReTranslate();

    layout->addWidget(iconButton);
    layout->addWidget(titleLabel);
    layout->addItem(new QSpacerItem(119, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
    layout->addWidget(helpButton);
    layout->addWidget(preferenceButton);
    layout->addWidget(minimizeButton);
    layout->addWidget(maximizeButton);
    layout->addWidget(restoreButton);
    layout->addWidget(closeButton);
    helpButton->hide();
    preferenceButton->hide();
    restoreButton->hide();
    layout->setSpacing(0);
    layout->setContentsMargins(5, 0, 5, 0);

    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setContentsMargins(0, 0, 0, 0);
    setFixedHeight(26);
    maximized = false;
    setFocusPolicy(Qt::NoFocus);
}

void VBaseTitleBar::ReTranslate()
{
    //: 最小化按钮
    minimizeButton->setToolTip(tr("Minimize"));
    //: 关闭按钮
    closeButton->setToolTip(tr("Close"));
    //: 最大化按钮
    maximizeButton->setToolTip(tr("Maximize"));
    //: 还原按钮
    restoreButton->setToolTip(tr("Restore"));
    //: 帮助按钮
    helpButton->setToolTip(tr("Help"));
    //: 设置按钮
    preferenceButton->setToolTip(tr("Preference"));
    // No title-bar glyph stands for settings: the button reads as text
    // until a skin gives it an image.
    if (preferenceButton->icon().isNull())
        preferenceButton->setText(tr("Preference"));
}

bool VBaseTitleBar::event(QEvent* e)
{
    if (e->type() == QEvent::LanguageChange)
        ReTranslate();
    return QWidget::event(e);
}

void VBaseTitleBar::setWindowIcon(const QIcon& icon)
{
    iconButton->setIcon(icon);
}

void VBaseTitleBar::setWindowTitle(const QString& sTitle)
{
    titleLabel->setText(sTitle);
}

void VBaseTitleBar::setWindowIconAndTitleVisible(bool bVisible)
{
    titleLabel->setVisible(bVisible);
    iconButton->setVisible(bVisible);
}

void VBaseTitleBar::setFixedSizeWidget(bool bFixed)
{
    restoreButton->setHidden(bFixed);
    maximizeButton->setHidden(bFixed);
}

void VBaseTitleBar::setOnlyCloseButton(bool bOnly)
{
    minimizeButton->setHidden(bOnly);
    restoreButton->setHidden(bOnly);
    maximizeButton->setHidden(bOnly);
}

void VBaseTitleBar::ShowHelpButton(bool bShow)
{
    helpButton->setVisible(bShow);
}

void VBaseTitleBar::ShowPreferenceButton(bool bShow)
{
    preferenceButton->setVisible(bShow);
}

void VBaseTitleBar::setEnableCloseButton(bool bEnable)
{
    closeButton->setEnabled(bEnable);
}

bool VBaseTitleBar::IsWindowMaximized() const
{
    if (controlledWindow->isMinimized())
        return false;
    return maximized;
}

QRect VBaseTitleBar::availableArea() const
{
    QScreen* screen = controlledWindow->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

void VBaseTitleBar::maximizeWindow()
{
    normalGeometry = controlledWindow->geometry();
    const QRect area = availableArea();
    controlledWindow->resize(area.size());
    controlledWindow->move(area.topLeft());
    maximized = true;
    maximizeButton->hide();
    restoreButton->show();
    emit signal_isMaximize(true);
}

void VBaseTitleBar::restoreWindow()
{
    controlledWindow->resize(normalGeometry.size());
    controlledWindow->move(normalGeometry.topLeft());
    maximized = false;
    maximizeButton->show();
    restoreButton->hide();
    emit signal_isMaximize(false);
}

void VBaseTitleBar::on_btnMaximize_clicked()
{
    // Hidden by a fixed-size or close-only bar: the window keeps its size.
    if (maximizeButton->isHidden() && restoreButton->isHidden())
        return;
    if (controlledWindow->isMinimized())
        controlledWindow->showNormal();
    if (!maximized)
        maximizeWindow();
    else
        restoreWindow();
}

void VBaseTitleBar::showWindowMaximized()
{
    if (controlledWindow->isMinimized())
        controlledWindow->showNormal();
    if (!maximized)
        maximizeWindow();
}

void VBaseTitleBar::showWindowOrignal()
{
    if (controlledWindow->isMinimized())
        controlledWindow->showNormal();
    if (maximized)
        restoreWindow();
}

void VBaseTitleBar::windowsMenuMax()
{
    const QRect area = availableArea();
    controlledWindow->resize(area.size());
    controlledWindow->move(area.topLeft());
    maximizeButton->hide();
    restoreButton->show();
    emit signal_isMaximize(true);
}

void VBaseTitleBar::on_btnMinimize_clicked()
{
    VBaseDialog* dialog = qobject_cast<VBaseDialog*>(controlledWindow);
    if (dialog && dialog->isModal() && !dialog->isMinimized())
        dialog->NotificationMinimize();
    if (minimizeToHide)
        controlledWindow->hide();
    else if (dialog)
        dialog->showMinimized();
    else
        controlledWindow->showMinimized();
}

void VBaseTitleBar::on_btnClose_clicked()
{
    controlledWindow->close();
}

void VBaseTitleBar::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton)
        on_btnMaximize_clicked();
}
