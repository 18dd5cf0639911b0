#pragma once

// Text markup rendered into pictures with Pango/Cairo (no window system
// needed, so the worker renders it too), for "SimpleHTMLTextImporter"
// (CSimpleHTMLTextImporter.h).
//
// The markup is one element, as the text overlay writes it:
//   <font size="32" color="#AARRGGBB" face="Times New Roman"
//         fontstyle="underline strikeline italic bold ">text</font>
// size is in pixels (1..1000), color is alpha, red, green, blue in hex (six
// digits: opaque), face is a font family (the system's nearest is used),
// fontstyle holds any of the four words. Attribute values and the text may
// use the five XML entities. Markup without the element is plain text in
// the defaults (32 pixels, opaque white, "Sans"). Rendered pictures are
// premultiplied BGRA (pixel layout 30) exactly as large as the text's
// logical extent.

#include "CEditVideoFrame.h"
#include "IVideoProcessor.h"

#include <memory>
#include <string>

namespace Solvane {

// One markup and its rendered picture.
class CSimpleHTMLRender final : public Moorland::ISimpleHTMLRender
{
public:
    // False, with the reason recorded, for markup that cannot be read.
    bool SetHTML(const char* markup) override;
    // The picture of the markup last set (rendered on first use after a
    // change); null with the reason recorded when it cannot be rendered.
    CEditVideoFrame* Picture();

private:
    std::string m_pango; // the markup in Pango's form
    bool m_dirty = true;
    std::unique_ptr<CEditVideoFrame> m_picture;
};

} // namespace Solvane
