#include "com/ErrorReporting.h"

#include "base/Utf.h"
#include "com/ComPtr.h"

#include <string>

HRESULT ReportError(HRESULT hr, REFGUID iid, std::u16string_view source, std::u16string_view description)
{
    ComPtr<ICreateErrorInfo> create;
    if (FAILED(CreateErrorInfo(create.put())))
        return hr;
    std::u16string sourceText(source);
    std::u16string descriptionText(description);
    create->SetGUID(iid);
    create->SetSource(sourceText.data());
    create->SetDescription(descriptionText.data());
    create->SetHelpFile(nullptr);
    create->SetHelpContext(0);
    ComPtr<IErrorInfo> info;
    if (SUCCEEDED(create.As(info)))
        SetErrorInfo(0, info.get());
    return hr;
}

HRESULT ReportError(HRESULT hr, REFGUID iid, std::string_view source, std::string_view description)
{
    return ReportError(hr, iid, std::u16string_view(platform::Utf8ToUtf16(source)),
                       std::u16string_view(platform::Utf8ToUtf16(description)));
}
