#include "moorlan_src_misc.h"

#include "CBaseException.h"
#include "IQuentaException.h"
#include "Basilvo/Basilvo.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

using namespace Moorland;

namespace {

StreamInfo Stream(int32_t type, int32_t id)
{
    StreamInfo s{};
    s.type = type;
    s.id = id;
    return s;
}

MovieInfo Movie(int32_t id, std::vector<StreamInfo>& streams)
{
    MovieInfo m{};
    m.id = id;
    m.streamCount = static_cast<uint32_t>(streams.size());
    m.streams = streams.empty() ? nullptr : streams.data();
    return m;
}

class FakeSource : public IAVSource, public IDVDControl, public IChangeTrack
{
public:
    void* GetInterface(const char* name) override
    {
        const std::string n = name;
        if (n == "IDVDControl" && dvd)
            return static_cast<IDVDControl*>(this);
        if (n == "IChangeTrack" && tracks)
            return static_cast<IChangeTrack*>(this);
        return nullptr;
    }
    bool Seek(uint32_t) override { return true; }
    uint32_t GetDuration() override { return 0; }
    int GetVideoStreamID() override { return -1; }
    int GetAudioStreamID() override { return -1; }
    uint32_t GetPosition() override { return 0; }
    bool ReadFrames(IRawAudioFrame**, IRawVideoFrame**, void**, int) override { return false; }
    bool IsEndOfStream() override { return true; }
    void Release() override { ++released; }
    bool SetAngle(int a) override
    {
        calls.push_back("angle " + std::to_string(a));
        return true;
    }
    bool SetSubtitleIndex(int i) override
    {
        calls.push_back("subtitle " + std::to_string(i));
        return true;
    }
    bool SelectSubtitleTrack(int id) override
    {
        calls.push_back("track " + std::to_string(id));
        return true;
    }

    bool dvd = false;
    bool tracks = false;
    int released = 0;
    std::vector<std::string> calls;
};

class FakeImporter : public IAVImporter, public IAVSourceSetProperty
{
public:
    const ImporterInfo* GetInfo() override { return nullptr; }
    void* GetInterface(const char* name) override
    {
        if (std::string(name) == "IAVSourceSetProperty" && setter)
            return static_cast<IAVSourceSetProperty*>(this);
        return nullptr;
    }
    bool Open(const char* path) override
    {
        opened.push_back(path);
        return openResult;
    }
    const char* GetFilePath() override { return ""; }
    uint32_t GetMovieCount() override { return static_cast<uint32_t>(movies.size()); }
    MovieInfo* GetMovieInfoAt(uint32_t i) override { return i < movies.size() ? movies[i] : nullptr; }
    IAVCompressedSource* CreatePacketSource(int, int, const int*) override { return nullptr; }
    IAVSource* CreateSource(int movie, int video, int audio) override
    {
        asked = {movie, video, audio};
        if (!source && recordOnFailure)
            GetQuentaException()->SetException(10021017, "decoder missing", 7, "fake");
        return source;
    }
    uint32_t GetMovieDuration(int) override { return 0; }
    bool SetOption(const char*, const char*) override { return true; }
    void Release() override { ++released; }
    IAVSource2* CreateMultiSource(int, SMItemInfo*, int) override { return nullptr; }
    bool SetProperty(int property, int value) override
    {
        properties.push_back({property, value});
        return true;
    }
    int GetProperty(int) override { return 0; }

    std::vector<MovieInfo*> movies;
    bool setter = true;
    bool openResult = true;
    bool recordOnFailure = false;
    IAVSource* source = nullptr;
    int released = 0;
    std::vector<std::string> opened;
    std::vector<int> asked;
    std::vector<std::vector<int>> properties;
};

class FakeManager : public IAVManager
{
public:
    void Release() override {}
    IAVImporter* CreateImporterByName(const char* name) override
    {
        byName.push_back(name);
        return importer;
    }
    IAVImporter* CreateImporter(const char* path) override
    {
        byPath.push_back(path);
        return importer;
    }
    IAVExporter* CreateExporterByName(const char*) override { return nullptr; }
    IAVSource* CreateSourceFromAddress(const char*, const char*, int*, int*, int*, MovieInfo**) override
    {
        return nullptr;
    }
    IVideoProcessor* CreateVideoProcessor(const char*) override { return nullptr; }
    IAudioEffect* CreateAudioEffect(const char*) override { return nullptr; }
    bool ApplyConfigString(const char*) override { return true; }
    uint32_t GetImporterCount() override { return 0; }
    const ImporterInfo* GetImporterInfoAt(uint32_t) override { return nullptr; }
    uint32_t GetExporterCount() override { return 0; }
    const char* GetExporterNameAt(uint32_t) override { return nullptr; }
    const char* GetOption(const char*) override { return nullptr; }
    const char* GetVersion() override { return ""; }
    bool CanImportFile(const char*) override { return false; }
    void SetMessageHandler(QuentaBased::IMessageHandler*) override {}
    IAVSource* CreateSourceFromFile(const char*, int, int) override { return nullptr; }
    void SetOption(const char*, const char*) override {}
    bool GetProperty(const char*, char*, int*) override { return false; }
    IAccurateTrimManager* CreateAccurateTrimManager(const char*) override { return nullptr; }
    IDiscCreator* CreateDiscCreator(const char*) override { return nullptr; }

    IAVImporter* importer = nullptr;
    std::vector<std::string> byName;
    std::vector<std::string> byPath;
};

} // namespace

TEST(MoorlanSrcMisc, FirstStreamOfAKind)
{
    std::vector<StreamInfo> audioOnly{Stream(2, 11)};
    std::vector<StreamInfo> mixed{Stream(3, 30), Stream(2, 21), Stream(1, 10), Stream(2, 22), Stream(1, 12)};
    std::vector<StreamInfo> none;
    MovieInfo a = Movie(0, audioOnly), m = Movie(0, mixed), e = Movie(0, none);
    struct Row
    {
        MovieInfo* movie;
        StreamType kind;
        int id;
        int index;
    };
    const Row rows[] = {
        {&a, StreamTypeVideo, -1, -5},      {&a, StreamTypeAudio, 11, 0},    {&m, StreamTypeVideo, 10, 2},
        {&m, StreamTypeAudio, 21, 1},       {&m, StreamTypeSubtitle, 30, 0}, {&e, StreamTypeAudio, -1, -5},
        {nullptr, StreamTypeAudio, -1, -5},
    };
    for (const Row& r : rows) {
        int index = -5;
        EXPECT_EQ(r.id, GetFirstStreamID(r.movie, &index, r.kind)) << r.kind;
        EXPECT_EQ(r.index, index) << r.kind;
        EXPECT_EQ(r.id, GetFirstStreamID(r.movie, nullptr, r.kind));
    }
}

TEST(MoorlanSrcMisc, StreamById)
{
    std::vector<StreamInfo> streams{Stream(1, 4), Stream(2, 5), Stream(3, 5)};
    std::vector<StreamInfo> none;
    MovieInfo m = Movie(0, streams), e = Movie(0, none);
    EXPECT_EQ(&streams[0], GetStreamInfo(&m, 4));
    EXPECT_EQ(&streams[1], GetStreamInfo(&m, 5));
    EXPECT_EQ(nullptr, GetStreamInfo(&m, 6));
    EXPECT_EQ(nullptr, GetStreamInfo(&e, 4));
    EXPECT_EQ(nullptr, GetStreamInfo(nullptr, 4));
}

TEST(MoorlanSrcMisc, MovieOfAnImporter)
{
    std::vector<StreamInfo> none;
    MovieInfo m3 = Movie(3, none), m7 = Movie(7, none);
    FakeImporter importer;
    importer.movies = {nullptr, &m3, &m7};
    EXPECT_EQ(&m3, GetMovieInfo(&importer, -1));
    EXPECT_EQ(&m7, GetMovieInfo(&importer, 7));
    EXPECT_EQ(&m3, GetMovieInfo(&importer, 3));
    EXPECT_EQ(nullptr, GetMovieInfo(&importer, 5));
    importer.movies.clear();
    EXPECT_EQ(nullptr, GetMovieInfo(&importer, -1));
}

namespace {

struct Fixture
{
    std::vector<StreamInfo> streams1{Stream(2, 1), Stream(1, 0), Stream(2, 2), Stream(3, 3)};
    std::vector<StreamInfo> streams2{Stream(1, 8), Stream(2, 9)};
    MovieInfo movie1 = Movie(4, streams1);
    MovieInfo movie2 = Movie(6, streams2);
    FakeSource source;
    FakeImporter importer;
    FakeManager manager;

    Fixture()
    {
        importer.movies = {&movie1, &movie2};
        importer.source = &source;
        manager.importer = &importer;
    }
};

} // namespace

TEST(MoorlanSrcMisc, OpensTheSourceAnAddressNames)
{
    struct Row
    {
        const char* address;
        const char* importerName;
        const char* byName; // importer asked for by this name, "" = by file path
        const char* path;
        std::vector<int> asked; // movie, video and audio id given to the importer
        std::vector<std::vector<int>> properties;
    };
    const Row rows[] = {
        {"/media/a.mp4", "", "", "/media/a.mp4", {4, 0, 1}, {}},
        {"/media/a.mp4", nullptr, "", "/media/a.mp4", {4, 0, 1}, {}},
        {"FFImporter:///media/a.mp4", "", "FFImporter", "/media/a.mp4", {4, 0, 1}, {}},
        {"FFImporter:///media/a.mp4", "ImageImporter", "ImageImporter", "/media/a.mp4", {4, 0, 1}, {}},
        {"/media/a.mp4", "FFImporter", "FFImporter", "/media/a.mp4", {4, 0, 1}, {}},
        {"/media/a.mp4?movieid=6", "", "", "/media/a.mp4", {6, 8, 9}, {}},
        {"/media/a.mp4?vstreamid=-1&astreamid=2", "", "", "/media/a.mp4", {4, -1, 2}, {}},
        {"/media/a.mp4?movieid=4&vstreamid=0&astreamid=-1", "", "", "/media/a.mp4", {4, 0, -1}, {}},
        {"/media/a.mp4?usemultithreaddecode=1", "", "", "/media/a.mp4", {4, 0, 1}, {{1, 1}}},
        {"/media/a.mp4?usemultithreaddecode=0", "", "", "/media/a.mp4", {4, 0, 1}, {}},
        {"/media/a.mp4?usemultithreaddecode=11", "", "", "/media/a.mp4", {4, 0, 1}, {}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.address);
        Fixture f;
        IAVImporter* importer = nullptr;
        int movie = -9, video = -9, audio = -9;
        IAVSource* source =
            CreateSourceFromURL(&f.manager, r.address, r.importerName, &importer, &movie, &video, &audio);
        EXPECT_EQ(&f.source, source);
        EXPECT_EQ(&f.importer, importer);
        EXPECT_EQ(r.asked, (std::vector<int>{movie, video, audio}));
        EXPECT_EQ(r.asked, f.importer.asked);
        EXPECT_EQ(r.properties, f.importer.properties);
        if (*r.byName) {
            EXPECT_EQ(std::vector<std::string>{r.byName}, f.manager.byName);
            EXPECT_TRUE(f.manager.byPath.empty());
            EXPECT_EQ(std::vector<std::string>{r.path}, f.importer.opened);
        } else {
            EXPECT_EQ(std::vector<std::string>{r.path}, f.manager.byPath);
            EXPECT_TRUE(f.manager.byName.empty());
            EXPECT_TRUE(f.importer.opened.empty()); // the manager opened it
        }
        EXPECT_EQ(0, f.importer.released);
        EXPECT_EQ(0, f.source.released);
    }
}

TEST(MoorlanSrcMisc, MovieWithoutAStreamKindGivesMinusOne)
{
    Fixture f;
    std::vector<StreamInfo> audioOnly{Stream(2, 5)};
    MovieInfo movie = Movie(1, audioOnly);
    f.importer.movies = {&movie};
    IAVImporter* importer = nullptr;
    int video = 0, audio = 0;
    ASSERT_EQ(&f.source, CreateSourceFromURL(&f.manager, "/a.m4a", "", &importer, nullptr, &video, &audio));
    EXPECT_EQ(-1, video);
    EXPECT_EQ(5, audio);
}

TEST(MoorlanSrcMisc, DiscAngleSubtitleAndTrack)
{
    struct Row
    {
        const char* address;
        bool dvd;
        bool tracks;
        std::vector<std::string> calls;
    };
    const Row rows[] = {
        {"/d.vob", true, true, {"angle 1", "subtitle -1"}},
        {"/d.vob?angle=2&subtitle=3&subtitleid=4", true, true, {"angle 2", "subtitle 3", "track 4"}},
        {"/d.vob?subtitleid=4", false, true, {"track 4"}},
        {"/d.vob?subtitleid=4", false, false, {}},
        {"/d.vob?angle=2", false, true, {}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.address);
        Fixture f;
        f.source.dvd = r.dvd;
        f.source.tracks = r.tracks;
        IAVImporter* importer = nullptr;
        ASSERT_EQ(&f.source, CreateSourceFromURL(&f.manager, r.address, "", &importer, nullptr, nullptr, nullptr));
        EXPECT_EQ(r.calls, f.source.calls);
    }
}

TEST(MoorlanSrcMisc, FailuresCloseTheImporter)
{
    enum Setup { NoImporter, OpenRefused, NoMovies, UnknownMovie, NoSource, NoSourceRecorded, NullMovieZero };
    struct Row
    {
        Setup setup;
        const char* address;
        int code;
        const char* message;
    };
    const Row rows[] = {
        {NoImporter, "/a.mp4", 10021008, "Can't create importer for the file"},
        {OpenRefused, "FFImporter:///a.mp4", 10021008, "Importer can't deal with this file"},
        {NoMovies, "/a.mp4", 10021008, "No movie found in the file"},
        {UnknownMovie, "/a.mp4?movieid=5", 10021008, "Can't find the movie in the file"},
        {NullMovieZero, "/a.mp4", 10021008, "Can't find the movie in the file"},
        {NoSource, "/a.mp4", 10021008, "Can't create source for the movie"},
        {NoSourceRecorded, "/a.mp4", 10021017, "decoder missing"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.message);
        Fixture f;
        GetQuentaException()->Clear();
        switch (r.setup) {
        case NoImporter: f.manager.importer = nullptr; break;
        case OpenRefused: f.importer.openResult = false; break;
        case NoMovies: f.importer.movies.clear(); break;
        case UnknownMovie: break;
        case NullMovieZero: f.importer.movies[0] = nullptr; break;
        case NoSource: f.importer.source = nullptr; break;
        case NoSourceRecorded:
            f.importer.source = nullptr;
            f.importer.recordOnFailure = true;
            break;
        }
        IAVImporter* importer = nullptr;
        int movie = -9;
        try {
            CreateSourceFromURL(&f.manager, r.address, "", &importer, &movie, nullptr, nullptr);
            ADD_FAILURE() << "no exception";
        } catch (const CBaseException& e) {
            EXPECT_EQ(r.code, e.GetCode());
            EXPECT_STREQ(r.message, e.GetMsg());
            if (r.setup != NoSourceRecorded) {
                int line = 0;
                EXPECT_STREQ("moorlan_src_misc", e.GetExceptionSource(&line));
            }
        }
        EXPECT_EQ(nullptr, importer);
        EXPECT_EQ(-9, movie);
        EXPECT_EQ(r.setup == NoImporter ? 0 : 1, f.importer.released);
        EXPECT_EQ(0, f.source.released);
    }
    GetQuentaException()->Clear();
}

TEST(MoorlanSrcMisc, NullManagerOrImporterOutIsRefused)
{
    Fixture f;
    IAVImporter* importer = nullptr;
    EXPECT_THROW(CreateSourceFromURL(nullptr, "/a.mp4", "", &importer, nullptr, nullptr, nullptr), CBaseException);
    EXPECT_THROW(CreateSourceFromURL(&f.manager, "/a.mp4", "", nullptr, nullptr, nullptr, nullptr), CBaseException);
    EXPECT_TRUE(f.manager.byPath.empty());
}

// Against the media manager itself: a file with two movies made by ffmpeg.
namespace {

class TwoProgramFile
{
public:
    TwoProgramFile()
    {
        char tmpl[] = "/tmp/src-misc-XXXXXX";
        if (!mkdtemp(tmpl))
            return;
        m_dir = tmpl;
        m_path = m_dir + "/two.ts";
        const std::string command = "ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=96x64:rate=25:d=1 "
                                    "-f lavfi -i testsrc2=size=80x48:rate=25:d=1 -f lavfi -i sine=d=1 "
                                    "-map 0:v -map 1:v -map 2:a -c:v mpeg2video -c:a mp2 "
                                    "-program title=One:st=0:st=2 -program title=Two:st=1 -f mpegts '" +
                                    m_path + "'";
        m_ok = std::system(command.c_str()) == 0;
    }
    ~TwoProgramFile()
    {
        if (!m_dir.empty())
            std::system(("rm -rf '" + m_dir + "'").c_str());
    }
    const std::string& Path() const { return m_path; }
    bool Ok() const { return m_ok; }

private:
    std::string m_dir;
    std::string m_path;
    bool m_ok = false;
};

struct Opened
{
    IAVImporter* importer = nullptr;
    IAVSource* source = nullptr;
    int movie = -9, video = -9, audio = -9;
    ~Opened()
    {
        if (source)
            source->Release();
        if (importer)
            importer->Release();
    }
};

} // namespace

TEST(MoorlanSrcMisc, OpensSourcesThroughTheMediaManager)
{
    TwoProgramFile file;
    ASSERT_TRUE(file.Ok());
    IAVManager* manager = CreateAVManager("/tmp/", nullptr);
    ASSERT_NE(nullptr, manager);

    {
        Opened first;
        first.source = CreateSourceFromURL(manager, file.Path().c_str(), "", &first.importer, &first.movie,
                                           &first.video, &first.audio);
        ASSERT_NE(nullptr, first.source);
        ASSERT_EQ(2u, first.importer->GetMovieCount());
        MovieInfo* movie = GetMovieInfo(first.importer, -1);
        ASSERT_NE(nullptr, movie);
        EXPECT_EQ(movie->id, first.movie);
        EXPECT_EQ(GetFirstStreamID(movie, nullptr, StreamTypeVideo), first.video);
        EXPECT_EQ(GetFirstStreamID(movie, nullptr, StreamTypeAudio), first.audio);
        EXPECT_NE(-1, first.audio);
        EXPECT_EQ(StreamTypeVideo, GetStreamInfo(movie, first.video)->type);
        IRawAudioFrame* sound = nullptr;
        IRawVideoFrame* picture = nullptr;
        EXPECT_TRUE(first.source->ReadFrames(&sound, &picture, nullptr, AVReadVideoOnly));
        EXPECT_NE(nullptr, picture);

        // The second movie by id, through the importer named by the address.
        MovieInfo* second = first.importer->GetMovieInfoAt(1);
        ASSERT_NE(nullptr, second);
        const std::string address = "FFImporter://" + file.Path() + "?movieid=" + std::to_string(second->id);
        Opened other;
        other.source = CreateSourceFromURL(manager, address.c_str(), nullptr, &other.importer, &other.movie,
                                           &other.video, &other.audio);
        ASSERT_NE(nullptr, other.source);
        EXPECT_EQ(second->id, other.movie);
        EXPECT_EQ(-1, other.audio);
        MovieInfo* otherMovie = GetMovieInfo(other.importer, other.movie);
        ASSERT_NE(nullptr, otherMovie);
        EXPECT_EQ(GetFirstStreamID(otherMovie, nullptr, StreamTypeVideo), other.video);
        EXPECT_NE(first.video, other.video);
    }

    struct Row
    {
        std::string address;
        const char* message;
    };
    const Row rows[] = {
        {file.Path() + "?movieid=12345", "Can't find the movie in the file"},
        {file.Path() + ".missing", "Can't create importer for the file"},
        {"FFImporter://" + file.Path() + ".missing", "Importer can't deal with this file"},
        {"NoSuchImporter://" + file.Path(), "Can't create importer for the file"},
    };
    for (const Row& r : rows) {
        Opened opened;
        try {
            opened.source =
                CreateSourceFromURL(manager, r.address.c_str(), "", &opened.importer, nullptr, nullptr, nullptr);
            ADD_FAILURE() << r.address << " opened";
        } catch (const CBaseException& e) {
            EXPECT_STREQ(r.message, e.GetMsg()) << r.address;
        }
        EXPECT_EQ(nullptr, opened.importer);
    }
    manager->Release();
    GetQuentaException()->Clear();
}
