#pragma once

// One source file transcoded into one output file inside the media manager:
// the common road of the accurate trim and the disc creators.

#include "CFFExportSettings.h"
#include "IAVManager.h"

#include <cstdint>
#include <functional>
#include <string>

namespace Solvane {

class CFFPictureFit;

// Fills what the settings leave open from the source's streams: codec names
// (the source's own), picture size, frame rate, bitrates, sample rate and
// channels.
void CompleteFromSource(ExportSettings& settings, Moorland::MovieInfo* movie, int videoId, int audioId);

// Decodes `address` from `startMs` for `lengthMs` (-1: to the end) and
// writes `dst`. `progress` gets the done fraction (0 to 1) after every frame
// and returns false to stop; the output written so far is then finished and
// false is returned. Throws CBaseException on any failure, a damaged or cut
// source included. With `fit`, the pictures pass through it on their way to
// the encoder (its size and rate must be the settings').
bool TranscodeToFile(Moorland::IAVManager* manager, const std::string& address, const char* importerName,
                     ExportSettings settings, const std::string& dst, uint32_t startMs, int32_t lengthMs,
                     const std::function<bool(double)>& progress, CFFPictureFit* fit = nullptr);

} // namespace Solvane
