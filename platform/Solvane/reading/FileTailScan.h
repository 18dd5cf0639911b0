#pragma once

// Where the data of a file ends, read from its last bytes without FFmpeg's
// demuxers: they find no Matroska packets after a seek by bytes, and they
// walk a tail of zeros a few bytes at a time.
//
// Every scan here reads a bounded number of bytes (at most its window, or a
// few blocks) and looks at each byte a bounded number of times, so a
// crafted file costs no more time than a real one of its size.

#include "SolvaneFF.h"

#include <cstdint>

namespace Solvane {

// Where the file's data ends: the start of the run of zero bytes its last
// block holds, when the whole last block is zeros (a download or copy that
// took its room at full size and stopped filling it), else `size`. Looks at
// a few dozen blocks whatever the size of the file; assumes, as such a file
// is, that the zeros run unbroken to the end. Moves the read position.
int64_t DataEndOffset(AVIOContext* pb, int64_t size);

// Matroska: the latest block time (the streams' shared time base) of the
// last cluster that starts in [end - window, end); kNoTime when none does.
int64_t MatroskaDataEnd(AVIOContext* pb, int64_t end, int64_t window);

// FLV: the latest time (ms) of the sound or picture tags that lie whole in
// [end - window, end); kNoTime when none does.
int64_t FlvDataEndMs(AVIOContext* pb, int64_t end, int64_t window);

// AVI: the share (0 to 1) of the file's movie data, from the start of its
// "movi" list to the end of the file, that lies before `end`; a negative
// number when its header can't be read.
double AviDataShare(AVIOContext* pb, int64_t end, int64_t size);

} // namespace Solvane
