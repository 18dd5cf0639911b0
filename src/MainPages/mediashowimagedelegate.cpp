#include "mediashowimagedelegate.h"

#include "thumbnailscalecache.h"

#include "utility/ThumbnailDrawing.h"

#include <QApplication>
#include <QPainter>

MediaShowImageDelegate::MediaShowImageDelegate()
{
    Static_Enum_ItemViewType = MediaItemViewUnset;
}

QRect MediaShowImageDelegate::thumbnailRect(const QRect& cell) const
{
    const bool large = Static_Enum_ItemViewType == MediaItemViewLarge;
    const int w = large ? m_largeWidth : m_smallWidth;
    const int h = large ? m_largeHeight : m_smallHeight;
    return QRect(cell.left() + (cell.width() - w) / 2, cell.top() + (cell.height() - h) / 2, w, h);
}

void MediaShowImageDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const
{
    QStyleOptionViewItem plain(option);
    const bool selected = option.state & QStyle::State_Selected;
    plain.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
    if (!index.model() || !index.data(Qt::UserRole).isValid())
        return;
    QStyle* style = option.widget ? option.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &plain, painter, option.widget);

    const QRect box = thumbnailRect(option.rect);
    const QImage image = index.data(Qt::DecorationRole).value<QImage>();
    // A phone's tall picture stands in a wide box with bars beside it.
    const QRect target = ThumbnailDrawing::FittedRect(image.size(), box);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    const QPixmap picture = ThumbnailScaleCache::Scaled(image, target.size());
    if (!picture.isNull())
        painter->drawPixmap(target.topLeft(), picture);
    if (index.data(MissingRole).toBool())
        ThumbnailDrawing::DrawMissingMark(painter, box, tr("Missing"));
    if (selected && !m_selectedImg.isNull())
        painter->drawImage(QRect(target.right() - 15, target.bottom() - 15, 15, 15), m_selectedImg);
    painter->restore();
}
