#include "LocaleSwitch.h"

#include "base/Locale.h"

#include <strings.h>

LCID ParseLocaleSwitch(const std::vector<std::string>& args)
{
    for (const std::string& word : args) {
        if (word.size() < 5 || (word[0] != '-' && word[0] != '/') || strncasecmp(word.c_str() + 1, "LCID", 4) != 0)
            continue;
        unsigned long long n = 0;
        for (std::size_t i = 5; i < word.size() && word[i] >= '0' && word[i] <= '9'; ++i) {
            n = n * 10 + static_cast<unsigned>(word[i] - '0');
            if (n > 0xFFFFFFFFull) {
                n = 0; // no locale has such a number
                break;
            }
        }
        if (n != 0)
            return static_cast<LCID>(n);
    }
    return 0;
}

LCID ApplyLocaleSwitch(const std::vector<std::string>& args)
{
    const LCID lcid = ParseLocaleSwitch(args);
    if (lcid != 0)
        SetThreadLocale(lcid);
    return lcid;
}
