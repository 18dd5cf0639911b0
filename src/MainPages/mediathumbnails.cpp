#include "mediathumbnails.h"

#include "cmediasourceitem.h"
#include "isourcedataitem.h"

#include <QBuffer>
#include <QImageReader>
#include <QPixmapCache>

namespace MediaThumbnails {

QPixmap Small(Fablecut::ISourceDataItem* item, const QSize& size)
{
    if (!item || size.isEmpty())
        return QPixmap();
    const QString key = QStringLiteral("fc-thumb:%1:%2x%3").arg(item->GetSrcFileFullPath()).arg(size.width()).arg(size.height());
    QPixmap pixmap;
    if (QPixmapCache::find(key, &pixmap))
        return pixmap;
    if (QPixmapCache::cacheLimit() < 64 * 1024)
        QPixmapCache::setCacheLimit(64 * 1024);
    QImage image;
    auto* media = dynamic_cast<Fablecut::CMediaSourceItem*>(item);
    QByteArray png = media ? media->GetThumbnailPng() : QByteArray();
    if (!png.isEmpty()) {
        // Decoded straight to the small size.
        QBuffer buffer(&png);
        QImageReader reader(&buffer, "PNG");
        const QSize full = reader.size();
        if (full.isValid())
            reader.setScaledSize(full.scaled(size, Qt::KeepAspectRatio));
        image = reader.read();
    } else if (const QImage* thumb = item->GetThumbnailData()) {
        if (!thumb->isNull())
            image = thumb->scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    if (image.isNull())
        return QPixmap();
    pixmap = QPixmap::fromImage(image);
    QPixmapCache::insert(key, pixmap);
    return pixmap;
}

} // namespace MediaThumbnails
