// SupportErrorInfoImpl<Interfaces...>: ISupportErrorInfo answering S_OK for the listed
// interfaces (those whose methods set error info) and S_FALSE for any other. It is listed
// among a class's interfaces in place of ISupportErrorInfo:
//   class CAccount : public ComObject<CAccount, DispatchImpl<CAccount, IAccount>,
//                                     SupportErrorInfoImpl<IAccount>> { ... };
#pragma once

#include "com/ErrorInfo.h"

template <class... Interfaces>
struct SupportErrorInfoImpl : ISupportErrorInfo {
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override
    {
        return (IsEqualIID(riid, uuidof<Interfaces>()) || ...) ? S_OK : S_FALSE;
    }
};

template <class... Interfaces>
struct IidTraits<SupportErrorInfoImpl<Interfaces...>> : IidTraits<ISupportErrorInfo> {};
