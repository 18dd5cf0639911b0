#pragma once

// "FFExporter": writes one output file on libavformat. It takes the job
// profile, is opened on a path or a caller's stream, describes the streams it
// will write and hands out its muxers: the encoding muxer (raw frames in,
// one or two passes), the no-encoding muxer (compressed packets copied
// unchanged) and the multi-stream muxer (each stream encoded or copied).
// A muxer's file is written at its BeginWriting and finished at its
// EndWriting; an exporter closed before that leaves the file without its
// trailer, never finished by accident.

#include "CFFEncodingMuxer.h"
#include "CFFExportSettings.h"
#include "CFFMultiMuxer.h"
#include "CFFNoEncodingMuxer.h"
#include "CFFOutputFile.h"
#include "CFFStreamEncoder.h"
#include "IAVExporter.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Solvane {

class CFFExporter final : public Moorland::IAVExporter
{
public:
    static const char* const kName; // "FFExporter"

    CFFExporter();
    ~CFFExporter() override;
    CFFExporter(const CFFExporter&) = delete;
    CFFExporter& operator=(const CFFExporter&) = delete;

    // What SetProfile stores, for callers that hold no profile object.
    void SetSettings(const ExportSettings& settings);
    const ExportSettings& Settings() const { return m_settings; }
    const std::string& Path() const { return m_path; }
    IQuentaStream* Stream() const { return m_stream; }
    // Ids of the output's streams, -1 for none.
    int VideoStreamId() const { return m_videoId; }
    int AudioStreamId() const { return m_audioId; }
    void RequireOpen() const;
    // What a muxer finished writing: stream `index` of `file` is output
    // stream `streamId`. Forgotten when writing begins again.
    void NoteWritten(int streamId, const CFFOutputFile& file, int index);
    void ForgetWritten() { m_written.clear(); }

    bool SetProfile(IProfile* profile) override;
    bool Open(const char* path) override;
    bool OpenOutputStream(IQuentaStream* stream) override;
    Moorland::MovieInfo* GetOutputMovieInfo() override;
    Moorland::IEncodingMuxer* GetEncodingMuxer() override;
    Moorland::INoEncodingMuxer* GetNoEncodingMuxer() override;
    void Close() override;
    void Release() override;
    Moorland::IMultiMuxer2* GetMultiMuxer() override;
    bool GetWrittenStream(int streamId, Moorland::WrittenStreamInfo* info) override;

private:
    void Describe();
    void FreeDescription();

    ExportSettings m_settings;
    bool m_hasSettings = false;
    bool m_open = false;
    std::string m_path;
    IQuentaStream* m_stream = nullptr;
    int m_videoId = -1;
    int m_audioId = -1;
    Moorland::MovieInfo m_info{};
    std::unique_ptr<CFFEncodingMuxer> m_encoding;
    std::unique_ptr<CFFNoEncodingMuxer> m_copying;
    std::unique_ptr<CFFMultiMuxer> m_multi;
    std::map<int, Moorland::WrittenStreamInfo> m_written; // by output stream id
};

// Helpers of the muxers that write streams without encoding them.
// The stream's codec header, copied into the parameters.
void SetCopiedHeader(AVCodecParameters* par, const std::vector<uint8_t>& header);
// The source's sound format, as the parameters of a copied sound stream.
void SetCopiedAudioFormat(AVCodecParameters* par, const Moorland::AudioFormatInfo& format);
// Time bases of copied streams; each returns one packet's duration in 100 ns
// units (0 when unknown).
int64_t SetCopiedVideoTiming(AVStream* st, double frameRate);
int64_t SetCopiedAudioTiming(AVStream* st);
// The packet's data and key flag, copied into `p` (times are the caller's).
void CopyCompressedFrame(AVPacket* p, Moorland::ICompressedFrame* packet);

} // namespace Solvane
