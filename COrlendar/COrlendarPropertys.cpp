// The settings operations of the movie writer.
#include "COrlendar.h"

#include "orlendar/IOrlendar.h"

#include <cstring>

namespace {

// QuickTime codec qualities.
constexpr unsigned codecMinQuality = 0;
constexpr unsigned codecLowQuality = 256;
constexpr unsigned codecNormalQuality = 512;
constexpr unsigned codecHighQuality = 768;
constexpr unsigned codecMaxQuality = 1023;
constexpr unsigned codecLosslessQuality = 1024;

} // namespace

// The codec table the plug-in exports; looked up by exact text, case included.
extern "C" __attribute__((visibility("default"))) const CodecInfo CodecInfoArray[76] = {
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

void COrlendar::SetFrameRate(double rate)
{
    m_frameRate = static_cast<float>(rate);
}

float COrlendar::GetFrameRate() const
{
    return m_frameRate;
}

bool COrlendar::SetCodecByName(const char* fourCC)
{
    if (!fourCC)
        return false;
    for (const CodecInfo* row = CodecInfoArray; row->fourCC; ++row) {
        if (std::strcmp(row->fourCC, fourCC) == 0) {
            m_codecName = row->fourCC; // the same text, for as long as the plug-in lives
            return true;
        }
    }
    return false;
}

bool COrlendar::SetCodecByType(const char* displayName)
{
    if (!displayName)
        return false;
    for (const CodecInfo* row = CodecInfoArray; row->fourCC; ++row) {
        if (row->name && std::strcmp(row->name, displayName) == 0) {
            m_codecName = row->fourCC;
            return true;
        }
    }
    return false;
}

void COrlendar::SetFileName(const char* path)
{
    if (!path) {
        m_fileName = nullptr;
        return;
    }
    m_fileNameText = path;
    m_fileName = m_fileNameText.c_str();
}

bool COrlendar::SetCodecQuality(unsigned level)
{
    switch (level) {
    case 2: m_codecQuality = codecNormalQuality; break;
    case 3: m_codecQuality = codecLowQuality; break;
    default: m_codecQuality = codecHighQuality; break;
    }
    return true;
}

const char* COrlendar::GetCodecQuality() const
{
    switch (m_codecQuality) {
    case codecMinQuality: return "codecMinQuality";
    case codecLowQuality: return "codecLowQuality";
    case codecNormalQuality: return "codecNormalQuality";
    case codecHighQuality: return "codecHighQuality";
    case codecMaxQuality: return "codecMaxQuality";
    case codecLosslessQuality: return "codecLosslessQuality";
    default: return "0";
    }
}

void COrlendar::SetVideoDimension(unsigned width, unsigned height)
{
    m_imgWidth = width;
    m_imgHeight = height;
}

void COrlendar::SetAudioCodecName(const char* name)
{
    if (!name) {
        m_AudioCodecName = nullptr;
        return;
    }
    m_audioCodecText = name;
    m_AudioCodecName = m_audioCodecText.c_str();
}

void COrlendar::SetChannel(int channels)
{
    m_channel = channels;
}

void COrlendar::SetSampleRate(int rate)
{
    m_sampleRate = rate;
}
