// CCommandBarButton: a button of a command bar. Execute (and a click in a window) first tells
// the sinks advised on _CommandBarButtonEvents (Click with a by-reference CancelDefault), then
// runs the host's command of a built-in id unless a sink cancelled it. Picture and Mask take
// picture objects and keep copies of their pixels (host/ButtonFace.h); reading them gives new
// pictures of those copies.
#pragma once

#include "com/ComObject.h"
#include "com/ConnectionPointContainerImpl.h"
#include "com/SupportErrorInfoImpl.h"
#include "host/CommandBarControlImpl.h"

class CCommandBarButton
    : public ComObject<CCommandBarButton, CommandBarControlImpl<CCommandBarButton, _CommandBarButton>,
                       SupportErrorInfoImpl<_CommandBarButton, CommandBarControl>, ConnectionPointContainerImpl> {
public:
    CCommandBarButton();

    static std::span<const DispatchMember> DispatchMembers();
    HRESULT QueryExtraInterface(REFIID riid, void** ppv);

    HRESULT STDMETHODCALLTYPE Execute() override;
    HRESULT STDMETHODCALLTYPE get_Style(LONG* style) override;
    HRESULT STDMETHODCALLTYPE put_Style(LONG style) override;
    HRESULT STDMETHODCALLTYPE get_Picture(IDispatch** picture) override;
    HRESULT STDMETHODCALLTYPE put_Picture(IDispatch* picture) override;
    HRESULT STDMETHODCALLTYPE get_Mask(IDispatch** mask) override;
    HRESULT STDMETHODCALLTYPE put_Mask(IDispatch* mask) override;

    CCommandBarControls* Children() override { return nullptr; }

private:
    // Keeps a copy of the picture's pixels (null: none); E_INVALIDARG for an object that is no
    // bitmap or icon picture.
    HRESULT PutImage(IDispatch* picture, std::optional<ImagePixels>& image);

    LONG m_style = msoButtonAutomatic;
    ConnectionPoint* m_events = nullptr;
};

template <>
struct IidTraits<CommandBarControlImpl<CCommandBarButton, _CommandBarButton>> : IidTraits<_CommandBarButton> {};
