#include "CSimpleHTMLRender.h"

#include "CBaseException.h"
#include "MoorlanTypes.h"

#include <pango/pangocairo.h>

#include <cstdlib>
#include <cstring>

namespace Solvane {

namespace {

std::string Unescape(const std::string& s)
{
    static const struct
    {
        const char* entity;
        char c;
    } table[] = {{"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string out;
    for (size_t i = 0; i < s.size();) {
        bool done = false;
        if (s[i] == '&') {
            for (const auto& e : table) {
                const size_t n = strlen(e.entity);
                if (s.compare(i, n, e.entity) == 0) {
                    out += e.c;
                    i += n;
                    done = true;
                    break;
                }
            }
        }
        if (!done)
            out += s[i++];
    }
    return out;
}

std::string PangoEscape(const std::string& s)
{
    gchar* e = g_markup_escape_text(s.c_str(), static_cast<gssize>(s.size()));
    std::string out(e);
    g_free(e);
    return out;
}

// The value of attribute `name` inside the opening tag, unescaped; `found` tells.
std::string Attribute(const std::string& tag, const char* name, bool& found)
{
    found = false;
    const std::string key = std::string(name) + "=\"";
    size_t at = 0;
    while ((at = tag.find(key, at)) != std::string::npos) {
        if (at == 0 || tag[at - 1] == ' ') {
            const size_t start = at + key.size();
            const size_t end = tag.find('"', start);
            if (end == std::string::npos)
                QB_THROW(QB_ERR_BAD_PARAM, "Text markup: the value of " + std::string(name) + " is not closed");
            found = true;
            return Unescape(tag.substr(start, end - start));
        }
        at += key.size();
    }
    return std::string();
}

std::string ToPango(const std::string& markup)
{
    int size = 32;
    std::string colour = "#FFFFFF", face = "Sans", style, text = markup;
    unsigned alpha = 255;
    if (markup.compare(0, 5, "<font") == 0) {
        const size_t close = markup.find('>');
        const size_t end = markup.rfind("</font>");
        if (close == std::string::npos || end == std::string::npos || end < close)
            QB_THROW(QB_ERR_BAD_PARAM, "Text markup: <font> is not closed");
        const std::string tag = markup.substr(0, close);
        text = Unescape(markup.substr(close + 1, end - close - 1));
        bool found = false;
        const std::string sizeText = Attribute(tag, "size", found);
        if (found) {
            char* stop = nullptr;
            const long n = strtol(sizeText.c_str(), &stop, 10);
            if (stop == sizeText.c_str() || *stop || n < 1 || n > 1000)
                QB_THROW(QB_ERR_BAD_PARAM, "Text markup: bad size \"" + sizeText.substr(0, 16) + "\"");
            size = static_cast<int>(n);
        }
        const std::string c = Attribute(tag, "color", found);
        if (found) {
            const bool hex =
                c.size() > 1 && c[0] == '#' && c.find_first_not_of("0123456789abcdefABCDEF", 1) == std::string::npos;
            if (!hex || (c.size() != 9 && c.size() != 7))
                QB_THROW(QB_ERR_BAD_PARAM, "Text markup: bad color \"" + c.substr(0, 16) + "\"");
            if (c.size() == 9) {
                alpha = static_cast<unsigned>(strtoul(c.substr(1, 2).c_str(), nullptr, 16));
                colour = "#" + c.substr(3);
            } else {
                colour = c;
            }
        }
        const std::string f = Attribute(tag, "face", found);
        if (found && !f.empty())
            face = f;
        style = Attribute(tag, "fontstyle", found);
    } else {
        text = Unescape(markup);
    }
    std::string span = "<span font_family=\"" + PangoEscape(face) + "\" size=\"" + std::to_string(size * 768) + "\"" +
                       " foreground=\"" + colour + "\" alpha=\"" + std::to_string(std::max(1u, alpha * 65535u / 255u)) +
                       "\"";
    auto has = [&style](const char* word) {
        const std::string padded = " " + style + " ";
        return padded.find(std::string(" ") + word + " ") != std::string::npos;
    };
    if (has("underline"))
        span += " underline=\"single\"";
    if (has("strikeline"))
        span += " strikethrough=\"true\"";
    if (has("italic"))
        span += " style=\"italic\"";
    if (has("bold"))
        span += " weight=\"bold\"";
    return span + ">" + PangoEscape(text) + "</span>";
}

struct CairoSurfaceDeleter
{
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct CairoDeleter
{
    void operator()(cairo_t* c) const { cairo_destroy(c); }
};
struct GObjectDeleter
{
    void operator()(void* o) const { g_object_unref(o); }
};

} // namespace

bool CSimpleHTMLRender::SetHTML(const char* markup)
{
    return QB_GUARDED(false, {
        if (!markup)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        std::string pango = ToPango(markup);
        if (!pango_parse_markup(pango.c_str(), -1, 0, nullptr, nullptr, nullptr, nullptr))
            QB_THROW(QB_ERR_BAD_PARAM, "Text markup cannot be rendered");
        if (pango != m_pango) {
            m_pango = std::move(pango);
            m_dirty = true;
        }
        return true;
    });
}

CEditVideoFrame* CSimpleHTMLRender::Picture()
{
    return QB_GUARDED(static_cast<CEditVideoFrame*>(nullptr), {
        if (!m_dirty && m_picture)
            return m_picture.get();
        // Measured on a scratch surface, then drawn on one of the text's size.
        std::unique_ptr<cairo_surface_t, CairoSurfaceDeleter> scratch(
            cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1));
        std::unique_ptr<cairo_t, CairoDeleter> measure(cairo_create(scratch.get()));
        std::unique_ptr<PangoLayout, GObjectDeleter> layout(pango_cairo_create_layout(measure.get()));
        pango_layout_set_markup(layout.get(), m_pango.empty() ? "" : m_pango.c_str(), -1);
        int width = 0, height = 0;
        pango_layout_get_pixel_size(layout.get(), &width, &height);
        width = std::max(width, 1);
        height = std::max(height, 1);
        if (width > 8192 || height > 8192)
            QB_THROW(QB_ERR_BAD_PARAM, "The text is too large to render");
        std::unique_ptr<cairo_surface_t, CairoSurfaceDeleter> surface(
            cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
        if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
            QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
        {
            std::unique_ptr<cairo_t, CairoDeleter> cr(cairo_create(surface.get()));
            pango_cairo_update_layout(cr.get(), layout.get());
            pango_cairo_show_layout(cr.get(), layout.get());
        }
        cairo_surface_flush(surface.get());
        std::unique_ptr<CEditVideoFrame> picture(new CEditVideoFrame(
            false, Moorland::PIXEL_FORMAT_RGBA32, static_cast<unsigned>(width), static_cast<unsigned>(height)));
        // Cairo's ARGB32 is one native word a pixel: bytes B, G, R, A here.
        const unsigned char* src = cairo_image_surface_get_data(surface.get());
        const int stride = cairo_image_surface_get_stride(surface.get());
        unsigned bytes = 0, pitch = 0, rows = 0;
        unsigned char* dst = picture->GetBuffer(0, &bytes, &pitch, &rows);
        for (unsigned y = 0; y < rows; ++y)
            memcpy(dst + static_cast<size_t>(y) * pitch, src + static_cast<size_t>(y) * stride, bytes);
        m_picture = std::move(picture);
        m_dirty = false;
        return m_picture.get();
    });
}

} // namespace Solvane
