#include "JobProfileFile.h"

#include "CBaseException.h"
#include "IProfile.h"

namespace Moorland {

void SaveJobProfile(IProfile* pProfile, const std::string& sPath)
{
    if (!pProfile)
        QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
    if (!pProfile->SaveFile(sPath.c_str()))
        QuentaBased::ThrowLastError();
}

} // namespace Moorland
