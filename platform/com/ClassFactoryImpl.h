// ClassFactoryImpl<T>: the class object of a class T derived from ComObject. It makes new T
// objects and locks the module for LockServer(TRUE). Aggregation is not supported.
#pragma once

#include "com/ClassFactory.h"
#include "com/ComObject.h"

template <class T>
class ClassFactoryImpl : public ComObject<ClassFactoryImpl<T>, IClassFactory> {
public:
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) override
    {
        if (!ppvObject)
            return E_POINTER;
        *ppvObject = nullptr;
        if (pUnkOuter)
            return CLASS_E_NOAGGREGATION;
        return T::CreateObject(riid, ppvObject);
    }

    HRESULT STDMETHODCALLTYPE LockServer(BOOL fLock) override
    {
        if (fLock)
            platform::com::ModuleLock();
        else
            platform::com::ModuleUnlock();
        return S_OK;
    }

    // The class object asked for riid; the form kept in an object map entry.
    static HRESULT Create(REFIID riid, void** ppv)
    {
        return ClassFactoryImpl::CreateObject(riid, ppv);
    }

private:
    friend class ComObject<ClassFactoryImpl<T>, IClassFactory>;
    ClassFactoryImpl() = default;
};
