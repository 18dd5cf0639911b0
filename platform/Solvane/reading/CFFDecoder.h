#pragma once

// The one decoder of the media manager, shared by every decoding source.
//
// What a user of it may rely on:
// - The decoder the user chose (a hardware one for H.264) is tried first;
//   the built-in software decoder stands in when it is missing or refuses
//   the stream. Video decodes on all cores unless told otherwise.
// - Send() gives a packet (null: the end of the data). A packet the decoder
//   refuses as damaged is counted and logged, never fatal by itself.
// - Receive() answers Frame, NeedData or Ended. A decoder that fails on
//   packet after packet (nothing recovers) throws: that is a failure, not
//   the end of the stream.
// - Counters of damaged packets and pictures; the totals are logged when
//   the decoder closes.

#include "FFOwners.h"
#include "SolvaneFF.h"
#include "SolvaneFFLog.h"

#include <string>

namespace Solvane {

struct DecoderChoice
{
    std::string selected; // the manager's "SELECTED_DECODER"
    bool multiThread = true;
};

class CFFDecoder
{
public:
    enum class Result { Frame, NeedData, Ended };

    // Throws when no decoder can open the stream.
    CFFDecoder(const AVStream* st, const DecoderChoice& choice, const std::string& path);
    ~CFFDecoder();
    CFFDecoder(const CFFDecoder&) = delete;
    CFFDecoder& operator=(const CFFDecoder&) = delete;

    AVCodecContext* Context() const { return m_ctx.get(); }
    bool IsVideo() const { return m_ctx->codec_type == AVMEDIA_TYPE_VIDEO; }

    void Send(const AVPacket* packet);
    Result Receive(AVFrame* frame);
    // Forgets everything sent (after a seek); the counters stay.
    void Flush();
    // Pictures no other picture is decoded from are not decoded while on.
    void SkipNonReference(bool on) { m_ctx->skip_frame = on ? AVDISCARD_NONREF : AVDISCARD_DEFAULT; }
    bool EndSent() const { return m_endSent; }

    unsigned DamagedPackets() const { return m_damagedPackets; }
    unsigned DamagedFrames() const { return m_damagedFrames; }

private:
    [[noreturn]] void Broken(int err);

    FF::CodecContextPtr m_ctx;
    std::string m_path;
    CFFLogName m_logName;
    bool m_endSent = false;
    unsigned m_damagedPackets = 0;
    unsigned m_damagedFrames = 0;
    unsigned m_failuresInRow = 0;
};

} // namespace Solvane
