#include "CFFDVDCreator.h"

#include "CBaseException.h"
#include "CFFPictureFit.h"
#include "FFTranscode.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace Solvane {

namespace {

std::string ChapterList(const std::vector<uint32_t>& marksMs)
{
    std::string list = "0";
    for (uint32_t ms : marksMs) {
        char text[32];
        std::snprintf(text, sizeof text, ",%u.%03u", ms / 1000, ms % 1000);
        list += text;
    }
    return list;
}

} // namespace

CFFDVDCreator::CFFDVDCreator(Moorland::IAVManager* manager) : CFFDiscTask(manager) {}

CFFDVDCreator::~CFFDVDCreator()
{
    Stop();
}

void CFFDVDCreator::Run()
{
    const DiscProject& p = Project();
    const std::vector<std::string> env = {std::string("VIDEO_FORMAT=") + (p.pal ? "PAL" : "NTSC")};
    // The disc is authored in a working folder and put in place only when
    // whole, as is its image: a failed, cancelled or killed job leaves the
    // folder and the image as they were, and a folder that held an earlier
    // disc then holds this project's titles alone.
    const std::string work = p.output + "/DVD.part";
    const std::string imagePart = p.image.empty() ? "" : p.image + ".part";
    try {
        if (::mkdir(p.output.c_str(), 0755) != 0 && errno != EEXIST)
            QB_THROW_ERRNO(QB_ERR_FILE_IO, "Can't create the folder " + p.output, errno);
        RemoveTree(work);
        if (::mkdir(work.c_str(), 0755) != 0)
            QB_THROW_ERRNO(QB_ERR_FILE_IO, "Can't create the folder " + work, errno);
        const int height = p.pal ? 576 : 480;
        const AVRational rate = p.pal ? AVRational{25, 1} : AVRational{30000, 1001};
        ExportSettings s;
        s.format = "dvd";
        s.video.present = true;
        s.video.codec = "mpeg2video";
        s.video.width = 720;
        s.video.height = height;
        s.video.frameRate = av_q2d(rate);
        s.video.bitrateKbps = 5000;
        s.video.aspect = p.wide ? "16:9" : "4:3";
        s.audio.present = true;
        s.audio.codec = "ac3";
        s.audio.bitrate = 192000;
        s.audio.sampleRate = 48000;
        s.audio.channels = 2;
        // Every title keeps its shape on the disc's frame, bars filling the rest.
        AVRational sar{1, 1};
        av_reduce(&sar.num, &sar.den, (p.wide ? 16 : 4) * height, (p.wide ? 9 : 3) * 720, 65535);
        const size_t count = p.titles.size();
        std::vector<std::string> encoded;
        for (size_t i = 0; i < count; ++i) {
            const std::string mpg = work + "/title" + std::to_string(i + 1) + ".mpg";
            encoded.push_back(mpg);
            Set(1, static_cast<uint8_t>(i + 1), 85.0 * i / count);
            CFFPictureFit fit(720, height, sar, rate);
            const bool done = TranscodeToFile(
                Manager(), p.titles[i].source, nullptr, s, mpg, 0, -1,
                [&](double f) {
                    Set(1, static_cast<uint8_t>(i + 1), 85.0 * (i + f) / count);
                    return !Cancelled();
                },
                &fit);
            if (!done)
                CheckCancel();
        }
        CheckCancel();
        Set(2, 1, 85.0);
        const std::string video = std::string(p.pal ? "pal" : "ntsc") + "+" + (p.wide ? "16:9" : "4:3");
        for (size_t i = 0; i < count; ++i) {
            RunProgram({"dvdauthor", "-o", work, "-t", "-v", video, "-a", "ac3", "-c",
                        ChapterList(p.titles[i].chaptersMs), encoded[i]},
                       env);
        }
        Set(2, 2, 92.0);
        RunProgram({"dvdauthor", "-o", work, "-T"}, env);
        for (const std::string& mpg : encoded)
            ::unlink(mpg.c_str());
        if (!p.image.empty()) {
            Set(3, 1, 95.0);
            ::unlink(imagePart.c_str());
            RunProgram({"genisoimage", "-dvd-video", "-quiet", "-V", "FABLECUT", "-o", imagePart, work});
        }
        CheckCancel();
        for (const char* sub : {"/VIDEO_TS", "/AUDIO_TS"}) {
            struct stat st;
            if (::lstat((work + sub).c_str(), &st) == 0)
                ReplaceFolder(work + sub, p.output + sub);
        }
        RemoveTree(work);
        if (!p.image.empty() && ::rename(imagePart.c_str(), p.image.c_str()) != 0)
            QB_THROW_ERRNO(QB_ERR_FILE_IO, "Can't write the image " + p.image, errno);
    } catch (...) {
        RemoveTree(work);
        if (!imagePart.empty())
            ::unlink(imagePart.c_str());
        throw;
    }
}

} // namespace Solvane
