#pragma once

// One clip of a lossless output: its source's packets within the clip's
// range, with their times counted from the clip's first picture. Packets
// are copied as they are; a cut inside a group of pictures either moves to
// the group's next key picture (`exact` false, or no encoder for the codec)
// or has the pictures from the cut to that key picture encoded again
// (CFFSeamEncoder). Sound packets overlapping a cut are kept whole.

#include "CFFSeamEncoder.h"
#include "CopiedPacketOrder.h"
#include "FFOwners.h"

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Solvane {

struct CopyClipRange
{
    std::string path;
    int64_t startMs = 0;
    int64_t endMs = -1; // -1: to the end of the source
};

class CFFCopyClip
{
public:
    // Opens the source and chooses its picture, sound and subtitle streams;
    // throws naming the file when it can't.
    CFFCopyClip(const CopyClipRange& range, bool exact);

    AVFormatContext* Input() const { return m_input.get(); }
    int VideoIndex() const { return m_video; }
    int AudioIndex() const { return m_audio; }
    const std::vector<int>& SubtitleIndexes() const { return m_subtitles; }
    // Whether a cut of the clip falls back to the next key picture for want
    // of an encoder (a clip that is not cut needs none).
    bool FallsBack() const;
    // Milliseconds the clip lasts by its range and its source's length.
    int64_t ExpectedMs() const;

    // Puts the clip's next packets (source stream index, source time base,
    // times from the clip's first picture) into `out`; false once the clip
    // is done. The first copied key packet gets the stream's parameter sets
    // in band when `setsAtStart`. Throws on a read failure and when the
    // source ends before the clip does.
    bool Next(std::deque<FF::PacketPtr>& out);
    void SetParameterSetsAtStart(bool on) { m_setsAtStart = on; }
    // Where the clip's first picture lies in its source (ms from the
    // source's start), once Next has handed out packets.
    int64_t FirstPictureMs() const;
    // The end of the clip's last picture (video time base, from its first).
    int64_t VideoEnd() const { return m_videoEnd; }

private:
    int64_t ToStream(int64_t ms, int index) const;
    void Seek();
    void SeekToStart();
    // Reads on from a seek to the first key picture: whether it lies at or
    // before the in-point (the seek then was far enough back).
    bool FirstKeyAtOrBeforeStart();
    // One packet read, in decoding order, to the picture or the other streams.
    void Take(AVPacket* packet, std::deque<FF::PacketPtr>& out);
    void OnVideo(FF::PacketPtr packet, std::deque<FF::PacketPtr>& out);
    void OnOther(FF::PacketPtr packet, std::deque<FF::PacketPtr>& out);
    // Whether a sound or subtitle packet lies in the clip; its times then
    // count from the clip's first picture.
    bool Pass(AVPacket* packet);
    void ProcessGop(int64_t nextKey, std::deque<FF::PacketPtr>& out);
    void StartGop(int64_t nextKey, std::deque<FF::PacketPtr>& out);
    void CopyGop(std::deque<FF::PacketPtr>& out);
    void Emit(size_t count, std::deque<FF::PacketPtr>& out);
    void EndStartGop(std::deque<FF::PacketPtr>& out);
    std::vector<AVPacket*> GopPackets() const;
    // The first of the group's leading pictures (shown before its key
    // picture, an open group's) at or after `from`; INT64_MAX when none is.
    int64_t FirstLeading(int64_t from) const;
    void EncodeAgain(const std::vector<AVPacket*>& packets, int64_t from, int64_t to, std::deque<FF::PacketPtr>& out);
    void Start(int64_t zero, std::deque<FF::PacketPtr>& out);
    void CheckEnd() const;

    CopyClipRange m_range;
    FF::InputFormatPtr m_input;
    int m_video = -1;
    int m_audio = -1;
    std::vector<int> m_subtitles;
    bool m_exactWanted;
    bool m_exact;
    bool m_setsAtStart = false;
    int64_t m_startTs; // the in-point (video time base)
    int64_t m_endTs;   // the out-point (video time base), INT64_MAX none
    int64_t m_frameTicks = 1;
    std::vector<FF::PacketPtr> m_gop;
    // The group of an exact in-point, held until the next group is read.
    std::vector<FF::PacketPtr> m_startGop;
    // The group before the one being read: what an open group's leading
    // pictures refer to.
    std::vector<FF::PacketPtr> m_prevGop;
    int64_t m_startFirst = 0;
    std::vector<FF::PacketPtr> m_held; // sound and subtitles before the first picture is known
    bool m_started = false;
    bool m_videoDone = false;
    bool m_otherDone = false;
    bool m_eof = false;
    bool m_afterSegment = false;
    bool m_copiedAny = false;
    int64_t m_zero = 0;            // the first picture's time (video time base)
    int64_t m_videoEnd = 0;        // from m_zero
    int64_t m_readEnd = INT64_MIN; // the end of the last picture read (video time base)
    int64_t m_anyEnd = INT64_MIN;  // the end of the last packet of any stream read (video time base)
    // Each stream's packets in decoding order, a stray time put back in line.
    std::map<int, CCopiedPacketOrder> m_order;
    std::unique_ptr<CFFSeamEncoder> m_encoder;
};

} // namespace Solvane
