#include "CFFDecoder.h"

#include "CBaseException.h"

extern "C" {
#include <libavutil/hwcontext.h>
}

namespace Solvane {

namespace {

// Whether the machine has the device a hardware decoder needs; asked once.
bool HasDevice(AVHWDeviceType type)
{
    AVBufferRef* device = nullptr;
    const bool ok = av_hwdevice_ctx_create(&device, type, nullptr, nullptr, 0) >= 0;
    av_buffer_unref(&device);
    return ok;
}

bool HasCudaDevice()
{
    static const bool has = HasDevice(AV_HWDEVICE_TYPE_CUDA);
    return has;
}

bool HasQsvDevice()
{
    static const bool has = HasDevice(AV_HWDEVICE_TYPE_QSV);
    return has;
}

// Damaged packets one after another with nothing decoded between them: the
// stream is unreadable from here on, not occasionally damaged.
const unsigned kMaxFailuresInRow = 200;

FF::CodecContextPtr OpenWith(const AVCodec* codec, const AVStream* st, bool video, bool multiThread, int* err)
{
    FF::CodecContextPtr ctx = FF::MakeCodecContext(codec);
    *err = avcodec_parameters_to_context(ctx.get(), st->codecpar);
    if (*err < 0)
        return nullptr;
    ctx->pkt_timebase = st->time_base;
    if (video) {
        ctx->thread_count = multiThread ? 0 : 1;
        ctx->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    }
    *err = avcodec_open2(ctx.get(), codec, nullptr);
    return *err < 0 ? nullptr : std::move(ctx);
}

} // namespace

CFFDecoder::CFFDecoder(const AVStream* st, const DecoderChoice& choice, const std::string& path) : m_path(path)
{
    const AVCodecParameters* par = st->codecpar;
    const bool video = par->codec_type == AVMEDIA_TYPE_VIDEO;
    const AVCodec* software = avcodec_find_decoder(par->codec_id);
    const AVCodec* chosen = nullptr;
    // A hardware decoder the user chose is tried first; the built-in software
    // decoder stands in whenever it is missing or refuses the stream.
    if (video && par->codec_id == AV_CODEC_ID_H264) {
        if (choice.selected == "CUDA_DECODER" && HasCudaDevice())
            chosen = avcodec_find_decoder_by_name("h264_cuvid");
        else if (choice.selected == "INTEL_DECODER" && HasQsvDevice())
            chosen = avcodec_find_decoder_by_name("h264_qsv");
    }
    int err = 0;
    if (chosen && chosen != software)
        m_ctx = OpenWith(chosen, st, video, choice.multiThread, &err);
    if (!m_ctx) {
        if (!software)
            QB_THROW(QB_ERR_MEDIA, std::string("No decoder for ") + avcodec_get_name(par->codec_id) + " in " + path);
        m_ctx = OpenWith(software, st, video, choice.multiThread, &err);
        if (!m_ctx)
            QB_THROW_AV(QB_ERR_MEDIA, std::string("Can't open the decoder ") + software->name + " for " + path, err);
    }
    m_logName.Set(m_ctx.get(), path);
}

CFFDecoder::~CFFDecoder()
{
    if (m_damagedPackets > 0 || m_damagedFrames > 0)
        av_log(m_ctx.get(), AV_LOG_WARNING, "%u damaged packets and %u damaged pictures or blocks decoded\n",
               m_damagedPackets, m_damagedFrames);
}

void CFFDecoder::Broken(int err)
{
    QB_THROW_AV(QB_ERR_MEDIA,
                "The " + std::string(avcodec_get_name(m_ctx->codec_id)) + " stream of " + m_path +
                    " can't be decoded any further",
                err);
}

void CFFDecoder::Send(const AVPacket* packet)
{
    if (!packet) {
        if (m_endSent)
            return;
        m_endSent = true;
    }
    const int err = avcodec_send_packet(m_ctx.get(), packet);
    if (err >= 0 || err == AVERROR_EOF)
        return;
    if (err == AVERROR(EAGAIN))
        QB_THROW(QB_ERR_UNEXPECTED, "The decoder was given data before its pictures were taken");
    if (err == AVERROR(ENOMEM))
        throw std::bad_alloc();
    // A damaged packet: the decoder goes on with the next one.
    ++m_damagedPackets;
    if (++m_failuresInRow > kMaxFailuresInRow)
        Broken(err);
}

CFFDecoder::Result CFFDecoder::Receive(AVFrame* frame)
{
    for (;;) {
        const int err = avcodec_receive_frame(m_ctx.get(), frame);
        if (err >= 0) {
            m_failuresInRow = 0;
            if (frame->decode_error_flags || (frame->flags & AV_FRAME_FLAG_CORRUPT))
                ++m_damagedFrames;
            return Result::Frame;
        }
        if (err == AVERROR(EAGAIN))
            return Result::NeedData;
        if (err == AVERROR_EOF)
            return Result::Ended;
        if (err == AVERROR(ENOMEM))
            throw std::bad_alloc();
        // A picture that failed to decode (frame threads report it here).
        ++m_damagedPackets;
        if (++m_failuresInRow > kMaxFailuresInRow)
            Broken(err);
    }
}

void CFFDecoder::Flush()
{
    avcodec_flush_buffers(m_ctx.get());
    m_endSent = false;
    m_failuresInRow = 0;
}

} // namespace Solvane
