#pragma once

// The uploader: logs in to the video service and posts each task's file, one
// task after another, on a thread of its own. The object itself belongs to
// the thread that created it (the owner's thread): the public operations, the
// start checks and every callback run there. The network requests, their
// watchdog and the body being sent live on the upload thread, inside the
// worker that the thread body makes.

#include "IYoutubeUpload.h"

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QString>
#include <QThread>

#include <atomic>

#include "cyoutubeuploadtask.h"
class CYoutubeUploadWorker;

// The service is configuration, read from the user settings when an upload
// starts; nothing of it is built into the program.
constexpr char STR_APPVARINFO_YOUTUBE_LOGIN_HOST[] = "YoutubeLoginHost";
constexpr char STR_APPVARINFO_YOUTUBE_LOGIN_PORT[] = "YoutubeLoginPort"; // 443 when not set
constexpr char STR_APPVARINFO_YOUTUBE_UPLOAD_HOST[] = "YoutubeUploadHost";
constexpr char STR_APPVARINFO_YOUTUBE_UPLOAD_PORT[] = "YoutubeUploadPort"; // 443 when not set
constexpr char STR_APPVARINFO_YOUTUBE_DEV_KEY[] = "YoutubeDevKey";
// Certificates (PEM) trusted besides the system's store.
constexpr char STR_APPVARINFO_YOUTUBE_CA_FILE[] = "YoutubeCAFile";
// Milliseconds a request may go without progress; 12000 when not set.
constexpr char STR_APPVARINFO_YOUTUBE_REQUEST_TIMEOUT[] = "YoutubeRequestTimeout";

// What a run of the upload thread needs to know of the service.
struct YoutubeServiceConfig
{
    QString loginHost;
    int loginPort = 443;
    QString uploadHost;
    int uploadPort = 443;
    QString caFile;
    int requestTimeoutMs = 12000;

    // Reads the settings; owner's (GUI) thread only.
    static YoutubeServiceConfig FromSettings();
};

class CYoutubeUpload : public QThread, public IYoutubeUpload
{
    Q_OBJECT

public:
    CYoutubeUpload();
    ~CYoutubeUpload() override;

    void Free() override;
    bool Init() override;
    bool SetYoutubeAcccountInfo(const char* user, const char* password) override;
    bool SetDevKey(const char* key) override;
    bool SetClientID(const char* id) override;
    IYoutubeUploadTask* CreateUploadTask() override;
    void SetCallBack(IUploadCallBack* callback) override;
    void StartUpload() override;
    void ContinueUpload(bool retry) override;
    void CancelUpload() override;
    int UploadTasksCount() override;
    int IndexofTask(IYoutubeUploadTask* task) override;
    int CurrentTaskIndex() override;

    // The login form for the account; `body` is appended to.
    void buildLoginRequest(QNetworkRequest& request, QByteArray& body);
    // The token of a login answer: the value of its "Auth=" line. False, with
    // `token` emptied, when the answer holds none.
    static bool getAuthToken(QByteArray answer, QByteArray& token);
    // URL and headers of the current task's upload, with its body described
    // for a fresh boundary. False, with the reason recorded, when the body
    // cannot be built.
    bool buildUploadRequest(QNetworkRequest& request);
    static void setRandString(QString& boundary);

    // The result number of a finished request's network error.
    static UploadFaildReason LoginResult(QNetworkReply::NetworkError err, bool bCancelled);
    static UploadFaildReason UploadResult(QNetworkReply::NetworkError err, bool bCancelled);

signals:
    void signal_cancelAllTasks();
    void signal_taskLoginFinished(CYoutubeUploadTask* pTask, QNetworkReply::NetworkError err);
    void signal_taskUploadFinished(CYoutubeUploadTask* pTask, QNetworkReply::NetworkError err);
    void signal_taskInitFailed(CYoutubeUploadTask* pTask);
    void signal_uploadHasCanceled();
    void signal_uploadProgress(qint64 bytesSent, qint64 bytesTotal);

private slots:
    void slot_StartUpload();
    void slot_taskUploadFinished(CYoutubeUploadTask* pTask, QNetworkReply::NetworkError err);
    void slot_taskLoginFinished(CYoutubeUploadTask* pTask, QNetworkReply::NetworkError err);
    void slot_uploadProgress(qint64 bytesSent, qint64 bytesTotal);
    void slot_taskInitFailed(CYoutubeUploadTask* pTask);
    void slot_uploadHasCanceled();
    void slot_allUploadTasksCompleted();
    void slot_cancelAllTasks();

protected:
    void run() override;

private:
    friend class CYoutubeUploadWorker;

    void taskUploadFinished(CYoutubeUploadTask* pTask, UploadFaildReason reason);
    // Asks the worker, on the upload thread, to run one of its slots; nothing
    // happens when no thread runs.
    void PostToWorker(const char* method);

    QString m_sUser;
    QString m_sPassword;
    QByteArray m_devKey;
    QString m_sClientID;
    QList<CYoutubeUploadTask*> m_tasks;
    IUploadCallBack* m_pCallBack = nullptr;
    CYoutubeUploadTask* m_pNextTask = nullptr;
    CYoutubeUploadTask* m_pCurrentTask = nullptr;
    // Guards the next and current task.
    QMutex m_taskLock;
    QByteArray m_authToken;
    std::atomic<bool> m_bCancel{false};

    // The service as read at the last start; the thread reads it while it runs.
    YoutubeServiceConfig m_config;

    // The worker of the running thread body, null outside it.
    QMutex m_workerLock;
    CYoutubeUploadWorker* m_pWorker = nullptr;
};

Q_DECLARE_METATYPE(CYoutubeUploadTask*)
