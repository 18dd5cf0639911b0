#pragma once

// The row of one output task in the task list: number, check box, profile
// icon, destination name (renamed in place), duration, and a progress area
// with start/pause, progress bar and failure information. It draws what the
// queue tells of its task: the polled record, the conversion's end and the
// upload that follows it.

#include <QIcon>
#include <QPoint>
#include <QString>
#include <QStringList>
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
    // Why the task did not start or did not end well, shown by the failure
    // button. The row keeps what failed and its figures and puts them into
    // words each time they are shown, in the language of that moment; the
    // text given here stands as it is.
    void giveUpConvertTheTaskItem(QString msg);
    // The timeline's files that no longer exist.
    void giveUpForMissingFiles(const QStringList& files);
    // The output folder holds the task's file and the policy says skip.
    void giveUpForTakenName(const QString& name);
    // The engine did not take the job: its reason, in the engine's words.
    void giveUpForRefusal(const QString& reason);
    QString getOutputTaskItemName() const;
    void setOutputTaskItemName(QString name);
    void renameOutputTask();
    void openOutputTaskOutputPath();
    void setNumbericalOrder(int n);
    void setProfileIcon(QIcon icon);
    void setIProfile(IProfile* profile);
    void ReTranslate();

    // The failure's words now.
    QString failureMessage() const;
    // A tooltip's source text and its disambiguation, translated when set.
    struct Tip
    {
        const char* text;
        const char* comment;
    };
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

    // What failed, with the figures its words need.
    struct Failure
    {
        enum Kind { None, Words, MissingFiles, TakenName, Refused, Conversion, Upload };
        Kind kind = None;
        // Words: the text; MissingFiles: the files; TakenName: the name;
        // Refused: the reason; Conversion: the reason and the job's log;
        // Upload: the log and the file's name.
        QStringList figures;
        int reason = 0; // Upload: an UploadFailure::Reason
        bool atStart = false;
    };
    static QString UploadWords(const Failure& f, const QString& linkColour);
    void SetBarTip(Tip tip, bool withNotice = false);
    void SetFailTip(Tip tip);

    Ui::VMOutputTaskItem* ui;
    CMMOutputTask* m_pTask;
    Failure m_failure;
    Tip m_barTip{nullptr, nullptr};
    bool m_barTipNotice = false;
    Tip m_failTip{nullptr, nullptr};
    bool m_bChecked = false;
    bool m_bStarted = false;
    // The conversion ended with its file written.
    bool m_bFinished = false;
    CAppVariableInfo* m_pSettings;
    // Upload byte counts are divided by this to fit the bar's int range.
    qint64 m_uploadScale = 1;
};
