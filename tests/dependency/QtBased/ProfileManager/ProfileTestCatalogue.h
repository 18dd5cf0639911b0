#pragma once

// A small profile catalogue in a temporary folder, laid out as the output
// page lays out the real one: the application's library, profiles and icons,
// and the user's home with its "custom" folder.

#include "Basilvo/Basilvo.h"
#include "IProfile.h"
#include "ProfileManager/ProfileNodeManager.h"
#include "ProfileManager/profileConfig.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>

#include <memory>

class ProfileGuiApp : public ::testing::Environment
{
public:
    void SetUp() override
    {
        if (!QGuiApplication::instance()) {
            static int argc = 1;
            static char name[] = "profile-test";
            static char* argv[] = {name, nullptr};
            m_app = new QGuiApplication(argc, argv);
        }
    }
    void TearDown() override
    {
        delete m_app;
        m_app = nullptr;
    }

private:
    QGuiApplication* m_app = nullptr;
};

inline ::testing::Environment* const g_profileGuiApp = ::testing::AddGlobalTestEnvironment(new ProfileGuiApp);

inline const char* kSmallLibrary = R"(<?xml version="1.0" encoding="UTF-8"?>
<ProfileLib DefaultID="101" RecentLimited="3">
  <Category ID="1" Name="Formats" Type="2">
    <ProfileLnk ID="101" Name="HD MP4 Video" Comment="h264" Flag="4"/>
    <ProfileLnk ID="102" Name="MP4 SD" Comment="small mp4 for hd screens"/>
    <ProfileLnk ID="103" Name="MKV Video" Comment="matroska" Skip="1"/>
  </Category>
  <Category ID="2" Name="Devices" Type="4">
    <ProfileLnk ID="201" Name="iPhone" Comment="apple phone"/>
    <ProfileLnk ID="15000" Name="Odd" Comment="a custom-range ID in an application category"/>
  </Category>
  <Category ID="3" Name="Audio" Type="2" Skip="1">
    <ProfileLnk ID="301" Name="MP3 Audio" Comment="mp3"/>
  </Category>
  <Category ID="4" Name="Untyped">
    <ProfileLnk ID="401" Name="Plain"/>
  </Category>
</ProfileLib>
)";

struct ProfileDeleter
{
    void operator()(IProfile* p) const
    {
        if (p)
            p->Release();
    }
};
using ProfilePtr = std::unique_ptr<IProfile, ProfileDeleter>;

class CatalogueTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        QDir root(m_dir.path());
        root.mkpath("app/profile");
        root.mkpath("app/ICON");
        root.mkpath("home/custom");
        WriteText(App("all_profile.xml"), kSmallLibrary);
        for (int id : {101, 102, 103, 201, 15000, 301, 401})
            WriteProfile(App("profile/%1.xml").arg(id), id, QString("app %1").arg(id));
        GetQuentaException()->Clear();
    }

    QString App(QString const& rel) const { return m_dir.path() + "/app/" + rel; }
    QString Home(QString const& rel) const { return m_dir.path() + "/home/" + rel; }

    static void WriteText(QString const& path, QByteArray const& text)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    }
    static QByteArray ReadText(QString const& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static ProfilePtr MakeProfile(int id, QString const& name, int baseId = 0)
    {
        ProfilePtr p(CreateProfile());
        p->GetDesc()->SetID(id);
        p->GetDesc()->SetBaseID(baseId);
        p->GetDesc()->SetName(name.toUtf8().constData());
        p->GetDesc()->SetComment(("comment of " + name).toUtf8().constData());
        return p;
    }
    static void WriteProfile(QString const& path, int id, QString const& name)
    {
        ProfilePtr p = MakeProfile(id, name);
        ASSERT_TRUE(p->SaveFile(path.toLocal8Bit().constData()));
    }
    static void WriteIcon(QString const& path, QColor colour)
    {
        QImage image(4, 4, QImage::Format_ARGB32);
        image.fill(colour);
        ASSERT_TRUE(image.save(path, "PNG"));
    }

    // A catalogue as the output page sets it up; the first rebuild done.
    std::unique_ptr<ProfileNodeManager> Open(bool types = true)
    {
        auto mgr = std::make_unique<ProfileNodeManager>();
        ProfileConfig* cfg = mgr->getProfileConfig();
        cfg->setAppLibFilePath(App("all_profile.xml"));
        cfg->setAppProfileDir(App("profile"));
        cfg->setAppProfileIconDir(App("ICON"));
        cfg->setAppName("fablecut");
        cfg->setUserProfileDir(Home("custom"));
        cfg->setUserLibFilePath(Home("custom.xml"));
        cfg->setConfigFilePath(Home("profile_config.xml"));
        cfg->setProfileCfgPath(Home("profile.cfg"));
        cfg->setCatDataTypeSupport(types);
        mgr->beginUpdate();
        m_loaded = cfg->execLoadData();
        cfg->loadProfileCfg();
        mgr->endUpdate();
        return mgr;
    }

    static CatData* Cat(ProfileNodeManager& mgr, int id)
    {
        for (CatData& c : mgr.catDataList())
            if (c.id == id)
                return &c;
        return nullptr;
    }
    static QList<int> CatIds(ProfileNodeManager& mgr)
    {
        QList<int> ids;
        for (CatData* c : mgr.getCatNode()->GetList())
            ids << c->id;
        return ids;
    }
    static QList<int> LnkIds(ProfileNodeManager& mgr)
    {
        QList<int> ids;
        for (LnkData* l : mgr.getLnkNode()->GetList())
            ids << l->id;
        return ids;
    }
    static QList<int> AllLnkIds(ProfileNodeManager& mgr)
    {
        QList<int> ids;
        for (LnkData& l : mgr.lnkDataList())
            ids << l.id;
        return ids;
    }

    QTemporaryDir m_dir;
    bool m_loaded = false;
};
