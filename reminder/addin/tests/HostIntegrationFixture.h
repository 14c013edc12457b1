// The host integration's tests: the headless host in this process at a version and UI language
// of the test's choosing, the add-in's seam installed (hook and menu), the client extension's
// objects of the task, session and viewer contexts, and folders and items of the profile's
// stores. Reminder folders are marked through the engine's own store objects.
#pragma once

#include "AddinFixture.h"
#include "HostIntegrationSeam.h"

#include <optional>

namespace addintest {

class HostIntegrationFixture : public AddinFixture {
protected:
    void SetUp() override;
    void TearDown() override;

    // A new host in place of the fixture's (nothing of the add-in may live then).
    void Restart(const char* version, std::optional<unsigned> language = std::nullopt);
    // The client extension as the host installs it: task and session contexts, then the viewer
    // context, which enables the engine.
    void StartExtension();
    // The viewer context alone (the engine enabled again after a disable).
    void InstallViewer();
    // Lets go of every extension object (the last one disables the engine).
    void StopExtension();

    // A folder under the store's top folder; its entry ID and the store's as hexadecimal text.
    struct FolderIds {
        std::string storeId, entryId;
    };
    FolderIds NewFolder(const char* storeName, const char* name);
    FolderIds DefaultFolder(LONG folderType);
    // A message in the folder; its entry ID (hex).
    std::string NewItem(const FolderIds& folder, const char* subject);
    // Marks the folder a reminder folder (the engine must exist and not be enabled yet).
    void MarkReminderFolder(const FolderIds& folder);

    // Runs a host command; its output lines.
    std::vector<std::string> Run(const std::string& command);
    void WriteIni(const std::string& text);

    CHostIntegrationSeam seam;
    std::vector<ComPtr<IExchExt>> extensions;
};

std::vector<std::string> Lines(const std::string& text);

} // namespace addintest
