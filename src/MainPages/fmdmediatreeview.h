#pragma once

// The details tree: accepts drops of local files and folders.

#include <QStringList>
#include <QTreeView>

class FMDMediaTreeView : public QTreeView
{
    Q_OBJECT
public:
    explicit FMDMediaTreeView(QWidget* parent = nullptr);

    // The local paths of the local-file URLs, in drop order.
    static QStringList LocalPathsOf(const class QMimeData* data);

signals:
    void signal_MediasLib_dragTaskList(QStringList paths);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};
