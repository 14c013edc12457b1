#include "com/ErrorObject.h"

namespace platform::com::detail {

HRESULT ErrorObject::Get(const std::u16string& text, BSTR* out)
{
    if (!out)
        return E_INVALIDARG;
    std::lock_guard lock(m_mutex);
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT ErrorObject::Set(std::u16string& text, LPOLESTR value)
{
    std::lock_guard lock(m_mutex);
    text = value ? value : u"";
    return S_OK;
}

HRESULT ErrorObject::GetGUID(GUID* pGUID)
{
    if (!pGUID)
        return E_INVALIDARG;
    std::lock_guard lock(m_mutex);
    *pGUID = m_guid;
    return S_OK;
}

HRESULT ErrorObject::GetSource(BSTR* pBstrSource) { return Get(m_source, pBstrSource); }
HRESULT ErrorObject::GetDescription(BSTR* pBstrDescription) { return Get(m_description, pBstrDescription); }
HRESULT ErrorObject::GetHelpFile(BSTR* pBstrHelpFile) { return Get(m_helpFile, pBstrHelpFile); }

HRESULT ErrorObject::GetHelpContext(DWORD* pdwHelpContext)
{
    if (!pdwHelpContext)
        return E_INVALIDARG;
    std::lock_guard lock(m_mutex);
    *pdwHelpContext = m_helpContext;
    return S_OK;
}

HRESULT ErrorObject::SetGUID(REFGUID rguid)
{
    std::lock_guard lock(m_mutex);
    m_guid = rguid;
    return S_OK;
}

HRESULT ErrorObject::SetSource(LPOLESTR szSource) { return Set(m_source, szSource); }
HRESULT ErrorObject::SetDescription(LPOLESTR szDescription) { return Set(m_description, szDescription); }
HRESULT ErrorObject::SetHelpFile(LPOLESTR szHelpFile) { return Set(m_helpFile, szHelpFile); }

HRESULT ErrorObject::SetHelpContext(DWORD dwHelpContext)
{
    std::lock_guard lock(m_mutex);
    m_helpContext = dwHelpContext;
    return S_OK;
}

} // namespace platform::com::detail
