#pragma once

// The packet forms of H.264 and HEVC streams: NAL units with length fields
// (MP4, Matroska) or start codes (transport streams), and the parameter sets
// a stream's extradata holds. What a lossless cut needs to put packets of
// another encoder among copied ones.

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <cstdint>
#include <string>
#include <vector>

namespace Solvane {

// Helpers for the packet forms of H.264 and HEVC streams.
namespace NalForm {
// The length field size of a length-prefixed stream's extradata (avcC,
// hvcC), 0 for a stream of start codes.
int LengthSize(const AVCodecParameters* par);
// The parameter sets of the stream's extradata, each a NAL unit without
// prefix.
std::vector<std::string> ParameterSets(const AVCodecParameters* par);
// Start-code data as NAL units of `lengthSize`-byte lengths.
std::string ToLengthPrefixed(const uint8_t* data, int size, int lengthSize);
// NAL units prefixed as the stream wants them (`lengthSize` 0: start codes).
std::string Prefixed(const std::vector<std::string>& units, int lengthSize);
// Whether the packet holds a sequence parameter set already.
bool HasSequenceSet(const AVCodecParameters* par, const uint8_t* data, int size, int lengthSize);
} // namespace NalForm

} // namespace Solvane
