#pragma once

// A scaler whose work on one picture is shared among threads (FFmpeg's own
// slice threads: each writes its rows from the whole source, so the picture
// is the same to the bit as one thread makes it). For the edit side's steps
// on whole HD pictures, which would otherwise hold up a conversion's
// reading thread while the encoder waits.
//
// Like FF::CScaledCopy it writes into a picture of its own and copies only
// the asked rectangle out: the scaler writes whole blocks past a row's end.
// It reads a copy of the source in a picture of its own, as the scaler
// reads past a row's end too (in bands, as the rest).

#include "FFOwners.h"
#include "FFScale.h"

extern "C" {
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

#include <cstdint>

namespace Solvane {

class CThreadedScaler
{
public:
    CThreadedScaler() = default;
    CThreadedScaler(const CThreadedScaler&) = delete;
    CThreadedScaler& operator=(const CThreadedScaler&) = delete;

    // Scales the srcW x srcH picture `src` into the rectangle whose planes
    // start at `dst`: exactly dstW x dstH pixels of each plane are written
    // there. False when the scaler cannot be made or fails.
    bool Scale(const uint8_t* const src[], const int srcStride[], int srcW, int srcH, AVPixelFormat srcFormat,
               uint8_t* const dst[], const int dstStride[], int dstW, int dstH, AVPixelFormat dstFormat, int flags);
    // The same into the scaler's own picture, read where it is (valid until
    // the next call); null on failure.
    AVFrame* ScaleToOwn(const uint8_t* const src[], const int srcStride[], int srcW, int srcH, AVPixelFormat srcFormat,
                        int dstW, int dstH, AVPixelFormat dstFormat, int flags);
    // Scales `from` into `to` (format, size and pixels set), both read and
    // written where they are: for pictures whose planes FFmpeg allocated,
    // padding after and rows going down, as a decoder's are. False when the
    // scaler cannot be made or fails.
    bool ScaleFrame(const AVFrame* from, AVFrame* to, int flags);

private:
    bool Prepare(int srcW, int srcH, AVPixelFormat srcFormat, int dstW, int dstH, AVPixelFormat dstFormat, int flags);

    FF::SwsPtr m_sws;
    int m_srcW = 0, m_srcH = 0, m_dstW = 0, m_dstH = 0, m_flags = 0;
    AVPixelFormat m_srcFormat = AV_PIX_FMT_NONE, m_dstFormat = AV_PIX_FMT_NONE;
    FF::FramePtr m_own;
    FF::CPaddedSource m_source;
};

} // namespace Solvane
