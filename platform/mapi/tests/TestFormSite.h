// A small form host for the form tests: one object that is message site, view context and view
// advise sink, as a program that previews messages has. It saves through the form's Save and
// the message's SaveChanges, sends through Save, HandsOffMessage and the message's
// SubmitMessage, refuses copying, moving and deleting, and writes down what the form told it.
#pragma once

#include "com/ComPtr.h"
#include "mapi/MapiForm.h"
#include "mapi/MapiUtil.h"

#include <atomic>
#include <string>
#include <vector>

namespace formtest {

class TestFormSite final : public IMAPIMessageSite, public IMAPIViewContext, public IMAPIViewAdviseSink {
public:
    static inline std::atomic<int> s_live{0};

    TestFormSite(IMAPISession* session, IMsgStore* store, IMAPIFolder* folder, IMessage* message)
        : m_session(session), m_store(store), m_folder(folder), m_message(message)
    {
        ++s_live;
    }

    // Keeps the form's persist object and advises the form, as the viewer does with a loaded form.
    HRESULT SetForm(IMAPIForm* form)
    {
        m_persist = nullptr;
        HRESULT hr = form->QueryInterface(IID_IPersistMessage, m_persist.put_void());
        if (SUCCEEDED(hr))
            hr = form->Advise(static_cast<IMAPIViewAdviseSink*>(this), &m_connection);
        return hr;
    }

    std::vector<std::string> log;
    ULONG siteStatus = VCSTATUS_NEW_MESSAGE | VCSTATUS_SAVE | VCSTATUS_SUBMIT;
    ULONG viewStatus = VCSTATUS_INTERACTIVE;
    // The site's SaveChanges fails with this (and GetLastError tells why).
    HRESULT saveFailure = S_OK;
    ULONG Connection() const { return m_connection; }
    IMAPIFormAdviseSink* FormSink() const { return m_formSink.get(); }
    IMessage* Message() const { return m_message.get(); }

    // IUnknown
    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
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
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override
    {
        const ULONG refs = --m_refs;
        if (refs == 0)
            delete this;
        return refs;
    }
    ULONG Refs() const { return m_refs; }

    // IMAPIMessageSite and IMAPIViewContext
    HRESULT GetLastError(HRESULT hResult, ULONG, LPMAPIERROR* lppMAPIError) override
    {
        *lppMAPIError = nullptr;
        if (hResult != saveFailure || saveFailure == S_OK)
            return S_OK;
        void* block = nullptr;
        MAPIAllocateBuffer(sizeof(MAPIERROR), &block);
        auto* error = static_cast<MAPIERROR*>(block);
        *error = MAPIERROR{};
        static char text[] = "The folder is full.";
        error->lpszError = text;
        *lppMAPIError = error;
        return S_OK;
    }
    HRESULT GetSession(LPMAPISESSION* pp) override { return Give(m_session.get(), pp); }
    HRESULT GetStore(LPMDB* pp) override { return Give(m_store.get(), pp); }
    HRESULT GetFolder(LPMAPIFOLDER* pp) override { return Give(m_folder.get(), pp); }
    HRESULT GetMessage(LPMESSAGE* pp) override
    {
        Give(m_message.get(), pp);
        return m_message ? S_OK : S_FALSE;
    }
    HRESULT GetFormManager(LPMAPIFORMMGR* pp) override { return MAPIOpenFormMgr(m_session.get(), pp); }
    HRESULT NewMessage(ULONG, LPMAPIFOLDER, LPPERSISTMESSAGE, LPMESSAGE*, LPMAPIMESSAGESITE*,
                       LPMAPIVIEWCONTEXT*) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT CopyMessage(LPMAPIFOLDER) override { return MAPI_E_NO_SUPPORT; }
    HRESULT MoveMessage(LPMAPIFOLDER, LPMAPIVIEWCONTEXT, LPCRECT) override { return MAPI_E_NO_SUPPORT; }
    HRESULT DeleteMessage(LPMAPIVIEWCONTEXT, LPCRECT) override { return MAPI_E_NO_SUPPORT; }
    HRESULT SaveMessage() override
    {
        log.push_back("SaveMessage");
        if (!m_persist || !m_message)
            return E_UNEXPECTED;
        HRESULT hr = m_persist->Save(m_message.get(), TRUE);
        if (SUCCEEDED(hr))
            hr = saveFailure != S_OK ? saveFailure : m_message->SaveChanges(KEEP_OPEN_READWRITE);
        return hr;
    }
    HRESULT SubmitMessage(ULONG) override
    {
        log.push_back("SubmitMessage");
        if (!m_persist || !m_message)
            return E_UNEXPECTED;
        HRESULT hr = m_persist->Save(m_message.get(), TRUE);
        if (SUCCEEDED(hr))
            hr = m_persist->HandsOffMessage();
        if (SUCCEEDED(hr))
            hr = m_message->SubmitMessage(0);
        if (SUCCEEDED(hr))
            m_message = nullptr;
        return hr;
    }
    HRESULT GetSiteStatus(ULONG* status) override
    {
        *status = siteStatus;
        return S_OK;
    }
    HRESULT SetAdviseSink(LPMAPIFORMADVISESINK sink) override
    {
        log.push_back(sink ? "SetAdviseSink" : "SetAdviseSink(null)");
        m_formSink = sink;
        return S_OK;
    }
    HRESULT ActivateNext(ULONG, LPCRECT) override { return S_OK; }
    HRESULT GetPrintSetup(ULONG, LPFORMPRINTSETUP* pp) override
    {
        *pp = nullptr;
        return S_OK;
    }
    HRESULT GetSaveStream(ULONG*, ULONG*, IStream** pp) override
    {
        *pp = nullptr;
        return S_OK;
    }
    HRESULT GetViewStatus(ULONG* status) override
    {
        *status = viewStatus;
        return S_OK;
    }

    // IMAPIViewAdviseSink
    HRESULT OnShutdown() override
    {
        log.push_back("OnShutdown");
        ComPtr<IMAPIForm> form;
        if (!m_persist)
            return E_UNEXPECTED;
        HRESULT hr = m_persist->QueryInterface(IID_IMAPIForm, form.put_void());
        if (SUCCEEDED(hr))
            hr = form->Unadvise(m_connection);
        return hr;
    }
    HRESULT OnNewMessage() override
    {
        log.push_back("OnNewMessage");
        return S_OK;
    }
    HRESULT OnPrint(ULONG, HRESULT) override { return S_OK; }
    HRESULT OnSubmitted() override
    {
        log.push_back("OnSubmitted");
        return S_OK;
    }
    HRESULT OnSaved() override
    {
        log.push_back("OnSaved");
        return S_OK;
    }

private:
    ~TestFormSite() { --s_live; }

    template <class T>
    static HRESULT Give(T* p, T** out)
    {
        *out = p;
        if (p)
            p->AddRef();
        return S_OK;
    }

    std::atomic<ULONG> m_refs{1};
    ComPtr<IMAPISession> m_session;
    ComPtr<IMsgStore> m_store;
    ComPtr<IMAPIFolder> m_folder;
    ComPtr<IMessage> m_message;
    ComPtr<IPersistMessage> m_persist;
    ComPtr<IMAPIFormAdviseSink> m_formSink;
    ULONG m_connection = 0;
};

} // namespace formtest
