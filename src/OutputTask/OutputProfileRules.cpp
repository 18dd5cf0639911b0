#include "OutputProfileRules.h"

#include "AppConfigure/CAppVariableInfo.h"
#include "IMirendo.h"
#include "IProfile.h"
#include "moorlan_srcutils/moorlan_framerate.h"
#include "JobPlan.h"

#include <strings.h>

#include <cstring>

namespace OutputProfileRules {

namespace {

const int kChannelLimit = 2;
const int kIPodBitrateCut = 200;
const double kDefaultFrameRate = 30.0;

bool SameNoCase(const char* a, const char* b)
{
    return a && b && ::strcasecmp(a, b) == 0;
}

bool Same(const char* a, const char* b)
{
    return a && b && std::strcmp(a, b) == 0;
}

const char* FormatName(IProfile* pProfile)
{
    IProfileDesc* pDesc = pProfile->GetDesc();
    const char* sName = pDesc ? pDesc->GetFormatName() : nullptr;
    return sName ? sName : "";
}

} // namespace

QString DestinationExtension(IProfile* pProfile, const QString& sSourceExt)
{
    if (!pProfile)
        return QString();
    IFileProfile* pFile = pProfile->GetFileProfile();
    const char* sExt = pFile ? pFile->GetFileExt() : nullptr;
    if (!sExt)
        return QString();
    if (Same(sExt, ".*"))
        return SameNoCase(FormatName(pProfile), "MKV") ? QString(".mkv") : sSourceExt;
    return QString::fromUtf8(sExt);
}

void AdjustParams(IProfile* pProfile)
{
    if (!pProfile)
        return;
    if (IVideoProfile* pVideo = pProfile->GetVideoProfile()) {
        const char* sCodec = pVideo->GetCodecName();
        if (SameNoCase(sCodec, "wmv3") || SameNoCase(sCodec, "wvc1"))
            pVideo->SetCodecName("wmv2");
    }

    bool bLimitChannels = true;
    const char* sFormat = FormatName(pProfile);
    if (Same(sFormat, "Final Cut Pro") || Same(sFormat, "QuickTime Movie Format")) {
        if (IFileProfile* pFile = pProfile->GetFileProfile())
            pFile->SetExporter("QTExporter");
        bLimitChannels = false;
    }

    if (IAudioProfile* pAudio = pProfile->GetAudioProfile()) {
        const char* sCodec = pAudio->GetCodecName();
        if (sCodec && *sCodec) {
            if (SameNoCase(sCodec, "wmav3"))
                pAudio->SetCodecName("wmav2");
            else if (SameNoCase(sCodec, "aac") || SameNoCase(sCodec, "ac3"))
                bLimitChannels = false;
        }
        if (bLimitChannels && pAudio->GetChannels() > kChannelLimit)
            pAudio->SetChannels(kChannelLimit);
    }

    if (IFileProfile* pFile = pProfile->GetFileProfile()) {
        if (Same(pFile->GetExporter(), "WMVExporter"))
            pFile->SetExporter("FFExporter");
    }
}

void AdjustForLossless(IProfile* pProfile, bool bLossless, unsigned int nSrcVideoBitrate, unsigned int nSrcAudioBitrate,
                       const QStringList& frameValues)
{
    if (!pProfile || !bLossless)
        return;
    IProfileParams* pParams = pProfile->GetParams();
    if (!pParams || !Moorland::PlanJob(pProfile).Lossless())
        return;
    if (IVideoProfile* pVideo = pProfile->GetVideoProfile())
        pVideo->SetBitrate(static_cast<int>(nSrcVideoBitrate / 1000));
    if (IAudioProfile* pAudio = pProfile->GetAudioProfile())
        pAudio->SetBitrate(static_cast<int>(nSrcAudioBitrate));

    CAppVariableInfo* pSettings = CAppVariableInfo::GetInstance();
    int nMode = pSettings->GetInfoValue("LosslessOutputMode", 0).toInt();
    if (nMode != 0 && nMode != 1) {
        pSettings->SetInfoValue("LosslessOutputMode", 0);
        nMode = 0;
    }
    // Mode 0 cuts at the exact frame, in Matroska as in any other container.
    if (nMode == 0) {
        pParams->SetInt("AccurateTrimMode", 1);
        pParams->SetInt("DecodeTimeBeforeTrimStart", 10000);
    }
    pParams->SetString("FrameValueList", frameValues.join(",").toUtf8().constData());
}

void AdjustForConversion(IProfile* pProfile, bool bLossless, const TaskSourceInfo& source, IMirendo* pMirendo)
{
    if (!pProfile || bLossless)
        return;
    IVideoProfile* pVideo = pProfile->GetVideoProfile();
    if (pVideo && pVideo->GetFrameRate() == 0.0)
        pVideo->SetFrameRate(source.dFrameRate != 0.0 ? Moorland::StandardFrameRate(source.dFrameRate)
                                                      : kDefaultFrameRate);

    // Without a picture size the source is not known well enough to fit.
    if (source.nWidth == 0 && source.nHeight == 0)
        return;
    if (pVideo && SameNoCase(FormatName(pProfile), "iPod") && pVideo->GetWidth() != -1 && pVideo->GetHeight() != -1) {
        int nBitrate = pVideo->GetBitrate();
        if (nBitrate > kIPodBitrateCut)
            pVideo->SetBitrate(nBitrate - kIPodBitrateCut);
    }
    if (pMirendo)
        pMirendo->AdjustProfile(&source, pProfile);
}

} // namespace OutputProfileRules
