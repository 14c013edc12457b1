#include "base/LastError.h"
#include "base/SystemMessages.h"
#include "base/WinError.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The system's text for a code the way the programs ask for it; "<none>" with no text.
std::string SystemText(DWORD code)
{
    LPSTR text = nullptr;
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, code, 0,
                                        reinterpret_cast<LPSTR>(&text), 0, nullptr);
    if (length == 0) {
        EXPECT_EQ(text, nullptr);
        return "<none>";
    }
    std::string result(text, length);
    EXPECT_EQ(LocalFree(text), nullptr);
    return result;
}

} // namespace

TEST(FormatMessage, KnownCodesAndTheirHresultForms)
{
    EXPECT_EQ(SystemText(ERROR_FILE_NOT_FOUND), "The file cannot be found.\r\n");
    EXPECT_EQ(SystemText(0x80070002), "The file cannot be found.\r\n");
    EXPECT_EQ(SystemText(ERROR_ACCESS_DENIED), "Access is denied.\r\n");
    EXPECT_EQ(SystemText(0x80070005), "Access is denied.\r\n");
    EXPECT_EQ(SystemText(0x8007000E), SystemText(ERROR_OUTOFMEMORY));
    EXPECT_EQ(SystemText(0x80070057), SystemText(ERROR_INVALID_PARAMETER));
    // Every code the layers define has a text of one line.
    for (DWORD code : {1u, 3u, 6u, 13u, 87u, 122u, 126u, 127u, 183u, 234u, 259u, 1009u, 1015u, 1020u, 1223u, 1400u,
                       1460u, 1812u, 1813u, 1814u, 1815u}) {
        const std::string text = SystemText(code);
        EXPECT_NE(text, "<none>") << code;
        EXPECT_EQ(text.find('\r'), text.size() - 2) << code;
    }
}

TEST(FormatMessage, ComCodesTheSystemWords)
{
    EXPECT_EQ(SystemText(0x80040111), "ClassFactory cannot supply requested class.\r\n");
    EXPECT_EQ(SystemText(E_NOTIMPL), "Not implemented.\r\n");
    EXPECT_EQ(SystemText(E_FAIL), "Unspecified error.\r\n");
    EXPECT_EQ(SystemText(E_NOINTERFACE), "No such interface is supported.\r\n");
    EXPECT_EQ(SystemText(REGDB_E_CLASSNOTREG), "Class not registered.\r\n");
    EXPECT_EQ(SystemText(CO_E_NOTINITIALIZED), "CoInitialize has not been called.\r\n");
    EXPECT_EQ(SystemText(DISP_E_MEMBERNOTFOUND), "Member not found.\r\n");
    EXPECT_EQ(SystemText(DISP_E_UNKNOWNNAME), "Unknown name.\r\n");
}

TEST(FormatMessage, CodesWithoutText)
{
    EXPECT_EQ(SystemText(0x8004010F), "<none>"); // a messaging code
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MR_MID_NOT_FOUND));
    EXPECT_EQ(SystemText(0), "<none>");
    EXPECT_EQ(SystemText(ERROR_MR_MID_NOT_FOUND), "<none>");
    EXPECT_EQ(SystemText(0x80070000), "<none>");
    EXPECT_EQ(SystemText(0x12345678), "<none>");
}

TEST(FormatMessage, CallersBufferAndFaults)
{
    char buffer[64];
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                        ERROR_ACCESS_DENIED, 0, buffer, sizeof buffer, nullptr);
    EXPECT_EQ(length, 19u);
    EXPECT_STREQ(buffer, "Access is denied.\r\n");
    EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_ACCESS_DENIED, 0, buffer, 19, nullptr), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_STRING, "text", 0, 0, buffer, sizeof buffer, nullptr), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    // An allocated buffer is at least as large as asked for.
    LPSTR text = nullptr;
    ASSERT_GT(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, E_FAIL, 1031,
                             reinterpret_cast<LPSTR>(&text), 200, nullptr),
              0u);
    text[199] = 'x';
    EXPECT_EQ(LocalFree(text), nullptr);
}

TEST(LocalHeap, BlocksAreFreedOnceAndForeignOnesRefused)
{
    HLOCAL block = LocalAlloc(LPTR, 16);
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(static_cast<const char*>(block)[i], 0);
    EXPECT_EQ(LocalFree(block), nullptr);
    // Not (any more) a block of the local heap: handed back, nothing freed.
    EXPECT_EQ(LocalFree(block), block);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    int local = 0;
    EXPECT_EQ(LocalFree(&local), &local);
    EXPECT_EQ(LocalFree(nullptr), nullptr);
    HLOCAL empty = LocalAlloc(LMEM_FIXED, 0);
    EXPECT_NE(empty, nullptr);
    EXPECT_EQ(LocalFree(empty), nullptr);
}
