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

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QStyle>
#include <QUrl>

#include <climits>

namespace {

// The progress bar's words that more than one state shows.
const VMOutputTaskItem::Tip kConverting = QT_TRANSLATE_NOOP3("VMOutputTaskItem", "Converting", "正在转换");
const VMOutputTaskItem::Tip kPaused = QT_TRANSLATE_NOOP3("VMOutputTaskItem", "Pause", "暂停");
const VMOutputTaskItem::Tip kSucceeded = QT_TRANSLATE_NOOP3("VMOutputTaskItem", "Conversion succeed", "转换成功");

} // namespace

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
        SetBarTip(kConverting);
    } else {
        SetBarTip(kPaused);
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
    SetFailTip(QT_TRANSLATE_NOOP3("VMOutputTaskItem", "Conversion canceled", "转换已取消"));
}

void VMOutputTaskItem::giveUpConvertTheTaskItem(QString msg)
{
    m_failure = Failure{Failure::Words, {msg}};
}

void VMOutputTaskItem::giveUpForMissingFiles(const QStringList& files)
{
    m_failure = Failure{Failure::MissingFiles, files};
}

void VMOutputTaskItem::giveUpForTakenName(const QString& name)
{
    m_failure = Failure{Failure::TakenName, {name}};
}

void VMOutputTaskItem::giveUpForRefusal(const QString& reason)
{
    m_failure = Failure{Failure::Refused, {reason}};
}

QString VMOutputTaskItem::failureMessage() const
{
    // The texts of a start that did not happen are the task list's own.
    auto list = [](const char* text) { return QCoreApplication::translate("VMOutPutTaskMgr", text); };
    const QStringList& f = m_failure.figures;
    switch (m_failure.kind) {
    case Failure::Words: return f.value(0);
    case Failure::MissingFiles: {
        QStringList lines;
        for (const QString& file : f)
            lines << file.toHtmlEscaped();
        return list("The conversion could not be started.") + "<br>" +
               list("These files of the timeline no longer exist:") + "<br>" + lines.join("<br>");
    }
    case Failure::TakenName:
        return list("The convert task \"%1\" in the destination directory already exist!").arg(f.value(0)) + "<br>" +
               list("Please rename task or change file exists policy in the preference dialog.");
    case Failure::Refused: {
        const QString reason = f.value(0).isEmpty() ? list("Unexpected error") : UserFailureText::Explain(f.value(0));
        return list("The conversion could not be started.") + "<br>" + reason.toHtmlEscaped();
    }
    case Failure::Conversion: return ConversionFailureMessage(f.value(0), f.value(1));
    case Failure::Upload: return UploadWords(m_failure, m_pSettings->GetInfoValue("URLColor", QVariant()).toString());
    case Failure::None: break;
    }
    return QString();
}

void VMOutputTaskItem::SetBarTip(Tip tip, bool withNotice)
{
    m_barTip = tip;
    m_barTipNotice = withNotice;
    if (!tip.text)
        return;
    const QString words = tr(tip.text, tip.comment);
    ui->pgBarOutPutItemConvert->setToolTip(withNotice ? WithNotice(words) : words);
}

void VMOutputTaskItem::SetFailTip(Tip tip)
{
    m_failTip = tip;
    if (tip.text)
        ui->btnFailInfo->setToolTip(tr(tip.text, tip.comment));
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
    SetBarTip(m_barTip, m_barTipNotice);
    SetFailTip(m_failTip);
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
    const QString notice = m_pTask ? LosslessVerdictWords(m_pTask->GetLosslessVerdict()) : QString();
    return notice.isEmpty() ? state : state + "\n" + notice;
}

void VMOutputTaskItem::ShowPolled(int state, double percent)
{
    ui->pgBarOutPutItemConvert->setValue(int(percent));
    if (state == Moorland::CONVERT_TASK_RUNNING)
        SetBarTip(kConverting, true);
    else if (state == Moorland::CONVERT_TASK_PAUSED)
        SetBarTip(kPaused, true);
}

void VMOutputTaskItem::ShowFailed(const QString& reason, const QString& jobLog)
{
    ui->pgBarOutPutItemConvert->hide();
    ui->btnStopOrStart->hide();
    ui->btnFailInfo->show();
    m_failure = Failure{Failure::Conversion, {reason, jobLog}};
    SetFailTip(QT_TRANSLATE_NOOP3("VMOutputTaskItem", "Conversion failed", "转换失败"));
}

void VMOutputTaskItem::ShowFinished()
{
    ui->btnStopOrStart->hide();
    m_bFinished = true;
    ui->pgBarOutPutItemConvert->setValue(100);
    SetBarTip(kSucceeded, true);
}

void VMOutputTaskItem::ShowUploadStarted()
{
    ui->pgBarOutPutItemConvert->setEnabled(false);
    SetBarTip(QT_TRANSLATE_NOOP3("VMOutputTaskItem", "Starting upload", "开始上传"));
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
    const QString message = failureMessage();
    VRichMessageBox box(this, QDialogButtonBox::Ok, QMessageBox::Information, VRichMessageBox::ControlElements());
    if (message.size() <= 71) {
        box.setControlElements(VRichMessageBox::ShowCaption);
        box.SetCaption(message);
    } else {
        box.setControlElements(VRichMessageBox::ShowRichText);
        box.SetRichText(message);
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
        SetBarTip(kSucceeded);
    } else if (!bar->isHidden()) {
        bar->hide();
    }
    if (ui->btnFailInfo->isHidden())
        ui->btnFailInfo->show();
    SetFailTip(QT_TRANSLATE_NOOP3("VMOutputTaskItem", "Upload failed", "上传失败"));
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
        SetBarTip(QT_TRANSLATE_NOOP3("VMOutputTaskItem", "uploading", "正在上传"));
    }
    bar->setValue(int(std::max<qint64>(sent, 0) / m_uploadScale));
}

void VMOutputTaskItem::ShowUploadSucceeded()
{
    SetBarTip(QT_TRANSLATE_NOOP3("VMOutputTaskItem", "Upload succeed", "上传成功"));
}

void VMOutputTaskItem::ShowUploadFailed(int reason, bool atStart, const QString& log, const QString& fileName)
{
    // A failure with no words of its own (a cancel) leaves the one before.
    const Failure upload{Failure::Upload, {log, fileName}, reason, atStart};
    if (!UploadWords(upload, QString()).isNull())
        m_failure = upload;
    ShowFailure();
}

QString VMOutputTaskItem::UploadWords(const Failure& f, const QString& linkColour)
{
    if (f.atStart) {
        switch (f.reason) {
        case UploadFailure::NoService: return tr("The file was not uploaded: no upload service is configured.");
        case UploadFailure::NoAccount:
            return tr("The file was not uploaded: enter an account in the upload settings first.");
        case UploadFailure::LoginFailed: return tr("Youtube Login Failed", "Youtube登录失败");
        case UploadFailure::AlreadyRunning:
        case UploadFailure::NoTasks:
        case UploadFailure::NoClientId: return tr("Upload failed", "上传失败");
        default: return QString();
        }
    }
    const QString log = f.figures.value(0), fileName = f.figures.value(1);
    switch (f.reason) {
    case UploadFailure::LoginFailed:
        return tr("Login authentication fails, the account information is incorrect", "登录验证失败，账户信息不正确");
    case UploadFailure::TaskInvalid: return tr("Upload failed", "上传失败");
    case UploadFailure::HostNotFound:
    case UploadFailure::Timeout: return tr("Connection timeout", "连接超时");
    case UploadFailure::ConnectionRefused:
    case UploadFailure::RemoteClosed:
    case UploadFailure::SslFailed:
    case UploadFailure::OtherNetworkError:
        if (!log.isEmpty() && QFile::exists(log))
            return tr("Upload file %1 failed,the following log file has provided more information.\nLog File "
                      "<a href=\"%2\"style=\"color:#%4\">%3</a>.",
                      "上传文件%1失败，以下日志文件提供了更多信息。")
                .arg(fileName.toHtmlEscaped(), QUrl::fromLocalFile(log).toString(QUrl::FullyEncoded).toHtmlEscaped(),
                     log.toHtmlEscaped(), linkColour.toHtmlEscaped());
        return tr("Upload file %1 failed.", "上传文件%1失败。").arg(fileName);
    default: return QString();
    }
}
