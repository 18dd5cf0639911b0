#pragma once

#include "VDCPreferencePageWidget.h"

class Ui_VDCPreferenceOthers;

// Snapshot size ("SnapShotAsOrgSize", "SnapShotWidth" 10..1920,
// "SnapShotHeight" 10..1080), whether the camcorder wizard opens on
// connection ("OpenCamWizardDlg"), and a reset of three "do not show again"
// prompts that takes effect at once.
class VDCPreferenceOthers : public VDCPreferencePageWidget
{
    Q_OBJECT

public:
    explicit VDCPreferenceOthers(QWidget* parent = nullptr);
    ~VDCPreferenceOthers() override;

    void initPageInfo() override;
    void accept() override;
    void Retranslate();

private Q_SLOTS:
    void on_cbxOriginalSize_stateChanged(int nState);
    void on_btnResetHint_clicked();

protected:
    bool event(QEvent* e) override;

private:
    Ui_VDCPreferenceOthers* m_ui;
};
