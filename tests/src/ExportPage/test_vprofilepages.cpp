// The profile area over its five pages on a small catalogue: which page
// takes an offered profile, what the pages load and announce, the category
// grids, and empty categories.

#include "ExportTestCatalogue.h"

#include "ExportPage/vprofiledevicepage.h"
#include "ExportPage/vprofileeditorpage.h"
#include "ExportPage/vprofileformatpage.h"
#include "ExportPage/vprofilelosslesspage.h"
#include "ExportPage/vprofilemanagerwidget.h"
#include "ExportPage/vprofileonlinepage.h"
#include "ExportPage/vprofileparamspwidget.h"
#include "ExportPage/vprofileparamwidget.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTableWidget>
#include <QToolButton>

using namespace ExportTest;

namespace {

QApplication* App()
{
    return GuiTest::App("test_vprofilepages");
}

const QList<CatFields> kLibrary = {
    {1, 2, {101, 102}}, {2, 2, {201}},      {3, 4, {301, 302, 303}}, {4, 4, {401, 402}, {402}},
    {5, 3, {501}},      {6, 5, {601, 602}}, {7, 6, {701, 702}},      {8, 6, {801}},
};

class ProfileArea : public ::testing::Test
{
protected:
    void SetUp() override
    {
        App();
        m_cat.WriteLibrary(kLibrary, 101);
        m_mgr = m_cat.Open();
        m_area = std::make_unique<VProfileManagerWidget>();
        m_area->AddPage(format = new VProfileFormatPage(m_mgr.get()));
        m_area->AddPage(device = new VProfileDevicePage(m_mgr.get()));
        m_area->AddPage(editor = new VProfileEditorPage(m_mgr.get()));
        m_area->AddPage(lossless = new VProfileLosslessPage(m_mgr.get()));
        m_area->AddPage(online = new VProfileOnlinePage(m_mgr.get()));
    }
    void TearDown() override
    {
        m_area.reset();
        m_mgr.reset();
    }
    ProfilePtr Profile(int id, int baseId = 0)
    {
        ProfileFields fields;
        fields.id = id;
        fields.baseId = baseId;
        fields.name = QString("Offered %1").arg(id);
        return LoadProfileText(fields);
    }
    static int Id(IProfile* p) { return p ? p->GetDesc()->GetID() : -1; }

    Catalogue m_cat;
    std::unique_ptr<ProfileNodeManager> m_mgr;
    std::unique_ptr<VProfileManagerWidget> m_area;
    VProfileFormatPage* format = nullptr;
    VProfileDevicePage* device = nullptr;
    VProfileEditorPage* editor = nullptr;
    VProfileLosslessPage* lossless = nullptr;
    VProfileOnlinePage* online = nullptr;
};

} // namespace

TEST_F(ProfileArea, PagesAreFilledFromTheCatalogue)
{
    EXPECT_EQ(m_area->GetCurrentPage(), format);
    EXPECT_EQ(Id(format->GetCurProfile()), 101);
    EXPECT_EQ(format->paramWidget()->currentProfile(), format->GetCurProfile());
    QComboBox* list = device->formatList();
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->itemText(0), "Profile 301");
    EXPECT_EQ(list->itemText(2), "Profile 303");
    EXPECT_EQ(Id(device->GetCurProfile()), 301);
    EXPECT_EQ(Id(editor->GetCurProfile()), 501);
    EXPECT_EQ(Id(lossless->GetCurProfile()), 601);
    EXPECT_EQ(Id(online->GetCurProfile()), 701);
    EXPECT_EQ(online->formatList()->count(), 2);
    auto* names = m_area->findChild<QListWidget*>("lstPageNames");
    QStringList texts;
    for (int i = 0; i < names->count(); ++i)
        texts << names->item(i)->text();
    EXPECT_EQ(texts, QStringList({"Common Format", "Device", "Editor", "Lossless", "Online"}));

    // Choosing another entry loads it and announces it once.
    QSignalSpy changed(m_area.get(), &VProfileManagerWidget::signal_CurProfileChanged);
    list->setCurrentIndex(1);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(Id(device->GetCurProfile()), 302);
    EXPECT_EQ(device->paramWidget()->currentProfile(), device->GetCurProfile());
}

struct OfferCase
{
    const char* what;
    int id;
    int baseId;
    VProfileMgrPageWidget::Function page;
    int current; // the ID the accepting page then holds
};

TEST_F(ProfileArea, OfferedProfileIsShownOnTheFirstPageThatAcceptsIt)
{
    const OfferCase cases[] = {
        {"format", 201, 0, VProfileMgrPageWidget::FUNC_FORMAT, 201},
        {"device", 302, 0, VProfileMgrPageWidget::FUNC_DEVICE, 302},
        {"editing program", 501, 0, VProfileMgrPageWidget::FUNC_EDITOR, 501},
        {"lossless", 602, 0, VProfileMgrPageWidget::FUNC_LOSSLESS, 602},
        {"online", 702, 0, VProfileMgrPageWidget::FUNC_ONLINE, 702},
        {"recent of a format", 20005, 102, VProfileMgrPageWidget::FUNC_FORMAT, 20005},
        {"recent of a device: no page takes it", 20006, 303, VProfileMgrPageWidget::FUNC_FORMAT, -2},
        {"hidden link: no page takes it", 402, 0, VProfileMgrPageWidget::FUNC_FORMAT, -2},
        {"unknown", 999, 0, VProfileMgrPageWidget::FUNC_FORMAT, -2},
    };
    for (const OfferCase& c : cases) {
        SCOPED_TRACE(c.what);
        m_area->swithPageByFuction(VProfileMgrPageWidget::FUNC_ONLINE);
        ProfilePtr offered = Profile(c.id, c.baseId);
        m_area->SetProfile(offered.get());
        VProfileMgrPageWidget* page = m_area->GetCurrentPage();
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(page->GetPageFution(), c.page);
        if (c.current != -2) {
            IProfile* held = page->GetCurProfile();
            EXPECT_NE(held, offered.get()); // a clone, the caller keeps its own
            EXPECT_EQ(Id(held), c.current);
        }
    }
    QSignalSpy pages(m_area.get(), &VProfileManagerWidget::signal_CurrentPageChanged);
    QSignalSpy profiles(m_area.get(), &VProfileManagerWidget::signal_CurProfileChanged);
    m_area->SetProfile(nullptr);
    EXPECT_EQ(m_area->GetCurrentPage(), format);
    EXPECT_EQ(pages.count(), 0); // the format page was shown already
    m_area->swithPageByFuction(VProfileMgrPageWidget::FUNC_LOSSLESS);
    ProfilePtr offered = Profile(102);
    m_area->SetProfile(offered.get());
    EXPECT_EQ(pages.count(), 2);
    EXPECT_EQ(profiles.count(), 2);
    EXPECT_EQ(Id(format->GetCurProfile()), 102);

    // Pages that took offered profiles still announce each choice once.
    QSignalSpy deviceChoice(device, &VProfileMgrPageWidget::signal_CurProfileChanged);
    auto* deviceGrid = device->findChild<QTableWidget*>("tbwProfileCata");
    deviceGrid->clearSelection();
    deviceGrid->item(0, 0)->setSelected(true);
    EXPECT_EQ(deviceChoice.count(), 1);
    device->formatList()->setCurrentIndex(2);
    EXPECT_EQ(deviceChoice.count(), 2);
    EXPECT_EQ(Id(device->GetCurProfile()), 303);
    QSignalSpy formatChoice(format, &VProfileMgrPageWidget::signal_CurProfileChanged);
    auto* grid = format->findChild<QTableWidget*>("tbwProfileCata");
    grid->clearSelection();
    grid->item(0, 1)->setSelected(true);
    EXPECT_EQ(formatChoice.count(), 1);
    EXPECT_EQ(Id(format->GetCurProfile()), 201);
}

TEST_F(ProfileArea, LockedSettingsStillSwitchPages)
{
    m_area->SetEnableSetting(false);
    EXPECT_FALSE(m_area->findChild<QStackedWidget*>("stwPages")->isEnabled());
    EXPECT_FALSE(m_area->findChild<QFrame*>("frmOutputPath")->isEnabled());
    auto* names = m_area->findChild<QListWidget*>("lstPageNames");
    EXPECT_TRUE(names->isEnabled());
    names->item(2)->setSelected(true);
    EXPECT_EQ(m_area->GetCurrentPage(), editor);
    m_area->SetEnableSetting(true);
    EXPECT_TRUE(m_area->findChild<QStackedWidget*>("stwPages")->isEnabled());
    EXPECT_TRUE(m_area->findChild<QLineEdit*>("edtOutputPath")->isReadOnly());
}

TEST(ProfilePageGrid, RowsAndArrowsFollowTheCategoryCount)
{
    App();
    struct Case
    {
        int categories;
        int rows;
        bool arrows;
    } cases[] = {{0, 2, false}, {5, 2, false}, {8, 2, false}, {9, 3, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.categories);
        Catalogue cat;
        QList<CatFields> lib;
        for (int i = 0; i < c.categories; ++i)
            lib << CatFields{i + 1, 2, {(i + 1) * 100 + 1}};
        lib << CatFields{50, 4, {5001}};
        cat.WriteLibrary(lib, 101);
        auto mgr = cat.Open();
        VProfileFormatPage page(mgr.get());
        page.initPageInfo();
        auto* grid = page.findChild<QTableWidget*>("tbwProfileCata");
        EXPECT_EQ(grid->rowCount(), c.rows);
        EXPECT_EQ(page.findChild<QToolButton*>("btnNext")->isEnabled(), c.arrows);
        int fillers = 0;
        for (int r = 0; r < grid->rowCount(); ++r)
            for (int col = 0; col < 4; ++col)
                if (grid->item(r, col)->data(Qt::UserRole).toInt() == -1) {
                    ++fillers;
                    EXPECT_EQ(grid->item(r, col)->flags(), Qt::NoItemFlags);
                }
        EXPECT_EQ(fillers, c.rows * 4 - c.categories);
        if (c.categories == 0)
            EXPECT_EQ(page.GetCurProfile(), nullptr);
        else
            EXPECT_EQ(page.GetCurProfile()->GetDesc()->GetID(), 101);
    }
}

TEST(ProfilePageGrid, EmptyCategoryLeavesNoProfileInPageOrEditor)
{
    App();
    Catalogue cat;
    cat.WriteLibrary({{1, 2, {}}, {2, 2, {201}}, {3, 4, {}}, {4, 4, {401}}}, 201);
    auto mgr = cat.Open();
    VProfileFormatPage format(mgr.get());
    format.initPageInfo();
    EXPECT_EQ(format.GetCurProfile(), nullptr);
    EXPECT_EQ(format.paramWidget()->currentProfile(), nullptr);
    auto* grid = format.findChild<QTableWidget*>("tbwProfileCata");
    grid->clearSelection();
    grid->item(0, 1)->setSelected(true);
    ASSERT_NE(format.GetCurProfile(), nullptr);
    grid->clearSelection();
    grid->item(0, 0)->setSelected(true);
    EXPECT_EQ(format.GetCurProfile(), nullptr);
    EXPECT_EQ(format.paramWidget()->currentProfile(), nullptr);
    EXPECT_FALSE(format.paramWidget()->SaveSettingToCurProfile());

    VProfileDevicePage device(mgr.get());
    device.initPageInfo();
    EXPECT_EQ(device.formatList()->count(), 0);
    EXPECT_EQ(device.GetCurProfile(), nullptr);
    auto* deviceGrid = device.findChild<QTableWidget*>("tbwProfileCata");
    deviceGrid->clearSelection();
    deviceGrid->item(0, 1)->setSelected(true);
    EXPECT_EQ(device.GetCurProfile()->GetDesc()->GetID(), 401);
    deviceGrid->clearSelection();
    deviceGrid->item(0, 0)->setSelected(true);
    EXPECT_EQ(device.GetCurProfile(), nullptr);
    EXPECT_EQ(device.paramWidget()->currentProfile(), nullptr);
}

TEST(ProfilePageGrid, MissingOrUnreadableProfileFileLoadsNothing)
{
    App();
    Catalogue cat;
    cat.WriteLibrary({{1, 2, {101}}, {2, 2, {201}}, {3, 6, {301, 302}}}, 101);
    QFile::remove(cat.App("profile/101.xml"));
    Catalogue::Write(cat.App("profile/302.xml"), "<Profile><Desc ID=");
    auto mgr = cat.Open();
    VProfileFormatPage format(mgr.get());
    QSignalSpy announced(&format, &VProfileMgrPageWidget::signal_CurProfileChanged);
    format.initPageInfo();
    EXPECT_EQ(format.GetCurProfile(), nullptr);
    EXPECT_EQ(format.paramWidget()->currentProfile(), nullptr);
    VProfileOnlinePage online(mgr.get());
    online.initPageInfo();
    ASSERT_EQ(online.formatList()->count(), 2);
    EXPECT_EQ(online.formatList()->itemText(1), "Link 302"); // unreadable: listed by its link name
    online.formatList()->setCurrentIndex(1);
    EXPECT_EQ(online.GetCurProfile(), nullptr);
    EXPECT_EQ(online.paramWidget()->currentProfile(), nullptr);
}
