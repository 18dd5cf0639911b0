#pragma once

// The exporter's multi-stream muxer: one output stream per stream of the
// multi-stream profile, in its order. A stream marked for copying takes
// compressed packets unchanged; the others are encoded from raw frames.
// Copied and encoded streams share one time origin, so they stay in step.
// WriteFrame may be called from two threads at once (each stream from one).

#include "CFFExportSettings.h"
#include "CFFEncodingOutput.h"
#include "CFFStreamEncoder.h"
#include "CopiedPacketOrder.h"
#include "IAVExporter.h"

#include <atomic>
#include <exception>
#include <map>
#include <mutex>
#include <memory>
#include <vector>

namespace Solvane {

class CFFExporter;

class CFFMultiMuxer final : public Moorland::IMultiMuxer2
{
public:
    explicit CFFMultiMuxer(CFFExporter& owner) : m_owner(owner) {}
    ~CFFMultiMuxer() override;

    bool SetEncodingPass(int passCount) override;
    void SetEncodingThreads(int threads) override;
    void SetStreamHeader(int streamIndex, const uint8_t* header, int size) override;
    void SetAudioFormat(int streamIndex, const Moorland::AudioFormatInfo* format) override;
    void GetDataRateStats(int streamIndex, uint64_t* bytes, uint32_t* ms) override;
    bool WriteFrame(int streamIndex, bool compressed, int type, void* frame) override;
    bool BeginWriting() override;
    void EndWriting() override;
    void SetTimeOrigin(int64_t t100ns) override { m_givenOrigin = t100ns; }

    void Abandon();

private:
    struct Stream
    {
        StreamExportSettings settings;
        std::unique_ptr<CFFStreamEncoder> encoder;
        int index = -1;            // in the output file
        int64_t duration100ns = 0; // of one copied packet
    };
    void AddCopied(int item, Stream& s);
    void Origin(int64_t t100ns);

    CFFExporter& m_owner;
    CFFEncodingOutput m_output;
    int m_pass = 0;
    int m_threads = 0;
    bool m_writing = false;
    std::atomic<bool> m_failed{false};
    // The first failure of any writing thread: the others report it too,
    // so whichever thread the caller asks names the real cause.
    std::exception_ptr m_failure;
    std::mutex m_failureLock;
    int64_t m_origin = INT64_MIN;
    int64_t m_givenOrigin = INT64_MIN;
    std::map<int, std::vector<uint8_t>> m_headers;
    std::map<int, Moorland::AudioFormatInfo> m_audio;
    std::vector<Stream> m_streams;
    FF::PacketPtr m_packet;
    // The copied streams' packets in decoding order, one stray time kept in
    // place (one second ahead may be a pause).
    CCopiedPacketOrder m_order{10000000};
    // The job's thread writes copied packets while an encoding thread writes
    // encoded ones: the file and the time origin take one writer at a time.
    std::mutex m_writeLock;
};

} // namespace Solvane
