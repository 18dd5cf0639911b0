#pragma once

// Text, number, encoding, path-piece and small helper functions. All are
// stateless and may be called from any thread.

#include "MallocAllocator.h"

#include <cstdarg>
#include <string>
#include <type_traits>
#include <vector>

namespace QuentaBased {

// Far edges: width = right - left, height = bottom - top.
struct rect_t
{
    float left;
    float top;
    float right;
    float bottom;
};

// --- search, pieces and case -------------------------------------------------
int StrPos(const std::string& text, unsigned int start, const std::string& sub);
// Last occurrence beginning at or before min(start, length - 1); start -1 searches from the end.
int StrRPos(const std::string& text, unsigned int start, const std::string& sub);
std::string LeftStr(const std::string& text, unsigned int n);
std::string RightStr(const std::string& text, unsigned int n);
// n = -1 means up to the end.
std::string SubStr(const std::string& text, unsigned int start, unsigned int n);
std::string StrReplace(const std::string& text, const std::string& find, const std::string& replacement);
// Empty pieces are dropped; an empty delimiter set gives the whole text.
std::vector<std::string> StrSplit(const std::string& text, const std::string& delimiters);
std::vector<std::wstring> WStrSplit(const std::wstring& text, const std::wstring& delimiters);
bool GetNameValue(std::string text, std::string separator, std::string& name, std::string& value);
std::string TrimLeft(const std::string& text, const std::string& set);
std::string TrimRight(const std::string& text, const std::string& set);
// TrimLeft with `set`, then TrimRight with blank, CR and LF.
std::string Trim(const std::string& text, const std::string& set);
std::string LowerCase(const std::string& text);
std::string UpperCase(const std::string& text);
int strCaseInsensitiveCompare(const char* a, const char* b);
int strNCaseInsensitiveCompare(const char* a, const char* b, unsigned int count);
// Whole-text wildcard match: "?" one byte, "*" any run, letters compared without case.
bool StrMatch(const char* text, const char* pattern);

// --- numbers, formatting, byte-to-text ---------------------------------------
std::string IntToStr(int value);
// As "%d" reads it; 0 when the text starts with no number.
int StrToInt(const std::string& text);
// Digits only; 0 for anything else.
int ascii_to_integer(const char* text);
// printf-style through a 256-byte buffer: the result is cut to its first 255
// characters (callers rely on it). Behind Format, which takes the format as text.
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

// What printf can take: numbers, enumerations and pointers. A class object
// (a std::string, say) passed through "..." prints garbage, so Format refuses
// it at compile time.
template <typename T>
constexpr bool IsPrintfArgument =
    std::is_arithmetic_v<T> || std::is_enum_v<T> || std::is_pointer_v<T> || std::is_null_pointer_v<T>;

template <typename... Args> std::string Format(const std::string& format, Args... args)
{
    static_assert((IsPrintfArgument<Args> && ...), "Format takes numbers and pointers only; pass .c_str() for texts");
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
    return FormatText(format.c_str(), args...);
#pragma GCC diagnostic pop
}
// printf-style with no length limit.
std::string vformat(std::string format, va_list args);
std::string CreateGUIDString();
unsigned char chr2hex(char c);
// Lower-cases `hex` in place; 0 for an odd digit count.
unsigned int hex2bin(std::string& hex, std::string& out);
int HexToBin(std::string& out, const char* text, std::string delimiters);
// "%02X%s" per byte. Throws 10021003 "Bad pointer" for null data.
std::string BinaryToHexString(const void* data, unsigned int length, std::string separator);
void base64_encode(const void* data, int length, std::string& out);
void base64_decode(const char* text, int length, std::string& out);

// --- character encodings -----------------------------------------------------
int u8len(const char* s, unsigned long limit);
int u8towc(wchar_t* out, const char* s, unsigned long unused);
unsigned int u8swcslen(const char* s);
unsigned int u8stowcs(wchar_t* buffer, const char* s, unsigned long max);
std::wstring utf8_to_wide(const char* s);
std::string utf8_to_local(const char* s);
std::string local_to_utf8(const char* s);

// --- path pieces (only "/" separates; a backslash belongs to the name) -------
std::string extract_file_ext(const std::string& path);
std::string change_file_ext(const std::string& path, const std::string& ext);
// The path with a trailing "/" (an empty path gives "/").
std::string include_path_backslash(const char* path);
std::string& path_connect(std::string& path, const char* name, bool trailing);

// --- command lines -----------------------------------------------------------
int parse_cmd_line(const std::string& line, std::vector<std::string>& args);

// --- words, geometry, small helpers ------------------------------------------
unsigned short MakeWord(unsigned char low, unsigned char high);
unsigned int MakeLong(unsigned short low, unsigned short high);
unsigned short HiWord(unsigned int value);
unsigned short LoWord(unsigned int value);
unsigned char HiByte(unsigned short value);
unsigned char LowByte(unsigned short value);
rect_t FillRect(int left, int top, int right, int bottom);
double DegToRad(double degrees);
bool QueryInArray(unsigned int value, const unsigned int* array, unsigned int count);
rect_t scaleToAspect(rect_t area, unsigned int aspectW, unsigned int aspectH, rect_t& band1, rect_t& band2);
unsigned int get_system_time();

} // namespace QuentaBased
