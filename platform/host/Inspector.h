// CInspector: a window showing one item.
#pragma once

#include "com/ComObject.h"
#include "com/ComPtr.h"
#include "com/DispatchImpl.h"
#include "com/SupportErrorInfoImpl.h"
#include "host/CommandBars.h"
#include "host/HostInterfaces.h"
#include "host/MailItem.h"

#include <span>

class CHostApplication;

class CInspector
    : public ComObject<CInspector, DispatchImpl<CInspector, _Inspector>, SupportErrorInfoImpl<_Inspector>> {
public:
    CInspector(CHostApplication* application, ComPtr<CMailItem> item);

    static std::span<const DispatchMember> DispatchMembers();
    HRESULT FinalConstruct();
    void FinalRelease();

    HRESULT STDMETHODCALLTYPE get_CurrentItem(IDispatch** item) override;
    HRESULT STDMETHODCALLTYPE get_CommandBars(_CommandBars** bars) override;
    HRESULT STDMETHODCALLTYPE get_Caption(BSTR* caption) override;
    HRESULT STDMETHODCALLTYPE Activate() override;
    HRESULT STDMETHODCALLTYPE Close(LONG SaveMode) override;

    CMailItem* Item() const { return m_item.get(); }
    bool Closed() const { return m_application == nullptr; }
    void CloseWindow();

private:
    CHostApplication* m_application;
    ComPtr<CMailItem> m_item;
    ComPtr<CCommandBars> m_bars;
};
