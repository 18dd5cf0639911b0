#include "moorlan_srcutils/MultiStreamAddress.h"
#include "moorlan_srcutils/moorlan_url.h"

#include "Basilvo/Basilvo.h"
#include "CBaseException.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using Moorland::ParserUrlToSMItemInfo;
using Moorland::SMItemInfo;

namespace {

struct Item
{
    int nId;
    int nType;
    bool bCompress;
};

struct Case
{
    const char* sUrl;
    int nResult;        // -1: failure
    const char* sError; // failure message
    std::vector<Item> items;
};

} // namespace

TEST(MultiStreamAddress, ParsesTheStreamListOfAnAddress)
{
    const Case cases[] = {
        {"file:///movies/a.mkv?movieid=0&vstreamid=256&compress=0&astreamid=257&compress=1&subtitleid=259&compress=1",
         3,
         nullptr,
         {{256, 1, false}, {257, 2, true}, {259, 3, true}}},
        {"file:///a.mkv?movieid=3", 0, nullptr, {}},
        {"file:///a.mkv?movieid=1&vstreamid=2&compress=1&astreamid=3", 1, nullptr, {{2, 1, true}}},
        {"file:///a.mkv?vstreamid=2&movieid=1", -1, "movieID is null", {}},
        {"file:///a.mkv?MovieID=1&vstreamid=2&compress=0", -1, "movieID is null", {}},
        {"file:///a.mkv?&&&", -1, "bad Params", {}},
        {"file:///a.mkv?", -1, "bad Params", {}},
        {"file:///a.mkv", -1, "bad Params", {}},
        {"file://", -1, "bad Params", {}},
        {"file:///a.mkv?movieid=0&vstreamid=1&compress=2", 1, nullptr, {{1, 1, false}}},
        {"file:///a.mkv?movieid=0&vstreamid=1&compress=yes", 1, nullptr, {{1, 1, false}}},
        {"file:///a.mkv?movieid=0&vstreamid=1&compress=01", 1, nullptr, {{1, 1, true}}},
        {"file:///a.mkv?movieid=0&vstreamid=abc&compress=0", 1, nullptr, {{0, 1, false}}},
        {"file:///a.mkv?movieid=0&vstreamid=1&astreamid=2&compress=1", 1, nullptr, {{1, 1, false}}},
        // Pieces of "=" only, leading "=", repeated "=" and a "?" inside the query.
        {"file:///a.mkv?movieid=0&astreamid=&compress=1&=5&compress==1", 2, nullptr, {{0, 2, true}, {0, 0, true}}},
        {"file:///a.mkv?movieid&vstreamid=-7x&compress=1=0", 1, nullptr, {{-7, 1, true}}},
        // A "?" in the path: the parameters start at the last one.
        {"/plain/path?x?movieid=0", 0, nullptr, {}},
        {"file:///dir?x/a.mkv?movieid=0&subtitleid= 12&compress=1", 1, nullptr, {{12, 3, true}}},
        {"movieid=0&vstreamid=1&compress=1", -1, "bad Params", {}},
        // Unknown keys: the record is still fully set (kind 0, no copy flag).
        {"file:///a.mkv?movieid=0&foo=9&compress=1&vstreamid=4&bar=1", 2, nullptr, {{9, 0, true}, {4, 1, false}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sUrl);
        GetQuentaException()->Clear();
        SMItemInfo* sentinel = reinterpret_cast<SMItemInfo*>(0x10);
        SMItemInfo* pItems = sentinel;
        int n = ParserUrlToSMItemInfo(c.sUrl, &pItems);
        EXPECT_EQ(n, c.nResult);
        if (c.nResult < 0) {
            EXPECT_EQ(pItems, sentinel);
            EXPECT_EQ(GetQuentaException()->GetExceptionCode(), QB_ERR_UNEXPECTED);
            EXPECT_STREQ(GetQuentaException()->GetExceptionMsg(), c.sError);
            continue;
        }
        ASSERT_NE(pItems, sentinel);
        ASSERT_NE(pItems, nullptr);
        ASSERT_EQ(static_cast<size_t>(n), c.items.size());
        for (size_t i = 0; i < c.items.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(pItems[i].nStreamID, c.items[i].nId);
            EXPECT_EQ(pItems[i].eStreamType, c.items[i].nType);
            EXPECT_EQ(pItems[i].bCompress, c.items[i].bCompress);
        }
        delete[] pItems;
    }
}

TEST(MultiStreamAddress, NullOutPointerIsRefused)
{
    GetQuentaException()->Clear();
    EXPECT_EQ(ParserUrlToSMItemInfo("file:///a?movieid=0", nullptr), -1);
    EXPECT_EQ(GetQuentaException()->GetExceptionCode(), QB_ERR_BAD_POINTER);
}

TEST(MultiStreamAddress, ReadsEveryAddressAsTheAddressClassDoes)
{
    const char* const paths[] = {"/videos/100%25.mp4",    "/what?.mp4", "/a?b=c&d.mkv", "/Tom & Jerry/my clip.mov",
                                 "/vidéos/東京 夜景.mkv", "/x%3F%26.ts"};
    for (const char* path : paths) {
        SCOPED_TRACE(path);
        Moorland::CSourceURL2 address("file://");
        address.SetFilePath(path);
        address.SetMovieID(2);
        Moorland::StreamParams video;
        video.id = 256;
        video.name = "vstreamid";
        video.compress = true;
        Moorland::StreamParams audio;
        audio.id = 257;
        audio.name = "astreamid";
        address.AddStreamParams(&video);
        address.AddStreamParams(&audio);
        const std::string printed = address.GetURL();

        EXPECT_EQ(Moorland::CSourceURL(printed).GetFilePath(), path) << printed;
        EXPECT_EQ(Moorland::CSourceURL(printed).GetMovieID(), 2);
        SMItemInfo* items = nullptr;
        ASSERT_EQ(ParserUrlToSMItemInfo(printed, &items), 2) << printed;
        EXPECT_EQ(items[0].nStreamID, 256);
        EXPECT_EQ(items[0].eStreamType, Moorland::StreamTypeVideo);
        EXPECT_TRUE(items[0].bCompress);
        EXPECT_EQ(items[1].nStreamID, 257);
        EXPECT_EQ(items[1].eStreamType, Moorland::StreamTypeAudio);
        EXPECT_FALSE(items[1].bCompress);
        delete[] items;
    }
}
