// IRunnableObject: objects that must be put into the running state before use (OleRun).
#pragma once

#include "com/Unknown.h"

struct IBindCtx;
using LPBINDCTX = IBindCtx*;

struct IRunnableObject : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetRunningClass(LPCLSID lpClsid) = 0;
    virtual HRESULT STDMETHODCALLTYPE Run(LPBINDCTX pbc) = 0;
    virtual BOOL STDMETHODCALLTYPE IsRunning() = 0;
    virtual HRESULT STDMETHODCALLTYPE LockRunning(BOOL fLock, BOOL fLastUnlockCloses) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetContainedObject(BOOL fContained) = 0;
};
PLATFORM_DECLARE_IID(IRunnableObject, "00000126-0000-0000-C000-000000000046");
