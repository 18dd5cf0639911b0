#include "CRawFrameFiller.h"

#include "CBaseException.h"
#include "Moorlan.h"

namespace Moorland {

void CRawVideoFrameFiller::Release()
{
    delete this;
}

bool CRawVideoFrameFiller::SetFormat(unsigned pixelFormat, unsigned width, unsigned height, int topDown)
{
    return QB_GUARDED_VOID({
        m_hasFormat = false;
        m_frame.SetLayout(pixelFormat, width, height, topDown != 0);
        m_hasFormat = true;
    });
}

bool CRawVideoFrameFiller::SetPlane(unsigned index, void* data, unsigned pitch)
{
    return QB_GUARDED_VOID({
        if (!m_hasFormat || index >= m_frame.PlaneCount())
            QB_THROW(QB_ERR_INDEX, "index error");
        RawVideoPlane& plane = m_frame.Plane(index);
        if (data && pitch < plane.lineBytes)
            QB_THROW(QB_ERR_BAD_PARAM, "Bad param");
        plane.data = static_cast<unsigned char*>(data);
        plane.pitch = data ? pitch : 0;
    });
}

IRawVideoFrame* CRawVideoFrameFiller::GetFrame()
{
    return m_hasFormat ? &m_frame : nullptr;
}

CRawAudioFrameFiller::CRawAudioFrameFiller()
{
    m_frame.SetFormat(QUENTA_SAMPLE_S16, 44100, 2);
}

void CRawAudioFrameFiller::Release()
{
    delete this;
}

bool CRawAudioFrameFiller::SetFormat(int sampleFormat, int sampleRate, int channels)
{
    return QB_GUARDED_VOID({
        if (IsPlanarSampleFormat(sampleFormat))
            QB_THROW(QB_ERR_BAD_PARAM, "Bad param");
        m_frame.SetFormat(sampleFormat, sampleRate, channels);
    });
}

bool CRawAudioFrameFiller::SetBuffer(void* data, unsigned size)
{
    return QB_GUARDED_VOID({
        if (!data && size != 0)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        m_frame.SetExternal(static_cast<unsigned char*>(data), size);
    });
}

void CRawAudioFrameFiller::SetTimeStamp(int64_t timeStamp)
{
    m_frame.SetTimeStamp(timeStamp);
}

IRawAudioFrame* CRawAudioFrameFiller::GetFrame()
{
    return &m_frame;
}

IRawVideoFrameFiller* CreateRawVideoFrameFiller()
{
    return QB_GUARDED(static_cast<IRawVideoFrameFiller*>(nullptr),
                      { return static_cast<IRawVideoFrameFiller*>(new CRawVideoFrameFiller()); });
}

IRawAudioFrameFiller* CreateRawAudioFrameFiller()
{
    return QB_GUARDED(static_cast<IRawAudioFrameFiller*>(nullptr),
                      { return static_cast<IRawAudioFrameFiller*>(new CRawAudioFrameFiller()); });
}

} // namespace Moorland
