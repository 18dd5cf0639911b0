#pragma once

// "IBDCreator": writes a Blu-ray movie folder (BDMV, with its BACKUP copies)
// and, when asked, its disc image from a disc project file
// (DiscProject.h). Each title is fitted to a Blu-ray picture size and
// rate, encoded to H.264 with AC-3 sound (LPCM when the source's sound is
// uncompressed PCM) and multiplexed as an M2TS stream file; the clip
// information, with its entry-point map read back from the stream file,
// one playlist with a play item per title and its chapter marks, the movie
// object that plays it and the index follow. The folder is built beside
// its place and moved in when complete, so a failed or cancelled task
// leaves no part of one behind. The image is a UDF file system made by
// genisoimage.
//
// Phases of the status: 1 encoding (step = title number), 2 authoring
// (step 1 reading the streams back, 2 writing the navigation files),
// 3 making the image.

#include "CFFDiscTask.h"

namespace Solvane {

class CFFBDCreator final : public CFFDiscTask
{
public:
    explicit CFFBDCreator(Moorland::IAVManager* manager);
    ~CFFBDCreator() override;

private:
    void Run() override;
};

} // namespace Solvane
