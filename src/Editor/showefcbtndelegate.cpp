#include "showefcbtndelegate.h"

#include "veffectoptions.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>

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
    while (!text.isEmpty() && metrics.horizontalAdvance(text) > m_imageWidth)
        text.chop(1);
    const QRect textRect(QPoint(left, r.top() + m_imageHeight + 1), QPoint(left + m_imageWidth - 1, r.bottom() - 1));
    painter->drawText(textRect, Qt::AlignHCenter | Qt::AlignTop, text);
    painter->restore();
}
