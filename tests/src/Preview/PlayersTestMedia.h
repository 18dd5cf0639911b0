#pragma once

// What the player tests share: the application object, the indexed clips of
// the engine's tests, clips loaded as library items, and waits that keep the
// event loop running.

#include "../../dependency/QtBased/dialogs/WidgetTestApp.h"
#include "../../platform/Pellino/PellinoTestMedia.h"
#include "../../EventLoopWait.h"

#include "Basilvo/Basilvo.h"
#include "ProjectData/cmediasourceitem.h"

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

// Waits for a state the player reaches: a picture, a run state, a signal.
// The deadline only bounds a hang; a busy machine may take many times what a
// quiet one does.
inline bool WaitFor(const std::function<bool()>& done, int ms = 60000)
{
    return EventLoop::WaitFor(done, ms);
}

// Lets queued presents and timers run for a while.
inline void Pump(int ms)
{
    WaitFor([] { return false; }, ms);
}

} // namespace PlayersTest
