// The compressed packet: defaults, refilling, and who releases it.
#include "CCompressedFrame.h"

#include <gtest/gtest.h>

#include <climits>

using namespace Moorland;

TEST(CCompressedFrame, NewPacketIsEmpty)
{
    for (bool selfFreeing : {false, true}) {
        auto* p = new CCompressedFrame(selfFreeing);
        EXPECT_EQ(p->GetSize(), 0u);
        EXPECT_EQ(p->GetFrameData(), nullptr);
        EXPECT_EQ(p->GetStreamPos(), -1);
        EXPECT_FALSE(p->IsKeyFrame());
        EXPECT_EQ(p->GetPresentTimeStamp(), LLONG_MIN);
        EXPECT_EQ(p->GetDecompressTimeStamp(), LLONG_MIN);
        delete p;
    }
}

TEST(CCompressedFrame, RefilledForEveryPacketWithoutCopying)
{
    CCompressedFrame packet(false);
    unsigned char first[4] = {1, 2, 3, 4}, second[2] = {9, 9};
    struct Fill
    {
        unsigned char* data;
        unsigned size;
        int64_t pos, pts, dts;
        bool key;
    };
    const Fill fills[] = {{first, 4, 188, 900000, 800000, true}, {second, 2, -1, LLONG_MIN, LLONG_MIN, false}};
    for (const Fill& f : fills) {
        packet.SetBuffer(f.data);
        packet.SetDataSize(f.size);
        packet.SetStreamPos(f.pos);
        packet.SetIsKeyFrame(f.key);
        EXPECT_TRUE(packet.SetTimeStamp(f.pts, f.dts));
        ICompressedFrame* seen = &packet;
        EXPECT_EQ(seen->GetFrameData(), f.data);
        EXPECT_EQ(seen->GetSize(), f.size);
        EXPECT_EQ(seen->GetStreamPos(), f.pos);
        EXPECT_EQ(seen->IsKeyFrame(), f.key);
        EXPECT_EQ(seen->GetPresentTimeStamp(), f.pts);
        EXPECT_EQ(seen->GetDecompressTimeStamp(), f.dts);
    }
}

TEST(CCompressedFrame, FreeReleasesOnlySelfFreeingPackets)
{
    // The maker keeps a packet made with false: a consumer's Free leaves it usable.
    auto* kept = new CCompressedFrame(false);
    ICompressedFrame* consumerView = kept;
    consumerView->Free();
    kept->SetDataSize(12);
    EXPECT_EQ(kept->GetSize(), 12u);
    delete kept;

    // A packet made with true goes with the consumer's Free (a leak or a
    // double free would fail the sanitizer run).
    ICompressedFrame* handedOver = new CCompressedFrame(true);
    handedOver->Free();
}
