#include "Basilvo/Basilvo.h"
#include "IMirendo.h"
#include "IProfile.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

struct Releaser
{
    void operator()(IMirendo* m) const { m->Release(); }
    void operator()(IProfile* p) const { p->Release(); }
};
using MirendoPtr = std::unique_ptr<IMirendo, Releaser>;
using ProfilePtr = std::unique_ptr<IProfile, Releaser>;

TaskSourceInfo Source(int w, int h, double fps, int rate = 48000, int ch = 2, int abr = 192000)
{
    TaskSourceInfo s;
    s.pszVideoCodec = "h264";
    s.pszAudioCodec = "aac";
    s.nWidth = w;
    s.nHeight = h;
    s.dFrameRate = fps;
    s.nVideoBitrate = 8000000;
    s.nAudioBitrate = abr;
    s.nSampleRate = rate;
    s.nChannels = ch;
    return s;
}

} // namespace

TEST(CMirendo, AudioBitrateListsFollowTheCodecRules)
{
    MirendoPtr m(CreateMirendo());
    ASSERT_TRUE(m);
    struct Case
    {
        const char* codec;
        int rate;
        int channels;
        const char* list;
        const char* expected;
    } cases[] = {
        // MPEG-1 layer III at 44.1 kHz: the standard set only.
        {"libmp3lame", 44100, 2, "64000,96000,100000,128000,192000,320000,384000", "64000,96000,128000,192000,320000"},
        {"MP3", 22050, 2, "32000,64000,128000,192000", "32000,64000,128000"}, // MPEG-2: up to 160k
        {"mp3", 44100, 2, "",
         "32000,40000,48000,56000,64000,80000,96000,112000,128000,160000,192000,224000,256000,320000"},
        {"aac", 8000, 1, "16000,32000,64000,96000", "16000,32000"}, // 6144 bits a frame: 48k
        {"aac", 48000, 2, "64000,128000,256000", "64000,128000,256000"},
        {"ac3", 48000, 6, "64000,192000,448000,450000", "192000,448000"},
        {"amr_nb", 8000, 1, "4750,12200,13000", "4750,12200"},
        {"pcm_s16le", 48000, 2, "1536000,x", "1536000,x"}, // no rules: unchanged
        {"flac", 44100, 2, nullptr, ""},
        {"mp3", 44100, 2, "500000,600000", "320000"}, // nothing fits: nearest below
        {"amr_wb", 16000, 1, "1000", "6600"},         // nothing below: the least
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.codec) + " " + std::to_string(c.rate) + " " + (c.list ? c.list : "null"));
        const char* answer = m->GetAudioBitrateList(c.codec, c.rate, c.channels, c.list);
        ASSERT_NE(nullptr, answer);
        EXPECT_STREQ(c.expected, answer);
    }
}

namespace {

struct FitCase
{
    const char* what;
    const char* device;
    const char* vcodec;
    int width, height;
    double fps;
    const char* acodec;
    int channels, rate, abitrate;
    TaskSourceInfo src;
    int wantWidth, wantHeight;
    double wantFps;
    int wantChannels, wantRate, wantABitrate;
};

} // namespace

TEST(CMirendo, AdjustFitsProfilesToSourceDeviceAndCodec)
{
    const double ntsc = 30000.0 / 1001;
    FitCase cases[] = {
        {"auto size within an iPod classic", "ipod-classic", "h264", -1, -1, -1, "aac", 2, 44100, 128000,
         Source(1920, 1080, 59.94), 640, 360, 30, 2, 44100, 128000},
        {"original kept when the source fits", "iphone", "h264", 0, 0, 0, "aac", 0, 0, 0,
         Source(1280, 720, 25, 44100, 2, 160000), 0, 0, 0, 2, 44100, 160000},
        {"original scaled down for a PSP", "psp", "h264", 0, 0, 0, "aac", 2, 48000, 128000, Source(1920, 1080, 25), 480,
         270, 0, 2, 48000, 128000},
        {"explicit odd size made even", "", "libx264", 641, 481, 25, "aac", 2, 48000, 128000, Source(640, 480, 25), 640,
         480, 25, 2, 48000, 128000},
        {"H.263 snaps to a CIF size", "", "h263", -1, -1, -1, "amr_nb", 0, 0, 0, Source(640, 480, 25, 44100, 2, 128000),
         352, 288, 25, 1, 8000, 12200},
        {"DV follows the source's rate", "", "dvvideo", -1, -1, -1, "pcm_s16le", 2, 48000, 0, Source(1280, 720, ntsc),
         720, 480, ntsc, 2, 48000, 0},
        {"DVCPRO HD keeps its frame", "", "dvvideo", 1440, 1080, 25, "pcm_s16le", 2, 48000, 0, Source(1920, 1080, 25),
         1440, 1080, 25, 2, 48000, 0},
        {"MPEG-2 takes a broadcast rate", "", "mpeg2video", 720, 576, 0, "mp2", 6, 44100, 200000, Source(720, 576, 15),
         720, 576, 24000.0 / 1001, 2, 44100, 192000},
        {"a typed NTSC rate becomes exact", "", "h264", 1280, 720, 29.97, "aac", 2, 48000, 128000,
         Source(1280, 720, 25), 1280, 720, ntsc, 2, 48000, 128000},
        {"MP3 keeps two channels at most", "", "h264", 0, 0, 0, "mp3", 0, 0, 0, Source(1280, 720, 25, 48000, 6, 448000),
         0, 0, 0, 2, 48000, 320000},
    };
    MirendoPtr m(CreateMirendo());
    for (const FitCase& c : cases) {
        SCOPED_TRACE(c.what);
        ProfilePtr p(CreateProfile());
        if (*c.device)
            p->GetParams()->SetString("Device", c.device);
        IVideoProfile* v = p->GetVideoProfile();
        v->SetCodecName(c.vcodec);
        v->SetWidth(c.width);
        v->SetHeight(c.height);
        v->SetFrameRate(c.fps);
        IAudioProfile* a = p->GetAudioProfile();
        a->SetCodecName(c.acodec);
        a->SetChannels(c.channels);
        a->SetSampleRate(c.rate);
        a->SetBitrate(c.abitrate);
        ASSERT_TRUE(m->AdjustProfile(&c.src, p.get()));
        EXPECT_EQ(c.wantWidth, v->GetWidth());
        EXPECT_EQ(c.wantHeight, v->GetHeight());
        EXPECT_DOUBLE_EQ(c.wantFps, v->GetFrameRate());
        EXPECT_EQ(c.wantChannels, a->GetChannels());
        EXPECT_EQ(c.wantRate, a->GetSampleRate());
        EXPECT_EQ(c.wantABitrate, a->GetBitrate());
    }
}

TEST(CMirendo, AdjustLeavesRemuxProfilesAndCapsDeviceBitrates)
{
    MirendoPtr m(CreateMirendo());
    TaskSourceInfo src = Source(1920, 1080, 25);

    ProfilePtr remux(CreateProfile());
    remux->GetFileProfile()->SetRemux(1);
    remux->GetVideoProfile()->SetWidth(-1);
    ASSERT_TRUE(m->AdjustProfile(&src, remux.get()));
    EXPECT_EQ(-1, remux->GetVideoProfile()->GetWidth());

    ProfilePtr psp(CreateProfile());
    psp->GetParams()->SetString("Device", "psp");
    psp->GetVideoProfile()->SetCodecName("h264");
    psp->GetVideoProfile()->SetBitrate(5000);
    ASSERT_TRUE(m->AdjustProfile(&src, psp.get()));
    EXPECT_EQ(768, psp->GetVideoProfile()->GetBitrate());
    psp->GetVideoProfile()->SetBitrate(2); // a quality code is not kbit/s
    ASSERT_TRUE(m->AdjustProfile(&src, psp.get()));
    EXPECT_EQ(2, psp->GetVideoProfile()->GetBitrate());

    // DNxHD takes fixed bitrates per frame size; codes and odd values map to them.
    struct Dnx
    {
        int width, height, bitrate, expected;
    } dnx[] = {{1920, 1080, 1, 220000}, {1920, 1080, 2, 145000}, {1920, 1080, 100000, 90000},
               {1920, 1080, 0, 145000}, {1280, 720, 3, 60000},   {1280, 720, 145000, 145000}};
    for (const Dnx& d : dnx) {
        ProfilePtr p(CreateProfile());
        p->GetVideoProfile()->SetCodecName("dnxhd");
        p->GetVideoProfile()->SetWidth(d.width);
        p->GetVideoProfile()->SetHeight(d.height);
        p->GetVideoProfile()->SetBitrate(d.bitrate);
        ASSERT_TRUE(m->AdjustProfile(&src, p.get()));
        EXPECT_EQ(d.expected, p->GetVideoProfile()->GetBitrate()) << d.width << " " << d.bitrate;
    }

    // Audio only: the picture is not touched.
    ProfilePtr audioOnly(CreateProfile());
    audioOnly->GetFileProfile()->SetAVInclude(1);
    audioOnly->GetVideoProfile()->SetWidth(-1);
    ASSERT_TRUE(m->AdjustProfile(&src, audioOnly.get()));
    EXPECT_EQ(-1, audioOnly->GetVideoProfile()->GetWidth());

    GetQuentaException()->Clear();
    EXPECT_FALSE(m->AdjustProfile(nullptr, psp.get()));
    EXPECT_EQ(10021003, GetQuentaException()->GetExceptionCode());
    EXPECT_FALSE(m->AdjustProfile(&src, nullptr));
}

// H.264 and HEVC profiles pin a level; a decoder of that level plays no
// bigger picture and no more pictures a second. The rate gives way first,
// then the size, which keeps its shape.
TEST(CMirendo, AdjustKeepsWithinTheProfilesLevel)
{
    const double ntsc = 30000.0 / 1001;
    struct Case
    {
        const char* what;
        const char* codec;
        const char* level;
        int width, height;
        TaskSourceInfo src;
        int wantWidth, wantHeight; // 0: only the limits are checked
        double wantFps;
        double unitsPerSecond, unitsPerFrame; // the level's limits
        bool macroblocks;
    } cases[] = {
        {"1080p59.94 at 4.1 halves its rate", "h264", "4.1", 1920, 1080, Source(1920, 1080, 59.94), 1920, 1080, ntsc,
         245760, 8192, true},
        {"1080p50 at 41 halves its rate", "h264", "41", -1, -1, Source(1920, 1080, 50), 1920, 1080, 25, 245760, 8192,
         true},
        {"1080p25 fits 4.1 as it is", "h264", "4.1", 1920, 1080, Source(1920, 1080, 25), 1920, 1080, 25, 245760, 8192,
         true},
        {"720p59.94 at 3.1 halves its rate", "h264", "3.1", 1280, 720, Source(1280, 720, 59.94), 1280, 720, ntsc,
         108000, 3600, true},
        {"1080p at 3.0 shrinks too", "h264", "3.0", -1, -1, Source(1920, 1080, 59.94), 0, 0, ntsc, 40500, 1620, true},
        {"2160p60 HEVC at 4.1", "hevc", "4.1", -1, -1, Source(3840, 2160, 60), 0, 0, 60, 133693440, 2228224, false},
        {"no level: nothing changes", "h264", "", 1920, 1080, Source(1920, 1080, 59.94), 1920, 1080, 60000.0 / 1001, 0,
         0, true},
    };
    MirendoPtr m(CreateMirendo());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ProfilePtr p(CreateProfile());
        if (*c.level)
            p->GetParams()->SetString("ff:video:level", c.level);
        IVideoProfile* v = p->GetVideoProfile();
        v->SetCodecName(c.codec);
        v->SetWidth(c.width);
        v->SetHeight(c.height);
        v->SetFrameRate(0);
        ASSERT_TRUE(m->AdjustProfile(&c.src, p.get()));
        const int w = v->GetWidth(), h = v->GetHeight();
        // 0 keeps the source's rate.
        const double fps = v->GetFrameRate() == 0 ? c.src.dFrameRate : v->GetFrameRate();
        EXPECT_NEAR(c.wantFps, fps, 0.001);
        if (c.wantWidth) {
            EXPECT_EQ(c.wantWidth, w);
            EXPECT_EQ(c.wantHeight, h);
        }
        if (c.unitsPerFrame > 0) {
            const double units = c.macroblocks ? double((w + 15) / 16) * ((h + 15) / 16) : double(w) * h;
            EXPECT_LE(units, c.unitsPerFrame) << w << "x" << h;
            EXPECT_LE(units * fps, c.unitsPerSecond) << w << "x" << h << " at " << fps;
            EXPECT_NEAR(double(c.src.nWidth) / c.src.nHeight, double(w) / h, 0.02) << w << "x" << h;
            EXPECT_EQ(0, w % 2);
            EXPECT_EQ(0, h % 2);
        }
    }
}

// The channel rules keep 5.1 for AC-3 and AAC; a source with fewer channels
// is not spread over them.
TEST(CMirendo, AdjustSpreadsNoStereoSourceOverSurround)
{
    MirendoPtr m(CreateMirendo());
    for (int source : {1, 2, 6}) {
        SCOPED_TRACE(source);
        ProfilePtr p(CreateProfile());
        p->GetFileProfile()->SetAVInclude(1);
        p->GetAudioProfile()->SetCodecName("ac3");
        p->GetAudioProfile()->SetChannels(6);
        p->GetAudioProfile()->SetSampleRate(48000);
        p->GetAudioProfile()->SetBitrate(448000);
        TaskSourceInfo src = Source(0, 0, 0, 48000, source);
        ASSERT_TRUE(m->AdjustProfile(&src, p.get()));
        EXPECT_EQ(source, p->GetAudioProfile()->GetChannels());
    }
}
