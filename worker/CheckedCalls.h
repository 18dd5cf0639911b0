#pragma once

// How the worker turns a media call's false into a failure, and how it holds
// the media manager's objects. A false may mean a failure whose reason the
// call recorded, or one that recorded none: the recorded reason wins, else
// the caller's own text names what failed.

#include "CBaseException.h"

#include <memory>
#include <string>

namespace Moorland {

void ClearRecordedError();
// Throws the reason the last call recorded, when there is one.
void ThrowRecordedIfAny();

// Throws the reason the failed call recorded, or, when there is none,
// `fallback` with `code`, `line` and `source`.
[[noreturn]] void ThrowRecordedOr(const std::string& fallback, int line, const char* source,
                                  int code = QB_ERR_UNEXPECTED);

// Runs a media call on a clear error record. A false or null result throws
// what the call recorded, else `fallback`; any other result is handed back.
template <typename Call>
auto CheckedCall(Call&& call, const std::string& fallback, int line, const char* source,
                 int code = QB_ERR_UNEXPECTED)
{
    ClearRecordedError();
    auto result = call();
    if (!result)
        ThrowRecordedOr(fallback, line, source, code);
    return result;
}

// As CheckedCall for calls that give nothing back and report a failure
// only through the error record (ends of writing, say).
template <typename Call>
void CheckedReport(Call&& call)
{
    ClearRecordedError();
    call();
    ThrowRecordedIfAny();
}

// A media call whose false may be an ordinary outcome (the end of a
// source): false with a clear record is that outcome, a recorded reason is
// thrown.
template <typename Call>
bool CheckedEnd(Call&& call)
{
    ClearRecordedError();
    const bool result = call();
    if (!result)
        ThrowRecordedIfAny();
    return result;
}

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
