#pragma once

// Pieces shared by the writers of edit descriptions (a clip's own and the
// timeline's), which go through the media manager's simple-edit timeline.

#include "MoorlandMediaInfo.h"

#include <QString>

#include <cstdint>
#include <memory>

namespace Moorland {
class IAVImporter;
class ISimpleEditTimeLine;
struct SimpleEditOutputFormat;
} // namespace Moorland

namespace Fablecut {

struct ImporterRelease
{
    void operator()(Moorland::IAVImporter* importer) const;
};
using ImporterHolder = std::unique_ptr<Moorland::IAVImporter, ImporterRelease>;

// A crop edge as whole pixels cut; a negative or NaN value cuts nothing.
uint32_t CropMarginOf(double value);

// The stream parameters of a clip from its current streams (either may be null).
void FillOutputFormat(Moorland::SimpleEditOutputFormat& format, const Moorland::StreamInfo* video,
                      const Moorland::StreamInfo* audio);

// Saves the description beside `path` and renames it over, so a failed save
// leaves the previous file in place. Throws on failure.
void SaveDescriptionOver(Moorland::ISimpleEditTimeLine* timeline, const QString& path);

} // namespace Fablecut
