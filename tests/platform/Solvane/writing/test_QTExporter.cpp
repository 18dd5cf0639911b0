// "QTExporter" as the worker meets it: made by the media manager by name,
// opened on a job profile of the QuickTime format and fed the raw frames of a
// source; the movie written by the QuickTime plug-in is read back with
// ffprobe. A codec the plug-in can't make fails the writing with the
// plug-in's own text, and no movie is left behind as finished; so does a
// disk that refuses the data midway.

#include "../SolvaneTestFrames.h"

#include "Basilvo/Basilvo.h"
#include "IAVExporter.h"
#include "IAVManager.h"
#include "IAVSource.h"
#include "IProfile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <sstream>
#include <string>

using namespace Moorland;

namespace {

using SolvaneTest::Released;

std::string Capture(const std::string& command)
{
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p)
        return out;
    char buffer[512];
    while (fgets(buffer, sizeof buffer, p))
        out += buffer;
    pclose(p);
    return out;
}

// "key=value" lines of ffprobe for the first stream of a kind.
std::map<std::string, std::string> Probe(const std::string& path, const char* kind)
{
    std::map<std::string, std::string> values;
    std::istringstream lines(Capture(std::string("ffprobe -v error -select_streams ") + kind +
                                     ":0 -show_entries stream=codec_name,codec_tag_string,width,height,"
                                     "sample_rate,channels,duration -of default=nw=1 '" +
                                     path + "'"));
    std::string line;
    while (std::getline(lines, line)) {
        const auto eq = line.find('=');
        if (eq != std::string::npos)
            values[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return values;
}

bool Exists(const std::string& path)
{
    struct stat st
    {
    };
    return stat(path.c_str(), &st) == 0;
}

class QTExporterTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        char tmpl[] = "/tmp/qtexporter-test-XXXXXX";
        if (!mkdtemp(tmpl))
            return;
        s_dir = tmpl;
        // 160x120 at 25 fps and stereo sound, 2 s.
        s_ok = std::system(("ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=160x120:rate=25:duration=2 "
                            "-f lavfi -i sine=frequency=440:sample_rate=48000:duration=2 -ac 2 "
                            "-c:v mpeg4 -q:v 4 -c:a pcm_s16le '" +
                            s_dir + "/src.mkv'")
                               .c_str()) == 0;
    }
    static void TearDownTestSuite()
    {
        if (!s_dir.empty())
            std::system(("rm -rf '" + s_dir + "'").c_str());
        s_dir.clear();
    }

    void SetUp() override
    {
        ASSERT_TRUE(s_ok) << "ffmpeg could not make the test source";
        ASSERT_NE(manager, nullptr);
        ASSERT_NE(profile, nullptr);
        profile->GetDesc()->SetFormatName("QuickTime Movie Format");
        profile->GetFileProfile()->SetFileExt(".mov");
        profile->GetFileProfile()->SetExporter("QTExporter");
        profile->GetFileProfile()->SetAVInclude(0);
        IVideoProfile* video = profile->GetVideoProfile();
        video->SetWidth(160);
        video->SetHeight(120);
        video->SetFrameRate(25.0);
        video->SetBitrate(1); // quality: high
        IAudioProfile* audio = profile->GetAudioProfile();
        audio->SetCodecName("pcm_f32le");
        audio->SetSampleRate(48000);
        audio->SetChannels(2);
    }

    // Writes the source through the exporter the manager makes by name; the
    // first failure's text, or "" when every call succeeded.
    std::string Export(const std::string& out)
    {
        const std::string fail = "failed with no recorded reason";
        auto last = [&] {
            const char* msg = GetQuentaException()->GetExceptionMsg();
            return std::string(msg && *msg ? msg : fail.c_str());
        };
        GetQuentaException()->Clear();
        std::unique_ptr<IAVExporter, Released> exporter(manager->CreateExporterByName("QTExporter"));
        if (!exporter)
            return last();
        if (!exporter->SetProfile(profile.get()) || !exporter->Open(out.c_str()))
            return last();
        MovieInfo* info = exporter->GetOutputMovieInfo();
        int videoId = -1, audioId = -1;
        for (uint32_t i = 0; info && i < info->streamCount; ++i) {
            if (info->streams[i].type == StreamTypeVideo)
                videoId = info->streams[i].id;
            if (info->streams[i].type == StreamTypeAudio)
                audioId = info->streams[i].id;
        }
        if (videoId < 0 || audioId < 0)
            return "the exporter describes no picture and sound tracks";
        IEncodingMuxer* muxer = exporter->GetEncodingMuxer();
        if (!muxer || !muxer->SetEncodingPass(1))
            return last();
        std::unique_ptr<IAVSource, Released> source(manager->CreateSourceFromAddress(
            (s_dir + "/src.mkv").c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
        if (!source)
            return last();
        if (!muxer->BeginWriting())
            return last();
        IRawAudioFrame* audio = nullptr;
        IRawVideoFrame* video = nullptr;
        void* other = nullptr;
        while (source->ReadFrames(&audio, &video, &other, AVReadBoth)) {
            if (video && !muxer->WriteVideo(videoId, video))
                return last();
            if (audio && !muxer->WriteAudio(audioId, audio))
                return last();
        }
        if (GetQuentaException()->GetExceptionCode() != 0)
            return "the source failed: " + last();
        uint64_t bytes = 0;
        muxer->GetDataRateStats(audioId, &bytes, nullptr); // the worker's call: no place for the time
        if (bytes == 0)
            return "the writer reports no bytes written";
        GetQuentaException()->Clear();
        muxer->EndWriting();
        if (GetQuentaException()->GetExceptionCode() != 0)
            return last();
        exporter->Close();
        return "";
    }

    std::unique_ptr<IAVManager, Released> manager{CreateAVManager("/tmp/", nullptr)};
    std::unique_ptr<IProfile, Released> profile{CreateProfile()};
    static std::string s_dir;
    static bool s_ok;
};

std::string QTExporterTest::s_dir;
bool QTExporterTest::s_ok = false;

TEST_F(QTExporterTest, TheManagerListsIt)
{
    ASSERT_EQ(manager->GetExporterCount(), 2u);
    EXPECT_STREQ(manager->GetExporterNameAt(1), "QTExporter");
}

TEST_F(QTExporterTest, WritesAQuickTimeMovieWithTheProfilesCodecAndFloatSound)
{
    const struct
    {
        const char* fourCC;
        const char* codec;
    } cases[] = {{"apcn", "prores"}, {"png ", "png"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fourCC);
        profile->GetVideoProfile()->SetFourCC(c.fourCC);
        const std::string out = s_dir + "/out-" + c.codec + ".mov";
        ASSERT_EQ(Export(out), "");

        auto video = Probe(out, "v");
        EXPECT_EQ(video["codec_tag_string"], c.fourCC);
        EXPECT_EQ(video["codec_name"], c.codec);
        EXPECT_EQ(video["width"], "160");
        EXPECT_EQ(video["height"], "120");
        EXPECT_NEAR(std::atof(video["duration"].c_str()), 2.0, 0.04) << "one frame at 25 fps";

        auto audio = Probe(out, "a");
        EXPECT_EQ(audio["codec_name"], "pcm_f32le");
        EXPECT_EQ(audio["sample_rate"], "48000");
        EXPECT_EQ(audio["channels"], "2");
        EXPECT_NEAR(std::atof(audio["duration"].c_str()), 2.0, 0.04);
    }
}

TEST_F(QTExporterTest, ACodecThePluginCantMakeFailsWithThePluginsText)
{
    profile->GetVideoProfile()->SetFourCC("icod");
    const std::string out = s_dir + "/icod.mov";
    const std::string error = Export(out);
    EXPECT_NE(error.find("no image compressor for FourCC"), std::string::npos) << error;
    EXPECT_NE(error.find("icod"), std::string::npos) << error;
    EXPECT_NE(GetQuentaException()->GetExceptionCode(), 0);
    EXPECT_FALSE(Exists(out)) << "no movie may be left as if written";
}

TEST_F(QTExporterTest, AFourCCOutsideThePluginsTableFailsBeforeAnyFrame)
{
    profile->GetVideoProfile()->SetFourCC("zzzz");
    const std::string error = Export(s_dir + "/zzzz.mov");
    EXPECT_EQ(error, "SetCodecByName error");
}

// A disk that takes the file but not its data: the writing fails midway
// with the plug-in's reason, and the writer it leaves is dropped, not finished.
TEST_F(QTExporterTest, ADiskThatRefusesTheDataFailsTheWritingWithThePluginsText)
{
    const std::string disk = s_dir + "/small-disk";
    ASSERT_EQ(::mkdir(disk.c_str(), 0700), 0);
    if (std::system(("mount -t tmpfs -o size=16k tmpfs '" + disk + "' 2>/dev/null").c_str()) != 0) {
        ::rmdir(disk.c_str());
        GTEST_SKIP() << "no tmpfs can be mounted here";
    }
    profile->GetVideoProfile()->SetFourCC("png ");
    const std::string error = Export(disk + "/full.mov");
    std::system(("umount '" + disk + "'").c_str());
    EXPECT_NE(error.find("No space left on device"), std::string::npos) << error;
    EXPECT_NE(GetQuentaException()->GetExceptionCode(), 0);
}

// A device or a pipe is no movie file: refused before anything is written.
TEST_F(QTExporterTest, AnOutputThatIsNoRegularFileIsRefused)
{
    profile->GetVideoProfile()->SetFourCC("png ");
    EXPECT_EQ(Export("/dev/full"), "file_create failed");
}

} // namespace
