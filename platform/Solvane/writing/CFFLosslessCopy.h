#pragma once

// A lossless output: the clips of a timeline, each with its range, written
// one after the other into one file by copying their compressed packets
// (CFFCopyClip), with continuous times. The first clip's streams make the
// output's: its picture stream with its display matrix, language and the
// rest of its description, its sound and its subtitle streams where the
// container holds them. Every later clip must have pictures of the same
// codec and size.

#include "CFFCopyClip.h"
#include "CFFOutputFile.h"
#include "IAccurateTrimManager.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace Solvane {

struct LosslessTarget
{
    std::string path;      // the file written
    std::string format;    // the muxer's name; empty: by the path's extension, else the source's container
    std::string extension; // the extension the profile names, for the muxer when the path has none
    bool exact = false;    // cut at the exact picture (else at the next key picture)
};

class CFFLosslessCopy
{
public:
    CFFLosslessCopy(std::vector<CopyClipRange> clips, const LosslessTarget& target);
    ~CFFLosslessCopy();

    // Opens every clip and checks it against the container and the first
    // clip; throws with the reason when the output can't be made, and notes
    // what the output leaves out or where a cut falls back.
    void Check();
    // One thing the output can't copy, or its cuts falling back.
    struct Notice
    {
        Moorland::LosslessNoticeKind kind;
        std::string container;
        std::string codec;
    };
    const std::vector<Notice>& Notices() const { return m_notices; }
    // Milliseconds the output lasts by the clips' ranges.
    int64_t LengthMs() const { return m_lengthMs; }

    // Creates the file and writes its header.
    void Begin();
    // Writes the next packet; false once every clip is written.
    bool Step();
    // Writes the trailer (only with `success`) and closes the file.
    void End(bool success);
    // Milliseconds of pictures written, and the file's bytes so far.
    int64_t WrittenMs() const { return m_writtenMs; }
    uint64_t Bytes() const;

private:
    struct OutStream
    {
        int index = -1;            // in the output
        AVRational timeBase{1, 1}; // of the packets handed over
        AVMediaType type = AVMEDIA_TYPE_UNKNOWN;
        int64_t lastDts = INT64_MIN;
        int64_t lastEnd = INT64_MIN;
    };

    const AVOutputFormat* Muxer(AVFormatContext* firstInput) const;
    bool Holds(AVCodecID id) const;
    std::string ContainerName() const;
    void AddStream(AVStream* source);
    void OpenClip(size_t index);
    void EndClip();
    void Write(FF::PacketPtr packet);

    std::vector<CopyClipRange> m_clips;
    LosslessTarget m_target;
    const AVOutputFormat* m_muxer = nullptr;
    std::unique_ptr<CFFCopyClip> m_clip;
    size_t m_nextClip = 0;
    std::unique_ptr<CFFOutputFile> m_out;
    std::vector<OutStream> m_streams; // output streams in order: pictures, sound, subtitles
    std::vector<int> m_map;           // the current clip's stream index -> m_streams index, -1 none
    std::deque<FF::PacketPtr> m_queue;
    int64_t m_offset = 0; // where the current clip starts (the output picture stream's time base)
    int64_t m_lengthMs = 0;
    int64_t m_writtenMs = 0;
    bool m_editLists = false; // the container hides what starts before 0
    std::vector<Notice> m_notices;
    // The first clip's pictures, which every later clip must match.
    AVCodecID m_videoCodec = AV_CODEC_ID_NONE;
    int m_width = 0;
    int m_height = 0;
    std::string m_videoHeader;
};

} // namespace Solvane
