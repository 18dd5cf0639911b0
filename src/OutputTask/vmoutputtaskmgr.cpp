#include "vmoutputtaskmgr.h"
#include "ui_vmoutputtaskmgr.h"

#include "CAppVariableInfo.h"
#include "IAVConverter.h"
#include "IMirendo.h"
#include "IProfile.h"
#include "ProfileNodeManager.h"
#include "ctimelineitem.h"
#include "cmmoutputtask.h"
#include "OutputTaskNames.h"
#include "profileConfig.h"
#include "vmoutputtaskitem.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QStyle>

VMOutPutTaskMgr::VMOutPutTaskMgr(QWidget* parent)
    : QFrame(parent)
    , ui(new Ui::VMOutPutTaskMgr)
{
    ui->setupUi(this);
    m_pMirendo = CreateMirendo();
    ui->btnAddOutPutTask->setIcon(style()->standardIcon(QStyle::SP_FileDialogNewFolder));
    ui->btnAddOutPutTask->setToolTip(tr("Add"));
    ui->btnDelOutPutTask->setIcon(style()->standardIcon(QStyle::SP_TrashIcon));
    ui->btnDelOutPutTask->setToolTip(tr("Delete"));
    updateOutputMgrWidget();
}

VMOutPutTaskMgr::~VMOutPutTaskMgr()
{
    while (!m_rows.isEmpty()) {
        VMOutputTaskItem* row = m_rows.takeLast();
        CMMOutputTask* task = row->getMOutputTask();
        if (m_pConverter && task->GetConvertTaskID() >= 0)
            m_pConverter->RemoveConvertTask(task->GetConvertTaskID());
        delete row;
        delete task;
    }
    if (m_pMirendo)
        m_pMirendo->Release();
    delete ui;
}

void VMOutPutTaskMgr::updateOutputMgrWidget()
{
    const bool hasClips = m_pTimeline && m_pTimeline->ChildItemsCount() > 0;
    ui->lblOuPuMgrName->setText(hasClips ? tr("Edited movie") : tr("No media in the timeline"));
    ui->lblOutPutMgrPic->setPixmap(style()->standardIcon(QStyle::SP_MediaPlay).pixmap(32, 32));
    ui->btnAddOutPutTask->setEnabled(hasClips);
}

CYoutubeVideoInfo* VMOutPutTaskMgr::getCurrentSelectedOutputTaskYoutubeVideInfo()
{
    return m_pSelected ? m_pSelected->getMOutputTask()->GetYoutubeInfo() : nullptr;
}

QString VMOutPutTaskMgr::checkTheTaskNameIfAllReadyExistInTaskList(QString name, bool bRename)
{
    return OutputTaskNames::MakeNameUniqueInTaskList(OutputTaskNames::SanitizeTaskName(name), bRename,
                                                     m_lstTaskNames);
}

QString VMOutPutTaskMgr::checkTheTaskNameIfAllReadyExistInOuputDir(QString name, QString ext)
{
    CAppVariableInfo* settings = CAppVariableInfo::GetInstance();
    const QString folder = settings->GetInfoValue("OutputPath", QVariant()).toString();
    const QVariant policy = settings->GetInfoValue("OutputFileExist", QVariant());
    return OutputTaskNames::CheckNameInOutputDir(name, ext, m_lstTaskNames, folder, policy);
}

void VMOutPutTaskMgr::GiveProfile(VMOutputTaskItem* pItem)
{
    emit signal_GettingSelectedOutputTaskItemProfile();
    pItem->setIProfile(m_pProfile);
    if (m_pNodeMgr && m_pProfile)
        pItem->setProfileIcon(m_pNodeMgr->getProfileConfig()->getProfileIcon(m_pProfile));
    pItem->getMOutputTask()->SetOutputDstFloder(
        CAppVariableInfo::GetInstance()->GetInfoValue("OutputPath", QVariant()).toString());
}

VMOutputTaskItem* VMOutPutTaskMgr::addOutputTask()
{
    auto* task = new CMMOutputTask(m_pManager, m_pMirendo, nullptr);
    if (m_pTimeline && m_pTimeline->ChildItemsCount() > 0)
        task->SetSrcTimelineItem(const_cast<CTimelineItem*>(m_pTimeline));
    task->SetOutputDstName(checkTheTaskNameIfAllReadyExistInTaskList(tr("My Movie"), false));
    m_lstTaskNames.append(task->GetTaskDstName());
    auto* row = new VMOutputTaskItem(task, ui->frmOutputTaskItemList);
    connect(row, &VMOutputTaskItem::signal_selectedOutputTaskItem, this, &VMOutPutTaskMgr::slot_setCurrentSelectedTaskItem);
    connect(row, &VMOutputTaskItem::signal_mOutputTaskItemReNameFinished, this,
            &VMOutPutTaskMgr::slot_mOutputTaskItemReNameFinished);
    connect(row, &QToolButton::clicked, this, [this, row] { slot_setCurrentSelectedTaskItem(row); });
    ui->layTaskRows->insertWidget(m_rows.size(), row);
    m_rows << row;
    GiveProfile(row);
    Renumber();
    selectTaskItem(row);
    return row;
}

void VMOutPutTaskMgr::slot_setCurrentSelectedTaskItem(VMOutputTaskItem* pItem)
{
    selectTaskItem(pItem);
}

void VMOutPutTaskMgr::selectTaskItem(VMOutputTaskItem* pItem)
{
    for (VMOutputTaskItem* row : m_rows) {
        row->setChecked(row == pItem);
        if (!row->isConverting())
            row->setBtnStartConvertVisible(row == pItem);
    }
    if (pItem == m_pSelected)
        return;
    m_pSelected = pItem;
    IProfile* chosen = pItem ? pItem->getMOutputTask()->GetProfile(true) : nullptr;
    const bool started = pItem && pItem->isConverting();
    emit signal_SettingSelectedOutputTaskItemProfile(chosen ? chosen->Clone() : nullptr, !started, started);
    emit signal_selectedTaskItem_changed();
}

void VMOutPutTaskMgr::removeTaskItem(VMOutputTaskItem* pItem)
{
    if (!m_rows.contains(pItem))
        return;
    m_rows.removeOne(pItem);
    m_lstTaskNames.removeOne(pItem->getMOutputTask()->GetTaskDstName());
    if (m_pSelected == pItem)
        m_pSelected = nullptr;
    CMMOutputTask* task = pItem->getMOutputTask();
    if (m_pConverter && task->GetConvertTaskID() >= 0)
        m_pConverter->RemoveConvertTask(task->GetConvertTaskID());
    delete pItem;
    delete task;
    Renumber();
    emit signal_SettingSelectedOutputTaskItemProfile(nullptr, true, false);
    emit signal_selectedTaskItem_changed();
}

void VMOutPutTaskMgr::slot_CurProfileChanged()
{
    if (!m_pSelected || m_pSelected->isConverting())
        return;
    GiveProfile(m_pSelected);
}

void VMOutPutTaskMgr::Renumber()
{
    for (int i = 0; i < m_rows.size(); ++i)
        m_rows[i]->setNumbericalOrder(i + 1);
}

void VMOutPutTaskMgr::on_btnAddOutPutTask_clicked()
{
    addOutputTask();
}

void VMOutPutTaskMgr::on_btnDelOutPutTask_clicked()
{
    if (m_pSelected)
        removeTaskItem(m_pSelected);
}

void VMOutPutTaskMgr::slot_mOutputTaskItemReNameFinished(VMOutputTaskItem* pItem)
{
    if (!pItem || !m_rows.contains(pItem))
        return;
    auto* edit = pItem->findChild<QLineEdit*>(QStringLiteral("ledtOutputItemName"));
    if (!edit)
        return;
    CMMOutputTask* task = pItem->getMOutputTask();
    QString typed = edit->text();
    // The editor shows the extension beside the name; a name typed with it keeps only the base.
    const QString ext = task->GetDstFileExt();
    if (!ext.isEmpty() && typed.endsWith(ext) && typed.size() > ext.size())
        typed.chop(ext.size());
    m_lstTaskNames.removeOne(task->GetTaskDstName());
    const QString name = checkTheTaskNameIfAllReadyExistInTaskList(typed, true);
    pItem->setOutputTaskItemName(name);
    m_lstTaskNames.append(name);
}
