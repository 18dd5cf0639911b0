#pragma once

// "SimpleHTMLTextImporter": text markup rendered into pictures with
// Pango/Cairo (no window system needed, so the worker renders it too).
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
//
// Sources of the importer (CreateSource with any arguments) answer
// "ISimpleHTMLRender"; each ReadFrames hands out the rendered markup as its
// video frame (the same picture again until the markup changes), Seek
// always succeeds.

#include "CEditFrames.h"
#include "IAVImporter.h"
#include "IAVSource.h"
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
    std::string m_pango;    // the markup in Pango's form
    bool m_dirty = true;
    std::unique_ptr<CEditVideoFrame> m_picture;
};

class CSimpleHTMLTextImporter final : public Moorland::IAVImporter
{
public:
    static const char* const kName;
    const Moorland::ImporterInfo* GetInfo() override;
    void* GetInterface(const char*) override { return nullptr; }
    bool Open(const char*) override { return true; }
    const char* GetFilePath() override { return ""; }
    uint32_t GetMovieCount() override { return 1; }
    Moorland::MovieInfo* GetMovieInfoAt(uint32_t) override { return nullptr; }
    Moorland::IAVCompressedSource* CreatePacketSource(int, int, const int*) override { return nullptr; }
    Moorland::IAVSource* CreateSource(int movieId, int videoStreamId, int audioStreamId) override;
    uint32_t GetMovieDuration(int) override { return 0; }
    bool SetOption(const char*, const char*) override { return false; }
    void Release() override { delete this; }
    Moorland::IAVSource2* CreateMultiSource(int, Moorland::SMItemInfo*, int) override { return nullptr; }
};

} // namespace Solvane
