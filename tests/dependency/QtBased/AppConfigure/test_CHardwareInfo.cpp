#include "AppConfigure/CHardwareInfo.h"

#include <gtest/gtest.h>

// This machine offers only the built-in software decoder (id 4).
TEST(CHardwareInfo, OnlyTheSoftwareDecoderIsEnabled)
{
    CHardwareInfo* info = CHardwareInfo::GetInstance();
    ASSERT_EQ(info, CHardwareInfo::GetInstance());
    EXPECT_EQ(info->GetDefaultDecoder(), 4);
    const struct
    {
        int id;
        bool enabled;
    } cases[] = {{0, false}, {1, false}, {2, false}, {3, false}, {4, true}, {8, false}, {16, false}, {32, false}};
    for (const auto& c : cases)
        EXPECT_EQ(info->EnableH264Decoder(c.id), c.enabled) << c.id;
    EXPECT_FALSE(info->EnableUseCUDADec());
    EXPECT_FALSE(info->EnableUseCUDAEnc());
    EXPECT_FALSE(info->EnableUseAMDEnc());
    EXPECT_FALSE(info->EnableUseIntelSDK());
    EXPECT_FALSE(info->EnableUseCoreAVCDec());
    EXPECT_FALSE(info->EnableUseDtvDVDDec());
}

TEST(CHardwareInfo, DefaultDecoderAcceptsOnlyEnabledIds)
{
    CHardwareInfo* info = CHardwareInfo::GetInstance();
    for (int id : {1, 2, 8, 16, 32, 3, -4})
        info->SetDefaultDecoder(id);
    EXPECT_EQ(info->GetDefaultDecoder(), 4);
    info->SetDefaultDecoder(4);
    info->InitDefaultH264Decoder();
    EXPECT_EQ(info->GetDefaultDecoder(), 4);
}
