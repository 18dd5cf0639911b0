#include "SolvaneOptions.h"

#include "CBaseException.h"
#include "FFErrors.h"

extern "C" {
#include <libavutil/opt.h>
}

namespace Solvane {

namespace {

// Hands options to an FFmpeg object by their FFmpeg name: the object's own
// (private) options first, as the ffmpeg program does, then the generic
// ones. An option FFmpeg does not know, or a value it refuses, fails with
// the option's name: nothing the profile states is dropped.
template <typename Context> void ApplyOptionsTo(Context* ctx, const FFOptions& options, const std::string& what)
{
    for (const auto& [name, value] : options) {
        int err = AVERROR_OPTION_NOT_FOUND;
        if (ctx->priv_data && *static_cast<const AVClass**>(ctx->priv_data))
            err = av_opt_set(ctx->priv_data, name.c_str(), value.c_str(), 0);
        if (err == AVERROR_OPTION_NOT_FOUND)
            err = av_opt_set(ctx, name.c_str(), value.c_str(), 0);
        if (err == AVERROR_OPTION_NOT_FOUND)
            QB_THROW(QB_ERR_BAD_PARAM, "The " + what + " has no option \"" + name + "\"");
        if (err < 0)
            QB_THROW_AV(QB_ERR_BAD_PARAM, "The " + what + " refuses \"" + value + "\" for its option \"" + name + "\"",
                        err);
    }
}

} // namespace

void ApplyOptions(AVCodecContext* c, const FFOptions& options, const std::string& what)
{
    ApplyOptionsTo(c, options, what);
}

void ApplyOptions(AVFormatContext* ctx, const FFOptions& options, const std::string& what)
{
    ApplyOptionsTo(ctx, options, what);
}

} // namespace Solvane
