#pragma once

// The decoding order of copied packets, stream by stream, as a container
// wants it: a time that goes back comes just after the one before, and a
// packet far ahead of the one before is held until the next one tells
// whether the source paused there (it keeps its time) or one time went
// astray (it goes just after the one before): one stray time must not
// stretch the movie nor fail the write. Times are the packets' own, in one
// time base for every stream.

#include "FFOwners.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>

namespace Solvane {

class CCopiedPacketOrder
{
public:
    using Put = std::function<void(AVPacket*)>;

    // `jump`: how far ahead of the one before a packet may lie and go at once.
    explicit CCopiedPacketOrder(int64_t jump) : m_jump(jump) {}

    void Clear() { m_streams.clear(); }

    // Hands on the packet (of its stream_index), and one held before it, in
    // order; takes the packet's data either way.
    void Write(AVPacket* p, const Put& put)
    {
        Stream& s = m_streams[p->stream_index];
        if (s.held) {
            AVPacket* held = s.held.get();
            if (p->dts == AV_NOPTS_VALUE || p->dts <= held->dts)
                MoveAfterLast(held, s);
            Order(held, s, put);
            s.held.reset();
        }
        if (p->dts != AV_NOPTS_VALUE && s.lastDts != INT64_MIN && p->dts - s.lastDts > m_jump) {
            s.held = FF::MakePacket();
            av_packet_move_ref(s.held.get(), p);
        } else {
            Order(p, s, put);
        }
    }

    // The end: a packet still held was the last, and no later one tells a
    // pause from a stray time; it goes just after the one before.
    void End(const Put& put)
    {
        for (auto& entry : m_streams) {
            Stream& s = entry.second;
            if (AVPacket* held = s.held.get()) {
                MoveAfterLast(held, s);
                Order(held, s, put);
            }
            s.held.reset();
        }
    }

private:
    struct Stream
    {
        int64_t lastDts = INT64_MIN;
        FF::PacketPtr held;
    };

    static void MoveAfterLast(AVPacket* p, const Stream& s)
    {
        const int64_t to = s.lastDts + std::max<int64_t>(p->duration, 1);
        if (p->pts != AV_NOPTS_VALUE)
            p->pts += to - p->dts;
        p->dts = to;
    }

    static void Order(AVPacket* p, Stream& s, const Put& put)
    {
        if (p->dts != AV_NOPTS_VALUE && s.lastDts != INT64_MIN && p->dts <= s.lastDts) {
            p->dts = s.lastDts + 1;
            if (p->pts != AV_NOPTS_VALUE && p->pts < p->dts)
                p->pts = p->dts;
        }
        if (p->dts != AV_NOPTS_VALUE)
            s.lastDts = p->dts;
        put(p);
    }

    int64_t m_jump;
    std::map<int, Stream> m_streams;
};

} // namespace Solvane
