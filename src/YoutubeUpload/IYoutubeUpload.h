#pragma once

// Uploads finished output files to the video service, one after another, on
// a thread of its own. Every callback arrives on the thread that created the
// uploader, from that thread's event loop.

#include "IYoutubeUploadTask.h"

#include <QtGlobal>

class IYoutubeUpload
{
public:
    // The numbers are what the callback receives.
    enum UploadFaildReason {
        UPLOAD_SUCCEED = 0,
        UPLOAD_ALREADY_RUNNING = 1,
        UPLOAD_NO_TASKS = 2,
        UPLOAD_NO_CLIENT_ID = 3,
        UPLOAD_LOGIN_FAILED = 4, // no account, or the service refused it
        UPLOAD_TASK_INVALID = 5, // nothing was sent
        UPLOAD_CANCELLED = 6,
        UPLOAD_HOST_NOT_FOUND = 7,
        UPLOAD_TIMEOUT = 8,
        UPLOAD_CONNECTION_REFUSED = 9,
        UPLOAD_REMOTE_CLOSED = 10,
        UPLOAD_SSL_FAILED = 11,
        UPLOAD_OTHER_NETWORK_ERROR = 12,
    };

    class IUploadCallBack
    {
    public:
        virtual void OnUploadInitFailed(UploadFaildReason reason) = 0;
        // The upload request only, never the login.
        virtual void OnUploadTaskProgressChanged(IYoutubeUploadTask* task, qint64 bytesSent, qint64 bytesTotal) = 0;
        virtual void OnUploadTaskSucceed(IYoutubeUploadTask* task) = 0;
        // The uploader then waits for ContinueUpload or CancelUpload.
        virtual void OnUploadTaskFailed(IYoutubeUploadTask* task, UploadFaildReason reason) = 0;
        virtual void OnUploadCancelled() = 0;
        virtual void OnAllTasksCompleted() = 0;

    protected:
        ~IUploadCallBack() = default;
    };

    // Ends a running upload, waits for its thread and destroys the uploader.
    virtual void Free() = 0;
    virtual bool Init() = 0;
    // Both texts UTF-8.
    virtual bool SetYoutubeAcccountInfo(const char* user, const char* password) = 0;
    virtual bool SetDevKey(const char* key) = 0;
    virtual bool SetClientID(const char* id) = 0;
    // A new empty task at the end of the list, owned by the uploader.
    virtual IYoutubeUploadTask* CreateUploadTask() = 0;
    virtual void SetCallBack(IUploadCallBack* callback) = 0;
    // Checks and starts 50 ms later; refusals arrive as OnUploadInitFailed.
    virtual void StartUpload() = 0;
    // After a failed task: the same task again (retry) or the following one.
    virtual void ContinueUpload(bool retry) = 0;
    virtual void CancelUpload() = 0;
    virtual int UploadTasksCount() = 0;
    virtual int IndexofTask(IYoutubeUploadTask* task) = 0;
    virtual int CurrentTaskIndex() = 0;

protected:
    ~IYoutubeUpload() = default;
};

// The caller owns the uploader and releases it with Free.
extern "C" IYoutubeUpload* CreateYoutubeUploader();
