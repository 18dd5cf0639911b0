#include "cdcmoorlangrappic.h"

#include "Basilvo/Basilvo.h"
#include "CBaseException.h"
#include "IAVSource.h"
#include "Moorlan.h"

#include <QImageWriter>

#include <cstring>
#include <memory>
#include <vector>

namespace {

const char kFormatNames[14][5] = {"BMP", "GIF", "JPG",  "JPEG", "MNG", "PNG", "PBM",
                                  "PGM", "PPM", "TIFF", "XBM",  "XPM", "SVG", "TGA"};

// The thread's recorded error when a library call left one, else a plain one.
[[noreturn]] void ThrowLibraryError(const char* what)
{
    if (GetQuentaException()->GetExceptionCode() != 0)
        QuentaBased::ThrowLastError();
    QB_THROW(QB_ERR_UNEXPECTED, what);
}

QImage PictureOf(void* data, bool bTopDown, unsigned int width, unsigned int height, unsigned int pitch)
{
    if (!data || width == 0 || height == 0)
        QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
    if (pitch < width * 4u)
        QB_THROW(QB_ERR_BAD_PARAM, "Bad param");
    // Only the visible bytes of each row are taken, at the frame's own pitch.
    std::vector<unsigned char> buffer(static_cast<size_t>(pitch) * height);
    const auto* src = static_cast<const unsigned char*>(data);
    for (unsigned int row = 0; row < height; ++row)
        memcpy(&buffer[static_cast<size_t>(row) * pitch], src + static_cast<size_t>(row) * pitch, width * 4u);
    QImage view(buffer.data(), static_cast<int>(width), static_cast<int>(height), static_cast<int>(pitch),
                QImage::Format_ARGB32);
    QImage picture = view.convertToFormat(QImage::Format_RGB32);
    if (picture.isNull())
        QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
    if (!bTopDown)
        picture = picture.mirrored(false, true);
    return picture;
}

QImage CutTo(const QImage& picture, rect_t crop)
{
    const int x = static_cast<int>(crop.left);
    const int y = static_cast<int>(crop.top);
    const int w = static_cast<int>(crop.right - crop.left);
    const int h = static_cast<int>(crop.bottom - crop.top);
    // Parts outside the picture come out black.
    QImage cut = picture.copy(x, y, w, h);
    return cut;
}

void SavePicture(const QImage& picture, const char* path, DCImageFormatType format)
{
    if (!path)
        QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
    const char* name = DCImageFormatName(format);
    if (!name)
        QB_THROW(QB_ERR_BAD_PARAM, "Bad param");
    const QByteArray wanted = QByteArray(name).toLower();
    if (!QImageWriter::supportedImageFormats().contains(wanted))
        QB_THROW(QB_ERR_FILE_IO, std::string("Pictures cannot be written as ") + name);
    if (!picture.save(QString::fromUtf8(path), name, -1))
        QB_THROW(QB_ERR_FILE_IO, std::string("The picture could not be written to ") + path);
}

} // namespace

const char* DCImageFormatName(DCImageFormatType format)
{
    if (format < 0 || format > 13)
        return nullptr;
    return kFormatNames[format];
}

void RawFrameSaveToImage(void* data, bool bTopDown, unsigned int, unsigned int width, unsigned int height,
                         unsigned int pitch, QImage& image)
{
    image = PictureOf(data, bTopDown, width, height, pitch);
}

void RawFrameSaveToImage(void* data, bool bTopDown, unsigned int, unsigned int width, unsigned int height,
                         unsigned int pitch, QImage& image, rect_t crop)
{
    image = CutTo(PictureOf(data, bTopDown, width, height, pitch), crop);
}

void RawFrameSaveToFile(void* data, bool bTopDown, unsigned int, unsigned int width, unsigned int height,
                        unsigned int pitch, const char* path, DCImageFormatType format)
{
    SavePicture(PictureOf(data, bTopDown, width, height, pitch), path, format);
}

void RawFrameSaveToFile(void* data, bool bTopDown, unsigned int, unsigned int width, unsigned int height,
                        unsigned int pitch, const char* path, DCImageFormatType format, rect_t crop)
{
    SavePicture(CutTo(PictureOf(data, bTopDown, width, height, pitch), crop), path, format);
}

// -------------------------------------------------------------- the grabber

Moorland::IRawVideoFrame* DCReadVideoFrameAt(Moorland::IAVSource* source, unsigned int timeMs)
{
    if (!source)
        QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
    GetQuentaException()->Clear();
    if (!source->Seek(timeMs) && GetQuentaException()->GetExceptionCode() != 0)
        QuentaBased::ThrowLastError();
    Moorland::IRawVideoFrame* frame = nullptr;
    for (int attempt = 0; attempt < 100 && !frame; ++attempt) {
        GetQuentaException()->Clear();
        void* other = nullptr;
        Moorland::IRawAudioFrame* audio = nullptr;
        if (!source->ReadFrames(&audio, &frame, &other, Moorland::AVReadVideoOnly)) {
            // The end of the source is no failure of its own, but leaves no frame.
            if (GetQuentaException()->GetExceptionCode() != 0)
                QuentaBased::ThrowLastError();
            frame = nullptr;
            break;
        }
    }
    if (!frame)
        QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
    return frame;
}

CDCMoorlanGrapPic::CDCMoorlanGrapPic(Moorland::IAVSource* source, unsigned int timeMs, bool bDeinterlace)
    : m_source(source)
{
    if (!source)
        QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
    ReadFrameAt(timeMs, bDeinterlace);
}

CDCMoorlanGrapPic::CDCMoorlanGrapPic(Moorland::IAVSource* source, bool bDeinterlace)
    : m_source(source), m_deinterlace(bDeinterlace)
{
    if (!source)
        QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
}

CDCMoorlanGrapPic::CDCMoorlanGrapPic(Moorland::IRawVideoFrame* frame) : m_frame(frame)
{
    if (!frame)
        QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
}

CDCMoorlanGrapPic::~CDCMoorlanGrapPic()
{
    if (m_ownFrame)
        m_ownFrame->Free();
}

void CDCMoorlanGrapPic::ReadFrameAt(unsigned int timeMs, bool bDeinterlace)
{
    if (!m_source)
        QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
    m_timePoint = timeMs;
    m_frame = nullptr;
    if (m_ownFrame) {
        m_ownFrame->Free();
        m_ownFrame = nullptr;
    }
    Moorland::IRawVideoFrame* frame = DCReadVideoFrameAt(m_source, timeMs);
    if (bDeinterlace) {
        GetQuentaException()->Clear();
        Moorland::IImageDeinterlace* deinterlacer = CreateImageDeinterlace();
        if (!deinterlacer)
            ThrowLibraryError("No deinterlacer could be made");
        struct Release
        {
            void operator()(Moorland::IImageDeinterlace* d) const { d->Release(); }
        };
        std::unique_ptr<Moorland::IImageDeinterlace, Release> guard(deinterlacer);
        if (!frame->CanBeModified()) {
            m_ownFrame = frame->Clone();
            if (!m_ownFrame)
                ThrowLibraryError("The frame could not be copied");
            frame = m_ownFrame;
        }
        if (!deinterlacer->DeinterlaceInPlace(frame))
            ThrowLibraryError("The frame could not be deinterlaced");
    }
    m_frame = frame;
}

bool CDCMoorlanGrapPic::SetGrapTimePoint(unsigned int timeMs)
{
    return QB_GUARDED(false, {
        ReadFrameAt(timeMs, m_deinterlace);
        return true;
    });
}

template <typename Sink> void CDCMoorlanGrapPic::Grab(int width, int height, Sink&& sink)
{
    GetQuentaException()->Clear();
    if (!m_frame)
        QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
    unsigned int frameW = 0, frameH = 0;
    m_frame->GetDimension(&frameW, &frameH);
    const unsigned int w = width == -1 ? frameW : static_cast<unsigned int>(width);
    const unsigned int h = height == -1 ? frameH : static_cast<unsigned int>(height);
    if (width < -1 || height < -1 || w == 0 || h == 0)
        QB_THROW(QB_ERR_BAD_PARAM, "Bad param");

    struct Release
    {
        void operator()(Moorland::IImageConverter* c) const { c->Release(); }
    };
    std::unique_ptr<Moorland::IImageConverter, Release> converter;
    Moorland::IRawVideoFrame* frame = m_frame;
    if (frame->GetPixelFormat() != Moorland::PIXEL_FORMAT_RGBA32 || w != frameW || h != frameH) {
        converter.reset(CreateImageConverterEx(Moorland::PIXEL_FORMAT_RGBA32, w, h, 1));
        if (!converter)
            ThrowLibraryError("No image converter could be made");
        frame = converter->Convert(frame);
        if (!frame)
            ThrowLibraryError("The frame could not be converted");
    }
    unsigned int lineBytes = 0, pitch = 0, rows = 0;
    unsigned char* data = frame->GetBuffer(0, &lineBytes, &pitch, &rows);
    if (!data)
        QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
    // The flag of the buffer handed on: a converted frame has its own.
    sink(data, frame->IsTopDown(), frame->GetTotalSize(), w, h, pitch);
}

QImage CDCMoorlanGrapPic::grapPic(int width, int height)
{
    return QB_GUARDED(QImage(), {
        QImage image;
        Grab(width, height, [&](void* d, bool td, unsigned s, unsigned w, unsigned h, unsigned p) {
            RawFrameSaveToImage(d, td, s, w, h, p, image);
        });
        return image;
    });
}

QImage CDCMoorlanGrapPic::grapPic(rect_t crop, int width, int height)
{
    return QB_GUARDED(QImage(), {
        QImage image;
        Grab(width, height, [&](void* d, bool td, unsigned s, unsigned w, unsigned h, unsigned p) {
            RawFrameSaveToImage(d, td, s, w, h, p, image, crop);
        });
        return image;
    });
}

bool CDCMoorlanGrapPic::grapPicAndSaveTo(const char* path, DCImageFormatType format, int width, int height)
{
    return QB_GUARDED(false, {
        if (!path)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        Grab(width, height, [&](void* d, bool td, unsigned s, unsigned w, unsigned h, unsigned p) {
            RawFrameSaveToFile(d, td, s, w, h, p, path, format);
        });
        return true;
    });
}

bool CDCMoorlanGrapPic::grapPicAndSaveTo(const char* path, DCImageFormatType format, rect_t crop, int width, int height)
{
    return QB_GUARDED(false, {
        if (!path)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        Grab(width, height, [&](void* d, bool td, unsigned s, unsigned w, unsigned h, unsigned p) {
            RawFrameSaveToFile(d, td, s, w, h, p, path, format, crop);
        });
        return true;
    });
}
