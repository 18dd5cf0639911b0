#include "CFrameDrawer.h"

#include "CBaseException.h"
#include "Moorlan.h"

#include <climits>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace Moorland {

namespace {

// Where a clipped overlay rectangle starts in both planes and how far it
// reaches. Offsets are in bytes from the plane's first stored byte.
struct Walk
{
    int n = 0; // columns
    int m = 0; // rows
    ptrdiff_t srcStart = 0;
    ptrdiff_t srcRowStep = 0;
    ptrdiff_t dstStart = 0;
    ptrdiff_t dstRowStep = 0;
};

bool ClipWalk(int dstPitch, int dstWidth, int dstRows, bool dstTopDown, int dstBpp, int srcPitch, int srcWidth,
              int srcRows, bool srcTopDown, int srcBpp, int stepX, int stepY, int x, int y, Walk& w)
{
    if (stepX <= 0 || stepY <= 0 || srcWidth <= 0 || srcRows <= 0 || dstWidth <= 0 || dstRows <= 0)
        return false;
    long long n = srcWidth / stepX;
    long long m = srcRows / stepY;
    if (x + n < 0 || x >= dstWidth || y + m < 0 || y >= dstRows)
        return false;
    long long nSkipCols = 0, nSkipRows = 0;
    long long lx = x, ly = y;
    if (lx < 0) {
        nSkipCols = -lx * stepX;
        n = (srcWidth + lx * stepX) / stepX;
        lx = 0;
    }
    if (lx + n > dstWidth)
        n = dstWidth - lx;
    if (ly < 0) {
        nSkipRows = -ly * stepY;
        m = (srcRows + ly * stepY) / stepY;
        ly = 0;
    }
    if (ly + m > dstRows)
        m = dstRows - ly;
    if (n <= 0 || m <= 0)
        return false;
    w.n = static_cast<int>(n);
    w.m = static_cast<int>(m);
    long long nSrcRow = srcTopDown ? nSkipRows : srcRows - 1 - nSkipRows;
    w.srcStart = static_cast<ptrdiff_t>(nSrcRow * srcPitch + nSkipCols * srcBpp);
    w.srcRowStep = static_cast<ptrdiff_t>(srcTopDown ? 1 : -1) * stepY * srcPitch;
    long long nDstRow = dstTopDown ? ly : dstRows - 1 - ly;
    w.dstStart = static_cast<ptrdiff_t>(nDstRow * dstPitch + lx * dstBpp);
    w.dstRowStep = static_cast<ptrdiff_t>(dstTopDown ? 1 : -1) * dstPitch;
    return true;
}

inline unsigned char Blend(unsigned d, unsigned s, unsigned a)
{
    return static_cast<unsigned char>(((255 - a) * d + a * s) >> 8);
}

inline unsigned char Merge(unsigned d, unsigned s)
{
    return static_cast<unsigned char>(d + s - (d * s) / 255);
}

// x >> s rounded towards minus infinity, as an arithmetic shift gives it.
inline int FloorShift(int x, int s)
{
    return x >= 0 ? (x >> s) : -((-x + (1 << s) - 1) >> s);
}

// A plane as DrawFrame reads it; false when the frame has no such plane or
// its numbers do not fit the blend's arithmetic.
struct Plane
{
    unsigned char* data = nullptr;
    int lineBytes = 0;
    int pitch = 0;
    int rows = 0;
};

bool GetPlane(IRawVideoFrame* pFrame, unsigned nIndex, Plane& p)
{
    unsigned nLine = 0, nPitch = 0, nRows = 0;
    unsigned char* pData = pFrame->GetBuffer(nIndex, &nLine, &nPitch, &nRows);
    if (!pData || nLine > INT_MAX || nPitch > INT_MAX || nRows > INT_MAX || nPitch < nLine)
        return false;
    p.data = pData;
    p.lineBytes = static_cast<int>(nLine);
    p.pitch = static_cast<int>(nPitch);
    p.rows = static_cast<int>(nRows);
    return true;
}

// One overlay plane of a 299 overlay onto one target plane.
void DrawPlane(IRawVideoFrame* pOverlay, IRawVideoFrame* pTarget, unsigned nPlane, int x, int y, int stepX, int stepY)
{
    Plane src, alpha, dst;
    if (!GetPlane(pOverlay, nPlane, src) || !GetPlane(pOverlay, 3, alpha) || !GetPlane(pTarget, nPlane, dst))
        return;
    // The alpha plane is read at the overlay plane's offsets.
    if (alpha.pitch != src.pitch || alpha.rows < src.rows || alpha.lineBytes < src.lineBytes)
        return;
    draw_component(dst.data, dst.pitch, dst.lineBytes, dst.rows, pTarget->IsTopDown(), src.data, src.pitch,
                   src.lineBytes, src.rows, pOverlay->IsTopDown(), stepX, stepY, alpha.data, x, y);
}

void MergeAlphaPlane(IRawVideoFrame* pOverlay, IRawVideoFrame* pTarget, int x, int y)
{
    Plane src, dst;
    if (!GetPlane(pOverlay, 3, src) || !GetPlane(pTarget, 3, dst))
        return;
    composite_alpha_component(dst.data, dst.pitch, dst.lineBytes, dst.rows, pTarget->IsTopDown(), src.data, src.pitch,
                              src.lineBytes, src.rows, pOverlay->IsTopDown(), x, y);
}

unsigned char* AllocPlane(size_t nBytes)
{
    size_t nRounded = (nBytes + 15) / 16 * 16;
    if (nRounded == 0)
        nRounded = 16;
    return static_cast<unsigned char*>(std::aligned_alloc(16, nRounded));
}

} // namespace

// ---------------------------------------------------------------------------
// Blending

void draw_component(unsigned char* dst, int dstPitch, int dstWidth, int dstRows, bool dstTopDown, unsigned char* src,
                    int srcPitch, int srcWidth, int srcRows, bool srcTopDown, int stepX, int stepY,
                    unsigned char* alpha, int x, int y)
{
    Walk w;
    if (!dst || !src || !alpha ||
        !ClipWalk(dstPitch, dstWidth, dstRows, dstTopDown, 1, srcPitch, srcWidth, srcRows, srcTopDown, 1, stepX, stepY,
                  x, y, w))
        return;
    for (int r = 0; r < w.m; ++r) {
        unsigned char* d = dst + w.dstStart + r * w.dstRowStep;
        const unsigned char* s = src + w.srcStart + r * w.srcRowStep;
        const unsigned char* a = alpha + w.srcStart + r * w.srcRowStep;
        for (int c = 0; c < w.n; ++c) {
            d[c] = Blend(d[c], s[c * stepX], a[c * stepX]);
        }
    }
}

void draw_rgba32_to_rgba32(unsigned char* dst, int dstPitch, int dstWidth, int dstRows, bool dstTopDown,
                           unsigned char* src, int srcPitch, int srcWidth, int srcRows, bool srcTopDown, int x, int y)
{
    Walk w;
    if (!dst || !src ||
        !ClipWalk(dstPitch, dstWidth, dstRows, dstTopDown, 4, srcPitch, srcWidth, srcRows, srcTopDown, 4, 1, 1, x, y,
                  w))
        return;
    for (int r = 0; r < w.m; ++r) {
        unsigned char* d = dst + w.dstStart + r * w.dstRowStep;
        const unsigned char* s = src + w.srcStart + r * w.srcRowStep;
        for (int c = 0; c < w.n; ++c, d += 4, s += 4) {
            unsigned a = s[3];
            d[0] = Blend(d[0], s[0], a);
            d[1] = Blend(d[1], s[1], a);
            d[2] = Blend(d[2], s[2], a);
            d[3] = Merge(d[3], a);
        }
    }
}

void draw_rgba32_to_rgb24(unsigned char* dst, int dstPitch, int dstWidth, int dstRows, bool dstTopDown,
                          unsigned char* src, int srcPitch, int srcWidth, int srcRows, bool srcTopDown, int x, int y,
                          bool bSwap)
{
    Walk w;
    if (!dst || !src ||
        !ClipWalk(dstPitch, dstWidth, dstRows, dstTopDown, 3, srcPitch, srcWidth, srcRows, srcTopDown, 4, 1, 1, x, y,
                  w))
        return;
    const int i0 = bSwap ? 2 : 0;
    const int i2 = bSwap ? 0 : 2;
    for (int r = 0; r < w.m; ++r) {
        unsigned char* d = dst + w.dstStart + r * w.dstRowStep;
        const unsigned char* s = src + w.srcStart + r * w.srcRowStep;
        for (int c = 0; c < w.n; ++c, d += 3, s += 4) {
            unsigned a = s[3];
            d[0] = Blend(d[0], s[i0], a);
            d[1] = Blend(d[1], s[1], a);
            d[2] = Blend(d[2], s[i2], a);
        }
    }
}

void composite_alpha_component(unsigned char* dst, int dstPitch, int dstWidth, int dstRows, bool dstTopDown,
                               unsigned char* src, int srcPitch, int srcWidth, int srcRows, bool srcTopDown, int x,
                               int y)
{
    Walk w;
    if (!dst || !src ||
        !ClipWalk(dstPitch, dstWidth, dstRows, dstTopDown, 1, srcPitch, srcWidth, srcRows, srcTopDown, 1, 1, 1, x, y,
                  w))
        return;
    for (int r = 0; r < w.m; ++r) {
        unsigned char* d = dst + w.dstStart + r * w.dstRowStep;
        const unsigned char* s = src + w.srcStart + r * w.srcRowStep;
        for (int c = 0; c < w.n; ++c)
            d[c] = Merge(d[c], s[c]);
    }
}

void CFrameDrawer::DrawFrame(short x, short y, IRawVideoFrame* pOverlay, IRawVideoFrame* pTarget)
{
    if (!pOverlay || !pTarget)
        return;
    const unsigned nOverlay = pOverlay->GetPixelFormat();
    const unsigned nTarget = pTarget->GetPixelFormat();
    if (nOverlay == PIXEL_FORMAT_RGBA32) {
        Plane src, dst;
        if (!GetPlane(pOverlay, 0, src) || !GetPlane(pTarget, 0, dst))
            return;
        bool bSrcDown = pOverlay->IsTopDown();
        bool bDstDown = pTarget->IsTopDown();
        switch (nTarget) {
        case PIXEL_FORMAT_RGBA32:
            draw_rgba32_to_rgba32(dst.data, dst.pitch, dst.lineBytes / 4, dst.rows, bDstDown, src.data, src.pitch,
                                  src.lineBytes / 4, src.rows, bSrcDown, x, y);
            break;
        case PIXEL_FORMAT_BGR24:
        case PIXEL_FORMAT_RGB24:
            draw_rgba32_to_rgb24(dst.data, dst.pitch, dst.lineBytes / 3, dst.rows, bDstDown, src.data, src.pitch,
                                 src.lineBytes / 4, src.rows, bSrcDown, x, y, nTarget == PIXEL_FORMAT_RGB24);
            break;
        default: break;
        }
        return;
    }
    if (nOverlay != PIXEL_FORMAT_YUVA444)
        return;
    // Chroma position shift and step of each target layout.
    int nShiftX, nShiftY;
    bool bMergeAlpha = false;
    switch (nTarget) {
    case PIXEL_FORMAT_YUV420P:
    case PIXEL_FORMAT_YUVJ420P: nShiftX = 1, nShiftY = 1; break;
    case PIXEL_FORMAT_YUVA420P: nShiftX = 1, nShiftY = 1, bMergeAlpha = true; break;
    case PIXEL_FORMAT_YUV422P:
    case PIXEL_FORMAT_YUVJ422P: nShiftX = 1, nShiftY = 0; break;
    case PIXEL_FORMAT_YUV444P: nShiftX = 0, nShiftY = 0; break;
    case PIXEL_FORMAT_YUVA444: nShiftX = 0, nShiftY = 0, bMergeAlpha = true; break;
    case PIXEL_FORMAT_YUV410P: nShiftX = 2, nShiftY = 2; break;
    case PIXEL_FORMAT_YUV411P: nShiftX = 2, nShiftY = 0; break;
    default: return;
    }
    DrawPlane(pOverlay, pTarget, 0, x, y, 1, 1);
    int cx = FloorShift(x, nShiftX), cy = FloorShift(y, nShiftY);
    DrawPlane(pOverlay, pTarget, 1, cx, cy, 1 << nShiftX, 1 << nShiftY);
    DrawPlane(pOverlay, pTarget, 2, cx, cy, 1 << nShiftX, 1 << nShiftY);
    if (bMergeAlpha)
        MergeAlphaPlane(pOverlay, pTarget, x, y);
}

// ---------------------------------------------------------------------------
// The drawer

CFrameDrawer::CFrameDrawer(unsigned short nWidth, unsigned short nHeight)
{
    bool bFixed = nWidth != 0xFFFF && nHeight != 0xFFFF;
    unsigned w = bFixed ? nWidth : 0;
    unsigned h = bFixed ? nHeight : 0;
    std::unique_ptr<CMKImgCvt> pOwn;
    if (bFixed)
        pOwn.reset(new CMKImgCvt(nWidth, nHeight));
    m_pTo299 = CreateImageConverterEx(PIXEL_FORMAT_YUVA444, w, h, 0);
    m_pTo30 = CreateImageConverterEx(PIXEL_FORMAT_RGBA32, w, h, 0);
    m_pOwnConverter = pOwn.release();
}

CFrameDrawer::~CFrameDrawer()
{
    if (m_pTo299)
        m_pTo299->Release();
    if (m_pTo30)
        m_pTo30->Release();
    delete m_pOwnConverter;
}

void CFrameDrawer::AttachFrame(IRawVideoFrame* pPicture)
{
    if (!pPicture)
        return;
    unsigned nFormat = pPicture->GetPixelFormat();
    if (m_nMode == 0) {
        bool bRgb = nFormat == PIXEL_FORMAT_RGB24 || nFormat == PIXEL_FORMAT_BGR24 ||
                    (nFormat >= PIXEL_FORMAT_ARGB && nFormat <= PIXEL_FORMAT_RGBA32) ||
                    (nFormat >= PIXEL_FORMAT_RGB565BE && nFormat <= PIXEL_FORMAT_BGR555LE);
        m_nMode = bRgb ? 2 : 1;
    }
    if (m_nMode == 1) {
        if (nFormat == PIXEL_FORMAT_RGBA32 && m_pOwnConverter)
            m_pYUVA444 = m_pOwnConverter->Convert(pPicture);
        else
            m_pYUVA444 = m_pTo299 ? m_pTo299->Convert(pPicture) : nullptr;
        m_pRGBA32 = nullptr;
    } else {
        m_pRGBA32 = m_pTo30 ? m_pTo30->Convert(pPicture) : nullptr;
        m_pYUVA444 = nullptr;
    }
}

IRawVideoFrame* CFrameDrawer::GetRGBA32Frame()
{
    if (m_nMode == 1) {
        m_nMode = 2;
        if (!m_pRGBA32 && m_pYUVA444 && m_pTo30)
            m_pRGBA32 = m_pTo30->Convert(m_pYUVA444);
    }
    return m_nMode == 2 ? m_pRGBA32 : nullptr;
}

IRawVideoFrame* CFrameDrawer::GetYUVA444Frame()
{
    if (m_nMode == 2) {
        m_nMode = 1;
        if (!m_pYUVA444 && m_pRGBA32 && m_pTo299)
            m_pYUVA444 = m_pTo299->Convert(m_pRGBA32);
    }
    return m_nMode == 1 ? m_pYUVA444 : nullptr;
}

void CFrameDrawer::ClearFrame()
{
    m_pRGBA32 = nullptr;
    m_pYUVA444 = nullptr;
}

// ---------------------------------------------------------------------------
// The own converter

CMKImgCvt::CMKImgCvt(int nWidth, int nHeight) : m_nWidth(nWidth), m_nHeight(nHeight)
{
    if (nWidth <= 0 || nHeight <= 0)
        QB_THROW(QB_ERR_BAD_PARAM, "Bad param");
    std::unique_ptr<CRawVideoFrame> pFrame(new CRawVideoFrame(
        false, PIXEL_FORMAT_YUVA444, static_cast<unsigned>(nWidth), static_cast<unsigned>(nHeight), true));
    size_t nBytes = static_cast<size_t>(nWidth) * static_cast<size_t>(nHeight);
    for (int i = 0; i < 4; ++i) {
        m_planes[i] = AllocPlane(nBytes);
        if (!m_planes[i]) {
            for (int k = 0; k < i; ++k)
                std::free(m_planes[k]);
            throw CBaseException(QB_ERR_NO_MEMORY, "No enough memory", __LINE__, "res_keeper");
        }
        RawVideoPlane& plane = pFrame->GetBuffer(static_cast<unsigned>(i));
        plane.data = m_planes[i];
        plane.pitch = static_cast<uint32_t>(nWidth);
        plane.lineBytes = static_cast<uint32_t>(nWidth);
        plane.rows = static_cast<uint32_t>(nHeight);
    }
    m_pFrame = pFrame.release();
}

CMKImgCvt::~CMKImgCvt()
{
    delete m_pFrame;
    for (unsigned char* p : m_planes)
        std::free(p);
}

IRawVideoFrame* CMKImgCvt::Convert(IRawVideoFrame* pPicture)
{
    if (!pPicture)
        return nullptr;
    unsigned nPw = 0, nPh = 0, nLine = 0, nPitch = 0, nRows = 0;
    pPicture->GetDimension(&nPw, &nPh);
    const unsigned char* pSrc = pPicture->GetBuffer(0, &nLine, &nPitch, &nRows);
    // Only what the plane really holds is read.
    if (nPw > nLine / 4)
        nPw = nLine / 4;
    if (nPh > nRows)
        nPh = nRows;
    if (!pSrc || nPw == 0 || nPh == 0 || nPitch < nLine)
        return nullptr;
    const double dRowStep = static_cast<double>(nPh) / m_nHeight;
    const double dColStep = static_cast<double>(nPw) / m_nWidth;
    for (int r = 0; r < m_nHeight; ++r) {
        unsigned nSrcRow = static_cast<unsigned>(r * dRowStep);
        if (nSrcRow >= nPh)
            nSrcRow = nPh - 1;
        const unsigned char* pLine = pSrc + static_cast<size_t>(nSrcRow) * nPitch;
        size_t nOut = static_cast<size_t>(r) * static_cast<size_t>(m_nWidth);
        double dCol = 0.0;
        for (int c = 0; c < m_nWidth; ++c, dCol += dColStep) {
            unsigned nSrcCol = static_cast<unsigned>(dCol);
            if (nSrcCol >= nPw)
                nSrcCol = nPw - 1;
            const unsigned char* px = pLine + 4 * static_cast<size_t>(nSrcCol);
            int B = px[0], G = px[1], R = px[2];
            m_planes[0][nOut + c] = static_cast<unsigned char>(((66 * R + 129 * G + 25 * B + 128) >> 8) + 16);
            m_planes[1][nOut + c] = static_cast<unsigned char>(((-38 * R - 74 * G + 112 * B + 128) >> 8) + 128);
            m_planes[2][nOut + c] = static_cast<unsigned char>(((112 * R - 94 * G - 18 * B + 128) >> 8) + 128);
            // The picture's own alpha: a transparent overlay stays transparent.
            m_planes[3][nOut + c] = px[3];
        }
    }
    m_pFrame->SetInterlaced(pPicture->IsInterlaced());
    m_pFrame->SetTimeStamp(pPicture->GetTimeStamp());
    m_pFrame->SetTopDown(pPicture->IsTopDown());
    return m_pFrame;
}

} // namespace Moorland
