#pragma once

// One output file on libavformat, written by every writer of the media layer
// (the exporter's muxers and the QuickTime plug-in's movie): a path or a
// caller's stream, its streams, the header, packets rescaled to their
// stream's time base and interleaved, and the trailer only after success.
// Failures throw CBaseException naming the file and FFmpeg's reason.

#include "CFFExportSettings.h"
#include "FFOwners.h"

#include <atomic>
#include <cstdint>
#include <string>

class IQuentaStream;

namespace Solvane {

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
    // Whether the container carries its pictures and sound together, frame
    // by frame from its start to its end (DV): it leaves out what it can't pair.
    bool CarriesStreamsTogether() const;
    // Whether the container says how a picture is to be turned when shown
    // (QuickTime's family).
    bool KeepsTurns() const;
    AVStream* AddStream();
    // The muxer's options of the profile; before Begin.
    void SetOptions(const FFOptions& options);
    // Creates the file now, so that a path that can't be written fails
    // before anything is made for it; Begin does it otherwise.
    void Create();
    // Opens the file (when Create did not) and writes the header.
    void Begin();
    bool Begun() const { return m_begun; }
    // Takes the packet's data: rescales from `from` to the stream's time base
    // and writes it interleaved. Throws with the file's name on a failure.
    void Write(AVPacket* packet, AVRational from);
    // Writes the trailer (only with `success`) and closes the file.
    void End(bool success);
    // Bytes and milliseconds written so far for one stream; safe from any thread.
    void Stats(int index, uint64_t* bytes, uint32_t* ms) const;
    // The packets of one stream and the time they span, once the file was
    // finished whole; false before, after a failure, or for no such stream.
    bool Written(int index, uint64_t* packets, int64_t* firstMs, int64_t* endMs) const;

private:
    struct StreamStats
    {
        std::atomic<uint64_t> bytes{0};
        std::atomic<uint32_t> ms{0};
        // Written by the one thread that writes packets, read after the end.
        uint64_t packets = 0;
        int64_t firstMs = INT64_MAX;
        int64_t endMs = INT64_MIN;
    };

    std::string m_path;
    IQuentaStream* m_stream = nullptr;
    FF::OutputFormatPtr m_ctx;
    FF::AVIOContextPtr m_customIO;
    bool m_begun = false;
    bool m_ended = false;
    bool m_whole = false; // the trailer written and the file closed without a failure
    StreamStats m_stats[kMaxStreams];
};

} // namespace Solvane
