// The playback engine on clips whose pictures carry their index: playing,
// pausing, seeking, steps, the play range, frames at an offset, the current
// frame, the clock without a sound device, and closing while it plays.

#include "PellinoTestMedia.h"

#include "IAVImporter.h"
#include "IAVManager.h"
#include "Moorlan.h"
#include "Pellino.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <future>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

// Bounds a wait for what the player does in the end: only a hang reaches it,
// a busy machine may take many times a quiet one's time.
constexpr auto kHang = 120s;

namespace {

struct ConverterRelease
{
    void operator()(Moorland::IImageConverter* c) const { c->Release(); }
};

// A 32-bit copy of a picture of any layout.
QImage ToImage(Moorland::IRawVideoFrame* frame)
{
    std::unique_ptr<Moorland::IImageConverter, ConverterRelease> converter(
        CreateImageConverter(Moorland::PIXEL_FORMAT_RGBA32));
    Moorland::IRawVideoFrame* out = converter ? converter->Convert(frame) : nullptr;
    if (!out)
        return QImage();
    unsigned w = 0, h = 0, line = 0, pitch = 0, rows = 0;
    out->GetDimension(&w, &h);
    unsigned char* bits = out->GetBuffer(0, &line, &pitch, &rows);
    return QImage(bits, static_cast<int>(w), static_cast<int>(h), static_cast<int>(pitch), QImage::Format_RGB32).copy();
}

// Records what the engine hands to its callbacks.
struct Recorder
{
    std::mutex mutex;
    std::vector<int> indices;
    std::vector<int64_t> times;
    QImage last;
    std::atomic<int> audioCalls{0};
    std::atomic<int> badAudio{0};
    std::vector<int> audioTimes;
    std::atomic<bool> inCallback{false};

    static void Video(void* context, Moorland::IRawVideoFrame* frame)
    {
        auto* self = static_cast<Recorder*>(context);
        self->inCallback = true;
        QImage image = ToImage(frame);
        std::lock_guard<std::mutex> lock(self->mutex);
        self->indices.push_back(PellinoTest::PictureIndex(image));
        self->times.push_back(frame->GetTimeStamp());
        self->last = image;
        self->inCallback = false;
    }
    static void Audio(void* context, void* data, unsigned size, Moorland::QuentaSampleFormat format, int timeMs, int)
    {
        auto* self = static_cast<Recorder*>(context);
        ++self->audioCalls;
        if (!data || size % 4 || format != Moorland::QUENTA_SAMPLE_S16)
            ++self->badAudio;
        std::lock_guard<std::mutex> lock(self->mutex);
        self->audioTimes.push_back(timeMs);
    }
    int LastIndex()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return indices.empty() ? -1 : indices.back();
    }
    size_t Count()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return indices.size();
    }
    std::vector<int> Indices()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return indices;
    }
};

class PellinoPlayer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        PELLINO_REQUIRE_MEDIA();
        source = manager->CreateSourceFromFile(PellinoTest::Media::Get().Indexed().c_str(), -2, -2);
        ASSERT_NE(source, nullptr);
        player = CreatePlayer();
        ASSERT_NE(player, nullptr);
        advanced = static_cast<Moorland::IPlayerAdvanced*>(player->QueryInterface(IPLAYER_ADVANCED_NAME));
        ASSERT_NE(advanced, nullptr);
        player->SetVideoCallback(&Recorder::Video, &recorder);
        player->SetAudioCallback(&Recorder::Audio, &recorder);
        ASSERT_TRUE(player->SetSource(source));
    }
    void TearDown() override
    {
        if (player)
            player->Release();
        if (source)
            source->Release();
    }
    bool Open() { return player->Open(2, 44100, Moorland::QUENTA_SAMPLE_S16, 0, 3); }
    // The index of the picture the engine holds as its current one.
    int CurrentIndex()
    {
        Moorland::IRawVideoFrame* frame = nullptr;
        if (!player->GetCurrentFrame(&frame) || !frame)
            return -1;
        const int index = PellinoTest::PictureIndex(ToImage(frame));
        frame->Free();
        return index;
    }
    bool WaitEnd(std::chrono::milliseconds limit)
    {
        const auto until = std::chrono::steady_clock::now() + limit;
        while (!player->IsEndOfStream() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(10ms);
        return player->IsEndOfStream();
    }

    MediaTest::ManagerHolder manager;
    Moorland::IAVSource* source = nullptr;
    Moorland::IPlayer* player = nullptr;
    Moorland::IPlayerAdvanced* advanced = nullptr;
    Recorder recorder;
};

TEST_F(PellinoPlayer, StatesFollowTheControls)
{
    EXPECT_EQ(player->GetState(), Moorland::PLAYER_STATE_CLOSED);
    EXPECT_FALSE(player->Play());
    EXPECT_FALSE(player->Seek(100));
    EXPECT_EQ(player->GetDuration(), 4000u);
    ASSERT_TRUE(Open());
    EXPECT_EQ(player->GetState(), Moorland::PLAYER_STATE_STOPPED);
    ASSERT_TRUE(player->Play());
    EXPECT_EQ(player->GetState(), Moorland::PLAYER_STATE_PLAYING);
    ASSERT_TRUE(player->Pause());
    EXPECT_EQ(player->GetState(), Moorland::PLAYER_STATE_PAUSED);
    ASSERT_TRUE(player->Stop());
    EXPECT_EQ(player->GetState(), Moorland::PLAYER_STATE_STOPPED);
    // Stopped means rewound: the first picture is the current one.
    EXPECT_EQ(CurrentIndex(), 0);
    player->Close();
    EXPECT_EQ(player->GetState(), Moorland::PLAYER_STATE_CLOSED);
    Moorland::IRawVideoFrame* frame = nullptr;
    EXPECT_FALSE(player->GetCurrentFrame(&frame));
    // Closing keeps the source: it opens again; detached, it does not.
    ASSERT_TRUE(Open());
    player->SetSource(nullptr);
    EXPECT_FALSE(Open());
    EXPECT_EQ(GetQuentaException()->GetExceptionCode(), 10021003);
}

TEST_F(PellinoPlayer, PlaysEveryPictureOnceInOrderAndReportsTheEnd)
{
    ASSERT_TRUE(Open());
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(player->Play());
    ASSERT_TRUE(WaitEnd(kHang));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::vector<int> shown = recorder.Indices();
    ASSERT_FALSE(shown.empty());
    Moorland::PlayerStatistics stats{};
    ASSERT_TRUE(advanced->GetStatistics(&stats));
    // Each picture once, in order; a loaded machine may drop some, never repeat one.
    for (size_t i = 1; i < shown.size(); ++i)
        ASSERT_GT(shown[i], shown[i - 1]) << "at " << i;
    EXPECT_EQ(shown.back(), 99);
    // The first picture is drawn at the open, the others while playing.
    EXPECT_EQ(static_cast<int64_t>(shown.size()) + stats.dropped, 100) << "shown and dropped make all";
    // Without a sound device the monotonic clock paces the 4 s clip: it
    // can't end sooner (a busy machine may make it end later).
    EXPECT_EQ(stats.audioDevice, 0);
    EXPECT_GT(seconds, 3.8);
    // The sound went through the audio callback, in order, as 16-bit stereo.
    EXPECT_GT(recorder.audioCalls.load(), 100);
    EXPECT_EQ(recorder.badAudio.load(), 0);
    std::lock_guard<std::mutex> lock(recorder.mutex);
    for (size_t i = 1; i < recorder.audioTimes.size(); ++i)
        ASSERT_GE(recorder.audioTimes[i], recorder.audioTimes[i - 1]);
}

TEST_F(PellinoPlayer, PausedSeeksAndStepsLandOnTheExpectedPicture)
{
    ASSERT_TRUE(Open());
    ASSERT_TRUE(player->Pause());
    // Targets inside, on the border of and between pictures (40 ms each),
    // forward and backward across GOPs, and clamped at the ends.
    const struct
    {
        uint32_t ms;
        int index;
    } cases[] = {{0, 0}, {40, 1}, {79, 1}, {2400, 60}, {1030, 25}, {999, 24}, {3999, 99}, {60000, 99}, {480, 12}};
    for (const auto& c : cases) {
        ASSERT_TRUE(player->Seek(c.ms)) << c.ms << ": " << GetQuentaException()->GetExceptionMsg();
        EXPECT_EQ(recorder.LastIndex(), c.index) << "drawn after seek to " << c.ms;
        EXPECT_EQ(CurrentIndex(), c.index) << "current after seek to " << c.ms;
        int64_t border = -1;
        int number = -1, reserved = 0;
        ASSERT_TRUE(advanced->QueryPicture(0, &border, &reserved));
        ASSERT_TRUE(advanced->QueryPicture(1, &number, &reserved));
        EXPECT_EQ(border, c.index * 40);
        EXPECT_EQ(number, c.index);
    }
    // Steps from 10: forward five, back three, each drawn and current.
    ASSERT_TRUE(player->Seek(400));
    for (int expected : {11, 12, 13, 14, 15}) {
        ASSERT_TRUE(advanced->NextFrame());
        EXPECT_EQ(recorder.LastIndex(), expected);
        EXPECT_EQ(CurrentIndex(), expected);
    }
    for (int expected : {14, 13, 12}) {
        ASSERT_TRUE(advanced->PreFrame());
        EXPECT_EQ(recorder.LastIndex(), expected);
        EXPECT_EQ(CurrentIndex(), expected);
    }
    EXPECT_EQ(player->GetState(), Moorland::PLAYER_STATE_PAUSED);
    // Backwards across a key frame, then nothing before the first picture.
    ASSERT_TRUE(player->Seek(1000));
    ASSERT_TRUE(advanced->PreFrame());
    EXPECT_EQ(CurrentIndex(), 24);
    ASSERT_TRUE(player->Seek(0));
    EXPECT_FALSE(advanced->PreFrame());
    EXPECT_EQ(CurrentIndex(), 0);
    // Nothing after the last.
    ASSERT_TRUE(player->Seek(3960));
    EXPECT_FALSE(advanced->NextFrame());
    EXPECT_EQ(CurrentIndex(), 99);
    // A step while playing ends paused on the next picture.
    ASSERT_TRUE(player->Seek(800));
    ASSERT_TRUE(player->Play());
    std::this_thread::sleep_for(100ms);
    ASSERT_TRUE(advanced->NextFrame());
    EXPECT_EQ(player->GetState(), Moorland::PLAYER_STATE_PAUSED);
    // The step's picture is the last handed over, right after the one
    // shown when the step came.
    const std::vector<int> shown = recorder.Indices();
    ASSERT_GE(shown.size(), 2u);
    EXPECT_EQ(CurrentIndex(), shown.back());
    EXPECT_EQ(shown.back(), shown[shown.size() - 2] + 1);
}

TEST_F(PellinoPlayer, PicturesMatchTheDecodeOfTheFfmpegProgram)
{
    std::ifstream raw(PellinoTest::Media::Get().IndexedBGRA(), std::ios::binary);
    ASSERT_TRUE(raw.good());
    const size_t size = 320 * 240 * 4;
    ASSERT_TRUE(Open());
    for (int index : {0, 7, 31, 62, 99}) {
        ASSERT_TRUE(player->Seek(static_cast<uint32_t>(index * 40)));
        std::vector<unsigned char> expected(size);
        raw.seekg(static_cast<std::streamoff>(index * size));
        ASSERT_TRUE(raw.read(reinterpret_cast<char*>(expected.data()), static_cast<std::streamsize>(size)));
        QImage shown;
        {
            std::lock_guard<std::mutex> lock(recorder.mutex);
            shown = recorder.last.convertToFormat(QImage::Format_ARGB32);
        }
        ASSERT_EQ(shown.size(), QSize(320, 240));
        int worst = 0;
        for (int y = 0; y < 240; ++y) {
            const unsigned char* a = shown.constScanLine(y);
            const unsigned char* b = expected.data() + y * 320 * 4;
            for (int x = 0; x < 320 * 4; ++x)
                if (x % 4 != 3)
                    worst = std::max(worst, std::abs(a[x] - b[x]));
        }
        EXPECT_LE(worst, 2) << "picture " << index;
    }
}

TEST_F(PellinoPlayer, PlayRangeBoundsPlayingAndSeeks)
{
    advanced->SetRangeStart(1000);
    advanced->SetRangeEnd(2000);
    EXPECT_EQ(advanced->GetRangeStart(), 1000u);
    EXPECT_EQ(advanced->GetRangeEnd(), 2000);
    ASSERT_TRUE(Open());
    ASSERT_TRUE(player->Seek(0));
    EXPECT_EQ(CurrentIndex(), 25) << "seeks clamp to the range start";
    ASSERT_TRUE(player->Seek(3000));
    EXPECT_EQ(CurrentIndex(), 49) << "and to the last picture before its end";
    ASSERT_TRUE(player->Stop());
    EXPECT_EQ(CurrentIndex(), 25);
    const size_t before = recorder.Count();
    ASSERT_TRUE(player->Play());
    ASSERT_TRUE(WaitEnd(kHang));
    std::this_thread::sleep_for(100ms);
    std::vector<int> shown = recorder.Indices();
    shown.erase(shown.begin(), shown.begin() + static_cast<long>(before));
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back(), 49) << "nothing at or past the range end";
    for (size_t i = 1; i < shown.size(); ++i)
        ASSERT_GT(shown[i], shown[i - 1]);
    // The sound stays inside the range too.
    std::lock_guard<std::mutex> lock(recorder.mutex);
    for (int t : recorder.audioTimes) {
        EXPECT_GE(t, 950);
        EXPECT_LT(t, 2000);
    }
}

TEST_F(PellinoPlayer, FramesAtAnOffsetAndTheUnseenMove)
{
    ASSERT_TRUE(Open());
    ASSERT_TRUE(player->Seek(800));
    ASSERT_EQ(CurrentIndex(), 20);
    const size_t drawn = recorder.Count();
    const struct
    {
        int offset;
        int index;
    } cases[] = {{0, 20}, {1, 21}, {3, 23}, {-1, 19}, {-2, 18}, {-6, 14}};
    for (const auto& c : cases) {
        Moorland::IRawVideoFrame* frame = nullptr;
        ASSERT_TRUE(advanced->GetFrameAtOffset(c.offset, &frame, 1));
        ASSERT_NE(frame, nullptr) << c.offset;
        EXPECT_EQ(PellinoTest::PictureIndex(ToImage(frame)), c.index) << c.offset;
        frame->Free();
        EXPECT_EQ(CurrentIndex(), 20) << "flag 1 leaves the player where it was";
    }
    EXPECT_EQ(recorder.Count(), drawn) << "nothing drawn";
    ASSERT_TRUE(advanced->NextFrame());
    EXPECT_EQ(CurrentIndex(), 21) << "the next step goes on from the picture shown";
    // Flag 0 while paused moves to the picture unseen.
    ASSERT_TRUE(advanced->GetFrameAtOffset(4, nullptr, 0));
    EXPECT_EQ(CurrentIndex(), 25);
    ASSERT_TRUE(advanced->NextFrame());
    EXPECT_EQ(CurrentIndex(), 26);
    Moorland::IRawVideoFrame* frame = nullptr;
    ASSERT_TRUE(advanced->GetFrameAtOffset(-3, &frame, 0));
    ASSERT_NE(frame, nullptr);
    frame->Free();
    EXPECT_EQ(CurrentIndex(), 23);
    ASSERT_TRUE(advanced->NextFrame());
    EXPECT_EQ(CurrentIndex(), 24);
    frame = nullptr;
    EXPECT_FALSE(advanced->GetFrameAtOffset(-30, &frame, 1)) << "before the range";
    EXPECT_EQ(frame, nullptr);
}

TEST_F(PellinoPlayer, AStripOfNeighboursComesQuickly)
{
    ASSERT_TRUE(Open());
    ASSERT_TRUE(player->Seek(2000));
    ASSERT_TRUE(advanced->PreFrame());
    ASSERT_EQ(CurrentIndex(), 49);
    for (int round = 0; round < 2; ++round) {
        for (int offset = -5; offset <= 5; ++offset) {
            Moorland::IRawVideoFrame* frame = nullptr;
            ASSERT_TRUE(advanced->GetFrameAtOffset(offset, &frame, 1)) << offset;
            EXPECT_EQ(PellinoTest::PictureIndex(ToImage(frame)), 49 + offset);
            frame->Free();
        }
        EXPECT_EQ(CurrentIndex(), 49);
    }
    ASSERT_TRUE(advanced->NextFrame());
    EXPECT_EQ(CurrentIndex(), 50);
    // Near the start the strip asks for pictures before the first: none
    // come, and the player stays where it was, ready for the next step.
    ASSERT_TRUE(player->Seek(80));
    for (int offset = -5; offset <= 0; ++offset) {
        Moorland::IRawVideoFrame* frame = nullptr;
        EXPECT_EQ(advanced->GetFrameAtOffset(offset, &frame, 1), offset >= -2) << offset;
        if (frame) {
            EXPECT_EQ(PellinoTest::PictureIndex(ToImage(frame)), 2 + offset);
            frame->Free();
        }
        EXPECT_EQ(CurrentIndex(), 2);
    }
    EXPECT_FALSE(advanced->GetFrameAtOffset(-4, nullptr, 0));
    ASSERT_TRUE(advanced->NextFrame());
    EXPECT_EQ(CurrentIndex(), 3);
}

TEST_F(PellinoPlayer, RedrawHandsTheCurrentPictureAgain)
{
    ASSERT_TRUE(Open());
    ASSERT_TRUE(player->Seek(1200));
    const size_t count = recorder.Count();
    player->Redraw();
    const auto until = std::chrono::steady_clock::now() + kHang;
    while (recorder.Count() == count && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(5ms);
    ASSERT_EQ(recorder.Count(), count + 1);
    EXPECT_EQ(recorder.LastIndex(), 30);
}

TEST_F(PellinoPlayer, ClosingWhilePlayingLeavesNoCallbackRunning)
{
    for (int cycle = 0; cycle < 40; ++cycle) {
        ASSERT_TRUE(Open());
        ASSERT_TRUE(player->Play());
        std::this_thread::sleep_for(std::chrono::milliseconds(cycle % 7));
        if (cycle % 3 == 0)
            player->Seek(static_cast<uint32_t>(cycle * 97 % 4000));
        if (cycle % 2)
            player->Close();
        else
            ASSERT_TRUE(player->SetSource(source));
        EXPECT_FALSE(recorder.inCallback.load());
        const size_t count = recorder.Count();
        std::this_thread::sleep_for(2ms);
        EXPECT_EQ(recorder.Count(), count) << "a callback after the close";
    }
}

namespace {

// The clip's source with a decoder slower than the clip's pictures (50 ms a
// picture for 40 ms of clip), which catches up by leaving pictures out as a
// player may ask through the source's switch.
// A source that hands on what the clip's own source gives; the sources below
// change one thing about it.
class ForwardingSource : public Moorland::IAVSource
{
public:
    explicit ForwardingSource(Moorland::IAVSource* inner) : m_inner(inner) {}
    void* GetInterface(const char* name) override { return m_inner->GetInterface(name); }
    bool Seek(uint32_t ms) override { return m_inner->Seek(ms); }
    uint32_t GetDuration() override { return m_inner->GetDuration(); }
    int GetVideoStreamID() override { return m_inner->GetVideoStreamID(); }
    int GetAudioStreamID() override { return m_inner->GetAudioStreamID(); }
    uint32_t GetPosition() override { return m_inner->GetPosition(); }
    bool ReadFrames(Moorland::IRawAudioFrame** audio, Moorland::IRawVideoFrame** video, void** other, int mode) override
    {
        return m_inner->ReadFrames(audio, video, other, mode);
    }
    bool IsEndOfStream() override { return m_inner->IsEndOfStream(); }
    void Release() override {}

protected:
    Moorland::IAVSource* m_inner;
};

class SlowSource final : public ForwardingSource, public Moorland::IAVSourceSetProperty
{
public:
    explicit SlowSource(Moorland::IAVSource* inner)
        : ForwardingSource(inner),
          m_switch(static_cast<Moorland::IAVSourceSetProperty*>(inner->GetInterface("IAVSourceSetProperty")))
    {}
    void* GetInterface(const char* name) override
    {
        if (name && std::string(name) == "IAVSourceSetProperty")
            return static_cast<Moorland::IAVSourceSetProperty*>(this);
        return ForwardingSource::GetInterface(name);
    }
    bool ReadFrames(Moorland::IRawAudioFrame** audio, Moorland::IRawVideoFrame** video, void** other, int mode) override
    {
        const bool got = ForwardingSource::ReadFrames(audio, video, other, mode);
        if (got && video && *video)
            std::this_thread::sleep_for(50ms);
        return got;
    }
    bool SetProperty(int property, int value) override
    {
        if (property == 2 && value)
            ++leaveOutAsked;
        return m_switch && m_switch->SetProperty(property, value);
    }
    int GetProperty(int property) override { return m_switch ? m_switch->GetProperty(property) : -1; }

    std::atomic<int> leaveOutAsked{0};

private:
    Moorland::IAVSourceSetProperty* m_switch;
};

} // namespace

// A source that cannot keep up is asked to leave out the pictures nothing
// is decoded from: the pictures stay with the clock, every picture is shown
// or counted as dropped, and paused the steps go by picture again, none left
// out.
TEST_F(PellinoPlayer, ASourceBehindTheClockCatchesUpAndTheStepsStillGoByPicture)
{
    // The indexed pictures with B-frames half of which nothing is decoded
    // from (the lossless fixture has none).
    MediaTest::Folder folder("pellino-catch-up");
    ASSERT_TRUE(MediaTest::Run(
        folder.FFmpeg() + "-f lavfi -i color=c=gray:s=320x240:r=25:d=4 "
                          "-vf \"geq=lum='if(lt(Y,120),255*mod(floor(N/pow(2,floor(X/40))),2),64)':cb=128:cr=128\" "
                          "-c:v libx264 -qp 10 -preset ultrafast -bf 3 -x264-params b-adapt=0 -g 25 "
                          "-pix_fmt yuv420p bframes.mp4"));
    struct SourceRelease
    {
        void operator()(Moorland::IAVSource* s) const { s->Release(); }
    };
    std::unique_ptr<Moorland::IAVSource, SourceRelease> inner(
        manager->CreateSourceFromFile(folder.Path("bframes.mp4").c_str(), -2, -2));
    ASSERT_NE(inner, nullptr);
    SlowSource slow(inner.get());
    // Whatever ends the test, the player lets go of both before they go.
    struct Detach
    {
        Moorland::IPlayer* player;
        ~Detach() { player->SetSource(nullptr); }
    } detach{player};
    ASSERT_TRUE(player->SetSource(&slow));
    ASSERT_TRUE(Open());
    ASSERT_TRUE(player->Play());
    ASSERT_TRUE(WaitEnd(kHang));
    EXPECT_GT(slow.leaveOutAsked.load(), 0) << "the source is asked to catch up";
    std::vector<int> shown = recorder.Indices();
    ASSERT_FALSE(shown.empty());
    for (size_t i = 1; i < shown.size(); ++i)
        ASSERT_GT(shown[i], shown[i - 1]) << "at " << i;
    EXPECT_EQ(shown.back(), 99);
    Moorland::PlayerStatistics stats{};
    ASSERT_TRUE(advanced->GetStatistics(&stats));
    EXPECT_EQ(static_cast<int64_t>(shown.size()) + stats.dropped, 100) << "shown and dropped make all";
    // Without catching up every picture would come, the last a second
    // behind the clock; how far behind depends on the machine's load, the
    // pictures left out do not.
    EXPECT_GT(stats.dropped, 0) << "pictures were left out to catch up";

    // Caught up in the middle, then paused: the steps show each picture.
    ASSERT_TRUE(player->Seek(0));
    const int asked = slow.leaveOutAsked.load();
    ASSERT_TRUE(player->Play());
    const auto until = std::chrono::steady_clock::now() + kHang;
    while (slow.leaveOutAsked.load() == asked && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(5ms);
    ASSERT_GT(slow.leaveOutAsked.load(), asked);
    // Paused while the source leaves pictures out.
    ASSERT_TRUE(player->Pause());
    int expected = CurrentIndex();
    ASSERT_GE(expected, 0);
    ASSERT_LT(expected, 90);
    for (int step = 0; step < 6; ++step) {
        ASSERT_TRUE(advanced->NextFrame());
        EXPECT_EQ(CurrentIndex(), ++expected) << "step " << step;
    }
}

namespace {

// Where and how the player frees the pictures it kept: each share of a
// source picture takes 15 ms to give back, as a decoder's pool can when a
// decoding thread holds it, and notes its thread and whether the player
// answered another thread meanwhile.
struct FreeWatch
{
    Moorland::IPlayer* player = nullptr;
    std::mutex mutex;
    std::set<std::thread::id> freeingThreads;
    std::set<std::thread::id> showingThreads;
    int frees = 0;
    int lockedFrees = 0;
    // Off when the player closes: it frees what it holds then, its threads gone.
    std::atomic<bool> probing{true};
};

class SlowToFreeFrame final : public Moorland::IRawVideoFrame, public Moorland::ISharedRawVideoFrame
{
public:
    SlowToFreeFrame(Moorland::IRawVideoFrame* inner, bool owned, FreeWatch* watch)
        : m_inner(inner), m_owned(owned), m_watch(watch)
    {}
    unsigned GetPixelFormat() override { return m_inner->GetPixelFormat(); }
    void GetDimension(unsigned* w, unsigned* h) override { m_inner->GetDimension(w, h); }
    int GetTimeStamp() override { return m_inner->GetTimeStamp(); }
    void SetTimeStamp(int t) override { m_inner->SetTimeStamp(t); }
    bool IsTopDown() override { return m_inner->IsTopDown(); }
    bool IsPacked() override { return m_inner->IsPacked(); }
    unsigned GetBufferCount() override { return m_inner->GetBufferCount(); }
    unsigned GetTotalSize() override { return m_inner->GetTotalSize(); }
    unsigned char* GetBuffer(unsigned i, unsigned* lineBytes, unsigned* pitch, unsigned* rows) override
    {
        return m_inner->GetBuffer(i, lineBytes, pitch, rows);
    }
    double GetDAR() override { return m_inner->GetDAR(); }
    bool CropRightAndBottom(unsigned r, unsigned b) override { return m_inner->CropRightAndBottom(r, b); }
    void Free() override
    {
        if (!m_owned)
            return;
        // Another thread asks the player something while this one frees.
        bool answered = true;
        if (m_watch->probing) {
            auto asked = std::make_shared<std::promise<void>>();
            std::future<void> answer = asked->get_future();
            std::thread([player = m_watch->player, asked] {
                player->GetCurrentTime();
                asked->set_value();
            }).detach();
            answered = answer.wait_for(500ms) == std::future_status::ready;
        }
        std::this_thread::sleep_for(15ms);
        {
            std::lock_guard<std::mutex> lock(m_watch->mutex);
            m_watch->freeingThreads.insert(std::this_thread::get_id());
            ++m_watch->frees;
            if (!answered)
                ++m_watch->lockedFrees;
        }
        m_inner->Free();
        delete this;
    }
    unsigned GetDuration() override { return m_inner->GetDuration(); }
    void SetDuration(unsigned d) override { m_inner->SetDuration(d); }
    unsigned GetDuplicatedCount(unsigned* second) override { return m_inner->GetDuplicatedCount(second); }
    void SetDuplicatedCount(unsigned c, unsigned second) override { m_inner->SetDuplicatedCount(c, second); }
    Moorland::IRawVideoFrame* Clone() override { return m_inner->Clone(); }
    bool CanBeModified() override { return false; }
    void SetCanBeModified(bool) override {}
    bool IsInterlaced() override { return m_inner->IsInterlaced(); }
    void SetInterlaced(bool on) override { m_inner->SetInterlaced(on); }
    bool IsTopFieldFirst() override { return m_inner->IsTopFieldFirst(); }
    void SetTopFieldFirst(bool on) override { m_inner->SetTopFieldFirst(on); }
    void SetBorderData(void* data, int size) override { m_inner->SetBorderData(data, size); }
    void GetBorderData(void** data, int* size) override { m_inner->GetBorderData(data, size); }
    void* GetInterface(char const* name) override
    {
        if (name && strcmp(name, RAWVIDEO_INTERFACE_SHARED) == 0)
            return static_cast<Moorland::ISharedRawVideoFrame*>(this);
        if (name && strcmp(name, RAWVIDEO_INTERFACE_RAWVIDEO) == 0)
            return static_cast<Moorland::IRawVideoFrame*>(this);
        return m_inner->GetInterface(name);
    }
    Moorland::IRawVideoFrame* Share() override
    {
        auto* shared = static_cast<Moorland::ISharedRawVideoFrame*>(m_inner->GetInterface(RAWVIDEO_INTERFACE_SHARED));
        return shared ? new SlowToFreeFrame(shared->Share(), true, m_watch) : nullptr;
    }

private:
    Moorland::IRawVideoFrame* m_inner;
    bool m_owned;
    FreeWatch* m_watch;
};

// The clip's source, its pictures slow to free.
class SlowToFreeSource final : public ForwardingSource
{
public:
    SlowToFreeSource(Moorland::IAVSource* inner, FreeWatch* watch) : ForwardingSource(inner), m_watch(watch) {}
    bool ReadFrames(Moorland::IRawAudioFrame** audio, Moorland::IRawVideoFrame** video, void** other, int mode) override
    {
        const bool got = ForwardingSource::ReadFrames(audio, video, other, mode);
        if (got && video && *video) {
            m_last.reset(new SlowToFreeFrame(*video, false, m_watch));
            *video = m_last.get();
        }
        return got;
    }

private:
    FreeWatch* m_watch;
    std::unique_ptr<SlowToFreeFrame> m_last; // the source's own, valid until the next read
};

void NoteShowingThread(void* context, Moorland::IRawVideoFrame*)
{
    auto* watch = static_cast<FreeWatch*>(context);
    std::lock_guard<std::mutex> lock(watch->mutex);
    watch->showingThreads.insert(std::this_thread::get_id());
}

} // namespace

// Giving a picture back can wait (a decoder's pool held by a decoding
// thread): the pictures are freed neither on the thread that shows them
// nor while the player's other threads wait for it.
TEST_F(PellinoPlayer, PicturesAreFreedAwayFromTheShowingThreadAndTheLock)
{
    struct SourceRelease
    {
        void operator()(Moorland::IAVSource* s) const { s->Release(); }
    };
    std::unique_ptr<Moorland::IAVSource, SourceRelease> inner(
        manager->CreateSourceFromFile(PellinoTest::Media::Get().Indexed().c_str(), -2, -2));
    ASSERT_NE(inner, nullptr);
    FreeWatch watch;
    watch.player = player;
    SlowToFreeSource source(inner.get(), &watch);
    struct Detach
    {
        Moorland::IPlayer* player;
        ~Detach() { player->SetSource(nullptr); }
    } detach{player};
    struct StopProbing
    {
        FreeWatch& watch;
        ~StopProbing() { watch.probing = false; }
    } stopProbing{watch};
    player->SetVideoCallback(&NoteShowingThread, &watch);
    ASSERT_TRUE(player->SetSource(&source));
    ASSERT_TRUE(Open());
    ASSERT_TRUE(player->Play());
    std::this_thread::sleep_for(1500ms);
    ASSERT_TRUE(player->Seek(200)); // a seek lets go of the queued pictures
    ASSERT_TRUE(player->Play());
    const auto until = std::chrono::steady_clock::now() + kHang;
    const auto enough = [&] {
        std::lock_guard<std::mutex> lock(watch.mutex);
        return watch.frees > 5 && !watch.showingThreads.empty();
    };
    while (!enough() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(10ms);
    ASSERT_TRUE(player->Pause());
    std::lock_guard<std::mutex> lock(watch.mutex);
    ASSERT_GT(watch.frees, 5);
    ASSERT_FALSE(watch.showingThreads.empty());
    for (const std::thread::id& id : watch.showingThreads)
        EXPECT_EQ(watch.freeingThreads.count(id), 0u) << "a picture was freed on the thread that shows them";
    EXPECT_EQ(watch.lockedFrees, 0) << "the player kept others waiting while it freed a picture";
}

TEST(PellinoDriver, ImageDriverDrawsScalesFillsAndDashes)
{
    QImage target;
    Moorland::VideoDriverDesc desc{&target, Moorland::PIXEL_FORMAT_RGBA32, Moorland::VIDEO_DRIVER_IMAGE, 0};
    Moorland::IVideoDriver* driver = CreateVideoDriver(&desc);
    ASSERT_NE(driver, nullptr);
    // A 4x2 picture: left half red, right half blue.
    QImage picture(4, 2, QImage::Format_ARGB32);
    picture.fill(Qt::blue);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            picture.setPixel(x, y, qRgb(255, 0, 0));
    Moorland::IRawVideoFrameFiller* filler = Moorland::CreateRawVideoFrameFiller();
    ASSERT_TRUE(filler->SetFormat(Moorland::PIXEL_FORMAT_RGBA32, 4, 2, 1));
    ASSERT_TRUE(filler->SetPlane(0, picture.bits(), 16));
    Moorland::VideoDriverRect all{0, 0, 40, 30};
    driver->SetDstRect(&all);
    driver->Clear();
    Moorland::VideoDriverRect box{0, 5, 40, 25};
    ASSERT_TRUE(driver->DrawFrame(filler->GetFrame(), nullptr, &box));
    Moorland::VideoDriverRect shade{0, 0, 40, 8};
    Moorland::VideoDriverColor dark{0, 0, 0, 100};
    driver->FillRect(&shade, &dark);
    Moorland::VideoDriverPoint from{0, 28}, to{39, 28};
    Moorland::VideoDriverColor green{0, 255, 0, 255};
    driver->DrawLine(&from, &to, &green, 0x3333, 1);
    driver->Present();
    ASSERT_EQ(target.size(), QSize(40, 30));
    EXPECT_EQ(target.pixel(5, 2), qRgb(0, 0, 0)) << "bars stay black";
    EXPECT_EQ(target.pixel(5, 27), qRgb(0, 0, 0));
    EXPECT_EQ(qRed(target.pixel(6, 15)), 255);
    EXPECT_EQ(qBlue(target.pixel(34, 15)), 255);
    EXPECT_LT(qRed(target.pixel(6, 6)), 170) << "the fill darkens";
    EXPECT_GT(qRed(target.pixel(6, 6)), 100);
    // 0x3333: two pixels off, two on.
    EXPECT_EQ(target.pixel(0, 28), qRgb(0, 0, 0));
    EXPECT_EQ(target.pixel(2, 28), qRgb(0, 255, 0));
    EXPECT_EQ(target.pixel(3, 28), qRgb(0, 255, 0));
    EXPECT_EQ(target.pixel(4, 28), qRgb(0, 0, 0));
    // Another layout than the driver's is refused.
    ASSERT_TRUE(filler->SetFormat(Moorland::PIXEL_FORMAT_RGB24, 4, 2, 1));
    ASSERT_TRUE(filler->SetPlane(0, picture.bits(), 12));
    EXPECT_FALSE(driver->DrawFrame(filler->GetFrame(), nullptr, &box));
    filler->Release();
    driver->Release();
    EXPECT_EQ(CreateVideoDriver(nullptr), nullptr);
}

} // namespace
