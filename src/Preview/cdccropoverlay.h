#pragma once

// The crop rectangle drawn over the picture: the parts cut away shaded, the
// rectangle in dashes and its eight handles.

#include "sysutils_string.h"            // rect_t
#include "utility/CTextWatermarkProc.h" // color_t

namespace Moorland {
class IVideoDriver;
}

// `crop` and `drawRect` in window pixels; `drawRect` is where the picture is.
void DCDrawCropOverlay(Moorland::IVideoDriver* driver, QuentaBased::rect_t crop, const QuentaBased::rect_t& drawRect,
                       const color_t& colour);
