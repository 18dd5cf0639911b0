#pragma once

// A plain transcode: the source decoded, completed into the profile and
// encoded in one pass per encoding pass the record asks for (one for an
// output of sound only), then checked and marked finished.

#include <string>

namespace Moorland {

class CJobContext;
class CJobProfile;

class CTranscodeJob
{
public:
    CTranscodeJob(CJobContext& job, CJobProfile& profile, bool useOrgAspect, bool prores);
    // Throws on a failure; state 5 at the end unless cancelled.
    void Run();

private:
    CJobContext& m_job;
    CJobProfile& m_profile;
    bool m_useOrgAspect;
    bool m_prores;
};

} // namespace Moorland
