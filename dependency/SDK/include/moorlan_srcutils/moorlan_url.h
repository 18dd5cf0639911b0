#pragma once

// The media source address: protocol "://" path ["?" key "=" value ("&" key "=" value)*].
// The GUI program prints these texts for its clips and the conversion worker
// parses them back, so both sides must go through these classes.
//
// The path is taken literally, whatever characters it holds ("%", "&", "=",
// spaces, any UTF-8): it names a file. Only the parameters, whose own layout
// needs it, are escaped: "?", "&" and "=" in keys and values are printed as
// %3F, %26 and %3D, and "%" as %25 wherever it would otherwise read back as
// one of those codes. The parameters start at the last "?" when what follows
// it is empty or holds an "="; a path holding "?" is printed with a "?" after
// it even without parameters, so that it reads back whole.

#include <string>
#include <vector>

namespace Moorland {

// One stream of a multi-stream export: its id goes under the key `name`.
// Splits an address into protocol, literal path and unescaped pairs, by the
// rules above; true when it has a parameter part (maybe empty). The one
// reading of addresses: the classes below and the worker's stream list use it.
bool SplitSourceAddress(const std::string& url, std::string& protocol, std::string& path,
                        std::vector<std::string>& keys, std::vector<std::string>& values);

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
