// Lossless jobs end to end: the test plays the conversion engine, hands
// convworker a lossless job ("remux" 3) on a timeline's edit description or
// a file, and checks what the output holds against the ffmpeg program's
// stream copy of the same source: the packets, the pictures after a cut,
// the times of joined clips, the turn of a phone's clip, and the failure of
// a source cut short.

#include "MemFileMapping.h"
#include "WorkNames.h"
#include "WorkerTestSources.h"
#include "../MediaTestFolder.h"
#include "../ProbeOutput.h"

#include "Basilvo/Basilvo.h"
#include "IAVImporter.h"
#include "IProfile.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

using Moorland::ConvertTaskInfo2;

namespace {

using WorkerTest::kJobFileSize;
using WorkerTest::kWorkNamesBytes;

using MediaTest::Capture;

// The hash and size columns of a framemd5 listing: what the packets (or
// decoded pictures) hold, whatever their times.
std::vector<std::string> Hashes(const std::string& listing)
{
    std::vector<std::string> rows;
    std::istringstream in(listing);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::vector<std::string> cells;
        std::istringstream row(line);
        std::string cell;
        while (std::getline(row, cell, ','))
            cells.push_back(cell.substr(cell.find_first_not_of(' ')));
        if (cells.size() >= 6)
            rows.push_back(cells[4] + " " + cells[5]);
    }
    return rows;
}

std::vector<std::string> PacketHashes(const std::string& path)
{
    return Hashes(Capture("ffmpeg -nostdin -v error -i '" + path + "' -map 0:v:0 -c copy -f framemd5 - 2>/dev/null"));
}

std::vector<std::string> PictureHashes(const std::string& path, const std::string& filter = "")
{
    return Hashes(Capture("ffmpeg -nostdin -v error -i '" + path + "' -map 0:v:0 " + filter +
                          " -pix_fmt yuv420p -f framemd5 - 2>/dev/null"));
}

// The decoded pictures, one after the other, as 8-bit 4:2:0.
std::string RawPictures(const std::string& path, const std::string& filter)
{
    return Capture("ffmpeg -nostdin -v error -i '" + path + "' -map 0:v:0 " + filter +
                   " -pix_fmt yuv420p -f rawvideo - 2>/dev/null");
}

// Peak signal to noise of two pictures in dB; 1000 for equal ones.
double Psnr(const std::string& a, const std::string& b)
{
    double sum = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        const double d = static_cast<unsigned char>(a[i]) - static_cast<unsigned char>(b[i]);
        sum += d * d;
    }
    if (sum == 0)
        return 1000;
    return 10 * std::log10(255.0 * 255.0 * a.size() / sum);
}

std::string Probe(const std::string& path, const std::string& what)
{
    return Capture("ffprobe -v error " + what + " -of default=nw=1:nk=1 '" + path + "' 2>/dev/null");
}

struct Job
{
    const char* muxer = "";
    const char* ext = ".*";
    bool exact = false;
};

struct Outcome
{
    int state = 0;
    double percent = 0;
    std::string error;
};

class LosslessJob : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_folder = new MediaTest::Folder("lossless-job");
        const std::string ff = s_folder->FFmpeg();
        const std::string src = "-f lavfi -i testsrc2=size=320x240:rate=25 -f lavfi -i sine=f=440:r=44100 ";
        s_ok = !s_folder->Dir().empty() &&
               // H.264 with B-frames, a key picture every 50.
               MediaTest::Run(ff + src +
                              "-t 8 -c:v libx264 -bf 2 -g 50 -keyint_min 50 -sc_threshold 0 "
                              "-pix_fmt yuv420p -c:a aac -shortest h264.mp4") &&
               MediaTest::Run(ff + "-i h264.mp4 -c copy h264.mkv") &&
               MediaTest::Run(ff + "-i h264.mp4 -c copy h264.ts") &&
               // A phone's HEVC clip, stored on its side with a display matrix.
               MediaTest::Run(ff + src +
                              "-t 8 -c:v libx265 -x265-params log-level=error:keyint=50:min-keyint=50:"
                              "scenecut=0:open-gop=0:bframes=2 -tag:v hvc1 -pix_fmt yuv420p -c:a aac "
                              "-shortest phone.mp4") &&
               MediaTest::TurnMp4(s_folder->Path("phone.mp4"), 270) &&
               MediaTest::Run(ff + "-f lavfi -i testsrc2=size=160x120:rate=25 -t 1 -c:v libaom-av1 -cpu-used 8 "
                                   "-g 10 av1.mkv") &&
               MediaTest::Run(ff + "-f lavfi -i testsrc2=size=160x120:rate=25 -f lavfi -i sine=r=48000 -t 2 "
                                   "-c:v libvpx-vp9 -deadline realtime -g 25 -c:a libopus -shortest vp9.webm") &&
               MediaTest::Run(ff + "-f lavfi -i testsrc2=size=320x240:rate=25 -f lavfi -i sine=r=48000 -t 2 "
                                   "-c:v mpeg2video -g 12 -bf 2 -c:a mp2 -shortest mpeg2.ts") &&
               MediaTest::Run(ff + "-f lavfi -i testsrc2=size=320x240:rate=25 -f lavfi -i sine=r=48000 -t 2 "
                                   "-c:v libx264 -bf 2 -g 25 -c:a ac3 -shortest avchd.m2ts");
    }
    static void TearDownTestSuite()
    {
        if (std::getenv("LOSSLESS_KEEP_FIXTURES"))
            return;
        delete s_folder;
        s_folder = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(s_ok) << "ffmpeg could not make the test sources"; }
    void TearDown() override { CMemFileMapping::FreeInstance(); }

    static std::string Path(const std::string& name) { return s_folder->Dir() + "/" + name; }

    // A timeline's edit description of `clips` (file, in ms, out ms or -1).
    std::string Timeline(const std::vector<std::tuple<std::string, int, int>>& clips)
    {
        const std::string path = Path("timeline-" + std::to_string(++m_count) + ".seix");
        std::ofstream out(path);
        out << "<SimpleEditTimeLine version=\"1\">\n<Output streams=\"0\"/>\n";
        for (const auto& c : clips)
            out << "<Clip source=\"" << Path(std::get<0>(c)) << "\" trimStart=\"" << std::get<1>(c) << "\" trimEnd=\""
                << std::get<2>(c) << "\"/>\n";
        out << "</SimpleEditTimeLine>\n";
        return path;
    }

    // `during` acts on the record while the worker runs.
    Outcome Run(const std::string& src, const std::string& dst, const Job& job,
                std::function<void(ConvertTaskInfo2*)> during = nullptr)
    {
        struct Release
        {
            void operator()(IProfile* p) const { p->Release(); }
        };
        std::unique_ptr<IProfile, Release> p(CreateProfile());
        p->GetFileProfile()->SetMuxerName(job.muxer);
        p->GetFileProfile()->SetFileExt(job.ext);
        p->GetFileProfile()->SetRemux(1);
        p->GetVideoProfile()->SetCodecName("");
        p->GetAudioProfile()->SetCodecName("");
        p->GetParams()->SetInt("remux", 3);
        if (job.exact) {
            p->GetParams()->SetInt("AccurateTrimMode", 1);
            p->GetParams()->SetInt("DecodeTimeBeforeTrimStart", 10000);
        }
        const std::string profile = Path("profile-" + std::to_string(++m_count) + ".xml");
        EXPECT_TRUE(p->SaveFile(profile.c_str()));
        const std::string jobFile = Path("jobs-" + std::to_string(++m_count) + ".map");
        CMemFileMapping* file = CMemFileMapping::CreateInstance(kJobFileSize, jobFile);
        EXPECT_TRUE(file->ReserveJobTable(1));
        ConvertTaskInfo2* record = file->AddJob(0, src.c_str(), dst.c_str());
        const uint32_t names = file->MallcMemory(kWorkNamesBytes + 4);
        EXPECT_TRUE(Moorland::CWorkNames::Reserve(file, record, (names + 3u) & ~3u, kWorkNamesBytes));
        EXPECT_TRUE(WorkerTest::PlanLikeTheEngine(record, profile, src));
        const std::string config = "SELECTED_DECODER=NO_SELECTED_DECODER";
        const std::string log = Path("worker.log");
        const std::string command =
            std::string(FABLECUT_BIN_DIR "/convworker 0 1 1 1 ") + std::to_string(jobFile.size()) + " '" + jobFile +
            "' " + std::to_string(profile.size()) + " '" + profile + "' " + std::to_string(config.size()) + " '" +
            config + "' 0 " + std::to_string(kJobFileSize) + " " + std::to_string(log.size()) + " '" + log + "' 2>>'" +
            Path("worker-stderr.txt") + "'";
        std::thread watcher;
        if (during)
            watcher = std::thread([&] { during(record); });
        const int status = std::system(command.c_str());
        if (watcher.joinable())
            watcher.join();
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "see " << Path("worker-stderr.txt");
        Outcome o;
        o.state = record->GetState();
        o.percent = record->GetPercent();
        const char* text = file->GetText(record->ErrorText);
        o.error = text ? text : "";
        CMemFileMapping::FreeInstance();
        return o;
    }

    static MediaTest::Folder* s_folder;
    static bool s_ok;
    int m_count = 0;
};

MediaTest::Folder* LosslessJob::s_folder = nullptr;
bool LosslessJob::s_ok = false;

// A whole clip's pictures are the packets a stream copy writes, byte for
// byte, in every container the lossless profiles offer.
TEST_F(LosslessJob, WholeClipsCopyThePacketsAStreamCopyWrites)
{
    struct Case
    {
        const char* source;
        const char* muxer; // "" the source's own container
        const char* out;
    };
    const Case cases[] = {
        {"h264.mp4", "mp4", "h264-out.mp4"},        {"h264.mp4", "matroska", "h264-out.mkv"},
        {"h264.ts", "mpegts", "h264-out.ts"},       {"h264.mp4", "mpegts", "h264-annexb.m2ts"},
        {"phone.mp4", "", "phone-out.mp4"},         {"av1.mkv", "", "av1-out.mkv"},
        {"vp9.webm", "", "vp9-out.webm"},           {"mpeg2.ts", "", "mpeg2-out.ts"},
        {"avchd.m2ts", "mpegts", "avchd-out.m2ts"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.out);
        // Both cuts copy a whole clip as it is; the exact one is the default.
        for (bool exact : {true, false}) {
            if (!exact && c.out != cases[0].out)
                continue;
            Job job;
            job.muxer = c.muxer;
            job.exact = exact;
            const std::string out = Path(c.out);
            const Outcome o = Run(Timeline({{c.source, 0, -1}}), out, job);
            ASSERT_EQ(o.state, 5) << o.error;
            EXPECT_EQ(o.percent, 100.0);
            const std::string copy = Path(std::string("ffcopy-") + c.out);
            ASSERT_TRUE(MediaTest::Run("ffmpeg -nostdin -v error -y -i '" + Path(c.source) + "' -map 0:v:0 -c copy " +
                                       (*c.muxer ? std::string("-f ") + c.muxer : "") + " '" + copy + "'"));
            const std::vector<std::string> ours = PacketHashes(out);
            EXPECT_GT(ours.size(), 20u);
            EXPECT_EQ(ours, PacketHashes(copy));
        }
    }
    // The sound goes along, copied.
    EXPECT_EQ(Probe(Path("avchd-out.m2ts"), "-select_streams a:0 -show_entries stream=codec_name").substr(0, 4),
              "ac3\n");
}

// Cut at the exact picture: the output holds the source's pictures 37 to
// 162, each once; those copied are the source's own, those encoded again at
// the cuts are within 45 dB of them. The sound starts with the pictures.
TEST_F(LosslessJob, ExactCutsGiveTheRangesPicturesEachOnce)
{
    struct Case
    {
        const char* source;
        const char* muxer;
        const char* out;
    };
    const Case cases[] = {
        {"h264.mp4", "mp4", "exact.mp4"},
        {"h264.mp4", "matroska", "exact.mkv"},
        {"phone.mp4", "", "exact-phone.mp4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.out);
        Job job;
        job.muxer = c.muxer;
        job.exact = true;
        const std::string out = Path(c.out);
        const Outcome o = Run(Timeline({{c.source, 37 * 40, 163 * 40}}), out, job);
        ASSERT_EQ(o.state, 5) << o.error;
        const std::vector<std::string> got = PictureHashes(out);
        const std::vector<std::string> want =
            PictureHashes(Path(c.source), "-vf select='between(n\\,37\\,162)' -vsync passthrough");
        ASSERT_EQ(got.size(), 126u);
        ASSERT_EQ(want.size(), 126u);
        // Key pictures every 50: 50 to 149 are copied.
        for (size_t i = 50 - 37; i < 150 - 37; ++i)
            EXPECT_EQ(got[i], want[i]) << "picture " << 37 + i;
        const std::string gotRaw = RawPictures(out, "");
        const std::string wantRaw =
            RawPictures(Path(c.source), "-vf select='between(n\\,37\\,162)' -vsync passthrough");
        const size_t frame = 320 * 240 * 3 / 2;
        ASSERT_EQ(gotRaw.size(), 126 * frame);
        ASSERT_EQ(wantRaw.size(), 126 * frame);
        for (size_t i = 0; i < 126; ++i)
            EXPECT_GE(Psnr(gotRaw.substr(i * frame, frame), wantRaw.substr(i * frame, frame)), 45.0)
                << "picture " << 37 + i;
        // The sound starts with the first picture, within one sound frame.
        const double videoStart = std::atof(Probe(out, "-select_streams v:0 -show_entries stream=start_time").c_str());
        const double audioStart = std::atof(Probe(out, "-select_streams a:0 -show_entries stream=start_time").c_str());
        EXPECT_NEAR(audioStart, videoStart, 1024.0 / 44100 + 0.001);
    }
}

// MPEG-2 and VP9 clips cut inside their groups hold the range's pictures
// each once, within 45 dB of the source's.
TEST_F(LosslessJob, ExactCutsInOtherCodecs)
{
    struct Case
    {
        const char* source;
        const char* out;
        int width, height;
    };
    const Case cases[] = {{"mpeg2.ts", "exact-mpeg2.ts", 320, 240}, {"vp9.webm", "exact-vp9.webm", 160, 120}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.out);
        Job job;
        job.exact = true;
        const std::string out = Path(c.out);
        const Outcome o = Run(Timeline({{c.source, 7 * 40, 43 * 40}}), out, job);
        ASSERT_EQ(o.state, 5) << o.error;
        const std::string got = RawPictures(out, "");
        const std::string want = RawPictures(Path(c.source), "-vf select='between(n\\,7\\,42)' -vsync passthrough");
        const size_t frame = static_cast<size_t>(c.width) * c.height * 3 / 2;
        ASSERT_EQ(got.size(), 36 * frame);
        ASSERT_EQ(want.size(), 36 * frame);
        for (size_t i = 0; i < 36; ++i)
            EXPECT_GE(Psnr(got.substr(i * frame, frame), want.substr(i * frame, frame)), 45.0) << "picture " << 7 + i;
    }
}

// An HEVC clip of open groups (their first pictures after a key picture
// in decode order are shown before it) cut inside a group: the pictures up
// to the next key picture, those shown before it included, are there once.
TEST_F(LosslessJob, ExactCutsOfOpenGroupsMissNoPicture)
{
    ASSERT_TRUE(MediaTest::Run(s_folder->FFmpeg() + "-f lavfi -i testsrc2=size=320x240:rate=25 -t 4 -c:v libx265 "
                                                    "-x265-params log-level=error:keyint=25:min-keyint=25:scenecut=0:"
                                                    "open-gop=1:bframes=3 -pix_fmt yuv420p open.mp4"));
    Job job;
    job.exact = true;
    const std::string out = Path("open-out.mkv");
    job.muxer = "matroska";
    ASSERT_EQ(Run(Timeline({{"open.mp4", 10 * 40, 90 * 40}}), out, job).state, 5);
    const std::string got = RawPictures(out, "");
    const std::string want = RawPictures(Path("open.mp4"), "-vf select='between(n\\,10\\,89)' -vsync passthrough");
    const size_t frame = 320 * 240 * 3 / 2;
    ASSERT_EQ(got.size(), 80 * frame);
    ASSERT_EQ(want.size(), 80 * frame);
    for (size_t i = 0; i < 80; ++i)
        EXPECT_GE(Psnr(got.substr(i * frame, frame), want.substr(i * frame, frame)), 45.0) << "picture " << 10 + i;
}

// From the next key picture: the output starts at the key picture after the
// in-point, and every picture is a packet of the source as it was.
TEST_F(LosslessJob, NextKeyPictureCutsCopyEveryPacket)
{
    const std::string out = Path("gop.mp4");
    Job job;
    job.muxer = "mp4";
    const Outcome o = Run(Timeline({{"h264.mp4", 37 * 40, 163 * 40}}), out, job);
    ASSERT_EQ(o.state, 5) << o.error;
    const std::vector<std::string> source = PacketHashes(Path("h264.mp4"));
    const std::vector<std::string> got = PacketHashes(out);
    ASSERT_GE(got.size(), 100u);
    ASSERT_LE(got.size(), 113u);
    EXPECT_EQ(got.front(), source[50]) << "the output starts at the key picture 50";
    for (const std::string& packet : got)
        EXPECT_NE(std::find(source.begin(), source.end(), packet), source.end());
    const std::vector<std::string> pictures = PictureHashes(out);
    const std::vector<std::string> want =
        PictureHashes(Path("h264.mp4"), "-vf select='gte(n\\,50)' -vsync passthrough");
    ASSERT_LE(pictures.size(), want.size());
    for (size_t i = 0; i < pictures.size(); ++i)
        EXPECT_EQ(pictures[i], want[i]) << "picture " << 50 + i;
}

// Two ranges of one source play as one file: their pictures follow one
// another without a gap or a repeat, and the sound lasts as long. Ranges
// from key picture to key picture are copied whole; ranges cut inside
// groups are as long, with the pictures at the cuts encoded again.
TEST_F(LosslessJob, TwoClipsOfOneSourceMakeOneFileWithContinuousTimes)
{
    struct Case
    {
        const char* out;
        bool exact;
        int secondEndMs;
        int pictures;
    };
    const Case cases[] = {
        {"two.mp4", false, 6000, 100},      {"two.mkv", false, 6000, 100},      {"two.ts", false, 6000, 100},
        {"two-exact.mp4", true, 7000, 125}, {"two-exact.mkv", true, 7000, 125},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.out);
        const std::string out = Path(c.out);
        Job job;
        job.exact = c.exact;
        const Outcome o = Run(Timeline({{"h264.mp4", 0, 2000}, {"h264.mp4", 4000, c.secondEndMs}}), out, job);
        ASSERT_EQ(o.state, 5) << o.error;
        const std::vector<std::string> pictures = PictureHashes(out);
        const std::vector<std::string> want =
            PictureHashes(Path("h264.mp4"), "-vf select='lt(n\\,50)+between(n\\,100\\," +
                                                std::to_string(c.pictures + 49) + ")' -vsync passthrough");
        ASSERT_EQ(pictures.size(), want.size());
        for (size_t i = 0; i < pictures.size() && !c.exact; ++i)
            EXPECT_EQ(pictures[i], want[i]) << "picture " << i;
        const std::string times = Capture(
            "ffprobe -v error -select_streams v:0 -show_entries frame=pts_time -of default=nw=1:nk=1 '" + out + "'");
        std::istringstream in(times);
        double t, last = -1;
        int n = 0;
        while (in >> t) {
            if (last >= 0) {
                EXPECT_NEAR(t - last, 0.04, 0.002) << "picture " << n;
            }
            last = t;
            ++n;
        }
        EXPECT_EQ(n, c.pictures);
        const double audio = std::atof(Probe(out, "-select_streams a:0 -show_entries stream=duration").c_str());
        if (std::string(c.out).find(".mp4") != std::string::npos) {
            EXPECT_NEAR(audio, c.pictures / 25.0, 0.1);
        }
    }
}

// Clips of two files whose streams match, each with parameter sets of its
// own: the second clip's go with its first key picture, and every picture
// decodes as in its own file.
TEST_F(LosslessJob, ClipsOfTwoSourcesWithMatchingStreamsDecodeAsTheirOwn)
{
    ASSERT_TRUE(MediaTest::Run(s_folder->FFmpeg() + "-f lavfi -i testsrc=size=320x240:rate=25 -f lavfi -i "
                                                    "sine=f=880:r=44100 -t 2 -c:v libx264 -profile:v main -bf 0 -g 25 "
                                                    "-pix_fmt yuv420p -c:a aac -shortest other.mp4"));
    for (const char* name : {"joined.mp4", "joined.mkv", "joined.ts"}) {
        SCOPED_TRACE(name);
        const std::string out = Path(name);
        Job job;
        job.exact = true;
        ASSERT_EQ(Run(Timeline({{"h264.mp4", 0, 2000}, {"other.mp4", 0, -1}}), out, job).state, 5);
        std::vector<std::string> want = PictureHashes(Path("h264.mp4"), "-vf select='lt(n\\,50)' -vsync passthrough");
        const std::vector<std::string> second = PictureHashes(Path("other.mp4"));
        want.insert(want.end(), second.begin(), second.end());
        EXPECT_EQ(PictureHashes(out), want);
    }
}

// A phone's clip keeps its turn in the containers that hold one.
TEST_F(LosslessJob, APhonesClipKeepsItsTurn)
{
    for (const char* name : {"turn.mp4", "turn.mov"}) {
        const std::string out = Path(name);
        const Outcome o = Run(Timeline({{"phone.mp4", 0, -1}}), out, Job{});
        ASSERT_EQ(o.state, 5) << o.error;
        EXPECT_EQ(Probe(out, "-select_streams v:0 -show_entries stream_side_data=rotation"), "90\n") << name;
        EXPECT_EQ(Probe(out, "-select_streams v:0 -show_entries stream=width,height"), "320\n240\n") << name;
    }
    const std::string mkv = Path("turn.mkv");
    Job job;
    job.muxer = "matroska";
    ASSERT_EQ(Run(Timeline({{"phone.mp4", 0, -1}}), mkv, job).state, 5);
    EXPECT_EQ(Probe(mkv, "-select_streams v:0 -show_entries stream_tags=rotate"), "270\n");
    // The program reads that turn back, and a lossless copy of the Matroska
    // file into MP4 has its matrix again.
    MediaTest::ManagerHolder media;
    ASSERT_NE(media.manager, nullptr);
    Moorland::IAVImporter* importer = media->CreateImporterByName("FFImporter");
    ASSERT_NE(importer, nullptr);
    ASSERT_TRUE(importer->Open(mkv.c_str()));
    const Moorland::MovieInfo* movie = importer->GetMovieInfoAt(0);
    ASSERT_NE(movie, nullptr);
    std::string turn;
    for (uint32_t i = 0; i < movie->metaDataCount; ++i) {
        if (movie->metaData[i].name && std::string(movie->metaData[i].name) == "rotate")
            turn = movie->metaData[i].value;
    }
    EXPECT_EQ(turn, "270");
    importer->Release();
    const std::string back = Path("turn-back.mp4");
    Job mp4;
    mp4.muxer = "mp4";
    ASSERT_EQ(Run(Timeline({{"turn.mkv", 0, -1}}), back, mp4).state, 5);
    EXPECT_EQ(Probe(back, "-select_streams v:0 -show_entries stream_side_data=rotation"), "90\n");
}

// A camcorder clip keeps its sound's language and its timecode, which then
// names the first picture written.
TEST_F(LosslessJob, LanguageAndTimecodeAreKept)
{
    ASSERT_TRUE(MediaTest::Run(s_folder->FFmpeg() + "-i h264.mp4 -c copy -timecode 10:00:00:00 "
                                                    "-metadata:s:a:0 language=jpn tc.mov"));
    const std::string out = Path("tc-out.mov");
    ASSERT_EQ(Run(Timeline({{"tc.mov", 1000, -1}}), out, Job{}).state, 5);
    EXPECT_EQ(Probe(out, "-select_streams a:0 -show_entries stream_tags=language"), "jpn\n");
    // From the next key picture, two seconds in.
    EXPECT_NE(Probe(out, "-show_entries stream_tags=timecode").find("10:00:02:00"), std::string::npos);
}

// A source whose data ends before its stated length fails the job with the
// reason, naming the file, and leaves no output.
TEST_F(LosslessJob, ASourceCutShortFailsWithItsReason)
{
    ASSERT_TRUE(MediaTest::Run(s_folder->FFmpeg() + "-i h264.mp4 -c copy -movflags +faststart front.mp4"));
    const std::string whole = MediaTest::ReadBytes(Path("front.mp4"));
    ASSERT_TRUE(MediaTest::WriteBytes(Path("cut.mp4"), whole.substr(0, whole.size() / 2)));
    const std::string out = Path("cut-out.mp4");
    const Outcome o = Run(Timeline({{"cut.mp4", 0, -1}}), out, Job{});
    EXPECT_EQ(o.state, 4);
    EXPECT_NE(o.error.find(Path("cut.mp4")), std::string::npos) << o.error;
    EXPECT_NE(o.error.find("cut short"), std::string::npos) << o.error;
    EXPECT_NE(access(out.c_str(), F_OK), 0);

    // Cut while the job reads it: the job, paused as it starts, finds the
    // rest of its source gone when it goes on.
    ASSERT_TRUE(MediaTest::Run("cp '" + Path("h264.mp4") + "' '" + Path("shrinking.mp4") + "'"));
    const std::string shrunk = Path("shrinking-out.mkv");
    Job job;
    job.muxer = "matroska";
    const Outcome cut = Run(Timeline({{"shrinking.mp4", 0, -1}}), shrunk, job, [&](ConvertTaskInfo2* r) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (r->GetState() != Moorland::CONVERT_TASK_RUNNING && std::chrono::steady_clock::now() < deadline)
            std::this_thread::yield();
        r->SetState(Moorland::CONVERT_TASK_PAUSED);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ASSERT_EQ(truncate(Path("shrinking.mp4").c_str(), 60000), 0);
        r->SetState(Moorland::CONVERT_TASK_RUNNING);
    });
    EXPECT_EQ(cut.state, 4);
    EXPECT_NE(cut.error.find(Path("shrinking.mp4")), std::string::npos) << cut.error;
    EXPECT_NE(access(shrunk.c_str(), F_OK), 0);
}

// A lossless job pauses, resumes and is cancelled through its record as
// any job is: paused, its figures stand still; cancelled, it leaves nothing.
TEST_F(LosslessJob, PauseResumeAndCancelWorkThroughTheRecord)
{
    using namespace std::chrono;
    auto waitRunning = [](ConvertTaskInfo2* r) {
        const auto deadline = steady_clock::now() + seconds(30);
        while (r->GetState() != Moorland::CONVERT_TASK_RUNNING && steady_clock::now() < deadline)
            std::this_thread::yield();
    };
    // Long enough that the job is still running when the record is changed.
    const std::vector<std::tuple<std::string, int, int>> clips(12, std::make_tuple("h264.mp4", 0, -1));
    double pausedAt = -1, later = -1;
    const std::string paused = Path("paused.mkv");
    Job job;
    job.muxer = "matroska";
    Outcome o = Run(Timeline(clips), paused, job, [&](ConvertTaskInfo2* r) {
        waitRunning(r);
        r->SetState(Moorland::CONVERT_TASK_PAUSED);
        std::this_thread::sleep_for(milliseconds(300));
        pausedAt = r->GetPercent();
        std::this_thread::sleep_for(milliseconds(500));
        later = r->GetPercent();
        r->SetState(Moorland::CONVERT_TASK_RUNNING);
    });
    EXPECT_EQ(o.state, 5) << o.error;
    EXPECT_LT(pausedAt, 100.0);
    EXPECT_EQ(pausedAt, later) << "a paused job writes nothing";
    EXPECT_EQ(o.percent, 100.0);
    EXPECT_EQ(PictureHashes(paused).size(), 12 * 200u);

    const std::string cancelled = Path("cancelled.mkv");
    o = Run(Timeline(clips), cancelled, job, [&](ConvertTaskInfo2* r) {
        waitRunning(r);
        r->SetState(Moorland::CONVERT_TASK_CANCEL);
    });
    EXPECT_EQ(o.state, Moorland::CONVERT_TASK_CANCEL);
    EXPECT_NE(access(cancelled.c_str(), F_OK), 0);
}

// A clip whose edit list hides its first pictures keeps them hidden.
TEST_F(LosslessJob, WhatAnEditListHidesStaysHidden)
{
    ASSERT_TRUE(MediaTest::Run(s_folder->FFmpeg() + "-ss 0.6 -i h264.mp4 -c copy -t 3 hidden.mp4"));
    const std::vector<std::string> shown = PictureHashes(Path("hidden.mp4"));
    for (bool exact : {false, true}) {
        Job job;
        job.exact = exact;
        const std::string out = Path(exact ? "hidden-exact.mp4" : "hidden-gop.mp4");
        ASSERT_EQ(Run(Timeline({{"hidden.mp4", 0, -1}}), out, job).state, 5);
        const std::vector<std::string> got = PictureHashes(out);
        ASSERT_FALSE(got.empty());
        EXPECT_EQ(got.back(), shown.back());
        EXPECT_LE(got.size(), shown.size());
        if (exact) {
            EXPECT_EQ(got.size(), shown.size());
        }
    }
}

// One packet's times as ffprobe lists them: NaN where the container stores none.
struct PacketTimes
{
    double pts = NAN;
    double dts = NAN;
    bool key = false;
};

std::vector<PacketTimes> PacketList(const std::string& path, const std::string& stream)
{
    std::vector<PacketTimes> list;
    std::istringstream in(Capture("ffprobe -v error -select_streams " + stream +
                                  " -show_entries packet=pts_time,dts_time,flags -of csv=p=0 '" + path +
                                  "' 2>/dev/null"));
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> cells;
        std::istringstream row(line);
        std::string cell;
        while (std::getline(row, cell, ','))
            cells.push_back(cell);
        if (cells.size() < 3)
            continue;
        PacketTimes t;
        t.pts = cells[0] == "N/A" ? NAN : std::atof(cells[0].c_str());
        t.dts = cells[1] == "N/A" ? NAN : std::atof(cells[1].c_str());
        t.key = cells[2].find('K') != std::string::npos;
        list.push_back(t);
    }
    return list;
}

// One tick of a stream's time base in seconds.
double Tick(const std::string& path, const std::string& stream)
{
    const std::string tb = Probe(path, "-select_streams " + stream + " -show_entries stream=time_base");
    const size_t slash = tb.find('/');
    if (slash == std::string::npos)
        return 0.001;
    return std::atof(tb.substr(0, slash).c_str()) / std::atof(tb.substr(slash + 1).c_str());
}

// Packets `got` against `want`, each counted from its first packet's time,
// within `tick`; the first difference, or "".
std::string CompareTimes(const std::vector<PacketTimes>& got, const std::vector<PacketTimes>& want, double tick)
{
    if (got.size() != want.size())
        return std::to_string(got.size()) + " packets, the stream copy has " + std::to_string(want.size());
    if (got.empty())
        return "";
    const double g0 = std::isnan(got[0].pts) ? got[0].dts : got[0].pts;
    const double w0 = std::isnan(want[0].pts) ? want[0].dts : want[0].pts;
    auto differ = [&](double g, double w) {
        if (std::isnan(g) || std::isnan(w))
            return std::isnan(g) != std::isnan(w);
        return std::fabs((g - g0) - (w - w0)) > tick + 1e-6;
    };
    for (size_t i = 0; i < got.size(); ++i) {
        if (differ(got[i].pts, want[i].pts) || differ(got[i].dts, want[i].dts)) {
            std::ostringstream text;
            text << "packet " << i << ": pts " << got[i].pts - g0 << " dts " << got[i].dts - g0
                 << ", the stream copy's pts " << want[i].pts - w0 << " dts " << want[i].dts - w0;
            return text.str();
        }
    }
    return "";
}

// The packets of the groups from key picture `from` to key picture `to`
// (counted from 0; -1 the end), in the order written.
std::vector<PacketTimes> Groups(const std::vector<PacketTimes>& all, int from, int to)
{
    std::vector<PacketTimes> range;
    int key = -1;
    for (const PacketTimes& t : all) {
        if (t.key)
            ++key;
        if (key >= from && (to < 0 || key < to))
            range.push_back(t);
    }
    return range;
}

// What a player finds decoding the output: the ffmpeg program warns of no
// time, its pictures' times increase, and GStreamer plays it to the end.
std::string DecodeProblem(const std::string& path, bool gstreamer = true)
{
    const std::string warnings =
        Capture("ffmpeg -nostdin -v warning -i '" + path + "' -map 0:v:0 -f null - 2>&1 >/dev/null");
    if (warnings.find("dts") != std::string::npos || warnings.find("timestamp") != std::string::npos)
        return "the ffmpeg program warns: " + warnings;
    std::istringstream times(Capture("ffprobe -v error -select_streams v:0 -show_entries frame=pts_time -of "
                                     "csv=p=0 '" +
                                     path + "' 2>/dev/null"));
    std::string line;
    double last = -1e9;
    int n = 0;
    while (std::getline(times, line)) {
        if (line.empty() || line == "N/A")
            continue;
        const double t = std::atof(line.c_str());
        if (t <= last)
            return "picture " + std::to_string(n) + " at " + line + " s is not after " + std::to_string(last);
        last = t;
        ++n;
    }
    if (n == 0)
        return "no picture decoded";
    if (gstreamer &&
        !MediaTest::Run("gst-launch-1.0 -q playbin uri='file://" + path +
                        "' video-sink='fakesink sync=false' audio-sink='fakesink sync=false' >/dev/null 2>&1"))
        return "GStreamer can't play it";
    return "";
}

// A source of the packet times table: how the test makes it (in the test
// folder, "" for one the suite made) and its key pictures every second.
struct TimesSource
{
    const char* label;
    const char* name;
    const char* make;
    int keysPerSecond;
};

const TimesSource kTimesSources[] = {
    // ffmpeg's Matroska: B-pictures, 5.1 Opus.
    {"FFmpegMkv", "ffb.mkv",
     "ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=640x360:rate=30 -f lavfi -i sine=r=48000 -t 5 "
     "-c:v libx264 -bf 2 -g 30 -keyint_min 30 -sc_threshold 0 -pix_fmt yuv420p -c:a libopus -ac 6 -shortest ffb.mkv",
     1},
    // A live Matroska stream: no length, no index.
    {"StreamedMkv", "streamed.mkv",
     "ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=320x240:rate=25 -f lavfi -i sine=r=44100 -t 5 "
     "-c:v libx264 -bf 3 -g 25 -keyint_min 25 -sc_threshold 0 -pix_fmt yuv420p -c:a aac -shortest -f matroska - "
     "> streamed.mkv",
     1},
    {"GStreamerMkv", "gst.mkv",
     "gst-launch-1.0 -q videotestsrc num-buffers=125 ! video/x-raw,width=320,height=240,framerate=25/1 ! "
     "x264enc bframes=2 key-int-max=25 b-adapt=false ! h264parse ! matroskamux ! filesink location=gst.mkv",
     1},
    {"MkvmergeMkv", "mkvmerge.mkv",
     "ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=320x240:rate=25 -t 5 -pix_fmt yuv420p -f yuv4mpegpipe "
     "x264.y4m && x264 --quiet --bframes 2 --b-adapt 0 --keyint 25 --min-keyint 25 --no-scenecut -o x264.264 "
     "x264.y4m && mkvmerge -q -o mkvmerge.mkv --default-duration 0:25fps x264.264",
     1},
    {"X265Mkv", "hevc.mkv",
     "ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=320x240:rate=25 -t 5 -pix_fmt yuv420p -f yuv4mpegpipe "
     "x265.y4m && x265 --log-level error --y4m --input x265.y4m --bframes 3 --keyint 25 --min-keyint 25 "
     "--no-scenecut --no-open-gop -o x265.hevc && mkvmerge -q -o hevc.mkv --default-duration 0:25fps x265.hevc",
     1},
    // B-pictures behind an edit list, AAC with its priming frame.
    {"EditListMp4", "h264.mp4", "", 0},
    {"TransportStream", "h264.ts", "", 0},
    {"M2ts", "h264.m2ts", "ffmpeg -nostdin -v error -y -i h264.mp4 -c copy -f mpegts -mpegts_m2ts_mode 1 h264.m2ts", 0},
};

class LosslessTimes : public LosslessJob, public ::testing::WithParamInterface<TimesSource>
{
};

// Every copied packet keeps the times the ffmpeg program's stream copy into
// the same container writes, counted from each stream's first packet:
// Matroska sources (which store no decoding time) with B-pictures from
// ffmpeg, a live stream, GStreamer, mkvmerge and x265, MP4 with an edit list
// and AAC priming, TS and M2TS; whole into MP4, MKV, MOV and M2TS in both
// modes, and cut at key pictures in both modes. Each output decodes with
// its pictures' times increasing.
TEST_P(LosslessTimes, CopiedPacketsKeepTheTimesAStreamCopyWrites)
{
    const TimesSource& src = GetParam();
    if (*src.make)
        ASSERT_TRUE(MediaTest::Run("cd '" + s_folder->Dir() + "' && " + src.make));
    // Key pictures every second, or every two (the suite's own sources).
    const int from = src.keysPerSecond == 1 ? 2 : 1, to = src.keysPerSecond == 1 ? 4 : 2;
    struct Container
    {
        const char* muxer;
        const char* ext;
    };
    const Container containers[] = {{"mp4", "mp4"}, {"matroska", "mkv"}, {"mov", "mov"}, {"mpegts", "m2ts"}};
    const size_t si = static_cast<size_t>(&src - kTimesSources);
    int failures = 0;
    for (size_t ci = 0; ci < std::size(containers); ++ci) {
        const Container& c = containers[ci];
        const std::string base = std::string(src.name) + "-" + c.ext;
        const std::string copy = Path("ffcopy-" + base + "." + c.ext);
        const bool copied =
            MediaTest::Run("ffmpeg -nostdin -v error -y -i '" + Path(src.name) +
                           "' -map 0:v:0 -map 0:a:0? -c copy -f " + c.muxer + " '" + copy + "' 2>/dev/null");
        if (!copied)
            continue; // the container can't hold the source's sound
        const std::vector<std::string> streams = Probe(copy, "-select_streams a:0 -show_entries stream=index").empty()
                                                     ? std::vector<std::string>{"v:0"}
                                                     : std::vector<std::string>{"v:0", "a:0"};
        for (int cut = 0; cut < 4; ++cut) {
            // Whole into every container; whole from the next key picture,
            // and cut from the second to the fourth second in both modes,
            // into one container each, a different one per source.
            if ((cut == 1 && ci != si % 4) || (cut >= 2 && ci != (si + 1) % 4))
                continue;
            const bool whole = cut < 2;
            Job job;
            job.muxer = c.muxer;
            job.exact = cut % 2 == 0;
            const std::string out = Path("times-" + base + "-" + std::to_string(cut) + "." + c.ext);
            SCOPED_TRACE(out);
            const Outcome o = Run(Timeline({{src.name, whole ? 0 : 2000, whole ? -1 : 4000}}), out, job);
            EXPECT_EQ(o.state, 5) << o.error;
            if (o.state != 5) {
                ++failures;
                continue;
            }
            for (const std::string& stream : streams) {
                if (!whole && stream != "v:0")
                    continue; // the sound at a cut keeps its frame over the cut whole
                SCOPED_TRACE(stream);
                // The source's own times are no finer than its time base.
                const double tick = std::max({Tick(out, stream), Tick(copy, stream), Tick(Path(src.name), stream)});
                std::vector<PacketTimes> want = PacketList(copy, stream);
                std::vector<PacketTimes> got = PacketList(out, stream);
                if (std::string(c.muxer) == "matroska") {
                    // Matroska stores no decoding time: what a reader guesses is no one's.
                    for (PacketTimes& t : want)
                        t.dts = NAN;
                    for (PacketTimes& t : got)
                        t.dts = NAN;
                }
                if (!whole)
                    want = Groups(want, from, to);
                const std::string diff = CompareTimes(got, want, tick);
                EXPECT_EQ(diff, "");
                failures += !diff.empty();
            }
            // GStreamer plays one output of each source.
            const std::string problem = DecodeProblem(out, cut == 0 && ci == si % 4);
            EXPECT_EQ(problem, "");
            failures += !problem.empty();
            if (failures > 8)
                FAIL() << "too many differences to go on";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Sources, LosslessTimes, ::testing::ValuesIn(kTimesSources),
                         [](const ::testing::TestParamInfo<TimesSource>& info) { return info.param.label; });

// Subtitle cues seconds apart keep their own times, whole and cut: a cue
// far after the one before is no stray time.
TEST_F(LosslessJob, SubtitleCuesKeepTheirTimes)
{
    {
        std::ofstream srt(Path("cues.srt"));
        srt << "1\n00:00:01,000 --> 00:00:02,500\nFirst\n\n2\n00:00:06,000 --> 00:00:08,000\nSecond\n";
    }
    ASSERT_TRUE(MediaTest::Run(s_folder->FFmpeg() + "-i h264.mkv -i cues.srt -map 0 -map 1 -c copy cued.mkv"));
    // The source's key pictures: a clip starts at the first one in its range.
    std::vector<double> keys;
    for (const PacketTimes& t : PacketList(Path("cued.mkv"), "v:0"))
        if (t.key)
            keys.push_back(t.pts);
    ASSERT_GE(keys.size(), 3u);
    struct Case
    {
        int startMs, endMs;
        std::vector<double> cues; // in the source
    };
    const Case cases[] = {{0, -1, {1.0, 6.0}}, {0, 7000, {1.0, 6.0}}, {4000, -1, {6.0}}};
    for (const Case& c : cases) {
        for (bool exact : {false, true}) {
            SCOPED_TRACE(std::to_string(c.startMs) + "-" + std::to_string(c.endMs) + (exact ? " exact" : ""));
            Job job;
            job.muxer = "matroska";
            job.exact = exact;
            const std::string out = Path("cued-out.mkv");
            ASSERT_EQ(Run(Timeline({{"cued.mkv", c.startMs, c.endMs}}), out, job).state, 5);
            const std::vector<PacketTimes> pictures = PacketList(out, "v:0");
            ASSERT_FALSE(pictures.empty());
            double first = keys.front();
            for (double k : keys)
                if (k <= keys.front() + c.startMs / 1000.0 + 0.001)
                    first = k;
            std::vector<long> got, want;
            for (const PacketTimes& t : PacketList(out, "s:0"))
                got.push_back(std::lround((t.pts - pictures[0].pts) * 1000));
            for (double cue : c.cues)
                want.push_back(std::lround((cue - first) * 1000));
            EXPECT_EQ(got, want);
        }
    }
}

} // namespace
