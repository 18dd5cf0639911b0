// The main player playing a clip with colour adjustment for a while, as the
// user sees it: pictures per second, dropped and late pictures, the A/V
// offset (the clock against the picture on screen) and its drift, a backward
// step and a strip rebuild; then load/unload/resize/close cycles. With
// --screens it saves what the players show (main player playing, paused
// with the strip up; the preview player).
//
// With --turn the clip also has a quarter turn.
//
//   player_bench <clip> [--seconds N] [--cycles N] [--screens DIR] [--turn]

#include "Basilvo/Basilvo.h"
#include "IAVManager.h"
#include "Pellino.h"
#include "ProjectData/cclipsettingschange.h"
#include "ProjectData/cmediasourceitem.h"
#include "Preview/vdcframeplayer.h"
#include "Preview/vdcmainplayer.h"
#include "FrameSelect/vmframeselectview.h"
#include "Preview/vmpreviewplayer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

void Pump(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
}

std::unique_ptr<Fablecut::CMediaSourceItem> Clip(Moorland::IAVManager* manager, const char* path)
{
    auto clip = std::make_unique<Fablecut::CMediaSourceItem>();
    clip->SetAVManager(manager);
    clip->SetSrcFileFullPath(QString::fromUtf8(path));
    if (!clip->OpenImporter())
        return nullptr;
    clip->UpdateMovieInfos();
    return clip;
}

double Mean(const std::vector<double>& v, size_t from, size_t to)
{
    to = std::min(to, v.size());
    if (from >= to)
        return 0;
    double s = 0;
    for (size_t i = from; i < to; ++i)
        s += v[i];
    return s / static_cast<double>(to - from);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <clip> [--seconds N] [--cycles N] [--screens DIR] [--turn]\n", argv[0]);
        return 2;
    }
    const char* path = argv[1];
    int seconds = 60;
    int cycles = 200;
    QString screens;
    bool turn = false;
    for (int i = 2; i < argc; ++i) {
        const bool valued = i + 1 < argc;
        if (!std::strcmp(argv[i], "--turn"))
            turn = true;
        else if (valued && !std::strcmp(argv[i], "--seconds"))
            seconds = std::atoi(argv[++i]);
        else if (valued && !std::strcmp(argv[i], "--cycles"))
            cycles = std::atoi(argv[++i]);
        else if (valued && !std::strcmp(argv[i], "--screens"))
            screens = QString::fromUtf8(argv[++i]);
    }
    QApplication app(argc, argv);
    Moorland::IAVManager* manager = CreateAVManager("/tmp/", nullptr);
    int result = 0;
    {
        auto clip = Clip(manager, path);
        if (!clip) {
            std::fprintf(stderr, "cannot open %s: %s\n", path, GetQuentaException()->GetExceptionMsg());
            return 1;
        }
        CClipSettingsChange settings;
        settings.videoEffectOn = true;
        settings.brightness = 20;
        settings.contrast = 10;
        settings.saturation = 15;
        if (turn) {
            settings.videoTurnOn = true;
            settings.rotationAngle = 90;
        }
        settings.WriteTo(*clip);
        VDCMainPlayer panel;
        panel.resize(960, 640);
        panel.SetAVManager(manager);
        panel.show();
        if (!panel.SetSourceItem(clip.get(), true)) {
            std::fprintf(stderr, "cannot load: %s\n", GetQuentaException()->GetExceptionMsg());
            return 1;
        }
        VDCFramePlayer* frame = panel.GetFramePlayer();
        auto* advanced =
            static_cast<Moorland::IPlayerAdvanced*>(frame->GetMoorlandPlayer()->QueryInterface(IPLAYER_ADVANCED_NAME));
        std::vector<double> offsets;
        int presented = 0;
        QObject::connect(frame, &VDCFramePlayer::signal_FramePresented, [&] {
            ++presented;
            long long border = 0;
            int value = 0;
            if (frame->GetPlayerRunState() == DCPlayerPlaying && frame->GetCurPicBorderTime(border, value))
                offsets.push_back(frame->GetIPlayerCurTime().ToSeconds() - static_cast<double>(border));
        });
        Pump(300);
        QElapsedTimer wall;
        wall.start();
        panel.Play();
        bool shotPlaying = false;
        while (wall.elapsed() < seconds * 1000 + 5000 && frame->GetPlayerRunState() == DCPlayerPlaying) {
            Pump(50);
            if (!screens.isEmpty() && !shotPlaying && wall.elapsed() > 2000) {
                panel.grab().save(screens + "/main-playing.png");
                shotPlaying = true;
            }
            if (frame->GetIPlayerCurTime().ToSeconds() >= seconds * 1000.0)
                break;
        }
        const double elapsed = wall.elapsed() / 1000.0;
        const double played = frame->GetIPlayerCurTime().ToSeconds() / 1000.0;
        Moorland::PlayerStatistics stats{};
        advanced->GetStatistics(&stats);
        panel.Pause();
        const size_t n = offsets.size();
        const size_t tail = std::min<size_t>(n, 150);
        double worst = 0;
        for (double o : offsets)
            worst = std::max(worst, std::fabs(o));
        std::printf("played %.2f s of the clip in %.2f s (%s clock)\n", played, elapsed,
                    stats.audioDevice ? "sound device" : "monotonic");
        std::printf("pictures shown %lld (%.1f/s), dropped %lld (%.2f %%), late %lld\n",
                    static_cast<long long>(stats.shown), stats.shown / std::max(elapsed, 0.001),
                    static_cast<long long>(stats.dropped),
                    100.0 * stats.dropped / std::max<double>(1, stats.shown + stats.dropped),
                    static_cast<long long>(stats.late));
        std::printf("A/V offset at present: mean %.1f ms, worst %.1f ms; drift (last 5 s - first 5 s) %.1f ms\n",
                    Mean(offsets, 0, n), worst, Mean(offsets, n - tail, n) - Mean(offsets, 0, tail));

        // A backward step in the middle of a GOP, and a strip rebuild.
        panel.Seek(CBaseTime(seconds / 2.0 + 9.0));
        Pump(300);
        QElapsedTimer step;
        step.start();
        frame->PreFrame();
        std::printf("backward step: %lld ms\n", static_cast<long long>(step.elapsed()));
        VMFrameSelectView* strip = panel.GetFrameSelectView();
        strip->resize(frame->width(), 70);
        strip->move(0, frame->height() - 71);
        strip->show();
        Pump(100);
        QElapsedTimer rebuild;
        rebuild.start();
        strip->updateClipFrames();
        std::printf("strip rebuild (%d thumbnails): %lld ms\n", strip->getItemsCount(),
                    static_cast<long long>(rebuild.elapsed()));
        if (!screens.isEmpty()) {
            Pump(200);
            strip->show();
            panel.grab().save(screens + "/main-paused-strip.png");
        }

        // Load, unload, resize and close while playing.
        QElapsedTimer cyclesTime;
        cyclesTime.start();
        for (int c = 0; c < cycles; ++c) {
            panel.SetSourceItem(clip.get(), true);
            panel.Play();
            panel.resize(700 + c % 5 * 60, 500 + c % 3 * 50);
            Pump(c % 3);
            switch (c % 3) {
            case 0: panel.Close(); break;
            case 1: panel.SetSourceItem(nullptr, false); break;
            default: panel.Stop(); break;
            }
        }
        std::printf("%d load/play/resize/close cycles: %.1f s\n", cycles, cyclesTime.elapsed() / 1000.0);
        panel.SetSourceItem(nullptr, false);
        if (stats.shown == 0)
            result = 1;
    }
    if (!screens.isEmpty()) {
        VMPreviewPlayer preview;
        preview.resize(329, 255);
        preview.SetAVManager(manager);
        preview.show();
        if (preview.SetMediaFile(QString::fromUtf8(path))) {
            preview.Play();
            Pump(1500);
            preview.grab().save(screens + "/preview-playing.png");
            preview.Close();
        }
    }
    manager->Release();
    return result;
}
