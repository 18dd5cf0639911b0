// Where a trim starts: the decoding source of a plain transcode and the
// multi-stream source of a multi-stream job judge a seek's landing by one
// rule, so one trim gives the same first picture and the same first sound
// whichever job reads it.

#include "../../../MediaTestFolder.h"

#include "IAVImporter.h"
#include "IAVSource.h"
#include "IRawAudioFrame.h"
#include "IRawVideoFrame.h"
#include "MoorlanTypes.h"
#include "moorlan_srcutils/MultiStreamAddress.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

namespace {

using MediaTest::ManagerHolder;
using MediaTest::Run;

// Every fixture: 6 s of 25 fps pictures with a key frame each 2 s, and 5 s
// of sound that starts 0.6 s after the pictures.
struct Row
{
    const char* file;
    const char* make; // the ffmpeg arguments after the two inputs
};

const Row kRows[] = {
    // Sound placed late by its own stream start.
    {"late.mkv", "-c:v mpeg4 -g 50 -c:a aac"},
    {"late.ts", "-c:v mpeg2video -g 50 -c:a mp2"},
    {"late.avi", "-c:v mpeg4 -g 50 -c:a mp3"},
    {"late.ogg", "-c:v libtheora -g 50 -c:a libvorbis"},
    // Sound written 1.5 s ahead of its pictures: the sound of the target
    // lies before the key frame the demuxer lands on.
    {"ahead.mkv", "-c:v mpeg4 -g 50 -c:a aac -audio_preload 1500000"},
    {"ahead.nut", "-c:v mpeg4 -g 50 -c:a aac -audio_preload 1500000"},
};

class Fixtures
{
public:
    static Fixtures& Get()
    {
        static Fixtures f;
        return f;
    }
    std::string Path(const char* name) const { return m_folder.Path(name); }
    bool Ok() const { return m_ok; }

private:
    Fixtures()
    {
        m_ok = !m_folder.Dir().empty();
        for (const Row& row : kRows) {
            m_ok = m_ok && Run(m_folder.FFmpeg() +
                               "-f lavfi -i testsrc=size=160x120:rate=25:duration=6 -itsoffset 0.6 "
                               "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=5 " +
                               row.make + " " + row.file);
        }
    }
    MediaTest::Folder m_folder{"seek-landing"};
    bool m_ok = false;
};

struct Start
{
    int pictureMs = -1;
    int64_t sound100ns = -1;
    int64_t soundEnd100ns = -1; // where the first sound block ends
};

int64_t BlockEnd(Moorland::IRawAudioFrame* audio)
{
    return audio->GetTimeStamp() +
           static_cast<int64_t>(audio->GetSampleCount()) * 10000000 / std::max(1, audio->GetSampleRate());
}

struct ImporterHolder
{
    Moorland::IAVImporter* importer;
    ~ImporterHolder()
    {
        if (importer)
            importer->Release();
    }
};

// The first picture and sound after a seek to `target`; a negative target
// reads a fresh source without seeking.
Start SingleStart(Moorland::IAVImporter* importer, const Moorland::MovieInfo* movie, int videoId, int audioId,
                  int64_t target)
{
    Start start;
    std::unique_ptr<Moorland::IAVSource, void (*)(Moorland::IAVSource*)> source(
        importer->CreateSource(movie->id, videoId, audioId), [](Moorland::IAVSource* s) { s->Release(); });
    EXPECT_NE(source, nullptr) << GetQuentaException()->GetExceptionMsg();
    if (!source)
        return start;
    if (target >= 0) {
        EXPECT_TRUE(source->Seek(static_cast<uint32_t>(target))) << GetQuentaException()->GetExceptionMsg();
    }
    for (int guard = 0; guard < 400 && (start.pictureMs < 0 || start.sound100ns < 0); ++guard) {
        Moorland::IRawAudioFrame* audio = nullptr;
        Moorland::IRawVideoFrame* video = nullptr;
        if (!source->ReadFrames(&audio, &video, nullptr, Moorland::AVReadBoth))
            break;
        if (video && start.pictureMs < 0)
            start.pictureMs = video->GetTimeStamp();
        if (audio && start.sound100ns < 0) {
            start.sound100ns = audio->GetTimeStamp();
            start.soundEnd100ns = BlockEnd(audio);
        }
    }
    return start;
}

Start MultiStart(Moorland::IAVImporter* importer, const Moorland::MovieInfo* movie, int videoId, int audioId,
                 uint32_t target)
{
    Start start;
    Moorland::SMItemInfo items[2];
    items[0].nStreamID = videoId;
    items[0].eStreamType = Moorland::StreamTypeVideo;
    items[1].nStreamID = audioId;
    items[1].eStreamType = Moorland::StreamTypeAudio;
    std::unique_ptr<Moorland::IAVSource2, void (*)(Moorland::IAVSource2*)> multi(
        importer->CreateMultiSource(movie->id, items, 2), [](Moorland::IAVSource2* m) { m->Release(); });
    EXPECT_NE(multi, nullptr) << GetQuentaException()->GetExceptionMsg();
    if (!multi)
        return start;
    EXPECT_TRUE(multi->Seek(target)) << GetQuentaException()->GetExceptionMsg();
    Moorland::FrameInfo info{};
    for (int guard = 0; guard < 400 && (start.pictureMs < 0 || start.sound100ns < 0); ++guard) {
        if (!multi->ReadFrame(&info, 0, 0))
            break;
        if (info.type == Moorland::StreamTypeVideo && start.pictureMs < 0)
            start.pictureMs = static_cast<Moorland::IRawVideoFrame*>(info.frame)->GetTimeStamp();
        if (info.type == Moorland::StreamTypeAudio && start.sound100ns < 0) {
            auto* audio = static_cast<Moorland::IRawAudioFrame*>(info.frame);
            start.sound100ns = audio->GetTimeStamp();
            start.soundEnd100ns = BlockEnd(audio);
        }
    }
    return start;
}

// The ids of a movie's first picture and first sound stream.
void FirstStreams(const Moorland::MovieInfo* movie, int* videoId, int* audioId)
{
    for (uint32_t i = 0; i < movie->streamCount; ++i) {
        if (movie->streams[i].type == Moorland::StreamTypeVideo && *videoId < 0)
            *videoId = movie->streams[i].id;
        if (movie->streams[i].type == Moorland::StreamTypeAudio && *audioId < 0)
            *audioId = movie->streams[i].id;
    }
}

TEST(SeekLanding, ATrimStartsAtTheSamePictureAndSoundInEverySource)
{
    ASSERT_TRUE(Fixtures::Get().Ok()) << "ffmpeg could not make the test media";
    ManagerHolder manager;
    ASSERT_NE(manager.manager, nullptr);
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.file);
        ImporterHolder importer{manager->CreateImporter(Fixtures::Get().Path(row.file).c_str())};
        ASSERT_NE(importer.importer, nullptr) << GetQuentaException()->GetExceptionMsg();
        const Moorland::MovieInfo* movie = importer.importer->GetMovieInfoAt(0);
        ASSERT_NE(movie, nullptr);
        int videoId = -1, audioId = -1;
        for (uint32_t i = 0; i < movie->streamCount; ++i) {
            if (movie->streams[i].type == Moorland::StreamTypeVideo && videoId < 0)
                videoId = movie->streams[i].id;
            if (movie->streams[i].type == Moorland::StreamTypeAudio && audioId < 0)
                audioId = movie->streams[i].id;
        }
        ASSERT_GE(videoId, 0);
        ASSERT_GE(audioId, 0);
        // Before the sound starts, just after it, just after a key frame
        // and between key frames.
        for (uint32_t target : {200u, 1000u, 2040u, 3000u, 4520u}) {
            SCOPED_TRACE("trim start " + std::to_string(target) + " ms");
            const Start single = SingleStart(importer.importer, movie, videoId, audioId, target);
            const Start multi = MultiStart(importer.importer, movie, videoId, audioId, target);
            EXPECT_EQ(single.pictureMs, multi.pictureMs);
            EXPECT_EQ(single.sound100ns, multi.sound100ns);
            EXPECT_LE(single.pictureMs, static_cast<int>(target));
            EXPECT_GT(single.pictureMs + 40, static_cast<int>(target));
            // Past the sound's start, the first sound block holds the target.
            if (target > 2000) {
                EXPECT_LE(single.sound100ns, static_cast<int64_t>(target) * 10000);
            }
        }
    }
}

// Sound written ahead of its pictures lies in the file before the first key
// frame: a trim at the start, or anywhere before the sound that follows that
// key frame in the file, still starts with the sound of its target.
TEST(SeekLanding, ATrimNearTheStartKeepsTheSoundStoredBeforeTheFirstKeyFrame)
{
    ASSERT_TRUE(Fixtures::Get().Ok()) << "ffmpeg could not make the test media";
    ManagerHolder manager;
    ASSERT_NE(manager.manager, nullptr);
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.file);
        ImporterHolder importer{manager->CreateImporter(Fixtures::Get().Path(row.file).c_str())};
        ASSERT_NE(importer.importer, nullptr) << GetQuentaException()->GetExceptionMsg();
        const Moorland::MovieInfo* movie = importer.importer->GetMovieInfoAt(0);
        ASSERT_NE(movie, nullptr);
        int videoId = -1, audioId = -1;
        FirstStreams(movie, &videoId, &audioId);
        ASSERT_GE(videoId, 0);
        ASSERT_GE(audioId, 0);
        // The file read from its start without any seek.
        const Start whole = SingleStart(importer.importer, movie, videoId, audioId, -1);
        ASSERT_EQ(whole.pictureMs, 0);
        ASSERT_GE(whole.sound100ns, 0);
        for (uint32_t target : {0u, 1u, 40u, 200u, 1000u, 1400u}) {
            SCOPED_TRACE("trim start " + std::to_string(target) + " ms");
            const Start single = SingleStart(importer.importer, movie, videoId, audioId, target);
            const Start multi = MultiStart(importer.importer, movie, videoId, audioId, target);
            EXPECT_EQ(single.pictureMs, multi.pictureMs);
            EXPECT_EQ(single.sound100ns, multi.sound100ns);
            EXPECT_EQ(single.soundEnd100ns, multi.soundEnd100ns);
            EXPECT_LE(single.pictureMs, static_cast<int>(target));
            EXPECT_GT(single.pictureMs + 40, static_cast<int>(target));
            const int64_t at = static_cast<int64_t>(target) * 10000;
            if (at <= whole.sound100ns) {
                // Before the sound starts: all of it, from its first sample.
                EXPECT_EQ(single.sound100ns, whole.sound100ns);
                EXPECT_EQ(single.soundEnd100ns, whole.soundEnd100ns);
            } else {
                // The first sound block holds the target.
                EXPECT_LE(single.sound100ns, at);
                EXPECT_GT(single.soundEnd100ns, at);
            }
        }
    }
}

// Every sound sample a source gives from `target` (a negative target: a
// fresh source, no seek), after reading `readFirst` frames it then throws away.
int64_t SoundSamples(Moorland::IAVImporter* importer, const Moorland::MovieInfo* movie, int videoId, int audioId,
                     int64_t target, int readFirst, bool multiStream)
{
    int64_t samples = 0;
    if (!multiStream) {
        std::unique_ptr<Moorland::IAVSource, void (*)(Moorland::IAVSource*)> source(
            importer->CreateSource(movie->id, videoId, audioId), [](Moorland::IAVSource* s) { s->Release(); });
        EXPECT_NE(source, nullptr) << GetQuentaException()->GetExceptionMsg();
        if (!source)
            return -1;
        for (int read = 0;; ++read) {
            if (read == readFirst && target >= 0) {
                EXPECT_TRUE(source->Seek(static_cast<uint32_t>(target))) << GetQuentaException()->GetExceptionMsg();
                samples = 0;
            }
            Moorland::IRawAudioFrame* audio = nullptr;
            Moorland::IRawVideoFrame* video = nullptr;
            if (!source->ReadFrames(&audio, &video, nullptr, Moorland::AVReadBoth))
                break;
            if (audio)
                samples += audio->GetSampleCount();
        }
        return samples;
    }
    Moorland::SMItemInfo items[2];
    items[0].nStreamID = videoId;
    items[0].eStreamType = Moorland::StreamTypeVideo;
    items[1].nStreamID = audioId;
    items[1].eStreamType = Moorland::StreamTypeAudio;
    std::unique_ptr<Moorland::IAVSource2, void (*)(Moorland::IAVSource2*)> multi(
        importer->CreateMultiSource(movie->id, items, 2), [](Moorland::IAVSource2* m) { m->Release(); });
    EXPECT_NE(multi, nullptr) << GetQuentaException()->GetExceptionMsg();
    if (!multi)
        return -1;
    Moorland::FrameInfo info{};
    for (int read = 0;; ++read) {
        if (read == readFirst && target >= 0) {
            EXPECT_TRUE(multi->Seek(static_cast<uint32_t>(target))) << GetQuentaException()->GetExceptionMsg();
            samples = 0;
        }
        if (!multi->ReadFrame(&info, 0, 0))
            break;
        if (info.type == Moorland::StreamTypeAudio)
            samples += static_cast<Moorland::IRawAudioFrame*>(info.frame)->GetSampleCount();
    }
    return samples;
}

// A conversion from the start reads the whole file: a fresh source, one sought
// to 0 (a trim at the start) and one sought back to 0 after reading a while give
// every sound sample of it, in both kinds of source.
TEST(SeekLanding, AConversionFromTheStartKeepsAllTheSound)
{
    ASSERT_TRUE(Fixtures::Get().Ok()) << "ffmpeg could not make the test media";
    ManagerHolder manager;
    ASSERT_NE(manager.manager, nullptr);
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.file);
        ImporterHolder importer{manager->CreateImporter(Fixtures::Get().Path(row.file).c_str())};
        ASSERT_NE(importer.importer, nullptr) << GetQuentaException()->GetExceptionMsg();
        const Moorland::MovieInfo* movie = importer.importer->GetMovieInfoAt(0);
        ASSERT_NE(movie, nullptr);
        int videoId = -1, audioId = -1;
        FirstStreams(movie, &videoId, &audioId);
        ASSERT_GE(videoId, 0);
        ASSERT_GE(audioId, 0);
        const int64_t whole = SoundSamples(importer.importer, movie, videoId, audioId, -1, 0, false);
        // 5 s at 44.1 kHz, give or take a coder's last block.
        EXPECT_GE(whole, 5 * 44100 - 1152);
        EXPECT_LE(whole, 5 * 44100 + 2048);
        for (bool multiStream : {false, true}) {
            SCOPED_TRACE(multiStream ? "multi-stream source" : "decoding source");
            EXPECT_EQ(SoundSamples(importer.importer, movie, videoId, audioId, 0, 0, multiStream), whole);
            EXPECT_EQ(SoundSamples(importer.importer, movie, videoId, audioId, 0, 40, multiStream), whole);
        }
    }
}

} // namespace
