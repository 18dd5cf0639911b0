#pragma once

#include <QSlider>

// The players' seek bar: a left press away from the handle jumps straight to
// the position under the mouse; a press on or next to the handle keeps the
// ordinary drag. Range 0..10000, no tracking: a drag reports sliderMoved and
// changes the value only on release.
class VPlayerSlider : public QSlider
{
    Q_OBJECT

public:
    explicit VPlayerSlider(QWidget* parent = nullptr);
    ~VPlayerSlider() override;

    // The handle's share of the slider's width, measured at the last paint.
    double getSliderHandleLenthRate() const { return m_handleLengthRate; }

    void setEnableMouseOperation(bool bEnable) { m_mouseOperationEnabled = bEnable; }
    bool getEnableMouseOperation() const { return m_mouseOperationEnabled; }
    void setEnableMouseWheel(bool bEnable) { m_mouseWheelEnabled = bEnable; }
    bool getEnableMouseWheel() const { return m_mouseWheelEnabled; }

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    qint32 m_handleWidth = 0;
    double m_handleLengthRate = 0.0;
    bool m_mouseOperationEnabled = true;
    bool m_mouseWheelEnabled = true;
};
