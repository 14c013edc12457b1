// The dual-interface class of the test server: properties, methods, error info and events.
#pragma once

#include "TestInterfaces.h"
#include "com/ComBstr.h"
#include "com/ComObject.h"
#include "com/ConnectionPointContainerImpl.h"
#include "com/DispatchImpl.h"
#include "com/SupportErrorInfoImpl.h"

#include <map>
#include <span>

class CTestAccount : public ComObject<CTestAccount, DispatchImpl<CTestAccount, IAccount>,
                                      SupportErrorInfoImpl<IAccount>, ConnectionPointContainerImpl> {
public:
    CTestAccount();

    static std::span<const DispatchMember> DispatchMembers();

    HRESULT STDMETHODCALLTYPE get_Owner(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE put_Owner(BSTR newVal) override;
    HRESULT STDMETHODCALLTYPE get_Balance(LONG* pVal) override;
    HRESULT STDMETHODCALLTYPE Deposit(LONG amount, LONG* newBalance) override;
    HRESULT STDMETHODCALLTYPE Withdraw(LONG amount) override;
    HRESULT STDMETHODCALLTYPE get_Frozen(VARIANT_BOOL* pVal) override;
    HRESULT STDMETHODCALLTYPE put_Frozen(VARIANT_BOOL newVal) override;
    HRESULT STDMETHODCALLTYPE Describe(BSTR prefix, VARIANT suffix, BSTR* text) override;
    HRESULT STDMETHODCALLTYPE Transfer(IAccount* target, LONG amount) override;
    HRESULT STDMETHODCALLTYPE get_Item(LONG index, BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE put_Item(LONG index, BSTR newVal) override;

private:
    void FireBalanceChanged();

    ComBstr m_owner;
    LONG m_balance = 0;
    bool m_frozen = false;
    std::map<LONG, ComBstr> m_items;
    ConnectionPoint* m_events = nullptr;
};
