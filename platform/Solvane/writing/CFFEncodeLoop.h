#pragma once

// FFmpeg's own encoding loop, the one every encoder of the media layer runs
// (the exporter's streams and the QuickTime plug-in's pictures): a frame goes
// in (null: the end, which drains what the encoder still holds), then packets
// come out until the encoder wants more or has ended. Each packet goes to the
// sink in the encoder's time base and is let go after it. An encoder that
// refuses throws CBaseException (QB_ERR_MEDIA) "<what>: <FFmpeg's reason>".

#include "FFOwners.h"

#include <functional>

namespace Solvane {

class CFFEncodeLoop
{
public:
    using Sink = std::function<void(AVPacket*)>;

    // The encoder stays the caller's and must outlive the loop.
    explicit CFFEncodeLoop(AVCodecContext* encoder);
    CFFEncodeLoop(const CFFEncodeLoop&) = delete;
    CFFEncodeLoop& operator=(const CFFEncodeLoop&) = delete;

    void Send(const AVFrame* frame, const char* what, const Sink& sink);

private:
    AVCodecContext* m_encoder;
    FF::PacketPtr m_packet;
};

} // namespace Solvane
