// The movie writer: its settings, every codec of the table written and read
// back, alignment of the two streams, and the failures it records.
#include "COrlendar.h"
#include "orlendar/IOrlendar.h"
#include "MovieProbe.h"
#include "OrlendarScratch.h"
#include "OrlendarWriteJob.h"

#include "Basilvo/Basilvo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <thread>

using namespace OrlendarTest;

namespace {

std::string LastError()
{
    return GetQuentaException()->GetExceptionMsg();
}

class COrlendarTest : public Scratch
{
protected:
    // Settings as a profile would give them, then BeginWriting.
    bool Begin(COrlendar& w, const std::string& path, const char* fourCC, const Feeding& f, int include = 3,
               unsigned quality = 2)
    {
        w.SetFrameRate(f.frameRate);
        if (fourCC) {
            EXPECT_TRUE(w.SetCodecByName(fourCC)) << fourCC;
        }
        w.SetVideoDimension(f.width, f.height);
        w.SetChannel(f.channels);
        w.SetSampleRate(f.sampleRate);
        w.SetFileName(path.c_str());
        w.SetCodecQuality(quality);
        if (include) {
            w.SetAVInclude(include & 2, include & 1);
        }
        return w.BeginWriting();
    }

    bool FeedAll(COrlendar& w, const Feeding& f)
    {
        return Feed(
            f, [&](Moorland::IRawVideoFrame* v) { return w.WriteVideo(v); },
            [&](Moorland::IRawAudioFrame* a) { return w.WriteAudio(a); });
    }
};

} // namespace

TEST(COrlendarSettings, TimeBaseFollowsTheFrameRateTable)
{
    struct Case
    {
        double rate;
        unsigned value, scale;
    };
    const Case cases[] = {
        {5, 120, 600},        {10, 60, 600},     {23.976, 1001, 24000}, {24, 25, 600},        {25, 24, 600},
        {29.97, 1001, 30000}, {30, 20, 600},     {50, 12, 600},         {59.94, 1001, 60000}, {60, 10, 600},
        {12.5, 1000, 12500},  {15, 1000, 15000}, {0, 1000, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rate);
        COrlendar w;
        w.SetFrameRate(c.rate);
        unsigned value = 0, scale = 0;
        COrlendar::TimeBaseForRate(w.GetFrameRate(), value, scale);
        EXPECT_EQ(value, c.value);
        EXPECT_EQ(scale, c.scale);
    }
}

TEST(COrlendarSettings, QualityLevelsAndTheirNames)
{
    struct Case
    {
        unsigned level, value;
        const char* name;
    };
    const Case cases[] = {
        {0, 768, "codecHighQuality"}, {1, 768, "codecHighQuality"}, {2, 512, "codecNormalQuality"},
        {3, 256, "codecLowQuality"},  {4, 768, "codecHighQuality"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.level);
        COrlendar w;
        EXPECT_TRUE(w.SetCodecQuality(c.level));
        EXPECT_EQ(w.GetCodecQualityValue(), c.value);
        EXPECT_STREQ(w.GetCodecQuality(), c.name);
    }
    COrlendar fresh;
    EXPECT_STREQ(fresh.GetCodecQuality(), "codecMinQuality"); // 0 before any level
}

TEST(COrlendarSettings, SampleDepthsAndChannelLayouts)
{
    const unsigned depths[] = {0, 1, 1, 2, 2, 3, 3, 4, 4, 4, 8, 0, 0};
    for (int code = 0; code <= 12; ++code)
        EXPECT_EQ(COrlendar::SampleDepthForFormat(code), depths[code]) << code;
    EXPECT_EQ(COrlendar::ChannelLayoutTagFor(1), (100u << 16) | 1);
    EXPECT_EQ(COrlendar::ChannelLayoutTagFor(2), (101u << 16) | 2);
    EXPECT_EQ(COrlendar::ChannelLayoutTagFor(6), (121u << 16) | 6);
    EXPECT_EQ(COrlendar::ChannelLayoutTagFor(4), 0u);
    EXPECT_EQ(COrlendar::ChannelLayoutTagFor(0), 0u);
}

TEST(COrlendarSettings, CodecLookupIsExactAndKeepsItsOwnText)
{
    COrlendar w;
    EXPECT_FALSE(w.SetCodecByName("rle"));
    EXPECT_EQ(w.GetCodecName(), nullptr);
    char fourCC[] = "rle ";
    EXPECT_TRUE(w.SetCodecByName(fourCC));
    fourCC[0] = 'x'; // the caller's buffer may change or go
    EXPECT_STREQ(w.GetCodecName(), "rle ");
    EXPECT_TRUE(w.SetCodecByType("H.264"));
    EXPECT_STREQ(w.GetCodecName(), "avc1");
    EXPECT_FALSE(w.SetCodecByType("h.264"));
    EXPECT_STREQ(w.GetCodecName(), "avc1");
    EXPECT_FALSE(w.SetCodecByName(nullptr));

    std::string path = "/tmp/some.mov";
    w.SetFileName(path.c_str());
    path.assign(40, 'z');
    EXPECT_STREQ(w.GetFileName(), "/tmp/some.mov");
}

TEST(COrlendarSettings, InclusionStates)
{
    COrlendar w;
    EXPECT_EQ(w.GetAVInclude(), 0);
    w.SetAVInclude(false, false);
    EXPECT_EQ(w.GetAVInclude(), 0);
    w.SetAVInclude(true, false);
    EXPECT_EQ(w.GetAVInclude(), 2);
    w.SetAVInclude(false, true);
    EXPECT_EQ(w.GetAVInclude(), 1);
    w.SetAVInclude(true, true);
    EXPECT_EQ(w.GetAVInclude(), 3);
}

namespace {

struct CodecRow
{
    const char* fourCC;
    double rate;
    unsigned width, height; // 0: the configured 160x120; both 0 and rate 0: no encoder
    const char* codecName;
};

// Every row of the codec table, at the rate its format runs at.
const CodecRow kRows[] = {
    {"rle ", 25, 0, 0, "qtrle"},
    {"icod", 0, 0, 0, nullptr},
    {"pxlt", 0, 0, 0, nullptr},
    {"apcn", 25, 0, 0, "prores"},
    {"apch", 25, 0, 0, "prores"},
    {"apcs", 25, 0, 0, "prores"},
    {"apco", 25, 0, 0, "prores"},
    {"ap4h", 25, 0, 0, "prores"},
    {"dvcp", 25, 720, 576, "dvvideo"},
    {"dvc ", 29.97, 720, 480, "dvvideo"},
    {"dvpp", 25, 720, 576, "dvvideo"},
    {"dvh5", 25, 1440, 1080, "dvvideo"},
    {"dvh6", 29.97, 1280, 1080, "dvvideo"},
    {"dvh2", 25, 1440, 1080, "dvvideo"},
    {"dvh3", 29.97, 1280, 1080, "dvvideo"},
    {"dvhq", 50, 960, 720, "dvvideo"},
    {"dvhp", 59.94, 960, 720, "dvvideo"},
    {"dv5n", 29.97, 720, 480, "dvvideo"},
    {"dv5p", 25, 720, 576, "dvvideo"},
    {"avc1", 25, 0, 0, "h264"},
    {"hdv3", 25, 1440, 1080, "mpeg2video"},
    {"hdv2", 29.97, 1440, 1080, "mpeg2video"},
    {"hdv6", 23.976, 1440, 1080, "mpeg2video"},
    {"hdv7", 25, 1440, 1080, "mpeg2video"},
    {"hdv8", 29.97, 1440, 1080, "mpeg2video"},
    {"hdv4", 23.976, 1280, 720, "mpeg2video"},
    {"hdv5", 25, 1280, 720, "mpeg2video"},
    {"hdv1", 29.97, 1280, 720, "mpeg2video"},
    {"hdva", 50, 1280, 720, "mpeg2video"},
    {"hdv9", 59.94, 1280, 720, "mpeg2video"},
    {"mjp2", 25, 0, 0, "jpeg2000"},
    {"mx3n", 29.97, 720, 512, "mpeg2video"},
    {"mx4n", 29.97, 720, 512, "mpeg2video"},
    {"mx5n", 29.97, 720, 512, "mpeg2video"},
    {"mx3p", 25, 720, 608, "mpeg2video"},
    {"mx4p", 25, 720, 608, "mpeg2video"},
    {"mx5p", 25, 720, 608, "mpeg2video"},
    {"mp4v", 25, 0, 0, "mpeg4"},
    {"raw ", 25, 0, 0, "rawvideo"},
    {"jpeg", 25, 0, 0, "mjpeg"},
    {"png ", 25, 0, 0, "png"},
    {"v210", 25, 0, 0, "v210"},
    {"2vuy", 25, 0, 0, "rawvideo"},
    {"xdvc", 25, 1920, 1080, "mpeg2video"},
    {"xdvb", 29.97, 1920, 1080, "mpeg2video"},
    {"xdvd", 23.976, 1920, 1080, "mpeg2video"},
    {"xdve", 25, 1920, 1080, "mpeg2video"},
    {"xdvf", 29.97, 1920, 1080, "mpeg2video"},
    {"xdv4", 23.976, 1280, 720, "mpeg2video"},
    {"xdv5", 25, 1280, 720, "mpeg2video"},
    {"xdv1", 29.97, 1280, 720, "mpeg2video"},
    {"xdva", 50, 1280, 720, "mpeg2video"},
    {"xdv9", 59.94, 1280, 720, "mpeg2video"},
    {"xdv3", 25, 1440, 1080, "mpeg2video"},
    {"xdv2", 29.97, 1440, 1080, "mpeg2video"},
    {"xdv6", 23.976, 1440, 1080, "mpeg2video"},
    {"xdv7", 25, 1440, 1080, "mpeg2video"},
    {"xdv8", 29.97, 1440, 1080, "mpeg2video"},
    {"xd5c", 25, 1920, 1080, "mpeg2video"},
    {"xd5b", 29.97, 1920, 1080, "mpeg2video"},
    {"xd5d", 23.976, 1920, 1080, "mpeg2video"},
    {"xd5e", 25, 1920, 1080, "mpeg2video"},
    {"xd5f", 29.97, 1920, 1080, "mpeg2video"},
    {"xd54", 23.976, 1280, 720, "mpeg2video"},
    {"xd55", 25, 1280, 720, "mpeg2video"},
    {"xd51", 29.97, 1280, 720, "mpeg2video"},
    {"xd5a", 50, 1280, 720, "mpeg2video"},
    {"xd59", 59.94, 1280, 720, "mpeg2video"},
    {"AV1x", 25, 0, 0, "rawvideo"},
    {"AVdn", 25, 256, 120, "dnxhd"},
    {"AVdv", 25, 720, 576, "dvvideo"},
    {"AVd1", 25, 960, 720, "dvvideo"},
    {"AVDJ", 25, 0, 0, "mjpeg"},
    {"AVUI", 25, 720, 576, "avui"},
    {"AVup", 25, 0, 0, "rawvideo"},
};

struct RowResult
{
    bool began = false, ended = false;
    std::string error;
    std::string decodeErrors; // what a full decode of the file complains about
    std::vector<MovieProbe::Stream> streams;
    std::string path;
};

} // namespace

TEST_F(COrlendarTest, EveryCodecOfTheTableWritesAMovieOrSaysWhyNot)
{
    ASSERT_EQ(sizeof(kRows) / sizeof(kRows[0]), 75u);
    for (size_t i = 0; i < 75; ++i)
        ASSERT_STREQ(kRows[i].fourCC, CodecInfoArray[i].fourCC);

    // A second of each row shows all that is checked below; every second
    // more only lengthens the writing and the decode of 75 movies.
    const double seconds = 1;
    std::vector<RowResult> results(75);
    std::atomic<size_t> next{0};
    auto worker = [&] {
        for (size_t i; (i = next++) < 75;) {
            const CodecRow& row = kRows[i];
            RowResult& r = results[i];
            r.path = Path("row" + std::to_string(i) + ".mov");
            Feeding f;
            f.frameRate = row.rate ? row.rate : 25;
            f.seconds = seconds;
            COrlendar w;
            r.began = Begin(w, r.path, row.fourCC, f);
            if (!r.began) {
                r.error = LastError();
                continue;
            }
            if (!FeedAll(w, f)) {
                r.error = LastError();
                continue;
            }
            r.ended = w.EndWriting();
            if (!r.ended)
                r.error = LastError();
            else {
                r.streams = MovieProbe::Streams(r.path);
                r.decodeErrors = MovieProbe::Run("ffmpeg -nostdin -v error -i '" + r.path + "' -f null - 2>&1");
            }
        }
    };
    // Two rows at a time: each compressor runs its own threads besides.
    const unsigned n = 2;
    std::vector<std::thread> pool;
    for (unsigned t = 0; t < n; ++t)
        pool.emplace_back(worker);
    for (std::thread& t : pool)
        t.join();

    for (size_t i = 0; i < 75; ++i) {
        const CodecRow& row = kRows[i];
        const RowResult& r = results[i];
        SCOPED_TRACE(std::string("'") + row.fourCC + "' " + CodecInfoArray[i].name);
        if (!row.codecName) {
            EXPECT_FALSE(r.began);
            EXPECT_NE(r.error.find(std::string("'") + row.fourCC + "'"), std::string::npos) << r.error;
            continue;
        }
        EXPECT_TRUE(r.began && r.ended) << r.error;
        const MovieProbe::Stream* v = MovieProbe::Find(r.streams, "video");
        const MovieProbe::Stream* a = MovieProbe::Find(r.streams, "audio");
        if (!v || !a) {
            ADD_FAILURE() << "no video or no sound read back";
            continue;
        }
        EXPECT_EQ(v->at("codec_tag_string"), row.fourCC);
        EXPECT_EQ(v->at("codec_name"), row.codecName);
        EXPECT_EQ(MovieProbe::Num(*v, "width"), long(row.width ? row.width : 160));
        EXPECT_EQ(MovieProbe::Num(*v, "height"), long(row.height ? row.height : 120));
        unsigned value = 0, scale = 0;
        COrlendar::TimeBaseForRate(float(row.rate), value, scale);
        EXPECT_EQ(v->at("time_base"), "1/" + std::to_string(scale));
        const unsigned pictures = PictureCount(row.rate, seconds);
        EXPECT_EQ(MovieProbe::Num(*v, "nb_frames"), long(pictures));
        EXPECT_EQ(MovieProbe::Num(*v, "nb_read_packets"), long(pictures));
        EXPECT_EQ(MovieProbe::Num(*v, "duration_ts"), long(pictures * value));
        EXPECT_EQ(r.decodeErrors, "");
        EXPECT_EQ(a->at("codec_name"), "pcm_f32le");
        EXPECT_EQ(MovieProbe::Num(*a, "sample_rate"), 48000);
        EXPECT_EQ(MovieProbe::Num(*a, "channels"), 2);
        EXPECT_EQ(a->at("channel_layout"), "stereo");
        EXPECT_EQ(MovieProbe::Num(*a, "duration_ts"), long(48000 * seconds));
    }
}

TEST_F(COrlendarTest, OneStreamMoviesWriteFromTheFirstFrame)
{
    {
        SCOPED_TRACE("pictures only");
        COrlendar w;
        Feeding f;
        ASSERT_TRUE(Begin(w, Path("v.mov"), "jpeg", f, 2)) << LastError();
        // Sound that arrives anyway is passed over, not held without end.
        ASSERT_TRUE(FeedAll(w, f)) << LastError();
        EXPECT_EQ(w.GetDuration(), 0u); // only sound moves the duration
        const uint64_t bytes = w.GetDataSize(0);
        EXPECT_GT(bytes, 0u);
        EXPECT_EQ(w.GetDataSize(1), bytes);
        ASSERT_TRUE(w.EndWriting()) << LastError();
        const auto streams = MovieProbe::Streams(Path("v.mov"));
        ASSERT_EQ(streams.size(), 1u);
        EXPECT_EQ(MovieProbe::Num(streams[0], "nb_frames"), 50);
    }
    {
        SCOPED_TRACE("sound only");
        COrlendar w;
        Feeding f;
        f.videoStartMs = -1;
        f.audioStartMs = 300; // nothing to align with: written as it comes
        ASSERT_TRUE(Begin(w, Path("a.mov"), nullptr, f, 1)) << LastError();
        ASSERT_TRUE(FeedAll(w, f)) << LastError();
        EXPECT_EQ(w.GetDataSize(0), 96000u * 8);
        EXPECT_NEAR(double(w.GetDuration()), 2280, 1); // the last frame's start
        ASSERT_TRUE(w.EndWriting()) << LastError();
        const auto streams = MovieProbe::Streams(Path("a.mov"));
        ASSERT_EQ(streams.size(), 1u);
        EXPECT_EQ(streams[0].at("codec_type"), "audio");
        EXPECT_EQ(MovieProbe::Num(streams[0], "duration_ts"), 96000);
    }
}

TEST_F(COrlendarTest, LateSoundIsLedInWithSilence)
{
    // Pictures every 40 ms from 0, sound from 350 ms: every picture stays,
    // and the sound track starts with 350 ms of silence before its own.
    COrlendar w;
    Feeding f;
    f.audioStartMs = 350;
    ASSERT_TRUE(Begin(w, Path("late.mov"), "png ", f)) << LastError();
    ASSERT_TRUE(FeedAll(w, f)) << LastError();
    EXPECT_EQ(w.GetDataSize(0), w.GetDataSize(1)); // all tracks, whatever the stream
    ASSERT_TRUE(w.EndWriting()) << LastError();
    const auto streams = MovieProbe::Streams(Path("late.mov"));
    const MovieProbe::Stream* v = MovieProbe::Find(streams, "video");
    const MovieProbe::Stream* a = MovieProbe::Find(streams, "audio");
    ASSERT_TRUE(v && a);
    EXPECT_EQ(MovieProbe::Num(*v, "nb_frames"), 50);
    EXPECT_EQ(MovieProbe::Num(*a, "duration_ts"), 96000 + 350 * 48);
}

TEST_F(COrlendarTest, RepeatedAndSkippedPictures)
{
    COrlendar w;
    Feeding f;
    ASSERT_TRUE(Begin(w, Path("dup.mov"), "png ", f, 2)) << LastError();
    Frames frames(160, 120, 48000, 2);
    ASSERT_TRUE(w.WriteVideo(frames.Video(0, 0, 3)));
    ASSERT_TRUE(w.WriteVideo(frames.Video(1, 40, 0)));
    ASSERT_TRUE(w.WriteVideo(frames.Video(2, 80, 1)));
    ASSERT_TRUE(w.EndWriting()) << LastError();
    const std::vector<long> sizes = MovieProbe::VideoPacketSizes(Path("dup.mov"));
    ASSERT_EQ(sizes.size(), 4u);
    EXPECT_EQ(sizes[0], sizes[2]);
}

TEST_F(COrlendarTest, SoundTrackFormatFollowsTheChannelCount)
{
    struct Case
    {
        int channels;
        long tag; // -1: no layout atom
    };
    const Case cases[] = {{1, (100 << 16) | 1}, {2, (101 << 16) | 2}, {6, (121 << 16) | 6}, {4, -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.channels);
        const std::string path = Path("ch" + std::to_string(c.channels) + ".mov");
        COrlendar w;
        Feeding f;
        f.channels = c.channels;
        f.videoStartMs = -1;
        f.seconds = 0.5;
        ASSERT_TRUE(Begin(w, path, nullptr, f, 1)) << LastError();
        ASSERT_TRUE(FeedAll(w, f)) << LastError();
        const OrlendarAudioDescription& d = w.GetAudioDescription();
        EXPECT_EQ(d.formatID, 0x6C70636Du);
        EXPECT_EQ(d.formatFlags, 9u);
        EXPECT_EQ(d.bitsPerChannel, 32u);
        EXPECT_EQ(d.bytesPerFrame, 4u * c.channels);
        EXPECT_EQ(d.bytesPerPacket, d.bytesPerFrame);
        EXPECT_EQ(d.framesPerPacket, 1u);
        EXPECT_EQ(d.sampleRate, 48000);
        ASSERT_TRUE(w.EndWriting()) << LastError();
        EXPECT_EQ(MovieProbe::ChannelLayoutTag(path), c.tag);
        const auto streams = MovieProbe::Streams(path);
        ASSERT_EQ(streams.size(), 1u);
        EXPECT_EQ(MovieProbe::Num(streams[0], "channels"), c.channels);
        EXPECT_EQ(streams[0].at("codec_name"), "pcm_f32le");
        EXPECT_EQ(MovieProbe::Num(streams[0], "duration_ts"), 24000);
    }
}

TEST_F(COrlendarTest, SoundOfAnotherRateComesWhole)
{
    // 44.1 kHz in, 48 kHz out: what the resampler holds back at the end is
    // written too, so the track lasts as long as its source.
    COrlendar w;
    Feeding f;
    f.videoStartMs = -1;
    ASSERT_TRUE(Begin(w, Path("rs.mov"), nullptr, f, 1)) << LastError();
    Feeding in = f;
    in.sampleRate = 44100;
    in.samplesPerFrame = 1024;
    w.SetSampleRate(48000);
    ASSERT_TRUE(Feed(
        in, [&](Moorland::IRawVideoFrame* v) { return w.WriteVideo(v); },
        [&](Moorland::IRawAudioFrame* a) { return w.WriteAudio(a); }))
        << LastError();
    ASSERT_TRUE(w.EndWriting()) << LastError();
    const auto streams = MovieProbe::Streams(Path("rs.mov"));
    ASSERT_EQ(streams.size(), 1u);
    EXPECT_NEAR(double(MovieProbe::Num(streams[0], "duration_ts")), 96000, 2);
}

TEST_F(COrlendarTest, ShortSoundBufferAddsNothing)
{
    COrlendar w;
    Feeding f;
    f.videoStartMs = -1;
    ASSERT_TRUE(Begin(w, Path("short.mov"), nullptr, f, 1)) << LastError();
    Frames frames(16, 16, 48000, 2);
    ASSERT_TRUE(w.WriteAudio(frames.Audio(0, 480)));
    // A buffer shorter than one sample frame.
    Moorland::IRawAudioFrameFiller* filler = Moorland::CreateRawAudioFrameFiller();
    int16_t half = 0;
    filler->SetFormat(Moorland::QUENTA_SAMPLE_S16, 48000, 2);
    filler->SetBuffer(&half, 2);
    filler->SetTimeStamp(100000);
    EXPECT_TRUE(w.WriteAudio(filler->GetFrame()));
    filler->Release();
    EXPECT_EQ(w.GetDataSize(0), 480u * 8);
    ASSERT_TRUE(w.EndWriting()) << LastError();
}

TEST_F(COrlendarTest, StreamsWithoutAnInclusionAreInferred)
{
    // No inclusion set and only pictures arrive: they are held for a partner
    // that never comes, and written when the movie ends.
    COrlendar w;
    Feeding f;
    f.audioStartMs = -1;
    ASSERT_TRUE(Begin(w, Path("inf.mov"), "jpeg", f, 0)) << LastError();
    ASSERT_TRUE(FeedAll(w, f)) << LastError();
    EXPECT_EQ(w.GetDataSize(0), 0u); // nothing written yet
    ASSERT_TRUE(w.EndWriting()) << LastError();
    auto streams = MovieProbe::Streams(Path("inf.mov"));
    ASSERT_EQ(streams.size(), 1u);
    EXPECT_EQ(MovieProbe::Num(streams[0], "nb_frames"), 50);

    // A long lone stream is not held to the end: after ten seconds it is
    // taken as the whole movie and written through.
    COrlendar lone;
    Feeding l;
    l.videoStartMs = -1;
    l.seconds = 12;
    l.samplesPerFrame = 4800;
    ASSERT_TRUE(Begin(lone, Path("lone.mov"), nullptr, l, 0)) << LastError();
    ASSERT_TRUE(FeedAll(lone, l)) << LastError();
    EXPECT_EQ(lone.GetAVInclude(), 1);
    EXPECT_EQ(lone.GetDataSize(0), 12u * 48000 * 8);
    ASSERT_TRUE(lone.EndWriting()) << LastError();
    streams = MovieProbe::Streams(Path("lone.mov"));
    ASSERT_EQ(streams.size(), 1u);
    EXPECT_EQ(MovieProbe::Num(streams[0], "duration_ts"), 12 * 48000);
}

TEST_F(COrlendarTest, QualityReachesTheCompressor)
{
    // Photo-JPEG at low quality is smaller than at high quality.
    // Compared per picture: how many pictures a threaded compressor has
    // handed out by the end may differ between the two runs.
    double sizes[2] = {0, 0};
    const unsigned levels[2] = {3, 1};
    for (int i = 0; i < 2; ++i) {
        COrlendar w;
        Feeding f;
        f.audioStartMs = -1;
        f.seconds = 0.4;
        ASSERT_TRUE(Begin(w, Path("q" + std::to_string(i) + ".mov"), "jpeg", f, 2, levels[i])) << LastError();
        ASSERT_TRUE(FeedAll(w, f)) << LastError();
        ASSERT_TRUE(w.EndWriting()) << LastError();
        // Measured in the file: threaded compressors hand their pictures out late.
        const auto packets = MovieProbe::VideoPacketSizes(Path("q" + std::to_string(i) + ".mov"));
        ASSERT_FALSE(packets.empty());
        for (long size : packets)
            sizes[i] += double(size);
        sizes[i] /= double(packets.size());
    }
    EXPECT_LT(sizes[0] * 2, sizes[1]);
}

TEST_F(COrlendarTest, FailuresAreRecordedAndNothingIsLost)
{
    Frames frames(160, 120, 48000, 2);
    {
        SCOPED_TRACE("no output path");
        COrlendar w;
        EXPECT_FALSE(w.EndWriting());
        EXPECT_NE(LastError().find("no output path"), std::string::npos) << LastError();
        EXPECT_FALSE(w.BeginWriting());
        EXPECT_EQ(LastError(), "file_create failed");
    }
    {
        SCOPED_TRACE("not begun");
        COrlendar w;
        EXPECT_FALSE(w.WriteVideo(frames.Video(0, 0)));
        EXPECT_NE(LastError().find("BeginWriting"), std::string::npos) << LastError();
        EXPECT_FALSE(w.WriteVideo(nullptr));
        EXPECT_EQ(GetQuentaException()->GetExceptionCode(), 10021003);
    }
    {
        SCOPED_TRACE("an existing file is emptied");
        const std::string path = Path("old.mov");
        std::ofstream(path) << std::string(100000, 'x');
        COrlendar w;
        Feeding f;
        ASSERT_TRUE(Begin(w, path, "jpeg", f)) << LastError();
        EXPECT_EQ(MovieProbe::Bytes(path).find("xxxx"), std::string::npos);
    }
    {
        SCOPED_TRACE("a folder that does not exist");
        COrlendar w;
        Feeding f;
        EXPECT_FALSE(Begin(w, Path("no/such/dir.mov"), "jpeg", f));
        EXPECT_EQ(LastError(), "file_create failed");
        EXPECT_EQ(GetQuentaException()->GetExceptionCode(), 10021008);
    }
    {
        SCOPED_TRACE("a codec the encoder refuses at its first picture");
        COrlendar w;
        Feeding f;
        f.frameRate = 70000; // beyond what MPEG-4 part 2 can time
        ASSERT_TRUE(Begin(w, Path("big.mov"), "mp4v", f, 2)) << LastError();
        EXPECT_FALSE(w.WriteVideo(frames.Video(0, 0)));
        EXPECT_NE(LastError().find("NewMovieTrack Failed error code"), std::string::npos) << LastError();
        EXPECT_NE(LastError().find("70000.000 pictures a second"), std::string::npos) << LastError();
    }
    {
        SCOPED_TRACE("held pictures that can't be written fail their frame");
        COrlendar w;
        Feeding f;
        f.frameRate = 70000;
        ASSERT_TRUE(Begin(w, Path("held.mov"), "mp4v", f, 3)) << LastError();
        EXPECT_FALSE(w.WriteVideo(frames.Video(0, 0)));  // no video track
        EXPECT_TRUE(w.WriteAudio(frames.Audio(0, 480))); // held
        EXPECT_FALSE(w.WriteVideo(frames.Video(1, 40))); // meets the sound, can't be written
        EXPECT_NE(LastError().find("AddMediaSample2 Failed error code"), std::string::npos) << LastError();
    }
    {
        SCOPED_TRACE("no resampler for the sound settings");
        COrlendar w;
        Feeding f;
        f.channels = 0;
        EXPECT_FALSE(Begin(w, Path("nosound.mov"), "jpeg", f, 3));
        EXPECT_NE(LastError().find("no audio resampler"), std::string::npos) << LastError();
        // Without sound in the movie the settings don't matter.
        COrlendar v;
        EXPECT_TRUE(Begin(v, Path("nosound2.mov"), "jpeg", f, 2)) << LastError();
    }
}
