#pragma once

// The playback engine behind IPlayer: a reader thread that owns the source
// and queues copies of its pictures and sound, a render thread that hands
// each picture to the video callback when the clock reaches it, and an audio
// thread that resamples the sound, hands it to the audio callback and plays
// it (or, without a device, lets it pass at the clock's pace).

#include "CPlayerClock.h"
#include "IAVImporter.h" // IAVSourceSetProperty
#include "IAVSource.h"
#include "IPlayer.h"
#include "Moorlan.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class QThread;

namespace Pellino {

struct VideoFrameFree
{
    void operator()(Moorland::IRawVideoFrame* f) const
    {
        if (f)
            f->Free();
    }
};
struct AudioFrameFree
{
    void operator()(Moorland::IRawAudioFrame* f) const
    {
        if (f)
            f->Free();
    }
};
struct ResamplerRelease
{
    void operator()(Moorland::IAudioResampler* r) const
    {
        if (r)
            r->Release();
    }
};
using VideoFramePtr = std::unique_ptr<Moorland::IRawVideoFrame, VideoFrameFree>;
using AudioFramePtr = std::unique_ptr<Moorland::IRawAudioFrame, AudioFrameFree>;
using ResamplerPtr = std::unique_ptr<Moorland::IAudioResampler, ResamplerRelease>;

class CAudioSink;

class CPlayer final : public Moorland::IPlayer, public Moorland::IPlayerAdvanced
{
public:
    CPlayer();
    CPlayer(const CPlayer&) = delete;
    CPlayer& operator=(const CPlayer&) = delete;

    // IPlayer
    void* QueryInterface(const char* name) override;
    void Release() override;
    bool Open(int channels, int sampleRate, int sampleFormat, int reserved1, int reserved2) override;
    void Close() override;
    bool Play() override;
    bool Pause() override;
    bool Stop() override;
    bool Seek(uint32_t ms) override;
    int GetState() override;
    void Redraw() override;
    bool IsEndOfStream() override;
    void SetAudioCallback(Moorland::PlayerAudioCallback callback, void* context) override;
    void SetVideoCallback(Moorland::PlayerVideoCallback callback, void* context) override;
    uint32_t GetDuration() override;
    uint32_t GetCurrentTime() override;
    bool GetCurrentFrame(Moorland::IRawVideoFrame** frame) override;
    bool SetSource(Moorland::IAVSource* source) override;

    // IPlayerAdvanced
    bool NextFrame() override;
    bool PreFrame() override;
    void SetRangeStart(uint32_t ms) override;
    void SetRangeEnd(uint32_t ms) override;
    uint32_t GetRangeStart() override;
    int64_t GetRangeEnd() override;
    bool QueryPicture(int kind, void* out, int* reserved) override;
    bool GetFrameAtOffset(int offset, Moorland::IRawVideoFrame** frame, int flag) override;
    Moorland::IRawVideoFrame* FrameAtOffset(int offset, int flag);
    bool GetStatistics(Moorland::PlayerStatistics* statistics) override;

    // For the audio sink, on the audio thread: fills `size` bytes of sound
    // for the device; false when nothing is there to play yet.
    size_t PullSound(char* data, size_t size);
    // The sink's report: the device has played `playedBytes` since it started.
    void DevicePlayed(int64_t playedBytes, std::chrono::steady_clock::time_point at);
    void DeviceFailed();
    bool AudioWanted();
    bool Quitting();
    // Bytes given to the device so far: the base of a restarted device's count.
    int64_t DeviceBytes();

private:
    ~CPlayer();

    struct QueuedPicture
    {
        VideoFramePtr frame;
        uint64_t generation;
    };
    struct QueuedSound
    {
        AudioFramePtr frame;
        uint64_t generation;
    };
    // A stretch of bytes given to the device and the source time of its first byte.
    struct SoundSpan
    {
        int64_t firstByte;
        double ms; // -1 for silence put in by an underrun
        uint64_t generation;
    };

    void CloseThreads();
    void ReaderLoop();
    bool WantVideoLocked() const;
    bool WantSoundLocked() const;
    // Moves the source to the pending seek's place.
    void SeekSourceLocked(std::unique_lock<std::mutex>& lock);
    // One read of what the queues want most, queued.
    void ReadOnceLocked(std::unique_lock<std::mutex>& lock, Moorland::IAVSourceSetProperty* property, bool& leavingOut);
    void QueuePictureLocked(VideoFramePtr picture, uint64_t generation, uint32_t end);
    void QueueSoundLocked(AudioFramePtr sound, uint64_t generation, uint32_t end);
    void RenderLoop();
    void AudioLoop();
    // Without a device: sound up to the clock passes through the callback.
    void PassSound();
    // Converts the next queued sound block and hands it to the callback into m_pcm.
    bool ConvertNextSound(std::unique_lock<std::mutex>& lock);
    void Deliver(Moorland::IRawVideoFrame* frame);
    uint32_t RangeEndLocked() const;
    // Moves to the picture shown at `ms`; with `show`, waits until it is drawn.
    bool SeekLocked(std::unique_lock<std::mutex>& lock, uint32_t ms, bool show);
    bool WaitShown(std::unique_lock<std::mutex>& lock, uint64_t generation);
    void ClearQueuesLocked();
    // Hands a picture to the reader thread to free; takes the lock's holder.
    void RetireLocked(VideoFramePtr picture);
    // Puts the queue back behind the picture at `ms`, which the player holds.
    void Settle(int64_t ms);
    // Pictures read while the source left some out have gaps: paused, the
    // queue is read again without them from the picture on screen.
    void FillGapsLocked();
    int64_t CurrentPictureMsLocked() const;

    std::mutex m_mutex;
    std::condition_variable m_wake; // any change the threads wait for
    std::condition_variable m_done; // pictures shown, requests done

    Moorland::IAVSource* m_source = nullptr;
    uint32_t m_duration = 0;
    bool m_hasVideo = false;
    bool m_hasAudio = false;
    int m_state = Moorland::PLAYER_STATE_CLOSED;
    uint32_t m_rangeStart = 0;
    int64_t m_rangeEnd = -1;

    int m_channels = 2;
    int m_sampleRate = 44100;
    int m_sampleFormat = Moorland::QUENTA_SAMPLE_S16;

    // Reader side.
    bool m_quit = false;
    uint64_t m_generation = 0; // one per seek: queued items of older ones are dropped
    bool m_seekPending = false;
    uint32_t m_seekTarget = 0;
    uint64_t m_readGeneration = 0; // the generation the reader's queues belong to
    bool m_videoEnded = false;
    bool m_audioEnded = false;
    bool m_readFailed = false;
    int64_t m_lastVideoMs = -1;
    int64_t m_lastAudioMs = -1;
    uint32_t m_seekFloor = 0;   // sound ending before the seek's target is not played
    uint64_t m_skipFirstOf = 0; // the generation whose first picture the player holds already
    std::deque<QueuedPicture> m_pictures;
    std::deque<QueuedSound> m_sounds;
    bool m_catchUp = false; // the source is to leave out pictures nothing is decoded from
    uint64_t m_gapsOf = 0;  // the generation whose pictures were read with gaps

    // Render side.
    uint64_t m_showGeneration = 0;  // the generation whose first picture is to be shown at once
    bool m_showNext = false;        // show the next queued picture at once (a step)
    uint64_t m_shownGeneration = 0; // the generation of the last picture shown
    uint64_t m_shownCount = 0;      // pictures shown, for waiters
    bool m_redraw = false;
    bool m_delivering = false; // a popped picture is on its way to the callback
    bool m_endOfStream = false;
    VideoFramePtr m_current; // the picture on screen
    // Pictures done with, freed by the reader thread outside the lock: giving
    // a picture back to the decoder's pool can wait for a decoding thread,
    // which neither the lock's holders nor the render thread may do.
    std::vector<VideoFramePtr> m_retired;
    std::deque<VideoFramePtr> m_behind; // pictures just before m_behindOf, oldest first
    int64_t m_behindOf = -1;
    int64_t m_currentMs = -1;
    unsigned m_currentDuration = 0;
    Moorland::PlayerStatistics m_stats{};

    // Audio side.
    uint64_t m_soundGeneration = 0;
    ResamplerPtr m_resampler;
    std::vector<char> m_pcm; // converted sound not yet given to the device
    size_t m_pcmRead = 0;
    double m_pcmMs = -1;       // source time of m_pcm[m_pcmRead]
    int64_t m_deviceBytes = 0; // bytes given to the device since its start
    std::deque<SoundSpan> m_spans;
    std::atomic<bool> m_deviceActive{false};
    std::atomic<bool> m_deviceFailed{false};
    double m_passedMs = -1; // without a device: the end of the sound passed so far

    std::mutex m_callbackMutex; // held while a callback runs or is changed
    Moorland::PlayerVideoCallback m_videoCallback = nullptr;
    void* m_videoContext = nullptr;
    Moorland::PlayerAudioCallback m_audioCallback = nullptr;
    void* m_audioContext = nullptr;

    CPlayerClock m_clock;
    std::thread m_reader;
    std::thread m_render;
    std::unique_ptr<QThread> m_audio;
};

} // namespace Pellino
