#include "CFFBDCreator.h"

#include "Basilvo/Basilvo.h"
#include "CBaseException.h"
#include "CFFPictureFit.h"
#include "FFTranscode.h"
#include "SolvaneBDMV.h"
#include "SolvaneM2TS.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace Solvane {

namespace {

struct ReleaseDeleter
{
    template <typename T> void operator()(T* p) const
    {
        if (p)
            p->Release();
    }
};

// How one title goes onto the disc.
struct TitlePlan
{
    ExportSettings settings;
    AVRational rate{25, 1};
    AVRational sar{1, 1};
    BDStream video;
    BDStream audio;
    bool hasAudio = false;
};

// The Blu-ray picture formats: size, rate and the codes the navigation
// files give them.
struct PictureFormat
{
    int width;
    int height;
    AVRational rate;
    uint8_t format;
    uint8_t rateCode;
    bool fieldCoded; // shown as fields: encoded progressive, flagged interlaced
};

const PictureFormat kFormats[] = {
    {1920, 1080, {24000, 1001}, 6, 1, false}, {1920, 1080, {24, 1}, 6, 2, false},
    {1920, 1080, {25, 1}, 4, 3, true},        {1920, 1080, {30000, 1001}, 4, 4, true},
    {1280, 720, {50, 1}, 5, 6, false},        {1280, 720, {60000, 1001}, 5, 7, false},
    {720, 576, {25, 1}, 2, 3, true},          {720, 480, {30000, 1001}, 1, 4, true},
};

double Rate(AVRational r)
{
    return static_cast<double>(r.num) / r.den;
}

// The format nearest the source: high definition for pictures larger than
// standard definition, 720 lines for 50 and 60 pictures a second.
const PictureFormat& ChooseFormat(int width, int height, double fps, bool pal)
{
    const bool hd = width > 720 || height > 576;
    const PictureFormat* best = nullptr;
    double bestDistance = 0.0;
    for (const PictureFormat& f : kFormats) {
        if ((f.height > 576) != hd)
            continue;
        if (hd && (f.height == 720) != (fps > 47.0))
            continue;
        // A 50 or 60 source on a 25 or 30 format keeps every second picture.
        const double target = fps > 47.0 && f.height != 720 ? fps / 2 : fps;
        double distance = std::fabs(target - Rate(f.rate));
        // Standard definition at another rate follows the project's standard.
        if (!hd && std::fabs(target - 25.0) > 1.0 && std::fabs(target - 29.97) > 1.0)
            distance = (f.height == 576) == pal ? 0.0 : 1.0;
        if (!best || distance < bestDistance) {
            best = &f;
            bestDistance = distance;
        }
    }
    return *best;
}

TitlePlan PlanTitle(Moorland::IAVManager* manager, const std::string& source, const DiscProject& project)
{
    int movieId = -1, videoId = -1, audioId = -1;
    Moorland::MovieInfo* movie = nullptr;
    GetQuentaException()->Clear();
    std::unique_ptr<Moorland::IAVSource, ReleaseDeleter> src(
        manager->CreateSourceFromAddress(source.c_str(), nullptr, &movieId, &videoId, &audioId, &movie));
    if (!src) {
        IQuentaException* recorded = GetQuentaException();
        const int code = recorded->GetExceptionCode();
        const char* why = recorded->GetExceptionMsg();
        QB_THROW(code != 0 ? code : QB_ERR_MEDIA,
                 "Can't open the title " + source + (code != 0 && why && *why ? std::string(": ") + why : ""));
    }
    const Moorland::StreamInfo* v = nullptr;
    const Moorland::StreamInfo* a = nullptr;
    for (uint32_t i = 0; movie && i < movie->streamCount; ++i) {
        if (movie->streams[i].id == videoId && videoId >= 0)
            v = &movie->streams[i];
        if (movie->streams[i].id == audioId && audioId >= 0)
            a = &movie->streams[i];
    }
    if (!v || v->width <= 0 || v->height <= 0)
        QB_THROW(QB_ERR_MEDIA, "The title has no pictures for a Blu-ray disc: " + source);
    const uint32_t num = Moorland::FrameRateNum(v->frameRate), den = Moorland::FrameRateDen(v->frameRate);
    const double fps = num && den ? static_cast<double>(num) / den : 25.0;
    const PictureFormat& f = ChooseFormat(v->width, v->height, fps, project.pal);

    TitlePlan plan;
    plan.rate = f.rate;
    ExportSettings& s = plan.settings;
    s.format = "mpegts";
    s.extension = ".m2ts";
    s.video.present = true;
    s.video.codec = "libx264";
    s.video.width = f.width;
    s.video.height = f.height;
    s.video.frameRate = Rate(f.rate);
    const bool sd = f.height <= 576;
    // High definition is always 16:9 with square samples; the stream says so.
    s.video.aspect = sd && !project.wide ? "4:3" : "16:9";
    if (sd) {
        const int x = project.wide ? 16 : 4, y = project.wide ? 9 : 3;
        av_reduce(&plan.sar.num, &plan.sar.den, static_cast<int64_t>(x) * f.height, static_cast<int64_t>(y) * f.width,
                  65535);
    }
    // Constant quality under the format's ceiling: level 4.1, at most
    // 40 Mbit/s through a 30 Mbit buffer, a closed GOP of at most one second,
    // and the stream's timing in the bitstream. The rate given to the writer
    // only stands in for the source's; the quality target rules.
    s.video.bitrateKbps = sd ? 8000 : (f.height == 720 ? 18000 : 25000);
    const int gop = static_cast<int>(std::ceil(Rate(f.rate) - 0.01));
    std::string x264 = "level=4.1:bluray-compat=1:open-gop=0:b-pyramid=strict:slices=4:nal-hrd=vbr:aud=1:"
                       "min-keyint=1:keyint=" +
                       std::to_string(gop);
    x264 += sd ? ":colorprim=" + std::string(f.height == 576 ? "bt470bg" : "smpte170m") +
                     ":transfer=" + (f.height == 576 ? "bt470bg" : "smpte170m") +
                     ":colormatrix=" + (f.height == 576 ? "bt470bg" : "smpte170m")
               : ":colorprim=bt709:transfer=bt709:colormatrix=bt709";
    if (f.fieldCoded)
        x264 += ":fake-interlaced=1:pic-struct=1";
    s.video.options = {{"g", std::to_string(gop)}, {"bf", "3"},   {"maxrate", "40000000"},
                       {"bufsize", "30000000"},    {"crf", "18"}, {"x264-params", x264}};
    plan.video.pid = 0x1011;
    plan.video.codingType = 0x1B;
    plan.video.format = f.format;
    plan.video.rate = f.rateCode;
    plan.video.aspect = sd && !project.wide ? 2 : 3;

    if (a) {
        plan.hasAudio = true;
        const std::string codec = a->codecName ? a->codecName : "";
        const bool pcm = codec.compare(0, 4, "pcm_") == 0;
        const int channels = std::min(std::max(a->channels, 1), 6);
        s.audio.present = true;
        s.audio.codec = pcm ? "pcm_bluray" : "ac3";
        s.audio.sampleRate = 48000;
        s.audio.channels = channels;
        s.audio.bitrate = pcm ? 0 : (channels > 2 ? 448000 : 256000);
        plan.audio.pid = 0x1100;
        plan.audio.codingType = pcm ? 0x80 : 0x81;
        plan.audio.format = channels == 1 ? 1 : (channels == 2 ? 3 : 6);
        plan.audio.rate = 1;
    } else {
        s.avInclude = Moorland::AVInclude::VideoOnly;
    }
    return plan;
}

void MakeDir(const std::string& path)
{
    if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST)
        QB_THROW_ERRNO(QB_ERR_FILE_IO, "Can't create the folder " + path, errno);
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        QB_THROW_ERRNO(QB_ERR_FILE_IO, "Can't create the file " + path, errno);
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    const int err = errno;
    if (std::fclose(f) != 0 || !written)
        QB_THROW_ERRNO(QB_ERR_FILE_IO, "Can't write the file " + path, written ? errno : err);
}

std::string ClipName(size_t index)
{
    char name[8];
    std::snprintf(name, sizeof name, "%05u", static_cast<unsigned>(index + 1));
    return name;
}

} // namespace

CFFBDCreator::CFFBDCreator(Moorland::IAVManager* manager) : CFFDiscTask(manager) {}

CFFBDCreator::~CFFBDCreator()
{
    Stop();
}

void CFFBDCreator::Run()
{
    const DiscProject& p = Project();
    const size_t count = p.titles.size();
    if (count > 999)
        QB_THROW(QB_ERR_BAD_PARAM, "A Blu-ray disc holds at most 999 titles");
    // The folder the disc goes to is judged before any work: a link or a
    // folder of the user's there fails the task at once.
    const std::string folder = p.output + "/BDMV";
    CheckReplaceable(folder, "index.bdmv");
    MakeDir(p.output);
    // Written in a folder of the task's own, under a name no folder had.
    const QuentaBased::made_entry made = QuentaBased::create_working_folder(folder);
    const std::string part = made.path;
    QuentaBased::made_entry imagePart;
    try {
        for (const char* sub : {"", "/STREAM", "/CLIPINF", "/PLAYLIST", "/BACKUP", "/BACKUP/CLIPINF",
                                "/BACKUP/PLAYLIST", "/AUXDATA", "/BDJO", "/JAR", "/META"})
            MakeDir(part + sub);

        std::vector<TitlePlan> plans;
        for (size_t i = 0; i < count; ++i) {
            const uint8_t step = static_cast<uint8_t>(std::min<size_t>(i + 1, 255));
            Set(1, step, 85.0 * i / count);
            plans.push_back(PlanTitle(Manager(), p.titles[i].source, p));
            TitlePlan& plan = plans.back();
            // A title's streams start together: players start a clip with
            // its first picture.
            plan.settings.leadIn = true;
            CFFPictureFit fit(plan.settings.video.width, plan.settings.video.height, plan.sar, plan.rate);
            const std::string m2ts = part + "/STREAM/" + ClipName(i) + ".m2ts";
            const bool done = TranscodeToFile(
                Manager(), p.titles[i].source, nullptr, plan.settings, m2ts, 0, -1,
                [&](double f) {
                    Set(1, step, 85.0 * (i + f) / count);
                    return !Cancelled();
                },
                &fit);
            if (!done)
                CheckCancel();
        }
        CheckCancel();

        Set(2, 1, 85.0);
        std::vector<BDPlayItem> items;
        std::vector<BDMark> marks;
        for (size_t i = 0; i < count; ++i) {
            const std::string name = ClipName(i);
            const M2TSScan scan = ScanM2TS(part + "/STREAM/" + name + ".m2ts", [this] { return Cancelled(); });
            if (scan.videoPid == 0 || scan.keyPictures.empty())
                QB_THROW(QB_ERR_MEDIA, "The encoded title " + p.titles[i].source + " has no key picture");
            const TitlePlan& plan = plans[i];
            BDClip clip;
            clip.sourcePackets = scan.packets;
            // The format's top rate: no stream written here goes above it.
            clip.recordingRate = 48000000 / 8;
            clip.pmtPid = scan.pmtPid;
            clip.pcrPid = scan.pcrPid;
            const uint64_t frame90k = av_rescale(90000, plan.rate.den, plan.rate.num);
            clip.start = static_cast<uint32_t>(scan.firstPts / 2);
            clip.end = static_cast<uint32_t>((scan.lastPts + frame90k) / 2);
            for (const M2TSStream& st : scan.streams) {
                BDStream s = st.pid == scan.videoPid ? plan.video : plan.audio;
                s.pid = st.pid;
                s.codingType = st.streamType;
                if (st.pid != scan.videoPid && !plan.hasAudio)
                    continue;
                clip.streams.push_back(s);
            }
            clip.entries = scan.keyPictures;
            const std::vector<uint8_t> info = BuildClipInfo(clip);
            WriteFile(part + "/CLIPINF/" + name + ".clpi", info);
            WriteFile(part + "/BACKUP/CLIPINF/" + name + ".clpi", info);

            BDPlayItem item;
            item.clip = name;
            item.in = clip.start;
            item.out = clip.end;
            item.streams = clip.streams;
            items.push_back(item);
            const uint16_t index = static_cast<uint16_t>(i);
            marks.push_back(BDMark{index, item.in});
            for (uint32_t ms : p.titles[i].chaptersMs) {
                const uint64_t at = item.in + static_cast<uint64_t>(ms) * 45;
                if (at < item.out)
                    marks.push_back(BDMark{index, static_cast<uint32_t>(at)});
            }
            Set(2, 1, 85.0 + 5.0 * (i + 1) / count);
        }
        CheckCancel();

        Set(2, 2, 90.0);
        const std::vector<uint8_t> playlist = BuildPlaylist(items, marks);
        const std::vector<uint8_t> objects = BuildMovieObjects(0);
        const std::vector<uint8_t> index = BuildIndex();
        for (const std::string& at : {part, part + "/BACKUP"}) {
            WriteFile(at + "/PLAYLIST/00000.mpls", playlist);
            WriteFile(at + "/MovieObject.bdmv", objects);
            WriteFile(at + "/index.bdmv", index);
        }
        // The image is made from the finished folder before either is put
        // in place, so a cancel while it is made leaves both as they were.
        if (!p.image.empty()) {
            Set(3, 1, 95.0);
            imagePart = QuentaBased::create_working_file(p.image);
            RunProgram({"genisoimage", "-udf", "-iso-level", "3", "-allow-limited-size", "-quiet", "-V", "FABLECUT",
                        "-o", imagePart.path, "-graft-points", "BDMV/=" + part});
        }
        BeginPuttingInPlace();

        // The finished folder takes the place of any earlier disc.
        ReplaceFolder(made, folder, "index.bdmv");
        if (!p.image.empty() && ::rename(imagePart.path.c_str(), p.image.c_str()) != 0)
            QB_THROW_ERRNO(QB_ERR_FILE_IO, "Can't write the image " + p.image, errno);
    } catch (...) {
        QuentaBased::remove_made_folder(made);
        QuentaBased::remove_made_file(imagePart);
        throw;
    }
}

} // namespace Solvane
