#include "vprofilemgrpagewidget.h"

#include "CBaseException.h"
#include "IProfile.h"
#include "ProfileManager/ProfileNodeManager.h"
#include "profilepagetools.h"
#include "vprofileparambase.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QMouseEvent>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableWidget>

using namespace ProfilePageTools;

namespace {
const char* const kSource = "src/ExportPage/vprofilemgrpagewidget";
}

VProfileMgrPageWidget::VProfileMgrPageWidget(QWidget* parent) : QWidget(parent) {}

VProfileMgrPageWidget::VProfileMgrPageWidget(ProfileNodeManager* pMgr, Function func, QWidget* parent)
    : QWidget(parent), m_function(func), m_pNodeMgr(pMgr)
{}

VProfileMgrPageWidget::~VProfileMgrPageWidget()
{
    ReleaseProfile(m_pCurProfile);
}

QString VProfileMgrPageWidget::GetPageName()
{
    return m_pageName;
}

VProfileMgrPageWidget::Function VProfileMgrPageWidget::GetPageFution()
{
    return m_function;
}

void VProfileMgrPageWidget::CommitPendingEdit()
{
    if (m_pEditor)
        m_pEditor->CommitPendingEdit();
}

void VProfileMgrPageWidget::WatchEditor()
{
    if (m_pEditor)
        connect(m_pEditor, &VProfileParamBase::signal_ValueEdited, this,
                &VProfileMgrPageWidget::signal_CurProfileChanged);
}

void VProfileMgrPageWidget::WatchChooser(QAbstractItemView* view)
{
    m_pChooser = view;
    view->setTabKeyNavigation(false);
    view->setFocusPolicy(Qt::StrongFocus);
    view->viewport()->installEventFilter(this);
    connect(view, &QAbstractItemView::clicked, this, [this](const QModelIndex&) {
        if (m_bReclick && m_pCurProfile)
            emit signal_CurProfileChanged();
        m_bReclick = false;
    });
}

bool VProfileMgrPageWidget::eventFilter(QObject* watched, QEvent* e)
{
    if (m_pChooser && watched == m_pChooser->viewport() && e->type() == QEvent::MouseButtonPress) {
        const QModelIndex index = m_pChooser->indexAt(static_cast<QMouseEvent*>(e)->pos());
        m_bReclick = index.isValid() && m_pChooser->selectionModel()->isSelected(index);
    }
    return QWidget::eventFilter(watched, e);
}

void VProfileMgrPageWidget::SetupCategoryGrid(QTableWidget* grid)
{
    grid->setColumnCount(4);
    grid->horizontalHeader()->setObjectName("horiHeader");
    grid->verticalHeader()->setObjectName("verHeader");
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    PaintCategoryCellsPlainly(grid);
}

void VProfileMgrPageWidget::FillCategoryGrid(QTableWidget* grid, QAbstractButton* pre, QAbstractButton* next)
{
    m_pCatNode = m_pNodeMgr->getCatNode();
    InitCategoryGrid(grid, pre, next, m_pNodeMgr, m_function, m_cats);
}

bool VProfileMgrPageWidget::ActivateSelectedCategory(QTableWidget* grid)
{
    const int id = SelectedCategoryId(grid);
    if (id < 0)
        return false;
    ActivateCategory(m_pNodeMgr, id);
    return true;
}

LnkData* VProfileMgrPageWidget::OwnLink(IProfile* pProfile)
{
    if (!pProfile)
        return nullptr;
    LnkData* link = m_pNodeMgr->getProfileLnkData(pProfile);
    return link && m_cats.contains(link->parent) ? link : nullptr;
}

QTableWidgetItem* VProfileMgrPageWidget::CategoryCellOf(QTableWidget* grid, IProfile* pProfile)
{
    LnkData* link = OwnLink(pProfile);
    return link ? FindCategoryCell(grid, link->parent->id) : nullptr;
}

bool VProfileMgrPageWidget::HoldInCategoryGrid(QTableWidget* grid, IProfile* pProfile)
{
    QTableWidgetItem* cell = CategoryCellOf(grid, pProfile);
    if (!cell)
        return false;
    disconnect(grid, SIGNAL(itemSelectionChanged()), this, SLOT(on_tbwProfileCata_itemSelectionChanged()));
    grid->clearSelection();
    grid->setCurrentItem(cell, QItemSelectionModel::NoUpdate);
    cell->setSelected(true);
    connect(grid, SIGNAL(itemSelectionChanged()), this, SLOT(on_tbwProfileCata_itemSelectionChanged()));
    grid->scrollToItem(cell, QAbstractItemView::EnsureVisible);
    KeepCloneOf(pProfile);
    return true;
}

void VProfileMgrPageWidget::StepScroll(QScrollBar* bar, int step)
{
    bar->setValue(bar->value() + step);
}

void VProfileMgrPageWidget::ShowInEditor(IProfile* pProfile)
{
    if (m_pEditor)
        m_pEditor->showProfile(pProfile);
}

void VProfileMgrPageWidget::LoadFirstProfile()
{
    ReleaseProfile(m_pCurProfile);
    // Shown empty first, so that the panel drops the released profile even
    // when nothing new can be loaded (no visible link, an unreadable file).
    ShowInEditor(nullptr);
    m_pCurProfile = LoadFirstLinkProfile(m_pNodeMgr);
    ShowInEditor(m_pCurProfile);
    emit signal_CurProfileChanged();
}

void VProfileMgrPageWidget::KeepCloneOf(IProfile* pProfile)
{
    ReleaseProfile(m_pCurProfile);
    m_pCurProfile = pProfile->Clone();
    ShowInEditor(m_pCurProfile);
}

IProfile* VProfileMgrPageWidget::SavedCurProfile()
{
    if (m_pEditor && m_pCurProfile && !m_pEditor->SaveSettingToCurProfile()) {
        ReportSaveFailure(this);
        return nullptr;
    }
    return m_pCurProfile;
}

void VProfileMgrPageWidget::updateComcoboxStyleSheet()
{
    if (m_pEditor)
        ApplyComboStyleSheet(m_pEditor, m_styleSheet);
}

void VProfileMgrPageWidget::FillProfileList(QComboBox* list)
{
    // Emptying the list releases the current profile (index -1).
    list->clear();
    ReleaseProfile(m_pCurProfile);
    ShowInEditor(nullptr);
    const QList<LnkData*> links = m_pNodeMgr->getLnkNode()->GetList();
    for (LnkData* link : links) {
        // Each profile is read for its own name and released at once; a link
        // whose file cannot be read is listed under its link name.
        IProfile* named = LoadLinkProfile(m_pNodeMgr, link);
        const QString name = ProfileName(named, link);
        ReleaseProfile(named);
        list->addItem(name, unsigned(link->id));
    }
}

void VProfileMgrPageWidget::LoadListedProfile(QComboBox* list, int index)
{
    ReleaseProfile(m_pCurProfile);
    if (index == -1) {
        ShowInEditor(nullptr);
        return;
    }
    const bool done = QB_GUARDED_VOID({
        LnkData* link = m_pNodeMgr->getProfileLnkDataByID(list->itemData(index, Qt::UserRole).toInt());
        if (!link)
            throw CBaseException(QB_ERR_BAD_POINTER, "Bad pointer", __LINE__, kSource);
        m_pCurProfile = m_pNodeMgr->loadProfile(*link);
    });
    ShowInEditor(m_pCurProfile);
    if (done)
        emit signal_CurProfileChanged();
}

bool VProfileMgrPageWidget::SelectListedProfile(QComboBox* list, IProfile* pProfile)
{
    const int id = pProfile->GetDesc()->GetID();
    for (int i = 0; i < list->count(); ++i) {
        if (list->itemData(i, Qt::UserRole).toInt() != id)
            continue;
        disconnect(list, SIGNAL(currentIndexChanged(int)), this, SLOT(on_cbxFormat_currentIndexChanged(int)));
        list->setCurrentIndex(i);
        connect(list, SIGNAL(currentIndexChanged(int)), this, SLOT(on_cbxFormat_currentIndexChanged(int)));
        KeepCloneOf(pProfile);
        return true;
    }
    return false;
}
