#include "ProfileTestCatalogue.h"

#include "CBaseException.h"

#include <cctype>

#include <QDir>
#include <QFileInfo>

namespace {

class ProfileConfigTest : public CatalogueTest
{
};

struct LinkView
{
    int id, baseId;
    QString name, comment;
    int parent;
    bool operator==(LinkView const& o) const
    {
        return id == o.id && baseId == o.baseId && name == o.name && comment == o.comment && parent == o.parent;
    }
};

// The links of one kind (custom, recent or application) in list order.
QList<LinkView> Links(ProfileNodeManager& mgr, TBaseFlags kind)
{
    QList<LinkView> out;
    for (LnkData& l : mgr.lnkDataList())
        if ((l.flags & (BF_Custom | BF_Recent)) == kind)
            out << LinkView{l.id, l.baseId, l.name, l.comment, l.parent ? l.parent->id : -1};
    return out;
}

} // namespace

TEST_F(ProfileConfigTest, FirstStartWritesAnEmptyUserLibrary)
{
    auto mgr = Open();
    ASSERT_TRUE(m_loaded);
    QByteArray custom = ReadText(Home("custom.xml"));
    EXPECT_TRUE(custom.contains("<Category ID=\"10000\" Name=\"Custom\""));
    EXPECT_TRUE(custom.contains("<Category ID=\"20000\" Name=\"Recent\""));
    ASSERT_GE(mgr->catDataList().size(), 2u);
    EXPECT_EQ(10000, mgr->catDataList().front().id);
    EXPECT_TRUE(mgr->catDataList().front().flags.testFlag(BF_Custom));
    EXPECT_EQ(101, mgr->getProfileConfig()->getDefaultID());
    EXPECT_EQ(3, mgr->getProfileConfig()->getRecentLimited());
}

TEST_F(ProfileConfigTest, LibraryReadingRules)
{
    WriteText(Home("custom.xml"), R"(<?xml version="1.0"?>
<ProfileLib>
  <Category ID="10000" Name="Custom">
    <ProfileLnk ID="10500" BaseID="7" Name="Mine" Comment="c"/>
    <ProfileLnk ID="20005" BaseID="7" Name="Wrong range"/>
  </Category>
  <Category ID="20000" Name="Recent"><ProfileLnk ID="20001" BaseID="10500" Name="R"/></Category>
  <Category ID="1" Name="Formats again"/>
</ProfileLib>)");
    auto mgr = Open();
    EXPECT_EQ(nullptr, mgr->getProfileLnkDataByID(20005)); // dropped under Custom
    LnkData* odd = mgr->getProfileLnkDataByID(15000);      // taken under an app category
    ASSERT_TRUE(odd);
    EXPECT_FALSE(odd->flags.testFlag(BF_Custom));
    EXPECT_EQ(0, odd->baseId);
    EXPECT_TRUE(mgr->getProfileLnkDataByID(101)->flags.testFlag(BF_Star));
    EXPECT_TRUE(mgr->getProfileLnkDataByID(103)->flags.testFlag(BF_Skip));
    int formats = 0;
    for (CatData& c : mgr->catDataList())
        formats += c.id == 1;
    EXPECT_EQ(2, formats);            // duplicates are not merged
    EXPECT_EQ(1, Cat(*mgr, 1)->type); // the user's "Formats again" has no Type

    QFile::remove(Home("custom.xml"));
    auto typed = Open();
    struct Type
    {
        int id, type;
    } types[] = {{10000, 1}, {20000, 1}, {1, 2}, {2, 4}, {4, 1}};
    for (Type t : types)
        EXPECT_EQ(t.type, Cat(*typed, t.id)->type) << t.id;
    auto untyped = Open(false);
    for (CatData& c : untyped->catDataList())
        EXPECT_EQ(0, c.type);
}

TEST_F(ProfileConfigTest, SaveAndLoadKeepOrderBasesNamesAndComments)
{
    auto mgr = Open();
    for (int base : {101, 201})
        mgr->saveCustomProfile(MakeProfile(base, QString::fromUtf8("Eigenes Profil für %1 \"x\" <&>").arg(base)).get());
    for (int base : {301, 102})
        mgr->saveRecentProfile(MakeProfile(base, QString("recent %1").arg(base)).get());
    auto again = Open();
    for (TBaseFlags kind : {TBaseFlags(BF_Custom), TBaseFlags(BF_Recent), TBaseFlags()}) {
        QList<LinkView> before = Links(*mgr, kind), after = Links(*again, kind);
        EXPECT_EQ(before, after) << int(kind);
        EXPECT_FALSE(before.isEmpty());
    }
    // The saved user library holds only the user's links, custom then recent.
    QByteArray custom = ReadText(Home("custom.xml"));
    EXPECT_FALSE(custom.contains("<ProfileLnk ID=\"101\""));
    EXPECT_LT(custom.indexOf("Custom"), custom.indexOf("Recent"));
}

TEST_F(ProfileConfigTest, HiddenAndShownChoicesSurviveARestartForEveryKind)
{
    auto mgr = Open();
    mgr->saveCustomProfile(MakeProfile(101, "custom").get());
    mgr->saveRecentProfile(MakeProfile(201, "recent").get());
    int customId = 0, recentId = 0;
    for (LnkData& l : mgr->lnkDataList()) {
        if (l.flags.testFlag(BF_Custom))
            customId = l.id;
        if (l.flags.testFlag(BF_Recent))
            recentId = l.id;
    }
    struct Choice
    {
        const char* what;
        int id;
        bool hidden;
    } choices[] = {
        {"application link", 102, true}, {"link shipped hidden, shown by the user", 103, false},
        {"starred link", 101, true},     {"custom link", customId, true},
        {"recent link", recentId, true},
    };
    for (const Choice& c : choices)
        mgr->getProfileLnkDataByID(c.id)->flags.setFlag(BF_Skip, c.hidden);
    Cat(*mgr, 3)->flags &= ~TBaseFlags(BF_Skip); // category shipped hidden, shown
    Cat(*mgr, 2)->flags |= BF_Skip;
    Cat(*mgr, 10000)->flags |= BF_Skip;
    ASSERT_TRUE(mgr->getProfileConfig()->execSaveData());

    auto again = Open();
    for (const Choice& c : choices) {
        SCOPED_TRACE(c.what);
        LnkData* l = again->getProfileLnkDataByID(c.id);
        ASSERT_TRUE(l);
        EXPECT_EQ(c.hidden, l->flags.testFlag(BF_Skip));
    }
    EXPECT_TRUE(again->getProfileLnkDataByID(101)->flags.testFlag(BF_Star)); // other bits untouched
    EXPECT_FALSE(Cat(*again, 3)->flags.testFlag(BF_Skip));
    EXPECT_TRUE(Cat(*again, 2)->flags.testFlag(BF_Skip));
    EXPECT_TRUE(Cat(*again, 10000)->flags.testFlag(BF_Skip));
}

TEST_F(ProfileConfigTest, HideShowFileLevelsAndDuplicates)
{
    struct Case
    {
        const char* what;
        const char* file;
        bool mp4Hidden, mkvHidden;
    } cases[] = {
        {"no level: nothing applied",
         "<ProfileConfig><ProfileLnks><ProfileLnk ID=\"101\" Skip=\"1\"/></ProfileLnks><Categorys/></ProfileConfig>",
         false, true},
        {"level 0: nothing applied",
         "<ProfileConfig level=\"0\"><ProfileLnks><ProfileLnk ID=\"101\" Skip=\"1\"/></ProfileLnks><Categorys/>"
         "</ProfileConfig>",
         false, true},
        {"level 1: hidden and shown applied",
         "<ProfileConfig level=\"1\"><ProfileLnks><ProfileLnk ID=\"101\" Skip=\"1\"/><ProfileLnk ID=\"103\" "
         "Skip=\"0\"/></ProfileLnks><Categorys/></ProfileConfig>",
         true, false},
        {"the later duplicate wins",
         "<ProfileConfig level=\"1\"><ProfileLnks><ProfileLnk ID=\"101\" Skip=\"1\"/><ProfileLnk ID=\"101\" "
         "Skip=\"0\"/></ProfileLnks><Categorys/></ProfileConfig>",
         false, true},
        {"no Categorys: the document is not used",
         "<ProfileConfig level=\"1\"><ProfileLnks><ProfileLnk ID=\"101\" Skip=\"1\"/></ProfileLnks></ProfileConfig>",
         false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteText(Home("profile_config.xml"), c.file);
        auto mgr = Open();
        EXPECT_EQ(c.mp4Hidden, mgr->getProfileLnkDataByID(101)->flags.testFlag(BF_Skip));
        EXPECT_EQ(c.mkvHidden, mgr->getProfileLnkDataByID(103)->flags.testFlag(BF_Skip));
    }
    ProfileSerial serial;
    serial.newDocument();
    EXPECT_TRUE(serial.canSerial());
    EXPECT_EQ(1, serial.level());
    WriteText(Home("foo.xml"), "<Foo/>");
    try {
        serial.LoadFile(Home("foo.xml"));
        ADD_FAILURE() << "no error for another root";
    } catch (CBaseException& e) {
        EXPECT_EQ(11006101, e.GetCode());
        EXPECT_STREQ("LoadFile the root xml match falsed.", e.GetMsg());
    }
    ProfileLib lib;
    EXPECT_THROW(lib.LoadFile(Home("foo.xml")), CBaseException);
    ProfileLib missing;
    EXPECT_NO_THROW(missing.LoadFile(Home("missing.xml")));
    EXPECT_STREQ("ProfileLib", missing.GetRoot()->Value());
}

TEST_F(ProfileConfigTest, DamagedUserFilesAreKeptAsideNotOverwritten)
{
    QByteArray damaged =
        "<?xml version=\"1.0\"?><ProfileLib><Category ID=\"10000\" Name=\"Custom\"><ProfileLnk ID=\"105";
    WriteText(Home("custom.xml"), damaged);
    WriteText(Home("profile_config.xml"), "<ProfileConfig level=\"1\"><ProfileLnks>");
    auto mgr = Open();
    EXPECT_TRUE(m_loaded);
    EXPECT_NE(0, GetQuentaException()->GetExceptionCode()); // the cause is told
    QStringList kept = QDir(Home("")).entryList({"custom.xml.bad*"});
    ASSERT_EQ(1, kept.size());
    EXPECT_EQ(damaged, ReadText(Home(kept.first())));
    EXPECT_EQ(1, QDir(Home("")).entryList({"profile_config.xml.bad*"}).size());
    // A fresh, readable library took its place and the catalogue works.
    EXPECT_TRUE(ReadText(Home("custom.xml")).contains("Recent"));
    EXPECT_EQ(10000, mgr->catDataList().front().id);
    ASSERT_TRUE(mgr->getProfileConfig()->execSaveData());
    EXPECT_EQ(damaged, ReadText(Home(kept.first())));
}

TEST_F(ProfileConfigTest, UserFilesWithoutTheirRootOrWithTextForAnElementAreKeptAside)
{
    struct Case
    {
        const char* file;
        QByteArray text;
    };
    const Case cases[] = {
        {"custom.xml", "<?xml version=\"1.0\" ?>\n"},
        {"profile_config.xml", "<?xml version=\"1.0\" ?>\n"},
        // The "<" of a link turned into text by one flipped bit.
        {"custom.xml", "<ProfileLib><Category ID=\"10000\" Name=\"Custom\">\n"
                       "=ProfileLnk ID=\"10500\" BaseID=\"101\" Name=\"Mine\"/></Category></ProfileLib>"},
        {"profile_config.xml", "<ProfileConfig level=\"1\"><ProfileLnks>\n=ProfileLnk ID=\"101\" Skip=\"1\"/>"
                               "</ProfileLnks></ProfileConfig>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + ": " + c.text.constData());
        for (const QString& old : QDir(Home("")).entryList({"*.bad*", "*.damaged-*"}))
            QFile::remove(Home(old));
        QFile::remove(Home("custom.xml"));
        QFile::remove(Home("profile_config.xml"));
        WriteText(Home(c.file), c.text);
        GetQuentaException()->Clear();
        auto mgr = Open();
        EXPECT_TRUE(m_loaded);
        EXPECT_NE(0, GetQuentaException()->GetExceptionCode()) << "the user is told";
        const QStringList kept = QDir(Home("")).entryList({QString(c.file) + ".bad*"});
        ASSERT_EQ(1, kept.size());
        ASSERT_TRUE(mgr->getProfileConfig()->execSaveData());
        EXPECT_EQ(c.text, ReadText(Home(kept.first()))) << "never saved over";
    }
}

TEST_F(ProfileConfigTest, DamagedViewSettingsKeepTheDefaultsAndAreNeverSavedOver)
{
    {
        auto mgr = Open();
        mgr->getProfileConfig()->getValueDoor()[0] = 2;
        mgr->getProfileConfig()->getValueDoor()[1] = 1;
        mgr->getProfileConfig()->saveProfileCfg();
    }
    const QByteArray good = ReadText(Home("profile.cfg"));
    ASSERT_TRUE(good.contains("ViewMode=\"2\" ShowMode=\"1\"")) << good.constData();
    QByteArray flipped = good;
    flipped[flipped.indexOf("<ProfileList")] = '=';
    const QByteArray cases[] = {good.left(good.size() - 2), flipped, "<?xml version=\"1.0\" ?>\n",
                                QByteArray(good).replace("ProfileCfg", "ProfileCfh")};
    for (const QByteArray& text : cases) {
        SCOPED_TRACE(text.constData());
        for (const QString& old : QDir(Home("")).entryList({"profile.cfg.bad*"}))
            QFile::remove(Home(old));
        WriteText(Home("profile.cfg"), text);
        GetQuentaException()->Clear();
        auto mgr = Open();
        QMap<int, QVariant>& values = mgr->getProfileConfig()->getValueDoor();
        EXPECT_EQ(1, values.value(0).toInt());
        EXPECT_EQ(0, values.value(1).toInt());
        EXPECT_EQ(10021017, GetQuentaException()->GetExceptionCode());
        EXPECT_NE(std::string::npos, std::string(GetQuentaException()->GetExceptionMsg()).find("profile.cfg"))
            << GetQuentaException()->GetExceptionMsg();
        mgr->getProfileConfig()->saveProfileCfg();
        const QStringList kept = QDir(Home("")).entryList({"profile.cfg.bad*"});
        ASSERT_EQ(1, kept.size());
        EXPECT_EQ(text, ReadText(Home(kept.first())));
    }
}

TEST_F(ProfileConfigTest, ApplicationLibraryFailures)
{
    QFile::remove(App("all_profile.xml"));
    auto missing = Open();
    EXPECT_FALSE(m_loaded);
    EXPECT_EQ(11006102, GetQuentaException()->GetExceptionCode());
    EXPECT_TRUE(missing->catDataList().empty());

    WriteText(App("all_profile.xml"), "<Other/>");
    auto wrong = Open();
    EXPECT_FALSE(m_loaded);
    EXPECT_EQ(11006101, GetQuentaException()->GetExceptionCode());
    EXPECT_EQ(2u, wrong->catDataList().size()); // the user's categories are in

    WriteText(App("all_profile.xml"), "<ProfileLib><Category ID=\"1\"");
    Open();
    EXPECT_FALSE(m_loaded); // a truncated catalogue is reported, not half-read silently
}

TEST_F(ProfileConfigTest, RecentLimitIsReadOnce)
{
    auto mgr = Open();
    ProfileConfig* cfg = mgr->getProfileConfig();
    EXPECT_EQ(3, cfg->getRecentLimited());
    WriteText(App("all_profile.xml"), QByteArray(kSmallLibrary).replace("RecentLimited=\"3\"", "RecentLimited=\"9\""));
    cfg->execLoadData();
    EXPECT_EQ(3, cfg->getRecentLimited());
    WriteText(App("all_profile.xml"), QByteArray(kSmallLibrary).replace(" RecentLimited=\"3\"", ""));
    auto fresh = Open();
    EXPECT_EQ(0, fresh->getProfileConfig()->getRecentLimited());
}

TEST_F(ProfileConfigTest, ViewValuesOfProfileCfg)
{
    auto mgr = Open();
    QMap<int, QVariant>& values = mgr->getProfileConfig()->getValueDoor();
    EXPECT_EQ(1, values.value(0).toInt());
    EXPECT_EQ(0, values.value(1).toInt());
    mgr->getProfileConfig()->saveProfileCfg();
    EXPECT_TRUE(ReadText(Home("profile.cfg")).contains("<ProfileList ViewMode=\"1\" ShowMode=\"0\""));

    WriteText(Home("profile.cfg"), "<ProfileCfg><ProfileList ViewMode=\"2\"/></ProfileCfg>");
    auto again = Open();
    QMap<int, QVariant>& read = again->getProfileConfig()->getValueDoor();
    EXPECT_EQ(2, read.value(0).toInt());
    EXPECT_EQ(0, read.value(1).toInt());
}

TEST_F(ProfileConfigTest, IconsAreFoundUserFirstCachedAndFollowTheBaseProfile)
{
    WriteIcon(App("ICON/7.png"), Qt::red);
    WriteIcon(App("ICON/12.png"), Qt::red);
    WriteIcon(Home("custom/12.png"), Qt::blue);
    WriteIcon(App("ICON/1.png"), Qt::green);
    WriteText(Home("custom/5.png"), "not a picture");
    WriteIcon(App("ICON/5.png"), Qt::green);
    auto mgr = Open();
    ProfileConfig* cfg = mgr->getProfileConfig();
    auto colourOf = [](QVariant const& v) {
        QPixmap const* p = PixmapFromIconValue(v);
        return p && !p->isNull() ? p->toImage().pixelColor(0, 0) : QColor();
    };

    QVariant v;
    cfg->ondataFromCatNode(v, QVariant(1u), nullptr);
    EXPECT_EQ(QColor(Qt::green), colourOf(v));
    QPixmap const* first = PixmapFromIconValue(v);
    WriteIcon(Home("custom/1.png"), Qt::blue); // too late: the name is cached
    QVariant w;
    cfg->ondataFromCatNode(w, QVariant(1u), nullptr);
    EXPECT_EQ(first, PixmapFromIconValue(w)); // one cached pixmap per name
    EXPECT_EQ(QColor(Qt::green), colourOf(w));

    QVariant none(QStringLiteral("untouched"));
    cfg->ondataFromCatNode(none, QVariant(999u), nullptr);
    EXPECT_EQ("untouched", none.toString());

    // A custom link shows its base's icon, the user's copy first.
    LnkData custom;
    custom.id = 10500;
    custom.baseId = 12;
    QVariant c;
    cfg->ondataFromLnkNode(c, QVariant(10500u), &custom);
    EXPECT_EQ(QColor(Qt::blue), colourOf(c));
    // A recent link of a custom profile goes on to that profile's base.
    LnkData stored;
    stored.id = 10600;
    stored.baseId = 7;
    stored.parent = Cat(*mgr, 10000);
    mgr->lnkDataList().push_back(stored);
    LnkData recent;
    recent.id = 20500;
    recent.baseId = 10600;
    QVariant r;
    cfg->ondataFromLnkNode(r, QVariant(20500u), &recent);
    EXPECT_EQ(QColor(Qt::red), colourOf(r));

    ProfilePtr p = MakeProfile(10600, "custom", 12);
    EXPECT_FALSE(cfg->getProfileIcon(p.get()).isNull());
    EXPECT_TRUE(cfg->getProfileIcon(nullptr).isNull());

    // An undecodable icon in the user folder counts as found (an empty
    // pixmap); the application folder is tried only for missing files.
    QVariant odd;
    cfg->ondataFromCatNode(odd, QVariant(5u), nullptr);
    ASSERT_NE(nullptr, PixmapFromIconValue(odd));
    EXPECT_TRUE(PixmapFromIconValue(odd)->isNull());
}

TEST(profileConfigRecords, CustomLibraryBuildingBlocks)
{
    ProfileLib lib;
    MakeCustomLib(lib);
    TiXmlElement* custom = FindXMLCatByID(lib, 10000);
    TiXmlElement* recent = FindXMLCatByID(lib, 20000);
    ASSERT_TRUE(custom && recent);
    EXPECT_STREQ("Custom", custom->Attribute("Name"));
    EXPECT_STREQ("Recent", recent->Attribute("Name"));
    EXPECT_EQ(nullptr, FindXMLCatByID(lib, 0));
    EXPECT_EQ(nullptr, FindXMLCatByID(lib, 1));

    LnkData a;
    a.id = 10001;
    a.baseId = 5;
    a.name = QString::fromUtf8("Ünïcødé");
    LnkData b;
    b.id = 10002;
    SaveLnkData(*custom, a);
    SaveLnkData(*custom, b);
    TiXmlElement* first = custom->FirstChildElement("ProfileLnk");
    ASSERT_TRUE(first);
    EXPECT_STREQ("Ünïcødé", first->Attribute("Name"));
    EXPECT_STREQ("", first->Attribute("Comment"));
    EXPECT_STREQ("10002", first->NextSiblingElement("ProfileLnk")->Attribute("ID"));
    EXPECT_EQ(nullptr, recent->FirstChildElement("ProfileLnk"));

    ProfileLib noIds;
    noIds.GetRoot()->InsertEndChild(TiXmlElement("Category"));
    noIds.GetRoot()->InsertEndChild(TiXmlElement("Category"));
    EXPECT_EQ(noIds.GetRoot()->FirstChildElement("Category"), FindXMLCatByID(noIds, 0));
}

TEST_F(ProfileConfigTest, AFlippedBitNeverLosesTheCustomProfiles)
{
    {
        auto mgr = Open();
        for (int base : {101, 201, 301})
            mgr->saveCustomProfile(MakeProfile(base, QString("mine %1").arg(base)).get());
    }
    const QByteArray good = ReadText(Home("custom.xml"));
    ASSERT_EQ(3, Links(*Open(), BF_Custom).size());
    // Every bit of every ID, and of the names in the first link's tag.
    QList<int> places;
    for (int at = good.indexOf(" ID=\""); at >= 0; at = good.indexOf(" ID=\"", at + 1))
        for (int i = at + 5; good[i] != '"'; ++i)
            places << i;
    const int link = good.indexOf("<ProfileLnk");
    for (int i = link; good[i] != '>'; ++i)
        if (std::isalpha(static_cast<unsigned char>(good[i])))
            places << i;
    ASSERT_GE(places.size(), 40);
    int kept = 0, whole = 0;
    for (int place : places) {
        for (int bit = 0; bit < 8; ++bit) {
            QByteArray flipped = good;
            flipped[place] = static_cast<char>(flipped[place] ^ (1 << bit));
            SCOPED_TRACE(QString("byte %1 bit %2").arg(place).arg(bit).toStdString());
            for (const QString& old : QDir(Home("")).entryList({"custom.xml.damaged-*", "custom.xml.bad*"}))
                QFile::remove(Home(old));
            WriteText(Home("custom.xml"), flipped);
            GetQuentaException()->Clear();
            QList<LinkView> read;
            {
                auto mgr = Open();
                EXPECT_TRUE(m_loaded);
                read = Links(*mgr, BF_Custom);
                ASSERT_TRUE(mgr->getProfileConfig()->execSaveData());
            }
            // Either the save wrote back all that was read, or the file as it
            // was is kept beside it (and the reason recorded).
            const QStringList copies = QDir(Home("")).entryList({"custom.xml.damaged-*", "custom.xml.bad*"});
            if (copies.isEmpty()) {
                EXPECT_EQ(read, Links(*Open(), BF_Custom));
                EXPECT_EQ(3, read.size());
                ++whole;
            } else {
                ASSERT_EQ(1, copies.size());
                EXPECT_EQ(flipped, ReadText(Home(copies.first())));
                ++kept;
            }
        }
    }
    EXPECT_GT(kept, 50);
    EXPECT_GT(whole, 10);
}
