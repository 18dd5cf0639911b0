#include "EditProcessors.h"

#include "CBaseException.h"
#include "IAVManager.h"
#include "IAVSource.h"
#include "Moorlan.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Solvane {

namespace {

template <typename F> void ForEachSample(Moorland::IRawAudioFrame* f, F fn)
{
    const int format = f->GetSampleFormat();
    const int channels = std::max(f->GetChannels(), 1);
    const bool planar = Moorland::IsPlanarSampleFormat(format);
    const unsigned bytes = Moorland::GetSampleBytes(format);
    if (bytes == 0 || format == Moorland::QUENTA_SAMPLE_S24 || format == Moorland::QUENTA_SAMPLE_S24P)
        QB_THROW(QB_ERR_MEDIA, "sample format " + std::to_string(format) + " is not supported");
    for (unsigned b = 0; b < f->GetBufferCount(); ++b) {
        unsigned size = 0;
        uint8_t* data = f->GetBuffer(b, &size);
        if (!data)
            continue;
        const unsigned count = size / bytes;
        for (unsigned i = 0; i < count; ++i) {
            const unsigned frameIndex = planar ? i : i / static_cast<unsigned>(channels);
            uint8_t* p = data + static_cast<size_t>(i) * bytes;
            switch (format) {
            case Moorland::QUENTA_SAMPLE_U8:
            case Moorland::QUENTA_SAMPLE_U8P:
                *p = static_cast<uint8_t>(
                    std::lround(std::max(0.0, std::min(255.0, fn((*p - 128) / 128.0, frameIndex) * 128.0 + 128))));
                break;
            case Moorland::QUENTA_SAMPLE_S16:
            case Moorland::QUENTA_SAMPLE_S16P: {
                int16_t v;
                memcpy(&v, p, 2);
                v = static_cast<int16_t>(
                    std::lround(std::max(-32768.0, std::min(32767.0, fn(v / 32768.0, frameIndex) * 32768.0))));
                memcpy(p, &v, 2);
                break;
            }
            case Moorland::QUENTA_SAMPLE_S32:
            case Moorland::QUENTA_SAMPLE_S32P: {
                int32_t v;
                memcpy(&v, p, 4);
                v = static_cast<int32_t>(std::llround(
                    std::max(-2147483648.0, std::min(2147483647.0, fn(v / 2147483648.0, frameIndex) * 2147483648.0))));
                memcpy(p, &v, 4);
                break;
            }
            case Moorland::QUENTA_SAMPLE_FLT:
            case Moorland::QUENTA_SAMPLE_FLTP: {
                float v;
                memcpy(&v, p, 4);
                v = static_cast<float>(fn(v, frameIndex));
                memcpy(p, &v, 4);
                break;
            }
            default: {
                double v;
                memcpy(&v, p, 8);
                v = fn(v, frameIndex);
                memcpy(p, &v, 8);
                break;
            }
            }
        }
    }
}

class CAudioEffectBase : public Moorland::IAudioEffect
{
public:
    explicit CAudioEffectBase(const char* name) : m_name(name) {}
    void Release() override { delete this; }
    bool SetParameter(const char* name, const char* value) override
    {
        return QB_GUARDED(false, {
            if (!name || !value)
                QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
            if (!Accepts(name))
                QB_THROW(QB_ERR_BAD_PARAM, m_name + " has no parameter \"" + name + "\"");
            Store(name, value);
            return true;
        });
    }
    void SetTimePosition(int64_t) override {}
    Moorland::IRawAudioFrame* ProcessFrame(Moorland::IRawAudioFrame* frame) override
    {
        return QB_GUARDED(static_cast<Moorland::IRawAudioFrame*>(nullptr), {
            if (!frame)
                QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
            Moorland::IRawAudioFrame* copy = frame->Clone();
            if (!copy)
                QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
            try {
                Process(copy);
            } catch (...) {
                copy->Free();
                throw;
            }
            return copy;
        });
    }
    bool ProcessFrameInPlace(Moorland::IRawAudioFrame* frame) override
    {
        return QB_GUARDED(false, {
            if (!frame)
                QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
            Process(frame);
            return true;
        });
    }

protected:
    virtual ~CAudioEffectBase() = default;
    virtual bool Accepts(const std::string& name) const = 0;
    virtual void Store(const std::string& name, const std::string& value)
    {
        char* end = nullptr;
        const double v = strtod(value.c_str(), &end);
        if (end == value.c_str() || !std::isfinite(v))
            QB_THROW(QB_ERR_BAD_PARAM, m_name + ": \"" + value.substr(0, 32) + "\" is no number");
        m_params[name] = v;
    }
    virtual void Process(Moorland::IRawAudioFrame* frame) = 0;
    double Param(const char* name, double fallback) const
    {
        auto it = m_params.find(name);
        return it == m_params.end() ? fallback : it->second;
    }

    std::string m_name;
    std::map<std::string, double> m_params;
};

class CVolumeEffect final : public CAudioEffectBase
{
public:
    CVolumeEffect() : CAudioEffectBase("audio_volume") {}

private:
    bool Accepts(const std::string& n) const override { return n == "audio_volume"; }
    void Process(Moorland::IRawAudioFrame* frame) override
    {
        const double gain = std::max(0.0, Param("audio_volume", 100)) / 100.0;
        if (gain != 1.0)
            ForEachSample(frame, [gain](double v, unsigned) { return v * gain; });
    }
};

class CFaderEffect final : public CAudioEffectBase
{
public:
    CFaderEffect() : CAudioEffectBase("audio_fader") {}

private:
    bool Accepts(const std::string& n) const override
    {
        return n == "fader_start_time" || n == "fader_duration" || n == "fader_start_scale" || n == "fader_end_scale";
    }
    void Process(Moorland::IRawAudioFrame* frame) override
    {
        const double start = Param("fader_start_time", 0), duration = Param("fader_duration", 0);
        const double from = Param("fader_start_scale", 1), to = Param("fader_end_scale", 1);
        const double t0 = static_cast<double>(frame->GetTimeStamp()) / Moorland::kTicksPerMs;
        const double msPerSample = frame->GetSampleRate() > 0 ? 1000.0 / frame->GetSampleRate() : 0.0;
        ForEachSample(frame, [&](double v, unsigned i) {
            const double t = t0 + i * msPerSample;
            double gain = t <= start ? from : t >= start + duration ? to : from + (to - from) * (t - start) / duration;
            return v * gain;
        });
    }
};

class CReplaceEffect final : public CAudioEffectBase
{
public:
    explicit CReplaceEffect(Moorland::IAVManager* manager) : CAudioEffectBase("audio_replace"), m_manager(manager) {}
    ~CReplaceEffect() { Close(); }

    void SetTimePosition(int64_t time100ns) override
    {
        m_seekMs = std::max<int64_t>(time100ns / Moorland::kTicksPerMs, 0);
        m_seekPending = true;
    }

private:
    bool Accepts(const std::string& n) const override { return n == "audio_replace_path" || n == "audio_replace_loop"; }
    void Store(const std::string& name, const std::string& value) override
    {
        if (name == "audio_replace_path") {
            if (value != m_path) {
                Close();
                m_path = value;
                m_seekPending = m_seekMs > 0;
            }
        } else {
            m_loop = value == "1";
        }
    }
    void Close()
    {
        if (m_source)
            m_source->Release();
        m_source = nullptr;
        if (m_resampler)
            m_resampler->Release();
        m_resampler = nullptr;
        for (auto& q : m_fifo)
            q.clear();
        m_ended = false;
    }
    // Fills every buffer's FIFO with at least `bytes` bytes (silence past the end).
    void Fill(size_t need)
    {
        int guard = 0;
        while (m_fifo[0].size() < need && !m_ended) {
            Moorland::IRawAudioFrame* a = nullptr;
            Moorland::IRawVideoFrame* v = nullptr;
            if (!m_source->ReadFrames(&a, &v, nullptr, Moorland::AVReadAudioOnly)) {
                if (!m_source->IsEndOfStream())
                    QuentaBased::ThrowLastError();
                if (m_loop && guard++ < 2 && m_source->GetDuration() > 0) {
                    if (!m_source->Seek(0))
                        QuentaBased::ThrowLastError();
                    continue;
                }
                m_ended = true;
                break;
            }
            if (!a)
                continue;
            guard = 0;
            Moorland::IRawAudioFrame* r = m_resampler->Convert(a);
            if (!r)
                QuentaBased::ThrowLastError();
            for (unsigned b = 0; b < r->GetBufferCount() && b < m_fifo.size(); ++b) {
                unsigned size = 0;
                const uint8_t* data = r->GetBuffer(b, &size);
                if (data)
                    m_fifo[b].insert(m_fifo[b].end(), data, data + size);
            }
        }
    }
    void Process(Moorland::IRawAudioFrame* frame) override
    {
        if (m_path.empty())
            return;
        const int format = frame->GetSampleFormat(), rate = frame->GetSampleRate(), channels = frame->GetChannels();
        if (!m_source || format != m_format || rate != m_rate || channels != m_channels) {
            Close();
            m_source = m_manager->CreateSourceFromFile(m_path.c_str(), -1, -2);
            if (!m_source)
                QuentaBased::ThrowLastError();
            if (m_source->GetAudioStreamID() < 0)
                QB_THROW(QB_ERR_MEDIA, "The replacement file has no sound: " + m_path);
            m_resampler = CreateAudioResampler(format, rate, channels, 0, 0, 0, 0, 0);
            if (!m_resampler)
                QuentaBased::ThrowLastError();
            m_format = format;
            m_rate = rate;
            m_channels = channels;
            m_fifo.assign(frame->GetBufferCount(), std::deque<uint8_t>());
        }
        if (m_seekPending) {
            m_seekPending = false;
            const uint32_t duration = m_source->GetDuration();
            const int64_t at = m_loop && duration > 0 ? m_seekMs % duration : m_seekMs;
            for (auto& q : m_fifo)
                q.clear();
            m_ended = false;
            if (!m_source->Seek(static_cast<uint32_t>(std::min<int64_t>(at, UINT32_MAX))))
                QuentaBased::ThrowLastError();
        }
        unsigned size0 = 0;
        frame->GetBuffer(0, &size0);
        Fill(size0);
        for (unsigned b = 0; b < frame->GetBufferCount() && b < m_fifo.size(); ++b) {
            unsigned size = 0;
            uint8_t* data = frame->GetBuffer(b, &size);
            if (!data)
                continue;
            std::deque<uint8_t>& q = m_fifo[b];
            const size_t n = std::min<size_t>(size, q.size());
            std::copy(q.begin(), q.begin() + static_cast<std::ptrdiff_t>(n), data);
            q.erase(q.begin(), q.begin() + static_cast<std::ptrdiff_t>(n));
            const bool unsignedSilence = format == Moorland::QUENTA_SAMPLE_U8 || format == Moorland::QUENTA_SAMPLE_U8P;
            memset(data + n, unsignedSilence ? 128 : 0, size - n);
        }
    }

    Moorland::IAVManager* m_manager;
    std::string m_path;
    bool m_loop = false;
    Moorland::IAVSource* m_source = nullptr;
    Moorland::IAudioResampler* m_resampler = nullptr;
    int m_format = 0, m_rate = 0, m_channels = 0;
    std::vector<std::deque<uint8_t>> m_fifo;
    bool m_ended = false;
    bool m_seekPending = false;
    int64_t m_seekMs = 0;
};

} // namespace

Moorland::IAudioEffect* CreateNamedAudioEffect(Moorland::IAVManager* manager, const char* name)
{
    return QB_GUARDED(static_cast<Moorland::IAudioEffect*>(nullptr), {
        if (!name)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        const std::string n = name;
        if (n == "audio_volume")
            return static_cast<Moorland::IAudioEffect*>(new CVolumeEffect);
        if (n == "audio_fader")
            return static_cast<Moorland::IAudioEffect*>(new CFaderEffect);
        if (n == "audio_replace") {
            if (!manager)
                QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
            return static_cast<Moorland::IAudioEffect*>(new CReplaceEffect(manager));
        }
        QB_THROW(QB_ERR_NOT_FOUND, "No audio effect is named \"" + n + "\"");
        return static_cast<Moorland::IAudioEffect*>(nullptr);
    });
}

} // namespace Solvane
