// A 10 s 1080p clip converted three ways with H.264 at 8 Mbit/s (the shipped
// MP4 profile, preset medium, AAC 128 kbit/s): put on a timeline and handed
// to the output task as the program does, given to the conversion engine as
// a plain file, and by the ffmpeg program. Prints the best wall and
// processor time of each (processor time is the steadier on a busy machine)
// and the ratios task/engine and engine/ffmpeg, with the pictures and sound
// each output holds.
//
//   timeline_task_bench CLIP WORK_FOLDER [RUNS [task|engine|ffmpeg [PROFILE [effects]]]]
//
// With a fourth word only that path runs, once per run (for a profiler, or
// for a script that measures each run's memory from outside), and prints the
// wall and processor time of each run. The task's and the engine's times run
// from the moment the job is handed over (the program running, the clip
// imported) to its finished state. PROFILE is a shipped profile's number: 101
// (the default) is taken at 8 Mbit/s, any other as it stands, and the ffmpeg
// program is given the same settings. With "effects" the clip on the
// timeline has its brightness, contrast and saturation changed, a quarter
// turn and red-blue 3D, and the ffmpeg program is given the filters that do
// the same work (eq, transpose and an anaglyph colour matrix).
//
// Run it from an optimised build: convworker, the libraries and the
// profiles are taken from the build's bin folder.

#include "Basilvo/Basilvo.h"
#include "OutputTask/COutputTaskQueue.h"
#include "ConvertTaskInfo2.h"
#include "TaskListWait.h"
#include "IAVConverter.h"
#include "IAVManager.h"
#include "IProfile.h"
#include "ProjectData/cclipsettingschange.h"
#include "ProjectData/cmediasourceitem.h"
#include "OutputTask/cmmoutputtask.h"
#include "ProjectData/ctimelineitem.h"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

namespace {

// Processor seconds of this process and of the children it has waited for
// (the engine reaps its workers, std::system its ffmpeg).
double CpuSeconds()
{
    double total = 0;
    for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage{};
        getrusage(who, &usage);
        total +=
            usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    }
    return total;
}

std::string Capture(const std::string& command)
{
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buffer[256];
        while (fgets(buffer, sizeof buffer, p))
            out += buffer;
        pclose(p);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == ','))
        out.pop_back();
    return out;
}

// "pictures / sound seconds" of an output, counted by ffprobe.
std::string Contents(const std::string& path)
{
    const std::string pictures = Capture("ffprobe -v error -select_streams v:0 -count_frames -show_entries "
                                         "stream=nb_read_frames -of csv=p=0 '" +
                                         path + "'");
    const std::string sound = Capture("ffprobe -v error -select_streams a:0 -show_entries stream=duration -of "
                                      "csv=p=0 '" +
                                      path + "'");
    return pictures + " pictures, " + sound + " s of sound";
}

int g_profile = 101;
bool g_effects = false;

// The picture settings of the effects run, and the ffmpeg filters that do
// the same work: eq for the colour, a quarter turn clockwise, and the
// red-blue anaglyph as a colour matrix (red from the left picture's
// luminance, blue from the right's; one picture here, as the clip's 3D
// makes both from it).
CClipSettingsChange EffectSettings()
{
    CClipSettingsChange change;
    change.videoEffectOn = true;
    change.brightness = 20;
    change.contrast = 15;
    change.saturation = 30;
    change.videoTurnOn = true;
    change.rotationAngle = 90;
    change.depthOn = true;
    change.depthType = E3DRedBlue;
    change.depth = 5;
    return change;
}
const char* const kFfmpegEffects =
    "eq=brightness=0.08:contrast=1.15:saturation=1.3,transpose=1,"
    "colorchannelmixer=rr=0.299:rg=0.587:rb=0.114:gr=0:gg=0:gb=0:br=0.299:bg=0.587:bb=0.114";

IProfile* Profile()
{
    IProfile* profile = CreateProfile();
    const std::string path = std::string(FABLECUT_BIN_DIR "/profile/") + std::to_string(g_profile) + ".xml";
    if (!profile || !profile->LoadFile(path.c_str()))
        return nullptr;
    if (g_profile == 101)
        profile->GetVideoProfile()->SetBitrate(8000);
    return profile;
}

// `handedCpu` gets the processor time spent when the job is handed over.
double ThroughTask(Moorland::IAVManager* manager, const std::string& clip, const std::string& folder,
                   const std::string& name, double* handedCpu = nullptr)
{
    Fablecut::CMediaSourceItem item;
    item.SetAVManager(manager);
    item.SetSrcFileFullPath(QString::fromStdString(clip));
    if (!item.OpenImporter())
        return -1;
    item.UpdateMovieInfos();
    if (g_effects)
        EffectSettings().WriteTo(item);
    CTimelineItem timeline;
    timeline.SetAVManager(manager);
    if (!timeline.AppendItem(&item))
        return -1;
    std::unique_ptr<IProfile, void (*)(IProfile*)> profile(Profile(), [](IProfile* p) {
        if (p)
            p->Release();
    });
    std::unique_ptr<Moorland::IAVConverter, void (*)(Moorland::IAVConverter*)> engine(CreateAVConverter(nullptr),
                                                                                      [](Moorland::IAVConverter* e) {
                                                                                          if (e)
                                                                                              e->Release();
                                                                                      });
    if (!profile || !engine)
        return -1;
    CMMOutputTask task(manager, nullptr, nullptr);
    task.SetSrcTimelineItem(&timeline);
    task.SetProfile(profile.get());
    task.SetOutputDstFloder(QString::fromStdString(folder));
    task.SetOutputDstName(QString::fromStdString(name));
    if (handedCpu)
        *handedCpu = CpuSeconds();
    const double started = BenchWait::Now();
    Moorland::ConvertTaskInfo2* record = task.GenerateConverterTask(engine.get());
    if (!record || !engine->StartConvert())
        return -1;
    const double wall = BenchWait::WaitAsTheTaskList(record, started);
    if (wall < 0)
        std::fprintf(stderr, "the task failed: %s\n", task.GetFailureText().toStdString().c_str());
    return wall;
}

double ThroughEngine(const std::string& clip, const std::string& destination, double* handedCpu = nullptr)
{
    std::unique_ptr<IProfile, void (*)(IProfile*)> profile(Profile(), [](IProfile* p) {
        if (p)
            p->Release();
    });
    std::unique_ptr<Moorland::IAVConverter, void (*)(Moorland::IAVConverter*)> engine(CreateAVConverter(nullptr),
                                                                                      [](Moorland::IAVConverter* e) {
                                                                                          if (e)
                                                                                              e->Release();
                                                                                      });
    if (!profile || !engine)
        return -1;
    if (handedCpu)
        *handedCpu = CpuSeconds();
    const double started = BenchWait::Now();
    const int id = engine->AddConvertTask(clip.c_str(), destination.c_str(), profile.get(), false, "");
    if (id < 0 || !engine->StartConvert())
        return -1;
    return BenchWait::WaitAsTheTaskList(engine->GetConvertTaskInfo(id), started);
}

double ThroughFfmpeg(const std::string& clip, const std::string& destination)
{
    const double started = BenchWait::Now();
    // The 1080p profile names its H.264 profile, level and picture size.
    std::string extra = g_profile == 201 ? "-profile:v high -level 4.1 -s 1920x1080 " : "";
    // The turned picture is fitted into the profile's frame as the timeline
    // fits it: scaled to its height and padded at the sides.
    if (g_effects)
        extra = std::string("-vf '") + kFfmpegEffects +
                (g_profile == 201 ? ",scale=-2:1080,pad=1920:1080:(ow-iw)/2:0' -profile:v high -level 4.1 " : "' ");
    const std::string command = "ffmpeg -nostdin -v error -y -i '" + clip +
                                "' -c:v libx264 -preset medium -b:v 8000k -pix_fmt yuv420p " + extra +
                                "-c:a aac -b:a 128k -ar 44100 -ac 2 '" + destination + "'";
    return std::system(command.c_str()) == 0 ? BenchWait::Now() - started : -1;
}

double Best(double a, double b)
{
    if (a < 0)
        return b;
    if (b < 0)
        return a;
    return a < b ? a : b;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: timeline_task_bench CLIP WORK_FOLDER [RUNS]\n");
        return 2;
    }
    const std::string clip = argv[1], folder = argv[2];
    const int runs = argc > 3 ? std::atoi(argv[3]) : 2;
    const std::string only = argc > 4 ? argv[4] : "";
    if (argc > 5)
        g_profile = std::atoi(argv[5]);
    g_effects = argc > 6 && std::string(argv[6]) == "effects";
    Moorland::IAVManager* manager = CreateAVManager("/tmp/", nullptr);
    if (!manager)
        return 1;
    if (!only.empty()) {
        for (int i = 0; i < runs; ++i) {
            // Processor time from the hand-over on: the engine has reaped its
            // worker once the path's objects are gone.
            double before = CpuSeconds();
            const double t = only == "task"     ? ThroughTask(manager, clip, folder, "task", &before)
                             : only == "ffmpeg" ? ThroughFfmpeg(clip, folder + "/ffmpeg.mp4")
                                                : ThroughEngine(clip, folder + "/engine.mp4", &before);
            std::printf("%s: %.2f s wall %.2f s processor\n", only.c_str(), t, CpuSeconds() - before);
        }
        manager->Release();
        return 0;
    }
    double task = -1, engine = -1, ffmpeg = -1;
    double taskCpu = -1, engineCpu = -1, ffmpegCpu = -1;
    auto cpu = [](double& best, double before) { best = Best(best, CpuSeconds() - before); };
    for (int i = 0; i < runs; ++i) {
        double before = CpuSeconds();
        task = Best(task, ThroughTask(manager, clip, folder, "task", &before));
        cpu(taskCpu, before);
        before = CpuSeconds();
        engine = Best(engine, ThroughEngine(clip, folder + "/engine.mp4", &before));
        cpu(engineCpu, before);
        before = CpuSeconds();
        ffmpeg = Best(ffmpeg, ThroughFfmpeg(clip, folder + "/ffmpeg.mp4"));
        cpu(ffmpegCpu, before);
    }
    manager->Release();
    if (task < 0 || engine < 0 || ffmpeg < 0) {
        std::fprintf(stderr, "a conversion failed (task %.2f, engine %.2f, ffmpeg %.2f)\n", task, engine, ffmpeg);
        return 1;
    }
    std::printf("source:  %s\n", Contents(clip).c_str());
    std::printf("           wall s   processor s\n");
    std::printf("task:    %7.2f %11.2f   %s\n", task, taskCpu, Contents(folder + "/task.mp4").c_str());
    std::printf("engine:  %7.2f %11.2f   %s\n", engine, engineCpu, Contents(folder + "/engine.mp4").c_str());
    std::printf("ffmpeg:  %7.2f %11.2f   %s\n", ffmpeg, ffmpegCpu, Contents(folder + "/ffmpeg.mp4").c_str());
    std::printf("task / engine:   %.3f wall, %.3f processor\n", task / engine, taskCpu / engineCpu);
    std::printf("engine / ffmpeg: %.3f wall, %.3f processor\n", engine / ffmpeg, engineCpu / ffmpegCpu);
    std::printf("task / ffmpeg:   %.3f wall, %.3f processor\n", task / ffmpeg, taskCpu / ffmpegCpu);
    return 0;
}
