#include "COrlendarIMP.h"

#include "COrlendar.h"

#include "Basilvo/QuentaLogger.h"
#include "CBaseException.h"
#include "IProfile.h"

#include <new>

extern "C" CORLENDAR_EXPORT IOrlendar* Create_OrlendarImp()
{
    try {
        return new COrlendarIMP;
    } catch (...) {
        return nullptr; // nothing may leave an exported function
    }
}

COrlendarIMP::COrlendarIMP()
{
    m_writer = new (std::nothrow) COrlendar;
    GetQuentaLogger()->Log(LOG_INFO, "COrlendarIMP", m_writer ? "COrlendarIMP success!" : "COrlendarIMP failed!",
                           nullptr, 0);
}

COrlendarIMP::~COrlendarIMP()
{
    delete m_writer;
}

bool COrlendarIMP::SetEncodingPass(unsigned pass)
{
    return true;
}

bool COrlendarIMP::SetEncodingThreads(unsigned count)
{
    return true;
}

bool COrlendarIMP::BeginWriting()
{
    // The writer's own result: a movie that could not be started is no success.
    return m_writer && m_writer->BeginWriting();
}

bool COrlendarIMP::WriteVideo(unsigned stream, Moorland::IRawVideoFrame* frame)
{
    return m_writer && m_writer->WriteVideo(frame);
}

bool COrlendarIMP::WriteAudio(unsigned stream, Moorland::IRawAudioFrame* frame)
{
    return m_writer && m_writer->WriteAudio(frame);
}

bool COrlendarIMP::GetDataRateStats(unsigned stream, uint64_t* bytes, uint32_t* duration)
{
    if (m_writer) {
        m_lastDataSize = m_writer->GetDataSize(stream);
        m_lastDuration = m_writer->GetDuration();
    }
    if (bytes)
        *bytes = m_lastDataSize;
    if (duration)
        *duration = m_lastDuration;
    return true;
}

bool COrlendarIMP::EndWriting()
{
    // The writer's own result: an unfinished movie is no success.
    const bool done = m_writer && m_writer->EndWriting();
    m_lastDataSize = 0;
    return done;
}

void COrlendarIMP::SetProfile(IProfile* profile)
{
    m_profile = profile;
    m_video = profile ? profile->GetVideoProfile() : nullptr;
    m_audio = profile ? profile->GetAudioProfile() : nullptr;
    IFileProfile* general = profile ? profile->GetFileProfile() : nullptr;
    if (!general || !m_writer)
        return;
    switch (general->GetAVInclude()) {
    case 0: m_writer->SetAVInclude(true, true); break;
    case 1: m_writer->SetAVInclude(false, true); break;
    case 2: m_writer->SetAVInclude(true, false); break;
    default: break; // inclusion stays as it was
    }
}

bool COrlendarIMP::SetCodecByType()
{
    GetQuentaException()->Clear();
    return QB_GUARDED(false, {
        // The profile gives "" for a name it does not hold.
        const char* name = m_video ? m_video->GetCodecName() : nullptr;
        if (!name || !*name)
            QB_THROW(QB_ERR_UNEXPECTED, "Get NUll codecName form profile.");
        if (!m_writer || !m_writer->SetCodecByType(name))
            QB_THROW(QB_ERR_UNEXPECTED, "SetCodecByType is error");
        return true;
    });
}

bool COrlendarIMP::SetCodecByName()
{
    GetQuentaException()->Clear();
    return QB_GUARDED(false, {
        const char* fourCC = m_video ? m_video->GetFourCC() : nullptr;
        if (!fourCC || !*fourCC)
            QB_THROW(QB_ERR_UNEXPECTED, "Get NUll codecFourCC form profile");
        if (!m_writer || !m_writer->SetCodecByName(fourCC))
            QB_THROW(QB_ERR_UNEXPECTED, "SetCodecByName error");
        return true;
    });
}

void COrlendarIMP::SetFrameRate()
{
    if (m_writer && m_video)
        m_writer->SetFrameRate(m_video->GetFrameRate());
}

void COrlendarIMP::SetFileName(const char* path)
{
    if (m_writer)
        m_writer->SetFileName(path);
}

bool COrlendarIMP::SetCodecQuality()
{
    // The profile's quality code: 1 high, 2 medium, 3 low.
    if (m_writer && m_video)
        m_writer->SetCodecQuality(unsigned(m_video->GetBitrate()));
    return true;
}

void COrlendarIMP::SetVideoDimension()
{
    if (m_writer && m_video)
        m_writer->SetVideoDimension(unsigned(m_video->GetWidth()), unsigned(m_video->GetHeight()));
}

void COrlendarIMP::SetAudioCodec()
{
    if (m_writer && m_audio)
        m_writer->SetAudioCodecName(m_audio->GetCodecName());
}

void COrlendarIMP::SetSampleRate()
{
    if (m_writer && m_audio)
        m_writer->SetSampleRate(m_audio->GetSampleRate());
}

void COrlendarIMP::SetAudioChannel()
{
    if (m_writer && m_audio)
        m_writer->SetChannel(m_audio->GetChannels());
}
