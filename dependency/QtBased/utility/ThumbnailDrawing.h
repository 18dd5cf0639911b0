#pragma once

// How the program draws a clip's thumbnail into a cell, shared by the
// library views and the timeline: the picture keeps its own shape inside
// the cell (bars beside a tall one, above and below a wide one), and a clip
// whose file is missing is dimmed under a word that says so.

#include <QRect>
#include <QRectF>
#include <QSize>
#include <QString>

class QPainter;

namespace ThumbnailDrawing {

// The largest rectangle of the picture's shape inside the box, centred in
// it; the box itself for an empty picture size.
QRect FittedRect(const QSize& picture, const QRect& box);
QRectF FittedRect(const QSizeF& picture, const QRectF& box);

// Dims the area and writes the text in a band across its middle, light on
// dark, so it reads over any picture.
void DrawMissingMark(QPainter* painter, const QRectF& area, const QString& text);

} // namespace ThumbnailDrawing
