#pragma once

#include <QString>

#include <cstdint>

// MD5 (RFC 1321) of a text taken one byte per character (Latin-1, "?" for
// characters above U+00FF). One object per digest: update, then final.
class CMD5Calc
{
public:
    CMD5Calc();
    ~CMD5Calc() = default;

    CMD5Calc& update(const QString& text);
    CMD5Calc& update(const unsigned char* input, unsigned int length);
    // 32 lowercase hexadecimal digits; the first call finishes the digest and
    // later calls (and later updates) leave it unchanged.
    QString final();

private:
    void transform(const unsigned char block[64]);
    static void encode(unsigned char* output, const uint32_t* input, unsigned int length);
    static void decode(uint32_t* output, const unsigned char* input, unsigned int length);
    static void memcpy(unsigned char* output, const unsigned char* input, unsigned int length);
    static void memset(unsigned char* output, unsigned char value, unsigned int length);

    bool m_bFinished = false;
    unsigned char m_digest[16] = {};
    uint32_t m_state[4];
    uint32_t m_count[2] = {0, 0};
    unsigned char m_buffer[64] = {};
};
