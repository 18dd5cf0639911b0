// Where decoded frames without a time of their own are placed.
#include "CFramePlacer.h"

#include <gtest/gtest.h>

using Solvane::CFramePlacer;

namespace {

AVFrame* Untimed(FF::FramePtr& frame)
{
    frame->pts = AV_NOPTS_VALUE;
    frame->best_effort_timestamp = AV_NOPTS_VALUE;
    return frame.get();
}

} // namespace

TEST(CFramePlacer, UntimedPicturesFollowInExactFrameTime)
{
    struct Case
    {
        AVRational rate;
        AVRational tb;
    };
    // Frame periods that are no whole number of milliseconds must not drift.
    const Case cases[] = {
        {{24000, 1001}, {1, 90000}},
        {{30000, 1001}, {1, 1000}},
        {{25, 1}, {1, 25}},
        {{60000, 1001}, {1, 10000000}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.rate.num) + "/" + std::to_string(c.rate.den));
        CFramePlacer placer;
        placer.Init(c.tb, c.rate, false, 0);
        FF::FramePtr frame = FF::MakeFrame();
        frame->pts = frame->best_effort_timestamp = 0;
        EXPECT_EQ(placer.Place(frame.get()), 0);
        int64_t last = 0;
        for (int k = 1; k <= 1000; ++k)
            last = placer.Place(Untimed(frame));
        const int64_t exact = av_rescale_q(1000, av_inv_q(c.rate), c.tb);
        EXPECT_EQ(last, exact);
        // A timed picture anchors the count again.
        frame->pts = frame->best_effort_timestamp = 5 * exact;
        EXPECT_EQ(placer.Place(frame.get()), 5 * exact);
        EXPECT_EQ(placer.Place(Untimed(frame)), 5 * exact + av_rescale_q(1, av_inv_q(c.rate), c.tb));
    }
}

TEST(CFramePlacer, UntimedSoundFollowsItsSamples)
{
    CFramePlacer placer;
    placer.Init(AVRational{1, 1000}, AVRational{0, 1}, true, 0);
    FF::FramePtr frame = FF::MakeFrame();
    frame->sample_rate = 44100;
    frame->nb_samples = 1152;
    int64_t last = 0;
    // The first block has no time either: it starts at the movie start.
    for (int k = 0; k < 100; ++k)
        last = placer.Place(Untimed(frame));
    EXPECT_EQ(last, av_rescale_q(99 * 1152, AVRational{1, 44100}, AVRational{1, 1000}));
    EXPECT_EQ(placer.Next(), av_rescale_q(100 * 1152, AVRational{1, 44100}, AVRational{1, 1000}));
    placer.Forget();
    EXPECT_FALSE(placer.HasPrevious());
}
