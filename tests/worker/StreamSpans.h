#pragma once

// Where the streams of a file written by a job lie, read from its packets
// with ffprobe, for the tables that check a job's output against its source.

#include "../ProbeOutput.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace WorkerTest {

// The file's size in bytes, -1 when there is none.
inline int64_t FileSize(const std::string& path)
{
    struct stat st
    {
    };
    return stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
}

// Where a stream of a file lies: its first time and its end (seconds), and
// each packet's time and duration.
struct Span
{
    bool present = false;
    double first = 0;
    double end = 0;
    std::vector<std::pair<double, double>> packets; // time, duration
    double length() const { return end - first; }
};

// The picture, sound and subtitle streams of a file, from their packets.
struct Spans
{
    Span video, audio, subtitle;
};

inline Spans ReadSpans(const std::string& path)
{
    Spans spans;
    std::istringstream lines(
        MediaTest::Capture("ffprobe -v error -show_entries packet=codec_type,pts_time,dts_time,duration_time "
                           "-of csv=p=0 '" +
                           path + "' 2>/dev/null"));
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> f;
        std::stringstream fields(line);
        for (std::string item; std::getline(fields, item, ',');)
            f.push_back(item);
        if (f.size() < 4)
            continue;
        Span& s = f[0] == "video" ? spans.video : f[0] == "audio" ? spans.audio : spans.subtitle;
        const std::string& t = f[1] != "N/A" ? f[1] : f[2];
        if (t == "N/A")
            continue;
        const double at = std::atof(t.c_str());
        const double length = f[3] == "N/A" ? 0.0 : std::atof(f[3].c_str());
        s.packets.emplace_back(at, length);
        s.first = s.present ? std::min(s.first, at) : at;
        s.end = s.present ? std::max(s.end, at + length) : at + length;
        s.present = true;
    }
    return spans;
}

} // namespace WorkerTest
