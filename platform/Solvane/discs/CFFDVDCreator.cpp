#include "CFFDVDCreator.h"

#include "CBaseException.h"
#include "CFFPictureFit.h"
#include "FFTranscode.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <utility>

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
    // What the disc's folders replace is judged before any work: a link or
    // a folder of the user's there fails the task at once.
    CheckReplaceable(p.output + "/VIDEO_TS", "VIDEO_TS.IFO");
    CheckReplaceable(p.output + "/AUDIO_TS", "");
    if (::mkdir(p.output.c_str(), 0755) != 0 && errno != EEXIST)
        QB_THROW_ERRNO(QB_ERR_FILE_IO, "Can't create the folder " + p.output, errno);
    // Authored in a folder of the task's own, under a name no folder had.
    const QuentaBased::made_entry made = QuentaBased::create_working_folder(p.output + "/DVD");
    const std::string work = made.path;
    QuentaBased::made_entry imagePart;
    try {
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
        // A title's streams start together, or the disc's authoring moves
        // the later one to the start.
        s.leadIn = true;
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
            imagePart = QuentaBased::create_working_file(p.image);
            RunProgram({"genisoimage", "-dvd-video", "-quiet", "-V", "FABLECUT", "-o", imagePart.path, work});
        }
        BeginPuttingInPlace();
        for (const auto& sub : {std::make_pair("/VIDEO_TS", "VIDEO_TS.IFO"), std::make_pair("/AUDIO_TS", "")}) {
            // Made inside the task's own folder, so the task's own.
            struct stat st;
            if (::lstat((work + sub.first).c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
                continue;
            QuentaBased::made_entry authored;
            authored.path = work + sub.first;
            authored.device = static_cast<unsigned long long>(st.st_dev);
            authored.inode = static_cast<unsigned long long>(st.st_ino);
            ReplaceFolder(authored, p.output + sub.first, sub.second);
        }
        QuentaBased::remove_made_folder(made);
        if (!p.image.empty() && ::rename(imagePart.path.c_str(), p.image.c_str()) != 0)
            QB_THROW_ERRNO(QB_ERR_FILE_IO, "Can't write the image " + p.image, errno);
    } catch (...) {
        QuentaBased::remove_made_folder(made);
        QuentaBased::remove_made_file(imagePart);
        throw;
    }
}

} // namespace Solvane
