#include "cdccropoverlay.h"

#include "IVideoDriver.h"

using QuentaBased::rect_t;

namespace {

void DrawLine(Moorland::IVideoDriver* driver, int x1, int y1, int x2, int y2, const color_t& colour,
              unsigned short pattern, unsigned short factor)
{
    Moorland::VideoDriverPoint from{static_cast<float>(x1), static_cast<float>(y1)};
    Moorland::VideoDriverPoint to{static_cast<float>(x2), static_cast<float>(y2)};
    Moorland::VideoDriverColor c{colour.r, colour.g, colour.b, colour.a};
    driver->DrawLine(&from, &to, &c, pattern, factor);
}

void DrawPointRect(Moorland::IVideoDriver* driver, int x1, int y1, int x2, int y2, const color_t& colour)
{
    DrawLine(driver, x1, y1, x2, y1, colour, 0xFFFF, 1);
    DrawLine(driver, x2, y1, x2, y2, colour, 0xFFFF, 1);
    DrawLine(driver, x2, y2, x1, y2, colour, 0xFFFF, 1);
    DrawLine(driver, x1, y2, x1, y1, colour, 0xFFFF, 1);
}

// The eight handle points of a crop rectangle, clockwise from the top left.
void HandlePoints(const rect_t& c, float xs[8], float ys[8])
{
    const float mx = (c.right - c.left) * 0.5f + c.left;
    const float my = (c.bottom - c.top) * 0.5f + c.top;
    const float px[8] = {c.left, mx, c.right, c.right, c.right, mx, c.left, c.left};
    const float py[8] = {c.top, c.top, c.top, my, c.bottom, c.bottom, c.bottom, my};
    for (int i = 0; i < 8; ++i) {
        xs[i] = px[i];
        ys[i] = py[i];
    }
}

void DrawCropRectPointRects(Moorland::IVideoDriver* driver, rect_t c, const color_t& colour)
{
    float xs[8], ys[8];
    HandlePoints(c, xs, ys);
    for (int i = 0; i < 8; ++i)
        DrawPointRect(driver, static_cast<int>(xs[i] - 3), static_cast<int>(ys[i] - 3), static_cast<int>(xs[i] + 3),
                      static_cast<int>(ys[i] + 3), colour);
}

void DrawCropRectLines(Moorland::IVideoDriver* driver, rect_t c, const color_t& colour, unsigned short pattern,
                       unsigned short factor)
{
    float xs[8], ys[8];
    HandlePoints(c, xs, ys);
    for (int i = 0; i < 8; ++i) {
        const int n = (i + 1) % 8;
        float x1 = xs[i], y1 = ys[i], x2 = xs[n], y2 = ys[n];
        if (i < 2) { // top edge
            x1 += 3;
            x2 -= 3;
        } else if (i < 4) { // right edge
            y1 += 3;
            y2 -= 3;
        } else if (i < 6) { // bottom edge
            x1 -= 3;
            x2 += 3;
        } else { // left edge
            y1 -= 3;
            y2 += 3;
        }
        DrawLine(driver, static_cast<int>(x1), static_cast<int>(y1), static_cast<int>(x2), static_cast<int>(y2), colour,
                 pattern, factor);
    }
}

} // namespace

void DCDrawCropOverlay(Moorland::IVideoDriver* driver, rect_t c, const rect_t& drawRect, const color_t& colour)
{
    c.right -= 1;
    const rect_t& d = drawRect;
    const Moorland::VideoDriverColor shade{0, 0, 0, 100};
    const Moorland::VideoDriverRect bands[4] = {{d.left, d.top, c.left, c.bottom},
                                                {c.left, d.top, d.right + 1, c.top},
                                                {c.right, c.top, d.right + 1, d.bottom + 1},
                                                {d.left, c.bottom, c.right, d.bottom + 1}};
    for (const auto& band : bands)
        driver->FillRect(&band, &shade);
    DrawCropRectPointRects(driver, c, colour);
    DrawCropRectLines(driver, c, colour, 0x3333, 1);
}
