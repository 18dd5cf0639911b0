#include "EditProcessors.h"

#include "../../Moorlan/MoorlanPixelMap.h"
#include "CBaseException.h"
#include "CEditVideoFrame.h"
#include "CThreadedScaler.h"
#include "VideoComposite.h"
#include "EditPictures.h"
#include "FFScale.h"
#include "Moorlan.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Solvane {

namespace {

using namespace edit;

template <typename F> void ForEachPixel(Picture& p, F fn)
{
    Plane& pl = p.plane[0];
    for (unsigned y = 0; y < pl.rows; ++y) {
        uint8_t* px = pl.data + static_cast<size_t>(y) * pl.pitch;
        for (unsigned x = 0; x < pl.width; ++x, px += p.bpp)
            fn(px[p.r], px[p.g], px[p.b]);
    }
}

// v' = clamp(((v * mul) >> 7) + add) with mul in 0..256 (7-bit fraction) and
// add in whole levels: 16-bit lanes, so the compiler vectorises it eight or
// sixteen pixels at a time.
void LinearPlane(const Plane& pl, int mul, int add)
{
    const Plane plane = pl;
    ParallelRows(
        pl.rows, static_cast<size_t>(pl.rows) * pl.width,
        [plane, mul, add](unsigned first, unsigned last) {
            // Locals, not captures by reference: byte stores could alias them
            // and would keep the loop from being vectorised.
            const uint16_t m = static_cast<uint16_t>(mul);
            const int16_t a = static_cast<int16_t>(add);
            const unsigned width = plane.width;
            for (unsigned y = first; y < last; ++y) {
                uint8_t* __restrict px = plane.data + static_cast<size_t>(y) * plane.pitch;
                for (unsigned x = 0; x < width; ++x) {
                    const uint16_t scaled = static_cast<uint16_t>(static_cast<uint16_t>(px[x] * m) >> 7);
                    const int16_t v = static_cast<int16_t>(scaled + a);
                    px[x] = static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
                }
            }
        },
        8u << 20);
}

void ApplyLut(const Plane& pl, const uint8_t* lut, int step = 1, int offset = 0)
{
    for (unsigned y = 0; y < pl.rows; ++y) {
        uint8_t* px = pl.data + static_cast<size_t>(y) * pl.pitch + offset;
        for (unsigned x = 0; x < pl.width; ++x, px += step)
            *px = lut[*px];
    }
}

// One channel of a plane: pixels `step` bytes apart starting at `offset`.
struct Channel
{
    uint8_t* data;
    unsigned pitch, width, rows;
    int step;
};

std::vector<Channel> Channels(Picture& p, bool lumaOnly)
{
    std::vector<Channel> out;
    if (p.kind == Kind::Packed) {
        for (int off : {p.r, p.g, p.b})
            out.push_back({p.plane[0].data + off, p.plane[0].pitch, p.plane[0].width, p.plane[0].rows, p.bpp});
    } else {
        const int n = lumaOnly ? 1 : p.planes;
        for (int i = 0; i < n; ++i)
            out.push_back({p.plane[i].data, p.plane[i].pitch, p.plane[i].width, p.plane[i].rows, 1});
    }
    return out;
}

void BlurChannel(const Channel& c)
{
    const int w = static_cast<int>(c.width), h = static_cast<int>(c.rows);
    // Every entry is written before it is read: no need to clear it.
    std::unique_ptr<uint16_t[]> tmp(new uint16_t[static_cast<size_t>(w) * h]);
    const size_t bytes = static_cast<size_t>(w) * h;
    uint16_t* const tmpData = tmp.get();
    ParallelRows(static_cast<unsigned>(h), bytes, [c, w, tmpData](unsigned first, unsigned last) {
        for (int y = static_cast<int>(first); y < static_cast<int>(last); ++y) {
            const uint8_t* __restrict row = c.data + static_cast<size_t>(y) * c.pitch;
            uint16_t* __restrict t = tmpData + static_cast<size_t>(y) * w;
            auto at = [&](int x) { return row[static_cast<size_t>(std::min(std::max(x, 0), w - 1)) * c.step]; };
            auto tap = [&](int x) {
                return static_cast<uint16_t>(at(x - 2) + 4 * at(x - 1) + 6 * at(x) + 4 * at(x + 1) + at(x + 2));
            };
            if (c.step != 1 || w < 5) {
                for (int x = 0; x < w; ++x)
                    t[x] = tap(x);
                continue;
            }
            t[0] = tap(0);
            t[1] = tap(1);
            // The inside needs no clamping: a plain loop the compiler vectorises.
            for (int x = 2; x < w - 2; ++x)
                t[x] = static_cast<uint16_t>(row[x - 2] + 4 * row[x - 1] + 6 * row[x] + 4 * row[x + 1] + row[x + 2]);
            t[w - 2] = tap(w - 2);
            t[w - 1] = tap(w - 1);
        }
    });
    ParallelRows(static_cast<unsigned>(h), bytes, [c, w, h, tmpData](unsigned first, unsigned last) {
        const int step = c.step;
        for (int y = static_cast<int>(first); y < static_cast<int>(last); ++y) {
            const uint16_t* r[5];
            for (int k = -2; k <= 2; ++k)
                r[k + 2] = tmpData + static_cast<size_t>(std::min(std::max(y + k, 0), h - 1)) * w;
            const uint16_t* __restrict r0 = r[0];
            const uint16_t* __restrict r1 = r[1];
            const uint16_t* __restrict r2 = r[2];
            const uint16_t* __restrict r3 = r[3];
            const uint16_t* __restrict r4 = r[4];
            uint8_t* __restrict out = c.data + static_cast<size_t>(y) * c.pitch;
            if (step == 1) {
                for (int x = 0; x < w; ++x)
                    out[x] = static_cast<uint8_t>((r0[x] + 4 * r1[x] + 6 * r2[x] + 4 * r3[x] + r4[x] + 128) >> 8);
                continue;
            }
            for (int x = 0; x < w; ++x)
                out[static_cast<size_t>(x) * step] =
                    static_cast<uint8_t>((r[0][x] + 4 * r[1][x] + 6 * r[2][x] + 4 * r[3][x] + r[4][x] + 128) >> 8);
        }
    });
}

void SharpenChannel(const Channel& c)
{
    const int w = static_cast<int>(c.width), h = static_cast<int>(c.rows);
    std::vector<uint8_t> src(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            src[static_cast<size_t>(y) * w + x] =
                c.data[static_cast<size_t>(y) * c.pitch + static_cast<size_t>(x) * c.step];
    auto at = [&](int x, int y) {
        return static_cast<int>(
            src[static_cast<size_t>(std::min(std::max(y, 0), h - 1)) * w + std::min(std::max(x, 0), w - 1)]);
    };
    for (int y = 0; y < h; ++y) {
        uint8_t* out = c.data + static_cast<size_t>(y) * c.pitch;
        for (int x = 0; x < w; ++x)
            out[static_cast<size_t>(x) * c.step] =
                Clamp(5 * at(x, y) - at(x - 1, y) - at(x + 1, y) - at(x, y - 1) - at(x, y + 1));
    }
}

// Elements of `size` bytes of one plane, flipped.
void FlipPlane(const Plane& pl, int size, bool mirror, bool vertical)
{
    if (mirror) {
        for (unsigned y = 0; y < pl.rows; ++y) {
            uint8_t* row = pl.data + static_cast<size_t>(y) * pl.pitch;
            for (unsigned l = 0, r = pl.width - 1; l < r; ++l, --r)
                std::swap_ranges(row + static_cast<size_t>(l) * size, row + static_cast<size_t>(l + 1) * size,
                                 row + static_cast<size_t>(r) * size);
        }
    }
    if (vertical) {
        const size_t bytes = static_cast<size_t>(pl.width) * size;
        for (unsigned t = 0, b = pl.rows - 1; t < b; ++t, --b)
            std::swap_ranges(pl.data + static_cast<size_t>(t) * pl.pitch,
                             pl.data + static_cast<size_t>(t) * pl.pitch + bytes,
                             pl.data + static_cast<size_t>(b) * pl.pitch);
    }
}

// The picture of a frame at its whole size, for FFmpeg's converters. The
// frame's planes hold what the layout table gives them, which drops an odd
// last chroma column or row; FFmpeg reads that column and row, so a frame
// described for it is cut to whole chroma blocks, and a converter working in
// place would leave the last pixel column or row as it was. A frame of such
// a size is copied into a picture FFmpeg allocated, the missing chroma made
// from its neighbour, and copied back after the work.
class CWholePicture
{
public:
    // The picture to work on: `described` (the frame as DescribeFrame gives
    // it) when it covers the whole frame, else the copy.
    AVFrame* Take(Moorland::IRawVideoFrame* frame, AVFrame* described)
    {
        unsigned w = 0, h = 0;
        frame->GetDimension(&w, &h);
        m_frame = nullptr;
        if (static_cast<unsigned>(described->width) == w && static_cast<unsigned>(described->height) == h)
            return described;
        const AVPixelFormat fmt = static_cast<AVPixelFormat>(described->format);
        AVFrame* own = m_copy.Picture(fmt, static_cast<int>(w), static_cast<int>(h));
        if (!own)
            QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
        const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(fmt);
        for (int i = 0; i < av_pix_fmt_count_planes(fmt) && own->data[i]; ++i) {
            const Span s = Spans(frame, own, d, i);
            uint8_t* to = own->data[i];
            for (int y = 0; y < s.rows; ++y) {
                uint8_t* row = to + static_cast<ptrdiff_t>(y) * own->linesize[i];
                if (y < s.frameRows) {
                    memcpy(row, s.from + static_cast<ptrdiff_t>(y) * s.pitch, static_cast<size_t>(s.frameBytes));
                    // Whole chroma blocks of the last one.
                    for (int x = s.frameBytes; x < s.bytes; ++x)
                        row[x] = row[x - s.step];
                } else {
                    memcpy(row, row - own->linesize[i], static_cast<size_t>(s.bytes));
                }
            }
        }
        m_frame = frame;
        m_own = own;
        return own;
    }

    // Back into the frame, when the work was done on the copy.
    void Give()
    {
        if (!m_frame)
            return;
        const AVFrame* own = m_own;
        const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(own->format));
        for (int i = 0; i < av_pix_fmt_count_planes(static_cast<AVPixelFormat>(own->format)) && own->data[i]; ++i) {
            const Span s = Spans(m_frame, own, d, i);
            uint8_t* to = const_cast<uint8_t*>(s.from);
            for (int y = 0; y < s.frameRows; ++y)
                memcpy(to + static_cast<ptrdiff_t>(y) * s.pitch,
                       own->data[i] + static_cast<ptrdiff_t>(y) * own->linesize[i], static_cast<size_t>(s.frameBytes));
        }
        m_frame = nullptr;
    }

private:
    struct Span
    {
        const uint8_t* from; // the frame's plane
        int pitch, frameBytes, frameRows;
        int bytes, rows; // of the whole picture's plane
        int step;        // bytes of one chroma block across
    };
    static Span Spans(Moorland::IRawVideoFrame* frame, const AVFrame* own, const AVPixFmtDescriptor* d, int i)
    {
        unsigned bytes = 0, pitch = 0, rows = 0;
        Span s{};
        s.from = frame->GetBuffer(static_cast<unsigned>(i), &bytes, &pitch, &rows);
        if (!s.from)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        const AVPixelFormat fmt = static_cast<AVPixelFormat>(own->format);
        const bool chroma = (i == 1 || i == 2) && !(d->flags & AV_PIX_FMT_FLAG_RGB);
        s.bytes = av_image_get_linesize(fmt, own->width, i);
        s.rows = chroma ? AV_CEIL_RSHIFT(own->height, d->log2_chroma_h) : own->height;
        s.pitch = static_cast<int>(pitch);
        s.frameBytes = std::min(static_cast<int>(bytes), s.bytes);
        s.frameRows = std::min(static_cast<int>(rows), s.rows);
        s.step = 1;
        for (int c = 0; c < d->nb_components; ++c)
            if (d->comp[c].plane == i)
                s.step = std::max(s.step, d->comp[c].step);
        s.step = std::min(s.step, std::max(s.frameBytes, 1));
        if (s.frameBytes <= 0 || s.frameRows <= 0)
            QB_THROW(QB_ERR_BAD_PARAM, "Bad param");
        return s;
    }

    FF::CScaledCopy m_copy;
    Moorland::IRawVideoFrame* m_frame = nullptr; // the frame whose copy was taken
    AVFrame* m_own = nullptr;
};

// ---- the processors --------------------------------------------------------------------

class CVideoProcessorBase : public Moorland::IVideoProcessor
{
public:
    explicit CVideoProcessorBase(const char* name) : m_name(name) {}
    void* QueryInterface(const char*) override { return nullptr; }
    void Release() override { delete this; }
    bool SetParameter(const char* name, const char* value) override
    {
        return QB_GUARDED(false, {
            if (!name || !value)
                QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
            if (!Accepts(name))
                QB_THROW(QB_ERR_BAD_PARAM, m_name + " has no parameter \"" + name + "\"");
            char* end = nullptr;
            const double v = strtod(value, &end);
            if (end == value || !std::isfinite(v))
                QB_THROW(QB_ERR_BAD_PARAM, m_name + ": \"" + std::string(value).substr(0, 32) + "\" is no number");
            m_params[name] = v;
            return true;
        });
    }
    void SetTimePosition(int32_t) override {}
    Moorland::IRawVideoFrame* ProcessFrame(Moorland::ProcessParams* params, uint32_t flags,
                                           Moorland::IRawVideoFrame* frame) override
    {
        return QB_GUARDED(static_cast<Moorland::IRawVideoFrame*>(nullptr), {
            std::unique_ptr<CEditVideoFrame> copy(CEditVideoFrame::CopyOf(frame, true));
            Run(params, flags, copy.get());
            return static_cast<Moorland::IRawVideoFrame*>(copy.release());
        });
    }
    bool ProcessFrameInPlace(Moorland::ProcessParams* params, uint32_t flags, Moorland::IRawVideoFrame* frame) override
    {
        return QB_GUARDED(false, {
            Run(params, flags, frame);
            return true;
        });
    }

protected:
    virtual ~CVideoProcessorBase() = default;
    // False for processors that change the picture's size (they cannot
    // work through a converted copy and write it back).
    virtual bool KeepsSize() const { return true; }
    void Run(Moorland::ProcessParams* params, uint32_t flags, Moorland::IRawVideoFrame* frame)
    {
        if (!frame)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        Picture probe;
        const unsigned f = frame->GetPixelFormat();
        if (IsPlanarYuv(f) || f == Moorland::PIXEL_FORMAT_GRAY8 || PackedOffsets(f, probe) || !KeepsSize()) {
            Process(params, flags, frame);
            return;
        }
        // Other layouts (packed YUV, 16-bit RGB ...) are worked on as BGRA
        // and converted back into the frame.
        if (!frame->CanBeModified())
            QB_THROW(QB_ERR_BAD_PARAM, m_name + ": the frame cannot be changed in place");
        FF::FramePtr described = FF::MakeFrame();
        Moorland::DescribeFrame(frame, described.get());
        AVFrame* desc = m_whole.Take(frame, described.get());
        const int w = desc->width, h = desc->height;
        const AVPixelFormat fmt = static_cast<AVPixelFormat>(desc->format);
        m_toBgra.reset(sws_getCachedContext(m_toBgra.release(), w, h, fmt, w, h, AV_PIX_FMT_BGRA, SWS_POINT, nullptr,
                                            nullptr, nullptr));
        m_fromBgra.reset(sws_getCachedContext(m_fromBgra.release(), w, h, AV_PIX_FMT_BGRA, w, h, fmt, SWS_POINT,
                                              nullptr, nullptr, nullptr));
        if (!m_toBgra || !m_fromBgra)
            QB_THROW(QB_ERR_MEDIA, m_name + ": pixel format " + std::to_string(f) + " is not supported");
        CEditVideoFrame bgra(false, Moorland::PIXEL_FORMAT_RGBA32, static_cast<unsigned>(w), static_cast<unsigned>(h));
        sws_scale(m_toBgra.get(), desc->data, desc->linesize, 0, h, bgra.Frame()->data, bgra.Frame()->linesize);
        Process(params, flags, &bgra);
        // The frame's own rows may end where its pixels do: the scaler
        // writes beside them and only the picture is copied in.
        if (!m_back.Scale(m_fromBgra.get(), bgra.Frame()->data, bgra.Frame()->linesize, h, fmt, w, h, desc->data,
                          desc->linesize))
            QB_THROW(QB_ERR_NO_MEMORY, m_name + ": no memory to convert the picture back");
        m_whole.Give();
    }
    virtual bool Accepts(const std::string&) const { return false; }
    virtual void Process(Moorland::ProcessParams* params, uint32_t flags, Moorland::IRawVideoFrame* frame) = 0;
    double Param(const char* name, double fallback) const
    {
        auto it = m_params.find(name);
        return it == m_params.end() ? fallback : it->second;
    }
    const char* Name() const { return m_name.c_str(); }

private:
    std::string m_name;
    std::map<std::string, double> m_params;
    FF::SwsPtr m_toBgra;
    FF::SwsPtr m_fromBgra;
    FF::CScaledCopy m_back;
    CWholePicture m_whole;
};

class CColourProcessor final : public CVideoProcessorBase
{
public:
    CColourProcessor() : CVideoProcessorBase("brightness_contrast") {}

private:
    bool Accepts(const std::string& n) const override
    {
        return n == "brightness" || n == "contrast" || n == "saturation";
    }
    void Process(Moorland::ProcessParams*, uint32_t, Moorland::IRawVideoFrame* frame) override
    {
        Picture p = Describe(frame, Name(), true);
        const double b = std::max(-100.0, std::min(100.0, Param("brightness", 0)));
        const double c = std::max(-100.0, std::min(100.0, Param("contrast", 0)));
        const double s = std::max(-100.0, std::min(100.0, Param("saturation", 0)));
        const double cf = (100.0 + c) / 100.0, sf = (100.0 + s) / 100.0;
        uint8_t level[256];
        for (int v = 0; v < 256; ++v) {
            level[v] = Clamp(static_cast<int>(std::lround((v - 128) * cf + 128 + b * 1.27)));
        }
        if (p.kind == Kind::Packed) {
            const int sfx = static_cast<int>(std::lround(sf * 256));
            ForEachPixel(p, [&](uint8_t& r, uint8_t& g, uint8_t& bl) {
                const int R = level[r], G = level[g], B = level[bl];
                const int L = Luma(R, G, B);
                r = Clamp(L + (((R - L) * sfx) >> 8));
                g = Clamp(L + (((G - L) * sfx) >> 8));
                bl = Clamp(L + (((B - L) * sfx) >> 8));
            });
            return;
        }
        // The same lines as the table above, in fixed point.
        const int levelMul = static_cast<int>(std::lround(cf * 128));
        const int levelAdd = static_cast<int>(std::lround(128 - 128 * cf + b * 1.27));
        const int chromaMul = static_cast<int>(std::lround(sf * 128));
        const int chromaAdd = static_cast<int>(std::lround(128 - 128 * sf));
        if (b != 0 || c != 0)
            LinearPlane(p.plane[0], levelMul, levelAdd);
        if (p.kind == Kind::Yuv && s != 0) {
            LinearPlane(p.plane[1], chromaMul, chromaAdd);
            LinearPlane(p.plane[2], chromaMul, chromaAdd);
        }
    }
};

class CPictureEffect final : public CVideoProcessorBase
{
public:
    enum Effect { Blur, Sharpen, Gray, FlipColor, Invert, AgedFilm };
    CPictureEffect(const char* name, Effect effect) : CVideoProcessorBase(name), m_effect(effect) {}

private:
    void Process(Moorland::ProcessParams*, uint32_t, Moorland::IRawVideoFrame* frame) override
    {
        Picture p = Describe(frame, Name(), true);
        switch (m_effect) {
        case Blur:
            for (const Channel& c : Channels(p, false))
                BlurChannel(c);
            break;
        case Sharpen:
            for (const Channel& c : Channels(p, true))
                SharpenChannel(c);
            break;
        case Gray:
            if (p.kind == Kind::Packed) {
                ForEachPixel(
                    p, [](uint8_t& r, uint8_t& g, uint8_t& b) { r = g = b = static_cast<uint8_t>(Luma(r, g, b)); });
            } else if (p.kind == Kind::Yuv) {
                for (int i = 1; i < 3; ++i)
                    for (unsigned y = 0; y < p.plane[i].rows; ++y)
                        memset(p.plane[i].data + static_cast<size_t>(y) * p.plane[i].pitch, 128, p.plane[i].width);
            }
            break;
        case FlipColor:
            if (p.kind == Kind::Packed) {
                ForEachPixel(p, [](uint8_t& r, uint8_t&, uint8_t& b) { std::swap(r, b); });
            } else if (p.kind == Kind::Yuv) {
                for (unsigned y = 0; y < p.plane[1].rows; ++y)
                    std::swap_ranges(p.plane[1].data + static_cast<size_t>(y) * p.plane[1].pitch,
                                     p.plane[1].data + static_cast<size_t>(y) * p.plane[1].pitch + p.plane[1].width,
                                     p.plane[2].data + static_cast<size_t>(y) * p.plane[2].pitch);
            }
            break;
        case Invert: {
            uint8_t lut[256];
            for (int v = 0; v < 256; ++v)
                lut[v] = static_cast<uint8_t>(255 - v);
            if (p.kind == Kind::Packed)
                ForEachPixel(p, [&](uint8_t& r, uint8_t& g, uint8_t& b) {
                    r = lut[r];
                    g = lut[g];
                    b = lut[b];
                });
            else
                for (int i = 0; i < p.planes; ++i)
                    ApplyLut(p.plane[i], lut);
            break;
        }
        case AgedFilm: {
            if (p.kind == Kind::Packed) {
                ForEachPixel(p, [](uint8_t& r, uint8_t& g, uint8_t& b) {
                    const int R = r, G = g, B = b;
                    // Sepia, then faded towards a warm grey like old prints.
                    r = Clamp(((R * 101 + G * 197 + B * 48) >> 8) * 7 / 8 + 20);
                    g = Clamp(((R * 89 + G * 176 + B * 43) >> 8) * 7 / 8 + 16);
                    b = Clamp(((R * 70 + G * 137 + B * 34) >> 8) * 7 / 8 + 12);
                });
            } else {
                uint8_t lut[256];
                for (int v = 0; v < 256; ++v)
                    lut[v] = Clamp(v * 7 / 8 + 18);
                ApplyLut(p.plane[0], lut);
                if (p.kind == Kind::Yuv) {
                    const uint8_t tone[2] = {110, 146}; // U below and V above neutral: brown
                    for (int i = 1; i < 3; ++i)
                        for (unsigned y = 0; y < p.plane[i].rows; ++y)
                            memset(p.plane[i].data + static_cast<size_t>(y) * p.plane[i].pitch, tone[i - 1],
                                   p.plane[i].width);
                }
            }
            break;
        }
        }
    }

    Effect m_effect;
};

class CReverseProcessor final : public CVideoProcessorBase
{
public:
    CReverseProcessor() : CVideoProcessorBase("reverse") {}

private:
    bool Accepts(const std::string& n) const override { return n == "mirror" || n == "vertical"; }
    void Process(Moorland::ProcessParams*, uint32_t, Moorland::IRawVideoFrame* frame) override
    {
        const bool mirror = Param("mirror", 0) != 0, vertical = Param("vertical", 0) != 0;
        if (!mirror && !vertical)
            return;
        Picture p = Describe(frame, Name(), true);
        for (int i = 0; i < p.planes; ++i)
            FlipPlane(p.plane[i], p.kind == Kind::Packed ? p.bpp : 1, mirror, vertical);
    }
};

class CRotateProcessor final : public CVideoProcessorBase
{
public:
    CRotateProcessor() : CVideoProcessorBase("EffectNameRotate90X") {}

private:
    bool KeepsSize() const override { return false; }
    bool Accepts(const std::string& n) const override { return n == "Rotate90XDerection"; }
    static unsigned TurnedFormat(unsigned f)
    {
        switch (f) {
        case 4:
        case 74: return 33; // 4:2:2 turned is 4:4:0
        case 33: return 4;
        case 7:
        case 13: return UINT32_MAX;
        default: return f;
        }
    }
    void Process(Moorland::ProcessParams*, uint32_t, Moorland::IRawVideoFrame* frame) override
    {
        const int direction = static_cast<int>(Param("Rotate90XDerection", 0));
        if (direction != 1 && direction != 2)
            return;
        Picture p = Describe(frame, Name(), true);
        const unsigned format = TurnedFormat(frame->GetPixelFormat());
        if (format == UINT32_MAX)
            QB_THROW(QB_ERR_MEDIA, std::string(Name()) + ": pixel format " + std::to_string(frame->GetPixelFormat()) +
                                       " cannot be turned");
        const int size = p.kind == Kind::Packed ? p.bpp : 1;
        // The edit side's own pictures take new pixels and are turned
        // straight into them from the old ones, which the frame keeps alive
        // meanwhile.
        if (auto* edit = dynamic_cast<CEditVideoFrame*>(frame)) {
            FF::FramePtr before = edit->Reshape(format, p.height, p.width);
            Picture q = Describe(frame, Name(), true);
            bool fits = q.planes == p.planes;
            for (int i = 0; fits && i < q.planes; ++i)
                fits = q.plane[i].width == p.plane[i].rows && q.plane[i].rows == p.plane[i].width;
            if (fits) {
                for (int i = 0; i < q.planes; ++i)
                    TurnPlane(p.plane[i], q.plane[i], size, direction == 2);
                return;
            }
            WriteTurned(Turned(p, size, direction), q, size);
            return;
        }
        std::vector<std::vector<uint8_t>> turned = Turned(p, size, direction);
        if (p.width != p.height || format != frame->GetPixelFormat()) {
            auto* resizable =
                static_cast<Moorland::IResizableRawVideoFrame*>(frame->GetInterface(RAWVIDEO_INTERFACE_RESIZABLE));
            if (!resizable)
                QB_THROW(QB_ERR_MEDIA, std::string(Name()) + ": this frame cannot change its size in place");
            if (!resizable->Resize(format, p.height, p.width))
                QuentaBased::ThrowLastError();
        }
        WriteTurned(turned, Describe(frame, Name(), true), size);
    }

    // The turned planes, each packed tightly.
    static std::vector<std::vector<uint8_t>> Turned(const Picture& p, int size, int direction)
    {
        std::vector<std::vector<uint8_t>> turned(static_cast<size_t>(p.planes));
        for (int i = 0; i < p.planes; ++i) {
            const Plane& pl = p.plane[i];
            const unsigned tw = pl.rows, th = pl.width;
            std::vector<uint8_t>& t = turned[static_cast<size_t>(i)];
            t.resize(static_cast<size_t>(tw) * th * size);
            for (unsigned y = 0; y < pl.rows; ++y) {
                const uint8_t* row = pl.data + static_cast<size_t>(y) * pl.pitch;
                for (unsigned x = 0; x < pl.width; ++x) {
                    // 2 is a quarter clockwise: the top-left corner goes to the top right.
                    const unsigned nx = direction == 2 ? pl.rows - 1 - y : y;
                    const unsigned ny = direction == 2 ? x : pl.width - 1 - x;
                    memcpy(&t[(static_cast<size_t>(ny) * tw + nx) * size], row + static_cast<size_t>(x) * size,
                           static_cast<size_t>(size));
                }
            }
        }
        return turned;
    }

    void WriteTurned(const std::vector<std::vector<uint8_t>>& turned, const Picture& q, int size)
    {
        for (int i = 0; i < q.planes; ++i) {
            const Plane& pl = q.plane[i];
            const std::vector<uint8_t>& t = turned[static_cast<size_t>(i)];
            const size_t line = static_cast<size_t>(pl.width) * size;
            if (t.size() < line * pl.rows)
                QB_THROW(QB_ERR_MEDIA, std::string(Name()) + ": turned plane does not fit");
            for (unsigned y = 0; y < pl.rows; ++y)
                memcpy(pl.data + static_cast<size_t>(y) * pl.pitch, &t[y * line], line);
        }
    }

    // Turns `from` into `to` (its width the other's rows), in square tiles
    // so that both sides stay in the cache, in bands of rows side by side.
    template <int N>
    static void TurnTiles(const Plane& from, const Plane& to, bool clockwise, unsigned first, unsigned last)
    {
        struct Pixel
        {
            uint8_t b[N];
        };
        const unsigned kTile = 32;
        for (unsigned r0 = first; r0 < last; r0 += kTile) {
            const unsigned r1 = std::min(last, r0 + kTile);
            for (unsigned c0 = 0; c0 < to.width; c0 += kTile) {
                const unsigned c1 = std::min(to.width, c0 + kTile);
                for (unsigned r = r0; r < r1; ++r) {
                    // Row r of the turned plane is a column of the other,
                    // read upwards for a clockwise turn.
                    const unsigned column = clockwise ? r : from.width - 1 - r;
                    const uint8_t* const top = from.data + static_cast<size_t>(column) * N;
                    Pixel* __restrict out = reinterpret_cast<Pixel*>(to.data + static_cast<size_t>(r) * to.pitch);
                    for (unsigned c = c0; c < c1; ++c) {
                        const unsigned row = clockwise ? from.rows - 1 - c : c;
                        memcpy(&out[c], top + static_cast<size_t>(row) * from.pitch, N);
                    }
                }
            }
        }
    }

    static void TurnPlane(const Plane& from, const Plane& to, int size, bool clockwise)
    {
        auto turn = [&](auto tile) {
            ParallelRows(
                to.rows, static_cast<size_t>(to.rows) * to.width * size,
                [&](unsigned first, unsigned last) { tile(from, to, clockwise, first, last); }, 256u << 10);
        };
        switch (size) {
        case 1: turn(TurnTiles<1>); break;
        case 2: turn(TurnTiles<2>); break;
        case 3: turn(TurnTiles<3>); break;
        case 4: turn(TurnTiles<4>); break;
        case 6: turn(TurnTiles<6>); break;
        case 8: turn(TurnTiles<8>); break;
        default: QB_THROW(QB_ERR_MEDIA, "EffectNameRotate90X: pixels of " + std::to_string(size) + " bytes");
        }
    }
};

class CAnaglyphProcessor final : public CVideoProcessorBase
{
public:
    CAnaglyphProcessor() : CVideoProcessorBase("2D_3D_TransForm") {}

private:
    bool Accepts(const std::string& n) const override { return n == "2d_3d_depth" || n == "2d_3d_type"; }
    void Process(Moorland::ProcessParams*, uint32_t, Moorland::IRawVideoFrame* frame) override
    {
        const int type = static_cast<int>(Param("2d_3d_type", 1));
        const int depth = std::max(0, std::min(100, static_cast<int>(Param("2d_3d_depth", 0))));
        if (type != 1 && type != 2)
            return;
        if (!frame || !frame->CanBeModified())
            QB_THROW(QB_ERR_BAD_PARAM, std::string(Name()) + ": the frame cannot be changed in place");
        FF::FramePtr described = FF::MakeFrame();
        Moorland::DescribeFrame(frame, described.get());
        AVFrame* desc = m_whole.Take(frame, described.get());
        const int w = desc->width, h = desc->height;
        const AVPixelFormat fmt = static_cast<AVPixelFormat>(desc->format);
        // The conversions run on the shared picture threads, the same to the
        // bit as on one; the edited RGB picture is allocated as FFmpeg
        // allocates, as the scaler writes whole blocks past a row's end.
        AVFrame* rgb = m_toRgb.ScaleToOwn(desc->data, desc->linesize, w, h, fmt, w, h, AV_PIX_FMT_RGB24, SWS_POINT);
        if (!rgb)
            QB_THROW(QB_ERR_MEDIA, std::string(Name()) + ": pixel format not supported");
        AVFrame* out = m_edited.Picture(AV_PIX_FMT_RGB24, w, h);
        if (!out)
            QB_THROW(QB_ERR_NO_MEMORY, std::string(Name()) + ": no memory for the picture");
        const int shift = std::max(depth > 0 ? 1 : 0, depth * w / 1000);
        const int half = shift / 2, rest = shift - half;
        const AVFrame* from = rgb;
        ParallelRows(static_cast<unsigned>(h), static_cast<size_t>(w) * h * 3, [=](unsigned first, unsigned last) {
            for (int y = static_cast<int>(first); y < static_cast<int>(last); ++y) {
                const uint8_t* s = from->data[0] + static_cast<ptrdiff_t>(y) * from->linesize[0];
                uint8_t* d = out->data[0] + static_cast<ptrdiff_t>(y) * out->linesize[0];
                for (int x = 0; x < w; ++x) {
                    const uint8_t* left = s + static_cast<size_t>(std::min(x + half, w - 1)) * 3;
                    const uint8_t* right = s + static_cast<size_t>(std::max(x - rest, 0)) * 3;
                    d[x * 3] = left[0];
                    d[x * 3 + 1] = type == 2 ? right[1] : 0;
                    d[x * 3 + 2] = type == 1 ? right[2] : 0;
                }
            }
        });
        if (!m_fromRgb.Scale(out->data, out->linesize, w, h, AV_PIX_FMT_RGB24, desc->data, desc->linesize, w, h, fmt,
                             SWS_POINT))
            QB_THROW(QB_ERR_MEDIA, std::string(Name()) + ": the picture could not be converted back");
        m_whole.Give();
    }

    CThreadedScaler m_toRgb;
    CThreadedScaler m_fromRgb;
    FF::CScaledCopy m_edited;
    CWholePicture m_whole;
};

} // namespace

Moorland::IVideoProcessor* CreateNamedVideoProcessor(Moorland::IAVManager* manager, const char* name)
{
    return QB_GUARDED(static_cast<Moorland::IVideoProcessor*>(nullptr), {
        if (!name)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        const std::string n = name;
        Moorland::IVideoProcessor* p = nullptr;
        if (n == "brightness_contrast")
            p = new CColourProcessor;
        else if (n == "simple_gauss_blur")
            p = new CPictureEffect(name, CPictureEffect::Blur);
        else if (n == "simple_laplacian_sharpen")
            p = new CPictureEffect(name, CPictureEffect::Sharpen);
        else if (n == "gray")
            p = new CPictureEffect(name, CPictureEffect::Gray);
        else if (n == "flip_color")
            p = new CPictureEffect(name, CPictureEffect::FlipColor);
        else if (n == "invert")
            p = new CPictureEffect(name, CPictureEffect::Invert);
        else if (n == "aged_film")
            p = new CPictureEffect(name, CPictureEffect::AgedFilm);
        else if (n == "reverse")
            p = new CReverseProcessor;
        else if (n == "EffectNameRotate90X")
            p = new CRotateProcessor;
        else if (n == "2D_3D_TransForm")
            p = new CAnaglyphProcessor;
        else if (n == "VideoComposite")
            p = CreateVideoCompositeProcessor(manager);
        if (!p)
            QB_THROW(QB_ERR_NOT_FOUND, "No video processor is named \"" + n + "\"");
        return p;
    });
}

} // namespace Solvane
