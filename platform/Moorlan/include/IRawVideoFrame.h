#pragma once

// One uncompressed picture as it travels between decoders, effect chains,
// converters, encoders and players.

namespace Moorland {

class IRawVideoFrame
{
public:
    virtual unsigned GetPixelFormat() = 0;
    // Width and height less the crop; a null pointer is skipped.
    virtual void GetDimension(unsigned* width, unsigned* height) = 0;
    // Milliseconds.
    virtual int GetTimeStamp() = 0;
    virtual void SetTimeStamp(int timeStamp) = 0;
    // True when the top line is stored first.
    virtual bool IsTopDown() = 0;
    // True for one interleaved plane.
    virtual bool IsPacked() = 0;
    virtual unsigned GetBufferCount() = 0;
    // Sum over planes of pitch x rows.
    virtual unsigned GetTotalSize() = 0;
    // The plane's first visible byte with the crop applied, its visible line
    // bytes, pitch and rows; null (nothing written) for an index past the planes.
    virtual unsigned char* GetBuffer(unsigned index, unsigned* lineBytes, unsigned* pitch, unsigned* rows) = 0;
    virtual double GetDAR() = 0;
    virtual bool CropRightAndBottom(unsigned right, unsigned bottom) = 0;
    // Releases the frame when it belongs to whoever holds it; else nothing.
    virtual void Free() = 0;
    virtual unsigned GetDuration() = 0;
    virtual void SetDuration(unsigned duration) = 0;
    // How many times the picture is shown in a row.
    virtual unsigned GetDuplicatedCount(unsigned* second) = 0;
    virtual void SetDuplicatedCount(unsigned count, unsigned second) = 0;
    // A deep copy that the caller releases with Free.
    virtual IRawVideoFrame* Clone() = 0;
    virtual bool CanBeModified() = 0;
    virtual void SetCanBeModified(bool canBeModified) = 0;
    virtual bool IsInterlaced() = 0;
    virtual void SetInterlaced(bool interlaced) = 0;
    virtual bool IsTopFieldFirst() = 0;
    virtual void SetTopFieldFirst(bool topFieldFirst) = 0;
    // Keeps a copy of size bytes; null data keeps what is held.
    virtual void SetBorderData(void* data, int size) = 0;
    // The held bytes stay the frame's.
    virtual void GetBorderData(void** data, int* size) = 0;
    // "RawVideoInterfaceRawVideo", "RawVideoInterfaceMVC", "ISubSetRawFrame".
    virtual void* GetInterface(char const* name) = 0;

protected:
    ~IRawVideoFrame() = default;
};

// The view number of a stereo picture.
class IMVCRawVideoFrame
{
public:
    virtual bool SetViewID(int viewID) = 0;
    virtual int GetViewID() = 0;

protected:
    ~IMVCRawVideoFrame() = default;
};

// A picture whose pixels are counted references: it hands on a second
// picture holding the same pixels, without copying them.
class ISharedRawVideoFrame
{
public:
    // A new picture with the same pixels, time and attributes, which its
    // holder releases with Free. The pixels are read-only for both: the
    // share cannot be modified until SetCanBeModified(true) gives it its own
    // copy, and this picture's maker never writes into pixels still shared.
    virtual IRawVideoFrame* Share() = 0;

protected:
    ~ISharedRawVideoFrame() = default;
};

} // namespace Moorland

#define RAWVIDEO_INTERFACE_RAWVIDEO "RawVideoInterfaceRawVideo"
#define RAWVIDEO_INTERFACE_MVC "RawVideoInterfaceMVC"
#define RAWVIDEO_INTERFACE_SUBSET "ISubSetRawFrame"
#define RAWVIDEO_INTERFACE_SHARED "ISharedRawVideoFrame"

namespace Moorland {

// A picture to keep beyond its maker's next step: shared when it can be,
// else a deep copy (failing as the picture's Clone fails); released with Free.
inline IRawVideoFrame* ShareOrClone(IRawVideoFrame* frame)
{
    if (!frame)
        return nullptr;
    if (auto* shared = static_cast<ISharedRawVideoFrame*>(frame->GetInterface(RAWVIDEO_INTERFACE_SHARED)))
        return shared->Share();
    return frame->Clone();
}

} // namespace Moorland
