#include "ThumbnailDrawing.h"

#include <QFontMetricsF>
#include <QPainter>

namespace ThumbnailDrawing {

QRectF FittedRect(const QSizeF& picture, const QRectF& box)
{
    if (picture.width() <= 0 || picture.height() <= 0 || box.width() <= 0 || box.height() <= 0)
        return box;
    const QSizeF fitted = picture.scaled(box.size(), Qt::KeepAspectRatio);
    return QRectF(box.x() + (box.width() - fitted.width()) / 2, box.y() + (box.height() - fitted.height()) / 2,
                  fitted.width(), fitted.height());
}

QRect FittedRect(const QSize& picture, const QRect& box)
{
    if (picture.isEmpty() || box.isEmpty())
        return box;
    const QSize fitted = picture.scaled(box.size(), Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    return QRect(box.x() + (box.width() - fitted.width()) / 2, box.y() + (box.height() - fitted.height()) / 2,
                 fitted.width(), fitted.height());
}

void DrawMissingMark(QPainter* painter, const QRectF& area, const QString& text)
{
    if (!painter || area.isEmpty())
        return;
    painter->save();
    painter->fillRect(area, QColor(0, 0, 0, 150));
    QFont font = painter->font();
    font.setBold(true);
    painter->setFont(font);
    const QFontMetricsF metrics(font);
    const double bandHeight = qMin(area.height(), metrics.height() + 4);
    const QRectF band(area.x(), area.center().y() - bandHeight / 2, area.width(), bandHeight);
    // Near black under white: far above the contrast text needs.
    painter->fillRect(band, QColor(24, 24, 24, 235));
    painter->setPen(Qt::white);
    painter->drawText(band, Qt::AlignCenter | Qt::TextSingleLine,
                      metrics.elidedText(text, Qt::ElideRight, qMax(0.0, area.width() - 4)));
    painter->restore();
}

} // namespace ThumbnailDrawing
