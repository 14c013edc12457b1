#include "base/UiLanguage.h"

#include "base/LastError.h"
#include "base/LocaleTable.h"
#include "base/WinError.h"

#include <cstdlib>
#include <optional>
#include <string_view>

namespace {

thread_local std::optional<LANGID> t_uiLanguage;

const char* FirstSet(std::initializer_list<const char*> names)
{
    for (const char* name : names) {
        const char* value = std::getenv(name);
        if (value && *value)
            return value;
    }
    return nullptr;
}

} // namespace

namespace platform {

LANGID UiLanguageOfLocaleName(const char* name)
{
    if (!name)
        return 1033;
    std::string_view text(name);
    text = text.substr(0, text.find_first_of("_-.@"));
    if (text == "de")
        return 1031;
    if (text == "fr")
        return 1036;
    if (text == "it")
        return 1040;
    if (text == "es")
        return 3082;
    return 1033;
}

} // namespace platform

LANGID GetUserDefaultUILanguage()
{
    return platform::UiLanguageOfLocaleName(FirstSet({"LC_ALL", "LC_MESSAGES", "LANG"}));
}

LANGID GetThreadUILanguage()
{
    return t_uiLanguage ? *t_uiLanguage : GetUserDefaultUILanguage();
}

LANGID SetThreadUILanguage(LANGID language)
{
    if (language == 0) {
        t_uiLanguage.reset();
        return GetUserDefaultUILanguage();
    }
    if (!platform::FindLocale(language) || language == 0x007F) { // not the invariant locale
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    t_uiLanguage = language;
    return language;
}
