#pragma once

// Which H.264 decoders and hardware encoders this machine may use, asked of
// the media base library once, on first use. Decoder ids: 1 CUDA, 2 Intel
// SDK, 4 built-in software (always available), 8 CoreAVC, 16 DtvDVD.
class CHardwareInfo
{
public:
    static CHardwareInfo* GetInstance();

    bool EnableUseCUDADec() const { return m_bCUDADec; }
    bool EnableUseCUDAEnc() const { return m_bCUDAEnc; }
    bool EnableUseAMDEnc() const { return m_bAMDEnc; }
    bool EnableUseCoreAVCDec() const { return m_bCoreAVCDec; }
    bool EnableUseDtvDVDDec() const { return m_bDtvDVDDec; }
    bool EnableUseIntelSDK() const { return m_bIntelSDK; }

    bool EnableH264Decoder(const int& nDecoderId) const;
    int GetDefaultDecoder() const { return m_nDefaultDecoder; }
    // Ids of decoders that are not enabled are ignored.
    void SetDefaultDecoder(const int& nDecoderId);
    // The first enabled of 1, 2, 4 (never CoreAVC or DtvDVD).
    void InitDefaultH264Decoder();

    void CheckEnableIntelSDK();
    void CheckEnableCoreAVC();
    void CheckEnableDtvDvd();
    void CheckEnableCUDA();
    void CheckEnableAMD();

private:
    CHardwareInfo();
    ~CHardwareInfo() = default;
    CHardwareInfo(const CHardwareInfo&) = delete;
    CHardwareInfo& operator=(const CHardwareInfo&) = delete;

    bool m_bCUDADec = false;
    bool m_bCUDAEnc = false;
    bool m_bAMDEnc = false;
    bool m_bCoreAVCDec = false;
    bool m_bDtvDVDDec = false;
    bool m_bIntelSDK = false;
    int m_nDefaultDecoder = 4;
};
