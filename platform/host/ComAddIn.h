// CComAddIn: the AddInInst object the host hands to an add-in's OnConnection: its ProgID,
// description and connection state.
#pragma once

#include "com/ComObject.h"
#include "com/DispatchImpl.h"

#include <span>
#include <string>

struct COMAddIn : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_Description(BSTR* text) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ProgId(BSTR* progId) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Connected(VARIANT_BOOL* connected) = 0;
};
PLATFORM_DECLARE_IID(COMAddIn, "000C033A-0000-0000-C000-000000000046");

class CComAddIn : public ComObject<CComAddIn, DispatchImpl<CComAddIn, COMAddIn>> {
public:
    CComAddIn(std::u16string progId, std::u16string description)
        : m_progId(std::move(progId)), m_description(std::move(description))
    {
    }

    static std::span<const DispatchMember> DispatchMembers();

    HRESULT STDMETHODCALLTYPE get_Description(BSTR* text) override;
    HRESULT STDMETHODCALLTYPE get_ProgId(BSTR* progId) override;
    HRESULT STDMETHODCALLTYPE get_Connected(VARIANT_BOOL* connected) override;

    void SetConnected(bool connected) { m_connected = connected; }

private:
    std::u16string m_progId;
    std::u16string m_description;
    bool m_connected = false;
};
