#pragma once

// What the exporter's encoding muxers share (the muxer of one video and one
// sound stream, and the multi-stream muxer): the pass they are in, the output
// file of a pass that writes one, the two-pass statistics, the figures of
// what was written, and how writing ends: the encoders drained, the trailer
// written only after success, the statistics removed after the last pass.
// An output abandoned while writing is left without its trailer.

#include "CFFExportSettings.h"
#include "CFFOutputFile.h"
#include "CFFPassCount.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class IQuentaStream;

namespace Solvane {

class CFFStreamEncoder;

class CFFEncodingOutput
{
public:
    CFFEncodingOutput() = default;
    ~CFFEncodingOutput();
    CFFEncodingOutput(const CFFEncodingOutput&) = delete;
    CFFEncodingOutput& operator=(const CFFEncodingOutput&) = delete;

    CFFPassCount& Passes() { return m_passes; }
    // Counts the next pass and gives it (CFFPassCount::Next). A first pass
    // of two writes nothing; every other pass makes the output file, with
    // the profile's muxer options, for its streams to be added to.
    int BeginPass(const std::string& path, IQuentaStream* stream, const ExportSettings& settings);
    int Pass() const { return m_pass; }
    // The file of this pass; null in a first pass.
    CFFOutputFile* File() const { return m_out.get(); }
    // Where a video encoder keeps its first pass's statistics.
    const std::string& StatsFile() const { return m_statsFile; }
    std::string* StatsText() { return &m_stats; }

    // Bytes and milliseconds written to stream `index` of the file. A first
    // pass writes no file: what `encoder` made stands for its stream, so
    // progress and estimates run in that pass too. Safe from any thread.
    void Stats(int index, const CFFStreamEncoder* encoder, uint64_t* bytes, uint32_t* ms) const;

    // Ends the pass: unless a write `failed`, drains the encoders into the
    // file and writes its trailer; then `release` lets the encoders go
    // (also when ending fails). Throws the failure, or, after a failed
    // write, that the output `name` was left unfinished.
    void End(const std::vector<CFFStreamEncoder*>& encoders, bool failed, const std::string& name,
             const std::function<void()>& release);
    // Closes a file still being written, without its trailer, and removes
    // the statistics.
    void Abandon();

private:
    CFFPassCount m_passes;
    int m_pass = 0;
    std::string m_stats;
    std::string m_statsFile;
    std::unique_ptr<CFFOutputFile> m_out;
};

// A new empty file for a first pass's encoder statistics, in $TMPDIR (else
// /tmp); empty when none can be made.
std::string NewTwoPassStatsFile();
// Removes a stats file and the files its encoder keeps beside it, and forgets
// its name.
void RemoveTwoPassStatsFiles(std::string& statsFile);

} // namespace Solvane
