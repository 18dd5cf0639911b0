#include "vprofileformatpage.h"
#include "ui_vprofileformatpage.h"

#include "IProfile.h"
#include "ProfileNodeManager.h"
#include "profilepagetools.h"
#include "vprofileparamwidget.h"

#include <QHeaderView>
#include <QScrollBar>

using namespace ProfilePageTools;

VProfileFormatPage::VProfileFormatPage(ProfileNodeManager* pMgr, QWidget* parent)
    : VProfileMgrPageWidget(parent)
    , ui(new Ui::VProfileFormatPage)
    , m_pNodeMgr(pMgr)
{
    ui->setupUi(this);
    m_function = FUNC_FORMAT;
    ui->tbwProfileCata->setColumnCount(4);
    ui->tbwProfileCata->horizontalHeader()->setObjectName("horiHeader");
    ui->tbwProfileCata->verticalHeader()->setObjectName("verHeader");
    ui->tbwProfileCata->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    updateComcoboxStyleSheet();
    Retranslate();
}

VProfileFormatPage::~VProfileFormatPage()
{
    ReleaseProfile(m_pCurProfile);
    delete ui;
}

VProfileParamWidget* VProfileFormatPage::paramWidget() const
{
    return ui->frmParamSetting;
}

void VProfileFormatPage::updateComcoboxStyleSheet()
{
    ApplyComboStyleSheet(ui->frmParamSetting, m_styleSheet);
}

void VProfileFormatPage::initPageInfo()
{
    m_pCatNode = m_pNodeMgr->getCatNode();
    InitCategoryGrid(ui->tbwProfileCata, ui->btnPre, ui->btnNext, m_pNodeMgr, FUNC_FORMAT, m_cats);
}

void VProfileFormatPage::on_tbwProfileCata_itemSelectionChanged()
{
    const int id = SelectedCategoryId(ui->tbwProfileCata);
    if (id < 0)
        return;
    ActivateCategory(m_pNodeMgr, id);
    ReleaseProfile(m_pCurProfile);
    // The editor must not keep the released profile, even when nothing new
    // can be loaded (no visible link, a missing or unreadable file).
    ui->frmParamSetting->showProfile(nullptr);
    m_pCurProfile = LoadFirstLinkProfile(m_pNodeMgr);
    ui->frmParamSetting->showProfile(m_pCurProfile);
    emit signal_CurProfileChanged();
}

bool VProfileFormatPage::SetProfile(IProfile* pProfile)
{
    if (!pProfile)
        return false;
    LnkData* link = m_pNodeMgr->getProfileLnkData(pProfile);
    if (!link || !m_cats.contains(link->parent))
        return false;
    QTableWidgetItem* cell = FindCategoryCell(ui->tbwProfileCata, link->parent->id);
    if (!cell)
        return false;
    QTableWidget* grid = ui->tbwProfileCata;
    disconnect(grid, SIGNAL(itemSelectionChanged()), this, SLOT(on_tbwProfileCata_itemSelectionChanged()));
    grid->clearSelection();
    cell->setSelected(true);
    grid->setCurrentItem(cell, QItemSelectionModel::NoUpdate);
    connect(grid, SIGNAL(itemSelectionChanged()), this, SLOT(on_tbwProfileCata_itemSelectionChanged()));
    grid->scrollToItem(cell, QAbstractItemView::EnsureVisible);
    ReleaseProfile(m_pCurProfile);
    m_pCurProfile = pProfile->Clone();
    ui->frmParamSetting->showProfile(m_pCurProfile);
    return true;
}

IProfile* VProfileFormatPage::GetCurProfile()
{
    if (m_pCurProfile && !ui->frmParamSetting->SaveSettingToCurProfile()) {
        ReportSaveFailure(this);
        return nullptr;
    }
    return m_pCurProfile;
}

void VProfileFormatPage::on_btnNext_clicked()
{
    QScrollBar* bar = ui->tbwProfileCata->verticalScrollBar();
    bar->setValue(bar->value() + 1);
}

void VProfileFormatPage::on_btnPre_clicked()
{
    QScrollBar* bar = ui->tbwProfileCata->verticalScrollBar();
    bar->setValue(bar->value() - 1);
}

void VProfileFormatPage::Retranslate()
{
    ui->retranslateUi(this);
    m_pageName = tr("Common Format");
}
