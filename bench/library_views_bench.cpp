// The two library views over 10,000 items with distinct paths whose
// thumbnails come from 50 generated frames: rebuild of each view, sort by
// each key, full repaints of a 1280 x 800 panel while paging through the
// grid in large icons and through the list, and the memory the views take
// beyond the library's.
//
//   QT_QPA_PLATFORM=offscreen library_views_bench [items]

#include "MoorlandMediaInfo.h"
#include "ProjectData/cmediasourceitem.h"
#include "ProjectData/csourcedata.h"
#include "MainPages/fmdmediatreeview.h"
#include "MainPages/vdetaildisplayview.h"
#include "MainPages/vicondisplayview.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

long StatusKb(const char* key)
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).trimmed().split(' ').first().toLong();
    return 0;
}

struct Stats
{
    std::vector<double> ms;
    void add(double v) { ms.push_back(v); }
    double avg() const
    {
        double sum = 0;
        for (double v : ms)
            sum += v;
        return ms.empty() ? 0 : sum / ms.size();
    }
    double worst() const { return ms.empty() ? 0 : *std::max_element(ms.begin(), ms.end()); }
};

template <typename F> double TimeMs(F&& f)
{
    QElapsedTimer timer;
    timer.start();
    f();
    return timer.nsecsElapsed() / 1e6;
}

Stats Page(QAbstractScrollArea* area)
{
    Stats stats;
    QScrollBar* bar = area->verticalScrollBar();
    for (int value = 0;; value += bar->pageStep()) {
        bar->setValue(std::min(value, bar->maximum()));
        QApplication::processEvents();
        stats.add(TimeMs([area] { area->viewport()->repaint(); }));
        if (value >= bar->maximum())
            break;
    }
    return stats;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
    QTemporaryDir dir;
    if (std::system(QString("cd '%1' && ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=640x360:rate=25 "
                            "-frames:v 50 frame%02d.png")
                        .arg(dir.path())
                        .toLocal8Bit()
                        .constData()) != 0)
        return 1;
    std::vector<QImage> frames;
    for (int i = 1; i <= 50; ++i)
        frames.push_back(QImage(dir.path() + QString("/frame%1.png").arg(i, 2, 10, QChar('0'))));

    // Sparse files give every item its own path, size and date.
    QDir().mkpath(dir.path() + "/media");
    Fablecut::CSourceData library;
    for (int i = 0; i < count; ++i) {
        const QString path = dir.path() + QString("/media/clip %1.mp4").arg((i * 7919) % count, 5, 10, QChar('0'));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.resize(qint64(1 + (i * 104729) % 5000) * 1024);
        file.close();
        auto* item = new Fablecut::CMediaSourceItem;
        Moorland::StreamInfo stream{};
        stream.type = i % 10 == 9 ? Moorland::StreamTypeAudio : Moorland::StreamTypeVideo;
        stream.width = 640;
        stream.height = 360;
        stream.duration = 1 + (i * 37) % 3600 + 0.001 * (i % 1000);
        Moorland::MovieInfo movie{};
        movie.streamCount = 1;
        movie.streams = &stream;
        Moorland::MovieInfo* movies[] = {&movie};
        item->SetMovieInfos(movies, 1);
        item->SetSrcFileFullPath(path);
        item->setName(QFileInfo(path).completeBaseName());
        item->SetThumbnailPic(stream.type == Moorland::StreamTypeAudio ? QImage() : frames[i % 50]);
        library.AppendSoureDataItem(item);
    }
    const long libraryKb = StatusKb("VmRSS:");

    VIconDisplayView grid;
    VDetailDisplayView details;
    QImage sound(128, 72, QImage::Format_RGB32);
    sound.fill(Qt::darkBlue);
    grid.setAudioItemThumbnial(sound);
    details.setMusicThumbnail(sound);
    grid.setSourData(&library);
    details.setSourceData(&library);
    grid.resize(1280, 800);
    details.resize(1280, 800);
    grid.show();
    details.show();
    QApplication::processEvents();
    grid.setCurItemViewType(MediaItemViewLarge);

    std::printf("library views over %d items\n", count);
    // The first size change also finds the column count and rebuilds again.
    std::printf("grid size change: %.1f ms\n", TimeMs([&] { grid.afterChangeViewSize(); }));
    Stats gridRebuild, detailsRebuild, modelRebuild;
    for (int i = 0; i < 5; ++i) {
        gridRebuild.add(TimeMs([&] { grid.refreshData(false); }));
        detailsRebuild.add(TimeMs([&] { details.refreshTheModel(); }));
        modelRebuild.add(TimeMs([&] { details.model()->refreshTheModel(); }));
    }
    std::printf("grid rebuild:    avg %.1f ms, worst %.1f ms\n", gridRebuild.avg(), gridRebuild.worst());
    std::printf("details rebuild: avg %.1f ms, worst %.1f ms (model alone avg %.1f ms)\n", detailsRebuild.avg(),
                detailsRebuild.worst(), modelRebuild.avg());
    const char* keys[] = {"name", "duration", "size", "date", "type"};
    for (int key = FMD_SortByName; key <= FMD_SortByType; ++key) {
        const double g =
            TimeMs([&] { grid.setFMD_SortModeType(static_cast<FMD_SortModeType>(key), Qt::AscendingOrder); });
        const double d =
            TimeMs([&] { details.setFMD_SortModeType(static_cast<FMD_SortModeType>(key), Qt::AscendingOrder); });
        std::printf("sort by %-8s  grid %.1f ms, details %.1f ms\n", keys[key - 1], g, d);
    }
    grid.selectAll();
    const Stats gridPaint = Page(&grid);
    const Stats listPaint = Page(details.treeView());
    if (qEnvironmentVariableIsSet("BENCH_PAGES"))
        for (size_t i = 0; i < listPaint.ms.size(); ++i)
            if (listPaint.ms[i] > 8)
                std::printf("  list page %zu: %.2f ms\n", i, listPaint.ms[i]);
    std::printf("grid repaint (large icons, %zu pages):  avg %.2f ms, worst %.2f ms\n", gridPaint.ms.size(),
                gridPaint.avg(), gridPaint.worst());
    std::printf("list repaint (%zu pages):               avg %.2f ms, worst %.2f ms\n", listPaint.ms.size(),
                listPaint.avg(), listPaint.worst());
    std::printf("memory beyond the library: %.1f MB now, peak process %.1f MB (library %.1f MB)\n",
                (StatusKb("VmRSS:") - libraryKb) / 1024.0, StatusKb("VmHWM:") / 1024.0, libraryKb / 1024.0);
    return 0;
}
