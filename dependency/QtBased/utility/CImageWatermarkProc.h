#pragma once

// Draws an image file over raw video frames at a position and size through
// the media manager's compositing processor "VideoComposite". The image is
// loaded once per path; later frames only move or resize its layer. Nothing
// happens while disabled or without a path; with no manager or no
// compositor the overlay is skipped and logged once.

#include "IAVManager.h"
#include "IRawVideoFrame.h"
#include "IVideoProcessor.h"

#include <cstdint>
#include <string>

class CImageWatermarkProc
{
public:
    explicit CImageWatermarkProc(Moorland::IAVManager* manager) : m_manager(manager) {}
    ~CImageWatermarkProc();
    CImageWatermarkProc(const CImageWatermarkProc&) = delete;
    CImageWatermarkProc& operator=(const CImageWatermarkProc&) = delete;

    void setEnable(bool on) { m_enabled = on; }
    void setX(int x) { m_x = x; }
    void setY(int y) { m_y = y; }
    void setWidth(int w) { m_width = w; }
    void setHeight(int h) { m_height = h; }
    void setOrigin(int x, int y)
    {
        m_originX = x;
        m_originY = y;
    }
    void setPath(std::string path) { m_path = std::move(path); }

    void ProcFrameInPlace(Moorland::IRawVideoFrame*& frame);
    // The overlaid picture is a new frame written into `frame`; the caller
    // keeps the old pointer and frees both.
    void ProcFrame(Moorland::IRawVideoFrame*& frame);

private:
    void Run(Moorland::IRawVideoFrame*& frame, bool newFrame);

    Moorland::IAVManager* m_manager;
    Moorland::IVideoProcessor* m_composite = nullptr;
    bool m_enabled = false;
    std::string m_path;
    std::string m_loadedPath;
    void* m_layer = nullptr;
    int m_originX = 0, m_originY = 0;
    int m_x = 0, m_y = 0;
    int m_width = 64, m_height = 64;
    uint32_t m_lastTimeStamp = 0;
    bool m_logged = false;
};
