#pragma once

#include "VDCPreferencePageWidget.h"

#include <QDialog>

class Ui_VDCPreferenceDlg;

// The Preferences dialog: page names on the left, the pages on the right, OK
// and Cancel below. Pages are found by their function number; the first page
// in stack order with a number wins.
class VDCPreferenceDlg : public QDialog
{
    Q_OBJECT

public:
    explicit VDCPreferenceDlg(QWidget* parent = nullptr);
    ~VDCPreferenceDlg() override;

    // The page must have its name (retranslated) before it is added; the
    // dialog's page stack owns it afterwards.
    void AddPage(VDCPreferencePageWidget* page);
    void swithPageByFuction(VDCPreferencePageWidget::Function function);
    VDCPreferencePageWidget* GetPageByFunc(VDCPreferencePageWidget::Function function);
    void Retranslate();

public Q_SLOTS:
    // Every page reloads its widgets from the stored settings, then the
    // dialog runs modally on its first page.
    int exec() override;
    // Closes with Accepted, then every page stores its values in stack order.
    void accept() override;

private Q_SLOTS:
    void on_lstPageNames_itemSelectionChanged();

protected:
    bool event(QEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    void fitToPages();

    Ui_VDCPreferenceDlg* m_ui;
};
