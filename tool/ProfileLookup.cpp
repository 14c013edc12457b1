#include "ProfileLookup.h"

#include "com/ComBstr.h"

#include <functional>

namespace {

// Calls `visit` with each profile and its name until it answers false.
HRESULT ForEachProfile(IProfiles* profiles, const std::function<bool(IProfile*, const std::string&)>& visit)
{
    CEnginePtr<IProfiles> collection(profiles);
    LONG count = 0;
    HRESULT hr = collection->get_Count(&count);
    for (LONG i = 1; SUCCEEDED(hr) && i <= count; ++i) {
        CEnginePtr<IProfile> profile;
        ComBstr name;
        hr = collection->get_Items(i, profile.put());
        if (SUCCEEDED(hr))
            hr = profile->get_Name(name.put());
        if (SUCCEEDED(hr) && !visit(profile.get(), name.Utf8()))
            break;
    }
    return hr;
}

} // namespace

HRESULT GetProfileNames(IProfiles* profiles, std::vector<std::string>& names)
{
    names.clear();
    return ForEachProfile(profiles, [&](IProfile*, const std::string& name) {
        names.push_back(name);
        return true;
    });
}

HRESULT FindProfileByName(IProfiles* profiles, const std::string& name, CEnginePtr<IProfile>& found)
{
    found.Release();
    return ForEachProfile(profiles, [&](IProfile* profile, const std::string& profileName) {
        if (profileName != name)
            return true;
        found = CEnginePtr<IProfile>(profile);
        return false;
    });
}
