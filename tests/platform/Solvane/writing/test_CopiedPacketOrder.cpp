// The decoding order of copied packets: B-pictures shown before the picture
// decoded ahead of them keep their times, a pause keeps its time, and one
// time far ahead of its neighbours is put back just after the one before.

#include "CopiedPacketOrder.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

using Times = std::vector<std::pair<int64_t, int64_t>>; // (pts, dts)

// Hands `in` through the order, one stream, a jump of 1000 ticks.
Times Through(const Times& in)
{
    Solvane::CCopiedPacketOrder order(1000);
    Times out;
    auto put = [&out](AVPacket* p) { out.emplace_back(p->pts, p->dts); };
    for (const auto& t : in) {
        FF::PacketPtr p = FF::MakePacket();
        p->pts = t.first;
        p->dts = t.second;
        p->duration = 40;
        order.Write(p.get(), put);
        av_packet_unref(p.get());
    }
    order.End(put);
    return out;
}

TEST(CopiedPacketOrder, BPicturesKeepTheirTimes)
{
    // I P B B P B B: shown 0, 120, 40, 80, 240, 160, 200.
    const Times in = {{0, -80}, {120, -40}, {40, 0}, {80, 40}, {240, 80}, {160, 120}, {200, 160}};
    EXPECT_EQ(Through(in), in);
}

TEST(CopiedPacketOrder, APauseKeepsItsTime)
{
    const Times in = {{0, 0}, {40, 40}, {5040, 5040}, {5080, 5080}, {5120, 5120}};
    EXPECT_EQ(Through(in), in);
}

TEST(CopiedPacketOrder, OneStrayTimeIsPutBackInLine)
{
    const Times in = {{0, 0}, {40, 40}, {80 + 9000, 80 + 9000}, {120, 120}, {160, 160}};
    const Times out = Through(in);
    ASSERT_EQ(out.size(), in.size());
    EXPECT_EQ(out[2], std::make_pair(int64_t{80}, int64_t{80}));
    EXPECT_EQ(out[3], in[3]);
    EXPECT_EQ(out[4], in[4]);
    // The last packet far ahead: no later one tells, it goes after the one before.
    const Times last = Through({{0, 0}, {40, 40}, {9080, 9080}});
    EXPECT_EQ(last.back(), std::make_pair(int64_t{80}, int64_t{80}));
}

} // namespace
