#pragma once

// The engine's video driver: draws into a back buffer and presents it to a
// window (a queued call that never waits) or into an image.

#include "IVideoDriver.h"

#include <QImage>
#include <QPointer>

namespace Pellino {

class CVideoDriver final : public Moorland::IVideoDriver
{
public:
    explicit CVideoDriver(const Moorland::VideoDriverDesc& desc);
    CVideoDriver(const CVideoDriver&) = delete;
    CVideoDriver& operator=(const CVideoDriver&) = delete;

    void Release() override { delete this; }
    void SetDstRect(const Moorland::VideoDriverRect* rect) override;
    void Clear() override;
    void FillRect(const Moorland::VideoDriverRect* rect, const Moorland::VideoDriverColor* color) override;
    bool DrawFrame(Moorland::IRawVideoFrame* frame, const Moorland::VideoDriverRect* src,
                   const Moorland::VideoDriverRect* dst) override;
    void Present() override;
    void DrawLine(const Moorland::VideoDriverPoint* from, const Moorland::VideoDriverPoint* to,
                  const Moorland::VideoDriverColor* color, uint16_t pattern, uint16_t factor) override;

private:
    ~CVideoDriver() = default;

    Moorland::VideoDriverDesc m_desc;
    QPointer<QObject> m_window;
    Moorland::VideoDriverRect m_dst{0, 0, 0, 0};
    QImage m_back;
};

} // namespace Pellino
