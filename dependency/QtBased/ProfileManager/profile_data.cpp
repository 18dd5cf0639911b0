#include "profile_data.h"

#include "CBaseException.h"
#include "IProfile.h"
#include "JobPlan.h"

#include <cstdlib>

namespace {

const char* const kSource = "dependency/QtBased/ProfileManager/profile_data";

IProfileDesc& Info(IProfile* profile)
{
    if (!profile)
        throw CBaseException(QB_ERR_BAD_POINTER, "Bad pointer", __LINE__, kSource);
    IProfileDesc* desc = profile->GetDesc();
    if (!desc)
        throw CBaseException(QB_ERR_BAD_POINTER, "Bad pointer", __LINE__, kSource);
    return *desc;
}

} // namespace

bool IsCustomProfile(IProfile* profile)
{
    return ProfileRaising(__LINE__, kSource, [&] { return IsCustomId(Info(profile).GetID()); });
}

bool IsRecentProfile(IProfile* profile)
{
    return ProfileRaising(__LINE__, kSource, [&] { return IsRecentId(Info(profile).GetID()); });
}

int getProfileID(IProfile* profile)
{
    return ProfileRaising(__LINE__, kSource, [&] {
        IProfileDesc& info = Info(profile);
        return IsRecentId(info.GetID()) ? info.GetBaseID() : info.GetID();
    });
}

int GetRand(TBaseFlags& flags)
{
    if (flags.testFlag(BF_Recent))
        return PROFILE_ID_RECENT + std::rand() % 10000;
    if (flags.testFlag(BF_Custom))
        return PROFILE_ID_CUSTOM + std::rand() % 10000;
    throw CBaseException(QB_ERR_UNEXPECTED, "Unexpected error", __LINE__, kSource);
}

bool CatDataTypeThan(CatData const* a, CatData const* b)
{
    return a->type < b->type;
}

bool IsRemuxProfile(IProfile* profile)
{
    return ProfileRaising(__LINE__, kSource, [&] {
        if (!profile)
            throw CBaseException(QB_ERR_UNEXPECTED, "Unexpected error", __LINE__, kSource);
        return Moorland::PlanJob(profile).copiesStreams;
    });
}
