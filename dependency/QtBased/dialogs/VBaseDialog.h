#pragma once

#include <QDialog>

class QMenuBar;
class QVBoxLayout;
class VBaseTitleBar;

namespace QtBased {
class QWidgetResizeHandler;
}

// Base of the program's own-styled dialogs: its own title bar above a content
// widget, moving and resizing without a window-system frame, rounded bottom
// corners, and the switch back to the window system's title bar.
//
// After construction the window system's title bar is in use and the dialog
// neither moves nor resizes by itself. For the own look a subclass calls
// setSystemTitleBar(false), then setResizeEnabled(true) and setMovingEnabled(true).
class VBaseDialog : public QDialog
{
    Q_OBJECT
    Q_PROPERTY(int cornerRadius READ getCornerRadius WRITE setCornerRadius)

public:
    explicit VBaseDialog(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    ~VBaseDialog() override;

    // These hide the widget functions of the same name: called through a plain
    // QWidget pointer they bypass the title bar.
    virtual void setWindowIcon(const QIcon& icon);
    virtual void setWindowTitle(const QString& sTitle);
    // Sets the layout on the content widget, not on the dialog.
    virtual void setLayout(QLayout* layout);
    virtual void setSystemTitleBar(bool bOn);
    virtual void updateSkin();
    virtual void setOnlyCloseButton(bool bOnly);
    virtual void setMovingEnabled(bool bEnable);
    virtual void setResizeEnabled(bool bEnable);
    virtual void setWindowIconAndTitleVisible(bool bVisible);
    virtual void setFixedSizeWidget(bool bFixed);
    virtual void NotificationMinimize();

    bool isSystemTitleBar() const { return systemTitleBar; }
    void setEnableCloseButton(bool bEnable);
    void Retranslate();

    QWidget* getContentWidget() const { return contentWidget; }
    VBaseTitleBar* getTitleBar() const { return titleBar; }
    QtBased::QWidgetResizeHandler* getResizeHandler() const { return resizeHandler; }

    int getCornerRadius() const { return cornerRadius; }
    void setCornerRadius(int nRadius) { cornerRadius = nRadius; }

    // Modality; a modal dialog with a parent keeps the parent minimised and
    // restored along with itself.
    void setModal(bool bModal);
    void raise();
    void showMinimized();

    // The content widget's layout must exist (setLayout) before either call.
    void setMenuBar(QMenuBar* menuBar);
    QMenuBar* menuBar();

    // The mask of rounded bottom corners for a window of the given size.
    static QRegion cornerMask(const QSize& size, int nRadius);

Q_SIGNALS:
    void signal_minimize();
    void signal_minimizetoNormal();

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private Q_SLOTS:
    void slot_isMaximize(bool bMaximized);

private:
    bool systemTitleBar = false;
    QVBoxLayout* mainLayout = nullptr;
    QtBased::QWidgetResizeHandler* resizeHandler = nullptr;
    VBaseTitleBar* titleBar = nullptr;
    QWidget* contentWidget = nullptr;
    QMenuBar* createdMenuBar = nullptr;
    int cornerRadius = 13;
};
