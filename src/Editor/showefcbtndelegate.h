#pragma once

#include <QStyledItemDelegate>

// Paints one cell of the effect chooser: the style's item panel, the effect's
// icon scaled to the image size, and its label cut to the image width.
class ShowEfcBtnDelegate : public QStyledItemDelegate
{
public:
    ShowEfcBtnDelegate();
    ~ShowEfcBtnDelegate() override;

    void SetImageHeight(int h) { m_imageHeight = h; }
    void SetImageWidth(int w) { m_imageWidth = w; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    int m_imageHeight = 48;
    int m_imageWidth = 64;
};
