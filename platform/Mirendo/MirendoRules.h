#pragma once

#include <string>
#include <vector>

// What codecs and devices accept. Codec names are matched without regard to
// case, by FFmpeg codec or encoder name ("mp3" and "libmp3lame" are one).
namespace MirendoRules {

struct DeviceLimits
{
    const char* key;
    int maxWidth;
    int maxHeight;
    double maxFrameRate;
    int maxVideoKbps;
    int maxChannels;
};

// Null for an unknown key.
const DeviceLimits* FindDevice(const char* key);
const std::vector<DeviceLimits>& Devices();

// Audio.
bool HasBitrateRules(const char* codec);
bool BitrateFits(const char* codec, int sampleRate, int channels, int bitrate);
// The codec's standard bitrates at that rate and channel count, ascending.
std::vector<int> StandardBitrates(const char* codec, int sampleRate, int channels);
// The accepted bitrate nearest below (else above) the wish; the wish itself
// when the codec has no rules or accepts it.
int FitBitrate(const char* codec, int sampleRate, int channels, int wish);
// 0 when the codec sets no limit.
int MaxChannels(const char* codec);
// The accepted sample rate nearest to the wish; the wish when any is accepted.
int FitSampleRate(const char* codec, int wish);

// Video: a frame size and rate the codec accepts, nearest to the wish.
// `sourceFps` helps codecs whose size follows the rate (DV).
void FitFrameSize(const char* codec, double sourceFps, int& width, int& height);
// The video bitrate (IVideoProfile units) the codec accepts at that frame
// size: DNxHD takes a few fixed bitrates per size, so its quality codes
// (1 high, 2 medium, 3 low) and unusable values become one of them; other
// codecs keep the value.
int FitVideoBitrate(const char* codec, int width, int height, int value);
// A level's limits for H.264 and HEVC ("ff:video:level" as "4.1", "41" or
// "4"): frame size and rate lowered to fit, the rate first (halved, while it
// stays at least 24 per second), then the size, keeping its shape. False when
// the codec has no levels or the level is unknown; nothing changes then.
bool FitLevel(const char* codec, const char* level, int& width, int& height, double& fps);

// NTSC rates written short (23.976, 29.97, 59.94) become exact (x000/1001).
double FitFrameRate(const char* codec, int height, double wish);
double ExactRate(double fps);

} // namespace MirendoRules
