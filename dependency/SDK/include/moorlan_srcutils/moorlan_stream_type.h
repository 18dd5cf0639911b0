#pragma once

// The kinds of stream a media source holds, shared by the media manager's
// records and the address's stream list.

#include <cstdint>

namespace Moorland {

enum StreamType : int32_t {
    StreamTypeUnknown = 0,
    StreamTypeVideo = 1,
    StreamTypeAudio = 2,
    StreamTypeSubtitle = 3,
};

} // namespace Moorland
