#include "vprofiledevicepage.h"
#include "ui_vprofiledevicepage.h"

#include "vprofileparamwidget.h"

#include <QScrollBar>

VProfileDevicePage::VProfileDevicePage(ProfileNodeManager* pMgr, QWidget* parent)
    : VProfileDevicePage(pMgr, FUNC_DEVICE, parent)
{}

VProfileDevicePage::VProfileDevicePage(ProfileNodeManager* pMgr, Function func, QWidget* parent)
    : VProfileMgrPageWidget(pMgr, func, parent), ui(new Ui::VProfileDevicePage)
{
    ui->setupUi(this);
    m_pEditor = ui->frmParamSetting;
    SetupCategoryGrid(ui->tbwProfileCata);
    WatchEditor();
    WatchChooser(ui->tbwProfileCata);
    VProfileDevicePage::Retranslate();
    updateComcoboxStyleSheet();
}

VProfileDevicePage::~VProfileDevicePage()
{
    delete ui;
}

VProfileParamWidget* VProfileDevicePage::paramWidget() const
{
    return ui->frmParamSetting;
}

QComboBox* VProfileDevicePage::formatList() const
{
    return ui->cbxFormat;
}

void VProfileDevicePage::initPageInfo()
{
    FillCategoryGrid(ui->tbwProfileCata, ui->btnPre, ui->btnNext);
}

void VProfileDevicePage::on_tbwProfileCata_itemSelectionChanged()
{
    if (ActivateSelectedCategory(ui->tbwProfileCata))
        FillProfileList(ui->cbxFormat);
}

void VProfileDevicePage::on_cbxFormat_currentIndexChanged(int index)
{
    LoadListedProfile(ui->cbxFormat, index);
}

bool VProfileDevicePage::SetProfile(IProfile* pProfile)
{
    QTableWidgetItem* cell = CategoryCellOf(ui->tbwProfileCata, pProfile);
    if (!cell)
        return false;
    QTableWidget* grid = ui->tbwProfileCata;
    // Another category is chosen as the user would choose it: its list is
    // filled and its first profile announced before the offered one is found.
    if (!cell->isSelected()) {
        grid->clearSelection();
        grid->setCurrentItem(cell, QItemSelectionModel::NoUpdate);
        cell->setSelected(true);
    }
    grid->scrollToItem(cell, QAbstractItemView::EnsureVisible);
    return SelectListedProfile(ui->cbxFormat, pProfile);
}

IProfile* VProfileDevicePage::GetCurProfile()
{
    return SavedCurProfile();
}

void VProfileDevicePage::on_btnNext_clicked()
{
    StepScroll(ui->tbwProfileCata->verticalScrollBar(), 1);
}

void VProfileDevicePage::on_btnPre_clicked()
{
    StepScroll(ui->tbwProfileCata->verticalScrollBar(), -1);
}

void VProfileDevicePage::Retranslate()
{
    ui->retranslateUi(this);
    m_pageName = tr("Device");
}
