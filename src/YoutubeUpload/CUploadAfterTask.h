#pragma once

// The upload that follows an output task's conversion: the action the task
// carries (IOutputTaskAction). It reads the account when the task first
// starts and again when the file is ready (the user may enter one while
// converting), refuses at once when no service or account is there, and
// otherwise uploads the task's destination file with the task's upload
// metadata through an uploader of its own, telling the listener how it goes.
// GUI thread only.

#include "OutputTask/IOutputTaskAction.h"
#include "YoutubeUpload/IYoutubeUpload.h"

#include <QString>

#include <memory>

class CUploadAfterTask final : public IOutputTaskAction, private IYoutubeUpload::IUploadCallBack
{
public:
    // `makeUploader` makes the uploader when the upload begins (null: the
    // uploader library's CreateYoutubeUploader); it may give none.
    explicit CUploadAfterTask(IYoutubeUpload* (*makeUploader)() = nullptr);
    ~CUploadAfterTask() override;
    CUploadAfterTask(const CUploadAfterTask&) = delete;
    CUploadAfterTask& operator=(const CUploadAfterTask&) = delete;

    void TaskStarted(CMMOutputTask& task) override;
    bool Wanted(const CMMOutputTask& task) const override;
    bool Run(CMMOutputTask& task, IListener* listener) override;

    // Why an upload could not begin now (an UploadFailure::Reason); 0 when it can.
    static int Refusal();

private:
    void ReadAccount();
    bool Prepare(CMMOutputTask& task);

    void OnUploadInitFailed(IYoutubeUpload::UploadFaildReason reason) override;
    void OnUploadTaskProgressChanged(IYoutubeUploadTask* task, qint64 sent, qint64 total) override;
    void OnUploadTaskSucceed(IYoutubeUploadTask* task) override;
    void OnUploadTaskFailed(IYoutubeUploadTask* task, IYoutubeUpload::UploadFaildReason reason) override;
    void OnUploadCancelled() override {}
    void OnAllTasksCompleted() override {}

    struct FreeUploader
    {
        void operator()(IYoutubeUpload* p) const { p->Free(); }
    };

    IYoutubeUpload* (*m_makeUploader)();
    std::unique_ptr<IYoutubeUpload, FreeUploader> m_uploader;
    IListener* m_listener = nullptr;
    QString m_user;
    QString m_password;
};

// The upload action for a new task, with the uploader library's uploader.
std::unique_ptr<IOutputTaskAction> MakeUploadAfterTask();
