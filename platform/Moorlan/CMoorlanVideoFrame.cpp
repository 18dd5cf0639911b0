#include "CMoorlanVideoFrame.h"

#include "CBaseException.h"
#include "Moorlan.h"

#include <cstring>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/mem.h>
}

namespace Moorland {

CMoorlanVideoFrame::CMoorlanVideoFrame(bool selfFreeing) : m_selfFreeing(selfFreeing) {}

CMoorlanVideoFrame::~CMoorlanVideoFrame()
{
    av_free(m_block);
    av_frame_free(&m_pixels);
}

void CMoorlanVideoFrame::SetLayout(unsigned pixelFormat, unsigned width, unsigned height, bool topDown)
{
    bool packed = true;
    unsigned count = 0;
    std::vector<unsigned> rows, lineBytes, ratio, vertical;
    GetImageParameters(pixelFormat, width, height, packed, count, rows, lineBytes, ratio, vertical);
    const size_t planes = packed ? 1 : count;
    m_planes.assign(planes, MoorlanPlane());
    for (size_t i = 0; i < planes; ++i) {
        m_planes[i].lineBytes = lineBytes[i];
        m_planes[i].rows = rows[i];
        m_planes[i].ratio = ratio[i];
        m_planes[i].vertical = vertical[i];
    }
    m_format = pixelFormat;
    m_width = width;
    m_height = height;
    m_packed = packed;
    m_topDown = topDown;
    m_cropRight = 0;
    m_cropBottom = 0;
}

void CMoorlanVideoFrame::AdoptPixels(AVFrame* pixels)
{
    av_frame_free(&m_pixels);
    m_pixels = pixels;
    if (!pixels)
        return;
    for (size_t i = 0; i < m_planes.size() && i < AV_NUM_DATA_POINTERS; ++i) {
        m_planes[i].data = pixels->data[i];
        m_planes[i].pitch = static_cast<unsigned>(pixels->linesize[i]);
    }
}

void CMoorlanVideoFrame::TakeAttributes(IRawVideoFrame* src)
{
    m_timeStamp = src->GetTimeStamp();
    m_interlaced = src->IsInterlaced();
    m_topFieldFirst = src->IsTopFieldFirst();
    m_duration = src->GetDuration();
    m_duplicated = src->GetDuplicatedCount(&m_duplicatedSecond);
    m_dar = src->GetDAR();
    auto* mvc = static_cast<IMVCRawVideoFrame*>(src->GetInterface(RAWVIDEO_INTERFACE_MVC));
    m_viewID = mvc ? mvc->GetViewID() : 0;
}

void CMoorlanVideoFrame::GetDimension(unsigned* width, unsigned* height)
{
    if (width)
        *width = m_width - m_cropRight;
    if (height)
        *height = m_height - m_cropBottom;
}

unsigned CMoorlanVideoFrame::GetTotalSize()
{
    unsigned total = 0;
    for (const MoorlanPlane& p : m_planes)
        total += p.pitch * p.rows;
    return total;
}

unsigned char* CMoorlanVideoFrame::GetBuffer(unsigned index, unsigned* lineBytes, unsigned* pitch,
                                             unsigned* rows)
{
    if (index >= m_planes.size())
        return nullptr;
    const MoorlanPlane& p = m_planes[index];
    const unsigned bytes = p.ratio & 0xFFFF;
    const unsigned pixels = p.ratio >> 16;
    unsigned visibleBytes = p.lineBytes;
    if (m_cropRight != 0 && pixels != 0)
        visibleBytes -= bytes * m_cropRight / pixels;
    unsigned visibleRows = p.rows;
    unsigned char* data = p.data;
    if (m_cropBottom != 0 && p.vertical != 0) {
        const unsigned bottomRows = m_cropBottom / p.vertical;
        visibleRows -= bottomRows;
        if (!m_topDown && data)
            data += size_t(p.pitch) * bottomRows;
    }
    if (lineBytes)
        *lineBytes = visibleBytes;
    if (pitch)
        *pitch = p.pitch;
    if (rows)
        *rows = visibleRows;
    return data;
}

bool CMoorlanVideoFrame::CropRightAndBottom(unsigned right, unsigned bottom)
{
    if (right >= m_width || bottom >= m_height)
        return false;
    m_cropRight = right;
    m_cropBottom = bottom;
    return true;
}

void CMoorlanVideoFrame::Free()
{
    if (m_selfFreeing)
        delete this;
}

unsigned CMoorlanVideoFrame::GetDuplicatedCount(unsigned* second)
{
    if (second)
        *second = m_duplicatedSecond;
    return m_duplicated;
}

void CMoorlanVideoFrame::SetDuplicatedCount(unsigned count, unsigned second)
{
    m_duplicated = count;
    m_duplicatedSecond = second;
}

IRawVideoFrame* CMoorlanVideoFrame::Clone()
{
    return QB_GUARDED(static_cast<IRawVideoFrame*>(nullptr), {
        auto* copy = new CMoorlanVideoFrame(true);
        copy->m_format = m_format;
        copy->m_width = m_width;
        copy->m_height = m_height;
        copy->m_topDown = m_topDown;
        copy->m_packed = m_packed;
        copy->m_planes = m_planes;
        copy->m_cropRight = m_cropRight;
        copy->m_cropBottom = m_cropBottom;
        copy->m_border = m_border;
        copy->TakeAttributes(this);
        size_t total = 0;
        for (const MoorlanPlane& p : m_planes)
            if (p.lineBytes != 0)
                total += (size_t(p.pitch) * p.rows + 15) & ~size_t(15);
        if (total != 0) {
            copy->m_block = static_cast<unsigned char*>(av_malloc(total));
            if (!copy->m_block) {
                delete copy;
                QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
            }
            size_t offset = 0;
            for (MoorlanPlane& p : copy->m_planes) {
                if (p.lineBytes == 0)
                    continue;
                const size_t size = size_t(p.pitch) * p.rows;
                if (p.data)
                    MoorlandMemCopy(copy->m_block + offset, p.data, size);
                p.data = copy->m_block + offset;
                offset += (size + 15) & ~size_t(15);
            }
        }
        return static_cast<IRawVideoFrame*>(copy);
    });
}

void CMoorlanVideoFrame::SetBorderData(void* data, int size)
{
    if (!data)
        return;
    const auto* bytes = static_cast<const unsigned char*>(data);
    m_border.assign(bytes, bytes + (size > 0 ? size : 0));
}

void CMoorlanVideoFrame::GetBorderData(void** data, int* size)
{
    if (data)
        *data = m_border.empty() ? nullptr : m_border.data();
    if (size)
        *size = static_cast<int>(m_border.size());
}

void* CMoorlanVideoFrame::GetInterface(char const* name)
{
    if (!name)
        return nullptr;
    if (strcmp(name, RAWVIDEO_INTERFACE_RAWVIDEO) == 0)
        return static_cast<IRawVideoFrame*>(this);
    if (strcmp(name, RAWVIDEO_INTERFACE_MVC) == 0)
        return static_cast<IMVCRawVideoFrame*>(this);
    return nullptr;
}

} // namespace Moorland
