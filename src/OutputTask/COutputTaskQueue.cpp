#include "COutputTaskQueue.h"

#include "Basilvo/Basilvo.h"
#include "AppConfigure/CAppFixedInfo.h"
#include "AppConfigure/CAppVariableInfo.h"
#include "ConvertTaskInfo2.h"
#include "IAVConverter.h"
#include "YoutubeUpload/IYoutubeUpload.h"
#include "cmmoutputtask.h"
#include "youtubeaccount.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>

// One task's upload: the account read when the task first started, and the
// uploader, whose reports it turns into the queue's signals for its task.
class COutputTaskQueue::Upload : public IYoutubeUpload::IUploadCallBack
{
public:
    Upload(COutputTaskQueue* pQueue, CMMOutputTask* pTask) : m_pQueue(pQueue), m_pTask(pTask) {}
    ~Upload()
    {
        if (m_pUploader)
            m_pUploader->Free();
    }
    Upload(const Upload&) = delete;
    Upload& operator=(const Upload&) = delete;

    // An account that no longer deciphers leaves the one read before; a
    // removed account leaves none.
    void readAccount()
    {
        const QString stored =
            CAppVariableInfo::GetInstance()->GetInfoValue("YoutubeAccountInfo", QVariant()).toString();
        if (!YoutubeAccount::Decode(stored, YoutubeAccount::AccountKey(), m_user, m_password) && stored.isEmpty()) {
            m_user.clear();
            m_password.clear();
        }
    }

    // Makes the uploader and its one task for the file the conversion wrote.
    bool prepare()
    {
        if (!m_pUploader) {
            m_pUploader = CreateYoutubeUploader();
            if (!m_pUploader)
                return false;
            m_pUploader->SetCallBack(this);
            const QString code = CAppFixedInfo::GetInstance()->GetInfoValue("APPS_PRODUCT_CODE").toString();
            m_pUploader->SetClientID(code.toUtf8().constData());
        }
        // The account as stored now: it may have been entered while converting.
        readAccount();
        if (!m_user.isEmpty())
            m_pUploader->SetYoutubeAcccountInfo(m_user.toUtf8().constData(), m_password.toUtf8().constData());
        // The task's own destination; a task whose job was handed over
        // elsewhere is looked for in the output folder.
        QString path = m_pTask->GetTaskDstFilePath();
        if (path.isEmpty())
            path = QDir::toNativeSeparators(
                       CAppVariableInfo::GetInstance()->GetInfoValue("OutputPath", QVariant()).toString()) +
                   QDir::separator() + m_pTask->GetTaskDstName() + m_pTask->GetDstFileExt();
        IYoutubeUploadTask* task = m_pUploader->CreateUploadTask();
        if (!task)
            return false;
        CYoutubeVideoInfo* info = m_pTask->GetYoutubeInfo();
        task->SetTaskInfo(IYoutubeUploadTask::TASK_INFO_SOURCE_FILE, path.toUtf8().constData());
        task->SetTaskInfo(IYoutubeUploadTask::TASK_INFO_TITLE, info->GetTitle().toUtf8().constData());
        task->SetTaskInfo(IYoutubeUploadTask::TASK_INFO_DESCRIPTION, info->GetDescription().toUtf8().constData());
        task->SetTaskInfo(IYoutubeUploadTask::TASK_INFO_KEYWORDS, info->GetKeywords().toUtf8().constData());
        task->SetVideoCategory(info->GetCategory());
        task->SetAccessType(info->GetAccessType());
        return true;
    }
    void start() { m_pUploader->StartUpload(); }

    void OnUploadInitFailed(IYoutubeUpload::UploadFaildReason reason) override
    {
        emit m_pQueue->uploadFailed(m_pTask, int(reason), true, QString(), QString());
        m_pQueue->uploadEnded(m_pTask);
    }
    void OnUploadTaskProgressChanged(IYoutubeUploadTask*, qint64 sent, qint64 total) override
    {
        emit m_pQueue->uploadProgress(m_pTask, sent, total);
    }
    void OnUploadTaskSucceed(IYoutubeUploadTask*) override
    {
        emit m_pQueue->uploadSucceeded(m_pTask);
        m_pQueue->uploadEnded(m_pTask);
    }
    void OnUploadTaskFailed(IYoutubeUploadTask* task, IYoutubeUpload::UploadFaildReason reason) override
    {
        QString log;
        if (task) {
            const char* text = task->GetTaskInfo(IYoutubeUploadTask::TASK_INFO_ERROR_LOG);
            log = text ? QString::fromUtf8(text) : QString();
        }
        // Only a network failure's log tells the user more; any other is
        // not kept.
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
        emit m_pQueue->uploadFailed(m_pTask, int(reason), false, log, name);
        m_pQueue->uploadEnded(m_pTask);
    }
    void OnUploadCancelled() override {}
    void OnAllTasksCompleted() override {}

private:
    COutputTaskQueue* m_pQueue;
    CMMOutputTask* m_pTask;
    IYoutubeUpload* m_pUploader = nullptr;
    QString m_user;
    QString m_password;
};

COutputTaskQueue::COutputTaskQueue(QObject* parent) : QObject(parent)
{
    qRegisterMetaType<CMMOutputTask*>();
    m_pPollTimer = new QTimer(this);
    m_pPollTimer->setInterval(kPollInterval);
    connect(m_pPollTimer, &QTimer::timeout, this, &COutputTaskQueue::poll);
}

COutputTaskQueue::~COutputTaskQueue()
{
    m_pPollTimer->stop();
    m_polled.clear();
    if (!m_running.isEmpty() && m_pConverter) {
        m_pConverter->StopAllConvertTasks();
        m_pConverter->StopConvert(1);
    }
    m_running.clear();
    // The uploaders first: they report about the tasks.
    m_uploads.clear();
    qDeleteAll(m_tasks);
    m_tasks.clear();
}

void COutputTaskQueue::append(CMMOutputTask* pTask)
{
    if (pTask && !m_tasks.contains(pTask))
        m_tasks.append(pTask);
}

void COutputTaskQueue::remove(CMMOutputTask* pTask)
{
    if (!m_tasks.removeOne(pTask))
        return;
    stopPolling(pTask);
    m_uploads.erase(pTask);
    if (m_running.removeAll(pTask) > 0) {
        if (m_pConverter && pTask->GetConvertTaskID() >= 0)
            m_pConverter->RemoveConvertTask(pTask->GetConvertTaskID());
        emit runningCountChanged(m_running.size());
    }
    delete pTask;
}

bool COutputTaskQueue::isStartable(const CMMOutputTask* pTask)
{
    const Moorland::ConvertTaskInfo2* record = pTask ? pTask->GetBaseConvertTaskInfo() : nullptr;
    return pTask && (!record || record->GetState() == Moorland::CONVERT_TASK_PAUSED);
}

bool COutputTaskQueue::submit(CMMOutputTask* pTask, QString* failure)
{
    if (!pTask || !m_tasks.contains(pTask))
        return false;
    Moorland::ConvertTaskInfo2* record = nullptr;
    QString reason;
    try {
        GetQuentaException()->Clear();
        record = pTask->GenerateConverterTask(m_pConverter);
        if (!record)
            if (const char* msg = GetQuentaException()->GetExceptionMsg())
                reason = QString::fromUtf8(msg);
    } catch (const std::exception& e) {
        reason = QString::fromLocal8Bit(e.what());
    } catch (...) {
    }
    if (!record) {
        // Nothing polls a record that does not exist; the task may be
        // started again.
        pTask->RemoveConverterTaskInfo();
        if (failure)
            *failure = reason;
        return false;
    }
    if (!m_bEngineStarted && m_pConverter) {
        m_pConverter->StartConvert();
        m_bEngineStarted = true;
    }
    follow(pTask);
    return true;
}

void COutputTaskQueue::follow(CMMOutputTask* pTask)
{
    if (!pTask || !m_tasks.contains(pTask) || !pTask->GetBaseConvertTaskInfo())
        return;
    if (!m_running.contains(pTask)) {
        m_running.append(pTask);
        emit runningCountChanged(m_running.size());
    }
    uploadOf(pTask)->readAccount();
    startPolling(pTask);
}

void COutputTaskQueue::pause(CMMOutputTask* pTask)
{
    stopPolling(pTask);
    if (m_pConverter && pTask)
        m_pConverter->PauseConvertTask(pTask->GetConvertTaskID());
}

void COutputTaskQueue::resume(CMMOutputTask* pTask)
{
    if (m_pConverter && pTask && pTask->GetBaseConvertTaskInfo())
        m_pConverter->ResumeConvertTask(pTask->GetConvertTaskID());
    if (pTask && m_running.contains(pTask))
        startPolling(pTask);
}

void COutputTaskQueue::startPolling(CMMOutputTask* pTask)
{
    if (!m_polled.contains(pTask))
        m_polled.append(pTask);
    if (const Moorland::ConvertTaskInfo2* record = pTask->GetBaseConvertTaskInfo())
        m_polledPercent[pTask] = record->GetPercent();
    if (!m_clock.isValid())
        m_clock.start();
    m_handedAt[pTask] = m_clock.elapsed();
    if (!m_pPollTimer->isActive() || m_pPollTimer->interval() > kFirstPollInterval)
        m_pPollTimer->start(kFirstPollInterval);
}

void COutputTaskQueue::stopPolling(CMMOutputTask* pTask)
{
    m_polled.removeAll(pTask);
    m_polledPercent.remove(pTask);
    m_handedAt.remove(pTask);
    if (m_polled.isEmpty())
        m_pPollTimer->stop();
}

void COutputTaskQueue::poll()
{
    // A signal's receiver may remove tasks: each is looked for again.
    const QList<CMMOutputTask*> tasks = m_polled;
    const int waited = m_pPollTimer->interval();
    int next = kPollInterval;
    for (CMMOutputTask* task : tasks) {
        if (!m_polled.contains(task))
            continue;
        const Moorland::ConvertTaskInfo2* record = task->GetBaseConvertTaskInfo();
        if (!record)
            continue;
        const int state = record->GetState();
        const double percent = record->GetPercent();
        if (state == Moorland::CONVERT_TASK_RUNNING) {
            const auto seen = m_polledPercent.constFind(task);
            next = std::min(next, nextPollInterval(percent, seen != m_polledPercent.constEnd() ? *seen : -1.0, waited));
            const auto handed = m_handedAt.constFind(task);
            if (handed != m_handedAt.constEnd() && m_clock.elapsed() - *handed < kFirstLooksMs)
                next = std::min(next, kFirstPollInterval);
            m_polledPercent[task] = percent;
        }
        emit taskPolled(task, state, percent);
        if (!m_polled.contains(task))
            continue;
        if (state == Moorland::CONVERT_TASK_FAILED) {
            conversionFailed(task);
            emit taskFailed(task, task->GetFailureText(), task->GetConvertLogPath());
        } else if (state == Moorland::CONVERT_TASK_FINISHED) {
            conversionFinished(task);
            emit taskFinished(task);
            if (m_tasks.contains(task) && task->IsYoutubeTask() && task->GetUploadtoYoutube())
                startUpload(task);
        }
    }
    m_pPollTimer->setInterval(next);
}

int COutputTaskQueue::nextPollInterval(double percent, double previous, int waited)
{
    if (percent >= 100.0)
        return kEndPollInterval;
    if (previous < 0 || percent <= previous || waited <= 0)
        return kPollInterval;
    const double due = (100.0 - percent) * waited / (percent - previous);
    return static_cast<int>(std::clamp(due, static_cast<double>(kEndPollInterval), static_cast<double>(kPollInterval)));
}

COutputTaskQueue::Upload* COutputTaskQueue::uploadOf(CMMOutputTask* pTask)
{
    std::unique_ptr<Upload>& up = m_uploads[pTask];
    if (!up)
        up = std::make_unique<Upload>(this, pTask);
    return up.get();
}

int COutputTaskQueue::uploadRefusal()
{
    // The hosts are the uploader's settings; without them every request
    // would only time out.
    CAppVariableInfo* settings = CAppVariableInfo::GetInstance();
    for (const char* key : {"YoutubeLoginHost", "YoutubeUploadHost"})
        if (settings->GetInfoValue(key, QVariant()).toString().trimmed().isEmpty())
            return UPLOAD_NO_SERVICE;
    if (!YoutubeAccount::HasStoredAccount())
        return UPLOAD_NO_ACCOUNT;
    return 0;
}

void COutputTaskQueue::startUpload(CMMOutputTask* pTask)
{
    if (const int refusal = uploadRefusal()) {
        emit uploadFailed(pTask, refusal, true, QString(), QString());
        uploadEnded(pTask);
        return;
    }
    Upload* up = uploadOf(pTask);
    if (!up->prepare()) {
        // Nothing will report about an upload that could not begin.
        uploadEnded(pTask);
        return;
    }
    emit uploadStarted(pTask);
    up->start();
}

void COutputTaskQueue::leave(CMMOutputTask* pTask)
{
    if (m_running.removeAll(pTask) > 0)
        emit runningCountChanged(m_running.size());
}

void COutputTaskQueue::stopEngineWhenIdle()
{
    if (m_running.isEmpty() && m_bEngineStarted) {
        if (m_pConverter)
            m_pConverter->StopConvert(0);
        m_bEngineStarted = false;
    }
}

void COutputTaskQueue::conversionFinished(CMMOutputTask* pTask)
{
    if (!pTask)
        return;
    stopPolling(pTask);
    if (!(pTask->IsYoutubeTask() && pTask->GetUploadtoYoutube()))
        leave(pTask);
    stopEngineWhenIdle();
}

void COutputTaskQueue::conversionFailed(CMMOutputTask* pTask)
{
    stopPolling(pTask);
    leave(pTask);
    stopEngineWhenIdle();
}

void COutputTaskQueue::uploadEnded(CMMOutputTask* pTask)
{
    // The engine stays started: the next first start needs no StartConvert.
    leave(pTask);
}
