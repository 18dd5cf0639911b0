#pragma once

// A small profile catalogue in a temporary folder, laid out as the output
// page lays out the real one (library, profile files and icons beside the
// "program", the user's files in "home"), with profile files written as
// text so that every option column can be chosen.

#include "../MainPages/GuiTestApp.h"

#include "Basilvo/Basilvo.h"
#include "IProfile.h"
#include "ProfileManager/ProfileNodeManager.h"
#include "ProfileManager/profileConfig.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QMap>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace ExportTest {

struct ProfileDeleter
{
    void operator()(IProfile* p) const
    {
        if (p)
            p->Release();
    }
};
using ProfilePtr = std::unique_ptr<IProfile, ProfileDeleter>;

// One profile file; empty columns are left out.
struct ProfileFields
{
    int id = 0;
    QString name;
    QString ext = ".mp4";
    int avInclude = 0;
    int remux = 0;
    QString vcodec = "h264";
    int width = 640, height = 480;
    double frameRate = 25;
    int vbitrate = 2000;
    QString acodec = "aac";
    int abitrate = 128000, sampleRate = 44100, channels = 2;
    int baseId = 0;
    QMap<QString, QString> columns = {
        {"VCodec", "h264,mpeg4,hevc"},
        {"VSize", "original,auto,320*240,640*480,1280*720"},
        {"VBitrate", "0,1,2,3,1000,2000,4000"},
        {"VFramerate", "0,-1,24,25,30"},
        {"ACodec", "aac,mp3"},
        {"ABitrate", "64000,96000,128000,192000"},
        {"ASampleRate", "32000,44100,48000"},
        {"AChannel", "1,2,6"},
    };
};

inline QByteArray ProfileText(const ProfileFields& p)
{
    QString columns;
    for (auto it = p.columns.constBegin(); it != p.columns.constEnd(); ++it)
        columns += QString("    <Column Name=\"%1\" Values=\"%2\" />\n").arg(it.key(), it.value());
    return QString("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<Profile>\n"
                   "  <Desc ID=\"%1\" BaseID=\"%2\" Name=\"%3\" FormatName=\"F\" Comment=\"c\" />\n"
                   "  <File Ext=\"%4\" Muxer=\"mp4\" AVInclude=\"%5\" Remux=\"%6\" Exporter=\"FFExporter\" />\n"
                   "  <Video Codec=\"%7\" Width=\"%8\" Height=\"%9\" FrameRate=\"%10\" Bitrate=\"%11\" />\n"
                   "  <Audio Codec=\"%12\" Bitrate=\"%13\" SampleRate=\"%14\" Channels=\"%15\" />\n"
                   "  <Columns>\n%16  </Columns>\n</Profile>\n")
        .arg(p.id)
        .arg(p.baseId)
        .arg(p.name, p.ext)
        .arg(p.avInclude)
        .arg(p.remux)
        .arg(p.vcodec)
        .arg(p.width)
        .arg(p.height)
        .arg(p.frameRate)
        .arg(p.vbitrate)
        .arg(p.acodec)
        .arg(p.abitrate)
        .arg(p.sampleRate)
        .arg(p.channels)
        .arg(columns)
        .toUtf8();
}

inline ProfilePtr LoadProfileText(const ProfileFields& fields)
{
    ProfilePtr profile(CreateProfile());
    EXPECT_TRUE(profile->LoadText(ProfileText(fields).constData()));
    return profile;
}

// A library: each category is (id, type, list of link ids, hidden link ids).
struct CatFields
{
    int id;
    int type;
    QList<int> links;
    QList<int> hidden = {};
};

class Catalogue
{
public:
    Catalogue()
    {
        QDir root(m_dir.path());
        root.mkpath("app/profile");
        root.mkpath("app/ICON");
        root.mkpath("home/custom");
    }

    QString App(const QString& rel) const { return m_dir.path() + "/app/" + rel; }
    QString Home(const QString& rel) const { return m_dir.path() + "/home/" + rel; }

    static void Write(const QString& path, const QByteArray& text)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    }

    // Writes the library and, for every link, a profile file named "Profile <id>".
    void WriteLibrary(const QList<CatFields>& cats, int defaultId)
    {
        QString xml =
            QString("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ProfileLib DefaultID=\"%1\" RecentLimited=\"5\">\n")
                .arg(defaultId);
        for (const CatFields& c : cats) {
            xml += QString("  <Category ID=\"%1\" Name=\"Cat %1\" Type=\"%2\">\n").arg(c.id).arg(c.type);
            for (int id : c.links) {
                xml += QString("    <ProfileLnk ID=\"%1\" Name=\"Link %1\" Comment=\"c\"%2/>\n")
                           .arg(id)
                           .arg(c.hidden.contains(id) ? " Skip=\"1\"" : "");
                if (!QFile::exists(App(QString("profile/%1.xml").arg(id)))) {
                    ProfileFields fields;
                    fields.id = id;
                    fields.name = QString("Profile %1").arg(id);
                    WriteProfile(fields);
                }
            }
            xml += "  </Category>\n";
            QImage icon(8, 8, QImage::Format_ARGB32);
            icon.fill(QColor::fromHsv((c.id * 37) % 360, 200, 220));
            icon.save(App(QString("ICON/%1.png").arg(c.id)), "PNG");
        }
        xml += "</ProfileLib>\n";
        Write(App("all_profile.xml"), xml.toUtf8());
    }

    void WriteProfile(const ProfileFields& fields)
    {
        Write(App(QString("profile/%1.xml").arg(fields.id)), ProfileText(fields));
    }

    std::unique_ptr<ProfileNodeManager> Open()
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
        cfg->setCatDataTypeSupport(true);
        mgr->beginUpdate();
        cfg->execLoadData();
        cfg->loadProfileCfg();
        mgr->endUpdate();
        return mgr;
    }

private:
    QTemporaryDir m_dir;
};

} // namespace ExportTest
