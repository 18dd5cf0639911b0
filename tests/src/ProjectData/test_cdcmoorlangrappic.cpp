#include "ProjectData/cdcmoorlangrappic.h"
#include "ProjectData/cmediaitemgrappic.h"
#include "ProjectData/cmediasourceitem.h"

#include "ProjectDataTestMedia.h"

#include "CBaseException.h"
#include "IAVSource.h"
#include "IRawVideoFrame.h"
#include "MoorlanTypes.h"

#include <QFile>
#include <QImage>
#include <QImageReader>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

using namespace Fablecut;

namespace {

// A frame of layout 30 held in memory, with a row pitch of our choosing.
class MemFrame : public Moorland::IRawVideoFrame
{
public:
    MemFrame(unsigned w, unsigned h, unsigned pitch, bool topDown = true)
        : m_w(w), m_h(h), m_pitch(pitch), m_topDown(topDown), m_data(static_cast<size_t>(pitch) * h, 0xEE)
    {}
    void Set(unsigned x, unsigned y, uint32_t argb) { memcpy(&m_data[y * m_pitch + x * 4], &argb, 4); }
    unsigned GetPixelFormat() override { return Moorland::PIXEL_FORMAT_RGBA32; }
    void GetDimension(unsigned* w, unsigned* h) override
    {
        if (w)
            *w = m_w;
        if (h)
            *h = m_h;
    }
    int GetTimeStamp() override { return 0; }
    void SetTimeStamp(int) override {}
    bool IsTopDown() override { return m_topDown; }
    bool IsPacked() override { return true; }
    unsigned GetBufferCount() override { return 1; }
    unsigned GetTotalSize() override { return static_cast<unsigned>(m_data.size()); }
    unsigned char* GetBuffer(unsigned index, unsigned* lineBytes, unsigned* pitch, unsigned* rows) override
    {
        if (index != 0)
            return nullptr;
        if (lineBytes)
            *lineBytes = m_w * 4;
        if (pitch)
            *pitch = m_pitch;
        if (rows)
            *rows = m_h;
        return m_data.data();
    }
    double GetDAR() override { return 0; }
    bool CropRightAndBottom(unsigned, unsigned) override { return false; }
    void Free() override {}
    unsigned GetDuration() override { return 40; }
    void SetDuration(unsigned) override {}
    unsigned GetDuplicatedCount(unsigned*) override { return 0; }
    void SetDuplicatedCount(unsigned, unsigned) override {}
    IRawVideoFrame* Clone() override { return nullptr; }
    bool CanBeModified() override { return true; }
    void SetCanBeModified(bool) override {}
    bool IsInterlaced() override { return false; }
    void SetInterlaced(bool) override {}
    bool IsTopFieldFirst() override { return false; }
    void SetTopFieldFirst(bool) override {}
    void SetBorderData(void*, int) override {}
    void GetBorderData(void**, int*) override {}
    void* GetInterface(char const*) override { return nullptr; }

private:
    unsigned m_w, m_h, m_pitch;
    bool m_topDown;
    std::vector<unsigned char> m_data;
};

// A source that has nothing ready for the first `empty` reads.
class SlowSource : public Moorland::IAVSource
{
public:
    SlowSource(int empty, Moorland::IRawVideoFrame* frame) : m_empty(empty), m_frame(frame) {}
    void* GetInterface(const char*) override { return nullptr; }
    bool Seek(uint32_t ms) override
    {
        seekedTo = ms;
        return true;
    }
    uint32_t GetDuration() override { return 1000; }
    int GetVideoStreamID() override { return 0; }
    int GetAudioStreamID() override { return -1; }
    uint32_t GetPosition() override { return 0; }
    bool ReadFrames(Moorland::IRawAudioFrame** a, Moorland::IRawVideoFrame** v, void**, int) override
    {
        ++reads;
        if (a)
            *a = nullptr;
        *v = reads > m_empty ? m_frame : nullptr;
        return true;
    }
    bool IsEndOfStream() override { return false; }
    void Release() override {}
    int reads = 0;
    uint32_t seekedTo = 0;

private:
    int m_empty;
    Moorland::IRawVideoFrame* m_frame;
};

QImage Reference(const std::string& file, const char* time, const char* name)
{
    const std::string out = PDTest::Media::Get().Path(name);
    const bool ok = PDTest::Run("ffmpeg -nostdin -v error -y -i '" + file + "' -ss " + time +
                                " -frames:v 1 -pix_fmt rgb24 '" + out + "'");
    return ok ? QImage(QString::fromStdString(out)).convertToFormat(QImage::Format_RGB32) : QImage();
}

// Mean and 99th percentile of the per-channel differences.
void Compare(const QImage& a, const QImage& b, double& mean, int& p99)
{
    std::vector<int> diffs;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            diffs.push_back(std::abs(qRed(p) - qRed(q)));
            diffs.push_back(std::abs(qGreen(p) - qGreen(q)));
            diffs.push_back(std::abs(qBlue(p) - qBlue(q)));
        }
    double sum = 0;
    for (int d : diffs)
        sum += d;
    mean = sum / diffs.size();
    std::sort(diffs.begin(), diffs.end());
    p99 = diffs[diffs.size() * 99 / 100];
}

struct LoadedClip
{
    PDTest::ManagerHolder manager;
    CMediaSourceItem clip;
    explicit LoadedClip(const std::string& path)
    {
        clip.SetAVManager(manager.manager);
        clip.SetSrcFileFullPath(QString::fromStdString(path));
        if (clip.OpenImporter())
            clip.UpdateMovieInfos();
    }
};

} // namespace

// ------------------------------------------------------------ frame grabber

TEST(CDCMoorlanGrapPic, FramePixelsBecomeAPictureWithoutShear)
{
    MemFrame frame(4, 3, 4 * 4 + 12);
    frame.Set(0, 0, 0xFFFF0000);
    frame.Set(3, 0, 0xFF00FF00);
    frame.Set(0, 2, 0x000000FF);
    CDCMoorlanGrapPic grabber(&frame);
    const QImage image = grabber.grapPic(-1, -1);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(QSize(4, 3), image.size());
    EXPECT_EQ(QImage::Format_RGB32, image.format());
    EXPECT_EQ(qRgb(255, 0, 0), image.pixel(0, 0));
    EXPECT_EQ(qRgb(0, 255, 0), image.pixel(3, 0));
    EXPECT_EQ(qRgb(0, 0, 255), image.pixel(0, 2)) << "alpha is dropped";
    EXPECT_EQ(qRgb(0xEE, 0xEE, 0xEE), image.pixel(1, 1));

    // Bottom-up pixels come out upright, in a picture and in a file alike.
    MemFrame up(2, 2, 8, false);
    up.Set(0, 0, 0xFFFFFFFF);
    CDCMoorlanGrapPic upGrabber(&up);
    EXPECT_EQ(qRgb(255, 255, 255), upGrabber.grapPic(-1, -1).pixel(0, 1));
    const std::string file = PDTest::Media::Get().Path("up.png");
    ASSERT_TRUE(upGrabber.grapPicAndSaveTo(file.c_str(), DCImagePNG, -1, -1));
    EXPECT_EQ(qRgb(255, 255, 255), QImage(QString::fromStdString(file)).pixel(0, 1));
}

TEST(CDCMoorlanGrapPic, CropsScalesAndNamesFormats)
{
    MemFrame frame(200, 100, 800);
    CDCMoorlanGrapPic grabber(&frame);
    const QImage cut = grabber.grapPic(rect_t{10.7f, 20.2f, 110.9f, 80.0f}, -1, -1);
    EXPECT_EQ(QSize(100, 59), cut.size());
    const QImage outside = grabber.grapPic(rect_t{150, 50, 250, 150}, -1, -1);
    EXPECT_EQ(QSize(100, 100), outside.size());
    EXPECT_EQ(qRgb(0, 0, 0), outside.pixel(99, 99)) << "outside the picture is black";
    const QImage scaled = grabber.grapPic(50, 20);
    EXPECT_EQ(QSize(50, 20), scaled.size()) << "another size goes through a converter";

    EXPECT_STREQ("JPEG", DCImageFormatName(DCImageJPEG));
    EXPECT_STREQ("JPG", DCImageFormatName(DCImageJPG));
    EXPECT_STREQ("TGA", DCImageFormatName(DCImageTGA));
    EXPECT_EQ(nullptr, DCImageFormatName(static_cast<DCImageFormatType>(14)));
}

TEST(CDCMoorlanGrapPic, FileWritesReportTheirResult)
{
    PD_REQUIRE_MEDIA();
    MemFrame frame(16, 16, 64);
    CDCMoorlanGrapPic grabber(&frame);
    const std::string dir = PDTest::Media::Get().Dir();
    struct Case
    {
        DCImageFormatType format;
        std::string path;
        bool ok;
    } cases[] = {
        {DCImageJPEG, dir + "/a.jpeg", true},
        {DCImageBMP, dir + "/a.bmp", true},
        {DCImagePNG, dir + "/no-such-folder/a.png", false},
        {DCImageSVG, dir + "/a.svg", false},
        {DCImageMNG, dir + "/a.mng", false},
    };
    for (const Case& c : cases) {
        const bool ok = grabber.grapPicAndSaveTo(c.path.c_str(), c.format, -1, -1);
        EXPECT_EQ(c.ok, ok) << c.path;
        if (!c.ok) {
            EXPECT_EQ(10021013, PDTest::LastCode()) << c.path;
            EXPECT_FALSE(QFile::exists(QString::fromStdString(c.path)));
        } else {
            EXPECT_FALSE(QImage(QString::fromStdString(c.path)).isNull()) << c.path;
        }
    }
    EXPECT_FALSE(grabber.grapPicAndSaveTo(nullptr, DCImagePNG, -1, -1));
    EXPECT_EQ(10021003, PDTest::LastCode());
    EXPECT_EQ("Bad pointer", PDTest::LastMessage());
}

TEST(CDCMoorlanGrapPic, WaitsUpToAHundredReadsForAFrame)
{
    MemFrame frame(8, 8, 32);
    SlowSource patient(99, &frame);
    CDCMoorlanGrapPic grabber(&patient, 1234u, false);
    EXPECT_EQ(1234u, patient.seekedTo);
    EXPECT_FALSE(grabber.grapPic(-1, -1).isNull());

    SlowSource never(100, &frame);
    try {
        CDCMoorlanGrapPic failing(&never, 0u, false);
        ADD_FAILURE() << "no frame in 100 reads must throw";
    } catch (const CBaseException& e) {
        EXPECT_EQ(10021003, e.GetCode());
    }
    EXPECT_EQ(100, never.reads);

    SlowSource alsoNever(100, &frame);
    CDCMoorlanGrapPic later(&alsoNever, false);
    EXPECT_TRUE(later.grapPic(-1, -1).isNull()) << "no frame read yet";
    EXPECT_FALSE(later.SetGrapTimePoint(10));
    EXPECT_EQ(10021003, PDTest::LastCode());
    EXPECT_THROW(CDCMoorlanGrapPic(static_cast<Moorland::IAVSource*>(nullptr), false), CBaseException);
    EXPECT_THROW(CDCMoorlanGrapPic(static_cast<Moorland::IRawVideoFrame*>(nullptr)), CBaseException);
}

// ------------------------------------------------------ clip picture grabber

TEST(CDCMediaItemPicGrapper, TargetSizesKeepTheDisplayAspect)
{
    struct Case
    {
        int w, h;
        uint32_t aspect;
        int askW, askH;
        bool keep, byHeight;
        int wantW, wantH;
    } cases[] = {
        {1920, 1080, 0, 640, 480, true, false, 640, 360}, {720, 480, (8u << 16) | 9u, 640, 480, true, false, 640, 480},
        {1920, 1080, 0, 640, 90, true, true, 160, 90},    {1920, 1080, 0, 640, 480, false, false, 640, 480},
        {0, 0, 0, 640, 480, true, false, 640, 480},
    };
    for (const Case& c : cases) {
        PDTest::MovieRecord movie(0, {PDTest::Video(0, c.w, c.h, 1.0, c.aspect)});
        CMediaSourceItem clip;
        Moorland::MovieInfo* list[] = {movie.get()};
        clip.SetMovieInfos(list, 1);
        int w = c.askW, h = c.askH;
        DCGrapTargetSize(&clip, w, h, c.keep, c.byHeight);
        EXPECT_EQ(c.wantW, w) << c.w << "x" << c.h;
        EXPECT_EQ(c.wantH, h) << c.w << "x" << c.h;
    }
}

TEST(CDCMediaItemPicGrapper, GrabEqualsTheFrameFfmpegDecodesAtThatTime)
{
    PD_REQUIRE_MEDIA();
    LoadedClip loaded(PDTest::Media::Get().Clip());
    ASSERT_EQ(0, loaded.clip.GetItemType()) << PDTest::LastMessage();
    struct Case
    {
        int offsetMs;
        const char* at;
    } cases[] = {{0, "0"}, {1000, "1.0"}, {1640, "1.64"}};
    for (const Case& c : cases) {
        QImage image;
        ASSERT_TRUE(GrapMediaItemPic(&loaded.clip, c.offsetMs, image, -1, -1, false, false)) << PDTest::LastMessage();
        const QImage ref = Reference(PDTest::Media::Get().Clip(), c.at, "ref.png");
        ASSERT_FALSE(ref.isNull());
        ASSERT_EQ(ref.size(), image.size());
        double mean = 0;
        int p99 = 0;
        Compare(image, ref, mean, p99);
        // Both convert the same decoded picture to RGB with the same
        // library; a little room is left for another scaler build.
        EXPECT_LT(mean, 0.5) << c.at;
        EXPECT_LE(p99, 2) << c.at;
        EXPECT_EQ(nullptr, loaded.clip.GetAVSourse()) << "the clip's source is freed again";
    }

    // The import thumbnail: 640 wide, the height from the aspect.
    QImage thumb;
    ASSERT_TRUE(GrapMediaItemPic(&loaded.clip, 0, thumb, 640, 480, true, false));
    EXPECT_EQ(QSize(640, 480), thumb.size());
    LoadedClip sar(PDTest::Media::Get().Sar());
    ASSERT_TRUE(GrapMediaItemPic(&sar.clip, 0, thumb, 640, 480, true, false));
    EXPECT_EQ(QSize(640, 540), thumb.size()) << "8:9 samples show 320x240 as 320x270";

    // The offset counts from the trim start.
    loaded.clip.SetTrimStartPoint(0.64, false);
    QImage offset;
    ASSERT_TRUE(GrapMediaItemPic(&loaded.clip, 1000, offset, -1, -1, false, false));
    double mean = 0;
    int p99 = 0;
    Compare(offset, Reference(PDTest::Media::Get().Clip(), "1.64", "ref.png"), mean, p99);
    EXPECT_LT(mean, 0.5);
}

TEST(CDCMediaItemPicGrapper, OneCallGrabsNeverTouchASourceAPlayerHolds)
{
    PD_REQUIRE_MEDIA();
    LoadedClip loaded(PDTest::Media::Get().Clip());
    // A player holds a clip through the source it made with UpdateAVSource.
    ASSERT_TRUE(loaded.clip.UpdateAVSource());
    Moorland::IAVSource* held = loaded.clip.GetAVSourse();
    QImage image;
    EXPECT_FALSE(GrapMediaItemPic(&loaded.clip, 0, image, 64, 48, false, false));
    EXPECT_EQ(10021010, PDTest::LastCode());
    EXPECT_EQ(held, loaded.clip.GetAVSourse()) << "the player's source is left alone";
    EXPECT_TRUE(image.isNull());
    const std::string file = PDTest::Media::Get().Path("held.png");
    EXPECT_FALSE(GrapMediaItemPic(&loaded.clip, 0, file, DCImagePNG, 64, 48, false, false));
    EXPECT_EQ(held, loaded.clip.GetAVSourse());

    // The clip's own grabber opens a source of its own and keeps it.
    CDCMediaItemPicGrapper grapper(loaded.manager.manager, &loaded.clip);
    ASSERT_TRUE(grapper.GrapPic(image, 80, 60, true, true)) << PDTest::LastMessage();
    EXPECT_EQ(QSize(80, 60), image.size());
    ASSERT_TRUE(grapper.GrapPic(file, DCImagePNG, 80, 60, false, false));
    EXPECT_EQ(QSize(80, 60), QImage(QString::fromStdString(file)).size());
    EXPECT_EQ(held, loaded.clip.GetAVSourse());
    grapper.ReleaseAVSource();
    grapper.ReleaseAVSource();
}

TEST(CDCMediaItemPicGrapper, CropFollowsMirroring)
{
    PD_REQUIRE_MEDIA();
    LoadedClip loaded(PDTest::Media::Get().Clip());
    QImage whole;
    {
        CDCMediaItemPicGrapper grapper(loaded.manager.manager, &loaded.clip);
        ASSERT_TRUE(grapper.GrapPic(whole, -1, -1, false, false));
    }
    loaded.clip.SetCrop(0, 0, 40, 240);
    {
        CClipSettingsChange change;
        change.mirror = true;
        change.WriteTo(loaded.clip);
    }
    CDCMediaItemPicGrapper grapper(loaded.manager.manager, &loaded.clip);
    grapper.SetEnableCrop(true);
    QImage cut;
    ASSERT_TRUE(grapper.GrapPic(cut, -1, -1, false, false)) << PDTest::LastMessage();
    ASSERT_EQ(QSize(40, 240), cut.size());
    // Effects off: the frame is not flipped, so the mirrored crop is the right edge.
    EXPECT_EQ(whole.copy(280, 0, 40, 240), cut);
}

TEST(CDCMediaItemPicGrapper, EffectsRunTheClipsPictureSettings)
{
    PD_REQUIRE_MEDIA();
    LoadedClip loaded(PDTest::Media::Get().Clip());
    QImage plain;
    {
        CDCMediaItemPicGrapper grapper(loaded.manager.manager, &loaded.clip);
        ASSERT_TRUE(grapper.GrapPic(plain, -1, -1, false, false));
    }
    {
        CClipSettingsChange change;
        change.effect = EffectGray;
        change.mirror = true;
        change.WriteTo(loaded.clip);
    }
    CDCMediaItemPicGrapper grapper(loaded.manager.manager, &loaded.clip);
    grapper.SetEnableEffect(true);
    QImage edited;
    ASSERT_TRUE(grapper.GrapPic(edited, -1, -1, false, false)) << PDTest::LastMessage();
    ASSERT_EQ(plain.size(), edited.size());
    int coloured = 0;
    for (int y = 0; y < edited.height(); y += 7)
        for (int x = 0; x < edited.width(); x += 7) {
            const QRgb p = edited.pixel(x, y);
            if (std::abs(qRed(p) - qGreen(p)) > 3 || std::abs(qGreen(p) - qBlue(p)) > 3)
                ++coloured;
        }
    EXPECT_EQ(0, coloured) << "the gray effect leaves no colour";
    // Mirrored: the picture is far closer to the plain one turned left to
    // right than to the plain one (grey levels of either conversion differ).
    const QImage turned = plain.mirrored(true, false);
    double toTurned = 0, toPlain = 0;
    for (int y = 0; y < edited.height(); y += 5)
        for (int x = 0; x < edited.width(); x += 5) {
            toTurned += std::abs(qGray(turned.pixel(x, y)) - qGray(edited.pixel(x, y)));
            toPlain += std::abs(qGray(plain.pixel(x, y)) - qGray(edited.pixel(x, y)));
        }
    EXPECT_LT(toTurned * 2, toPlain);
}
