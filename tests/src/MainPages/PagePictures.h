#pragma once

// What the page tests that compare pictures share: the difference of two
// pictures, both brought to one small size, and the clip's part of an
// output picture that holds it between bars.

#include <QImage>
#include <QSize>

#include <cmath>
#include <cstdlib>

namespace PageTest {

// Mean difference over the three colour channels, in 8-bit levels.
inline double MeanDifference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size() || a.isNull())
        return 1e9;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}

// Both pictures at one small size: what the eye compares, free of the
// differences between two scalers at sharp edges.
inline QImage Small(const QImage& image, QSize size)
{
    return image.convertToFormat(QImage::Format_RGB32)
        .scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_RGB32);
}

// The part of an output picture that holds the clip: its shape fitted
// into the output frame between bars.
inline QImage Content(const QImage& frame, double aspect)
{
    QSize fitted(static_cast<int>(std::lround(1000 * aspect)), 1000);
    fitted.scale(frame.size(), Qt::KeepAspectRatio);
    return frame.copy((frame.width() - fitted.width()) / 2, (frame.height() - fitted.height()) / 2, fitted.width(),
                      fitted.height());
}

} // namespace PageTest
