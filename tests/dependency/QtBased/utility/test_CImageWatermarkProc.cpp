// The image overlay's rules: what it creates, when it reloads the image or
// only moves its layer, and when it repositions the compositor in time.

#include "utility/CImageWatermarkProc.h"
#include "EffectChainFakes.h"

#include <gtest/gtest.h>

using ChainTest::FakeManager;

namespace {

// A frame that only carries a time stamp: the fakes never touch pixels.
class StampFrame : public Moorland::IRawVideoFrame
{
public:
    int t = 0;
    unsigned GetPixelFormat() override { return 0; }
    void GetDimension(unsigned* w, unsigned* h) override
    {
        if (w)
            *w = 16;
        if (h)
            *h = 16;
    }
    int GetTimeStamp() override { return t; }
    void SetTimeStamp(int v) override { t = v; }
    bool IsTopDown() override { return true; }
    bool IsPacked() override { return false; }
    unsigned GetBufferCount() override { return 0; }
    unsigned GetTotalSize() override { return 0; }
    unsigned char* GetBuffer(unsigned, unsigned*, unsigned*, unsigned*) override { return nullptr; }
    double GetDAR() override { return 1.0; }
    bool CropRightAndBottom(unsigned, unsigned) override { return false; }
    void Free() override {}
    unsigned GetDuration() override { return 40; }
    void SetDuration(unsigned) override {}
    unsigned GetDuplicatedCount(unsigned*) override { return 1; }
    void SetDuplicatedCount(unsigned, unsigned) override {}
    Moorland::IRawVideoFrame* Clone() override { return this; }
    bool CanBeModified() override { return true; }
    void SetCanBeModified(bool) override {}
    bool IsInterlaced() override { return false; }
    void SetInterlaced(bool) override {}
    bool IsTopFieldFirst() override { return false; }
    void SetTopFieldFirst(bool) override {}
    void SetBorderData(void*, int) override {}
    void GetBorderData(void**, int*) override {}
    void* GetInterface(char const*) override { return nullptr; }
};

std::vector<std::string> Calls(CImageWatermarkProc& overlay, FakeManager& m, int t)
{
    static StampFrame frame;
    frame.t = t;
    m.log.calls.clear();
    Moorland::IRawVideoFrame* f = &frame;
    overlay.ProcFrameInPlace(f);
    return m.log.calls;
}

} // namespace

TEST(CImageWatermarkProc, LoadsOncePerPathAndMovesItsLayer)
{
    FakeManager m;
    CImageWatermarkProc overlay(&m);
    overlay.setEnable(true);
    EXPECT_TRUE(Calls(overlay, m, 0).empty()); // no path: nothing made
    overlay.setPath("/img/logo.png");
    overlay.setX(5);
    overlay.setY(6);
    overlay.setOrigin(1, 2);
    EXPECT_EQ(Calls(overlay, m, 1000),
              (std::vector<std::string>{"create VideoComposite", "AddLayer /img/logo.png 5,6 64x64",
                                        "VideoComposite.time=1000", "VideoComposite.inplace"}));
    overlay.setWidth(32);
    EXPECT_EQ(Calls(overlay, m, 1040), (std::vector<std::string>{"SetLayerInfo 5,6 32x64", "VideoComposite.inplace"}));
    overlay.setPath("/img/other.png");
    EXPECT_EQ(Calls(overlay, m, 1080),
              (std::vector<std::string>{"RemoveLayer 1", "AddLayer /img/other.png 5,6 32x64",
                                        "VideoComposite.time=1080", "VideoComposite.inplace"}));
}

TEST(CImageWatermarkProc, JumpsInTimeRepositionTheCompositor)
{
    FakeManager m;
    CImageWatermarkProc overlay(&m);
    overlay.setEnable(true);
    overlay.setPath("/img/logo.png");
    Calls(overlay, m, 10000);
    const std::string place = "VideoComposite.time=";
    // 4 s on: no repositioning; the layer is only updated.
    EXPECT_EQ(Calls(overlay, m, 14000), (std::vector<std::string>{"SetLayerInfo 0,0 64x64", "VideoComposite.inplace"}));
    Calls(overlay, m, 20000); // 6 s on
    EXPECT_TRUE(m.log.Has(place + "20000"));
    Calls(overlay, m, 19000); // backwards
    EXPECT_TRUE(m.log.Has(place + "19000"));
    overlay.setEnable(false);
    EXPECT_TRUE(Calls(overlay, m, 30000).empty());
}
