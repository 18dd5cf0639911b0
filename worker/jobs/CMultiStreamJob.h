#pragma once

// A multi-stream export: several chosen streams of one movie, each encoded
// by its own settings in the profile or copied unchanged, into one output.

#include "CheckedCalls.h"
#include "IAVImporter.h"
#include "IAVSource.h"
#include "MultiUtils.h"
#include "StreamStatist.h"
#include "SteadyTime.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace Moorland {

class CJobContext;
class IMultiMuxer2;

class CMultiStreamJob
{
public:
    explicit CMultiStreamJob(CJobContext& job);
    // Throws on a failure; state 5 at the end unless cancelled.
    void DoMultiExportExecute();

private:
    // The stream items of the address, else one per stream of the profile.
    void ChooseItems();
    // Hands the copied streams' headers and sound formats to the muxer.
    void GiveStreamHeaders(IAVSource2* source, IMultiMuxer2* muxer);
    // Fails the job when the output lacks any of its picture and sound or
    // holds less than the source gives (the movie's streams promise).
    void CheckOutput(MovieInfo* movie);
    // One pass over the source into the muxer.
    void DoMultiExport(IAVSource2* source, IMultiMuxer2* muxer, int pass, int passCount);
    // Fills the subtitle pre-read queue with the source's copied subtitle
    // packets, until the end of the source or a cancel.
    void DoPreReadSubtitle(IAVSource2* source, int baseIndex);
    // Where a pass's pictures and sound got to against the job's range: one
    // stray time moves neither.
    struct PassRange
    {
        PassRange(int32_t startMs, int32_t length) : start100ns(int64_t(startMs) * 10000), lengthMs(length) {}
        int64_t start100ns;
        int32_t lengthMs; // -1: to the end
        CSteadyTime video{1000}, audio{1000};
        int64_t firstMs = INT64_MIN;
    };
    // Notes a frame read for the statistics and the range, and sets the
    // copied packets' times: false when the frame stays out of the output
    // (before the first key picture, or outside the range).
    bool TakeFrame(const FrameInfo& info, CAVStatist& statist, PassRange& range, bool& copiedTaken, int64_t* reachedMs);
    // The subtitles due now: made-up fillers, and in pre-read mode the queued
    // packets the statistics let through.
    void WriteDueSubtitles(CAVStatist& statist, IMultiMuxer2* muxer, int subtitles);

    CJobContext& m_job;
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
