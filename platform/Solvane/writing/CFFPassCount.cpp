#include "CFFPassCount.h"

#include "CBaseException.h"

namespace Solvane {

void CFFPassCount::Set(bool writing, int passCount)
{
    if (writing)
        QB_THROW(QB_ERR_UNEXPECTED, "The pass count can't change while writing");
    if (passCount < 0)
        QB_THROW(QB_ERR_BAD_PARAM, "Bad param");
    count = passCount;
    index = 0;
}

int CFFPassCount::Next()
{
    ++index;
    return count >= 2 ? (index < count ? 1 : 2) : 0;
}

} // namespace Solvane
