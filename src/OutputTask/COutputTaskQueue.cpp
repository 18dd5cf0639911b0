#include "COutputTaskQueue.h"

#include "Basilvo/Basilvo.h"
#include "ConvertTaskInfo2.h"
#include "IAVConverter.h"
#include "cmmoutputtask.h"

COutputTaskQueue::COutputTaskQueue(QObject* parent) : QObject(parent) {}

COutputTaskQueue::~COutputTaskQueue()
{
    if (!m_running.isEmpty() && m_pConverter) {
        m_pConverter->StopAllConvertTasks();
        m_pConverter->StopConvert(1);
    }
    m_running.clear();
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
    if (!m_running.contains(pTask)) {
        m_running.append(pTask);
        emit runningCountChanged(m_running.size());
    }
    return true;
}

void COutputTaskQueue::pause(CMMOutputTask* pTask)
{
    if (m_pConverter && pTask)
        m_pConverter->PauseConvertTask(pTask->GetConvertTaskID());
}

void COutputTaskQueue::resume(CMMOutputTask* pTask)
{
    if (m_pConverter && pTask && pTask->GetBaseConvertTaskInfo())
        m_pConverter->ResumeConvertTask(static_cast<unsigned int>(pTask->GetBaseConvertTaskInfo()->TaskID));
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
    if (!(pTask->IsYoutubeTask() && pTask->GetUploadtoYoutube()))
        leave(pTask);
    stopEngineWhenIdle();
}

void COutputTaskQueue::conversionFailed(CMMOutputTask* pTask)
{
    leave(pTask);
    stopEngineWhenIdle();
}

void COutputTaskQueue::uploadEnded(CMMOutputTask* pTask)
{
    // The engine stays started: the next first start needs no StartConvert.
    leave(pTask);
}
