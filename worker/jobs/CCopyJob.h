#pragma once

// A stream copy: the source file's bytes unchanged into the destination, in
// blocks of 64 KiB.

namespace Moorland {

class CJobContext;

class CCopyJob
{
public:
    explicit CCopyJob(CJobContext& job);
    // Throws on a failure; state 5 at the end unless cancelled.
    void DoCopy();

private:
    CJobContext& m_job;
};

} // namespace Moorland
