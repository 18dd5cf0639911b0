#pragma once

// The row of one output task in the task list: number, check box, profile
// icon, destination name (renamed in place), duration, and a progress area
// with start/pause, progress bar and failure information. It draws what the
// queue tells of its task: the polled record, the conversion's end and the
// upload that follows it.

#include <QIcon>
#include <QPoint>
#include <QString>
#include <QToolButton>

class CAppVariableInfo;
class CMMOutputTask;
class COutputTaskQueue;
class IProfile;
namespace Ui {
class VMOutputTaskItem;
}

class VMOutputTaskItem : public QToolButton
{
    Q_OBJECT
public:
    // The queue holds the task and outlives the row.
    VMOutputTaskItem(CMMOutputTask* task, COutputTaskQueue* queue, QWidget* parent = nullptr);
    ~VMOutputTaskItem() override;

    CMMOutputTask* getMOutputTask() const { return m_pTask; }
    bool isOutputTaskItemChecked() const { return m_bChecked; }
    bool isConverting() const { return m_bStarted; }
    void setOutputTaskItemChecked(bool bChecked);
    void setConvertStart(bool start);
    void setBtnStartConvertVisible(bool bVisible);
    void startConvertTaskFailed(bool bHideInfo);
    void giveUpConvertTheTaskItem(QString msg);
    QString getOutputTaskItemName() const;
    void setOutputTaskItemName(QString name);
    void renameOutputTask();
    void openOutputTaskOutputPath();
    void setNumbericalOrder(int n);
    void setProfileIcon(QIcon icon);
    void setIProfile(IProfile* profile);
    void ReTranslate();

    QString failureMessage() const { return m_failMessage; }
    bool isConversionFinished() const { return m_bFinished; }

signals:
    void signal_CheckedChanged(VMOutputTaskItem* item, bool bChecked);
    void signal_mOutputTaskItemStartConvert(VMOutputTaskItem* item, bool bStart);
    void signal_mOutputTaskItemReNameFinished(VMOutputTaskItem* item);
    void signal_showRightMenu(VMOutputTaskItem* item, QPoint pos);
    void signal_selectedOutputTaskItem(VMOutputTaskItem* item);

public slots:
    void on_ckbxOutPutItem_stateChanged(int state);
    void on_btnStopOrStart_clicked(bool checked);
    void on_btnFailInfo_clicked();

private slots:
    void slot_reNameTaskItem();
    void slot_reNameTaskItemFinished();
    void slot_selectedOutputTaskItem();

protected:
    bool event(QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void enterEvent(QEvent* e) override;
    void leaveEvent(QEvent* e) override;

private:
    void ShowStartTip();
    void ShowFailure();
    QString LogLink(const QString& path) const;
    QString ConversionFailureMessage(const QString& reason, const QString& jobLog) const;
    // The queue's reports about this row's task.
    void ShowPolled(int state, double percent);
    // A state's words with the task's lossless notice under them.
    QString WithNotice(const QString& state) const;
    void ShowFailed(const QString& reason, const QString& jobLog);
    void ShowFinished();
    void ShowUploadStarted();
    void ShowUploadProgress(qint64 sent, qint64 total);
    void ShowUploadSucceeded();
    void ShowUploadFailed(int reason, bool atStart, const QString& log, const QString& fileName);

    Ui::VMOutputTaskItem* ui;
    CMMOutputTask* m_pTask;
    QString m_failMessage;
    bool m_bChecked = false;
    bool m_bStarted = false;
    // The conversion ended with its file written.
    bool m_bFinished = false;
    CAppVariableInfo* m_pSettings;
    // Upload byte counts are divided by this to fit the bar's int range.
    qint64 m_uploadScale = 1;
};
