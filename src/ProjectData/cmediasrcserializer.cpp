#include "cmediasrcserializer.h"

#include "cmovieinfoserializer.h"
#include "csourcedata.h"

#include "CBaseException.h"
#include "sysutils_stored.h"

#include <QDataStream>
#include <QByteArray>

#include <cstring>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTimer>

#include <unistd.h>

namespace {

// Far more than any real file holds; a larger count is a damaged record.
constexpr qint32 kMaxMovies = 4096;
// Far beyond a library of many thousand items with their thumbnails.
constexpr uint64_t kMaxLibraryFileBytes = uint64_t(4) << 30;
constexpr quint32 kMaxPngChunk = 64u * 1024 * 1024;
const char kPngSignature[8] = {'\x89', 'P', 'N', 'G', '\r', '\n', '\x1a', '\n'};

// The thumbnail in the data stream's picture form: a marker (0 none, 1 a
// picture), then for a picture its PNG bytes. The PNG is taken whole, chunk
// by chunk, without decoding it; damaged picture data shows when it is
// decoded (no thumbnail), a chunk that cannot be a chunk damages the stream.
void ReadThumbnail(QDataStream& in, QByteArray& png)
{
    png.clear();
    qint32 marker = -1;
    in >> marker;
    if (in.status() != QDataStream::Ok || marker == 0)
        return;
    if (marker != 1) {
        in.setStatus(QDataStream::ReadCorruptData);
        return;
    }
    QByteArray bytes(8, Qt::Uninitialized);
    if (in.readRawData(bytes.data(), 8) != 8 || memcmp(bytes.constData(), kPngSignature, 8) != 0) {
        in.setStatus(QDataStream::ReadCorruptData);
        return;
    }
    for (;;) {
        char head[8];
        if (in.readRawData(head, 8) != 8) {
            in.setStatus(QDataStream::ReadPastEnd);
            return;
        }
        const quint32 length = (quint32(quint8(head[0])) << 24) | (quint32(quint8(head[1])) << 16) |
                               (quint32(quint8(head[2])) << 8) | quint32(quint8(head[3]));
        bool letters = true;
        for (int i = 4; i < 8; ++i)
            letters = letters && ((head[i] >= 'A' && head[i] <= 'Z') || (head[i] >= 'a' && head[i] <= 'z'));
        if (!letters || length > kMaxPngChunk) {
            in.setStatus(QDataStream::ReadCorruptData);
            return;
        }
        const int at = bytes.size();
        bytes.append(head, 8);
        bytes.resize(at + 8 + int(length) + 4);
        if (in.readRawData(bytes.data() + at + 8, int(length) + 4) != int(length) + 4) {
            in.setStatus(QDataStream::ReadPastEnd);
            return;
        }
        if (memcmp(head + 4, "IEND", 4) == 0)
            break;
    }
    png = bytes;
}

} // namespace

namespace Fablecut {

QDataStream& operator<<(QDataStream& out, const CMediaSourceItem& item)
{
    auto& clip = const_cast<CMediaSourceItem&>(item);
    out << clip.GetSrcFileFullPath() << clip.GetSrcInterlaced() << clip.GetImporterName();
    // The picture form of the data stream, written from the PNG the clip
    // keeps, so a save does not encode every thumbnail again.
    const QByteArray png = clip.GetThumbnailPng();
    if (png.isEmpty()) {
        out << qint32(0);
    } else {
        out << qint32(1);
        if (out.writeRawData(png.constData(), png.size()) != png.size())
            out.setStatus(QDataStream::WriteFailed);
    }
    out << clip.Name();
    int count = 0;
    Moorland::MovieInfo** movies = clip.GetMovieInfos(count);
    out << static_cast<qint32>(count);
    for (int i = 0; i < count; ++i) {
        CMovieInfoSerializer record;
        record.SetMovieInfo(movies[i]);
        out << record;
    }
    out << clip.LastModifiedDateTime() << static_cast<qint64>(clip.GetSourceFileSize());
    return out;
}

} // namespace Fablecut

CMediaSrcSerializer::CMediaSrcSerializer(QObject* parent, QMutex& mutex, QString filePath, bool bLoad,
                                         QString signature)
    : QThread(parent), m_mutex(mutex), m_path(filePath), m_load(bLoad), m_signature(signature)
{}

CMediaSrcSerializer::~CMediaSrcSerializer()
{
    wait();
    for (Fablecut::CMediaSourceItem* item : m_loaded)
        item->Free();
}

void CMediaSrcSerializer::Start()
{
    QTimer::singleShot(50, this, SLOT(slot_Start()));
}

void CMediaSrcSerializer::slot_Start()
{
    start(QThread::InheritPriority);
}

void CMediaSrcSerializer::run()
{
    // Nothing may leave the thread: a failure ends in one of the signals.
    if (m_load)
        LoadMediaSourceItems();
    else
        SaveMediaSourceItems();
}

bool CMediaSrcSerializer::WriteLibraryFile(const QString& path, const QString& signature,
                                           const Fablecut::CSourceData* data, QMutex* mutex)
{
    if (!data)
        return false;
    try {
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        QDataStream out(&file);
        out.setVersion(12);
        {
            QMutexLocker lock(mutex);
            out << signature;
            for (Fablecut::ISourceDataItem* item : data->GetSourceDataItems()) {
                auto* clip = dynamic_cast<Fablecut::CMediaSourceItem*>(item);
                if (clip)
                    out << *clip;
                if (out.status() != QDataStream::Ok)
                    break;
            }
        }
        if (out.status() != QDataStream::Ok) {
            file.cancelWriting();
            return false;
        }
        return file.commit();
    } catch (...) {
        QuentaBased::RecordCurrentException(__LINE__, __FILE__);
        return false;
    }
}

bool CMediaSrcSerializer::ReadLibraryFile(const QString& path, const QString& signature, Moorland::IAVManager* manager,
                                          QList<Fablecut::CMediaSourceItem*>& loaded, QStringList& failed,
                                          bool* damaged)
{
    if (damaged)
        *damaged = false;
    // A regular file only: a FIFO or a device in the library file's place
    // would hold the load forever.
    int fd = -1;
    if (!QuentaBased::CallGuardedVoid(__LINE__, __FILE__, [&] {
            fd = QuentaBased::open_stored_file(path.toLocal8Bit().constData(), kMaxLibraryFileBytes);
        }))
        return false;
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    QDataStream in(&file);
    in.setVersion(12);
    QString stored;
    in >> stored;
    if (in.status() != QDataStream::Ok || stored != signature)
        return false;

    int record = 0;
    while (!in.atEnd()) {
        ++record;
        QString itemPath, importer, name;
        bool interlaced = false;
        QByteArray thumbnail;
        qint32 movieCount = 0;
        QList<Fablecut::CMovieInfoSerializer> movies;
        QDateTime modified;
        qint64 size = 0;
        in >> itemPath >> interlaced >> importer;
        ReadThumbnail(in, thumbnail);
        in >> name >> movieCount;
        bool broken = in.status() != QDataStream::Ok || movieCount < 0 || movieCount > kMaxMovies || itemPath.isEmpty();
        for (qint32 i = 0; !broken && i < movieCount; ++i) {
            Fablecut::CMovieInfoSerializer movie;
            in >> movie;
            if (in.status() != QDataStream::Ok)
                broken = true;
            else
                movies.append(movie);
        }
        if (!broken) {
            in >> modified >> size;
            broken = in.status() != QDataStream::Ok;
        }
        if (broken) {
            failed << QStringLiteral("%1: damaged from item %2 on; the items after it could not be read")
                          .arg(path)
                          .arg(record);
            if (damaged)
                *damaged = true;
            break;
        }

        // A file that is missing (its disk unplugged, its folder renamed) keeps
        // its item as recorded: it is shown missing until it comes back. A
        // file that changed since is another file and is not restored.
        const QFileInfo info(itemPath);
        const bool missing = !info.exists();
        if (movies.isEmpty() || (!missing && (info.lastModified() != modified || info.size() != size))) {
            failed << itemPath;
            continue;
        }
        auto* item = new Fablecut::CMediaSourceItem;
        item->SetAVManager(manager);
        item->SetSrcFileFullPath(itemPath);
        if (missing)
            item->SetRecordedFileState(modified, size);
        item->SetSrcInterlaced(interlaced);
        item->SetImporterName(importer);
        item->setName(name);
        item->SetThumbnailPng(thumbnail);
        Moorland::MovieInfo* first = movies.front().GetMovieInfo();
        const bool ok = first && item->SetMovieInfos(&first, 1);
        Fablecut::FreeMovieInfo(first);
        if (!ok || item->GetItemType() != 0) {
            item->Free();
            failed << itemPath;
            continue;
        }
        loaded.append(item);
    }
    return true;
}

void CMediaSrcSerializer::SaveMediaSourceItems()
{
    bool ok = false;
    if (m_data)
        ok = WriteLibraryFile(m_path, m_signature, m_data, &m_mutex);
    emit signal_SaveMediaSrcFileFinished(ok);
}

void CMediaSrcSerializer::LoadMediaSourceItems()
{
    QList<Fablecut::CMediaSourceItem*> loaded;
    QStringList failed;
    bool ok = false;
    bool damaged = false;
    try {
        ok = ReadLibraryFile(m_path, m_signature, m_manager, loaded, failed, &damaged);
    } catch (...) {
        QuentaBased::RecordCurrentException(__LINE__, __FILE__);
        ok = false;
    }
    if (!ok) {
        for (Fablecut::CMediaSourceItem* item : loaded)
            item->Free();
        emit signal_LoadMediaSrcFileFailed();
        return;
    }
    if (damaged) {
        // The library is saved again without what could not be read: the
        // damaged file is kept aside for whoever wants to rescue the rest.
        const QString aside = m_path + ".damaged";
        QFile::remove(aside);
        if (QFile::copy(m_path, aside))
            failed.last() += QStringLiteral(" (the file was kept as %1)").arg(aside);
    }
    // Kept until the receiver adopts them, so none is lost if it never does.
    m_loaded = loaded;
    emit signal_LoadMediaSrcFileFinished(loaded, failed);
}
