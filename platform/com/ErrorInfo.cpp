#include "com/ErrorInfo.h"

#include "com/ComPtr.h"
#include "com/ErrorObject.h"

namespace {

ComPtr<IErrorInfo>& ThreadErrorInfo()
{
    thread_local ComPtr<IErrorInfo> current;
    return current;
}

} // namespace

HRESULT CreateErrorInfo(ICreateErrorInfo** pperrinfo)
{
    if (!pperrinfo)
        return E_INVALIDARG;
    return platform::com::detail::ErrorObject::CreateObject(IID_OF(ICreateErrorInfo),
                                                            reinterpret_cast<void**>(pperrinfo));
}

HRESULT SetErrorInfo(ULONG dwReserved, IErrorInfo* perrinfo)
{
    if (dwReserved != 0)
        return E_INVALIDARG;
    ThreadErrorInfo() = perrinfo;
    return S_OK;
}

HRESULT GetErrorInfo(ULONG dwReserved, IErrorInfo** pperrinfo)
{
    if (!pperrinfo || dwReserved != 0)
        return E_INVALIDARG;
    *pperrinfo = ThreadErrorInfo().Detach();
    return *pperrinfo ? S_OK : S_FALSE;
}
