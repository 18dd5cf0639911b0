#pragma once

// Reads back a finished M2TS stream file (192-byte source packets: a 4-byte
// arrival time stamp, then a transport packet) for what its clip information
// needs: the program's PIDs and stream types, and the key pictures of the
// first video stream with their packet numbers and times.

#include "SolvaneBDMV.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace Solvane {

struct M2TSStream
{
    uint16_t pid = 0;
    uint8_t streamType = 0; // as the program map gives it
};

struct M2TSScan
{
    uint32_t packets = 0;
    uint16_t pmtPid = 0;
    uint16_t pcrPid = 0;
    std::vector<M2TSStream> streams;
    uint16_t videoPid = 0;                 // 0: no video
    std::vector<BDEntryPoint> keyPictures; // in file order
    uint64_t firstPts = 0;                 // earliest and latest picture times, 90 kHz
    uint64_t lastPts = 0;
    uint32_t pictures = 0;
};

// Throws CBaseException for a file that can't be read or is not an M2TS
// stream (size, sync bytes, no program map); `cancelled` is asked now and
// then and stops the scan with "Cancel".
M2TSScan ScanM2TS(const std::string& path, const std::function<bool()>& cancelled);

} // namespace Solvane
