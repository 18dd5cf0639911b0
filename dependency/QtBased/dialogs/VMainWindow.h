#pragma once

#include <QMainWindow>

class QFrame;
class QMenuBar;
class QVBoxLayout;
class VBaseTitleBar;

namespace QtBased {
class QWidgetResizeHandler;
}

// The main-window counterpart of VBaseDialog: can drop the window system's
// frame for its own title bar with the menu bar in a strip below it, and can
// keep an area (the dis-moving rectangle) in which a press does not move the
// window. Starts with the window system's frame and the handler inactive.
class VMainWindow : public QMainWindow
{
    Q_OBJECT
    Q_PROPERTY(int cornerRadius READ getCornerRadius WRITE setCornerRadius)

public:
    explicit VMainWindow(QWidget* parent = nullptr);
    ~VMainWindow() override;

    virtual void setWindowIcon(const QIcon& icon);
    virtual void setWindowTitle(const QString& sTitle);
    virtual void updateSkin();
    // Whether the title bar holds the window maximised.
    virtual bool isMaximized() const;
    virtual void setFixedSizeWidget(bool bFixed);
    // The available screen area, not the window system's maximised state.
    virtual void showMaximized();
    // Through the title bar, so its minimise-to-hide setting applies.
    virtual void showMinimized();
    virtual void setMovingEnabled(bool bEnable);
    virtual void setResizeEnabled(bool bEnable);

    void setSystemTitleBar(bool bOn);
    bool isSystemTitleBar() const { return systemTitleBar; }
    void setDisMovingRect(const QRect& rect);
    void ReTranslate();

    QWidget* getContentWidget() const { return contentWidget; }
    VBaseTitleBar* getTitleBar() const { return titleBar; }
    QMenuBar* menuBar() const { return mainMenuBar; }
    QFrame* getMenuFrame() const { return menuFrame; }
    QtBased::QWidgetResizeHandler* getResizeHandler() const { return resizeHandler; }
    int getCornerRadius() const { return cornerRadius; }
    void setCornerRadius(int nRadius) { cornerRadius = nRadius; }

protected:
    bool event(QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private Q_SLOTS:
    void slot_isMaximize(bool bMaximized);

private:
    void setOwnFrameFlags();

    bool systemTitleBar = false;
    QtBased::QWidgetResizeHandler* resizeHandler = nullptr;
    VBaseTitleBar* titleBar = nullptr;
    QWidget* contentWidget = nullptr;
    QMenuBar* mainMenuBar = nullptr;
    QFrame* menuFrame = nullptr;
    QVBoxLayout* menuFrameLayout = nullptr;
    QWidget* centralArea = nullptr;
    int cornerRadius = 13;
};
