// The crop rectangle: zones under the pointer, drags kept inside the panel
// and at least 10 units, and conversion to and from the clip's pixels.

#include "utility/CCropRect.h"

#include <gtest/gtest.h>

using QuentaBased::rect_t;

namespace {

void ExpectRect(const rect_t& r, float l, float t, float rt, float b, const char* what = "")
{
    EXPECT_FLOAT_EQ(r.left, l) << what;
    EXPECT_FLOAT_EQ(r.top, t) << what;
    EXPECT_FLOAT_EQ(r.right, rt) << what;
    EXPECT_FLOAT_EQ(r.bottom, b) << what;
}

rect_t Crop(const CCropRect& c)
{
    rect_t r{};
    c.GetCropRect(r, nullptr);
    return r;
}

// Press at (x0, y0), move to (x1, y1), release there.
void Drag(CCropRect& c, float x0, float y0, float x1, float y1, bool keep = false)
{
    c.TriggerMouseDown(true, x0, y0, true, keep);
    c.TriggerMousePoint(x1, y1, true, keep);
    c.TriggerMouseDown(false, x1, y1, true, keep);
}

} // namespace

TEST(CCropRect, ZonesUnderThePointer)
{
    CCropRect c(rect_t{0, 0, 320, 240});
    struct Case
    {
        float x, y;
        unsigned zone;
    } cases[] = {{3, 3, 2},   {160, 2, 3},   {160, 120, 9}, {-4, -4, 2},   {-4, 120, 1}, {-7, 120, 0},
                 {317, 3, 4}, {318, 120, 5}, {3, 238, 6},   {160, 237, 7}, {319, 239, 8}};
    for (const Case& k : cases) {
        unsigned zone = 99;
        c.TriggerMousePoint(k.x, k.y, true, false);
        EXPECT_EQ(c.IsMouseInRect(zone), k.zone != 0);
        EXPECT_EQ(zone, k.zone) << k.x << "," << k.y;
    }
    c.TriggerMousePoint(3, 3, false, false);
    unsigned zone = 0;
    c.IsMouseInRect(zone);
    EXPECT_EQ(zone, 9u); // without edge zones the inside is all there is
}

TEST(CCropRect, DragsStayInsideAndAtLeastTenUnits)
{
    CCropRect c(rect_t{0, 0, 320, 240});
    c.SetAutoActivate(true);
    rect_t r{100, 50, 120, 150};
    c.SetCropRect(r, nullptr);
    Drag(c, 100, 100, 200, 100); // left edge far right
    ExpectRect(Crop(c), 110, 50, 120, 150, "left edge stops 10 short");
    rect_t wide{100, 50, 300, 150};
    c.SetCropRect(wide, nullptr);
    Drag(c, 100, 100, -50, 100);
    ExpectRect(Crop(c), 0, 50, 300, 150, "left edge stops at the panel");
    rect_t atRight{200, 50, 320, 150};
    c.SetCropRect(atRight, nullptr);
    Drag(c, 260, 100, 300, 110);
    ExpectRect(Crop(c), 200, 60, 320, 160, "a move keeps the width at the right side");
    Drag(c, 319, 159, 400, 400); // bottom-right corner out of the panel
    ExpectRect(Crop(c), 200, 60, 320, 240);
    // Auto-activation off: a press changes nothing until activated.
    c.SetAutoActivate(false);
    Drag(c, 260, 100, 100, 100);
    ExpectRect(Crop(c), 200, 60, 320, 240, "inactive");
    EXPECT_FALSE(c.GetActivated());
}

TEST(CCropRect, KeepingTheAspectFollowsTheFirstRatio)
{
    CCropRect c(rect_t{0, 0, 320, 240});
    c.SetAutoActivate(true);
    rect_t r{80, 60, 240, 180}; // 160 x 120, 4:3
    c.SetCropRect(r, nullptr);
    Drag(c, 240, 180, 280, 180, true); // bottom-right corner, 40 to the right
    const rect_t after = Crop(c);
    EXPECT_FLOAT_EQ((after.right - after.left) / (after.bottom - after.top), 4.0f / 3.0f);
    EXPECT_FLOAT_EQ(after.right, 280);

    // An edge drag grows the other axis about its centre, pushed back inside the panel.
    struct Case
    {
        rect_t start;
        float fromX, toX;
        rect_t expected;
    } cases[] = {{{80, 60, 240, 180}, 240, 280, {80, 45, 280, 195}}, {{80, 20, 240, 140}, 240, 400, {80, 0, 320, 180}}};
    for (const Case& k : cases) {
        CCropRect edge(rect_t{0, 0, 320, 240});
        edge.SetAutoActivate(true);
        rect_t start = k.start;
        edge.SetCropRect(start, nullptr);
        Drag(edge, k.fromX, (k.start.top + k.start.bottom) / 2, k.toX, (k.start.top + k.start.bottom) / 2, true);
        ExpectRect(Crop(edge), k.expected.left, k.expected.top, k.expected.right, k.expected.bottom, "right edge");
    }
}

TEST(CCropRect, ConversionsAndScaling)
{
    CCropRect c(rect_t{0, 0, 320, 240});
    rect_t thin{0, 50, 100, 55};
    c.SetCropRect(thin, nullptr);
    ExpectRect(Crop(c), 0, 50, 100, 60, "at least 10 high");
    const rect_t ref{0, 0, 640, 480};
    rect_t pixels{64, 48, 640, 480};
    c.SetCropRect(pixels, &ref);
    ExpectRect(Crop(c), 32, 24, 320, 240);
    rect_t back{};
    c.GetCropRect(back, &ref);
    ExpectRect(back, 64, 48, 640, 480, "round trip");
    c.SetPanelRect(rect_t{0, 0, 640, 480});
    ExpectRect(Crop(c), 64, 48, 640, 480, "panel doubled");
    // A panel offset moves the rectangle in window space, not inside the panel.
    c.Init(rect_t{10, 20, 330, 260});
    ExpectRect(Crop(c), 10, 20, 330, 260);
    // Empty panels and references leave the crop alone instead of dividing by 0.
    c.SetPanelRect(rect_t{0, 0, 0, 240});
    rect_t empty{0, 0, 0, 0};
    rect_t any{1, 2, 3, 4};
    c.SetCropRect(any, &empty);
    ExpectRect(Crop(c), 10, 20, 330, 260, "unchanged");
    rect_t out{7, 7, 7, 7};
    CCropRect zero(rect_t{0, 0, 0, 0});
    zero.GetCropRect(out, &ref);
    ExpectRect(out, 7, 7, 7, 7, "nothing written");
    zero.SetPanelRect(rect_t{0, 0, 160, 120});
    ExpectRect(Crop(zero), 0, 0, 160, 120, "a first real panel is taken whole");
}
