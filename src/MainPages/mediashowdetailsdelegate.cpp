#include "mediashowdetailsdelegate.h"

#include "fmdmediatreemodel.h"
#include "thumbnailscalecache.h"

#include "utility/ThumbnailDrawing.h"

#include <QApplication>
#include <QLineEdit>
#include <QPainter>

MediaShowDetailsDelegate::MediaShowDetailsDelegate() : QStyledItemDelegate(nullptr) {}

MediaShowDetailsDelegate::Geometry MediaShowDetailsDelegate::GeometryOf(const QRect& cell)
{
    const int L = cell.left();
    const int T = cell.top();
    const int H = cell.bottom() - T + 1;
    const int h = H - 14;
    const int w = static_cast<int>(4.0 * h / 3.0);
    Geometry g;
    g.frame = QRect(L + 7, T + 7, w, h);
    g.picture = QRect(L + 9, T + 9, w - 5, H - 19);
    const int left = L + w + 18;
    const int top = T + 7 + h / 4;
    g.text = QRect(QPoint(left, top), QPoint(cell.right() - L, top + h / 2 - 1));
    return g;
}

void MediaShowDetailsDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                     const QModelIndex& index) const
{
    if (!index.isValid() || !index.model())
        return;
    if (index.column() != 0) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyle* style = option.widget ? option.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &option, painter, option.widget);

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    const QImage thumbnail = index.data(Qt::DecorationRole).value<QImage>();
    const QPixmap border = index.data(Qt::UserRole + 1).value<QPixmap>();
    const QString name = index.data(Qt::DisplayRole).toString();
    const Geometry g = GeometryOf(option.rect);
    if (!thumbnail.isNull()) {
        if (!border.isNull())
            painter->drawPixmap(g.frame, border);
        // The picture keeps its shape inside the frame: a tall one stands
        // between bars.
        const QRect fitted = ThumbnailDrawing::FittedRect(thumbnail.size(), g.picture);
        const QPixmap picture = ThumbnailScaleCache::Scaled(thumbnail, fitted.size());
        if (!picture.isNull())
            painter->drawPixmap(fitted.topLeft(), picture);
        if (index.data(FMDMediaTreeModel::MissingRole).toBool())
            ThumbnailDrawing::DrawMissingMark(painter, g.picture, tr("Missing"));
    }
    // The view's own text colour, so the skin's colours reach the name.
    painter->setPen(
        option.palette.color((option.state & QStyle::State_Selected) ? QPalette::HighlightedText : QPalette::Text));
    // The name's band is half the picture high; a line of the font is
    // taller, so the line is centred on the band instead of being cut at
    // its foot.
    QRect line = g.text;
    const int lineHeight = painter->fontMetrics().height();
    if (lineHeight > line.height())
        line = QRect(line.left(), line.center().y() - lineHeight / 2, line.width(), lineHeight);
    // A long name ends in an ellipsis; the row's tool tip holds it whole.
    painter->drawText(line, Qt::TextSingleLine, painter->fontMetrics().elidedText(name, Qt::ElideRight, line.width()));
    painter->restore();
}

void MediaShowDetailsDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                                    const QModelIndex& index) const
{
    QStyledItemDelegate::updateEditorGeometry(editor, option, index);
    if (auto* line = qobject_cast<QLineEdit*>(editor))
        line->move(option.rect.left() + 50, option.rect.top() + 6);
}
