#pragma once

// Fits a source's pictures to one fixed output picture: each is scaled with
// its shape kept (black bars fill the rest) and placed on a constant frame
// rate. A picture shown longer than one output frame is repeated; a picture
// that falls on a frame that already has one is left out.

#include "CFFVideoFrame.h"
#include "FFOwners.h"
#include "FFScale.h"

#include <cstdint>
#include <functional>

namespace Solvane {

class CFFPictureFit
{
public:
    using Write = std::function<void(Moorland::IRawVideoFrame*)>;

    // `sampleAspect` is the output's sample shape (0/1 or 1/1 for square).
    CFFPictureFit(int width, int height, AVRational sampleAspect, AVRational frameRate);
    CFFPictureFit(const CFFPictureFit&) = delete;
    CFFPictureFit& operator=(const CFFPictureFit&) = delete;

    // Hands `write` the output pictures up to and including `in`'s frame.
    void Put(Moorland::IRawVideoFrame* in, const Write& write);
    // Repeats the last picture until `endMs` (the source's end).
    void Finish(int64_t endMs, const Write& write);
    // Output frames handed out so far.
    int64_t Frames() const { return m_next; }

private:
    int FrameMs(int64_t index) const;
    void Emit(int64_t index, const Write& write);

    int m_width;
    int m_height;
    AVRational m_sar;
    AVRational m_rate;
    FF::SwsPtr m_sws;
    FF::CScaledCopy m_scaled; // the scaler's own picture, copied into the area
    FF::FramePtr m_picture = FF::MakeFrame();
    CFFVideoFrame m_out{false};
    bool m_started = false;
    int64_t m_firstMs = 0;
    int64_t m_next = 0;
};

} // namespace Solvane
