#pragma once

// Alpha-composites an overlay picture onto video frames at a pixel position,
// clipped at the frame edges. The overlay is kept in one of two working
// layouts, 30 ("RGBA32", bytes B, G, R, A) or 299 ("YUVA444", planes Y, U,
// V, A), so that each drawn frame only blends and never converts.

#include "CRawVideoFrame.h"
#include "IImageConverter.h"
#include "IRawVideoFrame.h"

namespace Moorland {

// Turns a 32-bit picture (bytes B, G, R, A) into a YUVA444 frame of a fixed
// size, sampling the nearest source pixel; the alpha plane takes the
// picture's own alpha.
class CMKImgCvt
{
public:
    // Throws 10021007 "No enough memory" when the planes cannot be had.
    CMKImgCvt(int nWidth, int nHeight);
    ~CMKImgCvt();
    CMKImgCvt(const CMKImgCvt&) = delete;
    CMKImgCvt& operator=(const CMKImgCvt&) = delete;

    // The converter's own frame, refilled from the picture; null for a
    // picture without a readable 32-bit plane.
    IRawVideoFrame* Convert(IRawVideoFrame* pPicture);

private:
    CRawVideoFrame* m_pFrame = nullptr;
    int m_nWidth;
    int m_nHeight;
    unsigned char* m_planes[4] = {};
};

class CFrameDrawer
{
public:
    // 0xFFFF in either size: the overlay keeps each picture's own size.
    CFrameDrawer(unsigned short nWidth, unsigned short nHeight);
    ~CFrameDrawer();
    CFrameDrawer(const CFrameDrawer&) = delete;
    CFrameDrawer& operator=(const CFrameDrawer&) = delete;

    // Converts the picture into the working layout; the picture is not kept.
    void AttachFrame(IRawVideoFrame* pPicture);
    // The overlay in that layout, switching the working layout when needed;
    // null before the first picture. Valid until the next conversion.
    IRawVideoFrame* GetRGBA32Frame();
    IRawVideoFrame* GetYUVA444Frame();
    bool HasFrame() const { return m_pRGBA32 || m_pYUVA444; }
    // Forgets the overlay; the working layout stays.
    void ClearFrame();

    // Blends an overlay of layout 30 or 299 onto the target at (x, y), the
    // overlay's top-left pixel in the target's luma or RGB coordinates. Pairs
    // of layouts it does not know draw nothing.
    static void DrawFrame(short x, short y, IRawVideoFrame* pOverlay, IRawVideoFrame* pTarget);

private:
    IImageConverter* m_pTo299 = nullptr;
    IImageConverter* m_pTo30 = nullptr;
    int m_nMode = 0; // 0 none yet, 1 held as 299, 2 held as 30
    IRawVideoFrame* m_pRGBA32 = nullptr;
    IRawVideoFrame* m_pYUVA444 = nullptr;
    CMKImgCvt* m_pOwnConverter = nullptr;
};

// One 8-bit overlay plane onto one 8-bit target plane, sampled every stepX
// bytes and stepY lines, weighted by the overlay's alpha plane, which is
// read at the same offsets: d = ((255 - a) * d + a * s) >> 8.
void draw_component(unsigned char* dst, int dstPitch, int dstWidth, int dstRows, bool dstTopDown, unsigned char* src,
                    int srcPitch, int srcWidth, int srcRows, bool srcTopDown, int stepX, int stepY,
                    unsigned char* alpha, int x, int y);
// A 32-bit overlay onto a 32-bit target; widths in pixels. The target's alpha
// becomes dA + a - dA * a / 255.
void draw_rgba32_to_rgba32(unsigned char* dst, int dstPitch, int dstWidth, int dstRows, bool dstTopDown,
                           unsigned char* src, int srcPitch, int srcWidth, int srcRows, bool srcTopDown, int x, int y);
// A 32-bit overlay onto a 24-bit target; bSwap takes overlay bytes 2, 1, 0
// into target bytes 0, 1, 2 (an R, G, B target).
void draw_rgba32_to_rgb24(unsigned char* dst, int dstPitch, int dstWidth, int dstRows, bool dstTopDown,
                          unsigned char* src, int srcPitch, int srcWidth, int srcRows, bool srcTopDown, int x, int y,
                          bool bSwap);
// An overlay alpha plane into a target alpha plane: d = d + s - d * s / 255.
void composite_alpha_component(unsigned char* dst, int dstPitch, int dstWidth, int dstRows, bool dstTopDown,
                               unsigned char* src, int srcPitch, int srcWidth, int srcRows, bool srcTopDown, int x,
                               int y);

} // namespace Moorland
