#include "ProjectData/cmovieinfoserializer.h"

#include "Basilvo/Basilvo.h"
#include "CBaseException.h"

#include <QBuffer>
#include <QByteArray>
#include <QDataStream>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>

using namespace Fablecut;
using Moorland::MovieInfo;
using Moorland::MovieMetaData;
using Moorland::StreamInfo;

namespace {

QByteArray Hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

template <typename T> QByteArray Write(const T& value)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(12);
    out << value;
    return bytes;
}

template <typename T> T Read(const QByteArray& bytes, QDataStream::Status* status = nullptr)
{
    QDataStream in(bytes);
    in.setVersion(12);
    T value;
    in >> value;
    if (status)
        *status = in.status();
    return value;
}

// A stream record built on the heap the way the media manager fills one.
struct StreamFixture
{
    StreamInfo info{};
    StreamFixture(int type, int id, const char* name, double duration)
    {
        info.type = type;
        info.id = id;
        info.name = name ? strdup(name) : nullptr;
        info.codecName = strdup("h264");
        memcpy(info.fourCC, "avc1", 4);
        info.width = 1920;
        info.height = 1080;
        info.frameRate = Moorland::PackFrameRate(30000, 1001);
        info.aspect = (1u << 16) | 1u;
        info.sampleRate = 48000;
        info.channels = 2;
        info.extraValue = 0x0102030405060708LL;
        info.bitRate = 8000000;
        info.duration = duration;
    }
    ~StreamFixture()
    {
        free(info.name);
        free(info.codecName);
        free(info.extraText);
    }
};

struct MovieDeleter
{
    void operator()(MovieInfo* m) const { FreeMovieInfo(m); }
};
using MoviePtr = std::unique_ptr<MovieInfo, MovieDeleter>;

MoviePtr MakeMovie(const char* name, int id, std::initializer_list<std::pair<int, int>> typeAndId)
{
    CMovieInfoSerializer builder;
    MovieInfo* m = static_cast<MovieInfo*>(calloc(1, sizeof(MovieInfo)));
    m->name = name ? strdup(name) : nullptr;
    m->id = id;
    m->streamCount = static_cast<uint32_t>(typeAndId.size());
    m->streams = static_cast<StreamInfo*>(calloc(typeAndId.size(), sizeof(StreamInfo)));
    int i = 0;
    for (auto [type, sid] : typeAndId) {
        m->streams[i].type = type;
        m->streams[i].id = sid;
        m->streams[i].duration = 10.0;
        ++i;
    }
    return MoviePtr(m);
}

} // namespace

TEST(MovieInfoSerializer, ByteFormOfRecords)
{
    // A default stream record: four null texts and 56 bytes of zeros.
    QByteArray def = Write(CStreamInfoSerializer());
    ASSERT_EQ(def.size(), 72);
    for (int t = 0; t < 4; ++t) {
        const int at = t == 0 ? 0 : (t == 1 ? 12 : (t == 2 ? 16 : 20));
        EXPECT_EQ(def.mid(at, 4), Hex("FFFFFFFF")) << "text " << t;
    }
    EXPECT_EQ(def.mid(4, 8), QByteArray(8, '\0'));
    EXPECT_EQ(def.mid(24), QByteArray(48, '\0'));

    StreamFixture f(1, 7, "v", 1.5);
    CStreamInfoSerializer s;
    s.SetStreamInfo(&f.info);
    QByteArray bytes = Write(s);
    // name "v" (6), type, id, codec "h264" (12), FourCC (12), null extra text (4), width, height
    EXPECT_EQ(bytes.mid(26, 12), Hex("00 00 00 08 00 61 00 76 00 63 00 31"));
    EXPECT_EQ(bytes.mid(50, 8), Hex("00 00 75 30 00 00 03 E9"));
    EXPECT_EQ(bytes.right(8), Hex("3F F8 00 00 00 00 00 00"));

    MovieInfo movie{};
    movie.name = const_cast<char*>("A");
    movie.id = 1;
    CMovieInfoSerializer m;
    m.SetMovieInfo(&movie);
    EXPECT_EQ(Write(m), Hex("00000002 0041 00000001 00000000 00000000 FFFFFFFF"));
}

TEST(MovieInfoSerializer, RoundTripThroughRecordsAndStream)
{
    StreamFixture v(1, 0, "video", 10.0), a(2, 1, nullptr, 12.5);
    a.info.codecName[0] = '\0'; // an empty codec name comes back absent
    MovieMetaData pairs[2] = {{strdup("title"), strdup("Clip")}, {strdup("empty"), nullptr}};
    StreamInfo streams[2] = {v.info, a.info};
    MovieInfo movie{const_cast<char*>("movie"), 3, 2, streams, 2, pairs, const_cast<char*>("mov,mp4")};

    CMovieInfoSerializer saved;
    saved.SetMovieInfo(&movie);
    CMovieInfoSerializer back = Read<CMovieInfoSerializer>(Write(saved));
    MoviePtr rebuilt(back.GetMovieInfo());

    ASSERT_EQ(rebuilt->streamCount, 2u);
    ASSERT_EQ(rebuilt->metaDataCount, 2u);
    EXPECT_STREQ(rebuilt->name, "movie");
    EXPECT_STREQ(rebuilt->format, "mov,mp4");
    EXPECT_EQ(rebuilt->id, 3);
    EXPECT_EQ(Moorland::FrameRateNum(rebuilt->streams[0].frameRate), 30000u);
    EXPECT_EQ(Moorland::FrameRateDen(rebuilt->streams[0].frameRate), 1001u);
    EXPECT_EQ(rebuilt->streams[0].extraValue, 0x0102030405060708LL);
    EXPECT_EQ(memcmp(rebuilt->streams[0].fourCC, "avc1", 4), 0);
    EXPECT_EQ(rebuilt->streams[1].name, nullptr);
    EXPECT_EQ(rebuilt->streams[1].codecName, nullptr);
    EXPECT_DOUBLE_EQ(rebuilt->streams[1].duration, 12.5);
    EXPECT_STREQ(rebuilt->metaData[0].name, "title");
    EXPECT_STREQ(rebuilt->metaData[0].value, "Clip");
    EXPECT_EQ(rebuilt->metaData[1].value, nullptr);
    EXPECT_TRUE(saved == *rebuilt);

    MovieInfo copy{};
    CopyMovieInfo(copy, *rebuilt);
    MoviePtr copied(static_cast<MovieInfo*>(malloc(sizeof(MovieInfo))));
    *copied = copy;
    EXPECT_TRUE(saved == *copied);

    // An empty name is present and empty; no streams gives absent arrays.
    MoviePtr empty(CMovieInfoSerializer().GetMovieInfo());
    ASSERT_NE(empty->name, nullptr);
    EXPECT_STREQ(empty->name, "");
    EXPECT_EQ(empty->streams, nullptr);
    EXPECT_EQ(empty->metaData, nullptr);

    for (auto& p : pairs) {
        free(p.name);
        free(p.value);
    }
}

TEST(MovieInfoSerializer, FourCCWithZeroAndShortTexts)
{
    StreamFixture f(1, 0, "v", 1.0);
    memcpy(f.info.fourCC, "avc\0", 4);
    CStreamInfoSerializer s;
    s.SetStreamInfo(&f.info);
    std::unique_ptr<StreamInfo, void (*)(StreamInfo*)> back(s.GetStreamInfo(), FreeStreamInfo);
    EXPECT_EQ(memcmp(back->fourCC, "avc\0", 4), 0);

    // A damaged file can carry a FourCC text of fewer than four characters.
    QByteArray bytes = Write(s);
    QByteArray shortFourCC = bytes.left(26) + Hex("00000002 0041") + bytes.mid(38);
    CStreamInfoSerializer damaged = Read<CStreamInfoSerializer>(shortFourCC);
    std::unique_ptr<StreamInfo, void (*)(StreamInfo*)> padded(damaged.GetStreamInfo(), FreeStreamInfo);
    EXPECT_EQ(memcmp(padded->fourCC, "A\0\0\0", 4), 0);

    CStreamInfoSerializer cleared;
    cleared.ClearStreamInfo();
    std::unique_ptr<StreamInfo, void (*)(StreamInfo*)> zero(cleared.GetStreamInfo(), FreeStreamInfo);
    EXPECT_EQ(memcmp(zero->fourCC, "\0\0\0\0", 4), 0);
}

TEST(MovieInfoSerializer, DamagedListsStopWithoutHugeAllocations)
{
    StreamFixture v(1, 0, "video", 10.0);
    MovieInfo movie{const_cast<char*>("m"), 1, 1, &v.info, 0, nullptr, nullptr};
    CMovieInfoSerializer one;
    one.SetMovieInfo(&movie);
    QByteArray bytes = Write(one);

    struct Case
    {
        const char* what;
        QByteArray data;
        int streams;
    };
    QByteArray hugeCount = bytes;
    hugeCount.replace(10, 4, Hex("7FFFFFFF")); // stream count after name "m" (6) and id (4)
    QByteArray truncated = bytes.left(bytes.size() - 20);
    QByteArray corruptText = bytes;
    corruptText.replace(14, 4, Hex("00000003")); // odd byte count of the stream's name
    const Case cases[] = {
        // the element during which the data ran out stays in the list
        {"count far beyond the data", hugeCount, 2},
        {"cut inside the stream record", truncated, 1},
        {"corrupt text length", corruptText, 1},
    };
    for (const Case& c : cases) {
        QDataStream::Status status;
        CMovieInfoSerializer read = Read<CMovieInfoSerializer>(c.data, &status);
        EXPECT_NE(status, QDataStream::Ok) << c.what;
        EXPECT_EQ(read.GetStreams().size(), c.streams) << c.what;
        EXPECT_TRUE(read.GetMetaData().isEmpty()) << c.what;
    }
}

TEST(MovieInfoSerializer, StreamComparisonReport)
{
    struct Case
    {
        const char* what;
        double savedDur, loadedDur;
        const char* loadedName;
        int width;
        bool equal;
    };
    const Case cases[] = {
        {"tiny duration difference", 10.0, 10.0009, "v", 1920, true},
        {"duration off by 2 ms", 10.0, 10.002, "v", 1920, false},
        {"exactly 1 ms is too much", 0.0, 0.001, "v", 1920, false},
        {"other width", 10.0, 10.0, "v", 1280, false},
        {"other name", 10.0, 10.0, "w", 1920, false},
    };
    for (const Case& c : cases) {
        StreamFixture saved(1, 0, "v", c.savedDur), loaded(1, 0, c.loadedName, c.loadedDur);
        loaded.info.width = c.width;
        CStreamInfoSerializer s;
        s.SetStreamInfo(&saved.info);
        GetQuentaException()->Clear();
        EXPECT_EQ(s == loaded.info, c.equal) << c.what;
        EXPECT_EQ(GetQuentaException()->GetExceptionCode(), c.equal ? 0 : 10021017) << c.what;
    }

    StreamFixture saved(1, 0, "v", 10.0), loaded(1, 0, "v", 12.5);
    loaded.info.width = 1280;
    CStreamInfoSerializer s;
    s.SetStreamInfo(&saved.info);
    EXPECT_FALSE(s == loaded.info);
    EXPECT_STREQ(GetQuentaException()->GetExceptionMsg(),
                 "StreamInfo Compare diff:\nname: v|v\ntype: 1|1\nwidth: 1920|1280\n"
                 "framerate: 128849018881001|128849018881001\naspect_ratio: 65537|65537\n"
                 "samplerate: 48000|48000\nchannles: 2|2\nbitrate: 8000000|8000000\nduration: 10|12.5\n");
    int line = 0;
    EXPECT_STREQ(GetQuentaException()->GetExceptionSource(&line), "../../../src/ProjectData/cmovieinfoserializer");

    // Codec, FourCC, extra text and extra value are not compared; an empty saved
    // name equals an absent loaded one.
    StreamFixture a(2, 1, "", 5.0), b(2, 1, nullptr, 5.0);
    free(b.info.codecName);
    b.info.codecName = strdup("aac");
    memcpy(b.info.fourCC, "mp4a", 4);
    b.info.extraValue = 5;
    CStreamInfoSerializer sa;
    sa.SetStreamInfo(&a.info);
    EXPECT_TRUE(sa == b.info);
}

TEST(MovieInfoSerializer, MovieComparison)
{
    MoviePtr savedMovie = MakeMovie("clip", 1, {{1, 0}, {2, 1}, {0, 9}});
    CMovieInfoSerializer saved;
    saved.SetMovieInfo(savedMovie.get());

    struct Case
    {
        const char* what;
        MoviePtr loaded;
        bool equal;
        const char* message;
    };
    Case cases[] = {
        {"same", MakeMovie("clip", 1, {{1, 0}, {2, 1}}), true, nullptr},
        {"three known streams", MakeMovie("probed", 1, {{1, 0}, {2, 1}, {3, 2}}), false,
         "probed Known stream count not equal, Saved: 2  Loaded: 3\n"},
        {"missing stream id", MakeMovie("clip", 1, {{1, 0}, {2, 5}}), false, "clipcompare stream diff\n"},
        {"other movie id", MakeMovie("clip", 2, {{1, 0}, {2, 1}}), false, "clipcompare stream diff\n"},
    };
    for (Case& c : cases) {
        GetQuentaException()->Clear();
        EXPECT_EQ(saved == *c.loaded, c.equal) << c.what;
        if (c.message)
            EXPECT_STREQ(GetQuentaException()->GetExceptionMsg(), c.message) << c.what;
        else
            EXPECT_EQ(GetQuentaException()->GetExceptionCode(), 0) << c.what;
    }

    QList<CMovieInfoSerializer> list{saved, saved};
    MoviePtr same = MakeMovie("clip", 1, {{1, 0}, {2, 1}});
    MovieInfo* loaded[3] = {same.get(), same.get(), same.get()};
    GetQuentaException()->Clear();
    EXPECT_FALSE(CompareMovieInfos(list, loaded, 3));
    EXPECT_EQ(GetQuentaException()->GetExceptionCode(), 0);
    EXPECT_TRUE(CompareMovieInfos(list, loaded, 2));
    EXPECT_TRUE(CompareMovieInfos({}, nullptr, 0));
}

TEST(MovieInfoSerializer, DamagedRecordsAreHandledSafely)
{
    // Counts without arrays (a record a damaged file or a failed copy left).
    MovieInfo* hollow = static_cast<MovieInfo*>(calloc(1, sizeof(MovieInfo)));
    hollow->name = strdup("hollow");
    hollow->streamCount = 3;
    hollow->metaDataCount = 2;
    MovieInfo copy{};
    CopyMovieInfo(copy, *hollow);
    EXPECT_EQ(copy.streamCount, 0u);
    EXPECT_EQ(copy.metaDataCount, 0u);
    EXPECT_STREQ(copy.name, "hollow");
    CMovieInfoSerializer fromHollow;
    fromHollow.SetMovieInfo(hollow);
    EXPECT_TRUE(fromHollow.GetStreams().isEmpty());
    FreeMovieInfo(hollow);
    free(copy.name);

    FreeMovieInfo(nullptr);
    FreeStreamInfo(nullptr);
    FreeMeteDataInfo(nullptr);

    CMovieInfoSerializer saved;
    MoviePtr probed = MakeMovie("m", 0, {{1, 0}});
    saved.SetMovieInfo(probed.get());
    MovieInfo* loaded[1] = {nullptr};
    EXPECT_FALSE(CompareMovieInfos({saved}, loaded, 1));
    EXPECT_FALSE(CompareMovieInfos({saved}, nullptr, 1));
}
