#pragma once

// The drag payload that carries media library items from the library views
// to the timeline, and the colours the views draw their selection band with.
//
// The payload under "mediasLibMimeType" is a qCompress'ed (level 9) sequence
// of 4-byte entries, least significant byte first, with no header, count or
// terminator; 0 stands for no item. An entry is a handle, not an address: it
// names the source path of a library item through a process-wide table, and
// the reader maps it back to the item that the library holds at drop time.
// So a payload from another process, a stale drag or plain garbage can only
// yield items that are in the library when the drop happens.

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QString>
#include <QVector>

class QMimeData;

namespace Fablecut {
class CSourceData;
class ISourceDataItem;
} // namespace Fablecut

static const QString STR_MediasLibMimeType = QStringLiteral("mediasLibMimeType");
static const QString STR_TimeLineViewMimeType = QStringLiteral("ortherSourceMimeType");

static const QColor COLOR_VALUE_DRAG_TRACK_PADDING(89, 56, 1, 128);
static const QColor COLOR_VALUE_DRAG_TRACK_BORDER(89, 56, 1, 255);
static const QColor COLOR_VALUE_SELECT_DRAGING_BORDER(255, 162, 0, 255);
static const QColor COLOR_VALUE_SELECT_DRAGING_PADDING(255, 162, 0, 128);

namespace MediasLibPayload {

// The handle of a source path: nonzero, the same for the same path for the
// whole run of the program. An empty path has the handle 0.
quint32 HandleOfPath(const QString& fullPath);
// The path a handle was given for; empty for 0 and for unknown handles.
QString PathOfHandle(quint32 handle);

// The compressed record of these entries.
QByteArray Pack(const QVector<quint32>& entries);
// The entries of a payload: whole 4-byte entries only, zeros included; empty
// for data that does not uncompress or claims an implausible length.
QVector<quint32> Unpack(const QByteArray& payload);

// New mime data holding the record under "mediasLibMimeType" alone; the
// caller owns it.
QMimeData* MakeMimeData(const QVector<quint32>& entries);

// What the timeline's track view inserts for a drop: the library items the
// payload names, in record order; zero, unknown and stale entries are skipped.
QList<Fablecut::ISourceDataItem*> ReadItems(const QByteArray& payload, Fablecut::CSourceData* library);
QList<Fablecut::ISourceDataItem*> ReadItems(const QMimeData* data, Fablecut::CSourceData* library);

} // namespace MediasLibPayload
