#include "myerr.h"

#include "TraceScope.h"
#include "base/DebugOutput.h"
#include "base/Format.h"
#include "base/Utf.h"
#include "com/ComPtr.h"
#include "com/ErrorInfo.h"

#include <cstdarg>
#include <string>

HRESULT ReportComError(LPCSTR source, REFGUID guid, HRESULT hr, LPCSTR format, ...)
{
    char message[WSPRINTF_LIMIT];
    va_list args;
    va_start(args, format);
    wvsprintfA(message, format, args);
    va_end(args);
    TracePrint(__FILE__, __LINE__, TL_ERROR, "%s (%lx)\n", message, hr);

    ComPtr<ICreateErrorInfo> create;
    if (FAILED(CreateErrorInfo(create.put()))) {
        OutputDebugStringA("can not create error info.\n");
        return hr;
    }
    std::u16string description = platform::Utf8ToUtf16(message);
    std::u16string sourceText = platform::Utf8ToUtf16(source ? source : "");
    create->SetDescription(description.data());
    create->SetGUID(guid);
    create->SetSource(sourceText.data());
    create->SetHelpFile(nullptr);
    create->SetHelpContext(0);
    ComPtr<IErrorInfo> info;
    if (FAILED(create.As(info))) {
        OutputDebugStringA("can not get error info.\n");
        return hr;
    }
    SetErrorInfo(0, info.get());
    return hr;
}
