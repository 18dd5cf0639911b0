#pragma once

// The "Device" page: device categories as an icon grid and, under it, the
// chosen category's profiles by their own names; the profile chosen in that
// list is edited in the parameter editor. The editing-program page is the
// same page over the editing-program categories.

#include "vprofilemgrpagewidget.h"

class VProfileParamWidget;
namespace Ui {
class VProfileDevicePage;
}

class VProfileDevicePage : public VProfileMgrPageWidget
{
    Q_OBJECT
public:
    VProfileDevicePage(ProfileNodeManager* pMgr, QWidget* parent = nullptr);
    ~VProfileDevicePage() override;

    void initPageInfo() override;
    IProfile* GetCurProfile() override;
    bool SetProfile(IProfile* pProfile) override;
    void Retranslate() override;

    VProfileParamWidget* paramWidget() const;
    QComboBox* formatList() const;

protected:
    VProfileDevicePage(ProfileNodeManager* pMgr, Function func, QWidget* parent);

private slots:
    void on_tbwProfileCata_itemSelectionChanged();
    void on_cbxFormat_currentIndexChanged(int index);
    void on_btnPre_clicked();
    void on_btnNext_clicked();

private:
    Ui::VProfileDevicePage* ui;
};
