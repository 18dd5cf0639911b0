#pragma once

// Helpers of the project-data tests: small media files made with the ffmpeg
// program once per run (removed at exit), movie records built by hand, and a
// media manager whose simple-edit timeline records every call it gets.

#include "../../MediaTestFolder.h"
#include "IAVImporter.h"
#include "ISimpleEditTimeLine.h"
#include "MoorlandMediaInfo.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace PDTest {

inline int LastCode()
{
    return GetQuentaException()->GetExceptionCode();
}
inline std::string LastMessage()
{
    return GetQuentaException()->GetExceptionMsg();
}
using MediaTest::Run;

class Media
{
public:
    static Media& Get()
    {
        static Media media;
        return media;
    }
    bool Ok() const { return m_ok; }
    std::string Path(const char* name) const { return m_folder.Path(name); }
    // H.264 320x240, 25 fps, 2 s, GOP 12 with B-frames, with AAC sound.
    std::string Clip() const { return Path("clip.mp4"); }
    // The same picture at 8:9 sample aspect, no sound.
    std::string Sar() const { return Path("sar.mp4"); }
    std::string Tone() const { return Path("tone.wav"); }
    std::string Picture() const { return Path("pic.png"); }
    std::string Dir() const { return m_folder.Dir(); }

private:
    Media()
    {
        if (m_folder.Dir().empty())
            return;
        const std::string ff = m_folder.FFmpeg();
        m_ok = Run(ff + "-f lavfi -i testsrc2=size=320x240:rate=25:duration=2 "
                        "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=2 "
                        "-c:v libx264 -preset ultrafast -g 12 -bf 2 -pix_fmt yuv420p -c:a aac -b:a 64k clip.mp4") &&
               Run(ff + "-f lavfi -i testsrc2=size=320x240:rate=25:duration=1 -vf setsar=8/9 "
                        "-c:v libx264 -preset ultrafast -pix_fmt yuv420p sar.mp4") &&
               Run(ff + "-f lavfi -i sine=d=1 -c:a pcm_s16le tone.wav") &&
               Run(ff + "-f lavfi -i testsrc=size=64x48:d=1 -frames:v 1 pic.png");
    }

    MediaTest::Folder m_folder{"projectdata-test"};
    bool m_ok = false;
};

using MediaTest::ManagerHolder;

// ----------------------------------------------------------- hand-made records

inline char* Dup(const char* text)
{
    return text ? strdup(text) : nullptr;
}

struct StreamSpec
{
    int type;
    int id;
    int width = 0;
    int height = 0;
    uint32_t aspect = 0;
    double duration = 0;
    int sampleRate = 0;
    int channels = 0;
    int bitRate = 0;
    const char* codec = "h264";
    uint64_t frameRate = Moorland::PackFrameRate(25, 1);
};

inline StreamSpec Video(int id, int w, int h, double duration, uint32_t aspect = 0)
{
    StreamSpec s{Moorland::StreamTypeVideo, id};
    s.width = w;
    s.height = h;
    s.duration = duration;
    s.aspect = aspect;
    return s;
}

inline StreamSpec Audio(int id, double duration, int rate = 48000, int channels = 2)
{
    StreamSpec s{Moorland::StreamTypeAudio, id};
    s.duration = duration;
    s.sampleRate = rate;
    s.channels = channels;
    s.codec = "aac";
    s.frameRate = 0;
    return s;
}

// A movie record owned by the holder, freed the way the media manager's are.
class MovieRecord
{
public:
    MovieRecord(int id, std::vector<StreamSpec> streams, const char* format = "mov,mp4")
    {
        m_info.id = id;
        m_info.name = Dup("movie");
        m_info.format = Dup(format);
        m_info.streamCount = static_cast<uint32_t>(streams.size());
        m_info.streams = static_cast<Moorland::StreamInfo*>(calloc(streams.size() + 1, sizeof(Moorland::StreamInfo)));
        for (size_t i = 0; i < streams.size(); ++i) {
            Moorland::StreamInfo& s = m_info.streams[i];
            const StreamSpec& want = streams[i];
            s.type = want.type;
            s.id = want.id;
            s.codecName = Dup(want.codec);
            s.width = want.width;
            s.height = want.height;
            s.aspect = want.aspect;
            s.duration = want.duration;
            s.sampleRate = want.sampleRate;
            s.channels = want.channels;
            s.bitRate = want.bitRate;
            s.frameRate = want.frameRate;
        }
    }
    ~MovieRecord()
    {
        for (uint32_t i = 0; i < m_info.streamCount; ++i) {
            free(m_info.streams[i].name);
            free(m_info.streams[i].codecName);
            free(m_info.streams[i].extraText);
        }
        free(m_info.streams);
        free(m_info.name);
        free(m_info.format);
    }
    MovieRecord(const MovieRecord&) = delete;
    MovieRecord& operator=(const MovieRecord&) = delete;
    Moorland::MovieInfo* get() { return &m_info; }
    Moorland::StreamInfo& stream(int i) { return m_info.streams[i]; }

private:
    Moorland::MovieInfo m_info{};
};

// --------------------------------------- a simple-edit timeline that records

// Every call as one line of text; SaveTimeLine writes the lines to the file
// (or fails when told to).
class RecordingTimeLine : public Moorland::ISimpleEditTimeLine
{
public:
    std::vector<std::string> calls;
    int clips = 0;
    std::vector<int> effects;
    bool failSave = false;
    Moorland::IOnItemChangedCallBack* callBack = nullptr;

    void Log(const std::string& line) { calls.push_back(line); }
    static std::string Params(const char** names, const char** values)
    {
        std::string out;
        for (int i = 0; names && values && names[i]; ++i)
            out += std::string(" ") + names[i] + "=" + (values[i] ? values[i] : "(null)");
        return out;
    }

    bool LoadTimeLine(const char*) override { return false; }
    bool SaveTimeLine(const char* path) override
    {
        Log(std::string("SaveTimeLine"));
        if (failSave)
            return false;
        std::ofstream out(path);
        for (const auto& line : calls)
            out << line << "\n";
        return bool(out);
    }
    void DisableStreamType(int type) override { Log("DisableStreamType " + std::to_string(type)); }
    void RegisterItemChangedCallBack(Moorland::IOnItemChangedCallBack* cb) override { callBack = cb; }
    int GetClipCount() override { return clips; }
    bool RemoveClip(int) override { return false; }
    bool MoveClip(int, int) override { return false; }
    bool GetClip(int, Moorland::SimpleEditClipEntry*) override { return false; }
    bool SetClipAudioSource(int index, const char* path, int movie, int stream) override
    {
        Log("SetClipAudioSource " + std::to_string(index) + " " + path + " " + std::to_string(movie) + " " +
            std::to_string(stream));
        return true;
    }
    bool SetReplaceAudio(const char* path, int index, int loop) override
    {
        Log(std::string("SetReplaceAudio ") + path + " " + std::to_string(index) + " " + std::to_string(loop));
        return true;
    }
    uint32_t GetDuration() override { return 0; }
    int GetClipEffectCount(int index) override
    {
        return index >= 0 && index < static_cast<int>(effects.size()) ? effects[index] : 0;
    }
    bool InsertClip(int index, const Moorland::SimpleEditClipEntry* e) override
    {
        char line[1024];
        snprintf(line, sizeof line, "InsertClip %d %s %s trim=%d..%d margins=%u,%u,%u,%u", index, e->sourceAddress,
                 e->importerName, e->trimStartMs, e->trimEndMs, e->leftMargin, e->topMargin, e->rightMargin,
                 e->bottomMargin);
        Log(line);
        ++clips;
        effects.push_back(0);
        return true;
    }
    bool RemoveClipFilter(int, void*, int) override { return false; }
    int GetClipFilterCount(int) override { return 0; }
    bool SetClipTrim(int, int32_t, int32_t) override { return false; }
    bool SetClipCrop(int, uint32_t, uint32_t, uint32_t, uint32_t) override { return false; }
    int GetClipIndexAt(uint32_t) override { return 0; }
    void ClearTimeLine() override
    {
        Log("ClearTimeLine");
        clips = 0;
        effects.clear();
    }
    bool SetClipVolume(int index, double volume) override
    {
        char line[64];
        snprintf(line, sizeof line, "SetClipVolume %d %.4f", index, volume);
        Log(line);
        return true;
    }
    bool SetClipMute(int index, int mute) override
    {
        Log("SetClipMute " + std::to_string(index) + " " + std::to_string(mute));
        return true;
    }
    bool SetClipInterlaced(int index, int interlaced) override
    {
        Log("SetClipInterlaced " + std::to_string(index) + " " + std::to_string(interlaced));
        return true;
    }
    bool SetClipSpeed(int, double) override { return false; }
    void* GetClipHandle(int index) override { return reinterpret_cast<void*>(static_cast<intptr_t>(0x1000 + index)); }
    bool AddClipFilter(int index, void* handle, const char* filter, const char** names, const char** values) override
    {
        Log("AddClipFilter " + std::to_string(index) + " " +
            std::to_string(reinterpret_cast<intptr_t>(handle) - 0x1000) + " " + filter + Params(names, values) +
            (names ? "" : " (no params)"));
        return true;
    }
    bool AddClipEffect(int index, int position, const char* effect, const char** names, const char** values) override
    {
        Log("AddClipEffect " + std::to_string(index) + " " + std::to_string(position) + " " + effect +
            Params(names, values) + (names ? "" : " (no params)"));
        if (index >= 0 && index < static_cast<int>(effects.size()))
            ++effects[index];
        return true;
    }
    bool AddTransition(int, const char*, uint32_t) override { return false; }
    bool RemoveTransition(int) override { return false; }
    bool AddSubtitle(const char*) override { return false; }
    bool RemoveSubtitle() override { return false; }
    bool AddBackgroundAudio(const char*, int) override { return false; }
    bool RemoveBackgroundAudio() override { return false; }
    bool SetBackgroundAudioVolume(double) override { return false; }
    bool SetOutputSize(int, int) override { return false; }
    bool SetOutputFrameRate(uint32_t, uint32_t) override { return false; }
    bool SetOutputFormat(int index, const Moorland::SimpleEditOutputFormat* f) override
    {
        char line[256];
        snprintf(line, sizeof line, "SetOutputFormat %d %dx%d rate=%u/%u audio=%d/%d aspect=%u", index, f->width,
                 f->height, f->frameRate[0], f->frameRate[1], f->sampleRate, f->channels, f->aspect);
        Log(line);
        return true;
    }
    bool InsertSource(int, const char*, const char*, int32_t, int32_t, int, int) override { return false; }
    bool SetOutputStreams(int) override { return false; }
    bool SetFrameRate(double) override { return false; }
    bool SaveToFile(const char* path) override { return SaveTimeLine(path); }
};

// The simple-edit importer of the recording manager. Every instance logs into
// the manager's list of timelines.
class RecordingImporter : public Moorland::IAVImporter
{
public:
    RecordingImporter(std::vector<std::unique_ptr<RecordingTimeLine>>& all, int& releases, bool answerTimeline)
        : m_releases(releases), m_answer(answerTimeline)
    {
        all.emplace_back(new RecordingTimeLine);
        m_timeline = all.back().get();
    }
    const Moorland::ImporterInfo* GetInfo() override { return &m_info; }
    void* GetInterface(const char* name) override
    {
        return m_answer && strcmp(name, "ISimpleEditTimeLine") == 0 ? m_timeline : nullptr;
    }
    bool Open(const char* path) override
    {
        opened = path;
        return true;
    }
    const char* GetFilePath() override { return opened.c_str(); }
    uint32_t GetMovieCount() override { return 0; }
    Moorland::MovieInfo* GetMovieInfoAt(uint32_t) override { return nullptr; }
    Moorland::IAVCompressedSource* CreatePacketSource(int, int, const int*) override { return nullptr; }
    Moorland::IAVSource* CreateSource(int, int, int) override { return nullptr; }
    uint32_t GetMovieDuration(int) override { return 0; }
    bool SetOption(const char*, const char*) override { return false; }
    void Release() override
    {
        ++m_releases;
        delete this;
    }
    Moorland::IAVSource2* CreateMultiSource(int, Moorland::SMItemInfo*, int) override { return nullptr; }

    std::string opened;

private:
    Moorland::ImporterInfo m_info{sizeof(Moorland::ImporterInfo), "SimpleEditImporter", ""};
    RecordingTimeLine* m_timeline;
    int& m_releases;
    bool m_answer;
};

// A media manager that hands media files to the real one and makes recording
// simple-edit importers.
class RecordingManager : public Moorland::IAVManager
{
public:
    std::vector<std::unique_ptr<RecordingTimeLine>> timelines;
    int releases = 0;
    int created = 0;
    bool answerTimeline = true;
    bool noImporter = false;
    bool failSaves = false;
    ManagerHolder real;

    RecordingTimeLine* Last() { return timelines.empty() ? nullptr : timelines.back().get(); }
    int Live() const { return created - releases; }

    void Release() override {}
    Moorland::IAVImporter* CreateImporterByName(const char* name) override
    {
        if (strcmp(name, "SimpleEditImporter") != 0)
            return real.manager->CreateImporterByName(name);
        if (noImporter)
            return nullptr;
        ++created;
        auto* importer = new RecordingImporter(timelines, releases, answerTimeline);
        timelines.back()->failSave = failSaves;
        return importer;
    }
    Moorland::IAVImporter* CreateImporter(const char* path) override { return real.manager->CreateImporter(path); }
    Moorland::IAVExporter* CreateExporterByName(const char*) override { return nullptr; }
    Moorland::IAVSource* CreateSourceFromAddress(const char*, const char*, int*, int*, int*,
                                                 Moorland::MovieInfo**) override
    {
        return nullptr;
    }
    Moorland::IVideoProcessor* CreateVideoProcessor(const char* n) override
    {
        return real.manager->CreateVideoProcessor(n);
    }
    Moorland::IAudioEffect* CreateAudioEffect(const char* n) override { return real.manager->CreateAudioEffect(n); }
    bool ApplyConfigString(const char*) override { return true; }
    uint32_t GetImporterCount() override { return 0; }
    const Moorland::ImporterInfo* GetImporterInfoAt(uint32_t) override { return nullptr; }
    uint32_t GetExporterCount() override { return 0; }
    const char* GetExporterNameAt(uint32_t) override { return nullptr; }
    const char* GetOption(const char*) override { return nullptr; }
    const char* GetVersion() override { return "test"; }
    bool CanImportFile(const char* p) override { return real.manager->CanImportFile(p); }
    void SetMessageHandler(QuentaBased::IMessageHandler*) override {}
    Moorland::IAVSource* CreateSourceFromFile(const char*, int, int) override { return nullptr; }
    void SetOption(const char*, const char*) override {}
    bool GetProperty(const char*, char*, int*) override { return false; }
    Moorland::IAccurateTrimManager* CreateAccurateTrimManager(const char*) override { return nullptr; }
    Moorland::IDiscCreator* CreateDiscCreator(const char*) override { return nullptr; }
};

inline std::string Joined(const std::vector<std::string>& lines)
{
    std::string out;
    for (const auto& l : lines)
        out += l + "\n";
    return out;
}

} // namespace PDTest

#define PD_REQUIRE_MEDIA() ASSERT_TRUE(PDTest::Media::Get().Ok()) << "ffmpeg could not make the test media"
