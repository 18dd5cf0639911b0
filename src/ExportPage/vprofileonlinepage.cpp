#include "vprofileonlinepage.h"
#include "ui_vprofileonlinepage.h"

#include "IProfile.h"
#include "ProfileManager/ProfileNodeManager.h"
#include "profilepagetools.h"
#include "vprofileparamspwidget.h"
#include "OutputTask/vyoutubesettingwidget.h"

#include <QEvent>
#include <QScrollBar>

using namespace ProfilePageTools;

VProfileOnlinePage::VProfileOnlinePage(ProfileNodeManager* pMgr, QWidget* parent)
    : VProfileMgrPageWidget(pMgr, FUNC_ONLINE, parent), ui(new Ui::VProfileOnlinePage)
{
    ui->setupUi(this);
    m_pEditor = ui->frmParamSetting;
    ui->lstwProfileCata->setAttribute(Qt::WA_MacShowFocusRect, false);
    Retranslate();
    updateComcoboxStyleSheet();
    ui->lstwProfileCata->installEventFilter(this);
    WatchEditor();
    WatchChooser(ui->lstwProfileCata);
}

VProfileOnlinePage::~VProfileOnlinePage()
{
    delete ui;
}

VYoutubeSettingWidget* VProfileOnlinePage::youtubeSettingWidget() const
{
    return ui->frmYoutubeSetting;
}

VProfileParamSPWidget* VProfileOnlinePage::paramWidget() const
{
    return ui->frmParamSetting;
}

QComboBox* VProfileOnlinePage::formatList() const
{
    return ui->cbxFormat;
}

void VProfileOnlinePage::initPageInfo()
{
    m_pCatNode = m_pNodeMgr->getCatNode();
    for (CatData* cat : m_pCatNode->GetList()) {
        if (!cat || cat->type != FUNC_ONLINE)
            continue;
        auto* item = new QListWidgetItem;
        item->setData(Qt::UserRole, unsigned(cat->id));
        item->setData(Qt::DecorationRole, CategoryIcon(m_pNodeMgr, cat));
        item->setToolTip(cat->name);
        item->setData(Qt::AccessibleTextRole, cat->name);
        ui->lstwProfileCata->addItem(item);
        m_cats << cat;
    }
    UpdateArrows();
    if (ui->lstwProfileCata->count() > 0)
        ui->lstwProfileCata->item(0)->setSelected(true);
}

void VProfileOnlinePage::UpdateArrows()
{
    const bool scrolls = ui->lstwProfileCata->horizontalScrollBar()->maximum() != 0;
    ui->btnPre->setEnabled(scrolls);
    ui->btnNext->setEnabled(scrolls);
}

void VProfileOnlinePage::on_lstwProfileCata_itemSelectionChanged()
{
    const QList<QListWidgetItem*> selected = ui->lstwProfileCata->selectedItems();
    if (selected.size() != 1)
        return;
    ActivateCategory(m_pNodeMgr, selected.first()->data(Qt::UserRole).toInt());
    FillProfileList(ui->cbxFormat);
}

void VProfileOnlinePage::on_cbxFormat_currentIndexChanged(int index)
{
    LoadListedProfile(ui->cbxFormat, index);
    TellUploads();
}

void VProfileOnlinePage::TellUploads()
{
    IProfileParams* params = m_pCurProfile ? m_pCurProfile->GetParams() : nullptr;
    ui->frmYoutubeSetting->SetProfileUploads(params && params->GetInt("YoutubeUpload") == 1);
}

bool VProfileOnlinePage::SetProfile(IProfile* pProfile)
{
    LnkData* link = OwnLink(pProfile);
    if (!link)
        return false;
    for (int row = 0; row < ui->lstwProfileCata->count(); ++row) {
        QListWidgetItem* item = ui->lstwProfileCata->item(row);
        if (item->data(Qt::UserRole).toInt() != link->parent->id)
            continue;
        if (!item->isSelected()) {
            ui->lstwProfileCata->clearSelection();
            item->setSelected(true);
        }
        ui->lstwProfileCata->scrollToItem(item, QAbstractItemView::EnsureVisible);
        if (SelectListedProfile(ui->cbxFormat, pProfile)) {
            TellUploads();
            return true;
        }
    }
    return false;
}

IProfile* VProfileOnlinePage::GetCurProfile()
{
    return SavedCurProfile();
}

void VProfileOnlinePage::SetYoutubeInfo(CYoutubeVideoInfo* pInfo)
{
    ui->frmYoutubeSetting->SetYoutubeInfo(pInfo);
}

void VProfileOnlinePage::SyncYoutubeAccountInfo()
{
    ui->frmYoutubeSetting->saveAccount();
}

void VProfileOnlinePage::on_btnNext_clicked()
{
    StepScroll(ui->lstwProfileCata->horizontalScrollBar(), 1);
}

void VProfileOnlinePage::on_btnPre_clicked()
{
    StepScroll(ui->lstwProfileCata->horizontalScrollBar(), -1);
}

bool VProfileOnlinePage::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == ui->lstwProfileCata && e->type() == QEvent::Resize)
        UpdateArrows();
    return VProfileMgrPageWidget::eventFilter(watched, e);
}

void VProfileOnlinePage::Retranslate()
{
    ui->retranslateUi(this);
    m_pageName = tr("Online");
}
