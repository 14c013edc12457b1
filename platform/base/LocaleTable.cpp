#include "base/LocaleTable.h"

#include "base/Utf.h"

#include <array>

namespace {

using platform::LocaleData;

// Main locale of each language first: a name with an unknown territory takes it.
constexpr std::array kLocales = {
    LocaleData{1031, "de", "DE", "dd.MM.yyyy", "HH:mm:ss", ",", "."},
    LocaleData{3079, "de", "AT", "dd.MM.yyyy", "HH:mm:ss", ",", "."},
    LocaleData{2055, "de", "CH", "dd.MM.yyyy", "HH:mm:ss", ".", "'"},
    LocaleData{4103, "de", "LU", "dd.MM.yyyy", "HH:mm:ss", ",", "."},
    LocaleData{5127, "de", "LI", "dd.MM.yyyy", "HH:mm:ss", ".", "'"},
    LocaleData{1033, "en", "US", "M/d/yyyy", "h:mm:ss tt", ".", ","},
    LocaleData{2057, "en", "GB", "dd/MM/yyyy", "HH:mm:ss", ".", ","},
    LocaleData{3081, "en", "AU", "d/MM/yyyy", "h:mm:ss tt", ".", ","},
    LocaleData{4105, "en", "CA", "dd/MM/yyyy", "h:mm:ss tt", ".", ","},
    LocaleData{5129, "en", "NZ", "d/MM/yyyy", "h:mm:ss tt", ".", ","},
    LocaleData{6153, "en", "IE", "dd/MM/yyyy", "HH:mm:ss", ".", ","},
    LocaleData{7177, "en", "ZA", "yyyy/MM/dd", "hh:mm:ss tt", ".", ","},
    LocaleData{1036, "fr", "FR", "dd/MM/yyyy", "HH:mm:ss", ",", " "},
    LocaleData{2060, "fr", "BE", "dd-MM-yy", "HH:mm:ss", ",", "."},
    LocaleData{3084, "fr", "CA", "yyyy-MM-dd", "HH:mm:ss", ",", " "},
    LocaleData{4108, "fr", "CH", "dd.MM.yyyy", "HH:mm:ss", ".", "'"},
    LocaleData{5132, "fr", "LU", "dd/MM/yyyy", "HH:mm:ss", ",", " "},
    LocaleData{1040, "it", "IT", "dd/MM/yyyy", "HH:mm:ss", ",", "."},
    LocaleData{2064, "it", "CH", "dd.MM.yyyy", "HH:mm:ss", ".", "'"},
    LocaleData{3082, "es", "ES", "dd/MM/yyyy", "H:mm:ss", ",", "."},
    LocaleData{1034, "es", "ES", "dd/MM/yyyy", "H:mm:ss", ",", "."}, // traditional sort
    LocaleData{2058, "es", "MX", "dd/MM/yyyy", "hh:mm:ss tt", ".", ","},
    LocaleData{11274, "es", "AR", "dd/MM/yyyy", "hh:mm:ss tt", ",", "."},
    LocaleData{1043, "nl", "NL", "d-M-yyyy", "H:mm:ss", ",", "."},
    LocaleData{2067, "nl", "BE", "d/MM/yyyy", "H:mm:ss", ",", "."},
    LocaleData{1046, "pt", "BR", "dd/MM/yyyy", "HH:mm:ss", ",", "."},
    LocaleData{2070, "pt", "PT", "dd-MM-yyyy", "HH:mm:ss", ",", "."},
    LocaleData{1030, "da", "DK", "dd-MM-yyyy", "HH:mm:ss", ",", "."},
    LocaleData{1053, "sv", "SE", "yyyy-MM-dd", "HH:mm:ss", ",", " "},
    LocaleData{1044, "nb", "NO", "dd.MM.yyyy", "HH:mm:ss", ",", " "},
    LocaleData{1035, "fi", "FI", "d.M.yyyy", "H:mm:ss", ",", " "},
    LocaleData{1045, "pl", "PL", "yyyy-MM-dd", "HH:mm:ss", ",", " "},
    LocaleData{1029, "cs", "CZ", "d.M.yyyy", "H:mm:ss", ",", " "},
    LocaleData{1038, "hu", "HU", "yyyy.MM.dd.", "H:mm:ss", ",", " "},
    LocaleData{1049, "ru", "RU", "dd.MM.yyyy", "H:mm:ss", ",", " "},
    LocaleData{1055, "tr", "TR", "dd.MM.yyyy", "HH:mm:ss", ",", "."},
    LocaleData{1032, "el", "GR", "d/M/yyyy", "h:mm:ss tt", ",", "."},
    LocaleData{1041, "ja", "JP", "yyyy/MM/dd", "H:mm:ss", ".", ","},
    LocaleData{1042, "ko", "KR", "yyyy-MM-dd", "tt h:mm:ss", ".", ","},
    LocaleData{2052, "zh", "CN", "yyyy/M/d", "H:mm:ss", ".", ","},
    LocaleData{1028, "zh", "TW", "yyyy/M/d", "tt hh:mm:ss", ".", ","},
    LocaleData{0x007F, "", "", "MM/dd/yyyy", "HH:mm:ss", ".", ","}, // invariant
};

struct Words {
    std::string_view language;
    std::array<std::string_view, 12> months;
    std::array<std::string_view, 12> monthsShort;
    std::array<std::string_view, 7> days;
    std::array<std::string_view, 7> daysShort;
};

constexpr std::array kWords = {
    Words{"en",
          {"January", "February", "March", "April", "May", "June", "July", "August", "September", "October",
           "November", "December"},
          {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"},
          {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"},
          {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"}},
    Words{"de",
          {"Januar", "Februar", "M\xC3\xA4rz", "April", "Mai", "Juni", "Juli", "August", "September", "Oktober",
           "November", "Dezember"},
          {"Jan", "Feb", "M\xC3\xA4r", "Apr", "Mai", "Jun", "Jul", "Aug", "Sep", "Okt", "Nov", "Dez"},
          {"Sonntag", "Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag"},
          {"So", "Mo", "Di", "Mi", "Do", "Fr", "Sa"}},
    Words{"fr",
          {"janvier", "f\xC3\xA9vrier", "mars", "avril", "mai", "juin", "juillet", "ao\xC3\xBBt", "septembre",
           "octobre", "novembre", "d\xC3\xA9" "cembre"},
          {"janv.", "f\xC3\xA9vr.", "mars", "avr.", "mai", "juin", "juil.", "ao\xC3\xBBt", "sept.", "oct.", "nov.",
           "d\xC3\xA9" "c."},
          {"dimanche", "lundi", "mardi", "mercredi", "jeudi", "vendredi", "samedi"},
          {"dim.", "lun.", "mar.", "mer.", "jeu.", "ven.", "sam."}},
    Words{"it",
          {"gennaio", "febbraio", "marzo", "aprile", "maggio", "giugno", "luglio", "agosto", "settembre", "ottobre",
           "novembre", "dicembre"},
          {"gen", "feb", "mar", "apr", "mag", "giu", "lug", "ago", "set", "ott", "nov", "dic"},
          {"domenica", "luned\xC3\xAC", "marted\xC3\xAC", "mercoled\xC3\xAC", "gioved\xC3\xAC", "venerd\xC3\xAC",
           "sabato"},
          {"dom", "lun", "mar", "mer", "gio", "ven", "sab"}},
    Words{"es",
          {"enero", "febrero", "marzo", "abril", "mayo", "junio", "julio", "agosto", "septiembre", "octubre",
           "noviembre", "diciembre"},
          {"ene", "feb", "mar", "abr", "may", "jun", "jul", "ago", "sep", "oct", "nov", "dic"},
          {"domingo", "lunes", "martes", "mi\xC3\xA9rcoles", "jueves", "viernes", "s\xC3\xA1" "bado"},
          {"dom", "lun", "mar", "mi\xC3\xA9", "jue", "vie", "s\xC3\xA1" "b"}},
};

const Words& WordsOf(const LocaleData& locale)
{
    for (const auto& w : kWords)
        if (w.language == locale.language)
            return w;
    return kWords[0];
}

} // namespace

namespace platform {

const LocaleData* FindLocale(LCID lcid)
{
    const LCID language = lcid & 0xFFFF;
    for (const auto& l : kLocales)
        if (l.lcid == language)
            return &l;
    return nullptr;
}

const LocaleData* FindLocaleByName(std::string_view name)
{
    name = name.substr(0, name.find_first_of(".@"));
    const auto underscore = name.find_first_of("_-");
    const std::string language = ToLowerAscii(name.substr(0, underscore));
    const std::string territory =
        underscore == std::string_view::npos ? std::string() : ToUpperAscii(name.substr(underscore + 1));
    if (language.empty())
        return nullptr;
    const LocaleData* first = nullptr;
    for (const auto& l : kLocales) {
        if (l.language != language || l.lcid == 1034)
            continue;
        if (!first)
            first = &l;
        if (l.territory == territory)
            return &l;
    }
    return first;
}

std::string_view MonthName(const LocaleData& locale, int month, bool abbreviated)
{
    const Words& w = WordsOf(locale);
    return abbreviated ? w.monthsShort[static_cast<std::size_t>(month)] : w.months[static_cast<std::size_t>(month)];
}

std::string_view DayName(const LocaleData& locale, int dayOfWeek, bool abbreviated)
{
    const Words& w = WordsOf(locale);
    return abbreviated ? w.daysShort[static_cast<std::size_t>(dayOfWeek)] : w.days[static_cast<std::size_t>(dayOfWeek)];
}

std::string_view TimeMarker(const LocaleData& locale, bool pm)
{
    if (locale.language == "ko")
        return pm ? "\xEC\x98\xA4\xED\x9B\x84" : "\xEC\x98\xA4\xEC\xA0\x84";
    if (locale.language == "zh")
        return pm ? "\xE4\xB8\x8B\xE5\x8D\x88" : "\xE4\xB8\x8A\xE5\x8D\x88";
    if (locale.language == "el")
        return pm ? "\xCE\xBC\xCE\xBC" : "\xCF\x80\xCE\xBC";
    if (locale.timeFormat.find('t') == std::string_view::npos)
        return "";
    return pm ? "PM" : "AM";
}

} // namespace platform
