#include "../SolvaneTestMedia.h"

#include "ICompressedFrame.h"
#include "IQuentaStream.h"
#include "IRawAudioFrame.h"
#include "IRawVideoFrame.h"
#include "MoorlanTypes.h"
#include "moorlan_srcutils/MultiStreamAddress.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include <sys/inotify.h>
#include <unistd.h>

using namespace SolvaneTest;
using Moorland::IAVSource;
using Moorland::IRawAudioFrame;
using Moorland::IRawVideoFrame;

namespace {

struct SourceHolder
{
    IAVSource* source;
    explicit SourceHolder(IAVSource* s) : source(s) {}
    ~SourceHolder()
    {
        if (source)
            source->Release();
    }
    IAVSource* operator->() const { return source; }
};

IAVSource* OpenSource(ManagerHolder& manager, const std::string& address, const char* importer = nullptr)
{
    return manager->CreateSourceFromAddress(address.c_str(), importer, nullptr, nullptr, nullptr, nullptr);
}

// The visible bytes of every plane.
std::vector<unsigned char> Pixels(IRawVideoFrame* frame)
{
    std::vector<unsigned char> out;
    for (unsigned p = 0; p < frame->GetBufferCount(); ++p) {
        unsigned line = 0, pitch = 0, rows = 0;
        unsigned char* data = frame->GetBuffer(p, &line, &pitch, &rows);
        for (unsigned r = 0; data && r < rows; ++r)
            out.insert(out.end(), data + r * pitch, data + r * pitch + line);
    }
    return out;
}

IRawVideoFrame* NextVideo(IAVSource* source)
{
    IRawAudioFrame* audio = nullptr;
    IRawVideoFrame* video = nullptr;
    if (!source->ReadFrames(&audio, &video, nullptr, Moorland::AVReadVideoOnly))
        return nullptr;
    return video;
}

} // namespace

TEST(SolvaneSource, DecodesEveryPictureAndAllSound)
{
    SOLVANE_REQUIRE_MEDIA();
    ManagerHolder manager;
    SourceHolder source(OpenSource(manager, Media::Get().Clip()));
    ASSERT_NE(source.source, nullptr) << LastMessage();
    EXPECT_NEAR(source->GetDuration(), 2000u, 50u);

    // Read the way the transcode loop does: both first, then whichever lags.
    int mode = Moorland::AVReadBoth;
    std::vector<int> pictures;
    int64_t lastAudio = -1, samples = 0;
    int lastVideoMs = 0;
    for (int guard = 0; guard < 10000; ++guard) {
        IRawAudioFrame* audio = nullptr;
        IRawVideoFrame* video = nullptr;
        if (!source->ReadFrames(&audio, &video, nullptr, mode))
            break;
        if (video) {
            pictures.push_back(video->GetTimeStamp());
            lastVideoMs = video->GetTimeStamp();
            EXPECT_EQ(video->GetPixelFormat(), static_cast<unsigned>(Moorland::PIXEL_FORMAT_YUV420P));
            unsigned w = 0, h = 0;
            video->GetDimension(&w, &h);
            EXPECT_EQ(w, 320u);
            EXPECT_EQ(h, 240u);
            EXPECT_NEAR(video->GetDAR(), 320.0 * 8 / 9 / 240.0, 1e-9);
        }
        if (audio) {
            EXPECT_GT(audio->GetTimeStamp(), lastAudio);
            lastAudio = audio->GetTimeStamp();
            samples += audio->GetSampleCount();
            EXPECT_EQ(audio->GetSampleRate(), 44100);
            EXPECT_EQ(audio->GetChannels(), 1);
        }
        mode = lastVideoMs > lastAudio / 10000 ? Moorland::AVReadAudioOnly : Moorland::AVReadVideoOnly;
        if (source->IsEndOfStream())
            break;
    }
    ASSERT_EQ(pictures.size(), 50u);
    for (size_t i = 0; i < pictures.size(); ++i)
        EXPECT_EQ(pictures[i], static_cast<int>(i * 40)) << "picture " << i;
    EXPECT_NEAR(samples, 88200, 2048);
    EXPECT_TRUE(source->IsEndOfStream());
}

TEST(SolvaneSource, SeekLandsOnTheExactPicture)
{
    SOLVANE_REQUIRE_MEDIA();
    ManagerHolder manager;
    for (const std::string& path : {Media::Get().Clip(), Media::Get().TwoPrograms()}) {
        SCOPED_TRACE(path);
        // The pictures as a straight decode gives them.
        std::vector<std::vector<unsigned char>> reference;
        std::vector<int> times;
        {
            SourceHolder straight(OpenSource(manager, path));
            ASSERT_NE(straight.source, nullptr) << LastMessage();
            while (IRawVideoFrame* f = NextVideo(straight.source)) {
                reference.push_back(Pixels(f));
                times.push_back(f->GetTimeStamp());
            }
        }
        ASSERT_GE(times.size(), 25u);

        SourceHolder source(OpenSource(manager, path));
        ASSERT_NE(source.source, nullptr);
        struct Case
        {
            uint32_t ms;
            size_t index;
        };
        const Case cases[] = {{static_cast<uint32_t>(1000 * (times.size() / 25) / 2), times.size() / 2},
                              {40 * 7 + 15, 7}, // between two pictures: the one shown
                              {0, 0},
                              {40 * 13, 13}, // a picture right after a key frame
                              {40 * static_cast<uint32_t>(times.size() - 1), times.size() - 1}};
        for (const Case& c : cases) {
            ASSERT_TRUE(source->Seek(c.ms)) << LastMessage();
            IRawVideoFrame* f = NextVideo(source.source);
            ASSERT_NE(f, nullptr) << "seek to " << c.ms;
            EXPECT_EQ(f->GetTimeStamp(), times[c.index]) << "seek to " << c.ms;
            EXPECT_TRUE(Pixels(f) == reference[c.index]) << "seek to " << c.ms;
            if (c.index + 1 < times.size()) {
                IRawVideoFrame* next = NextVideo(source.source);
                ASSERT_NE(next, nullptr);
                EXPECT_EQ(next->GetTimeStamp(), times[c.index + 1]);
            }
        }
    }
}

TEST(SolvaneSource, FramesOutliveReadsOnlyAsClones)
{
    SOLVANE_REQUIRE_MEDIA();
    ManagerHolder manager;
    SourceHolder source(OpenSource(manager, Media::Get().Clip() + "?astreamid=-1"));
    ASSERT_NE(source.source, nullptr) << LastMessage();
    IRawVideoFrame* first = NextVideo(source.source);
    ASSERT_NE(first, nullptr);
    std::vector<unsigned char> pixels = Pixels(first);
    IRawVideoFrame* clone = first->Clone();
    first->Free(); // the source's frame: nothing happens
    for (int i = 0; i < 5; ++i)
        ASSERT_NE(NextVideo(source.source), nullptr);
    EXPECT_EQ(clone->GetTimeStamp(), 0);
    EXPECT_TRUE(Pixels(clone) == pixels);
    EXPECT_TRUE(clone->CanBeModified());
    clone->Free();

    // Asking for sound the source does not carry gives its next picture.
    IRawAudioFrame* audio = nullptr;
    IRawVideoFrame* video = nullptr;
    EXPECT_TRUE(source->ReadFrames(&audio, &video, nullptr, Moorland::AVReadAudioOnly));
    EXPECT_EQ(audio, nullptr);
    ASSERT_NE(video, nullptr);
    EXPECT_EQ(video->GetTimeStamp(), 240);
}

// The worker moves each block of sound into its frame queue: the taken block
// keeps its samples while the source reads on, and taking never loses or
// repeats sound.
TEST(SolvaneSource, TakenSoundKeepsItsSamplesWhileTheSourceReadsOn)
{
    SOLVANE_REQUIRE_MEDIA();
    ManagerHolder manager;
    SourceHolder source(OpenSource(manager, Media::Get().Clip() + "?vstreamid=-1"));
    ASSERT_NE(source.source, nullptr) << LastMessage();
    auto bytesOf = [](IRawAudioFrame* frame) {
        std::vector<unsigned char> out;
        for (unsigned b = 0; b < frame->GetBufferCount(); ++b) {
            unsigned size = 0;
            const unsigned char* data = frame->GetBuffer(b, &size);
            if (data)
                out.insert(out.end(), data, data + size);
        }
        return out;
    };
    struct Taken
    {
        IRawAudioFrame* frame;
        std::vector<unsigned char> bytes;
        int64_t timeStamp;
    };
    std::vector<Taken> taken;
    int64_t samples = 0;
    for (int guard = 0; guard < 10000; ++guard) {
        IRawAudioFrame* audio = nullptr;
        IRawVideoFrame* video = nullptr;
        if (!source->ReadFrames(&audio, &video, nullptr, Moorland::AVReadAudioOnly))
            break;
        ASSERT_NE(audio, nullptr);
        const std::vector<unsigned char> bytes = bytesOf(audio);
        const int64_t timeStamp = audio->GetTimeStamp();
        IRawAudioFrame* mine = audio->Take();
        ASSERT_NE(mine, nullptr);
        EXPECT_EQ(mine->GetSampleRate(), 44100);
        samples += mine->GetSampleCount();
        taken.push_back({mine, bytes, timeStamp});
        if (source->IsEndOfStream())
            break;
    }
    EXPECT_NEAR(samples, 88200, 2048);
    ASSERT_GT(taken.size(), 2u);
    for (size_t i = 0; i < taken.size(); ++i) {
        EXPECT_EQ(taken[i].frame->GetTimeStamp(), taken[i].timeStamp) << i;
        EXPECT_TRUE(bytesOf(taken[i].frame) == taken[i].bytes) << "block " << i << " changed after it was taken";
        taken[i].frame->Free();
    }
}

TEST(SolvaneSource, SharedPicturesKeepTheirPixelsAndCopyThemBeforeAWrite)
{
    SOLVANE_REQUIRE_MEDIA();
    ManagerHolder manager;
    SourceHolder source(OpenSource(manager, Media::Get().Clip() + "?astreamid=-1"));
    ASSERT_NE(source.source, nullptr) << LastMessage();
    IRawVideoFrame* first = NextVideo(source.source);
    ASSERT_NE(first, nullptr);
    auto* shareable = static_cast<Moorland::ISharedRawVideoFrame*>(first->GetInterface(RAWVIDEO_INTERFACE_SHARED));
    ASSERT_NE(shareable, nullptr);
    const std::vector<unsigned char> pixels = Pixels(first);
    IRawVideoFrame* kept = shareable->Share();
    IRawVideoFrame* written = Moorland::ShareOrClone(first);
    EXPECT_EQ(kept->GetBuffer(0, nullptr, nullptr, nullptr), first->GetBuffer(0, nullptr, nullptr, nullptr))
        << "no copy of the pixels";
    EXPECT_FALSE(kept->CanBeModified());
    EXPECT_FALSE(first->CanBeModified());

    // A share that is to be written gets pixels of its own first.
    written->SetCanBeModified(true);
    ASSERT_TRUE(written->CanBeModified());
    EXPECT_NE(written->GetBuffer(0, nullptr, nullptr, nullptr), first->GetBuffer(0, nullptr, nullptr, nullptr));
    unsigned line = 0, pitch = 0, rows = 0;
    unsigned char* luma = written->GetBuffer(0, &line, &pitch, &rows);
    for (unsigned r = 0; r < rows; ++r)
        std::fill(luma + r * pitch, luma + r * pitch + line, 0);

    // The share outlives the source's next reads and the source itself.
    for (int i = 0; i < 5; ++i)
        ASSERT_NE(NextVideo(source.source), nullptr);
    source.source->Release();
    source.source = nullptr;
    EXPECT_EQ(kept->GetTimeStamp(), 0);
    EXPECT_TRUE(Pixels(kept) == pixels) << "neither the decoder nor the written share changed it";
    kept->Free();
    written->Free();
}

TEST(SolvaneSource, ASourceMadeFromAnAddressReadsWhatItsProbeOpened)
{
    SOLVANE_REQUIRE_MEDIA();
    ManagerHolder manager;
    const std::string path = Media::Get().Clip();
    const int watch = inotify_init1(IN_NONBLOCK);
    ASSERT_GE(watch, 0);
    // Closes are watched too: two opens in a row would reach us as one.
    ASSERT_GE(inotify_add_watch(watch, path.c_str(), IN_OPEN | IN_CLOSE), 0);
    auto opens = [watch] {
        int n = 0;
        alignas(inotify_event) char buffer[4096];
        for (ssize_t got; (got = read(watch, buffer, sizeof buffer)) > 0;) {
            for (char* p = buffer; p < buffer + got;) {
                const auto* e = reinterpret_cast<const inotify_event*>(p);
                n += (e->mask & IN_OPEN) ? 1 : 0;
                p += sizeof(inotify_event) + e->len;
            }
        }
        return n;
    };
    {
        SourceHolder source(OpenSource(manager, path + "?astreamid=-1"));
        ASSERT_NE(source.source, nullptr) << LastMessage();
        EXPECT_EQ(opens(), 1) << "the file is opened and probed once";
        int pictures = 0;
        while (NextVideo(source.source))
            ++pictures;
        EXPECT_EQ(pictures, 50);
        EXPECT_TRUE(source->IsEndOfStream());
    }
    // An importer kept for later sources probes and closes; each source opens its own.
    std::unique_ptr<Moorland::IAVImporter, void (*)(Moorland::IAVImporter*)> importer(
        manager->CreateImporter(path.c_str()), [](Moorland::IAVImporter* i) { i->Release(); });
    ASSERT_TRUE(importer) << LastMessage();
    opens();
    for (int i = 0; i < 2; ++i) {
        SourceHolder source(importer->CreateSource(-2, -2, -2));
        ASSERT_NE(source.source, nullptr) << LastMessage();
        ASSERT_NE(NextVideo(source.source), nullptr);
    }
    EXPECT_EQ(opens(), 2);
    close(watch);
}

TEST(SolvaneSource, StillPictureAsVideo)
{
    SOLVANE_REQUIRE_MEDIA();
    ManagerHolder manager;
    SourceHolder source(OpenSource(manager, Media::Get().Picture() + "?duration=1000", "ImageImporter"));
    ASSERT_NE(source.source, nullptr) << LastMessage();
    EXPECT_EQ(source->GetDuration(), 1000u);
    int count = 0;
    std::vector<unsigned char> first;
    while (IRawVideoFrame* f = NextVideo(source.source)) {
        EXPECT_EQ(f->GetTimeStamp(), count * 40);
        if (count == 0)
            first = Pixels(f);
        else
            EXPECT_TRUE(Pixels(f) == first);
        ++count;
    }
    EXPECT_EQ(count, 25);
    EXPECT_TRUE(source->IsEndOfStream());
    ASSERT_TRUE(source->Seek(520));
    IRawVideoFrame* f = NextVideo(source.source);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->GetTimeStamp(), 520);
}

TEST(SolvaneSource, PacketSourceStartsOnAKeyFrame)
{
    SOLVANE_REQUIRE_MEDIA();
    ManagerHolder manager;
    Moorland::IAVImporter* importer = manager->CreateImporterByName("FFImporter");
    ASSERT_NE(importer, nullptr);
    ASSERT_TRUE(importer->Open(Media::Get().Clip().c_str())) << LastMessage();
    const int ids[2] = {0, 1};
    Moorland::IAVCompressedSource* packets = importer->CreatePacketSource(0, 2, ids);
    ASSERT_NE(packets, nullptr) << LastMessage();
    EXPECT_NEAR(packets->GetDuration(), 2000u, 50u);
    int size = 0;
    EXPECT_NE(packets->GetStreamHeader(0, &size), nullptr);
    EXPECT_GT(size, 0);
    Moorland::AudioFormatInfo format{};
    EXPECT_TRUE(packets->GetAudioFormat(1, &format));
    EXPECT_EQ(format.sampleRate, 44100);
    EXPECT_EQ(format.channels, 1);
    EXPECT_FALSE(packets->GetAudioFormat(0, &format));

    for (uint32_t start : {0u, 1100u}) {
        SCOPED_TRACE(start);
        ASSERT_TRUE(packets->Seek(start)) << LastMessage();
        int video = 0, audio = 0, id = -1;
        int64_t lastDts = INT64_MIN;
        bool firstVideo = true;
        while (Moorland::ICompressedFrame* p = packets->ReadPacket(&id, nullptr)) {
            ASSERT_TRUE(id == 0 || id == 1);
            if (id == 0) {
                if (firstVideo) {
                    EXPECT_TRUE(p->IsKeyFrame());
                    EXPECT_LE(p->GetDecompressTimeStamp(), int64_t(start) * 10000);
                    firstVideo = false;
                }
                EXPECT_GT(p->GetDecompressTimeStamp(), lastDts);
                lastDts = p->GetDecompressTimeStamp();
                ++video;
            } else {
                ++audio;
            }
            EXPECT_GT(p->GetSize(), 0u);
        }
        if (start == 0)
            EXPECT_EQ(video, 50);
        else
            EXPECT_LT(video, 50);
        EXPECT_GT(audio, 0);
    }
    packets->Release();
    importer->Release();
}

TEST(SolvaneSource, FileBytesForStreamCopy)
{
    SOLVANE_REQUIRE_MEDIA();
    ManagerHolder manager;
    SourceHolder source(OpenSource(manager, Media::Get().Clip()));
    ASSERT_NE(source.source, nullptr) << LastMessage();
    auto* bytes = static_cast<IQuentaStream*>(source->GetInterface("IQuentaStream"));
    ASSERT_NE(bytes, nullptr) << LastMessage();
    EXPECT_EQ(bytes, source->GetInterface("IQuentaStream"));

    std::ifstream in(Media::Get().Clip(), std::ios::binary);
    const std::vector<char> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_FALSE(bytes->IsStream());
    EXPECT_EQ(bytes->GetSize(), static_cast<long long>(file.size()));
    EXPECT_EQ(bytes->Seek(0, soFromBeginning), 0);
    std::vector<char> copy;
    std::vector<char> block(65536);
    while (!bytes->Eof()) {
        unsigned n = bytes->Read(block.data(), static_cast<unsigned>(block.size()));
        ASSERT_NE(n, static_cast<unsigned>(-1));
        if (n == 0)
            break;
        copy.insert(copy.end(), block.begin(), block.begin() + n);
    }
    EXPECT_TRUE(copy == file);
    GetQuentaException()->Clear();
    EXPECT_EQ(bytes->Write("x", 1), static_cast<unsigned>(-1));
    EXPECT_EQ(LastCode(), 10021013);
}

TEST(SolvaneSource, MultiStreamSourceMixesPacketsAndDecodedFrames)
{
    SOLVANE_REQUIRE_MEDIA();
    ManagerHolder manager;
    Moorland::IAVImporter* importer = manager->CreateImporterByName("FFImporter");
    ASSERT_NE(importer, nullptr);
    ASSERT_TRUE(importer->Open(Media::Get().Clip().c_str())) << LastMessage();
    // The picture decoded again, the sound copied as packets.
    Moorland::SMItemInfo items[2];
    items[0].nStreamID = 0;
    items[0].eStreamType = Moorland::StreamTypeVideo;
    items[0].bCompress = false;
    items[1].nStreamID = 1;
    items[1].eStreamType = Moorland::StreamTypeAudio;
    items[1].bCompress = true;
    Moorland::IAVSource2* source = importer->CreateMultiSource(0, items, 2);
    ASSERT_NE(source, nullptr) << LastMessage();
    EXPECT_NEAR(source->GetDuration(), 2000u, 50u);
    int size = 0;
    EXPECT_NE(source->GetStreamHeader(1, &size), nullptr);
    EXPECT_GT(size, 0);
    Moorland::AudioFormatInfo format{};
    EXPECT_TRUE(source->GetAudioFormat(1, &format));
    EXPECT_EQ(format.sampleRate, 44100);

    for (uint32_t start : {0u, 1000u}) {
        SCOPED_TRACE(start);
        if (start) {
            ASSERT_TRUE(source->Seek(start)) << LastMessage();
        }
        std::vector<int> pictures;
        int packets = 0;
        Moorland::FrameInfo info{};
        for (;;) {
            info = Moorland::FrameInfo{nullptr, -1, -1, false, -1, 0};
            if (!source->ReadFrame(&info, 0, -1))
                break;
            ASSERT_NE(info.frame, nullptr);
            if (info.streamIndex == 0) {
                EXPECT_FALSE(info.compressed);
                EXPECT_EQ(info.type, Moorland::StreamTypeVideo);
                pictures.push_back(static_cast<IRawVideoFrame*>(info.frame)->GetTimeStamp());
            } else {
                EXPECT_EQ(info.streamIndex, 1);
                EXPECT_TRUE(info.compressed);
                EXPECT_EQ(info.type, Moorland::StreamTypeAudio);
                EXPECT_GT(static_cast<Moorland::ICompressedFrame*>(info.frame)->GetSize(), 0u);
                ++packets;
            }
        }
        ASSERT_EQ(pictures.size(), (2000u - start) / 40);
        for (size_t i = 0; i < pictures.size(); ++i)
            EXPECT_EQ(pictures[i], static_cast<int>(start + 40 * i));
        EXPECT_GT(packets, 0);
    }
    source->Release();

    Moorland::SMItemInfo bad;
    bad.nStreamID = 7;
    bad.eStreamType = Moorland::StreamTypeVideo;
    GetQuentaException()->Clear();
    EXPECT_EQ(importer->CreateMultiSource(0, &bad, 1), nullptr);
    EXPECT_EQ(LastMessage(), "Bad stream id");
    importer->Release();
}

TEST(SolvaneSource, SubtitleOnlyReadOfAMultiStreamSource)
{
    SOLVANE_REQUIRE_MEDIA();
    for (const char* subtitlesOnly : {"FALSE", "TRUE"}) {
        SCOPED_TRACE(subtitlesOnly);
        ManagerHolder manager;
        manager->SetOption("ReadSubtitleOnly", subtitlesOnly);
        Moorland::IAVImporter* importer = manager->CreateImporterByName("FFImporter");
        ASSERT_TRUE(importer->Open(Media::Get().Subtitled().c_str())) << LastMessage();
        Moorland::SMItemInfo items[2];
        items[0].nStreamID = 0;
        items[0].eStreamType = Moorland::StreamTypeVideo;
        items[1].nStreamID = 1;
        items[1].eStreamType = Moorland::StreamTypeSubtitle;
        items[1].bCompress = true;
        Moorland::IAVSource2* source = importer->CreateMultiSource(0, items, 2);
        ASSERT_NE(source, nullptr) << LastMessage();
        int pictures = 0;
        std::vector<int64_t> lines;
        Moorland::FrameInfo info{};
        while (source->ReadFrame(&info, 0, -1)) {
            if (info.type == Moorland::StreamTypeVideo)
                ++pictures;
            if (info.type == Moorland::StreamTypeSubtitle) {
                EXPECT_EQ(info.streamIndex, 1);
                EXPECT_TRUE(info.compressed);
                lines.push_back(static_cast<Moorland::ICompressedFrame*>(info.frame)->GetPresentTimeStamp());
            }
        }
        EXPECT_EQ(pictures, std::string(subtitlesOnly) == "TRUE" ? 0 : 25);
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[0], 1000000);
        EXPECT_EQ(lines[1], 5000000);
        source->Release();
        importer->Release();
    }
}

TEST(SolvaneSource, FramesChangedInPlaceLeaveTheDecodingIntact)
{
    SOLVANE_REQUIRE_MEDIA();
    ManagerHolder manager;
    const std::string address = Media::Get().Clip() + "?astreamid=-1";
    std::vector<std::vector<unsigned char>> reference;
    {
        SourceHolder straight(OpenSource(manager, address));
        ASSERT_NE(straight.source, nullptr) << LastMessage();
        while (IRawVideoFrame* f = NextVideo(straight.source)) {
            EXPECT_FALSE(f->CanBeModified());
            reference.push_back(Pixels(f));
        }
    }
    SourceHolder source(OpenSource(manager, address));
    ASSERT_NE(source.source, nullptr);
    auto* setter = static_cast<Moorland::IAVSourceSetProperty*>(source->GetInterface("IAVSourceSetProperty"));
    ASSERT_NE(setter, nullptr);
    EXPECT_TRUE(setter->SetProperty(0, 1));
    EXPECT_EQ(setter->GetProperty(0), 1);
    size_t i = 0;
    while (IRawVideoFrame* f = NextVideo(source.source)) {
        ASSERT_LT(i, reference.size());
        EXPECT_TRUE(Pixels(f) == reference[i]) << "picture " << i;
        ASSERT_TRUE(f->CanBeModified());
        // An effect painting over the picture, as the players' chains do.
        unsigned line = 0, pitch = 0, rows = 0;
        unsigned char* luma = f->GetBuffer(0, &line, &pitch, &rows);
        for (unsigned r = 0; r < rows; ++r)
            memset(luma + r * pitch, 0, line);
        ++i;
    }
    EXPECT_EQ(i, reference.size());
}

// Pictures of a layout the frames have no number for (4:4:4 at 10 bits)
// come as the nearest listed layout, or as planar 4:2:0 for a reader that
// works in it, converted once; either way the same picture.
TEST(SolvaneSource, UnlistedLayoutsComeAsTheNearestOrAsFourTwoZeroWhenAsked)
{
    SOLVANE_REQUIRE_MEDIA();
    const std::string clip = Media::Get().Path("deep444.mp4");
    ASSERT_TRUE(MediaTest::Run("cd '" + Media::Get().Dir() + "' && ffmpeg -nostdin -v error -y -f lavfi " +
                               "-i testsrc2=size=96x64:rate=25:d=0.2 -c:v libx264 -pix_fmt yuv444p10le deep444.mp4"));
    ManagerHolder manager;
    struct Case
    {
        const char* name;
        int asked;
        Moorland::PixelFormat layout;
    };
    const Case cases[] = {
        {"nearest listed", 0, Moorland::PIXEL_FORMAT_YUV444P},
        {"asked for 4:2:0", 1, Moorland::PIXEL_FORMAT_YUV420P},
    };
    double lumaMean[2] = {0, 0};
    for (const Case& c : cases) {
        SourceHolder source(OpenSource(manager, clip + "?astreamid=-1"));
        ASSERT_NE(source.source, nullptr) << LastMessage();
        auto* setter = static_cast<Moorland::IAVSourceSetProperty*>(source->GetInterface("IAVSourceSetProperty"));
        ASSERT_NE(setter, nullptr);
        EXPECT_TRUE(setter->SetProperty(3, c.asked));
        EXPECT_EQ(setter->GetProperty(3), c.asked) << c.name;
        IRawVideoFrame* f = NextVideo(source.source);
        ASSERT_NE(f, nullptr) << c.name << ": " << LastMessage();
        EXPECT_EQ(f->GetPixelFormat(), c.layout) << c.name;
        unsigned w = 0, h = 0;
        f->GetDimension(&w, &h);
        EXPECT_EQ(w, 96u);
        EXPECT_EQ(h, 64u);
        unsigned line = 0, pitch = 0, rows = 0;
        const unsigned char* luma = f->GetBuffer(0, &line, &pitch, &rows);
        ASSERT_NE(luma, nullptr);
        double sum = 0;
        for (unsigned r = 0; r < rows; ++r)
            for (unsigned x = 0; x < line; ++x)
                sum += luma[r * pitch + x];
        lumaMean[c.asked] = sum / (static_cast<double>(rows) * line);
    }
    EXPECT_GT(lumaMean[0], 20.0);
    EXPECT_NEAR(lumaMean[0], lumaMean[1], 1.0) << "the same picture in either layout";
}

// Converted and turned pictures are made anew for each read; those a reader
// keeps (as the player keeps its queue, by share) keep their pixels while
// later ones are made, and are the pictures a reader copying each one at
// once gets.
TEST(SolvaneSource, KeptConvertedAndTurnedPicturesKeepTheirPixels)
{
    SOLVANE_REQUIRE_MEDIA();
    const std::string dir = Media::Get().Dir();
    ASSERT_TRUE(
        MediaTest::Run("cd '" + dir + "' && ffmpeg -nostdin -v error -y -f lavfi " +
                       "-i testsrc2=size=96x64:rate=25:d=0.4 -c:v libx264 -pix_fmt yuv444p10le kept-deep.mp4 && " +
                       "cp kept-deep.mp4 kept-deep-turned.mp4 && ffmpeg -nostdin -v error -y -f lavfi " +
                       "-i testsrc2=size=96x64:rate=25:d=0.4 -c:v libx264 -pix_fmt yuv420p kept-turned.mp4"));
    ASSERT_TRUE(MediaTest::TurnMp4(dir + "/kept-deep-turned.mp4", 90));
    ASSERT_TRUE(MediaTest::TurnMp4(dir + "/kept-turned.mp4", 270));
    ManagerHolder manager;
    struct Case
    {
        const char* file;
        int asked420;
    };
    const Case cases[] = {
        {"kept-deep.mp4", 0},        // converted to the nearest listed layout
        {"kept-deep.mp4", 1},        // converted to 4:2:0
        {"kept-deep-turned.mp4", 1}, // converted, then turned
        {"kept-turned.mp4", 0},      // turned
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + (c.asked420 ? ", asked for 4:2:0" : ""));
        const auto open = [&](SourceHolder& holder) {
            holder.source = OpenSource(manager, dir + "/" + c.file + "?astreamid=-1");
            ASSERT_NE(holder.source, nullptr) << LastMessage();
            auto* setter = static_cast<Moorland::IAVSourceSetProperty*>(holder->GetInterface("IAVSourceSetProperty"));
            ASSERT_NE(setter, nullptr);
            ASSERT_TRUE(setter->SetProperty(3, c.asked420));
        };
        std::vector<std::vector<unsigned char>> copied;
        {
            SourceHolder source(nullptr);
            open(source);
            while (IRawVideoFrame* f = NextVideo(source.source))
                copied.push_back(Pixels(f));
        }
        ASSERT_EQ(copied.size(), 10u);
        SourceHolder source(nullptr);
        open(source);
        std::vector<IRawVideoFrame*> kept;
        while (IRawVideoFrame* f = NextVideo(source.source))
            kept.push_back(Moorland::ShareOrClone(f));
        ASSERT_EQ(kept.size(), copied.size());
        for (size_t i = 0; i < kept.size(); ++i) {
            ASSERT_NE(kept[i], nullptr);
            unsigned w = 0, h = 0;
            kept[i]->GetDimension(&w, &h);
            EXPECT_EQ(std::string(c.file).find("turned") != std::string::npos ? 64u : 96u, w);
            EXPECT_TRUE(Pixels(kept[i]) == copied[i]) << "picture " << i;
            if (i > 0) {
                EXPECT_FALSE(copied[i] == copied[i - 1]) << "pictures " << i - 1 << " and " << i << " are alike";
            }
        }
        for (IRawVideoFrame* f : kept)
            f->Free();
    }
}

TEST(SolvaneSource, SoundOnlySourceReadsAndSeeks)
{
    SOLVANE_REQUIRE_MEDIA();
    ManagerHolder manager;
    SourceHolder source(OpenSource(manager, Media::Get().Tone()));
    ASSERT_NE(source.source, nullptr) << LastMessage();
    EXPECT_EQ(source->GetVideoStreamID(), -1);
    EXPECT_EQ(source->GetDuration(), 1000u);
    int64_t samples = 0, expected = 0;
    for (;;) {
        IRawAudioFrame* audio = nullptr;
        IRawVideoFrame* video = nullptr;
        if (!source->ReadFrames(&audio, &video, nullptr, Moorland::AVReadVideoOnly))
            break;
        EXPECT_EQ(video, nullptr);
        ASSERT_NE(audio, nullptr);
        EXPECT_NEAR(audio->GetTimeStamp(), expected * 10000000 / 44100, 1);
        EXPECT_EQ(audio->GetSampleFormat(), Moorland::QUENTA_SAMPLE_S16);
        unsigned size = 0;
        EXPECT_NE(audio->GetBuffer(0, &size), nullptr);
        EXPECT_EQ(size, audio->GetSampleCount() * 2);
        samples += audio->GetSampleCount();
        expected += audio->GetSampleCount();
    }
    EXPECT_EQ(samples, 44100);
    EXPECT_TRUE(source->IsEndOfStream());

    ASSERT_TRUE(source->Seek(500));
    IRawAudioFrame* audio = nullptr;
    IRawVideoFrame* video = nullptr;
    ASSERT_TRUE(source->ReadFrames(&audio, &video, nullptr, Moorland::AVReadAudioOnly));
    ASSERT_NE(audio, nullptr);
    // The block that plays at 500 ms comes first.
    EXPECT_LE(audio->GetTimeStamp(), 5000000);
    EXPECT_GT(audio->GetTimeStamp() + audio->GetDuration(), 5000000);
}

TEST(SolvaneSource, EveryDecoderChoiceDecodes)
{
    SOLVANE_REQUIRE_MEDIA();
    std::vector<unsigned char> first;
    // Hardware decoders this machine lacks give way to the built-in one.
    for (const char* choice : {"NO_SELECTED_DECODER", "X264_DECODER", "INTEL_DECODER", "CUDA_DECODER"}) {
        SCOPED_TRACE(choice);
        ManagerHolder manager;
        manager->SetOption("SELECTED_DECODER", choice);
        SourceHolder source(OpenSource(manager, Media::Get().Clip() + "?astreamid=-1"));
        ASSERT_NE(source.source, nullptr) << LastMessage();
        ASSERT_TRUE(source->Seek(480));
        IRawVideoFrame* f = NextVideo(source.source);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->GetTimeStamp(), 480);
        if (first.empty())
            first = Pixels(f);
        else
            EXPECT_TRUE(Pixels(f) == first);
    }
}
