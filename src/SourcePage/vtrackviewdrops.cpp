// The track view as the timeline's drop target: library items and files
// dragged over the track, the insert marker while they hover, and the insert
// at a clip border on the drop.

#include "vtrackview.h"

#include "CBaseException.h"
#include "ProjectData/isourcedataitem.h"
#include "vtrackscene.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QGraphicsRectItem>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include <algorithm>

using Fablecut::ISourceDataItem;

// ---------------------------------------------------------- drag and drop

QList<quint32> VTrackView::readLibraryHandles(const QByteArray& payload)
{
    QList<quint32> handles;
    // The record's length comes first; a payload claiming more than any
    // library could name is refused before anything is allocated for it.
    if (payload.size() < 4)
        return handles;
    const auto* head = reinterpret_cast<const unsigned char*>(payload.constData());
    const quint32 claimed = quint32(head[0]) << 24 | quint32(head[1]) << 16 | quint32(head[2]) << 8 | quint32(head[3]);
    if (claimed > 16u * 1024 * 1024)
        return handles;
    const QByteArray raw = qUncompress(payload);
    const int groups = raw.size() / 4;
    for (int i = 0; i < groups; ++i) {
        const auto* p = reinterpret_cast<const unsigned char*>(raw.constData()) + 4 * i;
        const quint32 value = quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
        if (value != 0)
            handles << value;
    }
    return handles;
}

void VTrackView::dragEnterEvent(QDragEnterEvent* event)
{
    const QMimeData* data = event->mimeData();
    if (data && (data->hasFormat(STR_MediasLibMimeType) || data->hasUrls())) {
        m_bExternalDragAccepted = true;
        event->acceptProposedAction();
        return;
    }
    m_bExternalDragAccepted = false;
    QGraphicsView::dragEnterEvent(event);
}

void VTrackView::dragMoveEvent(QDragMoveEvent* event)
{
    if (!m_bExternalDragAccepted) {
        QGraphicsView::dragMoveEvent(event);
        return;
    }
    event->acceptProposedAction();
    const int x = event->pos().x();
    if (x < 30) {
        m_nAutoScrollStep = -kAutoScrollPixels;
        m_pAutoScrollTimer->start();
    } else if (viewport()->width() - x <= 49) {
        m_nAutoScrollStep = kAutoScrollPixels;
        m_pAutoScrollTimer->start();
    } else if (m_pAutoScrollTimer->isActive()) {
        m_pAutoScrollTimer->stop();
    }
    const CBaseTime pointer(mapToScene(event->pos()).x());
    const CBaseTime at = m_pScene->getInsertSnapPointForPos(pointer);
    // A drop lands only on a border (a snap point): inside a clip with no
    // border within the snap distance the position stays the pointer's own.
    if (!m_pScene->isSnapPoint(at)) {
        m_pInsertLine->hide();
        emit signal_insert(false, at);
        m_bInsertPosValid = false;
        m_tInsertPos = 0.0;
    } else {
        m_pInsertLine->setPos(at.ToSeconds(), 0);
        m_pInsertLine->show();
        emit signal_insert(true, at);
        m_bInsertPosValid = true;
        m_tInsertPos = at;
    }
}

void VTrackView::dragLeaveEvent(QDragLeaveEvent* event)
{
    if (m_bExternalDragAccepted)
        closeDragData();
    else
        QGraphicsView::dragLeaveEvent(event);
}

void VTrackView::dropEvent(QDropEvent* event)
{
    QB_GUARDED_VOID({ dropEventImpl(event); });
}

void VTrackView::dropEventImpl(QDropEvent* event)
{
    const QMimeData* data = event->mimeData();
    if (data && m_bExternalDragAccepted && m_bInsertPosValid) {
        if (data->hasFormat(STR_MediasLibMimeType)) {
            // Handles, never addresses: each is checked against the live library.
            QList<ISourceDataItem*> items;
            for (quint32 handle : readLibraryHandles(data->data(STR_MediasLibMimeType))) {
                ISourceDataItem* item =
                    m_calls.QueryLibraryItemByHandle ? m_calls.QueryLibraryItemByHandle(handle) : nullptr;
                if (item)
                    items << item;
            }
            emit signal_updateAVsouceData(timeline());
            m_pScene->insertDragVideoItems(items, m_tInsertPos);
        } else if (data->hasUrls()) {
            m_lstDropFiles.clear();
            for (const QUrl& url : data->urls())
                if (url.isLocalFile())
                    m_lstDropFiles << QDir::toNativeSeparators(url.toLocalFile());
            m_lstDropFiles.erase(std::remove_if(m_lstDropFiles.begin(), m_lstDropFiles.end(),
                                                [](const QString& path) { return QFileInfo(path).isDir(); }),
                                 m_lstDropFiles.end());
            if (!m_lstDropFiles.isEmpty()) {
                emit signal_updateAVsouceData(timeline());
                m_bInsertFilesFinished = false;
                m_pScene->insertDragVideoLibraryItems(m_lstDropFiles, m_tInsertPos);
            }
        }
        if (!hasFocus())
            setFocus(Qt::OtherFocusReason);
        event->acceptProposedAction();
    }
    closeDragData();
    QGraphicsView::dropEvent(event);
}
