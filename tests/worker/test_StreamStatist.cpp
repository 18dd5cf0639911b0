#include "StreamStatist.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

using namespace Moorland;

namespace {

constexpr int64_t S = 10000000; // one second in 100 ns

SMItemInfo Item(StreamType eType)
{
    SMItemInfo item;
    item.eStreamType = eType;
    return item;
}

struct Filler
{
    bool bMade;
    int nIndex;
    int64_t nTime;
};

Filler Ask2(CAVStatist& stat)
{
    int nIndex = -5;
    StreamType eType = StreamTypeUnknown;
    ICompressedFrame* p = stat.CheckConstructFrame2(&nIndex, &eType);
    if (!p) {
        EXPECT_EQ(nIndex, -5) << "outs untouched without a filler";
        EXPECT_EQ(eType, StreamTypeUnknown);
        return {false, -1, 0};
    }
    EXPECT_EQ(eType, StreamTypeSubtitle);
    EXPECT_EQ(p->GetSize(), 0u);
    EXPECT_EQ(p->GetFrameData(), nullptr);
    EXPECT_FALSE(p->IsKeyFrame());
    EXPECT_EQ(p->GetStreamPos(), -1);
    EXPECT_EQ(p->GetPresentTimeStamp(), p->GetDecompressTimeStamp());
    p->Free(); // the statistics keep it
    return {true, nIndex, p->GetPresentTimeStamp()};
}

} // namespace

TEST(StreamStatist, LagRuleWithTheDefaults)
{
    // Items: subtitle, video, audio, subtitle. The reference is the video.
    std::vector<SMItemInfo> items = {Item(StreamTypeSubtitle), Item(StreamTypeVideo), Item(StreamTypeAudio),
                                     Item(StreamTypeSubtitle)};
    CAVStatist stat(items.data(), 4);
    ASSERT_EQ(stat.GetCount(), 4);
    EXPECT_EQ(stat.GetItems(3)->eStreamType, StreamTypeSubtitle);
    stat.UpDateStreamStatist(0, 1000, 3, StreamTypeSubtitle); // second subtitle at 1 s

    struct Step
    {
        int64_t nVideoMs; // video frame recorded first (-1: none)
        int64_t nAudioMs; // audio far ahead must not matter
        Filler expect;
    };
    const Step steps[] = {
        {23999, 90000, {false, -1, 0}},                                       // 23.999 s behind: under the limit
        {24000, 90000, {true, 0, 8 * S}},                                     // exactly 24 s: first filler at R - 16 s
        {24000, 90000, {false, -1, 0}},                                       // now 16 s behind
        {25000, 90000, {true, 3, 9 * S}},                                     // the other subtitle, 24 s behind
        {30000, 90000, {false, -1, 0}},    {32000, 90000, {true, 0, 16 * S}}, // every further 8 s
        {33000, 90000, {true, 3, 17 * S}},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.nVideoMs);
        stat.UpDateStreamStatist(0, s.nVideoMs, 1, StreamTypeVideo);
        stat.UpDateStreamStatist(0, s.nAudioMs, 2, StreamTypeAudio);
        Filler f = Ask2(stat);
        EXPECT_EQ(f.bMade, s.expect.bMade);
        if (f.bMade && s.expect.bMade) {
            EXPECT_EQ(f.nIndex, s.expect.nIndex);
            EXPECT_EQ(f.nTime, s.expect.nTime);
            EXPECT_EQ(stat.GetItems(f.nIndex)->nLastTime, s.expect.nTime);
            EXPECT_EQ(stat.GetItems(f.nIndex)->nLastFillerTime, s.expect.nTime);
        }
    }
    EXPECT_EQ(stat.GetItems(0)->nFillerCount, 2);
    EXPECT_EQ(stat.GetItems(3)->nFillerCount, 2);
    EXPECT_EQ(stat.GetItems(3)->nFrameCount, 1);
}

TEST(StreamStatist, ExampleTimesAndReferenceChoice)
{
    struct Case
    {
        const char* sName;
        std::vector<StreamType> kinds;
        int nRefIndex; // stream whose time is set to 30 s, then 38 s
        bool bFillers;
    };
    const Case cases[] = {
        {"video reference", {StreamTypeVideo, StreamTypeSubtitle}, 0, true},
        {"audio when no video", {StreamTypeSubtitle, StreamTypeAudio}, 1, true},
        {"no video, no audio", {StreamTypeSubtitle, StreamTypeSubtitle}, 1, false},
        {"no subtitle", {StreamTypeVideo, StreamTypeAudio}, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sName);
        std::vector<SMItemInfo> items;
        for (StreamType k : c.kinds)
            items.push_back(Item(k));
        CAVStatist stat(items.data(), static_cast<int>(items.size()));
        stat.UpDateStreamStatist(0, 30000, c.nRefIndex, c.kinds[static_cast<size_t>(c.nRefIndex)]);
        Filler f = Ask2(stat);
        EXPECT_EQ(f.bMade, c.bFillers);
        if (f.bMade) {
            EXPECT_EQ(f.nTime, 14 * S);
        }
        EXPECT_FALSE(Ask2(stat).bMade);
        stat.UpDateStreamStatist(0, 38000, c.nRefIndex, c.kinds[static_cast<size_t>(c.nRefIndex)]);
        f = Ask2(stat);
        EXPECT_EQ(f.bMade, c.bFillers);
        if (f.bMade) {
            EXPECT_EQ(f.nTime, 22 * S);
        }
    }
    CAVStatist empty(nullptr, 0);
    EXPECT_EQ(empty.GetCount(), 0);
    EXPECT_FALSE(Ask2(empty).bMade);
}

TEST(StreamStatist, PreReadRule)
{
    std::vector<SMItemInfo> items = {Item(StreamTypeVideo), Item(StreamTypeSubtitle)};
    struct Case
    {
        int64_t nLimit;
        bool bFiller;
    };
    for (Case c : {Case{48000000, true}, Case{47500000, false}, Case{-1, false}}) {
        SCOPED_TRACE(c.nLimit);
        CAVStatist stat(items.data(), 2);
        stat.UpDateStreamStatist(0, 5000, 0, StreamTypeVideo);
        stat.UpDateStreamStatist(0, 3900, 1, StreamTypeSubtitle);
        int nIndex = -1;
        StreamType eType = StreamTypeUnknown;
        int64_t nRef = 0;
        ICompressedFrame* p = stat.CheckConstructFrame3(&nIndex, &eType, c.nLimit, &nRef);
        EXPECT_EQ(nRef, 5 * S);
        EXPECT_EQ(p != nullptr, c.bFiller);
        if (p) {
            EXPECT_EQ(p->GetDecompressTimeStamp(), 47500000);
            EXPECT_EQ(nIndex, 1);
            EXPECT_EQ(eType, StreamTypeSubtitle);
            EXPECT_EQ(stat.GetItems(1)->nLastTime, 47500000);
            EXPECT_EQ(stat.GetItems(1)->nLastFillerTime, 0);
            EXPECT_EQ(stat.GetItems(1)->nFillerCount, 1);
        }
    }
    CAVStatist noRef(&items[1], 1);
    int64_t nRef = 77;
    EXPECT_EQ(noRef.CheckConstructFrame3(nullptr, nullptr, 1000 * S, &nRef), nullptr);
    EXPECT_EQ(nRef, 77);
}

TEST(StreamStatist, FrameCountRule)
{
    std::vector<SMItemInfo> items = {Item(StreamTypeVideo), Item(StreamTypeSubtitle)};
    CAVStatist stat(items.data(), 2);
    int nIndex = -1;
    StreamType eType = StreamTypeUnknown;
    stat.UpDateStreamStatist(0, 59999, 0, StreamTypeVideo);
    EXPECT_EQ(stat.CheckConstructFrame(&nIndex, &eType), nullptr);
    stat.UpDateStreamStatist(0, 61000, 0, StreamTypeVideo);
    ICompressedFrame* p = stat.CheckConstructFrame(&nIndex, &eType);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->GetPresentTimeStamp(), 61 * S - 15 * S);
    EXPECT_EQ(nIndex, 1);
    // A stream with frames at less than two minutes each gets none.
    stat.UpDateStreamStatist(0, 1000, 1, StreamTypeSubtitle);
    stat.UpDateStreamStatist(0, 2000, 1, StreamTypeSubtitle);
    stat.UpDateStreamStatist(0, 200000, 0, StreamTypeVideo);
    EXPECT_EQ(stat.CheckConstructFrame(&nIndex, &eType), nullptr);
}

TEST(StreamStatist, RecordingFrames)
{
    std::vector<SMItemInfo> items = {Item(StreamTypeVideo), Item(StreamTypeAudio)};
    CAVStatist stat(items.data(), 2);
    struct Case
    {
        int64_t nMs;
        int nIndex;
        StreamType eType;
        int64_t nResult;
        int64_t nExpectLast; // of the stream afterwards
        int64_t nExpectCount;
    };
    const Case cases[] = {
        {40, 1, StreamTypeAudio, 0, 400000, 1},
        {-1, 1, StreamTypeAudio, 0, 400000, 1},        // negative: ignored
        {INT64_MIN, 1, StreamTypeAudio, 0, 400000, 1}, // "no time": ignored
        {INT64_MAX, 1, StreamTypeAudio, 0, 400000, 1}, // would overflow: ignored
        {5, 2, StreamTypeAudio, 0, 400000, 1},         // past the streams (stream 1 shown)
        {5, -1, StreamTypeAudio, 0, 400000, 1},
        {30, 1, StreamTypeAudio, 0, 300000, 2}, // audio may go back
        {1000, 0, StreamTypeVideo, 0, 10000000, 1},
        {1000, 0, StreamTypeVideo, 10000001, 10000000, 2}, // repeated video time
        {990, 0, StreamTypeVideo, 10000001, 10000000, 3},  // slightly back
        {1001, 0, StreamTypeVideo, 0, 10010000, 4},        // moves on
        {0, 0, StreamTypeVideo, 0, 0, 5},                  // over a second back: a new time line
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.nMs) + " on " + std::to_string(c.nIndex));
        EXPECT_EQ(stat.UpDateStreamStatist(0, c.nMs, c.nIndex, c.eType), c.nResult);
        int nShown = c.nIndex == 0 ? 0 : 1;
        EXPECT_EQ(stat.GetItems(nShown)->nLastTime, c.nExpectLast);
        EXPECT_EQ(stat.GetItems(nShown)->nLastFrameTime, c.nExpectLast);
        EXPECT_EQ(stat.GetItems(nShown)->nFrameCount, c.nExpectCount);
    }
    stat.SetCreateSubTime(10);
    EXPECT_EQ(stat.nCreateSubLead, 2);
    stat.SetCreateSubTime(-10);
    EXPECT_EQ(stat.nCreateSubLead, -2);
    stat.SetFrequency(7);
    EXPECT_EQ(stat.nLagThreshold, 21);
}

TEST(PreReadSubtitle, QueueHandsOutCopies)
{
    CPreReadSubtitle queue;
    queue.SetBaseIndex(10);
    EXPECT_EQ(queue.GetFontDecompressTimeStamp(), -1);
    FrameInfo none{};
    EXPECT_FALSE(queue.ReadFrame(&none));
    EXPECT_FALSE(queue.Push(&none));

    unsigned char bytes[5] = {1, 2, 3, 4, 5};
    CCompressedFrame packet(false);
    packet.SetBuffer(bytes);
    packet.SetDataSize(5);
    packet.SetIsKeyFrame(true);
    packet.SetStreamPos(1234);
    packet.SetTimeStamp(700, 600);
    FrameInfo in{&packet, 2, 55, true, 9, StreamTypeSubtitle};
    ASSERT_TRUE(queue.Push(&in));
    packet.SetDataSize(0);
    packet.SetIsKeyFrame(false);
    packet.SetTimeStamp(900, 800);
    in.streamIndex = 3;
    ASSERT_TRUE(queue.Push(&in));
    bytes[0] = 99; // the queue holds its own copy
    EXPECT_EQ(queue.GetQueueSize(), 2);
    EXPECT_EQ(queue.GetFontDecompressTimeStamp(), 600);

    FrameInfo out{};
    ASSERT_TRUE(queue.ReadFrame(&out));
    ICompressedFrame* p = static_cast<ICompressedFrame*>(out.frame);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(out.streamIndex, 12);
    EXPECT_EQ(out.carried1, 55);
    EXPECT_TRUE(out.compressed);
    EXPECT_EQ(out.carried2, -1);
    EXPECT_EQ(out.type, StreamTypeSubtitle);
    EXPECT_EQ(p->GetSize(), 5u);
    const unsigned char expect[13] = {1, 2, 3, 4, 5, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(std::memcmp(p->GetFrameData(), expect, 13), 0);
    EXPECT_TRUE(p->IsKeyFrame());
    EXPECT_EQ(p->GetStreamPos(), 1234);
    EXPECT_EQ(p->GetPresentTimeStamp(), 700);
    EXPECT_EQ(p->GetDecompressTimeStamp(), 600);
    EXPECT_EQ(queue.GetFontDecompressTimeStamp(), 800);

    ASSERT_TRUE(queue.ReadFrame(&out));
    EXPECT_EQ(out.streamIndex, 13);
    EXPECT_EQ(p->GetSize(), 0u);
    EXPECT_FALSE(p->IsKeyFrame());
    EXPECT_EQ(queue.GetQueueSize(), 0);
    EXPECT_FALSE(queue.ReadFrame(&out));
    EXPECT_EQ(queue.GetFontDecompressTimeStamp(), -1);
}
