#pragma once

#include <QStyledItemDelegate>

// Paints one cell of the effect chooser: the style's item panel, the effect's
// icon scaled to the image size, and its label under it, wrapped over the
// cell's width; a label that still does not fit ends in an ellipsis (the cell's
// tool tip holds it whole).
class ShowEfcBtnDelegate : public QStyledItemDelegate
{
public:
    ShowEfcBtnDelegate();
    ~ShowEfcBtnDelegate() override;

    void SetImageHeight(int h) { m_imageHeight = h; }
    void SetImageWidth(int w) { m_imageWidth = w; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // The lines a label is drawn in within a box of the given size.
    static QStringList LabelLines(const QString& text, const QFont& font, int width, int height);

private:
    int m_imageHeight = 48;
    int m_imageWidth = 64;
};
