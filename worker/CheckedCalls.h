#pragma once

// How the worker turns a media call's false into a failure, and how it holds
// the media manager's objects. A false may mean a failure whose reason the
// call recorded, or one that recorded none: the recorded reason wins, else
// the caller's own text names what failed.

#include "CBaseException.h"

#include <memory>
#include <string>

namespace Moorland {

// Throws the reason the failed call recorded, or, when there is none,
// `fallback` with `code`, `line` and `source`.
[[noreturn]] void ThrowRecordedOr(const std::string& fallback, int line, const char* source,
                                  int code = QB_ERR_UNEXPECTED);

// Owners of the media manager's objects, released (never deleted) at scope end.
struct ReleaseDeleter
{
    template <typename T>
    void operator()(T* p) const
    {
        if (p)
            p->Release();
    }
};
template <typename T>
using Released = std::unique_ptr<T, ReleaseDeleter>;

} // namespace Moorland
