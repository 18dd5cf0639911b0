#include "vprofilelosslesspage.h"
#include "ui_vprofilelosslesspage.h"

#include <QScrollBar>

VProfileLosslessPage::VProfileLosslessPage(ProfileNodeManager* pMgr, QWidget* parent)
    : VProfileMgrPageWidget(pMgr, FUNC_LOSSLESS, parent), ui(new Ui::VProfileLosslessPage)
{
    ui->setupUi(this);
    SetupCategoryGrid(ui->tbwProfileCata);
    WatchChooser(ui->tbwProfileCata);
    ui->cbxReserveTime->hide();
    Retranslate();
}

VProfileLosslessPage::~VProfileLosslessPage()
{
    delete ui;
}

void VProfileLosslessPage::initPageInfo()
{
    FillCategoryGrid(ui->tbwProfileCata, ui->btnPre, ui->btnNext);
}

void VProfileLosslessPage::on_tbwProfileCata_itemSelectionChanged()
{
    if (ActivateSelectedCategory(ui->tbwProfileCata))
        LoadFirstProfile();
}

bool VProfileLosslessPage::SetProfile(IProfile* pProfile)
{
    return HoldInCategoryGrid(ui->tbwProfileCata, pProfile);
}

IProfile* VProfileLosslessPage::GetCurProfile()
{
    return m_pCurProfile;
}

void VProfileLosslessPage::on_btnNext_clicked()
{
    StepScroll(ui->tbwProfileCata->verticalScrollBar(), 1);
}

void VProfileLosslessPage::on_btnPre_clicked()
{
    StepScroll(ui->tbwProfileCata->verticalScrollBar(), -1);
}

void VProfileLosslessPage::Retranslate()
{
    ui->retranslateUi(this);
    m_pageName = tr("Lossless");
}
