#include "host/Explorers.h"

#include "com/ComBstr.h"
#include "com/ErrorReporting.h"
#include "host/Explorer.h"
#include "host/Folder.h"
#include "host/HostApplication.h"
#include "host/VariantArgs.h"

#include <algorithm>

CExplorers::CExplorers(CHostApplication* application) : m_application(application)
{
    m_events = &AddConnectionPoint(DIID_ExplorersEvents);
}

std::span<const DispatchMember> CExplorers::DispatchMembers()
{
    static const DispatchMember members[] = {
        DispMember<&_Explorers::get_Count>("Count", 0x50, DISPATCH_PROPERTYGET),
        DispMember<&_Explorers::Item>("Item", DISPID_VALUE, DISPATCH_METHOD | DISPATCH_PROPERTYGET),
        DispMember<&_Explorers::Add>("Add", 0x5F, DISPATCH_METHOD),
    };
    return members;
}

HRESULT CExplorers::get_Count(LONG* count)
{
    return host::PutLong(static_cast<LONG>(m_explorers.size()), count);
}

HRESULT CExplorers::Item(VARIANT Index, _Explorer** explorer)
{
    if (!explorer)
        return E_POINTER;
    *explorer = nullptr;
    std::optional<LONG> index;
    if (FAILED(host::OptionalLong(Index, index)) || !index || *index < 1 ||
        *index > static_cast<LONG>(m_explorers.size()))
        return ReportError(E_INVALIDARG, IID_OF(_Explorers), "Explorers", "Invalid index.");
    *explorer = m_explorers[*index - 1].get();
    (*explorer)->AddRef();
    return S_OK;
}

HRESULT CExplorers::Add(VARIANT Folder, VARIANT, _Explorer** explorer)
{
    if (!explorer)
        return E_POINTER;
    *explorer = nullptr;
    if (!m_application)
        return E_UNEXPECTED;
    ComPtr<CFolder> folder;
    VARIANT v;
    VariantInit(&v);
    VariantCopyInd(&v, &Folder);
    if (v.vt == VT_DISPATCH && v.pdispVal) {
        ComPtr<MAPIFolder> given;
        if (SUCCEEDED(v.pdispVal->QueryInterface(IID_OF(MAPIFolder), given.put_void()))) {
            ComBstr entry, store;
            host::Binary entryId, storeId;
            CFolder* made = nullptr;
            if (SUCCEEDED(given->get_EntryID(entry.put())) && SUCCEEDED(given->get_StoreID(store.put())) &&
                host::ParseHex(entry.Utf8(), entryId) && host::ParseHex(store.Utf8(), storeId) &&
                SUCCEEDED(CFolder::Open(m_application->Session(), entryId, storeId, &made)))
                folder.Attach(made);
        }
    }
    VariantClear(&v);
    if (!folder)
        return ReportError(E_INVALIDARG, IID_OF(_Explorers), "Explorers", "A folder is needed for a new explorer.");
    CExplorer* made = nullptr;
    const HRESULT hr = m_application->OpenExplorer(folder.get(), &made);
    if (FAILED(hr))
        return hr;
    *explorer = made;
    return S_OK;
}

void CExplorers::Opened(CExplorer* explorer)
{
    m_explorers.emplace_back(explorer);
    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_DISPATCH;
    arg.pdispVal = static_cast<_Explorer*>(explorer);
    m_events->Fire(DISPID_ExplorersEvents_NewExplorer, std::span<VARIANT>(&arg, 1));
}

void CExplorers::Closed(CExplorer* explorer)
{
    std::erase_if(m_explorers, [explorer](const ComPtr<CExplorer>& e) { return e.get() == explorer; });
}
