#pragma once

// Reading what the ffmpeg tools say about a file the test wrote.

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace MediaTest {

// What a shell command prints, byte for byte (raw pictures included); empty
// when it cannot be started.
inline std::string Capture(const std::string& command)
{
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p)
        return out;
    char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, p)) > 0)
        out.append(buffer, n);
    pclose(p);
    return out;
}

// ffprobe's "key=value" lines for the first stream of a kind ("v", "a") and
// the file, asking with `entries` (the text after -show_entries); the first
// value of a key wins.
inline std::map<std::string, std::string> Probe(const std::string& path, const char* kind, const std::string& entries)
{
    std::map<std::string, std::string> values;
    std::istringstream lines(Capture(std::string("ffprobe -v error -select_streams ") + kind + ":0 " + entries +
                                     " -of default=nw=1 '" + path + "'"));
    std::string line;
    while (std::getline(lines, line)) {
        auto eq = line.find('=');
        if (eq != std::string::npos && !values.count(line.substr(0, eq)))
            values[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return values;
}

// The bright part of one picture of a movie: a white source picture among
// the black bars a fixed frame adds. As wide as the middle row shows it, as
// tall as the middle column does, and the first bright line of that column
// (-1: none). The sixth picture is decoded to gray into `scratch`; a movie of
// another size than width x height measures nothing.
struct BrightArea
{
    int width = 0;
    int height = 0;
    int top = -1;
};

inline BrightArea MeasureBrightArea(const std::string& movie, const std::string& scratch, int width, int height)
{
    BrightArea area;
    if (width <= 0 || height <= 0 ||
        std::system(("ffmpeg -nostdin -v error -y -i '" + movie +
                     "' -vf \"select='eq(n\\,5)'\" -frames:v 1 -f rawvideo -pix_fmt gray '" + scratch + "'")
                        .c_str()) != 0)
        return area;
    std::ifstream in(scratch, std::ios::binary);
    const std::string pixels((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (pixels.size() != static_cast<size_t>(width) * height)
        return area;
    auto bright = [&](int x, int y) {
        return static_cast<unsigned char>(pixels[static_cast<size_t>(y) * width + x]) > 128;
    };
    for (int x = 0; x < width; ++x)
        area.width += bright(x, height / 2) ? 1 : 0;
    for (int y = 0; y < height; ++y) {
        if (bright(width / 2, y)) {
            ++area.height;
            if (area.top < 0)
                area.top = y;
        }
    }
    return area;
}

// "16:15" as 16/15; 0 for anything else ("N/A", "0:1").
inline double Ratio(const std::string& text)
{
    int num = 0, den = 0;
    if (std::sscanf(text.c_str(), "%d:%d", &num, &den) == 2 && num > 0 && den > 0)
        return static_cast<double>(num) / den;
    return 0.0;
}

} // namespace MediaTest

namespace MediaTest {

// Everything one ffprobe run says of a file: the first picture, sound and
// subtitle streams, each with the file's own values (`streamEntries` and
// `otherEntries` as -show_entries takes them, "format=duration",
// "packet=size" ...), and every packet asked for, in the file's order. The
// tools take most of a second to start, far longer than any question put to
// them: a file is asked once. `options` go before the file ("-count_frames").
struct ProbedFile
{
    using Values = std::map<std::string, std::string>;
    Values video, audio, subtitle; // empty when the file has no such stream
    Values format;
    int videoIndex = -1, audioIndex = -1, subtitleIndex = -1;
    std::vector<Values> packets; // each with its "stream_index" when asked

    // The packets of one stream, for a stream index of -1 none.
    std::vector<Values> PacketsOf(int index) const
    {
        std::vector<Values> out;
        for (const Values& p : packets) {
            auto it = p.find("stream_index");
            if (index >= 0 && it != p.end() && std::atoi(it->second.c_str()) == index)
                out.push_back(p);
        }
        return out;
    }
};

inline ProbedFile ProbeFile(const std::string& path, const std::string& streamEntries,
                            const std::string& otherEntries = "", const std::string& options = "")
{
    ProbedFile file;
    std::istringstream lines(Capture("ffprobe -v error -show_entries stream=index,codec_type," + streamEntries +
                                     (otherEntries.empty() ? "" : ":" + otherEntries) + " " + options +
                                     " -of default '" + path + "'"));
    std::vector<ProbedFile::Values> streams;
    ProbedFile::Values& format = file.format;
    ProbedFile::Values* section = nullptr;
    std::string line;
    while (std::getline(lines, line)) {
        if (line == "[STREAM]") {
            streams.emplace_back();
            section = &streams.back();
        } else if (line == "[PACKET]") {
            file.packets.emplace_back();
            section = &file.packets.back();
        } else if (line == "[FORMAT]") {
            section = &format;
        } else if (!line.empty() && line[0] == '[') {
            section = nullptr;
        } else if (section) {
            auto eq = line.find('=');
            if (eq != std::string::npos && !section->count(line.substr(0, eq)))
                (*section)[line.substr(0, eq)] = line.substr(eq + 1);
        }
    }
    for (const ProbedFile::Values& s : streams) {
        auto type = s.find("codec_type");
        auto index = s.find("index");
        if (type == s.end() || index == s.end())
            continue;
        const std::string& kind = type->second;
        int* wantedIndex = kind == "video"      ? &file.videoIndex
                           : kind == "audio"    ? &file.audioIndex
                           : kind == "subtitle" ? &file.subtitleIndex
                                                : nullptr;
        if (!wantedIndex || *wantedIndex >= 0)
            continue;
        ProbedFile::Values* wanted = kind == "video" ? &file.video : kind == "audio" ? &file.audio : &file.subtitle;
        *wanted = s;
        *wantedIndex = std::atoi(index->second.c_str());
        // The file's values beside the stream's, the stream's first.
        for (const auto& kv : format)
            wanted->insert(kv);
    }
    return file;
}

} // namespace MediaTest
