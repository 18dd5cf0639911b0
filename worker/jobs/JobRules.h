#pragma once

// The rules every job kind shares: the job's duration, frame-rate and
// aspect completion, stream choice, trim start and the media manager's
// named values.

#include "CheckedCalls.h"
#include "JobPlan.h"
#include "MoorlandMediaInfo.h"
#include "moorlan_srcutils/moorlan_job_kinds.h"

#include <cstdint>
#include <string>

namespace Moorland {

class IAVManager;
class CSourceURL;

// Seconds of a job from the source's milliseconds and the record's trim
// range; never below 0.001 (1.0 instead), so percentages never divide by 0.
double JobDuration(uint32_t sourceMs, int32_t trimStartMs, int32_t trimLengthMs);

// The profile's frame rate as the exporter takes it: the source's rate when
// the profile has none, 30 outside 1 to 120, rounded on its ten-thousandths.
double CompleteFrameRate(double profileRate, uint32_t sourceNum, uint32_t sourceDen);

// The picture of width x height fitted to a display aspect (even sizes).
void FitToAspect(int width, int height, double aspect, int* outWidth, int* outHeight);

// The display aspect of a picture stream: its sample aspect times its size,
// or the size alone for square (or unknown) samples.
double DisplayAspect(const StreamInfo& stream);

// Whether the job's source is an edit description (a timeline).
bool IsEditDescription(const char* importerName, const std::string& path);

// The profile's stream selection on the source address.
void ChooseStreams(CSourceURL& address, AVInclude include);

// What the job's source applies itself, on its address: the profile's
// stream selection and, for an edit description with pictures, the output
// frame rate its pictures are placed on (0 leaves each picture its own time).
// The description itself stays as the timeline wrote it.
void ChooseSourceOutput(CSourceURL& address, AVInclude include, bool editDescription, double frameRate);

// A named text value of the media manager's current source, empty when none.
std::string ManagerProperty(IAVManager* manager, const char* name, bool* found = nullptr);

// IsProResCodec: the job plan's (JobPlan.h).

// Codecs that carry a display aspect of their own instead of a resized picture.
extern const char* const kAspectCodecs;

// What a failed seek to the trim start says when it recorded nothing.
std::string SeekFailure(int32_t trimStartMs);

// A trimmed job starts where its trim starts: a seek that fails would give
// the output from the wrong range, so it fails the job, named `origin`.
template <class Source> void SeekToTrimStart(Source* source, int32_t trimStartMs, const char* origin)
{
    CheckedCall([&] { return source->Seek(static_cast<uint32_t>(trimStartMs)); }, SeekFailure(trimStartMs), __LINE__,
                origin);
}

} // namespace Moorland
