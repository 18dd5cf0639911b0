#pragma once

// Where the data of a file ends, read from its last bytes without FFmpeg's
// demuxers: its Matroska reader, entered by bytes, goes back to the last
// place it knew and reads on from there, and they walk a tail of zeros a
// few bytes at a time.
//
// Every scan here reads a bounded number of bytes (at most its window, or a
// few blocks) and looks at each byte a bounded number of times, so a
// crafted file costs no more time than a real one of its size.

#include "SolvaneFF.h"

#include <cstdint>
#include <map>
#include <vector>

namespace Solvane {

// Whether a stream's packets may be all zeros (sound or pictures stored
// uncompressed: silence, black): zeros in its place are no proof that
// nothing was written there. A compressed packet always holds a header.
bool ZerosMayBeData(const AVStream* st);
// Whether pictures of the file may be all zeros: black uncompressed
// pictures hold zeros from one block header to the next, and where they
// end is not found by looking for zeros.
bool VideoZerosMayBeData(const AVFormatContext* ctx);

// Where the file's data ends: the start of the run of zero bytes its last
// block holds, when the whole last block is zeros (a download or copy that
// took its room at full size and stopped filling it), else `size`. Looks at
// a few dozen blocks whatever the size of the file; assumes, as such a file
// is, that the zeros run unbroken to the end. Moves the read position.
int64_t DataEndOffset(AVIOContext* pb, int64_t size);

// Matroska: the times (the streams' shared time base) of the latest blocks
// in the last clusters that start in [end - window, end), read from the
// last cluster back until `tracks` tracks have one or the stretch ends.
struct MatroskaEnds
{
    int64_t latest = kNoTime;           // of every cluster and block read
    std::map<uint64_t, int64_t> tracks; // by track number
};
MatroskaEnds MatroskaBlockEnds(AVIOContext* pb, int64_t end, int64_t window, size_t tracks);

// Matroska: the tracks its header lists, in their order (the order of
// FFmpeg's streams of each kind); empty when they can't be read from the
// first MiB of the file.
struct MatroskaTrack
{
    uint64_t number = 0;
    int type = 0; // 1 pictures, 2 sound
};
std::vector<MatroskaTrack> MatroskaTracks(AVIOContext* pb);

// The latest block time of the last cluster that starts in
// [end - window, end); kNoTime when none does.
int64_t MatroskaDataEnd(AVIOContext* pb, int64_t end, int64_t window);

// FLV: the latest time (ms) of the sound or picture tags that lie whole in
// [end - window, end); kNoTime when none does.
int64_t FlvDataEndMs(AVIOContext* pb, int64_t end, int64_t window);

// AVI: the share (0 to 1) of the file's movie data, from the start of its
// "movi" list to the end of the file, that lies before `end`; a negative
// number when its header can't be read.
double AviDataShare(AVIOContext* pb, int64_t end, int64_t size);

} // namespace Solvane
