#pragma once

// Turns a list of media files into library items on a worker thread: refuses
// pictures, recognises files the library holds, opens and probes the rest and
// grabs their thumbnails. It never changes the library list; finished items
// wait in the thread's outbox until the library manager takes them by id on
// the GUI thread, so no pointer crosses threads.

#include <QMap>
#include <QMutex>
#include <QStringList>
#include <QThread>

#include <atomic>

namespace Moorland {
class IAVManager;
}
namespace Fablecut {
class CSourceData;
class ISourceDataItem;
} // namespace Fablecut

class CDCMediaSrcImporter : public QThread
{
    Q_OBJECT
public:
    CDCMediaSrcImporter(QObject* parent, Moorland::IAVManager* manager, QMutex* libraryLock);
    // Frees the items nobody took. The owner waits for the thread first.
    ~CDCMediaSrcImporter() override;

    void SetDataNode(Fablecut::CSourceData* data) { m_data = data; }
    void AddImportFilesPaths(QStringList paths) { m_paths << paths; }
    void SetEnableImportImage(bool bEnable) { m_importImage = bEnable; }
    // Asks the run to stop at its next check; does not wait.
    void Cancel() { m_cancel = true; }
    // Starts the thread 50 ms later.
    void Start();
    // The new item announced with this id, now the caller's; null when the id
    // is unknown or was taken already.
    Fablecut::ISourceDataItem* TakeItem(int nItemId);

signals:
    void signal_BeforeImportSingleFile(QString sFileFullPath, int nTotalFilesCount, int nCurFileIndex);
    void signal_OnSingleFileImportFailed(QString sFileFullPath, QString errMsg, int nFailCode);
    // bNewAdded true: a new item waits under nItemId (TakeItem). False: the
    // library already holds the path (nItemId -1); look it up again by path.
    void signal_OnSingleFileImportFinished(QString sFileFullPath, int nItemId, bool bNewAdded);
    void signal_OnAllFilesImportFinished(bool bSuccess);
    void signal_OnImportCancelled();

public slots:
    void slot_Start();

protected:
    void run() override;

private:
    void ImportOne(const QString& path, int index, int total);

    QStringList m_paths;
    Fablecut::CSourceData* m_data = nullptr;
    std::atomic<bool> m_cancel{false};
    Moorland::IAVManager* m_manager;
    bool m_allSucceeded = true;
    QMutex* m_libraryLock;
    bool m_importImage = false;
    QMutex m_outboxLock;
    QMap<int, Fablecut::ISourceDataItem*> m_outbox;
    int m_nextId = 1;
};
