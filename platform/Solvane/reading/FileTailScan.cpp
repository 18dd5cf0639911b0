#include "FileTailScan.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace Solvane {

namespace {

// Reads [from, from + n) into `out`: the bytes read, fewer where the file
// or a read ends.
int64_t ReadInto(AVIOContext* pb, int64_t from, int64_t n, uint8_t* out)
{
    int64_t got = 0;
    if (avio_seek(pb, from, SEEK_SET) >= 0) {
        while (got < n) {
            const int r = avio_read(pb, out + got, static_cast<int>(std::min<int64_t>(n - got, 1 << 20)));
            if (r <= 0)
                break;
            got += r;
        }
    }
    return got;
}

void ReadAt(AVIOContext* pb, int64_t from, int64_t n, std::vector<uint8_t>& out)
{
    out.resize(static_cast<size_t>(std::max<int64_t>(0, n)));
    out.resize(static_cast<size_t>(ReadInto(pb, from, static_cast<int64_t>(out.size()), out.data())));
}

uint32_t BigEndian32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 |
           p[3];
}

uint32_t LittleEndian32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[3]) << 24 | static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[1]) << 8 |
           p[0];
}

// ------------------------------------------------------------ a tail of zeros

// A run of zeros shorter than this at the end of a file is padding.
const int64_t kZeroBlock = 64 << 10;

// Just past the last byte that is not zero in the block at `from`: `from`
// when the block holds only zeros, -1 when it can't be read whole.
int64_t BlockDataEnd(AVIOContext* pb, int64_t from, std::vector<uint8_t>& buffer)
{
    ReadAt(pb, from, kZeroBlock, buffer);
    if (static_cast<int64_t>(buffer.size()) < kZeroBlock)
        return -1;
    for (int64_t i = kZeroBlock; i > 0; --i) {
        if (buffer[static_cast<size_t>(i - 1)] != 0)
            return from + i;
    }
    return from;
}

// ------------------------------------------------------------------ Matroska

// The EBML of Matroska: an element's ID keeps its length marker, its size
// does not; 0 bytes read when the bytes do not hold a whole one.
int EbmlId(const uint8_t* p, const uint8_t* end, uint32_t* id)
{
    if (p >= end || *p == 0)
        return 0;
    int length = 1;
    while (length <= 4 && !(*p & (0x80 >> (length - 1))))
        ++length;
    if (length > 4 || end - p < length)
        return 0;
    uint32_t value = 0;
    for (int i = 0; i < length; ++i)
        value = value << 8 | p[i];
    *id = value;
    return length;
}

const uint64_t kEbmlUnknownSize = ~uint64_t(0);

int EbmlSize(const uint8_t* p, const uint8_t* end, uint64_t* size)
{
    if (p >= end || *p == 0)
        return 0;
    int length = 1;
    while (!(*p & (0x80 >> (length - 1))))
        ++length;
    if (end - p < length)
        return 0;
    uint64_t value = *p & (0xFF >> length);
    bool allOnes = value == (0xFFu >> length);
    for (int i = 1; i < length; ++i) {
        value = value << 8 | p[i];
        allOnes = allOnes && p[i] == 0xFF;
    }
    *size = allOnes ? kEbmlUnknownSize : value;
    return length;
}

const uint32_t kMkvCluster = 0x1F43B675;
const uint32_t kMkvClusterTime = 0xE7;
const uint32_t kMkvSimpleBlock = 0xA3;
const uint32_t kMkvBlockGroup = 0xA0;
const uint32_t kMkvBlock = 0xA1;
const uint32_t kMkvCrc32 = 0xBF;
const uint32_t kMkvVoid = 0xEC;

// A cluster's time comes first, after its checksum and perhaps some
// padding: a "cluster" whose time lies behind more is data that only looks
// like one, and is let go before the bytes after it are walked.
const int kMaxElementsBeforeTime = 4;
// The last stretch of a Matroska file is read in pieces of this size, from
// its end back, as far as the look for clusters goes.
const int64_t kMatroskaPiece = 1 << 20;
// Beyond this a cluster's time is no time a file holds, and a block's
// offset (16 bits) added to it can't overflow.
const uint64_t kMaxClusterTime = static_cast<uint64_t>(INT64_MAX) / 2;

const uint32_t kMkvEbmlHeader = 0x1A45DFA3;
const uint32_t kMkvSegment = 0x18538067;
const uint32_t kMkvTracks = 0x1654AE6B;
const uint32_t kMkvTrackEntry = 0xAE;
const uint32_t kMkvTrackNumber = 0xD7;
const uint32_t kMkvTrackType = 0x83;

// An element at `p` of `end`: its ID, where its data begins and ends (the
// end of the bytes for an unknown or too large size); false when the bytes
// hold no whole header.
struct Element
{
    uint32_t id = 0;
    const uint8_t* data = nullptr;
    const uint8_t* end = nullptr;
    bool sized = false;
};

bool ReadElement(const uint8_t* p, const uint8_t* end, Element* e)
{
    uint64_t size = 0;
    const int n = EbmlId(p, end, &e->id);
    const int k = n ? EbmlSize(p + n, end, &size) : 0;
    if (k == 0)
        return false;
    e->data = p + n + k;
    e->sized = size != kEbmlUnknownSize && size <= static_cast<uint64_t>(end - e->data);
    e->end = e->sized ? e->data + size : end;
    return true;
}

uint64_t ElementUint(const Element& e)
{
    uint64_t value = 0;
    for (const uint8_t* q = e.data; q < e.end && q < e.data + 8; ++q)
        value = value << 8 | *q;
    return value;
}

bool IsMkvTopLevel(uint32_t id)
{
    // Cluster, Cues, Tags, Attachments, Chapters, SeekHead, Info, Tracks,
    // and a Segment or EBML header of a file joined on.
    return id == kMkvCluster || id == 0x1C53BB6B || id == 0x1254C367 || id == 0x1941A469 || id == 0x1043A770 ||
           id == 0x114D9B74 || id == 0x1549A966 || id == 0x1654AE6B || id == 0x18538067 || id == 0x1A45DFA3;
}

// The time of the cluster at `p` (its header read, `*body` set to its
// first element after the time and `*clusterEnd` to its end); kNoTime when
// `p` starts no cluster with its time first. Reads a bounded number of bytes.
int64_t ClusterTime(const uint8_t* p, const uint8_t* end, const uint8_t** body, const uint8_t** clusterEnd)
{
    uint32_t id = 0;
    uint64_t size = 0;
    int n = EbmlId(p, end, &id);
    if (n == 0 || id != kMkvCluster)
        return kNoTime;
    p += n;
    if ((n = EbmlSize(p, end, &size)) == 0)
        return kNoTime;
    p += n;
    const uint8_t* last = size != kEbmlUnknownSize && size < static_cast<uint64_t>(end - p) ? p + size : end;
    for (int skipped = 0;; ++skipped) {
        if ((n = EbmlId(p, last, &id)) == 0)
            return kNoTime;
        if (id != kMkvCrc32 && id != kMkvVoid)
            break;
        const int k = EbmlSize(p + n, last, &size);
        if (skipped == kMaxElementsBeforeTime || k == 0 || size > 255 || size > static_cast<uint64_t>(last - p - n - k))
            return kNoTime;
        p += n + k + size;
    }
    if (id != kMkvClusterTime)
        return kNoTime;
    p += n;
    uint64_t timeSize = 0;
    if ((n = EbmlSize(p, last, &timeSize)) == 0 || timeSize < 1 || timeSize > 8 ||
        timeSize > static_cast<uint64_t>(last - p - n))
        return kNoTime;
    p += n;
    uint64_t time = 0;
    for (uint64_t i = 0; i < timeSize; ++i)
        time = time << 8 | *p++;
    if (time > kMaxClusterTime)
        return kNoTime;
    *body = p;
    *clusterEnd = last;
    return static_cast<int64_t>(time);
}

// Adds the times of the blocks in [p, clusterEnd) to `ends`, each under
// its track: the blocks up to where the cluster or the bytes end, or the
// next element of the file's top level begins.
void AddBlockTimes(const uint8_t* p, const uint8_t* clusterEnd, int64_t clusterTime, MatroskaEnds& ends)
{
    // A block's track number comes first, then its own time as 16 signed
    // bits after its cluster's.
    auto block = [clusterTime, &ends](const uint8_t* data, const uint8_t* dataEnd) {
        uint64_t track = 0;
        const int t = EbmlSize(data, dataEnd, &track);
        if (t == 0 || dataEnd - data < t + 2)
            return;
        const int16_t relative = static_cast<int16_t>(data[t] << 8 | data[t + 1]);
        const int64_t time = clusterTime + relative;
        ends.latest = std::max(ends.latest, time);
        auto known = ends.tracks.emplace(track, time);
        if (!known.second)
            known.first->second = std::max(known.first->second, time);
    };
    uint32_t id = 0;
    uint64_t size = 0;
    int n = 0;
    while (p < clusterEnd) {
        if ((n = EbmlId(p, clusterEnd, &id)) == 0 || IsMkvTopLevel(id))
            break;
        const uint8_t* at = p + n;
        if ((n = EbmlSize(at, clusterEnd, &size)) == 0 || size == kEbmlUnknownSize)
            break;
        at += n;
        const uint8_t* next = size <= static_cast<uint64_t>(clusterEnd - at) ? at + size : clusterEnd;
        if (id == kMkvSimpleBlock) {
            block(at, next);
        } else if (id == kMkvBlockGroup) {
            for (const uint8_t* q = at; q < next;) {
                uint32_t inner = 0;
                uint64_t innerSize = 0;
                const int m = EbmlId(q, next, &inner);
                if (m == 0)
                    break;
                const int k = EbmlSize(q + m, next, &innerSize);
                if (k == 0 || innerSize == kEbmlUnknownSize)
                    break;
                const uint8_t* innerAt = q + m + k;
                const uint8_t* innerEnd =
                    innerSize <= static_cast<uint64_t>(next - innerAt) ? innerAt + innerSize : next;
                if (inner == kMkvBlock)
                    block(innerAt, innerEnd);
                q = innerEnd;
            }
        }
        p = next;
    }
}

// ----------------------------------------------------------------------- FLV

// Tags read back from the end: sound and pictures lie close in time.
const int kFlvTagsLooked = 8;

} // namespace

bool ZerosMayBeData(const AVStream* st)
{
    const AVCodecDescriptor* codec = avcodec_descriptor_get(st->codecpar->codec_id);
    return !codec || ((codec->props & AV_CODEC_PROP_LOSSLESS) && !(codec->props & AV_CODEC_PROP_LOSSY));
}

bool VideoZerosMayBeData(const AVFormatContext* ctx)
{
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        if (ctx->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && ZerosMayBeData(ctx->streams[i]))
            return true;
    }
    return false;
}

int64_t DataEndOffset(AVIOContext* pb, int64_t size)
{
    if (!pb || size < 2 * kZeroBlock)
        return size;
    std::vector<uint8_t> buffer;
    int64_t zeros = size - kZeroBlock;
    if (BlockDataEnd(pb, zeros, buffer) != zeros)
        return size;
    // Back from the end in steps that double, to a block that holds data,
    int64_t data = -1;
    for (int64_t step = 2 * kZeroBlock; data < 0; step *= 2) {
        const int64_t from = std::max<int64_t>(0, size - step);
        const int64_t end = BlockDataEnd(pb, from, buffer);
        if (end < 0)
            return size;
        if (end > from)
            data = from;
        else if (from == 0)
            return 0;
        else
            zeros = from;
    }
    // then halving the stretch between it and the zeros after it.
    while (zeros - data > kZeroBlock) {
        const int64_t middle = data + (zeros - data) / 2;
        const int64_t end = BlockDataEnd(pb, middle, buffer);
        if (end < 0)
            return size;
        if (end > middle)
            data = middle;
        else
            zeros = middle;
    }
    // The block at `data` reaches the zeros: its last byte that is not zero ends the data.
    const int64_t end = BlockDataEnd(pb, data, buffer);
    return end < 0 ? size : end;
}

MatroskaEnds MatroskaBlockEnds(AVIOContext* pb, int64_t end, int64_t window, size_t tracks)
{
    const int64_t from = std::max<int64_t>(0, end - window);
    // The stretch is read from its end back, a piece at a time, as far as
    // the look goes: bytes[filled, size) are read.
    std::vector<uint8_t> bytes(static_cast<size_t>(end - from));
    const int64_t size = static_cast<int64_t>(bytes.size());
    int64_t filled = size;
    const uint8_t* begin = bytes.data();
    // Where the cluster found last (the next in the file) begins: a cluster
    // ends there at the latest, so each byte is walked once.
    const uint8_t* next = begin + size;
    MatroskaEnds ends;
    // From the end back, cluster by cluster. Every place that is no
    // cluster's start is let go after a look at a few bytes.
    for (int64_t at = size - 4; at >= 0 && ends.tracks.size() < tracks; --at) {
        if (at < filled) {
            const int64_t start = std::max<int64_t>(0, filled - kMatroskaPiece);
            if (ReadInto(pb, from + start, filled - start, bytes.data() + start) < filled - start)
                break;
            filled = start;
        }
        const uint8_t* p = begin + at;
        if (p[0] != 0x1F || p[1] != 0x43 || p[2] != 0xB6 || p[3] != 0x75)
            continue;
        const uint8_t* body = nullptr;
        const uint8_t* clusterEnd = nullptr;
        const int64_t time = ClusterTime(p, next, &body, &clusterEnd);
        if (time == kNoTime)
            continue;
        ends.latest = std::max(ends.latest, time);
        AddBlockTimes(body, clusterEnd, time, ends);
        next = p;
    }
    return ends;
}

std::vector<MatroskaTrack> MatroskaTracks(AVIOContext* pb)
{
    std::vector<uint8_t> bytes;
    ReadAt(pb, 0, 1 << 20, bytes);
    const uint8_t* p = bytes.data();
    const uint8_t* end = p + bytes.size();
    std::vector<MatroskaTrack> tracks;
    Element e;
    // The EBML header, then the segment's elements up to its tracks.
    if (!ReadElement(p, end, &e) || e.id != kMkvEbmlHeader || !e.sized)
        return tracks;
    if (!ReadElement(e.end, end, &e) || e.id != kMkvSegment)
        return tracks;
    const uint8_t* segmentEnd = e.end;
    for (p = e.data; p < segmentEnd && ReadElement(p, segmentEnd, &e) && e.id != kMkvCluster; p = e.end) {
        if (e.id != kMkvTracks) {
            if (!e.sized)
                break;
            continue;
        }
        for (const uint8_t* q = e.data; q < e.end;) {
            Element entry;
            if (!ReadElement(q, e.end, &entry))
                break;
            if (entry.id == kMkvTrackEntry) {
                MatroskaTrack track;
                Element field;
                for (const uint8_t* f = entry.data; f < entry.end && ReadElement(f, entry.end, &field); f = field.end) {
                    if (field.id == kMkvTrackNumber)
                        track.number = ElementUint(field);
                    else if (field.id == kMkvTrackType)
                        track.type = static_cast<int>(ElementUint(field));
                }
                tracks.push_back(track);
            }
            q = entry.end;
        }
        break;
    }
    return tracks;
}

int64_t MatroskaDataEnd(AVIOContext* pb, int64_t end, int64_t window)
{
    return MatroskaBlockEnds(pb, end, window, 1).latest;
}

int64_t FlvDataEndMs(AVIOContext* pb, int64_t end, int64_t window)
{
    const int64_t from = std::max<int64_t>(0, end - window);
    std::vector<uint8_t> bytes;
    ReadAt(pb, from, end - from, bytes);
    const int64_t got = static_cast<int64_t>(bytes.size());
    int64_t latest = kNoTime;
    int found = 0;
    // A tag is an 11-byte header (type, data size, time, stream 0), its
    // data, then the size of both: a place where all of that fits is a tag.
    for (int64_t at = got - 15; at >= 0 && found < kFlvTagsLooked; --at) {
        const uint8_t* p = bytes.data() + at;
        const unsigned type = p[0] & 0x1F;
        if ((type != 8 && type != 9) || (p[0] & 0xC0) || p[8] || p[9] || p[10])
            continue;
        const int64_t dataSize = p[1] << 16 | p[2] << 8 | p[3];
        if (at + 11 + dataSize + 4 > got || BigEndian32(p + 11 + dataSize) != static_cast<uint32_t>(dataSize + 11))
            continue;
        const uint32_t time = static_cast<uint32_t>(p[7]) << 24 | static_cast<uint32_t>(p[4]) << 16 |
                              static_cast<uint32_t>(p[5]) << 8 | p[6];
        latest = std::max<int64_t>(latest, static_cast<int32_t>(time));
        ++found;
    }
    return latest;
}

double AviDataShare(AVIOContext* pb, int64_t end, int64_t size)
{
    std::vector<uint8_t> head;
    ReadAt(pb, 0, 12, head);
    if (head.size() < 12 || std::memcmp(head.data(), "RIFF", 4) != 0 || std::memcmp(head.data() + 8, "AVI ", 4) != 0)
        return -1;
    const int64_t riffEnd = 8 + static_cast<int64_t>(LittleEndian32(head.data() + 4));
    // The header's chunks, one after another, up to the list of movie data.
    int64_t at = 12;
    for (int i = 0; i < 64 && at + 12 <= size; ++i) {
        ReadAt(pb, at, 12, head);
        if (head.size() < 12)
            return -1;
        const int64_t chunk = LittleEndian32(head.data() + 4);
        if (std::memcmp(head.data(), "LIST", 4) == 0 && std::memcmp(head.data() + 8, "movi", 4) == 0) {
            const int64_t movi = at + 12;
            // Larger files go on in further parts, whose sizes stand in
            // their own headers, where the zeros may be: the movie data
            // then reaches to the end of the file.
            const int64_t moviEnd = riffEnd >= size ? std::min(at + 8 + chunk, size) : size;
            if (moviEnd <= movi)
                return -1;
            return std::min(1.0, std::max(0.0, static_cast<double>(end - movi) / static_cast<double>(moviEnd - movi)));
        }
        at += 8 + chunk + (chunk & 1);
    }
    return -1;
}

} // namespace Solvane
