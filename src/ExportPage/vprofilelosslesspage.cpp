#include "vprofilelosslesspage.h"
#include "ui_vprofilelosslesspage.h"

#include "IProfile.h"
#include "ProfileNodeManager.h"
#include "profilepagetools.h"

#include <QHeaderView>
#include <QScrollBar>

using namespace ProfilePageTools;

VProfileLosslessPage::VProfileLosslessPage(ProfileNodeManager* pMgr, QWidget* parent)
    : VProfileMgrPageWidget(parent)
    , ui(new Ui::VProfileLosslessPage)
    , m_pNodeMgr(pMgr)
{
    ui->setupUi(this);
    m_function = FUNC_LOSSLESS;
    ui->tbwProfileCata->setColumnCount(4);
    ui->tbwProfileCata->horizontalHeader()->setObjectName("horiHeader");
    ui->tbwProfileCata->verticalHeader()->setObjectName("verHeader");
    ui->tbwProfileCata->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    ui->cbxReserveTime->hide();
    Retranslate();
}

VProfileLosslessPage::~VProfileLosslessPage()
{
    ReleaseProfile(m_pCurProfile);
    delete ui;
}

void VProfileLosslessPage::initPageInfo()
{
    m_pCatNode = m_pNodeMgr->getCatNode();
    InitCategoryGrid(ui->tbwProfileCata, ui->btnPre, ui->btnNext, m_pNodeMgr, FUNC_LOSSLESS, m_cats);
}

void VProfileLosslessPage::on_tbwProfileCata_itemSelectionChanged()
{
    const int id = SelectedCategoryId(ui->tbwProfileCata);
    if (id < 0)
        return;
    ActivateCategory(m_pNodeMgr, id);
    ReleaseProfile(m_pCurProfile);
    m_pCurProfile = LoadFirstLinkProfile(m_pNodeMgr);
    emit signal_CurProfileChanged();
}

bool VProfileLosslessPage::SetProfile(IProfile* pProfile)
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
    grid->setCurrentItem(cell, QItemSelectionModel::NoUpdate);
    cell->setSelected(true);
    connect(grid, SIGNAL(itemSelectionChanged()), this, SLOT(on_tbwProfileCata_itemSelectionChanged()));
    grid->scrollToItem(cell, QAbstractItemView::EnsureVisible);
    ReleaseProfile(m_pCurProfile);
    m_pCurProfile = pProfile->Clone();
    return true;
}

IProfile* VProfileLosslessPage::GetCurProfile()
{
    return m_pCurProfile;
}

void VProfileLosslessPage::on_btnNext_clicked()
{
    QScrollBar* bar = ui->tbwProfileCata->verticalScrollBar();
    bar->setValue(bar->value() + 1);
}

void VProfileLosslessPage::on_btnPre_clicked()
{
    QScrollBar* bar = ui->tbwProfileCata->verticalScrollBar();
    bar->setValue(bar->value() - 1);
}

void VProfileLosslessPage::Retranslate()
{
    ui->retranslateUi(this);
    m_pageName = tr("Lossless");
}
