#include "CFFStreamEncoder.h"

#include "CFFEncodeLoop.h"
#include "FFPictureArea.h"
#include "SolvaneOptions.h"

#include "CBaseException.h"
#include "IRawAudioFrame.h"
#include "IRawVideoFrame.h"
#include "../../Moorlan/MoorlanPixelMap.h"
#include "MoorlanFormatMap.h"
#include "MoorlanTypes.h"
#include "SolvaneFF.h"
#include "sysplatform.h"

extern "C" {
#include <libavcodec/dv_profile.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

namespace Solvane {

namespace {

std::string Lower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool StartsWith(const std::string& s, const char* prefix)
{
    return s.compare(0, std::strlen(prefix), prefix) == 0;
}

// The codec's thread count for a job given `threads` processors. Asked for
// every processor of the machine, the codec picks its own count: an encoder
// such as x264 keeps all processors busy only with more frame threads than
// there are processors (one and a half per processor).
int CodecThreads(int threads)
{
    if (threads <= 0)
        return 0;
    return threads >= QuentaBased::get_cpu_count() ? 0 : threads;
}

// A picture of the encoder's layout and size with pixels of its own.
// A new frame holding references to the pixels of a decoded one and nothing
// else of it: its picture type, side data and times would steer the encoder.
// Null when the pixels are not whole counted buffers of that size.
FF::FramePtr PixelsOf(const AVFrame* src, int width, int height)
{
    if (!src->buf[0] || src->nb_extended_buf || src->hw_frames_ctx || src->width != width || src->height != height ||
        src->crop_left || src->crop_top || src->crop_right || src->crop_bottom)
        return nullptr;
    FF::FramePtr f = FF::MakeFrame();
    f->format = src->format;
    f->width = width;
    f->height = height;
    for (int i = 0; i < AV_NUM_DATA_POINTERS; ++i) {
        f->data[i] = src->data[i];
        f->linesize[i] = src->linesize[i];
        if (src->buf[i] && !(f->buf[i] = av_buffer_ref(src->buf[i])))
            QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
    }
    return f;
}

// Display aspect "x:y" into the sample aspect of a w x h picture; 0/1 when
// the text holds none.
AVRational SampleAspect(const std::string& text, int w, int h)
{
    int x = 0, y = 0;
    if (text.empty() || std::sscanf(text.c_str(), "%d:%d", &x, &y) != 2 || x <= 0 || y <= 0 || w <= 0 || h <= 0)
        return AVRational{0, 1};
    AVRational sar;
    av_reduce(&sar.num, &sar.den, static_cast<int64_t>(x) * h, static_cast<int64_t>(y) * w, 65535);
    return sar;
}

uint32_t FourCC(const std::string& text)
{
    std::string t = text;
    t.resize(4, ' ');
    return MKTAG(t[0], t[1], t[2], t[3]);
}

// The picture format the profile names, or without one the 4:2:0 most
// players decode (full range for Motion JPEG, the only 4:2:0 it takes at
// normal compliance; DV's own for its frame), else the encoder's first.
AVPixelFormat PictureFormat(const VideoExportSettings& settings, const AVCodec* codec)
{
    if (!settings.pixelFormat.empty()) {
        const AVPixelFormat named = av_get_pix_fmt(settings.pixelFormat.c_str());
        if (named == AV_PIX_FMT_NONE)
            QB_THROW(QB_ERR_BAD_PARAM, "Unknown picture format \"" + settings.pixelFormat + "\"");
        bool taken = !codec->pix_fmts;
        for (const AVPixelFormat* p = codec->pix_fmts; p && *p != AV_PIX_FMT_NONE; ++p)
            taken = taken || *p == named;
        if (!taken)
            QB_THROW(QB_ERR_BAD_PARAM, std::string("The video encoder ") + codec->name + " can't take " +
                                           settings.pixelFormat + " pictures");
        return named;
    }
    if (codec->id == AV_CODEC_ID_MJPEG)
        return AV_PIX_FMT_YUVJ420P;
    if (codec->id == AV_CODEC_ID_DVVIDEO && codec->pix_fmts) {
        // DV fixes the sampling by frame: 4:1:1 for NTSC, 4:2:0 for PAL,
        // 4:2:2 for DVCPRO HD. The first format with a DV profile wins.
        const AVRational rate = av_d2q(settings.frameRate > 0.0 ? settings.frameRate : 25.0, 1001000);
        for (const AVPixelFormat* p = codec->pix_fmts; *p != AV_PIX_FMT_NONE; ++p) {
            if (*p == AV_PIX_FMT_YUV420P && av_dv_codec_profile2(settings.width, settings.height, *p, rate))
                return *p;
        }
        for (const AVPixelFormat* p = codec->pix_fmts; *p != AV_PIX_FMT_NONE; ++p) {
            if (av_dv_codec_profile2(settings.width, settings.height, *p, rate))
                return *p;
        }
    }
    if (!codec->pix_fmts)
        return AV_PIX_FMT_YUV420P;
    for (const AVPixelFormat* p = codec->pix_fmts; *p != AV_PIX_FMT_NONE; ++p) {
        if (*p == AV_PIX_FMT_YUV420P)
            return *p;
    }
    return codec->pix_fmts[0];
}

// " with the options a=1, b=2" for an encoder that refused to open: some
// values are only checked there.
std::string OptionsText(const FFOptions& options)
{
    std::string text;
    for (const auto& [name, value] : options)
        text += (text.empty() ? " with the options " : ", ") + name + "=" + value;
    return text;
}

} // namespace

namespace {

// The settings a codec's flavour follows: the profile's own (FourCC, size and
// bitrate), never its codec's name; the exporter's defaults keep within the
// container's limits. Options the profile states come later and win.
void SetFlavour(AVCodecContext* c, const VideoExportSettings& settings, double fps)
{
    const AVCodec* codec = c->codec;
    const ContainerVideoLimits& limits = settings.limits;
    if (codec->id == AV_CODEC_ID_PRORES) {
        // The FourCC names the flavour: Proxy, LT, standard, HQ, 4444.
        static const struct
        {
            const char* tag;
            const char* profile;
        } kProRes[] = {
            {"apco", "proxy"}, {"apcs", "lt"},   {"apcn", "standard"},
            {"apch", "hq"},    {"ap4h", "4444"}, {"ap4x", "4444xq"},
        };
        for (const auto& f : kProRes) {
            if (settings.fourcc == f.tag)
                av_opt_set(c->priv_data, "profile", f.profile, 0);
        }
    } else if (codec->id == AV_CODEC_ID_DNXHD) {
        // DNxHD proper has a few bitrates for a few picture sizes; any other
        // size, or no rate, takes DNxHR, which fits every size.
        const bool hdSize = (c->width == 1920 && c->height == 1080) || (c->width == 1280 && c->height == 720) ||
                            (c->width == 1440 && c->height == 1080) || (c->width == 960 && c->height == 720);
        av_opt_set(c->priv_data, "profile", hdSize && c->bit_rate > 0 ? "dnxhd" : "dnxhr_hq", 0);
        if (c->bit_rate <= 0 || !hdSize)
            c->bit_rate = 0;
    } else if (codec->id == AV_CODEC_ID_MPEG2VIDEO || codec->id == AV_CODEC_ID_MPEG1VIDEO) {
        // Half a second: what broadcast and disc players seek by.
        c->gop_size = std::max(1, static_cast<int>(std::lround(fps / 2)));
        const bool pal = std::fabs(fps - 25.0) < 0.5 || std::fabs(fps - 50.0) < 0.5;
        const int longest = pal ? limits.gopPal : limits.gopNtsc;
        if (longest > 0)
            c->gop_size = std::min(c->gop_size, longest);
        if (limits.maxRate > 0 && c->bit_rate > limits.maxRate)
            c->bit_rate = limits.maxRate;
        if (c->bit_rate > 0) {
            c->rc_max_rate = c->bit_rate * 2;
            if (limits.maxRate > 0)
                c->rc_max_rate = std::min<int64_t>(c->rc_max_rate, limits.maxRate);
            if (limits.constantRate)
                c->rc_max_rate = c->rc_min_rate = c->bit_rate;
            c->rc_buffer_size =
                limits.bufferSize > 0 ? limits.bufferSize : static_cast<int>(std::min<int64_t>(c->bit_rate, INT32_MAX));
        }
    } else if (codec->id == AV_CODEC_ID_MPEG4 || codec->id == AV_CODEC_ID_MSMPEG4V3 || codec->id == AV_CODEC_ID_WMV2 ||
               codec->id == AV_CODEC_ID_FLV1) {
        c->gop_size = std::max(1, std::min(250, static_cast<int>(std::lround(fps * 10))));
    }
}

} // namespace

// ---------------------------------------------------------------------------

// ---------------------------------------------------------------------------

const AVCodec* FindEncoder(const std::string& name, const AVOutputFormat* format, bool video)
{
    const std::string lower = Lower(name);
    std::string want = lower;
    static const struct
    {
        const char* alias;
        const char* encoder;
    } kAliases[] = {
        {"h264", "libx264"},     {"x264", "libx264"},   {"avc", "libx264"},      {"hevc", "libx265"},
        {"h265", "libx265"},     {"x265", "libx265"},   {"xvid", "mpeg4"},       {"divx", "mpeg4"},
        {"vp8", "libvpx"},       {"vp9", "libvpx-vp9"}, {"mp3", "libmp3lame"},   {"vorbis", "libvorbis"},
        {"opus", "libopus"},     {"wmv", "wmv2"},       {"mpeg2", "mpeg2video"}, {"mpeg1", "mpeg1video"},
        {"theora", "libtheora"}, {"mjpg", "mjpeg"},     {"dv", "dvvideo"},
    };
    for (const auto& a : kAliases) {
        if (lower == a.alias)
            want = a.encoder;
    }
    // Display names of the professional QuickTime codecs.
    if (StartsWith(name, "Apple ProRes") || StartsWith(name, "Apple InterMediate"))
        want = "prores_ks";
    else if (StartsWith(name, "Avid DNxHD"))
        want = "dnxhd";
    else if (StartsWith(name, "DVCPRO") || StartsWith(name, "DV - ") || StartsWith(name, "DV/DVCPRO"))
        want = "dvvideo";
    else if (StartsWith(name, "HDV ") || StartsWith(name, "XDCAM"))
        want = "mpeg2video";
    if (want == "pcm") {
        want = "pcm_s16le";
        if (format && avformat_query_codec(format, AV_CODEC_ID_PCM_S16LE, FF_COMPLIANCE_NORMAL) == 0)
            want = "pcm_s16be";
    }
    const AVCodec* codec = want.empty() ? nullptr : avcodec_find_encoder_by_name(want.c_str());
    if (!codec && !want.empty()) {
        const AVCodecDescriptor* d = avcodec_descriptor_get_by_name(want.c_str());
        if (d)
            codec = avcodec_find_encoder(d->id);
    }
    const AVMediaType type = video ? AVMEDIA_TYPE_VIDEO : AVMEDIA_TYPE_AUDIO;
    if (!codec || codec->type != type)
        QB_THROW(QB_ERR_MEDIA,
                 std::string("Not supported ") + (video ? "video" : "audio") + " codec: \"" + name + "\"");
    return codec;
}

bool KeepsPassStatistics(const AVCodec* codec)
{
    // libx264 and libxvid keep their own files; the others hand their
    // statistics out through the codec context. libx265 of this FFmpeg
    // takes no pass from the codec flags.
    static const char* const kKeeping[] = {
        "libx264", "libxvid", "libvpx",    "libvpx-vp9", "libaom-av1", "libtheora", "mpeg1video", "mpeg2video", "mpeg4",
        "h263",    "h263p",   "msmpeg4v2", "msmpeg4",    "wmv1",       "wmv2",      "flv",        "mjpeg",
    };
    if (!codec || !codec->name)
        return false;
    for (const char* name : kKeeping) {
        if (std::strcmp(codec->name, name) == 0)
            return true;
    }
    return false;
}

std::unique_ptr<CFFStreamEncoder> CFFStreamEncoder::Video(const VideoExportSettings& settings, CFFOutputFile* out,
                                                          int threads, int pass, const std::string& statsFile,
                                                          std::string* stats)
{
    const AVCodec* codec = FindEncoder(settings.codec, out ? out->Context()->oformat : nullptr, true);
    std::unique_ptr<CFFStreamEncoder> e(new CFFStreamEncoder);
    e->m_video = true;
    e->m_pass = pass;
    e->m_passStats = stats;
    e->m_enc = FF::MakeCodecContext(codec);
    e->m_loop.reset(new CFFEncodeLoop(e->m_enc.get()));
    AVCodecContext* c = e->m_enc.get();

    if (settings.width <= 0 || settings.height <= 0)
        QB_THROW(QB_ERR_BAD_PARAM, "The output picture size is not set");
    const AVPixelFormat pix = PictureFormat(settings, codec);
    c->pix_fmt = pix;
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(pix);
    int w = settings.width, h = settings.height;
    if (desc && desc->log2_chroma_w)
        w &= ~1;
    if (desc && desc->log2_chroma_h)
        h &= ~1;
    c->width = std::max(w, 2);
    c->height = std::max(h, 2);

    double fps = settings.frameRate > 0.0 ? settings.frameRate : 25.0;
    AVRational rate = av_d2q(fps, 1001000);
    if (codec->supported_framerates) {
        int i = av_find_nearest_q_idx(rate, codec->supported_framerates);
        rate = codec->supported_framerates[i];
    }
    if (rate.num <= 0 || rate.den <= 0)
        rate = AVRational{25, 1};
    c->framerate = rate;
    c->time_base = av_inv_q(rate);
    c->sample_aspect_ratio = SampleAspect(settings.aspect, c->width, c->height);
    if (settings.bitrateKbps > 0)
        c->bit_rate = static_cast<int64_t>(settings.bitrateKbps) * 1000;
    c->thread_count = CodecThreads(threads);
    if (out && out->NeedsGlobalHeader())
        c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;

    SetFlavour(c, settings, fps);
    ApplyOptions(c, settings.options, std::string("video encoder ") + codec->name);
    if (!settings.fourcc.empty())
        c->codec_tag = FourCC(settings.fourcc);

    if (pass == 1 || pass == 2) {
        const bool x26x = std::strcmp(codec->name, "libx264") == 0;
        if (x26x && !statsFile.empty())
            av_opt_set(c->priv_data, "stats", statsFile.c_str(), 0);
        if (pass == 1) {
            c->flags |= AV_CODEC_FLAG_PASS1;
        } else {
            c->flags |= AV_CODEC_FLAG_PASS2;
            if (!x26x && stats && !stats->empty())
                c->stats_in = av_strdup(stats->c_str());
        }
    }

    int err = avcodec_open2(c, codec, nullptr);
    if (err < 0 && codec->id == AV_CODEC_ID_DNXHD && c->profile == FF_PROFILE_DNXHD)
        QB_THROW_AV(QB_ERR_MEDIA,
                    "DNxHD has no " + std::to_string(c->width) + "x" + std::to_string(c->height) + " flavour at " +
                        std::to_string(c->bit_rate / 1000000) + " Mbit/s",
                    err);
    if (err < 0)
        QB_THROW_AV(QB_ERR_MEDIA,
                    std::string("Can't open the video encoder ") + codec->name + OptionsText(settings.options), err);
    if (out) {
        e->m_stream = out->AddStream();
        err = avcodec_parameters_from_context(e->m_stream->codecpar, c);
        if (err < 0)
            QB_THROW_AV(QB_ERR_MEDIA, "Can't describe the video stream", err);
        e->m_stream->time_base = c->time_base;
        e->m_stream->avg_frame_rate = rate;
        e->m_stream->sample_aspect_ratio = c->sample_aspect_ratio;
    }
    return e;
}

std::unique_ptr<CFFStreamEncoder> CFFStreamEncoder::Audio(const AudioExportSettings& settings, CFFOutputFile* out,
                                                          int threads)
{
    const AVCodec* codec = FindEncoder(settings.codec, out ? out->Context()->oformat : nullptr, false);
    std::unique_ptr<CFFStreamEncoder> e(new CFFStreamEncoder);
    e->m_video = false;
    int rate = settings.sampleRate > 0 ? settings.sampleRate : 44100;
    if (codec->supported_samplerates) {
        int best = codec->supported_samplerates[0];
        for (const int* r = codec->supported_samplerates; *r; ++r) {
            if (std::abs(*r - rate) < std::abs(best - rate))
                best = *r;
        }
        rate = best;
    }
    const int channels = settings.channels > 0 ? std::min(settings.channels, 8) : 2;
    // The layout the encoder takes: the usual one for the channel count, else
    // one of its own with that count, else its largest with fewer (5.1 into
    // a stereo-only encoder is stereo, not mono), else its first.
    struct Layout
    {
        AVChannelLayout l{};
        ~Layout() { av_channel_layout_uninit(&l); }
    } owned;
    AVChannelLayout& layout = owned.l;
    av_channel_layout_default(&layout, channels);
    if (codec->ch_layouts) {
        bool found = false;
        for (const AVChannelLayout* l = codec->ch_layouts; l->nb_channels; ++l)
            found = found || av_channel_layout_compare(l, &layout) == 0;
        if (!found) {
            const AVChannelLayout* pick = nullptr;
            for (const AVChannelLayout* l = codec->ch_layouts; l->nb_channels; ++l) {
                if (l->nb_channels <= channels && (!pick || l->nb_channels > pick->nb_channels))
                    pick = l;
            }
            av_channel_layout_uninit(&layout);
            av_channel_layout_copy(&layout, pick ? pick : &codec->ch_layouts[0]);
        }
    }
    // A bitrate the encoder refuses for this sound (a clip's own rate kept
    // by a lossless output, say) gives way to the encoder's own choice.
    int err = 0;
    AVCodecContext* c = nullptr;
    for (int attempt = 0; attempt < 2; ++attempt) {
        e->m_enc = FF::MakeCodecContext(codec);
        c = e->m_enc.get();
        c->sample_rate = rate;
        av_channel_layout_copy(&c->ch_layout, &layout);
        c->sample_fmt = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
        if (settings.bitrate > 0 && attempt == 0)
            c->bit_rate = settings.bitrate;
        c->time_base = AVRational{1, rate};
        c->thread_count = CodecThreads(threads);
        if (out && out->NeedsGlobalHeader())
            c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        ApplyOptions(c, settings.options, std::string("audio encoder ") + codec->name);
        err = avcodec_open2(c, codec, nullptr);
        if (err >= 0 || c->bit_rate <= 0 || err != AVERROR(EINVAL))
            break;
        av_log(nullptr, AV_LOG_WARNING, "the audio encoder %s takes no %d bit/s here: it chooses its own\n",
               codec->name, settings.bitrate);
    }
    if (err < 0)
        QB_THROW_AV(QB_ERR_MEDIA,
                    std::string("Can't open the audio encoder ") + codec->name + OptionsText(settings.options), err);
    e->m_loop.reset(new CFFEncodeLoop(c));
    if (out) {
        e->m_stream = out->AddStream();
        err = avcodec_parameters_from_context(e->m_stream->codecpar, c);
        if (err < 0)
            QB_THROW_AV(QB_ERR_MEDIA, "Can't describe the audio stream", err);
        e->m_stream->time_base = c->time_base;
    }
    e->m_fifo.reset(av_audio_fifo_alloc(c->sample_fmt, c->ch_layout.nb_channels, 4096));
    if (!e->m_fifo)
        throw std::bad_alloc();
    return e;
}

CFFStreamEncoder::~CFFStreamEncoder()
{
    // The statistics text handed to a second pass stays the caller's to free.
    if (m_enc)
        av_freep(&m_enc->stats_in);
}

void CFFStreamEncoder::Encode(AVFrame* frame, const Sink& sink)
{
    AVCodecContext* c = m_enc.get();
    m_loop->Send(frame, m_video ? "Can't encode video" : "Can't encode audio", [&](AVPacket* p) {
        if (m_pass == 1 && m_passStats && c->stats_out)
            *m_passStats += c->stats_out;
        if (!m_stream) {
            m_discardedBytes.fetch_add(static_cast<uint64_t>(std::max(p->size, 0)), std::memory_order_relaxed);
            int64_t end = p->pts != AV_NOPTS_VALUE ? p->pts : p->dts;
            if (end != AV_NOPTS_VALUE) {
                if (p->duration > 0)
                    end += p->duration;
                const int64_t ms = av_rescale_q(end, c->time_base, AVRational{1, 1000});
                if (ms > 0 && ms <= UINT32_MAX &&
                    static_cast<uint32_t>(ms) > m_discardedMs.load(std::memory_order_relaxed))
                    m_discardedMs.store(static_cast<uint32_t>(ms), std::memory_order_relaxed);
            }
            return;
        }
        p->stream_index = m_stream->index;
        sink(p, c->time_base);
    });
    if (!frame && m_pass == 1 && m_passStats && c->stats_out)
        *m_passStats += c->stats_out;
}

void CFFStreamEncoder::DiscardedStats(uint64_t* bytes, uint32_t* ms) const
{
    if (bytes)
        *bytes = m_discardedBytes.load(std::memory_order_relaxed);
    if (ms)
        *ms = m_discardedMs.load(std::memory_order_relaxed);
}

FF::FramePtr CFFStreamEncoder::NewPicture(const AVCodecContext* c)
{
    // From a pool: the encoder gives each picture back at once, and a fresh
    // HD buffer for every picture would be fresh pages the system clears.
    FF::FramePtr f = FF::MakeFrame();
    f->format = c->pix_fmt;
    f->width = c->width;
    f->height = c->height;
    if (!m_pictures.Get(f.get()))
        QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
    return f;
}

void CFFStreamEncoder::SendVideo(Moorland::IRawVideoFrame* in, int64_t origin100ns, const Sink& sink)
{
    AVCodecContext* c = m_enc.get();
    int64_t t = static_cast<int64_t>(in->GetTimeStamp()) * Moorland::kTicksPerMs - origin100ns;
    if (t < 0)
        t = 0;
    // The nearest output frame time; a picture half-way between two goes to
    // the earlier one, so a rate halved keeps every second picture. Source
    // times are whole milliseconds, hence the small margin.
    const double x = static_cast<double>(t) * c->time_base.den / (static_cast<double>(c->time_base.num) * 1e7);
    const int64_t pts = static_cast<int64_t>(std::floor(x + 0.48));
    // A picture held for being far ahead of the one before is placed now
    // that the next tells: at its own time when the times go on from there
    // (a pause in the source), else in the next free slot (one stray time,
    // which must not push every later picture behind it).
    if (m_held) {
        FF::FramePtr held = std::move(m_held);
        if (pts > m_heldPts)
            Place(std::move(held), m_heldPts, sink);
        else if (m_lastPts + 1 < pts)
            Place(std::move(held), m_lastPts + 1, sink);
    }
    // One picture per output frame time: a constant-rate output drops the
    // pictures of a faster source.
    if (m_lastPts != INT64_MIN && pts <= m_lastPts)
        return;

    const AVPixelFormat srcFmt = ToAVPixelFormat(in->GetPixelFormat());
    if (srcFmt == AV_PIX_FMT_NONE)
        QB_THROW(QB_ERR_MEDIA, "Bad pixel format");
    unsigned w = 0, h = 0;
    in->GetDimension(&w, &h);
    if (w == 0 || h == 0)
        QB_THROW(QB_ERR_MEDIA, "A picture without a size");
    const uint8_t* src[4];
    int srcStride[4];
    if (!Moorland::TopDownPlanes(in, src, srcStride))
        QB_THROW(QB_ERR_MEDIA, "A picture without its pixels");
    // A frame whose pixel shape is stated (a DVD's 16:9) shows every picture
    // at its own shape, with bars where the shapes differ; without one the
    // picture fills the frame.
    PictureArea area;
    area.width = c->width;
    area.height = c->height;
    if (c->sample_aspect_ratio.num > 0)
        area = FitPicture(in->GetDAR(), c->width, c->height, c->sample_aspect_ratio, c->pix_fmt, in->IsInterlaced());
    const bool bars = !FillsFrame(area, c->width, c->height);
    const bool sameShape =
        !bars && srcFmt == c->pix_fmt && static_cast<int>(w) == c->width && static_cast<int>(h) == c->height;
    // A decoded picture the encoder takes as it is goes by reference.
    auto* decoded = sameShape ? static_cast<const AVFrame*>(in->GetInterface(kDecodedAVFrameInterface)) : nullptr;
    FF::FramePtr f = decoded ? PixelsOf(decoded, c->width, c->height) : nullptr;
    if (!f && sameShape) {
        f = NewPicture(c);
        av_image_copy(f->data, f->linesize, src, srcStride, c->pix_fmt, c->width, c->height);
    } else if (!f) {
        f = NewPicture(c);
        m_sws.reset(sws_getCachedContext(m_sws.release(), static_cast<int>(w), static_cast<int>(h), srcFmt, area.width,
                                         area.height, c->pix_fmt, SWS_BICUBIC, nullptr, nullptr, nullptr));
        if (!m_sws)
            QB_THROW(QB_ERR_MEDIA, "Can't convert the pictures for the encoder");
        if (bars)
            PaintBlack(f.get(), c->color_range);
        uint8_t* dst[4];
        AreaPlanes(f.get(), area, dst);
        // Written beside the frame and copied in: the scaler writes past
        // the area's right edge, into the bar.
        if (!m_scaled.Scale(m_sws.get(), src, srcStride, static_cast<int>(h), c->pix_fmt, area.width, area.height, dst,
                            f->linesize))
            QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
    }
    f->sample_aspect_ratio = c->sample_aspect_ratio;
    f->interlaced_frame = in->IsInterlaced() ? 1 : 0;
    f->top_field_first = in->IsTopFieldFirst() ? 1 : 0;
    if (m_lastPts != INT64_MIN && pts - m_lastPts > av_rescale_q(1, AVRational{1, 1}, c->time_base)) {
        m_held = std::move(f);
        m_heldPts = pts;
        return;
    }
    Place(std::move(f), pts, sink);
}

void CFFStreamEncoder::Place(FF::FramePtr f, int64_t pts, const Sink& sink)
{
    AVCodecContext* c = m_enc.get();
    f->pts = pts;
    // The frame times a slower source leaves empty show its previous
    // picture again: the file holds as many pictures as its rate states for
    // the time they cover (players of AVI, MPEG and DV count pictures). A
    // jump of more than ten seconds is a break in the source's times, not
    // a slow picture, and stays a jump.
    const int64_t longestGap = av_rescale_q(10, AVRational{1, 1}, c->time_base);
    if (m_leadIn && m_lastPts == INT64_MIN && pts > 0 && pts <= longestGap) {
        // The first picture stands from the origin on.
        m_frame.reset(av_frame_clone(f.get()));
        if (!m_frame)
            throw std::bad_alloc();
        m_lastPts = -1;
    }
    if (m_frame && m_lastPts != INT64_MIN && pts - m_lastPts <= longestGap) {
        for (int64_t again = m_lastPts + 1; again < pts; ++again) {
            FF::FramePtr copy(av_frame_clone(m_frame.get()));
            if (!copy)
                throw std::bad_alloc();
            copy->pts = again;
            Encode(copy.get(), sink);
        }
    }
    m_lastPts = pts;
    Encode(f.get(), sink);
    m_frame = std::move(f);
}

void CFFStreamEncoder::SendAudio(Moorland::IRawAudioFrame* in, int64_t origin100ns, const Sink& sink)
{
    AVCodecContext* c = m_enc.get();
    const AVSampleFormat inFmt = FF::ToAVSampleFormat(in->GetSampleFormat());
    const int inRate = in->GetSampleRate();
    const int inChannels = in->GetChannels();
    const unsigned count = in->GetSampleCount();
    if (inFmt == AV_SAMPLE_FMT_NONE || inRate <= 0 || inChannels <= 0)
        QB_THROW(QB_ERR_MEDIA, "Bad audio format");
    if (count == 0)
        return;
    if (!m_swr || inFmt != m_inFmt || inRate != m_inRate || inChannels != m_inChannels) {
        AVChannelLayout inLayout;
        av_channel_layout_default(&inLayout, inChannels);
        SwrContext* swr = nullptr;
        int err = swr_alloc_set_opts2(&swr, &c->ch_layout, c->sample_fmt, c->sample_rate, &inLayout, inFmt, inRate, 0,
                                      nullptr);
        av_channel_layout_uninit(&inLayout);
        m_swr.reset(swr);
        if (err >= 0)
            err = swr_init(swr);
        if (err < 0)
            QB_THROW_AV(QB_ERR_MEDIA, "Can't convert the sound for the encoder", err);
        m_inFmt = inFmt;
        m_inRate = inRate;
        m_inChannels = inChannels;
    }
    if (m_nextSample == INT64_MIN) {
        int64_t t = in->GetTimeStamp();
        t = t == INT64_MIN ? 0 : t - origin100ns;
        m_nextSample = t > 0 ? av_rescale(t, c->sample_rate, Moorland::kTicksPerSecond) : 0;
        if (m_leadIn && m_nextSample > 0) {
            const int64_t late = m_nextSample;
            m_nextSample = 0;
            WriteSilence(late, sink);
        }
    }
    const uint8_t* src[64] = {nullptr};
    const unsigned buffers = std::min(in->GetBufferCount(), 64u);
    for (unsigned i = 0; i < buffers; ++i)
        src[i] = in->GetBuffer(i, nullptr);
    const int outMax = swr_get_out_samples(m_swr.get(), static_cast<int>(count));
    if (outMax < 0)
        QB_THROW_AV(QB_ERR_MEDIA, "Can't convert the sound for the encoder", outMax);
    FF::FramePtr tmp = FF::MakeFrame();
    tmp->format = c->sample_fmt;
    tmp->nb_samples = std::max(outMax, 1);
    av_channel_layout_copy(&tmp->ch_layout, &c->ch_layout);
    int err = av_frame_get_buffer(tmp.get(), 0);
    if (err < 0)
        QB_THROW_AV(QB_ERR_NO_MEMORY, "No enough memory", err);
    int got = swr_convert(m_swr.get(), tmp->data, tmp->nb_samples, src, static_cast<int>(count));
    if (got < 0)
        QB_THROW_AV(QB_ERR_MEDIA, "Can't convert the sound for the encoder", got);
    if (got > 0 && av_audio_fifo_write(m_fifo.get(), reinterpret_cast<void**>(tmp->data), got) < got)
        throw std::bad_alloc();
    DrainFifo(false, sink);
}

void CFFStreamEncoder::DrainFifo(bool final, const Sink& sink)
{
    AVCodecContext* c = m_enc.get();
    const bool fixed = c->frame_size > 0 && !(c->codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE);
    const int frameSize = fixed ? c->frame_size : 1024;
    for (;;) {
        const int have = av_audio_fifo_size(m_fifo.get());
        if (have <= 0 || (have < frameSize && !final))
            break;
        const int n = std::min(have, frameSize);
        int samples = n;
        if (fixed && n < frameSize && !(c->codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME))
            samples = frameSize;
        FF::FramePtr f = FF::MakeFrame();
        f->format = c->sample_fmt;
        f->nb_samples = samples;
        f->sample_rate = c->sample_rate;
        av_channel_layout_copy(&f->ch_layout, &c->ch_layout);
        int err = av_frame_get_buffer(f.get(), 0);
        if (err < 0)
            QB_THROW_AV(QB_ERR_NO_MEMORY, "No enough memory", err);
        if (samples > n)
            av_samples_set_silence(f->data, 0, samples, c->ch_layout.nb_channels, c->sample_fmt);
        if (av_audio_fifo_read(m_fifo.get(), reinterpret_cast<void**>(f->data), n) < n)
            QB_THROW(QB_ERR_UNEXPECTED, "Unexpected error");
        f->pts = m_nextSample == INT64_MIN ? 0 : m_nextSample;
        m_nextSample = f->pts + samples;
        Encode(f.get(), sink);
    }
}

void CFFStreamEncoder::WriteSilence(int64_t samples, const Sink& sink)
{
    AVCodecContext* c = m_enc.get();
    FF::FramePtr quiet = FF::MakeFrame();
    quiet->format = c->sample_fmt;
    quiet->nb_samples = 4096;
    av_channel_layout_copy(&quiet->ch_layout, &c->ch_layout);
    int err = av_frame_get_buffer(quiet.get(), 0);
    if (err < 0)
        QB_THROW_AV(QB_ERR_NO_MEMORY, "No enough memory", err);
    av_samples_set_silence(quiet->data, 0, quiet->nb_samples, c->ch_layout.nb_channels, c->sample_fmt);
    while (samples > 0) {
        const int n = static_cast<int>(std::min<int64_t>(samples, quiet->nb_samples));
        if (av_audio_fifo_write(m_fifo.get(), reinterpret_cast<void**>(quiet->data), n) < n)
            throw std::bad_alloc();
        samples -= n;
        DrainFifo(false, sink);
    }
}

int64_t CFFStreamEncoder::SoundEnd100ns() const
{
    if (m_video || m_nextSample == INT64_MIN)
        return 0;
    return av_rescale(m_nextSample + av_audio_fifo_size(m_fifo.get()), 10000000, m_enc->sample_rate);
}

void CFFStreamEncoder::HoldPictureTo(int64_t end100ns, const Sink& sink)
{
    AVCodecContext* c = m_enc.get();
    if (!m_video || m_flushed)
        return;
    PlaceHeld(sink);
    if (!m_frame || m_lastPts == INT64_MIN)
        return;
    // The frame time the sound's end falls in is the last one shown.
    const int64_t last = av_rescale_q_rnd(end100ns, AVRational{1, 10000000}, c->time_base, AV_ROUND_UP) - 1;
    for (int64_t again = m_lastPts + 1; again <= last; ++again) {
        FF::FramePtr copy(av_frame_clone(m_frame.get()));
        if (!copy)
            throw std::bad_alloc();
        copy->pts = again;
        Encode(copy.get(), sink);
        m_lastPts = again;
    }
}

void CFFStreamEncoder::PlaceHeld(const Sink& sink)
{
    // No picture came after it to tell a pause from a stray time: it takes
    // the next free frame, for one stray time must not stretch the movie
    // (nor a part of a split that ends with it).
    if (m_held) {
        FF::FramePtr held = std::move(m_held);
        Place(std::move(held), m_lastPts + 1, sink);
    }
}

int64_t CFFStreamEncoder::PicturesEnd100ns() const
{
    if (!m_video || m_lastPts == INT64_MIN)
        return 0;
    return av_rescale_q(m_lastPts + 1, m_enc->time_base, AVRational{1, static_cast<int>(Moorland::kTicksPerSecond)});
}

void CFFStreamEncoder::SendSilence(int64_t end100ns, const Sink& sink)
{
    AVCodecContext* c = m_enc.get();
    if (m_video || !m_fifo || end100ns <= 0)
        return;
    if (m_nextSample == INT64_MIN)
        m_nextSample = 0;
    const int64_t left = av_rescale(end100ns, c->sample_rate, Moorland::kTicksPerSecond) - m_nextSample -
                         av_audio_fifo_size(m_fifo.get());
    if (left <= 0)
        return;
    WriteSilence(left, sink);
}

void CFFStreamEncoder::Flush(const Sink& sink)
{
    if (m_flushed)
        return;
    m_flushed = true;
    if (!m_video && m_swr) {
        FF::FramePtr tmp = FF::MakeFrame();
        tmp->format = m_enc->sample_fmt;
        tmp->nb_samples = 4096;
        av_channel_layout_copy(&tmp->ch_layout, &m_enc->ch_layout);
        if (av_frame_get_buffer(tmp.get(), 0) >= 0) {
            int got = swr_convert(m_swr.get(), tmp->data, tmp->nb_samples, nullptr, 0);
            if (got > 0)
                av_audio_fifo_write(m_fifo.get(), reinterpret_cast<void**>(tmp->data), got);
        }
    }
    PlaceHeld(sink);
    if (!m_video)
        DrainFifo(true, sink);
    Encode(nullptr, sink);
}

} // namespace Solvane
