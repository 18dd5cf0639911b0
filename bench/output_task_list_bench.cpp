// The output page's task list: 200 tasks added one after another (time per
// add), then 200 rows polling their job records every 500 ms for 10 s (the
// GUI thread's CPU over that time, as a share of one core). The job records
// live in memory here and advance by themselves; no engine runs.
//
// Run: QT_QPA_PLATFORM=offscreen build/<dir>/bench/output_task_list_bench

#include "AppConfigure/CAppFixedInfo.h"
#include "AppConfigure/CAppVariableInfo.h"
#include "ConvertTaskInfo2.h"
#include "ProjectData/cmediasourceitem.h"
#include "OutputTask/cmmoutputtask.h"
#include "ProjectData/ctimelineitem.h"
#include "OutputTask/vmoutputtaskitem.h"
#include "OutputTask/vmoutputtaskmgr.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

double ThreadCpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_THREAD, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    CAppFixedInfo::GetInstance()->ReadInfos();
    CAppVariableInfo::GetInstance()->ReadInfos();

    CTimelineItem timeline;
    auto* clip = new Fablecut::CMediaSourceItem;
    clip->setName("Bench clip");
    QImage thumb(160, 90, QImage::Format_RGB32);
    thumb.fill(Qt::darkGreen);
    clip->SetThumbnailPic(thumb);
    timeline.AppendItem(clip);
    clip->Free();

    const int kTasks = 200;
    std::vector<std::unique_ptr<Moorland::ConvertTaskInfo2>> records;
    {
        VMOutPutTaskMgr list;
        list.setTimeLineItem(&timeline);
        list.updateOutputMgrWidget();
        list.resize(700, 600);
        list.show();

        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < kTasks; ++i)
            list.addOutputTask();
        const double msPerAdd = timer.nsecsElapsed() / 1e6 / kTasks;

        for (VMOutputTaskItem* row : list.taskItems()) {
            auto rec = std::make_unique<Moorland::ConvertTaskInfo2>();
            std::memset(rec.get(), 0, sizeof(Moorland::ConvertTaskInfo2));
            rec->SetState(Moorland::CONVERT_TASK_RUNNING);
            row->getMOutputTask()->SetBaseConvertTaskInfo(rec.get());
            row->setConvertStart(true);
            records.push_back(std::move(rec));
        }
        QTimer advance;
        QObject::connect(&advance, &QTimer::timeout, [&records] {
            for (auto& r : records)
                r->SetPercent(r->GetPercent() < 99 ? r->GetPercent() + 0.5 : 1);
        });
        advance.start(1000);

        const double cpu0 = ThreadCpuSeconds();
        QElapsedTimer wall;
        wall.start();
        QTimer::singleShot(10000, &app, &QApplication::quit);
        app.exec();
        const double share = (ThreadCpuSeconds() - cpu0) / (wall.nsecsElapsed() / 1e9) * 100.0;
        std::printf("tasks: %d\nadd: %.2f ms per task\npolling %d rows for %.1f s: GUI thread %.2f %% of one core\n",
                    kTasks, msPerAdd, kTasks, wall.nsecsElapsed() / 1e9, share);
        for (VMOutputTaskItem* row : list.taskItems())
            row->getMOutputTask()->RemoveConverterTaskInfo();
    }
    return 0;
}
