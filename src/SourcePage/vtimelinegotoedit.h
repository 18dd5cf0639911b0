#pragma once

#include "utility/CBaseTime.h"

#include <QLineEdit>

// The time field of the timeline panel: it shows the time under the mouse
// while the mouse is over the track or the ruler, and takes a time
// "hours:minutes:seconds" to go to.
class VTimelineGotoEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit VTimelineGotoEdit(QWidget* parent = nullptr);
    ~VTimelineGotoEdit() override;

    QString getFocusTime() const { return m_focusText; }
    void setFocusTime(const QString& text) { m_focusText = text; }
    void setFocusTime(const CBaseTime& time);
    bool isShowFocus() const { return m_showFocus; }

    // Reads the shown text as hours:minutes:seconds (seconds may carry a
    // fraction). False, with nothing changed, for text with fewer than three
    // fields, a field that is no number, or a negative field.
    bool getDisplayTime(CBaseTime& out);
    // The time formatted as the field shows it, "HH:MM:SS.mmm".
    static QString formatTime(const CBaseTime& time);

public slots:
    void setText(const QString& text);
    void slot_timeLineMouseMoved(CBaseTime time);
    void slot_timeLineMouseLeave();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    QString m_focusText;
    CBaseTime* m_focusTime = nullptr;
    bool m_showFocus = true;
};
