// The reminder list's column layout: the Settings value ReminderColumns (REG_BINARY, 24 records of
// 20 bytes: id, format, width, order, visible, three bytes of padding; little-endian) and the
// mapping of the shown columns through the header's order, which both the list's saving and the
// field chooser use.
#pragma once

#include "ReminderColumn.h"

#include <vector>

namespace ColumnLayout {

inline constexpr char kValueName[] = "ReminderColumns";
inline constexpr std::size_t kRecordSize = 20;
inline constexpr std::size_t kValueSize = CReminderColumn::kColumns * kRecordSize;
// The widest column a stored layout may give.
inline constexpr LONG kMaxWidth = 4096;

// The 24 descriptors with their defaults, in id order.
std::vector<CReminderColumn> DefaultColumns();
// The stored layout into the descriptors when the value holds one: exactly 480 bytes, ids and
// orders each a permutation of 0-23, visible 0 or 1, widths 0 to kMaxWidth and at least one
// column shown. Anything else leaves the descriptors as they are (false).
bool Read(std::vector<CReminderColumn>& columns);
bool Parse(const std::vector<BYTE>& value, std::vector<CReminderColumn>& columns);
// The descriptors in their order as the value's bytes (each record's order is its index).
std::vector<BYTE> Format(const std::vector<CReminderColumn>& columns);
LONG Write(const std::vector<CReminderColumn>& columns);

// The descriptors as the header shows them: the shown ones, whose subitems are their places
// among the shown descriptors (0 for the first shown), take the shown descriptors' slots in the
// header's order (`order[p]`: the subitem at position p); hidden ones keep their slots. Each
// descriptor's order becomes its slot. An order that is no permutation of the subitems leaves
// the arrangement as it is.
std::vector<CReminderColumn> InDisplayOrder(const std::vector<CReminderColumn>& columns, const std::vector<int>& order);

} // namespace ColumnLayout
