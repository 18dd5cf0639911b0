#include "vvideoframepixmapitem.h"

#include <QPainter>
#include <QStyleOptionGraphicsItem>

#include <algorithm>

VVideoFramePixmapItem::VVideoFramePixmapItem(const QPixmap& pixmap) : QGraphicsPixmapItem(pixmap)
{
    setAcceptHoverEvents(true);
}

void VVideoFramePixmapItem::setHoverBg(QPixmap* background)
{
    prepareGeometryChange();
    m_hoverBg = background;
    // A background narrower than the picture (or none: a skin without one)
    // leaves no margin; a negative one would turn the item inside out and
    // leave it nothing a click could land on.
    m_margin = background && !background->isNull()
                   ? std::max(0, static_cast<int>((background->width() - pixmap().width()) / 2.0))
                   : 0;
}

QRectF VVideoFramePixmapItem::boundingRect() const
{
    return QRectF(pixmap().rect()).adjusted(-m_margin, -m_margin, m_margin, m_margin);
}

void VVideoFramePixmapItem::paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget*)
{
    painter->setRenderHint(QPainter::SmoothPixmapTransform, true);
    const QRectF all = boundingRect();
    const bool hover = option && (option->state & QStyle::State_MouseOver);
    QPixmap* background = hover ? m_hoverBg : m_normalBg;
    if (background && !background->isNull())
        painter->drawPixmap(all, *background, QRectF(background->rect()));
    const QRectF inner = all.adjusted(m_margin, m_margin, -m_margin, -m_margin);
    painter->drawPixmap(inner, pixmap(), QRectF(pixmap().rect()));
}

void VVideoFramePixmapItem::hoverEnterEvent(QGraphicsSceneHoverEvent* e)
{
    QGraphicsPixmapItem::hoverEnterEvent(e);
    update();
}

void VVideoFramePixmapItem::hoverMoveEvent(QGraphicsSceneHoverEvent* e)
{
    QGraphicsPixmapItem::hoverMoveEvent(e);
    update();
}

void VVideoFramePixmapItem::hoverLeaveEvent(QGraphicsSceneHoverEvent* e)
{
    QGraphicsPixmapItem::hoverLeaveEvent(e);
    update();
}
