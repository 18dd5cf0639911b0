// The timeline panel re-reading a 500-clip timeline: the first layout, and
// the relayout after a move, a trim, a duplicate and a delete, each made
// through the panel's request path to the project manager.
//
//   timeline_edit_bench [clips]

#include "../tests/src/SourcePage/TimelineFixture.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

class Bench : public TimelineTest::Timeline
{
public:
    void TestBody() override {}
    void Start() { SetUp(); }
    void Stop() { TearDown(); }

    void Run(int count)
    {
        QList<Fablecut::ISourceDataItem*> items;
        for (int i = 0; i < 20; ++i) {
            library.Add(QString("/m/clip%1.mp4").arg(i), 5.0 + i);
            items << library.items.back().get();
        }
        QList<Fablecut::ISourceDataItem*> all;
        for (int i = 0; i < count; ++i)
            all << items[i % items.size()];
        mgr->slot_InsertItemsByIndex(all, -1);
        QElapsedTimer first;
        first.start();
        scene->updateClipsTime(false);
        std::printf("first layout of %d clips: %.2f ms\n", line->ChildItemsCount(), first.nsecsElapsed() / 1e6);

        struct Edit
        {
            const char* name;
            std::function<void()> act;
        };
        const Edit edits[] = {
            {"move first to end", [&] { scene->moveItemToTime(0, line->GetDuration() + 1.0); }},
            {"move last to start", [&] { scene->moveItemToTime(line->ChildItemsCount() - 1, 0.0); }},
            {"trim end",
             [&] {
                 Fablecut::ISourceDataItem* c = line->getItemByIndex(line->ChildItemsCount() / 2);
                 scene->setSouceDataItemTrimEndPosByItem(c, c->GetTrimEndPoint() - 0.5);
             }},
            {"duplicate",
             [&] {
                 scene->clearSelection();
                 scene->getClipItems()[line->ChildItemsCount() / 3]->setSelected(true);
                 scene->DuplicateSelectedClips();
             }},
            {"delete",
             [&] {
                 scene->clearSelection();
                 scene->getClipItems()[line->ChildItemsCount() / 4]->setSelected(true);
                 view->slot_deleteSelectedClips();
             }},
            {"relayout only", [&] { scene->updateClipsTime(false); }},
        };
        for (const Edit& edit : edits) {
            std::vector<double> times;
            for (int run = 0; run < 15; ++run) {
                QElapsedTimer t;
                t.start();
                edit.act();
                times.push_back(t.nsecsElapsed() / 1e6);
            }
            std::sort(times.begin(), times.end());
            std::printf("%-20s median %.2f ms, worst %.2f ms (%d clips)\n", edit.name, times[times.size() / 2],
                        times.back(), line->ChildItemsCount());
        }
    }
};

} // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 500;
    TimelineTest::App();
    Bench bench;
    bench.Start();
    bench.Run(count);
    bench.Stop();
    return 0;
}
