#pragma once

// One node of the details tree: what a row shows of a library item. A node
// owns its children; the invisible root's children are the rows.

#include "utility/CBaseTime.h"

#include <QImage>
#include <QList>
#include <QString>

class FMDMediaItem
{
public:
    // The first argument is unused. With a parent the node becomes its last
    // child.
    explicit FMDMediaItem(bool = false, FMDMediaItem* parent = nullptr);
    ~FMDMediaItem();

    FMDMediaItem(const FMDMediaItem&) = delete;
    FMDMediaItem& operator=(const FMDMediaItem&) = delete;

    FMDMediaItem* parent() const { return m_parent; }
    QList<FMDMediaItem*>& children() { return m_children; }
    const QList<FMDMediaItem*>& children() const { return m_children; }
    int rowOfChild(const FMDMediaItem* child) const { return m_children.indexOf(const_cast<FMDMediaItem*>(child)); }

    // False, changing nothing, for a null child or a position outside
    // 0 … number of children.
    bool insertChild(int row, FMDMediaItem* child);
    // Null for a position that holds no child; the caller owns what it gets.
    FMDMediaItem* takeChild(int row);

    void setDuration(const CBaseTime& duration);
    QString getSizeString() const;

    // The texts a row shows for a size in bytes and for a duration.
    static QString SizeText(qint64 bytes);
    static QString DurationText(const CBaseTime& duration);

    QString name;
    QString fullPath;
    QString durationText = QStringLiteral("00:00:00.000");
    CBaseTime duration;
    qint64 fileSize = 0;
    QString dateText = QStringLiteral("2012/06/19");
    QString typeText = QStringLiteral("*");
    QImage thumbnail;

private:
    FMDMediaItem* m_parent = nullptr;
    QList<FMDMediaItem*> m_children;
};
