#pragma once

// Reads back a written movie the way a user's tools see it: ffprobe for the
// streams and packets, and the file's own top-level atoms.

#include <cstdio>
#include <cstdint>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace MovieProbe {

// One stream's ffprobe entries, by name ("codec_tag_string", "width" ...).
using Stream = std::map<std::string, std::string>;

inline std::string Run(const std::string& command)
{
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof(buf), p)) > 0)
            out.append(buf, n);
        pclose(p);
    }
    return out;
}

// The streams of the file in order; empty when ffprobe can't read it.
inline std::vector<Stream> Streams(const std::string& path)
{
    const std::string out = Run("ffprobe -v error -count_packets -show_entries "
                                "stream=codec_type,codec_name,codec_tag_string,width,height,pix_fmt,time_base,"
                                "nb_frames,nb_read_packets,sample_rate,channels,channel_layout,duration_ts,"
                                "field_order,profile "
                                "-of default=nw=0 '" +
                                path + "' 2>/dev/null");
    std::vector<Stream> streams;
    size_t pos = 0;
    while (pos < out.size()) {
        size_t end = out.find('\n', pos);
        if (end == std::string::npos)
            end = out.size();
        const std::string line = out.substr(pos, end - pos);
        pos = end + 1;
        if (line == "[STREAM]")
            streams.emplace_back();
        else if (!streams.empty() && line.find('=') != std::string::npos)
            streams.back()[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
    }
    return streams;
}

// The first stream of a kind ("video", "audio"), or null.
inline const Stream* Find(const std::vector<Stream>& streams, const std::string& type)
{
    for (const Stream& s : streams)
        if (s.count("codec_type") && s.at("codec_type") == type)
            return &s;
    return nullptr;
}

inline long Num(const Stream& s, const std::string& key)
{
    auto it = s.find(key);
    return it == s.end() ? -1 : std::atol(it->second.c_str());
}

inline std::string Bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The file's top-level atom types in order ("ftyp", "moov", "mdat" ...).
inline std::vector<std::string> TopAtoms(const std::string& path)
{
    const std::string data = Bytes(path);
    std::vector<std::string> atoms;
    uint64_t pos = 0;
    while (pos + 8 <= data.size()) {
        const unsigned char* p = reinterpret_cast<const unsigned char*>(data.data() + pos);
        uint64_t size = (uint64_t(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
        if (size == 1 && pos + 16 <= data.size()) {
            size = 0;
            for (int i = 8; i < 16; ++i)
                size = (size << 8) | p[i];
        }
        atoms.push_back(data.substr(pos + 4, 4));
        if (size < 8)
            break;
        pos += size;
    }
    return atoms;
}

// The layout tag of the sound track's 'chan' atom; -1 when there is none.
inline long ChannelLayoutTag(const std::string& path)
{
    const std::string data = Bytes(path);
    const size_t at = data.find("chan");
    if (at == std::string::npos || at + 12 > data.size())
        return -1;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(data.data() + at + 8);
    return long((uint32_t(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3]);
}

// Sizes of the video packets in file order.
inline std::vector<long> VideoPacketSizes(const std::string& path)
{
    const std::string out = Run("ffprobe -v error -select_streams v:0 -show_entries packet=size "
                                "-of csv=p=0 '" +
                                path + "' 2>/dev/null");
    std::vector<long> sizes;
    size_t pos = 0;
    while (pos < out.size()) {
        size_t end = out.find('\n', pos);
        if (end == std::string::npos)
            end = out.size();
        if (end > pos)
            sizes.push_back(std::atol(out.substr(pos, end - pos).c_str()));
        pos = end + 1;
    }
    return sizes;
}

} // namespace MovieProbe
