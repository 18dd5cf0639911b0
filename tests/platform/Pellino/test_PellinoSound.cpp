// The engine with a sound device: a PulseAudio server of the test's own with
// a null sink. The clock follows the device's played position; when the
// device goes away mid-play the monotonic clock takes over without a jump.
// Skipped where the pulseaudio program is not installed.

#include "PellinoTestMedia.h"

#include "IAVManager.h"
#include "Pellino.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

using namespace std::chrono_literals;

namespace {

// The application object (Qt's sound devices need it) and the sound server.
class SoundServer : public ::testing::Environment
{
public:
    static SoundServer* Instance;
    void SetUp() override
    {
        Instance = this;
        program = QStandardPaths::findExecutable("pulseaudio");
        if (program.isEmpty())
            return;
        socket = dir.path() + "/native";
        qputenv("PULSE_RUNTIME_PATH", dir.path().toUtf8());
        qputenv("PULSE_SERVER", ("unix:" + socket).toUtf8());
        Start();
        static int argc = 1;
        static char name[] = "pellino-sound";
        static char* argv[] = {name, nullptr};
        app = new QCoreApplication(argc, argv);
    }
    void TearDown() override
    {
        Stop();
        delete app;
        app = nullptr;
    }
    bool Start()
    {
        server.setProgram(program);
        server.setArguments({"-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit", "-L",
                             "module-null-sink sink_name=test", "-L",
                             "module-native-protocol-unix auth-anonymous=1 socket=" + socket});
        server.start();
        // Up once its socket answers.
        for (int i = 0; i < 300 && !QFile::exists(socket); ++i)
            std::this_thread::sleep_for(10ms);
        std::this_thread::sleep_for(200ms);
        return QFile::exists(socket);
    }
    void Stop()
    {
        if (server.state() != QProcess::NotRunning) {
            server.kill();
            server.waitForFinished(3000);
        }
    }
    bool Available() const { return !program.isEmpty() && QFile::exists(socket); }

    QString program;
    QString socket;
    QTemporaryDir dir;
    QProcess server;
    QCoreApplication* app = nullptr;
};
SoundServer* SoundServer::Instance = nullptr;
::testing::Environment* const g_sound = ::testing::AddGlobalTestEnvironment(new SoundServer);

struct Shown
{
    std::mutex mutex;
    std::vector<int> times;
    static void Video(void* context, Moorland::IRawVideoFrame* frame)
    {
        auto* self = static_cast<Shown*>(context);
        std::lock_guard<std::mutex> lock(self->mutex);
        self->times.push_back(frame->GetTimeStamp());
    }
};

class PellinoSound : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!SoundServer::Instance || !SoundServer::Instance->Available())
            GTEST_SKIP() << "no pulseaudio program for a sound device";
        PELLINO_REQUIRE_MEDIA();
        source = manager->CreateSourceFromFile(PellinoTest::Media::Get().Indexed().c_str(), -2, -2);
        ASSERT_NE(source, nullptr);
        player = CreatePlayer();
        advanced = static_cast<Moorland::IPlayerAdvanced*>(player->QueryInterface(IPLAYER_ADVANCED_NAME));
        player->SetVideoCallback(&Shown::Video, &shown);
        ASSERT_TRUE(player->SetSource(source));
        ASSERT_TRUE(player->Open(2, 44100, Moorland::QUENTA_SAMPLE_S16, 0, 3));
    }
    void TearDown() override
    {
        if (player)
            player->Release();
        if (source)
            source->Release();
    }
    bool DeviceInUse()
    {
        Moorland::PlayerStatistics stats{};
        advanced->GetStatistics(&stats);
        return stats.audioDevice == 1;
    }
    // The audio thread opens the device once the player is open.
    bool WaitDevice()
    {
        for (int i = 0; i < 300 && !DeviceInUse(); ++i)
            std::this_thread::sleep_for(10ms);
        return DeviceInUse();
    }

    MediaTest::ManagerHolder manager;
    Moorland::IAVSource* source = nullptr;
    Moorland::IPlayer* player = nullptr;
    Moorland::IPlayerAdvanced* advanced = nullptr;
    Shown shown;
};

TEST_F(PellinoSound, TheClockFollowsTheDeviceAndKeepsTime)
{
    ASSERT_TRUE(WaitDevice());
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(player->Play());
    // While the sound plays, the clock keeps the wall clock's pace (behind it
    // by what the device holds before it is heard).
    std::this_thread::sleep_for(1000ms);
    const auto t1 = std::chrono::steady_clock::now();
    const double c1 = player->GetCurrentTime();
    std::this_thread::sleep_for(1500ms);
    const double wall = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t1).count();
    EXPECT_NEAR(player->GetCurrentTime() - c1, wall, 150.0);
    while (!player->IsEndOfStream() && std::chrono::steady_clock::now() - start < 15s)
        std::this_thread::sleep_for(10ms);
    ASSERT_TRUE(player->IsEndOfStream());
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GT(seconds, 3.5);
    EXPECT_LT(seconds, 8.0);
    std::lock_guard<std::mutex> lock(shown.mutex);
    for (size_t i = 1; i < shown.times.size(); ++i)
        ASSERT_GT(shown.times[i], shown.times[i - 1]);
    EXPECT_EQ(shown.times.back(), 3960);
}

// A white picture and a beep start every second: each flash is shown when
// the clock (the device's played position) reaches it, so the picture and the
// sound it starts with come out together.
TEST_F(PellinoSound, FlashesComeOutWithTheirBeeps)
{
    Moorland::IAVSource* flashes = manager->CreateSourceFromFile(PellinoTest::Media::Get().FlashBeep().c_str(), -2, -2);
    ASSERT_NE(flashes, nullptr);
    struct Offsets
    {
        Moorland::IPlayer* player;
        std::mutex mutex;
        std::vector<double> values;
        static void Video(void* context, Moorland::IRawVideoFrame* frame)
        {
            auto* self = static_cast<Offsets*>(context);
            if (frame->GetTimeStamp() % 1000 != 0 || frame->GetTimeStamp() == 0)
                return;
            const double clock = self->player->GetCurrentTime();
            std::lock_guard<std::mutex> lock(self->mutex);
            self->values.push_back(clock - frame->GetTimeStamp());
        }
    } offsets{player, {}, {}};
    player->SetVideoCallback(&Offsets::Video, &offsets);
    ASSERT_TRUE(player->SetSource(flashes));
    ASSERT_TRUE(player->Open(2, 44100, Moorland::QUENTA_SAMPLE_S16, 0, 3));
    ASSERT_TRUE(WaitDevice());
    ASSERT_TRUE(player->Play());
    const auto until = std::chrono::steady_clock::now() + 15s;
    while (!player->IsEndOfStream() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(10ms);
    Moorland::PlayerStatistics stats{};
    advanced->GetStatistics(&stats);
    player->Close();
    player->SetSource(nullptr);
    flashes->Release();
    std::lock_guard<std::mutex> lock(offsets.mutex);
    // A player that falls behind on a loaded machine skips pictures and
    // counts them; a flash may be among them. One that shows is on time.
    if (stats.dropped == 0)
        ASSERT_EQ(offsets.values.size(), 3u) << "flashes at 1, 2 and 3 s";
    else
        ASSERT_GE(offsets.values.size() + static_cast<size_t>(stats.dropped), 3u);
    for (double offset : offsets.values)
        EXPECT_LE(std::fabs(offset), 40.0);
}

// Runs last: Qt's sound service does not reconnect to a restarted server.
TEST_F(PellinoSound, ALostDeviceHandsTheClockOverWithoutAJump)
{
    ASSERT_TRUE(WaitDevice());
    ASSERT_TRUE(player->Play());
    std::this_thread::sleep_for(800ms);
    SoundServer::Instance->Stop();
    double previous = player->GetCurrentTime();
    double worstJump = 0;
    auto last = std::chrono::steady_clock::now();
    const auto until = last + 10s;
    while (!player->IsEndOfStream() && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(10ms);
        const auto now = std::chrono::steady_clock::now();
        const double clock = player->GetCurrentTime();
        const double wall = std::chrono::duration<double, std::milli>(now - last).count();
        // The clock moves with the wall clock: never back, never leaping on.
        EXPECT_GE(clock, previous - 3) << "the clock went back";
        worstJump = std::max(worstJump, std::fabs((clock - previous) - wall));
        previous = clock;
        last = now;
    }
    EXPECT_TRUE(player->IsEndOfStream()) << "playing went on to the end";
    EXPECT_LT(worstJump, 150.0);
    EXPECT_FALSE(DeviceInUse());
    SoundServer::Instance->Start();
}

} // namespace
