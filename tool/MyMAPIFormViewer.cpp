#include "MyMAPIFormViewer.h"

#include "ConflictsListCtrl.h"
#include "ErrorText.h"

#include "base/DebugOutput.h"
#include "mapi/MapiTags.h"
#include "mapi/MapiUtil.h"

#include <string>

namespace {

constexpr const char* kFile = "MyMAPIFormViewer.cpp";
// What the site lets a form do: save, send and compose a new message.
constexpr ULONG kSiteStatus = VCSTATUS_SAVE | VCSTATUS_SUBMIT | VCSTATUS_NEW_MESSAGE;
// What the view is: interactive, with no next or previous message.
constexpr ULONG kViewStatus = VCSTATUS_INTERACTIVE;

void Trace(const char* method) { OutputDebugStringA((std::string("CMyMAPIFormViewer::") + method + "\n").c_str()); }

// The form's own words for its failure, to the debugger.
void TraceFormError(IPersistMessage* persist, HRESULT hr)
{
    LPMAPIERROR error = nullptr;
    if (persist && SUCCEEDED(persist->GetLastError(hr, 0, &error)) && error && error->lpszError)
        OutputDebugStringA((std::string("CMyMAPIFormViewer: ") + error->lpszError + "\n").c_str());
    MAPIFreeBuffer(error);
}

// Gives the caller its own reference to what the site holds (null when it holds nothing).
template <class T>
HRESULT HandOut(const ComPtr<T>& held, T** out)
{
    if (!out)
        return MAPI_E_INVALID_PARAMETER;
    *out = held.get();
    if (*out)
        (*out)->AddRef();
    return S_OK;
}

} // namespace

CMyMAPIFormViewer::CMyMAPIFormViewer(IMAPISession* session, IMsgStore* store, IMAPIFolder* folder, IMessage* message,
                                     const SBinary* folderEntryId, CConflictsListCtrl* parent)
    : m_lpFolder(folder), m_lpMessage(message), m_pParentList(parent), m_lpMAPISession(session), m_lpMDB(store)
{
    Trace("CMyMAPIFormViewer");
    if (folderEntryId && folderEntryId->cb) {
        m_folderEntryId.assign(folderEntryId->lpb, folderEntryId->lpb + folderEntryId->cb);
    } else if (folder) {
        LPSPropValue entryId = nullptr;
        const HRESULT hr = HrGetOneProp(folder, PR_ENTRYID, &entryId);
        if (TraceHResult(hr, "HrGetOneProp", kFile, __LINE__) && entryId)
            m_folderEntryId.assign(entryId->Value.bin.lpb, entryId->Value.bin.lpb + entryId->Value.bin.cb);
        MAPIFreeBuffer(entryId);
    }
    if (m_pParentList)
        m_pParentList->AttachSite(this);
}

CMyMAPIFormViewer::~CMyMAPIFormViewer()
{
    Trace("~CMyMAPIFormViewer");
    m_lpMapiFormAdviseSink.Release();
    m_lpPersistMessage.Release();
    m_lpMessage.Release();
    m_lpFolder.Release();
    m_lpMDB.Release();
    m_lpMAPISession.Release();
    if (CConflictsListCtrl* parent = m_pParentList) {
        m_pParentList = nullptr;
        parent->DetachSite(this);
    }
}

// --- IUnknown ------------------------------------------------------------------------------------

HRESULT CMyMAPIFormViewer::QueryInterface(REFIID riid, void** ppv)
{
    Trace("QueryInterface");
    if (!ppv)
        return E_INVALIDARG;
    *ppv = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IMAPIMessageSite))
        *ppv = static_cast<IMAPIMessageSite*>(this);
    else if (IsEqualIID(riid, IID_IMAPIViewContext))
        *ppv = static_cast<IMAPIViewContext*>(this);
    else if (IsEqualIID(riid, IID_IMAPIViewAdviseSink))
        *ppv = static_cast<IMAPIViewAdviseSink*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG CMyMAPIFormViewer::AddRef()
{
    Trace("AddRef");
    const LONG count = ++m_cRef;
    OutputDebugStringA(("CMyMAPIFormViewer.m_cRef increased to " + std::to_string(count) + ".\n").c_str());
    return static_cast<ULONG>(count);
}

ULONG CMyMAPIFormViewer::Release()
{
    Trace("Release");
    const LONG count = --m_cRef;
    OutputDebugStringA(("CMyMAPIFormViewer.m_cRef decreased to " + std::to_string(count) + ".\n").c_str());
    if (count == 0)
        delete this;
    return static_cast<ULONG>(count);
}

// --- IMAPIMessageSite ----------------------------------------------------------------------------

HRESULT CMyMAPIFormViewer::GetLastError(HRESULT, ULONG, LPMAPIERROR* lppMAPIError)
{
    Trace("GetLastError");
    if (lppMAPIError)
        *lppMAPIError = nullptr;
    return S_OK;
}

HRESULT CMyMAPIFormViewer::GetSession(LPMAPISESSION* ppSession)
{
    Trace("GetSession");
    return HandOut(m_lpMAPISession, ppSession);
}

HRESULT CMyMAPIFormViewer::GetStore(LPMDB* ppStore)
{
    Trace("GetStore");
    return HandOut(m_lpMDB, ppStore);
}

HRESULT CMyMAPIFormViewer::GetFolder(LPMAPIFOLDER* ppFolder)
{
    Trace("GetFolder");
    return HandOut(m_lpFolder, ppFolder);
}

HRESULT CMyMAPIFormViewer::GetMessage(LPMESSAGE* ppmsg)
{
    Trace("GetMessage");
    const HRESULT hr = HandOut(m_lpMessage, ppmsg);
    return hr == S_OK && !*ppmsg ? S_FALSE : hr;
}

HRESULT CMyMAPIFormViewer::GetFormManager(LPMAPIFORMMGR* ppFormMgr)
{
    Trace("GetFormManager");
    const HRESULT hr = MAPIOpenFormMgr(m_lpMAPISession.get(), ppFormMgr);
    TraceHResult(hr, "MAPIOpenFormMgr", kFile, __LINE__);
    return hr;
}

HRESULT CMyMAPIFormViewer::NewMessage(ULONG fComposeInFolder, LPMAPIFOLDER pFolderFocus,
                                      LPPERSISTMESSAGE pPersistMessage, LPMESSAGE* ppMessage,
                                      LPMAPIMESSAGESITE* ppMessageSite, LPMAPIVIEWCONTEXT* ppViewContext)
{
    Trace("NewMessage");
    if (!ppMessage || !ppMessageSite || !ppViewContext)
        return MAPI_E_INVALID_PARAMETER;
    *ppMessage = nullptr;
    *ppMessageSite = nullptr;
    *ppViewContext = nullptr;
    IMAPIFolder* folder = fComposeInFolder && pFolderFocus ? pFolderFocus : m_lpFolder.get();
    if (!folder)
        return MAPI_E_NO_SUPPORT;
    // The message stays unsaved: it reaches the folder only when its form saves it, so that a
    // form closed without saving leaves nothing for the next run to copy.
    ComPtr<IMessage> message;
    HRESULT hr = folder->CreateMessage(nullptr, 0, message.put());
    if (!TraceHResult(hr, "CreateMessage", kFile, __LINE__))
        return hr;
    const SBinary entryId{static_cast<ULONG>(m_folderEntryId.size()), m_folderEntryId.data()};
    ComPtr<CMyMAPIFormViewer> site;
    site.Attach(new CMyMAPIFormViewer(m_lpMAPISession.get(), m_lpMDB.get(), folder, message.get(),
                                      folder == m_lpFolder.get() ? &entryId : nullptr, m_pParentList));
    if (pPersistMessage) {
        hr = site->SetPersist(pPersistMessage);
        if (!TraceHResult(hr, "SetPersist", kFile, __LINE__))
            return hr;
    }
    ComPtr<IMAPIViewContext> viewContext;
    hr = site->QueryInterface(IID_IMAPIViewContext, viewContext.put_void());
    if (!TraceHResult(hr, "QueryInterface", kFile, __LINE__))
        return hr;
    *ppMessage = message.Detach();
    *ppMessageSite = static_cast<IMAPIMessageSite*>(site.Detach());
    *ppViewContext = viewContext.Detach();
    return S_OK;
}

HRESULT CMyMAPIFormViewer::CopyMessage(LPMAPIFOLDER)
{
    Trace("CopyMessage");
    return MAPI_E_NO_SUPPORT;
}

HRESULT CMyMAPIFormViewer::MoveMessage(LPMAPIFOLDER, LPMAPIVIEWCONTEXT, LPCRECT)
{
    Trace("MoveMessage");
    return MAPI_E_NO_SUPPORT;
}

HRESULT CMyMAPIFormViewer::DeleteMessage(LPMAPIVIEWCONTEXT, LPCRECT)
{
    Trace("DeleteMessage");
    return MAPI_E_NO_SUPPORT;
}

HRESULT CMyMAPIFormViewer::SaveMessage()
{
    Trace("SaveMessage");
    if (!m_lpPersistMessage)
        return E_UNEXPECTED;
    if (!m_lpMessage)
        return MAPI_E_NO_SUPPORT;
    HRESULT hr = m_lpPersistMessage->Save(m_lpMessage.get(), TRUE);
    if (!TraceHResult(hr, "Save", kFile, __LINE__)) {
        TraceFormError(m_lpPersistMessage.get(), hr);
        return hr;
    }
    hr = m_lpMessage->SaveChanges(KEEP_OPEN_READWRITE);
    TraceHResult(hr, "SaveChanges", kFile, __LINE__);
    return hr;
}

HRESULT CMyMAPIFormViewer::SubmitMessage(ULONG)
{
    Trace("SubmitMessage");
    if (!m_lpPersistMessage)
        return E_UNEXPECTED;
    if (!m_lpMessage)
        return MAPI_E_NO_SUPPORT;
    HRESULT hr = m_lpPersistMessage->Save(m_lpMessage.get(), TRUE);
    if (!TraceHResult(hr, "Save", kFile, __LINE__)) {
        TraceFormError(m_lpPersistMessage.get(), hr);
        return hr;
    }
    m_lpPersistMessage->HandsOffMessage();
    hr = m_lpMessage->SubmitMessage(0);
    if (TraceHResult(hr, "SubmitMessage", kFile, __LINE__))
        m_lpMessage.Release(); // on its way: no longer this site's
    return hr;
}

HRESULT CMyMAPIFormViewer::GetSiteStatus(ULONG* lpulStatus)
{
    Trace("GetSiteStatus");
    if (!lpulStatus)
        return MAPI_E_INVALID_PARAMETER;
    *lpulStatus = kSiteStatus;
    return S_OK;
}

// --- IMAPIViewContext ----------------------------------------------------------------------------

HRESULT CMyMAPIFormViewer::SetAdviseSink(LPMAPIFORMADVISESINK pmvns)
{
    Trace("SetAdviseSink");
    m_lpMapiFormAdviseSink = pmvns;
    return S_OK;
}

HRESULT CMyMAPIFormViewer::ActivateNext(ULONG, LPCRECT)
{
    Trace("ActivateNext");
    return S_OK;
}

HRESULT CMyMAPIFormViewer::GetPrintSetup(ULONG, LPFORMPRINTSETUP* lppFormPrintSetup)
{
    Trace("GetPrintSetup");
    if (lppFormPrintSetup)
        *lppFormPrintSetup = nullptr;
    return S_OK;
}

HRESULT CMyMAPIFormViewer::GetSaveStream(ULONG* pulFlags, ULONG* pulFormat, IStream** ppstm)
{
    Trace("GetSaveStream");
    if (pulFlags)
        *pulFlags = 0;
    if (pulFormat)
        *pulFormat = 0;
    if (ppstm)
        *ppstm = nullptr;
    return S_OK;
}

HRESULT CMyMAPIFormViewer::GetViewStatus(ULONG* lpulStatus)
{
    Trace("GetViewStatus");
    if (!lpulStatus)
        return MAPI_E_INVALID_PARAMETER;
    *lpulStatus = kViewStatus;
    return S_OK;
}

// --- IMAPIViewAdviseSink -------------------------------------------------------------------------

HRESULT CMyMAPIFormViewer::OnShutdown()
{
    Trace("OnShutdown");
    if (!m_lpPersistMessage)
        return E_UNEXPECTED;
    ComPtr<IMAPIForm> form;
    HRESULT hr = m_lpPersistMessage->QueryInterface(IID_IMAPIForm, form.put_void());
    if (TraceHResult(hr, "QueryInterface", kFile, __LINE__))
        hr = form->Unadvise(m_ulConnection);
    TraceHResult(hr, "Unadvise", kFile, __LINE__);
    return hr;
}

HRESULT CMyMAPIFormViewer::OnNewMessage()
{
    Trace("OnNewMessage");
    return S_OK;
}

HRESULT CMyMAPIFormViewer::OnPrint(ULONG, HRESULT)
{
    Trace("OnPrint");
    return S_OK;
}

HRESULT CMyMAPIFormViewer::OnSubmitted()
{
    Trace("OnSubmitted");
    return S_OK;
}

HRESULT CMyMAPIFormViewer::OnSaved()
{
    Trace("OnSaved");
    return S_OK;
}

// --- The hosted form -----------------------------------------------------------------------------

HRESULT CMyMAPIFormViewer::SetForm(IMAPIForm* form)
{
    Trace("SetForm");
    m_lpPersistMessage.Release();
    if (!form)
        return MAPI_E_INVALID_PARAMETER;
    HRESULT hr = form->QueryInterface(IID_IPersistMessage, m_lpPersistMessage.put_void());
    if (TraceHResult(hr, "QueryInterface", kFile, __LINE__))
        hr = form->Advise(static_cast<IMAPIViewAdviseSink*>(this), &m_ulConnection);
    TraceHResult(hr, "Advise", kFile, __LINE__);
    return hr;
}

HRESULT CMyMAPIFormViewer::SetPersist(IPersistMessage* persist)
{
    Trace("SetPersist");
    m_lpPersistMessage = persist;
    if (!persist)
        return MAPI_E_INVALID_PARAMETER;
    ComPtr<IMAPIForm> form;
    HRESULT hr = persist->QueryInterface(IID_IMAPIForm, form.put_void());
    if (TraceHResult(hr, "QueryInterface", kFile, __LINE__))
        hr = form->Advise(static_cast<IMAPIViewAdviseSink*>(this), &m_ulConnection);
    TraceHResult(hr, "Advise", kFile, __LINE__);
    return hr;
}
