#pragma once

#include "IVantrel.h"

#include <QDialog>

class QLabel;

// One of the platform's own windows: a small frameless box with one text
// ("platformLabel") and a Close button, styled by the skin manager.
class CPlatformWindow : public QDialog
{
    Q_OBJECT
public:
    explicit CPlatformWindow(const QString& objectName);
    void ShowText(const QString& text);
    QString Text() const;

private:
    QLabel* m_label;
};

class CProductWindows : public IProductWindows
{
public:
    ~CProductWindows() override;
    QWidget* GetWindow(int index) override;
    CPlatformWindow* Window(int index);

private:
    CPlatformWindow* m_windows[2] = {nullptr, nullptr};
};
