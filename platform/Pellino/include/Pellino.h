#pragma once

// The exports of the playback engine libPellino.so. The factories return
// null on failure with the reason in the calling thread's last-error record.

#include "IPlayer.h"
#include "IVideoDriver.h"

#define PELLINO_EXPORT __attribute__((visibility("default")))

extern "C" {
PELLINO_EXPORT Moorland::IPlayer* CreatePlayer();
PELLINO_EXPORT Moorland::IVideoDriver* CreateVideoDriver(const Moorland::VideoDriverDesc* desc);
}
