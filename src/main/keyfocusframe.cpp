#include "keyfocusframe.h"

#include <QApplication>
#include <QFocusEvent>
#include <QFrame>
#include <QRegion>
#include <QWidget>

namespace {

// The frame's width, outside the widget's own rectangle.
const int kRing = 2;

} // namespace

KeyFocusFrame::KeyFocusFrame(QObject* parent) : QObject(parent)
{
    qApp->installEventFilter(this);
}

KeyFocusFrame::~KeyFocusFrame()
{
    qApp->removeEventFilter(this);
    delete m_frame.data();
}

QFrame* KeyFocusFrame::frame() const
{
    return m_frame && m_frame->isVisible() ? m_frame.data() : nullptr;
}

void KeyFocusFrame::showAround(QWidget* widget)
{
    QWidget* window = widget->window();
    if (m_frame && m_frame->parentWidget() != window) {
        delete m_frame.data();
        m_frame = nullptr;
    }
    if (!m_frame) {
        m_frame = new QFrame(window);
        m_frame->setObjectName(QStringLiteral("keyFocusFrame"));
        m_frame->setAttribute(Qt::WA_TransparentForMouseEvents);
        m_frame->setFocusPolicy(Qt::NoFocus);
    }
    m_target = widget;
    place();
}

void KeyFocusFrame::place()
{
    if (!m_frame || !m_target || !m_target->isVisible()) {
        hide();
        return;
    }
    const QRect around = QRect(m_target->mapTo(m_frame->parentWidget(), QPoint(0, 0)), m_target->size())
                             .adjusted(-kRing, -kRing, kRing, kRing);
    m_frame->setGeometry(around);
    // Only the ring is the frame's: the widget inside stays as it is drawn.
    m_frame->setMask(QRegion(m_frame->rect()) - QRegion(m_frame->rect().adjusted(kRing, kRing, -kRing, -kRing)));
    m_frame->show();
    m_frame->raise();
}

void KeyFocusFrame::hide()
{
    m_target = nullptr;
    if (m_frame)
        m_frame->hide();
}

bool KeyFocusFrame::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (m_target && watched == m_target &&
        (type == QEvent::Move || type == QEvent::Resize || type == QEvent::Hide || type == QEvent::Show)) {
        place();
        return false;
    }
    if (type != QEvent::FocusIn && type != QEvent::FocusOut)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->isWindow())
        return false;
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    // A menu or another window taking the focus for a while leaves the frame.
    if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason)
        return false;
    if (type == QEvent::FocusOut) {
        if (widget == m_target)
            hide();
    } else if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason) {
        showAround(widget);
    }
    return false;
}
