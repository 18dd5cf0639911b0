#include "ccheckedheader.h"

#include <QPainter>

CCheckedHeader::CCheckedHeader(Qt::Orientation orientation, QWidget* parent) : QHeaderView(orientation, parent)
{
    setSectionsClickable(true);
}

CCheckedHeader::~CCheckedHeader() = default;

void CCheckedHeader::mousePressEvent(QMouseEvent* event)
{
    QHeaderView::mousePressEvent(event);
}

void CCheckedHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    painter->save();
    QHeaderView::paintSection(painter, rect, logicalIndex);
    painter->restore();
}
