#pragma once

// "IDVDCreator": writes a DVD-Video folder (and, when asked, its disc image)
// from a disc project file. The titles are encoded to DVD MPEG-2 program
// streams by the exporter, authored with dvdauthor and imaged with
// genisoimage; the task runs on a thread of its own and is polled.
//
// The project file is text, one "key=value" a line ('#' starts a comment):
//   output=<folder for VIDEO_TS>      (required)
//   image=<path of the .iso to make>  (optional)
//   standard=PAL | NTSC               (default PAL)
//   aspect=16:9 | 4:3                 (default 16:9)
//   title=<media file or source address>   (one or more, in disc order)
//
// Phases of the status: 1 encoding (step = title number), 2 authoring,
// 3 making the image.

#include "IAVManager.h"
#include "IDiscCreator.h"

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace Solvane {

class CFFDVDCreator final : public Moorland::IDiscCreator
{
public:
    explicit CFFDVDCreator(Moorland::IAVManager* manager);
    ~CFFDVDCreator();

    bool LoadProjectFile(const char* path) override;
    bool StartTask() override;
    bool CancelTask() override;
    const Moorland::DiscCreatorStatus* GetTaskStatus() override;
    void Release() override;

private:
    void Run();
    void Set(uint8_t phase, uint8_t step, double percent);
    // Runs a program (found on PATH) and waits for it; throws with its
    // last words on stderr when it fails, or when the task is cancelled.
    void RunProgram(const std::vector<std::string>& args);

    Moorland::IAVManager* m_manager;
    std::string m_output;
    std::string m_image;
    bool m_pal = true;
    bool m_wide = true;
    std::vector<std::string> m_titles;
    bool m_loaded = false;
    std::thread m_thread;
    std::atomic<bool> m_cancel{false};
    std::mutex m_lock;
    Moorland::DiscCreatorStatus m_status{};
    Moorland::DiscCreatorStatus m_public{};
};

} // namespace Solvane
