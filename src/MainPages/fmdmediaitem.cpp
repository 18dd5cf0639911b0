#include "fmdmediaitem.h"

#include <cmath>

FMDMediaItem::FMDMediaItem(bool, FMDMediaItem* parent) : m_parent(parent)
{
    if (parent)
        parent->m_children.append(this);
}

FMDMediaItem::~FMDMediaItem()
{
    qDeleteAll(m_children);
}

bool FMDMediaItem::insertChild(int row, FMDMediaItem* child)
{
    if (!child || row < 0 || row > m_children.size())
        return false;
    child->m_parent = this;
    m_children.insert(row, child);
    return true;
}

FMDMediaItem* FMDMediaItem::takeChild(int row)
{
    if (row < 0 || row >= m_children.size())
        return nullptr;
    FMDMediaItem* child = m_children.takeAt(row);
    child->m_parent = nullptr;
    return child;
}

void FMDMediaItem::setDuration(const CBaseTime& value)
{
    duration = value;
    durationText = DurationText(value);
}

QString FMDMediaItem::getSizeString() const
{
    return SizeText(fileSize);
}

QString FMDMediaItem::SizeText(qint64 bytes)
{
    // Whole hundredths of a megabyte, truncated in 64 bits so that sizes of
    // tens of terabytes keep their value.
    const double hundredths = static_cast<double>(bytes) * (1.0 / 1024) * (1.0 / 1024) * 100;
    const double v = static_cast<double>(static_cast<qint64>(hundredths)) / 100.0;
    return QString::number(v, 'g', 6) + " MB";
}

QString FMDMediaItem::DurationText(const CBaseTime& time)
{
    const double seconds = time.ToSeconds();
    if (!std::isfinite(seconds) || seconds < 0)
        return QString();
    // Every part truncated; hours run past 23 for long media.
    double s = seconds;
    const qint64 h = static_cast<qint64>(s / 3600);
    s -= 3600.0 * static_cast<double>(h);
    const qint64 m = static_cast<qint64>(s / 60);
    s -= 60.0 * static_cast<double>(m);
    const qint64 c = static_cast<qint64>(s);
    const qint64 ms = static_cast<qint64>((s - static_cast<double>(c)) * 1000);
    return QString("%1:%2:%3.%4")
        .arg(h, 2, 10, QChar('0'))
        .arg(m, 2, 10, QChar('0'))
        .arg(c, 2, 10, QChar('0'))
        .arg(ms, 3, 10, QChar('0'));
}
