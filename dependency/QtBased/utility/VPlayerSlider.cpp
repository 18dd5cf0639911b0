#include "VPlayerSlider.h"

#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QWheelEvent>

VPlayerSlider::VPlayerSlider(QWidget* parent) : QSlider(parent)
{
    setRange(0, 10000);
    setTracking(false);
}

VPlayerSlider::~VPlayerSlider() = default;

void VPlayerSlider::paintEvent(QPaintEvent* e)
{
    QStyleOptionSlider opt;
    initStyleOption(&opt);
    opt.subControls = QStyle::SC_All;
    const QRect handle = style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, this);
    m_handleWidth = handle.width();
    const int optionWidth = opt.rect.width();
    m_handleLengthRate = optionWidth > 0 ? double(m_handleWidth) / double(optionWidth) : 0.0;
    QSlider::paintEvent(e);
}

void VPlayerSlider::mousePressEvent(QMouseEvent* e)
{
    if (!m_mouseOperationEnabled)
        return;
    if (e->button() != Qt::LeftButton || !isEnabled()) {
        QSlider::mousePressEvent(e);
        return;
    }

    const int range = maximum() - minimum();
    const int half = m_handleWidth / 2;
    const int x = e->pos().x();
    const int w = width();

    int target;
    if (x < half) {
        target = minimum();
    } else if (x > w - half) {
        target = maximum();
    } else {
        // A slider no wider than its handle has nowhere to travel.
        const int travel = w - m_handleWidth;
        const double share = travel > 0 ? double(x - half) / double(travel) : 0.0;
        target = minimum() + int(double(range) * share);
    }

    const int t = int(double(range) * m_handleLengthRate);
    const int tolerance = t >= 2 ? t / 2 : 1;
    const int d = target - sliderPosition();
    if (d >= -tolerance && d <= tolerance) {
        QSlider::mousePressEvent(e);
        return;
    }
    setValue(target);
    e->accept();
}

void VPlayerSlider::wheelEvent(QWheelEvent* e)
{
    if (m_mouseWheelEnabled) {
        QAbstractSlider::wheelEvent(e);
        return;
    }
    // Ignored, so the wheel scrolls whatever holds the slider.
    e->ignore();
}
