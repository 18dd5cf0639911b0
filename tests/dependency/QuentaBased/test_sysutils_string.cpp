#include "sysutils.h"
#include "CBaseException.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

using namespace QuentaBased;

// Lets the allocator report exhaustion as null instead of aborting the test.
extern "C" const char* __asan_default_options()
{
    return "allocator_may_return_null=1";
}

namespace {

std::string Vf(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    std::string s = vformat(fmt, args);
    va_end(args);
    return s;
}

} // namespace

TEST(StringPieces, PositionsAndPieces)
{
    struct Case
    {
        std::string text;
        unsigned start;
        std::string sub;
        int pos;
        int rpos;
    };
    const Case cases[] = {
        {"abcabc", 0, "bc", 1, -1}, // nothing begins at or before 0
        {"abcabc", 2, "bc", 4, 1},  // rpos: occurrence beginning at or before 2
        {"abcabc", 6, "a", -1, 3},  // start at the end: StrPos -1
        {"abcabc", 0xFFFFFFFFu, "c", -1, 5}, {"", 0, "a", -1, -1}, {"abc", 0, "", -1, -1}, {"ab", 0, "abc", -1, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.pos, StrPos(c.text, c.start, c.sub)) << c.text << " " << c.start << " " << c.sub;
        EXPECT_EQ(c.rpos, StrRPos(c.text, c.start, c.sub)) << c.text << " " << c.start << " " << c.sub;
    }
    EXPECT_EQ("ab", LeftStr("abc", 2));
    EXPECT_EQ("abc", LeftStr("abc", 9));
    EXPECT_EQ("bc", RightStr("abc", 2));
    EXPECT_EQ("cdef", SubStr("abcdef", 2, 0xFFFFFFFFu));
    EXPECT_EQ("cd", SubStr("abcdef", 2, 2));
    EXPECT_EQ("", SubStr("abc", 3, 1));
}

TEST(StringPieces, ReplaceSplitTrimAndCase)
{
    EXPECT_EQ("x-y-z-", StrReplace("x..y..z..", "..", "-"));
    EXPECT_EQ("aaa", StrReplace("aaa", "", "b"));
    EXPECT_EQ("abab", StrReplace("aa", "a", "ab")); // replacement is never searched again

    using V = std::vector<std::string>;
    EXPECT_EQ((V{"a", "b", "c"}), StrSplit(",a,,b;c,", ",;"));
    EXPECT_EQ(V{}, StrSplit("", ","));
    EXPECT_EQ(V{"a,b"}, StrSplit("a,b", ""));
    EXPECT_EQ((std::vector<std::wstring>{L"\u00e9", L"b"}), WStrSplit(L"/\u00e9//b", L"/"));

    std::string name = "keep", value = "keep";
    EXPECT_FALSE(GetNameValue("=x", "=", name, value));
    EXPECT_FALSE(GetNameValue("abc", "=", name, value));
    EXPECT_EQ("keep", name);
    EXPECT_TRUE(GetNameValue("key=a=b", "=", name, value));
    EXPECT_EQ("key", name);
    EXPECT_EQ("a=b", value);

    EXPECT_EQ("ab  ", TrimLeft("xxab  ", "x"));
    EXPECT_EQ("", TrimRight("xxx", "x"));
    // Trim strips the caller's set on the left and blank, CR and LF on the right.
    EXPECT_EQ("abx", Trim("xxabx \r\n", "x"));
    // ASCII letters only change: the bytes of "É" and every other byte stay,
    // whatever the locale.
    EXPECT_EQ("abc-\xC3\x89z\xFF", LowerCase("ABC-\xC3\x89Z\xFF"));
    EXPECT_EQ("ABC1\xC3\xA9@[`{", UpperCase("abC1\xC3\xA9@[`{"));
}

TEST(StringPieces, CaseInsensitiveCompareAndMatch)
{
    EXPECT_EQ(0, strCaseInsensitiveCompare("Hello", "hELLO"));
    EXPECT_LT(strCaseInsensitiveCompare("abc", "abd"), 0);
    EXPECT_EQ(0, strNCaseInsensitiveCompare("HelloX", "helloY", 5));
    EXPECT_NE(0, strNCaseInsensitiveCompare("HelloX", "helloY", 6));
    EXPECT_GT(strNCaseInsensitiveCompare("b", "A", 1), 0);

    struct Case
    {
        const char* text;
        const char* pattern;
        bool match;
    };
    const Case cases[] = {
        {"clip.MTS", "*.mts", true},
        {"clip.mts", "*.MTS", true},
        {"abc", "a?c", true},
        {"ac", "a?c", false},
        {"abc", "*", true},
        {"", "*", true},
        {"abc", "ab", false},
        {"ab", "abc", false},
        {"a.b.c", "*.c", true},
        {"abcbd", "a*b?", true},
        {"x", "", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.match, StrMatch(c.text, c.pattern)) << c.text << " ~ " << c.pattern;
}

TEST(StringNumbers, ParseAndFormat)
{
    EXPECT_EQ("-42", IntToStr(-42));
    EXPECT_EQ("0", IntToStr(0));
    struct Case
    {
        const char* text;
        int strToInt;
        int ascii;
    };
    const Case cases[] = {
        {"123", 123, 123}, {"  -7x", -7, 0}, {"12a", 12, 0}, {"-5", -5, 0}, {"", 0, 0}, {"abc", 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.strToInt, StrToInt(c.text)) << c.text;
        EXPECT_EQ(c.ascii, ascii_to_integer(c.text)) << c.text;
    }

    const std::string long300(300, 'p');
    EXPECT_EQ(long300.substr(0, 255), Format("%s", long300.c_str()));
    EXPECT_EQ("a_7.x", Format("%s_%d%s", "a", 7, ".x"));
    // vformat has no length limit.
    EXPECT_EQ(long300 + "/1", Vf("%s/%d", long300.c_str(), 1));
    EXPECT_EQ("", Vf("%s", ""));
    EXPECT_EQ("", CreateGUIDString());
}

TEST(StringNumbers, HexConversions)
{
    EXPECT_EQ(10, chr2hex('a'));
    EXPECT_EQ(9, chr2hex('9'));
    EXPECT_EQ(255, chr2hex('A'));
    EXPECT_EQ(255, chr2hex('g'));

    std::string hex = "0AfF", out = "untouched";
    EXPECT_EQ(2u, hex2bin(hex, out));
    EXPECT_EQ("0aff", hex) << "the caller's text is lower-cased";
    EXPECT_EQ(std::string("\x0A\xFF", 2), out);
    std::string odd = "abc", kept = "kept";
    EXPECT_EQ(0u, hex2bin(odd, kept));
    EXPECT_EQ("kept", kept);

    std::string bytes = "old";
    EXPECT_EQ(3, HexToBin(bytes, "01 02,abc 0F", " ,"));
    EXPECT_EQ(std::string("\x01\x02\x0F", 3), bytes);

    const unsigned char raw[] = {0x00, 0xAB, 0x7F};
    EXPECT_EQ("00:AB:7F:", BinaryToHexString(raw, 3, ":"));
    try {
        BinaryToHexString(nullptr, 1, "");
        FAIL() << "null data must throw";
    } catch (const CBaseException& e) {
        EXPECT_EQ(QB_ERR_BAD_POINTER, e.GetCode());
        EXPECT_STREQ("Bad pointer", e.GetMsg());
    }
}

TEST(StringNumbers, Base64RoundTripAndPadding)
{
    struct Case
    {
        std::string raw;
        std::string text;
    };
    const Case cases[] = {
        {"", ""},        {"f", "Zg=="},        {"fo", "Zm8="},
        {"foo", "Zm9v"}, {"foob", "Zm9vYg=="}, {std::string("\x00\xFF\x10", 3), "AP8Q"},
    };
    for (const Case& c : cases) {
        std::string text = "junk";
        base64_encode(c.raw.data(), static_cast<int>(c.raw.size()), text);
        EXPECT_EQ(c.text, text);
        std::string raw = "junk";
        base64_decode(c.text.data(), static_cast<int>(c.text.size()), raw);
        EXPECT_EQ(c.raw, raw) << "padding must shorten the decoded bytes: " << c.text;
    }
    // Only whole groups are decoded: the three trailing characters are ignored.
    std::string raw;
    base64_decode("Zm9vYmF", 7, raw);
    EXPECT_EQ("foo", raw);
}

TEST(StringEncodings, Utf8Decoding)
{
    const char* mixed = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"; // a é € 😀
    EXPECT_EQ(1, u8len(mixed, 4));
    EXPECT_EQ(2, u8len(mixed + 1, 4));
    EXPECT_EQ(3, u8len(mixed + 3, 4));
    EXPECT_EQ(4, u8len(mixed + 6, 4));
    EXPECT_EQ(0, u8len("", 4));
    EXPECT_EQ(0, u8len("a", 0));
    EXPECT_EQ(-1, u8len("\x80", 4));

    wchar_t wc = 0;
    EXPECT_EQ(3, u8towc(&wc, mixed + 3, 0));
    EXPECT_EQ(0x20AC, static_cast<int>(wc));
    EXPECT_EQ(-1, u8towc(nullptr, "a", 0));
    EXPECT_EQ(0, u8towc(&wc, "", 0));
    EXPECT_EQ(-1, u8towc(&wc, "\xC3(", 0));

    EXPECT_EQ(4u, u8swcslen(mixed));
    EXPECT_EQ(std::wstring(L"a\u00e9\u20ac\U0001F600"), utf8_to_wide(mixed));

    wchar_t buf[8];
    EXPECT_EQ(5u, u8stowcs(buf, mixed, 8)) << "count plus the terminator";
    EXPECT_EQ(0, static_cast<int>(buf[4]));
    EXPECT_EQ(2u, u8stowcs(buf, mixed, 2)) << "maximum reached first: no terminator";
    EXPECT_EQ(static_cast<unsigned>(-1), u8stowcs(buf, "a\xE2\x82", 8));
    EXPECT_EQ("x\xC3\xA9", utf8_to_local("x\xC3\xA9"));
    EXPECT_EQ("x", local_to_utf8("x"));
}

TEST(StringEncodings, SequencesCutByTheTerminatorStopThere)
{
    // A lead byte that announces more bytes than are left must not read past the 0.
    const char* cut[] = {"ab\xF0", "\xE2\x82", "\xC3"};
    for (const char* s : cut) {
        const std::string owned(s); // exact-size heap copy, so ASan sees any over-read
        char* exact = static_cast<char*>(std::malloc(owned.size() + 1));
        std::copy(owned.c_str(), owned.c_str() + owned.size() + 1, exact);
        EXPECT_LE(u8swcslen(exact), owned.size());
        const std::wstring wide = utf8_to_wide(exact);
        EXPECT_LE(wide.size(), owned.size());
        std::free(exact);
    }
    EXPECT_EQ(std::wstring(L"ab"), utf8_to_wide("ab\xF0"));
}

TEST(StringPaths, ExtensionsAndSeparators)
{
    struct Case
    {
        std::string path;
        std::string ext;
        std::string changed;
    };
    const Case cases[] = {
        {"/a/b/clip.mp4", ".mp4", "/a/b/clip.mov"},
        {"/a/b.dir/clip", "", "/a/b.dir/clip.mov"},
        {"a/b.dir\\clip", ".dir\\clip", "a/b.mov"},
        {"clip.tar.gz", ".gz", "clip.tar.mov"},
        {"noext", "", "noext.mov"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.ext, extract_file_ext(c.path)) << c.path;
        EXPECT_EQ(c.changed, change_file_ext(c.path, ".mov")) << c.path;
    }
    EXPECT_EQ("/a/clip", change_file_ext("/a/clip.mp4", ""));

    struct Slash
    {
        const char* in;
        const char* out;
    };
    const Slash slashes[] = {{"", "/"}, {"/a\\", "/a\\/"}, {"/a/", "/a/"}, {"a", "a/"}};
    for (const Slash& s : slashes)
        EXPECT_EQ(s.out, include_path_backslash(s.in)) << s.in;

    std::string path = "/base";
    EXPECT_EQ("/base/name", path_connect(path, "name", false));
    EXPECT_EQ("/base/name", path);
    EXPECT_EQ("/base/name/sub/", path_connect(path, "sub", true));
}

TEST(StringCommandLine, ParseCases)
{
    using V = std::vector<std::string>;
    struct Case
    {
        std::string line;
        V args;
    };
    const Case cases[] = {
        {"a  \"b c\" d", {"a", "b c", "d"}},
        {"\"\"", {""}},
        {"x\"y", {"x\"y"}},
        {"\"a\"b c", {"a\"b c"}},
        {"\\\"q \\\\ \\b", {"\"q", "\\", "\\b"}},
        {"tab\tstays", {"tab\tstays"}},
        {"end\\", {"end"}},
        {"\"open quote", {"open quote"}},
        {"", {}},
    };
    for (const Case& c : cases) {
        V args{"stale"};
        EXPECT_EQ(static_cast<int>(c.args.size()), parse_cmd_line(c.line, args)) << c.line;
        EXPECT_EQ(c.args, args) << c.line;
    }
}

TEST(StringSmallHelpers, WordsGeometryAndArrays)
{
    EXPECT_EQ(0x1234, MakeWord(0x34, 0x12));
    EXPECT_EQ(0x12345678u, MakeLong(0x5678, 0x1234));
    EXPECT_EQ(0x1234, HiWord(0x12345678u));
    EXPECT_EQ(0x5678, LoWord(0x12345678u));
    EXPECT_EQ(0x12, HiByte(0x1234));
    EXPECT_EQ(0x34, LowByte(0x1234));
    EXPECT_DOUBLE_EQ(3.141592653589793, DegToRad(180.0));
    const unsigned int values[] = {3, 5, 8};
    EXPECT_TRUE(QueryInArray(5, values, 3));
    EXPECT_FALSE(QueryInArray(8, values, 2));
    EXPECT_FALSE(QueryInArray(3, nullptr, 3));
    EXPECT_EQ(0u, get_system_time());

    auto same = [](rect_t a, rect_t b) {
        return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
    };
    const rect_t area = FillRect(0, 0, 100, 100);
    rect_t b1{}, b2{};
    EXPECT_TRUE(same(FillRect(0, 21, 100, 78), scaleToAspect(area, 16, 9, b1, b2)));
    EXPECT_TRUE(same(FillRect(0, 0, 100, 21), b1));
    EXPECT_TRUE(same(FillRect(0, 78, 100, 100), b2));
    EXPECT_TRUE(same(FillRect(21, 0, 78, 100), scaleToAspect(area, 9, 16, b1, b2)));
    EXPECT_TRUE(same(FillRect(0, 0, 21, 100), b1));
    const rect_t untouched = FillRect(1, 2, 3, 4);
    b1 = untouched;
    EXPECT_TRUE(same(area, scaleToAspect(area, 0, 9, b1, b2)));
    EXPECT_TRUE(same(untouched, b1));
}

TEST(MallocAllocator, GrowsKeepsAndReportsExhaustion)
{
    MallocAllocator a;
    EXPECT_EQ(nullptr, a.data);
    char* p = static_cast<char*>(a.Malloc(4));
    std::copy("abc", "abc" + 4, p);
    p = static_cast<char*>(a.Realloc(64));
    EXPECT_EQ(64u, a.size);
    EXPECT_STREQ("abc", p);

    try {
        a.Realloc(ULONG_MAX / 2);
        FAIL() << "an impossible size must throw";
    } catch (const CBaseException& e) {
        EXPECT_EQ(QB_ERR_NO_MEMORY, e.GetCode());
        EXPECT_STREQ("No enough memory", e.GetMsg());
    }
    // The old block is kept, not lost.
    EXPECT_EQ(p, a.data);
    EXPECT_EQ(64u, a.size);
    EXPECT_STREQ("abc", static_cast<char*>(a.data));

    try {
        a.Malloc(ULONG_MAX / 2);
        FAIL() << "an impossible size must throw";
    } catch (const CBaseException& e) {
        EXPECT_EQ(QB_ERR_NO_MEMORY, e.GetCode());
    }
    EXPECT_EQ(nullptr, a.data);
    EXPECT_EQ(0u, a.size);
    a.Release();
}
