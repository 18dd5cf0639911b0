#pragma once

// The player's threads' shared measures, and where they report trouble.

#include "Basilvo/QuentaLogger.h"

#include <chrono>
#include <cstddef>

namespace Pellino {

// How far the reader reads ahead of the clock, and its bounds in pictures
// and sound blocks: enough for the sound device's buffer, little memory.
constexpr double READ_AHEAD_MS = 1000;
constexpr size_t MIN_PICTURES = 3;
constexpr size_t MAX_PICTURES = 40;
constexpr size_t MAX_SOUNDS = 600;
// Seeks and steps wait this long for their picture before they give up.
constexpr auto SHOW_WAIT = std::chrono::seconds(20);
// A reader this many pictures behind the clock has the source leave out
// pictures nothing is decoded from, until it is this many ahead again.
constexpr double CATCH_UP_BEHIND = 2;
constexpr double CATCH_UP_AHEAD = 8;
// Pictures kept from before the one on screen, for the frame strip.
constexpr size_t BEHIND_CACHE = 16;
// The longest the clock waits at a start for the device's first report.
constexpr auto DEVICE_HOLD = std::chrono::milliseconds(600);

inline void LogWarning(const char* what)
{
    if (IQuentaLogger* logger = GetQuentaLogger())
        logger->Log(LOG_WARN, "Pellino", what, nullptr, 0);
}

} // namespace Pellino
