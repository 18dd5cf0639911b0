#pragma once

// A disc creation: a DVD or Blu-ray creator of the media manager loads the
// job's disc project and carries out the whole task; the job copies its
// status into the record, turns pause requests down and passes a cancel on
// when the creator allows it.

namespace Moorland {

class CJobContext;

class CDiscJob
{
public:
    explicit CDiscJob(CJobContext& job);
    // Throws "Creator Disc failed: " and the creator's reason on a failure;
    // keeps the record's state itself otherwise.
    void DoDiscCreator();

private:
    void RunCreator();

    CJobContext& m_job;
};

} // namespace Moorland
