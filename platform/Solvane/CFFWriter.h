#pragma once

// The write core shared by every muxer of the exporter: one output file on
// libavformat (a path or a caller's stream), and one encoder per stream on
// libavcodec that turns the media layer's raw frames into packets. The
// encoder follows FFmpeg's own loop: send a frame, receive packets until
// EAGAIN or the end, rescale each packet to its stream's time base and hand
// it to the interleaving writer; a null frame flushes.

#include "CFFExportSettings.h"
#include "FFOwners.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

extern "C" {
#include <libavutil/audio_fifo.h>
}

class IQuentaStream;

namespace Moorland {
class IRawVideoFrame;
class IRawAudioFrame;
struct AudioFormatInfo;
}

namespace Solvane {

struct AudioFifoDeleter {
    void operator()(AVAudioFifo* fifo) const { av_audio_fifo_free(fifo); }
};

class CFFOutputFile
{
public:
    static constexpr int kMaxStreams = 64;

    // `path` names the file (and, with `format` empty, the muxer); a non-null
    // `stream` receives the bytes instead. Throws when no muxer fits.
    CFFOutputFile(const std::string& path, IQuentaStream* stream, const std::string& format,
                  const std::string& extension);
    ~CFFOutputFile();
    CFFOutputFile(const CFFOutputFile&) = delete;
    CFFOutputFile& operator=(const CFFOutputFile&) = delete;

    AVFormatContext* Context() const { return m_ctx.get(); }
    const std::string& Path() const { return m_path; }
    bool NeedsGlobalHeader() const;
    AVStream* AddStream();
    // The muxer's options of the profile; before Begin.
    void SetOptions(const FFOptions& options);
    // Opens the file and writes the header.
    void Begin();
    bool Begun() const { return m_begun; }
    // Takes the packet's data: rescales from `from` to the stream's time base
    // and writes it interleaved. Throws with the file's name on a failure.
    void Write(AVPacket* packet, AVRational from);
    // Writes the trailer (only with `success`) and closes the file.
    void End(bool success);
    // Bytes and milliseconds written so far for one stream; safe from any thread.
    void Stats(int index, uint64_t* bytes, uint32_t* ms) const;

private:
    struct StreamStats
    {
        std::atomic<uint64_t> bytes{0};
        std::atomic<uint32_t> ms{0};
    };

    std::string m_path;
    IQuentaStream* m_stream = nullptr;
    FF::OutputFormatPtr m_ctx;
    FF::AVIOContextPtr m_customIO;
    bool m_begun = false;
    bool m_ended = false;
    StreamStats m_stats[kMaxStreams];
};

// Hands a profile's FFmpeg options to an encoder or a muxer before it opens;
// throws, naming the option, for one FFmpeg does not know or a refused value.
// `what` names the object in the text ("video encoder libx264").
void ApplyOptions(AVCodecContext* c, const FFOptions& options, const std::string& what);
void ApplyOptions(AVFormatContext* ctx, const FFOptions& options, const std::string& what);

// The encoder name for a profile's codec name; throws for a name no encoder
// of this build knows.
const AVCodec* FindEncoder(const std::string& name, const AVOutputFormat* format, bool video);

// How many passes an encoding muxer's job runs, and which one it is in.
struct CFFPassCount
{
    int count = 1;
    int index = 0;

    // A new count starts the counting afresh; throws while writing or for
    // a count below 0.
    void Set(bool writing, int passCount);
    // Counts a new pass and gives the encoders' pass: 0 for a single pass,
    // 1 for a first (statistics) pass, 2 for the last. Only output that
    // encodes video runs more than one.
    int Next(bool encodesVideo);
};

class CFFStreamEncoder
{
public:
    using Sink = std::function<void(AVPacket*, AVRational)>;

    // `pass`: 0 single pass, 1 the first of two (nothing is written, the
    // statistics are gathered into *stats), 2 the second (reads *stats).
    // A null `out` makes an encoder whose packets go nowhere (a first pass).
    // libx264 keeps its statistics in `statsFile`; other encoders in *stats.
    static std::unique_ptr<CFFStreamEncoder> Video(const VideoExportSettings& settings, CFFOutputFile* out,
                                                   int threads, int pass, const std::string& statsFile,
                                                   std::string* stats);
    static std::unique_ptr<CFFStreamEncoder> Audio(const AudioExportSettings& settings, CFFOutputFile* out,
                                                   int threads);
    ~CFFStreamEncoder();

    int StreamIndex() const { return m_stream ? m_stream->index : -1; }
    // Time stamps count from `origin` (100 ns), the job's first frame.
    void SendVideo(Moorland::IRawVideoFrame* frame, int64_t origin100ns, const Sink& sink);
    void SendAudio(Moorland::IRawAudioFrame* frame, int64_t origin100ns, const Sink& sink);
    void Flush(const Sink& sink);
    // What an encoder whose packets go nowhere (a first pass) has made so
    // far: their bytes and the end of the latest in ms from the origin.
    // Safe to call from another thread.
    void DiscardedStats(uint64_t* bytes, uint32_t* ms) const;

private:
    CFFStreamEncoder() = default;
    void Encode(AVFrame* frame, const Sink& sink);
    void DrainFifo(bool final, const Sink& sink);

    FF::CodecContextPtr m_enc;
    AVStream* m_stream = nullptr;
    bool m_video = true;
    int m_pass = 0;
    std::string* m_passStats = nullptr;
    std::atomic<uint64_t> m_discardedBytes{0};
    std::atomic<uint32_t> m_discardedMs{0};
    FF::PacketPtr m_packet;
    FF::FramePtr m_frame;
    // video
    FF::SwsPtr m_sws;
    int m_srcW = 0, m_srcH = 0, m_srcFmt = -1;
    int64_t m_lastPts = INT64_MIN;
    // audio
    FF::SwrPtr m_swr;
    std::unique_ptr<AVAudioFifo, AudioFifoDeleter> m_fifo;
    int m_inRate = 0, m_inChannels = 0, m_inFmt = -1;
    int64_t m_nextSample = INT64_MIN;
    bool m_flushed = false;
};

} // namespace Solvane
