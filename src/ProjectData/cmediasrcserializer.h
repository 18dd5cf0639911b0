#pragma once

// The media library file: a Qt data stream (version 12) holding a signature
// of the build and then one record per library item. One serializer thread
// does one save or one load.

#include "cmediasourceitem.h"

#include <QList>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <QThread>

namespace Moorland {
class IAVManager;
}

namespace Fablecut {
class CSourceData;
// One item record of the library file.
QDataStream& operator<<(QDataStream& out, const CMediaSourceItem& item);
} // namespace Fablecut

Q_DECLARE_METATYPE(QList<Fablecut::CMediaSourceItem*>)

class CMediaSrcSerializer : public QThread
{
    Q_OBJECT
public:
    CMediaSrcSerializer(QObject* parent, QMutex& mutex, QString filePath, bool bLoad, QString signature);
    // Frees loaded items nobody adopted.
    ~CMediaSrcSerializer() override;

    void SetMediaSourceData(const Fablecut::CSourceData* data) { m_data = data; }
    void SetAVManager(Moorland::IAVManager* manager) { m_manager = manager; }
    // Starts the thread 50 ms later.
    void Start();
    // The receiver of signal_LoadMediaSrcFileFinished takes the items over.
    void AdoptLoadedItems() { m_loaded.clear(); }

    // The work itself, callable on any thread. Write replaces the file only
    // once every record is out; the old file stays otherwise.
    static bool WriteLibraryFile(const QString& path, const QString& signature, const Fablecut::CSourceData* data,
                                 QMutex* mutex);
    // False when the file cannot be opened or carries another signature.
    // Reading stops at the first damaged record: the records before it come
    // back, and a line naming the damage is added to the failed list. The
    // load of a damaged file keeps a copy of it as "<file>.damaged" before
    // the library is saved over it.
    static bool ReadLibraryFile(const QString& path, const QString& signature, Moorland::IAVManager* manager,
                                QList<Fablecut::CMediaSourceItem*>& loaded, QStringList& failed,
                                bool* damaged = nullptr);

signals:
    void signal_LoadMediaSrcFileFailed();
    void signal_LoadMediaSrcFileFinished(QList<Fablecut::CMediaSourceItem*> vSucceedItems, QStringList vFailedFiles);
    void signal_SaveMediaSrcFileFinished(bool bSucceed);

private slots:
    void slot_Start();

protected:
    void run() override;

private:
    void LoadMediaSourceItems();
    void SaveMediaSourceItems();

    QMutex& m_mutex;
    QString m_path;
    bool m_load;
    const Fablecut::CSourceData* m_data = nullptr;
    Moorland::IAVManager* m_manager = nullptr;
    QString m_signature;
    QList<Fablecut::CMediaSourceItem*> m_loaded;
};
