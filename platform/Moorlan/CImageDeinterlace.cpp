#include "CImageDeinterlace.h"

#include "CBaseException.h"
#include "FFErrors.h"
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

// Every picture goes in three times; yadif works only on the third (the
// other two pass through as references): by then its previous, current and
// next pictures are all this one, whatever came before it.
const int kSends = 3;

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

void CImageDeinterlace::BuildGraph(int width, int height, AVPixelFormat format)
{
    m_src = m_sink = nullptr;
    m_graph.reset(avfilter_graph_alloc());
    if (!m_graph)
        throw std::bad_alloc();
    char args[160];
    snprintf(args, sizeof(args), "video_size=%dx%d:pix_fmt=%d:time_base=1/1000:pixel_aspect=1/1", width, height,
             static_cast<int>(format));
    AVFilterContext* src = nullptr;
    AVFilterContext* yadif = nullptr;
    QB_CHECK_AV(avfilter_graph_create_filter(&src, avfilter_get_by_name("buffer"), "in", args, nullptr, m_graph.get()),
                "buffer");
    char yadifArgs[96];
    snprintf(yadifArgs, sizeof(yadifArgs), "mode=send_frame:parity=auto:deint=all:enable=eq(mod(n\\,%d)\\,%d)", kSends,
             kSends - 1);
    QB_CHECK_AV(
        avfilter_graph_create_filter(&yadif, avfilter_get_by_name("yadif"), "deint", yadifArgs, nullptr, m_graph.get()),
        "yadif");
    AVFilterContext* sink = avfilter_graph_alloc_filter(m_graph.get(), avfilter_get_by_name("buffersink"), "out");
    if (!sink)
        throw std::bad_alloc();
    // The result keeps the picture's own layout; layouts yadif cannot read
    // are carried through a lossless planar form by the graph.
    const int fmts[] = {format};
    QB_CHECK_AV(
        av_opt_set_bin(sink, "pix_fmts", reinterpret_cast<const uint8_t*>(fmts), sizeof(fmts), AV_OPT_SEARCH_CHILDREN),
        "buffersink");
    QB_CHECK_AV(avfilter_init_str(sink, nullptr), "buffersink");
    QB_CHECK_AV(avfilter_link(src, 0, yadif, 0), "avfilter_link");
    QB_CHECK_AV(avfilter_link(yadif, 0, sink, 0), "avfilter_link");
    QB_CHECK_AV(avfilter_graph_config(m_graph.get(), nullptr), "avfilter_graph_config");
    m_src = src;
    m_sink = sink;
    m_width = width;
    m_height = height;
    m_format = format;
    m_pts = 0;
}

FF::FramePtr CImageDeinterlace::Filter(IRawVideoFrame* frame)
{
    FF::FramePtr in = FF::MakeFrame();
    FF::FramePtr out = FF::MakeFrame();
    DescribeFrame(frame, in.get());
    const AVPixelFormat fmt = static_cast<AVPixelFormat>(in->format);
    // The field order comes from the picture; an unmarked picture is taken as
    // top field first, the common order of interlaced sources.
    in->interlaced_frame = 1;
    in->top_field_first = frame->IsInterlaced() ? (frame->IsTopFieldFirst() ? 1 : 0) : 1;
    // The graph keeps its last pictures until the next call: it gets a copy
    // of its own, never the caller's memory (which may be gone by then).
    FF::FramePtr copy = FF::MakeFrame();
    copy->format = in->format;
    copy->width = in->width;
    copy->height = in->height;
    QB_CHECK_AV(av_frame_get_buffer(copy.get(), 0), "deinterlace");
    QB_CHECK_AV(av_frame_copy(copy.get(), in.get()), "deinterlace");
    copy->interlaced_frame = in->interlaced_frame;
    copy->top_field_first = in->top_field_first;
    in = std::move(copy);

    if (!m_graph || in->width != m_width || in->height != m_height || fmt != m_format)
        BuildGraph(in->width, in->height, fmt);
    try {
        for (int send = 0; send < kSends; ++send) {
            in->pts = m_pts++;
            QB_CHECK_AV(av_buffersrc_add_frame_flags(m_src, in.get(), AV_BUFFERSRC_FLAG_KEEP_REF), "deinterlace");
            for (;;) {
                const int ret = av_buffersink_get_frame(m_sink, out.get());
                if (ret == AVERROR(EAGAIN))
                    break;
                QB_CHECK_AV(ret, "deinterlace");
                if (send + 1 < kSends)
                    av_frame_unref(out.get());
                else
                    break;
            }
        }
        if (!out->buf[0])
            QB_THROW(QB_ERR_MEDIA, "deinterlace: the filter gave no picture");
        // Nothing of this picture may stay in the graph: its pixels are the caller's.
        QB_CHECK_AV(av_frame_make_writable(out.get()), "deinterlace");
    } catch (...) {
        m_graph.reset(); // a graph that failed half-way starts afresh next time
        throw;
    }
    RebuildEdgeLines(out.get(), in->top_field_first != 0);
    return out;
}

IRawVideoFrame* CImageDeinterlace::Deinterlace(IRawVideoFrame* frame)
{
    return QB_GUARDED(static_cast<IRawVideoFrame*>(nullptr), {
        FF::FramePtr pixels = Filter(frame);
        std::unique_ptr<CMoorlanVideoFrame> result(new CMoorlanVideoFrame(true));
        result->SetLayout(frame->GetPixelFormat(), static_cast<unsigned>(pixels->width),
                          static_cast<unsigned>(pixels->height), frame->IsTopDown());
        result->AdoptPixels(std::move(pixels));
        result->TakeAttributes(frame);
        result->SetInterlaced(false);
        return static_cast<IRawVideoFrame*>(result.release());
    });
}

bool CImageDeinterlace::DeinterlaceInPlace(IRawVideoFrame* frame)
{
    return QB_GUARDED(false, {
        FF::FramePtr pixels = Filter(frame);
        for (unsigned i = 0; i < frame->GetBufferCount() && i < AV_NUM_DATA_POINTERS; ++i) {
            unsigned lineBytes = 0, pitch = 0, rows = 0;
            unsigned char* dst = frame->GetBuffer(i, &lineBytes, &pitch, &rows);
            if (!dst || !pixels->data[i] || lineBytes == 0)
                continue;
            const size_t bytes = std::min<size_t>(lineBytes, static_cast<size_t>(pixels->linesize[i]));
            const int chromaRows =
                i == 0 || i == 3
                    ? pixels->height
                    : AV_CEIL_RSHIFT(pixels->height,
                                     av_pix_fmt_desc_get(static_cast<AVPixelFormat>(pixels->format))->log2_chroma_h);
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
