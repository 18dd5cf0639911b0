// The exporter's write side: encoders by the profile's codec names into
// containers by format, checked with ffprobe; two passes; a copy of the
// compressed packets that keeps every byte; a refusing disk; a caller's
// output stream.

#include "CFFExporter.h"
#include "CFFOutputFile.h"
#include "../SolvaneTestMedia.h"
#include "../../../ProbeOutput.h"

#include "ICompressedFrame.h"
#include "IRawAudioFrame.h"
#include "IRawVideoFrame.h"
#include "MoorlanTypes.h"
#include "quenta_base_streams.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <sys/stat.h>

#include <algorithm>
#include <vector>

using namespace Moorland;
using Solvane::CFFExporter;
using Solvane::ExportSettings;

namespace {

using MediaTest::Capture;

// "key=value" lines of ffprobe for the first stream of a kind and the format.
std::map<std::string, std::string> Probe(const std::string& path, const char* kind)
{
    return MediaTest::Probe(path, kind,
                            "-show_entries stream=codec_name,width,height,r_frame_rate,sample_rate,"
                            "channels,nb_read_frames -count_frames -show_entries format=duration");
}

// The same of the first picture and the first sound stream at once.
MediaTest::ProbedFile Streams(const std::string& path)
{
    return MediaTest::ProbeFile(path, "codec_name,width,height,r_frame_rate,sample_rate,channels,nb_read_frames",
                                "format=duration", "-count_frames");
}

std::string StreamHashes(const std::string& path)
{
    return Capture("ffmpeg -v error -i '" + path + "' -map 0:v -map 0:a -c copy -f streamhash -hash md5 - 2>&1");
}

ExportSettings Settings(const char* format, const char* video, const char* audio)
{
    ExportSettings s;
    s.format = format;
    if (video) {
        s.video.present = true;
        s.video.codec = video;
        s.video.width = 320;
        s.video.height = 240;
        s.video.frameRate = 25.0;
        s.video.bitrateKbps = 400;
    }
    if (audio) {
        s.audio.present = true;
        s.audio.codec = audio;
        s.audio.bitrate = 96000;
        s.audio.sampleRate = 44100;
        s.audio.channels = 2;
    }
    return s;
}

struct Released
{
    template <typename T> void operator()(T* p) const
    {
        if (p)
            p->Release();
    }
};

class ExporterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SOLVANE_REQUIRE_MEDIA();
        ASSERT_NE(manager.manager, nullptr);
    }

    std::string Out(const std::string& name) const { return SolvaneTest::Media::Get().Path(name.c_str()); }

    // Reads the fixture clip into an encoding muxer, pass after pass. The
    // first failure's message, or "" when every call succeeded.
    std::string Transcode(CFFExporter& exporter, int passes)
    {
        IEncodingMuxer* muxer = exporter.GetEncodingMuxer();
        if (!muxer || !muxer->SetEncodingPass(passes))
            return SolvaneTest::LastMessage();
        for (int pass = 0; pass < passes; ++pass) {
            std::unique_ptr<IAVSource, Released> source(manager->CreateSourceFromAddress(
                SolvaneTest::Media::Get().Clip().c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
            if (!source)
                return SolvaneTest::LastMessage();
            if (!muxer->BeginWriting())
                return SolvaneTest::LastMessage();
            IRawAudioFrame* audio = nullptr;
            IRawVideoFrame* video = nullptr;
            void* other = nullptr;
            while (source->ReadFrames(&audio, &video, &other, AVReadBoth)) {
                if (video && exporter.VideoStreamId() >= 0 && !muxer->WriteVideo(exporter.VideoStreamId(), video))
                    return SolvaneTest::LastMessage();
                if (audio && exporter.AudioStreamId() >= 0 && !muxer->WriteAudio(exporter.AudioStreamId(), audio))
                    return SolvaneTest::LastMessage();
            }
            GetQuentaException()->Clear();
            muxer->EndWriting();
            if (SolvaneTest::LastCode() != 0)
                return SolvaneTest::LastMessage();
        }
        exporter.Close();
        return "";
    }

    SolvaneTest::ManagerHolder manager;
};

struct CodecCase
{
    const char* file;
    const char* format;
    const char* video;
    const char* audio;
    const char* videoName; // as ffprobe names it
    const char* audioName;
};

TEST_F(ExporterTest, EncodesEveryEverydayCodecIntoItsContainer)
{
    const CodecCase cases[] = {
        {"x264.mp4", "mp4", "libx264", "aac", "h264", "aac"},
        {"h264alias.mkv", "matroska", "h264", "flac", "h264", "flac"},
        {"xvid.avi", "avi", "mpeg4", "libmp3lame", "mpeg4", "mp3"},
        {"vp8.webm", "webm", "libvpx", "libopus", "vp8", "opus"},
        {"prores.mov", "mov", "Apple ProRes 422(LT)", "pcm", "prores", "pcm_s16le"},
        {"dvd.mpg", "dvd", "mpeg2video", "ac3", "mpeg2video", "ac3"},
        {"flash.flv", "flv", "flv", "libmp3lame", "flv1", "mp3"},
        {"windows.wmv", "asf", "wmv2", "wmav2", "wmv2", "wmav2"},
        {"photo.mkv", "", "mjpeg", "libvorbis", "mjpeg", "vorbis"},
    };
    for (const CodecCase& c : cases) {
        SCOPED_TRACE(c.file);
        CFFExporter exporter;
        exporter.SetSettings(Settings(c.format, c.video, c.audio));
        ASSERT_TRUE(exporter.Open(Out(c.file).c_str())) << SolvaneTest::LastMessage();
        MovieInfo* info = exporter.GetOutputMovieInfo();
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(info->streamCount, 2u);
        ASSERT_EQ(Transcode(exporter, 1), "");

        MediaTest::ProbedFile probed = Streams(Out(c.file));
        auto& v = probed.video;
        EXPECT_EQ(v["codec_name"], c.videoName);
        EXPECT_EQ(v["width"], "320");
        EXPECT_EQ(v["height"], "240");
        EXPECT_EQ(v["r_frame_rate"], "25/1");
        EXPECT_EQ(v["nb_read_frames"], "50");
        EXPECT_NEAR(std::atof(v["duration"].c_str()), 2.0, 0.1);
        auto& a = probed.audio;
        EXPECT_EQ(a["codec_name"], c.audioName);
        EXPECT_EQ(a["channels"], "2");
    }
}

TEST_F(ExporterTest, ChangesSizeRateAndAspectAsTheProfileAsks)
{
    ExportSettings s = Settings("mp4", "libx264", nullptr);
    s.video.width = 161; // odd sizes are made even for 4:2:0
    s.video.height = 120;
    s.video.frameRate = 12.5;
    s.video.aspect = "16:9";
    CFFExporter exporter;
    exporter.SetSettings(s);
    ASSERT_TRUE(exporter.Open(Out("small.mp4").c_str()));
    EXPECT_EQ(exporter.AudioStreamId(), -1);
    ASSERT_EQ(Transcode(exporter, 1), "");
    MediaTest::ProbedFile probed = MediaTest::ProbeFile(
        Out("small.mp4"), "codec_name,width,height,r_frame_rate,nb_read_frames,display_aspect_ratio", "",
        "-count_frames");
    auto& v = probed.video;
    EXPECT_EQ(v["width"], "160");
    EXPECT_EQ(v["height"], "120");
    EXPECT_EQ(v["r_frame_rate"], "25/2");
    EXPECT_EQ(v["nb_read_frames"], "25");
    EXPECT_EQ(v["display_aspect_ratio"], "16:9");
    EXPECT_TRUE(probed.audio.count("codec_name") == 0);
}

TEST_F(ExporterTest, TwoPassesWriteOneFileAndLeaveNoStatistics)
{
    // Statistics go to the temporary folder; a private one shows what this
    // export leaves behind whatever other programs do in /tmp meanwhile.
    const std::string statsDir = Out("twopass-tmp");
    ASSERT_EQ(::mkdir(statsDir.c_str(), 0700) == 0 || errno == EEXIST, true);
    const char* oldTmp = std::getenv("TMPDIR");
    const std::string savedTmp = oldTmp != nullptr ? oldTmp : "";
    ::setenv("TMPDIR", statsDir.c_str(), 1);
    struct RestoreTmp
    {
        std::string value;
        bool had;
        ~RestoreTmp() { had ? ::setenv("TMPDIR", value.c_str(), 1) : ::unsetenv("TMPDIR"); }
    } restore{savedTmp, oldTmp != nullptr};
    for (const char* codec : {"libx264", "mpeg4"}) {
        SCOPED_TRACE(codec);
        CFFExporter exporter;
        exporter.SetSettings(Settings("mp4", codec, "aac"));
        const std::string path = Out(std::string("twopass-") + codec + ".mp4");
        ASSERT_TRUE(exporter.Open(path.c_str()));
        ASSERT_EQ(Transcode(exporter, 2), "");
        MediaTest::ProbedFile probed = Streams(path);
        EXPECT_EQ(probed.video["nb_read_frames"], "50");
        EXPECT_EQ(probed.audio["codec_name"], "aac");
        EXPECT_EQ(Capture("ls '" + statsDir + "' | grep -c fablecut-2pass"), "0\n");
    }
}

// A first pass writes no file, yet both encoding muxers report what its
// encoder has made, so a two-pass job shows progress from its start.
TEST_F(ExporterTest, TheFirstOfTwoPassesReportsWhatItHasEncoded)
{
    SOLVANE_REQUIRE_MEDIA();
    for (bool multi : {false, true}) {
        SCOPED_TRACE(multi ? "multi-stream muxer" : "encoding muxer");
        ExportSettings settings = Settings("mp4", "mpeg4", "aac");
        if (multi) {
            Solvane::StreamExportSettings video;
            video.type = StreamTypeVideo;
            video.video = settings.video;
            Solvane::StreamExportSettings audio;
            audio.type = StreamTypeAudio;
            audio.audio = settings.audio;
            settings.streams = {video, audio};
        }
        CFFExporter exporter;
        exporter.SetSettings(settings);
        const std::string path = Out(multi ? "firstpass-multi.mp4" : "firstpass.mp4");
        ASSERT_TRUE(exporter.Open(path.c_str()));
        IEncodingMuxer* encoding = multi ? nullptr : exporter.GetEncodingMuxer();
        IMultiMuxer2* streams = multi ? exporter.GetMultiMuxer() : nullptr;
        ASSERT_TRUE(multi ? streams != nullptr : encoding != nullptr) << SolvaneTest::LastMessage();
        ASSERT_TRUE(multi ? streams->SetEncodingPass(2) : encoding->SetEncodingPass(2));
        ASSERT_TRUE(multi ? streams->BeginWriting() : encoding->BeginWriting()) << SolvaneTest::LastMessage();
        std::unique_ptr<IAVSource, Released> source(manager->CreateSourceFromAddress(
            SolvaneTest::Media::Get().Clip().c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
        ASSERT_NE(source, nullptr) << SolvaneTest::LastMessage();
        IRawAudioFrame* audio = nullptr;
        IRawVideoFrame* video = nullptr;
        for (int pictures = 0; pictures < 25 && source->ReadFrames(&audio, &video, nullptr, AVReadVideoOnly);) {
            if (!video)
                continue;
            ++pictures;
            ASSERT_TRUE(multi ? streams->WriteFrame(0, false, StreamTypeVideo, video)
                              : encoding->WriteVideo(exporter.VideoStreamId(), video))
                << SolvaneTest::LastMessage();
        }
        uint64_t bytes = 0;
        uint32_t ms = 0;
        if (multi)
            streams->GetDataRateStats(0, &bytes, &ms);
        else
            encoding->GetDataRateStats(exporter.VideoStreamId(), &bytes, &ms);
        EXPECT_GT(bytes, 0u);
        EXPECT_GE(ms, 800u);
        EXPECT_LE(ms, 1000u);
        EXPECT_FALSE(std::ifstream(path).good()) << "a first pass writes no file";
        exporter.Close();
    }
}

TEST_F(ExporterTest, RefusedSettingsAndWritesComeBackWithTheirReason)
{
    {
        CFFExporter exporter;
        exporter.SetSettings(Settings("mp4", "nosuchcodec", "aac"));
        ASSERT_TRUE(exporter.Open(Out("bad.mp4").c_str()));
        EXPECT_NE(Transcode(exporter, 1).find("Not supported video codec"), std::string::npos);
    }
    {
        CFFExporter exporter;
        exporter.SetSettings(Settings("", "libx264", "aac"));
        EXPECT_FALSE(exporter.Open(Out("noformat.unknownext").c_str()));
        EXPECT_NE(SolvaneTest::LastMessage().find("No container format"), std::string::npos);
    }
    {
        // A disk that takes nothing: the failure names the file and the
        // reason; nothing is reported as written.
        CFFExporter exporter;
        exporter.SetSettings(Settings("matroska", "libx264", "aac"));
        ASSERT_TRUE(exporter.Open("/dev/full"));
        const std::string message = Transcode(exporter, 1);
        EXPECT_NE(message.find("/dev/full"), std::string::npos) << message;
        EXPECT_NE(message.find("No space left"), std::string::npos) << message;
    }
    {
        CFFExporter exporter;
        exporter.SetSettings(Settings("mp4", "libx264", "aac"));
        ASSERT_TRUE(exporter.Open(Out("missing-folder/x.mp4").c_str()));
        EXPECT_NE(Transcode(exporter, 1).find("Can't create the file"), std::string::npos);
    }
}

TEST_F(ExporterTest, WritesIntoACallersStream)
{
    const std::string path = Out("stream.mkv");
    auto* stream = new QuentaBased::CFileStream(path, 0xFFFF);
    {
        CFFExporter exporter;
        exporter.SetSettings(Settings("matroska", "mpeg4", "aac"));
        ASSERT_TRUE(exporter.OpenOutputStream(stream));
        ASSERT_EQ(Transcode(exporter, 1), "");
    }
    stream->Free();
    EXPECT_EQ(Probe(path, "v")["nb_read_frames"], "50");
}

TEST_F(ExporterTest, CopiedPacketsKeepEveryByte)
{
    const std::string clip = SolvaneTest::Media::Get().Clip();
    std::unique_ptr<IAVImporter, Released> importer(manager->CreateImporter(clip.c_str()));
    ASSERT_NE(importer, nullptr);
    MovieInfo* movie = importer->GetMovieInfoAt(0);
    ASSERT_NE(movie, nullptr);
    int ids[2] = {-1, -1};
    const StreamInfo* video = nullptr;
    for (uint32_t i = 0; i < movie->streamCount; ++i) {
        if (movie->streams[i].type == StreamTypeVideo) {
            ids[0] = movie->streams[i].id;
            video = &movie->streams[i];
        }
        if (movie->streams[i].type == StreamTypeAudio)
            ids[1] = movie->streams[i].id;
    }
    ASSERT_NE(video, nullptr);
    std::unique_ptr<IAVCompressedSource, Released> packets(importer->CreatePacketSource(movie->id, 2, ids));
    ASSERT_NE(packets, nullptr);

    for (const char* name : {"copy.mkv", "copy.mp4"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(packets->Seek(0));
        ExportSettings s = Settings("", video->codecName, "aac");
        s.video.frameRate = 25.0;
        CFFExporter exporter;
        exporter.SetSettings(s);
        ASSERT_TRUE(exporter.Open(Out(name).c_str()));
        INoEncodingMuxer* muxer = exporter.GetNoEncodingMuxer();
        ASSERT_NE(muxer, nullptr);
        for (int k = 0; k < 2; ++k) {
            int size = 0;
            const uint8_t* header = packets->GetStreamHeader(ids[k], &size);
            if (header)
                muxer->SetStreamHeader(k == 0 ? exporter.VideoStreamId() : exporter.AudioStreamId(), header, size);
        }
        AudioFormatInfo format{};
        ASSERT_TRUE(packets->GetAudioFormat(ids[1], &format));
        muxer->SetAudioFormat(exporter.AudioStreamId(), &format);
        ASSERT_TRUE(muxer->BeginWriting()) << SolvaneTest::LastMessage();
        int id = -1, reserved = 0;
        while (ICompressedFrame* p = packets->ReadPacket(&id, &reserved))
            ASSERT_TRUE(muxer->WritePacket(id == ids[0] ? exporter.VideoStreamId() : exporter.AudioStreamId(), p))
                << SolvaneTest::LastMessage();
        GetQuentaException()->Clear();
        muxer->EndWriting();
        EXPECT_EQ(SolvaneTest::LastCode(), 0) << SolvaneTest::LastMessage();
        exporter.Close();
        EXPECT_EQ(StreamHashes(Out(name)), StreamHashes(clip));
    }
}

} // namespace

namespace {

// Where the first box of a kind begins in an MP4 file; npos when none.
size_t BoxOffset(const std::string& path, const char* box)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return std::string::npos;
    std::string bytes;
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes.append(buffer, n);
    std::fclose(f);
    return bytes.find(box);
}

// The most pictures from one key frame to the next, and how many key frames.
std::pair<int, int> KeyFrameSpacing(const std::string& path)
{
    std::istringstream flags(
        Capture("ffprobe -v error -select_streams v:0 -show_entries packet=flags -of csv=p=0 '" + path + "'"));
    int longest = 0, run = 0, keys = 0;
    bool started = false;
    for (std::string line; std::getline(flags, line);) {
        if (line.find('K') != std::string::npos) {
            if (started)
                longest = std::max(longest, run);
            started = true;
            run = 0;
            ++keys;
        }
        ++run;
    }
    return {std::max(longest, run), keys};
}

struct OptionCase
{
    const char* name;
    const char* format;
    const char* codec;
    int width, height;
    double fps;
    int kbps;
    const char* fourcc;
    const char* pixelFormat;
    Solvane::FFOptions video;
    Solvane::FFOptions muxer;
    // What ffprobe must say of the video stream.
    std::map<std::string, std::string> expect;
    int longestGop; // 0: not checked
};

} // namespace

// What a profile states beyond codec, size and rate reaches the file: the
// encoder's and the muxer's options, the picture format, the FourCC, and the
// flavours the FourCC or the bitrate names; the exporter's own defaults keep
// within what a disc player reads.
TEST_F(ExporterTest, EveryStatedSettingReachesTheFile)
{
    const double ntsc = 30000.0 / 1001;
    const std::vector<OptionCase> cases = {
        {"baseline.mp4",
         "mp4",
         "h264",
         320,
         240,
         25,
         800,
         "",
         "yuv420p",
         {{"preset", "veryfast"}, {"profile", "baseline"}, {"level", "3.0"}},
         {},
         {{"profile", "Constrained Baseline"}, {"level", "30"}, {"has_b_frames", "0"}, {"pix_fmt", "yuv420p"}},
         0},
        {"intra422.mov",
         "mov",
         "mpeg2video",
         320,
         240,
         25,
         8000,
         "",
         "yuv422p",
         {{"g", "1"}},
         {},
         {{"pix_fmt", "yuv422p"}, {"profile", "4:2:2"}},
         1},
        {"prores-hq.mov",
         "mov",
         "prores_ks",
         320,
         240,
         25,
         0,
         "apch",
         "yuv422p10le",
         {},
         {},
         {{"codec_tag_string", "apch"}, {"profile", "HQ"}},
         0},
        {"prores-proxy.mov",
         "mov",
         "prores_ks",
         320,
         240,
         25,
         0,
         "apco",
         "yuv422p10le",
         {{"profile", "0"}},
         {},
         {{"codec_tag_string", "apco"}, {"profile", "Proxy"}},
         0},
        {"dnxhd.mov",
         "mov",
         "dnxhd",
         1280,
         720,
         25,
         90000,
         "AVdn",
         "yuv422p",
         {},
         {},
         {{"profile", "DNXHD"}, {"codec_tag_string", "AVdn"}},
         0},
        {"dv-ntsc.mov",
         "mov",
         "dvvideo",
         720,
         480,
         ntsc,
         0,
         "dvc ",
         "yuv411p",
         {},
         {},
         {{"pix_fmt", "yuv411p"}, {"r_frame_rate", "30000/1001"}},
         0},
        {"hvc1.mp4",
         "mp4",
         "hevc",
         320,
         240,
         25,
         500,
         "hvc1",
         "yuv420p",
         {{"preset", "ultrafast"}},
         {},
         {{"codec_tag_string", "hvc1"}},
         0},
        {"dv-ntsc-default.dv", "dv", "dvvideo", 720, 480, ntsc, 0, "", "", {}, {}, {{"pix_fmt", "yuv411p"}}, 0},
        {"dvd.vob",
         "dvd",
         "mpeg2video",
         720,
         480,
         ntsc,
         12000,
         "",
         "yuv420p",
         {},
         {},
         {{"codec_name", "mpeg2video"}},
         18},
        {"faststart.mp4",
         "mp4",
         "mpeg4",
         320,
         240,
         25,
         400,
         "",
         "",
         {},
         {{"movflags", "+faststart"}},
         {{"codec_name", "mpeg4"}},
         0},
    };
    for (const OptionCase& c : cases) {
        SCOPED_TRACE(c.name);
        ExportSettings s = Settings(c.format, c.codec, "aac");
        if (std::string(c.format) == "mov" || std::string(c.format) == "dvd" || std::string(c.format) == "dv")
            s.audio.codec = std::string(c.format) == "dvd" ? "ac3" : "pcm_s16le";
        if (std::string(c.format) == "dv")
            s.audio.sampleRate = 48000;
        s.video.width = c.width;
        s.video.height = c.height;
        s.video.frameRate = c.fps;
        s.video.bitrateKbps = c.kbps;
        s.video.fourcc = c.fourcc;
        s.video.pixelFormat = c.pixelFormat;
        s.video.options = c.video;
        s.video.limits = Solvane::LimitsOfContainer(c.format);
        s.formatOptions = c.muxer;
        CFFExporter exporter;
        exporter.SetSettings(s);
        const std::string path = Out(std::string("stated-") + c.name);
        ASSERT_TRUE(exporter.Open(path.c_str()));
        ASSERT_EQ(Transcode(exporter, 1), "");
        std::map<std::string, std::string> v = MediaTest::Probe(
            path, "v",
            "-show_entries stream=codec_name,codec_tag_string,profile,level,pix_fmt,has_b_frames,r_frame_rate");
        for (const auto& [key, value] : c.expect)
            EXPECT_EQ(v[key], value) << key;
        if (c.longestGop > 0) {
            EXPECT_LE(KeyFrameSpacing(path).first, c.longestGop);
        }
        EXPECT_EQ(Capture("ffmpeg -v error -xerror -i '" + path + "' -f null - 2>&1"), "");
    }
    // The index before the data only where the profile asks for it.
    EXPECT_LT(BoxOffset(Out("stated-faststart.mp4"), "moov"), BoxOffset(Out("stated-faststart.mp4"), "mdat"));
    EXPECT_GT(BoxOffset(Out("stated-baseline.mp4"), "moov"), BoxOffset(Out("stated-baseline.mp4"), "mdat"));
    // DVD players take at most 9.8 Mbit/s of video, whatever the profile's rate.
    const std::string rate =
        Capture("ffprobe -v error -select_streams v:0 -show_entries stream=max_bit_rate -of csv=p=0 '" +
                Out("stated-dvd.vob") + "'");
    EXPECT_LE(std::atol(rate.c_str()), 9800000) << rate;
}

TEST_F(ExporterTest, AnOptionFFmpegDoesNotKnowFailsTheJobByName)
{
    struct Case
    {
        Solvane::FFOptions video, audio, muxer;
        const char* text;
    };
    const Case cases[] = {
        {{{"no_such_option", "1"}}, {}, {}, "video encoder libx264 has no option \"no_such_option\""},
        {{{"profile", "no-such-profile"}}, {}, {}, "libx264 with the options profile=no-such-profile"},
        {{{"g", "many"}}, {}, {}, "refuses \"many\" for its option \"g\""},
        {{}, {{"no_such_audio_option", "2"}}, {}, "audio encoder aac has no option \"no_such_audio_option\""},
        {{}, {}, {{"no_such_muxer_option", "3"}}, "muxer mp4 has no option \"no_such_muxer_option\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ExportSettings s = Settings("mp4", "h264", "aac");
        s.video.options = c.video;
        s.audio.options = c.audio;
        s.formatOptions = c.muxer;
        CFFExporter exporter;
        exporter.SetSettings(s);
        ASSERT_TRUE(exporter.Open(Out("unknown-option.mp4").c_str()));
        EXPECT_NE(Transcode(exporter, 1).find(c.text), std::string::npos) << SolvaneTest::LastMessage();
    }
    ExportSettings s = Settings("mp4", "mpeg4", nullptr);
    s.video.pixelFormat = "yuv444p";
    CFFExporter exporter;
    exporter.SetSettings(s);
    ASSERT_TRUE(exporter.Open(Out("bad-pixfmt.mp4").c_str()));
    EXPECT_NE(Transcode(exporter, 1).find("can't take yuv444p pictures"), std::string::npos);
}

namespace {

// Sound of its own buffer whose layout the caller chooses; its copies are
// heap frames that free themselves.
class OwnSound final : public IRawAudioFrame
{
public:
    OwnSound(int format, int64_t time) : m_format(format), m_time(time), m_bytes(1024 * 2 * 2, 0) {}
    void Free() override
    {
        if (m_heap)
            delete this;
    }
    IRawAudioFrame* Clone() override
    {
        auto* copy = new OwnSound(*this);
        copy->m_heap = true;
        return copy;
    }
    int GetSampleFormat() override { return m_format; }
    int GetSampleRate() override { return 44100; }
    int GetChannels() override { return 2; }
    unsigned GetSampleCount() override { return 1024; }
    unsigned GetBufferCount() override { return 1; }
    unsigned char* GetBuffer(unsigned index, unsigned* size) override
    {
        if (size)
            *size = index == 0 ? static_cast<unsigned>(m_bytes.size()) : 0;
        return index == 0 ? m_bytes.data() : nullptr;
    }
    int64_t GetTimeStamp() override { return m_time; }
    void SetTimeStamp(int64_t t) override { m_time = t; }
    int64_t GetDuration() override { return 1024LL * 10000000 / 44100; }

private:
    int m_format;
    int64_t m_time;
    std::vector<unsigned char> m_bytes;
    bool m_heap = false;
};

} // namespace

// The sound is encoded beside the pictures: its encoder's failure still
// reaches the writer with its reason, by a later write or at the end.
TEST_F(ExporterTest, ASoundEncoderFailureReachesTheWriter)
{
    struct Case
    {
        int badFrom;  // the first sound frame the encoder can't take
        bool thenEnd; // the writer stops writing right after it
    };
    const Case cases[] = {{0, false}, {40, false}, {40, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.badFrom);
        SCOPED_TRACE(c.thenEnd);
        CFFExporter exporter;
        exporter.SetSettings(Settings("matroska", "mpeg4", "aac"));
        ASSERT_TRUE(exporter.Open(Out("sound-fails.mkv").c_str()));
        IEncodingMuxer* muxer = exporter.GetEncodingMuxer();
        ASSERT_NE(muxer, nullptr);
        ASSERT_TRUE(muxer->SetEncodingPass(1));
        std::unique_ptr<IAVSource, Released> source(manager->CreateSourceFromAddress(
            SolvaneTest::Media::Get().Clip().c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
        ASSERT_NE(source, nullptr);
        ASSERT_TRUE(muxer->BeginWriting());
        std::string failure;
        int sounds = 0;
        IRawAudioFrame* audio = nullptr;
        IRawVideoFrame* video = nullptr;
        void* other = nullptr;
        while (failure.empty() && source->ReadFrames(&audio, &video, &other, AVReadVideoOnly) && video) {
            if (!muxer->WriteVideo(exporter.VideoStreamId(), video)) {
                failure = SolvaneTest::LastMessage();
                break;
            }
            // Two sound frames (2 x 1024 samples at 44.1 kHz) per picture at 25 fps.
            for (int i = 0; i < 2 && failure.empty(); ++i, ++sounds) {
                const int format = sounds >= c.badFrom ? 99 : QUENTA_SAMPLE_S16;
                OwnSound sound(format, sounds * 1024LL * 10000000 / 44100);
                if (!muxer->WriteAudio(exporter.AudioStreamId(), &sound))
                    failure = SolvaneTest::LastMessage();
            }
            if (c.thenEnd && sounds > c.badFrom)
                break;
        }
        if (failure.empty()) {
            GetQuentaException()->Clear();
            muxer->EndWriting();
            failure = SolvaneTest::LastMessage();
        } else {
            muxer->EndWriting();
        }
        EXPECT_NE(failure.find("Bad audio format"), std::string::npos) << failure;
        exporter.Close();
    }
}

namespace {

// A packet the container refuses (a decoding time that goes back) is named
// by its stream and time, not only by the file.
TEST(CFFOutputFile, APacketTheContainerRefusesIsNamedByItsStreamAndTime)
{
    char tmpl[] = "/tmp/solvane-refused-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const std::string path = std::string(tmpl) + "/refused.mp4";
    std::string message;
    {
        Solvane::CFFOutputFile out(path, nullptr, "mp4", ".mp4");
        AVStream* st = out.AddStream();
        st->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
        st->codecpar->codec_id = AV_CODEC_ID_MPEG4;
        st->codecpar->width = 16;
        st->codecpar->height = 16;
        st->time_base = AVRational{1, 1000};
        out.Begin();
        auto write = [&](int64_t ms) {
            FF::PacketPtr p = FF::MakePacket();
            ASSERT_EQ(av_new_packet(p.get(), 4), 0);
            std::memset(p->data, 0, 4);
            p->pts = p->dts = ms;
            p->flags = AV_PKT_FLAG_KEY;
            out.Write(p.get(), AVRational{1, 1000});
        };
        write(40);
        try {
            write(20);
        } catch (const CBaseException& e) {
            message = e.GetMsg();
        }
        out.End(false);
    }
    EXPECT_NE(message.find("The mp4 container refused a picture at 20 ms for " + path), std::string::npos) << message;
    std::system(("rm -rf '" + std::string(tmpl) + "'").c_str());
}

} // namespace
