// Start-up of the GUI program at scale, on an optimised build:
//   make <media file> <items>
//     writes the program's library file (in this user's program data
//     folder) with <items> entries, each a hard link to the media file (so
//     every entry is fresh by size and time), with a real thumbnail.
//   start <start ns>
//     runs the program's start-up as main does (product information,
//     settings, platform services, language, splash, main window, run) and
//     prints, from <start ns> (CLOCK_REALTIME when the process was launched):
//     "window_shown_s reload_end_s items peak_kb check_tick_ms".

#include "AppConfigure/CAppFixedInfo.h"
#include "AppConfigure/CAppVariableInfo.h"
#include "IAVManager.h"
#include "IVantrel.h"
#include "ProjectData/cdcmediasrcmgr.h"
#include "ProjectData/cmediaitemgrappic.h"
#include "ProjectData/cmediasourceitem.h"
#include "ProjectData/cmediasrcserializer.h"
#include "ProjectData/csourcedata.h"
#include "main/mainwindow.h"
#include "main/startlanguage.h"
#include "ui_mainwindow.h"
#include "MainPages/vresourcelib.h"
#include "MainPages/vsourcerpage.h"
#include "MainPages/vsourceworkspace.h"

#include "Basilvo/Basilvo.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMutex>
#include <QSplashScreen>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

double SecondsSince(long long startNs)
{
    timespec now = {};
    clock_gettime(CLOCK_REALTIME, &now);
    return (now.tv_sec * 1000000000LL + now.tv_nsec - startNs) / 1e9;
}

int Make(const QString& media, int count)
{
    CAppFixedInfo::GetInstance()->ReadInfos();
    CAppVariableInfo* settings = CAppVariableInfo::GetInstance();
    settings->InitInfos();
    const QString folder = QFileInfo(media).absolutePath() + "/links";
    QDir().mkpath(folder);
    Moorland::IAVManager* manager = CreateAVManager(".", nullptr);
    auto* probe = new Fablecut::CMediaSourceItem;
    probe->SetAVManager(manager);
    probe->SetSrcFileFullPath(media);
    if (!probe->OpenImporter()) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(media));
        return 1;
    }
    probe->UpdateMovieInfos();
    QImage thumb;
    if (!GrapMediaItemPic(probe, 0, thumb, 640, 480, true, false)) {
        std::fprintf(stderr, "no thumbnail\n");
        return 1;
    }
    probe->SetThumbnailPic(thumb);
    probe->CacheThumbnailPng();
    const QByteArray png = probe->GetThumbnailPng();
    int n = 0;
    Moorland::MovieInfo** movies = probe->GetMovieInfos(n);
    Fablecut::CSourceData list;
    for (int i = 0; i < count; ++i) {
        const QString link = folder + QString("/item%1.mp4").arg(i, 5, 10, QChar('0'));
        if (!QFileInfo::exists(link) && ::link(media.toLocal8Bit().constData(), link.toLocal8Bit().constData()) != 0) {
            std::fprintf(stderr, "cannot link %s\n", qPrintable(link));
            return 1;
        }
        auto* item = new Fablecut::CMediaSourceItem;
        item->SetSrcFileFullPath(link);
        item->setName(QFileInfo(link).completeBaseName());
        item->SetImporterName(probe->GetImporterName());
        item->SetThumbnailPng(png);
        item->SetMovieInfos(movies, n);
        list.AppendSoureDataItem(item);
    }
    probe->Free();
    manager->Release();
    const QString file =
        settings->GetAppHomePath() + "/" + settings->GetInfoDefaultValue("MediaLibAutoSaveName").toString();
    QMutex mutex;
    if (count == 0) {
        QFile::remove(file);
        return 0;
    }
    return CMediaSrcSerializer::WriteLibraryFile(file, CDCMediaSrcMgr::ComputeLibrarySignature(), &list, &mutex) ? 0
                                                                                                                 : 1;
}

struct ShowWatcher : QObject
{
    long long startNs = 0;
    double shown = -1;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Show && shown < 0)
            shown = SecondsSince(startNs);
        return false;
    }
};

int Start(QApplication& app, long long startNs)
{
    CAppFixedInfo::GetInstance()->ReadInfos();
    CAppVariableInfo* settings = CAppVariableInfo::GetInstance();
    settings->InitInfos();
    IVantrel* platform = CreateVantrel();
    ApplyStartLanguage(platform->GetLanguageProvider(), settings, QCoreApplication::applicationDirPath() + "/language");
    QPixmap image(QCoreApplication::applicationDirPath() + "/" +
                  settings->GetInfoDefaultValue("ImageDirName").toString() + "/start.png");
    auto* splash = new QSplashScreen(image);
    splash->show();
    app.processEvents();
    Fablecut::MainWindow window(platform, nullptr);
    delete splash;
    ShowWatcher watcher;
    watcher.startNs = startNs;
    window.installEventFilter(&watcher);
    window.run();
    const double reloaded = SecondsSince(startNs);
    const int items = window.sourceData()->GetSourceDataItemsCount();
    VResourceLib* lib = window.form()->pgSource->GetSourceWorkSpace()->GetResourceLib();
    std::vector<double> ticks;
    for (int i = 0; i < 21; ++i) {
        QElapsedTimer timer;
        timer.start();
        QMetaObject::invokeMethod(lib, "slot_checkSourceDataITemExistTimeOut", Qt::DirectConnection);
        ticks.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(ticks.begin(), ticks.end());
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%.3f %.3f %d %ld %.2f\n", watcher.shown, reloaded, items, usage.ru_maxrss, ticks[ticks.size() / 2]);
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 4 && args[1] == "make")
        return Make(args[2], args[3].toInt());
    if (args.size() >= 3 && args[1] == "start")
        return Start(app, args[2].toLongLong());
    std::fprintf(stderr, "usage: fablecut_start_bench make <media file> <items> | start <start ns>\n");
    return 2;
}
