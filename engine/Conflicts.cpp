#include "Conflicts.h"

CConflicts::CConflicts()
{
    CTraceCtor trace("CConflicts", this);
}

CConflicts::~CConflicts()
{
    CTraceDtor trace("CConflicts", this);
}

std::span<const DispatchMember> CConflicts::DispatchMembers()
{
    static const DispatchMember members[] = {
        DispMember<&IConflicts::get_Count>("Count", 2, DISPATCH_PROPERTYGET),
        DispMember<&IConflicts::get_Items>("Items", 3, DISPATCH_PROPERTYGET),
    };
    return members;
}

// ---- Conflicts of the sync run: built in the next step. ----

HRESULT CConflicts::Create(IProfile*, LONG, IConflict**)
{
    HRESULT hr = E_NOTIMPL;
    CTraceFunc trace("CConflicts::Create", &hr);
    return hr;
}

HRESULT CConflicts::get_Count(LONG* pVal)
{
    HRESULT hr = E_NOTIMPL;
    CTraceFunc trace("CConflicts::get_Count", &hr);
    if (pVal)
        *pVal = 0;
    return hr;
}

HRESULT CConflicts::get_Items(LONG, IConflict** pVal)
{
    HRESULT hr = E_NOTIMPL;
    CTraceFunc trace("CConflicts::get_Items", &hr);
    if (pVal)
        *pVal = nullptr;
    return hr;
}
