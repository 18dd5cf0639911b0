#include "CAudioEffectProc.h"

#include "Basilvo/QuentaLogger.h"

#include <string>

CAudioEffectProc::CAudioEffectProc(Moorland::IAVManager* manager) : m_manager(manager) {}

CAudioEffectProc::~CAudioEffectProc()
{
    for (Moorland::IAudioEffect* e : {m_volumeEffect, m_fadeInEffect, m_fadeOutEffect, m_replaceEffect})
        if (e)
            e->Release();
}

void CAudioEffectProc::SetFadeIn(bool enable, unsigned start, unsigned duration)
{
    m_fadeIn = enable;
    m_fadeInStart = start;
    m_fadeInDuration = duration;
}

void CAudioEffectProc::SetFadeOut(bool enable, unsigned start, unsigned duration)
{
    m_fadeOut = enable;
    m_fadeOutStart = start;
    m_fadeOutDuration = duration;
}

void CAudioEffectProc::resetAuidoEffect()
{
    for (Moorland::IAudioEffect** e : {&m_fadeInEffect, &m_fadeOutEffect}) {
        if (*e)
            (*e)->Release();
        *e = nullptr;
    }
}

Moorland::IAudioEffect* CAudioEffectProc::Make(Moorland::IAudioEffect*& held, const char* name)
{
    if (!held && m_manager)
        held = m_manager->CreateAudioEffect(name);
    if (!held && !m_loggedMissing) {
        m_loggedMissing = true;
        GetQuentaLogger()->Log(LOG_WARN, "CAudioEffectProc",
                               (std::string("no audio effect \"") + name + "\"; the step is skipped").c_str(), nullptr,
                               0);
    }
    return held;
}

void CAudioEffectProc::Apply(Moorland::IAudioEffect* e, Moorland::IRawAudioFrame*& frame, bool& makeNew, bool& replaced)
{
    if (makeNew) {
        if (Moorland::IRawAudioFrame* made = e->ProcessFrame(frame)) {
            frame = made;
            replaced = true;
            makeNew = false;
        }
        return;
    }
    e->ProcessFrameInPlace(frame);
}

void CAudioEffectProc::Fade(Moorland::IAudioEffect*& effect, unsigned start, unsigned duration, bool in,
                            Moorland::IRawAudioFrame*& frame, bool& makeNew, bool& replaced)
{
    Moorland::IAudioEffect* e = Make(effect, "audio_fader");
    if (!e)
        return;
    e->SetParameter("fader_start_time", std::to_string(start).c_str());
    e->SetParameter("fader_duration", std::to_string(duration).c_str());
    e->SetParameter("fader_start_scale", in ? "0" : "1.00");
    e->SetParameter("fader_end_scale", in ? "1.00" : "0");
    Apply(e, frame, makeNew, replaced);
}

void CAudioEffectProc::Replace(Moorland::IRawAudioFrame*& frame, bool& makeNew, bool& replaced)
{
    if (!m_replace || m_replacePath.empty())
        return;
    const int64_t t = frame->GetTimeStamp();
    Moorland::IAudioEffect* e = Make(m_replaceEffect, "audio_replace");
    if (!e)
        return;
    if (m_replacePath != m_pathInUse) {
        e->SetParameter("audio_replace_path", m_replacePath.c_str());
        e->SetParameter("audio_replace_loop", std::to_string(m_loop).c_str());
        m_loopInUse = m_loop;
        e->SetTimePosition(t);
    } else if (m_loop != m_loopInUse) {
        // The loop switch counts whenever it changes, not only with a new path.
        e->SetParameter("audio_replace_loop", std::to_string(m_loop).c_str());
        m_loopInUse = m_loop;
    }
    if (t < m_lastTimeStamp || t - m_lastTimeStamp > 50000000)
        e->SetTimePosition(t);
    Apply(e, frame, makeNew, replaced);
    m_lastTimeStamp = t;
    m_pathInUse = m_replacePath;
}

void CAudioEffectProc::Volume(Moorland::IRawAudioFrame*& frame, bool& makeNew, bool& replaced)
{
    const int percent = static_cast<int>(m_volume * 100.0);
    if (percent == 100)
        return;
    Moorland::IAudioEffect* e = Make(m_volumeEffect, "audio_volume");
    if (!e)
        return;
    e->SetParameter("audio_volume", std::to_string(percent).c_str());
    Apply(e, frame, makeNew, replaced);
}

void CAudioEffectProc::ProcFrameInPlace(Moorland::IRawAudioFrame*& frame)
{
    Moorland::IRawAudioFrame* f = frame;
    if (!f)
        return;
    bool makeNew = false, replaced = false;
    if (m_fadeIn)
        Fade(m_fadeInEffect, m_fadeInStart, m_fadeInDuration, true, f, makeNew, replaced);
    if (m_fadeOut)
        Fade(m_fadeOutEffect, m_fadeOutStart, m_fadeOutDuration, false, f, makeNew, replaced);
    Replace(f, makeNew, replaced);
    Volume(f, makeNew, replaced);
}

bool CAudioEffectProc::ProcFrame(Moorland::IRawAudioFrame*& frame)
{
    if (!frame)
        return false;
    bool makeNew = true, replaced = false;
    Volume(frame, makeNew, replaced);
    if (m_fadeIn)
        Fade(m_fadeInEffect, m_fadeInStart, m_fadeInDuration, true, frame, makeNew, replaced);
    if (m_fadeOut)
        Fade(m_fadeOutEffect, m_fadeOutStart, m_fadeOutDuration, false, frame, makeNew, replaced);
    Replace(frame, makeNew, replaced);
    return replaced;
}
