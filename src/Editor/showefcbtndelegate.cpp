#include "showefcbtndelegate.h"

#include "veffectoptions.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QTextLayout>

ShowEfcBtnDelegate::ShowEfcBtnDelegate() = default;

ShowEfcBtnDelegate::~ShowEfcBtnDelegate() = default;

void ShowEfcBtnDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem plain(option);
    plain.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
    const QVariant key = index.data(Qt::UserRole);
    if (!key.isValid()) {
        QStyledItemDelegate::paint(painter, plain, index);
        return;
    }

    QStyle* style = option.widget ? option.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &option, painter, option.widget);

    const EffectButton entry = VEffectOptions::getEffectBtnByName(key.toString());
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->setRenderHint(QPainter::SmoothPixmapTransform, true);

    const QRect r = option.rect;
    const int left = r.left() + (r.width() - m_imageWidth) / 2;
    if (!entry.icon.isNull())
        painter->drawImage(QRect(left, r.top() + 2, m_imageWidth, m_imageHeight), entry.icon);

    QFont font = painter->font();
    font.setPixelSize(10);
    painter->setFont(font);
    // The cell shows the label in the current language; the key stays English.
    QString text = index.data(VEffectOptions::ShownTextRole).toString();
    if (text.isEmpty())
        text = entry.label;
    const QFontMetrics metrics(font);
    const QRect textRect(QPoint(r.left() + 2, r.top() + m_imageHeight + 3), QPoint(r.right() - 2, r.bottom() - 1));
    const QStringList lines = LabelLines(text, font, textRect.width(), textRect.height());
    int y = textRect.top();
    for (const QString& line : lines) {
        painter->drawText(QRect(textRect.left(), y, textRect.width(), metrics.lineSpacing()),
                          Qt::AlignHCenter | Qt::AlignTop, line);
        y += metrics.lineSpacing();
    }
    painter->restore();
}

QStringList ShowEfcBtnDelegate::LabelLines(const QString& text, const QFont& font, int width, int height)
{
    QStringList lines;
    if (text.isEmpty() || width <= 0)
        return lines;
    const QFontMetrics metrics(font);
    const int most = qMax(1, height / qMax(1, metrics.lineSpacing()));
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    QList<QPair<int, int>> spans;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        spans.append({line.textStart(), line.textLength()});
    }
    layout.endLayout();
    for (int i = 0; i < spans.size() && i < most; ++i) {
        const bool last = i == most - 1 && spans.size() > most;
        const QString part = last ? text.mid(spans[i].first) : text.mid(spans[i].first, spans[i].second);
        lines.append(metrics.elidedText(part.trimmed(), Qt::ElideRight, width));
    }
    return lines;
}
