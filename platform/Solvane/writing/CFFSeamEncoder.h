#pragma once

// The pictures of a lossless cut that can't be copied: those between a cut
// inside a group of pictures and its next key picture. They are decoded from
// the group's key picture on and encoded again in the source's own codec,
// profile, level, size, picture format and rate, at a quality that hides the
// seam, into packets of the source's own form (length-prefixed or start
// codes) that stand between the copied ones. The first packet carries the
// new parameter sets in band.

#include "FFOwners.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Solvane {

class CFFSeamEncoder
{
public:
    // The encoder for pictures of `par`, or null when none is installed or
    // none keeps them as they are (the cut then falls back to the next key
    // picture).
    static const AVCodec* EncoderFor(const AVCodecParameters* par);

    // `source` is the stream whose packets are decoded; its parameters must
    // outlive this object.
    explicit CFFSeamEncoder(const AVStream* source);

    // Decodes `packets` (decode order, from a key packet) and encodes the
    // pictures whose times lie in [from, to) (the source's time base). The
    // packets returned carry those times; their decode times are their
    // presentation times less `delay`. `end` receives the end of the last
    // picture encoded. Throws on a failure.
    std::vector<FF::PacketPtr> Encode(const std::vector<AVPacket*>& packets, int64_t from, int64_t to, int64_t delay,
                                      int64_t* end);

private:
    FF::CodecContextPtr OpenDecoder() const;
    FF::CodecContextPtr OpenEncoder(const AVFrame* first) const;
    void Receive(AVCodecContext* encoder, std::vector<FF::PacketPtr>& out) const;

    const AVStream* m_source;
    int64_t m_frameTicks;
};

} // namespace Solvane
