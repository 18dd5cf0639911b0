#pragma once

// The values of a job record that convworker takes from the engine, checked
// against their ranges before anything of the job is done, so a damaged or
// hostile record fails the job with a text naming the value instead of
// running forever, finishing with a wrong file or writing over a record.

#include "moorlan_srcutils/moorlan_job_kinds.h"
#include "ConvertTaskInfo2.h"
#include "IAVManager.h"
#include "JobPlan.h"

#include <cstdint>

class CMemFileMapping;

namespace Moorland {

// Encoding passes a job may ask for.
constexpr int32_t kMinJobPasses = 1;
constexpr int32_t kMaxJobPasses = 2;

// Throws CBaseException (10021010) naming the first value out of range:
// - the error-text block (link and capacity) must lie inside the data area
//   and outside the job table, every job record and the job's own texts; a
//   bad block is cleared from the record first, so the failure report that
//   follows cannot write into a record (it then has nowhere to put its
//   text: the reason goes to the worker's log);
// - the pass count must be 1 or 2;
// - the trim start must be 0 or more and, when not 0, before the end of the
//   source (opened once to measure it; disc jobs have no trim range);
// - the trim length must be -1 (to the end) or more than 0.
// The passes, the kind and the range are the job's plan's.
void CheckJobValues(IAVManager* manager, const ConvertTaskLocal& job, CMemFileMapping* file, const JobPlan& plan);

} // namespace Moorland
