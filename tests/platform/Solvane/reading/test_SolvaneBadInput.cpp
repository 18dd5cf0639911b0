#include "../SolvaneTestMedia.h"

#include "Basilvo/QuentaLogger.h"
#include "CBaseException.h"
#include "IRawAudioFrame.h"
#include "IRawVideoFrame.h"
#include "moorlan_srcutils/MultiStreamAddress.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace SolvaneTest;

namespace {

std::vector<char> ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const std::string& path, const std::vector<char>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Opens, probes, decodes, seeks and decodes again; either works or leaves a
// recorded reason.
void Exercise(Moorland::IAVManager* manager, const std::string& path)
{
    SCOPED_TRACE(path);
    GetQuentaException()->Clear();
    Moorland::IAVImporter* importer = manager->CreateImporter(path.c_str());
    if (!importer) {
        EXPECT_NE(LastCode(), 0);
        EXPECT_FALSE(LastMessage().empty());
        return;
    }
    for (uint32_t m = 0; m < importer->GetMovieCount(); ++m) {
        Moorland::MovieInfo* movie = importer->GetMovieInfoAt(m);
        ASSERT_NE(movie, nullptr);
        int video = -1, audio = -1;
        for (uint32_t s = 0; s < movie->streamCount; ++s) {
            if (movie->streams[s].type == Moorland::StreamTypeVideo && video < 0)
                video = movie->streams[s].id;
            if (movie->streams[s].type == Moorland::StreamTypeAudio && audio < 0)
                audio = movie->streams[s].id;
        }
        GetQuentaException()->Clear();
        Moorland::IAVSource* source = importer->CreateSource(movie->id, video, audio);
        if (!source) {
            EXPECT_NE(LastCode(), 0);
            continue;
        }
        auto drain = [source](int limit) {
            for (int i = 0; i < limit; ++i) {
                Moorland::IRawAudioFrame* a = nullptr;
                Moorland::IRawVideoFrame* v = nullptr;
                if (!source->ReadFrames(&a, &v, nullptr, Moorland::AVReadBoth))
                    break;
                if (v) {
                    unsigned w = 0, h = 0, line = 0, pitch = 0, rows = 0;
                    v->GetDimension(&w, &h);
                    v->GetBuffer(0, &line, &pitch, &rows);
                }
            }
        };
        drain(400);
        source->Seek(500);
        drain(20);
        source->Seek(0);
        drain(5);
        source->Release();
    }
    if (Moorland::MovieInfo* movie = importer->GetMovieInfoAt(0)) {
        std::vector<Moorland::SMItemInfo> items(movie->streamCount);
        for (uint32_t s = 0; s < movie->streamCount; ++s) {
            items[s].nStreamID = movie->streams[s].id;
            items[s].eStreamType = static_cast<Moorland::StreamType>(movie->streams[s].type);
            items[s].bCompress = s % 2 == 1;
        }
        if (Moorland::IAVSource2* multi =
                importer->CreateMultiSource(movie->id, items.data(), static_cast<int>(items.size()))) {
            Moorland::FrameInfo info{};
            for (int i = 0; i < 600 && multi->ReadFrame(&info, 0, -1); ++i) {
            }
            multi->Seek(300);
            for (int i = 0; i < 20 && multi->ReadFrame(&info, 0, -1); ++i) {
            }
            multi->Release();
        }
    }
    const int ids[2] = {0, 1};
    if (Moorland::IAVCompressedSource* packets =
            importer->CreatePacketSource(importer->GetMovieInfoAt(0)->id, 1, ids)) {
        int id = 0;
        for (int i = 0; i < 1000 && packets->ReadPacket(&id, nullptr); ++i) {
        }
        packets->Release();
    }
    importer->Release();
}

} // namespace

TEST(SolvaneBadInput, UnusableFilesGiveAClearReason)
{
    SOLVANE_REQUIRE_MEDIA();
    ManagerHolder manager;
    Media& m = Media::Get();
    WriteAll(m.Path("empty.mp4"), {});
    const std::string text = "This is a note, not a movie.\n";
    WriteAll(m.Path("note.mp4"), std::vector<char>(text.begin(), text.end()));
    const std::string meta = ";FFMETADATA1\ntitle=nothing\n";
    WriteAll(m.Path("nostreams.txt"), std::vector<char>(meta.begin(), meta.end()));

    struct Case
    {
        std::string path;
        int code;
        const char* words;
    };
    const Case cases[] = {
        {m.Path("missing.mp4"), 10021013, "No such file"},
        {m.Path("empty.mp4"), 10021017, "empty"},
        {m.Path("note.mp4"), 10021017, "Not a media file"},
        {m.Path("nostreams.txt"), 10021017, "No video or audio stream"},
        {m.Dir(), 10021017, "folder"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        GetQuentaException()->Clear();
        EXPECT_EQ(manager->CreateImporter(c.path.c_str()), nullptr);
        EXPECT_EQ(LastCode(), c.code);
        EXPECT_NE(LastMessage().find(c.words), std::string::npos) << LastMessage();

        Moorland::IAVImporter* byName = manager->CreateImporterByName("FFImporter");
        ASSERT_NE(byName, nullptr);
        GetQuentaException()->Clear();
        EXPECT_FALSE(byName->Open(c.path.c_str()));
        EXPECT_EQ(LastCode(), c.code);
        EXPECT_EQ(byName->CreateSource(0, 0, -1), nullptr);
        byName->Release();

        EXPECT_EQ(manager->CreateSourceFromAddress(c.path.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr),
                  nullptr);
        EXPECT_EQ(LastCode(), c.code);
    }
}

TEST(SolvaneBadInput, TruncatedAndDamagedFilesNeverCrash)
{
    SOLVANE_REQUIRE_MEDIA();
    ManagerHolder manager;
    Media& m = Media::Get();
    for (const std::string& original : {m.Clip(), m.TwoPrograms()}) {
        const std::vector<char> bytes = ReadAll(original);
        ASSERT_GT(bytes.size(), 4096u);
        const std::string ext = original.substr(original.size() - 3);
        for (size_t cut :
             {size_t(16), size_t(700), size_t(3000), bytes.size() / 3, bytes.size() / 2, bytes.size() - 333}) {
            const std::string path = m.Path(("cut" + std::to_string(cut) + "." + ext).c_str());
            WriteAll(path, std::vector<char>(bytes.begin(), bytes.begin() + static_cast<long>(cut)));
            Exercise(manager.manager, path);
        }
        for (unsigned seed : {1u, 2u, 3u}) {
            std::vector<char> damaged = bytes;
            unsigned x = seed * 2654435761u;
            for (size_t i = 0; i < damaged.size() / 200; ++i) {
                x = x * 1103515245u + 12345u;
                damaged[(x >> 4) % damaged.size()] ^= static_cast<char>(1 + (x & 0x7F));
            }
            const std::string path = m.Path(("flip" + std::to_string(seed) + "." + ext).c_str());
            WriteAll(path, damaged);
            Exercise(manager.manager, path);
        }
    }
}

namespace {

struct ReadOutcome
{
    int pictures = 0;
    bool lastRead = true; // the last ReadFrames answer
    bool ended = false;   // IsEndOfStream after it
    int code = 0;
    std::string message;
};

// Reads a source to its last frame (at most `limit` reads).
ReadOutcome ReadToTheEnd(Moorland::IAVSource* source, int limit = 2000)
{
    ReadOutcome out;
    for (int i = 0; i < limit; ++i) {
        Moorland::IRawAudioFrame* a = nullptr;
        Moorland::IRawVideoFrame* v = nullptr;
        GetQuentaException()->Clear();
        if (!source->ReadFrames(&a, &v, nullptr, Moorland::AVReadBoth)) {
            out.lastRead = false;
            break;
        }
        if (v)
            ++out.pictures;
    }
    out.code = LastCode();
    out.message = LastMessage();
    out.ended = source->IsEndOfStream();
    return out;
}

// A 4 s clip (100 pictures) in each container with its index in front or
// its lengths in the header, whole and cut in half.
struct CutCase
{
    const char* name;
    const char* args;
};

const CutCase kCutCases[] = {
    {"cut.mp4", "-c:v libx264 -preset ultrafast -g 25 -c:a aac -movflags +faststart"},
    {"cut.mkv", "-c:v libx264 -preset ultrafast -g 25 -c:a aac"},
    {"cut.avi", "-c:v mpeg4 -g 25 -c:a pcm_s16le"},
};

std::string MakeFourSeconds(const CutCase& c)
{
    Media& m = Media::Get();
    const std::string path = m.Path((std::string("whole-") + c.name).c_str());
    const std::string command = "cd '" + m.Dir() +
                                "' && ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=160x120:rate=25:duration=4 "
                                "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=4 " +
                                c.args + " '" + path + "'";
    return std::system(command.c_str()) == 0 ? path : std::string();
}

} // namespace

TEST(SolvaneBadInput, ACutFileIsAFailureAfterThePicturesBeforeTheCut)
{
    SOLVANE_REQUIRE_MEDIA();
    ManagerHolder manager;
    for (const CutCase& c : kCutCases) {
        SCOPED_TRACE(c.name);
        const std::string whole = MakeFourSeconds(c);
        ASSERT_FALSE(whole.empty());
        const std::vector<char> bytes = ReadAll(whole);
        const std::string cut = Media::Get().Path(c.name);
        const std::vector<char> half(bytes.begin(), bytes.begin() + static_cast<long>(bytes.size() / 2));

        // Cut already: refused when it is opened, naming the file.
        WriteAll(cut, half);
        GetQuentaException()->Clear();
        EXPECT_EQ(manager->CreateImporter(cut.c_str()), nullptr);
        EXPECT_EQ(LastCode(), QB_ERR_MEDIA);
        EXPECT_NE(LastMessage().find(cut), std::string::npos) << LastMessage();
        EXPECT_NE(LastMessage().find("cut short"), std::string::npos) << LastMessage();

        // Cut after it was opened: its reading fails at the cut.
        WriteAll(cut, bytes);
        for (const std::string& path : {whole, cut}) {
            SCOPED_TRACE(path);
            Moorland::IAVImporter* importer = manager->CreateImporter(path.c_str());
            ASSERT_NE(importer, nullptr) << LastMessage();
            if (path == cut)
                WriteAll(cut, half);
            Moorland::IAVSource* source = importer->CreateSource(-2, -2, -2);
            ASSERT_NE(source, nullptr) << LastMessage();
            const ReadOutcome read = ReadToTheEnd(source);
            EXPECT_FALSE(read.lastRead);
            if (path == whole) {
                EXPECT_EQ(read.pictures, 100);
                EXPECT_TRUE(read.ended);
            } else {
                // The pictures up to the damage arrive; then a failure that names the file.
                EXPECT_GE(read.pictures, 30);
                EXPECT_LT(read.pictures, 100);
                EXPECT_FALSE(read.ended);
                EXPECT_EQ(read.code, QB_ERR_MEDIA);
                EXPECT_NE(read.message.find(path), std::string::npos) << read.message;
            }
            source->Release();

            // The packet source and the multi-stream source tell the same apart.
            const int ids[1] = {0};
            Moorland::IAVCompressedSource* packets = importer->CreatePacketSource(-2, 1, ids);
            ASSERT_NE(packets, nullptr) << LastMessage();
            int id = 0, count = 0;
            GetQuentaException()->Clear();
            while (packets->ReadPacket(&id, nullptr) && count < 5000)
                ++count;
            EXPECT_EQ(LastCode(), path == whole ? 0 : QB_ERR_MEDIA) << LastMessage();
            packets->Release();

            Moorland::SMItemInfo items[2];
            items[0].nStreamID = 0;
            items[0].eStreamType = Moorland::StreamTypeVideo;
            items[1].nStreamID = 1;
            items[1].eStreamType = Moorland::StreamTypeAudio;
            items[1].bCompress = true;
            Moorland::IAVSource2* multi = importer->CreateMultiSource(-2, items, 2);
            ASSERT_NE(multi, nullptr) << LastMessage();
            Moorland::FrameInfo info{};
            count = 0;
            while (multi->ReadFrame(&info, 0, -1) && count < 5000)
                ++count;
            EXPECT_EQ(LastCode(), path == whole ? 0 : QB_ERR_MEDIA) << LastMessage();
            multi->Release();
            importer->Release();
        }
    }
}

TEST(SolvaneBadInput, BytesThatVanishWhileReadingAreAFailure)
{
    SOLVANE_REQUIRE_MEDIA();
    ManagerHolder manager;
    for (const CutCase& c : kCutCases) {
        SCOPED_TRACE(c.name);
        const std::string whole = MakeFourSeconds(c);
        ASSERT_FALSE(whole.empty());
        const std::string path = Media::Get().Path((std::string("vanish-") + c.name).c_str());
        const std::vector<char> bytes = ReadAll(whole);
        WriteAll(path, bytes);
        Moorland::IAVImporter* importer = manager->CreateImporter(path.c_str());
        ASSERT_NE(importer, nullptr) << LastMessage();
        Moorland::IAVSource* source = importer->CreateSource(-2, -2, -2);
        ASSERT_NE(source, nullptr) << LastMessage();
        const ReadOutcome first = ReadToTheEnd(source, 10);
        ASSERT_TRUE(first.lastRead);
        ASSERT_EQ(truncate(path.c_str(), static_cast<off_t>(bytes.size() / 3)), 0);
        const ReadOutcome rest = ReadToTheEnd(source);
        EXPECT_FALSE(rest.lastRead);
        EXPECT_FALSE(rest.ended);
        EXPECT_EQ(rest.code, QB_ERR_MEDIA) << rest.message;
        EXPECT_LT(first.pictures + rest.pictures, 100);
        source->Release();
        importer->Release();
    }
}

TEST(SolvaneBadInput, FFmpegsOwnWarningsGoToTheLogNamingTheFile)
{
    SOLVANE_REQUIRE_MEDIA();
    IQuentaLogger* logger = GetQuentaLogger();
    const std::string log = Media::Get().Path("ffmpeg.log");
    // The log, once set, stays for the process: a repeated run finds it set.
    if (!logger->GetLogFile())
        ASSERT_TRUE(logger->SetLogFile(log.c_str(), false));
    if (std::string(logger->GetLogFile()) != log)
        GTEST_SKIP() << "the process logs elsewhere";
    logger->EnableLog(true);
    const std::string whole = MakeFourSeconds(kCutCases[0]);
    ASSERT_FALSE(whole.empty());
    const std::vector<char> bytes = ReadAll(whole);
    const std::string cut = Media::Get().Path("logged-cut.mp4");
    WriteAll(cut, bytes);
    ManagerHolder manager;
    Moorland::IAVImporter* importer = manager->CreateImporter(cut.c_str());
    ASSERT_NE(importer, nullptr) << LastMessage();
    WriteAll(cut, std::vector<char>(bytes.begin(), bytes.begin() + static_cast<long>(bytes.size() / 2)));
    Moorland::IAVSource* source = importer->CreateSource(-2, -2, -1);
    ASSERT_NE(source, nullptr) << LastMessage();
    ReadToTheEnd(source);
    source->Release();
    importer->Release();
    const std::vector<char> text = ReadAll(log);
    const std::string logged(text.begin(), text.end());
    EXPECT_NE(logged.find("[FR=FFmpeg] [MG=" + cut + ": "), std::string::npos) << logged.substr(0, 2000);
}

TEST(SolvaneBadInput, WholeFilesWhoseLengthIsUncertainEndQuietly)
{
    SOLVANE_REQUIRE_MEDIA();
    // Files whose stated or guessed length differs from their data, though
    // nothing is missing: each must end, not fail.
    struct Case
    {
        const char* name;
        const char* make; // run in the media folder
        int videoId, audioId;
    };
    const Case cases[] = {
        // VBR sound without a header: the length is a guess from the first bit rate.
        {"vbr.mp3",
         "ffmpeg -nostdin -v error -y -f lavfi -i \"aevalsrc=sin(440*2*PI*t)*lt(t\\,1)+0.3*random(0):d=3\" "
         "-c:a libmp3lame -q:a 0 -write_xing 0 vbr.mp3",
         -1, 0},
        // A stream copy cut between key frames: an edit list leaves samples out.
        {"edit.mp4", "ffmpeg -nostdin -v error -y -ss 0.5 -i clip.mp4 -t 1 -c copy edit.mp4", 0, -1},
        // Pictures that stop a second before the sound.
        {"short.mkv",
         "ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=160x120:rate=25:duration=2 -f lavfi -i sine=d=3 "
         "-c:v mpeg4 -c:a aac short.mkv",
         0, -1},
        // Sound that starts late, as mkvmerge writes a delay: its length tag
        // is where it ends, not how long it lasts.
        {"late.mkv",
         "ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=160x120:rate=25:duration=3 -itsoffset 0.8 -f lavfi "
         "-i sine=d=2 -c:v mpeg4 -c:a aac late.mkv",
         -1, 1},
    };
    ManagerHolder manager;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(std::system(("cd '" + Media::Get().Dir() + "' && " + c.make).c_str()), 0);
        const std::string path = Media::Get().Path(c.name);
        Moorland::IAVImporter* importer = manager->CreateImporter(path.c_str());
        ASSERT_NE(importer, nullptr) << LastMessage();
        Moorland::IAVSource* source = importer->CreateSource(-2, c.videoId, c.audioId);
        ASSERT_NE(source, nullptr) << LastMessage();
        const ReadOutcome read = ReadToTheEnd(source, 5000);
        EXPECT_FALSE(read.lastRead);
        EXPECT_TRUE(read.ended) << read.message;
        source->Release();
        importer->Release();
    }
}

namespace {

// Transport streams put together from pieces (a recording resumed, a cut
// spliced on) announce streams the probe never saw: one appears while the
// file is read, or only in its last stretch, which the import reads to
// check the length. Each is made of a six-second stream and one-second
// pieces that go on from it, each with a new version of the stream table
// that brings a sound stream of a new number.
struct LateStreamCase
{
    const char* name;
    const char* pieces; // after head.ts
};

const LateStreamCase kLateStreamCases[] = {
    // Seen by nothing at the open: eight seconds of pictures follow it.
    {"late-mid.ts", "tail1.ts rest.ts"},
    {"late-end.ts", "tail1.ts tail2.ts"},
    {"late-back.ts", "tail2.ts tail1.ts"},
};

bool MakeLateStreamPieces()
{
    const std::string ff = "cd '" + Media::Get().Dir() + "' && ffmpeg -nostdin -v error -y ";
    return MediaTest::Run(ff +
                          "-f lavfi -i testsrc=size=160x120:rate=25:duration=6 -c:v mpeg2video -f mpegts head.ts") &&
           MediaTest::Run(ff + "-f lavfi -i testsrc=size=160x120:rate=25:duration=1 -f lavfi -i sine=duration=1 "
                               "-c:v mpeg2video -c:a mp2 -streamid 0:256 -streamid 1:300 -output_ts_offset 6 "
                               "-tables_version 1 -f mpegts tail1.ts") &&
           MediaTest::Run(ff + "-f lavfi -i testsrc=size=160x120:rate=25:duration=1 -f lavfi -i sine=duration=1 "
                               "-c:v mpeg2video -c:a mp2 -streamid 0:256 -streamid 1:301 -output_ts_offset 7 "
                               "-tables_version 2 -f mpegts tail2.ts") &&
           MediaTest::Run(ff + "-f lavfi -i testsrc=size=160x120:rate=25:duration=8 -c:v mpeg2video -b:v 2M "
                               "-output_ts_offset 7 -tables_version 3 -f mpegts rest.ts");
}

} // namespace

TEST(SolvaneBadInput, StreamsThatAppearLateAreReadPastWithoutHarm)
{
    SOLVANE_REQUIRE_MEDIA();
    ASSERT_TRUE(MakeLateStreamPieces());
    ManagerHolder manager;
    const std::string dir = Media::Get().Dir();
    for (const LateStreamCase& c : kLateStreamCases) {
        SCOPED_TRACE(c.name);
        const std::string path = Media::Get().Path(c.name);
        ASSERT_TRUE(MediaTest::Run("cd '" + dir + "' && cat head.ts " + c.pieces + " > '" + c.name + "'"));
        // Every reader of the file: the sources of its movies and streams.
        Exercise(manager.manager, path);
        GetQuentaException()->Clear();
        Moorland::IAVImporter* importer = manager->CreateImporter(path.c_str());
        if (!importer) {
            // Refused at the import: with a reason that names the file.
            EXPECT_NE(LastMessage().find(path), std::string::npos) << LastMessage();
            continue;
        }
        Moorland::IAVSource* source =
            manager->CreateSourceFromAddress(path.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(source, nullptr) << LastMessage();
        const ReadOutcome out = ReadToTheEnd(source);
        source->Release();
        importer->Release();
        // Either the whole file (the six seconds and the pieces' pictures
        // on the stream read from the start) or a clear failure after the
        // first part.
        if (out.ended) {
            EXPECT_GE(out.pictures, 150) << out.message;
        } else {
            EXPECT_GE(out.pictures, 100);
            EXPECT_EQ(out.code, QB_ERR_MEDIA);
            EXPECT_NE(out.message.find(path), std::string::npos) << out.message;
        }
    }
}
