#include "SolvaneTestMedia.h"

#include "IRawAudioFrame.h"
#include "IRawVideoFrame.h"
#include "../../../worker/MultiUtils.h"

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace SolvaneTest;

namespace {

std::vector<char> ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const std::string& path, const std::vector<char>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Opens, probes, decodes, seeks and decodes again; either works or leaves a
// recorded reason.
void Exercise(Moorland::IAVManager* manager, const std::string& path)
{
    SCOPED_TRACE(path);
    GetQuentaException()->Clear();
    Moorland::IAVImporter* importer = manager->CreateImporter(path.c_str());
    if (!importer) {
        EXPECT_NE(LastCode(), 0);
        EXPECT_FALSE(LastMessage().empty());
        return;
    }
    for (uint32_t m = 0; m < importer->GetMovieCount(); ++m) {
        Moorland::MovieInfo* movie = importer->GetMovieInfoAt(m);
        ASSERT_NE(movie, nullptr);
        int video = -1, audio = -1;
        for (uint32_t s = 0; s < movie->streamCount; ++s) {
            if (movie->streams[s].type == Moorland::StreamTypeVideo && video < 0)
                video = movie->streams[s].id;
            if (movie->streams[s].type == Moorland::StreamTypeAudio && audio < 0)
                audio = movie->streams[s].id;
        }
        GetQuentaException()->Clear();
        Moorland::IAVSource* source = importer->CreateSource(movie->id, video, audio);
        if (!source) {
            EXPECT_NE(LastCode(), 0);
            continue;
        }
        auto drain = [source](int limit) {
            for (int i = 0; i < limit; ++i) {
                Moorland::IRawAudioFrame* a = nullptr;
                Moorland::IRawVideoFrame* v = nullptr;
                if (!source->ReadFrames(&a, &v, nullptr, Moorland::AVReadBoth))
                    break;
                if (v) {
                    unsigned w = 0, h = 0, line = 0, pitch = 0, rows = 0;
                    v->GetDimension(&w, &h);
                    v->GetBuffer(0, &line, &pitch, &rows);
                }
            }
        };
        drain(400);
        source->Seek(500);
        drain(20);
        source->Seek(0);
        drain(5);
        source->Release();
    }
    if (Moorland::MovieInfo* movie = importer->GetMovieInfoAt(0)) {
        std::vector<Moorland::SMItemInfo> items(movie->streamCount);
        for (uint32_t s = 0; s < movie->streamCount; ++s) {
            items[s].nStreamID = movie->streams[s].id;
            items[s].eStreamType = static_cast<Moorland::StreamType>(movie->streams[s].type);
            items[s].bCompress = s % 2 == 1;
        }
        if (Moorland::IAVSource2* multi = importer->CreateMultiSource(movie->id, items.data(), static_cast<int>(items.size()))) {
            Moorland::FrameInfo info{};
            for (int i = 0; i < 600 && multi->ReadFrame(&info, 0, -1); ++i) {
            }
            multi->Seek(300);
            for (int i = 0; i < 20 && multi->ReadFrame(&info, 0, -1); ++i) {
            }
            multi->Release();
        }
    }
    const int ids[2] = {0, 1};
    if (Moorland::IAVCompressedSource* packets = importer->CreatePacketSource(importer->GetMovieInfoAt(0)->id, 1, ids)) {
        int id = 0;
        for (int i = 0; i < 1000 && packets->ReadPacket(&id, nullptr); ++i) {
        }
        packets->Release();
    }
    importer->Release();
}

} // namespace

TEST(SolvaneBadInput, UnusableFilesGiveAClearReason)
{
    SOLVANE_REQUIRE_MEDIA();
    ManagerHolder manager;
    Media& m = Media::Get();
    WriteAll(m.Path("empty.mp4"), {});
    const std::string text = "This is a note, not a movie.\n";
    WriteAll(m.Path("note.mp4"), std::vector<char>(text.begin(), text.end()));
    const std::string meta = ";FFMETADATA1\ntitle=nothing\n";
    WriteAll(m.Path("nostreams.txt"), std::vector<char>(meta.begin(), meta.end()));

    struct Case { std::string path; int code; const char* words; };
    const Case cases[] = {
        {m.Path("missing.mp4"), 10021013, "No such file"},
        {m.Path("empty.mp4"), 10021017, "empty"},
        {m.Path("note.mp4"), 10021017, "Not a media file"},
        {m.Path("nostreams.txt"), 10021017, "No video or audio stream"},
        {m.Dir(), 10021017, "folder"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        GetQuentaException()->Clear();
        EXPECT_EQ(manager->CreateImporter(c.path.c_str()), nullptr);
        EXPECT_EQ(LastCode(), c.code);
        EXPECT_NE(LastMessage().find(c.words), std::string::npos) << LastMessage();

        Moorland::IAVImporter* byName = manager->CreateImporterByName("FFImporter");
        ASSERT_NE(byName, nullptr);
        GetQuentaException()->Clear();
        EXPECT_FALSE(byName->Open(c.path.c_str()));
        EXPECT_EQ(LastCode(), c.code);
        EXPECT_EQ(byName->CreateSource(0, 0, -1), nullptr);
        byName->Release();

        EXPECT_EQ(manager->CreateSourceFromAddress(c.path.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr), nullptr);
        EXPECT_EQ(LastCode(), c.code);
    }
}

TEST(SolvaneBadInput, TruncatedAndDamagedFilesNeverCrash)
{
    SOLVANE_REQUIRE_MEDIA();
    ManagerHolder manager;
    Media& m = Media::Get();
    for (const std::string& original : {m.Clip(), m.TwoPrograms()}) {
        const std::vector<char> bytes = ReadAll(original);
        ASSERT_GT(bytes.size(), 4096u);
        const std::string ext = original.substr(original.size() - 3);
        for (size_t cut : {size_t(16), size_t(700), size_t(3000), bytes.size() / 3, bytes.size() / 2,
                           bytes.size() - 333}) {
            const std::string path = m.Path(("cut" + std::to_string(cut) + "." + ext).c_str());
            WriteAll(path, std::vector<char>(bytes.begin(), bytes.begin() + static_cast<long>(cut)));
            Exercise(manager.manager, path);
        }
        for (unsigned seed : {1u, 2u, 3u}) {
            std::vector<char> damaged = bytes;
            unsigned x = seed * 2654435761u;
            for (size_t i = 0; i < damaged.size() / 200; ++i) {
                x = x * 1103515245u + 12345u;
                damaged[(x >> 4) % damaged.size()] ^= static_cast<char>(1 + (x & 0x7F));
            }
            const std::string path = m.Path(("flip" + std::to_string(seed) + "." + ext).c_str());
            WriteAll(path, damaged);
            Exercise(manager.manager, path);
        }
    }
}
