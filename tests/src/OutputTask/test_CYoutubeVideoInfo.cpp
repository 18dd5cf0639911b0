#include "OutputTask/CYoutubeVideoInfo.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

void ExpectDefaults(const CYoutubeVideoInfo& info)
{
    EXPECT_EQ(info.GetTitle(), "Title");
    EXPECT_EQ(info.GetKeywords(), "Tag");
    EXPECT_EQ(info.GetCategory(), 1);
    EXPECT_EQ(info.GetDescription(), "Description");
    EXPECT_EQ(info.GetAccessType(), 0);
}

void Change(CYoutubeVideoInfo& info)
{
    info.SetTitle("");
    info.SetKeywords("a,b");
    info.SetCategory(YOUTUBE_CATEGORY_TRAILERS);
    info.SetDescription("long text");
    info.SetAccessType(YOUTUBE_ACCESS_PRIVATE);
}

TEST(CYoutubeVideoInfo, StartsWithTheDefaultsAndResetAllKeepsTheUploadFlag)
{
    CYoutubeVideoInfo info;
    EXPECT_TRUE(info.GetEnableUpload());
    ExpectDefaults(info);

    Change(info);
    info.SetEnableUpload(false);
    EXPECT_EQ(info.GetTitle(), "") << "setters take any text";
    info.resetAll();
    EXPECT_FALSE(info.GetEnableUpload());
    ExpectDefaults(info);
}

TEST(CYoutubeVideoInfo, ResetsOneFieldByItsType)
{
    struct Case
    {
        CYoutubeVideoInfo::InfoType nType;
        QVariant expected;
    };
    const Case cases[] = {
        {CYoutubeVideoInfo::INFO_TITLE, QString("Title")},
        {CYoutubeVideoInfo::INFO_KEYWORDS, QString("Tag")},
        {CYoutubeVideoInfo::INFO_CATEGORY, 1},
        {CYoutubeVideoInfo::INFO_DESCRIPTION, QString("Description")},
        {CYoutubeVideoInfo::INFO_ACCESSTYPE, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CYoutubeVideoInfo::GetDefaultValue(c.nType), c.expected) << c.nType;
        CYoutubeVideoInfo info;
        Change(info);
        info.resetInfoValue(c.nType);
        // Only that field went back.
        QVariant values[] = {info.GetTitle(), info.GetKeywords(), int(info.GetCategory()), info.GetDescription(),
                             int(info.GetAccessType())};
        CYoutubeVideoInfo changed;
        Change(changed);
        QVariant before[] = {changed.GetTitle(), changed.GetKeywords(), int(changed.GetCategory()),
                             changed.GetDescription(), int(changed.GetAccessType())};
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(values[i], i == c.nType ? c.expected : before[i]) << c.nType << " field " << i;
    }

    const auto outside = static_cast<CYoutubeVideoInfo::InfoType>(5);
    EXPECT_FALSE(CYoutubeVideoInfo::GetDefaultValue(outside).isValid());
    EXPECT_FALSE(CYoutubeVideoInfo::GetDefaultValue(static_cast<CYoutubeVideoInfo::InfoType>(-1)).isValid());
    CYoutubeVideoInfo info;
    Change(info);
    info.resetInfoValue(outside);
    EXPECT_EQ(info.GetCategory(), YOUTUBE_CATEGORY_TRAILERS);
    EXPECT_EQ(info.GetTitle(), "");
}

TEST(CYoutubeVideoInfo, CategoryTermsFollowTheirValues)
{
    ASSERT_EQ(YOUTUBE_CATEGORY_COUNT, 33);
    EXPECT_STREQ(STR_YOUTUBE_VIDEO_CATEGORY[0], "Undefined");
    EXPECT_STREQ(STR_YOUTUBE_VIDEO_CATEGORY[YOUTUBE_CATEGORY_FILM], "Film");
    EXPECT_STREQ(STR_YOUTUBE_VIDEO_CATEGORY[18], "Movies_Anime_animation");
    EXPECT_STREQ(STR_YOUTUBE_VIDEO_CATEGORY[22], "Movies_Action_adventure");
    EXPECT_STREQ(STR_YOUTUBE_VIDEO_CATEGORY[30], "Movies_Sci_fi_fantasy");
    EXPECT_STREQ(STR_YOUTUBE_VIDEO_CATEGORY[YOUTUBE_CATEGORY_TRAILERS], "Trailers");
    for (int i = 0; i < YOUTUBE_CATEGORY_COUNT; ++i)
        EXPECT_GT(std::strlen(STR_YOUTUBE_VIDEO_CATEGORY[i]), 0u) << i;
}

} // namespace
