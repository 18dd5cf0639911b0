#include "CQTMovie.h"

#include "CBaseException.h"
#include "CFFEncodeLoop.h"
#include "CFFOutputFile.h"

extern "C" {
#include <libavutil/cpu.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

namespace QTKit {

namespace {

constexpr QTErr kMemFullErr = -108;

std::string Quote(const char* fourCC)
{
    return std::string("'") + std::string(fourCC, strnlen(fourCC, 4)) + "'";
}

// Fixed quantiser for a QuickTime quality: 1 at the top, 16 at the bottom.
int QScaleFor(unsigned quality)
{
    if (quality >= 1023)
        return 1;
    if (quality >= 768)
        return 2;
    if (quality >= 512)
        return 4;
    if (quality >= 256)
        return 8;
    return 16;
}

const char* CrfFor(unsigned quality)
{
    if (quality >= 1023)
        return "12";
    if (quality >= 768)
        return "18";
    if (quality >= 512)
        return "23";
    if (quality >= 256)
        return "28";
    return "35";
}

const char* DNxHRProfileFor(unsigned quality)
{
    if (quality >= 768)
        return "dnxhr_hq";
    if (quality >= 512)
        return "dnxhr_sq";
    return "dnxhr_lb";
}

// The size the encoder works at: the format's own, or the track's rounded
// down to whole chroma blocks.
void CodedSize(const CompressorRow& compressor, unsigned width, unsigned height, unsigned& codedW, unsigned& codedH)
{
    if (compressor.width && compressor.height) {
        codedW = compressor.width;
        codedH = compressor.height;
        return;
    }
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(compressor.pixFmt);
    const unsigned stepW = 1u << (desc ? desc->log2_chroma_w : 0);
    const unsigned stepH = 1u << (desc ? desc->log2_chroma_h : 0);
    codedW = width / stepW * stepW;
    codedH = height / stepH * stepH;
    if (codedW == 0)
        codedW = stepW;
    if (codedH == 0)
        codedH = stepH;
    if (compressor.family == CompressorFamily::DNxHR) {
        // The smallest picture DNxHR codes; smaller tracks are scaled up to it.
        codedW = std::max(codedW, 256u);
        codedH = std::max(codedH, 120u);
    }
}

// Lines a format keeps above its picture: MPEG IMX carries 32 of them
// (608 = 576 + 32 lines, 512 = 480 + 32).
unsigned PictureTop(const CompressorRow& compressor)
{
    return compressor.family == CompressorFamily::IMX ? 32u : 0u;
}

// The display aspect of a fixed frame's picture: standard definition is made
// 4:3 or 16:9, whichever lies nearer the pictures' shape (the two meet at
// their geometric mean); high definition is 16:9.
AVRational FrameAspect(unsigned pictureLines, double shape)
{
    if (pictureLines <= 576 && shape < std::sqrt(4.0 / 3.0 * 16.0 / 9.0))
        return AVRational{4, 3};
    return AVRational{16, 9};
}

// A pixel shape as the formats write it: small terms, square when it is
// within rounding of square.
AVRational PixelShape(double value)
{
    if (!(value > 0.0) || std::fabs(value - 1.0) < 0.01)
        return AVRational{1, 1};
    return av_d2q(value, 255);
}

void SetOption(AVDictionary** opts, const char* key, const char* value)
{
    if (av_dict_set(opts, key, value, 0) < 0)
        throw std::bad_alloc();
}

struct DictOwner
{
    AVDictionary* dict = nullptr;
    ~DictOwner() { av_dict_free(&dict); }
};

// The media layer's writing core fails with its own exception: the movie
// turns it into the error number of the call at hand, keeping the text.
template <typename F> void Translated(QTErr code, F&& body)
{
    try {
        body();
    } catch (const CBaseException& e) {
        throw QTError(code, e.GetExceptionMsg());
    }
}

// The compressor row of a video track's arguments; throws QTError naming
// what is wrong with them.
const CompressorRow* CheckVideoTrack(const char* fourCC, unsigned width, unsigned height, unsigned timeScale,
                                     unsigned sampleDuration)
{
    if (!fourCC || strnlen(fourCC, 5) != 4)
        throw QTError(qtParamErr, "a FourCC has four characters");
    if (timeScale == 0 || sampleDuration == 0)
        throw QTError(qtParamErr, "a video track needs a time scale and a sample duration "
                                  "(is the frame rate set?)");
    if (width == 0 || height == 0 || width > 16384 || height > 16384)
        throw QTError(qtParamErr,
                      "picture size " + std::to_string(width) + "x" + std::to_string(height) + " is out of range");
    const CompressorRow* row = FindCompressorRow(fourCC);
    if (!row || !row->encoder)
        throw QTError(qtNoCodecErr, "no image compressor for FourCC " + Quote(fourCC) + " in this system");
    return row;
}

// The encoder's pixel shape for pictures of the track's size, and where in
// its coded frame they go.
Solvane::PictureArea SetPixelShape(AVCodecContext* enc, const CompressorRow& compressor, unsigned width,
                                   unsigned height, double shape, double trackShape)
{
    const unsigned codedW = unsigned(enc->width), codedH = unsigned(enc->height);
    Solvane::PictureArea frame;
    frame.width = int(codedW);
    frame.height = int(codedH);
    if (compressor.width && compressor.height) {
        // The format's own pixel shape over the lines that carry the picture.
        frame.y = int(PictureTop(compressor));
        frame.height -= frame.y;
        const AVRational dar = FrameAspect(unsigned(frame.height), trackShape);
        av_reduce(&enc->sample_aspect_ratio.num, &enc->sample_aspect_ratio.den, int64_t(dar.num) * frame.height,
                  int64_t(dar.den) * codedW, 65535);
    } else if (shape > 0.0) {
        enc->sample_aspect_ratio = PixelShape(shape * codedH / codedW);
    } else {
        // A size only rounded to whole chroma blocks keeps square pixels;
        // one changed more shows at the track's own shape.
        const bool rounded = codedW <= width && codedH <= height && width - codedW < 4 && height - codedH < 4;
        if (rounded)
            enc->sample_aspect_ratio = AVRational{1, 1};
        else
            av_reduce(&enc->sample_aspect_ratio.num, &enc->sample_aspect_ratio.den, int64_t(width) * codedH,
                      int64_t(height) * codedW, 65535);
    }
    return frame;
}

// The colours a broadcast decoder assumes for the coded size, and the field
// order of an interlaced format.
void SetColoursAndFields(AVCodecContext* enc, const CompressorRow& compressor)
{
    if (compressor.pixFmt != AV_PIX_FMT_RGB24) {
        const bool hd = enc->height > 576;
        enc->colorspace = hd ? AVCOL_SPC_BT709 : AVCOL_SPC_SMPTE170M;
        enc->color_primaries = hd ? AVCOL_PRI_BT709 : AVCOL_PRI_SMPTE170M;
        enc->color_trc = hd ? AVCOL_TRC_BT709 : AVCOL_TRC_SMPTE170M;
        const bool jpegRange = compressor.pixFmt == AV_PIX_FMT_YUVJ420P || compressor.pixFmt == AV_PIX_FMT_YUVJ422P;
        enc->color_range = jpegRange ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG;
    }
    if (compressor.interlaced)
        enc->field_order = compressor.family == CompressorFamily::DV && enc->height <= 576 ? AV_FIELD_BB : AV_FIELD_TT;
    else
        enc->field_order = AV_FIELD_PROGRESSIVE;
    if (compressor.interlaced &&
        (compressor.family == CompressorFamily::LongGOP || compressor.family == CompressorFamily::IMX))
        enc->flags |= AV_CODEC_FLAG_INTERLACED_DCT | AV_CODEC_FLAG_INTERLACED_ME;
}

// The compressor family's quality or rate settings for a QuickTime quality.
void SetRateControl(AVCodecContext* enc, const CompressorRow& compressor, unsigned quality, AVRational rate,
                    AVDictionary** opts)
{
    switch (compressor.family) {
    case CompressorFamily::QScale:
        enc->flags |= AV_CODEC_FLAG_QSCALE;
        enc->global_quality = FF_QP2LAMBDA * QScaleFor(quality);
        break;
    case CompressorFamily::X264: SetOption(opts, "crf", CrfFor(quality)); break;
    case CompressorFamily::ProRes: SetOption(opts, "profile", compressor.profile); break;
    case CompressorFamily::DNxHR: SetOption(opts, "profile", DNxHRProfileFor(quality)); break;
    case CompressorFamily::LongGOP: {
        enc->bit_rate = compressor.bitRate;
        enc->rc_max_rate = compressor.bitRate;
        // The largest buffer the MPEG-2 high level allows for the layout.
        enc->rc_buffer_size = compressor.pixFmt == AV_PIX_FMT_YUV422P ? 47185920 : 9781248;
        enc->gop_size = int(av_q2d(rate) / 2 + 0.5);
        enc->max_b_frames = 2;
        break;
    }
    case CompressorFamily::IMX:
        enc->gop_size = 1;
        enc->max_b_frames = 0;
        enc->bit_rate = compressor.bitRate;
        enc->rc_min_rate = compressor.bitRate;
        enc->rc_max_rate = compressor.bitRate;
        enc->rc_buffer_size = int(compressor.bitRate / 25);
        enc->rc_initial_buffer_occupancy = enc->rc_buffer_size;
        enc->intra_dc_precision = 2; // 10-bit DC, as IMX decks expect
        enc->qmin = 1;
        enc->qmax = 12; // non-linear quantising takes 28 at most
        SetOption(opts, "intra_vlc", "1");
        SetOption(opts, "non_linear_quant", "1");
        // A lone coding context starts with a small packet that the
        // stuffing of a simple picture (black, a title, bars) outgrows;
        // two slice contexts get the full-size packet on any machine.
        enc->thread_count = std::max(2, av_cpu_count());
        break;
    default: break;
    }
}

} // namespace

std::string FFErrorText(const std::string& what, int err)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {0};
    av_strerror(err, text, sizeof(text));
    return what + ": " + text;
}

CQTMovie::CQTMovie(const char* path) : m_path(path ? path : "")
{
    if (m_path.empty())
        throw QTError(qtParamErr, "no path for the movie file");
    Translated(qtMuxErr, [&] { m_out.reset(new Solvane::CFFOutputFile(m_path, nullptr, "mov", "")); });
    // The FourCC chosen by the caller stands, even where the muxer would pick
    // another tag of the same codec (HDV, XDCAM and IMX are all MPEG-2).
    m_out->Context()->strict_std_compliance = FF_COMPLIANCE_UNOFFICIAL;
    Translated(qtFileErr, [&] { m_out->Create(); });
    m_packet = FF::MakePacket();
}

CQTMovie::~CQTMovie() = default;

void CQTMovie::Release()
{
    delete this;
}

template <typename F> QTErr CQTMovie::Guarded(F&& body) noexcept
{
    try {
        body();
        return qtNoErr;
    } catch (const QTError& e) {
        m_error = e.what();
        return e.Code();
    } catch (const std::bad_alloc&) {
        m_error = "out of memory";
        return kMemFullErr;
    } catch (const std::exception& e) {
        m_error = e.what();
        return qtParamErr;
    } catch (...) {
        m_error = "unknown failure";
        return qtParamErr;
    }
}

void CQTMovie::CheckOpen(bool forNewTrack)
{
    if (m_flattened)
        throw QTError(qtMovieDoneErr, "the movie was already flattened");
    if (forNewTrack && m_out->Begun())
        throw QTError(qtTrackOrderErr, "a track can't be added once samples were written");
}

QTErr CQTMovie::NewVideoTrack(const char* fourCC, unsigned width, unsigned height, unsigned timeScale,
                              unsigned sampleDuration, unsigned quality)
{
    return Guarded([&] {
        CheckOpen(true);
        if (m_video.stream)
            throw QTError(qtTrackOrderErr, "the movie already has a video track");
        const CompressorRow* row = CheckVideoTrack(fourCC, width, height, timeScale, sampleDuration);
        const AVCodec* codec = avcodec_find_encoder_by_name(row->encoder);
        if (!codec)
            throw QTError(qtNoCodecErr, std::string("the installed FFmpeg has no encoder \"") + row->encoder +
                                            "\" for FourCC " + Quote(fourCC));

        AVRational trackRate{int(timeScale), int(sampleDuration)};
        av_reduce(&trackRate.num, &trackRate.den, trackRate.num, trackRate.den, INT32_MAX);
        const CompressorRow compressor = ResolveCompressorRow(*row, height, trackRate);
        unsigned codedW = 0, codedH = 0;
        CodedSize(compressor, width, height, codedW, codedH);
        const AVRational encoderRate = compressor.rate.num ? compressor.rate : trackRate;

        FF::CodecContextPtr enc = FF::MakeCodecContext(codec);
        enc->width = int(codedW);
        enc->height = int(codedH);
        enc->pix_fmt = compressor.pixFmt;
        enc->framerate = encoderRate;
        enc->time_base = av_inv_q(encoderRate);
        const double trackShape = m_shape > 0.0 ? m_shape : double(width) / height;
        const Solvane::PictureArea frame = SetPixelShape(enc.get(), compressor, width, height, m_shape, trackShape);
        if (m_out->NeedsGlobalHeader())
            enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        enc->thread_count = 0;
        SetColoursAndFields(enc.get(), compressor);
        DictOwner opts;
        SetRateControl(enc.get(), compressor, quality, encoderRate, &opts.dict);
        if (codec->capabilities & AV_CODEC_CAP_EXPERIMENTAL)
            enc->strict_std_compliance = FF_COMPLIANCE_EXPERIMENTAL;
        const int err = avcodec_open2(enc.get(), codec, &opts.dict);
        if (err < 0) {
            char rate[32];
            std::snprintf(rate, sizeof(rate), "%.3f", av_q2d(encoderRate));
            throw QTError(qtCodecErr, FFErrorText(std::string("the encoder \"") + row->encoder + "\" refused " +
                                                      Quote(fourCC) + " at " + std::to_string(codedW) + "x" +
                                                      std::to_string(codedH) + ", " + rate + " pictures a second",
                                                  err));
        }

        AVStream* stream = AddVideoStream(enc.get(), fourCC, timeScale, trackRate);
        FF::FramePtr picture = FF::MakeFrame();
        picture->format = enc->pix_fmt;
        picture->width = enc->width;
        picture->height = enc->height;
        picture->sample_aspect_ratio = enc->sample_aspect_ratio;
        if (av_frame_get_buffer(picture.get(), 0) < 0)
            throw std::bad_alloc();

        const AVCodecDescriptor* desc = avcodec_descriptor_get(codec->id);
        m_video.intraOnly = desc && (desc->props & AV_CODEC_PROP_INTRA_ONLY);
        m_video.repeat = FF::MakePacket();
        m_video.stream = stream;
        m_video.encoder = std::move(enc);
        m_video.loop.reset(new Solvane::CFFEncodeLoop(m_video.encoder.get()));
        m_video.picture = std::move(picture);
        m_video.compressor = compressor;
        m_video.frame = frame;
        m_video.trackShape = trackShape;
        m_video.timeScale = timeScale;
        m_video.sampleDuration = sampleDuration;
    });
}

AVStream* CQTMovie::AddVideoStream(const AVCodecContext* enc, const char* fourCC, unsigned timeScale,
                                   AVRational trackRate)
{
    AVStream* stream = nullptr;
    Translated(qtParamErr, [&] { stream = m_out->AddStream(); });
    const int err = avcodec_parameters_from_context(stream->codecpar, enc);
    if (err < 0)
        throw QTError(qtCodecErr, FFErrorText("can't describe the video track", err));
    stream->codecpar->codec_tag = MKTAG(fourCC[0], fourCC[1], fourCC[2], fourCC[3]);
    stream->time_base = AVRational{1, int(timeScale)};
    stream->avg_frame_rate = trackRate;
    stream->sample_aspect_ratio = enc->sample_aspect_ratio;
    return stream;
}

QTErr CQTMovie::NewSoundTrack(int sampleRate, int channels, uint32_t layoutTag)
{
    return Guarded([&] {
        CheckOpen(true);
        if (m_sound.stream)
            throw QTError(qtTrackOrderErr, "the movie already has a sound track");
        if (sampleRate <= 0 || channels <= 0 || channels > 64)
            throw QTError(qtParamErr, "a sound track of " + std::to_string(channels) + " channels at " +
                                          std::to_string(sampleRate) + " Hz can't be made");
        AVStream* stream = nullptr;
        Translated(qtParamErr, [&] { stream = m_out->AddStream(); });
        AVCodecParameters* par = stream->codecpar;
        par->codec_type = AVMEDIA_TYPE_AUDIO;
        par->codec_id = AV_CODEC_ID_PCM_F32LE;
        par->sample_rate = sampleRate;
        if (layoutTag == qtLayoutMono && channels == 1)
            av_channel_layout_from_mask(&par->ch_layout, AV_CH_LAYOUT_MONO);
        else if (layoutTag == qtLayoutStereo && channels == 2)
            av_channel_layout_from_mask(&par->ch_layout, AV_CH_LAYOUT_STEREO);
        else if (layoutTag == qtLayoutMPEG_5_1_A && channels == 6)
            av_channel_layout_from_mask(&par->ch_layout, AV_CH_LAYOUT_5POINT1); // L R C LFE Ls Rs
        else {
            par->ch_layout.order = AV_CHANNEL_ORDER_UNSPEC;
            par->ch_layout.nb_channels = channels;
        }
        par->bits_per_coded_sample = 32;
        par->block_align = 4 * channels;
        par->bit_rate = int64_t(sampleRate) * 32 * channels;
        stream->time_base = AVRational{1, sampleRate};
        m_sound.stream = stream;
        m_sound.channels = channels;
    });
}

void CQTMovie::WriteHeader()
{
    if (m_out->Begun())
        return;
    Solvane::FFOptions options{{"movflags", "+faststart"}};
    if (m_video.stream)
        options.emplace_back("video_track_timescale", std::to_string(m_video.timeScale));
    Translated(qtMuxErr, [&] {
        m_out->SetOptions(options);
        m_out->Begin();
    });
}

QTErr CQTMovie::AddVideoSample(const unsigned char* rgb, unsigned width, unsigned height, unsigned rowBytes,
                               unsigned count)
{
    return Guarded([&] {
        CheckOpen(false);
        if (!m_video.stream)
            throw QTError(qtNoTrackErr, "the movie has no video track");
        if (!rgb || width == 0 || height == 0 || rowBytes < 3 * width)
            throw QTError(qtParamErr, "bad picture: " + std::to_string(width) + "x" + std::to_string(height) + ", " +
                                          std::to_string(rowBytes) + " bytes a row");
        if (count == 0)
            return;
        WriteHeader();

        VideoTrack& v = m_video;
        // The picture at its own shape inside the frame's picture lines.
        Solvane::PictureArea area =
            Solvane::FitPicture(m_shape > 0.0 ? m_shape : v.trackShape, v.frame.width, v.frame.height,
                                v.encoder->sample_aspect_ratio, v.encoder->pix_fmt, v.compressor.interlaced);
        area.y += v.frame.y;
        const bool bars = !Solvane::FillsFrame(area, v.encoder->width, v.encoder->height);
        if (!v.scaler || v.srcWidth != width || v.srcHeight != height || v.area.x != area.x || v.area.y != area.y ||
            v.area.width != area.width || v.area.height != area.height) {
            SwsContext* sws = sws_getContext(int(width), int(height), AV_PIX_FMT_RGB24, area.width, area.height,
                                             v.encoder->pix_fmt, SWS_BICUBIC, nullptr, nullptr, nullptr);
            if (!sws)
                throw QTError(qtCodecErr, "no scaler from " + std::to_string(width) + "x" + std::to_string(height) +
                                              " RGB to " + av_get_pix_fmt_name(v.encoder->pix_fmt));
            v.scaler.reset(sws);
            if (v.encoder->colorspace != AVCOL_SPC_UNSPECIFIED) {
                int srcRange = 0, dstRange = 0, brightness = 0, contrast = 0, saturation = 0;
                int *invTable = nullptr, *table = nullptr;
                sws_getColorspaceDetails(sws, &invTable, &srcRange, &table, &dstRange, &brightness, &contrast,
                                         &saturation);
                const int cs = v.encoder->colorspace == AVCOL_SPC_BT709 ? SWS_CS_ITU709 : SWS_CS_ITU601;
                sws_setColorspaceDetails(sws, invTable, 1, sws_getCoefficients(cs),
                                         v.encoder->color_range == AVCOL_RANGE_JPEG ? 1 : 0, brightness, contrast,
                                         saturation);
            }
            v.srcWidth = width;
            v.srcHeight = height;
            v.area = area;
        }
        if (av_frame_make_writable(v.picture.get()) < 0)
            throw std::bad_alloc();
        if (bars)
            Translated(qtCodecErr, [&] { Solvane::PaintBlack(v.picture.get(), v.encoder->color_range); });
        uint8_t* dst[4];
        Solvane::AreaPlanes(v.picture.get(), area, dst);
        const uint8_t* src[4] = {rgb, nullptr, nullptr, nullptr};
        const int srcStride[4] = {int(rowBytes), 0, 0, 0};
        if (!v.scaled.Scale(v.scaler.get(), src, srcStride, int(height), v.encoder->pix_fmt, area.width, area.height,
                            dst, v.picture->linesize))
            throw std::bad_alloc();

        AVFrame* picture = v.picture.get();
        picture->interlaced_frame = v.compressor.interlaced ? 1 : 0;
        // A fixed quantiser is read from each picture, not from the encoder.
        if (v.encoder->flags & AV_CODEC_FLAG_QSCALE)
            picture->quality = v.encoder->global_quality;
        picture->top_field_first = v.encoder->field_order == AV_FIELD_TT ? 1 : 0;
        if (v.intraOnly) {
            picture->pts = v.nextPicture;
            v.nextPicture += count;
            v.repeats.push_back(count);
            SendPicture(picture, "the picture can't be compressed");
            return;
        }
        for (unsigned i = 0; i < count; ++i) {
            // The encoder may still hold the previous repeat: the copy keeps it intact.
            if (i > 0 && av_frame_make_writable(picture) < 0)
                throw std::bad_alloc();
            picture->pts = v.nextPicture++;
            SendPicture(picture, "the picture can't be compressed");
        }
    });
}

void CQTMovie::SendPicture(const AVFrame* frame, const char* what)
{
    VideoTrack& v = m_video;
    Translated(qtCodecErr, [&] {
        v.loop->Send(frame, what, [&](AVPacket* pkt) {
            unsigned count = 1;
            if (v.intraOnly && !v.repeats.empty()) {
                count = v.repeats.front();
                v.repeats.pop_front();
            }
            const int64_t pts = pkt->pts, dts = pkt->dts;
            for (unsigned k = 0; k < count; ++k) {
                // Every repeat but the last goes out as a reference to the same data.
                AVPacket* out = pkt;
                if (k + 1 < count) {
                    if (av_packet_ref(v.repeat.get(), pkt) < 0)
                        throw std::bad_alloc();
                    out = v.repeat.get();
                }
                WriteVideoPacket(out, pts == AV_NOPTS_VALUE ? pts : pts + k, dts == AV_NOPTS_VALUE ? dts : dts + k);
            }
        });
    });
}

void CQTMovie::WriteVideoPacket(AVPacket* pkt, int64_t pts, int64_t dts)
{
    // Pictures are numbered one by one; each lasts one sample duration.
    VideoTrack& v = m_video;
    pkt->pts = pts == AV_NOPTS_VALUE ? pts : pts * v.sampleDuration;
    pkt->dts = dts == AV_NOPTS_VALUE ? dts : dts * v.sampleDuration;
    pkt->duration = v.sampleDuration;
    pkt->stream_index = v.stream->index;
    // A write failure is the muxer's, not the compressor's.
    try {
        m_out->Write(pkt, AVRational{1, int(v.timeScale)});
    } catch (const CBaseException& e) {
        throw QTError(qtMuxErr, e.GetExceptionMsg());
    }
}

QTErr CQTMovie::AddSoundSamples(const unsigned char* data, unsigned bytes, unsigned sampleCount)
{
    return Guarded([&] {
        CheckOpen(false);
        if (!m_sound.stream)
            throw QTError(qtNoTrackErr, "the movie has no sound track");
        if (sampleCount == 0)
            return;
        const uint64_t need = uint64_t(sampleCount) * 4u * unsigned(m_sound.channels);
        if (!data || bytes < need || need > uint64_t(INT32_MAX))
            throw QTError(qtParamErr, std::to_string(bytes) + " bytes don't hold " + std::to_string(sampleCount) +
                                          " sample frames");
        WriteHeader();
        AVPacket* pkt = m_packet.get();
        if (av_new_packet(pkt, int(need)) < 0)
            throw std::bad_alloc();
        std::memcpy(pkt->data, data, size_t(need));
        const int rate = m_sound.stream->codecpar->sample_rate;
        pkt->pts = pkt->dts = m_sound.nextSample;
        pkt->duration = sampleCount;
        pkt->stream_index = m_sound.stream->index;
        m_sound.nextSample += sampleCount;
        Translated(qtMuxErr, [&] { m_out->Write(pkt, AVRational{1, rate}); });
    });
}

QTErr CQTMovie::GetMediaDataSize(QTTrackKind track, uint64_t* size)
{
    return Guarded([&] {
        if (!size)
            throw QTError(qtParamErr, "no place for the data size");
        const AVStream* stream = track == qtVideoTrack ? m_video.stream : m_sound.stream;
        if (!stream)
            throw QTError(qtNoTrackErr, "the movie has no such track");
        m_out->Stats(stream->index, size, nullptr);
    });
}

bool CQTMovie::HasTrack(QTTrackKind track)
{
    return track == qtVideoTrack ? m_video.stream != nullptr : m_sound.stream != nullptr;
}

QTErr CQTMovie::Flatten()
{
    return Guarded([&] {
        CheckOpen(false);
        if (!m_video.stream && !m_sound.stream)
            throw QTError(qtNoTrackErr, "the movie has no track to write");
        WriteHeader();
        // Pictures the encoder still holds (reordering, look-ahead) go out first.
        if (m_video.loop)
            SendPicture(nullptr, "the compressor can't be drained");
        m_flattened = true;
        Translated(qtMuxErr, [&] { m_out->End(true); });
    });
}

QTErr QTCreateMovieFile(const char* path, IQTMovie** movie, char* errorText, size_t errorTextSize)
{
    auto report = [&](const std::string& text) {
        if (errorText && errorTextSize) {
            std::strncpy(errorText, text.c_str(), errorTextSize - 1);
            errorText[errorTextSize - 1] = 0;
        }
    };
    if (!movie) {
        report("no place for the movie");
        return qtParamErr;
    }
    *movie = nullptr;
    try {
        *movie = new CQTMovie(path);
        report("");
        return qtNoErr;
    } catch (const QTError& e) {
        report(e.what());
        return e.Code();
    } catch (const std::bad_alloc&) {
        report("out of memory");
        return kMemFullErr;
    } catch (...) {
        report("unknown failure");
        return qtParamErr;
    }
}

QTErr QTFindImageCompressor(const char* fourCC, QTCompressorInfo* info, char* errorText, size_t errorTextSize)
{
    auto fail = [&](const std::string& text) {
        if (errorText && errorTextSize) {
            std::strncpy(errorText, text.c_str(), errorTextSize - 1);
            errorText[errorTextSize - 1] = 0;
        }
        return qtNoCodecErr;
    };
    if (!fourCC || strnlen(fourCC, 5) != 4)
        return fail("a FourCC has four characters");
    const CompressorRow* compressor = FindCompressorRow(fourCC);
    if (!compressor || !compressor->encoder)
        return fail("no image compressor for FourCC " + Quote(fourCC) + " in this system");
    if (!avcodec_find_encoder_by_name(compressor->encoder))
        return fail(std::string("the installed FFmpeg has no encoder \"") + compressor->encoder + "\" for FourCC " +
                    Quote(fourCC));
    if (info) {
        info->encoderName = compressor->encoder;
        info->codedWidth = compressor->width;
        info->codedHeight = compressor->height;
    }
    return qtNoErr;
}

} // namespace QTKit
