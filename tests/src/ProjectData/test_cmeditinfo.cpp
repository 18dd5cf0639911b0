#include "ProjectData/cmeditinfo.h"

#include <gtest/gtest.h>

using namespace Fablecut;

TEST(CMEditInfo, DefaultsAreTheDocumentedOnes)
{
    CM3DEffectInfo d3;
    EXPECT_FALSE(d3.Enable3DEffect());
    EXPECT_EQ(E3DRedBlue, d3.Get3DEffectType());
    EXPECT_EQ(50, d3.Get3DEffectDepth());

    CMAudioEditInfo audio;
    EXPECT_DOUBLE_EQ(1.0, audio.GetVolume());
    EXPECT_TRUE(audio.GetAudioReplaceFullPath().isEmpty());
    EXPECT_FALSE(audio.GetAudioReplaceFullPath().isNull());
    EXPECT_FALSE(audio.IsEnableAudioReplace() || audio.IsAudioReplaceLoop() || audio.GetMute());
}

TEST(CMEditInfo, DepthIsClampedOtherValuesAreStoredAsGiven)
{
    struct Case
    {
        int in, out;
    } cases[] = {{5, 20}, {250, 100}, {20, 20}, {100, 100}, {19, 20}, {101, 100}, {-7, 20}};
    for (const Case& c : cases) {
        CM3DEffectInfo d3;
        d3.Set3DEffectDepth(c.in);
        EXPECT_EQ(c.out, d3.Get3DEffectDepth()) << c.in;
    }
    CMVideoEffectInfo effect;
    effect.SetBrightness(-1000);
    effect.SetEffectType(static_cast<EffectType>(7));
    EXPECT_EQ(-1000, effect.GetBrightness());
    EXPECT_EQ(7, effect.GetEffectType());

    CMMediaTrimInfo trim;
    trim.SetTrimEndPoint(2.0);
    trim.SetTrimStartPoint(5.0);
    EXPECT_DOUBLE_EQ(5.0, trim.GetTrimStartPoint().ToSeconds());
}

TEST(CMEditInfo, EqualityUsesEachGroupsTolerance)
{
    CMAudioEditInfo a, b;
    a.SetVolume(0.5);
    b.SetVolume(0.50005);
    EXPECT_TRUE(a == b);
    b.SetVolume(0.5002);
    EXPECT_FALSE(a == b);
    b.SetVolume(0.5);
    b.SetAudioReplaceFullPath("/A.wav");
    a.SetAudioReplaceFullPath("/a.wav");
    EXPECT_FALSE(a == b) << "paths compare case-sensitively";

    CMMediaTrimInfo t1, t2;
    t1.SetTrimEndPoint(3.0);
    t2.SetTrimEndPoint(3.000001);
    EXPECT_TRUE(t1 == t2);
    t2.SetTrimEndPoint(3.001);
    EXPECT_FALSE(t1 == t2);

    CMVideoTurnInfo r1, r2;
    r2.SetMirror(true);
    EXPECT_FALSE(r1 == r2);
    CM3DEffectInfo d1, d2;
    d2.Set3DEffectType(E3DRedGreen);
    EXPECT_FALSE(d1 == d2);
    CMVideoEffectInfo e1, e2;
    e2.SetSaturation(1);
    EXPECT_FALSE(e1 == e2);
}
