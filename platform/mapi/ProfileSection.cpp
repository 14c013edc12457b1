#include "mapi/ProfileSection.h"

namespace mapi {

HRESULT ProfileSection::Create(PropMap props, IProfSect** out)
{
    auto* s = new (std::nothrow) ProfileSection(std::move(props));
    if (!s)
        return MAPI_E_NOT_ENOUGH_MEMORY;
    *out = s;
    return S_OK;
}

} // namespace mapi
