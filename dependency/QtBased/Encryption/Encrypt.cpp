#include "Encrypt.h"

#include "Basilvo/Basilvo.h"
#include "CBaseException.h"

#include <cstdlib>
#include <utility>

namespace {

// The standard's tables, 1-based bit numbers as FIPS 46-3 prints them. They
// are folded once into the word tables below; the cipher itself never walks bits.
const unsigned char kPC1[56] = {57, 49, 41, 33, 25, 17, 9,  1,  58, 50, 42, 34, 26, 18, 10, 2,  59, 51, 43,
                                35, 27, 19, 11, 3,  60, 52, 44, 36, 63, 55, 47, 39, 31, 23, 15, 7,  62, 54,
                                46, 38, 30, 22, 14, 6,  61, 53, 45, 37, 29, 21, 13, 5,  28, 20, 12, 4};

const unsigned char kPC2[48] = {14, 17, 11, 24, 1,  5,  3,  28, 15, 6,  21, 10, 23, 19, 12, 4,
                                26, 8,  16, 7,  27, 20, 13, 2,  41, 52, 31, 37, 47, 55, 30, 40,
                                51, 45, 33, 48, 44, 49, 39, 56, 34, 53, 46, 42, 50, 36, 29, 32};

const unsigned char kP[32] = {16, 7, 20, 21, 29, 12, 28, 17, 1,  15, 23, 26, 5,  18, 31, 10,
                              2,  8, 24, 14, 32, 27, 3,  9,  19, 13, 30, 6,  22, 11, 4,  25};

const unsigned char kShifts[16] = {1, 1, 2, 2, 2, 2, 2, 2, 1, 2, 2, 2, 2, 2, 2, 1};

const unsigned char kSBox[8][64] = {
    {14, 4,  13, 1, 2,  15, 11, 8, 3, 10, 6, 12, 5,  9,  0,  7,  0,  15, 7,  4,  14, 2,
     13, 1,  10, 6, 12, 11, 9,  5, 3, 8,  4, 1,  14, 8,  13, 6,  2,  11, 15, 12, 9,  7,
     3,  10, 5,  0, 15, 12, 8,  2, 4, 9,  1, 7,  5,  11, 3,  14, 10, 0,  6,  13},
    {15, 1,  8, 14, 6,  11, 3,  4, 9, 7, 2,  13, 12, 0, 5, 10, 3,  13, 4,  7, 15, 2,  8, 14, 12, 0, 1, 10, 6, 9, 11, 5,
     0,  14, 7, 11, 10, 4,  13, 1, 5, 8, 12, 6,  9,  3, 2, 15, 13, 8,  10, 1, 3,  15, 4, 2,  11, 6, 7, 12, 0, 5, 14, 9},
    {10, 0,  9,  14, 6, 3,  15, 5,  1,  13, 12, 7, 11, 4,  2,  8,  13, 7, 0,  9, 3, 4,
     6,  10, 2,  8,  5, 14, 12, 11, 15, 1,  13, 6, 4,  9,  8,  15, 3,  0, 11, 1, 2, 12,
     5,  10, 14, 7,  1, 10, 13, 0,  6,  9,  8,  7, 4,  15, 14, 3,  11, 5, 2,  12},
    {7, 13, 14, 3, 0, 6,  9, 10, 1,  2, 8,  5, 11, 12, 4,  15, 13, 8,  11, 5, 6, 15,
     0, 3,  4,  7, 2, 12, 1, 10, 14, 9, 10, 6, 9,  0,  12, 11, 7,  13, 15, 1, 3, 14,
     5, 2,  8,  4, 3, 15, 0, 6,  10, 1, 13, 8, 9,  4,  5,  11, 12, 7,  2,  14},
    {2,  12, 4, 1,  7,  10, 11, 6, 8, 5,  3, 15, 13, 0,  14, 9,  14, 11, 2,  12, 4,  7,
     13, 1,  5, 0,  15, 10, 3,  9, 8, 6,  4, 2,  1,  11, 10, 13, 7,  8,  15, 9,  12, 5,
     6,  3,  0, 14, 11, 8,  12, 7, 1, 14, 2, 13, 6,  15, 0,  9,  10, 4,  5,  3},
    {12, 1,  10, 15, 9,  2,  6, 8,  0, 13, 3,  4,  14, 7,  5, 11, 10, 15, 4, 2, 7, 12,
     9,  5,  6,  1,  13, 14, 0, 11, 3, 8,  9,  14, 15, 5,  2, 8,  12, 3,  7, 0, 4, 10,
     1,  13, 11, 6,  4,  3,  2, 12, 9, 5,  15, 10, 11, 14, 1, 7,  6,  0,  8, 13},
    {4, 11, 2,  14, 15, 0, 8, 13, 3,  12, 9, 7, 5, 10, 6, 1, 13, 0,  11, 7, 4, 9, 1,  10, 14, 3, 5, 12, 2,  15, 8, 6,
     1, 4,  11, 13, 12, 3, 7, 14, 10, 15, 6, 8, 0, 5,  9, 2, 6,  11, 13, 8, 1, 4, 10, 7,  9,  5, 0, 15, 14, 2,  3, 12},
    {13, 2, 8, 4, 6,  15, 11, 1, 10, 9,  3,  14, 5, 0, 12, 7, 1, 15, 13, 8, 10, 3, 7,  4,  12, 5, 6, 11, 0, 14, 9, 2, 7,
     11, 4, 1, 9, 12, 14, 2,  0, 6,  10, 13, 15, 3, 5, 8,  2, 1, 14, 7,  4, 10, 8, 13, 15, 12, 9, 0, 3,  5, 6,  11}};

inline uint32_t RotL(uint32_t x, int n)
{
    return (x << n) | (x >> (32 - n));
}

inline uint32_t RotR(uint32_t x, int n)
{
    return (x >> n) | (x << (32 - n));
}

// The block halves are kept rotated left by one bit between the initial and
// final permutations, so each S-box's six expanded input bits sit next to
// each other: S2, S4, S6, S8 at bits 29-24, 21-16, 13-8, 5-0 of the half, and
// S1, S3, S5, S7 at the same places of the half rotated right by four more.
// Each S-box table holds the box's output already passed through P and
// rotated the same way.
struct DesTables
{
    uint32_t sp[8][64];
    // PC-2 of one 4-bit group of the rotated key halves: seven groups of C, then
    // seven of D; each entry is the pair of subkey words (S2468 word, S1357 word).
    uint32_t pc2[14][16][2];

    DesTables()
    {
        for (int box = 0; box < 8; ++box) {
            for (int v = 0; v < 64; ++v) {
                // Row from the outer bits, column from the inner four, first bit most significant.
                const int row = ((v >> 4) & 2) | (v & 1);
                const int col = (v >> 1) & 0xF;
                const uint32_t nibble = kSBox[box][row * 16 + col];
                // S-box output bits are bits 4*box+1 .. 4*box+4 of the 32-bit f input to P.
                const uint32_t sOut = nibble << (28 - 4 * box);
                uint32_t pOut = 0;
                for (int i = 0; i < 32; ++i)
                    if (sOut & (0x80000000u >> (kP[i] - 1)))
                        pOut |= 0x80000000u >> i;
                sp[box][v] = RotL(pOut, 1);
            }
        }
        for (int group = 0; group < 14; ++group) {
            for (int v = 0; v < 16; ++v) {
                // Bits of this group within the 56-bit CD, numbered 1..56.
                const int firstBit = group * 4 + 1;
                uint32_t words[2] = {0, 0};
                for (int k = 0; k < 48; ++k) {
                    const int src = kPC2[k];
                    if (src < firstBit || src >= firstBit + 4)
                        continue;
                    if (!(v & (8 >> (src - firstBit))))
                        continue;
                    const int box = k / 6;      // 0-based S-box
                    const int bitInBox = k % 6; // 0 is the most significant
                    const int shift = 24 - 8 * (box / 2) + (5 - bitInBox);
                    words[(box % 2 == 0) ? 1 : 0] |= 1u << shift;
                }
                pc2[group][v][0] = words[0];
                pc2[group][v][1] = words[1];
            }
        }
    }
};

const DesTables& Tables()
{
    static const DesTables tables;
    return tables;
}

inline uint32_t ReadBE(const unsigned char* p)
{
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}

inline void WriteBE(uint32_t v, unsigned char* p)
{
    p[0] = static_cast<unsigned char>(v >> 24);
    p[1] = static_cast<unsigned char>(v >> 16);
    p[2] = static_cast<unsigned char>(v >> 8);
    p[3] = static_cast<unsigned char>(v);
}

// PC-1 of one 8-byte key into the two 28-bit halves (right-aligned).
void PermutedChoice1(const unsigned char* key, uint32_t& c, uint32_t& d)
{
    const uint64_t k = (static_cast<uint64_t>(ReadBE(key)) << 32) | ReadBE(key + 4);
    uint64_t cd = 0;
    for (int i = 0; i < 56; ++i)
        if (k & (0x8000000000000000ull >> (kPC1[i] - 1)))
            cd |= 1ull << (55 - i);
    c = static_cast<uint32_t>(cd >> 28) & 0x0FFFFFFF;
    d = static_cast<uint32_t>(cd) & 0x0FFFFFFF;
}

void ScheduleOneKey(const unsigned char* key, uint32_t* out)
{
    const DesTables& t = Tables();
    uint32_t c = 0, d = 0;
    PermutedChoice1(key, c, d);
    for (int round = 0; round < 16; ++round) {
        const int s = kShifts[round];
        c = ((c << s) | (c >> (28 - s))) & 0x0FFFFFFF;
        d = ((d << s) | (d >> (28 - s))) & 0x0FFFFFFF;
        uint32_t w0 = 0, w1 = 0;
        for (int g = 0; g < 7; ++g) {
            const uint32_t cv = (c >> (24 - 4 * g)) & 0xF;
            const uint32_t dv = (d >> (24 - 4 * g)) & 0xF;
            w0 |= t.pc2[g][cv][0] | t.pc2[7 + g][dv][0];
            w1 |= t.pc2[g][cv][1] | t.pc2[7 + g][dv][1];
        }
        out[2 * round] = w0;
        out[2 * round + 1] = w1;
    }
}

struct Pass
{
    int start;
    int end;
    int step;
};

const Pass kSingleEnc[1] = {{0, 32, 2}};
const Pass kSingleDec[1] = {{30, -2, -2}};
const Pass kTripleEnc[3] = {{0, 32, 2}, {62, 30, -2}, {64, 96, 2}};
const Pass kTripleDec[3] = {{94, 62, -2}, {32, 64, 2}, {30, -2, -2}};

void CryptBlock(const uint32_t* keys, const Pass* passes, int passCount, const unsigned char* in, unsigned char* out)
{
    const DesTables& t = Tables();
    uint32_t left = ReadBE(in);
    uint32_t right = ReadBE(in + 4);
    uint32_t temp;

    // Initial permutation as five exchanges of bit groups between the halves.
    temp = ((left >> 4) ^ right) & 0x0f0f0f0f;
    right ^= temp;
    left ^= (temp << 4);
    temp = ((left >> 16) ^ right) & 0x0000ffff;
    right ^= temp;
    left ^= (temp << 16);
    temp = ((right >> 2) ^ left) & 0x33333333;
    left ^= temp;
    right ^= (temp << 2);
    temp = ((right >> 8) ^ left) & 0x00ff00ff;
    left ^= temp;
    right ^= (temp << 8);
    temp = ((left >> 1) ^ right) & 0x55555555;
    right ^= temp;
    left ^= (temp << 1);
    left = RotL(left, 1);
    right = RotL(right, 1);

    for (int p = 0; p < passCount; ++p) {
        for (int i = passes[p].start; i != passes[p].end; i += passes[p].step) {
            const uint32_t right1 = right ^ keys[i];
            const uint32_t right2 = RotR(right, 4) ^ keys[i + 1];
            temp = left;
            left = right;
            right = temp ^ (t.sp[1][(right1 >> 24) & 0x3f] | t.sp[3][(right1 >> 16) & 0x3f] |
                            t.sp[5][(right1 >> 8) & 0x3f] | t.sp[7][right1 & 0x3f] | t.sp[0][(right2 >> 24) & 0x3f] |
                            t.sp[2][(right2 >> 16) & 0x3f] | t.sp[4][(right2 >> 8) & 0x3f] | t.sp[6][right2 & 0x3f]);
        }
        temp = left;
        left = right;
        right = temp;
    }

    left = RotR(left, 1);
    right = RotR(right, 1);
    temp = ((left >> 1) ^ right) & 0x55555555;
    right ^= temp;
    left ^= (temp << 1);
    temp = ((right >> 8) ^ left) & 0x00ff00ff;
    left ^= temp;
    right ^= (temp << 8);
    temp = ((right >> 2) ^ left) & 0x33333333;
    left ^= temp;
    right ^= (temp << 2);
    temp = ((left >> 16) ^ right) & 0x0000ffff;
    right ^= temp;
    left ^= (temp << 16);
    temp = ((left >> 4) ^ right) & 0x0f0f0f0f;
    right ^= temp;
    left ^= (temp << 4);

    WriteBE(left, out);
    WriteBE(right, out + 4);
}

} // namespace

uint32_t* des_createKeys(const std::string& key, int& count)
{
    if (key.size() < 8)
        QB_THROW(QB_ERR_BAD_PARAM, "Bad param");
    count = key.size() > 23 ? 96 : 32;
    uint32_t* keys = new uint32_t[count];
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(key.data());
    for (int k = 0; k < count / 32; ++k)
        ScheduleOneKey(bytes + 8 * k, keys + 32 * k);
    return keys;
}

std::string des_enc(std::string key, std::string message, bool encrypt)
{
    int count = 0;
    uint32_t* keys = des_createKeys(key, count);
    const Pass* passes;
    int passCount;
    if (count == 96) {
        passes = encrypt ? kTripleEnc : kTripleDec;
        passCount = 3;
    } else {
        passes = encrypt ? kSingleEnc : kSingleDec;
        passCount = 1;
    }

    const size_t len = message.size();
    message.append(8, '\0');
    std::string result;
    result.reserve(len / 8 * 8 + 8);
    // Output blocks are gathered in a small piece and appended when it fills.
    unsigned char chunk[512];
    size_t chunkLen = 0;
    const unsigned char* in = reinterpret_cast<const unsigned char*>(message.data());
    for (size_t m = 0; m <= len; m += 8) {
        CryptBlock(keys, passes, passCount, in + m, chunk + chunkLen);
        chunkLen += 8;
        if (chunkLen == sizeof(chunk)) {
            result.append(reinterpret_cast<const char*>(chunk), chunkLen);
            chunkLen = 0;
        }
    }
    result.append(reinterpret_cast<const char*>(chunk), chunkLen);
    delete[] keys;
    return result;
}

std::string stringToHex(std::string bytes)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string text = "0x";
    text.reserve(2 + bytes.size() * 2);
    for (unsigned char byte : bytes) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0xF];
    }
    return text;
}

BaseEncrypt::~BaseEncrypt()
{
    std::free(m_result.data);
}

void BaseEncrypt::setKey(std::string key)
{
    m_key = std::move(key);
}

bool BaseEncrypt::Encrypt(const char* data, int length)
{
    return QB_GUARDED_VOID({ process(data, length, true); });
}

bool BaseEncrypt::Decrypt(const char* data, int length)
{
    return QB_GUARDED_VOID({ process(data, length, false); });
}

QuentaBased::MallocAllocator* BaseEncrypt::getData()
{
    return &m_result;
}
