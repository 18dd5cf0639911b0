#include "CImageWatermarkProc.h"

#include "Basilvo/QuentaLogger.h"

CImageWatermarkProc::~CImageWatermarkProc()
{
    if (m_composite)
        m_composite->Release();
}

void CImageWatermarkProc::ProcFrameInPlace(Moorland::IRawVideoFrame*& frame)
{
    Moorland::IRawVideoFrame* f = frame;
    Run(f, false);
}

void CImageWatermarkProc::ProcFrame(Moorland::IRawVideoFrame*& frame)
{
    Run(frame, true);
}

void CImageWatermarkProc::Run(Moorland::IRawVideoFrame*& frame, bool newFrame)
{
    if (!m_enabled || m_path.empty() || !frame)
        return;
    Moorland::CompositeLayerInfo info{};
    info.identifier = -1;
    info.x = static_cast<int16_t>(m_x);
    info.y = static_cast<int16_t>(m_y);
    info.kind = 3;
    info.width = static_cast<int16_t>(m_width);
    info.height = static_cast<int16_t>(m_height);
    const uint32_t t = static_cast<uint32_t>(frame->GetTimeStamp());

    if (!m_composite && m_manager)
        m_composite = m_manager->CreateVideoProcessor("VideoComposite");
    auto* composite =
        m_composite ? static_cast<Moorland::IAVComposite*>(m_composite->QueryInterface("IAVComposite")) : nullptr;
    if (!composite) {
        if (!m_logged)
            GetQuentaLogger()->Log(LOG_WARN, "CImageWatermarkProc", "no compositor; the image overlay is skipped",
                                   nullptr, 0);
        m_logged = true;
        return;
    }
    if (m_loadedPath == m_path && m_layer) {
        Moorland::CompositeLayerInfo held{};
        composite->GetLayerInfo(m_layer, &held);
        held.identifier = -1;
        held.x = info.x;
        held.y = info.y;
        held.kind = 3;
        held.width = info.width;
        held.height = info.height;
        held.reserved24 = 0;
        composite->SetLayerInfo(m_layer, &held);
    } else {
        if (m_layer)
            composite->RemoveLayer(m_layer);
        m_layer = composite->AddLayer(m_path.c_str(), &info);
        m_composite->SetTimePosition(static_cast<int32_t>(t));
        if (!m_layer) {
            // An image that cannot be loaded is tried again only with a new path.
            m_loadedPath = m_path;
            return;
        }
    }
    Moorland::ProcessParams params{};
    params.x = static_cast<int16_t>(m_originX);
    params.y = static_cast<int16_t>(m_originY);
    if (t < m_lastTimeStamp || t - m_lastTimeStamp > 5000)
        m_composite->SetTimePosition(static_cast<int32_t>(t));
    if (newFrame) {
        if (Moorland::IRawVideoFrame* made = m_composite->ProcessFrame(&params, Moorland::ProcessFlagComposite, frame))
            frame = made;
    } else {
        m_composite->ProcessFrameInPlace(&params, Moorland::ProcessFlagComposite, frame);
    }
    m_lastTimeStamp = t;
    m_loadedPath = m_path;
}
