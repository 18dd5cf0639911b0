#include "vruler.h"

#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include <cmath>

const double g_Scale[13] = {60, 30, 22.5, 15, 12, 9, 6, 3, 2.5, 2, 1.5, 1, 0.5};

namespace {

const QColor COLOR_VALUE_VRULER_MARK(200, 200, 200, 255);
const QColor COLOR_VALUE_VRULER_INSERT(255, 162, 0, 255);

constexpr int kTickPixels = 12;
constexpr int kAnchorCheckMs = 100;

} // namespace

VRuler::VRuler(QWidget* trackView) : QFrame(trackView)
{
    m_timer = new QTimer(this);
    m_anchor = new QPixmap;
    setMinimumHeight(20);
    setFocusPolicy(Qt::ClickFocus);
    setMouseTracking(true);
    connect(m_timer, &QTimer::timeout, this, &VRuler::slot_OnCheckAnchorPosTimerTrigger);
}

VRuler::~VRuler()
{
    m_timer->stop();
    delete m_anchor;
}

double VRuler::getScaleByIndex(const unsigned int& index)
{
    return g_Scale[qMin(index, 12u)];
}

void VRuler::setRateByIndex(const unsigned int& index)
{
    m_index = qMin(index, 12u);
    m_pixelsPerSecond = kTickPixels / g_Scale[m_index];
    update();
}

void VRuler::getHoriPosTime(const int& x, CBaseTime& out) const
{
    out = (m_offset + x) / m_pixelsPerSecond;
}

void VRuler::setDuration(const CBaseTime& duration)
{
    const double oldEnd = m_duration.ToSeconds();
    const double newEnd = duration.ToSeconds();
    m_duration = duration;
    const int left = int(qMin(oldEnd, newEnd) * m_pixelsPerSecond - 1.0 - m_offset);
    const int w = int(m_pixelsPerSecond * std::fabs(newEnd - oldEnd) + 2.0);
    update(left, 0, w, height());
}

void VRuler::SetAnchor(const QPixmap& anchor)
{
    *m_anchor = anchor;
    update();
}

QPixmap VRuler::GetAnchor() const
{
    return *m_anchor;
}

void VRuler::slot_moveRuler(int newOffset)
{
    m_offset = newOffset;
    update();
}

void VRuler::slot_insert(bool bEnable, CBaseTime pos)
{
    m_insert = bEnable;
    m_insertPos = pos;
    update();
}

void VRuler::slot_rulerAnchorMoved()
{
    update();
}

void VRuler::slot_OnCheckAnchorPosTimerTrigger()
{
    emit signal_SetIgnoreAnchorMoveSignal(false);
    emit signal_AnchorPosChanged(CBaseTime(m_anchorDragPos / m_pixelsPerSecond), true);
    m_lastSentPos = m_anchorDragPos;
    emit signal_SetIgnoreAnchorMoveSignal(true);
    m_timer->stop();
    update();
}

void VRuler::mousePressEvent(QMouseEvent* event)
{
    const int x = qMax(0, event->x());
    if (event->button() == Qt::LeftButton) {
        emit signal_AnchorPosChanged(CBaseTime((m_offset + x) / m_pixelsPerSecond), true);
        emit signal_SetIgnoreAnchorMoveSignal(true);
        m_pressPos = event->pos();
        m_lastSentPos = m_offset + x;
        m_dragged = false;
    }
    QFrame::mousePressEvent(event);
    update();
}

void VRuler::mouseMoveEvent(QMouseEvent* event)
{
    int x = qMax(0, event->x());
    emit signal_rulerMouseMoved(event);
    if (event->buttons() == Qt::LeftButton) {
        x += m_offset;
        emit signal_AnchorPosChanged(CBaseTime(x / m_pixelsPerSecond), true);
        m_anchorDragPos = x;
        m_dragged = true;
        if (!m_timer->isActive())
            m_timer->start(kAnchorCheckMs);
    }
    QFrame::mouseMoveEvent(event);
    update();
}

void VRuler::mouseReleaseEvent(QMouseEvent* event)
{
    m_timer->stop();
    emit signal_SetIgnoreAnchorMoveSignal(false);
    // A drag ends where the button was let go, even when the last throttled
    // request went out earlier.
    const int releasePos = m_offset + qMax(0, event->x());
    if (m_dragged && releasePos != m_lastSentPos) {
        emit signal_AnchorPosChanged(CBaseTime(releasePos / m_pixelsPerSecond), true);
        m_lastSentPos = releasePos;
    }
    m_dragged = false;
    if (event->x() == m_pressPos.x())
        emit signal_mousePressSeek();
    else
        emit signal_mouseMoveSeek();
    QFrame::mouseReleaseEvent(event);
}

void VRuler::leaveEvent(QEvent* event)
{
    emit signal_rulerMouseLeave();
    QFrame::leaveEvent(event);
}

void VRuler::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QRect area = event->rect();
    painter.setClipRect(area);
    const QFont keptFont = painter.font();
    const QPen keptPen = painter.pen();
    painter.setPen(COLOR_VALUE_VRULER_MARK);
    QFont font = keptFont;
    font.setPixelSize(9);
    painter.setFont(font);

    const int a = area.left();
    const int b = area.right();
    const double seconds = g_Scale[m_index];
    // Labels start right of their tick, clear of the anchor standing on it.
    const int labelGap = m_anchor->isNull() ? 2 : m_anchor->width() / 2 + 2;
    // A label reaches up to ten ticks right of its own.
    for (int k = qMax(0, (m_offset + a) / kTickPixels - 11); k < (m_offset + b) / kTickPixels + 2; ++k) {
        const int x = kTickPixels * k - m_offset;
        if (k % 10 == 0) {
            const QString label =
                QString::fromStdString(CBaseTimeFormat::BaseTimeToStrHH_MM_SS(CBaseTime(k * seconds)));
            painter.drawText(QPoint(x + labelGap, 10), label);
        }
        if (k % 5 == 0)
            painter.drawLine(x, 12, x, 17);
        else
            painter.drawLine(x, 15, x, 17);
    }
    painter.setPen(keptPen);
    painter.setFont(keptFont);

    const CBaseTime anchorTime = m_anchorPos ? m_anchorPos() : CBaseTime(0.0);
    const int ax = int(anchorTime.ToSeconds() * m_pixelsPerSecond - m_offset - (m_anchor->width() * 0.5 - 1.0));
    painter.drawPixmap(ax, height() - m_anchor->height(), *m_anchor);

    if (m_insert) {
        const QRectF marker(m_insertPos.ToSeconds() * m_pixelsPerSecond - m_offset, 0, 2.0, 20.0);
        painter.setPen(COLOR_VALUE_VRULER_INSERT);
        painter.setBrush(COLOR_VALUE_VRULER_INSERT);
        painter.drawRect(marker);
    }
}
