#include "ProgramPaths.h"

#include "FirewallPolicy.h"
#include "ModulePaths.h"
#include "base/WinError.h"

#include <cstdint>
#include <cstdio>
#include <iostream>

void PrepareServerPaths(LPSTR serverValue, LPSTR serverData)
{
    char directory[MAX_PATH];
    serverValue[0] = '\0';
    serverData[0] = '\0';
    const HRESULT hr = GetModuleDirectory(directory);
    if (FAILED(hr)) {
        std::cout << "PrepareServerPaths - Failed to get the program directory hr=" << std::hex
                  << static_cast<std::uint32_t>(hr) << std::endl;
        return;
    }
    // The directory has at most MAX_PATH - 1 characters, so both texts fit their buffers.
    std::snprintf(serverValue, kPathBufferSize, "%s\\BRN32.exe", directory);
    std::snprintf(serverData, kPathBufferSize, "%s\\BRN32.exe:*:Enabled:Brisanne - Server", directory);
}

void PrepareOutlookPaths(LPSTR outlookValue, LPSTR outlookData)
{
    if (FAILED(GetOutlookPath(outlookValue, MAX_PATH))) {
        outlookValue[0] = '\0';
        return;
    }
    if (outlookValue[0] != '\0')
        std::snprintf(outlookData, kPathBufferSize, "%s:*:Enabled:Microsoft Outlook", outlookValue);
}
