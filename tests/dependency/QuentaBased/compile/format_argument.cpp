// Built twice by the tests: once as it stands, which must compile, and once
// with FORMAT_MISUSE, which must not (a std::string handed to a printf form).
#include "sysutils_string.h"

std::string Use()
{
#ifdef FORMAT_MISUSE
    const std::string name = "clip";
    return QuentaBased::Format("%s_%d", name, 1);
#else
    return QuentaBased::Format("%s_%d", "clip", 1);
#endif
}
