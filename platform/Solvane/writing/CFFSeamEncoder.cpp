#include "CFFSeamEncoder.h"

#include "FFNalUnits.h"

#include "CBaseException.h"
#include "FFErrors.h"
#include "SolvaneFF.h"

extern "C" {
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

#include <cstdio>
#include <cstring>
#include <deque>

namespace Solvane {

namespace {

// A quality at which the encoded pictures differ from the copied ones by
// less than an eye sees at a seam (well above 45 dB PSNR).
const char* const kSeamCrf = "10";
const int kMpeg2Quantiser = 2;

const char* H264ProfileName(int profile)
{
    switch (profile & ~FF_PROFILE_H264_CONSTRAINED) {
    case FF_PROFILE_H264_BASELINE: return "baseline";
    case FF_PROFILE_H264_MAIN: return "main";
    case FF_PROFILE_H264_HIGH: return "high";
    case FF_PROFILE_H264_HIGH_10: return "high10";
    case FF_PROFILE_H264_HIGH_422: return "high422";
    case FF_PROFILE_H264_HIGH_444_PREDICTIVE: return "high444";
    default: return nullptr;
    }
}

const char* HevcProfileName(int profile, AVPixelFormat format)
{
    if (profile == FF_PROFILE_HEVC_MAIN_10)
        return "main10";
    if (profile == FF_PROFILE_HEVC_MAIN)
        return "main";
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(format);
    return d && d->comp[0].depth > 8 ? "main10" : "main";
}

} // namespace

const AVCodec* CFFSeamEncoder::EncoderFor(const AVCodecParameters* par)
{
    const char* name = nullptr;
    switch (par->codec_id) {
    case AV_CODEC_ID_H264: name = "libx264"; break;
    case AV_CODEC_ID_HEVC: name = "libx265"; break;
    case AV_CODEC_ID_MPEG2VIDEO: name = "mpeg2video"; break;
    case AV_CODEC_ID_VP9: name = "libvpx-vp9"; break;
    default: return nullptr;
    }
    return avcodec_find_encoder_by_name(name);
}

CFFSeamEncoder::CFFSeamEncoder(const AVStream* source) : m_source(source)
{
    const AVRational rate = StreamFrameRate(source);
    m_frameTicks = rate.num > 0 && rate.den > 0 ? av_rescale_q(1, av_inv_q(rate), source->time_base) : 1;
    if (m_frameTicks <= 0)
        m_frameTicks = 1;
}

FF::CodecContextPtr CFFSeamEncoder::OpenDecoder() const
{
    const AVCodec* codec = avcodec_find_decoder(m_source->codecpar->codec_id);
    if (!codec)
        QB_THROW(QB_ERR_MEDIA, "No decoder for the pictures at a cut");
    FF::CodecContextPtr ctx = FF::MakeCodecContext(codec);
    QB_CHECK_AV(avcodec_parameters_to_context(ctx.get(), m_source->codecpar), "Can't set up the decoder at a cut");
    ctx->pkt_timebase = m_source->time_base;
    ctx->thread_count = 0;
    QB_CHECK_AV(avcodec_open2(ctx.get(), codec, nullptr), "Can't open the decoder at a cut");
    return ctx;
}

FF::CodecContextPtr CFFSeamEncoder::OpenEncoder(const AVFrame* first) const
{
    const AVCodecParameters* par = m_source->codecpar;
    const AVCodec* codec = EncoderFor(par);
    if (!codec)
        QB_THROW(QB_ERR_MEDIA, "No encoder for the pictures at a cut");
    FF::CodecContextPtr ctx = FF::MakeCodecContext(codec);
    ctx->width = first->width;
    ctx->height = first->height;
    ctx->pix_fmt = static_cast<AVPixelFormat>(first->format);
    ctx->sample_aspect_ratio = par->sample_aspect_ratio;
    ctx->color_primaries = par->color_primaries;
    ctx->color_trc = par->color_trc;
    ctx->colorspace = par->color_space;
    ctx->color_range = par->color_range;
    ctx->chroma_sample_location = par->chroma_location;
    ctx->field_order = par->field_order;
    // Interlaced pictures are encoded interlaced, in the source's field
    // order (each picture says which field comes first).
    const bool interlaced =
        first->interlaced_frame || (par->field_order != AV_FIELD_UNKNOWN && par->field_order != AV_FIELD_PROGRESSIVE);
    if (interlaced && par->codec_id != AV_CODEC_ID_VP9) {
        ctx->flags |= AV_CODEC_FLAG_INTERLACED_DCT | AV_CODEC_FLAG_INTERLACED_ME;
        if (ctx->field_order == AV_FIELD_UNKNOWN || ctx->field_order == AV_FIELD_PROGRESSIVE)
            ctx->field_order = first->top_field_first ? AV_FIELD_TT : AV_FIELD_BB;
    }
    const AVRational rate = StreamFrameRate(m_source);
    ctx->framerate = rate.num > 0 ? rate : AVRational{25, 1};
    // MPEG-2 knows only its own frame rates as time bases; the others take
    // the source's, so that the times need no rounding.
    ctx->time_base = par->codec_id == AV_CODEC_ID_MPEG2VIDEO ? av_inv_q(ctx->framerate) : m_source->time_base;
    ctx->max_b_frames = 0;
    ctx->gop_size = 100000;
    ctx->thread_count = 0;
    ctx->profile = par->profile;
    ctx->level = par->level;
    AVDictionary* options = nullptr;
    switch (par->codec_id) {
    case AV_CODEC_ID_H264:
        if (const char* profile = H264ProfileName(par->profile))
            av_dict_set(&options, "profile", profile, 0);
        av_dict_set(&options, "crf", kSeamCrf, 0);
        av_dict_set(&options, "preset", "veryfast", 0);
        break;
    case AV_CODEC_ID_HEVC: {
        av_dict_set(&options, "profile", HevcProfileName(par->profile, ctx->pix_fmt), 0);
        av_dict_set(&options, "crf", kSeamCrf, 0);
        av_dict_set(&options, "preset", "veryfast", 0);
        std::string params = "log-level=error:bframes=0:open-gop=0";
        if (par->level > 0) {
            char level[16];
            std::snprintf(level, sizeof level, ":level-idc=%.1f", par->level / 30.0);
            params += level;
        }
        av_dict_set(&options, "x265-params", params.c_str(), 0);
        break;
    }
    case AV_CODEC_ID_MPEG2VIDEO:
        ctx->flags |= AV_CODEC_FLAG_QSCALE;
        ctx->global_quality = FF_QP2LAMBDA * kMpeg2Quantiser;
        ctx->gop_size = 15;
        break;
    case AV_CODEC_ID_VP9:
        av_dict_set(&options, "crf", "4", 0);
        av_dict_set(&options, "b", "0", 0);
        av_dict_set(&options, "lag-in-frames", "0", 0);
        av_dict_set(&options, "auto-alt-ref", "0", 0);
        av_dict_set(&options, "cpu-used", "4", 0);
        av_dict_set(&options, "row-mt", "1", 0);
        break;
    default: break;
    }
    const int err = avcodec_open2(ctx.get(), codec, &options);
    av_dict_free(&options);
    QB_CHECK_AV(err, std::string("Can't open the encoder ") + codec->name + " for the pictures at a cut");
    return ctx;
}

void CFFSeamEncoder::Receive(AVCodecContext* encoder, std::vector<FF::PacketPtr>& out) const
{
    for (;;) {
        FF::PacketPtr packet = FF::MakePacket();
        const int err = avcodec_receive_packet(encoder, packet.get());
        if (err == AVERROR(EAGAIN) || err == AVERROR_EOF)
            return;
        QB_CHECK_AV(err, "Can't encode the pictures at a cut");
        out.push_back(std::move(packet));
    }
}

std::vector<FF::PacketPtr> CFFSeamEncoder::Encode(const std::vector<AVPacket*>& packets, int64_t from, int64_t to,
                                                  int64_t delay, int64_t* end)
{
    FF::CodecContextPtr decoder = OpenDecoder();
    FF::CodecContextPtr encoder;
    FF::FramePtr frame = FF::MakeFrame();
    std::vector<FF::PacketPtr> out;
    // Times of the pictures handed to the encoder, in order: it holds none
    // back or reorders none, so its packets take them one by one.
    std::deque<int64_t> times;
    int64_t last = kNoTime;
    auto take = [&] {
        for (;;) {
            const int err = avcodec_receive_frame(decoder.get(), frame.get());
            if (err == AVERROR(EAGAIN) || err == AVERROR_EOF)
                return;
            QB_CHECK_AV(err, "Can't decode the pictures at a cut");
            const int64_t pts = frame->best_effort_timestamp;
            if (pts != AV_NOPTS_VALUE && pts >= from && pts < to && (last == kNoTime || pts > last)) {
                if (!encoder)
                    encoder = OpenEncoder(frame.get());
                times.push_back(pts);
                last = pts;
                frame->pts = av_rescale_q(pts, m_source->time_base, encoder->time_base);
                frame->pict_type = AV_PICTURE_TYPE_NONE;
                QB_CHECK_AV(avcodec_send_frame(encoder.get(), frame.get()), "Can't encode the pictures at a cut");
                Receive(encoder.get(), out);
            }
            av_frame_unref(frame.get());
        }
    };
    for (AVPacket* packet : packets) {
        int err = avcodec_send_packet(decoder.get(), packet);
        if (err == AVERROR(EAGAIN)) {
            take();
            err = avcodec_send_packet(decoder.get(), packet);
        }
        if (err < 0 && err != AVERROR_INVALIDDATA)
            QB_THROW_AV(QB_ERR_MEDIA, "Can't decode the pictures at a cut", err);
        take();
    }
    avcodec_send_packet(decoder.get(), nullptr);
    take();
    if (encoder) {
        QB_CHECK_AV(avcodec_send_frame(encoder.get(), nullptr), "Can't encode the pictures at a cut");
        Receive(encoder.get(), out);
    }
    if (out.size() != times.size())
        QB_THROW(QB_ERR_MEDIA, "The encoder at a cut gave " + std::to_string(out.size()) + " pictures for " +
                                   std::to_string(times.size()));
    const int lengthSize = NalForm::LengthSize(m_source->codecpar);
    for (size_t i = 0; i < out.size(); ++i) {
        AVPacket* p = out[i].get();
        p->pts = times[i];
        p->dts = times[i] - delay;
        p->duration = i + 1 < times.size() ? times[i + 1] - times[i] : m_frameTicks;
        p->time_base = m_source->time_base;
        const bool nal =
            m_source->codecpar->codec_id == AV_CODEC_ID_H264 || m_source->codecpar->codec_id == AV_CODEC_ID_HEVC;
        if (nal && lengthSize > 0) {
            const std::string data = NalForm::ToLengthPrefixed(p->data, p->size, lengthSize);
            FF::PacketPtr converted = FF::MakePacket();
            QB_CHECK_AV(av_new_packet(converted.get(), static_cast<int>(data.size())), "No memory at a cut");
            std::memcpy(converted->data, data.data(), data.size());
            av_packet_copy_props(converted.get(), p);
            out[i] = std::move(converted);
        }
    }
    if (end)
        *end = times.empty() ? from : times.back() + m_frameTicks;
    return out;
}

} // namespace Solvane
