#pragma once

// One thumbnail of the frame strip: its frame over a normal or a hover
// background that shows as a margin around it.

#include <QGraphicsPixmapItem>

class VVideoFramePixmapItem : public QGraphicsPixmapItem
{
public:
    explicit VVideoFramePixmapItem(const QPixmap& pixmap);

    void setIndex(int index) { m_index = index; }
    int getIndex() const { return m_index; }
    void setCenterItem(bool centre) { m_centre = centre; }
    bool isCenterItem() const { return m_centre; }
    void setHoverBg(QPixmap* background);
    void setNormalBG(QPixmap* background) { m_normalBg = background; }

    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

protected:
    void hoverEnterEvent(QGraphicsSceneHoverEvent* e) override;
    void hoverMoveEvent(QGraphicsSceneHoverEvent* e) override;
    void hoverLeaveEvent(QGraphicsSceneHoverEvent* e) override;

private:
    int m_index = 0;
    bool m_centre = false;
    QPixmap* m_hoverBg = nullptr;
    QPixmap* m_normalBg = nullptr;
    int m_margin = 0;
};
