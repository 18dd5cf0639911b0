#include "vtimelinegotoedit.h"

#include <QStringList>

#include <cmath>

VTimelineGotoEdit::VTimelineGotoEdit(QWidget* parent) : QLineEdit(parent), m_focusTime(new CBaseTime(0.0)) {}

VTimelineGotoEdit::~VTimelineGotoEdit()
{
    delete m_focusTime;
}

QString VTimelineGotoEdit::formatTime(const CBaseTime& time)
{
    return QString::fromStdString(CBaseTimeFormat::BaseTimeToStrHH_MM_SS_MS(time, false));
}

void VTimelineGotoEdit::setFocusTime(const CBaseTime& time)
{
    m_focusText = formatTime(time);
}

void VTimelineGotoEdit::setText(const QString& text)
{
    if (m_showFocus)
        QLineEdit::setText(text);
}

void VTimelineGotoEdit::slot_timeLineMouseMoved(CBaseTime time)
{
    m_showFocus = false;
    QLineEdit::setText(formatTime(time));
}

void VTimelineGotoEdit::slot_timeLineMouseLeave()
{
    m_showFocus = true;
    QLineEdit::setText(QStringLiteral("00:00:00.000"));
}

bool VTimelineGotoEdit::getDisplayTime(CBaseTime& out)
{
    const QStringList fields = text().split(QLatin1Char(':'), Qt::KeepEmptyParts);
    if (fields.size() < 3)
        return false;
    bool okH = false, okM = false, okS = false;
    const qint64 hours = fields[0].trimmed().toLongLong(&okH);
    const qint64 minutes = fields[1].trimmed().toLongLong(&okM);
    const double seconds = fields[2].trimmed().toDouble(&okS);
    if (!okH || !okM || !okS || hours < 0 || minutes < 0 || seconds < 0.0 || !std::isfinite(seconds))
        return false;
    // Far beyond any timeline, yet well inside what a double holds exactly.
    if (hours > 1000000 || minutes > 60000000)
        return false;
    *m_focusTime = double(hours * 3600 + minutes * 60) + seconds;
    out = *m_focusTime;
    return true;
}

void VTimelineGotoEdit::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    m_focusText = text();
}

void VTimelineGotoEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    if (m_showFocus)
        QLineEdit::setText(m_focusText);
}
