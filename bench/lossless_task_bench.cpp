// A lossless output as the program makes it: the clip imported, put on a
// timeline (whole, or trimmed to FROM_MS..TO_MS), the "Lossless (same
// format)" profile chosen and the task handed to the conversion engine,
// which runs convworker. Prints the wall time from the hand-over to the
// finished state, and what the output holds. The script beside it times
// the whole process against the ffmpeg program's stream copy.
//
//   lossless_task_bench CLIP OUT_FOLDER NAME [exact|gop [FROM_MS TO_MS]]
//
// Run it from an optimised build: convworker, the libraries and the
// profiles are taken from the build's bin folder.

#include "AppConfigure/CAppVariableInfo.h"
#include "Basilvo/Basilvo.h"
#include "ConvertTaskInfo2.h"
#include "TaskListWait.h"
#include "IAVConverter.h"
#include "IAVManager.h"
#include "IProfile.h"
#include "OutputTask/COutputTaskQueue.h"
#include "OutputTask/cmmoutputtask.h"
#include "ProjectData/cmediasourceitem.h"
#include "ProjectData/ctimelineitem.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

namespace {} // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: lossless_task_bench CLIP OUT_FOLDER NAME [exact|gop [FROM_MS TO_MS]]\n");
        return 2;
    }
    const std::string clip = argv[1], folder = argv[2], name = argv[3];
    const bool exact = argc <= 4 || std::string(argv[4]) != "gop";
    CAppVariableInfo::GetInstance()->SetInfoValue("LosslessOutputMode", exact ? 0 : 1);
    Moorland::IAVManager* manager = CreateAVManager("/tmp/", nullptr);
    if (!manager)
        return 1;
    int rc = 1;
    {
        Fablecut::CMediaSourceItem item;
        item.SetAVManager(manager);
        item.SetSrcFileFullPath(QString::fromStdString(clip));
        if (!item.OpenImporter())
            return 1;
        item.UpdateMovieInfos();
        CTimelineItem timeline;
        timeline.SetAVManager(manager);
        if (!timeline.AppendItem(&item))
            return 1;
        if (argc > 6) {
            Fablecut::ISourceDataItem* first = timeline.getItemByIndex(0);
            timeline.SetItemTrimStartPos(first, CBaseTime(std::atoi(argv[5]) / 1000.0));
            timeline.SetItemTrimEndPos(first, CBaseTime(std::atoi(argv[6]) / 1000.0));
        }
        std::unique_ptr<IProfile, void (*)(IProfile*)> profile(CreateProfile(), [](IProfile* p) {
            if (p)
                p->Release();
        });
        const std::string path = FABLECUT_BIN_DIR "/profile/3001.xml";
        std::unique_ptr<Moorland::IAVConverter, void (*)(Moorland::IAVConverter*)> engine(
            CreateAVConverter(nullptr), [](Moorland::IAVConverter* e) {
                if (e)
                    e->Release();
            });
        if (!profile || !profile->LoadFile(path.c_str()) || !engine)
            return 1;
        CMMOutputTask task(manager, nullptr, nullptr);
        task.SetSrcTimelineItem(&timeline);
        task.SetProfile(profile.get());
        task.SetOutputDstFloder(QString::fromStdString(folder));
        task.SetOutputDstName(QString::fromStdString(name));
        const double started = BenchWait::Now();
        Moorland::ConvertTaskInfo2* record = task.GenerateConverterTask(engine.get());
        if (record && engine->StartConvert()) {
            const double wall = BenchWait::WaitAsTheTaskList(record, started);
            if (wall < 0) {
                std::fprintf(stderr, "the task failed: %s\n", task.GetFailureText().toStdString().c_str());
            } else {
                std::printf("from the hand-over: %.3f s\n", wall);
                rc = 0;
            }
        } else {
            std::fprintf(stderr, "the task was refused: %s\n", GetQuentaException()->GetExceptionMsg());
        }
    }
    manager->Release();
    return rc;
}
