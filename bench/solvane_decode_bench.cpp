// Decodes every picture of a file through the media manager's source and
// converts it to 32-bit BGRA (layout 30), as the players and the worker do.
// Prints the picture count and the wall time in seconds.

#include "Basilvo/Basilvo.h"
#include "IAVManager.h"
#include "Moorlan.h"

#include <chrono>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <media file>\n", argv[0]);
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    Moorland::IAVManager* manager = CreateAVManager(".", nullptr);
    Moorland::IAVSource* source =
        manager ? manager->CreateSourceFromAddress(argv[1], nullptr, nullptr, nullptr, nullptr, nullptr) : nullptr;
    if (!source) {
        std::fprintf(stderr, "can't open %s: %s\n", argv[1], GetQuentaException()->GetExceptionMsg());
        return 1;
    }
    Moorland::IImageConverter* converter = CreateImageConverterEx(Moorland::PIXEL_FORMAT_RGBA32, 0, 0, 0);
    if (!converter) {
        std::fprintf(stderr, "no converter: %s\n", GetQuentaException()->GetExceptionMsg());
        return 1;
    }
    unsigned pictures = 0;
    unsigned long long checksum = 0;
    for (;;) {
        Moorland::IRawAudioFrame* audio = nullptr;
        Moorland::IRawVideoFrame* video = nullptr;
        if (!source->ReadFrames(&audio, &video, nullptr, Moorland::AVReadVideoOnly))
            break;
        if (!video)
            continue;
        Moorland::IRawVideoFrame* bgra = converter->Convert(video);
        if (!bgra) {
            std::fprintf(stderr, "conversion failed: %s\n", GetQuentaException()->GetExceptionMsg());
            return 1;
        }
        unsigned line = 0, pitch = 0, rows = 0;
        const unsigned char* data = bgra->GetBuffer(0, &line, &pitch, &rows);
        if (data && rows > 0)
            checksum += data[(rows / 2) * pitch + line / 2];
        ++pictures;
    }
    converter->Release();
    source->Release();
    manager->Release();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%u %.3f %llu\n", pictures, seconds, checksum);
    return pictures > 0 ? 0 : 1;
}
