#pragma once

// FFmpeg's error numbers as the system's errors, for the layers of platform/:
// one helper, and the place recorded is the caller's.

#include "CBaseException.h"

extern "C" {
#include <libavutil/error.h>
}

#include <string>

namespace FF {

inline std::string ErrorText(int err)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {0};
    av_strerror(err, text, sizeof(text));
    return text;
}

// Throws CBaseException `code` with "<what>: <FFmpeg's error text>".
[[noreturn]] inline void ThrowError(int code, const std::string& what, int err, int line, const char* file)
{
    throw CBaseException(code, what + ": " + ErrorText(err), line, file);
}

} // namespace FF

#define QB_THROW_AV(code, what, err) ::FF::ThrowError((code), (what), (err), __LINE__, __FILE__)
// Throws QB_ERR_MEDIA when `ret` is an FFmpeg failure.
#define QB_CHECK_AV(ret, what)                                                                                         \
    do {                                                                                                               \
        const int qbCheckedAV = (ret);                                                                                 \
        if (qbCheckedAV < 0)                                                                                           \
            ::FF::ThrowError(QB_ERR_MEDIA, (what), qbCheckedAV, __LINE__, __FILE__);                                   \
    } while (0)
