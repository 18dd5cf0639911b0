#pragma once

// Lossless cutting of one job: the clips of the source (a timeline's edit
// description, or one file with the job record's trim range) are written
// into the destination by copying their packets, each cut at the exact
// picture or at the next key picture as the job profile says.

#include <cstdint>

class IProfile;

namespace Moorland {

struct ConvertTaskInfo2;

// What a lossless output can't copy of its clips, or where its cuts fall
// back: a kind and its figures.
enum class LosslessNoticeKind : int32_t {
    // The output's container can't hold the clips' sound: it is left out.
    SoundLeftOut = 1,
    // The container can't hold the clips' subtitles: they are left out.
    SubtitlesLeftOut = 2,
    // No encoder here for the pictures at a cut: the clips start at their
    // next key picture.
    CutsAtNextKeyPicture = 3,
    // The container keeps the clip's turn only as a "rotate" tag, which
    // other players don't read.
    TurnKeptAsTag = 4,
};

struct LosslessNotice
{
    LosslessNoticeKind kind;
    const char* container; // the output's container as users know it ("MP4", "M2TS")
    const char* codec;     // the codec left out; "" for a cut
};

class IAccurateTrimManager
{
public:
    virtual bool OpenFile() = 0;
    virtual bool CloseFile() = 0;
    virtual bool SetTaskInfo(ConvertTaskInfo2* record) = 0;
    virtual void Release() = 0;
    // The record keeps no addresses of the worker: the source address, the
    // importer name (may be null) and the job profile come this way, before
    // SetTaskInfo.
    virtual bool SetSource(const char* address, const char* importerName, IProfile* profile) = 0;

    // The trim step by step, for a caller that watches the job record (pause,
    // cancel, progress) between steps: one packet copied, or the pictures at
    // a cut encoded again. 1: more to do; 0: everything is written; -1: failed,
    // the reason in the thread's last-error record.
    virtual int WriteNext() = 0;
    // Milliseconds written of the output's whole length, and its bytes so far.
    virtual void GetProgress(int64_t* writtenMs, int64_t* lengthMs, uint64_t* bytes) = 0;
    // Checks the source against the destination's container before anything
    // is written (SetSource first; no record needed): false with the reason
    // recorded when the output can't be made.
    virtual bool Check() = 0;
    // After Check or OpenFile: what the output leaves out or where a cut
    // falls back, `*count` notices (0 when nothing), as data that whoever
    // shows them puts into words. Owned by the manager, valid until its next
    // Check or OpenFile.
    virtual const LosslessNotice* GetNotices(uint32_t* count) = 0;

protected:
    virtual ~IAccurateTrimManager() = default;
};

} // namespace Moorland
