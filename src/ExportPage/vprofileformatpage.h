#pragma once

// The "Common Format" page: the catalogue's format categories as an icon
// grid, four to a row; choosing one loads its first profile into the
// parameter editor below.

#include "vprofilemgrpagewidget.h"

class VProfileParamWidget;
namespace Ui {
class VProfileFormatPage;
}

class VProfileFormatPage : public VProfileMgrPageWidget
{
    Q_OBJECT
public:
    VProfileFormatPage(ProfileNodeManager* pMgr, QWidget* parent = nullptr);
    ~VProfileFormatPage() override;

    void initPageInfo() override;
    IProfile* GetCurProfile() override;
    bool SetProfile(IProfile* pProfile) override;
    void Retranslate() override;

    VProfileParamWidget* paramWidget() const;

private slots:
    void on_tbwProfileCata_itemSelectionChanged();
    void on_btnPre_clicked();
    void on_btnNext_clicked();

private:
    Ui::VProfileFormatPage* ui;
};
