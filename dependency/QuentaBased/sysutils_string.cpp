#include "sysutils_string.h"

#include "CBaseException.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <strings.h>

namespace QuentaBased {

int StrPos(const std::string& text, unsigned int start, const std::string& sub)
{
    if (sub.empty() || start >= text.size())
        return -1;
    const size_t at = text.find(sub, start);
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

int StrRPos(const std::string& text, unsigned int start, const std::string& sub)
{
    if (text.empty() || sub.empty() || sub.size() > text.size())
        return -1;
    size_t from = std::min<size_t>(start, text.size() - 1);
    from = std::min(from, text.size() - sub.size());
    const size_t at = text.rfind(sub, from);
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

std::string LeftStr(const std::string& text, unsigned int n)
{
    return text.size() > n ? text.substr(0, n) : text;
}

std::string RightStr(const std::string& text, unsigned int n)
{
    return text.size() > n ? text.substr(text.size() - n) : text;
}

std::string SubStr(const std::string& text, unsigned int start, unsigned int n)
{
    if (start >= text.size())
        return std::string();
    return LeftStr(text.substr(start), n);
}

std::string StrReplace(const std::string& text, const std::string& find, const std::string& replacement)
{
    if (find.empty())
        return text;
    std::string result;
    unsigned int pos = 0;
    for (;;) {
        const int at = StrPos(text, pos, find);
        if (at < 0)
            break;
        result.append(text, pos, static_cast<unsigned int>(at) - pos);
        result += replacement;
        pos = static_cast<unsigned int>(at) + static_cast<unsigned int>(find.size());
    }
    if (pos < text.size())
        result.append(text, pos, std::string::npos);
    return result;
}

namespace {

template <typename S> std::vector<S> SplitAny(const S& text, const S& delimiters)
{
    std::vector<S> pieces;
    if (text.empty())
        return pieces;
    if (delimiters.empty()) {
        pieces.push_back(text);
        return pieces;
    }
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t begin = text.find_first_not_of(delimiters, pos);
        if (begin == S::npos)
            break;
        size_t end = text.find_first_of(delimiters, begin);
        if (end == S::npos)
            end = text.size();
        pieces.push_back(text.substr(begin, end - begin));
        pos = end;
    }
    return pieces;
}

} // namespace

std::vector<std::string> StrSplit(const std::string& text, const std::string& delimiters)
{
    return SplitAny(text, delimiters);
}

std::vector<std::wstring> WStrSplit(const std::wstring& text, const std::wstring& delimiters)
{
    return SplitAny(text, delimiters);
}

bool GetNameValue(std::string text, std::string separator, std::string& name, std::string& value)
{
    const int at = StrPos(text, 0, separator);
    if (at <= 0)
        return false;
    name = text.substr(0, static_cast<size_t>(at));
    value = text.substr(static_cast<size_t>(at) + separator.size());
    return true;
}

std::string TrimLeft(const std::string& text, const std::string& set)
{
    const size_t begin = text.find_first_not_of(set);
    return begin == std::string::npos ? std::string() : text.substr(begin);
}

std::string TrimRight(const std::string& text, const std::string& set)
{
    const size_t last = text.find_last_not_of(set);
    return last == std::string::npos ? std::string() : text.substr(0, last + 1);
}

std::string Trim(const std::string& text, const std::string& set)
{
    return TrimRight(TrimLeft(text, set), " \r\n");
}

std::string LowerCase(const std::string& text)
{
    std::string result(text);
    for (char& c : result)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return result;
}

std::string UpperCase(const std::string& text)
{
    std::string result(text);
    for (char& c : result)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return result;
}

int strCaseInsensitiveCompare(const char* a, const char* b)
{
    return strcasecmp(a, b);
}

int strNCaseInsensitiveCompare(const char* a, const char* b, unsigned int count)
{
    return strncasecmp(a, b, count);
}

namespace {

bool MatchFrom(const unsigned char* text, const unsigned char* pattern)
{
    for (;;) {
        if (*pattern == '\0')
            return *text == '\0';
        if (*pattern == '*') {
            // Collapse a run of stars: they match the same as one.
            while (*pattern == '*')
                ++pattern;
            if (*pattern == '\0')
                return true;
            for (; *text != '\0'; ++text)
                if (MatchFrom(text, pattern))
                    return true;
            return false;
        }
        if (*text == '\0')
            return false;
        if (*pattern != '?' && std::toupper(*pattern) != std::toupper(*text))
            return false;
        ++text;
        ++pattern;
    }
}

} // namespace

bool StrMatch(const char* text, const char* pattern)
{
    if (text == nullptr || pattern == nullptr)
        return false;
    return MatchFrom(reinterpret_cast<const unsigned char*>(text), reinterpret_cast<const unsigned char*>(pattern));
}

std::string IntToStr(int value)
{
    std::ostringstream out;
    out << value;
    return out.str();
}

int StrToInt(const std::string& text)
{
    int value = 0;
    if (std::sscanf(text.c_str(), "%d", &value) != 1)
        return 0;
    return value;
}

int ascii_to_integer(const char* text)
{
    if (text == nullptr || *text == '\0')
        return 0;
    unsigned int value = 0; // wraps like the unchecked original; never signed overflow
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9')
            return 0;
        value = value * 10u + static_cast<unsigned int>(*p - '0');
    }
    return static_cast<int>(value);
}

std::string FormatText(const char* format, ...)
{
    char buffer[256];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(buffer, sizeof(buffer), format ? format : "", args);
    va_end(args);
    if (n < 0)
        return std::string();
    return std::string(buffer);
}

std::string vformat(std::string format, va_list args)
{
    va_list probe;
    va_copy(probe, args);
    const int n = std::vsnprintf(nullptr, 0, format.c_str(), probe);
    va_end(probe);
    if (n <= 0)
        return std::string();
    std::string result(static_cast<size_t>(n) + 1, '\0');
    va_list fill;
    va_copy(fill, args);
    std::vsnprintf(&result[0], result.size(), format.c_str(), fill);
    va_end(fill);
    result.resize(static_cast<size_t>(n));
    return result;
}

std::string CreateGUIDString()
{
    return std::string();
}

unsigned char chr2hex(char c)
{
    if (c >= '0' && c <= '9')
        return static_cast<unsigned char>(c - '0');
    if (c >= 'a' && c <= 'f')
        return static_cast<unsigned char>(c - 'a' + 10);
    return 255;
}

unsigned int hex2bin(std::string& hex, std::string& out)
{
    hex = LowerCase(hex);
    if (hex.size() % 2 != 0)
        return 0;
    out.resize(hex.size() / 2);
    for (size_t i = 0; i < out.size(); ++i) {
        const unsigned int high = chr2hex(hex[2 * i]);
        const unsigned int low = chr2hex(hex[2 * i + 1]);
        out[i] = static_cast<char>((high * 16u + low) & 0xFFu);
    }
    return static_cast<unsigned int>(out.size());
}

int HexToBin(std::string& out, const char* text, std::string delimiters)
{
    out.clear();
    for (std::string piece : StrSplit(text ? text : "", delimiters)) {
        std::string bytes;
        if (hex2bin(piece, bytes) > 0)
            out += bytes;
    }
    return static_cast<int>(out.size());
}

std::string BinaryToHexString(const void* data, unsigned int length, std::string separator)
{
    if (data == nullptr)
        QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
    static const char digits[] = "0123456789ABCDEF";
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::string result;
    result.reserve(length * (2 + separator.size()));
    for (unsigned int i = 0; i < length; ++i) {
        result += digits[bytes[i] >> 4];
        result += digits[bytes[i] & 0x0F];
        result += separator;
    }
    return result;
}

namespace {

const char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Base64Value(unsigned char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

} // namespace

void base64_encode(const void* data, int length, std::string& out)
{
    const auto* in = static_cast<const unsigned char*>(data);
    std::string text;
    if (length > 0 && in != nullptr) {
        text.reserve(static_cast<size_t>(length) / 3 * 4 + 5);
        int i = 0;
        for (; i + 2 < length; i += 3) {
            const unsigned b0 = in[i], b1 = in[i + 1], b2 = in[i + 2];
            text += kBase64Alphabet[b0 >> 2];
            text += kBase64Alphabet[((b0 & 0x03) << 4) | (b1 >> 4)];
            text += kBase64Alphabet[((b1 & 0x0F) << 2) | (b2 >> 6)];
            text += kBase64Alphabet[b2 & 0x3F];
        }
        const int rest = length - i;
        if (rest == 1) {
            const unsigned b0 = in[i];
            text += kBase64Alphabet[b0 >> 2];
            text += kBase64Alphabet[(b0 & 0x03) << 4];
            text += "==";
        } else if (rest == 2) {
            const unsigned b0 = in[i], b1 = in[i + 1];
            text += kBase64Alphabet[b0 >> 2];
            text += kBase64Alphabet[((b0 & 0x03) << 4) | (b1 >> 4)];
            text += kBase64Alphabet[(b1 & 0x0F) << 2];
            text += "=";
        }
    }
    out = text;
}

void base64_decode(const char* text, int length, std::string& out)
{
    out.clear();
    if (text == nullptr || length < 4)
        return;
    const auto* in = reinterpret_cast<const unsigned char*>(text);
    for (int g = 0; g + 3 < length; g += 4) {
        unsigned int slot[4];
        for (int k = 0; k < 4; ++k) {
            const int v = Base64Value(in[g + k]);
            // A pad or a foreign character contributes zero bits.
            slot[k] = v < 0 ? 0u : static_cast<unsigned int>(v);
        }
        // Pads stand for bytes that were never encoded: "x=" drops one, "==" two.
        const int bytes = (in[g + 2] == '=') ? 1 : (in[g + 3] == '=' ? 2 : 3);
        const unsigned char b[3] = {
            static_cast<unsigned char>(((slot[0] << 2) | (slot[1] >> 4)) & 0xFF),
            static_cast<unsigned char>(((slot[1] << 4) | (slot[2] >> 2)) & 0xFF),
            static_cast<unsigned char>(((slot[2] << 6) | slot[3]) & 0xFF),
        };
        out.append(reinterpret_cast<const char*>(b), static_cast<size_t>(bytes));
    }
}

int u8len(const char* s, unsigned long limit)
{
    if (s == nullptr || limit == 0)
        return 0;
    const auto c = static_cast<unsigned char>(*s);
    if (c == 0)
        return 0;
    if (c < 0x80)
        return 1;
    if ((c & 0xE0) == 0xC0)
        return 2;
    if ((c & 0xF0) == 0xE0)
        return 3;
    if ((c & 0xF8) == 0xF0)
        return 4;
    return -1;
}

int u8towc(wchar_t* out, const char* s, unsigned long)
{
    if (out == nullptr)
        return -1;
    if (s == nullptr || *s == '\0')
        return 0;
    const auto* p = reinterpret_cast<const unsigned char*>(s);
    const int n = u8len(s, 1);
    if (n < 1)
        return -1;
    unsigned int code;
    if (n == 1)
        code = p[0];
    else if (n == 2)
        code = p[0] & 0x1Fu;
    else if (n == 3)
        code = p[0] & 0x0Fu;
    else
        code = p[0] & 0x07u;
    // Stops at a terminating 0 as well: it is no continuation byte.
    for (int i = 1; i < n; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return -1;
        code = (code << 6) | (p[i] & 0x3Fu);
    }
    *out = static_cast<wchar_t>(code);
    return n;
}

unsigned int u8swcslen(const char* s)
{
    if (s == nullptr)
        return 0;
    const auto* p = reinterpret_cast<const unsigned char*>(s);
    unsigned int count = 0;
    while (*p != 0) {
        const unsigned char c = *p;
        int skip;
        if (c < 0x80) {
            count += 1;
            skip = 1;
        } else if ((c & 0xE0) == 0xC0) {
            count += 1;
            skip = 2;
        } else if ((c & 0xF0) == 0xE0) {
            count += 1;
            skip = 3;
        } else if ((c & 0xF8) == 0xF0) {
            count += 1;
            skip = 4;
        } else {
            count += 6;
            skip = 1;
        }
        // A sequence cut short by the terminator ends the count there.
        for (int i = 0; i < skip && *p != 0; ++i)
            ++p;
    }
    return count;
}

unsigned int u8stowcs(wchar_t* buffer, const char* s, unsigned long max)
{
    if (buffer == nullptr)
        return u8swcslen(s);
    if (s == nullptr)
        s = "";
    unsigned int count = 0;
    while (count < max) {
        if (*s == '\0') {
            buffer[count] = 0;
            return count + 1;
        }
        const int n = u8towc(&buffer[count], s, 0);
        if (n < 0)
            return static_cast<unsigned int>(-1);
        s += n;
        ++count;
    }
    return count;
}

std::wstring utf8_to_wide(const char* s)
{
    const unsigned int count = u8stowcs(nullptr, s, 0);
    std::vector<wchar_t> buffer(static_cast<size_t>(count) + 1, 0);
    u8stowcs(buffer.data(), s, count + 1);
    buffer.back() = 0;
    return std::wstring(buffer.data());
}

std::string utf8_to_local(const char* s)
{
    return s ? std::string(s) : std::string();
}

std::string local_to_utf8(const char* s)
{
    return s ? std::string(s) : std::string();
}

namespace {

// A backslash is an ordinary file-name character on this system.
size_t LastSeparator(const std::string& path)
{
    return path.rfind('/');
}

// The last "." behind the last separator, or npos.
size_t ExtensionDot(const std::string& path)
{
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos)
        return dot;
    const size_t sep = LastSeparator(path);
    if (sep != std::string::npos && sep > dot)
        return std::string::npos;
    return dot;
}

} // namespace

std::string extract_file_ext(const std::string& path)
{
    const size_t dot = ExtensionDot(path);
    return dot == std::string::npos ? std::string() : path.substr(dot);
}

std::string change_file_ext(const std::string& path, const std::string& ext)
{
    const size_t dot = ExtensionDot(path);
    return (dot == std::string::npos ? path : path.substr(0, dot)) + ext;
}

std::string include_path_backslash(const char* path)
{
    std::string result(path ? path : "");
    if (result.empty())
        return "/";
    if (result.back() != '/')
        result += '/';
    return result;
}

std::string& path_connect(std::string& path, const char* name, bool trailing)
{
    path = include_path_backslash(path.c_str()) + (name ? name : "");
    if (trailing)
        path = include_path_backslash(path.c_str());
    return path;
}

int parse_cmd_line(const std::string& line, std::vector<std::string>& args)
{
    enum State { Normal, Quoted, Escape };
    args.clear();
    std::string current;
    State state = Normal;
    State returnState = Normal;
    const char* p = line.c_str();
    for (; *p != '\0'; ++p) {
        const char c = *p;
        switch (state) {
        case Normal:
            if (c == ' ') {
                if (!current.empty())
                    args.push_back(current);
                current.clear();
            } else if (c == '"' && current.empty()) {
                state = Quoted;
                returnState = Quoted;
            } else if (c == '\\') {
                returnState = Normal;
                state = Escape;
            } else {
                current += c;
            }
            break;
        case Quoted:
            if (c == '"' && (p[1] == ' ' || p[1] == '\0')) {
                args.push_back(current);
                current.clear();
                state = Normal;
                returnState = Normal;
            } else if (c == '\\') {
                returnState = Quoted;
                state = Escape;
            } else {
                current += c;
            }
            break;
        case Escape:
            if (c != '"' && c != '\\')
                current += '\\';
            current += c;
            state = returnState;
            break;
        }
    }
    if (!current.empty())
        args.push_back(current);
    return static_cast<int>(args.size());
}

unsigned short MakeWord(unsigned char low, unsigned char high)
{
    return static_cast<unsigned short>(low + high * 256u);
}

unsigned int MakeLong(unsigned short low, unsigned short high)
{
    return low + high * 65536u;
}

unsigned short HiWord(unsigned int value)
{
    return static_cast<unsigned short>(value >> 16);
}

unsigned short LoWord(unsigned int value)
{
    return static_cast<unsigned short>(value & 0xFFFFu);
}

unsigned char HiByte(unsigned short value)
{
    return static_cast<unsigned char>(value >> 8);
}

unsigned char LowByte(unsigned short value)
{
    return static_cast<unsigned char>(value & 0xFFu);
}

rect_t FillRect(int left, int top, int right, int bottom)
{
    return rect_t{static_cast<float>(left), static_cast<float>(top), static_cast<float>(right),
                  static_cast<float>(bottom)};
}

double DegToRad(double degrees)
{
    return degrees * 0.017453292519943295;
}

bool QueryInArray(unsigned int value, const unsigned int* array, unsigned int count)
{
    if (array == nullptr)
        return false;
    return std::find(array, array + count, value) != array + count;
}

rect_t scaleToAspect(rect_t area, unsigned int aspectW, unsigned int aspectH, rect_t& band1, rect_t& band2)
{
    if (aspectW == 0 || aspectH == 0)
        return area;
    const float w = area.right - area.left;
    const float h = area.bottom - area.top;
    const float wantedH = w * static_cast<float>(aspectH) / static_cast<float>(aspectW);
    if (wantedH > h) {
        const float cx = w * 0.5f + area.left;
        const float wantedW = h * static_cast<float>(aspectW) / static_cast<float>(aspectH);
        const float newLeft = static_cast<float>(static_cast<int>(-0.5f * wantedW + cx));
        const float newRight = static_cast<float>(static_cast<int>(wantedW * 0.5f + cx));
        band1 = rect_t{area.left, area.top, newLeft, area.bottom};
        band2 = rect_t{newRight, area.top, area.right, area.bottom};
        return rect_t{newLeft, area.top, newRight, area.bottom};
    }
    const float cy = h * 0.5f + area.top;
    const float newTop = static_cast<float>(static_cast<int>(-0.5f * wantedH + cy));
    const float newBottom = static_cast<float>(static_cast<int>(wantedH * 0.5f + cy));
    band1 = rect_t{area.left, area.top, area.right, newTop};
    band2 = rect_t{area.left, newBottom, area.right, area.bottom};
    return rect_t{area.left, newTop, area.right, newBottom};
}

unsigned int get_system_time()
{
    return 0;
}

} // namespace QuentaBased
