#pragma once

// A plain transcode: the source decoded, completed into the profile and
// encoded in each pass the job's plan holds, then checked and marked
// finished.

#include <string>

namespace Moorland {

class CJobContext;
class CJobProfile;

class CTranscodeJob
{
public:
    CTranscodeJob(CJobContext& job, CJobProfile& profile);
    // Throws on a failure; state 5 at the end unless cancelled.
    void Run();

private:
    CJobContext& m_job;
    CJobProfile& m_profile;
};

} // namespace Moorland
