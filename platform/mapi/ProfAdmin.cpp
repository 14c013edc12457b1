#include "mapi/ProfAdmin.h"

#include "base/Utf.h"
#include "mapi/MapiTags.h"
#include "mapi/MsgStore.h"
#include "mapi/ProfileRegistry.h"
#include "mapi/Table.h"

namespace mapi {

namespace {
std::string NameArg(LPTSTR name, ULONG flags)
{
    return platform::Utf16ToUtf8(TextArg(name, flags));
}
} // namespace

HRESULT ProfAdmin::Create(ULONG flags, IProfAdmin** out)
{
    auto* a = new (std::nothrow) ProfAdmin(flags);
    if (!a)
        return MAPI_E_NOT_ENOUGH_MEMORY;
    *out = a;
    return S_OK;
}

HRESULT ProfAdmin::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IProfAdmin)) {
        *ppv = static_cast<IProfAdmin*>(this);
        AddRef();
        return S_OK;
    }
    return MAPI_E_INTERFACE_NOT_SUPPORTED;
}

ULONG ProfAdmin::Release()
{
    ULONG r = --m_refs;
    if (r == 0)
        delete this;
    return r;
}

HRESULT ProfAdmin::GetLastError(HRESULT, ULONG, LPMAPIERROR* lppMAPIError)
{
    if (lppMAPIError)
        *lppMAPIError = nullptr;
    return S_OK;
}

HRESULT ProfAdmin::GetProfileTable(ULONG ulFlags, LPMAPITABLE* lppTable)
{
    if (!lppTable)
        return MAPI_E_INVALID_PARAMETER;
    *lppTable = nullptr;
    std::vector<std::string> names;
    std::string def;
    HRESULT hr = ProfileRegistry::List(names, def);
    if (FAILED(hr))
        return hr;
    std::vector<TableRow> rows;
    std::uint32_t n = 0;
    for (const auto& name : names) {
        auto props = std::make_shared<PropMap>();
        props->Set(PropValue::Text(PR_DISPLAY_NAME_W, platform::Utf8ToUtf16(name)));
        props->Set(PropValue::Long(PR_DEFAULT_PROFILE, platform::EqualNoCase(name, def) ? 1 : 0));
        ++n;
        rows.push_back(TableRow{n, n, std::move(props)});
    }
    auto source = std::make_shared<RowListSource>(
        std::move(rows), std::vector<ULONG>{PR_DISPLAY_NAME_W, PR_DEFAULT_PROFILE, PR_INSTANCE_KEY});
    return Table::Create(std::move(source), ((ulFlags | m_flags) & MAPI_UNICODE) != 0, lppTable);
}

HRESULT ProfAdmin::CreateProfile(LPTSTR lpszProfileName, LPTSTR, ULONG_PTR, ULONG ulFlags)
{
    if (!lpszProfileName)
        return MAPI_E_INVALID_PARAMETER;
    return ProfileRegistry::Create(NameArg(lpszProfileName, ulFlags));
}

HRESULT ProfAdmin::DeleteProfile(LPTSTR lpszProfileName, ULONG ulFlags)
{
    if (!lpszProfileName)
        return MAPI_E_INVALID_PARAMETER;
    return ProfileRegistry::Delete(NameArg(lpszProfileName, ulFlags));
}

HRESULT ProfAdmin::SetDefaultProfile(LPTSTR lpszProfileName, ULONG ulFlags)
{
    // No name clears the default.
    return ProfileRegistry::SetDefault(lpszProfileName ? NameArg(lpszProfileName, ulFlags) : std::string());
}

// Profiles have no passwords here; copying and renaming are not offered.
HRESULT ProfAdmin::ChangeProfilePassword(LPTSTR, LPTSTR, LPTSTR, ULONG) { return MAPI_E_NO_SUPPORT; }
HRESULT ProfAdmin::CopyProfile(LPTSTR, LPTSTR, LPTSTR, ULONG_PTR, ULONG) { return MAPI_E_NO_SUPPORT; }
HRESULT ProfAdmin::RenameProfile(LPTSTR, LPTSTR, LPTSTR, ULONG_PTR, ULONG) { return MAPI_E_NO_SUPPORT; }
HRESULT ProfAdmin::AdminServices(LPTSTR, LPTSTR, ULONG_PTR, ULONG, IMsgServiceAdmin** lppServiceAdmin)
{
    if (lppServiceAdmin)
        *lppServiceAdmin = nullptr;
    return MAPI_E_NO_SUPPORT;
}

} // namespace mapi
