#pragma once

// Turns one decoded video frame into a picture of a requested size: a QImage
// for thumbnails and snapshots, or an image file. The frame is read from a
// playable source at a time point, or handed in directly (the frame a player
// shows). The grabber owns neither the source nor the frame.

#include "idcdataitem.h"

#include <QImage>

namespace Moorland {
class IAVSource;
class IRawVideoFrame;
} // namespace Moorland

// Image file formats of snapshots and frame grabs.
enum DCImageFormatType : int32_t {
    DCImageBMP = 0,
    DCImageGIF = 1,
    DCImageJPG = 2,
    DCImageJPEG = 3,
    DCImageMNG = 4,
    DCImagePNG = 5,
    DCImagePBM = 6,
    DCImagePGM = 7,
    DCImagePPM = 8,
    DCImageTIFF = 9,
    DCImageXBM = 10,
    DCImageXPM = 11,
    DCImageSVG = 12,
    DCImageTGA = 13,
};

// The writer's name of a format ("JPEG" for 3, "JPG" for 2); null when unknown.
const char* DCImageFormatName(DCImageFormatType format);

// Pixels of layout 30 (one 0xAARRGGBB word a pixel) into a picture; the alpha
// is dropped. A bottom-up buffer (bTopDown false) comes out upright. `size` is
// not used.
void RawFrameSaveToImage(void* data, bool bTopDown, unsigned int size, unsigned int width, unsigned int height,
                         unsigned int pitch, QImage& image);
void RawFrameSaveToImage(void* data, bool bTopDown, unsigned int size, unsigned int width, unsigned int height,
                         unsigned int pitch, QImage& image, rect_t crop);
// Throws 10021013 when the format cannot be written or the write fails.
void RawFrameSaveToFile(void* data, bool bTopDown, unsigned int size, unsigned int width, unsigned int height,
                        unsigned int pitch, const char* path, DCImageFormatType format);
void RawFrameSaveToFile(void* data, bool bTopDown, unsigned int size, unsigned int width, unsigned int height,
                        unsigned int pitch, const char* path, DCImageFormatType format, rect_t crop);

// Seeks the source and reads until a video frame comes, at most 100 reads.
// The frame stays the source's. Throws the recorded error when the source
// fails, 10021003 "Bad pointer" when no frame comes.
Moorland::IRawVideoFrame* DCReadVideoFrameAt(Moorland::IAVSource* source, unsigned int timeMs);

class CDCMoorlanGrapPic
{
public:
    // Seeks the source and reads the frame at timeMs, deinterlaced when asked.
    // Throws 10021003 for a null source or when no frame comes in 100 reads.
    CDCMoorlanGrapPic(Moorland::IAVSource* source, unsigned int timeMs, bool bDeinterlace);
    // Reads no frame: SetGrapTimePoint must succeed before a grab.
    CDCMoorlanGrapPic(Moorland::IAVSource* source, bool bDeinterlace);
    explicit CDCMoorlanGrapPic(Moorland::IRawVideoFrame* frame);
    ~CDCMoorlanGrapPic();

    CDCMoorlanGrapPic(const CDCMoorlanGrapPic&) = delete;
    CDCMoorlanGrapPic& operator=(const CDCMoorlanGrapPic&) = delete;

    // False with the reason recorded.
    bool SetGrapTimePoint(unsigned int timeMs);
    // -1 for a width or height keeps the frame's own. A null image on failure.
    QImage grapPic(int width, int height);
    QImage grapPic(rect_t crop, int width, int height);
    // True once the file has been written; false with the reason recorded
    // (10021013 when the format cannot be written or the write fails).
    bool grapPicAndSaveTo(const char* path, DCImageFormatType format, int width, int height);
    bool grapPicAndSaveTo(const char* path, DCImageFormatType format, rect_t crop, int width, int height);

private:
    void ReadFrameAt(unsigned int timeMs, bool bDeinterlace);
    template <typename Sink> void Grab(int width, int height, Sink&& sink);

    Moorland::IAVSource* m_source = nullptr;
    unsigned int m_timePoint = 0;
    Moorland::IRawVideoFrame* m_frame = nullptr;
    bool m_deinterlace = false;
    // A copy made when a source's frame had to be deinterlaced but could not
    // be changed in place; the grabber's own.
    Moorland::IRawVideoFrame* m_ownFrame = nullptr;
};
