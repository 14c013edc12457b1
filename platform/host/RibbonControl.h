// CRibbonControl: the IRibbonControl handed to a ribbon callback.
#pragma once

#include "com/ComObject.h"
#include "com/ComPtr.h"
#include "com/DispatchImpl.h"
#include "host/RibbonInterfaces.h"

#include <span>
#include <string>

class CRibbonControl : public ComObject<CRibbonControl, DispatchImpl<CRibbonControl, IRibbonControl>> {
public:
    CRibbonControl(std::u16string id, std::u16string tag, IDispatch* context)
        : m_id(std::move(id)), m_tag(std::move(tag)), m_context(context)
    {
    }

    static std::span<const DispatchMember> DispatchMembers();

    HRESULT STDMETHODCALLTYPE get_Id(BSTR* id) override;
    HRESULT STDMETHODCALLTYPE get_Context(IDispatch** context) override;
    HRESULT STDMETHODCALLTYPE get_Tag(BSTR* tag) override;

private:
    std::u16string m_id;
    std::u16string m_tag;
    ComPtr<IDispatch> m_context;
};
