#include "cdcmediasrcimporter.h"

#include "cmediaitemgrappic.h"
#include "cmediasourceitem.h"
#include "csourcedata.h"

#include "Basilvo/Basilvo.h"
#include "CBaseException.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QTimer>

#include <memory>

CDCMediaSrcImporter::CDCMediaSrcImporter(QObject* parent, Moorland::IAVManager* manager, QMutex* libraryLock)
    : QThread(parent), m_manager(manager), m_libraryLock(libraryLock)
{}

CDCMediaSrcImporter::~CDCMediaSrcImporter()
{
    wait();
    for (Fablecut::ISourceDataItem* item : m_outbox)
        item->Free();
}

void CDCMediaSrcImporter::Start()
{
    QTimer::singleShot(50, this, SLOT(slot_Start()));
}

void CDCMediaSrcImporter::slot_Start()
{
    start(QThread::InheritPriority);
}

Fablecut::ISourceDataItem* CDCMediaSrcImporter::TakeItem(int nItemId)
{
    QMutexLocker lock(&m_outboxLock);
    return m_outbox.take(nItemId);
}

void CDCMediaSrcImporter::run()
{
    m_allSucceeded = true;
    m_paths.sort();
    const int total = m_paths.size();
    for (int i = 0; i < total; ++i) {
        if (m_cancel)
            break;
        // A file that fails in an unforeseen way is reported like any failure;
        // nothing leaves the thread.
        const QString path = QDir::toNativeSeparators(m_paths[i]);
        try {
            ImportOne(path, i, total);
        } catch (...) {
            QuentaBased::RecordCurrentException(__LINE__, __FILE__);
            m_allSucceeded = false;
            emit signal_OnSingleFileImportFailed(path, QString::fromUtf8(GetQuentaException()->GetExceptionMsg()), 0);
        }
    }
    if (m_cancel)
        emit signal_OnImportCancelled();
    else
        emit signal_OnAllFilesImportFinished(m_allSucceeded);
}

void CDCMediaSrcImporter::ImportOne(const QString& path, int index, int total)
{
    emit signal_BeforeImportSingleFile(path, total, index + 1);

    if (!m_importImage) {
        QImageReader reader;
        reader.setFileName(path);
        if (reader.canRead()) {
            m_allSucceeded = false;
            emit signal_OnSingleFileImportFailed(path, "can not import image file", 1);
            return;
        }
    }

    bool known = false;
    if (m_data) {
        QMutexLocker lock(m_libraryLock);
        known = m_data->GetSourceDataItemByFullPath(path) != nullptr;
    }
    if (known) {
        emit signal_OnSingleFileImportFinished(path, -1, false);
        return;
    }

    struct Free
    {
        void operator()(Fablecut::CMediaSourceItem* item) const { item->Free(); }
    };
    std::unique_ptr<Fablecut::CMediaSourceItem, Free> item(new Fablecut::CMediaSourceItem);
    item->SetAVManager(m_manager);
    item->SetSrcFileFullPath(path);
    if (!item->OpenImporter()) {
        IQuentaException* error = GetQuentaException();
        int line = 0;
        const char* source = error->GetExceptionSource(&line);
        const QString text = QStringLiteral("Source:") + path + "\n" +
                             "Exception Code:" + QString::number(error->GetExceptionCode()) + "\n" +
                             "Exception Message" + QString::fromUtf8(error->GetExceptionMsg()) + "\n" +
                             "File:" + QString::fromUtf8(source ? source : "") + "\n" + "Line:" + QString::number(line);
        m_allSucceeded = false;
        emit signal_OnSingleFileImportFailed(path, text, 0);
        return;
    }
    item->setName(QFileInfo(path).completeBaseName());
    item->UpdateMovieInfos();
    if (m_cancel)
        return;

    if (item->GetItemType() == 0) {
        QImage image;
        if (!GrapMediaItemPic(item.get(), 0, image, 640, 480, true, false)) {
            m_allSucceeded = false;
            emit signal_OnSingleFileImportFailed(path, "snapshot failed,skip import file", 0);
            return;
        }
        item->SetThumbnailPic(image);
        // Encoded once here, off the GUI thread, instead of at every save.
        item->CacheThumbnailPng();
    }
    // A library item keeps no file open while idle.
    item->CloseImporter();
    if (m_cancel)
        return;

    int id = 0;
    {
        QMutexLocker lock(&m_outboxLock);
        id = m_nextId++;
        m_outbox.insert(id, item.release());
    }
    emit signal_OnSingleFileImportFinished(path, id, true);
}
