#pragma once

// The device profile database of libMirendo: what devices and codecs accept,
// and the fitting of an output profile to one source before conversion.

class IProfile;

// What an output task knows of its first clip's current streams. Texts are
// borrowed (FFmpeg codec names of the source); zero fields are unknown.
struct TaskSourceInfo
{
    const char* pszVideoCodec = nullptr;
    const char* pszAudioCodec = nullptr;
    int nWidth = 0;
    int nHeight = 0;
    double dFrameRate = 0.0; // frames per second
    int nVideoBitrate = 0;   // bit/s
    int nAudioBitrate = 0;   // bit/s
    int nSampleRate = 0;     // Hz
    int nChannels = 0;
};

// Devices are named by the profile parameter "Device" (a key of the database,
// e.g. "ipod-classic"); a profile without one is fitted by its codecs' rules
// only. Codec names are those of IProfile.h.
class IMirendo
{
public:
    // Fits the profile to the source in place: "auto" sizes and frame rates
    // become the source's within the device's limits, sizes, frame rates,
    // sample rates and channel counts become ones the codec and the device
    // accept, and the audio bitrate one that GetAudioBitrateList offers; a
    // codec with fixed bitrates (DNxHD) gets one of them for its frame size,
    // its quality codes included; NTSC rates typed short become exact. Values
    // the profile states ("original", explicit sizes within the limits) stay.
    // False with the reason recorded for a null argument.
    virtual bool AdjustProfile(const TaskSourceInfo* pSource, IProfile* pProfile) = 0;
    // The entries of `sBitrateList` (comma-separated bit/s) that the audio codec
    // accepts at that sample rate and channel count, comma-separated, in the
    // list's order. An empty list gives every standard bitrate of the codec;
    // when no entry fits, the fitting bitrate nearest below the list's largest
    // is given. Codecs without bitrate rules (PCM, FLAC ...) get the list back
    // unchanged. The text belongs to the object, valid until the next call.
    virtual const char* GetAudioBitrateList(const char* sCodecName, int nSampleRate, int nChannels,
                                            const char* sBitrateList) = 0;
    virtual void Release() = 0;

protected:
    virtual ~IMirendo() = default;
};

// A new database object owned by the caller; null with the reason recorded
// when none can be made.
extern "C" __attribute__((visibility("default"))) IMirendo* CreateMirendo();
