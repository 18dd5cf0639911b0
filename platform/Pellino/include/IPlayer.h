#pragma once

// The playback engine: one player plays one IAVSource. It reads and decodes
// on a reader thread, hands every picture to the video callback on a render
// thread when it falls due, and resamples, hands over and plays the sound on
// an audio thread. The clock is the sound device's played position; without
// a device (or once it fails) the monotonic clock carries on from the same
// time without a jump.
//
// States (GetState): 0 playing, 1 paused, 2 closed (nothing open),
// 3 stopped at the start of the play range. Open in state 3 only rewinds.
//
// Callbacks run on the engine's threads, never two video callbacks at once.
// Close, Stop, SetSource and Release return only when no callback runs or
// will run for what they ended. A callback must not call Close, Stop,
// SetSource or Release of its own player.
//
// The play range: the first picture shown is the one shown at its start,
// nothing at or past its end is shown, and the end of the stream is reported
// there; seeks are clamped into it. Seeks, steps and frames at an offset go
// by picture: the picture asked for, none skipped, none repeated.

#include "IRawVideoFrame.h"
#include "MoorlanTypes.h"

#include <cstdint>

namespace Moorland {

class IAVSource;

enum PlayerState : int {
    PLAYER_STATE_PLAYING = 0,
    PLAYER_STATE_PAUSED = 1,
    PLAYER_STATE_CLOSED = 2,
    PLAYER_STATE_STOPPED = 3,
};

// The picture stays the engine's; the callback may read and convert it but
// keeps no pointer to it past its return.
typedef void (*PlayerVideoCallback)(void* context, IRawVideoFrame* frame);
// Interleaved samples in the layout given to Open, changed in place by the
// callback (volume, replacement sound) before they are played. `timeMs` is
// the time of the buffer's first sample in milliseconds; `reserved` is 0.
typedef void (*PlayerAudioCallback)(void* context, void* data, unsigned size, QuentaSampleFormat format, int timeMs,
                                    int reserved);

class IPlayer
{
public:
    // "IPlayerAdvancedName" answers the IPlayerAdvanced of this player.
    virtual void* QueryInterface(const char* name) = 0;
    // Closes and destroys the player. The source stays its owner's.
    virtual void Release() = 0;
    // Opens the attached source for playing sound as `channels` channels at
    // `sampleRate` in the QuentaSampleFormat `sampleFormat` (2, 44100, 3: the
    // interleaved 16-bit stereo of the audio frame filler); the last two
    // values are reserved. In state 3 it only rewinds. False without a
    // source or when the source cannot be played (recorded).
    virtual bool Open(int channels, int sampleRate, int sampleFormat, int reserved1, int reserved2) = 0;
    // Ends playing; the source stays attached (state 2).
    virtual void Close() = 0;
    virtual bool Play() = 0;
    virtual bool Pause() = 0;
    // Stops and rewinds to the range start (state 3).
    virtual bool Stop() = 0;
    // Moves to the picture shown at `ms` (clamped into the range). While
    // paused or stopped the picture is drawn before Seek returns.
    virtual bool Seek(uint32_t ms) = 0;
    virtual int GetState() = 0;
    // Hands the picture on screen to the video callback again.
    virtual void Redraw() = 0;
    // True once the last picture of the range has been shown.
    virtual bool IsEndOfStream() = 0;
    virtual void SetAudioCallback(PlayerAudioCallback callback, void* context) = 0;
    virtual void SetVideoCallback(PlayerVideoCallback callback, void* context) = 0;
    // Milliseconds of the attached source; 0 without one.
    virtual uint32_t GetDuration() = 0;
    // The clock, in milliseconds of the source.
    virtual uint32_t GetCurrentTime() = 0;
    // A copy of the picture on screen as the video callback got it, which the
    // caller frees with its Free; null (false) when none has been shown.
    virtual bool GetCurrentFrame(IRawVideoFrame** frame) = 0;
    // Attaches a source (closing what plays) or, with null, detaches it. The
    // source stays its owner's and must outlive its attachment.
    virtual bool SetSource(IAVSource* source) = 0;

protected:
    virtual ~IPlayer() = default;
};

// What the render thread counted since the last Open or seek.
struct PlayerStatistics
{
    int64_t shown;      // pictures handed to the video callback while playing
    int64_t dropped;    // pictures skipped because a later one was due already
    int64_t late;       // pictures shown more than one picture's length after their time
    int64_t lastLateMs; // how late the last picture was shown (negative: early)
    int audioDevice;    // 1 while the clock follows a sound device
};

class IPlayerAdvanced
{
public:
    // One picture forward or back from the one on screen, shown before the
    // call returns; the player ends paused. False at the range's edge.
    virtual bool NextFrame() = 0;
    virtual bool PreFrame() = 0;
    virtual void SetRangeStart(uint32_t ms) = 0;
    // A value past the duration means the end of the source.
    virtual void SetRangeEnd(uint32_t ms) = 0;
    virtual uint32_t GetRangeStart() = 0;
    // -1 when no end was set.
    virtual int64_t GetRangeEnd() = 0;
    // Kind 0: the picture on screen's start in milliseconds, int64_t;
    // kind 1: its index in the source (int, start time / picture length);
    // kind 2: the pictures read ahead of it (int). `reserved` points to 0.
    virtual bool QueryPicture(int kind, void* out, int* reserved) = 0;
    // Flag 1: *frame receives the picture `offset` pictures from the one on
    // screen, as a copy the caller frees, or null past the range. Flag 0
    // (frame may be null) while paused moves the player to that picture
    // without drawing it; while playing it only reads ahead to it.
    virtual bool GetFrameAtOffset(int offset, IRawVideoFrame** frame, int flag) = 0;
    virtual bool GetStatistics(PlayerStatistics* statistics) = 0;

protected:
    virtual ~IPlayerAdvanced() = default;
};

} // namespace Moorland

#define IPLAYER_ADVANCED_NAME "IPlayerAdvancedName"
