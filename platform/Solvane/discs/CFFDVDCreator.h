#pragma once

// "IDVDCreator": writes a DVD-Video folder (and, when asked, its disc image)
// from a disc project file (DiscProject.h). The titles are encoded to DVD
// MPEG-2 program streams by the exporter, authored with dvdauthor and imaged
// with genisoimage; the task runs on a thread of its own and is polled.
//
// Phases of the status: 1 encoding (step = title number), 2 authoring,
// 3 making the image.

#include "CFFDiscTask.h"

#include <string>

namespace Solvane {

class CFFDVDCreator final : public CFFDiscTask
{
public:
    explicit CFFDVDCreator(Moorland::IAVManager* manager);
    ~CFFDVDCreator() override;

private:
    void Run() override;
    // Moves the finished folder to `folder`, in place of an earlier one
    // (which goes only once the new one is there).
    static void PutInPlace(const std::string& finished, const std::string& folder);
};

} // namespace Solvane
