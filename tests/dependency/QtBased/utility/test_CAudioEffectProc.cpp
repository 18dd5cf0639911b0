// The audio effect chain's rules: thresholds, parameter texts, repositioning
// of the replacement track, and the order of its two forms.

#include "utility/CAudioEffectProc.h"
#include "EffectChainFakes.h"

#include <gtest/gtest.h>

using ChainTest::FakeManager;

namespace {

// A frame that only carries a time stamp: the fakes never read samples.
class StampFrame : public Moorland::IRawAudioFrame
{
public:
    int64_t t = 0;
    void Free() override {}
    Moorland::IRawAudioFrame* Clone() override { return this; }
    int GetSampleFormat() override { return 3; }
    int GetSampleRate() override { return 48000; }
    int GetChannels() override { return 2; }
    unsigned GetSampleCount() override { return 0; }
    unsigned GetBufferCount() override { return 0; }
    unsigned char* GetBuffer(unsigned, unsigned*) override { return nullptr; }
    int64_t GetTimeStamp() override { return t; }
    void SetTimeStamp(int64_t v) override { t = v; }
    int64_t GetDuration() override { return 0; }
};

std::vector<std::string> Calls(CAudioEffectProc& chain, FakeManager& m, int64_t t = 0)
{
    static StampFrame frame;
    frame.t = t;
    m.log.calls.clear();
    Moorland::IRawAudioFrame* f = &frame;
    chain.ProcFrameInPlace(f);
    return m.log.calls;
}

} // namespace

TEST(CAudioEffectProc, VolumeThresholds)
{
    struct Case
    {
        double volume;
        std::vector<std::string> calls;
    } cases[] = {
        {1.0, {}},
        {1.005, {}},
        {0.999, {"create audio_volume", "audio_volume.audio_volume=99", "audio_volume.inplace"}},
        {4.0, {"create audio_volume", "audio_volume.audio_volume=400", "audio_volume.inplace"}},
        {0.0, {"create audio_volume", "audio_volume.audio_volume=0", "audio_volume.inplace"}},
    };
    for (const Case& c : cases) {
        FakeManager m;
        CAudioEffectProc chain(&m);
        chain.SetVolume(c.volume);
        EXPECT_EQ(Calls(chain, m), c.calls) << c.volume;
    }
}

TEST(CAudioEffectProc, FadesSendTheirScales)
{
    FakeManager m;
    CAudioEffectProc chain(&m);
    chain.SetFadeIn(true, 100, 2000);
    chain.SetFadeOut(true, 5000, 1000);
    EXPECT_EQ(Calls(chain, m),
              (std::vector<std::string>{
                  "create audio_fader", "audio_fader.fader_start_time=100", "audio_fader.fader_duration=2000",
                  "audio_fader.fader_start_scale=0", "audio_fader.fader_end_scale=1.00", "audio_fader.inplace",
                  "create audio_fader", "audio_fader.fader_start_time=5000", "audio_fader.fader_duration=1000",
                  "audio_fader.fader_start_scale=1.00", "audio_fader.fader_end_scale=0", "audio_fader.inplace"}));
    m.log.calls.clear();
    chain.resetAuidoEffect();
    EXPECT_EQ(m.log.calls, (std::vector<std::string>{"release audio_fader", "release audio_fader"}));
}

TEST(CAudioEffectProc, ReplacementIsPlacedOnNewPathsAndJumps)
{
    FakeManager m;
    CAudioEffectProc chain(&m);
    chain.SetEnableReplace(true);
    EXPECT_TRUE(Calls(chain, m).empty()); // no path, no step
    chain.SetReplacePath("/m/song.mp3");
    chain.SetEnableLoop(true);
    EXPECT_EQ(Calls(chain, m, 10000000),
              (std::vector<std::string>{"create audio_replace", "audio_replace.audio_replace_path=/m/song.mp3",
                                        "audio_replace.audio_replace_loop=1", "audio_replace.time=10000000",
                                        "audio_replace.inplace"}));
    EXPECT_EQ(Calls(chain, m, 50000000), (std::vector<std::string>{"audio_replace.inplace"}));      // 4 s later
    EXPECT_EQ(Calls(chain, m, 110000000), (std::vector<std::string>{"audio_replace.time=110000000", // 6 s later
                                                                    "audio_replace.inplace"}));
    EXPECT_EQ(Calls(chain, m, 100000000), (std::vector<std::string>{"audio_replace.time=100000000", // backwards
                                                                    "audio_replace.inplace"}));
    // The loop switch alone is sent when it changes.
    chain.SetEnableLoop(false);
    EXPECT_EQ(Calls(chain, m, 100100000),
              (std::vector<std::string>{"audio_replace.audio_replace_loop=0", "audio_replace.inplace"}));
}

TEST(CAudioEffectProc, VolumeComesLastInPlaceAndFirstIntoANewFrame)
{
    FakeManager m;
    CAudioEffectProc chain(&m);
    chain.SetVolume(0.5);
    chain.SetEnableReplace(true);
    chain.SetReplacePath("/m/a.wav");
    std::vector<std::string> calls = Calls(chain, m);
    EXPECT_EQ(calls.back(), "audio_volume.inplace");
    m.log.calls.clear();
    StampFrame frame;
    Moorland::IRawAudioFrame* f = &frame;
    EXPECT_TRUE(chain.ProcFrame(f));
    EXPECT_EQ(m.log.calls.front(), "audio_volume.audio_volume=50");
    EXPECT_EQ(m.log.calls[1], "audio_volume.process");
    EXPECT_EQ(m.log.calls.back(), "audio_replace.inplace");
}

TEST(CAudioEffectProc, NoManagerSkipsEveryStep)
{
    CAudioEffectProc chain(nullptr);
    chain.SetVolume(0.5);
    StampFrame frame;
    Moorland::IRawAudioFrame* f = &frame;
    chain.ProcFrameInPlace(f);
    EXPECT_FALSE(chain.ProcFrame(f));
}
