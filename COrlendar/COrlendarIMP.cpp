#include "COrlendarIMP.h"

#include "COrlendar.h"

#include "Basilvo/QuentaLogger.h"
#include "CBaseException.h"
#include "IProfile.h"

#include <new>

extern "C" CORLENDAR_EXPORT const CodecInfo CodecInfoArray[76] = {
    {"Animation", "rle "},
    {"Apple InterMediate Codec(AIC)", "icod"},
    {"Apple Pixlet Video", "pxlt"},
    {"Apple ProRes 422", "apcn"},
    {"Apple ProRes 422(HQ)", "apch"},
    {"Apple ProRes 422(LT)", "apcs"},
    {"Apple ProRes 422(Proxy)", "apco"},
    {"Apple ProRes 4444", "ap4h"},
    {"DV - PAL", "dvcp"},
    {"DV/DVCPRO - NTSC", "dvc "},
    {"DVCPRO - PAL", "dvpp"},
    {"DVCPRO HD 1080i50", "dvh5"},
    {"DVCPRO HD 1080i60", "dvh6"},
    {"DVCPRO HD 1080p25", "dvh2"},
    {"DVCPRO HD 1080p30", "dvh3"},
    {"DVCPRO HD 720p50", "dvhq"},
    {"DVCPRO HD 720p60", "dvhp"},
    {"DVCPRO50 NTSC", "dv5n"},
    {"DVCPRO50 PAL", "dv5p"},
    {"H.264", "avc1"},
    {"HDV 1080i50", "hdv3"},
    {"HDV 1080i60", "hdv2"},
    {"HDV 1080p24", "hdv6"},
    {"HDV 1080p25", "hdv7"},
    {"HDV 1080p30", "hdv8"},
    {"HDV 720p24", "hdv4"},
    {"HDV 720p25", "hdv5"},
    {"HDV 720p30", "hdv1"},
    {"HDV 720p50", "hdva"},
    {"HDV 720p60", "hdv9"},
    {"JPEG 2000", "mjp2"},
    {"MPEG IMX 525/60(30MB/s)", "mx3n"},
    {"MPEG IMX 525/60(40MB/s)", "mx4n"},
    {"MPEG IMX 525/60(50MB/s)", "mx5n"},
    {"MPEG IMX 625/60(30MB/s)", "mx3p"},
    {"MPEG IMX 625/60(40MB/s)", "mx4p"},
    {"MPEG IMX 625/60(50MB/s)", "mx5p"},
    {"MPEG - 4 Video", "mp4v"},
    {"None", "raw "},
    {"Photo - JPEG", "jpeg"},
    {"PNG", "png "},
    {"Uncompressed 10-bit 4:2:2", "v210"},
    {"Uncompressed 8-bit 4:2:2", "2vuy"},
    {"XDCAM EX 1080i50", "xdvc"},
    {"XDCAM EX 1080i60", "xdvb"},
    {"XDCAM EX 1080p24", "xdvd"},
    {"XDCAM EX 1080p25", "xdve"},
    {"XDCAM EX 1080p30", "xdvf"},
    {"XDCAM EX 720p24", "xdv4"},
    {"XDCAM EX 720p25", "xdv5"},
    {"XDCAM EX 720p30", "xdv1"},
    {"XDCAM EX 720p50", "xdva"},
    {"XDCAM EX 720p60", "xdv9"},
    {"XDCAM HD 1080i50", "xdv3"},
    {"XDCAM HD 1080i60", "xdv2"},
    {"XDCAM HD 1080p24", "xdv6"},
    {"XDCAM HD 1080p25", "xdv7"},
    {"XDCAM HD 1080p30", "xdv8"},
    {"XDCAM HD422 1080i50", "xd5c"},
    {"XDCAM HD422 1080i60", "xd5b"},
    {"XDCAM HD422 1080p24", "xd5d"},
    {"XDCAM HD422 1080p25", "xd5e"},
    {"XDCAM HD422 1080p30", "xd5f"},
    {"XDCAM HD422 720p24", "xd54"},
    {"XDCAM HD422 720p25", "xd55"},
    {"XDCAM HD422 720p30", "xd51"},
    {"XDCAM HD422 720p50", "xd5a"},
    {"XDCAM HD422 720p60", "xd59"},
    {"Avid 1:1x", "AV1x"},
    {"Avid DNxHD Codec", "AVdn"},
    {"Avid DV", "AVdv"},
    {"Avid DV100 Codec", "AVd1"},
    {"Avid Meridien Compressed", "AVDJ"},
    {"Avid Meridien UnCompressed", "AVUI"},
    {"Avid Packed Codec", "AVup"},
    {nullptr, nullptr},
};

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
    GetQuentaLogger()->Log(LOG_INFO, "COrlendarIMP",
                           m_writer ? "COrlendarIMP success!" : "COrlendarIMP failed!", nullptr, 0);
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
        const char* name = m_video ? m_video->GetCodecName() : nullptr;
        if (!name)
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
        if (!fourCC)
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
