// CTestAddIn: a COM add-in for the host's tests. It logs every IDTExtensibility2 call, reaches
// the object model early- and late-bound, advises sinks on the application, the explorers, the
// active explorer and two buttons, and puts a button of its own into the Tools menu in place of
// the reminders command (which it hides), as an add-in for older hosts does; with HOST_TEST_FACE
// set the button gets a face and a mask.
#pragma once

#include "com/ComObject.h"
#include "com/ComPtr.h"
#include "com/DispatchImpl.h"
#include "host/Extensibility.h"
#include "host/HostInterfaces.h"
#include "host/RibbonInterfaces.h"

#include <memory>
#include <span>
#include <vector>

class TestDialog;

inline constexpr CLSID CLSID_TestAddIn = MakeGuid("5D0C6E1A-7B1F-4B8E-9A52-3F7E0C9D1A01");
inline constexpr GUID LIBID_TestAddIn = MakeGuid("5D0C6E1A-7B1F-4B8E-9A52-3F7E0C9D1A02");
inline constexpr char kTestAddInProgId[] = "HostTest.AddIn";
inline constexpr char16_t kTestButtonTag[] = u"Host Test Button";

// The ribbon callbacks, found by name through the add-in's IDispatch.
struct ITestAddInCallbacks : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE OnPress(IDispatch* control) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnRepurpose(IDispatch* control, VARIANT_BOOL* CancelDefault) = 0;
};
PLATFORM_DECLARE_IID(ITestAddInCallbacks, "5D0C6E1A-7B1F-4B8E-9A52-3F7E0C9D1A03");

class CTestAddIn : public ComObject<CTestAddIn, DispatchImpl<CTestAddIn, ITestAddInCallbacks>,
                                    DispatchImpl<CTestAddIn, IDTExtensibility2>,
                                    DispatchImpl<CTestAddIn, IRibbonExtensibility>> {
public:
    static std::span<const DispatchMember> DispatchMembers(std::type_identity<ITestAddInCallbacks>);
    static std::span<const DispatchMember> DispatchMembers(std::type_identity<IDTExtensibility2>) { return {}; }
    static std::span<const DispatchMember> DispatchMembers(std::type_identity<IRibbonExtensibility>) { return {}; }

    HRESULT STDMETHODCALLTYPE OnPress(IDispatch* control) override;
    HRESULT STDMETHODCALLTYPE OnRepurpose(IDispatch* control, VARIANT_BOOL* CancelDefault) override;
    HRESULT STDMETHODCALLTYPE GetCustomUI(BSTR RibbonID, BSTR* RibbonXml) override;

    HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* Application, ext_ConnectMode ConnectMode, IDispatch* AddInInst,
                                           SAFEARRAY** custom) override;
    HRESULT STDMETHODCALLTYPE OnDisconnection(ext_DisconnectMode RemoveMode, SAFEARRAY** custom) override;
    HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY** custom) override;
    HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY** custom) override;
    HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY** custom) override;

private:
    struct Advised {
        ComPtr<IUnknown> source;
        IID iid;
        DWORD cookie;
    };
    void Advise(IUnknown* source, const IID& iid, const char* prefix, bool cancelClicks = false);
    void AddButton(_Explorer* explorer);

    ComPtr<_Application> m_application;
    std::vector<Advised> m_advised;
    std::shared_ptr<TestDialog> m_dialog;
};
