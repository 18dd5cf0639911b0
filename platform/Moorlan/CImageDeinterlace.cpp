#include "CImageDeinterlace.h"

#include "CBaseException.h"
#include "CMoorlanVideoFrame.h"
#include "Moorlan.h"
#include "MoorlanPixelMap.h"

#include <algorithm>
#include <memory>

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

namespace Moorland {

namespace {

void NoFree(void*, uint8_t*) {}

void CheckAV(int ret, const char* what)
{
    if (ret < 0) {
        char text[AV_ERROR_MAX_STRING_SIZE] = {0};
        av_strerror(ret, text, sizeof(text));
        QB_THROW(QB_ERR_MEDIA, std::string(what) + ": " + text);
    }
}

struct GraphDeleter
{
    void operator()(AVFilterGraph* g) const { avfilter_graph_free(&g); }
};
struct FrameDeleter
{
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};

// yadif rebuilds the second and the last-but-one line from its temporal
// neighbours alone; with the picture as its own neighbour that would keep the
// combing there, so those lines are rebuilt from the lines around them.
void RebuildEdgeLines(AVFrame* frame, bool keepEven)
{
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame->format));
    int lineBytes[4] = {0};
    if (!desc || av_image_fill_linesizes(lineBytes, static_cast<AVPixelFormat>(frame->format), frame->width) < 0)
        return;
    for (int i = 0; i < 4 && frame->data[i]; ++i) {
        if (desc->flags & AV_PIX_FMT_FLAG_PAL && i == 1)
            break;
        const bool chroma = i == 1 || i == 2;
        const int rows = chroma ? AV_CEIL_RSHIFT(frame->height, desc->log2_chroma_h) : frame->height;
        const int bytes = std::min(lineBytes[i], frame->linesize[i]);
        for (int y : {1, rows - 2}) {
            if (y < 1 || y + 1 >= rows || (y % 2 == 0) == keepEven)
                continue;
            uint8_t* line = frame->data[i] + ptrdiff_t(y) * frame->linesize[i];
            const uint8_t* above = line - frame->linesize[i];
            const uint8_t* below = line + frame->linesize[i];
            for (int x = 0; x < bytes; ++x)
                line[x] = static_cast<uint8_t>((above[x] + below[x] + 1) >> 1);
        }
    }
}

} // namespace

void CImageDeinterlace::Release()
{
    delete this;
}

AVFrame* CImageDeinterlace::Filter(IRawVideoFrame* frame)
{
    std::unique_ptr<AVFrame, FrameDeleter> in(av_frame_alloc());
    std::unique_ptr<AVFrame, FrameDeleter> out(av_frame_alloc());
    std::unique_ptr<AVFilterGraph, GraphDeleter> graph(avfilter_graph_alloc());
    if (!in || !out || !graph)
        QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
    DescribeFrame(frame, in.get());
    const AVPixelFormat fmt = static_cast<AVPixelFormat>(in->format);
    // The field order comes from the picture; an unmarked picture is taken as
    // top field first, the common order of interlaced sources.
    in->interlaced_frame = 1;
    in->top_field_first = frame->IsInterlaced() ? (frame->IsTopFieldFirst() ? 1 : 0) : 1;
    in->pts = 0;
    in->buf[0] = av_buffer_create(in->data[0], 1, NoFree, nullptr, AV_BUFFER_FLAG_READONLY);
    if (!in->buf[0])
        QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");

    char args[160];
    snprintf(args, sizeof(args), "video_size=%dx%d:pix_fmt=%d:time_base=1/1000:pixel_aspect=1/1",
             in->width, in->height, static_cast<int>(fmt));
    AVFilterContext* src = nullptr;
    AVFilterContext* yadif = nullptr;
    AVFilterContext* sink = nullptr;
    CheckAV(avfilter_graph_create_filter(&src, avfilter_get_by_name("buffer"), "in", args, nullptr,
                                         graph.get()),
            "buffer");
    CheckAV(avfilter_graph_create_filter(&yadif, avfilter_get_by_name("yadif"), "deint",
                                         "mode=send_frame:parity=auto:deint=all", nullptr, graph.get()),
            "yadif");
    sink = avfilter_graph_alloc_filter(graph.get(), avfilter_get_by_name("buffersink"), "out");
    if (!sink)
        QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
    // The result keeps the picture's own layout; layouts yadif cannot read
    // are carried through a lossless planar form by the graph.
    const int fmts[] = {fmt};
    CheckAV(av_opt_set_bin(sink, "pix_fmts", reinterpret_cast<const uint8_t*>(fmts), sizeof(fmts),
                           AV_OPT_SEARCH_CHILDREN),
            "buffersink");
    CheckAV(avfilter_init_str(sink, nullptr), "buffersink");
    CheckAV(avfilter_link(src, 0, yadif, 0), "avfilter_link");
    CheckAV(avfilter_link(yadif, 0, sink, 0), "avfilter_link");
    CheckAV(avfilter_graph_config(graph.get(), nullptr), "avfilter_graph_config");

    // yadif answers a picture once it has seen the next one; the same
    // picture again stands in for its neighbours.
    CheckAV(av_buffersrc_add_frame_flags(src, in.get(), AV_BUFFERSRC_FLAG_KEEP_REF), "deinterlace");
    in->pts = 1;
    CheckAV(av_buffersrc_add_frame_flags(src, in.get(), AV_BUFFERSRC_FLAG_KEEP_REF), "deinterlace");
    CheckAV(av_buffersrc_add_frame(src, nullptr), "deinterlace");
    CheckAV(av_buffersink_get_frame(sink, out.get()), "deinterlace");
    CheckAV(av_frame_make_writable(out.get()), "deinterlace");
    RebuildEdgeLines(out.get(), in->top_field_first != 0);
    return out.release();
}

IRawVideoFrame* CImageDeinterlace::Deinterlace(IRawVideoFrame* frame)
{
    return QB_GUARDED(static_cast<IRawVideoFrame*>(nullptr), {
        std::unique_ptr<AVFrame, FrameDeleter> pixels(Filter(frame));
        std::unique_ptr<CMoorlanVideoFrame> result(new CMoorlanVideoFrame(true));
        result->SetLayout(frame->GetPixelFormat(), static_cast<unsigned>(pixels->width),
                          static_cast<unsigned>(pixels->height), frame->IsTopDown());
        result->AdoptPixels(pixels.release());
        result->TakeAttributes(frame);
        result->SetInterlaced(false);
        return static_cast<IRawVideoFrame*>(result.release());
    });
}

bool CImageDeinterlace::DeinterlaceInPlace(IRawVideoFrame* frame)
{
    return QB_GUARDED(false, {
        std::unique_ptr<AVFrame, FrameDeleter> pixels(Filter(frame));
        for (unsigned i = 0; i < frame->GetBufferCount() && i < AV_NUM_DATA_POINTERS; ++i) {
            unsigned lineBytes = 0, pitch = 0, rows = 0;
            unsigned char* dst = frame->GetBuffer(i, &lineBytes, &pitch, &rows);
            if (!dst || !pixels->data[i] || lineBytes == 0)
                continue;
            const size_t bytes = std::min<size_t>(lineBytes, static_cast<size_t>(pixels->linesize[i]));
            const int chromaRows = i == 0 || i == 3 ? pixels->height
                : AV_CEIL_RSHIFT(pixels->height, av_pix_fmt_desc_get(static_cast<AVPixelFormat>(pixels->format))->log2_chroma_h);
            const unsigned copyRows = std::min<unsigned>(rows, static_cast<unsigned>(chromaRows));
            for (unsigned r = 0; r < copyRows; ++r)
                MoorlandMemCopy(dst + size_t(r) * pitch, pixels->data[i] + size_t(r) * pixels->linesize[i], bytes);
        }
        frame->SetInterlaced(false);
        return true;
    });
}

} // namespace Moorland

extern "C" Moorland::IImageDeinterlace* CreateImageDeinterlace()
{
    return QB_GUARDED(static_cast<Moorland::IImageDeinterlace*>(nullptr), {
        if (!avfilter_get_by_name("yadif"))
            QB_THROW(QB_ERR_NOT_FOUND, "deinterlace filter not available");
        return static_cast<Moorland::IImageDeinterlace*>(new Moorland::CImageDeinterlace());
    });
}
