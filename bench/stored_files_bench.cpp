// Reading back stored files: a 10,000-clip timeline description through the
// simple-edit importer, and a 300-profile catalogue (its library file and
// each profile file). Prints one line per case: name, runs, best and median
// seconds, best processor seconds (steadier on a busy machine).
//
//   stored_files_bench <work folder> <profile folder>

#include "Basilvo/Basilvo.h"
#include "IAVImporter.h"
#include "IAVManager.h"
#include "IProfile.h"
#include "ISimpleEditTimeLine.h"
#include "ProfileManager/profileConfig.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <dirent.h>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

using namespace Moorland;

namespace {

void Time(const char* name, int runs, const std::function<bool()>& body)
{
    std::vector<double> seconds;
    double cpu = 1e9;
    for (int i = 0; i < runs; ++i) {
        const std::clock_t c = std::clock();
        const auto start = std::chrono::steady_clock::now();
        if (!body()) {
            std::printf("%s failed: %s\n", name, GetQuentaException()->GetExceptionMsg());
            return;
        }
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        cpu = std::min(cpu, static_cast<double>(std::clock() - c) / CLOCKS_PER_SEC);
    }
    std::sort(seconds.begin(), seconds.end());
    std::printf("%s %d %.4f %.4f %.4f\n", name, runs, seconds.front(), seconds[seconds.size() / 2], cpu);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: stored_files_bench <work folder> <profile folder>\n");
        return 1;
    }
    const std::string work = argv[1], profiles = argv[2];
    const int runs = 7;

    // The timeline: 10,000 clips, each with a colour adjustment and its
    // stream parameters, written by the program's own writer.
    IAVManager* manager = CreateAVManager("/tmp/", nullptr);
    IAVImporter* writer = manager->CreateImporterByName("SimpleEditImporter");
    auto* t = static_cast<ISimpleEditTimeLine*>(writer->GetInterface("ISimpleEditTimeLine"));
    const char* names[] = {"brightness", "contrast", "saturation", nullptr};
    const char* values[] = {"-5", "10", "12", nullptr};
    SimpleEditOutputFormat format{};
    format.width = 1920;
    format.height = 1080;
    format.frameRate[0] = 1001;
    format.frameRate[1] = 30000;
    format.sampleRate = 48000;
    format.channels = 2;
    for (int i = 0; i < 10000; ++i) {
        const std::string path = "/media/clips/clip" + std::to_string(i) + ".mp4?movieid=0&astreamid=1&vstreamid=0";
        t->InsertSource(-1, path.c_str(), "FFImporter", 1000, 5000, -2, 0);
        t->AddClipEffect(i, 0, "brightness_contrast", names, values);
        t->SetOutputFormat(i, &format);
        t->SetClipVolume(i, 0.5);
    }
    const std::string seix = work + "/timeline.seix";
    if (!t->SaveTimeLine(seix.c_str())) {
        std::printf("saving the timeline failed: %s\n", GetQuentaException()->GetExceptionMsg());
        return 1;
    }
    writer->Release();
    Time("timeline_10000_clips", runs, [&] {
        IAVImporter* reader = manager->CreateImporterByName("SimpleEditImporter");
        const bool ok =
            reader->Open(seix.c_str()) &&
            static_cast<ISimpleEditTimeLine*>(reader->GetInterface("ISimpleEditTimeLine"))->GetClipCount() == 10000;
        reader->Release();
        return ok;
    });
    manager->Release();

    // The catalogue: the shipped profiles repeated to 300 files, and a
    // library file linking all of them.
    std::vector<std::string> shipped;
    if (DIR* d = opendir(profiles.c_str())) {
        while (dirent* e = readdir(d)) {
            const std::string n = e->d_name;
            if (n.size() > 4 && n.compare(n.size() - 4, 4, ".xml") == 0)
                shipped.push_back(profiles + "/" + n);
        }
        closedir(d);
    }
    if (shipped.empty()) {
        std::printf("no profiles in %s\n", profiles.c_str());
        return 1;
    }
    std::sort(shipped.begin(), shipped.end());
    std::vector<std::string> files;
    std::string library =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<ProfileLib DefaultID=\"101\" RecentLimited=\"10\">\n";
    for (int i = 0; i < 300; ++i) {
        if (i % 30 == 0)
            library += std::string(i ? "    </Category>\n" : "") + "    <Category ID=\"" + std::to_string(i / 30 + 1) +
                       "\" Name=\"Category " + std::to_string(i / 30 + 1) + "\" Type=\"2\">\n";
        const std::string id = std::to_string(1000 + i);
        library += "        <ProfileLnk ID=\"" + id + "\" Name=\"Profile " + id +
                   "\" Comment=\"A profile of the catalogue &amp; its comment\" />\n";
        const std::string copy = work + "/" + id + ".xml";
        std::ifstream in(shipped[static_cast<size_t>(i) % shipped.size()], std::ios::binary);
        std::ofstream(copy, std::ios::binary) << in.rdbuf();
        files.push_back(copy);
    }
    library += "    </Category>\n</ProfileLib>\n";
    const std::string libraryPath = work + "/all_profile.xml";
    std::ofstream(libraryPath, std::ios::binary) << library;

    Time("catalogue_300_profiles", runs, [&] {
        ProfileLib lib;
        lib.LoadFile(QString::fromStdString(libraryPath));
        if (lib.HasLoadError())
            return false;
        for (const std::string& f : files) {
            IProfile* p = CreateProfile();
            const bool ok = p->LoadFile(f.c_str());
            p->Release();
            if (!ok)
                return false;
        }
        return true;
    });
    return 0;
}
