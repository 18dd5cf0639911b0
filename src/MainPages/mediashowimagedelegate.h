#pragma once

// Draws one cell of the thumbnail grid: the item's thumbnail centred in the
// thumbnail box of the current icon size at its own shape, a clip whose file
// is missing dimmed under a word that says so, and on selected items the
// selection mark in the picture's lower right corner. Blank cells stay
// empty; no other text is drawn (the name is the cell's tool tip).

#include <QImage>
#include <QStyledItemDelegate>

enum MediaItemViewType : int { MediaItemViewLarge = 2, MediaItemViewSmall = 4, MediaItemViewUnset = 100 };

// The icon size of the one thumbnail grid (its source file holds it).
extern MediaItemViewType Static_Enum_ItemViewType;

class MediaShowImageDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    // A cell whose data under this role is true shows a clip whose file is missing.
    static const int MissingRole = Qt::UserRole + 10;

    MediaShowImageDelegate();

    void setThumbnailImgSmallWidth(int w) { m_smallWidth = w; }
    void setThumbnailImgSmallHeight(int h) { m_smallHeight = h; }
    void setThumbnailImgLargWidth(int w) { m_largeWidth = w; }
    void setThumbnailImgLargHeight(int h) { m_largeHeight = h; }
    void setItemSelectedImg(const QImage& image) { m_selectedImg = image; }
    QImage itemSelectedImg() const { return m_selectedImg; }

    // The box the thumbnail is fitted into in a cell.
    QRect thumbnailRect(const QRect& cell) const;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    int m_smallWidth = 64;
    int m_smallHeight = 48;
    int m_largeWidth = 128;
    int m_largeHeight = 72;
    QImage m_selectedImg;
};
