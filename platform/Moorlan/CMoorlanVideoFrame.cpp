#include "CMoorlanVideoFrame.h"

#include "CBaseException.h"

extern "C" {
#include <libavutil/frame.h>
}

namespace Moorland {

// Until SetLayout gives it a picture's layout, the frame is an empty 0 x 0 picture.
CMoorlanVideoFrame::CMoorlanVideoFrame(bool selfFreeing) : CRawVideoFrame(selfFreeing, PIXEL_FORMAT_YUV420P, 0, 0, true)
{}

RawVideoPlane& CMoorlanVideoFrame::Plane(unsigned index)
{
    if (index >= GetBufferCount())
        QB_THROW(QB_ERR_INDEX, "index error");
    return GetBuffer(index);
}

void CMoorlanVideoFrame::AdoptPixels(FF::FramePtr pixels)
{
    m_pixels = std::move(pixels);
    SetPadded(m_pixels != nullptr);
    if (!m_pixels)
        return;
    const AVFrame* held = m_pixels.get();
    for (unsigned i = 0; i < GetBufferCount() && i < AV_NUM_DATA_POINTERS; ++i) {
        RawVideoPlane& plane = GetBuffer(i);
        plane.data = held->data[i];
        plane.pitch = static_cast<unsigned>(held->linesize[i]);
    }
}

void CMoorlanVideoFrame::TakeAttributes(IRawVideoFrame* src)
{
    TakeTimingAndFields(src);
    SetDAR(src->GetDAR());
    auto* mvc = static_cast<IMVCRawVideoFrame*>(src->GetInterface(RAWVIDEO_INTERFACE_MVC));
    SetViewID(mvc ? mvc->GetViewID() : 0);
}

} // namespace Moorland
