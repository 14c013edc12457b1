#include "LinkStatic.h"

#include "OrvApp.h"

#include "base/MessageBox.h"
#include "base/Process.h"
#include "base/Sound.h"
#include "registry/Registry.h"

#include <cstdio>

namespace {

// The default value of a key of HKEY_CLASSES_ROOT.
LONG ClassesDefault(const std::string& key, std::string& value)
{
    HKEY handle = nullptr;
    LONG rc = RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_QUERY_VALUE, &handle);
    if (rc != ERROR_SUCCESS)
        return rc;
    char buffer[2048] = "";
    DWORD cb = sizeof(buffer);
    DWORD type = 0;
    rc = RegQueryValueExA(handle, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &cb);
    RegCloseKey(handle);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return ERROR_BAD_FORMAT;
    value.assign(buffer, cb > 0 && buffer[cb - 1] == '\0' ? cb - 1 : cb);
    return ERROR_SUCCESS;
}

} // namespace

void CLinkStatic::SetColours(COLORREF link, COLORREF visited, COLORREF hover)
{
    m_crLinkColour = link;
    m_crVisitedColour = visited;
    m_crHoverColour = hover;
    Redraw();
}

void CLinkStatic::SetVisited(BOOL visited)
{
    m_bVisited = visited;
    Redraw();
}

void CLinkStatic::SetUnderline(int mode)
{
    m_nUnderline = mode;
    Redraw();
}

void CLinkStatic::Redraw()
{
    if (m_onRedraw)
        m_onRedraw();
}

std::string CLinkStatic::SetUp(const std::string& windowText, DWORD& style)
{
    style |= SS_NOTIFY;
    if (m_strURL.empty())
        m_strURL = windowText;
    return windowText.empty() ? m_strURL : windowText;
}

COLORREF CLinkStatic::TextColour(COLORREF highlight) const
{
    if (m_bHover)
        return m_crHoverColour == kSystemHighlight ? highlight : m_crHoverColour;
    return m_bVisited ? m_crVisitedColour : m_crLinkColour;
}

bool CLinkStatic::IsUnderlined() const { return m_nUnderline == 1 || (m_nUnderline == -1 && m_bHover); }

bool CLinkStatic::OnMouseMove()
{
    if (m_bHover)
        return false;
    m_bHover = true;
    Redraw();
    return true;
}

bool CLinkStatic::OnHoverTimer(bool mouseInside)
{
    if (!m_bHover || mouseInside)
        return false;
    m_bHover = false;
    Redraw();
    return true;
}

void CLinkStatic::OnClick(HWND owner)
{
    m_bHover = false;
    const INT_PTR result = OpenLink(m_strURL, SW_SHOW);
    if (result > 32) {
        SetVisited(TRUE);
        return;
    }
    MessageBeep(MB_ICONEXCLAMATION);
    const COrvApp* app = COrvApp::Current();
    MessageBoxA(owner, ErrorText(result).c_str(), app ? app->m_strAppName.c_str() : "Orvinta",
                MB_OK | MB_ICONEXCLAMATION);
    Redraw();
}

INT_PTR CLinkStatic::OpenLink(const std::string& target, int showCommand)
{
    const INT_PTR result =
        reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", target.c_str(), nullptr, nullptr, showCommand));
    if (result > 32)
        return result;
    // The browser of the ".htm" files, without the placeholder for the file.
    std::string type;
    std::string command;
    if (ClassesDefault(".htm", type) != ERROR_SUCCESS || ClassesDefault(type + "\\shell\\open\\command", command) != ERROR_SUCCESS)
        return result;
    std::size_t cut = command.find("\"%1\"");
    if (cut == std::string::npos)
        cut = command.find("%1");
    if (cut != std::string::npos)
        command.erase(cut);
    command += " " + target;
    return static_cast<INT_PTR>(WinExec(command.c_str(), static_cast<UINT>(showCommand)));
}

std::string CLinkStatic::ErrorText(INT_PTR code)
{
    const char* text = nullptr;
    switch (code) {
    case 0: text = "The operating system is out\nof memory or resources."; break;
    case SE_ERR_FNF: text = "The specified file was not found."; break;
    case SE_ERR_PNF: text = "The specified path was not found."; break;
    case SE_ERR_ACCESSDENIED: text = "The operating system denied\naccess to the specified file."; break;
    case SE_ERR_OOM: text = "There was not enough memory to complete the operation."; break;
    case 11: text = "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."; break;
    case SE_ERR_SHARE: text = "A sharing violation occurred. "; break;
    case SE_ERR_ASSOCINCOMPLETE: text = "The filename association is\nincomplete or invalid."; break;
    case SE_ERR_DDETIMEOUT: text = "The DDE transaction could not\nbe completed because the request timed out."; break;
    case SE_ERR_DDEFAIL: text = "The DDE transaction failed."; break;
    case SE_ERR_DDEBUSY:
        text = "The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed.";
        break;
    case SE_ERR_NOASSOC: text = "There is no application associated\nwith the given filename extension."; break;
    case SE_ERR_DLLNOTFOUND: text = "The specified dynamic-link library was not found."; break;
    default: break;
    }
    std::string message = "Unable to open hyperlink:\n\n";
    if (text) {
        message += text;
    } else {
        char buffer[64];
        std::snprintf(buffer, sizeof(buffer), "Unknown Error (%d) occurred.", static_cast<int>(code));
        message += buffer;
    }
    return message;
}

CRect CLinkStatic::FitToText(const CRect& window, const CSize& text, const CSize& borders, DWORD style)
{
    CRect fitted = window;
    const int height = text.cy + borders.cy;
    const int width = text.cx + borders.cx;
    if (style & SS_CENTERIMAGE) {
        const int centre = window.top + window.Height() / 2;
        fitted.top = centre - height / 2;
        fitted.bottom = fitted.top + height;
    } else {
        fitted.bottom = window.top + height;
    }
    if ((style & 0x1F) == SS_CENTER) {
        const int centre = window.left + window.Width() / 2;
        fitted.left = centre - width / 2;
        fitted.right = fitted.left + width;
    } else if ((style & 0x1F) == SS_RIGHT) {
        fitted.left = window.right - width;
    } else {
        fitted.right = window.left + width;
    }
    return fitted;
}
