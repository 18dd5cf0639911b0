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
auto CheckedCall(Call&& call, const std::string& fallback, int line, const char* source, int code = QB_ERR_UNEXPECTED)
{
    ClearRecordedError();
    auto result = call();
    if (!result)
        ThrowRecordedOr(fallback, line, source, code);
    return result;
}

// As CheckedCall for calls that give nothing back and report a failure
// only through the error record (ends of writing, say).
template <typename Call> void CheckedReport(Call&& call)
{
    ClearRecordedError();
    call();
    ThrowRecordedIfAny();
}

// As CheckedCall for results whose failure `failed(result)` tells (a
// count of -1, say).
template <typename Call, typename Failed>
auto CheckedCallIf(Call&& call, Failed&& failed, const std::string& fallback, int line, const char* source,
                   int code = QB_ERR_UNEXPECTED)
{
    ClearRecordedError();
    auto result = call();
    if (failed(result))
        ThrowRecordedOr(fallback, line, source, code);
    return result;
}

// A media call whose false or null may be an ordinary outcome (the end of a
// source, a stream without that detail): that outcome comes back when the
// call recorded nothing, a recorded reason is thrown.
template <typename Call> auto CheckedEnd(Call&& call)
{
    ClearRecordedError();
    auto result = call();
    if (!result)
        ThrowRecordedIfAny();
    return result;
}

// Owners of the media manager's objects, released (never deleted) at scope end.
struct ReleaseDeleter
{
    template <typename T> void operator()(T* p) const
    {
        if (p)
            p->Release();
    }
};
template <typename T> using Released = std::unique_ptr<T, ReleaseDeleter>;

} // namespace Moorland
