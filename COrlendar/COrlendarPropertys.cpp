// The settings operations of the movie writer.
#include "COrlendar.h"

#include "IOrlendar.h"

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
