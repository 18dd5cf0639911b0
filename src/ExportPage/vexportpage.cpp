#include "vexportpage.h"
#include "ui_vexportpage.h"

#include "Basilvo/Basilvo.h"
#include "CBaseException.h"
#include "IProfile.h"
#include "ProfileManager/ProfileNodeManager.h"
#include "ProfileManager/profileConfig.h"
#include "DevUtils/sys_pathutils.h"
#include "sysutils_dir.h"
#include "OutputTask/vmoutputtaskmgr.h"
#include "YoutubeUpload/CUploadAfterTask.h"
#include "vprofiledevicepage.h"
#include "vprofileeditorpage.h"
#include "vprofileformatpage.h"
#include "vprofilelosslesspage.h"
#include "vprofilemanagerwidget.h"
#include "vprofileonlinepage.h"
#include "dialogs/VRichMessageBox.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPointer>
#include <QTimer>

namespace {
const char* const kSource = "src/ExportPage/vexportpage";
}

VExportPage::VExportPage(QWidget* parent) : QFrame(parent), ui(new Ui::VExportPage)
{
    ui->setupUi(this);
    qRegisterMetaType<IProfile*>("IProfile*");
}

VExportPage::~VExportPage()
{
    if (m_pNodeMgr) {
        ProfileConfig* config = m_pNodeMgr->getProfileConfig();
        config->saveProfileCfg();
        config->execSaveData();
    }
    if (m_pDefaultProfile)
        m_pDefaultProfile->Release();
    m_pDefaultProfile = nullptr;
    // The task list and the pages point into the catalogue: they go first.
    delete ui->frmOutPutResListWidget;
    delete ui->frmOutPutProfileWidget;
    delete ui;
    delete m_pNodeMgr;
}

VMOutPutTaskMgr* VExportPage::taskList() const
{
    return ui->frmOutPutResListWidget;
}

VProfileManagerWidget* VExportPage::profileArea() const
{
    return ui->frmOutPutProfileWidget;
}

void VExportPage::SetAVManager(Moorland::IAVManager* pManager)
{
    ui->frmOutPutResListWidget->setAVManager(pManager);
}

void VExportPage::SetAVConverter(Moorland::IAVConverter* pConverter)
{
    ui->frmOutPutResListWidget->setAVConverter(pConverter);
}

void VExportPage::setTimeLineItem(const CTimelineItem* pTimeline)
{
    ui->frmOutPutResListWidget->setTimeLineItem(pTimeline);
}

int VExportPage::getOutputTaskCount() const
{
    return ui->frmOutPutResListWidget->getOutputTaskCount();
}

void VExportPage::updateOutputResListWidget()
{
    ui->frmOutPutResListWidget->updateOutputMgrWidget();
}

bool VExportPage::event(QEvent* e)
{
    return QFrame::event(e);
}

void VExportPage::initProfileNodeMgr()
{
    const QString sep = QDir::separator();
    const QString program = QCoreApplication::applicationDirPath();
    const QString home = CSysPathsEnumerater::EnumSystemPath(SYSPATH_APP_HOME);
    m_pNodeMgr = new ProfileNodeManager();
    ProfileConfig* config = m_pNodeMgr->getProfileConfig();
    config->setAppLibFilePath(program + sep + "all_profile.xml");
    config->setAppProfileDir(program + sep + "profile" + sep);
    config->setAppProfileIconDir(program + sep + "ICON" + sep);
    config->setAppName(QCoreApplication::applicationName());

    const QString custom = home + sep + "custom" + sep;
    if (!QuentaBased::dir_exists(custom.toUtf8().constData()))
        QB_GUARDED_VOID({ QuentaBased::make_dir(custom.toUtf8().constData()); });
    config->setUserProfileDir(custom);
    config->setUserLibFilePath(home + sep + "custom.xml");
    config->setConfigFilePath(home + sep + "profile_config.xml");
    config->setProfileCfgPath(home + sep + "profile.cfg");

    config->setCatDataTypeSupport(true);
    config->execLoadData();
    config->loadProfileCfg();
    TellKeptAsideFiles(config->takeKeptAsideNotes());

    const QString last = home + sep + "lastProfile.xml";
    QB_GUARDED_VOID({
        if (QFile::exists(last)) {
            IProfile* profile = CreateProfile();
            if (profile && profile->LoadFile(last.toUtf8().constData())) {
                m_pDefaultProfile = profile;
                GetQuentaException()->SetException(0, "get last profile.", __LINE__, kSource);
                return;
            }
            if (profile)
                profile->Release();
        }
        m_pDefaultProfile = config->createDefaultProfile();
        if (!m_pDefaultProfile)
            GetQuentaException()->SetException(QB_ERR_UNEXPECTED, "con't create DefaultProfile ", __LINE__, kSource);
    });

    m_pNodeMgr->beginUpdate(TUpdateFlag());
    m_pNodeMgr->endUpdate();
    ui->frmOutPutResListWidget->setDefaultIProfile(m_pDefaultProfile);
    ui->frmOutPutResListWidget->setProfileNodeMgr(m_pNodeMgr);
}

int VExportPage::SmallestWidth() const
{
    // The task list keeps its width; beside it the profile area's name bar
    // needs room for every page name in the current language.
    const auto* names = findChild<QListWidget*>("lstPageNames");
    const QMargins margins = layout() ? layout()->contentsMargins() : QMargins();
    const int spacing = layout() ? std::max(0, layout()->spacing()) : 0;
    return margins.left() + taskList()->minimumWidth() + spacing + (names ? names->minimumWidth() : 0) +
           margins.right();
}

void VExportPage::TellKeptAsideFiles(const QStringList& notes)
{
    if (notes.isEmpty())
        return;
    // Told once the window is up, not in the middle of building it.
    const QString text = tr("Some profile files could not be read. They were kept aside and the defaults are "
                            "used:") +
                         "\n\n" + notes.join("\n\n");
    QPointer<VExportPage> self(this);
    QTimer::singleShot(0, this, [self, text] {
        if (self)
            ExecPromptMessageBox(text, QDialogButtonBox::Ok, QMessageBox::Warning);
    });
}

void VExportPage::initProfileSettingPage()
{
    VProfileManagerWidget* area = ui->frmOutPutProfileWidget;
    area->AddPage(new VProfileFormatPage(m_pNodeMgr, nullptr));
    area->AddPage(new VProfileDevicePage(m_pNodeMgr, nullptr));
    area->AddPage(new VProfileEditorPage(m_pNodeMgr, nullptr));
    area->AddPage(new VProfileLosslessPage(m_pNodeMgr, nullptr));
    area->AddPage(new VProfileOnlinePage(m_pNodeMgr, nullptr));
    connect(area, &VProfileManagerWidget::signal_CurrentPageChanged, this,
            &VExportPage::slot_profileMgrWidgetCurrentPageChanged);
}

void VExportPage::initConnection()
{
    VMOutPutTaskMgr* list = ui->frmOutPutResListWidget;
    // A finished task's file is uploaded when the user asked for it.
    list->setAfterTaskAction(MakeUploadAfterTask);
    connect(list, &VMOutPutTaskMgr::signal_SettingSelectedOutputTaskItemProfile, this,
            [this](IProfile* pProfile, bool bEnable, bool) {
                slot_SettingSelectedOutputTaskItemProfile(pProfile, bEnable);
            });
    connect(list, &VMOutPutTaskMgr::signal_GettingSelectedOutputTaskItemProfile, this,
            &VExportPage::slot_GettingSelectedOutputTaskItemProfile);
    connect(list, &VMOutPutTaskMgr::signal_selectedTaskItem_changed, this,
            &VExportPage::slot_selectedOutputTask_changed);
    // Only a choice on the shown page reaches the task: showing a page does not.
    connect(ui->frmOutPutProfileWidget, &VProfileManagerWidget::signal_ProfileChosen, list,
            &VMOutPutTaskMgr::slot_CurProfileChanged);
    connect(list, &VMOutPutTaskMgr::signal_CommitPendingEdit, ui->frmOutPutProfileWidget,
            &VProfileManagerWidget::CommitPendingEdit);
}

void VExportPage::slot_SettingSelectedOutputTaskItemProfile(IProfile* pProfile, bool bEnableSetting)
{
    if (pProfile) {
        ui->frmOutPutProfileWidget->SetProfile(pProfile);
        pProfile->Release();
    }
    ui->frmOutPutProfileWidget->SetEnableSetting(bEnableSetting);
}

void VExportPage::slot_GettingSelectedOutputTaskItemProfile()
{
    ui->frmOutPutResListWidget->setIProfile(ui->frmOutPutProfileWidget->GetCurProfile());
    VProfileMgrPageWidget* page = ui->frmOutPutProfileWidget->GetCurrentPage();
    if (page && page->GetPageFution() == VProfileMgrPageWidget::FUNC_ONLINE)
        static_cast<VProfileOnlinePage*>(page)->SyncYoutubeAccountInfo();
}

void VExportPage::RebindUploadSettings()
{
    // The panel is rebound on every change, null when no task is selected, so
    // that it never holds the record of a removed task.
    auto* online =
        static_cast<VProfileOnlinePage*>(ui->frmOutPutProfileWidget->GetPageByFunc(VProfileMgrPageWidget::FUNC_ONLINE));
    if (online)
        online->SetYoutubeInfo(ui->frmOutPutResListWidget->getCurrentSelectedOutputTaskYoutubeVideInfo());
}

void VExportPage::slot_selectedOutputTask_changed()
{
    RebindUploadSettings();
}

void VExportPage::slot_profileMgrWidgetCurrentPageChanged(VProfileMgrPageWidget* pPage)
{
    if (pPage && pPage->GetPageFution() == VProfileMgrPageWidget::FUNC_ONLINE)
        RebindUploadSettings();
}
