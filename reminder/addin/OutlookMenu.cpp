#include "OutlookMenu.h"

#include "AddinCache.h"
#include "ButtonSink.h"
#include "ExplorerSink.h"
#include "ExplorersSink.h"
#include "LateBound.h"
#include "ModuleInstance.h"
#include "OutlookButtonFaceHelper.h"
#include "OutlookVersion.h"
#include "TraceScope.h"
#include "base/Bitmap.h"
#include "base/LastError.h"
#include "base/Resources.h"
#include "com/ComBstr.h"
#include "host/HostInterfaces.h"
#include "mapi/MapiCodes.h"

#include <map>

namespace {

using LateBound::BoolArg;
using LateBound::LongArg;
using LateBound::MissingArg;

// A text argument over a BSTR the caller keeps.
VARIANT Text(BSTR text)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = text;
    return v;
}

ComPtr<IUnknown> Identity(IUnknown* object)
{
    ComPtr<IUnknown> identity;
    if (object)
        object->QueryInterface(IID_IUnknown, identity.put_void());
    return identity;
}

// The process's sinks: the one on the Explorers collection, each explorer's (by the explorer's
// identity) and the explorer map of button sinks. Each map holds one reference on its sinks.
CExplorersSink* g_pExplorersSink = nullptr;
// Both go with the library (its unloading or the process's end).
std::map<IUnknown*, ComPtr<CExplorerSink>>& ExplorerSinks()
{
    static std::map<IUnknown*, ComPtr<CExplorerSink>> sinks;
    return sinks;
}
std::map<IUnknown*, ComPtr<CButtonSink>>& ButtonSinks()
{
    static std::map<IUnknown*, ComPtr<CButtonSink>> sinks;
    return sinks;
}

// The sink a map holds for the explorer, or null.
template <class Sink>
Sink* FindSink(std::map<IUnknown*, ComPtr<Sink>>& sinks, IUnknown* explorer)
{
    const ComPtr<IUnknown> identity = Identity(explorer);
    const auto it = sinks.find(identity.get());
    return it == sinks.end() ? nullptr : it->second.get();
}

// Takes the explorer's sink out of the map and unadvises it (it goes with the last reference).
template <class Sink>
void RemoveSink(std::map<IUnknown*, ComPtr<Sink>>& sinks, IUnknown* explorer)
{
    const ComPtr<IUnknown> identity = Identity(explorer);
    const auto it = sinks.find(identity.get());
    if (it == sinks.end())
        return;
    const ComPtr<Sink> sink = it->second;
    sinks.erase(it);
    sink->Unadvise();
}

void RemoveExplorersSink()
{
    if (!g_pExplorersSink)
        return;
    g_pExplorersSink->Unadvise();
    g_pExplorersSink->Release();
    g_pExplorersSink = nullptr;
}

// Whether the cached Application is a host with a ribbon (major version 14 on), whose commands
// the ribbon shows instead. No application, or a version that cannot be read, counts as without.
bool HostWithRibbon()
{
    IDispatch* application = AddinCache::Application();
    if (!application)
        return false;
    int major = 0;
    return SUCCEEDED(GetOutlookVersion(application, major)) && major > 13;
}

// The explorer's "Menu Bar".
HRESULT GetMenuBar(IUnknown* explorer, CommandBar** menuBar)
{
    HRESULT hr = S_OK;
    ComPtr<_Explorer> pExplorer;
    ComPtr<_CommandBars> bars;
    ComBstr name(u"Menu Bar");
    *menuBar = nullptr;
    hr = explorer->QueryInterface(IID_OF(_Explorer), pExplorer.put_void());
    if (FAILED(hr)) {
        TRACE_FAILED(QueryInterface, hr);
        return hr;
    }
    hr = pExplorer->get_CommandBars(bars.put());
    if (SUCCEEDED(hr) && !bars)
        hr = E_FAIL;
    if (FAILED(hr)) {
        TRACE_FAILED(get_CommandBars, hr);
        return hr;
    }
    hr = bars->get_Item(Text(name), menuBar);
    if (SUCCEEDED(hr) && !*menuBar)
        hr = E_FAIL;
    if (FAILED(hr))
        TRACE_FAILED(get_Item, hr);
    return hr;
}

// The button's caption, texts, style and face.
void DressButton(CommandBarControl* button)
{
    TRACE_PROC("DressButton");
    ComPtr<_CommandBarButton> pButton;
    HRESULT hr = button->QueryInterface(IID_OF(_CommandBarButton), pButton.put_void());
    if (FAILED(hr)) {
        TRACE_FAILED(QueryInterface, hr);
        return;
    }
    const ComBstr caption(LoadAddinString(kMenuCaptionString));
    if (FAILED(hr = pButton->put_BeginGroup(VARIANT_TRUE)))
        TRACE_FAILED(put_BeginGroup, hr);
    if (FAILED(hr = pButton->put_Caption(caption)))
        TRACE_FAILED(put_Caption, hr);
    if (FAILED(hr = pButton->put_DescriptionText(caption)))
        TRACE_FAILED(put_DescriptionText, hr);
    if (FAILED(hr = pButton->put_Style(msoButtonIconAndCaption)))
        TRACE_FAILED(put_Style, hr);
    if (FAILED(hr = pButton->put_TooltipText(caption)))
        TRACE_FAILED(put_TooltipText, hr);
    HBITMAP face = LoadBitmapA(ModuleInstance(), MAKEINTRESOURCEA(kMenuFaceBitmap));
    if (!face) {
        TRACE_FAILED(LoadBitmap, HRESULT_FROM_WIN32(GetLastError()));
        return;
    }
    COutlookButtonFaceHelper helper;
    hr = helper.SetFace(pButton.get(), face);
    if (FAILED(hr))
        TRACE_FAILED(SetFace, hr);
    DeleteObject(face);
}

} // namespace

namespace OutlookMenu {

CExplorerSink* FindExplorerSink(IUnknown* explorer)
{
    return FindSink(ExplorerSinks(), explorer);
}

CExplorerSink* AddExplorerSink(IDispatch* explorer)
{
    const ComPtr<IUnknown> identity = Identity(explorer);
    if (!identity)
        return nullptr;
    if (CExplorerSink* sink = FindExplorerSink(identity.get()))
        return sink;
    CExplorerSink* sink = nullptr;
    HRESULT hr = CExplorerSink::CreateObject(&sink, explorer);
    if (FAILED(hr)) {
        TRACE_FAILED(CreateObject, hr);
        return nullptr;
    }
    ComPtr<CExplorerSink> held;
    held.Attach(sink);
    hr = sink->Advise(explorer);
    if (FAILED(hr)) {
        TRACE_FAILED(Advise, hr);
        return nullptr;
    }
    ExplorerSinks()[identity.get()] = held;
    return sink;
}

void RemoveExplorerSink(IUnknown* explorer)
{
    RemoveSink(ExplorerSinks(), explorer);
}

CButtonSink* FindButtonSink(IUnknown* explorer)
{
    return FindSink(ButtonSinks(), explorer);
}

void AddButtonSink(IUnknown* explorer, CButtonSink* sink)
{
    RemoveButtonSink(explorer);
    ButtonSinks()[Identity(explorer).get()] = sink;
}

void RemoveButtonSink(IUnknown* explorer)
{
    RemoveSink(ButtonSinks(), explorer);
}

std::size_t ExplorerSinkCount()
{
    return ExplorerSinks().size();
}

std::size_t ButtonSinkCount()
{
    return ButtonSinks().size();
}

bool HasExplorersSink()
{
    return g_pExplorersSink != nullptr;
}

} // namespace OutlookMenu

HRESULT InstallOutlookMenu(BOOL show)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("InstallOutlookMenu", &hr);
    _Application* application = AddinCache::Application();
    ComPtr<_Explorers> explorers;
    LONG count = 0;
    if (!application)
        return hr;
    hr = application->get_Explorers(explorers.put());
    if (FAILED(hr)) {
        TRACE_FAILED(get_Explorers, hr);
        return hr;
    }
    if (!explorers) {
        hr = E_FAIL;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "pExplorers == NULL failed. hr=0x%08lx\n", hr);
        return hr;
    }
    hr = explorers->get_Count(&count);
    if (FAILED(hr)) {
        TRACE_FAILED(get_Count, hr);
        return hr;
    }
    RemoveExplorersSink();

    if (show) {
        CExplorersSink* sink = nullptr;
        hr = CExplorersSink::CreateObject(&sink);
        if (FAILED(hr)) {
            TRACE_FAILED(CreateObject, hr);
            return hr;
        }
        hr = sink->Advise(explorers.get());
        if (FAILED(hr)) {
            TRACE_FAILED(Advise, hr);
            sink->Release();
            return hr;
        }
        g_pExplorersSink = sink;
        // Explorers that have a sink keep it: their buttons come and go with their activation.
        for (LONG i = 1; i <= count; ++i) {
            ComPtr<_Explorer> explorer;
            const HRESULT item = explorers->Item(LongArg(i), explorer.put());
            if (FAILED(item) || !explorer) {
                TRACE_FAILED(Item, FAILED(item) ? item : E_FAIL);
                continue;
            }
            if (!OutlookMenu::AddExplorerSink(explorer.get()))
                TRACE_FAILED(Advise, E_FAIL);
        }
        return hr;
    }

    // Hiding lets go of every sink, so that a later activation shows nothing, and takes the
    // button out of every explorer.
    while (!ButtonSinks().empty())
        OutlookMenu::RemoveButtonSink(ButtonSinks().begin()->first);
    while (!ExplorerSinks().empty())
        OutlookMenu::RemoveExplorerSink(ExplorerSinks().begin()->first);
    for (LONG i = 1; i <= count; ++i) {
        ComPtr<_Explorer> explorer;
        const HRESULT item = explorers->Item(LongArg(i), explorer.put());
        if (FAILED(item) || !explorer) {
            TRACE_FAILED(Item, FAILED(item) ? item : E_FAIL);
            continue;
        }
        RemoveOutlookMenu(explorer.get());
    }
    return hr;
}

HRESULT InstallOutlookMenu(IUnknown* explorer, BOOL show, CommandBarControl** button)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("InstallOutlookMenu", &hr);
    ComPtr<CommandBar> menuBar;
    ComPtr<CommandBarControl> command, menu, tagged;
    ComPtr<CommandBarPopup> popup;
    ComPtr<CommandBarControls> controls;
    ComBstr tag(kMenuButtonTag);
    LONG before = 0;
    if (HostWithRibbon())
        return hr;
    if (!explorer || !button) {
        hr = E_INVALIDARG;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "pUnk == NULL, failed. hr=0x%08lx\n", hr);
        return hr;
    }
    hr = GetMenuBar(explorer, menuBar.put());
    if (FAILED(hr))
        return hr;

    // The host's own command shows while the add-in's button does not.
    hr = menuBar->FindControl(LongArg(msoControlButton), LongArg(kReminderCommandId), MissingArg(), MissingArg(), BoolArg(true),
                              command.put());
    if (FAILED(hr))
        TRACE_FAILED(raw_FindControl, hr);
    if (command && FAILED(hr = command->put_Visible(show ? VARIANT_FALSE : VARIANT_TRUE)))
        TRACE_FAILED(put_Visible, hr);
    hr = S_OK;

    if (show && !*button) {
        hr = menuBar->FindControl(MissingArg(), LongArg(kToolsMenuId), MissingArg(), MissingArg(), BoolArg(true), menu.put());
        if (FAILED(hr) || !menu) {
            // Without the menu there is nowhere to put the button.
            hr = FAILED(hr) ? hr : MAPI_E_NOT_FOUND;
            TRACE_FAILED(raw_FindControl, hr);
            return hr;
        }
        hr = menuBar->FindControl(LongArg(msoControlButton), MissingArg(), Text(tag), MissingArg(), BoolArg(true), tagged.put());
        if (FAILED(hr)) {
            TRACE_FAILED(raw_FindControl, hr);
            return hr;
        }
        if (tagged)
            return hr; // a button of the add-in is there already
        hr = menu.As(popup);
        if (SUCCEEDED(hr))
            hr = popup->get_Controls(controls.put());
        if (SUCCEEDED(hr) && !controls)
            hr = E_FAIL;
        if (FAILED(hr)) {
            TRACE_FAILED(get_Controls, hr);
            return hr;
        }
        if (command && FAILED(command->get_Index(&before)))
            before = 0;
        hr = controls->Add(LongArg(msoControlButton), LongArg(1), MissingArg(), before ? LongArg(before) : MissingArg(), BoolArg(true),
                           button);
        if (SUCCEEDED(hr) && !*button)
            hr = E_FAIL;
        if (FAILED(hr)) {
            TRACE_FAILED(Add, hr);
            return hr;
        }
        hr = (*button)->put_Tag(tag);
        if (FAILED(hr)) {
            TRACE_FAILED(put_Tag, hr);
            return hr;
        }
        CButtonSink* sink = nullptr;
        hr = CButtonSink::CreateObject(&sink, *button);
        if (SUCCEEDED(hr)) {
            ComPtr<CButtonSink> held;
            held.Attach(sink);
            hr = sink->Advise(*button);
            if (SUCCEEDED(hr))
                OutlookMenu::AddButtonSink(explorer, sink);
        }
        if (FAILED(hr))
            TRACE_FAILED(Advise, hr);
    }

    if (*button) {
        hr = (*button)->put_Visible(show ? VARIANT_TRUE : VARIANT_FALSE);
        if (FAILED(hr)) {
            TRACE_FAILED(put_Visible, hr);
            return hr;
        }
        if (show)
            DressButton(*button);
    }
    return hr;
}

HRESULT RemoveOutlookMenu(IUnknown* explorer)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("RemoveOutlookMenu", &hr);
    ComPtr<CommandBar> menuBar;
    ComPtr<CommandBarControl> menu, command, button;
    ComBstr tag(kMenuButtonTag);
    hr = GetMenuBar(explorer, menuBar.put());
    if (FAILED(hr))
        return hr;
    hr = menuBar->FindControl(MissingArg(), LongArg(kToolsMenuId), MissingArg(), MissingArg(), BoolArg(true), menu.put());
    if (FAILED(hr) || !menu) {
        hr = FAILED(hr) ? hr : MAPI_E_NOT_FOUND;
        TRACE_FAILED(raw_FindControl, hr);
        return hr;
    }
    // The host keeps its command inside a menu: search the whole bar.
    hr = menuBar->FindControl(LongArg(msoControlButton), LongArg(kReminderCommandId), MissingArg(), MissingArg(), BoolArg(true),
                              command.put());
    if (FAILED(hr))
        TRACE_FAILED(raw_FindControl, hr);
    if (command) {
        if (FAILED(hr = command->put_Enabled(VARIANT_TRUE)))
            TRACE_FAILED(put_Enabled, hr);
        if (FAILED(hr = command->put_Visible(VARIANT_TRUE)))
            TRACE_FAILED(put_Visible, hr);
    }
    hr = menuBar->FindControl(LongArg(msoControlButton), MissingArg(), Text(tag), MissingArg(), BoolArg(true), button.put());
    if (FAILED(hr)) {
        TRACE_FAILED(raw_FindControl, hr);
        return hr;
    }
    if (button && FAILED(hr = button->Delete(MissingArg())))
        TRACE_FAILED(Delete, hr);
    return hr;
}
