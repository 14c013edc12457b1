#include "ReminderColumnTable.h"

#include "ModuleInstance.h"
#include "Recurrence.h"
#include "TimeUtils.h"
#include "base/Locale.h"
#include "base/Utf.h"

#include <cstdio>
#include <vector>

namespace ReminderColumnTable {

namespace {

enum class Set { Common, Appointment, Task, Strings };

struct Prop {
    Set set;
    LONG id;           // numeric names
    const char16_t* name; // string names of PS_PUBLIC_STRINGS
    ULONG type;
};

struct Rule {
    std::vector<Prop> named;
    std::vector<ULONG> fixed;
};

// The recurrence part shared by the date columns.
#define RECURRENCE_PROPS                                                                                                  \
    Prop{Set::Common, 0x8560, nullptr, PT_SYSTIME}, Prop{Set::Appointment, 0x8223, nullptr, PT_BOOLEAN},                  \
        Prop{Set::Appointment, 0x8216, nullptr, PT_BINARY}, Prop{Set::Common, 0x8501, nullptr, PT_LONG}

const std::vector<Rule>& Rules()
{
    static const std::vector<Rule> rules = {
        /* 0 Type */ {{{Set::Strings, 0, u"ItemMessageClass", PT_UNICODE}}, {}},
        /* 1 Subject */ {{}, {PR_SUBJECT}},
        /* 2 Folder */ {{{Set::Strings, 0, u"FolderName", PT_UNICODE}, {Set::Strings, 0, u"StoreName", PT_UNICODE}}, {}},
        /* 3 Reminder Due at */ {{RECURRENCE_PROPS}, {}},
        /* 4 Reminder Due in */ {{RECURRENCE_PROPS}, {}},
        /* 5 Appointment/Flag date */ {{{Set::Common, 0x8502, nullptr, PT_SYSTIME}, RECURRENCE_PROPS}, {}},
        /* 6 Owner/Organizer/Sender */
        {{{Set::Task, 0x811F, nullptr, PT_UNICODE}, {Set::Appointment, 0x822E, nullptr, PT_UNICODE}}, {PR_SENDER_NAME}},
        /* 7 Reminder Importance */ {{{Set::Strings, 0, u"ReminderImportance", PT_LONG}}, {}},
        /* 8 Flag Text */ {{{Set::Common, 0x8530, nullptr, PT_UNICODE}}, {}},
        /* 9 Flag Icon */ {{}, {PR_FOLLOWUP_ICON}},
        /* 10 Reminder Email */ {{{Set::Strings, 0, u"ReminderEmail", PT_BOOLEAN}}, {}},
        /* 11 Reminder Email Address */ {{{Set::Strings, 0, u"ReminderEmailAddress", PT_UNICODE}}, {}},
        /* 12 From */ {{}, {PR_SENT_REPRESENTING_NAME, PR_SENDER_NAME}},
        /* 13 To */ {{}, {PR_DISPLAY_TO}},
        /* 14 CC */ {{}, {PR_DISPLAY_CC}},
        /* 15 Sent */ {{{Set::Strings, 0, u"ItemMessageClass", PT_UNICODE}}, {PR_CLIENT_SUBMIT_TIME}},
        /* 16 Categories */ {{{Set::Strings, 0, u"Keywords", PT_MV_UNICODE}}, {}},
        /* 17 Organizer */ {{{Set::Appointment, 0x822E, nullptr, PT_UNICODE}}, {}},
        /* 18 Location */ {{{Set::Appointment, 0x8208, nullptr, PT_UNICODE}}, {}},
        /* 19 Start */
        {{{Set::Appointment, 0x820D, nullptr, PT_SYSTIME}, RECURRENCE_PROPS, {Set::Common, 0x8516, nullptr, PT_SYSTIME}}, {}},
        /* 20 End */
        {{{Set::Appointment, 0x820E, nullptr, PT_SYSTIME}, RECURRENCE_PROPS, {Set::Common, 0x8517, nullptr, PT_SYSTIME}}, {}},
        /* 21 Owner */ {{{Set::Task, 0x811F, nullptr, PT_UNICODE}}, {}},
        /* 22 % Complete */ {{{Set::Task, 0x8102, nullptr, PT_DOUBLE}}, {}},
        /* 23 Due Date */ {{{Set::Task, 0x8105, nullptr, PT_SYSTIME}}, {}},
    };
    return rules;
}

#undef RECURRENCE_PROPS

GUID* SetGuid(Set set)
{
    switch (set) {
    case Set::Common: return const_cast<GUID*>(&PSETID_Common);
    case Set::Appointment: return const_cast<GUID*>(&PSETID_Appointment);
    case Set::Task: return const_cast<GUID*>(&PSETID_Task);
    case Set::Strings: break;
    }
    return const_cast<GUID*>(&PS_PUBLIC_STRINGS);
}

bool IsType(const SPropValue* value, ULONG type)
{
    return value && PROP_TYPE(value->ulPropTag) == type;
}

bool IsZero(const FILETIME& time)
{
    return time.dwLowDateTime == 0 && time.dwHighDateTime == 0;
}

LONGLONG Ticks(const FILETIME& time)
{
    return static_cast<LONGLONG>((static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

std::string Format(UINT id, auto... args)
{
    const std::string format = LoadAddinString(id);
    char text[512];
    std::snprintf(text, sizeof text, format.c_str(), args...);
    return text;
}

std::string Relative(const FILETIME& time)
{
    SPropValue value{};
    value.ulPropTag = PROP_TAG(PT_SYSTIME, 0);
    value.Value.ft = time;
    return FormatRelativeDateTimeText(&value);
}

// The values of a recurrence part: signal time, recurring, pattern, delta.
struct Recurrence {
    const SPropValue* signal;
    const SPropValue* recurring;
    const SPropValue* pattern;
    const SPropValue* delta;

    bool IsRecurring() const { return IsType(recurring, PT_BOOLEAN) && recurring->Value.b && IsType(pattern, PT_BINARY); }
    LONG Delta() const { return IsType(delta, PT_LONG) ? delta->Value.l : 0; }
    FILETIME Signal() const { return IsType(signal, PT_SYSTIME) ? signal->Value.ft : FILETIME{0, 0}; }
};

Recurrence RecurrenceAt(std::span<const SPropValue> values, std::size_t first)
{
    auto at = [&](std::size_t i) { return i < values.size() ? &values[i] : nullptr; };
    return {at(first), at(first + 1), at(first + 2), at(first + 3)};
}

// The due time of columns 3 and 4: a recurring row's due reminder, else the signal time. False
// when there is none (a pattern the expansion refuses included).
bool DueTime(const Recurrence& r, FILETIME& due)
{
    if (r.IsRecurring()) {
        SPropValue oldDue{};
        oldDue.ulPropTag = PROP_TAG(PT_SYSTIME, 0);
        oldDue.Value.ft = r.Signal();
        SPropValue dueValue{}, next{};
        if (FAILED(GetReminderDueAt(r.pattern, r.Delta(), &oldDue, &dueValue, &next)))
            return false;
        due = dueValue.Value.ft;
        return PROP_TYPE(dueValue.ulPropTag) == PT_SYSTIME && !IsZero(due);
    }
    if (!IsType(r.signal, PT_SYSTIME))
        return false;
    due = r.signal->Value.ft;
    return true;
}

// Columns 19 and 20: the next occurrence's start or end for a recurring row, else the item's
// time, else the common one.
std::string StartOrEnd(std::span<const SPropValue> values, bool end)
{
    const Recurrence r = RecurrenceAt(values, 1);
    if (r.IsRecurring()) {
        FILETIME after = r.Signal();
        FILETIME start{0, 0}, finish{0, 0};
        if (FAILED(GetNextOccurence(r.pattern, &after, &start, &finish)))
            return {};
        const FILETIME& chosen = end ? finish : start;
        return IsZero(chosen) ? std::string() : FormatDateTimeText(&chosen);
    }
    if (IsType(&values[0], PT_SYSTIME))
        return FormatRelativeDateTimeText(&values[0]);
    if (values.size() > 5 && IsType(&values[5], PT_SYSTIME))
        return FormatRelativeDateTimeText(&values[5]);
    return {};
}

std::string FirstText(std::span<const SPropValue> values)
{
    for (const SPropValue& value : values)
        if (std::string text = TextOf(value); !text.empty())
            return text;
    return {};
}

std::string Percent(double fraction)
{
    char text[64];
    std::snprintf(text, sizeof text, "%1.10g%%", fraction * 100.0);
    std::string result = text;
    char separator[8] = "";
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, sizeof separator) == 2)
        for (char& c : result)
            if (c == '.')
                c = separator[0];
    return result;
}

bool HasPrefix(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && platform::EqualNoCase(text.substr(0, prefix.size()), prefix);
}

} // namespace

void InitProperties(CReminderColumn& column)
{
    column.m_cTags = 0;
    column.m_cNames = 0;
    for (ULONG& tag : column.m_tags)
        tag = PR_NULL;
    for (MAPINAMEID& name : column.m_names)
        name = MAPINAMEID{};
    for (ULONG& type : column.m_types)
        type = PT_UNSPECIFIED;
    const LONG id = column.GetId();
    if (id < 0 || id >= CReminderColumn::kColumns)
        return;
    const Rule& rule = Rules()[static_cast<std::size_t>(id)];
    for (const Prop& prop : rule.named) {
        MAPINAMEID& name = column.m_names[column.m_cNames];
        name.lpguid = SetGuid(prop.set);
        if (prop.name) {
            name.ulKind = MNID_STRING;
            name.Kind.lpwstrName = const_cast<LPWSTR>(prop.name);
        } else {
            name.ulKind = MNID_ID;
            name.Kind.lID = prop.id;
        }
        column.m_types[column.m_cNames++] = prop.type;
    }
    ULONG slot = column.m_cNames;
    for (ULONG tag : rule.fixed) {
        column.m_tags[slot++] = tag;
        ++column.m_cTags;
    }
}

std::string TextOf(const SPropValue& value)
{
    switch (PROP_TYPE(value.ulPropTag)) {
    case PT_STRING8: return value.Value.lpszA ? value.Value.lpszA : "";
    case PT_UNICODE:
        return value.Value.lpszW ? platform::Utf16ToUtf8(std::u16string_view(value.Value.lpszW)) : std::string();
    default: return {};
    }
}

std::string DueInText(const FILETIME& due, const FILETIME& now)
{
    LONGLONG d = Ticks(due) - Ticks(now);
    const bool overdue = d < 0;
    if (overdue)
        d = -d;
    const LONGLONG minutes = d / 600000000LL;
    if (minutes < 1)
        return LoadAddinString(400);
    std::string text;
    if (minutes < 60) {
        text = std::to_string(minutes) + " " + LoadAddinString(minutes == 1 ? 401 : 402);
    } else if (const LONGLONG hours = minutes / 60; hours < 24) {
        text = std::to_string(hours) + " " + LoadAddinString(hours == 1 ? 403 : 404);
    } else {
        const LONGLONG days = hours / 24;
        text = std::to_string(days) + " " + LoadAddinString(days == 1 ? 405 : 406);
    }
    if (overdue)
        text = LoadAddinString(407) + " " + text + " " + LoadAddinString(408);
    return text;
}

std::string FormatCell(LONG id, std::span<const SPropValue> values, const FILETIME& now)
{
    if (id < 0 || id >= CReminderColumn::kColumns)
        return "<no text>";
    auto value = [&](std::size_t i) { return i < values.size() ? &values[i] : nullptr; };
    switch (id) {
    case 0: return {};
    case 2: {
        const std::string folder = values.empty() ? std::string() : TextOf(values[0]);
        const std::string store = values.size() < 2 ? std::string() : TextOf(values[1]);
        if (folder.empty() && store.empty())
            return {};
        return Format(704, folder.c_str(), store.c_str());
    }
    case 3: {
        FILETIME due{};
        return DueTime(RecurrenceAt(values, 0), due) ? Relative(due) : std::string();
    }
    case 4: {
        FILETIME due{};
        return DueTime(RecurrenceAt(values, 0), due) ? DueInText(due, now) : std::string();
    }
    case 5: {
        const Recurrence r = RecurrenceAt(values, 1);
        if (r.IsRecurring()) {
            FILETIME after = r.Signal();
            FILETIME start{0, 0}, end{0, 0};
            if (FAILED(GetNextOccurence(r.pattern, &after, &start, &end)) || IsZero(start))
                return {};
            return FormatDateTimeText(&start);
        }
        return IsType(value(0), PT_SYSTIME) ? FormatRelativeDateTimeText(value(0)) : std::string();
    }
    case 6:
    case 12: return FirstText(values);
    case 7: {
        const LONG importance = IsType(value(0), PT_LONG) ? value(0)->Value.l : 1;
        return LoadAddinString(importance == 0 ? 409 : importance == 2 ? 411 : 410);
    }
    case 9: {
        const LONG icon = IsType(value(0), PT_LONG) ? value(0)->Value.l : 0;
        return LoadAddinString(412 + static_cast<UINT>(icon >= 0 && icon <= 6 ? icon : 0));
    }
    case 10: return IsType(value(0), PT_BOOLEAN) && value(0)->Value.b ? LoadAddinString(419) : std::string();
    case 15: {
        const std::string messageClass = values.empty() ? std::string() : TextOf(values[0]);
        if (HasPrefix(messageClass, "IPM.NOTE") && IsType(value(1), PT_SYSTIME))
            return FormatRelativeDateTimeText(value(1));
        return {};
    }
    case 16: {
        std::string text;
        if (IsType(value(0), PT_MV_UNICODE)) {
            for (ULONG i = 0; i < value(0)->Value.MVszW.cValues; ++i) {
                if (i)
                    text += "; ";
                const LPWSTR item = value(0)->Value.MVszW.lppszW[i];
                text += item ? platform::Utf16ToUtf8(std::u16string_view(item)) : std::string();
            }
        } else if (IsType(value(0), PT_MV_STRING8)) {
            for (ULONG i = 0; i < value(0)->Value.MVszA.cValues; ++i) {
                if (i)
                    text += "; ";
                const LPSTR item = value(0)->Value.MVszA.lppszA[i];
                text += item ? item : "";
            }
        }
        return text;
    }
    case 19: return values.empty() ? std::string() : StartOrEnd(values, false);
    case 20: return values.empty() ? std::string() : StartOrEnd(values, true);
    case 22: return IsType(value(0), PT_DOUBLE) ? Percent(value(0)->Value.dbl) : std::string();
    case 23: return value(0) ? FormatDateText(value(0)) : std::string();
    default: return values.empty() ? std::string() : TextOf(values[0]);
    }
}

int TypeImage(std::string_view messageClass, bool reports)
{
    static constexpr std::string_view prefixes[] = {"IPM.APPOINTMENT",      "IPM.CONTACT",          "IPM.DISTLIST",
                                                    "IPM.NOTE",             "IPM.TASK",             "REPORT.IPM.Note.DR",
                                                    "REPORT.IPM.Note.NDR",  "REPORT.IPM.Note.IPNRN", "REPORT.IPM.Note.IPNNRN"};
    const std::size_t count = reports ? std::size(prefixes) : 5;
    for (std::size_t i = 0; i < count; ++i)
        if (HasPrefix(messageClass, prefixes[i]))
            return static_cast<int>(i) + 1;
    return 0;
}

UINT DetailsIcon(std::string_view messageClass)
{
    struct Entry {
        std::string_view prefix;
        UINT icon;
    };
    static constexpr Entry entries[] = {{"IPM.NOTE", 260},    {"IPM.APPOINTMENT", 257}, {"IPM.CONTACT", 258},
                                        {"IPM.DISTLIST", 259}, {"IPM.TASK", 261}};
    for (const Entry& entry : entries)
        if (HasPrefix(messageClass, entry.prefix))
            return entry.icon;
    return 100;
}

} // namespace ReminderColumnTable
