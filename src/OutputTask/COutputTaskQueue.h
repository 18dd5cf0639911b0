#pragma once

// The output tasks of the output page as one queue: it owns the tasks, talks
// to the conversion engine for them (submit, pause, resume, remove, stop),
// and keeps which tasks are in the engine's care (converting, paused, or
// finished with their upload still to come). One timer polls the job record
// of every converting task every 500 ms; a finished task then runs what its
// task carries to follow the conversion (IOutputTaskAction: the upload).
// What changes is told per task through the signals; the task list and its
// rows only draw it. The queue knows no widget and no uploader. GUI thread
// only.

#include "cmmoutputtask.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>

#include <map>
#include <memory>

class QTimer;
namespace Moorland {
class IAVConverter;
}
// The signals name their task; queued and recorded signals need its type.
Q_DECLARE_METATYPE(CMMOutputTask*)

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
    // A paused task's record is not polled until it is resumed.
    void pause(CMMOutputTask* pTask);
    void resume(CMMOutputTask* pTask);
    // Takes a task whose record is already set (a job the engine holds) into
    // the engine's care and polls its record from now on.
    void follow(CMMOutputTask* pTask);
    bool isPolled(CMMOutputTask* pTask) const { return m_polled.contains(pTask); }
    static constexpr int kPollInterval = 500;
    // Once a converting task's record shows all its pictures done, only the
    // encoder's flush and the output's check are left: the end is looked
    // for this often, so that the user sees it when it is there.
    static constexpr int kEndPollInterval = 40;
    // A task just handed over or resumed is looked at this often for its
    // first kFirstLooksMs, its pace judged from where it started: a job done
    // in a fraction of the beat (a lossless copy) shows finished when it is.
    static constexpr int kFirstPollInterval = 20;
    static constexpr int kFirstLooksMs = 1000;
    // The wait before the next look at a converting task whose record showed
    // `previous` percent `waited` ms before it showed `percent`: the beat, or
    // less when at that pace its pictures are done before the beat, so that
    // the end poll starts when they are; once they are done, the end poll.
    static int nextPollInterval(double percent, double previous, int waited);

    // The ends of a task, as its job record shows them. A finished task
    // whose upload follows stays in the engine's care until uploadEnded.
    // The upload is the task's after-action, wanted for it.
    static bool HasAfterAction(const CMMOutputTask* pTask);
    void conversionFinished(CMMOutputTask* pTask);
    void conversionFailed(CMMOutputTask* pTask);
    void uploadEnded(CMMOutputTask* pTask);

signals:
    void runningCountChanged(int nRunning);
    // A poll of a converting task's record (its state and percent).
    void taskPolled(CMMOutputTask* pTask, int nState, double dPercent);
    // The conversion's end as its record shows it; a failure with the
    // engine's reason and the job's own log (either may be empty).
    void taskFinished(CMMOutputTask* pTask);
    void taskFailed(CMMOutputTask* pTask, const QString& reason, const QString& logPath);
    // The upload after a finished conversion (the task's after-action). A
    // failure carries its reason (UploadFailure::Reason), whether it came
    // before anything was sent, and, for the network failures only, the
    // uploader's log and the uploaded file's name; the conversion stays
    // finished whatever the upload does.
    void uploadStarted(CMMOutputTask* pTask);
    void uploadProgress(CMMOutputTask* pTask, qint64 nSent, qint64 nTotal);
    void uploadSucceeded(CMMOutputTask* pTask);
    void uploadFailed(CMMOutputTask* pTask, int nReason, bool bAtStart, const QString& logPath,
                      const QString& fileName);

public:
    // The refusals an upload meets before it makes an uploader, as
    // uploadFailed carries them.
    enum UploadRefusal {
        UPLOAD_NO_SERVICE = UploadFailure::NoService,
        UPLOAD_NO_ACCOUNT = UploadFailure::NoAccount,
    };

private slots:
    void poll();

private:
    class ActionListener;

    void leave(CMMOutputTask* pTask);
    void stopEngineWhenIdle();
    void startPolling(CMMOutputTask* pTask);
    void stopPolling(CMMOutputTask* pTask);
    void runAfterAction(CMMOutputTask* pTask);

    Moorland::IAVConverter* m_pConverter = nullptr;
    QList<CMMOutputTask*> m_tasks;
    QList<CMMOutputTask*> m_running;
    bool m_bEngineStarted = false;
    QTimer* m_pPollTimer = nullptr;
    QList<CMMOutputTask*> m_polled;
    QHash<CMMOutputTask*, double> m_polledPercent; // as the last look saw it
    QHash<CMMOutputTask*, qint64> m_handedAt;      // m_clock's time of the hand-over or resume
    QElapsedTimer m_clock;
    // What each task's after-action tells, once it has run.
    std::map<CMMOutputTask*, std::unique_ptr<ActionListener>> m_listeners;
};
