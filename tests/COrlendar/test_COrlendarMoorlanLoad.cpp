// A program that does not link the media base library itself: the writer
// loads it, and it must stay loaded while the writer's converters are used.
#include "COrlendar.h"
#include "IRawAudioFrame.h"
#include "IRawVideoFrame.h"
#include "MovieProbe.h"

#include "Basilvo/Basilvo.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdlib>
#include <vector>

namespace {

// Plain frames of this program's own, so nothing here pulls the library in.
class RgbFrame final : public Moorland::IRawVideoFrame
{
public:
    RgbFrame(unsigned w, unsigned h, int ms) : m_w(w), m_h(h), m_ms(ms), m_px(size_t(w) * h * 3)
    {
        for (size_t i = 0; i < m_px.size(); ++i)
            m_px[i] = static_cast<unsigned char>(i * 7 + ms);
    }
    unsigned GetPixelFormat() override { return 2; }
    void GetDimension(unsigned* w, unsigned* h) override
    {
        if (w)
            *w = m_w;
        if (h)
            *h = m_h;
    }
    int GetTimeStamp() override { return m_ms; }
    void SetTimeStamp(int t) override { m_ms = t; }
    bool IsTopDown() override { return true; }
    bool IsPacked() override { return true; }
    unsigned GetBufferCount() override { return 1; }
    unsigned GetTotalSize() override { return unsigned(m_px.size()); }
    unsigned char* GetBuffer(unsigned index, unsigned* lineBytes, unsigned* pitch, unsigned* rows) override
    {
        if (index)
            return nullptr;
        if (lineBytes)
            *lineBytes = m_w * 3;
        if (pitch)
            *pitch = m_w * 3;
        if (rows)
            *rows = m_h;
        return m_px.data();
    }
    double GetDAR() override { return double(m_w) / m_h; }
    bool CropRightAndBottom(unsigned, unsigned) override { return false; }
    void Free() override {}
    unsigned GetDuration() override { return 40; }
    void SetDuration(unsigned) override {}
    unsigned GetDuplicatedCount(unsigned* second) override
    {
        if (second)
            *second = 0;
        return 1;
    }
    void SetDuplicatedCount(unsigned, unsigned) override {}
    IRawVideoFrame* Clone() override { return nullptr; }
    bool CanBeModified() override { return false; }
    void SetCanBeModified(bool) override {}
    bool IsInterlaced() override { return false; }
    void SetInterlaced(bool) override {}
    bool IsTopFieldFirst() override { return false; }
    void SetTopFieldFirst(bool) override {}
    void SetBorderData(void*, int) override {}
    void GetBorderData(void** data, int* size) override
    {
        if (data)
            *data = nullptr;
        if (size)
            *size = 0;
    }
    void* GetInterface(const char*) override { return nullptr; }

private:
    unsigned m_w, m_h;
    int m_ms;
    std::vector<unsigned char> m_px;
};

class FloatSound final : public Moorland::IRawAudioFrame
{
public:
    FloatSound(int64_t stamp, unsigned samples) : m_stamp(stamp), m_pcm(size_t(samples) * 2, 0.2f) {}
    void Free() override {}
    IRawAudioFrame* Clone() override { return nullptr; }
    int GetSampleFormat() override { return 9; }
    int GetSampleRate() override { return 48000; }
    int GetChannels() override { return 2; }
    unsigned GetSampleCount() override { return unsigned(m_pcm.size() / 2); }
    unsigned GetBufferCount() override { return 1; }
    unsigned char* GetBuffer(unsigned index, unsigned* size) override
    {
        if (index)
            return nullptr;
        if (size)
            *size = unsigned(m_pcm.size() * 4);
        return reinterpret_cast<unsigned char*>(m_pcm.data());
    }
    int64_t GetTimeStamp() override { return m_stamp; }
    void SetTimeStamp(int64_t t) override { m_stamp = t; }
    int64_t GetDuration() override { return int64_t(GetSampleCount()) * 10000000 / 48000; }

private:
    int64_t m_stamp;
    std::vector<float> m_pcm;
};

} // namespace

TEST(COrlendarMoorlanLoad, ConvertersOutliveTheLoad)
{
    ASSERT_EQ(dlopen("libMoorlan.so", RTLD_NOW | RTLD_NOLOAD), nullptr)
        << "this program must not have the library loaded by itself";
    char dir[] = "/tmp/orlendarloadXXXXXX";
    ASSERT_NE(nullptr, mkdtemp(dir));
    const std::string path = std::string(dir) + "/x.mov";
    {
        COrlendar w;
        w.SetFrameRate(25);
        w.SetVideoDimension(64, 48);
        w.SetChannel(2);
        w.SetSampleRate(48000);
        ASSERT_TRUE(w.SetCodecByName("png "));
        w.SetFileName(path.c_str());
        w.SetAVInclude(true, true);
        ASSERT_TRUE(w.BeginWriting()) << GetQuentaException()->GetExceptionMsg();
        for (int i = 0; i < 10; ++i) {
            RgbFrame picture(64, 48, i * 40);
            FloatSound sound(int64_t(i) * 400000, 1920);
            ASSERT_TRUE(w.WriteVideo(&picture)) << GetQuentaException()->GetExceptionMsg();
            ASSERT_TRUE(w.WriteAudio(&sound)) << GetQuentaException()->GetExceptionMsg();
        }
        ASSERT_TRUE(w.EndWriting()) << GetQuentaException()->GetExceptionMsg();
    }
    const auto streams = MovieProbe::Streams(path);
    const MovieProbe::Stream* v = MovieProbe::Find(streams, "video");
    ASSERT_TRUE(v);
    EXPECT_EQ(MovieProbe::Num(*v, "nb_frames"), 10);
    std::system((std::string("rm -rf '") + dir + "'").c_str());
}
