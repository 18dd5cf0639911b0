#pragma once

// The frame rate a conversion writes for a source's stated rate. A
// variable-rate source (a phone's recording) states its average, such as
// 59.998 or 54.97, which encoders and containers refuse or keep badly; it is
// written at the standard rate nearest to it. A rate within 0.1 % of a
// standard one is that rate, any other whole rate is kept.

namespace Moorland {

// 0 or less is given back as it is.
double StandardFrameRate(double rate);

} // namespace Moorland
