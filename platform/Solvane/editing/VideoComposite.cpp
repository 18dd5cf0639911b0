#include "VideoComposite.h"

#include "../../Moorlan/MoorlanPixelMap.h"
#include "CEditVideoFrame.h"
#include "CSimpleHTMLRender.h"
#include "EditPictures.h"
#include "FFScale.h"
#include "FFOwners.h"

#include <algorithm>
#include <cstring>
#include <list>
#include <memory>
#include <string>
#include <vector>

namespace Solvane {

namespace {

using namespace edit;

// A layer's picture: premultiplied B, G, R, A bytes, tightly packed.
struct Bitmap
{
    int width = 0;
    int height = 0;
    std::vector<uint8_t> px;
};

class CLayer final : public Moorland::IAVLayerObject
{
public:
    void* QueryInterface(const char* name) override
    {
        if (text && name && strcmp(name, "ISimpleHTMLRender") == 0)
            return static_cast<Moorland::ISimpleHTMLRender*>(text.get());
        return nullptr;
    }

    Moorland::CompositeLayerInfo info{};
    std::unique_ptr<CSimpleHTMLRender> text; // text layers
    Bitmap image;                            // image layers, as loaded
    Bitmap drawn;                            // what is drawn (scaled image or rendered text)
    int drawnW = -1, drawnH = -1;
    bool stale = true;
};

Bitmap FromFrame(Moorland::IRawVideoFrame* frame, int width, int height, bool premultiplied)
{
    FF::FramePtr src = FF::MakeFrame();
    Moorland::DescribeFrame(frame, src.get());
    if (width <= 0 || height <= 0) {
        width = src->width;
        height = src->height;
    }
    FF::SwsPtr sws(sws_getContext(src->width, src->height, static_cast<AVPixelFormat>(src->format), width, height,
                                  AV_PIX_FMT_BGRA, SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!sws)
        QB_THROW(QB_ERR_MEDIA, "The layer's picture cannot be converted");
    Bitmap b;
    b.width = width;
    b.height = height;
    b.px.resize(static_cast<size_t>(width) * height * 4);
    uint8_t* planes[4] = {b.px.data(), nullptr, nullptr, nullptr};
    int lines[4] = {width * 4, 0, 0, 0};
    // The bitmap's rows end at its last pixel; the scaler writes past it.
    FF::CScaledCopy scaled;
    if (!scaled.Scale(sws.get(), src->data, src->linesize, src->height, AV_PIX_FMT_BGRA, width, height, planes, lines))
        QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
    if (!premultiplied) {
        for (size_t i = 0; i < b.px.size(); i += 4) {
            const unsigned a = b.px[i + 3];
            for (int c = 0; c < 3; ++c)
                b.px[i + c] = static_cast<uint8_t>((b.px[i + c] * a + 127) / 255);
        }
    }
    return b;
}

// Straight alpha pictures scale with their colour: premultiplied in, premultiplied out.
Bitmap Scale(const Bitmap& in, int width, int height)
{
    if (width == in.width && height == in.height)
        return in;
    FF::SwsPtr sws(sws_getContext(in.width, in.height, AV_PIX_FMT_BGRA, width, height, AV_PIX_FMT_BGRA, SWS_BICUBIC,
                                  nullptr, nullptr, nullptr));
    if (!sws)
        QB_THROW(QB_ERR_MEDIA, "The layer cannot be scaled");
    Bitmap b;
    b.width = width;
    b.height = height;
    b.px.resize(static_cast<size_t>(width) * height * 4);
    const uint8_t* src[4] = {in.px.data(), nullptr, nullptr, nullptr};
    int srcLines[4] = {in.width * 4, 0, 0, 0};
    uint8_t* dst[4] = {b.px.data(), nullptr, nullptr, nullptr};
    int dstLines[4] = {width * 4, 0, 0, 0};
    FF::CScaledCopy scaled;
    if (!scaled.Scale(sws.get(), src, srcLines, in.height, AV_PIX_FMT_BGRA, width, height, dst, dstLines))
        QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
    return b;
}

inline uint8_t Over(int src, int dst, int alpha)
{
    return Clamp(src + (dst * (255 - alpha) + 127) / 255);
}

// Draws premultiplied BGRA at (x, y) on the picture, clipped.
void Blend(Picture& p, const Bitmap& b, int x, int y)
{
    const int x0 = std::max(0, x), y0 = std::max(0, y);
    const int x1 = std::min(static_cast<int>(p.width), x + b.width),
              y1 = std::min(static_cast<int>(p.height), y + b.height);
    if (x0 >= x1 || y0 >= y1)
        return;
    if (p.kind == Kind::Packed) {
        for (int yy = y0; yy < y1; ++yy) {
            uint8_t* row = p.plane[0].data + static_cast<size_t>(yy) * p.plane[0].pitch;
            const uint8_t* s = &b.px[(static_cast<size_t>(yy - y) * b.width + (x0 - x)) * 4];
            for (int xx = x0; xx < x1; ++xx, s += 4) {
                uint8_t* d = row + static_cast<size_t>(xx) * p.bpp;
                const int a = s[3];
                if (a == 0)
                    continue;
                d[p.b] = Over(s[0], d[p.b], a);
                d[p.g] = Over(s[1], d[p.g], a);
                d[p.r] = Over(s[2], d[p.r], a);
                if (p.a >= 0)
                    d[p.a] = Over(a, d[p.a], a);
            }
        }
        return;
    }
    // YUV: the layer's premultiplied colour in BT.601 studio range.
    const unsigned lw = p.plane[0].width, lh = p.plane[0].rows;
    for (int yy = y0; yy < y1; ++yy) {
        uint8_t* row = p.plane[0].data + static_cast<size_t>(yy) * p.plane[0].pitch;
        const uint8_t* s = &b.px[(static_cast<size_t>(yy - y) * b.width + (x0 - x)) * 4];
        for (int xx = x0; xx < x1; ++xx, s += 4) {
            const int a = s[3];
            if (a == 0)
                continue;
            const int ly = (66 * s[2] + 129 * s[1] + 25 * s[0] + 128) / 256 + 16 * a / 255;
            row[xx] = Over(ly, row[xx], a);
        }
    }
    if (p.kind != Kind::Yuv)
        return;
    const unsigned cw = p.plane[1].width, ch = p.plane[1].rows;
    const int sx = static_cast<int>((lw + cw - 1) / std::max(cw, 1u)),
              sy = static_cast<int>((lh + ch - 1) / std::max(ch, 1u));
    for (int cy = y0 / sy; cy * sy < y1 && cy < static_cast<int>(ch); ++cy) {
        const int py = std::max(cy * sy, y0);
        for (int cx = x0 / sx; cx * sx < x1 && cx < static_cast<int>(cw); ++cx) {
            const int px = std::max(cx * sx, x0);
            const uint8_t* s = &b.px[(static_cast<size_t>(py - y) * b.width + (px - x)) * 4];
            const int a = s[3];
            if (a == 0)
                continue;
            const int u = (-38 * s[2] - 74 * s[1] + 112 * s[0] + 128) / 256 + 128 * a / 255;
            const int v = (112 * s[2] - 94 * s[1] - 18 * s[0] + 128) / 256 + 128 * a / 255;
            uint8_t* du = p.plane[1].data + static_cast<size_t>(cy) * p.plane[1].pitch + cx;
            uint8_t* dv = p.plane[2].data + static_cast<size_t>(cy) * p.plane[2].pitch + cx;
            *du = Over(u, *du, a);
            *dv = Over(v, *dv, a);
        }
    }
}

class CVideoComposite final : public Moorland::IVideoProcessor, public Moorland::IAVComposite
{
public:
    explicit CVideoComposite(Moorland::IAVManager* manager) : m_manager(manager) {}

    void* QueryInterface(const char* name) override
    {
        if (name && strcmp(name, "IAVComposite") == 0)
            return static_cast<Moorland::IAVComposite*>(this);
        return nullptr;
    }
    void Release() override { delete this; }
    bool SetParameter(const char*, const char*) override { return false; }
    void SetTimePosition(int32_t) override {}
    Moorland::IRawVideoFrame* ProcessFrame(Moorland::ProcessParams* params, uint32_t,
                                           Moorland::IRawVideoFrame* frame) override
    {
        return QB_GUARDED(static_cast<Moorland::IRawVideoFrame*>(nullptr), {
            std::unique_ptr<CEditVideoFrame> copy(CEditVideoFrame::CopyOf(frame, true));
            Draw(params, copy.get());
            return static_cast<Moorland::IRawVideoFrame*>(copy.release());
        });
    }
    bool ProcessFrameInPlace(Moorland::ProcessParams* params, uint32_t, Moorland::IRawVideoFrame* frame) override
    {
        return QB_GUARDED(false, {
            Draw(params, frame);
            return true;
        });
    }

    void* AddLayer(const char* address, Moorland::CompositeLayerInfo* info) override
    {
        return QB_GUARDED(static_cast<void*>(nullptr), {
            if (!address || !info)
                QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
            std::unique_ptr<CLayer> layer(new CLayer);
            layer->info = *info;
            if (info->sourceKind == 1) {
                layer->text.reset(new CSimpleHTMLRender);
            } else if (info->sourceKind == 0) {
                if (!m_manager)
                    QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
                Moorland::IAVSource* source = m_manager->CreateSourceFromFile(address, -2, -1);
                if (!source)
                    QuentaBased::ThrowLastError();
                std::unique_ptr<Moorland::IAVSource, void (*)(Moorland::IAVSource*)> holder(
                    source, [](Moorland::IAVSource* s) { s->Release(); });
                Moorland::IRawVideoFrame* picture = nullptr;
                for (int tries = 0; !picture && tries < 64; ++tries) {
                    Moorland::IRawAudioFrame* a = nullptr;
                    if (!source->ReadFrames(&a, &picture, nullptr, Moorland::AVReadVideoOnly)) {
                        if (source->IsEndOfStream())
                            QB_THROW(QB_ERR_MEDIA, std::string("No picture in ") + address);
                        QuentaBased::ThrowLastError();
                    }
                }
                if (!picture)
                    QB_THROW(QB_ERR_MEDIA, std::string("No picture in ") + address);
                layer->image = FromFrame(picture, 0, 0, false);
            } else {
                QB_THROW(QB_ERR_BAD_PARAM, "Unknown layer source kind");
            }
            m_layers.push_back(std::move(layer));
            return static_cast<void*>(m_layers.back().get());
        });
    }
    bool RemoveLayer(void* handle) override
    {
        return QB_GUARDED(false, {
            auto it = Find(handle);
            m_layers.erase(it);
            return true;
        });
    }
    bool GetLayerInfo(void* handle, Moorland::CompositeLayerInfo* info) override
    {
        return QB_GUARDED(false, {
            if (!info)
                QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
            *info = (*Find(handle))->info;
            return true;
        });
    }
    bool SetLayerInfo(void* handle, Moorland::CompositeLayerInfo* info) override
    {
        return QB_GUARDED(false, {
            if (!info)
                QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
            (*Find(handle))->info = *info;
            return true;
        });
    }
    Moorland::IAVLayerObject* GetLayerObject(void* handle) override
    {
        return QB_GUARDED(static_cast<Moorland::IAVLayerObject*>(nullptr),
                          { return static_cast<Moorland::IAVLayerObject*>(Find(handle)->get()); });
    }
    bool UpdateLayer(void* handle) override
    {
        return QB_GUARDED(false, {
            // The text renders again only when its markup changed (SetHTML
            // tells); the layer takes the picture afresh either way.
            Find(handle)->get()->stale = true;
            return true;
        });
    }

private:
    std::list<std::unique_ptr<CLayer>>::iterator Find(void* handle)
    {
        for (auto it = m_layers.begin(); it != m_layers.end(); ++it)
            if (it->get() == handle)
                return it;
        QB_THROW(QB_ERR_NOT_FOUND, "No such layer");
    }

    void Draw(Moorland::ProcessParams* params, Moorland::IRawVideoFrame* frame)
    {
        Picture p = Describe(frame, "VideoComposite", true);
        const int ox = params ? params->x : 0, oy = params ? params->y : 0;
        for (auto& l : m_layers) {
            CLayer& layer = *l;
            if (layer.text) {
                CEditVideoFrame* picture = layer.text->Picture();
                if (!picture)
                    QuentaBased::ThrowLastError();
                if (layer.stale || layer.drawn.px.empty()) {
                    unsigned w = 0, h = 0;
                    picture->GetDimension(&w, &h);
                    Bitmap b;
                    b.width = static_cast<int>(w);
                    b.height = static_cast<int>(h);
                    b.px.resize(static_cast<size_t>(w) * h * 4);
                    unsigned bytes = 0, pitch = 0, rows = 0;
                    const uint8_t* src = picture->GetBuffer(0, &bytes, &pitch, &rows);
                    for (unsigned yy = 0; yy < h; ++yy)
                        memcpy(&b.px[static_cast<size_t>(yy) * w * 4], src + static_cast<size_t>(yy) * pitch, w * 4);
                    layer.drawn = std::move(b);
                    layer.stale = false;
                }
            } else {
                const int w = layer.info.width > 0 ? layer.info.width : layer.image.width;
                const int h = layer.info.height > 0 ? layer.info.height : layer.image.height;
                if (w != layer.drawnW || h != layer.drawnH || layer.drawn.px.empty()) {
                    layer.drawn = Scale(layer.image, w, h);
                    layer.drawnW = w;
                    layer.drawnH = h;
                }
            }
            Blend(p, layer.drawn, ox + layer.info.x, oy + layer.info.y);
        }
    }

    Moorland::IAVManager* m_manager;
    std::list<std::unique_ptr<CLayer>> m_layers;
};

} // namespace

Moorland::IVideoProcessor* CreateVideoCompositeProcessor(Moorland::IAVManager* manager)
{
    return new CVideoComposite(manager);
}

} // namespace Solvane
