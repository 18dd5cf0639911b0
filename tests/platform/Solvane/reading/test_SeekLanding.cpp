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
    const char* make;      // the ffmpeg arguments after the two inputs
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
            m_ok = m_ok && Run(m_folder.FFmpeg() + "-f lavfi -i testsrc=size=160x120:rate=25:duration=6 -itsoffset 0.6 "
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
};

struct ImporterHolder
{
    Moorland::IAVImporter* importer;
    ~ImporterHolder()
    {
        if (importer)
            importer->Release();
    }
};

Start SingleStart(Moorland::IAVImporter* importer, const Moorland::MovieInfo* movie, int videoId, int audioId,
                  uint32_t target)
{
    Start start;
    std::unique_ptr<Moorland::IAVSource, void (*)(Moorland::IAVSource*)> source(
        importer->CreateSource(movie->id, videoId, audioId), [](Moorland::IAVSource* s) { s->Release(); });
    EXPECT_NE(source, nullptr) << GetQuentaException()->GetExceptionMsg();
    if (!source)
        return start;
    EXPECT_TRUE(source->Seek(target)) << GetQuentaException()->GetExceptionMsg();
    for (int guard = 0; guard < 400 && (start.pictureMs < 0 || start.sound100ns < 0); ++guard) {
        Moorland::IRawAudioFrame* audio = nullptr;
        Moorland::IRawVideoFrame* video = nullptr;
        if (!source->ReadFrames(&audio, &video, nullptr, Moorland::AVReadBoth))
            break;
        if (video && start.pictureMs < 0)
            start.pictureMs = video->GetTimeStamp();
        if (audio && start.sound100ns < 0)
            start.sound100ns = audio->GetTimeStamp();
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
        if (info.type == Moorland::StreamTypeAudio && start.sound100ns < 0)
            start.sound100ns = static_cast<Moorland::IRawAudioFrame*>(info.frame)->GetTimeStamp();
    }
    return start;
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

} // namespace
