// A three-clip timeline played through the main player with the timeline
// panel's play head following, as the user sees it: pictures per second,
// dropped pictures overall and within 0.5 s of each clip border, the A/V
// offset's drift over the run and the longest stall at a border (the longest
// wall-clock gap between two shown pictures within 0.5 s of a border).
//
//   timeline_play_bench <clip1> <clip2> <clip3> [--seconds N]
//
// The second clip carries colour adjustment.

#include "Basilvo/Basilvo.h"
#include "AppConfigure/CAppVariableInfo.h"
#include "IAVManager.h"
#include "Pellino.h"
#include "ProjectData/cmediasourceitem.h"
#include "ProjectData/cmprojectmgr.h"
#include "ProjectData/ctimelineitem.h"
#include "Preview/vdcframeplayer.h"
#include "Preview/vdcmainplayer.h"
#include "SourcePage/vtimelineview.h"
#include "SourcePage/vtrackscene.h"
#include "SourcePage/vtrackview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

Q_DECLARE_METATYPE(const IDCPlaySourceItem*)
Q_DECLARE_METATYPE(QList<Fablecut::ISourceDataItem*>)

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

// One shown picture: its time on the timeline (ms), the wall clock (ms) and
// the clock minus the picture time (ms).
struct Shown
{
    double pic;
    double wall;
    double offset;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s <clip1> <clip2> <clip3> [--seconds N]\n", argv[0]);
        return 2;
    }
    int seconds = 60;
    for (int i = 4; i + 1 < argc; i += 2)
        if (!std::strcmp(argv[i], "--seconds"))
            seconds = std::atoi(argv[i + 1]);
    QApplication app(argc, argv);
    qRegisterMetaType<const IDCPlaySourceItem*>("const IDCPlaySourceItem*");
    qRegisterMetaType<Fablecut::ISourceDataItem*>("Fablecut::ISourceDataItem*");
    qRegisterMetaType<Fablecut::ISourceDataItem*>("ISourceDataItem*");
    qRegisterMetaType<QList<Fablecut::ISourceDataItem*>>("QList<Fablecut::ISourceDataItem*>");
    qRegisterMetaType<CBaseTime>("CBaseTime");
    qRegisterMetaType<int32_t>("int32_t");
    CAppVariableInfo::GetInstance()->SetInfoValue("TimeLineViewScaleValue", 6);
    Moorland::IAVManager* manager = CreateAVManager("/tmp/", nullptr);
    int result = 0;
    {
        std::vector<std::unique_ptr<Fablecut::CMediaSourceItem>> library;
        QList<Fablecut::ISourceDataItem*> items;
        for (int i = 1; i <= 3; ++i) {
            library.push_back(Clip(manager, argv[i]));
            if (!library.back()) {
                std::fprintf(stderr, "cannot open %s: %s\n", argv[i], GetQuentaException()->GetExceptionMsg());
                return 1;
            }
            items << library.back().get();
        }
        auto mgr = std::make_unique<CMProjectMgr>(nullptr, manager);
        const CTimelineItem* line = mgr->GetTimelineItem();
        mgr->slot_InsertItemsByIndex(items, -1);
        if (line->ChildItemsCount() != 3) {
            std::fprintf(stderr, "the timeline holds %d clips\n", line->ChildItemsCount());
            return 1;
        }
        auto* adjusted = dynamic_cast<Fablecut::CMediaSourceItem*>(line->getItemByIndex(1));
        if (adjusted) {
            CClipSettingsChange change;
            change.videoEffectOn = true;
            change.brightness = 20;
            change.contrast = 10;
            change.saturation = 15;
            mgr->ChangeClipSettings(adjusted, change);
        }
        std::vector<double> borders; // ms on the timeline, between clips
        for (int i = 1; i < line->ChildItemsCount(); ++i)
            borders.push_back(line->getItemByIndex(i)->GetStartPoint().ToSeconds() * 1000.0);
        const double total = line->GetDuration().ToSeconds() * 1000.0;

        auto panel = std::make_unique<VTimeLineView>(nullptr);
        panel->resize(1280, 150);
        panel->move(0, 650);
        panel->show();
        panel->setProjectMgr(mgr.get());
        panel->getScene()->updateClipsTime(false);

        VDCMainPlayer player;
        player.resize(960, 600);
        player.SetAVManager(manager);
        player.show();
        // The player renews the timeline's playable source, as the source
        // page hands the timeline to it.
        if (!player.SetSourceItem(const_cast<CTimelineItem*>(line), true)) {
            std::fprintf(stderr, "cannot load the timeline: %s\n", GetQuentaException()->GetExceptionMsg());
            return 1;
        }
        // As the source page wires it when the timeline holds the player.
        QObject::connect(&player, &VDCMainPlayer::signal_mainplayer_playtimechanged, panel.get(),
                         &VTimeLineView::slot_mainplayer_playtimechanged);
        QObject::connect(&player, &VDCMainPlayer::signal_mainplayer_stoped, panel.get(),
                         &VTimeLineView::slot_mainplayer_stoped);
        panel->slot_IsTimeLineViewHoldThePlayer(true);
        int headMoves = 0;
        QObject::connect(&player, &VDCMainPlayer::signal_mainplayer_playtimechanged, [&] { ++headMoves; });

        VDCFramePlayer* frame = player.GetFramePlayer();
        auto* advanced =
            static_cast<Moorland::IPlayerAdvanced*>(frame->GetMoorlandPlayer()->QueryInterface(IPLAYER_ADVANCED_NAME));
        std::vector<Shown> shown;
        shown.reserve(4096);
        QElapsedTimer wall;
        QObject::connect(frame, &VDCFramePlayer::signal_FramePresented, [&] {
            long long border = 0;
            int value = 0;
            if (frame->GetPlayerRunState() == DCPlayerPlaying && frame->GetCurPicBorderTime(border, value)) {
                const double pic = static_cast<double>(border);
                shown.push_back({pic, wall.nsecsElapsed() / 1e6, frame->GetIPlayerCurTime().ToSeconds() - pic});
            }
        });
        Pump(300);
        wall.start();
        player.Play();
        const double until = std::min<double>(seconds * 1000.0, total);
        while (wall.elapsed() < until + 5000 && frame->GetPlayerRunState() == DCPlayerPlaying) {
            Pump(50);
            if (frame->GetIPlayerCurTime().ToSeconds() >= until - 100)
                break;
        }
        const double elapsed = wall.elapsed() / 1000.0;
        const double played = frame->GetIPlayerCurTime().ToSeconds() / 1000.0;
        Moorland::PlayerStatistics stats{};
        advanced->GetStatistics(&stats);
        player.Pause();
        const double head = panel->getTrackView()->getAnchorPos().ToSeconds();

        // The picture length from the shown pictures' times (the most common step).
        double step = 1000.0 / 30;
        {
            std::vector<double> steps;
            for (size_t i = 1; i < shown.size(); ++i)
                if (shown[i].pic > shown[i - 1].pic)
                    steps.push_back(shown[i].pic - shown[i - 1].pic);
            if (!steps.empty()) {
                std::nth_element(steps.begin(), steps.begin() + steps.size() / 2, steps.end());
                step = steps[steps.size() / 2];
            }
        }
        // Pictures missing between two shown ones, overall and near a border;
        // the longest wall-clock gap between two shown pictures near a border.
        long long missing = 0;
        std::vector<long long> missingAt(borders.size(), 0);
        std::vector<double> stallAt(borders.size(), 0.0);
        std::vector<double> stallPicAt(borders.size(), 0.0);
        double longestGap = 0;
        for (size_t i = 1; i < shown.size(); ++i) {
            const double dt = shown[i].pic - shown[i - 1].pic;
            const long long gap = std::max(0LL, std::llround(dt / step) - 1);
            const double wallGap = shown[i].wall - shown[i - 1].wall;
            missing += gap;
            longestGap = std::max(longestGap, wallGap);
            for (size_t b = 0; b < borders.size(); ++b) {
                const bool near = shown[i].pic >= borders[b] - 500 && shown[i - 1].pic <= borders[b] + 500;
                if (!near)
                    continue;
                missingAt[b] += gap;
                if (wallGap > stallAt[b]) {
                    stallAt[b] = wallGap;
                    stallPicAt[b] = shown[i].pic;
                }
            }
        }
        // The spread of the gaps over the whole run, to judge the border gaps by.
        std::vector<double> gaps;
        for (size_t i = 1; i < shown.size(); ++i)
            gaps.push_back(shown[i].wall - shown[i - 1].wall);
        std::sort(gaps.begin(), gaps.end());
        auto pct = [&](double p) {
            return gaps.empty() ? 0.0 : gaps[std::min(gaps.size() - 1, size_t(p * gaps.size()))];
        };
        const long long longGaps = std::count_if(gaps.begin(), gaps.end(), [&](double g) { return g > step * 1.5; });
        std::vector<double> offsets;
        for (const Shown& s : shown)
            offsets.push_back(s.offset);
        const size_t n = offsets.size();
        const size_t tail = std::min<size_t>(n, 150);
        double worst = 0;
        for (double o : offsets)
            worst = std::max(worst, std::fabs(o));
        const double drift = Mean(offsets, n - tail, n) - Mean(offsets, 0, tail);

        std::printf("timeline: %d clips, %.2f s; borders at", line->ChildItemsCount(), total / 1000.0);
        for (double b : borders)
            std::printf(" %.2f s", b / 1000.0);
        std::printf("; picture %.1f ms\n", step);
        std::printf("played %.2f s of the timeline in %.2f s (%s clock); play head at %.2f s after %d moves\n", played,
                    elapsed, stats.audioDevice ? "sound device" : "monotonic", head, headMoves);
        const double droppedShare = 100.0 * stats.dropped / std::max<double>(1, stats.shown + stats.dropped);
        std::printf("pictures shown %lld (%.1f/s), dropped %lld (%.2f %%), late %lld; "
                    "missing by picture times %lld\n",
                    static_cast<long long>(stats.shown), stats.shown / std::max(elapsed, 0.001),
                    static_cast<long long>(stats.dropped), droppedShare, static_cast<long long>(stats.late), missing);
        double worstStall = 0;
        long long nearBorders = 0;
        for (size_t b = 0; b < borders.size(); ++b) {
            std::printf("border %zu (%.2f s): missing within 0.5 s %lld, longest gap %.1f ms (before picture %.3f s)\n",
                        b + 1, borders[b] / 1000.0, missingAt[b], stallAt[b], stallPicAt[b] / 1000.0);
            worstStall = std::max(worstStall, stallAt[b]);
            nearBorders += missingAt[b];
        }
        std::printf("A/V offset at present: mean %.1f ms, worst %.1f ms; drift (last 5 s - first 5 s) %.1f ms; "
                    "longest gap anywhere %.1f ms\n",
                    Mean(offsets, 0, n), worst, drift, longestGap);
        std::printf("gaps between shown pictures: median %.1f ms, 99th percentile %.1f ms, over 1.5 pictures %lld\n",
                    pct(0.5), pct(0.99), longGaps);
        std::printf("goals: dropped %.2f %% (<= 1 %% on 2 cores, 0 on 8), drift %.1f ms (<= 10), "
                    "border stall %.1f ms (<= one picture, %.1f ms), near-border missing %lld\n",
                    droppedShare, std::fabs(drift), worstStall, step, nearBorders);
        player.SetSourceItem(nullptr, false);
        panel.reset();
        mgr.reset();
        if (stats.shown == 0)
            result = 1;
    }
    manager->Release();
    return result;
}
