// What opening a file for the library answers, through the media manager:
// Matroska with crafted bytes at its end answers at once, a transport stream
// whose last stretch brings a new stream keeps its length, and a file whose
// second part was never written (a download that took its room at full
// size) is refused naming where its data ends, beside whole files of every
// shape that still open.
#include "../SolvaneTestMedia.h"

#include "CBaseException.h"
#include "IRawAudioFrame.h"
#include "IRawVideoFrame.h"

#include <time.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

using namespace SolvaneTest;

namespace {

// The processor time this thread spent: what an open costs, however busy
// the machine is with other work.
double ThreadSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

struct Opened
{
    bool ok = false;
    std::string message;
    double seconds = 0;       // processor time of the open
    double length = 0;        // the first movie's, in s
    int video = 0, audio = 0; // its streams of each kind
};

Opened Open(Moorland::IAVManager* manager, const std::string& path)
{
    Opened out;
    GetQuentaException()->Clear();
    const double before = ThreadSeconds();
    Moorland::IAVImporter* importer = manager->CreateImporter(path.c_str());
    out.seconds = ThreadSeconds() - before;
    out.message = LastMessage();
    if (!importer)
        return out;
    out.ok = true;
    if (Moorland::MovieInfo* movie = importer->GetMovieInfoAt(0)) {
        out.length = importer->GetMovieDuration(movie->id) / 1000.0;
        for (uint32_t s = 0; s < movie->streamCount; ++s) {
            out.video += movie->streams[s].type == Moorland::StreamTypeVideo;
            out.audio += movie->streams[s].type == Moorland::StreamTypeAudio;
        }
    }
    importer->Release();
    return out;
}

// Reads a source of the file to its end: the pictures read, or -1 when it
// fails before the end.
int PicturesToTheEnd(Moorland::IAVManager* manager, const std::string& path)
{
    Moorland::IAVSource* source =
        manager->CreateSourceFromAddress(path.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
    if (!source)
        return -1;
    int pictures = 0;
    for (int i = 0; i < 5000; ++i) {
        Moorland::IRawAudioFrame* a = nullptr;
        Moorland::IRawVideoFrame* v = nullptr;
        if (!source->ReadFrames(&a, &v, nullptr, Moorland::AVReadBoth))
            break;
        pictures += v != nullptr;
    }
    const bool ended = source->IsEndOfStream();
    source->Release();
    return ended ? pictures : -1;
}

std::string Ff()
{
    return "cd '" + Media::Get().Dir() + "' && ffmpeg -nostdin -v error -y ";
}

} // namespace

TEST(SolvaneImportChecks, CraftedMatroskaTailsAnswerAtOnceAndWholeFilesKeepTheirLength)
{
    SOLVANE_REQUIRE_MEDIA();
    const std::string two = "-f lavfi -i testsrc2=size=160x120:rate=25:duration=2 -f lavfi -i sine=duration=2 "
                            "-c:v mpeg4 -c:a aac ";
    // Written to a file (cues and lengths), as a stream (neither) and live.
    const char* bases[] = {"seekable.mkv", "streamed.mkv", "live.mkv"};
    ASSERT_TRUE(MediaTest::Run(Ff() + two + "seekable.mkv"));
    ASSERT_TRUE(MediaTest::Run(Ff() + two + "-f matroska - > streamed.mkv"));
    ASSERT_TRUE(MediaTest::Run(Ff() + two + "-live 1 live.mkv"));
    ManagerHolder manager;
    for (const char* base : bases) {
        const std::string whole = MediaTest::ReadBytes(Media::Get().Path(base));
        ASSERT_FALSE(whole.empty());
        for (const size_t tail : {size_t(0), size_t(300000), size_t(3000000), size_t(60000000)}) {
            const std::string path = Media::Get().Path(("crafted-" + std::to_string(tail) + "-" + base).c_str());
            SCOPED_TRACE(path);
            ASSERT_TRUE(MediaTest::WriteBytes(path, tail ? whole + MediaTest::CraftedMatroskaBytes(tail) : whole));
            const Opened opened = Open(manager.manager, path);
            // A scan that walks back for each cluster it seems to see takes
            // 51 s for 3 MB and never ends for 60 MB; reading 60 MB at all
            // under the sanitizers on a loaded machine may take past a second.
            EXPECT_LT(opened.seconds, tail > 3000000 ? 3.0 : 1.0);
            // The clusters they seem to hold are none: the pictures and
            // sound of the file are all there.
            ASSERT_TRUE(opened.ok) << opened.message;
            EXPECT_NEAR(opened.length, 2.0, 0.1);
            EXPECT_EQ(opened.video, 1);
            EXPECT_EQ(opened.audio, 1);
            if (tail == 0) {
                EXPECT_EQ(PicturesToTheEnd(manager.manager, path), 50);
            }
            std::remove(path.c_str());
        }
    }
}

TEST(SolvaneImportChecks, ALookAtTheEndThatFFmpegWouldWalkForLongGivesUp)
{
    SOLVANE_REQUIRE_MEDIA();
    // A Matroska written as a stream, 4 GB of nothing (a hole, which takes
    // no room) and some crafted bytes: no cluster in the last stretch, and
    // FFmpeg's reader, going back to the clusters it knew, would walk the
    // whole hole a byte at a time.
    ASSERT_TRUE(MediaTest::Run(Ff() +
                               "-f lavfi -i testsrc2=size=160x120:rate=25:duration=2 -f lavfi -i sine=duration=2 "
                               "-c:v mpeg4 -c:a aac -f matroska - > holey.mkv"));
    const std::string path = Media::Get().Path("holey.mkv");
    ASSERT_TRUE(MediaTest::Run("truncate -s 4G '" + path + "'"));
    {
        std::ofstream out(path, std::ios::binary | std::ios::app);
        const std::string crafted = MediaTest::CraftedMatroskaBytes(100000);
        out.write(crafted.data(), static_cast<std::streamsize>(crafted.size()));
        ASSERT_TRUE(out.good());
    }
    ManagerHolder manager;
    const Opened opened = Open(manager.manager, path);
    std::remove(path.c_str());
    // The look gives up after 2 s of processor time with the clusters it has
    // read (however busy the machine, it reads as far).
    EXPECT_LT(opened.seconds, 3.0);
    ASSERT_TRUE(opened.ok) << opened.message;
    EXPECT_NEAR(opened.length, 2.0, 0.1);
}

TEST(SolvaneImportChecks, AStreamThatComesOnlyInTheLastStretchIsNoPartOfTheFile)
{
    SOLVANE_REQUIRE_MEDIA();
    // Twelve seconds of pictures in three pieces, the second of which brings,
    // with a new version of the stream table, a sound stream the open never
    // sees: past what it reads from the start, and before the last bytes
    // FFmpeg reads for the length.
    const std::string pictures = "-f lavfi -i testsrc2=size=160x120:rate=25:duration=";
    const std::string coded = " -vf noise=alls=40:allf=t -c:v mpeg2video -q:v 6 -streamid 0:256 ";
    ASSERT_TRUE(MediaTest::Run(Ff() + pictures + "9" + coded + "-f mpegts head.ts"));
    ASSERT_TRUE(MediaTest::Run(Ff() + pictures + "1 -f lavfi -i sine=duration=1" + coded +
                               "-c:a mp2 -streamid 1:300 -output_ts_offset 9 -tables_version 1 -f mpegts sound.ts"));
    ASSERT_TRUE(
        MediaTest::Run(Ff() + pictures + "1" + coded + "-output_ts_offset 9 -tables_version 1 -f mpegts nosound.ts"));
    ASSERT_TRUE(
        MediaTest::Run(Ff() + pictures + "2" + coded + "-output_ts_offset 10 -tables_version 2 -f mpegts tail.ts"));
    struct Case
    {
        const char* name;
        const char* pieces;
    };
    const Case cases[] = {
        {"pictures.ts", "head.ts nosound.ts tail.ts"},
        {"late-sound.ts", "head.ts sound.ts tail.ts"},
    };
    ManagerHolder manager;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(MediaTest::Run("cd '" + Media::Get().Dir() + "' && cat " + c.pieces + " > " + c.name));
        const std::string path = Media::Get().Path(c.name);
        const Opened opened = Open(manager.manager, path);
        ASSERT_TRUE(opened.ok) << opened.message;
        EXPECT_NEAR(opened.length, 12.0, 0.1);
        EXPECT_EQ(opened.video, 1);
        EXPECT_EQ(opened.audio, 0);
        EXPECT_GE(PicturesToTheEnd(manager.manager, path), 295);
    }
}

namespace {

// Twelve seconds in each container whose header states its length, written
// by FFmpeg and by GStreamer, made so that half of the file is more than its
// last stretch.
struct ZeroCase
{
    const char* name;
    std::string make; // run in the media folder
};

std::vector<ZeroCase> ZeroCases()
{
    const std::string ff = "ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=160x120:rate=25:duration=12 "
                           "-f lavfi -i sine=frequency=440:duration=12 ";
    const std::string gst = "gst-launch-1.0 -q videotestsrc num-buffers=300 pattern=snow ! "
                            "video/x-raw,width=160,height=120,framerate=25/1 ! ";
    const std::string sound = " audiotestsrc num-buffers=517 samplesperbuffer=1024 ! audio/x-raw,rate=44100 ! "
                              "audioconvert ! ";
    const std::string x264 = "x264enc speed-preset=ultrafast bitrate=400 key-int-max=25 ! ";
    return {
        {"twelve.mkv", ff + "-c:v libx264 -preset ultrafast -g 25 -b:v 400k -c:a aac twelve.mkv"},
        {"twelve.webm",
         ff + "-c:v libvpx -deadline realtime -cpu-used 16 -threads 1 -b:v 400k -g 25 -c:a libopus twelve.webm"},
        {"twelve.avi", ff + "-c:v mpeg4 -g 25 -b:v 400k -c:a pcm_s16le twelve.avi"},
        {"twelve.flv", ff + "-c:v flv1 -g 25 -b:v 400k -c:a mp3 -ar 44100 twelve.flv"},
        {"twelve.mp4", ff + "-c:v libx264 -preset ultrafast -g 25 -b:v 400k -c:a aac -movflags +faststart twelve.mp4"},
        // As cameras write them: pictures beside uncompressed sound.
        {"twelve.mov",
         ff + "-c:v libx264 -preset ultrafast -g 25 -b:v 400k -c:a pcm_s16le -movflags +faststart twelve.mov"},
        {"gst.mkv",
         gst + x264 + "queue ! matroskamux name=m ! filesink location=gst.mkv" + sound + "vorbisenc ! queue ! m."},
        {"gst.webm", gst +
                         "vp8enc deadline=1 target-bitrate=400000 keyframe-max-dist=25 ! queue ! webmmux name=m ! "
                         "filesink location=gst.webm" +
                         sound + "vorbisenc ! queue ! m."},
        {"gst.avi", gst + "avenc_mpeg4 bitrate=400000 ! queue ! avimux name=m ! filesink location=gst.avi" + sound +
                        "audio/x-raw,format=S16LE ! queue ! m."},
        {"gst.flv", gst + x264 +
                        "video/x-h264,stream-format=avc,alignment=au ! queue ! flvmux name=m ! "
                        "filesink location=gst.flv" +
                        sound + "lamemp3enc ! mpegaudioparse ! queue ! m."},
    };
}

// "... ends at 5.96 s ..." or "... ends at about 6.02 s ...": the seconds named.
double SecondsNamed(const std::string& message)
{
    size_t at = message.find("ends at ");
    if (at == std::string::npos)
        return -1;
    at += 8;
    if (message.compare(at, 6, "about ") == 0)
        at += 6;
    return std::atof(message.c_str() + at);
}

} // namespace

TEST(SolvaneImportChecks, ZeroTailedFilesAreRefusedNamingWhereTheirDataEnds)
{
    SOLVANE_REQUIRE_MEDIA();
    ManagerHolder manager;
    for (const ZeroCase& c : ZeroCases()) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(MediaTest::Run("cd '" + Media::Get().Dir() + "' && " + c.make));
        const std::string whole = MediaTest::ReadBytes(Media::Get().Path(c.name));
        ASSERT_GT(whole.size(), 600000u);
        const size_t half = whole.size() / 2;
        const std::string zeroTailed = Media::Get().Path((std::string("zero-tailed-") + c.name).c_str());
        ASSERT_TRUE(MediaTest::ZeroTheSecondHalf(Media::Get().Path(c.name), zeroTailed));
        // Zeros after a whole file's data are no missing data.
        const std::string padded = Media::Get().Path((std::string("padded-") + c.name).c_str());
        ASSERT_TRUE(MediaTest::WriteBytes(padded, whole + std::string(1 << 20, '\0')));

        for (const std::string& path : {Media::Get().Path(c.name), padded}) {
            const Opened opened = Open(manager.manager, path);
            ASSERT_TRUE(opened.ok) << path << ": " << opened.message;
            EXPECT_NEAR(opened.length, 12.0, 0.2) << path;
        }
        const Opened opened = Open(manager.manager, zeroTailed);
        EXPECT_FALSE(opened.ok);
        EXPECT_EQ(LastCode(), QB_ERR_MEDIA);
        const std::string& message = opened.message;
        EXPECT_NE(message.find(zeroTailed), std::string::npos) << message;
        EXPECT_NE(message.find("cut short"), std::string::npos) << message;
        // Half the bytes hold some of the time, all of it at the sound
        // where a muxer writes the sound ahead of the pictures (GStreamer's
        // AVI): the time named is where the data of the file stops.
        EXPECT_GT(SecondsNamed(message), 1.0) << message;
        EXPECT_LT(SecondsNamed(message), 10.0) << message;
        const size_t from = message.find("from byte ");
        ASSERT_NE(from, std::string::npos) << message;
        const size_t dataEnd = std::strtoull(message.c_str() + from + 10, nullptr, 10);
        EXPECT_LE(dataEnd, half) << message;
        EXPECT_GT(dataEnd + 65536, half) << message;
        EXPECT_NE(message.find("of its " + std::to_string(whole.size()) + " on it holds only zeros"), std::string::npos)
            << message;
    }
}

TEST(SolvaneImportChecks, AStreamedMatroskaWithZerosAfterItLastsAsLongAsItsData)
{
    SOLVANE_REQUIRE_MEDIA();
    // Written as a stream it states no length: nothing to refuse, and its
    // length is that of its data, however far the zeros after it reach.
    ASSERT_TRUE(MediaTest::Run(Ff() +
                               "-f lavfi -i testsrc2=size=160x120:rate=25:duration=12 -f lavfi -i sine=duration=12 "
                               "-c:v libx264 -preset ultrafast -g 25 -b:v 400k -c:a aac -f matroska - > "
                               "streamed-twelve.mkv"));
    const std::string whole = Media::Get().Path("streamed-twelve.mkv");
    const std::string half = Media::Get().Path("streamed-half.mkv");
    const std::string gigabyte = Media::Get().Path("streamed-gigabyte.mkv");
    ASSERT_TRUE(MediaTest::ZeroTheSecondHalf(whole, half));
    // A file without holes takes no room for its zeros.
    ASSERT_TRUE(MediaTest::Run("cp '" + whole + "' '" + gigabyte + "' && truncate -s 1G '" + gigabyte + "'"));
    struct Case
    {
        std::string path;
        double length, within;
    };
    const Case cases[] = {{whole, 12.0, 0.1}, {gigabyte, 12.0, 0.1}, {half, 6.0, 2.0}};
    ManagerHolder manager;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const Opened opened = Open(manager.manager, c.path);
        ASSERT_TRUE(opened.ok) << opened.message;
        EXPECT_LT(opened.seconds, 1.0);
        EXPECT_NEAR(opened.length, c.length, c.within);
    }
    std::remove(gigabyte.c_str());
}

// The check of an FLV's end enters its last stretch by bytes. There the
// inside of a picture may look like the start of a tag: one at 0 s, whose
// size runs past the file's end, made a whole file look cut at 0 s.
TEST(SolvaneImportChecks, AWholeFlvWhoseLastStretchHoldsBytesLikeATagOpensWhole)
{
    SOLVANE_REQUIRE_MEDIA();
    const std::string dir = Media::Get().Dir();
    ASSERT_TRUE(MediaTest::Run("cd '" + dir + "' && ffmpeg -nostdin -v error -y -f lavfi " +
                               "-i testsrc2=size=160x120:rate=25:duration=12 -f lavfi -i sine=duration=12 " +
                               "-c:v flv1 -g 25 -b:v 400k -c:a mp3 -ar 44100 tag-like.flv && ffprobe -v error " +
                               "-show_entries format=bit_rate -of csv=p=0 tag-like.flv > tag-like.rate"));
    std::string bytes = MediaTest::ReadBytes(dir + "/tag-like.flv");
    ASSERT_GT(bytes.size(), 600000u);
    const auto at = [&](size_t i) { return static_cast<uint8_t>(bytes[i]); };
    // The pictures' data: from just after each video tag's header to its end.
    std::vector<std::pair<size_t, size_t>> pictures;
    for (size_t tag = (at(5) << 24 | at(6) << 16 | at(7) << 8 | at(8)) + 4; tag + 11 <= bytes.size();) {
        const size_t size = at(tag + 1) << 16 | at(tag + 2) << 8 | at(tag + 3);
        if ((at(tag) & 0x1F) == 9)
            pictures.emplace_back(tag + 11, tag + 11 + size);
        tag += 11 + size + 4;
    }
    ASSERT_GT(pictures.size(), 250u);
    // Where the look at the end starts: as far before the end as four
    // seconds of the file's rate, at least 256 KiB.
    const int64_t rate = std::atoll(MediaTest::ReadBytes(dir + "/tag-like.rate").c_str()) / 8;
    const int64_t window = std::min<int64_t>(std::max<int64_t>(rate * 4, 256 << 10), 16 << 20);
    ASSERT_LT(window, static_cast<int64_t>(bytes.size()));
    const size_t entry = bytes.size() - static_cast<size_t>(window);
    const auto inside = std::find_if(pictures.begin(), pictures.end(), [&](const std::pair<size_t, size_t>& p) {
        return p.first + 1 <= entry && entry + 11 < p.second;
    });
    ASSERT_NE(inside, pictures.end()) << "the look starts between pictures at " << entry;
    // A video tag of 16 MiB at 0 s, stream 0, inside a picture's data.
    const unsigned char tagLike[11] = {0x09, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0};
    bytes.replace(entry, sizeof tagLike, reinterpret_cast<const char*>(tagLike), sizeof tagLike);
    ASSERT_TRUE(MediaTest::WriteBytes(dir + "/tag-like.flv", bytes));

    ManagerHolder manager;
    const Opened opened = Open(manager.manager, dir + "/tag-like.flv");
    ASSERT_TRUE(opened.ok) << opened.message;
    EXPECT_NEAR(opened.length, 12.0, 0.2);
}

TEST(SolvaneImportChecks, WholeFilesOfEveryShapeOpenWhole)
{
    SOLVANE_REQUIRE_MEDIA();
    const std::string four = "-f lavfi -i testsrc2=size=160x120:rate=25:duration=4 ";
    const std::string sound = "-f lavfi -i sine=frequency=440:duration=4 ";
    const std::string gst = "gst-launch-1.0 -q videotestsrc num-buffers=100 ! "
                            "video/x-raw,width=160,height=120,framerate=25/1 ! ";
    const std::string gstSound = " audiotestsrc num-buffers=173 samplesperbuffer=1024 ! audio/x-raw,rate=44100 ! "
                                 "audioconvert ! vorbisenc ! queue ! m.";
    const std::string vp8 = "-c:v libvpx -deadline realtime -cpu-used 16 -threads 1 ";
    struct Case
    {
        const char* name;
        std::string make; // run in the media folder
        double length;
        int pictures;
    };
    const Case cases[] = {
        // Sound that starts a second after the pictures, pictures half a
        // second after the sound.
        {"late-sound.mkv", Ff() + four + "-itsoffset 1 -f lavfi -i sine=duration=3 -c:v mpeg4 -c:a aac late-sound.mkv",
         4.0, 100},
        {"late-sound.flv",
         Ff() + four + "-itsoffset 1 -f lavfi -i sine=duration=3 -c:v flv1 -c:a mp3 -ar 44100 late-sound.flv", 4.0,
         100},
        {"late-pictures.webm",
         Ff() + "-itsoffset 0.5 -f lavfi -i testsrc2=size=160x120:rate=25:duration=3.5 " + sound + vp8 +
             "-c:a libopus late-pictures.webm",
         4.0, 88},
        // A stream copy cut between key frames: an edit list leaves pictures out.
        {"edit.mp4",
         Ff() + four +
             "-c:v libx264 -preset ultrafast -g 50 whole-edit.mp4 && ffmpeg -nostdin -v error -y -ss 0.5 "
             "-i whole-edit.mp4 -t 3 -c copy edit.mp4",
         3.0, 75},
        // Lines from 0.1 s to 0.9 s of the film.
        {"subtitled.mkv", Ff() + four + "-i lines.srt -c:v mpeg4 -c:s srt subtitled.mkv", 4.0, 100},
        {"subtitled.webm", Ff() + four + "-i lines.srt " + vp8 + "-c:s webvtt subtitled.webm", 4.0, 100},
        // Its last two seconds of sound are silence, stored uncompressed
        // after the pictures end: zeros to the end of the file.
        {"silent-end.mov",
         Ff() + "-f lavfi -i testsrc2=size=160x120:rate=25:duration=2 -f lavfi -i "
                "\"aevalsrc=sin(440*2*PI*t)*lt(t\\,2)|sin(440*2*PI*t)*lt(t\\,2):s=48000:d=4\" -c:v libx264 "
                "-preset ultrafast -c:a pcm_s16le -movflags +faststart silent-end.mov",
         4.0, 50},
        // Written as a stream, with more packets (small frames of sound)
        // than a reader looking for its end from its start would read.
        {"dense-streamed.mkv",
         Ff() + "-f lavfi -i testsrc2=size=64x48:rate=10:duration=40 -f lavfi -i sine=duration=40:samples_per_frame=64 "
                "-c:v mpeg4 -c:a pcm_s16le -f matroska - > dense-streamed.mkv",
         40.0, -1},
        // Written as streams, with no cues and no length.
        {"streamed.flv", Ff() + four + sound + "-c:v flv1 -c:a mp3 -ar 44100 -f flv - > streamed.flv", 4.0, 100},
        {"gst-stream.webm",
         "cd '" + Media::Get().Dir() + "' && " + gst +
             "vp8enc deadline=1 ! queue ! webmmux streamable=true name=m ! filesink location=gst-stream.webm" +
             gstSound,
         4.0, 100},
        {"gst.avi",
         "cd '" + Media::Get().Dir() + "' && " + gst +
             "avenc_mpeg4 ! queue ! avimux name=m ! filesink location=gst.avi audiotestsrc num-buffers=173 "
             "samplesperbuffer=1024 ! audio/x-raw,rate=44100,format=S16LE ! queue ! m.",
         4.0, 100},
    };
    ManagerHolder manager;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(MediaTest::Run(c.make));
        const std::string path = Media::Get().Path(c.name);
        const Opened opened = Open(manager.manager, path);
        ASSERT_TRUE(opened.ok) << opened.message;
        EXPECT_NEAR(opened.length, c.length, 0.15);
        // (Too many frames of sound to read them all here.)
        if (c.pictures >= 0) {
            EXPECT_NEAR(PicturesToTheEnd(manager.manager, path), c.pictures, 2);
        }
    }
}
