#include "TestAddIn.h"

#include "EventSink.h"
#include "TestAddInLog.h"
#include "TestDialog.h"
#include "base/Bitmap.h"
#include "base/Utf.h"
#include "com/Advise.h"
#include "com/ComBstr.h"
#include "com/Picture.h"
#include "host/ApplicationEvents.h"
#include "mapi/Mapi.h"
#include "registry/Registry.h"

#include <cstdlib>
#include <vector>

namespace {

// Late-bound property get by name.
HRESULT GetByName(IDispatch* object, const char16_t* name, VARIANT& result)
{
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &id);
    if (FAILED(hr))
        return hr;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VariantInit(&result);
    return object->Invoke(id, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr);
}

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

bool CancelClicks()
{
    HKEY key = nullptr;
    DWORD value = 0, size = sizeof value, type = 0;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\HostTestAddIn", 0, KEY_READ, &key) == ERROR_SUCCESS) {
        RegQueryValueExA(key, "CancelClicks", nullptr, &type, reinterpret_cast<LPBYTE>(&value), &size);
        RegCloseKey(key);
    }
    return value != 0;
}

} // namespace

std::span<const DispatchMember> CTestAddIn::DispatchMembers(std::type_identity<ITestAddInCallbacks>)
{
    static const DispatchMember members[] = {
        DispMember<&ITestAddInCallbacks::OnPress>("OnPress", 1, DISPATCH_METHOD),
        DispMember<&ITestAddInCallbacks::OnRepurpose>("OnRepurpose", 2, DISPATCH_METHOD, {VT_DISPATCH, VT_BOOL}),
    };
    return members;
}

namespace {

std::string ControlText(IDispatch* control)
{
    ComPtr<IRibbonControl> c;
    if (!control || FAILED(control->QueryInterface(IID_OF(IRibbonControl), c.put_void())))
        return "no control";
    ComBstr id;
    ComPtr<IDispatch> context;
    c->get_Id(id.put());
    c->get_Context(context.put());
    ComPtr<_Explorer> explorer;
    return id.Utf8() + (context && SUCCEEDED(context.As(explorer)) ? " in explorer" : " without explorer");
}

// Puts a picture of the bitmap to the button's property by name, late-bound, as add-ins do; the
// picture does not own the bitmap.
HRESULT PutPicture(IDispatch* button, const char16_t* property, HBITMAP bitmap)
{
    PICTDESC desc{};
    desc.cbSizeofstruct = sizeof desc;
    desc.picType = PICTYPE_BITMAP;
    desc.bmp.hbitmap = bitmap;
    ComPtr<IDispatch> picture;
    HRESULT hr = OleCreatePictureIndirect(&desc, IID_OF(IPictureDisp), FALSE, picture.put_void());
    LPOLESTR names[1] = {const_cast<LPOLESTR>(reinterpret_cast<const OLECHAR*>(property))};
    DISPID id = 0;
    if (SUCCEEDED(hr))
        hr = button->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &id);
    if (FAILED(hr))
        return hr;
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_DISPATCH;
    value.pdispVal = picture.get();
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&value, &named, 1, 1};
    return button->Invoke(id, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr);
}

// A 16 x 16 face: a blue square on magenta, and its mask (white where the face is magenta).
void PutFace(IDispatch* button)
{
    std::vector<std::uint8_t> face(16 * 16 * 4), mask(16 * 2, 0);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const bool square = x >= 3 && x < 13 && y >= 3 && y < 13;
            std::uint8_t* p = &face[static_cast<std::size_t>(y * 16 + x) * 4];
            p[0] = square ? 200 : 255; // blue, green, red
            p[1] = square ? 80 : 0;
            p[2] = square ? 0 : 255;
            if (!square)
                mask[static_cast<std::size_t>(y * 2 + x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        }
    const HBITMAP faceBitmap = CreateBitmap(16, 16, 1, 32, face.data());
    const HBITMAP maskBitmap = CreateBitmap(16, 16, 1, 1, mask.data());
    const HRESULT picture = PutPicture(button, u"Picture", faceBitmap);
    const HRESULT masked = SUCCEEDED(picture) ? PutPicture(button, u"Mask", maskBitmap) : picture;
    // The button keeps copies: the bitmaps go at once.
    DeleteObject(faceBitmap);
    DeleteObject(maskBitmap);
    TestAddInLog(SUCCEEDED(masked) ? "face put" : "face not put");
}

} // namespace

HRESULT CTestAddIn::OnPress(IDispatch* control)
{
    TestAddInLog("ribbon press " + ControlText(control));
    return S_OK;
}

HRESULT CTestAddIn::OnRepurpose(IDispatch* control, VARIANT_BOOL* CancelDefault)
{
    std::string line = "ribbon repurpose " + ControlText(control);
    if (CancelDefault && CancelClicks()) {
        *CancelDefault = VARIANT_TRUE;
        line += " cancelled";
    }
    TestAddInLog(line);
    return S_OK;
}

HRESULT CTestAddIn::GetCustomUI(BSTR RibbonID, BSTR* RibbonXml)
{
    if (!RibbonXml)
        return E_POINTER;
    TestAddInLog("GetCustomUI " + ComBstr(RibbonID).Utf8());
    const char* markup =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
        "<customUI xmlns=\"http://schemas.microsoft.com/office/2009/07/customui\">"
        "<commands><command idMso=\"ShowRemindersWindow\" onAction=\"OnRepurpose\"/></commands>"
        "<ribbon><tabs><tab idMso=\"TabAddIns\"><group id=\"HostTestGroup\" label=\"Host Test\" autoScale=\"true\">"
        "<button id=\"TestButton\" label=\"Test\" size=\"large\" onAction=\"OnPress\"/>"
        "<button idMso=\"ShowRemindersWindow\" size=\"large\"/>"
        "<button id=\"Missing\" label=\"Missing\" onAction=\"NoSuchCallback\"/>"
        "</group></tab></tabs></ribbon></customUI>";
    *RibbonXml = ComBstr(std::string_view(markup)).Detach();
    return S_OK;
}

void CTestAddIn::Advise(IUnknown* source, const IID& iid, const char* prefix, bool cancelClicks)
{
    CEventSink* sink = nullptr;
    if (FAILED(CEventSink::CreateObject(&sink, iid, prefix, cancelClicks)))
        return;
    DWORD cookie = 0;
    const HRESULT hr = AdviseSink(source, static_cast<IDispatch*>(sink), iid, &cookie);
    sink->Release();
    if (SUCCEEDED(hr))
        m_advised.push_back({ComPtr<IUnknown>(source), iid, cookie});
    else
        TestAddInLog(std::string("advise failed ") + prefix);
}

HRESULT CTestAddIn::OnConnection(IDispatch* Application, ext_ConnectMode ConnectMode, IDispatch* AddInInst,
                                 SAFEARRAY**)
{
    VARIANT v;
    std::string line = "OnConnection mode=" + std::to_string(ConnectMode);
    if (SUCCEEDED(GetByName(Application, u"Version", v)) && v.vt == VT_BSTR)
        line += " version=" + ComBstr(v.bstrVal).Utf8();
    VariantClear(&v);
    if (AddInInst && SUCCEEDED(GetByName(AddInInst, u"ProgId", v)) && v.vt == VT_BSTR)
        line += " progid=" + ComBstr(v.bstrVal).Utf8();
    VariantClear(&v);
    TestAddInLog(line);

    if (FAILED(Application->QueryInterface(IID_OF(_Application), m_application.put_void())))
        return E_NOINTERFACE;
    // The session, late-bound as the add-ins get it.
    ComPtr<_NameSpace> ns;
    if (SUCCEEDED(m_application->GetNamespace(ComBstr("MAPI"), ns.put()))) {
        if (SUCCEEDED(GetByName(ns.get(), u"MAPIOBJECT", v)) && v.vt == VT_UNKNOWN && v.punkVal) {
            ComPtr<IMAPISession> session;
            TestAddInLog(SUCCEEDED(v.punkVal->QueryInterface(IID_OF(IMAPISession), session.put_void()))
                             ? "session ok"
                             : "session missing");
        }
        VariantClear(&v);
    }
    ComPtr<LanguageSettings> language;
    LONG lcid = 0;
    if (SUCCEEDED(m_application->get_LanguageSettings(language.put())) &&
        SUCCEEDED(language->get_LanguageID(msoLanguageIDUI, &lcid)))
        TestAddInLog("language " + std::to_string(lcid));

    Advise(m_application.get(), DIID_ApplicationEvents, "app", CancelClicks());
    ComPtr<_Explorers> explorers;
    if (SUCCEEDED(m_application->get_Explorers(explorers.put())))
        Advise(explorers.get(), DIID_ExplorersEvents, "explorers");
    return S_OK;
}

void CTestAddIn::AddButton(_Explorer* explorer)
{
    ComPtr<_CommandBars> bars;
    ComPtr<CommandBar> menuBar;
    VARIANT name;
    VariantInit(&name);
    name.vt = VT_BSTR;
    name.bstrVal = ComBstr("Menu Bar").Detach();
    const bool ok = SUCCEEDED(explorer->get_CommandBars(bars.put())) && SUCCEEDED(bars->get_Item(name, menuBar.put()));
    VariantClear(&name);
    if (!ok) {
        TestAddInLog("no menu bar");
        return;
    }
    ComPtr<CommandBarControl> reminders, menu, existing;
    menuBar->FindControl(Long(msoControlButton), Long(6894), Missing(), Missing(), Bool(true), reminders.put());
    menuBar->FindControl(Missing(), Long(30004), Missing(), Missing(), Bool(true), menu.put());
    VARIANT tag;
    VariantInit(&tag);
    tag.vt = VT_BSTR;
    tag.bstrVal = ComBstr(std::u16string_view(kTestButtonTag)).Detach();
    menuBar->FindControl(Long(msoControlButton), Missing(), tag, Missing(), Bool(true), existing.put());
    VariantClear(&tag);
    if (existing || !menu) {
        TestAddInLog(existing ? "button exists" : "no tools menu");
        return;
    }
    LONG index = 0;
    if (reminders) {
        reminders->get_Index(&index);
        reminders->put_Visible(VARIANT_FALSE);
    }
    ComPtr<CommandBarPopup> popup;
    ComPtr<CommandBarControls> controls;
    ComPtr<CommandBarControl> button;
    if (FAILED(menu.As(popup)) || FAILED(popup->get_Controls(controls.put())) ||
        FAILED(controls->Add(Long(msoControlButton), Long(1), Missing(), index ? Long(index) : Missing(), Bool(true),
                             button.put()))) {
        TestAddInLog("button not added");
        return;
    }
    button->put_Tag(ComBstr(std::u16string_view(kTestButtonTag)));
    ComPtr<_CommandBarButton> face;
    if (SUCCEEDED(button.As(face))) {
        face->put_Caption(ComBstr("Test Add-In"));
        face->put_Style(msoButtonIconAndCaption);
        face->put_BeginGroup(VARIANT_TRUE);
        if (std::getenv("HOST_TEST_FACE"))
            PutFace(face.get());
    }
    LONG at = 0;
    button->get_Index(&at);
    TestAddInLog("button added at " + std::to_string(at));
    Advise(button.get(), DIID__CommandBarButtonEvents, "click");
    // The send command too, cancelled when the test asks for it.
    ComPtr<CommandBarControl> send;
    if (SUCCEEDED(bars->FindControl(Long(msoControlButton), Long(7095), Missing(), Missing(), send.put())) && send)
        Advise(send.get(), DIID__CommandBarButtonEvents, "send", CancelClicks());
}

HRESULT CTestAddIn::OnAddInsUpdate(SAFEARRAY**)
{
    TestAddInLog("OnAddInsUpdate");
    return S_OK;
}

HRESULT CTestAddIn::OnStartupComplete(SAFEARRAY**)
{
    TestAddInLog("OnStartupComplete");
    if (std::getenv("HOST_TEST_DIALOG"))
        m_dialog = std::make_shared<TestDialog>();
    ComPtr<_Explorer> explorer;
    if (m_application && SUCCEEDED(m_application->ActiveExplorer(explorer.put())) && explorer) {
        Advise(explorer.get(), DIID_ExplorerEvents, "explorer");
        AddButton(explorer.get());
    } else {
        TestAddInLog("no explorer");
    }
    return S_OK;
}

HRESULT CTestAddIn::OnBeginShutdown(SAFEARRAY**)
{
    TestAddInLog("OnBeginShutdown");
    return S_OK;
}

HRESULT CTestAddIn::OnDisconnection(ext_DisconnectMode RemoveMode, SAFEARRAY**)
{
    TestAddInLog("OnDisconnection mode=" + std::to_string(RemoveMode));
    for (const Advised& a : m_advised)
        UnadviseSink(a.source.get(), a.iid, a.cookie);
    m_advised.clear();
    m_application = nullptr;
    m_dialog.reset();
    return S_OK;
}
