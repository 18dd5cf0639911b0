#pragma once

// What the uploader tests share: a sandboxed settings home, the callback
// recorder, waiting on the event loop, and generated source files.

#include "YoutubeUpload/IYoutubeUpload.h"
#include "YoutubeUpload/cyoutubeupload.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QThread>

#include <functional>
#include <memory>

// Runs the event loop until `done` holds or `ms` have passed.
bool WaitUntil(const std::function<bool()>& done, int ms = 30000);
// Runs the event loop for `ms`.
void Spin(int ms);

// A file of `size` bytes of a repeatable pattern.
QByteArray WriteSource(const QString& path, qint64 size, quint32 seed = 1);

// Points the uploader's settings at the loopback server(s).
void ConfigureService(quint16 loginPort, quint16 uploadPort, const QString& caFile, int timeoutMs = 12000,
                      const QString& host = "127.0.0.1");

class Recorder : public IYoutubeUpload::IUploadCallBack
{
public:
    IYoutubeUpload* up = nullptr;
    QStringList events;
    QList<QPair<qint64, qint64>> progress;
    bool offThread = false;

    void OnUploadInitFailed(IYoutubeUpload::UploadFaildReason reason) override
    {
        Check();
        events << QString("init %1").arg(int(reason));
    }
    void OnUploadTaskProgressChanged(IYoutubeUploadTask*, qint64 sent, qint64 total) override
    {
        Check();
        progress.append({sent, total});
    }
    void OnUploadTaskSucceed(IYoutubeUploadTask* task) override
    {
        Check();
        events << QString("ok %1").arg(up->IndexofTask(task));
    }
    void OnUploadTaskFailed(IYoutubeUploadTask* task, IYoutubeUpload::UploadFaildReason reason) override
    {
        Check();
        events << QString("fail %1 %2").arg(up->IndexofTask(task)).arg(int(reason));
    }
    void OnUploadCancelled() override
    {
        Check();
        events << "cancelled";
    }
    void OnAllTasksCompleted() override
    {
        Check();
        events << "completed";
    }
    bool Has(const QString& e) const { return events.contains(e); }

private:
    void Check()
    {
        if (QThread::currentThread() != QCoreApplication::instance()->thread())
            offThread = true;
    }
};

struct UploaderFree
{
    void operator()(IYoutubeUpload* p) const { p->Free(); }
};
using UploaderPtr = std::unique_ptr<IYoutubeUpload, UploaderFree>;

// A new uploader with an account, a client ID and `recorder` as callback.
UploaderPtr MakeUploader(Recorder& recorder, const char* user = "someone@example.org", const char* password = "secret");
// Adds a task for `path` with a title, keywords and category 1.
IYoutubeUploadTask* AddTask(IYoutubeUpload* up, const QString& path,
                            YoutubeVideoAccessType access = YOUTUBE_ACCESS_PUBLIC);

inline CYoutubeUpload* Impl(IYoutubeUpload* up)
{
    return static_cast<CYoutubeUpload*>(up);
}

extern const char kLoginPath[];
extern const char kUploadPath[];
