// The host of a conflicting message's form: one COM object that is the form's message site,
// its view context and its view advise sink. The site lets the user read, save or send the
// message and refuses to copy, move or delete it. Each site tells its parent list when it is
// made and when it goes, so that the conflicts dialog can refuse to act while a form is open.
// Every method writes its name to the debugger output; failed steps are traced with their line.
#pragma once

#include "com/ComPtr.h"
#include "mapi/MapiForm.h"

#include <atomic>
#include <vector>

class CConflictsListCtrl;

class CMyMAPIFormViewer final : public IMAPIMessageSite, public IMAPIViewContext, public IMAPIViewAdviseSink {
public:
    // A site with one reference for the message (or none) of the folder, in the store of the
    // session. `folderEntryId` null: the folder's PR_ENTRYID is read. `parent` (or none) counts
    // the site among its open forms until the site goes.
    CMyMAPIFormViewer(IMAPISession* session, IMsgStore* store, IMAPIFolder* folder, IMessage* message,
                      const SBinary* folderEntryId, CConflictsListCtrl* parent);

    // IUnknown: IID_IUnknown and IID_IMAPIMessageSite give the site, IID_IMAPIViewContext and
    // IID_IMAPIViewAdviseSink its other two interfaces.
    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override;
    ULONG Release() override;

    // IMAPIMessageSite (and IMAPIViewContext's GetLastError): no error text.
    HRESULT GetLastError(HRESULT hResult, ULONG ulFlags, LPMAPIERROR* lppMAPIError) override;
    HRESULT GetSession(LPMAPISESSION* ppSession) override;
    HRESULT GetStore(LPMDB* ppStore) override;
    HRESULT GetFolder(LPMAPIFOLDER* ppFolder) override;
    // S_FALSE and null once the message has been sent.
    HRESULT GetMessage(LPMESSAGE* ppmsg) override;
    HRESULT GetFormManager(LPMAPIFORMMGR* ppFormMgr) override;
    // A new message in the folder and a site for it; the message is saved only when its form
    // saves it.
    HRESULT NewMessage(ULONG fComposeInFolder, LPMAPIFOLDER pFolderFocus, LPPERSISTMESSAGE pPersistMessage,
                       LPMESSAGE* ppMessage, LPMAPIMESSAGESITE* ppMessageSite,
                       LPMAPIVIEWCONTEXT* ppViewContext) override;
    HRESULT CopyMessage(LPMAPIFOLDER pFolderDestination) override;
    HRESULT MoveMessage(LPMAPIFOLDER pFolderDestination, LPMAPIVIEWCONTEXT pViewContext,
                        LPCRECT prcPosRect) override;
    HRESULT DeleteMessage(LPMAPIVIEWCONTEXT pViewContext, LPCRECT prcPosRect) override;
    // Without a form's persist object: E_UNEXPECTED; without a message (it was sent):
    // MAPI_E_NO_SUPPORT.
    HRESULT SaveMessage() override;
    HRESULT SubmitMessage(ULONG ulFlags) override;
    HRESULT GetSiteStatus(ULONG* lpulStatus) override;

    // IMAPIViewContext
    HRESULT SetAdviseSink(LPMAPIFORMADVISESINK pmvns) override;
    HRESULT ActivateNext(ULONG ulDir, LPCRECT prcPosRect) override;
    HRESULT GetPrintSetup(ULONG ulFlags, LPFORMPRINTSETUP* lppFormPrintSetup) override;
    HRESULT GetSaveStream(ULONG* pulFlags, ULONG* pulFormat, IStream** ppstm) override;
    HRESULT GetViewStatus(ULONG* lpulStatus) override;

    // IMAPIViewAdviseSink: the form shuts down (the site stops listening; without a persist
    // object E_UNEXPECTED).
    HRESULT OnShutdown() override;
    HRESULT OnNewMessage() override;
    HRESULT OnPrint(ULONG dwPageNumber, HRESULT hrStatus) override;
    HRESULT OnSubmitted() override;
    HRESULT OnSaved() override;

    // The form the site hosts: its persist object is kept and the site listens to it.
    HRESULT SetForm(IMAPIForm* form);
    HRESULT SetPersist(IPersistMessage* persist);

    // The parent list goes before the site: the site no longer tells it anything.
    void DetachParent() { m_pParentList = nullptr; }

private:
    ~CMyMAPIFormViewer();
    CMyMAPIFormViewer(const CMyMAPIFormViewer&) = delete;
    CMyMAPIFormViewer& operator=(const CMyMAPIFormViewer&) = delete;

    std::atomic<LONG> m_cRef{1};
    ComPtr<IMAPIFolder> m_lpFolder;
    ComPtr<IMessage> m_lpMessage;
    ComPtr<IPersistMessage> m_lpPersistMessage;
    ComPtr<IMAPIFormAdviseSink> m_lpMapiFormAdviseSink;
    CConflictsListCtrl* m_pParentList = nullptr;
    std::vector<BYTE> m_folderEntryId;
    ULONG m_ulConnection = 0;
    ComPtr<IMAPISession> m_lpMAPISession;
    ComPtr<IMsgStore> m_lpMDB;
};
