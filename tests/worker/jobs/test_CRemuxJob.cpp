// A packet remux of a phone's clip recorded turned: the stream asks players
// to turn its pictures (the display matrix of its track), and the media
// manager describes it at its turned size. The copy keeps the packets, their
// coded size and the turn, so that players, the ffmpeg program and this
// program's own reading all show it upright. Run through the conversion
// engine and its real worker, as the output task runs a remux profile.

#include "../../ProbeOutput.h"
#include "../../MediaTestFolder.h"

#include "Basilvo/Basilvo.h"
#include "ConvertTaskInfo2.h"
#include "IAVConverter.h"
#include "IAVImporter.h"
#include "IAVSource.h"
#include "IProfile.h"
#include "IRawVideoFrame.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using namespace Moorland;

namespace {

struct Released
{
    template <typename T> void operator()(T* p) const
    {
        if (p)
            p->Release();
    }
};

using MediaTest::Capture;

using MediaTest::TurnMp4;

// The coded size an MP4's H.264 sample description states (the "avc1"
// entry of "stsd": width and height 24 bytes after its reserved fields), ""
// when there is none.
std::string SampleEntrySize(const std::string& path)
{
    const std::string bytes = MediaTest::ReadBytes(path);
    const size_t at = bytes.find("avc1", bytes.find("stsd"));
    if (at == std::string::npos || at + 32 > bytes.size())
        return "";
    auto word = [&](size_t i) {
        return (static_cast<unsigned>(static_cast<uint8_t>(bytes[i])) << 8) | static_cast<uint8_t>(bytes[i + 1]);
    };
    return std::to_string(word(at + 28)) + "x" + std::to_string(word(at + 30));
}

// How this program's media layer shows a file: its picture stream's size and
// turn as described, and the first picture's brightness, row by row.
struct Shown
{
    int width = 0, height = 0;
    std::string turn;
    unsigned pictureWidth = 0, pictureHeight = 0;
    std::vector<uint8_t> luma;
    std::string failure;
};

Shown Show(MediaTest::ManagerHolder& m, const std::string& path)
{
    Shown shown;
    std::unique_ptr<IAVImporter, Released> importer(m->CreateImporter(path.c_str()));
    if (!importer || !importer->Open(path.c_str()) || importer->GetMovieCount() == 0) {
        shown.failure = "not opened";
        return shown;
    }
    MovieInfo* movie = importer->GetMovieInfoAt(0);
    for (uint32_t i = 0; i < movie->streamCount; ++i) {
        if (movie->streams[i].type == StreamTypeVideo) {
            shown.width = movie->streams[i].width;
            shown.height = movie->streams[i].height;
            break;
        }
    }
    for (uint32_t i = 0; i < movie->metaDataCount; ++i)
        if (movie->metaData[i].name && std::strcmp(movie->metaData[i].name, "rotate") == 0)
            shown.turn = movie->metaData[i].value ? movie->metaData[i].value : "";
    std::unique_ptr<IAVSource, Released> source(
        m->CreateSourceFromAddress(path.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
    if (!source) {
        shown.failure = "no source";
        return shown;
    }
    IRawAudioFrame* audio = nullptr;
    IRawVideoFrame* video = nullptr;
    while (!video && source->ReadFrames(&audio, &video, nullptr, AVReadVideoOnly)) {
    }
    if (!video) {
        shown.failure = "no picture";
        return shown;
    }
    video->GetDimension(&shown.pictureWidth, &shown.pictureHeight);
    unsigned bytes = 0, pitch = 0, rows = 0;
    const uint8_t* y = video->GetBuffer(0, &bytes, &pitch, &rows);
    for (unsigned r = 0; r < rows; ++r)
        shown.luma.insert(shown.luma.end(), y + static_cast<size_t>(r) * pitch,
                          y + static_cast<size_t>(r) * pitch + bytes);
    return shown;
}

TEST(CRemuxJob, ACopyOfATurnedClipKeepsItsCodedSizeAndItsTurn)
{
    const std::string worker = std::string(FABLECUT_BIN_DIR) + "/convworker";
    if (access(worker.c_str(), X_OK) != 0)
        GTEST_SKIP() << "convworker is not built";
    MediaTest::Folder folder("remux-turn");
    ASSERT_FALSE(folder.Dir().empty());
    MediaTest::ManagerHolder m;
    ASSERT_NE(m.manager, nullptr);
    std::unique_ptr<IAVConverter, Released> engine(CreateAVConverter(nullptr));
    ASSERT_TRUE(engine);

    // A 320x240 picture (odd turned back: 162x90) with sound, 1 s.
    const struct
    {
        const char* name;
        int w, h, turn;
    } cases[] = {{"quarter clockwise", 320, 240, 90}, {"quarter back", 162, 90, 270}, {"half", 320, 240, 180}};
    std::vector<int> tasks;
    for (const auto& c : cases) {
        const std::string clip = folder.Path((std::to_string(c.turn) + ".mp4").c_str());
        ASSERT_TRUE(MediaTest::Run(folder.FFmpeg() + "-f lavfi -i testsrc2=size=" + std::to_string(c.w) + "x" +
                                   std::to_string(c.h) +
                                   ":rate=25:duration=1 -f lavfi -i sine=duration=1 "
                                   "-c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac '" +
                                   clip + "'"));
        ASSERT_TRUE(TurnMp4(clip, c.turn)) << c.name;
        std::unique_ptr<IProfile, Released> profile(CreateProfile());
        ASSERT_TRUE(profile);
        profile->GetFileProfile()->SetFileExt(".mp4");
        profile->GetFileProfile()->SetMuxerName("mp4");
        profile->GetFileProfile()->SetExporter("FFExporter");
        profile->GetFileProfile()->SetAVInclude(0);
        profile->GetVideoProfile()->SetCodecName("libx264");
        profile->GetAudioProfile()->SetCodecName("aac");
        profile->GetParams()->SetInt("remux", 1);
        tasks.push_back(engine->AddConvertTask(clip.c_str(),
                                               folder.Path((std::to_string(c.turn) + "-copy.mp4").c_str()).c_str(),
                                               profile.get(), false, ""));
        ASSERT_GE(tasks.back(), 0);
    }
    // Matroska can't say how to turn a picture: a copy into it would show
    // sideways, so the job fails saying so.
    std::unique_ptr<IProfile, Released> matroska(CreateProfile());
    ASSERT_TRUE(matroska);
    matroska->GetFileProfile()->SetFileExt(".mkv");
    matroska->GetFileProfile()->SetMuxerName("matroska");
    matroska->GetFileProfile()->SetExporter("FFExporter");
    matroska->GetFileProfile()->SetAVInclude(0);
    matroska->GetVideoProfile()->SetCodecName("libx264");
    matroska->GetAudioProfile()->SetCodecName("aac");
    matroska->GetParams()->SetInt("remux", 1);
    const std::string sideways = folder.Path("90-copy.mkv");
    const int toMatroska =
        engine->AddConvertTask(folder.Path("90.mp4").c_str(), sideways.c_str(), matroska.get(), false, "");
    ASSERT_GE(toMatroska, 0);
    ASSERT_TRUE(engine->StartConvert());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    auto ended = [&](int task) {
        const int state = engine->GetConvertTaskInfo(task)->GetState();
        return state == 4 || state == 5;
    };
    for (int task : tasks)
        while (!ended(task) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    while (!ended(toMatroska) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(engine->GetConvertTaskInfo(toMatroska)->GetState(), 4);
    const std::string refused = engine->GetConvertTaskFailure(toMatroska);
    EXPECT_NE(refused.find("turned by 90°"), std::string::npos) << refused;
    EXPECT_NE(refused.find("remux to MP4 or MOV"), std::string::npos) << refused;
    EXPECT_NE(access(sideways.c_str(), F_OK), 0) << "nothing is left of the refused copy";

    for (size_t i = 0; i < tasks.size(); ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(c.name);
        ASSERT_EQ(engine->GetConvertTaskInfo(tasks[i])->GetState(), 5) << engine->GetConvertTaskFailure(tasks[i]);
        const std::string clip = folder.Path((std::to_string(c.turn) + ".mp4").c_str());
        const std::string copy = folder.Path((std::to_string(c.turn) + "-copy.mp4").c_str());
        // The packets as they were coded, turned by the track as the clip's was.
        const std::string size = std::to_string(c.w) + "x" + std::to_string(c.h);
        EXPECT_EQ(SampleEntrySize(copy), size);
        const std::string probe = "ffprobe -v error -select_streams v:0 -show_entries stream=width,height:"
                                  "stream_side_data=rotation -of default=nw=1 '";
        const std::string probed = Capture(probe + copy + "'");
        EXPECT_NE(probed.find("width=" + std::to_string(c.w) + "\nheight=" + std::to_string(c.h)), std::string::npos)
            << probed;
        EXPECT_NE(probed.find("rotation="), std::string::npos) << probed;
        EXPECT_EQ(probed, Capture(probe + clip + "'"));
        // Shown here as the clip is: at its turned size, upright.
        const Shown original = Show(m, clip), copied = Show(m, copy);
        ASSERT_EQ(original.failure, "");
        ASSERT_EQ(copied.failure, "");
        const bool quarter = c.turn != 180;
        EXPECT_EQ(copied.width, quarter ? c.h : c.w);
        EXPECT_EQ(copied.height, quarter ? c.w : c.h);
        EXPECT_EQ(copied.turn, std::to_string(c.turn));
        EXPECT_EQ(copied.pictureWidth, static_cast<unsigned>(copied.width));
        EXPECT_EQ(copied.pictureHeight, static_cast<unsigned>(copied.height));
        EXPECT_EQ(copied.luma, original.luma) << "the copy's first picture is not the clip's";
    }
}

} // namespace
