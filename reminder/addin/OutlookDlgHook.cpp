#include "OutlookDlgHook.h"

#include "AddinCache.h"
#include "MapiBuffer.h"
#include "MapiUtils.h"
#include "TraceScope.h"
#include "base/LastError.h"
#include "base/Locale.h"
#include "base/Profile.h"
#include "com/ComBstr.h"
#include "mapi/Mapi.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr int kIdYes = 6;
constexpr UINT kChildrenTested = 5;
constexpr long kLanguageGerman = 1031;

// The texts of the host's warning, as the host shows them (UTF-8).
constexpr char kDialogClass[] = "#32770";
constexpr char kDescriptionClass[] = "MSOUNISTAT";
constexpr char kTextPrefix[] = "Die Erinnerung für \"";
constexpr char kTitleOld[] = "Microsoft Outlook";
constexpr char kTitleOffice[] = "Microsoft Office Outlook";
constexpr char kSuffix9[] = "\" wird nicht angezeigt werden, weil das Element nicht in Ihre Ordner \"Kalender\" oder "
                            "\"Aufgaben\" eingetragen ist. Sind Sie damit einverstanden";
constexpr char kSuffix10[] = "\" wird nicht angezeigt werden, weil das Element nicht in Ihre Ordner \"Kalender\" oder "
                             "\"Aufgaben\" eingetragen ist. Sind Sie damit einverstanden?";
constexpr char kSuffix12[] = "\" wird nicht angezeigt, weil sich das Element in einem Ordner befindet, der "
                             "Erinnerungen nicht unterstützt. Sind Sie damit einverstanden?";

struct HookState {
    HDIALOGHOOK hook = nullptr;
    bool dump = false;
    bool stringsReady = false;
    const char* dialogClass = nullptr;
    const char* descriptionClass = nullptr;
    const char* dialogTitle = nullptr;
    const char* textPrefix = nullptr;
    const char* textSuffix = nullptr;
    // Class names and window texts read during the test, as a window's text would be read.
    char buffer[1024] = "";
};

HookState g_state;

// Copies the text as GetWindowText/GetClassName would into the buffer; its length (0 for none).
int ReadText(const char* text)
{
    if (!text) {
        g_state.buffer[0] = '\0';
        return 0;
    }
    const std::size_t length = std::min(std::strlen(text), sizeof g_state.buffer - 1);
    std::memcpy(g_state.buffer, text, length);
    g_state.buffer[length] = '\0';
    return static_cast<int>(length);
}

// Why the test ended, when the dump switch is on.
void Reason(const char* text)
{
    if (g_state.dump)
        TracePrint(__FILE__, __LINE__, TL_DEBUG, "%s", text);
}

std::string Utf8Of(BSTR text)
{
    return ComBstr(text).Utf8();
}

} // namespace

COutlookDlgHook::COutlookDlgHook()
{
    TRACE_CTOR("COutlookDlgHook");
}

COutlookDlgHook::~COutlookDlgHook()
{
    TRACE_DTOR("COutlookDlgHook");
}

BOOL COutlookDlgHook::InstallHook()
{
    TRACE_PROC("COutlookDlgHook::InstallHook");
    g_state.dump = GetPrivateProfileIntA("CL", "DumpDialogWindows", 0, "Lumivane.ini") > 0;
    const HRESULT hr = InitStrings();
    if (FAILED(hr))
        TRACE_FAILED(InitStrings, hr);
    if (g_state.hook) {
        // An enable that failed after installing it, then another: still one hook.
        TracePrint(__FILE__, __LINE__, TL_DEBUG, "hook already installed\n");
        return TRUE;
    }
    g_state.hook = HostInstallDialogHook(&COutlookDlgHook::HookProc, nullptr);
    if (!g_state.hook) {
        TracePrint(__FILE__, __LINE__, TL_ERROR, "hook not installed: err=%lx\n", GetLastError());
        return FALSE;
    }
    TracePrint(__FILE__, __LINE__, TL_DEBUG, "hook installed\n");
    return TRUE;
}

void COutlookDlgHook::RemoveHook()
{
    TRACE_PROC("COutlookDlgHook::RemoveHook");
    if (g_state.hook)
        HostRemoveDialogHook(g_state.hook);
    g_state.hook = nullptr;
    UninitStrings();
    g_state.stringsReady = false;
    TracePrint(__FILE__, __LINE__, TL_DEBUG, "hook removed\n");
}

bool COutlookDlgHook::IsInstalled()
{
    return g_state.hook != nullptr;
}

HRESULT COutlookDlgHook::InitStrings()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("COutlookDlgHook::InitStrings", &hr);
    _Application* application = AddinCache::Application();
    ComBstr version;
    ComPtr<LanguageSettings> languages;
    LONG language = 0;
    int major = 0, minor = 0, build = 0, revision = 0;
    g_state.stringsReady = false;
    if (!application) {
        hr = E_FAIL;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "CExchangeExtension::pOutlookApplication == NULL, failed. hr=0x%08lx\n",
                   hr);
        return hr;
    }
    hr = application->get_Version(version.put());
    if (FAILED(hr)) {
        TRACE_FAILED(get_Version, hr);
        return hr;
    }
    hr = application->get_LanguageSettings(languages.put());
    if (SUCCEEDED(hr) && !languages)
        hr = E_FAIL;
    if (FAILED(hr)) {
        TRACE_FAILED(get_LanguageSettings, hr);
        return hr;
    }
    hr = languages->get_LanguageID(msoLanguageIDUI, &language);
    if (FAILED(hr)) {
        TRACE_FAILED(get_LanguageID, hr);
        return hr;
    }
    const std::string versionText = Utf8Of(version);
    if (std::sscanf(versionText.c_str(), "%d.%d.%d.%d", &major, &minor, &build, &revision) != 4)
        major = 0;
    TracePrint(__FILE__, __LINE__, TL_DEBUG, "Outlook Version: %s, LanguageID: %d, iVersion:%d\n", versionText.c_str(),
               static_cast<int>(language), major);

    const char* title = nullptr;
    const char* suffix = nullptr;
    if (language == kLanguageGerman) {
        switch (major) {
        case 9:
            title = kTitleOld;
            suffix = kSuffix9;
            break;
        case 10:
            title = kTitleOld;
            suffix = kSuffix10;
            break;
        case 11:
            title = kTitleOffice;
            suffix = kSuffix10;
            break;
        case 12:
            title = kTitleOffice;
            suffix = kSuffix12;
            break;
        case 14:
            title = kTitleOld;
            suffix = kSuffix12;
            break;
        default:
            break;
        }
    }
    if (!title) {
        hr = E_FAIL;
        return hr;
    }
    g_state.dialogClass = kDialogClass;
    g_state.descriptionClass = kDescriptionClass;
    g_state.dialogTitle = title;
    g_state.textPrefix = kTextPrefix;
    g_state.textSuffix = suffix;
    g_state.stringsReady = true;
    return hr;
}

void COutlookDlgHook::UninitStrings()
{
    TRACE_PROC("COutlookDlgHook::UninitStrings");
}

int COutlookDlgHook::HookProc(const HOSTDIALOG* dialog, void*)
{
    if (!dialog)
        return 0;
    if (g_state.dump)
        DumpDialogWindows(dialog);
    return IsReminderWarning(dialog) ? kIdYes : 0;
}

bool COutlookDlgHook::IsReminderWarning(const HOSTDIALOG* dialog)
{
    TRACE_PROC("COutlookDlgHook::IsReminderWarning");
    if (!g_state.stringsReady)
        return Reason("bStringsInitialized == false\n"), false;
    if (ReadText(dialog->className) == 0)
        return Reason("GetClassName() == 0\n"), false;
    if (std::strcmp(g_state.buffer, g_state.dialogClass) != 0)
        return Reason("pBuffer != DialogClass\n"), false;
    if (ReadText(dialog->title) == 0)
        return Reason("GetWindowText() == 0\n"), false;
    if (std::strcmp(g_state.buffer, g_state.dialogTitle) != 0)
        return Reason("pBuffer != DialogTitle\n"), false;

    // The first five children in window order; a message box has its "Yes" first and its text
    // fourth.
    const HOSTDIALOGCHILD* child[kChildrenTested] = {};
    for (UINT i = 0; i < kChildrenTested && i < dialog->childCount && dialog->children; ++i)
        child[i] = &dialog->children[i];
    if (!child[0] || child[0]->controlId != kIdYes)
        return Reason("hwnd_child[0]) != 6\n"), false;
    if (ReadText(child[3] ? child[3]->className : nullptr) == 0)
        return Reason("GetClassName(hwnd_child[3]) == 0\n"), false;
    if (std::strcmp(g_state.buffer, g_state.descriptionClass) != 0)
        return Reason("pBuffer != DescriptionClass\n"), false;
    const int lenMessage = ReadText(child[3]->text);
    if (lenMessage == 0)
        return Reason("GetWindowText(hwnd_child[3]) == 0\n"), false;
    TracePrint(__FILE__, __LINE__, TL_DEBUG, "Message: %s\n", g_state.buffer);

    const int lenPrefix = static_cast<int>(std::strlen(g_state.textPrefix));
    const int lenSuffix = static_cast<int>(std::strlen(g_state.textSuffix));
    const int lenSubject = lenMessage - lenPrefix - lenSuffix;
    if (lenSubject < 0)
        return Reason("lenSubject < 0\n"), false;
    if (std::strncmp(g_state.buffer, g_state.textPrefix, static_cast<std::size_t>(lenPrefix)) != 0)
        return Reason("ret1 != 0\n"), false;
    if (std::strcmp(g_state.buffer + lenPrefix + lenSubject, g_state.textSuffix) != 0)
        return Reason("ret2 != 0\n"), false;

    // Only an engine that reminds may take the host's warning away.
    IReminderEngine* engine = AddinCache::Engine();
    VARIANT_BOOL enabled = VARIANT_FALSE;
    if (!engine || FAILED(engine->get_Enabled(&enabled)) || enabled == VARIANT_FALSE)
        return Reason("g_pReminderEngine == NULL || Enabled == FALSE\n"), false;

    std::string storeId, entryId;
    HRESULT hr = GetDialogFolder(dialog, storeId, entryId);
    if (FAILED(hr)) {
        TRACE_FAILED(GetActiveFolder, hr);
        return false;
    }
    TracePrint(__FILE__, __LINE__, TL_DEBUG, "Store ID: %s\n Entry ID: %s\n", storeId.c_str(), entryId.c_str());
    VARIANT_BOOL isReminderFolder = VARIANT_FALSE;
    hr = engine->get_IsReminderFolder(ComBstr(storeId), ComBstr(entryId), &isReminderFolder);
    if (FAILED(hr)) {
        TRACE_FAILED(get_IsReminderFolder, hr);
        return false;
    }
    if (isReminderFolder == VARIANT_FALSE)
        return Reason("IsReminderFolder == FALSE\n"), false;
    Reason("IsReminderFolder == TRUE\n");
    TracePrint(__FILE__, __LINE__, TL_DEBUG, "Reminder dialog suppressed\n");
    return true;
}

HRESULT COutlookDlgHook::GetDialogFolder(const HOSTDIALOG* dialog, std::string& storeId, std::string& entryId)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("COutlookDlgHook::GetDialogFolder", &hr);
    ComPtr<MAPIFolder> folder;
    ComBstr store, entry;
    // The folder of the item the warning is about; the active window may show another one.
    if (dialog->storeId && *dialog->storeId && dialog->folderId && *dialog->folderId) {
        storeId = dialog->storeId;
        entryId = dialog->folderId;
        return hr;
    }
    hr = GetActiveFolder(folder.put());
    if (FAILED(hr)) {
        TRACE_FAILED(GetActiveFolder, hr);
        return hr;
    }
    hr = folder->get_StoreID(store.put());
    if (FAILED(hr)) {
        TRACE_FAILED(get_StoreID, hr);
        return hr;
    }
    hr = folder->get_EntryID(entry.put());
    if (FAILED(hr)) {
        TRACE_FAILED(get_EntryID, hr);
        return hr;
    }
    storeId = Utf8Of(store);
    entryId = Utf8Of(entry);
    return hr;
}

HRESULT COutlookDlgHook::GetActiveFolder(MAPIFolder** folder)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("COutlookDlgHook::GetActiveFolder", &hr);
    _Application* application = AddinCache::Application();
    ComPtr<IDispatch> window;
    ComPtr<_Explorer> explorer;
    ComPtr<_Inspector> inspector;
    ComPtr<IDispatch> item;
    ComPtr<IMessage> message;
    ComPtr<_NameSpace> nameSpace;
    CMapiBuffer<SPropValue> parentId, storeId;
    ComBstr parentText, storeText, name;
    OLECHAR mapiObject[] = u"MAPIOBJECT";
    LPOLESTR names[] = {mapiObject};
    DISPID dispid = DISPID_UNKNOWN;
    DISPPARAMS noArgs{nullptr, nullptr, 0, 0};
    VARIANT result, store;
    VariantInit(&result);
    VariantInit(&store);
    if (!folder) {
        hr = E_POINTER;
        return hr;
    }
    *folder = nullptr;
    if (!application) {
        hr = E_FAIL;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "CExchangeExtension::pOutlookApplication == NULL, failed. hr=0x%08lx\n",
                   hr);
        return hr;
    }
    hr = application->ActiveWindow(window.put());
    if (FAILED(hr)) {
        TRACE_FAILED(raw_ActiveWindow, hr);
        return hr;
    }
    if (window && SUCCEEDED(window.As(explorer))) {
        hr = explorer->get_CurrentFolder(folder);
        if (SUCCEEDED(hr) && !*folder)
            hr = E_FAIL;
        if (FAILED(hr)) {
            TRACE_FAILED(get_CurrentFolder, hr);
            return hr;
        }
        if (SUCCEEDED((*folder)->get_Name(name.put())))
            TracePrint(__FILE__, __LINE__, TL_DEBUG, "Name: %s\n", Utf8Of(name).c_str());
        return hr;
    }
    if (!window || FAILED(window.As(inspector))) {
        hr = E_FAIL;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "Unknown active Window, failed. hr=0x%08lx\n", hr);
        return hr;
    }
    // The inspector's item through its MAPI object: its parent folder in its store.
    hr = inspector->get_CurrentItem(item.put());
    if (SUCCEEDED(hr) && !item)
        hr = E_FAIL;
    if (FAILED(hr)) {
        TRACE_FAILED(get_CurrentItem, hr);
        return hr;
    }
    hr = item->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &dispid);
    if (FAILED(hr)) {
        TRACE_FAILED(GetIDsOfNames, hr);
        return hr;
    }
    hr = item->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &noArgs, &result, nullptr, nullptr);
    if (FAILED(hr)) {
        TRACE_FAILED(Invoke, hr);
        goto Exit;
    }
    if (result.vt != VT_UNKNOWN) {
        hr = E_FAIL;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "VarResult.vt != VT_UNKNOWN, failed. hr=0x%08lx\n", hr);
        goto Exit;
    }
    if (!result.punkVal) {
        hr = E_FAIL;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "VarResult.punkVal == NULL, failed. hr=0x%08lx\n", hr);
        goto Exit;
    }
    hr = result.punkVal->QueryInterface(IID_IMessage, message.put_void());
    if (FAILED(hr)) {
        TRACE_FAILED(QueryInterface, hr);
        goto Exit;
    }
    hr = HrGetOneProp(message.get(), PR_PARENT_ENTRYID, parentId.put());
    if (SUCCEEDED(hr))
        hr = HrGetOneProp(message.get(), PR_STORE_ENTRYID, storeId.put());
    if (FAILED(hr)) {
        TRACE_FAILED(HrGetOneProp, hr);
        goto Exit;
    }
    hr = SBin2bstr(&parentId->Value.bin, parentText.put());
    if (SUCCEEDED(hr))
        hr = SBin2bstr(&storeId->Value.bin, storeText.put());
    if (FAILED(hr)) {
        TRACE_FAILED(SBin2bstr, hr);
        goto Exit;
    }
    hr = application->get_Session(nameSpace.put());
    if (SUCCEEDED(hr) && !nameSpace)
        hr = E_FAIL;
    if (FAILED(hr)) {
        TRACE_FAILED(get_Session, hr);
        goto Exit;
    }
    store.vt = VT_BSTR;
    store.bstrVal = storeText.get();
    hr = nameSpace->GetFolderFromID(parentText.get(), store, folder);
    store.vt = VT_EMPTY; // the text stays storeText's
    if (SUCCEEDED(hr) && !*folder)
        hr = E_FAIL;
    if (FAILED(hr))
        TRACE_FAILED(GetFolderFromID, hr);
Exit:
    VariantClear(&result);
    return hr;
}

void COutlookDlgHook::DumpDialogWindows(const HOSTDIALOG* dialog)
{
    TracePrintRaw(__FILE__, __LINE__, TL_ERROR, "--------------------------------------------\n");
    TracePrintRaw(__FILE__, __LINE__, TL_ERROR, "Dump of Dialog Window:\n");
    DumpWindow(dialog->className, dialog->title, 0);
    TracePrintRaw(__FILE__, __LINE__, TL_ERROR, "\n");
    UINT count = 0;
    for (; dialog->children && count < dialog->childCount; ++count) {
        const HOSTDIALOGCHILD& child = dialog->children[count];
        TracePrintRaw(__FILE__, __LINE__, TL_ERROR, "Dump of Child Window %d:\n", static_cast<int>(count));
        DumpWindow(child.className, child.text, child.controlId);
        TracePrintRaw(__FILE__, __LINE__, TL_ERROR, "\n");
    }
    TracePrintRaw(__FILE__, __LINE__, TL_ERROR, "Count of child windows: %d\n", static_cast<int>(count));
    TracePrintRaw(__FILE__, __LINE__, TL_ERROR, "--------------------------------------------\n");
}

void COutlookDlgHook::DumpWindow(const char* className, const char* title, int controlId)
{
    ReadText(className);
    TracePrintRaw(__FILE__, __LINE__, TL_ERROR, "Class Name  : \"%s\"\n", g_state.buffer);
    ReadText(title);
    TracePrintRaw(__FILE__, __LINE__, TL_ERROR, "Window Title: \"%s\"\n", g_state.buffer);
    if (controlId != 0)
        TracePrintRaw(__FILE__, __LINE__, TL_ERROR, "Control ID  : %d\n", controlId);
}
