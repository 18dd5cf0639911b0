#pragma once

#include "IMirendo.h"

#include <string>

class CMirendo final : public IMirendo
{
public:
    bool AdjustProfile(const TaskSourceInfo* pSource, IProfile* pProfile) override;
    const char* GetAudioBitrateList(const char* sCodecName, int nSampleRate, int nChannels,
                                    const char* sBitrateList) override;
    void Release() override;

private:
    std::string m_answer;
};
