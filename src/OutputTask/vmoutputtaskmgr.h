#pragma once

// The task list of the output page: one output task and one row per queued
// job. It hands its tasks the profile the output page gives it, tells the
// page which task is selected, and removes the engine's task before it
// deletes one of its own.

#include <QFrame>
#include <QImage>
#include <QList>
#include <QStringList>

#include <functional>
#include <memory>

class CMMOutputTask;
class COutputTaskQueue;
class IOutputTaskAction;
class CTimelineItem;
class CYoutubeVideoInfo;
class IMirendo;
class IProfile;
class ProfileNodeManager;
class QAction;
class QButtonGroup;
class QMenu;
class QShortcut;
class QVBoxLayout;
class VMOutputTaskItem;
namespace Moorland {
class IAVConverter;
class IAVManager;
} // namespace Moorland
namespace Ui {
class VMOutPutTaskMgr;
}

class VMOutPutTaskMgr : public QFrame
{
    Q_OBJECT
    Q_PROPERTY(QImage defaultMediaImg READ getDefaultMediaImg WRITE setDefaultMediaImg)
public:
    explicit VMOutPutTaskMgr(QWidget* parent = nullptr);
    ~VMOutPutTaskMgr() override;

    void setAVManager(Moorland::IAVManager* pManager) { m_pManager = pManager; }
    void setAVConverter(Moorland::IAVConverter* pConverter);
    void setTimeLineItem(const CTimelineItem* pTimeline) { m_pTimeline = pTimeline; }
    void setDefaultIProfile(IProfile* pProfile) { m_pDefaultProfile = pProfile; }
    void setIProfile(IProfile* pProfile) { m_pProfile = pProfile; }
    void setProfileNodeMgr(ProfileNodeManager* pMgr) { m_pNodeMgr = pMgr; }

    const CTimelineItem* timeLineItem() const { return m_pTimeline; }
    IProfile* defaultIProfile() const { return m_pDefaultProfile; }
    ProfileNodeManager* profileNodeMgr() const { return m_pNodeMgr; }

    // Tasks still in the engine's care: converting, paused or uploading.
    int runningTaskCount() const;
    // What quitting would end: the quit question is asked while there is
    // one; finished and never-started tasks lose nothing.
    int getOutputTaskCount() const { return runningTaskCount(); }
    // The tasks and their engine bookkeeping; the rows show them.
    COutputTaskQueue* queue() const { return m_pQueue; }
    void updateOutputMgrWidget();
    void ReTranslate();
    QImage getDefaultMediaImg() const { return m_defaultMediaImg; }
    void setDefaultMediaImg(const QImage& img);
    QList<VMOutputTaskItem*> checkedTaskItems() const { return m_lstChecked; }
    CYoutubeVideoInfo* getCurrentSelectedOutputTaskYoutubeVideInfo();

    // Adds a task for the timeline with the page's current profile and selects it.
    VMOutputTaskItem* addOutputTask();
    void selectTaskItem(VMOutputTaskItem* pItem);
    void removeTaskItem(VMOutputTaskItem* pItem);
    VMOutputTaskItem* selectedTaskItem() const { return m_pSelected; }
    QList<VMOutputTaskItem*> taskItems() const { return m_rows; }
    QStringList taskNameRegister() const { return m_lstTaskNames; }

    // The name a task gets: unique among the list's tasks (bRename false when
    // a task is added, true when a row's rename ends). A first start makes
    // it free in the output folder too (CMMOutputTask::SettleDestination).
    QString checkTheTaskNameIfAllReadyExistInTaskList(QString name, bool bRename);
    // What each new task carries to run after its conversion (the upload);
    // without it a task's conversion is the whole of it.
    void setAfterTaskAction(std::function<std::unique_ptr<IOutputTaskAction>()> make)
    {
        m_makeAfterAction = std::move(make);
    }

signals:
    void signal_SettingSelectedOutputTaskItemProfile(IProfile* pProfile, bool bEnable, bool bStart);
    void signal_GettingSelectedOutputTaskItemProfile();
    void signal_selectedTaskItem_changed();
    // Asks the profile area to hand over a value typed but not yet
    // confirmed, while the task it was typed for is still the selected one.
    void signal_CommitPendingEdit();

public slots:
    void slot_CurProfileChanged();
    void slot_mOutputTaskItemReNameFinished(VMOutputTaskItem* pItem);
    void on_ckbxOutPutTaskLst_stateChanged(int state);
    void slot_OutPutDisplayTaskCheckedChanged(VMOutputTaskItem* pItem, bool bChecked);
    void slot_BtnGpOutputTaskItem_buttonClicked(int id);
    void on_btnStartCheckedTaskLst_clicked();
    void slot_deleteOutputTaskItem(VMOutputTaskItem* pItem);
    void slot_delteOutputTask();
    void slot_renameOutputTask();
    void slot_openOutputTaskOutputPath();
    void slot_showRightMenu(VMOutputTaskItem* pItem, QPoint pos);
    void slot_mOutputTaskItemStartConvert(VMOutputTaskItem* pItem, bool bStart);

private slots:
    void on_btnAddOutPutTask_clicked();
    void on_btnDelOutPutTask_clicked();
    void slot_setCurrentSelectedTaskItem(VMOutputTaskItem* pItem);

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void changeBtnStartEnabledByVMOutputTaskItem(VMOutputTaskItem* pItem, bool bRemove);
    void setSelectAllSilently(bool bChecked);
    void StartOrPause(VMOutputTaskItem* pItem, bool bStart);
    void initMenue();
    int removeMOutputTaskItem(VMOutputTaskItem* pItem);
    bool removeCheckedOutputDisplayTask(QList<VMOutputTaskItem*> rows);
    bool AskDelete(bool bRunning);
    void AfterRemoval(int nIndex);
    void Renumber();
    void GiveProfile(VMOutputTaskItem* pItem);

    Ui::VMOutPutTaskMgr* ui;
    Moorland::IAVManager* m_pManager = nullptr;
    const CTimelineItem* m_pTimeline = nullptr;
    IProfile* m_pDefaultProfile = nullptr;
    IProfile* m_pProfile = nullptr;
    ProfileNodeManager* m_pNodeMgr = nullptr;
    IMirendo* m_pMirendo = nullptr;
    QList<VMOutputTaskItem*> m_rows;
    QStringList m_lstTaskNames;
    QList<VMOutputTaskItem*> m_lstChecked;
    QVBoxLayout* m_pRowLayout = nullptr;
    QButtonGroup* m_pButtonGroup = nullptr;
    QImage m_defaultMediaImg;
    QMenu* m_pMenu = nullptr;
    QAction* m_pActDelete = nullptr;
    QAction* m_pActRename = nullptr;
    QAction* m_pActFindTarget = nullptr;
    QShortcut* m_pDeleteShortcut = nullptr;
    QShortcut* m_pRenameShortcut = nullptr;
    QShortcut* m_pDeleteKeyShortcut = nullptr;
    VMOutputTaskItem* m_pSelected = nullptr;
    COutputTaskQueue* m_pQueue = nullptr;
    std::function<std::unique_ptr<IOutputTaskAction>()> m_makeAfterAction;
};
