#pragma once

// Encoding profiles of libDravenel: one output profile per object.
//
// A profile is an XML document (root element "Profile") with one element per
// part: "Desc", "File", "Video", "Audio", "Params" and "Columns". Whatever
// else a caller stores under the root (for example the multi-stream settings,
// through ITixmlNode) is loaded, saved, cloned and passed on with the text.
//
// What the values mean, for every user of the profile (editors, the output
// task, the conversion engine, the worker, the QuickTime plug-in):
// - Codec names (IVideoProfile/IAudioProfile GetCodecName) are FFmpeg names:
//   an encoder name (avcodec_find_encoder_by_name, e.g. "libx264", "aac",
//   "libmp3lame", "prores_ks") or, when no encoder has that name, a codec name
//   (avcodec_descriptor_get_by_name, e.g. "h264", "mp3", "vp9") whose default
//   encoder does the work. The shipped profiles use codec names where FFmpeg's
//   codec and encoder names differ ("h264", "mp3"), so the names read the same
//   to every rule that compares them. An empty name means "copy" in a remux
//   profile and "no such stream" otherwise.
// - The muxer name (IFileProfile::GetMuxerName) is an FFmpeg output format
//   short name (av_guess_format), e.g. "mp4", "matroska", "mpegts".
// - The format name (IProfileDesc::GetFormatName) is the family shown to the
//   user and compared by the output task's rules ("MP4", "MKV", "iPod",
//   "QuickTime Movie Format", "Final Cut Pro"); it never picks the muxer.
// - Video width, height, bitrate and frame rate: 0 keeps the source's value
//   ("original"), -1 is an automatic choice ("auto"). A video bitrate of 1, 2
//   or 3 is a quality code (high, medium, low); any other positive value is
//   kbit/s. Audio bitrates are bit/s, sample rates Hz. Frame rates within
//   0.01 of 23.976, 29.97, 59.94 or 119.88 stand for the NTSC rates 24000/1001,
//   30000/1001, 60000/1001 and 120000/1001 (profiles store them as typed).
// - Parameters whose key begins with "ff:video:", "ff:audio:" or "ff:format:"
//   are FFmpeg options, by their FFmpeg name, of the video encoder, the audio
//   encoder and the muxer ("ff:video:profile" = "baseline", "ff:video:g" =
//   "1", "ff:format:movflags" = "+faststart"); the exporter hands them on as
//   they stand; an option the installed FFmpeg does not know fails the job.
//   "ff:video:pix_fmt" is the picture format the encoder is given
//   (av_get_pix_fmt name, e.g. "yuv420p"); without it 4:2:0 where the encoder
//   takes it (DV: the sampling of its frame), else the encoder's first format.
//   "ff:video:level" also bounds the size and rate the device database gives
//   H.264 and HEVC. "use_org_video_aspect" = 1 keeps the source's shape in a
//   fixed frame. "Device" names the device database entry (IMirendo.h).
// - The QuickTime writer picks its codec by FourCC (IVideoProfile::GetFourCC,
//   four characters, blanks included) and its quality from the video
//   bitrate's quality code. The FFmpeg exporter writes the FourCC as the
//   stream's tag, and takes the ProRes flavour from it.
// - Option columns list the choices an editor offers, comma-separated, in the
//   value's own text form ("640*480" for sizes, "-1" for auto, "0" for
//   original). The column "FourCC" lists one FourCC per video codec entry.
//
// Ownership: whoever gets a profile from CreateProfile or Clone releases it
// with Release. Parts, columns and node interfaces belong to the profile and
// live as long as it does; a load replaces the document, after which earlier
// ITixmlNode pointers must not be used. Text results are owned by the profile
// and stay valid until the next change of that value; callers copy them.
// Texts are 8-bit (UTF-8). Failures are recorded in the calling thread's
// last-error record (GetQuentaException); no exception leaves an operation.

class ITixmlNode;

class IColItem
{
public:
    // Frees a column obtained from IProfile::GetColItem; does nothing for the
    // columns the fixed getters (GetACodecItem ...) hand out.
    virtual void Release() = 0;
    virtual const char* GetName() = 0;
    // The choices, comma-separated; empty when the profile lists none.
    virtual const char* GetValueList() = 0;
    virtual void SetValueList(const char* values) = 0;

protected:
    virtual ~IColItem() = default;
};

class IAudioProfile
{
public:
    virtual void SetCodecName(const char* name) = 0;
    virtual const char* GetCodecName() = 0; // "" when none
    virtual void SetBitrate(int bitsPerSecond) = 0;
    virtual int GetBitrate() = 0;
    virtual void SetSampleRate(int hz) = 0; // 0: the source's
    virtual int GetSampleRate() = 0;
    virtual void SetChannels(int count) = 0; // 0: the source's
    virtual int GetChannels() = 0;

protected:
    virtual ~IAudioProfile() = default;
};

class IVideoProfile
{
public:
    virtual void SetCodecName(const char* name) = 0;
    virtual const char* GetCodecName() = 0; // "" when none
    // Four characters; an empty text clears it.
    virtual void SetFourCC(const char* fourcc) = 0;
    virtual const char* GetFourCC() = 0; // null when none is set
    // Display aspect "x:y" (e.g. "16:9", "160:90"); an empty text clears it.
    virtual void SetAspect(const char* aspect) = 0;
    virtual const char* GetAspect() = 0; // null when none is set
    virtual void SetWidth(int width) = 0;
    virtual int GetWidth() = 0;
    virtual void SetHeight(int height) = 0;
    virtual int GetHeight() = 0;
    virtual void SetFrameRate(double fps) = 0;
    virtual double GetFrameRate() = 0;
    virtual void SetBitrate(int value) = 0; // -1 auto, 0 original, 1..3 quality, else kbit/s
    virtual int GetBitrate() = 0;

protected:
    virtual ~IVideoProfile() = default;
};

// Named parameters. A key that was never set reads as 0, 0.0 or "".
class IProfileParams
{
public:
    virtual bool HasParam(const char* key) = 0;
    virtual void RemoveParam(const char* key) = 0;
    virtual void SetString(const char* key, const char* value) = 0;
    virtual void SetInt(const char* key, int value) = 0;
    virtual void SetDouble(const char* key, double value) = 0;
    virtual const char* GetString(const char* key) = 0;
    virtual int GetInt(const char* key) = 0;
    virtual double GetDouble(const char* key) = 0;

    // The worker's names for the same reads.
    int GetIntParam(const char* key) { return GetInt(key); }
    double GetDoubleParam(const char* key) { return GetDouble(key); }

protected:
    virtual ~IProfileParams() = default;
};

// The output file: extension, muxer, streams written, remux and exporter.
class IFileProfile
{
public:
    virtual void SetFileExt(const char* ext) = 0;
    // The extension with its dot (".mp4"), or ".*" when the output keeps the
    // source's own extension.
    virtual const char* GetFileExt() = 0;
    virtual void SetMuxerName(const char* muxer) = 0;
    virtual const char* GetMuxerName() = 0; // FFmpeg muxer short name; "" when none
    virtual void SetAVInclude(int value) = 0;
    // A Moorland::AVInclude value (moorlan_srcutils/moorlan_job_kinds.h):
    // 0 video and audio, 1 audio only, 2 video only.
    virtual int GetAVInclude() = 0;
    virtual void SetRemux(int value) = 0;
    // A Moorland::JobKind value (moorlan_srcutils/moorlan_job_kinds.h): 1,
    // the packet remux, when streams are copied without encoding.
    virtual int GetRemux() = 0;
    virtual void SetExporter(const char* name) = 0;
    // "FFExporter" (FFmpeg muxers) or "QTExporter" (the QuickTime plug-in);
    // null when the profile names none (callers then use "FFExporter").
    virtual const char* GetExporter() = 0;

    // The worker's name for the same read.
    const char* GetExporterName() { return GetExporter(); }

protected:
    virtual ~IFileProfile() = default;
};

class IProfileDesc
{
public:
    virtual void SetName(const char* name) = 0;
    virtual const char* GetName() = 0;
    virtual void SetID(int id) = 0;
    virtual int GetID() = 0;
    virtual void SetFormatName(const char* name) = 0;
    virtual const char* GetFormatName() = 0;
    virtual void SetComment(const char* comment) = 0;
    virtual const char* GetComment() = 0;
    virtual void SetBaseID(int id) = 0;
    virtual int GetBaseID() = 0;

protected:
    virtual ~IProfileDesc() = default;
};

// An object that answers further interfaces by name ("ITixmlNode").
class IDravenelObject
{
public:
    virtual void* QueryInterface(const char* name) = 0;

protected:
    virtual ~IDravenelObject() = default;
};

class IProfile
{
public:
    virtual void Release() = 0;
    // Reads a profile file; false (with the reason recorded) when it cannot be
    // read or is no profile; the object is then left as it was.
    virtual bool LoadFile(const char* path) = 0;
    // Writes atomically (a temporary file renamed into place).
    virtual bool SaveFile(const char* path) = 0;
    // The same as LoadFile, from the profile's text.
    virtual bool LoadText(const char* text) = 0;
    virtual IProfile* Clone() = 0;
    // The whole profile as text (what SaveFile writes); owned by the profile,
    // valid until the next call that changes or reads the text.
    virtual const char* GetText() = 0;
    // The root of the profile's document; QueryInterface("ITixmlNode") gives
    // its node interface.
    virtual IDravenelObject* GetRootObject() = 0;
    // The parts; null only for a profile read from a document that lacks one.
    virtual IAudioProfile* GetAudioProfile() = 0;
    virtual IVideoProfile* GetVideoProfile() = 0;
    virtual IProfileParams* GetParams() = 0;
    virtual IFileProfile* GetFileProfile() = 0;
    virtual IProfileDesc* GetDesc() = 0;
    // Option columns of the editors; never null (empty when not listed).
    virtual IColItem* GetACodecItem() = 0;
    virtual IColItem* GetAChannelItem() = 0;
    virtual IColItem* GetABitrateItem() = 0;
    virtual IColItem* GetASampleRateItem() = 0;
    virtual IColItem* GetVCodecItem() = 0;
    virtual IColItem* GetVSizeItem() = 0;
    virtual IColItem* GetVBitrateItem() = 0;
    virtual IColItem* GetVFramerateItem() = 0;
    // Any column by name ("FourCC", "VCodec" ...); null when the profile has
    // none. The caller releases the result.
    virtual IColItem* GetColItem(const char* name) = 0;

    // The worker's names for the same operations.
    bool Load(const char* path) { return LoadFile(path); }
    IFileProfile* GetFormatProfile() { return GetFileProfile(); }

protected:
    virtual ~IProfile() = default;
};

// A new empty profile (every part present, no columns), owned by the caller;
// null with the reason recorded when none can be made.
extern "C" __attribute__((visibility("default"))) IProfile* CreateProfile();
