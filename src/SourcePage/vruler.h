#pragma once

#include "utility/CBaseTime.h"

#include <QFrame>
#include <QPixmap>
#include <QPoint>

#include <functional>

class QTimer;

// Seconds per ruler tick (one tick is 12 pixels) by zoom index 0..12.
extern const double g_Scale[13];

// The time ruler above the timeline's track: ticks and time labels for the
// zoom and the track view's scroll offset, the anchor picture and, while a
// clip is dragged, the insert marker. A press or a left-button drag asks for
// the anchor to move; during a drag the requests that reach the track view
// are throttled to one every 100 ms.
class VRuler : public QFrame
{
    Q_OBJECT
    Q_PROPERTY(QPixmap anchor READ GetAnchor WRITE SetAnchor)

public:
    explicit VRuler(QWidget* trackView = nullptr);
    ~VRuler() override;

    static double getScaleByIndex(const unsigned int& index);
    void setRateByIndex(const unsigned int& index);
    unsigned int getRateIndex() const { return m_index; }
    double getPixelsPerSecond() const { return m_pixelsPerSecond; }
    int getOffset() const { return m_offset; }
    void getHoriPosTime(const int& x, CBaseTime& out) const;
    void setDuration(const CBaseTime& duration);
    void SetAnchor(const QPixmap& anchor);
    QPixmap GetAnchor() const;
    QTimer* anchorCheckTimer() const { return m_timer; }
    // Where the anchor picture is drawn: the track view's anchor time, asked
    // at each paint (0 s while unset).
    void setAnchorPosCall(std::function<CBaseTime()> call) { m_anchorPos = std::move(call); }

signals:
    void signal_rulerMouseMoved(QMouseEvent* event);
    void signal_rulerMouseLeave();
    void signal_AnchorPosChanged(const CBaseTime& nPos, const bool& bSeek);
    void signal_SetIgnoreAnchorMoveSignal(const bool& bValue);
    void signal_mousePressSeek();
    void signal_mouseMoveSeek();

public slots:
    void slot_moveRuler(int newOffset);
    void slot_insert(bool bEnable, CBaseTime pos);
    void slot_rulerAnchorMoved();
    void slot_OnCheckAnchorPosTimerTrigger();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    int m_offset = 0;
    unsigned int m_index = 0;
    int m_anchorDragPos = 0;
    double m_pixelsPerSecond = 12.0 / 60.0;
    CBaseTime m_duration;
    CBaseTime m_insertPos;
    bool m_insert = false;
    QTimer* m_timer = nullptr;
    QPixmap* m_anchor = nullptr;
    QPoint m_pressPos;
    std::function<CBaseTime()> m_anchorPos;
    // Content pixel of the last request that the track view took (the press
    // or a timer shot), and whether the button was dragged since the press.
    int m_lastSentPos = 0;
    bool m_dragged = false;
};
