// The one bounded way stored files are read back: only regular files of a
// sensible size, and XML checked in one linear pass that no nesting, no
// attribute flood and no comment or quoted value can fool.

#include "CBaseException.h"
#include "sysutils_stored.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <tinyxml.h>

namespace {

using QuentaBased::StoredXmlBounds;

const StoredXmlBounds kBounds = {1u << 20, 16, 8, 100000};

struct TempDir
{
    std::string path;
    TempDir()
    {
        char tmpl[] = "/tmp/stored-test-XXXXXX";
        path = mkdtemp(tmpl);
    }
    ~TempDir() { std::system(("rm -rf '" + path + "'").c_str()); }
    std::string Write(const std::string& name, const std::string& text) const
    {
        const std::string p = path + "/" + name;
        std::ofstream(p, std::ios::binary) << text;
        return p;
    }
};

// The code and message of what `body` throws; code 0 when it throws nothing.
template <typename F> std::pair<int, std::string> Outcome(F&& body)
{
    try {
        body();
    } catch (CBaseException& e) {
        return {e.GetExceptionCode(), e.GetExceptionMsg()};
    }
    return {0, ""};
}

double Seconds(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::string Repeat(const std::string& s, int n)
{
    std::string out;
    out.reserve(s.size() * static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        out += s;
    return out;
}

} // namespace

TEST(StoredFile, OnlyRegularFilesOfTheirSizeAreRead)
{
    TempDir dir;
    const std::string good = dir.Write("good.xml", "<a/>");
    const std::string fifo = dir.path + "/fifo.xml";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string big = dir.Write("big.xml", std::string(2000, ' '));
    const struct
    {
        const char* what;
        std::string path;
        int code;       // 0: read whole
        const char* in; // part of the message
    } cases[] = {
        {"regular file", good, 0, ""},
        {"FIFO", fifo, QB_ERR_FILE_IO, "is not a regular file"},
        {"device that never ends", "/dev/zero", QB_ERR_FILE_IO, "is not a regular file"},
        {"folder", dir.path, QB_ERR_FILE_IO, "is not a regular file"},
        {"missing", dir.path + "/missing.xml", QB_ERR_FILE_IO, "missing.xml"},
        {"too large", big, QB_ERR_MEDIA, "larger than 1000 bytes"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto start = std::chrono::steady_clock::now();
        std::string text;
        const auto r = Outcome([&] { text = QuentaBased::read_stored_file(c.path, 1000); });
        EXPECT_LT(Seconds(start), 1.0);
        EXPECT_EQ(r.first, c.code) << r.second;
        EXPECT_NE(r.second.find(c.in), std::string::npos) << r.second;
        if (c.code == 0)
            EXPECT_EQ(text, "<a/>");
        else if (c.code == QB_ERR_FILE_IO && std::string(c.what) != "missing")
            EXPECT_NE(r.second.find(c.path), std::string::npos) << "the message names the file";
    }
}

TEST(StoredFile, XmlIsCheckedInOneBoundedPass)
{
    // Nesting hidden from a naive tag count: closing tags in a comment, in a
    // CDATA section, in an attribute value, behind a multi-byte lead byte.
    const std::string deep = Repeat("<x>", 40000) + Repeat("</x>", 40000);
    const struct
    {
        const char* what;
        std::string text;
        bool ok;
        const char* in; // part of the message when refused
    } cases[] = {
        {"plain", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<a b=\"1\" c='2'><d/>text &amp; more</a>", true, ""},
        {"comments, CDATA, PI, doctype", "<!DOCTYPE a><a><!-- </a> <b> --><![CDATA[</a><b>]]><?pi </a>?></a>", true,
         ""},
        {"quoted markup", "<a v=\"</a><b>\" w='<c>'/>", true, ""},
        {"bound depth", Repeat("<x>", 16) + Repeat("</x>", 16), true, ""},
        {"one too deep", Repeat("<x>", 17) + Repeat("</x>", 17), false, "nested more than 16 deep"},
        {"deep behind a comment", "<!--" + Repeat("</x>", 40000) + "-->" + deep, false, "nested more than"},
        {"deep behind CDATA", "<r><![CDATA[" + Repeat("</x>", 40000) + "]]>" + deep + "</r>", false,
         "nested more than"},
        {"deep behind an attribute", "<r v=\"" + Repeat("</x>", 40000) + "\">" + deep + "</r>", false,
         "nested more than"},
        {"closing tag behind a lead byte", "<r>" + Repeat("<x>\xF0</x>", 40) + "</r>", false, "not UTF-8"},
        {"bound attributes",
         "<a " +
             [] {
                 std::string s;
                 for (int i = 0; i < 8; ++i)
                     s += "a" + std::to_string(i) + "=\"\" ";
                 return s;
             }() +
             "/>",
         true, ""},
        {"many attributes",
         "<a " +
             [] {
                 std::string s;
                 for (int i = 0; i < 40000; ++i)
                     s += "a" + std::to_string(i) + "=\"\" ";
                 return s;
             }() +
             "/>",
         false, "more than 8 attributes"},
        {"many elements", "<r>" + Repeat("<e/>", 100001) + "</r>", false, "more than 100000 elements"},
        {"opening brackets only", Repeat("<a", 100000), false, ""},
        {"unterminated comment", "<a><!-- </a>", false, "unterminated comment"},
        {"mismatched end", "<a></b>", false, "</b> closes nothing open"},
        {"stray end", "</a>", false, "closes nothing open"},
        {"unclosed", "<a><b></b>", false, "<a> is not closed"},
        {"unquoted value", "<a b=1/>", false, "without quotes"},
        {"NUL byte", std::string("<a>\0</a>", 8), false, "NUL byte"},
        {"references", "<a v=\"&lt;&#60;&#x3C;&quot;\">&amp;&gt;&apos;</a>", true, ""},
        {"stray ampersand in a value", "<a ID=\"1450&\"/>", false, "no known character reference"},
        {"unknown reference", "<a>&nbsp;</a>", false, "no known character reference"},
        {"overlong UTF-8", "<a>\xC0\xBC</a>", false, "not UTF-8"},
        {"declaration with a quoted end", "<?xml version=\"1.0?> <x>\"?><a/>", false, "bad declaration"},
        {"declaration token with a quote", "<?xml a=\"b\" x\"y version=\"z?>\"?><a/>", false, "bad declaration"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto start = std::chrono::steady_clock::now();
        const auto r = Outcome([&] { QuentaBased::check_stored_xml(c.text.data(), c.text.size(), kBounds, "t.xml"); });
        EXPECT_LT(Seconds(start), 1.0);
        EXPECT_EQ(r.first, c.ok ? 0 : QB_ERR_MEDIA) << r.second;
        if (!c.ok) {
            EXPECT_NE(r.second.find(c.in), std::string::npos) << r.second;
            EXPECT_NE(r.second.find("t.xml, line "), std::string::npos) << r.second;
        } else {
            // What passes parses, and no deeper than the bound.
            TiXmlDocument doc;
            doc.Parse(c.text.c_str(), nullptr, TIXML_ENCODING_UTF8);
            EXPECT_FALSE(doc.Error()) << doc.ErrorDesc();
        }
    }
}

TEST(StoredFile, EveryTruncationIsRefusedOrWhole)
{
    const std::string good =
        "<?xml version=\"1.0\"?>\n<Root a=\"1\">\n  <!-- c -->\n  <Item id=\"7\" name=\"x &amp; y\"/>\n</Root>\n";
    for (size_t n = 0; n < good.size(); ++n) {
        const std::string cut = good.substr(0, n);
        const auto r = Outcome([&] { QuentaBased::check_stored_xml(cut.data(), cut.size(), kBounds, "cut.xml"); });
        // Only the declaration alone, or the whole root, is complete text.
        const std::string declaration = good.substr(0, good.find("?>") + 2);
        const bool whole =
            n == 0 || cut == declaration || cut == declaration + "\n" || cut.find("</Root>") != std::string::npos;
        EXPECT_EQ(r.first, whole ? 0 : QB_ERR_MEDIA) << "cut at " << n << ": " << r.second;
    }
}

TEST(StoredFile, StorableTextIsUtf8WithoutNul)
{
    const struct
    {
        std::string text;
        bool ok;
    } cases[] = {
        {"", true},
        {"plain", true},
        {"\xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xAC", true},
        {"\xE9t\xE9", false},        // Latin-1
        {"\xC3", false},             // cut short
        {"\xC0\xBC", false},         // overlong
        {"\xED\xA0\x80", false},     // surrogate
        {"\xF4\x90\x80\x80", false}, // past U+10FFFF
        {std::string("a\0b", 3), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(QuentaBased::is_storable_text(c.text.data(), c.text.size()), c.ok) << c.text;
}
