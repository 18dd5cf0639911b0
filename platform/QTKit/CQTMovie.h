#pragma once

#include "QTCompressors.h"
#include "QTMovie.h"

#include "FFOwners.h"
#include "FFScale.h"
#include "FFPictureArea.h"

#include <memory>

#include <deque>
#include <stdexcept>
#include <string>

namespace Solvane {
class CFFEncodeLoop;
class CFFOutputFile;
} // namespace Solvane

namespace QTKit {

// A failure inside the layer: the error number and its text. Caught at the
// movie's own boundary and kept as its last failure.
class QTError : public std::runtime_error
{
public:
    QTError(QTErr code, const std::string& text) : std::runtime_error(text), m_code(code) {}
    QTErr Code() const { return m_code; }

private:
    QTErr m_code;
};

// "<what>: <FFmpeg's text for err>".
std::string FFErrorText(const std::string& what, int err);

// One movie file written through libavformat's QuickTime muxer, on the media
// layer's writing core: its output file and its encoding loop, the ones the
// exporter writes with. The header goes out with the first sample, so every
// track is made before it; the muxer moves the movie header ahead of the
// media data when the movie is flattened.
class CQTMovie final : public IQTMovie
{
public:
    // Opens the file for writing; throws QTError.
    explicit CQTMovie(const char* path);
    CQTMovie(const CQTMovie&) = delete;
    CQTMovie& operator=(const CQTMovie&) = delete;
    ~CQTMovie();

    void Release() override;
    QTErr NewVideoTrack(const char* fourCC, unsigned width, unsigned height, unsigned timeScale,
                        unsigned sampleDuration, unsigned quality) override;
    QTErr AddVideoSample(const unsigned char* rgb, unsigned width, unsigned height, unsigned rowBytes,
                         unsigned count) override;
    QTErr NewSoundTrack(int sampleRate, int channels, uint32_t layoutTag) override;
    QTErr AddSoundSamples(const unsigned char* data, unsigned bytes, unsigned sampleCount) override;
    QTErr GetMediaDataSize(QTTrackKind track, uint64_t* size) override;
    bool HasTrack(QTTrackKind track) override;
    QTErr Flatten() override;
    const char* GetErrorText() override { return m_error.c_str(); }
    void SetPictureShape(double shape) override { m_shape = shape > 0.0 ? shape : 0.0; }

private:
    template <typename F> QTErr Guarded(F&& body) noexcept;

    void CheckOpen(bool forNewTrack);
    // The video track's stream, described by its opened encoder.
    AVStream* AddVideoStream(const AVCodecContext* enc, const char* fourCC, unsigned timeScale, AVRational trackRate);
    void WriteHeader();
    // Compresses one picture (null: the end) and writes what comes out.
    void SendPicture(const AVFrame* frame, const char* what);
    // Writes one compressed picture as the sample at picture number pts (dts).
    void WriteVideoPacket(AVPacket* pkt, int64_t pts, int64_t dts);

    std::string m_path;
    std::unique_ptr<Solvane::CFFOutputFile> m_out;
    FF::PacketPtr m_packet;
    bool m_flattened = false;
    std::string m_error;
    double m_shape = 0.0; // of the pictures to come; 0: the track's

    struct VideoTrack
    {
        AVStream* stream = nullptr; // owned by m_out
        FF::CodecContextPtr encoder;
        std::unique_ptr<Solvane::CFFEncodeLoop> loop;
        FF::SwsPtr scaler;
        FF::CScaledCopy scaled; // the scaler's own picture, copied into the area
        FF::FramePtr picture;
        CompressorRow compressor{};
        unsigned timeScale = 0;
        unsigned sampleDuration = 0;
        int64_t nextPicture = 0;
        // An intra-only compressor codes a repeated picture once; its sample
        // is then added as often as the picture repeats (counts in coding order).
        bool intraOnly = false;
        std::deque<unsigned> repeats;
        FF::PacketPtr repeat;
        // the scaler's source size and the place it draws into, to make a new
        // one when either changes
        unsigned srcWidth = 0, srcHeight = 0;
        Solvane::PictureArea area;
        // where pictures go in the coded frame (IMX keeps lines above it) and
        // the shape a picture has when none was set
        Solvane::PictureArea frame;
        double trackShape = 0.0;
    } m_video;

    struct SoundTrack
    {
        AVStream* stream = nullptr;
        int channels = 0;
        int64_t nextSample = 0;
    } m_sound;
};

} // namespace QTKit
