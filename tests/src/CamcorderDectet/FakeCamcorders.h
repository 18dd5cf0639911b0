#pragma once

// Fake camcorders for the tests: a camcorder is a temporary folder laid out
// as its volume; it is "mounted" by adding its line to a mount table of the
// test's own, which the detector's volume watch follows as it follows the
// kernel's. Only the USB identity of the fake devices is a fixture.

#include "CamcorderDectet/ccamcorderdetector.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>
#include <utility>

class FixtureIdentity : public IVolumeIdentity
{
public:
    std::map<std::pair<unsigned int, unsigned int>, UsbProperties> devices;

    bool Identify(unsigned int major, unsigned int minor, const std::string& mountPoint, USBVolumeInfo& info,
                  UsbProperties& usb) override
    {
        const auto it = devices.find({major, minor});
        if (it == devices.end())
            return false;
        info.parentWholeDisk = "sd" + std::string(1, static_cast<char>('a' + minor / 16));
        info.deviceIdentifier = info.parentWholeDisk + std::to_string(minor % 16);
        info.volumeName = mountPoint.substr(mountPoint.rfind('/') + 1);
        usb = it->second;
        return true;
    }
};

// The folder list the tests use unless they give their own.
inline const char* FakeCdcf()
{
    return "PRIVATE\\AVCHD\\BDMV\\STREAM\tAVCHD/BDMV/STREAM\tSD_VIDEO";
}

// A small usb.ids: one maker with one product.
inline const char* FakeUsbIds()
{
    return "# test\n054c  Sony Corp.\n\t0529  Handycam\n";
}

struct FakeCamcorders
{
    QString dir;
    QString table;
    FixtureIdentity identity;
    std::unique_ptr<CCamcorderDetector> detector;
    QStringList lines;

    explicit FakeCamcorders(const char* cdcf = FakeCdcf())
    {
        std::string tmpl = "/tmp/fablecut-cam-XXXXXX";
        dir = QString::fromLocal8Bit(mkdtemp(&tmpl[0]));
        QDir().mkpath(dir + "/program");
        Write(dir + "/program/cdcf", cdcf);
        Write(dir + "/program/usb.ids", FakeUsbIds());
        table = dir + "/mountinfo";
        lines << "28 1 254:0 / / rw,relatime - ext4 /dev/vda rw";
        WriteTable();
        detector =
            std::make_unique<CCamcorderDetector>((dir + "/program").toStdString(), table.toStdString(), &identity);
    }
    ~FakeCamcorders()
    {
        detector.reset();
        std::system(("rm -rf '" + dir.toStdString() + "'").c_str());
    }

    static void Write(const QString& path, const QByteArray& bytes)
    {
        QDir().mkpath(path.left(path.lastIndexOf('/')));
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
    }
    // A small video file with a given modification time.
    static void Video(const QString& path, const QDateTime& time = QDateTime())
    {
        Write(path, "video");
        if (time.isValid()) {
            QFile f(path);
            f.open(QIODevice::ReadWrite);
            f.setFileTime(time, QFileDevice::FileModificationTime);
        }
    }
    // An AVCHD camcorder volume with its video files under PRIVATE/AVCHD/BDMV/STREAM.
    QString Avchd(const QString& name, const QStringList& videos)
    {
        const QString root = dir + "/" + name;
        for (const QString& v : videos)
            Video(root + "/PRIVATE/AVCHD/BDMV/STREAM/" + v);
        QDir().mkpath(root + "/PRIVATE/AVCHD/BDMV/STREAM");
        return root;
    }
    void WriteTable()
    {
        // Replaced whole, as the kernel's table changes: never seen half written.
        Write(table + ".new", (lines.join('\n') + '\n').toUtf8());
        ::rename((table + ".new").toLocal8Bit().constData(), table.toLocal8Bit().constData());
    }
    static QString Escape(QString path)
    {
        return path.replace('\\', "\\134").replace(' ', "\\040").replace('\t', "\\011").replace('\n', "\\012");
    }
    void Mount(const QString& root, unsigned int minor,
               UsbProperties usb = {{"idVendor", "054c"}, {"idProduct", "0529"}})
    {
        identity.devices[{8, minor}] = std::move(usb);
        lines
            << QString("%1 28 8:%2 / %3 rw,relatime - vfat /dev/sdx rw").arg(100 + minor).arg(minor).arg(Escape(root));
        WriteTable();
    }
    void Unmount(const QString& root)
    {
        for (int i = lines.size() - 1; i >= 0; --i)
            if (lines[i].contains(" " + Escape(root) + " "))
                lines.removeAt(i);
        WriteTable();
    }
};
