#include "vprofileformatpage.h"
#include "ui_vprofileformatpage.h"

#include "vprofileparamwidget.h"

#include <QScrollBar>

VProfileFormatPage::VProfileFormatPage(ProfileNodeManager* pMgr, QWidget* parent)
    : VProfileMgrPageWidget(pMgr, FUNC_FORMAT, parent), ui(new Ui::VProfileFormatPage)
{
    ui->setupUi(this);
    m_pEditor = ui->frmParamSetting;
    SetupCategoryGrid(ui->tbwProfileCata);
    WatchEditor();
    WatchChooser(ui->tbwProfileCata);
    updateComcoboxStyleSheet();
    Retranslate();
}

VProfileFormatPage::~VProfileFormatPage()
{
    delete ui;
}

VProfileParamWidget* VProfileFormatPage::paramWidget() const
{
    return ui->frmParamSetting;
}

void VProfileFormatPage::initPageInfo()
{
    FillCategoryGrid(ui->tbwProfileCata, ui->btnPre, ui->btnNext);
}

void VProfileFormatPage::on_tbwProfileCata_itemSelectionChanged()
{
    if (ActivateSelectedCategory(ui->tbwProfileCata))
        LoadFirstProfile();
}

bool VProfileFormatPage::SetProfile(IProfile* pProfile)
{
    return HoldInCategoryGrid(ui->tbwProfileCata, pProfile);
}

IProfile* VProfileFormatPage::GetCurProfile()
{
    return SavedCurProfile();
}

void VProfileFormatPage::on_btnNext_clicked()
{
    StepScroll(ui->tbwProfileCata->verticalScrollBar(), 1);
}

void VProfileFormatPage::on_btnPre_clicked()
{
    StepScroll(ui->tbwProfileCata->verticalScrollBar(), -1);
}

void VProfileFormatPage::Retranslate()
{
    ui->retranslateUi(this);
    m_pageName = tr("Common Format");
}
