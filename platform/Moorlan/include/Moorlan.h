#pragma once

// The exports of the media base library libMoorlan.so. The factories return
// null on failure with the reason in the calling thread's last-error record.
// The C names are resolved by name by plug-ins that load the library.

#include "IAudioResampler.h"
#include "ICompressedFrame.h"
#include "IImageConverter.h"
#include "IImageDeinterlace.h"
#include "IRawAudioFrame.h"
#include "IRawFrameFiller.h"
#include "IRawVideoFrame.h"
#include "MoorlanDecoders.h"
#include "MoorlanTypes.h"

#include <cstddef>

extern "C" {

// A plain memory copy; the ranges must not overlap.
void MoorlandMemCopy(void* dst, const void* src, size_t count);

// A converter into `dstPixelFormat` that keeps each picture's own size.
Moorland::IImageConverter* CreateImageConverter(unsigned dstPixelFormat);
// A converter into `dstPixelFormat` at width x height (0 x 0 keeps each
// picture's own size). `flag` 1 asks for the smoother scaler, for pictures a
// user looks at closely (thumbnails, snapshots); 0 for the fast one, whose
// samples sit a fraction of a pixel left of the picture's own; 2 for a fast
// one whose samples sit where the picture's do, so that a picture mirrored or
// turned after scaling is the one mirrored or turned before.
Moorland::IImageConverter* CreateImageConverterEx(unsigned dstPixelFormat, unsigned width, unsigned height, int flag);

Moorland::IImageDeinterlace* CreateImageDeinterlace();

// A resampler into `sampleFormat` (a QuentaSampleFormat number), `sampleRate`
// and `channels`. `quality` 0 is the library's default filter, higher values
// a longer one; the other four values are reserved and accepted as passed.
Moorland::IAudioResampler* CreateAudioResampler(int sampleFormat, int sampleRate, int channels, int reserved1,
                                                int reserved2, int quality, int reserved3, int reserved4);

// A suggested video bitrate in kbit/s for a codec name and picture size.
// `code` 0 asks for a small file, 1 for a balanced one, 2 for high quality.
// 0 for a size of 0 or an unknown code.
int MoorlandMapBitrateCode(const char* codecName, int width, int height, int code);

} // extern "C"

namespace Moorland {
IRawVideoFrameFiller* CreateRawVideoFrameFiller();
IRawAudioFrameFiller* CreateRawAudioFrameFiller();
} // namespace Moorland
