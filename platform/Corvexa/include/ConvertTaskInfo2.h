#pragma once

// One conversion job as it lies in the mapped job file. The conversion
// engine, convworker and the GUI's task list all read the same bytes, so the
// record is a wire format: 124 bytes, little-endian, packed on 4-byte
// boundaries. Links are 32-bit offsets from the start of the job file's data
// area (0 = none). No address of any process is ever stored here: the slots
// that once carried in-process pointers hold 0, and each process keeps its own
// pointers in a ConvertTaskLocal beside the record.

#include "moorlan_srcutils/moorlan_job_kinds.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

class IProfile;
class IQuentaStream;

namespace Moorland {

// Values of ConvertTaskInfo2::State.
enum ConvertTaskState : int32_t {
    CONVERT_TASK_RUNNING = 1,
    CONVERT_TASK_PAUSED = 2,
    CONVERT_TASK_CANCEL = 3,
    CONVERT_TASK_FAILED = 4,
    CONVERT_TASK_FINISHED = 5,
};

#pragma pack(push, 4)
struct ConvertTaskInfo2
{
    int32_t TaskID; // 0x00 engine's id of the task
    // 0x04, 0x08: the block the engine reserved for the names of the
    // working files and folders the worker makes (see CWorkNames): its link
    // and its bytes, both 0 when none was reserved. Readers of the record
    // that predate them took both words as unused.
    uint32_t WorkNames;
    uint32_t WorkNamesCapacity;
    // 0x0C: the job kind (Moorland::JobKind) the engine planned when the task
    // was submitted (JobPlan.h), plus one; 0 in a record written without a
    // plan, whose worker plans the job itself from the profile. The importer
    // name travels on the worker's command line.
    int32_t JobKindCode;
    uint32_t Profile; // 0x10 always 0 in the file
    int32_t State;    // 0x14 ConvertTaskState; use GetState/SetState
    int32_t Pass;     // 0x18 encoding passes
    // The 64-bit figures sit at 4-byte boundaries, so they are kept as bytes
    // and reached only through the accessors below.
    unsigned char ElapsedTime[8];   // 0x1C double, seconds
    unsigned char Duration[8];      // 0x24 double, seconds
    unsigned char RemainingTime[8]; // 0x2C double, seconds
    unsigned char Percent[8];       // 0x34 double, 0 to 100
    unsigned char BytesWritten[8];  // 0x3C int64
    unsigned char EstimatedSize[8]; // 0x44 int64
    // 0x4C: bytes of the error-text block the engine reserved at ErrorText
    // (0 when none was reserved). The worker writes its error text into that
    // block in place and allocates nothing in a file it did not create.
    uint32_t ErrorTextCapacity;
    int32_t TrimStart;    // 0x50 ms
    int32_t TrimLength;   // 0x54 ms, -1 = to the end
    uint32_t DstStream;   // 0x58 always 0 in the file (see ConvertTaskLocal)
    uint8_t DiscPhase;    // 0x5C
    uint8_t DiscStep;     // 0x5D
    uint16_t DiscValue;   // 0x5E
    uint32_t ErrorText;   // 0x60 link to the error text
    uint32_t SrcPathText; // 0x64 link to the source address text
    uint32_t DstPathText; // 0x68 link to the destination path text
    // 0x6C to 0x7B: the rest of the job's plan (JobPlan.h), written with the
    // kind at 0x0C, the passes at 0x18 and the trim range at 0x50.
    uint32_t PlanFlags;            // 0x6C written, ProRes, source aspect, copied streams, has format
    int32_t PlanStreams;           // 0x70 Moorland::AVInclude value
    unsigned char PerFileBytes[8]; // 0x74 int64, bytes per part of a split job

    // The state word is shared by two processes without a lock.
    int32_t GetState() const { return __atomic_load_n(&State, __ATOMIC_ACQUIRE); }
    // Release order: whatever was written before (the error text) is visible
    // to a reader that sees the new state.
    void SetState(int32_t nState) { __atomic_store_n(&State, nState, __ATOMIC_RELEASE); }
    // Writes nState only while the state still is nExpected.
    bool ChangeState(int32_t nExpected, int32_t nState)
    {
        return __atomic_compare_exchange_n(&State, &nExpected, nState, false, __ATOMIC_ACQ_REL, __ATOMIC_ACQUIRE);
    }

    double GetElapsedTime() const { return LoadF64(ElapsedTime); }
    void SetElapsedTime(double d) { StoreF64(ElapsedTime, d); }
    double GetDuration() const { return LoadF64(Duration); }
    void SetDuration(double d) { StoreF64(Duration, d); }
    double GetRemainingTime() const { return LoadF64(RemainingTime); }
    void SetRemainingTime(double d) { StoreF64(RemainingTime, d); }
    double GetPercent() const { return LoadF64(Percent); }
    void SetPercent(double d) { StoreF64(Percent, d); }
    int64_t GetBytesWritten() const { return LoadI64(BytesWritten); }
    void SetBytesWritten(int64_t n) { StoreI64(BytesWritten, n); }
    int64_t GetEstimatedSize() const { return LoadI64(EstimatedSize); }
    void SetEstimatedSize(int64_t n) { StoreI64(EstimatedSize, n); }

    int64_t GetPerFileBytes() const { return LoadI64(PerFileBytes); }
    void SetPerFileBytes(int64_t n) { StoreI64(PerFileBytes, n); }

    bool HasJobKind() const { return JobKindCode > 0; }
    JobKind GetJobKind() const { return JobKindFromValue(JobKindCode - 1); }
    void SetJobKind(JobKind kind) { JobKindCode = static_cast<int32_t>(kind) + 1; }

private:
    static double LoadF64(const unsigned char* p)
    {
        double d;
        std::memcpy(&d, p, sizeof d);
        return d;
    }
    static void StoreF64(unsigned char* p, double d) { std::memcpy(p, &d, sizeof d); }
    static int64_t LoadI64(const unsigned char* p)
    {
        int64_t n;
        std::memcpy(&n, p, sizeof n);
        return n;
    }
    static void StoreI64(unsigned char* p, int64_t n) { std::memcpy(p, &n, sizeof n); }
};
#pragma pack(pop)

static_assert(offsetof(ConvertTaskInfo2, TaskID) == 0x00, "job record layout");
static_assert(offsetof(ConvertTaskInfo2, WorkNames) == 0x04, "job record layout");
static_assert(offsetof(ConvertTaskInfo2, WorkNamesCapacity) == 0x08, "job record layout");
static_assert(offsetof(ConvertTaskInfo2, JobKindCode) == 0x0C, "job record layout");
static_assert(offsetof(ConvertTaskInfo2, Profile) == 0x10, "job record layout");
static_assert(offsetof(ConvertTaskInfo2, State) == 0x14, "job record layout");
static_assert(offsetof(ConvertTaskInfo2, Pass) == 0x18, "job record layout");
static_assert(offsetof(ConvertTaskInfo2, ElapsedTime) == 0x1C, "job record layout");
static_assert(offsetof(ConvertTaskInfo2, Duration) == 0x24, "job record layout");
static_assert(offsetof(ConvertTaskInfo2, RemainingTime) == 0x2C, "job record layout");
static_assert(offsetof(ConvertTaskInfo2, Percent) == 0x34, "job record layout");
static_assert(offsetof(ConvertTaskInfo2, BytesWritten) == 0x3C, "job record layout");
static_assert(offsetof(ConvertTaskInfo2, EstimatedSize) == 0x44, "job record layout");
static_assert(offsetof(ConvertTaskInfo2, ErrorTextCapacity) == 0x4C, "job record layout");
static_assert(offsetof(ConvertTaskInfo2, TrimStart) == 0x50, "job record layout");
static_assert(offsetof(ConvertTaskInfo2, TrimLength) == 0x54, "job record layout");
static_assert(offsetof(ConvertTaskInfo2, DstStream) == 0x58, "job record layout");
static_assert(offsetof(ConvertTaskInfo2, DiscPhase) == 0x5C, "job record layout");
static_assert(offsetof(ConvertTaskInfo2, DiscStep) == 0x5D, "job record layout");
static_assert(offsetof(ConvertTaskInfo2, DiscValue) == 0x5E, "job record layout");
static_assert(offsetof(ConvertTaskInfo2, ErrorText) == 0x60, "job record layout");
static_assert(offsetof(ConvertTaskInfo2, SrcPathText) == 0x64, "job record layout");
static_assert(offsetof(ConvertTaskInfo2, DstPathText) == 0x68, "job record layout");
static_assert(offsetof(ConvertTaskInfo2, PlanFlags) == 0x6C, "job record layout");
static_assert(offsetof(ConvertTaskInfo2, PlanStreams) == 0x70, "job record layout");
static_assert(offsetof(ConvertTaskInfo2, PerFileBytes) == 0x74, "job record layout");
static_assert(sizeof(ConvertTaskInfo2) == 124, "job record layout");
static_assert(alignof(ConvertTaskInfo2) == 4, "job record layout");

// What one process knows about a record beyond its bytes: the addresses that
// are meaningful only inside that process.
struct ConvertTaskLocal
{
    ConvertTaskInfo2* pRecord = nullptr;
    const char* SrcPath = nullptr;      // the text linked by SrcPathText
    const char* DstPath = nullptr;      // the text linked by DstPathText
    const char* ImporterName = nullptr; // null when no importer is named
    IProfile* Profile = nullptr;
    IQuentaStream* DstStream = nullptr; // null: write the file named by DstPath
};

} // namespace Moorland
