#pragma once

// The one owner of every change to the media library list while the program
// runs: imports on the import thread, loads and saves of the library file on
// the library-file thread, renames, removals and look-ups. Every slot runs on
// the GUI thread.

#include "cmediasourceitem.h"

#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QStringList>

class CAppFixedInfo;
class CAppVariableInfo;
class CDCMediaSrcImporter;
class CMediaSrcSerializer;

namespace Moorland {
class IAVManager;
}
namespace Fablecut {
class CSourceData;
}

class CDCMediaSrcMgr : public QObject
{
    Q_OBJECT
public:
    CDCMediaSrcMgr(QObject* parent, Moorland::IAVManager* manager);
    // Cancels a running import, then waits for both threads.
    ~CDCMediaSrcMgr() override;

    void SetSourceStructure(Fablecut::CSourceData* data) { m_data = data; }
    Fablecut::CSourceData* GetSourceStructure() const { return m_data; }
    void SetAVManager(Moorland::IAVManager* manager) { m_manager = manager; }
    void CancelImport();
    bool ImportMediaFiles(QStringList paths);
    bool LoadMediaSourcefromFile(QString path);
    bool SaveMediaSourcetoFile(QString path);

    // The file of the library-file job that ended last; read it in a slot of
    // signal_SaveMediaSrcFileFinished to know whose save it was.
    QString GetFinishedLibraryFile() const { return m_finishedPath; }
    QString GetDefaultLibraryFile() const { return m_defaultFile; }
    void SetDefaultLibraryFile(QString path) { m_defaultFile = path; }
    QString GetLibrarySignature() const { return m_signature; }
    // The signature of library files written by this build.
    static QString ComputeLibrarySignature();

signals:
    void signal_InitImporterFailed();
    void signal_BeforeImportSingleFile(QString sFileFullPath, int nTotalFilesCount, int nCurFileIndex);
    void signal_OnSingleFileImportFinished(QString sFileFullPath);
    void signal_OnSingleFileImportFailed(QString sFileFullPath, QString errMsg, int nFailCode);
    void signal_OnAllFilesImportFinished(bool bSuccess);
    void signal_OnImportCancelled();
    void signal_InitSerializerFailed();
    void signal_LoadMediaSrcFileFailed();
    void signal_LoadMediaSrcFileFinished(QStringList vFailedFiles);
    void signal_SaveMediaSrcFileFinished(bool bSucceed);
    void signal_SourceDataItemRemoved(QString sFullPath);

public slots:
    void slot_ImportMediaFiles(QStringList paths);
    void slot_CancelImport();
    void slot_SaveMediaSourcetoFile(QString path);
    void slot_SaveMediaSourceToDefaultFile();
    void slot_LoadMediaSourcefromFile(QString path);
    void slot_LoadMediaSourceFromDefaultFile();
    void slot_BeforeImportSingleFile(QString sFileFullPath, int nTotalFilesCount, int nCurFileIndex);
    void slot_OnSingleFileImportFinished(QString sFileFullPath, int nItemId, bool bNewAdded);
    void slot_OnSingleFileImportFailed(QString sFileFullPath, QString errMsg, int nFailCode);
    void slot_OnAllFilesImportFinished(bool bSuccess);
    void slot_OnImportCancelled();
    void slot_LoadMediaSrcFileFinished(QList<Fablecut::CMediaSourceItem*> vSucceedItems, QStringList vFailedFiles);
    void slot_LoadMediaSrcFileFailed();
    void slot_SaveMediaSrcFileFinished(bool bSucceed);
    void slot_RenameSourceDataItem(QString sName, Fablecut::ISourceDataItem* pItem);
    void slot_RenameSourceDataItem(QString sName, QString sFullPath);
    void slot_RemoveSourceDataItem(Fablecut::ISourceDataItem* pItem);
    void slot_RemoveSourceDataItemByFullPath(QString sFullPath);
    void slot_ClearAllSourceDataItems();
    // The library item of a path, or null; a call, answered before it returns.
    Fablecut::ISourceDataItem* slot_QueryItemByFullPath(QString sFullPath);

private:
    void ScheduleSave();
    void EndImport();
    void EndSerializer();
    bool StartSerializer(const QString& path, bool bLoad, bool bDefaultSave);

    Moorland::IAVManager* m_manager;
    Fablecut::CSourceData* m_data = nullptr;
    QList<CDCMediaSrcImporter*> m_importers;
    QStringList m_requested;
    int m_finishedThreads = 0;
    int m_nextProgress = 1;
    QMutex m_lock;
    CAppFixedInfo* m_fixedInfo;
    CAppVariableInfo* m_variableInfo;
    CMediaSrcSerializer* m_serializer = nullptr;
    QString m_signature;
    QString m_defaultFile;
    // A default save asked for while the file thread was busy.
    bool m_savePending = false;
    bool m_serializerLoads = false;
    QString m_serializerPath;
    QString m_finishedPath;
    // A save to another file asked for while a save ran.
    QString m_queuedSave;
};
