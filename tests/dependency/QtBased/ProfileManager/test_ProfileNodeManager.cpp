#include "ProfileTestCatalogue.h"

#include "CBaseException.h"

#include <QSignalSpy>
#include <QStandardItemModel>

namespace {

class ProfileNodeManagerTest : public CatalogueTest
{
};

QVariant Role(ProfileNode& node, int row, int role)
{
    QStandardItemModel model(row + 1, 1);
    QVariant v(QStringLiteral("untouched"));
    node.RequireChildData(model.index(row, 0), v, role);
    return v;
}

} // namespace

TEST_F(ProfileNodeManagerTest, CategoriesAreListedByTypeWithHiddenOnesLeftOut)
{
    auto mgr = Open();
    ASSERT_TRUE(m_loaded);
    // Custom and Recent first (user library), type 1 before 2 before 4, stable.
    EXPECT_EQ((QList<int>{10000, 20000, 4, 1, 2}), CatIds(*mgr));
    ProfileCatNode& node = *mgr->getCatNode();
    QList<bool> separators;
    for (int row = 0; row < node.RequireChildCount(); ++row)
        separators << Role(node, row, PNR_GroupSeparator).toBool();
    EXPECT_EQ((QList<bool>{true, false, false, true, true}), separators);

    auto plain = Open(false);
    EXPECT_EQ((QList<int>{10000, 20000, 1, 2, 4}), CatIds(*plain));
    EXPECT_FALSE(Role(*plain->getCatNode(), 0, PNR_GroupSeparator).toBool());

    mgr->setShowHidden(true);
    EXPECT_EQ((QList<int>{10000, 20000, 4, 1, 3, 2}), CatIds(*mgr));
}

TEST_F(ProfileNodeManagerTest, SearchTextIsNormalisedAndMatchesNameThenComment)
{
    auto mgr = Open();
    QSignalSpy rebuilds(mgr.get(), &ProfileNodeManager::CatFilter);
    mgr->setSearchText(" ;mp4;; hd ");
    EXPECT_EQ("mp4 hd", mgr->getSearchText());
    EXPECT_EQ(1, rebuilds.count());
    mgr->setSearchText("mp4 hd;");
    EXPECT_EQ(1, rebuilds.count()); // same text: nothing happens
    // 101 by its name, 102 by its comment; 103 is hidden but still searched.
    EXPECT_EQ(2, mgr->getSearchedCount());
    EXPECT_EQ((QList<int>{90000, 1}), CatIds(*mgr));
    mgr->reBuildLnkViewList(false); // no active category: the hits
    EXPECT_EQ((QList<int>{101, 102}), LnkIds(*mgr));

    mgr->setSearchText("   ");
    EXPECT_EQ(0, mgr->getSearchedCount());
    EXPECT_FALSE(CatIds(*mgr).contains(90000));
    mgr->reBuildLnkViewList(false);
    EXPECT_TRUE(LnkIds(*mgr).isEmpty());
}

TEST_F(ProfileNodeManagerTest, RecentLinksAreNeverSearchResults)
{
    auto mgr = Open();
    ProfilePtr iphone = MakeProfile(201, "iPhone");
    mgr->saveRecentProfile(iphone.get());
    mgr->setSearchText("iphone");
    EXPECT_EQ(1, mgr->getSearchedCount());
    EXPECT_EQ((QList<int>{90000, 2}), CatIds(*mgr)); // not the recent category
}

TEST_F(ProfileNodeManagerTest, BracketsRebuildOnceWhenTheOutermostCloses)
{
    auto mgr = Open();
    QSignalSpy rebuilds(mgr.get(), &ProfileNodeManager::CatFilter);
    QSignalSpy changes(mgr.get(), &ProfileNodeManager::DataChange);
    mgr->beginUpdate();
    mgr->beginUpdate(UF_RecentChanged);
    mgr->setShowHidden(true); // waits for the bracket
    mgr->endUpdate();
    EXPECT_EQ(0, rebuilds.count());
    mgr->endUpdate();
    EXPECT_EQ(1, rebuilds.count());
    ASSERT_EQ(1, changes.count());
    TUpdateFlag reported = changes.at(0).at(0).value<TUpdateFlag>();
    EXPECT_TRUE(reported.testFlag(UF_RecentChanged));
    EXPECT_TRUE(reported.testFlag(UF_ShowHidden));

    mgr->endUpdate(); // without a bracket: at once, nesting stays 0
    EXPECT_EQ(2, rebuilds.count());
    mgr->beginUpdate();
    mgr->endUpdate();
    EXPECT_EQ(3, rebuilds.count());
}

TEST_F(ProfileNodeManagerTest, LinkViewFollowsTheActiveCategory)
{
    auto mgr = Open();
    mgr->reBuildLnkViewList(false);
    EXPECT_TRUE(LnkIds(*mgr).isEmpty());
    mgr->setActiveCatData(Cat(*mgr, 1));
    mgr->reBuildLnkViewList(false);
    EXPECT_EQ((QList<int>{101, 102}), LnkIds(*mgr)); // 103 hidden
    mgr->reBuildLnkViewList(true);
    EXPECT_EQ((QList<int>{101, 102, 201, 15000, 301, 401}), LnkIds(*mgr));

    ProfileLnkNode& node = *mgr->getLnkNode();
    EXPECT_EQ("HD MP4 Video", Role(node, 0, PNR_Name).toString());
    EXPECT_EQ("h264", Role(node, 0, PNR_Comment).toString());
    EXPECT_TRUE(Role(node, 0, PNR_IsLink).toBool());
    EXPECT_EQ("untouched", Role(node, 6, PNR_Name).toString()); // row == size
    EXPECT_EQ("untouched", Role(*mgr->getCatNode(), 0, PNR_Comment).toString());
}

TEST_F(ProfileNodeManagerTest, SelectionMarksOneLinkAndItsCategory)
{
    auto mgr = Open();
    LnkData* iphone = mgr->getProfileLnkDataByID(201);
    LnkData* mp4 = mgr->getProfileLnkDataByID(101);
    ASSERT_TRUE(iphone && mp4);
    mgr->setSelectProfile(mp4);
    mgr->setSelectProfile(iphone);
    EXPECT_TRUE(iphone->state.testFlag(BF_Star));
    EXPECT_TRUE(iphone->parent->state.testFlag(BF_Star));
    EXPECT_FALSE(mp4->state.testFlag(BF_Star));
    EXPECT_FALSE(mp4->parent->state.testFlag(BF_Star));
    EXPECT_EQ(iphone->parent, mgr->getActiveCatData());

    ProfilePtr recent = MakeProfile(20001, "recent", 101);
    EXPECT_EQ(mp4, mgr->getProfileLnkData(recent.get())); // a recent profile is its base's
    GetQuentaException()->Clear();
    EXPECT_EQ(nullptr, mgr->getProfileLnkData(nullptr));
    EXPECT_EQ(10021003, GetQuentaException()->GetExceptionCode());
    mgr->setSelectProfile(static_cast<IProfile*>(nullptr));
    EXPECT_TRUE(iphone->state.testFlag(BF_Star));
}

TEST_F(ProfileNodeManagerTest, ProfilesLoadFromTheUserFolderFirst)
{
    auto mgr = Open();
    WriteProfile(Home("custom/101.xml"), 101, "user copy");
    LnkData recent;
    recent.id = 20007;
    recent.baseId = 101;
    ProfilePtr p(mgr->loadProfile(recent));
    ASSERT_TRUE(p);
    EXPECT_STREQ("user copy", p->GetDesc()->GetName());
    ProfilePtr app(mgr->loadProfile(*mgr->getProfileLnkDataByID(102)));
    ASSERT_TRUE(app);
    EXPECT_STREQ("app 102", app->GetDesc()->GetName());

    WriteText(Home("custom/102.xml"), "not a profile");
    EXPECT_EQ(nullptr, mgr->loadProfile(*mgr->getProfileLnkDataByID(102))); // the app copy is not tried
    LnkData nowhere;
    nowhere.id = 999;
    EXPECT_EQ(nullptr, mgr->loadProfile(nowhere));
    ProfilePtr def(mgr->getProfileConfig()->createDefaultProfile());
    ASSERT_TRUE(def);
    EXPECT_EQ(101, def->GetDesc()->GetID());
}

TEST_F(ProfileNodeManagerTest, TreeModelChecksFollowTheHiddenBits)
{
    auto mgr = Open();
    Cat(*mgr, 2)->flags |= BF_Skip; // hidden category, links shown
    QStandardItemModel model;
    mgr->buildTreeRoot(model);
    // Custom, Formats, Devices, Audio, Untyped: the recent category is left out.
    ASSERT_EQ(5, model.rowCount());
    struct Row
    {
        int row;
        QString name;
        Qt::CheckState state;
        int children;
    } rows[] = {
        {0, "Custom", Qt::Checked, 0},           // no links: its own state
        {1, "Formats", Qt::PartiallyChecked, 3}, // one hidden link
        {2, "Devices", Qt::PartiallyChecked, 2}, // hidden, links shown
        {3, "Audio", Qt::PartiallyChecked, 1},   // hidden with a shown link
        {4, "Untyped", Qt::Checked, 1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name.toStdString());
        QStandardItem* item = model.item(r.row);
        EXPECT_EQ(r.name, item->text());
        EXPECT_EQ(r.state, item->checkState());
        EXPECT_EQ(r.children, item->rowCount());
        auto* cat = reinterpret_cast<CatData*>(item->data(PNR_CatPointer).value<quintptr>());
        EXPECT_EQ(r.name, cat->name); // the full pointer, not 32 bits of it
    }
    QStandardItem* mkv = model.item(1)->child(2);
    EXPECT_EQ(Qt::Unchecked, mkv->checkState());
    EXPECT_EQ(103, reinterpret_cast<LnkData*>(mkv->data(PNR_LnkPointer).value<quintptr>())->id);

    mgr->setSearchText("mp4");
    mgr->buildSearchResult(model);
    ASSERT_EQ(2, model.rowCount());
    EXPECT_EQ(Qt::Checked, model.item(0)->checkState());
}

TEST_F(ProfileNodeManagerTest, SavedFlagsCanBeRevertedOrCommitted)
{
    auto mgr = Open();
    mgr->saveFlags();
    LnkData* mp4 = mgr->getProfileLnkDataByID(101);
    mp4->flags |= BF_Skip;
    mgr->resetFlags(false);
    EXPECT_FALSE(mp4->flags.testFlag(BF_Skip));
    mp4->flags |= BF_Skip;
    mgr->resetFlags(true); // written to the hide/show file
    auto again = Open();
    EXPECT_TRUE(again->getProfileLnkDataByID(101)->flags.testFlag(BF_Skip));
}

TEST_F(ProfileNodeManagerTest, MakeProfileIdAvoidsEveryTakenId)
{
    auto mgr = Open();
    CatData* custom = Cat(*mgr, 10000);
    for (int id = 10000; id <= 19999; ++id) {
        if (id == 12345)
            continue;
        LnkData l;
        l.id = id;
        l.parent = custom;
        mgr->lnkDataList().push_back(l);
    }
    TBaseFlags kind(BF_Custom);
    EXPECT_EQ(12345, mgr->MakeProfileID(kind));
    TBaseFlags none;
    EXPECT_THROW(mgr->MakeProfileID(none), CBaseException);
}
