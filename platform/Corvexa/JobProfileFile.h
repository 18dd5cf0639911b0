#pragma once

// The engine's own copy of a task's profile: the file the worker loads.

#include <string>

class IProfile;

namespace Moorland {

// Saves the profile to sPath. Throws CBaseException when it cannot.
void SaveJobProfile(IProfile* pProfile, const std::string& sPath);

} // namespace Moorland
