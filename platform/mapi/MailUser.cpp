#include "mapi/MailUser.h"

namespace mapi {

HRESULT MailUser::Create(PropMap props, IMailUser** out)
{
    if (!out)
        return MAPI_E_INVALID_PARAMETER;
    auto* user = new (std::nothrow) MailUser(std::move(props));
    if (!user)
        return MAPI_E_NOT_ENOUGH_MEMORY;
    *out = user;
    return S_OK;
}

} // namespace mapi
