#include "CCropRect.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

using QuentaBased::rect_t;

namespace {
float Width(const rect_t& r)
{
    return r.right - r.left;
}
float Height(const rect_t& r)
{
    return r.bottom - r.top;
}
int Dist(float a, float b)
{
    return std::abs(static_cast<int>(a - b));
}
} // namespace

CCropRect::CCropRect() = default;

CCropRect::CCropRect(const rect_t& panel)
{
    Init(panel);
}

void CCropRect::Init(const rect_t& panel)
{
    m_panel = panel;
    m_crop = {0, 0, Width(panel), Height(panel)};
    m_autoActivate = m_activated = m_mouseDown = m_aspectLatched = false;
    m_zone = 0;
}

void CCropRect::SetPanelRect(const rect_t& panel)
{
    m_aspectLatched = false;
    const float ow = Width(m_panel), oh = Height(m_panel);
    if (Width(panel) == 0 || Height(panel) == 0)
        return;
    if (ow == 0 || oh == 0) {
        // Nothing to scale from: the crop becomes the whole new panel.
        m_panel = panel;
        m_crop = {0, 0, Width(panel), Height(panel)};
        return;
    }
    const float sx = Width(panel) / ow, sy = Height(panel) / oh;
    m_crop.left *= sx;
    m_crop.right *= sx;
    m_crop.top *= sy;
    m_crop.bottom *= sy;
    m_panel = panel;
}

void CCropRect::GetPanelRect(rect_t* out) const
{
    if (out)
        *out = m_panel;
}

void CCropRect::SetCropRect(rect_t& r, const rect_t* ref)
{
    m_aspectLatched = false;
    rect_t c;
    if (!ref) {
        c = {r.left - m_panel.left, r.top - m_panel.top, r.right - m_panel.left, r.bottom - m_panel.top};
    } else {
        const float rw = Width(*ref), rh = Height(*ref);
        if (rw == 0 || rh == 0)
            return;
        const float pw = Width(m_panel), ph = Height(m_panel);
        c.left = (r.left - ref->left) * pw / rw;
        c.right = (r.right - ref->left) * pw / rw;
        c.top = (r.top - ref->top) * ph / rh;
        c.bottom = (r.bottom - ref->top) * ph / rh;
    }
    if (c.top + 10 > c.bottom)
        c.bottom = c.top + 10;
    if (c.left + 10 > c.right)
        c.right = c.left + 10;
    m_crop = c;
}

void CCropRect::GetCropRect(rect_t& out, const rect_t* ref) const
{
    if (!ref) {
        out = {m_crop.left + m_panel.left, m_crop.top + m_panel.top, m_crop.right + m_panel.left,
               m_crop.bottom + m_panel.top};
        return;
    }
    const float pw = Width(m_panel), ph = Height(m_panel);
    if (pw == 0 || ph == 0)
        return;
    const float rw = Width(*ref), rh = Height(*ref);
    out.left = ref->left + m_crop.left * rw / pw;
    out.right = ref->left + m_crop.right * rw / pw;
    out.top = ref->top + m_crop.top * rh / ph;
    out.bottom = ref->top + m_crop.bottom * rh / ph;
}

bool CCropRect::IsMouseInRect(unsigned int& zone) const
{
    zone = static_cast<unsigned int>(m_zone);
    return m_zone != 0;
}

void CCropRect::Activate(bool on)
{
    m_activated = on;
    if (!on)
        m_mouseDown = false;
}

void CCropRect::TriggerMousePoint(float x, float y, bool edges, bool keepAspect)
{
    const float px = x - m_panel.left, py = y - m_panel.top;
    if (m_mouseDown && m_activated)
        Drag(px, py, keepAspect);
    else
        Hover(px, py, edges);
}

void CCropRect::TriggerMouseDown(bool down, float x, float y, bool edges, bool keepAspect)
{
    TriggerMousePoint(x, y, edges, keepAspect);
    if (down) {
        if (!m_aspectLatched) {
            m_aspectW = Width(m_crop);
            m_aspectH = Height(m_crop);
        }
        m_mouseDown = true;
        m_activated = m_zone != 0 && m_autoActivate;
    } else {
        m_mouseDown = false;
    }
}

void CCropRect::Hover(float px, float py, bool edges)
{
    m_anchorX = px;
    m_anchorY = py;
    m_anchorCrop = m_crop;
    const int dL = Dist(px, m_crop.left), dR = Dist(px, m_crop.right);
    const int dT = Dist(py, m_crop.top), dB = Dist(py, m_crop.bottom);
    const float w = Width(m_crop), h = Height(m_crop);
    const bool inH = dL + dR <= w, inV = dT + dB <= h;
    if (!edges) {
        m_zone = inV && inH ? 9 : 0;
        return;
    }
    if (dT < 6 && dL < 6)
        m_zone = 2;
    else if (dT < 6 && dR < 6)
        m_zone = 4;
    else if (dB < 6 && dL < 6)
        m_zone = 6;
    else if (dB < 6 && dR < 6)
        m_zone = 8;
    else if (dL < 6 && inV)
        m_zone = 1;
    else if (dR < 6 && inV)
        m_zone = 5;
    else if (dT < 6 && inH)
        m_zone = 3;
    else if (dB < 6 && inH)
        m_zone = 7;
    else if (inV && inH)
        m_zone = 9;
    else
        m_zone = 0;
}

// One axis of an aspect-keeping drag: the two sides `lo` and `hi` brought
// inside 0..limit (the side being dragged set to `movingValue` when the box
// had to be cut), then at least 10 long around the anchor's centre.
void CCropRect::FitAxis(float& lo, float& hi, float& movingSide, float movingValue, float limit, float anchorLo,
                        float anchorHi)
{
    if (lo < 0 && hi > limit) {
        lo = 0;
        hi = limit;
        movingSide = movingValue;
    } else if (lo >= 0 && hi > limit) {
        lo -= hi - limit;
        hi = limit;
        if (lo < 0) {
            lo = 0;
            movingSide = movingValue;
        }
    } else if (lo < 0) {
        hi -= lo;
        lo = 0;
        if (hi > limit) {
            hi = limit;
            movingSide = movingValue;
        }
    }
    if (hi - lo < 10) {
        lo = (anchorLo + anchorHi - 10) / 2;
        hi = (anchorLo + anchorHi + 10) / 2;
        if (hi > limit) {
            hi = limit;
            lo = limit - 10;
        }
        if (lo < 0) {
            lo = 0;
            hi = 10;
        }
    }
}

void CCropRect::Drag(float px, float py, bool k)
{
    m_aspectLatched = k;
    float dx = px - m_anchorX, dy = py - m_anchorY;
    const float AL = m_anchorCrop.left, AT = m_anchorCrop.top, AR = m_anchorCrop.right, AB = m_anchorCrop.bottom;
    const float L0 = m_crop.left, T0 = m_crop.top, R0 = m_crop.right, B0 = m_crop.bottom;
    const float W = Width(m_panel), H = Height(m_panel);
    const float aw = m_aspectW, ah = m_aspectH;
    rect_t& c = m_crop;
    if (k && (aw == 0 || ah == 0))
        k = false; // no ratio to keep
    switch (m_zone) {
    case 1:
        c.left = std::min(R0 - 10, AL + dx);
        if (c.left < 0) {
            c.left = 0;
            dx = -AL;
        }
        if (k) {
            c.top = AT + dx * ah / (2 * aw);
            c.bottom = AB - dx * ah / (2 * aw);
            FitAxis(c.top, c.bottom, c.left, AL - (H - (AB - AT)) * aw / ah, H, AT, AB);
        }
        break;
    case 5:
        c.right = std::max(L0 + 10, AR + dx);
        if (c.right > W) {
            c.right = W;
            dx = W - AR;
        }
        if (k) {
            c.bottom = AB + dx * ah / (2 * aw);
            c.top = AT - dx * ah / (2 * aw);
            FitAxis(c.top, c.bottom, c.right, AR + (H - (AB - AT)) * aw / ah, H, AT, AB);
        }
        break;
    case 3:
        c.top = std::min(B0 - 10, AT + dy);
        if (c.top < 0) {
            c.top = 0;
            dy = -AT;
        }
        if (k) {
            c.left = AL + dy * aw / (2 * ah);
            c.right = AR - dy * aw / (2 * ah);
            FitAxis(c.left, c.right, c.top, AT - (W - (AR - AL)) * ah / aw, W, AL, AR);
        }
        break;
    case 7:
        c.bottom = std::max(T0 + 10, AB + dy);
        if (c.bottom > H) {
            c.bottom = H;
            dy = H - AB;
        }
        if (k) {
            c.right = AR + dy * aw / (2 * ah);
            c.left = AL - dy * aw / (2 * ah);
            FitAxis(c.left, c.right, c.bottom, AB + (W - (AR - AL)) * ah / aw, W, AL, AR);
        }
        break;
    case 2:
        if (k) {
            if (aw * dy > ah * dx)
                dy = ah * dx / aw;
            else
                dx = aw * dy / ah;
        }
        c.top = std::min(AT + dy, B0 - 10);
        c.left = std::min(AL + dx, R0 - 10);
        if (c.top < 0) {
            c.top = 0;
            if (k)
                c.left = R0 - aw * B0 / ah;
        }
        if (c.left < 0) {
            c.left = 0;
            if (k)
                c.top = B0 - R0 * ah / aw;
        }
        break;
    case 4:
        if (k) {
            if (aw * dy > -ah * dx)
                dy = -ah * dx / aw;
            else
                dx = -aw * dy / ah;
        }
        c.top = std::min(AT + dy, B0 - 10);
        c.right = std::max(AR + dx, L0 + 10);
        if (c.top < 0) {
            c.top = 0;
            if (k)
                c.right = L0 + aw * B0 / ah;
        }
        if (c.right > W) {
            c.right = W;
            if (k)
                c.top = B0 - (W - L0) * ah / aw;
        }
        break;
    case 6:
        if (k) {
            if (-aw * dy > ah * dx)
                dy = -ah * dx / aw;
            else
                dx = -aw * dy / ah;
        }
        c.bottom = std::max(AB + dy, T0 + 10);
        c.left = std::min(AL + dx, R0 - 10);
        if (c.bottom > H) {
            c.bottom = H;
            if (k)
                c.left = R0 - (H - T0) * aw / ah;
        }
        if (c.left < 0) {
            c.left = 0;
            if (k)
                c.bottom = T0 + R0 * ah / aw;
        }
        break;
    case 8:
        if (k) {
            if (ah * dx > aw * dy)
                dy = ah * dx / aw;
            else
                dx = aw * dy / ah;
        }
        c.bottom = std::max(AB + dy, T0 + 10);
        c.right = std::max(AR + dx, L0 + 10);
        if (c.right > W) {
            c.right = W;
            if (k)
                c.bottom = T0 + (W - L0) * ah / aw;
        }
        if (c.bottom > H) {
            c.bottom = H;
            if (k)
                c.right = L0 + (H - T0) * aw / ah;
        }
        break;
    case 9: {
        const float w0 = R0 - L0, h0 = B0 - T0;
        c.left = AL + dx;
        c.right = AR + dx;
        c.top = AT + dy;
        c.bottom = AB + dy;
        if (c.left < 0 && L0 >= 0) {
            c.left = 0;
            c.right = w0;
        }
        if (c.top < 0 && T0 >= 0) {
            c.top = 0;
            c.bottom = h0;
        }
        if (c.right > W && R0 <= W) {
            c.right = W;
            c.left = W - w0;
        }
        if (c.bottom > H && B0 <= H) {
            c.bottom = H;
            c.top = H - h0;
        }
        break;
    }
    default: break;
    }
}
