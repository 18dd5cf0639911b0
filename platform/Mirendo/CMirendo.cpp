#include "CMirendo.h"

#include "CBaseException.h"
#include "IProfile.h"
#include "JobPlan.h"
#include "MirendoRules.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <vector>

namespace {

std::vector<int> ParseList(const char* text)
{
    std::vector<int> values;
    if (!text)
        return values;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) {
        char* end = nullptr;
        long v = std::strtol(item.c_str(), &end, 10);
        if (end != item.c_str())
            values.push_back(static_cast<int>(v));
    }
    return values;
}

std::string JoinList(const std::vector<int>& values)
{
    std::string out;
    for (size_t i = 0; i < values.size(); ++i) {
        if (i)
            out += ',';
        out += std::to_string(values[i]);
    }
    return out;
}

// Scales a frame size down (never up) into a box, keeping its shape.
void FitIntoBox(int maxWidth, int maxHeight, int& width, int& height)
{
    if (width <= 0 || height <= 0 || maxWidth <= 0 || maxHeight <= 0)
        return;
    double scale = std::min({1.0, double(maxWidth) / width, double(maxHeight) / height});
    if (scale >= 1.0)
        return;
    width = std::max(2, static_cast<int>(width * scale));
    height = std::max(2, static_cast<int>(height * scale));
}

void AdjustVideo(const TaskSourceInfo& src, const MirendoRules::DeviceLimits* device, const char* level,
                 IVideoProfile& video)
{
    const char* codec = video.GetCodecName();
    int width = video.GetWidth();
    int height = video.GetHeight();
    bool original = width == 0 && height == 0;
    if (width == -1 || height == -1) {
        width = src.nWidth;
        height = src.nHeight;
    } else if (original) {
        width = src.nWidth;
        height = src.nHeight;
    } else if (width <= 0 || height <= 0) {
        // One side given, the other open: keep the source's shape.
        if (width <= 0 && height > 0 && src.nHeight > 0)
            width = static_cast<int>(std::lround(double(src.nWidth) * height / src.nHeight));
        else if (height <= 0 && width > 0 && src.nWidth > 0)
            height = static_cast<int>(std::lround(double(src.nHeight) * width / src.nWidth));
    }
    if (device)
        FitIntoBox(device->maxWidth, device->maxHeight, width, height);
    int fittedWidth = width, fittedHeight = height;
    MirendoRules::FitFrameSize(codec, src.dFrameRate, fittedWidth, fittedHeight);

    double fps = video.GetFrameRate();
    bool fpsOriginal = fps == 0.0;
    if (fps < 0.0 || fpsOriginal)
        fps = src.dFrameRate > 0.0 ? src.dFrameRate : (fpsOriginal ? 0.0 : 30.0);
    if (device && device->maxFrameRate > 0.0 && fps > device->maxFrameRate)
        fps = device->maxFrameRate;
    double fittedFps = MirendoRules::FitFrameRate(codec, fittedHeight, fps);
    // The level the profile pins: a decoder of that level plays no more.
    MirendoRules::FitLevel(codec, level, fittedWidth, fittedHeight, fittedFps);

    // "Original" stays open for the worker unless the device, the codec or
    // the level needs another size or rate.
    if (!(original && fittedWidth == src.nWidth && fittedHeight == src.nHeight)) {
        video.SetWidth(fittedWidth);
        video.SetHeight(fittedHeight);
    }
    if (!(fpsOriginal && fittedFps == src.dFrameRate))
        video.SetFrameRate(fittedFps);

    int bitrate = video.GetBitrate();
    if (device && device->maxVideoKbps > 0 && bitrate > 3 && bitrate > device->maxVideoKbps)
        bitrate = device->maxVideoKbps;
    bitrate = MirendoRules::FitVideoBitrate(codec, fittedWidth, fittedHeight, bitrate);
    if (bitrate != video.GetBitrate())
        video.SetBitrate(bitrate);
}

void AdjustAudio(const TaskSourceInfo& src, const MirendoRules::DeviceLimits* device, IAudioProfile& audio)
{
    const char* codec = audio.GetCodecName();
    int channels = audio.GetChannels();
    if (channels <= 0)
        channels = src.nChannels;
    // A stereo or mono source is not spread over surround channels.
    if (src.nChannels > 0 && src.nChannels <= 2 && channels > 2)
        channels = src.nChannels;
    int limit = MirendoRules::MaxChannels(codec);
    if (device && device->maxChannels > 0)
        limit = limit ? std::min(limit, device->maxChannels) : device->maxChannels;
    if (limit && channels > limit)
        channels = limit;
    if (channels > 0 && channels != audio.GetChannels())
        audio.SetChannels(channels);

    int rate = audio.GetSampleRate();
    if (rate <= 0)
        rate = src.nSampleRate;
    int fittedRate = MirendoRules::FitSampleRate(codec, rate);
    if (fittedRate > 0 && fittedRate != audio.GetSampleRate())
        audio.SetSampleRate(fittedRate);

    int bitrate = audio.GetBitrate();
    if (bitrate <= 0)
        bitrate = src.nAudioBitrate;
    if (bitrate > 0 && MirendoRules::HasBitrateRules(codec)) {
        int fitted = MirendoRules::FitBitrate(codec, fittedRate, channels, bitrate);
        if (fitted != audio.GetBitrate())
            audio.SetBitrate(fitted);
    }
}

} // namespace

bool CMirendo::AdjustProfile(const TaskSourceInfo* pSource, IProfile* pProfile)
{
    return QB_GUARDED(false, {
        if (!pSource || !pProfile)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        // The plan says which streams the job writes and whether it copies them.
        const Moorland::JobPlan plan = Moorland::PlanJob(pProfile);
        if (plan.copiesStreams)
            return true; // copied streams keep the source's values
        IProfileParams* params = pProfile->GetParams();
        const MirendoRules::DeviceLimits* device =
            params ? MirendoRules::FindDevice(params->GetString("Device")) : nullptr;
        IVideoProfile* video = pProfile->GetVideoProfile();
        if (video && Moorland::IncludesVideo(plan.streams) && pSource->nWidth > 0 && pSource->nHeight > 0)
            AdjustVideo(*pSource, device, params ? params->GetString("ff:video:level") : nullptr, *video);
        IAudioProfile* audio = pProfile->GetAudioProfile();
        if (audio && Moorland::IncludesAudio(plan.streams))
            AdjustAudio(*pSource, device, *audio);
        return true;
    });
}

const char* CMirendo::GetAudioBitrateList(const char* sCodecName, int nSampleRate, int nChannels,
                                          const char* sBitrateList)
{
    return QB_GUARDED(static_cast<const char*>(""), {
        std::vector<int> offered = ParseList(sBitrateList);
        if (!MirendoRules::HasBitrateRules(sCodecName)) {
            m_answer = sBitrateList ? sBitrateList : "";
            return m_answer.c_str();
        }
        std::vector<int> fitting;
        if (offered.empty()) {
            fitting = MirendoRules::StandardBitrates(sCodecName, nSampleRate, nChannels);
        } else {
            for (int v : offered)
                if (MirendoRules::BitrateFits(sCodecName, nSampleRate, nChannels, v))
                    fitting.push_back(v);
            if (fitting.empty())
                fitting.push_back(MirendoRules::FitBitrate(sCodecName, nSampleRate, nChannels,
                                                           *std::max_element(offered.begin(), offered.end())));
        }
        m_answer = JoinList(fitting);
        return m_answer.c_str();
    });
}

void CMirendo::Release()
{
    delete this;
}

extern "C" IMirendo* CreateMirendo()
{
    return QB_GUARDED(static_cast<IMirendo*>(nullptr), { return static_cast<IMirendo*>(new CMirendo()); });
}
