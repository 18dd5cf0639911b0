#include "CFFEncodeLoop.h"

#include "CBaseException.h"
#include "FFErrors.h"

namespace Solvane {

CFFEncodeLoop::CFFEncodeLoop(AVCodecContext* encoder) : m_encoder(encoder), m_packet(FF::MakePacket()) {}

void CFFEncodeLoop::Send(const AVFrame* frame, const char* what, const Sink& sink)
{
    // A second end is no failure: the encoder has ended already.
    int err = avcodec_send_frame(m_encoder, frame);
    if (err < 0 && err != AVERROR_EOF)
        QB_THROW_AV(QB_ERR_MEDIA, what, err);
    AVPacket* packet = m_packet.get();
    for (;;) {
        err = avcodec_receive_packet(m_encoder, packet);
        if (err == AVERROR(EAGAIN) || err == AVERROR_EOF)
            return;
        if (err < 0)
            QB_THROW_AV(QB_ERR_MEDIA, what, err);
        try {
            sink(packet);
        } catch (...) {
            av_packet_unref(packet);
            throw;
        }
        av_packet_unref(packet);
    }
}

} // namespace Solvane
