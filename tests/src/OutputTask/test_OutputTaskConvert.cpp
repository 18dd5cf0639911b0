// Timelines converted the way the program does it: media imported into a
// library, clips put on a timeline, the output task submitting the job to
// the real engine, which runs the real convworker with shipped profiles.
// Every output is checked with ffprobe against the timeline's length and
// decoded with ffmpeg to prove it clean.

#include "../../MediaTestFolder.h"
#include "../../ProbeOutput.h"

#include "Basilvo/Basilvo.h"
#include "ConvertTaskInfo2.h"
#include "IAVConverter.h"
#include "IProfile.h"
#include "ProjectData/cdcmediasrcmgr.h"
#include "ProjectData/cmediasourceitem.h"
#include "OutputTask/cmmoutputtask.h"
#include "ProjectData/csourcedata.h"
#include "ProjectData/ctimelineitem.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using namespace Fablecut;

namespace {

const std::string kBin = FABLECUT_BIN_DIR;

QCoreApplication* App(const std::string& home)
{
    static int argc = 1;
    static char name[] = "test_OutputTaskConvert";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = [&] {
        // Settings stay inside the test's own folder.
        setenv("HOME", home.c_str(), 1);
        return QCoreApplication::instance() ? QCoreApplication::instance() : new QCoreApplication(argc, argv);
    }();
    return app;
}

struct ProfileRelease
{
    void operator()(IProfile* p) const { p->Release(); }
};
using ProfilePtr = std::unique_ptr<IProfile, ProfileRelease>;
struct EngineRelease
{
    void operator()(Moorland::IAVConverter* p) const { p->Release(); }
};

ProfilePtr ShippedProfile(int id)
{
    ProfilePtr p(CreateProfile());
    if (p && !p->LoadFile((kBin + "/profile/" + std::to_string(id) + ".xml").c_str()))
        p.reset();
    return p;
}

long FileSize(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : -1;
}

// The failure text of a job, from the engine's job file as this process maps it.
std::string JobErrorText(const Moorland::ConvertTaskInfo2* record)
{
    if (!record || record->ErrorText == 0)
        return std::string();
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
        if (line.find("/jobs.share") != std::string::npos) {
            const uintptr_t base = std::stoull(line.substr(0, line.find('-')), nullptr, 16);
            return reinterpret_cast<const char*>(base + 4 + record->ErrorText);
        }
    }
    return std::string();
}

// What ffprobe finds in one stream of a kind: its frames (pictures or
// sound blocks) and samples, and the time they cover.
struct StreamFacts
{
    bool present = false;
    long pictures = 0;
    long samples = 0;
    int sampleRate = 0;
    long block = 0;    // the most samples one sound frame holds
    std::string codec; // of the stream
    double rate = 0;   // pictures a second the stream states
    double first = -1; // time of the first and the last frame
    double last = -1;
};

StreamFacts Facts(const std::string& path, const char* kind)
{
    StreamFacts f;
    // "key_frame,pts_time[,nb_samples]" a frame.
    const std::string frames = MediaTest::Capture(std::string("ffprobe -v error -select_streams ") + kind +
                                                  ":0 -show_entries frame=key_frame,pts_time,nb_samples "
                                                  "-of csv=p=0 '" +
                                                  path + "' 2>/dev/null");
    auto stream = MediaTest::Probe(path, kind, "-show_entries stream=r_frame_rate,sample_rate,codec_name");
    f.present = !stream.empty();
    if (!f.present)
        return f;
    f.sampleRate = std::atoi(stream["sample_rate"].c_str());
    f.codec = stream["codec_name"];
    const std::string rate = stream["r_frame_rate"];
    const size_t slash = rate.find('/');
    if (slash != std::string::npos && std::atof(rate.substr(slash + 1).c_str()) > 0)
        f.rate = std::atof(rate.c_str()) / std::atof(rate.substr(slash + 1).c_str());
    std::istringstream lines(frames);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty())
            continue;
        ++f.pictures;
        std::vector<std::string> fields;
        std::istringstream parts(line);
        for (std::string field; std::getline(parts, field, ',');)
            fields.push_back(field);
        if (fields.size() > 1 && fields[1] != "N/A") {
            const double t = std::atof(fields[1].c_str());
            f.first = f.first < 0 ? t : std::min(f.first, t);
            f.last = std::max(f.last, t);
        }
        const long n = fields.size() > 2 ? std::atol(fields[2].c_str()) : 0;
        f.samples += n;
        f.block = std::max(f.block, n);
    }
    return f;
}

enum class Shape {
    OneClip,
    TwoTrimmedClips,
    TrimmedToItsStart, // trimmed to [0, 0]
    TrimmedToAPoint,   // trimmed to [1, 1]
};

struct Row
{
    const char* source;
    Shape shape;
    int profile;
    bool video; // the profile makes pictures
    bool audio; // the profile makes sound
    bool fails = false;
    const char* videoCodec = nullptr; // what ffprobe must name, when given
    const char* audioCodec = nullptr;
    int channels = 0; // of the sound, when given
    double rate = 0;  // the output's pictures a second, when not the profile's
    // The source's picture n has the level 16 + 4 n: every output picture
    // must show the one of its own time.
    bool numbered = false;
    // How many pictures, where the output keeps the source's own times
    // (a lossless copy of pictures at no steady rate); 0: by the rate.
    long pictures = 0;
};

class OutputTaskConvert : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_folder.reset(new MediaTest::Folder("outputtask-convert"));
        const std::string ff = s_folder->FFmpeg();
        const std::string v = "-f lavfi -i testsrc2=size=320x240:rate=25:duration=2 ";
        const std::string a = "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=2 ";
        s_ok = !s_folder->Dir().empty() &&
               MediaTest::Run(ff + v + a +
                              "-c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -b:a 64k "
                              "h264.mp4") &&
               MediaTest::Run(ff + v + a + "-c:v mpeg4 -q:v 5 -c:a libmp3lame -b:a 64k mpeg4.avi") &&
               MediaTest::Run(ff + v + a + "-c:v libtheora -q:v 5 -c:a libvorbis theora.ogg") &&
               MediaTest::Run(ff + v + "-c:v libx264 -preset ultrafast -pix_fmt yuv420p silent.mp4") &&
               MediaTest::Run(ff + "-f lavfi -i testsrc2=size=320x240:rate=25:duration=1 " + a +
                              "-c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -b:a 64k longsound.mp4") &&
               // A phone's clip: pictures a little over 1/60 s apart with a
               // pause, so that its average rate is no standard one.
               MediaTest::Run(ff + "-f lavfi -i testsrc2=size=320x240:rate=60:duration=2 " + a +
                              "-vf \"settb=1/90000,setpts='N/(59.97*TB)',select='not(between(n\\,30\\,39))'\" "
                              "-fps_mode passthrough -enc_time_base:v 1/90000 -video_track_timescale 90000 "
                              "-c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -b:a 64k phone.mp4") &&
               MediaTest::Run(ff + v +
                              "-f lavfi -i sine=frequency=440:sample_rate=48000:duration=2 "
                              "-af aformat=channel_layouts=5.1 -c:v libx264 -preset ultrafast "
                              "-pix_fmt yuv420p -c:a flac surround.mkv") &&
               // Whole when imported; the first test cuts it to a third
               // afterwards, its index intact: a file damaged since.
               MediaTest::Run(ff + v + a +
                              "-c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -b:a 64k "
                              "-movflags +faststart damaged.mp4") &&
               MediaTest::Run(ff + v + a +
                              "-c:v libvpx -deadline realtime -cpu-used 8 -b:v 300k -c:a libvorbis "
                              "vorbis.webm") &&
               MediaTest::Run(ff + v +
                              "-f lavfi -i sine=frequency=440:sample_rate=48000:duration=2 "
                              "-af aformat=channel_layouts=5.1 -c:v libx264 -preset ultrafast "
                              "-pix_fmt yuv420p -c:a libvorbis vorbis51.mkv") &&
               // Pictures at no steady rate, as a screen recorder leaves them.
               MediaTest::Run(ff + "-f lavfi -i testsrc2=size=320x240:rate=30:duration=2 " + a +
                              "-vf \"select='not(between(n\\,20\\,34))'\" -fps_mode passthrough "
                              "-c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a libvorbis variable.mkv") &&
               // Sound that runs on after the last picture, as other programs write it.
               MediaTest::Run(ff + "-f lavfi -i testsrc2=size=320x240:rate=25:duration=1.2 -f lavfi -i "
                                   "sine=frequency=440:sample_rate=44100:duration=1.6 -c:v libtheora -q:v 5 "
                                   "-c:a libvorbis soundlonger.ogg") &&
               MediaTest::Run(ff + "-f lavfi -i testsrc2=size=320x240:rate=25:duration=1.2 -f lavfi -i "
                                   "sine=frequency=440:sample_rate=44100:duration=1.6 -c:v mpeg4 -q:v 5 "
                                   "-c:a libmp3lame -b:a 64k soundlonger.avi") &&
               // A copy that stopped half-way, and one that stopped at a third
               // with its index intact.
               MediaTest::Run(ff + v + a + "-c:v mpeg4 -q:v 5 -c:a libmp3lame -b:a 64k whole.avi") &&
               MediaTest::Run("cd '" + s_folder->Dir() +
                              "' && head -c $(( $(stat -c %s whole.avi) / 2 )) whole.avi "
                              "> cut.avi && head -c $(( $(stat -c %s damaged.mp4) / 3 )) damaged.mp4 > cut.mp4");
    }
    static void TearDownTestSuite() { s_folder.reset(); }

    static std::unique_ptr<MediaTest::Folder> s_folder;
    static bool s_ok;
};

std::unique_ptr<MediaTest::Folder> OutputTaskConvert::s_folder;
bool OutputTaskConvert::s_ok = false;

// One job of the table, from the timeline to the finished file.
struct Job
{
    Row row;
    std::unique_ptr<CTimelineItem> timeline;
    std::unique_ptr<CMMOutputTask> task;
    Moorland::ConvertTaskInfo2* record = nullptr;
    double seconds = 0;
    std::string name;
};

// A library filled the way the import dialog fills it: its clips by file
// name, and the failures it reported (file, text).
struct Library
{
    CSourceData list;
    std::unique_ptr<CDCMediaSrcMgr> importer;
    std::map<std::string, CMediaSourceItem*> clips;
    std::vector<std::pair<std::string, std::string>> failures;
};

void Import(Library& library, Moorland::IAVManager* manager, const MediaTest::Folder& folder,
            const std::vector<const char*>& names)
{
    library.importer.reset(new CDCMediaSrcMgr(nullptr, manager));
    library.importer->SetSourceStructure(&library.list);
    library.importer->SetDefaultLibraryFile(QString::fromStdString(folder.Path("library.fml")));
    QStringList paths;
    for (const char* n : names)
        paths << QString::fromStdString(folder.Path(n));
    QSignalSpy done(library.importer.get(), &CDCMediaSrcMgr::signal_OnAllFilesImportFinished);
    QSignalSpy failed(library.importer.get(), &CDCMediaSrcMgr::signal_OnSingleFileImportFailed);
    ASSERT_TRUE(library.importer->ImportMediaFiles(paths));
    QElapsedTimer timer;
    timer.start();
    while (done.isEmpty() && timer.elapsed() < 60000)
        done.wait(50);
    ASSERT_FALSE(done.isEmpty());
    for (const QList<QVariant>& f : failed)
        library.failures.emplace_back(f.value(0).toString().toStdString(), f.value(1).toString().toStdString());
    for (ISourceDataItem* item : library.list.GetSourceDataItems()) {
        auto* clip = dynamic_cast<CMediaSourceItem*>(item);
        ASSERT_NE(clip, nullptr);
        library.clips[clip->GetSrcFileFullPath().section('/', -1).toStdString()] = clip;
    }
}

class Conversions
{
public:
    explicit Conversions(Moorland::IAVManager* manager) : m_manager(manager)
    {
        m_engine.reset(CreateAVConverter(nullptr));
        if (m_engine) {
            m_engine->SetMaxRunProgressCount(2);
            m_engine->SetUseCPUCore(1);
        }
    }

    // A timeline of the row's clip, shaped as the row says, handed to the
    // engine through an output task.
    void Add(const Row& row, CMediaSourceItem* clip, const MediaTest::Folder& folder)
    {
        ASSERT_TRUE(m_engine);
        ASSERT_NE(clip, nullptr) << row.source;
        auto job = std::make_unique<Job>();
        job->row = row;
        static const char* const kShapes[] = {" whole", " two cuts", " trimmed to [0, 0]", " trimmed to [1, 1]"};
        job->name =
            std::string(row.source) + kShapes[static_cast<int>(row.shape)] + " with " + std::to_string(row.profile);
        job->timeline.reset(new CTimelineItem());
        job->timeline->SetAVManager(m_manager);
        ASSERT_TRUE(job->timeline->AppendItem(clip)) << job->name;
        ISourceDataItem* first = job->timeline->getItemByIndex(0);
        switch (row.shape) {
        case Shape::OneClip: break;
        case Shape::TwoTrimmedClips: {
            ASSERT_TRUE(job->timeline->AppendItem(clip)) << job->name;
            ISourceDataItem* second = job->timeline->getItemByIndex(1);
            ASSERT_TRUE(job->timeline->SetItemTrimStartPos(first, CBaseTime(0.4))) << job->name;
            ASSERT_TRUE(job->timeline->SetItemTrimEndPos(first, CBaseTime(1.6))) << job->name;
            ASSERT_TRUE(job->timeline->SetItemTrimEndPos(second, CBaseTime(0.8))) << job->name;
            break;
        }
        case Shape::TrimmedToItsStart:
            ASSERT_TRUE(job->timeline->SetItemTrimEndPos(first, CBaseTime(0.0))) << job->name;
            break;
        case Shape::TrimmedToAPoint:
            ASSERT_TRUE(job->timeline->SetItemTrimStartPos(first, CBaseTime(1.0))) << job->name;
            ASSERT_TRUE(job->timeline->SetItemTrimEndPos(first, CBaseTime(1.0))) << job->name;
            break;
        }
        job->seconds = job->timeline->GetDuration().ToSeconds();
        ProfilePtr profile = ShippedProfile(row.profile);
        ASSERT_TRUE(profile) << row.profile;
        if (row.rate > 0)
            profile->GetVideoProfile()->SetFrameRate(row.rate);
        job->task.reset(new CMMOutputTask(m_manager, nullptr, nullptr));
        job->task->SetSrcTimelineItem(job->timeline.get());
        job->task->SetProfile(profile.get());
        job->task->SetOutputDstFloder(QString::fromStdString(folder.Path("out")));
        job->task->SetOutputDstName(QString("job%1").arg(s_count++));
        GetQuentaException()->Clear();
        job->record = job->task->GenerateConverterTask(m_engine.get());
        ASSERT_NE(job->record, nullptr) << job->name << ": " << GetQuentaException()->GetExceptionMsg();
        m_jobs.push_back(std::move(job));
    }

    // Runs every job to its end and checks each.
    void RunAndCheck(const MediaTest::Folder& folder)
    {
        ASSERT_TRUE(m_engine);
        ASSERT_TRUE(m_engine->StartConvert());
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(8);
        for (;;) {
            bool all = true;
            for (const auto& job : m_jobs)
                all = all && (job->record->GetState() == 4 || job->record->GetState() == 5);
            if (all || std::chrono::steady_clock::now() > deadline)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        for (const auto& job : m_jobs)
            Check(*job, folder);
    }

private:
    static void Check(const Job& job, const MediaTest::Folder& folder)
    {
        const Row& row = job.row;
        const std::string out = job.task->GetTaskDstFilePath().toStdString();
        const int state = job.record->GetState();
        if (row.fails) {
            const std::string text = JobErrorText(job.record);
            EXPECT_EQ(state, 4) << job.name;
            EXPECT_NE(text.find(folder.Path(row.source)), std::string::npos) << text;
            EXPECT_EQ(text.find(".seix"), std::string::npos) << text;
            EXPECT_EQ(FileSize(out), -1) << job.name << ": a failed job leaves no file looking finished";
            return;
        }
        EXPECT_EQ(state, 5) << job.name << ": " << JobErrorText(job.record);
        if (state != 5)
            return;
        EXPECT_EQ(job.record->GetPercent(), 100.0) << job.name;
        EXPECT_EQ(job.record->GetBytesWritten(), FileSize(out)) << job.name;

        const StreamFacts pictures = Facts(out, "v");
        const StreamFacts sound = Facts(out, "a");
        EXPECT_EQ(pictures.present, row.video) << job.name;
        EXPECT_EQ(sound.present, row.audio) << job.name;
        if (row.videoCodec) {
            EXPECT_EQ(pictures.codec, row.videoCodec) << job.name;
        }
        if (row.audioCodec) {
            EXPECT_EQ(sound.codec, row.audioCodec) << job.name;
        }
        if (row.channels) {
            EXPECT_EQ(MediaTest::Probe(out, "a", "-show_entries stream=channels")["channels"],
                      std::to_string(row.channels))
                << job.name;
        }
        // Within one picture of the timeline, for the pictures and the sound alike.
        const double picture = pictures.rate > 0 ? 1.0 / pictures.rate : 0.04;
        if (row.video && pictures.present) {
            // Theora keeps a picture shown again as an empty packet, which
            // ffprobe does not count; the time the pictures span tells.
            if (row.pictures > 0) {
                EXPECT_EQ(pictures.pictures, row.pictures) << job.name;
            } else if (pictures.codec != "theora") {
                EXPECT_NEAR(static_cast<double>(pictures.pictures), job.seconds * pictures.rate, 1.01)
                    << job.name << " at " << pictures.rate << " a second";
            }
            // AVI stores no picture times: ffprobe guesses its first few a
            // picture or two apart.
            EXPECT_NEAR(pictures.last - pictures.first + picture, job.seconds, picture * 3.01)
                << job.name << ": the pictures' span";
        }
        if (row.audio && sound.present) {
            ASSERT_GT(sound.sampleRate, 0) << job.name;
            // Coded sound in a container that does not record its
            // encoder's delay (MP3 in AVI, AAC in Matroska) keeps that
            // delay: less than one coded block more.
            const bool coded = sound.codec.compare(0, 4, "pcm_") != 0;
            const double block = coded ? static_cast<double>(sound.block) / sound.sampleRate : 0.0;
            EXPECT_NEAR(static_cast<double>(sound.samples) / sound.sampleRate, job.seconds, picture * 1.01 + block)
                << job.name;
        }
        if (row.numbered)
            CheckPictureOrder(job.name, out, pictures.rate);
        // Clean all through.
        const std::string errors =
            MediaTest::Capture("ffmpeg -nostdin -v error -xerror -i '" + out + "' -f null - 2>&1; echo rc=$?");
        EXPECT_EQ(errors, "rc=0\n") << job.name;
    }

    // The numbered source runs at 25 pictures a second; the output's
    // pictures come at `rate` (AVI stores no times to go by).
    static void CheckPictureOrder(const std::string& name, const std::string& out, double rate)
    {
        const std::string levels =
            MediaTest::Capture("ffprobe -v error -f lavfi \"movie='" + out +
                               "',signalstats\" "
                               "-show_entries frame_tags=lavfi.signalstats.YAVG -of csv=p=0 2>/dev/null");
        std::istringstream lines(levels);
        std::string line, shown, wanted;
        int count = 0;
        while (std::getline(lines, line)) {
            if (line.empty())
                continue;
            shown += std::to_string(std::lround((std::atof(line.c_str()) - 16) / 4)) + " ";
            wanted += std::to_string(static_cast<long>(std::floor(count * 25 / rate + 0.01))) + " ";
            ++count;
        }
        EXPECT_GT(count, 0) << name;
        EXPECT_NEAR(rate, 50, 0.01) << name;
        EXPECT_EQ(shown, wanted) << name << ": the source pictures each output picture shows";
    }

    Moorland::IAVManager* m_manager;
    std::unique_ptr<Moorland::IAVConverter, EngineRelease> m_engine;
    std::vector<std::unique_ptr<Job>> m_jobs;
    static int s_count;
};

int Conversions::s_count = 0;

// Each test converts in a fresh engine, with settings kept in the test's folder.
void Prepare(const MediaTest::Folder& folder)
{
    const std::string home = folder.Path("home");
    MediaTest::Run("mkdir -p '" + home + "' '" + folder.Path("out") + "'");
    App(home);
}

bool WorkerBuilt()
{
    return access((kBin + "/convworker").c_str(), X_OK) == 0;
}

} // namespace

TEST_F(OutputTaskConvert, TimelinesConvertWholeWithEveryProfileKind)
{
    ASSERT_TRUE(s_ok);
    if (!WorkerBuilt())
        GTEST_SKIP() << "convworker is not built";
    Prepare(*s_folder);
    MediaTest::ManagerHolder media;
    ASSERT_NE(media.manager, nullptr);
    Library library;
    Import(library, media.manager, *s_folder,
           {"h264.mp4", "mpeg4.avi", "theora.ogg", "silent.mp4", "longsound.mp4", "phone.mp4", "damaged.mp4",
            "surround.mkv"});
    for (const auto& f : library.failures)
        ADD_FAILURE() << f.first << ": " << f.second;
    ASSERT_EQ(library.clips.size(), 8u);
    // Damaged after it was imported: only its conversion can tell.
    ASSERT_TRUE(
        MediaTest::Run("cd '" + s_folder->Dir() + "' && truncate -s $(( $(stat -c %s damaged.mp4) / 3 )) damaged.mp4"));

    const Row rows[] = {
        {"h264.mp4", Shape::OneClip, 101, true, true},            // MP4, H.264
        {"h264.mp4", Shape::TwoTrimmedClips, 105, true, true},    // AVI, MPEG-4
        {"mpeg4.avi", Shape::OneClip, 104, true, true},           // MKV
        {"mpeg4.avi", Shape::TwoTrimmedClips, 301, false, true},  // MP3
        {"theora.ogg", Shape::OneClip, 109, true, true},          // WebM
        {"theora.ogg", Shape::TwoTrimmedClips, 302, false, true}, // AAC
        {"silent.mp4", Shape::OneClip, 118, true, true},          // DV: sound the format must hold
        {"silent.mp4", Shape::TwoTrimmedClips, 101, true, true},
        {"longsound.mp4", Shape::OneClip, 101, true, true},
        {"longsound.mp4", Shape::OneClip, 2004, true, true}, // MOV, ProRes
        {"phone.mp4", Shape::OneClip, 105, true, true},
        {"phone.mp4", Shape::TwoTrimmedClips, 112, true, true}, // MPEG-2
        {"h264.mp4", Shape::OneClip, 3101, true, true},         // lossless MKV
        {"mpeg4.avi", Shape::OneClip, 3001, true, true},        // lossless, the source's own format
        {"h264.mp4", Shape::TwoTrimmedClips, 4003, true, true}, // an upload task
        {"surround.mkv", Shape::OneClip, 104, true, true},      // 5.1 FLAC into stereo
        {"damaged.mp4", Shape::OneClip, 101, true, true, true}, // fails, naming the user's file
    };
    Conversions conversions(media.manager);
    for (const Row& row : rows)
        conversions.Add(row, library.clips[row.source], *s_folder);
    conversions.RunAndCheck(*s_folder);
}

// Lossless outputs copy each clip's streams as they are; a clip without
// sound gives a file without sound.
TEST_F(OutputTaskConvert, LosslessOutputsOfAnySource)
{
    ASSERT_TRUE(s_ok);
    if (!WorkerBuilt())
        GTEST_SKIP() << "convworker is not built";
    Prepare(*s_folder);
    MediaTest::ManagerHolder media;
    ASSERT_NE(media.manager, nullptr);
    Library library;
    Import(library, media.manager, *s_folder,
           {"theora.ogg", "vorbis.webm", "vorbis51.mkv", "variable.mkv", "silent.mp4"});
    ASSERT_TRUE(library.failures.empty()) << library.failures.front().first << ": " << library.failures.front().second;

    Row rows[] = {
        {"theora.ogg", Shape::OneClip, 3001, true, true},          {"theora.ogg", Shape::OneClip, 3101, true, true},
        {"vorbis.webm", Shape::OneClip, 3001, true, true},         {"vorbis.webm", Shape::OneClip, 3101, true, true},
        {"vorbis51.mkv", Shape::OneClip, 3101, true, true},        {"vorbis51.mkv", Shape::OneClip, 3001, true, true},
        {"variable.mkv", Shape::OneClip, 3101, true, true},        {"silent.mp4", Shape::OneClip, 3301, true, false},
        {"silent.mp4", Shape::TwoTrimmedClips, 3201, true, false}, {"silent.mp4", Shape::OneClip, 3101, true, false},
    };
    const char* const codecs[][2] = {
        {"theora", "vorbis"}, {"theora", "vorbis"}, {"vp8", "vorbis"}, {"vp8", "vorbis"}, {"h264", "vorbis"},
        {"h264", "vorbis"},   {"h264", "vorbis"},   {"h264", nullptr}, {"h264", nullptr}, {"h264", nullptr},
    };
    static_assert(sizeof(codecs) / sizeof(codecs[0]) == sizeof(rows) / sizeof(rows[0]), "a codec pair a row");
    Conversions conversions(media.manager);
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        rows[i].videoCodec = codecs[i][0];
        rows[i].audioCodec = codecs[i][1];
        rows[i].channels = std::string(rows[i].source) == "vorbis51.mkv" ? 6 : 0;
        // The copy keeps the gap in the source's pictures as it is.
        rows[i].pictures = std::string(rows[i].source) == "variable.mkv" ? 45 : 0;
        conversions.Add(rows[i], library.clips[rows[i].source], *s_folder);
    }
    conversions.RunAndCheck(*s_folder);
}

// Before a lossless task starts, it is refused when its container can't
// hold the clips' pictures, and says what it leaves out or where its cuts
// fall back; nothing of that reaches the engine as a job that fails later.
TEST_F(OutputTaskConvert, LosslessTasksSayBeforeTheyStartWhatTheyCannotCopy)
{
    ASSERT_TRUE(s_ok);
    Prepare(*s_folder);
    MediaTest::ManagerHolder media;
    ASSERT_NE(media.manager, nullptr);
    Library library;
    // A phone's clip recorded turned.
    ASSERT_TRUE(MediaTest::Run(s_folder->FFmpeg() + "-i h264.mp4 -c copy turned.mp4") &&
                MediaTest::TurnMp4(s_folder->Path("turned.mp4"), 90));
    Import(library, media.manager, *s_folder, {"theora.ogg", "vorbis51.mkv", "h264.mp4", "turned.mp4"});
    ASSERT_TRUE(library.failures.empty()) << library.failures.front().first << ": " << library.failures.front().second;
    struct Case
    {
        const char* source;
        bool trimmed;
        int profile;
        const char* refusal; // part of the reason, or null: handed over
        const char* notice;  // part of the task's notice, or "" for none
    };
    const Case cases[] = {
        {"theora.ogg", false, 3201, "MP4 can't hold the clip's theora pictures", ""},
        {"theora.ogg", false, 3301, "M2TS can't hold the clip's theora pictures", ""},
        {"vorbis51.mkv", false, 3301, nullptr, "M2TS can't hold the vorbis sound: it is left out"},
        {"theora.ogg", true, 3001, nullptr, "the clips start at their next key picture"},
        {"h264.mp4", true, 3201, nullptr, ""},
        {"turned.mp4", false, 3101, nullptr, "MKV keeps the clip's turn only as a \"rotate\" tag"},
        {"turned.mp4", false, 3201, nullptr, ""},
        {"h264.mp4", false, 3101, nullptr, ""},
    };
    std::unique_ptr<Moorland::IAVConverter, EngineRelease> engine(CreateAVConverter(nullptr));
    ASSERT_TRUE(engine);
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.source) + " with " + std::to_string(c.profile));
        CTimelineItem timeline;
        timeline.SetAVManager(media.manager);
        ASSERT_TRUE(timeline.AppendItem(library.clips[c.source]));
        if (c.trimmed)
            ASSERT_TRUE(timeline.SetItemTrimStartPos(timeline.getItemByIndex(0), CBaseTime(0.5)));
        ProfilePtr profile = ShippedProfile(c.profile);
        ASSERT_TRUE(profile);
        CMMOutputTask task(media.manager, nullptr, nullptr);
        task.SetSrcTimelineItem(&timeline);
        task.SetProfile(profile.get());
        task.SetOutputDstFloder(QString::fromStdString(s_folder->Path("out")));
        task.SetOutputDstName(QString("check%1").arg(n++));
        GetQuentaException()->Clear();
        Moorland::ConvertTaskInfo2* record = task.GenerateConverterTask(engine.get());
        if (c.refusal) {
            EXPECT_EQ(record, nullptr);
            const char* text = GetQuentaException()->GetExceptionMsg();
            EXPECT_NE(std::string(text ? text : "").find(c.refusal), std::string::npos) << (text ? text : "");
            continue;
        }
        ASSERT_NE(record, nullptr) << GetQuentaException()->GetExceptionMsg();
        const std::string notice = task.GetLosslessNotice().toStdString();
        if (*c.notice)
            EXPECT_NE(notice.find(c.notice), std::string::npos) << notice;
        else
            EXPECT_EQ(notice, "");
        engine->RemoveConvertTask(task.GetConvertTaskID());
    }
}

// A clip whose sound runs on after its last picture: the timeline holds that
// picture to the clip's end, and the output is as long as the timeline.
TEST_F(OutputTaskConvert, SoundOutlastingThePicturesKeepsTheLastPicture)
{
    ASSERT_TRUE(s_ok);
    if (!WorkerBuilt())
        GTEST_SKIP() << "convworker is not built";
    Prepare(*s_folder);
    MediaTest::ManagerHolder media;
    ASSERT_NE(media.manager, nullptr);
    Library library;
    Import(library, media.manager, *s_folder, {"soundlonger.ogg", "soundlonger.avi"});
    ASSERT_TRUE(library.failures.empty()) << library.failures.front().first << ": " << library.failures.front().second;
    const Row rows[] = {
        {"soundlonger.ogg", Shape::OneClip, 116, true, true},  // Ogg at the clip's own rate
        {"soundlonger.avi", Shape::OneClip, 1305, true, true}, // DVD at 29.97
        {"soundlonger.avi", Shape::OneClip, 116, true, true},
        {"soundlonger.ogg", Shape::OneClip, 1305, true, true},
    };
    Conversions conversions(media.manager);
    for (const Row& row : rows)
        conversions.Add(row, library.clips[row.source], *s_folder);
    conversions.RunAndCheck(*s_folder);
}

// A trim never leaves less than one picture: [0, 0] is not the whole file,
// and [t, t] does not spoil the timeline.
TEST_F(OutputTaskConvert, TrimsKeepAtLeastOnePicture)
{
    ASSERT_TRUE(s_ok);
    if (!WorkerBuilt())
        GTEST_SKIP() << "convworker is not built";
    Prepare(*s_folder);
    MediaTest::ManagerHolder media;
    ASSERT_NE(media.manager, nullptr);
    Library library;
    Import(library, media.manager, *s_folder, {"h264.mp4"});
    ASSERT_EQ(library.clips.size(), 1u);
    const Row rows[] = {
        {"h264.mp4", Shape::TrimmedToItsStart, 101, true, true},
        {"h264.mp4", Shape::TrimmedToAPoint, 101, true, true},
        {"h264.mp4", Shape::TrimmedToAPoint, 105, true, true},
    };
    Conversions conversions(media.manager);
    for (const Row& row : rows)
        conversions.Add(row, library.clips[row.source], *s_folder);
    conversions.RunAndCheck(*s_folder);
}

// A file whose data stops before the length its header states is refused
// when it is imported, naming the file; the whole file beside it is taken.
TEST_F(OutputTaskConvert, ACutFileIsReportedAtImport)
{
    ASSERT_TRUE(s_ok);
    Prepare(*s_folder);
    MediaTest::ManagerHolder media;
    ASSERT_NE(media.manager, nullptr);
    Library library;
    Import(library, media.manager, *s_folder, {"whole.avi", "cut.avi", "cut.mp4"});
    EXPECT_EQ(library.clips.count("whole.avi"), 1u);
    EXPECT_EQ(library.clips.count("cut.avi"), 0u);
    EXPECT_EQ(library.clips.count("cut.mp4"), 0u);
    std::map<std::string, std::string> failures(library.failures.begin(), library.failures.end());
    for (const char* name : {"cut.avi", "cut.mp4"}) {
        const std::string text = failures[s_folder->Path(name)];
        EXPECT_NE(text.find(s_folder->Path(name)), std::string::npos) << name << ": " << text;
        EXPECT_NE(text.find("damaged"), std::string::npos) << name << ": " << text;
        EXPECT_NE(text.find("cut short"), std::string::npos) << name << ": " << text;
    }
}

// The formats an editing program or a DVD player takes have a frame of
// their own: whatever shape the timeline has, the file states the format's
// pixel shape and field order, and the picture keeps its shape inside it.
TEST_F(OutputTaskConvert, FixedFramesKeepThePictureShape)
{
    ASSERT_TRUE(s_ok);
    if (access((kBin + "/convworker").c_str(), X_OK) != 0)
        GTEST_SKIP() << "convworker is not built";
    const std::string home = s_folder->Path("home");
    const std::string outDir = s_folder->Path("shape");
    MediaTest::Run("mkdir -p '" + home + "' '" + outDir + "'");
    App(home);
    // White pictures, so the bars stand apart; 16:9 and 4:3.
    const std::string ff = s_folder->FFmpeg();
    const std::string sound = "-f lavfi -i sine=frequency=440:sample_rate=48000:duration=0.6 ";
    ASSERT_TRUE(MediaTest::Run(ff + "-f lavfi -i color=c=white:size=320x180:rate=25:duration=0.6 " + sound +
                               "-c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -b:a 64k wide.mp4"));
    ASSERT_TRUE(MediaTest::Run(ff + "-f lavfi -i color=c=white:size=320x240:rate=25:duration=0.6 " + sound +
                               "-c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -b:a 64k narrow.mp4"));
    MediaTest::ManagerHolder media;
    ASSERT_NE(media.manager, nullptr);
    CSourceData library;
    CDCMediaSrcMgr importer(nullptr, media.manager);
    importer.SetSourceStructure(&library);
    importer.SetDefaultLibraryFile(QString::fromStdString(s_folder->Path("shape.fml")));
    {
        QSignalSpy done(&importer, &CDCMediaSrcMgr::signal_OnAllFilesImportFinished);
        ASSERT_TRUE(importer.ImportMediaFiles(QStringList{QString::fromStdString(s_folder->Path("wide.mp4")),
                                                          QString::fromStdString(s_folder->Path("narrow.mp4"))}));
        QElapsedTimer timer;
        timer.start();
        while (done.isEmpty() && timer.elapsed() < 60000)
            done.wait(50);
        ASSERT_FALSE(done.isEmpty());
    }
    std::map<std::string, CMediaSourceItem*> clips;
    for (ISourceDataItem* item : library.GetSourceDataItems()) {
        auto* clip = dynamic_cast<CMediaSourceItem*>(item);
        ASSERT_NE(clip, nullptr);
        clips[clip->GetSrcFileFullPath().section('/', -1).toStdString()] = clip;
    }
    ASSERT_EQ(clips.size(), 2u);

    struct Case
    {
        int profile;
        const char* wideSar;   // the pixel shape stated for the 16:9 timeline
        const char* narrowSar; // and for the 4:3 one
        const char* fields;    // the field order stated
        int pictureTop;        // lines above the picture area
    };
    const Case cases[] = {
        {2101, "1:1", "1:1", "progressive", 0}, // ProRes 422: the timeline's own frame
        {2102, "1:1", "1:1", "progressive", 0}, {2103, "1:1", "1:1", "progressive", 0},
        {2104, "1:1", "1:1", "progressive", 0}, {2105, "1:1", "1:1", "progressive", 0},
        {2106, "32:27", "8:9", "bb", 0},        // DV NTSC 720x480, 16:9 or 4:3
        {2107, "64:45", "16:15", "bb", 0},      // DV PAL 720x576
        {2108, "64:45", "16:15", "bb", 0},      // DVCPRO50 PAL
        {2109, "4:3", "4:3", "tt", 0},          // DVCPRO HD 1440x1080, always 16:9
        {2110, "4:3", "4:3", "tt", 0},          // HDV 1440x1080
        {2111, "1:1", "1:1", "progressive", 0}, // XDCAM EX 1920x1080
        {2112, "64:45", "16:15", "tt", 32},     // IMX 720x608: 32 lines above 576
        {2201, "1:1", "1:1", "progressive", 0}, // Animation
        {2202, "1:1", "1:1", "progressive", 0}, // H.264
        {1304, "64:45", "64:45", nullptr, 0},   // DVD PAL, a 16:9 frame
        {1305, "32:27", "32:27", nullptr, 0},   // DVD NTSC
    };

    std::unique_ptr<Moorland::IAVConverter, EngineRelease> engine(CreateAVConverter(nullptr));
    ASSERT_TRUE(engine);
    engine->SetMaxRunProgressCount(2);
    engine->SetUseCPUCore(1);
    struct ShapeJob
    {
        const Case* c;
        const char* source;
        double shape;
        std::unique_ptr<CTimelineItem> timeline;
        std::unique_ptr<CMMOutputTask> task;
        Moorland::ConvertTaskInfo2* record = nullptr;
    };
    std::vector<std::unique_ptr<ShapeJob>> jobs;
    int n = 0;
    for (const Case& c : cases) {
        for (const char* source : {"wide.mp4", "narrow.mp4"}) {
            auto job = std::make_unique<ShapeJob>();
            job->c = &c;
            job->source = source;
            job->shape = std::string(source) == "wide.mp4" ? 16.0 / 9.0 : 4.0 / 3.0;
            job->timeline.reset(new CTimelineItem());
            job->timeline->SetAVManager(media.manager);
            ASSERT_TRUE(job->timeline->AppendItem(clips[source]));
            ProfilePtr profile = ShippedProfile(c.profile);
            ASSERT_TRUE(profile) << c.profile;
            job->task.reset(new CMMOutputTask(media.manager, nullptr, nullptr));
            job->task->SetSrcTimelineItem(job->timeline.get());
            job->task->SetProfile(profile.get());
            job->task->SetOutputDstFloder(QString::fromStdString(outDir));
            job->task->SetOutputDstName(QString("shape%1").arg(n++));
            GetQuentaException()->Clear();
            job->record = job->task->GenerateConverterTask(engine.get());
            ASSERT_NE(job->record, nullptr) << c.profile << ": " << GetQuentaException()->GetExceptionMsg();
            jobs.push_back(std::move(job));
        }
    }
    ASSERT_TRUE(engine->StartConvert());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(8);
    for (;;) {
        bool all = true;
        for (const auto& job : jobs)
            all = all && (job->record->GetState() == 4 || job->record->GetState() == 5);
        if (all || std::chrono::steady_clock::now() > deadline)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }

    for (const auto& job : jobs) {
        const Case& c = *job->c;
        const bool wide = std::string(job->source) == "wide.mp4";
        SCOPED_TRACE(std::to_string(c.profile) + " from " + job->source);
        EXPECT_EQ(job->record->GetState(), 5) << JobErrorText(job->record);
        if (job->record->GetState() != 5)
            continue;
        const std::string out = job->task->GetTaskDstFilePath().toStdString();
        auto v = MediaTest::Probe(out, "v", "-show_entries stream=width,height,sample_aspect_ratio,field_order");
        const int width = std::atoi(v["width"].c_str()), height = std::atoi(v["height"].c_str());
        const char* sar = wide ? c.wideSar : c.narrowSar;
        EXPECT_EQ(v["sample_aspect_ratio"], sar);
        if (c.fields)
            EXPECT_EQ(v["field_order"], c.fields);
        const MediaTest::BrightArea area = MediaTest::MeasureBrightArea(out, out + ".gray", width, height);
        ASSERT_GT(area.height, 0) << "no picture in " << width << "x" << height;
        const double shown = area.width * MediaTest::Ratio(sar) / area.height;
        EXPECT_NEAR(shown, job->shape, job->shape * 0.01)
            << "a picture of " << area.width << "x" << area.height << " in " << width << "x" << height;
        // The picture fills the frame where the shapes agree.
        const double frameShape =
            (height - c.pictureTop) > 0 ? width * MediaTest::Ratio(sar) / (height - c.pictureTop) : 0;
        if (std::fabs(frameShape - job->shape) < job->shape * 0.01)
            EXPECT_EQ(area.height, height - c.pictureTop);
        else
            EXPECT_GE(area.top, c.pictureTop);
        if (c.pictureTop > 0)
            EXPECT_EQ(area.top, c.pictureTop);
        EXPECT_EQ(MediaTest::Capture("ffmpeg -nostdin -v error -xerror -i '" + out + "' -f null - 2>&1; echo rc=$?"),
                  "rc=0\n");
    }
}

// Whole files in the shapes other programs write them: streams that start
// late, Matroska written as a stream, a subtitle that ends before the film,
// a leading edit list, Ogg, 5.1 FLAC, one stray picture time; some of them
// written by GStreamer. Each converts whole with the profiles that take it.
class WholeSources : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_folder.reset(new MediaTest::Folder("outputtask-whole"));
        const std::string ff = s_folder->FFmpeg();
        const std::string h264 = "-c:v libx264 -preset ultrafast -pix_fmt yuv420p ";
        const std::string v = "-f lavfi -i testsrc2=size=320x240:rate=25:duration=4 ";
        const std::string a = "-f lavfi -i sine=frequency=440:sample_rate=48000:duration=4 ";
        // GStreamer's own muxers: 100 pictures at 25 a second, 4 s of sound.
        const std::string gst = "cd '" + s_folder->Dir() +
                                "' && gst-launch-1.0 -q videotestsrc num-buffers=100 ! "
                                "video/x-raw,width=320,height=240,framerate=25/1 ! ";
        const std::string gstSound = " audiotestsrc num-buffers=188 samplesperbuffer=1024 ! audio/x-raw,rate=48000 ! "
                                     "audioconvert ! vorbisenc ! queue ! m.";
        s_ok =
            !s_folder->Dir().empty() &&
            // Sound 1 s and 0.3 s after the pictures; pictures 0.34 s after the sound.
            MediaTest::Run(ff + v + "-itsoffset 1 -f lavfi -i sine=frequency=440:sample_rate=48000:duration=3 " + h264 +
                           "-c:a aac late1.mp4") &&
            MediaTest::Run(ff + v + "-itsoffset 1 -f lavfi -i sine=frequency=440:sample_rate=48000:duration=3 " + h264 +
                           "-c:a aac late1.mkv") &&
            MediaTest::Run(ff + v + "-itsoffset 1 -f lavfi -i sine=frequency=440:sample_rate=48000:duration=3 " + h264 +
                           "-c:a mp2 late1.ts") &&
            MediaTest::Run(ff + v + "-itsoffset 0.3 -f lavfi -i sine=frequency=440:sample_rate=48000:duration=3.7 " +
                           h264 + "-c:a aac late03.mp4") &&
            MediaTest::Run(ff + "-itsoffset 0.34 -f lavfi -i testsrc2=size=320x240:rate=25:duration=3.66 " + a + h264 +
                           "-c:a mp2 picslate.ts") &&
            // Written as a stream: no cues, no length.
            MediaTest::Run(ff + v + a + h264 + "-c:a aac -f matroska - > streamed.mkv") &&
            MediaTest::Run(gst +
                           "vp8enc deadline=1 ! queue ! webmmux streamable=true name=m ! "
                           "filesink location=gststream.webm" +
                           gstSound) &&
            MediaTest::Run(gst + "theoraenc ! queue ! oggmux name=m ! filesink location=gst.ogg" + gstSound) &&
            // Subtitles from 0.5 s to 2 s of a 4 s film.
            MediaTest::Run("cd '" + s_folder->Dir() +
                           "' && printf '1\\n00:00:00,500 --> 00:00:01,500\\nhello\\n\\n"
                           "2\\n00:00:01,600 --> 00:00:02,000\\nbye\\n' > lines.srt") &&
            MediaTest::Run(ff + v + a + "-i lines.srt -map 0 -map 1 -map 2 " + h264 + "-c:a aac -c:s srt subs.mkv") &&
            // The first 33 pictures hidden by an edit list.
            MediaTest::Run(ff + v + a + h264 + "-g 250 -c:a aac keyonce.mp4") &&
            MediaTest::Run(ff + "-ss 1.32 -i keyonce.mp4 -c copy editlist.mp4") &&
            MediaTest::Run(ff + v + a + "-c:v libtheora -q:v 5 -c:a libvorbis theora.ogg") &&
            MediaTest::Run(ff + v + a + "-af aformat=channel_layouts=5.1 " + h264 + "-c:a flac flac51.mkv") &&
            // Picture 95 of 300 ten seconds out of place.
            MediaTest::Run(ff +
                           "-f lavfi -i testsrc2=size=160x120:rate=25:duration=12 -f lavfi -i "
                           "sine=frequency=440:sample_rate=48000:duration=12 " +
                           h264 + "-c:a mp2 -bsf:v \"setts=pts=if(eq(N\\,95)\\,PTS+900000\\,PTS)\" stray.ts") &&
            // Sound long enough that its end lies well past the first
            // megabyte of its file.
            MediaTest::Run(ff +
                           "-f lavfi -i testsrc2=size=160x120:rate=10:duration=40 -f lavfi -i "
                           "sine=frequency=440:sample_rate=48000:duration=40 " +
                           h264 + "-c:a aac long.mp4") &&
            // Pictures that carry their number as their level.
            MediaTest::Run(ff + "-f lavfi -i color=c=black:size=320x240:rate=25:duration=2 " + a +
                           "-vf \"format=yuv420p,geq=lum='16+4*N':cb=128:cr=128\" -t 2 " + h264 +
                           "-c:a aac numbered.mp4") &&
            // Loud first and quiet after: a reader guessing a length from
            // the first frames' bit rate finds its sound far shorter.
            MediaTest::Run(ff +
                           "-f lavfi -i testsrc2=size=160x120:rate=25:duration=6 -f lavfi -i "
                           "\"aevalsrc='if(lt(t,1),random(0)*2-1,0)':s=48000:d=6\" -ac 2 " +
                           h264 + "-c:a aac loudfirst.mp4") &&
            // A raw H.265 stream, as the x265 program writes it: no container, no times.
            MediaTest::Run(ff + "-f lavfi -i testsrc2=size=320x240:rate=25:duration=2 -c:v libx265 "
                                "-preset ultrafast -x265-params log-level=error -pix_fmt yuv420p -f hevc raw.hevc") &&
            // Matroska written live (no cues, no lengths) and by GStreamer's own muxer.
            MediaTest::Run(ff + v + a + h264 + "-c:a aac -live 1 live.mkv") &&
            MediaTest::Run(gst +
                           "vp8enc deadline=1 ! queue ! matroskamux name=m ! "
                           "filesink location=gst.mkv" +
                           gstSound) &&
            // Cut at half, and the whole ones they come from.
            MediaTest::Run(ff + v + a +
                           "-c:v libvpx -deadline realtime -cpu-used 8 -b:v 300k -c:a libvorbis "
                           "whole.webm") &&
            MediaTest::Run(ff + v + a + "-c:v flv1 -c:a libmp3lame whole.flv") &&
            MediaTest::Run(ff + v + a + h264 + "-c:a aac whole.mkv") &&
            MediaTest::Run("cd '" + s_folder->Dir() +
                           "' && for f in webm flv mkv; do head -c $(( $(stat -c %s whole.$f) "
                           "/ 2 )) whole.$f > cut.$f; done");
    }
    static void TearDownTestSuite() { s_folder.reset(); }

    static std::unique_ptr<MediaTest::Folder> s_folder;
    static bool s_ok;
};

std::unique_ptr<MediaTest::Folder> WholeSources::s_folder;
bool WholeSources::s_ok = false;

const char* const kWholeSources[] = {
    "late1.mp4",      "late1.mkv",    "late1.ts",   "late03.mp4",    "picslate.ts", "streamed.mkv",
    "gststream.webm", "gst.ogg",      "subs.mkv",   "editlist.mp4",  "theora.ogg",  "flac51.mkv",
    "stray.ts",       "long.mp4",     "whole.webm", "whole.flv",     "whole.mkv",   "live.mkv",
    "gst.mkv",        "numbered.mp4", "raw.hevc",   "loudfirst.mp4",
};

// Every whole file imports with the length its data holds; a cut FLV,
// WebM or Matroska is refused like a cut MP4, naming where its data ends.
TEST_F(WholeSources, ImportWithTheLengthOfTheirData)
{
    ASSERT_TRUE(s_ok);
    Prepare(*s_folder);
    MediaTest::ManagerHolder media;
    ASSERT_NE(media.manager, nullptr);
    Library library;
    std::vector<const char*> names(std::begin(kWholeSources), std::end(kWholeSources));
    for (const char* name : {"cut.flv", "cut.webm", "cut.mkv"})
        names.push_back(name);
    Import(library, media.manager, *s_folder, names);
    std::map<std::string, std::string> failures(library.failures.begin(), library.failures.end());
    const std::map<std::string, double> lengths = {
        {"late1.mp4", 4.0},    {"late1.mkv", 4.0},      {"late1.ts", 4.0},  {"late03.mp4", 4.0}, {"picslate.ts", 4.0},
        {"streamed.mkv", 4.0}, {"gststream.webm", 4.0}, {"gst.ogg", 4.0},   {"subs.mkv", 4.0},   {"editlist.mp4", 2.68},
        {"theora.ogg", 4.0},   {"flac51.mkv", 4.0},     {"long.mp4", 40.0}, {"stray.ts", 12.0},  {"whole.webm", 4.0},
        {"whole.flv", 4.0},    {"whole.mkv", 4.0},      {"live.mkv", 4.0},  {"gst.mkv", 4.0},    {"numbered.mp4", 2.0},
        {"raw.hevc", 2.0},     {"loudfirst.mp4", 6.0},
    };
    for (const auto& l : lengths) {
        SCOPED_TRACE(l.first);
        ASSERT_EQ(library.clips.count(l.first), 1u) << failures[s_folder->Path(l.first.c_str())];
        EXPECT_NEAR(library.clips[l.first]->GetDuration().ToSeconds(), l.second, 0.1);
    }
    for (const char* name : {"cut.flv", "cut.webm", "cut.mkv"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(library.clips.count(name), 0u);
        const std::string text = failures[s_folder->Path(name)];
        EXPECT_NE(text.find("cut short"), std::string::npos) << text;
        EXPECT_NE(text.find("the data ends at"), std::string::npos) << text;
    }
}

TEST_F(WholeSources, ConvertWholeWithTheProfilesThatRefusedThem)
{
    ASSERT_TRUE(s_ok);
    if (!WorkerBuilt())
        GTEST_SKIP() << "convworker is not built";
    Prepare(*s_folder);
    MediaTest::ManagerHolder media;
    ASSERT_NE(media.manager, nullptr);
    Library library;
    Import(library, media.manager, *s_folder,
           std::vector<const char*>(std::begin(kWholeSources), std::end(kWholeSources)));
    for (const auto& f : library.failures)
        ADD_FAILURE() << f.first << ": " << f.second;

    const Row rows[] = {
        {"late1.mp4", Shape::OneClip, 101, true, true}, // MP4
        {"late1.mkv", Shape::OneClip, 101, true, true},
        {"late1.ts", Shape::OneClip, 1304, true, true}, // DVD
        {"late03.mp4", Shape::OneClip, 101, true, true},
        {"late03.mp4", Shape::OneClip, 2202, true, true}, // QuickTime H.264
        {"picslate.ts", Shape::OneClip, 101, true, true},
        {"streamed.mkv", Shape::OneClip, 104, true, true}, // MKV
        {"gststream.webm", Shape::OneClip, 101, true, true},
        {"gst.ogg", Shape::OneClip, 107, true, true},    // WMV
        {"gst.ogg", Shape::OneClip, 118, true, true},    // DV
        {"theora.ogg", Shape::OneClip, 111, true, true}, // MPEG-1
        {"theora.ogg", Shape::OneClip, 116, true, true}, // Ogg
        {"theora.ogg", Shape::OneClip, 1304, true, true},
        {"theora.ogg", Shape::OneClip, 117, true, true}, // ASF
        {"theora.ogg", Shape::OneClip, 207, true, true},
        {"theora.ogg", Shape::OneClip, 1205, true, true},
        {"theora.ogg", Shape::OneClip, 304, false, true},  // WAV
        {"late1.mp4", Shape::OneClip, 310, false, true},   // AIFF
        {"long.mp4", Shape::OneClip, 301, false, true},    // MP3
        {"subs.mkv", Shape::OneClip, 3101, true, true},    // lossless MKV, with the subtitles
        {"flac51.mkv", Shape::OneClip, 3201, true, false}, // lossless MP4: FLAC sound it can't hold is left out
        {"stray.ts", Shape::OneClip, 101, true, true},
        {"editlist.mp4", Shape::OneClip, 2001, true, true}, // ProRes
        // A 25 fps clip in a 50 fps timeline: each picture shown twice, at its own time.
        {"numbered.mp4", Shape::OneClip, 101, true, true, false, nullptr, nullptr, 0, 50.0, true},
        {"numbered.mp4", Shape::OneClip, 105, true, true, false, nullptr, nullptr, 0, 50.0, true}, // AVI
        {"raw.hevc", Shape::OneClip, 101, true, true},
        {"raw.hevc", Shape::OneClip, 104, true, true},
        {"loudfirst.mp4", Shape::OneClip, 303, false, true}, // AAC without a container: no length stated
    };
    Conversions conversions(media.manager);
    for (const Row& row : rows)
        conversions.Add(row, library.clips[row.source], *s_folder);
    conversions.RunAndCheck(*s_folder);
}
