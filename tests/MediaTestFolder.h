#pragma once

// What the media tests of several folders share: a temporary folder their
// fixtures are made in with the ffmpeg program, a media manager made for one
// test, and the file edits some fixtures need.

#include "Basilvo/Basilvo.h"
#include "IAVManager.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace MediaTest {

inline bool Run(const std::string& command)
{
    return std::system(command.c_str()) == 0;
}

inline std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline bool WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return out.good();
}

// Writes the display matrix whose linear part is a b / c d (each -1, 0 or 1:
// a source pixel (p, q) is shown at (a p + c q, b p + d q)) into an MP4's
// first track (the ffmpeg program here writes none): the matrix after the
// movie's own identity matrix is that of the first track.
inline bool SetMp4Matrix(const std::string& path, int a, int b, int c, int d)
{
    std::string bytes = ReadBytes(path);
    const unsigned char identity[36] = {0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,    0, 0, 1,
                                        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x40, 0, 0, 0};
    const std::string needle(reinterpret_cast<const char*>(identity), sizeof(identity));
    size_t at = bytes.find(needle);
    if (at == std::string::npos || (at = bytes.find(needle, at + 1)) == std::string::npos)
        return false;
    // a b u / c d v / x y w in 16.16 (w in 2.30), big-endian.
    const int32_t m[9] = {a * 0x10000, b * 0x10000, 0, c * 0x10000, d * 0x10000, 0, 0, 0, 0x40000000};
    for (int i = 0; i < 9; ++i)
        for (int k = 0; k < 4; ++k)
            bytes[at + i * 4 + k] = static_cast<char>((static_cast<uint32_t>(m[i]) >> (24 - 8 * k)) & 0xFF);
    return WriteBytes(path, bytes);
}

// Writes a clockwise turn (90, 180 or 270) into an MP4's display matrix.
inline bool TurnMp4(const std::string& path, int degrees)
{
    const int s = degrees == 180 ? -1 : 0, t = degrees == 90 ? 1 : degrees == 270 ? -1 : 0;
    return SetMp4Matrix(path, s, t, -t, s);
}

// Bytes that look like Matroska clusters to a reader that searches for
// them, to put after a file: padding (Void) elements, each holding a
// cluster's ID and an unknown size, so that read as a cluster the padding
// after it runs to the end of the file; and last a cluster at the latest
// time its eight bytes hold, whose one block lies 32767 after it.
inline std::string CraftedMatroskaBytes(size_t size)
{
    const std::string voidHoldingACluster("\xEC\x85\x1F\x43\xB6\x75\xFF", 7);
    const std::string clusterAtTheEndOfTime("\x1F\x43\xB6\x75\x01\xFF\xFF\xFF\xFF\xFF\xFF\xFF"
                                            "\xE7\x88\x7F\xFF\xFF\xFF\xFF\xFF\xFF\xFF"
                                            "\xA3\x85\x81\x7F\xFF\x80\x00",
                                            29);
    std::string bytes;
    bytes.reserve(size + voidHoldingACluster.size() + clusterAtTheEndOfTime.size());
    while (bytes.size() < size)
        bytes += voidHoldingACluster;
    return bytes + clusterAtTheEndOfTime;
}

// The file as a download that took its room at full size and stopped
// half-way leaves it: its first half, then zeros to its full size.
inline bool ZeroTheSecondHalf(const std::string& from, const std::string& to)
{
    const std::string bytes = ReadBytes(from);
    const size_t half = bytes.size() / 2;
    return !bytes.empty() && WriteBytes(to, bytes.substr(0, half) + std::string(bytes.size() - half, '\0'));
}

// A folder "/tmp/<prefix>-XXXXXX", removed with all in it at the end; its
// Dir() stays empty when none could be made.
class Folder
{
public:
    explicit Folder(const std::string& prefix)
    {
        std::string tmpl = "/tmp/" + prefix + "-XXXXXX";
        if (mkdtemp(&tmpl[0]))
            m_dir = tmpl;
    }
    ~Folder()
    {
        if (!m_dir.empty())
            Run("rm -rf '" + m_dir + "'");
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    const std::string& Dir() const { return m_dir; }
    std::string Path(const char* name) const { return m_dir + "/" + name; }
    // The start of an ffmpeg command that runs in the folder.
    std::string FFmpeg() const { return "cd '" + m_dir + "' && ffmpeg -nostdin -v error -y "; }

private:
    std::string m_dir;
};

// A manager made for the test, released at its end.
struct ManagerHolder
{
    Moorland::IAVManager* manager = CreateAVManager("/tmp/", nullptr);
    ~ManagerHolder()
    {
        if (manager)
            manager->Release();
    }
    Moorland::IAVManager* operator->() const { return manager; }
};

} // namespace MediaTest
