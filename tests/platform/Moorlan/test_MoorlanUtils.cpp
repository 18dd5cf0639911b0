// The small exports: bitrate suggestions, the memory copy, the frame fillers
// and the decoder queries.
#include "Basilvo.h"
#include "Moorlan.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <dlfcn.h>
#include <string>
#include <vector>

using namespace Moorland;

TEST(MoorlanUtils, BitrateCodeMap)
{
    struct Case
    {
        const char* codec;
        int w, h, code, kbits;
    };
    const Case cases[] = {
        {"h264", 1920, 1080, 2, 9950},
        {"H264", 1920, 1080, 2, 9950}, // names are matched without case
        {"h264", 1920, 1080, 1, 6200},
        {"h264", 1920, 1080, 0, 3750},
        {"h264", 1280, 720, 1, 2750},
        {"hevc", 1920, 1080, 1, 4050},
        {"mpeg2video", 720, 576, 1, 2750},
        {"mpeg4", 640, 480, 1, 1450},
        {"unknown-codec", 640, 480, 1, 1450}, // the middle of the table
        {nullptr, 640, 480, 1, 1450},
        {"h264", 16, 16, 0, 100}, // never below 100 kbit/s
        {"h264", 0, 1080, 2, 0},
        {"h264", 1920, -1, 2, 0},
        {"h264", 1920, 1080, 3, 0},
        {"h264", 1920, 1080, -1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.codec ? c.codec : "(null)") + " " + std::to_string(c.w) + "x" + std::to_string(c.h) +
                     " code " + std::to_string(c.code));
        EXPECT_EQ(MoorlandMapBitrateCode(c.codec, c.w, c.h, c.code), c.kbits);
    }
}

TEST(MoorlanUtils, MemCopyCopiesExactlyTheCount)
{
    std::vector<unsigned char> src(100), dst(100, 0xAA);
    for (size_t i = 0; i < src.size(); ++i)
        src[i] = static_cast<unsigned char>(i);
    MoorlandMemCopy(dst.data() + 10, src.data(), 50);
    for (size_t i = 0; i < dst.size(); ++i)
        EXPECT_EQ(dst[i], i >= 10 && i < 60 ? i - 10 : 0xAA) << i;
    MoorlandMemCopy(nullptr, nullptr, 0);
}

TEST(MoorlanUtils, VideoFillerWrapsTheCallersPixels)
{
    // The player turns a 32-bit image into a frame: (30, w, h, 1), plane 0 at w x 4.
    std::vector<unsigned char> bits(6 * 4 * 3, 7);
    IRawVideoFrameFiller* filler = CreateRawVideoFrameFiller();
    ASSERT_NE(filler, nullptr);
    EXPECT_EQ(filler->GetFrame(), nullptr);
    ASSERT_TRUE(filler->SetFormat(30, 6, 3, 1));
    ASSERT_TRUE(filler->SetPlane(0, bits.data(), 6 * 4));
    IRawVideoFrame* frame = filler->GetFrame();
    ASSERT_NE(frame, nullptr);
    unsigned w = 0, h = 0, lineBytes = 0, pitch = 0, rows = 0;
    frame->GetDimension(&w, &h);
    EXPECT_EQ(w, 6u);
    EXPECT_EQ(h, 3u);
    EXPECT_TRUE(frame->IsTopDown());
    EXPECT_EQ(frame->GetBuffer(0, &lineBytes, &pitch, &rows), bits.data());
    EXPECT_EQ(lineBytes, 24u);
    EXPECT_EQ(pitch, 24u);
    EXPECT_EQ(rows, 3u);
    EXPECT_EQ(frame->GetTotalSize(), 72u);

    // Refused: a plane past the layout, a pitch shorter than a line, an unknown layout.
    GetQuentaException()->Clear();
    EXPECT_FALSE(filler->SetPlane(1, bits.data(), 24));
    EXPECT_EQ(GetQuentaException()->GetExceptionCode(), 10021000);
    EXPECT_FALSE(filler->SetPlane(0, bits.data(), 23));
    EXPECT_EQ(GetQuentaException()->GetExceptionCode(), 10021010);
    EXPECT_FALSE(filler->SetFormat(16, 6, 3, 1));
    EXPECT_EQ(GetQuentaException()->GetExceptionCode(), 10021010);
    EXPECT_EQ(filler->GetFrame(), nullptr);
    filler->Release();
}

TEST(MoorlanUtils, AudioFillerWrapsTheCallersSamples)
{
    IRawAudioFrameFiller* filler = CreateRawAudioFrameFiller();
    ASSERT_NE(filler, nullptr);
    std::vector<unsigned char> pcm(4 * 100 + 3); // 100 stereo 16-bit frames and a stray tail
    ASSERT_TRUE(filler->SetBuffer(pcm.data(), static_cast<unsigned>(pcm.size())));
    filler->SetTimeStamp(123456);
    IRawAudioFrame* frame = filler->GetFrame();
    EXPECT_EQ(frame->GetSampleFormat(), QUENTA_SAMPLE_S16);
    EXPECT_EQ(frame->GetSampleRate(), 44100);
    EXPECT_EQ(frame->GetChannels(), 2);
    EXPECT_EQ(frame->GetSampleCount(), 100u);
    unsigned size = 0;
    EXPECT_EQ(frame->GetBuffer(0, &size), pcm.data());
    EXPECT_EQ(size, 400u);
    EXPECT_EQ(frame->GetTimeStamp(), 123456);
    EXPECT_EQ(frame->GetDuration(), 100 * 10000000LL / 44100);

    ASSERT_TRUE(filler->SetFormat(QUENTA_SAMPLE_FLT, 48000, 6));
    ASSERT_TRUE(filler->SetBuffer(pcm.data(), 24 * 10));
    EXPECT_EQ(filler->GetFrame()->GetSampleCount(), 10u);
    GetQuentaException()->Clear();
    EXPECT_FALSE(filler->SetFormat(QUENTA_SAMPLE_FLTP, 48000, 2)); // a filler wraps one buffer
    EXPECT_FALSE(filler->SetBuffer(nullptr, 10));
    EXPECT_EQ(GetQuentaException()->GetExceptionCode(), 10021003);
    filler->Release();
}

TEST(MoorlanUtils, OnlyTheSoftwareDecoderIsOffered)
{
    EXPECT_FALSE(can_use_intel_decoder());
    EXPECT_FALSE(can_use_coreavc_decoder());
    EXPECT_FALSE(can_use_dtvdvd_decoder());
}

TEST(MoorlanUtils, PluginResolvesTheFactoriesByName)
{
    // The movie writer plug-in loads the library from the program folder and
    // resolves both factories by their plain names, then calls them with its
    // fixed values and reads the results within the call.
    const std::string path = std::string(FABLECUT_BIN_DIR) + "/libMoorlan.so";
    void* lib = dlopen(path.c_str(), RTLD_LAZY);
    ASSERT_NE(lib, nullptr) << dlerror();
    using ConverterFactory = IImageConverter* (*)(unsigned, unsigned, unsigned, int);
    using ResamplerFactory = IAudioResampler* (*)(int, int, int, int, int, int, int, int);
    auto makeConverter = reinterpret_cast<ConverterFactory>(dlsym(lib, "CreateImageConverterEx"));
    auto makeResampler = reinterpret_cast<ResamplerFactory>(dlsym(lib, "CreateAudioResampler"));
    ASSERT_NE(makeConverter, nullptr);
    ASSERT_NE(makeResampler, nullptr);

    IImageConverter* cvt = makeConverter(2, 320, 240, 0);
    IAudioResampler* rs = makeResampler(9, 48000, 2, 0, 0, 1, 1, 2);
    dlclose(lib); // the programs link the library themselves, so it stays loaded
    ASSERT_NE(cvt, nullptr);
    ASSERT_NE(rs, nullptr);

    std::vector<unsigned char> y(640 * 480, 81), u(320 * 240, 90), v(320 * 240, 240);
    IRawVideoFrameFiller* filler = CreateRawVideoFrameFiller();
    ASSERT_TRUE(filler->SetFormat(0, 640, 480, 1));
    filler->SetPlane(0, y.data(), 640);
    filler->SetPlane(1, u.data(), 320);
    filler->SetPlane(2, v.data(), 320);
    filler->GetFrame()->SetDuplicatedCount(3, 0);
    IRawVideoFrame* rgb = cvt->Convert(filler->GetFrame());
    ASSERT_NE(rgb, nullptr);
    unsigned w = 0, h = 0, lineBytes = 0, pitch = 0, rows = 0;
    rgb->GetDimension(&w, &h);
    EXPECT_EQ(w, 320u);
    EXPECT_EQ(h, 240u);
    unsigned char* px = rgb->GetBuffer(0, &lineBytes, &pitch, &rows);
    ASSERT_NE(px, nullptr);
    EXPECT_EQ(lineBytes, 960u);
    // The writer takes total size / height as the row bytes of plane 0.
    EXPECT_EQ(rgb->GetTotalSize() / h, pitch);
    EXPECT_EQ(rgb->GetDuplicatedCount(nullptr), 3u);
    EXPECT_NEAR(px[0], 255, 4); // red first
    EXPECT_NEAR(px[2], 0, 4);
    filler->Release();
    cvt->Release();

    IRawAudioFrameFiller* audio = CreateRawAudioFrameFiller();
    std::vector<int16_t> pcm(2 * 480, 1000);
    ASSERT_TRUE(audio->SetFormat(QUENTA_SAMPLE_S16, 48000, 2));
    ASSERT_TRUE(audio->SetBuffer(pcm.data(), static_cast<unsigned>(pcm.size() * 2)));
    audio->SetTimeStamp(5000000);
    IRawAudioFrame* out = rs->Convert(audio->GetFrame());
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->GetSampleFormat(), 9);
    unsigned size = 0;
    ASSERT_NE(out->GetBuffer(0, &size), nullptr);
    EXPECT_EQ(size, 480u * 2 * 4);
    EXPECT_EQ(out->GetTimeStamp(), 5000000);
    audio->Release();
    rs->Release();
}
