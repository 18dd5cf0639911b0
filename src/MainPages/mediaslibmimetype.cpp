#include "mediaslibmimetype.h"

#include "ProjectData/csourcedata.h"
#include "ProjectData/isourcedataitem.h"

#include <QHash>
#include <QMimeData>

namespace {

// A drag never names more items than a library can hold; a claimed length
// beyond this is not ours, and is not allocated.
const quint32 kMaxRecordBytes = 4u * 4u * 1024u * 1024u;

struct HandleTable
{
    QHash<QString, quint32> byPath;
    QHash<quint32, QString> byHandle;
    quint32 next = 1;
};

HandleTable& Table()
{
    static HandleTable table;
    return table;
}

} // namespace

namespace MediasLibPayload {

quint32 HandleOfPath(const QString& fullPath)
{
    if (fullPath.isEmpty())
        return 0;
    HandleTable& table = Table();
    auto found = table.byPath.constFind(fullPath);
    if (found != table.byPath.constEnd())
        return found.value();
    const quint32 handle = table.next++;
    if (table.next == 0)
        table.next = 1;
    table.byPath.insert(fullPath, handle);
    table.byHandle.insert(handle, fullPath);
    return handle;
}

QString PathOfHandle(quint32 handle)
{
    return handle == 0 ? QString() : Table().byHandle.value(handle);
}

QByteArray Pack(const QVector<quint32>& entries)
{
    QByteArray record(4 * entries.size(), '\0');
    for (int i = 0; i < entries.size(); ++i) {
        const quint32 v = entries[i];
        record[4 * i] = static_cast<char>(v & 0xff);
        record[4 * i + 1] = static_cast<char>((v >> 8) & 0xff);
        record[4 * i + 2] = static_cast<char>((v >> 16) & 0xff);
        record[4 * i + 3] = static_cast<char>((v >> 24) & 0xff);
    }
    return qCompress(record, 9);
}

QVector<quint32> Unpack(const QByteArray& payload)
{
    QVector<quint32> entries;
    if (payload.size() < 4)
        return entries;
    const auto* head = reinterpret_cast<const uchar*>(payload.constData());
    const quint32 claimed = (quint32(head[0]) << 24) | (quint32(head[1]) << 16) | (quint32(head[2]) << 8) | head[3];
    if (claimed > kMaxRecordBytes)
        return entries;
    const QByteArray record = qUncompress(payload);
    const auto* bytes = reinterpret_cast<const uchar*>(record.constData());
    const int count = record.size() / 4;
    entries.reserve(count);
    for (int i = 0; i < count; ++i) {
        const uchar* e = bytes + 4 * i;
        entries.append(quint32(e[0]) | (quint32(e[1]) << 8) | (quint32(e[2]) << 16) | (quint32(e[3]) << 24));
    }
    return entries;
}

QMimeData* MakeMimeData(const QVector<quint32>& entries)
{
    auto* data = new QMimeData;
    data->setData(STR_MediasLibMimeType, Pack(entries));
    return data;
}

QList<Fablecut::ISourceDataItem*> ReadItems(const QByteArray& payload, Fablecut::CSourceData* library)
{
    QList<Fablecut::ISourceDataItem*> items;
    if (!library)
        return items;
    for (quint32 handle : Unpack(payload)) {
        const QString path = PathOfHandle(handle);
        if (path.isEmpty())
            continue;
        if (Fablecut::ISourceDataItem* item = library->GetSourceDataItemByFullPath(path))
            items.append(item);
    }
    return items;
}

QList<Fablecut::ISourceDataItem*> ReadItems(const QMimeData* data, Fablecut::CSourceData* library)
{
    if (!data || !data->hasFormat(STR_MediasLibMimeType))
        return {};
    return ReadItems(data->data(STR_MediasLibMimeType), library);
}

} // namespace MediasLibPayload
