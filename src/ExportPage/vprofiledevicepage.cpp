#include "vprofiledevicepage.h"
#include "ui_vprofiledevicepage.h"

#include "Basilvo/Basilvo.h"
#include "CBaseException.h"
#include "IProfile.h"
#include "ProfileNodeManager.h"
#include "profilepagetools.h"
#include "vprofileparamwidget.h"

#include <QHeaderView>
#include <QScrollBar>

using namespace ProfilePageTools;

namespace {
const char* const kSource = "src/ExportPage/vprofiledevicepage";
}

VProfileDevicePage::VProfileDevicePage(ProfileNodeManager* pMgr, QWidget* parent)
    : VProfileDevicePage(pMgr, FUNC_DEVICE, parent)
{
}

VProfileDevicePage::VProfileDevicePage(ProfileNodeManager* pMgr, Function func, QWidget* parent)
    : VProfileMgrPageWidget(parent)
    , ui(new Ui::VProfileDevicePage)
    , m_pNodeMgr(pMgr)
{
    ui->setupUi(this);
    m_function = func;
    ui->tbwProfileCata->setColumnCount(4);
    ui->tbwProfileCata->horizontalHeader()->setObjectName("horiHeader");
    ui->tbwProfileCata->verticalHeader()->setObjectName("verHeader");
    ui->tbwProfileCata->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    VProfileDevicePage::Retranslate();
    updateComcoboxStyleSheet();
}

VProfileDevicePage::~VProfileDevicePage()
{
    ReleaseProfile(m_pCurProfile);
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

void VProfileDevicePage::updateComcoboxStyleSheet()
{
    ApplyComboStyleSheet(ui->frmParamSetting, m_styleSheet);
}

void VProfileDevicePage::initPageInfo()
{
    m_pCatNode = m_pNodeMgr->getCatNode();
    InitCategoryGrid(ui->tbwProfileCata, ui->btnPre, ui->btnNext, m_pNodeMgr, m_function, m_cats);
}

void VProfileDevicePage::on_tbwProfileCata_itemSelectionChanged()
{
    const int id = SelectedCategoryId(ui->tbwProfileCata);
    if (id < 0)
        return;
    ActivateCategory(m_pNodeMgr, id);
    FillFormatList();
}

void VProfileDevicePage::FillFormatList()
{
    // Emptying the list releases the current profile (index -1).
    ui->cbxFormat->clear();
    ReleaseProfile(m_pCurProfile);
    ui->frmParamSetting->showProfile(nullptr);
    const QList<LnkData*> links = m_pNodeMgr->getLnkNode()->GetList();
    for (LnkData* link : links) {
        // Each profile is read for its own name and released at once; a link
        // whose file cannot be read is listed under its link name.
        IProfile* named = LoadLinkProfile(m_pNodeMgr, link);
        const QString name = ProfileName(named, link);
        ReleaseProfile(named);
        ui->cbxFormat->addItem(name, unsigned(link->id));
    }
}

void VProfileDevicePage::on_cbxFormat_currentIndexChanged(int index)
{
    ReleaseProfile(m_pCurProfile);
    if (index == -1) {
        ui->frmParamSetting->showProfile(nullptr);
        return;
    }
    const bool done = QB_GUARDED_VOID({
        LnkData* link = m_pNodeMgr->getProfileLnkDataByID(ui->cbxFormat->itemData(index, Qt::UserRole).toInt());
        if (!link)
            throw CBaseException(QB_ERR_BAD_POINTER, "Bad pointer", __LINE__, kSource);
        m_pCurProfile = m_pNodeMgr->loadProfile(*link);
    });
    ui->frmParamSetting->showProfile(m_pCurProfile);
    if (done)
        emit signal_CurProfileChanged();
}

bool VProfileDevicePage::SetProfile(IProfile* pProfile)
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
    if (!cell->isSelected()) {
        grid->clearSelection();
        grid->setCurrentItem(cell, QItemSelectionModel::NoUpdate);
        cell->setSelected(true);
    }
    grid->scrollToItem(cell, QAbstractItemView::EnsureVisible);
    const int id = pProfile->GetDesc()->GetID();
    for (int i = 0; i < ui->cbxFormat->count(); ++i) {
        if (ui->cbxFormat->itemData(i, Qt::UserRole).toInt() != id)
            continue;
        disconnect(ui->cbxFormat, SIGNAL(currentIndexChanged(int)), this, SLOT(on_cbxFormat_currentIndexChanged(int)));
        ui->cbxFormat->setCurrentIndex(i);
        connect(ui->cbxFormat, SIGNAL(currentIndexChanged(int)), this, SLOT(on_cbxFormat_currentIndexChanged(int)));
        ReleaseProfile(m_pCurProfile);
        m_pCurProfile = pProfile->Clone();
        ui->frmParamSetting->showProfile(m_pCurProfile);
        return true;
    }
    return false;
}

IProfile* VProfileDevicePage::GetCurProfile()
{
    if (m_pCurProfile && !ui->frmParamSetting->SaveSettingToCurProfile()) {
        ReportSaveFailure(this);
        return nullptr;
    }
    return m_pCurProfile;
}

void VProfileDevicePage::on_btnNext_clicked()
{
    QScrollBar* bar = ui->tbwProfileCata->verticalScrollBar();
    bar->setValue(bar->value() + 1);
}

void VProfileDevicePage::on_btnPre_clicked()
{
    QScrollBar* bar = ui->tbwProfileCata->verticalScrollBar();
    bar->setValue(bar->value() - 1);
}

void VProfileDevicePage::Retranslate()
{
    ui->retranslateUi(this);
    m_pageName = tr("Device");
}
