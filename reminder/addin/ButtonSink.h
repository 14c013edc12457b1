// CButtonSink: the sink on the add-in's menu button: a click opens the reminders window (or
// brings the open one forward).
#pragma once

#include "DispEventSink.h"
#include "host/CommandBarInterfaces.h"

class CButtonSink : public CDispEventSink<CButtonSink> {
public:
    explicit CButtonSink(CommandBarControl* button);
    ~CButtonSink() override;

    HRESULT OnEvent(DISPID dispid, const DISPPARAMS& params);
    HRESULT OnClick();

    CommandBarControl* Button() const { return m_button.get(); }

private:
    ComPtr<CommandBarControl> m_button;
};
