#include "vvideoframeview.h"

#include "vvideoframepixmapitem.h"

#include <QMouseEvent>
#include <QWheelEvent>

VVideoFrameView::VVideoFrameView(QWidget* parent) : QGraphicsView(parent)
{
    Init();
}

VVideoFrameView::VVideoFrameView(QGraphicsScene* scene, QWidget* parent) : QGraphicsView(scene, parent)
{
    Init();
}

void VVideoFrameView::Init()
{
    setContentsMargins(0, 0, 0, 0);
    setFrameShape(QFrame::NoFrame);
    setAttribute(Qt::WA_TranslucentBackground, true);
    setMouseTracking(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void VVideoFrameView::mousePressEvent(QMouseEvent* e)
{
    QGraphicsView::mousePressEvent(e);
    if (e->button() != Qt::LeftButton)
        return;
    const QList<QGraphicsItem*> under = items(e->pos());
    if (under.size() != 1)
        return;
    if (auto* item = dynamic_cast<VVideoFramePixmapItem*>(under.front()))
        emit signal_FrameItemClicked(item->getIndex());
}

void VVideoFrameView::mouseMoveEvent(QMouseEvent* e)
{
    QGraphicsView::mouseMoveEvent(e);
    // The strip keeps itself up while the mouse moves over the thumbnails.
    e->ignore();
}

void VVideoFrameView::wheelEvent(QWheelEvent* e)
{
    QGraphicsView::wheelEvent(e);
    emit signal_MouseWheeled(e->angleDelta().y());
    e->accept();
}
