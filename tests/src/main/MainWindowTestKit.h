#pragma once

// What the main window tests share: the build's profile catalogue beside the
// program, and a drag of library items dropped on the timeline's track as the
// user does it.

#include "../MainPages/GuiTestApp.h"

#include "SourcePage/vtrackview.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QMimeData>

#include <string>
#include <unistd.h>

namespace MainWindowTest {

// The profile catalogue lies beside the program, as the build lays it out.
inline void ShipFromBuild(const QString& name)
{
    const QString target = QCoreApplication::applicationDirPath() + "/" + name;
    if (QFileInfo::exists(target))
        return;
    const QString temp = target + ".part" + QString::number(getpid());
    GuiTest::Run("cp -r '" + std::string(FABLECUT_BIN_DIR) + "/" + name.toStdString() + "' '" + temp.toStdString() +
                 "'");
    if (::rename(temp.toLocal8Bit().constData(), target.toLocal8Bit().constData()) != 0)
        GuiTest::Run("rm -rf '" + temp.toStdString() + "'");
}

// Drags `payload` onto the track at the clips' row from its start and drops
// it there: enter, move, drop.
inline void DropOnTrack(VTrackView* track, const QMimeData* payload)
{
    const QPoint at = track->mapFromScene(QPointF(0.0, 40.0));
    QDragEnterEvent enter(at, Qt::CopyAction, payload, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(track->viewport(), &enter);
    QDragMoveEvent move(at, Qt::CopyAction, payload, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(track->viewport(), &move);
    QDropEvent drop(at, Qt::CopyAction, payload, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(track->viewport(), &drop);
}

} // namespace MainWindowTest
