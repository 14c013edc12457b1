#include "Conflicts.h"

CConflicts::CConflicts()
{
    TRACE_CTOR("CConflicts");
}

CConflicts::~CConflicts()
{
    TRACE_DTOR("CConflicts");
}

void CConflicts::FinalRelease()
{
    m_conflicts.clear();
    m_parent.Release();
}

std::span<const DispatchMember> CConflicts::DispatchMembers()
{
    static const DispatchMember members[] = {
        DispMember<&IConflicts::get_Count>("Count", 2, DISPATCH_PROPERTYGET),
        DispMember<&IConflicts::get_Items>("Items", 3, DISPATCH_PROPERTYGET),
    };
    return members;
}

HRESULT CConflicts::Create(IProfile* pParent, LONG lConflicts, IConflict** pConflicts)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CConflicts::Create", &hr);
    if (!pParent || lConflicts < 0 || (lConflicts > 0 && !pConflicts))
        return hr = E_INVALIDARG;
    m_parent = pParent;
    try {
        m_conflicts.reserve(static_cast<size_t>(lConflicts));
        for (LONG i = 0; i < lConflicts; ++i)
            m_conflicts.emplace_back(pConflicts[i]);
    } catch (const std::bad_alloc&) {
        m_conflicts.clear();
        hr = E_OUTOFMEMORY;
    }
    return hr;
}

HRESULT CConflicts::get_Count(LONG* pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CConflicts::get_Count", &hr);
    if (!pVal)
        return hr = E_POINTER;
    *pVal = static_cast<LONG>(m_conflicts.size());
    return hr;
}

HRESULT CConflicts::get_Items(LONG idx, IConflict** pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CConflicts::get_Items", &hr);
    if (!pVal)
        return hr = E_POINTER;
    *pVal = nullptr;
    if (idx < 1 || idx > static_cast<LONG>(m_conflicts.size()))
        return hr = E_INVALIDARG;
    hr = m_conflicts[static_cast<size_t>(idx - 1)].CopyTo(pVal);
    return hr;
}
