#include "vmoutputtasknameedt.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

VMOutputTaskNameEdt::VMOutputTaskNameEdt(QWidget* parent) : QLineEdit(parent)
{
    setFocusPolicy(Qt::NoFocus);
    connect(this, &QLineEdit::returnPressed, this, &VMOutputTaskNameEdt::slot_returnKeyPress);
}

void VMOutputTaskNameEdt::setTaskNameEdt(QString name)
{
    clear();
    setText(name);
    setToolTip(name);
}

void VMOutputTaskNameEdt::slot_returnKeyPress()
{
    clearFocus();
}

void VMOutputTaskNameEdt::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton) {
        emit signal_reNameTaskItem();
        setFocusPolicy(Qt::ClickFocus);
        setFocus(Qt::MouseFocusReason);
        selectAll();
    }
    QLineEdit::mouseDoubleClickEvent(e);
}

void VMOutputTaskNameEdt::focusOutEvent(QFocusEvent* e)
{
    emit signal_reNameTaskItemFinished();
    setFocusPolicy(Qt::NoFocus);
    QLineEdit::focusOutEvent(e);
}

void VMOutputTaskNameEdt::mousePressEvent(QMouseEvent* e)
{
    QLineEdit::mousePressEvent(e);
    emit signal_selectedOutputTaskItem();
}

void VMOutputTaskNameEdt::mouseMoveEvent(QMouseEvent* e)
{
    setCursor(Qt::ArrowCursor);
    QLineEdit::mouseMoveEvent(e);
}

void VMOutputTaskNameEdt::paintEvent(QPaintEvent* e)
{
    if (hasFocus()) {
        QLineEdit::paintEvent(e);
        return;
    }
    QPainter painter(this);
    QStyleOptionFrame option;
    initStyleOption(&option);
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &painter, this);
    QRect area = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    const QMargins margins = textMargins();
    area.adjust(margins.left() + 2, margins.top(), -margins.right() - 2, -margins.bottom());
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
    painter.setFont(font());
    painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter,
                     fontMetrics().elidedText(text(), Qt::ElideRight, area.width()));
}
