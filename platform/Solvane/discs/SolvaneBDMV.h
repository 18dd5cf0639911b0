#pragma once

// The navigation files of a Blu-ray movie folder (BDMV): the index, the movie
// objects, a playlist and the clip information of each stream file. Every
// file is built as big-endian bytes, field by field; nothing here touches
// the disk.

#include <cstdint>
#include <string>
#include <vector>

namespace Solvane {

// One elementary stream of a clip as the playlist and clip information
// describe it.
struct BDStream
{
    uint16_t pid = 0;
    uint8_t codingType = 0; // 0x1B H.264, 0x80 LPCM, 0x81 AC-3
    uint8_t format = 0;     // video: 1 480i, 2 576i, 4 1080i, 5 720p, 6 1080p; audio: 1 mono, 3 stereo, 6 multi
    uint8_t rate = 0;       // video: 1 23.976, 2 24, 3 25, 4 29.97, 6 50, 7 59.94; audio: 1 48 kHz
    uint8_t aspect = 0;     // video: 2 4:3, 3 16:9
    bool IsVideo() const { return codingType == 0x1B || codingType == 0x02 || codingType == 0xEA; }
};

// A key picture where playing may start: its source packet and time.
struct BDEntryPoint
{
    uint32_t packet = 0;  // 192-byte source packet number of the picture's first packet
    uint64_t pts = 0;     // 90 kHz
    uint32_t packets = 1; // packets the picture spans
};

struct BDClip
{
    uint32_t sourcePackets = 0;
    uint32_t recordingRate = 0; // bytes per second
    uint16_t pmtPid = 0;
    uint16_t pcrPid = 0;
    uint32_t start = 0; // presentation start and end, 45 kHz
    uint32_t end = 0;
    std::vector<BDStream> streams;
    std::vector<BDEntryPoint> entries; // of the first video stream, in order
};

struct BDPlayItem
{
    std::string clip; // five digits, "00001"
    uint32_t in = 0;  // 45 kHz, the clip's own time
    uint32_t out = 0;
    std::vector<BDStream> streams;
};

struct BDMark
{
    uint16_t playItem = 0;
    uint32_t time = 0; // 45 kHz, in the play item's clip time
};

// "index.bdmv": first play, top menu and the one title run movie object 0.
std::vector<uint8_t> BuildIndex();
// "MovieObject.bdmv": object 0 plays playlist `playlist`.
std::vector<uint8_t> BuildMovieObjects(uint32_t playlist);
// "xxxxx.mpls": the play items in order and their entry marks.
std::vector<uint8_t> BuildPlaylist(const std::vector<BDPlayItem>& items, const std::vector<BDMark>& marks);
// "xxxxx.clpi". Throws CBaseException for a clip without streams.
std::vector<uint8_t> BuildClipInfo(const BDClip& clip);

} // namespace Solvane
