#include "SolvaneBDMV.h"

#include "CBaseException.h"

#include <cstring>

namespace Solvane {

namespace {

// Appends big-endian fields; lengths are written once their span is known.
class BEWriter
{
public:
    void U8(uint32_t v) { m_bytes.push_back(static_cast<uint8_t>(v)); }
    void U16(uint32_t v)
    {
        U8(v >> 8);
        U8(v);
    }
    void U32(uint32_t v)
    {
        U16(v >> 16);
        U16(v & 0xFFFF);
    }
    void Text(const char* text, size_t size)
    {
        const size_t n = std::strlen(text);
        for (size_t i = 0; i < size; ++i)
            U8(i < n ? static_cast<uint8_t>(text[i]) : 0);
    }
    void Zeros(size_t count) { m_bytes.insert(m_bytes.end(), count, 0); }
    size_t Pos() const { return m_bytes.size(); }
    // Reserves a length field; Close fills it with the bytes written after it.
    size_t Open32()
    {
        const size_t at = Pos();
        U32(0);
        return at;
    }
    size_t Open16()
    {
        const size_t at = Pos();
        U16(0);
        return at;
    }
    size_t Open8()
    {
        const size_t at = Pos();
        U8(0);
        return at;
    }
    void Close32(size_t at) { Put32(at, static_cast<uint32_t>(Pos() - at - 4)); }
    void Close16(size_t at)
    {
        const size_t n = Pos() - at - 2;
        if (n > 0xFFFF)
            QB_THROW(QB_ERR_BAD_PARAM, "A disc structure is too large");
        m_bytes[at] = static_cast<uint8_t>(n >> 8);
        m_bytes[at + 1] = static_cast<uint8_t>(n);
    }
    void Close8(size_t at, size_t padTo)
    {
        while (Pos() - at - 1 < padTo)
            U8(0);
        m_bytes[at] = static_cast<uint8_t>(Pos() - at - 1);
    }
    void Put32(size_t at, uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            m_bytes[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
    }
    std::vector<uint8_t> Take() { return std::move(m_bytes); }

private:
    std::vector<uint8_t> m_bytes;
};

// An HDMV movie object reference of the index: object type 1, movie
// playback, the object's number.
void HdmvObject(BEWriter& w, uint16_t object)
{
    w.U32(0x40000000); // object type 1 in the top two bits
    w.U16(0x0000);     // playback type 0: movie
    w.U16(object);
    w.U32(0);
}

void StreamEntry(BEWriter& w, const BDStream& s)
{
    size_t len = w.Open8();
    w.U8(1); // a stream of the play item's own clip
    w.U16(s.pid);
    w.Close8(len, 9);
    len = w.Open8();
    w.U8(s.codingType);
    w.U8(static_cast<uint32_t>(s.format) << 4 | s.rate);
    if (!s.IsVideo())
        w.Text("und", 3);
    w.Close8(len, 5);
}

} // namespace

std::vector<uint8_t> BuildIndex()
{
    BEWriter w;
    w.Text("INDX0200", 8);
    const size_t indexStart = w.Pos();
    w.U32(0);
    w.U32(0); // no extension data
    w.Zeros(24);
    // AppInfoBDMV: no output mode or content flags, no video format given.
    const size_t app = w.Open32();
    w.U16(0);
    w.Zeros(32);
    w.Close32(app);
    w.Put32(indexStart, static_cast<uint32_t>(w.Pos()));
    const size_t indexes = w.Open32();
    HdmvObject(w, 0); // first play
    HdmvObject(w, 0); // top menu
    w.U16(1);         // one title
    HdmvObject(w, 0);
    w.Close32(indexes);
    return w.Take();
}

std::vector<uint8_t> BuildMovieObjects(uint32_t playlist)
{
    BEWriter w;
    w.Text("MOBJ0200", 8);
    w.U32(0); // no extension data
    w.Zeros(28);
    const size_t objects = w.Open32();
    w.U32(0);
    w.U16(1);   // one object
    w.U16(0);   // no resume, menu call and title search allowed
    w.U16(1);   // one command: PlayPL with an immediate playlist number
    w.U8(0x22); // one operand, branch group, play sub-group
    w.U8(0x80); // immediate first operand, PlayPL
    w.U8(0);
    w.U8(0);
    w.U32(playlist);
    w.U32(0);
    w.Close32(objects);
    return w.Take();
}

std::vector<uint8_t> BuildPlaylist(const std::vector<BDPlayItem>& items, const std::vector<BDMark>& marks)
{
    if (items.empty() || items.size() > 999)
        QB_THROW(QB_ERR_BAD_PARAM, "A playlist needs 1 to 999 play items");
    BEWriter w;
    w.Text("MPLS0200", 8);
    const size_t listStart = w.Pos();
    w.U32(0);
    const size_t markStart = w.Pos();
    w.U32(0);
    w.U32(0); // no extension data
    w.Zeros(20);
    // AppInfoPlayList: sequential playback, no user operation masked.
    const size_t app = w.Open32();
    w.U8(0);
    w.U8(1);
    w.U16(0);
    w.Zeros(8);
    w.U16(0);
    w.Close32(app);

    w.Put32(listStart, static_cast<uint32_t>(w.Pos()));
    const size_t list = w.Open32();
    w.U16(0);
    w.U16(static_cast<uint32_t>(items.size()));
    w.U16(0); // no sub-paths
    for (const BDPlayItem& item : items) {
        const size_t len = w.Open16();
        w.Text(item.clip.c_str(), 5);
        w.Text("M2TS", 4);
        w.U16(0x0001); // one angle, connection condition 1 (not seamless)
        w.U8(0);       // STC sequence 0
        w.U32(item.in);
        w.U32(item.out);
        w.Zeros(8); // no user operation masked
        w.U8(0);    // no random access flag
        w.U8(0);    // no still
        w.U16(0);
        // STN table: the primary video and audio streams of the clip.
        uint32_t video = 0, audio = 0;
        for (const BDStream& s : item.streams)
            (s.IsVideo() ? video : audio)++;
        const size_t stn = w.Open16();
        w.U16(0);
        w.U8(video);
        w.U8(audio);
        w.Zeros(5); // PG, IG, secondary audio and video, PiP PG
        w.Zeros(5);
        for (const BDStream& s : item.streams) {
            if (s.IsVideo())
                StreamEntry(w, s);
        }
        for (const BDStream& s : item.streams) {
            if (!s.IsVideo())
                StreamEntry(w, s);
        }
        w.Close16(stn);
        w.Close16(len);
    }
    w.Close32(list);

    w.Put32(markStart, static_cast<uint32_t>(w.Pos()));
    const size_t markList = w.Open32();
    w.U16(static_cast<uint32_t>(marks.size()));
    for (const BDMark& m : marks) {
        w.U8(0);
        w.U8(1); // entry mark
        w.U16(m.playItem);
        w.U32(m.time);
        w.U16(0xFFFF);
        w.U32(0);
    }
    w.Close32(markList);
    return w.Take();
}

std::vector<uint8_t> BuildClipInfo(const BDClip& clip)
{
    if (clip.streams.empty() || clip.streams.size() > 255)
        QB_THROW(QB_ERR_BAD_PARAM, "A clip needs 1 to 255 streams");
    BEWriter w;
    w.Text("HDMV0200", 8);
    const size_t sequenceStart = w.Pos();
    w.U32(0);
    const size_t programStart = w.Pos();
    w.U32(0);
    const size_t cpiStart = w.Pos();
    w.U32(0);
    const size_t markStart = w.Pos();
    w.U32(0);
    w.U32(0); // no extension data
    w.Zeros(12);

    // ClipInfo: an AV stream, the main stream of a movie, no ATC delta.
    const size_t info = w.Open32();
    w.U16(0);
    w.U8(1);
    w.U8(1);
    w.U32(0);
    w.U32(clip.recordingRate);
    w.U32(clip.sourcePackets);
    w.Zeros(128);
    const size_t typeInfo = w.Open16();
    w.U8(0x80);
    w.Text("HDMV", 4);
    w.Zeros(25);
    w.Close16(typeInfo);
    w.Close32(info);

    // SequenceInfo: one arrival time sequence holding one system time sequence.
    w.Put32(sequenceStart, static_cast<uint32_t>(w.Pos()));
    const size_t sequence = w.Open32();
    w.U8(0);
    w.U8(1);
    w.U32(0);
    w.U8(1);
    w.U8(0);
    w.U16(clip.pcrPid);
    w.U32(0);
    w.U32(clip.start);
    w.U32(clip.end);
    w.Close32(sequence);

    // ProgramInfo: one program from the first packet on.
    w.Put32(programStart, static_cast<uint32_t>(w.Pos()));
    const size_t program = w.Open32();
    w.U8(0);
    w.U8(1);
    w.U32(0);
    w.U16(clip.pmtPid);
    w.U8(static_cast<uint32_t>(clip.streams.size()));
    w.U8(0);
    for (const BDStream& s : clip.streams) {
        w.U16(s.pid);
        const size_t len = w.Open8();
        w.U8(s.codingType);
        w.U8(static_cast<uint32_t>(s.format) << 4 | s.rate);
        if (s.IsVideo())
            w.U8(static_cast<uint32_t>(s.aspect) << 4);
        else
            w.Text("und", 3);
        w.Close8(len, 21);
    }
    w.Close32(program);

    // CPI: the entry-point map of the first video stream. A coarse entry
    // holds the high bits of time and packet number shared by the fine
    // entries after it.
    w.Put32(cpiStart, static_cast<uint32_t>(w.Pos()));
    const size_t cpi = w.Open32();
    w.U16(1); // EP map
    const size_t epMap = w.Pos();
    const BDStream* video = nullptr;
    for (const BDStream& s : clip.streams) {
        if (s.IsVideo() && !video)
            video = &s;
    }
    w.U8(0);
    w.U8(video ? 1 : 0);
    if (video) {
        struct Coarse
        {
            uint32_t fine;
            uint32_t pts;
            uint32_t packet;
        };
        std::vector<Coarse> coarse;
        for (size_t i = 0; i < clip.entries.size(); ++i) {
            const BDEntryPoint& e = clip.entries[i];
            const uint32_t ptsHigh = static_cast<uint32_t>((e.pts >> 19) & 0x3FFF);
            if (coarse.empty() || (coarse.back().pts >> 1) != (ptsHigh >> 1) ||
                (coarse.back().packet >> 17) != (e.packet >> 17))
                coarse.push_back(Coarse{static_cast<uint32_t>(i), ptsHigh, e.packet});
        }
        if (clip.entries.size() >= (1u << 18))
            QB_THROW(QB_ERR_BAD_PARAM, "Too many entry points in a clip");
        w.U16(video->pid);
        // 10 reserved bits, stream type 1 (video), coarse and fine counts.
        const uint64_t packed =
            (static_cast<uint64_t>(1) << 34) | (static_cast<uint64_t>(coarse.size()) << 18) | clip.entries.size();
        w.U16(static_cast<uint32_t>(packed >> 32));
        w.U32(static_cast<uint32_t>(packed));
        const size_t streamStart = w.Pos();
        w.U32(0);
        w.Put32(streamStart, static_cast<uint32_t>(w.Pos() - epMap));
        const size_t tableStart = w.Pos();
        const size_t fineStart = w.Pos();
        w.U32(0);
        for (const Coarse& c : coarse) {
            w.U32(c.fine << 14 | c.pts);
            w.U32(c.packet);
        }
        w.Put32(fineStart, static_cast<uint32_t>(w.Pos() - tableStart));
        for (const BDEntryPoint& e : clip.entries) {
            // The picture's size class: how far its end lies from its start.
            const uint64_t bytes = static_cast<uint64_t>(e.packets) * 192;
            static const uint64_t kLimits[] = {131072, 262144, 393216, 589824, 917504, 1310720};
            uint32_t size = 7;
            for (int k = 0; k < 6; ++k) {
                if (bytes < kLimits[k]) {
                    size = static_cast<uint32_t>(k + 1);
                    break;
                }
            }
            const uint32_t ptsFine = static_cast<uint32_t>((e.pts >> 9) & 0x7FF);
            w.U32(size << 28 | ptsFine << 17 | (e.packet & 0x1FFFF));
        }
    }
    w.Close32(cpi);

    // ClipMark: none.
    w.Put32(markStart, static_cast<uint32_t>(w.Pos()));
    w.U32(0);
    return w.Take();
}

} // namespace Solvane
