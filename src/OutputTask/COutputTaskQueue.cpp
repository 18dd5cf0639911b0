#include "COutputTaskQueue.h"

#include "Basilvo/Basilvo.h"
#include "ConvertTaskInfo2.h"
#include "IAVConverter.h"
#include "cmmoutputtask.h"

#include <QTimer>

#include <algorithm>

// Tells the queue's signals how a task's after-action goes.
class COutputTaskQueue::ActionListener : public IOutputTaskAction::IListener
{
public:
    ActionListener(COutputTaskQueue* pQueue, CMMOutputTask* pTask) : m_pQueue(pQueue), m_pTask(pTask) {}

    void ActionStarted() override { emit m_pQueue->uploadStarted(m_pTask); }
    void ActionProgress(qint64 done, qint64 total) override { emit m_pQueue->uploadProgress(m_pTask, done, total); }
    void ActionSucceeded() override
    {
        emit m_pQueue->uploadSucceeded(m_pTask);
        m_pQueue->uploadEnded(m_pTask);
    }
    void ActionFailed(int reason, bool atStart, const QString& log, const QString& fileName) override
    {
        emit m_pQueue->uploadFailed(m_pTask, reason, atStart, log, fileName);
        m_pQueue->uploadEnded(m_pTask);
    }

private:
    COutputTaskQueue* m_pQueue;
    CMMOutputTask* m_pTask;
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
    // The tasks' actions report to the listeners: the tasks go first.
    qDeleteAll(m_tasks);
    m_tasks.clear();
    m_listeners.clear();
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
    if (m_running.removeAll(pTask) > 0) {
        if (m_pConverter && pTask->GetConvertTaskID() >= 0)
            m_pConverter->RemoveConvertTask(pTask->GetConvertTaskID());
        emit runningCountChanged(m_running.size());
    }
    delete pTask;
    m_listeners.erase(pTask);
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
    if (IOutputTaskAction* action = pTask->GetAfterAction())
        action->TaskStarted(*pTask);
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
            if (m_tasks.contains(task) && HasAfterAction(task))
                runAfterAction(task);
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

bool COutputTaskQueue::HasAfterAction(const CMMOutputTask* pTask)
{
    const IOutputTaskAction* action = pTask ? pTask->GetAfterAction() : nullptr;
    return action && action->Wanted(*pTask);
}

void COutputTaskQueue::runAfterAction(CMMOutputTask* pTask)
{
    std::unique_ptr<ActionListener>& listener = m_listeners[pTask];
    if (!listener)
        listener = std::make_unique<ActionListener>(this, pTask);
    // Nothing will report about an action that could not begin.
    if (!pTask->GetAfterAction()->Run(*pTask, listener.get()))
        uploadEnded(pTask);
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
    if (!HasAfterAction(pTask))
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
