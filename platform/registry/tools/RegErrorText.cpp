#include "RegErrorText.h"

#include "registry/Registry.h"

std::string RegErrorText(LONG code)
{
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
        return "The system was unable to find the specified registry key or value.";
    case ERROR_ACCESS_DENIED:
        return "Access is denied.";
    case ERROR_INVALID_HANDLE:
        return "The handle is invalid.";
    case ERROR_OUTOFMEMORY:
    case ERROR_NOT_ENOUGH_MEMORY:
        return "Not enough memory resources are available to complete this operation.";
    case ERROR_INVALID_PARAMETER:
        return "The parameter is incorrect.";
    case ERROR_BAD_PATHNAME:
        return "The specified path is invalid.";
    case ERROR_BUSY:
        return "The registry database is in use by another process; try again.";
    case ERROR_DISK_FULL:
        return "There is not enough space on the disk.";
    case ERROR_BADDB:
    case ERROR_REGISTRY_CORRUPT:
        return "The configuration registry database is corrupt.";
    case ERROR_CANTOPEN:
        return "The configuration registry key could not be opened.";
    case ERROR_REGISTRY_IO_FAILED:
        return "An I/O operation initiated by the registry failed unrecoverably.";
    case ERROR_KEY_DELETED:
        return "Illegal operation attempted on a registry key that has been marked for deletion.";
    default:
        return "Registry error " + std::to_string(code) + ".";
    }
}
