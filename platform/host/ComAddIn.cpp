#include "host/ComAddIn.h"

#include "host/VariantArgs.h"

std::span<const DispatchMember> CComAddIn::DispatchMembers()
{
    static const DispatchMember members[] = {
        DispMember<&COMAddIn::get_Description>("Description", 0, DISPATCH_PROPERTYGET),
        DispMember<&COMAddIn::get_ProgId>("ProgId", 3, DISPATCH_PROPERTYGET),
        DispMember<&COMAddIn::get_Connected>("Connected", 6, DISPATCH_PROPERTYGET, {VT_BOOL}),
    };
    return members;
}

HRESULT CComAddIn::get_Description(BSTR* text)
{
    return host::CopyText(m_description, text);
}

HRESULT CComAddIn::get_ProgId(BSTR* progId)
{
    return host::CopyText(m_progId, progId);
}

HRESULT CComAddIn::get_Connected(VARIANT_BOOL* connected)
{
    return host::PutBool(m_connected, connected);
}
