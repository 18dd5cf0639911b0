#pragma once

// The frame processors and audio effects the media manager makes by name
// (IAVManager::CreateVideoProcessor, CreateAudioEffect). Parameters are set
// as text with SetParameter and apply to every later frame; a name the
// processor does not know is refused (false). ProcessFrameInPlace changes
// the frame itself (the frame must allow it: CanBeModified); ProcessFrame
// leaves it alone and returns a new frame that the caller releases with
// Free. Failures return false/null with the reason recorded.
//
// Pictures: planar 8-bit YUV of any subsampling, grey, and packed 24- and
// 32-bit RGB in every byte order are worked on directly; other layouts the
// pixel converter knows (packed YUV, 16-bit RGB ...) through a BGRA copy
// written back, except by the quarter turn, which refuses them.
//
// Video processors and their parameters:
// - "brightness_contrast": "brightness", "contrast", "saturation", each
//   -100..100 (0 unchanged). Brightness adds up to +-127 levels; contrast
//   scales around mid-grey by (100 + c) / 100; saturation scales colour
//   difference by (100 + s) / 100 (-100 is grey).
// - "simple_gauss_blur": a 5x5 binomial blur of every channel.
// - "simple_laplacian_sharpen": the 3x3 Laplacian sharpen (centre 5, the
//   four neighbours -1) of brightness (of every colour channel for RGB).
// - "gray": no colour (equal RGB channels; neutral chroma for YUV).
// - "flip_color": red and blue change places (U and V for YUV).
// - "invert": every colour value v becomes 255 - v; alpha stays.
// - "aged_film": sepia tone with faded contrast.
// - "reverse": "mirror" 1 flips left-right, "vertical" 1 flips top-bottom;
//   both together are a half turn.
// - "EffectNameRotate90X": "Rotate90XDerection" 1 turns a quarter
//   anticlockwise (a clip's 90 degrees), 2 a quarter clockwise (270), 0
//   nothing. Width and height change places;
//   turning in place needs a frame answering RAWVIDEO_INTERFACE_RESIZABLE
//   (or a square picture). 4:2:2 pictures come out 4:4:0.
// - "2D_3D_TransForm": "2d_3d_depth" 0..100 (the editor gives 20..100) and
//   "2d_3d_type" 1 red/blue or 2 red/green. Two views are made by shifting
//   the picture depth x width / 1000 pixels in all, half each way; red comes
//   from the left view and blue (type 1) or green (type 2) from the right
//   one, the remaining channel is 0.
// - "VideoComposite": see VideoComposite.h.
//
// Audio effects (16-bit, 32-bit, float and double samples, interleaved or
// planar; time stamps in 100-ns units):
// - "audio_volume": "audio_volume" in percent (100 unchanged, 0 silence).
// - "audio_fader": "fader_start_time" and "fader_duration" in milliseconds
//   of frame time, "fader_start_scale" and "fader_end_scale" gains; the gain
//   is the start scale before the start, the end scale after the end, and
//   goes in a straight line between.
// - "audio_replace": "audio_replace_path" (UTF-8 media file) and
//   "audio_replace_loop" (1 loops). The samples of each frame are replaced
//   by the file's sound from its position on, converted to the frame's
//   layout; SetTimePosition moves in the file; past its end comes silence,
//   or its start again when looping.

#include "IAVManager.h"
#include "IVideoProcessor.h"

namespace Solvane {

// Null (with the reason recorded) for a name that is no processor.
Moorland::IVideoProcessor* CreateNamedVideoProcessor(Moorland::IAVManager* manager, const char* name);
Moorland::IAudioEffect* CreateNamedAudioEffect(Moorland::IAVManager* manager, const char* name);

} // namespace Solvane
