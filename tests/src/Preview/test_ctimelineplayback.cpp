#include "Preview/ctimelineplayback.h"

#include "ProjectData/cdcmoorlangrappic.h"
#include "ProjectData/cmediaitemgrappic.h"
#include "ProjectData/cmediasourceitem.h"
#include "ProjectData/ctimelineitem.h"

#include "../ProjectData/ProjectDataTestMedia.h"

#include "IAVSource.h"
#include "IRawVideoFrame.h"

#include <QCoreApplication>
#include <QFile>

#include <gtest/gtest.h>

#include <memory>
#include <thread>

using namespace Fablecut;
using PDTest::Audio;
using PDTest::MovieRecord;
using PDTest::Video;

namespace {

QCoreApplication* App()
{
    static int argc = 1;
    static char name[] = "test_ctimelineplayback";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app =
        QCoreApplication::instance() ? QCoreApplication::instance() : new QCoreApplication(argc, argv);
    return app;
}

std::unique_ptr<CMediaSourceItem> Clip(const std::string& path, double duration, unsigned width)
{
    MovieRecord movie(0, {Video(0, width, 240, duration), Audio(1, duration)});
    auto clip = std::make_unique<CMediaSourceItem>();
    clip->SetSrcFileFullPath(QString::fromStdString(path));
    clip->SetImporterName("FFImporter");
    Moorland::MovieInfo* list[] = {movie.get()};
    clip->SetMovieInfos(list, 1);
    clip->SetTrimEndPoint(duration, false);
    return clip;
}

QByteArray Contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct Playback : ::testing::Test
{
    PDTest::RecordingManager manager;
    CTimelineItem timeline;
    void SetUp() override
    {
        App();
        timeline.SetAVManager(&manager);
        // Three clips of different widths, so the picture facts tell them apart.
        for (unsigned width : {320u, 480u, 640u}) {
            auto clip = Clip("/media/" + std::to_string(width) + ".mp4", 1.0, width);
            ASSERT_TRUE(timeline.AppendItem(clip.get()));
        }
    }
};

} // namespace

TEST_F(Playback, OpensADescriptionOfItsOwnAndLeavesTheTimelineAsItWas)
{
    const QString timelineFile = timeline.GetSeixFile();
    const QByteArray before = Contents(timelineFile);
    ISourceDataItem* current = timeline.getCurItem();
    const int written = manager.created;
    QString own;
    {
        CTimelinePlayback playback(timeline);
        own = playback.GetSeixFile();
        EXPECT_NE(timelineFile, own);
        EXPECT_TRUE(playback.NeedUpdateSource());
        // The recording importer makes no source: the description is written
        // and opened all the same.
        EXPECT_FALSE(playback.UpdateAVSource());
        EXPECT_EQ(nullptr, playback.GetAVSourse());
        EXPECT_TRUE(playback.NeedUpdateSource());
        EXPECT_EQ(before, Contents(own)) << "the same clips as the timeline's own description";
        EXPECT_GT(manager.created, written);
        EXPECT_EQ(&timeline, &playback.Timeline());
        EXPECT_EQ(timeline.GetDuration().ToMillisecond(), playback.GetDuration().ToMillisecond());
        EXPECT_EQ(timeline.GetThumbnailData(), playback.GetThumbnailData());
    }
    EXPECT_FALSE(QFile::exists(own)) << "the playback's description goes with it";
    EXPECT_EQ(before, Contents(timelineFile));
    EXPECT_EQ(current, timeline.getCurItem());
    EXPECT_EQ(0, manager.Live()) << "every importer is released";
}

TEST_F(Playback, AFailedDescriptionMakesNoSource)
{
    const struct
    {
        const char* what;
        bool noImporter;
        bool failSaves;
    } cases[] = {
        {"no importer", true, false},
        {"the description cannot be saved", false, true},
    };
    for (const auto& c : cases) {
        manager.noImporter = c.noImporter;
        manager.failSaves = c.failSaves;
        CTimelinePlayback playback(timeline);
        EXPECT_FALSE(playback.UpdateAVSource()) << c.what;
        EXPECT_NE(0, PDTest::LastCode()) << c.what;
        EXPECT_EQ(nullptr, playback.GetAVSourse()) << c.what;
        EXPECT_TRUE(playback.NeedUpdateSource()) << c.what;
    }
}

TEST_F(Playback, TheClipReachedArrivesQueuedAndMovesOnlyThePlaybacksCurrentClip)
{
    ISourceDataItem* first = timeline.getItemByIndex(0);
    ASSERT_EQ(first, timeline.getCurItem());
    CTimelinePlayback playback(timeline);
    playback.UpdateAVSource();
    EXPECT_EQ(first, playback.getCurItem()) << "it starts where the timeline stands";
    EXPECT_EQ(320u, playback.GetPixelWidth());
    ASSERT_NE(nullptr, manager.Last());
    Moorland::IOnItemChangedCallBack* callBack = manager.Last()->callBack;
    ASSERT_NE(nullptr, callBack);

    const struct
    {
        int index;
        ISourceDataItem* expected;
        unsigned width;
    } cases[] = {
        {2, timeline.getItemByIndex(2), 640u},
        {1, timeline.getItemByIndex(1), 480u},
        {-1, timeline.getItemByIndex(2), 640u},
        {7, nullptr, 0u},
    };
    for (const auto& c : cases) {
        ISourceDataItem* before = playback.getCurItem();
        std::thread engine([callBack, &c] { EXPECT_EQ(1, callBack->OnItemChanged(nullptr, c.index, nullptr)); });
        engine.join();
        EXPECT_EQ(before, playback.getCurItem()) << "nothing changes outside the playback's thread";
        QCoreApplication::processEvents();
        EXPECT_EQ(c.expected, playback.getCurItem()) << c.index;
        EXPECT_EQ(c.width, playback.GetPixelWidth()) << c.index;
        EXPECT_EQ(first, timeline.getCurItem()) << "the timeline is only read";
    }
}

TEST_F(Playback, NoticesStillQueuedWhenThePlaybackGoesAreDropped)
{
    auto playback = std::make_unique<CTimelinePlayback>(timeline);
    playback->UpdateAVSource();
    ASSERT_NE(nullptr, manager.Last());
    Moorland::IOnItemChangedCallBack* callBack = manager.Last()->callBack;
    ASSERT_NE(nullptr, callBack);
    callBack->OnItemChanged(nullptr, 1, nullptr);
    playback.reset();
    QCoreApplication::processEvents();
    SUCCEED() << "a queued notice for a gone playback is not delivered";
}

TEST_F(Playback, AnswersAsThePlayableItemAndPassesOtherNamesToTheCurrentClip)
{
    CTimelinePlayback playback(timeline);
    EXPECT_EQ(static_cast<IDCPlaySourceItem*>(&playback), playback.GetInterFace(DC_PLAYSOURCE_INTERFACE));
    EXPECT_EQ(nullptr, playback.GetInterFace(IDCDATAITEMEX_INTERFACE));
    EXPECT_EQ(nullptr, playback.GetInterFace("EDITINFO_TRIM_INTERFACE"));
    EXPECT_EQ(nullptr, playback.GetInterFace(nullptr));
    playback.UpdateAVSource();
    EXPECT_EQ(timeline.getItemByIndex(0)->GetInterFace("EDITINFO_VIDEOEFFECT_INTERFACE"),
              playback.GetInterFace("EDITINFO_VIDEOEFFECT_INTERFACE"));
    EXPECT_NE(nullptr, playback.GetInterFace("EDITINFO_VIDEOEFFECT_INTERFACE"));
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

QImage FirstPicture(Moorland::IAVSource* source, uint32_t ms)
{
    source->Seek(ms);
    for (int i = 0; i < 200; ++i) {
        Moorland::IRawAudioFrame* audio = nullptr;
        Moorland::IRawVideoFrame* video = nullptr;
        if (!source->ReadFrames(&audio, &video, nullptr, Moorland::AVReadVideoOnly))
            break;
        if (video) {
            CDCMoorlanGrapPic grabber(video);
            return grabber.grapPic(-1, -1);
        }
    }
    return QImage();
}

} // namespace

TEST(PlaybackMedia, PlaysTheTimelinesClipsAndFollowsTheClipItsSourceReaches)
{
    App();
    PD_REQUIRE_MEDIA();
    PDTest::ManagerHolder media;
    auto first = Probed(media.manager, PDTest::Media::Get().Clip());
    auto second = Probed(media.manager, PDTest::Media::Get().Sar());
    ASSERT_EQ(0, first->GetItemType()) << PDTest::LastMessage();
    ASSERT_EQ(0, second->GetItemType());
    first->SetTrimStartPoint(0.4, false);
    first->SetTrimEndPoint(1.2, false);

    CTimelineItem timeline;
    timeline.SetAVManager(media.manager);
    ASSERT_TRUE(timeline.AppendItem(first.get()));
    ASSERT_TRUE(timeline.AppendItem(second.get()));
    const CTimelineItem& shown = timeline;
    CTimelinePlayback playback(shown);
    ASSERT_TRUE(playback.UpdateAVSource()) << PDTest::LastMessage();
    Moorland::IAVSource* source = playback.GetAVSourse();
    ASSERT_NE(nullptr, source);
    EXPECT_FALSE(playback.NeedUpdateSource());
    EXPECT_NEAR(timeline.GetDuration().ToMillisecond(), static_cast<int>(source->GetDuration()), 80);

    // The first picture is the first clip's picture at its trim start.
    QImage own;
    {
        auto probe = Probed(media.manager, PDTest::Media::Get().Clip());
        probe->SetTrimStartPoint(0.4, false);
        ASSERT_TRUE(GrapMediaItemPic(probe.get(), 0, own, -1, -1, false, false)) << PDTest::LastMessage();
    }
    const QImage shownFirst = FirstPicture(source, 0);
    ASSERT_EQ(own.size(), shownFirst.size());
    EXPECT_EQ(own.pixel(160, 120), shownFirst.pixel(160, 120));

    // Reading into the second clip tells the playback, on its own thread.
    ASSERT_FALSE(FirstPicture(source, 1000).isNull());
    QCoreApplication::processEvents();
    EXPECT_EQ(timeline.getItemByIndex(1), playback.getCurItem());
    EXPECT_EQ(timeline.getItemByIndex(0), timeline.getCurItem()) << "the timeline is only read";
    playback.FreeAVSource();
    EXPECT_EQ(nullptr, playback.GetAVSourse());
}
