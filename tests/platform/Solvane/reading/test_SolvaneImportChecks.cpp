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

#include <cstdio>
#include <cstdlib>
#include <string>

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

// Bytes that look like Matroska clusters to a reader that searches for
// them: padding (Void) elements, each holding a cluster's ID and an unknown
// size, so that read as a cluster the padding after it runs to the end of
// the file; and last a cluster at the latest time its eight bytes hold,
// whose one block lies 32767 after it.
std::string CraftedMatroskaBytes(size_t size)
{
    const std::string voidHoldingACluster("\xEC\x85\x1F\x43\xB6\x75\xFF", 7);
    const std::string clusterAtTheEndOfTime("\x1F\x43\xB6\x75\x01\xFF\xFF\xFF\xFF\xFF\xFF\xFF"
                                            "\xE7\x88\x7F\xFF\xFF\xFF\xFF\xFF\xFF\xFF"
                                            "\xA3\x85\x81\x7F\xFF\x80\x00",
                                            29);
    std::string bytes;
    bytes.reserve(size + voidHoldingACluster.size() + clusterAtTheEndOfTime.size());
    while (bytes.size() < size)
        bytes += voidHoldingACluster;
    return bytes + clusterAtTheEndOfTime;
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
            ASSERT_TRUE(MediaTest::WriteBytes(path, tail ? whole + CraftedMatroskaBytes(tail) : whole));
            const Opened opened = Open(manager.manager, path);
            EXPECT_LT(opened.seconds, 1.0);
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

// Twelve seconds in each container whose header states its length, made
// so that half of the file is more than its last stretch.
struct ZeroCase
{
    const char* name;
    const char* make; // run in the media folder
};

const char kPictures[] = "-f lavfi -i testsrc2=size=160x120:rate=25:duration=12 ";
const char kSound[] = "-f lavfi -i sine=frequency=440:duration=12 ";

const ZeroCase kZeroCases[] = {
    {"twelve.mkv", "-c:v libx264 -preset ultrafast -g 25 -b:v 400k -c:a aac"},
    {"twelve.webm", "-c:v libvpx -deadline realtime -cpu-used 16 -threads 1 -b:v 400k -g 25 -c:a libopus"},
    {"twelve.avi", "-c:v mpeg4 -g 25 -b:v 400k -c:a pcm_s16le"},
    {"twelve.flv", "-c:v flv1 -g 25 -b:v 400k -c:a mp3 -ar 44100"},
    {"twelve.mp4", "-c:v libx264 -preset ultrafast -g 25 -b:v 400k -c:a aac -movflags +faststart"},
};

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
    for (const ZeroCase& c : kZeroCases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(MediaTest::Run(Ff() + kPictures + kSound + c.make + " " + c.name));
        const std::string whole = MediaTest::ReadBytes(Media::Get().Path(c.name));
        ASSERT_GT(whole.size(), 600000u);
        const size_t half = whole.size() / 2;
        const std::string zeroTailed = Media::Get().Path((std::string("zero-tailed-") + c.name).c_str());
        ASSERT_TRUE(MediaTest::WriteBytes(zeroTailed, whole.substr(0, half) + std::string(whole.size() - half, '\0')));
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
        // Half the bytes hold about half the time.
        EXPECT_NEAR(SecondsNamed(message), 6.0, 2.0) << message;
        const size_t from = message.find("from byte ");
        ASSERT_NE(from, std::string::npos) << message;
        const size_t dataEnd = std::strtoull(message.c_str() + from + 10, nullptr, 10);
        EXPECT_LE(dataEnd, half) << message;
        EXPECT_GT(dataEnd + 65536, half) << message;
        EXPECT_NE(message.find("of its " + std::to_string(whole.size()) + " on it holds only zeros"), std::string::npos)
            << message;
    }
}
