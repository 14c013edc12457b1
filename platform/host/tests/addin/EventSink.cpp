#include "EventSink.h"

#include "TestAddInLog.h"
#include "TestPropertyPage.h"
#include "com/ComBstr.h"
#include "host/ApplicationEvents.h"
#include "host/CommandBarInterfaces.h"

#include <cstdio>
#include <cstdlib>

HRESULT CEventSink::QueryExtraInterface(REFIID riid, void** ppv)
{
    if (IsEqualIID(riid, m_iid)) {
        *ppv = static_cast<IDispatch*>(this);
        return S_OK;
    }
    return E_NOINTERFACE;
}

HRESULT CEventSink::GetTypeInfoCount(UINT* count)
{
    *count = 0;
    return S_OK;
}

HRESULT CEventSink::GetTypeInfo(UINT, LCID, ITypeInfo** info)
{
    *info = nullptr;
    return E_NOTIMPL;
}

HRESULT CEventSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*)
{
    return E_NOTIMPL;
}

HRESULT CEventSink::Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*)
{
    char text[32];
    std::snprintf(text, sizeof text, " %x", static_cast<unsigned>(dispid));
    std::string line = m_prefix + text;
    // Click(Ctrl, CancelDefault): the arguments come last first.
    if (IsEqualIID(m_iid, DIID__CommandBarButtonEvents) && dispid == DISPID_CommandBarButtonEvents_Click && params &&
        params->cArgs == 2) {
        VARIANT& cancel = params->rgvarg[0];
        VARIANT& ctrl = params->rgvarg[1];
        if (ctrl.vt == VT_DISPATCH && ctrl.pdispVal) {
            CommandBarControl* control = nullptr;
            if (SUCCEEDED(ctrl.pdispVal->QueryInterface(IID_OF(CommandBarControl), reinterpret_cast<void**>(&control)))) {
                LONG id = 0;
                control->get_Id(&id);
                line += " id=" + std::to_string(id);
                control->Release();
            }
        }
        if (cancel.vt == (VT_BOOL | VT_BYREF) && m_cancel) {
            *cancel.pboolVal = VARIANT_TRUE;
            line += " cancelled";
        }
    }
    // ItemSend(Item, Cancel).
    if (IsEqualIID(m_iid, DIID_ApplicationEvents) && dispid == DISPID_ApplicationEvents_ItemSend && params &&
        params->cArgs == 2 && params->rgvarg[0].vt == (VT_BOOL | VT_BYREF) && m_cancel) {
        *params->rgvarg[0].pboolVal = VARIANT_TRUE;
        line += " cancelled";
    }
    TestAddInLog(line);
    // OptionsPagesAdd(Pages): a page when the test asks for one.
    if (IsEqualIID(m_iid, DIID_ApplicationEvents) && dispid == DISPID_ApplicationEvents_OptionsPagesAdd && params &&
        params->cArgs == 1 && params->rgvarg[0].vt == VT_DISPATCH && params->rgvarg[0].pdispVal)
        if (const char* title = std::getenv("HOST_TEST_ADD_PAGE"))
            CTestPropertyPage::AddTo(params->rgvarg[0].pdispVal, title);
    return S_OK;
}
