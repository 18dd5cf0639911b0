// Sound and pictures stay in step in every kind of output, and trims take
// the range asked for. The sources carry marks: a white picture and a beep
// at the same source time, at uneven distances so that no shift of one
// stream against the other can pair a mark with another one. Each output is
// read back with the ffmpeg program (the pictures' brightness, the sound's
// samples) and every mark must lie where the source puts it, within one
// picture, in both streams. The jobs go to convworker as the engine hands
// them over: a plain file with the record's trim range, or a timeline's
// edit description written by the media manager's timeline. One ctest per
// job kind, so that the kinds run side by side.

#include "MemFileMapping.h"
#include "WorkNames.h"
#include "WorkerTestSources.h"
#include "../ProbeOutput.h"

#include "Basilvo/Basilvo.h"
#include "IAVImporter.h"
#include "IAVManager.h"
#include "IProfile.h"
#include "ISimpleEditTimeLine.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

using MediaTest::Capture;
using Moorland::ConvertTaskInfo2;

namespace {

using namespace WorkerTest;

// Where the sources carry their marks (seconds): on picture boundaries at
// 25 pictures a second, no two of them 0.3 to 0.6 s or about 4 s apart.
const std::vector<double> kMarks = {0.32, 1.0, 1.92, 3.0, 4.4};
const double kLength = 4.8;
// Each mark lasts two pictures: a rate other than the source's still shows it.
const double kMarkLength = 0.08;
// In step: within one picture at 25 a second, and a sample's rounding.
const double kInStep = 0.045;

std::string MarkedPictures(double length)
{
    std::string enable;
    for (double t : kMarks)
        enable += (enable.empty() ? "" : "+") + std::string("between(t,") + std::to_string(t) + "," +
                  std::to_string(t + kMarkLength - 0.001) + ")";
    return "-f lavfi -i \"color=c=black:size=160x120:rate=25:duration=" + std::to_string(length) +
           ",drawbox=c=white:t=fill:enable='" + enable + "'\" ";
}

std::string MarkedSound(double length)
{
    std::string beep;
    for (double t : kMarks)
        beep += (beep.empty() ? "" : "+") + std::string("between(t,") + std::to_string(t) + "," +
                std::to_string(t + kMarkLength) + ")";
    const std::string e = "0.6*sin(2*PI*1000*t)*(" + beep + ")";
    return "-f lavfi -i \"aevalsrc=exprs='" + e + "|" + e + "':sample_rate=48000:duration=" + std::to_string(length) +
           "\" ";
}

// A source of the table and where each of its streams lies (seconds).
struct Source
{
    const char* name;
    const char* file;
    double videoFirst, videoEnd, audioFirst, audioEnd;
    // Stretches of the source without pictures.
    double gapFrom = 0, gapTo = 0;
};

const Source kLatePictures = {"pictures starting late", "late_pictures.mp4", 0.56, kLength, 0.0, kLength};
const Source kLatePicturesTs = {"pictures starting late in a TS", "late_pictures.ts", 0.56, kLength, 0.0, kLength};
const Source kLateSound = {"sound starting late", "late_sound.mp4", 0.0, kLength, 0.5, kLength};
const Source kGap = {"a gap in the pictures", "gap.mkv", 0.0, kLength, 0.0, kLength, 2.2, 2.8};

bool MakeSources(const std::string& dir)
{
    const std::string ff = "cd '" + dir + "' && ffmpeg -nostdin -v error -y ";
    const std::string both = MarkedPictures(kLength) + MarkedSound(kLength);
    const std::string x264 = "-c:v libx264 -preset ultrafast -pix_fmt yuv420p -g 25 -fps_mode passthrough ";
    const std::string aac = "-c:a aac -b:a 96k ";
    // The filters keep the times of what they let through: the stream starts
    // (or resumes) late.
    return Shell(ff + both + "-filter:v trim=start=0.56 " + x264 + aac + "late_pictures.mp4") &&
           Shell(ff + both + "-filter:v trim=start=0.56 " + x264 + aac + "late_pictures.ts") &&
           Shell(ff + both + "-filter:a atrim=start=0.5 " + x264 + aac + "late_sound.mp4") &&
           Shell(ff + both + "-filter:v \"select='not(between(t,2.2,2.79))'\" " + x264 + aac + "gap.mkv");
}

class Fixtures
{
public:
    // SYNC_MARKS_KEEP keeps the sources and outputs for a look afterwards.
    static SourceFolder& Get()
    {
        static SourceFolder f("convworker-marks", MakeSources, "SYNC_MARKS_KEEP");
        return f;
    }
};

// The marks an output shows, each stream on the output's own time line
// (what a player shows: from the earliest stream's start).
struct Marks
{
    std::vector<double> pictures, sounds;
    double videoFirst = -1, videoEnd = -1, audioFirst = -1, audioEnd = -1;
};

Marks ReadMarks(const std::string& path)
{
    Marks m;
    // The start every stream's times are measured from.
    const double start = std::atof(
        Capture("ffprobe -v error -show_entries format=start_time -of csv=p=0 '" + path + "' 2>/dev/null").c_str());
    std::istringstream packets(Capture("ffprobe -v error -show_entries packet=codec_type,pts_time,duration_time "
                                       "-of csv=p=0 '" +
                                       path + "' 2>/dev/null"));
    for (std::string line; std::getline(packets, line);) {
        std::vector<std::string> f;
        std::stringstream fields(line);
        for (std::string item; std::getline(fields, item, ',');)
            f.push_back(item);
        if (f.size() < 3 || f[1] == "N/A")
            continue;
        const double at = std::atof(f[1].c_str()) - start;
        const double end = at + (f[2] == "N/A" ? 0.0 : std::atof(f[2].c_str()));
        double& first = f[0] == "video" ? m.videoFirst : m.audioFirst;
        double& last = f[0] == "video" ? m.videoEnd : m.audioEnd;
        if (f[0] != "video" && f[0] != "audio")
            continue;
        first = first < 0 ? at : std::min(first, at);
        last = std::max(last, end);
    }
    // Pictures: the first bright one of each run.
    std::istringstream shown(Capture("ffmpeg -nostdin -v error -i '" + path +
                                     "' -map 0:v:0 -vf signalstats,metadata=print:key=lavfi.signalstats.YAVG:file=- "
                                     "-f null - 2>/dev/null"));
    double at = 0;
    bool bright = false;
    for (std::string line; std::getline(shown, line);) {
        const size_t t = line.find("pts_time:");
        if (t != std::string::npos) {
            at = std::atof(line.c_str() + t + 9);
            continue;
        }
        const size_t y = line.find("YAVG=");
        if (y == std::string::npos)
            continue;
        const bool now = std::atof(line.c_str() + y + 5) > 128.0;
        if (now && !bright)
            m.pictures.push_back(at);
        bright = now;
    }
    // Sound: where a beep begins after a quiet stretch, counted in samples
    // from the output's start (what lies before the sound's first is silence).
    const std::string raw = Capture("ffmpeg -nostdin -v error -i '" + path +
                                    "' -map 0:a:0 -af aresample=48000:async=1:first_pts=0 -ac 1 -f s16le - "
                                    "2>/dev/null");
    const size_t count = raw.size() / 2;
    long quiet = 48000;
    for (size_t i = 0; i < count; ++i) {
        int16_t s;
        std::memcpy(&s, raw.data() + 2 * i, 2);
        if (std::abs(static_cast<int>(s)) > 6000) {
            if (quiet >= 9600)
                m.sounds.push_back(static_cast<double>(i) / 48000.0);
            quiet = 0;
        } else {
            ++quiet;
        }
    }
    return m;
}

std::string List(const std::vector<double>& v)
{
    std::ostringstream out;
    for (double t : v)
        out << t << " ";
    return out.str();
}

// A job kind: its profile and how its output starts its streams.
struct Kind
{
    const char* name = nullptr;
    int shipped = 0;
    const char* ext = ".mp4";
    std::map<std::string, double> params;
    bool leadsIn = false;        // a late stream is led in from the output's start
    bool heldToSoundEnd = false; // pictures are held while sound remains
    bool split = false;
    int discType = 0;
    bool lossless = false;
    bool trims = true;      // the kind takes a trim range
    bool timeline = true;   // and a timeline (a copy of packets needs a file)
    bool earlyTrims = true; // and a trim that starts before the pictures
};

Kind MakeKind(const std::string& n)
{
    Kind k;
    static const char* const kNames[] = {"Profile101", "DV",    "QuickTime2101", "QuickTime2202", "Lossless",
                                         "Remux",      "Split", "DVD",           "BluRay"};
    for (const char* name : kNames)
        if (n == name)
            k.name = name;
    if (n == "Profile101")
        k.shipped = 101;
    if (n == "DV") {
        k.shipped = 118;
        k.ext = ".dv";
        k.leadsIn = k.heldToSoundEnd = true;
    }
    if (n == "QuickTime2101" || n == "QuickTime2202") {
        k.shipped = n == "QuickTime2101" ? 2101 : 2202;
        k.ext = ".mov";
        k.leadsIn = k.heldToSoundEnd = true;
    }
    if (n == "Lossless") {
        // Cut exactly: the pictures from the in-point to the next key
        // picture are encoded again.
        k.lossless = true;
        k.params["remux"] = 3;
        k.params["AccurateTrimMode"] = 1;
        k.earlyTrims = false;
    }
    if (n == "Remux") {
        k.params["remux"] = 1;
        k.timeline = false;
        k.trims = false;
    }
    if (n == "Split") {
        // Parts of about 30 KB: the worker keeps 5 MiB of each in reserve.
        k.split = true;
        k.ext = ".mkv";
        k.params["ExportPerFileSize"] = 5242880 + 30000;
        // Each part measures a trim length from its own first frame.
        k.trims = false;
    }
    if (n == "DVD" || n == "BluRay") {
        k.discType = n == "DVD" ? 1 : 2;
        k.params["remux"] = 4;
        k.params["DiscType"] = k.discType;
        k.trims = false;
    }
    return k;
}

// How the job reaches the worker.
enum class Path { PlainFile, Timeline };

struct Row
{
    const Source* source;
    Path path;
    int32_t trimStartMs = 0, trimLengthMs = -1;
};

// 2.5 s from 1 s in: the marks at 1.92 and 3.0 s; or 3 s from 0.2 s in,
// before the late pictures start.
const int32_t kTrimStart = 1000, kTrimLength = 2500;
const int32_t kEarlyTrimStart = 200, kEarlyTrimLength = 3000;

const Row kRows[] = {
    {&kLatePictures, Path::PlainFile},
    {&kLatePictures, Path::Timeline},
    {&kLatePicturesTs, Path::PlainFile},
    {&kLateSound, Path::PlainFile},
    {&kLateSound, Path::Timeline},
    {&kGap, Path::PlainFile},
    {&kGap, Path::Timeline},
    {&kLatePictures, Path::PlainFile, kTrimStart, kTrimLength},
    {&kLatePictures, Path::Timeline, kTrimStart, kTrimLength},
    {&kLateSound, Path::PlainFile, kTrimStart, kTrimLength},
    {&kGap, Path::Timeline, kTrimStart, kTrimLength},
    {&kLatePictures, Path::PlainFile, kEarlyTrimStart, kEarlyTrimLength},
    {&kLatePictures, Path::Timeline, kEarlyTrimStart, kEarlyTrimLength},
};

struct Outcome
{
    int state = 0;
    std::string error;
};

class SyncMarks : public ::testing::TestWithParam<const char*>
{
protected:
    void SetUp() override { ASSERT_TRUE(Fixtures::Get().Ok()) << "ffmpeg could not make the marked sources"; }
    void TearDown() override { CMemFileMapping::FreeInstance(); }

    std::string Out(const std::string& name) const { return Fixtures::Get().Path(name); }

    std::string WriteProfile(const Kind& k)
    {
        const std::string path = Out(std::string(k.name) + "-profile-" + std::to_string(++m_count) + ".xml");
        if (k.shipped) {
            EXPECT_TRUE(
                Shell("cp '" FABLECUT_BIN_DIR "/profile/" + std::to_string(k.shipped) + ".xml' '" + path + "'"));
            return path;
        }
        std::unique_ptr<IProfile, ProfileRelease> p(CreateProfile());
        p->GetFileProfile()->SetMuxerName(std::string(k.ext) == ".mkv" ? "matroska" : "mp4");
        p->GetFileProfile()->SetFileExt(k.ext);
        p->GetFileProfile()->SetAVInclude(0);
        if (k.lossless) {
            p->GetFileProfile()->SetRemux(1);
            p->GetVideoProfile()->SetCodecName("");
            p->GetAudioProfile()->SetCodecName("");
        } else {
            p->GetVideoProfile()->SetCodecName("libx264");
            p->GetVideoProfile()->SetWidth(160);
            p->GetVideoProfile()->SetHeight(120);
            p->GetVideoProfile()->SetBitrate(300);
            p->GetAudioProfile()->SetCodecName("aac");
            p->GetAudioProfile()->SetBitrate(96000);
        }
        for (const auto& kv : k.params) {
            if (kv.first == "ExportPerFileSize")
                p->GetParams()->SetDouble(kv.first.c_str(), kv.second);
            else
                p->GetParams()->SetInt(kv.first.c_str(), static_cast<int>(kv.second));
        }
        EXPECT_TRUE(p->SaveFile(path.c_str()));
        return path;
    }

    // The edit description the output task hands the engine: one clip of
    // `source`, trimmed as asked, written by the media manager's timeline.
    std::string WriteDescription(const std::string& source, int32_t trimStartMs, int32_t trimLengthMs)
    {
        Moorland::IAVManager* manager = CreateAVManager("/tmp/", nullptr);
        EXPECT_NE(manager, nullptr);
        Moorland::IAVImporter* writer = manager->CreateImporterByName("SimpleEditImporter");
        EXPECT_NE(writer, nullptr);
        auto* timeline = static_cast<Moorland::ISimpleEditTimeLine*>(writer->GetInterface("ISimpleEditTimeLine"));
        Moorland::SimpleEditClipEntry entry{};
        entry.sourceAddress = source.c_str();
        entry.importerName = "";
        entry.trimStartMs = trimStartMs;
        entry.trimEndMs = trimLengthMs == -1 ? -1 : trimStartMs + trimLengthMs;
        EXPECT_TRUE(timeline->InsertClip(-1, &entry));
        const std::string description = Out("timeline-" + std::to_string(++m_count) + ".seix");
        EXPECT_TRUE(timeline->SaveTimeLine(description.c_str()));
        writer->Release();
        manager->Release();
        return description;
    }

    Outcome Run(const Kind& k, const std::string& src, const std::string& dst, const Row& row, bool timeline)
    {
        const std::string profile = WriteProfile(k);
        const std::string jobFile = Out("jobs-" + std::to_string(++m_count) + ".map");
        CMemFileMapping* file = CMemFileMapping::CreateInstance(kJobFileSize, jobFile);
        EXPECT_TRUE(file->ReserveJobTable(1));
        ConvertTaskInfo2* record = file->AddJob(0, src.c_str(), dst.c_str());
        EXPECT_NE(record, nullptr);
        const uint32_t names = file->MallcMemory(kWorkNamesBytes + 4);
        EXPECT_TRUE(Moorland::CWorkNames::Reserve(file, record, (names + 3u) & ~3u, kWorkNamesBytes));
        record->Pass = 1;
        record->TrimStart = timeline ? 0 : row.trimStartMs;
        record->TrimLength = timeline ? -1 : row.trimLengthMs;
        record->SetDuration(0.0);
        EXPECT_TRUE(WorkerTest::PlanLikeTheEngine(record, profile, src, timeline ? "SimpleEditImporter" : ""));
        const std::string config = "SELECTED_DECODER=NO_SELECTED_DECODER";
        const std::string log = Out("worker-" + std::to_string(m_count) + ".log");
        const std::string command =
            std::string(FABLECUT_BIN_DIR "/convworker") + " 0 1 1 1 " + std::to_string(jobFile.size()) + " '" +
            jobFile + "' " + std::to_string(profile.size()) + " '" + profile + "' " + std::to_string(config.size()) +
            " '" + config + "' " + (timeline ? "18 SimpleEditImporter" : "0") + " " + std::to_string(kJobFileSize) +
            " " + std::to_string(log.size()) + " '" + log + "' 2>>'" + Out("worker-stderr.txt") + "'";
        const int status = std::system(command.c_str());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "see " << Out("worker-stderr.txt");
        Outcome o;
        o.state = record->GetState();
        const char* text = file->GetText(record->ErrorText);
        o.error = text ? text : "";
        CMemFileMapping::FreeInstance();
        return o;
    }

    void Cell(const Kind& kind, const Row& row);

    int m_count = 0;
};

// The marks of [from, to) of the source that `first`..`end` of a stream
// holds, on the output's time line.
std::vector<double> MarksIn(double first, double end, double from, double to)
{
    std::vector<double> v;
    for (double t : kMarks)
        if (t >= std::max(first, from) - 0.001 && t + kMarkLength <= std::min(end, to) + 0.001)
            v.push_back(t - from);
    return v;
}

void ExpectMarksAt(const std::vector<double>& shown, const std::vector<double>& expected, const char* what)
{
    ASSERT_EQ(shown.size(), expected.size())
        << what << " shows its marks at " << List(shown) << "where the source has " << List(expected);
    for (size_t i = 0; i < shown.size(); ++i)
        EXPECT_NEAR(shown[i], expected[i], kInStep) << what << " mark " << i << ": " << List(shown);
}

// Every mark of one stream has its partner in the other within one picture,
// where the other stream runs at all; counts the marks without one.
void CountLone(const Marks& m, const std::string& part, size_t* lonePictures, size_t* loneSounds)
{
    auto lone = [&part](const std::vector<double>& from, const std::vector<double>& to, const char* what) {
        size_t n = 0;
        for (double t : from) {
            double best = 1e9;
            for (double u : to)
                best = std::min(best, std::fabs(u - t));
            if (best > kInStep) {
                ++n;
                std::printf("%s: the %s mark at %.3f s has no partner (nearest %.3f s away)\n", part.c_str(), what, t,
                            best);
            }
        }
        return n;
    };
    *lonePictures += lone(m.pictures, m.sounds, "picture");
    *loneSounds += lone(m.sounds, m.pictures, "sound");
}

std::string DiscStream(const std::string& folder, int type)
{
    const std::string list = type == 1 ? Capture("ls '" + folder + "/VIDEO_TS/'VTS_01_[1-9].VOB 2>/dev/null")
                                       : Capture("ls '" + folder + "/BDMV/STREAM/'*.m2ts 2>/dev/null");
    std::istringstream in(list);
    std::string first;
    std::getline(in, first);
    return first;
}

void SyncMarks::Cell(const Kind& kind, const Row& row)
{
    const Source& source = *row.source;
    const bool timeline = row.path == Path::Timeline;
    const bool trimmed = row.trimLengthMs != -1;
    const std::string src = Out(source.file);
    const std::string stem = Out(std::string(kind.name) + "-" + std::to_string(++m_count));
    std::string jobSource = timeline ? WriteDescription(src, row.trimStartMs, row.trimLengthMs) : src;
    std::string written = kind.split ? stem + "(0)" + kind.ext : stem + kind.ext;
    if (kind.discType) {
        jobSource = stem + ".project";
        std::ofstream(jobSource) << "output=" << stem << "\nstandard=PAL\ntitle=" << src << "\n";
    }
    const Outcome o = Run(kind, jobSource, stem + kind.ext, row, timeline);
    ASSERT_EQ(o.state, 5) << o.error;
    if (kind.discType)
        written = DiscStream(stem, kind.discType);
    ASSERT_FALSE(written.empty());

    // The range of the source the output holds.
    const double from = trimmed ? row.trimStartMs / 1000.0 : 0.0;
    const double to = trimmed ? from + row.trimLengthMs / 1000.0 : 1e9;
    // A gap's marks are all outside it: the stream's marks are those of its span.
    std::vector<double> pictures = MarksIn(source.videoFirst, source.videoEnd, from, to);
    std::vector<double> sounds = MarksIn(source.audioFirst, source.audioEnd, from, to);
    // The marks both streams of the source hold: each has its partner.
    size_t paired = 0;
    for (double t : pictures)
        paired += std::count_if(sounds.begin(), sounds.end(), [t](double u) { return std::fabs(u - t) < 0.001; });
    const double videoFirst = std::max(source.videoFirst, from) - from;
    const double audioFirst = std::max(source.audioFirst, from) - from;
    const double videoEnd = std::min(source.videoEnd, to) - from;
    const double audioEnd = std::min(source.audioEnd, to) - from;

    if (kind.split) {
        // Each part in step on its own, every mark once over all parts.
        size_t pictureCount = 0, soundCount = 0, lonePictures = 0, loneSounds = 0;
        for (int n = 0;; ++n) {
            const std::string part = stem + "(" + std::to_string(n) + ")" + kind.ext;
            if (access(part.c_str(), F_OK) != 0)
                break;
            const Marks m = ReadMarks(part);
            CountLone(m, part, &lonePictures, &loneSounds);
            pictureCount += m.pictures.size();
            soundCount += m.sounds.size();
        }
        EXPECT_EQ(pictureCount, pictures.size());
        EXPECT_EQ(soundCount, sounds.size());
        EXPECT_LE(lonePictures, pictures.size() - paired) << "parts out of step";
        EXPECT_LE(loneSounds, sounds.size() - paired) << "parts out of step";
        return;
    }
    const Marks m = ReadMarks(written);
    size_t lonePictures = 0, loneSounds = 0;
    CountLone(m, written, &lonePictures, &loneSounds);
    EXPECT_LE(lonePictures, pictures.size() - paired) << "out of step";
    EXPECT_LE(loneSounds, sounds.size() - paired) << "out of step";
    // The output's time line starts with its earliest stream; a disc starts
    // its own way, and only step and count are its promise.
    const double zero = kind.discType ? 0.0 : std::min(videoFirst, audioFirst);
    for (double& t : pictures)
        t -= zero;
    for (double& t : sounds)
        t -= zero;
    if (kind.discType) {
        EXPECT_EQ(m.pictures.size(), pictures.size()) << List(m.pictures);
        EXPECT_EQ(m.sounds.size(), sounds.size()) << List(m.sounds);
        return;
    }
    ExpectMarksAt(m.pictures, pictures, "the pictures");
    ExpectMarksAt(m.sounds, sounds, "the sound");
    // Each stream starts where its source's does (or with the output, led
    // in) and ends where the range or the source ends.
    const double near = 0.1;
    // (a timeline leads a late stream in as well).
    const bool leadsIn = kind.leadsIn || timeline;
    auto startsAt = [&](double first, double expected) {
        return std::fabs(first - expected) <= near || (leadsIn && std::fabs(first) <= near);
    };
    EXPECT_TRUE(startsAt(m.audioFirst, audioFirst - zero)) << "the sound starts at " << m.audioFirst;
    EXPECT_TRUE(startsAt(m.videoFirst, videoFirst - zero)) << "the pictures start at " << m.videoFirst;
    const double end = std::max(videoEnd, audioEnd) - zero;
    // A copy of packets ends with the first one past the range.
    const double copyEnd = trimmed && kind.params.count("remux") ? 0.25 : 0.0;
    EXPECT_LE(m.audioEnd, end + near + copyEnd) << "the sound runs past the range";
    EXPECT_LE(m.videoEnd, end + near + copyEnd) << "the pictures run past the range";
    EXPECT_GE(m.audioEnd, audioEnd - zero - near) << "the sound ends early";
    EXPECT_GE(m.videoEnd, (kind.heldToSoundEnd ? end : videoEnd - zero) - near) << "the pictures end early";
}

TEST_P(SyncMarks, EveryMarkInStepAndEveryTrimItsRange)
{
    const Kind kind = MakeKind(GetParam());
    ASSERT_NE(kind.name, nullptr);
    for (const Row& row : kRows) {
        if (kind.discType && (row.path == Path::Timeline || row.trimLengthMs != -1))
            continue;
        if ((!kind.trims && row.trimLengthMs != -1) || (!kind.timeline && row.path == Path::Timeline) ||
            (!kind.earlyTrims && row.trimStartMs == kEarlyTrimStart))
            continue;
        SCOPED_TRACE(std::string(kind.name) + ", " + row.source->name +
                     (row.path == Path::Timeline ? ", on the timeline" : ", a plain file") +
                     (row.trimLengthMs != -1 ? ", trimmed" : ""));
        Cell(kind, row);
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, SyncMarks,
                         ::testing::Values("Profile101", "DV", "QuickTime2101", "QuickTime2202", "Lossless", "Remux",
                                           "Split", "DVD", "BluRay"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

} // namespace
