#include "cmediaitemgrappic.h"

#include "cclipsettings.h"
#include "cmediasourceitem.h"

#include "Basilvo/Basilvo.h"
#include "CBaseException.h"
#include "IAVImporter.h"
#include "IAVSource.h"

#include "utility/CEffectsProc.h"

#include <cmath>

void DCGrapTargetSize(const Fablecut::CMediaSourceItem* pItem, int& width, int& height, bool bKeepAspect,
                      bool bByHeight)
{
    unsigned int w = pItem->GetViewWidth();
    unsigned int h = pItem->GetViewHeight();
    if (w == 0 || h == 0) {
        w = pItem->GetPixelWidth();
        h = pItem->GetPixelHeight();
    }
    if (!bKeepAspect || w == 0 || h == 0)
        return;
    const double ratio = static_cast<double>(w) / static_cast<double>(h);
    if (bByHeight)
        width = static_cast<int>(std::trunc(height * ratio));
    else
        height = static_cast<int>(std::trunc(width / ratio));
}

namespace {

template <typename Grab>
bool GrabThroughClip(Fablecut::CMediaSourceItem* pItem, int nOffsetMs, int width, int height, bool bKeepAspect,
                     bool bByHeight, Grab&& grab)
{
    bool sourceIsOurs = false;
    const bool ok = QB_GUARDED(false, {
        if (!pItem)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        // The clip's source belongs to whoever made it (a player): grabbing
        // would seek it and free it underneath them.
        if (pItem->GetAVSourse())
            QB_THROW(QB_ERR_BAD_PARAM, "The clip's source is in use by a player");
        sourceIsOurs = true;
        if (!pItem->UpdateAVSource() || !pItem->GetAVSourse()) {
            if (GetQuentaException()->GetExceptionCode() != 0)
                QuentaBased::ThrowLastError();
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        }
        const long long at = static_cast<long long>(pItem->GetTrimStartPoint().ToMillisecond()) + nOffsetMs;
        CDCMoorlanGrapPic grabber(pItem->GetAVSourse(), at < 0 ? 0u : static_cast<unsigned int>(at), false);
        int w = width, h = height;
        DCGrapTargetSize(pItem, w, h, bKeepAspect, bByHeight);
        grab(grabber, w, h);
        if (GetQuentaException()->GetExceptionCode() != 0)
            QuentaBased::ThrowLastError();
        pItem->FreeAVSource();
        return true;
    });
    if (!ok && sourceIsOurs && pItem && pItem->GetAVSourse())
        pItem->FreeAVSource();
    return ok;
}

} // namespace

bool GrapMediaItemPic(Fablecut::CMediaSourceItem* pItem, int nOffsetMs, QImage& image, int width, int height,
                      bool bKeepAspect, bool bByHeight)
{
    return GrabThroughClip(pItem, nOffsetMs, width, height, bKeepAspect, bByHeight,
                           [&image](CDCMoorlanGrapPic& grabber, int w, int h) { image = grabber.grapPic(w, h); });
}

bool GrapMediaItemPic(Fablecut::CMediaSourceItem* pItem, int nOffsetMs, std::string path, DCImageFormatType format,
                      int width, int height, bool bKeepAspect, bool bByHeight)
{
    return GrabThroughClip(
        pItem, nOffsetMs, width, height, bKeepAspect, bByHeight,
        [&](CDCMoorlanGrapPic& grabber, int w, int h) { grabber.grapPicAndSaveTo(path.c_str(), format, w, h); });
}

// ------------------------------------------------------------ the grabber

CDCMediaItemPicGrapper::CDCMediaItemPicGrapper(Moorland::IAVManager* pManager, Fablecut::CMediaSourceItem* pItem)
    : m_manager(pManager), m_item(pItem)
{
    m_effects = new CEffectsProc(pManager);
}

CDCMediaItemPicGrapper::~CDCMediaItemPicGrapper()
{
    delete m_effects;
    ReleaseAVSource();
}

void CDCMediaItemPicGrapper::ReleaseAVSource()
{
    if (m_source) {
        m_source->Release();
        m_source = nullptr;
    }
}

void CDCMediaItemPicGrapper::ProcEffect(Moorland::IRawVideoFrame*& frame)
{
    if (!m_effects || !m_item || !frame)
        QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
    if (!frame->CanBeModified()) {
        frame->SetCanBeModified(true);
        if (!frame->CanBeModified())
            QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
    }
    // The settings' values as they stand, whatever their switches say.
    const CClipSettings s = CClipSettings::Of(*m_item);
    m_effects->setBrightness(s.brightness);
    m_effects->setContrast(s.contrast);
    m_effects->setSaturation(s.saturation);
    m_effects->setEnableDeinterlace(m_item->GetSrcInterlaced());
    m_effects->setMirror(s.mirror);
    m_effects->setVerReverse(s.verReverse);
    m_effects->setRotateAngle(s.rotationAngle);
    m_effects->setEnableAgedFilmEffectSeriesType(s.effect);
    m_effects->ProcFrameInPlace(frame);
}

template <typename Grab>
bool CDCMediaItemPicGrapper::GrabWith(int width, int height, bool bKeepAspect, bool bByHeight, Grab&& grab)
{
    return QB_GUARDED(false, {
        if (!m_item)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        if (!m_source) {
            m_item->OpenImporter();
            Moorland::IAVImporter* importer = m_item->GetImporter();
            if (!importer)
                QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
            m_source = importer->CreateSource(m_item->GetCurMovieID(), m_item->GetCurVideoStreamID(), -1);
            if (!m_source)
                QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        }
        if (m_effectsOn) {
            // The chain changes the picture in place: the source hands out
            // frames of its own then.
            auto* property =
                static_cast<Moorland::IAVSourceSetProperty*>(m_source->GetInterface("IAVSourceSetProperty"));
            if (property)
                property->SetProperty(0, 1);
        }
        const int at = m_item->GetTrimStartPoint().ToMillisecond();
        Moorland::IRawVideoFrame* frame = DCReadVideoFrameAt(m_source, at < 0 ? 0u : static_cast<unsigned int>(at));
        if (m_effectsOn)
            ProcEffect(frame);
        CDCMoorlanGrapPic grabber(frame);
        int w = width, h = height;
        DCGrapTargetSize(m_item, w, h, bKeepAspect, bByHeight);
        if (m_cropOn) {
            const CClipSettings s = CClipSettings::Of(*m_item);
            rect_t c = m_item->GetCrop();
            const float pw = static_cast<float>(m_item->GetPixelWidth());
            const float ph = static_cast<float>(m_item->GetPixelHeight());
            if (s.verReverse) {
                const float height0 = c.bottom - c.top;
                c.top = ph - c.top - height0;
                c.bottom = c.top + height0;
            }
            if (s.mirror) {
                const float width0 = c.right - c.left;
                c.left = pw - c.left - width0;
                c.right = c.left + width0;
            }
            float viewW = static_cast<float>(m_item->GetViewWidth());
            float viewH = static_cast<float>(m_item->GetViewHeight());
            if (viewW == 0 || viewH == 0) {
                viewW = pw;
                viewH = ph;
            }
            const float frameW = w == -1 ? viewW : static_cast<float>(w);
            const float frameH = h == -1 ? viewH : static_cast<float>(h);
            if (frameW > 0 && frameH > 0 && viewW > 0 && viewH > 0) {
                c.left /= viewW / frameW;
                c.right /= viewW / frameW;
                c.top /= viewH / frameH;
                c.bottom /= viewH / frameH;
            }
            if (m_item->GetViewHeight() != 0 && m_item->GetViewHeight() != m_item->GetPixelHeight() && ph > 0) {
                c.top *= viewH / ph;
                c.bottom *= viewH / ph;
            }
            grab(grabber, &c, w, h);
        } else {
            grab(grabber, nullptr, w, h);
        }
        if (GetQuentaException()->GetExceptionCode() != 0)
            QuentaBased::ThrowLastError();
        return true;
    });
}

bool CDCMediaItemPicGrapper::GrapPic(QImage& image, int width, int height, bool bKeepAspect, bool bByHeight)
{
    return GrabWith(width, height, bKeepAspect, bByHeight, [&image](CDCMoorlanGrapPic& g, rect_t* crop, int w, int h) {
        image = crop ? g.grapPic(*crop, w, h) : g.grapPic(w, h);
    });
}

bool CDCMediaItemPicGrapper::GrapPic(std::string path, DCImageFormatType format, int width, int height,
                                     bool bKeepAspect, bool bByHeight)
{
    return GrabWith(width, height, bKeepAspect, bByHeight, [&](CDCMoorlanGrapPic& g, rect_t* crop, int w, int h) {
        if (crop)
            g.grapPicAndSaveTo(path.c_str(), format, *crop, w, h);
        else
            g.grapPicAndSaveTo(path.c_str(), format, w, h);
    });
}
