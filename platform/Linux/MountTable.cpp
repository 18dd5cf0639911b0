#include "MountTable.h"

#include <cstdio>
#include <sstream>

namespace {

bool IsOctal(char c)
{
    return c >= '0' && c <= '7';
}

std::vector<std::string> SplitBlanks(const std::string& line)
{
    std::vector<std::string> words;
    std::istringstream in(line);
    std::string word;
    while (in >> word)
        words.push_back(word);
    return words;
}

} // namespace

std::string DecodeMountField(const std::string& field)
{
    std::string out;
    out.reserve(field.size());
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && IsOctal(field[i + 1]) && IsOctal(field[i + 2]) &&
            IsOctal(field[i + 3])) {
            out.push_back(
                static_cast<char>(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) | (field[i + 3] - '0')));
            i += 3;
        } else {
            out.push_back(field[i]);
        }
    }
    return out;
}

std::vector<MountEntry> ParseMountInfo(const std::string& text)
{
    std::vector<MountEntry> entries;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        // id parent major:minor root mountpoint options [optional...] - fstype source superoptions
        const std::vector<std::string> words = SplitBlanks(line);
        if (words.size() < 7)
            continue;
        MountEntry e;
        if (std::sscanf(words[2].c_str(), "%u:%u", &e.major, &e.minor) != 2)
            continue;
        e.root = DecodeMountField(words[3]);
        e.mountPoint = DecodeMountField(words[4]);
        size_t dash = 6;
        while (dash < words.size() && words[dash] != "-")
            ++dash;
        if (dash + 1 >= words.size())
            continue;
        e.fsType = DecodeMountField(words[dash + 1]);
        if (dash + 2 < words.size())
            e.source = DecodeMountField(words[dash + 2]);
        entries.push_back(e);
    }
    return entries;
}

std::string ReadMountTable(const std::string& path)
{
    std::string text;
    FILE* f = std::fopen(path.c_str(), "re");
    if (!f)
        return text;
    char buffer[8192];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        text.append(buffer, n);
    std::fclose(f);
    return text;
}
