// Exact lossless cuts where the pictures make them hard: transport streams
// without an index, open groups whose leading pictures refer to the group
// before, interlaced sources. Each row is a timeline clip trimmed to a range
// of pictures, converted by an output task through the real engine and
// convworker, and its output decoded by the ffmpeg program and by GStreamer
// with a decoder not from FFmpeg: both must give every picture of the
// range, each showing the source's picture of its place.

#include "../../MediaTestFolder.h"
#include "../../ProbeOutput.h"

#include "Basilvo/Basilvo.h"
#include "ConvertTaskInfo2.h"
#include "IAVConverter.h"
#include "IProfile.h"
#include "OutputTask/cmmoutputtask.h"
#include "ProjectData/cdcmediasrcmgr.h"
#include "ProjectData/cmediasourceitem.h"
#include "ProjectData/csourcedata.h"
#include "ProjectData/ctimelineitem.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using namespace Fablecut;

namespace {

const std::string kBin = FABLECUT_BIN_DIR;
const int kRate = 25; // every source's pictures a second

struct ProfileRelease
{
    void operator()(IProfile* p) const { p->Release(); }
};
struct EngineRelease
{
    void operator()(Moorland::IAVConverter* p) const { p->Release(); }
};

// How GStreamer reads a source's pictures without FFmpeg's decoders.
struct GstReader
{
    const char* demuxer;
    const char* decoder; // null: no such decoder reads these pictures
};

GstReader ReaderFor(const std::string& path, const std::string& codec)
{
    const bool ts = path.size() > 3 &&
                    (path.compare(path.size() - 3, 3, ".ts") == 0 || path.compare(path.size() - 5, 5, ".m2ts") == 0);
    const bool mkv = path.compare(path.size() - 4, 4, ".mkv") == 0;
    const char* demuxer = ts ? "tsdemux" : mkv ? "matroskademux" : "qtdemux";
    if (codec == "hevc")
        return {demuxer, "h265parse ! libde265dec"};
    if (codec == "mpeg2video")
        return {demuxer, "mpegvideoparse ! mpeg2dec"};
    return {demuxer, "h264parse ! openh264dec"};
}

long FfmpegPictures(const std::string& path)
{
    return std::atol(MediaTest::Capture("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                                        "stream=nb_read_frames -of csv=p=0 '" +
                                        path + "' 2>/dev/null")
                         .c_str());
}

long GstPictures(const std::string& path, const GstReader& reader)
{
    const std::string chains =
        MediaTest::Capture("gst-launch-1.0 -v filesrc location='" + path + "' ! " + reader.demuxer + " ! " +
                           reader.decoder + " ! fakesink silent=false sync=false 2>&1 | grep -c ' chain '");
    return std::atol(chains.c_str());
}

// The smallest PSNR of the output's pictures against the source's pictures
// [from, from + count): each output picture must be the source's of its place.
double LeastPsnr(const std::string& source, long from, long count, const std::string& out)
{
    const std::string log = MediaTest::Capture(
        "ffmpeg -nostdin -i '" + source + "' -i '" + out + "' -filter_complex \"[0:v]trim=start_frame=" +
        std::to_string(from) + ":end_frame=" + std::to_string(from + count) +
        ",setpts=PTS-STARTPTS[a];[1:v]setpts=PTS-STARTPTS[b];[a][b]psnr\" -f null - 2>&1 | grep -o 'min:[0-9.inf]*'");
    if (log.compare(0, 4, "min:") != 0)
        return 0;
    return log.compare(4, 3, "inf") == 0 ? 100 : std::atof(log.c_str() + 4);
}

// The pictures' field structure, "interlaced,top field first" a picture,
// each kind of line once with how many pictures have it.
std::map<std::string, long> FieldStructure(const std::string& path)
{
    std::map<std::string, long> kinds;
    std::istringstream lines(MediaTest::Capture("ffprobe -v error -select_streams v:0 -show_entries "
                                                "frame=interlaced_frame,top_field_first -of csv=p=0 '" +
                                                path + "' 2>/dev/null"));
    for (std::string line; std::getline(lines, line);) {
        while (!line.empty() && line.back() == ',')
            line.pop_back();
        if (!line.empty())
            ++kinds[line];
    }
    return kinds;
}

struct Row
{
    const char* source;
    long in;  // the first picture of the range
    long out; // the picture after the range
    int profile;
    const char* what; // the shape the row tries
    bool interlaced = false;
};

class LosslessCutPoints : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_folder.reset(new MediaTest::Folder("lossless-cutpoints"));
        const std::string dir = "cd '" + s_folder->Dir() + "' && ";
        const std::string ff = s_folder->FFmpeg();
        const std::string y4m = ff + "-f lavfi -i testsrc2=size=320x240:rate=25:duration=8 "
                                     "-pix_fmt yuv420p -f yuv4mpegpipe - | ";
        const std::string y4mInterlaced = ff + "-f lavfi -i testsrc2=size=720x576:rate=25:duration=6 "
                                               "-vf setfield=tff -pix_fmt yuv420p -f yuv4mpegpipe - | ";
        const std::string group = "--keyint 49 --min-keyint 49 --no-scenecut --fps 25 ";
        s_ok =
            !s_folder->Dir().empty() &&
            // A transport stream of groups of 49 pictures with B-pictures,
            // from the ffmpeg program and from GStreamer.
            MediaTest::Run(ff + "-f lavfi -i testsrc2=size=320x240:rate=25:duration=8 -c:v libx264 "
                                "-preset ultrafast -g 49 -keyint_min 49 -sc_threshold 0 -bf 2 "
                                "-pix_fmt yuv420p gop49.ts") &&
            MediaTest::Run(dir + "gst-launch-1.0 -q videotestsrc num-buffers=200 pattern=ball ! "
                                 "video/x-raw,format=I420,width=320,height=240,framerate=25/1 ! x264enc key-int-max=49 "
                                 "bframes=2 speed-preset=ultrafast ! h264parse ! mpegtsmux ! "
                                 "filesink location=gst49.ts > /dev/null") &&
            // HEVC in open groups, CRA key pictures with leading (RASL)
            // pictures, from the x265 program through mkvmerge.
            MediaTest::Run(y4m + "x265 --log-level error " + group +
                           "--bframes 4 --y4m - -o cra.hevc 2>/dev/null && mkvmerge -q -o cra.mkv "
                           "--default-duration 0:25fps cra.hevc") &&
            // Interlaced sources: MBAFF H.264 from x264 through mkvmerge,
            // and MPEG-2 in a transport stream.
            MediaTest::Run(y4mInterlaced + "x264 --quiet --tff --bframes 2 " + group +
                           "--demuxer y4m -o tff.264 - && mkvmerge -q -o tff264.mkv "
                           "--default-duration 0:25fps tff.264") &&
            MediaTest::Run(ff + "-f lavfi -i testsrc2=size=720x576:rate=25:duration=6 -vf setfield=tff "
                                "-c:v mpeg2video -flags +ildct+ilme -top 1 -g 15 -bf 2 -q:v 3 tffm2.ts");
    }
    static void TearDownTestSuite() { s_folder.reset(); }

    static std::unique_ptr<MediaTest::Folder> s_folder;
    static bool s_ok;
};

std::unique_ptr<MediaTest::Folder> LosslessCutPoints::s_folder;
bool LosslessCutPoints::s_ok = false;

QCoreApplication* App(const std::string& home)
{
    static int argc = 1;
    static char name[] = "test_LosslessCutPoints";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = [&] {
        setenv("HOME", home.c_str(), 1);
        return QCoreApplication::instance() ? QCoreApplication::instance() : new QCoreApplication(argc, argv);
    }();
    return app;
}

void Import(CSourceData& list, std::unique_ptr<CDCMediaSrcMgr>& importer, Moorland::IAVManager* manager,
            const MediaTest::Folder& folder, const std::vector<std::string>& names,
            std::map<std::string, CMediaSourceItem*>& clips)
{
    importer.reset(new CDCMediaSrcMgr(nullptr, manager));
    importer->SetSourceStructure(&list);
    importer->SetDefaultLibraryFile(QString::fromStdString(folder.Path("library.fml")));
    QStringList paths;
    for (const std::string& n : names)
        paths << QString::fromStdString(folder.Path(n.c_str()));
    QSignalSpy done(importer.get(), &CDCMediaSrcMgr::signal_OnAllFilesImportFinished);
    ASSERT_TRUE(importer->ImportMediaFiles(paths));
    QElapsedTimer timer;
    timer.start();
    while (done.isEmpty() && timer.elapsed() < 120000)
        done.wait(50);
    ASSERT_FALSE(done.isEmpty());
    for (ISourceDataItem* item : list.GetSourceDataItems()) {
        auto* clip = dynamic_cast<CMediaSourceItem*>(item);
        ASSERT_NE(clip, nullptr);
        clips[clip->GetSrcFileFullPath().section('/', -1).toStdString()] = clip;
    }
}

struct Job
{
    Row row;
    std::string name;
    std::unique_ptr<CTimelineItem> timeline;
    std::unique_ptr<CMMOutputTask> task;
    Moorland::ConvertTaskInfo2* record = nullptr;
};

void Check(const Job& job, const MediaTest::Folder& folder)
{
    SCOPED_TRACE(job.name);
    ASSERT_EQ(job.record->GetState(), 5);
    EXPECT_EQ(job.task->GetLosslessNotice().toStdString(), "") << "an exact cut needs no notice";
    const std::string out = job.task->GetTaskDstFilePath().toStdString();
    const std::string source = folder.Path(job.row.source);
    const long wanted = job.row.out - job.row.in;
    EXPECT_EQ(FfmpegPictures(out), wanted) << "pictures the ffmpeg program decodes";
    const std::string codec = MediaTest::Probe(out, "v", "-show_entries stream=codec_name")["codec_name"];
    // openh264 reads no interlaced (MBAFF) H.264.
    if (!(job.row.interlaced && codec == "h264")) {
        // mpeg2dec keeps back the last pictures of a stream whose sequence
        // does not end: it misses as many of the source itself.
        const GstReader reader = ReaderFor(out, codec);
        const long kept =
            codec != "mpeg2video" ? 0 : FfmpegPictures(source) - GstPictures(source, ReaderFor(source, codec));
        EXPECT_EQ(GstPictures(out, reader), wanted - kept) << "pictures GStreamer's " << reader.decoder << " decodes";
    }
    EXPECT_GT(LeastPsnr(source, job.row.in, wanted, out), 40.0) << "each picture is the source's of its place";
    if (job.row.interlaced) {
        const std::map<std::string, long> fields = FieldStructure(out);
        EXPECT_EQ(fields.size(), 1u);
        EXPECT_EQ(fields.count("1,1") ? fields.at("1,1") : 0, wanted) << "every picture interlaced, top field first";
    }
    const std::string errors =
        MediaTest::Capture("ffmpeg -nostdin -v error -i '" + out + "' -f null - 2>&1; echo rc=$?");
    EXPECT_EQ(errors, "rc=0\n");
}

} // namespace

// Profiles: 3001 the source's own container, 3101 MKV, 3201 MP4, 3301 M2TS.
TEST_F(LosslessCutPoints, ExactCutsKeepEveryPictureOfTheRange)
{
    ASSERT_TRUE(s_ok);
    if (access((kBin + "/convworker").c_str(), X_OK) != 0)
        GTEST_SKIP() << "convworker is not built";
    const std::string home = s_folder->Path("home");
    MediaTest::Run("mkdir -p '" + home + "' '" + s_folder->Path("out") + "'");
    App(home);
    MediaTest::ManagerHolder media;
    ASSERT_NE(media.manager, nullptr);

    const Row rows[] = {
        // In-points more than a second past their group's key picture in a
        // stream without an index: the seek must land before that key.
        {"gop49.ts", 30, 98, 3301, "TS, in-point 30 of a group of 49"},
        {"gop49.ts", 37, 98, 3001, "TS, in-point 37"},
        {"gop49.ts", 45, 98, 3301, "TS, in-point 45"},
        {"gop49.ts", 75, 147, 3301, "TS, in-point 75"},
        {"gop49.ts", 90, 147, 3201, "TS into MP4, in-point 90"},
        {"gop49.ts", 130, 196, 3101, "TS into MKV, in-point 130"},
        {"gst49.ts", 75, 147, 3301, "GStreamer's TS, in-point 75"},
        // In- and out-points on a CRA's leading pictures (46-48 lead the
        // key picture 49).
        {"cra.mkv", 47, 120, 3101, "HEVC, in-point on a leading picture"},
        {"cra.mkv", 46, 100, 3101, "HEVC, in-point on the first leading picture"},
        {"cra.mkv", 10, 47, 3101, "HEVC, out-point on a leading picture"},
        {"cra.mkv", 10, 48, 3201, "HEVC into MP4, out-point on the last leading picture"},
        {"cra.mkv", 20, 146, 3101, "HEVC over two open groups"},
        // Interlaced sources: the encoded pictures keep the field structure.
        {"tff264.mkv", 20, 75, 3301, "MBAFF H.264 into M2TS", true},
        {"tffm2.ts", 12, 75, 3301, "interlaced MPEG-2", true},
    };
    CSourceData list;
    std::unique_ptr<CDCMediaSrcMgr> importer;
    std::map<std::string, CMediaSourceItem*> clips;
    Import(list, importer, media.manager, *s_folder, {"gop49.ts", "gst49.ts", "cra.mkv", "tff264.mkv", "tffm2.ts"},
           clips);
    std::unique_ptr<Moorland::IAVConverter, EngineRelease> engine(CreateAVConverter(nullptr));
    ASSERT_TRUE(engine);
    engine->SetMaxRunProgressCount(2);
    engine->SetUseCPUCore(1);
    std::vector<std::unique_ptr<Job>> jobs;
    int n = 0;
    for (const Row& row : rows) {
        auto job = std::make_unique<Job>();
        job->row = row;
        job->name = std::string(row.source) + " [" + std::to_string(row.in) + ", " + std::to_string(row.out) +
                    ") with " + std::to_string(row.profile) + ": " + row.what;
        ASSERT_NE(clips[row.source], nullptr) << job->name;
        job->timeline.reset(new CTimelineItem());
        job->timeline->SetAVManager(media.manager);
        ASSERT_TRUE(job->timeline->AppendItem(clips[row.source])) << job->name;
        ISourceDataItem* clip = job->timeline->getItemByIndex(0);
        ASSERT_TRUE(job->timeline->SetItemTrimEndPos(clip, CBaseTime(static_cast<double>(row.out) / kRate)));
        ASSERT_TRUE(job->timeline->SetItemTrimStartPos(clip, CBaseTime(static_cast<double>(row.in) / kRate)));
        std::unique_ptr<IProfile, ProfileRelease> profile(CreateProfile());
        ASSERT_TRUE(profile && profile->LoadFile((kBin + "/profile/" + std::to_string(row.profile) + ".xml").c_str()));
        job->task.reset(new CMMOutputTask(media.manager, nullptr, nullptr));
        job->task->SetSrcTimelineItem(job->timeline.get());
        job->task->SetProfile(profile.get());
        job->task->SetOutputDstFloder(QString::fromStdString(s_folder->Path("out")));
        job->task->SetOutputDstName(QString("cut%1").arg(n++));
        GetQuentaException()->Clear();
        job->record = job->task->GenerateConverterTask(engine.get());
        ASSERT_NE(job->record, nullptr) << job->name << ": " << GetQuentaException()->GetExceptionMsg();
        jobs.push_back(std::move(job));
    }
    ASSERT_TRUE(engine->StartConvert());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(10);
    for (;;) {
        bool all = true;
        for (const auto& job : jobs)
            all = all && (job->record->GetState() == 4 || job->record->GetState() == 5);
        if (all || std::chrono::steady_clock::now() > deadline)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    for (const auto& job : jobs)
        Check(*job, *s_folder);
}
