// The plug-in object over the writer: settings taken from a profile, codec
// choice and its errors, statistics, and the writer's real results.
#include "COrlendar.h"
#include "COrlendarIMP.h"
#include "FakeProfile.h"
#include "MovieProbe.h"
#include "OrlendarScratch.h"
#include "OrlendarWriteJob.h"

#include "Basilvo/Basilvo.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace OrlendarTest;

namespace {

std::string LastError()
{
    return GetQuentaException()->GetExceptionMsg();
}

} // namespace

TEST(COrlendarIMP, ProfileInclusionReachesTheWriter)
{
    struct Case
    {
        int avInclude, writer;
    };
    // 3 and other values make no call: a fresh object keeps no inclusion.
    const Case cases[] = {{0, 3}, {1, 1}, {2, 2}, {3, 0}, {-1, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.avInclude);
        FakeProfile profile;
        profile.file.include = c.avInclude;
        COrlendarIMP imp;
        imp.SetProfile(&profile);
        EXPECT_EQ(imp.GetWriter()->GetAVInclude(), c.writer);
    }
}

TEST(COrlendarIMP, CodecChoiceAndItsErrors)
{
    struct Case
    {
        const char* codecName;
        const char* fourCC; // null: none in the profile
        bool byType;
        bool ok;
        const char* stored;
        const char* message;
    };
    const Case cases[] = {
        {"H.264", nullptr, true, true, "avc1", ""},
        {"h.264", nullptr, true, false, nullptr, "SetCodecByType is error"},
        {"", nullptr, true, false, nullptr, "Get NUll codecName form profile."},
        {"", "rle ", false, true, "rle ", ""},
        {"", "rle", false, false, nullptr, "SetCodecByName error"},
        {"", nullptr, false, false, nullptr, "Get NUll codecFourCC form profile"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.codecName) + "/" + (c.fourCC ? c.fourCC : "null"));
        FakeProfile profile;
        profile.video.SetCodecName(c.codecName);
        if (c.fourCC)
            profile.video.SetFourCC(c.fourCC);
        COrlendarIMP imp;
        imp.SetProfile(&profile);
        const bool ok = c.byType ? imp.SetCodecByType() : imp.SetCodecByName();
        EXPECT_EQ(ok, c.ok);
        if (c.ok) {
            EXPECT_STREQ(imp.GetWriter()->GetCodecName(), c.stored);
            EXPECT_EQ(GetQuentaException()->GetExceptionCode(), 0);
        } else {
            EXPECT_EQ(imp.GetWriter()->GetCodecName(), nullptr); // unchanged
            EXPECT_EQ(GetQuentaException()->GetExceptionCode(), 10021008);
            EXPECT_EQ(LastError(), c.message);
            int line = 0;
            EXPECT_NE(std::string(GetQuentaException()->GetExceptionSource(&line)).find("COrlendarIMP"),
                      std::string::npos);
        }
    }
    COrlendarIMP bare; // no profile at all
    EXPECT_FALSE(bare.SetCodecByName());
    EXPECT_EQ(LastError(), "Get NUll codecFourCC form profile");
}

TEST(COrlendarIMP, SettingsComeFromTheProfile)
{
    struct Case
    {
        int quality;
        unsigned value;
    };
    const Case qualities[] = {{1, 768}, {2, 512}, {3, 256}, {4, 768}, {0, 768}};
    for (const Case& c : qualities) {
        FakeProfile profile;
        profile.video.bitrate = c.quality;
        COrlendarIMP imp;
        imp.SetProfile(&profile);
        EXPECT_TRUE(imp.SetCodecQuality());
        EXPECT_EQ(imp.GetWriter()->GetCodecQualityValue(), c.value) << c.quality;
    }

    FakeProfile profile;
    profile.video.width = 320;
    profile.video.height = 180;
    profile.video.rate = 29.97;
    profile.audio.rate = 44100;
    profile.audio.channels = 6;
    COrlendarIMP imp;
    imp.SetProfile(&profile);
    imp.SetVideoDimension();
    imp.SetFrameRate();
    imp.SetSampleRate();
    imp.SetAudioChannel();
    imp.SetAudioCodec();
    profile.audio.codec = "changed"; // the writer keeps its own copy
    char path[] = "/tmp/x.mov";
    imp.SetFileName(path);
    std::memset(path, 'z', sizeof(path) - 1);
    const COrlendar* w = imp.GetWriter();
    EXPECT_EQ(w->GetImageWidth(), 320u);
    EXPECT_EQ(w->GetImageHeight(), 180u);
    EXPECT_FLOAT_EQ(w->GetFrameRate(), 29.97f);
    EXPECT_EQ(w->GetSampleRate(), 44100);
    EXPECT_EQ(w->GetChannel(), 6);
    EXPECT_STREQ(w->GetAudioCodecName(), "pcm_f32le");
    EXPECT_STREQ(w->GetFileName(), "/tmp/x.mov");
    EXPECT_TRUE(imp.SetEncodingPass(2));
    EXPECT_TRUE(imp.SetEncodingThreads(8));
}

namespace {
class COrlendarIMPWrite : public Scratch
{
};
} // namespace

TEST_F(COrlendarIMPWrite, StatisticsAndTheWritersRealResults)
{
    FakeProfile profile;
    profile.video.SetFourCC("jpeg");
    COrlendarIMP imp;
    imp.SetProfile(&profile);
    ASSERT_TRUE(imp.SetCodecByName());
    imp.SetVideoDimension();
    imp.SetFrameRate();
    imp.SetSampleRate();
    imp.SetAudioChannel();
    imp.SetCodecQuality();
    const std::string path = Path("imp.mov");
    imp.SetFileName(path.c_str());
    ASSERT_TRUE(imp.BeginWriting()) << LastError();

    Feeding f;
    f.seconds = 1;
    ASSERT_TRUE(Feed(
        f, [&](Moorland::IRawVideoFrame* v) { return imp.WriteVideo(7, v); },
        [&](Moorland::IRawAudioFrame* a) { return imp.WriteAudio(9, a); }));
    uint64_t bytes0 = 0, bytes1 = 0;
    uint32_t duration = 0;
    EXPECT_TRUE(imp.GetDataRateStats(0, &bytes0, &duration));
    EXPECT_TRUE(imp.GetDataRateStats(1, &bytes1, nullptr)); // no place for the duration
    EXPECT_EQ(bytes0, bytes1);                              // the total of both tracks, whatever the stream
    EXPECT_GT(bytes0, 48000u * 8);
    EXPECT_NEAR(double(duration), 980, 1);
    EXPECT_TRUE(imp.GetDataRateStats(0, nullptr, nullptr));

    ASSERT_TRUE(imp.EndWriting()) << LastError();
    // The kept size is cleared, the duration stays.
    EXPECT_TRUE(imp.GetDataRateStats(0, &bytes0, &duration));
    EXPECT_EQ(bytes0, 0u);
    EXPECT_NEAR(double(duration), 980, 1);
    const auto streams = MovieProbe::Streams(path);
    ASSERT_EQ(streams.size(), 2u);

    // A second EndWriting has no movie left to finish: reported, not hidden.
    EXPECT_FALSE(imp.EndWriting());
    EXPECT_NE(LastError().find("BeginWriting"), std::string::npos) << LastError();

    // A codec without a compressor fails BeginWriting itself.
    FakeProfile aic;
    aic.video.SetFourCC("icod");
    COrlendarIMP bad;
    bad.SetProfile(&aic);
    ASSERT_TRUE(bad.SetCodecByName());
    bad.SetVideoDimension();
    bad.SetFrameRate();
    bad.SetSampleRate();
    bad.SetAudioChannel();
    const std::string badPath = Path("aic.mov");
    bad.SetFileName(badPath.c_str());
    EXPECT_FALSE(bad.BeginWriting());
    EXPECT_NE(LastError().find("'icod'"), std::string::npos) << LastError();
}
