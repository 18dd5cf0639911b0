#pragma once

#include "VDCPreferencePageWidget.h"

class Ui_VDCPreferenceAccelerate;

// GPU encoding ("UseCUDAEnc", "UseAMDEnc") and the H.264 decoder
// ("H264DecoderIndex": 1 CUDA, 2 Intel, 4 built-in), offering only what the
// hardware information reports usable. Edits settings only; a changed
// decoder takes effect at the next start.
class VDCPreferenceAccelerate : public VDCPreferencePageWidget
{
    Q_OBJECT

public:
    explicit VDCPreferenceAccelerate(QWidget* parent = nullptr);
    ~VDCPreferenceAccelerate() override;

    void initPageInfo() override;
    void accept() override;
    void Retranslate();

protected:
    bool event(QEvent* e) override;

private:
    Ui_VDCPreferenceAccelerate* m_ui;
};
