#include "ErrorText.h"

#include "ToolStrings.h"
#include "resource.h"

#include "base/DebugOutput.h"
#include "base/Format.h"
#include "base/SystemMessages.h"
#include "mapi/MapiCodes.h"

#include <cstdio>
#include <iterator>

namespace {

struct ErrorNameEntry {
    HRESULT code;
    const char* name;
};

#define ERROR_ENTRY(code) {static_cast<HRESULT>(code), #code}

// Looked up from the first row: a code that appears twice shows the earlier name.
constexpr ErrorNameEntry kErrorNames[] = {
    ERROR_ENTRY(SUCCESS_SUCCESS),
    ERROR_ENTRY(MAPI_E_CALL_FAILED),
    ERROR_ENTRY(MAPI_E_NOT_ENOUGH_MEMORY),
    ERROR_ENTRY(MAPI_E_INVALID_PARAMETER),
    ERROR_ENTRY(MAPI_E_INTERFACE_NOT_SUPPORTED),
    ERROR_ENTRY(MAPI_E_NO_ACCESS),
    ERROR_ENTRY(MAPI_E_NO_SUPPORT),
    ERROR_ENTRY(MAPI_E_BAD_CHARWIDTH),
    ERROR_ENTRY(MAPI_E_STRING_TOO_LONG),
    ERROR_ENTRY(MAPI_E_UNKNOWN_FLAGS),
    ERROR_ENTRY(MAPI_E_INVALID_ENTRYID),
    ERROR_ENTRY(MAPI_E_INVALID_OBJECT),
    ERROR_ENTRY(MAPI_E_OBJECT_CHANGED),
    ERROR_ENTRY(MAPI_E_OBJECT_DELETED),
    ERROR_ENTRY(MAPI_E_BUSY),
    ERROR_ENTRY(MAPI_E_NOT_ENOUGH_DISK),
    ERROR_ENTRY(MAPI_E_NOT_ENOUGH_RESOURCES),
    ERROR_ENTRY(MAPI_E_NOT_FOUND),
    ERROR_ENTRY(MAPI_E_VERSION),
    ERROR_ENTRY(MAPI_E_LOGON_FAILED),
    ERROR_ENTRY(MAPI_E_SESSION_LIMIT),
    ERROR_ENTRY(MAPI_E_USER_CANCEL),
    ERROR_ENTRY(MAPI_E_UNABLE_TO_ABORT),
    ERROR_ENTRY(MAPI_E_NETWORK_ERROR),
    ERROR_ENTRY(MAPI_E_DISK_ERROR),
    ERROR_ENTRY(MAPI_E_TOO_COMPLEX),
    ERROR_ENTRY(MAPI_E_BAD_COLUMN),
    ERROR_ENTRY(MAPI_E_EXTENDED_ERROR),
    ERROR_ENTRY(MAPI_E_COMPUTED),
    ERROR_ENTRY(MAPI_E_END_OF_SESSION),
    ERROR_ENTRY(MAPI_E_UNKNOWN_ENTRYID),
    ERROR_ENTRY(MAPI_E_MISSING_REQUIRED_COLUMN),
    ERROR_ENTRY(MAPI_W_NO_SERVICE),
    ERROR_ENTRY(MAPI_E_BAD_VALUE),
    ERROR_ENTRY(MAPI_E_INVALID_TYPE),
    ERROR_ENTRY(MAPI_E_TYPE_NO_SUPPORT),
    ERROR_ENTRY(MAPI_E_UNEXPECTED_TYPE),
    ERROR_ENTRY(MAPI_E_TOO_BIG),
    ERROR_ENTRY(MAPI_W_ERRORS_RETURNED),
    ERROR_ENTRY(MAPI_E_UNABLE_TO_COMPLETE),
    ERROR_ENTRY(MAPI_E_TABLE_EMPTY),
    ERROR_ENTRY(MAPI_E_TABLE_TOO_BIG),
    ERROR_ENTRY(MAPI_E_INVALID_BOOKMARK),
    ERROR_ENTRY(MAPI_W_POSITION_CHANGED),
    ERROR_ENTRY(MAPI_W_APPROX_COUNT),
    ERROR_ENTRY(MAPI_E_WAIT),
    ERROR_ENTRY(MAPI_E_CANCEL),
    ERROR_ENTRY(MAPI_E_NOT_ME),
    ERROR_ENTRY(MAPI_W_CANCEL_MESSAGE),
    ERROR_ENTRY(MAPI_E_CORRUPT_STORE),
    ERROR_ENTRY(MAPI_E_NOT_IN_QUEUE),
    ERROR_ENTRY(MAPI_E_NO_SUPPRESS),
    ERROR_ENTRY(MAPI_E_COLLISION),
    ERROR_ENTRY(MAPI_E_NOT_INITIALIZED),
    ERROR_ENTRY(MAPI_E_NON_STANDARD),
    ERROR_ENTRY(MAPI_E_NO_RECIPIENTS),
    ERROR_ENTRY(MAPI_E_SUBMITTED),
    ERROR_ENTRY(MAPI_E_HAS_FOLDERS),
    ERROR_ENTRY(MAPI_E_HAS_MESSAGES),
    ERROR_ENTRY(MAPI_E_FOLDER_CYCLE),
    ERROR_ENTRY(MAPI_W_PARTIAL_COMPLETION),
    ERROR_ENTRY(MAPI_E_AMBIGUOUS_RECIP),
    // Simple MAPI's small codes.
    ERROR_ENTRY(MAPI_USER_ABORT),
    ERROR_ENTRY(MAPI_E_USER_ABORT),
    ERROR_ENTRY(MAPI_E_FAILURE),
    ERROR_ENTRY(MAPI_E_LOGON_FAILURE),
    ERROR_ENTRY(MAPI_E_LOGIN_FAILURE),
    ERROR_ENTRY(MAPI_E_DISK_FULL),
    ERROR_ENTRY(MAPI_E_INSUFFICIENT_MEMORY),
    ERROR_ENTRY(MAPI_E_ACCESS_DENIED),
    ERROR_ENTRY(MAPI_E_TOO_MANY_SESSIONS),
    ERROR_ENTRY(MAPI_E_TOO_MANY_FILES),
    ERROR_ENTRY(MAPI_E_TOO_MANY_RECIPIENTS),
    ERROR_ENTRY(MAPI_E_ATTACHMENT_NOT_FOUND),
    ERROR_ENTRY(MAPI_E_ATTACHMENT_OPEN_FAILURE),
    ERROR_ENTRY(MAPI_E_ATTACHMENT_WRITE_FAILURE),
    ERROR_ENTRY(MAPI_E_UNKNOWN_RECIPIENT),
    ERROR_ENTRY(MAPI_E_BAD_RECIPTYPE),
    ERROR_ENTRY(MAPI_E_NO_MESSAGES),
    ERROR_ENTRY(MAPI_E_INVALID_MESSAGE),
    ERROR_ENTRY(MAPI_E_TEXT_TOO_LARGE),
    ERROR_ENTRY(MAPI_E_INVALID_SESSION),
    ERROR_ENTRY(MAPI_E_TYPE_NOT_SUPPORTED),
    ERROR_ENTRY(MAPI_E_AMBIGUOUS_RECIPIENT),
    ERROR_ENTRY(MAPI_E_AMBIG_RECIP),
    ERROR_ENTRY(MAPI_E_MESSAGE_IN_USE),
    ERROR_ENTRY(MAPI_E_NETWORK_FAILURE),
    ERROR_ENTRY(MAPI_E_INVALID_EDITFIELDS),
    ERROR_ENTRY(MAPI_E_INVALID_RECIPS),
    ERROR_ENTRY(MAPI_E_NOT_SUPPORTED),
    // COM.
    ERROR_ENTRY(E_NOTIMPL),
    ERROR_ENTRY(E_UNEXPECTED),
    ERROR_ENTRY(E_OUTOFMEMORY),
    ERROR_ENTRY(E_INVALIDARG),
    ERROR_ENTRY(E_NOINTERFACE),
    ERROR_ENTRY(E_POINTER),
    ERROR_ENTRY(E_HANDLE),
    ERROR_ENTRY(E_ABORT),
};

#undef ERROR_ENTRY

static_assert(std::size(kErrorNames) == 98);

std::string Hex8(HRESULT hr)
{
    char buffer[16];
    std::snprintf(buffer, sizeof(buffer), "0x%08X", static_cast<unsigned>(hr));
    return buffer;
}

} // namespace

const char* ErrorName(HRESULT hr)
{
    for (const ErrorNameEntry& entry : kErrorNames)
        if (entry.code == hr)
            return entry.name;
    return nullptr;
}

std::string GetErrorText(HRESULT hr)
{
    std::string text;
    LPSTR message = nullptr;
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr,
                                        static_cast<DWORD>(hr), 0, reinterpret_cast<LPSTR>(&message), 0, nullptr);
    if (length > 0 && message) {
        std::string line(message, length);
        if (const auto cr = line.find('\r'); cr != std::string::npos)
            line.erase(cr);
        text = line + " (" + Hex8(hr) + ")";
    } else {
        text = FormatResString(IDS_UNKNOWN_ERROR, static_cast<unsigned long>(static_cast<DWORD>(hr)));
    }
    if (message)
        LocalFree(message);
    if (const char* name = ErrorName(hr))
        text += std::string(" (") + name + ")";
    return text;
}

std::string FailureText(UINT sentenceId, HRESULT hr) { return LoadResString(sentenceId) + "\r\n" + GetErrorText(hr); }

BOOL TraceHResult(HRESULT hr, std::string_view caller, std::string_view file, int line)
{
    if (SUCCEEDED(hr))
        return TRUE;
    char buffer[64];
    std::snprintf(buffer, sizeof(buffer), "%x", static_cast<unsigned>(hr));
    const std::string text = std::string(caller) + ": hRes = " + buffer + " in file " + std::string(file) +
                             " on line " + std::to_string(line) + ".\n";
    OutputDebugStringA(text.c_str());
    return FALSE;
}
