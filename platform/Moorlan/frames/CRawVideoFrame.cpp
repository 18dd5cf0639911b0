#include "CRawVideoFrame.h"

#include "CBaseException.h"
#include "FFScale.h"
#include "Moorlan.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

// Errors raised here are reported under the frame's own source name.
#define RAWFRAME_THROW(code, msg) throw CBaseException((code), (msg), __LINE__, "moorlan_crawvideoframe")

namespace Moorland {

namespace {

const unsigned kMaxPlanes = 4;

struct Geometry
{
    bool packed = true;
    unsigned count = 0;
    std::vector<unsigned> rows, lineBytes, ratio, vertical;
};

Geometry Measure(unsigned pixelFormat, unsigned width, unsigned height)
{
    Geometry g;
    try {
        GetImageParameters(pixelFormat, width, height, g.packed, g.count, g.rows, g.lineBytes, g.ratio, g.vertical);
    } catch (const CBaseException& e) {
        RAWFRAME_THROW(e.GetCode(), e.GetMsg());
    }
    return g;
}

} // namespace

CRawVideoFrame::CRawVideoFrame(bool deletesItselfOnFree, unsigned pixelFormat, unsigned width, unsigned height,
                               bool topDown)
    : CVideoFrameAttributes(deletesItselfOnFree), m_pixelFormat(pixelFormat), m_width(width), m_height(height),
      m_topDown(topDown)
{
    ResetLayout(pixelFormat, width, height, topDown);
}

CRawVideoFrame::CRawVideoFrame(const CRawVideoFrame& src)
    : CVideoFrameAttributes(src), IMVCRawVideoFrame(), m_pixelFormat(src.m_pixelFormat), m_width(src.m_width),
      m_height(src.m_height), m_topDown(src.m_topDown), m_packed(src.m_packed), m_canBeModified(true),
      m_planes(src.m_planes), m_dar(src.m_dar), m_viewID(src.m_viewID)
{
    SetSelfFreeing(false);
    size_t total = 0;
    for (const RawVideoPlane& p : m_planes)
        if (p.lineBytes != 0)
            total += (size_t(p.pitch) * p.rows + kBlockAlign - 1) & ~(kBlockAlign - 1);
    if (total != 0) {
        m_block = static_cast<unsigned char*>(std::aligned_alloc(kBlockAlign, total + kBlockPadding));
        if (!m_block)
            throw CBaseException(QB_ERR_NO_MEMORY, "No enough memory", __LINE__, "res_keeper");
        m_blockSize = total;
        memset(m_block + total, 0, kBlockPadding);
        m_padded = true;
        size_t offset = 0;
        for (RawVideoPlane& p : m_planes) {
            if (p.lineBytes == 0)
                continue;
            const size_t size = size_t(p.pitch) * p.rows;
            if (p.data && size != 0)
                MoorlandMemCopy(m_block + offset, p.data, size);
            p.data = m_block + offset;
            offset += (size + kBlockAlign - 1) & ~(kBlockAlign - 1);
        }
    }
    try {
        if (src.m_subsetFrame) {
            m_subsetFrame = src.m_subsetFrame->Clone();
            if (!m_subsetFrame)
                QuentaBased::ThrowLastError();
        }
    } catch (...) {
        std::free(m_block);
        throw;
    }
}

CRawVideoFrame::~CRawVideoFrame()
{
    if (m_subsetFrame)
        m_subsetFrame->Free();
    std::free(m_block);
}

void CRawVideoFrame::StoredSize(unsigned* width, unsigned* height)
{
    *width = m_width;
    *height = m_height;
}

unsigned CRawVideoFrame::GetTotalSize()
{
    unsigned total = 0;
    for (const RawVideoPlane& p : m_planes)
        total += p.pitch * p.rows;
    return total;
}

unsigned char* CRawVideoFrame::GetBuffer(unsigned index, unsigned* lineBytes, unsigned* pitch, unsigned* rows)
{
    if (index >= m_planes.size())
        return nullptr;
    const RawVideoPlane& p = m_planes[index];
    const unsigned ratioBytes = p.ratio & 0xFFFF;
    const unsigned ratioPixels = p.ratio >> 16;
    unsigned visibleBytes = p.lineBytes;
    // Planes without geometry (the palette of format 11) ignore the crop.
    if (CropRight() != 0 && ratioPixels != 0) {
        const unsigned cut = ratioBytes * CropRight() / ratioPixels;
        visibleBytes = cut < visibleBytes ? visibleBytes - cut : 0;
    }
    unsigned visibleRows = p.rows;
    unsigned char* data = p.data;
    if (CropBottom() != 0 && p.vertical != 0) {
        const unsigned bottomRows = std::min(CropBottom() / p.vertical, p.rows);
        visibleRows = p.rows - bottomRows;
        // Stored bottom line first: the cropped lines are the first stored ones.
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

IRawVideoFrame* CRawVideoFrame::Clone()
{
    return QB_GUARDED(static_cast<IRawVideoFrame*>(nullptr), {
        auto* copy = new CRawVideoFrame(*this);
        copy->SetSelfFreeing(true);
        return static_cast<IRawVideoFrame*>(copy);
    });
}

void* CRawVideoFrame::GetInterface(char const* name)
{
    if (!name)
        return nullptr;
    if (strcmp(name, RAWVIDEO_INTERFACE_RAWVIDEO) == 0)
        return static_cast<IRawVideoFrame*>(this);
    if (strcmp(name, RAWVIDEO_INTERFACE_MVC) == 0)
        return static_cast<IMVCRawVideoFrame*>(this);
    if (strcmp(name, RAWVIDEO_INTERFACE_SUBSET) == 0)
        return m_subsetFrame;
    if (strcmp(name, RAWVIDEO_INTERFACE_PADDED) == 0)
        return m_padded ? static_cast<IRawVideoFrame*>(this) : nullptr;
    return nullptr;
}

bool CRawVideoFrame::SetViewID(int viewID)
{
    m_viewID = viewID;
    return true;
}

RawVideoPlane& CRawVideoFrame::GetBuffer(unsigned index)
{
    if (index >= kMaxPlanes)
        RAWFRAME_THROW(QB_ERR_INDEX, "index error");
    if (index >= m_planes.size())
        m_planes.resize(index + 1);
    return m_planes[index];
}

void CRawVideoFrame::SetSize(unsigned width, unsigned height)
{
    ClearCrop();
    if (width == m_width && height == m_height)
        return;
    const Geometry g = Measure(m_pixelFormat, width, height);
    m_width = width;
    m_height = height;
    for (size_t i = 0; i < m_planes.size() && i + 1 < g.rows.size(); ++i) {
        m_planes[i].rows = g.rows[i];
        m_planes[i].lineBytes = g.lineBytes[i];
        m_planes[i].ratio = g.ratio[i];
        m_planes[i].vertical = g.vertical[i];
    }
}

void CRawVideoFrame::ResetLayout(unsigned pixelFormat, unsigned width, unsigned height, bool topDown)
{
    const Geometry g = Measure(pixelFormat, width, height);
    const unsigned planes = g.packed ? 1 : g.count;
    m_planes.assign(planes, RawVideoPlane());
    for (unsigned i = 0; i < planes; ++i) {
        m_planes[i].lineBytes = g.lineBytes[i];
        m_planes[i].rows = g.rows[i];
        m_planes[i].ratio = g.ratio[i];
        m_planes[i].vertical = g.vertical[i];
    }
    m_pixelFormat = pixelFormat;
    m_width = width;
    m_height = height;
    m_packed = g.packed;
    m_topDown = topDown;
    ClearCrop();
}

unsigned CRawVideoFrame::GetRequireSize()
{
    unsigned total = 0;
    for (const RawVideoPlane& p : m_planes)
        total += p.lineBytes * p.rows;
    return total;
}

void CRawVideoFrame::CopySubsetFrame(IRawVideoFrame* frame)
{
    if (!frame)
        RAWFRAME_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
    IRawVideoFrame* copy = frame->Clone();
    if (!copy)
        QuentaBased::ThrowLastError();
    if (m_subsetFrame)
        m_subsetFrame->Free();
    m_subsetFrame = copy;
}

bool CopyVideoFrame(IRawVideoFrame* dst, IRawVideoFrame* src)
{
    return QB_GUARDED(false, {
        if (!dst || !src)
            RAWFRAME_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        if (dst->GetPixelFormat() != src->GetPixelFormat())
            RAWFRAME_THROW(QB_ERR_UNEXPECTED, "pixel format not match");
        unsigned dw = 0, dh = 0, sw = 0, sh = 0;
        dst->GetDimension(&dw, &dh);
        src->GetDimension(&sw, &sh);
        if (dw != sw || dh != sh)
            RAWFRAME_THROW(QB_ERR_UNEXPECTED, "dimension not match");

        // Check every plane before touching dst, so a refused copy changes nothing.
        const unsigned planes = src->GetBufferCount();
        if (dst->GetBufferCount() < planes)
            RAWFRAME_THROW(QB_ERR_DEST_SMALL, "Dest buffer is not enough");
        for (unsigned i = 0; i < planes; ++i) {
            unsigned sBytes = 0, sPitch = 0, sRows = 0, dBytes = 0, dPitch = 0, dRows = 0;
            unsigned char* s = src->GetBuffer(i, &sBytes, &sPitch, &sRows);
            unsigned char* d = dst->GetBuffer(i, &dBytes, &dPitch, &dRows);
            if (sBytes == 0 || sRows == 0)
                continue;
            if (!s || !d)
                RAWFRAME_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
            if (dBytes < sBytes || dRows < sRows)
                RAWFRAME_THROW(QB_ERR_DEST_SMALL, "Dest buffer is not enough");
        }

        dst->SetTimeStamp(src->GetTimeStamp());
        dst->SetInterlaced(src->IsInterlaced());
        auto* dstView = static_cast<IMVCRawVideoFrame*>(dst->GetInterface(RAWVIDEO_INTERFACE_MVC));
        auto* srcView = static_cast<IMVCRawVideoFrame*>(src->GetInterface(RAWVIDEO_INTERFACE_MVC));
        if (dstView && srcView)
            dstView->SetViewID(srcView->GetViewID());
        void* border = nullptr;
        int borderSize = 0;
        src->GetBorderData(&border, &borderSize);
        dst->SetBorderData(border, borderSize);

        // Line by line at each frame's own pitch: the planes may be laid out
        // differently, and a block copy of the source's pitch x rows would
        // run past a destination plane with a smaller pitch.
        for (unsigned i = 0; i < planes; ++i) {
            unsigned sBytes = 0, sPitch = 0, sRows = 0, dBytes = 0, dPitch = 0, dRows = 0;
            unsigned char* s = src->GetBuffer(i, &sBytes, &sPitch, &sRows);
            unsigned char* d = dst->GetBuffer(i, &dBytes, &dPitch, &dRows);
            if (sBytes == 0 || sRows == 0)
                continue;
            if (sPitch == dPitch && sPitch == sBytes) {
                MoorlandMemCopy(d, s, size_t(sBytes) * sRows);
                continue;
            }
            for (unsigned r = 0; r < sRows; ++r)
                MoorlandMemCopy(d + size_t(r) * dPitch, s + size_t(r) * sPitch, sBytes);
        }
        return true;
    });
}

bool MergeYUVRedBlue(unsigned char* y, unsigned char* u, unsigned char* v, unsigned char*, unsigned char*,
                     unsigned char*, unsigned char* outY, unsigned char* outU, unsigned char* outV)
{
    auto clamp = [](int x) { return x < 0 ? 0 : (x > 255 ? 255 : x); };
    const double Y = *y, U = *u - 128.0, V = *v - 128.0;
    const int r = clamp(static_cast<int>(Y + 1.13983 * V));
    const int g = clamp(static_cast<int>(Y - 0.39465 * U - 0.58060 * V));
    const int b = clamp(static_cast<int>(Y + 2.03211 * U));
    *outY = static_cast<unsigned char>(clamp(((66 * r + 129 * g + 25 * b + 128) >> 8) + 16));
    *outU = static_cast<unsigned char>(clamp(((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128));
    *outV = static_cast<unsigned char>(clamp(((112 * r - 94 * g - 18 * b + 128) >> 8) + 128));
    return true;
}

} // namespace Moorland
