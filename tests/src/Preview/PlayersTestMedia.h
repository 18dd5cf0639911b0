#pragma once

// What the player tests share: the application object, the indexed clips of
// the engine's tests, clips loaded as library items, and waits that keep the
// event loop running.

#include "../../dependency/QtBased/dialogs/WidgetTestApp.h"
#include "../../platform/Pellino/PellinoTestMedia.h"

#include "Basilvo/Basilvo.h"
#include "ProjectData/cmediasourceitem.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>

#include <functional>
#include <memory>

namespace PlayersTest {

using PellinoTest::PictureIndex;

// A library clip of the file, probed through the manager.
inline std::unique_ptr<Fablecut::CMediaSourceItem> Clip(Moorland::IAVManager* manager, const std::string& path)
{
    auto clip = std::make_unique<Fablecut::CMediaSourceItem>();
    clip->SetAVManager(manager);
    clip->SetSrcFileFullPath(QString::fromStdString(path));
    if (!clip->OpenImporter())
        return nullptr;
    clip->UpdateMovieInfos();
    return clip;
}

// Runs the event loop until `done` or the time-out; true when done.
inline bool WaitFor(const std::function<bool()>& done, int ms = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QTest::qSleep(2);
    }
    return true;
}

// Lets queued presents and timers run for a while.
inline void Pump(int ms)
{
    WaitFor([] { return false; }, ms);
}

} // namespace PlayersTest
