#include "mapi/BuiltInForm.h"

#include "base/MessageBox.h"
#include "base/Utf.h"
#include "mapi/FormDisplay.h"
#include "mapi/MapiErrorInfo.h"
#include "mapi/MapiTags.h"
#include "mapi/MapiUtil.h"
#include "mapi/OpenForms.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace mapi {

namespace {

constexpr const char* kComponent = "Built-in form";

std::string HexCode(HRESULT hr)
{
    char buf[24];
    std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(hr));
    return buf;
}

} // namespace

HRESULT BuiltInForm::Create(BuiltInForm** out)
{
    if (!out)
        return MAPI_E_INVALID_PARAMETER;
    *out = new (std::nothrow) BuiltInForm;
    return *out ? S_OK : MAPI_E_NOT_ENOUGH_MEMORY;
}

BuiltInForm::BuiltInForm() = default;

BuiltInForm::~BuiltInForm()
{
    detail::RemoveOpenForm(this);
    if (m_display)
        m_display->Close();
}

HRESULT BuiltInForm::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IMAPIForm))
        *ppv = static_cast<IMAPIForm*>(this);
    else if (IsEqualIID(riid, IID_IPersistMessage))
        *ppv = static_cast<IPersistMessage*>(this);
    else if (IsEqualIID(riid, IID_IMAPIFormAdviseSink))
        *ppv = static_cast<IMAPIFormAdviseSink*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG BuiltInForm::AddRef()
{
    return ++m_refs;
}

ULONG BuiltInForm::Release()
{
    const ULONG refs = --m_refs;
    if (refs == 0)
        delete this;
    return refs;
}

bool BuiltInForm::TryAddRef()
{
    ULONG refs = m_refs.load();
    while (refs != 0)
        if (m_refs.compare_exchange_weak(refs, refs + 1))
            return true;
    return false;
}

HRESULT BuiltInForm::Fail(HRESULT hr, std::string text)
{
    m_lastResult = hr;
    m_lastError = std::move(text);
    return hr;
}

HRESULT BuiltInForm::GetLastError(HRESULT hResult, ULONG ulFlags, LPMAPIERROR* lppMAPIError)
{
    if (!lppMAPIError)
        return MAPI_E_INVALID_PARAMETER;
    *lppMAPIError = nullptr;
    if (ulFlags & ~MAPI_UNICODE)
        return MAPI_E_UNKNOWN_FLAGS;
    if (m_lastError.empty() || hResult != m_lastResult)
        return S_OK;
    return NewMapiError(m_lastError, kComponent, ulFlags, lppMAPIError);
}

// --- Loading ---------------------------------------------------------------------------------

HRESULT BuiltInForm::TakeMessage(LPMAPIMESSAGESITE site, LPMESSAGE message, ULONG status, ULONG flags, bool isNew)
{
    if (!site || !message)
        return Fail(MAPI_E_INVALID_PARAMETER, "The form needs a message site and a message.");
    if (m_state != State::Uninitialized && m_state != State::HandsOffAfterSave &&
        m_state != State::HandsOffFromNormal)
        return Fail(E_UNEXPECTED, "The form holds a message already.");
    FormContent content;
    const HRESULT hr = FormContent::Read(message, content);
    if (FAILED(hr))
        return Fail(hr, "The message's properties could not be read (" + HexCode(hr) + ").");
    m_site = site;
    m_message = message;
    m_messageStatus = status;
    m_messageFlags = flags;
    m_content = std::move(content);
    m_subject = m_savedSubject = m_content.subject;
    m_body = m_savedBody = m_content.body;
    m_dirty = false;
    m_state = State::Normal;
    ReadSiteStatus();
    detail::AddOpenForm(this);
    Record(isNew ? "new" : "load", S_OK);
    Notify(&IMAPIViewAdviseSink::OnNewMessage);
    Refresh();
    return S_OK;
}

HRESULT BuiltInForm::InitNew(LPMAPIMESSAGESITE pMessageSite, LPMESSAGE pMessage)
{
    // A new message is one the user writes and has not sent.
    return TakeMessage(pMessageSite, pMessage, 0, MSGFLAG_UNSENT, true);
}

HRESULT BuiltInForm::Load(LPMAPIMESSAGESITE pMessageSite, LPMESSAGE pMessage, ULONG ulMessageStatus,
                          ULONG ulMessageFlags)
{
    return TakeMessage(pMessageSite, pMessage, ulMessageStatus, ulMessageFlags, false);
}

void BuiltInForm::ReadSiteStatus()
{
    ULONG status = 0;
    m_siteStatus = m_site && SUCCEEDED(m_site->GetSiteStatus(&status)) ? status : 0;
}

void BuiltInForm::ReadViewStatus(IMAPIViewContext* context)
{
    // Without a view context (or its answer) the form is shown for a person to use.
    ULONG status = VCSTATUS_INTERACTIVE;
    if (context && FAILED(context->GetViewStatus(&status)))
        status = VCSTATUS_INTERACTIVE;
    m_viewStatus = status;
}

HRESULT BuiltInForm::GetClassID(LPCLSID lpClassID)
{
    if (!lpClassID)
        return MAPI_E_INVALID_PARAMETER;
    *lpClassID = CLSID_BuiltInForm;
    return S_OK;
}

HRESULT BuiltInForm::IsDirty()
{
    if (m_state == State::Shutdown)
        return E_UNEXPECTED;
    return m_dirty ? S_OK : S_FALSE;
}

// --- Saving ----------------------------------------------------------------------------------

HRESULT BuiltInForm::WriteChanges(IMessage* target, bool all)
{
    HRESULT hr = S_OK;
    if (all && m_message && target != m_message.get()) {
        hr = m_message->CopyTo(0, nullptr, nullptr, 0, nullptr, &IID_IMessage, target, 0, nullptr);
        if (FAILED(hr))
            return Fail(hr, "The message could not be copied (" + HexCode(hr) + ").");
    }
    const bool subject = all || m_subject != m_savedSubject;
    const bool body = all || m_body != m_savedBody;
    const std::u16string subject16 = platform::Utf8ToUtf16(m_subject);
    const std::u16string body16 = platform::Utf8ToUtf16(m_body);
    std::vector<SPropValue> values;
    if (subject) {
        SPropValue v{};
        v.ulPropTag = PR_SUBJECT_W;
        v.Value.lpszW = const_cast<LPWSTR>(subject16.c_str());
        values.push_back(v);
    }
    if (body) {
        SPropValue v{};
        v.ulPropTag = PR_BODY_W;
        v.Value.lpszW = const_cast<LPWSTR>(body16.c_str());
        values.push_back(v);
    }
    if (values.empty())
        return S_OK;
    LPSPropProblemArray problems = nullptr;
    hr = target->SetProps(static_cast<ULONG>(values.size()), values.data(), &problems);
    const bool refused = problems && problems->cProblem > 0;
    if (SUCCEEDED(hr) && refused)
        hr = problems->aProblem[0].scode;
    MAPIFreeBuffer(problems);
    if (FAILED(hr))
        return Fail(hr, "The subject and text could not be written into the message (" + HexCode(hr) + ").");
    if (body && m_body != m_content.body) {
        // The text the user wrote is the message's text now: a formatted copy of the old text
        // would be shown instead of it by readers that prefer formatting.
        SizedSPropTagArray(2, formatted) = {2, {PR_RTF_COMPRESSED, PR_HTML}};
        target->DeleteProps(reinterpret_cast<LPSPropTagArray>(&formatted), nullptr);
    }
    return S_OK;
}

HRESULT BuiltInForm::Save(LPMESSAGE pMessage, ULONG fSameAsLoad)
{
    if (m_state != State::Normal)
        return Fail(E_UNEXPECTED, "The form cannot write into a message now.");
    IMessage* target = pMessage ? pMessage : fSameAsLoad ? m_message.get() : nullptr;
    if (!target)
        return Fail(MAPI_E_INVALID_PARAMETER, "There is no message to write into.");
    const HRESULT hr = WriteChanges(target, !fSameAsLoad);
    if (FAILED(hr))
        return hr;
    m_wroteDuringSave = true;
    if (fSameAsLoad) {
        m_savedSubject = m_subject;
        m_savedBody = m_body;
        m_dirty = false;
    }
    // Until SaveCompleted (or the site's call ends) the message is the caller's to save.
    m_state = State::NoScribble;
    return S_OK;
}

HRESULT BuiltInForm::SaveCompleted(LPMESSAGE pMessage)
{
    switch (m_state) {
    case State::NoScribble:
        if (pMessage)
            m_message = pMessage;
        break;
    case State::HandsOffAfterSave:
    case State::HandsOffFromNormal:
        if (!pMessage)
            return Fail(MAPI_E_INVALID_PARAMETER, "The form needs the saved message back.");
        m_message = pMessage;
        break;
    default:
        return Fail(E_UNEXPECTED, "The form has no save to complete.");
    }
    m_state = State::Normal;
    FormContent content;
    if (SUCCEEDED(FormContent::Read(m_message.get(), content)))
        m_content = std::move(content);
    Refresh();
    return S_OK;
}

HRESULT BuiltInForm::HandsOffMessage()
{
    if (m_state == State::Normal)
        m_state = State::HandsOffFromNormal;
    else if (m_state == State::NoScribble)
        m_state = State::HandsOffAfterSave;
    else
        return Fail(E_UNEXPECTED, "The form holds no message to let go of.");
    m_message = nullptr;
    Refresh();
    return S_OK;
}

void BuiltInForm::Recover()
{
    if (m_state == State::NoScribble) {
        m_state = State::Normal;
    } else if (m_state == State::HandsOffAfterSave || m_state == State::HandsOffFromNormal) {
        ComPtr<IMessage> message;
        if (m_site && m_site->GetMessage(message.put()) == S_OK && message) {
            m_message = message;
            m_state = State::Normal;
        }
    }
}

std::string BuiltInForm::SiteErrorText(HRESULT hr)
{
    LPMAPIERROR error = nullptr;
    std::string text;
    if (m_site && SUCCEEDED(m_site->GetLastError(hr, 0, &error)) && error && error->lpszError)
        text = error->lpszError;
    MAPIFreeBuffer(error);
    return text.empty() ? "Error " + HexCode(hr) + "." : text;
}

HRESULT BuiltInForm::SaveThroughSite()
{
    const std::string savedSubject = m_savedSubject;
    const std::string savedBody = m_savedBody;
    const bool dirty = m_dirty;
    m_wroteDuringSave = false;
    const HRESULT hr = m_site->SaveMessage();
    const bool wrote = m_wroteDuringSave;
    Recover();
    if (FAILED(hr) || !wrote) {
        // Nothing reached the store: the changes are still the user's.
        m_savedSubject = savedSubject;
        m_savedBody = savedBody;
        m_dirty = dirty;
    }
    if (FAILED(hr)) {
        Fail(hr, SiteErrorText(hr));
    } else if (m_message) {
        FormContent content;
        if (SUCCEEDED(FormContent::Read(m_message.get(), content)))
            m_content = std::move(content);
    }
    Record("save", hr);
    if (SUCCEEDED(hr))
        Notify(&IMAPIViewAdviseSink::OnSaved);
    Refresh();
    return hr;
}

// --- The view context and the viewers --------------------------------------------------------

HRESULT BuiltInForm::SetViewContext(LPMAPIVIEWCONTEXT pViewContext)
{
    if (m_state == State::Shutdown)
        return E_UNEXPECTED;
    ComPtr<IMAPIFormAdviseSink> self(static_cast<IMAPIFormAdviseSink*>(this));
    if (ComPtr<IMAPIViewContext> previous = std::move(m_viewContext))
        previous->SetAdviseSink(nullptr);
    m_viewContext = pViewContext;
    if (m_viewContext)
        m_viewContext->SetAdviseSink(self.get());
    ReadViewStatus(m_viewContext.get());
    Refresh();
    return S_OK;
}

HRESULT BuiltInForm::GetViewContext(LPMAPIVIEWCONTEXT* ppViewContext)
{
    if (!ppViewContext)
        return MAPI_E_INVALID_PARAMETER;
    *ppViewContext = nullptr;
    if (m_state == State::Shutdown)
        return E_UNEXPECTED;
    if (!m_viewContext)
        return S_FALSE;
    *ppViewContext = m_viewContext.get();
    (*ppViewContext)->AddRef();
    return S_OK;
}

HRESULT BuiltInForm::Advise(LPMAPIVIEWADVISESINK pAdvise, ULONG* pdwStatus)
{
    if (!pAdvise || !pdwStatus)
        return MAPI_E_INVALID_PARAMETER;
    *pdwStatus = 0;
    if (m_state == State::Shutdown)
        return E_UNEXPECTED;
    m_sinks.push_back({m_nextConnection, pAdvise});
    *pdwStatus = m_nextConnection++;
    return S_OK;
}

HRESULT BuiltInForm::Unadvise(ULONG ulConnection)
{
    // Also while the form shuts down: its viewers unadvise when told of it.
    for (auto it = m_sinks.begin(); it != m_sinks.end(); ++it) {
        if (it->connection == ulConnection) {
            const ComPtr<IMAPIViewAdviseSink> sink = std::move(it->sink);
            m_sinks.erase(it);
            return S_OK;
        }
    }
    return MAPI_E_NOT_FOUND;
}

void BuiltInForm::Notify(HRESULT (IMAPIViewAdviseSink::*event)())
{
    // A viewer may unadvise (or advise) while it is told.
    const std::vector<Sink> sinks = m_sinks;
    for (const auto& s : sinks)
        (s.sink.get()->*event)();
}

HRESULT BuiltInForm::OnChange(ULONG)
{
    if (m_state == State::Shutdown)
        return E_UNEXPECTED;
    ReadViewStatus(m_viewContext.get());
    Refresh();
    return S_OK;
}

HRESULT BuiltInForm::OnActivateNext(LPCSTR, ULONG, ULONG, LPPERSISTMESSAGE* ppPersistMessage)
{
    if (!ppPersistMessage)
        return MAPI_E_INVALID_PARAMETER;
    *ppPersistMessage = nullptr;
    return m_state == State::Shutdown ? E_UNEXPECTED : S_OK;
}

// --- Showing and closing ---------------------------------------------------------------------

HRESULT BuiltInForm::DoVerb(LONG iVerb, LPMAPIVIEWCONTEXT lpViewContext, ULONG_PTR hwndParent, LPCRECT lprcPosRect)
{
    if (m_state == State::Shutdown || m_state == State::Uninitialized)
        return Fail(E_UNEXPECTED, "The form has no message to show.");
    if (iVerb != EXCHIVERB_OPEN)
        return Fail(MAPI_E_NO_SUPPORT, "The form knows no verb " + std::to_string(iVerb) + ".");
    ComPtr<IMAPIForm> keep(this);
    // The view context of the call says how to show the form this time.
    if (lpViewContext)
        ReadViewStatus(lpViewContext);
    Record("open", S_OK);
    if (!(m_viewStatus & VCSTATUS_INTERACTIVE))
        return S_OK; // not for a person to see
    if (!m_display) {
        m_display = CurrentFormDisplayFactory()->Create(*this);
        if (!m_display)
            return Fail(MAPI_E_CALL_FAILED, "The form's window could not be made.");
    }
    const HRESULT hr =
        m_display->Open(reinterpret_cast<HWND>(hwndParent), lprcPosRect, (m_viewStatus & VCSTATUS_MODAL) != 0);
    if (FAILED(hr))
        return Fail(hr, "The form's window could not be shown (" + HexCode(hr) + ").");
    return hr;
}

HRESULT BuiltInForm::ShutdownForm(ULONG ulSaveOptions)
{
    if (ulSaveOptions > SAVEOPTS_PROMPTSAVE)
        return MAPI_E_INVALID_PARAMETER;
    if (m_state == State::Shutdown)
        return E_UNEXPECTED;
    ComPtr<IMAPIForm> keep(this);
    if (m_dirty && CanSave() && ulSaveOptions != SAVEOPTS_NOSAVE) {
        int answer = IDYES;
        if (ulSaveOptions == SAVEOPTS_PROMPTSAVE) {
            const std::string question = "Do you want to save the changes to \"" +
                                         (m_subject.empty() ? std::string("(no subject)") : m_subject) + "\"?";
            answer = MessageBoxA(Window(), question.c_str(), Caption().c_str(), MB_YESNOCANCEL | MB_ICONQUESTION);
        }
        if (answer == IDYES) {
            const HRESULT hr = SaveThroughSite();
            if (FAILED(hr)) {
                if (ulSaveOptions == SAVEOPTS_PROMPTSAVE)
                    ShowFailure("saved", hr);
                return hr; // the form stays, with the user's changes
            }
        } else if (answer != IDNO) {
            return MAPI_E_USER_CANCEL;
        }
    }
    m_state = State::Shutdown;
    Record("close", S_OK);
    if (m_display)
        m_display->Close();
    Notify(&IMAPIViewAdviseSink::OnShutdown);
    m_message = nullptr;
    if (ComPtr<IMAPIViewContext> context = std::move(m_viewContext))
        context->SetAdviseSink(nullptr);
    m_site = nullptr;
    m_sinks.clear();
    detail::RemoveOpenForm(this);
    return S_OK;
}

// --- What a display shows and what its user does ----------------------------------------------

std::string BuiltInForm::Caption() const
{
    const std::string subject = m_subject.empty() ? "(no subject)" : m_subject;
    return subject + " - " + (m_content.messageClass.empty() ? std::string("Message") : m_content.messageClass);
}

bool BuiltInForm::CanEdit() const
{
    return InHand() && !(m_viewStatus & VCSTATUS_READONLY) && m_content.modifiable;
}

bool BuiltInForm::CanSave() const
{
    return CanEdit() && (m_siteStatus & VCSTATUS_SAVE);
}

bool BuiltInForm::CanSend() const
{
    return CanEdit() && (m_siteStatus & VCSTATUS_SUBMIT) && (m_messageFlags & MSGFLAG_UNSENT) &&
           !(m_messageFlags & MSGFLAG_SUBMIT);
}

bool BuiltInForm::Shown() const
{
    return m_display && m_display->Shown();
}

HWND BuiltInForm::Window() const
{
    return m_display ? m_display->Window() : nullptr;
}

void BuiltInForm::SetSubject(std::string subject)
{
    if (!CanEdit())
        return;
    m_subject = std::move(subject);
    m_dirty = m_subject != m_savedSubject || m_body != m_savedBody;
}

void BuiltInForm::SetBody(std::string body)
{
    if (!CanEdit())
        return;
    m_body = std::move(body);
    m_dirty = m_subject != m_savedSubject || m_body != m_savedBody;
}

HRESULT BuiltInForm::CommandSave()
{
    if (!CanSave())
        return Fail(MAPI_E_NO_SUPPORT, "The item cannot be saved here.");
    ComPtr<IMAPIForm> keep(this);
    const HRESULT hr = SaveThroughSite();
    if (FAILED(hr))
        ShowFailure("saved", hr);
    return hr;
}

HRESULT BuiltInForm::CommandSend()
{
    if (!CanSend())
        return Fail(MAPI_E_NO_SUPPORT, "The item cannot be sent from here.");
    ComPtr<IMAPIForm> keep(this);
    const std::string savedSubject = m_savedSubject;
    const std::string savedBody = m_savedBody;
    const bool dirty = m_dirty;
    const HRESULT hr = m_site->SubmitMessage(0);
    if (FAILED(hr)) {
        Recover();
        m_savedSubject = savedSubject;
        m_savedBody = savedBody;
        m_dirty = dirty;
        Fail(hr, SiteErrorText(hr));
        Record("send", hr);
        Refresh();
        ShowFailure("sent", hr);
        return hr;
    }
    Record("send", hr);
    Notify(&IMAPIViewAdviseSink::OnSubmitted);
    // The message is on its way and no longer this form's.
    ShutdownForm(SAVEOPTS_NOSAVE);
    return hr;
}

HRESULT BuiltInForm::CommandClose()
{
    ComPtr<IMAPIForm> keep(this);
    return ShutdownForm(SAVEOPTS_PROMPTSAVE);
}

void BuiltInForm::ShowFailure(const char* what, HRESULT hr)
{
    const std::string text = std::string("The item could not be ") + what + ".\r\n" +
                             (m_lastResult == hr && !m_lastError.empty() ? m_lastError : "Error " + HexCode(hr) + ".");
    MessageBoxA(Window(), text.c_str(), Caption().c_str(), MB_OK | MB_ICONEXCLAMATION);
}

void BuiltInForm::Record(const char* verb, HRESULT result)
{
    detail::RecordFormEvent({verb, m_content.messageClass, m_subject, result});
}

void BuiltInForm::Refresh()
{
    if (m_display && m_state != State::Shutdown)
        m_display->Refresh();
}

} // namespace mapi
