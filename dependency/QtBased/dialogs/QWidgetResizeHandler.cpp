#include "QWidgetResizeHandler.h"

#include <QApplication>
#include <QCursor>
#include <QFrame>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QWidget>

namespace QtBased {

namespace {

// Once the keyboard has picked which edge a keyboard resize moves, further
// arrow keys of the same axis keep that edge. Shared by every handler, as only
// one keyboard resize can run at a time.
bool resizeHorizontalDirectionFixed = false;
bool resizeVerticalDirectionFixed = false;

constexpr int kCornerExtra = 8;

// The layout engine's effective minimum: a shrinkable direction may go down
// to the minimum size hint, a fixed one not below the size hint; an explicit
// minimum size wins over both.
QSize smartMinSize(const QWidget* w)
{
    const QSize hint = w->sizeHint();
    const QSize minHint = w->minimumSizeHint();
    const QSize minSize = w->minimumSize();
    const QSize maxSize = w->maximumSize();
    const QSizePolicy policy = w->sizePolicy();

    QSize s(0, 0);
    if (policy.horizontalPolicy() != QSizePolicy::Ignored) {
        if (policy.horizontalPolicy() & QSizePolicy::ShrinkFlag)
            s.setWidth(minHint.width());
        else
            s.setWidth(qMax(hint.width(), minHint.width()));
    }
    if (policy.verticalPolicy() != QSizePolicy::Ignored) {
        if (policy.verticalPolicy() & QSizePolicy::ShrinkFlag)
            s.setHeight(minHint.height());
        else
            s.setHeight(qMax(hint.height(), minHint.height()));
    }
    s = s.boundedTo(maxSize);
    if (minSize.width() > 0)
        s.setWidth(minSize.width());
    if (minSize.height() > 0)
        s.setHeight(minSize.height());
    return s.expandedTo(QSize(0, 0));
}

QRect desktopRect(const QWidget* w)
{
    QScreen* screen = w->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->virtualGeometry() : QRect();
}

} // namespace

QWidgetResizeHandler::QWidgetResizeHandler(QWidget* parent, QWidget* sizeWidget)
    : QObject(parent), m_window(parent), m_sizeWidget(sizeWidget ? sizeWidget : parent)
{
    m_window->setMouseTracking(true);
    const QFrame* frame = qobject_cast<const QFrame*>(m_window);
    m_edgeRange = frame ? frame->frameWidth() : 0;
    if (m_edgeRange < 4)
        m_edgeRange = 4;
    m_window->installEventFilter(this);
}

void QWidgetResizeHandler::setActive(Action action, bool bActive)
{
    if (action & Move)
        m_moveActive = bActive;
    if (action & Resize)
        m_resizeActive = bActive;
    if (!m_moveActive && !m_resizeActive)
        setMouseCursor(NoZone);
}

bool QWidgetResizeHandler::isActive(Action action) const
{
    bool active = false;
    if ((action & Move) && m_moveActive)
        active = true;
    if ((action & Resize) && m_resizeActive)
        active = true;
    return active;
}

QSize QWidgetResizeHandler::effectiveMinimumSize() const
{
    return smartMinSize(m_sizeWidget);
}

bool QWidgetResizeHandler::eventFilter(QObject* o, QEvent* ee)
{
    const QEvent::Type type = ee->type();
    if (!isActive() || (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease &&
                        type != QEvent::MouseMove && type != QEvent::KeyPress))
        return false;

    if (QApplication::activePopupWidget()) {
        if (type == QEvent::MouseButtonRelease)
            m_buttonDown = false;
        return false;
    }

    if (type == QEvent::KeyPress) {
        keyPressEvent(static_cast<QKeyEvent*>(ee));
        return false;
    }

    QMouseEvent* e = static_cast<QMouseEvent*>(ee);
    switch (type) {
    case QEvent::MouseButtonPress: {
        if (m_window->isMaximized())
            return false;
        if (!m_window->rect().contains(m_window->mapFromGlobal(e->globalPos())))
            return false;
        if (e->button() != Qt::LeftButton)
            return false;
        m_buttonDown = false;
        emit activate();
        const bool me = m_movingEnabled;
        m_movingEnabled = me && o == m_window;
        mouseMoveEvent(e);
        m_movingEnabled = me;
        m_buttonDown = true;
        m_pressOffset = m_window->mapFromGlobal(e->globalPos());
        m_pressToCorner = m_window->rect().bottomRight() - m_pressOffset;
        break;
    }
    case QEvent::MouseButtonRelease:
        if (m_window->isMaximized())
            return false;
        if (e->button() != Qt::LeftButton)
            return false;
        m_grabMode = false;
        m_buttonDown = false;
        m_window->releaseMouse();
        m_window->releaseKeyboard();
        break;
    case QEvent::MouseMove: {
        if (m_window->isMaximized())
            return false;
        m_buttonDown = m_buttonDown && (e->buttons() & Qt::LeftButton);
        const bool me = m_movingEnabled;
        m_movingEnabled = me && o == m_window && (m_buttonDown || m_grabMode);
        mouseMoveEvent(e);
        m_movingEnabled = me;
        break;
    }
    default: return false;
    }
    if (m_zone == Center && !m_movingEnabled)
        return false;
    return true;
}

void QWidgetResizeHandler::mouseMoveEvent(QMouseEvent* e)
{
    const QPoint pos = m_window->mapFromGlobal(e->globalPos());
    if (!m_buttonDown && !m_grabMode) {
        const int x = pos.x();
        const int y = pos.y();
        const int w = m_window->width();
        const int h = m_window->height();
        const int r = m_edgeRange;
        const int c = r + kCornerExtra;

        if (y <= c && x <= c)
            m_zone = TopLeft;
        else if (y >= h - kCornerExtra - r && x >= w - kCornerExtra - r)
            m_zone = BottomRight;
        else if (y >= h - kCornerExtra - r && x <= c)
            m_zone = BottomLeft;
        else if (y <= c && x >= w - kCornerExtra - r)
            m_zone = TopRight;
        else if (y <= r)
            m_zone = Top;
        else if (y >= h - r)
            m_zone = Bottom;
        else if (x <= r)
            m_zone = Left;
        else if (x >= w - r)
            m_zone = Right;
        else if (m_window->rect().contains(pos) && !m_disMovingRect.contains(pos))
            m_zone = Center;
        else
            m_zone = NoZone;

        if (m_window->isMinimized() || !isActive(Resize))
            m_zone = Center;
        setMouseCursor(m_zone);
        return;
    }

    if (m_zone == Center && !m_movingEnabled)
        return;

    QPoint globalPos = e->globalPos();
    QWidget* parent = m_window->parentWidget();
    if (!m_window->isWindow() && parent) {
        globalPos = parent->mapFromGlobal(globalPos);
        if (!parent->rect().contains(globalPos)) {
            if (globalPos.x() < 0)
                globalPos.rx() = 0;
            if (globalPos.y() < 0)
                globalPos.ry() = 0;
            if (m_sizeProtect) {
                if (globalPos.x() > parent->width())
                    globalPos.rx() = parent->width();
                if (globalPos.y() > parent->height())
                    globalPos.ry() = parent->height();
            }
        }
    }

    const QPoint p = globalPos + m_pressToCorner;
    const QPoint pp = globalPos - m_pressOffset;

    const QSize minSize = effectiveMinimumSize();
    int mw = minSize.width();
    int mh = minSize.height();
    QSize maxSize = m_sizeWidget->maximumSize();
    int maxW = maxSize.width();
    int maxH = maxSize.height();
    if (m_sizeWidget != m_window) {
        mw += 2 * m_frameWidth;
        mh += 2 * m_frameWidth + m_extraHeight;
        maxW = qMin(QWIDGETSIZE_MAX, maxW + 2 * m_frameWidth);
        maxH = qMin(QWIDGETSIZE_MAX, maxH + 2 * m_frameWidth + m_extraHeight);
    }
    const QSize minimum = m_window->minimumSize().expandedTo(QSize(mw, mh));
    const QSize maximum(maxW, maxH);

    const QRect geom = m_window->geometry();
    const QSize mpsize =
        QSize(geom.right() - pp.x() + 1, geom.bottom() - pp.y() + 1).expandedTo(minimum).boundedTo(maximum);
    const QPoint mp(geom.right() - mpsize.width() + 1, geom.bottom() - mpsize.height() + 1);

    QRect geom2;
    switch (m_zone) {
    case TopLeft: geom2 = QRect(mp, geom.bottomRight()); break;
    case BottomRight: geom2 = QRect(geom.topLeft(), p); break;
    case BottomLeft: geom2 = QRect(QPoint(mp.x(), geom.y()), QPoint(geom.right(), p.y())); break;
    case TopRight: geom2 = QRect(QPoint(geom.x(), mp.y()), QPoint(p.x(), geom.bottom())); break;
    case Top: geom2 = QRect(QPoint(geom.left(), mp.y()), geom.bottomRight()); break;
    case Bottom: geom2 = QRect(geom.topLeft(), QPoint(geom.right(), p.y())); break;
    case Left: geom2 = QRect(QPoint(mp.x(), geom.top()), geom.bottomRight()); break;
    case Right: geom2 = QRect(geom.topLeft(), QPoint(p.x(), geom.bottom())); break;
    case Center:
        geom2.setSize(geom.size());
        geom2.moveTopLeft(pp);
        break;
    default: geom2 = geom; break;
    }

    geom2 = QRect(geom2.topLeft(), geom2.size().expandedTo(minimum).boundedTo(maximum));

    if (geom2 != geom && (m_window->isWindow() || !parent || parent->rect().intersects(geom2))) {
        if (m_zone == Center)
            m_window->move(geom2.topLeft());
        else
            m_window->setGeometry(geom2);
    }
}

void QWidgetResizeHandler::setMouseCursor(MousePosition m)
{
#ifndef QT_NO_CURSOR
    const QObjectList& children = m_window->children();
    for (QObject* child : children) {
        QWidget* w = qobject_cast<QWidget*>(child);
        if (w && !w->testAttribute(Qt::WA_SetCursor) && !w->inherits("QWorkspaceTitleBar"))
            w->setCursor(Qt::ArrowCursor);
    }

    switch (m) {
    case TopLeft:
    case BottomRight: m_window->setCursor(Qt::SizeFDiagCursor); break;
    case BottomLeft:
    case TopRight: m_window->setCursor(Qt::SizeBDiagCursor); break;
    case Top:
    case Bottom: m_window->setCursor(Qt::SizeVerCursor); break;
    case Left:
    case Right: m_window->setCursor(Qt::SizeHorCursor); break;
    default: m_window->setCursor(Qt::ArrowCursor); break;
    }
#endif
}

void QWidgetResizeHandler::keyPressEvent(QKeyEvent* e)
{
    if (!m_grabMode)
        return;
    const bool isResizeNow = m_grabMode && m_zone != Center;
    const int delta = (e->modifiers() & Qt::ControlModifier) ? 1 : 8;
    QPoint pos = QCursor::pos();
    const QRect desk = desktopRect(m_window);

    auto fixAndRegrab = [this](MousePosition from1, MousePosition to1, MousePosition from2, MousePosition to2) {
        if (m_zone == from1)
            m_zone = to1;
        else if (m_zone == from2)
            m_zone = to2;
        setMouseCursor(m_zone);
#ifndef QT_NO_CURSOR
        m_window->grabMouse(m_window->cursor());
#else
        m_window->grabMouse();
#endif
    };

    switch (e->key()) {
    case Qt::Key_Left:
        pos.rx() -= delta;
        if (pos.x() <= desk.left()) {
            if (m_zone == TopLeft || m_zone == BottomLeft) {
                m_pressOffset.rx() += delta;
                m_pressToCorner.rx() += delta;
            } else {
                m_pressOffset.rx() -= delta;
                m_pressToCorner.rx() -= delta;
            }
        }
        if (isResizeNow && !resizeHorizontalDirectionFixed) {
            resizeHorizontalDirectionFixed = true;
            fixAndRegrab(BottomRight, BottomLeft, TopRight, TopLeft);
        }
        break;
    case Qt::Key_Right:
        pos.rx() += delta;
        if (pos.x() >= desk.right()) {
            if (m_zone == TopRight || m_zone == BottomRight) {
                m_pressOffset.rx() += delta;
                m_pressToCorner.rx() += delta;
            } else {
                m_pressOffset.rx() -= delta;
                m_pressToCorner.rx() -= delta;
            }
        }
        if (isResizeNow && !resizeHorizontalDirectionFixed) {
            resizeHorizontalDirectionFixed = true;
            fixAndRegrab(TopLeft, TopRight, BottomLeft, BottomRight);
        }
        break;
    case Qt::Key_Up:
        pos.ry() -= delta;
        if (pos.y() <= desk.top()) {
            if (m_zone == TopLeft || m_zone == TopRight) {
                m_pressOffset.ry() += delta;
                m_pressToCorner.ry() += delta;
            } else {
                m_pressOffset.ry() -= delta;
                m_pressToCorner.ry() -= delta;
            }
        }
        if (isResizeNow && !resizeVerticalDirectionFixed) {
            resizeVerticalDirectionFixed = true;
            fixAndRegrab(BottomLeft, TopLeft, BottomRight, TopRight);
        }
        break;
    case Qt::Key_Down:
        pos.ry() += delta;
        if (pos.y() >= desk.bottom()) {
            if (m_zone == BottomLeft || m_zone == BottomRight) {
                m_pressOffset.ry() += delta;
                m_pressToCorner.ry() += delta;
            } else {
                m_pressOffset.ry() -= delta;
                m_pressToCorner.ry() -= delta;
            }
        }
        if (isResizeNow && !resizeVerticalDirectionFixed) {
            resizeVerticalDirectionFixed = true;
            fixAndRegrab(TopLeft, BottomLeft, TopRight, BottomRight);
        }
        break;
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        m_grabMode = false;
        m_window->releaseMouse();
        m_window->releaseKeyboard();
        m_buttonDown = false;
        break;
    default: return;
    }
    QCursor::setPos(pos);
}

void QWidgetResizeHandler::doResize()
{
    if (!m_resizeActive)
        return;
    m_grabMode = true;
    m_pressOffset = m_window->mapFromGlobal(QCursor::pos());
    const int halfW = m_window->width() / 2;
    const int halfH = m_window->height() / 2;
    if (m_pressOffset.x() < halfW)
        m_zone = m_pressOffset.y() < halfH ? TopLeft : BottomLeft;
    else
        m_zone = m_pressOffset.y() < halfH ? TopRight : BottomRight;
    m_pressToCorner = m_window->rect().bottomRight() - m_pressOffset;
    setMouseCursor(m_zone);
#ifndef QT_NO_CURSOR
    m_window->grabMouse(m_window->cursor());
#else
    m_window->grabMouse();
#endif
    m_window->grabKeyboard();
    resizeHorizontalDirectionFixed = false;
    resizeVerticalDirectionFixed = false;
}

void QWidgetResizeHandler::doMove()
{
    if (!m_moveActive)
        return;
    m_zone = Center;
    m_grabMode = true;
    m_pressOffset = m_window->mapFromGlobal(QCursor::pos());
    m_pressToCorner = m_window->rect().bottomRight() - m_pressOffset;
#ifndef QT_NO_CURSOR
    m_window->grabMouse(Qt::SizeAllCursor);
#else
    m_window->grabMouse();
#endif
    m_window->grabKeyboard();
}

} // namespace QtBased
