#include "../dialogs/WidgetTestApp.h"

#include "utility/VPlayerSlider.h"

#include <QMouseEvent>
#include <QProxyStyle>
#include <QStyleOptionSlider>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace {

// Draws every slider handle 20 pixels wide, whatever the platform style does.
class TwentyPixelHandleStyle : public QProxyStyle
{
public:
    QRect subControlRect(ComplexControl cc, const QStyleOptionComplex* opt, SubControl sc,
                         const QWidget* w) const override
    {
        QRect r = QProxyStyle::subControlRect(cc, opt, sc, w);
        if (cc == CC_Slider && sc == SC_SliderHandle)
            r.setWidth(20);
        return r;
    }
};

// A 400-pixel slider whose handle the style draws 20 pixels wide, painted
// once so the handle width and rate are known (rate 0.05, tolerance 250).
struct PaintedSlider
{
    TwentyPixelHandleStyle style;
    QWidget parent;
    VPlayerSlider* slider;

    PaintedSlider()
    {
        slider = new VPlayerSlider(&parent);
        slider->setOrientation(Qt::Horizontal);
        slider->setStyle(&style);
        slider->setGeometry(0, 0, 400, 24);
        parent.resize(400, 24);
        slider->grab();
    }

    void press(int x, Qt::MouseButton button = Qt::LeftButton)
    {
        QMouseEvent e(QEvent::MouseButtonPress, QPointF(x, 12), button, button, Qt::NoModifier);
        QCoreApplication::sendEvent(slider, &e);
        QMouseEvent r(QEvent::MouseButtonRelease, QPointF(x, 12), button, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(slider, &r);
    }
};

} // namespace

TEST(VPlayerSlider, StartsWithTheSeekRangeAndNoTracking)
{
    VPlayerSlider slider;
    EXPECT_EQ(slider.minimum(), 0);
    EXPECT_EQ(slider.maximum(), 10000);
    EXPECT_FALSE(slider.hasTracking());
    EXPECT_EQ(slider.getSliderHandleLenthRate(), 0.0);
    EXPECT_TRUE(slider.getEnableMouseOperation());
    EXPECT_TRUE(slider.getEnableMouseWheel());
}

TEST(VPlayerSlider, PressPositionsMapToValues)
{
    struct Case
    {
        int start;
        int x;
        int expected;
        const char* why;
    };
    const Case cases[] = {
        {0, 200, 5000, "middle"},
        {0, 210, 5263, "(210-10)/380 of the range, truncated"},
        {5000, 9, 0, "left of half a handle: the minimum"},
        {0, 391, 10000, "right of the width less half a handle: the maximum"},
        {100, 12, 100, "within the tolerance of the handle: an ordinary press, no jump"},
    };
    for (const Case& c : cases) {
        PaintedSlider s;
        ASSERT_DOUBLE_EQ(s.slider->getSliderHandleLenthRate(), 0.05);
        s.slider->setValue(c.start);
        s.press(c.x);
        EXPECT_EQ(s.slider->value(), c.expected) << c.why;
    }
}

TEST(VPlayerSlider, MouseOperationOffDropsPressesOtherButtonsBehaveAsQSlider)
{
    PaintedSlider s;
    int changed = 0;
    QObject::connect(s.slider, &QSlider::valueChanged, [&changed] { ++changed; });
    s.slider->setEnableMouseOperation(false);
    s.press(300);
    EXPECT_EQ(s.slider->value(), 0);
    EXPECT_EQ(changed, 0);

    s.slider->setEnableMouseOperation(true);
    s.slider->setEnabled(false);
    s.press(300);
    EXPECT_EQ(s.slider->value(), 0) << "a disabled slider does not jump";
}

TEST(VPlayerSlider, WheelOffLeavesTheEventForTheParent)
{
    QWidget parent;
    auto* slider = new VPlayerSlider(&parent);
    slider->setOrientation(Qt::Horizontal);
    slider->setGeometry(0, 0, 200, 20);
    auto wheel = [&] {
        QWheelEvent e(QPointF(50, 10), QPointF(50, 10), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(slider, &e);
        return e.isAccepted();
    };

    EXPECT_TRUE(wheel());
    EXPECT_NE(slider->value(), 0) << "wheel on: the slider steps";

    slider->setEnableMouseWheel(false);
    const int value = slider->value();
    // Ignored, so the application hands a real wheel event on to the parent.
    EXPECT_FALSE(wheel());
    EXPECT_EQ(slider->value(), value);
}
