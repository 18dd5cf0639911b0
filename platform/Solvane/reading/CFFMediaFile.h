#pragma once

// One probed media file: the movie and stream descriptions the importer lists,
// shared by the importer and every source made from it (a source may outlive
// its importer). The file is closed again once probed: a library of thousands
// of clips holds no open files; each source opens its own.

#include "MoorlandMediaInfo.h"
#include "SolvaneFF.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace Solvane {

class CFFDemuxer;

struct FFMovie
{
    Moorland::MovieInfo* info = nullptr; // owned by the file
    std::vector<int> streamIndexes;      // FFmpeg stream index of each stream record
    // The movie's own time zero (AV_TIME_BASE units): the programs of a
    // transport stream may each run on their own clock.
    int64_t origin = 0;
    int64_t durationMs = 0;
};

class CFFMediaFile
{
public:
    // With `keepProbe` the demuxer that probed the file stays open for the
    // first source made from it (TakeProbedDemuxer): a file opened to be
    // read at once is opened and probed once, not twice.
    static std::shared_ptr<CFFMediaFile> Open(const std::string& path, bool keepProbe = false);
    ~CFFMediaFile();
    CFFMediaFile(const CFFMediaFile&) = delete;
    CFFMediaFile& operator=(const CFFMediaFile&) = delete;

    const std::string& Path() const { return m_path; }
    const std::string& FormatName() const { return m_format; }
    bool IsImage() const;
    bool IsInterlaced() const { return m_interlaced; }
    // The file's start in AV_TIME_BASE units and its whole length.
    int64_t Origin() const { return m_origin; }
    int64_t DurationMs() const { return m_durationMs; }
    // Seconds from the movie start to the end of a stream of the movie: a
    // stream that starts late (sound after a delay, a container's preroll)
    // ends that much later than its own duration.
    static double StreamEndSeconds(const FFMovie& movie, const Moorland::StreamInfo& stream);
    // The end of the movie's latest stream among those `wanted` says yes to
    // (milliseconds), else the movie's length.
    template <typename Wanted> static uint32_t EndMs(const FFMovie& movie, Wanted wanted)
    {
        double seconds = 0.0;
        for (uint32_t i = 0; i < movie.info->streamCount; ++i) {
            if (wanted(movie.info->streams[i]))
                seconds = std::max(seconds, StreamEndSeconds(movie, movie.info->streams[i]));
        }
        if (seconds <= 0.0)
            return static_cast<uint32_t>(movie.durationMs);
        return static_cast<uint32_t>(seconds * 1000.0 + 0.5);
    }
    // Appends a metadata pair to a movie of this file unless it has one of that name.
    static void AddMetaData(const FFMovie& movie, const char* name, const char* value);

    uint32_t MovieCount() const { return static_cast<uint32_t>(m_movies.size()); }
    const FFMovie* MovieAt(uint32_t index) const;
    const FFMovie* MovieById(int id) const;
    // The FFmpeg stream index of a stream id (ids are stream indexes), -1 when
    // the movie has no such stream.
    static int StreamIndexOf(const FFMovie& movie, int streamId, Moorland::StreamType type);
    static int FirstStreamId(const FFMovie& movie, Moorland::StreamType type);

    // Per stream: where it ended when the file was opened, for a stream whose
    // container states no length (see CFFDemuxer::SetStatedEnds).
    const std::vector<int64_t>& StatedEnds() const { return m_statedEnds; }

    // A named value for the manager's GetProperty; empty when the file has none.
    std::string Property(const std::string& name, int videoStreamIndex) const;

    // The demuxer kept from the probe, at the file's start; null when none
    // was kept or it was taken already.
    std::unique_ptr<CFFDemuxer> TakeProbedDemuxer();

private:
    CFFMediaFile() = default;
    // `moved`: whether it read elsewhere in the file than the probe did.
    void Build(AVFormatContext* ctx, bool* moved);
    void KeepProperties(AVFormatContext* ctx);

    std::string m_path;
    std::string m_format;
    bool m_interlaced = false;
    int64_t m_origin = 0;
    int64_t m_durationMs = 0;
    std::vector<FFMovie> m_movies;
    // What Property answers, kept from the probe.
    std::vector<AVRational> m_frameRates; // per FFmpeg stream index
    std::vector<std::string> m_timecodes; // per FFmpeg stream index
    std::string m_fileTimecode;
    // FFmpeg guessed the lengths from the bit rate: the file states none.
    bool m_lengthGuessed = false;
    // Per stream of the file: where its last packets ended when it was
    // opened, for the streams whose length the container does not state.
    std::vector<int64_t> m_statedEnds;
    std::mutex m_probedLock;
    std::unique_ptr<CFFDemuxer> m_probed;
};

} // namespace Solvane
