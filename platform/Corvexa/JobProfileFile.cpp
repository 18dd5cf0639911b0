#include "JobProfileFile.h"

#include "CBaseException.h"

#if __has_include("IProfile.h")
#include "IProfile.h"
#define CORVEXA_HAS_PROFILES 1
#endif

namespace Moorland {

void SaveJobProfile(IProfile* pProfile, const std::string& sPath)
{
    if (!pProfile)
        QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
#ifdef CORVEXA_HAS_PROFILES
    pProfile->SaveFile(sPath.c_str());
#else
    (void)sPath;
    QB_THROW(QB_ERR_UNEXPECTED, "the profile library is not part of this build");
#endif
}

} // namespace Moorland
