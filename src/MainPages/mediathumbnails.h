#pragma once

// Small thumbnails for the library views, made when a cell is first drawn:
// a library item keeps its thumbnail as PNG bytes, and decoding every one at
// full size would cost a large library seconds and gigabytes.

#include <QPixmap>
#include <QSize>
#include <QString>

namespace Fablecut { class ISourceDataItem; }

namespace MediaThumbnails {

// The item's thumbnail fitted into size, cached by path and size.
QPixmap Small(Fablecut::ISourceDataItem* item, const QSize& size);

} // namespace MediaThumbnails
