#include "Conflict.h"

#include "helpers.h"
#include "mapi/Mapi.h"

CConflict::CConflict()
{
    TRACE_CTOR("CConflict");
}

CConflict::~CConflict()
{
    TRACE_DTOR("CConflict");
}

void CConflict::FinalRelease()
{
    if (m_touch) {
        // The touched message is later than the run, so the case comes up again next time.
        HRESULT hr = S_OK;
        if (m_touchType == 2 || m_touchType == 3) {
            hr = TouchMsg(m_srcFolder.get(), m_srcEntryId);
            if (FAILED(hr))
                TRACE_FAILED(TouchMsg, hr);
        }
        if (m_touchType == 1 || m_touchType == 3) {
            hr = TouchMsg(m_dstFolder.get(), m_dstEntryId);
            if (FAILED(hr))
                TRACE_FAILED(TouchMsg, hr);
        }
    }
    m_parent.Release();
    m_srcFolder.Release();
    m_dstFolder.Release();
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

HRESULT CConflict::QueryExtraInterface(REFIID riid, void** ppv)
{
    if (!IsEqualIID(riid, IID_EngineImplementation))
        return E_NOINTERFACE;
    *ppv = this;
    return S_OK;
}

HRESULT CConflict::KeepEntryID(IUnknown* pMsg, std::vector<BYTE>& entryId)
{
    HRESULT hr = S_OK;
    ComPtr<IMessage> message;
    LPSPropValue value = nullptr;
    hr = pMsg->QueryInterface(IID_IMessage, message.put_void());
    if (FAILED(hr)) {
        TRACE_FAILED(QueryInterface, hr);
        return hr;
    }
    hr = HrGetOneProp(message.get(), PR_ENTRYID, &value);
    if (FAILED(hr)) {
        TRACE_FAILED(HrGetOneProp, hr);
        return hr;
    }
    try {
        entryId.assign(value->Value.bin.lpb, value->Value.bin.lpb + value->Value.bin.cb);
    } catch (const std::bad_alloc&) {
        hr = E_OUTOFMEMORY;
        TRACE_FAILED(dupSBin, hr);
    }
    MAPIFreeBuffer(value);
    return hr;
}

HRESULT CConflict::Create(IProfile* pParent, SHORT Type, IUnknown* pSrcFolder, IUnknown* pDstFolder,
                          IUnknown* pSrcMsg, IUnknown* pDstMsg, LPSTR pszErr)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CConflict::Create", &hr);
    if (!pParent)
        return hr = E_INVALIDARG;
    m_parent = pParent;
    m_type = Type;
    if (pSrcFolder) {
        hr = pSrcFolder->QueryInterface(IID_IMAPIFolder, m_srcFolder.put_void());
        if (FAILED(hr)) {
            TRACE_FAILED(QueryInterface, hr);
            return hr;
        }
    }
    if (pDstFolder) {
        hr = pDstFolder->QueryInterface(IID_IMAPIFolder, m_dstFolder.put_void());
        if (FAILED(hr)) {
            TRACE_FAILED(QueryInterface, hr);
            return hr;
        }
    }
    if (pSrcMsg && FAILED(hr = KeepEntryID(pSrcMsg, m_srcEntryId)))
        return hr;
    if (pDstMsg && FAILED(hr = KeepEntryID(pDstMsg, m_dstEntryId)))
        return hr;
    if (pszErr) {
        try {
            m_text = pszErr;
        } catch (const std::bad_alloc&) {
            hr = E_OUTOFMEMORY;
        }
    }
    return hr;
}

HRESULT CConflict::get_Type(SHORT* pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CConflict::get_Type", &hr);
    if (!pVal)
        return hr = E_POINTER;
    *pVal = m_type;
    return hr;
}

HRESULT CConflict::get_SourceFolder(IUnknown** pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CConflict::get_SourceFolder", &hr);
    if (!pVal)
        return hr = E_POINTER;
    *pVal = nullptr;
    if (m_srcFolder)
        hr = m_srcFolder->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(pVal));
    return hr;
}

HRESULT CConflict::get_DestinationFolder(IUnknown** pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CConflict::get_DestinationFolder", &hr);
    if (!pVal)
        return hr = E_POINTER;
    *pVal = nullptr;
    if (m_dstFolder)
        hr = m_dstFolder->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(pVal));
    return hr;
}

HRESULT CConflict::get_SourceEntryID(BSTR* pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CConflict::get_SourceEntryID", &hr);
    hr = SBin2bstr(static_cast<ULONG>(m_srcEntryId.size()), m_srcEntryId.data(), pVal);
    if (FAILED(hr))
        TRACE_FAILED(SBin2bstr, hr);
    return hr;
}

HRESULT CConflict::get_DestinationEntryID(BSTR* pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CConflict::get_DestinationEntryID", &hr);
    hr = SBin2bstr(static_cast<ULONG>(m_dstEntryId.size()), m_dstEntryId.data(), pVal);
    if (FAILED(hr))
        TRACE_FAILED(SBin2bstr, hr);
    return hr;
}

HRESULT CConflict::OpenMsg(IMAPIFolder* pFolder, const std::vector<BYTE>& entryId, IUnknown** pVal)
{
    HRESULT hr = S_OK;
    ULONG type = 0;
    if (!pVal)
        return hr = E_POINTER;
    *pVal = nullptr;
    if (entryId.empty() || !pFolder)
        return hr;
    hr = pFolder->OpenEntry(static_cast<ULONG>(entryId.size()),
                            reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(entryId.data())), nullptr, MAPI_MODIFY,
                            &type, pVal);
    if (FAILED(hr))
        TRACE_FAILED(OpenEntry, hr);
    return hr;
}

HRESULT CConflict::TouchMsg(IMAPIFolder* pFolder, const std::vector<BYTE>& entryId)
{
    HRESULT hr = S_OK;
    ComPtr<IUnknown> unknown;
    ComPtr<IMessage> message;
    LPSPropValue key = nullptr;
    hr = OpenMsg(pFolder, entryId, unknown.put());
    if (FAILED(hr) || !unknown)
        return hr;
    hr = unknown.As(message);
    if (SUCCEEDED(hr))
        hr = HrGetOneProp(message.get(), PR_RECORD_KEY, &key);
    if (SUCCEEDED(hr))
        hr = HrSetOneProp(message.get(), key);
    if (SUCCEEDED(hr))
        hr = message->SaveChanges(0);
    MAPIFreeBuffer(key);
    return hr;
}

HRESULT CConflict::get_SourceMessage(IUnknown** pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CConflict::get_SourceMessage", &hr);
    hr = OpenMsg(m_srcFolder.get(), m_srcEntryId, pVal);
    return hr;
}

HRESULT CConflict::get_DestinationMessage(IUnknown** pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CConflict::get_DestinationMessage", &hr);
    hr = OpenMsg(m_dstFolder.get(), m_dstEntryId, pVal);
    return hr;
}

HRESULT CConflict::Resolve(SHORT mode)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CConflict::Resolve", &hr);
    if (m_type == 0)
        return hr;
    if (!m_parent)
        return hr = E_UNEXPECTED;
    hr = m_parent->ResolveConflict(this, mode);
    if (FAILED(hr)) {
        TRACE_FAILED(ResolveConflict, hr);
        return hr;
    }
    // Armed only once the profile accepted the choice: a refused or failed resolve leaves the
    // conflict as it was.
    if (mode == 0) {
        m_touch = true;
        m_touchType = m_type;
    }
    m_type = 0;
    return hr;
}
