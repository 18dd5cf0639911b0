#pragma once

// The video effect chain: one clip's picture settings applied to a stream of
// raw frames (deinterlacing, brightness/contrast/saturation, one picture
// effect, mirroring, flipping and quarter turns, and the 3D anaglyph), each
// step through a processor the media manager makes by name. Processors are
// made on the first frame that needs them and kept. Every step sets its
// parameters again before each frame. A step whose processor cannot be made
// (no manager, no such processor, no deinterlacer) is skipped and logged once.
// Not thread-safe: one thread sets and runs a chain at a time.

#include "IAVManager.h"
#include "IRawVideoFrame.h"
#include "IVideoProcessor.h"

#include <string>
#include <utility>
#include <vector>

namespace Moorland {
class IImageDeinterlace;
}

// The picture effect of a clip: 0 none, 1 simple gauss blur, 2 simple
// laplacian sharpen, 3 gray, 4 flip color, 5 invert, 6 aged film.
enum EffectType {
    EffectNone = 0,
    EffectSimpleGaussBlur = 1,
    EffectSimpleLaplacianSharpen = 2,
    EffectGray = 3,
    EffectFlipColor = 4,
    EffectInvert = 5,
    EffectAgedFilm = 6,
};

// One step of the chain: the processor's name and its parameters as the
// texts they are set with, in the order they are set.
struct EffectStep
{
    std::string name;
    std::vector<std::pair<std::string, std::string>> params;
};

class CEffectsProc
{
public:
    explicit CEffectsProc(Moorland::IAVManager* manager);
    ~CEffectsProc();
    CEffectsProc(const CEffectsProc&) = delete;
    CEffectsProc& operator=(const CEffectsProc&) = delete;

    Moorland::IAVManager* getAVManger() const { return m_manager; }
    void resetEffectInfo();

    void setBrightness(double value) { m_brightness = value; }
    void setContrast(double value) { m_contrast = value; }
    void setSaturation(double value) { m_saturation = value; }
    void setEnableAgedFilmEffectSeriesType(EffectType type) { m_effect = type; }
    void setEnableDeinterlace(bool on) { m_deinterlace = on; }
    void setMirror(bool on) { m_mirror = on ? 1 : 0; }
    void setVerReverse(bool on) { m_vertical = on ? 1 : 0; }
    void setRotateAngle(int degrees) { m_rotation = degrees; }
    void setEnable3DEffect(bool on) { m_3d = on; }
    void set3DEffectType(int type) { m_3dType = type; }
    void set3DEffectDepth(int depth) { m_3dDepth = depth; }
    void rebuild3DEffectProc();

    // The steps the stored settings run, in the chain's order (deinterlacing
    // aside). A conversion writes these same steps for each clip, so the
    // players and the converted file go through one set of processors.
    std::vector<EffectStep> Steps() const;

    // Runs the chain on the frame itself.
    void ProcFrameInPlace(Moorland::IRawVideoFrame*& frame);
    // The first step that runs makes a new frame, written into `frame`; the
    // caller keeps its old pointer and frees both. True when replaced.
    bool ProcFrame(Moorland::IRawVideoFrame*& frame);

private:
    bool Run(Moorland::IRawVideoFrame*& frame, bool newFrame);
    // Processes with `p`: in place, or into a new frame for the first step of
    // ProcFrame and for a step that cannot work in place on a frame the
    // chain made (which it then frees).
    void Apply(Moorland::IVideoProcessor* p, Moorland::IRawVideoFrame*& frame, bool& makeNew, bool& replaced);
    Moorland::IVideoProcessor* Make(Moorland::IVideoProcessor*& held, const char* name);

    Moorland::IAVManager* m_manager;
    double m_brightness = 0;
    double m_contrast = 0;
    double m_saturation = 0;
    Moorland::IVideoProcessor* m_colour = nullptr;
    EffectType m_effect = EffectNone;
    EffectType m_heldEffect = EffectNone;
    Moorland::IVideoProcessor* m_effectProc = nullptr;
    bool m_deinterlace = false;
    Moorland::IImageDeinterlace* m_deinterlacer = nullptr;
    int m_mirror = 0;
    int m_vertical = 0;
    Moorland::IVideoProcessor* m_reverse = nullptr;
    int m_rotation = 0;
    Moorland::IVideoProcessor* m_rotate = nullptr;
    bool m_3d = false;
    int m_3dType = 1;
    int m_3dDepth = 0;
    Moorland::IVideoProcessor* m_3dProc = nullptr;
    bool m_loggedMissing = false;
};
