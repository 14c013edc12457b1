// The reminder mails: one mail per due copy that has none yet, built through MAPI and sent by
// the host at once. A copy is marked ReminderMailSent whether or not its mail went out, so that
// it is never mailed twice.
#include "ReminderEngine.h"

#include "AddinCache.h"
#include "BackFolder.h"
#include "BackFolderItem.h"
#include "MapiBuffer.h"
#include "MapiUtils.h"
#include "ModelHelpers.h"
#include "ModuleInstance.h"
#include "TimeUtils.h"
#include "TraceScope.h"
#include "VariantArgs.h"
#include "base/Locale.h"
#include "base/WinTime.h"
#include "com/ComBstr.h"
#include "host/HostInterfaces.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

using namespace VariantArgs;

constexpr LONG kPidLidLocation = 0x8208; // PSETID_Appointment, string
// The host's commands that send the Outbox at once, in the order they are tried.
constexpr LONG kSendAllCommand = 7095;
constexpr LONG kSendCommand = 5577;

// `format` (one %s, or two for the date line) from the string table, with the values.
std::string Formatted(const std::string& format, const char* first, const char* second = nullptr)
{
    if (format.empty())
        return std::string();
    const int needed = std::snprintf(nullptr, 0, format.c_str(), first, second ? second : "");
    if (needed <= 0)
        return std::string();
    std::string text(static_cast<std::size_t>(needed) + 1, '\0');
    std::snprintf(text.data(), text.size(), format.c_str(), first, second ? second : "");
    text.resize(static_cast<std::size_t>(needed));
    return text;
}

// The store's and the folder's entry IDs of a default folder of the host's name space.
HRESULT DefaultFolderIds(_NameSpace* nameSpace, LONG type, SBinary* storeId, SBinary* folderId)
{
    HRESULT hr = S_OK;
    ComPtr<MAPIFolder> folder;
    ComBstr store, entry;
    hr = nameSpace->GetDefaultFolder(type, folder.put());
    if (SUCCEEDED(hr) && !folder)
        hr = MAPI_E_NOT_FOUND;
    if (FAILED(hr)) {
        TRACE_FAILED(GetDefaultFolder, hr);
        return hr;
    }
    if (FAILED(hr = folder->get_StoreID(store.put()))) {
        TRACE_FAILED(get_StoreID, hr);
        return hr;
    }
    if (FAILED(hr = folder->get_EntryID(entry.put()))) {
        TRACE_FAILED(get_EntryID, hr);
        return hr;
    }
    if (storeId && FAILED(hr = bstr2SBin(store, storeId))) {
        TRACE_FAILED(bstr2SBin, hr);
        return hr;
    }
    if (FAILED(hr = bstr2SBin(entry, folderId))) {
        TRACE_FAILED(bstr2SBin, hr);
        if (storeId)
            FreeSBinary(storeId);
    }
    return hr;
}

} // namespace

HRESULT CReminderEngine::SentReminderMails(const std::string& address)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CReminderEngine::SentReminderMails", &hr);
    ComPtr<IMAPIFolder> folder;
    ComPtr<IMAPITable> table;
    CMapiBuffer<SPropTagArray> named;
    SizedSPropTagArray(1, columns) = {1, {PR_ENTRYID}};
    const NamedProp names[] = {{&PSETID_Common, kPidLidReminderSignalTime, nullptr, PT_SYSTIME},
                               CopyProp(BackFolderItem::ReminderMailSent),
                               {&PSETID_Common, kPidLidReminderSet, nullptr, PT_BOOLEAN}};
    FILETIME now{};
    SPropValue nowValue{}, falseValue{}, trueValue{};
    SRestriction terms[4]{}, notSent[2]{}, sentFalse[2]{}, either[2]{};
    SRestriction noMark{}, restriction{};

    hr = BackFolderMAPIFolder(folder.put());
    if (FAILED(hr))
        return hr;
    hr = ResolveNamedProps(folder.get(), names, MAPI_CREATE, named.put());
    if (FAILED(hr)) {
        TRACE_FAILED(GetIDsFromNames, hr);
        return hr;
    }
    hr = S_OK;
    const ULONG signalTag = named->aulPropTag[0];
    const ULONG sentTag = named->aulPropTag[1];
    const ULONG setTag = named->aulPropTag[2];
    GetSystemTimeAsFileTime(&now);
    nowValue.ulPropTag = signalTag;
    nowValue.Value.ft = now;
    falseValue.ulPropTag = sentTag;
    falseValue.Value.b = 0;
    trueValue.ulPropTag = setTag;
    trueValue.Value.b = 1;
    // Due: a signal time no later than now ...
    terms[0].rt = RES_EXIST;
    terms[0].res.resExist.ulPropTag = signalTag;
    terms[1].rt = RES_PROPERTY;
    terms[1].res.resProperty = {RELOP_LE, signalTag, &nowValue};
    // ... no mail yet: ReminderMailSent missing or FALSE ...
    notSent[0].rt = RES_EXIST;
    notSent[0].res.resExist.ulPropTag = sentTag;
    noMark.rt = RES_NOT;
    noMark.res.resNot.lpRes = &notSent[0];
    sentFalse[0].rt = RES_EXIST;
    sentFalse[0].res.resExist.ulPropTag = sentTag;
    sentFalse[1].rt = RES_PROPERTY;
    sentFalse[1].res.resProperty = {RELOP_EQ, sentTag, &falseValue};
    either[0] = noMark;
    either[1].rt = RES_AND;
    either[1].res.resAnd = {2, sentFalse};
    terms[2].rt = RES_OR;
    terms[2].res.resOr = {2, either};
    // ... and, as for the due time the engine keeps, a reminder that is on: a recurring item
    // without a reminder has a copy too, but nothing to remind of.
    terms[3].rt = RES_PROPERTY;
    terms[3].res.resProperty = {RELOP_EQ, setTag, &trueValue};
    restriction.rt = RES_AND;
    restriction.res.resAnd = {4, terms};
    hr = OpenAssociatedTable(folder.get(), reinterpret_cast<LPSPropTagArray>(&columns), &restriction, table.put());
    if (FAILED(hr))
        return hr;
    // The rows first: a copy that is marked leaves the restricted table.
    LPSRowSet rows = nullptr;
    hr = ReadTableRows(table.get(), &rows);
    std::vector<std::vector<BYTE>> ids;
    for (ULONG i = 0; SUCCEEDED(hr) && rows && i < rows->cRows; ++i) {
        const SRow& row = rows->aRow[i];
        if (row.cValues && row.lpProps[0].ulPropTag == PR_ENTRYID)
            ids.emplace_back(row.lpProps[0].Value.bin.lpb, row.lpProps[0].Value.bin.lpb + row.lpProps[0].Value.bin.cb);
    }
    FreeRowSet(&rows);
    if (FAILED(hr)) {
        TRACE_FAILED(ReadTableRows, hr);
        return hr;
    }
    for (auto& id : ids) {
        const SBinary entryId{static_cast<ULONG>(id.size()), id.data()};
        hr = SentReminderMail(address, folder.get(), entryId);
        if (FAILED(hr)) {
            TRACE_FAILED(SentReminderMail, hr);
            break; // the others are tried at the next raising
        }
    }
    return hr;
}

HRESULT CReminderEngine::SentReminderMail(const std::string& address, IMAPIFolder* folder, const SBinary& entryId)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CReminderEngine::SentReminderMail", &hr);
    ComPtr<IMessage> copy;
    CMapiBuffer<SPropValue> subjectValue;
    CMapiBuffer<SPropTagArray> named;
    ULONG type = 0;
    std::string subject = "Lumivane: ";
    std::string body;
    const NamedProp names[] = {CopyProp(BackFolderItem::ReminderMailSent)};
    SPropValue mark{};
    hr = folder->OpenEntry(entryId.cb, reinterpret_cast<LPENTRYID>(entryId.lpb), nullptr, MAPI_MODIFY, &type,
                           reinterpret_cast<LPUNKNOWN*>(copy.put()));
    if (FAILED(hr)) {
        TRACE_FAILED(OpenEntry, hr);
        return hr;
    }
    if (SUCCEEDED(HrGetOneProp(copy.get(), PR_SUBJECT_A, subjectValue.put())) && subjectValue->Value.lpszA)
        subject += subjectValue->Value.lpszA;
    else
        subject += "<unknown>";
    TracePrint(__FILE__, __LINE__, TL_DEBUG, "Subject: %s\n", subject.c_str());
    body = BuildBody(copy.get());
    if (const HRESULT sent = SendMail(address, subject, body); FAILED(sent))
        TRACE_FAILED(SendMail, sent);
    // Marked whatever became of the mail: a copy is never mailed twice.
    hr = ResolveNamedProps(copy.get(), names, MAPI_CREATE, named.put());
    if (FAILED(hr)) {
        TRACE_FAILED(GetIDsFromNames, hr);
        return hr;
    }
    mark.ulPropTag = named->aulPropTag[0];
    mark.Value.b = 1;
    hr = HrSetOneProp(copy.get(), &mark);
    if (FAILED(hr)) {
        TRACE_FAILED(HrSetOneProp, hr);
        return hr;
    }
    hr = copy->SaveChanges(0);
    if (FAILED(hr))
        TRACE_FAILED(SaveChanges, hr);
    return hr;
}

std::string CReminderEngine::BuildBody(IMessage* copy)
{
    TRACE_PROC("CReminderEngine::BuildBody");
    std::string body;
    CMapiBuffer<SPropTagArray> named;
    CMapiBuffer<SPropValue> values;
    ULONG count = 0;
    const NamedProp names[] = {{&PSETID_Common, kPidLidReminderTime, nullptr, PT_SYSTIME},
                               {&PSETID_Appointment, kPidLidLocation, nullptr, PT_STRING8}};
    SizedSPropTagArray(4, tags) = {4, {PR_SUBJECT_A, PR_NULL, PR_NULL, PR_BODY_A}};
    if (SUCCEEDED(ResolveNamedProps(copy, names, 0, named.put()))) {
        if (PROP_TYPE(named->aulPropTag[0]) != PT_ERROR)
            tags.aulPropTag[1] = named->aulPropTag[0];
        if (PROP_TYPE(named->aulPropTag[1]) != PT_ERROR)
            tags.aulPropTag[2] = named->aulPropTag[1];
    }
    if (FAILED(copy->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, values.put())) || count < 4)
        return body;
    const SPropValue* v = values.get();
    if (v[0].ulPropTag == PR_SUBJECT_A && v[0].Value.lpszA)
        body += Formatted(LoadAddinString(IDS_MAIL_SUBJECT), v[0].Value.lpszA);
    if (PROP_TYPE(v[1].ulPropTag) == PT_SYSTIME && tags.aulPropTag[1] != PR_NULL) {
        FILETIME local{};
        SYSTEMTIME st{};
        char date[128] = {};
        char time[128] = {};
        if (UtcToLocalFileTime(&v[1].Value.ft, &local) && FileTimeToSystemTime(&local, &st)) {
            GetDateFormatA(LOCALE_USER_DEFAULT, 0, &st, nullptr, date, sizeof date);
            GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &st, nullptr, time, sizeof time);
            body += Formatted(LoadAddinString(IDS_MAIL_DATE), date, time);
        }
    }
    if (PROP_TYPE(v[2].ulPropTag) == PT_STRING8 && tags.aulPropTag[2] != PR_NULL && v[2].Value.lpszA)
        body += Formatted(LoadAddinString(IDS_MAIL_LOCATION), v[2].Value.lpszA);
    if (v[3].ulPropTag == PR_BODY_A && v[3].Value.lpszA)
        body += Formatted("\n%s\n", v[3].Value.lpszA);
    return body;
}

HRESULT CReminderEngine::SendMail(const std::string& address, const std::string& subject, const std::string& body)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CReminderEngine::SendMail", &hr);
    _Application* application = AddinCache::Application();
    IMAPISession* session = AddinCache::Session();
    ComPtr<_NameSpace> nameSpace;
    SBinary storeId{}, outboxId{}, sentId{};
    ComPtr<IMsgStore> store;
    ComPtr<IMAPIFolder> outbox;
    ComPtr<IMessage> message;
    ComPtr<IAddrBook> addressBook;
    ComPtr<_Explorer> explorer;
    ComPtr<_CommandBars> bars;
    ComPtr<CommandBar> menuBar;
    ComPtr<CommandBarControl> control;
    ULONG type = 0;
    ULONG cbOneOff = 0;
    LPENTRYID oneOff = nullptr;
    LPADRLIST recipients = nullptr;
    std::string addressText = address;
    std::string smtp = "SMTP";
    SPropValue props[3]{};
    ComBstr mapi(u"MAPI");
    VARIANT menuBarName;
    VariantInit(&menuBarName);

    if (!application || !session) {
        hr = MAPI_E_NOT_INITIALIZED;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "No cached Application or session. hr=0x%08lx\n", hr);
        goto Exit;
    }
    hr = application->GetNamespace(mapi, nameSpace.put());
    if (SUCCEEDED(hr) && !nameSpace)
        hr = E_FAIL;
    if (FAILED(hr)) {
        TRACE_FAILED(GetNamespace, hr);
        goto Exit;
    }
    if (FAILED(hr = DefaultFolderIds(nameSpace.get(), olFolderOutbox, &storeId, &outboxId)))
        goto Exit;
    if (FAILED(hr = DefaultFolderIds(nameSpace.get(), olFolderSentMail, nullptr, &sentId)))
        goto Exit;
    hr = session->OpenMsgStore(0, storeId.cb, reinterpret_cast<LPENTRYID>(storeId.lpb), nullptr, MDB_WRITE,
                               store.put());
    if (FAILED(hr)) {
        TRACE_FAILED(OpenMsgStore, hr);
        goto Exit;
    }
    hr = store->OpenEntry(outboxId.cb, reinterpret_cast<LPENTRYID>(outboxId.lpb), nullptr, MAPI_MODIFY, &type,
                          reinterpret_cast<LPUNKNOWN*>(outbox.put()));
    if (FAILED(hr)) {
        TRACE_FAILED(OpenEntry, hr);
        goto Exit;
    }
    hr = outbox->CreateMessage(nullptr, 0, message.put());
    if (FAILED(hr)) {
        TRACE_FAILED(CreateMessage, hr);
        goto Exit;
    }
    hr = session->OpenAddressBook(0, nullptr, AB_NO_DIALOG, addressBook.put());
    if (FAILED(hr)) {
        TRACE_FAILED(OpenAddressBook, hr);
        goto Exit;
    }
    hr = addressBook->CreateOneOff(reinterpret_cast<LPTSTR>(addressText.data()), reinterpret_cast<LPTSTR>(smtp.data()),
                                   reinterpret_cast<LPTSTR>(addressText.data()), 0, &cbOneOff, &oneOff);
    if (FAILED(hr)) {
        TRACE_FAILED(CreateOneOff, hr);
        goto Exit;
    }
    hr = MAPIAllocateBuffer(CbNewADRLIST(1), reinterpret_cast<LPVOID*>(&recipients));
    if (FAILED(hr)) {
        TRACE_FAILED(MAPIAllocateBuffer, hr);
        goto Exit;
    }
    recipients->cRows = 1;
    recipients->aRow[0].cValues = 5;
    hr = MAPIAllocateBuffer(5 * sizeof(SPropValue), reinterpret_cast<LPVOID*>(&recipients->aRow[0].lpProps));
    if (FAILED(hr)) {
        recipients->aRow[0].cValues = 0;
        recipients->aRow[0].lpProps = nullptr;
        TRACE_FAILED(MAPIAllocateBuffer, hr);
        goto Exit;
    }
    {
        LPSPropValue r = recipients->aRow[0].lpProps;
        LPSTR text = nullptr;
        // The texts and the entry ID live in the row's own block.
        auto copyText = [&](const std::string& s) -> LPSTR {
            if (FAILED(MAPIAllocateMore(static_cast<ULONG>(s.size() + 1), r, reinterpret_cast<LPVOID*>(&text))))
                return nullptr;
            std::memcpy(text, s.c_str(), s.size() + 1);
            return text;
        };
        r[0].ulPropTag = PR_DISPLAY_NAME_A;
        r[0].Value.lpszA = copyText(address);
        r[1].ulPropTag = PR_ADDRTYPE_A;
        r[1].Value.lpszA = copyText(smtp);
        r[2].ulPropTag = PR_EMAIL_ADDRESS_A;
        r[2].Value.lpszA = copyText(address);
        r[3].ulPropTag = PR_RECIPIENT_TYPE;
        r[3].Value.l = MAPI_TO;
        r[4].ulPropTag = PR_ENTRYID;
        r[4].Value.bin.cb = cbOneOff;
        if (FAILED(MAPIAllocateMore(cbOneOff, r, reinterpret_cast<LPVOID*>(&r[4].Value.bin.lpb))) ||
            !r[0].Value.lpszA || !r[1].Value.lpszA || !r[2].Value.lpszA) {
            hr = E_OUTOFMEMORY;
            TRACE_FAILED(MAPIAllocateMore, hr);
            goto Exit;
        }
        std::memcpy(r[4].Value.bin.lpb, oneOff, cbOneOff);
    }
    hr = addressBook->ResolveName(0, 0, nullptr, recipients);
    if (FAILED(hr)) {
        TRACE_FAILED(ResolveName, hr);
        goto Exit;
    }
    hr = message->ModifyRecipients(MODRECIP_ADD, recipients);
    if (FAILED(hr)) {
        TRACE_FAILED(ModifyRecipients, hr);
        goto Exit;
    }
    props[0].ulPropTag = PR_SENTMAIL_ENTRYID;
    props[0].Value.bin = sentId;
    props[1].ulPropTag = PR_SUBJECT_A;
    props[1].Value.lpszA = const_cast<LPSTR>(subject.c_str());
    props[2].ulPropTag = PR_BODY_A;
    props[2].Value.lpszA = const_cast<LPSTR>(body.c_str());
    hr = message->SetProps(3, props, nullptr);
    if (FAILED(hr)) {
        TRACE_FAILED(SetProps, hr);
        goto Exit;
    }
    hr = message->SubmitMessage(0);
    if (FAILED(hr)) {
        TRACE_FAILED(SubmitMessage, hr);
        goto Exit;
    }

    // The host sends what waits at once: its send command from the active explorer's menu bar.
    if (FAILED(hr = application->ActiveExplorer(explorer.put())) || !explorer) {
        hr = FAILED(hr) ? hr : S_OK;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "spCommandBarControl == 0\n");
        goto Exit;
    }
    if (FAILED(hr = explorer->get_CommandBars(bars.put())) || !bars) {
        TRACE_FAILED(get_CommandBars, hr);
        goto Exit;
    }
    menuBarName.vt = VT_BSTR;
    menuBarName.bstrVal = SysAllocString(u"Menu Bar");
    if (FAILED(hr = bars->get_Item(menuBarName, menuBar.put())) || !menuBar) {
        TRACE_FAILED(get_Item, hr);
        goto Exit;
    }
    // The commands may sit in one of the bar's menus (the host keeps them under Tools).
    for (LONG id : {kSendAllCommand, kSendCommand}) {
        hr = menuBar->FindControl(MissingArg(), LongArg(id), MissingArg(), MissingArg(), BoolArg(true), control.put());
        if (SUCCEEDED(hr) && control)
            break;
    }
    hr = S_OK;
    if (!control) {
        TracePrint(__FILE__, __LINE__, TL_ERROR, "spCommandBarControl == 0\n");
        goto Exit;
    }
    hr = control->Execute();
    if (FAILED(hr))
        TRACE_FAILED(Execute, hr);
Exit:
    VariantClear(&menuBarName);
    if (recipients)
        FreePadrlist(recipients);
    if (oneOff)
        MAPIFreeBuffer(oneOff);
    FreeSBinary(&storeId);
    FreeSBinary(&outboxId);
    FreeSBinary(&sentId);
    return hr;
}
