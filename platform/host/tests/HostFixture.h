// A host test's world: a fresh platform root with a default profile "Work" holding one mailbox
// store, and the test add-in registered (or not) as a COM add-in.
#pragma once

#include "TempRoot.h"
#include "host/HostProgram.h"
#include "registry/Registry.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

class HostFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Registers the test add-in's class and its Addins key under root with LoadBehavior.
    void RegisterAddIn(HKEY root = HKEY_LOCAL_MACHINE, DWORD loadBehavior = 3,
                       const char* progId = "HostTest.AddIn");
    void SetDword(HKEY root, const char* key, const char* name, DWORD value);
    void SetString(HKEY root, const char* key, const char* name, const std::string& value);
    // A host with these options, started.
    std::unique_ptr<host::HostProgram> StartHost(host::HostOptions options = {});
    // Lines of the add-in's log so far.
    std::vector<std::string> AddInLog() const;
    // The add-in's log lines that begin with `prefix`.
    std::vector<std::string> AddInLogOf(const std::string& prefix) const;
    // The lines of text.
    static std::vector<std::string> Lines(const std::string& text);
    // Whether one of the lines is this one.
    static bool HasLine(const std::vector<std::string>& lines, const std::string& line);
    // The entry ID (hex) of a new message in the default store's Inbox.
    std::string CreateInboxMessage(const char* subject) { return CreateMessageIn(6, subject); }
    // The same in another default folder (olFolder... number).
    std::string CreateMessageIn(LONG folderType, const char* subject);
    // Runs the windowed mailhost on a private virtual display with this script (and extra
    // `environment` assignments and `arguments`, shell words) and returns its exit code; its
    // output lines (standard output and error) go to `lines` and as one text to `text`.
    int RunWindowedHost(const std::string& script, std::vector<std::string>& lines, std::string* text = nullptr,
                        const std::string& environment = "", const std::string& arguments = "");

    TempRoot root;
    std::ostringstream out, err;
};
