// The exporter's write side: encoders by the profile's codec names into
// containers by format, checked with ffprobe; two passes; a copy of the
// compressed packets that keeps every byte; a refusing disk; a caller's
// output stream.

#include "CFFExporter.h"
#include "SolvaneTestMedia.h"
#include "../../ProbeOutput.h"

#include "ICompressedFrame.h"
#include "IRawAudioFrame.h"
#include "IRawVideoFrame.h"
#include "quenta_base_streams.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <sstream>
#include <sys/stat.h>

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
    template <typename T>
    void operator()(T* p) const
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

        auto v = Probe(Out(c.file), "v");
        EXPECT_EQ(v["codec_name"], c.videoName);
        EXPECT_EQ(v["width"], "320");
        EXPECT_EQ(v["height"], "240");
        EXPECT_EQ(v["r_frame_rate"], "25/1");
        EXPECT_EQ(v["nb_read_frames"], "50");
        EXPECT_NEAR(std::atof(v["duration"].c_str()), 2.0, 0.1);
        auto a = Probe(Out(c.file), "a");
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
    auto v = Probe(Out("small.mp4"), "v");
    EXPECT_EQ(v["width"], "160");
    EXPECT_EQ(v["height"], "120");
    EXPECT_EQ(v["r_frame_rate"], "25/2");
    EXPECT_EQ(v["nb_read_frames"], "25");
    EXPECT_EQ(Capture("ffprobe -v error -select_streams v:0 -show_entries stream=display_aspect_ratio -of csv=p=0 '" +
                      Out("small.mp4") + "'"),
              "16:9\n");
    EXPECT_TRUE(Probe(Out("small.mp4"), "a").count("codec_name") == 0);
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
    struct RestoreTmp {
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
        auto v = Probe(path, "v");
        EXPECT_EQ(v["nb_read_frames"], "50");
        EXPECT_EQ(Probe(path, "a")["codec_name"], "aac");
        EXPECT_EQ(Capture("ls '" + statsDir + "' | grep -c fablecut-2pass"), "0\n");
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
