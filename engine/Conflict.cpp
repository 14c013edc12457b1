#include "Conflict.h"

CConflict::CConflict()
{
    CTraceCtor trace("CConflict", this);
}

CConflict::~CConflict()
{
    CTraceDtor trace("CConflict", this);
}

std::span<const DispatchMember> CConflict::DispatchMembers()
{
    static const DispatchMember members[] = {
        DispMember<&IConflict::get_Type>("Type", 2, DISPATCH_PROPERTYGET),
        DispMember<&IConflict::get_SourceFolder>("SourceFolder", 3, DISPATCH_PROPERTYGET),
        DispMember<&IConflict::get_DestinationFolder>("DestinationFolder", 4, DISPATCH_PROPERTYGET),
        DispMember<&IConflict::get_SourceEntryID>("SourceEntryID", 5, DISPATCH_PROPERTYGET),
        DispMember<&IConflict::get_DestinationEntryID>("DestinationEntryID", 6, DISPATCH_PROPERTYGET),
        DispMember<&IConflict::get_SourceMessage>("SourceMessage", 7, DISPATCH_PROPERTYGET),
        DispMember<&IConflict::get_DestinationMessage>("DestinationMessage", 8, DISPATCH_PROPERTYGET),
        DispMember<&IConflict::Resolve>("Resolve", 9, DISPATCH_METHOD),
    };
    return members;
}

// ---- Conflicts of the sync run: built in the next step. ----

HRESULT CConflict::Create(IProfile*, SHORT, IUnknown*, IUnknown*, IUnknown*, IUnknown*, LPSTR)
{
    HRESULT hr = E_NOTIMPL;
    CTraceFunc trace("CConflict::Create", &hr);
    return hr;
}

HRESULT CConflict::get_Type(SHORT* pVal)
{
    HRESULT hr = E_NOTIMPL;
    CTraceFunc trace("CConflict::get_Type", &hr);
    if (pVal)
        *pVal = 0;
    return hr;
}

HRESULT CConflict::get_SourceFolder(IUnknown** pVal)
{
    HRESULT hr = E_NOTIMPL;
    CTraceFunc trace("CConflict::get_SourceFolder", &hr);
    if (pVal)
        *pVal = nullptr;
    return hr;
}

HRESULT CConflict::get_DestinationFolder(IUnknown** pVal)
{
    HRESULT hr = E_NOTIMPL;
    CTraceFunc trace("CConflict::get_DestinationFolder", &hr);
    if (pVal)
        *pVal = nullptr;
    return hr;
}

HRESULT CConflict::get_SourceEntryID(BSTR* pVal)
{
    HRESULT hr = E_NOTIMPL;
    CTraceFunc trace("CConflict::get_SourceEntryID", &hr);
    if (pVal)
        *pVal = nullptr;
    return hr;
}

HRESULT CConflict::get_DestinationEntryID(BSTR* pVal)
{
    HRESULT hr = E_NOTIMPL;
    CTraceFunc trace("CConflict::get_DestinationEntryID", &hr);
    if (pVal)
        *pVal = nullptr;
    return hr;
}

HRESULT CConflict::get_SourceMessage(IUnknown** pVal)
{
    HRESULT hr = E_NOTIMPL;
    CTraceFunc trace("CConflict::get_SourceMessage", &hr);
    if (pVal)
        *pVal = nullptr;
    return hr;
}

HRESULT CConflict::get_DestinationMessage(IUnknown** pVal)
{
    HRESULT hr = E_NOTIMPL;
    CTraceFunc trace("CConflict::get_DestinationMessage", &hr);
    if (pVal)
        *pVal = nullptr;
    return hr;
}

HRESULT CConflict::Resolve(SHORT)
{
    HRESULT hr = E_NOTIMPL;
    CTraceFunc trace("CConflict::Resolve", &hr);
    return hr;
}
