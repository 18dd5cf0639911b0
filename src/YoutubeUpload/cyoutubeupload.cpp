#include "cyoutubeupload.h"

#include "Basilvo/Basilvo.h"
#include "AppConfigure/CAppVariableInfo.h"
#include "CBaseException.h"
#include "cyoutubeuploadtask.h"
#include "cyoutubeuploadworker.h"

#include <QFileInfo>
#include <QMetaObject>
#include <QMutexLocker>
#include <QRandomGenerator>
#include <QTime>
#include <QTimer>
#include <QUrl>

namespace {

const char* const kSourceFile = "src/YoutubeUpload/cyoutubeupload";

#define UPLOAD_THROW(code, msg) throw CBaseException((code), (msg), __LINE__, kSourceFile)

const int kDeferMs = 50;

// Shipped with the program; an administrator may set another in the settings.
const char kBuiltInDevKey[] =
    "Kq7Tm2Xv9BpL4wRz8NcHe3Yd6Gs1JfVa5Ub0Mn8QoW2rZt7Ck4Hx9Lg3Pd6SiE1yTb5Rn0Fj8Mu2Aq4DwK7cVs3-GoZp6Ne9Lh";

const char kLoginPath[] = "/youtube/accounts/ClientLogin";
const char kUploadPath[] = "/feeds/api/users/default/uploads";
const char kBoundaryAlphabet[] = "0123456789abcdefghijklmnopqrstuvwzyz";

QString SettingText(const char* key)
{
    const QVariant value = CAppVariableInfo::GetInstance()->GetInfoValue(key, QVariant());
    return value.isValid() ? value.toString() : QString();
}

// A positive number from the settings, or `fallback` when none is set.
int SettingNumber(const char* key, int fallback)
{
    bool ok = false;
    const int n = SettingText(key).trimmed().toInt(&ok);
    return ok && n > 0 ? n : fallback;
}

QUrl ServiceUrl(const QString& host, int port, const char* path)
{
    QUrl url;
    url.setScheme(QStringLiteral("https"));
    url.setHost(host);
    url.setPort(port);
    url.setPath(QString::fromLatin1(path));
    return url;
}

} // namespace

YoutubeServiceConfig YoutubeServiceConfig::FromSettings()
{
    YoutubeServiceConfig config;
    config.loginHost = SettingText(STR_APPVARINFO_YOUTUBE_LOGIN_HOST).trimmed();
    config.loginPort = SettingNumber(STR_APPVARINFO_YOUTUBE_LOGIN_PORT, 443);
    config.uploadHost = SettingText(STR_APPVARINFO_YOUTUBE_UPLOAD_HOST).trimmed();
    config.uploadPort = SettingNumber(STR_APPVARINFO_YOUTUBE_UPLOAD_PORT, 443);
    config.caFile = SettingText(STR_APPVARINFO_YOUTUBE_CA_FILE).trimmed();
    config.requestTimeoutMs = SettingNumber(STR_APPVARINFO_YOUTUBE_REQUEST_TIMEOUT, 12000);
    return config;
}

IYoutubeUpload* CreateYoutubeUploader()
{
    return QuentaBased::CallGuarded<IYoutubeUpload*>(nullptr, __LINE__, kSourceFile,
                                                     []() { return new CYoutubeUpload(); });
}

CYoutubeUpload::CYoutubeUpload() : QThread(nullptr)
{
    qRegisterMetaType<QNetworkReply::NetworkError>("QNetworkReply::NetworkError");
    qRegisterMetaType<CYoutubeUploadTask*>("CYoutubeUploadTask*");

    const QString configuredKey = SettingText(STR_APPVARINFO_YOUTUBE_DEV_KEY);
    m_devKey = configuredKey.isEmpty() ? QByteArray(kBuiltInDevKey) : configuredKey.toLatin1();

    connect(this, &CYoutubeUpload::signal_taskInitFailed, this, &CYoutubeUpload::slot_taskInitFailed);
    connect(this, &CYoutubeUpload::signal_taskLoginFinished, this, &CYoutubeUpload::slot_taskLoginFinished);
    connect(this, &CYoutubeUpload::signal_taskUploadFinished, this, &CYoutubeUpload::slot_taskUploadFinished);
    connect(this, &CYoutubeUpload::signal_uploadProgress, this, &CYoutubeUpload::slot_uploadProgress);
    connect(this, &CYoutubeUpload::signal_cancelAllTasks, this, &CYoutubeUpload::slot_cancelAllTasks);
    connect(this, &CYoutubeUpload::signal_uploadHasCanceled, this, &CYoutubeUpload::slot_uploadHasCanceled);
}

CYoutubeUpload::~CYoutubeUpload()
{
    // A running thread is ended here, never destroyed: whatever request it
    // has in flight is dropped without a report, and what it made is freed
    // on it before it ends.
    if (isRunning()) {
        m_bCancel = true;
        exit(0);
        wait();
    }
    for (CYoutubeUploadTask* pTask : qAsConst(m_tasks))
        pTask->Free();
    m_tasks.clear();
}

void CYoutubeUpload::Free()
{
    delete this;
}

bool CYoutubeUpload::Init()
{
    return true;
}

bool CYoutubeUpload::SetYoutubeAcccountInfo(const char* user, const char* password)
{
    return QuentaBased::CallGuarded(false, __LINE__, kSourceFile, [&]() {
        if (!user || !password)
            UPLOAD_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        m_sUser = QString::fromUtf8(user);
        m_sPassword = QString::fromUtf8(password);
        return true;
    });
}

bool CYoutubeUpload::SetDevKey(const char* key)
{
    return QuentaBased::CallGuarded(false, __LINE__, kSourceFile, [&]() {
        if (!key)
            UPLOAD_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        m_devKey = QByteArray(key);
        return true;
    });
}

bool CYoutubeUpload::SetClientID(const char* id)
{
    return QuentaBased::CallGuarded(false, __LINE__, kSourceFile, [&]() {
        if (!id)
            UPLOAD_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        m_sClientID = QString::fromUtf8(id);
        return true;
    });
}

IYoutubeUploadTask* CYoutubeUpload::CreateUploadTask()
{
    CYoutubeUploadTask* pTask = new CYoutubeUploadTask();
    m_tasks.append(pTask);
    return pTask;
}

void CYoutubeUpload::SetCallBack(IUploadCallBack* callback)
{
    m_pCallBack = callback;
}

void CYoutubeUpload::StartUpload()
{
    QTimer::singleShot(kDeferMs, this, &CYoutubeUpload::slot_StartUpload);
}

void CYoutubeUpload::slot_StartUpload()
{
    UploadFaildReason reason = UPLOAD_SUCCEED;
    const bool started = QuentaBased::CallGuarded(false, __LINE__, kSourceFile, [&]() {
        if (isRunning()) {
            reason = UPLOAD_ALREADY_RUNNING;
            UPLOAD_THROW(QB_ERR_STD_EXCEPTION, "upload task running");
        }
        if (m_sUser.isEmpty() || m_sPassword.isEmpty()) {
            reason = UPLOAD_LOGIN_FAILED;
            UPLOAD_THROW(QB_ERR_STD_EXCEPTION, "no account info");
        }
        if (m_sClientID.isEmpty()) {
            reason = UPLOAD_NO_CLIENT_ID;
            UPLOAD_THROW(QB_ERR_STD_EXCEPTION, "no client info");
        }
        if (m_tasks.isEmpty()) {
            reason = UPLOAD_NO_TASKS;
            UPLOAD_THROW(QB_ERR_STD_EXCEPTION, "No Tasks");
        }
        m_config = YoutubeServiceConfig::FromSettings();
        {
            QMutexLocker lock(&m_taskLock);
            m_pNextTask = m_tasks.first();
        }
        // A cancel belongs to the run it ended: a later time-out of this run
        // is a time-out.
        m_bCancel = false;
        start(QThread::InheritPriority);
        return true;
    });
    if (!started && m_pCallBack)
        m_pCallBack->OnUploadInitFailed(reason);
}

void CYoutubeUpload::run()
{
    QuentaBased::CallGuardedVoid(__LINE__, kSourceFile, [&]() {
        CYoutubeUploadWorker worker(this);
        worker.Start();
        {
            QMutexLocker lock(&m_workerLock);
            m_pWorker = &worker;
        }
        exec();
        {
            QMutexLocker lock(&m_workerLock);
            m_pWorker = nullptr;
        }
        worker.Shutdown();
    });
}

void CYoutubeUpload::PostToWorker(const char* method)
{
    QMutexLocker lock(&m_workerLock);
    if (m_pWorker)
        QMetaObject::invokeMethod(m_pWorker, method, Qt::QueuedConnection);
}

void CYoutubeUpload::ContinueUpload(bool retry)
{
    bool bAllDone = false;
    {
        QMutexLocker lock(&m_taskLock);
        if (retry) {
            m_pNextTask = m_pCurrentTask;
        } else {
            const int index = m_tasks.indexOf(m_pCurrentTask);
            if (index < 0 || index + 1 >= m_tasks.size())
                bAllDone = true;
            else
                m_pNextTask = m_tasks.at(index + 1);
        }
    }
    if (bAllDone)
        QTimer::singleShot(kDeferMs, this, &CYoutubeUpload::slot_allUploadTasksCompleted);
}

void CYoutubeUpload::slot_allUploadTasksCompleted()
{
    PostToWorker("stopProcessing");
    exit(0);
    if (m_pCallBack)
        m_pCallBack->OnAllTasksCompleted();
}

void CYoutubeUpload::CancelUpload()
{
    PostToWorker("stopProcessing");
    {
        // No further task starts.
        QMutexLocker lock(&m_taskLock);
        m_pNextTask = nullptr;
    }
    m_bCancel = true;
    if (!isRunning())
        QTimer::singleShot(kDeferMs, this, &CYoutubeUpload::slot_uploadHasCanceled);
    else
        emit signal_cancelAllTasks();
}

void CYoutubeUpload::slot_cancelAllTasks()
{
    // The worker aborts its running request, which then finishes as a
    // cancellation, or reports back at once when none runs.
    PostToWorker("cancelRunningRequest");
}

void CYoutubeUpload::slot_uploadHasCanceled()
{
    exit(0);
    if (m_pCallBack)
        m_pCallBack->OnUploadCancelled();
}

int CYoutubeUpload::UploadTasksCount()
{
    return m_tasks.size();
}

int CYoutubeUpload::IndexofTask(IYoutubeUploadTask* task)
{
    for (int i = 0; i < m_tasks.size(); ++i)
        if (static_cast<IYoutubeUploadTask*>(m_tasks.at(i)) == task)
            return i;
    return -1;
}

int CYoutubeUpload::CurrentTaskIndex()
{
    QMutexLocker lock(&m_taskLock);
    return m_pCurrentTask ? m_tasks.indexOf(m_pCurrentTask) : -1;
}

IYoutubeUpload::UploadFaildReason CYoutubeUpload::LoginResult(QNetworkReply::NetworkError err, bool bCancelled)
{
    switch (err) {
    case QNetworkReply::ConnectionRefusedError: return UPLOAD_TIMEOUT;
    case QNetworkReply::RemoteHostClosedError: return UPLOAD_REMOTE_CLOSED;
    case QNetworkReply::HostNotFoundError: return UPLOAD_HOST_NOT_FOUND;
    case QNetworkReply::TimeoutError: return UPLOAD_TIMEOUT;
    case QNetworkReply::OperationCanceledError: return bCancelled ? UPLOAD_CANCELLED : UPLOAD_TIMEOUT;
    case QNetworkReply::SslHandshakeFailedError: return UPLOAD_SSL_FAILED;
    // The network layer reports the service's 405, 403 and 401 as these.
    case QNetworkReply::ContentOperationNotPermittedError:
    case QNetworkReply::ContentAccessDenied:
    case QNetworkReply::AuthenticationRequiredError: return UPLOAD_LOGIN_FAILED;
    default: return UPLOAD_OTHER_NETWORK_ERROR;
    }
}

IYoutubeUpload::UploadFaildReason CYoutubeUpload::UploadResult(QNetworkReply::NetworkError err, bool bCancelled)
{
    switch (err) {
    case QNetworkReply::NoError: return UPLOAD_SUCCEED;
    case QNetworkReply::ConnectionRefusedError: return UPLOAD_CONNECTION_REFUSED;
    case QNetworkReply::RemoteHostClosedError: return UPLOAD_REMOTE_CLOSED;
    case QNetworkReply::HostNotFoundError: return UPLOAD_HOST_NOT_FOUND;
    case QNetworkReply::TimeoutError: return UPLOAD_TIMEOUT;
    case QNetworkReply::OperationCanceledError: return bCancelled ? UPLOAD_CANCELLED : UPLOAD_TIMEOUT;
    case QNetworkReply::SslHandshakeFailedError: return UPLOAD_SSL_FAILED;
    default: return UPLOAD_OTHER_NETWORK_ERROR;
    }
}

void CYoutubeUpload::slot_taskInitFailed(CYoutubeUploadTask* pTask)
{
    taskUploadFinished(pTask, UPLOAD_TASK_INVALID);
}

void CYoutubeUpload::slot_taskLoginFinished(CYoutubeUploadTask* pTask, QNetworkReply::NetworkError err)
{
    taskUploadFinished(pTask, LoginResult(err, m_bCancel));
}

void CYoutubeUpload::slot_taskUploadFinished(CYoutubeUploadTask* pTask, QNetworkReply::NetworkError err)
{
    taskUploadFinished(pTask, UploadResult(err, m_bCancel));
}

void CYoutubeUpload::slot_uploadProgress(qint64 bytesSent, qint64 bytesTotal)
{
    if (!m_pCallBack)
        return;
    CYoutubeUploadTask* pTask = nullptr;
    {
        QMutexLocker lock(&m_taskLock);
        pTask = m_pCurrentTask;
    }
    m_pCallBack->OnUploadTaskProgressChanged(pTask, bytesSent, bytesTotal);
}

void CYoutubeUpload::taskUploadFinished(CYoutubeUploadTask* pTask, UploadFaildReason reason)
{
    if (!pTask)
        return;
    CYoutubeUploadTask* pCurrent = nullptr;
    {
        QMutexLocker lock(&m_taskLock);
        pCurrent = m_pCurrentTask;
    }

    if (reason == UPLOAD_CANCELLED) {
        exit(0);
        if (m_pCallBack)
            m_pCallBack->OnUploadCancelled();
        return;
    }
    if (reason != UPLOAD_SUCCEED) {
        // The thread stays up, idle, until the owner continues or cancels.
        if (m_pCallBack)
            m_pCallBack->OnUploadTaskFailed(pCurrent, reason);
        return;
    }

    if (m_pCallBack)
        m_pCallBack->OnUploadTaskSucceed(pCurrent);
    bool bAllDone = false;
    {
        QMutexLocker lock(&m_taskLock);
        const int index = m_tasks.indexOf(m_pCurrentTask);
        if (index < 0 || index + 1 >= m_tasks.size())
            bAllDone = true;
        else
            m_pNextTask = m_tasks.at(index + 1);
    }
    if (bAllDone) {
        PostToWorker("stopProcessing");
        exit(0);
        // Outside the lock: the owner may call back into the uploader.
        if (m_pCallBack)
            m_pCallBack->OnAllTasksCompleted();
    }
}

void CYoutubeUpload::buildLoginRequest(QNetworkRequest& request, QByteArray& body)
{
    request.setUrl(ServiceUrl(m_config.loginHost, m_config.loginPort, kLoginPath));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/x-www-form-urlencoded"));
    // The unreserved characters of RFC 3986 stay; every other UTF-8 byte is
    // written as "%" and two upper-case hexadecimal digits.
    body += "Email=" + m_sUser.toUtf8().toPercentEncoding();
    body += "&Passwd=" + m_sPassword.toUtf8().toPercentEncoding();
    body += "&service=youtube&source=" + m_sClientID.toUtf8().toPercentEncoding();
}

bool CYoutubeUpload::getAuthToken(QByteArray answer, QByteArray& token)
{
    token.clear();
    const int nul = answer.indexOf('\0');
    const QByteArray text = nul < 0 ? answer : answer.left(nul);
    if (text.isEmpty() || !text.contains("Auth=") || !text.contains("YouTubeUser="))
        return false;
    // Only complete lines count: what follows the last line feed is dropped.
    QList<QByteArray> lines = text.split('\n');
    lines.removeLast();
    for (QByteArray line : qAsConst(lines)) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (!line.startsWith("Auth="))
            continue;
        // The value runs to the line's next "=", or to its end.
        const QList<QByteArray> pieces = line.split('=');
        token = pieces.value(1);
        return !token.isEmpty();
    }
    return false;
}

void CYoutubeUpload::setRandString(QString& boundary)
{
    const QTime now = QTime::currentTime();
    QRandomGenerator random(quint32(now.second() * 1000 + now.msec()));
    QString text;
    for (int i = 0; i < 8; ++i)
        text += QLatin1Char(kBoundaryAlphabet[random.bounded(36)]);
    boundary = text;
}

bool CYoutubeUpload::buildUploadRequest(QNetworkRequest& request)
{
    GetQuentaException()->Clear();
    return QuentaBased::CallGuarded(false, __LINE__, kSourceFile, [&]() {
        CYoutubeUploadTask* pTask = nullptr;
        {
            QMutexLocker lock(&m_taskLock);
            pTask = m_pCurrentTask;
        }
        if (!pTask)
            UPLOAD_THROW(QB_ERR_BAD_POINTER, "Bad pointer");

        const QUrl url = ServiceUrl(m_config.uploadHost, m_config.uploadPort, kUploadPath);
        request.setUrl(url);
        QByteArray host = m_config.uploadHost.toUtf8();
        if (m_config.uploadPort != 443)
            host += ":" + QByteArray::number(m_config.uploadPort);
        request.setRawHeader("Host", host);
        request.setRawHeader("Authorization", "GoogleLogin auth=" + m_authToken);
        request.setRawHeader("GData-Version", "2");
        request.setRawHeader("X-GData-Key", "key=" + m_devKey);
        const char* source = pTask->GetTaskInfo(IYoutubeUploadTask::TASK_INFO_SOURCE_FILE);
        const QString sourcePath = QString::fromUtf8(source ? source : "");
        request.setRawHeader("Slug", QFileInfo(sourcePath).fileName().toLatin1());

        QString boundary;
        setRandString(boundary);
        request.setRawHeader("Content-Type", "multipart/related; boundary=\"" + boundary.toLatin1() + "\"");
        request.setRawHeader("Connection", "close");

        qint64 size = 0;
        if (!pTask->buildData(boundary, size))
            QuentaBased::ThrowLastError();
        request.setHeader(QNetworkRequest::ContentLengthHeader, size);
        return true;
    });
}
