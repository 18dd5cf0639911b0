#pragma once

// Where a seek landed, judged by one rule for every decoding source (the
// source of a plain transcode and the multi-stream source), so that a trim
// starts at the same picture and the same sound whichever job reads it.
//
// A landing is late, and the seek comes again from earlier, when
// - the first picture decoded after it has no time of its own and nothing
//   before it to follow (AVI keeps only decoding times),
// - no picture starts at or before the target (the first one comes after
//   it, or none comes at all: past the last key frame a decoder may give
//   none),
// - the first sound block starts more than a millisecond after the target,
//   or after the sound's own start when that is later: containers that
//   interleave loosely (AVI, FLV, Ogg) keep the sound of a time before the
//   key frame of that time. Sound still late after backing off 4 s has a
//   gap there, and is taken as it is.
// A landing at the file start is never late.

#include "MoorlanTypes.h"

#include <cstdint>

namespace Solvane {

class CSeekLanding
{
public:
    CSeekLanding(uint32_t targetMs, int64_t backoffMs, bool fromFileStart);

    int64_t TargetMs() const { return m_targetMs; }
    bool FromFileStart() const { return m_fromFileStart; }
    bool Late() const { return m_late; }

    // A picture since the landing could not be placed: it has no time of its
    // own and no picture before it.
    void UnplacedPicture();
    // A picture at `ms` (as the reader sees it), in decoding order: true
    // while it starts at or before the target, so that it may be the one
    // shown there; the first after the target ends the search.
    bool PictureAtOrBefore(int64_t ms);
    // The picture stream gave nothing since the landing.
    void NoPicture();

    // The first sound block since the landing starts at `start100ns`; the
    // sound of the stream starts at `soundStart100ns`.
    void FirstSound(int64_t start100ns, int64_t soundStart100ns);
    // A sound block ending at `end100ns` ends at or before the target: it is
    // dropped, and the block holding the target comes first.
    bool SoundBeforeTarget(int64_t end100ns) const { return end100ns <= m_targetMs * Moorland::kTicksPerMs; }
    // Whether a source reading ahead for the first sound still waits at a
    // read time of `readMs`; sound further away is not loose interleaving.
    bool SoundStillAwaited(int64_t readMs) const { return readMs <= m_targetMs + kSoundSpanMs; }

private:
    static const int64_t kSoundSpanMs = 2000;
    static const int64_t kSoundBackoffLimitMs = 4000;

    int64_t m_targetMs;
    int64_t m_backoffMs;
    bool m_fromFileStart;
    bool m_late = false;
    bool m_pictureSeen = false;
};

} // namespace Solvane
