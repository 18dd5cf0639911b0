// Where a job's source ends: one rule for a plain file and for a timeline
// description handed over with the "SimpleEditImporter", in every job kind.
// A whole source finishes, each stream as long as the source's own stream
// (sound longer or shorter than the pictures included); a source that ends
// before what it stated when the job opened it fails naming where it ended
// and leaves no output, wherever the cut falls and whether it was cut
// before the job or while the job read it.
//
// One ctest per source, so that sources run side by side. Each source gets
// the kinds its shape tests rather than the full cross product:
// - sound outlasting pictures (mkvmerge, GStreamer without per-track
//   lengths): the transcode profiles and two passes on both paths, the copy
//   kinds on the plain file;
// - sound ending before pictures, a screen recording at no steady rate:
//   the sound-only profiles on both paths;
// - a transport stream and a streamed Matroska (no stated lengths), an AVI:
//   cut while read at 10, 50 and 92 % and in the last second through the
//   transcode, DV, QuickTime, sound-only, split, two-pass and lossless kinds;
// - late pictures, late sound, a gap in the pictures, a raw HEVC stream:
//   whole through a few kinds, cut through one.

#include "MemFileMapping.h"
#include "WorkNames.h"
#include "StreamSpans.h"
#include "WorkerTestSources.h"
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
#include <iterator>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using MediaTest::Capture;
using Moorland::ConvertTaskInfo2;

namespace {

using namespace WorkerTest;

bool MakeSources(const std::string& dir)
{
    const std::string ff = "cd '" + dir + "' && ffmpeg -nostdin -v error -y ";
    auto pictures = [](double seconds) {
        return "-f lavfi -i testsrc2=size=160x120:rate=25:duration=" + std::to_string(seconds) + " ";
    };
    auto sound = [](double seconds) {
        return "-f lavfi -i sine=frequency=440:sample_rate=48000:duration=" + std::to_string(seconds) + " ";
    };
    const std::string x264 = "-c:v libx264 -preset ultrafast -pix_fmt yuv420p -g 25 ";
    const std::string gst = "cd '" + dir +
                            "' && gst-launch-1.0 -q videotestsrc num-buffers=100 ! "
                            "video/x-raw,width=160,height=120,framerate=25/1 ! x264enc speed-preset=ultrafast "
                            "key-int-max=25 ! queue ! matroskamux name=m ! filesink location=gstlong.mkv "
                            "audiotestsrc num-buffers=282 samplesperbuffer=1024 ! audio/x-raw,rate=48000 ! "
                            "audioconvert ! vorbisenc ! queue ! m.";
    return Shell(ff + pictures(4) + x264 + "pictures4.mp4") && Shell(ff + sound(6) + "-c:a aac sound6.m4a") &&
           // Pictures 4 s, sound 6 s, joined by mkvmerge: per-track lengths.
           Shell("cd '" + dir + "' && mkvmerge -q -o along.mkv pictures4.mp4 sound6.m4a") &&
           // The same shape from GStreamer's muxer: no per-track lengths.
           Shell(gst) && Shell(ff + pictures(6) + sound(3) + x264 + "-c:a aac short.mkv") &&
           // A screen recording: pictures at no steady rate with a pause,
           // sound that stops early.
           Shell(ff + "-f lavfi -i testsrc2=size=160x120:rate=30:duration=6 " + sound(3.6) +
                 "-vf \"select='not(between(n\\,60\\,89))'\" -fps_mode passthrough " + x264 +
                 "-c:a libvorbis screen.mkv") &&
           Shell(ff + pictures(6) + sound(6) + x264 + "-c:a mp2 plain.ts") &&
           Shell(ff + pictures(4) + sound(4) + x264 + "-c:a aac -f matroska - > streamed.mkv") &&
           Shell(ff + pictures(4) + sound(4) + "-c:v mpeg4 -q:v 5 -c:a libmp3lame whole.avi") &&
           Shell(ff + pictures(4) + sound(4) + x264 + "-c:a aac -movflags +faststart whole.mp4") &&
           Shell(ff + pictures(4) + "-itsoffset 0.6 " + sound(3.4) + x264 + "-c:a aac latesound.mp4") &&
           Shell(ff + "-itsoffset 0.6 " + pictures(3.4) + sound(4) + x264 +
                 "-fps_mode passthrough -c:a aac latepictures.mp4") &&
           // Pictures that pause 1.2 s in the middle, sound throughout.
           Shell(ff + pictures(4) + sound(4) + "-vf \"select='not(between(n\\,40\\,69))'\" -fps_mode passthrough " +
                 x264 + "-c:a aac gap.mkv") &&
           Shell(ff + "-f lavfi -i testsrc2=size=160x120:rate=25:duration=3 -c:v libx265 -preset ultrafast "
                      "-x265-params log-level=error -pix_fmt yuv420p -f hevc raw.hevc");
}

class Fixtures
{
public:
    // SOURCE_END_TABLE_KEEP keeps the sources and outputs for a look afterwards.
    static SourceFolder& Get()
    {
        static SourceFolder f("convworker-ends", MakeSources, "SOURCE_END_TABLE_KEEP");
        return f;
    }
};

// How a job's source reaches it.
enum class Path { File, Timeline };

// How the source is damaged: not at all, before the job opens it, or while
// the job is paused after its loop began (to `at` of its bytes).
enum class Cut { None, Before, WhileRead };

// A job kind: a shipped profile's number, or one made here.
struct Kind
{
    int shipped = 0;
    std::map<std::string, double> params;
    int passes = 1;
    bool multiStream = false;
    const char* ext = ".mkv";
};

Kind MakeKind(const std::string& name)
{
    Kind k;
    if (name.rfind("P", 0) == 0) {
        k.shipped = std::atoi(name.c_str() + 1);
        return k;
    }
    if (name == "TwoPass") {
        k.passes = 2;
        k.ext = ".mp4";
    }
    if (name == "Remux")
        k.params["remux"] = 1;
    if (name == "MultiStream") {
        k.multiStream = true;
        k.params["MultiStream"] = 1;
    }
    // Parts of about 20 KB: the worker keeps 5 MiB of each in reserve.
    if (name == "Split")
        k.params["ExportPerFileSize"] = double(5242880 + 20000);
    return k;
}

std::string ShippedExtension(int id)
{
    std::ifstream in(std::string(FABLECUT_BIN_DIR "/profile/") + std::to_string(id) + ".xml");
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t at = text.find("Ext=\"");
    return at == std::string::npos ? std::string() : text.substr(at + 5, text.find('"', at + 5) - at - 5);
}

bool SoundOnly(int shipped)
{
    return shipped >= 300 && shipped < 400;
}

// One row: a source through a kind on a path, whole or cut.
struct Row
{
    const char* source;
    Path path;
    const char* kind; // "P101": shipped profile 101; else a kind of MakeKind
    Cut cut = Cut::None;
    double at = 0.5; // the part of its bytes a cut source keeps
};

struct Outcome
{
    int state = 0;
    std::string error;
    bool cut = false; // the source was cut while the job stood paused
};

class SourceEndTable : public ::testing::TestWithParam<const char*>
{
protected:
    void SetUp() override { ASSERT_TRUE(Fixtures::Get().Ok()) << "the test sources could not be made"; }
    void TearDown() override { CMemFileMapping::FreeInstance(); }

    std::string Out(const std::string& name) const { return Fixtures::Get().Path(name); }

    std::string WriteProfile(const Kind& k)
    {
        const std::string path = Out("profile-" + std::to_string(++m_count) + ".xml");
        if (k.shipped) {
            EXPECT_TRUE(
                Shell("cp '" FABLECUT_BIN_DIR "/profile/" + std::to_string(k.shipped) + ".xml' '" + path + "'"));
            return path;
        }
        std::unique_ptr<IProfile, ProfileRelease> p(CreateProfile());
        p->GetFileProfile()->SetMuxerName(std::string(k.ext) == ".mp4" ? "mp4" : "matroska");
        p->GetFileProfile()->SetFileExt(k.ext);
        p->GetFileProfile()->SetAVInclude(0);
        p->GetVideoProfile()->SetCodecName("libx264");
        p->GetVideoProfile()->SetWidth(160);
        p->GetVideoProfile()->SetHeight(120);
        p->GetVideoProfile()->SetBitrate(300);
        p->GetAudioProfile()->SetCodecName("aac");
        p->GetAudioProfile()->SetBitrate(96000);
        for (const auto& kv : k.params) {
            if (kv.first == "ExportPerFileSize")
                p->GetParams()->SetDouble(kv.first.c_str(), kv.second);
            else
                p->GetParams()->SetInt(kv.first.c_str(), static_cast<int>(kv.second));
        }
        if (k.multiStream) {
            // Pictures encoded, sound copied.
            auto* root = static_cast<ITixmlNode*>(p->GetRootObject()->QueryInterface("ITixmlNode"));
            ITixmlNode* list = root->InsertChild(nullptr, "StreamParams");
            ITixmlNode* v = list->InsertChild(nullptr, "VideoParam");
            v->SetIntAttribute("Remux", 0);
            v->SetAttribute("VideoCodecName", "mpeg4");
            v->SetIntAttribute("VideoBitrate", 300);
            list->InsertChild(nullptr, "AudioParam")->SetIntAttribute("Remux", 1);
        }
        EXPECT_TRUE(p->SaveFile(path.c_str()));
        return path;
    }

    // A timeline of the one clip, described as the output task describes
    // it: the clip's own picture and sound shape as the output's.
    std::string WriteDescription(const std::string& clip)
    {
        Moorland::IAVManager* manager = CreateAVManager("/tmp/", nullptr);
        EXPECT_NE(manager, nullptr);
        if (!manager)
            return std::string();
        const std::string path = Out("timeline-" + std::to_string(++m_count) + ".seix");
        Moorland::IAVImporter* reader = manager->CreateImporter(clip.c_str());
        Moorland::SimpleEditOutputFormat format{};
        Moorland::MovieInfo* movie = reader && reader->GetMovieCount() > 0 ? reader->GetMovieInfoAt(0) : nullptr;
        for (uint32_t i = 0; movie && i < movie->streamCount; ++i) {
            const Moorland::StreamInfo& s = movie->streams[i];
            if (s.type == Moorland::StreamTypeVideo && format.width == 0) {
                format.width = s.width;
                format.height = s.height;
                std::memcpy(format.frameRate, &s.frameRate, sizeof(format.frameRate));
                format.aspect = s.aspect;
            } else if (s.type == Moorland::StreamTypeAudio && format.sampleRate == 0) {
                format.sampleRate = s.sampleRate;
                format.channels = s.channels;
            }
        }
        if (reader)
            reader->Release();
        Moorland::IAVImporter* writer = manager->CreateImporterByName("SimpleEditImporter");
        auto* timeline =
            writer ? static_cast<Moorland::ISimpleEditTimeLine*>(writer->GetInterface("ISimpleEditTimeLine")) : nullptr;
        EXPECT_NE(timeline, nullptr);
        if (timeline) {
            Moorland::SimpleEditClipEntry entry{};
            entry.sourceAddress = clip.c_str();
            entry.importerName = "";
            entry.trimStartMs = 0;
            entry.trimEndMs = -1;
            EXPECT_TRUE(timeline->InsertClip(-1, &entry)) << clip;
            timeline->SetOutputFormat(0, &format);
            EXPECT_TRUE(timeline->SaveTimeLine(path.c_str()));
        }
        if (writer)
            writer->Release();
        manager->Release();
        return path;
    }

    Outcome Run(const Row& row, const Kind& kind, const std::string& src, const std::string& dst)
    {
        std::string address = row.path == Path::Timeline ? WriteDescription(src) : src;
        if (kind.multiStream)
            address += "?movieid=0&vstreamid=0&compress=0&astreamid=1&compress=1";
        // The engine hands a lossless job's description over without an
        // importer's name; every other one names the timeline's.
        const bool lossless = kind.shipped >= 3000 && kind.shipped < 4000;
        const std::string importer = row.path == Path::Timeline && !lossless ? "SimpleEditImporter" : "";
        const std::string profile = WriteProfile(kind);
        const std::string jobFile = Out("jobs-" + std::to_string(++m_count) + ".map");
        CMemFileMapping* file = CMemFileMapping::CreateInstance(kJobFileSize, jobFile);
        EXPECT_TRUE(file->ReserveJobTable(1));
        ConvertTaskInfo2* record = file->AddJob(0, address.c_str(), dst.c_str());
        EXPECT_NE(record, nullptr);
        const uint32_t names = file->MallcMemory(kWorkNamesBytes + 4);
        EXPECT_TRUE(Moorland::CWorkNames::Reserve(file, record, (names + 3u) & ~3u, kWorkNamesBytes));
        record->Pass = kind.passes;
        record->TrimStart = 0;
        record->TrimLength = -1;
        record->SetDuration(0.0);
        EXPECT_TRUE(WorkerTest::PlanLikeTheEngine(record, profile, address, importer));
        const std::string config = "SELECTED_DECODER=NO_SELECTED_DECODER";
        const std::string log = Out("worker-" + std::to_string(m_count) + ".log");
        const std::string command =
            std::string(FABLECUT_BIN_DIR "/convworker") + " 0 1 1 1 " + std::to_string(jobFile.size()) + " '" +
            jobFile + "' " + std::to_string(profile.size()) + " '" + profile + "' " + std::to_string(config.size()) +
            " '" + config + "' " + (importer.empty() ? "0" : std::to_string(importer.size()) + " " + importer) + " " +
            std::to_string(kJobFileSize) + " " + std::to_string(log.size()) + " '" + log + "' 2>>'" +
            Out("worker-stderr.txt") + "'";
        std::thread cutter;
        bool cut = false;
        if (row.cut == Cut::WhileRead) {
            const double at = row.at;
            cutter = std::thread([record, src, at, &cut] {
                using namespace std::chrono;
                // A deadline that only bounds a hang.
                const auto until = steady_clock::now() + seconds(120);
                auto wait = [&](const std::function<bool()>& done) {
                    while (!done() && steady_clock::now() < until)
                        std::this_thread::sleep_for(milliseconds(2));
                };
                // Paused as soon as it runs, cut once its loop has begun.
                wait([&] { return record->GetState() == 1; });
                record->SetState(2);
                wait([&] { return record->GetDuration() > 0.0 || record->GetState() >= 4; });
                std::this_thread::sleep_for(milliseconds(300));
                // A job that read its small source to the end before it saw
                // the pause is no case of a cut while read.
                if (record->GetState() != 2)
                    return;
                if (truncate(src.c_str(), static_cast<off_t>(static_cast<double>(FileSize(src)) * at)) != 0)
                    ADD_FAILURE() << "can't cut " << src;
                cut = true;
                record->ChangeState(2, 1);
            });
        }
        const int status = std::system(command.c_str());
        if (cutter.joinable())
            cutter.join();
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "see " << Out("worker-stderr.txt");
        Outcome o;
        o.cut = cut;
        o.state = record->GetState();
        const char* text = file->GetText(record->ErrorText);
        o.error = text ? text : "";
        CMemFileMapping::FreeInstance();
        return o;
    }

    void Check(const Row& row);

    int m_count = 0;
};

void SourceEndTable::Check(const Row& row)
{
    const Kind kind = MakeKind(row.kind);
    const std::string ext = kind.shipped ? ShippedExtension(kind.shipped) : kind.ext;
    // Each row reads its own copy: a cut one leaves the others whole. A job
    // that could not be paused before it ended is run again.
    std::string src, stem, dst;
    Spans source;
    Outcome o;
    for (int attempt = 0; attempt < 4; ++attempt) {
        src = Out(std::to_string(++m_count) + "-" + row.source);
        ASSERT_TRUE(Shell("cp '" + Out(row.source) + "' '" + src + "'"));
        source = ReadSpans(src);
        if (row.cut == Cut::Before)
            ASSERT_EQ(truncate(src.c_str(), static_cast<off_t>(static_cast<double>(FileSize(src)) * row.at)), 0);
        stem = Out(std::string("out-") + std::to_string(m_count));
        dst = stem + ext;
        o = Run(row, kind, src, dst);
        if (row.cut != Cut::WhileRead || o.cut)
            break;
    }
    ASSERT_TRUE(row.cut != Cut::WhileRead || o.cut) << "the job could not be paused before it ended";
    const std::vector<std::string> written{dst, stem + "(0)" + ext, stem + "(1)" + ext};
    // A job that had read its whole source before the cut (a copy reads
    // ahead) may finish, with every stream whole: never with less.
    const bool readBeforeCut = row.cut == Cut::WhileRead && o.state == 5;
    if (row.cut != Cut::None && !readBeforeCut) {
        EXPECT_EQ(o.state, 4) << "a cut source ended finished";
        EXPECT_NE(o.error.find(src), std::string::npos) << o.error;
        EXPECT_TRUE(o.error.find("cut short") != std::string::npos) << o.error;
        for (const std::string& name : written)
            EXPECT_EQ(FileSize(name), -1) << name << ": a failed job leaves no output";
        return;
    }
    ASSERT_EQ(o.state, 5) << o.error;
    // Each output stream lasts as long as its source's stream, from its own
    // first to its own last time; pictures may be held on while sound runs
    // (never longer than the source).
    std::vector<std::string> parts;
    for (const std::string& name : written)
        if (FileSize(name) >= 0)
            parts.push_back(name);
    ASSERT_FALSE(parts.empty());
    double pictures = 0, sound = 0;
    bool anyPictures = false, anySound = false;
    for (const std::string& part : parts) {
        EXPECT_EQ(Capture("ffmpeg -nostdin -v error -i '" + part + "' -map 0:v? -map 0:a? -f null - 2>&1; echo rc=$?"),
                  "rc=0\n")
            << part;
        const Spans held = ReadSpans(part);
        anyPictures |= held.video.present;
        anySound |= held.audio.present;
        pictures += held.video.present ? held.video.length() : 0;
        sound += held.audio.present ? held.audio.length() : 0;
    }
    const double slack = 0.15 * static_cast<double>(parts.size());
    const double whole =
        std::max(source.video.present ? source.video.end : 0, source.audio.present ? source.audio.end : 0) -
        std::min(source.video.present ? source.video.first : 1e9, source.audio.present ? source.audio.first : 1e9);
    const bool soundOnly = SoundOnly(kind.shipped);
    if (source.video.present && !soundOnly) {
        ASSERT_TRUE(anyPictures) << "the pictures are missing";
        EXPECT_GE(pictures, source.video.length() - slack) << "the pictures end early";
        EXPECT_LE(pictures, whole + slack) << "the pictures run on";
    }
    if (source.audio.present) {
        ASSERT_TRUE(anySound) << "the sound is missing";
        EXPECT_GE(sound, source.audio.length() - slack) << "the sound ends early";
        EXPECT_LE(sound, whole + slack) << "the sound runs on";
    }
}

// A row's name for the trace.
std::string Name(const Row& r)
{
    std::string n =
        std::string(r.source) + (r.path == Path::Timeline ? " on the timeline" : " as a file") + " through " + r.kind;
    if (r.cut == Cut::Before)
        n += ", cut before to " + std::to_string(static_cast<int>(r.at * 100)) + " %";
    if (r.cut == Cut::WhileRead)
        n += ", cut while read to " + std::to_string(static_cast<int>(r.at * 100)) + " %";
    return n;
}

const Path F = Path::File, T = Path::Timeline;
const Cut W = Cut::WhileRead, B = Cut::Before;

const Row kRows[] = {
    // Pictures 4 s, sound 6 s: whole on both paths.
    {"along.mkv", T, "P101"},
    {"along.mkv", T, "P104"},
    {"along.mkv", T, "P2101"},
    {"along.mkv", T, "P2202"},
    {"along.mkv", T, "TwoPass"},
    {"along.mkv", F, "P101"},
    {"along.mkv", F, "P2202"},
    {"along.mkv", F, "Remux"},
    {"along.mkv", F, "MultiStream"},
    {"along.mkv", T, "P101", W, 0.5},
    {"along.mkv", F, "P101", B, 0.5},
    // The same shape without per-track lengths.
    {"gstlong.mkv", F, "P3101"},
    {"gstlong.mkv", T, "P101"},
    {"gstlong.mkv", F, "Remux", W, 0.5},
    // Sound ending before the pictures.
    {"short.mkv", T, "P301"},
    {"short.mkv", T, "P309"},
    {"short.mkv", T, "P101"},
    {"short.mkv", F, "P301"},
    {"short.mkv", T, "P301", W, 0.5},
    {"screen.mkv", T, "P301"},
    {"screen.mkv", T, "P309"},
    {"screen.mkv", F, "P309"},
    // No stated lengths: the last packets are the measure.
    {"plain.ts", F, "P101"},
    {"plain.ts", F, "P101", W, 0.1},
    {"plain.ts", F, "P101", W, 0.92},
    {"plain.ts", F, "P118", W, 0.92},
    {"plain.ts", F, "P2202", W, 0.92},
    {"plain.ts", F, "P301", W, 0.92},
    {"plain.ts", F, "Split", W, 0.92},
    {"plain.ts", F, "TwoPass", W, 0.92},
    {"plain.ts", F, "P3101", W, 0.5},
    {"plain.ts", F, "Remux", W, 0.5},
    {"plain.ts", F, "P101", W, 0.86}, // the last second
    {"plain.ts", T, "P101", W, 0.5},
    {"streamed.mkv", F, "P101"},
    {"streamed.mkv", F, "P101", W, 0.5},
    {"streamed.mkv", F, "P3101", W, 0.5},
    {"streamed.mkv", T, "P101", W, 0.5},
    {"whole.avi", F, "P3101"},
    {"whole.avi", F, "P3101", W, 0.5},
    {"whole.avi", F, "P101", W, 0.92},
    {"whole.mp4", F, "P101", B, 0.5},
    {"whole.mp4", T, "P101", B, 0.5},
    {"whole.mp4", F, "P101", W, 0.1},
    // Streams that start late or pause.
    {"latesound.mp4", T, "P101"},
    {"latesound.mp4", F, "P2202"},
    {"latepictures.mp4", T, "P101"},
    {"latepictures.mp4", F, "P101", W, 0.5},
    {"gap.mkv", F, "P101"},
    {"gap.mkv", T, "P104"},
    // A raw stream states no length and holds no times.
    {"raw.hevc", F, "P101"},
    {"raw.hevc", T, "P101"},
    {"raw.hevc", F, "P104"},
};

TEST_P(SourceEndTable, WholeSourcesFinishCutSourcesFailNamingWhereTheyEnded)
{
    for (const Row& row : kRows) {
        // SOURCE_END_TABLE_ROW runs only the rows whose name holds it.
        const char* only = std::getenv("SOURCE_END_TABLE_ROW");
        if (std::strcmp(row.source, GetParam()) != 0 || (only && Name(row).find(only) == std::string::npos))
            continue;
        SCOPED_TRACE(Name(row));
        Check(row);
    }
}

std::string Param(const ::testing::TestParamInfo<const char*>& info)
{
    std::string n = info.param;
    std::replace(n.begin(), n.end(), '.', '_');
    return n;
}

INSTANTIATE_TEST_SUITE_P(Sources, SourceEndTable,
                         ::testing::Values("along.mkv", "gstlong.mkv", "short.mkv", "screen.mkv", "plain.ts",
                                           "streamed.mkv", "whole.avi", "whole.mp4", "latesound.mp4",
                                           "latepictures.mp4", "gap.mkv", "raw.hevc"),
                         Param);

} // namespace
