#include "CUploadAfterTask.h"

#include "AppConfigure/CAppFixedInfo.h"
#include "AppConfigure/CAppVariableInfo.h"
#include "OutputTask/cmmoutputtask.h"
#include "OutputTask/youtubeaccount.h"

#include <QFile>
#include <QFileInfo>

// The reasons the task list is told are the uploader's own numbers.
static_assert(int(UploadFailure::AlreadyRunning) == IYoutubeUpload::UPLOAD_ALREADY_RUNNING &&
                  int(UploadFailure::NoTasks) == IYoutubeUpload::UPLOAD_NO_TASKS &&
                  int(UploadFailure::NoClientId) == IYoutubeUpload::UPLOAD_NO_CLIENT_ID &&
                  int(UploadFailure::LoginFailed) == IYoutubeUpload::UPLOAD_LOGIN_FAILED &&
                  int(UploadFailure::TaskInvalid) == IYoutubeUpload::UPLOAD_TASK_INVALID &&
                  int(UploadFailure::Cancelled) == IYoutubeUpload::UPLOAD_CANCELLED &&
                  int(UploadFailure::HostNotFound) == IYoutubeUpload::UPLOAD_HOST_NOT_FOUND &&
                  int(UploadFailure::Timeout) == IYoutubeUpload::UPLOAD_TIMEOUT &&
                  int(UploadFailure::ConnectionRefused) == IYoutubeUpload::UPLOAD_CONNECTION_REFUSED &&
                  int(UploadFailure::RemoteClosed) == IYoutubeUpload::UPLOAD_REMOTE_CLOSED &&
                  int(UploadFailure::SslFailed) == IYoutubeUpload::UPLOAD_SSL_FAILED &&
                  int(UploadFailure::OtherNetworkError) == IYoutubeUpload::UPLOAD_OTHER_NETWORK_ERROR,
              "the upload failures follow the uploader's reasons");

CUploadAfterTask::CUploadAfterTask(IYoutubeUpload* (*makeUploader)())
    : m_makeUploader(makeUploader ? makeUploader : CreateYoutubeUploader)
{}

CUploadAfterTask::~CUploadAfterTask() = default;

std::unique_ptr<IOutputTaskAction> MakeUploadAfterTask()
{
    return std::make_unique<CUploadAfterTask>();
}

void CUploadAfterTask::TaskStarted(CMMOutputTask&)
{
    ReadAccount();
}

bool CUploadAfterTask::Wanted(const CMMOutputTask& task) const
{
    return task.IsYoutubeTask() && task.GetUploadtoYoutube();
}

int CUploadAfterTask::Refusal()
{
    // The hosts are the uploader's settings; without them every request
    // would only time out.
    CAppVariableInfo* settings = CAppVariableInfo::GetInstance();
    for (const char* key : {"YoutubeLoginHost", "YoutubeUploadHost"})
        if (settings->GetInfoValue(key, QVariant()).toString().trimmed().isEmpty())
            return UploadFailure::NoService;
    if (!YoutubeAccount::HasStoredAccount())
        return UploadFailure::NoAccount;
    return 0;
}

void CUploadAfterTask::ReadAccount()
{
    // An account that no longer deciphers leaves the one read before; a
    // removed account leaves none.
    const QString stored = CAppVariableInfo::GetInstance()->GetInfoValue("YoutubeAccountInfo", QVariant()).toString();
    if (!YoutubeAccount::Decode(stored, YoutubeAccount::AccountKey(), m_user, m_password) && stored.isEmpty()) {
        m_user.clear();
        m_password.clear();
    }
}

bool CUploadAfterTask::Run(CMMOutputTask& task, IListener* listener)
{
    m_listener = listener;
    if (const int refusal = Refusal()) {
        if (m_listener)
            m_listener->ActionFailed(refusal, true, QString(), QString());
        return true;
    }
    if (!Prepare(task))
        return false;
    if (m_listener)
        m_listener->ActionStarted();
    m_uploader->StartUpload();
    return true;
}

bool CUploadAfterTask::Prepare(CMMOutputTask& task)
{
    if (!m_uploader) {
        m_uploader.reset(m_makeUploader());
        if (!m_uploader)
            return false;
        m_uploader->SetCallBack(this);
        const QString code = CAppFixedInfo::GetInstance()->GetInfoValue("APPS_PRODUCT_CODE").toString();
        m_uploader->SetClientID(code.toUtf8().constData());
    }
    // The account as stored now: it may have been entered while converting.
    ReadAccount();
    if (!m_user.isEmpty())
        m_uploader->SetYoutubeAcccountInfo(m_user.toUtf8().constData(), m_password.toUtf8().constData());
    IYoutubeUploadTask* upload = m_uploader->CreateUploadTask();
    if (!upload)
        return false;
    const CYoutubeVideoInfo* info = task.GetYoutubeInfo();
    upload->SetTaskInfo(IYoutubeUploadTask::TASK_INFO_SOURCE_FILE, task.DestinationFilePath().toUtf8().constData());
    upload->SetTaskInfo(IYoutubeUploadTask::TASK_INFO_TITLE, info->GetTitle().toUtf8().constData());
    upload->SetTaskInfo(IYoutubeUploadTask::TASK_INFO_DESCRIPTION, info->GetDescription().toUtf8().constData());
    upload->SetTaskInfo(IYoutubeUploadTask::TASK_INFO_KEYWORDS, info->GetKeywords().toUtf8().constData());
    upload->SetVideoCategory(info->GetCategory());
    upload->SetAccessType(info->GetAccessType());
    return true;
}

void CUploadAfterTask::OnUploadInitFailed(IYoutubeUpload::UploadFaildReason reason)
{
    if (m_listener)
        m_listener->ActionFailed(int(reason), true, QString(), QString());
}

void CUploadAfterTask::OnUploadTaskProgressChanged(IYoutubeUploadTask*, qint64 sent, qint64 total)
{
    if (m_listener)
        m_listener->ActionProgress(sent, total);
}

void CUploadAfterTask::OnUploadTaskSucceed(IYoutubeUploadTask*)
{
    if (m_listener)
        m_listener->ActionSucceeded();
}

void CUploadAfterTask::OnUploadTaskFailed(IYoutubeUploadTask* task, IYoutubeUpload::UploadFaildReason reason)
{
    QString log;
    if (task) {
        const char* text = task->GetTaskInfo(IYoutubeUploadTask::TASK_INFO_ERROR_LOG);
        log = text ? QString::fromUtf8(text) : QString();
    }
    // Only a network failure's log tells the user more; any other is not kept.
    bool keepLog = false;
    switch (reason) {
    case IYoutubeUpload::UPLOAD_CONNECTION_REFUSED:
    case IYoutubeUpload::UPLOAD_REMOTE_CLOSED:
    case IYoutubeUpload::UPLOAD_SSL_FAILED:
    case IYoutubeUpload::UPLOAD_OTHER_NETWORK_ERROR: keepLog = true; break;
    default: break;
    }
    QString name;
    if (keepLog) {
        const char* source = task ? task->GetTaskInfo(IYoutubeUploadTask::TASK_INFO_SOURCE_FILE) : nullptr;
        name = QFileInfo(source ? QString::fromUtf8(source) : QString()).fileName();
    } else {
        if (!log.isEmpty() && QFile::exists(log))
            QFile::remove(log);
        log.clear();
    }
    if (m_listener)
        m_listener->ActionFailed(int(reason), false, log, name);
}
