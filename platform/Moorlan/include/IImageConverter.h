#pragma once

#include "IRawVideoFrame.h"

namespace Moorland {

// Converts pictures into one pixel layout and size. The converted frame stays
// the converter's: it is valid until the next conversion or the release, and
// the caller never frees it.
class IImageConverter
{
public:
    // The destination layout; width and height are 0 while the converter keeps
    // each source's own size. Null pointers are skipped.
    virtual unsigned GetDestFormat(unsigned* width, unsigned* height) = 0;
    // Null on failure, with the reason in the calling thread's last-error record.
    virtual IRawVideoFrame* Convert(IRawVideoFrame* frame) = 0;
    virtual void Release() = 0;

protected:
    ~IImageConverter() = default;
};

} // namespace Moorland
