#pragma once

// Reading what the ffmpeg tools say about a file the test wrote.

#include <cstdio>
#include <map>
#include <sstream>
#include <string>

namespace MediaTest {

// What a shell command prints; empty when it cannot be started.
inline std::string Capture(const std::string& command)
{
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p)
        return out;
    char buffer[512];
    while (fgets(buffer, sizeof buffer, p))
        out += buffer;
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

} // namespace MediaTest
