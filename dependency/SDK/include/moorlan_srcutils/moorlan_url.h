#pragma once

// The media source address: protocol "://" path ["?" key "=" value ("&" key "=" value)*].
// The GUI program prints these texts for its clips and the conversion worker
// parses them back, so both sides must go through these classes.
//
// Characters that would break the layout are percent-encoded when printed and
// decoded when parsed: "?" in the path, "?", "&" and "=" in keys and values, and
// "%" wherever it would otherwise be read back as one of those codes. Addresses
// without such characters print exactly as they always have.

#include <string>
#include <vector>

namespace Moorland {

// One stream of a multi-stream export: its id goes under the key `name`.
struct StreamParams
{
    int id = -1;
    std::string name;
    bool compress = false;
};

class CSourceURL
{
public:
    explicit CSourceURL(const std::string& url);

    std::string GetProtocol() const { return m_protocol; }
    std::string GetFilePath() const { return m_path; }
    void SetProtocol(const std::string& protocol) { m_protocol = protocol; }
    void SetFilePath(const std::string& path) { m_path = path; }

    // Value of the first pair with exactly this key; "" when there is none.
    std::string GetParam(const std::string& key) const;
    // Replaces the first pair's value in place, or appends the pair at the end.
    void SetParam(const std::string& key, const std::string& value);
    void ClearParams();

    // Pairs with an empty key or value are not printed.
    std::string GetURL() const;

    // -2 stands for "not set": the setter stores an empty value (which is not
    // printed), the getter answers -2 for an absent or empty value.
    void SetMovieID(int id);
    int GetMovieID() const;
    void SetAngle(int angle);
    int GetAngle() const;
    void SetSubtitleID(int id);
    int GetSubtitleID() const;
    void SetSubtitleIndex(int index);
    int GetSubtitleIndex() const;
    void SetAudioStreamID(int id);
    int GetAudioStreamID() const;
    void SetVideoStreamID(int id);
    int GetVideoStreamID() const;

private:
    void SetIntParam(const char* key, int n);
    int GetIntParam(const char* key) const;

    std::string m_protocol;
    std::string m_path;
    std::vector<std::string> m_keys;
    std::vector<std::string> m_values; // parallel to m_keys
};

// The multi-stream form of the address: every stream adds its own id pair
// followed by its own "compress" pair.
class CSourceURL2
{
public:
    explicit CSourceURL2(const std::string& url);

    std::string GetProtocol() const { return m_protocol; }
    std::string GetFilePath() const { return m_path; }
    void SetProtocol(const std::string& protocol) { m_protocol = protocol; }
    void SetFilePath(const std::string& path) { m_path = path; }

    std::string GetParam(const std::string& key) const;
    void SetParam(const std::string& key, const std::string& value);
    void ClearParams();
    std::string GetURL() const;

    void SetMovieID(int id);
    int GetMovieID() const;

    // Appends the stream's pairs; returns the stream count, 0 after a failure
    // (recorded in the calling thread's last-error record).
    int AddStreamParams(StreamParams* params);
    // Two pairs per stream; any other pair counts half.
    int GetStreamCount() const;
    // Streams are not kept as records: always null.
    StreamParams* GetStreamParam(int index);

private:
    std::string m_protocol;
    std::string m_path;
    std::vector<std::string> m_keys;
    std::vector<std::string> m_values;
};

} // namespace Moorland
