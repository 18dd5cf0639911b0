#include "vprofileonlinepage.h"
#include "ui_vprofileonlinepage.h"

#include "CBaseException.h"
#include "IProfile.h"
#include "ProfileNodeManager.h"
#include "profilepagetools.h"
#include "vprofileparamspwidget.h"
#include "vyoutubesettingwidget.h"

#include <QEvent>
#include <QScrollBar>

using namespace ProfilePageTools;

namespace {
const char* const kSource = "../../../src/ExportPage/vprofileonlinepage";
}

VProfileOnlinePage::VProfileOnlinePage(ProfileNodeManager* pMgr, QWidget* parent)
    : VProfileMgrPageWidget(parent)
    , ui(new Ui::VProfileOnlinePage)
    , m_pNodeMgr(pMgr)
{
    ui->setupUi(this);
    m_function = FUNC_ONLINE;
    ui->lstwProfileCata->setAttribute(Qt::WA_MacShowFocusRect, false);
    Retranslate();
    updateComcoboxStyleSheet();
    ui->lstwProfileCata->installEventFilter(this);
}

VProfileOnlinePage::~VProfileOnlinePage()
{
    ReleaseProfile(m_pCurProfile);
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

void VProfileOnlinePage::updateComcoboxStyleSheet()
{
    ApplyComboStyleSheet(ui->frmParamSetting, m_styleSheet);
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
    ui->cbxFormat->clear();
    ReleaseProfile(m_pCurProfile);
    ui->frmParamSetting->showProfile(nullptr);
    const QList<LnkData*> links = m_pNodeMgr->getLnkNode()->GetList();
    for (LnkData* link : links) {
        IProfile* named = LoadLinkProfile(m_pNodeMgr, link);
        const QString name = ProfileName(named, link);
        ReleaseProfile(named);
        ui->cbxFormat->addItem(name, unsigned(link->id));
    }
}

void VProfileOnlinePage::on_cbxFormat_currentIndexChanged(int index)
{
    ReleaseProfile(m_pCurProfile);
    if (index == -1) {
        ui->frmParamSetting->showProfile(nullptr);
        return;
    }
    try {
        LnkData* link = m_pNodeMgr->getProfileLnkDataByID(ui->cbxFormat->itemData(index, Qt::UserRole).toInt());
        if (!link)
            throw CBaseException(QB_ERR_BAD_POINTER, "Bad pointer", 179, kSource);
        m_pCurProfile = m_pNodeMgr->loadProfile(*link);
        ui->frmParamSetting->showProfile(m_pCurProfile);
        emit signal_CurProfileChanged();
        return;
    } catch (...) {
        QuentaBased::RecordCurrentException(184, kSource);
    }
    ui->frmParamSetting->showProfile(nullptr);
}

bool VProfileOnlinePage::SetProfile(IProfile* pProfile)
{
    if (!pProfile)
        return false;
    LnkData* link = m_pNodeMgr->getProfileLnkData(pProfile);
    if (!link || !m_cats.contains(link->parent))
        return false;
    const int id = pProfile->GetDesc()->GetID();
    for (int row = 0; row < ui->lstwProfileCata->count(); ++row) {
        QListWidgetItem* item = ui->lstwProfileCata->item(row);
        if (item->data(Qt::UserRole).toInt() != link->parent->id)
            continue;
        if (!item->isSelected()) {
            ui->lstwProfileCata->clearSelection();
            item->setSelected(true);
        }
        ui->lstwProfileCata->scrollToItem(item, QAbstractItemView::EnsureVisible);
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
    }
    return false;
}

IProfile* VProfileOnlinePage::GetCurProfile()
{
    if (m_pCurProfile && !ui->frmParamSetting->SaveSettingToCurProfile()) {
        ReportSaveFailure(this);
        return nullptr;
    }
    return m_pCurProfile;
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
    QScrollBar* bar = ui->lstwProfileCata->horizontalScrollBar();
    bar->setValue(bar->value() + 1);
}

void VProfileOnlinePage::on_btnPre_clicked()
{
    QScrollBar* bar = ui->lstwProfileCata->horizontalScrollBar();
    bar->setValue(bar->value() - 1);
}

bool VProfileOnlinePage::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == ui->lstwProfileCata && e->type() == QEvent::Resize)
        UpdateArrows();
    return QObject::eventFilter(watched, e);
}

void VProfileOnlinePage::Retranslate()
{
    ui->retranslateUi(this);
    m_pageName = tr("Online");
}
