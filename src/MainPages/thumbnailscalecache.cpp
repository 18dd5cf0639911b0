#include "thumbnailscalecache.h"

#include <QCache>

namespace {

const int kCapacityBytes = 16 * 1024 * 1024;

struct Key
{
    qint64 image;
    int width;
    int height;
    bool operator==(const Key& o) const { return image == o.image && width == o.width && height == o.height; }
};

uint qHash(const Key& k, uint seed = 0)
{
    return ::qHash(k.image, seed) ^ ::qHash((k.width << 16) ^ k.height, seed);
}

QCache<Key, QPixmap>& Cache()
{
    // Cost in bytes; the cache drops its least recently used pictures.
    static QCache<Key, QPixmap> cache(kCapacityBytes);
    return cache;
}

} // namespace

namespace ThumbnailScaleCache {

QPixmap Scaled(const QImage& image, const QSize& size)
{
    if (image.isNull() || size.width() <= 0 || size.height() <= 0)
        return QPixmap();
    const Key key{image.cacheKey(), size.width(), size.height()};
    if (QPixmap* hit = Cache().object(key))
        return *hit;
    // Premultiplied 32-bit input takes Qt's box-filter (area averaging) path
    // when shrinking.
    const QImage source =
        image.format() == QImage::Format_ARGB32_Premultiplied || image.format() == QImage::Format_RGB32
            ? image
            : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    auto* scaled =
        new QPixmap(QPixmap::fromImage(source.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
    const QPixmap result = *scaled;
    const int cost = qMax(1, size.width() * size.height() * 4);
    Cache().insert(key, scaled, cost);
    return result;
}

int CapacityBytes()
{
    return kCapacityBytes;
}

void Clear()
{
    Cache().clear();
}

} // namespace ThumbnailScaleCache
