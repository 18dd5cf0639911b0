// Renders the media library panel over a library imported from generated
// clips of several sizes and aspects and one sound item: small icons, large
// icons and the details list, with the default skin, in one interface
// language, into PNG files for a look by eye.
//
//   library_screenshots <out folder> <language code> [<.qm file>]
//
// With FABLECUT_SHOT_HOME set, that folder is the home folder and is kept:
// the clips and the program's own saved library stay there, so fablecut run
// with the same home shows the same library.

#include "IAVManager.h"
#include "MoorlandMediaInfo.h"
#include "ProjectData/cdcmediasrcmgr.h"
#include "ProjectData/cmediasourceitem.h"
#include "ProjectData/csourcedata.h"
#include "MainPages/fmdmediatreeview.h"
#include "MainPages/vdetaildisplayview.h"
#include "MainPages/vicondisplayview.h"
#include "MainPages/vresourcelib.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QTemporaryDir>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>

namespace {

bool Run(const QString& command)
{
    return std::system(command.toLocal8Bit().constData()) == 0;
}

void Ship(const QString& name)
{
    const QString target = QCoreApplication::applicationDirPath() + "/" + name;
    if (!QFile::exists(target))
        QFile::copy(QStringLiteral(FABLECUT_SOURCE_DIR "/resources/") + name, target);
}

bool Save(QWidget& widget, const QString& path)
{
    QApplication::processEvents();
    if (!widget.grab().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: library_screenshots <out folder> <language code> [<.qm file>]\n");
        return 2;
    }
    QTemporaryDir temporary;
    const QString kept = qEnvironmentVariable("FABLECUT_SHOT_HOME");
    struct
    {
        QString path() const { return folder; }
        QString folder;
    } home{kept.isEmpty() ? temporary.path() : kept};
    QDir().mkpath(home.path());
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_DATA_HOME", (home.path() + "/.local/share").toLocal8Bit());
    QApplication app(argc, argv);
    Ship("DefaultInfo.xml");
    Ship("AppConfig.en_US.xml");
    const QString out = QString::fromLocal8Bit(argv[1]);
    const QString code = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(out);
    QTranslator translator;
    if (argc > 3 && translator.load(QString::fromLocal8Bit(argv[3])))
        app.installTranslator(&translator);

    const QString media = home.path() + "/media";
    QDir().mkpath(media);
    const struct
    {
        const char* name;
        const char* source;
        const char* seconds;
    } clips[] = {{"Holiday by the sea.mp4", "testsrc2=size=640x360", "4"},
                 {"interview.mov", "testsrc=size=320x240", "2"},
                 {"Square.MOV", "smptebars=size=96x96", "3"},
                 {"tall phone clip.mp4", "testsrc2=size=180x320", "1.5"},
                 {"bars.avi", "smptebars=size=200x150", "1"},
                 {"rainbow.mkv", "rgbtestsrc=size=320x180", "2"}};
    QStringList paths;
    for (const auto& c : clips) {
        const QString path = media + "/" + c.name;
        if (!Run(QString("ffmpeg -nostdin -v error -y -f lavfi -i %1:rate=25:duration=%2 -c:v mpeg4 -q:v 4 '%3'")
                     .arg(c.source, c.seconds, path)))
            return 1;
        paths << path;
    }
    Moorland::IAVManager* manager = CreateAVManager("/tmp/", nullptr);
    Fablecut::CSourceData library;
    {
        CDCMediaSrcMgr importer(nullptr, manager);
        importer.SetSourceStructure(&library);
        if (kept.isEmpty())
            importer.SetDefaultLibraryFile(home.path() + "/default.fml");
        bool finished = false;
        QObject::connect(&importer, &CDCMediaSrcMgr::signal_OnAllFilesImportFinished, [&finished] { finished = true; });
        importer.ImportMediaFiles(paths);
        QElapsedTimer timer;
        timer.start();
        while (!finished && timer.elapsed() < 120000)
            QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    // A sound item: the library shows items of sound only with the skin's
    // picture.
    if (library.GetSourceDataItemsCount() > 0) {
        auto* sound = new Fablecut::CMediaSourceItem(
            *static_cast<Fablecut::CMediaSourceItem*>(library.GetSourceDataItemByIndex(0)));
        Moorland::StreamInfo stream{};
        stream.type = Moorland::StreamTypeAudio;
        stream.sampleRate = 44100;
        stream.channels = 2;
        stream.duration = 95000.25;
        Moorland::MovieInfo movie{};
        movie.streamCount = 1;
        movie.streams = &stream;
        Moorland::MovieInfo* movies[] = {&movie};
        sound->SetMovieInfos(movies, 1);
        Run(QString("ffmpeg -nostdin -v error -y -f lavfi -i sine=d=1 '%1'").arg(media + "/concert recording.m4a"));
        sound->SetSrcFileFullPath(media + "/concert recording.m4a");
        sound->setName("concert recording");
        sound->SetThumbnailPic(QImage());
        library.AppendSoureDataItem(sound);
    }

    if (!kept.isEmpty()) {
        CDCMediaSrcMgr saver(nullptr, manager);
        saver.SetSourceStructure(&library);
        bool saved = false;
        QObject::connect(&saver, &CDCMediaSrcMgr::signal_SaveMediaSrcFileFinished, [&saved] { saved = true; });
        QDir().mkpath(QFileInfo(saver.GetDefaultLibraryFile()).path());
        saver.SaveMediaSourcetoFile(saver.GetDefaultLibraryFile());
        QElapsedTimer timer;
        timer.start();
        while (!saved && timer.elapsed() < 30000)
            QApplication::processEvents(QEventLoop::AllEvents, 50);
    }

    QFile css(FABLECUT_SOURCE_DIR "/resources/skins/default/skin.css");
    if (css.open(QIODevice::ReadOnly))
        app.setStyleSheet(QString::fromUtf8(css.readAll()).replace("%skinpath%", FABLECUT_BIN_DIR "/skins/default"));

    bool ok = true;
    VResourceLib panel;
    panel.setSourceData(&library);
    panel.resize(420, 460);
    panel.show();
    QApplication::processEvents();
    QMetaObject::invokeMethod(&panel, "slot_MediasLib_ViewBySmall");
    VIconDisplayView* grid = panel.iconView();
    if (grid->item(0, 1))
        grid->item(0, 1)->setSelected(true);
    if (grid->item(1, 0))
        grid->item(1, 0)->setSelected(true);
    ok &= Save(panel, out + "/library_small_" + code + ".png");
    QMetaObject::invokeMethod(&panel, "slot_MediasLib_ViewByLarge");
    if (grid->item(0, 0))
        grid->item(0, 0)->setSelected(true);
    ok &= Save(panel, out + "/library_large_" + code + ".png");
    QMetaObject::invokeMethod(&panel, "slot_MediasLib_ViewByDetails");
    panel.resize(700, 460);
    VDetailDisplayView* details = panel.detailView();
    details->treeView()->selectionModel()->select(details->model()->index(1, 0),
                                                  QItemSelectionModel::Select | QItemSelectionModel::Rows);
    ok &= Save(panel, out + "/library_details_" + code + ".png");
    panel.resize(420, 460);
    ok &= Save(panel, out + "/library_details_narrow_" + code + ".png");
    details->treeView()->showRightPopupMenu(QPoint(40, 60));
    QApplication::processEvents();
    ok &= details->treeView()->contextMenu()->grab().save(out + "/library_menu_" + code + ".png");
    details->treeView()->contextMenu()->hide();
    panel.hide();
    manager->Release();
    return ok ? 0 : 1;
}
