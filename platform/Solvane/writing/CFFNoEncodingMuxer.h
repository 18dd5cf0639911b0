#pragma once

// The exporter's no-encoding muxer: compressed packets copied unchanged into
// the exporter's output file, which it opens at BeginWriting and finishes at
// EndWriting.

#include "CFFOutputFile.h"
#include "CopiedPacketOrder.h"
#include "IAVExporter.h"
#include "SolvaneFF.h"

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

namespace Solvane {

class CFFExporter;

class CFFNoEncodingMuxer final : public Moorland::INoEncodingMuxer
{
public:
    explicit CFFNoEncodingMuxer(CFFExporter& owner) : m_owner(owner) {}

    void SetStreamHeader(int outStream, const uint8_t* header, int size) override;
    void SetAudioFormat(int outStream, const Moorland::AudioFormatInfo* format) override;
    bool BeginWriting() override;
    bool WritePacket(int outStream, Moorland::ICompressedFrame* packet) override;
    void EndWriting() override;
    void SetStreamTurn(int outStream, int clockwiseDegrees) override;

    void Abandon();

private:
    CFFExporter& m_owner;
    std::map<int, std::vector<uint8_t>> m_headers;
    std::map<int, Moorland::AudioFormatInfo> m_audio;
    std::map<int, int> m_turns; // output stream id -> degrees clockwise
    std::unique_ptr<CFFOutputFile> m_out;
    std::map<int, int> m_streamOf;          // output stream id -> muxer stream index
    std::map<int, int64_t> m_duration100ns; // of one packet, per muxer stream
    FF::PacketPtr m_packet;
    // One second: a packet further ahead than that may be a stray time.
    CCopiedPacketOrder m_order{10000000};
    bool m_failed = false;
};

} // namespace Solvane
