#include "ProjectData/cmediasourceitem.h"

#include "ProjectDataTestMedia.h"

#include "IAVSource.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace Fablecut;
using Moorland::StreamTypeAudio;
using Moorland::StreamTypeSubtitle;
using Moorland::StreamTypeVideo;
using PDTest::Audio;
using PDTest::MovieRecord;
using PDTest::Video;

namespace {

// A clip given one hand-made movie, as the library-file reader restores one.
void Restore(CMediaSourceItem& clip, MovieRecord& movie)
{
    Moorland::MovieInfo* list[] = {movie.get()};
    ASSERT_TRUE(clip.SetMovieInfos(list, 1));
}

rect_t Crop(const CMediaSourceItem& clip)
{
    return clip.GetCrop();
}

void ExpectCrop(const CMediaSourceItem& clip, float l, float t, float r, float b, const char* what)
{
    const rect_t c = Crop(clip);
    EXPECT_FLOAT_EQ(l, c.left) << what;
    EXPECT_FLOAT_EQ(t, c.top) << what;
    EXPECT_FLOAT_EQ(r, c.right) << what;
    EXPECT_FLOAT_EQ(b, c.bottom) << what;
}

} // namespace

// ------------------------------------------------------------- the clip

TEST(CMediaSourceItem, NewClipAnswersOnlyTheGroupsThatNeedNoPicture)
{
    CMediaSourceItem clip;
    EXPECT_EQ(64, clip.GetItemType());
    EXPECT_DOUBLE_EQ(0.0, clip.GetDuration().ToSeconds());
    ExpectCrop(clip, 0, 0, 0, 0, "new clip");
    EXPECT_EQ(nullptr, clip.GetInterFace("EDITINFO_VIDEOEFFECT_INTERFACE"));
    EXPECT_EQ(nullptr, clip.GetInterFace("EDITINFO_VIDEOTURN_INTERFACE"));
    EXPECT_EQ(nullptr, clip.GetInterFace("EDITINFO_3DEFFECT_INTERFACE"));
    EXPECT_NE(nullptr, clip.GetInterFace("EDITINFO_TRIM_INTERFACE"));
    EXPECT_NE(nullptr, clip.GetInterFace("EDITINFO_AUDIOEDIT_INTERFACE"));
    EXPECT_EQ(nullptr, clip.GetInterFace("EDITINFO_VIDEOCROP_INTERFACE"));
    EXPECT_EQ(nullptr, clip.GetInterFace("editinfo_trim_interface"));
    EXPECT_EQ(nullptr, clip.GetInterFace(nullptr));
    EXPECT_EQ(static_cast<IDCPlaySourceItem*>(&clip), clip.GetInterFace("DC_PLAYSOURCE_INTERFACE"));
    EXPECT_EQ(static_cast<ISourceDataItem*>(&clip), clip.GetInterFace("IDCDATAITEMEX_INTERFACE"));
    EXPECT_EQ(nullptr, clip.GetStreamInfo(StreamTypeVideo, 0));
    EXPECT_EQ(nullptr, clip.GetCurMovieInfo());
    EXPECT_TRUE(clip.GetSourceFormat().isEmpty());

    MovieRecord movie(0, {Video(0, 320, 240, 2.0)});
    Restore(clip, movie);
    auto* effect = static_cast<IEditInfoVideoEffect*>(clip.GetInterFace("EDITINFO_VIDEOEFFECT_INTERFACE"));
    ASSERT_NE(nullptr, effect);
    {
        CClipSettingsChange change;
        change.brightness = -30;
        change.WriteTo(clip);
    }
    EXPECT_EQ(-30, effect->GetBrightness()) << "the interface is a view into the clip";
}

TEST(CMediaSourceItem, CropStaysInTheFrameAndAtLeastFortyWide)
{
    MovieRecord movie(0, {Video(0, 1920, 1080, 10.0)});
    struct Case
    {
        rect_t start, asked;
        rect_t want;
        const char* what;
    } cases[] = {
        {{0, 0, 1920, 1080}, {100, 100, 5000, 5000}, {100, 100, 1920, 1080}, "edges past the frame"},
        {{0, 0, 1920, 1080}, {10, 0, 30, 1080}, {10, 0, 40, 1080}, "right below 40 becomes 40"},
        {{100, 0, 500, 1080}, {600, 0, 620, 1080}, {100, 0, 500, 1080}, "too narrow in the middle: kept"},
        {{0, 0, 1920, 1080}, {1900, 0, 1920, 1080}, {1880, 0, 1920, 1080}, "too narrow at the right edge"},
        {{0, 0, 1920, 1080}, {0, 0, 40, 1080}, {0, 0, 40, 1080}, "exactly 40 is accepted"},
        {{0, 0, 1920, 1080}, {-50, -20, 800, 600}, {0, 0, 800, 600}, "negative edges are pulled in"},
        {{0, 0, 1920, 1080}, {700, 0, 300, 1080}, {0, 0, 1920, 1080}, "crossed edges restore"},
        {{0, 0, 1920, 1080}, {0, 1070, 1920, 1080}, {0, 1040, 1920, 1080}, "too low at the bottom edge"},
    };
    for (const Case& c : cases) {
        CMediaSourceItem clip;
        Restore(clip, movie);
        clip.SetCrop(c.start);
        clip.SetCrop(c.asked.left, c.asked.top, c.asked.right, c.asked.bottom);
        ExpectCrop(clip, c.want.left, c.want.top, c.want.right, c.want.bottom, c.what);
    }

    // A frame smaller than 40 pixels: the crop can never leave it.
    MovieRecord tiny(0, {Video(0, 32, 24, 1.0)});
    CMediaSourceItem clip;
    Restore(clip, tiny);
    clip.SetCrop(5, 5, 10, 10);
    ExpectCrop(clip, 5, 5, 32, 24, "tiny frame");
    clip.SetCrop(-10, -10, 90, 90);
    ExpectCrop(clip, 0, 0, 32, 24, "tiny frame, edges outside");
}

// Trims keep within the clip and leave at least one picture (1/25 s here),
// unless they are exact.
TEST(CMediaSourceItem, TrimsKeepWithinTheClipUnlessExact)
{
    MovieRecord movie(0, {Video(0, 320, 240, 10.0)});
    struct Case
    {
        bool start;
        double t;
        bool exact;
        double wantStart, wantEnd, wantDuration;
    } cases[] = {
        {true, 9, false, 7.96, 8, 0.04},  {false, 12, false, 2, 10, 8},    {false, 1, false, 2, 2.04, 0.04},
        {true, -3, false, 0, 8, 8},       {true, 9, true, 9, 8, -1},       {false, -1, true, 2, -1, -3},
        {false, 2, false, 2, 2.04, 0.04}, {true, 8, false, 7.96, 8, 0.04},
    };
    for (const Case& c : cases) {
        CMediaSourceItem clip;
        Restore(clip, movie);
        clip.SetTrimStartPoint(2.0, false);
        clip.SetTrimEndPoint(8.0, false);
        if (c.start)
            clip.SetTrimStartPoint(c.t, c.exact);
        else
            clip.SetTrimEndPoint(c.t, c.exact);
        EXPECT_NEAR(c.wantStart, clip.GetTrimStartPoint().ToSeconds(), 1e-9) << c.t;
        EXPECT_NEAR(c.wantEnd, clip.GetTrimEndPoint().ToSeconds(), 1e-9) << c.t;
        EXPECT_NEAR(c.wantDuration, clip.GetTrimDuration().ToSeconds(), 1e-9) << c.t;
    }
}

TEST(CMediaSourceItem, RotationIsNormalisedToQuarterTurns)
{
    struct Case
    {
        int in, out;
    } cases[] = {{-90, 270}, {450, 90}, {100, 90}, {-30, 0}, {180, 180}, {-450, 270}, {720, 0}};
    for (const Case& c : cases) {
        CMediaSourceItem clip;
        {
            CClipSettingsChange change;
            change.rotationAngle = c.in;
            change.WriteTo(clip);
        }
        EXPECT_EQ(c.out, clip.GetRotationAngle()) << c.in;
    }
    CMediaSourceItem clip;
    {
        CClipSettingsChange change;
        change.audioReplaceLoop = true;
        change.WriteTo(clip);
    }
    EXPECT_TRUE(clip.IsAudioReplaceLoop());
    EXPECT_FALSE(clip.IsEnableAudioReplace());
}

TEST(CMediaSourceItem, CloneIsIndependentWithItsOwnDescriptionPath)
{
    MovieRecord movie(0, {Video(0, 320, 240, 4.0), Audio(1, 4.0)});
    CMediaSourceItem clip;
    Restore(clip, movie);
    clip.SetCrop(10, 10, 200, 200);
    {
        CClipSettingsChange change;
        change.mirror = true;
        change.volume = 0.25;
        change.WriteTo(clip);
    }
    clip.SetTrimStartPoint(1.0, false);
    clip.SetFrameValue(77);
    clip.setName("name");

    ISourceDataItem* cloned = clip.CloneDataItem();
    auto* copy = dynamic_cast<CMediaSourceItem*>(cloned);
    ASSERT_NE(nullptr, copy);
    EXPECT_NE(clip.GetSeixFilePath(), copy->GetSeixFilePath());
    EXPECT_TRUE(copy->GetSeixFilePath().endsWith(".seix"));
    EXPECT_EQ(nullptr, copy->GetImporter());
    EXPECT_EQ(nullptr, copy->GetAVSourse());
    EXPECT_TRUE(copy->EditInfoEqualWith(clip));
    EXPECT_EQ(77, copy->GetFrameValue());
    EXPECT_EQ(clip.GetCurVideoStreamID(), copy->GetCurVideoStreamID());
    EXPECT_NE(clip.GetCurMovieInfo(), copy->GetCurMovieInfo()) << "descriptions are deep copies";

    {
        CClipSettingsChange change;
        change.brightness = 40;
        change.WriteTo(*copy);
    }
    copy->SetCrop(0, 0, 100, 100);
    EXPECT_EQ(0, clip.GetBrightness());
    EXPECT_FALSE(copy->EditInfoEqualWith(clip));

    CMediaSourceItem assigned;
    const QString ownPath = assigned.GetSeixFilePath();
    assigned = clip;
    EXPECT_EQ(ownPath, assigned.GetSeixFilePath());
    EXPECT_TRUE(assigned.EditInfoEqualWith(clip));
    assigned = assigned;
    EXPECT_TRUE(assigned.EditInfoEqualWith(clip));
    cloned->Free();
}

TEST(CMediaSourceItem, ThumbnailsKeptAsPngAreDecodedOnUse)
{
    QImage picture(20, 10, QImage::Format_RGB32);
    picture.fill(qRgb(10, 200, 30));
    CMediaSourceItem clip;
    clip.SetThumbnailPic(picture);
    const QByteArray png = clip.GetThumbnailPng();
    ASSERT_TRUE(png.startsWith("\x89PNG"));

    CMediaSourceItem restored;
    restored.SetThumbnailPng(png);
    CMediaSourceItem* copy = dynamic_cast<CMediaSourceItem*>(restored.CloneDataItem());
    EXPECT_EQ(picture, *restored.GetThumbnailData());
    EXPECT_EQ(picture, *copy->GetThumbnailData());
    EXPECT_EQ(png, copy->GetThumbnailPng()) << "a restored thumbnail is written back as it was read";
    copy->Free();

    QByteArray damaged = png;
    const int pixels = damaged.indexOf("IDAT") + 6;
    ASSERT_GT(pixels, 6);
    damaged[pixels] = static_cast<char>(damaged[pixels] ^ 0x55);
    CMediaSourceItem broken;
    broken.SetThumbnailPng(damaged);
    EXPECT_TRUE(broken.GetThumbnailData()->isNull()) << "damaged bytes give no thumbnail, and no crash";
    broken.SetThumbnailPng(QByteArray());
    EXPECT_TRUE(broken.GetThumbnailPng().isEmpty());
}

TEST(CMediaSourceItem, DestroyingRemovesOnlyTheClipsOwnDescription)
{
    QString path;
    {
        CMediaSourceItem clip;
        path = clip.GetSeixFilePath();
        EXPECT_FALSE(QFile::exists(path));
    }
    {
        auto* clip = new CMediaSourceItem;
        path = clip->GetSeixFilePath();
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.close();
        clip->Free();
        EXPECT_FALSE(QFile::exists(path));
    }
}

// ----------------------------------------------------------- probing

TEST(CMediaSourceItem, DisplaySizeFollowsTheSampleAspect)
{
    struct Case
    {
        uint32_t aspect;
        unsigned viewH;
    } cases[] = {{(8u << 16) | 9u, 540}, {(32u << 16) | 27u, 405}, {0, 480}, {9u, 480}, {(8u << 16), 480}};
    for (const Case& c : cases) {
        MovieRecord movie(0, {Video(0, 720, 480, 1.0, c.aspect)});
        CMediaSourceItem clip;
        Restore(clip, movie);
        EXPECT_EQ(720u, clip.GetPixelWidth());
        EXPECT_EQ(480u, clip.GetPixelHeight());
        EXPECT_EQ(720u, clip.GetViewWidth()) << std::hex << c.aspect;
        EXPECT_EQ(c.viewH, clip.GetViewHeight()) << std::hex << c.aspect;
    }
}

TEST(CMediaSourceItem, MoviesGiveDurationTrimCropAndType)
{
    {
        MovieRecord movie(4, {Audio(1, 12.0), Video(0, 640, 360, 10.0)}, "matroska");
        CMediaSourceItem clip;
        Restore(clip, movie);
        EXPECT_DOUBLE_EQ(12.0, clip.GetDuration().ToSeconds()) << "the longest stream";
        EXPECT_DOUBLE_EQ(0.0, clip.GetTrimStartPoint().ToSeconds());
        EXPECT_DOUBLE_EQ(12.0, clip.GetTrimEndPoint().ToSeconds());
        ExpectCrop(clip, 0, 0, 640, 360, "whole frame");
        EXPECT_EQ(0, clip.GetItemType());
        EXPECT_EQ(0, clip.GetCurMovieIndex());
        EXPECT_EQ(4, clip.GetCurMovieID());
        EXPECT_EQ(0, clip.GetCurVideoStreamID());
        EXPECT_EQ(1, clip.GetCurAudioStreamID());
        EXPECT_EQ(QString("matroska"), clip.GetSourceFormat());
    }
    {
        MovieRecord movie(0, {Audio(3, 5.0)});
        CMediaSourceItem clip;
        Restore(clip, movie);
        EXPECT_EQ(1, clip.GetItemType());
        EXPECT_EQ(nullptr, clip.GetInterFace("EDITINFO_VIDEOTURN_INTERFACE"));
    }
    {
        CMediaSourceItem clip;
        EXPECT_TRUE(clip.SetMovieInfos(nullptr, 0));
        EXPECT_EQ(-1, clip.GetCurMovieIndex());
        EXPECT_EQ(64, clip.GetItemType());
        EXPECT_EQ(0u, clip.GetPixelWidth());
        ExpectCrop(clip, 0, 0, 0, 0, "no movies");
    }
}

TEST(CMediaSourceItem, StreamSwitchesPullTrimsInOrResetTheClip)
{
    MovieRecord movie(
        0, {Video(0, 320, 240, 6.0), Audio(1, 12.0), Audio(2, 8.0), Video(3, 160, 120, 6.0), {StreamTypeSubtitle, 4}});
    CMediaSourceItem clip;
    Restore(clip, movie);
    clip.SetTrimStartPoint(2.0, false);
    clip.SetTrimEndPoint(11.0, false);
    clip.SetCrop(10, 10, 200, 200);

    EXPECT_FALSE(clip.SetCurStreamIndex(StreamTypeAudio, 0)) << "already current";
    EXPECT_FALSE(clip.SetCurStreamIndex(StreamTypeAudio, 2));
    EXPECT_FALSE(clip.SetCurStreamIndex(StreamTypeVideo, -1));
    EXPECT_TRUE(clip.SetCurStreamIndex(StreamTypeAudio, 1));
    EXPECT_EQ(2, clip.GetCurAudioStreamID());
    EXPECT_DOUBLE_EQ(8.0, clip.GetDuration().ToSeconds());
    EXPECT_DOUBLE_EQ(2.0, clip.GetTrimStartPoint().ToSeconds());
    EXPECT_DOUBLE_EQ(8.0, clip.GetTrimEndPoint().ToSeconds());
    ExpectCrop(clip, 10, 10, 200, 200, "an audio switch keeps the crop");

    EXPECT_TRUE(clip.SetCurStreamIndex(StreamTypeVideo, 1));
    EXPECT_EQ(160u, clip.GetPixelWidth());
    EXPECT_DOUBLE_EQ(0.0, clip.GetTrimStartPoint().ToSeconds());
    EXPECT_DOUBLE_EQ(8.0, clip.GetTrimEndPoint().ToSeconds());
    ExpectCrop(clip, 0, 0, 160, 120, "a video switch resets the crop");

    EXPECT_TRUE(clip.SetCurStreamIndex(StreamTypeSubtitle, 0) == false) << "the first subtitle is current already";
    EXPECT_EQ(1, clip.GetStreamCount(StreamTypeSubtitle));
}

TEST(CMediaSourceItem, ChoicesPastNewMovieCountsAreReset)
{
    MovieRecord two(0, {Video(0, 320, 240, 2.0), Audio(1, 2.0), Audio(2, 2.0)});
    CMediaSourceItem clip;
    Restore(clip, two);
    ASSERT_TRUE(clip.SetCurStreamIndex(StreamTypeAudio, 1));
    ASSERT_EQ(2, clip.GetCurAudioStreamID());

    // The file now has one sound: the choice of the second must not point past it.
    MovieRecord one(0, {Video(0, 320, 240, 2.0), Audio(5, 2.0)});
    Restore(clip, one);
    EXPECT_EQ(0, clip.GetCurStreamIndex(StreamTypeAudio));
    EXPECT_EQ(5, clip.GetCurAudioStreamID());
    EXPECT_NE(nullptr, clip.GetCurStreamInfo(StreamTypeAudio));

    // Handing the clip its own records back keeps them intact.
    int count = 0;
    Moorland::MovieInfo** own = clip.GetMovieInfos(count);
    ASSERT_EQ(1, count);
    EXPECT_TRUE(clip.SetMovieInfos(own, count));
    EXPECT_EQ(5, clip.GetCurAudioStreamID());
}

TEST(CMediaSourceItem, ProbesAFileAndHoldsNoSourceUntilAsked)
{
    PD_REQUIRE_MEDIA();
    PDTest::ManagerHolder manager;
    CMediaSourceItem clip;
    clip.SetAVManager(manager.manager);
    clip.SetSrcFileFullPath(QString::fromStdString(PDTest::Media::Get().Clip()));
    EXPECT_GT(clip.GetSourceFileSize(), 0);
    EXPECT_TRUE(clip.LastModifiedDateTime().isValid());
    ASSERT_TRUE(clip.OpenImporter()) << PDTest::LastMessage();
    Moorland::IAVImporter* importer = clip.GetImporter();
    EXPECT_TRUE(clip.OpenImporter());
    EXPECT_EQ(importer, clip.GetImporter()) << "an open importer is kept";
    EXPECT_FALSE(clip.GetImporterName().isEmpty());
    clip.UpdateMovieInfos();
    EXPECT_EQ(0, clip.GetItemType());
    EXPECT_EQ(320u, clip.GetPixelWidth());
    EXPECT_NEAR(2.0, clip.GetDuration().ToSeconds(), 0.1);
    EXPECT_EQ(nullptr, clip.GetAVSourse());

    EXPECT_TRUE(clip.NeedUpdateSource());
    ASSERT_TRUE(clip.UpdateAVSource()) << PDTest::LastMessage();
    Moorland::IAVSource* source = clip.GetAVSourse();
    ASSERT_NE(nullptr, source);
    EXPECT_FALSE(clip.NeedUpdateSource());
    EXPECT_TRUE(clip.UpdateAVSource());
    EXPECT_EQ(source, clip.GetAVSourse()) << "no change keeps the source";

    clip.CloseImporter();
    EXPECT_EQ(nullptr, clip.GetImporter());
    EXPECT_EQ(nullptr, clip.GetAVSourse());
    // A restored clip opens its importer when a source is needed.
    ASSERT_TRUE(clip.UpdateAVSource()) << PDTest::LastMessage();
    EXPECT_NE(nullptr, clip.GetImporter());
}

TEST(CMediaSourceItem, FilesWithoutPictureOrImporterAreRefused)
{
    PD_REQUIRE_MEDIA();
    PDTest::ManagerHolder manager;
    struct Case
    {
        std::string path;
        bool manager;
        int code;
    } cases[] = {
        {PDTest::Media::Get().Tone(), true, 10021017},
        {PDTest::Media::Get().Path("missing.mp4"), true, 10021003},
        {PDTest::Media::Get().Clip(), false, 10021003},
    };
    for (const Case& c : cases) {
        CMediaSourceItem clip;
        clip.SetAVManager(c.manager ? manager.manager : nullptr);
        clip.SetSrcFileFullPath(QString::fromStdString(c.path));
        EXPECT_FALSE(clip.OpenImporter()) << c.path;
        EXPECT_EQ(c.code, PDTest::LastCode()) << c.path;
        EXPECT_EQ(64, clip.GetItemType());
        EXPECT_EQ(nullptr, clip.GetImporter());
    }
    CMediaSourceItem clip;
    clip.SetAVManager(manager.manager);
    clip.SetSrcFileFullPath(QString::fromStdString(PDTest::Media::Get().Tone()));
    EXPECT_FALSE(clip.OpenImporter());
    EXPECT_EQ("No Video StreamInfo", PDTest::LastMessage());

    // A file the manager refuses keeps the manager's reason, naming the file.
    const std::string damaged = PDTest::Media::Get().Path("damaged.mp4");
    std::ofstream(damaged) << "this is not a movie\n";
    for (const std::string& path : {damaged, PDTest::Media::Get().Path("missing.mp4")}) {
        CMediaSourceItem refused;
        refused.SetAVManager(manager.manager);
        refused.SetSrcFileFullPath(QString::fromStdString(path));
        EXPECT_FALSE(refused.OpenImporter());
        EXPECT_EQ(10021003, PDTest::LastCode()) << path;
        EXPECT_NE(PDTest::LastMessage(), "Bad pointer") << path;
        EXPECT_NE(PDTest::LastMessage().find(path), std::string::npos) << PDTest::LastMessage();
    }
}

TEST(CMediaSourceItem, SourceFailuresAreRecordedAndLeaveNoStaleIds)
{
    PD_REQUIRE_MEDIA();
    PDTest::ManagerHolder manager;
    CMediaSourceItem clip;
    clip.SetAVManager(manager.manager);
    clip.SetSrcFileFullPath(QString::fromStdString(PDTest::Media::Get().Clip()));
    ASSERT_TRUE(clip.OpenImporter());
    // Descriptions naming a stream the file does not have: no source can be
    // made, and the clip must still report that it needs one.
    MovieRecord bogus(0, {Video(42, 320, 240, 2.0)});
    Restore(clip, bogus);
    EXPECT_FALSE(clip.UpdateAVSource());
    EXPECT_NE(0, PDTest::LastCode());
    EXPECT_EQ(nullptr, clip.GetAVSourse());
    EXPECT_TRUE(clip.NeedUpdateSource());

    MovieRecord noMovieId(-1, {Video(0, 320, 240, 2.0)});
    Restore(clip, noMovieId);
    EXPECT_FALSE(clip.UpdateAVSource());
    EXPECT_EQ(10021005, PDTest::LastCode());
    EXPECT_EQ("cannot locate current movie", PDTest::LastMessage());

    CMediaSourceItem empty;
    empty.SetAVManager(manager.manager);
    empty.SetSrcFileFullPath(QString::fromStdString(PDTest::Media::Get().Clip()));
    ASSERT_TRUE(empty.OpenImporter());
    MovieRecord subtitleOnly(0, {{StreamTypeSubtitle, 9}});
    Restore(empty, subtitleOnly);
    EXPECT_FALSE(empty.UpdateAVSource());
    EXPECT_NE(0, PDTest::LastCode()) << "nothing to play is a recorded failure";
}

// ------------------------------------------------------ edit description

namespace {

struct SeixClip
{
    PDTest::RecordingManager manager;
    CMediaSourceItem clip;
    MovieRecord movie;
    explicit SeixClip(std::vector<PDTest::StreamSpec> streams) : movie(0, std::move(streams))
    {
        clip.SetAVManager(&manager);
        clip.SetSrcFileFullPath("/v/a.mov");
        clip.SetImporterName("FFImporter");
        Moorland::MovieInfo* list[] = {movie.get()};
        clip.SetMovieInfos(list, 1);
    }
    std::string Calls() { return manager.Last() ? PDTest::Joined(manager.Last()->calls) : std::string(); }
};

} // namespace

TEST(CMediaSourceItem, EditDescriptionWithEveryEdit)
{
    SeixClip s({Video(0, 320, 240, 10.0, (8u << 16) | 9u), Audio(1, 10.0, 44100, 1)});
    s.clip.SetTrimStartPoint(1.5, false);
    s.clip.SetTrimEndPoint(7.25, false);
    s.clip.SetCrop(10.7f, 20.2f, 300.9f, 200.0f);
    {
        CClipSettingsChange change;
        change.effect = EffectGray;
        change.saturation = 5;
        change.verReverse = true;
        change.audioReplaceOn = true;
        change.audioReplacePath = "/music/b.wav";
        change.audioReplaceLoop = true;
        change.volume = 1.001;
        change.WriteTo(s.clip);
    }
    s.clip.SetSrcInterlaced(true);
    s.clip.UpdateSeixFile(true);

    EXPECT_EQ("ClearTimeLine\n"
              "InsertClip 0 /v/a.mov?movieid=0&astreamid=1&vstreamid=0 FFImporter trim=1500..7250 margins=10,20,19,40\n"
              "AddClipFilter 0 0 gray (no params)\n"
              "AddClipFilter 0 0 brightness_contrast brightness=0 contrast=0 saturation=5\n"
              "AddClipFilter 0 0 reverse mirror=0 vertical=1\n"
              "SetReplaceAudio /music/b.wav 0 1\n"
              "SetClipVolume 0 1.0010\n"
              "SetClipInterlaced 0 1\n"
              "SetOutputFormat 0 320x240 rate=1/25 audio=44100/1 aspect=524297\n"
              "SaveTimeLine\n",
              s.Calls());
    EXPECT_TRUE(QFile::exists(s.clip.GetSeixFilePath()));
    EXPECT_EQ(0, s.manager.Live()) << "the writer is released";
}

TEST(CMediaSourceItem, EditDescriptionWithoutEditsOrWithMissingStreams)
{
    {
        SeixClip s({Video(0, 320, 240, 10.0), Audio(1, 10.0)});
        s.clip.SetCrop(10, 10, 100, 100);
        {
            CClipSettingsChange change;
            change.effect = EffectInvert;
            change.mirror = true;
            change.volume = 0.5;
            change.WriteTo(s.clip);
        }
        s.clip.UpdateSeixFile(false);
        const std::string calls = s.Calls();
        EXPECT_NE(std::string::npos, calls.find("margins=0,0,0,0"));
        EXPECT_EQ(std::string::npos, calls.find("AddClipFilter"));
        EXPECT_EQ(std::string::npos, calls.find("SetClipVolume"));
        EXPECT_NE(std::string::npos, calls.find("SetClipInterlaced 0 0"));
        EXPECT_NE(std::string::npos, calls.find("SetOutputFormat"));
    }
    {
        SeixClip s({Audio(1, 4.0)});
        s.clip.SetCrop(10, 10, 100, 100);
        s.clip.UpdateSeixFile(true);
        const std::string calls = s.Calls();
        EXPECT_NE(std::string::npos, calls.find("/v/a.mov?movieid=0&astreamid=1 FFImporter"));
        EXPECT_NE(std::string::npos, calls.find("margins=0,0,0,0"));
        EXPECT_NE(std::string::npos, calls.find("SetOutputFormat 0 0x0 rate=0/0 audio=48000/2"));
        EXPECT_NE(std::string::npos, calls.find("DisableStreamType 1"));
    }
    {
        SeixClip s({Video(0, 320, 240, 4.0)});
        {
            CClipSettingsChange change;
            change.volume = 1.00005;
            change.WriteTo(s.clip);
        }
        s.clip.UpdateSeixFile(true);
        const std::string calls = s.Calls();
        EXPECT_NE(std::string::npos, calls.find("/v/a.mov?movieid=0&vstreamid=0 "));
        EXPECT_EQ(std::string::npos, calls.find("SetClipVolume"));
        EXPECT_NE(std::string::npos, calls.find("margins=0,0,0,0")) << "a full-frame crop cuts nothing";
        EXPECT_NE(std::string::npos, calls.find("DisableStreamType 2"));
    }
    {
        CMediaSourceItem clip;
        PDTest::RecordingManager manager;
        clip.SetAVManager(&manager);
        clip.UpdateSeixFile(true);
        EXPECT_EQ(0, manager.created) << "no movie, nothing written";
    }
}

TEST(CMediaSourceItem, EditDescriptionFailuresKeepTheOldFileAndReleaseTheWriter)
{
    SeixClip s({Video(0, 320, 240, 4.0)});
    s.clip.UpdateSeixFile(false);
    const QString path = s.clip.GetSeixFilePath();
    ASSERT_TRUE(QFile::exists(path));
    const qint64 size = QFileInfo(path).size();

    s.manager.answerTimeline = false;
    s.clip.UpdateSeixFile(true);
    EXPECT_EQ(0, s.manager.Live()) << "released although the timeline was missing";
    EXPECT_TRUE(QFile::exists(path));

    s.manager.answerTimeline = true;
    {
        CClipSettingsChange change;
        change.volume = 0.3;
        change.WriteTo(s.clip);
    }
    s.clip.UpdateSeixFile(true);
    const qint64 withVolume = QFileInfo(path).size();
    s.manager.failSaves = true;
    s.clip.UpdateSeixFile(false);
    EXPECT_NE(0, PDTest::LastCode());
    EXPECT_TRUE(QFile::exists(path)) << "a failed save keeps the previous description";
    EXPECT_GT(withVolume, size);
    EXPECT_EQ(withVolume, QFileInfo(path).size());
    EXPECT_EQ(0, s.manager.Live());
}
