#pragma once

// Profile options handed to FFmpeg objects by their FFmpeg names.

#include "CFFExportSettings.h"
#include "FFOwners.h"

#include <string>

namespace Solvane {

// Hands a profile's FFmpeg options to an encoder or a muxer before it opens;
// throws, naming the option, for one FFmpeg does not know or a refused value.
// `what` names the object in the text ("video encoder libx264").
void ApplyOptions(AVCodecContext* c, const FFOptions& options, const std::string& what);
void ApplyOptions(AVFormatContext* ctx, const FFOptions& options, const std::string& what);

} // namespace Solvane
