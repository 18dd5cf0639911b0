#pragma once

// A packet remux: the source's compressed packets written unchanged into
// the profile's container, from the first key frame at the trim start.

#include "CheckedCalls.h"
#include "IAVImporter.h"
#include "IAVSource.h"

namespace Moorland {

class CJobContext;
class CJobProfile;
class INoEncodingMuxer;

class CRemuxJob
{
public:
    CRemuxJob(CJobContext& job, CJobProfile& profile);
    // Throws on a failure, "Cancel" after a cancel; state 5 at the end.
    void Run();

private:
    // The packet loop into the muxer.
    void DoReMux(IAVCompressedSource* source, int videoId, int videoOut, int audioId, int audioOut,
                 INoEncodingMuxer* muxer);

    CJobContext& m_job;
    CJobProfile& m_profile;
};

} // namespace Moorland
