#pragma once

#include <cstdint>
#include <string>

// Picture format of a saved frame; any other value is written as JPEG.
enum SNAPSHOT_FORMAT {
    SNAPSHOT_FORMAT_TIFF = 0,
    SNAPSHOT_FORMAT_PNG = 1,
    SNAPSHOT_FORMAT_JPEG = 2,
    SNAPSHOT_FORMAT_BMP = 3,
};

// Saves a 32-bit ARGB frame (4 bytes a pixel, rows `stride` bytes apart,
// bottom-up unless bUpright) as a picture. A null frame or path, or a stride
// shorter than a row of width * 4 bytes, throws 10021010 "Bad param"; false
// when the picture could not be written.
bool RawFrameSaveToFile(void* pFrame, bool bUpright, unsigned int nUnused, unsigned int nWidth, unsigned int nHeight,
                        unsigned int nStride, const char* pPath, SNAPSHOT_FORMAT format);

// Scales signed 16-bit samples in place by a volume in percent, clamping.
void ProcessSoundBuf(short* pSamples, unsigned int nLength, unsigned int nVolume);

// A frame rate packs its numerator in the high and its denominator in the low 32 bits.
unsigned int HiDword(uint64_t value);
unsigned int LoDword(uint64_t value);
// 1 <= fps < 121.
bool is_valid_framerate(const uint64_t& frameRate);
// The sample aspect ratio packs x:y as x << 16 | y.
double CalcDisPlayRatio(unsigned int nSampleAspect, int nWidth, int nHeight);

std::string FormatAudioChannel(int nChannels);
std::string FormatDisplayAspectRatio(double dRatio);
// Decimal units, the number right-aligned in 8 characters: "    1.50 MB".
std::string FormatBytesToStr(uint64_t nBytes);

// Free bytes of the volume holding the path; 0 with the failure recorded.
uint64_t getPathDiskFreeSpace(const char* pPath);
// Whether the path exists and this process may write it; false with the reason recorded.
bool is_dir_can_write(const char* pPath);
// The path itself when free, else name_0.ext, name_1.ext ...
std::string makePath(const char* pPath);

std::string makeRenderHTML(int nFontSize, int nRed, int nGreen, int nBlue, int nAlpha, std::string& sFace, bool bItalic,
                           bool bBold, bool bUnderline, bool bStrike, std::string& sText);
