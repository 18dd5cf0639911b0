#include "FFNalUnits.h"

#include <utility>

namespace Solvane {

namespace NalForm {

int LengthSize(const AVCodecParameters* par)
{
    const uint8_t* x = par->extradata;
    const int n = par->extradata_size;
    if (!x || n < 7 || x[0] != 1)
        return 0;
    if (par->codec_id == AV_CODEC_ID_H264)
        return (x[4] & 3) + 1;
    if (par->codec_id == AV_CODEC_ID_HEVC && n >= 23)
        return (x[21] & 3) + 1;
    return 0;
}

namespace {
uint32_t ReadBE(const uint8_t* p, int n)
{
    uint32_t v = 0;
    for (int i = 0; i < n; ++i)
        v = (v << 8) | p[i];
    return v;
}

// Start-code units of `data`, without their prefixes.
std::vector<std::pair<const uint8_t*, int>> StartCodeUnits(const uint8_t* data, int size)
{
    std::vector<std::pair<const uint8_t*, int>> units;
    int i = 0;
    auto nextStart = [&](int from) {
        for (int k = from; k + 2 < size; ++k) {
            if (data[k] == 0 && data[k + 1] == 0 && data[k + 2] == 1)
                return k;
        }
        return size;
    };
    i = nextStart(0);
    while (i < size) {
        const int begin = i + 3;
        int next = nextStart(begin);
        int stop = next;
        while (stop > begin && data[stop - 1] == 0)
            --stop;
        if (stop > begin)
            units.emplace_back(data + begin, stop - begin);
        i = next;
    }
    return units;
}
} // namespace

std::vector<std::string> ParameterSets(const AVCodecParameters* par)
{
    std::vector<std::string> sets;
    const uint8_t* x = par->extradata;
    const int n = par->extradata_size;
    if (!x || n < 4)
        return sets;
    if (x[0] != 1) {
        for (const auto& unit : StartCodeUnits(x, n))
            sets.emplace_back(reinterpret_cast<const char*>(unit.first), unit.second);
        return sets;
    }
    int at = 0;
    auto unit = [&](int lengthBytes) {
        if (at + lengthBytes > n)
            return false;
        const int len = static_cast<int>(ReadBE(x + at, lengthBytes));
        at += lengthBytes;
        if (len <= 0 || at + len > n)
            return false;
        sets.emplace_back(reinterpret_cast<const char*>(x + at), len);
        at += len;
        return true;
    };
    if (par->codec_id == AV_CODEC_ID_H264 && n >= 7) {
        at = 5;
        const int sps = x[at++] & 0x1f;
        for (int i = 0; i < sps && unit(2); ++i) {
        }
        if (at < n) {
            const int pps = x[at++];
            for (int i = 0; i < pps && unit(2); ++i) {
            }
        }
    } else if (par->codec_id == AV_CODEC_ID_HEVC && n >= 23) {
        at = 22;
        const int arrays = x[at++];
        for (int a = 0; a < arrays && at + 3 <= n; ++a) {
            at += 1;
            const int count = static_cast<int>(ReadBE(x + at, 2));
            at += 2;
            for (int i = 0; i < count && unit(2); ++i) {
            }
        }
    }
    return sets;
}

std::string ToLengthPrefixed(const uint8_t* data, int size, int lengthSize)
{
    std::string out;
    for (const auto& unit : StartCodeUnits(data, size)) {
        for (int b = lengthSize - 1; b >= 0; --b)
            out += static_cast<char>((static_cast<uint32_t>(unit.second) >> (8 * b)) & 0xff);
        out.append(reinterpret_cast<const char*>(unit.first), unit.second);
    }
    return out;
}

std::string Prefixed(const std::vector<std::string>& units, int lengthSize)
{
    std::string out;
    for (const std::string& unit : units) {
        if (lengthSize == 0) {
            out.append("\0\0\0\1", 4);
        } else {
            for (int b = lengthSize - 1; b >= 0; --b)
                out += static_cast<char>((static_cast<uint32_t>(unit.size()) >> (8 * b)) & 0xff);
        }
        out += unit;
    }
    return out;
}

bool HasSequenceSet(const AVCodecParameters* par, const uint8_t* data, int size, int lengthSize)
{
    auto isSps = [par](uint8_t header) {
        return par->codec_id == AV_CODEC_ID_H264 ? (header & 0x1f) == 7 : ((header >> 1) & 0x3f) == 33;
    };
    if (lengthSize == 0) {
        for (const auto& unit : StartCodeUnits(data, size)) {
            if (isSps(unit.first[0]))
                return true;
        }
        return false;
    }
    for (int at = 0; at + lengthSize < size;) {
        const int len = static_cast<int>(ReadBE(data + at, lengthSize));
        at += lengthSize;
        if (len <= 0 || at + len > size)
            return false;
        if (isSps(data[at]))
            return true;
        at += len;
    }
    return false;
}

} // namespace NalForm

} // namespace Solvane
