#pragma once

// The row of one output task in the task list: number, check box, profile
// icon, destination name (renamed in place), duration, and a progress area
// with start/pause, progress bar and failure information. It polls the
// task's job record every 500 ms and, for a finished upload task, uploads
// the file and shows the upload.

#include "IYoutubeUpload.h"

#include <QByteArray>
#include <QIcon>
#include <QPoint>
#include <QString>
#include <QToolButton>

class CAppVariableInfo;
class CMMOutputTask;
class IProfile;
class QTimer;
namespace Ui { class VMOutputTaskItem; }

class VMOutputTaskItem : public QToolButton, public IYoutubeUpload::IUploadCallBack
{
    Q_OBJECT
public:
    VMOutputTaskItem(CMMOutputTask* task, QWidget* parent = nullptr);
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

    // The stored upload account, read again before each start and upload.
    void initYoutubeAccountInfo();
    void loadYoutubeAccountInfo();
    void initYotubeUpload();
    bool initUploadTask();

    QString failureMessage() const { return m_failMessage; }
    bool isConversionFinished() const { return m_bFinished; }

    // The uploader's reports, on the GUI thread.
    void OnUploadInitFailed(IYoutubeUpload::UploadFaildReason reason) override;
    void OnUploadTaskProgressChanged(IYoutubeUploadTask* task, qint64 sent, qint64 total) override;
    void OnUploadTaskSucceed(IYoutubeUploadTask* task) override;
    void OnUploadTaskFailed(IYoutubeUploadTask* task, IYoutubeUpload::UploadFaildReason reason) override;
    void OnUploadCancelled() override {}
    void OnAllTasksCompleted() override {}

signals:
    void signal_CheckedChanged(VMOutputTaskItem* item, bool bChecked);
    void signal_mOutputTaskItemStartConvert(VMOutputTaskItem* item, bool bStart);
    void signal_mOutputTaskItemConvertFinished(VMOutputTaskItem* item);
    void signal_mOutputTaskItemConvertFailed(VMOutputTaskItem* item);
    void signal_mOutputTaskItemReNameFinished(VMOutputTaskItem* item);
    void signal_mOutputTaskItemUploadFailedOrfinished(VMOutputTaskItem* item);
    void signal_showRightMenu(VMOutputTaskItem* item, QPoint pos);
    void signal_selectedOutputTaskItem(VMOutputTaskItem* item);

public slots:
    void on_ckbxOutPutItem_stateChanged(int state);
    void on_btnStopOrStart_clicked(bool checked);
    void on_btnFailInfo_clicked();
    void slot_TimerUpdateProgressBarValue();

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
    QString ConversionFailureMessage() const;
    void DeleteTimer();

    Ui::VMOutputTaskItem* ui;
    CMMOutputTask* m_pTask;
    QTimer* m_pTimer = nullptr;
    QString m_failMessage;
    bool m_bChecked = false;
    bool m_bStarted = false;
    // The conversion ended with its file written.
    bool m_bFinished = false;
    IYoutubeUpload* m_pUploader = nullptr;
    QByteArray m_accountKey;
    CAppVariableInfo* m_pSettings;
    QString m_user;
    QString m_password;
    // Upload byte counts are divided by this to fit the bar's int range.
    qint64 m_uploadScale = 1;
};
