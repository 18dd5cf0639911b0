#pragma once

// "IDVDCreator": writes a DVD-Video folder (and, when asked, its disc image)
// from a disc project file (DiscProject.h). Each title is fitted to the
// disc's frame with its shape kept and encoded to a DVD MPEG-2 program stream
// by the exporter; dvdauthor authors them beside the folder's place, and the
// finished folders replace whatever an earlier disc left there. The image is
// made with genisoimage; the task runs on a thread of its own and is polled.
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
};

} // namespace Solvane
