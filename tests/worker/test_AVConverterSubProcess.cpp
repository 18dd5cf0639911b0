// convworker end to end: the test plays the conversion engine. It writes a
// job file with the engine's writer and a profile file, starts bin/convworker
// with the engine's command line on small generated sources, and checks the
// record (state, percent, error text) and the output (ffprobe, stream hashes).

#include "JobPlan.h"
#include "MemFileMapping.h"
#include "WorkNames.h"
#include "WorkerTestSources.h"
#include "../CommaLocale.h"
#include "../MediaTestFolder.h"
#include "../ProbeOutput.h"

#include "Basilvo/Basilvo.h"
#include "IAVImporter.h"
#include "IAVManager.h"
#include "IProfile.h"
#include "ISimpleEditTimeLine.h"
#include "ITixmlNode.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using Moorland::ConvertTaskInfo2;

namespace {

using namespace WorkerTest;

using MediaTest::Capture;

std::map<std::string, std::string> Probe(const std::string& path, const char* kind)
{
    return MediaTest::Probe(path, kind,
                            "-show_entries stream=codec_name,width,height,r_frame_rate,sample_rate,"
                            "channels:stream_tags=timecode:format=duration");
}

// The first picture and sound streams and the file's length, asked at once.
MediaTest::ProbedFile Streams(const std::string& path)
{
    return MediaTest::ProbeFile(path, "codec_name,width,height,r_frame_rate,sample_rate,channels:stream_tags=timecode",
                                "format=duration");
}

double Duration(const MediaTest::ProbedFile& file)
{
    auto it = file.format.find("duration");
    return it == file.format.end() ? 0.0 : std::atof(it->second.c_str());
}

double Duration(const std::string& path)
{
    return Duration(Streams(path));
}

std::string StreamHashes(const std::string& path)
{
    return Capture("ffmpeg -v error -i '" + path + "' -map 0:v -map 0:a -c copy -f streamhash -hash md5 - 2>&1");
}

// The names in a folder, sorted, one per line.
std::string Listing(const std::string& dir)
{
    return Capture("ls -A '" + dir + "' | sort");
}

std::string Content(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A small tmpfs of its own, mounted for one test: a disk that fills, or one
// that is read-only once Freeze is called. Ok() is false where nothing can
// be mounted.
class SmallDisk
{
public:
    explicit SmallDisk(int kilobytes)
    {
        char tmpl[] = "/tmp/convworker-disk-XXXXXX";
        if (!mkdtemp(tmpl))
            return;
        m_dir = tmpl;
        m_mounted = Shell("mount -t tmpfs -o size=" + std::to_string(kilobytes) + "k,mode=0755 tmpfs '" + m_dir +
                          "' 2>/dev/null");
    }
    ~SmallDisk()
    {
        if (m_mounted)
            Shell("umount '" + m_dir + "'");
        if (!m_dir.empty())
            ::rmdir(m_dir.c_str());
    }
    bool Ok() const { return m_mounted; }
    const std::string& Dir() const { return m_dir; }
    bool Freeze() { return Shell("mount -o remount,ro '" + m_dir + "'"); }

private:
    std::string m_dir;
    bool m_mounted = false;
};

// The sources, made in `dir`.
bool MakeSources(const std::string& dir)
{
    const std::string ff = "cd '" + dir + "' && ffmpeg -nostdin -v error -y ";
    return Shell(ff + "-f lavfi -i testsrc2=size=320x240:rate=25:duration=2 "
                      "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=2 -ac 2 "
                      "-c:v libx264 -preset ultrafast -g 25 -pix_fmt yuv420p -c:a aac -b:a 64k "
                      "-timecode 01:00:00:00 -movflags +faststart clip.mp4") &&
           Shell(ff + "-f lavfi -i testsrc2=size=320x240:rate=25:duration=8 "
                      "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=8 -ac 2 "
                      "-c:v libx264 -preset ultrafast -g 25 -pix_fmt yuv420p -c:a aac -b:a 64k long.mp4") &&
           Shell(
               "printf '1\\n00:00:00,100 --> 00:00:00,600\\nOne\\n\\n2\\n00:00:01,000 --> 00:00:01,500\\nTwo\\n' > '" +
               dir + "/lines.srt'") &&
           Shell(ff + "-i clip.mp4 -i lines.srt -map 0:v -map 0:a -map 1 -c copy -c:s srt multi.mkv") &&
           // The index first and the data cut off: a damaged download.
           Shell("cd '" + dir + "' && head -c $(( $(stat -c %s clip.mp4) / 4 )) clip.mp4 > cut.mp4") &&
           Shell(ff + "-f lavfi -i testsrc2=size=320x240:rate=25:duration=2 "
                      "-c:v libx264 -preset ultrafast -pix_fmt yuv420p silent.mp4") &&
           // A key picture every fifth: an encoder given the decoded
           // pictures' own types would copy that pattern.
           Shell(ff + "-f lavfi -i testsrc2=size=320x240:rate=25:duration=2 "
                      "-c:v libx264 -preset ultrafast -g 5 -bf 0 -pix_fmt yuv420p short_gop.mp4") &&
           // An AVI whose header promises 3 s and whose data stops half-way.
           Shell(ff + "-f lavfi -i testsrc2=size=160x120:rate=25:duration=3 "
                      "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=3 -c:v mpeg4 -c:a libmp3lame "
                      "whole.avi") &&
           Shell("cd '" + dir + "' && head -c $(( $(stat -c %s whole.avi) / 2 )) whole.avi > half.avi") &&
           // A VBR song without a Xing header that starts quiet: FFmpeg
           // guesses its length from the first frame's rate, twice too long.
           Shell(ff + "-f lavfi -i \"aevalsrc='if(lt(t,2),0,random(0)*2-1)':s=44100:d=8\" -ac 2 "
                      "-c:a libmp3lame -q:a 4 -write_xing 0 song.mp3") &&
           Shell(ff + "-f lavfi -i testsrc2=size=160x120:rate=25:duration=1 "
                      "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=1 -c:v libtheora -c:a libvorbis "
                      "theora.ogg") &&
           // A phone's clip: pictures a little over 1/60 s apart with a
           // pause, so that its average rate is no standard one.
           Shell(ff + "-f lavfi -i testsrc2=size=160x120:rate=60:duration=2 "
                      "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=2 "
                      "-vf \"settb=1/90000,setpts='N/(59.97*TB)',select='not(between(n\\,30\\,39))'\" "
                      "-fps_mode passthrough -enc_time_base:v 1/90000 -video_track_timescale 90000 "
                      "-c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac phone.mp4");
}

// Sources made once for the whole run.
class Fixtures
{
public:
    static WorkerTest::SourceFolder& Get()
    {
        static WorkerTest::SourceFolder f("convworker-test", MakeSources);
        return f;
    }
};

// A stream of a multi-stream profile, as the profile's document keeps it.
struct StreamSpec
{
    const char* element; // "VideoParam", "AudioParam", "SubtitleParam"
    bool remux;
    const char* codec;
};

struct ProfileSpec
{
    const char* muxer = "mp4";
    const char* ext = ".mp4";
    int avInclude = 0;
    const char* video = "libx264";
    int width = 0, height = 0;
    double rate = 0.0;
    int videoBitrate = 300;
    const char* audio = "aac";
    std::map<std::string, double> params;
    std::vector<StreamSpec> streams;
};

struct Outcome
{
    int exitCode = -99;
    int state = 0;
    double percent = 0.0;
    std::string error;
    int64_t bytes = 0;
    int32_t taskId = 0;
    std::vector<Moorland::CWorkNames::Entry> workNames; // as the job left them in its record
};

class ConvWorker : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(Fixtures::Get().Ok()) << "ffmpeg could not make the test sources"; }
    void TearDown() override { CMemFileMapping::FreeInstance(); }

    std::string Src(const char* name) const { return Fixtures::Get().Path(name); }
    // The fixture clip's streams, hashed once: the clip never changes.
    static const std::string& ClipHashes()
    {
        static const std::string hashes = StreamHashes(Fixtures::Get().Path("clip.mp4"));
        return hashes;
    }
    std::string Out(const std::string& name) const { return Fixtures::Get().Path(name); }

    std::string WriteProfile(const ProfileSpec& s)
    {
        std::unique_ptr<IProfile, ProfileRelease> p(CreateProfile());
        EXPECT_NE(p, nullptr);
        p->GetFileProfile()->SetMuxerName(s.muxer);
        p->GetFileProfile()->SetFileExt(s.ext);
        p->GetFileProfile()->SetAVInclude(s.avInclude);
        p->GetVideoProfile()->SetCodecName(s.video);
        p->GetVideoProfile()->SetWidth(s.width);
        p->GetVideoProfile()->SetHeight(s.height);
        p->GetVideoProfile()->SetFrameRate(s.rate);
        p->GetVideoProfile()->SetBitrate(s.videoBitrate);
        p->GetAudioProfile()->SetCodecName(s.audio);
        p->GetAudioProfile()->SetBitrate(96000);
        for (const auto& kv : s.params) {
            if (kv.first == "ExportPerFileSize")
                p->GetParams()->SetDouble(kv.first.c_str(), kv.second);
            else
                p->GetParams()->SetInt(kv.first.c_str(), static_cast<int>(kv.second));
        }
        if (!s.streams.empty()) {
            auto* root = static_cast<ITixmlNode*>(p->GetRootObject()->QueryInterface("ITixmlNode"));
            ITixmlNode* list = root->InsertChild(nullptr, "StreamParams");
            for (const StreamSpec& st : s.streams) {
                ITixmlNode* e = list->InsertChild(nullptr, st.element);
                e->SetIntAttribute("Remux", st.remux ? 1 : 0);
                const std::string kind = st.element;
                const char* key = kind == "VideoParam"   ? "VideoCodecName"
                                  : kind == "AudioParam" ? "AudioCodecName"
                                                         : "SubtitleCodecName";
                if (*st.codec)
                    e->SetAttribute(key, st.codec);
                if (kind == "AudioParam")
                    e->SetIntAttribute("AudioBitrate", 96000);
                if (kind == "VideoParam")
                    e->SetIntAttribute("VideoBitrate", 300);
            }
        }
        const std::string path = Out("profile-" + std::to_string(++m_count) + ".xml");
        EXPECT_TRUE(p->SaveFile(path.c_str()));
        return path;
    }

    // Writes the job as the engine does, starts the worker with the engine's
    // command line, lets `during` act on the record while it runs.
    Outcome RunJob(const std::string& src, const std::string& dst, const ProfileSpec& wanted,
                   std::function<void(ConvertTaskInfo2*)> setup = nullptr,
                   std::function<void(ConvertTaskInfo2*)> during = nullptr, const std::string& flags = "1 1 1",
                   const std::string& program = FABLECUT_BIN_DIR "/convworker", const std::string& importer = "")
    {
        const std::string profile = WriteProfile(wanted);
        const std::string jobFile = Out("jobs-" + std::to_string(++m_count) + ".map");
        CMemFileMapping* file = CMemFileMapping::CreateInstance(kJobFileSize, jobFile);
        EXPECT_TRUE(file->ReserveJobTable(1));
        ConvertTaskInfo2* record = file->AddJob(0, src.c_str(), dst.c_str());
        EXPECT_NE(record, nullptr);
        const uint32_t names = file->MallcMemory(kWorkNamesBytes + 4);
        EXPECT_TRUE(Moorland::CWorkNames::Reserve(file, record, (names + 3u) & ~3u, kWorkNamesBytes));
        if (setup)
            setup(record);
        if (m_planRecords)
            EXPECT_TRUE(WorkerTest::PlanLikeTheEngine(record, profile, src, importer));
        const std::string config = "SELECTED_DECODER=NO_SELECTED_DECODER";
        const std::string log = m_log.empty() ? Out("worker-" + std::to_string(m_count) + ".log") : m_log;
        const std::string command = program + " 0 " + flags + " " + std::to_string(jobFile.size()) + " '" + jobFile +
                                    "' " + std::to_string(profile.size()) + " '" + profile + "' " +
                                    std::to_string(config.size()) + " '" + config + "' " +
                                    (importer.empty() ? "0" : std::to_string(importer.size()) + " " + importer) + " " +
                                    std::to_string(kJobFileSize) + " " + std::to_string(log.size()) + " '" + log +
                                    "' 2>>'" + Out("worker-stderr.txt") + "'";
        Outcome o;
        std::thread watcher;
        bool done = false;
        if (during)
            watcher = std::thread([&] { during(record); });
        const int status = std::system(command.c_str());
        done = true;
        (void)done;
        if (watcher.joinable())
            watcher.join();
        o.exitCode = WIFEXITED(status) ? static_cast<int8_t>(WEXITSTATUS(status)) : -100;
        // A job that ran ends the worker with 0, whatever its outcome (a
        // sanitizer report in the worker shows up here too).
        if (program == FABLECUT_BIN_DIR "/convworker") {
            EXPECT_EQ(o.exitCode, 0) << "see " << Out("worker-stderr.txt");
        }
        m_lastRecord = record;
        o.state = record->GetState();
        o.percent = record->GetPercent();
        o.bytes = record->GetBytesWritten();
        o.taskId = record->TaskID;
        const char* text = file->GetText(record->ErrorText);
        o.error = text ? text : "";
        // Whatever the outcome, the worker took away or put in place every
        // working file it made: none is left noted as still there.
        o.workNames = Moorland::CWorkNames(file, record).Entries();
        for (const auto& e : o.workNames) {
            EXPECT_NE(e.state, Moorland::WORK_NAME_MADE) << e.made.path;
            if (e.state == Moorland::WORK_NAME_GONE) {
                EXPECT_FALSE(QuentaBased::is_made_entry(e.made, e.kind == Moorland::WORK_NAME_FOLDER)) << e.made.path;
            }
        }
        return o;
    }

    int m_count = 0;
    std::string m_log; // the worker's log file, when not its own
    // Whether RunJob plans each record as the engine does.
    bool m_planRecords = true;
    // The record of the last job RunJob ran (in its job file, still mapped).
    ConvertTaskInfo2* m_lastRecord = nullptr;
};

TEST_F(ConvWorker, TranscodesOnOneAndOnTwoThreads)
{
    for (const char* flags : {"0 0 0", "1 1 1"}) {
        SCOPED_TRACE(flags);
        const std::string dst = Out(std::string("out-") + flags[0] + ".mp4");
        ProfileSpec s;
        s.width = 160;
        s.height = 120;
        Outcome o = RunJob(Src("clip.mp4"), dst, s, nullptr, nullptr, flags);
        EXPECT_EQ(o.exitCode, 0);
        EXPECT_EQ(o.state, 5) << o.error;
        EXPECT_EQ(o.error, "");
        EXPECT_DOUBLE_EQ(o.percent, 100.0);
        const MediaTest::ProbedFile probed = Streams(dst);
        auto v = probed.video;
        EXPECT_EQ(v["codec_name"], "h264");
        EXPECT_EQ(v["width"], "160");
        EXPECT_EQ(v["height"], "120");
        EXPECT_EQ(v["r_frame_rate"], "25/1"); // the source's rate fills the profile's 0
        EXPECT_NEAR(Duration(probed), 2.0, 0.05);
        auto a = probed.audio;
        EXPECT_EQ(a["codec_name"], "aac");
        EXPECT_EQ(a["sample_rate"], "44100");
        EXPECT_EQ(a["channels"], "2");
    }
}

TEST_F(ConvWorker, DecodedPicturesReachTheEncoderWithoutTheirSourcesPictureTypes)
{
    // The source's size and layout: its decoded pictures go to the encoder
    // as they are, on one thread and through the frame queue.
    for (const char* flags : {"0 0 0", "1 1 1"}) {
        SCOPED_TRACE(flags);
        const std::string dst = Out(std::string("gop-") + flags[0] + ".mp4");
        ProfileSpec s;
        s.width = 320;
        s.height = 240;
        Outcome o = RunJob(Src("short_gop.mp4"), dst, s, nullptr, nullptr, flags);
        ASSERT_EQ(o.state, 5) << o.error;
        const std::string flagsOut =
            Capture("ffprobe -v error -select_streams v:0 -show_entries packet=flags -of csv=p=0 '" + dst + "'");
        const auto pictures = std::count(flagsOut.begin(), flagsOut.end(), '\n');
        const auto keys = std::count(flagsOut.begin(), flagsOut.end(), 'K');
        EXPECT_EQ(pictures, 50);
        EXPECT_LE(keys, 2) << "the encoder chooses its own key pictures:\n" << flagsOut;
    }
}

TEST_F(ConvWorker, ProfileVariantsReachTheOutput)
{
    struct Case
    {
        const char* name;
        ProfileSpec wanted;
        std::function<void(ConvertTaskInfo2*)> setup;
        const char* vcodec; // "" for none
        const char* acodec;
        double duration;
    };
    ProfileSpec audioOnly;
    audioOnly.muxer = "mp3";
    audioOnly.ext = ".mp3";
    audioOnly.avInclude = 1;
    audioOnly.audio = "libmp3lame";
    ProfileSpec videoOnly;
    videoOnly.avInclude = 2;
    videoOnly.video = "mpeg4";
    videoOnly.muxer = "avi";
    videoOnly.ext = ".avi";
    ProfileSpec twoPass;
    twoPass.rate = 12.5;
    ProfileSpec trimmed;
    trimmed.muxer = "matroska";
    trimmed.ext = ".mkv";
    const Case cases[] = {
        {"sound.mp3", audioOnly, [](ConvertTaskInfo2* r) { r->Pass = 2; }, "", "mp3", 2.0},
        {"picture.avi", videoOnly, nullptr, "mpeg4", "", 2.0},
        {"twopass.mp4", twoPass, [](ConvertTaskInfo2* r) { r->Pass = 2; }, "h264", "aac", 2.0},
        {"trim.mkv", trimmed,
         [](ConvertTaskInfo2* r) {
             r->TrimStart = 500;
             r->TrimLength = 1000;
         },
         "h264", "aac", 1.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string dst = Out(c.name);
        Outcome o = RunJob(Src("clip.mp4"), dst, c.wanted, c.setup);
        EXPECT_EQ(o.state, 5) << o.error;
        MediaTest::ProbedFile probed = Streams(dst);
        EXPECT_EQ(probed.video["codec_name"], c.vcodec);
        EXPECT_EQ(probed.audio["codec_name"], c.acodec);
        EXPECT_NEAR(Duration(probed), c.duration, 0.1);
    }
}

TEST_F(ConvWorker, RemuxKeepsEveryPacketAndCopyKeepsEveryByte)
{
    ProfileSpec remux;
    remux.muxer = "matroska";
    remux.ext = ".mkv";
    remux.params["remux"] = 1;
    Outcome o = RunJob(Src("clip.mp4"), Out("remux.mkv"), remux);
    EXPECT_EQ(o.state, 5) << o.error;
    EXPECT_EQ(StreamHashes(Out("remux.mkv")), ClipHashes());

    ProfileSpec copy;
    copy.params["remux"] = 2;
    o = RunJob(Src("clip.mp4"), Out("copy.mp4"), copy);
    EXPECT_EQ(o.state, 5) << o.error;
    EXPECT_TRUE(Shell("cmp -s '" + Src("clip.mp4") + "' '" + Out("copy.mp4") + "'"));
}

// The pictures a clean decode shows, one hash a line, and how long they last.
std::string ShownPictures(const std::string& path)
{
    return Capture("ffmpeg -nostdin -v error -xerror -i '" + path +
                   "' -map 0:v -f framemd5 - 2>&1 | grep -v '^#' | "
                   "awk -F, '{print $6}'; ffprobe -v error -select_streams v:0 -show_entries stream=duration "
                   "-of csv=p=0 '" +
                   path + "'");
}

// A remux shows what its source shows: pictures an edit list hides stay
// hidden where the container keeps edit lists.
TEST_F(ConvWorker, RemuxShowsWhatTheSourceShows)
{
    struct Case
    {
        const char* source;
        const char* muxer;
        const char* out;
    };
    // The first 33 of 100 pictures hidden by an edit list, their only key
    // picture among them.
    const std::string ff = "cd '" + Fixtures::Get().Path("") + "' && ffmpeg -nostdin -v error -y ";
    ASSERT_TRUE(Shell(ff + "-f lavfi -i testsrc2=size=160x120:rate=25:duration=4 "
                           "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=4 "
                           "-c:v libx264 -preset ultrafast -g 250 -pix_fmt yuv420p -c:a aac keyonce.mp4") &&
                Shell(ff + "-ss 1.32 -i keyonce.mp4 -c copy editlist.mp4"));
    const Case cases[] = {
        {"clip.mp4", "mp4", "shown-clip.mp4"},
        {"editlist.mp4", "mp4", "shown-editlist.mp4"},
        {"editlist.mp4", "mov", "shown-editlist.mov"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.out);
        ProfileSpec s;
        s.muxer = c.muxer;
        s.ext = std::strrchr(c.out, '.');
        s.params["remux"] = 1;
        Outcome o = RunJob(Src(c.source), Out(c.out), s);
        ASSERT_EQ(o.state, 5) << o.error;
        const std::string shown = ShownPictures(Src(c.source));
        EXPECT_EQ(ShownPictures(Out(c.out)), shown);
        EXPECT_EQ(std::count(shown.begin(), shown.end(), '\n'), c.source == std::string("clip.mp4") ? 51 : 68);
    }
}

TEST_F(ConvWorker, TheRecordsJobPlanDecidesOverTheProfile)
{
    auto planned = [](Moorland::JobKind kind, int64_t perFileBytes = 0) {
        return [kind, perFileBytes](ConvertTaskInfo2* r) {
            Moorland::JobPlan plan;
            plan.kind = kind;
            plan.perFileBytes = perFileBytes;
            plan.hasFormat = true;
            Moorland::WriteJobPlan(r, plan);
        };
    };
    // The engine planned a packet remux; the profile on its own would transcode.
    ProfileSpec s;
    s.muxer = "matroska";
    s.ext = ".mkv";
    Outcome o = RunJob(Src("clip.mp4"), Out("kind-remux.mkv"), s, planned(Moorland::JobKind::PacketRemux));
    EXPECT_EQ(o.state, 5) << o.error;
    EXPECT_EQ(StreamHashes(Out("kind-remux.mkv")), ClipHashes());
    // And the other way round: a record that says transcode is transcoded.
    s.params["remux"] = 1;
    o = RunJob(Src("clip.mp4"), Out("kind-transcode.mkv"), s, planned(Moorland::JobKind::Transcode));
    EXPECT_EQ(o.state, 5) << o.error;
    EXPECT_NE(StreamHashes(Out("kind-transcode.mkv")), ClipHashes());
    EXPECT_EQ(Probe(Out("kind-transcode.mkv"), "v")["codec_name"], "h264");
    // A split planned in the record is split, whatever the profile holds:
    // one part, its size far above the output's.
    o = RunJob(Src("clip.mp4"), Out("kind-split.mkv"), s, planned(Moorland::JobKind::SplitBySize, int64_t(1) << 40));
    EXPECT_EQ(o.state, 5) << o.error;
    EXPECT_EQ(Probe(Out("kind-split(0).mkv"), "v")["codec_name"], "h264");
    EXPECT_NE(access(Out("kind-split.mkv").c_str(), F_OK), 0);
}

TEST_F(ConvWorker, FailuresEndAsFailedWithTheirText)
{
    struct Case
    {
        const char* name;
        std::string src;
        std::string dst;
        const char* text; // part of the error text
        int remux;
    };
    const Case cases[] = {
        {"cut source", Src("cut.mp4"), Out("cut-out.mp4"), "cut.mp4", 0},
        {"cut source, remux", Src("cut.mp4"), Out("cut-out.mkv"), "cut.mp4", 1},
        {"missing source", Src("nothing.mp4"), Out("nothing-out.mp4"), "nothing.mp4", 0},
        {"a device is no output file", Src("clip.mp4"), "/dev/full", "/dev/full", 0},
        {"missing folder", Src("clip.mp4"), Out("no/such/folder.mp4"), "no/such/folder.mp4", 0},
        // A job's own failure names the job.
        {"stream copy of a timeline", Out("copied.seix"), Out("copied-out.mp4"), "\nFile: CCopyJob\n", 2},
        // A step every kind shares names the output it could not write.
        {"a folder where the output goes", Src("clip.mp4"), Out("a-folder.mp4"), "a-folder.mp4", 0},
        {"a folder where the output goes, remux", Src("clip.mp4"), Out("a-folder.mkv"), "a-folder.mkv", 1},
    };
    ::mkdir(Out("a-folder.mp4").c_str(), 0755);
    ::mkdir(Out("a-folder.mkv").c_str(), 0755);
    std::ofstream(Out("copied.seix")) << "<SimpleEditTimeLine version=\"1\"><Clip source=\"" << Src("clip.mp4")
                                      << "\" trimStart=\"0\" trimEnd=\"-1\"/></SimpleEditTimeLine>";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProfileSpec s;
        if (c.remux) {
            s.muxer = "matroska";
            s.params["remux"] = c.remux;
        }
        if (c.dst == "/dev/full")
            s.muxer = "matroska";
        Outcome o = RunJob(c.src, c.dst, s);
        EXPECT_EQ(o.exitCode, 0);
        EXPECT_EQ(o.state, 4);
        EXPECT_NE(o.error.find("Quenta Exception Code: "), std::string::npos) << o.error;
        EXPECT_NE(o.error.find(c.text), std::string::npos) << o.error;
    }
}

TEST_F(ConvWorker, AWriteFailingMidStreamNamesItsCauseOnOneAndOnTwoThreads)
{
    SmallDisk disk(256);
    if (!disk.Ok())
        GTEST_SKIP() << "no tmpfs can be mounted here";
    const std::string dst = disk.Dir() + "/full.mkv";
    // A plain and a multi-stream job, each with and without an encoding thread.
    for (bool multi : {false, true}) {
        for (const char* flags : {"0 0 1", "0 1 1"}) {
            SCOPED_TRACE(std::string(flags) + (multi ? ", multi-stream" : ""));
            ProfileSpec s;
            s.muxer = "matroska";
            s.width = 640;
            s.height = 480;
            s.videoBitrate = 4000;
            if (multi) {
                s.params["MultiStream"] = 1;
                s.streams = {{"VideoParam", false, "mpeg4"}, {"AudioParam", true, ""}};
            }
            Outcome o = RunJob(Src("long.mp4") + (multi ? "?movieid=0" : ""), dst, s, nullptr, nullptr, flags);
            EXPECT_EQ(o.state, 4);
            // The file is named as the user knows it, never by its working name.
            EXPECT_NE(o.error.find(dst + ": No space left on device"), std::string::npos) << o.error;
            EXPECT_EQ(o.error.find("convert thread will exit"), std::string::npos) << o.error;
            EXPECT_EQ(Listing(disk.Dir()), "") << "nothing stays of a failed job";
        }
    }
}

TEST_F(ConvWorker, CancelStopsTheJobAndKeepsItsState)
{
    ProfileSpec s;
    s.width = 640;
    s.height = 480;
    s.videoBitrate = 2000;
    const auto start = std::chrono::steady_clock::now();
    Outcome o = RunJob(Src("long.mp4"), Out("cancelled.mp4"), s, nullptr, [](ConvertTaskInfo2* r) {
        // Cancel once the job shows progress.
        for (int i = 0; i < 3000 && !(r->GetState() == 1 && r->GetPercent() > 0.0); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        r->SetState(3);
    });
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_EQ(o.state, 3);
    EXPECT_EQ(o.error, "");
    EXPECT_LT(o.percent, 100.0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
}

TEST_F(ConvWorker, OutputsAppearWholeOrNotAtAllAndTheUsersFileSurvives)
{
    struct Kind
    {
        const char* name;
        const char* ext;
        ProfileSpec profile;
        int passes;
    };
    ProfileSpec plain;
    ProfileSpec split;
    split.videoBitrate = 800;
    split.params["ExportPerFileSize"] = 5242880.0 + 120000.0;
    ProfileSpec remux;
    remux.muxer = "matroska";
    remux.ext = ".mkv";
    remux.params["remux"] = 1;
    const Kind kinds[] = {
        {"plain", ".mp4", plain, 1},
        {"two-pass", ".mp4", plain, 2},
        {"split", ".mp4", split, 1},
        {"remux", ".mkv", remux, 1},
    };
    enum Fault {
        ReadOnlyFolder, // the output can't be created where the user's file is
        FailsPartWay,   // a source cut short, over the user's file
        FullDisk,
        Cancel,
    };
    const std::string mine = "the user's own file\n";
    bool noDisk = false;
    for (const Kind& k : kinds) {
        for (Fault fault : {ReadOnlyFolder, FailsPartWay, FullDisk, Cancel}) {
            SCOPED_TRACE(std::string(k.name) + ", fault " + std::to_string(fault));
            std::unique_ptr<SmallDisk> disk;
            std::string dir = Out(std::string("whole-") + k.name + "-" + std::to_string(fault));
            if (fault == ReadOnlyFolder || fault == FullDisk) {
                disk.reset(new SmallDisk(fault == FullDisk ? 64 : 256));
                if (!disk->Ok()) {
                    noDisk = true;
                    continue;
                }
                dir = disk->Dir();
            } else {
                ASSERT_TRUE(Shell("rm -rf '" + dir + "' && mkdir '" + dir + "'"));
            }
            const std::string dst = dir + "/out" + k.ext;
            const bool userFile = fault == ReadOnlyFolder || fault == FailsPartWay;
            if (userFile) {
                std::ofstream(dst) << mine;
                ::chmod(dst.c_str(), 0444);
            }
            if (fault == ReadOnlyFolder) {
                ASSERT_TRUE(disk->Freeze());
            }
            std::function<void(ConvertTaskInfo2*)> cancel;
            if (fault == Cancel) {
                cancel = [](ConvertTaskInfo2* r) {
                    for (int i = 0; i < 6000 && !(r->GetState() == 1 && r->GetPercent() > 0.0); ++i)
                        std::this_thread::sleep_for(std::chrono::milliseconds(2));
                    r->SetState(3);
                };
            }
            const int passes = k.passes;
            Outcome o = RunJob(
                Src(fault == FailsPartWay ? "cut.mp4" : "long.mp4"), dst, k.profile,
                [passes](ConvertTaskInfo2* r) { r->Pass = passes; }, cancel);
            // A job may finish before the cancel reaches it (a remux of this
            // clip takes a moment): then it is finished and its file whole.
            const bool finishedFirst = fault == Cancel && o.state == Moorland::CONVERT_TASK_FINISHED;
            const int expected = finishedFirst     ? Moorland::CONVERT_TASK_FINISHED
                                 : fault == Cancel ? Moorland::CONVERT_TASK_CANCEL
                                                   : Moorland::CONVERT_TASK_FAILED;
            EXPECT_EQ(o.state, expected) << o.error;
            if (fault == ReadOnlyFolder) {
                EXPECT_NE(o.error.find("Can't create the file " + dst.substr(0, dst.size() - 4)), std::string::npos)
                    << o.error;
                EXPECT_NE(o.error.find("Read-only file system"), std::string::npos) << o.error;
            }
            if (fault == FullDisk) {
                EXPECT_NE(o.error.find("No space left on device"), std::string::npos) << o.error;
            }
            EXPECT_EQ(Listing(dir), userFile || finishedFirst ? std::string("out") + k.ext + "\n" : std::string())
                << "only what the user had stays";
            if (userFile) {
                EXPECT_EQ(Content(dst), mine);
            }
            if (finishedFirst) {
                EXPECT_GT(Duration(dst), 1.0) << "a finished output is whole";
            }
        }
    }
    if (noDisk)
        GTEST_SKIP() << "no tmpfs can be mounted here: the read-only and full disk cases did not run";
}

TEST_F(ConvWorker, ALogThatIsNoRegularFileIsNotWaitedFor)
{
    m_log = Out("log-fifo");
    ::unlink(m_log.c_str());
    ASSERT_EQ(::mkfifo(m_log.c_str(), 0600), 0);
    const auto start = std::chrono::steady_clock::now();
    Outcome o = RunJob(Src("nothing.mp4"), Out("fifo-out.mp4"), ProfileSpec(), nullptr, nullptr, "1 1 1",
                       "timeout 20 " FABLECUT_BIN_DIR "/convworker");
    EXPECT_EQ(o.exitCode, 0) << "the worker hung on its log";
    EXPECT_EQ(o.state, 4);
    EXPECT_NE(o.error.find("nothing.mp4"), std::string::npos) << o.error;
    // A worker held by the pipe is ended by the timeout at 20 s; a loaded
    // machine may take several seconds to start and fail one.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(19));
    ::unlink(m_log.c_str());
}

TEST_F(ConvWorker, TimePausedIsNotCountedAsElapsed)
{
    ProfileSpec s;
    s.width = 640;
    s.height = 480;
    double before = 0.0, after = 0.0, wall = 0.0;
    Outcome o = RunJob(Src("long.mp4"), Out("paused.mp4"), s, nullptr, [&](ConvertTaskInfo2* r) {
        for (int i = 0; i < 6000 && !(r->GetState() == 1 && r->GetElapsedTime() > 0.0); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        r->SetState(2);
        before = r->GetElapsedTime();
        const auto paused = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(4));
        r->SetState(1);
        // The next figures the job writes after it goes on.
        for (int i = 0; i < 6000 && r->GetElapsedTime() == before && r->GetState() == 1; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        after = r->GetElapsedTime();
        wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - paused).count();
    });
    EXPECT_EQ(o.state, 5) << o.error;
    ASSERT_GT(after, before);
    EXPECT_LT(after - before, wall - 3.5) << "the pause was counted";
}

TEST_F(ConvWorker, SplitBySizeWritesNumberedPartsThatAddUp)
{
    // The byte limit holds also when the engine asks for no progress figures.
    for (const char* flags : {"1 1 1", "0 0 0"}) {
        SCOPED_TRACE(flags);
        Shell("rm -f '" + Out("split") + "'*.mp4 && touch '" + Out("split(0).mp4") +
              "'"); // taken names are passed over
        ProfileSpec s;
        s.videoBitrate = 800;
        s.params["ExportPerFileSize"] = 5242880.0 + 120000.0;
        Outcome o = RunJob(Src("long.mp4"), Out("split.mp4"), s, nullptr, nullptr, flags);
        EXPECT_EQ(o.state, 5) << o.error;
        double total = 0.0;
        int parts = 0;
        for (int n = 1; n < 20; ++n) {
            const std::string part = Out("split(" + std::to_string(n) + ").mp4");
            struct stat st;
            if (::stat(part.c_str(), &st) != 0)
                break;
            ++parts;
            EXPECT_LT(st.st_size, 5242880 + 120000);
            total += Duration(part);
        }
        EXPECT_GE(parts, 2);
        EXPECT_NEAR(total, 8.0, 0.1 * parts);
    }
}

TEST_F(ConvWorker, APartFilledAtTheLastPictureEndsTheSeries)
{
    // 320 pictures: the size is looked at every 160, so a limit of 3/4 of the
    // whole file is reached exactly at the source's last picture.
    const std::string src = Out("mjpeg320.avi");
    ASSERT_TRUE(Shell("ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=160x120:rate=25 -frames:v 320 "
                      "-c:v mjpeg -q:v 3 '" +
                      src + "'"));
    ProfileSpec s;
    s.muxer = "avi";
    s.ext = ".avi";
    s.video = "mjpeg";
    s.avInclude = 2;
    s.videoBitrate = 2000;
    Outcome whole = RunJob(src, Out("mjpeg-whole.avi"), s);
    ASSERT_EQ(whole.state, 5) << whole.error;
    struct stat st
    {
    };
    ASSERT_EQ(::stat(Out("mjpeg-whole.avi").c_str(), &st), 0);
    for (const char* flags : {"1 1 1", "0 0 0"}) {
        SCOPED_TRACE(flags);
        Shell("rm -f '" + Out("mjpeg-part") + "'*.avi");
        s.params["ExportPerFileSize"] = 5242880.0 + 0.75 * static_cast<double>(st.st_size);
        Outcome o = RunJob(src, Out("mjpeg-part.avi"), s, nullptr, nullptr, flags);
        EXPECT_EQ(o.state, 5) << o.error;
        EXPECT_NEAR(Duration(Out("mjpeg-part(0).avi")), 12.8, 0.1);
        EXPECT_NE(access(Out("mjpeg-part(1).avi").c_str(), F_OK), 0) << "an empty part was left";
    }
}

TEST_F(ConvWorker, TwoPassProgressRunsToHalfInTheFirstPassAndOnToTheEndInTheSecond)
{
    for (const char* flags : {"0 0 1", "0 1 1"}) {
        SCOPED_TRACE(flags);
        ProfileSpec s;
        s.width = 640;
        s.height = 480;
        s.videoBitrate = 1500;
        struct Sample
        {
            double percent;
            int64_t estimate;
        };
        std::vector<Sample> samples;
        Outcome o = RunJob(
            Src("long.mp4"), Out("two-pass.mp4"), s, [](ConvertTaskInfo2* r) { r->Pass = 2; },
            [&](ConvertTaskInfo2* r) {
                for (int i = 0; i < 60000 && r->GetState() <= 2; ++i) {
                    if (r->GetState() == 1)
                        samples.push_back({r->GetPercent(), r->GetEstimatedSize()});
                    std::this_thread::sleep_for(std::chrono::milliseconds(2));
                }
            },
            flags);
        ASSERT_EQ(o.state, 5) << o.error;
        EXPECT_EQ(o.percent, 100.0);
        bool firstPass = false, secondPass = false, firstEstimate = false;
        double highest = 0.0;
        for (const Sample& x : samples) {
            EXPECT_GE(x.percent, highest) << "progress went back";
            highest = std::max(highest, x.percent);
            firstPass = firstPass || (x.percent > 5.0 && x.percent < 45.0);
            firstEstimate = firstEstimate || (x.percent < 50.0 && x.estimate > 0);
            secondPass = secondPass || (x.percent > 55.0 && x.percent < 95.0);
        }
        EXPECT_TRUE(firstPass) << "no progress shown in the first pass";
        EXPECT_TRUE(firstEstimate) << "no size estimate in the first pass";
        EXPECT_TRUE(secondPass) << "no progress shown in the second pass";
    }
}

TEST_F(ConvWorker, ProResOutputsGetTheSourceTimecode)
{
    // By the codec's display name and by the encoder's name the shipped
    // profiles carry.
    for (const char* codec : {"Apple ProRes 422(Proxy)", "prores_ks"}) {
        SCOPED_TRACE(codec);
        ProfileSpec s;
        s.muxer = "mov";
        s.ext = ".mov";
        s.video = codec;
        s.audio = "pcm";
        const std::string out = Out((std::string("prores-") + (codec[0] == 'p' ? "ks" : "name") + ".mov").c_str());
        Outcome o = RunJob(Src("clip.mp4"), out, s);
        EXPECT_EQ(o.state, 5) << o.error;
        auto v = Probe(out, "v");
        EXPECT_EQ(v["codec_name"], "prores");
        EXPECT_EQ(v["TAG:timecode"], "01:00:00:00");
    }
}

TEST_F(ConvWorker, StartFailuresLeaveTheRecordUntouched)
{
    // Too few words.
    EXPECT_NE(std::system(FABLECUT_BIN_DIR "/convworker 0 1 1 1 1 a 1 b 0 0 4096 0 2>/dev/null"), 0);

    // A worker beside which the media manager is missing.
    const std::string lonely = Out("lonely");
    ASSERT_TRUE(Shell("mkdir -p '" + lonely +
                      "' && cp " FABLECUT_BIN_DIR "/convworker " FABLECUT_BIN_DIR "/libBasilvo.so " FABLECUT_BIN_DIR
                      "/libMoorlan.so " FABLECUT_BIN_DIR "/libDravenel.so '" +
                      lonely + "'"));
    ProfileSpec s;
    Outcome o = RunJob(Src("clip.mp4"), Out("lonely.mp4"), s, nullptr, nullptr, "1 1 1", lonely + "/convworker");
    EXPECT_EQ(o.exitCode, -1);
    EXPECT_EQ(o.state, 0);
    EXPECT_EQ(o.error, "");
}

} // namespace

namespace {

TEST_F(ConvWorker, AccurateTrimCutsTheRangeFrameExactly)
{
    ProfileSpec s;
    s.muxer = "matroska";
    s.ext = ".mkv";
    s.video = ""; // the source's own codecs
    s.audio = "";
    s.videoBitrate = 0;
    s.params["remux"] = 3;
    s.params["AccurateTrimMode"] = 1;
    const std::string dst = Out("trimmed.mkv");
    Outcome o = RunJob(Src("clip.mp4"), dst, s, [](ConvertTaskInfo2* r) {
        r->TrimStart = 400;
        r->TrimLength = 800;
    });
    EXPECT_EQ(o.state, 5) << o.error;
    EXPECT_DOUBLE_EQ(o.percent, 100.0);
    EXPECT_EQ(Capture("ffprobe -v error -select_streams v:0 -count_frames -show_entries stream=nb_read_frames "
                      "-of csv=p=0 '" +
                      dst + "'"),
              "20\n");
    MediaTest::ProbedFile probed = Streams(dst);
    EXPECT_EQ(probed.video["codec_name"], "h264");
    EXPECT_EQ(probed.audio["codec_name"], "aac");
}

TEST_F(ConvWorker, DiscCreationAuthorsADvdAndItsImage)
{
    const std::string project = Out("disc.project");
    const std::string folder = Out("dvd");
    const std::string iso = Out("dvd.iso");
    Shell("rm -rf '" + folder + "' '" + iso + "'");
    std::ofstream(project) << "# test disc\noutput=" << folder << "\nimage=" << iso
                           << "\nstandard=PAL\ntitle=" << Src("clip.mp4") << "\n";
    ProfileSpec s;
    s.params["remux"] = 4;
    s.params["DiscType"] = 1;
    Outcome o = RunJob(project, Out("unused"), s);
    EXPECT_EQ(o.state, 5) << o.error;
    EXPECT_DOUBLE_EQ(o.percent, 100.0);
    EXPECT_TRUE(Shell("test -s '" + folder + "/VIDEO_TS/VIDEO_TS.IFO' && test -s '" + folder +
                      "/VIDEO_TS/VTS_01_1.VOB' && test -s '" + iso + "'"));
    EXPECT_EQ(Listing(folder), "AUDIO_TS\nVIDEO_TS\n") << "nothing of the work stays beside the disc";

    // A disc whose image can't be written whole leaves the folder and the
    // image the user had.
    ASSERT_TRUE(Shell("touch '" + folder + "/VIDEO_TS/MINE'"));
    SmallDisk disk(256);
    if (disk.Ok()) {
        const std::string old = disk.Dir() + "/dvd.iso";
        std::ofstream(old) << "the user's image\n";
        std::ofstream(project) << "output=" << folder << "\nimage=" << old
                               << "\nstandard=PAL\ntitle=" << Src("clip.mp4") << "\n";
        o = RunJob(project, Out("unused"), s);
        EXPECT_EQ(o.state, 4);
        EXPECT_NE(o.error.find("genisoimage"), std::string::npos) << o.error;
        EXPECT_EQ(Listing(disk.Dir()), "dvd.iso\n");
        EXPECT_EQ(Content(old), "the user's image\n");
        EXPECT_EQ(Listing(folder), "AUDIO_TS\nVIDEO_TS\n");
        EXPECT_EQ(access((folder + "/VIDEO_TS/MINE").c_str(), F_OK), 0);
    }

    struct Case
    {
        int type;
        const char* text;
    };
    for (const Case& c : {Case{0, "Unknown disc type"}, Case{3, "Unknown disc type"}}) {
        s.params["DiscType"] = c.type;
        o = RunJob(project, Out("unused"), s);
        EXPECT_EQ(o.state, 4);
        EXPECT_NE(o.error.find("Creator Disc failed"), std::string::npos) << o.error;
        EXPECT_NE(o.error.find(c.text), std::string::npos) << o.error;
    }
}

// Authoring into a folder that holds an earlier disc leaves the project's
// titles alone there, and each title keeps its shape on the 16:9 frame.
TEST_F(ConvWorker, DvdAuthoredAgainHoldsItsOwnTitlesFitted)
{
    const std::string ff = "cd '" + Out("") + "' && ffmpeg -nostdin -v error -y ";
    const std::string sound = "-f lavfi -i sine=frequency=440:sample_rate=48000:duration=0.5 -c:a aac ";
    ASSERT_TRUE(Shell(ff + "-f lavfi -i color=c=white:size=640x480:rate=25:duration=0.5 " + sound +
                      "-c:v libx264 -preset ultrafast -pix_fmt yuv420p dvd-vga.mp4"));
    ASSERT_TRUE(Shell(ff + "-f lavfi -i color=c=white:size=320x180:rate=25:duration=0.5 " + sound +
                      "-c:v libx264 -preset ultrafast -pix_fmt yuv420p dvd-wide.mp4"));
    const std::string folder = Out("dvd-again");
    Shell("rm -rf '" + folder + "'");
    ProfileSpec s;
    s.params["remux"] = 4;
    s.params["DiscType"] = 1;
    auto author = [&](const std::string& name, const std::vector<std::string>& titles) {
        const std::string project = Out(name + ".project");
        std::ofstream list(project);
        list << "output=" << folder << "\nstandard=PAL\naspect=16:9\n";
        for (const std::string& t : titles)
            list << "title=" << Out(t) << "\n";
        list.close();
        return RunJob(project, Out("unused"), s);
    };
    auto titleSets = [&] { return Capture("cd '" + folder + "/VIDEO_TS' && ls VTS_*_0.IFO | tr '\\n' ' '"); };
    Outcome o = author("dvd-first", {"dvd-wide.mp4", "dvd-wide.mp4", "dvd-wide.mp4"});
    ASSERT_EQ(o.state, 5) << o.error;
    ASSERT_EQ(titleSets(), "VTS_01_0.IFO VTS_02_0.IFO VTS_03_0.IFO ");

    o = author("dvd-second", {"dvd-vga.mp4", "dvd-wide.mp4"});
    ASSERT_EQ(o.state, 5) << o.error;
    EXPECT_EQ(titleSets(), "VTS_01_0.IFO VTS_02_0.IFO ");
    EXPECT_EQ(Capture("ls -A '" + folder + "' | tr '\\n' ' '"), "AUDIO_TS VIDEO_TS ");
    // The 4:3 title between bars, the 16:9 one over the whole frame.
    const struct
    {
        const char* vob;
        double shape;
    } titles[] = {{"VTS_01_1.VOB", 4.0 / 3.0}, {"VTS_02_1.VOB", 16.0 / 9.0}};
    for (const auto& t : titles) {
        SCOPED_TRACE(t.vob);
        const std::string vob = folder + "/VIDEO_TS/" + t.vob;
        auto v = MediaTest::Probe(vob, "v", "-show_entries stream=width,height,sample_aspect_ratio");
        EXPECT_EQ(v["width"], "720");
        EXPECT_EQ(v["height"], "576");
        EXPECT_EQ(v["sample_aspect_ratio"], "64:45");
        const MediaTest::BrightArea area = MediaTest::MeasureBrightArea(vob, Out("dvd-title.gray"), 720, 576);
        ASSERT_GT(area.height, 0);
        EXPECT_NEAR(area.width * (64.0 / 45.0) / area.height, t.shape, t.shape * 0.01)
            << area.width << "x" << area.height;
    }
}

} // namespace

namespace {

TEST_F(ConvWorker, MultiStreamEncodesSomeStreamsAndCopiesOthers)
{
    ProfileSpec s;
    s.muxer = "matroska";
    s.ext = ".mkv";
    s.params["MultiStream"] = 1;
    s.streams = {{"VideoParam", false, "mpeg4"}, {"AudioParam", true, ""}, {"SubtitleParam", true, ""}};
    const std::string sourceSound =
        Capture("ffmpeg -v error -i '" + Src("multi.mkv") + "' -map 0:a -c copy -f streamhash -hash md5 - 2>&1");
    for (const char* flags : {"0 0 1", "0 1 1"}) {
        SCOPED_TRACE(flags);
        const std::string dst = Out(std::string("multi-") + flags[2] + ".mkv");
        // Streams named by the address: picture encoded, sound and lines copied.
        const std::string address =
            Src("multi.mkv") + "?movieid=0&vstreamid=0&compress=0&astreamid=1&compress=1&subtitleid=2&compress=1";
        Outcome o = RunJob(address, dst, s, nullptr, nullptr, flags);
        EXPECT_EQ(o.state, 5) << o.error;
        MediaTest::ProbedFile probed = Streams(dst);
        EXPECT_EQ(probed.video["codec_name"], "mpeg4");
        EXPECT_EQ(probed.video["width"], "320");
        EXPECT_NEAR(Duration(probed), 2.0, 0.1);
        EXPECT_EQ(Capture("ffmpeg -v error -i '" + dst + "' -map 0:a -c copy -f streamhash -hash md5 - 2>&1"),
                  sourceSound);
        EXPECT_EQ(probed.subtitle["codec_name"], "subrip");
        EXPECT_NE(Capture("ffmpeg -v error -i '" + dst + "' -map 0:s -f srt - 2>&1").find("Two"), std::string::npos);
    }

    // Without streams in the address the profile's list is taken.
    const std::string dst = Out("multi-profile.mkv");
    Outcome o = RunJob(Src("multi.mkv") + "?movieid=0", dst, s);
    EXPECT_EQ(o.state, 5) << o.error;
    MediaTest::ProbedFile probed = Streams(dst);
    EXPECT_EQ(probed.video["codec_name"], "mpeg4");
    EXPECT_EQ(probed.audio["codec_name"], "aac");
}

} // namespace

namespace {

// Blu-ray discs: the folder is checked byte by byte where the format fixes
// the bytes, and read back by the Blu-ray readers on this system (FFmpeg's
// Blu-ray protocol, libbluray's bd_info).

std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t BE(const std::vector<uint8_t>& b, size_t at, int bytes)
{
    uint32_t v = 0;
    for (int i = 0; i < bytes && at + i < b.size(); ++i)
        v = v << 8 | b[at + i];
    return v;
}

struct EntryPoint
{
    uint32_t packet;
    uint32_t pts45k;
};

// The entry-point map of a clip information file, read as a player does.
std::vector<EntryPoint> ReadEntryPoints(const std::vector<uint8_t>& clpi, uint16_t* pid)
{
    std::vector<EntryPoint> out;
    const size_t cpi = BE(clpi, 16, 4);
    const size_t map = cpi + 6;
    if (BE(clpi, cpi, 4) == 0 || BE(clpi, map + 1, 1) != 1)
        return out;
    *pid = static_cast<uint16_t>(BE(clpi, map + 2, 2));
    const uint64_t counts = static_cast<uint64_t>(BE(clpi, map + 4, 2)) << 32 | BE(clpi, map + 6, 4);
    const uint32_t coarseCount = static_cast<uint32_t>(counts >> 18 & 0xFFFF);
    const uint32_t fineCount = static_cast<uint32_t>(counts & 0x3FFFF);
    const size_t start = map + BE(clpi, map + 10, 4);
    const size_t fine = start + BE(clpi, start, 4);
    for (uint32_t c = 0; c < coarseCount; ++c) {
        const uint32_t word = BE(clpi, start + 4 + 8 * c, 4);
        const uint32_t spn = BE(clpi, start + 8 + 8 * c, 4);
        const uint32_t first = word >> 14;
        const uint32_t last = c + 1 < coarseCount ? BE(clpi, start + 4 + 8 * (c + 1), 4) >> 14 : fineCount;
        for (uint32_t f = first; f < last; ++f) {
            const uint32_t e = BE(clpi, fine + 4 * f, 4);
            out.push_back(
                EntryPoint{(spn & ~0x1FFFFu) + (e & 0x1FFFF), ((word & 0x3FFE) << 18) + ((e >> 17 & 0x7FF) << 8)});
        }
    }
    return out;
}

class BluRayDisc : public ConvWorker
{
protected:
    // Two short titles: 1080p at 23.976 with compressed sound, and standard
    // definition with PCM sound. Made once.
    void SetUp() override
    {
        ConvWorker::SetUp();
        static bool made = false;
        if (!made) {
            const std::string ff = "cd '" + Out("") + "' && ffmpeg -nostdin -v error -y ";
            made = Shell(ff + "-f lavfi -i testsrc2=size=1920x1080:rate=24000/1001:duration=1 "
                              "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=1 -ac 2 "
                              "-c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -b:a 64k bd-hd.mkv") &&
                   Shell(ff + "-f lavfi -i color=c=navy:size=720x576:rate=25:duration=180 "
                              "-f lavfi -i sine=frequency=660:sample_rate=48000:duration=180 -ac 2 "
                              "-c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a pcm_s16le bd-sd.mov");
        }
        ASSERT_TRUE(made) << "ffmpeg could not make the Blu-ray test sources";
    }

    std::string Project(const std::string& name, const std::string& output, const std::string& image,
                        const std::string& titles)
    {
        const std::string path = Out(name + ".project");
        std::ofstream(path) << "# Blu-ray test disc\noutput=" << output << "\n"
                            << (image.empty() ? "" : "image=" + image + "\n") << titles;
        return path;
    }

    Outcome Burn(const std::string& project, std::function<void(ConvertTaskInfo2*)> during = nullptr)
    {
        ProfileSpec s;
        s.params["remux"] = 4;
        s.params["DiscType"] = 2;
        return RunJob(project, Out("unused"), s, nullptr, during);
    }
};

TEST_F(BluRayDisc, AuthorsAFolderThatBluRayReadersPlay)
{
    const std::string disc = Out("bd");
    const std::string iso = Out("bd.iso");
    Shell("rm -rf '" + disc + "' '" + iso + "'");
    const std::string project = Project(
        "bd", disc, iso, "title=" + Out("bd-hd.mkv") + "\nchapter=0.5\ntitle=" + Out("bd-sd.mov") + "\nchapter=1\n");
    Outcome o = Burn(project);
    ASSERT_EQ(o.state, 5) << o.error;
    EXPECT_DOUBLE_EQ(o.percent, 100.0);

    // The files, their magic and version words, and their BACKUP copies.
    const std::string bdmv = disc + "/BDMV/";
    struct File
    {
        const char* path;
        const char* magic;
    };
    const File files[] = {{"index.bdmv", "INDX0200"},
                          {"MovieObject.bdmv", "MOBJ0200"},
                          {"PLAYLIST/00000.mpls", "MPLS0200"},
                          {"CLIPINF/00001.clpi", "HDMV0200"},
                          {"CLIPINF/00002.clpi", "HDMV0200"}};
    for (const File& f : files) {
        SCOPED_TRACE(f.path);
        const std::vector<uint8_t> bytes = ReadBytes(bdmv + f.path);
        ASSERT_GE(bytes.size(), 40u);
        EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 8), f.magic);
        EXPECT_EQ(ReadBytes(bdmv + "BACKUP/" + f.path), bytes);
    }
    EXPECT_FALSE(Shell("test -e '" + disc + "/BDMV.part'"));

    // Each stream file: 192-byte packets, the streams the title asked for.
    struct Title
    {
        const char* clip;
        const char* width;
        const char* height;
        const char* audio;
        double seconds;
        double rate;
    };
    const Title titles[] = {{"00001", "1920", "1080", "ac3", 1.001, 24000.0 / 1001},
                            {"00002", "720", "576", "pcm_bluray", 180.0, 25.0}};
    for (const Title& t : titles) {
        SCOPED_TRACE(t.clip);
        const std::string m2ts = bdmv + "STREAM/" + t.clip + ".m2ts";
        const std::vector<uint8_t> stream = ReadBytes(m2ts);
        ASSERT_GT(stream.size(), 0u);
        EXPECT_EQ(stream.size() % 192, 0u);
        for (size_t at = 0; at < stream.size(); at += 192 * 97)
            ASSERT_EQ(stream[at + 4], 0x47) << "packet " << at / 192;
        MediaTest::ProbedFile probed =
            MediaTest::ProbeFile(m2ts, "codec_name,width,height,sample_rate,level,display_aspect_ratio");
        auto& v = probed.video;
        EXPECT_EQ(v["codec_name"], "h264");
        EXPECT_EQ(v["width"], t.width);
        EXPECT_EQ(v["height"], t.height);
        // Level 4.1, the disc's picture shape.
        EXPECT_EQ(v["level"], "41");
        EXPECT_EQ(v["display_aspect_ratio"], "16:9");
        auto& a = probed.audio;
        EXPECT_EQ(a["codec_name"], t.audio);
        EXPECT_EQ(a["sample_rate"], "48000");

        // Every entry point is a key picture's first packet, and every key
        // picture has one.
        uint16_t pid = 0;
        const std::vector<EntryPoint> entries = ReadEntryPoints(ReadBytes(bdmv + "CLIPINF/" + t.clip + ".clpi"), &pid);
        EXPECT_EQ(pid, 0x1011);
        ASSERT_FALSE(entries.empty());
        std::istringstream keys(Capture("ffprobe -v error -select_streams v:0 -show_entries packet=pos,pts,flags "
                                        "-of csv=p=0 '" +
                                        m2ts + "'"));
        std::vector<uint32_t> keyPackets;
        std::vector<uint32_t> keyTimes;
        std::string line;
        while (std::getline(keys, line)) {
            if (line.find('K') == std::string::npos)
                continue;
            long long pts = 0, pos = 0;
            ASSERT_EQ(std::sscanf(line.c_str(), "%lld,%lld", &pts, &pos), 2) << line;
            keyTimes.push_back(static_cast<uint32_t>(pts / 2));
            keyPackets.push_back(static_cast<uint32_t>(pos / 192));
        }
        ASSERT_EQ(entries.size(), keyPackets.size());
        // A key picture at least every second (the map keeps times to 256 units).
        for (size_t i = 1; i < entries.size(); ++i)
            EXPECT_LE(entries[i].pts45k - entries[i - 1].pts45k, 45045u + 256u) << "entry " << i;
        for (size_t i = 0; i < entries.size(); ++i) {
            EXPECT_EQ(entries[i].packet, keyPackets[i]) << "entry " << i;
            EXPECT_EQ(entries[i].pts45k, keyTimes[i] & ~0xFFu) << "entry " << i;
            const size_t at = static_cast<size_t>(entries[i].packet) * 192;
            ASSERT_LT(at + 192, stream.size() + 1);
            EXPECT_EQ((stream[at + 5] & 0x1F) << 8 | stream[at + 6], 0x1011);
            EXPECT_TRUE(stream[at + 5] & 0x40) << "a picture starts in the packet";
        }
    }

    // FFmpeg's Blu-ray protocol plays the playlist (it opens only discs with
    // a playlist of three minutes or more, hence the long second title):
    // both titles' pictures, each title as long as its source to within one
    // picture, and the first title's streams.
    std::istringstream packets(Capture("ffprobe -v error -playlist 0 -select_streams v:0 -show_entries "
                                       "packet=pts_time -of csv=p=0 'bluray:" +
                                       disc + "' 2>/dev/null"));
    std::vector<std::vector<double>> segments(1);
    std::string line;
    while (std::getline(packets, line)) {
        if (line.empty())
            continue;
        const double t = std::atof(line.c_str());
        // Each clip's times start afresh.
        if (!segments.back().empty() && t < segments.back().back() - 0.5)
            segments.emplace_back();
        segments.back().push_back(t);
    }
    ASSERT_EQ(segments.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        SCOPED_TRACE(titles[i].clip);
        const auto range = std::minmax_element(segments[i].begin(), segments[i].end());
        const double picture = 1.0 / titles[i].rate;
        EXPECT_NEAR(*range.second - *range.first + picture, titles[i].seconds, picture);
    }
    const std::string streams = Capture("ffprobe -v error -playlist 0 -show_entries stream=codec_name,width,height "
                                        "-of csv=p=0 'bluray:" +
                                        disc + "' 2>/dev/null");
    EXPECT_NE(streams.find("h264,1920,1080"), std::string::npos) << streams;
    EXPECT_NE(streams.find("ac3"), std::string::npos) << streams;

    // libbluray's own tools read the disc, folder and image alike: one
    // title that plays the playlist of two clips, with a chapter at each
    // title's start and the project's two marks.
    for (const std::string& path : {disc, iso}) {
        SCOPED_TRACE(path);
        const std::string info = Capture("bd_info '" + path + "' 2>&1");
        EXPECT_NE(info.find("BluRay detected     : yes"), std::string::npos) << info;
        EXPECT_NE(info.find("HDMV titles         : 1"), std::string::npos) << info;
        EXPECT_NE(info.find("First Play supported: yes"), std::string::npos) << info;
        const std::string list = Capture("bd_list_titles -a '" + path + "' 2>&1");
        EXPECT_NE(list.find("duration: 00:03:01 chapters:   4 angles:  1 clips:   2 (playlist: 00000.mpls) V:1 A:1"),
                  std::string::npos)
            << list;
    }
}

TEST_F(BluRayDisc, FitsEachSourceToABluRayFormat)
{
    struct Title
    {
        const char* lavfi; // the source's pictures
        const char* width;
        const char* height;
        const char* rate;
        const char* shape;  // display aspect ratio
        uint8_t formatRate; // the clip information's video format and rate codes
    };
    const Title titles[] = {
        // 4:3 picture on a 4:3 disc: standard definition at its rate.
        {"size=320x240:rate=25", "720", "576", "25/1", "4:3", 0x23},
        // 30 pictures a second: the 480-line system.
        {"size=640x360:rate=30", "720", "480", "30000/1001", "4:3", 0x14},
        // 50 and 60 pictures a second: 720 lines keep them all.
        {"size=1280x720:rate=50", "1280", "720", "50/1", "16:9", 0x56},
        // 30 high-definition pictures: 1080 lines, shown as fields.
        {"size=1920x1080:rate=30", "1920", "1080", "30000/1001", "16:9", 0x44},
    };
    std::string list;
    for (size_t i = 0; i < 4; ++i) {
        const std::string src = Out("bd-fit-" + std::to_string(i) + ".mp4");
        ASSERT_TRUE(Shell("ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=" + std::string(titles[i].lavfi) +
                          ":duration=1 -c:v libx264 -preset ultrafast -pix_fmt yuv420p '" + src + "'"));
        list += "title=" + src + "\n";
    }
    const std::string disc = Out("bd-fit");
    Shell("rm -rf '" + disc + "'");
    Outcome o = Burn(Project("bd-fit", disc, "", "aspect=4:3\n" + list));
    ASSERT_EQ(o.state, 5) << o.error;
    for (size_t i = 0; i < 4; ++i) {
        const Title& t = titles[i];
        SCOPED_TRACE(t.lavfi);
        const std::string clip = "0000" + std::to_string(i + 1);
        MediaTest::ProbedFile probed = MediaTest::ProbeFile(
            disc + "/BDMV/STREAM/" + clip + ".m2ts", "codec_name,width,height,r_frame_rate,display_aspect_ratio,level");
        auto& v = probed.video;
        EXPECT_EQ(v["codec_name"], "h264");
        EXPECT_EQ(v["width"], t.width);
        EXPECT_EQ(v["height"], t.height);
        EXPECT_EQ(v["r_frame_rate"], t.rate);
        EXPECT_EQ(v["display_aspect_ratio"], t.shape);
        EXPECT_EQ(v["level"], "41");
        // A source without sound makes a clip with pictures alone.
        EXPECT_TRUE(probed.audio.empty());
        const std::vector<uint8_t> clpi = ReadBytes(disc + "/BDMV/CLIPINF/" + clip + ".clpi");
        const size_t program = BE(clpi, 12, 4);
        EXPECT_EQ(BE(clpi, program + 10, 1), 1u) << "one stream";
        EXPECT_EQ(BE(clpi, program + 14, 2), 0x1011u);
        EXPECT_EQ(BE(clpi, program + 17, 1), 0x1Bu);
        EXPECT_EQ(BE(clpi, program + 18, 1), t.formatRate);
    }
}

TEST_F(BluRayDisc, CancelDuringEncodingLeavesNoFolder)
{
    const std::string disc = Out("bd-cancelled");
    Shell("rm -rf '" + disc + "'");
    int phase = -1;
    Outcome o = Burn(Project("bd-cancelled", disc, "", "title=" + Src("long.mp4") + "\n"), [&](ConvertTaskInfo2* r) {
        for (int i = 0; i < 6000 && !(r->GetState() == 1 && r->GetPercent() > 0.0); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        phase = r->DiscPhase;
        r->SetState(3);
    });
    EXPECT_EQ(o.state, 3) << o.error;
    EXPECT_EQ(o.error, "");
    EXPECT_LT(o.percent, 85.0);
    EXPECT_EQ(phase, 1) << "cancelled while encoding";
    EXPECT_FALSE(Shell("test -e '" + disc + "/BDMV'"));
    EXPECT_FALSE(Shell("test -e '" + disc + "/BDMV.part'"));
}

TEST_F(BluRayDisc, FailuresEndAsFailedWithTheirText)
{
    const std::string disc = Out("bd-failing");
    struct Case
    {
        const char* name;
        std::string output;
        std::string image;
        std::string titles;
        std::string text; // part of the error text
    };
    const Case cases[] = {
        {"folder under a file", Src("clip.mp4") + "/disc", "", "title=" + Src("clip.mp4") + "\n",
         "Can't create the folder"},
        {"image not writable", disc, Out("no/such/folder/bd.iso"), "title=" + Src("clip.mp4") + "\n",
         "Can't create the file " + Out("no/such/folder/bd.iso")},
        {"title not media", disc, "", "title=" + Src("lines.srt") + "\n", "lines.srt"},
        {"title missing", disc, "", "title=" + Src("nothing.mp4") + "\n", "nothing.mp4"},
        {"bad project", disc, "", "title=" + Src("clip.mp4") + "\nlayers=2\n", "Unknown key in the disc project"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Shell("rm -rf '" + disc + "'");
        Outcome o = Burn(Project("bd-failing", c.output, c.image, c.titles));
        EXPECT_EQ(o.state, 4);
        EXPECT_NE(o.error.find("Creator Disc failed"), std::string::npos) << o.error;
        EXPECT_NE(o.error.find(c.text), std::string::npos) << o.error;
        EXPECT_FALSE(Shell("test -e '" + disc + "/BDMV.part'"));
    }
}

std::string FileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST_F(ConvWorker, ARecordWithoutAPlanIsRefusedWithItsReasonNotPlannedAgain)
{
    // Whatever the record's fields or the profile ask, the worker runs only
    // what the engine planned: a record without a plan writes nothing.
    m_planRecords = false;
    const struct
    {
        const char* what;
        std::function<void(ConvertTaskInfo2*)> setup;
    } cases[] = {
        {"one pass", nullptr},
        {"two passes", [](ConvertTaskInfo2* r) { r->Pass = 2; }},
        {"a trimmed range",
         [](ConvertTaskInfo2* r) {
             r->TrimStart = 500;
             r->TrimLength = 800;
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string dst = Out("unplanned.mp4");
        std::remove(dst.c_str());
        Outcome o = RunJob(Src("clip.mp4"), dst, ProfileSpec(), c.setup);
        EXPECT_EQ(o.exitCode, 0);
        EXPECT_EQ(o.state, 4);
        EXPECT_NE(o.error.find("holds no plan"), std::string::npos) << o.error;
        EXPECT_EQ(access(dst.c_str(), F_OK), -1) << "nothing is written";
        Moorland::JobPlan plan;
        EXPECT_FALSE(Moorland::ReadJobPlan(m_lastRecord, &plan)) << "the worker wrote no plan of its own";
    }
}

TEST_F(ConvWorker, JobValuesOutsideTheirRangesFailBeforeTheJobStarts)
{
    // The record's own link in the data area, as the engine computes links.
    auto linkOf = [](const void* p) {
        return static_cast<uint32_t>(static_cast<const unsigned char*>(p) - (CMemFileMapTypePtr::m_pbaseAddress + 4));
    };
    const struct
    {
        const char* what;
        std::function<void(ConvertTaskInfo2*)> setup;
        const char* named; // in the error text, or in the log when no text can be stored
        bool text;
    } cases[] = {
        {"pass count 65536", [](ConvertTaskInfo2* r) { r->Pass = 65536; }, "pass count 65536", true},
        {"pass count 0", [](ConvertTaskInfo2* r) { r->Pass = 0; }, "pass count 0", true},
        {"pass count -1", [](ConvertTaskInfo2* r) { r->Pass = -1; }, "pass count -1", true},
        {"trim start past the end", [](ConvertTaskInfo2* r) { r->TrimStart = 5000; }, "trim start 5000 ms", true},
        {"trim start at the end", [](ConvertTaskInfo2* r) { r->TrimStart = 2000; }, "trim start 2000 ms", true},
        {"negative trim start", [](ConvertTaskInfo2* r) { r->TrimStart = -5; }, "trim start -5 ms", true},
        {"trim length 0", [](ConvertTaskInfo2* r) { r->TrimLength = 0; }, "trim length 0 ms", true},
        {"trim length -2", [](ConvertTaskInfo2* r) { r->TrimLength = -2; }, "trim length -2 ms", true},
        {"error text over the record", [&](ConvertTaskInfo2* r) { r->ErrorText = linkOf(r); },
         "overlaps the job table, a job record", false},
        {"error text over the job table", [](ConvertTaskInfo2* r) { r->ErrorText = 4; }, "overlaps", false},
        {"error text link 0", [](ConvertTaskInfo2* r) { r->ErrorText = 0; }, "reserves no error text", false},
        {"error text out of range", [](ConvertTaskInfo2* r) { r->ErrorText = kJobFileSize + 16; },
         "leaves the job file", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string dst = Out("refused.mp4");
        std::remove(dst.c_str());
        Outcome o = RunJob(Src("clip.mp4"), dst, ProfileSpec(), [&](ConvertTaskInfo2* r) {
            r->TaskID = 77;
            c.setup(r);
        });
        EXPECT_EQ(o.exitCode, 0);
        EXPECT_EQ(o.state, 4);
        EXPECT_EQ(access(dst.c_str(), F_OK), -1) << "nothing is written";
        if (c.text) {
            EXPECT_NE(o.error.find(c.named), std::string::npos) << o.error;
        } else {
            EXPECT_EQ(o.error, "");
            const std::string log = FileText(Out("worker-" + std::to_string(m_count) + ".log"));
            EXPECT_NE(log.find(c.named), std::string::npos) << log;
        }
        // The record itself is never written over.
        EXPECT_EQ(o.taskId, 77);
    }
}

TEST_F(ConvWorker, AnEditDescriptionWrittenInAGermanLocaleConverts)
{
    MediaTest::ManagerHolder m;
    ASSERT_NE(m.manager, nullptr);
    std::unique_ptr<Moorland::IAVImporter, void (*)(Moorland::IAVImporter*)> importer(
        m->CreateImporterByName("SimpleEditImporter"), [](Moorland::IAVImporter* i) {
            if (i)
                i->Release();
        });
    ASSERT_TRUE(importer);
    auto* timeline = static_cast<Moorland::ISimpleEditTimeLine*>(importer->GetInterface("ISimpleEditTimeLine"));
    ASSERT_TRUE(timeline->InsertSource(-1, Src("clip.mp4").c_str(), "FFImporter", 0, -1, -2, 0));
    ASSERT_TRUE(timeline->SetClipVolume(0, 0.5));
    const std::string seix = Out("german.seix");
    // The program saves the description in the user's locale.
    if (!MediaTest::UseCommaNumbers())
        GTEST_SKIP() << "no locale with a decimal comma can be had (localedef and de_DE missing)";
    const bool saved = timeline->SaveTimeLine(seix.c_str());
    MediaTest::UsePointNumbers();
    ASSERT_TRUE(saved) << GetQuentaException()->GetExceptionMsg();
    EXPECT_NE(FileText(seix).find("volume=\"0.5\""), std::string::npos) << FileText(seix);

    // convworker reads it in its own locale.
    const std::string dst = Out("german.mp4");
    Outcome o = RunJob(seix, dst, ProfileSpec(), nullptr, nullptr, "1 1 1", FABLECUT_BIN_DIR "/convworker",
                       "SimpleEditImporter");
    EXPECT_EQ(o.state, 5) << o.error;
    EXPECT_GT(Duration(dst), 1.5);
}

} // namespace

namespace {

TEST_F(ConvWorker, AProfileThatIsNoFileEndsTheWorkerAtOnceReleasingWhatItMade)
{
    const std::string jobFile = Out("jobs-fifo.map");
    CMemFileMapping* file = CMemFileMapping::CreateInstance(kJobFileSize, jobFile);
    ASSERT_TRUE(file->ReserveJobTable(1));
    ConvertTaskInfo2* record = file->AddJob(0, Src("clip.mp4").c_str(), Out("fifo.mp4").c_str());
    ASSERT_NE(record, nullptr);
    const std::string fifo = Out("profile.fifo");
    std::remove(fifo.c_str());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& profile : {fifo, std::string("/dev/zero"), Out("")}) {
        SCOPED_TRACE(profile);
        const std::string config = "SELECTED_DECODER=NO_SELECTED_DECODER";
        const std::string log = Out("worker-fifo.log");
        const std::string command = FABLECUT_BIN_DIR "/convworker 0 1 1 1 " + std::to_string(jobFile.size()) + " '" +
                                    jobFile + "' " + std::to_string(profile.size()) + " '" + profile + "' " +
                                    std::to_string(config.size()) + " '" + config + "' 0 " +
                                    std::to_string(kJobFileSize) + " " + std::to_string(log.size()) + " '" + log +
                                    "' 2>>'" + Out("worker-stderr.txt") + "'";
        const auto start = std::chrono::steady_clock::now();
        const int status = std::system(("timeout 20 " + command).c_str());
        EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 10.0);
        // -1, not a leak report's code: the media manager and the profile were released.
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(static_cast<int8_t>(WEXITSTATUS(status)), -1);
        EXPECT_EQ(record->GetState(), 0) << "a job that never started leaves its record";
    }
}

} // namespace

namespace {

TEST_F(ConvWorker, ASplitJobWhoseSourceVanishesNamesTheSource)
{
    const std::string src = Out("vanishing.mp4");
    ASSERT_TRUE(Shell("cp '" + Src("long.mp4") + "' '" + src + "'"));
    Shell("rm -f '" + Out("vanish") + "'*.mp4");
    ProfileSpec s;
    s.videoBitrate = 800;
    s.params["ExportPerFileSize"] = 5242880.0 + 120000.0;
    Outcome o = RunJob(src, Out("vanish.mp4"), s, nullptr, [&](ConvertTaskInfo2* r) {
        // Gone while the first part is being written.
        for (int i = 0; i < 3000 && r->GetBytesWritten() == 0 && r->GetState() <= 2; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        std::remove(src.c_str());
    });
    EXPECT_EQ(o.state, 4);
    EXPECT_NE(o.error.find("vanishing.mp4"), std::string::npos) << o.error;
    EXPECT_EQ(o.error.find("can not open exporter"), std::string::npos) << o.error;
}

} // namespace
TEST_F(ConvWorker, FinishedOutputsHoldWhatTheSourceGivesAndFailuresLeaveNoFile)
{
    struct Case
    {
        const char* name;
        const char* src;
        std::string dst;
        ProfileSpec profile;
        int state;
        bool video, audio; // streams of a finished output
        const char* text;  // part of a failure's text
    };
    ProfileSpec mp4;
    ProfileSpec dv;
    dv.muxer = "dv";
    dv.ext = ".dv";
    dv.video = "dvvideo";
    dv.width = 720;
    dv.height = 576;
    dv.rate = 25;
    dv.audio = "pcm_s16le";
    ProfileSpec m2ts; // a lossless copy into a container that can't hold Theora
    m2ts.muxer = "mpegts";
    m2ts.ext = ".m2ts";
    m2ts.video = "";
    m2ts.audio = "";
    m2ts.params["remux"] = 3;
    ProfileSpec avi;
    avi.muxer = "avi";
    avi.ext = ".avi";
    avi.video = "mpeg4";
    avi.audio = "libmp3lame";
    ProfileSpec mp3;
    mp3.muxer = "mp3";
    mp3.ext = ".mp3";
    mp3.avInclude = 1;
    mp3.audio = "libmp3lame";
    const Case cases[] = {
        {"a source without sound gets no sound track", "silent.mp4", Out("silent-out.mp4"), mp4, 5, true, false, ""},
        {"nor in DV", "silent.mp4", Out("silent-out.dv"), dv, 5, true, false, ""},
        {"a copy into a container that can't hold its pictures fails, saying so", "theora.ogg", Out("theora-out.m2ts"),
         m2ts, 4, false, false, "can't hold the clip's theora pictures"},
        {"a variable-rate source", "phone.mp4", Out("phone-out.avi"), avi, 5, true, true, ""},
        {"a source cut short fails", "half.avi", Out("half-out.mp3"), mp3, 4, false, false, "half.avi"},
        {"a VBR song whose length is only a guess converts whole", "song.mp3", Out("song-out.mp3"), mp3, 5, false, true,
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Outcome o = RunJob(Src(c.src), c.dst, c.profile);
        ASSERT_EQ(o.state, c.state) << o.error;
        if (c.state == 4) {
            EXPECT_NE(o.error.find(c.text), std::string::npos) << o.error;
            EXPECT_NE(access(c.dst.c_str(), F_OK), 0) << "a failed job leaves no file looking finished";
            continue;
        }
        EXPECT_EQ(o.percent, 100.0);
        struct stat st
        {
        };
        ASSERT_EQ(stat(c.dst.c_str(), &st), 0);
        EXPECT_EQ(o.bytes, static_cast<int64_t>(st.st_size)) << "bytes written is the file's size";
        const MediaTest::ProbedFile probed = Streams(c.dst);
        EXPECT_EQ(probed.video.count("codec_name"), c.video ? 1u : 0u);
        EXPECT_EQ(probed.audio.count("codec_name"), c.audio ? 1u : 0u);
        EXPECT_TRUE(Shell("ffmpeg -nostdin -v error -xerror -i '" + c.dst + "' -f null - 2>/dev/null"));
        if (std::string(c.src) == "song.mp3") {
            EXPECT_NEAR(Duration(probed), 8.0, 0.2);
        }
    }
}

TEST_F(ConvWorker, EditDescriptionsConvertWithoutAnImporterNameAndFailNamingTheirClips)
{
    // Descriptions written as the output task writes them, handed over with
    // no importer name as a lossless task hands them.
    Moorland::IAVManager* manager = CreateAVManager("/tmp/", nullptr);
    ASSERT_NE(manager, nullptr);
    ProfileSpec multi;
    multi.muxer = "matroska";
    multi.ext = ".mkv";
    multi.params["MultiStream"] = 1;
    multi.streams = {{"VideoParam", false, "mpeg4"}, {"AudioParam", true, ""}};
    ProfileSpec split;
    split.params["ExportPerFileSize"] = 5242880.0 + 120000.0;
    struct Case
    {
        const char* name;
        int trimEndMs; // past the clip's 2 s: a timeline promising more than its clip holds
        ProfileSpec profile;
        const char* ext;
        const char* output; // the file that holds the result
        int state;
    } cases[] = {
        {"whole", 2000, ProfileSpec(), ".mp4", "edit-0.mp4", 5},
        {"promising too much", 5000, ProfileSpec(), ".mp4", "edit-1.mp4", 4},
        {"with a multi-stream profile", 2000, multi, ".mkv", "edit-2.mkv", 5},
        {"split by size", 2000, split, ".mp4", "edit-3(0).mp4", 5},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Moorland::IAVImporter* writer = manager->CreateImporterByName("SimpleEditImporter");
        ASSERT_NE(writer, nullptr);
        auto* timeline = static_cast<Moorland::ISimpleEditTimeLine*>(writer->GetInterface("ISimpleEditTimeLine"));
        Moorland::SimpleEditClipEntry entry{};
        const std::string clip = Src("clip.mp4");
        entry.sourceAddress = clip.c_str();
        entry.importerName = "";
        entry.trimEndMs = c.trimEndMs;
        ASSERT_TRUE(timeline->InsertClip(-1, &entry));
        const std::string name = "edit-" + std::to_string(n++);
        const std::string description = Out(name + ".seix");
        ASSERT_TRUE(timeline->SaveTimeLine(description.c_str()));
        writer->Release();
        Outcome o = RunJob(description, Out(name + c.ext), c.profile);
        ASSERT_EQ(o.state, c.state) << o.error;
        if (c.state == 4) {
            EXPECT_NE(o.error.find(clip), std::string::npos) << o.error;
            EXPECT_EQ(o.error.find(".seix"), std::string::npos) << o.error;
        } else {
            const MediaTest::ProbedFile probed = Streams(Out(c.output));
            EXPECT_NEAR(Duration(probed), 2.0, 0.05);
            EXPECT_EQ(probed.audio.count("codec_name"), 1u);
        }
    }
    manager->Release();
}

TEST_F(ConvWorker, ADescriptionWhosePicturesEndBeforeItsSoundIsMeasuredByWhatItGives)
{
    // A description without a frame rate of its own plays a clip's pictures
    // at their times: the last one stays shown while the sound runs on, and
    // the output's pictures end where the description's do.
    ASSERT_TRUE(Shell("cd '" + Src("") +
                      "' && ffmpeg -nostdin -v error -y -f lavfi -i "
                      "testsrc2=size=160x120:rate=25:duration=1.2 -f lavfi -i sine=frequency=440:duration=1.6 "
                      "-c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac soundlonger.mp4"));
    Moorland::IAVManager* manager = CreateAVManager("/tmp/", nullptr);
    ASSERT_NE(manager, nullptr);
    Moorland::IAVImporter* writer = manager->CreateImporterByName("SimpleEditImporter");
    ASSERT_NE(writer, nullptr);
    auto* timeline = static_cast<Moorland::ISimpleEditTimeLine*>(writer->GetInterface("ISimpleEditTimeLine"));
    const std::string clip = Src("soundlonger.mp4");
    Moorland::SimpleEditClipEntry entry{};
    entry.sourceAddress = clip.c_str();
    entry.importerName = "";
    entry.trimEndMs = -1;
    ASSERT_TRUE(timeline->InsertClip(-1, &entry));
    const std::string description = Out("soundlonger.seix");
    ASSERT_TRUE(timeline->SaveTimeLine(description.c_str()));
    writer->Release();
    manager->Release();
    for (const char* flags : {"0 0 0", "1 1 1"}) {
        SCOPED_TRACE(flags);
        const std::string dst = Out(std::string("soundlonger-") + flags[0] + ".mp4");
        Outcome o = RunJob(description, dst, ProfileSpec(), nullptr, nullptr, flags);
        ASSERT_EQ(o.state, 5) << o.error;
        EXPECT_NEAR(Duration(dst), 1.6, 0.1);
        EXPECT_TRUE(Shell("ffmpeg -nostdin -v error -xerror -i '" + dst + "' -f null - 2>/dev/null"));
    }
}

namespace {

// What a user keeps in a disc's output folder, made before each run: folders
// named like the creators' working and set-aside folders, the name of their
// tools' log, and a folder of the user's elsewhere.
void MakeUsersDiscFolders(const std::string& output, const std::string& elsewhere)
{
    ASSERT_TRUE(Shell("rm -rf '" + output + "' '" + elsewhere + "' && mkdir -p '" + output + "' '" + elsewhere + "'"));
    for (const char* folder : {"BDMV.old", "BDMV.part", "VIDEO_TS.old", "DVD.part", "AUDIO_TS.old"}) {
        ASSERT_EQ(::mkdir((output + "/" + folder).c_str(), 0755), 0);
        std::ofstream(output + "/" + folder + "/kept.txt") << "inside " << folder << "\n";
    }
    std::ofstream(output + "/.fablecut-disc.log") << "the user's notes\n";
    std::ofstream(elsewhere + "/precious.txt") << "precious\n";
}

void ExpectUsersDiscFolders(const std::string& output, const std::string& elsewhere)
{
    for (const char* folder : {"BDMV.old", "BDMV.part", "VIDEO_TS.old", "DVD.part", "AUDIO_TS.old"}) {
        EXPECT_EQ(Listing(output + "/" + folder), "kept.txt\n") << folder;
        EXPECT_EQ(Content(output + "/" + folder + "/kept.txt"), std::string("inside ") + folder + "\n") << folder;
    }
    EXPECT_EQ(Content(output + "/.fablecut-disc.log"), "the user's notes\n");
    EXPECT_EQ(Listing(elsewhere), "precious.txt\n");
    EXPECT_EQ(Content(elsewhere + "/precious.txt"), "precious\n");
}

} // namespace

TEST_F(BluRayDisc, DiscJobsReplaceOnlyAnEarlierDiscAndTouchNoFolderOfTheUsers)
{
    struct Disc
    {
        const char* name;
        int type;
        const char* folder;   // the disc's folder in the output folder
        const char* discFile; // what shows it holds a disc
        std::string title;
        const char* madeListing; // the output folder after a finished disc, the user's names left out
    };
    const Disc discs[] = {
        {"dvd", 1, "VIDEO_TS", "VIDEO_TS.IFO", Src("clip.mp4"), "AUDIO_TS\nVIDEO_TS\n"},
        {"blu-ray", 2, "BDMV", "index.bdmv", Out("bd-hd.mkv"), "BDMV\n"},
    };
    enum Place {
        Nothing,       // no disc yet
        EarlierDisc,   // a disc authored before: replaced
        LinkToUsers,   // a link to a folder of the user's: refused
        UsersFolder,   // a folder of the user's: refused
        CancelPartWay, // no disc yet, the job cancelled while it works
        CancelImage,   // no disc yet, the job cancelled while it makes the disc's image
    };
    const char* const places[] = {"nothing",       "earlier disc", "link to the user's folder",
                                  "user's folder", "cancelled",    "cancelled making the image"};
    for (const Disc& d : discs) {
        for (Place place : {Nothing, EarlierDisc, LinkToUsers, UsersFolder, CancelPartWay, CancelImage}) {
            SCOPED_TRACE(std::string(d.name) + ", " + places[place]);
            const std::string output = Out(std::string("users-disc-") + d.name);
            const std::string elsewhere = output + "-elsewhere";
            MakeUsersDiscFolders(output, elsewhere);
            const std::string project = Out(std::string("users-disc-") + d.name + ".project");
            const std::string image = output + ".iso";
            ::unlink(image.c_str());
            std::ofstream(project) << "output=" << output << "\nstandard=PAL\ntitle=" << d.title << "\n"
                                   << (place == CancelImage ? "image=" + image + "\n" : "");
            ProfileSpec s;
            s.params["remux"] = 4;
            s.params["DiscType"] = d.type;
            const std::string folder = output + "/" + d.folder;
            if (place == EarlierDisc) {
                Outcome first = RunJob(project, Out("unused"), s);
                ASSERT_EQ(first.state, 5) << first.error;
                std::ofstream(folder + "/EARLIER") << "from the earlier disc\n";
            } else if (place == LinkToUsers) {
                ASSERT_EQ(::symlink(elsewhere.c_str(), folder.c_str()), 0);
            } else if (place == UsersFolder) {
                ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
                std::ofstream(folder + "/notes.txt") << "the user's notes\n";
            }
            std::function<void(ConvertTaskInfo2*)> cancel;
            if (place == CancelPartWay) {
                cancel = [](ConvertTaskInfo2* r) {
                    for (int i = 0; i < 6000 && !(r->GetState() == 1 && r->GetPercent() > 0.0); ++i)
                        std::this_thread::sleep_for(std::chrono::milliseconds(2));
                    r->SetState(3);
                };
            } else if (place == CancelImage) {
                cancel = [](ConvertTaskInfo2* r) {
                    for (int i = 0; i < 10000 && !(r->GetState() == 1 && r->DiscPhase == 3); ++i)
                        std::this_thread::sleep_for(std::chrono::milliseconds(2));
                    r->SetState(3);
                };
            }
            // The image is made slowly enough that the cancel comes while it is.
            const std::string path = std::getenv("PATH");
            if (place == CancelImage) {
                const std::string tools = Out("slow-image-tools");
                ASSERT_TRUE(Shell("mkdir -p '" + tools + "' && printf '#!/bin/sh\\nsleep 5\\nexec " +
                                  "/usr/bin/genisoimage \"$@\"\\n' >'" + tools + "/genisoimage' && chmod +x '" + tools +
                                  "/genisoimage'"));
                ::setenv("PATH", (tools + ":" + path).c_str(), 1);
            }
            const Outcome o = RunJob(project, Out("unused"), s, nullptr, cancel);
            ::setenv("PATH", path.c_str(), 1);
            ExpectUsersDiscFolders(output, elsewhere);
            std::string left = Listing(output);
            for (size_t at; (at = left.find(".fablecut-disc.log\n")) != std::string::npos;)
                left.erase(at, std::strlen(".fablecut-disc.log\n"));
            for (const char* name : {"AUDIO_TS.old\n", "BDMV.old\n", "BDMV.part\n", "DVD.part\n", "VIDEO_TS.old\n"}) {
                const size_t at = left.find(name);
                ASSERT_NE(at, std::string::npos) << name;
                left.erase(at, std::strlen(name));
            }
            switch (place) {
            case Nothing:
            case EarlierDisc:
                EXPECT_EQ(o.state, 5) << o.error;
                EXPECT_EQ(left, d.madeListing);
                EXPECT_EQ(::access((folder + "/" + d.discFile).c_str(), F_OK), 0);
                EXPECT_NE(::access((folder + "/EARLIER").c_str(), F_OK), 0) << "the earlier disc is replaced whole";
                break;
            case LinkToUsers:
                EXPECT_EQ(o.state, 4);
                EXPECT_NE(o.error.find(folder + " is a link"), std::string::npos) << o.error;
                EXPECT_EQ(left, std::string(d.folder) + "\n");
                break;
            case UsersFolder:
                EXPECT_EQ(o.state, 4);
                EXPECT_NE(o.error.find(folder + " holds files that are not a disc"), std::string::npos) << o.error;
                EXPECT_EQ(left, std::string(d.folder) + "\n");
                EXPECT_EQ(Content(folder + "/notes.txt"), "the user's notes\n");
                break;
            case CancelImage:
                EXPECT_EQ(o.state, 3) << o.error;
                EXPECT_EQ(left, "");
                EXPECT_NE(::access(image.c_str(), F_OK), 0);
                break;
            case CancelPartWay:
                // Cancelled, or finished before the cancel came: a job that
                // is not finished leaves no disc, and one turned down while
                // the disc is put in place leaves it whole.
                EXPECT_TRUE(o.state == 3 || o.state == 4 || o.state == 5) << o.state;
                if (o.state != 5) {
                    EXPECT_EQ(left, "");
                } else {
                    EXPECT_EQ(left, d.madeListing);
                    EXPECT_EQ(::access((folder + "/" + d.discFile).c_str(), F_OK), 0);
                }
                break;
            }
        }
    }
}
