#pragma once

// The details list's horizontal header: clickable sections that sort the
// list; it draws as the plain header does.

#include <QHeaderView>

class CCheckedHeader : public QHeaderView
{
    Q_OBJECT
public:
    CCheckedHeader(Qt::Orientation orientation, QWidget* parent = nullptr);
    ~CCheckedHeader() override;

signals:
    void toggled(bool bChecked);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
};
