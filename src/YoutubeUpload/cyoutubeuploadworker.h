#pragma once

// The upload thread's half of the uploader: made by the thread body and
// living on the upload thread, so that its timers, its network access manager,
// the running reply and the body being sent are all used on the thread that
// made them. It reads and moves the uploader's next and current task under
// the uploader's task lock and reports through the uploader's signals, which
// reach the owner's thread queued.

#include <QObject>
#include <QNetworkReply>
#include <QSslConfiguration>

class CYoutubeUpload;
class CYoutubeUploadTask;
class QNetworkAccessManager;
class QTimer;

class CYoutubeUploadWorker : public QObject
{
    Q_OBJECT

public:
    explicit CYoutubeUploadWorker(CYoutubeUpload* pOwner);
    ~CYoutubeUploadWorker() override;

    // Makes the processing timer and the network access manager of this run.
    void Start();
    // Ends whatever runs, without reporting it; the thread is about to end.
    void Shutdown();

public slots:
    void slot_processTask();
    void slot_loginReqestFinished(QNetworkReply* reply);
    void slot_uploadReqestFinished(QNetworkReply* reply);
    void slot_uploadProgressChanged(qint64 bytesSent, qint64 bytesTotal);
    void slot_checkCurNetworkTimeout();
    // Asked for from the owner's thread.
    void stopProcessing();
    void cancelRunningRequest();

private:
    void PostUpload(CYoutubeUploadTask* pTask);
    CYoutubeUploadTask* CurrentTask();
    void StartWatchdog();
    // Applies this run's TLS settings; false when the configured CA file
    // gives no certificate.
    bool PrepareRequest(QNetworkRequest& request);
    // The reply's error, with an answer outside 2xx counted as a failure.
    static QNetworkReply::NetworkError FinishedError(QNetworkReply* reply);
    static void RecordNetworkError(int err);
    // The service has no host until one is configured.
    static void RecordMissingHost(const char* message);

    CYoutubeUpload* m_pOwner;
    QNetworkAccessManager* m_pManager = nullptr;
    QNetworkReply* m_pReply = nullptr;
    QTimer* m_pProcessTimer = nullptr;
    QTimer* m_pWatchdog = nullptr;
    QSslConfiguration m_ssl;
    bool m_bSslReady = false;
    QString m_sSslProblem;
};
