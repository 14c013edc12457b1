#include "FailureBox.h"

#include "ModuleInstance.h"
#include "OptionsResource.h"
#include "base/Format.h"
#include "base/MessageBox.h"

std::string FailureText(UINT id, HRESULT hr)
{
    char text[WSPRINTF_LIMIT] = {};
    wsprintfA(text, LoadAddinString(id).c_str(), static_cast<LONG>(hr));
    return text;
}

int ShowFailureBox(HWND owner, const std::string& text)
{
    return MessageBoxA(owner, text.c_str(), LoadAddinString(IDS_PROJNAME).c_str(), MB_ICONINFORMATION);
}
