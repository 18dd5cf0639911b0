#include "../SolvaneTestMedia.h"

#include "IRawVideoFrame.h"
#include "ISimpleEditTimeLine.h"

#include <unistd.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

using namespace SolvaneTest;
using Moorland::IAVImporter;
using Moorland::MovieInfo;
using Moorland::StreamInfo;

namespace {

struct ImporterHolder
{
    IAVImporter* importer;
    explicit ImporterHolder(IAVImporter* i) : importer(i) {}
    ~ImporterHolder()
    {
        if (importer)
            importer->Release();
    }
    IAVImporter* operator->() const { return importer; }
};

const StreamInfo* FirstOfType(const MovieInfo* movie, int type)
{
    for (uint32_t i = 0; i < movie->streamCount; ++i) {
        if (movie->streams[i].type == type)
            return &movie->streams[i];
    }
    return nullptr;
}

std::string Meta(const MovieInfo* movie, const char* key)
{
    for (uint32_t i = 0; i < movie->metaDataCount; ++i) {
        if (movie->metaData[i].name && strcmp(movie->metaData[i].name, key) == 0)
            return movie->metaData[i].value ? movie->metaData[i].value : "";
    }
    return "<none>";
}

} // namespace

TEST(SolvaneImporter, ProbesMoviesAndStreamsFromTheFile)
{
    SOLVANE_REQUIRE_MEDIA();
    ManagerHolder manager;
    ASSERT_NE(manager.manager, nullptr);
    Media& m = Media::Get();

    struct VideoCase
    {
        std::string path;
        const char* importer;
        uint32_t movies;
        int movieIndex;
        int movieId;
        const char* codec;
        const char* fourCC;
        int width, height;
        uint32_t rateNum, rateDen;
        uint32_t aspect;
        double duration;
        const char* interlace;
    };
    const VideoCase cases[] = {
        {m.Clip(), "FFImporter", 1, 0, 0, "h264", "avc1", 320, 240, 25, 1, (8u << 16) | 9u, 2.0, "0"},
        {m.TwoPrograms(), "FFImporter", 2, 0, 1, "mpeg2video", "m2v1", 176, 144, 25, 1, (1u << 16) | 1u, 1.0, "0"},
        {m.TwoPrograms(), "FFImporter", 2, 1, 2, "mpeg2video", "m2v1", 160, 120, 25, 1, (1u << 16) | 1u, 1.0, "0"},
        {m.Interlaced(), "FFImporter", 1, 0, 0, "mpeg2video", "m2v1", 176, 144, 25, 1, (1u << 16) | 1u, 1.0, "1"},
        {m.Interlaced264(), "FFImporter", 1, 0, 0, "h264", "avc1", 176, 144, 25, 1, (1u << 16) | 1u, 1.0, "1"},
        {m.Picture(), "ImageImporter", 1, 0, 0, "png", "png ", 64, 48, 25, 1, (1u << 16) | 1u, 5.0, "0"},
    };
    for (const VideoCase& c : cases) {
        SCOPED_TRACE(c.path + " movie " + std::to_string(c.movieIndex));
        ImporterHolder importer(manager->CreateImporter(c.path.c_str()));
        ASSERT_NE(importer.importer, nullptr) << LastMessage();
        EXPECT_STREQ(importer->GetInfo()->name, c.importer);
        ASSERT_EQ(importer->GetMovieCount(), c.movies);
        EXPECT_EQ(importer->GetMovieInfoAt(c.movies), nullptr);
        const MovieInfo* movie = importer->GetMovieInfoAt(static_cast<uint32_t>(c.movieIndex));
        ASSERT_NE(movie, nullptr);
        EXPECT_EQ(movie->id, c.movieId);
        const StreamInfo* video = FirstOfType(movie, Moorland::StreamTypeVideo);
        ASSERT_NE(video, nullptr);
        EXPECT_STREQ(video->codecName, c.codec);
        EXPECT_EQ(std::string(video->fourCC, 4), c.fourCC);
        EXPECT_EQ(video->width, c.width);
        EXPECT_EQ(video->height, c.height);
        EXPECT_EQ(Moorland::FrameRateNum(video->frameRate), c.rateNum);
        EXPECT_EQ(Moorland::FrameRateDen(video->frameRate), c.rateDen);
        EXPECT_EQ(video->aspect, c.aspect);
        EXPECT_NEAR(video->duration, c.duration, 0.1);
        auto* ext = static_cast<Moorland::IMovieInfoExt*>(importer->GetInterface("IMovieInfoExt"));
        ASSERT_NE(ext, nullptr);
        EXPECT_STREQ(ext->GetValue("is_interlace"), c.interlace);
        EXPECT_NE(importer->GetInterface("IAVSourceSetProperty"), nullptr);
    }
}

TEST(SolvaneImporter, SoundAndMetadata)
{
    SOLVANE_REQUIRE_MEDIA();
    ManagerHolder manager;
    Media& m = Media::Get();

    ImporterHolder clip(manager->CreateImporter(m.Clip().c_str()));
    ASSERT_NE(clip.importer, nullptr) << LastMessage();
    const MovieInfo* movie = clip->GetMovieInfoAt(0);
    EXPECT_STREQ(movie->name, "FixtureTitle");
    EXPECT_EQ(Meta(movie, "title"), "FixtureTitle");
    EXPECT_NE(std::string(movie->format).find("mp4"), std::string::npos);
    const StreamInfo* audio = FirstOfType(movie, Moorland::StreamTypeAudio);
    ASSERT_NE(audio, nullptr);
    EXPECT_STREQ(audio->codecName, "aac");
    EXPECT_EQ(std::string(audio->fourCC, 4), "mp4a");
    EXPECT_EQ(audio->sampleRate, 44100);
    EXPECT_EQ(audio->channels, 1);
    EXPECT_GT(audio->bitRate, 0);
    EXPECT_NEAR(audio->duration, 2.0, 0.1);
    EXPECT_GT(FirstOfType(movie, Moorland::StreamTypeVideo)->bitRate, 0);
    // Stream ids are unique within the movie.
    for (uint32_t i = 0; i < movie->streamCount; ++i)
        for (uint32_t k = i + 1; k < movie->streamCount; ++k)
            EXPECT_NE(movie->streams[i].id, movie->streams[k].id);

    ImporterHolder subtitled(manager->CreateImporter(m.Subtitled().c_str()));
    ASSERT_NE(subtitled.importer, nullptr) << LastMessage();
    const StreamInfo* lines = FirstOfType(subtitled->GetMovieInfoAt(0), Moorland::StreamTypeSubtitle);
    ASSERT_NE(lines, nullptr);
    EXPECT_STREQ(lines->codecName, "subrip");

    ImporterHolder tone(manager->CreateImporter(m.Tone().c_str()));
    ASSERT_NE(tone.importer, nullptr) << LastMessage();
    const MovieInfo* toneMovie = tone->GetMovieInfoAt(0);
    EXPECT_EQ(FirstOfType(toneMovie, Moorland::StreamTypeVideo), nullptr);
    const StreamInfo* pcm = FirstOfType(toneMovie, Moorland::StreamTypeAudio);
    ASSERT_NE(pcm, nullptr);
    EXPECT_STREQ(pcm->codecName, "pcm_s16le");
    EXPECT_EQ(pcm->bitRate, 44100 * 16);
    EXPECT_NEAR(pcm->duration, 1.0, 0.01);
}

TEST(SolvaneImporter, ImportersByNameAndOptions)
{
    SOLVANE_REQUIRE_MEDIA();
    ManagerHolder manager;

    ImporterHolder ff(manager->CreateImporterByName("FFImporter"));
    ASSERT_NE(ff.importer, nullptr);
    EXPECT_EQ(ff->GetMovieCount(), 0u);
    EXPECT_TRUE(ff->Open(Media::Get().Clip().c_str())) << LastMessage();
    EXPECT_EQ(ff->GetMovieCount(), 1u);
    EXPECT_STREQ(ff->GetFilePath(), Media::Get().Clip().c_str());

    GetQuentaException()->Clear();
    EXPECT_EQ(manager->CreateImporterByName("NoSuchImporter"), nullptr);
    EXPECT_NE(LastCode(), 0);
    EXPECT_NE(LastMessage().find("NoSuchImporter"), std::string::npos);

    EXPECT_EQ(manager->GetOption("TiVoMediaAccessKey"), nullptr);
    manager->SetOption("TiVoMediaAccessKey", "1234567890");
    EXPECT_STREQ(manager->GetOption("TiVoMediaAccessKey"), "1234567890");
    EXPECT_TRUE(manager->ApplyConfigString("SELECTED_DECODER=X264_DECODER;FFmpegVersion=0"));
    EXPECT_STREQ(manager->GetOption("SELECTED_DECODER"), "X264_DECODER");
    EXPECT_STREQ(manager->GetOption("FFmpegVersion"), "0");
}

TEST(SolvaneImporter, TiVoRecordingsNeedTheAccessKey)
{
    SOLVANE_REQUIRE_MEDIA();
    const std::string tivo = Media::Get().Path("show.TiVo");
    {
        std::ifstream in(Media::Get().Clip(), std::ios::binary);
        std::ofstream out(tivo, std::ios::binary);
        out << in.rdbuf();
    }
    ManagerHolder manager;
    GetQuentaException()->Clear();
    EXPECT_EQ(manager->CreateImporter(tivo.c_str()), nullptr);
    EXPECT_NE(LastMessage().find("TiVo media access key"), std::string::npos) << LastMessage();

    manager->SetOption("TiVoMediaAccessKey", "1234567890");
    ImporterHolder importer(manager->CreateImporter(tivo.c_str()));
    EXPECT_NE(importer.importer, nullptr) << LastMessage();
}

TEST(SolvaneImporter, SourcesFromAddresses)
{
    SOLVANE_REQUIRE_MEDIA();
    ManagerHolder manager;
    Media& m = Media::Get();

    struct Case
    {
        std::string address;
        const char* importer;
        bool ok;
        int movie, video, audio;
        const char* error;
    };
    const Case cases[] = {
        {m.Clip(), nullptr, true, 0, 0, 1, nullptr},
        {m.Clip() + "?vstreamid=-1", nullptr, true, 0, -1, 1, nullptr},
        {m.Clip() + "?astreamid=-1", "FFImporter", true, 0, 0, -1, nullptr},
        {m.TwoPrograms() + "?movieid=2", nullptr, true, 2, 1, -1, nullptr},
        {m.TwoPrograms(), nullptr, true, 1, 0, -1, nullptr},
        {m.Clip() + "?movieid=5", nullptr, false, 0, 0, 0, "Can't find the movie in the file"},
        {m.Clip() + "?vstreamid=9", nullptr, false, 0, 0, 0, "Bad stream id"},
        {m.Clip() + "?vstreamid=-1&astreamid=-1", nullptr, false, 0, 0, 0, "No video or audio streams"},
        {m.Picture() + "?duration=2000", "ImageImporter", true, 0, 0, -1, nullptr},
        // A picture standing in for an audio-only clip carries the clip's ids.
        {m.Picture() + "?movieid=3&astreamid=1", "ImageImporter", true, 0, 0, -1, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address);
        int movie = -9, video = -9, audio = -9;
        MovieInfo* info = nullptr;
        GetQuentaException()->Clear();
        Moorland::IAVSource* source =
            manager->CreateSourceFromAddress(c.address.c_str(), c.importer, &movie, &video, &audio, &info);
        if (!c.ok) {
            EXPECT_EQ(source, nullptr);
            EXPECT_EQ(LastMessage(), c.error);
            continue;
        }
        ASSERT_NE(source, nullptr) << LastMessage();
        EXPECT_EQ(movie, c.movie);
        EXPECT_EQ(video, c.video);
        EXPECT_EQ(audio, c.audio);
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(info->id, c.movie);
        EXPECT_EQ(source->GetVideoStreamID(), c.video);
        EXPECT_EQ(source->GetAudioStreamID(), c.audio);
        source->Release();
    }
}

TEST(SolvaneImporter, NamedValuesOfTheCurrentSource)
{
    SOLVANE_REQUIRE_MEDIA();
    ManagerHolder manager;
    int length = 0;
    EXPECT_FALSE(manager->GetProperty("MXFTimecode", nullptr, &length));
    EXPECT_EQ(length, 0);

    Moorland::IAVSource* source =
        manager->CreateSourceFromAddress(Media::Get().Clip().c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(source, nullptr) << LastMessage();
    struct Case
    {
        const char* name;
        const char* value;
    };
    const Case cases[] = {{"MXFTimecode", "90000"}, {"MXFOrigFramerate", "25,1"}};
    for (const Case& c : cases) {
        length = 0;
        EXPECT_TRUE(manager->GetProperty(c.name, nullptr, &length)) << c.name;
        ASSERT_EQ(length, static_cast<int>(strlen(c.value))) << c.name;
        std::vector<char> buffer(static_cast<size_t>(length) + 2, 'x');
        EXPECT_TRUE(manager->GetProperty(c.name, buffer.data(), &length)) << c.name;
        EXPECT_STREQ(buffer.data(), c.value);
    }
    // No value at all: length 0. An empty DRM verdict lets a job go on.
    for (const char* name : {"drmErrorCode", "NoSuchValue"}) {
        length = 7;
        EXPECT_FALSE(manager->GetProperty(name, nullptr, &length)) << name;
        EXPECT_EQ(length, 0) << name;
    }
    source->Release();
}

namespace {
// The slot of a virtual operation in its interface's table (Itanium C++ ABI:
// a pointer to a virtual member holds 1 + the slot's byte offset).
template <typename M> long Slot(M member)
{
    ptrdiff_t raw = 0;
    static_assert(sizeof(member) >= sizeof(raw), "pointer to member layout");
    memcpy(&raw, &member, sizeof(raw));
    return static_cast<long>((raw - 1) / static_cast<ptrdiff_t>(sizeof(void*)));
}
} // namespace

// Callers elsewhere in the system reach these operations by slot number.
TEST(SolvaneImporter, OperationsKeepTheirSlots)
{
    struct Case
    {
        const char* what;
        long slot;
        long expected;
    };
    const Case cases[] = {
        {"IAVManager::Release", Slot(&Moorland::IAVManager::Release), 0},
        {"IAVManager::CreateImporterByName", Slot(&Moorland::IAVManager::CreateImporterByName), 1},
        {"IAVManager::CreateImporter", Slot(&Moorland::IAVManager::CreateImporter), 2},
        {"IAVManager::SetOption", Slot(&Moorland::IAVManager::SetOption), 17},
        {"IAVImporter::GetInfo", Slot(&IAVImporter::GetInfo), 0},
        {"IAVImporter::GetInterface", Slot(&IAVImporter::GetInterface), 1},
        {"IAVImporter::GetMovieCount", Slot(&IAVImporter::GetMovieCount), 4},
        {"IAVImporter::GetMovieInfoAt", Slot(&IAVImporter::GetMovieInfoAt), 5},
        {"IAVImporter::CreateSource", Slot(&IAVImporter::CreateSource), 7},
        {"IAVImporter::Release", Slot(&IAVImporter::Release), 10},
        {"IAVSource::Seek", Slot(&Moorland::IAVSource::Seek), 1},
        {"IAVSource::ReadFrames", Slot(&Moorland::IAVSource::ReadFrames), 6},
        {"IAVSource::Release", Slot(&Moorland::IAVSource::Release), 8},
        {"IMovieInfoExt::GetValue", Slot(&Moorland::IMovieInfoExt::GetValue), 0},
        {"IAVSourceSetProperty::SetProperty", Slot(&Moorland::IAVSourceSetProperty::SetProperty), 0},
        {"ISimpleEditTimeLine::SaveTimeLine", Slot(&Moorland::ISimpleEditTimeLine::SaveTimeLine), 1},
        {"ISimpleEditTimeLine::DisableStreamType", Slot(&Moorland::ISimpleEditTimeLine::DisableStreamType), 2},
        {"ISimpleEditTimeLine::SetReplaceAudio", Slot(&Moorland::ISimpleEditTimeLine::SetReplaceAudio), 9},
        {"ISimpleEditTimeLine::InsertClip", Slot(&Moorland::ISimpleEditTimeLine::InsertClip), 12},
        {"ISimpleEditTimeLine::ClearTimeLine", Slot(&Moorland::ISimpleEditTimeLine::ClearTimeLine), 18},
        {"ISimpleEditTimeLine::SetClipVolume", Slot(&Moorland::ISimpleEditTimeLine::SetClipVolume), 19},
        {"ISimpleEditTimeLine::SetClipInterlaced", Slot(&Moorland::ISimpleEditTimeLine::SetClipInterlaced), 21},
        {"ISimpleEditTimeLine::GetClipHandle", Slot(&Moorland::ISimpleEditTimeLine::GetClipHandle), 23},
        {"ISimpleEditTimeLine::AddClipFilter", Slot(&Moorland::ISimpleEditTimeLine::AddClipFilter), 24},
        {"ISimpleEditTimeLine::SetOutputFormat", Slot(&Moorland::ISimpleEditTimeLine::SetOutputFormat), 35},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.slot, c.expected) << c.what;
}

namespace {

// The process's open-file limit lowered for a test and put back after it.
struct FileLimit
{
    rlimit saved{};
    explicit FileLimit(rlim_t soft)
    {
        getrlimit(RLIMIT_NOFILE, &saved);
        rlimit lowered = saved;
        lowered.rlim_cur = std::min<rlim_t>(soft, saved.rlim_max);
        setrlimit(RLIMIT_NOFILE, &lowered);
    }
    ~FileLimit() { setrlimit(RLIMIT_NOFILE, &saved); }
};

// The lowest free descriptor: a limit of that many leaves none free.
int LowestFreeFile()
{
    const int fd = dup(0);
    close(fd);
    return fd;
}

} // namespace

TEST(SolvaneImporter, ALibraryOfThousandsOfClipsHoldsNoOpenFiles)
{
    SOLVANE_REQUIRE_MEDIA();
    ManagerHolder manager;
    // A short sound: probing thousands of files is the point, not their size.
    const std::string clip = Media::Get().Path("short.wav");
    ASSERT_EQ(
        std::system(("ffmpeg -nostdin -v error -y -f lavfi -i sine=d=0.05 -c:a pcm_s16le '" + clip + "'").c_str()), 0);
    std::vector<IAVImporter*> importers;
    {
        FileLimit limit(1024);
        for (int i = 0; i < 5000; ++i) {
            IAVImporter* importer = manager->CreateImporter(clip.c_str());
            ASSERT_NE(importer, nullptr) << i << ": " << LastMessage();
            importers.push_back(importer);
        }
        // Each opens its file again when asked for a source.
        for (IAVImporter* importer : {importers.front(), importers.back()}) {
            Moorland::IAVSource* source = importer->CreateSource(-2, -2, -2);
            ASSERT_NE(source, nullptr) << LastMessage();
            Moorland::IRawAudioFrame* a = nullptr;
            Moorland::IRawVideoFrame* v = nullptr;
            EXPECT_TRUE(source->ReadFrames(&a, &v, nullptr, Moorland::AVReadBoth));
            source->Release();
        }
    }
    for (IAVImporter* importer : importers)
        importer->Release();
}

TEST(SolvaneImporter, RunningOutOfFilesIsReportedAsSuch)
{
    SOLVANE_REQUIRE_MEDIA();
    ManagerHolder manager;
    const std::string clip = Media::Get().Clip();
    // The same failure once with files to spare: the sanitizers' checks of a
    // type seen for the first time need a descriptor of their own.
    ASSERT_EQ(manager->CreateImporter(Media::Get().Dir().c_str()), nullptr);
    FileLimit limit(static_cast<rlim_t>(LowestFreeFile()));
    GetQuentaException()->Clear();
    IAVImporter* importer = manager->CreateImporter(clip.c_str());
    EXPECT_EQ(importer, nullptr);
    EXPECT_NE(LastMessage().find("Too many open files"), std::string::npos) << LastMessage();
    if (importer)
        importer->Release();
}

TEST(SolvaneImporter, EachProgramOfATransportStreamCountsFromItsOwnStart)
{
    SOLVANE_REQUIRE_MEDIA();
    // The second program's clock runs 600 s after the first one's.
    const std::string path = Media::Get().Path("offset.ts");
    ASSERT_EQ(std::system(("ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=160x120:rate=25:d=2 -itsoffset 600 "
                           "-f lavfi -i testsrc2=size=160x120:rate=25:d=2 -map 0:v -map 1:v -c:v mpeg2video "
                           "-program title=One:st=0 -program title=Two:st=1 -f mpegts '" +
                           path + "'")
                              .c_str()),
              0);
    ManagerHolder manager;
    ImporterHolder importer(manager->CreateImporter(path.c_str()));
    ASSERT_NE(importer.importer, nullptr) << LastMessage();
    ASSERT_EQ(importer->GetMovieCount(), 2u);
    for (uint32_t m = 0; m < 2; ++m) {
        SCOPED_TRACE(m);
        const MovieInfo* movie = importer->GetMovieInfoAt(m);
        EXPECT_NEAR(importer->GetMovieDuration(movie->id), 2000, 40);
        Moorland::IAVSource* source = importer->CreateSource(movie->id, -2, -1);
        ASSERT_NE(source, nullptr) << LastMessage();
        EXPECT_NEAR(source->GetDuration(), 2000, 40);
        Moorland::IRawAudioFrame* a = nullptr;
        Moorland::IRawVideoFrame* v = nullptr;
        ASSERT_TRUE(source->ReadFrames(&a, &v, nullptr, Moorland::AVReadVideoOnly));
        ASSERT_NE(v, nullptr);
        EXPECT_EQ(v->GetTimeStamp(), 0);
        ASSERT_TRUE(source->Seek(1000));
        ASSERT_TRUE(source->ReadFrames(&a, &v, nullptr, Moorland::AVReadVideoOnly));
        ASSERT_NE(v, nullptr);
        EXPECT_EQ(v->GetTimeStamp(), 1000);
        source->Release();
    }
}

TEST(SolvaneImporter, AStreamWithoutAStatedLengthLastsAsLongAsItsData)
{
    SOLVANE_REQUIRE_MEDIA();
    // AVI states no length for PCM sound; here the sound runs 250 ms past
    // the pictures, beyond the length FFmpeg estimates for the file.
    const std::string path = Media::Get().Path("longsound.avi");
    ASSERT_EQ(
        std::system(("ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=160x120:rate=25:duration=4 "
                     "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=4.25 -c:v mpeg4 -c:a pcm_s16le '" +
                     path + "'")
                        .c_str()),
        0);
    ManagerHolder manager;
    ImporterHolder importer(manager->CreateImporter(path.c_str()));
    ASSERT_NE(importer.importer, nullptr) << LastMessage();
    const MovieInfo* movie = importer->GetMovieInfoAt(0);
    const StreamInfo* video = FirstOfType(movie, Moorland::StreamTypeVideo);
    const StreamInfo* sound = FirstOfType(movie, Moorland::StreamTypeAudio);
    ASSERT_NE(video, nullptr);
    ASSERT_NE(sound, nullptr);
    EXPECT_NEAR(video->duration, 4.0, 0.041);
    EXPECT_NEAR(sound->duration, 4.25, 0.03);
    EXPECT_NEAR(importer->GetMovieDuration(movie->id), 4250, 30);
    Moorland::IAVSource* source = importer->CreateSource(movie->id, -1, sound->id);
    ASSERT_NE(source, nullptr) << LastMessage();
    EXPECT_NEAR(source->GetDuration(), 4250, 30);
    source->Release();
}
