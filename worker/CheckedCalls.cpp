#include "CheckedCalls.h"

#include "Basilvo/Basilvo.h"

namespace Moorland {

void ThrowRecordedOr(const std::string& fallback, int line, const char* source, int code)
{
    if (GetQuentaException()->GetExceptionCode() != 0)
        QuentaBased::ThrowLastError();
    throw CBaseException(code, fallback, line, source);
}

} // namespace Moorland
