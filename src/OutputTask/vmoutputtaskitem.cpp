#include "vmoutputtaskitem.h"

#include "ProjectData/userfailuretext.h"
#include "ui_vmoutputtaskitem.h"

#include "AppConfigure/CAppVariableInfo.h"
#include "utility/CBaseTime.h"
#include "COutputTaskQueue.h"
#include "ConvertTaskInfo2.h"
#include "IOutputTaskAction.h"
#include "dialogs/VRichMessageBox.h"
#include "cmmoutputtask.h"
#include "utility/fileutils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QStyle>
#include <QUrl>

#include <climits>

VMOutputTaskItem::VMOutputTaskItem(CMMOutputTask* task, COutputTaskQueue* queue, QWidget* parent)
    : QToolButton(parent), ui(new Ui::VMOutputTaskItem), m_pTask(task), m_pSettings(CAppVariableInfo::GetInstance())
{
    setCheckable(true);
    ui->setupUi(this);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    layout()->setContentsMargins(0, 0, 0, 0);
    layout()->setSpacing(0);
    // Tall enough for the profile icon (36 x 48) and the name beside it.
    setMinimumHeight(56);
    ui->btnStopOrStart->setCheckable(true);
    ui->btnStopOrStart->setChecked(false);
    ui->btnStopOrStart->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    ui->btnFailInfo->setIcon(style()->standardIcon(QStyle::SP_MessageBoxWarning));
    ui->pgBarOutPutItemConvert->hide();
    ui->lblOutPutItemDuration->setText(
        QString::fromStdString(CBaseTimeFormat::BaseTimeToStrHH_MM_SS(m_pTask->GetTaskDuration())));
    ui->pgBarOutPutItemConvert->setFormat("%p%");
    ui->pgBarOutPutItemConvert->setMaximum(100);
    ui->btnFailInfo->hide();
    ui->btnStopOrStart->hide();
    connect(ui->ledtOutputItemName, &VMOutputTaskNameEdt::signal_reNameTaskItem, this,
            &VMOutputTaskItem::slot_reNameTaskItem);
    connect(ui->ledtOutputItemName, &VMOutputTaskNameEdt::signal_reNameTaskItemFinished, this,
            &VMOutputTaskItem::slot_reNameTaskItemFinished);
    connect(ui->ledtOutputItemName, &VMOutputTaskNameEdt::signal_selectedOutputTaskItem, this,
            &VMOutputTaskItem::slot_selectedOutputTaskItem);
    ui->ledtOutputItemName->setTaskNameEdt(m_pTask->GetTaskDstName() + m_pTask->GetDstFileExt());
    if (!queue)
        return;
    // Every row hears of every task; each draws its own.
    connect(queue, &COutputTaskQueue::taskPolled, this, [this](CMMOutputTask* t, int state, double percent) {
        if (t == m_pTask)
            ShowPolled(state, percent);
    });
    connect(queue, &COutputTaskQueue::taskFailed, this,
            [this](CMMOutputTask* t, const QString& reason, const QString& log) {
                if (t == m_pTask)
                    ShowFailed(reason, log);
            });
    connect(queue, &COutputTaskQueue::taskFinished, this, [this](CMMOutputTask* t) {
        if (t == m_pTask)
            ShowFinished();
    });
    connect(queue, &COutputTaskQueue::uploadStarted, this, [this](CMMOutputTask* t) {
        if (t == m_pTask)
            ShowUploadStarted();
    });
    connect(queue, &COutputTaskQueue::uploadProgress, this, [this](CMMOutputTask* t, qint64 sent, qint64 total) {
        if (t == m_pTask)
            ShowUploadProgress(sent, total);
    });
    connect(queue, &COutputTaskQueue::uploadSucceeded, this, [this](CMMOutputTask* t) {
        if (t == m_pTask)
            ShowUploadSucceeded();
    });
    connect(queue, &COutputTaskQueue::uploadFailed, this,
            [this](CMMOutputTask* t, int reason, bool atStart, const QString& log, const QString& name) {
                if (t == m_pTask)
                    ShowUploadFailed(reason, atStart, log, name);
            });
}

VMOutputTaskItem::~VMOutputTaskItem()
{
    delete ui;
}

void VMOutputTaskItem::setOutputTaskItemChecked(bool bChecked)
{
    ui->ckbxOutPutItem->setChecked(bChecked);
}

void VMOutputTaskItem::ShowStartTip()
{
    const bool running = ui->btnStopOrStart->isChecked();
    ui->btnStopOrStart->setToolTip(running ? tr("Pause", "暂停") : tr("Start", "开始"));
    ui->btnStopOrStart->setIcon(style()->standardIcon(running ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
}

void VMOutputTaskItem::setConvertStart(bool start)
{
    if (start) {
        if (!ui->btnFailInfo->isHidden())
            ui->btnFailInfo->hide();
        if (!ui->btnStopOrStart->isChecked())
            ui->btnStopOrStart->setChecked(true);
        if (ui->pgBarOutPutItemConvert->isHidden()) {
            ui->pgBarOutPutItemConvert->show();
            ui->pgBarOutPutItemConvert->setEnabled(true);
            ui->pgBarOutPutItemConvert->setValue(0);
        }
        ui->ledtOutputItemName->setEnabled(false);
        m_bStarted = true;
        ui->pgBarOutPutItemConvert->setToolTip(tr("Converting", "正在转换"));
    } else {
        ui->pgBarOutPutItemConvert->setToolTip(tr("Pause", "暂停"));
    }
    ShowStartTip();
}

void VMOutputTaskItem::setBtnStartConvertVisible(bool bVisible)
{
    ui->btnStopOrStart->setVisible(bVisible);
    if (bVisible)
        ShowStartTip();
}

void VMOutputTaskItem::startConvertTaskFailed(bool bHideInfo)
{
    if (ui->btnStopOrStart->isChecked()) {
        ui->btnStopOrStart->setChecked(false);
        ShowStartTip();
    }
    ui->btnFailInfo->setVisible(!bHideInfo);
    ui->btnFailInfo->setToolTip(tr("Conversion canceled", "转换已取消"));
}

void VMOutputTaskItem::giveUpConvertTheTaskItem(QString msg)
{
    m_failMessage = msg;
}

QString VMOutputTaskItem::getOutputTaskItemName() const
{
    return ui->ledtOutputItemName->text();
}

void VMOutputTaskItem::setOutputTaskItemName(QString name)
{
    m_pTask->SetOutputDstName(name);
    ui->ledtOutputItemName->setTaskNameEdt(name + m_pTask->GetDstFileExt());
}

void VMOutputTaskItem::renameOutputTask()
{
    ui->ledtOutputItemName->setTaskNameEdt(m_pTask->GetTaskDstName());
    ui->ledtOutputItemName->setFocusPolicy(Qt::ClickFocus);
    ui->ledtOutputItemName->setFocus(Qt::MouseFocusReason);
    ui->ledtOutputItemName->selectAll();
}

void VMOutputTaskItem::openOutputTaskOutputPath()
{
    // The task's destination, as the task composes it.
    const QString path = m_pTask->DestinationFilePath();
    if (!path.isEmpty())
        OpenFloderWithShell(QFileInfo(path).absolutePath(), QFileInfo(path).fileName());
}

void VMOutputTaskItem::setNumbericalOrder(int n)
{
    ui->lblNumericalOrder->clear();
    ui->lblNumericalOrder->setNum(n);
}

void VMOutputTaskItem::setProfileIcon(QIcon icon)
{
    ui->lblOutPutItemPic->setPixmap(icon.pixmap(QSize(36, 48), QIcon::Normal, QIcon::Off));
}

void VMOutputTaskItem::setIProfile(IProfile* profile)
{
    m_pTask->SetProfile(profile);
    ui->ledtOutputItemName->setTaskNameEdt(m_pTask->GetTaskDstName() + m_pTask->GetDstFileExt());
}

void VMOutputTaskItem::ReTranslate()
{
    ShowStartTip();
}

bool VMOutputTaskItem::event(QEvent* e)
{
    if (e->type() == QEvent::LanguageChange)
        ReTranslate();
    return QToolButton::event(e);
}

QString VMOutputTaskItem::WithNotice(const QString& state) const
{
    // A lossless task says what its output leaves out, or where its cuts
    // fall back, for as long as the row shows it.
    const QString notice = m_pTask ? m_pTask->GetLosslessNotice() : QString();
    return notice.isEmpty() ? state : state + "\n" + notice;
}

void VMOutputTaskItem::ShowPolled(int state, double percent)
{
    ui->pgBarOutPutItemConvert->setValue(int(percent));
    if (state == Moorland::CONVERT_TASK_RUNNING)
        ui->pgBarOutPutItemConvert->setToolTip(WithNotice(tr("Converting", "正在转换")));
    else if (state == Moorland::CONVERT_TASK_PAUSED)
        ui->pgBarOutPutItemConvert->setToolTip(WithNotice(tr("Pause", "暂停")));
}

void VMOutputTaskItem::ShowFailed(const QString& reason, const QString& jobLog)
{
    ui->pgBarOutPutItemConvert->hide();
    ui->btnStopOrStart->hide();
    ui->btnFailInfo->show();
    m_failMessage = ConversionFailureMessage(reason, jobLog);
    ui->btnFailInfo->setToolTip(tr("Conversion failed", "转换失败"));
}

void VMOutputTaskItem::ShowFinished()
{
    ui->btnStopOrStart->hide();
    m_bFinished = true;
    ui->pgBarOutPutItemConvert->setValue(100);
    ui->pgBarOutPutItemConvert->setToolTip(WithNotice(tr("Conversion succeed", "转换成功")));
}

void VMOutputTaskItem::ShowUploadStarted()
{
    ui->pgBarOutPutItemConvert->setEnabled(false);
    ui->pgBarOutPutItemConvert->setToolTip(tr("Starting upload", "开始上传"));
}

QString VMOutputTaskItem::LogLink(const QString& path) const
{
    const QString url = QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded).toHtmlEscaped();
    return QString("<a href=\"%1\" style=\"color:#%2\">%3</a>")
        .arg(url, m_pSettings->GetInfoValue("URLColor", QVariant()).toString().toHtmlEscaped(), path.toHtmlEscaped());
}

QString VMOutputTaskItem::ConversionFailureMessage(const QString& reason, const QString& jobLog) const
{
    // The reason the job itself gave, with its own log; the program's log
    // only when the job left neither.
    const bool haveLog = !jobLog.isEmpty() && QFileInfo(jobLog).isFile();
    if (reason.isEmpty() && !haveLog)
        return tr("Output task failed,please send the following log file to us<br><br> %1",
                  "输出任务失败，请将以下日志文件发送给我们")
            .arg(LogLink(m_pSettings->GetAppLogPath()));
    QString message = tr("The conversion failed:", "转换失败：") + "<br>" +
                      (reason.isEmpty() ? tr("No reason was given.", "未给出原因。")
                                        : UserFailureText::Explain(reason).toHtmlEscaped().replace('\n', "<br>"));
    if (haveLog)
        message += "<br><br>" + tr("The conversion's log: %1", "转换日志：%1").arg(LogLink(jobLog));
    return message;
}

void VMOutputTaskItem::on_btnFailInfo_clicked()
{
    VRichMessageBox box(this, QDialogButtonBox::Ok, QMessageBox::Information, VRichMessageBox::ControlElements());
    if (m_failMessage.size() <= 71) {
        box.setControlElements(VRichMessageBox::ShowCaption);
        box.SetCaption(m_failMessage);
    } else {
        box.setControlElements(VRichMessageBox::ShowRichText);
        box.SetRichText(m_failMessage);
    }
    box.SetMsgBoxWidth(400);
    box.SetMsgBoxHeight(150);
    box.exec();
}

void VMOutputTaskItem::on_btnStopOrStart_clicked(bool checked)
{
    emit signal_mOutputTaskItemStartConvert(this, checked);
    ShowStartTip();
}

void VMOutputTaskItem::on_ckbxOutPutItem_stateChanged(int state)
{
    if (state == Qt::Unchecked) {
        emit signal_CheckedChanged(this, false);
        m_bChecked = false;
    } else if (state == Qt::Checked) {
        emit signal_CheckedChanged(this, true);
        m_bChecked = true;
    }
}

void VMOutputTaskItem::slot_reNameTaskItem()
{
    ui->ledtOutputItemName->setTaskNameEdt(m_pTask->GetTaskDstName());
}

void VMOutputTaskItem::slot_reNameTaskItemFinished()
{
    if (ui->ledtOutputItemName->text().isEmpty()) {
        ui->ledtOutputItemName->setTaskNameEdt(m_pTask->GetTaskDstName() + m_pTask->GetDstFileExt());
        return;
    }
    emit signal_mOutputTaskItemReNameFinished(this);
}

void VMOutputTaskItem::slot_selectedOutputTaskItem()
{
    emit signal_selectedOutputTaskItem(this);
}

void VMOutputTaskItem::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::RightButton) {
        emit signal_showRightMenu(this, e->globalPos());
        return;
    }
    QToolButton::mousePressEvent(e);
}

void VMOutputTaskItem::enterEvent(QEvent* e)
{
    if (!isChecked() && !m_bStarted && ui->btnStopOrStart->isHidden()) {
        ui->btnStopOrStart->show();
        ShowStartTip();
    }
    QToolButton::enterEvent(e);
}

void VMOutputTaskItem::leaveEvent(QEvent* e)
{
    if (!isChecked() && !m_bStarted && !ui->btnStopOrStart->isHidden())
        ui->btnStopOrStart->hide();
    QToolButton::leaveEvent(e);
}

void VMOutputTaskItem::ShowFailure()
{
    // The conversion finished whatever became of the upload: the bar goes
    // back to showing the finished file, and the upload's own failure shows
    // beside it.
    QProgressBar* bar = ui->pgBarOutPutItemConvert;
    if (m_bFinished) {
        bar->setEnabled(true);
        bar->setMaximum(100);
        bar->setValue(100);
        bar->show();
        bar->setToolTip(tr("Conversion succeed", "转换成功"));
    } else if (!bar->isHidden()) {
        bar->hide();
    }
    if (ui->btnFailInfo->isHidden())
        ui->btnFailInfo->show();
    ui->btnFailInfo->setToolTip(tr("Upload failed", "上传失败"));
}

void VMOutputTaskItem::ShowUploadProgress(qint64 sent, qint64 total)
{
    QProgressBar* bar = ui->pgBarOutPutItemConvert;
    if (!bar->isEnabled()) {
        // Files of 2 GiB and more are counted in larger steps, so that the
        // bar's int range holds them.
        m_uploadScale = total > INT_MAX ? total / INT_MAX + 1 : 1;
        bar->setEnabled(true);
        bar->setMaximum(int(std::max<qint64>(total, 0) / m_uploadScale));
        bar->setValue(0);
        bar->setToolTip(tr("uploading", "正在上传"));
    }
    bar->setValue(int(std::max<qint64>(sent, 0) / m_uploadScale));
}

void VMOutputTaskItem::ShowUploadSucceeded()
{
    ui->pgBarOutPutItemConvert->setToolTip(tr("Upload succeed", "上传成功"));
}

void VMOutputTaskItem::ShowUploadFailed(int reason, bool atStart, const QString& log, const QString& fileName)
{
    if (atStart) {
        if (reason == UploadFailure::NoService)
            m_failMessage = tr("The file was not uploaded: no upload service is configured.");
        else if (reason == UploadFailure::NoAccount)
            m_failMessage = tr("The file was not uploaded: enter an account in the upload settings first.");
        else if (reason == UploadFailure::LoginFailed)
            m_failMessage = tr("Youtube Login Failed", "Youtube登录失败");
        else if (reason == UploadFailure::AlreadyRunning || reason == UploadFailure::NoTasks ||
                 reason == UploadFailure::NoClientId)
            m_failMessage = tr("Upload failed", "上传失败");
        ShowFailure();
        return;
    }
    switch (reason) {
    case UploadFailure::LoginFailed:
        m_failMessage =
            tr("Login authentication fails, the account information is incorrect", "登录验证失败，账户信息不正确");
        break;
    case UploadFailure::TaskInvalid: m_failMessage = tr("Upload failed", "上传失败"); break;
    case UploadFailure::HostNotFound:
    case UploadFailure::Timeout: m_failMessage = tr("Connection timeout", "连接超时"); break;
    case UploadFailure::ConnectionRefused:
    case UploadFailure::RemoteClosed:
    case UploadFailure::SslFailed:
    case UploadFailure::OtherNetworkError:
        if (!log.isEmpty() && QFile::exists(log)) {
            m_failMessage =
                tr("Upload file %1 failed,the following log file has provided more information.\nLog File "
                   "<a href=\"%2\"style=\"color:#%4\">%3</a>.",
                   "上传文件%1失败，以下日志文件提供了更多信息。")
                    .arg(fileName.toHtmlEscaped(),
                         QUrl::fromLocalFile(log).toString(QUrl::FullyEncoded).toHtmlEscaped(), log.toHtmlEscaped(),
                         m_pSettings->GetInfoValue("URLColor", QVariant()).toString().toHtmlEscaped());
        } else {
            m_failMessage = tr("Upload file %1 failed.", "上传文件%1失败。").arg(fileName);
        }
        break;
    default: break;
    }
    ShowFailure();
}
