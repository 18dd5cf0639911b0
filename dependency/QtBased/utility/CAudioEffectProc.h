#pragma once

// The audio effect chain: one clip's sound settings (fade-in, fade-out,
// replacement track, volume) applied to a stream of raw audio frames, each
// step through an audio effect the media manager makes by name. Effects are
// made on the first frame that needs them and kept; a step whose effect
// cannot be made is skipped and logged once. Not thread-safe.

#include "IAVManager.h"
#include "IRawAudioFrame.h"
#include "IVideoProcessor.h"

#include <cstdint>
#include <string>

class CAudioEffectProc
{
public:
    explicit CAudioEffectProc(Moorland::IAVManager* manager);
    ~CAudioEffectProc();
    CAudioEffectProc(const CAudioEffectProc&) = delete;
    CAudioEffectProc& operator=(const CAudioEffectProc&) = delete;

    void SetVolume(double factor) { m_volume = factor; }
    // Start and duration in milliseconds of frame time.
    void SetFadeIn(bool enable, unsigned start, unsigned duration);
    void SetFadeOut(bool enable, unsigned start, unsigned duration);
    // Releases the fade effects so that each fade starts afresh.
    void resetAuidoEffect();
    void SetEnableReplace(bool on) { m_replace = on; }
    void SetEnableLoop(bool on) { m_loop = on ? 1 : 0; }
    void SetReplacePath(std::string path) { m_replacePath = std::move(path); }

    void ProcFrameInPlace(Moorland::IRawAudioFrame*& frame);
    // Volume first; the first step that runs makes a new frame, written into
    // `frame`; the caller keeps its old pointer and frees both. True when replaced.
    bool ProcFrame(Moorland::IRawAudioFrame*& frame);

private:
    void Fade(Moorland::IAudioEffect*& effect, unsigned start, unsigned duration, bool in,
              Moorland::IRawAudioFrame*& frame, bool& makeNew, bool& replaced);
    void Replace(Moorland::IRawAudioFrame*& frame, bool& makeNew, bool& replaced);
    void Volume(Moorland::IRawAudioFrame*& frame, bool& makeNew, bool& replaced);
    void Apply(Moorland::IAudioEffect* e, Moorland::IRawAudioFrame*& frame, bool& makeNew, bool& replaced);
    Moorland::IAudioEffect* Make(Moorland::IAudioEffect*& held, const char* name);

    Moorland::IAVManager* m_manager;
    double m_volume = 1.0;
    Moorland::IAudioEffect* m_volumeEffect = nullptr;
    bool m_fadeIn = false;
    uint32_t m_fadeInStart = 0;
    uint32_t m_fadeInDuration = 0;
    Moorland::IAudioEffect* m_fadeInEffect = nullptr;
    bool m_fadeOut = false;
    uint32_t m_fadeOutStart = 0;
    uint32_t m_fadeOutDuration = 0;
    Moorland::IAudioEffect* m_fadeOutEffect = nullptr;
    bool m_replace = false;
    std::string m_replacePath;
    std::string m_pathInUse;
    Moorland::IAudioEffect* m_replaceEffect = nullptr;
    int32_t m_loop = 0;
    int32_t m_loopInUse = -1;
    int64_t m_lastTimeStamp = 0;
    bool m_loggedMissing = false;
};
