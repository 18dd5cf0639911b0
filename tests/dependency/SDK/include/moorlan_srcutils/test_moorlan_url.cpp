#include "moorlan_srcutils/moorlan_url.h"

#include "Basilvo/Basilvo.h"
#include "CBaseException.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Moorland::CSourceURL;
using Moorland::CSourceURL2;

namespace {

struct ParseCase
{
    const char* url;
    const char* protocol;
    const char* path;
    std::vector<std::pair<std::string, std::string>> pairs; // checked through GetParam
    const char* printed;
};

} // namespace

TEST(CSourceURL, ParsesAndPrints)
{
    const std::vector<ParseCase> cases = {
        {"file:///a/b.mp4?movieid=1&angle=2",
         "file",
         "/a/b.mp4",
         {{"movieid", "1"}, {"angle", "2"}},
         "file:///a/b.mp4?movieid=1&angle=2"},
        {"/plain/file.mov", "", "/plain/file.mov", {}, "/plain/file.mov"},
        {"/plain/file.mov?vstreamid=3", "", "/plain/file.mov", {{"vstreamid", "3"}}, "/plain/file.mov?vstreamid=3"},
        {"dvd:///media/disc?&&a=1&", "dvd", "/media/disc", {{"a", "1"}}, "dvd:///media/disc?a=1"},
        {"x://p?a=1=2", "x", "p", {{"a", "1"}}, "x://p?a=1"},
        // Items without a value are kept but not printed.
        {"x://p?k&k2=&=v&b=2", "x", "p", {{"k", ""}, {"k2", ""}, {"v", ""}, {"b", "2"}}, "x://p?b=2"},
        // Duplicate keys: lookups answer the first, printing keeps both.
        {"x://p?a=1&a=2", "x", "p", {{"a", "1"}}, "x://p?a=1&a=2"},
        {"x://", "x", "", {}, "x://"},
        {"", "", "", {}, ""},
        // Ordinary texts with "&", "=" or "%" in the path and stray "%" print unchanged.
        {"file:///Tom & Jerry=1/100%.mp4?movieid=4",
         "file",
         "/Tom & Jerry=1/100%.mp4",
         {{"movieid", "4"}},
         "file:///Tom & Jerry=1/100%.mp4?movieid=4"},
        {"file:///a%20b.mp4", "file", "/a%20b.mp4", {}, "file:///a%20b.mp4"},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(c.url);
        CSourceURL url(c.url);
        EXPECT_EQ(c.protocol, url.GetProtocol());
        EXPECT_EQ(c.path, url.GetFilePath());
        for (const auto& kv : c.pairs)
            EXPECT_EQ(kv.second, url.GetParam(kv.first)) << kv.first;
        EXPECT_EQ("", url.GetParam("absent"));
        EXPECT_EQ(c.printed, url.GetURL());
    }
}

TEST(CSourceURL, TypedParameters)
{
    struct Typed
    {
        const char* key;
        void (CSourceURL::*set)(int);
        int (CSourceURL::*get)() const;
    };
    const std::vector<Typed> typed = {
        {"movieid", &CSourceURL::SetMovieID, &CSourceURL::GetMovieID},
        {"angle", &CSourceURL::SetAngle, &CSourceURL::GetAngle},
        {"subtitleid", &CSourceURL::SetSubtitleID, &CSourceURL::GetSubtitleID},
        {"subtitle", &CSourceURL::SetSubtitleIndex, &CSourceURL::GetSubtitleIndex},
        {"astreamid", &CSourceURL::SetAudioStreamID, &CSourceURL::GetAudioStreamID},
        {"vstreamid", &CSourceURL::SetVideoStreamID, &CSourceURL::GetVideoStreamID},
    };
    for (const Typed& t : typed) {
        SCOPED_TRACE(t.key);
        CSourceURL url("file:///m.ts?first=x");
        EXPECT_EQ(-2, (url.*t.get)());
        (url.*t.set)(5);
        EXPECT_EQ("file:///m.ts?first=x&" + std::string(t.key) + "=5", url.GetURL());
        (url.*t.set)(-1);
        EXPECT_EQ(-1, (url.*t.get)());
        EXPECT_EQ("-1", url.GetParam(t.key));
        (url.*t.set)(-2);
        EXPECT_EQ(-2, (url.*t.get)());
        EXPECT_EQ("file:///m.ts?first=x", url.GetURL());
        // The emptied pair keeps its place: a new value prints where it was.
        url.SetParam("last", "y");
        (url.*t.set)(0);
        EXPECT_EQ("file:///m.ts?first=x&" + std::string(t.key) + "=0&last=y", url.GetURL());
    }

    CSourceURL noNumber("f://p?movieid=abc&angle=12xy");
    EXPECT_EQ(0, noNumber.GetMovieID());
    EXPECT_EQ(12, noNumber.GetAngle());
}

TEST(CSourceURL, SetParamKeepsPlaceAndClearKeepsPath)
{
    CSourceURL url("file:///v.mp4?vstreamid=1&astreamid=2");
    url.SetParam("vstreamid", "9");
    url.SetParam("new", "z");
    EXPECT_EQ("file:///v.mp4?vstreamid=9&astreamid=2&new=z", url.GetURL());
    url.SetFilePath("/w.mp4");
    url.SetProtocol("");
    EXPECT_EQ("/w.mp4?vstreamid=9&astreamid=2&new=z", url.GetURL());
    url.ClearParams();
    EXPECT_EQ("/w.mp4", url.GetURL());
    EXPECT_EQ("", url.GetParam("vstreamid"));
}

TEST(CSourceURL, PathsAreLiteralAndParametersRoundTrip)
{
    struct Case
    {
        std::string path;
        std::string key;
        std::string value;
    };
    const std::vector<Case> cases = {
        {"/videos/100%25.mp4", "title", "100%25"},
        {"/what?.mp4", "title", "a&b=c?d"},
        {"/x%3F/y%25z.mp4", "k%26", "100%"},
        {"/q?&=%", "a=b", "%3d%3D%26%25%3f"},
        {"/a?b=c.mp4", "k", "v"},
        {"/ends-with%", "k", "%2"},
        {"/Tom & Jerry/my clip (1).mov", "title", "two words"},
        {"/vidéos/東京 夜景.mkv", "title", "夜景 & ünïcode"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        for (bool withParams : {true, false}) {
            CSourceURL url("file://");
            url.SetFilePath(c.path);
            if (withParams) {
                url.SetParam(c.key, c.value);
                url.SetMovieID(3);
            }
            const std::string printed = url.GetURL();
            CSourceURL back(printed);
            EXPECT_EQ("file", back.GetProtocol());
            EXPECT_EQ(c.path, back.GetFilePath()) << printed;
            EXPECT_EQ(withParams ? c.value : "", back.GetParam(c.key));
            EXPECT_EQ(withParams ? 3 : -2, back.GetMovieID());
            EXPECT_EQ(printed, back.GetURL());
        }
    }
    // The path prints as it stands; only the parameters are escaped.
    CSourceURL url("file://");
    url.SetFilePath("/a?b 100%25.mp4");
    url.SetParam("t", "x&y=z");
    EXPECT_EQ("file:///a?b 100%25.mp4?t=x%26y%3Dz", url.GetURL());
    // A plain path is read literally whatever it holds.
    EXPECT_EQ("/videos/100%25.mp4", CSourceURL("/videos/100%25.mp4").GetFilePath());
    EXPECT_EQ("/videos/what?.mp4", CSourceURL("/videos/what?.mp4").GetFilePath());
    EXPECT_EQ("/videos/what?.mp4", CSourceURL("file:///videos/what?.mp4").GetFilePath());
}

TEST(CSourceURL2, StreamPairs)
{
    CSourceURL2 url("file:///multi.mkv?movieid=2&x=1&y=2");
    EXPECT_EQ(2, url.GetMovieID());
    EXPECT_EQ(1, url.GetStreamCount()); // three parsed pairs count as one stream

    CSourceURL2 streams("file:///multi.mkv");
    Moorland::StreamParams fresh;
    EXPECT_EQ(-1, fresh.id);
    EXPECT_EQ("", fresh.name);
    EXPECT_FALSE(fresh.compress);

    Moorland::StreamParams video{0, "v0", true};
    Moorland::StreamParams audio{1, "a1", false};
    EXPECT_EQ(1, streams.AddStreamParams(&video));
    EXPECT_EQ(2, streams.AddStreamParams(&audio));
    EXPECT_EQ("file:///multi.mkv?v0=0&compress=1&a1=1&compress=0", streams.GetURL());
    EXPECT_EQ("1", streams.GetParam("compress"));
    EXPECT_EQ(nullptr, streams.GetStreamParam(0));
    streams.SetMovieID(-2);
    EXPECT_EQ(-2, streams.GetMovieID());
    EXPECT_EQ(2, streams.GetStreamCount()); // the fifth pair counts half

    GetQuentaException()->Clear();
    EXPECT_EQ(0, streams.AddStreamParams(nullptr));
    EXPECT_EQ(QB_ERR_BAD_POINTER, GetQuentaException()->GetExceptionCode());
    EXPECT_STREQ("Bad pointer", GetQuentaException()->GetExceptionMsg());
    int line = 0;
    EXPECT_NE(std::string::npos, std::string(GetQuentaException()->GetExceptionSource(&line)).find("moorlan_url"));
}
