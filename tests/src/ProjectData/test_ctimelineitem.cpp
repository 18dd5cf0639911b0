#include "ProjectData/ctimelineitem.h"

#include "ProjectData/cdcmoorlangrappic.h"
#include "ProjectData/cmediaitemgrappic.h"
#include "ProjectData/cmediasourceitem.h"

#include "ProjectDataTestMedia.h"

#include "IAVSource.h"
#include "IRawVideoFrame.h"

#include <QCoreApplication>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>

using namespace Fablecut;
using PDTest::Audio;
using PDTest::MovieRecord;
using PDTest::Video;

namespace {

QCoreApplication* App()
{
    static int argc = 1;
    static char name[] = "test_ctimelineitem";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app =
        QCoreApplication::instance() ? QCoreApplication::instance() : new QCoreApplication(argc, argv);
    return app;
}

// A library clip restored from hand-made descriptions, trimmed as asked.
std::unique_ptr<CMediaSourceItem> Clip(const char* path, double duration, double trimStart, double trimEnd,
                                       std::vector<PDTest::StreamSpec> streams = {})
{
    if (streams.empty())
        streams = {Video(0, 320, 240, duration), Audio(1, duration)};
    MovieRecord movie(0, streams);
    auto clip = std::make_unique<CMediaSourceItem>();
    clip->SetSrcFileFullPath(path);
    clip->setName(path);
    clip->SetImporterName("FFImporter");
    Moorland::MovieInfo* list[] = {movie.get()};
    clip->SetMovieInfos(list, 1);
    clip->SetTrimEndPoint(trimEnd, false);
    clip->SetTrimStartPoint(trimStart, false);
    return clip;
}

struct Timeline : ::testing::Test
{
    PDTest::RecordingManager manager;
    CTimelineItem timeline;
    void SetUp() override
    {
        App();
        timeline.SetAVManager(&manager);
    }
    // Appends copies of clips with the given trimmed durations (from 0).
    void Fill(std::initializer_list<double> durations)
    {
        int n = 0;
        for (double d : durations) {
            const std::string path = "/media/" + std::to_string(n++) + ".mp4";
            auto clip = Clip(path.c_str(), 20.0, 0.0, d);
            ASSERT_TRUE(timeline.AppendItem(clip.get()));
        }
    }
    QString PathAt(int i) { return timeline.getItemByIndex(i)->GetSrcFileFullPath(); }
    std::string Calls() { return manager.Last() ? PDTest::Joined(manager.Last()->calls) : std::string(); }
};

} // namespace

TEST(InsertAToBByIndex, PlacesOrRefuses)
{
    std::map<int, int> unused;
    auto a = Clip("/a", 1, 0, 1), b = Clip("/b", 1, 0, 1), c = Clip("/c", 1, 0, 1);
    std::vector<ISourceDataItem*> items;
    insert_a_to_b_by_index(-1, a.get(), items);
    insert_a_to_b_by_index(1, b.get(), items);
    insert_a_to_b_by_index(0, c.get(), items);
    ASSERT_EQ(3u, items.size());
    EXPECT_EQ(c.get(), items[0]);
    EXPECT_EQ(b.get(), items[2]);
    insert_a_to_b_by_index(4, a.get(), items);
    insert_a_to_b_by_index(0, nullptr, items);
    EXPECT_EQ(3u, items.size());
}

TEST_F(Timeline, StartPointsAndLookupByTime)
{
    Fill({2.0, 3.0, 4.0});
    EXPECT_DOUBLE_EQ(9.0, timeline.GetDuration().ToSeconds());
    EXPECT_DOUBLE_EQ(2.0, timeline.getItemByIndex(1)->GetStartPoint().ToSeconds());
    EXPECT_DOUBLE_EQ(5.0, timeline.getItemByIndex(2)->GetStartPoint().ToSeconds());
    struct Case
    {
        double t;
        int index;
    } cases[] = {{2.0, 0}, {2.000001, 0}, {2.1, 1}, {9.0, 2}, {9.1, -1}, {-1.0, 0}};
    for (const Case& c : cases) {
        ISourceDataItem* item = timeline.getItemByTime(c.t);
        EXPECT_EQ(c.index, timeline.IndexOfItem(item)) << c.t;
        if (c.index == -1) {
            EXPECT_EQ(nullptr, item);
        }
    }
    EXPECT_EQ(timeline.getItemByIndex(2), timeline.getItemByIndex(-1));
    EXPECT_EQ(nullptr, timeline.getItemByIndex(3));
    EXPECT_EQ(1u, timeline.getItemsByFullPath("/media/1.mp4").size());
}

TEST_F(Timeline, InsertingByTimeOnlyAtClipStartsOrTheEnd)
{
    auto x = Clip("/x.mp4", 20.0, 0.0, 1.0);
    QList<ISourceDataItem*> items{x.get()};
    EXPECT_FALSE(timeline.InsertItemsByTime(items, 1.0));
    EXPECT_TRUE(timeline.InsertItemsByTime(items, 0.0));
    timeline.clearAllItems();
    Fill({2.0, 3.0, 4.0});
    EXPECT_TRUE(timeline.InsertItemsByTime(items, 5.0));
    EXPECT_EQ(QString("/x.mp4"), PathAt(2));
    EXPECT_TRUE(timeline.InsertItemsByTime(items, 10.0));
    EXPECT_EQ(QString("/x.mp4"), PathAt(4));
    EXPECT_FALSE(timeline.InsertItemsByTime(items, 4.0));
    EXPECT_EQ(5, timeline.ChildItemsCount());
    EXPECT_FALSE(timeline.InsertItemsByTime({}, 0.0));
}

TEST_F(Timeline, InsertingCopiesByIndex)
{
    auto p = Clip("/p.mp4", 20.0, 0.0, 2.0);
    p->SetThumbnailPic(QImage(8, 6, QImage::Format_RGB32));
    EXPECT_TRUE(timeline.InsertItemByIndex(p.get(), 0));
    EXPECT_NE(static_cast<ISourceDataItem*>(p.get()), timeline.getItemByIndex(0)) << "the timeline holds a copy";
    EXPECT_EQ(QSize(8, 6), timeline.GetThumbnailData()->size());
    EXPECT_EQ(timeline.getItemByIndex(0), timeline.getCurItem()) << "the rewrite makes the first clip current";
    EXPECT_EQ(320u, timeline.GetPixelWidth());
    auto* copy = dynamic_cast<CMediaSourceItem*>(timeline.getItemByIndex(0));
    EXPECT_TRUE(copy->EnableVideoEffect());
    EXPECT_TRUE(copy->EnableVideoTurn());
    EXPECT_FALSE(p->EnableVideoEffect());

    EXPECT_TRUE(timeline.InsertItemByIndex(p.get(), 1)) << "index == count appends";
    EXPECT_FALSE(timeline.InsertItemByIndex(p.get(), 3)) << "index == count + 1";
    EXPECT_FALSE(timeline.InsertItemsByIndex({p.get()}, 3));
    EXPECT_EQ(2, timeline.ChildItemsCount());
    EXPECT_TRUE(timeline.InsertItemsByIndex({p.get(), p.get()}, 1));
    EXPECT_EQ(4, timeline.ChildItemsCount());
    EXPECT_DOUBLE_EQ(8.0, timeline.GetDuration().ToSeconds());
}

TEST_F(Timeline, MovingKeepsTheCurrentClip)
{
    Fill({1.0, 2.0, 3.0});
    ISourceDataItem* current = timeline.getCurItem();
    EXPECT_TRUE(timeline.Move(0, 2));
    EXPECT_EQ(QString("/media/1.mp4"), PathAt(0));
    EXPECT_EQ(QString("/media/2.mp4"), PathAt(1));
    EXPECT_EQ(QString("/media/0.mp4"), PathAt(2));
    EXPECT_DOUBLE_EQ(5.0, timeline.getItemByIndex(2)->GetStartPoint().ToSeconds());
    EXPECT_EQ(current, timeline.getCurItem());
    EXPECT_TRUE(timeline.Move(2, 0));
    EXPECT_EQ(QString("/media/0.mp4"), PathAt(0));
    const int written = manager.created;
    EXPECT_TRUE(timeline.Move(1, 1));
    EXPECT_EQ(written, manager.created) << "no move, no rewrite";
    EXPECT_FALSE(timeline.Move(0, 3));
    EXPECT_FALSE(timeline.Move(-1, 0));
}

TEST_F(Timeline, DeletingMovesTheCurrentClipOn)
{
    EXPECT_FALSE(timeline.deleteItemByIndex(-1));
    Fill({1.0, 2.0, 3.0});
    EXPECT_TRUE(timeline.deleteItemByIndex(-1));
    EXPECT_EQ(2, timeline.ChildItemsCount());
    ISourceDataItem* first = timeline.getItemByIndex(0);
    ISourceDataItem* second = timeline.getItemByIndex(1);
    timeline.setCurItem(first);
    EXPECT_TRUE(timeline.deleteItem(first));
    EXPECT_EQ(second, timeline.getCurItem());
    EXPECT_FALSE(timeline.deleteItems({}));
    auto outsider = Clip("/o.mp4", 1, 0, 1);
    EXPECT_TRUE(timeline.deleteItems({outsider.get()}));
    EXPECT_EQ(1, timeline.ChildItemsCount());
    EXPECT_TRUE(timeline.deleteItemByTime(0.5));
    EXPECT_EQ(nullptr, timeline.getCurItem());
    EXPECT_TRUE(timeline.GetThumbnailData()->isNull());
    EXPECT_DOUBLE_EQ(0.0, timeline.GetDuration().ToSeconds());
    EXPECT_FALSE(timeline.deleteItemsByFullPath("/media/0.mp4"));
}

TEST_F(Timeline, TrimsAndDuplicates)
{
    Fill({2.0, 3.0});
    ISourceDataItem* first = timeline.getItemByIndex(0);
    // A trim leaves one picture at least: never nothing, never the whole file.
    EXPECT_TRUE(timeline.SetItemTrimEndPos(first, -5.0));
    EXPECT_NEAR(0.04, first->GetTrimDuration().ToSeconds(), 1e-9);
    EXPECT_TRUE(timeline.SetItemTrimEndPos(first, 50.0));
    EXPECT_DOUBLE_EQ(20.0, first->GetTrimEndPoint().ToSeconds());
    EXPECT_DOUBLE_EQ(23.0, timeline.GetDuration().ToSeconds());
    auto outsider = Clip("/o.mp4", 1, 0, 1);
    EXPECT_FALSE(timeline.SetItemTrimEndPos(outsider.get(), 1.0));

    // The clip has no file to grab from: the trim stands, the old thumbnail stays.
    auto* clip = dynamic_cast<CMediaSourceItem*>(first);
    QImage old(16, 9, QImage::Format_RGB32);
    old.fill(Qt::red);
    clip->SetThumbnailPic(old);
    EXPECT_TRUE(timeline.SetItemTrimStartPos(first, 4.0));
    EXPECT_DOUBLE_EQ(4.0, first->GetTrimStartPoint().ToSeconds());
    EXPECT_EQ(old, *first->GetThumbnailData());

    EXPECT_TRUE(timeline.CloneItem(first));
    EXPECT_EQ(3, timeline.ChildItemsCount());
    EXPECT_EQ(QString("/media/0.mp4"), PathAt(1));
    EXPECT_TRUE(timeline.CloneItem(timeline.getItemByIndex(-1)));
    EXPECT_EQ(QString("/media/1.mp4"), PathAt(3));
    EXPECT_FALSE(timeline.CloneItemByTime(1000.0));
}

TEST_F(Timeline, SplitsAtATimeOrAtAFrameBoundary)
{
    auto a = Clip("/a.mp4", 20.0, 10.0, 14.0);
    auto b = Clip("/b.mp4", 20.0, 0.0, 6.0);
    ASSERT_TRUE(timeline.AppendItem(a.get()));
    ASSERT_TRUE(timeline.AppendItem(b.get()));
    // Boundaries, the ends, and cuts that would leave a part shorter than
    // one picture (1/25 s) are refused.
    for (double t : {4.0, 4.000005, 0.0, 10.0, 12.0, 0.02, 3.97, 4.03})
        EXPECT_FALSE(timeline.SplitItemByTime(t, QImage())) << t;
    EXPECT_EQ(2, timeline.ChildItemsCount());
    EXPECT_DOUBLE_EQ(14.0, timeline.getItemByIndex(0)->GetTrimEndPoint().ToSeconds());

    QImage thumb(4, 4, QImage::Format_RGB32);
    thumb.fill(Qt::blue);
    ASSERT_TRUE(timeline.SplitItemByTime(1.5, thumb));
    ASSERT_EQ(3, timeline.ChildItemsCount());
    ISourceDataItem* first = timeline.getItemByIndex(0);
    auto* second = dynamic_cast<CMediaSourceItem*>(timeline.getItemByIndex(1));
    EXPECT_DOUBLE_EQ(10.0, first->GetTrimStartPoint().ToSeconds());
    EXPECT_DOUBLE_EQ(11.5, first->GetTrimEndPoint().ToSeconds());
    EXPECT_DOUBLE_EQ(11.5, second->GetTrimStartPoint().ToSeconds());
    EXPECT_DOUBLE_EQ(14.0, second->GetTrimEndPoint().ToSeconds());
    EXPECT_DOUBLE_EQ(1.5, second->GetStartPoint().ToSeconds());
    EXPECT_DOUBLE_EQ(4.0, timeline.getItemByIndex(2)->GetStartPoint().ToSeconds());
    EXPECT_DOUBLE_EQ(10.0, timeline.GetDuration().ToSeconds());
    EXPECT_EQ(thumb, *second->GetThumbnailData());
    EXPECT_EQ(0, second->GetFrameValue());
    EXPECT_TRUE(second->EnableVideoEffect() && second->EnableVideoTurn());
}

TEST_F(Timeline, ExactSplitsFallBackToAPlainCutWhenTheBoundaryIsOff)
{
    struct Case
    {
        double exact;
        bool exactCut;
        double firstEnd;
        const char* what;
    } cases[] = {
        {11.54, true, 11.54, "near the asked time"},
        {15.0, false, 11.5, "past the trim end"},
        {10.2, true, 10.2, "1.3 s before"},
        // A boundary at a trim point, or less than a picture from one,
        // would leave a part of no picture: the cut falls at the asked time.
        {14.0, false, 11.5, "at the trim end"},
        {13.98, false, 11.5, "less than a picture before the trim end"},
        {10.0, false, 11.5, "at the trim start"},
        {9.5, false, 11.5, "before the trim start"},
    };
    for (const Case& c : cases) {
        CTimelineItem line;
        line.SetAVManager(&manager);
        auto a = Clip("/a.mp4", 20.0, 10.0, 14.0);
        auto b = Clip("/b.mp4", 20.0, 0.0, 6.0);
        line.AppendItem(a.get());
        line.AppendItem(b.get());
        auto* first = dynamic_cast<CMediaSourceItem*>(line.getItemByIndex(0));
        first->SetFrameValue(3);
        ASSERT_TRUE(line.SplitItemByAccurateTime(1.5, c.exact, 42, QImage())) << c.what;
        auto* second = dynamic_cast<CMediaSourceItem*>(line.getItemByIndex(1));
        EXPECT_NEAR(c.firstEnd, first->GetTrimEndPoint().ToSeconds(), 1e-9) << c.what;
        EXPECT_NEAR(c.firstEnd, second->GetTrimStartPoint().ToSeconds(), 1e-9) << c.what;
        EXPECT_EQ(c.exactCut ? 42 : 0, second->GetFrameValue()) << c.what;
        EXPECT_EQ(3, first->GetFrameValue()) << c.what;
        EXPECT_GE(first->GetTrimDuration().ToSeconds(), 0.04) << c.what;
        EXPECT_GE(second->GetTrimDuration().ToSeconds(), 0.04) << c.what;
    }
    {
        // Neither the boundary nor the asked time leaves a picture on both sides.
        CTimelineItem line;
        line.SetAVManager(&manager);
        auto a = Clip("/a.mp4", 20.0, 10.0, 14.0);
        line.AppendItem(a.get());
        EXPECT_FALSE(line.SplitItemByAccurateTime(3.99, 14.0, 42, QImage()));
        EXPECT_EQ(1, line.ChildItemsCount());
        EXPECT_DOUBLE_EQ(14.0, line.getItemByIndex(0)->GetTrimEndPoint().ToSeconds());
    }
    // A boundary that lands 3.5 s from the asked time on the timeline.
    CTimelineItem line;
    line.SetAVManager(&manager);
    auto a = Clip("/a.mp4", 30.0, 0.0, 20.0);
    line.AppendItem(a.get());
    ASSERT_TRUE(line.SplitItemByAccurateTime(5.0, 8.5, 7, QImage()));
    EXPECT_DOUBLE_EQ(5.0, line.getItemByIndex(0)->GetTrimEndPoint().ToSeconds());
    std::vector<int> values{99};
    line.GetFrameValueList(values);
    EXPECT_EQ((std::vector<int>{99, 0, 0}), values);
}

TEST_F(Timeline, PreviewAndOutputDescriptions)
{
    auto rotated = Clip("/v/r.mov", 10.0, 1.0, 3.0);
    {
        CClipSettingsChange change;
        change.videoTurnOn = true;
        change.rotationAngle = 180;
        change.brightness = 30;
        change.volume = 0.5;
        change.WriteTo(*rotated);
    }
    rotated->SetCrop(10, 20, 300, 200);
    auto turned = Clip("/v/t.mov", 10.0, 0.0, 2.0);
    {
        CClipSettingsChange change;
        change.videoTurnOn = true;
        change.rotationAngle = 90;
        change.mirror = true;
        change.videoEffectOn = true;
        change.contrast = 60;
        change.effect = EffectGray;
        change.volume = 1.00005;
        change.depthOn = true;
        change.depth = 70;
        change.audioReplaceOn = true;
        change.audioReplacePath = "/m/song.wav";
        change.WriteTo(*turned);
    }
    auto sound = Clip("/v/s.wav", 4.0, 0.0, 4.0, {Audio(0, 4.0, 44100, 2)});
    {
        // Muted as the volume page mutes: the file is as silent as the player.
        CClipSettingsChange change;
        change.mute = true;
        change.volume = 0.8;
        change.WriteTo(*sound);
    }
    timeline.SetAudioBlackBGFile("/img/blackbg4x3.png");
    timeline.AppendItem(rotated.get());
    timeline.AppendItem(turned.get());
    timeline.AppendItem(sound.get());
    // The first clip's picture group switched off in the editor: the file
    // gets no colour step from it, as the player shows none.
    {
        CClipSettingsChange change;
        change.videoEffectOn = false;
        change.WriteTo(*(dynamic_cast<CMediaSourceItem*>(timeline.getItemByIndex(0))));
    }

    timeline.UpdateSeixFile(false);
    std::string preview = Calls();
    EXPECT_EQ(std::string::npos, preview.find("AddClipEffect"));
    EXPECT_EQ(std::string::npos, preview.find("SetClipVolume"));
    EXPECT_EQ(std::string::npos, preview.find("SetReplaceAudio"));
    EXPECT_EQ(std::string::npos, preview.find("SetClipMute"));
    EXPECT_NE(std::string::npos, preview.find("InsertClip -1 /v/r.mov?movieid=0&astreamid=1&vstreamid=0&acuracy_seek=0 "
                                              "FFImporter trim=1000..3000 margins=0,0,0,0"));
    EXPECT_NE(std::string::npos,
              preview.find("InsertClip -1 /img/blackbg4x3.png?movieid=0&astreamid=0&acuracy_seek=0 ImageImporter"));
    EXPECT_NE(std::string::npos, preview.find("SetClipAudioSource 2 /v/s.wav 0 0"));
    EXPECT_NE(std::string::npos, preview.find("SetClipInterlaced 2 0"));
    EXPECT_NE(std::string::npos, preview.find("SetOutputFormat 2 0x0 rate=0/0 audio=44100/2"));
    EXPECT_TRUE(QFile::exists(timeline.GetSeixFile()));

    timeline.UpdateSeixFile(true);
    const std::string output = Calls();
    EXPECT_NE(std::string::npos, output.find("acuracy_seek=1 FFImporter trim=1000..3000 margins=10,20,20,40"));
    EXPECT_NE(std::string::npos, output.find("AddClipEffect 0 0 reverse mirror=1 vertical=1\n"));
    EXPECT_EQ(std::string::npos, output.find("AddClipEffect 0 1"));
    EXPECT_NE(std::string::npos, output.find("SetClipVolume 0 0.5000"));
    EXPECT_EQ(std::string::npos, output.find("AddClipEffect 0 0 brightness_contrast"));
    // The players' chain, step by step in its order: colour, picture
    // effect, flips, the quarter turn (90 is anticlockwise), 3D.
    EXPECT_NE(std::string::npos, output.find("AddClipEffect 1 0 brightness_contrast brightness=0.000 contrast=60.000 "
                                             "saturation=0.000\n"
                                             "AddClipEffect 1 1 gray (no params)\n"
                                             "AddClipEffect 1 2 reverse mirror=1 vertical=0\n"
                                             "AddClipEffect 1 3 EffectNameRotate90X Rotate90XDerection=1\n"
                                             "AddClipEffect 1 4 2D_3D_TransForm 2d_3d_depth=70 2d_3d_type=1\n"
                                             "SetReplaceAudio /m/song.wav 1 0\n"));
    EXPECT_EQ(std::string::npos, output.find("SetClipVolume 1"));
    EXPECT_NE(std::string::npos, output.find("SetClipVolume 2 0.8000\nSetClipMute 2 1\n"));
    EXPECT_EQ(std::string::npos, output.find("SetClipMute 0")) << "unmuted clips are written as they are";
    EXPECT_EQ(std::string::npos, output.find("SetClipMute 1"));
    EXPECT_EQ(0, manager.Live()) << "each rewrite releases its importer";
}

TEST_F(Timeline, AFailedRewriteKeepsThePreviousDescription)
{
    Fill({1.0});
    const QString path = timeline.GetSeixFile();
    ASSERT_TRUE(QFile::exists(path));
    manager.failSaves = true;
    auto more = Clip("/more.mp4", 5.0, 0.0, 5.0);
    EXPECT_TRUE(timeline.AppendItem(more.get()));
    EXPECT_NE(0, PDTest::LastCode());
    EXPECT_TRUE(QFile::exists(path));
    manager.noImporter = true;
    timeline.UpdateSeixFile(false);
    EXPECT_EQ(10021003, PDTest::LastCode());
    EXPECT_FALSE(timeline.UpdateAVSource());
    EXPECT_EQ(nullptr, timeline.GetAVSourse());
    EXPECT_TRUE(timeline.NeedUpdateSource());
}

TEST_F(Timeline, MakesNoSourceOfItsOwnAPlayerPlaysIt)
{
    Fill({1.0, 1.0});
    const int written = manager.created;
    EXPECT_FALSE(timeline.UpdateAVSource());
    EXPECT_NE(0, PDTest::LastCode()) << "the reason is recorded";
    EXPECT_EQ(nullptr, timeline.GetAVSourse());
    EXPECT_TRUE(timeline.NeedUpdateSource());
    EXPECT_EQ(written, manager.created) << "no importer is opened for playing";
    EXPECT_EQ(0, manager.Live());
}

TEST_F(Timeline, InterfacesBitratesAndLosslessOutput)
{
    EXPECT_EQ(static_cast<IDCPlaySourceItem*>(&timeline), timeline.GetInterFace("DC_PLAYSOURCE_INTERFACE"));
    EXPECT_EQ(nullptr, timeline.GetInterFace("EDITINFO_VIDEOEFFECT_INTERFACE"));
    EXPECT_EQ(0u, timeline.GetSrcAverageAudioBitrate()) << "no length, no average";
    EXPECT_FALSE(timeline.EnableLosslessOutput());

    std::vector<PDTest::StreamSpec> s1{Video(0, 320, 240, 10.0, 0x10001), Audio(1, 10.0)};
    std::vector<PDTest::StreamSpec> s2{Video(0, 320, 240, 20.0, 0x10001), Audio(1, 20.0)};
    s1[1].bitRate = 128000;
    s2[1].bitRate = 64000;
    auto a = Clip("/a.mp4", 10.0, 0.0, 10.0, s1);
    auto b = Clip("/b.mp4", 20.0, 0.0, 20.0, s2);
    timeline.AppendItem(a.get());
    EXPECT_TRUE(timeline.EnableLosslessOutput());
    timeline.AppendItem(b.get());
    EXPECT_EQ(85333u, timeline.GetSrcAverageAudioBitrate());
    EXPECT_NE(nullptr, timeline.GetInterFace("EDITINFO_VIDEOEFFECT_INTERFACE"));
    EXPECT_EQ(nullptr, timeline.GetInterFace("EDITINFO_TRIM_INTERFACE"));
    EXPECT_TRUE(timeline.EnableLosslessOutput());

    auto silent = Clip("/c.mp4", 5.0, 0.0, 5.0, {Video(0, 320, 240, 5.0, 0x10001)});
    timeline.AppendItem(silent.get());
    EXPECT_TRUE(timeline.EnableLosslessOutput()) << "a clip without sound is not compared on sound";
    auto wide = Clip("/d.mp4", 5.0, 0.0, 5.0, {Video(0, 640, 240, 5.0, 0x10001)});
    timeline.AppendItem(wide.get());
    EXPECT_FALSE(timeline.EnableLosslessOutput());
    EXPECT_EQ(10021017, PDTest::LastCode());
    EXPECT_EQ("change output type failed. this movie has clips of different param", PDTest::LastMessage());

    for (int i = 0; i < timeline.ChildItemsCount(); ++i)
        timeline.SetItemTrimEndPos(timeline.getItemByIndex(i), 0.0);
    EXPECT_EQ(0u, timeline.GetSrcAverageVideoBitrate());
}

// ------------------------------------------- through the media manager itself

namespace {

std::unique_ptr<CMediaSourceItem> Probed(Moorland::IAVManager* manager, const std::string& path)
{
    auto clip = std::make_unique<CMediaSourceItem>();
    clip->SetAVManager(manager);
    clip->SetSrcFileFullPath(QString::fromStdString(path));
    if (clip->OpenImporter())
        clip->UpdateMovieInfos();
    clip->CloseImporter();
    return clip;
}

} // namespace

TEST(TimelineDescription, AClipWritesItsOwnDescriptionThroughTheMediaManager)
{
    App();
    PD_REQUIRE_MEDIA();
    PDTest::ManagerHolder media;
    auto clip = Probed(media.manager, PDTest::Media::Get().Clip());
    clip->SetTrimStartPoint(0.5, false);
    clip->SetTrimEndPoint(1.5, false);
    {
        CClipSettingsChange change;
        change.brightness = 10;
        change.WriteTo(*clip);
    }
    clip->UpdateSeixFile(true);
    ASSERT_TRUE(QFile::exists(clip->GetSeixFilePath())) << PDTest::LastMessage();

    Moorland::IAVImporter* reader = media.manager->CreateImporterByName("SimpleEditImporter");
    ASSERT_NE(nullptr, reader);
    auto* timeline = static_cast<Moorland::ISimpleEditTimeLine*>(reader->GetInterface("ISimpleEditTimeLine"));
    ASSERT_TRUE(timeline->LoadTimeLine(clip->GetSeixFilePath().toUtf8().constData())) << PDTest::LastMessage();
    ASSERT_EQ(1, timeline->GetClipCount());
    Moorland::SimpleEditClipEntry entry{};
    ASSERT_TRUE(timeline->GetClip(0, &entry));
    EXPECT_EQ(500, entry.trimStartMs);
    EXPECT_EQ(1500, entry.trimEndMs);
    EXPECT_EQ(1, timeline->GetClipFilterCount(0));
    reader->Release();
}
