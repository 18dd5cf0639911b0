#pragma once

// The output page: the task list on the left and the profile area on the
// right. It builds the profile catalogue, loads the last or the default
// profile, creates the five profile pages and joins the list, the area and
// itself; closing it saves the catalogue's files.

#include "vprofilemgrpagewidget.h"

#include <QFrame>

class CTimelineItem;
class IProfile;
class ProfileNodeManager;
class VMOutPutTaskMgr;
class VProfileManagerWidget;
namespace Moorland {
class IAVConverter;
class IAVManager;
} // namespace Moorland
namespace Ui {
class VExportPage;
}

class VExportPage : public QFrame
{
    Q_OBJECT
public:
    explicit VExportPage(QWidget* parent = nullptr);
    ~VExportPage() override;

    void SetAVManager(Moorland::IAVManager* pManager);
    void SetAVConverter(Moorland::IAVConverter* pConverter);
    void setTimeLineItem(const CTimelineItem* pTimeline);
    void initProfileNodeMgr();
    // Tells the user which stored profile files were damaged and kept aside.
    void TellKeptAsideFiles(const QStringList& notes);
    void initProfileSettingPage();
    void initConnection();

    ProfileNodeManager* GetProfileNodeMgr() const { return m_pNodeMgr; }
    int getOutputTaskCount() const;
    void updateOutputResListWidget();
    bool event(QEvent* e) override;

    VMOutPutTaskMgr* taskList() const;
    // The narrowest the page can be with every page name whole and the
    // task list at its width.
    int SmallestWidth() const;
    VProfileManagerWidget* profileArea() const;
    IProfile* defaultProfile() const { return m_pDefaultProfile; }

public slots:
    void slot_SettingSelectedOutputTaskItemProfile(IProfile* pProfile = nullptr, bool bEnableSetting = true);
    void slot_GettingSelectedOutputTaskItemProfile();
    void slot_selectedOutputTask_changed();
    void slot_profileMgrWidgetCurrentPageChanged(VProfileMgrPageWidget* pPage);

private:
    void RebindUploadSettings();

    Ui::VExportPage* ui;
    ProfileNodeManager* m_pNodeMgr = nullptr;
    IProfile* m_pDefaultProfile = nullptr;
};
