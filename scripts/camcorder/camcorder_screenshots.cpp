// Renders both pages of the camcorder import wizard over two fake camcorders
// (folders laid out as camcorder volumes) in one interface language, into PNG
// files for a look by eye.
//
//   camcorder_screenshots <out folder> <language code>

#include "CamcorderDectet/ccamcorderdetector.h"
#include "ui_vimportfileswidget.h"
#include "CamcorderDectet/vcamcorderdialog.h"
#include "CamcorderDectet/vimportfileswidget.h"
#include "CamcorderDectet/vselectcamcorderwidget.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTranslator>

#include <cstdio>

namespace {

void Touch(const QString& path)
{
    QDir().mkpath(path.left(path.lastIndexOf('/')));
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write("video");
}

// No USB identity is needed: the records are made straight from the folders.
struct NoUsb : IVolumeIdentity
{
    bool Identify(unsigned int, unsigned int, const std::string&, USBVolumeInfo&, UsbProperties&) override
    {
        return false;
    }
};

void Save(QWidget* w, const QString& path)
{
    QApplication::processEvents();
    if (!w->grab().save(path))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    else
        std::printf("%s\n", qPrintable(path));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: camcorder_screenshots <out folder> <language code>\n");
        return 2;
    }
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    QApplication app(argc, argv);
    const QString out = QString::fromLocal8Bit(argv[1]);
    const QString code = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(out);
    QTranslator translator;
    if (translator.load(QStringLiteral(FABLECUT_BIN_DIR "/language/fablecut_") + code + ".qm"))
        app.installTranslator(&translator);

    QTemporaryDir volumes;
    const QString a = volumes.path() + "/HANDYCAM";
    const QString b = volumes.path() + "/SD_CARD";
    for (const char* n : {"00000.MTS", "00001.MTS", "00002.MTS", "00003.M2TS"})
        Touch(a + "/PRIVATE/AVCHD/BDMV/STREAM/" + n);
    Touch(b + "/SD_VIDEO/PRG001/MOV001.MOD");
    NoUsb identity;
    CCamcorderDetector detector(FABLECUT_BIN_DIR, volumes.path().toStdString() + "/mountinfo", &identity);
    // The wizard scans the (empty) mount table when it is made; the records come after.
    VCamcorderDialog wizard(&detector, nullptr, Qt::Dialog);
    detector.CheckDiskStructure(a.toStdString(), "Sony Corp.", "HDR-CX405", "sdb1");
    detector.CheckDiskStructure(b.toStdString(), "", "", "sdc1");
    bool shown = false;
    wizard.show(shown);
    Save(&wizard, out + "/wizard_page1_" + code + ".png");
    wizard.findChild<QPushButton*>("btnNext")->click();
    wizard.importFilesPage()->form()->cbxBackUp->setChecked(true);
    Save(&wizard, out + "/wizard_page2_" + code + ".png");
    wizard.reject();
    return 0;
}
