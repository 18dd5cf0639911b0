#include "CVideoDriver.h"

#include <QMetaObject>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace Pellino {

CVideoDriver::CVideoDriver(const Moorland::VideoDriverDesc& desc) : m_desc(desc)
{
    if (desc.type == Moorland::VIDEO_DRIVER_WINDOW)
        m_window = static_cast<QObject*>(desc.handle);
}

void CVideoDriver::SetDstRect(const Moorland::VideoDriverRect* rect)
{
    if (!rect)
        return;
    m_dst = *rect;
    const int w = std::max(0, static_cast<int>(rect->right - rect->left));
    const int h = std::max(0, static_cast<int>(rect->bottom - rect->top));
    if (m_back.width() != w || m_back.height() != h)
        m_back = w && h ? QImage(w, h, QImage::Format_ARGB32) : QImage();
}

void CVideoDriver::Clear()
{
    if (!m_back.isNull())
        m_back.fill(Qt::black);
}

namespace {

QRectF ToLocal(const Moorland::VideoDriverRect& r, const Moorland::VideoDriverRect& dst)
{
    return QRectF(QPointF(r.left - dst.left, r.top - dst.top), QPointF(r.right - dst.left, r.bottom - dst.top));
}

} // namespace

void CVideoDriver::FillRect(const Moorland::VideoDriverRect* rect, const Moorland::VideoDriverColor* color)
{
    if (!rect || !color || m_back.isNull())
        return;
    QRectF area = ToLocal(*rect, m_dst);
    if (area.width() <= 0 || area.height() <= 0)
        return;
    QPainter painter(&m_back);
    painter.fillRect(area, QColor(color->red, color->green, color->blue, color->alpha));
}

bool CVideoDriver::DrawFrame(Moorland::IRawVideoFrame* frame, const Moorland::VideoDriverRect* src,
                             const Moorland::VideoDriverRect* dst)
{
    if (!frame || frame->GetPixelFormat() != m_desc.pixelFormat || m_desc.pixelFormat != Moorland::PIXEL_FORMAT_RGBA32)
        return false;
    if (m_back.isNull())
        return true;
    unsigned width = 0, height = 0, lineBytes = 0, pitch = 0, rows = 0;
    frame->GetDimension(&width, &height);
    unsigned char* bits = frame->GetBuffer(0, &lineBytes, &pitch, &rows);
    if (!bits || !width || !height)
        return false;
    // The frame's bytes are B, G, R, A: Qt's 32-bit layout. Its alpha is not
    // looked at: a picture is opaque.
    QImage picture(bits, static_cast<int>(width), static_cast<int>(height), static_cast<int>(pitch),
                   QImage::Format_RGB32);
    if (!frame->IsTopDown())
        picture = picture.mirrored(false, true);
    QRectF from =
        src ? QRectF(QPointF(src->left, src->top), QPointF(src->right, src->bottom)) : QRectF(0, 0, width, height);
    QRectF to = dst ? ToLocal(*dst, m_dst) : QRectF(0, 0, m_back.width(), m_back.height());
    if (to.width() <= 0 || to.height() <= 0 || from.width() <= 0 || from.height() <= 0)
        return true;
    QPainter painter(&m_back);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(to, picture, from);
    return true;
}

void CVideoDriver::Present()
{
    if (m_desc.type == Moorland::VIDEO_DRIVER_IMAGE) {
        if (auto* target = static_cast<QImage*>(m_desc.handle))
            *target = m_back.copy();
        return;
    }
    if (!m_window)
        return;
    // The window draws it on its own thread later; the engine never waits.
    QMetaObject::invokeMethod(m_window.data(), "presentVideoImage", Qt::QueuedConnection, Q_ARG(QImage, m_back.copy()));
}

void CVideoDriver::DrawLine(const Moorland::VideoDriverPoint* from, const Moorland::VideoDriverPoint* to,
                            const Moorland::VideoDriverColor* color, uint16_t pattern, uint16_t factor)
{
    if (!from || !to || !color || m_back.isNull())
        return;
    if (factor == 0)
        factor = 1;
    int x0 = static_cast<int>(from->x - m_dst.left), y0 = static_cast<int>(from->y - m_dst.top);
    const int x1 = static_cast<int>(to->x - m_dst.left), y1 = static_cast<int>(to->y - m_dst.top);
    const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    const QRgb rgb = qRgba(color->red, color->green, color->blue, color->alpha);
    for (unsigned step = 0;; ++step) {
        const unsigned bit = (step / factor) % 16;
        if (((pattern >> (15 - bit)) & 1) && x0 >= 0 && y0 >= 0 && x0 < m_back.width() && y0 < m_back.height())
            m_back.setPixel(x0, y0, rgb);
        if (x0 == x1 && y0 == y1)
            break;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

} // namespace Pellino
