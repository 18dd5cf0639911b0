#pragma once

// The geometry behind editing a clip's crop with the mouse: the panel where
// the picture is shown, the crop rectangle inside it (relative to the
// panel's top-left corner), which of nine zones the pointer is over, and
// moving or resizing the rectangle while the button is held, kept inside
// the panel and at least 10 units wide and high, optionally keeping its
// aspect ratio. Converts the crop to and from another space (the clip's
// pixels). A panel or reference rectangle without width or height leaves
// the crop unchanged (nothing to scale by).
//
// Zones: 0 outside, 1 left edge, 2 top-left corner, 3 top edge, 4 top-right
// corner, 5 right edge, 6 bottom-left corner, 7 bottom edge, 8 bottom-right
// corner, 9 inside (moves the whole rectangle).

#include "sysutils_string.h"

class CCropRect
{
public:
    CCropRect();
    explicit CCropRect(const QuentaBased::rect_t& panel);
    virtual ~CCropRect() = default;

    void Init(const QuentaBased::rect_t& panel);
    void SetPanelRect(const QuentaBased::rect_t& panel);
    void GetPanelRect(QuentaBased::rect_t* out) const;
    void SetCropRect(QuentaBased::rect_t& r, const QuentaBased::rect_t* ref);
    void GetCropRect(QuentaBased::rect_t& out, const QuentaBased::rect_t* ref) const;

    void TriggerMousePoint(float x, float y, bool edges, bool keepAspect);
    void TriggerMouseDown(bool down, float x, float y, bool edges, bool keepAspect);

    bool IsMouseInRect(unsigned int& zone) const;
    bool IsChangingCropRect() const { return m_zone != 0; }
    void Activate(bool on);
    bool GetActivated() const { return m_activated; }
    void SetAutoActivate(bool on) { m_autoActivate = on; }
    bool GetAutoActivate() const { return m_autoActivate; }
    bool isMouseDown() const { return m_mouseDown; }

private:
    void Hover(float px, float py, bool edges);
    void Drag(float px, float py, bool keepAspect);
    static void FitAxis(float& lo, float& hi, float& movingSide, float movingValue, float limit, float anchorLo,
                        float anchorHi);

    QuentaBased::rect_t m_panel{0, 0, 320, 240};
    QuentaBased::rect_t m_crop{0, 0, 320, 240};
    bool m_autoActivate = false;
    bool m_activated = false;
    int16_t m_zone = 0;
    bool m_mouseDown = false;
    bool m_aspectLatched = false;
    QuentaBased::rect_t m_anchorCrop{0, 0, 320, 240};
    float m_anchorX = 0;
    float m_anchorY = 0;
    float m_aspectW = 320;
    float m_aspectH = 240;
};
