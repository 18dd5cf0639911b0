#include "CEventFilter.h"

#include "CBaseException.h"

#include <QMouseEvent>
#include <QRegion>
#include <QWidget>

CAppMutex::CAppMutex(QObject* parent) : QObject(parent) {}

CAppMutex::~CAppMutex() = default;

int CAppMutex::createMutex(const QString&, int)
{
    return 0;
}

void CAppMutex::close() {}

void Region(QWidget* widget, int r)
{
    if (!widget || r == 0)
        return;
    const QRect rect = widget->rect();
    const int right = rect.width() - 1;
    const int bottom = rect.height() - 1;
    const int d = 2 * r;
    QRegion mask(QRect(QPoint(0, r), QPoint(right, bottom - r)));
    mask += QRegion(QRect(QPoint(r, 0), QPoint(right - r, bottom)));
    mask += QRegion(0, 0, d, d, QRegion::Ellipse);
    mask += QRegion(0, bottom - d + 1, d, d, QRegion::Ellipse);
    mask += QRegion(right - d + 1, 0, d, d, QRegion::Ellipse);
    mask += QRegion(right - d + 1, bottom - d + 1, d, d, QRegion::Ellipse);
    widget->setMask(mask);
}

CEventFilter::CEventFilter(QObject* parent) : QObject(parent) {}

CEventFilter::~CEventFilter() = default;

CEventFilter* CEventFilter::getInstance()
{
    static CEventFilter instance;
    return &instance;
}

void CEventFilter::installMouseFilter(QObject* object)
{
    if (!object)
        throw CBaseException(QB_ERR_BAD_POINTER, "Bad pointer", __LINE__, "CEventFilter");
    if (m_mouseFilters.contains(object))
        return;
    watchDestruction(object);
    object->installEventFilter(this);
    m_mouseFilters.append(object);
}

void CEventFilter::installRegionFilter(QObject* object, int nRadius)
{
    if (!object)
        throw CBaseException(QB_ERR_BAD_POINTER, "Bad pointer", __LINE__, "CEventFilter");
    if (!m_regionFilters.contains(object)) {
        watchDestruction(object);
        object->installEventFilter(this);
    }
    m_regionFilters[object] = nRadius;
}

void CEventFilter::watchDestruction(QObject* object)
{
    if (m_mouseFilters.contains(object) || m_regionFilters.contains(object))
        return; // already watched for the other filter
    connect(object, &QObject::destroyed, this, [this](QObject* gone) {
        m_mouseFilters.removeAll(gone);
        m_regionFilters.remove(gone);
    });
}

bool CEventFilter::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::Resize) {
        auto it = m_regionFilters.constFind(watched);
        QWidget* widget = qobject_cast<QWidget*>(watched);
        if (it != m_regionFilters.constEnd() && widget)
            Region(widget, it.value());
    } else if ((type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease || type == QEvent::MouseMove) &&
               m_mouseFilters.contains(watched)) {
        QMouseEvent* e = static_cast<QMouseEvent*>(event);
        if (e->button() == Qt::LeftButton) {
            if (type == QEvent::MouseButtonRelease) {
                m_pressPoint = QPoint(0, 0);
                m_pressed = false;
            } else if (type == QEvent::MouseButtonPress) {
                m_pressPoint = e->globalPos();
                m_pressed = true;
            }
            e->accept();
        }
        if (m_pressed && type == QEvent::MouseMove && (e->buttons() & Qt::LeftButton)) {
            QWidget* widget = qobject_cast<QWidget*>(watched);
            QWidget* top = widget ? widget->window() : nullptr;
            if (top) {
                top->move(top->frameGeometry().topLeft() + (e->globalPos() - m_pressPoint));
                m_pressPoint = e->globalPos();
            }
            e->accept();
        }
    }
    // The watched object's own filtering still decides whether it sees the event.
    return watched->eventFilter(watched, event);
}

void installRegionFilter(QObject* object, int nRadius)
{
    CEventFilter::getInstance()->installRegionFilter(object, nRadius);
}

void installMoveWindowFilter(QObject* object)
{
    CEventFilter::getInstance()->installMouseFilter(object);
}
