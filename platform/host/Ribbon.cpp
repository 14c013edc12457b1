#include "host/Ribbon.h"

#include "base/Utf.h"
#include "com/ComBstr.h"
#include "host/ComAddInLoader.h"
#include "host/RibbonControl.h"
#include "host/RibbonInterfaces.h"

#include <cstdio>

namespace host {

namespace {

std::string HexCode(HRESULT hr)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", static_cast<unsigned>(hr));
    return text;
}

std::string TabLabel(const RibbonTab& tab)
{
    if (!tab.label.empty())
        return tab.label;
    if (tab.idMso == "TabAddIns")
        return "Add-Ins";
    return tab.Key();
}

} // namespace

void Ribbon::Load(const ComAddInLoader& loader)
{
    m_addins.clear();
    for (const ComAddInLoader::Loaded& a : loader.AddIns()) {
        ComPtr<IRibbonExtensibility> ribbon;
        if (FAILED(a.addin->QueryInterface(IID_OF(IRibbonExtensibility), ribbon.put_void())))
            continue;
        ComBstr xml;
        HRESULT hr = ribbon->GetCustomUI(ComBstr(std::u16string_view(kExplorerRibbonId)), xml.put());
        if (FAILED(hr)) {
            m_log("ribbon of " + a.progId + ": GetCustomUI failed: " + HexCode(hr));
            continue;
        }
        if (xml.Empty())
            continue;
        AddInRibbon entry;
        entry.progId = a.progId;
        std::string error;
        if (!RibbonMarkup::Parse(xml.Utf8(), entry.markup, error)) {
            m_log("ribbon of " + a.progId + " not shown: " + error);
            continue;
        }
        // The callbacks are found by name on the add-in's own IDispatch.
        if (FAILED(a.addin->QueryInterface(IID_IDispatch, entry.callbacks.put_void()))) {
            m_log("ribbon of " + a.progId + " not shown: the add-in has no IDispatch");
            continue;
        }
        m_log("ribbon of " + a.progId + " loaded");
        m_addins.push_back(std::move(entry));
    }
}

std::vector<Ribbon::ShownTab> Ribbon::Tabs() const
{
    std::vector<ShownTab> tabs;
    for (std::size_t a = 0; a < m_addins.size(); ++a) {
        for (const RibbonTab& tab : m_addins[a].markup.tabs) {
            auto it = std::find_if(tabs.begin(), tabs.end(), [&](const ShownTab& t) { return t.key == tab.Key(); });
            if (it == tabs.end()) {
                tabs.push_back({tab.Key(), TabLabel(tab), {}});
                it = tabs.end() - 1;
            }
            for (const RibbonGroup& group : tab.groups) {
                ShownGroup shown{group.label.empty() ? group.id : group.label, {}};
                for (const RibbonButton& b : group.buttons)
                    shown.buttons.push_back({b, a});
                it->groups.push_back(std::move(shown));
            }
        }
    }
    return tabs;
}

HRESULT Ribbon::Call(const AddInRibbon& addin, const std::string& method, const std::string& controlId,
                     IDispatch* context, VARIANT_BOOL* cancel)
{
    const std::u16string name = platform::Utf8ToUtf16(method);
    LPOLESTR names[] = {const_cast<LPOLESTR>(name.c_str())};
    DISPID id = 0;
    HRESULT hr = addin.callbacks->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) {
        m_log("ribbon callback " + method + " of " + addin.progId + " not found: " + HexCode(hr));
        return hr;
    }
    CRibbonControl* control = nullptr;
    hr = CRibbonControl::CreateObject(&control, platform::Utf8ToUtf16(controlId), u"", context);
    if (FAILED(hr))
        return hr;
    ComPtr<IDispatch> controlRef;
    controlRef.Attach(control);
    // Arguments last first: (control) or (control, CancelDefault).
    VARIANT args[2];
    VariantInit(&args[0]);
    VariantInit(&args[1]);
    UINT count = 1;
    if (cancel) {
        args[0].vt = VT_BOOL | VT_BYREF;
        args[0].pboolVal = cancel;
        args[1].vt = VT_DISPATCH;
        args[1].pdispVal = controlRef.get();
        count = 2;
    } else {
        args[0].vt = VT_DISPATCH;
        args[0].pdispVal = controlRef.get();
    }
    DISPPARAMS params{args, nullptr, count, 0};
    VARIANT result;
    VariantInit(&result);
    EXCEPINFO excep{};
    hr = addin.callbacks->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, &excep,
                                 nullptr);
    VariantClear(&result);
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrHelpFile);
    if (FAILED(hr))
        m_log("ribbon callback " + method + " of " + addin.progId + " failed: " + HexCode(hr));
    return hr;
}

HRESULT Ribbon::Press(const std::string& controlId, IDispatch* context)
{
    for (const ShownTab& tab : Tabs())
        for (const ShownGroup& group : tab.groups)
            for (const ShownButton& b : group.buttons) {
                if (b.button.Key() != controlId && b.button.idMso != controlId)
                    continue;
                if (!b.button.onAction.empty())
                    return Call(m_addins[b.addin], b.button.onAction, b.button.Key(), context, nullptr);
                if (!b.button.idMso.empty()) {
                    if (!m_runBuiltIn(b.button.idMso)) {
                        m_log("ribbon button " + controlId + " names no command of the host");
                        return E_INVALIDARG;
                    }
                    return S_OK;
                }
                return S_OK; // a button without action does nothing
            }
    return E_INVALIDARG;
}

bool Ribbon::Repurpose(const std::string& commandName, IDispatch* context)
{
    VARIANT_BOOL cancel = VARIANT_FALSE;
    for (const AddInRibbon& addin : m_addins)
        for (const RibbonCommand& c : addin.markup.commands)
            if (c.idMso == commandName && !c.onAction.empty())
                Call(addin, c.onAction, c.idMso, context, &cancel);
    return cancel != VARIANT_FALSE;
}

} // namespace host
