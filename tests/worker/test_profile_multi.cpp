#include "Basilvo/Basilvo.h"
#include "CBaseException.h"
#include "IProfile.h"
#include "profile_multi.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

struct Releaser
{
    void operator()(IProfile* p) const { p->Release(); }
    void operator()(IMultiProfile* m) const { m->Free(); }
};
using ProfilePtr = std::unique_ptr<IProfile, Releaser>;
using MultiPtr = std::unique_ptr<IMultiProfile, Releaser>;

uint32_t FourCC(const char* four)
{
    uint32_t v = 0;
    std::memcpy(&v, four, 4);
    return v;
}

ProfileInfo Video(int width, const char* codec = "h264")
{
    ProfileInfo info{};
    info.nStreamType = Moorland::StreamTypeVideo;
    info.pszCodecName = const_cast<char*>(codec);
    info.nWidth = width;
    info.nHeight = 480;
    info.dFrameRate = 30000.0 / 1001;
    info.nBitrate = 2500;
    info.nFourCC = FourCC("avc1");
    info.pszAspect = const_cast<char*>("16:9");
    info.pszLanguage = const_cast<char*>("eng");
    return info;
}

ProfileInfo Audio(int channels)
{
    ProfileInfo info{};
    info.nStreamType = Moorland::StreamTypeAudio;
    info.pszCodecName = const_cast<char*>("aac");
    info.nChannels = channels;
    info.nBitrate = 128000;
    info.nSampleRate = 48000;
    info.bRemux = true;
    return info;
}

class ProfileMultiTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GetQuentaException()->Clear();
        m_profile.reset(CreateProfile());
        m_multi.reset(CreateMultiProfile());
        ASSERT_TRUE(m_profile && m_multi);
        ASSERT_EQ(1, m_multi->SetProfile(m_profile.get()));
    }
    // The stream kinds and a distinguishing value, in order.
    std::string Layout()
    {
        std::string out;
        for (int i = 0; i < m_multi->GetStreamCount(); ++i) {
            ProfileInfo* info = m_multi->GetStreamInfo(i);
            out += info->nStreamType == Moorland::StreamTypeVideo ? "V" + std::to_string(info->nWidth)
                                                                  : "A" + std::to_string(info->nChannels);
            out += ' ';
        }
        return out;
    }
    ProfilePtr m_profile;
    MultiPtr m_multi;
};

} // namespace

TEST_F(ProfileMultiTest, StreamsAreInsertedAfterTheIndexAndCountedFromTheProfile)
{
    EXPECT_EQ(0, m_multi->GetStreamCount());
    EXPECT_NE(std::string::npos, std::string(m_profile->GetText()).find("<StreamParams"));

    ProfileInfo v1 = Video(1), a2 = Audio(2), v3 = Video(3), a6 = Audio(6);
    EXPECT_EQ(1, m_multi->AddStream(0, &v1)); // empty list: appended
    EXPECT_EQ(1, m_multi->AddStream(0, &a2)); // after the first
    EXPECT_EQ(1, m_multi->AddStream(9, &v3)); // past the end: appended
    EXPECT_EQ("V1 A2 V3 ", Layout());
    EXPECT_EQ(1, m_multi->AddStream(1, &a6)); // after the second: third of four
    EXPECT_EQ("V1 A2 A6 V3 ", Layout());

    // The settings travel with the profile's text.
    ProfilePtr copy(CreateProfile());
    ASSERT_TRUE(copy->LoadText(m_profile->GetText()));
    MultiPtr other(CreateMultiProfile());
    other->SetProfile(copy.get());
    EXPECT_EQ(4, other->GetStreamCount());
}

TEST_F(ProfileMultiTest, RecordsRoundTripWithTheirTypes)
{
    ProfileInfo v = Video(640), a = Audio(6);
    m_multi->AddStream(0, &v);
    m_multi->AddStream(0, &a);
    ProfileInfo* got = m_multi->GetStreamInfo(0);
    EXPECT_EQ(Moorland::StreamTypeVideo, got->nStreamType);
    EXPECT_STREQ("h264", got->pszCodecName);
    EXPECT_STREQ("eng", got->pszLanguage);
    EXPECT_STREQ("16:9", got->pszAspect);
    EXPECT_EQ(640, got->nWidth);
    EXPECT_EQ(480, got->nHeight);
    EXPECT_EQ(2500, got->nBitrate);
    EXPECT_EQ(30000.0 / 1001, got->dFrameRate);
    EXPECT_EQ(FourCC("avc1"), got->nFourCC);
    EXPECT_FALSE(got->bRemux);

    // The caller may swap a text and write the record back.
    std::free(got->pszAspect);
    got->pszAspect = strdup("160:90");
    got->nWidth = 720;
    EXPECT_EQ(1, m_multi->SetStreamInfo(0, got));
    got = m_multi->GetStreamInfo(0);
    EXPECT_STREQ("160:90", got->pszAspect);
    EXPECT_EQ(720, got->nWidth);
    std::free(got->pszAspect);
    got->pszAspect = nullptr; // cleared, as when the picture carries the aspect
    m_multi->SetStreamInfo(0, got);
    EXPECT_EQ(nullptr, m_multi->GetStreamInfo(0)->pszAspect);

    got = m_multi->GetStreamInfo(1);
    EXPECT_EQ(Moorland::StreamTypeAudio, got->nStreamType);
    EXPECT_EQ(6, got->nChannels);
    EXPECT_EQ(48000, got->nSampleRate);
    EXPECT_EQ(128000, got->nBitrate);
    EXPECT_TRUE(got->bRemux);
    EXPECT_EQ(nullptr, got->pszLanguage); // missing texts are null, not a crash
    EXPECT_EQ(nullptr, got->pszAspect);
}

TEST_F(ProfileMultiTest, FourCCsArePaddedAndMissingTextsAreNotWritten)
{
    ProfileInfo v = Video(1, nullptr);
    v.pszLanguage = nullptr;
    v.pszAspect = const_cast<char*>("");
    v.nFourCC = 0;
    std::memcpy(&v.nFourCC, "rle", 3); // three characters and a zero byte
    m_multi->AddStream(0, &v);
    std::string text = m_profile->GetText();
    EXPECT_NE(std::string::npos, text.find("FourCC=\"rle \""));
    EXPECT_EQ(std::string::npos, text.find("VideoCodecName"));
    EXPECT_EQ(std::string::npos, text.find("Language"));
    EXPECT_EQ(std::string::npos, text.find("Aspect"));
    EXPECT_EQ(FourCC("rle "), m_multi->GetStreamInfo(0)->nFourCC);
    EXPECT_EQ(nullptr, m_multi->GetStreamInfo(0)->pszCodecName);

    ProfileInfo none = Video(2);
    none.nFourCC = 0;
    m_multi->AddStream(0, &none);
    EXPECT_EQ(0u, m_multi->GetStreamInfo(1)->nFourCC);
}

TEST_F(ProfileMultiTest, KindOfTheRecordDecidesTheAttributesWritten)
{
    ProfileInfo v = Video(1);
    m_multi->AddStream(0, &v);
    ProfileInfo a = Audio(2);
    m_multi->SetStreamInfo(0, &a); // audio values into the video element
    ProfileInfo* got = m_multi->GetStreamInfo(0);
    EXPECT_EQ(Moorland::StreamTypeVideo, got->nStreamType); // read as its element says
    EXPECT_NE(std::string::npos, std::string(m_profile->GetText()).find("AudioCodecName=\"aac\""));

    ProfileInfo odd{};
    odd.nStreamType = Moorland::StreamTypeUnknown;
    odd.bRemux = true;
    m_multi->AddStream(0, &odd);
    EXPECT_EQ(Moorland::StreamTypeUnknown, m_multi->GetStreamInfo(1)->nStreamType);
    EXPECT_TRUE(m_multi->GetStreamInfo(1)->bRemux);
}

TEST_F(ProfileMultiTest, DelStreamRemovesFromTheListAndSaysSo)
{
    ProfileInfo v1 = Video(1), a2 = Audio(2), v3 = Video(3);
    m_multi->AddStream(0, &v1);
    m_multi->AddStream(0, &a2);
    m_multi->AddStream(1, &v3);
    EXPECT_EQ(1, m_multi->DelStream(1));
    EXPECT_EQ("V1 V3 ", Layout());
    EXPECT_EQ(0, m_multi->DelStream(5));
    EXPECT_EQ(0, m_multi->DelStream(-1));
    EXPECT_EQ(1, m_multi->DelStream(0));
    EXPECT_EQ("V3 ", Layout());
}

TEST_F(ProfileMultiTest, ChaptersAndBadCalls)
{
    ChapterInfo first{0, 60000, const_cast<char*>("Intro"), const_cast<char*>("eng")};
    ChapterInfo second{60000, 90000, const_cast<char*>("Kapitel 2"), nullptr};
    EXPECT_EQ(1, m_multi->AddChapter(&first));
    EXPECT_EQ(1, m_multi->AddChapter(&second));
    EXPECT_EQ(2, m_multi->GetChapterCount());
    ChapterInfo* got = m_multi->GetChapterInfo(1);
    ASSERT_NE(nullptr, got);
    EXPECT_EQ(60000, got->nStart);
    EXPECT_EQ(90000, got->nEnd);
    EXPECT_STREQ("Kapitel 2", got->pszChapterName);
    EXPECT_EQ(nullptr, m_multi->GetChapterInfo(2));
    EXPECT_EQ(0, m_multi->AddChapter(nullptr));

    MultiPtr unbound(CreateMultiProfile());
    EXPECT_EQ(0, unbound->AddChapter(&first));
    EXPECT_EQ(10021003, GetQuentaException()->GetExceptionCode());
    EXPECT_EQ(-1, unbound->GetChapterCount());
    EXPECT_EQ(0, unbound->SetProfile(nullptr));
    ProfileInfo v = Video(1);
    EXPECT_THROW(unbound->AddStream(0, &v), CBaseException);
    EXPECT_THROW(unbound->GetStreamCount(), CBaseException);
    EXPECT_THROW(m_multi->AddStream(0, nullptr), CBaseException);
    EXPECT_THROW(m_multi->GetStreamInfo(0), CBaseException); // no stream yet
    EXPECT_THROW(m_multi->SetStreamInfo(3, &v), CBaseException);
    // A profile kept before stays when a null one is offered.
    EXPECT_EQ(0, m_multi->SetProfile(nullptr));
    EXPECT_EQ(2, m_multi->GetChapterCount());
}
