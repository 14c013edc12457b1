#include "TestAccount.h"

#include "com/ErrorReporting.h"

#include <string>

CTestAccount::CTestAccount()
{
    m_events = &AddConnectionPoint(DIID_IAccountEvents);
}

std::span<const DispatchMember> CTestAccount::DispatchMembers()
{
    static const DispatchMember members[] = {
        DispMember<&IAccount::get_Owner>("Owner", 1, DISPATCH_PROPERTYGET),
        DispMember<&IAccount::put_Owner>("Owner", 1, DISPATCH_PROPERTYPUT),
        DispMember<&IAccount::get_Balance>("Balance", 2, DISPATCH_PROPERTYGET),
        DispMember<&IAccount::Deposit>("Deposit", 3, DISPATCH_METHOD),
        DispMember<&IAccount::Withdraw>("Withdraw", 4, DISPATCH_METHOD),
        DispMember<&IAccount::get_Frozen>("Frozen", 5, DISPATCH_PROPERTYGET, {VT_BOOL}),
        DispMember<&IAccount::put_Frozen>("Frozen", 5, DISPATCH_PROPERTYPUT, {VT_BOOL}),
        DispMember<&IAccount::Describe>("Describe", 6, DISPATCH_METHOD),
        DispMember<&IAccount::Transfer>("Transfer", 7, DISPATCH_METHOD),
        DispMember<&IAccount::get_Item>("Item", DISPID_VALUE, DISPATCH_PROPERTYGET),
        DispMember<&IAccount::put_Item>("Item", DISPID_VALUE, DISPATCH_PROPERTYPUT),
    };
    return members;
}

HRESULT CTestAccount::get_Owner(BSTR* pVal)
{
    return m_owner.CopyTo(pVal);
}

HRESULT CTestAccount::put_Owner(BSTR newVal)
{
    m_owner = ComBstr(newVal);
    return S_OK;
}

HRESULT CTestAccount::get_Balance(LONG* pVal)
{
    if (!pVal)
        return E_POINTER;
    *pVal = m_balance;
    return S_OK;
}

void CTestAccount::FireBalanceChanged()
{
    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_I4;
    arg.lVal = m_balance;
    m_events->Fire(DISPID_BalanceChanged, std::span<VARIANT>(&arg, 1));
}

HRESULT CTestAccount::Deposit(LONG amount, LONG* newBalance)
{
    if (amount <= 0)
        return ReportError(E_INVALIDARG, IID_OF(IAccount), "TestServer.Account", "The amount must be positive.");
    if (m_frozen)
        return ReportError(E_ACCESSDENIED, IID_OF(IAccount), "TestServer.Account", "The account is frozen.");
    m_balance += amount;
    if (newBalance)
        *newBalance = m_balance;
    FireBalanceChanged();
    return S_OK;
}

HRESULT CTestAccount::Withdraw(LONG amount)
{
    if (amount > m_balance)
        return ReportError(ACCOUNT_E_INSUFFICIENT, IID_OF(IAccount), u"TestServer.Account",
                           u"Insufficient funds: only " + std::u16string(ComBstr(std::to_string(m_balance)).View()) +
                               u" left.");
    m_balance -= amount;
    FireBalanceChanged();
    return S_OK;
}

HRESULT CTestAccount::get_Frozen(VARIANT_BOOL* pVal)
{
    if (!pVal)
        return E_POINTER;
    *pVal = m_frozen ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT CTestAccount::put_Frozen(VARIANT_BOOL newVal)
{
    m_frozen = newVal != VARIANT_FALSE;
    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_BOOL;
    arg.boolVal = newVal ? VARIANT_TRUE : VARIANT_FALSE;
    m_events->Fire(DISPID_FrozenChanged, std::span<VARIANT>(&arg, 1));
    return S_OK;
}

HRESULT CTestAccount::Describe(BSTR prefix, VARIANT suffix, BSTR* text)
{
    if (!text)
        return E_POINTER;
    std::u16string result = ComBstr(prefix).Wide() + u" " + m_owner.Wide();
    if (!(suffix.vt == VT_ERROR && suffix.scode == DISP_E_PARAMNOTFOUND)) {
        VARIANT asText;
        VariantInit(&asText);
        if (FAILED(VariantChangeType(&asText, &suffix, VARIANT_ALPHABOOL, VT_BSTR)))
            return DISP_E_TYPEMISMATCH;
        result += u" " + ComBstr(asText.bstrVal).Wide();
        VariantClear(&asText);
    }
    *text = SysAllocStringLen(result.data(), static_cast<UINT>(result.size()));
    return *text ? S_OK : E_OUTOFMEMORY;
}

HRESULT CTestAccount::Transfer(IAccount* target, LONG amount)
{
    if (!target)
        return E_POINTER;
    HRESULT hr = Withdraw(amount);
    if (FAILED(hr))
        return hr;
    LONG ignored = 0;
    return target->Deposit(amount, &ignored);
}

HRESULT CTestAccount::get_Item(LONG index, BSTR* pVal)
{
    if (!pVal)
        return E_POINTER;
    auto it = m_items.find(index);
    if (it == m_items.end()) {
        *pVal = nullptr;
        return E_INVALIDARG;
    }
    return it->second.CopyTo(pVal);
}

HRESULT CTestAccount::put_Item(LONG index, BSTR newVal)
{
    m_items[index] = ComBstr(newVal);
    return S_OK;
}
