// The kinds of media users bring, each made with the ffmpeg program and read
// through the media manager: the description against what ffprobe reports,
// every picture and all sound decoded, pictures converted to BGRA and
// compared with the pattern that was encoded, and seeks that land on the
// exact picture.

#include "../SolvaneTestMedia.h"

#include "ICompressedFrame.h"
#include "IImageConverter.h"
#include "IRawAudioFrame.h"
#include "IRawVideoFrame.h"
#include "Moorlan.h"
#include "MoorlanTypes.h"
#include "moorlan_srcutils/MultiStreamAddress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <vector>

using namespace SolvaneTest;
using Moorland::IAVImporter;
using Moorland::IAVSource;
using Moorland::IRawAudioFrame;
using Moorland::IRawVideoFrame;

namespace {

// The picture every video row encodes; the moving parts make each picture
// distinct, so that a seek that lands one picture off is seen.
// The pattern generator only makes even sizes: an odd one is cropped from it
// (in RGB, which has no chroma grid to round the crop to).
std::string Pattern(int w, int h, const char* rate, const char* seconds)
{
    std::string source = "testsrc2=size=" + std::to_string(w + (w & 1)) + "x" + std::to_string(h + (h & 1)) +
                         ":rate=" + rate + ":duration=" + seconds;
    if ((w | h) & 1)
        source += ",format=rgb24,crop=" + std::to_string(w) + ":" + std::to_string(h) + ":0:0";
    return "-f lavfi -i " + source + " ";
}
const char* const kTone = "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=1 ";
const char* const kStereo = "-f lavfi -i 'aevalsrc=sin(440*2*PI*t)|sin(660*2*PI*t):s=48000:d=1' ";

enum Kind { Video, AudioOnly, Still };

struct Row
{
    const char* name;
    const char* file;
    Kind kind;
    int width, height;
    std::string inputs;                               // ffmpeg inputs
    std::string outputs;                              // ffmpeg options before the file name
    std::vector<std::string> encoders;                // the row is skipped when ffmpeg lacks one
    int audioTracks;                                  // audio streams the file carries
    int64_t audioStartMs;                             // first sound this late after the first picture
    int rotate = 0;                                   // degrees clockwise the file asks players to turn its pictures
    int layout = -1;                                  // the pixel layout pictures come in; -1: any
    bool (*patch)(const std::string& path) = nullptr; // changes the made file the way other tools write it
};

using MediaTest::Run;

using MediaTest::ReadBytes;
using MediaTest::WriteBytes;

// Capture programs on Windows store RGB rows bottom-up (a positive height in
// the bitmap header); the ffmpeg program writes them top-down. The rows were
// made upside down, so read bottom-up they show the pattern upright.
bool MakeBottomUp(const std::string& path)
{
    std::string bytes = ReadBytes(path);
    const size_t strf = bytes.find("strf");
    // strf, size, biSize, biWidth, biHeight
    if (strf == std::string::npos || strf + 20 > bytes.size())
        return false;
    int32_t height = 0;
    memcpy(&height, &bytes[strf + 16], 4);
    if (height >= 0)
        return false;
    height = -height;
    memcpy(&bytes[strf + 16], &height, 4);
    return WriteBytes(path, bytes);
}

void PrintTo(const Row& row, std::ostream* os)
{
    *os << row.name;
}

bool TurnMp4By90(const std::string& path);
bool TurnMp4By270(const std::string& path);
bool AddExifOrientation(const std::string& path);

std::vector<Row> Rows()
{
    const std::string av = Pattern(160, 120, "25", "1") + kTone;
    const std::string x264 = "-c:v libx264 -preset ultrafast -pix_fmt yuv420p ";
    return {
        {"MP4 H.264/AAC", "h264.mp4", Video, 160, 120, av, x264 + "-bf 2 -g 12 -c:a aac", {"libx264", "aac"}, 1, 0},
        {"MP4 H.265/AAC",
         "hevc.mp4",
         Video,
         160,
         120,
         av,
         "-c:v libx265 -preset ultrafast -x265-params log-level=error -pix_fmt yuv420p -c:a aac",
         {"libx265", "aac"},
         1,
         0},
        {"MP4 MPEG-4 Part 2",
         "mpeg4.mp4",
         Video,
         160,
         120,
         av,
         "-c:v mpeg4 -q:v 3 -bf 1 -c:a aac",
         {"mpeg4", "aac"},
         1,
         0},
        // 10-bit 4:2:2 keeps its chroma detail.
        {"MOV ProRes/PCM",
         "prores.mov",
         Video,
         160,
         120,
         av,
         "-c:v prores_ks -profile:v 0 -c:a pcm_s16le",
         {"prores_ks", "pcm_s16le"},
         1,
         0,
         0,
         Moorland::PIXEL_FORMAT_YUV422P},
        {"MOV ProRes 4444 with alpha",
         "prores4444.mov",
         Video,
         160,
         120,
         Pattern(160, 120, "25", "1"),
         "-c:v prores_ks -profile:v 4 -pix_fmt yuva444p10le",
         {"prores_ks"},
         0,
         0,
         0,
         Moorland::PIXEL_FORMAT_RGBA32},
        {"MOV MJPEG/PCM",
         "mjpeg.mov",
         Video,
         160,
         120,
         av,
         "-c:v mjpeg -q:v 3 -pix_fmt yuvj420p -c:a pcm_s24le",
         {"mjpeg", "pcm_s24le"},
         1,
         0},
        {"MKV VP9/Opus",
         "vp9.mkv",
         Video,
         160,
         120,
         av,
         "-c:v libvpx-vp9 -deadline realtime -cpu-used 8 -c:a libopus",
         {"libvpx-vp9", "libopus"},
         1,
         0},
        {"MKV H.264 two audio tracks",
         "twoaudio.mkv",
         Video,
         160,
         120,
         av + kStereo,
         "-map 0:v -map 1:a -map 2:a " + x264 + "-c:a:0 aac -c:a:1 ac3",
         {"libx264", "aac", "ac3"},
         2,
         0},
        {"WebM VP8/Vorbis",
         "vp8.webm",
         Video,
         160,
         120,
         av,
         "-c:v libvpx -deadline realtime -cpu-used 8 -c:a libvorbis",
         {"libvpx", "libvorbis"},
         1,
         0},
        {"AVI MJPEG/PCM",
         "mjpeg.avi",
         Video,
         160,
         120,
         av,
         "-c:v mjpeg -q:v 3 -pix_fmt yuvj420p -c:a pcm_s16le",
         {"mjpeg", "pcm_s16le"},
         1,
         0},
        {"AVI MPEG-4/MP3",
         "mpeg4.avi",
         Video,
         160,
         120,
         av,
         "-c:v mpeg4 -q:v 3 -bf 2 -c:a libmp3lame",
         {"mpeg4", "libmp3lame"},
         1,
         0},
        {"MPEG-2 PS",
         "ps.mpg",
         Video,
         160,
         120,
         av,
         "-c:v mpeg2video -q:v 3 -bf 2 -c:a mp2 -f vob",
         {"mpeg2video", "mp2"},
         1,
         0},
        {"MPEG-2 TS", "mpeg2.ts", Video, 160, 120, av, "-c:v mpeg2video -q:v 3 -c:a mp2", {"mpeg2video", "mp2"}, 1, 0},
        {"FLV", "sorenson.flv", Video, 160, 120, av, "-c:v flv1 -q:v 3 -c:a libmp3lame", {"flv", "libmp3lame"}, 1, 0},
        {"WMV/ASF", "wmv2.wmv", Video, 160, 120, av, "-c:v wmv2 -q:v 3 -c:a wmav2", {"wmv2", "wmav2"}, 1, 0},
        {"3GP",
         "h263.3gp",
         Video,
         176,
         144,
         Pattern(176, 144, "25", "1") + kTone,
         "-c:v h263 -q:v 3 -c:a aac -ar 16000 -ac 1",
         {"h263", "aac"},
         1,
         0},
        {"OGV Theora/Vorbis",
         "theora.ogv",
         Video,
         160,
         120,
         av,
         "-c:v libtheora -q:v 7 -c:a libvorbis",
         {"libtheora", "libvorbis"},
         1,
         0},
        {"DV",
         "pal.dv",
         Video,
         720,
         576,
         Pattern(720, 576, "25", "0.4") + "-f lavfi -i sine=sample_rate=48000:duration=0.4 ",
         "-c:v dvvideo -pix_fmt yuv420p -c:a pcm_s16le -ac 2 -f dv",
         {"dvvideo"},
         1,
         0},
        {"animated GIF", "anim.gif", Video, 160, 120, Pattern(160, 120, "10", "1"), "", {"gif"}, 0, 0},
        {"MP3", "tone.mp3", AudioOnly, 0, 0, kTone, "-c:a libmp3lame", {"libmp3lame"}, 1, 0},
        {"WAV", "stereo.wav", AudioOnly, 0, 0, kStereo, "-c:a pcm_s16le", {"pcm_s16le"}, 1, 0},
        {"FLAC", "tone.flac", AudioOnly, 0, 0, kTone, "-c:a flac", {"flac"}, 1, 0},
        {"OGG Vorbis", "tone.ogg", AudioOnly, 0, 0, kStereo, "-c:a libvorbis", {"libvorbis"}, 1, 0},
        {"M4A AAC", "tone.m4a", AudioOnly, 0, 0, kTone, "-c:a aac", {"aac"}, 1, 0},
        {"AC3", "tone.ac3", AudioOnly, 0, 0, kStereo, "-c:a ac3", {"ac3"}, 1, 0},
        {"PNG", "still.png", Still, 160, 120, Pattern(160, 120, "25", "1"), "-frames:v 1", {"png"}, 0, 0},
        {"PNG 16-bit",
         "deep.png",
         Still,
         160,
         120,
         Pattern(160, 120, "25", "1"),
         "-frames:v 1 -pix_fmt rgb48be",
         {"png"},
         0,
         0,
         0,
         Moorland::PIXEL_FORMAT_RGBA32},
        {"JPEG", "still.jpg", Still, 160, 120, Pattern(160, 120, "25", "1"), "-frames:v 1 -q:v 2", {"mjpeg"}, 0, 0},
        {"BMP", "still.bmp", Still, 160, 120, Pattern(160, 120, "25", "1"), "-frames:v 1", {"bmp"}, 0, 0},
        {"TIFF", "still.tiff", Still, 160, 120, Pattern(160, 120, "25", "1"), "-frames:v 1", {"tiff"}, 0, 0},
        {"odd size 321x241 (MPEG-4)",
         "odd.avi",
         Video,
         321,
         241,
         Pattern(321, 241, "25", "1"),
         "-c:v mpeg4 -q:v 3",
         {"mpeg4"},
         0,
         0},
        {"odd size 321x241 (H.264 4:4:4)",
         "odd444.mp4",
         Video,
         321,
         241,
         Pattern(321, 241, "25", "1"),
         "-c:v libx264 -preset ultrafast -pix_fmt yuv444p",
         {"libx264"},
         0,
         0,
         0,
         Moorland::PIXEL_FORMAT_YUV444P},
        {"anamorphic 4:3 samples",
         "sar.mp4",
         Video,
         160,
         120,
         av,
         "-vf setsar=4/3 " + x264 + "-c:a aac",
         {"libx264", "aac"},
         1,
         0},
        {"variable frame rate",
         "vfr.mkv",
         Video,
         160,
         120,
         Pattern(160, 120, "25", "1"),
         "-vf setpts='if(lt(N\\,10)\\,N\\,2*N-10)/25/TB' -fps_mode vfr " + x264,
         {"libx264"},
         0,
         0},
        {"rotation metadata",
         "rotated.mp4",
         Video,
         160,
         120,
         av,
         x264 + "-c:a aac",
         {"libx264", "aac"},
         1,
         0,
         90,
         -1,
         TurnMp4By90},
        {"rotation metadata, odd size turned back",
         "rotated270.mp4",
         Video,
         162,
         90,
         Pattern(162, 90, "25", "1"),
         x264,
         {"libx264"},
         0,
         0,
         270,
         -1,
         TurnMp4By270},
        {"phone photo (EXIF orientation)",
         "phone.jpg",
         Still,
         160,
         120,
         Pattern(160, 120, "25", "1"),
         "-frames:v 1 -q:v 2",
         {"mjpeg"},
         0,
         0,
         90,
         -1,
         AddExifOrientation},
        {"H.264 10-bit",
         "h264-10.mp4",
         Video,
         160,
         120,
         Pattern(160, 120, "25", "1"),
         "-c:v libx264 -preset ultrafast -pix_fmt yuv420p10le",
         {"libx264"},
         0,
         0,
         0,
         Moorland::PIXEL_FORMAT_YUV420P},
        {"H.265 10-bit",
         "hevc-10.mkv",
         Video,
         160,
         120,
         Pattern(160, 120, "25", "1"),
         "-c:v libx265 -preset ultrafast -x265-params log-level=error -pix_fmt yuv420p10le",
         {"libx265"},
         0,
         0,
         0,
         Moorland::PIXEL_FORMAT_YUV420P},
        {"sound starting late",
         "late.mp4",
         Video,
         160,
         120,
         Pattern(160, 120, "25", "1") + "-itsoffset 0.5 -f lavfi -i sine=sample_rate=44100:duration=0.5 ",
         x264 + "-c:a aac",
         {"libx264", "aac"},
         1,
         500},
        {"extension lies (TS named .mp4)",
         "lies.mp4",
         Video,
         160,
         120,
         av,
         x264 + "-c:a aac -f mpegts",
         {"libx264", "aac"},
         1,
         0},
        {"MP3 with cover art",
         "art.mp3",
         AudioOnly,
         0,
         0,
         kTone + std::string("-f lavfi -i color=c=red:size=64x64:rate=1:duration=1 "),
         "-map 0:a -map 1:v -c:a libmp3lame -c:v mjpeg -frames:v 1 -disposition:v attached_pic -id3v2_version 3",
         {"libmp3lame", "mjpeg"},
         1,
         0},
        {"M4A 5.1 AAC", "surround.m4a", AudioOnly, 0, 0, kTone, "-c:a aac -ac 6", {"aac"}, 1, 0},
        {"FLAC 24-bit 96 kHz",
         "hires.flac",
         AudioOnly,
         0,
         0,
         "-f lavfi -i sine=sample_rate=96000:duration=1 ",
         "-c:a flac -sample_fmt s32",
         {"flac"},
         1,
         0},
        {"NTSC 29.97 H.264 MP4",
         "ntsc.mp4",
         Video,
         160,
         120,
         Pattern(160, 120, "30000/1001", "1") + kTone,
         x264 + "-bf 2 -g 15 -c:a aac",
         {"libx264", "aac"},
         1,
         0},
        {"film 23.976 in MKV (1 ms time base)",
         "film.mkv",
         Video,
         160,
         120,
         Pattern(160, 120, "24000/1001", "1") + kTone,
         x264 + "-bf 2 -g 12 -c:a aac",
         {"libx264", "aac"},
         1,
         0},
        {"interlaced MPEG-2 TS (broadcast)",
         "inter.ts",
         Video,
         160,
         120,
         Pattern(160, 120, "25", "1") + kTone,
         "-vf setfield=tff -c:v mpeg2video -flags +ildct+ilme -top 1 -q:v 3 -c:a mp2",
         {"mpeg2video", "mp2"},
         1,
         0},
        {"non-ASCII file name with spaces",
         "Ürlaub – Strand 2024.mp4",
         Video,
         160,
         120,
         av,
         x264 + "-c:a aac",
         {"libx264", "aac"},
         1,
         0},
        {"MPEG-1 (VCD)",
         "vcd.mpg",
         Video,
         160,
         120,
         av,
         "-c:v mpeg1video -q:v 3 -bf 2 -c:a mp2 -f mpeg",
         {"mpeg1video", "mp2"},
         1,
         0},
        {"fragmented MP4 (screen recorders)",
         "frag.mp4",
         Video,
         160,
         120,
         av,
         x264 + "-g 10 -c:a aac -movflags frag_keyframe+empty_moov",
         {"libx264", "aac"},
         1,
         0},
        {"MOV with the sound track first",
         "soundfirst.mov",
         Video,
         160,
         120,
         av,
         "-map 1:a -map 0:v " + x264 + "-c:a aac",
         {"libx264", "aac"},
         1,
         0},
        {"AVCHD M2TS H.264/AC3",
         "avchd.m2ts",
         Video,
         160,
         120,
         av,
         x264 + "-bf 2 -c:a ac3 -f mpegts -mpegts_m2ts_mode 1",
         {"libx264", "ac3"},
         1,
         0},
        {"AVI uncompressed top-down RGB",
         "raw.avi",
         Video,
         160,
         120,
         Pattern(160, 120, "25", "1"),
         "-c:v rawvideo -pix_fmt bgr24",
         {"rawvideo"},
         0,
         0,
         0,
         Moorland::PIXEL_FORMAT_BGR24},
        {"AVI uncompressed bottom-up RGB",
         "rawflip.avi",
         Video,
         160,
         120,
         Pattern(160, 120, "25", "1"),
         "-vf vflip -c:v rawvideo -pix_fmt bgr24",
         {"rawvideo"},
         0,
         0,
         0,
         Moorland::PIXEL_FORMAT_BGR24,
         MakeBottomUp},
        {"MKV FFV1 lossless", "ffv1.mkv", Video, 160, 120, Pattern(160, 120, "25", "1"), "-c:v ffv1", {"ffv1"}, 0, 0},
        {"WAV IMA ADPCM 22.05 kHz",
         "adpcm.wav",
         AudioOnly,
         0,
         0,
         kTone,
         "-c:a adpcm_ima_wav -ar 22050",
         {"adpcm_ima_wav"},
         1,
         0},
        {"MP4 AV1/Opus (web downloads)",
         "av1.mp4",
         Video,
         160,
         120,
         av,
         "-c:v libaom-av1 -usage realtime -cpu-used 8 -g 12 -c:a libopus",
         {"libaom-av1", "libopus"},
         1,
         0},
        {"FLV H.264/AAC", "h264.flv", Video, 160, 120, av, x264 + "-bf 2 -c:a aac", {"libx264", "aac"}, 1, 0},
        {"WMA", "tone.wma", AudioOnly, 0, 0, kStereo, "-c:a wmav2", {"wmav2"}, 1, 0},
        {"AIFF", "tone.aiff", AudioOnly, 0, 0, kStereo, "-c:a pcm_s16be", {"pcm_s16be"}, 1, 0},
        {"Opus", "tone.opus", AudioOnly, 0, 0, kStereo, "-c:a libopus", {"libopus"}, 1, 0},
        {"M4A Apple Lossless", "alac.m4a", AudioOnly, 0, 0, kStereo, "-c:a alac", {"alac"}, 1, 0},
        {"WebP",
         "still.webp",
         Still,
         160,
         120,
         Pattern(160, 120, "25", "1"),
         "-frames:v 1 -quality 90",
         {"libwebp"},
         0,
         0},
        {"TGA", "still.tga", Still, 160, 120, Pattern(160, 120, "25", "1"), "-frames:v 1", {"targa"}, 0, 0},
        {"MOV with a timecode track",
         "timecode.mov",
         Video,
         160,
         120,
         av,
         x264 + "-c:a aac -timecode 01:00:00:00",
         {"libx264", "aac"},
         1,
         0},
    };
}

// The folder of the made files, removed at exit.
struct Folder
{
    std::string dir;
    Folder()
    {
        char tmpl[] = "/tmp/solvane-formats-XXXXXX";
        if (mkdtemp(tmpl))
            dir = tmpl;
    }
    ~Folder()
    {
        if (!dir.empty())
            Run("rm -rf '" + dir + "'");
    }
    std::string Path(const char* name) const { return dir + "/" + name; }
};

const Folder& Files()
{
    static Folder folder;
    return folder;
}

// The encoders this ffmpeg has, by name.
const std::set<std::string>& Encoders()
{
    static std::set<std::string> names = [] {
        std::set<std::string> out;
        const std::string list = Files().Path("encoders.txt");
        Run("ffmpeg -hide_banner -encoders > '" + list + "' 2>/dev/null");
        std::istringstream in(ReadBytes(list));
        std::string line;
        while (std::getline(in, line)) {
            std::istringstream words(line);
            std::string flags, name;
            if (words >> flags >> name && flags.size() == 6)
                out.insert(name);
        }
        return out;
    }();
    return names;
}

std::string MissingEncoder(const Row& row)
{
    for (const std::string& e : row.encoders) {
        if (!Encoders().count(e))
            return e;
    }
    return "";
}

// What ffprobe says about a file: "key=value" lines per section, and the
// presentation time of every picture of the first video stream.
struct Probe
{
    std::map<std::string, std::string> video, audio, format;
    std::vector<double> pictureTimes; // seconds, NaN when unknown
    double firstSound = NAN;          // seconds
    int64_t samples = 0;              // decoded by ffmpeg

    static double Number(const std::map<std::string, std::string>& m, const std::string& key)
    {
        auto it = m.find(key);
        if (it == m.end() || it->second == "N/A" || it->second.empty())
            return NAN;
        size_t slash = it->second.find_first_of("/:");
        if (slash != std::string::npos) {
            double den = atof(it->second.c_str() + slash + 1);
            return den != 0 ? atof(it->second.substr(0, slash).c_str()) / den : NAN;
        }
        return atof(it->second.c_str());
    }
};

// Parses what one ffprobe run printed: sections of "key=value" lines.
Probe ReadProbe(const std::string& path)
{
    struct Section
    {
        std::string kind;
        std::map<std::string, std::string> values;
    };
    std::vector<Section> sections;
    std::istringstream in(ReadBytes(path + ".probe"));
    std::string line;
    while (std::getline(in, line)) {
        if (line.size() > 2 && line[0] == '[' && line[1] != '/') {
            sections.push_back({line, {}});
        } else if (!sections.empty()) {
            size_t eq = line.find('=');
            if (eq != std::string::npos)
                sections.back().values.emplace(line.substr(0, eq), line.substr(eq + 1));
        }
    }
    Probe p;
    std::string videoIndex, audioIndex;
    for (const Section& sec : sections) {
        if (sec.kind == "[STREAM]") {
            auto type = sec.values.find("codec_type");
            if (type != sec.values.end() && type->second == "video" && videoIndex.empty()) {
                p.video = sec.values;
                videoIndex = sec.values.at("index");
            } else if (type != sec.values.end() && type->second == "audio" && audioIndex.empty()) {
                p.audio = sec.values;
                audioIndex = sec.values.at("index");
            }
        } else if (sec.kind == "[FORMAT]") {
            p.format = sec.values;
        }
    }
    for (const Section& sec : sections) {
        if (sec.kind != "[FRAME]")
            continue;
        const std::string index = sec.values.count("stream_index") ? sec.values.at("stream_index") : "";
        const double time = Probe::Number(sec.values, "best_effort_timestamp_time");
        if (!videoIndex.empty() && index == videoIndex) {
            p.pictureTimes.push_back(time);
        } else if (!audioIndex.empty() && index == audioIndex) {
            if (std::isnan(p.firstSound))
                p.firstSound = time;
            p.samples += static_cast<int64_t>(Probe::Number(sec.values, "nb_samples"));
        }
    }
    return p;
}

using MediaTest::TurnMp4;

// A video whose stream asks for a turn is handed on turned: its pictures and
// its description stand as players show them. (A photo's EXIF turn is only
// reported.)
int HandedTurn(const Row& row)
{
    return row.kind == Video ? row.rotate : 0;
}
int ShownWidth(const Row& row)
{
    return HandedTurn(row) % 180 ? row.height : row.width;
}
int ShownHeight(const Row& row)
{
    return HandedTurn(row) % 180 ? row.width : row.height;
}

std::string ReferenceName(const Row& row)
{
    return "pattern-" + std::to_string(row.width) + "x" + std::to_string(row.height) +
           (HandedTurn(row) ? "-turn" + std::to_string(HandedTurn(row)) : std::string()) + ".bgra";
}

// The ffmpeg filter that turns the pattern as the row's file asks.
std::string TurnFilter(const Row& row)
{
    switch (HandedTurn(row)) {
    case 90: return "-vf transpose=clock ";
    case 180: return "-vf hflip,vflip ";
    case 270: return "-vf transpose=cclock ";
    default: return "";
    }
}

bool TurnMp4By90(const std::string& path)
{
    return TurnMp4(path, 90);
}
bool TurnMp4By270(const std::string& path)
{
    return TurnMp4(path, 270);
}

// Phones mark a photo taken upright as "turn 90 degrees clockwise" in an
// EXIF orientation (6), in an APP1 segment after the start of the image.
bool AddExifOrientation(const std::string& path)
{
    std::string bytes = ReadBytes(path);
    if (bytes.size() < 2 || static_cast<unsigned char>(bytes[0]) != 0xFF ||
        static_cast<unsigned char>(bytes[1]) != 0xD8)
        return false;
    const unsigned char exif[] = {0xFF, 0xE1, 0x00, 0x22, 'E', 'x', 'i', 'f', 0,
                                  0,    'I',  'I',  0x2A, 0,   8,   0,   0,   0, // TIFF header, first IFD at 8
                                  1,    0,                                       // one entry
                                  0x12, 0x01, 3,    0,    1,   0,   0,   0,      // orientation, SHORT, one value
                                  6,    0,    0,    0,                           // 6: turn 90 degrees clockwise
                                  0,    0,    0,    0};                          // no next IFD
    bytes.insert(2, reinterpret_cast<const char*>(exif), sizeof(exif));
    return WriteBytes(path, bytes);
}

// Makes every row's file and probes it, all rows at once (the ffmpeg runs
// in parallel); the rows whose encoders are missing are left out.
const std::string& MakeAll()
{
    static std::string result = [] {
        if (Files().dir.empty())
            return std::string("no temporary folder");
        std::string script = "cd '" + Files().dir + "' && (";
        std::set<std::string> references;
        for (const Row& row : Rows()) {
            if (!MissingEncoder(row).empty())
                continue;
            const std::string file = std::string("'") + row.file + "'";
            script += " (ffmpeg -nostdin -v error -y " + row.inputs + row.outputs + " " + file + " > " + file +
                      ".log 2>&1 && ffprobe -v error -count_packets -show_entries stream=index,codec_type,"
                      "width,height,sample_aspect_ratio,avg_frame_rate,r_frame_rate,duration,sample_rate,channels,"
                      "nb_read_packets,field_order:"
                      "format=duration,start_time:frame=stream_index,best_effort_timestamp_time,nb_samples " +
                      file + " > " + file + ".probe 2>&1) &";
            // The first picture of the pattern, as BGRA, once per size.
            if (row.kind != AudioOnly && references.insert(ReferenceName(row)).second)
                script += " ffmpeg -nostdin -v error -y " + Pattern(row.width, row.height, "25", "1") +
                          TurnFilter(row) + "-frames:v 1 -pix_fmt bgra -f rawvideo " + ReferenceName(row) + " &";
        }
        script += " wait )";
        Run(script);
        for (const Row& row : Rows()) {
            if (row.patch && MissingEncoder(row).empty() && !row.patch(Files().Path(row.file)))
                return std::string("could not change ") + row.file;
        }
        return std::string();
    }();
    return result;
}

struct ImporterHolder
{
    IAVImporter* importer;
    ~ImporterHolder()
    {
        if (importer)
            importer->Release();
    }
};

struct SourceHolder
{
    IAVSource* source;
    ~SourceHolder()
    {
        if (source)
            source->Release();
    }
};

std::vector<unsigned char> Pixels(IRawVideoFrame* frame)
{
    std::vector<unsigned char> out;
    for (unsigned p = 0; p < frame->GetBufferCount(); ++p) {
        unsigned line = 0, pitch = 0, rows = 0;
        unsigned char* data = frame->GetBuffer(p, &line, &pitch, &rows);
        for (unsigned r = 0; data && r < rows; ++r)
            out.insert(out.end(), data + r * pitch, data + r * pitch + line);
    }
    return out;
}

// The largest difference of a 4x4 grid of block means (per colour) between
// the picture converted to BGRA and the encoded pattern; a wrong layout,
// pitch or colour order moves the means far more than any codec does.
double PatternDistance(IRawVideoFrame* frame, const std::string& referencePath, std::string& why)
{
    unsigned w = 0, h = 0;
    frame->GetDimension(&w, &h);
    const std::string ref = ReadBytes(referencePath);
    if (ref.size() != static_cast<size_t>(w) * h * 4) {
        why = "the reference picture is missing or of another size";
        return 1e9;
    }
    Moorland::IImageConverter* converter = CreateImageConverter(Moorland::PIXEL_FORMAT_RGBA32);
    if (!converter) {
        why = "no converter: " + LastMessage();
        return 1e9;
    }
    IRawVideoFrame* bgra = converter->Convert(frame);
    if (!bgra) {
        why = "conversion failed: " + LastMessage();
        converter->Release();
        return 1e9;
    }
    unsigned line = 0, pitch = 0, rows = 0, cw = 0, ch = 0;
    const unsigned char* data = bgra->GetBuffer(0, &line, &pitch, &rows);
    bgra->GetDimension(&cw, &ch);
    double worst = 0;
    if (cw != w || ch != h || line < w * 4) {
        why = "the converted picture has another size";
        worst = 1e9;
    }
    for (unsigned by = 0; worst < 1e9 && by < 4; ++by) {
        for (unsigned bx = 0; bx < 4; ++bx) {
            double got[3] = {0, 0, 0}, want[3] = {0, 0, 0};
            unsigned n = 0;
            for (unsigned y = by * h / 4; y < (by + 1) * h / 4; ++y) {
                for (unsigned x = bx * w / 4; x < (bx + 1) * w / 4; ++x, ++n) {
                    for (int c = 0; c < 3; ++c) {
                        got[c] += data[y * pitch + x * 4 + c];
                        want[c] += static_cast<unsigned char>(ref[(y * w + x) * 4 + c]);
                    }
                }
            }
            for (int c = 0; n && c < 3; ++c)
                worst = std::max(worst, std::fabs(got[c] - want[c]) / n);
        }
    }
    converter->Release();
    return worst;
}

// Counts 16-bit stereo samples and keeps their peak.
void Listen(IRawAudioFrame* frame, int64_t& count, int& peak)
{
    ASSERT_EQ(frame->GetSampleFormat(), Moorland::QUENTA_SAMPLE_S16);
    ASSERT_EQ(frame->GetChannels(), 2);
    count += frame->GetSampleCount();
    unsigned size = 0;
    const unsigned char* data = frame->GetBuffer(0, &size);
    ASSERT_TRUE(data || frame->GetSampleCount() == 0);
    ASSERT_GE(size, frame->GetSampleCount() * 4u);
    for (unsigned i = 0; i + 1 < frame->GetSampleCount() * 4u; i += 2) {
        int16_t v = 0;
        memcpy(&v, data + i, 2);
        peak = std::max(peak, std::abs(static_cast<int>(v)));
    }
}

const Moorland::StreamInfo* FirstStream(const Moorland::MovieInfo* movie, int type)
{
    for (uint32_t i = 0; i < movie->streamCount; ++i)
        if (movie->streams[i].type == type)
            return &movie->streams[i];
    return nullptr;
}

IRawVideoFrame* NextVideo(IAVSource* source)
{
    IRawAudioFrame* audio = nullptr;
    IRawVideoFrame* video = nullptr;
    if (!source->ReadFrames(&audio, &video, nullptr, Moorland::AVReadVideoOnly))
        return nullptr;
    return video;
}

class SolvaneFormats : public ::testing::TestWithParam<Row>
{
};

TEST_P(SolvaneFormats, OpensDecodesConvertsAndSeeks)
{
    const Row& row = GetParam();
    ASSERT_EQ(MakeAll(), "");
    const std::string missing = MissingEncoder(row);
    if (!missing.empty())
        GTEST_SKIP() << row.name << ": this ffmpeg has no \"" << missing << "\" encoder";
    const std::string path = Files().Path(row.file);
    ASSERT_TRUE(std::ifstream(path).good()) << "ffmpeg could not make " << row.file << ": " << ReadBytes(path + ".log");
    const Probe probe = ReadProbe(path);

    ManagerHolder manager;
    EXPECT_TRUE(manager->CanImportFile(path.c_str())) << LastMessage();
    ImporterHolder importer{manager->CreateImporter(path.c_str())};
    ASSERT_NE(importer.importer, nullptr) << LastMessage();
    ASSERT_GE(importer.importer->GetMovieCount(), 1u);
    const Moorland::MovieInfo* movie = importer.importer->GetMovieInfoAt(0);
    ASSERT_NE(movie, nullptr);
    const Moorland::StreamInfo* vs = FirstStream(movie, Moorland::StreamTypeVideo);
    const Moorland::StreamInfo* as = FirstStream(movie, Moorland::StreamTypeAudio);
    ASSERT_EQ(vs != nullptr, row.kind != AudioOnly);
    ASSERT_EQ(as != nullptr, row.audioTracks > 0);
    std::string rotate;
    for (uint32_t i = 0; i < movie->metaDataCount; ++i) {
        if (movie->metaData[i].name && strcmp(movie->metaData[i].name, "rotate") == 0)
            rotate = movie->metaData[i].value ? movie->metaData[i].value : "";
    }
    EXPECT_EQ(rotate, row.rotate ? std::to_string(row.rotate) : "") << "turn";
    if (vs && row.kind == Video) {
        auto* ext = static_cast<Moorland::IMovieInfoExt*>(importer.importer->GetInterface("IMovieInfoExt"));
        ASSERT_NE(ext, nullptr);
        const char* interlaced = ext->GetValue("is_interlace");
        ASSERT_NE(interlaced, nullptr);
        const auto order = probe.video.find("field_order");
        const bool fields = order != probe.video.end() && (order->second == "tt" || order->second == "bb" ||
                                                           order->second == "tb" || order->second == "bt");
        EXPECT_EQ(atoi(interlaced) != 0, fields) << "interlaced";
    }
    int audioTracks = 0;
    for (uint32_t i = 0; i < movie->streamCount; ++i)
        audioTracks += movie->streams[i].type == Moorland::StreamTypeAudio;
    EXPECT_EQ(audioTracks, row.audioTracks);

    // The description against ffprobe.
    double frameSeconds = 0.04;
    if (vs) {
        EXPECT_EQ(vs->width, ShownWidth(row));
        EXPECT_EQ(vs->height, ShownHeight(row));
        const bool quarter = HandedTurn(row) % 180 != 0;
        EXPECT_EQ(vs->width, static_cast<int>(Probe::Number(probe.video, quarter ? "height" : "width")));
        EXPECT_EQ(vs->height, static_cast<int>(Probe::Number(probe.video, quarter ? "width" : "height")));
        double sar = Probe::Number(probe.video, "sample_aspect_ratio");
        if (quarter && sar > 0)
            sar = 1.0 / sar;
        const bool square = vs->aspect < 0x10000 || (vs->aspect & 0xFFFF) == 0;
        const double gotSar = square ? 1.0 : static_cast<double>(vs->aspect >> 16) / (vs->aspect & 0xFFFF);
        EXPECT_NEAR(gotSar, std::isnan(sar) || sar == 0 ? 1.0 : sar, 1e-3) << "sample aspect";
        if (row.kind == Video) {
            double rate = Probe::Number(probe.video, "avg_frame_rate");
            if (std::isnan(rate) || rate <= 0)
                rate = Probe::Number(probe.video, "r_frame_rate");
            const uint32_t den = Moorland::FrameRateDen(vs->frameRate);
            ASSERT_GT(den, 0u) << "no frame rate";
            const double gotRate = static_cast<double>(Moorland::FrameRateNum(vs->frameRate)) / den;
            EXPECT_NEAR(gotRate, rate, rate * 0.01) << "frame rate";
            frameSeconds = 1.0 / rate;
            const double seconds = Probe::Number(probe.video, "duration");
            if (!std::isnan(seconds)) {
                EXPECT_NEAR(vs->duration, seconds, frameSeconds + 1e-3) << "video duration";
            }
        }
    }
    if (as) {
        EXPECT_EQ(as->sampleRate, static_cast<int>(Probe::Number(probe.audio, "sample_rate")));
        EXPECT_EQ(as->channels, static_cast<int>(Probe::Number(probe.audio, "channels")));
        const double seconds = Probe::Number(probe.audio, "duration");
        if (!std::isnan(seconds)) {
            EXPECT_NEAR(as->duration, seconds, 0.05) << "audio duration";
        }
    }
    const double fileSeconds = Probe::Number(probe.format, "duration");
    if (row.kind != Still && !std::isnan(fileSeconds)) {
        EXPECT_NEAR(importer.importer->GetMovieDuration(movie->id) / 1000.0, fileSeconds, frameSeconds + 1e-3)
            << "movie duration";
    }

    // A straight decode of everything, read the way the transcode loop does.
    SourceHolder source{importer.importer->CreateSource(movie->id, vs ? vs->id : -1, as ? as->id : -1)};
    std::unique_ptr<Moorland::IAudioResampler, void (*)(Moorland::IAudioResampler*)> toCd(
        CreateAudioResampler(Moorland::QUENTA_SAMPLE_S16, 48000, 2, 0, 0, 0, 0, 0),
        [](Moorland::IAudioResampler* r) { r->Release(); });
    ASSERT_NE(toCd, nullptr);
    int64_t cdSamples = 0;
    int cdPeak = 0;
    std::unique_ptr<Moorland::IImageConverter, void (*)(Moorland::IImageConverter*)> toBgra(
        CreateImageConverter(Moorland::PIXEL_FORMAT_RGBA32), [](Moorland::IImageConverter* c) { c->Release(); });
    ASSERT_NE(toBgra, nullptr);
    ASSERT_NE(source.source, nullptr) << LastMessage();
    std::vector<std::vector<unsigned char>> pictures;
    std::vector<int> times;
    int64_t firstAudio = INT64_MIN, lastAudio = INT64_MIN, samples = 0;
    int sampleRate = 0;
    int mode = Moorland::AVReadBoth;
    for (int guard = 0; guard < 100000; ++guard) {
        IRawAudioFrame* audio = nullptr;
        IRawVideoFrame* video = nullptr;
        if (!source.source->ReadFrames(&audio, &video, nullptr, mode))
            break;
        if (video) {
            if (row.layout >= 0) {
                EXPECT_EQ(video->GetPixelFormat(), static_cast<unsigned>(row.layout)) << "pixel layout";
            }
            if (pictures.empty()) {
                std::string why;
                EXPECT_LE(PatternDistance(video, Files().Path(ReferenceName(row).c_str()), why), 24.0)
                    << "first picture unlike the pattern " << why;
                EXPECT_NEAR(video->GetDAR(),
                            ShownWidth(row) *
                                (vs->aspect >= 0x10000 && (vs->aspect & 0xFFFF)
                                     ? static_cast<double>(vs->aspect >> 16) / (vs->aspect & 0xFFFF)
                                     : 1.0) /
                                ShownHeight(row),
                            1e-3);
            }
            if (!times.empty()) {
                EXPECT_GT(video->GetTimeStamp(), times.back()) << "picture " << times.size();
            }
            times.push_back(video->GetTimeStamp());
            unsigned w = 0, h = 0, cw = 0, ch = 0;
            video->GetDimension(&w, &h);
            IRawVideoFrame* bgra = toBgra->Convert(video);
            ASSERT_NE(bgra, nullptr) << "picture " << times.size() << ": " << LastMessage();
            bgra->GetDimension(&cw, &ch);
            EXPECT_TRUE(cw == w && ch == h) << "picture " << times.size();
            pictures.push_back(Pixels(video));
            if (row.kind == Still)
                break;
        }
        if (audio) {
            if (firstAudio == INT64_MIN)
                firstAudio = audio->GetTimeStamp();
            EXPECT_GT(audio->GetTimeStamp(), lastAudio);
            lastAudio = audio->GetTimeStamp();
            samples += audio->GetSampleCount();
            sampleRate = audio->GetSampleRate();
            EXPECT_EQ(audio->GetChannels(), as->channels);
            IRawAudioFrame* cd = toCd->Convert(audio);
            ASSERT_NE(cd, nullptr) << LastMessage();
            Listen(cd, cdSamples, cdPeak);
        }
        const int lastVideoMs = times.empty() ? 0 : times.back();
        mode = vs && as ? (lastVideoMs > lastAudio / 10000 ? Moorland::AVReadAudioOnly : Moorland::AVReadVideoOnly)
                        : Moorland::AVReadBoth;
        if (source.source->IsEndOfStream())
            break;
    }

    if (row.kind == Still) {
        ASSERT_EQ(times.size(), 1u) << "no picture";
        return;
    }
    const double start =
        std::isnan(Probe::Number(probe.format, "start_time")) ? 0 : Probe::Number(probe.format, "start_time");
    if (as) {
        ASSERT_GT(sampleRate, 0);
        EXPECT_EQ(samples, probe.samples) << "sound decoded";
        // Every sample layout and channel set resamples into 16-bit stereo
        // at 48 kHz, the tone audible and none of it lost.
        IRawAudioFrame* rest = toCd->Flush();
        ASSERT_NE(rest, nullptr) << LastMessage();
        Listen(rest, cdSamples, cdPeak);
        EXPECT_NEAR(static_cast<double>(cdSamples), samples * 48000.0 / sampleRate, 64.0) << "resampled sound";
        EXPECT_GT(cdPeak, 1000) << "resampled sound is silent";
        // Decoders drop their priming (two blocks of Windows Media sound, the
        // encoder delay of AAC without an edit list), hence the slack.
        EXPECT_NEAR(samples / static_cast<double>(sampleRate), as->duration, 0.1) << "sound against its duration";
        if (!std::isnan(probe.firstSound)) {
            EXPECT_NEAR(firstAudio / 10000.0, (probe.firstSound - start) * 1000.0, 1.01) << "first sound";
        }
        if (row.audioStartMs > 0) {
            EXPECT_NEAR(firstAudio / 10000.0, static_cast<double>(row.audioStartMs), 30.0) << "first sound";
        }
    }
    if (as && !vs) {
        // Sound alone: a seek gives the block that holds the asked time.
        ASSERT_TRUE(source.source->Seek(500)) << LastMessage();
        IRawAudioFrame* audio = nullptr;
        IRawVideoFrame* video = nullptr;
        ASSERT_TRUE(source.source->ReadFrames(&audio, &video, nullptr, Moorland::AVReadAudioOnly));
        ASSERT_NE(audio, nullptr);
        EXPECT_LE(audio->GetTimeStamp(), 5000000 + 10000);
        EXPECT_GT(audio->GetTimeStamp() + audio->GetDuration(), 5000000 - 10000);
    }
    if (!vs)
        return;
    ASSERT_EQ(times.size(), probe.pictureTimes.size()) << "pictures decoded";
    for (size_t i = 0; i < times.size(); ++i) {
        if (!std::isnan(probe.pictureTimes[i])) {
            EXPECT_NEAR(times[i], (probe.pictureTimes[i] - start) * 1000.0, 1.01) << "picture " << i;
        }
    }

    // Seeks to the middle and near the end land on the exact picture.
    const size_t n = times.size();
    // Past the end: the last picture is the one shown there.
    struct SeekCase
    {
        uint32_t ms;
        size_t index;
    };
    const SeekCase seeks[] = {{static_cast<uint32_t>(times[n / 2]), n / 2},
                              {static_cast<uint32_t>(times[n - 2]), n - 2},
                              {static_cast<uint32_t>(times[n - 1]), n - 1},
                              {static_cast<uint32_t>(times[1]), 1},
                              {static_cast<uint32_t>(times[n - 1]) + 5000, n - 1}};
    for (const SeekCase& c : seeks) {
        const size_t index = c.index;
        ASSERT_TRUE(source.source->Seek(c.ms)) << LastMessage();
        IRawVideoFrame* f = NextVideo(source.source);
        ASSERT_NE(f, nullptr) << "seek to " << c.ms;
        EXPECT_EQ(f->GetTimeStamp(), times[index]) << "seek to picture " << index;
        EXPECT_TRUE(Pixels(f) == pictures[index]) << "seek to picture " << index;
        if (!as)
            continue;
        // The sound after a seek is the block that holds the time, or the
        // first one when the sound starts later.
        IRawAudioFrame* audio = nullptr;
        IRawVideoFrame* video = nullptr;
        const int64_t target = static_cast<int64_t>(c.ms) * 10000;
        if (!source.source->ReadFrames(&audio, &video, nullptr, Moorland::AVReadAudioOnly) || !audio)
            continue; // the sound ends before the picture
        EXPECT_LT(c.ms, times[n - 1] + 1000) << "sound past the end of the file";
        EXPECT_LE(audio->GetTimeStamp(), std::max(target, firstAudio) + 10000) << "sound after seek " << index;
        EXPECT_GT(audio->GetTimeStamp() + audio->GetDuration(), target - 10000) << "sound after seek " << index;
    }

    // The packets for a remux: as many as the file holds, and after a seek
    // the first picture is a key frame at or before the asked time.
    {
        const int ids[2] = {vs->id, as ? as->id : -1};
        std::unique_ptr<Moorland::IAVCompressedSource, void (*)(Moorland::IAVCompressedSource*)> packets(
            importer.importer->CreatePacketSource(movie->id, as ? 2 : 1, ids),
            [](Moorland::IAVCompressedSource* p) { p->Release(); });
        ASSERT_NE(packets, nullptr) << LastMessage();
        int64_t count[2] = {0, 0};
        int id = -1;
        while (Moorland::ICompressedFrame* packet = packets->ReadPacket(&id, nullptr)) {
            ASSERT_TRUE(id == ids[0] || id == ids[1]);
            ++count[id == ids[0] ? 0 : 1];
            EXPECT_GT(packet->GetSize(), 0u);
        }
        EXPECT_EQ(count[0], static_cast<int64_t>(Probe::Number(probe.video, "nb_read_packets"))) << "picture packets";
        if (as) {
            EXPECT_EQ(count[1], static_cast<int64_t>(Probe::Number(probe.audio, "nb_read_packets"))) << "sound packets";
        }
        const uint32_t target = static_cast<uint32_t>(times[n / 2]);
        ASSERT_TRUE(packets->Seek(target)) << LastMessage();
        Moorland::ICompressedFrame* packet = nullptr;
        while ((packet = packets->ReadPacket(&id, nullptr)) && id != ids[0]) {
        }
        ASSERT_NE(packet, nullptr) << "no picture after a packet seek";
        EXPECT_TRUE(packet->IsKeyFrame());
        EXPECT_LE(packet->GetPresentTimeStamp(), static_cast<int64_t>(target) * 10000 + 10000);
    }

    // The multi-stream source decoding both: the same pictures at the same
    // times, and the same sound.
    {
        Moorland::SMItemInfo items[2];
        items[0].nStreamID = vs->id;
        items[0].eStreamType = Moorland::StreamTypeVideo;
        if (as) {
            items[1].nStreamID = as->id;
            items[1].eStreamType = Moorland::StreamTypeAudio;
        }
        std::unique_ptr<Moorland::IAVSource2, void (*)(Moorland::IAVSource2*)> multi(
            importer.importer->CreateMultiSource(movie->id, items, as ? 2 : 1),
            [](Moorland::IAVSource2* m) { m->Release(); });
        ASSERT_NE(multi, nullptr) << LastMessage();
        std::vector<int> multiTimes;
        int64_t multiSamples = 0;
        Moorland::FrameInfo info{};
        while (multi->ReadFrame(&info, 0, 0)) {
            ASSERT_NE(info.frame, nullptr);
            ASSERT_FALSE(info.compressed);
            if (info.type == Moorland::StreamTypeVideo)
                multiTimes.push_back(static_cast<IRawVideoFrame*>(info.frame)->GetTimeStamp());
            else
                multiSamples += static_cast<IRawAudioFrame*>(info.frame)->GetSampleCount();
        }
        EXPECT_EQ(multiTimes, times) << "pictures of the multi-stream source";
        if (as) {
            EXPECT_EQ(multiSamples, samples) << "sound of the multi-stream source";
        }
        for (size_t index : {n / 2, n - 2}) {
            ASSERT_TRUE(multi->Seek(static_cast<uint32_t>(times[index]))) << LastMessage();
            bool got = false;
            while ((got = multi->ReadFrame(&info, 0, 0)) && info.type != Moorland::StreamTypeVideo) {
            }
            ASSERT_TRUE(got) << "no picture after a multi-stream seek to picture " << index;
            EXPECT_EQ(static_cast<IRawVideoFrame*>(info.frame)->GetTimeStamp(), times[index])
                << "multi-stream seek to picture " << index;
        }
    }

    // A second sound track reads on its own.
    for (uint32_t i = 0; i < movie->streamCount; ++i) {
        const Moorland::StreamInfo& other = movie->streams[i];
        if (other.type != Moorland::StreamTypeAudio || &other == as)
            continue;
        SourceHolder second{importer.importer->CreateSource(movie->id, -1, other.id)};
        ASSERT_NE(second.source, nullptr) << LastMessage();
        int64_t count = 0;
        int rate = 0;
        IRawAudioFrame* audio = nullptr;
        IRawVideoFrame* video = nullptr;
        while (second.source->ReadFrames(&audio, &video, nullptr, Moorland::AVReadAudioOnly)) {
            ASSERT_NE(audio, nullptr);
            EXPECT_EQ(audio->GetChannels(), other.channels);
            rate = audio->GetSampleRate();
            count += audio->GetSampleCount();
        }
        ASSERT_EQ(rate, other.sampleRate);
        EXPECT_NEAR(count / static_cast<double>(rate), other.duration, 0.1) << "second track";
    }
}

INSTANTIATE_TEST_SUITE_P(Media, SolvaneFormats, ::testing::ValuesIn(Rows()),
                         [](const ::testing::TestParamInfo<Row>& info) {
                             std::string name = info.param.file;
                             for (char& c : name)
                                 if (!isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

} // namespace
