#include "base/LastError.h"
#include "base/Locale.h"
#include "base/WinError.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <string>

namespace {

const SYSTEMTIME kMayDay{2007, 5, 0, 1, 14, 5, 9, 0};
const SYSTEMTIME kMorning{2007, 12, 0, 24, 9, 3, 7, 0};

std::string Date(LCID locale, const SYSTEMTIME& t, const char* format = nullptr, DWORD flags = 0)
{
    char text[80];
    const int n = GetDateFormatA(locale, flags, &t, format, text, sizeof text);
    return n ? std::string(text) : "<" + std::to_string(GetLastError()) + ">";
}

std::string Time(LCID locale, const SYSTEMTIME& t, DWORD flags = 0, const char* format = nullptr)
{
    char text[80];
    const int n = GetTimeFormatA(locale, flags, &t, format, text, sizeof text);
    return n ? std::string(text) : "<" + std::to_string(GetLastError()) + ">";
}

int Compare(const char* a, const char* b, DWORD flags = 0)
{
    return CompareStringA(LOCALE_USER_DEFAULT, flags, a, -1, b, -1);
}

class LocaleEnvironment : public ::testing::Test {
protected:
    void Set(const char* name, const char* value)
    {
        if (!m_saved.count(name)) {
            const char* old = std::getenv(name);
            m_saved[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    void SetUp() override
    {
        Set("LC_ALL", nullptr);
        Set("LC_TIME", nullptr);
        Set("LANG", "en_US.UTF-8");
    }
    void TearDown() override
    {
        for (const auto& [name, value] : m_saved)
            value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
    }

private:
    std::map<std::string, std::optional<std::string>> m_saved;
};

} // namespace

TEST(LocaleDates, ShortDatesAndTimesInFiveLanguages)
{
    EXPECT_EQ(Date(1031, kMayDay), "01.05.2007");
    EXPECT_EQ(Date(1033, kMayDay), "5/1/2007");
    EXPECT_EQ(Date(1036, kMayDay), "01/05/2007");
    EXPECT_EQ(Date(1040, kMayDay), "01/05/2007");
    EXPECT_EQ(Date(3082, kMayDay), "01/05/2007");
    EXPECT_EQ(Date(2057, kMorning), "24/12/2007");

    EXPECT_EQ(Time(1031, kMayDay, TIME_NOSECONDS), "14:05");
    EXPECT_EQ(Time(1033, kMayDay, TIME_NOSECONDS), "2:05 PM");
    EXPECT_EQ(Time(1036, kMayDay, TIME_NOSECONDS), "14:05");
    EXPECT_EQ(Time(1040, kMayDay, TIME_NOSECONDS), "14:05");
    EXPECT_EQ(Time(3082, kMorning, TIME_NOSECONDS), "9:03");
    EXPECT_EQ(Time(1033, kMorning, TIME_NOSECONDS), "9:03 AM");
    EXPECT_EQ(Time(1031, kMayDay), "14:05:09");
    EXPECT_EQ(Time(1033, kMayDay), "2:05:09 PM");
    EXPECT_EQ(Time(1033, kMayDay, TIME_NOMINUTESORSECONDS), "2 PM");
    EXPECT_EQ(Time(1033, kMayDay, TIME_NOTIMEMARKER), "2:05:09");
    EXPECT_EQ(Time(1033, kMayDay, TIME_FORCE24HOURFORMAT | TIME_NOSECONDS), "14:05");
    EXPECT_EQ(Time(1033, {2007, 1, 0, 1, 0, 30, 0, 0}, TIME_NOSECONDS), "12:30 AM");
}

TEST(LocaleDates, PicturesSizesAndFaults)
{
    EXPECT_EQ(Date(1031, kMayDay, "dddd, d. MMMM yyyy"), "Dienstag, 1. Mai 2007");
    EXPECT_EQ(Date(1036, kMorning, "ddd d MMM yy"), "lun. 24 d\xC3\xA9" "c. 07");
    EXPECT_EQ(Date(1033, kMayDay, "'Day' d 'of' M, ''yy"), "Day 1 of 5, '07");
    EXPECT_EQ(Time(1031, kMayDay, 0, "HH 'Uhr' mm"), "14 Uhr 05");

    const int needed = GetDateFormatA(1031, 0, &kMayDay, nullptr, nullptr, 0);
    EXPECT_EQ(needed, 11);
    char small[5];
    EXPECT_EQ(GetDateFormatA(1031, 0, &kMayDay, nullptr, small, sizeof small), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));

    SYSTEMTIME bad = kMayDay;
    bad.wDay = 31;
    bad.wMonth = 4;
    EXPECT_EQ(Date(1031, bad), "<87>");
    bad = kMayDay;
    bad.wHour = 24;
    EXPECT_EQ(Time(1031, bad), "<87>");
    EXPECT_EQ(Date(4242, kMayDay), "<87>");
    EXPECT_EQ(Date(1031, kMayDay, nullptr, 0x100), "<1004>");
    EXPECT_EQ(Date(1031, kMayDay, "d", DATE_SHORTDATE), "<1004>");
    // Today, when no date is given.
    char today[32];
    EXPECT_GT(GetDateFormatA(1031, 0, nullptr, nullptr, today, sizeof today), 0);
}

TEST_F(LocaleEnvironment, UserLocaleFromTheEnvironment)
{
    EXPECT_EQ(GetUserDefaultLCID(), 1033u);
    Set("LANG", "de_AT.UTF-8");
    EXPECT_EQ(GetUserDefaultLCID(), 3079u);
    EXPECT_EQ(Date(LOCALE_USER_DEFAULT, kMayDay), "01.05.2007");
    Set("LC_TIME", "fr_CH");
    EXPECT_EQ(GetUserDefaultLCID(), 4108u);
    Set("LC_ALL", "it_IT.UTF-8@euro");
    EXPECT_EQ(GetUserDefaultLCID(), 1040u);
    Set("LC_ALL", "de_XX");
    EXPECT_EQ(GetUserDefaultLCID(), 1031u); // the language's main locale
    Set("LC_ALL", "tlh_QO");
    EXPECT_EQ(GetUserDefaultLCID(), 1033u);
    Set("LC_ALL", "C");
    EXPECT_EQ(GetUserDefaultLCID(), 1033u);
}

TEST_F(LocaleEnvironment, CompareStringOrdersLikeADictionary)
{
    EXPECT_EQ(Compare("IPF.Note", "ipf.note", NORM_IGNORECASE), CSTR_EQUAL);
    EXPECT_EQ(Compare("IPF.Note", "ipf.note"), CSTR_GREATER_THAN); // lower case first
    EXPECT_EQ(Compare("a", "A"), CSTR_LESS_THAN);
    EXPECT_EQ(Compare("A", "b"), CSTR_LESS_THAN); // the letter before the case
    EXPECT_EQ(Compare("apple", "apples"), CSTR_LESS_THAN);
    EXPECT_EQ(Compare("Zebra", "apple", NORM_IGNORECASE), CSTR_GREATER_THAN);
    EXPECT_EQ(Compare("e", "\xC3\xA9"), CSTR_LESS_THAN);           // é after e
    EXPECT_EQ(Compare("\xC3\xA9", "f"), CSTR_LESS_THAN);           // and before f
    EXPECT_EQ(Compare("\xC3\x89t\xC3\xA9", "\xC3\xA9t\xC3\xA9", NORM_IGNORECASE), CSTR_EQUAL);
    EXPECT_EQ(Compare("caf\xC3\xA9", "CAFE", NORM_IGNORECASE | NORM_IGNORENONSPACE), CSTR_EQUAL);
    EXPECT_EQ(Compare("Stra\xC3\x9F" "e", "strasse", NORM_IGNORECASE), CSTR_GREATER_THAN); // ß as ss, accented
    EXPECT_EQ(Compare("Stra\xC3\x9F" "e", "strasse", NORM_IGNORECASE | NORM_IGNORENONSPACE), CSTR_EQUAL);
    EXPECT_EQ(Compare("Stra\xC3\x9F" "e", "strasst"), CSTR_LESS_THAN);
    EXPECT_EQ(Compare("a-b", "ab", NORM_IGNORESYMBOLS), CSTR_EQUAL);
    EXPECT_EQ(Compare("1", "a"), CSTR_LESS_THAN);
    EXPECT_EQ(Compare("-", "1"), CSTR_LESS_THAN);
    EXPECT_EQ(Compare("\xD0\x94\xD0\xB0", "\xD0\xB4\xD0\x90", NORM_IGNORECASE), CSTR_EQUAL); // Cyrillic
    EXPECT_EQ(CompareStringA(1031, NORM_IGNORECASE, "IPF.Note.x", 8, "ipf.notes", 8), CSTR_EQUAL);
    EXPECT_EQ(CompareStringW(1031, NORM_IGNORECASE, u"IPF.\u00C4", -1, u"ipf.\u00E4", -1), CSTR_EQUAL);
    EXPECT_EQ(CompareStringW(1031, 0, u"a", 1, u"b", 1), CSTR_LESS_THAN);

    EXPECT_EQ(CompareStringA(1031, 0x40000000, "a", -1, "a", -1), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FLAGS));
    EXPECT_EQ(CompareStringA(1031, 0, nullptr, -1, "a", -1), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(CompareStringA(4242, 0, "a", -1, "a", -1), 0);
}

TEST_F(LocaleEnvironment, LocaleValuesWithoutARegistry)
{
    char text[16];
    ASSERT_EQ(GetLocaleInfoA(1031, LOCALE_SDECIMAL, text, sizeof text), 2);
    EXPECT_STREQ(text, ",");
    ASSERT_EQ(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, text, sizeof text), 2);
    EXPECT_STREQ(text, ".");
    EXPECT_EQ(GetLocaleInfoA(1036, LOCALE_SSHORTDATE, nullptr, 0), 11);
    GetLocaleInfoA(1031, LOCALE_ILANGUAGE, text, sizeof text);
    EXPECT_STREQ(text, "0407");
    GetLocaleInfoA(3079, LOCALE_SISO3166CTRYNAME, text, sizeof text);
    EXPECT_STREQ(text, "AT");
    EXPECT_EQ(GetLocaleInfoA(1031, 0x9999, text, sizeof text), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FLAGS));
    EXPECT_EQ(GetLocaleInfoA(1031, LOCALE_SDECIMAL, text, 1), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}
