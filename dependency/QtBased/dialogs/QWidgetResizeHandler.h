#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>

class QWidget;
class QMouseEvent;
class QKeyEvent;

// Qt's widgets library exports a private class of the same name; ours lives in
// its own namespace so the two can never meet at link time.
namespace QtBased {

// Gives a frameless window what a window frame normally supplies: resize
// cursors over its edges and corners, resizing by dragging them within the
// size limits, moving by dragging the interior, and a keyboard-steered move
// or resize. Installs itself as the window's event filter and ends with it.
class QWidgetResizeHandler : public QObject
{
    Q_OBJECT

public:
    enum Action { Move = 0x01, Resize = 0x02, Any = Move | Resize };

    enum MousePosition { NoZone = 0, TopLeft, BottomRight, BottomLeft, TopRight, Top, Bottom, Left, Right, Center };

    explicit QWidgetResizeHandler(QWidget* parent, QWidget* sizeWidget = nullptr);

    void setActive(bool bActive) { setActive(Any, bActive); }
    void setActive(Action action, bool bActive);
    bool isActive() const { return isActive(Any); }
    bool isActive(Action action) const;

    void setMovingEnabled(bool bEnable) { m_movingEnabled = bEnable; }
    bool isMovingEnabled() const { return m_movingEnabled; }

    void setDisMovingRect(const QRect& rect) { m_disMovingRect = rect; }
    QRect disMovingRect() const { return m_disMovingRect; }

    bool isButtonDown() const { return m_buttonDown; }
    void setExtraHeight(int h) { m_extraHeight = h; }
    void setSizeProtection(bool b) { m_sizeProtect = b; }
    void setFrameWidth(int w) { m_frameWidth = w; }

    // The zone found by the last hit test.
    MousePosition zone() const { return m_zone; }
    int edgeRange() const { return m_edgeRange; }

    void doResize();
    void doMove();

Q_SIGNALS:
    void activate();

protected:
    bool eventFilter(QObject* o, QEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e);
    void keyPressEvent(QKeyEvent* e);

private:
    void setMouseCursor(MousePosition m);
    bool isMove() const { return m_moveActive && m_zone == Center; }
    bool isResize() const { return m_resizeActive && !isMove(); }
    // The smallest size the layout engine would give sizeWidget.
    QSize effectiveMinimumSize() const;

    QWidget* m_window;
    QWidget* m_sizeWidget;
    QPoint m_pressOffset;
    QPoint m_pressToCorner;
    QRect m_disMovingRect;
    MousePosition m_zone = NoZone;
    int m_frameWidth = 0;
    int m_extraHeight = 0;
    int m_edgeRange = 4;
    bool m_buttonDown = false;
    bool m_grabMode = false;
    bool m_resizeActive = true;
    bool m_sizeProtect = true;
    bool m_movingEnabled = true;
    bool m_moveActive = true;
    // While the hit test runs inside an event handler, whether a Center drag
    // may move the window for the object the event came from.
    bool m_moveAllowedNow = false;

    Q_DISABLE_COPY(QWidgetResizeHandler)
};

} // namespace QtBased
