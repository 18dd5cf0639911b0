// The media library at scale, on an optimised build:
//   library <folder> <items> <thumb width> <thumb height>
//     builds a library of <items> clips pointing at the media files in
//     <folder> (restored descriptions, thumbnails of the given size), saves
//     it to <folder>/bench.fml and loads it back; prints
//     "items save_s load_s loaded rss_before_kb peak_kb".
//   grab <file> <count>
//     probes the file as a clip, then grabs <count> 640-wide pictures at
//     times spread over it; prints "probe_s grabs grab_s grabs_per_second".
//   import <folder>
//     imports every file of <folder> through the library manager's import
//     thread; prints "files seconds files_per_second".

#include "ProjectData/cdcmediasrcmgr.h"
#include "ProjectData/cmediaitemgrappic.h"
#include "ProjectData/cmediasourceitem.h"
#include "ProjectData/cmediasrcserializer.h"
#include "ProjectData/csourcedata.h"

#include "Basilvo/Basilvo.h"
#include "IAVManager.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

long StatusKb(const char* key)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key, 0) == 0)
            return std::atol(line.c_str() + strlen(key));
    return -1;
}

int Library(const QString& folder, int count, int thumbW, int thumbH)
{
    QStringList media = QDir(folder).entryList({"*.mp4"}, QDir::Files, QDir::Name);
    if (media.isEmpty()) {
        std::fprintf(stderr, "no .mp4 files in %s\n", qPrintable(folder));
        return 1;
    }
    // Every item needs its own path; links keep the files' size and time.
    for (int i = 0; i < count; ++i) {
        const QString link = folder + QString("/item%1.lnk.mp4").arg(i);
        if (!QFileInfo::exists(link))
            QFile::link(folder + "/" + media[i % media.size()], link);
    }

    const QString file = folder + "/bench.fml";
    const QString signature = CDCMediaSrcMgr::ComputeLibrarySignature();
    double saveS = 0;
    {
        Fablecut::CSourceData list;
        QMutex mutex;
        {
            Moorland::IAVManager* manager = CreateAVManager(".", nullptr);
            auto* probe = new Fablecut::CMediaSourceItem;
            probe->SetAVManager(manager);
            probe->SetSrcFileFullPath(folder + "/" + media[0]);
            probe->OpenImporter();
            probe->UpdateMovieInfos();
            // A real picture of the file as the thumbnail, kept as PNG as
            // imported and restored items keep it.
            QImage thumb;
            if (!GrapMediaItemPic(probe, 500, thumb, thumbW, thumbH, false, false)) {
                std::fprintf(stderr, "no thumbnail: %s\n", GetQuentaException()->GetExceptionMsg());
                return 1;
            }
            probe->SetThumbnailPic(thumb);
            probe->CacheThumbnailPng();
            const QByteArray png = probe->GetThumbnailPng();
            int n = 0;
            Moorland::MovieInfo** movies = probe->GetMovieInfos(n);
            for (int i = 0; i < count; ++i) {
                auto* item = new Fablecut::CMediaSourceItem;
                item->SetSrcFileFullPath(folder + QString("/item%1.lnk.mp4").arg(i));
                item->setName(QString("item %1").arg(i));
                item->SetImporterName(probe->GetImporterName());
                item->SetThumbnailPng(png);
                item->SetMovieInfos(movies, n);
                list.AppendSoureDataItem(item);
            }
            probe->Free();
            manager->Release();
        }
        QElapsedTimer timer;
        timer.start();
        if (!CMediaSrcSerializer::WriteLibraryFile(file, signature, &list, &mutex)) {
            std::fprintf(stderr, "save failed\n");
            return 1;
        }
        saveS = timer.nsecsElapsed() / 1e9;
    }
    const long before = StatusKb("VmRSS:");
    QList<Fablecut::CMediaSourceItem*> loaded;
    QStringList failed;
    QElapsedTimer timer;
    timer.start();
    if (!CMediaSrcSerializer::ReadLibraryFile(file, signature, nullptr, loaded, failed)) {
        std::fprintf(stderr, "load failed\n");
        return 1;
    }
    const double loadS = timer.nsecsElapsed() / 1e9;
    const long after = StatusKb("VmRSS:");
    std::printf("%d %.3f %.3f %d %ld %ld %ld\n", count, saveS, loadS, loaded.size(), before, after, StatusKb("VmHWM:"));
    for (auto* item : loaded)
        item->Free();
    return loaded.size() == count ? 0 : 1;
}

int Import(const QString& folder)
{
    QStringList files;
    for (const QString& name : QDir(folder).entryList(QDir::Files, QDir::Name))
        files << folder + "/" + name;
    Moorland::IAVManager* manager = CreateAVManager(".", nullptr);
    Fablecut::CSourceData list;
    int result = 1;
    {
        CDCMediaSrcMgr mgr(nullptr, manager);
        mgr.SetSourceStructure(&list);
        mgr.SetDefaultLibraryFile(folder + "/../import-bench.fml");
        QEventLoop loop;
        QObject::connect(&mgr, &CDCMediaSrcMgr::signal_OnAllFilesImportFinished, &loop, &QEventLoop::quit);
        QElapsedTimer timer;
        timer.start();
        mgr.ImportMediaFiles(files);
        loop.exec();
        // The thread starts 50 ms after the request; that wait is part of an import.
        const double seconds = timer.nsecsElapsed() / 1e9;
        std::printf("%d %.3f %.1f\n", list.GetSourceDataItemsCount(), seconds,
                    list.GetSourceDataItemsCount() / seconds);
        result = list.GetSourceDataItemsCount() == files.size() ? 0 : 1;
    }
    list.ClearAllSourceDataItems();
    manager->Release();
    return result;
}

int Grab(const QString& path, int count)
{
    Moorland::IAVManager* manager = CreateAVManager(".", nullptr);
    auto* clip = new Fablecut::CMediaSourceItem;
    clip->SetAVManager(manager);
    clip->SetSrcFileFullPath(path);
    QElapsedTimer timer;
    timer.start();
    if (!clip->OpenImporter()) {
        std::fprintf(stderr, "can't open %s: %s\n", qPrintable(path), GetQuentaException()->GetExceptionMsg());
        return 1;
    }
    clip->UpdateMovieInfos();
    clip->CloseImporter();
    const double probeS = timer.nsecsElapsed() / 1e9;
    const int lengthMs = clip->GetDuration().ToMillisecond();
    timer.restart();
    int done = 0;
    for (int i = 0; i < count; ++i) {
        QImage image;
        const int at = static_cast<int>(static_cast<long long>(lengthMs - 100) * i / count);
        if (GrapMediaItemPic(clip, at, image, 640, 480, true, false) && !image.isNull())
            ++done;
    }
    const double grabS = timer.nsecsElapsed() / 1e9;
    std::printf("%.3f %d %.3f %.1f\n", probeS, done, grabS, done / grabS);
    clip->Free();
    manager->Release();
    return done == count ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc >= 6 && std::string(argv[1]) == "library")
        return Library(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]));
    if (argc >= 4 && std::string(argv[1]) == "grab")
        return Grab(argv[2], std::atoi(argv[3]));
    if (argc >= 3 && std::string(argv[1]) == "import")
        return Import(argv[2]);
    std::fprintf(stderr,
                 "usage: %s library <folder> <items> <thumb w> <thumb h> | grab <file> <count> | import <folder>\n",
                 argv[0]);
    return 2;
}
