#pragma once

// The clip's effects on a decoded picture as the player shows it and saves
// it: in the levels a conversion's effects count in, on the picture alone
// when the frame carries bars around it, and (for steps that work pixel by
// pixel) on the picture already scaled to the size it is shown at. The
// converters are kept between pictures; one editor serves one thread.

#include "utility/CEffectsProc.h" // EffectStep
#include "MoorlanTypes.h"

#include <QSize>

#include <memory>
#include <vector>

namespace Moorland {
class IImageConverter;
class IRawVideoFrame;
} // namespace Moorland
class CEffectsProc;

struct DCFrameFree
{
    void operator()(Moorland::IRawVideoFrame* f) const;
};
using DCFramePtr = std::unique_ptr<Moorland::IRawVideoFrame, DCFrameFree>;

struct DCConverterRelease
{
    void operator()(Moorland::IImageConverter* c) const;
};
using DCConverterPtr = std::unique_ptr<Moorland::IImageConverter, DCConverterRelease>;

class CDCPictureEditor
{
public:
    // The picture the clip's effects make of `frame`, a frame of its own
    // (null when they make none): on the picture alone when the frame
    // carries bars around it.
    Moorland::IRawVideoFrame* Edited(Moorland::IRawVideoFrame* frame, CEffectsProc* effects);
    // The clip's effects, made of pixel-by-pixel steps, on the picture
    // scaled to width x height first (its size before a quarter turn); a
    // frame of its own, null when they make none.
    // `turned`: the chain turns a quarter, after the scaler, which then
    // samples at the pixels' centres.
    Moorland::IRawVideoFrame* EditedAtShownSize(Moorland::IRawVideoFrame* frame, CEffectsProc* effects, unsigned width,
                                                unsigned height, bool turned);

    // The picture a frame carries between bars, when the frame says where
    // it is (a timeline's frame with a clip fitted into it).
    static bool PictureAreaOf(Moorland::IRawVideoFrame* frame, Moorland::FramePictureArea& area);
    // The size the decoded picture `raw` is shown at, through its own pixel
    // shape, standing upright or (`turned`) on its side.
    static QSize ShownShape(Moorland::IRawVideoFrame* raw, bool turned);
    static bool TurnsAQuarter(const std::vector<EffectStep>& steps);
    // Steps that come out the same on the picture scaled down as on the
    // picture before it is scaled (see the source for which).
    static bool SameWhenScaled(const std::vector<EffectStep>& steps);
    // The displayed size of a picture, through its own pixel shape, which a
    // quarter turn since the decoded picture `raw` has turned as well.
    static QSize DisplaySize(Moorland::IRawVideoFrame* picture, Moorland::IRawVideoFrame* raw);

private:
    // The picture the clip's effects work on: planar YUV as a conversion
    // has it (a picture of another layout, such as a still image's,
    // converted).
    Moorland::IRawVideoFrame* ForEffects(Moorland::IRawVideoFrame* frame, CEffectsProc* effects);

    DCConverterPtr m_planar;
    DCConverterPtr m_shown;
    unsigned m_shownWidth = 0;
    unsigned m_shownHeight = 0;
    int m_shownFlag = 0;
};
