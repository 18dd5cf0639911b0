#include "CFFPictureFit.h"
#include "FFPictureArea.h"

#include "CBaseException.h"
#include "../../Moorlan/MoorlanPixelMap.h"
#include "MoorlanFormatMap.h"
#include "FFErrors.h"
#include "MoorlanTypes.h"

extern "C" {
#include <libavutil/imgutils.h>
}

#include <algorithm>
#include <cmath>

namespace Solvane {

CFFPictureFit::CFFPictureFit(int width, int height, AVRational sampleAspect, AVRational frameRate)
    : m_width(width), m_height(height), m_sar(sampleAspect), m_rate(frameRate)
{
    if (width < 2 || height < 2 || frameRate.num <= 0 || frameRate.den <= 0)
        QB_THROW(QB_ERR_BAD_PARAM, "Bad output picture");
    if (m_sar.num <= 0 || m_sar.den <= 0)
        m_sar = AVRational{1, 1};
}

int CFFPictureFit::FrameMs(int64_t index) const
{
    return static_cast<int>(m_firstMs + av_rescale(index, 1000LL * m_rate.den, m_rate.num));
}

void CFFPictureFit::Emit(int64_t index, const Write& write)
{
    m_out.Assign(m_picture.get(), Moorland::PIXEL_FORMAT_YUV420P, FrameMs(index),
                 static_cast<unsigned>(av_rescale(1, 1000LL * m_rate.den, m_rate.num)), m_sar);
    write(&m_out);
}

void CFFPictureFit::Put(Moorland::IRawVideoFrame* in, const Write& write)
{
    const int t = in->GetTimeStamp();
    if (!m_started) {
        m_started = true;
        m_firstMs = t;
    }
    // The output frame this picture belongs on; half-way goes to the earlier one.
    const double exact = (t - m_firstMs) * static_cast<double>(m_rate.num) / (1000.0 * m_rate.den);
    const int64_t index = static_cast<int64_t>(std::floor(exact + 0.48));
    if (index < m_next)
        return;
    // Frames the source left empty show its previous picture.
    if (m_picture->data[0]) {
        for (; m_next < index; ++m_next)
            Emit(m_next, write);
    }

    const AVPixelFormat srcFmt = FF::ToAVPixelFormat(in->GetPixelFormat());
    unsigned w = 0, h = 0;
    in->GetDimension(&w, &h);
    if (srcFmt == AV_PIX_FMT_NONE || w == 0 || h == 0)
        QB_THROW(QB_ERR_MEDIA, "A picture the disc can't take");
    const uint8_t* src[4];
    int srcStride[4];
    if (!Moorland::TopDownPlanes(in, src, srcStride))
        QB_THROW(QB_ERR_MEDIA, "A picture without its pixels");

    double dar = in->GetDAR();
    if (!(dar > 0.0))
        dar = static_cast<double>(w) / h;
    const PictureArea area = FitPicture(dar, m_width, m_height, m_sar, AV_PIX_FMT_YUV420P);

    // The last picture's buffer is reused once nobody else holds it.
    m_out.Reset();
    FF::FramePtr f = std::move(m_picture);
    m_picture = FF::MakeFrame();
    int err = 0;
    if (f->data[0])
        err = av_frame_make_writable(f.get());
    if (!f->data[0]) {
        f->format = AV_PIX_FMT_YUV420P;
        f->width = m_width;
        f->height = m_height;
        err = av_frame_get_buffer(f.get(), 0);
    }
    if (err < 0)
        QB_THROW_AV(QB_ERR_NO_MEMORY, "No enough memory", err);
    if (!FillsFrame(area, m_width, m_height))
        PaintBlack(f.get(), AVCOL_RANGE_MPEG);
    m_sws.reset(sws_getCachedContext(m_sws.release(), static_cast<int>(w), static_cast<int>(h), srcFmt, area.width,
                                     area.height, AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!m_sws)
        QB_THROW(QB_ERR_MEDIA, "Can't scale the pictures for the disc");
    uint8_t* dst[4];
    AreaPlanes(f.get(), area, dst);
    const int dstStride[4] = {f->linesize[0], f->linesize[1], f->linesize[2], 0};
    // Written beside the frame and copied in: the scaler writes past the
    // area's right edge, into the bar.
    if (!m_scaled.Scale(m_sws.get(), src, srcStride, static_cast<int>(h), AV_PIX_FMT_YUV420P, area.width, area.height,
                        dst, dstStride))
        QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
    m_picture = std::move(f);
    Emit(m_next, write);
    ++m_next;
}

void CFFPictureFit::Finish(int64_t endMs, const Write& write)
{
    if (!m_picture->data[0])
        return;
    const double exact = (endMs - m_firstMs) * static_cast<double>(m_rate.num) / (1000.0 * m_rate.den);
    const int64_t end = static_cast<int64_t>(std::floor(exact + 0.48));
    for (; m_next < end; ++m_next)
        Emit(m_next, write);
}

} // namespace Solvane
