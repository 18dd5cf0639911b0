#pragma once

// The disc project file that both disc creators read. It is text, one
// "key=value" a line ('#' starts a comment):
//   output=<folder the disc's folders are written into>   (required)
//   image=<path of the disc image to make>                (optional)
//   standard=PAL | NTSC                                   (default PAL)
//   aspect=16:9 | 4:3                                     (default 16:9)
//   title=<media file or source address>   (one or more, in disc order)
//   chapter=<time>   a chapter mark in the title above it, in seconds or
//                    [h:]m:s from the title's start (any number)

#include <cstdint>
#include <string>
#include <vector>

namespace Solvane {

struct DiscTitle
{
    std::string source;
    std::vector<uint32_t> chaptersMs; // ascending, without the title's start
};

struct DiscProject
{
    std::string output;
    std::string image;
    bool pal = true;
    bool wide = true;
    std::vector<DiscTitle> titles;
};

// Throws CBaseException naming the file and the line at fault.
DiscProject ReadDiscProject(const char* path);

} // namespace Solvane
