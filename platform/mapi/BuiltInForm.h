// The form the form manager gives for every message class. It shows the message, lets the user
// change its subject and text, saves it through the site's SaveMessage and sends it through
// the site's SubmitMessage; copying, moving and deleting are not among its commands.
//
// A form lives as a MAPI form does: Load (or InitNew) gives it a site and a message, SetViewContext
// a view context; DoVerb(EXCHIVERB_OPEN) shows it; viewers that Advise hear OnNewMessage,
// OnSaved, OnSubmitted and OnShutdown. Save writes the changes into a message without saving
// it (the site saves); HandsOffMessage makes it let go of the message until SaveCompleted (or
// Load) gives one back. ShutdownForm tells the viewers, lets go of site, message and view
// context, closes the window, and leaves a form that answers E_UNEXPECTED. Its window is a
// FormDisplay (mapi/FormDisplay.h); what a display offers its user is here, free of any window.
#pragma once

#include "com/ComPtr.h"
#include "mapi/FormContent.h"
#include "mapi/MapiForm.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace mapi {

class FormDisplay;

// The class of the built-in form (IPersistMessage::GetClassID).
inline constexpr CLSID CLSID_BuiltInForm = MakeGuid("3B0E5C61-7F2A-4D59-9C1E-6A8D24F0B7E3");

class BuiltInForm final : public IMAPIForm, public IPersistMessage, public IMAPIFormAdviseSink {
public:
    // A new form, not loaded yet, with one reference.
    static HRESULT Create(BuiltInForm** out);

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override;
    ULONG Release() override;
    // Adds a reference unless the last one is already gone.
    bool TryAddRef();

    // IMAPIForm and IPersistMessage: the text of the last failure, when hResult is its result.
    HRESULT GetLastError(HRESULT hResult, ULONG ulFlags, LPMAPIERROR* lppMAPIError) override;

    // IMAPIForm
    HRESULT SetViewContext(LPMAPIVIEWCONTEXT pViewContext) override;
    HRESULT GetViewContext(LPMAPIVIEWCONTEXT* ppViewContext) override;
    HRESULT ShutdownForm(ULONG ulSaveOptions) override;
    HRESULT DoVerb(LONG iVerb, LPMAPIVIEWCONTEXT lpViewContext, ULONG_PTR hwndParent, LPCRECT lprcPosRect) override;
    HRESULT Advise(LPMAPIVIEWADVISESINK pAdvise, ULONG* pdwStatus) override;
    HRESULT Unadvise(ULONG ulConnection) override;

    // IPersistMessage
    HRESULT GetClassID(LPCLSID lpClassID) override;
    HRESULT IsDirty() override;
    HRESULT InitNew(LPMAPIMESSAGESITE pMessageSite, LPMESSAGE pMessage) override;
    HRESULT Load(LPMAPIMESSAGESITE pMessageSite, LPMESSAGE pMessage, ULONG ulMessageStatus,
                 ULONG ulMessageFlags) override;
    HRESULT Save(LPMESSAGE pMessage, ULONG fSameAsLoad) override;
    HRESULT SaveCompleted(LPMESSAGE pMessage) override;
    HRESULT HandsOffMessage() override;

    // IMAPIFormAdviseSink: the view context tells of its next and previous messages; this form
    // serves every class, so it would load the next message itself.
    HRESULT OnChange(ULONG ulDir) override;
    HRESULT OnActivateNext(LPCSTR lpszMessageClass, ULONG ulMessageStatus, ULONG ulMessageFlags,
                           LPPERSISTMESSAGE* ppPersistMessage) override;

    // --- What a display shows ---
    enum class State { Uninitialized, Normal, NoScribble, HandsOffAfterSave, HandsOffFromNormal, Shutdown };
    State GetState() const { return m_state; }
    // The message as loaded or last saved.
    const FormContent& Content() const { return m_content; }
    // The subject and text as the user has them now (UTF-8).
    const std::string& Subject() const { return m_subject; }
    const std::string& Body() const { return m_body; }
    bool Dirty() const { return m_dirty; }
    // "Subject - Message class" ("(no subject)" without one).
    std::string Caption() const;
    // The user may change the subject and text (loaded, the view not read-only, the message
    // modifiable and in hand), save (and the site saves), send (and the site submits an unsent
    // message).
    bool CanEdit() const;
    bool CanSave() const;
    bool CanSend() const;
    ULONG SiteStatus() const { return m_siteStatus; }
    ULONG ViewStatus() const { return m_viewStatus; }
    ULONG MessageFlags() const { return m_messageFlags; }
    ULONG MessageStatus() const { return m_messageStatus; }
    // Whether the verb open has shown it (also headless) and it has not closed.
    bool Shown() const;
    // The window while it shows (null headless).
    HWND Window() const;

    // --- What the user does ---
    // Typing: the form becomes dirty when the text differs from what it had.
    void SetSubject(std::string subject);
    void SetBody(std::string body);
    // Save: the site's SaveMessage; a failure is shown in a box. Send: the site's
    // SubmitMessage, then the form closes; a failure is shown in a box. Close: asks whether to
    // save changes (Yes saves, No drops them, Cancel keeps the form: MAPI_E_USER_CANCEL).
    HRESULT CommandSave();
    HRESULT CommandSend();
    HRESULT CommandClose();

private:
    BuiltInForm();
    ~BuiltInForm();
    BuiltInForm(const BuiltInForm&) = delete;
    BuiltInForm& operator=(const BuiltInForm&) = delete;

    struct Sink {
        ULONG connection;
        ComPtr<IMAPIViewAdviseSink> sink;
    };

    HRESULT Fail(HRESULT hr, std::string text);
    HRESULT TakeMessage(LPMAPIMESSAGESITE site, LPMESSAGE message, ULONG status, ULONG flags, bool isNew);
    void ReadSiteStatus();
    void ReadViewStatus(IMAPIViewContext* context);
    HRESULT WriteChanges(IMessage* target, bool all);
    // Asks the site to save; on success the form is clean and back to normal.
    HRESULT SaveThroughSite();
    // After the site's save or send: back to normal, with the message the site still holds.
    void Recover();
    // The site's text for its failure, else the code.
    std::string SiteErrorText(HRESULT hr);
    void Notify(HRESULT (IMAPIViewAdviseSink::*event)());
    void Record(const char* verb, HRESULT result);
    void ShowFailure(const char* what, HRESULT hr);
    void Refresh();
    bool InHand() const { return m_state == State::Normal && m_message; }

    std::atomic<ULONG> m_refs{1};
    State m_state = State::Uninitialized;
    ComPtr<IMAPIMessageSite> m_site;
    ComPtr<IMessage> m_message;
    ComPtr<IMAPIViewContext> m_viewContext;
    std::vector<Sink> m_sinks;
    ULONG m_nextConnection = 1;
    ULONG m_messageStatus = 0;
    ULONG m_messageFlags = 0;
    ULONG m_siteStatus = 0;
    ULONG m_viewStatus = VCSTATUS_INTERACTIVE;
    FormContent m_content;
    std::string m_subject;
    std::string m_body;
    // What the message has (as loaded, or as last written into it).
    std::string m_savedSubject;
    std::string m_savedBody;
    bool m_dirty = false;
    // Save wrote the changes during the site's SaveMessage.
    bool m_wroteDuringSave = false;
    std::unique_ptr<FormDisplay> m_display;
    HRESULT m_lastResult = S_OK;
    std::string m_lastError;
};

} // namespace mapi
