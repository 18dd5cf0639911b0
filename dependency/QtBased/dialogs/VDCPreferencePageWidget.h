#pragma once

#include <QWidget>

// One page of the Preferences dialog. A page fills its widgets from the user
// settings each time the dialog opens (initPageInfo), may store a correction
// of an out-of-range value at once, and stores its values when the user
// presses OK (accept). Cancel stores nothing.
class VDCPreferencePageWidget : public QWidget
{
    Q_OBJECT

public:
    enum Function { General = 1, Accelerate = 2, Convert = 3, Tivo = 4, Others = 5 };

    explicit VDCPreferencePageWidget(QWidget* parent = nullptr) : QWidget(parent) {}

    virtual void initPageInfo() = 0;
    virtual void accept() = 0;
    virtual QString GetPageName() { return m_pageName; }
    virtual Function GetPageFution() { return m_function; }

protected:
    Function m_function = Function(0);
    QString m_pageName;
};
