#include "host/LanguageSettings.h"

std::span<const DispatchMember> CLanguageSettings::DispatchMembers()
{
    static const DispatchMember members[] = {
        DispMember<&LanguageSettings::get_LanguageID>("LanguageID", 1, DISPATCH_PROPERTYGET),
    };
    return members;
}

HRESULT CLanguageSettings::get_LanguageID(LONG Id, LONG* languageId)
{
    if (!languageId)
        return E_POINTER;
    if (Id < msoLanguageIDInstall || Id > 7)
        return E_INVALIDARG;
    *languageId = m_languageId;
    return S_OK;
}
