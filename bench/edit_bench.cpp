// Timeline playback through the simple-edit importer: the same clip played
// plainly decoded, as a one-clip timeline, with a colour adjustment, and with
// a colour adjustment and a blur. Prints one line per case: name, pictures,
// seconds, pictures per second, processor seconds (all threads).
//
//   edit_bench <clip> <work folder>

#include "Basilvo/Basilvo.h"
#include "IAVImporter.h"
#include "IAVManager.h"
#include "IAVSource.h"
#include "IRawVideoFrame.h"
#include "ISimpleEditTimeLine.h"

#include <chrono>
#include <ctime>
#include <cstdio>
#include <string>
#include <vector>

using namespace Moorland;

namespace {

double g_cpu = 0; // processor seconds of the last Play, all threads

double Play(IAVSource* source, int& pictures)
{
    pictures = 0;
    const std::clock_t cpu = std::clock();
    const auto start = std::chrono::steady_clock::now();
    IRawAudioFrame* audio = nullptr;
    IRawVideoFrame* video = nullptr;
    while (source->ReadFrames(&audio, &video, nullptr, AVReadVideoOnly))
        if (video)
            ++pictures;
    if (!source->IsEndOfStream())
        fprintf(stderr, "read failed: %s\n", GetQuentaException()->GetExceptionMsg());
    g_cpu = static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::string Describe(IAVManager* m, const std::string& clip, const std::string& path,
                     const std::vector<std::string>& effects, uint32_t durationMs)
{
    IAVImporter* importer = m->CreateImporterByName("SimpleEditImporter");
    auto* t = static_cast<ISimpleEditTimeLine*>(importer->GetInterface("ISimpleEditTimeLine"));
    SimpleEditClipEntry entry{};
    entry.sourceAddress = clip.c_str();
    entry.importerName = "FFImporter";
    entry.trimEndMs = static_cast<int32_t>(durationMs);
    t->InsertClip(-1, &entry);
    t->DisableStreamType(2);
    for (const std::string& e : effects) {
        if (e == "brightness_contrast") {
            const char* names[] = {"brightness", "contrast", "saturation", nullptr};
            const char* values[] = {"10", "20", "15", nullptr};
            t->AddClipEffect(0, t->GetClipEffectCount(0), e.c_str(), names, values);
        } else {
            t->AddClipEffect(0, t->GetClipEffectCount(0), e.c_str(), nullptr, nullptr);
        }
    }
    t->SaveTimeLine(path.c_str());
    importer->Release();
    return path;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: edit_bench <clip> <work folder>\n");
        return 2;
    }
    const std::string clip = argv[1], work = argv[2];
    IAVManager* m = CreateAVManager("/tmp/", nullptr);
    IAVSource* plain = m->CreateSourceFromFile(clip.c_str(), -2, -1);
    if (!plain) {
        fprintf(stderr, "cannot open %s: %s\n", clip.c_str(), GetQuentaException()->GetExceptionMsg());
        return 1;
    }
    const uint32_t duration = plain->GetDuration();
    int pictures = 0;
    double s = Play(plain, pictures);
    plain->Release();
    printf("decode %d %.3f %.1f %.3f\n", pictures, s, pictures / s, g_cpu);

    struct Case
    {
        const char* name;
        std::vector<std::string> effects;
    } cases[] = {{"timeline", {}},
                 {"colour", {"brightness_contrast"}},
                 {"colour+blur", {"brightness_contrast", "simple_gauss_blur"}}};
    for (const Case& c : cases) {
        const std::string seix = Describe(m, clip, work + "/" + c.name + ".seix", c.effects, duration);
        IAVSource* source =
            m->CreateSourceFromAddress(seix.c_str(), "SimpleEditImporter", nullptr, nullptr, nullptr, nullptr);
        if (!source) {
            fprintf(stderr, "cannot open %s: %s\n", seix.c_str(), GetQuentaException()->GetExceptionMsg());
            return 1;
        }
        s = Play(source, pictures);
        source->Release();
        printf("%s %d %.3f %.1f %.3f\n", c.name, pictures, s, pictures / s, g_cpu);
    }
    m->Release();
    return 0;
}
