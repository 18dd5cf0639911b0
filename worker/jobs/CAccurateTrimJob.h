#pragma once

// An accurate trim: the media manager's trim manager cuts the range frame
// exactly and keeps the job record's state and figures itself.

namespace Moorland {

class CJobContext;

class CAccurateTrimJob
{
public:
    explicit CAccurateTrimJob(CJobContext& job);
    // Throws on a failure.
    void DoAccurateTrim();

private:
    CJobContext& m_job;
};

} // namespace Moorland
