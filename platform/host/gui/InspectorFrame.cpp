#include "InspectorFrame.h"

#include "base/Utf.h"
#include "base/WinTime.h"
#include "com/ComBstr.h"
#include "host/HostSession.h"
#include "host/MailItem.h"

#include <cstdio>

namespace {

// A property value as text.
std::string ValueText(const SPropValue& v)
{
    char text[64];
    switch (PROP_TYPE(v.ulPropTag)) {
    case PT_LONG: return std::to_string(v.Value.l);
    case PT_BOOLEAN: return v.Value.b ? "true" : "false";
    case PT_STRING8: return v.Value.lpszA ? v.Value.lpszA : "";
    case PT_UNICODE: return platform::Utf16ToUtf8(reinterpret_cast<const char16_t*>(v.Value.lpszW));
    case PT_BINARY: return host::HexText(v.Value.bin.lpb, v.Value.bin.cb);
    case PT_SYSTIME: {
        SYSTEMTIME st{};
        FileTimeToSystemTime(&v.Value.ft, &st);
        std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u UTC", st.wYear, st.wMonth, st.wDay, st.wHour,
                      st.wMinute, st.wSecond);
        return text;
    }
    case PT_ERROR: std::snprintf(text, sizeof text, "error 0x%08x", static_cast<unsigned>(v.Value.err)); return text;
    default: std::snprintf(text, sizeof text, "(type 0x%04x)", static_cast<unsigned>(PROP_TYPE(v.ulPropTag))); return text;
    }
}

} // namespace

InspectorFrame::InspectorFrame(CInspector* inspector)
    : wxFrame(nullptr, wxID_ANY, "", wxDefaultPosition, wxSize(700, 500)), m_inspector(inspector)
{
    m_list = new wxListCtrl(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxLC_REPORT);
    m_list->AppendColumn("Property", wxLIST_FORMAT_LEFT, 120);
    m_list->AppendColumn("Value", wxLIST_FORMAT_LEFT, 520);
    BSTR caption = nullptr;
    m_inspector->get_Caption(&caption);
    SetTitle(wxString::FromUTF8(ComBstr(caption).Utf8()));
    SysFreeString(caption);
    m_binding = platform::ui::WindowBinding::Attach(this, "HostInspector");
    Bind(wxEVT_CLOSE_WINDOW, &InspectorFrame::OnClose, this);
    Bind(wxEVT_ACTIVATE, &InspectorFrame::OnActivate, this);
    ShowProperties();
}

void InspectorFrame::ShowProperties()
{
    IMessage* message = m_inspector->Item()->Message();
    ULONG count = 0;
    LPSPropValue values = nullptr;
    if (FAILED(message->GetProps(nullptr, MAPI_UNICODE, &count, &values)) || !values)
        return;
    for (ULONG i = 0; i < count; ++i) {
        char tag[16];
        std::snprintf(tag, sizeof tag, "0x%08x", static_cast<unsigned>(values[i].ulPropTag));
        const long row = m_list->InsertItem(static_cast<long>(i), tag);
        m_list->SetItem(row, 1, wxString::FromUTF8(ValueText(values[i])));
    }
    MAPIFreeBuffer(values);
}

void InspectorFrame::OnActivate(wxActivateEvent& event)
{
    if (event.GetActive() && !m_inspector->Closed())
        m_inspector->Activate();
    event.Skip();
}

void InspectorFrame::OnClose(wxCloseEvent&)
{
    if (!m_inspector->Closed())
        m_inspector->Close(0);
    Destroy();
}
