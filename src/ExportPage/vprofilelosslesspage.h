#pragma once

// The "Lossless" page: the categories meant for lossless output as an icon
// grid and a notice on what lossless output needs; its profiles are used
// unchanged, so the page has no editor.

#include "vprofilemgrpagewidget.h"

namespace Ui {
class VProfileLosslessPage;
}

class VProfileLosslessPage : public VProfileMgrPageWidget
{
    Q_OBJECT
public:
    VProfileLosslessPage(ProfileNodeManager* pMgr, QWidget* parent = nullptr);
    ~VProfileLosslessPage() override;

    void initPageInfo() override;
    IProfile* GetCurProfile() override;
    bool SetProfile(IProfile* pProfile) override;
    void Retranslate() override;

private slots:
    void on_tbwProfileCata_itemSelectionChanged();
    void on_btnPre_clicked();
    void on_btnNext_clicked();

private:
    Ui::VProfileLosslessPage* ui;
};
