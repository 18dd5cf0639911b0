// The frame queues and the encoding threads that drain them: capacity, order,
// ownership of queued frames, completion, cancel and the first refused write.

#include "CAVEncodingThread.h"
#include "CFramesQueue.h"

#include "Basilvo/Basilvo.h"
#include "CRawVideoFrame.h"
#include "IAVExporter.h"
#include "IRawAudioFrame.h"
#include "sysplatform.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <mutex>
#include <string>
#include <vector>

using namespace Moorland;

namespace {

std::atomic<int> g_liveFrames{0};

IRawVideoFrame* NewVideo(int ms)
{
    auto* f = new CRawVideoFrame(true, PIXEL_FORMAT_YUV420P, 16, 16, true);
    f->SetTimeStamp(ms);
    return f;
}

class FakeAudio final : public IRawAudioFrame
{
public:
    explicit FakeAudio(int64_t t) : m_time(t) { ++g_liveFrames; }
    ~FakeAudio() { --g_liveFrames; }
    void Free() override { delete this; }
    IRawAudioFrame* Clone() override { return new FakeAudio(m_time); }
    int GetSampleFormat() override { return QUENTA_SAMPLE_S16; }
    int GetSampleRate() override { return 48000; }
    int GetChannels() override { return 2; }
    unsigned GetSampleCount() override { return 0; }
    unsigned GetBufferCount() override { return 0; }
    unsigned char* GetBuffer(unsigned, unsigned*) override { return nullptr; }
    int64_t GetTimeStamp() override { return m_time; }
    void SetTimeStamp(int64_t t) override { m_time = t; }
    int64_t GetDuration() override { return 0; }

private:
    int64_t m_time;
};

// Records what it is given; refuses the writes the test asks it to.
class FakeMuxer final : public IEncodingMuxer, public IMultiMuxer2
{
public:
    bool SetEncodingPass(int) override { return true; }
    void SetEncodingThreads(int) override {}
    bool BeginWriting() override { return true; }
    bool WriteVideo(int id, IRawVideoFrame* f) override
    {
        return Take("v" + std::to_string(id) + "@" + std::to_string(f->GetTimeStamp()), id);
    }
    bool WriteAudio(int id, IRawAudioFrame* f) override
    {
        return Take("a" + std::to_string(id) + "@" + std::to_string(f->GetTimeStamp()), id);
    }
    // 100 bytes and 1 ms for every frame written to the stream.
    void GetDataRateStats(int id, uint64_t* b, uint32_t* ms) override
    {
        std::lock_guard<std::mutex> hold(m_lock);
        const unsigned n = id >= 0 && id < 8 ? m_perStream[id] : 0;
        if (b)
            *b = 100u * n;
        if (ms)
            *ms = n;
    }
    void EndWriting() override {}
    void SetStreamHeader(int, const uint8_t*, int) override {}
    void SetAudioFormat(int, const AudioFormatInfo*) override {}
    bool WriteFrame(int index, bool, int type, void*) override
    {
        return Take(std::string(type == StreamTypeVideo ? "v" : "a") + std::to_string(index), index);
    }

    std::vector<std::string> Written()
    {
        std::lock_guard<std::mutex> hold(m_lock);
        return m_written;
    }
    std::atomic<int> refuseFrom{1 << 30};
    std::atomic<bool> recordReason{false};
    std::atomic<int> delayMs{0};

private:
    bool Take(const std::string& what, int stream)
    {
        if (delayMs)
            QuentaBased::QuentaBased_Sleep(static_cast<unsigned>(delayMs.load()));
        std::lock_guard<std::mutex> hold(m_lock);
        if (static_cast<int>(m_written.size()) >= refuseFrom) {
            if (recordReason)
                GetQuentaException()->SetException(10021013, "disk full: /out/x.mp4", 1, "FakeMuxer");
            return false;
        }
        m_written.push_back(what);
        if (stream >= 0 && stream < 8)
            ++m_perStream[stream];
        return true;
    }
    std::mutex m_lock;
    std::vector<std::string> m_written;
    unsigned m_perStream[8] = {};
};

CQueuedFrames Pair(IRawVideoFrame* video, IRawAudioFrame* audio, int index = -1)
{
    CQueuedFrames f;
    f.video.reset(video);
    f.audio.reset(audio);
    f.streamIndex = index;
    return f;
}

TEST(CFramesQueue, HoldsItsCapacityInOrderAndFreesWhatIsLeft)
{
    {
        CFramesQueue queue(30);
        EXPECT_TRUE(queue.Push(CQueuedFrames()));
        EXPECT_EQ(queue.GetCount(), 0);
        for (int i = 0; i < 30; ++i)
            ASSERT_TRUE(queue.Push(Pair(NewVideo(i), i % 2 ? new FakeAudio(i) : nullptr)));
        // A refused push leaves the frames with the caller.
        CQueuedFrames extra = Pair(NewVideo(99), nullptr);
        EXPECT_FALSE(queue.Push(std::move(extra)));
        ASSERT_NE(extra.video, nullptr);
        EXPECT_EQ(queue.GetCount(), 30);

        CQueuedFrames f;
        ASSERT_TRUE(queue.Pop(&f));
        ASSERT_NE(f.video, nullptr);
        EXPECT_EQ(f.video->GetTimeStamp(), 0);
        EXPECT_EQ(f.audio, nullptr);
        EXPECT_TRUE(queue.Push(std::move(extra)));
        ASSERT_TRUE(queue.Pop(&f));
        EXPECT_EQ(f.video->GetTimeStamp(), 1);
        ASSERT_NE(f.audio, nullptr);
        // 29 pairs stay queued: the destructor frees them (the leak check sees it).
    }
    EXPECT_EQ(g_liveFrames, 0);

    CFramesQueue empty(2);
    CQueuedFrames f;
    EXPECT_FALSE(empty.Pop(&f));
    EXPECT_TRUE(f.Empty());
}

TEST(CFramesQueue, AClosedQueueFreesWhatItHoldsAndTakesNothing)
{
    CFramesQueue queue(4);
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(queue.Push(Pair(nullptr, new FakeAudio(i), 1)));
    EXPECT_EQ(g_liveFrames, 4);
    queue.Close();
    EXPECT_EQ(g_liveFrames, 0) << "a closed queue kept its frames";
    EXPECT_EQ(queue.GetCount(), 0);
    EXPECT_FALSE(queue.PushWait(Pair(nullptr, new FakeAudio(9), 1)));
    EXPECT_EQ(g_liveFrames, 0) << "a refused waiting push leaked its frame";
    CQueuedFrames f;
    EXPECT_FALSE(queue.PopWait(&f));
}

TEST(CFramesQueue, AFinishedQueueGivesWhatIsLeftThenEnds)
{
    CFramesQueue queue(4);
    ASSERT_TRUE(queue.Push(Pair(NewVideo(1), nullptr, 0)));
    ASSERT_TRUE(queue.Push(Pair(nullptr, new FakeAudio(2), 1)));
    queue.Finish();
    CQueuedFrames f;
    ASSERT_TRUE(queue.PopWait(&f));
    EXPECT_EQ(f.streamIndex, 0);
    ASSERT_TRUE(queue.PopWait(&f));
    EXPECT_EQ(f.streamIndex, 1);
    ASSERT_NE(f.audio, nullptr);
    EXPECT_FALSE(queue.PopWait(&f));
}

TEST(CAVEncodingThread, CompleteWritesEveryQueuedFrameInOrder)
{
    FakeMuxer muxer;
    muxer.delayMs = 2;
    CFramesQueue queue(30);
    {
        CAVEncodingThread thread(0, 1, &queue, &muxer);
        for (int i = 0; i < 20; ++i)
            while (!queue.Push(Pair(NewVideo(i * 40), new FakeAudio(i))))
                QuentaBased::QuentaBased_Sleep(1);
        thread.Complete();
        unsigned code = 7;
        ASSERT_TRUE(thread.GetExitCode(code));
        EXPECT_EQ(code, 0u);
        EXPECT_EQ(thread.GetThreadException()->GetExceptionCode(), 0);
    }
    EXPECT_EQ(queue.GetCount(), 0);
    std::vector<std::string> written = muxer.Written();
    int lastVideo = -1;
    for (const std::string& w : written) {
        if (w[0] == 'v') {
            int t = std::stoi(w.substr(w.find('@') + 1));
            EXPECT_GT(t, lastVideo);
            lastVideo = t;
        }
    }
    EXPECT_EQ(written.size(), 40u);
    EXPECT_EQ(g_liveFrames, 0);

    // A picture of a stream the output doesn't carry is only freed.
    // The queue was finished above: the entry goes in before the thread
    // starts, or the thread may find the finished queue empty and end.
    FakeMuxer soundOnly;
    {
        ASSERT_TRUE(queue.Push(Pair(NewVideo(0), new FakeAudio(5))));
        CAVEncodingThread thread(-1, 1, &queue, &soundOnly);
        thread.Complete();
    }
    EXPECT_EQ(soundOnly.Written(), (std::vector<std::string>{"a1@5"}));
}

TEST(CAVEncodingThread, EndsOnCancelAndOnTheFirstRefusedWrite)
{
    struct Case
    {
        const char* name;
        bool cancel;
        bool reason;
        const char* message;
    };
    const Case cases[] = {
        {"cancel", true, false, "Cancel"},
        {"refused without a reason", false, false, "Can't write video"},
        {"refused with the muxer's reason", false, true, "disk full: /out/x.mp4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMuxer muxer;
        muxer.refuseFrom = c.cancel ? (1 << 30) : 2;
        muxer.recordReason = c.reason;
        muxer.delayMs = c.cancel ? 5 : 0;
        {
            // Every frame is queued before the thread starts: a thread that
            // has already failed refuses later pushes.
            CFramesQueue queue(30);
            for (int i = 0; i < 10; ++i)
                ASSERT_TRUE(queue.Push(Pair(NewVideo(i), nullptr)));
            CAVEncodingThread thread(0, -1, &queue, &muxer);
            if (c.cancel)
                thread.Cancel();
            else
                thread.Complete();
            unsigned code = 0;
            ASSERT_TRUE(thread.GetExitCode(code));
            EXPECT_EQ(code, 1u);
            EXPECT_STREQ(thread.GetThreadException()->GetExceptionMsg(), c.message);
            if (!c.cancel) {
                EXPECT_EQ(muxer.Written().size(), 2u) << "no frame may be dropped after a refused write";
            }
        }
        EXPECT_EQ(g_liveFrames, 0);
    }
}

TEST(CAVEncodingThread, AFailedWriteStopsAWaitingProducerWithinOneFrame)
{
    // The producer pushes as the worker does, waiting for room; the third
    // write fails. Beyond what the queue holds, at most the frame being
    // written and the one being pushed may pass.
    const int capacity = 4;
    for (bool tagged : {false, true}) {
        SCOPED_TRACE(tagged ? "tagged queue" : "pair queue");
        FakeMuxer muxer;
        muxer.refuseFrom = 2;
        muxer.recordReason = true;
        muxer.delayMs = 2;
        int pushed = 0;
        const auto start = std::chrono::steady_clock::now();
        if (tagged) {
            CFramesQueue queue(capacity);
            SMItemInfo items[2] = {};
            CAVEncodingThread2 thread(items, 2, &queue, &muxer);
            while (pushed < 1000 && queue.PushWait(Pair(nullptr, new FakeAudio(pushed), 1)))
                ++pushed;
            thread.Complete();
            EXPECT_STREQ(thread.GetThreadException()->GetExceptionMsg(), "disk full: /out/x.mp4");
        } else {
            CFramesQueue queue(capacity);
            CAVEncodingThread thread(0, 1, &queue, &muxer);
            while (pushed < 1000 && queue.PushWait(Pair(NewVideo(pushed), new FakeAudio(pushed))))
                ++pushed;
            EXPECT_TRUE(queue.IsClosed());
            thread.Complete();
            EXPECT_STREQ(thread.GetThreadException()->GetExceptionMsg(), "disk full: /out/x.mp4");
        }
        EXPECT_LE(pushed, 2 + capacity + 2);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        EXPECT_EQ(g_liveFrames, 0) << "a refused push or a closed queue leaked its frames";
    }
}

TEST(CAVEncodingThread, AProducerThatFailsEndsAWaitingEncoderAndFreesWhatIsQueued)
{
    FakeMuxer muxer;
    // Slow enough that writing all eight frames (3.2 s) cannot pass for a
    // prompt end even on a loaded machine.
    muxer.delayMs = 200;
    {
        CFramesQueue queue(8);
        CAVEncodingThread thread(0, 1, &queue, &muxer);
        // The encoder waits on an empty queue, then on a full one it drains slowly.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        for (int i = 0; i < 8; ++i)
            ASSERT_TRUE(queue.PushWait(Pair(NewVideo(i), new FakeAudio(i))));
        thread.Cancel(); // what the worker does when its producer fails
        unsigned code = 0;
        ASSERT_TRUE(thread.GetExitCode(code));
        EXPECT_EQ(code, 1u);
        EXPECT_STREQ(thread.GetThreadException()->GetExceptionMsg(), "Cancel");
        EXPECT_LT(muxer.Written().size(), 8u * 2) << "the encoder went on with the queued frames";
        EXPECT_FALSE(queue.PushWait(Pair(NewVideo(99), new FakeAudio(99)))) << "a closed queue takes nothing";
    }
    EXPECT_EQ(g_liveFrames, 0);
    {
        // An encoder waiting on an empty queue ends at once when cancelled.
        CFramesQueue queue(8);
        CAVEncodingThread thread(0, 1, &queue, &muxer);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        const auto start = std::chrono::steady_clock::now();
        thread.Cancel();
        // Well below the hang this guards against, even on a loaded machine.
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    }
}

TEST(CAVEncodingThread2, WritesTaggedFramesAndStopsAtTheFirstFailure)
{
    SMItemInfo items[2];
    items[0].eStreamType = StreamTypeVideo;
    items[1].eStreamType = StreamTypeAudio;
    FakeMuxer muxer;
    CFramesQueue queue(30);
    {
        CAVEncodingThread2 thread(items, 2, &queue, &muxer);
        ASSERT_TRUE(queue.Push(Pair(NewVideo(0), nullptr, 0)));
        ASSERT_TRUE(queue.Push(Pair(nullptr, new FakeAudio(0), 1)));
        thread.Complete();
        unsigned code = 9;
        ASSERT_TRUE(thread.GetExitCode(code));
        EXPECT_EQ(code, 0u);
    }
    EXPECT_EQ(muxer.Written(), (std::vector<std::string>{"v0", "a1"}));

    muxer.refuseFrom = 0;
    {
        // Both are queued before the thread starts: a thread that fails on
        // the first closes the queue, which would refuse a later push.
        ASSERT_TRUE(queue.Push(Pair(nullptr, new FakeAudio(0), 1)));
        ASSERT_TRUE(queue.Push(Pair(NewVideo(0), nullptr, 0)));
        CAVEncodingThread2 thread(items, 2, &queue, &muxer);
        thread.Complete();
        EXPECT_STREQ(thread.GetThreadException()->GetExceptionMsg(), "Can't write audio");
    }
    EXPECT_EQ(g_liveFrames, 0);
}

TEST(EncodingThreads, TellWhatTheMuxerWroteAfterTheirLatestWrite)
{
    FakeMuxer muxer;
    {
        CFramesQueue queue(30);
        CAVEncodingThread thread(0, 1, &queue, &muxer);
        for (int i = 0; i < 3; ++i)
            ASSERT_TRUE(queue.Push(Pair(NewVideo(i * 40), i < 2 ? new FakeAudio(i) : nullptr)));
        thread.Complete();
        uint64_t videoBytes = 0, audioBytes = 0;
        uint32_t position = 0;
        thread.GetStatistics(&videoBytes, &audioBytes, &position);
        EXPECT_EQ(videoBytes, 300u);
        EXPECT_EQ(audioBytes, 200u);
        EXPECT_EQ(position, 3u) << "the position is the picture stream's";
    }
    SMItemInfo items[3];
    items[0].eStreamType = StreamTypeVideo;
    items[1].eStreamType = StreamTypeAudio;
    items[2].eStreamType = StreamTypeAudio;
    FakeMuxer multi;
    CFramesQueue queue(30);
    CAVEncodingThread2 thread(items, 3, &queue, &multi);
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(queue.Push(Pair(NewVideo(i * 40), nullptr, 0)));
    ASSERT_TRUE(queue.Push(Pair(nullptr, new FakeAudio(0), 2)));
    thread.Complete();
    const struct
    {
        int index;
        uint64_t bytes;
        uint32_t ms;
    } expected[] = {{0, 400, 4}, {1, 0, 0}, {2, 100, 1}, {3, 0, 0}, {-1, 0, 0}};
    for (const auto& e : expected) {
        SCOPED_TRACE(e.index);
        uint64_t bytes = 99;
        uint32_t ms = 99;
        thread.GetStatistics(e.index, &bytes, &ms);
        EXPECT_EQ(bytes, e.bytes);
        EXPECT_EQ(ms, e.ms);
    }
}

} // namespace
