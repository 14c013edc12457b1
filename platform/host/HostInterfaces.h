// The host's object model as the add-ins see it: the application, its MAPI name space,
// folders and items, explorer and inspector windows, and their outgoing events. Every object
// answers IDispatch with the member names below.
#pragma once

#include "com/Dispatch.h"
#include "com/Variant.h"
#include "host/CommandBarInterfaces.h"

struct _NameSpace;
struct _Explorers;
struct _Explorer;
struct _Inspector;
struct MAPIFolder;
struct LanguageSettings;

// Default folders of _NameSpace::GetDefaultFolder.
inline constexpr LONG olFolderDeletedItems = 3;
inline constexpr LONG olFolderOutbox = 4;
inline constexpr LONG olFolderSentMail = 5;
inline constexpr LONG olFolderInbox = 6;
inline constexpr LONG olFolderCalendar = 9;
inline constexpr LONG olFolderContacts = 10;
inline constexpr LONG olFolderJournal = 11;
inline constexpr LONG olFolderNotes = 12;
inline constexpr LONG olFolderTasks = 13;
inline constexpr LONG olFolderDrafts = 16;

// LanguageSettings::get_LanguageID.
inline constexpr LONG msoLanguageIDInstall = 1;
inline constexpr LONG msoLanguageIDUI = 2;
inline constexpr LONG msoLanguageIDHelp = 3;

struct _Application : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_Version(BSTR* version) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Name(BSTR* name) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Session(_NameSpace** ns) = 0;
    // Type "MAPI" only.
    virtual HRESULT STDMETHODCALLTYPE GetNamespace(BSTR Type, _NameSpace** ns) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Explorers(_Explorers** explorers) = 0;
    virtual HRESULT STDMETHODCALLTYPE ActiveExplorer(_Explorer** explorer) = 0;
    virtual HRESULT STDMETHODCALLTYPE ActiveInspector(_Inspector** inspector) = 0;
    // The active explorer or inspector (IDispatch), null when no window is open.
    virtual HRESULT STDMETHODCALLTYPE ActiveWindow(IDispatch** window) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_LanguageSettings(LanguageSettings** settings) = 0;
    // Ends the host after the running command (the add-ins are unloaded on the way out).
    virtual HRESULT STDMETHODCALLTYPE Quit() = 0;
    // The application itself (every object of the model answers "Application").
    virtual HRESULT STDMETHODCALLTYPE get_Application(_Application** application) = 0;
};
PLATFORM_DECLARE_IID(_Application, "00063001-0000-0000-C000-000000000046");

struct _NameSpace : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_Application(_Application** application) = 0;
    // The session (IMAPISession behind the IUnknown).
    virtual HRESULT STDMETHODCALLTYPE get_MAPIOBJECT(IUnknown** session) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_CurrentProfileName(BSTR* name) = 0;
    // Entry IDs as hexadecimal text; a missing store ID searches the session's stores.
    virtual HRESULT STDMETHODCALLTYPE GetItemFromID(BSTR EntryIDItem, VARIANT EntryIDStore, IDispatch** item) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetFolderFromID(BSTR EntryIDFolder, VARIANT EntryIDStore,
                                                      MAPIFolder** folder) = 0;
    // A folder of the default store (olFolder...).
    virtual HRESULT STDMETHODCALLTYPE GetDefaultFolder(LONG FolderType, MAPIFolder** folder) = 0;
};
PLATFORM_DECLARE_IID(_NameSpace, "00063002-0000-0000-C000-000000000046");

struct MAPIFolder : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_Name(BSTR* name) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_EntryID(BSTR* entryId) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_StoreID(BSTR* storeId) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_MAPIOBJECT(IUnknown** folder) = 0;
};
PLATFORM_DECLARE_IID(MAPIFolder, "00063006-0000-0000-C000-000000000046");

// Any item of a folder (mail, appointment, task, ...).
struct _MailItem : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_EntryID(BSTR* entryId) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Subject(BSTR* subject) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_MessageClass(BSTR* messageClass) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Parent(MAPIFolder** folder) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_MAPIOBJECT(IUnknown** message) = 0;
    // Opens an inspector on the item.
    virtual HRESULT STDMETHODCALLTYPE Display(VARIANT Modal) = 0;
};
PLATFORM_DECLARE_IID(_MailItem, "00063034-0000-0000-C000-000000000046");

struct _Explorers : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_Count(LONG* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE Item(VARIANT Index, _Explorer** explorer) = 0;
    virtual HRESULT STDMETHODCALLTYPE Add(VARIANT Folder, VARIANT DisplayMode, _Explorer** explorer) = 0;
};
PLATFORM_DECLARE_IID(_Explorers, "0006300A-0000-0000-C000-000000000046");

struct _Explorer : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_CommandBars(_CommandBars** bars) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_CurrentFolder(MAPIFolder** folder) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_CurrentFolder(MAPIFolder* folder) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Caption(BSTR* caption) = 0;
    virtual HRESULT STDMETHODCALLTYPE Activate() = 0;
    virtual HRESULT STDMETHODCALLTYPE Close() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Application(_Application** application) = 0;
};
PLATFORM_DECLARE_IID(_Explorer, "00063003-0000-0000-C000-000000000046");

struct _Inspector : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_CurrentItem(IDispatch** item) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_CommandBars(_CommandBars** bars) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Caption(BSTR* caption) = 0;
    virtual HRESULT STDMETHODCALLTYPE Activate() = 0;
    virtual HRESULT STDMETHODCALLTYPE Close(LONG SaveMode) = 0;
};
PLATFORM_DECLARE_IID(_Inspector, "00063005-0000-0000-C000-000000000046");

struct LanguageSettings : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_LanguageID(LONG Id, LONG* languageId) = 0;
};
PLATFORM_DECLARE_IID(LanguageSettings, "000C0353-0000-0000-C000-000000000046");

// Outgoing dispinterfaces (the application's own are in host/ApplicationEvents.h).
inline constexpr IID DIID_ExplorersEvents = MakeGuid("00063078-0000-0000-C000-000000000046");
inline constexpr DISPID DISPID_ExplorersEvents_NewExplorer = 0xF001; // (Explorer)
inline constexpr IID DIID_ExplorerEvents = MakeGuid("0006304F-0000-0000-C000-000000000046");
inline constexpr DISPID DISPID_ExplorerEvents_Activate = 0xF001;
inline constexpr DISPID DISPID_ExplorerEvents_FolderSwitch = 0xF002;
inline constexpr DISPID DISPID_ExplorerEvents_Deactivate = 0xF006;
inline constexpr DISPID DISPID_ExplorerEvents_Close = 0xF008;
