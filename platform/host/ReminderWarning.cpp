#include "host/ReminderWarning.h"

namespace host {

namespace {

constexpr long kGerman = 1031;

} // namespace

ReminderWarning::ReminderWarning(int hostMajor, long languageId, const std::string& subject)
{
    m_title = (hostMajor == 11 || hostMajor == 12 || hostMajor == 13) ? "Microsoft Office Outlook" : "Microsoft Outlook";
    const bool german = languageId == kGerman;
    if (german) {
        std::string suffix;
        if (hostMajor <= 11) {
            suffix = "\" wird nicht angezeigt werden, weil das Element nicht in Ihre Ordner \"Kalender\" oder "
                     "\"Aufgaben\" eingetragen ist. Sind Sie damit einverstanden";
            if (hostMajor >= 10)
                suffix += "?";
        } else {
            suffix = "\" wird nicht angezeigt, weil sich das Element in einem Ordner befindet, der Erinnerungen nicht "
                     "unterstützt. Sind Sie damit einverstanden?";
        }
        m_message = "Die Erinnerung für \"" + subject + suffix;
    } else {
        m_message = "The reminder for \"" + subject +
                    "\" will not be shown because the item is in a folder that does not support reminders. Do you "
                    "want to continue?";
    }
    // A message box: its buttons first, then the icon and the text.
    m_children = {
        {"Button", german ? "&Ja" : "&Yes", kIdYes},
        {"Button", german ? "&Nein" : "&No", kIdNo},
        {"Static", "", 20},
        {"MSOUNISTAT", m_message, -1},
    };
}

int ReminderWarning::OfferToHooks(const std::string& storeIdHex, const std::string& folderIdHex) const
{
    return OfferDialogToHooks("#32770", m_title, m_children, storeIdHex, folderIdHex);
}

} // namespace host
