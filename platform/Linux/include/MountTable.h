#pragma once

// The kernel's table of mounts (/proc/self/mountinfo) read into records.

#include <string>
#include <vector>

struct MountEntry
{
    unsigned int major = 0;
    unsigned int minor = 0;
    // The folder of the mounted file system that appears at the mount point:
    // "/" for a whole volume, a subfolder for a bind mount.
    std::string root;
    std::string mountPoint;
    std::string fsType;
    std::string source;
};

// Undoes the kernel's octal escapes ("\040" blank, "\011" TAB, "\012" line
// feed, "\134" backslash); any other backslash stays as it is.
std::string DecodeMountField(const std::string& field);

// One record per well-formed line, in table order; malformed lines are passed over.
std::vector<MountEntry> ParseMountInfo(const std::string& text);

// The whole file; empty when it cannot be read.
std::string ReadMountTable(const std::string& path);
