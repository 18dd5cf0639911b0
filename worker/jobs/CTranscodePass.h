#pragma once

// One pass of a transcode: frames read from the source go to the encoding
// muxer, on this thread or through a frame queue to an encoding thread,
// until the end of the source, the trim end, a cancel or a byte limit.
// Used by the direct transcode and by each part of a split.

#include "CAVEncodingThread.h"

#include <cstdint>

namespace Moorland {

class CJobContext;
class IAVSource;
class IEncodingMuxer;

class CTranscodePass
{
public:
    static const uint64_t kNoLimit = ~uint64_t(0);

    // What earlier parts of a split wrote: counted into the progress figures.
    struct Carried
    {
        uint64_t bytes = 0;
        uint32_t ms = 0;
    };

    CTranscodePass(CJobContext& job, IAVSource* source, int videoId, int audioId, IEncodingMuxer* muxer);

    // Runs pass `pass` of `passCount`, beginning the muxer's writing
    // itself. Throws on a failure; a cancel ends the pass without one. With a byte limit, the output's bytes and
    // milliseconds are added to `carried` when the limit is reached.
    void DoExport(int pass, int passCount, uint64_t byteLimit = kNoLimit, Carried* carried = nullptr);
    // Whether the last run read any frame (a part begun at the source's end
    // reads none).
    bool ReadFrames() const { return m_readFrames; }

private:
    // The frame loop; throws on a failure.
    void Loop(int pass, int passCount, uint64_t byteLimit, Carried* carried, CFramesQueue* queue,
              CAVEncodingThread* thread);

    CJobContext& m_job;
    IAVSource* m_source;
    int m_videoId;
    int m_audioId;
    IEncodingMuxer* m_muxer;
    bool m_readFrames = false;
};

} // namespace Moorland
