#pragma once

// Paints the rows of the details list: the name column as a framed thumbnail
// with the name beside it, the other columns as the styled delegate does.
// The name editor stands beside the thumbnail.

#include <QStyledItemDelegate>

class MediaShowDetailsDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    MediaShowDetailsDelegate();

    struct Geometry
    {
        QRect frame;
        QRect picture;
        QRect text;
    };
    // Where frame, thumbnail and name go in a name cell.
    static Geometry GeometryOf(const QRect& cell);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;
};
