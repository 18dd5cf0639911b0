#pragma once

// The destination name in an output task row. It takes the keyboard focus
// only while the user renames the task in place (after a double click); its
// tool tip holds the whole name.

#include <QLineEdit>

class VMOutputTaskNameEdt : public QLineEdit
{
    Q_OBJECT
public:
    explicit VMOutputTaskNameEdt(QWidget* parent = nullptr);

    void setTaskNameEdt(QString name);

signals:
    void signal_reNameTaskItem();
    void signal_reNameTaskItemFinished();
    void signal_selectedOutputTaskItem();

public slots:
    void slot_returnKeyPress();

protected:
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    // While not being renamed, a name too long for the field is cut at its
    // end with an ellipsis, so that it always reads from its start.
    void paintEvent(QPaintEvent* e) override;
};
