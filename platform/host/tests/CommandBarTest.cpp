// The command bars of a window, driven through their interfaces, early- and late-bound.
#include "TempRoot.h"
#include "addin/EventSink.h"
#include "com/Advise.h"
#include "com/ComBstr.h"
#include "com/ErrorInfo.h"
#include "host/CommandBars.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

VARIANT Long(LONG v)
{
    VARIANT x;
    VariantInit(&x);
    x.vt = VT_I4;
    x.lVal = v;
    return x;
}

VARIANT Bool(bool v)
{
    VARIANT x;
    VariantInit(&x);
    x.vt = VT_BOOL;
    x.boolVal = v ? VARIANT_TRUE : VARIANT_FALSE;
    return x;
}

VARIANT Missing()
{
    VARIANT x;
    VariantInit(&x);
    x.vt = VT_ERROR;
    x.scode = DISP_E_PARAMNOTFOUND;
    return x;
}

class CommandBars : public ::testing::Test {
protected:
    void SetUp() override
    {
        CCommandBars* made = nullptr;
        ASSERT_EQ(CCommandBars::CreateObject(&made, [this](LONG id) {
                      ran.push_back(id);
                      return S_OK;
                  }),
                  S_OK);
        bars.Attach(made);
        VARIANT name;
        VariantInit(&name);
        name.vt = VT_BSTR;
        name.bstrVal = ComBstr("menu bar").Detach();
        ASSERT_EQ(bars->get_Item(name, menuBar.put()), S_OK);
        VariantClear(&name);
    }

    ComPtr<CommandBarControl> Find(VARIANT type, VARIANT id, VARIANT tag, VARIANT visible, bool recursive)
    {
        ComPtr<CommandBarControl> c;
        EXPECT_EQ(menuBar->FindControl(type, id, tag, visible, Bool(recursive), c.put()), S_OK);
        return c;
    }

    ComPtr<CommandBarControls> ToolsControls()
    {
        ComPtr<CommandBarControl> tools = Find(Missing(), Long(30004), Missing(), Missing(), false);
        ComPtr<CommandBarPopup> popup;
        EXPECT_EQ(tools.As(popup), S_OK);
        ComPtr<CommandBarControls> controls;
        EXPECT_EQ(popup->get_Controls(controls.put()), S_OK);
        return controls;
    }

    TempRoot root;
    std::vector<LONG> ran;
    ComPtr<CCommandBars> bars;
    ComPtr<CommandBar> menuBar;
};

} // namespace

TEST_F(CommandBars, FindControlLooksIntoMenusOnlyWhenRecursive)
{
    EXPECT_FALSE(Find(Long(msoControlButton), Long(6894), Missing(), Missing(), false));
    ComPtr<CommandBarControl> reminders = Find(Long(msoControlButton), Long(6894), Missing(), Missing(), true);
    ASSERT_TRUE(reminders);
    LONG index = 0;
    EXPECT_EQ(reminders->get_Index(&index), S_OK);
    EXPECT_EQ(index, 3);
    // A popup is no button.
    EXPECT_FALSE(Find(Long(msoControlButton), Long(30004), Missing(), Missing(), true));
    // The window-wide search always looks into the menus.
    ComPtr<CommandBarControl> send;
    EXPECT_EQ(bars->FindControl(Missing(), Long(7095), Missing(), Missing(), send.put()), S_OK);
    EXPECT_TRUE(send);
}

TEST_F(CommandBars, HiddenControlsAreFoundUnlessVisibleIsAskedFor)
{
    ComPtr<CommandBarControl> reminders = Find(Missing(), Long(6894), Missing(), Missing(), true);
    ASSERT_EQ(reminders->put_Visible(VARIANT_FALSE), S_OK);
    EXPECT_TRUE(Find(Missing(), Long(6894), Missing(), Bool(false), true));
    EXPECT_FALSE(Find(Missing(), Long(6894), Missing(), Bool(true), true));
}

TEST_F(CommandBars, AddPutsControlsBeforeAPositionAndDeleteRemovesThem)
{
    ComPtr<CommandBarControls> controls = ToolsControls();
    ComPtr<CommandBarControl> button;
    ASSERT_EQ(controls->Add(Long(msoControlButton), Long(1), Missing(), Long(3), Bool(true), button.put()), S_OK);
    ASSERT_EQ(button->put_Tag(ComBstr("mine")), S_OK);
    LONG index = 0, count = 0;
    button->get_Index(&index);
    EXPECT_EQ(index, 3);
    ComPtr<CommandBarControl> reminders = Find(Missing(), Long(6894), Missing(), Missing(), true);
    reminders->get_Index(&index);
    EXPECT_EQ(index, 4);

    VARIANT tag;
    VariantInit(&tag);
    tag.vt = VT_BSTR;
    tag.bstrVal = ComBstr("mine").Detach();
    EXPECT_EQ(Find(Missing(), Missing(), tag, Missing(), true).get(), button.get());

    ASSERT_EQ(button->Delete(Missing()), S_OK);
    EXPECT_FALSE(Find(Missing(), Missing(), tag, Missing(), true));
    VariantClear(&tag);
    controls->get_Count(&count);
    EXPECT_EQ(count, 4);
    // A deleted control refuses changes and says why.
    EXPECT_EQ(button->put_Caption(ComBstr("x")), E_ACCESSDENIED);
    ComPtr<IErrorInfo> info;
    ASSERT_EQ(GetErrorInfo(0, info.put()), S_OK);
    ComBstr description;
    info->GetDescription(description.put());
    EXPECT_EQ(description.Utf8(), "The control has been deleted.");

    // Added at the end when no position is given; positions past the end are refused.
    ComPtr<CommandBarControl> last;
    ASSERT_EQ(controls->Add(Missing(), Missing(), Missing(), Missing(), Missing(), last.put()), S_OK);
    last->get_Index(&index);
    EXPECT_EQ(index, 5);
    ComPtr<CommandBarControl> bad;
    EXPECT_EQ(controls->Add(Missing(), Missing(), Missing(), Long(9), Missing(), bad.put()), E_INVALIDARG);
    EXPECT_EQ(controls->Add(Long(msoControlButton), Long(4242), Missing(), Missing(), Missing(), bad.put()),
              E_INVALIDARG);
}

TEST_F(CommandBars, ExecuteTellsTheSinksThenRunsTheCommandUnlessCancelled)
{
    ComPtr<CommandBarControl> send = Find(Missing(), Long(7095), Missing(), Missing(), true);
    ASSERT_EQ(send->Execute(), S_OK);
    EXPECT_EQ(ran, std::vector<LONG>{7095});

    CEventSink* sink = nullptr;
    ASSERT_EQ(CEventSink::CreateObject(&sink, DIID__CommandBarButtonEvents, "click", true), S_OK);
    DWORD cookie = 0;
    ASSERT_EQ(AdviseSink(send.get(), static_cast<IDispatch*>(sink), DIID__CommandBarButtonEvents, &cookie), S_OK);
    sink->Release();
    ASSERT_EQ(send->Execute(), S_OK);
    EXPECT_EQ(ran, std::vector<LONG>{7095});
    ASSERT_EQ(UnadviseSink(send.get(), DIID__CommandBarButtonEvents, cookie), S_OK);

    // A disabled control does nothing; a blank button of an add-in runs no command.
    send->put_Enabled(VARIANT_FALSE);
    send->Execute();
    ComPtr<CommandBarControl> blank;
    ToolsControls()->Add(Missing(), Missing(), Missing(), Missing(), Missing(), blank.put());
    blank->Execute();
    EXPECT_EQ(ran, std::vector<LONG>{7095});
    // A built-in id added again is a copy of the command.
    ComPtr<CommandBarControl> copy;
    ASSERT_EQ(ToolsControls()->Add(Long(msoControlButton), Long(6894), Missing(), Missing(), Missing(), copy.put()),
              S_OK);
    copy->Execute();
    EXPECT_EQ(ran, (std::vector<LONG>{7095, 6894}));
}

TEST_F(CommandBars, BarsAreAddedFoundByNameOrIndexAndDeleted)
{
    VARIANT name;
    VariantInit(&name);
    name.vt = VT_BSTR;
    name.bstrVal = ComBstr("Mine").Detach();
    ComPtr<CommandBar> bar;
    ASSERT_EQ(bars->Add(name, Missing(), Missing(), Bool(true), bar.put()), S_OK);
    ComPtr<CommandBar> again;
    EXPECT_EQ(bars->Add(name, Missing(), Missing(), Bool(true), again.put()), E_INVALIDARG);
    LONG count = 0, index = 0;
    bars->get_Count(&count);
    EXPECT_EQ(count, 2);
    bar->get_Index(&index);
    EXPECT_EQ(index, 2);
    ComPtr<CommandBar> byIndex;
    ASSERT_EQ(bars->get_Item(Long(2), byIndex.put()), S_OK);
    EXPECT_EQ(byIndex.get(), bar.get());

    ComPtr<CommandBarControls> controls;
    ComPtr<CommandBarControl> button;
    ASSERT_EQ(bar->get_Controls(controls.put()), S_OK);
    ASSERT_EQ(controls->Add(Missing(), Missing(), Missing(), Missing(), Missing(), button.put()), S_OK);
    ASSERT_EQ(bar->Delete(), S_OK);
    bars->get_Count(&count);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(bars->get_Item(name, again.put()), E_INVALIDARG);
    EXPECT_EQ(button->put_Visible(VARIANT_FALSE), E_ACCESSDENIED);
    EXPECT_EQ(menuBar->Delete(), E_FAIL);
    VariantClear(&name);
}

TEST_F(CommandBars, LateBoundCallsByName)
{
    ComPtr<IDispatch> bar;
    ASSERT_EQ(menuBar.As(bar), S_OK);
    LPOLESTR names[] = {const_cast<LPOLESTR>(u"findcontrol")};
    DISPID id = 0;
    ASSERT_EQ(bar->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &id), S_OK);
    // FindControl(Type, Id, Tag, Visible, Recursive), arguments last first.
    VARIANT args[] = {Bool(true), Missing(), Missing(), Long(6894), Long(msoControlButton)};
    DISPPARAMS params{args, nullptr, 5, 0};
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(bar->Invoke(id, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_METHOD, &params, &result, nullptr, nullptr),
              S_OK);
    ASSERT_EQ(result.vt, VT_DISPATCH);
    ASSERT_NE(result.pdispVal, nullptr);
    // The control answers its names too: Caption, and Style of a button.
    LPOLESTR caption[] = {const_cast<LPOLESTR>(u"Caption")};
    LPOLESTR style[] = {const_cast<LPOLESTR>(u"Style")};
    DISPID captionId = 0, styleId = 0;
    EXPECT_EQ(result.pdispVal->GetIDsOfNames(IID_NULL, caption, 1, 0, &captionId), S_OK);
    EXPECT_EQ(result.pdispVal->GetIDsOfNames(IID_NULL, style, 1, 0, &styleId), S_OK);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VARIANT text;
    VariantInit(&text);
    ASSERT_EQ(result.pdispVal->Invoke(captionId, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &text, nullptr, nullptr),
              S_OK);
    EXPECT_EQ(ComBstr(text.bstrVal).Utf8(), "Re&minders Window");
    VariantClear(&text);
    VariantClear(&result);
}
