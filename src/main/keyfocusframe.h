#pragma once

// A frame drawn around the widget that the keyboard (Tab, Shift+Tab, a
// shortcut) has just given the focus, so that the user sees where the next
// key goes: the skin's flat buttons draw no focus rectangle of their own. A
// click takes the frame away again, as the pointer shows where it acted. The
// frame stands above its window's other widgets, so that no neighbour hides
// it; the skin gives it its colour (the frame named "keyFocusFrame").

#include <QObject>
#include <QPointer>

class QFrame;
class QWidget;

class KeyFocusFrame : public QObject
{
    Q_OBJECT
public:
    // Watches the whole application while it lives.
    explicit KeyFocusFrame(QObject* parent);
    ~KeyFocusFrame() override;

    bool eventFilter(QObject* watched, QEvent* event) override;
    // The frame while it is shown, else null.
    QFrame* frame() const;

private:
    void showAround(QWidget* widget);
    void place();
    void hide();

    QPointer<QFrame> m_frame;
    QPointer<QWidget> m_target;
};
