#pragma once

// What a conversion job is, decided in one place from its profile and its
// source: the kind of job the worker runs (a split or a multi-stream job
// included), its passes, trim range, streams and aspect. The engine writes the plan
// into the job record when the task is added, the output page asks the same
// function about the profile it shows, and the worker runs what the record
// holds; nothing else reads the profile's "remux", "MultiStream" or
// "ExportPerFileSize" to decide what a job is.

#include "moorlan_srcutils/moorlan_job_kinds.h"

#include <cstdint>

class IProfile;

namespace Moorland {

struct ConvertTaskInfo2;
class IAVManager;

struct JobPlan
{
    JobKind kind = JobKind::Transcode;
    int32_t passes = 1;
    int32_t trimStartMs = 0;
    int32_t trimLengthMs = -1; // -1: to the end of the source
    AVInclude streams = AVInclude::Both;
    // Bytes per part of a split job (kind SplitBySize), else 0.
    int64_t perFileBytes = 0;
    // The video codec is one of the professional QuickTime codecs: encoded
    // on one thread, and the source's timecode is written afterwards.
    bool prores = false;
    // The profile keeps the source's display aspect.
    bool useOrgAspect = false;
    // The profile's file part says its streams are copied unencoded.
    bool copiesStreams = false;
    // A profile without a format part can't make a job.
    bool hasFormat = false;

    // The lossless output of the output page: a frame-exact cut.
    bool Lossless() const { return kind == JobKind::AccurateTrim; }
};

// What the plan needs of the job's source besides the profile.
struct JobSource
{
    const char* path = nullptr;         // the source address
    const char* importerName = nullptr; // null or empty: chosen by the file
    int32_t trimStartMs = 0;
    int32_t trimLengthMs = -1;
    bool twoPass = false;
    // Whether the source has a picture and a sound stream: -1 not known
    // (the engine plans before anything opens the source), 0 no, 1 yes.
    int hasVideo = -1;
    int hasAudio = -1;
    // The media manager that says whether the profile's video encoder keeps
    // statistics between passes; null: not known, two passes stand.
    IAVManager* manager = nullptr;
};

// The plan of a job of `profile` (null: a plain transcode) on `source`.
// Two passes are planned only where they differ from one: for a picture
// that is encoded, by an encoder that keeps statistics between them.
JobPlan PlanJob(IProfile* profile, const JobSource& source = JobSource());

// The plan settled on the streams the source turned out to have: a job
// asked for both streams of a source without sound writes the picture
// alone, and a job without a picture to encode runs one pass. The worker
// calls it once it has opened the source; PlanJob calls it when the facts
// are given.
void SettleOnSource(JobPlan& plan, bool hasVideo, bool hasAudio);

// Whether a video codec name is one of the professional codecs whose
// movies get the source's timecode (the names exactly, case and all).
bool IsProResCodec(const char* name);

// The plan into the record's fixed fields, and back; ReadJobPlan is false
// for a record written without one.
void WriteJobPlan(ConvertTaskInfo2* record, const JobPlan& plan);
bool ReadJobPlan(const ConvertTaskInfo2* record, JobPlan* plan);

} // namespace Moorland
