// The OptionsPagesAdd event: the pages collection, and the pages an add-in adds to the Options
// dialog, headless and with windows.
#include "HostFixture.h"
#include "TestPropertyPage.h"

#include "VirtualDisplay.h"
#include "com/Bstr.h"
#include "com/Variant.h"
#include "host/PropertyPages.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>

namespace {

class OptionsPagesAdd : public HostFixture {
protected:
    void TearDown() override
    {
        for (const char* name : {"HOST_TEST_ADD_PAGE", "HOST_TEST_PAGE_CLEAN", "HOST_TEST_PAGE_INVALID"})
            unsetenv(name);
        HostFixture::TearDown();
    }
    std::vector<std::string> LogFrom(const std::string& line) const
    {
        const auto log = AddInLog();
        auto at = std::find(log.begin(), log.end(), line);
        return std::vector<std::string>(at, log.end());
    }
};

VARIANT Number(LONG n)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = n;
    return v;
}

} // namespace

TEST_F(OptionsPagesAdd, TheCollectionTakesPageObjectsWithTitlesAndCountsFromOne)
{
    ComPtr<CPropertyPages> pages;
    ASSERT_EQ(CPropertyPages::CreateObject(pages.put()), S_OK);
    ComPtr<CTestPropertyPage> page;
    ASSERT_EQ(CTestPropertyPage::CreateObject(page.put()), S_OK);
    VARIANT object;
    VariantInit(&object);
    object.vt = VT_DISPATCH;
    object.pdispVal = static_cast<IDispatch*>(page.get());
    BSTR title = SysAllocString(reinterpret_cast<const OLECHAR*>(u"Mine"));
    EXPECT_EQ(pages->Add(object, nullptr), E_INVALIDARG); // a tab needs a title
    EXPECT_EQ(pages->Add(Number(5), title), E_INVALIDARG);
    VARIANT progId;
    VariantInit(&progId);
    progId.vt = VT_BSTR;
    progId.bstrVal = SysAllocString(reinterpret_cast<const OLECHAR*>(u"No.Such.Page"));
    EXPECT_TRUE(FAILED(pages->Add(progId, title)));
    VariantClear(&progId);
    ASSERT_EQ(pages->Add(object, title), S_OK);
    LONG count = 0;
    ASSERT_EQ(pages->get_Count(&count), S_OK);
    EXPECT_EQ(count, 1);
    ComPtr<IDispatch> item;
    ASSERT_EQ(pages->Item(Number(1), item.put()), S_OK);
    EXPECT_EQ(item.get(), static_cast<IDispatch*>(page.get()));
    EXPECT_EQ(pages->Item(Number(0), item.put()), DISP_E_BADINDEX);
    EXPECT_EQ(pages->Item(Number(2), item.put()), DISP_E_BADINDEX);
    // Late-bound, as an add-in calls it.
    LPOLESTR name[1] = {const_cast<LPOLESTR>(reinterpret_cast<const OLECHAR*>(u"count"))};
    DISPID id = 0;
    ASSERT_EQ(pages->GetIDsOfNames(IID_NULL, name, 1, LOCALE_SYSTEM_DEFAULT, &id), S_OK);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(pages->Invoke(id, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr),
              S_OK);
    EXPECT_EQ(result.vt, VT_I4);
    EXPECT_EQ(result.lVal, 1);
    EXPECT_EQ(pages->Remove(Number(2)), DISP_E_BADINDEX);
    EXPECT_EQ(pages->Remove(Number(1)), S_OK);
    EXPECT_TRUE(pages->Pages().empty());
    pages->Seal();
    EXPECT_EQ(pages->Add(object, title), E_UNEXPECTED);
    SysFreeString(title);
}

TEST_F(OptionsPagesAdd, AnAddInsPageIsShownAfterTheEventAndAppliedWhenDirty)
{
    RegisterAddIn();
    setenv("HOST_TEST_ADD_PAGE", "Add-in Page", 1);
    auto program = StartHost();
    out.str("");
    program->Execute("options");
    EXPECT_EQ(Lines(out.str()), (std::vector<std::string>{"page \"General\"", "page \"Add-in Page\""}));
    EXPECT_EQ(LogFrom("app f005"), (std::vector<std::string>{"app f005", "addin page added"}));
    program->Execute("options apply");
    EXPECT_EQ(LogFrom("app f005").back(), "addin page apply");
    setenv("HOST_TEST_PAGE_CLEAN", "1", 1);
    out.str("");
    program->Execute("options ok"); // a clean page is not applied
    EXPECT_EQ(Lines(out.str()), std::vector<std::string>{"options closed"});
    EXPECT_EQ(LogFrom("app f005"), (std::vector<std::string>{"app f005", "addin page added", "addin page dirty yes",
                                                             "addin page apply", "addin page dirty no"}));
}

TEST_F(OptionsPagesAdd, AFailingApplyKeepsTheDialogOpenOnThatPage)
{
    RegisterAddIn();
    setenv("HOST_TEST_ADD_PAGE", "Add-in Page", 1);
    setenv("HOST_TEST_PAGE_INVALID", "1", 1);
    auto program = StartHost();
    program->Execute("options");
    out.str("");
    program->Execute("options ok");
    EXPECT_EQ(Lines(out.str()), std::vector<std::string>{"options stay open"});
    EXPECT_EQ(program->Options()->Active(), 1u);
    unsetenv("HOST_TEST_PAGE_INVALID");
    out.str("");
    program->Execute("options ok");
    EXPECT_EQ(Lines(out.str()), std::vector<std::string>{"options closed"});
}

TEST_F(OptionsPagesAdd, WithoutAnAddedPageTheEventStillComes)
{
    RegisterAddIn();
    auto program = StartHost();
    out.str("");
    program->Execute("options");
    EXPECT_EQ(Lines(out.str()), std::vector<std::string>{"page \"General\""});
    EXPECT_EQ(AddInLog().back(), "app f005");
}

TEST_F(OptionsPagesAdd, TheWindowedDialogShowsTheAddedPagesView)
{
    if (!VirtualDisplay::Available())
        GTEST_SKIP() << "Xvfb is not installed";
    RegisterAddIn();
    std::vector<std::string> lines;
    std::string text;
    ASSERT_EQ(RunWindowedHost("options\noptions ok\nquit\n", lines, &text, "HOST_TEST_ADD_PAGE='Add-in Page'"), 0)
        << text;
    EXPECT_NE(std::find(lines.begin(), lines.end(), "options window shown: 2 pages, 1 page views"), lines.end())
        << text;
    EXPECT_NE(std::find(lines.begin(), lines.end(), "options closed"), lines.end()) << text;
    const auto log = LogFrom("app f005");
    ASSERT_GE(log.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(log.begin(), log.begin() + 5),
              (std::vector<std::string>{"app f005", "addin page added", "addin page view", "addin page dirty yes",
                                        "addin page apply"}));
}
