// The reminder list's column table: for each of the 24 column ids the properties a column asks
// the back folder's table for (named ones first, then fixed tags) and the rule that turns a
// row's values into the cell's text, and the type icons chosen by message class.
#pragma once

#include "ReminderColumn.h"
#include "mapi/Mapi.h"

#include <span>
#include <string>
#include <string_view>

namespace ReminderColumnTable {

// Resets the column's property part from its id: its named properties with their types, and its
// fixed tags behind as many empty slots as it has names (the resolved names fill those).
void InitProperties(CReminderColumn& column);

// The text of a cell of column `id` from its values (one per tag of the column, in the column's
// order) at `now` (UTC). "<no text>" for an id outside the table, "" when the rule finds no
// usable value.
std::string FormatCell(LONG id, std::span<const SPropValue> values, const FILETIME& now);

// "Reminder Due in": the span between now and the due time in minutes, hours or days, "now"
// under a minute, "since ... overdue" for a due time passed.
std::string DueInText(const FILETIME& due, const FILETIME& now);

// The type icons in image-list order (resource ids) and the index of a message class's icon.
// Without reports only the first five classes have icons of their own.
inline constexpr UINT kTypeIcons[] = {269, 257, 258, 259, 260, 261, 270, 271, 272, 273};
int TypeImage(std::string_view messageClass, bool reports = true);
// The large icon of the details pane for a message class (the add-in icon 100 for others).
UINT DetailsIcon(std::string_view messageClass);

// A string or Unicode value as UTF-8 text; "" for any other value.
std::string TextOf(const SPropValue& value);

} // namespace ReminderColumnTable
