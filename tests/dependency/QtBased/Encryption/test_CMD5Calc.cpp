#include "Encryption/CMD5Calc.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Md5Of(const QString& text)
{
    CMD5Calc md5;
    md5.update(text);
    return md5.final().toStdString();
}

std::string Md5OfBytes(const std::string& bytes)
{
    CMD5Calc md5;
    md5.update(reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<unsigned>(bytes.size()));
    return md5.final().toStdString();
}

} // namespace

TEST(CMD5Calc, Rfc1321TestSuite)
{
    struct Case
    {
        const char* text;
        const char* digest;
    };
    const Case cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Md5Of(QString::fromLatin1(c.text)), c.digest) << c.text;
        EXPECT_EQ(Md5OfBytes(c.text), c.digest) << c.text;
    }
    CMD5Calc untouched;
    EXPECT_EQ(untouched.final().toStdString(), "d41d8cd98f00b204e9800998ecf8427e");
}

TEST(CMD5Calc, PaddingBoundariesAndSplitUpdates)
{
    // Digests of "a" repeated n times, as computed by md5sum.
    struct Case
    {
        int length;
        const char* digest;
    };
    const Case cases[] = {
        {55, "ef1772b6dff9a122358552954ad0df65"}, {56, "3b0c8ac703f828b04c6c197006d17218"},
        {63, "b06521f39153d618550606be297466d5"}, {64, "014842d480b571495a4a0363793f7367"},
        {65, "c743a45e0d2e6a95cb859adae0248435"},
    };
    for (const Case& c : cases) {
        const std::string text(static_cast<size_t>(c.length), 'a');
        EXPECT_EQ(Md5OfBytes(text), c.digest) << c.length;
        // Every split point gives the digest of the whole.
        for (int split = 0; split <= c.length; ++split) {
            CMD5Calc md5;
            md5.update(QString::fromStdString(text.substr(0, split)));
            md5.update(QString::fromStdString(text.substr(split)));
            ASSERT_EQ(md5.final().toStdString(), c.digest) << c.length << " split " << split;
        }
    }
}

TEST(CMD5Calc, CharactersAreHashedAsOneLatin1Byte)
{
    // U+00E9 is the single byte 0xE9, not its UTF-8 pair.
    EXPECT_EQ(Md5Of(QString::fromUtf8("\xC3\xA9")), Md5OfBytes("\xE9"));
    EXPECT_NE(Md5Of(QString::fromUtf8("\xC3\xA9")), Md5OfBytes("\xC3\xA9"));
    // Characters above U+00FF all become "?".
    EXPECT_EQ(Md5Of(QString::fromUtf8("x\xE4\xB8\xAD")), Md5Of(QString::fromUtf8("x\xE6\x97\xA5")));
    EXPECT_EQ(Md5Of(QString::fromUtf8("x\xE4\xB8\xAD")), Md5Of("x?"));
}

TEST(CMD5Calc, FinalIsStable)
{
    CMD5Calc md5;
    md5.update(QString("abc"));
    const QString first = md5.final();
    md5.update(QString("more"));
    EXPECT_EQ(md5.final(), first);
    EXPECT_EQ(first.size(), 32);
    EXPECT_EQ(first, first.toLower());
}
