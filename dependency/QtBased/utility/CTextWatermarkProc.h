#pragma once

// Draws a line of styled text over raw video frames through the media
// manager's "VideoComposite" and its text layer, and measures the text with
// a source of "SimpleHTMLTextImporter". The markup is built whole (no length
// cut) with the text and the face name escaped, so any text shows as typed.
// With no manager, compositor or measuring source the overlay (or the
// measuring) is skipped and logged.

#include "IAVManager.h"
#include "IRawVideoFrame.h"
#include "IVideoProcessor.h"

#include <cstdint>
#include <string>

// Four colour bytes: red, green, blue and alpha. The markup writes them as
// "#AARRGGBB".
struct color_t
{
    uint8_t r;
    uint8_t g;
    uint8_t b;
    uint8_t a;
};

class CTextWatermarkProc
{
public:
    explicit CTextWatermarkProc(Moorland::IAVManager* manager);
    ~CTextWatermarkProc();
    CTextWatermarkProc(const CTextWatermarkProc&) = delete;
    CTextWatermarkProc& operator=(const CTextWatermarkProc&) = delete;

    void SetEnableTextWatermark(const bool& on) { m_enabled = on; }
    void SetTextWatermarkX(const int& x) { m_x = x; }
    void SetTextWatermarkY(const int& y) { m_y = y; }
    void SetOrigin(const int& x, const int& y)
    {
        m_originX = x;
        m_originY = y;
    }
    void SetFontSize(const int& size) { m_fontSize = size; }
    void SetItalic(const bool& on) { m_italic = on; }
    void SetBold(const bool& on) { m_bold = on; }
    void SetUnderline(const bool& on) { m_underline = on; }
    void SetStrikeline(const bool& on) { m_strikeline = on; }
    void SetColor(const color_t& colour) { m_colour = colour; }
    void SetTextWatermarkFaceName(std::string face) { m_face = std::move(face); }
    void SetTextWatermarkText(std::string text) { m_text = std::move(text); }
    int GetTextWidth() const { return m_textWidth; }
    int GetTextHeight() const { return m_textHeight; }

    // The markup for the current settings.
    std::string BuildMarkup() const;
    // The overlaid picture is a new frame written into `frame`; the caller
    // keeps the old pointer and frees both.
    void ProcFrame(Moorland::IRawVideoFrame*& frame);

private:
    Moorland::IAVManager* m_manager;
    Moorland::ISimpleHTMLRender* m_layerRender = nullptr;
    Moorland::IAVComposite* m_composite = nullptr;
    Moorland::IVideoProcessor* m_processor = nullptr;
    Moorland::IAVImporter* m_measureImporter = nullptr;
    Moorland::IAVSource* m_measureSource = nullptr;
    Moorland::ISimpleHTMLRender* m_measureRender = nullptr;
    void* m_layer = nullptr;
    int m_originX = 0, m_originY = 0;
    int m_x = 0, m_y = 0;
    int m_fontSize = 32;
    std::string m_text = "Text";
    std::string m_face = "Times New Roman";
    color_t m_colour{0, 255, 0, 255};
    bool m_italic = false, m_bold = false, m_underline = false, m_strikeline = false;
    bool m_enabled = false;
    int m_textWidth = 0, m_textHeight = 0;
    bool m_logged = false;
};
