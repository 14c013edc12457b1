#include "ButtonSink.h"

#include "AddinCache.h"
#include "EngineSeam.h"
#include "TraceScope.h"

CButtonSink::CButtonSink(CommandBarControl* button) : CDispEventSink(DIID__CommandBarButtonEvents), m_button(button)
{
    TRACE_CTOR("CButtonSink");
}

CButtonSink::~CButtonSink()
{
    TRACE_DTOR("CButtonSink");
}

HRESULT CButtonSink::OnEvent(DISPID dispid, const DISPPARAMS&)
{
    // Click(Ctrl, CancelDefault): neither is used.
    return dispid == DISPID_CommandBarButtonEvents_Click ? OnClick() : S_OK;
}

HRESULT CButtonSink::OnClick()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CButtonSink::OnClick", &hr);
    IReminderEngine* engine = AddinCache::Engine();
    if (!engine) {
        // Nothing to show the reminders of.
        TracePrint(__FILE__, __LINE__, TL_ERROR, "g_pReminderEngine == NULL\n");
        return hr;
    }
    hr = EngineSeam()->OpenRemindersWindow(engine, 0);
    if (FAILED(hr))
        TRACE_FAILED(OpenRemindersWindow, hr);
    return S_OK;
}
