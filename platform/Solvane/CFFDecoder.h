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
    std::string selected;      // the manager's "SELECTED_DECODER"
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

namespace Solvane {

// Where decoded frames start, in their stream's time base. A frame without a
// time of its own follows the one before it; the places are counted in exact
// rational time from the last timed frame (pictures by the frame rate, sound
// by its samples), so untimed pictures at 23.976 fps do not drift.
class CFramePlacer
{
public:
    // `frameRate` for pictures (0/1 when unknown: 25 fps is assumed); sound
    // passes 0/1 and is placed by its samples.
    void Init(AVRational tb, AVRational frameRate, bool sound, int64_t origin);
    int64_t Place(const AVFrame* frame);
    // After a seek: nothing before to follow.
    void Forget() { m_anchor = kNoTime; m_units = 0; }
    bool HasPrevious() const { return m_anchor != kNoTime; }
    // Where the frame after the last placed one starts.
    int64_t Next() const;

private:
    AVRational m_tb{1, 1};
    AVRational m_unit{1, 25};   // seconds per picture or per sample
    bool m_sound = false;
    int64_t m_origin = 0;
    int64_t m_anchor = kNoTime; // the last timed frame's start
    int64_t m_units = 0;        // pictures or samples since the anchor
};

} // namespace Solvane
