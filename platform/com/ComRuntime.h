// The COM runtime: per-thread initialisation, object creation through the registry
// (HKCR\CLSID\{...}\InprocServer32 names the shared library, which is loaded and asked for
// its class object), ProgIDs, and the unloading of libraries nobody uses any more.
// Every object lives in the process and may be called from any thread: there is no
// marshalling, and threading models are stored as given.
#pragma once

#include "com/Unknown.h"

using CLSCTX = DWORD;
#define CLSCTX_INPROC_SERVER 0x1
#define CLSCTX_INPROC_HANDLER 0x2
#define CLSCTX_LOCAL_SERVER 0x4
#define CLSCTX_REMOTE_SERVER 0x10
#define CLSCTX_INPROC (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER)
#define CLSCTX_SERVER (CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER)
#define CLSCTX_ALL (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER)

#define COINIT_MULTITHREADED 0x0
#define COINIT_APARTMENTTHREADED 0x2
#define COINIT_DISABLE_OLE1DDE 0x4
#define COINIT_SPEED_OVER_MEMORY 0x8

#ifndef RPC_E_CHANGED_MODE
#define RPC_E_CHANGED_MODE HR(0x80010106)
#endif

struct COSERVERINFO;

// S_OK for the thread's first call, S_FALSE for each further one (each needs its own
// CoUninitialize); RPC_E_CHANGED_MODE when the thread was initialised with the other model.
HRESULT CoInitialize(LPVOID pvReserved);
HRESULT CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit);
void CoUninitialize();

// CO_E_NOTINITIALIZED on a thread without CoInitialize; REGDB_E_CLASSNOTREG when the class (or
// an in-process server for it) is not registered; CO_E_DLLNOTFOUND when the library file is
// missing; CO_E_ERRORINDLL when it cannot be loaded or lacks DllGetClassObject.
HRESULT CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, COSERVERINFO* pServerInfo, REFIID riid, LPVOID* ppv);
HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv);

// Asks each loaded server library DllCanUnloadNow and unloads those that answer S_OK.
void CoFreeUnusedLibraries();

// HKCR\<ProgID>\CLSID, following CurVer of a version-independent ProgID;
// CO_E_CLASSSTRING when the ProgID is unknown.
HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, LPCLSID lpclsid);
// HKCR\CLSID\{...}\ProgID in task memory; REGDB_E_CLASSNOTREG when there is none.
HRESULT ProgIDFromCLSID(REFCLSID clsid, LPOLESTR* lplpszProgID);

// Puts an object into the running state: IRunnableObject::Run when it has that interface,
// else nothing to do.
HRESULT OleRun(IUnknown* pUnknown);

namespace platform::com {

// Number of server libraries currently loaded by the runtime (for diagnostics and tests).
std::size_t LoadedServerCount();

} // namespace platform::com
