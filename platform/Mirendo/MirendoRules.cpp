#include "MirendoRules.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <strings.h>

namespace MirendoRules {

namespace {

enum class Audio { None, Mp3, Mp2, Aac, Ac3, Eac3, Wma, Vorbis, Opus, AmrNb, AmrWb };
enum class Video { Other, Even, Mpeg12, H263, Dv, DnxHD };

bool Is(const char* name, std::initializer_list<const char*> names)
{
    if (!name)
        return false;
    for (const char* n : names)
        if (strcasecmp(name, n) == 0)
            return true;
    return false;
}

Audio AudioFamily(const char* codec)
{
    if (Is(codec, {"mp3", "libmp3lame", "mp3lame", "libshine"}))
        return Audio::Mp3;
    if (Is(codec, {"mp2", "mp2fixed", "libtwolame"}))
        return Audio::Mp2;
    if (Is(codec, {"aac", "libfdk_aac"}))
        return Audio::Aac;
    if (Is(codec, {"ac3", "ac3_fixed"}))
        return Audio::Ac3;
    if (Is(codec, {"eac3"}))
        return Audio::Eac3;
    if (Is(codec, {"wmav1", "wmav2"}))
        return Audio::Wma;
    if (Is(codec, {"vorbis", "libvorbis"}))
        return Audio::Vorbis;
    if (Is(codec, {"opus", "libopus"}))
        return Audio::Opus;
    if (Is(codec, {"amr_nb", "libopencore_amrnb"}))
        return Audio::AmrNb;
    if (Is(codec, {"amr_wb", "libvo_amrwbenc"}))
        return Audio::AmrWb;
    return Audio::None;
}

const std::vector<int> kMpeg1Layer3 = {32000,  40000,  48000,  56000,  64000,  80000,  96000,
                                       112000, 128000, 160000, 192000, 224000, 256000, 320000};
const std::vector<int> kMpeg2Layer3 = {8000,  16000, 24000, 32000,  40000,  48000,  56000,
                                       64000, 80000, 96000, 112000, 128000, 144000, 160000};
const std::vector<int> kMpeg25Layer3 = {8000, 16000, 24000, 32000, 40000, 48000, 56000, 64000};
const std::vector<int> kMpeg1Layer2 = {32000,  48000,  56000,  64000,  80000,  96000,  112000,
                                       128000, 160000, 192000, 224000, 256000, 320000, 384000};
const std::vector<int> kAc3 = {32000,  40000,  48000,  56000,  64000,  80000,  96000,  112000, 128000, 160000,
                               192000, 224000, 256000, 320000, 384000, 448000, 512000, 576000, 640000};
const std::vector<int> kAmrNb = {4750, 5150, 5900, 6700, 7400, 7950, 10200, 12200};
const std::vector<int> kAmrWb = {6600, 8850, 12650, 14250, 15850, 18250, 19850, 23050, 23850};
const std::vector<int> kLadder = {16000,  24000,  32000,  48000,  64000,  80000,  96000,  112000, 128000,
                                  160000, 192000, 224000, 256000, 320000, 384000, 448000, 512000, 640000};

// A fixed set of bitrates, or a range [min, max] with the ladder as its
// standard values.
struct BitrateRule
{
    const std::vector<int>* set = nullptr;
    int min = 0;
    int max = 0;
};

BitrateRule RuleFor(Audio family, int sampleRate, int channels)
{
    int ch = std::max(1, channels);
    BitrateRule rule;
    switch (family) {
    case Audio::Mp3:
        rule.set = sampleRate >= 32000 ? &kMpeg1Layer3 : sampleRate >= 16000 ? &kMpeg2Layer3 : &kMpeg25Layer3;
        break;
    case Audio::Mp2: rule.set = sampleRate >= 32000 ? &kMpeg1Layer2 : &kMpeg2Layer3; break;
    case Audio::Ac3:
        rule.set = &kAc3;
        rule.min = 16000 * ch;
        break;
    case Audio::AmrNb: rule.set = &kAmrNb; break;
    case Audio::AmrWb: rule.set = &kAmrWb; break;
    case Audio::Aac:
        rule.min = 8000 * ch;
        // The most bits an AAC frame may carry: 6144 bits per channel per 1024 samples.
        rule.max = static_cast<int>(std::min<long long>(6144LL * std::max(sampleRate, 8000) / 1024 * ch, 2000000000LL));
        break;
    case Audio::Eac3:
        rule.min = 16000 * ch;
        rule.max = 6144000;
        break;
    case Audio::Wma:
        rule.min = 16000 * ch;
        rule.max = std::min(192000 * ch, 320000);
        break;
    case Audio::Vorbis:
        rule.min = std::max(32000, 24000 * ch);
        rule.max = std::min(250000 * ch, 1000000);
        break;
    case Audio::Opus:
        rule.min = 6000 * ch;
        rule.max = 256000 * ch;
        break;
    case Audio::None: break;
    }
    return rule;
}

bool Fits(const BitrateRule& rule, int bitrate)
{
    if (rule.set && std::find(rule.set->begin(), rule.set->end(), bitrate) == rule.set->end())
        return false;
    if (rule.min && bitrate < rule.min)
        return false;
    if (rule.max && bitrate > rule.max)
        return false;
    return true;
}

Video VideoFamily(const char* codec)
{
    if (Is(codec, {"mpeg1video", "mpeg2video"}))
        return Video::Mpeg12;
    if (Is(codec, {"h263"}))
        return Video::H263;
    if (Is(codec, {"dvvideo"}))
        return Video::Dv;
    if (Is(codec, {"dnxhd"}))
        return Video::DnxHD;
    if (Is(codec,
           {"h264",       "libx264",    "libx264rgb", "hevc",      "libx265",   "mpeg4",     "libxvid",   "h263p",
            "flv",        "flv1",       "wmv1",       "wmv2",      "msmpeg4",   "msmpeg4v2", "vp8",       "libvpx",
            "vp9",        "libvpx-vp9", "prores",     "prores_ks", "prores_aw", "theora",    "libtheora", "av1",
            "libaom-av1", "libsvtav1",  "librav1e",   "huffyuv",   "mjpeg"}))
        return Video::Even;
    return Video::Other;
}

int EvenDown(int v)
{
    return std::max(2, v - (v % 2));
}

const double kMpegRates[] = {24000.0 / 1001, 24, 25, 30000.0 / 1001, 30, 50, 60000.0 / 1001, 60};

} // namespace

const std::vector<DeviceLimits>& Devices()
{
    static const std::vector<DeviceLimits> devices = {
        {"iphone", 1920, 1080, 60, 20000, 2},
        {"ipad", 1920, 1080, 60, 25000, 2},
        {"ipod-touch", 1920, 1080, 30, 10000, 2},
        {"ipod-classic", 640, 480, 30, 2500, 2},
        {"ipod-nano", 640, 480, 30, 1500, 2},
        {"apple-tv", 1920, 1080, 60, 25000, 6},
        {"android-phone", 1920, 1080, 60, 20000, 2},
        {"android-tablet", 1920, 1080, 60, 20000, 2},
        {"kindle-fire", 1280, 800, 30, 8000, 2},
        {"windows-phone", 1280, 720, 30, 6000, 2},
        {"blackberry", 1280, 720, 30, 4000, 2},
        {"feature-phone", 176, 144, 15, 128, 1},
        {"psp", 480, 272, 30, 768, 2},
        {"ps-vita", 960, 544, 30, 10000, 2},
        {"ps3", 1920, 1080, 60, 25000, 6},
        {"ps4", 1920, 1080, 60, 40000, 6},
        {"xbox-360", 1920, 1080, 30, 20000, 6},
        {"xbox-one", 1920, 1080, 60, 40000, 6},
        {"wii", 640, 480, 30, 3000, 2},
        {"smart-tv", 1920, 1080, 60, 40000, 6},
        {"tv-4k", 3840, 2160, 60, 60000, 6},
        {"media-player", 1920, 1080, 60, 25000, 6},
        {"dvd-player", 720, 576, 30, 9800, 6},
    };
    return devices;
}

const DeviceLimits* FindDevice(const char* key)
{
    if (!key || !*key)
        return nullptr;
    for (const DeviceLimits& d : Devices())
        if (strcasecmp(d.key, key) == 0)
            return &d;
    return nullptr;
}

bool HasBitrateRules(const char* codec)
{
    return AudioFamily(codec) != Audio::None;
}

bool BitrateFits(const char* codec, int sampleRate, int channels, int bitrate)
{
    Audio family = AudioFamily(codec);
    return family == Audio::None || Fits(RuleFor(family, sampleRate, channels), bitrate);
}

std::vector<int> StandardBitrates(const char* codec, int sampleRate, int channels)
{
    Audio family = AudioFamily(codec);
    if (family == Audio::None)
        return {};
    BitrateRule rule = RuleFor(family, sampleRate, channels);
    std::vector<int> out;
    for (int v : rule.set ? *rule.set : kLadder)
        if (Fits(rule, v))
            out.push_back(v);
    return out;
}

int FitBitrate(const char* codec, int sampleRate, int channels, int wish)
{
    if (BitrateFits(codec, sampleRate, channels, wish))
        return wish;
    std::vector<int> standard = StandardBitrates(codec, sampleRate, channels);
    if (standard.empty()) {
        BitrateRule rule = RuleFor(AudioFamily(codec), sampleRate, channels);
        return rule.max && wish > rule.max ? rule.max : std::max(wish, rule.min);
    }
    int best = standard.front();
    for (int v : standard)
        if (v <= wish)
            best = v;
    return best;
}

int MaxChannels(const char* codec)
{
    switch (AudioFamily(codec)) {
    case Audio::Mp3:
    case Audio::Mp2:
    case Audio::Wma: return 2;
    case Audio::AmrNb:
    case Audio::AmrWb: return 1;
    case Audio::Ac3:
    case Audio::Eac3: return 6;
    case Audio::Aac:
    case Audio::Vorbis:
    case Audio::Opus: return 8;
    case Audio::None: break;
    }
    return 0;
}

int FitSampleRate(const char* codec, int wish)
{
    static const std::vector<int> mp3 = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
    static const std::vector<int> mp2 = {16000, 22050, 24000, 32000, 44100, 48000};
    static const std::vector<int> aac = {8000,  11025, 12000, 16000, 22050, 24000,
                                         32000, 44100, 48000, 64000, 88200, 96000};
    static const std::vector<int> ac3 = {32000, 44100, 48000};
    static const std::vector<int> wma = {8000, 11025, 16000, 22050, 32000, 44100, 48000};
    static const std::vector<int> opus = {8000, 12000, 16000, 24000, 48000};
    static const std::vector<int> amrNb = {8000};
    static const std::vector<int> amrWb = {16000};
    const std::vector<int>* rates = nullptr;
    switch (AudioFamily(codec)) {
    case Audio::Mp3: rates = &mp3; break;
    case Audio::Mp2: rates = &mp2; break;
    case Audio::Aac: rates = &aac; break;
    case Audio::Ac3:
    case Audio::Eac3: rates = &ac3; break;
    case Audio::Wma: rates = &wma; break;
    case Audio::Opus: rates = &opus; break;
    case Audio::AmrNb: rates = &amrNb; break;
    case Audio::AmrWb: rates = &amrWb; break;
    case Audio::Vorbis:
    case Audio::None: break;
    }
    if (!rates || wish <= 0)
        return wish;
    int best = rates->front();
    for (int r : *rates)
        if (std::abs(r - wish) < std::abs(best - wish))
            best = r;
    return best;
}

void FitFrameSize(const char* codec, double sourceFps, int& width, int& height)
{
    if (width <= 0 || height <= 0)
        return;
    switch (VideoFamily(codec)) {
    case Video::H263: {
        static const int sizes[][2] = {{1408, 1152}, {704, 576}, {352, 288}, {176, 144}, {128, 96}};
        for (const auto& s : sizes) {
            if (s[0] <= width && s[1] <= height) {
                width = s[0];
                height = s[1];
                return;
            }
        }
        width = 128;
        height = 96;
        return;
    }
    case Video::Dv: {
        // DV and DVCPRO50 SD, and the DVCPRO HD frames.
        if ((width == 720 && (height == 480 || height == 576)) || (width == 1440 && height == 1080) ||
            (width == 1280 && height == 1080) || (width == 960 && height == 720))
            return;
        bool pal = sourceFps <= 0.0 || std::fabs(sourceFps - 25.0) < 0.5 || std::fabs(sourceFps - 50.0) < 0.5;
        width = 720;
        height = pal ? 576 : 480;
        return;
    }
    case Video::DnxHD:
        if ((width == 1920 && height == 1080) || (width == 1280 && height == 720))
            return;
        if (height > 720) {
            width = 1920;
            height = 1080;
        } else {
            width = 1280;
            height = 720;
        }
        return;
    case Video::Mpeg12:
        width = EvenDown(std::min(width, 4094));
        height = EvenDown(std::min(height, 4094));
        return;
    case Video::Even:
        width = EvenDown(width);
        height = EvenDown(height);
        return;
    case Video::Other: return;
    }
}

int FitVideoBitrate(const char* codec, int width, int height, int value)
{
    if (VideoFamily(codec) != Video::DnxHD)
        return value;
    // 8-bit 4:2:2 DNxHD bitrates in Mbit/s: high, medium and low first.
    static const std::vector<int> hd1080 = {220, 145, 36, 45, 75, 90, 115, 120, 240, 290};
    static const std::vector<int> hd720 = {180, 90, 60, 75, 120, 145, 220};
    const std::vector<int>& rates = height > 720 || width > 1280 ? hd1080 : hd720;
    if (value >= 1 && value <= 3)
        return rates[value - 1] * 1000;
    if (value > 3 && value % 1000 == 0 && std::find(rates.begin(), rates.end(), value / 1000) != rates.end())
        return value;
    if (value <= 3)
        return rates[1] * 1000;
    int best = rates.front();
    for (int r : rates)
        if (std::abs(r * 1000 - value) < std::abs(best * 1000 - value))
            best = r;
    return best * 1000;
}

namespace {

// Level number times ten ("4.1" -> 41, "41" -> 41, "4" -> 40); 0 when unreadable.
int LevelNumber(const char* text)
{
    if (!text || !*text)
        return 0;
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (end == text || v <= 0.0)
        return 0;
    if (std::strchr(text, '.') || v < 10.0)
        return static_cast<int>(std::lround(v * 10));
    return static_cast<int>(std::lround(v));
}

struct LevelLimits
{
    int level;
    double maxUnitsPerSecond; // macroblocks (H.264) or luma samples (HEVC)
    double maxUnitsPerFrame;
};

// H.264 (Table A-1): macroblocks per second and per frame.
const LevelLimits kH264Levels[] = {
    {10, 1485, 99},       {11, 3000, 396},       {12, 6000, 396},       {13, 11880, 396},       {20, 11880, 396},
    {21, 19800, 792},     {22, 20250, 1620},     {30, 40500, 1620},     {31, 108000, 3600},     {32, 216000, 5120},
    {40, 245760, 8192},   {41, 245760, 8192},    {42, 522240, 8704},    {50, 589824, 22080},    {51, 983040, 36864},
    {52, 2073600, 36864}, {60, 4177920, 139264}, {61, 8355840, 139264}, {62, 16711680, 139264},
};

// HEVC (Table A.8): luma samples per second and per picture.
const LevelLimits kHevcLevels[] = {
    {10, 552960, 36864},          {20, 3686400, 122880},     {21, 7372800, 245760},      {30, 16588800, 552960},
    {31, 33177600, 983040},       {40, 66846720, 2228224},   {41, 133693440, 2228224},   {50, 267386880, 8912896},
    {51, 534773760, 8912896},     {52, 1069547520, 8912896}, {60, 1069547520, 35651584}, {61, 2139095040, 35651584},
    {62, 4278190080.0, 35651584},
};

} // namespace

bool FitLevel(const char* codec, const char* level, int& width, int& height, double& fps)
{
    const bool avc = Is(codec, {"h264", "libx264", "libx264rgb"});
    const bool hevc = Is(codec, {"hevc", "libx265"});
    const int number = LevelNumber(level);
    if ((!avc && !hevc) || number == 0 || width <= 0 || height <= 0)
        return false;
    const LevelLimits* limits = nullptr;
    const LevelLimits* table = avc ? kH264Levels : kHevcLevels;
    const size_t count = avc ? std::size(kH264Levels) : std::size(kHevcLevels);
    for (size_t i = 0; i < count; ++i) {
        if (table[i].level == number)
            limits = &table[i];
    }
    if (!limits)
        return false;
    // Units of one picture: macroblocks for H.264, luma samples for HEVC.
    auto units = [avc](int w, int h) { return avc ? double((w + 15) / 16) * ((h + 15) / 16) : double(w) * h; };
    // Neither side may pass the square root of eight frames' worth.
    const double longestSide = std::sqrt(limits->maxUnitsPerFrame * 8) * (avc ? 16 : 1);
    auto fitsFrame = [&](int w, int h) {
        return units(w, h) <= limits->maxUnitsPerFrame && w <= longestSide && h <= longestSide;
    };
    auto shrink = [&](double unitsWanted, double atFps) {
        double scale = std::min(1.0, std::sqrt(unitsWanted / units(width, height)));
        for (int tries = 0; tries < 400; ++tries, scale *= 0.99) {
            const int w = EvenDown(static_cast<int>(width * scale));
            const int h = EvenDown(static_cast<int>(height * scale));
            if (fitsFrame(w, h) && (atFps <= 0.0 || units(w, h) * atFps <= limits->maxUnitsPerSecond)) {
                width = w;
                height = h;
                return;
            }
        }
    };
    if (!fitsFrame(width, height))
        shrink(limits->maxUnitsPerFrame, 0.0);
    if (fps > 0.0 && units(width, height) * fps > limits->maxUnitsPerSecond) {
        // Every second picture kept still moves smoothly; below 24 per
        // second the size gives way instead.
        double lowered = fps;
        while (units(width, height) * lowered > limits->maxUnitsPerSecond && lowered / 2 >= 23.9)
            lowered /= 2;
        fps = ExactRate(lowered);
        if (units(width, height) * fps > limits->maxUnitsPerSecond)
            shrink(limits->maxUnitsPerSecond / fps, fps);
    }
    return true;
}

double ExactRate(double fps)
{
    for (double ntsc : {24000.0 / 1001, 30000.0 / 1001, 60000.0 / 1001, 120000.0 / 1001})
        if (std::fabs(fps - ntsc) < 0.01)
            return ntsc;
    return fps;
}

double FitFrameRate(const char* codec, int height, double wish)
{
    if (wish <= 0.0)
        return wish;
    wish = ExactRate(wish);
    switch (VideoFamily(codec)) {
    case Video::Dv: return height == 480 ? 30000.0 / 1001 : 25.0;
    case Video::Mpeg12: {
        double best = kMpegRates[0];
        for (double r : kMpegRates)
            if (std::fabs(r - wish) < std::fabs(best - wish))
                best = r;
        return best;
    }
    case Video::H263: return std::min(wish, 30000.0 / 1001);
    default: return wish;
    }
}

} // namespace MirendoRules
