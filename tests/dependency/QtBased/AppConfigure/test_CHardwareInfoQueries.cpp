#include "Basilvo/Basilvo.h"
#include "CBaseException.h"
#include "AppConfigure/CHardwareInfo.h"
#include "MoorlanDecoders.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

// Stand-ins for the media library's answers: an Intel decoder is present and
// the CoreAVC query fails. The program's own definitions win over the library's.
namespace {
int g_coreAvcCalls = 0;
}

extern "C" bool can_use_intel_decoder()
{
    return true;
}

extern "C" bool can_use_coreavc_decoder()
{
    ++g_coreAvcCalls;
    throw std::runtime_error("CoreAVC probe failed");
}

extern "C" bool can_use_dtvdvd_decoder()
{
    return false;
}

namespace {

// What the first GetInstance left in the record: the queries run once per
// process, so a repeated test reads what the first run saw.
struct FirstConstruction
{
    CHardwareInfo* info;
    int code;
    std::string msg;
    std::string source;
};

const FirstConstruction& First()
{
    static const FirstConstruction first = [] {
        GetQuentaException()->Clear();
        CHardwareInfo* info = CHardwareInfo::GetInstance();
        int line = 0;
        const char* source = GetQuentaException()->GetExceptionSource(&line);
        return FirstConstruction{info, GetQuentaException()->GetExceptionCode(),
                                 GetQuentaException()->GetExceptionMsg(), source ? source : ""};
    }();
    return first;
}

} // namespace

TEST(CHardwareInfo, FailingCoreAvcQueryIsRecordedAndTheIntelDecoderIsTheDefault)
{
    CHardwareInfo* info = First().info;
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(g_coreAvcCalls, 1);
    EXPECT_FALSE(info->EnableUseCoreAVCDec());
    EXPECT_EQ(First().code, QB_ERR_STD_EXCEPTION);
    EXPECT_EQ(First().msg, "CoreAVC probe failed");
    EXPECT_EQ(First().source, "CHardwareInfo");

    EXPECT_TRUE(info->EnableUseIntelSDK());
    EXPECT_EQ(info->GetDefaultDecoder(), 2);
    info->SetDefaultDecoder(4);
    EXPECT_EQ(info->GetDefaultDecoder(), 4);
    info->SetDefaultDecoder(8);
    EXPECT_EQ(info->GetDefaultDecoder(), 4) << "CoreAVC is not enabled";
    info->InitDefaultH264Decoder();
    EXPECT_EQ(info->GetDefaultDecoder(), 2);
}
