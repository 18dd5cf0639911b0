#include "CTextWatermarkProc.h"

#include "Basilvo/QuentaLogger.h"
#include "CBaseException.h"

#include <cstdio>

namespace {

std::string Escape(const std::string& s)
{
    std::string out;
    for (char c : s) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

void Warn(const char* what)
{
    GetQuentaLogger()->Log(LOG_WARN, "CTextWatermarkProc", what, nullptr, 0);
}

} // namespace

CTextWatermarkProc::CTextWatermarkProc(Moorland::IAVManager* manager) : m_manager(manager)
{
    if (!m_manager) {
        Warn("no media manager; the text overlay is skipped");
        return;
    }
    m_processor = m_manager->CreateVideoProcessor("VideoComposite");
    if (m_processor)
        m_composite = static_cast<Moorland::IAVComposite*>(m_processor->QueryInterface("IAVComposite"));
    if (m_composite) {
        Moorland::CompositeLayerInfo info{};
        info.identifier = -1;
        info.sourceKind = 1;
        info.kind = 3;
        info.width = -1;
        info.height = -1;
        m_layer = m_composite->AddLayer("SimpleHTMLTextImporter://", &info);
        if (m_layer)
            if (Moorland::IAVLayerObject* object = m_composite->GetLayerObject(m_layer))
                m_layerRender = static_cast<Moorland::ISimpleHTMLRender*>(object->QueryInterface("ISimpleHTMLRender"));
    }
    if (!m_layerRender)
        Warn("no text layer; the text overlay is skipped");
    m_measureImporter = m_manager->CreateImporterByName("SimpleHTMLTextImporter");
    if (m_measureImporter)
        m_measureSource = m_measureImporter->CreateSource(0, -1, -1);
    if (m_measureSource)
        m_measureRender = static_cast<Moorland::ISimpleHTMLRender*>(m_measureSource->GetInterface("ISimpleHTMLRender"));
    if (!m_measureRender)
        Warn("no measuring source; the text is not measured");
}

CTextWatermarkProc::~CTextWatermarkProc()
{
    if (m_processor)
        m_processor->Release();
    if (m_measureSource)
        m_measureSource->Release();
    if (m_measureImporter)
        m_measureImporter->Release();
}

std::string CTextWatermarkProc::BuildMarkup() const
{
    std::string style;
    if (m_underline)
        style += "underline ";
    if (m_strikeline)
        style += "strikeline ";
    if (m_italic)
        style += "italic ";
    if (m_bold)
        style += "bold ";
    char colour[16];
    snprintf(colour, sizeof colour, "#%02X%02X%02X%02X", m_colour.a, m_colour.r, m_colour.g, m_colour.b);
    return "<font size=\"" + std::to_string(m_fontSize) + "\" color=\"" + colour + "\" face=\"" + Escape(m_face) +
           "\" fontstyle=\"" + style + "\">" + Escape(m_text) + "</font>";
}

void CTextWatermarkProc::ProcFrame(Moorland::IRawVideoFrame*& frame)
{
    if (!m_enabled || m_text.empty() || !frame)
        return;
    if (!m_layerRender) {
        if (!m_logged)
            Warn("the text overlay is skipped");
        m_logged = true;
        return;
    }
    Moorland::CompositeLayerInfo info{};
    m_composite->GetLayerInfo(m_layer, &info);
    info.x = static_cast<int16_t>(m_x);
    info.y = static_cast<int16_t>(m_y);
    m_composite->SetLayerInfo(m_layer, &info);
    try {
        const std::string markup = BuildMarkup();
        if (!m_layerRender->SetHTML(markup.c_str()))
            QuentaBased::ThrowLastError();
        if (m_measureRender && !m_measureRender->SetHTML(markup.c_str()))
            QuentaBased::ThrowLastError();
    } catch (...) {
        QuentaBased::RecordCurrentException(__LINE__, __FILE__);
    }
    m_composite->UpdateLayer(m_layer);
    Moorland::ProcessParams params{};
    params.x = static_cast<int16_t>(m_originX);
    params.y = static_cast<int16_t>(m_originY);
    if (Moorland::IRawVideoFrame* made = m_processor->ProcessFrame(&params, Moorland::ProcessFlagComposite, frame))
        frame = made;
    if (m_measureSource) {
        Moorland::IRawAudioFrame* audio = nullptr;
        Moorland::IRawVideoFrame* picture = nullptr;
        if (m_measureSource->ReadFrames(&audio, &picture, nullptr, 1) && picture) {
            unsigned w = 0, h = 0;
            picture->GetDimension(&w, &h);
            m_textWidth = static_cast<int>(w);
            m_textHeight = static_cast<int>(h);
        }
        m_measureSource->Seek(0);
    }
}
