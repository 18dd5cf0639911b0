#include "ProjectData/cmprojectmgr.h"

#include "ProjectData/cmediasourceitem.h"

#include "ProjectDataTestMedia.h"

#include <QCoreApplication>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>

using namespace Fablecut;

namespace {

QCoreApplication* App()
{
    static int argc = 1;
    static char name[] = "test_cmprojectmgr";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app =
        QCoreApplication::instance() ? QCoreApplication::instance() : new QCoreApplication(argc, argv);
    return app;
}

// The library as the project manager sees it: answers by path, and records
// what it is asked to import.
struct FakeLibrary
{
    std::map<QString, std::unique_ptr<CMediaSourceItem>> items;
    QList<QStringList> importRequests;

    void Add(const QString& path, double seconds)
    {
        PDTest::MovieRecord movie(0, {PDTest::Video(0, 320, 240, seconds)});
        auto item = std::make_unique<CMediaSourceItem>();
        item->SetSrcFileFullPath(path);
        Moorland::MovieInfo* list[] = {movie.get()};
        item->SetMovieInfos(list, 1);
        items[path] = std::move(item);
    }
    void Bind(CMProjectMgr& mgr)
    {
        mgr.SetItemQuery([this](const QString& path) -> ISourceDataItem* {
            auto it = items.find(path);
            return it == items.end() ? nullptr : it->second.get();
        });
        QObject::connect(&mgr, &CMProjectMgr::signal_ImportFilesQuery,
                         [this](QStringList files) { importRequests << files; });
    }
};

struct ProjectMgr : ::testing::Test
{
    PDTest::RecordingManager media;
    std::unique_ptr<CMProjectMgr> mgr;
    FakeLibrary library;
    void SetUp() override
    {
        App();
        mgr.reset(new CMProjectMgr(nullptr, &media));
        library.Bind(*mgr);
    }
    QStringList Timeline()
    {
        QStringList out;
        for (ISourceDataItem* item : mgr->GetTimelineItem()->GetChildItems())
            out << item->GetSrcFileFullPath();
        return out;
    }
};

} // namespace

TEST_F(ProjectMgr, FilesInTheLibraryAreInsertedAtOnce)
{
    library.Add("/a.mp4", 2.0);
    library.Add("/b.mp4", 3.0);
    QSignalSpy finished(mgr.get(), &CMProjectMgr::signal_InsertFilesFinished);
    mgr->slot_InsertFilesByIndex({"/a.mp4", "/b.mp4"});
    EXPECT_EQ(1, finished.size());
    EXPECT_TRUE(library.importRequests.isEmpty());
    EXPECT_EQ(QStringList({"/a.mp4", "/b.mp4"}), Timeline());
    EXPECT_NE(static_cast<ISourceDataItem*>(library.items["/a.mp4"].get()), mgr->GetTimelineItem()->getItemByIndex(0))
        << "the timeline holds copies";

    mgr->slot_InsertFilesByIndex({"/b.mp4"}, 0);
    EXPECT_EQ(QStringList({"/b.mp4", "/a.mp4", "/b.mp4"}), Timeline());
    mgr->slot_InsertFilesByTime({"/a.mp4"}, CBaseTime(1.0));
    EXPECT_EQ(3, Timeline().size()) << "not at a clip start: nothing inserted";
    EXPECT_EQ(3, finished.size());
}

TEST_F(ProjectMgr, MissingFilesWaitForTheirImportAndKeepRequestOrder)
{
    library.Add("/a.mp4", 2.0);
    QSignalSpy finished(mgr.get(), &CMProjectMgr::signal_InsertFilesFinished);
    mgr->slot_InsertFilesByIndex({"/new.mp4", "/a.mp4"});
    ASSERT_EQ(1, library.importRequests.size());
    EXPECT_EQ(QStringList({"/new.mp4"}), library.importRequests.front());
    EXPECT_TRUE(Timeline().isEmpty());
    EXPECT_TRUE(finished.isEmpty());

    library.Add("/new.mp4", 1.0);
    mgr->slot_OnAllFilesImportFinished(true);
    EXPECT_EQ(QStringList({"/new.mp4", "/a.mp4"}), Timeline());
    EXPECT_EQ(1, finished.size());

    // A cancelled import inserts what the library has by then.
    mgr->slot_InsertFilesByTime({"/a.mp4", "/never.mp4"}, CBaseTime(3.0));
    mgr->slot_OnImportCancelled();
    EXPECT_EQ(QStringList({"/new.mp4", "/a.mp4", "/a.mp4"}), Timeline());

    // An import nobody asked for changes nothing but is still answered.
    mgr->slot_OnAllFilesImportFinished(true);
    EXPECT_EQ(3, finished.size());
    EXPECT_EQ(3, Timeline().size());
}

TEST_F(ProjectMgr, ANewFileInsertReplacesOneThatWaits)
{
    mgr->slot_InsertFilesByIndex({"/x.mp4"});
    mgr->slot_InsertFilesByIndex({"/y.mp4"});
    library.Add("/x.mp4", 1.0);
    library.Add("/y.mp4", 1.0);
    mgr->slot_OnAllFilesImportFinished(true);
    EXPECT_EQ(QStringList({"/y.mp4"}), Timeline());
}

TEST_F(ProjectMgr, SlotsReachTheTimeline)
{
    library.Add("/a.mp4", 4.0);
    library.Add("/b.mp4", 4.0);
    mgr->slot_InsertFilesByIndex({"/a.mp4", "/b.mp4"});
    const CTimelineItem* timeline = mgr->GetTimelineItem();
    mgr->slot_SplitItemByTime(CBaseTime(1.0), QImage());
    EXPECT_EQ(3, timeline->ChildItemsCount());
    mgr->slot_SplitItemByAccurateTime(CBaseTime(2.0), CBaseTime(2.04), 9, QImage());
    EXPECT_EQ(4, timeline->ChildItemsCount());
    mgr->slot_MoveItem(0, 3);
    mgr->slot_SetItemTrimEndPoint(timeline->getItemByIndex(0), CBaseTime(0.5));
    mgr->slot_CloneItem(timeline->getItemByIndex(0));
    EXPECT_EQ(5, timeline->ChildItemsCount());
    mgr->slot_DeleteItemByIndex(-1);
    mgr->slot_DeleteItemByTime(CBaseTime(0.1));
    EXPECT_EQ(3, timeline->ChildItemsCount());
    mgr->slot_DeleteItems({timeline->getItemByIndex(0)});
    mgr->slot_DeleteItemsByFullPath("/b.mp4");
    mgr->slot_DeleteItemsByFullPaths({"/a.mp4"});
    EXPECT_EQ(0, timeline->ChildItemsCount());
    mgr->slot_SetItemTrimStartPoint(nullptr, CBaseTime(1.0));
    mgr->slot_CloneItemByTime(CBaseTime(0.0));
}

// Each request answers whether the timeline changed, and a change is told
// exactly once, after it (the listener already sees the new timeline).
TEST_F(ProjectMgr, EachRequestReturnsItsResultAndTellsAChangeOnce)
{
    library.Add("/a.mp4", 4.0);
    library.Add("/b.mp4", 4.0);
    const CTimelineItem* timeline = mgr->GetTimelineItem();
    QList<int> seen; // clip counts the listener saw at each notice
    QObject::connect(mgr.get(), &CMProjectMgr::signal_TimelineChanged, [&] { seen << timeline->ChildItemsCount(); });
    auto clip = [&](int i) { return timeline->getItemByIndex(i); };
    ISourceDataItem* outside = library.items["/a.mp4"].get();

    struct Row
    {
        const char* what;
        std::function<bool()> request;
        bool result;
        int count; // clips afterwards
    };
    const Row rows[] = {
        {"insert two files",
         [&] {
             return mgr->slot_InsertFilesByIndex({"/a.mp4", "/b.mp4"});
         },
         true, 2},
        {"file insert inside a clip", [&] { return mgr->slot_InsertFilesByTime({"/a.mp4"}, 1.0); }, false, 2},
        {"file insert waiting for an import", [&] { return mgr->slot_InsertFilesByIndex({"/new.mp4"}); }, false, 2},
        {"insert items at the end", [&] { return mgr->slot_InsertItemsByTime({outside}, 8.0); }, true, 3},
        {"insert no items", [&] { return mgr->slot_InsertItemsByIndex({}, 0); }, false, 3},
        {"split", [&] { return mgr->slot_SplitItemByTime(1.0, QImage()); }, true, 4},
        {"split past the end", [&] { return mgr->slot_SplitItemByTime(100.0, QImage()); }, false, 4},
        {"split at the picture", [&] { return mgr->slot_SplitItemByAccurateTime(2.0, 2.04, 9, QImage()); }, true, 5},
        {"move", [&] { return mgr->slot_MoveItem(0, 3); }, true, 5},
        {"move onto its own place", [&] { return mgr->slot_MoveItem(2, 2); }, false, 5},
        {"move past the end", [&] { return mgr->slot_MoveItem(0, 9); }, false, 5},
        {"trim end", [&] { return mgr->slot_SetItemTrimEndPoint(clip(4), 2.0); }, true, 5},
        {"trim a clip of no timeline", [&] { return mgr->slot_SetItemTrimStartPoint(outside, 1.0); }, false, 5},
        {"trim nothing", [&] { return mgr->slot_SetItemTrimStartPoint(nullptr, 1.0); }, false, 5},
        {"clone", [&] { return mgr->slot_CloneItem(clip(0)); }, true, 6},
        {"clone a library item", [&] { return mgr->slot_CloneItem(outside); }, false, 6},
        {"clone by time", [&] { return mgr->slot_CloneItemByTime(0.5); }, true, 7},
        {"delete the last", [&] { return mgr->slot_DeleteItemByIndex(-1); }, true, 6},
        {"delete past the end", [&] { return mgr->slot_DeleteItemByIndex(40); }, false, 6},
        {"delete by time", [&] { return mgr->slot_DeleteItemByTime(0.1); }, true, 5},
        {"delete a list",
         [&] {
             return mgr->slot_DeleteItems({clip(0), clip(1)});
         },
         true, 3},
        {"delete an unknown path", [&] { return mgr->slot_DeleteItemsByFullPath("/none.mp4"); }, false, 3},
        {"delete by paths",
         [&] {
             return mgr->slot_DeleteItemsByFullPaths({"/a.mp4", "/b.mp4"});
         },
         true, 0},
        {"delete on an empty timeline", [&] { return mgr->slot_DeleteItemByTime(0.0); }, false, 0},
    };
    for (const Row& row : rows) {
        seen.clear();
        EXPECT_EQ(row.result, row.request()) << row.what;
        EXPECT_EQ(row.count, timeline->ChildItemsCount()) << row.what;
        if (row.result)
            EXPECT_EQ(QList<int>{row.count}, seen) << row.what << ": one notice, after the change";
        else
            EXPECT_TRUE(seen.isEmpty()) << row.what << ": no change, no notice";
    }

    // The insert that waited for its import is told when it lands.
    seen.clear();
    library.Add("/new.mp4", 1.0);
    mgr->slot_OnAllFilesImportFinished(true);
    EXPECT_EQ(QList<int>{1}, seen);
    seen.clear();
    mgr->slot_OnImportCancelled();
    EXPECT_TRUE(seen.isEmpty()) << "an import nobody waited for changes nothing";
}

// The clip editor's settings reach other clips through the manager: the page
// decides which settings travel; only clips of the timeline take them, each
// as a change of its own, told once; a clip that has them already is left
// untold.
TEST_F(ProjectMgr, CopyItemEffectsByPage)
{
    library.Add("/a.mp4", 4.0);
    mgr->slot_InsertFilesByIndex({"/a.mp4", "/a.mp4", "/a.mp4", "/a.mp4"});
    const CTimelineItem* timeline = mgr->GetTimelineItem();
    auto clip = [&](int i) { return dynamic_cast<CMediaSourceItem*>(timeline->getItemByIndex(i)); };
    CMediaSourceItem* library_item = library.items["/a.mp4"].get();
    struct Row
    {
        EDITORPAGE page;
        bool picture;
        bool volume;
        bool depth;
    };
    const Row rows[] = {{EDITORPAGE_ALL, true, true, true},
                        {EDITORPAGE_EFFECTS, true, false, false},
                        {EDITORPAGE_VOLUME, false, true, false},
                        {EDITORPAGE_3D, false, false, true}};
    for (const Row& row : rows) {
        for (CMediaSourceItem* item : {clip(1), clip(2), clip(3), library_item}) {
            CClipSettingsChange change;
            change.brightness = 0;
            change.rotationAngle = 0;
            change.volume = 1.0;
            change.mute = false;
            change.depth = 20;
            change.WriteTo(*item);
        }
        CMediaSourceItem* src = clip(0);
        {
            CClipSettingsChange change;
            change.brightness = 40;
            change.rotationAngle = 90;
            change.volume = 0.25;
            change.mute = true;
            change.depth = 70;
            change.WriteTo(*src);
        }
        QSignalSpy changed(mgr.get(), &CMProjectMgr::signal_TimelineChanged);
        EXPECT_EQ(2, mgr->CopyItemEffects(src, {src, clip(2), library_item, clip(3)}, row.page)) << row.page;
        EXPECT_EQ(2, changed.size()) << row.page << ": one notice per clip changed";
        for (CMediaSourceItem* target : {clip(2), clip(3)}) {
            EXPECT_EQ(row.picture ? 40 : 0, target->GetBrightness()) << row.page;
            EXPECT_EQ(row.picture ? 90 : 0, target->GetRotationAngle()) << row.page;
            EXPECT_DOUBLE_EQ(row.volume ? 0.25 : 1.0, target->GetVolume()) << row.page;
            EXPECT_EQ(row.volume, target->GetMute()) << row.page;
            EXPECT_EQ(row.depth ? 70 : 20, target->Get3DEffectDepth()) << row.page;
        }
        EXPECT_EQ(0, clip(1)->GetBrightness()) << row.page << ": not a target";
        EXPECT_EQ(0, library_item->GetBrightness()) << row.page << ": a library item is no clip of the timeline";
        EXPECT_EQ(40, src->GetBrightness()) << row.page;
        // Copied again: nothing changes, nobody is told.
        changed.clear();
        EXPECT_EQ(0, mgr->CopyItemEffects(src, {clip(2), clip(3)}, row.page)) << row.page;
        EXPECT_TRUE(changed.isEmpty()) << row.page;
    }
    QSignalSpy changed(mgr.get(), &CMProjectMgr::signal_TimelineChanged);
    EXPECT_EQ(0, mgr->CopyItemEffects(clip(0), {clip(0)}, EDITORPAGE_ALL));
    EXPECT_EQ(0, mgr->CopyItemEffects(nullptr, {clip(1)}, EDITORPAGE_ALL));
    EXPECT_TRUE(changed.isEmpty());
}

// The clip editor's own edits of a timeline clip go through the manager: each
// one that changes the clip is told once; an edit that changes nothing, or
// one of an item that is no clip of this timeline, is refused untold.
TEST_F(ProjectMgr, ClipSettingsChangesReturnTheirResultAndAreToldOnce)
{
    library.Add("/a.mp4", 4.0);
    mgr->slot_InsertFilesByIndex({"/a.mp4", "/a.mp4"});
    const CTimelineItem* timeline = mgr->GetTimelineItem();
    auto clip = [&](int i) { return dynamic_cast<CMediaSourceItem*>(timeline->getItemByIndex(i)); };
    CMediaSourceItem* first = clip(0);
    CMediaSourceItem* second = clip(1);
    CMediaSourceItem* library_item = library.items["/a.mp4"].get();
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);

    struct Row
    {
        const char* what;
        std::function<void(CClipSettingsChange&)> fill;
        bool changes;
        std::function<bool(const CMediaSourceItem&)> shows;
    };
    const Row rows[] = {
        {"brightness", [](CClipSettingsChange& c) { c.brightness = 30; }, true,
         [](const CMediaSourceItem& i) { return i.GetBrightness() == 30; }},
        {"the same brightness again", [](CClipSettingsChange& c) { c.brightness = 30; }, false,
         [](const CMediaSourceItem& i) { return i.GetBrightness() == 30; }},
        {"contrast and saturation together",
         [](CClipSettingsChange& c) {
             c.contrast = -20;
             c.saturation = 15;
         },
         true, [](const CMediaSourceItem& i) { return i.GetContrast() == -20 && i.GetSaturation() == 15; }},
        {"picture effect", [](CClipSettingsChange& c) { c.effect = EffectGray; }, true,
         [](const CMediaSourceItem& i) { return i.GetEffectType() == EffectGray; }},
        {"mirror and upside down",
         [](CClipSettingsChange& c) {
             c.mirror = true;
             c.verReverse = true;
         },
         true, [](const CMediaSourceItem& i) { return i.IsMirror() && i.IsVerReverse(); }},
        {"quarter turn", [](CClipSettingsChange& c) { c.rotationAngle = 90; }, true,
         [](const CMediaSourceItem& i) { return i.GetRotationAngle() == 90; }},
        {"picture settings off",
         [](CClipSettingsChange& c) {
             c.videoEffectOn = false;
             c.videoTurnOn = false;
         },
         true, [](const CMediaSourceItem& i) { return !i.EnableVideoEffect() && !i.EnableVideoTurn(); }},
        {"3D on, red/green, deeper",
         [](CClipSettingsChange& c) {
             c.depthOn = true;
             c.depthType = E3DEffectType(2);
             c.depth = 80;
         },
         true,
         [](const CMediaSourceItem& i) {
             return i.Enable3DEffect() && i.Get3DEffectType() == E3DEffectType(2) && i.Get3DEffectDepth() == 80;
         }},
        {"volume", [](CClipSettingsChange& c) { c.volume = 0.5; }, true,
         [](const CMediaSourceItem& i) { return i.GetVolume() == 0.5; }},
        {"mute", [](CClipSettingsChange& c) { c.mute = true; }, true,
         [](const CMediaSourceItem& i) { return i.GetMute(); }},
        {"nothing given", [](CClipSettingsChange&) {}, false, [](const CMediaSourceItem&) { return true; }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        CClipSettingsChange change;
        row.fill(change);
        QSignalSpy changed(mgr.get(), &CMProjectMgr::signal_TimelineChanged);
        EXPECT_EQ(row.changes, mgr->ChangeClipSettings(first, change));
        EXPECT_EQ(row.changes ? 1 : 0, changed.size());
        // The notice names the clip: listeners read that one again alone.
        if (!changed.isEmpty())
            EXPECT_EQ(static_cast<const Fablecut::ISourceDataItem*>(first),
                      changed.at(0).at(0).value<const Fablecut::ISourceDataItem*>());
        EXPECT_TRUE(row.shows(*first));
    }
    EXPECT_EQ(0, second->GetBrightness()) << "only the edited clip changes";
    EXPECT_FALSE(second->GetMute());

    // Refusals: a library item, no item, an item gone from the timeline.
    CClipSettingsChange bright;
    bright.brightness = 50;
    QSignalSpy changed(mgr.get(), &CMProjectMgr::signal_TimelineChanged);
    EXPECT_FALSE(mgr->ChangeClipSettings(library_item, bright));
    EXPECT_EQ(0, library_item->GetBrightness()) << "a library item is no clip of the timeline";
    EXPECT_FALSE(mgr->ChangeClipSettings(nullptr, bright));
    EXPECT_TRUE(changed.isEmpty());
    ASSERT_TRUE(mgr->slot_DeleteItemByIndex(1));
    ASSERT_EQ(1, changed.size());
    EXPECT_EQ(nullptr, changed.at(0).at(0).value<const Fablecut::ISourceDataItem*>())
        << "a change of the clips names none";
    changed.clear();
    EXPECT_FALSE(mgr->IsTimelineClip(second));
    EXPECT_FALSE(mgr->ChangeClipSettings(second, bright)) << "a clip deleted from the timeline";
    EXPECT_TRUE(changed.isEmpty());
    EXPECT_TRUE(mgr->IsTimelineClip(first));
}
