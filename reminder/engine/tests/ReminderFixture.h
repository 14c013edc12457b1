// The fixture of the folder model's tests: a fresh platform root with the profile "Work" of a
// personal store (the default, whose Calendar is the back folder), a second mailbox and a
// public-folder store; a session on it, the engine stand-in with its store collection, and
// store handles of the test's own through which it makes its changes, as another program would.
#pragma once

#include "BackFolderItem.h"
#include "LVFolder.h"
#include "TempRoot.h"
#include "TestEngine.h"
#include "com/ComBstr.h"
#include "com/ComPtr.h"
#include "mapi/Mapi.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace remindertest {

using Bytes = std::vector<BYTE>;

std::string Hex(const Bytes& bytes);
std::string Text(BSTR text);
Bytes GetBinary(IMAPIProp* object, ULONG tag);
// A named property's tag on the object (created when missing), with the type given.
ULONG NamedTag(IMAPIProp* object, const GUID& set, LONG id, ULONG type);
ULONG NamedTag(IMAPIProp* object, const char16_t* name, ULONG type);

// A late-bound call by member name; args in order (they are passed last first). A put passes its
// value as the last argument.
HRESULT Late(IDispatch* object, const char16_t* name, WORD flags, std::vector<VARIANT> args, VARIANT* result);

// 2007-05-01 10:00 UTC and friends, as FILETIME counts.
constexpr ULONGLONG kMinute = 600000000ULL;
constexpr ULONGLONG kMay1st10h = 128224872000000000ULL;

struct ItemPlan {
    std::string subject = "Item";
    std::optional<std::string> messageClass = std::string("IPM.Appointment");
    bool reminderSet = true;
    std::optional<ULONGLONG> signalTime = kMay1st10h;
    std::optional<ULONGLONG> reminderTime;
    std::optional<LONG> reminderDelta;
    bool recurring = false;
    bool attachment = false;
};

inline ItemPlan Plan(const std::string& subject)
{
    ItemPlan plan;
    plan.subject = subject;
    return plan;
}

// One copy in the back folder, as read back.
struct Copy {
    Bytes entryId;
    std::string subject;
    std::optional<std::string> itemMessageClass, folderName, storeName;
    std::optional<Bytes> lvEntryId, lvFolderId, lvStoreId, lvRecordKey, lvFolderRecordKey, lvStoreRecordKey;
    std::optional<bool> lumivaneItem, reminderMailSent;
    std::optional<ULONGLONG> signalTime;
    ULONG attachments = 0;
};

class ReminderFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The engine's store object of that display name.
    ComPtr<ILVStore> Store(const std::u16string& name);
    ComPtr<IMAPIFolder> Subtree(IMsgStore* store);
    ComPtr<IMAPIFolder> Open(IMsgStore* store, const Bytes& entryId);
    ComPtr<IMAPIFolder> NewFolder(IMAPIFolder* parent, const std::string& name, const char* containerClass = nullptr);
    // The folder object of the engine's store for a folder of the test's handle.
    ComPtr<ILVFolder> FolderObject(const std::u16string& storeName, IMAPIFolder* folder);
    Bytes NewItem(IMAPIFolder* folder, const ItemPlan& plan);
    // Opens an item through the test's handle, lets `change` set properties, saves it.
    void Change(IMsgStore* store, const Bytes& entryId, const std::function<void(IMessage*)>& change);
    void SetBool(IMessage* message, const GUID& set, LONG id, bool value);
    void SetTime(IMessage* message, const GUID& set, LONG id, ULONGLONG value);
    // Runs the notifications that are due, this process's changes and other processes' alike.
    void Pump();
    // Every copy in the back folder (LumivaneItem set or not), sorted by subject.
    std::vector<Copy> Copies();
    ComPtr<IMAPIFolder> BackFolder();
    // Writes a named property on a copy (a snooze, the mail mark).
    void ChangeCopy(const Bytes& copyId, const std::function<void(IMessage*)>& change);

    TempRoot root;
    std::filesystem::path personalPath, mailboxPath, publicPath;
    ComPtr<IMAPISession> session;
    ComPtr<CTestEngine> engine;
    ComPtr<IMsgStore> personal, mailbox, publicStore;
};

} // namespace remindertest
