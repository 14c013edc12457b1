// MAPI forms: the form manager that loads a message's form, the form's interfaces (IMAPIForm,
// IPersistMessage), and the interfaces a program that hosts a form implements: the message
// site (IMAPIMessageSite), the view context (IMAPIViewContext) and the advise sink through
// which the form reports what it did (IMAPIViewAdviseSink). Members stand in MAPI's order, each
// interface with its documented IID.
#pragma once

#include "base/WinMessages.h"
#include "com/Stream.h"
#include "mapi/MapiX.h"

struct IMAPIForm;
struct IPersistMessage;
struct IMAPIMessageSite;
struct IMAPIViewContext;
struct IMAPIViewAdviseSink;
struct IMAPIFormAdviseSink;
struct IMAPIFormMgr;
using LPMAPIFORM = IMAPIForm*;
using LPPERSISTMESSAGE = IPersistMessage*;
using LPMAPIMESSAGESITE = IMAPIMessageSite*;
using LPMAPIVIEWCONTEXT = IMAPIViewContext*;
using LPMAPIVIEWADVISESINK = IMAPIViewAdviseSink*;
using LPMAPIFORMADVISESINK = IMAPIFormAdviseSink*;
using LPMAPIFORMMGR = IMAPIFormMgr*;

// Form registrations and their descriptions: only named by the form manager's methods that are
// not offered here, so they stay opaque.
struct IMAPIFormInfo;
struct IMAPIFormContainer;
struct SMessageClassArray;
struct SMAPIFormInfoArray;
struct SMAPIFormPropArray;
struct FORMPRINTSETUP;
using LPMAPIFORMINFO = IMAPIFormInfo*;
using LPMAPIFORMCONTAINER = IMAPIFormContainer*;
using LPSMESSAGECLASSARRAY = SMessageClassArray*;
using LPSMAPIFORMINFOARRAY = SMAPIFormInfoArray*;
using LPMAPIFORMPROPARRAY = SMAPIFormPropArray*;
using LPFORMPRINTSETUP = FORMPRINTSETUP*;
using HFRMREG = ULONG;

// Verbs of IMAPIForm::DoVerb.
#define EXCHIVERB_OPEN 0

// IMAPIForm::ShutdownForm.
#define SAVEOPTS_SAVEIFDIRTY 0u
#define SAVEOPTS_NOSAVE 1u
#define SAVEOPTS_PROMPTSAVE 2u

// IMAPIFormMgr::LoadForm: only a form registered for exactly this message class.
#define MAPIFORM_EXACTMATCH 0x00000020u

// Status of a view context (GetViewStatus) and of a message site (GetSiteStatus); the VCDIR_
// values are the directions of ActivateNext and IMAPIFormAdviseSink::OnChange.
#define VCSTATUS_NEXT 0x00000001u
#define VCSTATUS_PREV 0x00000002u
#define VCSTATUS_MODAL 0x00000004u
#define VCSTATUS_INTERACTIVE 0x00000008u
#define VCSTATUS_READONLY 0x00000010u
#define VCSTATUS_DELETE 0x00010000u
#define VCSTATUS_COPY 0x00020000u
#define VCSTATUS_MOVE 0x00040000u
#define VCSTATUS_SUBMIT 0x00080000u
#define VCSTATUS_DELETE_IS_MOVE 0x00100000u
#define VCSTATUS_SAVE 0x00200000u
#define VCSTATUS_NEW_MESSAGE 0x00400000u
#define VCDIR_NEXT VCSTATUS_NEXT
#define VCDIR_PREV VCSTATUS_PREV
#define VCDIR_DELETE VCSTATUS_DELETE
#define VCDIR_MOVE VCSTATUS_MOVE

// IMAPIViewContext::GetSaveStream formats.
#define SAVE_FORMAT_TEXT 1u
#define SAVE_FORMAT_RICHTEXT 2u

struct IMAPIViewAdviseSink : IUnknown {
    virtual HRESULT OnShutdown() = 0;
    virtual HRESULT OnNewMessage() = 0;
    virtual HRESULT OnPrint(ULONG dwPageNumber, HRESULT hrStatus) = 0;
    virtual HRESULT OnSubmitted() = 0;
    virtual HRESULT OnSaved() = 0;
};
PLATFORM_DECLARE_IID(IMAPIViewAdviseSink, "0002032B-0000-0000-C000-000000000046");

struct IMAPIFormAdviseSink : IUnknown {
    virtual HRESULT OnChange(ULONG ulDir) = 0;
    virtual HRESULT OnActivateNext(LPCSTR lpszMessageClass, ULONG ulMessageStatus, ULONG ulMessageFlags,
                                   LPPERSISTMESSAGE* ppPersistMessage) = 0;
};
PLATFORM_DECLARE_IID(IMAPIFormAdviseSink, "0002032F-0000-0000-C000-000000000046");

struct IMAPIViewContext : IUnknown {
    virtual HRESULT GetLastError(HRESULT hResult, ULONG ulFlags, LPMAPIERROR* lppMAPIError) = 0;
    virtual HRESULT SetAdviseSink(LPMAPIFORMADVISESINK pmvns) = 0;
    virtual HRESULT ActivateNext(ULONG ulDir, LPCRECT prcPosRect) = 0;
    virtual HRESULT GetPrintSetup(ULONG ulFlags, LPFORMPRINTSETUP* lppFormPrintSetup) = 0;
    virtual HRESULT GetSaveStream(ULONG* pulFlags, ULONG* pulFormat, IStream** ppstm) = 0;
    virtual HRESULT GetViewStatus(ULONG* lpulStatus) = 0;
};
PLATFORM_DECLARE_IID(IMAPIViewContext, "00020321-0000-0000-C000-000000000046");

struct IMAPIMessageSite : IUnknown {
    virtual HRESULT GetLastError(HRESULT hResult, ULONG ulFlags, LPMAPIERROR* lppMAPIError) = 0;
    virtual HRESULT GetSession(LPMAPISESSION* ppSession) = 0;
    virtual HRESULT GetStore(LPMDB* ppStore) = 0;
    virtual HRESULT GetFolder(LPMAPIFOLDER* ppFolder) = 0;
    virtual HRESULT GetMessage(LPMESSAGE* ppmsg) = 0;
    virtual HRESULT GetFormManager(LPMAPIFORMMGR* ppFormMgr) = 0;
    virtual HRESULT NewMessage(ULONG fComposeInFolder, LPMAPIFOLDER pFolderFocus, LPPERSISTMESSAGE pPersistMessage,
                               LPMESSAGE* ppMessage, LPMAPIMESSAGESITE* ppMessageSite,
                               LPMAPIVIEWCONTEXT* ppViewContext) = 0;
    virtual HRESULT CopyMessage(LPMAPIFOLDER pFolderDestination) = 0;
    virtual HRESULT MoveMessage(LPMAPIFOLDER pFolderDestination, LPMAPIVIEWCONTEXT pViewContext,
                                LPCRECT prcPosRect) = 0;
    virtual HRESULT DeleteMessage(LPMAPIVIEWCONTEXT pViewContext, LPCRECT prcPosRect) = 0;
    virtual HRESULT SaveMessage() = 0;
    virtual HRESULT SubmitMessage(ULONG ulFlags) = 0;
    virtual HRESULT GetSiteStatus(ULONG* lpulStatus) = 0;
};
PLATFORM_DECLARE_IID(IMAPIMessageSite, "00020370-0000-0000-C000-000000000046");

struct IPersistMessage : IUnknown {
    virtual HRESULT GetLastError(HRESULT hResult, ULONG ulFlags, LPMAPIERROR* lppMAPIError) = 0;
    virtual HRESULT GetClassID(LPCLSID lpClassID) = 0;
    virtual HRESULT IsDirty() = 0;
    virtual HRESULT InitNew(LPMAPIMESSAGESITE pMessageSite, LPMESSAGE pMessage) = 0;
    virtual HRESULT Load(LPMAPIMESSAGESITE pMessageSite, LPMESSAGE pMessage, ULONG ulMessageStatus,
                         ULONG ulMessageFlags) = 0;
    virtual HRESULT Save(LPMESSAGE pMessage, ULONG fSameAsLoad) = 0;
    virtual HRESULT SaveCompleted(LPMESSAGE pMessage) = 0;
    virtual HRESULT HandsOffMessage() = 0;
};
PLATFORM_DECLARE_IID(IPersistMessage, "0002032A-0000-0000-C000-000000000046");

struct IMAPIForm : IUnknown {
    virtual HRESULT GetLastError(HRESULT hResult, ULONG ulFlags, LPMAPIERROR* lppMAPIError) = 0;
    virtual HRESULT SetViewContext(LPMAPIVIEWCONTEXT pViewContext) = 0;
    virtual HRESULT GetViewContext(LPMAPIVIEWCONTEXT* ppViewContext) = 0;
    virtual HRESULT ShutdownForm(ULONG ulSaveOptions) = 0;
    // hwndParent carries a window handle in a pointer-sized integer.
    virtual HRESULT DoVerb(LONG iVerb, LPMAPIVIEWCONTEXT lpViewContext, ULONG_PTR hwndParent,
                           LPCRECT lprcPosRect) = 0;
    virtual HRESULT Advise(LPMAPIVIEWADVISESINK pAdvise, ULONG* pdwStatus) = 0;
    virtual HRESULT Unadvise(ULONG ulConnection) = 0;
};
PLATFORM_DECLARE_IID(IMAPIForm, "00020327-0000-0000-C000-000000000046");

struct IMAPIFormMgr : IUnknown {
    virtual HRESULT GetLastError(HRESULT hResult, ULONG ulFlags, LPMAPIERROR* lppMAPIError) = 0;
    virtual HRESULT LoadForm(ULONG_PTR ulUIParam, ULONG ulFlags, LPCSTR lpszMessageClass, ULONG ulMessageStatus,
                             ULONG ulMessageFlags, LPMAPIFOLDER pFolderFocus, LPMAPIMESSAGESITE pMessageSite,
                             LPMESSAGE pmsg, LPMAPIVIEWCONTEXT pViewContext, REFIID riid, LPVOID* ppvObj) = 0;
    virtual HRESULT ResolveMessageClass(LPCSTR szMsgClass, ULONG ulFlags, LPMAPIFOLDER pFolderFocus,
                                        LPMAPIFORMINFO* ppResult) = 0;
    virtual HRESULT ResolveMultipleMessageClasses(LPSMESSAGECLASSARRAY pMsgClasses, ULONG ulFlags,
                                                  LPMAPIFOLDER pFolderFocus, LPSMAPIFORMINFOARRAY* pfrminfoarray) = 0;
    virtual HRESULT CalcFormPropSet(LPSMAPIFORMINFOARRAY pfrminfoarray, ULONG ulFlags,
                                    LPMAPIFORMPROPARRAY* ppResults) = 0;
    virtual HRESULT CreateForm(ULONG_PTR ulUIParam, ULONG ulFlags, LPMAPIFORMINFO pfrminfoToActivate,
                               REFIID refiidToAsk, LPVOID* ppvObj) = 0;
    virtual HRESULT SelectForm(ULONG_PTR ulUIParam, ULONG ulFlags, LPCSTR pszTitle, LPMAPIFOLDER pfld,
                               LPMAPIFORMINFO* ppfrminfoReturned) = 0;
    virtual HRESULT SelectMultipleForms(ULONG_PTR ulUIParam, ULONG ulFlags, LPCSTR pszTitle, LPMAPIFOLDER pfld,
                                        LPSMAPIFORMINFOARRAY pfrminfoarray,
                                        LPSMAPIFORMINFOARRAY* ppfrminfoarray) = 0;
    virtual HRESULT SelectFormContainer(ULONG_PTR ulUIParam, ULONG ulFlags, LPMAPIFORMCONTAINER* lppfcnt) = 0;
    virtual HRESULT OpenFormContainer(HFRMREG hfrmreg, LPUNKNOWN lpunk, LPMAPIFORMCONTAINER* lppfcnt) = 0;
    virtual HRESULT PrepareForm(LPCIID lpInterface, LPMESSAGE lpMessage, ULONG* lpulMessageToken) = 0;
    virtual HRESULT IsInConflict(ULONG ulMessageFlags, ULONG ulMessageStatus, LPCSTR szMessageClass,
                                 LPMAPIFOLDER pFolderFocus) = 0;
};
PLATFORM_DECLARE_IID(IMAPIFormMgr, "00020322-0000-0000-C000-000000000046");

inline constexpr IID IID_IMAPIViewAdviseSink = uuidof<IMAPIViewAdviseSink>();
inline constexpr IID IID_IMAPIFormAdviseSink = uuidof<IMAPIFormAdviseSink>();
inline constexpr IID IID_IMAPIViewContext = uuidof<IMAPIViewContext>();
inline constexpr IID IID_IMAPIMessageSite = uuidof<IMAPIMessageSite>();
inline constexpr IID IID_IPersistMessage = uuidof<IPersistMessage>();
inline constexpr IID IID_IMAPIForm = uuidof<IMAPIForm>();
inline constexpr IID IID_IMAPIFormMgr = uuidof<IMAPIFormMgr>();

// The session's form manager. One built-in form serves every message class: it shows the
// message (its texts, recipients, times, attachments and properties), lets the user change
// subject and text, saves through the site's SaveMessage and sends through its SubmitMessage.
HRESULT MAPIOpenFormMgr(LPMAPISESSION pSession, LPMAPIFORMMGR* ppmgr);
