#include "SyncStatusSink.h"

#include "resource.h"

#include "base/DebugOutput.h"
#include "base/LastError.h"
#include "base/Utf.h"
#include "base/WinTime.h"
#include "base/Window.h"
#include "com/Bstr.h"

#include <cstdio>
#include <mutex>
#include <new>

namespace {

std::mutex g_statusLock;
std::string g_statusText;
std::mutex g_folderLock;
std::string g_folderKey;

// A BSTR as UTF-8; text that is no valid UTF-16 cannot be converted.
HRESULT ToUtf8(BSTR text, std::string& out)
{
    out.clear();
    const int length = text ? static_cast<int>(SysStringLen(text)) : 0;
    if (length == 0)
        return S_OK;
    try {
        const int size = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, reinterpret_cast<LPCWSTR>(text), length,
                                             nullptr, 0, nullptr, nullptr);
        if (size <= 0)
            return HRESULT_FROM_WIN32(GetLastError());
        out.resize(static_cast<std::size_t>(size));
        WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, reinterpret_cast<LPCWSTR>(text), length, out.data(), size,
                            nullptr, nullptr);
    } catch (const std::bad_alloc&) {
        out.clear();
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

void DebugLine(const char* format, LONG current, LONG total)
{
    char text[80];
    std::snprintf(text, sizeof text, format, static_cast<long>(current), static_cast<long>(total));
    OutputDebugStringA(text);
}

} // namespace

HRESULT CreateStatusSink(IStatus** ppStatus)
{
    if (!ppStatus)
        return E_POINTER;
    *ppStatus = new (std::nothrow) CSyncStatusSink;
    return *ppStatus ? S_OK : E_OUTOFMEMORY;
}

std::string CSyncStatusSink::StatusText()
{
    std::lock_guard lock(g_statusLock);
    return g_statusText;
}

std::string CSyncStatusSink::CurrentFolderKey()
{
    std::lock_guard lock(g_folderLock);
    return g_folderKey;
}

HRESULT CSyncStatusSink::QueryInterface(REFIID riid, void** ppv)
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

ULONG CSyncStatusSink::AddRef() { return static_cast<ULONG>(++m_cRef); }

ULONG CSyncStatusSink::Release()
{
    const LONG refs = --m_cRef;
    if (refs == 0)
        delete this;
    return static_cast<ULONG>(refs);
}

HRESULT CSyncStatusSink::Information(BSTR msg)
{
    std::string text;
    const HRESULT hr = ToUtf8(msg, text);
    if (FAILED(hr))
        return hr;
    OutputDebugStringA((text + "\r\n").c_str());
    {
        std::lock_guard lock(g_statusLock);
        g_statusText = text;
    }
    PostMessageA(m_hWndView, WMU_STATUS_INFO, 0, 0);
    return S_OK;
}

HRESULT CSyncStatusSink::FoldersProgress(LONG lCurrent, LONG lTotal)
{
    DebugLine("Folder %ld of %ld\r\n", lCurrent, lTotal);
    PostMessageA(m_hWndView, WMU_STATUS_FOLDERS, static_cast<WPARAM>(lCurrent), static_cast<LPARAM>(lTotal));
    return S_OK;
}

HRESULT CSyncStatusSink::MessagesProgress(LONG lCurrent, LONG lTotal)
{
    DebugLine("Message %ld of %ld\r\n", lCurrent, lTotal);
    // The end of a pass: the window shows the full bar before the next pass resets it.
    if (lCurrent == lTotal)
        Sleep(50);
    PostMessageA(m_hWndView, WMU_STATUS_MESSAGES, static_cast<WPARAM>(lCurrent), static_cast<LPARAM>(lTotal));
    return S_OK;
}

HRESULT CSyncStatusSink::CurrentFolder(IFolder* pFolder)
{
    if (!pFolder)
        return E_POINTER;
    BSTR key = nullptr;
    BSTR name = nullptr;
    pFolder->get_RecordKey(&key);
    pFolder->get_Name(&name);
    std::string keyText;
    std::string nameText;
    HRESULT hr = ToUtf8(key, keyText);
    if (SUCCEEDED(hr))
        hr = ToUtf8(name, nameText);
    if (SUCCEEDED(hr)) {
        OutputDebugStringA("Folder: ");
        OutputDebugStringA(nameText.c_str());
        OutputDebugStringA(" [RecordKey:");
        OutputDebugStringA(keyText.c_str());
        OutputDebugStringA("]");
        OutputDebugStringA("\r\n");
    }
    // The reference the engine handed over.
    pFolder->Release();
    SysFreeString(key);
    SysFreeString(name);
    if (FAILED(hr))
        return hr;
    {
        std::lock_guard lock(g_folderLock);
        g_folderKey = keyText;
    }
    PostMessageA(m_hWndView, WMU_STATUS_FOLDER, 0, 0);
    return S_OK;
}
