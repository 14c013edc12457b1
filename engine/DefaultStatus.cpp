#include "DefaultStatus.h"

#include "base/DebugOutput.h"
#include "base/Utf.h"
#include "com/ComBstr.h"
#include "com/ModuleLock.h"

#include <cstdio>
#include <new>
#include <string>

HRESULT GetStatusObject(IStatus** ppStatus)
{
    if (!ppStatus)
        return E_POINTER;
    *ppStatus = new (std::nothrow) CDefaultStatus;
    return *ppStatus ? S_OK : E_OUTOFMEMORY;
}

// The sink keeps the library loaded while it lives, like the engine's COM objects.
CDefaultStatus::CDefaultStatus()
{
    platform::com::ModuleLock();
}

CDefaultStatus::~CDefaultStatus()
{
    platform::com::ModuleUnlock();
}

HRESULT CDefaultStatus::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IStatus)) {
        *ppv = static_cast<IStatus*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG CDefaultStatus::AddRef()
{
    return static_cast<ULONG>(++m_cRef);
}

ULONG CDefaultStatus::Release()
{
    const LONG refs = --m_cRef;
    if (refs == 0)
        delete this;
    return static_cast<ULONG>(refs);
}

HRESULT CDefaultStatus::Information(BSTR msg)
{
    std::string text = msg ? platform::Utf16ToUtf8(std::u16string_view(msg, SysStringLen(msg))) : std::string();
    text += "\r\n";
    OutputDebugStringA(text.c_str());
    return S_OK;
}

HRESULT CDefaultStatus::FoldersProgress(LONG lCurrent, LONG lTotal)
{
    char text[64];
    std::snprintf(text, sizeof text, "Folder %ld of %ld\r\n", long(lCurrent), long(lTotal));
    OutputDebugStringA(text);
    return S_OK;
}

HRESULT CDefaultStatus::CurrentFolder(IFolder* pFolder)
{
    std::string text = "Folder: ";
    if (pFolder) {
        ComBstr name;
        if (SUCCEEDED(pFolder->get_Name(name.put())))
            text += name.Utf8();
        pFolder->Release(); // the reference handed over by the engine
    }
    text += "\r\n";
    OutputDebugStringA(text.c_str());
    return S_OK;
}

HRESULT CDefaultStatus::MessagesProgress(LONG lCurrent, LONG lTotal)
{
    // Called for every message: not even formatted when no one reads it.
    if (!IsDebuggerPresent())
        return S_OK;
    char text[64];
    std::snprintf(text, sizeof text, "Message %ld of %ld\r\n", long(lCurrent), long(lTotal));
    OutputDebugStringA(text);
    return S_OK;
}
