// Audio resampler: the movie writer's interleaved float at its own rate and
// channel count, with the duration of the input kept to the sample.
#include "Basilvo.h"
#include "Moorlan.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

using namespace Moorland;

namespace {

// An interleaved 16-bit sine of `samples` sample frames.
std::vector<int16_t> Sine(unsigned samples, int channels, int rate, unsigned offset)
{
    std::vector<int16_t> pcm(size_t(samples) * channels);
    for (unsigned i = 0; i < samples; ++i)
        for (int c = 0; c < channels; ++c)
            pcm[size_t(i) * channels + c] =
                static_cast<int16_t>(16000 * std::sin(2 * M_PI * 440.0 * (i + offset) / rate));
    return pcm;
}

} // namespace

TEST(MoorlanAudioResampler, KeepsTheDurationOfTheInput)
{
    struct Case
    {
        int inRate, inChannels, outRate, outChannels;
    };
    const Case cases[] = {
        {48000, 2, 44100, 2}, {44100, 2, 44100, 2}, {22050, 2, 44100, 2}, {48000, 1, 48000, 2}, {44100, 6, 48000, 2},
    };
    const unsigned kFrames = 12, kSamples = 1024;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.inRate) + "/" + std::to_string(c.inChannels) + " -> " +
                     std::to_string(c.outRate) + "/" + std::to_string(c.outChannels));
        IAudioResampler* rs = CreateAudioResampler(9, c.outRate, c.outChannels, 0, 0, 1, 1, 2);
        ASSERT_NE(rs, nullptr);
        IRawAudioFrameFiller* filler = CreateRawAudioFrameFiller();
        ASSERT_TRUE(filler->SetFormat(QUENTA_SAMPLE_S16, c.inRate, c.inChannels));
        uint64_t total = 0;
        int64_t firstTime = -1;
        for (unsigned f = 0; f < kFrames; ++f) {
            std::vector<int16_t> pcm = Sine(kSamples, c.inChannels, c.inRate, f * kSamples);
            ASSERT_TRUE(filler->SetBuffer(pcm.data(), static_cast<unsigned>(pcm.size() * 2)));
            const int64_t inTime = int64_t(f) * kSamples * 10000000 / c.inRate;
            filler->SetTimeStamp(inTime);
            IRawAudioFrame* out = rs->Convert(filler->GetFrame());
            ASSERT_NE(out, nullptr);
            EXPECT_EQ(out->GetSampleFormat(), 9);
            EXPECT_EQ(out->GetSampleRate(), c.outRate);
            EXPECT_EQ(out->GetChannels(), c.outChannels);
            unsigned size = 0;
            ASSERT_NE(out->GetBuffer(0, &size), nullptr);
            EXPECT_EQ(size, out->GetSampleCount() * 4u * c.outChannels);
            // Each frame starts no later than its input: held-back samples come first.
            EXPECT_LE(out->GetTimeStamp(), inTime);
            EXPECT_GE(out->GetTimeStamp(), inTime - 20000); // 2 ms of filter delay at most
            if (firstTime < 0)
                firstTime = out->GetTimeStamp();
            total += out->GetSampleCount();
        }
        IRawAudioFrame* tail = rs->Flush();
        ASSERT_NE(tail, nullptr);
        total += tail->GetSampleCount();
        const double expected = double(kFrames) * kSamples * c.outRate / c.inRate;
        EXPECT_NEAR(double(total), expected, 2.0);
        EXPECT_EQ(firstTime, 0);
        filler->Release();
        rs->Release();
    }
}

TEST(MoorlanAudioResampler, SamplesKeepTheirLevel)
{
    // A constant level stays that level in float: -16384 of 32768 is -0.5.
    IAudioResampler* rs = CreateAudioResampler(9, 44100, 2, 0, 0, 1, 1, 2);
    ASSERT_NE(rs, nullptr);
    IRawAudioFrameFiller* filler = CreateRawAudioFrameFiller(); // 16-bit, 44100 Hz, stereo
    std::vector<int16_t> pcm(2 * 256, -16384);
    ASSERT_TRUE(filler->SetBuffer(pcm.data(), static_cast<unsigned>(pcm.size() * 2)));
    IRawAudioFrame* out = rs->Convert(filler->GetFrame());
    ASSERT_NE(out, nullptr);
    ASSERT_EQ(out->GetSampleCount(), 256u);
    const float* samples = reinterpret_cast<const float*>(out->GetBuffer(0, nullptr));
    for (unsigned i = 0; i < 512; ++i)
        ASSERT_FLOAT_EQ(samples[i], -0.5f);
    IRawAudioFrame* copy = out->Clone();
    ASSERT_NE(copy, nullptr);
    rs->Release();
    EXPECT_EQ(copy->GetSampleCount(), 256u);
    EXPECT_FLOAT_EQ(reinterpret_cast<const float*>(copy->GetBuffer(0, nullptr))[7], -0.5f);
    copy->Free();
    filler->Release();
}

namespace {

// A frame that claims more samples than its buffer holds.
class LyingFrame : public IRawAudioFrame
{
public:
    void Free() override {}
    IRawAudioFrame* Clone() override { return nullptr; }
    int GetSampleFormat() override { return QUENTA_SAMPLE_S16; }
    int GetSampleRate() override { return 44100; }
    int GetChannels() override { return 2; }
    unsigned GetSampleCount() override { return 100000; }
    unsigned GetBufferCount() override { return 1; }
    unsigned char* GetBuffer(unsigned index, unsigned* size) override
    {
        if (size)
            *size = sizeof(m_bytes);
        return index == 0 ? m_bytes : nullptr;
    }
    int64_t GetTimeStamp() override { return 0; }
    void SetTimeStamp(int64_t) override {}
    int64_t GetDuration() override { return 0; }

private:
    unsigned char m_bytes[64] = {0};
};

} // namespace

TEST(MoorlanAudioResampler, FailuresReturnNullWithTheReasonRecorded)
{
    struct Case
    {
        int format, rate, channels;
    };
    const Case bad[] = {{0, 44100, 2}, {5, 44100, 2}, {99, 44100, 2}, {9, 0, 2}, {9, 44100, 0}, {9, 44100, 65}};
    for (const Case& c : bad) {
        GetQuentaException()->Clear();
        EXPECT_EQ(CreateAudioResampler(c.format, c.rate, c.channels, 0, 0, 1, 1, 2), nullptr);
        EXPECT_EQ(GetQuentaException()->GetExceptionCode(), 10021010);
    }

    IAudioResampler* rs = CreateAudioResampler(9, 44100, 2, 0, 0, 1, 1, 2);
    ASSERT_NE(rs, nullptr);
    GetQuentaException()->Clear();
    EXPECT_EQ(rs->Convert(nullptr), nullptr);
    EXPECT_EQ(GetQuentaException()->GetExceptionCode(), 10021003);
    LyingFrame lying;
    GetQuentaException()->Clear();
    EXPECT_EQ(rs->Convert(&lying), nullptr);
    EXPECT_EQ(GetQuentaException()->GetExceptionCode(), 10021017);
    rs->Release();
}

TEST(MoorlanAudioResampler, AFormatChangeLosesNoSamples)
{
    // Sound whose layout changes mid-stream (a new programme in a broadcast):
    // what the old conversion still held comes out before the new sound.
    struct Part
    {
        int rate, channels;
    };
    const Part parts[][2] = {
        {{44100, 2}, {48000, 1}},
        {{22050, 1}, {32000, 2}},
        {{48000, 2}, {48000, 6}},
    };
    const unsigned kFrames = 6, kSamples = 1024;
    const int kOutRate = 48000;
    for (const auto& change : parts) {
        SCOPED_TRACE(std::to_string(change[0].rate) + "/" + std::to_string(change[0].channels) + " then " +
                     std::to_string(change[1].rate) + "/" + std::to_string(change[1].channels));
        IAudioResampler* rs = CreateAudioResampler(9, kOutRate, 2, 0, 0, 1, 1, 2);
        ASSERT_NE(rs, nullptr);
        IRawAudioFrameFiller* filler = CreateRawAudioFrameFiller();
        uint64_t total = 0;
        int64_t inTime = 0, lastEnd = -1;
        double expected = 0;
        for (const Part& part : change) {
            ASSERT_TRUE(filler->SetFormat(QUENTA_SAMPLE_S16, part.rate, part.channels));
            for (unsigned f = 0; f < kFrames; ++f) {
                std::vector<int16_t> pcm = Sine(kSamples, part.channels, part.rate, f * kSamples);
                ASSERT_TRUE(filler->SetBuffer(pcm.data(), static_cast<unsigned>(pcm.size() * 2)));
                filler->SetTimeStamp(inTime);
                inTime += int64_t(kSamples) * 10000000 / part.rate;
                IRawAudioFrame* out = rs->Convert(filler->GetFrame());
                ASSERT_NE(out, nullptr);
                // Frames follow each other without a gap or an overlap (within a sample).
                if (lastEnd >= 0 && out->GetSampleCount() > 0)
                    EXPECT_NEAR(double(out->GetTimeStamp()), double(lastEnd), 10000000.0 / kOutRate);
                if (out->GetSampleCount() > 0)
                    lastEnd = out->GetTimeStamp() + out->GetDuration();
                total += out->GetSampleCount();
            }
            expected += double(kFrames) * kSamples * kOutRate / part.rate;
        }
        IRawAudioFrame* tail = rs->Flush();
        ASSERT_NE(tail, nullptr);
        total += tail->GetSampleCount();
        EXPECT_NEAR(double(total), expected, 1.0);
        filler->Release();
        rs->Release();
    }
}
