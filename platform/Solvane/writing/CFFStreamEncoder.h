#pragma once

// One encoder of an exporter's stream on libavcodec: turns the media layer's
// raw frames into packets through the one encoding loop (CFFEncodeLoop) and
// hands them on in the encoder's time base, for the output file
// (CFFOutputFile) to rescale and interleave; a null frame flushes.

#include "CFFExportSettings.h"
#include "CFFOutputFile.h"
#include "CFFPassCount.h"
#include "FFOwners.h"
#include "FFScale.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

extern "C" {
#include <libavutil/audio_fifo.h>
}

namespace Moorland {
class IRawVideoFrame;
class IRawAudioFrame;
struct AudioFormatInfo;
} // namespace Moorland

namespace Solvane {

class CFFEncodeLoop;

struct AudioFifoDeleter
{
    void operator()(AVAudioFifo* fifo) const { av_audio_fifo_free(fifo); }
};

// The encoder name for a profile's codec name; throws for a name no encoder
// of this build knows.
const AVCodec* FindEncoder(const std::string& name, const AVOutputFormat* format, bool video);
// Whether the encoder gathers statistics in a first pass that a second pass
// reads; another encoder makes the same stream in every pass.
bool KeepsPassStatistics(const AVCodec* codec);

class CFFStreamEncoder
{
public:
    using Sink = std::function<void(AVPacket*, AVRational)>;

    // `pass`: 0 single pass, 1 the first of two (nothing is written, the
    // statistics are gathered into *stats), 2 the second (reads *stats).
    // A null `out` makes an encoder whose packets go nowhere (a first pass).
    // libx264 keeps its statistics in `statsFile`; other encoders in *stats.
    static std::unique_ptr<CFFStreamEncoder> Video(const VideoExportSettings& settings, CFFOutputFile* out, int threads,
                                                   int pass, const std::string& statsFile, std::string* stats);
    static std::unique_ptr<CFFStreamEncoder> Audio(const AudioExportSettings& settings, CFFOutputFile* out,
                                                   int threads);
    ~CFFStreamEncoder();

    int StreamIndex() const { return m_stream ? m_stream->index : -1; }
    // Time stamps count from `origin` (100 ns), the job's first frame.
    void SendVideo(Moorland::IRawVideoFrame* frame, int64_t origin100ns, const Sink& sink);
    void SendAudio(Moorland::IRawAudioFrame* frame, int64_t origin100ns, const Sink& sink);
    void Flush(const Sink& sink);
    // Whether any sound came to this encoder.
    bool HasSound() const { return m_nextSample != INT64_MIN; }
    // Where the pictures sent so far end, in 100 ns from the origin; 0 before any.
    int64_t PicturesEnd100ns() const;
    // Silence from the origin to `end100ns`, for a sound track the file
    // must hold though its source has no sound.
    void SendSilence(int64_t end100ns, const Sink& sink);
    // For a container that carries pictures and sound together from its
    // start (DV): a stream that starts late is led in from the origin, the
    // pictures by their first one, the sound by silence.
    void LeadIn() { m_leadIn = true; }
    // Where the sound sent so far ends, in 100 ns from the origin; 0 before any.
    int64_t SoundEnd100ns() const;
    // Shows the last picture on to `end100ns` (the sound lasts longer).
    void HoldPictureTo(int64_t end100ns, const Sink& sink);
    // What an encoder whose packets go nowhere (a first pass) has made so
    // far: their bytes and the end of the latest in ms from the origin.
    // Safe to call from another thread.
    void DiscardedStats(uint64_t* bytes, uint32_t* ms) const;

private:
    CFFStreamEncoder() = default;
    void Encode(AVFrame* frame, const Sink& sink);
    // Encodes a picture at an output frame time, after the previous picture
    // shown again for the times between.
    void Place(FF::FramePtr frame, int64_t pts, const Sink& sink);
    // A picture of the encoder's size and layout, its pixels not set.
    FF::FramePtr NewPicture(const AVCodecContext* c);
    void DrainFifo(bool final, const Sink& sink);
    // Places a picture still held for being far ahead, at the end.
    void PlaceHeld(const Sink& sink);
    // Encodes this many samples of silence after the sound waiting for the encoder.
    void WriteSilence(int64_t samples, const Sink& sink);

    FF::CodecContextPtr m_enc;
    AVStream* m_stream = nullptr;
    bool m_video = true;
    int m_pass = 0;
    std::string* m_passStats = nullptr;
    std::atomic<uint64_t> m_discardedBytes{0};
    std::atomic<uint32_t> m_discardedMs{0};
    std::unique_ptr<CFFEncodeLoop> m_loop;
    FF::FramePtr m_frame;
    // video
    FF::SwsPtr m_sws;
    FF::CScaledCopy m_scaled; // the scaler's own picture, copied into the area
    int m_srcW = 0, m_srcH = 0, m_srcFmt = -1;
    int64_t m_lastPts = INT64_MIN;
    FF::FramePtr m_held; // a picture far ahead of the last, until the next one tells
    static constexpr int kPictureAlign = 64;
    FF::CPicturePool m_pictures{kPictureAlign}; // the pictures the encoder is handed
    int64_t m_heldPts = 0;
    // audio
    FF::SwrPtr m_swr;
    std::unique_ptr<AVAudioFifo, AudioFifoDeleter> m_fifo;
    int m_inRate = 0, m_inChannels = 0, m_inFmt = -1;
    int64_t m_nextSample = INT64_MIN;
    bool m_flushed = false;
    bool m_leadIn = false;
};

} // namespace Solvane
