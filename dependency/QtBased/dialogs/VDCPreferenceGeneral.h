#pragma once

#include "VDCPreferencePageWidget.h"

class Ui_VDCPreferenceGeneral;

// What an output task does when its destination file exists
// ("OutputFileExist": 0 rename, 1 overwrite, 2 skip) and where a lossless
// output begins ("LosslessOutputMode": 0 the exact frame, 1 the next GOP).
class VDCPreferenceGeneral : public VDCPreferencePageWidget
{
    Q_OBJECT

public:
    explicit VDCPreferenceGeneral(QWidget* parent = nullptr);
    ~VDCPreferenceGeneral() override;

    void initPageInfo() override;
    void accept() override;
    void Retranslate();

protected:
    bool event(QEvent* e) override;

private:
    Ui_VDCPreferenceGeneral* m_ui;
};
