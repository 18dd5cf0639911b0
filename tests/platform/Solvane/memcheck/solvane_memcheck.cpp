// Small runs of the media layer for valgrind's memcheck, which sees the
// reads and writes inside FFmpeg's libraries that AddressSanitizer does not. Built
// without the sanitizers (the two don't mix).
//
//   solvane_memcheck convert OUT W H STEP CLIP...   timeline of the clips, each
//       with STEP (none, 3d, turn), fitted into W x H and encoded to OUT (H.264
//       in MP4); every picture also goes through the image converter and the
//       processors as the players run them, on a frame whose rows end at its
//       last pixel
//   solvane_memcheck read FILE                   imports FILE and reads it to its end
//   solvane_memcheck steps FILE STEP             the players' steps (3d, turn) on
//       FILE's first pictures as decoded, at the file's own size
//   solvane_memcheck lossless OUT FROM_MS TO_MS CLIP...   a lossless copy of
//       the clips, each cut at the exact pictures FROM_MS and TO_MS (the
//       pictures at the cuts encoded again, the packets between copied)
//
// Exit 0 when the run ends (a damaged file may fail, clearly); 1 when a step
// that must work fails.

#include "CFFExporter.h"
#include "CFFLosslessCopy.h"
#include "CFFExportSettings.h"

#include "../SolvaneTestFrames.h"

#include "IAVImporter.h"
#include "IAVManager.h"
#include "IAVSource.h"
#include "IImageConverter.h"
#include "Basilvo/Basilvo.h"
#include "IRawFrameFiller.h"
#include "IRawVideoFrame.h"
#include "ISimpleEditTimeLine.h"
#include "IVideoProcessor.h"
#include "Moorlan.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace Moorland;

namespace {

using SolvaneTest::Released;

std::string LastMessage()
{
    const char* m = GetQuentaException()->GetExceptionMsg();
    return m ? m : "";
}

int Fail(const std::string& what)
{
    std::fprintf(stderr, "solvane_memcheck: %s: %s\n", what.c_str(), LastMessage().c_str());
    return 1;
}

// The players' steps on a copy of the picture whose rows are exactly as long
// as its pixels: the 3D step, a quarter turn and a mirror.
bool PlayerSteps(IAVManager* manager, IRawVideoFrame* picture, const std::string& step)
{
    if (step == "none" || picture->GetPixelFormat() != PIXEL_FORMAT_YUV420P)
        return true;
    unsigned w = 0, h = 0;
    picture->GetDimension(&w, &h);
    SolvaneTest::TightPicture tight(w, h);
    IRawVideoFrame* frame = tight.CopyFrom(picture) ? tight.Frame() : nullptr;
    if (!frame)
        return false;
    struct Step
    {
        const char* name;
        const char* param;
        const char* value;
    };
    const std::vector<Step> steps =
        step == "3d"
            ? std::vector<Step>{{"2D_3D_TransForm", "2d_3d_type", "1"}, {"2D_3D_TransForm", "2d_3d_type", "2"}}
            : std::vector<Step>{{"reverse", "mirror", "1"}, {"EffectNameRotate90X", "Rotate90XDerection", "1"}};
    // The players draw each picture through the image converter, at the
    // window's size (here a third of the picture's, odd) and at its own:
    // the layer's own picture, read in place, and the tight copy.
    for (IRawVideoFrame* shown : {picture, frame})
        for (unsigned scale : {3u, 1u}) {
            std::unique_ptr<IImageConverter, Released> converter(
                CreateImageConverterEx(PIXEL_FORMAT_RGBA32, (w / scale) | 1, (h / scale) | 1, 0));
            if (!converter || !converter->Convert(shown))
                return false;
        }
    for (const Step& s : steps) {
        std::unique_ptr<IVideoProcessor, Released> p(manager->CreateVideoProcessor(s.name));
        if (!p || !p->SetParameter(s.param, s.value))
            return false;
        if (std::strcmp(s.name, "2D_3D_TransForm") == 0 && !p->SetParameter("2d_3d_depth", "60"))
            return false;
        ProcessParams params{};
        // The 3D step works in place, in the caller's rows; a turn makes
        // a picture of another size.
        if (std::strcmp(s.name, "EffectNameRotate90X") != 0) {
            if (!p->ProcessFrameInPlace(&params, 0, frame))
                return false;
            continue;
        }
        IRawVideoFrame* out = p->ProcessFrame(&params, 0, frame);
        if (!out)
            return false;
        if (out != frame)
            out->Free();
    }
    return true;
}

int Convert(IAVManager* manager, int argc, char** argv)
{
    if (argc < 7)
        return Fail("convert OUT W H STEP CLIP...");
    const std::string out = argv[2], step = argv[5];
    const int width = std::atoi(argv[3]), height = std::atoi(argv[4]);
    std::unique_ptr<IAVImporter, Released> writer(manager->CreateImporterByName("SimpleEditImporter"));
    auto* timeline = writer ? static_cast<ISimpleEditTimeLine*>(writer->GetInterface("ISimpleEditTimeLine")) : nullptr;
    if (!timeline)
        return Fail("no timeline");
    for (int i = 6; i < argc; ++i) {
        SimpleEditClipEntry e{};
        e.sourceAddress = argv[i];
        e.importerName = "FFImporter";
        e.trimStartMs = 0;
        e.trimEndMs = 400;
        if (!timeline->InsertClip(-1, &e))
            return Fail(std::string("clip ") + argv[i]);
        const int index = timeline->GetClipCount() - 1;
        const char* depth[] = {"2d_3d_type", "2d_3d_depth", nullptr};
        const char* depthValues[] = {"1", "60", nullptr};
        const char* turn[] = {"Rotate90XDerection", nullptr};
        const char* turnValues[] = {"2", nullptr};
        if (step == "3d" && !timeline->AddClipEffect(index, 0, "2D_3D_TransForm", depth, depthValues))
            return Fail("3D step");
        if (step == "turn" && !timeline->AddClipEffect(index, 0, "EffectNameRotate90X", turn, turnValues))
            return Fail("turn step");
    }
    if (!timeline->SetOutputSize(width, height))
        return Fail("output size");
    const std::string description = out + ".seix";
    if (!timeline->SaveTimeLine(description.c_str()))
        return Fail("save");
    std::unique_ptr<IAVSource, Released> source(manager->CreateSourceFromAddress(
        description.c_str(), "SimpleEditImporter", nullptr, nullptr, nullptr, nullptr));
    if (!source)
        return Fail("open the timeline");

    Solvane::ExportSettings s;
    s.format = "mp4";
    s.video.present = true;
    s.video.codec = "libx264";
    s.video.width = width;
    s.video.height = height;
    s.video.frameRate = 25.0;
    s.video.bitrateKbps = 400;
    Solvane::CFFExporter exporter;
    exporter.SetSettings(s);
    if (!exporter.Open(out.c_str()))
        return Fail("open " + out);
    IEncodingMuxer* muxer = exporter.GetEncodingMuxer();
    if (!muxer || !muxer->SetEncodingPass(1) || !muxer->BeginWriting())
        return Fail("begin writing");
    IRawAudioFrame* audio = nullptr;
    IRawVideoFrame* video = nullptr;
    int pictures = 0;
    while (source->ReadFrames(&audio, &video, nullptr, AVReadVideoOnly)) {
        if (!video)
            continue;
        ++pictures;
        if (!PlayerSteps(manager, video, step))
            return Fail("the players' steps");
        if (!muxer->WriteVideo(exporter.VideoStreamId(), video))
            return Fail("write");
    }
    if (!source->IsEndOfStream())
        return Fail("read the timeline");
    GetQuentaException()->Clear();
    muxer->EndWriting();
    if (GetQuentaException()->GetExceptionCode() != 0)
        return Fail("end writing");
    exporter.Close();
    std::printf("%d pictures\n", pictures);
    return pictures > 0 ? 0 : Fail("no pictures");
}

int Read(IAVManager* manager, const char* path)
{
    std::unique_ptr<IAVImporter, Released> importer(manager->CreateImporter(path));
    if (!importer || !importer->Open(path)) {
        std::printf("refused: %s\n", LastMessage().c_str());
        return 0;
    }
    std::unique_ptr<IAVSource, Released> source(
        manager->CreateSourceFromAddress(path, nullptr, nullptr, nullptr, nullptr, nullptr));
    if (!source) {
        std::printf("refused: %s\n", LastMessage().c_str());
        return 0;
    }
    IRawAudioFrame* audio = nullptr;
    IRawVideoFrame* video = nullptr;
    int pictures = 0;
    while (source->ReadFrames(&audio, &video, nullptr, AVReadBoth))
        pictures += video ? 1 : 0;
    std::printf("%d pictures, %s\n", pictures, source->IsEndOfStream() ? "whole" : LastMessage().c_str());
    return 0;
}

int Steps(IAVManager* manager, const char* path, const std::string& step)
{
    std::unique_ptr<IAVSource, Released> source(
        manager->CreateSourceFromAddress(path, nullptr, nullptr, nullptr, nullptr, nullptr));
    if (!source)
        return Fail(std::string("open ") + path);
    IRawAudioFrame* audio = nullptr;
    IRawVideoFrame* video = nullptr;
    int pictures = 0;
    while (pictures < 3 && source->ReadFrames(&audio, &video, nullptr, AVReadVideoOnly)) {
        if (!video)
            continue;
        ++pictures;
        if (!PlayerSteps(manager, video, step))
            return Fail("the players' steps");
    }
    std::printf("%d pictures\n", pictures);
    return pictures > 0 ? 0 : Fail("no pictures");
}

int Lossless(int argc, char** argv)
{
    if (argc < 6)
        return Fail("usage: lossless OUT FROM_MS TO_MS CLIP...");
    std::vector<Solvane::CopyClipRange> clips;
    for (int i = 5; i < argc; ++i) {
        Solvane::CopyClipRange range;
        range.path = argv[i];
        range.startMs = std::atoi(argv[3]);
        range.endMs = std::atoi(argv[4]);
        clips.push_back(range);
    }
    Solvane::LosslessTarget target;
    target.path = argv[2];
    target.exact = true;
    try {
        Solvane::CFFLosslessCopy copy(clips, target);
        copy.Begin();
        int packets = 0;
        while (copy.Step())
            ++packets;
        copy.End(true);
        std::printf("%d packets\n", packets);
        return packets > 0 ? 0 : Fail("no packets");
    } catch (const CBaseException& e) {
        std::fprintf(stderr, "solvane_memcheck: lossless: %s\n", e.GetMsg());
        return 1;
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return Fail("usage: convert OUT W H STEP CLIP... | read FILE | steps FILE STEP");
    IAVManager* raw = CreateAVManager("/tmp/", nullptr);
    if (!raw)
        return Fail("no media manager");
    std::unique_ptr<IAVManager, Released> manager(raw);
    const std::string mode = argv[1];
    if (mode == "convert")
        return Convert(manager.get(), argc, argv);
    if (mode == "read")
        return Read(manager.get(), argv[2]);
    if (mode == "steps" && argc > 3)
        return Steps(manager.get(), argv[2], argv[3]);
    if (mode == "lossless")
        return Lossless(argc, argv);
    return Fail("unknown mode " + mode);
}
