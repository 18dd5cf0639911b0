// The rules an output task applies to its working profile, on real profile
// objects and a device database that only counts its calls.

#include "OutputTask/OutputProfileRules.h"

#include "AppConfigure/CAppVariableInfo.h"
#include "IMirendo.h"
#include "IProfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

namespace {

// The settings object saves at exit: keep it out of the user's folders.
const bool kSandboxed = [] {
    static int argc = 1;
    static char name[] = "test_OutputProfileRules";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static QTemporaryDir dir;
    setenv("HOME", dir.path().toLocal8Bit().constData(), 1);
    setenv("XDG_DATA_HOME", (dir.path() + "/data").toLocal8Bit().constData(), 1);
    setenv("XDG_CONFIG_HOME", (dir.path() + "/config").toLocal8Bit().constData(), 1);
    return true;
}();

struct ProfileReleaser
{
    void operator()(IProfile* p) const { p->Release(); }
};
using ProfilePtr = std::unique_ptr<IProfile, ProfileReleaser>;

struct CountingMirendo : IMirendo
{
    int nCalls = 0;
    const TaskSourceInfo* pLastSource = nullptr;
    bool AdjustProfile(const TaskSourceInfo* pSource, IProfile*) override
    {
        ++nCalls;
        pLastSource = pSource;
        return true;
    }
    const char* GetAudioBitrateList(const char*, int, int, const char* sList) override { return sList; }
    void Release() override {}
};

ProfilePtr NewProfile(const char* sFormat, const char* sVideoCodec, const char* sAudioCodec, int nChannels)
{
    ProfilePtr p(CreateProfile());
    p->GetDesc()->SetFormatName(sFormat);
    p->GetVideoProfile()->SetCodecName(sVideoCodec);
    p->GetAudioProfile()->SetCodecName(sAudioCodec);
    p->GetAudioProfile()->SetChannels(nChannels);
    p->GetFileProfile()->SetFileExt(".mp4");
    return p;
}

TEST(OutputProfileRules, CodecsChannelsAndExportersForEveryTask)
{
    struct Case
    {
        const char* sFormat;
        const char* sVideo;
        const char* sAudio;
        int nChannels;
        const char* sExporter;
        const char* sWantVideo;
        const char* sWantAudio;
        int nWantChannels;
        const char* sWantExporter;
    };
    const Case cases[] = {
        {"MP4", "WVC1", "mp3", 6, "FFExporter", "wmv2", "mp3", 2, "FFExporter"},
        {"MP4", "wmv3", "AAC", 6, "FFExporter", "wmv2", "AAC", 6, "FFExporter"},
        {"MP4", "h264", "ac3", 6, "FFExporter", "h264", "ac3", 6, "FFExporter"},
        {"QuickTime Movie Format", "h264", "mp3", 6, "FFExporter", "h264", "mp3", 6, "QTExporter"},
        {"quicktime movie format", "h264", "mp3", 6, "FFExporter", "h264", "mp3", 2, "FFExporter"},
        {"WMV", "wmv2", "wmav3", 6, "WMVExporter", "wmv2", "wmav2", 2, "FFExporter"},
        {"Final Cut Pro", "prores_ks", "pcm_s16le", 6, "WMVExporter", "prores_ks", "pcm_s16le", 6, "QTExporter"},
        {"MP4", "h264", "mp3", 2, "wmvexporter", "h264", "mp3", 2, "wmvexporter"},
        {"MP4", "h264", "", 6, "FFExporter", "h264", "", 2, "FFExporter"},
    };
    for (const Case& c : cases) {
        ProfilePtr p = NewProfile(c.sFormat, c.sVideo, c.sAudio, c.nChannels);
        p->GetFileProfile()->SetExporter(c.sExporter);
        OutputProfileRules::AdjustParams(p.get());
        const std::string sCase = std::string(c.sFormat) + "/" + c.sVideo + "/" + c.sAudio;
        EXPECT_STREQ(p->GetVideoProfile()->GetCodecName(), c.sWantVideo) << sCase;
        EXPECT_STREQ(p->GetAudioProfile()->GetCodecName(), c.sWantAudio) << sCase;
        EXPECT_EQ(p->GetAudioProfile()->GetChannels(), c.nWantChannels) << sCase;
        EXPECT_STREQ(p->GetFileProfile()->GetExporter(), c.sWantExporter) << sCase;
    }
    OutputProfileRules::AdjustParams(nullptr);
}

TEST(OutputProfileRules, LosslessTakesTheSourceBitratesTrimModeAndFrameValues)
{
    CAppVariableInfo* pSettings = CAppVariableInfo::GetInstance();
    struct Case
    {
        const char* sFormat;
        int nMode;
        bool bTrimParams;
        int nModeAfter;
    };
    const Case cases[] = {
        {"MP4", 0, true, 0}, {"MP4", 1, false, 1}, {"MP4", 5, true, 0},  {"MP4", -1, true, 0},
        {"mkv", 0, true, 0}, {"MKV", 5, true, 0},  {"MKV", 1, false, 1},
    };
    for (const Case& c : cases) {
        pSettings->SetInfoValue("LosslessOutputMode", c.nMode);
        ProfilePtr p = NewProfile(c.sFormat, "h264", "aac", 2);
        p->GetParams()->SetInt("remux", 3);
        OutputProfileRules::AdjustForLossless(p.get(), true, 4999999, 192000, QStringList{"0", "25"});
        EXPECT_EQ(p->GetVideoProfile()->GetBitrate(), 4999) << c.sFormat << c.nMode;
        EXPECT_EQ(p->GetAudioProfile()->GetBitrate(), 192000);
        EXPECT_EQ(p->GetParams()->GetInt("AccurateTrimMode"), c.bTrimParams ? 1 : 0) << c.sFormat << c.nMode;
        EXPECT_EQ(p->GetParams()->GetInt("DecodeTimeBeforeTrimStart"), c.bTrimParams ? 10000 : 0);
        EXPECT_STREQ(p->GetParams()->GetString("FrameValueList"), "0,25");
        EXPECT_EQ(pSettings->GetInfoValue("LosslessOutputMode", 0).toInt(), c.nModeAfter) << c.nMode;
    }

    // Not lossless: the profile stays as it is.
    pSettings->SetInfoValue("LosslessOutputMode", 0);
    for (int nRemux : {1, 2, 4}) {
        ProfilePtr p = NewProfile("MP4", "h264", "aac", 2);
        p->GetVideoProfile()->SetBitrate(2500);
        p->GetParams()->SetInt("remux", nRemux);
        OutputProfileRules::AdjustForLossless(p.get(), true, 4999999, 192000, QStringList{"1"});
        EXPECT_EQ(p->GetVideoProfile()->GetBitrate(), 2500) << nRemux;
        EXPECT_FALSE(p->GetParams()->HasParam("FrameValueList")) << nRemux;
    }
    ProfilePtr p = NewProfile("MP4", "h264", "aac", 2);
    p->GetParams()->SetInt("remux", 3);
    OutputProfileRules::AdjustForLossless(p.get(), false, 4999999, 192000, QStringList{"1"});
    EXPECT_FALSE(p->GetParams()->HasParam("FrameValueList"));
}

TEST(OutputProfileRules, ConversionFillsTheFrameRateCutsIPodBitrateAndAsksTheDeviceDatabase)
{
    TaskSourceInfo known;
    known.nWidth = 320;
    known.nHeight = 240;
    known.dFrameRate = 25.0;
    TaskSourceInfo noPicture; // a first clip without a video stream
    TaskSourceInfo stillRate = known;
    stillRate.dFrameRate = 0.0;
    // Variable-rate sources report their average rate.
    TaskSourceInfo phone = known;
    phone.dFrameRate = 870451.0 / 14508;
    TaskSourceInfo uneven = known;
    uneven.dFrameRate = 29.87;
    TaskSourceInfo ntsc = known;
    ntsc.dFrameRate = static_cast<float>(30000) / static_cast<float>(1001);

    struct Case
    {
        const char* sFormat;
        double dRate;
        int nWidth;
        int nBitrate;
        const TaskSourceInfo* pSource;
        double dWantRate;
        int nWantBitrate;
        int nWantCalls;
    };
    const Case cases[] = {
        {"MP4", 0.0, 640, 1000, &known, 25.0, 1000, 1},
        {"MP4", 0.0, 640, 1000, &stillRate, 30.0, 1000, 1},
        {"MP4", 0.0, 640, 1000, &phone, 60.0, 1000, 1},
        {"MP4", 0.0, 640, 1000, &uneven, 30000.0 / 1001, 1000, 1},
        {"MP4", 0.0, 640, 1000, &ntsc, 30000.0 / 1001, 1000, 1},
        {"MP4", 24.0, 640, 1000, &phone, 24.0, 1000, 1},
        {"MP4", -1.0, 640, 1000, &known, -1.0, 1000, 1},
        {"iPod", 25.0, 640, 201, &known, 25.0, 1, 1},
        {"IPOD", 25.0, 640, 200, &known, 25.0, 200, 1},
        {"iPod", 25.0, -1, 1500, &known, 25.0, 1500, 1},
        {"iPod", 0.0, 640, 1500, &noPicture, 30.0, 1500, 0},
    };
    for (const Case& c : cases) {
        ProfilePtr p = NewProfile(c.sFormat, "h264", "aac", 2);
        p->GetVideoProfile()->SetFrameRate(c.dRate);
        p->GetVideoProfile()->SetWidth(c.nWidth);
        p->GetVideoProfile()->SetHeight(480);
        p->GetVideoProfile()->SetBitrate(c.nBitrate);
        CountingMirendo mirendo;
        OutputProfileRules::AdjustForConversion(p.get(), false, *c.pSource, &mirendo);
        EXPECT_EQ(p->GetVideoProfile()->GetFrameRate(), c.dWantRate) << c.sFormat << c.nBitrate;
        EXPECT_EQ(p->GetVideoProfile()->GetBitrate(), c.nWantBitrate) << c.sFormat << c.nBitrate;
        EXPECT_EQ(mirendo.nCalls, c.nWantCalls) << c.sFormat << c.nBitrate;
        if (mirendo.nCalls) {
            EXPECT_EQ(mirendo.pLastSource, c.pSource);
        }
    }

    // A lossless task is not converted.
    ProfilePtr p = NewProfile("iPod", "h264", "aac", 2);
    p->GetVideoProfile()->SetFrameRate(0.0);
    p->GetVideoProfile()->SetBitrate(1500);
    CountingMirendo mirendo;
    OutputProfileRules::AdjustForConversion(p.get(), true, known, &mirendo);
    EXPECT_EQ(p->GetVideoProfile()->GetFrameRate(), 0.0);
    EXPECT_EQ(p->GetVideoProfile()->GetBitrate(), 1500);
    EXPECT_EQ(mirendo.nCalls, 0);
}

TEST(OutputProfileRules, DestinationExtensionFollowsTheProfile)
{
    struct Case
    {
        const char* sExt;
        const char* sFormat;
        const char* sWant;
    };
    const Case cases[] = {
        {".mov", "QuickTime Movie Format", ".mov"},
        {".*", "mkv", ".mkv"},
        {".*", "MKV", ".mkv"},
        {".*", "MP4", ".avi"},
    };
    for (const Case& c : cases) {
        ProfilePtr p = NewProfile(c.sFormat, "h264", "aac", 2);
        p->GetFileProfile()->SetFileExt(c.sExt);
        EXPECT_EQ(OutputProfileRules::DestinationExtension(p.get(), ".avi"), QString(c.sWant)) << c.sExt << c.sFormat;
    }
    ProfilePtr p = NewProfile("MP4", "h264", "aac", 2);
    p->GetFileProfile()->SetFileExt(".*");
    EXPECT_EQ(OutputProfileRules::DestinationExtension(p.get(), QString()), QString())
        << "before a timeline is attached the source's extension is empty";
    EXPECT_TRUE(OutputProfileRules::DestinationExtension(nullptr, ".avi").isNull());
}

} // namespace
