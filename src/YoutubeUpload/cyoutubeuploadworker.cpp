#include "cyoutubeuploadworker.h"

#include "Basilvo/Basilvo.h"
#include "CBaseException.h"
#include "cuploadbodydevice.h"
#include "cyoutubeupload.h"
#include "cyoutubeuploadtask.h"

#include <QFile>
#include <QMutexLocker>
#include <QNetworkAccessManager>
#include <QSslCertificate>
#include <QTimer>

namespace {

const char* const kSourceFile = "src/YoutubeUpload/cyoutubeupload";
const int kProcessTickMs = 50;

} // namespace

CYoutubeUploadWorker::CYoutubeUploadWorker(CYoutubeUpload* pOwner) : m_pOwner(pOwner) {}

CYoutubeUploadWorker::~CYoutubeUploadWorker()
{
    Shutdown();
}

void CYoutubeUploadWorker::Start()
{
    const YoutubeServiceConfig& config = m_pOwner->m_config;

    // One TLS configuration for every request of the run: the network layer
    // reuses an open connection to the same host and port without looking at
    // a later request's settings.
    m_ssl = QSslConfiguration::defaultConfiguration();
    QList<QSslCertificate> cas = QSslConfiguration::systemCaCertificates();
    m_bSslReady = true;
    if (!config.caFile.isEmpty()) {
        const QList<QSslCertificate> extra =
            QSslCertificate::fromPath(config.caFile, QSsl::Pem, QSslCertificate::PatternSyntax::FixedString);
        if (extra.isEmpty()) {
            m_bSslReady = false;
            m_sSslProblem = QStringLiteral("The certificate file %1 holds no certificate").arg(config.caFile);
        }
        cas += extra;
    }
    m_ssl.setCaCertificates(cas);
    m_ssl.setPeerVerifyMode(QSslSocket::VerifyPeer);

    m_pManager = new QNetworkAccessManager(this);

    m_pWatchdog = new QTimer(this);
    m_pWatchdog->setSingleShot(true);
    connect(m_pWatchdog, &QTimer::timeout, this, &CYoutubeUploadWorker::slot_checkCurNetworkTimeout);

    m_pProcessTimer = new QTimer(this);
    connect(m_pProcessTimer, &QTimer::timeout, this, &CYoutubeUploadWorker::slot_processTask);
    m_pProcessTimer->start(kProcessTickMs);
}

void CYoutubeUploadWorker::Shutdown()
{
    if (m_pProcessTimer)
        m_pProcessTimer->stop();
    if (m_pWatchdog)
        m_pWatchdog->stop();
    if (m_pReply) {
        QNetworkReply* reply = m_pReply;
        m_pReply = nullptr;
        disconnect(reply, nullptr, this, nullptr);
        reply->abort();
        delete reply;
    }
    delete m_pManager;
    m_pManager = nullptr;
}

CYoutubeUploadTask* CYoutubeUploadWorker::CurrentTask()
{
    QMutexLocker lock(&m_pOwner->m_taskLock);
    return m_pOwner->m_pCurrentTask;
}

void CYoutubeUploadWorker::StartWatchdog()
{
    m_pWatchdog->start(m_pOwner->m_config.requestTimeoutMs);
}

bool CYoutubeUploadWorker::PrepareRequest(QNetworkRequest& request)
{
    request.setSslConfiguration(m_ssl);
    if (!m_bSslReady) {
        QuentaBased::CallGuardedVoid(__LINE__, kSourceFile, [&]() {
            throw CBaseException(QB_ERR_FILE_IO, m_sSslProblem.toUtf8().constData(), __LINE__, kSourceFile);
        });
        return false;
    }
    return true;
}

QNetworkReply::NetworkError CYoutubeUploadWorker::FinishedError(QNetworkReply* reply)
{
    QNetworkReply::NetworkError err = reply->error();
    if (err != QNetworkReply::NoError)
        return err;
    // Redirections and other answers outside 2xx are not the service's
    // acceptance, whatever the network layer makes of them.
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid() && (status.toInt() < 200 || status.toInt() > 299))
        return QNetworkReply::ProtocolFailure;
    return err;
}

void CYoutubeUploadWorker::RecordNetworkError(int err)
{
    QuentaBased::CallGuardedVoid(__LINE__, kSourceFile, [&]() {
        throw CBaseException(QB_ERR_UNEXPECTED, ("Network error" + std::to_string(err)).c_str(), __LINE__, kSourceFile);
    });
}

void CYoutubeUploadWorker::RecordMissingHost(const char* message)
{
    QuentaBased::CallGuardedVoid(__LINE__, kSourceFile,
                                 [&]() { throw CBaseException(QB_ERR_BAD_PARAM, message, __LINE__, kSourceFile); });
}

void CYoutubeUploadWorker::slot_processTask()
{
    CYoutubeUploadTask* pTask = nullptr;
    {
        QMutexLocker lock(&m_pOwner->m_taskLock);
        // One request at a time.
        if (!m_pOwner->m_pNextTask || m_pReply)
            return;
        pTask = m_pOwner->m_pNextTask;
        m_pOwner->m_pCurrentTask = pTask;
        m_pOwner->m_pNextTask = nullptr;
    }

    if (!pTask->isValid()) {
        emit m_pOwner->signal_taskInitFailed(pTask);
        return;
    }

    if (m_pOwner->m_config.loginHost.isEmpty()) {
        RecordMissingHost("No login host is configured");
        emit m_pOwner->signal_taskLoginFinished(pTask, QNetworkReply::HostNotFoundError);
        return;
    }
    QNetworkRequest request;
    QByteArray body;
    m_pOwner->buildLoginRequest(request, body);
    if (!PrepareRequest(request)) {
        emit m_pOwner->signal_taskLoginFinished(pTask, QNetworkReply::SslHandshakeFailedError);
        return;
    }
    QNetworkReply* reply = m_pManager->post(request, body);
    m_pReply = reply;
    connect(reply, &QNetworkReply::finished, this, [this, reply]() { slot_loginReqestFinished(reply); });
    StartWatchdog();
}

void CYoutubeUploadWorker::slot_loginReqestFinished(QNetworkReply* reply)
{
    reply->deleteLater();
    if (reply != m_pReply)
        return;
    m_pWatchdog->stop();
    m_pReply = nullptr;
    const QNetworkReply::NetworkError err = FinishedError(reply);
    CYoutubeUploadTask* pTask = CurrentTask();

    if (err != QNetworkReply::NoError) {
        RecordNetworkError(err);
        emit m_pOwner->signal_taskLoginFinished(pTask, err);
        return;
    }

    QByteArray token;
    if (!CYoutubeUpload::getAuthToken(reply->readAll(), token)) {
        // An answer without a token is a refused login: nothing is posted.
        QuentaBased::CallGuardedVoid(__LINE__, kSourceFile, [&]() {
            throw CBaseException(QB_ERR_UNEXPECTED, "The login answer holds no authorization token", __LINE__,
                                 kSourceFile);
        });
        emit m_pOwner->signal_taskLoginFinished(pTask, QNetworkReply::ContentOperationNotPermittedError);
        return;
    }
    m_pOwner->m_authToken = token;
    PostUpload(pTask);
}

void CYoutubeUploadWorker::PostUpload(CYoutubeUploadTask* pTask)
{
    if (m_pOwner->m_config.uploadHost.isEmpty()) {
        RecordMissingHost("No upload host is configured");
        emit m_pOwner->signal_taskUploadFinished(pTask, QNetworkReply::HostNotFoundError);
        return;
    }
    QNetworkRequest request;
    if (!m_pOwner->buildUploadRequest(request)) {
        emit m_pOwner->signal_taskInitFailed(pTask);
        return;
    }
    CUploadBodyDevice* pBody = pTask->openBodyDevice();
    if (!pBody) {
        pTask->clearData();
        emit m_pOwner->signal_taskInitFailed(pTask);
        return;
    }
    if (!PrepareRequest(request)) {
        delete pBody;
        pTask->clearData();
        emit m_pOwner->signal_taskUploadFinished(pTask, QNetworkReply::SslHandshakeFailedError);
        return;
    }
    QNetworkReply* reply = m_pManager->post(request, pBody);
    // The body lives as long as its reply: the network layer reads it until
    // the reply is gone.
    pBody->setParent(reply);
    m_pReply = reply;
    connect(reply, &QNetworkReply::finished, this, [this, reply]() { slot_uploadReqestFinished(reply); });
    connect(reply, &QNetworkReply::uploadProgress, this, &CYoutubeUploadWorker::slot_uploadProgressChanged);
    StartWatchdog();
}

void CYoutubeUploadWorker::slot_uploadReqestFinished(QNetworkReply* reply)
{
    reply->deleteLater();
    if (reply != m_pReply)
        return;
    m_pWatchdog->stop();
    m_pReply = nullptr;
    const QNetworkReply::NetworkError err = FinishedError(reply);
    CYoutubeUploadTask* pTask = CurrentTask();

    if (pTask)
        pTask->clearData();

    if (err != QNetworkReply::NoError && pTask) {
        const char* logPath = pTask->GetTaskInfo(IYoutubeUploadTask::TASK_INFO_ERROR_LOG);
        if (logPath && *logPath) {
            QFile log(QString::fromUtf8(logPath));
            if (log.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
                log.write(reply->errorString().toLatin1());
                // An aborted reply has no answer to read.
                if (reply->isOpen())
                    log.write(reply->readAll());
                log.close();
            }
        }
    }
    if (err != QNetworkReply::NoError)
        RecordNetworkError(err);
    emit m_pOwner->signal_taskUploadFinished(pTask, err);
}

void CYoutubeUploadWorker::slot_uploadProgressChanged(qint64 bytesSent, qint64 bytesTotal)
{
    // A report without a total (the network layer sends one when it is done)
    // says nothing of the body.
    if (!m_pReply || sender() != m_pReply || bytesTotal <= 0)
        return;
    m_pWatchdog->stop();
    emit m_pOwner->signal_uploadProgress(bytesSent, bytesTotal);
    // Once every byte is out, the wait for the answer has no limit.
    if (bytesSent < bytesTotal)
        StartWatchdog();
}

void CYoutubeUploadWorker::slot_checkCurNetworkTimeout()
{
    // The reply then finishes with the operation-cancelled error.
    if (m_pReply)
        m_pReply->abort();
}

void CYoutubeUploadWorker::stopProcessing()
{
    if (m_pProcessTimer)
        m_pProcessTimer->stop();
}

void CYoutubeUploadWorker::cancelRunningRequest()
{
    if (m_pReply)
        m_pReply->abort();
    else
        emit m_pOwner->signal_uploadHasCanceled();
}
