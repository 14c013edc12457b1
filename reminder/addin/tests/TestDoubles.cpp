#include "TestDoubles.h"

#include "com/Bstr.h"
#include "com/Variant.h"
#include "mapi/Mapi.h"

namespace addintest {

CStubEngine::~CStubEngine()
{
    Log("released");
}

void CStubEngine::Log(const char* what)
{
    if (log)
        log->push_back(what);
}

HRESULT CStubEngine::get_MapiSession(IUnknown** pVal)
{
    *pVal = nullptr;
    return S_OK;
}

HRESULT CStubEngine::Initialize(VARIANT)
{
    Log("initialized");
    return S_OK;
}

HRESULT CStubEngine::SetReminderFolder(ILVFolder* pFolder, ReminderType newVal)
{
    folders.emplace_back(pFolder, newVal);
    return setFolderResult;
}

HRESULT CStubEngine::get_Stores(ILVStores**)
{
    return MAPI_E_NOT_INITIALIZED;
}

HRESULT CStubEngine::get_BackFolder(ILVFolder** pVal)
{
    *pVal = nullptr;
    return S_OK;
}

HRESULT CStubEngine::get_ProfileName(BSTR* pVal)
{
    *pVal = nullptr;
    return MAPI_E_NOT_INITIALIZED;
}

HRESULT CStubEngine::get_Enabled(VARIANT_BOOL* pVal)
{
    *pVal = enabled ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT CStubEngine::put_Enabled(VARIANT_BOOL newVal)
{
    if (!newVal && FAILED(disableResult)) {
        Log("disable failed");
        return disableResult;
    }
    enabled = newVal != VARIANT_FALSE;
    Log(enabled ? "enabled" : "disabled");
    return S_OK;
}

HRESULT CStubEngine::get_UpdateInterval(LONG* pVal)
{
    *pVal = 10;
    return S_OK;
}

HRESULT CStubEngine::put_UpdateInterval(LONG)
{
    return S_OK;
}

HRESULT CStubEngine::get_Configuring(VARIANT_BOOL* pVal)
{
    *pVal = configuring ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT CStubEngine::put_Configuring(VARIANT_BOOL newVal)
{
    configuring += newVal ? 1 : -1;
    Log(newVal ? "configuring" : "configured");
    return S_OK;
}

HRESULT CStubEngine::ShowReminders()
{
    return S_OK;
}

HRESULT CStubEngine::SetNextReminder(LONG_PTR)
{
    return S_OK;
}

HRESULT CStubEngine::get_IsReminderFolder(BSTR, BSTR, VARIANT_BOOL* pVal)
{
    *pVal = VARIANT_FALSE;
    return S_OK;
}

HRESULT CStubEngine::Reset()
{
    Log("reset");
    return resetResult;
}

HRESULT CStubEngine::DisableStore(BSTR)
{
    return S_OK;
}

HRESULT CStubEngine::EnableStore(BSTR)
{
    return S_OK;
}

HRESULT CStubFolder::get_Name(BSTR* pVal)
{
    *pVal = SysAllocString(u"Stand-in");
    return S_OK;
}

HRESULT CStubFolder::get_DefaultFolderType(DefaultFolderType* pVal)
{
    *pVal = DFT_NONE;
    return S_OK;
}

HRESULT CStubFolder::get_ContainerClass(ContainerClass* pVal)
{
    *pVal = CC_Appointment;
    return S_OK;
}

HRESULT CStubFolder::get_ReminderType(ReminderType* pVal)
{
    *pVal = stored;
    return S_OK;
}

HRESULT CStubFolder::put_ReminderType(ReminderType newVal)
{
    ++puts;
    if (FAILED(putResult))
        return putResult;
    stored = newVal;
    return S_OK;
}

HRESULT CStubFolder::get_RemindersPossible(VARIANT_BOOL* pVal)
{
    *pVal = VARIANT_TRUE;
    return S_OK;
}

HRESULT CStubFolder::get_InWasteBasket(VARIANT_BOOL* pVal)
{
    *pVal = VARIANT_FALSE;
    return S_OK;
}

HRESULT CStubFolder::get_SubFolders(VARIANT_BOOL* pVal)
{
    *pVal = VARIANT_FALSE;
    return S_OK;
}

HRESULT CStubApplication::GetTypeInfoCount(UINT* count)
{
    *count = 0;
    return S_OK;
}

HRESULT CStubApplication::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids)
{
    if (count != 1 || std::u16string_view(names[0]) != u"Version")
        return DISP_E_UNKNOWNNAME;
    ids[0] = 1;
    return S_OK;
}

HRESULT CStubApplication::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                                 UINT*)
{
    if (id != 1 || !(flags & DISPATCH_PROPERTYGET) || !result)
        return DISP_E_MEMBERNOTFOUND;
    VariantInit(result);
    result->vt = VT_BSTR;
    result->bstrVal = SysAllocStringLen(m_version.data(), static_cast<UINT>(m_version.size()));
    return S_OK;
}

} // namespace addintest
