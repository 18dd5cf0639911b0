#pragma once

// What runs after an output task's conversion has finished, carried by the
// task: the upload of the file it wrote. The task queue starts it and hears
// how it goes, and knows nothing of what it does; the library that does it
// (the uploader) stays out of the task list. GUI thread only.

#include <QString>
#include <QtGlobal>

class CMMOutputTask;

// Why the upload after a conversion failed: the uploader's reasons
// (IYoutubeUpload::UploadFaildReason, the same numbers) and the two the
// upload finds before it makes an uploader.
namespace UploadFailure {
enum Reason {
    AlreadyRunning = 1,
    NoTasks = 2,
    NoClientId = 3,
    LoginFailed = 4,
    TaskInvalid = 5,
    Cancelled = 6,
    HostNotFound = 7,
    Timeout = 8,
    ConnectionRefused = 9,
    RemoteClosed = 10,
    SslFailed = 11,
    OtherNetworkError = 12,
    NoService = 100, // no upload service is configured
    NoAccount = 101, // no account is stored
};
} // namespace UploadFailure

class IOutputTaskAction
{
public:
    // Hears how the action goes for the one task it was run for.
    class IListener
    {
    public:
        virtual void ActionStarted() = 0;
        virtual void ActionProgress(qint64 done, qint64 total) = 0;
        virtual void ActionSucceeded() = 0;
        // reason: an UploadFailure::Reason; atStart: refused before anything
        // was sent; the log and the file's name come with the network
        // failures only.
        virtual void ActionFailed(int reason, bool atStart, const QString& log, const QString& fileName) = 0;

    protected:
        ~IListener() = default;
    };

    virtual ~IOutputTaskAction() = default;
    // The task was handed to the engine: what the action must know from the
    // task's first start (the account) is read now.
    virtual void TaskStarted(CMMOutputTask& task) = 0;
    // Whether the task's finished conversion is followed by the action (the
    // user chooses it per task).
    virtual bool Wanted(const CMMOutputTask& task) const = 0;
    // Runs the action on the file the task wrote. True: every end is told
    // to the listener, possibly before this returns; false: it could not
    // begin and nothing will be told. The listener outlives the action.
    virtual bool Run(CMMOutputTask& task, IListener* listener) = 0;
};
