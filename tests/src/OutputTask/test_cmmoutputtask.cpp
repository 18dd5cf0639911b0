// The output task over a timeline of hand-described clips, with a media
// manager whose simple-edit timeline records its calls, a conversion engine
// that records its tasks and a device database that records what it is told.

#include "OutputTask/cmmoutputtask.h"

#include "Basilvo/Basilvo.h"
#include "AppConfigure/CAppVariableInfo.h"
#include "CBaseException.h"
#include "CLockedFolder.h"
#include "ConvertTaskInfo2.h"
#include "IAVConverter.h"
#include "IAVManager.h"
#include "IMirendo.h"
#include "IProfile.h"
#include "ISimpleEditTimeLine.h"
#include "ProjectData/cmediasourceitem.h"
#include "ProjectData/ctimelineitem.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

const bool kSandboxed = [] {
    static int argc = 1;
    static char name[] = "test_cmmoutputtask";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static QTemporaryDir dir;
    setenv("HOME", dir.path().toLocal8Bit().constData(), 1);
    setenv("XDG_DATA_HOME", (dir.path() + "/data").toLocal8Bit().constData(), 1);
    setenv("XDG_CONFIG_HOME", (dir.path() + "/config").toLocal8Bit().constData(), 1);
    return true;
}();

std::string Joined(const std::vector<std::string>& lines)
{
    std::string out;
    for (const std::string& line : lines)
        out += line + "\n";
    return out;
}

// ------------------------------------------------------------ recording fakes

class RecordingTimeLine : public Moorland::ISimpleEditTimeLine
{
public:
    std::vector<std::string> calls;
    bool failSave = false;
    void Log(const std::string& s) { calls.push_back(s); }
    bool Save(const char* sWhat, const char* path)
    {
        Log(std::string(sWhat) + " " + path);
        if (failSave) {
            GetQuentaException()->SetException(QB_ERR_FILE_IO, "disk full", __LINE__, "test");
            return false;
        }
        std::ofstream out(path);
        out << Joined(calls);
        return bool(out);
    }

    bool LoadTimeLine(const char*) override { return false; }
    bool SaveTimeLine(const char* path) override { return Save("SaveTimeLine", path); }
    void DisableStreamType(int) override {}
    void RegisterItemChangedCallBack(Moorland::IOnItemChangedCallBack*) override {}
    int GetClipCount() override { return 0; }
    bool RemoveClip(int) override { return false; }
    bool MoveClip(int, int) override { return false; }
    bool GetClip(int, Moorland::SimpleEditClipEntry*) override { return false; }
    bool SetClipAudioSource(int, const char*, int, int) override { return true; }
    bool SetReplaceAudio(const char*, int, int) override { return true; }
    uint32_t GetDuration() override { return 0; }
    int GetClipEffectCount(int) override { return 0; }
    bool InsertClip(int, const Moorland::SimpleEditClipEntry* e) override
    {
        Log(std::string("InsertClip ") + e->sourceAddress);
        return true;
    }
    bool RemoveClipFilter(int, void*, int) override { return false; }
    int GetClipFilterCount(int) override { return 0; }
    bool SetClipTrim(int, int32_t, int32_t) override { return true; }
    bool SetClipCrop(int, uint32_t, uint32_t, uint32_t, uint32_t) override { return true; }
    int GetClipIndexAt(uint32_t) override { return 0; }
    void ClearTimeLine() override {}
    bool SetClipVolume(int, double) override { return true; }
    bool SetClipMute(int, int) override { return true; }
    bool SetClipInterlaced(int, int) override { return true; }
    bool SetClipSpeed(int, double) override { return true; }
    void* GetClipHandle(int) override { return this; }
    bool AddClipFilter(int, void*, const char*, const char**, const char**) override { return true; }
    bool AddClipEffect(int, int, const char*, const char**, const char**) override { return true; }
    bool AddTransition(int, const char*, uint32_t) override { return false; }
    bool RemoveTransition(int) override { return false; }
    bool AddSubtitle(const char*) override { return false; }
    bool RemoveSubtitle() override { return false; }
    bool AddBackgroundAudio(const char*, int) override { return false; }
    bool RemoveBackgroundAudio() override { return false; }
    bool SetBackgroundAudioVolume(double) override { return false; }
    bool SetOutputSize(int, int) override { return true; }
    bool SetOutputFrameRate(uint32_t, uint32_t) override { return true; }
    bool SetOutputFormat(int, const Moorland::SimpleEditOutputFormat*) override { return true; }
    bool InsertSource(int index, const char* path, const char* importer, int32_t start, int32_t end, int movie,
                      int reserved) override
    {
        std::ostringstream line;
        line << "InsertSource " << index << " " << path << " " << importer << " " << start << " " << end << " " << movie
             << " " << reserved;
        Log(line.str());
        return true;
    }
    bool SetOutputStreams(int streams) override
    {
        Log("SetOutputStreams " + std::to_string(streams));
        return true;
    }
    bool SetFrameRate(double rate) override
    {
        std::ostringstream line;
        line << "SetFrameRate " << rate;
        Log(line.str());
        return true;
    }
    bool SaveToFile(const char* path) override { return Save("SaveToFile", path); }
};

class RecordingImporter : public Moorland::IAVImporter
{
public:
    RecordingImporter(RecordingTimeLine* pTimeline, int& nReleases) : m_pTimeline(pTimeline), m_nReleases(nReleases) {}
    const Moorland::ImporterInfo* GetInfo() override { return nullptr; }
    void* GetInterface(const char* name) override
    {
        return std::strcmp(name, "ISimpleEditTimeLine") == 0 ? m_pTimeline : nullptr;
    }
    bool Open(const char*) override { return false; }
    const char* GetFilePath() override { return ""; }
    uint32_t GetMovieCount() override { return 0; }
    Moorland::MovieInfo* GetMovieInfoAt(uint32_t) override { return nullptr; }
    Moorland::IAVCompressedSource* CreatePacketSource(int, int, const int*) override { return nullptr; }
    Moorland::IAVSource* CreateSource(int, int, int) override { return nullptr; }
    uint32_t GetMovieDuration(int) override { return 0; }
    bool SetOption(const char*, const char*) override { return false; }
    void Release() override
    {
        ++m_nReleases;
        delete this;
    }
    Moorland::IAVSource2* CreateMultiSource(int, Moorland::SMItemInfo*, int) override { return nullptr; }

private:
    RecordingTimeLine* m_pTimeline;
    int& m_nReleases;
};

class RecordingManager : public Moorland::IAVManager
{
public:
    std::vector<std::unique_ptr<RecordingTimeLine>> timelines;
    int nCreated = 0;
    int nReleases = 0;
    bool bFailSaves = false;
    RecordingTimeLine* Last() { return timelines.empty() ? nullptr : timelines.back().get(); }

    void Release() override {}
    Moorland::IAVImporter* CreateImporterByName(const char* name) override
    {
        if (std::strcmp(name, "SimpleEditImporter") != 0)
            return nullptr;
        timelines.emplace_back(new RecordingTimeLine);
        timelines.back()->failSave = bFailSaves;
        ++nCreated;
        return new RecordingImporter(timelines.back().get(), nReleases);
    }
    Moorland::IAVImporter* CreateImporter(const char*) override { return nullptr; }
    Moorland::IAVExporter* CreateExporterByName(const char*) override { return nullptr; }
    Moorland::IAVSource* CreateSourceFromAddress(const char*, const char*, int*, int*, int*,
                                                 Moorland::MovieInfo**) override
    {
        return nullptr;
    }
    Moorland::IVideoProcessor* CreateVideoProcessor(const char*) override { return nullptr; }
    Moorland::IAudioEffect* CreateAudioEffect(const char*) override { return nullptr; }
    bool ApplyConfigString(const char*) override { return true; }
    uint32_t GetImporterCount() override { return 0; }
    const Moorland::ImporterInfo* GetImporterInfoAt(uint32_t) override { return nullptr; }
    uint32_t GetExporterCount() override { return 0; }
    const char* GetExporterNameAt(uint32_t) override { return nullptr; }
    const char* GetOption(const char*) override { return nullptr; }
    const char* GetVersion() override { return "test"; }
    bool CanImportFile(const char*) override { return false; }
    void SetMessageHandler(QuentaBased::IMessageHandler*) override {}
    Moorland::IAVSource* CreateSourceFromFile(const char*, int, int) override { return nullptr; }
    void SetOption(const char*, const char*) override {}
    bool GetProperty(const char*, char*, int*) override { return false; }
    Moorland::IAccurateTrimManager* CreateAccurateTrimManager(const char*) override { return nullptr; }
    Moorland::IDiscCreator* CreateDiscCreator(const char*) override { return nullptr; }
};

class RecordingConverter : public Moorland::IAVConverter
{
public:
    struct Added
    {
        std::string sSrc, sDst, sImporter, sSrcText;
        bool bTwoPass;
        int nVideoBitrate;
        int nAVInclude;
        double dFrameRate;
    };
    std::vector<Added> added;
    bool bRefuse = false;
    Moorland::ConvertTaskInfo2 records[8] = {};

    int AddConvertTask(const char* src, const char* dst, IProfile* profile, bool twoPass, const char* importer) override
    {
        if (bRefuse) {
            GetQuentaException()->SetException(QB_ERR_DEST_SMALL, "no room", __LINE__, "test");
            return -1;
        }
        std::ifstream in(src);
        std::ostringstream text;
        text << in.rdbuf();
        IVideoProfile* pVideo = profile->GetVideoProfile();
        IFileProfile* pFile = profile->GetFileProfile();
        added.push_back({src, dst, importer, text.str(), twoPass, pVideo ? pVideo->GetBitrate() : 0,
                         pFile ? pFile->GetAVInclude() : -1, pVideo ? pVideo->GetFrameRate() : -1.0});
        return static_cast<int>(added.size()) - 1;
    }
    bool StartConvert() override { return true; }
    bool StopConvert(int) override { return true; }
    bool ResumeConvertTask(int) override { return true; }
    bool PauseConvertTask(int) override { return true; }
    bool RemoveConvertTask(int) override { return true; }
    bool StopAllConvertTasks() override { return true; }
    Moorland::ConvertTaskInfo2* GetConvertTaskInfo(int id) override
    {
        return id >= 0 && id < 8 ? &records[id] : nullptr;
    }
    void SetMaxRunProgressCount(int) override {}
    void SetUseCPUCore(int) override {}
    void Release() override {}
};

struct RecordingMirendo : IMirendo
{
    int nCalls = 0;
    TaskSourceInfo seen;
    std::string sVideoCodec;
    bool AdjustProfile(const TaskSourceInfo* pSource, IProfile*) override
    {
        ++nCalls;
        seen = *pSource;
        sVideoCodec = pSource->pszVideoCodec ? pSource->pszVideoCodec : "";
        return true;
    }
    const char* GetAudioBitrateList(const char*, int, int, const char* sList) override { return sList; }
    void Release() override {}
};

// -------------------------------------------------------------- clips, profiles

// One movie with the asked streams, freed as the media manager frees its own.
struct Movie
{
    Moorland::MovieInfo info{};
    Movie(bool bVideo, bool bAudio, int nWidth)
    {
        info.name = strdup("movie");
        info.format = strdup("mov,mp4");
        info.streams = static_cast<Moorland::StreamInfo*>(calloc(3, sizeof(Moorland::StreamInfo)));
        if (bVideo) {
            Moorland::StreamInfo& s = info.streams[info.streamCount++];
            s.type = Moorland::StreamTypeVideo;
            s.id = 0;
            s.codecName = strdup("h264");
            s.width = nWidth;
            s.height = 240;
            s.frameRate = Moorland::PackFrameRate(30000, 1001);
            s.aspect = 1u << 16 | 1u;
            s.bitRate = 4999999;
            s.duration = 10.0;
        }
        if (bAudio) {
            Moorland::StreamInfo& s = info.streams[info.streamCount++];
            s.type = Moorland::StreamTypeAudio;
            s.id = 1;
            s.codecName = strdup("aac");
            s.sampleRate = 48000;
            s.channels = 6;
            s.bitRate = 192000;
            s.duration = 10.0;
        }
    }
    ~Movie()
    {
        for (uint32_t i = 0; i < info.streamCount; ++i)
            free(info.streams[i].codecName);
        free(info.streams);
        free(info.name);
        free(info.format);
    }
};

std::unique_ptr<Fablecut::CMediaSourceItem> Clip(const QString& sPath, double dSeconds, int nFrameValue,
                                                 int nWidth = 320)
{
    Movie movie(true, true, nWidth);
    auto clip = std::make_unique<Fablecut::CMediaSourceItem>();
    clip->SetSrcFileFullPath(sPath);
    clip->setName(sPath);
    clip->SetImporterName("FFImporter");
    Moorland::MovieInfo* list[] = {&movie.info};
    clip->SetMovieInfos(list, 1);
    clip->SetTrimEndPoint(dSeconds, false);
    clip->SetTrimStartPoint(0.0, false);
    clip->SetFrameValue(nFrameValue);
    return clip;
}

struct ProfileReleaser
{
    void operator()(IProfile* p) const { p->Release(); }
};
using ProfilePtr = std::unique_ptr<IProfile, ProfileReleaser>;

ProfilePtr Profile(const char* sFormat, const char* sExt, int nAVInclude = 0)
{
    ProfilePtr p(CreateProfile());
    p->GetDesc()->SetFormatName(sFormat);
    p->GetFileProfile()->SetFileExt(sExt);
    p->GetFileProfile()->SetAVInclude(nAVInclude);
    p->GetVideoProfile()->SetCodecName("h264");
    p->GetVideoProfile()->SetFrameRate(0.0);
    p->GetVideoProfile()->SetWidth(640);
    p->GetVideoProfile()->SetHeight(480);
    p->GetVideoProfile()->SetBitrate(1000);
    p->GetAudioProfile()->SetCodecName("mp3");
    p->GetAudioProfile()->SetChannels(2);
    return p;
}

int LastCode()
{
    return GetQuentaException()->GetExceptionCode();
}

class OutputTaskTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_tmp.isValid());
        // The task's own descriptions are made in the temporary folder.
        m_sOldTmp = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
        setenv("TMPDIR", m_tmp.path().toLocal8Bit().constData(), 1);
        m_timeline.SetAVManager(&m_manager);
        m_task.reset(new CMMOutputTask(&m_manager, &m_mirendo, nullptr));
    }
    void TearDown() override
    {
        m_task.reset();
        if (m_sOldTmp.empty())
            unsetenv("TMPDIR");
        else
            setenv("TMPDIR", m_sOldTmp.c_str(), 1);
    }
    void Fill(std::initializer_list<const char*> names)
    {
        int n = 0;
        for (const char* sName : names) {
            auto clip = Clip(QString("/media/") + sName, 2.0, 25 * n++);
            ASSERT_TRUE(m_timeline.AppendItem(clip.get()));
        }
    }
    // The descriptions in the temporary folder and in the program's own
    // folder there, by their paths from the temporary folder.
    QStringList TaskFiles() const
    {
        QStringList files = QDir(m_tmp.path()).entryList({"*.seix"}, QDir::Files | QDir::Dirs);
        for (const QString& sFolder : QDir(m_tmp.path()).entryList({"fablecut-edit-*"}, QDir::Dirs)) {
            for (const QString& sName :
                 QDir(m_tmp.path() + "/" + sFolder).entryList({"*.seix"}, QDir::Files | QDir::Dirs))
                files << sFolder + "/" + sName;
        }
        return files;
    }

    QTemporaryDir m_tmp;
    std::string m_sOldTmp;
    RecordingManager m_manager;
    RecordingMirendo m_mirendo;
    RecordingConverter m_converter;
    CTimelineItem m_timeline;
    std::unique_ptr<CMMOutputTask> m_task;
};

TEST_F(OutputTaskTest, NewTaskReservesNamesOnlyAndHasNoJobYet)
{
    EXPECT_TRUE(TaskFiles().isEmpty()) << "no description file before a timeline is attached";
    EXPECT_EQ(m_task->GetConvertTaskID(), -1);
    EXPECT_EQ(m_task->GetBaseConvertTaskInfo(), nullptr);
    EXPECT_TRUE(m_task->GetTaskDstFilePath().isEmpty());
    EXPECT_EQ(m_task->GetProfile(true), nullptr);
    EXPECT_FALSE(m_task->IsYoutubeTask());
    EXPECT_TRUE(m_task->GetUploadtoYoutube());
    EXPECT_EQ(m_task->GetYoutubeInfo()->GetTitle(), "Title");
    m_task.reset(); // deletes two files that were never made, quietly
}

TEST_F(OutputTaskTest, DescriptionsLieInTheProgramsOwnFolderAndAKilledProgramsAreRemovedByTheNext)
{
    // A program killed while its task's description was in place: a child
    // that makes the folder the way the task does and dies without tidying.
    const pid_t child = fork();
    if (child == 0) {
        auto* folder = new QuentaBased::CLockedFolder("fablecut-edit-");
        std::ofstream(folder->Path() + "/tmpfLEFT.seix") << "left";
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_EQ(TaskFiles().size(), 1);
    // A user's file of that shape beside it is not the program's.
    std::ofstream((m_tmp.path() + "/tmpfUSER.seix").toStdString()) << "the user's";

    m_task.reset(new CMMOutputTask(&m_manager, &m_mirendo, nullptr));
    Fill({"a.mp4"});
    m_task->SetSrcTimelineItem(&m_timeline);
    ASSERT_EQ(LastCode(), 0);
    QStringList files = TaskFiles();
    files.removeAll(QFileInfo(m_timeline.GetSeixFile()).fileName());
    ASSERT_EQ(files.size(), 2) << files.join(" ").toStdString();
    EXPECT_TRUE(files.contains("tmpfUSER.seix"));
    files.removeAll("tmpfUSER.seix");
    EXPECT_TRUE(files[0].startsWith("fablecut-edit-")) << "the task's copy, in the program's own folder";
    EXPECT_FALSE(files[0].endsWith("tmpfLEFT.seix")) << "the killed program's is gone";
    EXPECT_EQ(QDir(m_tmp.path()).entryList({"fablecut-edit-*"}, QDir::Dirs).size(), 1);
}

TEST_F(OutputTaskTest, AttachingRefusesWhatCannotBeConvertedAndSuchATaskDoesNotStart)
{
    ProfilePtr p = Profile("MP4", ".mp4");
    m_task->SetProfile(p.get());
    m_task->SetSrcTimelineItem(nullptr);
    EXPECT_EQ(LastCode(), QB_ERR_BAD_POINTER);
    m_task->SetSrcTimelineItem(&m_timeline);
    EXPECT_EQ(LastCode(), QB_ERR_MEDIA);
    EXPECT_STREQ(GetQuentaException()->GetExceptionMsg(), "empty timeline item");

    // The timeline's description cannot be rewritten: converting the one it
    // wrote before (or none) would give a wrong output.
    Fill({"a.mp4"});
    m_task->SetSrcTimelineItem(&m_timeline);
    ASSERT_EQ(LastCode(), 0);
    auto more = Clip("/media/more.mp4", 2.0, 50);
    ASSERT_TRUE(m_timeline.AppendItem(more.get()));
    m_manager.bFailSaves = true;
    m_task->SetSrcTimelineItem(&m_timeline);
    EXPECT_NE(LastCode(), 0);
    EXPECT_NE(LastCode(), QB_ERR_MEDIA);

    EXPECT_EQ(m_task->GenerateConverterTask(&m_converter), nullptr);
    EXPECT_EQ(LastCode(), QB_ERR_MEDIA);
    EXPECT_TRUE(m_converter.added.empty()) << "no job without a timeline";
    EXPECT_EQ(m_task->GenerateConverterTask(nullptr), nullptr);
    EXPECT_EQ(LastCode(), QB_ERR_BAD_POINTER);
}

TEST_F(OutputTaskTest, FailedCopyOfTheDescriptionKeepsTheTaskFromStarting)
{
    Fill({"a.mp4"});
    m_task->SetSrcTimelineItem(&m_timeline);
    QStringList files = TaskFiles();
    files.removeAll(QFileInfo(m_timeline.GetSeixFile()).fileName());
    ASSERT_EQ(files.size(), 1) << "the task's copy";
    // The copy's place is taken by a folder: it cannot be replaced.
    const QString sCopy = m_tmp.path() + "/" + files[0];
    ASSERT_TRUE(QFile::remove(sCopy));
    ASSERT_TRUE(QDir().mkdir(sCopy));
    m_task->SetSrcTimelineItem(&m_timeline);
    EXPECT_EQ(LastCode(), QB_ERR_FILE_IO);
    ProfilePtr p = Profile("MP4", ".mp4");
    m_task->SetProfile(p.get());
    EXPECT_EQ(m_task->GenerateConverterTask(&m_converter), nullptr);
    EXPECT_TRUE(m_converter.added.empty());
    QDir().rmdir(sCopy);
}

TEST_F(OutputTaskTest, AttachedTimelineGivesExtensionDurationAndSourceFacts)
{
    struct Case
    {
        const char* sFirst;
        const char* sExt;
    };
    const Case cases[] = {{"clip.mp4", ".mp4"}, {"a.b.c.mov", ".mov"}, {"noext", "."}};
    for (const Case& c : cases) {
        m_timeline.clearAllItems();
        Fill({c.sFirst, "second.avi"});
        m_task->SetSrcTimelineItem(&m_timeline);
        EXPECT_EQ(m_task->GetDstFileExt(), c.sExt) << c.sFirst;
    }
    EXPECT_EQ(m_task->GetTaskDuration(), CBaseTime(4.0));

    // A ".*" profile keeps the source's extension, or Matroska's.
    ProfilePtr keep = Profile("MP4", ".*");
    m_task->SetProfile(keep.get());
    EXPECT_EQ(m_task->GetDstFileExt(), ".");
    ProfilePtr mkv = Profile("mkv", ".*");
    m_task->SetProfile(mkv.get());
    EXPECT_EQ(m_task->GetDstFileExt(), ".mkv");
    // Attaching again keeps the profile's say on the extension.
    m_timeline.clearAllItems();
    Fill({"clip.mp4"});
    m_task->SetSrcTimelineItem(&m_timeline);
    EXPECT_EQ(m_task->GetDstFileExt(), ".mkv");
    ProfilePtr mp4 = Profile("MP4", ".mp4");
    m_task->SetProfile(mp4.get());
    EXPECT_EQ(m_task->GetDstFileExt(), ".mp4");

    m_task->SetOutputDstFloder("/out");
    m_task->SetOutputDstName("clip_1");
    ASSERT_NE(m_task->GenerateConverterTask(&m_converter), nullptr);
    ASSERT_EQ(m_mirendo.nCalls, 1);
    EXPECT_EQ(m_mirendo.seen.nWidth, 320);
    EXPECT_EQ(m_mirendo.seen.nHeight, 240);
    EXPECT_NEAR(m_mirendo.seen.dFrameRate, 29.97, 0.001);
    EXPECT_EQ(m_mirendo.seen.nVideoBitrate, 4999999);
    EXPECT_EQ(m_mirendo.seen.nChannels, 6);
    EXPECT_EQ(m_mirendo.seen.nSampleRate, 48000);
    EXPECT_EQ(m_mirendo.seen.nAudioBitrate, 192000);
    EXPECT_EQ(m_mirendo.sVideoCodec, "h264");
}

TEST_F(OutputTaskTest, TranscodingJobSubmitsTheTimelinesDescriptionWithTheSimpleEditImporter)
{
    Fill({"clip.mp4"});
    m_task->SetSrcTimelineItem(&m_timeline);
    // The profile's streams and frame rate go with the job; the worker's
    // source applies them to the timeline's one description.
    const int includes[] = {0, 2, 1};
    int n = 0;
    for (int nAVInclude : includes) {
        CMMOutputTask task(&m_manager, &m_mirendo, nullptr);
        task.SetSrcTimelineItem(&m_timeline);
        ProfilePtr p = Profile("MP4", ".mp4", nAVInclude);
        task.SetProfile(p.get());
        const int nCreated = m_manager.nCreated;
        task.SetOutputDstFloder("/Users/a/Movies");
        task.SetOutputDstName("clip_" + QString::number(n));
        EXPECT_TRUE(task.GetTaskDstFilePath().isEmpty());
        Moorland::ConvertTaskInfo2* pRecord = task.GenerateConverterTask(&m_converter);
        ASSERT_EQ(pRecord, &m_converter.records[n]);
        EXPECT_EQ(m_manager.nCreated, nCreated) << "no second description wraps the timeline's";
        EXPECT_EQ(task.GetConvertTaskID(), n);
        EXPECT_EQ(task.GetBaseConvertTaskInfo(), pRecord);
        const QString sDst = "/Users/a/Movies/clip_" + QString::number(n) + ".mp4";
        EXPECT_EQ(task.GetTaskDstFilePath(), sDst);

        const RecordingConverter::Added& added = m_converter.added.back();
        EXPECT_EQ(added.sDst, sDst.toStdString());
        EXPECT_EQ(added.sImporter, "SimpleEditImporter");
        EXPECT_FALSE(added.bTwoPass);
        EXPECT_NE(added.sSrcText.find("InsertClip /media/clip.mp4"), std::string::npos)
            << "the copy of the timeline's own description is the source: " << added.sSrcText;
        EXPECT_NE(added.sSrc, m_timeline.GetSeixFile().toStdString()) << "a copy the timeline cannot change";
        EXPECT_EQ(added.nAVInclude, nAVInclude);
        EXPECT_NEAR(added.dFrameRate, 29.97, 0.001) << "the source's rate when the profile has none";
        ++n;
    }
    QStringList files = TaskFiles();
    files.removeAll(QFileInfo(m_timeline.GetSeixFile()).fileName());
    EXPECT_EQ(files.size(), 1) << "the task's copy and no description of its own";
}

TEST_F(OutputTaskTest, LosslessJobSubmitsTheTimelinesDescriptionOrRefusesJoiningUnlikeClips)
{
    // Clips with the same streams can be copied into one file.
    Fill({"a.mp4", "b.mp4"});
    ProfilePtr p = Profile("MP4", ".mp4");
    p->GetParams()->SetInt("remux", 3);
    for (bool bLike : {true, false}) {
        if (!bLike) {
            auto wide = Clip("/media/wide.mp4", 1.0, 0, 640);
            ASSERT_TRUE(m_timeline.AppendItem(wide.get()));
        }
        CMMOutputTask task(&m_manager, &m_mirendo, nullptr);
        task.SetSrcTimelineItem(&m_timeline);
        task.SetProfile(p.get());
        task.SetOutputDstFloder("/out");
        task.SetOutputDstName("joined");
        const int nTimelines = static_cast<int>(m_manager.timelines.size());
        if (!bLike) {
            // Refused with its reason before the engine sees it.
            const size_t nAdded = m_converter.added.size();
            EXPECT_EQ(task.GenerateConverterTask(&m_converter), nullptr);
            EXPECT_EQ(m_converter.added.size(), nAdded) << "nothing reaches the engine";
            EXPECT_NE(std::string(GetQuentaException()->GetExceptionMsg()).find("cannot be output losslessly"),
                      std::string::npos)
                << GetQuentaException()->GetExceptionMsg();
            EXPECT_EQ(task.GetBaseConvertTaskInfo(), nullptr);
            continue;
        }
        ASSERT_NE(task.GenerateConverterTask(&m_converter), nullptr);
        const RecordingConverter::Added& added = m_converter.added.back();
        EXPECT_EQ(added.sDst, "/out/joined.mp4");
        EXPECT_EQ(added.sImporter, "");
        EXPECT_NE(added.sSrcText.find("InsertClip /media/a.mp4"), std::string::npos)
            << "the timeline's own description goes to the engine";
        EXPECT_EQ(static_cast<int>(m_manager.timelines.size()), nTimelines) << "no description of its own";
        EXPECT_EQ(added.nVideoBitrate, 4999) << "the clips' average video bitrate, kbit/s";
    }
}

TEST_F(OutputTaskTest, FailedSubmissionKeepsNoJobAndARetryAdjustsAFreshCopy)
{
    Fill({"clip.mp4"});
    m_task->SetSrcTimelineItem(&m_timeline);
    ProfilePtr p = Profile("iPod", ".mp4");
    m_task->SetProfile(p.get());
    m_task->SetOutputDstFloder("/out");
    m_task->SetOutputDstName("pod");

    m_converter.bRefuse = true;
    for (int nTry = 0; nTry < 2; ++nTry) {
        EXPECT_EQ(m_task->GenerateConverterTask(&m_converter), nullptr);
        EXPECT_EQ(LastCode(), QB_ERR_DEST_SMALL) << "the engine's own reason";
        EXPECT_EQ(m_task->GetConvertTaskID(), -1);
        EXPECT_EQ(m_task->GetBaseConvertTaskInfo(), nullptr);
        EXPECT_EQ(m_task->GetProfile(false)->GetVideoProfile()->GetBitrate(), 800);
    }

    m_converter.bRefuse = false;
    ASSERT_NE(m_task->GenerateConverterTask(&m_converter), nullptr);
    EXPECT_EQ(m_converter.added.back().nVideoBitrate, 800) << "adjusted once, not once per attempt";
    EXPECT_EQ(m_task->GetProfile(true)->GetVideoProfile()->GetBitrate(), 1000) << "the chosen copy stays";
}

TEST_F(OutputTaskTest, ProfileIsClonedTwiceAndItsParametersMarkTheTask)
{
    ProfilePtr p = Profile("MP4", ".mp4");
    m_task->SetProfile(p.get());
    IProfile* pWork = m_task->GetProfile(false);
    IProfile* pChosen = m_task->GetProfile(true);
    ASSERT_NE(pWork, nullptr);
    EXPECT_NE(pWork, p.get());
    EXPECT_NE(pChosen, p.get());
    EXPECT_NE(pWork, pChosen);
    m_task->SetProfile(pWork); // its own working copy: nothing happens
    EXPECT_EQ(m_task->GetProfile(false), pWork);
    EXPECT_EQ(m_task->GetProfile(true), pChosen);

    struct Case
    {
        int nRemux;
        int nUpload;
        bool bYoutube;
    };
    const Case cases[] = {{3, 1, true}, {1, 0, false}, {4, 2, false}, {0, 0, false}};
    for (const Case& c : cases) {
        ProfilePtr q = Profile("MP4", ".mp4");
        q->GetParams()->SetInt("remux", c.nRemux);
        q->GetParams()->SetInt("YoutubeUpload", c.nUpload);
        m_task->SetProfile(q.get());
        EXPECT_EQ(m_task->IsYoutubeTask(), c.bYoutube) << c.nRemux << c.nUpload;
    }
    m_task->SetProfile(nullptr);
    EXPECT_EQ(m_task->GetProfile(false), nullptr);
    EXPECT_EQ(m_task->GetProfile(true), nullptr);
    EXPECT_FALSE(m_task->IsYoutubeTask());
}

} // namespace
