#pragma once

// Small media files made with the ffmpeg program once per test run, in a
// temporary folder removed at exit.

#include "../../MediaTestFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace SolvaneTest {

using MediaTest::Run;

class Media
{
public:
    static Media& Get()
    {
        static Media media;
        return media;
    }
    const std::string& Dir() const { return m_folder.Dir(); }
    std::string Path(const char* name) const { return m_folder.Path(name); }
    bool Ok() const { return m_ok; }

    // H.264 (320x240, 25 fps, 2 s, 8:9 samples, GOP 12 with B-frames) and
    // mono AAC 44.1 kHz in MP4 with a title and a start timecode.
    std::string Clip() const { return Path("clip.mp4"); }
    // Two programs (1: 176x144, 2: 160x120), MPEG-2, 1 s each.
    std::string TwoPrograms() const { return Path("two.ts"); }
    std::string Tone() const { return Path("tone.wav"); }              // 1 s PCM, no picture
    std::string Interlaced() const { return Path("inter.mpg"); }       // MPEG-2, top field first
    std::string Interlaced264() const { return Path("inter264.mp4"); } // H.264 coded as fields
    std::string Picture() const { return Path("pic.png"); }            // 64x48
    std::string Subtitled() const { return Path("sub.mkv"); }          // MPEG-4 picture and two SubRip lines

private:
    Media()
    {
        if (Dir().empty())
            return;
        const std::string ff = m_folder.FFmpeg();
        m_ok =
            Run(ff + "-f lavfi -i testsrc2=size=320x240:rate=25:duration=2 "
                     "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=2 -vf setsar=8/9 "
                     "-c:v libx264 -preset ultrafast -g 12 -bf 2 -pix_fmt yuv420p -c:a aac -b:a 64k "
                     "-metadata title=FixtureTitle -timecode 01:00:00:00 -movflags +faststart clip.mp4") &&
            Run(ff + "-f lavfi -i testsrc=size=176x144:rate=25:d=1 -f lavfi -i testsrc2=size=160x120:rate=25:d=1 "
                     "-map 0:v -map 1:v -c:v mpeg2video -program title=One:st=0 -program title=Two:st=1 "
                     "-f mpegts two.ts") &&
            Run(ff + "-f lavfi -i sine=d=1 -c:a pcm_s16le tone.wav") &&
            Run(ff + "-f lavfi -i testsrc=size=176x144:rate=25:d=1 -vf setfield=tff -c:v mpeg2video "
                     "-flags +ildct+ilme -top 1 inter.mpg") &&
            Run(ff + "-f lavfi -i testsrc=size=176x144:rate=25:d=1 -vf setfield=tff -c:v libx264 "
                     "-preset ultrafast -x264-params interlaced=1:tff=1 inter264.mp4") &&
            Run(ff + "-f lavfi -i testsrc=size=64x48:d=1 -frames:v 1 pic.png") &&
            Run("printf '1\\n00:00:00,100 --> 00:00:00,400\\nOne\\n\\n2\\n00:00:00,500 --> 00:00:00,900\\nTwo\\n' > '" +
                Dir() + "/lines.srt'") &&
            Run(ff + "-f lavfi -i testsrc=size=96x64:rate=25:d=1 -i lines.srt -c:v mpeg4 -c:s srt sub.mkv");
    }
    MediaTest::Folder m_folder{"solvane-test"};
    bool m_ok = false;
};

using MediaTest::ManagerHolder;

inline int LastCode()
{
    return GetQuentaException()->GetExceptionCode();
}
inline std::string LastMessage()
{
    return GetQuentaException()->GetExceptionMsg();
}

} // namespace SolvaneTest

#define SOLVANE_REQUIRE_MEDIA() ASSERT_TRUE(SolvaneTest::Media::Get().Ok()) << "ffmpeg could not make the test media"
