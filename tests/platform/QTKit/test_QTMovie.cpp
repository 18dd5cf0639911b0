// The movie writer layer: header placement, track rules, channel layouts,
// repeated pictures and the failures a caller must be told about.
#include "MovieProbe.h"
#include "../../ProbeOutput.h"
#include "QTMovie.h"

#include <gtest/gtest.h>

#include <sched.h>

#include <cstdlib>
#include <string>
#include <vector>

using namespace QTKit;

namespace {

class QTMovieTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string tmpl = "/tmp/qtmovieXXXXXX";
        ASSERT_NE(nullptr, mkdtemp(&tmpl[0]));
        m_dir = tmpl;
    }
    void TearDown() override { std::system(("rm -rf '" + m_dir + "'").c_str()); }
    std::string Path(const std::string& name) const { return m_dir + "/" + name; }

    IQTMovie* Create(const std::string& name)
    {
        IQTMovie* movie = nullptr;
        char text[256];
        EXPECT_EQ(qtNoErr, QTCreateMovieFile(Path(name).c_str(), &movie, text, sizeof(text))) << text;
        return movie;
    }

    // A 160x120 RGB picture whose colour follows `n`.
    std::vector<unsigned char> Picture(unsigned n, unsigned w = 160, unsigned h = 120)
    {
        std::vector<unsigned char> rgb(size_t(w) * h * 3);
        for (unsigned y = 0; y < h; ++y)
            for (unsigned x = 0; x < w; ++x) {
                unsigned char* p = &rgb[(size_t(y) * w + x) * 3];
                p[0] = static_cast<unsigned char>(x + n * 7);
                p[1] = static_cast<unsigned char>(y * 2);
                p[2] = static_cast<unsigned char>(n * 20);
            }
        return rgb;
    }

    std::string m_dir;
};

} // namespace

TEST_F(QTMovieTest, HeaderStandsAheadOfTheMediaData)
{
    IQTMovie* movie = Create("a.mov");
    ASSERT_NE(movie, nullptr);
    ASSERT_EQ(qtNoErr, movie->NewVideoTrack("jpeg", 160, 120, 600, 24, 512));
    ASSERT_EQ(qtNoErr, movie->NewSoundTrack(48000, 2, qtLayoutStereo));
    std::vector<float> sound(2 * 1920, 0.25f);
    for (unsigned i = 0; i < 10; ++i) {
        std::vector<unsigned char> rgb = Picture(i);
        ASSERT_EQ(qtNoErr, movie->AddVideoSample(rgb.data(), 160, 120, 480, 1));
        ASSERT_EQ(qtNoErr, movie->AddSoundSamples(reinterpret_cast<unsigned char*>(sound.data()),
                                                  unsigned(sound.size() * 4), 1920));
    }
    uint64_t videoBytes = 0, soundBytes = 0;
    EXPECT_EQ(qtNoErr, movie->GetMediaDataSize(qtVideoTrack, &videoBytes));
    EXPECT_EQ(qtNoErr, movie->GetMediaDataSize(qtSoundTrack, &soundBytes));
    EXPECT_GT(videoBytes, 0u);
    EXPECT_EQ(soundBytes, 10u * 1920 * 8);
    ASSERT_EQ(qtNoErr, movie->Flatten()) << movie->GetErrorText();
    movie->Release();

    const std::vector<std::string> atoms = MovieProbe::TopAtoms(Path("a.mov"));
    size_t moov = atoms.size(), mdat = atoms.size();
    for (size_t i = 0; i < atoms.size(); ++i) {
        if (atoms[i] == "moov")
            moov = i;
        if (atoms[i] == "mdat")
            mdat = i;
    }
    ASSERT_LT(moov, atoms.size());
    ASSERT_LT(mdat, atoms.size());
    EXPECT_LT(moov, mdat);

    const auto streams = MovieProbe::Streams(Path("a.mov"));
    const MovieProbe::Stream* v = MovieProbe::Find(streams, "video");
    const MovieProbe::Stream* a = MovieProbe::Find(streams, "audio");
    ASSERT_TRUE(v && a);
    EXPECT_EQ(v->at("codec_tag_string"), "jpeg");
    EXPECT_EQ(v->at("time_base"), "1/600");
    EXPECT_EQ(MovieProbe::Num(*v, "duration_ts"), 240);
    EXPECT_EQ(a->at("codec_name"), "pcm_f32le");
    EXPECT_EQ(MovieProbe::Num(*a, "duration_ts"), 19200);
}

TEST_F(QTMovieTest, RepeatedPicturesBecomeSamplesAndACountOfZeroAddsNone)
{
    struct Case
    {
        const char* fourCC;
        bool identical; // intra-only: the repeats are the same sample
    };
    const Case cases[] = {{"png ", true}, {"apcn", true}, {"dvcp", true}, {"avc1", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fourCC);
        IQTMovie* movie = Create("dup.mov");
        ASSERT_NE(movie, nullptr);
        ASSERT_EQ(qtNoErr, movie->NewVideoTrack(c.fourCC, 160, 120, 600, 24, 512));
        std::vector<unsigned char> rgb = Picture(1);
        ASSERT_EQ(qtNoErr, movie->AddVideoSample(rgb.data(), 160, 120, 480, 3));
        ASSERT_EQ(qtNoErr, movie->AddVideoSample(rgb.data(), 160, 120, 480, 0));
        rgb = Picture(2);
        ASSERT_EQ(qtNoErr, movie->AddVideoSample(rgb.data(), 160, 120, 480, 1));
        ASSERT_EQ(qtNoErr, movie->Flatten()) << movie->GetErrorText();
        movie->Release();

        const std::vector<long> sizes = MovieProbe::VideoPacketSizes(Path("dup.mov"));
        ASSERT_EQ(sizes.size(), 4u);
        if (c.identical) {
            EXPECT_EQ(sizes[0], sizes[1]);
            EXPECT_EQ(sizes[1], sizes[2]);
        }
        const auto streams = MovieProbe::Streams(Path("dup.mov"));
        ASSERT_EQ(streams.size(), 1u);
        EXPECT_EQ(MovieProbe::Num(streams[0], "duration_ts"), 4 * 24);
        EXPECT_EQ(MovieProbe::Run("ffmpeg -nostdin -v error -i '" + Path("dup.mov") + "' -f null - 2>&1"), "");
    }
}

TEST_F(QTMovieTest, ChannelLayoutFollowsTheTag)
{
    struct Case
    {
        int channels;
        uint32_t tag;
        long written; // -1: no layout atom
    };
    const Case cases[] = {
        {1, qtLayoutMono, long(qtLayoutMono)},
        {2, qtLayoutStereo, long(qtLayoutStereo)},
        {6, qtLayoutMPEG_5_1_A, long(qtLayoutMPEG_5_1_A)},
        {4, 0, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.channels);
        const std::string name = "ch" + std::to_string(c.channels) + ".mov";
        IQTMovie* movie = Create(name);
        ASSERT_NE(movie, nullptr);
        ASSERT_EQ(qtNoErr, movie->NewSoundTrack(48000, c.channels, c.tag));
        std::vector<float> sound(size_t(c.channels) * 4800, 0.1f);
        ASSERT_EQ(qtNoErr, movie->AddSoundSamples(reinterpret_cast<unsigned char*>(sound.data()),
                                                  unsigned(sound.size() * 4), 4800));
        ASSERT_EQ(qtNoErr, movie->Flatten()) << movie->GetErrorText();
        movie->Release();
        EXPECT_EQ(MovieProbe::ChannelLayoutTag(Path(name)), c.written);
        const auto streams = MovieProbe::Streams(Path(name));
        const MovieProbe::Stream* a = MovieProbe::Find(streams, "audio");
        ASSERT_TRUE(a);
        EXPECT_EQ(MovieProbe::Num(*a, "channels"), c.channels);
        EXPECT_EQ(MovieProbe::Num(*a, "duration_ts"), 4800);
    }
}

TEST_F(QTMovieTest, FixedSizeFormatsKeepTheTrackShape)
{
    // DV PAL is always 720x576; a 4:3 track shows it at 4:3.
    IQTMovie* movie = Create("dv.mov");
    ASSERT_NE(movie, nullptr);
    ASSERT_EQ(qtNoErr, movie->NewVideoTrack("dvcp", 160, 120, 600, 24, 768)) << movie->GetErrorText();
    std::vector<unsigned char> rgb = Picture(0);
    ASSERT_EQ(qtNoErr, movie->AddVideoSample(rgb.data(), 160, 120, 480, 2));
    ASSERT_EQ(qtNoErr, movie->Flatten()) << movie->GetErrorText();
    movie->Release();
    const std::string out =
        MovieProbe::Run("ffprobe -v error -select_streams v:0 -show_entries stream=width,height,display_aspect_ratio,"
                        "codec_tag_string -of default=nw=1 '" +
                        Path("dv.mov") + "'");
    EXPECT_NE(out.find("width=720"), std::string::npos) << out;
    EXPECT_NE(out.find("height=576"), std::string::npos) << out;
    EXPECT_NE(out.find("display_aspect_ratio=4:3"), std::string::npos) << out;
    EXPECT_NE(out.find("codec_tag_string=dvcp"), std::string::npos) << out;
}

TEST_F(QTMovieTest, FixedFramesStateTheirPixelShapeAndFitThePicture)
{
    // On one processor, as a user may have it: the encoders then work with a
    // single coding context.
    cpu_set_t all, one;
    ASSERT_EQ(0, sched_getaffinity(0, sizeof(all), &all));
    CPU_ZERO(&one);
    for (int i = 0; i < CPU_SETSIZE; ++i) {
        if (CPU_ISSET(i, &all)) {
            CPU_SET(i, &one);
            break;
        }
    }
    ASSERT_EQ(0, sched_setaffinity(0, sizeof(one), &one));
    struct Restore
    {
        cpu_set_t set;
        ~Restore() { sched_setaffinity(0, sizeof(set), &set); }
    } restore{all};

    // A white picture of the given shape; where it lands in the coded frame
    // and the pixel shape the file states.
    struct Case
    {
        const char* fourCC;
        double shape;
        const char* sar;
        const char* fields;
        int pictureTop;                 // lines the format keeps above its picture
        unsigned width = 0, height = 0; // of the track; 0: 160 wide at the shape
    };
    const Case cases[] = {
        {"dvc ", 16.0 / 9.0, "32:27", "bb", 0},
        {"dvc ", 4.0 / 3.0, "8:9", "bb", 0},
        {"dvcp", 16.0 / 9.0, "64:45", "bb", 0},
        {"dvcp", 4.0 / 3.0, "16:15", "bb", 0},
        {"dvcp", 2.35, "64:45", "bb", 0},
        {"dv5p", 1.0, "16:15", "bb", 0},
        {"mx5p", 16.0 / 9.0, "64:45", "tt", 32},
        {"mx5p", 4.0 / 3.0, "16:15", "tt", 32},
        {"mx3n", 4.0 / 3.0, "8:9", "tt", 32},
        {"hdv3", 4.0 / 3.0, "4:3", "tt", 0},
        {"hdv3", 16.0 / 9.0, "4:3", "tt", 0},
        {"dvh6", 16.0 / 9.0, "3:2", "tt", 0},
        {"xdve", 4.0 / 3.0, "1:1", "progressive", 0},
        // A track of its own size keeps the pictures' pixels and states their shape.
        {"apcn", 16.0 / 9.0, "32:27", "progressive", 0, 720, 480},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.fourCC) + " at " + std::to_string(c.shape));
        const unsigned w = c.width ? c.width : 160, h = c.height ? c.height : unsigned(160 / c.shape) & ~1u;
        IQTMovie* movie = Create("fit.mov");
        ASSERT_NE(movie, nullptr);
        movie->SetPictureShape(c.shape);
        const bool pal = std::string(c.fourCC).find('p') != std::string::npos || c.fourCC[3] == '3';
        ASSERT_EQ(qtNoErr, movie->NewVideoTrack(c.fourCC, w, h, 600, pal ? 24 : 20, 768)) << movie->GetErrorText();
        std::vector<unsigned char> white(size_t(w) * h * 3, 255);
        ASSERT_EQ(qtNoErr, movie->AddVideoSample(white.data(), w, h, w * 3, 8)) << movie->GetErrorText();
        ASSERT_EQ(qtNoErr, movie->Flatten()) << movie->GetErrorText();
        movie->Release();
        const std::string out = Path("fit.mov");
        auto v = MediaTest::Probe(out, "v", "-show_entries stream=width,height,sample_aspect_ratio,field_order");
        EXPECT_EQ(v["sample_aspect_ratio"], c.sar);
        EXPECT_EQ(v["field_order"], c.fields);
        const int width = std::atoi(v["width"].c_str()), height = std::atoi(v["height"].c_str());
        const MediaTest::BrightArea area = MediaTest::MeasureBrightArea(out, Path("fit.gray"), width, height);
        ASSERT_GT(area.height, 0);
        EXPECT_NEAR(area.width * MediaTest::Ratio(c.sar) / area.height, c.shape, c.shape * 0.01)
            << area.width << "x" << area.height << " in " << width << "x" << height;
        EXPECT_GE(area.top, c.pictureTop);
        EXPECT_LE(area.height, height - c.pictureTop);
    }
}

TEST_F(QTMovieTest, OddSizesAreRoundedToWholeChromaBlocks)
{
    struct Case
    {
        const char* fourCC;
        unsigned width, height, codedW, codedH;
    };
    const Case cases[] = {
        {"avc1", 321, 241, 320, 240}, {"apcn", 321, 241, 320, 241}, {"png ", 321, 241, 321, 241},
        {"mp4v", 1, 1, 2, 2},         {"AVdn", 50, 30, 256, 120},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fourCC);
        IQTMovie* movie = Create("odd.mov");
        ASSERT_NE(movie, nullptr);
        ASSERT_EQ(qtNoErr, movie->NewVideoTrack(c.fourCC, c.width, c.height, 600, 24, 512)) << movie->GetErrorText();
        std::vector<unsigned char> rgb(size_t(c.width) * c.height * 3, 77);
        ASSERT_EQ(qtNoErr, movie->AddVideoSample(rgb.data(), c.width, c.height, c.width * 3, 2))
            << movie->GetErrorText();
        ASSERT_EQ(qtNoErr, movie->Flatten()) << movie->GetErrorText();
        movie->Release();
        const std::string out =
            MovieProbe::Run("ffprobe -v error -select_streams v:0 -show_entries stream=width,height,"
                            "sample_aspect_ratio -of default=nw=1 '" +
                            Path("odd.mov") + "'");
        EXPECT_NE(out.find("width=" + std::to_string(c.codedW) + "\n"), std::string::npos) << out;
        EXPECT_NE(out.find("height=" + std::to_string(c.codedH) + "\n"), std::string::npos) << out;
        if (std::abs(int(c.codedW) - int(c.width)) < 4 && std::abs(int(c.codedH) - int(c.height)) < 4) {
            // Rounding alone keeps square pixels.
            EXPECT_NE(out.find("sample_aspect_ratio=1:1"), std::string::npos) << out;
        }
    }
}

TEST_F(QTMovieTest, FailuresAreToldWithTheirReason)
{
    char text[256] = {0};
    QTCompressorInfo info{};
    EXPECT_EQ(qtNoCodecErr, QTFindImageCompressor("icod", &info, text, sizeof(text)));
    EXPECT_NE(std::string(text).find("'icod'"), std::string::npos) << text;
    EXPECT_EQ(qtNoCodecErr, QTFindImageCompressor("rle", &info, text, sizeof(text)));
    EXPECT_EQ(qtNoCodecErr, QTFindImageCompressor("zzzz", &info, text, sizeof(text)));
    ASSERT_EQ(qtNoErr, QTFindImageCompressor("hdv3", &info, text, sizeof(text)));
    EXPECT_STREQ(info.encoderName, "mpeg2video");
    EXPECT_EQ(info.codedWidth, 1440u);
    EXPECT_EQ(info.codedHeight, 1080u);

    IQTMovie* bad = nullptr;
    EXPECT_EQ(qtFileErr, QTCreateMovieFile(Path("missing/x.mov").c_str(), &bad, text, sizeof(text)));
    EXPECT_EQ(bad, nullptr);
    EXPECT_NE(std::string(text).find("missing/x.mov"), std::string::npos) << text;

    IQTMovie* movie = Create("e.mov");
    ASSERT_NE(movie, nullptr);
    EXPECT_EQ(qtNoTrackErr, movie->Flatten()); // nothing to write
    EXPECT_EQ(qtNoCodecErr, movie->NewVideoTrack("pxlt", 160, 120, 600, 24, 512));
    EXPECT_NE(std::string(movie->GetErrorText()).find("'pxlt'"), std::string::npos);
    EXPECT_EQ(qtParamErr, movie->NewVideoTrack("jpeg", 160, 120, 0, 1000, 512)); // no frame rate
    std::vector<unsigned char> rgb = Picture(0);
    EXPECT_EQ(qtNoTrackErr, movie->AddVideoSample(rgb.data(), 160, 120, 480, 1));
    ASSERT_EQ(qtNoErr, movie->NewVideoTrack("jpeg", 160, 120, 600, 24, 512));
    EXPECT_EQ(qtTrackOrderErr, movie->NewVideoTrack("jpeg", 160, 120, 600, 24, 512));
    EXPECT_EQ(qtParamErr, movie->AddVideoSample(rgb.data(), 160, 120, 100, 1)); // rows too short
    ASSERT_EQ(qtNoErr, movie->AddVideoSample(rgb.data(), 160, 120, 480, 1));
    // The header is out: a sound track can no longer join.
    EXPECT_EQ(qtTrackOrderErr, movie->NewSoundTrack(48000, 2, qtLayoutStereo));
    EXPECT_NE(std::string(movie->GetErrorText()).find("once samples"), std::string::npos);
    EXPECT_EQ(qtNoTrackErr, movie->AddSoundSamples(rgb.data(), 8, 1));
    ASSERT_EQ(qtNoErr, movie->Flatten()) << movie->GetErrorText();
    EXPECT_EQ(qtMovieDoneErr, movie->Flatten());
    EXPECT_EQ(qtMovieDoneErr, movie->AddVideoSample(rgb.data(), 160, 120, 480, 1));
    movie->Release();

    IQTMovie* sound = Create("s.mov");
    ASSERT_NE(sound, nullptr);
    EXPECT_EQ(qtParamErr, sound->NewSoundTrack(0, 2, qtLayoutStereo));
    ASSERT_EQ(qtNoErr, sound->NewSoundTrack(48000, 2, qtLayoutStereo));
    std::vector<float> samples(2 * 100, 0.f);
    // Fewer bytes than the count claims: refused, nothing read past the buffer.
    EXPECT_EQ(qtParamErr, sound->AddSoundSamples(reinterpret_cast<unsigned char*>(samples.data()),
                                                 unsigned(samples.size() * 4), 101));
    // Bytes past the whole sample frames are left out.
    EXPECT_EQ(qtNoErr, sound->AddSoundSamples(reinterpret_cast<unsigned char*>(samples.data()),
                                              unsigned(samples.size() * 4), 99));
    uint64_t bytes = 0;
    EXPECT_EQ(qtNoErr, sound->GetMediaDataSize(qtSoundTrack, &bytes));
    EXPECT_EQ(bytes, 99u * 8);
    EXPECT_EQ(qtNoTrackErr, sound->GetMediaDataSize(qtVideoTrack, &bytes));
    sound->Release(); // unflattened: released without a leak
}
