#pragma once

// The uploader of finished output files to the video service: one uploader
// per upload, made by CreateYoutubeUploader and released with Free. Results
// reach the owner through IUploadCallBack on the owner's thread.

#include "CYoutubeVideoInfo.h"

#include <QtGlobal>

// One file to upload with its metadata; the uploader owns it.
class IYoutubeUploadTask
{
public:
    enum TaskInfoType
    {
        TASKINFO_SOURCE_FILE = 0,
        TASKINFO_TITLE = 1,
        TASKINFO_DESCRIPTION = 2,
        TASKINFO_KEYWORDS = 3,
        TASKINFO_DATA_FILE = 4,
        TASKINFO_ERROR_LOG = 5,
    };

    // UTF-8 texts; false (reason recorded) when the text is refused.
    virtual bool SetTaskInfo(TaskInfoType type, const char* text) = 0;
    // The field as UTF-8, or null when it is not set.
    virtual const char* GetTaskInfo(TaskInfoType type) = 0;
    virtual bool SetVideoCategory(YoutubeVideoCategory category) = 0;
    virtual YoutubeVideoCategory GetVideoCategory() = 0;
    virtual bool SetAccessType(YoutubeVideoAccessType access) = 0;
    virtual YoutubeVideoAccessType GetAccessType() = 0;
};

class IYoutubeUpload
{
public:
    enum UploadFaildReason
    {
        UPLOAD_SUCCEED = 0,
        UPLOAD_ALREADY_RUNNING = 1,
        UPLOAD_NO_TASKS = 2,
        UPLOAD_NO_CLIENT_INFO = 3,
        UPLOAD_LOGIN_FAILED = 4,
        UPLOAD_TASK_INVALID = 5,
        UPLOAD_CANCELLED = 6,
        UPLOAD_HOST_NOT_FOUND = 7,
        UPLOAD_TIMEOUT = 8,
        UPLOAD_CONNECTION_REFUSED = 9,
        UPLOAD_REMOTE_HOST_CLOSED = 10,
        UPLOAD_SSL_HANDSHAKE_FAILED = 11,
        UPLOAD_NETWORK_ERROR = 12,
    };

    // Implemented by the owner; called on the owner's thread.
    class IUploadCallBack
    {
    public:
        virtual void OnUploadInitFailed(UploadFaildReason reason) = 0;
        virtual void OnUploadTaskProgressChanged(IYoutubeUploadTask* task, qint64 bytesSent, qint64 bytesTotal) = 0;
        virtual void OnUploadTaskSucceed(IYoutubeUploadTask* task) = 0;
        virtual void OnUploadTaskFailed(IYoutubeUploadTask* task, UploadFaildReason reason) = 0;
        virtual void OnUploadCancelled() = 0;
        virtual void OnAllTasksCompleted() = 0;

    protected:
        ~IUploadCallBack() = default;
    };

    virtual void Free() = 0;
    virtual bool Init() = 0;
    virtual bool SetYoutubeAcccountInfo(const char* user, const char* password) = 0;
    virtual bool SetDevKey(const char* key) = 0;
    virtual bool SetClientID(const char* id) = 0;
    virtual IYoutubeUploadTask* CreateUploadTask() = 0;
    virtual void SetCallBack(IUploadCallBack* callback) = 0;
    virtual void StartUpload() = 0;
    virtual void ContinueUpload(bool retry) = 0;
    virtual void CancelUpload() = 0;
    virtual int UploadTasksCount() = 0;
    virtual int IndexofTask(IYoutubeUploadTask* task) = 0;
    virtual int CurrentTaskIndex() = 0;

protected:
    ~IYoutubeUpload() = default;
};

// A new uploader with its own thread, owned by the caller (release with Free).
IYoutubeUpload* CreateYoutubeUploader();
