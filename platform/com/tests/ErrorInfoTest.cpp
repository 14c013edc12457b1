#include "com/ComBstr.h"
#include "com/ComPtr.h"
#include "com/ErrorInfo.h"
#include "com/ErrorReporting.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

constexpr GUID kItf = MakeGuid("11111111-2222-3333-4444-555555555555");

TEST(ErrorInfo, RoundTripHandsOverAndClears)
{
    ComPtr<ICreateErrorInfo> create;
    ASSERT_EQ(CreateErrorInfo(create.put()), S_OK);
    create->SetGUID(kItf);
    create->SetSource(const_cast<LPOLESTR>(u"Bank.Account"));
    create->SetDescription(const_cast<LPOLESTR>(u"The account is closed."));
    create->SetHelpFile(const_cast<LPOLESTR>(u"Bank.chm"));
    create->SetHelpContext(7);
    ComPtr<IErrorInfo> info;
    ASSERT_EQ(create.As(info), S_OK);
    ASSERT_EQ(SetErrorInfo(0, info.get()), S_OK);
    info = nullptr;
    create = nullptr;

    ComPtr<IErrorInfo> back;
    ASSERT_EQ(GetErrorInfo(0, back.put()), S_OK);
    ASSERT_TRUE(back);
    GUID guid{};
    back->GetGUID(&guid);
    EXPECT_TRUE(IsEqualGUID(guid, kItf));
    ComBstr source, description, help;
    back->GetSource(source.put());
    back->GetDescription(description.put());
    back->GetHelpFile(help.put());
    DWORD context = 0;
    back->GetHelpContext(&context);
    EXPECT_EQ(source.View(), u"Bank.Account");
    EXPECT_EQ(description.View(), u"The account is closed.");
    EXPECT_EQ(help.View(), u"Bank.chm");
    EXPECT_EQ(context, 7u);

    // Taken once: the next call finds nothing.
    ComPtr<IErrorInfo> again;
    EXPECT_EQ(GetErrorInfo(0, again.put()), S_FALSE);
    EXPECT_FALSE(again);
    EXPECT_EQ(SetErrorInfo(1, nullptr), E_INVALIDARG);
}

TEST(ErrorInfo, IsPerThread)
{
    ReportError(E_FAIL, kItf, "Main", "set on the main thread");
    HRESULT other = E_UNEXPECTED;
    std::thread([&other] {
        ComPtr<IErrorInfo> info;
        other = GetErrorInfo(0, info.put());
    }).join();
    EXPECT_EQ(other, S_FALSE);
    ComPtr<IErrorInfo> mine;
    EXPECT_EQ(GetErrorInfo(0, mine.put()), S_OK);
}

TEST(ErrorInfo, ReportErrorSetsAndReturnsTheResult)
{
    EXPECT_EQ(ReportError(E_INVALIDARG, kItf, u"Bank.Ledger", u"Name missing"), E_INVALIDARG);
    ComPtr<IErrorInfo> info;
    ASSERT_EQ(GetErrorInfo(0, info.put()), S_OK);
    ComBstr description;
    info->GetDescription(description.put());
    EXPECT_EQ(description.View(), u"Name missing");
    ComBstr help;
    info->GetHelpFile(help.put());
    EXPECT_EQ(help.Length(), 0u);
    // Setting null clears.
    ReportError(E_FAIL, kItf, "x", "y");
    SetErrorInfo(0, nullptr);
    EXPECT_EQ(GetErrorInfo(0, info.put()), S_FALSE);
}

} // namespace
