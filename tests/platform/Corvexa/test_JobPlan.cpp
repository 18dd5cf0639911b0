#include "JobPlan.h"

#include "ConvertTaskInfo2.h"
#include "IAVManager.h"
#include "IProfile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>

using Moorland::AVInclude;
using Moorland::JobKind;
using Moorland::JobPlan;
using Moorland::JobSource;

namespace {

using ProfilePtr = std::unique_ptr<IProfile, void (*)(IProfile*)>;

ProfilePtr NewProfile()
{
    return ProfilePtr(CreateProfile(), [](IProfile* p) {
        if (p)
            p->Release();
    });
}

JobSource FileSource(const char* path = "/media/clip.mp4", const char* importer = "")
{
    JobSource source;
    source.path = path;
    source.importerName = importer;
    return source;
}

} // namespace

// What the worker runs, for the profiles the program ships and the ones
// users make: the first rule that applies wins.
TEST(JobPlan, KindFollowsSplitThenMultiStreamThenRemux)
{
    struct Case
    {
        const char* name;
        std::function<void(IProfile*)> set;
        const char* source;
        const char* importer;
        JobKind kind;
        int64_t perFileBytes;
    };
    const Case cases[] = {
        {"plain profile", [](IProfile*) {}, "/m/a.mp4", "", JobKind::Transcode, 0},
        {"remux 1", [](IProfile* p) { p->GetParams()->SetInt("remux", 1); }, "/m/a.mp4", "", JobKind::PacketRemux, 0},
        {"remux 2", [](IProfile* p) { p->GetParams()->SetInt("remux", 2); }, "/m/a.mp4", "", JobKind::StreamCopy, 0},
        {"remux 3", [](IProfile* p) { p->GetParams()->SetInt("remux", 3); }, "/m/a.mp4", "", JobKind::AccurateTrim, 0},
        {"remux 4", [](IProfile* p) { p->GetParams()->SetInt("remux", 4); }, "/m/a.mp4", "", JobKind::DiscCreation, 0},
        {"remux 5 transcodes", [](IProfile* p) { p->GetParams()->SetInt("remux", 5); }, "/m/a.mp4", "",
         JobKind::Transcode, 0},
        {"split", [](IProfile* p) { p->GetParams()->SetDouble("ExportPerFileSize", 104857600.0); }, "/m/a.mp4", "",
         JobKind::SplitBySize, 104857600},
        {"split of 0.9 bytes is none", [](IProfile* p) { p->GetParams()->SetDouble("ExportPerFileSize", 0.9); },
         "/m/a.mp4", "", JobKind::Transcode, 0},
        {"split before remux",
         [](IProfile* p) {
             p->GetParams()->SetInt("remux", 1);
             p->GetParams()->SetDouble("ExportPerFileSize", 7340032.7);
         },
         "/m/a.mp4", "", JobKind::SplitBySize, 7340032},
        {"multi-stream", [](IProfile* p) { p->GetParams()->SetInt("MultiStream", 1); }, "/m/a.mkv", "",
         JobKind::MultiStream, 0},
        {"multi-stream 2 is not", [](IProfile* p) { p->GetParams()->SetInt("MultiStream", 2); }, "/m/a.mkv", "",
         JobKind::Transcode, 0},
        {"multi-stream before remux",
         [](IProfile* p) {
             p->GetParams()->SetInt("MultiStream", 1);
             p->GetParams()->SetInt("remux", 1);
         },
         "/m/a.mkv", "", JobKind::MultiStream, 0},
        {"multi-stream of a timeline is plain", [](IProfile* p) { p->GetParams()->SetInt("MultiStream", 1); },
         "/m/task.seix", "", JobKind::Transcode, 0},
        {"multi-stream of the edit importer is plain",
         [](IProfile* p) {
             p->GetParams()->SetInt("MultiStream", 1);
             p->GetParams()->SetInt("remux", 1);
         },
         "/m/description", "SimpleEditImporter", JobKind::PacketRemux, 0},
        // Whether a source is a timeline is the media manager's own rule: its
        // name in any letter case, unless another importer is named.
        {"multi-stream of a timeline named in capitals is plain",
         [](IProfile* p) { p->GetParams()->SetInt("MultiStream", 1); }, "/m/TASK.SEIX", "", JobKind::Transcode, 0},
        {"multi-stream of a .seix file a media importer opens",
         [](IProfile* p) { p->GetParams()->SetInt("MultiStream", 1); }, "/m/odd.seix", "FFImporter",
         JobKind::MultiStream, 0},
    };
    for (const Case& c : cases) {
        ProfilePtr profile = NewProfile();
        ASSERT_TRUE(profile);
        c.set(profile.get());
        const JobPlan plan = Moorland::PlanJob(profile.get(), FileSource(c.source, c.importer));
        EXPECT_EQ(plan.kind, c.kind) << c.name;
        EXPECT_EQ(plan.perFileBytes, c.perFileBytes) << c.name;
        EXPECT_EQ(plan.Lossless(), c.kind == JobKind::AccurateTrim) << c.name;
    }
    // No profile: a plain transcode of the whole source in one pass.
    const JobPlan none = Moorland::PlanJob(nullptr);
    EXPECT_EQ(none.kind, JobKind::Transcode);
    EXPECT_EQ(none.passes, 1);
    EXPECT_EQ(none.trimLengthMs, -1);
    EXPECT_FALSE(none.hasFormat);
}

TEST(JobPlan, CarriesStreamsPassesAspectAndTheProfessionalCodecs)
{
    ProfilePtr profile = NewProfile();
    ASSERT_TRUE(profile);
    profile->GetFileProfile()->SetAVInclude(1);
    profile->GetParams()->SetInt("use_org_video_aspect", 1);
    profile->GetVideoProfile()->SetCodecName("Apple ProRes 422(HQ)");
    JobSource source = FileSource();
    source.twoPass = true;
    source.trimStartMs = 1500;
    source.trimLengthMs = 4000;
    JobPlan plan = Moorland::PlanJob(profile.get(), source);
    EXPECT_EQ(plan.streams, AVInclude::AudioOnly);
    EXPECT_EQ(plan.passes, 1) << "only a picture is encoded in two passes";
    EXPECT_EQ(plan.trimStartMs, 1500);
    EXPECT_EQ(plan.trimLengthMs, 4000);
    EXPECT_TRUE(plan.useOrgAspect);
    EXPECT_TRUE(plan.prores);
    EXPECT_TRUE(plan.hasFormat);
    EXPECT_FALSE(plan.copiesStreams);

    // The names exactly, case and all.
    profile->GetVideoProfile()->SetCodecName("apple prores 422(hq)");
    EXPECT_FALSE(Moorland::PlanJob(profile.get()).prores);
    // The shipped profiles name the encoder.
    profile->GetVideoProfile()->SetCodecName("prores_ks");
    EXPECT_TRUE(Moorland::PlanJob(profile.get()).prores);
    // The shipped lossless profiles mark their file part as copying streams.
    profile->GetFileProfile()->SetRemux(1);
    EXPECT_TRUE(Moorland::PlanJob(profile.get()).copiesStreams);
}

// Passes and streams are decided here, on the profile and, once known, on
// the source's own streams: nothing after the plan narrows them again.
TEST(JobPlan, PassesAndStreamsFollowTheProfileAndTheSource)
{
    struct Case
    {
        const char* name;
        int avInclude; // the profile's: 0 both, 1 sound, 2 picture
        double perFile;
        int hasVideo, hasAudio;
        int passes;
        AVInclude streams;
    };
    const Case cases[] = {
        {"both, source unknown", 0, 0, -1, -1, 2, AVInclude::Both},
        {"both, source has both", 0, 0, 1, 1, 2, AVInclude::Both},
        {"both, source without sound", 0, 0, 1, 0, 2, AVInclude::VideoOnly},
        {"both, source without picture", 0, 0, 0, 1, 1, AVInclude::Both},
        {"sound only", 1, 0, -1, -1, 1, AVInclude::AudioOnly},
        {"picture only, source without sound", 2, 0, 1, 0, 2, AVInclude::VideoOnly},
        {"a split", 0, 20971520.0, -1, -1, 1, AVInclude::Both},
    };
    for (const Case& c : cases) {
        ProfilePtr profile = NewProfile();
        ASSERT_TRUE(profile);
        profile->GetFileProfile()->SetAVInclude(c.avInclude);
        if (c.perFile > 0)
            profile->GetParams()->SetDouble("ExportPerFileSize", c.perFile);
        JobSource source = FileSource();
        source.twoPass = true;
        source.hasVideo = c.hasVideo;
        source.hasAudio = c.hasAudio;
        const JobPlan plan = Moorland::PlanJob(profile.get(), source);
        EXPECT_EQ(plan.passes, c.passes) << c.name;
        EXPECT_EQ(plan.streams, c.streams) << c.name;
        // The worker settles the engine's plan on the source it opened to
        // the same plan.
        if (c.hasVideo >= 0) {
            source.hasVideo = source.hasAudio = -1;
            JobPlan settled = Moorland::PlanJob(profile.get(), source);
            Moorland::SettleOnSource(settled, c.hasVideo != 0, c.hasAudio != 0);
            EXPECT_EQ(settled.passes, plan.passes) << c.name;
            EXPECT_EQ(settled.streams, plan.streams) << c.name;
        }
    }
}

// Two passes are planned only where the second differs from the first: the
// media manager says whether the profile's encoder keeps statistics.
TEST(JobPlan, TwoPassesOnlyForAnEncoderThatKeepsStatistics)
{
    struct ManagerRelease
    {
        void operator()(Moorland::IAVManager* m) const { m->Release(); }
    };
    std::unique_ptr<Moorland::IAVManager, ManagerRelease> manager(CreateAVManager("/tmp/", nullptr));
    ASSERT_TRUE(manager);
    const struct
    {
        const char* codec;
        int keeps; // what the manager says
        int passes;
    } cases[] = {
        {"h264", 1, 2},       {"libx264", 1, 2}, {"mpeg4", 1, 2},          {"xvid", 1, 2},      {"vp8", 1, 2},
        {"mpeg2video", 1, 2}, {"hevc", 0, 1},    {"libx265", 0, 1},        {"prores_ks", 0, 1}, {"dnxhd", 0, 1},
        {"ffv1", 0, 1},       {"huffyuv", 0, 1}, {"no such codec", -1, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.codec);
        EXPECT_EQ(manager->EncoderKeepsPassStatistics(c.codec), c.keeps);
        ProfilePtr profile = NewProfile();
        ASSERT_TRUE(profile);
        profile->GetVideoProfile()->SetCodecName(c.codec);
        JobSource source = FileSource();
        source.twoPass = true;
        source.manager = manager.get();
        EXPECT_EQ(Moorland::PlanJob(profile.get(), source).passes, c.passes);
        // Without a manager the passes asked stand; one asked stays one.
        source.manager = nullptr;
        EXPECT_EQ(Moorland::PlanJob(profile.get(), source).passes, 2);
        source.manager = manager.get();
        source.twoPass = false;
        EXPECT_EQ(Moorland::PlanJob(profile.get(), source).passes, 1);
    }
}

// The record carries the plan to the worker byte for byte; a record the
// engine wrote without one says so.
TEST(JobPlan, RoundTripsThroughTheRecord)
{
    Moorland::ConvertTaskInfo2 record;
    std::memset(&record, 0, sizeof record);
    record.TrimLength = -1;
    JobPlan read;
    EXPECT_FALSE(Moorland::ReadJobPlan(&record, &read));

    for (JobKind kind : {JobKind::Transcode, JobKind::PacketRemux, JobKind::StreamCopy, JobKind::AccurateTrim,
                         JobKind::DiscCreation, JobKind::SplitBySize, JobKind::MultiStream}) {
        JobPlan plan;
        plan.kind = kind;
        plan.passes = 2;
        plan.trimStartMs = 250;
        plan.trimLengthMs = 9000;
        plan.streams = AVInclude::VideoOnly;
        plan.perFileBytes = kind == JobKind::SplitBySize ? (int64_t(5) << 32) + 7 : 0;
        plan.prores = kind == JobKind::MultiStream;
        plan.useOrgAspect = kind == JobKind::PacketRemux;
        plan.copiesStreams = kind == JobKind::AccurateTrim;
        plan.hasFormat = kind != JobKind::DiscCreation;
        Moorland::WriteJobPlan(&record, plan);
        ASSERT_TRUE(Moorland::ReadJobPlan(&record, &read)) << int(kind);
        EXPECT_EQ(read.kind, kind);
        EXPECT_EQ(read.passes, 2);
        EXPECT_EQ(record.Pass, 2);
        EXPECT_EQ(record.TrimStart, 250);
        EXPECT_EQ(read.trimLengthMs, 9000);
        EXPECT_EQ(read.streams, AVInclude::VideoOnly);
        EXPECT_EQ(read.perFileBytes, plan.perFileBytes);
        EXPECT_EQ(read.prores, plan.prores);
        EXPECT_EQ(read.useOrgAspect, plan.useOrgAspect);
        EXPECT_EQ(read.copiesStreams, plan.copiesStreams);
        EXPECT_EQ(read.hasFormat, plan.hasFormat);
    }
    // A kind written by a newer engine that this worker does not know transcodes.
    record.JobKindCode = 42;
    ASSERT_TRUE(Moorland::ReadJobPlan(&record, &read));
    EXPECT_EQ(read.kind, JobKind::Transcode);
}
