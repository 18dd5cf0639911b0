#pragma once

// The exporter's encoding muxer: raw pictures and sound in, one video and one
// sound stream encoded into the exporter's output file, in one pass or two.

#include "CFFEncodingOutput.h"
#include "CFFStreamEncoder.h"
#include "IAVExporter.h"

#include <cstdint>
#include <memory>

namespace Solvane {

class CFFExporter;

class CFFEncodingMuxer final : public Moorland::IEncodingMuxer
{
public:
    explicit CFFEncodingMuxer(CFFExporter& owner) : m_owner(owner) {}
    ~CFFEncodingMuxer() override;

    bool SetEncodingPass(int passCount) override;
    void SetEncodingThreads(int threads) override;
    bool BeginWriting() override;
    bool WriteVideo(int streamId, Moorland::IRawVideoFrame* frame) override;
    bool WriteAudio(int streamId, Moorland::IRawAudioFrame* frame) override;
    void GetDataRateStats(int streamId, uint64_t* bytes, uint32_t* ms) override;
    void EndWriting() override;

    // Closes a file still being written, without its trailer.
    void Abandon();

private:
    void Origin(int64_t t100ns);

    CFFExporter& m_owner;
    CFFEncodingOutput m_output;
    int m_threads = 0;
    bool m_failed = false;
    bool m_writing = false;
    int m_pass = 0;
    int64_t m_origin = INT64_MIN;
    std::unique_ptr<CFFStreamEncoder> m_video;
    std::unique_ptr<CFFStreamEncoder> m_audio;
};

} // namespace Solvane
