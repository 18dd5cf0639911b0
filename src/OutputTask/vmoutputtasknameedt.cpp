#include "vmoutputtasknameedt.h"

#include <QMouseEvent>

VMOutputTaskNameEdt::VMOutputTaskNameEdt(QWidget* parent)
    : QLineEdit(parent)
{
    setFocusPolicy(Qt::NoFocus);
    connect(this, &QLineEdit::returnPressed, this, &VMOutputTaskNameEdt::slot_returnKeyPress);
}

void VMOutputTaskNameEdt::setTaskNameEdt(QString name)
{
    clear();
    setText(name);
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
