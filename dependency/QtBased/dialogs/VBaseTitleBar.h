#pragma once

#include <QRect>
#include <QWidget>

class QLabel;
class QToolButton;
class QHBoxLayout;

// The title strip a frameless window draws for itself: icon and title on the
// left; help, preference, minimise, maximise, restore and close on the right.
// It acts on the window it was created for (its parent). Presses and drags
// other than the double click pass on to that window, whose move/resize
// handler moves it. The buttons' looks come from the skin's style sheet,
// which addresses them by object name.
class VBaseTitleBar : public QWidget
{
    Q_OBJECT

public:
    explicit VBaseTitleBar(QWidget* parent);

    void ReTranslate();

    void setWindowIcon(const QIcon& icon);
    void setWindowTitle(const QString& sTitle);
    void setWindowIconAndTitleVisible(bool bVisible);
    void setFixedSizeWidget(bool bFixed);
    void setOnlyCloseButton(bool bOnly);
    void ShowHelpButton(bool bShow);
    void ShowPreferenceButton(bool bShow);
    QToolButton* getHelpButton() const { return helpButton; }
    void setEnableCloseButton(bool bEnable);
    void setMinimizetoHide(bool bHide) { minimizeToHide = bHide; }

    // False while the window is minimised, otherwise whether the bar holds it maximised.
    bool IsWindowMaximized() const;
    // Whether the bar holds the window maximised.
    bool IsWindowNormal() const { return maximized; }

    void showWindowMaximized();
    void showWindowOrignal();
    // Fills the available area without remembering where to return to.
    void windowsMenuMax();

Q_SIGNALS:
    void signal_isMaximize(bool bMaximized);
    void signal_btnHelp_clicked();
    void signal_preference_clicked();

public Q_SLOTS:
    void on_btnMinimize_clicked();
    void on_btnMaximize_clicked();
    void on_btnClose_clicked();

protected:
    bool event(QEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    QRect availableArea() const;
    void maximizeWindow();
    void restoreWindow();

    QToolButton* minimizeButton;
    QToolButton* maximizeButton;
    QToolButton* restoreButton;
    QToolButton* closeButton;
    QToolButton* helpButton;
    QToolButton* preferenceButton;
    QWidget* controlledWindow;
    QLabel* titleLabel;
    QToolButton* iconButton;
    bool minimizeToHide = false;
    bool maximized = false;
    QRect normalGeometry;
};
