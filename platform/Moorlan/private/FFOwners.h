#pragma once

// Owners of FFmpeg objects for the media layers (Moorlan, Solvane and the
// layers built beside them). Every FFmpeg object these layers create lives
// in one of these: functions that open things return owners, members are
// owners, and nothing is freed by hand, so a throw anywhere frees all.
// This header is private to platform/: nothing above it sees FFmpeg.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/avfilter.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <memory>

namespace FF {

// Demuxer contexts (opened with avformat_open_input) and muxer contexts
// (made with avformat_alloc_output_context2) are released differently.
struct InputFormatDeleter
{
    void operator()(AVFormatContext* ctx) const { avformat_close_input(&ctx); }
};
struct OutputFormatDeleter
{
    void operator()(AVFormatContext* ctx) const
    {
        if (!ctx)
            return;
        if (ctx->oformat && !(ctx->oformat->flags & AVFMT_NOFILE) && ctx->pb)
            avio_closep(&ctx->pb);
        avformat_free_context(ctx);
    }
};
struct CodecContextDeleter
{
    void operator()(AVCodecContext* ctx) const { avcodec_free_context(&ctx); }
};
struct FrameDeleter
{
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketDeleter
{
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct FilterGraphDeleter
{
    void operator()(AVFilterGraph* graph) const { avfilter_graph_free(&graph); }
};
struct SwsDeleter
{
    void operator()(SwsContext* ctx) const { sws_freeContext(ctx); }
};
struct SwrDeleter
{
    void operator()(SwrContext* ctx) const { swr_free(&ctx); }
};
struct AVIOContextDeleter
{
    // For contexts made with avio_alloc_context: the buffer belongs to the
    // context (FFmpeg may have replaced it), so it goes with it.
    void operator()(AVIOContext* ctx) const
    {
        if (!ctx)
            return;
        av_freep(&ctx->buffer);
        avio_context_free(&ctx);
    }
};
struct AVFreeDeleter
{
    void operator()(void* p) const { av_free(p); }
};
// A pool goes once its last buffer is given back.
struct BufferPoolDeleter
{
    void operator()(AVBufferPool* p) const { av_buffer_pool_uninit(&p); }
};

using InputFormatPtr = std::unique_ptr<AVFormatContext, InputFormatDeleter>;
using OutputFormatPtr = std::unique_ptr<AVFormatContext, OutputFormatDeleter>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using FilterGraphPtr = std::unique_ptr<AVFilterGraph, FilterGraphDeleter>;
using SwsPtr = std::unique_ptr<SwsContext, SwsDeleter>;
using SwrPtr = std::unique_ptr<SwrContext, SwrDeleter>;
using AVIOContextPtr = std::unique_ptr<AVIOContext, AVIOContextDeleter>;
using BufferPoolPtr = std::unique_ptr<AVBufferPool, BufferPoolDeleter>;
template <typename T> using AVMemPtr = std::unique_ptr<T, AVFreeDeleter>;

// Allocating constructors: each throws std::bad_alloc rather than hand out
// a null owner, so callers never test for it.
inline FramePtr MakeFrame()
{
    FramePtr frame(av_frame_alloc());
    if (!frame)
        throw std::bad_alloc();
    return frame;
}
inline PacketPtr MakePacket()
{
    PacketPtr packet(av_packet_alloc());
    if (!packet)
        throw std::bad_alloc();
    return packet;
}
inline CodecContextPtr MakeCodecContext(const AVCodec* codec)
{
    CodecContextPtr ctx(avcodec_alloc_context3(codec));
    if (!ctx)
        throw std::bad_alloc();
    return ctx;
}

} // namespace FF
