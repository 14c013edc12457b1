#include "mapi/FormContent.h"

#include "base/Locale.h"
#include "base/Utf.h"
#include "base/WinTime.h"
#include "com/ComPtr.h"
#include "com/GuidString.h"
#include "mapi/MapiTags.h"
#include "mapi/MapiUtil.h"
#include "mapi/PropertyNames.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>

namespace mapi {

namespace {

// Long values are cut for the property list; the message keeps them whole.
constexpr std::size_t kMaxTextShown = 512;
constexpr std::size_t kMaxBytesShown = 64;

struct MapiFree {
    void operator()(void* p) const { MAPIFreeBuffer(p); }
};
struct RowsFree {
    void operator()(LPSRowSet rows) const { FreeProws(rows); }
};

std::string Wide(const WCHAR* s)
{
    return s ? platform::Utf16ToUtf8(s) : std::string();
}

std::string Hex(const BYTE* data, ULONG size)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    const ULONG shown = std::min<ULONG>(size, kMaxBytesShown);
    for (ULONG i = 0; i < shown; ++i) {
        out += digits[data[i] >> 4];
        out += digits[data[i] & 15];
    }
    if (shown < size)
        out += "... (" + std::to_string(size) + " bytes)";
    return out;
}

std::string Cut(std::string text)
{
    for (auto& c : text)
        if (c == '\r' || c == '\n' || c == '\t')
            c = ' ';
    if (text.size() > kMaxTextShown) {
        std::size_t end = kMaxTextShown;
        while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
            --end; // not inside a UTF-8 sequence
        text = text.substr(0, end) + "...";
    }
    return text;
}

template <class T, class F>
std::string Joined(ULONG count, const T* values, F text)
{
    std::string out;
    for (ULONG i = 0; i < count; ++i)
        out += (i ? "; " : "") + text(values[i]);
    return out;
}

const SPropValue* Find(const SPropValue* props, ULONG count, ULONG tag)
{
    return PpropFindProp(const_cast<LPSPropValue>(props), count, tag);
}

std::string TextOf(const SPropValue* props, ULONG count, ULONG wideTag)
{
    const SPropValue* v = Find(props, count, wideTag);
    return v ? Wide(v->Value.lpszW) : std::string();
}

std::string Person(const std::string& name, const std::string& address)
{
    if (name.empty())
        return address;
    if (address.empty() || address == name)
        return name;
    return name + " <" + address + ">";
}

using Rows = std::unique_ptr<SRowSet, RowsFree>;

// Every row of the table with these columns; none when it cannot be read.
template <class Columns>
Rows AllRows(IMAPITable* table, Columns& columns)
{
    LPSRowSet raw = nullptr;
    if (!table ||
        FAILED(HrQueryAllRows(table, reinterpret_cast<LPSPropTagArray>(&columns), nullptr, nullptr, 0, &raw)))
        return nullptr;
    return Rows(raw);
}

void ReadRecipients(IMessage* message, FormContent& out)
{
    ComPtr<IMAPITable> table;
    SizedSPropTagArray(3, columns) = {3, {PR_RECIPIENT_TYPE, PR_DISPLAY_NAME_W, PR_EMAIL_ADDRESS_W}};
    message->GetRecipientTable(MAPI_UNICODE, table.put());
    const Rows rows = AllRows(table.get(), columns);
    if (!rows)
        return;
    for (ULONG i = 0; i < rows->cRows; ++i) {
        const SRow& row = rows->aRow[i];
        const SPropValue* type = Find(row.lpProps, row.cValues, PR_RECIPIENT_TYPE);
        const std::string who = Person(TextOf(row.lpProps, row.cValues, PR_DISPLAY_NAME_W),
                                       TextOf(row.lpProps, row.cValues, PR_EMAIL_ADDRESS_W));
        std::string& list = !type || type->Value.l == MAPI_TO ? out.to : type->Value.l == MAPI_CC ? out.cc : out.bcc;
        list += (list.empty() ? "" : "; ") + who;
    }
}

void ReadAttachments(IMessage* message, FormContent& out)
{
    ComPtr<IMAPITable> table;
    SizedSPropTagArray(5, columns) = {
        5, {PR_ATTACH_NUM, PR_ATTACH_LONG_FILENAME_W, PR_ATTACH_FILENAME_W, PR_DISPLAY_NAME_W, PR_ATTACH_SIZE}};
    message->GetAttachmentTable(MAPI_UNICODE, table.put());
    const Rows rows = AllRows(table.get(), columns);
    if (!rows)
        return;
    for (ULONG i = 0; i < rows->cRows; ++i) {
        const SRow& row = rows->aRow[i];
        FormContent::Attachment a;
        for (ULONG tag : {PR_ATTACH_LONG_FILENAME_W, PR_ATTACH_FILENAME_W, PR_DISPLAY_NAME_W})
            if (a.name.empty())
                a.name = TextOf(row.lpProps, row.cValues, tag);
        if (a.name.empty()) {
            const SPropValue* num = Find(row.lpProps, row.cValues, PR_ATTACH_NUM);
            a.name = "Attachment " + std::to_string(num ? num->Value.l + 1 : i + 1);
        }
        if (const SPropValue* size = Find(row.lpProps, row.cValues, PR_ATTACH_SIZE))
            a.size = size->Value.ul;
        out.attachments.push_back(std::move(a));
    }
}

// Names of the named properties among the tags (by id).
std::map<ULONG, std::string> NamedPropertyNames(IMessage* message, const SPropValue* props, ULONG count)
{
    std::vector<ULONG> ids;
    for (ULONG i = 0; i < count; ++i)
        if (PROP_ID(props[i].ulPropTag) >= 0x8000)
            ids.push_back(props[i].ulPropTag);
    std::map<ULONG, std::string> out;
    if (ids.empty())
        return out;
    std::vector<ULONG> block(ids.size() + 1);
    block[0] = static_cast<ULONG>(ids.size());
    std::copy(ids.begin(), ids.end(), block.begin() + 1);
    auto* tags = reinterpret_cast<LPSPropTagArray>(block.data());
    ULONG names = 0;
    LPMAPINAMEID* raw = nullptr;
    if (FAILED(message->GetNamesFromIDs(&tags, nullptr, 0, &names, &raw)) || !raw)
        return out;
    std::unique_ptr<void, MapiFree> free(raw);
    for (ULONG i = 0; i < names && i < ids.size(); ++i) {
        const MAPINAMEID* name = raw[i];
        if (!name)
            continue;
        char id[16];
        std::snprintf(id, sizeof id, "0x%04X", static_cast<unsigned>(name->Kind.lID));
        std::string text = name->ulKind == MNID_STRING ? Wide(name->Kind.lpwstrName) : std::string(id);
        if (name->lpguid)
            text = platform::GuidToString(*name->lpguid) + "/" + text;
        out[PROP_ID(ids[i])] = text;
    }
    return out;
}

} // namespace

std::string FormContent::TimeText(const FILETIME& utc)
{
    FILETIME local{};
    SYSTEMTIME st{};
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &st))
        return {};
    char date[64] = {};
    char time[64] = {};
    if (!GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, date, sizeof date) ||
        !GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &st, nullptr, time, sizeof time))
        return {};
    return std::string(date) + " " + time;
}

std::string FormContent::ValueText(const SPropValue& v)
{
    char buf[64];
    switch (PROP_TYPE(v.ulPropTag)) {
    case PT_I2:
        return std::to_string(v.Value.i);
    case PT_LONG:
        return std::to_string(v.Value.l);
    case PT_I8:
    case PT_CURRENCY:
        return std::to_string(v.Value.li);
    case PT_R4:
        std::snprintf(buf, sizeof buf, "%g", double(v.Value.flt));
        return buf;
    case PT_DOUBLE:
    case PT_APPTIME:
        std::snprintf(buf, sizeof buf, "%g", v.Value.dbl);
        return buf;
    case PT_BOOLEAN:
        return v.Value.b ? "true" : "false";
    case PT_SYSTIME:
        return TimeText(v.Value.ft);
    case PT_STRING8:
        return Cut(v.Value.lpszA ? v.Value.lpszA : "");
    case PT_UNICODE:
        return Cut(Wide(v.Value.lpszW));
    case PT_BINARY:
        return Hex(v.Value.bin.lpb, v.Value.bin.cb);
    case PT_CLSID:
        return v.Value.lpguid ? platform::GuidToString(*v.Value.lpguid) : std::string();
    case PT_ERROR:
        std::snprintf(buf, sizeof buf, "error 0x%08X", static_cast<unsigned>(v.Value.err));
        return buf;
    case PT_OBJECT:
        return "(object)";
    case PT_NULL:
        return {};
    case PT_MV_I2:
        return Joined(v.Value.MVi.cValues, v.Value.MVi.lpi, [](SHORT n) { return std::to_string(n); });
    case PT_MV_LONG:
        return Joined(v.Value.MVl.cValues, v.Value.MVl.lpl, [](LONG n) { return std::to_string(n); });
    case PT_MV_I8:
        return Joined(v.Value.MVli.cValues, v.Value.MVli.lpli, [](LONGLONG n) { return std::to_string(n); });
    case PT_MV_SYSTIME:
        return Joined(v.Value.MVft.cValues, v.Value.MVft.lpft, [](const FILETIME& t) { return TimeText(t); });
    case PT_MV_STRING8:
        return Cut(Joined(v.Value.MVszA.cValues, v.Value.MVszA.lppszA,
                          [](LPSTR s) { return std::string(s ? s : ""); }));
    case PT_MV_UNICODE:
        return Cut(Joined(v.Value.MVszW.cValues, v.Value.MVszW.lppszW, [](LPWSTR s) { return Wide(s); }));
    case PT_MV_BINARY:
        return Joined(v.Value.MVbin.cValues, v.Value.MVbin.lpbin, [](const SBinary& b) { return Hex(b.lpb, b.cb); });
    case PT_MV_CLSID:
        return Joined(v.Value.MVguid.cValues, v.Value.MVguid.lpguid,
                      [](const GUID& g) { return platform::GuidToString(g); });
    default:
        std::snprintf(buf, sizeof buf, "(type 0x%04X)", static_cast<unsigned>(PROP_TYPE(v.ulPropTag)));
        return buf;
    }
}

HRESULT FormContent::Read(IMessage* message, FormContent& out)
{
    out = FormContent{};
    if (!message)
        return MAPI_E_INVALID_PARAMETER;
    ULONG count = 0;
    LPSPropValue raw = nullptr;
    const HRESULT hr = message->GetProps(nullptr, MAPI_UNICODE, &count, &raw);
    if (FAILED(hr))
        return hr;
    std::unique_ptr<SPropValue, MapiFree> props(raw);

    out.messageClass = TextOf(raw, count, PR_MESSAGE_CLASS_W);
    out.subject = TextOf(raw, count, PR_SUBJECT_W);
    out.body = TextOf(raw, count, PR_BODY_W);
    out.sender = Person(TextOf(raw, count, PR_SENDER_NAME_W), TextOf(raw, count, PR_SENDER_EMAIL_ADDRESS_W));
    if (out.sender.empty())
        out.sender = Person(TextOf(raw, count, PR_SENT_REPRESENTING_NAME_W),
                            TextOf(raw, count, PR_SENT_REPRESENTING_EMAIL_ADDRESS_W));
    static const struct {
        ULONG tag;
        const char* label;
    } kTimes[] = {{PR_CLIENT_SUBMIT_TIME, "Sent"},
                  {PR_MESSAGE_DELIVERY_TIME, "Received"},
                  {PR_CREATION_TIME, "Created"},
                  {PR_LAST_MODIFICATION_TIME, "Modified"}};
    for (const auto& t : kTimes)
        if (const SPropValue* v = Find(raw, count, t.tag))
            out.times.push_back({t.label, TimeText(v->Value.ft)});
    if (const SPropValue* access = Find(raw, count, PR_ACCESS))
        out.modifiable = (access->Value.ul & MAPI_ACCESS_MODIFY) != 0;

    const auto named = NamedPropertyNames(message, raw, count);
    for (ULONG i = 0; i < count; ++i) {
        const SPropValue& v = raw[i];
        Property p;
        const auto it = named.find(PROP_ID(v.ulPropTag));
        p.name = it != named.end() ? it->second : PropertyTagName(v.ulPropTag);
        char tag[16];
        std::snprintf(tag, sizeof tag, "0x%08X", static_cast<unsigned>(v.ulPropTag));
        p.tag = tag;
        p.value = ValueText(v);
        out.properties.push_back(std::move(p));
    }
    ReadRecipients(message, out);
    ReadAttachments(message, out);
    return S_OK;
}

} // namespace mapi
