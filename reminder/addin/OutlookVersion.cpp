#include "OutlookVersion.h"

#include "TraceScope.h"
#include "base/Utf.h"
#include "com/Variant.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

namespace {

// What "%d.%d.%d.%d" reads: the count of numbers read before the text stops matching. A number
// that does not fit an int ends the reading there.
int ScanVersion(const std::string& text, int (&numbers)[4])
{
    const char* p = text.c_str();
    int count = 0;
    while (count < 4) {
        if (count > 0) {
            if (*p != '.')
                break;
            ++p;
        }
        char* end = nullptr;
        errno = 0;
        const long value = std::strtol(p, &end, 10);
        if (end == p || errno == ERANGE || value < INT_MIN || value > INT_MAX)
            break;
        numbers[count++] = static_cast<int>(value);
        p = end;
    }
    return count;
}

} // namespace

HRESULT GetOutlookVersion(IDispatch* pApplication, int& major)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("GetOutlookVersion", &hr);
    OLECHAR name[] = u"Version";
    LPOLESTR names[] = {name};
    DISPID dispid = DISPID_UNKNOWN;
    DISPPARAMS noArgs{nullptr, nullptr, 0, 0};
    VARIANT version;
    VariantInit(&version);
    std::string text;
    int numbers[4] = {};
    int nTokens = 0;
    if (!pApplication) {
        hr = E_FAIL;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "pApplication == NULL failed. hr=0x%08lx\n", hr);
        goto Exit;
    }
    hr = pApplication->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &dispid);
    if (SUCCEEDED(hr))
        hr = pApplication->Invoke(dispid, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_PROPERTYGET, &noArgs, &version,
                                  nullptr, nullptr);
    if (SUCCEEDED(hr) && version.vt != VT_BSTR)
        hr = VariantChangeType(&version, &version, 0, VT_BSTR);
    if (FAILED(hr)) {
        TracePrint(__FILE__, __LINE__, TL_ERROR, "get_Version() failed. hr=0x%08lx\n", hr);
        goto Exit;
    }
    text = version.bstrVal ? platform::Utf16ToUtf8(version.bstrVal) : std::string();
    nTokens = ScanVersion(text, numbers);
    if (nTokens < 4) {
        hr = E_FAIL;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "nTokens < 4 failed. hr=0x%08lx\n", hr);
        goto Exit;
    }
    major = numbers[0];
Exit:
    VariantClear(&version);
    return hr;
}
