#pragma once

// Whether a source is an edit description (a timeline written by the
// simple-edit importer) or a media file: the one rule every layer asks, the
// media manager opening a source, the conversion engine planning a job and
// the worker naming and shaping one. A description plays as one picture and
// one sound stream, whatever a multi-stream profile asks.

#include "moorlan_srcutils/moorlan_url.h"

#include <cctype>
#include <cstring>
#include <string>

namespace Moorland {

// The importer that reads and writes edit descriptions.
constexpr char kSimpleEditImporterName[] = "SimpleEditImporter";
// The file name an edit description carries, in any letter case.
constexpr char kEditDescriptionExtension[] = ".seix";

inline bool IsEditImporterName(const char* importerName)
{
    return importerName && std::strcmp(importerName, kSimpleEditImporterName) == 0;
}

// Whether the file at `path` is named as an edit description (".seix",
// ".SEIX" ...), with a name before the extension.
inline bool IsEditDescriptionPath(const std::string& path)
{
    const size_t n = sizeof(kEditDescriptionExtension) - 1;
    if (path.size() <= n || path[path.size() - n - 1] == '/')
        return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(path[path.size() - n + i])) != kEditDescriptionExtension[i])
            return false;
    return true;
}

// A named importer decides: the simple-edit importer's sources are edit
// descriptions and any other importer's are media it opens itself. With no
// importer named (null or empty) the file the address names decides.
inline bool IsEditDescriptionSource(const char* importerName, const char* address)
{
    if (importerName && *importerName)
        return IsEditImporterName(importerName);
    return address && *address && IsEditDescriptionPath(CSourceURL(address).GetFilePath());
}

} // namespace Moorland
