// Where video and audio meet: the first video frame with a partner less than
// 100 ms away, and for it the earliest such audio frame.
#include "OrlendarTestFrames.h"
#include "SnycPoint.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct Feed
{
    char kind;    // 'v' or 'a'
    int64_t time; // video: ms; audio: 100-ns units
};

struct SyncCase
{
    const char* name;
    std::vector<Feed> feed;
    bool found;
    std::vector<int32_t> videoLeft; // times of the copies left, in order
    std::vector<int32_t> audioLeft;
    int32_t leadMs = 0;        // silence the sound is led in with
    int32_t pictureLeadMs = 0; // how long the first picture shows before its time
};

std::vector<Feed> VideoEvery40(int from, int to)
{
    std::vector<Feed> f;
    for (int t = from; t <= to; t += 40)
        f.push_back({'v', t});
    return f;
}

std::vector<Feed> Concat(std::vector<Feed> a, const std::vector<Feed>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace

TEST(SnycPoint, FindsTheFirstPairAndDropsWhatCameBefore)
{
    const SyncCase cases[] = {
        {"video 0, audio 40: at once", {{'v', 0}, {'a', 400000}}, true, {0}, {40}, 40},
        // Sound that starts late keeps the pictures before it, led in by silence.
        {"video every 40 ms, audio from 350 ms",
         Concat(VideoEvery40(0, 320), {{'a', 3500000}, {'a', 3713333}}),
         true,
         {0, 40, 80, 120, 160, 200, 240, 280, 320},
         {350, 371},
         350},
        {"audio before video", {{'a', 4200000}, {'v', 500}}, true, {500}, {420}},
        {"exactly 100 ms apart", {{'v', 0}, {'a', 1000000}}, false, {0}, {100}},
        {"video only", VideoEvery40(0, 2000), false, {}, {}},
        // 0 pairs with -60 and 50: the earlier audio wins though the later is closer.
        {"earliest partner wins", {{'a', -600000}, {'a', 500000}, {'v', 0}}, true, {0}, {-60, 50}},
        // Stamps are cut toward zero: -99.9999 ms is -99, within reach of 0.
        {"stamps cut toward zero", {{'a', -999999}, {'v', 0}}, true, {0}, {-99}},
        {"later video frames keep their place",
         {{'v', 0}, {'v', 40}, {'a', 1200000}, {'a', 1400000}},
         true,
         {0, 40},
         {120, 140},
         120},
        // Pictures that start late keep the sound before them: the first
        // picture shows from the sound's start.
        {"audio well before video",
         {{'a', 0}, {'a', 1000000}, {'a', 2000000}, {'a', 3000000}, {'v', 340}},
         true,
         {340},
         {0, 100, 200, 300},
         0,
         340},
    };
    OrlendarTest::Frames frames(16, 8, 48000, 2);
    for (const SyncCase& c : cases) {
        SCOPED_TRACE(c.name);
        SnycPoint sync;
        bool found = false;
        unsigned index = 0;
        for (const Feed& f : c.feed) {
            if (f.kind == 'v')
                sync.Clone(frames.Video(index++, int(f.time)));
            else
                sync.Clone(frames.Audio(f.time, 32));
            found = sync.FindSyncPoint();
        }
        EXPECT_EQ(found, c.found);
        if (c.name == std::string("video only")) {
            EXPECT_EQ(sync.VideoCount(), c.feed.size()); // nothing dropped while searching
            continue;
        }
        std::vector<int32_t> videoLeft, audioLeft;
        for (size_t i = 0; i < sync.VideoCount(); ++i)
            videoLeft.push_back(sync.VideoAt(i)->time);
        for (size_t i = 0; i < sync.AudioCount(); ++i)
            audioLeft.push_back(sync.AudioAt(i)->time);
        if (c.found) {
            // Only the frames before the pair are gone; the later ones stay held.
            EXPECT_EQ(videoLeft.front(), c.videoLeft.front());
            EXPECT_EQ(audioLeft.front(), c.audioLeft.front());
        }
        EXPECT_EQ(videoLeft, c.videoLeft);
        EXPECT_EQ(audioLeft, c.audioLeft);
        EXPECT_EQ(sync.LeadMs(), c.leadMs);
        EXPECT_EQ(sync.PictureLeadMs(), c.pictureLeadMs);
    }
}

TEST(SnycPoint, CopiesTheFrameAndKeepsFoundForGood)
{
    OrlendarTest::Frames frames(16, 8, 48000, 2);
    SnycPoint sync;
    Moorland::IRawVideoFrame* picture = frames.Video(1, 0, 3);
    sync.Clone(picture);
    ASSERT_EQ(sync.VideoCount(), 1u);
    const T_Video* v = sync.VideoAt(0);
    EXPECT_EQ(v->width, 16u);
    EXPECT_EQ(v->height, 8u);
    EXPECT_EQ(v->duplicate, 3u);
    // Plane 0 only: a planar picture's total size runs past its first plane.
    EXPECT_EQ(v->size, 16u * 8);
    EXPECT_EQ(0, std::memcmp(v->data, picture->GetBuffer(0, nullptr, nullptr, nullptr), 16 * 8));
    // The copy is private: the frame's memory is refilled by the next picture.
    const std::vector<unsigned char> held(v->data, v->data + v->size);
    frames.Video(9, 40);
    EXPECT_EQ(0, std::memcmp(sync.VideoAt(0)->data, held.data(), held.size()));

    Moorland::IRawAudioFrame* sound = frames.Audio(200000, 32);
    sync.Clone(sound);
    EXPECT_EQ(sync.AudioAt(0)->size, 32u * 2 * 2);
    EXPECT_EQ(sync.AudioAt(0)->time, 20);
    ASSERT_TRUE(sync.FindSyncPoint());

    // Found: later copies are appended and nothing is dropped any more.
    sync.Clone(frames.Video(2, 900));
    sync.Clone(frames.Audio(90000000, 32));
    EXPECT_TRUE(sync.FindSyncPoint());
    EXPECT_EQ(sync.VideoCount(), 2u);
    EXPECT_EQ(sync.AudioCount(), 2u);

    sync.ClearBuffer();
    EXPECT_EQ(sync.VideoCount(), 0u);
    EXPECT_EQ(sync.AudioCount(), 0u);
    EXPECT_TRUE(sync.FindSyncPoint());
    EXPECT_TRUE(sync.IsFound());
}
