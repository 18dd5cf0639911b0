#pragma once

// Clips whose pictures carry their own index, made with the ffmpeg program
// once per test run: the top half of each picture holds eight blocks, block
// b white when bit b of the picture's index is set.

#include "../../MediaTestFolder.h"

#include <QImage>

#include <string>

namespace PellinoTest {

using MediaTest::Run;

class Media
{
public:
    static Media& Get()
    {
        static Media media;
        return media;
    }
    bool Ok() const { return m_ok; }
    std::string Path(const char* name) const { return m_folder.Path(name); }
    // 320x240, 25 fps, 4 s (100 pictures), H.264 lossless with B-frames and a
    // 25-picture GOP, a 440 Hz tone in AAC.
    std::string Indexed() const { return Path("indexed.mp4"); }
    // The same pictures as ffmpeg decodes them, 320x240 BGRA one after another.
    std::string IndexedBGRA() const { return Path("indexed.bgra"); }
    // 1920x1080, 25 fps, 1 s, colour bars; no sound.
    std::string Bars1080() const { return Path("bars1080.mp4"); }
    // A white picture and a 1 kHz beep at the start of every second, 4 s, 25 fps.
    std::string FlashBeep() const { return Path("flashbeep.mp4"); }

private:
    Media()
    {
        if (m_folder.Dir().empty())
            return;
        const std::string ff = m_folder.FFmpeg();
        m_ok = Run(ff + "-f lavfi -i color=c=gray:s=320x240:r=25:d=4 "
                        "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=4 "
                        "-vf \"geq=lum='if(lt(Y,120),255*mod(floor(N/pow(2,floor(X/40))),2),64)':cb=128:cr=128\" "
                        "-c:v libx264 -qp 0 -preset ultrafast -g 25 -bf 2 -pix_fmt yuv420p "
                        "-c:a aac -b:a 96k -shortest indexed.mp4") &&
               Run(ff + "-i indexed.mp4 -f rawvideo -pix_fmt bgra indexed.bgra") &&
               Run(ff + "-f lavfi -i smptehdbars=s=1920x1080:r=25:d=1 -c:v libx264 -preset ultrafast "
                        "-pix_fmt yuv420p bars1080.mp4") &&
               Run(ff + "-f lavfi -i \"color=c=black:s=160x120:r=25:d=4\" "
                        "-f lavfi -i \"aevalsrc='if(lt(mod(t,1),0.1),0.8*sin(2*PI*1000*t),0)':s=44100:d=4\" "
                        "-vf \"geq=lum='if(lt(mod(N,25),1),235,16)':cb=128:cr=128\" "
                        "-c:v libx264 -qp 0 -preset ultrafast -g 25 -pix_fmt yuv420p -c:a aac -b:a 128k "
                        "-shortest flashbeep.mp4");
    }
    MediaTest::Folder m_folder{"pellino-test"};
    bool m_ok = false;
};

// The index a 32-bit picture of the indexed clip carries, scaled to any size.
inline int PictureIndex(const QImage& image)
{
    if (image.isNull())
        return -1;
    int index = 0;
    for (int b = 0; b < 8; ++b) {
        const int x = (40 * b + 20) * image.width() / 320;
        const int y = 60 * image.height() / 240;
        if (qGray(image.pixel(x, y)) > 160)
            index |= 1 << b;
    }
    return index;
}

} // namespace PellinoTest

#define PELLINO_REQUIRE_MEDIA() ASSERT_TRUE(PellinoTest::Media::Get().Ok()) << "ffmpeg could not make the test media"
