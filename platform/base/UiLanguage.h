// The user-interface language that resources are looked up in. The user's comes from the
// environment (LC_ALL, else LC_MESSAGES, else LANG): German 1031, English 1033, French 1036,
// Italian 1040, Spanish 3082, anything else English. Each thread starts with it; SetThreadLocale
// (base/Locale.h) sets the thread's UI language too, and of the two calls the later one wins.
#pragma once

#include "base/WinTypes.h"

extern "C" {
LANGID GetUserDefaultUILanguage();
LANGID GetThreadUILanguage();
// Sets the calling thread's UI language and returns it; 0 goes back to the user's. An unknown
// language gives 0 and ERROR_INVALID_PARAMETER and changes nothing.
LANGID SetThreadUILanguage(LANGID language);
}

namespace platform {

// The UI language of a locale name such as "de_CH.UTF-8" (1033 for anything unknown).
LANGID UiLanguageOfLocaleName(const char* name);

} // namespace platform
