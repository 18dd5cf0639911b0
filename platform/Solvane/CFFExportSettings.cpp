#include "CFFExportSettings.h"

#include "CBaseException.h"
#include "Moorlan.h"

#if __has_include("IProfile.h")
#include "IProfile.h"
#define SOLVANE_HAVE_PROFILES 1
#endif

namespace Solvane {

#ifdef SOLVANE_HAVE_PROFILES
ExportSettings ReadExportSettings(IProfile* profile)
{
    if (!profile)
        QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
    ExportSettings s;
    IFileProfile* file = profile->GetFileProfile();
    if (!file)
        QB_THROW(QB_ERR_UNEXPECTED, "Bad profile format");
    s.avInclude = file->GetAVInclude();
    const char* ext = file->GetFileExt();
    if (ext && std::string(ext) != ".*")
        s.extension = ext;
    const char* muxer = file->GetMuxerName();
    if (muxer)
        s.format = muxer;
    if (IVideoProfile* v = profile->GetVideoProfile()) {
        const char* codec = v->GetCodecName();
        s.video.present = codec && *codec;
        s.video.codec = codec ? codec : "";
        s.video.width = v->GetWidth();
        s.video.height = v->GetHeight();
        s.video.frameRate = v->GetFrameRate();
        // -1 (automatic) and the quality codes 1 to 3 (high, medium, low)
        // become a rate for the picture size; 0 (the source's) stays 0 here.
        const int bitrate = v->GetBitrate();
        if (bitrate == -1 || (bitrate >= 1 && bitrate <= 3))
            s.video.bitrateKbps = MoorlandMapBitrateCode(s.video.codec.c_str(), s.video.width, s.video.height,
                                                         bitrate == -1 ? 1 : 3 - bitrate);
        else
            s.video.bitrateKbps = bitrate;
        const char* aspect = v->GetAspect();
        s.video.aspect = aspect ? aspect : "";
    }
    if (IAudioProfile* a = profile->GetAudioProfile()) {
        const char* codec = a->GetCodecName();
        s.audio.present = codec && *codec;
        s.audio.codec = codec ? codec : "";
        s.audio.bitrate = a->GetBitrate();
        s.audio.sampleRate = a->GetSampleRate();
        s.audio.channels = a->GetChannels();
    }
    return s;
}
#else
ExportSettings ReadExportSettings(IProfile*)
{
    QB_THROW(QB_ERR_UNEXPECTED, "Profiles can't be read by this build");
}
#endif

} // namespace Solvane
