// The error text that ends every failure box: the system's first line and the code, or string
// 202, and the name of the code where the table knows it (the first of two names for one code).
#include "ErrorText.h"

#include "base/DebugOutput.h"
#include "base/UiLanguage.h"
#include "mapi/MapiCodes.h"

#include <gtest/gtest.h>

namespace {

TEST(ErrorText, FirstNameOfACodeWins)
{
    EXPECT_STREQ(ErrorName(static_cast<HRESULT>(0x8007000E)), "MAPI_E_NOT_ENOUGH_MEMORY");
    EXPECT_STREQ(ErrorName(static_cast<HRESULT>(0x80070057)), "MAPI_E_INVALID_PARAMETER");
    EXPECT_STREQ(ErrorName(static_cast<HRESULT>(0x80004002)), "MAPI_E_INTERFACE_NOT_SUPPORTED");
    EXPECT_STREQ(ErrorName(1), "MAPI_USER_ABORT");
    EXPECT_STREQ(ErrorName(3), "MAPI_E_LOGON_FAILURE");
    EXPECT_STREQ(ErrorName(21), "MAPI_E_AMBIGUOUS_RECIPIENT");
    EXPECT_STREQ(ErrorName(0), "SUCCESS_SUCCESS");
    EXPECT_STREQ(ErrorName(E_POINTER), "E_POINTER");
    EXPECT_STREQ(ErrorName(MAPI_W_ERRORS_RETURNED), "MAPI_W_ERRORS_RETURNED");
    EXPECT_EQ(ErrorName(static_cast<HRESULT>(0x12345678)), nullptr);
}

TEST(ErrorText, SystemLineThenCodeThenName)
{
    EXPECT_EQ(GetErrorText(MAPI_E_LOGON_FAILED),
              "ClassFactory cannot supply requested class. (0x80040111) (MAPI_E_LOGON_FAILED)");
    // A code only MAPI knows has no system text.
    EXPECT_EQ(GetErrorText(MAPI_E_NOT_FOUND), "Unknown error 0x8004010F (MAPI_E_NOT_FOUND)");
    EXPECT_EQ(GetErrorText(static_cast<HRESULT>(0x80041234)), "Unknown error 0x80041234");
    EXPECT_EQ(GetErrorText(0), "Unknown error 0x00000000 (SUCCESS_SUCCESS)");
    const std::string memory = GetErrorText(E_OUTOFMEMORY);
    EXPECT_NE(memory.find(" (0x8007000E) (MAPI_E_NOT_ENOUGH_MEMORY)"), std::string::npos) << memory;
    EXPECT_EQ(memory.find('\r'), std::string::npos) << "only the first line of the system text";
    EXPECT_EQ(memory.find('\n'), std::string::npos);
}

TEST(ErrorText, UnknownCodesReadInTheUserInterfaceLanguage)
{
    SetThreadUILanguage(1031);
    EXPECT_EQ(GetErrorText(MAPI_E_NOT_FOUND), "Unbekannter Fehler 0x8004010F (MAPI_E_NOT_FOUND)");
    SetThreadUILanguage(1033);
}

TEST(ErrorText, FailedCallsAreTracedAndSuccessesNot)
{
    platform::DebugOutputCapture capture;
    EXPECT_TRUE(TraceHResult(S_OK, "", "/src/tool/ConflictsListCtrl.cpp", 10));
    EXPECT_TRUE(TraceHResult(MAPI_W_ERRORS_RETURNED, "", "/src/tool/ConflictsListCtrl.cpp", 11));
    EXPECT_FALSE(TraceHResult(MAPI_E_NOT_FOUND, "", "/src/tool/FormViewer.cpp", 42));
    EXPECT_EQ(capture.joined(), ": hRes = 8004010f in file /src/tool/FormViewer.cpp on line 42.\n");
}

} // namespace
