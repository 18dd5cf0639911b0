// Filling the device page's format list for one category of 300 profiles:
// every profile file is read once for its name, the first twice. Prints the
// milliseconds of the fill (goal: under 300 ms).

#include "ProfileManager/ProfileNodeManager.h"
#include "ProfileManager/profileConfig.h"
#include "ExportPage/vprofiledevicepage.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTableWidget>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QDir(dir.path()).mkpath("profile");
    QDir(dir.path()).mkpath("custom");
    const int count = 300;
    QString lib = "<?xml version=\"1.0\"?>\n<ProfileLib DefaultID=\"1000\">\n"
                  "  <Category ID=\"1\" Name=\"Phones\" Type=\"4\">\n";
    for (int i = 0; i < count; ++i) {
        const int id = 1000 + i;
        lib += QString("    <ProfileLnk ID=\"%1\" Name=\"Phone %1\" />\n").arg(id);
        QFile f(dir.path() + QString("/profile/%1.xml").arg(id));
        f.open(QIODevice::WriteOnly);
        f.write(QString("<?xml version=\"1.0\"?><Profile><Desc ID=\"%1\" Name=\"Phone model %1\" />"
                        "<File Ext=\".mp4\" Muxer=\"mp4\" AVInclude=\"0\" /><Video Codec=\"h264\" Width=\"1280\" "
                        "Height=\"720\" FrameRate=\"30\" Bitrate=\"4000\" /><Audio Codec=\"aac\" Bitrate=\"128000\" "
                        "SampleRate=\"44100\" Channels=\"2\" /><Columns><Column Name=\"VCodec\" Values=\"h264\" />"
                        "<Column Name=\"VSize\" Values=\"original,640*360,1280*720\" /><Column Name=\"ABitrate\" "
                        "Values=\"96000,128000\" /><Column Name=\"AChannel\" Values=\"1,2\" /></Columns></Profile>")
                    .arg(id)
                    .toUtf8());
    }
    lib += "  </Category>\n  <Category ID=\"2\" Name=\"Tablets\" Type=\"4\">\n"
           "    <ProfileLnk ID=\"1000\" Name=\"Tablet\" />\n  </Category>\n</ProfileLib>\n";
    QFile libFile(dir.path() + "/all_profile.xml");
    libFile.open(QIODevice::WriteOnly);
    libFile.write(lib.toUtf8());
    libFile.close();

    ProfileNodeManager mgr;
    ProfileConfig* cfg = mgr.getProfileConfig();
    cfg->setAppLibFilePath(dir.path() + "/all_profile.xml");
    cfg->setAppProfileDir(dir.path() + "/profile");
    cfg->setAppProfileIconDir(dir.path() + "/ICON");
    cfg->setUserProfileDir(dir.path() + "/custom");
    cfg->setUserLibFilePath(dir.path() + "/custom.xml");
    cfg->setConfigFilePath(dir.path() + "/profile_config.xml");
    cfg->setProfileCfgPath(dir.path() + "/profile.cfg");
    cfg->setCatDataTypeSupport(true);
    mgr.beginUpdate();
    cfg->execLoadData();
    mgr.endUpdate();

    VProfileDevicePage page(&mgr);
    page.initPageInfo(); // fills the list of the first category once, to warm the caches
    auto* grid = page.findChild<QTableWidget*>("tbwProfileCata");
    double best = 1e9;
    for (int round = 0; round < 5; ++round) {
        grid->clearSelection();
        grid->item(0, 1)->setSelected(true); // the small category
        QElapsedTimer clock;
        clock.start();
        grid->clearSelection();
        grid->item(0, 0)->setSelected(true);
        best = std::min(best, clock.nsecsElapsed() / 1e6);
    }
    std::printf("device format list, %d profiles: %.1f ms (best of 5), %d entries\n", count, best,
                page.formatList()->count());
    return page.formatList()->count() == count ? 0 : 1;
}
