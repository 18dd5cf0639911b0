#pragma once

// A transcode split by size: numbered parts "<name>(n)<ext>" of at most the
// profile's size less a reserve, each a complete movie written in one pass,
// until the source ends.

#include "CheckedCalls.h"
#include "IAVExporter.h"

#include <cstdint>
#include <string>

namespace Moorland {

class CJobContext;

class CSplitBySizeJob
{
public:
    // Parts of the plan's bytes per file (above 0).
    explicit CSplitBySizeJob(CJobContext& job);
    // Throws on a failure.
    void DoExportBySize();

private:
    // The exporter of one part: the source looked at afresh for the
    // profile's completion, the part's file opened.
    Released<IAVExporter> PrepareExporter(const std::string& fileName);

    CJobContext& m_job;
    uint64_t m_partLimit;
};

} // namespace Moorland
