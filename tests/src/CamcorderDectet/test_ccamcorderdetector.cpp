#include "FakeCamcorders.h"

#include "Basilvo.h"
#include "CamcorderDectet/ccamdetectwatcher.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

QCoreApplication* App()
{
    static int argc = 1;
    static char name[] = "test_ccamcorderdetector";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = new QCoreApplication(argc, argv);
    return app;
}

std::vector<std::string> Names(const std::vector<std::string>& v)
{
    return v;
}

struct Recorder : IDetectorCallBack
{
    std::vector<std::string> events;
    void OnCamCorderConnect(const CCamcorderInfo* info) override { events.push_back("+" + info->rootPath); }
    void OnCamCorderDisConnect(const char* root) override { events.push_back(std::string("-") + root); }
};

} // namespace

TEST(CamcorderConfig, TabSeparatedFolders)
{
    FakeCamcorders cams;
    CCamcorderDetector& d = *cams.detector;
    struct Case
    {
        const char* text;
        std::vector<std::string> folders;
    };
    const Case cases[] = {
        {"PRIVATE\\AVCHD\\BDMV", {"PRIVATE/AVCHD/BDMV"}},
        {"\tA\tB\t\tC\t", {"A", "B", "C"}},
        {"A\r\nB\nC", {"A\r\nB\nC"}}, // line breaks belong to the entry
        {"", {}},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(d.LoadConfigInfoFromString(c.text));
        EXPECT_EQ(c.folders, d.GetDetectFolders()) << c.text;
    }
    EXPECT_FALSE(d.LoadConfigInfoFromString(nullptr));
    EXPECT_EQ(10021003, GetQuentaException()->GetExceptionCode());

    FakeCamcorders::Write(cams.dir + "/empty", "");
    ASSERT_TRUE(d.LoadConfigInfoFromFile((cams.dir + "/empty").toUtf8().constData()));
    EXPECT_TRUE(d.GetDetectFolders().empty());
    ASSERT_TRUE(d.LoadConfigInfoFromString("X"));
    EXPECT_FALSE(d.LoadConfigInfoFromFile((cams.dir + "/missing").toUtf8().constData()));
    EXPECT_STREQ("Camcorder detect config File not found", GetQuentaException()->GetExceptionMsg());
    EXPECT_EQ(std::vector<std::string>{"X"}, d.GetDetectFolders());

    // The shipped configuration names the AVCHD and SD-video layouts.
    ASSERT_TRUE(d.LoadConfigInfoFromFile(FABLECUT_BIN_DIR "/cdcf"));
    const auto& shipped = d.GetDetectFolders();
    for (const char* folder : {"PRIVATE/AVCHD/BDMV/STREAM", "BDMV/STREAM", "SD_VIDEO"})
        EXPECT_NE(shipped.end(), std::find(shipped.begin(), shipped.end(), folder)) << folder;
}

TEST(CamcorderDetector, VideoFilesClassesInfoFilesAndOrder)
{
    App();
    FakeCamcorders cams("PRIVATE/AVCHD/BDMV/STREAM\tPRIVATE/AVCHD\tSD_VIDEO");
    const QString root = cams.dir + "/CAM";
    const QString stream = root + "/PRIVATE/AVCHD/BDMV/STREAM/";
    const QString clipinf = root + "/PRIVATE/AVCHD/BDMV/clipinf/"; // FAT names may come in small letters
    for (const char* v : {"00002.MTS", "00001.m2ts", "00003.Mts", "a.MTS", "B.MTS", "notes.txt"})
        FakeCamcorders::Video(stream + v);
    QDir().mkpath(stream + "x.MTS"); // a folder, not a video
    FakeCamcorders::Write(clipinf + "00002.CPI", "i");
    FakeCamcorders::Write(clipinf + "00002.CLPI", "i");
    FakeCamcorders::Write(clipinf + "00001.clpi", "i");
    FakeCamcorders::Video(root + "/SD_VIDEO/PRG001/MOV001.MOD");
    FakeCamcorders::Video(root + "/SD_VIDEO/PRG001/MOV002.tod");
    // A link loop below a configured folder is not followed.
    QFile::link(root + "/SD_VIDEO", root + "/SD_VIDEO/PRG001/loop");
    // A path far beyond 260 bytes.
    QString deep = root + "/SD_VIDEO";
    for (int i = 0; i < 12; ++i)
        deep += "/folder_with_a_long_name_" + QString::number(i);
    FakeCamcorders::Video(deep + "/LONG.MOD");
    ASSERT_GT(deep.size(), 300);

    const CCamcorderInfo* info = cams.detector->CheckDiskStructure(root.toStdString(), "Maker", "Vol", "sdb1");
    ASSERT_NE(nullptr, info);
    struct Want
    {
        QString path;
        int cls;
        QString infoFile;
    };
    const std::vector<Want> want = {
        {stream + "00001.m2ts", 1, clipinf + "00001.clpi"},
        {stream + "00002.MTS", 1, clipinf + "00002.CPI"},
        {stream + "00003.Mts", 1, ""},
        {stream + "B.MTS", 1, ""}, // capitals sort first
        {stream + "a.MTS", 1, ""},
        {root + "/SD_VIDEO/PRG001/MOV001.MOD", 2, ""},
        {root + "/SD_VIDEO/PRG001/MOV002.tod", 2, ""},
        {deep + "/LONG.MOD", 2, ""},
    };
    ASSERT_EQ(int(want.size()), info->videoFileCount); // the nested configured folder lists each file once
    ASSERT_EQ(want.size(), info->videoFiles.size());
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(want[i].path.toStdString(), info->videoFiles[i].videoPath) << i;
        EXPECT_EQ(want[i].cls, info->videoFiles[i].videoClass) << i;
        EXPECT_EQ(want[i].infoFile.toStdString(), info->videoFiles[i].infoFilePath) << i;
    }
    EXPECT_EQ("Maker", info->manufacturer);

    // The same root again, letter case aside: no second record.
    EXPECT_EQ(nullptr, cams.detector->CheckDiskStructure(root.toUpper().toStdString(), "", "", ""));
    EXPECT_EQ(1u, cams.detector->getCamCorderCount());
    EXPECT_EQ(info, cams.detector->GetCamCorderByRootpath((root + "/").toUtf8().constData()));
    EXPECT_EQ(nullptr, cams.detector->GetCamCorder(1));
    // A volume without the folders is no camcorder; one with empty folders is.
    QDir().mkpath(cams.dir + "/STICK/DCIM");
    EXPECT_EQ(nullptr, cams.detector->CheckDiskStructure((cams.dir + "/STICK").toStdString(), "", "", ""));
    QDir().mkpath(cams.dir + "/EMPTY/SD_VIDEO");
    const CCamcorderInfo* empty = cams.detector->CheckDiskStructure((cams.dir + "/EMPTY").toStdString(), "", "", "");
    ASSERT_NE(nullptr, empty);
    EXPECT_EQ(0, empty->videoFileCount);
}

TEST(CamcorderDetector, NamesFromTheUsbDevice)
{
    FakeCamcorders cams; // its usb.ids knows 054c "Sony Corp." and 054c:0529 "Handycam"
    struct Case
    {
        UsbProperties usb;
        const char* maker;
        const char* volume;
    };
    const Case cases[] = {
        {{{"idVendor", "054c"}, {"idProduct", "0529"}, {"manufacturer", "SONY"}}, "Sony Corp.", "Handycam"},
        {{{"idVendor", "054c"}, {"idProduct", "9999"}}, "Sony Corp.", "9999"},
        {{{"idVendor", "f00d"}, {"idProduct", "0001"}, {"manufacturer", "Acme"}}, "f00d", "0001"},
        {{{"manufacturer", "Acme"}}, "Acme", "LABEL"},
        {{}, "", "LABEL"},
    };
    for (const Case& c : cases) {
        std::string maker;
        std::string volume = "LABEL";
        CCamcorderDetector::NameUsbVolume(c.usb, maker, volume);
        EXPECT_EQ(c.maker, maker);
        EXPECT_EQ(c.volume, volume);
    }
}

TEST(CamcorderDetector, MountsAndRemovalsThroughTheVolumeWatch)
{
    App();
    FakeCamcorders cams;
    const QString first = cams.Avchd("HANDY CAM", {"00001.MTS"}); // a blank in the mount point
    const QString second = cams.Avchd("SECOND", {"00001.MTS", "00002.MTS"});
    cams.Mount(first, 17);
    // A bind of a subfolder is not the volume.
    cams.lines << QString("300 28 8:17 /PRIVATE %1 rw - vfat /dev/sdb1 rw").arg(cams.dir + "/bind");
    cams.WriteTable();
    CCamDetectWatcher watcher(cams.detector.get(), nullptr);
    ASSERT_EQ(1u, cams.detector->getCamCorderCount()); // the first scan
    EXPECT_EQ("Sony Corp.", cams.detector->GetCamCorder(0)->manufacturer);
    EXPECT_EQ("Handycam", cams.detector->GetCamCorder(0)->volumeName);
    EXPECT_EQ("sdb1", cams.detector->GetCamCorder(0)->bsdName);

    Recorder order;
    cams.detector->AddConnectDetecetCallBack(&order);
    QSignalSpy connected(&watcher, &CCamDetectWatcher::signal_OnCamCorderConnect);
    QSignalSpy removed(&watcher, &CCamDetectWatcher::signal_OnCamCorderDisConnect);
    watcher.InstallConnectionCallBack();

    cams.Mount(second, 33);
    ASSERT_TRUE(QTest::qWaitFor([&] { return connected.count() == 1; }, 5000));
    EXPECT_EQ(2u, cams.detector->getCamCorderCount());
    const auto* info = connected[0][0].value<const CCamcorderInfo*>();
    EXPECT_EQ(second.toStdString(), info->rootPath);
    EXPECT_EQ(2, info->videoFileCount);

    // A stick without camcorder folders is mounted: nobody is told.
    QDir().mkpath(cams.dir + "/STICK/DCIM");
    cams.Mount(cams.dir + "/STICK", 49);
    cams.Unmount(first);
    ASSERT_TRUE(QTest::qWaitFor([&] { return removed.count() == 1; }, 5000));
    EXPECT_EQ(first, removed[0][0].toString());
    EXPECT_EQ(1u, cams.detector->getCamCorderCount());
    cams.Unmount(cams.dir + "/STICK");
    cams.Unmount(second);
    ASSERT_TRUE(QTest::qWaitFor([&] { return removed.count() == 2; }, 5000));
    QTest::qWait(300);
    EXPECT_EQ(1, connected.count());
    EXPECT_EQ(0u, cams.detector->getCamCorderCount());
    // The detector's own listener saw the same, in order.
    const std::vector<std::string> expected = {"+" + second.toStdString(), "-" + first.toStdString(),
                                               "-" + second.toStdString()};
    EXPECT_EQ(expected, order.events);

    // After the watch ends nothing more is told.
    cams.detector->EndWatchCamCorderConnection();
    cams.Mount(second, 33);
    QTest::qWait(400);
    EXPECT_EQ(1, connected.count());

    // A watcher that is gone is told nothing more (the next one scans afresh).
    {
        CCamDetectWatcher gone(cams.detector.get(), nullptr);
        gone.InstallConnectionCallBack();
    }
    EXPECT_EQ(1u, cams.detector->getCamCorderCount());
    ASSERT_TRUE(cams.detector->BeginWatchCamCorderConnection());
    cams.Unmount(second);
    ASSERT_TRUE(QTest::qWaitFor([&] { return order.events.size() == 4; }, 5000));
    EXPECT_EQ("-" + second.toStdString(), order.events.back());
}

TEST(CamcorderDetector, UnknownRemovalTellsNobody)
{
    FakeCamcorders cams;
    EXPECT_EQ("", cams.detector->RemoveCamcorderInfoByBsdName("sdz"));
    EXPECT_EQ(10021005, GetQuentaException()->GetExceptionCode());
    EXPECT_FALSE(cams.detector->RemoveCamcorderInfoByRootPath("/nowhere"));
}
