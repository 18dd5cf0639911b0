#include "ProfileTestCatalogue.h"

#include "CBaseException.h"

#include <QFileInfo>
#include <QStandardItemModel>

namespace {

class ProfileCustomRecentTest : public CatalogueTest
{
protected:
    // The recent links, newest first, as their base IDs.
    static QList<int> RecentBases(ProfileNodeManager& mgr)
    {
        QList<int> bases;
        for (LnkData& l : mgr.lnkDataList())
            if (l.flags.testFlag(BF_Recent))
                bases << l.baseId;
        return bases;
    }
};

} // namespace

TEST_F(ProfileCustomRecentTest, SavingAsCustomGivesANewIdAFileAndKeepsTheFirstBase)
{
    auto mgr = Open();
    ProfilePtr app(mgr->loadProfile(*mgr->getProfileLnkDataByID(101)));
    ASSERT_TRUE(app);
    mgr->saveCustomProfile(app.get());
    int id = app->GetDesc()->GetID();
    EXPECT_TRUE(IsCustomId(id)) << id;
    EXPECT_EQ(101, app->GetDesc()->GetBaseID());
    EXPECT_TRUE(QFileInfo::exists(Home(QString("custom/%1.xml").arg(id))));
    LnkData* lnk = mgr->getProfileLnkDataByID(id);
    ASSERT_TRUE(lnk);
    EXPECT_EQ(101, lnk->baseId);
    EXPECT_EQ(10000, lnk->parent->id);
    EXPECT_EQ(id, AllLnkIds(*mgr).last()); // appended at the end

    // Saved again as custom: a second link, still based on 101.
    mgr->saveCustomProfile(app.get());
    int second = app->GetDesc()->GetID();
    EXPECT_NE(id, second);
    EXPECT_EQ(101, mgr->getProfileLnkDataByID(second)->baseId);

    // Both survive a restart, with the file as the profile of the link.
    auto again = Open();
    ASSERT_TRUE(again->getProfileLnkDataByID(second));
    ProfilePtr reread(again->loadProfile(*again->getProfileLnkDataByID(second)));
    ASSERT_TRUE(reread);
    EXPECT_EQ(second, reread->GetDesc()->GetID());
    EXPECT_THROW(mgr->saveCustomProfile(nullptr), CBaseException);
}

TEST_F(ProfileCustomRecentTest, AFailedSaveLeavesListsAndProfileAsTheyWere)
{
    auto mgr = Open();
    QList<int> before = AllLnkIds(*mgr);
    QByteArray libraryBefore = ReadText(Home("custom.xml"));
    mgr->getProfileConfig()->setUserProfileDir(Home("no/such/folder"));
    ProfilePtr p = MakeProfile(201, "iPhone");
    EXPECT_THROW(mgr->saveCustomProfile(p.get()), CBaseException);
    EXPECT_EQ(before, AllLnkIds(*mgr));
    EXPECT_EQ(201, p->GetDesc()->GetID());
    EXPECT_EQ(0, p->GetDesc()->GetBaseID());
    EXPECT_EQ(libraryBefore, ReadText(Home("custom.xml")));
}

TEST_F(ProfileCustomRecentTest, RecentListKeepsTheNewestWithinTheLimit)
{
    struct Case
    {
        const char* what;
        int limit;
        QList<int> earlier; // recorded oldest first
        int next;
        QList<int> expected; // newest first
    } cases[] = {
        {"one over the limit drops the oldest", 3, {301, 201, 102, 101}, 401, {401, 101, 102, 201}},
        {"the same base replaces, not counted", 3, {301, 201, 102, 101}, 201, {201, 101, 102, 301}},
        {"limit 0 keeps only the new link", 0, {101, 102}, 201, {201}},
        {"room left: nothing dropped", 3, {101}, 102, {102, 101}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(Home("custom.xml"));
        auto mgr = Open();
        mgr->getProfileConfig()->setRecentLimited(100);
        for (int base : c.earlier)
            mgr->saveRecentProfile(MakeProfile(base, QString::number(base)).get());
        mgr->getProfileConfig()->setRecentLimited(c.limit);
        mgr->saveRecentProfile(MakeProfile(c.next, QString::number(c.next)).get());
        EXPECT_EQ(c.expected, RecentBases(*mgr));
        EXPECT_TRUE(mgr->lnkDataList().front().flags.testFlag(BF_Recent)); // at the very front
        auto again = Open();
        EXPECT_EQ(c.expected, RecentBases(*again));
    }
    auto mgr = Open();
    GetQuentaException()->Clear();
    mgr->saveRecentProfile(nullptr);
    EXPECT_EQ(10021003, GetQuentaException()->GetExceptionCode());
}

TEST_F(ProfileCustomRecentTest, RemovingACustomProfileTakesItsRecentLinksAndFile)
{
    auto mgr = Open();
    ProfilePtr custom(mgr->loadProfile(*mgr->getProfileLnkDataByID(102)));
    mgr->saveCustomProfile(custom.get());
    int id = custom->GetDesc()->GetID();
    mgr->saveRecentProfile(custom.get());
    mgr->saveRecentProfile(MakeProfile(101, "mp4").get());
    ASSERT_EQ((QList<int>{101, id}), RecentBases(*mgr));

    ProfilePtr app = MakeProfile(101, "mp4");
    mgr->removeCustomProfile(app.get()); // not custom: nothing happens
    EXPECT_EQ((QList<int>{101, id}), RecentBases(*mgr));

    mgr->removeCustomProfile(custom.get());
    EXPECT_EQ(nullptr, mgr->getProfileLnkDataByID(id));
    EXPECT_EQ((QList<int>{101}), RecentBases(*mgr));
    EXPECT_FALSE(QFileInfo::exists(Home(QString("custom/%1.xml").arg(id))));
    auto again = Open();
    EXPECT_EQ(nullptr, again->getProfileLnkDataByID(id));
    EXPECT_EQ((QList<int>{101}), RecentBases(*again));
}

TEST_F(ProfileCustomRecentTest, RemovedLinksLeaveNoListPointingAtThem)
{
    auto mgr = Open();
    ProfilePtr custom = MakeProfile(101, "Searchable one");
    mgr->saveCustomProfile(custom.get());
    int id = custom->GetDesc()->GetID();
    mgr->setSearchText("searchable");
    ASSERT_EQ(1, mgr->getSearchedCount());
    mgr->reBuildLnkViewList(false);
    ASSERT_EQ((QList<int>{id}), LnkIds(*mgr));

    // Inside an open bracket the rebuild waits; the lists must not.
    mgr->beginUpdate();
    mgr->removeCustomProfile(custom.get());
    EXPECT_EQ(0, mgr->getSearchedCount());
    EXPECT_TRUE(LnkIds(*mgr).isEmpty());
    QStandardItemModel model;
    mgr->buildSearchResult(model); // would read freed links (ASan)
    EXPECT_EQ(0, model.rowCount());
    mgr->endUpdate();
    mgr->reBuildLnkViewList(false);
    EXPECT_TRUE(LnkIds(*mgr).isEmpty());

    // A recent-only removal (its custom link already gone) is saved too.
    mgr->saveRecentProfile(custom.get());
    ASSERT_EQ(1, mgr->lnkDataList().front().flags.testFlag(BF_Recent));
    mgr->removeCustomProfile(custom.get());
    auto again = Open();
    for (LnkData& l : again->lnkDataList())
        EXPECT_NE(id, l.baseId);
}

TEST_F(ProfileCustomRecentTest, UploadWithoutACollectionServerIsQuiet)
{
    auto mgr = Open();
    ProfilePtr p = MakeProfile(101, "mp4");
    GetQuentaException()->Clear();
    mgr->uploadProfile(p.get()); // no collection server set: nothing is sent
    EXPECT_EQ(0, GetQuentaException()->GetExceptionCode());
    mgr->uploadProfile(nullptr);
    EXPECT_EQ(10021003, GetQuentaException()->GetExceptionCode());
}
