// The main player paused on a clip while the user edits it: after each edit
// (brightness, gray, contrast, a quarter turn, in turn) the time until the
// picture with the edit is on screen, median and worst, through the panel's
// own redraw (what the editor asks for after every change).
//
//   paused_redraw_bench <clip> [--edits N]

#include "Basilvo/Basilvo.h"
#include "AppConfigure/CAppVariableInfo.h"
#include "IAVManager.h"
#include "ProjectData/cmediasourceitem.h"
#include "Preview/vdcframeplayer.h"
#include "Preview/vdcmainplayer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

bool WaitFor(const std::function<bool()>& done, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: paused_redraw_bench <clip> [--edits N]\n");
        return 2;
    }
    int edits = 200;
    for (int i = 2; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--edits") == 0)
            edits = std::atoi(argv[i + 1]);
    Moorland::IAVManager* manager = CreateAVManager("/tmp/", nullptr);
    if (!manager)
        return 1;
    int rc = 0;
    {
        auto clip = std::make_unique<Fablecut::CMediaSourceItem>();
        clip->SetAVManager(manager);
        clip->SetSrcFileFullPath(QString::fromUtf8(argv[1]));
        if (!clip->OpenImporter()) {
            std::fprintf(stderr, "cannot open %s\n", argv[1]);
            return 1;
        }
        clip->UpdateMovieInfos();
        {
            CClipSettingsChange change;
            change.videoEffectOn = true;
            change.videoTurnOn = true;
            change.WriteTo(*clip);
        }
        VDCMainPlayer panel;
        panel.resize(960, 640);
        panel.SetAVManager(manager);
        panel.show();
        VDCFramePlayer* frame = panel.GetFramePlayer();
        panel.SetSourceItem(clip.get(), true);
        panel.Seek(CBaseTime(2.0));
        WaitFor([&] { return frame->GetPlayerRunState() == DCPlayerPaused && !frame->GetPresentedImage().isNull(); },
                10000);
        WaitFor([] { return false; }, 500);

        std::vector<double> times;
        std::vector<double> byKind[4];
        const char* const kinds[4] = {"brightness", "gray", "contrast", "quarter turn"};
        int missed = 0;
        for (int i = 0; i < edits; ++i) {
            const QImage before = frame->GetPresentedImage();
            const qint64 key = before.cacheKey();
            CClipSettingsChange change;
            switch (i % 4) {
            case 0: change.brightness = clip->GetBrightness() == 30 ? -30 : 30; break;
            case 1: change.effect = clip->GetEffectType() == EffectGray ? EffectNone : EffectGray; break;
            case 2: change.contrast = clip->GetContrast() == 40 ? -20 : 40; break;
            case 3: change.rotationAngle = clip->GetRotationAngle() == 270 ? 0 : 270; break;
            }
            change.WriteTo(*clip);
            QElapsedTimer t;
            t.start();
            panel.UpdateFramePlayer();
            // The edit is on screen once a new picture has been presented
            // and painted.
            if (!WaitFor([&] { return frame->GetPresentedImage().cacheKey() != key; }, 2000)) {
                ++missed;
                continue;
            }
            QCoreApplication::processEvents();
            times.push_back(t.nsecsElapsed() / 1e6);
            byKind[i % 4].push_back(times.back());
        }
        for (int k = 0; k < 4; ++k) {
            std::vector<double>& v = byKind[k];
            std::sort(v.begin(), v.end());
            if (!v.empty())
                std::printf("  %-12s median %.1f ms, worst %.1f ms\n", kinds[k], v[v.size() / 2], v.back());
        }
        std::sort(times.begin(), times.end());
        if (times.empty()) {
            std::printf("no redraw was seen\n");
            rc = 1;
        } else {
            const double median = times[times.size() / 2];
            const double p95 = times[std::min(times.size() - 1, times.size() * 95 / 100)];
            std::printf("paused redraw after an edit, %zu edits: median %.1f ms, 95th %.1f ms, worst %.1f ms, "
                        "missed %d\n",
                        times.size(), median, p95, times.back(), missed);
        }
        panel.SetSourceItem(nullptr, false);
    }
    manager->Release();
    return rc;
}
