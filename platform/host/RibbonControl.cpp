#include "host/RibbonControl.h"

#include "host/VariantArgs.h"

std::span<const DispatchMember> CRibbonControl::DispatchMembers()
{
    static const DispatchMember members[] = {
        DispMember<&IRibbonControl::get_Id>("Id", 1, DISPATCH_PROPERTYGET),
        DispMember<&IRibbonControl::get_Context>("Context", 2, DISPATCH_PROPERTYGET),
        DispMember<&IRibbonControl::get_Tag>("Tag", 3, DISPATCH_PROPERTYGET),
    };
    return members;
}

HRESULT CRibbonControl::get_Id(BSTR* id)
{
    return host::CopyText(m_id, id);
}

HRESULT CRibbonControl::get_Context(IDispatch** context)
{
    if (!context)
        return E_POINTER;
    *context = m_context.get();
    if (*context)
        (*context)->AddRef();
    return S_OK;
}

HRESULT CRibbonControl::get_Tag(BSTR* tag)
{
    return host::CopyText(m_tag, tag);
}
