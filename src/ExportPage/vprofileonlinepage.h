#pragma once

// The "Online" page: online-service categories in a sideways icon row, the
// upload settings of the selected task, and the chosen category's profiles
// with the size and channel editor.

#include "vprofilemgrpagewidget.h"

class CYoutubeVideoInfo;
class VProfileParamSPWidget;
class VYoutubeSettingWidget;
namespace Ui {
class VProfileOnlinePage;
}

class VProfileOnlinePage : public VProfileMgrPageWidget
{
    Q_OBJECT
public:
    VProfileOnlinePage(ProfileNodeManager* pMgr, QWidget* parent = nullptr);
    ~VProfileOnlinePage() override;

    void initPageInfo() override;
    IProfile* GetCurProfile() override;
    bool SetProfile(IProfile* pProfile) override;
    void Retranslate() override;
    bool eventFilter(QObject* watched, QEvent* e) override;

    using VProfileMgrPageWidget::updateComcoboxStyleSheet;
    // Binds the selected task's upload metadata to the settings panel (null: none).
    void SetYoutubeInfo(CYoutubeVideoInfo* pInfo);
    void SyncYoutubeAccountInfo();

    VYoutubeSettingWidget* youtubeSettingWidget() const;
    VProfileParamSPWidget* paramWidget() const;
    QComboBox* formatList() const;

private slots:
    void on_lstwProfileCata_itemSelectionChanged();
    void on_cbxFormat_currentIndexChanged(int index);
    void on_btnPre_clicked();
    void on_btnNext_clicked();

private:
    // The upload panel tells when the shown profile does not upload.
    void TellUploads();
    void UpdateArrows();

    Ui::VProfileOnlinePage* ui;
};
