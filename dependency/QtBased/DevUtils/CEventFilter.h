#pragma once

#include <QMap>
#include <QObject>
#include <QPoint>
#include <QVector>

class QWidget;

// The application-instance mutex; this platform needs none, so it is a shell.
class CAppMutex : public QObject
{
    Q_OBJECT
public:
    explicit CAppMutex(QObject* parent = nullptr);
    ~CAppMutex() override;

    int createMutex(const QString& sName, int nFlags);
    void close();

private:
    void* m_handle = nullptr;
};

// Masks the widget to its rectangle with every corner rounded by the radius;
// a radius of 0 leaves the mask untouched.
void Region(QWidget* widget, int nRadius);

// Lets registered widgets drag their top-level window with the left button
// and keeps a rounded mask on registered widgets as they are resized.
class CEventFilter : public QObject
{
    Q_OBJECT
public:
    explicit CEventFilter(QObject* parent = nullptr);
    ~CEventFilter() override;

    static CEventFilter* getInstance();

    // Both throw CBaseException 10021003 "Bad pointer" for a null object.
    void installMouseFilter(QObject* object);
    // The mask is applied at the object's next resize, not at once.
    void installRegionFilter(QObject* object, int nRadius);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Forgets an object as it is destroyed, so a later object that happens
    // to get the same address is not taken for it.
    void watchDestruction(QObject* object);

    QPoint m_pressPoint;
    bool m_pressed = false;
    QMap<QObject*, int> m_regionFilters;
    QVector<QObject*> m_mouseFilters;
};

void installRegionFilter(QObject* object, int nRadius);
void installMoveWindowFilter(QObject* object);
