#pragma once

// The output streams of a multi-stream job, as listed in the query of the
// job's source address: "movieid" first, then for each output stream its
// stream key ("vstreamid", "astreamid" or "subtitleid") followed by
// "compress" (1: the packets are copied as read, else re-encoded).

#include "moorlan_stream_type.h"

#include <cstdint>
#include <string>

namespace Moorland {

struct SMItemInfo
{
    int32_t nStreamID = 0;
    // StreamTypeUnknown when the address names no kind the worker knows.
    StreamType eStreamType = StreamTypeUnknown;
    // False unless the address says "compress=1".
    bool bCompress = false;
};

// Reads the stream list of the address into a new array (array new; the
// caller deletes it with delete[]) and returns the number of records, 0 or
// more. -1 after recording "bad Params" or "movieID is null"; the caller's
// pointer is then unchanged.
int ParserUrlToSMItemInfo(std::string sUrl, SMItemInfo** ppItems);

} // namespace Moorland
