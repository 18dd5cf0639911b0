#include "fmdmediatreeview.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

FMDMediaTreeView::FMDMediaTreeView(QWidget* parent) : QTreeView(parent)
{
    setAcceptDrops(true);
    setDropIndicatorShown(false);
    setDragDropMode(QAbstractItemView::DropOnly);
}

QStringList FMDMediaTreeView::LocalPathsOf(const QMimeData* data)
{
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    }
    return paths;
}

void FMDMediaTreeView::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
    else
        QTreeView::dragEnterEvent(event);
}

void FMDMediaTreeView::dragMoveEvent(QDragMoveEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
    else
        QTreeView::dragMoveEvent(event);
}

void FMDMediaTreeView::dropEvent(QDropEvent* event)
{
    const QStringList paths = LocalPathsOf(event->mimeData());
    event->acceptProposedAction();
    if (!paths.isEmpty())
        emit signal_MediasLib_dragTaskList(paths);
}
