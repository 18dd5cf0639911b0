#pragma once

#include "FFOwners.h"
#include "IImageDeinterlace.h"

namespace Moorland {

// A deinterlacer on libavfilter's yadif. Every picture is filtered on its
// own (the callers hand single pictures, often out of order), so yadif sees
// the picture as its own neighbour and falls back to an edge-directed
// interpolation of the dropped field inside the picture. The filter graph is
// kept while the pictures keep their size and layout.
class CImageDeinterlace final : public IImageDeinterlace
{
public:
    void Release() override;
    IRawVideoFrame* Deinterlace(IRawVideoFrame* frame) override;
    bool DeinterlaceInPlace(IRawVideoFrame* frame) override;

private:
    FF::FramePtr Filter(IRawVideoFrame* frame);
    void BuildGraph(int width, int height, AVPixelFormat format);

    FF::FilterGraphPtr m_graph;
    AVFilterContext* m_src = nullptr;  // owned by the graph
    AVFilterContext* m_sink = nullptr; // owned by the graph
    int m_width = 0;
    int m_height = 0;
    AVPixelFormat m_format = AV_PIX_FMT_NONE;
    int64_t m_pts = 0;
};

} // namespace Moorland
