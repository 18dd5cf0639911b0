#pragma once

#include "CMoorlanVideoFrame.h"
#include "FFOwners.h"
#include "FFScale.h"
#include "IImageConverter.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

struct SwsContext;

namespace Moorland {

// A converter on libswscale. The scaling context is made for the first
// picture and kept while the pictures keep their layout and size, so a
// stream of frames pays the set-up once; the scaler splits each picture
// across FFmpeg's threads.
class CImageConverter final : public IImageConverter
{
public:
    // Throws 10021010 for a destination layout the scaler cannot write.
    CImageConverter(unsigned dstPixelFormat, unsigned width, unsigned height, int flag);
    ~CImageConverter();
    CImageConverter(const CImageConverter&) = delete;
    CImageConverter& operator=(const CImageConverter&) = delete;

    unsigned GetDestFormat(unsigned* width, unsigned* height) override;
    IRawVideoFrame* Convert(IRawVideoFrame* frame) override;
    void Release() override;

private:
    IRawVideoFrame* DoConvert(IRawVideoFrame* frame);
    void PrepareContext(int dstWidth, int dstHeight);
    void PrepareDest(int dstWidth, int dstHeight);

    unsigned m_dstFormat;
    AVPixelFormat m_dstAV;
    unsigned m_width;
    unsigned m_height;
    int m_flag;
    FF::SwsPtr m_sws;
    int m_swsKey[5] = {-1, -1, -1, -1, -1}; // src format, src size, dst size
    FF::FramePtr m_src = FF::MakeFrame();
    FF::FramePtr m_dst = FF::MakeFrame();
    CMoorlanVideoFrame m_out{false};
    // Pictures in memory that ends at their last pixel are read from here.
    FF::CPaddedSource m_padded;
};

} // namespace Moorland
