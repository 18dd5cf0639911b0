#pragma once

// The one demuxer of the media manager. Every source (decoding, packets,
// multi-stream) and the exporter's stream copy read files through it, so the
// end of a file, a failure and a seek mean the same thing everywhere.
//
// What a user of it may rely on:
// - Construction opens and probes the file and throws a CBaseException whose
//   text carries the real cause (missing, empty, a folder, no media, too many
//   open files …). Every long FFmpeg call checks a stop flag through the
//   interrupt callback: Stop() from any thread makes the running and every
//   later call fail with "Stopped".
// - Use() lists the streams wanted; the demuxer itself drops the others.
// - Read() answers Packet, End or Failed. End is only the real end of the
//   data: an I/O error, a remainder the demuxer cannot read, or data that
//   stops well short of what the file's own header promises (a cut file) is
//   Failed, with an error (file, time reached, FFmpeg's text) kept until the
//   next seek. Packets read before the failure were all handed out.
// - Seek() moves to a key frame at or before a time; SeekWithBackoff() is the
//   one policy for coming again from earlier when the landing is too late.
// - FFmpeg's own messages about this file go to the log naming the file.

#include "CBaseException.h"
#include "FFOwners.h"
#include "SolvaneFF.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Solvane {

// The length of a stream as its container states it (its time base), from
// the stream's own header, count or tag; AV_NOPTS_VALUE when the container
// says none (a guess from the bit rate is none).
int64_t PromisedDuration(const AVFormatContext* ctx, const AVStream* st);

// Whether the format's header states a length before the data is written
// (WAV, AIFF, ASF): such a length may fall short of the data or exceed it.
bool HeaderLengthIsGuess(const AVFormatContext* ctx);

// Whether packets read after a byte seek carry the times of their place in
// the file (Matroska, FLV, Ogg, MPEG streams), not times counted from the
// place reading began.
bool TimesSurviveByteSeek(const AVFormatContext* ctx);

// What tells that a file's data stops well before the length its header
// states (a cut download or copy, or one that took its room at full size
// and holds only zeros from where it stopped, which the text names): "the
// data ends at 1.52 s of the 3.04 s its header states ..."; empty when it
// reaches its end or a cheap look can't tell. Looks only at the index and
// the last stretch of the file's data, never decodes; may move the read
// position, and then sets *moved.
std::string DataCutShort(AVFormatContext* ctx, bool* moved = nullptr);

class CFFDemuxer
{
public:
    enum class ReadResult { Packet, End, Failed };

    explicit CFFDemuxer(const std::string& path);
    ~CFFDemuxer();
    CFFDemuxer(const CFFDemuxer&) = delete;
    CFFDemuxer& operator=(const CFFDemuxer&) = delete;

    const std::string& Path() const { return m_path; }
    AVFormatContext* Context() const { return m_ctx.get(); }
    unsigned StreamCount() const { return m_ctx->nb_streams; }
    // Throws when the index is not a stream of the file (it changed since
    // it was probed).
    AVStream* Stream(int index) const;

    // Streams read from now on; the others are discarded.
    void Use(const std::vector<int>& indexes);
    // Sets the movie start (AV_TIME_BASE units) times are counted from in
    // error texts.
    void SetOrigin(int64_t origin) { m_origin = origin; }
    // Where each stream ended when its file was opened (its time base, one
    // entry a stream, AV_NOPTS_VALUE unknown): found from the last packets
    // of a file that states no length of its own. The end of the data is
    // measured against it as against a length the header states.
    void SetStatedEnds(const std::vector<int64_t>& ends) { m_statedEnds = ends; }
    int64_t Origin() const { return m_origin; }

    ReadResult Read(AVPacket* packet);
    bool Failed() const { return m_failed; }
    // Throws the recorded failure; nothing when there is none.
    void ThrowIfFailed() const;

    // Moves to the key frame of stream `index` at or before `ts` (its time
    // base), or with `fromFileStart` to the start of the file: of every
    // stream read, also of one stored ahead of stream `index`. Clears a
    // recorded failure. Throws when the file can't seek at all.
    void Seek(int index, int64_t ts, bool fromFileStart, uint32_t ms);

    // The back-off policy of every seek: `tryOnce(backoffMs, fromFileStart)`
    // seeks `backoffMs` before the target and answers whether the landing
    // was good; a late landing is tried again 1, 4 and 16 s earlier, and at
    // last from the file start, whose landing is always taken.
    static void SeekWithBackoff(uint32_t ms, const std::function<bool(int64_t, bool)>& tryOnce);

    // Any thread: makes FFmpeg's running and later calls on this file give up.
    void Stop() { m_stop.store(true); }
    bool Stopped() const { return m_stop.load(); }
    // FFmpeg's calls on this file give up (as after a stop) once `seconds`
    // have passed from now; 0 lifts the limit. A look at a file's end that
    // only damage makes long must not hold the one who waits for it.
    void GiveUpAfter(double seconds);

private:
    static int Interrupt(void* opaque);
    void Fail(const std::string& what, int err);
    // The end of the data: true when it is really the end of the file.
    bool EndIsReal();
    // The stream read whose start lies first in the file, and its start:
    // `index` and its start unless another starts strictly before it.
    int FirstInFile(int index, int64_t* ts) const;
    // Damaged transport streams announce new streams while they are read:
    // the per-stream records grow with them, and a stream that came late
    // is not read.
    void FollowStreams();

    std::string m_path;
    FF::InputFormatPtr m_ctx;
    std::atomic<bool> m_stop{false};
    std::atomic<int64_t> m_giveUpAt{0}; // steady clock, ns; 0: never
    std::vector<bool> m_used;
    std::vector<int64_t> m_reached; // per stream: end of the last packet read (its time base)
    std::vector<int64_t> m_statedEnds;
    int64_t m_origin = 0;
    bool m_failed = false;
    std::unique_ptr<CBaseException> m_error;
};

} // namespace Solvane
