#pragma once

// One probed media file: the movie and stream descriptions the importer lists,
// shared by the importer and every source made from it (a source may outlive
// its importer).

#include "MoorlandMediaInfo.h"
#include "SolvaneFF.h"

#include <memory>
#include <string>
#include <vector>

namespace Solvane {

// Opens `path` for demuxing and reads its stream parameters. Throws with a
// clear reason for a missing, empty, unreadable, non-media or stream-less file.
AVFormatContext* OpenMediaInput(const std::string& path);

struct FFMovie
{
    Moorland::MovieInfo* info = nullptr;   // owned by the file
    std::vector<int> streamIndexes;        // FFmpeg stream index of each stream record
};

class CFFMediaFile
{
public:
    static std::shared_ptr<CFFMediaFile> Open(const std::string& path);
    ~CFFMediaFile();
    CFFMediaFile(const CFFMediaFile&) = delete;
    CFFMediaFile& operator=(const CFFMediaFile&) = delete;

    const std::string& Path() const { return m_path; }
    const std::string& FormatName() const { return m_format; }
    bool IsImage() const;
    bool IsInterlaced() const { return m_interlaced; }
    // The movie start in AV_TIME_BASE units: every time stamp a source hands
    // out counts from it.
    int64_t Origin() const { return m_origin; }
    int64_t DurationMs() const { return m_durationMs; }
    // Seconds from the movie start to the end of a stream of this file: a
    // stream that starts late (sound after a delay, a container's preroll)
    // ends that much later than its own duration.
    double StreamEndSeconds(const Moorland::StreamInfo& stream) const;
    // Appends a metadata pair to a movie of this file unless it has one of that name.
    static void AddMetaData(const FFMovie& movie, const char* name, const char* value);

    uint32_t MovieCount() const { return static_cast<uint32_t>(m_movies.size()); }
    const FFMovie* MovieAt(uint32_t index) const;
    const FFMovie* MovieById(int id) const;
    // The FFmpeg stream index of a stream id (ids are stream indexes), -1 when
    // the movie has no such stream.
    static int StreamIndexOf(const FFMovie& movie, int streamId, Moorland::StreamType type);
    static int FirstStreamId(const FFMovie& movie, Moorland::StreamType type);

    // Per FFmpeg stream index: time base, start, parameters copied from the probe.
    const AVStream* Stream(int index) const;
    // A named value for the manager's GetProperty; empty when the file has none.
    std::string Property(const std::string& name, int videoStreamIndex) const;

private:
    CFFMediaFile() = default;
    void Build(AVFormatContext* ctx);

    std::string m_path;
    std::string m_format;
    bool m_interlaced = false;
    int64_t m_origin = 0;
    int64_t m_durationMs = 0;
    AVFormatContext* m_ctx = nullptr;
    std::vector<FFMovie> m_movies;
};

} // namespace Solvane
