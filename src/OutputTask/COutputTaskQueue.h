#pragma once

// The output tasks of the output page as one queue: it owns the tasks, talks
// to the conversion engine for them (submit, pause, resume, remove, stop),
// and keeps which tasks are in the engine's care (converting, paused, or
// finished with their upload still to come). The task list and its rows are
// views of it; the queue knows no widget. GUI thread only.

#include <QList>
#include <QObject>
#include <QString>

class CMMOutputTask;
namespace Moorland { class IAVConverter; }

class COutputTaskQueue : public QObject
{
    Q_OBJECT
public:
    explicit COutputTaskQueue(QObject* parent = nullptr);
    // Tasks still in the engine's care are cancelled through the engine;
    // then every task is deleted.
    ~COutputTaskQueue() override;

    void setAVConverter(Moorland::IAVConverter* pConverter) { m_pConverter = pConverter; }
    Moorland::IAVConverter* converter() const { return m_pConverter; }

    // Takes the task; it stays until remove().
    void append(CMMOutputTask* pTask);
    // Takes the task out of the engine's care (the engine cancels a running
    // job) and deletes it.
    void remove(CMMOutputTask* pTask);
    QList<CMMOutputTask*> tasks() const { return m_tasks; }
    int count() const { return m_tasks.size(); }

    // In the engine's care: submitted and not yet ended (a paused task is).
    bool isRunning(CMMOutputTask* pTask) const { return m_running.contains(pTask); }
    int runningCount() const { return m_running.size(); }
    // Never submitted, or paused: the start-checked command may start it.
    static bool isStartable(const CMMOutputTask* pTask);

    // The first start: hands the task to the engine (and starts the engine
    // when it is stopped). False, with the reason in failure, when the task
    // could not be submitted; it then stays startable.
    bool submit(CMMOutputTask* pTask, QString* failure = nullptr);
    void pause(CMMOutputTask* pTask);
    void resume(CMMOutputTask* pTask);

    // The ends of a task, as its job record shows them. A finished task
    // whose upload follows stays in the engine's care until uploadEnded.
    void conversionFinished(CMMOutputTask* pTask);
    void conversionFailed(CMMOutputTask* pTask);
    void uploadEnded(CMMOutputTask* pTask);

signals:
    void runningCountChanged(int nRunning);

private:
    void leave(CMMOutputTask* pTask);
    void stopEngineWhenIdle();

    Moorland::IAVConverter* m_pConverter = nullptr;
    QList<CMMOutputTask*> m_tasks;
    QList<CMMOutputTask*> m_running;
    bool m_bEngineStarted = false;
};
