#include "CheckedCalls.h"

#include "Basilvo/Basilvo.h"

namespace Moorland {

void ClearRecordedError()
{
    GetQuentaException()->Clear();
}

void ThrowRecordedIfAny()
{
    if (GetQuentaException()->GetExceptionCode() != 0)
        QuentaBased::ThrowLastError();
}

void ThrowRecordedOr(const std::string& fallback, int line, const char* source, int code)
{
    if (GetQuentaException()->GetExceptionCode() != 0)
        QuentaBased::ThrowLastError();
    throw CBaseException(code, fallback, line, source);
}

} // namespace Moorland
