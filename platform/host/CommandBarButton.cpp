#include "host/CommandBarButton.h"

#include "host/ButtonFace.h"
#include "host/CommandBarControls.h"

CCommandBarButton::CCommandBarButton()
{
    m_events = &AddConnectionPoint(DIID__CommandBarButtonEvents);
}

std::span<const DispatchMember> CCommandBarButton::DispatchMembers()
{
    static const auto members = [] {
        auto common = CommonMembers();
        const DispatchMember own[] = {
            DispMember<&_CommandBarButton::get_Style>("Style", 0x60040004, DISPATCH_PROPERTYGET),
            DispMember<&_CommandBarButton::put_Style>("Style", 0x60040004, DISPATCH_PROPERTYPUT),
            DispMember<&_CommandBarButton::get_Picture>("Picture", 0x6004000D, DISPATCH_PROPERTYGET),
            DispMember<&_CommandBarButton::put_Picture>("Picture", 0x6004000D, DISPATCH_PROPERTYPUT),
            DispMember<&_CommandBarButton::get_Mask>("Mask", 0x6004000F, DISPATCH_PROPERTYGET),
            DispMember<&_CommandBarButton::put_Mask>("Mask", 0x6004000F, DISPATCH_PROPERTYPUT),
        };
        std::vector<DispatchMember> all(common.begin(), common.end());
        all.insert(all.end(), std::begin(own), std::end(own));
        return all;
    }();
    return members;
}

HRESULT CCommandBarButton::QueryExtraInterface(REFIID riid, void** ppv)
{
    if (IsEqualIID(riid, IID_OF(CommandBarControl))) {
        *ppv = static_cast<CommandBarControl*>(static_cast<_CommandBarButton*>(this));
        return S_OK;
    }
    return E_NOINTERFACE;
}

HRESULT CCommandBarButton::Execute()
{
    if (!m_container)
        return host::ControlDeletedError();
    if (!m_state.enabled)
        return S_OK;
    // The sinks may delete the button: keep it alive for the call.
    ComPtr<CommandBarControl> self = Interface();
    CCommandBarControls* container = m_container;
    VARIANT_BOOL cancel = VARIANT_FALSE;
    VARIANT args[2];
    VariantInit(&args[0]);
    args[0].vt = VT_DISPATCH;
    args[0].pdispVal = static_cast<_CommandBarButton*>(this);
    VariantInit(&args[1]);
    args[1].vt = VT_BOOL | VT_BYREF;
    args[1].pboolVal = &cancel;
    m_events->Fire(DISPID_CommandBarButtonEvents_Click, args);
    if (cancel != VARIANT_FALSE)
        return S_OK;
    return host::RunControlCommand(m_state, m_container ? m_container : container);
}

HRESULT CCommandBarButton::get_Style(LONG* style)
{
    return host::PutLong(m_style, style);
}

HRESULT CCommandBarButton::put_Style(LONG style)
{
    if (!m_container)
        return host::ControlDeletedError();
    if (style < msoButtonAutomatic || style > 16)
        return ReportError(E_INVALIDARG, IID_OF(_CommandBarButton), "CommandBarButton", "Invalid button style.");
    m_style = style;
    return S_OK;
}

HRESULT CCommandBarButton::get_Picture(IDispatch** picture)
{
    if (!picture)
        return E_POINTER;
    *picture = nullptr;
    return m_state.face ? host::PictureOf(*m_state.face, 32, picture) : S_OK;
}

HRESULT CCommandBarButton::put_Picture(IDispatch* picture)
{
    return PutImage(picture, m_state.face);
}

HRESULT CCommandBarButton::get_Mask(IDispatch** mask)
{
    if (!mask)
        return E_POINTER;
    *mask = nullptr;
    return m_state.mask ? host::PictureOf(*m_state.mask, 1, mask) : S_OK;
}

HRESULT CCommandBarButton::put_Mask(IDispatch* mask)
{
    return PutImage(mask, m_state.mask);
}

HRESULT CCommandBarButton::PutImage(IDispatch* picture, std::optional<ImagePixels>& image)
{
    if (!m_container)
        return host::ControlDeletedError();
    if (!picture) {
        image.reset();
        return S_OK;
    }
    std::optional<ImagePixels> pixels = host::PicturePixels(picture);
    if (!pixels || pixels->width <= 0 || pixels->height <= 0)
        return ReportError(E_INVALIDARG, IID_OF(_CommandBarButton), "CommandBarButton",
                           "The picture is not a bitmap or an icon.");
    image = std::move(pixels);
    return S_OK;
}
