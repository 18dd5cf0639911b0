#include "vmoutputtaskmgr.h"

#include "ProjectData/userfailuretext.h"
#include "ui_vmoutputtaskmgr.h"

#include "Basilvo/Basilvo.h"
#include "dialogs/VRichMessageBox.h"
#include "AppConfigure/CAppVariableInfo.h"
#include "ConvertTaskInfo2.h"
#include "IAVConverter.h"
#include "IMirendo.h"
#include "IProfile.h"
#include "ProfileManager/ProfileNodeManager.h"
#include "ProjectData/ctimelineitem.h"
#include "cmmoutputtask.h"
#include "COutputTaskQueue.h"
#include "OutputTaskNames.h"
#include "ProfileManager/profileConfig.h"
#include "vmoutputtaskitem.h"
#include "youtubeaccount.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QFileInfo>
#include <QVBoxLayout>
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QShortcut>
#include <QStyle>

VMOutPutTaskMgr::VMOutPutTaskMgr(QWidget* parent) : QFrame(parent), ui(new Ui::VMOutPutTaskMgr)
{
    ui->setupUi(this);
    m_pQueue = new COutputTaskQueue(this);
    m_pMirendo = CreateMirendo();
    m_pRowLayout = new QVBoxLayout;
    m_pRowLayout->setContentsMargins(0, 0, 0, 0);
    m_pRowLayout->setSpacing(0);
    m_pRowLayout->setAlignment(Qt::AlignTop);
    ui->frmOutputTaskItemList->setLayout(m_pRowLayout);
    ui->btnDelOutPutTask->setEnabled(false);
    ui->btnStartCheckedTaskLst->setEnabled(false);
    ui->frmOutputTaskItemList->installEventFilter(this);
    ui->frmOutputTaskMgr->installEventFilter(this);
    m_pButtonGroup = new QButtonGroup(this);
    m_pButtonGroup->setExclusive(true);
    connect(m_pButtonGroup, &QButtonGroup::idClicked, this, &VMOutPutTaskMgr::slot_BtnGpOutputTaskItem_buttonClicked);
    ui->btnAddOutPutTask->setIcon(style()->standardIcon(QStyle::SP_FileDialogNewFolder));
    ui->btnStartCheckedTaskLst->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    ui->btnDelOutPutTask->setIcon(style()->standardIcon(QStyle::SP_TrashIcon));
    ui->btnAddOutPutTask->setToolTip(tr("Add output task"));
    ui->btnDelOutPutTask->setToolTip(tr("Delete checked tasks"));
    ui->btnStartCheckedTaskLst->setToolTip(tr("Convert checked tasks"));
    ui->ckbxOutPutTaskLst->setToolTip(tr("Checked all tasks"));
    initMenue();
    ReTranslate();
    updateOutputMgrWidget();
}

VMOutPutTaskMgr::~VMOutPutTaskMgr()
{
    m_lstChecked.clear();
    // The rows first: they draw the tasks the queue then ends in the
    // engine and deletes.
    qDeleteAll(m_rows);
    m_rows.clear();
    delete m_pQueue;
    m_pQueue = nullptr;
    delete ui;
    ui = nullptr;
    if (m_pMirendo)
        m_pMirendo->Release();
    m_pMirendo = nullptr;
}

void VMOutPutTaskMgr::ReTranslate()
{
    ui->retranslateUi(this);
    if (m_pActDelete) {
        m_pActDelete->setText(tr("&Delete"));
        m_pActRename->setText(tr("&Rename"));
        m_pActFindTarget->setText(tr("&Find Target"));
    }
    // The form's retranslation empties the header; a task added afterwards
    // takes its name from it, so it is filled again at once.
    updateOutputMgrWidget();
}

bool VMOutPutTaskMgr::event(QEvent* e)
{
    if (e->type() == QEvent::LanguageChange && ui)
        ReTranslate();
    return QFrame::event(e);
}

bool VMOutPutTaskMgr::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() == QEvent::MouseButtonPress && m_pSelected &&
        (watched == ui->frmOutputTaskItemList || watched == ui->frmOutputTaskMgr)) {
        emit signal_CommitPendingEdit();
        m_pButtonGroup->setExclusive(false);
        m_pSelected->setChecked(false);
        if (!m_pSelected->isConverting())
            m_pSelected->setBtnStartConvertVisible(false);
        m_pSelected = nullptr;
        m_pButtonGroup->setExclusive(true);
    }
    return QFrame::eventFilter(watched, e);
}

void VMOutPutTaskMgr::setDefaultMediaImg(const QImage& img)
{
    m_defaultMediaImg = img;
    updateOutputMgrWidget();
}

void VMOutPutTaskMgr::updateOutputMgrWidget()
{
    if (!ui)
        return;
    const bool hasClips = m_pTimeline && m_pTimeline->ChildItemsCount() > 0;
    QImage picture = m_defaultMediaImg;
    if (hasClips) {
        Fablecut::ISourceDataItem* first = m_pTimeline->getItemByIndex(0);
        const QImage* thumb = first ? first->GetThumbnailData() : nullptr;
        if (thumb && !thumb->isNull())
            picture = *thumb;
        ui->lblOuPuMgrName->setText(first ? first->Name() : QString());
    } else {
        ui->lblOuPuMgrName->setText(tr("No media source for conversion"));
    }
    if (!picture.isNull())
        ui->lblOutPutMgrPic->setPixmap(
            QPixmap::fromImage(picture.scaled(48, 32, Qt::IgnoreAspectRatio, Qt::FastTransformation)));
    else
        ui->lblOutPutMgrPic->clear();
    ui->btnAddOutPutTask->setEnabled(hasClips);
    ui->ckbxOutPutTaskLst->setEnabled(hasClips);
}

CYoutubeVideoInfo* VMOutPutTaskMgr::getCurrentSelectedOutputTaskYoutubeVideInfo()
{
    return m_pSelected ? m_pSelected->getMOutputTask()->GetYoutubeInfo() : nullptr;
}

QString VMOutPutTaskMgr::checkTheTaskNameIfAllReadyExistInTaskList(QString name, bool bRename)
{
    return OutputTaskNames::MakeNameUniqueInTaskList(OutputTaskNames::SanitizeTaskName(name), bRename, m_lstTaskNames);
}

void VMOutPutTaskMgr::GiveProfile(VMOutputTaskItem* pItem)
{
    emit signal_GettingSelectedOutputTaskItemProfile();
    // No profile to hand over (the page could not store its fields): the
    // task keeps the one it has.
    if (!m_pProfile && pItem->getMOutputTask()->GetProfile(true))
        return;
    pItem->setIProfile(m_pProfile);
    if (m_pNodeMgr && m_pProfile)
        pItem->setProfileIcon(m_pNodeMgr->getProfileConfig()->getProfileIcon(m_pProfile));
}

VMOutputTaskItem* VMOutPutTaskMgr::addOutputTask()
{
    // What was typed for the selected task is that task's, not only the new one's.
    emit signal_CommitPendingEdit();
    auto* task = new CMMOutputTask(m_pManager, m_pMirendo, nullptr);
    m_pQueue->append(task);
    if (m_makeAfterAction)
        task->SetAfterAction(m_makeAfterAction());
    // Uploading after the output is on only when there is an account to use.
    task->GetYoutubeInfo()->SetEnableUpload(YoutubeAccount::HasStoredAccount());
    if (m_pTimeline && m_pTimeline->ChildItemsCount() > 0)
        task->SetSrcTimelineItem(m_pTimeline);
    task->SetOutputDstName(checkTheTaskNameIfAllReadyExistInTaskList(ui->lblOuPuMgrName->text(), false));
    m_lstTaskNames.append(task->GetTaskDstName());
    auto* row = new VMOutputTaskItem(task, m_pQueue, ui->frmOutputTaskItemList);
    connect(row, &VMOutputTaskItem::signal_selectedOutputTaskItem, this,
            &VMOutPutTaskMgr::slot_setCurrentSelectedTaskItem);
    connect(row, &VMOutputTaskItem::signal_mOutputTaskItemReNameFinished, this,
            &VMOutPutTaskMgr::slot_mOutputTaskItemReNameFinished);
    connect(row, &VMOutputTaskItem::signal_showRightMenu, this, &VMOutPutTaskMgr::slot_showRightMenu);
    connect(row, &QToolButton::clicked, this, [this, row] { slot_setCurrentSelectedTaskItem(row); });
    connect(row, &VMOutputTaskItem::signal_mOutputTaskItemStartConvert, this,
            &VMOutPutTaskMgr::slot_mOutputTaskItemStartConvert);
    connect(row, &VMOutputTaskItem::signal_CheckedChanged, this,
            &VMOutPutTaskMgr::slot_OutPutDisplayTaskCheckedChanged);
    row->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_pRowLayout->addWidget(row);
    m_rows << row;
    m_pButtonGroup->addButton(row);
    if (ui->ckbxOutPutTaskLst->isChecked())
        setSelectAllSilently(false);
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
    // A value typed while the previous row was current belongs to that row.
    if (pItem != m_pSelected && m_pSelected && m_rows.contains(m_pSelected))
        emit signal_CommitPendingEdit();
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
    if (m_pSelected == pItem)
        m_pSelected = nullptr;
    removeMOutputTaskItem(pItem);
    Renumber();
    emit signal_SettingSelectedOutputTaskItemProfile(nullptr, true, false);
    emit signal_selectedTaskItem_changed();
}

int VMOutPutTaskMgr::removeMOutputTaskItem(VMOutputTaskItem* pItem)
{
    disconnect(pItem, &VMOutputTaskItem::signal_CheckedChanged, this,
               &VMOutPutTaskMgr::slot_OutPutDisplayTaskCheckedChanged);
    const int index = qMax(0, m_rows.indexOf(pItem));
    m_pRowLayout->removeWidget(pItem);
    m_rows.removeOne(pItem);
    m_pButtonGroup->removeButton(pItem);
    m_lstChecked.removeAll(pItem);
    CMMOutputTask* task = pItem->getMOutputTask();
    if (m_rows.isEmpty() && ui->ckbxOutPutTaskLst->isChecked())
        setSelectAllSilently(false);
    m_lstTaskNames.removeOne(task->GetTaskDstName());
    // A running task leaves the engine, which cancels its job.
    m_pQueue->remove(task);
    delete pItem;
    return index;
}

void VMOutPutTaskMgr::slot_CurProfileChanged()
{
    // A task handed to the engine keeps the profile and folder it runs with.
    if (!m_pSelected || m_pSelected->isConverting() || m_pSelected->getMOutputTask()->GetBaseConvertTaskInfo())
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
    // A task that cannot reserve its working files is not added.
    try {
        addOutputTask();
    } catch (const std::exception& e) {
        qWarning("output task: not added: %s", e.what());
    } catch (...) {
        qWarning("output task: not added");
    }
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

void VMOutPutTaskMgr::setSelectAllSilently(bool bChecked)
{
    const QSignalBlocker block(ui->ckbxOutPutTaskLst);
    ui->ckbxOutPutTaskLst->setChecked(bChecked);
}

void VMOutPutTaskMgr::on_ckbxOutPutTaskLst_stateChanged(int state)
{
    const bool checked = state == Qt::Checked;
    const QList<VMOutputTaskItem*> rows = m_rows;
    for (VMOutputTaskItem* row : rows) {
        if (row->isOutputTaskItemChecked() != checked)
            row->setOutputTaskItemChecked(checked);
    }
}

void VMOutPutTaskMgr::slot_OutPutDisplayTaskCheckedChanged(VMOutputTaskItem* pItem, bool bChecked)
{
    if (!pItem)
        return;
    if (!bChecked) {
        m_lstChecked.removeAll(pItem);
        changeBtnStartEnabledByVMOutputTaskItem(pItem, true);
        if (ui->ckbxOutPutTaskLst->isChecked())
            setSelectAllSilently(false);
    } else {
        if (!m_lstChecked.contains(pItem)) {
            m_lstChecked.append(pItem);
            if (m_lstChecked.size() == m_rows.size())
                setSelectAllSilently(true);
        }
        changeBtnStartEnabledByVMOutputTaskItem(pItem, false);
    }
    const bool anyChecked = !m_lstChecked.isEmpty();
    if (ui->btnDelOutPutTask->isEnabled() != anyChecked)
        ui->btnDelOutPutTask->setEnabled(anyChecked);
}

void VMOutPutTaskMgr::changeBtnStartEnabledByVMOutputTaskItem(VMOutputTaskItem* pItem, bool bRemove)
{
    if (bRemove && pItem)
        m_lstChecked.removeAll(pItem);
    bool startable = false;
    for (VMOutputTaskItem* row : m_lstChecked)
        startable = startable || COutputTaskQueue::isStartable(row->getMOutputTask());
    if (ui->btnStartCheckedTaskLst->isEnabled() != startable)
        ui->btnStartCheckedTaskLst->setEnabled(startable);
}

void VMOutPutTaskMgr::slot_BtnGpOutputTaskItem_buttonClicked(int id)
{
    auto* row = qobject_cast<VMOutputTaskItem*>(m_pButtonGroup->button(id));
    if (row)
        slot_setCurrentSelectedTaskItem(row);
}

void VMOutPutTaskMgr::slot_mOutputTaskItemStartConvert(VMOutputTaskItem* pItem, bool bStart)
{
    try {
        StartOrPause(pItem, bStart);
    } catch (const std::exception& e) {
        qWarning("output task: start failed: %s", e.what());
    } catch (...) {
        qWarning("output task: start failed");
    }
}

void VMOutPutTaskMgr::StartOrPause(VMOutputTaskItem* pItem, bool bStart)
{
    if (!pItem || !m_rows.contains(pItem))
        return;
    CMMOutputTask* task = pItem->getMOutputTask();
    if (pItem == m_pSelected && !pItem->isConverting())
        emit signal_CommitPendingEdit();

    if (!bStart) {
        m_pQueue->pause(task);
        pItem->setConvertStart(false);
    } else if (!task->GetBaseConvertTaskInfo()) {
        // A clip whose file is gone (a disk unplugged, a folder renamed) is
        // not converted; the task starts once the files are back.
        const QStringList missing = task->MissingSourceFiles();
        if (!missing.isEmpty()) {
            pItem->giveUpForMissingFiles(missing);
            pItem->startConvertTaskFailed(false);
            changeBtnStartEnabledByVMOutputTaskItem(nullptr, true);
            return;
        }
        // A task not yet handed to the engine writes into the folder shown
        // now, under a name free there; a started one keeps its own.
        if (!task->SettleDestination(m_lstTaskNames)) {
            pItem->giveUpForTakenName(task->GetTaskDstName());
            pItem->startConvertTaskFailed(false);
            return;
        }
        pItem->setOutputTaskItemName(task->GetTaskDstName());

        // A task the engine did not take never runs: the row shows why and
        // can be started again.
        QString failure;
        if (!m_pQueue->submit(task, &failure)) {
            pItem->giveUpForRefusal(failure);
            pItem->startConvertTaskFailed(false);
            changeBtnStartEnabledByVMOutputTaskItem(nullptr, true);
            return;
        }
        if (pItem == m_pSelected) {
            emit signal_SettingSelectedOutputTaskItemProfile(nullptr, false, false);
            emit signal_selectedTaskItem_changed();
        }
        pItem->setConvertStart(true);
        pItem->setBtnStartConvertVisible(true);
    } else {
        m_pQueue->resume(task);
        pItem->setConvertStart(true);
        pItem->setBtnStartConvertVisible(true);
    }
    changeBtnStartEnabledByVMOutputTaskItem(nullptr, true);
}

void VMOutPutTaskMgr::on_btnStartCheckedTaskLst_clicked()
{
    const QList<VMOutputTaskItem*> rows = m_lstChecked;
    for (VMOutputTaskItem* row : rows) {
        if (!m_rows.contains(row))
            continue;
        if (!COutputTaskQueue::isStartable(row->getMOutputTask()))
            continue;
        slot_mOutputTaskItemStartConvert(row, true);
    }
}

void VMOutPutTaskMgr::setAVConverter(Moorland::IAVConverter* pConverter)
{
    m_pQueue->setAVConverter(pConverter);
}

int VMOutPutTaskMgr::runningTaskCount() const
{
    return m_pQueue->runningCount();
}

void VMOutPutTaskMgr::initMenue()
{
    m_pMenu = new QMenu(this);
    m_pActDelete = new QAction(this);
    m_pActRename = new QAction(this);
    m_pActFindTarget = new QAction(this);
    m_pDeleteShortcut = new QShortcut(QKeySequence(Qt::Key_Backspace), this);
    m_pRenameShortcut = new QShortcut(QKeySequence(Qt::Key_F2), this);
    // Linux users delete with the Delete key as well.
    m_pDeleteKeyShortcut = new QShortcut(QKeySequence(Qt::Key_Delete), this);
    m_pMenu->addAction(m_pActDelete);
    m_pMenu->addAction(m_pActRename);
    m_pMenu->addAction(m_pActFindTarget);
    m_pMenu->setWindowOpacity(0.75);
    connect(m_pActDelete, &QAction::triggered, this, &VMOutPutTaskMgr::slot_delteOutputTask);
    connect(m_pDeleteShortcut, &QShortcut::activated, this, &VMOutPutTaskMgr::slot_delteOutputTask);
    connect(m_pDeleteKeyShortcut, &QShortcut::activated, this, &VMOutPutTaskMgr::slot_delteOutputTask);
    connect(m_pActRename, &QAction::triggered, this, &VMOutPutTaskMgr::slot_renameOutputTask);
    connect(m_pRenameShortcut, &QShortcut::activated, this, &VMOutPutTaskMgr::slot_renameOutputTask);
    connect(m_pActFindTarget, &QAction::triggered, this, &VMOutPutTaskMgr::slot_openOutputTaskOutputPath);
}

bool VMOutPutTaskMgr::AskDelete(bool bRunning)
{
    if (bRunning) {
        VRichMessageBox box(this, QDialogButtonBox::Yes | QDialogButtonBox::No, QMessageBox::Question,
                            VRichMessageBox::ShowCaption);
        box.SetCaption(tr("Are you sure you want to delete is conversion Output task?"));
        return box.exec() == QDialog::Accepted;
    }
    return ExecVarAttrConfirmMessageBox("DeleteOutputTaskResult", "DeleteOutputTaskOption",
                                        tr("Are you sure you want to delete conversion Output task?"),
                                        QDialogButtonBox::Yes, QDialogButtonBox::No, QMessageBox::Question,
                                        QDialogButtonBox::No);
}

void VMOutPutTaskMgr::AfterRemoval(int nIndex)
{
    if (m_rows.isEmpty()) {
        emit signal_SettingSelectedOutputTaskItemProfile(nullptr, true, false);
        emit signal_selectedTaskItem_changed();
        return;
    }
    Renumber();
    if (!m_pButtonGroup->checkedButton())
        slot_setCurrentSelectedTaskItem(nIndex < m_rows.size() ? m_rows[nIndex] : m_rows.last());
}

void VMOutPutTaskMgr::slot_deleteOutputTaskItem(VMOutputTaskItem* pItem)
{
    if (!pItem || !m_rows.contains(pItem))
        return;
    const bool running =
        m_pQueue->isRunning(pItem->getMOutputTask()) && pItem->getMOutputTask()->GetBaseConvertTaskInfo();
    if (!AskDelete(running))
        return;
    if (!m_rows.contains(pItem))
        return;
    if (m_pSelected == pItem)
        m_pSelected = nullptr;
    const int index = removeMOutputTaskItem(pItem);
    AfterRemoval(index);
    if (!m_rows.isEmpty() && m_lstChecked.size() == m_rows.size() && !ui->ckbxOutPutTaskLst->isChecked())
        setSelectAllSilently(true);
}

void VMOutPutTaskMgr::slot_delteOutputTask()
{
    // A name being typed keeps its Backspace and Delete keys.
    if (qobject_cast<QLineEdit*>(QApplication::focusWidget()))
        return;
    if (!m_pSelected)
        return;
    slot_deleteOutputTaskItem(m_pSelected);
    if (m_lstChecked.isEmpty()) {
        ui->btnDelOutPutTask->setEnabled(false);
        ui->btnStartCheckedTaskLst->setEnabled(false);
    } else {
        changeBtnStartEnabledByVMOutputTaskItem(nullptr, true);
    }
}

void VMOutPutTaskMgr::on_btnDelOutPutTask_clicked()
{
    QList<VMOutputTaskItem*> rows;
    bool running = false;
    for (VMOutputTaskItem* row : QList<VMOutputTaskItem*>(m_lstChecked)) {
        if (m_pSelected == row)
            m_pSelected = nullptr;
        running =
            running || (m_pQueue->isRunning(row->getMOutputTask()) && row->getMOutputTask()->GetBaseConvertTaskInfo());
        rows << row;
    }
    if (!rows.isEmpty() && AskDelete(running)) {
        removeCheckedOutputDisplayTask(rows);
        ui->btnDelOutPutTask->setEnabled(false);
        ui->btnStartCheckedTaskLst->setEnabled(false);
    }
    changeBtnStartEnabledByVMOutputTaskItem(nullptr, true);
}

bool VMOutPutTaskMgr::removeCheckedOutputDisplayTask(QList<VMOutputTaskItem*> rows)
{
    int index = 0;
    for (VMOutputTaskItem* row : rows) {
        if (!m_rows.contains(row))
            continue;
        if (m_pSelected == row)
            m_pSelected = nullptr;
        index = removeMOutputTaskItem(row);
    }
    AfterRemoval(index);
    return true;
}

void VMOutPutTaskMgr::slot_renameOutputTask()
{
    if (m_pSelected && !m_pSelected->getMOutputTask()->GetBaseConvertTaskInfo())
        m_pSelected->renameOutputTask();
}

void VMOutPutTaskMgr::slot_openOutputTaskOutputPath()
{
    if (m_pSelected)
        m_pSelected->openOutputTaskOutputPath();
}

void VMOutPutTaskMgr::slot_showRightMenu(VMOutputTaskItem* pItem, QPoint pos)
{
    if (!pItem || !m_rows.contains(pItem))
        return;
    if (pItem != m_pSelected)
        slot_setCurrentSelectedTaskItem(pItem);
    const bool renamable = !pItem->getMOutputTask()->GetBaseConvertTaskInfo();
    m_pActRename->setEnabled(renamable);
    m_pRenameShortcut->setEnabled(renamable);
    m_pMenu->popup(pos);
}
