// The simple-edit importer: the ".seix" description written and read back,
// damaged files refused with a recorded error, and the source that plays a
// description clip by clip.

#include "../SolvaneTestMedia.h"
#include "../../../CommaLocale.h"

#include "IAVImporter.h"
#include "IAVSource.h"
#include "IRawAudioFrame.h"
#include "IRawVideoFrame.h"
#include "ISimpleEditTimeLine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <dirent.h>
#include <functional>
#include <sys/stat.h>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

using namespace Moorland;

namespace {

// Two clips made once: A has sound (48 kHz stereo), B has none.
struct EditMedia
{
    static EditMedia& Get()
    {
        static EditMedia media;
        return media;
    }
    std::string dir = SolvaneTest::Media::Get().Dir();
    std::string a = dir + "/edit_a.mp4";
    std::string b = dir + "/edit_b.mp4";
    std::string c30 = dir + "/edit_c30.mp4";        // 30 fps, 1 s, no sound
    std::string longSound = dir + "/edit_long.mkv"; // 1 s of pictures, 2 s of sound
    bool ok = false;

private:
    EditMedia()
    {
        const std::string ff = "ffmpeg -nostdin -v error -y ";
        ok = std::system((ff +
                          "-f lavfi -i testsrc2=size=320x240:rate=25:duration=2 "
                          "-f lavfi -i sine=frequency=440:sample_rate=48000:duration=2 -ac 2 "
                          "-c:v libx264 -preset ultrafast -g 10 -pix_fmt yuv420p -c:a aac '" +
                          a + "'")
                             .c_str()) == 0 &&
             std::system((ff +
                          "-f lavfi -i testsrc=size=320x240:rate=25:duration=1 "
                          "-c:v libx264 -preset ultrafast -g 10 -pix_fmt yuv420p '" +
                          b + "'")
                             .c_str()) == 0 &&
             std::system((ff +
                          "-f lavfi -i testsrc=size=320x240:rate=30:duration=1 "
                          "-c:v libx264 -preset ultrafast -g 10 -pix_fmt yuv420p '" +
                          c30 + "'")
                             .c_str()) == 0 &&
             std::system((ff +
                          "-f lavfi -i testsrc=size=160x120:rate=25:duration=1 "
                          "-f lavfi -i sine=frequency=330:sample_rate=48000:duration=2 -ac 2 "
                          "-c:v libx264 -preset ultrafast -g 10 -pix_fmt yuv420p -c:a flac '" +
                          longSound + "'")
                             .c_str()) == 0;
    }
};

struct ImporterDeleter
{
    void operator()(IAVImporter* i) const
    {
        if (i)
            i->Release();
    }
};
using ImporterPtr = std::unique_ptr<IAVImporter, ImporterDeleter>;
struct SourceDeleter
{
    void operator()(IAVSource* s) const
    {
        if (s)
            s->Release();
    }
};
using SourcePtr = std::unique_ptr<IAVSource, SourceDeleter>;

ImporterPtr NewEdit(SolvaneTest::ManagerHolder& m)
{
    return ImporterPtr(m->CreateImporterByName("SimpleEditImporter"));
}

ISimpleEditTimeLine* TimeLine(IAVImporter* importer)
{
    return static_cast<ISimpleEditTimeLine*>(importer->GetInterface("ISimpleEditTimeLine"));
}

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteAll(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

SimpleEditClipEntry Entry(const char* address, const char* importer, int start, int end)
{
    SimpleEditClipEntry e{};
    e.sourceAddress = address;
    e.importerName = importer;
    e.trimStartMs = start;
    e.trimEndMs = end;
    return e;
}

struct Recorder : IOnItemChangedCallBack
{
    std::vector<int> indexes;
    int OnItemChanged(ISimpleEditTimeLine*, int index, IAVSource*) override
    {
        indexes.push_back(index);
        return 1;
    }
};

} // namespace

TEST(SimpleEditTimeLine, WrittenDescriptionReadsBackAsWritten)
{
    SolvaneTest::ManagerHolder m;
    ImporterPtr writer = NewEdit(m);
    ASSERT_TRUE(writer);
    ISimpleEditTimeLine* t = TimeLine(writer.get());
    ASSERT_NE(t, nullptr);

    const std::string address = "/v/é & <b>.mov?movieid=0&astreamid=1&vstreamid=0";
    SimpleEditClipEntry first = Entry(address.c_str(), "FFImporter", 250, 1750);
    first.leftMargin = 8;
    first.rightMargin = 4;
    first.bottomMargin = 2;
    ASSERT_TRUE(t->InsertClip(-1, &first));
    const char* names[] = {"brightness", "contrast", "saturation", nullptr};
    const char* values[] = {"-5", "0", "12", nullptr};
    ASSERT_TRUE(t->AddClipEffect(0, t->GetClipEffectCount(0), "gray", nullptr, nullptr));
    ASSERT_TRUE(t->AddClipFilter(0, t->GetClipHandle(0), "brightness_contrast", names, values));
    ASSERT_TRUE(t->SetReplaceAudio("/music/loop.wav", 0, 1));
    ASSERT_TRUE(t->SetClipVolume(0, 0.5));
    ASSERT_TRUE(t->SetClipInterlaced(0, 1));
    SimpleEditOutputFormat format{};
    format.width = 320;
    format.height = 240;
    format.frameRate[0] = 1001;
    format.frameRate[1] = 30000;
    format.sampleRate = 48000;
    format.channels = 2;
    ASSERT_TRUE(t->SetOutputFormat(0, &format));
    SimpleEditClipEntry second = Entry("/img/black.png", "ImageImporter", 0, 3000);
    ASSERT_TRUE(t->InsertClip(-1, &second));
    ASSERT_TRUE(t->SetClipAudioSource(1, "/a/song.mp3", 0, -2));
    ASSERT_TRUE(t->SetFrameRate(29.97));

    const std::string dir = SolvaneTest::Media::Get().Dir();
    const std::string path = dir + "/round.seix";
    ASSERT_TRUE(t->SaveTimeLine(path.c_str())) << SolvaneTest::LastMessage();

    ImporterPtr reader = NewEdit(m);
    ASSERT_TRUE(reader->Open(path.c_str())) << SolvaneTest::LastMessage();
    ISimpleEditTimeLine* r = TimeLine(reader.get());
    ASSERT_EQ(r->GetClipCount(), 2);
    SimpleEditClipEntry got{};
    ASSERT_TRUE(r->GetClip(0, &got));
    EXPECT_EQ(std::string(got.sourceAddress), address);
    EXPECT_STREQ(got.importerName, "FFImporter");
    EXPECT_EQ(got.trimStartMs, 250);
    EXPECT_EQ(got.trimEndMs, 1750);
    EXPECT_EQ(got.leftMargin, 8u);
    EXPECT_EQ(got.rightMargin, 4u);
    EXPECT_EQ(got.bottomMargin, 2u);
    EXPECT_EQ(r->GetClipEffectCount(0), 2);
    EXPECT_EQ(r->GetClipEffectCount(1), 0);
    EXPECT_EQ(r->GetDuration(), 1500u + 3000u);

    // Everything else survives too: saving what was read gives the same file.
    const std::string again = dir + "/round2.seix";
    ASSERT_TRUE(r->SaveToFile(again.c_str()));
    EXPECT_EQ(ReadAll(path), ReadAll(again));
    EXPECT_NE(ReadAll(path).find("version=\"1\""), std::string::npos);
}

TEST(SimpleEditTimeLine, BadCallsAreRefusedWithAReason)
{
    SolvaneTest::ManagerHolder m;
    ImporterPtr importer = NewEdit(m);
    ISimpleEditTimeLine* t = TimeLine(importer.get());
    SimpleEditClipEntry backwards = Entry("/v/a.mov", "", 2000, 1000);
    EXPECT_FALSE(t->InsertClip(-1, &backwards));
    EXPECT_EQ(SolvaneTest::LastCode(), 10021010);
    EXPECT_FALSE(t->SetClipVolume(3, 1.0));
    EXPECT_EQ(SolvaneTest::LastCode(), 10021000);
    EXPECT_FALSE(t->AddTransition(0, "fade", 500));
    EXPECT_EQ(SolvaneTest::LastCode(), 10021017);
    SimpleEditClipEntry fine = Entry("/v/a.mov", "", 0, 1000);
    ASSERT_TRUE(t->InsertClip(-1, &fine));
    const char* names[] = {"mirror", nullptr};
    const char* values[] = {nullptr};
    EXPECT_FALSE(t->AddClipEffect(0, 0, "reverse", names, values));
    EXPECT_EQ(t->GetClipEffectCount(0), 0);
    // A save into a folder that does not exist fails and leaves nothing.
    EXPECT_FALSE(t->SaveTimeLine("/nonexistent-folder/x.seix"));
    EXPECT_EQ(SolvaneTest::LastCode(), 10021013);
}

TEST(SimpleEditTimeLine, DamagedFilesAreRefusedAndKeepTheOpenDescription)
{
    SolvaneTest::ManagerHolder m;
    const std::string dir = SolvaneTest::Media::Get().Dir();
    const std::string good = "<SimpleEditTimeLine version=\"1\"><Clip source=\"/v/a.mov\" trimStart=\"0\" "
                             "trimEnd=\"1000\"/></SimpleEditTimeLine>";
    std::string deep;
    for (int i = 0; i < 5000; ++i)
        deep += "<a>";
    std::string manyEffects = "<SimpleEditTimeLine version=\"1\"><Clip source=\"x\">";
    for (int i = 0; i < 65; ++i)
        manyEffects += "<Effect name=\"gray\"/>";
    manyEffects += "</Clip></SimpleEditTimeLine>";
    struct Case
    {
        const char* what;
        std::string text;
        int code;
    } cases[] = {
        {"empty", "", 10021017},
        {"not XML", "just some words", 10021017},
        {"cut short", good.substr(0, good.size() / 2), 10021017},
        {"another root", "<Project version=\"1\"/>", 10021017},
        {"no version", "<SimpleEditTimeLine><Clip source=\"x\"/></SimpleEditTimeLine>", 10021017},
        {"newer version", "<SimpleEditTimeLine version=\"2\"/>", 10021017},
        {"clip ends first",
         "<SimpleEditTimeLine version=\"1\"><Clip source=\"x\" trimStart=\"900\" "
         "trimEnd=\"100\"/></SimpleEditTimeLine>",
         10021017},
        {"negative crop", "<SimpleEditTimeLine version=\"1\"><Clip source=\"x\" cropLeft=\"-3\"/></SimpleEditTimeLine>",
         10021017},
        {"volume no number",
         "<SimpleEditTimeLine version=\"1\"><Clip source=\"x\" volume=\"loud\"/></SimpleEditTimeLine>", 10021017},
        {"trim overflows",
         "<SimpleEditTimeLine version=\"1\"><Clip source=\"x\" trimEnd=\"99999999999\"/></SimpleEditTimeLine>",
         10021017},
        {"clip without source", "<SimpleEditTimeLine version=\"1\"><Clip trimEnd=\"5\"/></SimpleEditTimeLine>",
         10021017},
        {"too many effects", manyEffects, 10021017},
        {"nested without end", deep, 10021017},
        {"binary", std::string("<SimpleEditTimeLine version=\"1\">\0\x01\x02", 35), 10021017},
        {"too large", std::string(9u << 20, ' '), 10021017},
    };
    ImporterPtr importer = NewEdit(m);
    const std::string goodPath = dir + "/good.seix";
    WriteAll(goodPath, good);
    ASSERT_TRUE(importer->Open(goodPath.c_str())) << SolvaneTest::LastMessage();
    for (const Case& c : cases) {
        const std::string path = dir + "/damaged.seix";
        WriteAll(path, c.text);
        EXPECT_FALSE(importer->Open(path.c_str())) << c.what;
        EXPECT_EQ(SolvaneTest::LastCode(), c.code) << c.what << ": " << SolvaneTest::LastMessage();
        EXPECT_EQ(TimeLine(importer.get())->GetClipCount(), 1) << c.what;
    }
    EXPECT_FALSE(importer->Open((dir + "/missing.seix").c_str()));
    EXPECT_EQ(SolvaneTest::LastCode(), 10021013);
    // An unknown element, attribute or text in the file's own version is
    // damage (skipping it would drop what it held without a word).
    const std::string later = dir + "/later.seix";
    for (const char* text : {"<SimpleEditTimeLine version=\"1\"><Title text=\"x\"/></SimpleEditTimeLine>",
                             "<SimpleEditTimeLine version=\"1\"><Clip source=\"/v/b.mov\"><Sticker/></Clip>"
                             "</SimpleEditTimeLine>",
                             "<SimpleEditTimeLine version=\"1\"><Clip source=\"/v/b.mov\" colour=\"red\" "
                             "trimEnd=\"40\"/></SimpleEditTimeLine>",
                             "<SimpleEditTimeLine version=\"1\"><Clip source=\"/v/b.mov\">loose words</Clip>"
                             "</SimpleEditTimeLine>"}) {
        WriteAll(later, text);
        EXPECT_FALSE(importer->Open(later.c_str())) << text;
        EXPECT_EQ(SolvaneTest::LastCode(), 10021017) << text;
        EXPECT_EQ(TimeLine(importer.get())->GetClipCount(), 1) << text;
    }
}

TEST(SimpleEditTimeLine, ABitFlippedInAWrittenDescriptionIsRefusedWithTheFileAndLine)
{
    SolvaneTest::ManagerHolder m;
    ImporterPtr writer = NewEdit(m);
    ISimpleEditTimeLine* t = TimeLine(writer.get());
    SimpleEditClipEntry clip = Entry("/v/a.mov", "FFImporter", 0, 2000);
    ASSERT_TRUE(t->InsertClip(-1, &clip));
    const char* names[] = {"brightness", nullptr};
    const char* values[] = {"12", nullptr};
    ASSERT_TRUE(t->AddClipFilter(0, t->GetClipHandle(0), "brightness_contrast", names, values));
    ASSERT_TRUE(t->AddClipEffect(0, t->GetClipEffectCount(0), "gray", nullptr, nullptr));
    ASSERT_TRUE(t->SetReplaceAudio("/music/loop.wav", 0, 1));
    ASSERT_TRUE(t->SetClipAudioSource(0, "/a/song.mp3", 0, 1));
    const std::string dir = SolvaneTest::Media::Get().Dir();
    const std::string path = dir + "/flipped.seix";
    ASSERT_TRUE(t->SaveTimeLine(path.c_str())) << SolvaneTest::LastMessage();
    const std::string written = ReadAll(path);

    // What one flipped bit makes of a written file: the "<" of an element
    // turned into text, or the first letter of an attribute's name into a
    // capital.
    const char* elements[] = {"<Output", "<Format", "<AudioSource", "<ReplaceAudio", "<Effect name=\"gray\"", "<Param"};
    const char* attributes[] = {" importer=", " path=", " volume=", " name=", " value=", " width=", " version=\"1\""};
    std::vector<std::pair<std::string, size_t>> flips; // the text and where the bit is
    for (const char* e : elements) {
        const size_t at = written.find(e);
        ASSERT_NE(at, std::string::npos) << e << " in\n" << written;
        std::string text = written;
        text[at] ^= 0x01;
        flips.emplace_back(text, at);
    }
    for (const char* a : attributes) {
        const size_t at = written.find(a);
        ASSERT_NE(at, std::string::npos) << a << " in\n" << written;
        std::string text = written;
        text[at + 1] ^= 0x20;
        flips.emplace_back(text, at);
    }
    ImporterPtr reader = NewEdit(m);
    for (const auto& flip : flips) {
        const std::string line = std::to_string(std::count(written.begin(), written.begin() + flip.second, '\n') + 1);
        SCOPED_TRACE(flip.first.substr(flip.second, 16));
        WriteAll(path, flip.first);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(reader->Open(path.c_str()));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
        EXPECT_EQ(SolvaneTest::LastCode(), 10021017);
        const std::string message = SolvaneTest::LastMessage();
        EXPECT_NE(message.find(path), std::string::npos) << message;
        EXPECT_NE(message.find("line " + line), std::string::npos) << message;
    }
}

// A clip trimmed to less than one picture of its own rate is refused, as
// read (naming its line) and before it is written; one whole picture is not.
TEST(SimpleEditTimeLine, ClipsShorterThanOnePictureAreRefused)
{
    SolvaneTest::ManagerHolder m;
    const std::string dir = SolvaneTest::Media::Get().Dir();
    const auto clip = [](int start, int end) {
        return "<SimpleEditTimeLine version=\"1\">\n<Clip source=\"/v/a.mov\" trimStart=\"" + std::to_string(start) +
               "\" trimEnd=\"" + std::to_string(end) +
               "\"><Format width=\"320\" height=\"240\" frameRateNum=\"30000\" frameRateDen=\"1001\"/></Clip>\n"
               "</SimpleEditTimeLine>";
    };
    struct Case
    {
        int start, end;
        bool refused;
    } cases[] = {{1000, 1010, true}, {0, 32, true}, {0, 33, false}, {500, 534, false}};
    ImporterPtr importer = NewEdit(m);
    const std::string path = dir + "/short.seix";
    for (const Case& c : cases) {
        const std::string what = std::to_string(c.start) + " to " + std::to_string(c.end);
        WriteAll(path, clip(c.start, c.end));
        EXPECT_EQ(importer->Open(path.c_str()), !c.refused) << what << ": " << SolvaneTest::LastMessage();
        if (c.refused) {
            EXPECT_EQ(SolvaneTest::LastCode(), 10021017) << what;
            EXPECT_NE(SolvaneTest::LastMessage().find("(line 2)"), std::string::npos) << SolvaneTest::LastMessage();
            EXPECT_NE(SolvaneTest::LastMessage().find("shorter than one picture"), std::string::npos)
                << SolvaneTest::LastMessage();
        }
    }
    // The writer refuses what its reader would.
    ImporterPtr writer = NewEdit(m);
    ISimpleEditTimeLine* t = TimeLine(writer.get());
    Moorland::SimpleEditClipEntry entry{};
    entry.sourceAddress = "/v/a.mov";
    entry.importerName = "";
    entry.trimStartMs = 1000;
    entry.trimEndMs = 1010;
    ASSERT_TRUE(t->InsertClip(-1, &entry));
    Moorland::SimpleEditOutputFormat format{};
    format.width = 320;
    format.height = 240;
    format.frameRate[1] = 25;
    format.frameRate[0] = 1;
    ASSERT_TRUE(t->SetOutputFormat(0, &format));
    EXPECT_FALSE(t->SaveTimeLine((dir + "/unwritten.seix").c_str()));
    EXPECT_NE(SolvaneTest::LastMessage().find("shorter than one picture"), std::string::npos)
        << SolvaneTest::LastMessage();
}

TEST(SimpleEditTimeLine, TwoClipsPlayEveryFrameOnceWithSoundOfTheExactLength)
{
    SOLVANE_REQUIRE_MEDIA();
    EditMedia& media = EditMedia::Get();
    ASSERT_TRUE(media.ok);
    SolvaneTest::ManagerHolder m;
    ImporterPtr writer = NewEdit(m);
    ISimpleEditTimeLine* t = TimeLine(writer.get());
    SimpleEditClipEntry a = Entry(media.a.c_str(), "FFImporter", 520, 1520);
    SimpleEditClipEntry b = Entry(media.b.c_str(), "FFImporter", 0, 1000);
    ASSERT_TRUE(t->InsertClip(-1, &a));
    ASSERT_TRUE(t->InsertClip(-1, &b));
    const std::string path = media.dir + "/two.seix";
    ASSERT_TRUE(t->SaveTimeLine(path.c_str()));

    ImporterPtr player = NewEdit(m);
    Recorder recorder;
    TimeLine(player.get())->RegisterItemChangedCallBack(&recorder);
    ASSERT_TRUE(player->Open(path.c_str()));
    MovieInfo* movie = player->GetMovieInfoAt(0);
    ASSERT_NE(movie, nullptr);
    ASSERT_EQ(movie->streamCount, 2u);
    EXPECT_EQ(movie->streams[0].width, 320);
    EXPECT_EQ(movie->streams[1].sampleRate, 48000);
    SourcePtr source(player->CreateSource(0, 0, 0));
    ASSERT_TRUE(source) << SolvaneTest::LastMessage();
    EXPECT_EQ(source->GetDuration(), 2000u);

    std::vector<int> times;
    int64_t samples = 0, lastAudioEnd = 0;
    bool audioContiguous = true;
    IRawAudioFrame* audio = nullptr;
    IRawVideoFrame* video = nullptr;
    while (source->ReadFrames(&audio, &video, nullptr, AVReadBoth)) {
        if (video) {
            unsigned w = 0, h = 0;
            video->GetDimension(&w, &h);
            EXPECT_EQ(w, 320u);
            EXPECT_EQ(h, 240u);
            times.push_back(video->GetTimeStamp());
        }
        if (audio) {
            EXPECT_EQ(audio->GetSampleRate(), 48000);
            EXPECT_EQ(audio->GetChannels(), 2);
            const int64_t start = audio->GetTimeStamp() * 48000 / 10000000;
            audioContiguous = audioContiguous && std::llabs(start - lastAudioEnd) <= 1;
            samples += audio->GetSampleCount();
            lastAudioEnd = samples;
        }
    }
    EXPECT_TRUE(source->IsEndOfStream()) << SolvaneTest::LastMessage();
    ASSERT_EQ(times.size(), 50u);
    for (size_t i = 1; i < times.size(); ++i)
        EXPECT_GT(times[i], times[i - 1]) << i;
    EXPECT_EQ(times.front(), 0);
    EXPECT_EQ(times[25], 1000); // the second clip's first picture follows at once
    EXPECT_EQ(samples, 96000);  // 2 s of sound, the second clip's silent second included
    EXPECT_TRUE(audioContiguous);
    EXPECT_EQ(recorder.indexes, (std::vector<int>{0, 1}));

    // A seek into the second clip starts there and says so.
    recorder.indexes.clear();
    ASSERT_TRUE(source->Seek(1500));
    ASSERT_TRUE(source->ReadFrames(&audio, &video, nullptr, AVReadVideoOnly));
    ASSERT_NE(video, nullptr);
    EXPECT_GE(video->GetTimeStamp(), 1460);
    EXPECT_LE(video->GetTimeStamp(), 1500);
    EXPECT_EQ(recorder.indexes, (std::vector<int>{1}));
}

TEST(SimpleEditTimeLine, ClipSettingsShapeThePictureAndSound)
{
    SOLVANE_REQUIRE_MEDIA();
    EditMedia& media = EditMedia::Get();
    ASSERT_TRUE(media.ok);
    SolvaneTest::ManagerHolder m;
    ImporterPtr writer = NewEdit(m);
    ISimpleEditTimeLine* t = TimeLine(writer.get());
    // Cropped to 200 x 160 and turned a quarter: the output keeps the crop's
    // shape, and the turned picture stands in it, 128 x 160 between bars.
    SimpleEditClipEntry a = Entry(media.a.c_str(), "FFImporter", 0, 400);
    a.leftMargin = 60;
    a.rightMargin = 60;
    a.topMargin = 40;
    a.bottomMargin = 40;
    ASSERT_TRUE(t->InsertClip(-1, &a));
    const char* names[] = {"Rotate90XDerection", nullptr};
    const char* values[] = {"1", nullptr};
    ASSERT_TRUE(t->AddClipEffect(0, 0, "EffectNameRotate90X", names, values));
    ASSERT_TRUE(t->SetClipMute(0, 1));
    // The second clip keeps its shape inside the output, on black.
    SimpleEditClipEntry b = Entry(media.b.c_str(), "FFImporter", 0, 200);
    ASSERT_TRUE(t->InsertClip(-1, &b));
    const std::string path = media.dir + "/shaped.seix";
    ASSERT_TRUE(t->SaveTimeLine(path.c_str()));

    SourcePtr source(
        m->CreateSourceFromAddress(path.c_str(), "SimpleEditImporter", nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(source) << SolvaneTest::LastMessage();
    IRawAudioFrame* audio = nullptr;
    IRawVideoFrame* video = nullptr;
    int pictures = 0;
    bool silent = true;
    while (source->ReadFrames(&audio, &video, nullptr, AVReadBoth)) {
        if (video) {
            unsigned w = 0, h = 0;
            video->GetDimension(&w, &h);
            EXPECT_EQ(w, 200u);
            EXPECT_EQ(h, 160u);
            unsigned bytes = 0, pitch = 0, rows = 0;
            const unsigned char* y = video->GetBuffer(0, &bytes, &pitch, &rows);
            if (video->GetTimeStamp() < 400) {
                EXPECT_LE(y[80 * pitch + 10], 20);  // left bar
                EXPECT_LE(y[80 * pitch + 190], 20); // right bar
                EXPECT_GT(y[80 * pitch + 100], 20); // picture
            } else {
                // 320 x 240 fitted into 200 x 160: 200 x 150 with black bars.
                EXPECT_LE(y[1 * pitch + 100], 20);  // top bar
                EXPECT_GT(y[80 * pitch + 100], 20); // picture
            }
            ++pictures;
        }
        if (audio && audio->GetTimeStamp() < 4000000) {
            unsigned size = 0;
            const int16_t* s = reinterpret_cast<const int16_t*>(audio->GetBuffer(0, &size));
            for (unsigned i = 0; i < size / 2; ++i)
                silent = silent && s[i] == 0;
        }
    }
    EXPECT_TRUE(source->IsEndOfStream()) << SolvaneTest::LastMessage();
    EXPECT_EQ(pictures, 15);
    EXPECT_TRUE(silent);
}

TEST(SimpleEditTimeLine, AMissingClipFileFailsTheReadAndIsNoEnd)
{
    SolvaneTest::ManagerHolder m;
    const std::string dir = SolvaneTest::Media::Get().Dir();
    const std::string path = dir + "/missing-clip.seix";
    WriteAll(
        path,
        "<SimpleEditTimeLine version=\"1\"><Output width=\"64\" height=\"48\"/>"
        "<Clip source=\"" +
            dir +
            "/nothing-here.mp4\" trimStart=\"0\" trimEnd=\"1000\">"
            "<Format width=\"64\" height=\"48\" sampleRate=\"48000\" channels=\"2\"/></Clip></SimpleEditTimeLine>");
    ImporterPtr importer = NewEdit(m);
    ASSERT_TRUE(importer->Open(path.c_str()));
    SourcePtr source(importer->CreateSource(0, 0, 0));
    ASSERT_TRUE(source) << SolvaneTest::LastMessage();
    IRawAudioFrame* audio = nullptr;
    IRawVideoFrame* video = nullptr;
    EXPECT_FALSE(source->ReadFrames(&audio, &video, nullptr, AVReadBoth));
    EXPECT_FALSE(source->IsEndOfStream());
    EXPECT_NE(SolvaneTest::LastCode(), 0);
}

namespace {

// Plays the whole source; pictures counted, sound samples summed.
void PlayAll(IAVSource* source, int& pictures, int64_t& samples)
{
    pictures = 0;
    samples = 0;
    IRawAudioFrame* audio = nullptr;
    IRawVideoFrame* video = nullptr;
    while (source->ReadFrames(&audio, &video, nullptr, AVReadBoth)) {
        pictures += video != nullptr;
        if (audio)
            samples += audio->GetSampleCount();
    }
    EXPECT_TRUE(source->IsEndOfStream()) << SolvaneTest::LastMessage();
}

} // namespace

TEST(SimpleEditTimeLine, AWholeDescriptionPlaysInsideAnother)
{
    SOLVANE_REQUIRE_MEDIA();
    EditMedia& media = EditMedia::Get();
    ASSERT_TRUE(media.ok);
    SolvaneTest::ManagerHolder m;
    ImporterPtr inner = NewEdit(m);
    SimpleEditClipEntry a = Entry(media.a.c_str(), "FFImporter", 0, 1000);
    SimpleEditClipEntry b = Entry(media.b.c_str(), "FFImporter", 200, 600);
    ASSERT_TRUE(TimeLine(inner.get())->InsertClip(-1, &a));
    ASSERT_TRUE(TimeLine(inner.get())->InsertClip(-1, &b));
    const std::string innerPath = media.dir + "/inner.seix";
    ASSERT_TRUE(TimeLine(inner.get())->SaveTimeLine(innerPath.c_str()));

    // As an output task builds its job: the copied timeline is the one source.
    ImporterPtr outer = NewEdit(m);
    ISimpleEditTimeLine* t = TimeLine(outer.get());
    ASSERT_TRUE(t->InsertSource(0, innerPath.c_str(), "SimpleEditImporter", 0, -1, 0, 0));
    ASSERT_TRUE(t->SetOutputStreams(0));
    ASSERT_TRUE(t->SetFrameRate(25));
    const std::string outerPath = media.dir + "/outer.seix";
    ASSERT_TRUE(t->SaveToFile(outerPath.c_str()));

    int movieId = -1, videoId = -1, audioId = -1;
    MovieInfo* movie = nullptr;
    SourcePtr source(
        m->CreateSourceFromAddress(outerPath.c_str(), "SimpleEditImporter", &movieId, &videoId, &audioId, &movie));
    ASSERT_TRUE(source) << SolvaneTest::LastMessage();
    ASSERT_NE(movie, nullptr);
    EXPECT_EQ(videoId, 0);
    EXPECT_EQ(audioId, 1);
    EXPECT_EQ(source->GetDuration(), 1400u);
    int pictures = 0;
    int64_t samples = 0;
    PlayAll(source.get(), pictures, samples);
    EXPECT_EQ(pictures, 35);
    EXPECT_EQ(samples, 48000 * 1400 / 1000);

    // Without an importer named, the file's name says it is a timeline, in
    // any letter case; a media importer named opens it as media, and refuses it.
    const std::string capitals = media.dir + "/OUTER.SEIX";
    ASSERT_TRUE(t->SaveToFile(capitals.c_str()));
    SourcePtr unnamed(m->CreateSourceFromAddress(capitals.c_str(), "", nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(unnamed) << SolvaneTest::LastMessage();
    EXPECT_EQ(unnamed->GetDuration(), 1400u);
    SourcePtr asMedia(m->CreateSourceFromAddress(outerPath.c_str(), "FFImporter", nullptr, nullptr, nullptr, nullptr));
    EXPECT_FALSE(asMedia);
}

TEST(SimpleEditTimeLine, ASoundClipPlaysOverAStillPicture)
{
    SOLVANE_REQUIRE_MEDIA();
    SolvaneTest::Media& files = SolvaneTest::Media::Get();
    SolvaneTest::ManagerHolder m;
    ImporterPtr writer = NewEdit(m);
    ISimpleEditTimeLine* t = TimeLine(writer.get());
    // As the timeline writes a sound-only clip: the picture is the black
    // background image, the sound its own file.
    const std::string picture = files.Picture();
    SimpleEditClipEntry clip = Entry(picture.c_str(), "ImageImporter", 0, 1000);
    ASSERT_TRUE(t->InsertClip(-1, &clip));
    // Ids that do not fit the file (its sound is no stream 7) still give its sound.
    ASSERT_TRUE(t->SetClipAudioSource(0, files.Tone().c_str(), 0, 7));
    const std::string path = files.Dir() + "/sound-only.seix";
    ASSERT_TRUE(t->SaveTimeLine(path.c_str()));
    SourcePtr source(
        m->CreateSourceFromAddress(path.c_str(), "SimpleEditImporter", nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(source) << SolvaneTest::LastMessage();
    int pictures = 0;
    int64_t samples = 0;
    PlayAll(source.get(), pictures, samples);
    EXPECT_GT(pictures, 0);
    EXPECT_EQ(samples, 48000);
}

TEST(SimpleEditTimeLine, AnOutputFrameRateGivesEverySlotOnePicture)
{
    SOLVANE_REQUIRE_MEDIA();
    EditMedia& media = EditMedia::Get();
    ASSERT_TRUE(media.ok);
    SolvaneTest::ManagerHolder m;
    struct Case
    {
        double fps;
        int pictures; // 1 s of 25 fps and 1 s of 30 fps
    } cases[] = {{25, 50}, {30, 60}, {12, 24}};
    // The rate written in the description, or given with its address as a
    // conversion job gives its own.
    for (const Case& c : cases) {
        for (bool byAddress : {false, true}) {
            ImporterPtr writer = NewEdit(m);
            ISimpleEditTimeLine* t = TimeLine(writer.get());
            SimpleEditClipEntry a = Entry(media.a.c_str(), "FFImporter", 0, 1000);
            SimpleEditClipEntry b = Entry(media.c30.c_str(), "FFImporter", 0, 1000);
            ASSERT_TRUE(t->InsertClip(-1, &a));
            ASSERT_TRUE(t->InsertClip(-1, &b));
            if (!byAddress)
                ASSERT_TRUE(t->SetFrameRate(c.fps));
            const std::string path = media.dir + "/cfr.seix";
            ASSERT_TRUE(t->SaveTimeLine(path.c_str()));
            const std::string address =
                byAddress ? path + "?framerate=" + std::to_string(static_cast<int>(c.fps * 1000)) + "/1000" : path;
            SourcePtr source(
                m->CreateSourceFromAddress(address.c_str(), "SimpleEditImporter", nullptr, nullptr, nullptr, nullptr));
            ASSERT_TRUE(source) << SolvaneTest::LastMessage();
            std::vector<int> times;
            IRawAudioFrame* audio = nullptr;
            IRawVideoFrame* video = nullptr;
            while (source->ReadFrames(&audio, &video, nullptr, AVReadVideoOnly))
                if (video)
                    times.push_back(video->GetTimeStamp());
            EXPECT_TRUE(source->IsEndOfStream());
            ASSERT_EQ(static_cast<int>(times.size()), c.pictures) << c.fps << " by address " << byAddress;
            for (size_t i = 0; i < times.size(); ++i)
                EXPECT_EQ(times[i], static_cast<int>(std::llround(i * 1000.0 / c.fps))) << c.fps << " #" << i;
        }
    }
    // A rate that is no rate is refused, not played at the clips' own.
    const std::string path = media.dir + "/cfr.seix";
    for (const char* rate : {"0/1", "25", "25/0", "25/1x", "-25/1"}) {
        const std::string address = path + "?framerate=" + rate;
        SourcePtr source(
            m->CreateSourceFromAddress(address.c_str(), "SimpleEditImporter", nullptr, nullptr, nullptr, nullptr));
        EXPECT_FALSE(source) << rate;
        EXPECT_EQ(GetQuentaException()->GetExceptionCode(), 10021010) << rate;
    }
}

TEST(SimpleEditTimeLine, AClipsLastPictureKeepsItsPixelsWhileItFillsTheClipsEnd)
{
    SOLVANE_REQUIRE_MEDIA();
    EditMedia& media = EditMedia::Get();
    ASSERT_TRUE(media.ok);
    SolvaneTest::ManagerHolder m;
    // B's pictures end at 1 s; its place on the time line lasts 1.5 s, so its
    // last picture is shown again after its file has been closed.
    ImporterPtr writer = NewEdit(m);
    ISimpleEditTimeLine* t = TimeLine(writer.get());
    SimpleEditClipEntry b = Entry(media.b.c_str(), "FFImporter", 0, 1500);
    SimpleEditClipEntry a = Entry(media.a.c_str(), "FFImporter", 0, 400);
    ASSERT_TRUE(t->InsertClip(-1, &b));
    ASSERT_TRUE(t->InsertClip(-1, &a));
    ASSERT_TRUE(t->SetFrameRate(25));
    const std::string path = media.dir + "/held.seix";
    ASSERT_TRUE(t->SaveTimeLine(path.c_str()));
    SourcePtr source(
        m->CreateSourceFromAddress(path.c_str(), "SimpleEditImporter", nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(source) << SolvaneTest::LastMessage();
    auto luma = [](IRawVideoFrame* v) {
        unsigned line = 0, pitch = 0, rows = 0;
        const unsigned char* p = v->GetBuffer(0, &line, &pitch, &rows);
        std::vector<unsigned char> out;
        for (unsigned r = 0; p && r < rows; ++r)
            out.insert(out.end(), p + r * pitch, p + r * pitch + line);
        return out;
    };
    std::vector<std::vector<unsigned char>> pictures;
    std::vector<int> times;
    IRawAudioFrame* audio = nullptr;
    IRawVideoFrame* video = nullptr;
    while (source->ReadFrames(&audio, &video, nullptr, AVReadVideoOnly)) {
        if (!video)
            continue;
        pictures.push_back(luma(video));
        times.push_back(video->GetTimeStamp());
    }
    ASSERT_EQ(pictures.size(), 48u);
    EXPECT_NE(pictures[23], pictures[24]) << "the clip's pictures change";
    for (size_t i = 25; i < 38; ++i) {
        EXPECT_EQ(times[i], static_cast<int>(i * 40));
        EXPECT_TRUE(pictures[i] == pictures[24]) << "#" << i << " shows B's last picture";
    }
    EXPECT_FALSE(pictures[38] == pictures[24]) << "then A's first";
}

TEST(SimpleEditTimeLine, EditedPicturesAreSharedAndKeepTheirPixelsPastLaterReads)
{
    SOLVANE_REQUIRE_MEDIA();
    EditMedia& media = EditMedia::Get();
    ASSERT_TRUE(media.ok);
    SolvaneTest::ManagerHolder m;
    // A turned and brightened (fitted between bars), then B brightened only
    // (the output's own size), at a frame rate that repeats B's last picture:
    // a conversion queues every picture by a share of its pixels while the
    // source goes on making the next ones.
    ImporterPtr writer = NewEdit(m);
    ISimpleEditTimeLine* t = TimeLine(writer.get());
    SimpleEditClipEntry a = Entry(media.a.c_str(), "FFImporter", 0, 800);
    SimpleEditClipEntry b = Entry(media.b.c_str(), "FFImporter", 0, 1300);
    ASSERT_TRUE(t->InsertClip(-1, &a));
    ASSERT_TRUE(t->InsertClip(-1, &b));
    const char* turnNames[] = {"Rotate90XDerection", nullptr};
    const char* turnValues[] = {"2", nullptr};
    const char* levelNames[] = {"brightness", "contrast", "saturation", nullptr};
    const char* levelValues[] = {"20", "15", "30", nullptr};
    ASSERT_TRUE(t->AddClipEffect(0, 0, "brightness_contrast", levelNames, levelValues));
    ASSERT_TRUE(t->AddClipEffect(0, 1, "EffectNameRotate90X", turnNames, turnValues));
    ASSERT_TRUE(t->AddClipEffect(1, 0, "brightness_contrast", levelNames, levelValues));
    ASSERT_TRUE(t->SetFrameRate(25));
    const std::string path = media.dir + "/shared.seix";
    ASSERT_TRUE(t->SaveTimeLine(path.c_str()));
    SourcePtr source(
        m->CreateSourceFromAddress(path.c_str(), "SimpleEditImporter", nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(source) << SolvaneTest::LastMessage();
    auto planes = [](IRawVideoFrame* v) {
        std::vector<unsigned char> out;
        for (unsigned i = 0; i < 3; ++i) {
            unsigned line = 0, pitch = 0, rows = 0;
            const unsigned char* p = v->GetBuffer(i, &line, &pitch, &rows);
            for (unsigned r = 0; p && r < rows; ++r)
                out.insert(out.end(), p + r * pitch, p + r * pitch + line);
        }
        return out;
    };
    struct Free
    {
        void operator()(IRawVideoFrame* f) const { f->Free(); }
    };
    std::vector<std::unique_ptr<IRawVideoFrame, Free>> held;
    std::vector<std::vector<unsigned char>> seen;
    IRawAudioFrame* audio = nullptr;
    IRawVideoFrame* video = nullptr;
    while (source->ReadFrames(&audio, &video, nullptr, AVReadBoth)) {
        if (!video)
            continue;
        EXPECT_NE(video->GetInterface(RAWVIDEO_INTERFACE_SHARED), nullptr)
            << "picture " << seen.size() << " would be copied to be kept";
        seen.push_back(planes(video));
        held.emplace_back(ShareOrClone(video));
        ASSERT_TRUE(held.back());
        EXPECT_FALSE(held.back()->CanBeModified()) << "shared pixels are read-only";
    }
    ASSERT_EQ(seen.size(), 53u);
    EXPECT_NE(seen[5], seen[6]) << "the pictures change";
    for (size_t i = 0; i < held.size(); ++i)
        ASSERT_TRUE(planes(held[i].get()) == seen[i]) << "picture " << i << " changed after it was read";
}

TEST(SimpleEditTimeLine, PixelShapesAreKeptAcrossClips)
{
    SOLVANE_REQUIRE_MEDIA();
    EditMedia& media = EditMedia::Get();
    ASSERT_TRUE(media.ok);
    SolvaneTest::ManagerHolder m;
    ImporterPtr writer = NewEdit(m);
    ISimpleEditTimeLine* t = TimeLine(writer.get());
    // The first clip has 8:9 samples: 320 x 240 shown 284 x 240. The second,
    // square, is wider than that and gets bars above and below.
    const std::string narrow = SolvaneTest::Media::Get().Clip();
    SimpleEditClipEntry a = Entry(narrow.c_str(), "FFImporter", 0, 200);
    SimpleEditClipEntry b = Entry(media.b.c_str(), "FFImporter", 0, 200);
    ASSERT_TRUE(t->InsertClip(-1, &a));
    ASSERT_TRUE(t->InsertClip(-1, &b));
    const std::string path = media.dir + "/shapes.seix";
    ASSERT_TRUE(t->SaveTimeLine(path.c_str()));
    MovieInfo* movie = nullptr;
    SourcePtr source(m->CreateSourceFromAddress(path.c_str(), "SimpleEditImporter", nullptr, nullptr, nullptr, &movie));
    ASSERT_TRUE(source) << SolvaneTest::LastMessage();
    ASSERT_NE(movie, nullptr);
    EXPECT_EQ(movie->streams[0].width, 320);
    EXPECT_NE(movie->streams[0].aspect, 0u);
    IRawAudioFrame* audio = nullptr;
    IRawVideoFrame* video = nullptr;
    int second = 0;
    while (source->ReadFrames(&audio, &video, nullptr, AVReadVideoOnly)) {
        if (!video)
            continue;
        EXPECT_NEAR(video->GetDAR(), 320.0 * 8 / 9 / 240, 0.01);
        if (video->GetTimeStamp() < 200)
            continue;
        ++second;
        unsigned bytes = 0, pitch = 0, rows = 0;
        const unsigned char* y = video->GetBuffer(0, &bytes, &pitch, &rows);
        EXPECT_LE(y[3 * pitch + 160], 20); // bar: 240 - 320 x (8/9) / (4/3) = 27 lines, about 13 each side
        EXPECT_LE(y[236 * pitch + 160], 20);
        EXPECT_GT(y[20 * pitch + 160], 20); // the picture starts below the bar
    }
    EXPECT_EQ(second, 5);
}

TEST(SimpleEditTimeLine, ReplacementSoundAndDeinterlacingApplyToTheirClip)
{
    SOLVANE_REQUIRE_MEDIA();
    EditMedia& media = EditMedia::Get();
    ASSERT_TRUE(media.ok);
    SolvaneTest::Media& files = SolvaneTest::Media::Get();
    SolvaneTest::ManagerHolder m;
    ImporterPtr writer = NewEdit(m);
    ISimpleEditTimeLine* t = TimeLine(writer.get());
    // A silent clip given the tone, then an interlaced clip to deinterlace.
    SimpleEditClipEntry b = Entry(media.b.c_str(), "FFImporter", 0, 600);
    ASSERT_TRUE(t->InsertClip(-1, &b));
    ASSERT_TRUE(t->SetReplaceAudio(files.Tone().c_str(), 0, 0));
    ASSERT_TRUE(t->SetClipVolume(0, 0.5));
    const std::string interlaced = files.Interlaced();
    SimpleEditClipEntry c = Entry(interlaced.c_str(), "FFImporter", 0, 400);
    ASSERT_TRUE(t->InsertClip(-1, &c));
    ASSERT_TRUE(t->SetClipInterlaced(1, 1));
    const std::string path = media.dir + "/settings.seix";
    ASSERT_TRUE(t->SaveTimeLine(path.c_str()));
    SourcePtr source(
        m->CreateSourceFromAddress(path.c_str(), "SimpleEditImporter", nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(source) << SolvaneTest::LastMessage();
    IRawAudioFrame* audio = nullptr;
    IRawVideoFrame* video = nullptr;
    int64_t samples = 0;
    int peakFirst = 0, peakSecond = 0, pictures = 0;
    while (source->ReadFrames(&audio, &video, nullptr, AVReadBoth)) {
        if (video) {
            ++pictures;
            EXPECT_FALSE(video->IsInterlaced());
        }
        if (!audio)
            continue;
        unsigned size = 0;
        const int16_t* s = reinterpret_cast<const int16_t*>(audio->GetBuffer(0, &size));
        int& peak = audio->GetTimeStamp() < 6000000 ? peakFirst : peakSecond;
        for (unsigned i = 0; i < size / 2; ++i)
            peak = std::max(peak, std::abs(static_cast<int>(s[i])));
        samples += audio->GetSampleCount();
    }
    EXPECT_TRUE(source->IsEndOfStream()) << SolvaneTest::LastMessage();
    EXPECT_EQ(samples, 48000);
    // The tone (full scale about 1/8) at half volume, then the silent clip.
    EXPECT_GT(peakFirst, 1000);
    EXPECT_LT(peakFirst, 3200);
    EXPECT_EQ(peakSecond, 0);
    EXPECT_EQ(pictures, 15 + 10);
}

TEST(SimpleEditTimeLine, AStillBackgroundDoesNotSetTheOutputSize)
{
    SOLVANE_REQUIRE_MEDIA();
    EditMedia& media = EditMedia::Get();
    ASSERT_TRUE(media.ok);
    SolvaneTest::Media& files = SolvaneTest::Media::Get();
    SolvaneTest::ManagerHolder m;
    ImporterPtr writer = NewEdit(m);
    ISimpleEditTimeLine* t = TimeLine(writer.get());
    const std::string picture = files.Picture(); // 64 x 48
    SimpleEditClipEntry sound = Entry(picture.c_str(), "ImageImporter", 0, 400);
    ASSERT_TRUE(t->InsertClip(-1, &sound));
    ASSERT_TRUE(t->SetClipAudioSource(0, files.Tone().c_str(), 0, 0));
    SimpleEditClipEntry a = Entry(media.a.c_str(), "FFImporter", 0, 400);
    ASSERT_TRUE(t->InsertClip(-1, &a));
    const std::string path = media.dir + "/still-first.seix";
    ASSERT_TRUE(t->SaveTimeLine(path.c_str()));
    ImporterPtr player = NewEdit(m);
    ASSERT_TRUE(player->Open(path.c_str()));
    MovieInfo* movie = player->GetMovieInfoAt(0);
    ASSERT_NE(movie, nullptr) << SolvaneTest::LastMessage();
    EXPECT_EQ(movie->streams[0].width, 320);
    EXPECT_EQ(movie->streams[0].height, 240);
    EXPECT_EQ(movie->streams[0].frameRate, PackFrameRate(25, 1));
}

namespace {

double Since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A description with every element the format knows, as the writer makes it.
std::string WrittenDescription(SolvaneTest::ManagerHolder& m, const std::string& path)
{
    ImporterPtr writer = NewEdit(m);
    ISimpleEditTimeLine* t = TimeLine(writer.get());
    SimpleEditClipEntry e = Entry("/v/a.mov", "FFImporter", 0, 2000);
    EXPECT_TRUE(t->InsertClip(-1, &e));
    const char* names[] = {"mirror", nullptr};
    const char* values[] = {"1", nullptr};
    EXPECT_TRUE(t->AddClipEffect(0, 0, "reverse", names, values));
    EXPECT_TRUE(t->SetClipAudioSource(0, "/a/b.mp3", 0, 1));
    EXPECT_TRUE(t->SetReplaceAudio("/a/c.wav", 0, 1));
    EXPECT_TRUE(t->SaveTimeLine(path.c_str())) << SolvaneTest::LastMessage();
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// How a reader picks the kind of each read.
enum class Order { Both, Alternate, Lagging, PicturesFirst, SoundOnly, PicturesOnly };

struct ReadResult
{
    std::vector<int> pictureTimes;
    int64_t samples = 0;
    bool soundContiguous = true;
    bool ended = false;
};

ReadResult ReadInOrder(IAVSource* source, Order order, int64_t firstSample)
{
    ReadResult r;
    int64_t expectedStart = firstSample;
    int lastVideo = -1, lastAudio = -1;
    for (int n = 0;; ++n) {
        int mode = AVReadBoth;
        switch (order) {
        case Order::Both: break;
        case Order::Alternate: mode = n % 2 ? AVReadVideoOnly : AVReadAudioOnly; break;
        case Order::Lagging: mode = lastVideo > lastAudio ? AVReadAudioOnly : AVReadVideoOnly; break;
        case Order::PicturesFirst: mode = n % 4 == 3 ? AVReadAudioOnly : AVReadVideoOnly; break;
        case Order::SoundOnly: mode = AVReadAudioOnly; break;
        case Order::PicturesOnly: mode = AVReadVideoOnly; break;
        }
        IRawAudioFrame* audio = nullptr;
        IRawVideoFrame* video = nullptr;
        if (!source->ReadFrames(&audio, &video, nullptr, mode))
            break;
        if (video) {
            lastVideo = video->GetTimeStamp();
            r.pictureTimes.push_back(lastVideo);
        }
        if (audio) {
            const int64_t start = audio->GetTimeStamp() * 48000 / 10000000;
            r.soundContiguous = r.soundContiguous && std::llabs(start - expectedStart) <= 1;
            r.samples += audio->GetSampleCount();
            expectedStart = firstSample + r.samples;
            lastAudio = static_cast<int>(audio->GetTimeStamp() / 10000);
        }
    }
    r.ended = source->IsEndOfStream();
    return r;
}

} // namespace

TEST(SimpleEditTimeLine, HostileFilesEndInARecordedErrorWithinASecond)
{
    SolvaneTest::ManagerHolder m;
    const std::string dir = SolvaneTest::Media::Get().Dir() + "/hostile";
    ASSERT_EQ(std::system(("rm -rf '" + dir + "' && mkdir -p '" + dir + "/folder.seix'").c_str()), 0);
    const std::string good = WrittenDescription(m, dir + "/good.seix");
    ASSERT_NE(good.find("<Effect"), std::string::npos);

    const std::string fifo = dir + "/fifo.seix";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    auto repeat = [](const std::string& s, int n) {
        std::string out;
        for (int i = 0; i < n; ++i)
            out += s;
        return out;
    };
    std::string attributes = "<SimpleEditTimeLine version=\"1\"><Clip source=\"x\"";
    for (int i = 0; i < 40000; ++i)
        attributes += " a" + std::to_string(i) + "=\"1\"";
    attributes += "/></SimpleEditTimeLine>";
    struct Case
    {
        std::string what;
        std::string path; // the file read; written from `text` when not given
        std::string text;
    };
    std::vector<Case> cases = {
        {"FIFO", fifo, ""},
        {"endless device", "/dev/zero", ""},
        {"folder", dir + "/folder.seix", ""},
        {"deep behind a comment", "",
         "<!--" + repeat("</x>", 40000) + "-->" + repeat("<x>", 40000) + repeat("</x>", 40000)},
        {"deep behind a value", "",
         "<SimpleEditTimeLine version=\"1\" v=\"" + repeat("</x>", 40000) + "\">" + repeat("<x>", 40000)},
        {"many attributes", "", attributes},
        {"opening brackets", "", repeat("<a", 100000)},
    };
    // Every point where the written file can be cut short.
    for (size_t n = 0; n < good.size(); ++n)
        if (good.substr(0, n).find("</SimpleEditTimeLine>") == std::string::npos)
            cases.push_back({"cut at " + std::to_string(n), "", good.substr(0, n)});
    // Every single-bit flip of every element name: a known element turned
    // into an unknown one must never read as a description without it.
    for (size_t at = good.find('<'); at != std::string::npos; at = good.find('<', at + 1)) {
        size_t end = at + 1;
        if (good[end] == '/')
            ++end;
        if (good[end] == '?')
            continue;
        size_t stop = end;
        while (stop < good.size() && std::isalpha(static_cast<unsigned char>(good[stop])))
            ++stop;
        for (size_t i = end; i < stop; ++i)
            for (int bit = 0; bit < 8; ++bit) {
                std::string flipped = good;
                flipped[i] = static_cast<char>(flipped[i] ^ (1 << bit));
                cases.push_back({"bit " + std::to_string(bit) + " of byte " + std::to_string(i), "", flipped});
            }
    }

    ImporterPtr importer = NewEdit(m);
    ASSERT_TRUE(importer->Open((dir + "/good.seix").c_str())) << SolvaneTest::LastMessage();
    const int clips = TimeLine(importer.get())->GetClipCount();
    ASSERT_EQ(clips, 1);
    for (const Case& c : cases) {
        const std::string path = c.path.empty() ? dir + "/damaged.seix" : c.path;
        if (c.path.empty())
            WriteAll(path, c.text);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(importer->Open(path.c_str())) << c.what;
        EXPECT_LT(Since(start), 1.0) << c.what;
        const int code = SolvaneTest::LastCode();
        EXPECT_TRUE(code == 10021017 || code == 10021013) << c.what << ": " << code;
        if (c.path.empty())
            EXPECT_NE(SolvaneTest::LastMessage().find(path), std::string::npos)
                << c.what << ": the message names the file: " << SolvaneTest::LastMessage();
        EXPECT_EQ(TimeLine(importer.get())->GetClipCount(), clips) << c.what;
    }
}

TEST(SimpleEditTimeLine, TheWriterWritesOnlyWhatItsReaderTakes)
{
    SolvaneTest::ManagerHolder m;
    const std::string dir = SolvaneTest::Media::Get().Dir();
    const std::string path = dir + "/bounds.seix";
    const std::string longest(8192, 'p');
    const std::string tooLong(8193, 'p');
    const struct
    {
        const char* what;
        std::function<bool(ISimpleEditTimeLine*)> set;
        bool saved;
        const char* named; // part of the refusal
    } cases[] = {
        {"movie -2", [](ISimpleEditTimeLine* t) { return t->InsertSource(-1, "/v/a.mov", "", 0, -1, -2, 0); }, true,
         ""},
        {"movie -5", [](ISimpleEditTimeLine* t) { return t->InsertSource(-1, "/v/a.mov", "", 0, -1, -5, 0); }, false,
         "movie -5"},
        {"audio stream -2", [](ISimpleEditTimeLine* t) { return t->SetClipAudioSource(0, "/a.mp3", 0, -2); }, true, ""},
        {"audio stream -7", [](ISimpleEditTimeLine* t) { return t->SetClipAudioSource(0, "/a.mp3", 0, -7); }, false,
         "audio source stream -7"},
        {"frame rate 1000000/1001",
         [](ISimpleEditTimeLine* t) {
             SimpleEditOutputFormat f{};
             f.frameRate[1] = 1000000;
             f.frameRate[0] = 1001;
             return t->SetOutputFormat(0, &f);
         },
         true, ""},
        {"frame rate 9900000/180089 (a variable-rate clip's average)",
         [](ISimpleEditTimeLine* t) {
             SimpleEditOutputFormat f{};
             f.frameRate[1] = 9900000;
             f.frameRate[0] = 180089;
             return t->SetOutputFormat(0, &f);
         },
         true, ""},
        {"frame rate 3000000000/1001",
         [](ISimpleEditTimeLine* t) {
             SimpleEditOutputFormat f{};
             f.frameRate[1] = 3000000000u;
             f.frameRate[0] = 1001;
             return t->SetOutputFormat(0, &f);
         },
         false, "frame rate numerator 3000000000"},
        {"text of 8192 bytes", [&](ISimpleEditTimeLine* t) { return t->SetReplaceAudio(longest.c_str(), 0, 0); }, true,
         ""},
        {"text of 8193 bytes", [&](ISimpleEditTimeLine* t) { return t->SetReplaceAudio(tooLong.c_str(), 0, 0); }, false,
         "replacement audio is longer than 8192"},
        {"UTF-8 effect value",
         [](ISimpleEditTimeLine* t) {
             const char* names[] = {"text", nullptr};
             const char* values[] = {"\xC3\xA9t\xC3\xA9", nullptr};
             return t->AddClipEffect(0, 0, "title", names, values);
         },
         true, ""},
        {"effect value not UTF-8",
         [](ISimpleEditTimeLine* t) {
             const char* names[] = {"text", nullptr};
             const char* values[] = {"\xE9t\xE9", nullptr};
             return t->AddClipEffect(0, 0, "title", names, values);
         },
         false, "parameter text is not UTF-8"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteAll(path, "earlier");
        ImporterPtr writer = NewEdit(m);
        ISimpleEditTimeLine* t = TimeLine(writer.get());
        ASSERT_TRUE(t->InsertSource(-1, "/v/first.mov", "", 0, -1, -2, 0));
        ASSERT_TRUE(c.set(t)) << SolvaneTest::LastMessage();
        const bool saved = t->SaveTimeLine(path.c_str());
        EXPECT_EQ(saved, c.saved) << SolvaneTest::LastMessage();
        if (saved) {
            ImporterPtr reader = NewEdit(m);
            EXPECT_TRUE(reader->Open(path.c_str())) << SolvaneTest::LastMessage();
            EXPECT_EQ(TimeLine(reader.get())->GetClipCount(), t->GetClipCount());
        } else {
            EXPECT_EQ(SolvaneTest::LastCode(), 10021010);
            EXPECT_NE(SolvaneTest::LastMessage().find(c.named), std::string::npos) << SolvaneTest::LastMessage();
            EXPECT_EQ(ReadAll(path), "earlier") << "a refused description leaves the file as it was";
        }
    }
}

TEST(SimpleEditTimeLine, NumbersAreStoredTheSameInEveryLocale)
{
    SolvaneTest::ManagerHolder m;
    const std::string dir = SolvaneTest::Media::Get().Dir();
    if (!MediaTest::UseCommaNumbers())
        GTEST_SKIP() << "no locale with a decimal comma can be had (localedef and de_DE missing)";
    ImporterPtr writer = NewEdit(m);
    ISimpleEditTimeLine* t = TimeLine(writer.get());
    ASSERT_TRUE(t->InsertSource(-1, "/v/a.mov", "", 0, -1, -2, 0));
    ASSERT_TRUE(t->SetClipVolume(0, 0.5));
    const std::string path = dir + "/comma.seix";
    const bool saved = t->SaveTimeLine(path.c_str());
    // Read back in the comma locale too: the reader must not use it either.
    ImporterPtr reader = NewEdit(m);
    const bool readInComma = reader->Open(path.c_str());
    MediaTest::UsePointNumbers();
    ASSERT_TRUE(saved) << SolvaneTest::LastMessage();
    EXPECT_NE(ReadAll(path).find("volume=\"0.5\""), std::string::npos) << ReadAll(path);
    EXPECT_TRUE(readInComma) << SolvaneTest::LastMessage();
    // A file an earlier build wrote under a comma locale still reads.
    WriteAll(path, "<SimpleEditTimeLine version=\"1\"><Clip source=\"/v/a.mov\" volume=\"0,5\"/></SimpleEditTimeLine>");
    EXPECT_TRUE(reader->Open(path.c_str())) << SolvaneTest::LastMessage();
}

TEST(SimpleEditTimeLine, EveryReadingOrderGivesEveryPictureAndSampleOnce)
{
    SOLVANE_REQUIRE_MEDIA();
    EditMedia& media = EditMedia::Get();
    ASSERT_TRUE(media.ok);
    SolvaneTest::ManagerHolder m;
    struct Clip
    {
        const std::string* path;
        int start, end;
    };
    struct Case
    {
        const char* name;
        std::vector<Clip> clips;
        uint32_t seekMs;
        size_t pictures;
        int64_t samples; // 48 kHz stereo
    } cases[] = {
        {"one whole clip", {{&media.a, 0, -1}}, 0, 50, 96000},
        {"two trimmed clips, the second silent", {{&media.a, 520, 1520}, {&media.b, 0, 1000}}, 0, 50, 96000},
        {"the same from inside the first clip", {{&media.a, 520, 1520}, {&media.b, 0, 1000}}, 600, 35, 67200},
        {"sound that outlasts the pictures", {{&media.longSound, 0, -1}}, 0, 25, 96000},
        {"sound that outlasts the pictures, then a clip",
         {{&media.longSound, 0, -1}, {&media.a, 0, 1000}},
         0,
         50,
         144000},
    };
    const Order orders[] = {Order::Both,          Order::Alternate, Order::Lagging,
                            Order::PicturesFirst, Order::SoundOnly, Order::PicturesOnly};
    for (const Case& c : cases) {
        ImporterPtr writer = NewEdit(m);
        ISimpleEditTimeLine* t = TimeLine(writer.get());
        for (const Clip& clip : c.clips) {
            SimpleEditClipEntry e = Entry(clip.path->c_str(), "FFImporter", clip.start, clip.end);
            ASSERT_TRUE(t->InsertClip(-1, &e)) << c.name;
        }
        const std::string path = media.dir + "/order.seix";
        ASSERT_TRUE(t->SaveTimeLine(path.c_str()));
        std::vector<int> reference;
        for (Order order : orders) {
            const int o = static_cast<int>(order);
            SourcePtr source(
                m->CreateSourceFromAddress(path.c_str(), "SimpleEditImporter", nullptr, nullptr, nullptr, nullptr));
            ASSERT_TRUE(source) << SolvaneTest::LastMessage();
            if (c.seekMs)
                ASSERT_TRUE(source->Seek(c.seekMs));
            const ReadResult r = ReadInOrder(source.get(), order, c.seekMs * 48);
            EXPECT_TRUE(r.ended) << c.name << " order " << o << ": " << SolvaneTest::LastMessage();
            EXPECT_EQ(r.pictureTimes.size(), c.pictures) << c.name << " order " << o;
            EXPECT_EQ(r.samples, c.samples) << c.name << " order " << o;
            EXPECT_TRUE(r.soundContiguous) << c.name << " order " << o;
            for (size_t i = 1; i < r.pictureTimes.size(); ++i)
                ASSERT_GT(r.pictureTimes[i], r.pictureTimes[i - 1]) << c.name << " order " << o << " #" << i;
            if (order == Order::Both)
                reference = r.pictureTimes;
            else
                EXPECT_EQ(r.pictureTimes, reference) << c.name << " order " << o;
        }
    }
}
