#pragma once

// Owners for the media layer's objects and frames made over a test's own
// memory, shared by the media layer's tests and the memory check's helper
// (which is built without the test framework: nothing here needs it).

#include "IRawFrameFiller.h"
#include "IRawVideoFrame.h"
#include "Moorlan.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace SolvaneTest {

// Deleter of the layer's objects that end with Release().
struct Released
{
    template <typename T> void operator()(T* p) const
    {
        if (p)
            p->Release();
    }
};
template <typename T> using Owned = std::unique_ptr<T, Released>;

// Deleter of frames the layer hands over for the caller to free.
struct Freed
{
    void operator()(Moorland::IRawVideoFrame* f) const
    {
        if (f)
            f->Free();
    }
};
using FramePtr = std::unique_ptr<Moorland::IRawVideoFrame, Freed>;

// One plane of a frame, top line first, as bytes.
struct PlaneView
{
    const uint8_t* data = nullptr;
    unsigned pitch = 0, rows = 0, bytes = 0;
};

inline PlaneView Plane(Moorland::IRawVideoFrame* f, unsigned i)
{
    PlaneView p;
    p.data = f->GetBuffer(i, &p.bytes, &p.pitch, &p.rows);
    return p;
}

// A 4:2:0 picture in memory of the test's own whose rows end at its last
// pixel (the tightest memory a caller may hand the layer: whatever is
// written past a row lands in the next one, or past the block), seen as a
// frame through the layer's filler. The frame may be changed in place.
class TightPicture
{
public:
    TightPicture(unsigned width, unsigned height)
        : m_width(width), m_height(height), m_chromaWidth((width + 1) / 2), m_chromaHeight((height + 1) / 2)
    {
        m_planes[0].assign(static_cast<size_t>(width) * height, 16);
        m_planes[1].assign(static_cast<size_t>(m_chromaWidth) * m_chromaHeight, 128);
        m_planes[2].assign(m_planes[1].size(), 128);
    }

    // Every pixel one colour.
    void Fill(uint8_t y, uint8_t u, uint8_t v)
    {
        std::fill(m_planes[0].begin(), m_planes[0].end(), y);
        std::fill(m_planes[1].begin(), m_planes[1].end(), u);
        std::fill(m_planes[2].begin(), m_planes[2].end(), v);
    }

    // The pixels of a 4:2:0 frame of the same size (false for another).
    bool CopyFrom(Moorland::IRawVideoFrame* frame)
    {
        unsigned w = 0, h = 0;
        frame->GetDimension(&w, &h);
        if (frame->GetPixelFormat() != Moorland::PIXEL_FORMAT_YUV420P || w != m_width || h != m_height)
            return false;
        for (unsigned i = 0; i < 3; ++i) {
            const PlaneView p = Plane(frame, i);
            const unsigned line = Pitch(i), lines = i ? m_chromaHeight : m_height;
            for (unsigned r = 0; r < lines && r < p.rows; ++r)
                std::memcpy(Data(i) + static_cast<size_t>(r) * line, p.data + static_cast<size_t>(r) * p.pitch,
                            std::min(line, p.bytes));
        }
        return true;
    }

    uint8_t* Data(unsigned plane) { return m_planes[plane].data(); }
    unsigned Pitch(unsigned plane) const { return plane ? m_chromaWidth : m_width; }

    // The frame over the memory: the filler's, valid while this lives.
    Moorland::IRawVideoFrame* Frame()
    {
        if (!m_filler) {
            m_filler.reset(Moorland::CreateRawVideoFrameFiller());
            if (!m_filler)
                return nullptr;
        }
        m_filler->SetFormat(Moorland::PIXEL_FORMAT_YUV420P, m_width, m_height, 1);
        for (unsigned i = 0; i < 3; ++i)
            m_filler->SetPlane(i, Data(i), Pitch(i));
        Moorland::IRawVideoFrame* frame = m_filler->GetFrame();
        if (frame)
            frame->SetCanBeModified(true);
        return frame;
    }

private:
    unsigned m_width, m_height, m_chromaWidth, m_chromaHeight;
    std::vector<uint8_t> m_planes[3];
    Owned<Moorland::IRawVideoFrameFiller> m_filler;
};

// A frame over part of another's planes, from (left, top) on and width x
// height large: a crop as a view, no pixel copied. Both left and top even.
class CropView
{
public:
    Moorland::IRawVideoFrame* Over(Moorland::IRawVideoFrame* frame, unsigned left, unsigned top, unsigned width,
                                   unsigned height)
    {
        if (!m_filler) {
            m_filler.reset(Moorland::CreateRawVideoFrameFiller());
            if (!m_filler)
                return nullptr;
        }
        m_filler->SetFormat(Moorland::PIXEL_FORMAT_YUV420P, width, height, 1);
        for (unsigned i = 0; i < 3; ++i) {
            const PlaneView p = Plane(frame, i);
            const unsigned x = i ? left / 2 : left, y = i ? top / 2 : top;
            m_filler->SetPlane(i, const_cast<uint8_t*>(p.data) + static_cast<size_t>(y) * p.pitch + x, p.pitch);
        }
        return m_filler->GetFrame();
    }

private:
    Owned<Moorland::IRawVideoFrameFiller> m_filler;
};

} // namespace SolvaneTest
