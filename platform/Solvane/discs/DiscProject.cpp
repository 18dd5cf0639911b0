#include "DiscProject.h"

#include "CBaseException.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>

namespace Solvane {

namespace {

std::string Trim(const std::string& s)
{
    const size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos)
        return "";
    const size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

// Seconds, or [h:]m:s with a fractional last part; -1 for anything else.
double ParseTime(const std::string& text)
{
    double total = 0.0;
    size_t start = 0;
    int parts = 0;
    for (;;) {
        const size_t colon = text.find(':', start);
        const std::string part = text.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        if (part.empty() || ++parts > 3)
            return -1.0;
        char* end = nullptr;
        const double v = std::strtod(part.c_str(), &end);
        if (!end || *end != '\0' || !(v >= 0.0) || !std::isfinite(v))
            return -1.0;
        total = total * 60.0 + v;
        if (colon == std::string::npos)
            return total;
        start = colon + 1;
    }
}

} // namespace

DiscProject ReadDiscProject(const char* path)
{
    if (!path)
        QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
    std::ifstream in(path);
    if (!in)
        QB_THROW(QB_ERR_FILE_IO, std::string("Can't read the disc project ") + path);
    DiscProject project;
    std::string line;
    while (std::getline(in, line)) {
        line = Trim(line);
        if (line.empty() || line[0] == '#')
            continue;
        const size_t eq = line.find('=');
        if (eq == std::string::npos)
            QB_THROW(QB_ERR_BAD_PARAM, "Bad line in the disc project: " + line);
        const std::string key = Trim(line.substr(0, eq)), value = Trim(line.substr(eq + 1));
        if (key == "output") {
            project.output = value;
        } else if (key == "image") {
            project.image = value;
        } else if (key == "standard") {
            project.pal = value != "NTSC" && value != "ntsc";
        } else if (key == "aspect") {
            project.wide = value != "4:3";
        } else if (key == "title") {
            project.titles.push_back(DiscTitle{value, {}});
        } else if (key == "chapter") {
            const double seconds = ParseTime(value);
            if (project.titles.empty() || seconds < 0.0 || seconds > 24.0 * 3600.0)
                QB_THROW(QB_ERR_BAD_PARAM, "Bad chapter in the disc project: " + line);
            const uint32_t ms = static_cast<uint32_t>(std::lround(seconds * 1000.0));
            std::vector<uint32_t>& marks = project.titles.back().chaptersMs;
            if (ms > 0 && std::find(marks.begin(), marks.end(), ms) == marks.end()) {
                marks.push_back(ms);
                std::sort(marks.begin(), marks.end());
            }
        } else {
            QB_THROW(QB_ERR_BAD_PARAM, "Unknown key in the disc project: " + key);
        }
    }
    if (in.bad())
        QB_THROW(QB_ERR_FILE_IO, std::string("Can't read the disc project ") + path);
    if (project.output.empty() || project.titles.empty())
        QB_THROW(QB_ERR_BAD_PARAM, std::string("The disc project names no output or no title: ") + path);
    return project;
}

} // namespace Solvane
