#pragma once

#include "VDCPreferencePageWidget.h"

class CAppVariableInfo;
class Ui_VDCPreferenceTivo;

namespace Moorland {
class IAVManager;
}

// The user's TiVo media access key: stored as "TivoMediaAccessKey" and handed
// to the media manager as its option "TiVoMediaAccessKey" on OK. The key is
// taken exactly as typed.
class VDCPreferenceTivo : public VDCPreferencePageWidget
{
    Q_OBJECT

public:
    VDCPreferenceTivo(Moorland::IAVManager* pAVManager, QWidget* parent = nullptr);
    ~VDCPreferenceTivo() override;

    void initPageInfo() override;
    void accept() override;
    void Retranslate();

protected:
    bool event(QEvent* e) override;

private:
    Ui_VDCPreferenceTivo* m_ui;
    CAppVariableInfo* m_settings;
    Moorland::IAVManager* m_avManager;
};
