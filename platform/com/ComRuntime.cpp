#include "com/ComRuntime.h"

#include "base/Utf.h"
#include "com/ClassFactory.h"
#include "com/ComPtr.h"
#include "com/GuidString.h"
#include "com/InprocServerTable.h"
#include "com/RegistryText.h"
#include "com/RunnableObject.h"
#include "com/TaskMem.h"

using namespace platform::com::detail;

namespace {

struct ThreadState {
    unsigned long initCount = 0;
    DWORD model = 0;
};

ThreadState& CurrentThread()
{
    thread_local ThreadState state;
    return state;
}

bool IsInitialised()
{
    return CurrentThread().initCount > 0;
}

HRESULT CopyToTaskString(const std::string& text, LPOLESTR* out)
{
    const std::u16string wide = platform::Utf8ToUtf16(text);
    *out = static_cast<LPOLESTR>(CoTaskMemAlloc((wide.size() + 1) * sizeof(OLECHAR)));
    if (!*out)
        return E_OUTOFMEMORY;
    std::copy(wide.begin(), wide.end(), *out);
    (*out)[wide.size()] = 0;
    return S_OK;
}

} // namespace

HRESULT CoInitializeEx(LPVOID /*pvReserved*/, DWORD dwCoInit)
{
    ThreadState& state = CurrentThread();
    const DWORD model = dwCoInit & COINIT_APARTMENTTHREADED;
    if (state.initCount > 0) {
        if (state.model != model)
            return RPC_E_CHANGED_MODE;
        ++state.initCount;
        return S_FALSE;
    }
    state.model = model;
    state.initCount = 1;
    return S_OK;
}

HRESULT CoInitialize(LPVOID pvReserved)
{
    return CoInitializeEx(pvReserved, COINIT_APARTMENTTHREADED);
}

void CoUninitialize()
{
    ThreadState& state = CurrentThread();
    // Libraries stay loaded: objects made on this thread may still be in use on others.
    if (state.initCount > 0)
        --state.initCount;
}

HRESULT CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, COSERVERINFO* /*pServerInfo*/, REFIID riid,
                         LPVOID* ppv)
{
    if (!ppv)
        return E_INVALIDARG;
    *ppv = nullptr;
    if (!IsInitialised())
        return CO_E_NOTINITIALIZED;
    // Only in-process servers exist here.
    if (!(dwClsContext & CLSCTX_INPROC_SERVER))
        return REGDB_E_CLASSNOTREG;
    const std::string classKey = "CLSID\\" + platform::GuidToString(rclsid);
    const auto path = ReadString(HKEY_CLASSES_ROOT, classKey + "\\InprocServer32", nullptr);
    if (!path || path->empty())
        return REGDB_E_CLASSNOTREG;
    return InprocServerTable::Instance().GetClassObject(*path, rclsid, riid, ppv);
}

HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    ComPtr<IClassFactory> factory;
    HRESULT hr = CoGetClassObject(rclsid, dwClsContext, nullptr, IID_IClassFactory, factory.put_void());
    if (FAILED(hr))
        return hr;
    return factory->CreateInstance(pUnkOuter, riid, ppv);
}

void CoFreeUnusedLibraries()
{
    InprocServerTable::Instance().FreeUnused();
}

std::size_t platform::com::LoadedServerCount()
{
    return InprocServerTable::Instance().LoadedCount();
}

HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, LPCLSID lpclsid)
{
    if (!lpszProgID || !lpclsid)
        return E_INVALIDARG;
    *lpclsid = CLSID_NULL;
    const std::string progId = platform::Utf16ToUtf8(lpszProgID);
    if (progId.empty() || progId.find('\\') != std::string::npos)
        return CO_E_CLASSSTRING;
    std::optional<std::string> clsidText;
    // A version-independent ProgID names the current version in CurVer.
    if (const auto curVer = ReadString(HKEY_CLASSES_ROOT, progId + "\\CurVer", nullptr);
        curVer && !curVer->empty() && curVer->find('\\') == std::string::npos &&
        !platform::EqualNoCase(*curVer, progId))
        clsidText = ReadString(HKEY_CLASSES_ROOT, *curVer + "\\CLSID", nullptr);
    if (!clsidText)
        clsidText = ReadString(HKEY_CLASSES_ROOT, progId + "\\CLSID", nullptr);
    if (!clsidText)
        return CO_E_CLASSSTRING;
    const auto guid = platform::GuidFromString(*clsidText);
    if (!guid)
        return CO_E_CLASSSTRING;
    *lpclsid = *guid;
    return S_OK;
}

HRESULT ProgIDFromCLSID(REFCLSID clsid, LPOLESTR* lplpszProgID)
{
    if (!lplpszProgID)
        return E_INVALIDARG;
    *lplpszProgID = nullptr;
    const auto progId = ReadString(HKEY_CLASSES_ROOT, "CLSID\\" + platform::GuidToString(clsid) + "\\ProgID", nullptr);
    if (!progId || progId->empty())
        return REGDB_E_CLASSNOTREG;
    return CopyToTaskString(*progId, lplpszProgID);
}

HRESULT OleRun(IUnknown* pUnknown)
{
    if (!pUnknown)
        return E_INVALIDARG;
    ComPtr<IRunnableObject> runnable;
    if (FAILED(pUnknown->QueryInterface(IID_OF(IRunnableObject), runnable.put_void())) || !runnable)
        return S_OK;
    return runnable->Run(nullptr);
}
