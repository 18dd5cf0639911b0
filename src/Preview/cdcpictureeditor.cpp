#include "cdcpictureeditor.h"

#include "Basilvo/Basilvo.h"
#include "CBaseException.h"
#include "utility/CEffectsProc.h"
#include "IRawFrameFiller.h"
#include "Moorlan.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>

void DCFrameFree::operator()(Moorland::IRawVideoFrame* f) const
{
    if (f)
        f->Free();
}

void DCConverterRelease::operator()(Moorland::IImageConverter* c) const
{
    if (c)
        c->Release();
}

namespace {

struct FillerRelease
{
    void operator()(Moorland::IRawVideoFrameFiller* f) const
    {
        if (f)
            f->Release();
    }
};

// The clip's effects on the picture alone, never on the bars around it; the
// result is placed on black again as the conversion places it (a turned
// picture fitted anew). Null when the effects made no new picture.
Moorland::IRawVideoFrame* EffectsOnPicture(CEffectsProc* effects, Moorland::IRawVideoFrame* frame,
                                           const Moorland::FramePictureArea& area)
{
    unsigned W = 0, H = 0;
    frame->GetDimension(&W, &H);
    std::unique_ptr<Moorland::IRawVideoFrameFiller, FillerRelease> view(Moorland::CreateRawVideoFrameFiller());
    if (!view || !view->SetFormat(Moorland::PIXEL_FORMAT_YUV420P, static_cast<unsigned>(area.width),
                                  static_cast<unsigned>(area.height), 1))
        QuentaBased::ThrowLastError();
    for (unsigned i = 0; i < 3; ++i) {
        unsigned bytes = 0, pitch = 0, rows = 0;
        unsigned char* data = frame->GetBuffer(i, &bytes, &pitch, &rows);
        if (!data)
            QB_THROW(QB_ERR_BAD_POINTER, "A picture without its pixels");
        const unsigned x = static_cast<unsigned>(i ? area.x / 2 : area.x),
                       y = static_cast<unsigned>(i ? area.y / 2 : area.y);
        view->SetPlane(i, data + static_cast<size_t>(y) * pitch + x, pitch);
    }
    Moorland::IRawVideoFrame* picture = view->GetFrame();
    picture->SetTimeStamp(frame->GetTimeStamp());
    picture->SetDuration(frame->GetDuration());
    Moorland::IRawVideoFrame* f = picture;
    if (!effects->ProcFrame(f) || f == picture)
        return nullptr;
    DCFramePtr edited(f);

    // Fitted into the frame at its own shape: the frame's pixels are the
    // picture's, turned with it.
    unsigned ew = 0, eh = 0;
    edited->GetDimension(&ew, &eh);
    const double frameDar = frame->GetDAR() > 0 ? frame->GetDAR() : static_cast<double>(W) / H;
    const double sar = frameDar * H / W;
    const bool turned = ew == static_cast<unsigned>(area.height) && eh == static_cast<unsigned>(area.width) &&
                        area.width != area.height;
    const double dar = ew * (turned ? 1.0 / sar : sar) / eh;
    double fw = W, fh = W * sar / dar;
    if (fh > H) {
        fh = H;
        fw = H * dar / sar;
    }
    const int dw = std::max(2, std::min(static_cast<int>(W), static_cast<int>(std::lround(fw)) & ~1));
    const int dh = std::max(2, std::min(static_cast<int>(H), static_cast<int>(std::lround(fh)) & ~1));
    const int x = ((static_cast<int>(W) - dw) / 2) & ~1, y = ((static_cast<int>(H) - dh) / 2) & ~1;
    DCConverterPtr scale(CreateImageConverterEx(Moorland::PIXEL_FORMAT_YUV420P, static_cast<unsigned>(dw),
                                                static_cast<unsigned>(dh), 0));
    Moorland::IRawVideoFrame* scaled = scale ? scale->Convert(edited.get()) : nullptr;
    if (!scaled)
        QuentaBased::ThrowLastError();

    const unsigned cw = W / 2, ch = H / 2;
    std::vector<unsigned char> canvas(static_cast<size_t>(W) * H + 2 * static_cast<size_t>(cw) * ch, 128);
    std::fill(canvas.begin(), canvas.begin() + static_cast<ptrdiff_t>(W) * H, 16);
    unsigned char* planes[3] = {canvas.data(), canvas.data() + static_cast<size_t>(W) * H,
                                canvas.data() + static_cast<size_t>(W) * H + static_cast<size_t>(cw) * ch};
    for (unsigned i = 0; i < 3; ++i) {
        unsigned bytes = 0, pitch = 0, rows = 0;
        const unsigned char* from = scaled->GetBuffer(i, &bytes, &pitch, &rows);
        if (!from)
            QB_THROW(QB_ERR_BAD_POINTER, "A picture without its pixels");
        const unsigned line = i ? W / 2 : W;
        const unsigned px = static_cast<unsigned>(i ? x / 2 : x), py = static_cast<unsigned>(i ? y / 2 : y);
        const unsigned width = static_cast<unsigned>(i ? dw / 2 : dw), height = static_cast<unsigned>(i ? dh / 2 : dh);
        for (unsigned r = 0; r < height && r < rows; ++r)
            memcpy(planes[i] + static_cast<size_t>(py + r) * line + px, from + static_cast<size_t>(r) * pitch,
                   std::min(width, bytes));
    }
    std::unique_ptr<Moorland::IRawVideoFrameFiller, FillerRelease> out(Moorland::CreateRawVideoFrameFiller());
    if (!out || !out->SetFormat(Moorland::PIXEL_FORMAT_YUV420P, W, H, 1))
        QuentaBased::ThrowLastError();
    out->SetPlane(0, planes[0], W);
    out->SetPlane(1, planes[1], cw);
    out->SetPlane(2, planes[2], cw);
    Moorland::IRawVideoFrame* composed = out->GetFrame()->Clone();
    if (!composed)
        QuentaBased::ThrowLastError();
    composed->SetTimeStamp(frame->GetTimeStamp());
    composed->SetDuration(frame->GetDuration());
    return composed;
}

} // namespace

bool CDCPictureEditor::PictureAreaOf(Moorland::IRawVideoFrame* frame, Moorland::FramePictureArea& area)
{
    void* data = nullptr;
    int size = 0;
    frame->GetBorderData(&data, &size);
    if (!data || size != static_cast<int>(sizeof(area)) || frame->GetPixelFormat() != Moorland::PIXEL_FORMAT_YUV420P)
        return false;
    memcpy(&area, data, sizeof(area));
    unsigned w = 0, h = 0;
    frame->GetDimension(&w, &h);
    return area.tag == Moorland::kFramePictureAreaTag && area.x >= 0 && area.y >= 0 && area.width >= 2 &&
           area.height >= 2 && !(area.x & 1) && !(area.y & 1) && area.x + area.width <= static_cast<int>(w) &&
           area.y + area.height <= static_cast<int>(h);
}

Moorland::IRawVideoFrame* CDCPictureEditor::Edited(Moorland::IRawVideoFrame* frame, CEffectsProc* effects)
{
    Moorland::FramePictureArea area{};
    if (!effects->Steps().empty() && PictureAreaOf(frame, area))
        return EffectsOnPicture(effects, frame, area);
    Moorland::IRawVideoFrame* input = ForEffects(frame, effects);
    Moorland::IRawVideoFrame* f = input;
    return effects->ProcFrame(f) && f != input ? f : nullptr;
}

Moorland::IRawVideoFrame* CDCPictureEditor::ForEffects(Moorland::IRawVideoFrame* frame, CEffectsProc* effects)
{
    switch (frame->GetPixelFormat()) {
    case Moorland::PIXEL_FORMAT_YUV420P:
    case Moorland::PIXEL_FORMAT_YUV422P:
    case Moorland::PIXEL_FORMAT_YUV444P:
    case Moorland::PIXEL_FORMAT_YUV410P:
    case Moorland::PIXEL_FORMAT_YUV411P:
    case Moorland::PIXEL_FORMAT_YUVJ420P:
    case Moorland::PIXEL_FORMAT_YUVJ422P:
    case Moorland::PIXEL_FORMAT_YUVJ444P:
    case Moorland::PIXEL_FORMAT_YUV440P:
    case Moorland::PIXEL_FORMAT_GRAY8: return frame;
    default: break;
    }
    // Converted only when an effect will work on it: a conversion turns every
    // picture into 4:2:0 before its effects, and the colour steps count in
    // those levels.
    if (effects->Steps().empty())
        return frame;
    if (!m_planar)
        m_planar.reset(CreateImageConverter(Moorland::PIXEL_FORMAT_YUV420P));
    Moorland::IRawVideoFrame* planar = m_planar ? m_planar->Convert(frame) : nullptr;
    return planar ? planar : frame;
}

QSize CDCPictureEditor::ShownShape(Moorland::IRawVideoFrame* raw, bool turned)
{
    unsigned rw = 0, rh = 0;
    raw->GetDimension(&rw, &rh);
    if (!rw || !rh)
        return QSize();
    const double dar = raw->GetDAR() > 0 ? raw->GetDAR() : static_cast<double>(rw) / rh;
    const double sar = dar * rh / rw;
    const int w = static_cast<int>(rw), h = static_cast<int>(rh);
    if (std::fabs(sar - 1.0) < 0.001)
        return turned ? QSize(h, w) : QSize(w, h);
    return turned ? QSize(h, static_cast<int>(std::lround(rw * sar)))
                  : QSize(static_cast<int>(std::lround(rw * sar)), h);
}

bool CDCPictureEditor::TurnsAQuarter(const std::vector<EffectStep>& steps)
{
    for (const EffectStep& step : steps)
        if (step.name == "EffectNameRotate90X")
            for (const auto& param : step.params)
                if (param.first == "Rotate90XDerection" && (param.second == "1" || param.second == "2"))
                    return true;
    return false;
}

// Steps that come out the same, within a level, on the decoded picture
// scaled down as on the decoded picture before it is scaled: level changes
// pixel by pixel, and a quarter turn with the flips that go with it when the
// scaler samples at the pixels' centres (EditedAtShownSize). A mirror or flip
// without a turn stays at full size: cheap there, and after the fast scaler,
// whose samples sit a fraction of a pixel off centre, the mirrored picture
// would land that fraction the other way. Blurs, sharpening and the 3D shift
// reach across pixels (the shift by pixels of the picture's own size): a
// chain with any of them works on the picture at its own size.
bool CDCPictureEditor::SameWhenScaled(const std::vector<EffectStep>& steps)
{
    static const char* const kPerPixel[] = {"brightness_contrast", "gray", "flip_color", "invert", "aged_film"};
    const bool turns = TurnsAQuarter(steps);
    for (const EffectStep& step : steps) {
        if (turns && (step.name == "reverse" || step.name == "EffectNameRotate90X"))
            continue;
        if (std::none_of(std::begin(kPerPixel), std::end(kPerPixel),
                         [&](const char* name) { return step.name == name; }))
            return false;
    }
    return true;
}

QSize CDCPictureEditor::DisplaySize(Moorland::IRawVideoFrame* picture, Moorland::IRawVideoFrame* raw)
{
    unsigned rw = 0, rh = 0, pw = 0, ph = 0;
    raw->GetDimension(&rw, &rh);
    picture->GetDimension(&pw, &ph);
    if (!rw || !rh || !pw || !ph)
        return QSize();
    const double dar = raw->GetDAR() > 0 ? raw->GetDAR() : static_cast<double>(rw) / rh;
    const double sar = dar * rh / rw;
    const bool turned = pw == rh && ph == rw && rw != rh;
    if (std::fabs(sar - 1.0) < 0.001)
        return QSize(static_cast<int>(pw), static_cast<int>(ph));
    return turned ? QSize(static_cast<int>(pw), static_cast<int>(std::lround(ph * sar)))
                  : QSize(static_cast<int>(std::lround(pw * sar)), static_cast<int>(ph));
}

Moorland::IRawVideoFrame* CDCPictureEditor::EditedAtShownSize(Moorland::IRawVideoFrame* frame, CEffectsProc* effects,
                                                              unsigned width, unsigned height, bool turned)
{
    // In the levels the conversion's effects count in (planar YUV), the
    // colour at the shown size's full resolution: scaled first, the picture
    // loses no more of its colour than scaled last. For a quarter turn the
    // samples sit on the pixels' centres, so that the picture turned after
    // scaling is the file's, turned before.
    const int flag = turned ? 2 : 0;
    if (m_shown && (width != m_shownWidth || height != m_shownHeight || flag != m_shownFlag))
        m_shown.reset();
    if (!m_shown) {
        m_shown.reset(CreateImageConverterEx(Moorland::PIXEL_FORMAT_YUV444P, width, height, flag));
        m_shownWidth = width;
        m_shownHeight = height;
        m_shownFlag = flag;
    }
    Moorland::IRawVideoFrame* scaled = m_shown ? m_shown->Convert(frame) : nullptr;
    if (!scaled)
        return nullptr;
    Moorland::IRawVideoFrame* f = scaled;
    return effects->ProcFrame(f) && f != scaled ? f : nullptr;
}
