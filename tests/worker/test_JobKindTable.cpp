// Every job kind of convworker against the shapes real sources have: a row
// per job kind, a column per source. A whole source finishes as a whole
// output in step (each stream where its source's stream lies, read back with
// ffprobe and decoded in full); a source cut while the job is paused never
// ends finished. A new job kind is one more row: its profile in MakeKind,
// its name in the list at the end and in tests/worker/CMakeLists.txt, which
// makes each row a ctest of its own so that rows run side by side.

#include "MemFileMapping.h"
#include "WorkNames.h"
#include "StreamSpans.h"
#include "WorkerTestSources.h"
#include "../ProbeOutput.h"

#include "Basilvo/Basilvo.h"
#include "IProfile.h"
#include "ITixmlNode.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
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

// A source of the table: its file, the file whose streams it promises (a
// damaged one promises what the undamaged one holds), and its shape.
struct Source
{
    const char* name;
    const char* file;
    const char* promise;
    bool subtitles = false;
    bool cut = false; // truncated to half while the job is paused
};

const Source kSources[] = {
    {"sound starting late", "late_sound.mp4", "late_sound.mp4"},
    {"pictures starting late", "late_pictures.mp4", "late_pictures.mp4"},
    {"sound outlasting pictures", "long_sound.mp4", "long_sound.mp4"},
    {"sound ending before pictures", "short_sound.mp4", "short_sound.mp4"},
    {"B-frames in Matroska", "bframes.mkv", "bframes.mkv"},
    {"subtitles with two cues", "subtitles.mkv", "subtitles.mkv", true},
    {"a stray time in a transport stream", "stray.ts", "plain.ts"},
    {"cut while read", "whole.mp4", "whole.mp4", false, true},
};

// Moves the times of the `nth` picture of a transport stream (PID 0x100) by
// `seconds`, as a damaged broadcast has one: the ffmpeg tools won't write it.
bool MoveOnePicture(const std::string& from, const std::string& to, int nth, double seconds)
{
    std::ifstream in(from, std::ios::binary);
    std::string ts((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const int64_t shift = static_cast<int64_t>(seconds * 90000);
    int seen = 0;
    for (size_t at = 0; at + 188 <= ts.size(); at += 188) {
        auto* p = reinterpret_cast<unsigned char*>(&ts[at]);
        const int pid = (p[1] & 0x1F) << 8 | p[2];
        if (p[0] != 0x47 || pid != 0x100 || !(p[1] & 0x40) || seen++ != nth)
            continue;
        size_t pes = 4 + ((p[3] & 0x20) ? 1 + p[4] : 0);
        unsigned char* h = p + pes;
        if (h[0] != 0 || h[1] != 0 || h[2] != 1)
            return false;
        auto move = [shift](unsigned char* t) {
            int64_t v = (int64_t(t[0] >> 1 & 7) << 30) | (int64_t(t[1]) << 22) | (int64_t(t[2] >> 1) << 15) |
                        (int64_t(t[3]) << 7) | (t[4] >> 1);
            v = (v + shift) & ((int64_t(1) << 33) - 1);
            t[0] = static_cast<unsigned char>((t[0] & 0xF1) | ((v >> 29) & 0x0E));
            t[1] = static_cast<unsigned char>(v >> 22);
            t[2] = static_cast<unsigned char>(((v >> 14) & 0xFE) | 1);
            t[3] = static_cast<unsigned char>(v >> 7);
            t[4] = static_cast<unsigned char>(((v << 1) & 0xFE) | 1);
        };
        const int flags = h[7] >> 6;
        if (flags & 2)
            move(h + 9);
        if (flags == 3)
            move(h + 14);
        std::ofstream(to, std::ios::binary) << ts;
        return true;
    }
    return false;
}

// The sources, made in `dir`.
bool MakeSources(const std::string& dir)
{
    const std::string ff = "cd '" + dir + "' && ffmpeg -nostdin -v error -y ";
    const std::string pictures = "-f lavfi -i testsrc2=size=160x120:rate=25:duration=3 ";
    auto sound = [](double seconds) {
        return "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=" + std::to_string(seconds) + " ";
    };
    const std::string x264 = "-c:v libx264 -preset ultrafast -pix_fmt yuv420p -g 25 ";
    const std::string aac = "-c:a aac -b:a 64k ";
    return Shell(ff + pictures + "-itsoffset 0.5 " + sound(2.5) + x264 + aac + "late_sound.mp4") &&
           Shell(ff + "-itsoffset 0.5 -f lavfi -i testsrc2=size=160x120:rate=25:duration=2.5 " + sound(3) + x264 +
                 "-fps_mode passthrough " + aac + "late_pictures.mp4") &&
           Shell(ff + pictures + sound(4) + x264 + aac + "long_sound.mp4") &&
           // A screen recording's: the sound stops before the pictures.
           Shell(ff + pictures + sound(1.5) + x264 + aac + "short_sound.mp4") &&
           Shell(ff + pictures + sound(3) + x264 + "-x264-params bframes=2:b-adapt=0 " + aac + "bframes.mkv") &&
           Shell("printf '1\\n00:00:00,500 --> 00:00:01,500\\nOne\\n\\n2\\n00:00:02,000 --> 00:00:03,000\\nTwo\\n' "
                 "> '" +
                 dir + "/cues.srt'") &&
           Shell(ff + pictures + sound(3) + "-i cues.srt -map 0:v -map 1:a -map 2 " + x264 + aac +
                 "-c:s srt subtitles.mkv") &&
           Shell(ff + pictures + sound(3) + x264 + aac + "plain.ts") &&
           MoveOnePicture(dir + "/plain.ts", dir + "/stray.ts", 40, 20.0) &&
           Shell(ff + "-f lavfi -i testsrc2=size=320x240:rate=25:duration=4 " + sound(4) + x264 + "-b:v 1500k " + aac +
                 "whole.mp4");
}

// Sources made once per process, each run of the table in its own folder.
class Fixtures
{
public:
    // JOB_KIND_TABLE_KEEP keeps the sources and outputs for a look afterwards.
    static WorkerTest::SourceFolder& Get()
    {
        static WorkerTest::SourceFolder f("convworker-kinds", MakeSources, "JOB_KIND_TABLE_KEEP");
        return f;
    }
};

// A job kind: how its profile is made and what its output promises.
struct Kind
{
    const char* name;
    int shipped = 0; // a shipped profile's number, else the one below
    const char* muxer = "mp4";
    const char* ext = ".mp4";
    const char* video = "libx264";
    const char* audio = "aac";
    int width = 160, height = 120;
    std::map<std::string, double> params;
    int passes = 1;
    // The record's trim range (a trimming kind's row sets it).
    int32_t trimStartMs = 0;
    int32_t trimLengthMs = -1;
    bool multiStream = false;
    bool copiesPictures = false; // a multi-stream kind that copies its pictures too
    // The output starts every stream together: a late one is led in (with
    // silence, or its first picture), pictures are held while sound remains.
    bool leadsIn = false;
    bool soundThroughout = false; // and sound that ends early goes on in silence
    bool split = false;
    bool copy = false;      // the output is the source's bytes
    bool soundOnly = false; // the output holds the sound alone
    bool lateOnly = false;  // a shipped profile's row: the sources whose streams start apart
};

Kind MakeKind(const char* name)
{
    Kind k;
    k.name = name;
    const std::string n = name;
    if (n == "TwoPass")
        k.passes = 2;
    if (n.rfind("Trimmed", 0) == 0) {
        // 1.5 s from 1 s in, a key picture of the sources.
        k.trimStartMs = 1000;
        k.trimLengthMs = 1500;
    }
    if (n == "TrimmedRemux")
        k.params["remux"] = 1;
    if (n == "AccurateTrim") {
        // Packets copied from the exact picture on: the pictures up to the
        // next key picture are encoded again.
        k.trimStartMs = 1000;
        k.trimLengthMs = 1500;
        k.params["remux"] = 3;
        k.params["AccurateTrimMode"] = 1;
    }
    if (n == "MultiStreamCopied") {
        // Every stream copied, into MP4, which wants each packet's decoding time.
        k.multiStream = true;
        k.copiesPictures = true;
        k.params["MultiStream"] = 1;
    }
    if (n == "TrimmedMultiStream") {
        k.multiStream = true;
        k.params["MultiStream"] = 1;
        k.muxer = "matroska";
        k.ext = ".mkv";
    }
    if (n == "Split" || n == "SplitInParts") {
        k.split = true;
        // The worker keeps 5 MiB of each part in reserve: parts of about
        // 10 KB, or one part of any size.
        k.params["ExportPerFileSize"] = n == "Split" ? double(int64_t(1) << 40) : double(5242880 + 10000);
        k.muxer = "matroska";
        k.ext = ".mkv";
    }
    if (n == "Remux")
        k.params["remux"] = 1;
    if (n == "StreamCopy") {
        k.params["remux"] = 2;
        k.copy = true;
    }
    if (n == "MultiStream") {
        k.multiStream = true;
        k.params["MultiStream"] = 1;
        k.muxer = "matroska";
        k.ext = ".mkv";
    }
    if (n == "DV") {
        k.shipped = 118;
        k.ext = ".dv";
        k.leadsIn = true;
        k.soundThroughout = true;
    }
    if (n == "QuickTimeWriter") {
        k.shipped = 2202;
        k.ext = ".mov";
        k.leadsIn = true;
    }
    if (n.rfind("Profile", 0) == 0) {
        // A shipped profile given a plain file: each stream keeps its offset.
        k.shipped = std::atoi(name + 7);
        static const std::map<int, const char*> kExtensions = {
            {101, ".mp4"}, {104, ".mkv"}, {108, ".flv"}, {109, ".webm"}, {110, ".webm"},
            {113, ".ts"},  {116, ".ogv"}, {117, ".asf"}, {2001, ".mov"},
        };
        k.ext = kExtensions.at(k.shipped);
        k.lateOnly = true;
    }
    if (n == "SoundOnly") {
        k.shipped = 301;
        k.ext = ".mp3";
        k.soundOnly = true;
    }
    return k;
}

struct Outcome
{
    int state = 0;
    double percent = 0;
    std::string error;
    int64_t bytes = 0;
};

class JobKindTable : public ::testing::TestWithParam<const char*>
{
protected:
    void SetUp() override { ASSERT_TRUE(Fixtures::Get().Ok()) << "ffmpeg could not make the test sources"; }
    void TearDown() override { CMemFileMapping::FreeInstance(); }

    std::string Out(const std::string& name) const { return Fixtures::Get().Path(name); }

    std::string WriteProfile(const Kind& k, const Source& source)
    {
        const std::string path = Out("profile-" + std::to_string(++m_count) + ".xml");
        if (k.shipped) {
            EXPECT_TRUE(
                Shell("cp '" FABLECUT_BIN_DIR "/profile/" + std::to_string(k.shipped) + ".xml' '" + path + "'"));
            return path;
        }
        std::unique_ptr<IProfile, ProfileRelease> p(CreateProfile());
        p->GetFileProfile()->SetMuxerName(k.muxer);
        p->GetFileProfile()->SetFileExt(k.ext);
        p->GetFileProfile()->SetAVInclude(0);
        p->GetVideoProfile()->SetCodecName(k.video);
        p->GetVideoProfile()->SetWidth(k.width);
        p->GetVideoProfile()->SetHeight(k.height);
        p->GetVideoProfile()->SetBitrate(300);
        p->GetAudioProfile()->SetCodecName(k.audio);
        p->GetAudioProfile()->SetBitrate(96000);
        for (const auto& kv : k.params) {
            if (kv.first == "ExportPerFileSize")
                p->GetParams()->SetDouble(kv.first.c_str(), kv.second);
            else
                p->GetParams()->SetInt(kv.first.c_str(), static_cast<int>(kv.second));
        }
        if (k.multiStream) {
            // Pictures encoded, sound and subtitles copied.
            auto* root = static_cast<ITixmlNode*>(p->GetRootObject()->QueryInterface("ITixmlNode"));
            ITixmlNode* list = root->InsertChild(nullptr, "StreamParams");
            ITixmlNode* v = list->InsertChild(nullptr, "VideoParam");
            v->SetIntAttribute("Remux", k.copiesPictures ? 1 : 0);
            if (!k.copiesPictures) {
                v->SetAttribute("VideoCodecName", "mpeg4");
                v->SetIntAttribute("VideoBitrate", 300);
            }
            list->InsertChild(nullptr, "AudioParam")->SetIntAttribute("Remux", 1);
            if (source.subtitles && std::string(k.ext) == ".mkv")
                list->InsertChild(nullptr, "SubtitleParam")->SetIntAttribute("Remux", 1);
        }
        EXPECT_TRUE(p->SaveFile(path.c_str()));
        return path;
    }

    // Runs the job as the engine does; a cut source is cut to half once the
    // job has begun its loop and been paused there.
    Outcome Run(const Kind& k, const Source& source, const std::string& src, const std::string& dst)
    {
        std::string address = src;
        if (k.multiStream)
            address += std::string("?movieid=0&vstreamid=0&compress=") + (k.copiesPictures ? "1" : "0") +
                       "&astreamid=1&compress=1" +
                       (source.subtitles && std::string(k.ext) == ".mkv" ? "&subtitleid=2&compress=1" : "");
        const std::string profile = WriteProfile(k, source);
        const std::string jobFile = Out("jobs-" + std::to_string(++m_count) + ".map");
        CMemFileMapping* file = CMemFileMapping::CreateInstance(kJobFileSize, jobFile);
        EXPECT_TRUE(file->ReserveJobTable(1));
        ConvertTaskInfo2* record = file->AddJob(0, address.c_str(), dst.c_str());
        EXPECT_NE(record, nullptr);
        const uint32_t names = file->MallcMemory(kWorkNamesBytes + 4);
        EXPECT_TRUE(Moorland::CWorkNames::Reserve(file, record, (names + 3u) & ~3u, kWorkNamesBytes));
        record->Pass = k.passes;
        record->TrimStart = k.trimStartMs;
        record->TrimLength = k.trimLengthMs;
        record->SetDuration(0.0);
        EXPECT_TRUE(WorkerTest::PlanLikeTheEngine(record, profile, address));
        const std::string config = "SELECTED_DECODER=NO_SELECTED_DECODER";
        const std::string log = Out("worker-" + std::to_string(m_count) + ".log");
        // JOB_KIND_TABLE_WORKER runs another worker, or the worker under a
        // tool (valgrind over a build without sanitizers).
        const char* worker = std::getenv("JOB_KIND_TABLE_WORKER");
        const std::string command =
            std::string(worker ? worker : FABLECUT_BIN_DIR "/convworker") + " 0 1 1 1 " +
            std::to_string(jobFile.size()) + " '" + jobFile + "' " + std::to_string(profile.size()) + " '" + profile +
            "' " + std::to_string(config.size()) + " '" + config + "' 0 " + std::to_string(kJobFileSize) + " " +
            std::to_string(log.size()) + " '" + log + "' 2>>'" + Out("worker-stderr.txt") + "'";
        std::thread cutter;
        if (source.cut) {
            cutter = std::thread([record, src] {
                using namespace std::chrono;
                const auto until = steady_clock::now() + seconds(60);
                auto wait = [&](const std::function<bool()>& done) {
                    while (!done() && steady_clock::now() < until)
                        std::this_thread::sleep_for(milliseconds(2));
                };
                // Paused as soon as it runs, cut once its loop has begun.
                wait([&] { return record->GetState() == 1; });
                record->SetState(2);
                wait([&] { return record->GetDuration() > 0.0 || record->GetState() >= 4; });
                std::this_thread::sleep_for(milliseconds(300));
                const int64_t size = FileSize(src);
                if (truncate(src.c_str(), size / 2) != 0)
                    ADD_FAILURE() << "can't cut " << src;
                record->ChangeState(2, 1);
            });
        }
        const int status = std::system(command.c_str());
        if (cutter.joinable())
            cutter.join();
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "see " << Out("worker-stderr.txt");
        Outcome o;
        o.state = record->GetState();
        o.percent = record->GetPercent();
        o.bytes = record->GetBytesWritten();
        const char* text = file->GetText(record->ErrorText);
        o.error = text ? text : "";
        CMemFileMapping::FreeInstance();
        return o;
    }

    void Cell(const Kind& kind, const Source& source);

    int m_count = 0;
};

// How near an output stream's times lie to its source's: a block of sound
// or a picture either way, and the encoders' own start.
const double kNear = 0.12;

// `endsAfter`: how much longer the stream may run (a copy ends with a whole
// packet, and pictures reordered after it).
void ExpectSpan(const Span& out, double first, double end, const char* what, double endsAfter = 0)
{
    ASSERT_TRUE(out.present) << what << " missing";
    EXPECT_NEAR(out.first, first, kNear) << what << " starts elsewhere";
    EXPECT_GE(out.end, end - kNear) << what << " ends early";
    EXPECT_LE(out.end, end + kNear + endsAfter) << what << " ends late";
}

// One cell of the table: the job of `kind` over `source`.
void JobKindTable::Cell(const Kind& kind, const Source& source)
{
    // Each cell reads its own copy: a cut one leaves the others whole.
    const std::string src = Out(std::to_string(++m_count) + "-" + source.file);
    ASSERT_TRUE(Shell("cp '" + Out(source.file) + "' '" + src + "'"));
    const std::string stem = Out(std::string(kind.name) + "-" + std::to_string(m_count));
    const std::string dst = stem + kind.ext;
    const std::string written = kind.split ? stem + "(0)" + kind.ext : dst;
    const Outcome o = Run(kind, source, src, dst);
    if (source.cut) {
        EXPECT_NE(o.state, 5) << "a cut source ended finished";
        EXPECT_EQ(o.state, 4);
        EXPECT_NE(o.error.find(src), std::string::npos) << o.error;
        EXPECT_EQ(FileSize(written), -1) << "a failed job leaves no output";
        return;
    }
    ASSERT_EQ(o.state, 5) << o.error;
    // The record's figures are the files'.
    std::vector<std::string> parts{written};
    for (int n = 1; kind.split; ++n) {
        const std::string part = stem + "(" + std::to_string(n) + ")" + kind.ext;
        if (FileSize(part) < 0)
            break;
        parts.push_back(part);
    }
    int64_t bytes = 0;
    for (const std::string& part : parts)
        bytes += FileSize(part);
    EXPECT_EQ(o.bytes, bytes);
    EXPECT_DOUBLE_EQ(o.percent, 100.0);
    if (parts.size() > 1) {
        // The parts hold the streams one after the other, each as a whole.
        double pictures = 0, sound = 0;
        for (const std::string& part : parts) {
            EXPECT_EQ(Capture("ffmpeg -nostdin -v error -xerror -i '" + part +
                              "' -map 0:v? -map 0:a? -f null - 2>&1; echo rc=$?"),
                      "rc=0\n")
                << part;
            const Spans held = ReadSpans(part);
            pictures += held.video.end - held.video.first;
            sound += held.audio.end - held.audio.first;
        }
        const Spans promise = ReadSpans(Out(source.promise));
        const double slack = kNear * static_cast<double>(parts.size());
        EXPECT_NEAR(pictures, promise.video.end - promise.video.first, slack);
        EXPECT_NEAR(sound, promise.audio.end - promise.audio.first, slack);
        return;
    }
    if (kind.copy) {
        EXPECT_TRUE(Shell("cmp -s '" + src + "' '" + written + "'"));
        return;
    }
    EXPECT_EQ(
        Capture("ffmpeg -nostdin -v error -xerror -i '" + written + "' -map 0:v? -map 0:a? -f null - 2>&1; echo rc=$?"),
        "rc=0\n");
    const Spans out = ReadSpans(written);
    // Each stream lies where its source's does, measured from the
    // output's start; where the kind starts all together, the late one
    // is led in and the pictures held to the sound's end.
    const Spans promise = ReadSpans(Out(source.promise));
    const double start = std::min(promise.video.first, promise.audio.first);
    // The job's range of the source, and each stream's part of it as the
    // output holds it: from the range's start.
    const double from = start + kind.trimStartMs / 1000.0;
    const double to = kind.trimLengthMs == -1 ? 1e9 : from + kind.trimLengthMs / 1000.0;
    auto ranged = [&](const Span& s) {
        Span r = s;
        r.first = std::max(s.first, from) - from;
        r.end = std::min(s.end, to) - from;
        return r;
    };
    const Span video = ranged(promise.video), audio = ranged(promise.audio);
    if (kind.soundOnly) {
        EXPECT_FALSE(out.video.present);
        ASSERT_TRUE(out.audio.present);
        EXPECT_NEAR(out.audio.end - out.audio.first, audio.end - audio.first, kNear);
    } else if (kind.leadsIn) {
        const double end = std::max(video.end, audio.end);
        ExpectSpan(out.video, 0.0, end, "the pictures");
        ExpectSpan(out.audio, 0.0, kind.soundThroughout ? end : audio.end, "the sound");
    } else {
        // A trimmed copy of packets ends with the first one past the range.
        const double copyEnd = kind.trimLengthMs != -1 && kind.params.count("remux") ? 0.25 : 0.0;
        ExpectSpan(out.video, video.first, video.end, "the pictures", copyEnd);
        ExpectSpan(out.audio, audio.first, audio.end, "the sound", copyEnd);
    }
    if (kind.multiStream && source.subtitles && std::string(kind.ext) == ".mkv") {
        // Copied cues keep their times and how long they show: those that
        // start in the range.
        std::vector<std::pair<double, double>> cues;
        for (const auto& cue : promise.subtitle.packets) {
            if (cue.first >= from && cue.first < to)
                cues.emplace_back(cue.first - from, cue.second);
        }
        ASSERT_EQ(out.subtitle.packets.size(), cues.size());
        for (size_t i = 0; i < cues.size(); ++i) {
            EXPECT_NEAR(out.subtitle.packets[i].first, cues[i].first, 0.01) << i;
            EXPECT_NEAR(out.subtitle.packets[i].second, cues[i].second, 0.01) << i;
        }
    }
}

TEST_P(JobKindTable, WholeSourcesFinishWholeAndInStepCutSourcesNeverFinish)
{
    const Kind kind = MakeKind(GetParam());
    for (const Source& source : kSources) {
        if (kind.lateOnly && std::strstr(source.name, "starting late") == nullptr)
            continue;
        SCOPED_TRACE(std::string(kind.name) + ", " + source.name);
        Cell(kind, source);
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, JobKindTable,
                         ::testing::Values("Transcode", "TwoPass", "Trimmed", "TrimmedRemux", "AccurateTrim",
                                           "TrimmedMultiStream", "Split", "Remux", "StreamCopy", "MultiStream",
                                           "MultiStreamCopied", "DV", "QuickTimeWriter", "SoundOnly", "SplitInParts",
                                           "Profile101", "Profile104", "Profile108", "Profile109", "Profile110",
                                           "Profile113", "Profile116", "Profile117", "Profile2001"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

} // namespace
