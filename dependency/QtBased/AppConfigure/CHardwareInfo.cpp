#include "CHardwareInfo.h"

#include "Basilvo/Basilvo.h"
#include "CBaseException.h"
#include "MoorlanDecoders.h"

CHardwareInfo* CHardwareInfo::GetInstance()
{
    static CHardwareInfo instance;
    return &instance;
}

CHardwareInfo::CHardwareInfo()
{
    m_bIntelSDK = can_use_intel_decoder();
    CheckEnableCoreAVC();
    m_bDtvDVDDec = can_use_dtvdvd_decoder();
    InitDefaultH264Decoder();
}

bool CHardwareInfo::EnableH264Decoder(const int& nDecoderId) const
{
    switch (nDecoderId) {
    case 1: return m_bCUDADec;
    case 2: return m_bIntelSDK;
    case 4: return true;
    case 8: return m_bCoreAVCDec;
    case 16: return m_bDtvDVDDec;
    default: return false;
    }
}

void CHardwareInfo::SetDefaultDecoder(const int& nDecoderId)
{
    if (EnableH264Decoder(nDecoderId))
        m_nDefaultDecoder = nDecoderId;
}

void CHardwareInfo::InitDefaultH264Decoder()
{
    for (int id = 1; id <= 16; id *= 2) {
        if (EnableH264Decoder(id)) {
            m_nDefaultDecoder = id;
            return;
        }
    }
}

void CHardwareInfo::CheckEnableIntelSDK()
{
    m_bIntelSDK = can_use_intel_decoder();
}

void CHardwareInfo::CheckEnableCoreAVC()
{
    GetQuentaException()->Clear();
    QuentaBased::CallGuardedVoid(__LINE__, "CHardwareInfo", [&]() { m_bCoreAVCDec = can_use_coreavc_decoder(); });
}

void CHardwareInfo::CheckEnableDtvDvd()
{
    m_bDtvDVDDec = can_use_dtvdvd_decoder();
}

void CHardwareInfo::CheckEnableCUDA() {}

void CHardwareInfo::CheckEnableAMD() {}
