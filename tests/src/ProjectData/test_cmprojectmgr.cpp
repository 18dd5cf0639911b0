#include "cmprojectmgr.h"

#include "cmediasourceitem.h"

#include "ProjectDataTestMedia.h"

#include <QCoreApplication>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <map>
#include <memory>

using namespace Fablecut;

namespace {

QCoreApplication* App()
{
    static int argc = 1;
    static char name[] = "test_cmprojectmgr";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = QCoreApplication::instance() ? QCoreApplication::instance()
                                                                  : new QCoreApplication(argc, argv);
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
        QObject::connect(&mgr, &CMProjectMgr::signal_QueryItemByFullPath, [this](QString path, ISourceDataItem** out) {
            auto it = items.find(path);
            *out = it == items.end() ? nullptr : it->second.get();
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
    EXPECT_NE(static_cast<ISourceDataItem*>(library.items["/a.mp4"].get()),
              mgr->GetTimelineItem()->getItemByIndex(0)) << "the timeline holds copies";

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
    CTimelineItem* timeline = mgr->GetTimelineItem();
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
