#pragma once

// What the disc creators share: the project file, the task thread, the
// status the worker polls, the cancel flag and running the authoring tools.
// A creator supplies Run, which writes the disc and throws on any failure
// (a cancel included); the task then ends with state 4 and the reason in
// the status, or with state 5 and percent 100 when Run returns.

#include "DiscProject.h"
#include "IAVManager.h"
#include "IDiscCreator.h"
#include "sysutils_file.h"

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace Solvane {

class CFFDiscTask : public Moorland::IDiscCreator
{
public:
    bool LoadProjectFile(const char* path) override;
    bool StartTask() override;
    bool CancelTask() override;
    const Moorland::DiscCreatorStatus* GetTaskStatus() override;
    void Release() override;

protected:
    explicit CFFDiscTask(Moorland::IAVManager* manager);
    // The most derived destructor calls Stop first, so Run never outlives
    // the members it uses.
    ~CFFDiscTask() override;
    void Stop();

    virtual void Run() = 0;

    Moorland::IAVManager* Manager() const { return m_manager; }
    const DiscProject& Project() const { return m_project; }
    bool Cancelled() const { return m_cancel; }
    // Throws "Cancel" once the task is cancelled.
    void CheckCancel() const;
    // The point of no return: throws "Cancel" when the task is cancelled,
    // and otherwise turns every later cancel down, so what is put in place
    // after it is never reported as cancelled.
    void BeginPuttingInPlace();
    void Set(uint8_t phase, uint8_t step, double percent);
    // Runs a program found on PATH, with `env` ("NAME=value") over the
    // inherited environment, and waits for it; throws with its last words on
    // stderr when it fails or crashes, and kills it (with whatever it has
    // started) when the task is cancelled.
    void RunProgram(const std::vector<std::string>& args, const std::vector<std::string>& env = {});

    // Throws, with the reason, unless `folder` may be replaced by a new
    // disc: it is not there, or it is an empty real folder, or a real folder
    // holding a disc (`discFile` inside it: "index.bdmv", "VIDEO_TS.IFO").
    // A link is never followed and a folder holding anything else is the
    // user's: both are refused. Empty `discFile`: only an empty folder.
    static void CheckReplaceable(const std::string& folder, const std::string& discFile);
    // Puts the finished folder `part` (made by this task) in the place of
    // `folder`: an earlier disc there goes, so the folder holds this disc
    // alone; what `folder` is, is judged again first (see
    // CheckReplaceable). When the move fails the earlier folder stays as it
    // was.
    static void ReplaceFolder(const QuentaBased::made_entry& part, const std::string& folder,
                              const std::string& discFile);

private:
    void Body();

    Moorland::IAVManager* m_manager;
    DiscProject m_project;
    bool m_loaded = false;
    std::thread m_thread;
    std::atomic<bool> m_cancel{false};
    bool m_puttingInPlace = false; // under m_lock
    std::mutex m_lock;
    Moorland::DiscCreatorStatus m_status{};
    Moorland::DiscCreatorStatus m_public{};
};

} // namespace Solvane
