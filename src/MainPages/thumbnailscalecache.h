#pragma once

// Thumbnails scaled once per target size, with area averaging, and kept in a
// bounded cache shared by both library views. Drawing a large thumbnail
// straight into a small cell would alias; scaling it at every paint would
// cost a full resample per cell per frame.

#include <QImage>
#include <QPixmap>
#include <QSize>

namespace ThumbnailScaleCache {

// The image resampled to exactly this size (aspect not kept); a null pixmap
// for a null image or an empty size.
QPixmap Scaled(const QImage& image, const QSize& size);
// Bytes the cache may hold.
int CapacityBytes();
void Clear();

} // namespace ThumbnailScaleCache
