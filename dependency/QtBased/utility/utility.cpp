#include "utility.h"

#include "Basilvo/Basilvo.h"
#include "CBaseException.h"
#include "MallocAllocator.h"
#include "sysutils.h"

#include <QImage>

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

namespace {

const char* const kSourceFile = "utility";

// Frees a block handed over by MallocAllocator on every way out.
struct BlockGuard
{
    QuentaBased::MallocAllocator& block;
    ~BlockGuard() { block.Release(); }
};

} // namespace

bool RawFrameSaveToFile(void* pFrame, bool bUpright, unsigned int, unsigned int nWidth, unsigned int nHeight,
                        unsigned int nStride, const char* pPath, SNAPSHOT_FORMAT format)
{
    // The picture is built from tightly packed rows of width * 4 bytes; a
    // shorter stride would read past each row (and past the frame).
    const uint64_t rowBytes = static_cast<uint64_t>(nWidth) * 4;
    if (pFrame == nullptr || pPath == nullptr || nStride < rowBytes || nWidth > INT32_MAX / 4 || nHeight > INT32_MAX)
        QB_THROW(QB_ERR_BAD_PARAM, "Bad param");

    QuentaBased::MallocAllocator buffer;
    BlockGuard guard{buffer};
    const uint64_t size = rowBytes * nHeight;
    buffer.Malloc(size == 0 ? 1 : size);
    const unsigned char* src = static_cast<const unsigned char*>(pFrame);
    unsigned char* dst = static_cast<unsigned char*>(buffer.data);
    for (uint64_t y = 0; y < nHeight; ++y)
        std::memcpy(dst + y * rowBytes, src + y * nStride, rowBytes);

    const QImage image(dst, static_cast<int>(nWidth), static_cast<int>(nHeight), static_cast<int>(rowBytes),
                       QImage::Format_ARGB32);
    const char* name = "JPG";
    switch (format) {
    case SNAPSHOT_FORMAT_TIFF: name = "TIFF"; break;
    case SNAPSHOT_FORMAT_PNG: name = "PNG"; break;
    case SNAPSHOT_FORMAT_BMP: name = "BMP"; break;
    default: break;
    }
    const QString file = QString::fromUtf8(pPath);
    return bUpright ? image.save(file, name, -1) : image.mirrored(false, true).save(file, name, -1);
}

void ProcessSoundBuf(short* pSamples, unsigned int nLength, unsigned int nVolume)
{
    if (nVolume == 100 || pSamples == nullptr || nLength < 2)
        return;
    // Large volumes saturate the factor instead of wrapping it to a negative one.
    const double scaled = std::floor(nVolume / 100.0 * 256.0);
    const int factor = scaled > 32767.0 ? 32767 : static_cast<int>(scaled);
    for (unsigned int i = 0; i < nLength / 2; ++i) {
        const int value = (pSamples[i] * factor) >> 8;
        pSamples[i] = static_cast<short>(value > 32767 ? 32767 : (value < -32768 ? -32768 : value));
    }
}

unsigned int HiDword(uint64_t value)
{
    return static_cast<unsigned int>(value >> 32);
}

unsigned int LoDword(uint64_t value)
{
    return static_cast<unsigned int>(value & 0xFFFFFFFFu);
}

bool is_valid_framerate(const uint64_t& frameRate)
{
    const unsigned int den = LoDword(frameRate);
    if (den == 0)
        return false;
    const double fps = static_cast<double>(HiDword(frameRate)) / den;
    return fps >= 1.0 && fps < 121.0;
}

double CalcDisPlayRatio(unsigned int nSampleAspect, int nWidth, int nHeight)
{
    const unsigned int num = nSampleAspect >> 16;
    const unsigned int den = nSampleAspect & 0xFFFF;
    if (nSampleAspect >= 0x10000 && den != 0) {
        const uint32_t bottom = static_cast<uint32_t>(den * static_cast<uint32_t>(nHeight));
        return static_cast<double>(num) * nWidth / static_cast<double>(bottom);
    }
    return static_cast<double>(nWidth) / nHeight;
}

std::string FormatAudioChannel(int nChannels)
{
    if (nChannels == 8)
        return "7.1";
    if (nChannels == 6)
        return "5.1";
    return std::to_string(nChannels);
}

std::string FormatDisplayAspectRatio(double dRatio)
{
    if (std::fabs(dRatio - 1.778) < 0.03)
        return "16:9";
    if (std::fabs(dRatio - 1.333) < 0.03)
        return "4:3";
    if (std::fabs(dRatio - 1.25) < 0.03)
        return "5:4";
    char buf[64];
    std::snprintf(buf, sizeof(buf), "%1.2f%s", dRatio, ":1");
    return buf;
}

std::string FormatBytesToStr(uint64_t nBytes)
{
    char buf[64];
    if (nBytes > 1000000000ull)
        std::snprintf(buf, sizeof(buf), "%8.2f GB", nBytes / 1e9);
    else if (nBytes > 1000000ull)
        std::snprintf(buf, sizeof(buf), "%8.2f MB", nBytes / 1e6);
    else if (nBytes > 1000ull)
        std::snprintf(buf, sizeof(buf), "%8.2f KB", nBytes / 1e3);
    else
        std::snprintf(buf, sizeof(buf), "%" PRIu64 " B", nBytes);
    return buf;
}

uint64_t getPathDiskFreeSpace(const char* pPath)
{
    GetQuentaException()->Clear();
    return QuentaBased::CallGuarded(uint64_t(0), __LINE__, kSourceFile, [&]() -> uint64_t {
        if (pPath == nullptr)
            throw CBaseException(QB_ERR_BAD_POINTER, "Bad pointer", __LINE__, kSourceFile);
        if (*pPath == '\0')
            throw CBaseException(QB_ERR_BAD_PARAM, "path empty", __LINE__, kSourceFile);
        struct statfs info;
        if (::statfs(pPath, &info) != 0)
            throw CBaseException(QB_ERR_UNEXPECTED, "Can not Detect Disk FreeRoom", __LINE__, kSourceFile);
        return static_cast<uint64_t>(info.f_bsize) * static_cast<uint64_t>(info.f_bavail);
    });
}

bool is_dir_can_write(const char* pPath)
{
    GetQuentaException()->Clear();
    return QuentaBased::CallGuarded(false, __LINE__, kSourceFile, [&]() {
        if (pPath == nullptr)
            throw CBaseException(QB_ERR_BAD_POINTER, "Bad pointer", __LINE__, kSourceFile);
        const std::string local = QuentaBased::utf8_to_local(pPath);
        struct stat st;
        if (::stat(local.c_str(), &st) != 0)
            throw CBaseException(QB_ERR_UNEXPECTED, "is_dir_can_write: Can't stat the directory", __LINE__,
                                 kSourceFile);
        if (::access(local.c_str(), W_OK) != 0)
            throw CBaseException(QB_ERR_UNEXPECTED, "is_dir_can_write: Can't Write", __LINE__, kSourceFile);
        return true;
    });
}

std::string makePath(const char* pPath)
{
    const std::string path = pPath ? pPath : "";
    const std::string ext = QuentaBased::extract_file_ext(path);
    const std::string rest = QuentaBased::change_file_ext(path, "");
    std::string candidate = path;
    for (unsigned long n = 0; QuentaBased::file_exists(candidate.c_str()); ++n)
        candidate = rest + "_" + std::to_string(n) + ext;
    return candidate;
}

std::string makeRenderHTML(int nFontSize, int nRed, int nGreen, int nBlue, int nAlpha, std::string& sFace, bool bItalic,
                           bool bBold, bool bUnderline, bool bStrike, std::string& sText)
{
    std::string style;
    if (bItalic)
        style += "italic ";
    if (bBold)
        style += "bold ";
    if (bUnderline)
        style += "underline ";
    if (bStrike)
        style += "strikeline";

    QuentaBased::MallocAllocator buffer;
    BlockGuard guard{buffer};
    const size_t size = sFace.size() + sText.size() + 256;
    buffer.Malloc(size);
    std::snprintf(static_cast<char*>(buffer.data), size,
                  "<font size=\"%d\" color=\"#%02X%02X%02X%02X\" face=\"%s\" fontstyle=\"%s\">%s</font>", nFontSize,
                  nRed, nGreen, nBlue, nAlpha, sFace.c_str(), style.c_str(), sText.c_str());
    return static_cast<char*>(buffer.data);
}
