#include "JobValueChecks.h"

#include "CheckedCalls.h"

#include "Basilvo/Basilvo.h"
#include "Basilvo/QuentaLogger.h"
#include "CBaseException.h"
#include "MemFileMapping.h"

#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace Moorland {

namespace {

const char* const kSource = "JobValueChecks";

[[noreturn]] void OutOfRange(const std::string& what)
{
    throw CBaseException(QB_ERR_BAD_PARAM, "The job cannot start: " + what, __LINE__, kSource);
}

bool Overlap(uint64_t a, uint64_t aEnd, uint64_t b, uint64_t bEnd)
{
    return a < bEnd && b < aEnd;
}

// The job table and every record it links, as byte ranges of the data area.
// The table comes first in the file and ends where the lowest record starts.
std::vector<std::pair<uint64_t, uint64_t>> UsedRanges(CMemFileMapping* file, const ConvertTaskInfo2* record)
{
    const uint64_t size = file->GetCapacity();
    std::vector<std::pair<uint64_t, uint64_t>> used;
    uint64_t tableEnd = size;
    for (uint64_t entry = 0; entry + 4 <= tableEnd; entry += 4) {
        void* p = nullptr;
        if (!file->ReadData(static_cast<uint32_t>(entry), 4, &p))
            break;
        uint32_t link = 0;
        std::memcpy(&link, p, 4);
        if (link == 0 || uint64_t(link) + sizeof(ConvertTaskInfo2) > size)
            continue;
        used.emplace_back(link, uint64_t(link) + sizeof(ConvertTaskInfo2));
        if (link < tableEnd)
            tableEnd = link;
    }
    used.emplace_back(0, tableEnd);
    for (uint32_t text : {record->SrcPathText, record->DstPathText})
        if (const char* s = file->GetText(text))
            used.emplace_back(text, uint64_t(text) + std::strlen(s) + 1);
    return used;
}

void CheckErrorTextBlock(CMemFileMapping* file, ConvertTaskInfo2* record)
{
    const uint64_t link = record->ErrorText;
    const uint64_t capacity = record->ErrorTextCapacity;
    std::string bad;
    if (link == 0 || capacity == 0) {
        bad = "the job record reserves no error text (link " + std::to_string(link) + ", capacity " +
              std::to_string(capacity) + ")";
    } else if (link + capacity > file->GetCapacity()) {
        bad = "the error text link " + std::to_string(link) + " with capacity " + std::to_string(capacity) +
              " leaves the job file's " + std::to_string(file->GetCapacity()) + " bytes";
    } else {
        for (const auto& range : UsedRanges(file, record))
            if (Overlap(link, link + capacity, range.first, range.second)) {
                bad = "the error text link " + std::to_string(link) + " with capacity " + std::to_string(capacity) +
                      " overlaps the job table, a job record or the job's texts";
                break;
            }
    }
    if (bad.empty())
        return;
    // Nothing may be written through it: the report then fails with no text.
    record->ErrorText = 0;
    record->ErrorTextCapacity = 0;
    if (IQuentaLogger* logger = GetQuentaLogger())
        logger->Log(LOG_ERROR, kSource, ("The job cannot start: " + bad).c_str(), nullptr, 0);
    OutOfRange(bad);
}

} // namespace

void CheckJobValues(IAVManager* manager, const ConvertTaskLocal& job, CMemFileMapping* file, const JobPlan& plan)
{
    ConvertTaskInfo2* record = job.pRecord;
    if (!record || !file || !manager)
        throw CBaseException(QB_ERR_BAD_POINTER, "Bad pointer", __LINE__, kSource);
    CheckErrorTextBlock(file, record);
    if (plan.passes < kMinJobPasses || plan.passes > kMaxJobPasses)
        OutOfRange("the pass count " + std::to_string(plan.passes) + " is outside " + std::to_string(kMinJobPasses) +
                   " to " + std::to_string(kMaxJobPasses));
    if (plan.kind == JobKind::DiscCreation)
        return; // a disc job: its source is a disc project without a trim range
    if (plan.trimStartMs < 0)
        OutOfRange("the trim start " + std::to_string(plan.trimStartMs) + " ms is below 0");
    if (plan.trimLengthMs != -1 && plan.trimLengthMs <= 0)
        OutOfRange("the trim length " + std::to_string(plan.trimLengthMs) + " ms is neither -1 nor above 0");
    if (plan.trimStartMs == 0)
        return;
    Released<IAVSource> source(CheckedCall(
        [&] {
            return manager->CreateSourceFromAddress(job.SrcPath ? job.SrcPath : "", job.ImporterName, nullptr, nullptr,
                                                    nullptr, nullptr);
        },
        std::string("No movie found in the source ") + (job.SrcPath ? job.SrcPath : ""), __LINE__, kSource,
        QB_ERR_MEDIA));
    const uint32_t sourceMs = source->GetDuration();
    if (sourceMs > 0 && static_cast<uint32_t>(plan.trimStartMs) >= sourceMs)
        OutOfRange("the trim start " + std::to_string(plan.trimStartMs) + " ms is not before the end of the source (" +
                   std::to_string(sourceMs) + " ms)");
}

} // namespace Moorland
