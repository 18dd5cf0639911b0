// The frame player widget with its controller: placement of the picture,
// controls without an item, pictures on screen after seeks and steps, the
// clip's effects through the chain, snapshots, and loading, resizing and
// closing while playing.

#include "PlayersTestMedia.h"

#include "utility/CEffectsProc.h"
#include "ProjectData/ctimelineitem.h"
#include "Preview/ctimelineplayback.h"
#include "Preview/vdcframeplayer.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTransform>

#include <algorithm>
#include <functional>
#include <vector>

#include <gtest/gtest.h>

using PlayersTest::WaitFor;

namespace {

// The picture part of what the widget shows.
QImage Shown(VDCFramePlayer& player)
{
    const QImage all = player.GetPresentedImage();
    return all.isNull() ? all : all.copy(player.GetCDCDrawFrameRect());
}

// Attaches an effect chain for one test and detaches it however the test
// ends: the player's render thread must not see the chain after it is gone.
struct ChainAttached
{
    ChainAttached(VDCFramePlayer& player, CEffectsProc& effects) : player(player) { player.SetEffectProc(&effects); }
    ~ChainAttached() { player.SetEffectProc(nullptr); }
    ChainAttached(const ChainAttached&) = delete;
    ChainAttached& operator=(const ChainAttached&) = delete;
    VDCFramePlayer& player;
};

int ShownIndex(VDCFramePlayer& player)
{
    return PlayersTest::PictureIndex(Shown(player));
}

double MeanLevel(const QImage& image)
{
    double sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            sum += qGray(image.pixel(x, y));
    return image.isNull() ? 0 : sum / (image.width() * image.height());
}

double MeanDifference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return 1e9;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}

// An item of a given view size whose source cannot be made.
class SizedItem : public IDCPlaySourceItem
{
public:
    SizedItem(unsigned w, unsigned h) : m_w(w), m_h(h) {}
    const QImage* GetThumbnailData() const override { return nullptr; }
    unsigned int GetPixelHeight() const override { return m_h; }
    unsigned int GetPixelWidth() const override { return m_w; }
    unsigned int GetViewHeight() const override { return m_h; }
    unsigned int GetViewWidth() const override { return m_w; }
    void* GetInterFace(const char*) override { return nullptr; }
    CBaseTime GetDuration() const override { return CBaseTime(0.0); }
    bool Interlaced() const override { return false; }
    Moorland::IAVSource* GetAVSourse() const override { return nullptr; }
    void FreeAVSource() override { ++freed; }
    bool NeedUpdateSource() override { return true; }
    bool UpdateAVSource() override
    {
        GetQuentaException()->SetException(10021017, "No Video StreamInfo", __LINE__, __FILE__);
        return false;
    }
    int freed = 0;

private:
    unsigned m_w, m_h;
};

class FramePlayer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        PELLINO_REQUIRE_MEDIA();
        player = std::make_unique<VDCFramePlayer>();
        player->resize(320, 240);
        player->InitPlayer();
        player->show();
    }
    // A clip of the fixture (it outlives the player's hold on it), loaded.
    Fablecut::CMediaSourceItem* Load(const std::string& path)
    {
        Fablecut::CMediaSourceItem* clip = Keep(path);
        if (clip) {
            EXPECT_TRUE(player->SetSourceItem(clip)) << GetQuentaException()->GetExceptionMsg();
        }
        return clip;
    }
    Fablecut::CMediaSourceItem* Keep(const std::string& path)
    {
        auto clip = PlayersTest::Clip(manager.manager, path);
        EXPECT_TRUE(clip) << GetQuentaException()->GetExceptionMsg();
        clips.push_back(std::move(clip));
        return clips.back().get();
    }
    void TearDown() override
    {
        if (player)
            player->SetPreviewBtnPicInfo(nullptr, QRect());
        if (player)
            player->SetSourceItem(nullptr);
        player.reset();
    }
    // Waits until the shown picture carries the index.
    bool Shows(int index)
    {
        return WaitFor([&] { return ShownIndex(*player) == index; });
    }

    MediaTest::ManagerHolder manager;
    std::vector<std::unique_ptr<Fablecut::CMediaSourceItem>> clips;
    std::unique_ptr<VDCFramePlayer> player;
};

TEST(FramePlayerAlone, PlacesThePictureFittedAndCentred)
{
    const struct
    {
        unsigned frameW, frameH;
        int widgetW, widgetH;
        rect_t expected;
    } cases[] = {
        {1920, 1080, 400, 300, {0, 37.5f, 400, 262.5f}},
        {320, 240, 400, 300, {0, 0, 400, 300}},
        {1080, 1920, 400, 300, {116, 0, 284, 300}}, // scaled to whole pixels: 168 x 300
        {720, 0, 400, 300, {0, 0, 400, 300}},       // no view height: the whole widget
    };
    for (const auto& c : cases) {
        VDCFramePlayer widget;
        widget.resize(c.widgetW, c.widgetH);
        widget.InitPlayer();
        SizedItem item(c.frameW, c.frameH);
        ASSERT_TRUE(widget.SetSourceItem(&item));
        EXPECT_FALSE(widget.GetVideoPlayer()->GetMediaEnabled());
        widget.UpdateDisplayFrameSize();
        const rect_t r = widget.GetDrawRect();
        EXPECT_FLOAT_EQ(r.left, c.expected.left) << c.frameW << "x" << c.frameH;
        EXPECT_FLOAT_EQ(r.top, c.expected.top) << c.frameW << "x" << c.frameH;
        EXPECT_FLOAT_EQ(r.right, c.expected.right) << c.frameW << "x" << c.frameH;
        EXPECT_FLOAT_EQ(r.bottom, c.expected.bottom) << c.frameW << "x" << c.frameH;
        ASSERT_TRUE(widget.SetSourceItem(nullptr));
        EXPECT_EQ(item.freed, 1) << "the replaced item's source is let go";
    }
}

TEST(FramePlayerAlone, ControlsWithoutAnItemDoNothing)
{
    VDCFramePlayer widget;
    widget.InitPlayer();
    EXPECT_FALSE(widget.Play());
    EXPECT_FALSE(widget.Pause());
    EXPECT_FALSE(widget.Stop());
    EXPECT_FALSE(widget.NextFrame());
    EXPECT_FALSE(widget.PreFrame());
    EXPECT_FALSE(widget.Seek(100));
    EXPECT_EQ(widget.GetPlayerRunState(), DCPlayerClosed);
    EXPECT_EQ(widget.GetDuration().ToSeconds(), 0.0);
    // A snapshot without a picture fails with the recorded reason.
    QImage image;
    EXPECT_FALSE(widget.Snapshot(-1, -1, image, false));
    EXPECT_EQ(GetQuentaException()->GetExceptionCode(), 10021008);
    EXPECT_STREQ(GetQuentaException()->GetExceptionMsg(), "Fail to get player video buffer");
}

TEST_F(FramePlayer, SeeksAndStepsShowExactlyTheExpectedPictureAndStayPaused)
{
    Fablecut::CMediaSourceItem* clip = Load(PellinoTest::Media::Get().Indexed());
    ASSERT_TRUE(clip);
    EXPECT_NEAR(player->GetDuration().ToSeconds(), 4.0, 0.05);
    const struct
    {
        unsigned ms;
        int index;
    } seeks[] = {{2400, 60}, {40, 1}, {1999, 49}, {3960, 99}, {1000, 25}};
    for (const auto& c : seeks) {
        ASSERT_TRUE(player->Seek(c.ms)) << c.ms;
        EXPECT_TRUE(Shows(c.index)) << "seek to " << c.ms << " shows " << ShownIndex(*player);
        EXPECT_EQ(player->GetPlayerRunState(), DCPlayerPaused);
    }
    for (int expected : {26, 27, 28}) {
        ASSERT_TRUE(player->NextFrame());
        EXPECT_TRUE(Shows(expected)) << ShownIndex(*player);
    }
    for (int expected : {27, 26}) {
        ASSERT_TRUE(player->PreFrame());
        EXPECT_TRUE(Shows(expected)) << ShownIndex(*player);
    }
    // The picture stays: nothing moves while paused.
    PlayersTest::Pump(300);
    EXPECT_EQ(ShownIndex(*player), 26);
    long long border = 0;
    int value = 0;
    ASSERT_TRUE(player->GetCurPicBorderTime(border, value));
    EXPECT_EQ(border, 26 * 40);
    EXPECT_EQ(value, 26);
    // The snapshot is the picture on screen.
    QImage snap;
    ASSERT_TRUE(player->Snapshot(-1, -1, snap, false));
    EXPECT_EQ(snap.size(), QSize(320, 240));
    EXPECT_EQ(PlayersTest::PictureIndex(snap), 26);
    ASSERT_TRUE(player->Snapshot(160, 90, snap, false));
    EXPECT_EQ(snap.size(), QSize(160, 90));
}

TEST_F(FramePlayer, TheClipsEffectsShowOnTheLetterboxedPicture)
{
    Fablecut::CMediaSourceItem* clip = Load(PellinoTest::Media::Get().Bars1080());
    ASSERT_TRUE(clip);
    CEffectsProc effects(manager.manager);
    const ChainAttached attached(*player, effects);
    player->SetSelfEffect(true);
    player->resize(400, 300);
    PlayersTest::Pump(50);
    const rect_t r = player->GetDrawRect();
    EXPECT_FLOAT_EQ(r.top, 37.5f);
    EXPECT_FLOAT_EQ(r.bottom, 262.5f);
    ASSERT_TRUE(player->Seek(400));
    ASSERT_TRUE(WaitFor([&] { return player->GetPresentedImage().size() == QSize(400, 300); }));
    PlayersTest::Pump(100);
    const QImage plain = Shown(*player);
    const double plainLevel = MeanLevel(plain);
    // Black bars above and below the picture.
    const QImage all = player->GetPresentedImage();
    for (int x : {0, 100, 399}) {
        EXPECT_EQ(all.pixel(x, 10) & 0xFFFFFF, 0u);
        EXPECT_EQ(all.pixel(x, 290) & 0xFFFFFF, 0u);
    }
    // Brightness +50: the next paint of the widget shows it, also while
    // paused (a holder asks for one after every edit).
    {
        CClipSettingsChange change;
        change.videoEffectOn = true;
        change.brightness = 50;
        change.WriteTo(*clip);
    }
    player->RedrawPicture();
    ASSERT_TRUE(WaitFor([&] { return MeanLevel(Shown(*player)) > plainLevel + 10; }))
        << plainLevel << " " << MeanLevel(Shown(*player));
    // It equals the decoded picture through the chain, scaled.
    QImage expected;
    ASSERT_TRUE(player->Snapshot(-1, -1, expected, true)) << GetQuentaException()->GetExceptionMsg();
    EXPECT_EQ(expected.size(), QSize(1920, 1080));
    const QImage shown = Shown(*player);
    const QImage scaled = expected.scaled(shown.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                              .convertToFormat(QImage::Format_RGB32);
    EXPECT_LT(MeanDifference(shown.convertToFormat(QImage::Format_RGB32), scaled), 6.0);
    QImage unedited;
    ASSERT_TRUE(player->Snapshot(-1, -1, unedited, false));
    EXPECT_GT(MeanLevel(expected), MeanLevel(unedited) + 10);
    // Snapshot files: the suffix's format, ".tif" as BMP.
    QTemporaryDir dir;
    std::string path = (dir.path() + "/shot.tif").toStdString();
    ASSERT_TRUE(player->Snapshot(640, 360, DCImageBMP, path, true)) << GetQuentaException()->GetExceptionMsg();
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.read(2), QByteArray("BM"));
    EXPECT_EQ(QImage(QString::fromStdString(path), "BMP").size(), QSize(640, 360));

    // A quarter turn shows tall on screen, fitted by its turned shape, and
    // the snapshot has the turned size.
    {
        CClipSettingsChange change;
        change.videoTurnOn = true;
        change.rotationAngle = 270;
        change.WriteTo(*clip);
    }
    player->RedrawPicture();
    ASSERT_TRUE(WaitFor([&] { return Shown(*player).height() > Shown(*player).width(); }))
        << Shown(*player).width() << " x " << Shown(*player).height();
    EXPECT_EQ(player->GetCDCDrawFrameRect(), QRect(116, 0, 168, 300));
    QImage turned;
    ASSERT_TRUE(player->Snapshot(-1, -1, turned, true)) << GetQuentaException()->GetExceptionMsg();
    EXPECT_EQ(turned.size(), QSize(1080, 1920));
}

TEST_F(FramePlayer, AnOverlayImageOfAnyLayoutIsDrawnAndAnEmptyOneSkipped)
{
    Fablecut::CMediaSourceItem* clip = Load(PellinoTest::Media::Get().Indexed());
    ASSERT_TRUE(clip);
    ASSERT_TRUE(player->Seek(1200));
    ASSERT_TRUE(Shows(30));
    // A 24-bit image over (100, 150)-(139, 179) of the 320 x 240 view.
    static QImage mark(8, 8, QImage::Format_RGB888);
    mark.fill(QColor(255, 0, 0));
    player->SetPreviewBtnPicInfo(&mark, QRect(100, 150, 40, 30));
    player->GetVideoPlayer()->UpdateVideo();
    const auto red = [&] {
        const QRgb p = Shown(*player).pixel(120, 165);
        return qRed(p) > 240 && qGreen(p) < 20 && qBlue(p) < 20;
    };
    ASSERT_TRUE(WaitFor(red));
    EXPECT_FALSE(qRed(Shown(*player).pixel(95, 165)) > 240) << "only inside its rectangle";
    EXPECT_EQ(ShownIndex(*player), 30) << "the picture around it stays";
    // An empty rectangle draws nothing and harms nothing.
    player->SetPreviewBtnPicInfo(&mark, QRect());
    player->GetVideoPlayer()->UpdateVideo();
    ASSERT_TRUE(WaitFor([&] { return !red(); }));
    player->SetPreviewBtnPicInfo(nullptr, QRect());
}

TEST_F(FramePlayer, ThePlaceholderIsCentredAndAZeroSizedWindowGetsNothing)
{
    QTemporaryDir skin;
    QImage start(50, 40, QImage::Format_ARGB32);
    start.fill(QColor(0, 200, 0));
    ASSERT_TRUE(start.save(skin.path() + "/start.png"));
    player->SetSkinPath(skin.path());
    player->resize(0, 0);
    PlayersTest::Pump(20);
    ASSERT_TRUE(player->SetSourceItem(nullptr));
    player->GetVideoPlayer()->UpdateVideo();
    PlayersTest::Pump(50);
    player->resize(200, 150);
    PlayersTest::Pump(50);
    player->GetVideoPlayer()->UpdateVideo();
    ASSERT_TRUE(WaitFor([&] { return player->GetPresentedImage().size() == QSize(200, 150); }));
    const QImage shown = player->GetPresentedImage();
    EXPECT_EQ(shown.pixel(100, 75), qRgb(0, 200, 0));
    EXPECT_EQ(shown.pixel(76, 56), qRgb(0, 200, 0));
    EXPECT_EQ(shown.pixel(74, 75) & 0xFFFFFF, 0u);
    EXPECT_EQ(shown.pixel(5, 5) & 0xFFFFFF, 0u);
}

TEST_F(FramePlayer, AnEmptyPlayerShowsItsStartPictureCentredAtEverySize)
{
    QTemporaryDir skin;
    QImage start(50, 40, QImage::Format_ARGB32);
    start.fill(QColor(0, 200, 0));
    ASSERT_TRUE(start.save(skin.path() + "/start.png"));
    player->resize(200, 150);
    PlayersTest::Pump(20);
    // The skin arrives after the window has its size, then the window grows.
    player->SetSkinPath(skin.path());
    ASSERT_TRUE(WaitFor([&] {
        const QImage shown = player->GetPresentedImage();
        return shown.size() == QSize(200, 150) && shown.pixel(100, 75) == qRgb(0, 200, 0);
    }));
    player->resize(300, 220);
    ASSERT_TRUE(WaitFor([&] { return player->GetPresentedImage().size() == QSize(300, 220); }));
    const QImage shown = player->GetPresentedImage();
    EXPECT_EQ(shown.pixel(150, 110), qRgb(0, 200, 0));
    EXPECT_EQ(shown.pixel(124, 110) & 0xFFFFFF, 0u);
}

TEST_F(FramePlayer, ASnapshotWithEffectsButNoProcessorFailsCleanly)
{
    Fablecut::CMediaSourceItem* clip = Load(PellinoTest::Media::Get().Indexed());
    ASSERT_TRUE(clip);
    ASSERT_TRUE(player->Seek(400));
    QImage image;
    EXPECT_FALSE(player->Snapshot(-1, -1, image, true));
    EXPECT_EQ(GetQuentaException()->GetExceptionCode(), 10021003);
    EXPECT_TRUE(player->Snapshot(-1, -1, image, false));
}

TEST_F(FramePlayer, PlaysATrimmedClipFromItsTrimStartToItsTrimEnd)
{
    Fablecut::CMediaSourceItem* clip = Keep(PellinoTest::Media::Get().Indexed());
    ASSERT_TRUE(clip);
    clip->SetTrimStartPoint(CBaseTime(1.0), true);
    clip->SetTrimEndPoint(CBaseTime(2.0), true);
    ASSERT_TRUE(player->SetSourceItem(clip));
    EXPECT_NEAR(player->GetTrimStartPoint().ToSeconds(), 1.0, 1e-6);
    EXPECT_NEAR(player->GetTrimEndPoint().ToSeconds(), 2.0, 1e-6);
    std::vector<int> seen;
    QObject::connect(player.get(), &VDCFramePlayer::signal_FramePresented,
                     [&] { seen.push_back(ShownIndex(*player)); });
    ASSERT_TRUE(player->Play());
    ASSERT_TRUE(WaitFor([&] { return player->Eof(); }));
    PlayersTest::Pump(100);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), 49) << "the last picture before the trim end";
    int first = -1;
    for (int i : seen)
        if (i >= 25 && first < 0)
            first = i;
    EXPECT_EQ(first, 25);
    for (int i : seen)
        EXPECT_LT(i, 50);
}

TEST_F(FramePlayer, LoadUnloadResizeAndCloseWhilePlayingNeverHang)
{
    Fablecut::CMediaSourceItem* a = Keep(PellinoTest::Media::Get().Indexed());
    Fablecut::CMediaSourceItem* b = Keep(PellinoTest::Media::Get().FlashBeep());
    ASSERT_TRUE(a && b);
    // 100 cycles here (a tenth of a second each under the sanitizers); the
    // benchmark runs 200 on the optimised build.
    for (int cycle = 0; cycle < 100; ++cycle) {
        Fablecut::CMediaSourceItem* item = cycle % 2 ? a : b;
        ASSERT_TRUE(player->SetSourceItem(item)) << cycle;
        player->Play();
        player->resize(200 + cycle % 5 * 40, 150 + cycle % 3 * 30);
        QCoreApplication::processEvents();
        switch (cycle % 4) {
        case 0: player->Close(); break;
        case 1: player->SetSourceItem(nullptr); break;
        case 2: player->Seek(static_cast<unsigned>(cycle * 37 % 3000)); break;
        default: player->Stop(); break;
        }
    }
    ASSERT_TRUE(player->SetSourceItem(a));
    ASSERT_TRUE(player->Seek(800));
    EXPECT_TRUE(Shows(20));
}

TEST_F(FramePlayer, SettingsChangedFastWhilePlayingAreSafe)
{
    Fablecut::CMediaSourceItem* clip = Load(PellinoTest::Media::Get().Indexed());
    ASSERT_TRUE(clip);
    CEffectsProc effects(manager.manager);
    const ChainAttached attached(*player, effects);
    player->SetSelfEffect(true);
    ASSERT_TRUE(player->Play());
    // A fixed number of changes, each while the pictures keep coming: about
    // a second on a quiet machine.
    for (int n = 0; n < 300; ++n) {
        {
            CClipSettingsChange change;
            change.videoEffectOn = n % 2;
            change.brightness = n % 100 - 50;
            change.volume = 1.0 + n % 3;
            change.mute = n % 5 == 0;
            change.audioReplacePath = QString("/tmp/none-%1.wav").arg(n);
            change.WriteTo(*clip);
        }
        player->SetVolume(static_cast<unsigned>(n % 400));
        player->GetVideoPlayer()->PublishClipSettings();
        QCoreApplication::processEvents();
        QTest::qSleep(1);
    }
    EXPECT_TRUE(player->Stop());
}

} // namespace

// A still image (decoded as RGB) and the same picture as H.264 (planar YUV)
// show one colour edit alike: the effects count in the levels a conversion
// uses, whatever the layout of the decoded picture.
TEST_F(FramePlayer, AStillAndAVideoOfOnePictureShowAColourEditAlike)
{
    MediaTest::Folder folder("frameplayer-still");
    ASSERT_TRUE(MediaTest::Run(folder.FFmpeg() + "-f lavfi -i testsrc2=size=320x240 -frames:v 1 still.png") &&
                MediaTest::Run(folder.FFmpeg() + "-loop 1 -i still.png -t 1 -r 25 -c:v libx264 -preset ultrafast "
                                                 "-crf 5 -pix_fmt yuv444p video.mp4"));
    CEffectsProc effects(manager.manager);
    const ChainAttached attached(*player, effects);
    player->SetSelfEffect(true);
    QImage shown[2];
    const char* names[2] = {"still.png", "video.mp4"};
    for (int i = 0; i < 2; ++i) {
        Fablecut::CMediaSourceItem* clip = Load(folder.Path(names[i]));
        ASSERT_TRUE(clip);
        {
            CClipSettingsChange change;
            change.videoEffectOn = true;
            change.contrast = 60;
            change.brightness = -30;
            change.WriteTo(*clip);
        }
        ASSERT_TRUE(player->Seek(200));
        ASSERT_TRUE(WaitFor([&] { return player->GetPlayerRunState() == DCPlayerPaused && !Shown(*player).isNull(); }));
        PlayersTest::Pump(300);
        shown[i] = Shown(*player).convertToFormat(QImage::Format_RGB32);
    }
    ASSERT_EQ(shown[0].size(), shown[1].size());
    const QSize small(80, 60);
    EXPECT_LT(MeanDifference(shown[0].scaled(small, Qt::IgnoreAspectRatio, Qt::SmoothTransformation),
                             shown[1].scaled(small, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)),
              3.0);
}

TEST_F(FramePlayer, SnapshotsKeepThePicturesShape)
{
    // PAL's 720x576 of 16:15 samples shows 4:3: 768x576 in square pixels;
    // a phone's portrait picture keeps its own.
    MediaTest::Folder folder("frameplayer-shape");
    ASSERT_TRUE(MediaTest::Run(folder.FFmpeg() + "-f lavfi -i testsrc2=size=720x576:rate=25:duration=0.4 "
                                                 "-vf setsar=16/15 -c:v mpeg2video -q:v 3 pal.mpg") &&
                MediaTest::Run(folder.FFmpeg() + "-f lavfi -i testsrc2=size=360x640:rate=25:duration=0.4 "
                                                 "-c:v libx264 -preset ultrafast -pix_fmt yuv420p phone.mp4"));
    CEffectsProc effects(manager.manager);
    const ChainAttached attached(*player, effects);
    player->SetSelfEffect(true);
    const struct
    {
        const char* file;
        QSize shape;
    } cases[] = {{"pal.mpg", QSize(768, 576)}, {"phone.mp4", QSize(360, 640)}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        Fablecut::CMediaSourceItem* clip = Load(folder.Path(c.file));
        ASSERT_TRUE(clip);
        ASSERT_TRUE(player->Seek(80));
        ASSERT_TRUE(WaitFor([&] { return player->GetPlayerRunState() == DCPlayerPaused && !Shown(*player).isNull(); }));
        for (bool withEffects : {false, true}) {
            QImage image;
            ASSERT_TRUE(player->Snapshot(-1, -1, image, withEffects)) << GetQuentaException()->GetExceptionMsg();
            EXPECT_EQ(image.size(), c.shape) << withEffects;
        }
        QTemporaryDir dir;
        std::string path = (dir.path() + "/shot.png").toStdString();
        ASSERT_TRUE(player->Snapshot(-1, -1, DCImagePNG, path, true)) << GetQuentaException()->GetExceptionMsg();
        EXPECT_EQ(QImage(QString::fromStdString(path), "PNG").size(), c.shape);
    }
}

TEST_F(FramePlayer, ATimelinesEffectsWorkOnThePictureNeverOnItsBars)
{
    // The portrait first clip gives the timeline its frame; the wide clip
    // after it lies between black bars above and below.
    MediaTest::Folder folder("frameplayer-bars");
    ASSERT_TRUE(MediaTest::Run(folder.FFmpeg() + "-f lavfi -i testsrc2=size=360x640:rate=25:duration=0.4 "
                                                 "-c:v libx264 -preset ultrafast -pix_fmt yuv420p phone.mp4") &&
                MediaTest::Run(folder.FFmpeg() + "-f lavfi -i testsrc2=size=640x360:rate=25:duration=0.8 "
                                                 "-c:v libx264 -preset ultrafast -pix_fmt yuv420p wide.mp4"));
    Fablecut::CMediaSourceItem* phone = Keep(folder.Path("phone.mp4"));
    Fablecut::CMediaSourceItem* wide = Keep(folder.Path("wide.mp4"));
    ASSERT_TRUE(phone && wide);
    CTimelineItem timeline;
    timeline.SetAVManager(manager.manager);
    ASSERT_TRUE(timeline.AppendItem(phone));
    ASSERT_TRUE(timeline.AppendItem(wide));
    auto* second = dynamic_cast<Fablecut::CMediaSourceItem*>(timeline.getItemByIndex(1));
    ASSERT_NE(second, nullptr);
    CEffectsProc effects(manager.manager);
    const ChainAttached attached(*player, effects);
    player->SetSelfEffect(true);
    CTimelinePlayback playback(timeline);
    ASSERT_TRUE(player->SetSourceItem(&playback)) << GetQuentaException()->GetExceptionMsg();

    const struct
    {
        const char* what;
        bool bars; // a turned picture stands in the portrait frame, filling it
        std::function<void()> set;
    } cases[] = {
        {"invert", true,
         [&] {
             CClipSettingsChange change;
             change.videoEffectOn = true;
             change.effect = EffectInvert;
             change.WriteTo(*second);
         }},
        {"brightness", true,
         [&] {
             CClipSettingsChange change;
             change.effect = EffectNone;
             change.brightness = 60;
             change.WriteTo(*second);
         }},
        {"aged film", true,
         [&] {
             CClipSettingsChange change;
             change.brightness = 0;
             change.effect = EffectAgedFilm;
             change.WriteTo(*second);
         }},
        {"3D", true,
         [&] {
             CClipSettingsChange change;
             change.effect = EffectNone;
             change.depthOn = true;
             change.depthType = static_cast<E3DEffectType>(1);
             change.depth = 50;
             change.WriteTo(*second);
         }},
        {"a quarter turn", false,
         [&] {
             CClipSettingsChange change;
             change.depthOn = false;
             change.videoTurnOn = true;
             change.rotationAngle = 90;
             change.WriteTo(*second);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.set();
        player->RedrawPicture();
        ASSERT_TRUE(player->Seek(600));
        ASSERT_TRUE(WaitFor([&] { return player->GetPlayerRunState() == DCPlayerPaused && !Shown(*player).isNull(); }));
        PlayersTest::Pump(200);
        QImage snap;
        ASSERT_TRUE(player->Snapshot(-1, -1, snap, true)) << GetQuentaException()->GetExceptionMsg();
        ASSERT_EQ(snap.size(), QSize(360, 640));
        // 640x360 fitted into 360x640 lies 202 lines high in the middle:
        // the top and bottom rows are bar. Turned, it fills the frame, which
        // itself stays standing.
        for (int y : c.bars ? std::vector<int>{2, 637} : std::vector<int>{})
            for (int x : {2, 180, 357})
                EXPECT_LE(qGray(snap.pixel(x, y)), 2) << x << "," << y;
        // The picture itself did change.
        QImage plain;
        ASSERT_TRUE(player->Snapshot(-1, -1, plain, false));
        EXPECT_GT(
            MeanDifference(snap.convertToFormat(QImage::Format_RGB32), plain.convertToFormat(QImage::Format_RGB32)),
            2.0);
    }
    player->SetSourceItem(nullptr);
}

// Level changes, flips and turns run on the picture already scaled to the
// window: what shows must still be the picture the chain makes at its own
// size (the snapshot's, as a conversion makes it), scaled, turned the right
// way, and fitted by its turned shape, at even and odd window sizes and for
// wide and portrait pictures.
TEST_F(FramePlayer, PixelByPixelEffectsOnTheShownSizeShowThePictureTheChainMakesAtItsOwnSize)
{
    MediaTest::Folder folder("frameplayer-shown");
    ASSERT_TRUE(MediaTest::Run(folder.FFmpeg() + "-f lavfi -i testsrc2=size=1280x720:rate=25:duration=0.4 "
                                                 "-c:v libx264 -preset ultrafast -pix_fmt yuv420p wide.mp4") &&
                MediaTest::Run(folder.FFmpeg() + "-f lavfi -i testsrc2=size=360x640:rate=25:duration=0.4 "
                                                 "-c:v libx264 -preset ultrafast -pix_fmt yuv420p phone.mp4"));
    CEffectsProc effects(manager.manager);
    const ChainAttached attached(*player, effects);
    player->SetSelfEffect(true);
    const struct
    {
        const char* what;
        const char* file;
        QSize window;
        int brightness, contrast, saturation;
        EffectType effect;
        int rotation; // -1: no turn
        bool mirror;
        QSize shown; // the picture's place in the window
    } cases[] = {
        {"colour", "wide.mp4", QSize(400, 300), 20, 10, 15, EffectNone, -1, false, QSize(400, 225)},
        {"colour, a quarter turn", "wide.mp4", QSize(400, 300), 20, 10, 15, EffectNone, 90, false, QSize(168, 300)},
        {"colour, three quarters, mirrored", "wide.mp4", QSize(333, 211), -25, 30, -40, EffectNone, 270, true,
         QSize(118, 211)},
        {"gray, a half turn", "wide.mp4", QSize(333, 211), 0, 0, 0, EffectGray, 180, false, QSize(333, 187)},
        {"portrait, inverted, a quarter turn", "phone.mp4", QSize(333, 211), 0, 0, 0, EffectInvert, 90, false,
         QSize(333, 187)},
        {"portrait, aged film", "phone.mp4", QSize(400, 300), 0, 0, 0, EffectAgedFilm, -1, false, QSize(168, 300)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Fablecut::CMediaSourceItem* clip = Load(folder.Path(c.file));
        ASSERT_TRUE(clip);
        {
            CClipSettingsChange change;
            change.videoEffectOn = true;
            change.brightness = c.brightness;
            change.contrast = c.contrast;
            change.saturation = c.saturation;
            change.effect = c.effect;
            change.videoTurnOn = c.rotation >= 0;
            change.rotationAngle = std::max(0, c.rotation);
            change.mirror = c.mirror;
            change.WriteTo(*clip);
        }
        player->resize(c.window);
        PlayersTest::Pump(50);
        ASSERT_TRUE(player->Seek(200));
        ASSERT_TRUE(WaitFor([&] {
            return player->GetPlayerRunState() == DCPlayerPaused && player->GetPresentedImage().size() == c.window &&
                   Shown(*player).size() == c.shown;
        })) << Shown(*player).width()
            << " x " << Shown(*player).height();
        PlayersTest::Pump(100);
        const QImage shown = Shown(*player).convertToFormat(QImage::Format_RGB32);
        QImage file;
        ASSERT_TRUE(player->Snapshot(-1, -1, file, true)) << GetQuentaException()->GetExceptionMsg();
        // Compared at one small size, free of two scalers' differences at
        // sharp edges.
        const QSize small = c.shown.width() > c.shown.height() ? QSize(48, 27) : QSize(27, 48);
        const auto at = [&](const QImage& image) {
            return image.convertToFormat(QImage::Format_RGB32)
                .scaled(small, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                .convertToFormat(QImage::Format_RGB32);
        };
        EXPECT_LE(MeanDifference(at(shown), at(file)), 3.0) << "the picture the chain makes at its own size";
        // The test picture is symmetric in nothing: a turn the wrong way
        // lies far from it.
        EXPECT_GT(MeanDifference(at(shown), at(file.transformed(QTransform().rotate(180)))), 10.0);
    }
}
