// The engine's sync profiles by name, as the dialogs look them up: names compared exactly.
#pragma once

#include "EnginePtr.h"
#include "TembrixLib.h"

#include <string>
#include <vector>

// The names of all profiles, in the collection's order. A null collection raises E_POINTER.
HRESULT GetProfileNames(IProfiles* profiles, std::vector<std::string>& names);
// The first profile of that name; null (and S_OK) when no profile has it. A null collection
// raises E_POINTER.
HRESULT FindProfileByName(IProfiles* profiles, const std::string& name, CEnginePtr<IProfile>& found);
