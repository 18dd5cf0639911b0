#include "CFFExportSettings.h"

#include "CBaseException.h"
#include "Moorlan.h"

#include "IProfile.h"
#include "ITixmlNode.h"

#include <cstring>

namespace Solvane {

namespace {
std::string Attribute(ITixmlNode* node, const char* name)
{
    const char* v = node->GetAttribute(name);
    return v ? v : "";
}

ITixmlNode* RootChild(IProfile* profile, const char* name)
{
    IDravenelObject* root = profile->GetRootObject();
    auto* node = root ? static_cast<ITixmlNode*>(root->QueryInterface("ITixmlNode")) : nullptr;
    ITixmlNode* child = node ? node->FirstChild() : nullptr;
    while (child && std::string(child->GetName() ? child->GetName() : "") != name)
        child = child->NextSibling();
    return child;
}

// The FFmpeg options among the profile's parameters: "ff:video:<name>",
// "ff:audio:<name>" and "ff:format:<name>". The picture format is the
// encoder's input, not an option, and is taken apart.
void ReadOptions(IProfile* profile, ExportSettings& s)
{
    ITixmlNode* params = RootChild(profile, "Params");
    for (ITixmlNode* e = params ? params->FirstChild() : nullptr; e; e = e->NextSibling()) {
        if (std::string(e->GetName() ? e->GetName() : "") != "Param")
            continue;
        const std::string key = Attribute(e, "Key");
        const std::string value = Attribute(e, "Value");
        auto take = [&](const char* prefix, FFOptions& into) {
            const size_t n = std::strlen(prefix);
            if (key.compare(0, n, prefix) != 0)
                return false;
            if (key.size() == n)
                QB_THROW(QB_ERR_BAD_PARAM, "The profile's parameter \"" + key + "\" names no option");
            into.emplace_back(key.substr(n), value);
            return true;
        };
        if (key == "ff:video:pix_fmt")
            s.video.pixelFormat = value;
        else if (!take("ff:video:", s.video.options) && !take("ff:audio:", s.audio.options))
            take("ff:format:", s.formatOptions);
    }
}
} // namespace

ContainerVideoLimits LimitsOfContainer(const std::string& muxer)
{
    ContainerVideoLimits l;
    if (muxer == "dvd") {
        l = {18, 15, 9800000, 1835008, false};
    } else if (muxer == "svcd") {
        l = {18, 15, 2516000, 1835008, false};
    } else if (muxer == "vcd") {
        l = {18, 15, 1150000, 327680, true};
    }
    return l;
}

namespace {
// The streams of a multi-stream profile: "StreamParams" under the document's
// root, one "VideoParam", "AudioParam" or "SubtitleParam" a stream. Only
// read: a profile without them is left as it is.
void ReadStreams(IProfile* profile, ExportSettings& s)
{
    ITixmlNode* params = RootChild(profile, "StreamParams");
    for (ITixmlNode* e = params ? params->FirstChild() : nullptr; e; e = e->NextSibling()) {
        const std::string name = e->GetName() ? e->GetName() : "";
        StreamExportSettings st;
        st.copy = e->GetIntAttribute("Remux") != 0;
        if (name == "VideoParam") {
            st.type = 1;
            st.video.present = true;
            st.video.codec = Attribute(e, "VideoCodecName");
            st.video.width = e->GetIntAttribute("Width");
            st.video.height = e->GetIntAttribute("Height");
            st.video.bitrateKbps = e->GetIntAttribute("VideoBitrate");
            st.video.frameRate = e->GetDoubleAttribute("FrameRate");
            st.video.aspect = Attribute(e, "Aspect");
        } else if (name == "AudioParam") {
            st.type = 2;
            st.audio.present = true;
            st.audio.codec = Attribute(e, "AudioCodecName");
            st.audio.channels = e->GetIntAttribute("Channel");
            st.audio.bitrate = e->GetIntAttribute("AudioBitrate");
            st.audio.sampleRate = e->GetIntAttribute("Samplerate");
        } else if (name == "SubtitleParam") {
            st.type = 3;
            st.audio.codec = Attribute(e, "SubtitleCodecName");
            st.video.codec = st.audio.codec;
        }
        // Any other element keeps its place as a stream of no kind, so
        // indexes stay those of the worker's items.
        s.streams.push_back(st);
    }
}
} // namespace

ExportSettings ReadExportSettings(IProfile* profile)
{
    if (!profile)
        QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
    ExportSettings s;
    IFileProfile* file = profile->GetFileProfile();
    if (!file)
        QB_THROW(QB_ERR_UNEXPECTED, "Bad profile format");
    s.avInclude = Moorland::AVIncludeFromValue(file->GetAVInclude());
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
        const char* fourcc = v->GetFourCC();
        s.video.fourcc = fourcc ? fourcc : "";
        s.video.limits = LimitsOfContainer(s.format);
    }
    if (IAudioProfile* a = profile->GetAudioProfile()) {
        const char* codec = a->GetCodecName();
        s.audio.present = codec && *codec;
        s.audio.codec = codec ? codec : "";
        s.audio.bitrate = a->GetBitrate();
        s.audio.sampleRate = a->GetSampleRate();
        s.audio.channels = a->GetChannels();
    }
    ReadOptions(profile, s);
    ReadStreams(profile, s);
    // The encoders' options hold for every encoded stream of their kind.
    for (StreamExportSettings& st : s.streams) {
        st.video.pixelFormat = s.video.pixelFormat;
        st.video.options = s.video.options;
        st.video.limits = LimitsOfContainer(s.format);
        st.audio.options = s.audio.options;
    }
    return s;
}

} // namespace Solvane
