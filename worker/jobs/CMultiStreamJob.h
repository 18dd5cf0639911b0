#pragma once

// A multi-stream export: several chosen streams of one movie, each encoded
// by its own settings in the profile or copied unchanged, into one output.

#include "CheckedCalls.h"
#include "IAVImporter.h"
#include "IAVSource.h"
#include "MultiUtils.h"
#include "StreamStatist.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace Moorland {

class CJobContext;
class IMultiMuxer2;

class CMultiStreamJob
{
public:
    // `useAspectText`: a ProRes job writes the display aspect as text.
    CMultiStreamJob(CJobContext& job, bool useAspectText);
    // Throws on a failure; state 5 at the end unless cancelled.
    void DoMultiExportExecute(bool prores);

private:
    // The stream items of the address, else one per stream of the profile.
    void ChooseItems();
    // One pass over the source into the muxer.
    void DoMultiExport(IAVSource2* source, IMultiMuxer2* muxer, int pass, int passCount);
    // Fills the subtitle pre-read queue with the source's copied subtitle
    // packets, until the end of the source or a cancel.
    void DoPreReadSubtitle(IAVSource2* source, int baseIndex);
    // The subtitles due now: made-up fillers, and in pre-read mode the queued
    // packets the statistics let through.
    void WriteDueSubtitles(CAVStatist& statist, IMultiMuxer2* muxer, int subtitles);

    CJobContext& m_job;
    bool m_useAspectText;
    std::unique_ptr<SMItemInfo[]> m_items;
    int m_itemCount = 0;
    // The last time of each copied subtitle stream: they never go back.
    std::vector<int64_t> m_lastSubtitleTime;
    // Subtitles read ahead of the other streams; the mode is off at the
    // start of every job.
    CPreReadSubtitle m_preRead;
    bool m_preReadSubtitle = false;
};

} // namespace Moorland
