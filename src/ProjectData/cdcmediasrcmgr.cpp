#include "cdcmediasrcmgr.h"

#include "cdcmediasrcimporter.h"
#include "cmediasrcserializer.h"
#include "csourcedata.h"

#include "AppConfigure/AppConfigDefines.h"
#include "AppConfigure/CAppFixedInfo.h"
#include "AppConfigure/CAppVariableInfo.h"
#include "CBaseException.h"

#include <QCryptographicHash>
#include <QDir>
#include <QMetaType>
#include <QTimer>

#include <algorithm>

using Fablecut::CMediaSourceItem;
using Fablecut::ISourceDataItem;

QString CDCMediaSrcMgr::ComputeLibrarySignature()
{
    CAppFixedInfo* info = CAppFixedInfo::GetInstance();
    const QString joined = info->GetInfoValue("BRAND_KIND").toString() + info->GetInfoValue("PRODUCT_KIND").toString() +
                           info->GetInfoValue("build_platform").toString();
    return QString::fromLatin1(QCryptographicHash::hash(joined.toLatin1(), QCryptographicHash::Md5).toHex());
}

CDCMediaSrcMgr::CDCMediaSrcMgr(QObject* parent, Moorland::IAVManager* manager)
    : QObject(parent), m_manager(manager), m_fixedInfo(CAppFixedInfo::GetInstance()),
      m_variableInfo(CAppVariableInfo::GetInstance())
{
    qRegisterMetaType<CBaseTime>("CBaseTime");
    qRegisterMetaType<QList<CMediaSourceItem*>>("QList<CMediaSourceItem*>");
    qRegisterMetaType<QList<CMediaSourceItem*>>("QList<Fablecut::CMediaSourceItem*>");
    m_signature = ComputeLibrarySignature();
    m_defaultFile = m_variableInfo->GetAppHomePath() + QDir::separator() +
                    m_variableInfo->GetInfoDefaultValue(VARIABLE_INFO_MEDIALIB_AUTO_SAVE_NAME).toString();
}

CDCMediaSrcMgr::~CDCMediaSrcMgr()
{
    // A running import is stopped first, so shut-down does not wait for it
    // to work through every remaining file.
    for (CDCMediaSrcImporter* importer : m_importers)
        importer->Cancel();
    for (CDCMediaSrcImporter* importer : m_importers) {
        importer->wait();
        delete importer;
    }
    m_importers.clear();
    if (m_serializer) {
        m_serializer->wait();
        delete m_serializer;
        m_serializer = nullptr;
    }
}

void CDCMediaSrcMgr::ScheduleSave()
{
    QTimer::singleShot(10, this, SLOT(slot_SaveMediaSourceToDefaultFile()));
}

// ----------------------------------------------------------------- imports

void CDCMediaSrcMgr::CancelImport()
{
    for (CDCMediaSrcImporter* importer : m_importers)
        importer->Cancel();
}

bool CDCMediaSrcMgr::ImportMediaFiles(QStringList paths)
{
    std::sort(paths.begin(), paths.end());
    if (!m_requested.isEmpty() || !m_importers.isEmpty()) {
        emit signal_InitImporterFailed();
        return false;
    }
    m_finishedThreads = 0;
    m_nextProgress = 1;
    if (paths.isEmpty()) {
        // Nothing to import: the end arrives as it would after a real import,
        // through the event loop, so a dialog waiting for it sees it.
        QTimer::singleShot(0, this, [this]() { emit signal_OnAllFilesImportFinished(true); });
        return true;
    }
    auto* importer = new CDCMediaSrcImporter(this, m_manager, &m_lock);
    connect(importer, &CDCMediaSrcImporter::signal_BeforeImportSingleFile, this,
            &CDCMediaSrcMgr::slot_BeforeImportSingleFile);
    connect(importer, &CDCMediaSrcImporter::signal_OnSingleFileImportFailed, this,
            &CDCMediaSrcMgr::slot_OnSingleFileImportFailed);
    connect(importer, &CDCMediaSrcImporter::signal_OnSingleFileImportFinished, this,
            &CDCMediaSrcMgr::slot_OnSingleFileImportFinished);
    connect(importer, &CDCMediaSrcImporter::signal_OnAllFilesImportFinished, this,
            &CDCMediaSrcMgr::slot_OnAllFilesImportFinished);
    connect(importer, &CDCMediaSrcImporter::signal_OnImportCancelled, this, &CDCMediaSrcMgr::slot_OnImportCancelled);
    importer->AddImportFilesPaths(paths);
    importer->SetDataNode(m_data);
    m_importers.append(importer);
    m_requested = paths;
    importer->Start();
    return true;
}

void CDCMediaSrcMgr::slot_ImportMediaFiles(QStringList paths)
{
    ImportMediaFiles(paths);
}

void CDCMediaSrcMgr::slot_CancelImport()
{
    CancelImport();
}

void CDCMediaSrcMgr::slot_BeforeImportSingleFile(QString sFileFullPath, int, int)
{
    emit signal_BeforeImportSingleFile(sFileFullPath, m_requested.size(), m_nextProgress);
    ++m_nextProgress;
}

void CDCMediaSrcMgr::slot_OnSingleFileImportFinished(QString sFileFullPath, int nItemId, bool bNewAdded)
{
    if (bNewAdded) {
        auto* importer = qobject_cast<CDCMediaSrcImporter*>(sender());
        if (!importer && !m_importers.isEmpty())
            importer = m_importers.front();
        ISourceDataItem* item = importer ? importer->TakeItem(nItemId) : nullptr;
        if (item && m_data) {
            QMutexLocker lock(&m_lock);
            if (!m_data->AppendSoureDataItem(item))
                item->Free();
        } else if (item) {
            item->Free();
        }
    }
    emit signal_OnSingleFileImportFinished(sFileFullPath);
}

void CDCMediaSrcMgr::slot_OnSingleFileImportFailed(QString sFileFullPath, QString errMsg, int nFailCode)
{
    emit signal_OnSingleFileImportFailed(sFileFullPath, errMsg, nFailCode);
}

void CDCMediaSrcMgr::EndImport()
{
    QMutexLocker lock(&m_lock);
    for (CDCMediaSrcImporter* importer : m_importers) {
        importer->wait();
        delete importer;
    }
    m_importers.clear();
    m_requested.clear();
}

void CDCMediaSrcMgr::slot_OnAllFilesImportFinished(bool bSuccess)
{
    if (++m_finishedThreads != m_importers.size())
        return;
    EndImport();
    ScheduleSave();
    emit signal_OnAllFilesImportFinished(bSuccess);
}

void CDCMediaSrcMgr::slot_OnImportCancelled()
{
    if (++m_finishedThreads != m_importers.size())
        return;
    EndImport();
    ScheduleSave();
    emit signal_OnImportCancelled();
}

// ---------------------------------------------------------- library file

bool CDCMediaSrcMgr::StartSerializer(const QString& path, bool bLoad, bool bDefaultSave)
{
    if (m_serializer && !bLoad && !bDefaultSave && !m_serializerLoads && m_serializerPath == m_defaultFile &&
        m_queuedSave.isEmpty()) {
        // A save of the library somewhere else while it is being saved (most
        // often its own save after a change) follows that save at once.
        m_queuedSave = path;
        return true;
    }
    if (m_serializer) {
        emit signal_InitSerializerFailed();
        if (bDefaultSave) {
            // Written once the running job is over.
            m_savePending = true;
        } else if (bLoad) {
            // Whoever waits for the load's end must hear of the refusal.
            QTimer::singleShot(0, this, [this]() { emit signal_LoadMediaSrcFileFailed(); });
        } else {
            QTimer::singleShot(0, this, [this]() { emit signal_SaveMediaSrcFileFinished(false); });
        }
        return false;
    }
    if (bDefaultSave)
        m_savePending = false;
    m_serializer = new CMediaSrcSerializer(this, m_lock, path, bLoad, m_signature);
    m_serializerLoads = bLoad;
    m_serializerPath = path;
    connect(m_serializer, &CMediaSrcSerializer::signal_LoadMediaSrcFileFailed, this,
            &CDCMediaSrcMgr::slot_LoadMediaSrcFileFailed);
    connect(m_serializer, &CMediaSrcSerializer::signal_LoadMediaSrcFileFinished, this,
            &CDCMediaSrcMgr::slot_LoadMediaSrcFileFinished);
    connect(m_serializer, &CMediaSrcSerializer::signal_SaveMediaSrcFileFinished, this,
            &CDCMediaSrcMgr::slot_SaveMediaSrcFileFinished);
    if (bLoad)
        m_serializer->SetAVManager(m_manager);
    else
        m_serializer->SetMediaSourceData(m_data);
    m_serializer->Start();
    return true;
}

bool CDCMediaSrcMgr::LoadMediaSourcefromFile(QString path)
{
    return StartSerializer(path, true, false);
}

bool CDCMediaSrcMgr::SaveMediaSourcetoFile(QString path)
{
    return StartSerializer(path, false, path == m_defaultFile);
}

void CDCMediaSrcMgr::slot_SaveMediaSourcetoFile(QString path)
{
    SaveMediaSourcetoFile(path);
}

void CDCMediaSrcMgr::slot_SaveMediaSourceToDefaultFile()
{
    SaveMediaSourcetoFile(m_defaultFile);
}

void CDCMediaSrcMgr::slot_LoadMediaSourcefromFile(QString path)
{
    LoadMediaSourcefromFile(path);
}

void CDCMediaSrcMgr::slot_LoadMediaSourceFromDefaultFile()
{
    LoadMediaSourcefromFile(m_defaultFile);
}

void CDCMediaSrcMgr::EndSerializer()
{
    if (!m_serializer)
        return;
    m_serializer->wait();
    delete m_serializer;
    m_serializer = nullptr;
    m_finishedPath = m_serializerPath;
    m_serializerPath.clear();
    if (!m_queuedSave.isEmpty()) {
        const QString queued = m_queuedSave;
        m_queuedSave.clear();
        StartSerializer(queued, false, false);
    } else if (m_savePending) {
        ScheduleSave();
    }
}

void CDCMediaSrcMgr::slot_LoadMediaSrcFileFinished(QList<CMediaSourceItem*> vSucceedItems, QStringList vFailedFiles)
{
    if (m_serializer && sender() == m_serializer)
        m_serializer->AdoptLoadedItems();
    {
        QMutexLocker lock(&m_lock);
        for (CMediaSourceItem* item : vSucceedItems) {
            ISourceDataItem* asItem = item;
            if (!m_data || !m_data->AppendSoureDataItem(asItem))
                item->Free();
        }
    }
    EndSerializer();
    ScheduleSave();
    emit signal_LoadMediaSrcFileFinished(vFailedFiles);
}

void CDCMediaSrcMgr::slot_LoadMediaSrcFileFailed()
{
    EndSerializer();
    emit signal_LoadMediaSrcFileFailed();
}

void CDCMediaSrcMgr::slot_SaveMediaSrcFileFinished(bool bSucceed)
{
    EndSerializer();
    emit signal_SaveMediaSrcFileFinished(bSucceed);
}

// ------------------------------------------------------- list changes

void CDCMediaSrcMgr::slot_RenameSourceDataItem(QString sName, ISourceDataItem* pItem)
{
    if (!m_data || m_data->IndexOfSourceDataItem(pItem) == -1)
        return;
    {
        QMutexLocker lock(&m_lock);
        pItem->setName(sName);
    }
    ScheduleSave();
}

void CDCMediaSrcMgr::slot_RenameSourceDataItem(QString sName, QString sFullPath)
{
    ISourceDataItem* item = m_data ? m_data->GetSourceDataItemByFullPath(sFullPath) : nullptr;
    if (!item)
        return;
    {
        QMutexLocker lock(&m_lock);
        item->setName(sName);
    }
    ScheduleSave();
}

void CDCMediaSrcMgr::slot_RemoveSourceDataItem(ISourceDataItem* pItem)
{
    if (m_data && m_data->IndexOfSourceDataItem(pItem) != -1) {
        const QString path = pItem->GetSrcFileFullPath();
        QMutexLocker lock(&m_lock);
        if (m_data->RemoveSourceDataItem(pItem))
            emit signal_SourceDataItemRemoved(path);
    }
    ScheduleSave();
}

void CDCMediaSrcMgr::slot_RemoveSourceDataItemByFullPath(QString sFullPath)
{
    if (m_data) {
        QMutexLocker lock(&m_lock);
        if (m_data->RemoveSourceDataItemByFullPath(sFullPath))
            emit signal_SourceDataItemRemoved(sFullPath);
    }
    ScheduleSave();
}

void CDCMediaSrcMgr::slot_ClearAllSourceDataItems()
{
    if (m_data) {
        QMutexLocker lock(&m_lock);
        m_data->ClearAllSourceDataItems();
    }
    ScheduleSave();
}

ISourceDataItem* CDCMediaSrcMgr::slot_QueryItemByFullPath(QString sFullPath)
{
    ISourceDataItem* item = m_data ? m_data->GetSourceDataItemByFullPath(sFullPath) : nullptr;
    ScheduleSave();
    return item;
}
