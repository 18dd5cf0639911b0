#include "Encryption/DesEncrypt.h"

#include "Basilvo/Basilvo.h"
#include "CBaseException.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string FromHex(const std::string& hex)
{
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
}

std::string ToHex(const std::string& bytes)
{
    return stringToHex(bytes).substr(2);
}

} // namespace

TEST(DesEncrypt, KnownAnswerVectors)
{
    // FIPS 46-3 / SP 800-17 known answers and the SP 800-67 triple-DES example.
    struct Case
    {
        const char* key;
        const char* plain;
        const char* cipher;
    };
    const Case cases[] = {
        {"0101010101010101", "8000000000000000", "95f8a5e5dd31d900"},
        {"8001010101010101", "0000000000000000", "95a8d72813daa94d"},
        {"0123456789abcdef", "4e6f772069732074", "3fa40e8a984d4815"},
        {"133457799bbcdff1", "0123456789abcdef", "85e813540f0ab405"},
        {"0123456789abcdef23456789abcdef01456789abcdef0123", "54686520717566636b2062726f776e20666f78206a756d70",
         "a826fd8ce53b855fcce21c8112256fe668d5c05dd9b6b900"},
    };
    for (const Case& c : cases) {
        const std::string key = FromHex(c.key);
        const std::string plain = FromHex(c.plain);
        const std::string out = des_enc(key, plain, true);
        // Whole blocks gain one zero block, enciphered as well.
        ASSERT_EQ(out.size(), plain.size() + 8) << c.key;
        EXPECT_EQ(ToHex(out.substr(0, plain.size())), c.cipher) << c.key;
        EXPECT_EQ(out.substr(plain.size()), des_enc(key, std::string(8, '\0'), true).substr(0, 8));

        const std::string back = des_enc(key, FromHex(c.cipher), false);
        ASSERT_EQ(back.size(), plain.size() + 8);
        EXPECT_EQ(ToHex(back.substr(0, plain.size())), c.plain) << c.key;
    }
}

TEST(DesEncrypt, KeyLengthChoosesTheCipher)
{
    const std::string k1 = "k1-bytes", k2 = "second!!", k3 = "3rd key.";
    const std::string msg = "a message of some length";
    // E-D-E with one key is one encipherment.
    EXPECT_EQ(des_enc(k1 + k1 + k1, msg, true), des_enc(k1, msg, true));
    // 16 bytes are single DES on the first eight; beyond 24 bytes nothing counts.
    EXPECT_EQ(des_enc(k1 + k2, msg, true), des_enc(k1, msg, true));
    EXPECT_EQ(des_enc(k1 + k2 + k3 + "ignored", msg, true), des_enc(k1 + k2 + k3, msg, true));
    // Triple DES is E(k3, D(k2, E(k1, x))) block by block.
    const std::string block = "8 bytes!";
    const std::string e1 = des_enc(k1, block, true).substr(0, 8);
    const std::string d2 = des_enc(k2, e1, false).substr(0, 8);
    const std::string e3 = des_enc(k3, d2, true).substr(0, 8);
    EXPECT_EQ(des_enc(k1 + k2 + k3, block, true).substr(0, 8), e3);
    // Parity bits are ignored.
    std::string flipped = k1;
    for (char& ch : flipped)
        ch = static_cast<char>(ch ^ 1);
    EXPECT_EQ(des_enc(flipped, msg, true), des_enc(k1, msg, true));
}

TEST(DesEncrypt, PaddingLengthsAndRoundTrip)
{
    const struct
    {
        size_t in;
        size_t out;
    } lengths[] = {{0, 8}, {5, 8}, {7, 8}, {8, 16}, {13, 16}, {16, 24}};
    for (const auto& l : lengths) {
        const std::string msg(l.in, 'x');
        EXPECT_EQ(des_enc("12345678", msg, true).size(), l.out) << l.in;
    }
    const std::string key = "0123456789abcdef0123456789abcdef"; // a 32-character digest key
    const std::string text = "user name\tpass word";
    const std::string back = des_enc(key, des_enc(key, text, true), false);
    EXPECT_EQ(back.size(), 32u);
    EXPECT_EQ(std::string(back.c_str()), text);
}

TEST(DesEncrypt, ShortKeysAreRefused)
{
    for (const std::string& key : {std::string(), std::string("1234567")}) {
        try {
            des_enc(key, "message", true);
            FAIL() << "key of " << key.size() << " bytes accepted";
        } catch (CBaseException& e) {
            EXPECT_EQ(e.GetCode(), QB_ERR_BAD_PARAM);
        }
    }
    DesEncrypt des;
    des.setKey("short");
    GetQuentaException()->Clear();
    EXPECT_FALSE(des.Encrypt("abc", 3));
    EXPECT_EQ(GetQuentaException()->GetExceptionCode(), QB_ERR_BAD_PARAM);
}

TEST(DesEncrypt, ObjectKeepsLastResult)
{
    DesEncrypt des;
    des.setKey("0123-4567-89ab-cdef-0123"); // 24 characters: triple DES
    ASSERT_TRUE(des.Encrypt("profile bytes", 13));
    const QuentaBased::MallocAllocator* data = des.getData();
    ASSERT_EQ(data->size, 16u);
    const std::string cipher(static_cast<const char*>(data->data), data->size);
    EXPECT_EQ(cipher, des_enc("0123-4567-89ab-cdef-0123", "profile bytes", true));

    GetQuentaException()->Clear();
    EXPECT_FALSE(des.Encrypt(nullptr, 4));
    EXPECT_EQ(GetQuentaException()->GetExceptionCode(), QB_ERR_BAD_POINTER);
    EXPECT_STREQ(GetQuentaException()->GetExceptionMsg(), "Bad pointer");
    EXPECT_EQ(std::string(static_cast<const char*>(des.getData()->data), des.getData()->size), cipher);

    ASSERT_TRUE(des.Decrypt(cipher.data(), static_cast<int>(cipher.size())));
    EXPECT_STREQ(static_cast<const char*>(des.getData()->data), "profile bytes");
}

TEST(DesEncrypt, StringToHex)
{
    EXPECT_EQ(stringToHex(std::string("\x00\x7f\x80\xff", 4)), "0x007f80ff");
    EXPECT_EQ(stringToHex(""), "0x");
}
