// The error object made by CreateErrorInfo (internal to this layer).
#pragma once

#include "com/ComObject.h"
#include "com/ErrorInfo.h"

#include <mutex>
#include <string>

namespace platform::com::detail {

class ErrorObject : public ComObject<ErrorObject, IErrorInfo, ICreateErrorInfo> {
public:
    HRESULT STDMETHODCALLTYPE GetGUID(GUID* pGUID) override;
    HRESULT STDMETHODCALLTYPE GetSource(BSTR* pBstrSource) override;
    HRESULT STDMETHODCALLTYPE GetDescription(BSTR* pBstrDescription) override;
    HRESULT STDMETHODCALLTYPE GetHelpFile(BSTR* pBstrHelpFile) override;
    HRESULT STDMETHODCALLTYPE GetHelpContext(DWORD* pdwHelpContext) override;

    HRESULT STDMETHODCALLTYPE SetGUID(REFGUID rguid) override;
    HRESULT STDMETHODCALLTYPE SetSource(LPOLESTR szSource) override;
    HRESULT STDMETHODCALLTYPE SetDescription(LPOLESTR szDescription) override;
    HRESULT STDMETHODCALLTYPE SetHelpFile(LPOLESTR szHelpFile) override;
    HRESULT STDMETHODCALLTYPE SetHelpContext(DWORD dwHelpContext) override;

private:
    HRESULT Get(const std::u16string& text, BSTR* out);
    HRESULT Set(std::u16string& text, LPOLESTR value);

    std::mutex m_mutex;
    GUID m_guid{};
    std::u16string m_source;
    std::u16string m_description;
    std::u16string m_helpFile;
    DWORD m_helpContext = 0;
};

} // namespace platform::com::detail
