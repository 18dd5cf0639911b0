#include "CImageSource.h"

#include "CBaseException.h"

namespace Solvane {

CImageSource::CImageSource(std::shared_ptr<CFFVideoFrame> picture, std::shared_ptr<void> keep,
                           Moorland::MovieInfo* movie, int videoStreamId, uint32_t durationMs, unsigned frameMs)
    : m_picture(std::move(picture)), m_keep(std::move(keep)), m_movie(movie), m_videoId(videoStreamId),
      m_durationMs(durationMs), m_frameMs(frameMs > 0 ? frameMs : 40)
{}

void* CImageSource::GetInterface(const char*)
{
    return nullptr;
}

bool CImageSource::Seek(uint32_t ms)
{
    m_next = ms / m_frameMs;
    m_position = ms;
    return true;
}

bool CImageSource::ReadFrames(Moorland::IRawAudioFrame** audio, Moorland::IRawVideoFrame** video, void** other,
                              int mode)
{
    return QB_GUARDED(false, {
        if (audio)
            *audio = nullptr;
        if (other)
            *other = nullptr;
        if (video)
            *video = nullptr;
        if (mode == Moorland::AVReadAudioOnly || !video || IsEndOfStream())
            return false;
        const uint64_t ms = m_next * m_frameMs;
        AVRational sar{0, 1};
        m_out.Assign(m_picture->Frame(), m_picture->GetPixelFormat(), static_cast<int>(ms), m_frameMs, sar);
        ++m_next;
        m_position = static_cast<uint32_t>(ms);
        *video = &m_out;
        return true;
    });
}

bool CImageSource::IsEndOfStream()
{
    return m_next * m_frameMs >= m_durationMs;
}

void CImageSource::Release()
{
    delete this;
}

} // namespace Solvane
