#include "ColumnLayout.h"

#include "RegKeyEx.h"
#include "ReminderEngine.h"
#include "TraceScope.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace ColumnLayout {

namespace {

LONG ReadLong(const BYTE* p)
{
    return static_cast<LONG>(static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) |
                             (static_cast<DWORD>(p[2]) << 16) | (static_cast<DWORD>(p[3]) << 24));
}

void WriteLong(BYTE* p, LONG value)
{
    const auto v = static_cast<DWORD>(value);
    p[0] = static_cast<BYTE>(v);
    p[1] = static_cast<BYTE>(v >> 8);
    p[2] = static_cast<BYTE>(v >> 16);
    p[3] = static_cast<BYTE>(v >> 24);
}

bool IsPermutation(std::vector<LONG> values)
{
    std::sort(values.begin(), values.end());
    for (std::size_t i = 0; i < values.size(); ++i)
        if (values[i] != static_cast<LONG>(i))
            return false;
    return true;
}

} // namespace

std::vector<CReminderColumn> DefaultColumns()
{
    std::vector<CReminderColumn> columns;
    for (LONG id = 0; id < CReminderColumn::kColumns; ++id)
        columns.emplace_back(id, 0, 100, -1, true, true);
    return columns;
}

bool Parse(const std::vector<BYTE>& value, std::vector<CReminderColumn>& columns)
{
    if (value.size() != kValueSize || columns.size() != static_cast<std::size_t>(CReminderColumn::kColumns))
        return false;
    std::vector<LONG> ids, orders;
    bool anyShown = false;
    for (std::size_t i = 0; i < static_cast<std::size_t>(CReminderColumn::kColumns); ++i) {
        const BYTE* record = value.data() + i * kRecordSize;
        ids.push_back(ReadLong(record));
        orders.push_back(ReadLong(record + 12));
        const LONG width = ReadLong(record + 8);
        const BYTE visible = record[16];
        if (visible > 1 || width < 0 || width > kMaxWidth)
            return false;
        anyShown = anyShown || visible == 1;
    }
    if (!anyShown || !IsPermutation(ids) || !IsPermutation(orders))
        return false;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const BYTE* record = value.data() + i * kRecordSize;
        columns[i].SetId(ReadLong(record));
        columns[i].SetFormat(ReadLong(record + 4));
        columns[i].SetWidth(ReadLong(record + 8));
        columns[i].SetOrder(ReadLong(record + 12));
        columns[i].SetVisible(record[16] == 1);
    }
    return true;
}

bool Read(std::vector<CReminderColumn>& columns)
{
    CRegKeyEx key;
    if (key.Open(HKEY_CURRENT_USER, kSettingsKey, KEY_READ) != ERROR_SUCCESS)
        return false;
    std::vector<BYTE> value;
    if (key.QueryBinaryValue(kValueName, value) != ERROR_SUCCESS)
        return false;
    if (!Parse(value, columns)) {
        TracePrint(__FILE__, __LINE__, TL_WARNING, "ReminderColumns of %u bytes not used: the defaults stay\n",
                   static_cast<unsigned>(value.size()));
        return false;
    }
    return true;
}

std::vector<BYTE> Format(const std::vector<CReminderColumn>& columns)
{
    std::vector<BYTE> value(columns.size() * kRecordSize, 0);
    for (std::size_t i = 0; i < columns.size(); ++i) {
        BYTE* record = value.data() + i * kRecordSize;
        WriteLong(record, columns[i].GetId());
        WriteLong(record + 4, columns[i].GetFormat());
        WriteLong(record + 8, columns[i].GetWidth());
        WriteLong(record + 12, static_cast<LONG>(i));
        record[16] = columns[i].IsVisible() ? 1 : 0;
    }
    return value;
}

LONG Write(const std::vector<CReminderColumn>& columns)
{
    CRegKeyEx key;
    LONG result = key.Create(HKEY_CURRENT_USER, kSettingsKey);
    if (result != ERROR_SUCCESS)
        return result;
    const std::vector<BYTE> value = Format(columns);
    return key.SetBinaryValue(kValueName, value.data(), static_cast<DWORD>(value.size()));
}

std::vector<CReminderColumn> InDisplayOrder(const std::vector<CReminderColumn>& columns, const std::vector<int>& order)
{
    std::vector<CReminderColumn> result = columns;
    std::vector<std::size_t> shownSlots;
    for (std::size_t slot = 0; slot < columns.size(); ++slot)
        if (columns[slot].IsVisible())
            shownSlots.push_back(slot);
    std::vector<int> sorted = order;
    std::sort(sorted.begin(), sorted.end());
    std::vector<int> subitems(shownSlots.size());
    std::iota(subitems.begin(), subitems.end(), 0);
    if (sorted == subitems)
        for (std::size_t position = 0; position < shownSlots.size(); ++position)
            result[shownSlots[position]] = columns[shownSlots[static_cast<std::size_t>(order[position])]];
    for (std::size_t slot = 0; slot < result.size(); ++slot)
        result[slot].SetOrder(static_cast<LONG>(slot));
    return result;
}

} // namespace ColumnLayout
