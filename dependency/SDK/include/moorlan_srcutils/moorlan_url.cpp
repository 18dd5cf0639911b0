#include "moorlan_url.h"

#include "CBaseException.h"
#include "sysutils_string.h"

#include <cstdio>

namespace Moorland {

namespace {

const char kMovieId[] = "movieid";
const char kAngle[] = "angle";
const char kSubtitleId[] = "subtitleid";
const char kSubtitleIndex[] = "subtitle";
const char kAudioStreamId[] = "astreamid";
const char kVideoStreamId[] = "vstreamid";
const int kNotSet = -2;

// The only escapes this format knows. Any other "%xx" is ordinary text, so
// older addresses that happen to hold one read exactly as before.
char DecodedEscape(const std::string& text, std::string::size_type at)
{
    if (at + 2 >= text.size() || text[at] != '%')
        return 0;
    const char hi = text[at + 1];
    const char lo = static_cast<char>(text[at + 2] | 0x20); // lower-case a hex letter
    if (hi == '2' && lo == '5')
        return '%';
    if (hi == '2' && lo == '6')
        return '&';
    if (hi == '3' && lo == 'd')
        return '=';
    if (hi == '3' && lo == 'f')
        return '?';
    return 0;
}

std::string Decode(const std::string& text)
{
    if (text.find('%') == std::string::npos)
        return text;
    std::string out;
    out.reserve(text.size());
    for (std::string::size_type i = 0; i < text.size(); ++i) {
        const char c = DecodedEscape(text, i);
        if (c != 0) {
            out += c;
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// `special` lists the characters that must not appear literally in this part.
std::string Encode(const std::string& text, const char* special)
{
    std::string out;
    out.reserve(text.size());
    for (std::string::size_type i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%') {
            // A literal "%" only needs escaping where it would read back as an escape.
            out += DecodedEscape(text, i) != 0 ? "%25" : "%";
            continue;
        }
        bool isSpecial = false;
        for (const char* s = special; *s; ++s)
            isSpecial = isSpecial || c == *s;
        if (!isSpecial) {
            out += c;
            continue;
        }
        char code[4];
        std::snprintf(code, sizeof(code), "%%%02X", static_cast<unsigned char>(c));
        out += code;
    }
    return out;
}

const char kPairSpecial[] = "?&=";

std::string PrintAddress(const std::string& protocol, const std::string& path, const std::vector<std::string>& keys,
                         const std::vector<std::string>& values)
{
    std::string query;
    for (std::vector<std::string>::size_type i = 0; i < keys.size(); ++i) {
        if (keys[i].empty() || values[i].empty())
            continue;
        if (!query.empty())
            query += '&';
        query += Encode(keys[i], kPairSpecial);
        query += '=';
        query += Encode(values[i], kPairSpecial);
    }

    std::string url = protocol;
    if (!protocol.empty())
        url += "://";
    url += path;
    // A path holding "?" always ends in the mark that starts the (maybe
    // empty) parameters, so that it reads back whole.
    if (!query.empty() || path.find('?') != std::string::npos) {
        url += '?';
        url += query;
    }
    return url;
}

std::string FindParam(const std::vector<std::string>& keys, const std::vector<std::string>& values,
                      const std::string& key)
{
    for (std::vector<std::string>::size_type i = 0; i < keys.size(); ++i) {
        if (keys[i] == key)
            return values[i];
    }
    return std::string();
}

void StoreParam(std::vector<std::string>& keys, std::vector<std::string>& values, const std::string& key,
                const std::string& value)
{
    for (std::vector<std::string>::size_type i = 0; i < keys.size(); ++i) {
        if (keys[i] == key) {
            values[i] = value;
            return;
        }
    }
    keys.push_back(key);
    values.push_back(value);
}

} // namespace

bool SplitSourceAddress(const std::string& url, std::string& protocol, std::string& path,
                        std::vector<std::string>& keys, std::vector<std::string>& values)
{
    std::string rest;
    const std::string::size_type scheme = url.find("://");
    if (scheme == std::string::npos) {
        protocol.clear();
        rest = url;
    } else {
        protocol = url.substr(0, scheme);
        rest = url.substr(scheme + 3);
    }

    keys.clear();
    values.clear();
    // Printed parameters never hold a literal "?", so the last one starts
    // them; unless what follows it is empty or holds an "=", it belongs to
    // the path, which is taken as it stands.
    const std::string::size_type mark = rest.rfind('?');
    const bool hasQuery =
        mark != std::string::npos && (mark + 1 == rest.size() || rest.find('=', mark + 1) != std::string::npos);
    if (!hasQuery) {
        path = rest;
        return false;
    }
    path = rest.substr(0, mark);
    for (const std::string& item : QuentaBased::StrSplit(rest.substr(mark + 1), "&")) {
        const std::vector<std::string> pieces = QuentaBased::StrSplit(item, "=");
        // "k", "k=" and "=k" all give key k with an empty value; "k=a=b" loses "b".
        keys.push_back(pieces.empty() ? std::string() : Decode(pieces[0]));
        values.push_back(pieces.size() < 2 ? std::string() : Decode(pieces[1]));
    }
    return true;
}

// ---------------------------------------------------------------------------

CSourceURL::CSourceURL(const std::string& url)
{
    SplitSourceAddress(url, m_protocol, m_path, m_keys, m_values);
}

std::string CSourceURL::GetParam(const std::string& key) const
{
    return FindParam(m_keys, m_values, key);
}

void CSourceURL::SetParam(const std::string& key, const std::string& value)
{
    StoreParam(m_keys, m_values, key, value);
}

void CSourceURL::ClearParams()
{
    m_keys.clear();
    m_values.clear();
}

std::string CSourceURL::GetURL() const
{
    return PrintAddress(m_protocol, m_path, m_keys, m_values);
}

void CSourceURL::SetIntParam(const char* key, int n)
{
    SetParam(key, n == kNotSet ? std::string() : QuentaBased::IntToStr(n));
}

int CSourceURL::GetIntParam(const char* key) const
{
    const std::string value = GetParam(key);
    return value.empty() ? kNotSet : QuentaBased::StrToInt(value);
}

void CSourceURL::SetMovieID(int id)
{
    SetIntParam(kMovieId, id);
}
int CSourceURL::GetMovieID() const
{
    return GetIntParam(kMovieId);
}
void CSourceURL::SetAngle(int angle)
{
    SetIntParam(kAngle, angle);
}
int CSourceURL::GetAngle() const
{
    return GetIntParam(kAngle);
}
void CSourceURL::SetSubtitleID(int id)
{
    SetIntParam(kSubtitleId, id);
}
int CSourceURL::GetSubtitleID() const
{
    return GetIntParam(kSubtitleId);
}
void CSourceURL::SetSubtitleIndex(int index)
{
    SetIntParam(kSubtitleIndex, index);
}
int CSourceURL::GetSubtitleIndex() const
{
    return GetIntParam(kSubtitleIndex);
}
void CSourceURL::SetAudioStreamID(int id)
{
    SetIntParam(kAudioStreamId, id);
}
int CSourceURL::GetAudioStreamID() const
{
    return GetIntParam(kAudioStreamId);
}
void CSourceURL::SetVideoStreamID(int id)
{
    SetIntParam(kVideoStreamId, id);
}
int CSourceURL::GetVideoStreamID() const
{
    return GetIntParam(kVideoStreamId);
}

// ---------------------------------------------------------------------------

CSourceURL2::CSourceURL2(const std::string& url)
{
    SplitSourceAddress(url, m_protocol, m_path, m_keys, m_values);
}

std::string CSourceURL2::GetParam(const std::string& key) const
{
    return FindParam(m_keys, m_values, key);
}

void CSourceURL2::SetParam(const std::string& key, const std::string& value)
{
    StoreParam(m_keys, m_values, key, value);
}

void CSourceURL2::ClearParams()
{
    m_keys.clear();
    m_values.clear();
}

std::string CSourceURL2::GetURL() const
{
    return PrintAddress(m_protocol, m_path, m_keys, m_values);
}

void CSourceURL2::SetMovieID(int id)
{
    SetParam(kMovieId, id == kNotSet ? std::string() : QuentaBased::IntToStr(id));
}

int CSourceURL2::GetMovieID() const
{
    const std::string value = GetParam(kMovieId);
    return value.empty() ? kNotSet : QuentaBased::StrToInt(value);
}

int CSourceURL2::AddStreamParams(StreamParams* params)
{
    return QB_GUARDED(0, {
        if (params == nullptr)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        // Appended without looking for existing keys: each stream keeps its own pair.
        m_keys.push_back(params->name);
        m_values.push_back(QuentaBased::IntToStr(params->id));
        m_keys.push_back("compress");
        m_values.push_back(params->compress ? "1" : "0");
        return GetStreamCount();
    });
}

int CSourceURL2::GetStreamCount() const
{
    return static_cast<int>(m_keys.size() / 2);
}

StreamParams* CSourceURL2::GetStreamParam(int)
{
    return nullptr;
}

} // namespace Moorland
