#pragma once

// What the output task tests share: a conversion engine that only records
// its calls and keeps job records the test writes, and one generated clip on
// a timeline with a shipped MP4 profile, enough for a real output task.
// A test program defines OUTPUT_TASK_TEST_PROGRAM, its name, before this.

#include "../MainPages/GuiTestApp.h"

#include "AppConfigure/CAppFixedInfo.h"
#include "AppConfigure/CAppVariableInfo.h"
#include "ConvertTaskInfo2.h"
#include "IAVConverter.h"
#include "IAVManager.h"
#include "IProfile.h"
#include "OutputTask/cmmoutputtask.h"
#include "ProjectData/cdcmediasrcmgr.h"
#include "ProjectData/csourcedata.h"
#include "ProjectData/ctimelineitem.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace OutputTaskTest {

using namespace Fablecut;

const std::string kBin = FABLECUT_BIN_DIR;

class RecordingConverter : public Moorland::IAVConverter
{
public:
    std::vector<std::string> calls;
    std::map<int, std::unique_ptr<Moorland::ConvertTaskInfo2>> records;
    std::map<int, std::string> failures;
    bool refuse = false;
    int nextId = 7;

    int AddConvertTask(const char*, const char* dst, IProfile*, bool, const char*) override
    {
        calls.push_back(std::string("Add ") + (dst ? dst : ""));
        if (refuse)
            return -1;
        const int id = nextId++;
        auto rec = std::make_unique<Moorland::ConvertTaskInfo2>();
        std::memset(rec.get(), 0, sizeof(Moorland::ConvertTaskInfo2));
        rec->TaskID = id;
        rec->SetState(Moorland::CONVERT_TASK_RUNNING);
        records[id] = std::move(rec);
        return id;
    }
    bool StartConvert() override
    {
        calls.push_back("Start");
        return true;
    }
    bool StopConvert(int n) override
    {
        calls.push_back("Stop " + std::to_string(n));
        return true;
    }
    bool ResumeConvertTask(int id) override
    {
        calls.push_back("Resume " + std::to_string(id));
        if (Moorland::ConvertTaskInfo2* rec = GetConvertTaskInfo(id))
            rec->SetState(Moorland::CONVERT_TASK_RUNNING);
        return true;
    }
    bool PauseConvertTask(int id) override
    {
        calls.push_back("Pause " + std::to_string(id));
        return true;
    }
    bool RemoveConvertTask(int id) override
    {
        calls.push_back("Remove " + std::to_string(id));
        return true;
    }
    bool StopAllConvertTasks() override
    {
        calls.push_back("StopAll");
        return true;
    }
    Moorland::ConvertTaskInfo2* GetConvertTaskInfo(int id) override
    {
        auto it = records.find(id);
        return it == records.end() ? nullptr : it->second.get();
    }
    std::string GetConvertTaskFailure(int id) override { return failures[id]; }
    std::string GetConvertTaskLogPath(int id) override
    {
        return id > 0 ? "/tmp/job" + std::to_string(id) + ".log" : "";
    }
    void SetMaxRunProgressCount(int) override {}
    void SetUseCPUCore(int) override {}
    void Release() override {}

    int count(const std::string& call) const
    {
        int n = 0;
        for (const std::string& c : calls)
            n += c == call;
        return n;
    }
};

struct ProfileRelease
{
    void operator()(IProfile* p) const
    {
        if (p)
            p->Release();
    }
};

// One generated clip imported the way the library imports, a timeline that
// holds it, and a shipped MP4 profile: enough for a real output task.
struct Media
{
    QTemporaryDir dir;
    Moorland::IAVManager* manager = nullptr;
    CSourceData library;
    std::unique_ptr<CDCMediaSrcMgr> importer;
    std::unique_ptr<CTimelineItem> timeline;
    std::unique_ptr<IProfile, ProfileRelease> profile;
    bool ok = false;

    explicit Media(const char* program)
    {
        GuiTest::App(program);
        CAppFixedInfo::GetInstance()->ReadInfos();
        CAppVariableInfo::GetInstance()->ReadInfos();
        CAppVariableInfo::GetInstance()->InitInfos();
        manager = CreateAVManager("/tmp/", nullptr);
        const QString clip = dir.filePath("Holiday.avi");
        if (!manager || !GuiTest::MakeClip(clip, true, 5.0))
            return;
        importer = std::make_unique<CDCMediaSrcMgr>(nullptr, manager);
        importer->SetSourceStructure(&library);
        importer->SetDefaultLibraryFile(dir.filePath("library.fml"));
        QSignalSpy done(importer.get(), &CDCMediaSrcMgr::signal_OnAllFilesImportFinished);
        if (!importer->ImportMediaFiles(QStringList{clip}))
            return;
        QElapsedTimer timer;
        timer.start();
        while (done.isEmpty() && timer.elapsed() < 60000)
            done.wait(50);
        if (library.GetSourceDataItems().empty())
            return;
        timeline = std::make_unique<CTimelineItem>();
        timeline->SetAVManager(manager);
        if (!timeline->AppendItem(library.GetSourceDataItems().front()))
            return;
        profile.reset(CreateProfile());
        ok = profile && profile->LoadFile((kBin + "/profile/101.xml").c_str());
    }
    ~Media()
    {
        timeline.reset();
        importer.reset();
        if (manager)
            manager->Release();
    }
};

// The media of the test program `OUTPUT_TASK_TEST_PROGRAM`.
inline Media& TheMedia()
{
    static Media media(OUTPUT_TASK_TEST_PROGRAM);
    return media;
}

// A task of the test timeline with the MP4 profile, as the list makes one.
inline CMMOutputTask* QueueTask(const QString& name, IProfile* profile = nullptr)
{
    auto* task = new CMMOutputTask(TheMedia().manager, nullptr, nullptr);
    task->SetSrcTimelineItem(TheMedia().timeline.get());
    task->SetProfile(profile ? profile : TheMedia().profile.get());
    task->SetOutputDstName(name);
    task->SetOutputDstFloder(QDir::tempPath());
    return task;
}

} // namespace OutputTaskTest
