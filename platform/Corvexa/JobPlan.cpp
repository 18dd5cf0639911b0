#include "JobPlan.h"

#include "ConvertTaskInfo2.h"
#include "EditDescriptionSource.h"
#include "IAVManager.h"
#include "IProfile.h"
#include "moorlan_srcutils/moorlan_url.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace Moorland {

namespace {

const char* const kProResCodecs[] = {
    "Apple InterMediate Codec(AIC)",
    "Apple ProRes 422",
    "Apple ProRes 422(HQ)",
    "Apple ProRes 422(LT)",
    "Apple ProRes 422(Proxy)",
    "Apple ProRes 4444",
    "DVCPRO HD 1080i50",
    "DVCPRO HD 1080i60",
    "DVCPRO HD 1080p25",
    "DVCPRO HD 1080p30",
    "DVCPRO HD 720p50",
    "DVCPRO HD 720p60",
    "HDV 1080i50",
    "HDV 1080i60",
    "HDV 1080p24",
    "HDV 1080p25",
    "HDV 1080p30",
    "HDV 720p24",
    "HDV 720p25",
    "HDV 720p30",
    "HDV 720p50",
    "HDV 720p60",
    "DV - PAL",
    "DV/DVCPRO - NTSC",
    "DVCPRO - PAL",
    "DVCPRO50 NTSC",
    "DVCPRO50 PAL",
    "Avid DNxHD Codec",
    "XDCAM EX 1080i50",
    "XDCAM EX 1080i60",
    "XDCAM EX 1080p24",
    "XDCAM EX 1080p25",
    "XDCAM EX 1080p30",
    "XDCAM EX 720p24",
    "XDCAM EX 720p25",
    "XDCAM EX 720p30",
    "XDCAM EX 720p50",
    "XDCAM EX 720p60",
    "XDCAM HD 1080i50",
    "XDCAM HD 1080i60",
    "XDCAM HD 1080p24",
    "XDCAM HD 1080p25",
    "XDCAM HD 1080p30",
    "XDCAM HD422 1080i50",
    "XDCAM HD422 1080i60",
    "XDCAM HD422 1080p24",
    "XDCAM HD422 1080p25",
    "XDCAM HD422 1080p30",
    "XDCAM HD422 720p24",
    "XDCAM HD422 720p25",
    "XDCAM HD422 720p30",
    "XDCAM HD422 720p50",
    "XDCAM HD422 720p60",
};
static_assert(sizeof(kProResCodecs) / sizeof(kProResCodecs[0]) == 53, "the professional codec table");

// Flags of ConvertTaskInfo2::PlanFlags.
constexpr uint32_t kPlanWritten = 1u << 0;
constexpr uint32_t kPlanProRes = 1u << 1;
constexpr uint32_t kPlanOrgAspect = 1u << 2;
constexpr uint32_t kPlanCopiesStreams = 1u << 3;
constexpr uint32_t kPlanHasFormat = 1u << 4;

} // namespace

bool IsProResCodec(const char* name)
{
    if (!name)
        return false;
    for (const char* codec : kProResCodecs) {
        if (std::strcmp(codec, name) == 0)
            return true;
    }
    // The shipped profiles name their encoder, not the codec's display name.
    for (const char* encoder : {"prores_ks", "prores_aw", "prores"}) {
        if (std::strcmp(encoder, name) == 0)
            return true;
    }
    return false;
}

namespace {

// The passes the plan's streams and kind allow, then the plan on the
// source's own streams when they are known.
JobPlan Settled(JobPlan plan, const JobSource& source)
{
    // Only a picture is encoded in two passes, and a split writes each part
    // as it goes.
    if (plan.streams == AVInclude::AudioOnly || plan.kind == JobKind::SplitBySize)
        plan.passes = std::min(plan.passes, 1);
    if (source.hasVideo >= 0 && source.hasAudio >= 0)
        SettleOnSource(plan, source.hasVideo != 0, source.hasAudio != 0);
    return plan;
}

} // namespace

JobPlan PlanJob(IProfile* profile, const JobSource& source)
{
    JobPlan plan;
    plan.passes = source.twoPass ? 2 : 1;
    plan.trimStartMs = source.trimStartMs;
    plan.trimLengthMs = source.trimLengthMs;
    if (!profile)
        return Settled(plan, source);
    IFileProfile* file = profile->GetFileProfile();
    plan.hasFormat = file != nullptr;
    if (file) {
        plan.streams = AVIncludeFromValue(file->GetAVInclude());
        plan.copiesStreams = file->GetRemux() == 1;
    }
    if (IVideoProfile* video = profile->GetVideoProfile()) {
        plan.prores = IsProResCodec(video->GetCodecName());
        // An encoder that keeps nothing between passes would only repeat
        // its first.
        const char* codec = video->GetCodecName();
        if (plan.passes > 1 && source.manager && codec && *codec &&
            source.manager->EncoderKeepsPassStatistics(codec) == 0)
            plan.passes = 1;
    }
    IProfileParams* params = profile->GetParams();
    if (!params)
        return Settled(plan, source);
    plan.kind = JobKindFromRemux(params->GetInt("remux"));
    plan.useOrgAspect = params->GetInt("use_org_video_aspect") != 0;
    const double perFile = params->GetDouble("ExportPerFileSize");
    // Truncated toward zero: 0.9 bytes is no split.
    const int64_t bytes = perFile >= 9.2e18 ? INT64_MAX : perFile >= 1.0 ? static_cast<int64_t>(perFile) : 0;
    // A split or a multi-stream profile is that, whatever its "remux" says;
    // a timeline is one picture and one sound stream, so a multi-stream
    // profile converts it as a plain one.
    if (bytes > 0) {
        plan.kind = JobKind::SplitBySize;
        plan.perFileBytes = bytes;
    } else if (params->GetInt("MultiStream") == 1 && !IsEditDescriptionSource(source.importerName, source.path)) {
        plan.kind = JobKind::MultiStream;
    }
    return Settled(plan, source);
}

void SettleOnSource(JobPlan& plan, bool hasVideo, bool hasAudio)
{
    if (plan.streams == AVInclude::Both && !hasAudio && hasVideo)
        plan.streams = AVInclude::VideoOnly;
    if (!hasVideo)
        plan.passes = std::min(plan.passes, 1);
}

void WriteJobPlan(ConvertTaskInfo2* record, const JobPlan& plan)
{
    if (!record)
        return;
    record->SetJobKind(plan.kind);
    record->Pass = plan.passes;
    record->TrimStart = plan.trimStartMs;
    record->TrimLength = plan.trimLengthMs;
    record->PlanStreams = AVIncludeValue(plan.streams);
    record->SetPerFileBytes(plan.perFileBytes);
    record->PlanFlags = kPlanWritten | (plan.prores ? kPlanProRes : 0u) | (plan.useOrgAspect ? kPlanOrgAspect : 0u) |
                        (plan.copiesStreams ? kPlanCopiesStreams : 0u) | (plan.hasFormat ? kPlanHasFormat : 0u);
}

bool ReadJobPlan(const ConvertTaskInfo2* record, JobPlan* plan)
{
    if (!record || !plan || !(record->PlanFlags & kPlanWritten) || !record->HasJobKind())
        return false;
    plan->kind = record->GetJobKind();
    plan->passes = record->Pass;
    plan->trimStartMs = record->TrimStart;
    plan->trimLengthMs = record->TrimLength;
    plan->streams = AVIncludeFromValue(record->PlanStreams);
    plan->perFileBytes = record->GetPerFileBytes();
    plan->prores = (record->PlanFlags & kPlanProRes) != 0;
    plan->useOrgAspect = (record->PlanFlags & kPlanOrgAspect) != 0;
    plan->copiesStreams = (record->PlanFlags & kPlanCopiesStreams) != 0;
    plan->hasFormat = (record->PlanFlags & kPlanHasFormat) != 0;
    return true;
}

} // namespace Moorland
