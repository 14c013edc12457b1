// ReminderWarning: the logic of the host's warning that the reminder of an item will not be
// shown because the item lies in a folder the host does not remind about: its texts in the
// host's version and language, its controls as a window hook sees them, and its answer, from
// an installed dialog hook or else from the user.
#pragma once

#include "host/DialogHooks.h"

#include <string>
#include <vector>

namespace host {

inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

class ReminderWarning {
public:
    ReminderWarning(int hostMajor, long languageId, const std::string& subject);

    const std::string& Title() const { return m_title; }
    const std::string& Message() const { return m_message; }
    const std::vector<DialogChild>& Children() const { return m_children; }

    // Offers the dialog to the dialog hooks; the ending button id, or 0 when none answered.
    int OfferToHooks(const std::string& storeIdHex, const std::string& folderIdHex) const;

private:
    std::string m_title;
    std::string m_message;
    std::vector<DialogChild> m_children;
};

} // namespace host
