#pragma once

// The QuickTime exporter's encoding muxer: raw frames handed to the plug-in's
// movie writer, one movie per BeginWriting/EndWriting.

#include "IAVExporter.h"

#include <cstdint>
#include <string>

class IOrlendar;

namespace Solvane {

class CQTExporter;

class CQTEncodingMuxer final : public Moorland::IEncodingMuxer
{
public:
    explicit CQTEncodingMuxer(CQTExporter& owner) : m_owner(owner) {}
    ~CQTEncodingMuxer() override;

    bool SetEncodingPass(int passCount) override;
    void SetEncodingThreads(int threads) override;
    bool BeginWriting() override;
    bool WriteVideo(int streamId, Moorland::IRawVideoFrame* frame) override;
    bool WriteAudio(int streamId, Moorland::IRawAudioFrame* frame) override;
    void GetDataRateStats(int streamId, uint64_t* bytes, uint32_t* ms) override;
    void EndWriting() override;

    // Drops a movie still being written; it is never finished.
    void Abandon();

private:
    IOrlendar& Writer() const;

    CQTExporter& m_owner;
    IOrlendar* m_writer = nullptr; // the plug-in's; deleted through its interface
    std::string m_path;            // the writer keeps a pointer to this text
    unsigned m_threads = 0;
    // The movie's pictures sit on the profile's constant rate: a source
    // picture is repeated or left out so that the movie keeps its length.
    double m_frameRate = 0.0;
    int64_t m_firstMs = 0;
    int64_t m_pictures = 0; // pictures handed to the plug-in in this pass
};

} // namespace Solvane
